// The uninstall entry in the list of installed programs.
#include <stdio.h>

#include "package/installed_names.h"
#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

// The key is ours when its "UninstallString" names this uninstaller, or when
// it has none: the install creates the key empty before it fills it.
static int KeyIsOurs(HKEY key, const char *ownPath)
{
    char value[kPathBufferSize];
    DWORD size = sizeof value - 1;
    DWORD type;
    LONG result = RegQueryValueExA(key, TEXT_UNINSTALL_STRING, NULL, &type, (BYTE *)value, &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return 1;
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return 0;
    value[size < sizeof value ? size : sizeof value - 1] = '\0';
    return SamePath(value, ownPath);
}

int RemoveUninstallKey(const UninstallRun *run)
{
    const char *baseName = run->baseName;
    char keyPath[kPathBufferSize + 64];
    int length = snprintf(keyPath, sizeof keyPath, "%s\\%s", TEXT_UNINSTALL_KEY, baseName);
    if (length <= 0 || (size_t)length >= sizeof keyPath || baseName[0] == '\0')
        return 1;
    HKEY key;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND)
        return 1;
    if (result != ERROR_SUCCESS)
        return 0;
    int ours = KeyIsOurs(key, run->ownPath);
    RegCloseKey(key);
    // Another program's entry of the same name is none of our business.
    if (!ours)
        return 1;
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath) == ERROR_SUCCESS;
}
