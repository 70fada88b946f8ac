"""scrpack build compresses the files side by side; the package must be
the same bytes whatever the number of threads, at both levels (no Wine
needed: only scrpack runs)."""
import os
import random
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import media_samples  # noqa: E402


class ParallelBuild(unittest.TestCase):
    def test_same_package_for_any_number_of_jobs(self):
        root = tempfile.mkdtemp(prefix="parallel-")
        self.addCleanup(shutil.rmtree, root, True)
        rng = random.Random(9)
        words = "light drifts over quiet water while lanterns glow".split()
        contents = {
            "saver.scr": harness.windows_program(bytes(rng.randrange(8) for _ in range(150000)), sample=True),
            "saver.dat": " ".join(rng.choice(words) for _ in range(40000)).encode(),
            "uninstal.exe": bytes(rng.randrange(256) for _ in range(30000)),  # stored: does not compress
            "theme.mid": media_samples.midi_bytes(),
            "clip.avi": media_samples.avi_bytes(width=64, height=48, frames=20),
        }
        paths = {}
        for name, data in contents.items():
            paths[name] = os.path.join(root, name)
            with open(paths[name], "wb") as f:
                f.write(data)
        for level in ("best", "fast"):
            packages = []
            for jobs in (1, 2, 5):
                package = os.path.join(root, f"{level}-{jobs}.exe")
                harness.scrpack("build", "--stub", harness.INSTALLER, "--name", "Parallel", "--saver",
                                paths["saver.scr"], "--data", paths["saver.dat"], "--uninstaller",
                                paths["uninstal.exe"], "--media", paths["theme.mid"], "--media", paths["clip.avi"],
                                "--level", level, "--jobs", str(jobs), "-o", package)
                with open(package, "rb") as f:
                    packages.append(f.read())
            with self.subTest(level=level):
                self.assertEqual(packages[1], packages[0])
                self.assertEqual(packages[2], packages[0])
                self.assertEqual(harness.package_methods(os.path.join(root, f"{level}-1.exe")),
                                 ["packed", "packed", "stored", "packed", "packed"])


if __name__ == "__main__":
    unittest.main()
