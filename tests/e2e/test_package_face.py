"""A package's own face: the author's icon and a version resource naming
the screen saver, read back under Wine as Explorer reads them
(GetFileVersionInfo, ExtractIconEx: tests/winhelpers/faceprobe.cpp); the
rewritten resources keep the stub's layout (stubfix leaves them as they
are), the build stays reproducible, and the package installs.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

NAME = "Lanterns Caf\u00e9"
SAMPLE = [os.path.join(harness.SAMPLES, "Lanterns." + ext) for ext in ("scr", "dat", "wav")]
PROBE = harness.program("faceprobe")
STUBFIX = os.path.join(harness.BUILD_ROOT, "native", "stubfix")


def icon_file(colour, sizes=(32, 16)):
    """An .ico of one colour (blue, green, red), 32-bit images."""
    images = [struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0) + bytes(colour + (255,)) * n * n +
              bytes(4 * n) for n in sizes]
    directory, offset = struct.pack("<HHH", 0, 1, len(images)), 6 + 16 * len(images)
    for n, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


class PackageFace(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="package-face-")
        cls.icon = os.path.join(cls.root, "own.ico")
        with open(cls.icon, "wb") as f:
            f.write(icon_file((0x56, 0x34, 0x12)))
        cls.prefix = harness.Prefix()
        cls.prefix.keep_server()

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def build(self, output, *extra):
        path = os.path.join(self.root, output)
        proc = harness.build_package(path, NAME, *SAMPLE[:2], harness.UNINSTALLER, media=SAMPLE[2:], extra=extra)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        return path

    def probe(self, path):
        self.prefix.put(path, "C:\\face\\" + os.path.basename(path))
        code, out, err = self.prefix.run(PROBE, ["C:\\face\\" + os.path.basename(path)], timeout=120)
        self.assertEqual(code, 0, err)
        return out.encode("latin-1").decode("utf-8").replace("\r\n", "\n")

    def test_icon_and_version_details_read_back_as_windows_shows_them(self):
        own = self.build("own.exe", "--icon", self.icon, "--file-version", "2.1", "--product-version", "2.1.7.65535",
                         "--company", "Quillmoor", "--copyright", "\u00a9 2026 Quillmoor")
        self.assertEqual(self.probe(own), (
            "fixed: 2.1.0.0 product 2.1.7.65535 type 1\n"
            "CompanyName: Quillmoor\n"
            f"FileDescription: {NAME} Screen Saver Installation\n"
            "FileVersion: 2.1\n"
            "LegalCopyright: \u00a9 2026 Quillmoor\n"
            f"ProductName: {NAME}\n"
            "ProductVersion: 2.1.7.65535\n"
            "icons: 1\n"
            "large icon: 32x32 centre 123456\n"))
        # Without the options: the stub's icon and the defaults.
        plain = self.probe(self.build("plain.exe"))
        stub_icon = self.probe(harness.INSTALLER).splitlines()[-1]
        self.assertEqual(plain, "fixed: 1.0.0.0 product 1.0.0.0 type 1\n"
                                f"FileDescription: {NAME} Screen Saver Installation\nFileVersion: 1.0.0.0\n"
                                f"ProductName: {NAME}\nProductVersion: 1.0.0.0\nicons: 1\n{stub_icon}\n")

    def test_rewritten_stub_keeps_its_layout_and_builds_are_reproducible(self):
        first = harness.read_bytes(self.build("first.exe", "--icon", self.icon, "--company", "Quillmoor"))
        again = harness.read_bytes(self.build("again.exe", "--icon", self.icon, "--company", "Quillmoor"))
        self.assertEqual(first, again)
        # The stub part without its checksum, the manifest's first four bytes
        # standing in for the placeholder: stubfix finds nothing to move.
        listing = harness.scrpack("list", os.path.join(self.root, "first.exe")).stdout
        manifest = int(next(line for line in listing.splitlines() if line.startswith("manifest offset:")).split()[-1])
        pe = struct.unpack_from("<I", first, 0x3C)[0]
        stub_part = first[:pe + 88] + bytes(4) + first[pe + 92:manifest + 4]
        stub = os.path.join(self.root, "stub.exe")
        with open(stub, "wb") as f:
            f.write(stub_part)
        proc = subprocess.run([STUBFIX, stub], stderr=subprocess.PIPE, text=True)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertEqual(harness.read_bytes(stub), stub_part)
        # A package serves as the stub of another, face and all.
        proc = harness.build_package(os.path.join(self.root, "re.exe"), NAME, *SAMPLE[:2], harness.UNINSTALLER,
                                     media=SAMPLE[2:], stub=os.path.join(self.root, "first.exe"),
                                     extra=["--icon", self.icon, "--company", "Quillmoor"])
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertEqual(harness.read_bytes(os.path.join(self.root, "re.exe")), first)

    def test_bad_icon_or_version_is_refused(self):
        not_icon = os.path.join(self.root, "not.ico")
        with open(not_icon, "wb") as f:
            f.write(icon_file((1, 2, 3))[:40])
        for extra, status, message in [(["--icon", SAMPLE[1]], 1, "is not an icon file (.ico)"),
                                       (["--icon", not_icon], 1, "has image 1 outside the file"),
                                       (["--file-version", "1.2.3.4.5"], 2, "--file-version takes up to four"),
                                       (["--product-version", "65536"], 2, "--product-version takes up to four")]:
            with self.subTest(extra=extra):
                output = os.path.join(self.root, "bad.exe")
                proc = harness.scrpack("build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", SAMPLE[0],
                                       "--data", SAMPLE[1], *extra, "-o", output, check=False)
                self.assertEqual(proc.returncode, status, proc.stderr)
                self.assertIn(message, proc.stderr.splitlines()[0])
                self.assertFalse(os.path.exists(output))

    def test_package_with_its_own_face_installs(self):
        package = self.build("install.exe", "--icon", self.icon, "--file-version", "3.0")
        with harness.gui_prefix() as prefix:
            prefix.put(package, "C:\\install.exe")
            code, transcript = prefix.drive("C:\\install.exe", "/S", [])
            self.assertEqual(code, 0, transcript)
            savers = [name for name in os.listdir(prefix.windows) if name.startswith("Lanterns Caf")]
            self.assertEqual(len(savers), 1, transcript)
            self.assertEqual(harness.read_bytes(os.path.join(prefix.windows, savers[0])),
                             harness.read_bytes(SAMPLE[0]))


if __name__ == "__main__":
    unittest.main()
