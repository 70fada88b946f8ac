// The stored copy: a stored block written to its file through one buffer,
// with the message pump step and the abort test between chunks.  Portable,
// so that the unit tests run it over real files.
#ifndef ENGINE_STORED_COPY_H
#define ENGINE_STORED_COPY_H

#include "package/package_format.h"
#include "package/platform.h"

enum { kCopyChunkSize = 2048, kPumpInterval = 102400 };

// Copies the record's block through the manifest handle into destination
// (created, or truncated), kCopyChunkSize bytes at a time through buffer.
void CopyStoredBlock(HFILE manifest, const FileRecord *record, const char *destination, char *buffer);

#endif
