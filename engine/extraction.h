// The extraction engine: the progress dialog and the state it leaves.
#ifndef ENGINE_EXTRACTION_H
#define ENGINE_EXTRACTION_H

#include <stdint.h>

#include "package/package_format.h"

// Set to 1 by a confirmed Cancel; never reset.
extern int32_t abortRequested;
// 1 only while the uninstaller's record is processed: it is written whole.
extern int32_t abortExempt;

#ifdef _WIN32
#include <windows.h>

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

#endif
