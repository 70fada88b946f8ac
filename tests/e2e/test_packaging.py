"""scrpack: its command line, and its packages as the installer sees them.

The command-line cases run natively.  The last case packs the PE32
installer and runs the package under Wine: the installer must find the
manifest behind its own image and show the name, the byte total and the
licence exactly as scrpack converted them.
"""
import os
import pty
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

NAME = "Aurora Caf\u00e9"
LICENCE = "Line one\nLine two \u00e9\n"


def scrpack(*args):
    return subprocess.run([harness.SCRPACK, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, encoding="utf-8", timeout=120)


class Files:
    """A screen saver's files in a temporary folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="scrpack-")
        self.saver = self.write("saver.scr", harness.windows_program(os.urandom(5000), sample=True))
        self.data = self.write("saver.dat", b"".join(b"%d\n" % i for i in range(2000)))
        self.uninstaller = self.write("uninst.exe", b"MZ" + bytes(3000))
        self.song = self.write("song.mid", b"MThd" + bytes(range(256)) * 4)
        self.picture = self.write("view.jpeg", b"\xff\xd8\xff" + b"pixels" * 50)
        self.licence = self.write("licence.txt", LICENCE.encode("utf-8"))
        self.output = os.path.join(self.root, "package.exe")

    def write(self, name, data):
        path = os.path.join(self.root, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def inputs(self):
        return [self.saver, self.data, self.uninstaller, self.song, self.picture]

    def total(self):
        return sum(os.path.getsize(p) for p in self.inputs())

    def pack(self, *extra, name=NAME, stub=None):
        return scrpack("--stub", stub or harness.INSTALLER, "--name", name, "-o", self.output, *extra)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.files = Files()
        self.addCleanup(self.files.close)

    def test_builds_and_lists_a_package(self):
        f = self.files
        proc = f.pack("--license", f.licence, "--first-number", "16", *f.inputs())
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertTrue(os.access(f.output, os.X_OK))
        listing = scrpack("--list", f.output)
        self.assertEqual(listing.returncode, 0, listing.stderr)
        lines = listing.stdout.splitlines()
        self.assertIn(f"name: {NAME}", lines)
        self.assertIn("licence: 22 bytes", lines)  # CR LF line ends, one byte for the accent
        self.assertIn("first file number: 16", lines)
        rows = harness.listing_rows(listing.stdout)
        self.assertEqual([row[6] for row in rows],
                         [f"{NAME}.scr", f"{NAME}.dat", "UNINSTAL.EXE", "FILE0016.MID", "FILE0017.JPEG"])
        # Text is packed when that makes it smaller.
        self.assertEqual((rows[1][4], int(rows[1][3])), ("packed", os.path.getsize(f.data)))
        self.assertLess(int(rows[1][2]), os.path.getsize(f.data))
        # Blocks follow each other, and the integrity record ends the file.
        end = int(rows[0][1])
        for row in rows:
            self.assertEqual(int(row[1]), end)
            end += int(row[2])
        self.assertEqual(end + 16, os.path.getsize(f.output))

    def test_store_and_prefix_options(self):
        f = self.files
        proc = f.pack("--store", "--prefix", "JUK_", "--first-number", "0", "--license", f.write("l.txt", b"x"),
                      *f.inputs())
        self.assertEqual(proc.returncode, 0, proc.stderr)
        listing = scrpack("--list", f.output).stdout
        self.assertIn("licence: 1 byte\n", listing)
        rows = harness.listing_rows(listing)
        self.assertEqual({row[4] for row in rows}, {"stored"})
        self.assertEqual([row[6] for row in rows[3:]], ["JUK_0000.MID", "JUK_0001.JPEG"])
        for row, path in zip(rows, f.inputs()):
            self.assertEqual((int(row[2]), int(row[3])), (os.path.getsize(path),) * 2)

    def test_build_command_names_each_data_file(self):
        f = self.files
        proc = harness.build_package(f.output, NAME, f.saver, f.data, f.uninstaller,
                                     media=[(f.song, ".MID", "JUK_"), (f.picture, None, "JUKE"),
                                            (f.song, ".WAV  ", None), f.picture],
                                     licence=f.licence, first_number=7)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        listing = scrpack("list", f.output)
        self.assertEqual(listing.returncode, 0, listing.stderr)
        lines = listing.stdout.splitlines()
        self.assertIn("licence: 22 bytes", lines)
        # The tails quoted, trailing spaces and all; the installer drops
        # those from the name.
        self.assertEqual([row[5:] for row in harness.listing_rows(listing.stdout)[3:]],
                         [('".MID"', "JUK_0007.MID"), ('".JPEG"', "JUKE0008.JPEG"), ('".WAV  "', "FILE0009.WAV"),
                          ('".JPEG"', "FILE0010.JPEG")])
        for media in ["x", "%s:.MID:ABCD" % f.song, "%s:.M/D" % f.song, "%s:.ABCDEFGHIJKLMNOP" % f.song,
                      "%s:." % f.song]:
            with self.subTest(media=media):
                proc = scrpack("build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", f.saver,
                               "--data", f.data, "--uninstaller", f.uninstaller, "--media", media, "-o", f.output)
                self.assertIn(proc.returncode, (1, 2), proc.stderr)

    def test_refusals_leave_no_package_and_keep_an_old_one(self):
        f = self.files
        empty = f.write("empty.mid", b"")
        wide = f.write("wide.txt", "\u4e2d".encode("utf-8"))
        base = f.inputs()[:4]
        cases = [  # (scrpack arguments before the files, files, keyword arguments, expected message)
            ((), base, {"name": "..\\..\\evil"}, "name"),
            ((), base, {"name": "CON"}, "reserved"),
            ((), base, {"name": "conin$"}, "reserved device name (CONIN$)"),
            ((), base, {"name": "COM\u00b9.x"}, "reserved device name (COM\u00b9)"),
            ((), [f.saver, "/dev/null", *base[2:]], {}, "/dev/null is not a regular file but a device"),
            ((), base, {"name": "Caf\u00e9\u4e2d"}, "U+4E2D"),
            # NAME.dat under the longest data folder would pass 259 characters.
            (("--text-as-is",), base, {"name": "n" * 91}, "at most 90 fit"),
            ((), base, {"name": "n" * 300}, "300 characters and at most 90 fit"),
            (("--license", wide), base, {}, "U+4E2D"),
            (("--first-number", "65535"), f.inputs(), {}, "65535"),
            ((), base[:3] + [empty], {}, "empty"),
            ((), base, {"stub": harness.SCRPACK}, "not an executable"),
        ]
        for options, inputs, keywords, message in cases:
            with self.subTest(message=message):
                proc = f.pack(*options, *inputs, **keywords)
                self.assertEqual(proc.returncode, 1, proc.stderr)
                self.assertIn(message, proc.stderr)
                self.assertFalse(os.path.exists(f.output))
        # A failed run does not touch an existing package, nor leave a
        # temporary file beside it.
        with open(f.output, "wb") as old:
            old.write(b"old package")
        proc = f.pack(*f.inputs()[:3], empty)
        self.assertEqual(proc.returncode, 1)
        with open(f.output, "rb") as old:
            self.assertEqual(old.read(), b"old package")
        self.assertEqual(sorted(os.listdir(f.root)), sorted(
            ["saver.scr", "saver.dat", "uninst.exe", "song.mid", "view.jpeg", "licence.txt", "package.exe",
             "empty.mid", "wide.txt"]))

    def build(self, *extra, saver=None, output=None):
        return scrpack("build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", saver or self.files.saver,
                       "--data", self.files.data, "--uninstaller", self.files.uninstaller, *extra, "-o", output)

    def test_output_that_is_an_input_or_no_regular_file_is_refused_before_any_work(self):
        f = self.files
        os.symlink(f.song, os.path.join(f.root, "link.mid"))
        os.chmod(f.write("old.exe", b"old"), 0o444)
        os.symlink(f.write("target.exe", b"target"), os.path.join(f.root, "link.exe"))
        os.mkdir(os.path.join(f.root, "folder"))
        os.mkfifo(os.path.join(f.root, "fifo.exe"))
        with socket.socket(socket.AF_UNIX) as listener:
            listener.bind(os.path.join(f.root, "socket.exe"))
        before = {name: harness.read_bytes(os.path.join(f.root, name)) for name in os.listdir(f.root)
                  if os.path.isfile(os.path.join(f.root, name)) and not name.startswith("fifo")}
        for output, message in [("song.mid", "same file as --media"), ("link.mid", "same file as --media"),
                                ("../" + os.path.basename(f.root) + "/licence.txt", "same file as --license"),
                                ("saver.scr", "same file as --saver"), ("old.exe", "old.exe is read-only"),
                                ("no/p.exe", f"folder {f.root}/no does not exist"),
                                ("folder", "folder is a folder; give the package's file name in it"),
                                ("folder/", "folder/ is a folder"), ("gone/", "gone/ ends in /, so it names a folder"),
                                ("link.exe", f"link.exe is a symbolic link to {f.root}/target.exe; scrpack replaces "
                                             "only a regular file"),
                                ("/proc/self/fd/0", "/proc/self/fd/0 is a symbolic link"),
                                ("fifo.exe", "is a named pipe (FIFO), not a regular file"),
                                ("socket.exe", "is a socket, not a regular file"),
                                ("old.exe/p.exe", f"folder {f.root}/old.exe is a file, not a folder")]:
            for dry_run in ((), ("--dry-run",)):
                with self.subTest(output=output, dry_run=dry_run):
                    proc = self.build("--media", f.song, "--licence", f.licence, *dry_run,
                                      output=os.path.join(f.root, output))
                    self.assertEqual((proc.returncode, proc.stdout, proc.stderr.count("\n")), (1, "", 1), proc.stderr)
                    self.assertIn(message, proc.stderr)
        self.assertEqual({name: harness.read_bytes(os.path.join(f.root, name)) for name in before}, before)
        self.assertEqual(sorted(os.listdir(f.root)), sorted([*before, "fifo.exe", "socket.exe", "folder"]))
        self.assertEqual(os.listdir(os.path.join(f.root, "folder")), [])

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("unshare"), "needs root for a private mount namespace")
    def test_devices_and_unwritable_folders_are_refused_in_a_private_dev(self):
        # /dev here is a tmpfs in a mount namespace of the test's own: the
        # machine's /dev is never in reach.
        setup = ("mount -t tmpfs tmpfs /dev && mknod -m 666 /dev/null c 1 3 && mkfifo /dev/fifo && "
                 "ln -s /proc/self/fd/1 /dev/stdout && mkdir /dev/ro && mount -t tmpfs -o ro tmpfs /dev/ro || exit 9\n"
                 'for out in /dev/null /dev/fifo /dev/stdout /dev/ro/p.exe; do for dry in "" --dry-run; do\n'
                 '  err=$("$@" $dry -o "$out" 2>&1 >/dev/fifo.out); echo "$out|$?|$(stat -c %F "$out" 2>&1)|$err"\n'
                 "done; done\n")
        args = [harness.SCRPACK, "build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", self.files.saver,
                "--data", self.files.data, "--uninstaller", self.files.uninstaller]
        proc = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c", setup, "sh", *args],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        expected = {"/dev/null": ("character special file", "is a device, not a regular file"),
                    "/dev/fifo": ("fifo", "is a named pipe (FIFO)"),
                    "/dev/stdout": ("symbolic link", "is a symbolic link to /proc/self/fd/1"),
                    "/dev/ro/p.exe": ("No such file", "cannot write in the output's folder /dev/ro: Read-only file system")}
        lines = proc.stdout.splitlines()
        self.assertEqual(len(lines), 8, proc.stdout)
        for line in lines:
            out, status, kind, message = line.split("|", 3)
            self.assertEqual(status, "1", line)
            self.assertIn(expected[out][0], kind, line)
            self.assertTrue(message.startswith("scrpack: ") and expected[out][1] in message, line)

    def test_package_mode_follows_the_umask_and_a_replaced_one_keeps_its_own(self):
        f = self.files
        for umask, existing, mode in [(0o077, None, 0o700), (0o022, None, 0o755), (0o077, 0o640, 0o640)]:
            if os.path.exists(f.output):
                os.unlink(f.output)
            if existing:
                os.chmod(f.write("package.exe", b"old"), existing)
            proc = subprocess.run([harness.SCRPACK, "--stub", harness.INSTALLER, "--name", NAME, "-o", f.output,
                                   *f.inputs()], stdout=subprocess.PIPE, stderr=subprocess.PIPE, umask=umask)
            self.assertEqual(proc.returncode, 0, proc.stderr)
            self.assertEqual(os.stat(f.output).st_mode & 0o7777, mode, (oct(umask), existing))

    def test_installed_names_must_differ_in_more_than_case(self):
        f = self.files
        for name, media, clash in [
                ("FILE0001", f.song + ":.dat", f"--media {f.song} would install as FILE0001.dat, over the data file "
                                               f"{f.data}"),
                ("file0001", f.song + ":.DAT", "would install as FILE0001.DAT, over the data file"),
                ("Caf\u00e9", f.song + ":.dat:JUKE", None)]:
            proc = scrpack("build", "--stub", harness.INSTALLER, "--name", name, "--saver", f.saver, "--data", f.data,
                           "--uninstaller", f.uninstaller, "--media", f.song, "--media", media, "--first-number", "0",
                           "--dry-run", "-o", f.output)
            if clash is None:
                self.assertEqual(proc.returncode, 0, proc.stderr)
                continue
            self.assertEqual((proc.returncode, proc.stdout, proc.stderr.count("\n")), (1, "", 1), proc.stderr)
            self.assertIn(clash, proc.stderr)

    def test_what_is_packed_is_checked(self):
        f = self.files
        self.assertIn(f"--saver {f.data} is not a Windows program", self.build(saver=f.data, output="x.exe").stderr)
        sample = harness.windows_program(sample=True)
        pe = int.from_bytes(sample[0x3C:0x40], "little")
        title = b"\x08\x00" + "Lanterns".encode("utf-16-le")
        cases = [  # (options, screen saver, output, the one warning)
            ((), sample[:pe + 92] + b"\x03" + sample[pe + 93:], "p.exe", "is not a GUI program (subsystem 3)"),
            ((), sample[:pe + 24] + b"\x0b\x02" + sample[pe + 26:], "p.exe", "is a 64-bit program"),
            ((), sample.replace(title, bytes(len(title))), "p.exe", "has no description string (string resource 1)"),
            (("--media", f.write("song.ogg", b"OggS")), sample, "p.exe", "Windows does not play .ogg files"),
            (("--media", f.song + ":MID"), sample, "p.exe", 'the tail "MID" has no dot'),
            (("--media", f.song, "--media", f.song), sample, "p.exe", "is given twice"),
            ((), sample, "p.zip", "does not end in .exe"),
        ]
        # A DLL, 32- or 64-bit, GUI or not, is refused: Windows never starts one.
        dll = sample[:pe + 22] + bytes([sample[pe + 22], sample[pe + 23] | 0x20]) + sample[pe + 24:]
        for image in (dll, dll[:pe + 24] + b"\x0b\x02" + dll[pe + 26:]):
            proc = self.build(saver=f.write("d.scr", image), output=os.path.join(f.root, "p.exe"))
            self.assertEqual((proc.returncode, proc.stdout), (1, ""), proc.stderr)
            self.assertIn("d.scr is a DLL, not a program", proc.stderr)
        for options, saver, output, warning in cases:
            with self.subTest(warning=warning):
                proc = self.build(*options, saver=f.write("s.scr", saver), output=os.path.join(f.root, output))
                self.assertEqual(proc.returncode, 0, proc.stderr)
                self.assertEqual(proc.stderr.count("\n"), 1, proc.stderr)
                self.assertTrue(proc.stderr.startswith("scrpack: warning: ") and warning in proc.stderr, proc.stderr)

    def test_stub_whose_manifest_windows_would_refuse_or_not_elevate(self):
        f = self.files
        with open(harness.INSTALLER, "rb") as stub:
            image = stub.read()
        level = b'level="requireAdministrator"'
        self.assertEqual(image.count(level), 1)
        cases = [  # (the bytes replaced, what replaces them, expected message)
            (b"</security>", b"</securitx>", "does not parse (line 8: </securitx> closes <security>)"),
            (level, b'level="asInvoker"'.ljust(len(level)), 'asks for level "asInvoker"'),
            (b"requestedExecutionLevel", b"requestedExecutionLeveX", "asks for no execution level"),
        ]
        for old, new, message in cases:
            with self.subTest(message=message):
                stub = f.write("stub.exe", image.replace(old, new))
                proc = f.pack(*f.inputs(), stub=stub)
                self.assertEqual(proc.returncode, 1, proc.stderr)
                self.assertEqual(proc.stderr.count("\n"), 1, proc.stderr)
                self.assertIn(message, proc.stderr)
                self.assertFalse(os.path.exists(f.output))

    def test_usage_errors(self):
        f = self.files
        for args in [(), ("--name", NAME, *f.inputs()), ("--stub", harness.INSTALLER, "-o", f.output, *f.inputs()),
                     ("--stub", harness.INSTALLER, "--name", NAME, "-o", f.output, f.saver, f.data),
                     ("--prefix", "XYZ"), ("--first-number", "70000"), ("--list", f.output, f.saver)]:
            with self.subTest(args=args):
                proc = scrpack(*args)
                self.assertEqual(proc.returncode, 2, proc.stderr)
                self.assertIn("Usage:", proc.stderr)
        self.assertEqual(scrpack("--help").returncode, 0)
        for command in ("build", "list", "verify", "extract"):
            shown = scrpack("help", command)
            self.assertEqual((shown.returncode, shown.stderr), (0, ""))
            self.assertEqual(scrpack(command, "--help").stdout, shown.stdout)
            self.assertTrue(shown.stdout.startswith(f"Usage: scrpack {command} "), shown.stdout)
            self.assertIn("Example:\n  scrpack " + command, shown.stdout)
        build_help = scrpack("help", "build").stdout
        for words in ("  --saver FILE ", "  --data FILE ", "  --media FILE[:TAIL[:PREFIX]]", "none may be empty",
                      "Tail rules", "does not end in a dot", "more than case"):
            self.assertIn(words, build_help)
        self.assertEqual(scrpack("help", "bogus").returncode, 2)
        build = ["build", "-o", f.output, "--saver", f.saver]
        for args, problem in [((), "no command given"), (("buld",), 'unknown command "buld"'),
                              (("build", "--licnce", "x"), "unknown option --licnce"),
                              (("build", "--name"), "--name needs a value"), ((*build,), "--name and --data are required"),
                              ((*build, "--name", "", "--data", f.data), "--name is empty")]:
            proc = scrpack(*args)
            self.assertEqual((proc.returncode, proc.stderr.splitlines()[:2]), (2, ["scrpack: " + problem, USAGE]))
        # Without --stub, scrpack takes its own, which a build tree does not
        # have (tests/e2e/test_installed_layout.py tests the installed one).
        proc = scrpack("--name", NAME, "-o", f.output, *f.inputs())
        own = os.path.join(os.path.dirname(harness.SCRPACK), "installer-stub.exe")
        self.assertEqual((proc.returncode, proc.stdout), (1, ""))
        self.assertEqual(proc.stderr, f"scrpack: {own}: No such file or directory "
                                      "(scrpack's own installer stub; --stub names another)\n")
        self.assertFalse(os.path.exists(f.output))


USAGE = "Usage: scrpack build --name NAME --saver SCREENSAVER.SCR --data DATAFILE"
TABLE_ROW = re.compile(r"^(.+?)\s+(stored|packed)\s+([\d,]+)\s+([\d,]+)\s+([\d.]+)%\s+(.+)$")


def number(text):
    return int(text.replace(",", ""))


class Package:
    """A package built from Files, with ways to damage copies of it."""

    def __init__(self, files, notes_end=b"", **keywords):
        self.files = files
        self.notes = files.write("notes.txt", b"".join(b"line %06d of the notes\r\n" % i for i in range(3000)) +
                                 notes_end)
        self.sources = [files.saver, files.data, files.uninstaller, files.song, files.picture, self.notes]
        self.proc = harness.build_package(files.output, NAME, *self.sources[:3], licence=files.licence,
                                          media=[(files.song, ".WAV  ", None), files.picture, self.notes],
                                          first_number=9, **keywords)
        listing = scrpack("list", files.output).stdout.splitlines()
        self.records_at = (int(listing[3].split()[-1]) + 2 + int(listing[1].split()[1]) + 260 + 2)
        self.rows = harness.listing_rows("\n".join(listing))
        with open(files.output, "rb") as f:
            self.bytes = f.read()

    def damaged(self, name, cut=0, records=(), flip=None, checksum=False, record=None):
        """A copy cut short by cut bytes, with (index, field, value) record
        fields changed; field 0 is dataOffset, 1 storedSize, 2 originalSize.
        flip: the offset of a bit to flip.  Without checksum the PE checksum
        is 0, and without record (as checksum by default) there is no
        integrity record, as in a package made before scrpack wrote them."""
        data = bytearray(self.bytes)
        if not (checksum if record is None else record):
            mark = self.records_at + 12 + 4
            data[mark:mark + 5] = b" " * 5
            del data[-16:]
        del data[len(data) - cut:]
        if not checksum:
            pe = int.from_bytes(data[0x3C:0x40], "little")
            data[pe + 88:pe + 92] = bytes(4)
        if flip is not None:
            data[flip] ^= 1
        for index, field, value in records:
            at = self.records_at + 28 * index + 4 * field
            data[at:at + 4] = value.to_bytes(4, "little")
        return self.files.write(name, bytes(data))


class VerifyAndExtract(unittest.TestCase):
    def setUp(self):
        self.files = Files()
        self.addCleanup(self.files.close)

    def test_build_shows_a_size_table_and_the_package_verifies_and_extracts(self):
        f = self.files
        # --store-file names the notes by another path to the same file.
        package = Package(f, store_files=[os.path.join(f.root, ".", "notes.txt")])
        self.assertEqual(package.proc.stderr, "")  # no progress bar without a terminal
        lines = package.proc.stdout.splitlines()
        self.assertTrue(lines[0].startswith("installs as"), lines)
        rows = [TABLE_ROW.match(line).groups() for line in lines[1:7]]
        names = [f"{NAME}.scr", f"{NAME}.dat", "UNINSTAL.EXE", "FILE0009.WAV", "FILE0010.JPEG", "FILE0011.TXT"]
        self.assertEqual([row[0] for row in rows], [row[6] for row in package.rows])
        self.assertEqual([row[5] for row in rows], package.sources)
        self.assertEqual([row[1] for row in rows], [row[4] for row in package.rows])
        self.assertEqual(rows[1][1], "packed")
        self.assertEqual(rows[5][1], "stored")
        self.assertEqual(rows[5][2], rows[5][3])
        for row, path in zip(rows, package.sources):
            self.assertEqual(number(row[2]), os.path.getsize(path))
        total = re.match(r"^6 files, (\d) packed\s+([\d,]+)\s+([\d,]+)\s+[\d.]+%$", lines[7])
        self.assertIsNotNone(total, lines[7])
        self.assertEqual(int(total.group(1)), [row[1] for row in rows].count("packed"))
        self.assertEqual(number(total.group(2)), sum(number(row[2]) for row in rows))
        self.assertEqual(number(total.group(3)), sum(number(row[3]) for row in rows))
        self.assertTrue(lines[8].startswith(f"{f.output}: {len(package.bytes):,} bytes"), lines[8])

        proc = scrpack("verify", f.output)
        self.assertEqual((proc.returncode, proc.stderr), (0, ""))
        self.assertEqual(len([line for line in proc.stdout.splitlines() if ": ok: " in line]), 6, proc.stdout)
        self.assertEqual(proc.stdout.splitlines()[-1],
                         f"{f.output}: intact (CRC-32 and PE checksum), and all 6 records decode to their full size")

        out = os.path.join(f.root, "out")
        proc = scrpack("extract", f.output, out)
        self.assertEqual((proc.returncode, proc.stderr), (0, ""))
        # The installer trims the tail's trailing spaces: FILE0009.WAV.
        self.assertEqual(sorted(os.listdir(out)), sorted(names))
        for name, source in zip(names, package.sources):
            with open(os.path.join(out, name), "rb") as got, open(source, "rb") as want:
                self.assertEqual(got.read(), want.read(), name)

    def test_damaged_packages_fail_with_a_line_per_record_and_extract_nothing(self):
        f = self.files
        package = Package(f)
        data, notes = package.rows[1], package.rows[5]
        self.assertEqual((data[4], notes[4]), ("packed", "packed"))
        cases = [  # (name, damage, records named in the lines, reason)
            ("cut.exe", {"cut": 100}, [5], "100 bytes past the end of the file"),
            ("inside.exe", {"records": [(1, 0, package.records_at)]}, [1], "inside the installer or its manifest"),
            # Made up from zero bits, the rest would install: the check
            # stops where no encoder could have left off that many zeros.
            ("two.exe", {"records": [(1, 0, package.records_at), (5, 2, 0x7FFF0000)]}, [1, 5],
             "past the end of the block"),
            ("signed.exe", {"records": [(5, 2, 0x80000000)]}, [5], "above 2147483647"),
        ]
        for name, damage, damaged, reason in cases:
            with self.subTest(package=name):
                path = package.damaged(name, **damage)
                proc = scrpack("verify", path)
                self.assertEqual(proc.returncode, 1, proc.stdout)
                bad = [line for line in proc.stdout.splitlines() if ": damaged: " in line]
                self.assertEqual([int(line.split()[0]) for line in bad], damaged, proc.stdout)
                self.assertIn(reason, bad[-1])
                self.assertEqual(proc.stderr, f"scrpack: {path} is damaged: {len(damaged)} of 6 records\n")

                # Nothing is extracted: a folder it makes goes again, one
                # that was there keeps only what it held.
                out = os.path.join(f.root, "out")
                proc = scrpack("extract", path, out)
                self.assertEqual(proc.returncode, 1)
                self.assertEqual(len(proc.stderr.splitlines()), len(damaged), proc.stderr)
                self.assertTrue(all(line.startswith("scrpack: ") for line in proc.stderr.splitlines()))
                self.assertFalse(os.path.exists(out))
                os.mkdir(out)
                f.write("out/keep.txt", b"mine")
                self.assertEqual(scrpack("extract", path, out).returncode, 1)
                self.assertEqual(os.listdir(out), ["keep.txt"])
                shutil.rmtree(out)

        # A record table cut short is a fault of the package as a whole.
        path = package.damaged("table.exe", cut=len(package.bytes) - package.records_at - 40)
        proc = scrpack("verify", path)
        self.assertEqual(proc.returncode, 1)
        self.assertIn(f"{path}: damaged: the file ends inside the record table", proc.stdout.splitlines())

    def test_checksum_tells_an_intact_package_from_a_damaged_one(self):
        package, out = Package(self.files), os.path.join(self.files.root, "out")
        flip = int(package.rows[4][1]) + 3
        for path, reason in (
                (package.damaged("flipped.exe", flip=flip, checksum=True), "the CRC-32 is 0x"),
                (package.damaged("cut.exe", cut=1, checksum=True), "the manifest says the package carries"),
                (package.damaged("checksum.exe", flip=flip, checksum=True, record=False), "the PE checksum is 0x")):
            with self.subTest(package=path):
                self.assertIn(f"{path}: damaged: {reason}", scrpack("verify", path).stdout)
                proc = scrpack("extract", path, out)
                self.assertEqual(proc.returncode, 1)
                self.assertTrue(proc.stderr.startswith(f"scrpack: {path} is damaged: {reason}"), proc.stderr)
                self.assertFalse(os.path.exists(out))
        # An older package, without a checksum: said once, its records checked alone.
        proc = scrpack("verify", package.damaged("old.exe"))
        self.assertEqual((proc.returncode, proc.stderr, proc.stdout.count("no checksum")), (0, "", 1))
        self.assertTrue(proc.stdout.endswith("old.exe: all 6 records decode to their full size\n"))

    def test_block_without_its_last_bytes(self):
        # Notes that end on a run end on a match one byte back, whose
        # position code is all zero bits: the last block ends on zero bytes.
        # Another encoder may leave up to two off, as the installer's decoder
        # supplies zero bits past a block's end; a block cut further is
        # damaged.
        f = self.files
        package = Package(f, notes_end=b"=" * 200)
        notes = package.rows[5]
        blocks = package.bytes[:-16]
        self.assertEqual((notes[4], int(notes[1]) + int(notes[2])), ("packed", len(blocks)))
        zeros = min(2, len(blocks) - len(blocks.rstrip(b"\0")))
        self.assertGreater(zeros, 0)
        for cut in (zeros, 3 + len(blocks) - len(blocks.rstrip(b"\0"))):
            with self.subTest(cut=cut):
                path = package.damaged(f"cut{cut}.exe", cut=cut, records=[(5, 1, int(notes[2]) - cut)])
                proc = scrpack("verify", path)
                line = proc.stdout.splitlines()[5]
                out = os.path.join(f.root, f"out{cut}")
                extracted = scrpack("extract", path, out)
                if cut > 2:
                    self.assertEqual(proc.returncode, 1)
                    self.assertRegex(line, r"^5 FILE0011\.TXT: damaged: its code runs \d+ bits past the end of the block")
                    self.assertEqual(extracted.returncode, 1)
                    continue
                self.assertEqual((proc.returncode, proc.stderr), (0, ""))
                self.assertRegex(line, r"^5 FILE0011\.TXT: ok: packed, \d+ bytes expand to \d+$")
                self.assertEqual((extracted.returncode, extracted.stderr), (0, ""))
                with open(os.path.join(out, "FILE0011.TXT"), "rb") as got, open(package.notes, "rb") as want:
                    self.assertEqual(got.read(), want.read())

    def test_usage_and_failures(self):
        f = self.files
        package = Package(f)
        usage = [("verify",), ("verify", f.output, f.output), ("extract", f.output), ("verify", "--bogus"),
                 ("extract", "-x", f.output, f.root), ("list",)]
        for args in usage:
            with self.subTest(args=args):
                proc = scrpack(*args)
                self.assertEqual(proc.returncode, 2, proc.stderr)
                # The problem, the command forms and where the rest is.
                lines = proc.stderr.splitlines()
                self.assertTrue(lines[0].startswith("scrpack: "), lines)
                self.assertTrue(lines[1].startswith("Usage: "), lines)
                self.assertEqual(lines[-1], 'Run "scrpack --help" for the options.')
                self.assertEqual(proc.stdout, "")
        for command in ("verify", "extract"):
            proc = scrpack(command, "--help")
            self.assertEqual((proc.returncode, proc.stderr), (0, ""))
            self.assertIn(f"scrpack {command} PACKAGE.EXE", proc.stdout)
        # --store-file must name one of the package's files.
        os.unlink(f.output)
        proc = scrpack("build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", f.saver, "--data", f.data,
                       "--uninstaller", f.uninstaller, "--store-file", f.song, "-o", f.output)
        self.assertEqual(proc.returncode, 2)
        self.assertIn("--store-file", proc.stderr.splitlines()[0])
        self.assertFalse(os.path.exists(f.output))
        failures = [(("verify", os.path.join(f.root, "missing.exe")), "No such file"),
                    (("verify", f.data), "not an executable"),
                    (("extract", harness.INSTALLER, f.root), "an installer stub with no package"),
                    (("verify", harness.INSTALLER), "an installer stub with no package"),
                    (("extract", package.damaged("again.exe"), f.saver), "Not a directory")]
        for args, message in failures:
            with self.subTest(args=args):
                proc = scrpack(*args)
                self.assertEqual(proc.returncode, 1, proc.stderr)
                self.assertEqual(len(proc.stderr.splitlines()), 1, proc.stderr)
                self.assertIn(message, proc.stderr)

    def test_progress_shows_on_a_terminal_and_leaves_nothing_behind(self):
        f = self.files
        # Big enough that the bar may appear, which takes half a second of
        # work; whether it does depends on the machine's speed, so only
        # what it leaves is checked.
        words = [b"aurora", b"borealis", b"glimmer", b"lantern", b"night", b"sky", b"quiet", b"light"]
        text = f.write("big.txt", b" ".join(words[(i * 7 + i // 5) % 8] + b"%d" % (i % 977) for i in range(600000)))
        for command in (["build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", f.saver, "--data", text,
                         "--uninstaller", f.uninstaller, "-o", f.output], ["verify", f.output]):
            with self.subTest(command=command[0]):
                terminal, side = pty.openpty()
                proc = subprocess.Popen([harness.SCRPACK, *command], stdout=subprocess.PIPE, stderr=side)
                os.close(side)
                shown = []
                reader = threading.Thread(target=lambda: shown.append(read_all(terminal)))
                reader.start()
                out = proc.communicate(timeout=300)[0].decode("utf-8")
                reader.join()
                os.close(terminal)
                self.assertEqual(proc.returncode, 0, shown)
                self.assertNotIn("\r", out)
                drawn = shown[0]
                if drawn:
                    # Each frame starts at the line's start; the last one
                    # clears it.  No line is ever ended.
                    self.assertNotIn(b"\n", drawn)
                    self.assertTrue(drawn.endswith(b"\r\x1b[K"), drawn[-40:])
                    self.assertIn(b"%", drawn)


def read_all(fd):
    data = b""
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:  # the other side closed
            return data
        if not chunk:
            return data
        data += chunk


class UnderWine(unittest.TestCase):
    def test_silent_install_gives_back_every_file_stored_or_packed(self):
        files = Files()
        self.addCleanup(files.close)
        # Beyond the 16384-byte read and write buffers and the 102400-byte
        # pump interval: one file that packs well and one that stays stored.
        text = files.write("notes.txt", b"".join(b"line %06d of the notes\r\n" % i for i in range(12000)))
        noise = files.write("noise.bin", os.urandom(150000))
        inputs = [files.saver, files.data, files.uninstaller, text, noise, files.song]
        proc = harness.build_package(files.output, "Aurora", *inputs[:3], media=inputs[3:])
        self.assertEqual(proc.returncode, 0, proc.stderr)
        methods = harness.package_methods(files.output)
        self.assertEqual(methods[3:5], ["packed", "stored"])
        with harness.gui_prefix() as prefix:
            prefix.put(files.output, "C:\\package.exe")
            code, transcript = prefix.drive("C:\\package.exe", "/S", ["Missing support codecs => Cancel"])
            self.assertEqual(code, 0, transcript)
            log_path = prefix.host_path("C:\\ProgramData\\Quillmoor\\Glimmerkit\\Aurora\\INSTALL.LOG")
            with open(log_path, "rb") as log:
                installed = log.read().decode("latin-1").split("\r\n")[:-1]
            self.assertEqual(len(installed), len(inputs), installed)
            self.assertTrue(installed[0].lower().endswith("\\windows\\aurora.scr"), installed[0])
            for path, source in zip(installed, inputs):
                with open(prefix.host_path(path), "rb") as got, open(source, "rb") as want:
                    self.assertEqual(got.read(), want.read(), path)


    def test_installer_shows_the_packed_name_total_and_licence(self):
        files = Files()
        self.addCleanup(files.close)
        proc = files.pack("--license", files.licence, *files.inputs())
        self.assertEqual(proc.returncode, 0, proc.stderr)
        with harness.gui_prefix() as prefix:
            prefix.put(files.output, "C:\\package.exe")
            code, transcript = prefix.drive("C:\\package.exe", None,
                                            ["This program will install => OK", "License Agreement => Decline"])
        self.assertEqual(code, 0, transcript)
        total = f"{files.total():,}"
        self.assertIn('caption "Aurora Caf\\xE9 Screen Saver Installation"', transcript)
        self.assertRegex(transcript, re.escape(f"install Aurora Caf\\xE9 Screen Saver to ") + r".*" +
                         re.escape(f"This installation will take {total} bytes."))
        self.assertIn('control Edit 1009: "Line one\\r\\nLine two \\xE9\\r\\n"', transcript)
        self.assertIn("exit code 0", transcript)


if __name__ == "__main__":
    unittest.main()
