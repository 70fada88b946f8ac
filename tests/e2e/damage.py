"""Damaged packages and the checks every run of one must pass.

A damaged package is a good one, made by scrpack, with bytes cut or
patched here; scrpack's listing gives the offsets.  A package whose
damage its integrity record finds is refused before anything is done;
to reach the installer's readers, a patch is sealed again (reseal), as if
another packer had made the package so.  Whatever the damage, a run of the
installer must end by itself with its exit code, show only its known
windows, and write nothing outside the data folder and the Windows
directory.  Run.check() asserts all three; the tests then pin what each
damage leads to.  failed_install() asserts what every failed install
leaves: nothing.
"""
import configparser
import os
import re
import shutil
import struct
import unittest
import zlib

import harness
import uninstall_state as state
from extraction_checks import Inputs

DATA_ROOT = "C:\\ProgramData\\Quillmoor\\Glimmerkit"
PACKAGE_PATH = "C:\\setup\\damaged.exe"
# A safety net against a hung run, not a measure: a 64 KiB licence under
# qemu on a loaded machine took more than 30 s.
DRIVER_TIMEOUT = 90

# Answers that take an install as far as it goes, in either mode.
GO_ON = ["Please Wait... => wait", "This program will install => OK", "License Agreement => Accept",
         "Disk Full => OK", "Replace Screen Saver? => Yes", "Installation Complete! => OK",
         "Ordering Information => OK", "Missing support codecs => Cancel", "Damaged Installer => OK",
         "could not write the file => OK"]


def listing(package):
    """scrpack's listing of a package: manifest offset, licence length, first
    file number and the records as dicts (offset, stored, original)."""
    out = harness.scrpack("list", package, check=False).stdout
    info = {"records": []}
    for line in out.splitlines():
        if line.startswith("manifest offset: "):
            info["manifest"] = int(line.split(": ")[1])
        elif line.startswith("licence: "):
            info["licence"] = int(line.split(": ")[1].split()[0])
        elif line.startswith("first file number: "):
            info["first"] = int(line.split(": ")[1])
    for row in harness.listing_rows(out):
        info["records"].append({"offset": int(row[1]), "stored": int(row[2]), "original": int(row[3]),
                                "method": row[4]})
    return info


def set_name(package, name):
    """Writes name into the 260-byte name field of the package file, and
    seals the package again: the way to a package whose name scrpack
    refuses."""
    info = listing(package)
    data = bytearray(harness.read_bytes(package))
    at = info["manifest"] + 2 + info["licence"]
    data[at:at + 260] = name.encode("latin-1").ljust(260, b"\0")
    with open(package, "wb") as f:
        f.write(reseal(data))


def record_offset(info, index):
    """File offset of record index (the terminator is index len(records))."""
    return info["manifest"] + 264 + info["licence"] + 28 * index


def patch32(data, offset, value):
    data[offset:offset + 4] = struct.pack("<I", value)


RECORD_TAG = b"GKIR"
DAMAGED_CAPTION = "Damaged Installer"
# As the GUI driver's transcript shows it (CR and LF escaped).
DAMAGED_TEXT = (r"This installer is damaged or incomplete, so nothing was installed.\r\n\r\n"
                r"Please download it again, or ask its publisher for a new copy.")


def reseal(data):
    """The package with its integrity record (its last 16 bytes) made to
    match its bytes again: the CRC-32 of all before it, the PE checksum and
    the certificate table's entry read as zeros."""
    data = bytearray(data)
    at = len(data) - 16
    assert data[at:at + 4] == RECORD_TAG
    covered = bytearray(data[:at])
    optional = struct.unpack_from("<I", covered, 60)[0] + 24
    covered[optional + 64:optional + 68] = bytes(4)
    entry = optional + (144 if covered[optional:optional + 2] == b"\x0b\x02" else 128)
    covered[entry:entry + 8] = bytes(8)
    struct.pack_into("<II", data, at + 8, at, zlib.crc32(covered))
    return data


def older(data, info):
    """The package as an older scrpack made it: no integrity record, and no
    mark of one in the screen saver record's name tail."""
    data = bytearray(data[:-16])
    mark = record_offset(info, 0) + 12 + 4
    assert data[mark:mark + 5] == b"\0" + RECORD_TAG
    data[mark:mark + 5] = b" " * 5
    return data


