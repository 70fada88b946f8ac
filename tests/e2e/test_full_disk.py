"""Files the install cannot write, under Wine: a disk that fills up, and
destinations that cannot be created.

The data folder lies on a small tmpfs, so the disk fills either in the data file
(a packed file, before the uninstaller is written) or in the last media file
(a stored file, after the uninstaller and its entry).  A destination cannot
be created when a folder stands at the screen saver's place or at a media
file's, or when a running program holds the screen saver's file open.
Each time, silently and interactively, the install is a failure taken back
whole (damage.failed_install): nothing of it is left on the disk, in the
list of installed programs or in "system.ini", the process exits with
status 1, and only an interactive run says so, in one message.
"""
import contextlib
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
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
                    # Mounted before Wine starts, which sees only the mounts made by then.
                    with harness.tmpfs(prefix, folder, TMPFS_BYTES):
                        shutil.copytree(folder + ".kept", folder, dirs_exist_ok=True)
                        prefix.keep_server()
                        run = damage.failed_install(self, prefix, package, NAME, command_line, 1, MESSAGE,
                                                    rules=["The disk is full => OK"] + damage.GO_ON)
                    # Interactively the confirmation, the progress dialog and the message.
                    shown = re.findall(r'caption "([^"]*)", shown', run.transcript)
                    self.assertEqual(shown, [] if command_line else [CAPTION] * 3, run.transcript)


class DestinationsThatCannotBeCreated(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.inputs = Inputs()
        cls.addClassCleanup(cls.inputs.close)
        path = cls.inputs.package(NAME, ("saver.scr", harness.windows_program(periodic(20000, seed=1))),
                                  ("saver.dat", periodic(5000, seed=2)), ("uninst.exe", periodic(8000, seed=3)),
                                  media=[("small.dat", periodic(3000, seed=6), None, None)])
        with open(path, "rb") as f:
            cls.package = f.read()

    def test_a_destination_that_cannot_be_created_leaves_nothing_and_exits_non_zero(self):
        saver = f"C:\\windows\\{NAME}.scr"
        media = f"{damage.DATA_ROOT}\\{NAME}\\FILE0001.DAT"
        folder_reason = "A folder of that name stands in its place."
        cases = [("a folder at the screen saver's place", saver, "folder", folder_reason),
                 ("a folder at a media file's place", media, "folder", folder_reason),
                 ("the screen saver held open", saver, "held", "The file is in use.  Close the screen saver")]
        for what, path, how, reason in cases:
            for command_line in ("/S", None):
                with self.subTest(what=what, command_line=command_line), harness.gui_prefix() as prefix:
                    prefix.keep_server()
                    host = prefix.host_path(path)
                    os.makedirs(host if how == "folder" else os.path.dirname(host), exist_ok=True)
                    with holding(prefix, path) if how == "held" else contextlib.nullcontext():
                        run = damage.failed_install(self, prefix, self.package, NAME, command_line, 1, reason)
                    if not command_line:
                        self.assertIn(path.replace("\\", "\\\\"), run.transcript)
                    if how == "held":
                        self.assertEqual(harness.read_bytes(host), b"the old screen saver")


@contextlib.contextmanager
def holding(prefix, path):
    """The file at path (written anew) held open without sharing by a
    running program, as a running screen saver holds its own file."""
    host = prefix.host_path(path)
    with open(host, "wb") as f:
        f.write(b"the old screen saver")
    holder = subprocess.Popen(harness.WINE + [harness.program("holdfile"), path],
                              env=prefix.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # The holder says when it holds the file; the wait is a safety net.
        for _ in range(6000):
            if os.path.exists(host + ".held") or holder.poll() is not None:
                break
            time.sleep(0.01)
        assert os.path.exists(host + ".held"), f"the holder ended with {holder.poll()}"
        os.unlink(host + ".held")
        yield
    finally:
        with open(host + ".release", "wb"):
            pass
        holder.wait(timeout=60)
        os.unlink(host + ".release")


if __name__ == "__main__":
    unittest.main()
