"""An installed screen saver laid out by hand in a Wine prefix, the way the
installer leaves it, and snapshots that tell whether an uninstall put the
prefix back as it was.

The uninstall entry and the screen saver setting are written by the
installer's own registration code (the registration probe), so that the
values, the short path in "system.ini" and the way the profile file is
written are the installer's.  Every Wine start costs seconds, so the layout
runs in one start and the registry is read from the prefix's hive files
once the prefix is idle."""
import os
import re
import shutil

import harness

UNINSTALLER = os.path.join(harness.WIN64, "uninstaller", "uninstaller.exe")
REGISTRATION_PROBE = os.path.join(harness.WIN64, "registration_probe.exe")
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


def run_batch(prefix, lines, timeout=60):
    """Runs commands in one Wine start; returns the exit code of cmd."""
    write_file(prefix, TOOLS + "\\steps.bat", ("\r\n".join(["@echo off"] + lines) + "\r\n").encode())
    code, out, err = prefix.run("cmd", ["/c", TOOLS + "\\steps.bat"], timeout=timeout)
    prefix.wait_idle()
    os.unlink(prefix.host_path(TOOLS + "\\steps.bat"))
    return code, out, err


def lay_out_install(prefix, log_lines=None, uninstall_string=None, kept_server=False):
    """Files, log, uninstall key, "system.ini" entry and the screen saver
    switched on: what a finished install leaves.  kept_server: the prefix
    keeps its server (harness.Prefix.keep_server), so that each start is
    cheap but the prefix is never idle."""
    for path in installed_files():
        if path.endswith("UNINSTAL.EXE"):
            os.makedirs(prefix.host_path(DATA), exist_ok=True)
            shutil.copyfile(UNINSTALLER, prefix.host_path(path))
        else:
            write_file(prefix, path, path.encode("latin-1") * 10)
    write_log(prefix, installed_files() if log_lines is None else log_lines)
    probe = TOOLS + "\\registration_probe.exe"
    steps = [["register", BASE + ".scr", uninstall_string or data_path("UNINSTAL.EXE")],
             ["default", SCREEN_SAVER]]
    if kept_server:
        for step in steps:
            code, out, err = prefix.run(probe, step, timeout=60)
            assert code == 0, out + err
        return
    code, out, err = run_batch(prefix, [" ".join(f'"{arg}"' for arg in [probe] + step) for step in steps])
    assert code == 0, out + err


def run_uninstaller(prefix, args=("/s",), timeout=60):
    """Runs the laid-out uninstaller and waits for every process it started."""
    code, _, _ = prefix.run(data_path("UNINSTAL.EXE"), list(args), timeout=timeout)
    prefix.wait_idle(timeout=60)
    return code


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


def registry(prefix, hive, under):
    """The keys at and below `under` in a hive file ("system" or "user"), as
    {key: [value lines]}, without time stamps.  Read while the prefix is
    idle: the server writes the files when it ends."""
    wanted = under.replace("\\", "\\\\")
    keys = {}
    current = None
    with open(os.path.join(prefix.path, hive + ".reg"), encoding="utf-8", errors="replace") as hive_file:
        for line in hive_file:
            line = line.rstrip("\n")
            header = re.match(r"^\[(.*)\](?: \d+)?$", line)
            if header:
                name = header.group(1)
                current = name if name.lower() == wanted.lower() or \
                    name.lower().startswith(wanted.lower() + "\\\\") else None
                if current is not None:
                    keys[current] = []
            elif current is not None and line and not line.startswith("#"):
                keys[current].append(line)
    return keys


def key_exists(prefix, key):
    return bool(registry(prefix, "system", key))


def screen_saver_active(prefix):
    for line in registry(prefix, "user", DESKTOP_KEY).get(DESKTOP_KEY.replace("\\", "\\\\"), []):
        if line.startswith('"ScreenSaveActive"='):
            return line.split("=", 1)[1].strip('"')
    return None


def system_ini(prefix):
    with open(prefix.host_path("C:\\windows\\system.ini"), "rb") as data:
        return data.read()


class Snapshot:
    """What an uninstall must give back: files, the list of installed
    programs, the desktop settings (but the screen saver's on/off switch,
    which the uninstall turns off) and "system.ini"."""

    def __init__(self, prefix):
        prefix.wait_idle()
        # "system.ini" is rewritten whole by every change: its bytes count.
        self.files = tree(prefix)
        self.files.pop(os.path.join("windows", "system.ini"))
        self.uninstall = registry(prefix, "system", UNINSTALL_KEY)
        desktop = registry(prefix, "user", DESKTOP_KEY)
        self.desktop = {key: [line for line in lines if not line.startswith('"ScreenSaveActive"=')]
                        for key, lines in desktop.items()}
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
