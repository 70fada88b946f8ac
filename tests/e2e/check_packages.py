"""Packages and look-ups shared by the pre-install check tests."""
import os
import re
import shutil
import subprocess
import tempfile

import harness

DATA_FOLDER = "C:\\ProgramData\\Quillmoor\\Glimmerkit"


class Packages:
    """Builds packages from small files in a temporary folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="checks-")
        self.uninstaller = self.write("uninst.exe", b"MZ" + bytes(1500))

    def write(self, name, data):
        path = os.path.join(self.root, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def build(self, output, name, saver, data, *options):
        """Packs saver, data and the uninstaller; returns the package's path."""
        path = os.path.join(self.root, output)
        proc = subprocess.run([harness.SCRPACK, "--stub", harness.INSTALLER, "--name", name, "-o", path,
                               *options, saver, data, self.uninstaller],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
        assert proc.returncode == 0, proc.stderr
        return path

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def windows_captions(transcript):
    """The captions of the windows in a transcript, in order."""
    return re.findall(r'^window \d+: class "[^"]*", caption "([^"]*)"', transcript, re.M)


def has_data_folder(prefix, name):
    return os.path.exists(prefix.host_path(DATA_FOLDER + "\\" + name))
