"""A disk that fills up during the install, under Wine.

The data folder lies on a small tmpfs, so the disk fills either in the data file
(a packed file, before the uninstaller is written) or in the last media file
(a stored file, after the uninstaller and its entry).  Each time, silently
and interactively, the install is a failure taken back whole: nothing of it
is left on the disk, in the list of installed programs or in "system.ini",
the process exits with status 1, and only an interactive run says so, in
one message.
"""
import os
import re
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
import uninstall_state as state  # noqa: E402
from extraction_checks import Inputs, noise, periodic  # noqa: E402

NAME = "Full Moon"
TMPFS_BYTES = 64 * 1024
CAPTION = f"{NAME} Screen Saver Installation"
MESSAGE = "The disk is full.  The installation could not be completed, and nothing was installed."


@unittest.skipUnless(os.geteuid() == 0, "mounting the small disk needs root")
class FullDisk(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.inputs = Inputs()

    @classmethod
    def tearDownClass(cls):
        cls.inputs.close()

    def package(self, data, last):
        """Saver, data file, uninstaller, a small media file, then last."""
        saver = harness.windows_program(periodic(20000, seed=1))
        path = self.inputs.package(NAME, ("saver.scr", saver), ("saver.dat", data),
                                   ("uninst.exe", periodic(8000, seed=3)),
                                   media=[("small.dat", periodic(3000, seed=6), None, None),
                                          ("last.dat", last, None, None)])
        with open(path, "rb") as f:
            return f.read(), damage.listing(path)

    def test_a_full_disk_leaves_nothing_and_exits_non_zero(self):
        cases = [("data file", 1, periodic(600000, seed=4), periodic(2000, seed=7), "packed"),
                 ("last media file", 4, periodic(5000, seed=2), noise(200000, seed=5), "stored")]
        for where, record, data, last, method in cases:
            package, info = self.package(data, last)
            self.assertEqual(info["records"][record]["method"], method)
            for command_line in ("/S", None):
                with self.subTest(where=where, command_line=command_line), harness.gui_prefix() as prefix:
                    # The small disk is the common application data folder (its
                    # few folders copied in): a mount point below it, in the
                    # data folder's chain, would stop the install.
                    folder = prefix.host_path("C:\\ProgramData")
                    os.rename(folder, folder + ".kept")
                    os.makedirs(prefix.host_path(state.TOOLS))  # where the snapshot exports the registry
                    # Mounted before Wine starts, which sees only the mounts made by then.
                    with harness.tmpfs(prefix, folder, TMPFS_BYTES):
                        shutil.copytree(folder + ".kept", folder, dirs_exist_ok=True)
                        prefix.keep_server()
                        before = state.Snapshot(prefix)
                        rules = ["The disk is full => OK"] + damage.GO_ON
                        run = damage.Run(self, prefix, package, NAME, command_line, rules=rules, timeout=60)
                        left = [d for d in before.differences(state.Snapshot(prefix)) if not d.startswith("file setup")]
                        self.assertEqual(left, [], run.transcript)  # but the package itself
                    self.assertEqual(run.transcript.splitlines()[-1], "exit code 1", run.transcript)
                    # Interactively the confirmation, the progress dialog and the message.
                    shown = re.findall(r'caption "([^"]*)", shown', run.transcript)
                    self.assertEqual(shown, [] if command_line else [CAPTION] * 3, run.transcript)
                    self.assertEqual(run.transcript.count(MESSAGE), 0 if command_line else 1, run.transcript)


if __name__ == "__main__":
    unittest.main()
