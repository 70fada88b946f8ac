// The uninstaller's Windows side: process-wide state and the steps of an
// uninstall.  The pure rules they rely on are in rules.h.
#ifndef UNINSTALLER_UNINSTALL_H
#define UNINSTALLER_UNINSTALL_H

#include <windows.h>

#include "uninstaller/portable/rules.h"

enum { kReportSize = 2048 };

// Exit codes.
enum { kExitRemoved = 0, kExitCancelled = 1, kExitNotRemoved = 2 };

extern int silentMode;
// The uninstaller's own full path (long form), its folder (the data folder,
// without trailing backslash) and that folder's last level, the base name.
extern char ownPath[kUninstallPathSize];
extern char dataFolder[kUninstallPathSize];
extern char baseName[kUninstallPathSize];
// What could not be removed, one line each.
extern char notRemoved[kReportSize];

// The whole uninstall; returns the exit code.
int RunUninstall(void);

// Calls handler for every path the install log lists; returns the number of
// paths (0 when the log is missing or empty).
int ForEachListedFile(const char *logPath, LogLineHandler handler, void *context);
// Deletes one listed file; a missing file is fine.  Returns 0 when the file
// is still there afterwards.
int RemoveListedFile(const char *path);

// The data folder's levels, innermost first, while they are empty.
void RemoveFolderLevels(const char *folder);

// The uninstaller's own file cannot be deleted while it runs: it is moved to
// the temporary folder and a temporary copy of the program, which deletes
// itself when it ends, removes it once this process has ended.  When the move
// is not possible the copy deletes the file where it is and removes the
// data folder's levels after it; *folderLeft is then 1.  Returns 0 when
// none of this could be set up (the file then stays).
int SetOwnFileAside(int *folderLeft);
// The clean-up step run by that temporary copy.
void RunCleanup(const UninstallSwitches *switches);

// Removes the uninstall key when it is this uninstaller's.  Returns 0 when
// the key is still there afterwards.
int RemoveUninstallKey(void);

// Looks at the "system.ini" screen saver entry before anything is removed,
// to learn whether it names one of the listed files.
void NoteScreenSaverEntry(const char *logPath);
// Removes the entry and switches the screen saver off when the file it
// names is gone.  Returns 0 when the entry could not be removed.
int ClearScreenSaverEntry(void);

// Message boxes with the uninstall caption; in silent mode nothing is
// shown and the answer is yes.
int AskUser(const char *text);
void TellUser(const char *text, UINT icon);

#endif
