"""Shared by the install-then-uninstall tests: the sample screen saver
packaged with the real uninstaller, a prefix ready for it, and what an
install leaves behind."""
import os
import random
import shutil
import tempfile

import harness
import uninstall_state as state

NAME = "Lanterns"
SAMPLES = harness.SAMPLES
UNINSTALLER = harness.UNINSTALLER
LICENCE = os.path.join(harness.SOURCE_DIR, "demo", "licence.txt")
PACKAGE_PATH = "C:\\users\\Public\\Downloads\\Lanterns-setup.exe"
DATA = "C:\\ProgramData\\Quillmoor\\Glimmerkit\\" + NAME
SCREEN_SAVER = "C:\\windows\\" + NAME + ".scr"
UNINSTALL_PATH = DATA + "\\UNINSTAL.EXE"
OUR_KEY = state.UNINSTALL_KEY + "\\" + NAME
INSTALLED = [SCREEN_SAVER, DATA + "\\" + NAME + ".dat", UNINSTALL_PATH,
             DATA + "\\FILE0001.WAV", DATA + "\\FILE0002.MID"]
DRIVER_TIMEOUT = 60


class SamplePackages:
    """Packages of the sample screen saver in a temporary folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="install-uninstall-")

    def build(self, file_name, saver=None, licence=True, store=False, stub=None):
        """saver: bytes to carry instead of the sample's screen saver;
        stub: another installer than the product."""
        saver_path = os.path.join(SAMPLES, NAME + ".scr")
        if saver is not None:
            saver_path = os.path.join(self.root, file_name + ".scr")
            with open(saver_path, "wb") as out:
                out.write(saver)
        output = os.path.join(self.root, file_name)
        harness.build_package(output, NAME, saver_path, os.path.join(SAMPLES, NAME + ".dat"), UNINSTALLER,
                              media=[os.path.join(SAMPLES, NAME + ".wav"), os.path.join(SAMPLES, NAME + ".mid")],
                              licence=LICENCE if licence else None, store=store, stub=stub)
        return output

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def ready_prefix(prefix, package):
    """Puts the package into a fresh prefix and keeps the prefix's server;
    the snapshots need the tools folder."""
    prefix.keep_server()
    os.makedirs(prefix.host_path(state.TOOLS), exist_ok=True)
    prefix.put(package, PACKAGE_PATH)


def windows_of(transcript):
    """(caption, answer or None) of each window the transcript records."""
    found = []
    for line in transcript.splitlines():
        if line.startswith("window ") and ': class "' in line:
            found.append([line.split('caption "', 1)[1].rsplit('", ', 1)[0], None])
        elif line.startswith("window ") and ": answer " in line:
            found[-1][1] = line.split(": answer ", 1)[1]
    return [tuple(window) for window in found]


def exit_code(transcript):
    lines = [line for line in transcript.splitlines() if line.startswith("exit code ")]
    assert len(lines) == 1, transcript
    return int(lines[0].split()[-1])


def started(transcript):
    """(command line, exit code) of each process the program started."""
    result = []
    for line in transcript.splitlines():
        if line.startswith("started "):
            command, _, code = line[len("started "):].rpartition(", exit code ")
            result.append((command, int(code) if code.isdigit() else code))
    return result


def boot_entry(prefix):
    """The SCRNSAVE.EXE value of "system.ini" [boot], or None."""
    section = None
    for line in state.system_ini(prefix).decode("latin-1").splitlines():
        if line.startswith("["):
            section = line.strip().lower()
        elif section == "[boot]" and line.upper().startswith("SCRNSAVE.EXE="):
            return line.split("=", 1)[1]
    return None


def ours_left(prefix):
    """What of the install is still there: paths under C:\\ProgramData\\Quillmoor,
    the screen saver file, the uninstall key, the "system.ini" entry."""
    left = []
    quillmoor = prefix.host_path("C:\\ProgramData\\Quillmoor")
    if os.path.lexists(quillmoor):
        left += [os.path.relpath(os.path.join(folder, name), prefix.drive_c)
                 for folder, folders, files in os.walk(quillmoor) for name in folders + files] or ["Quillmoor"]
    if state.exists(prefix, SCREEN_SAVER):
        left.append(SCREEN_SAVER)
    if state.key_exists(prefix, OUR_KEY):
        left.append("key " + OUR_KEY)
    if boot_entry(prefix) is not None:
        left.append("SCRNSAVE.EXE=" + boot_entry(prefix))
    return left
