"""scrpack.exe, the Windows build of scrpack (x86_64), under wine64, against
the Linux build on the same inputs: the same packages byte for byte, and
the same output, errors and exit status from build, list, verify and
extract, on sound and on damaged packages.  Then the zip it ships in: its
contents, and scrpack.exe run from it without --stub and --uninstaller.

Both builds run in one folder of the prefix's drive C: with the same
relative paths, so that what they print can be the same bytes.
"""
import os
import shutil
import struct
import subprocess
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
from pe_resources import read_resources  # noqa: E402

read = harness.read_bytes

NAME = "Aurora Caf\u00e9"
LICENCE = "Line one\nLine two \u00e9\n"
ZIP_FOLDER = "glimmerkit-scrpack"
ZIP_FILES = ["README.txt", "scrpack.exe", "installer-stub.exe", "uninstaller.exe"]

# The Linux twin of tests/winhelpers/fakesigner.cpp: the same table from
# the same arguments.
FAKE_SIGNER = r"""#!/usr/bin/env python3
import struct, sys
args, said, files = sys.argv[1:], b"", {}
while args:
    a = args.pop(0)
    if a in ("-in", "-out") and args:
        files[a] = args.pop(0)
        continue
    if "refuse" in a:
        print("fake signer refuses " + a)
        sys.exit(3)
    said += a.encode() + b"\n"
image = bytearray(open(files["-in"], "rb").read())
pe = struct.unpack_from("<I", image, 0x3C)[0]
optional = pe + 24
security = optional + (112 if image[optional:optional + 2] == b"\x0b\x02" else 96) + 8 * 4
image += bytes(-len(image) % 8)
table = len(image)
entry = struct.pack("<IHH", 8 + len(said), 0x0200, 2) + said
entry += bytes(-len(entry) % 8)
image += entry
struct.pack_into("<II", image, security, table, len(entry))
open(files["-out"], "wb").write(image)
"""


