// holdfile: holds a file open without sharing, as a running screen saver
// holds its own file, for the end-to-end tests.  Usage: holdfile FILE.
// Once the file is open it creates FILE.held; it closes the file and ends
// when FILE.release appears.  Exit status 1 when FILE can't be opened.
#include <windows.h>

#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    char signal[MAX_PATH + 16];
    snprintf(signal, sizeof signal, "%s.held", argv[1]);
    CloseHandle(CreateFileA(signal, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    snprintf(signal, sizeof signal, "%s.release", argv[1]);
    while (GetFileAttributesA(signal) == INVALID_FILE_ATTRIBUTES)
        Sleep(20);
    CloseHandle(file);
    return 0;
}
