// ProgramStart: the entry point of the installer and the uninstaller, in
// place of the C run-time's start-up, which would bring its argument
// parsing, thread-local storage, exception filters and error reporting
// into both programs for nothing (cmake/windows.cmake).  It gives WinMain
// what that start-up gives it and ends the process with WinMain's result.
// msvcrt.dll sets itself up when it is loaded, so the C functions the
// programs call work without it; no static object has a constructor to run.
#include <windows.h>

// The command line after the program's name (quoted or not) and the blanks
// that follow it: what the run-time's start-up passes as WinMain's line.
static LPSTR ArgumentsOf(LPSTR line)
{
    int quoted = 0;
    while (*line != '\0' && (quoted || (unsigned char)*line > ' ')) {
        if (*line == '"')
            quoted = !quoted;
        line++;
    }
    while (*line != '\0' && (unsigned char)*line <= ' ')
        line++;
    return line;
}

// Windows calls the entry point with the stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer)) void ProgramStart(void)
{
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, ArgumentsOf(GetCommandLineA()), show));
}
