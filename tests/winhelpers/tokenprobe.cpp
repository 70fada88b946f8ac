// tokenprobe: with what token the system runs a program, as its
// application manifest asks.
//   tokenprobe PROGRAM
// Starts PROGRAM under the debugger, lets the loader set it up to its
// initial breakpoint (before the program's own entry point runs), prints
// "elevated=N type=T" of the process's token there (TokenElevation, and
// TokenElevationType: 1 default, 2 full, 3 limited) and ends it.  Wine's
// loader elevates a process whose manifest requires it during that set-up
// (the token at creation is still the parent's); Windows elevates it at
// creation, and only for an elevated caller.  Exit status 1 when the
// program can't be started or its token read.
#include <windows.h>

#include <stdio.h>

static int PrintToken(HANDLE process)
{
    HANDLE token;
    TOKEN_ELEVATION elevation = {};
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return 0;
    BOOL read = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
    CloseHandle(token);
    if (read)
        printf("elevated=%lu type=%d\n", elevation.TokenIsElevated, (int)type);
    return read;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fputs("usage: tokenprobe PROGRAM\n", stderr);
        return 2;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(argv[1], NULL, NULL, NULL, FALSE, DEBUG_ONLY_THIS_PROCESS, NULL, NULL, &startup,
                        &process)) {
        fprintf(stderr, "tokenprobe: cannot start %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    int printed = 0, ended = 0;
    DEBUG_EVENT event;
    while (!ended && WaitForDebugEvent(&event, 60000)) {
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (!printed && event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
                printed = PrintToken(process.hProcess) ? 1 : -1;
                TerminateProcess(process.hProcess, 0);
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            ended = 1;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
    }
    if (!ended)
        TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (printed != 1) {
        fprintf(stderr, "tokenprobe: cannot read the token of %s\n", argv[1]);
        return 1;
    }
    return 0;
}
