// The running installer's own file: where it is, and the package it
// carries read from it (the manifest, the screen saver's name, the
// integrity record).
#ifndef ENGINE_OWN_FILE_H
#define ENGINE_OWN_FILE_H

#include <stddef.h>

#include "package/integrity.h"
#include "package/platform.h"

// Fills path with the own file's path; returns 0, leaving path empty, when
// there is none or it does not fit (a cut path would name some other file).
int OwnFilePath(char *path, size_t capacity);

// The own file's manifest at its first byte, or HFILE_ERROR; the caller
// closes it.
HFILE OpenManifest(void);

// Fills the 260-byte buffer with the screen saver's name from the own
// manifest, always zero-terminated; leaves it as it was when the manifest
// can't be reached.
void ReadScreenSaverName(char *name);

// The own file checked against its integrity record.
IntegrityEnd CheckOwnIntegrity(void);

#endif
