"""Small media files made on the spot for the media check tests: each is
the least that the system's media layer accepts as its type."""
import io, struct, wave

def le32(v): return struct.pack("<I", v)

def wav_bytes():
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1); w.setsampwidth(1); w.setframerate(8000)
        w.writeframes(b"\x80" * 800)
    return out.getvalue()

def midi_bytes():
    track = bytes([0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00])
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track)) + track

def _chunk(fourcc, data):
    return fourcc + le32(len(data)) + data + (b"\0" if len(data) % 2 else b"")

def avi_bytes(width=8, height=8, frames=2):
    size = width * height * 3
    avih = struct.pack("<14I", 100000, size * 10, 0, 0x10, frames, 0, 1, size, width, height, 0, 0, 0, 0)
    strh = b"vids" + b"DIB " + struct.pack("<IHHIIIIIIiI", 0, 0, 0, 0, 1, 10, 0, frames, size, -1, 0) + struct.pack("<4h", 0, 0, width, height)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, size, 0, 0, 0, 0)
    strl = _chunk(b"LIST", b"strl" + _chunk(b"strh", strh) + _chunk(b"strf", strf))
    hdrl = _chunk(b"LIST", b"hdrl" + _chunk(b"avih", avih) + strl)
    frame = _chunk(b"00db", b"\x40" * size)
    movi = _chunk(b"LIST", b"movi" + frame * frames)
    index = b"".join(b"00db" + struct.pack("<III", 0x10, 4 + i * len(frame), size) for i in range(frames))
    body = b"AVI " + hdrl + movi + _chunk(b"idx1", index)
    return b"RIFF" + le32(len(body)) + body

def mp3_bytes(frames=40):
    # MPEG-1 layer III, 128 kbit/s, 44.1 kHz, mono, no CRC: 417-byte frames;
    # all-zero side information decodes to silence.
    return (bytes([0xFF, 0xFB, 0x90, 0xC4]) + b"\0" * 413) * frames

def bogus_bytes():
    return b"This is not a media file.\r\n" * 20
