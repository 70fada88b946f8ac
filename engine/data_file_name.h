// The names the extraction gives to the files it writes (portable rules).
#ifndef ENGINE_DATA_FILE_NAME_H
#define ENGINE_DATA_FILE_NAME_H

#include <stddef.h>
#include <stdint.h>

// The screen saver's file name cut at its last "." (the whole name when it
// has none).  Returns 1 when it fit in capacity.
int CopyBaseName(char *baseName, size_t capacity, const char *fileName);

// A generated data-file name for record recordIndex (3 and up):
// folder + prefix chosen by nameTail[15] + serial number (at least four
// digits, never cut) + nameTail[0..14] up to its first NUL, with trailing
// spaces removed from the whole path.  Returns 1 when the whole path fit;
// otherwise the path is emptied and 0 returned.
int BuildDataFileName(char *path, size_t capacity, const char *folder, uint16_t firstFileNumber,
                      int recordIndex, const char nameTail[16]);

#endif
