// The install sequence run by the hidden main window (Windows only).
#ifndef FLOW_INSTALL_SEQUENCE_H
#define FLOW_INSTALL_SEQUENCE_H

#include <windows.h>

#include "flow/install_mode.h"
#include "package/package_format.h"

// The installer's instance handle, stored before the window is created.
extern HINSTANCE moduleInstance;

// screenSaverName followed by ".scr"; at the end of a successful
// interactive install it becomes the installed file's full path.
extern char screenSaverFileName[kNameFieldSize];

LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Steps 1-23 of the install; returns when the install is over, whatever
// happened.
void RunInstallSequence(void);

// Steps 14-23: what follows the progress dialog.
void RunClosingActions(const char *caption);

// Centres a dialog on the screen, keeping its size, without repainting.
void CentreDialog(HWND dialog);

INT_PTR CALLBACK OrderInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
