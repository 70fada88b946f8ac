"""The disk-space check on a drive C: with little room.

Wine answers a free-space query on "C:\\" from the filesystem that the
prefix's dosdevices/c: points to.  A small tmpfs, mounted under the test's
own folder, takes that place; it holds links back to the prefix's folders,
so everything the installer writes still lands on the real disk and the
free space of C: stays what the tmpfs reports."""
import contextlib
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from check_packages import Packages, has_data_folder, windows_captions  # noqa: E402

DISK_FULL = "Disk Full"
INSTALL_CAPTION = "Dune Screen Saver Installation"
CONFIRMATION = "This program will install Dune Screen Saver"
PACKAGE = "C:\\windows\\temp\\dune.exe"
PROBE = harness.program("free_space_probe")


def disk_full_text(needed, free):
    return (f"You will need {needed:,} kilobytes free in your Windows directory to install this screen saver.  "
            f"It appears that you only have {free:,} kilobytes free on this drive.  "
            "Would you like to continue the installation?")


@contextlib.contextmanager
def small_drive_c(prefix, size="1m"):
    """Points the prefix's drive C: at a tmpfs of the given size that links
    back to the prefix's folders; unmounts it whatever happens."""
    with harness.tmpfs(prefix, "small-c", size) as mount_point:
        for name in os.listdir(prefix.drive_c):
            os.symlink(os.path.join(prefix.drive_c, name), os.path.join(mount_point, name))
        link = os.path.join(prefix.path, "dosdevices", "c:")
        os.unlink(link)
        os.symlink(mount_point, link)
        yield mount_point


def free_kb(path):
    stat = os.statvfs(path)
    return stat.f_bavail * stat.f_frsize // 1024


@unittest.skipUnless(os.geteuid() == 0, "mounting the small drive needs root")
class DiskSpace(unittest.TestCase):
    def setUp(self):
        self.packages = Packages()
        self.addCleanup(self.packages.close)
        p = self.packages
        self.saver = p.write("saver.scr", harness.windows_program(os.urandom(2000)))
        self.fixed = os.path.getsize(self.saver) + os.path.getsize(p.uninstaller)

    def package(self, needed_kb):
        """A stored package whose installed bytes need needed_kb kilobytes
        (with a few hundred bytes over, which the rounding drops)."""
        total = needed_kb * 1024 + 300
        data = self.packages.write("dune.dat", b"\0" * (total - self.fixed))
        path = self.packages.build(f"need{needed_kb}.exe", "Dune", self.saver, data, "--store")
        return path, total

    def assert_nothing_written(self, prefix, transcript):
        self.assertIn("exit code 0", transcript)
        self.assertFalse(os.path.exists(os.path.join(prefix.windows, "Dune.scr")), transcript)
        self.assertFalse(has_data_folder(prefix, "Dune"), transcript)

    def test_short_space_prompts_in_both_modes(self):
        big, big_total = self.package(6293)
        with harness.gui_prefix() as prefix, small_drive_c(prefix) as drive:
            prefix.put(big, PACKAGE)
            free = free_kb(drive)
            self.assertEqual(free, 1024)
            text = f'control Static 65535: "{disk_full_text(6293, free)}"'

            # Cancel stops before the confirmation, with nothing written.
            code, transcript = prefix.drive(PACKAGE, rules=[f"{DISK_FULL} => Cancel"])
            self.assertEqual(code, 0, transcript)
            self.assertEqual(windows_captions(transcript), [DISK_FULL], transcript)
            self.assertIn(text, transcript)
            self.assertIn('control Button 1: "OK"', transcript)
            self.assertIn('control Button 2: "Cancel"', transcript)
            self.assertIn("window 1: ended with 2", transcript)
            self.assert_nothing_written(prefix, transcript)

            # OK goes on to the confirmation, which shows the byte total.
            code, transcript = prefix.drive(PACKAGE, rules=[f"{DISK_FULL} => OK", f"{CONFIRMATION} => Cancel"])
            self.assertEqual(windows_captions(transcript), [DISK_FULL, INSTALL_CAPTION], transcript)
            self.assertIn(f"This installation will take {big_total:,} bytes.", transcript)
            self.assert_nothing_written(prefix, transcript)

            # Silent mode asks too: Cancel stops, OK installs.
            code, transcript = prefix.drive(PACKAGE, "/S", rules=[f"{DISK_FULL} => Cancel"])
            self.assertEqual(windows_captions(transcript), [DISK_FULL], transcript)
            self.assertIn(text, transcript)
            self.assert_nothing_written(prefix, transcript)

            code, transcript = prefix.drive(PACKAGE, "/S", rules=[f"{DISK_FULL} => OK"], timeout=60)
            self.assertEqual(windows_captions(transcript), [DISK_FULL, INSTALL_CAPTION], transcript)
            self.assertIn("exit code 0", transcript)
            self.assertEqual(os.path.getsize(os.path.join(prefix.windows, "Dune.scr")), os.path.getsize(self.saver))
            self.assertTrue(has_data_folder(prefix, "Dune"))
            # The install wrote to the real disk, not to the small drive.
            self.assertEqual(free_kb(drive), free)

    def test_equal_values_prompt_and_one_less_passes(self):
        equal, _ = self.package(1024)
        below, _ = self.package(1023)
        with harness.gui_prefix() as prefix, small_drive_c(prefix) as drive:
            prefix.put(equal, PACKAGE)
            self.assertEqual(free_kb(drive), 1024)
            code, transcript = prefix.drive(PACKAGE, rules=[f"{DISK_FULL} => Cancel"])
            self.assertEqual(windows_captions(transcript), [DISK_FULL], transcript)
            self.assertIn(disk_full_text(1024, 1024), transcript)
            self.assert_nothing_written(prefix, transcript)

            prefix.put(below, PACKAGE)
            code, transcript = prefix.drive(PACKAGE, rules=[f"{CONFIRMATION} => Cancel", "* => Cancel"])
            self.assertEqual(windows_captions(transcript), [INSTALL_CAPTION], transcript)
            self.assert_nothing_written(prefix, transcript)

    def test_only_the_first_32_characters_choose_what_is_measured(self):
        with harness.Prefix() as prefix, small_drive_c(prefix) as drive:
            # Links on the small drive to the Windows folder on the real disk,
            # with names of 28 and 29 characters: after C:\ and the name, the
            # next backslash is the 32nd or the 33rd character.
            windows = os.path.join(prefix.drive_c, "windows")
            os.symlink(windows, os.path.join(drive, "w" * 28))
            os.symlink(windows, os.path.join(drive, "w" * 29))
            paths = ["C:\\windows", "C:\\windows\\", "C:\\windows\\system32", "C:",
                     "C:\\" + "w" * 29 + "\\system32", "C:\\" + "w" * 28 + "\\system32"]
            code, out, err = prefix.run(PROBE, paths, timeout=60)
            self.assertEqual(code, 0, err)
            reported = dict(line.split("\t") for line in out.splitlines())
            small = free_kb(drive)
            self.assertEqual(small, 1024)
            # Measured on the root of C:, the small drive.
            for path in paths[:1] + paths[3:5]:
                self.assertEqual(int(reported[path]), small, path)
            # Measured on a folder of the real disk.
            real = free_kb(windows)
            for path in paths[1:3] + paths[5:]:
                self.assertGreater(int(reported[path]), 10 * small, path)
                self.assertLess(abs(int(reported[path]) - real), real // 10 + 1024, path)


if __name__ == "__main__":
    unittest.main()
