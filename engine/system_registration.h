// Uninstall registration, media check and the default screen saver
// (Windows only; their portable rules are in engine/portable/rules.h).
#ifndef ENGINE_SYSTEM_REGISTRATION_H
#define ENGINE_SYSTEM_REGISTRATION_H

#include "engine/portable/rules.h"

// These find the uninstall entry by the screen saver's file name.  The
// access test sets *created when it made the key; RegisterUninstaller
// returns 1 when it wrote the entry's values.
int CheckUninstallAccess(const char *screenSaverFileName, int *created);
int RegisterUninstaller(const char *screenSaverFileName, const char *uninstallerPath);
// Removes the entry again (a run that failed takes the install back).
void RemoveUninstallEntry(const char *screenSaverFileName);
// Adds the file's type to missingTypes (kMissingTypesSize bytes) when the
// media layer can't open it.
void CheckMediaSupport(const char *dataFilePath, char *missingTypes);
void SetDefaultScreenSaver(const char *screenSaverPath);

#endif
