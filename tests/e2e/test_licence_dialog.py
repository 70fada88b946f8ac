"""The licence dialog: the whole text in the read-only edit, Accept (and
Enter) going on, Decline, Esc and the close box stopping with nothing
written, in both modes; no dialog for a package without a licence."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from check_packages import Packages, has_data_folder, windows_captions  # noqa: E402

LICENCE_CAPTION = "License Agreement"
INSTALL_CAPTION = "Meadow Screen Saver Installation"
CONFIRMATION = "This program will install Meadow Screen Saver"


def licence_text():
    """Many lines, longer than the edit shows at once, with every printable
    character: the edit must hold it whole (the driver reads it back)."""
    printable = "".join(chr(c) for c in range(0x20, 0x7F))
    lines = [f"{n:03d} {printable}" for n in range(60)]
    return "\n".join(lines) + "\nThe end.\n"


def escaped(text):
    """The text as the transcript writes it (CR LF line ends, C escapes)."""
    return text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\r\\n")


class LicenceDialog(unittest.TestCase):
    def setUp(self):
        self.packages = Packages()
        self.addCleanup(self.packages.close)
        p = self.packages
        saver = p.write("saver.scr", harness.windows_program(os.urandom(2000)))
        data = p.write("saver.dat", b"meadow " * 300)
        self.licence = licence_text()
        licence = p.write("licence.txt", self.licence.encode("ascii"))
        self.with_licence = p.build("licensed.exe", "Meadow", saver, data, "--license", licence)
        self.without = p.build("plain.exe", "Meadow", saver, data)

    def assert_nothing_written(self, prefix, transcript):
        self.assertIn("exit code 0", transcript)
        self.assertFalse(os.path.exists(os.path.join(prefix.windows, "Meadow.scr")), transcript)
        self.assertFalse(has_data_folder(prefix, "Meadow"), transcript)

    def test_interactive(self):
        with harness.gui_prefix() as prefix:
            prefix.put(self.with_licence, "C:\\licensed.exe")
            prefix.put(self.without, "C:\\plain.exe")

            # Decline, Esc and the close box stop after the dialog.
            for action in ["Decline", "escape", "close"]:
                with self.subTest(action=action):
                    code, transcript = prefix.drive("C:\\licensed.exe", rules=[
                        f"{CONFIRMATION} => OK", f"{LICENCE_CAPTION} => {action}"])
                    self.assertEqual(code, 0, transcript)
                    self.assertEqual(windows_captions(transcript), [INSTALL_CAPTION, LICENCE_CAPTION], transcript)
                    self.assertIn("window 2: ended with 2", transcript)
                    self.assert_nothing_written(prefix, transcript)

            # Enter chooses Accept although the edit has the focus.
            code, transcript = prefix.drive("C:\\licensed.exe", rules=[
                f"{CONFIRMATION} => OK", f"{LICENCE_CAPTION} => enter", "Installation Complete! => OK",
                "* => OK"])
            self.assertEqual(code, 0, transcript)
            lines = transcript.splitlines()
            licence_window = lines.index(f'window 2: class "#32770", caption "{LICENCE_CAPTION}", shown')
            self.assertEqual(lines[licence_window + 1:licence_window + 4], [
                '  control Button 1: "Accept"',
                '  control Button 2: "Decline"',
                f'  control Edit 1009: "{escaped(self.licence)}"',
            ])
            self.assertIn("window 2: ended with 1", transcript)
            self.assertEqual(windows_captions(transcript)[2], INSTALL_CAPTION)  # the progress dialog
            self.assertIn("Installation Complete!", transcript)
            self.assertTrue(os.path.isfile(os.path.join(prefix.windows, "Meadow.scr")))
            self.assertTrue(has_data_folder(prefix, "Meadow"))

            # A package without a licence goes from the confirmation
            # straight to the progress dialog.
            code, transcript = prefix.drive("C:\\plain.exe", rules=[
                "Replace Screen Saver? => Yes", f"{CONFIRMATION} => OK", "* => OK"])
            self.assertEqual(code, 0, transcript)
            self.assertNotIn(LICENCE_CAPTION, transcript)
            self.assertIn("Installation Complete!", transcript)

    def test_silent(self):
        with harness.gui_prefix() as prefix:
            prefix.put(self.with_licence, "C:\\licensed.exe")
            prefix.put(self.without, "C:\\plain.exe")

            # Silent mode shows the licence too; declining stops.
            code, transcript = prefix.drive("C:\\licensed.exe", "/S", rules=[f"{LICENCE_CAPTION} => Decline"])
            self.assertEqual(windows_captions(transcript), [LICENCE_CAPTION], transcript)
            self.assertIn(f'control Edit 1009: "{escaped(self.licence)}"', transcript)
            self.assert_nothing_written(prefix, transcript)

            code, transcript = prefix.drive("C:\\licensed.exe", "/S", rules=[f"{LICENCE_CAPTION} => Accept"])
            self.assertEqual(windows_captions(transcript), [LICENCE_CAPTION, INSTALL_CAPTION], transcript)
            self.assertIn("exit code 0", transcript)
            self.assertTrue(os.path.isfile(os.path.join(prefix.windows, "Meadow.scr")))
            self.assertTrue(has_data_folder(prefix, "Meadow"))

            # No licence: nothing at all is shown.
            os.unlink(os.path.join(prefix.windows, "Meadow.scr"))
            code, transcript = prefix.drive("C:\\plain.exe", "/S", rules=["* => Cancel"])
            self.assertEqual(windows_captions(transcript), [INSTALL_CAPTION], transcript)
            self.assertNotIn(" shown", transcript)
            self.assertTrue(os.path.isfile(os.path.join(prefix.windows, "Meadow.scr")))


if __name__ == "__main__":
    unittest.main()
