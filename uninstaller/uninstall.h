// The uninstaller's Windows side: the state of one uninstall and its
// steps.  The pure rules they rely on are in rules.h.
#ifndef UNINSTALLER_UNINSTALL_H
#define UNINSTALLER_UNINSTALL_H

#include <windows.h>

#include "uninstaller/portable/rules.h"

enum { kReportSize = 2048 };

// Exit codes.
enum { kExitRemoved = 0, kExitCancelled = 1, kExitNotRemoved = 2 };

// One uninstall, passed to its steps.
struct UninstallRun {
    int silent; // ask nothing, show nothing
    // The uninstaller's own full path (long form), its folder (the data
    // folder, without trailing backslash) and that folder's last level,
    // the base name.
    char ownPath[kPathBufferSize];
    char dataFolder[kPathBufferSize];
    char baseName[kPathBufferSize];
    char notRemoved[kReportSize]; // what could not be removed, one line each
    // The folders below which a path's levels are checked for links (empty
    // when unknown).
    char commonAppData[kPathBufferSize];
    char windowsFolder[kPathBufferSize];
    // The "system.ini" screen saver entry before anything was removed, and
    // the listed file it names (empty when none).
    char entryValue[kPathBufferSize];
    char namedFile[kPathBufferSize];
};

// The whole uninstall; returns the exit code.
int RunUninstall(UninstallRun *run);

// Calls handler for every path the install log lists; returns the number of
// paths (0 when the log is missing or empty).
int ForEachListedFile(const char *logPath, LogLineHandler handler, void *context);
// Deletes one listed file; a missing file is fine.  Returns 0 when the file
// is still there afterwards.
int RemoveListedFile(const char *path);

// Notes the run's link bases: the common application data folder and the
// Windows folder.
void FindLinkBases(UninstallRun *run);
// 1 when a level of path below the link base that holds it (below its root
// when none does) is a junction, symbolic link or mount point: the path is
// then left alone, since a delete would reach wherever the link leads.
int LeadsThroughLink(const UninstallRun *run, const char *path);

// The data folder's levels, innermost first, while they are empty.
void RemoveFolderLevels(const char *folder);

// The uninstaller's own file cannot be deleted while it runs: it is moved to
// the temporary folder and a temporary copy of the program, which deletes
// itself when it ends, removes it once this process has ended.  When the move
// is not possible the copy deletes the file where it is and removes the
// data folder's levels after it; *folderLeft is then 1.  Returns 0 when
// none of this could be set up (the file then stays).
int SetOwnFileAside(const UninstallRun *run, int *folderLeft);
// The clean-up step run by that temporary copy.
void RunCleanup(const UninstallSwitches *switches);

// Removes the uninstall key when it is this uninstaller's.  Returns 0 when
// the key is still there afterwards.
int RemoveUninstallKey(const UninstallRun *run);

// Looks at the "system.ini" screen saver entry before anything is removed,
// to learn whether it names one of the listed files.
void NoteScreenSaverEntry(UninstallRun *run, const char *logPath);
// Removes the entry and switches the screen saver off when the file it
// names is gone.  Returns 0 when the entry could not be removed.
int ClearScreenSaverEntry(UninstallRun *run);

// Message boxes with the uninstall caption; in silent mode nothing is
// shown and the answer is yes.
int AskUser(const UninstallRun *run, const char *text);
void TellUser(const UninstallRun *run, const char *text, UINT icon);

#endif
