// The uninstall entry: the access test at the start of the run and the six
// values written when the walk reaches the uninstaller.
#include <windows.h>

#include <string.h>

#include "engine/system_registration.h"
#include "package/installed_names.h"
#include "package/text_rules.h"
#include "texts.h"

static LONG OpenUninstallKey(const char *keyPath, HKEY *key, DWORD *disposition)
{
    char noClass[] = "";
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, noClass, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, NULL, key, disposition);
}

static void SetTextValue(HKEY key, const char *name, DWORD type, const char *text)
{
    RegSetValueExA(key, name, 0, type, (const BYTE *)text, (DWORD)strlen(text) + 1);
}

static void SetNumberValue(HKEY key, const char *name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number);
}

int CheckUninstallAccess(const char *screenSaverFileName, int *created)
{
    char keyPath[kUninstallKeyPathSize];
    BuildUninstallKeyPath(keyPath, sizeof keyPath, screenSaverFileName);
    HKEY key = NULL;
    DWORD disposition = 0;
    LONG result = OpenUninstallKey(keyPath, &key, &disposition);
    *created = result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
    if (result == ERROR_ACCESS_DENIED) {
        MessageBoxA(NULL, TEXT_ACCESS_DENIED, TEXT_ACCESS_DENIED_CAPTION, MB_OK);
        return 0;
    }
    // Any other failure counts as access granted.
    if (result == ERROR_SUCCESS)
        RegCloseKey(key);
    return 1;
}

int RegisterUninstaller(const char *screenSaverFileName, const char *uninstallerPath)
{
    char keyPath[kUninstallKeyPathSize];
    // Without a base name the path is the shared Uninstall key: write no
    // entry into it.
    if (!BuildUninstallKeyPath(keyPath, sizeof keyPath, screenSaverFileName))
        return 0;
    HKEY key;
    DWORD disposition;
    if (OpenUninstallKey(keyPath, &key, &disposition) != ERROR_SUCCESS)
        return 0;

    // The key path buffer is free again: it holds each text in turn.
    CopyText(keyPath, sizeof keyPath, screenSaverFileName);
    CutAtLastDot(keyPath);
    AppendText(keyPath, sizeof keyPath, TEXT_DISPLAY_NAME_SUFFIX);
    SetTextValue(key, "DisplayName", REG_SZ, keyPath);
    SetTextValue(key, TEXT_UNINSTALL_STRING, REG_EXPAND_SZ, uninstallerPath);
    CopyText(keyPath, sizeof keyPath, uninstallerPath);
    CutInstallLocation(keyPath);
    SetTextValue(key, "InstallLocation", REG_EXPAND_SZ, keyPath);
    SetTextValue(key, "Publisher", REG_SZ, TEXT_PUBLISHER);
    SetNumberValue(key, "VersionMajor", 6);
    SetNumberValue(key, "VersionMinor", 0);
    RegCloseKey(key);
    return 1;
}

void RemoveUninstallEntry(const char *screenSaverFileName)
{
    char keyPath[kUninstallKeyPathSize];
    // Never the shared Uninstall key itself.
    if (BuildUninstallKeyPath(keyPath, sizeof keyPath, screenSaverFileName))
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath);
}
