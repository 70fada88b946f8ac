// The sample screen saver's Windows side.  Its pure rules (command line,
// data file text, lantern motion) are in portable/saver_rules.h.
#ifndef SAMPLES_SAVER_H
#define SAMPLES_SAVER_H

#include <windows.h>

#include "samples/portable/saver_rules.h"

extern HINSTANCE saverInstance;
// The screen saver's base name (its file name without ".scr").
extern char saverName[MAX_PATH];
// The settings in force, read from the data file when there is one.
extern SaverSettings saverSettings;
// The data file that was found, or empty.
extern char dataFilePath[MAX_PATH];

// Finds the data file ("<base name>.dat" in the data folder the installer
// makes, else beside the screen saver) and reads the settings from it.
void LoadSaverSettings(void);
// Writes the settings to the data file found by LoadSaverSettings.
// Returns 0 when there is none or it cannot be written.
int SaveSaverSettings(const SaverSettings *settings);

// Full screen (parent NULL) or preview inside parent; returns when the
// window has closed.
void RunSaverWindow(HWND parent);
void PaintSky(HDC dc, int width, int height, const LanternSky *sky);

// The settings dialog, owned by parent (may be NULL).
void RunSettingsDialog(HWND parent);

#endif
