"""The README's first command keeps working: the demo, silent and
interactive, ends well, says what the install wrote, finds nothing left
after the uninstall, and the interactive run saves a picture of every
window it met."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

DEMO = os.path.join(harness.SOURCE_DIR, "demo", "demo.py")
NOTHING_LEFT = "no difference. Nothing is left."


def run_demo(*args):
    env = dict(os.environ, BUILD_ROOT=harness.BUILD_ROOT)
    proc = subprocess.run([sys.executable, DEMO, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, env=env, cwd=harness.SOURCE_DIR, timeout=300)
    return proc.returncode, proc.stdout


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", header[16:24])


class Demo(unittest.TestCase):
    maxDiff = None

    def test_silent(self):
        code, out = run_demo()
        self.assertEqual(code, 0, out)
        for expected in ["and 5 files:", "Lanterns.scr   packed", "C:\\windows\\Lanterns.scr",
                         "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Lanterns\\UNINSTAL.EXE",
                         "The install log (INSTALL.LOG) lists 5 files",
                         "UninstallString  C:\\ProgramData\\Quillmoor\\Glimmerkit\\Lanterns\\UNINSTAL.EXE",
                         "system.ini, section [boot]:  SCRNSAVE.EXE=", "C:\\ProgramData\\Quillmoor\\  ",
                         "Uninstall entry: gone", NOTHING_LEFT, "Demo finished"]:
            self.assertIn(expected, out)
        self.assertNotIn("still there", out)
        # The package shows the sample's own icon and names Lanterns in its
        # version details (tests/winhelpers/faceprobe.cpp).
        shown = []
        with harness.Prefix() as prefix:
            for path in (os.path.join(harness.BUILD_ROOT, "demo", "Lanterns-setup.exe"),
                         os.path.join(harness.SAMPLES, "Lanterns.scr")):
                prefix.put(path, "C:\\" + os.path.basename(path))
                code, probed, err = prefix.run(harness.program("faceprobe"), ["C:\\" + os.path.basename(path)])
                self.assertEqual(code, 0, err)
                shown.append(probed.splitlines())
        self.assertIn("ProductName: Lanterns", shown[0])
        self.assertIn("FileDescription: Lanterns Screen Saver Installation", shown[0])
        self.assertEqual(shown[0][-1], shown[1][-1])  # the large icon's size and colour

    def test_interactive_pictures(self):
        pictures = tempfile.mkdtemp(prefix="demo-pictures-")
        self.addCleanup(shutil.rmtree, pictures, ignore_errors=True)
        code, out = run_demo("--interactive", "--pictures", pictures)
        self.assertEqual(code, 0, out)
        self.assertIn(NOTHING_LEFT, out)
        names = ["confirmation", "licence", "progress", "missing-types", "ordering-info", "uninstall-question",
                 "uninstall-done"]
        self.assertEqual(sorted(os.listdir(pictures)), sorted(name + ".png" for name in names), out)
        sizes = {name: png_size(os.path.join(pictures, name + ".png")) for name in names}
        # Each picture is a dialog, not the screen nor a sliver of it; the
        # licence dialog is the largest.
        for name, (width, height) in sizes.items():
            self.assertTrue(100 <= width < 800 and 50 <= height < 600, (name, width, height))
        self.assertEqual(max(sizes, key=lambda name: sizes[name][0] * sizes[name][1]), "licence")


if __name__ == "__main__":
    unittest.main()
