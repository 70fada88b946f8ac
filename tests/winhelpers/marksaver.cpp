// marksaver: a stand-in screen saver for the end-to-end tests.  Each start
// appends two lines to C:\saver-started.txt: the command line it was given
// and the path of its own file, so that a test can see that the installer
// started it, how, and which file ran.
#include <windows.h>

#include <stdio.h>

int main(void)
{
    char module[MAX_PATH] = "";
    GetModuleFileNameA(NULL, module, sizeof module);
    FILE *marker = fopen("C:\\saver-started.txt", "ab");
    if (marker == NULL)
        return 1;
    fprintf(marker, "command line: %s\r\nmodule: %s\r\n", GetCommandLineA(), module);
    fclose(marker);
    return 0;
}
