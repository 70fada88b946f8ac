"""A disk that fills up while a file is written, under Wine.

One data file of the package lands on a small tmpfs: the file's place in
the data folder is a link to a file on the tmpfs, mounted under the test's
own folder, so only that file's writes meet the full disk and everything
else (the install log above all) still goes to the real disk.

- A packed file: the decoder's write falls short, and the process ends at
  once with exit status 0: the file keeps what was written, gets no line in
  the install log, and nothing that would have followed happens (later
  files, the screen saver setting, closing messages).
- A stored file: the copy's writes fall short unnoticed and the walk goes
  on as designed; the file is listed in the log like every other.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
import media_samples  # noqa: E402
from extraction_checks import Inputs, noise, periodic, values  # noqa: E402

NAME = "Full Moon"
TMPFS_BYTES = 64 * 1024


@unittest.skipUnless(os.geteuid() == 0, "mounting the small disk needs root")
class FullDisk(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.inputs = Inputs()
        cls.wav = media_samples.wav_bytes()

    @classmethod
    def tearDownClass(cls):
        cls.inputs.close()

    def package(self, big):
        """Saver, data file and uninstaller, then the big data file (record
        3, FILE0001.DAT) and a small wave file (record 4, FILE0002.WAV)."""
        files = [periodic(20000, seed=1), periodic(5000, seed=2), periodic(8000, seed=3)]
        path = self.inputs.package(NAME, ("saver.scr", files[0]), ("saver.dat", files[1]), ("uninst.exe", files[2]),
                                   media=[("big.dat", big, None, None), ("tone.wav", self.wav, None, None)])
        with open(path, "rb") as f:
            return f.read(), files, damage.listing(path)

    def install_onto_small_disk(self, prefix, disk, package, command_line):
        """Links FILE0001.DAT of the data folder to a file on the small
        disk, then runs the installer."""
        folder = prefix.host_path(f"{damage.DATA_ROOT}\\{NAME}")
        os.makedirs(folder, exist_ok=True)
        target = os.path.join(disk, "FILE0001.DAT")
        open(target, "wb").close()
        os.symlink(target, os.path.join(folder, "FILE0001.DAT"))
        # An interactive run's progress dialog is recorded at the first
        # write: a process that ends inside it never ends the dialog, and a
        # poll would find it or not depending on the machine's speed.
        rules = damage.GO_ON if command_line else ["Please Wait... => @1 wait"] + damage.GO_ON
        return damage.Run(self, prefix, package, NAME, command_line, rules=rules, timeout=60).check()

    def test_packed_file_ends_the_process_at_once(self):
        big = periodic(600000, seed=4)
        package, files, info = self.package(big)
        self.assertEqual(info["records"][3]["method"], "packed")
        for command_line in ("/S", None):
            with self.subTest(command_line=command_line), harness.gui_prefix() as prefix, \
                    harness.tmpfs(prefix, "small-disk", TMPFS_BYTES) as disk:
                prefix.keep_server()
                windows = prefix.windows_directory()
                run = self.install_onto_small_disk(prefix, disk, package, command_line)
                folder = run.data_folder
                # The first three files are in place and logged, the
                # uninstaller registered.
                self.assertEqual(run.log(), [f"{windows}\\{NAME}.scr", f"{folder}{NAME}.dat",
                                             f"{folder}UNINSTAL.EXE"])
                for path, content in zip(run.log(), files):
                    self.assertEqual(run.read(path), content)
                self.assertEqual(values(prefix, NAME)["UninstallString"][1], f"{folder}UNINSTAL.EXE")
                # The big file holds the four writes of 16384 bytes that
                # filled the disk; the fifth fell short.
                written = run.read(f"{folder}FILE0001.DAT")
                self.assertEqual(written, big[:TMPFS_BYTES])
                # Nothing after it: no later file, no screen saver setting,
                # no closing message.  The process ends inside the progress
                # dialog, which never ends: the transcript shows only the
                # confirmation and the progress dialog of an interactive run.
                self.assertIsNone(run.read(f"{folder}FILE0002.WAV"))
                self.assertIsNone(damage.boot_entry(prefix))
                self.assertEqual(run.captions(), [] if command_line else [f"{NAME} Screen Saver Installation"] * 2,
                                 run.transcript)

    def test_stored_file_is_cut_and_the_walk_goes_on(self):
        big = noise(200000, seed=5)
        package, files, info = self.package(big)
        self.assertEqual(info["records"][3]["method"], "stored")
        with harness.gui_prefix() as prefix, harness.tmpfs(prefix, "small-disk", TMPFS_BYTES) as disk:
            prefix.keep_server()
            windows = prefix.windows_directory()
            run = self.install_onto_small_disk(prefix, disk, package, "/S")
            folder = run.data_folder
            self.assertEqual(run.log(), [f"{windows}\\{NAME}.scr", f"{folder}{NAME}.dat", f"{folder}UNINSTAL.EXE",
                                         f"{folder}FILE0001.DAT", f"{folder}FILE0002.WAV"])
            written = run.read(f"{folder}FILE0001.DAT")
            self.assertLessEqual(len(written), TMPFS_BYTES)
            self.assertEqual(written, big[:len(written)])
            self.assertEqual(run.read(f"{folder}FILE0002.WAV"), self.wav)
            # The cut file is no media file the system plays: its type is
            # listed, and the question is the last thing shown.
            self.assertEqual(run.captions(), [f"{NAME} Screen Saver Installation", "Missing support codecs"],
                             run.transcript)
            self.assertIn("player:\\r\\n\\r\\n.DAT\\r\\n\\r\\nThese", run.transcript)


if __name__ == "__main__":
    unittest.main()
