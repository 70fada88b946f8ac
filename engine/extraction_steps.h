// The steps of the extraction run, one file each (Windows only).
#ifndef ENGINE_EXTRACTION_STEPS_H
#define ENGINE_EXTRACTION_STEPS_H

#include <windows.h>

#include "engine/extraction.h"
#include "engine/portable/stored_copy.h"
#include "package/package_format.h"

// The whole run started by the posted IDOK; returns the dialog's result
// (1 walk over, 2 access refused).
INT_PTR RunExtraction(const ExtractionRequest *request);

// Builds dataFolder (always ending with a backslash) and creates its chain
// one level at a time.  Returns 1 when the whole path fit; otherwise, and
// for a blank base name, dataFolder is left empty.
int BuildDataFolder(const char *baseName);

// The install log: opened once, extended at its end, one line per record.
HANDLE OpenInstallLog(void);
void AppendInstallLog(HANDLE log, const char *path);
void CloseInstallLog(HANDLE log);

#endif
