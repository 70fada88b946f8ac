// "scrpack list", "scrpack verify" and "scrpack extract": each returns
// the exit status (0 sound, 1 damaged or failed) and prints one line per
// fault.
#ifndef SCRPACK_COMMANDS_CHECK_COMMANDS_H
#define SCRPACK_COMMANDS_CHECK_COMMANDS_H

#include <cstdio>
#include <string>

#include "scrpack/package_file/opened_package.h"

// Opens the package at path with its signature, as each of them does
// first; prints why on err and fails when it can't be read.
bool OpenCheckedPackage(const std::string &path, OpenedPackage *package, SignatureStatus *signature, std::FILE *err);

// Prints the manifest (name, licence size, first file number, where it
// starts, whether the package is signed, a line per record) on out, and
// warnings and faults on err.
int ListCommand(const std::string &package, std::FILE *out, std::FILE *err);

// Decodes every block and prints, per record, whether it expands to its
// size, and how many zero bits past the block's end its code takes; then
// whether the PE checksum shows the whole file intact (a mismatch is
// damage; a package without one is checked by its records alone).
int VerifyCommand(const std::string &package);

// Writes every file into directory (made when missing) under the name the
// installer gives it.  All or nothing: nothing is written when the PE
// checksum fails, and files are written to temporary names and put in
// place only when every record is sound.
int ExtractCommand(const std::string &package, const std::string &directory);

#endif
