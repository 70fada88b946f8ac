"""Packages with fields at or past their limits under Wine: a name field
of 260 bytes with no NUL, a name of 259 characters, a licence of 65,535
bytes and a licence length that runs past the end of the file, serial
numbers from 65,535 over many records, and no manifest at all ("LASTRES"
or ".rsrc" gone).  Each run must end by itself with exit code 0, show only
the design's windows and write only into the data folder and the Windows
directory (damage.Run.check); each test then pins what the user gets."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
from extraction_checks import noise, periodic  # noqa: E402

NAME = "Field Day"


class DamagedFields(damage.DamageTest):
    files = [harness.windows_program(periodic(6000, seed=1)), noise(3000, seed=2), periodic(4000, seed=3)]

    def build(self, name, media=(), **options):
        """A package of the three fixed files (and media); returns its bytes
        and listing."""
        path = self.inputs.package(name, ("saver.scr", self.files[0]), ("saver.dat", self.files[1]),
                                   ("uninst.exe", self.files[2]), media=media, **options)
        with open(path, "rb") as f:
            return bytearray(f.read()), damage.listing(path)

    def with_name_field(self, field):
        """A package whose 260-byte name field holds these bytes (scrpack
        refuses names that no file name can hold)."""
        data, info = self.build(NAME)
        data[info["manifest"] + 2:info["manifest"] + 262] = field
        return data

    def assert_installed(self, run, name, count=3):
        folder = run.data_folder
        paths = [f"{self.windows}\\{name}.scr", f"{folder}{name}.dat", f"{folder}UNINSTAL.EXE"]
        self.assertEqual(run.log()[:3], paths)
        self.assertEqual(len(run.log()), count)
        for path, content in zip(paths, self.files):
            self.assertEqual(run.read(path), content, path)

    def assert_nothing_installed(self, run, caption):
        """Only the (hidden) progress dialog, no file written, the user's
        screen saver left alone."""
        self.assertEqual(run.captions(), [caption], run.transcript)
        self.assertEqual([path for path in run.changed if not path.startswith("setup")], [])
        self.assertIsNone(damage.boot_entry(self.prefix))

    def test_name_field_without_a_nul(self):
        # Letters to the last byte: the name is cut at 259 characters, like
        # the longest name below.
        data = self.with_name_field(b"N" * 260)
        run = self.run_package(data, "N" * 259)
        self.assertEqual(run.captions(), ["N" * 259], run.transcript)
        self.assertEqual([path for path in run.changed if not path.startswith("setup")], [])

        # The name padded with spaces instead of NULs: the spaces go, and
        # the screen saver installs under its name.
        data = self.with_name_field(NAME.encode() + b" " * (260 - len(NAME)))
        run = self.run_package(data, NAME)
        self.assert_installed(run, NAME)
        self.assertEqual(damage.boot_entry(self.prefix), self.prefix.short_path(f"{self.windows}\\{NAME}.scr"))

    def test_name_of_259_characters(self):
        # The longest name the field holds.  What the user gets: the texts
        # show the name (the installation caption cut at 255 characters),
        # but no path built from it fits in 260 bytes, not the screen saver
        # in the Windows directory (its file name alone is the 255
        # characters a name may have, plus ".scr") nor the data folder.  So
        # no file is written, no install log made, nothing registered but
        # the empty uninstall key of the access test, the user's screen
        # saver stays, and "Installation Complete!" follows all the same.
        name = "L" * 259
        data = self.with_name_field(name.encode() + b"\0")
        run = self.run_package(data, name, command_line=None)
        self.assertEqual(run.captions(), [name[:255], name, name[:255], "Glimmerkit Ordering Information"],
                         run.transcript)
        self.assertEqual([path for path in run.changed if not path.startswith("setup")], [])
        self.assertIsNone(damage.boot_entry(self.prefix))

    def test_names_that_would_leave_their_folder(self):
        # A damaged name with backslashes and dots, and a data file's tail
        # that climbs four levels: each stays one file name, with "_" for
        # the backslashes, inside the Windows directory or the data folder.
        name = "..\\..\\Escape"
        data, info = self.build(NAME, media=[("m.dat", noise(100, seed=7), ".DAT", None)])
        data[info["manifest"] + 2:info["manifest"] + 262] = name.encode().ljust(260, b"\0")
        tail = damage.record_offset(info, 3) + 12
        data[tail:tail + 15] = b"\\..\\..\\..\\a.exe"
        run = self.run_package(data, name)
        folder = f"{damage.DATA_ROOT}\\.._.._Escape\\"
        self.assertEqual(run.log(), [f"{self.windows}\\.._.._Escape.scr", f"{folder}.._.._Escape.dat",
                                     f"{folder}UNINSTAL.EXE", f"{folder}FILE0001_.._.._.._a.exe"])

        # A name of dots only would make the data folder the one above:
        # the screen saver goes to the Windows directory, nothing else is
        # written.
        data = self.with_name_field(b"..".ljust(260, b"\0"))
        run = self.run_package(data, "..")
        self.assertEqual(run.read(f"{self.windows}\\...scr"), self.files[0])
        self.assertEqual([path for path in run.changed if not path.startswith(("setup", "windows"))], [])

    def test_licence_of_65535_bytes(self):
        text = ("Use it kindly, share it freely. " * 2100)[:65535]
        licence = self.inputs.write("licence.txt", text.encode())
        data, info = self.build(NAME, licence=licence)
        self.assertEqual(info["licence"], 65535)
        run = self.run_package(data, NAME)
        self.assertEqual(run.captions(), ["License Agreement", f"{NAME} Screen Saver Installation"], run.transcript)
        self.assertIn(f'control Edit 1009: "{text}"', run.transcript)
        self.assert_installed(run, NAME)

    def test_licence_length_past_the_end_of_the_file(self):
        # A small package whose licence length says 65,535: the text falls
        # short, so no licence dialog; the name and the records lie beyond
        # the end of the file, so the name is empty and nothing installs.
        data, info = self.build(NAME)
        data[info["manifest"]:info["manifest"] + 2] = b"\xff\xff"
        run = self.run_package(data, "")
        self.assert_nothing_installed(run, " Screen Saver Installation")

    def test_first_file_number_65535_with_many_records(self):
        media = [(f"m{i}.dat", noise(50 + i, seed=100 + i), ".DAT", None) for i in range(40)]
        data, info = self.build(NAME, media=media, first_number=0)
        first = info["manifest"] + 2 + info["licence"] + 260
        data[first:first + 2] = struct.pack("<H", 65535)
        run = self.run_package(data, NAME)
        self.assert_installed(run, NAME, count=43)
        # Five digits, never cut: 65535 + 39 = 65574.
        expected = [f"{run.data_folder}FILE{65535 + i}.DAT" for i in range(40)]
        self.assertEqual(run.log()[3:], expected)
        for i, path in enumerate(expected):
            self.assertEqual(run.read(path), media[i][1], path)
        self.assertIn("player:\\r\\n\\r\\n.DAT\\r\\n\\r\\nThese", run.transcript)

    def test_no_manifest(self):
        data, _ = self.build(NAME)
        pe = struct.unpack_from("<I", data, 60)[0]
        sections = struct.unpack_from("<H", data, pe + 6)[0]
        table = pe + 24 + struct.unpack_from("<H", data, pe + 20)[0]
        rsrc = next(table + 40 * i for i in range(sections) if data[table + 40 * i:table + 40 * i + 8] == b".rsrc\0\0\0")
        root = struct.unpack_from("<I", data, rsrc + 20)[0]

        # "LASTRES" gone: the numbered types move up, the icon's first.  The
        # installer must not read the icon as a manifest.
        no_lastres = bytearray(data)
        no_lastres[root + 16:root + 40] = data[root + 24:root + 48]
        no_lastres[root + 12:root + 16] = struct.pack("<HH", 0, struct.unpack_from("<H", data, root + 14)[0])
        # ".rsrc" renamed: the loader still finds the dialogs through the
        # data directory, the manifest walk (which looks for the name) fails.
        no_rsrc = bytearray(data)
        no_rsrc[rsrc:rsrc + 8] = b".rsrX\0\0\0"
        for damaged in (no_lastres, no_rsrc):
            for command_line in ("/S", None):
                run = self.run_package(damaged, "", command_line)
                if command_line:
                    self.assert_nothing_installed(run, " Screen Saver Installation")
                else:
                    self.assertEqual(run.captions(), [" Screen Saver Installation"] * 3
                                     + ["Glimmerkit Ordering Information"], run.transcript)
                    self.assertIn("This installation will take 0 bytes.", run.transcript)


if __name__ == "__main__":
    unittest.main()
