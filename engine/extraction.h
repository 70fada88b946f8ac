// The extraction engine: the progress dialog, what it takes from the
// install sequence and what it leaves for it (Windows only; the pump step
// is in engine/portable/rules.h).
#ifndef ENGINE_EXTRACTION_H
#define ENGINE_EXTRACTION_H

#include <windows.h>

#include <stdint.h>

#include "engine/portable/rules.h"
#include "package/path_buffer.h"

// What the run takes from the install sequence.
struct ExtractionRequest {
    HINSTANCE instance;              // the installer's own module
    const char *screenSaverName;     // the display name, for the dialog's texts
    const char *screenSaverFileName; // the name with ".scr", no folder
    int showProgress;                // 1 in Interactive mode
};

// Why a run failed.  After each of them the run has removed all it had
// made and left the default screen saver as it was.
enum RunFailure {
    kRunNotFailed = 0,
    kRunShortWrite = 1, // a write fell short: the disk is full
    kRunNotCreated = 2, // a file could not be created: failedFile, failedReason
    kRunInputEnded = 3, // a block ran out: the installer's file is cut short or damaged
};

// What the run leaves for the closing actions.
struct ExtractionResult {
    int32_t aborted;                      // Cancel was confirmed: the uninstaller is to remove the install
    int32_t failure;                      // a RunFailure
    DWORD failedReason;                   // kRunNotCreated: the system's error code
    char failedFile[kPathBufferSize];     // kRunNotCreated: the file's path
    char dataFolder[kPathBufferSize];     // ends with a backslash once built
    char refusedPath[kPathBufferSize];    // a link in the way, or a level not made administrators' only:
                                          // the run wrote nothing
    char missingTypes[kMissingTypesSize]; // refused media types, each with CR LF
};

// One run of the progress dialog; the install sequence owns it and passes
// it as the dialog's creation parameter.
struct ExtractionRun {
    ExtractionRequest request;
    ExtractionResult result;
    ExtractionPump pump; // the abort state and the progress dialog, for the pump step
};

// How the progress dialog ends: its result.  Neither is 0 or -1, which
// DialogBoxParamA returns when the dialog could not be shown.
enum ExtractionEnd {
    kExtractionOver = 1,          // the walk is over; also after an abort or a failure, and
                                  // when the run refused to start (refusedPath)
    kExtractionAccessRefused = 2, // access to the uninstall key is refused: nothing was done
};

// Ends with an ExtractionEnd.  lParam of WM_INITDIALOG is the
// ExtractionRun, which outlives the dialog.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