def failed_install(test, prefix, package_bytes, name, command_line, code, message, rules=None, timeout=60):
    """One run of a package whose install fails: it exits with code, leaves
    nothing on the disk, in the registry or in "system.ini" (but the package
    itself), and shows message once in an interactive run, never in a
    silent one.  The prefix keeps its server; returns the run."""
    os.makedirs(prefix.host_path(state.TOOLS), exist_ok=True)  # where the snapshot exports the registry
    before = state.Snapshot(prefix)
    run = Run(test, prefix, package_bytes, name, command_line, rules=rules or GO_ON, timeout=timeout)
    left = [d for d in before.differences(state.Snapshot(prefix)) if not d.startswith("file setup")]
    test.assertEqual(left, [], run.transcript)
    test.assertEqual(run.transcript.splitlines()[-1], f"exit code {code}", run.transcript)
    test.assertEqual(run.transcript.count(message), 0 if command_line else 1, run.transcript)
    return run


def file_name_of(name):
    """The screen saver's file name the installer builds from a name."""
    name = name.rstrip(" ")[:255]
    return re.sub(r'[\x00-\x1f\\/:*?"<>|]', "_", name) + ".scr"


def base_name_of(name):
    return file_name_of(name).rsplit(".", 1)[0]


def design_windows(name):
    """(caption, pattern of the window's texts) of every window the design
    can show for a package of this name.  The installation caption is the
    full text; a long name's is cut to fit its buffer (see same_caption)."""
    caption = f"{name} Screen Saver Installation"
    return [
        (caption, r"This program will install .* Screen Saver to .* and will make it your default Screen Saver\."
                  r"  This installation will take [0-9,]+ bytes\."),
        (caption, r"Installing|Please Wait\.\.\.|" + re.escape(f"{name} Screen Saver"[:259])),
        (caption, r"Installation Complete!"),
        (caption, r"The installation could not write the file\r\n.+\r\n\r\n.+\r\n\r\nNothing was installed\."),
        ("License Agreement", r".*"),
        ("Disk Full", r"You will need [0-9,]+ kilobytes free in your Windows directory to install this screen "
                      r"saver\.  It appears that you only have [0-9,]+ kilobytes free on this drive\.  Would you "
                      r"like to continue the installation\?"),
        ("Replace Screen Saver?", r"There is already a screen saver by the same name \(.*\) installed on your "
                                  r"system\.  Would you like to replace it\?"),
        ("Missing support codecs", r"The following file types are not currently supported by your Windows media "
                                   r"player:.*"),
        ("Glimmerkit Ordering Information", r".*"),
        ("Error!!!", r"You do not have access to make the required system configuration modifications\. Please "
                     r"rerun this installation from an administrators account\."),
        (DAMAGED_CAPTION, re.escape(unescape(DAMAGED_TEXT))),
    ]


def same_caption(shown, full):
    """Whether a window's caption is the full caption, or the full caption
    cut to 255 or more characters (its buffer holds 256 or 260 bytes)."""
    return shown == full or (len(shown) >= 255 and full.startswith(shown))


