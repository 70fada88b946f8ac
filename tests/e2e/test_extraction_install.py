"""A whole install under Wine: every packed file, stored or packed,
reaches its destination byte for byte, under the name the rules give it;
the install log lists them in order and a second run extends it; the
uninstall entry and the default screen saver are set, and the installed
screen saver is started by its short path."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from extraction_checks import (ACCEPT_ALL, DATA_ROOT, DRIVER_TIMEOUT, Inputs, boot_entry,  # noqa: E402
                               completion_box, confirmation_box, entry, escaped, install_log, log_bytes,
                               marker_lines, media_set, noise, ordering_info, progress_dialog, read_host,
                               runnable, screen_saver_active, values)

NAME = "Harbour Lights"
INSTALLER_PATH = "C:\\setup\\harbour.exe"
DATA_FOLDER = f"{DATA_ROOT}\\{NAME}\\"


class FullInstall(unittest.TestCase):
    def test_every_file_installed_logged_registered_and_started(self):
        inputs = Inputs()
        self.addCleanup(inputs.close)
        media = media_set()
        saver = ("saver.scr", runnable(b""))
        data = ("saver.dat", noise(3000, seed=1))
        uninstaller = ("uninstal.exe", runnable(bytes(4000)))
        # Each prefix, the default tail (the extension in capitals) and one
        # of the file's own, serial numbers from 9998 on: four digits, then
        # five, never cut.
        package = inputs.package(NAME, saver, data, uninstaller, first_number=9998, media=[
            ("tone.wav", media["tone.wav"], None, None),
            ("noise.wav", media["noise.wav"], ".wav", "JUKE"),
            ("tune.mid", media["tune.mid"], ".MID", "JUK_"),
            ("clip.avi", media["clip.avi"], None, "FILE"),
        ])
        methods = harness.package_methods(package)
        self.assertIn("stored", methods[3:])
        self.assertIn("packed", methods[3:])
        self.assertIn("stored", methods[:3])
        self.assertIn("packed", methods[:3])

        with harness.gui_prefix() as prefix:
            prefix.keep_server()
            prefix.put(package, INSTALLER_PATH)
            windows_directory = prefix.windows_directory()
            saver_path = f"{windows_directory}\\{NAME}.scr"
            installed = [
                (saver_path, saver[1]),
                (DATA_FOLDER + f"{NAME}.dat", data[1]),
                (DATA_FOLDER + "UNINSTAL.EXE", uninstaller[1]),
                (DATA_FOLDER + "FILE9998.WAV", media["tone.wav"]),
                (DATA_FOLDER + "JUKE9999.wav", media["noise.wav"]),
                (DATA_FOLDER + "JUK_10000.MID", media["tune.mid"]),
                (DATA_FOLDER + "FILE10001.AVI", media["clip.avi"]),
            ]
            total = sum(len(content) for _, content in installed)

            code, transcript = prefix.drive(INSTALLER_PATH, None, ACCEPT_ALL, timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            short_path = prefix.short_path(saver_path)
            self.assertEqual(transcript.splitlines(),
                             confirmation_box(1, NAME, windows_directory, total)
                             + ["window 1: answer OK", "window 1: ended with 1"]
                             + progress_dialog(2, NAME, shown=True) + completion_box(3, NAME) + ordering_info(4)
                             + ["exit code 0", f'started "{escaped(short_path)}", exit code 0'])

            for path, content in installed:
                self.assertEqual(read_host(prefix, path), content, path)
            # Nothing else lands in the data folder but the log.
            self.assertEqual(sorted(os.listdir(prefix.host_path(DATA_FOLDER))),
                             sorted([path.rsplit("\\", 1)[1] for path, _ in installed[1:]] + ["INSTALL.LOG"]))
            lines = log_bytes(path for path, _ in installed)
            self.assertEqual(install_log(prefix, DATA_FOLDER), lines)

            self.assertEqual(values(prefix, NAME),
                             entry(f"{NAME} Screen Saver", DATA_FOLDER + "UNINSTAL.EXE", DATA_FOLDER[:-1]))
            self.assertEqual(boot_entry(prefix), short_path)
            self.assertEqual(screen_saver_active(prefix), "1")
            # The installed file itself ran, with no arguments.
            self.assertEqual(marker_lines(prefix), [f"command line: {short_path}", f"module: {saver_path}"])

            # A second, silent run replaces every file and adds its lines
            # after the first run's: the log is extended, never truncated.
            with open(prefix.host_path(DATA_FOLDER + "FILE9998.WAV"), "wb") as f:
                f.write(b"stale")
            code, transcript = prefix.drive(INSTALLER_PATH, "/S", timeout=DRIVER_TIMEOUT)
            self.assertEqual((code, transcript.splitlines()),
                             (0, progress_dialog(1, NAME, shown=False) + ["exit code 0"]))
            self.assertEqual(install_log(prefix, DATA_FOLDER), lines + lines)
            for path, content in installed:
                self.assertEqual(read_host(prefix, path), content, path)


if __name__ == "__main__":
    unittest.main()