class ScrpackOnWindows(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = harness.Prefix()
        cls.prefix.keep_server()
        # Wine's Wayland driver complains on stderr without a runtime folder.
        runtime = os.path.join(cls.prefix.root, "runtime")
        os.mkdir(runtime, 0o700)
        cls.prefix.extra_env["XDG_RUNTIME_DIR"] = runtime
        cls.work = os.path.join(cls.prefix.drive_c, "work")
        os.makedirs(cls.work)
        shutil.copyfile(harness.INSTALLER, os.path.join(cls.work, "stub.exe"))
        shutil.copyfile(harness.UNINSTALLER, os.path.join(cls.work, "uninst.exe"))
        for name in ["Lanterns.scr", "Lanterns.dat", "Lanterns.wav", "Lanterns.mid", "Lanterns.ico"]:
            shutil.copyfile(os.path.join(harness.SAMPLES, name), os.path.join(cls.work, name))
        cls.write("random.bin", os.urandom(70000))
        cls.write("count.txt", b"".join(b"%d\n" % i for i in range(30000)))
        cls.write("licence.txt", LICENCE.encode("utf-8"))

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    @classmethod
    def write(cls, name, data):
        with open(os.path.join(cls.work, name), "wb") as f:
            f.write(data)

    def linux(self, *args, env=None):
        proc = subprocess.run([harness.SCRPACK, *args], cwd=self.work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=300, env=env)
        return proc.returncode, proc.stdout.decode("latin-1"), proc.stderr.decode("latin-1")

    def windows(self, *args, exe=None, extra_env=None):
        return self.prefix.run(exe or harness.SCRPACK_EXE, list(args), cwd=self.work, timeout=300,
                               extra_env=extra_env)

    def same(self, *args, prepare=None):
        """Runs both builds with args (prepare() before each run); checks that
        they give the same exit status, output and errors, and returns them."""
        if prepare:
            prepare()
        on_linux = self.linux(*args)
        if prepare:
            prepare()
        on_windows = self.windows(*args)
        self.assertEqual(on_windows, on_linux, args)
        return on_linux

    def build_both(self, output, *args):
        """Builds output with each build; checks that they print the same and
        write the same bytes; returns the Linux run."""
        result = self.same(*args, "-o", output, prepare=lambda: self.remove(output))
        self.assertEqual(result[0], 0, result[2])
        return result

    def remove(self, *names):
        for name in names:
            path = os.path.join(self.work, name)
            if os.path.isdir(path):
                shutil.rmtree(path)
            elif os.path.exists(path):
                os.unlink(path)

    def package_bytes_match(self, output, *args):
        self.remove(output)
        code, _, err = self.linux(*args, "-o", output)
        self.assertEqual(code, 0, err)
        on_linux = read(os.path.join(self.work, output))
        self.remove(output)
        code, _, err = self.windows(*args, "-o", output)
        self.assertEqual(code, 0, err)
        self.assertEqual(read(os.path.join(self.work, output)), on_linux, args)
        return on_linux

    def full_build(self, output, *extra):
        return self.build_both(
            output, "build", "--stub", "stub.exe", "--uninstaller", "uninst.exe", "--name", NAME,
            "--saver", "Lanterns.scr", "--data", "Lanterns.dat", "--media", "Lanterns.wav:.WAV:JUKE",
            "--media", "Lanterns.mid", "--media", "random.bin", "--media", "count.txt:.TXT:JUK_",
            "--licence", "licence.txt", "--first-number", "16", "--store-file", "Lanterns.mid", *extra)

    def test_build_gives_the_same_package_and_table(self):
        _, table, _ = self.full_build("full.exe")
        self.assertIn("full.exe: ", table)
        self.full_build("fast.exe", "--level", "fast", "--jobs", "1")
        self.full_build("stored.exe", "--store")
        self.full_build("face.exe", "--icon", "Lanterns.ico", "--file-version", "1.2", "--copyright", "\u00a9 Quillmoor")
        # The command form without "build", and the stub's layout read back.
        self.build_both("plain.exe", "--stub", "stub.exe", "--name", "Plain", "--prefix", "JUKE",
                        "Lanterns.scr", "Lanterns.dat", "uninst.exe", "count.txt")

    def test_list_verify_and_extract_match(self):
        self.full_build("pack.exe")
        for command in (["list", "pack.exe"], ["--list", "pack.exe"], ["verify", "pack.exe"]):
            code, out, err = self.same(*command)
            self.assertEqual((code, err), (0, ""), command)
        self.assertIn("JUK_0019.TXT", self.linux("list", "pack.exe")[1])

        # extract prints the folder it was given: both write to "out", in turn.
        self.remove("out")
        on_linux = self.linux("extract", "pack.exe", "out")
        self.assertEqual(on_linux[0], 0, on_linux[2])
        linux_files = {name: read(os.path.join(self.work, "out", name)) for name in os.listdir(
            os.path.join(self.work, "out"))}
        self.remove("out")
        self.assertEqual(self.windows("extract", "pack.exe", "out"), on_linux)
        windows_files = {name: read(os.path.join(self.work, "out", name)) for name in os.listdir(
            os.path.join(self.work, "out"))}
        self.assertEqual(windows_files, linux_files)
        self.assertEqual(linux_files[f"{NAME}.scr"], read(os.path.join(self.work, "Lanterns.scr")))
        self.assertEqual(len(linux_files), 7)
        # Into an existing folder, over the files there.
        self.same("extract", "pack.exe", "out")

    def test_damaged_packages_fail_alike(self):
        self.full_build("sound.exe")
        sound = read(os.path.join(self.work, "sound.exe"))
        info = damage.listing(os.path.join(self.work, "sound.exe"))
        # A block cut short; a packed block whose size says far more than
        # its code gives (the check stops once its code runs past the block);
        # one that says less, sound but for the checksums; the installer
        # without its manifest; a package without a PE checksum.
        self.write("cut.exe", sound[:-100])
        pe = int.from_bytes(sound[0x3C:0x40], "little")
        self.write("old.exe", sound[:pe + 88] + bytes(4) + sound[pe + 92:])
        for name, index, original in [("oversized.exe", 3, 0x7FFF0000), ("undersized.exe", 6, 1000)]:
            patched = bytearray(sound)
            damage.patch32(patched, damage.record_offset(info, index) + 8, original)
            self.write(name, bytes(patched))
        self.write("bare.exe", read(os.path.join(self.work, "stub.exe")))
        for package, status in [("cut.exe", 1), ("oversized.exe", 1), ("undersized.exe", 1), ("bare.exe", 1), ("old.exe", 0)]:
            self.assertEqual(self.same("verify", package)[0], status, package)
            self.assertEqual(self.same("list", package)[0], 1 if package == "bare.exe" else 0, package)
            code, out, err = self.same("extract", package, "damaged-out", prepare=lambda: self.remove("damaged-out"))
            self.assertEqual(code, status, package)
            if status:
                self.assertEqual(out, "", package)
                self.assertFalse(os.path.exists(os.path.join(self.work, "damaged-out")), "extract made nothing")
        self.assertIn("bits past the end of the block without giving its", self.linux("verify", "oversized.exe")[1])

    def test_signing_runs_the_signer_alike(self):
        # The stand-in signer on each system: fakesigner.exe as
        # osslsigncode.exe, and its twin below as osslsigncode.  Arguments
        # with spaces, quotes and backslashes must reach it as given.
        windows_signer = os.path.join(self.work, "signer")
        os.makedirs(windows_signer, exist_ok=True)
        shutil.copyfile(os.path.join(harness.PRODUCT, "fakesigner.exe"),
                        os.path.join(windows_signer, "osslsigncode.exe"))
        linux_signer = os.path.join(self.prefix.root, "linux-signer")
        os.makedirs(linux_signer, exist_ok=True)
        with open(os.path.join(linux_signer, "osslsigncode"), "w") as f:
            f.write(FAKE_SIGNER)
        os.chmod(os.path.join(linux_signer, "osslsigncode"), 0o755)
        linux_env = dict(os.environ, PATH=linux_signer + ":" + os.environ["PATH"])
        windows_env = {"WINEPATH": "C:\\work\\signer"}
        os.makedirs(os.path.join(self.work, "sign dir"), exist_ok=True)
        # The outer DER structure of a certificate and of a key, which is
        # all that scrpack reads of them.
        self.write("sign dir/my cert.pem", bytes.fromhex("300730003000030100"))
        self.write("sign dir/my key.pem", bytes.fromhex("3006020100020100"))
        url = 'http://tsa.example/a b"c\\\\'
        sign = ["--sign-cert", "sign dir/my cert.pem", "--sign-key", "sign dir/my key.pem", "--timestamp-url"]
        args = ["build", "--stub", "stub.exe", "--uninstaller", "uninst.exe", "--name", NAME, "--saver",
                "Lanterns.scr", "--data", "Lanterns.dat", *sign, url, "-o", "signed.exe"]
        self.remove("signed.exe")
        on_linux = self.linux(*args, env=linux_env)
        self.assertEqual(on_linux[0], 0, on_linux[2])
        signed = read(os.path.join(self.work, "signed.exe"))
        self.remove("signed.exe")
        self.assertEqual(self.windows(*args, extra_env=windows_env), on_linux)
        self.assertEqual(read(os.path.join(self.work, "signed.exe")), signed)
        said = b"sign\n-certs\nsign dir/my cert.pem\n-key\nsign dir/my key.pem\n-h\nsha256\n-ts\n" + \
            url.encode() + b"\n"
        self.assertIn(said, signed[-len(said) - 8:])
        code, out, err = self.same("verify", "signed.exe")
        self.assertEqual((code, err), (0, ""))
        self.assertRegex(out, r"signed: yes, Authenticode certificate table of \d+ bytes at offset \d+ after the "
                              r"last block; PE checksum 0x[0-9a-f]{8} correct")
        # A signer that fails: one line with its words, nothing written, an
        # older package kept.
        refused = args[:-3] + ["http://refuse.example/", "-o", "signed.exe"]
        on_linux = self.linux(*refused, env=linux_env)
        self.assertEqual(on_linux[:2], (1, ""))
        self.assertIn("osslsigncode failed (exit status 3): fake signer refuses http://refuse.example/", on_linux[2])
        self.assertEqual(self.windows(*refused, extra_env=windows_env), on_linux)
        self.assertEqual(read(os.path.join(self.work, "signed.exe")), signed)
        self.assertEqual(sorted(n for n in os.listdir(self.work) if n.startswith("signed")), ["signed.exe"])

    def test_usage_and_input_errors_match(self):
        files = ["--saver", "Lanterns.scr", "--data", "Lanterns.dat", "--stub", "stub.exe", "--uninstaller", "uninst.exe"]
        cases = [
            ["--help"],
            ["--version"],
            ["build"],
            ["build", "--name", "X", "-o", "x.exe"],
            ["build", "--name", "X", "--saver", "Lanterns.scr", "--data", "Lanterns.dat", "--stub", "stub.exe",
             "--uninstaller", "uninst.exe", "--level", "slow", "-o", "x.exe"],
            ["build", "--name", "X", "--saver", "missing.scr", "--data", "Lanterns.dat", "--stub", "stub.exe",
             "--uninstaller", "uninst.exe", "-o", "x.exe"],
            ["build", "--name", "X", "--saver", "Lanterns.scr", "--data", "Lanterns.dat", "--stub",
             "Lanterns.dat", "--uninstaller", "uninst.exe", "-o", "x.exe"],
            ["build", "--name", "X" * 91, "--saver", "Lanterns.scr", "--data", "Lanterns.dat", "--stub",
             "stub.exe", "--uninstaller", "uninst.exe", "-o", "x.exe"],
            ["build", "--name", "X", "--saver", "Lanterns.scr", "--data", "Lanterns.dat", "--stub", "stub.exe",
             "--uninstaller", "uninst.exe", "--store-file", "count.txt", "-o", "x.exe"],
            ["verify"],
            ["verify", "missing.exe"],
            ["verify", "Lanterns.scr"],
            ["list", "work-folder"],
            ["extract", "stub.exe", "out2"],
            ["extract", "missing.exe", "out2"],
            ["frobnicate"],
            [], ["build", "--licnce", "x"],
            ["build", "--name", "", "-o", "x.exe", "--saver", "Lanterns.scr"],
            ["build", "--name", "X" * 300, *files, "-o", "x.exe"],
            ["build", "--name", "X", *files, "--saver", "count.txt", "-o", "x.exe"],
            ["build", "--name", "X", *files, "--media", "Lanterns.wav", "-o", "./../work/Lanterns.wav"],
            ["build", "--name", "X", *files, "-o", "readonly.exe"], ["build", "--name", "X", *files, "-o", "no/x.exe"],
            # Outputs that are no regular file, or in no folder; a DLL; names
            # that clash without case; a tail Windows would cut: each refused
            # before any work, also with --dry-run.
            *[["build", "--name", "X", *files, *dry, "-o", output] for dry in ([], ["--dry-run"])
              for output in ("work-folder", "work-folder/", "gone/", "readonly.exe/x.exe")],
            ["build", "--name", "X", *files, "--saver", "dll.scr", "-o", "x.exe"],
            ["build", "--name", "file0001", *files, "--media", "Lanterns.wav:.DAT", "-o", "x.exe"],
            ["build", "--name", "X", *files, "--media", "Lanterns.wav:.", "-o", "x.exe"],
        ]
        sample = read(os.path.join(self.work, "Lanterns.scr"))
        pe = struct.unpack_from("<I", sample, 0x3C)[0]
        self.write("dll.scr", sample[:pe + 23] + bytes([sample[pe + 23] | 0x20]) + sample[pe + 24:])
        self.write("readonly.exe", b"keep")
        os.chmod(os.path.join(self.work, "readonly.exe"), 0o444)
        os.makedirs(os.path.join(self.work, "work-folder"), exist_ok=True)
        for args in cases:
            code, out, err = self.same(*args)
            if args in (["--help"], ["--version"]):
                self.assertEqual((code, err), (0, ""))
            else:
                self.assertIn(code, (1, 2), args)
                self.assertEqual(out, "", args)
                self.assertTrue(err.startswith("scrpack: "), (args, err))
            self.assertFalse(os.path.exists(os.path.join(self.work, "x.exe")), args)
        # Warnings, and --dry-run: the same lines; nothing written.
        for extra in (["--media", "random.bin:.OGG", "--media", "Lanterns.wav:WAV", "--media", "Lanterns.wav"], ["-o", "x.zip"]):
            code, out, err = self.same("build", "--name", "X", *files, "--dry-run", "-o", "x.exe", *extra)
            self.assertEqual((code, err.count("scrpack: warning: ")), (0, 3 if len(extra) > 2 else 1), err)
            self.assertFalse(os.path.exists(os.path.join(self.work, extra[-1] if extra[0] == "-o" else "x.exe")))

    def test_version_resource_is_the_printed_version(self):
        version = self.linux("--version")[1].split()[-1]
        (data,) = [data for (rtype, _, _), data in read_resources(harness.SCRPACK_EXE).items() if rtype == 16]
        fixed = data.index(struct.pack("<I", 0xFEEF04BD))
        numbers = struct.unpack_from("<4H", data, fixed + 8)
        self.assertEqual((numbers[1], numbers[0], numbers[3], numbers[2]), (*map(int, version.split(".")), 0))
        self.assertEqual(data.count(version.encode("utf-16-le") + b"\0\0"), 2, "FileVersion and ProductVersion")

    def test_zip_holds_scrpack_the_stub_the_uninstaller_and_a_readme(self):
        with zipfile.ZipFile(harness.SCRPACK_ZIP) as archive:
            entries = archive.infolist()
            self.assertEqual([entry.filename for entry in entries], [f"{ZIP_FOLDER}/{name}" for name in ZIP_FILES])
            self.assertEqual({entry.date_time for entry in entries}, {(2000, 1, 1, 0, 0, 0)})
            contents = {entry.filename.split("/")[1]: archive.read(entry) for entry in entries}
        self.assertEqual(contents["scrpack.exe"], read(harness.SCRPACK_EXE))
        self.assertEqual(contents["installer-stub.exe"], read(harness.INSTALLER))
        self.assertEqual(contents["uninstaller.exe"], read(harness.UNINSTALLER))
        readme = contents["README.txt"].decode("ascii")
        self.assertIn("scrpack build --name", readme)
        self.assertNotIn("\n", readme.replace("\r\n", ""), "CR LF line ends")

    def test_scrpack_from_the_zip_needs_no_stub_or_uninstaller(self):
        kit = os.path.join(self.prefix.drive_c, "kit")
        with zipfile.ZipFile(harness.SCRPACK_ZIP) as archive:
            archive.extractall(kit)
        exe = os.path.join(kit, ZIP_FOLDER, "scrpack.exe")
        windows_exe = "C:\\kit\\" + ZIP_FOLDER + "\\scrpack.exe"
        files = ["--name", NAME, "--saver", "Lanterns.scr", "--data", "Lanterns.dat", "--media", "Lanterns.wav",
                 "--licence", "licence.txt"]
        # A full Windows path: its drive's colon is no TAIL separator.
        windows_files = files + ["--media", "C:\\work\\count.txt:.TXT:JUKE"]
        files += ["--media", "count.txt:.TXT:JUKE"]
        self.remove("kit.exe", "explicit.exe")
        code, out, err = self.windows("build", *windows_files, "-o", "kit.exe", exe=windows_exe)
        self.assertEqual((code, err), (0, ""))
        # The uninstaller's row names the one beside scrpack.exe.
        self.assertIn("C:\\kit\\" + ZIP_FOLDER + "\\uninstaller.exe", out)
        code, _, err = self.linux("build", "--stub", "stub.exe", "--uninstaller", "uninst.exe", *files,
                                  "-o", "explicit.exe")
        self.assertEqual(code, 0, err)
        self.assertEqual(read(os.path.join(self.work, "kit.exe")), read(os.path.join(self.work, "explicit.exe")))
        code, out, _ = self.windows("verify", "kit.exe", exe=windows_exe)
        self.assertEqual(code, 0)
        self.assertTrue(out.endswith("kit.exe: intact (CRC-32 and PE checksum), and all 5 records decode to their full size\n"), out)
        self.assertIn("JUKE0002.TXT", out)

        # Without the stub, or with a folder in the uninstaller's place: one
        # line, status 1, nothing written.
        for name, what, option, reason in [
                ("installer-stub.exe", "installer stub", "--stub", "No such file or directory"),
                ("uninstaller.exe", "uninstaller", "--uninstaller", "Is a directory")]:
            path = os.path.join(kit, ZIP_FOLDER, name)
            saved = read(path)
            os.unlink(path)
            if reason == "Is a directory":
                os.mkdir(path)
            self.remove("kit.exe")
            before = sorted(os.listdir(self.work))
            code, out, err = self.windows("build", *files, "-o", "kit.exe", exe=windows_exe)
            self.assertEqual((code, out), (1, ""))
            self.assertEqual(err, f"scrpack: C:\\kit\\{ZIP_FOLDER}\\{name}: {reason} "
                                  f"(scrpack's own {what}; {option} names another)\n")
            self.assertEqual(sorted(os.listdir(self.work)), before, "nothing is written")
            if os.path.isdir(path):
                os.rmdir(path)
            with open(path, "wb") as f:
                f.write(saved)


if __name__ == "__main__":
    unittest.main()
