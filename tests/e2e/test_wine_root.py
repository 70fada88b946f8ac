"""The Wine root as the set-up leaves it: the probe's finding holds on this
machine, and the root's 32-bit programs run without leaving anything in the
machine's binfmt_misc."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

BINFMT = "/proc/sys/fs/binfmt_misc"


class WineRoot(unittest.TestCase):
    def test_probe_finding_and_nothing_left_on_the_machine(self):
        with open(os.path.join(harness.WINE_ROOT, ".i386")) as f:
            way = f.read().strip()
        print(f"32-bit x86 programs run {way} on this machine", file=sys.stderr)
        self.assertIn(way, ("native", "emulated"))
        # A static i386 program, with no binfmt_misc entry in its way, runs
        # only where the processor runs 32-bit code.
        with tempfile.TemporaryDirectory() as scratch:
            program = os.path.join(scratch, "i386")
            subprocess.run(["i686-linux-gnu-gcc", "-static", "-x", "c", "-o", program, "-"], check=True,
                           input=b"int main(void) { return 42; }\n")
            os.mkdir(os.path.join(scratch, "binfmt"))
            ran = subprocess.run(["unshare", "--user", "--map-root-user", "--mount", "--", "/bin/sh", "-c",
                                  'mount -t binfmt_misc binfmt_misc "$1/binfmt" && exec "$1/i386"', "sh", scratch],
                                 stderr=subprocess.DEVNULL)
        self.assertEqual(ran.returncode == 42, way == "native", ran.returncode)

        before = sorted(os.listdir(BINFMT))
        inside = subprocess.run([harness.IN_WINE_ROOT, "/bin/sh", "-c", "/usr/lib/wine/wine --version && ls /mnt"],
                                cwd="/tmp", stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.assertEqual(inside.returncode, 0, inside.stderr.decode())
        lines = inside.stdout.decode().splitlines()
        self.assertTrue(lines[0].startswith("wine-10."), lines)
        # Emulated: our entry in an instance of the command's own, which the
        # machine's entries do not reach.
        self.assertEqual(lines[1:], ["glimmerkit-i386", "register", "status"] if way == "emulated" else [])
        self.assertEqual(sorted(os.listdir(BINFMT)), before)


if __name__ == "__main__":
    unittest.main()
