// FormatThousands: decimal digits with a comma between groups of three.
#include "flow/portable/rules.h"

// The value is unsigned: every 32-bit total, 2^31 and above included, is
// shown as the positive number it is (4294967295 is 4,294,967,295).  The
// longest result, 13 characters and a NUL, fits the 32-byte buffer.
char *FormatThousands(uint32_t value, char *buffer)
{
    char digits[11];
    int count = 0;
    do {
        digits[count++] = (char)('0' + value % 10); // least significant first
        value /= 10;
    } while (value != 0);

    int out = 0;
    for (int i = 0; i < count; i++) {
        buffer[out++] = digits[i];
        if (i % 3 == 2 && i + 1 < count)
            buffer[out++] = ',';
    }
    buffer[out] = '\0';
    for (int a = 0, b = out - 1; a < b; a++, b--) {
        char t = buffer[a];
        buffer[a] = buffer[b];
        buffer[b] = t;
    }
    return buffer;
}
