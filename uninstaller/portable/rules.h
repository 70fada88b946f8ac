// The uninstaller's pure rules: reading the install log, naming the data
// folder's levels, comparing paths, the command line and the report list.
// Nothing here touches the system, so the same code builds natively for the
// unit tests.  Every function that writes text takes the destination's full
// capacity (terminating NUL included) and never writes past it.
#ifndef UNINSTALLER_RULES_H
#define UNINSTALLER_RULES_H

#include <stddef.h>

#include "package/path_buffer.h"

// ---- Install log lines ---------------------------------------------------
// The log is read in pieces of any size; each complete line that names a
// file we may remove is handed to the handler.  Lines end in LF (a CR before
// it is dropped); empty lines, lines too long for a path buffer and lines
// that fail IsRemovablePath are skipped.
typedef void (*LogLineHandler)(const char *path, void *context);

struct LogLineState {
    // A path of up to 259 characters and the CR of its line end.
    char line[kPathBufferSize + 1];
    size_t length;
    int overLong;
};

void LogLinesStart(LogLineState *state);
void LogLinesFeed(LogLineState *state, const char *data, size_t size, LogLineHandler handler,
                  void *context);
// Hands over a last line that has no line end.
void LogLinesFinish(LogLineState *state, LogLineHandler handler, void *context);

// 1 for a full path of a file: a drive letter, a colon and a backslash, or a
// UNC path ("\\server\share\..."), with no wildcard or other character that
// a file name cannot hold, no "." or ".." level and no trailing backslash.
int IsRemovablePath(const char *path);

// ---- The uninstaller's own place -------------------------------------------
// Splits the uninstaller's own full path into its folder (without trailing
// backslash) and that folder's last level, the base name of the screen
// saver.  Returns 0 when the path has no folder level or a part does not fit.
int SplitOwnPath(const char *ownPath, char *folder, size_t folderCapacity, char *baseName,
                 size_t baseCapacity);

enum { kDataFolderLevels = 3 };

// The folder levels the uninstall removes when they are empty, innermost
// first: the data folder itself, its parent "Glimmerkit" and that one's
// parent "Quillmoor" (names compared without regard to case).  Returns 3, or
// 0 when the folder does not lie at ...\Quillmoor\Glimmerkit\<base name>:
// then no folder is ours to remove.
int DataFolderLevels(const char *folder, char levels[kDataFolderLevels][kPathBufferSize]);

// ---- Paths -----------------------------------------------------------------
// Paths compared the way the file system does for ANSI names: letters A to Z
// match their lower-case forms, everything else must be equal.
int SamePath(const char *a, const char *b);

// 1 when a "system.ini" value names the file given by its long path or, when
// not empty, its short (8.3) path.  Spaces and one pair of double quotes
// around the value are ignored.
int EntryNamesFile(const char *value, const char *longPath, const char *shortPath);

// ---- Command line --------------------------------------------------------
struct UninstallSwitches {
    int silent;
    // The clean-up step that runs from a temporary copy after the
    // uninstaller has ended: it waits for the process behind parentHandle,
    // deletes cleanupFile and, when cleanupFolder is not empty, removes that
    // data folder's levels where they are empty.
    int cleanup;
    unsigned long long parentHandle;
    char cleanupFile[kPathBufferSize];
    char cleanupFolder[kPathBufferSize];
};

#define TEXT_CLEANUP_SWITCH "/glimmerkit-cleanup"

// Reads the command line (without the program's name).  "/s", "/S", "-s" or
// "-S" as a word of its own selects silent mode; other words are ignored.
// A line that starts with the clean-up switch must carry a handle number and
// one or two quoted or plain paths; returns 0 when it does not (then nothing
// is to be done), 1 otherwise.
int ParseUninstallSwitches(const char *commandLine, UninstallSwitches *switches);

// ---- Report list ---------------------------------------------------------
// Appends item and CR LF to a list of things that could not be removed,
// unless the list already holds that line.  When the line does not fit,
// "...", CR LF ends the list once and later items are dropped.
void AddToReport(char *list, size_t capacity, const char *item);

#endif
