"""Shared by the extraction tests: input files, packages, and what a run
leaves behind (installed files, the install log, the uninstall entry, the
default screen saver)."""
import io
import os
import random
import shutil
import tempfile
import unittest
import wave

import harness
import media_samples
from test_default_screen_saver import boot_entry  # noqa: F401  (re-exported)
from test_install_sequence import (ACCEPT_ALL, completion_box, confirmation_box, escaped, files_of,  # noqa: F401
                                   ordering_info, progress_dialog)
from test_uninstall_registration import entry, values  # noqa: F401

DATA_ROOT = "C:\\ProgramData\\Quillmoor\\Glimmerkit"
MARKER = "C:\\saver-started.txt"
MARKSAVER = harness.program("marksaver")
DRIVER_TIMEOUT = 60
# A stored file is copied in pieces of this size: a Cancel leaves one.
CHUNK = 2048

ABORT_QUESTION = "Are you sure you would like to abort this installation?"


def abort_question(number, answer, result):
    return [f'window {number}: class "#32770", caption "Abort Installation?", shown',
            '  control Static 1088: ""',
            '  control Button 6: "&Yes"',
            '  control Button 7: "&No"',
            f'  control Static 65535: "{ABORT_QUESTION}"',
            f"window {number}: answer {answer}",
            f"window {number}: ended with {result}"]


def transcript_lines(transcript):
    """The transcript's lines without the console host that Wine starts
    for the stand-in program (a console program) when the shell starts it."""
    return [line for line in transcript.splitlines()
            if not (line.startswith('started "') and "\\\\conhost.exe" in line)]


def noise(size, seed):
    """Bytes that do not compress (the same for a seed on every run)."""
    return random.Random(seed).randbytes(size)


def noise_wav(samples, seed):
    """A playable wave file of random 8-bit samples: packed stored."""
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(8000)
        w.writeframes(noise(samples, seed))
    return out.getvalue()


def runnable(padding):
    """The stand-in program with bytes appended behind its image: it still
    runs, and its size is what a test needs."""
    with open(MARKSAVER, "rb") as f:
        return f.read() + padding


def periodic(size, period=3000, seed=5):
    """Bytes that pack well and quickly: one random piece repeated."""
    piece = noise(period, seed)
    return (piece * (size // period + 1))[:size]


class Inputs:
    """Input files in a temporary folder; removed by close()."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="extraction-")

    def write(self, name, data):
        path = os.path.join(self.root, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def package(self, name, saver, data, uninstaller, media=(), **options):
        """Builds a package; the files are (file name, bytes) pairs, the media
        (file name, bytes, tail, prefix).  Returns its host path."""
        output = os.path.join(self.root, name.replace(" ", "_") + ".exe")
        harness.build_package(output, name, self.write(*saver), self.write(*data), self.write(*uninstaller),
                              media=[(self.write(file, content), tail, prefix)
                                     for file, content, tail, prefix in media], **options)
        return output

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def read_host(prefix, windows_path):
    """The bytes of a file in the prefix, or None when it does not exist."""
    path = prefix.host_path(windows_path)
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def install_log(prefix, data_folder):
    return read_host(prefix, data_folder + "INSTALL.LOG")


def log_bytes(paths):
    """Install log lines as the run writes them: each path, then CR LF."""
    return b"".join(path.encode("latin-1") + b"\r\n" for path in paths)


def marker_lines(prefix):
    data = read_host(prefix, MARKER)
    return [] if data is None else data.decode("latin-1").splitlines()


def screen_saver_active(prefix):
    """The ScreenSaveActive value of the user's desktop settings, or None."""
    code, out = prefix.reg_query("HKCU\\Control Panel\\Desktop", "ScreenSaveActive")
    if code != 0:
        return None
    for line in out.splitlines():
        fields = line.split()
        if fields and fields[0] == "ScreenSaveActive":
            return fields[-1]
    return None


def system_ini(prefix):
    with open(os.path.join(prefix.windows, "system.ini"), "rb") as f:
        return f.read()


def media_set():
    """Playable media of each kind the media layer knows under Wine."""
    return {
        "tone.wav": media_samples.wav_bytes(),
        "noise.wav": noise_wav(6000, seed=11),
        "tune.mid": media_samples.midi_bytes(),
        "clip.avi": media_samples.avi_bytes(frames=12),
    }


class CancelTest(unittest.TestCase):
    """What the tests of Cancel on the progress dialog share: the data file
    and the media beside a screen saver and an uninstaller of their own, a
    prefix made ready, and the transcript around the Cancel."""
    maxDiff = None

    def setUp(self):
        self.inputs = Inputs()
        self.addCleanup(self.inputs.close)
        self.media = media_set()
        self.data = ("saver.dat", noise(10000, seed=3))

    def ready(self, prefix, package, installer_path):
        """Keeps the prefix's server, puts the package in place and notes
        system.ini as it was; returns the Windows directory."""
        prefix.keep_server()
        prefix.put(package, installer_path)
        self.windows_directory = prefix.windows_directory()
        self.ini_before = system_ini(prefix)
        return self.windows_directory

    def head(self, name, total):
        """The transcript up to the first Cancel: the confirmation answered
        OK, then the progress dialog shown."""
        return (confirmation_box(1, name, self.windows_directory, total)
                + ["window 1: answer OK", "window 1: ended with 1"] + progress_dialog(2, name, shown=True)[:-1])

    def assert_uninstaller_started(self, prefix, code, transcript, lines, uninstaller_path):
        """The end of a confirmed Cancel: after lines, the progress dialog
        ends and the uninstaller, started with "/s", is the one program
        started."""
        self.assertEqual(code, 0, transcript)
        command = f'"{uninstaller_path}" /s'
        self.assertEqual(transcript_lines(transcript), lines + [
            "window 2: ended with 1", "exit code 0", f'started "{escaped(command)}", exit code 0'])
        self.assertEqual(marker_lines(prefix), [f"command line: {command}", f"module: {uninstaller_path}"])

    def assert_default_left_alone(self, prefix):
        """system.ini as it was, and no screen saver made active."""
        self.assertEqual(system_ini(prefix), self.ini_before)
        self.assertIsNone(screen_saver_active(prefix))
