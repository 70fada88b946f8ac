"""The uninstaller, silent, on installed states laid out by hand."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from uninstall_state import (  # noqa: E402
    OUR_KEY, Snapshot, data_path, exists, install_tools, installed_files, key_exists, lay_out_install,
    run_uninstaller, screen_saver_active, system_ini, write_file, write_log)


class SilentUninstall(unittest.TestCase):
    def setUp(self):
        context = harness.gui_prefix()
        self.prefix = context.__enter__()
        self.addCleanup(context.__exit__, None, None, None)
        self.prefix.keep_server()
        install_tools(self.prefix)

    def uninstall(self, command_line="/s"):
        """A silent run: no window at all; returns the exit code."""
        code, windows = run_uninstaller(self.prefix, command_line)
        self.assertEqual(windows, [])
        return code

    def test_removes_everything_of_ours_and_leaves_the_rest(self):
        prefix = self.prefix
        before = Snapshot(prefix)
        # Two installs of the same screen saver appended to one log, and a
        # listed file that was never written.
        lay_out_install(prefix, log_lines=installed_files() + installed_files()
                        + [data_path("FILE0018.MID")])
        self.assertIn(b"SCRNSAVE.EXE=", system_ini(prefix))
        self.assertEqual(screen_saver_active(prefix), "1")

        self.assertEqual(self.uninstall(), 0)

        # The snapshot takes in the temporary folder: the copy that
        # removed the running uninstaller is gone too.
        self.assertEqual(before.differences(Snapshot(prefix)), [])
        self.assertFalse(key_exists(prefix, OUR_KEY))
        self.assertEqual(screen_saver_active(prefix), "0")
        self.assertFalse(exists(prefix, "C:\\ProgramData\\Quillmoor"))

    def test_only_listed_files_go_and_only_our_entries(self):
        prefix = self.prefix
        outside = "C:\\users\\Public\\Documents\\listed.txt"
        kept = ["C:\\users\\Public\\Documents\\kept.txt", data_path("unlisted.txt"),
                data_path("FILE0016.MID"), "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Other\\Other.dat"]
        for path in [outside] + kept:
            write_file(prefix, path)
        lines = [path for path in installed_files() if not path.endswith("FILE0016.MID")]
        lines += [outside, "C:\\users\\Public\\Documents\\*.txt", data_path("*"), "relative.txt",
                  "C:\\users\\Public\\Documents\\..\\Documents\\kept.txt",
                  "C:\\users\\Public\\Documents\\" + "k" * 300,
                  "C:\\users\\Public\\Documents\\kept.txt" + " " * 300]
        # The uninstall entry of the same name belongs to another program.
        lay_out_install(prefix, log_lines=lines,
                        uninstall_string="C:\\Program Files\\Night Sky\\remove.exe")
        # The screen saver setting names another screen saver.
        ini = prefix.host_path("C:\\windows\\system.ini")
        text = system_ini(prefix)
        start = text.index(b"SCRNSAVE.EXE=")
        end = text.index(b"\r\n", start)
        with open(ini, "wb") as out:
            out.write(text[:start] + b"SCRNSAVE.EXE=C:\\windows\\OTHER.SCR" + text[end:])

        self.assertEqual(self.uninstall("-S"), 0)

        self.assertFalse(exists(prefix, outside))
        for path in lines[:4]:
            self.assertFalse(exists(prefix, path), path)
        for path in kept:
            self.assertTrue(exists(prefix, path), path)
        self.assertFalse(exists(prefix, data_path("INSTALL.LOG")))
        self.assertIn(b"SCRNSAVE.EXE=C:\\windows\\OTHER.SCR\r\n", system_ini(prefix))
        self.assertEqual(screen_saver_active(prefix), "1")
        self.assertTrue(key_exists(prefix, OUR_KEY))

    def test_missing_or_empty_log_removes_nothing(self):
        prefix = self.prefix
        lay_out_install(prefix)
        os.unlink(prefix.host_path(data_path("INSTALL.LOG")))
        before = Snapshot(prefix)
        self.assertEqual(self.uninstall(), 0)
        self.assertEqual(before.differences(Snapshot(prefix)), [])

        # A log with no usable line is as good as none.
        write_log(prefix, [], raw=b"\r\n\r\nrelative\r\nC:\\*.*\r\n" + b"C:\\" + b"x" * 400)
        before = Snapshot(prefix)
        self.assertEqual(self.uninstall(), 0)
        self.assertEqual(before.differences(Snapshot(prefix)), [])
        self.assertTrue(key_exists(prefix, OUR_KEY))
        self.assertEqual(screen_saver_active(prefix), "1")

    def test_a_file_that_stays_keeps_the_record_for_a_second_run(self):
        prefix = self.prefix
        before = Snapshot(prefix)
        # A listed path that is a folder cannot be removed as a file.
        blocker = data_path("FILE0019.AVI")
        lay_out_install(prefix, log_lines=installed_files() + [blocker])
        os.makedirs(prefix.host_path(blocker))

        self.assertEqual(self.uninstall(), 2)
        # Every other listed file is gone, and the screen saver setting
        # with its file; the uninstaller, its log and the uninstall key
        # stay so that the uninstall can be run again.
        for path in installed_files():
            self.assertEqual(exists(prefix, path), path.endswith("UNINSTAL.EXE"), path)
        self.assertTrue(exists(prefix, data_path("INSTALL.LOG")))
        self.assertTrue(key_exists(prefix, OUR_KEY))
        self.assertNotIn(b"SCRNSAVE.EXE", system_ini(prefix))
        self.assertEqual(screen_saver_active(prefix), "0")

        os.rmdir(prefix.host_path(blocker))
        self.assertEqual(self.uninstall(), 0)
        self.assertEqual(before.differences(Snapshot(prefix)), [])


if __name__ == "__main__":
    unittest.main()
