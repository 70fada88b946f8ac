"""The install sequence under Wine, as the user sees it.

A packaged installer runs under the GUI driver, which records every window
it shows and answers it; each test compares the transcript with what the
sequence must show, in order, text for text.  The packaged screen saver is
marksaver, which notes how it was started in C:\\saver-started.txt.
"""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

NAME = "Night Sky"
MARKER = "C:\\saver-started.txt"
INSTALLER_PATH = "C:\\setup\\nightsky.exe"
DRIVER_TIMEOUT = 30

# Answers for a whole interactive install; the progress dialog ends by itself.
ACCEPT_ALL = ["Please Wait... => wait", "This program will install => OK", "Installation Complete! => OK",
              "Ordering Information => OK"]


def escaped(text):
    """A text as the driver's transcript writes it."""
    out = []
    for c in text.encode("latin-1"):
        special = {13: "\\r", 10: "\\n", 9: "\\t", 92: "\\\\", 34: '\\"'}
        out.append(special.get(c) or (chr(c) if 0x20 <= c < 0x7F else f"\\x{c:02X}"))
    return "".join(out)


def upper_ascii(text):
    return "".join(chr(ord(c) - 32) if "a" <= c <= "z" else c for c in text)


def confirmation_box(number, name, windows_directory, total):
    text = (f"This program will install {name} Screen Saver to {upper_ascii(windows_directory)} and will make it "
            f"your default Screen Saver.  This installation will take {total:,} bytes.")
    return [f'window {number}: class "#32770", caption "{escaped(name)} Screen Saver Installation", shown',
            '  control Static 1088: ""',
            '  control Button 1: "OK"',
            '  control Button 2: "Cancel"',
            f'  control Static 65535: "{escaped(text)}"']


def progress_dialog(number, name, shown):
    return [f'window {number}: class "#32770", caption "{escaped(name)} Screen Saver Installation", '
            + ("shown" if shown else "hidden"),
            '  control Button 1: "OK" hidden',
            '  control Button 2: "Cancel"',
            '  control Static 65535: "Installing"',
            '  control Static 65535: "Please Wait..."',
            f'  control Static 1001: "{escaped(name)} Screen Saver"',
            f"window {number}: ended with 1"]


def completion_box(number, name):
    return [f'window {number}: class "#32770", caption "{escaped(name)} Screen Saver Installation", shown',
            '  control Static 1088: ""',
            '  control Button 1: "OK"',
            '  control Static 65535: "Installation Complete!"',
            f"window {number}: answer OK",
            f"window {number}: ended with 1"]


def ordering_info(number):
    return [f'window {number}: class "#32770", caption "Glimmerkit Ordering Information", shown',
            '  control Static 65535: "GLIMMERKIT"',
            '  control Button 1: "OK"',
            '  control Static 65535: "This custom screen saver was made with"',
            '  control Static 65535: "Your pictures, your music, your screen."',
            '  control Static 65535: "To make screen savers of your own,\\norder Glimmerkit from Quillmoor."',
            '  control Static 65535: "Find Quillmoor on the web\\nfor Glimmerkit and more."',
            f"window {number}: answer OK",
            f"window {number}: ended with 1"]


def answered(number, answer, result):
    return [f"window {number}: answer {answer}", f"window {number}: ended with {result}"]


def windows(transcript):
    """The captions of the transcript's windows, in order."""
    return [line.split('caption "', 1)[1].rsplit('", ', 1)[0]
            for line in transcript.splitlines() if line.startswith("window ") and ", caption " in line]


