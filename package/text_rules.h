// Bounded text helpers shared by every layer of the installer and by
// scrpack.  Every function takes the destination's full capacity
// (terminating NUL included), never writes past it, and always leaves the
// text terminated.
#ifndef PACKAGE_TEXT_RULES_H
#define PACKAGE_TEXT_RULES_H

#include <stddef.h>

// Upper-cases the letters a to z only; every other byte stays.
char UpperAscii(char c);

// UpperAscii over a whole text, in place.
void UpperCaseAscii(char *text);

// Replaces trailing spaces by NULs until another character or the start.
void TrimTrailingSpaces(char *text);

// Replaces, in place, each character that can't stand in a file name
// (a control character or one of \ / : * ? " < > |) by '_', so that a text
// taken from the package stays one name: a damaged name or tail holding
// "..\" or "C:" would otherwise lead a path out of its folder.
void MakeFileNameSafe(char *text);

// Whether a name would not name a file or folder of its own: empty, or
// only dots and spaces, which the system drops or reads as "." and "..".
int IsBlankFileName(const char *text);

// Appends text.  Returns 1 when it fit whole; otherwise the destination is
// left unchanged and 0 is returned, so a path is never silently cut.
int AppendText(char *destination, size_t capacity, const char *text);

// Appends a backslash unless the text already ends in one (an empty text
// gets one).  Returns 1 when the result fits.
int AppendBackslash(char *destination, size_t capacity);

// Copies text, cutting it to capacity - 1 characters.  Returns 1 when the
// whole text fit.
int CopyText(char *destination, size_t capacity, const char *text);

#endif
