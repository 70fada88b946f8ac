// The expansion of a compressed block: the installer's decoder run from
// the package file into the block's destination, beside the stored copy.
// Portable, so that the unit tests run it over real files.
#ifndef ENGINE_EXPAND_FILE_H
#define ENGINE_EXPAND_FILE_H

#include "package/package_format.h"
#include "package/pump_hook.h"

// Expands the record's block of the package file at packagePath into
// destination (created, or truncated), running pump's step after the first
// symbol and every kPumpInterval bytes of output, and stopping when it asks
// to.  A block that can't be reached (no package path, a file that won't
// open, an offset the package format does not allow) ends as
// kCopyInputEnded before the destination is touched; a destination that
// can't be created, as kCopyNotStarted.  The decoder's state is its own, so
// one block is expanded at a time.
CopyEnd ExpandFile(const char *packagePath, const FileRecord *record, const char *destination,
                   const PumpHook *pump);

#endif
