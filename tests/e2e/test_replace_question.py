"""The question before a same-name screen saver is replaced: for a file and
for a folder of that name, answered Yes and No, never asked in silent mode,
and looked up by the name the install will write."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from check_packages import Packages, has_data_folder, windows_captions  # noqa: E402

CAPTION = "Replace Screen Saver?"
QUESTION = ("There is already a screen saver by the same name (Aquarium.SCR) installed on your system.  "
            "Would you like to replace it?")
CONFIRMATION = "This program will install Aquarium Screen Saver"
OLD = b"old screen saver"


class ReplaceQuestion(unittest.TestCase):
    def setUp(self):
        self.packages = Packages()
        self.addCleanup(self.packages.close)
        p = self.packages
        saver = p.write("saver.scr", harness.windows_program(b"new screen saver " + os.urandom(3000)))
        data = p.write("saver.dat", b"data " * 400)
        self.saver_bytes = self.content(saver)
        self.total = sum(os.path.getsize(f) for f in (saver, data, p.uninstaller))
        self.package = p.build("plain.exe", "Aquarium", saver, data)
        # Stored with trailing spaces: the install writes "Aquarium.scr".
        self.spaced = p.build("spaced.exe", "Aquarium   ", saver, data)

    def existing(self, prefix, name="aquarium.scr"):
        path = os.path.join(prefix.windows, name)
        with open(path, "wb") as f:
            f.write(OLD)
        return path

    def content(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_question_for_a_file_and_a_folder(self):
        with harness.gui_prefix() as prefix:
            prefix.put(self.package, "C:\\plain.exe")
            prefix.put(self.spaced, "C:\\spaced.exe")

            # No: the install stops at once, nothing written.  The lower-case
            # file is named with the upper-case ".SCR" of the question.
            existing = self.existing(prefix)
            code, transcript = prefix.drive("C:\\plain.exe", rules=[f"{CAPTION} => No"])
            self.assertEqual(code, 0, transcript)
            self.assertEqual(windows_captions(transcript), [CAPTION], transcript)
            self.assertIn(f'control Static 65535: "{QUESTION}"', transcript)
            self.assertIn('control Button 6: "&Yes"', transcript)
            self.assertIn('control Button 7: "&No"', transcript)
            self.assertIn("window 1: ended with 7", transcript)
            self.assertIn("exit code 0", transcript)
            self.assertEqual(self.content(existing), OLD)
            self.assertFalse(has_data_folder(prefix, "Aquarium"))

            # A name stored with trailing spaces looks up the file that the
            # install would write, and names it trimmed.
            code, transcript = prefix.drive("C:\\spaced.exe", rules=[f"{CAPTION} => No"])
            self.assertEqual(windows_captions(transcript), [CAPTION], transcript)
            self.assertIn(f'"{QUESTION}"', transcript)

            # Yes: the install goes on, shows the byte total and replaces
            # the file.
            code, transcript = prefix.drive("C:\\plain.exe", rules=[
                f"{CAPTION} => Yes", f"{CONFIRMATION} => OK", "* => OK"])
            self.assertEqual(code, 0, transcript)
            captions = windows_captions(transcript)
            self.assertEqual(captions[:2], [CAPTION, "Aquarium Screen Saver Installation"], transcript)
            self.assertIn(f"This installation will take {self.total:,} bytes.", transcript)
            self.assertIn("Installation Complete!", transcript)
            self.assertEqual(self.content(existing), self.saver_bytes)
            self.assertTrue(has_data_folder(prefix, "Aquarium"))
            os.unlink(existing)

            # A folder of the screen saver's file name is asked about too.
            folder = os.path.join(prefix.windows, "AQUARIUM.Scr")
            os.mkdir(folder)
            code, transcript = prefix.drive("C:\\plain.exe", rules=[f"{CAPTION} => No"])
            self.assertEqual(windows_captions(transcript), [CAPTION], transcript)
            self.assertIn(f'"{QUESTION}"', transcript)
            self.assertTrue(os.path.isdir(folder))
            os.rmdir(folder)

            # Without a same-name file there is no question.
            code, transcript = prefix.drive("C:\\plain.exe", rules=[f"{CONFIRMATION} => Cancel"])
            self.assertEqual(windows_captions(transcript), ["Aquarium Screen Saver Installation"], transcript)

    def test_silent_mode_replaces_without_a_question(self):
        with harness.gui_prefix() as prefix:
            prefix.put(self.package, "C:\\plain.exe")
            existing = self.existing(prefix, "Aquarium.scr")
            code, transcript = prefix.drive("C:\\plain.exe", "/S", rules=["* => No"])
            self.assertEqual(code, 0, transcript)
            self.assertNotIn(CAPTION, transcript)
            # Only the progress dialog, which silent mode never shows.
            self.assertEqual(windows_captions(transcript), ["Aquarium Screen Saver Installation"], transcript)
            self.assertIn("hidden", transcript.splitlines()[0])
            self.assertIn("exit code 0", transcript)
            self.assertEqual(self.content(existing), self.saver_bytes)


if __name__ == "__main__":
    unittest.main()
