// WinMain: full screen, preview or settings, as the command line says.
#include "samples/saver.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    (void)previousInstance;
    (void)showCommand;
    SaverCommand command = ParseSaverCommand(commandLine);
    if (command.mode == SAVER_NOTHING)
        return 0;
    Saver saver = {};
    saver.instance = instance;
    LoadSaverSettings(&saver);
    HWND window = (HWND)(ULONG_PTR)command.window;
    if (command.mode == SAVER_SETTINGS) {
        RunSettingsDialog(&saver, window != NULL && IsWindow(window) ? window : NULL);
    } else if (command.mode == SAVER_FULL_SCREEN) {
        RunSaverWindow(&saver, NULL);
    } else if (IsWindow(window)) {
        RunSaverWindow(&saver, window);
    }
    return 0;
}
