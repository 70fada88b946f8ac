"""A package whose records are all compressed installs byte-identical
files under Wine: the installer's decoder against scrpack's encoder, on
files large enough for several message pump steps and tree rebuilds."""
import math
import os
import random
import shutil
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import media_samples  # noqa: E402

NAME = "Tidepool"
INSTALLER_PATH = "C:\\setup\\tidepool.exe"


def program_bytes(rng, size):
    """Machine-code-like bytes: short instruction patterns with varying
    operands."""
    out = bytearray(b"MZ" + bytes(62))
    while len(out) < size:
        out += bytes([0x55, 0x8B, 0xEC, 0x83, 0xEC, 4 * rng.randrange(1, 16)])
        for _ in range(rng.randrange(4, 30)):
            out += rng.choice([bytes([0x8B, 0x45, 256 - 4 * rng.randrange(1, 9)]),
                               bytes([0xE8]) + struct.pack("<i", rng.randrange(-60000, 60000)),
                               bytes([0x6A, rng.randrange(256)]),
                               bytes([0x85, 0xC0, 0x74, rng.randrange(64)])])
        out += bytes([0x8B, 0xE5, 0x5D, 0xC3])
    return bytes(out[:size])


def text_bytes(rng, size):
    words = ("the of and to a in is that it was for on are with as screen saver light colour "
             "stars drift across the quiet evening water while fish glide past the glass").split()
    out = []
    length = 0
    while length < size:
        sentence = " ".join(rng.choice(words) for _ in range(rng.randrange(4, 16))).capitalize() + ". "
        out.append(sentence)
        length += len(sentence)
    return "".join(out).encode("ascii")[:size]


def wav_bytes(rng, seconds):
    """16-bit stereo PCM at 22050 Hz: two tones and a little noise."""
    frames = bytearray()
    for n in range(int(22050 * seconds)):
        t = n / 22050
        left = 6000 * math.sin(2 * math.pi * 440 * t) + rng.randrange(-40, 40)
        right = 5000 * math.sin(2 * math.pi * 660 * t + 0.5) + rng.randrange(-40, 40)
        frames += struct.pack("<hh", int(left), int(right))
    fmt = struct.pack("<HHIIHH", 1, 2, 22050, 22050 * 4, 4, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(frames)) + frames
    return b"RIFF" + struct.pack("<I", len(body)) + body


class CompressedInstall(unittest.TestCase):
    def test_all_compressed_records_install_byte_identical_files(self):
        root = tempfile.mkdtemp(prefix="compressed-")
        self.addCleanup(shutil.rmtree, root, True)
        rng = random.Random(3)
        contents = {
            "saver.scr": harness.windows_program(program_bytes(rng, 180000)),
            "saver.dat": text_bytes(rng, 250000),       # tree rebuilds
            "uninstal.exe": program_bytes(rng, 40000),  # writes of 16384, 16384, 7232
            "music.wav": wav_bytes(rng, 3.5),           # several pump steps
            "theme.mid": media_samples.midi_bytes(),
            "clip.avi": media_samples.avi_bytes(),
        }
        paths = {}
        for name, data in contents.items():
            paths[name] = os.path.join(root, name)
            with open(paths[name], "wb") as f:
                f.write(data)
        package = os.path.join(root, "package.exe")
        media = [paths["music.wav"], paths["theme.mid"], paths["clip.avi"]]
        proc = harness.build_package(package, NAME, paths["saver.scr"], paths["saver.dat"], paths["uninstal.exe"],
                                     media=media)
        self.assertEqual(proc.returncode, 0, proc.stderr)

        listing = harness.scrpack("list", package).stdout
        rows = harness.listing_rows(listing)
        self.assertEqual(len(rows), 6, listing)
        self.assertEqual({row[4] for row in rows}, {"packed"}, listing)
        installed_names = [row[6] for row in rows]

        with harness.gui_prefix() as prefix:
            prefix.put(package, INSTALLER_PATH)
            code, transcript = prefix.drive(INSTALLER_PATH, "/S", timeout=120)
            self.assertEqual(code, 0, transcript)
            self.assertIn("exit code 0", transcript)
            self.assertNotIn("Missing support codecs", transcript)

            with open(os.path.join(prefix.windows, f"{NAME}.scr"), "rb") as f:
                self.assertEqual(f.read(), contents["saver.scr"])
            folders = [folder for folder, _, names in os.walk(prefix.drive_c) if "UNINSTAL.EXE" in names]
            self.assertEqual(len(folders), 1, folders)
            expected = dict(zip(installed_names[1:], [contents[n] for n in
                                                      ("saver.dat", "uninstal.exe", "music.wav", "theme.mid",
                                                       "clip.avi")]))
            for name, data in expected.items():
                with self.subTest(file=name):
                    with open(os.path.join(folders[0], name.rstrip()), "rb") as f:
                        self.assertEqual(f.read(), data)


if __name__ == "__main__":
    unittest.main()
