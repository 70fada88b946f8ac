// The extraction engine: the progress dialog and the state it leaves
// (Windows only; the abort flags are in engine/portable/rules.h).
#ifndef ENGINE_EXTRACTION_H
#define ENGINE_EXTRACTION_H

#include <windows.h>

#include <stdint.h>

#include "engine/portable/rules.h"
#include "package/package_format.h"

// The data folder; ends with a backslash once built.
extern char dataFolder[kNameFieldSize];
// The progress dialog, for IsDialogMessageA in the message pump step.
extern HWND progressWindow;

// What the run takes from the install sequence; the sequence passes it as
// the progress dialog's creation parameter.
struct ExtractionRequest {
    HINSTANCE instance;              // the installer's own module
    const char *screenSaverFileName; // the name with ".scr", no folder
    int showProgress;                // 1 in Interactive mode
};

// Ends with 1 when the walk is over (also after an abort), 2 when access to
// the uninstall key is refused.  lParam of WM_INITDIALOG is the
// ExtractionRequest, which outlives the dialog.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
