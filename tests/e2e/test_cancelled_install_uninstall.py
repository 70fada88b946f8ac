"""A cancelled install cleans up after itself under Wine: the installer
writes the real uninstaller whole, starts it with "/s", and once it has run
nothing of the install is left and the prefix is as it was.

The GUI driver presses Cancel while the installer is stopped at its first
write, so the abort comes in the screen saver's copy on any machine; the
uninstaller's record comes after it and is written after the abort."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import uninstall_state as state  # noqa: E402
from install_uninstall import (DRIVER_TIMEOUT, NAME, PACKAGE_PATH, UNINSTALL_PATH, SamplePackages,  # noqa: E402
                               exit_code, noise, ours_left, ready_prefix, started, windows_of)

SAVER_SIZE = 1024 * 1024
INSTALL_CAPTION = f"{NAME} Screen Saver Installation"


class CancelledInstall(unittest.TestCase):
    maxDiff = None

    def test_the_uninstaller_started_by_the_installer_leaves_nothing(self):
        packages = SamplePackages()
        self.addCleanup(packages.close)
        package = packages.build("Lanterns-big.exe", saver=harness.windows_program(noise(SAVER_SIZE, seed=7)), store=True)

        with harness.gui_prefix() as prefix:
            ready_prefix(prefix, package)
            before = state.Snapshot(prefix)
            code, transcript = prefix.drive(PACKAGE_PATH, None, [
                "This program will install => OK", "License Agreement => Accept", "Please Wait... => @1 Cancel",
                "Abort Installation? => Yes"], timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            self.assertEqual(windows_of(transcript), [
                (INSTALL_CAPTION, "OK"), ("License Agreement", "Accept"), (INSTALL_CAPTION, "Cancel"),
                ("Abort Installation?", "Yes")], transcript)
            self.assertEqual(exit_code(transcript), 0, transcript)
            # The installer started the uninstaller, which started its
            # temporary copy; both ended well.
            command = f'"{UNINSTALL_PATH}" /s'.replace("\\", "\\\\").replace('"', '\\"')
            processes = started(transcript)
            self.assertEqual(len(processes), 2, transcript)
            self.assertEqual(processes[0], (f'"{command}"', 0), transcript)
            self.assertTrue(processes[1][0].endswith(" by started process 1"), transcript)
            self.assertEqual(processes[1][1], 0, transcript)

            self.assertEqual(ours_left(prefix), [])
            self.assertEqual(before.differences(state.Snapshot(prefix)), [])
            self.assertIsNone(state.screen_saver_active(prefix))


if __name__ == "__main__":
    unittest.main()
