// Test probe for the uninstall registration, the media check and the
// default screen saver: stands in for the install flow, calls the engine's
// operations and prints what they did.  Message boxes the operations show
// are answered by a watcher thread, which records their caption and text.
//
//   registration_probe deny KEY            deny set-value/create-subkey on HKLM\KEY
//   registration_probe access FILENAME     CheckUninstallAccess
//   registration_probe register FILENAME UNINSTALLER
//   registration_probe media PATH...       CheckMediaSupport on each path
//   registration_probe default PATH        SetDefaultScreenSaver
//   registration_probe sizes KEY           name, type and stored size of each value of HKLM\KEY
#include <windows.h>

#include <mmsystem.h>
#include <sddl.h>
#include <stdio.h>
#include <string.h>

#include "engine/system_registration.h"
#include "package/package_format.h"
#include "package/text_rules.h"

static volatile LONG watching = 1;
static HWND answered[16];
static int answeredCount;

static BOOL CALLBACK FindBoxText(HWND child, LPARAM lParam)
{
    char className[32], text[1024];
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
        CopyText((char *)lParam, 1024, text);
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK AnswerBox(HWND window, LPARAM)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32];
    GetClassNameA(window, className, sizeof className);
    if (process != GetCurrentProcessId() || strcmp(className, "#32770") != 0 ||
        !IsWindowVisible(window))
        return TRUE;
    for (int i = 0; i < answeredCount; i++)
        if (answered[i] == window)
            return TRUE;
    char caption[256] = "", text[1024] = "";
    GetWindowTextA(window, caption, sizeof caption);
    EnumChildWindows(window, FindBoxText, (LPARAM)text);
    printf("box caption=[%s] text=[%s]\n", caption, text);
    fflush(stdout);
    if (answeredCount < 16)
        answered[answeredCount++] = window;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

static DWORD WINAPI WatchBoxes(LPVOID)
{
    while (watching) {
        EnumWindows(AnswerBox, 0);
        Sleep(50);
    }
    return 0;
}

static void PrintBytes(const char *label, const char *text)
{
    printf("%s=", label);
    for (const unsigned char *p = (const unsigned char *)text; *p != 0; p++)
        printf("%02x", *p);
    printf("\n");
}

static int Deny(const char *subKey)
{
    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, &key, NULL);
    if (result != ERROR_SUCCESS) {
        printf("create failed %ld\n", result);
        return 1;
    }
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x6;;;WD)(A;;KA;;;WD)",
                                                              SDDL_REVISION_1, &descriptor, NULL)) {
        printf("sddl failed %lu\n", GetLastError());
        return 1;
    }
    result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    RegCloseKey(key);
    printf("deny=%ld\n", result);
    return result == ERROR_SUCCESS ? 0 : 1;
}

// The wide call shows the stored size: the ANSI one adds a missing NUL.
static int PrintSizes(const char *subKey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        printf("no key\n");
        return 1;
    }
    for (DWORD index = 0;; index++) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 0;
        if (RegEnumValueW(key, index, name, &nameLength, NULL, &type, NULL, &size) != ERROR_SUCCESS)
            break;
        printf("value %ls type=%lu size=%lu\n", name, type, size);
    }
    RegCloseKey(key);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: registration_probe deny|access|register|media|default ...\n");
        return 2;
    }
    // Unbuffered, so that a run that hangs still shows how far it got.
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *command = argv[1];
    if (strcmp(command, "deny") == 0)
        return Deny(argv[2]);
    if (strcmp(command, "sizes") == 0)
        return PrintSizes(argv[2]);

    // Only the registry operations can show a box.  The watcher stays out of
    // the media check: enumerating windows while the video device creates
    // its window can deadlock under Wine.
    HANDLE watcher = NULL;
    if (strcmp(command, "access") == 0 || strcmp(command, "register") == 0)
        watcher = CreateThread(NULL, 0, WatchBoxes, NULL, 0, NULL);
    if (strcmp(command, "access") == 0) {
        int created = 0;
        printf("access=%d\n", CheckUninstallAccess(argv[2], &created));
    } else if (strcmp(command, "register") == 0 && argc == 4) {
        RegisterUninstaller(argv[2], argv[3]);
        printf("registered\n");
    } else if (strcmp(command, "media") == 0) {
        char missingTypes[kMissingTypesSize] = "";
        for (int i = 2; i < argc; i++) {
            CheckMediaSupport(argv[i], missingTypes);
            printf("file=%s\n", argv[i]);
            PrintBytes("missing", missingTypes);
            // Every device the check opened must be closed again.
            char count[32] = "?";
            mciSendStringA("sysinfo all quantity open", count, sizeof count, NULL);
            printf("open=%s\n", count);
        }
    } else if (strcmp(command, "default") == 0) {
        SetDefaultScreenSaver(argv[2]);
        printf("default set\n");
    } else {
        fprintf(stderr, "unknown command %s\n", command);
        return 2;
    }
    if (watcher != NULL) {
        // Give a box that is still opening the chance to be seen and counted.
        Sleep(200);
        InterlockedExchange(&watching, 0);
        WaitForSingleObject(watcher, 5000);
    }
    printf("boxes=%d\n", answeredCount);
    return 0;
}
