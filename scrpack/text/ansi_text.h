// Texts that go into a package: the display name, the licence and the
// name tails of the data files.  Texts given in UTF-8 are converted to the
// Windows-1252 code page that the installer shows them in.
#ifndef SCRPACK_TEXT_ANSI_TEXT_H
#define SCRPACK_TEXT_ANSI_TEXT_H

#include <string>

// Converts UTF-8 to Windows-1252.  Fails on malformed UTF-8 and on
// characters that Windows-1252 lacks, naming the first one.
bool Utf8ToAnsi(const std::string &utf8, std::string *ansi, std::string *error);

// The reverse, for showing package texts on a UTF-8 terminal; the five
// unassigned codes become U+FFFD.
std::string AnsiToUtf8(const std::string &ansi);

// Drops a leading UTF-8 byte order mark.
std::string StripByteOrderMark(const std::string &text);

// Turns every line feed that has no carriage return before it into CR LF:
// the licence's edit control breaks lines only at CR LF.
std::string ToCrLf(const std::string &text);

// Checks a display name (already in the ANSI code page) for use as a file
// and folder name: the installer builds "<name>.scr" in the Windows
// directory and a data folder "<name>" from it.
bool CheckScreenSaverName(const std::string &name, std::string *error);

// The 16-byte name tail of a data file: its extension (from the last "."
// of the base name, letters upper-cased) followed by zero bytes, and the
// prefix selector in byte 15.
bool MakeNameTail(const std::string &sourcePath, char prefixSelector, char tail[16], std::string *error);

// A tail given as text (at most 15 bytes, taken as it is; spaces allowed,
// no control or path characters), zero-padded, with the selector in byte 15.
bool MakeGivenNameTail(const std::string &text, char prefixSelector, char tail[16], std::string *error);

// The tail written into records 0 to 2, which the installer ignores:
// ".TMP" and spaces.
void MakeFixedNameTail(char tail[16]);

#endif
