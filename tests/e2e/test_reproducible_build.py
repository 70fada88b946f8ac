"""The same sources give the same bytes: the product and the programs it
carries, built again in another folder, match the build under test."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

TARGETS = ["installer", "uninstaller", "sample_saver"]


def build_win32(tree):
    subprocess.run(
        ["cmake", "-S", harness.SOURCE_DIR, "-B", tree, "-DCMAKE_BUILD_TYPE=Release",
         "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(harness.SOURCE_DIR, "cmake", "toolchain-i686-mingw.cmake"),
         "-DSTUBFIX=" + os.path.join(harness.NATIVE, "stubfix")],
        check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", tree, "-j", "2", "--target", *TARGETS],
                   check=True, stdout=subprocess.DEVNULL)


class ReproducibleBuild(unittest.TestCase):
    def test_win32_builds_in_two_folders_are_identical(self):
        with tempfile.TemporaryDirectory(prefix="rebuild-") as other:
            reference = os.path.join(other, "first")
            tree = os.path.join(other, "some", "other", "place")
            build_win32(reference)
            build_win32(tree)
            compared = 0
            for folder, _, files in os.walk(tree):
                for name in files:
                    if not name.lower().endswith((".exe", ".scr", ".wav", ".mid", ".dat")):
                        continue
                    if "CMakeFiles" in folder:
                        continue
                    relative = os.path.relpath(os.path.join(folder, name), tree)
                    with open(os.path.join(folder, name), "rb") as new, \
                            open(os.path.join(reference, relative), "rb") as old:
                        self.assertEqual(new.read(), old.read(), f"{relative} differs between builds")
                    compared += 1
            self.assertGreaterEqual(compared, 3)


if __name__ == "__main__":
    unittest.main()
