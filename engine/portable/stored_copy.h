// The stored copy: a stored block written to its file through one buffer,
// with the caller's pump step between chunks.  Portable, so that the unit
// tests run it over real files.
#ifndef ENGINE_STORED_COPY_H
#define ENGINE_STORED_COPY_H

#include "package/package_format.h"
#include "package/platform.h"
#include "package/pump_hook.h"

enum { kCopyChunkSize = 2048 };

// Copies the record's block through the manifest handle into destination
// (created, or truncated), kCopyChunkSize bytes at a time through buffer,
// running pump's step after the first chunk and after each chunk that
// passes a further kPumpInterval bytes, and stopping when it asks to.  A
// write that falls short ends the copy at once.  Returns how it ended.
CopyEnd CopyStoredBlock(HFILE manifest, const FileRecord *record, const char *destination, char *buffer,
                        const PumpHook *pump);

#endif