def unescape(text):
    """A transcript text as the window shows it (the driver escapes
    \\r \\n \\t \\\\ \\" and \\xNN)."""
    return re.sub(r'\\(x[0-9A-Fa-f]{2}|.)',
                  lambda m: chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x" and len(m.group(1)) == 3
                  else {"r": "\r", "n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def windows_of(transcript):
    """[(caption, [texts of controls other than buttons])] of the
    transcript's windows, in order."""
    found = []
    for line in transcript.splitlines():
        match = re.match(r'^window \d+: class "[^"]*", caption "(.*)", (shown|hidden)$', line)
        if match:
            found.append((unescape(match.group(1)), []))
            continue
        match = re.match(r'^  control (\S+) -?\d+: "(.*)"( hidden)?$', line)
        if match and found and match.group(1) != "Button":
            found[-1][1].append(unescape(match.group(2)))
    return found


def snapshot(prefix):
    """Every file and folder under drive C: with size and time."""
    found = {}
    for root, folders, names in os.walk(prefix.drive_c):
        for name in folders + names:
            path = os.path.join(root, name)
            info = os.lstat(path)
            relative = os.path.relpath(path, prefix.drive_c).replace(os.sep, "\\")
            found[relative] = (info.st_size, info.st_mtime_ns) if os.path.isfile(path) else "folder"
    return found


class Run:
    """One run of the installer on a package, with what it changed."""

    def __init__(self, test, prefix, package_bytes, name, command_line="/S", rules=GO_ON, timeout=DRIVER_TIMEOUT,
                 data_root=DATA_ROOT):
        self.test, self.prefix, self.name, self.data_root = test, prefix, name, data_root
        host = prefix.host_path(PACKAGE_PATH)
        os.makedirs(os.path.dirname(host), exist_ok=True)
        with open(host, "wb") as f:
            f.write(package_bytes)
        before = snapshot(prefix)
        self.code, self.transcript = prefix.drive(PACKAGE_PATH, command_line, rules, timeout=timeout)
        after = snapshot(prefix)
        self.changed = sorted(path for path in after if before.get(path) != after[path])
        self.removed = sorted(path for path in before if path not in after)

    @property
    def data_folder(self):
        return f"{self.data_root}\\{base_name_of(self.name)}\\"

    def check(self, code=0):
        """Ended by itself with code, only known windows, nothing written
        outside the data folder and the Windows directory."""
        t = self.test
        t.assertEqual(self.code, 0, self.transcript)  # the driver's
        t.assertEqual(self.transcript.splitlines()[-1], f"exit code {code}", self.transcript)
        for bad in ("crashed", "killed after time-out", "no rule", "left over"):
            t.assertNotIn(bad, self.transcript)
        allowed = design_windows(self.name)
        for caption, texts in windows_of(self.transcript):
            patterns = [pattern for known, pattern in allowed if same_caption(caption, known)]
            t.assertTrue(patterns, f"a window the design does not have: {caption!r}\n{self.transcript}")
            for text in texts:
                if text:
                    t.assertTrue(any(re.fullmatch(p, text, re.S) for p in patterns),
                                 f"{caption!r} shows {text!r}\n{self.transcript}")
        data = self.data_folder[3:-1]
        for path in self.changed + self.removed:
            inside = (path.lower().startswith("windows\\") or path.startswith(data + "\\") or path == data
                      or data.startswith(path + "\\") or path.startswith("setup"))
            t.assertTrue(inside, f"written outside the data folder and the Windows directory: {path}")
        t.assertEqual(self.removed, [], "nothing is removed")
        return self

    def captions(self):
        return [caption for caption, _ in windows_of(self.transcript)]

    def read(self, windows_path):
        path = self.prefix.host_path(windows_path)
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def log(self):
        """The install log's lines, or None without a log."""
        data = self.read(self.data_folder + "INSTALL.LOG")
        return None if data is None else data.decode("latin-1").split("\r\n")[:-1]


class DamageTest(unittest.TestCase):
    """Runs of damaged packages in one prefix for the whole class, its
    wineserver kept: a run then takes a fraction of a second, and each run
    first removes what the one before installed."""

    @classmethod
    def setUpClass(cls):
        # Cleanups, not tearDownClass: they run too when a subclass's
        # set-up fails after this one.
        cls.inputs = Inputs()
        cls.addClassCleanup(cls.inputs.close)
        cls.prefix = cls.enterClassContext(harness.gui_prefix())
        cls.prefix.keep_server()
        cls.windows = cls.prefix.windows_directory()

    def run_package(self, data, name, command_line="/S", code=0):
        """A run of data, sealed again when it carries an integrity record."""
        if bytes(data[-16:-12]) == RECORD_TAG:
            data = reseal(data)
        forget(self.prefix, name)
        clear_boot_entry(self.prefix)
        return Run(self, self.prefix, bytes(data), name, command_line).check(code)


def forget(prefix, name):
    """Removes what an install of name left on the disk, so that the next
    run starts afresh (the registry keeps its entries)."""
    saver = os.path.join(prefix.windows, file_name_of(name))
    if os.path.isfile(saver):
        os.chmod(saver, 0o644)
        os.unlink(saver)
    shutil.rmtree(prefix.host_path(f"{DATA_ROOT}\\{base_name_of(name)}"), ignore_errors=True)


def boot_entry(prefix):
    """The "SCRNSAVE.EXE" entry of system.ini's [boot] section, or None."""
    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.optionxform = str
    ini.read(os.path.join(prefix.windows, "system.ini"), encoding="latin-1")
    return ini.get("boot", "SCRNSAVE.EXE", fallback=None)


def clear_boot_entry(prefix):
    """Removes the screen saver entry from system.ini."""
    path = os.path.join(prefix.windows, "system.ini")
    with open(path, encoding="latin-1", newline="") as f:
        lines = f.readlines()
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.writelines(line for line in lines if not line.upper().startswith("SCRNSAVE.EXE="))
