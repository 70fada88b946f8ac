"""Packages cut short or with blocks out of place under Wine: the file
ends inside the record table, inside a stored block or inside a packed
block; a record's block reaches past the end of the file; the record table
has no terminator.  Each run must end by itself with exit code 0, show only
the design's windows and write only into the data folder and the Windows
directory (damage.Run.check); each test then pins what the walk did."""
import os
import sys
import io
import unittest
import wave

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
from extraction_checks import noise, noise_wav, periodic  # noqa: E402

NAME = "Cut Glass"


def periodic_wav(samples):
    """A playable wave file that packs well."""
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(8000)
        w.writeframes(periodic(samples, period=700, seed=9))
    return out.getvalue()


class DamagedCuts(damage.DamageTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Packed, stored, packed, stored, packed: every cut below lands in a
        # block of the kind it names.
        cls.files = [harness.windows_program(periodic(30000, seed=1)), noise(9000, seed=2), periodic(50000, seed=3),
                     noise_wav(12000, seed=4), periodic_wav(250000)]
        path = cls.inputs.package(NAME, ("saver.scr", cls.files[0]), ("saver.dat", cls.files[1]),
                                  ("uninst.exe", cls.files[2]),
                                  media=[("noise.wav", cls.files[3], None, None),
                                         ("tone.wav", cls.files[4], None, None)])
        with open(path, "rb") as f:
            cls.package = f.read()
        cls.info = damage.listing(path)
        assert [r["method"] for r in cls.info["records"]] == ["packed", "stored", "packed", "stored", "packed"]

    def paths(self):
        folder = f"{damage.DATA_ROOT}\\{NAME}\\"
        return [f"{self.windows}\\{NAME}.scr", f"{folder}{NAME}.dat", f"{folder}UNINSTAL.EXE",
                f"{folder}FILE0001.WAV", f"{folder}FILE0002.WAV"]

    def record(self, index):
        return self.info["records"][index]

    def test_cut_inside_the_record_table(self):
        # The file ends 10 bytes into record 2: the walk takes records 0 and
        # 1 and ends; their blocks are gone, so the stored file is created
        # empty and the packed one expands from zero bits to its full size.
        run = self.run_package(self.package[:damage.record_offset(self.info, 2) + 10], NAME)
        paths = self.paths()
        self.assertEqual(run.captions(), [f"{NAME} Screen Saver Installation"], run.transcript)
        self.assertEqual(run.log(), paths[:2])
        self.assertEqual(len(run.read(paths[0])), len(self.files[0]))
        self.assertEqual(run.read(paths[1]), b"")
        self.assertIsNone(run.read(paths[2]), "no record, no uninstaller")
        self.assertEqual(damage.boot_entry(self.prefix), self.prefix.short_path(paths[0]))

    def test_cut_inside_a_stored_block(self):
        # Record 1 keeps the bytes up to the cut; every later block is gone:
        # stored files are created empty, packed ones expand from zero bits.
        cut = self.record(1)["offset"] + 7000
        run = self.run_package(self.package[:cut], NAME, command_line=None)
        paths = self.paths()
        self.assertEqual(run.log(), paths)
        self.assertEqual(run.read(paths[0]), self.files[0])
        self.assertEqual(run.read(paths[1]), self.files[1][:7000])
        self.assertEqual(len(run.read(paths[2])), len(self.files[2]))
        self.assertEqual(run.read(paths[3]), b"")
        self.assertEqual(len(run.read(paths[4])), len(self.files[4]))
        # Neither damaged media file plays; the interactive closing shows
        # the list and the ordering information, and starts nothing.
        self.assertEqual(run.captions(), [f"{NAME} Screen Saver Installation"] * 2
                         + ["Missing support codecs", "Glimmerkit Ordering Information"], run.transcript)
        self.assertIn("player:\\r\\n\\r\\n.WAV\\r\\n\\r\\nThese", run.transcript)
        self.assertIsNone(damage.boot_entry(self.prefix))

    def test_cut_inside_a_packed_block(self):
        # The uninstaller's block ends halfway: it still gets its full size,
        # right up to where the bits ran out.
        block = self.record(2)
        run = self.run_package(self.package[:block["offset"] + block["stored"] // 2], NAME)
        paths = self.paths()
        self.assertEqual(run.log(), paths)
        self.assertEqual(run.read(paths[0]), self.files[0])
        self.assertEqual(run.read(paths[1]), self.files[1])
        uninstaller = run.read(paths[2])
        self.assertEqual(len(uninstaller), len(self.files[2]))
        self.assertEqual(uninstaller[:1000], self.files[2][:1000])
        self.assertNotEqual(uninstaller, self.files[2])
        self.assertEqual(run.read(paths[3]), b"")
        self.assertEqual(len(run.read(paths[4])), len(self.files[4]))

    def test_blocks_that_reach_past_the_end_of_the_file(self):
        # Records 3 (stored) and 4 (packed) claim 100000 bytes more than
        # there are.  The stored copy takes everything up to the end of the
        # file, record 4's block included; the packed block has all its
        # bits and expands as it should.
        data = bytearray(self.package)
        for index in (3, 4):
            damage.patch32(data, damage.record_offset(self.info, index) + 4, self.record(index)["stored"] + 100000)
        run = self.run_package(data, NAME)
        paths = self.paths()
        self.assertEqual(run.log(), paths)
        for index in (0, 1, 2, 4):
            self.assertEqual(run.read(paths[index]), self.files[index], index)
        self.assertEqual(run.read(paths[3]), self.package[self.record(3)["offset"]:])
        # The longer wave file still plays: the screen saver becomes the
        # default.
        self.assertEqual(damage.boot_entry(self.prefix), self.prefix.short_path(paths[0]))

    def test_no_terminator_the_walk_ends_at_the_end_of_the_file(self):
        # A package whose blocks live inside its licence text and whose
        # record table runs to the end of the file without a terminator:
        # every file is installed whole and the walk ends there.
        info = self.info
        blocks = b"".join(self.package[r["offset"]:r["offset"] + r["stored"]] for r in info["records"])
        self.assertLess(len(blocks), 65536)
        start = info["manifest"]
        fixed = self.package[start + 2:start + 264]  # name and first file number
        data = bytearray(self.package[:start] + len(blocks).to_bytes(2, "little") + blocks + fixed)
        at = start + 2
        for index, r in enumerate(info["records"]):
            offset = damage.record_offset(info, index)
            raw = bytearray(self.package[offset:offset + 28])
            damage.patch32(raw, 0, at)
            at += r["stored"]
            data += raw
        run = self.run_package(data, NAME)
        paths = self.paths()
        self.assertEqual(run.log(), paths)
        for index, path in enumerate(paths):
            self.assertEqual(run.read(path), self.files[index], index)
        self.assertEqual(run.captions(), ["License Agreement", f"{NAME} Screen Saver Installation"], run.transcript)
        self.assertEqual(damage.boot_entry(self.prefix), self.prefix.short_path(paths[0]))


if __name__ == "__main__":
    unittest.main()
