"""scrpack: its command line, and its packages as the installer sees them.

The command-line cases run natively.  The last case packs the win64
installer and runs the package under wine64: the installer must find the
manifest behind its own image and show the name, the byte total and the
licence exactly as scrpack converted them.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

NAME = "Aurora Caf\u00e9"
LICENCE = "Line one\nLine two \u00e9\n"


def scrpack(*args):
    return subprocess.run([harness.SCRPACK, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, encoding="utf-8", timeout=120)


class Files:
    """A screen saver's files in a temporary folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="scrpack-")
        self.saver = self.write("saver.scr", os.urandom(5000))
        self.data = self.write("saver.dat", b"".join(b"%d\n" % i for i in range(2000)))
        self.uninstaller = self.write("uninst.exe", b"MZ" + bytes(3000))
        self.song = self.write("song.mid", b"MThd" + bytes(range(256)) * 4)
        self.picture = self.write("view.jpeg", b"\xff\xd8\xff" + b"pixels" * 50)
        self.licence = self.write("licence.txt", LICENCE.encode("utf-8"))
        self.output = os.path.join(self.root, "package.exe")

    def write(self, name, data):
        path = os.path.join(self.root, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def inputs(self):
        return [self.saver, self.data, self.uninstaller, self.song, self.picture]

    def total(self):
        return sum(os.path.getsize(p) for p in self.inputs())

    def pack(self, *extra, name=NAME, stub=None):
        return scrpack("--stub", stub or harness.INSTALLER, "--name", name, "-o", self.output, *extra)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.files = Files()
        self.addCleanup(self.files.close)

    def test_builds_and_lists_a_package(self):
        f = self.files
        proc = f.pack("--license", f.licence, "--first-number", "16", *f.inputs())
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertTrue(os.access(f.output, os.X_OK))
        listing = scrpack("--list", f.output)
        self.assertEqual(listing.returncode, 0, listing.stderr)
        lines = listing.stdout.splitlines()
        self.assertIn(f"name: {NAME}", lines)
        self.assertIn("licence: 22 bytes", lines)  # CR LF line ends, one byte for the accent
        self.assertIn("first file number: 16", lines)
        rows = [line.split(None, 5) for line in lines[5:]]
        self.assertEqual([row[5] for row in rows],
                         [f"{NAME}.scr", f"{NAME}.dat", "UNINSTAL.EXE", "FILE0016.MID", "FILE0017.JPEG"])
        # Random bytes stay stored; text is packed when that makes it smaller.
        self.assertEqual(rows[0][4], "stored")
        self.assertEqual((rows[1][4], int(rows[1][3])), ("packed", os.path.getsize(f.data)))
        self.assertLess(int(rows[1][2]), os.path.getsize(f.data))
        # Blocks follow each other and the last one ends the file.
        end = int(rows[0][1])
        for row in rows:
            self.assertEqual(int(row[1]), end)
            end += int(row[2])
        self.assertEqual(end, os.path.getsize(f.output))

    def test_store_and_prefix_options(self):
        f = self.files
        proc = f.pack("--store", "--prefix", "JUK_", "--first-number", "0", *f.inputs())
        self.assertEqual(proc.returncode, 0, proc.stderr)
        rows = [line.split(None, 5) for line in scrpack("--list", f.output).stdout.splitlines()[5:]]
        self.assertEqual({row[4] for row in rows}, {"stored"})
        self.assertEqual([row[5] for row in rows[3:]], ["JUK_0000.MID", "JUK_0001.JPEG"])
        for row, path in zip(rows, f.inputs()):
            self.assertEqual(int(row[2]), os.path.getsize(path))

    def test_build_command_names_each_data_file(self):
        f = self.files
        proc = harness.build_package(f.output, NAME, f.saver, f.data, f.uninstaller,
                                     media=[(f.song, ".MID", "JUK_"), (f.picture, None, "JUKE"),
                                            (f.song, ".WAV  ", None), f.picture],
                                     licence=f.licence, first_number=7)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        listing = scrpack("list", f.output)
        self.assertEqual(listing.returncode, 0, listing.stderr)
        lines = listing.stdout.splitlines()
        self.assertIn("licence: 22 bytes", lines)
        self.assertEqual([line.split(None, 5)[5] for line in lines[8:]],
                         ["JUK_0007.MID", "JUKE0008.JPEG", "FILE0009.WAV  ", "FILE0010.JPEG"])
        for media in ["x", "%s:.MID:ABCD" % f.song, "%s:.M/D" % f.song, "%s:.ABCDEFGHIJKLMNOP" % f.song]:
            with self.subTest(media=media):
                proc = scrpack("build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", f.saver,
                               "--data", f.data, "--uninstaller", f.uninstaller, "--media", media, "-o", f.output)
                self.assertIn(proc.returncode, (1, 2), proc.stderr)

    def test_refusals_leave_no_package_and_keep_an_old_one(self):
        f = self.files
        empty = f.write("empty.mid", b"")
        wide = f.write("wide.txt", "\u4e2d".encode("utf-8"))
        base = f.inputs()[:4]
        cases = [  # (scrpack arguments before the files, files, keyword arguments, expected message)
            ((), base, {"name": "..\\..\\evil"}, "name"),
            ((), base, {"name": "CON"}, "reserved"),
            ((), base, {"name": "Caf\u00e9\u4e2d"}, "U+4E2D"),
            (("--license", wide), base, {}, "U+4E2D"),
            (("--first-number", "65535"), f.inputs(), {}, "65535"),
            ((), base[:3] + [empty], {}, "empty"),
            ((), base, {"stub": harness.SCRPACK}, "not an executable"),
        ]
        for options, inputs, keywords, message in cases:
            with self.subTest(message=message):
                proc = f.pack(*options, *inputs, **keywords)
                self.assertEqual(proc.returncode, 1, proc.stderr)
                self.assertIn(message, proc.stderr)
                self.assertFalse(os.path.exists(f.output))
        # A failed run does not touch an existing package, nor leave a
        # temporary file beside it.
        with open(f.output, "wb") as old:
            old.write(b"old package")
        proc = f.pack(*f.inputs()[:3], empty)
        self.assertEqual(proc.returncode, 1)
        with open(f.output, "rb") as old:
            self.assertEqual(old.read(), b"old package")
        self.assertEqual(sorted(os.listdir(f.root)), sorted(
            ["saver.scr", "saver.dat", "uninst.exe", "song.mid", "view.jpeg", "licence.txt", "package.exe",
             "empty.mid", "wide.txt"]))

    def test_usage_errors(self):
        f = self.files
        for args in [(), ("--name", NAME, "-o", f.output, *f.inputs()),
                     ("--stub", harness.INSTALLER, "--name", NAME, "-o", f.output, f.saver, f.data),
                     ("--prefix", "XYZ"), ("--first-number", "70000"), ("--list", f.output, f.saver)]:
            with self.subTest(args=args):
                proc = scrpack(*args)
                self.assertEqual(proc.returncode, 2, proc.stderr)
                self.assertIn("usage:", proc.stderr)
        self.assertEqual(scrpack("--help").returncode, 0)


class UnderWine(unittest.TestCase):
    def test_silent_install_gives_back_every_file_stored_or_packed(self):
        files = Files()
        self.addCleanup(files.close)
        # Beyond the 16384-byte read and write buffers and the 102400-byte
        # pump interval: one file that packs well and one that stays stored.
        text = files.write("notes.txt", b"".join(b"line %06d of the notes\r\n" % i for i in range(12000)))
        noise = files.write("noise.bin", os.urandom(150000))
        inputs = [files.saver, files.data, files.uninstaller, text, noise, files.song]
        proc = harness.build_package(files.output, "Aurora", *inputs[:3], media=inputs[3:])
        self.assertEqual(proc.returncode, 0, proc.stderr)
        listing = scrpack("list", files.output).stdout.splitlines()
        methods = [line.split(None, 5)[4] for line in listing[5:]]
        self.assertEqual(methods[3:5], ["packed", "stored"])
        with harness.gui_prefix() as prefix:
            prefix.put(files.output, "C:\\package.exe")
            code, transcript = prefix.drive("C:\\package.exe", "/S", ["Missing support codecs => Cancel"])
            self.assertEqual(code, 0, transcript)
            log_path = prefix.host_path("C:\\ProgramData\\Quillmoor\\Glimmerkit\\Aurora\\INSTALL.LOG")
            with open(log_path, "rb") as log:
                installed = log.read().decode("latin-1").split("\r\n")[:-1]
            self.assertEqual(len(installed), len(inputs), installed)
            self.assertTrue(installed[0].lower().endswith("\\windows\\aurora.scr"), installed[0])
            for path, source in zip(installed, inputs):
                with open(prefix.host_path(path), "rb") as got, open(source, "rb") as want:
                    self.assertEqual(got.read(), want.read(), path)


    def test_installer_shows_the_packed_name_total_and_licence(self):
        files = Files()
        self.addCleanup(files.close)
        proc = files.pack("--license", files.licence, *files.inputs())
        self.assertEqual(proc.returncode, 0, proc.stderr)
        with harness.gui_prefix() as prefix:
            prefix.put(files.output, "C:\\package.exe")
            code, transcript = prefix.drive("C:\\package.exe", None,
                                            ["This program will install => OK", "License Agreement => Decline"])
        self.assertEqual(code, 0, transcript)
        total = f"{files.total():,}"
        self.assertIn('caption "Aurora Caf\\xE9 Screen Saver Installation"', transcript)
        self.assertRegex(transcript, re.escape(f"install Aurora Caf\\xE9 Screen Saver to ") + r".*" +
                         re.escape(f"This installation will take {total} bytes."))
        self.assertIn('control Edit 1009: "Line one\\r\\nLine two \\xE9\\r\\n"', transcript)
        self.assertIn("exit code 0", transcript)


if __name__ == "__main__":
    unittest.main()
