"""scrpack as authors get it on Linux: the Debian package that CPack makes
from the native tree, unpacked with dpkg -x, and `cmake --install`.

The installed scrpack finds the installer stub and the uninstaller in
../share/glimmerkit/ from its own folder: the README's walkthrough, with
no --stub and no --uninstaller, gives the same bytes as the scrpack under
test given the build's own stub and uninstaller.  A stub or uninstaller
missing from the layout, or unreadable, is one line and exit status 1,
and nothing is written.
"""
import glob
import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

read = harness.read_bytes

LAYOUT = ["usr/bin/scrpack", "usr/share/glimmerkit/installer-stub.exe", "usr/share/glimmerkit/uninstaller.exe",
          "usr/share/doc/glimmerkit/README.txt", "usr/share/doc/glimmerkit/copyright",
          "usr/share/doc/glimmerkit/changelog.gz", "usr/share/man/man1/scrpack.1.gz",
          "usr/share/bash-completion/completions/scrpack"]
NAME = "Northern Lights"
LICENCE = "Use it, share it.\nDon't sell it.\n"


def run(*args, cwd=None):
    return subprocess.run(list(args), cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)


def walkthrough_files(folder):
    """The README's files: the sample screen saver under the walkthrough's
    names, and a licence."""
    os.makedirs(folder, exist_ok=True)
    for source, name in [("Lanterns.scr", "lights.scr"), ("Lanterns.dat", "lights.dat"),
                         ("Lanterns.mid", "theme.mid"), ("Lanterns.wav", "chime.wav")]:
        shutil.copyfile(os.path.join(harness.SAMPLES, source), os.path.join(folder, name))
    with open(os.path.join(folder, "licence.txt"), "w", encoding="utf-8") as f:
        f.write(LICENCE)


def build_args(output, *options):
    """The README's build command, without --stub and --uninstaller unless
    options name them."""
    return ["build", *options, "--name", NAME, "--saver", "lights.scr", "--data", "lights.dat", "--media", "theme.mid",
            "--media", "chime.wav:.WAV:JUKE", "--licence", "licence.txt", "--first-number", "16",
            "--store-file", "chime.wav", "-o", output]


