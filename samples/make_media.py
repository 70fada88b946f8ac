#!/usr/bin/env python3
"""Writes the sample screen saver's companion files into a folder:

  <name>.dat  the data file the screen saver reads its settings from
  <name>.wav  a short chime (22,050 Hz, 16-bit, mono)
  <name>.mid  a short tune (standard MIDI file, format 0)
  <name>.ico  the screen saver's own icon, a paper lantern (32 and 16 pixels)

Only integer arithmetic is used, so the bytes are the same on every machine
and every run."""
import struct
import sys

RATE = 22050


def sine(phase, period):
    """A sine of the given phase (0 <= phase < period) scaled to +-32767, by
    a rational approximation that needs no floating point."""
    half = period // 2
    negative = phase >= half
    t_num = phase - half if negative else phase  # t = t_num / half in [0, 1)
    # sin(pi t) ~ 16 t (1 - t) / (5 - 4 t (1 - t))
    p = t_num * (half - t_num)  # t(1-t) * half^2
    value = 16 * p * 32767 // (5 * half * half - 4 * p)
    return -value if negative else value


def chime():
    """Three partials of a struck bell, dying away over 0.8 s."""
    samples = RATE * 8 // 10
    partials = [(880, 12000), (1320, 7000), (2200, 3500)]  # (Hz, amplitude)
    envelope = 1 << 16
    decay = 65536 - 16  # per sample, in 1/65536
    out = bytearray()
    for n in range(samples):
        mixed = 0
        for freq, amplitude in partials:
            mixed += amplitude * sine((n * freq) % RATE, RATE) // 32767
        attack = min(n, 110) * 65536 // 110
        value = mixed * envelope // 65536 * attack // 65536
        value = max(-32767, min(32767, value))
        out += struct.pack("<h", value)
        envelope = envelope * decay // 65536
    return out


def wav(samples):
    data_size = len(samples)
    header = b"RIFF" + struct.pack("<I", 36 + data_size) + b"WAVE"
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16)
    return header + fmt + b"data" + struct.pack("<I", data_size) + bytes(samples)


def variable_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def tune():
    """A pentatonic evening tune on a celesta, about eight seconds long."""
    quarter = 96
    melody = [(72, 1), (74, 1), (76, 2), (79, 1), (76, 1), (74, 2),
              (72, 1), (69, 1), (67, 2), (69, 1), (72, 1), (74, 2),
              (76, 1), (79, 1), (81, 2), (79, 1), (76, 1), (72, 4)]
    events = bytearray()
    events += variable_length(0) + bytes([0xFF, 0x51, 0x03]) + (500000).to_bytes(3, "big")
    events += variable_length(0) + bytes([0xC0, 8])  # celesta
    for note, beats in melody:
        events += variable_length(0) + bytes([0x90, note, 80])
        events += variable_length(beats * quarter) + bytes([0x80, note, 0])
    events += variable_length(0) + bytes([0xFF, 0x2F, 0x00])
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, quarter)
    return header + b"MTrk" + struct.pack(">I", len(events)) + bytes(events)


def data_file():
    return b"[Lanterns]\r\nCount=24\r\nSpeed=3\r\n"


def lantern_pixel(x, y, size):
    """The icon's colour at (x, y) of a size-by-size square, as (blue, green,
    red, alpha): a glowing orange lantern with dark caps on a clear ground.
    Coordinates are scaled to a 32-unit grid."""
    gx, gy = x * 32 // size, y * 32 // size
    dx = abs(2 * gx - 31)  # 0 at the centre column, 31 at the edges
    if gy in (4, 5) and dx <= 9 or gy in (26, 27) and dx <= 9:
        return (40, 30, 60, 255)  # the caps
    if 2 <= gy <= 3 and dx <= 1:
        return (40, 30, 60, 255)  # the string
    if 6 <= gy <= 25:
        # An ellipse-like body: widest in the middle rows.
        middle = abs(2 * gy - 31)
        half_width = 24 - middle * middle // 32
        if dx <= half_width:
            warm = 255 - middle * 3
            return (20, warm * 150 // 255, warm, 255)
    return (0, 0, 0, 0)


def icon():
    """An .ico file with 32-bit images (alpha) of 32 and 16 pixels."""
    images = []
    for size in (32, 16):
        header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
        # Bottom row first; the AND mask is all zero (alpha decides).
        pixels = b"".join(bytes(lantern_pixel(x, y, size)) for y in reversed(range(size)) for x in range(size))
        mask = bytes((size + 31) // 32 * 4 * size)
        images.append((size, header + pixels + mask))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(image for _, image in images)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_media.py FOLDER NAME")
    folder, name = sys.argv[1], sys.argv[2]
    for extension, content in ((".dat", data_file()), (".wav", wav(chime())), (".mid", tune()), (".ico", icon())):
        with open(f"{folder}/{name}{extension}", "wb") as out:
            out.write(content)


if __name__ == "__main__":
    main()
