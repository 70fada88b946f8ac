// The install sequence run by the hidden main window (Windows only).
#ifndef FLOW_INSTALL_SEQUENCE_H
#define FLOW_INSTALL_SEQUENCE_H

#include <windows.h>

#include "flow/portable/rules.h"
#include "package/package_format.h"

// 2 Interactive (initial), 1 Silent; set once by the entry point.  Every
// mode test asks whether it equals kInstallModeInteractive.
extern int32_t installMode;

// The installer's instance handle, stored before the window is created.
extern HINSTANCE moduleInstance;

// screenSaverName followed by ".scr": the installed file's name, without
// its folder, for the whole run.
extern char screenSaverFileName[kNameFieldSize];

LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The whole install, from reading the name to the closing actions;
// returns when the install is over, whatever happened.
void RunInstallSequence(void);

// What follows the progress dialog: the uninstaller after an abort, the
// missing media types, the closing message, the ordering information and
// the start of the screen saver.
void RunClosingActions(const char *caption);

// Centres a dialog on the screen, keeping its size, without repainting.
void CentreDialog(HWND dialog);

INT_PTR CALLBACK OrderInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