class InstalledLayout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="installed-")
        packages = os.path.join(cls.scratch, "packages")
        made = run("cpack", "-G", "DEB", "--config", os.path.join(harness.NATIVE, "CPackConfig.cmake"),
                   "-B", packages)
        assert made.returncode == 0, made.stdout.decode() + made.stderr.decode()
        found = glob.glob(os.path.join(packages, "*.deb"))
        assert len(found) == 1, found
        cls.deb = found[0]
        cls.root = os.path.join(cls.scratch, "root")
        unpacked = run("dpkg", "-x", cls.deb, cls.root)
        assert unpacked.returncode == 0, unpacked.stderr.decode()
        cls.scrpack = os.path.join(cls.root, "usr", "bin", "scrpack")
        # The same files under the build's own names, for the explicit run.
        cls.work = os.path.join(cls.scratch, "work")
        walkthrough_files(cls.work)
        explicit = run(harness.SCRPACK, *build_args("explicit.exe", "--stub", harness.INSTALLER,
                                                    "--uninstaller", harness.UNINSTALLER), cwd=cls.work)
        assert explicit.returncode == 0, explicit.stderr.decode()
        cls.explicit = read(os.path.join(cls.work, "explicit.exe"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def test_package_holds_scrpack_the_stub_and_the_uninstaller(self):
        listing = run("dpkg-deb", "-c", self.deb).stdout.decode()
        files = sorted(line.split()[-1].lstrip("./") for line in listing.splitlines() if line.startswith("-"))
        self.assertEqual(files, sorted(LAYOUT))
        self.assertEqual(read(os.path.join(self.root, LAYOUT[1])), read(harness.INSTALLER))
        self.assertEqual(read(os.path.join(self.root, LAYOUT[2])), read(harness.UNINSTALLER))
        self.assertTrue(os.access(self.scrpack, os.X_OK))
        # An ordinary program: no sanitizer run-times, the C library only
        # (libc6's libc, libm and loader).
        needed = run("readelf", "-d", self.scrpack).stdout.decode()
        libraries = [line.split("[")[1].rstrip("]") for line in needed.splitlines() if "(NEEDED)" in line]
        self.assertIn("libc.so.6", libraries)
        for library in libraries:
            self.assertTrue(library in ("libc.so.6", "libm.so.6") or library.startswith("ld-linux"), libraries)
        depends = run("dpkg-deb", "-f", self.deb, "Depends").stdout.decode()
        self.assertIn("libc6", depends)
        # Packed again, at another time, it is the same bytes as build.sh's.
        self.assertEqual(read(self.deb), read(os.path.join(harness.BUILD_ROOT, "packages", os.path.basename(self.deb))))

    def test_debian_conventions_and_one_version(self):
        linted = run("lintian", "--fail-on", "error,warning", self.deb)
        report = linted.stdout.decode() + linted.stderr.decode()
        self.assertEqual(linted.returncode, 0, report)
        self.assertFalse([line for line in report.splitlines() if line[:2] in ("E:", "W:")], report)
        version = run("dpkg-deb", "-f", self.deb, "Version").stdout.decode().strip()
        self.assertEqual(run(self.scrpack, "--version").stdout.decode(), f"scrpack (Glimmerkit) {version}\n")
        # The man page is the --help text.
        with gzip.open(os.path.join(self.root, LAYOUT[6])) as f:
            page = f.read().decode()
        self.assertIn(version, page)
        for option in ("\\-\\-store\\-file", "\\-\\-timestamp\\-url", "\\-\\-version"):
            self.assertIn(option, page)

    def test_walkthrough_needs_no_build_paths(self):
        work = os.path.join(self.scratch, "walkthrough")
        walkthrough_files(work)
        built = run(self.scrpack, *build_args("NorthernLights.exe"), cwd=work)
        self.assertEqual(built.returncode, 0, built.stderr.decode())
        self.assertEqual(built.stderr, b"")
        out = built.stdout.decode()
        self.assertIn(os.path.join(self.root, "usr", "share", "glimmerkit", "uninstaller.exe"), out)
        self.assertIn("NorthernLights.exe: ", out)
        self.assertEqual(read(os.path.join(work, "NorthernLights.exe")), self.explicit)

        listing = run(self.scrpack, "list", "NorthernLights.exe", cwd=work)
        self.assertEqual(listing.returncode, 0, listing.stderr.decode())
        self.assertEqual([row[6] for row in harness.listing_rows(listing.stdout.decode())],
                         [f"{NAME}.scr", f"{NAME}.dat", "UNINSTAL.EXE", "FILE0016.MID", "JUKE0017.WAV"])
        verified = run(self.scrpack, "verify", "NorthernLights.exe", cwd=work)
        self.assertEqual(verified.returncode, 0, verified.stdout.decode() + verified.stderr.decode())
        self.assertTrue(verified.stdout.decode().endswith("NorthernLights.exe: intact (CRC-32 and PE checksum), and all 5 records decode to their full size\n"))
        extracted = run(self.scrpack, "extract", "NorthernLights.exe", "out", cwd=work)
        self.assertEqual(extracted.returncode, 0, extracted.stderr.decode())
        for installed, source in [(f"{NAME}.scr", "lights.scr"), (f"{NAME}.dat", "lights.dat"),
                                  ("FILE0016.MID", "theme.mid"), ("JUKE0017.WAV", "chime.wav")]:
            self.assertEqual(read(os.path.join(work, "out", installed)), read(os.path.join(work, source)))
        self.assertEqual(read(os.path.join(work, "out", "UNINSTAL.EXE")), read(harness.UNINSTALLER))

    def test_cmake_install_gives_the_same_layout(self):
        prefix = os.path.join(self.scratch, "prefix")
        installed = run("cmake", "--install", harness.NATIVE, "--prefix", prefix)
        self.assertEqual(installed.returncode, 0, installed.stderr.decode())
        for path in LAYOUT:
            self.assertTrue(os.path.isfile(os.path.join(prefix, path.replace("usr/", "", 1))), path)
        work = os.path.join(self.scratch, "from-prefix")
        walkthrough_files(work)
        built = run(os.path.join(prefix, "bin", "scrpack"), *build_args("package.exe"), cwd=work)
        self.assertEqual(built.returncode, 0, built.stderr.decode())
        self.assertEqual(read(os.path.join(work, "package.exe")), self.explicit)

    def test_missing_or_unreadable_stub_or_uninstaller(self):
        for name, what, option in [("installer-stub.exe", "installer stub", "--stub"),
                                   ("uninstaller.exe", "uninstaller", "--uninstaller")]:
            faults = [("missing", "No such file or directory"), ("a folder", "Is a directory")]
            if os.geteuid() != 0:  # root reads any file
                faults.append(("unreadable", "Permission denied"))
            for fault, reason in faults:
                with self.subTest(file=name, fault=fault):
                    root = os.path.join(self.scratch, "broken")
                    shutil.rmtree(root, ignore_errors=True)
                    shutil.copytree(self.root, root)
                    path = os.path.join(root, "usr", "share", "glimmerkit", name)
                    if fault == "a folder":
                        os.unlink(path)
                        os.mkdir(path)
                    elif fault == "unreadable":
                        os.chmod(path, 0)
                    else:
                        os.unlink(path)
                    work = os.path.join(root, "work")
                    walkthrough_files(work)
                    before = sorted(os.listdir(work))
                    scrpack = os.path.join(root, "usr", "bin", "scrpack")
                    failed = run(scrpack, *build_args("NorthernLights.exe"), cwd=work)
                    self.assertEqual(failed.returncode, 1)
                    self.assertEqual(failed.stdout, b"")
                    self.assertEqual(failed.stderr.decode(),
                                     f"scrpack: {path}: {reason} (scrpack's own {what}; {option} names another)\n")
                    self.assertEqual(sorted(os.listdir(work)), before, "nothing is written")
                    # The option names another: the package builds.
                    given = harness.INSTALLER if option == "--stub" else harness.UNINSTALLER
                    built = run(scrpack, *build_args("NorthernLights.exe", option, given), cwd=work)
                    self.assertEqual(built.returncode, 0, built.stderr.decode())
                    self.assertEqual(read(os.path.join(work, "NorthernLights.exe")), self.explicit)


if __name__ == "__main__":
    unittest.main()
