"""Damaged and cut packages under Wine.

A package that scrpack built carries an integrity record: cut anywhere, or
with a bit flipped in its stub, its manifest or a block, it is refused
before anything is done, with exit status 3 and, interactively, one
message.  An older package, without the record, still installs; one of
its blocks that runs out (the file ends inside it) ends the install as a
failure taken back whole, with the same status and message."""
import io
import os
import re
import sys
import unittest
import wave

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
from extraction_checks import noise, noise_wav, periodic  # noqa: E402

NAME = "Cut Glass"
CAPTION = f"{NAME} Screen Saver Installation"


def periodic_wav(samples):
    """A playable wave file that packs well."""
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(8000)
        w.writeframes(periodic(samples, period=700, seed=9))
    return out.getvalue()


def flipped(data, offset):
    data = bytearray(data)
    data[offset] ^= 0x10
    return data


class DamagedCuts(damage.DamageTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Packed, stored, packed, stored, packed; the stored data file is
        # large enough that half the package is past the installer itself
        # (a file cut inside the program is no program the system starts).
        cls.files = [harness.windows_program(periodic(30000, seed=1)), noise(150000, seed=2), periodic(50000, seed=3),
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

    def block(self, index, at):
        """The offset `at` bytes into record index's block."""
        return self.info["records"][index]["offset"] + at

    def failed(self, data, command_line, shown):
        """A run that ends with status 3, leaving nothing, and shows the
        windows `shown` before the one message when interactive."""
        damage.forget(self.prefix, NAME)
        run = damage.failed_install(self, self.prefix, bytes(data), NAME, command_line, 3, damage.DAMAGED_TEXT)
        run.check(3)
        self.assertEqual(re.findall(r'caption "([^"]*)", shown', run.transcript),
                         [] if command_line else shown + [damage.DAMAGED_CAPTION], run.transcript)
        return run

    def test_damage_is_refused_before_anything_is_done(self):
        # The two flips of a stored block would cancel out in a 16-bit sum.
        two_flips = flipped(flipped(self.package, self.block(3, 1000)), self.block(3, 1002))
        self.assertGreater(len(self.package) // 2, self.info["records"][0]["offset"])
        cases = [("cut to half its length", self.package[:len(self.package) // 2]),
                 ("cut by one byte", self.package[:-1]),
                 ("a bit of a packed block", flipped(self.package, self.block(4, 3000))),
                 ("two bits of a stored block", two_flips),
                 ("a bit of the manifest", flipped(self.package, self.info["manifest"] + 10)),
                 ("a bit of the stub's code", flipped(self.package, 0x600))]
        for what, data in cases:
            for command_line in ("/S", None):
                with self.subTest(what=what, command_line=command_line):
                    self.failed(data, command_line, [])

    def test_an_older_package_installs_and_a_block_that_runs_out_ends_it_soundly(self):
        # Cut inside a packed block (the uninstaller's) and inside a stored
        # one: the walk meets the end of the file, and takes the install
        # back.  Interactively the confirmation and the progress dialog
        # come first.
        old = damage.older(self.package, self.info)
        for where, cut in (("packed", self.block(2, 100)), ("stored", self.block(3, 5000))):
            for command_line in ("/S", None):
                with self.subTest(where=where, command_line=command_line):
                    self.failed(old[:cut], command_line, [CAPTION] * 2)

        run = self.run_package(old, NAME)
        for index, path in enumerate(self.paths()):
            self.assertEqual(run.read(path), self.files[index], index)
        self.assertEqual(damage.boot_entry(self.prefix), self.prefix.short_path(self.paths()[0]))


if __name__ == "__main__":
    unittest.main()
