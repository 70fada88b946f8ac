// Uninstall registration, media check and the default screen saver
// (Windows only; their portable rules are in engine/portable/rules.h).
#ifndef ENGINE_SYSTEM_REGISTRATION_H
#define ENGINE_SYSTEM_REGISTRATION_H

#include "engine/portable/rules.h"

// Both find the uninstall entry by the screen saver's file name.
int CheckUninstallAccess(const char *screenSaverFileName);
void RegisterUninstaller(const char *screenSaverFileName, const char *uninstallerPath);
void CheckMediaSupport(const char *dataFilePath);
void SetDefaultScreenSaver(const char *screenSaverPath);

#endif
