// WinMain: full screen, preview or settings, as the command line says.
#include "samples/saver.h"

HINSTANCE saverInstance;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    (void)previousInstance;
    (void)showCommand;
    saverInstance = instance;
    SaverCommand command = ParseSaverCommand(commandLine);
    if (command.mode == SAVER_NOTHING)
        return 0;
    LoadSaverSettings();
    HWND window = (HWND)(ULONG_PTR)command.window;
    if (command.mode == SAVER_SETTINGS) {
        RunSettingsDialog(window != NULL && IsWindow(window) ? window : NULL);
    } else if (command.mode == SAVER_FULL_SCREEN) {
        RunSaverWindow(NULL);
    } else if (IsWindow(window)) {
        RunSaverWindow(window);
    }
    return 0;
}
