// Uninstall registration, media check and the default screen saver.
#ifndef ENGINE_SYSTEM_REGISTRATION_H
#define ENGINE_SYSTEM_REGISTRATION_H

enum { kMissingTypesSize = 256 };

// Extensions the media check refused, each with its dot and CR LF.
extern char missingTypes[kMissingTypesSize];

// The list rule on its own: appends the extension of path (from its last
// ".", case kept) and CR LF unless the list already contains it.
void AppendMissingType(char *list, const char *path);

#ifdef _WIN32
int CheckUninstallAccess(void);
void RegisterUninstaller(const char *uninstallerPath);
void CheckMediaSupport(const char *dataFilePath);
void SetDefaultScreenSaver(const char *screenSaverPath);
#endif

#endif
