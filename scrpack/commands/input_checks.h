// The checks "scrpack build" (and --dry-run) makes before it packs: an
// output that would destroy an input is refused, and so is a screen saver
// that Windows could never run; what would surprise the author or the end
// user is warned of, and the build goes on.
#ifndef SCRPACK_COMMANDS_INPUT_CHECKS_H
#define SCRPACK_COMMANDS_INPUT_CHECKS_H

#include <string>
#include <vector>

#include "scrpack/commands/command_line.h"
#include "scrpack/package_file/package_writer.h"

// The output's faults, one line: the same file as any input however it
// is named (a link or another spelling included), anything but a regular
// file, read-only, or in a folder that does not exist or can't be written
// (CheckOutputPlace).  Empty when it may be written.
std::string CheckOutput(const Options &options);

// The screen saver's image: false with the reason when it is no Windows
// program, or a DLL; otherwise a warning each when it is no GUI program, is 64-bit,
// or lacks the description string (string resource 1) that Windows lists
// screen savers by.
bool CheckScreenSaverImage(const Bytes &image, std::vector<std::string> *warnings, std::string *error);

// Warnings about the files and names: a data file type that Windows'
// media layer does not open out of the box, a tail without a dot, a file
// given twice, an output not ending in ".exe".
void WarnAboutNames(const Options &options, const PackageInput &spec, std::vector<std::string> *warnings);

#endif
