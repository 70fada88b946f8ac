"""scrpack.exe and its zip are reproducible, as the installer is: built
again in another folder they are the same bytes.  scrpack.exe is static
(it needs only what every Windows has) and carries no timestamp."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

read = harness.read_bytes


class ScrpackExeBuild(unittest.TestCase):
    def test_static_and_the_same_from_another_folder(self):
        objdump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", harness.SCRPACK_EXE],
                                 stdout=subprocess.PIPE, check=True, text=True).stdout
        dlls = sorted(line.split()[-1].lower() for line in objdump.splitlines() if "DLL Name:" in line)
        self.assertEqual(dlls, ["kernel32.dll", "msvcrt.dll"])
        self.assertIn("Time/Date\t\tThu Jan  1 00:00:00 1970", objdump)
        with tempfile.TemporaryDirectory(prefix="scrpack-rebuild-") as other:
            tree = os.path.join(other, "some", "other", "place")
            subprocess.run(
                ["cmake", "-S", harness.SOURCE_DIR, "-B", tree, "-DCMAKE_BUILD_TYPE=Release", "-DSCRPACK_WINDOWS=ON",
                 "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(harness.SOURCE_DIR, "cmake",
                                                          "toolchain-x86_64-mingw-posix.cmake"),
                 "-DWIN32_BUILD_DIR=" + harness.PRODUCT], check=True, stdout=subprocess.DEVNULL)
            subprocess.run(["cmake", "--build", tree, "-j", "2"], check=True, stdout=subprocess.DEVNULL)
            self.assertEqual(read(os.path.join(tree, "scrpack.exe")), read(harness.SCRPACK_EXE))
            self.assertEqual(read(os.path.join(tree, os.path.basename(harness.SCRPACK_ZIP))),
                             read(harness.SCRPACK_ZIP))



if __name__ == "__main__":
    unittest.main()
