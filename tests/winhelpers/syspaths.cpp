// syspaths: prints what the system says about paths, for tests that must
// not assume the answers (Wine's short names are hashed, for one).
//   syspaths windows-directory   GetWindowsDirectoryA
//   syspaths short PATH          GetShortPathNameA of PATH
//   syspaths temp-directory      GetTempPathA
// Each prints the one answer on a line of its own; exit status 1 when the
// system gives none.
#include <windows.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    char answer[MAX_PATH];
    DWORD length = 0;
    if (argc == 2 && strcmp(argv[1], "windows-directory") == 0)
        length = GetWindowsDirectoryA(answer, sizeof answer);
    else if (argc == 3 && strcmp(argv[1], "short") == 0)
        length = GetShortPathNameA(argv[2], answer, sizeof answer);
    else if (argc == 2 && strcmp(argv[1], "temp-directory") == 0)
        length = GetTempPathA(sizeof answer, answer);
    else {
        fputs("usage: syspaths windows-directory | syspaths short PATH | syspaths temp-directory\n", stderr);
        return 2;
    }
    if (length == 0 || length >= sizeof answer)
        return 1;
    printf("%s\n", answer);
    return 0;
}
