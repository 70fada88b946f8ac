"""The sample screen saver installed by the real installer and removed by
the real uninstaller under Wine: nothing of ours stays (files, data
folder levels, uninstall key, "system.ini" entry, the uninstaller's
temporary copy) and the rest of the prefix is as it was.  The interactive
uninstall asks first: No changes nothing, Yes removes everything and says
so.  DLLs planted beside either program are never loaded."""
import ntpath
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import uninstall_state as state  # noqa: E402
from install_uninstall import (DRIVER_TIMEOUT, INSTALLED, NAME, OUR_KEY, PACKAGE_PATH,  # noqa: E402
                               SCREEN_SAVER, UNINSTALL_PATH, SamplePackages, boot_entry, exit_code,
                               ours_left, ready_prefix, started, windows_of)

LICENCE = "License Agreement"
CAPTION = f"{NAME} Screen Saver Uninstall"
QUESTION = f"This will remove the {NAME} Screen Saver"
DONE = f"The {NAME} Screen Saver has been removed from your computer."
PLANTED = ["WINMM.DLL", "SHFOLDER.DLL", "VERSION.DLL"]
# Wine told to prefer a DLL found beside the program, as Windows does for
# these three (none is a KnownDLL).
PREFER_PLANTED = {"WINEDLLOVERRIDES": harness.BASE_ENV["WINEDLLOVERRIDES"] + ";winmm,shfolder,version=n,b"}


class InstallThenUninstall(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.packages = SamplePackages()
        cls.package = cls.packages.build("Lanterns-setup.exe")

    @classmethod
    def tearDownClass(cls):
        cls.packages.close()

    def install(self, prefix):
        """A silent install, checked to have put everything in place;
        returns the snapshot of the installed state."""
        code, transcript = prefix.drive(PACKAGE_PATH, "/S", [f"{LICENCE} => Accept"], timeout=DRIVER_TIMEOUT)
        self.assertEqual(code, 0, transcript)
        self.assertEqual(windows_of(transcript), [(LICENCE, "Accept"), (f"{NAME} Screen Saver Installation", None)])
        self.assertEqual(exit_code(transcript), 0, transcript)
        for path in INSTALLED + [UNINSTALL_PATH[:-len("UNINSTAL.EXE")] + "INSTALL.LOG"]:
            self.assertTrue(state.exists(prefix, path), path)
        self.assertTrue(state.key_exists(prefix, OUR_KEY))
        # A 32-bit program on 64-bit Windows: the key is in the 32-bit view,
        # which the 64-bit view shows under WOW6432Node; the Windows
        # directory is not redirected (only system32 would be).
        self.assertEqual(prefix.reg_query("HKLM\\" + OUR_KEY, view="/reg:64")[0], 1)
        wow_key = OUR_KEY.replace("Software\\", "Software\\WOW6432Node\\", 1)
        self.assertEqual(prefix.reg_query("HKLM\\" + wow_key, view="/reg:64")[0], 0)
        self.assertTrue(os.path.isfile(prefix.host_path(SCREEN_SAVER)))
        self.assertFalse(os.path.exists(os.path.join(prefix.windows, "syswow64", ntpath.basename(SCREEN_SAVER))))
        self.assertEqual(boot_entry(prefix), prefix.short_path(SCREEN_SAVER))
        self.assertEqual(state.screen_saver_active(prefix), "1")
        return state.Snapshot(prefix)

    def assert_clean_removal(self, prefix, transcript, before):
        self.assertEqual(exit_code(transcript), 0, transcript)
        # The temporary copy that removes the uninstaller's own file ran and
        # ended well; the snapshot takes in the temporary folder too.
        self.assertTrue(started(transcript), transcript)
        self.assertTrue(all(code == 0 for _, code in started(transcript)), transcript)
        self.assertEqual(ours_left(prefix), [])
        self.assertEqual(before.differences(state.Snapshot(prefix)), [])
        self.assertEqual(state.screen_saver_active(prefix), "0")

    def test_silent_install_then_silent_uninstall(self):
        with harness.gui_prefix() as prefix:
            ready_prefix(prefix, self.package)
            before = state.Snapshot(prefix)
            self.assertNotEqual(before.differences(self.install(prefix)), [])

            code, transcript = prefix.drive(UNINSTALL_PATH, "/s", timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            self.assertEqual(windows_of(transcript), [], transcript)
            self.assert_clean_removal(prefix, transcript, before)

            # Once more, from the start: a second install and uninstall in
            # the same prefix end the same way.
            self.install(prefix)
            code, transcript = prefix.drive(UNINSTALL_PATH, "-S", timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            self.assert_clean_removal(prefix, transcript, before)

    def test_planted_dlls_are_not_loaded(self):
        with harness.gui_prefix() as prefix:
            prefix.extra_env.update(PREFER_PLANTED)
            ready_prefix(prefix, self.package)
            marks = []
            for folder in (ntpath.dirname(PACKAGE_PATH), ntpath.dirname(UNINSTALL_PATH)):
                for name in PLANTED:
                    planted = prefix.put(os.path.join(harness.PRODUCT, "planted", name), f"{folder}\\{name}")
                    marks.append(planted + ".loaded")
            # The media check and the data folder need the system's WINMM
            # and SHFOLDER: the install is whole only when it took those.
            self.install(prefix)
            code, transcript = prefix.drive(UNINSTALL_PATH, "/s", timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            self.assertEqual(exit_code(transcript), 0, transcript)
            self.assertEqual([mark for mark in marks if os.path.exists(mark)], [])
            self.assertEqual(sorted(os.listdir(prefix.host_path(ntpath.dirname(UNINSTALL_PATH)))), sorted(PLANTED))

    def test_interactive_uninstall_no_then_yes(self):
        with harness.gui_prefix() as prefix:
            ready_prefix(prefix, self.package)
            before = state.Snapshot(prefix)
            installed = self.install(prefix)

            # No: exit status 1, nothing touched, nothing started.
            code, transcript = prefix.drive(UNINSTALL_PATH, None, [f"{QUESTION} => No"], timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            self.assertEqual(windows_of(transcript), [(CAPTION, "No")], transcript)
            self.assertEqual(exit_code(transcript), 1, transcript)
            self.assertEqual(started(transcript), [])
            self.assertEqual(installed.differences(state.Snapshot(prefix)), [])
            self.assertEqual(state.screen_saver_active(prefix), "1")

            # Yes: everything goes, and the result is reported.
            code, transcript = prefix.drive(UNINSTALL_PATH, None, [f"{QUESTION} => Yes", f"{DONE} => OK"],
                                            timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            self.assertEqual(windows_of(transcript), [(CAPTION, "Yes"), (CAPTION, "OK")], transcript)
            self.assertIn(f'"{DONE}"', transcript)
            self.assert_clean_removal(prefix, transcript, before)


if __name__ == "__main__":
    unittest.main()
