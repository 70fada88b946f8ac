"""Cancel on the progress dialog under Wine.  A confirmed Cancel cuts the
file being copied and every later file to its first chunk, writes the
uninstaller whole, still lists every file in the install log, leaves the
default screen saver alone and has the uninstaller started with "/s";
Cancel answered No changes nothing, and asks again the next time.

The GUI driver presses Cancel while the installer is stopped at its first
write ("@1"), and again at the first write after the question has gone,
so each press lands at the same byte on any machine, however busy."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from extraction_checks import (CHUNK, DATA_ROOT, DRIVER_TIMEOUT, MARKER, CancelTest, abort_question,  # noqa: E402
                               boot_entry, completion_box, entry, escaped, install_log, log_bytes, marker_lines,
                               noise, ordering_info, read_host, runnable, screen_saver_active, transcript_lines,
                               values)

NAME = "Deep Field"
INSTALLER_PATH = "C:\\setup\\deepfield.exe"
DATA_FOLDER = f"{DATA_ROOT}\\{NAME}\\"
SAVER_SIZE = 1024 * 1024
CONFIRM = "This program will install => OK"


class CancelStored(CancelTest):
    def test_cancel_yes_cuts_the_walk_and_no_changes_nothing(self):
        saver = ("saver.scr", runnable(noise(SAVER_SIZE, seed=2)))
        uninstaller = ("uninstal.exe", runnable(noise(300 * 1024, seed=4)))
        package = self.inputs.package(NAME, saver, self.data, uninstaller, store=True, media=[
            ("noise.wav", self.media["noise.wav"], None, None),
            ("clip.avi", self.media["clip.avi"], None, None),
            ("tone.wav", self.media["tone.wav"], None, None),
            ("tune.mid", self.media["tune.mid"], None, None),
        ])
        self.assertEqual(harness.package_methods(package), ["stored"] * 7)

        with harness.gui_prefix() as prefix:
            windows_directory = self.ready(prefix, package, INSTALLER_PATH)
            saver_path = f"{windows_directory}\\{NAME}.scr"
            uninstaller_path = DATA_FOLDER + "UNINSTAL.EXE"
            installed = [
                (saver_path, saver[1]),
                (DATA_FOLDER + f"{NAME}.dat", self.data[1]),
                (uninstaller_path, uninstaller[1]),
                (DATA_FOLDER + "FILE0001.WAV", self.media["noise.wav"]),
                (DATA_FOLDER + "FILE0002.AVI", self.media["clip.avi"]),
                (DATA_FOLDER + "FILE0003.WAV", self.media["tone.wav"]),
                (DATA_FOLDER + "FILE0004.MID", self.media["tune.mid"]),
            ]
            head = self.head(NAME, sum(len(content) for _, content in installed))

            # Cancel, Yes, and Cancel once more while the walk goes on.
            code, transcript = prefix.drive(INSTALLER_PATH, None, [
                CONFIRM, "Please Wait... => @1 2*Cancel", "Abort Installation? => Yes"], timeout=DRIVER_TIMEOUT)
            # No second question, no completion message, no ordering info:
            # only the uninstaller, started from the data folder.
            self.assert_uninstaller_started(prefix, code, transcript, head + ["window 2: answer Cancel"]
                                            + abort_question(3, "Yes", 6) + ["window 2: answer Cancel"],
                                            uninstaller_path)

            # Cancel was pressed before the first chunk was written; the abort
            # test after that chunk (the copy's first message pump step)
            # took it, so the screen saver keeps that one chunk.
            self.assertEqual(read_host(prefix, saver_path), saver[1][:CHUNK])
            # Every later file gets its first chunk (all of a smaller one),
            # the uninstaller is whole, and every file is logged.
            for path, content in installed[1:]:
                expected = content if path == uninstaller_path else content[:CHUNK]
                self.assertEqual(read_host(prefix, path), expected, path)
            lines = log_bytes(path for path, _ in installed)
            self.assertEqual(install_log(prefix, DATA_FOLDER), lines)
            # The uninstaller is registered as it would be without the abort;
            # the default screen saver is not set to a file about to go.
            self.assertEqual(values(prefix, NAME),
                             entry(f"{NAME} Screen Saver", uninstaller_path, DATA_FOLDER[:-1]))
            self.assert_default_left_alone(prefix)

            # Cancel answered No, twice: each Cancel asks, and the install
            # runs to its end as if nothing had been pressed.
            os.remove(prefix.host_path(saver_path))
            os.remove(prefix.host_path(MARKER))
            code, transcript = prefix.drive(INSTALLER_PATH, None, [
                CONFIRM, "Please Wait... => @1 2*Cancel", "Abort Installation? => No", "Installation Complete! => OK",
                "Ordering Information => OK"], timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            short_path = prefix.short_path(saver_path)
            self.assertEqual(transcript_lines(transcript),
                             head + ["window 2: answer Cancel"] + abort_question(3, "No", 7)
                             + ["window 2: answer Cancel"] + abort_question(4, "No", 7)
                             + ["window 2: ended with 1"] + completion_box(5, NAME) + ordering_info(6)
                             + ["exit code 0", f'started "{escaped(short_path)}", exit code 0'])
            for path, content in installed:
                self.assertEqual(read_host(prefix, path), content, path)
            self.assertEqual(install_log(prefix, DATA_FOLDER), lines + lines)
            self.assertEqual(boot_entry(prefix), short_path)
            self.assertEqual(screen_saver_active(prefix), "1")
            self.assertEqual(marker_lines(prefix), [f"command line: {short_path}", f"module: {saver_path}"])


if __name__ == "__main__":
    unittest.main()
