// Where "scrpack build" may write its package: only a regular file is ever
// replaced, in a folder scrpack can write, and the package gets the
// permission bits a compiler would give it.
#ifndef SCRPACK_COMMANDS_OUTPUT_CHECKS_H
#define SCRPACK_COMMANDS_OUTPUT_CHECKS_H

#include <string>

// The faults of the output's place, one line, before any work: a name
// that ends in a separator; something there that is no regular file (a
// folder, a symbolic link, a device, a FIFO, a socket); a folder that does
// not exist, is no folder, or where no file can be made (tried with a
// temporary file, made and removed).  Empty when the output may be
// written there.
std::string CheckOutputPlace(const std::string &output);

// The permission bits for the package: a replaced file keeps its own, a
// new one gets 0777 less the umask.
unsigned OutputMode(const std::string &output);

#endif