class Package:
    """A package of marksaver as NAME, in a temporary folder."""

    def __init__(self, name=NAME, licence=None):
        self.root = tempfile.mkdtemp(prefix="sequence-")
        self.inputs = [harness.program("marksaver"),
                       self.write("saver.dat", bytes(range(256)) * 40),
                       self.write("uninstal.exe", b"MZ" + bytes(2046))]
        args = ["--stub", harness.INSTALLER, "--name", name, "-o", os.path.join(self.root, "package.exe")]
        if licence is not None:
            args += ["--license", self.write("licence.txt", licence.encode("latin-1"))]
        harness.scrpack(*args, *self.inputs)
        self.path = os.path.join(self.root, "package.exe")

    def write(self, name, data):
        path = os.path.join(self.root, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def total(self):
        return sum(os.path.getsize(p) for p in self.inputs)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def files_of(prefix):
    """Every file under drive_c with its size and time: what a run wrote."""
    found = {}
    for root, _, names in os.walk(prefix.drive_c):
        for name in names:
            path = os.path.join(root, name)
            if os.path.isfile(path):
                info = os.stat(path)
                found[os.path.relpath(path, prefix.drive_c)] = (info.st_size, info.st_mtime_ns)
    return found


class InstallSequence(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.package = Package()

    @classmethod
    def tearDownClass(cls):
        cls.package.close()

    def gui_prefix(self, package=None):
        context = harness.gui_prefix()
        prefix = context.__enter__()
        self.addCleanup(context.__exit__, None, None, None)
        prefix.keep_server()
        prefix.put((package or self.package).path, INSTALLER_PATH)
        return prefix

    def drive(self, prefix, command_line=None, rules=()):
        code, transcript = prefix.drive(INSTALLER_PATH, command_line, rules, timeout=DRIVER_TIMEOUT)
        self.assertEqual(code, 0, transcript)
        return transcript.splitlines()

    def started_saver(self, prefix):
        """The lines marksaver wrote (the driver waits for the processes
        that the installer starts)."""
        path = prefix.host_path(MARKER)
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return f.read().decode("latin-1").splitlines()

    def test_silent_run_shows_nothing_and_ends_with_code_0(self):
        prefix = self.gui_prefix()
        silent = progress_dialog(1, NAME, shown=False) + ["exit code 0"]
        # The switch in its forms, a second run replacing the first's files
        # without a question.
        for command_line in ["/S", "/silent", "a-s"]:
            with self.subTest(command_line=command_line):
                self.assertEqual(self.drive(prefix, command_line), silent)
        self.assertEqual(self.started_saver(prefix), [], "silent mode starts no screen saver")
        self.assertTrue(os.path.exists(os.path.join(prefix.windows, f"{NAME}.scr")))

        # Without a package behind it the stub still runs through and ends
        # with code 0: the name is empty and there is nothing to install.
        prefix.put(harness.INSTALLER, "C:\\setup\\bare.exe")
        code, transcript = prefix.drive("C:\\setup\\bare.exe", "/S", timeout=DRIVER_TIMEOUT)
        self.assertEqual((code, transcript.splitlines()), (0, progress_dialog(1, "", shown=False) + ["exit code 0"]))

    def test_cancel_on_the_confirmation_ends_with_code_0_and_writes_nothing(self):
        prefix = self.gui_prefix()
        windows_directory = prefix.windows_directory()
        before = files_of(prefix)
        for answer, rule, result in [("Cancel", "Cancel", 2), ("escape", "escape", 2)]:
            with self.subTest(answer=answer):
                transcript = self.drive(prefix, None, [f"This program will install => {rule}"])
                self.assertEqual(transcript, confirmation_box(1, NAME, windows_directory, self.package.total())
                                 + answered(1, answer, result) + ["exit code 0"])
        self.assertEqual(self.started_saver(prefix), [])
        self.assertEqual(files_of(prefix), before)
        with open(os.path.join(prefix.path, "system.reg"), encoding="latin-1") as registry:
            self.assertNotIn(f"Uninstall\\\\{NAME}", registry.read())

    def test_interactive_install_runs_to_the_start_of_the_screen_saver(self):
        prefix = self.gui_prefix()
        windows_directory = prefix.windows_directory()
        transcript = self.drive(prefix, None, ACCEPT_ALL)
        installed = f"{windows_directory}\\{NAME}.scr"
        short_path = prefix.short_path(installed)
        # The screen saver is started once, by its short path, with no
        # arguments, and it is the installed file that runs.
        self.assertEqual(transcript,
                         confirmation_box(1, NAME, windows_directory, self.package.total()) + answered(1, "OK", 1)
                         + progress_dialog(2, NAME, shown=True) + completion_box(3, NAME) + ordering_info(4)
                         + ["exit code 0", f'started "{escaped(short_path)}", exit code 0'])
        self.assertEqual(self.started_saver(prefix), [f"command line: {short_path}", f"module: {installed}"])

    def test_name_stored_with_trailing_spaces_shows_without_them(self):
        package = Package(name=NAME + "   ")
        self.addCleanup(package.close)
        prefix = self.gui_prefix(package)
        windows_directory = prefix.windows_directory()
        transcript = self.drive(prefix, None, ACCEPT_ALL)
        installed = f"{windows_directory}\\{NAME}.scr"
        short_path = prefix.short_path(installed)
        self.assertEqual(transcript,
                         confirmation_box(1, NAME, windows_directory, package.total()) + answered(1, "OK", 1)
                         + progress_dialog(2, NAME, shown=True) + completion_box(3, NAME) + ordering_info(4)
                         + ["exit code 0", f'started "{escaped(short_path)}", exit code 0'])
        self.assertEqual(self.started_saver(prefix), [f"command line: {short_path}", f"module: {installed}"])

    def test_each_refusal_ends_the_install_there_with_code_0(self):
        package = Package(licence="Use it kindly.")
        self.addCleanup(package.close)
        prefix = self.gui_prefix(package)
        before = files_of(prefix)

        transcript = self.drive(prefix, None, ["This program will install => OK", "License Agreement => Decline"])
        self.assertEqual(windows("\n".join(transcript)), [f"{NAME} Screen Saver Installation", "License Agreement"])
        self.assertEqual(transcript[-3:], ["window 2: answer Decline", "window 2: ended with 2", "exit code 0"])
        self.assertEqual(files_of(prefix), before)

        # A screen saver of the same name that the user keeps.
        prefix.put(harness.program("marksaver"), f"C:\\windows\\{NAME}.scr")
        before = files_of(prefix)
        transcript = self.drive(prefix, None, ["Replace Screen Saver? => No"])
        self.assertEqual(windows("\n".join(transcript)), ["Replace Screen Saver?"])
        self.assertEqual(transcript[-3:], ["window 1: answer No", "window 1: ended with 7", "exit code 0"])
        self.assertEqual(files_of(prefix), before)
        self.assertEqual(self.started_saver(prefix), [])


if __name__ == "__main__":
    unittest.main()
