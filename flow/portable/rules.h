// The flow's portable rules: the install mode switch, the number
// formatting, the package's byte total, the free-space arithmetic and the
// replace check's names.  They build natively as well, for the unit tests
// and fuzzers; the Windows steps that use them are declared in flow/checks.h
// and flow/install_sequence.h.
#ifndef FLOW_PORTABLE_RULES_H
#define FLOW_PORTABLE_RULES_H

#include <stddef.h>
#include <stdint.h>

#include "package/package_format.h"
#include "package/platform.h"

// How the install meets the user: Interactive shows its questions and
// messages; Silent, chosen on the command line, leaves most of them out.
enum InstallMode { kInstallModeSilent = 1, kInstallModeInteractive = 2 };

// The first "/" in the line, or when there is none the first "-", followed
// by S or s selects Silent; anything else stays Interactive.
InstallMode ParseInstallMode(const char *commandLine);

enum { kFormattedNumberSize = 32 };

// Writes value in decimal with thousands commas into a buffer of at least
// kFormattedNumberSize bytes and returns the buffer.
char *FormatThousands(uint32_t value, char *buffer);

// From the manifest's first byte: walks the file records up to the
// terminator and returns the sum of their installed sizes, held at
// 0xFFFFFFFF when it would pass 4 GiB.  A manifest cut short sums what it
// holds.
uint32_t SumInstalledSizes(HFILE manifest);

// The free-space query measures the part of the directory's first
// kMeasuredPrefixLength characters up to their last backslash.
enum { kMeasuredPrefixLength = 32, kMeasuredRootSize = kMeasuredPrefixLength + 1 };

// Free space in kilobytes; this value stands for a failed query.
static const uint32_t kFreeSpaceUnknown = 0xFFFFFFFFu;

// A byte count as whole kilobytes in 32 bits; counts of 4 TiB and more
// are held just below kFreeSpaceUnknown.
uint32_t KilobytesFromBytes(uint64_t bytes);

// The root to measure for directory: its first kMeasuredPrefixLength
// characters cut just after their last backslash, written into root
// (kMeasuredRootSize bytes).  Returns root, or NULL (the current drive)
// when nothing names a drive.
const char *MeasuredRoot(const char *directory, char *root);

// The file name the replace check looks up and names in its question:
// name without its trailing spaces, then ".SCR".  fileName holds at least
// kLookupNameSize bytes, enough for every stored name.
enum { kLookupNameSize = kNameFieldSize + 4 };
char *BuildLookupName(char *fileName, const char *name);

// directory, a backslash unless it ends in one, then fileName.  Returns 1
// when the whole path fit in capacity; otherwise path is emptied.
int BuildLookupPath(char *path, size_t capacity, const char *directory, const char *fileName);

#endif
