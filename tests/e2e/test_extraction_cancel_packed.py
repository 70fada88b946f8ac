"""A confirmed Cancel while a packed file is expanded under Wine: the
expansion stops at its next abort test, a later packed file stays empty, a
later stored one gets its first chunk, and the packed uninstaller is still
expanded whole.

The GUI driver presses Cancel while the installer is stopped at its first
write ("@1"), so the press lands at the same byte on any machine."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from extraction_checks import (CHUNK, DATA_ROOT, DRIVER_TIMEOUT, CancelTest, abort_question,  # noqa: E402
                               install_log, log_bytes, periodic, read_host, runnable)

NAME = "Slow Tide"
INSTALLER_PATH = "C:\\setup\\slowtide.exe"
DATA_FOLDER = f"{DATA_ROOT}\\{NAME}\\"
WRITE_SIZE = 16384  # the decoder's output is written in pieces of this size
SAVER_SIZE = 4 * 1000 * 1000


class CancelPacked(CancelTest):
    def test_cancel_while_expanding(self):
        saver = ("saver.scr", runnable(periodic(SAVER_SIZE)))
        uninstaller = ("uninstal.exe", runnable(periodic(3 * 1000 * 1000, seed=6)))
        notes = b"".join(b"Line %d of the notes that come with the screen saver.\r\n" % i for i in range(2000))
        package = self.inputs.package(NAME, saver, self.data, uninstaller, media=[
            ("notes.txt", notes, None, None),
            ("noise.wav", self.media["noise.wav"], None, None),
        ])
        self.assertEqual(harness.package_methods(package), ["packed", "stored", "packed", "packed", "stored"])

        with harness.gui_prefix() as prefix:
            windows_directory = self.ready(prefix, package, INSTALLER_PATH)
            saver_path = f"{windows_directory}\\{NAME}.scr"
            uninstaller_path = DATA_FOLDER + "UNINSTAL.EXE"
            paths = [saver_path, DATA_FOLDER + f"{NAME}.dat", uninstaller_path, DATA_FOLDER + "FILE0001.TXT",
                     DATA_FOLDER + "FILE0002.WAV"]
            total = sum(len(content) for content in [saver[1], self.data[1], uninstaller[1], notes,
                                                     self.media["noise.wav"]])

            code, transcript = prefix.drive(INSTALLER_PATH, None, [
                "This program will install => OK", "Please Wait... => @1 Cancel", "Abort Installation? => Yes"],
                timeout=DRIVER_TIMEOUT)
            self.assert_uninstaller_started(prefix, code, transcript, self.head(NAME, total)
                                            + ["window 2: answer Cancel"] + abort_question(3, "Yes", 6),
                                            uninstaller_path)

            cut = read_host(prefix, saver_path)
            self.assertLess(len(cut), SAVER_SIZE, "the expansion ended before Cancel took effect")
            self.assertEqual(len(cut) % WRITE_SIZE, 0)
            self.assertEqual(cut, saver[1][:len(cut)])
            self.assertEqual(read_host(prefix, paths[1]), self.data[1][:CHUNK])
            self.assertEqual(read_host(prefix, uninstaller_path), uninstaller[1])
            self.assertEqual(read_host(prefix, paths[3]), b"")
            self.assertEqual(read_host(prefix, paths[4]), self.media["noise.wav"][:CHUNK])
            self.assertEqual(install_log(prefix, DATA_FOLDER), log_bytes(paths))
            self.assert_default_left_alone(prefix)


if __name__ == "__main__":
    unittest.main()
