// ReadScreenSaverNameAt: the name field, the first the installer reads.
#include <string.h>

#include "package/manifest.h"

void ReadScreenSaverNameAt(HFILE manifest, char *name)
{
    if (SkipLicense(manifest)) {
        char field[kNameFieldSize];
        UINT got = _lread(manifest, field, sizeof field);
        if (got != (UINT)HFILE_ERROR && got > 0) {
            // A damaged field may lack its NUL, or be cut short by the end
            // of the file: the name is always terminated within 260 bytes.
            memset(name, 0, kNameFieldSize);
            memcpy(name, field, got < sizeof field ? got : sizeof field);
            name[kNameFieldSize - 1] = '\0';
        }
    }
}
