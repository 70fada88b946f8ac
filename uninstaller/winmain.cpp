// WinMain: the uninstall, or the clean-up step of a temporary copy.
#include "system_dlls/system_dlls.h"
#include "uninstaller/uninstall.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    (void)instance;
    (void)previousInstance;
    (void)showCommand;
    // Before anything can load a DLL on our behalf.
    LimitDllSearch();
    UninstallSwitches switches;
    if (!ParseUninstallSwitches(commandLine, &switches))
        return kExitNotRemoved;
    if (switches.cleanup) {
        RunCleanup(&switches);
        return 0;
    }
    UninstallRun run = {}; // about 3.6 KB
    run.silent = switches.silent;
    return RunUninstall(&run);
}
