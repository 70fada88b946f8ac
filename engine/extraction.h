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

// Ends with 1 when the walk is over (also after an abort), 2 when access to
// the uninstall key is refused.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
#endif

#endif
