"""Keys and the close box in the installer's own dialogs, under Wine.

Enter chooses the default button (OK in the ordering-info dialog, Accept in
the licence dialog, whose focus is on the licence text); Esc and the close
box give IDCANCEL.  The keys go through the dialog's own modal loop, as a
real key press would.  Also the GUI driver's time-out: a window that no
rule answers is reported and the program is killed.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from test_install_sequence import INSTALLER_PATH, NAME, Package  # noqa: E402

REPLACE = "Replace Screen Saver? => Yes"  # runs after the first find the saver installed


def results(transcript, caption):
    """The results the windows with this caption ended with."""
    lines = transcript.splitlines()
    numbers = [line.split(":")[0] for line in lines if line.startswith("window ") and f'caption "{caption}"' in line]
    return [line.rsplit(" ", 1)[1] for line in lines for number in numbers
            if line.startswith(f"{number}: ended with ")]


class DialogKeys(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.package = Package(licence="Use it kindly.")
        cls.context = harness.gui_prefix()
        cls.prefix = cls.context.__enter__()
        cls.prefix.keep_server()
        cls.prefix.put(cls.package.path, INSTALLER_PATH)

    @classmethod
    def tearDownClass(cls):
        cls.context.__exit__(None, None, None)
        cls.package.close()

    def drive(self, rules, timeout=30):
        return self.prefix.drive(INSTALLER_PATH, None, rules, timeout=timeout)

    def test_ordering_info_dialog_keys(self):
        for action, result in [("enter", "1"), ("escape", "2"), ("close", "2")]:
            with self.subTest(action=action):
                code, transcript = self.drive([REPLACE, "Please Wait... => wait", "This program will install => OK",
                                               "License Agreement => Accept", "Installation Complete! => OK",
                                               f"Ordering Information => {action}"])
                self.assertEqual(code, 0, transcript)
                self.assertEqual(results(transcript, "Glimmerkit Ordering Information"), [result], transcript)
                # Its result is not looked at: the screen saver starts either way.
                self.assertIn("\nexit code 0\nstarted ", transcript)

    def test_licence_dialog_keys(self):
        for action, result in [("enter", "1"), ("escape", "2"), ("close", "2")]:
            with self.subTest(action=action):
                code, transcript = self.drive([REPLACE, "Please Wait... => wait", "This program will install => OK",
                                               f"License Agreement => {action}", "Installation Complete! => OK",
                                               "Ordering Information => OK"])
                self.assertEqual(code, 0, transcript)
                self.assertEqual(results(transcript, "License Agreement"), [result], transcript)
                installed = "Installation Complete!" in transcript
                self.assertEqual(installed, result == "1", transcript)

    def test_a_window_without_a_rule_is_reported_and_the_program_killed(self):
        code, transcript = self.drive([REPLACE], timeout=5)
        self.assertEqual(code, 1)
        lines = transcript.splitlines()
        self.assertEqual(lines[-1], "killed after time-out", transcript)
        self.assertRegex(lines[-2], r"^window \d+: no rule$", transcript)
        number = lines[-2].split(":")[0]
        header = [line for line in lines if line.startswith(f"{number}: class ")]
        self.assertEqual(len(header), 1, transcript)
        self.assertIn(f'caption "{NAME} Screen Saver Installation", shown', header[0])


if __name__ == "__main__":
    unittest.main()
