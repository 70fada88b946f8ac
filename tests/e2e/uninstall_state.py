"""An installed screen saver laid out by hand in a Wine prefix, the way the
installer leaves it, and snapshots that tell whether an uninstall put the
prefix back as it was.

The uninstall entry and the screen saver setting are written by the
installer's own registration code (the registration probe), so that the
values, the short path in "system.ini" and the way the profile file is
written are the installer's.  The prefix keeps its server
(harness.Prefix.keep_server), so that each Wine start is cheap; the GUI
driver waits for the processes the uninstaller starts."""
import os
import shutil

import harness

UNINSTALLER = harness.UNINSTALLER
REGISTRATION_PROBE = harness.program("registration_probe")
TOOLS = "C:\\glimmerkit-test"
BASE = "Night Sky"
DATA = "C:\\ProgramData\\Quillmoor\\Glimmerkit\\" + BASE
SCREEN_SAVER = "C:\\windows\\" + BASE + ".scr"
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
OUR_KEY = UNINSTALL_KEY + "\\" + BASE
DESKTOP_KEY = "Control Panel\\Desktop"


def data_path(name):
    return DATA + "\\" + name


def installed_files():
    """The files of one install, in the order the installer logs them."""
    return [SCREEN_SAVER, data_path(BASE + ".dat"), data_path("UNINSTAL.EXE"),
            data_path("FILE0016.MID"), data_path("FILE0017.WAV")]


def write_file(prefix, windows_path, data=b"x"):
    path = prefix.host_path(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def exists(prefix, windows_path):
    return os.path.lexists(prefix.host_path(windows_path))


def write_log(prefix, lines, raw=None):
    text = raw if raw is not None else "".join(line + "\r\n" for line in lines).encode("latin-1")
    write_file(prefix, data_path("INSTALL.LOG"), text)


def install_tools(prefix):
    """The test's own programs, in a folder of the prefix that the snapshots
    take as part of the untouched rest."""
    os.makedirs(prefix.host_path(TOOLS), exist_ok=True)
    shutil.copyfile(REGISTRATION_PROBE, prefix.host_path(TOOLS + "\\registration_probe.exe"))


def lay_out_install(prefix, log_lines=None, uninstall_string=None):
    """Files, log, uninstall key, "system.ini" entry and the screen saver
    switched on: what a finished install leaves."""
    for path in installed_files():
        if path.endswith("UNINSTAL.EXE"):
            os.makedirs(prefix.host_path(DATA), exist_ok=True)
            shutil.copyfile(UNINSTALLER, prefix.host_path(path))
        else:
            write_file(prefix, path, path.encode("latin-1") * 10)
    write_log(prefix, installed_files() if log_lines is None else log_lines)
    probe = TOOLS + "\\registration_probe.exe"
    for step in (["register", BASE + ".scr", uninstall_string or data_path("UNINSTAL.EXE")],
                 ["default", SCREEN_SAVER]):
        code, out, err = prefix.run(probe, step, timeout=60)
        assert code == 0, out + err


def run_uninstaller(prefix, command_line=None, rules=(), timeout=30):
    """Runs the laid-out uninstaller under the GUI driver, which waits for
    every process it starts.  Returns the exit code and the transcript
    without the lines about those processes."""
    code, transcript = prefix.drive(data_path("UNINSTAL.EXE"), command_line, list(rules), timeout=timeout)
    assert code == 0, transcript
    lines = [line for line in transcript.splitlines() if not line.startswith("started ")]
    assert lines[-1].startswith("exit code "), transcript
    return int(lines[-1].split()[-1]), lines[:-1]


def tree(prefix):
    """Every folder and file under drive_c, with each file's size and time of
    change (reading every file of the prefix would cost seconds)."""
    result = {}
    for folder, _, files in os.walk(prefix.drive_c):
        rel = os.path.relpath(folder, prefix.drive_c)
        result[rel + os.sep] = None
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                continue
            info = os.stat(path)
            result[os.path.join(rel, name)] = (info.st_size, info.st_mtime_ns)
    return result


def export_key(prefix, key):
    """The key and its sub-keys as "reg export" writes them."""
    target = TOOLS + "\\export.reg"
    code, _, err = prefix.run("reg", ["export", key, target, "/y", harness.REG_VIEW], timeout=60)
    assert code == 0, err
    with open(prefix.host_path(target), "rb") as data:
        text = data.read().decode("utf-16")
    os.unlink(prefix.host_path(target))
    return text


def key_exists(prefix, key):
    return prefix.reg_query("HKLM\\" + key)[0] == 0


def screen_saver_active(prefix):
    code, out = prefix.reg_query("HKCU\\" + DESKTOP_KEY, "ScreenSaveActive")
    return out.split("REG_SZ")[-1].strip() if code == 0 else None


def system_ini(prefix):
    with open(prefix.host_path("C:\\windows\\system.ini"), "rb") as data:
        return data.read()


class Snapshot:
    """What an uninstall must give back: files, the list of installed
    programs, the desktop settings (but the screen saver's on/off switch,
    which the uninstall turns off) and "system.ini"."""

    def __init__(self, prefix):
        # "system.ini" is rewritten whole by every change: its bytes count.
        self.files = tree(prefix)
        self.files.pop(os.path.join("windows", "system.ini"))
        self.uninstall = export_key(prefix, "HKLM\\" + UNINSTALL_KEY)
        self.desktop = [line for line in export_key(prefix, "HKCU\\" + DESKTOP_KEY).splitlines()
                        if not line.startswith('"ScreenSaveActive"=')]
        self.system_ini = system_ini(prefix)

    def differences(self, other):
        found = []
        for path in sorted(set(self.files) | set(other.files)):
            if self.files.get(path, "missing") != other.files.get(path, "missing"):
                found.append(f"file {path}: {self.files.get(path, 'missing')} -> "
                             f"{other.files.get(path, 'missing')}")
        for name in ("uninstall", "desktop", "system_ini"):
            if getattr(self, name) != getattr(other, name):
                found.append(f"{name}: {getattr(self, name)!r} -> {getattr(other, name)!r}")
        return found
