// What the elevated installer writes, only administrators may change
// (Windows only).  C:\ProgramData lets every user create folders and files,
// and a folder a user makes there belongs to that user; so each level of
// the data folder, and each file in it, is made or taken over with the
// descriptor of TEXT_ADMIN_ONLY_SDDL, and a link in the way stops the
// install before it writes anything.
#ifndef ENGINE_ADMIN_ONLY_H
#define ENGINE_ADMIN_ONLY_H

#include <windows.h>

#include <stddef.h>

// The descriptor of TEXT_ADMIN_ONLY_SDDL, built once per process on first
// use; NULL when it could not be built.
const SECURITY_ATTRIBUTES *AdminOnlyAttributes(void);

// Takes an existing folder over: its owner becomes Administrators and it
// gets the descriptor's protected DACL.  Both are set through handles to
// the folder itself, each checked to be a folder and no link.  Returns 0
// when the folder is missing, is a link or a file, or when either could not
// be set.
int TakeOverFolder(const char *folder);

// Replaces whatever file is at path (a link only loses the link) by a new,
// empty file with the descriptor, open for writing.  INVALID_HANDLE_VALUE
// when the old file could not be removed or the new one not created.
HANDLE CreateFreshFile(const char *path);

// CreateFreshFile, closed again: the file then gets its content written by
// the copy or the decoder, which keep the new file's owner and DACL.
// Returns 0 when it could not be made.
int ReplaceWithFreshFile(const char *path);

// The install log's way of CreateFreshFile: an existing file's content (not
// a link's) is carried over into the new file, which is left open at its
// end; *oldSize is that content's size, *created is 1 when there was none.
// INVALID_HANDLE_VALUE when the content could not be read or carried whole.
HANDLE RenewFileForAppend(const char *path, DWORD *oldSize, int *created);

// The check before the first write of a run: the screen saver's path in
// the Windows directory and every existing level of the data folder's
// chain must be no link, and the data folder's own levels that exist are
// taken over.  Returns 1 when all holds; otherwise refused names the path
// at fault (cut to capacity) and nothing was changed but the levels taken
// over before it.
int SecureInstallPlaces(const char *screenSaverFileName, char *refused, size_t capacity);

#endif
