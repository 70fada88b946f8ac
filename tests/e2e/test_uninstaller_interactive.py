"""The uninstaller as the user sees it, under the GUI driver: the question,
the report, what "/s" hides, and a second run."""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from uninstall_state import (  # noqa: E402
    BASE, DATA, OUR_KEY, UNINSTALLER, data_path, exists, install_tools, installed_files, key_exists,
    lay_out_install, system_ini)

CAPTION = f'caption "{BASE} Screen Saver Uninstall", shown'
QUESTION = f"This will remove the {BASE} Screen Saver and all of its files from your computer.  Continue?"


def escaped(text):
    """A text as the driver's transcript writes it."""
    special = {13: "\\r", 10: "\\n", 9: "\\t", 92: "\\\\", 34: '\\"'}
    return "".join(special.get(c) or (chr(c) if 0x20 <= c < 0x7F else f"\\x{c:02X}")
                   for c in text.encode("latin-1"))


def question_box(number, answer):
    code = {"Yes": 6, "No": 7}[answer]
    return [f'window {number}: class "#32770", {CAPTION}',
            '  control Static 1088: ""',
            '  control Button 6: "&Yes"',
            '  control Button 7: "&No"',
            f'  control Static 65535: "{QUESTION}"',
            f"window {number}: answer {answer}",
            f"window {number}: ended with {code}"]


def message_box(number, text):
    return [f'window {number}: class "#32770", {CAPTION}',
            '  control Static 1088: ""',
            '  control Button 1: "OK"',
            f'  control Static 65535: "{escaped(text)}"',
            f"window {number}: answer OK",
            f"window {number}: ended with 1"]


class InteractiveUninstall(unittest.TestCase):
    def setUp(self):
        context = harness.gui_prefix()
        self.prefix = context.__enter__()
        self.addCleanup(context.__exit__, None, None, None)
        self.prefix.keep_server()
        install_tools(self.prefix)

    def uninstall(self, command_line=None, rules=("Continue? => Yes", "removed => OK", "nothing to remove => OK")):
        """Runs the uninstaller; returns its transcript without the lines
        about the clean-up copy it starts, and whether it started one."""
        code, transcript = self.prefix.drive(data_path("UNINSTAL.EXE"), command_line, list(rules))
        self.assertEqual(code, 0, transcript)
        lines = transcript.splitlines()
        started = [line for line in lines if line.startswith("started ")]
        for line in started:
            self.assertIn("/glimmerkit-cleanup", line)
            self.assertTrue(line.endswith("exit code 0"), line)
        return [line for line in lines if not line.startswith("started ")], len(started)

    def key_exists(self):
        return key_exists(self.prefix, OUR_KEY)

    def temp_files(self):
        """The temporary folder of the prefix's user."""
        return sorted(os.listdir(self.prefix.host_path(self.prefix.temp_directory().rstrip("\\"))))

    def test_no_changes_nothing_and_a_failed_uninstall_is_finished_by_a_second_run(self):
        prefix = self.prefix
        blocker = data_path("FILE0019.AVI")
        lay_out_install(prefix, log_lines=installed_files() + [blocker])
        temp = self.temp_files()

        lines, started = self.uninstall(rules=["Continue? => No"])
        self.assertEqual(lines, question_box(1, "No") + ["exit code 1"])
        self.assertEqual(started, 0)
        for path in installed_files():
            self.assertTrue(exists(prefix, path), path)
        self.assertTrue(self.key_exists())

        # A listed path that is a folder cannot be removed as a file: the
        # report names it and the record stays.
        os.makedirs(prefix.host_path(blocker))
        lines, started = self.uninstall()
        report = (f"The {BASE} Screen Saver has been removed, but the following could not be removed:"
                  f"\r\n\r\n{blocker}\r\n")
        self.assertEqual(lines, question_box(1, "Yes") + message_box(2, report) + ["exit code 2"])
        self.assertEqual(started, 0)
        self.assertTrue(exists(prefix, data_path("UNINSTAL.EXE")))
        self.assertTrue(self.key_exists())

        # The second run, silent: no window at all.
        os.rmdir(prefix.host_path(blocker))
        lines, started = self.uninstall("/s", rules=[])
        self.assertEqual(lines, ["exit code 0"])
        self.assertEqual(started, 1)
        self.assertFalse(exists(prefix, "C:\\ProgramData\\Quillmoor"))
        self.assertFalse(self.key_exists())
        self.assertNotIn(b"SCRNSAVE.EXE", system_ini(prefix))
        self.assertEqual(self.temp_files(), temp)

    def test_yes_removes_all_and_says_so(self):
        prefix = self.prefix
        lay_out_install(prefix)
        temp = self.temp_files()
        lines, started = self.uninstall()
        self.assertEqual(lines, question_box(1, "Yes")
                         + message_box(2, f"The {BASE} Screen Saver has been removed from your computer.")
                         + ["exit code 0"])
        self.assertEqual(started, 1)
        for path in installed_files():
            self.assertFalse(exists(prefix, path), path)
        self.assertFalse(exists(prefix, "C:\\ProgramData\\Quillmoor"))
        self.assertFalse(self.key_exists())
        self.assertEqual(self.temp_files(), temp)

    def test_without_a_log_there_is_nothing_to_do_and_it_says_so(self):
        prefix = self.prefix
        os.makedirs(prefix.host_path(DATA))
        shutil.copyfile(UNINSTALLER, prefix.host_path(data_path("UNINSTAL.EXE")))
        text = (f"There is nothing to remove: the install log ({data_path('INSTALL.LOG')}) is missing or "
                "lists no files.  Nothing has been changed.")
        lines, started = self.uninstall()
        self.assertEqual(lines, message_box(1, text) + ["exit code 0"])
        lines, started = self.uninstall("-s", rules=[])
        self.assertEqual(lines, ["exit code 0"])
        self.assertEqual(started, 0)
        self.assertTrue(exists(prefix, data_path("UNINSTAL.EXE")))


if __name__ == "__main__":
    unittest.main()
