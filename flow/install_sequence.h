// The install sequence run by the hidden main window (Windows only).
#ifndef FLOW_INSTALL_SEQUENCE_H
#define FLOW_INSTALL_SEQUENCE_H

#include <windows.h>

#include "engine/extraction.h"
#include "flow/portable/rules.h"
#include "package/package_format.h"

// Process-wide: set once by the entry point before the install starts and
// read by every step that shows something.
// Interactive until the command line is read.  Every mode test asks
// whether it equals kInstallModeInteractive.
extern InstallMode installMode;
// The installer's instance handle, for its resources and its own file.
extern HINSTANCE moduleInstance;

// The process's exit status: 0 for every ending (success, a refusal, a
// confirmed Cancel) but these.  1: a write fell short or a file could not
// be created, and the run took the install back.  3: the installer's own
// file is damaged or cut short; found before anything was done, or by a
// block that ran out, after which the run took the install back.  4: the
// run refused to start because a link was in the way of its writes (or a
// folder of the data folder could not be made administrators' only), when
// nothing was written.
enum { kExitInstalled = 0, kExitWriteFailed = 1, kExitDamaged = 3, kExitUnsafeDestination = 4 };

// lParam of WM_CREATE carries, as its creation parameter, the int that
// receives the exit status.
LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The whole install, from reading the name to the closing actions;
// returns the exit status when the install is over, whatever happened.
int RunInstallSequence(void);

// What follows the progress dialog: the message of a disk that filled up,
// the uninstaller after an abort, the missing media types, the closing
// message, the ordering information and the start of the screen saver.
// screenSaverFileName is the installed file's name, without its folder.
// Returns the exit status.
int RunClosingActions(const char *caption, const char *screenSaverFileName, const ExtractionResult *result);

// Centres a dialog on the screen, keeping its size, without repainting.
void CentreDialog(HWND dialog);

INT_PTR CALLBACK OrderInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
