#!/usr/bin/env python3
"""Writes installer.ico: one 32x32, 16-colour image (744 bytes of image data).

The picture is a four-pointed spark on a dark blue disc.  Run it again to
regenerate the committed icon; the output depends on nothing but this file.
"""
import struct
import sys

SIZE = 32
# The standard 16-colour palette (B, G, R, 0).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
DARK_BLUE, GREY, YELLOW, WHITE = 4, 8, 11, 15  # indices as (R,G,B) above read as B,G,R


def pixel(x, y):
    """Colour index at (x, y), y counted from the top; None is transparent."""
    cx, cy = x - 15.5, y - 15.5
    d2 = cx * cx + cy * cy
    ax, ay = abs(cx), abs(cy)
    if ax * ay < 6 and ax + ay < 14:
        return WHITE if ax + ay < 5 else YELLOW
    if d2 <= 15.5 * 15.5:
        return DARK_BLUE if d2 < 14 * 14 else GREY
    return None


def main(path):
    colour = bytearray()
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):  # bottom-up rows
        row = [pixel(x, y) for x in range(SIZE)]
        for x in range(0, SIZE, 2):
            a, b = row[x] or 0, row[x + 1] or 0
            colour.append(a << 4 | b)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + table + bytes(colour) + bytes(mask)
    assert len(image) == 744, len(image)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(icondir + entry + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "installer.ico")
