"""A system that fails the installer under Wine: no "SHFOLDER.DLL",
access refused on the uninstall key, a media file the system cannot open,
a read-only screen saver file of the same name.  Each run ends by itself
with its exit code, shows only known windows and writes only into the
data folder and the Windows directory (damage.Run.check), with the
outcome each fault is given."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
import media_samples  # noqa: E402
from extraction_checks import Inputs, noise, periodic, values  # noqa: E402

NAME = "Hard Times"
CAPTION = f"{NAME} Screen Saver Installation"
PROBE = harness.program("registration_probe")
UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"


class SystemFaults(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.inputs = Inputs()
        cls.files = [harness.windows_program(periodic(9000, seed=1)), noise(3000, seed=2), periodic(7000, seed=3)]
        cls.wav = media_samples.wav_bytes()
        path = cls.inputs.package(NAME, ("saver.scr", cls.files[0]), ("saver.dat", cls.files[1]),
                                  ("uninst.exe", cls.files[2]), media=[("tone.wav", cls.wav, None, None)])
        with open(path, "rb") as f:
            cls.package = f.read()
        assert [r["method"] for r in damage.listing(path)["records"]][:2] == ["packed", "stored"]

    @classmethod
    def tearDownClass(cls):
        cls.inputs.close()

    def prefix(self, extra_env=None):
        context = harness.gui_prefix()
        prefix = context.__enter__()
        self.addCleanup(context.__exit__, None, None, None)
        if extra_env:
            prefix.extra_env.update(extra_env)
        prefix.keep_server()
        return prefix

    def paths(self, prefix, folder):
        return [f"{prefix.windows_directory()}\\{NAME}.scr", f"{folder}{NAME}.dat", f"{folder}UNINSTAL.EXE",
                f"{folder}FILE0001.WAV"]

    def test_no_shfolder_puts_the_data_folder_under_the_windows_directory(self):
        prefix = self.prefix({"WINEDLLOVERRIDES": "mscoree,mshtml=;shfolder="})
        windows = prefix.windows_directory()
        root = f"{windows}\\All Users\\Application Data\\Quillmoor\\Glimmerkit"
        run = damage.Run(self, prefix, self.package, NAME, None, data_root=root).check()
        self.assertEqual(run.captions(), [CAPTION] * 3 + ["Glimmerkit Ordering Information"], run.transcript)
        self.assertEqual(run.log(), self.paths(prefix, f"{root}\\{NAME}\\"))
        for path, content in zip(run.log(), self.files + [self.wav]):
            self.assertEqual(run.read(path), content, path)
        self.assertFalse(os.path.exists(prefix.host_path(f"{damage.DATA_ROOT}\\{NAME}")))
        self.assertEqual(values(prefix, NAME)["InstallLocation"][1], f"{root}\\{NAME}")

    def test_access_refused_on_the_uninstall_key(self):
        prefix = self.prefix()
        code, out, err = prefix.run(PROBE, ["deny", f"{UNINSTALL}\\{NAME}"], timeout=60)
        self.assertEqual((code, out.strip()), (0, "deny=0"), err)
        for command_line in ("/S", None):
            with self.subTest(command_line=command_line):
                run = damage.Run(self, prefix, self.package, NAME, command_line,
                                 rules=damage.GO_ON + ["Error!!! => OK"]).check()
                # The error in both modes, then nothing: the dialog ends with
                # 2 before any folder or file is made.
                # The shown progress dialog and the box over it may be
                # recorded in either order on a busy machine.
                expected = ["Error!!!", CAPTION] if command_line else [CAPTION, "Error!!!", CAPTION]
                self.assertEqual(sorted(run.captions()), sorted(expected), run.transcript)
                lines = run.transcript.splitlines()
                self.assertEqual(lines[-1], "exit code 0", run.transcript)
                self.assertRegex(run.transcript, r"window \d+: ended with 2\n")
                self.assertEqual([path for path in run.changed if not path.startswith("setup")], [])
                self.assertIsNone(damage.boot_entry(prefix))
        self.assertEqual(values(prefix, NAME), {})

    def test_media_file_the_system_cannot_open(self):
        bogus = self.inputs.package(NAME, ("saver.scr", self.files[0]), ("saver.dat", self.files[1]),
                                    ("uninst.exe", self.files[2]),
                                    media=[("tone.wav", self.wav, None, None),
                                           ("bad.xyz", media_samples.bogus_bytes(), None, None)])
        with open(bogus, "rb") as f:
            package = f.read()
        prefix = self.prefix()
        for command_line in ("/S", None):
            with self.subTest(command_line=command_line):
                damage.forget(prefix, NAME)
                run = damage.Run(self, prefix, package, NAME, command_line).check()
                # Every file installed; the type is listed, the question
                # asked in both modes; no default screen saver, no start.
                self.assertEqual(len(run.log()), 5)
                self.assertIn("player:\\r\\n\\r\\n.XYZ\\r\\n\\r\\nThese", run.transcript)
                expected = ([CAPTION, "Missing support codecs"] if command_line else
                            [CAPTION, CAPTION, "Missing support codecs", "Glimmerkit Ordering Information"])
                self.assertEqual(run.captions(), expected, run.transcript)
                self.assertIsNone(damage.boot_entry(prefix))

    def test_read_only_screen_saver_of_the_same_name(self):
        prefix = self.prefix()
        windows = prefix.windows_directory()
        old = b"MZ an older screen saver"
        host = os.path.join(prefix.windows, f"{NAME}.scr")
        # Read-only as the system shows it; and, since the tests run as
        # root, whom no permission stops, immutable on the host as well.
        self.addCleanup(subprocess.run, ["chattr", "-i", host], stderr=subprocess.DEVNULL)
        stored = self.inputs.package(NAME, ("saver.scr", self.files[0]), ("saver.dat", self.files[1]),
                                     ("uninst.exe", self.files[2]), media=[("tone.wav", self.wav, None, None)],
                                     store=True)
        with open(stored, "rb") as f:
            packages = {"packed": self.package, "stored": f.read()}
        for method, package in packages.items():
            with self.subTest(method=method):
                subprocess.run(["chattr", "-i", host], stderr=subprocess.DEVNULL)
                damage.forget(prefix, NAME)
                with open(host, "wb") as f:
                    f.write(old)
                os.chmod(host, 0o444)
                if os.geteuid() == 0:
                    subprocess.run(["chattr", "+i", host], check=True)
                run = damage.Run(self, prefix, package, NAME, None).check(1)
                # The user agrees to replace it; the file can't be written
                # and keeps its bytes, and the install fails there, saying
                # why: nothing of it is left, and nothing was made default.
                self.assertEqual(run.captions(), ["Replace Screen Saver?", CAPTION, CAPTION, CAPTION], run.transcript)
                self.assertIn("Access to the file is denied.", run.transcript)
                self.assertEqual(run.read(f"{windows}\\{NAME}.scr"), old)
                self.assertIsNone(run.log())
                self.assertIsNone(damage.boot_entry(prefix))

if __name__ == "__main__":
    unittest.main()
