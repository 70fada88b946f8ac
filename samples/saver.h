// The sample screen saver's Windows side.  Its pure rules (command line,
// data file text, lantern motion) are in portable/saver_rules.h.
#ifndef SAMPLES_SAVER_H
#define SAMPLES_SAVER_H

#include <windows.h>

#include "samples/portable/saver_rules.h"

// All the screen saver keeps while it runs.  WinMain owns it and passes it
// down; the saver window and the settings dialog carry it as their
// creation parameter and keep it in their user data, so nothing of it is
// global.
struct Saver {
    HINSTANCE instance;
    char name[MAX_PATH];         // the base name: the file name without ".scr"
    SaverSettings settings;      // in force: read from the data file when there is one
    char dataFilePath[MAX_PATH]; // the data file that was found, or empty
    // The saver window's.
    HWND previewParent; // the preview's parent window; NULL full screen
    int fullScreen;
    POINT startCursor; // full screen: where the cursor was at the start
    LanternSky sky;
};

// Finds the data file ("<base name>.dat" in the data folder the installer
// makes, else beside the screen saver) and reads the settings from it.
void LoadSaverSettings(Saver *saver);
// Writes settings to the data file found by LoadSaverSettings.  Returns 0
// when there is none or it cannot be written.
int SaveSaverSettings(const Saver *saver, const SaverSettings *settings);

// Full screen (parent NULL) or preview inside parent; returns when the
// window has closed.
void RunSaverWindow(Saver *saver, HWND parent);
void PaintSky(HDC dc, int width, int height, const LanternSky *sky);

// The settings dialog, owned by parent (may be NULL).
void RunSettingsDialog(Saver *saver, HWND parent);

#endif
