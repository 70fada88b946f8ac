// Texts of the uninstall entry: the key path and the install location.
#include <string.h>

#include "engine/portable/rules.h"
#include "package/installed_names.h"
#include "package/text_rules.h"

void CutAtLastDot(char *text)
{
    char *dot = strrchr(text, '.');
    if (dot != NULL)
        *dot = '\0';
}

int BuildUninstallKeyPath(char *keyPath, size_t capacity, const char *fileName)
{
    CopyText(keyPath, capacity, TEXT_UNINSTALL_KEY);
    size_t parentLength = strlen(keyPath);
    AppendText(keyPath, capacity, "\\");
    AppendText(keyPath, capacity, fileName);
    CutAtLastDot(keyPath);
    // An empty base name would leave "...\Uninstall\", which opens the
    // Uninstall key itself; say so, and never hand out the trailing
    // backslash, so that no caller writes an entry's values into the
    // shared parent by accident.
    if (strlen(keyPath) <= parentLength + 1) {
        keyPath[parentLength] = '\0';
        return 0;
    }
    return 1;
}

void CutInstallLocation(char *path)
{
    char *first = strchr(path, '\\');
    char *last = strrchr(path, '\\');
    if (last != NULL && last != first)
        *last = '\0';
}
