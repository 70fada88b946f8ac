"""The application manifests, read from the bytes of the built programs.

The installer and the uninstaller write into the Windows directory and into
HKLM, so each carries an application manifest (RT_MANIFEST, id 1) that asks
Windows to run it elevated, and declares the systems it was made for.  The
manifest is parsed as XML here, in the product (win32) and in the x86_64
build alike.  The sample screen saver carries none: it runs as the invoker,
as a legacy program whose writes to its data file are virtualised per user
(see samples/sample.rc).  Last, Wine's loader, which reads manifests as
Windows does, starts the product's programs: the installer and the
uninstaller with an elevated token, the screen saver with a limited one.
Elevated, they import at load time only DLLs that Windows always takes
from the system folder.
"""
import os
import re
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from pe_resources import read_resources  # noqa: E402

RT_MANIFEST = 24
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}

# Windows' KnownDLLs that the elevated programs may import at load time.
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}

ELEVATED = {
    f"{build} {name}": os.path.join(folder, *path)
    for build, folder in (("win32", harness.PRODUCT), ("win64", harness.WIN64))
    for name, path in (("installer", ["installer.exe"]), ("uninstaller", ["uninstaller", "uninstaller.exe"]))
}


def manifests(path):
    """The RT_MANIFEST resources of a program: {(id, language): bytes}."""
    return {(name, language): data for (rtype, name, language), data in read_resources(path).items()
            if rtype == RT_MANIFEST}


class ApplicationManifest(unittest.TestCase):
    maxDiff = None

    def parsed(self, program):
        path = ELEVATED[program]
        self.assertTrue(os.path.exists(path), f"{path}: build it first")
        found = manifests(path)
        self.assertEqual(list(found), [(1, 1033)], f"{program}: one manifest, id 1 (CREATEPROCESS_MANIFEST)")
        data = found[(1, 1033)]
        self.assertTrue(data.startswith(b'<?xml version="1.0" encoding="UTF-8"'), data[:60])
        return ElementTree.fromstring(data)

    def test_installer_and_uninstaller_ask_to_run_elevated(self):
        for program in ELEVATED:
            with self.subTest(program=program):
                root = self.parsed(program)
                self.assertEqual((root.tag, root.get("manifestVersion")), (f"{{{ASM_V1}}}assembly", "1.0"))
                levels = root.findall(f"{{{ASM_V3}}}trustInfo/{{{ASM_V3}}}security/"
                                      f"{{{ASM_V3}}}requestedPrivileges/{{{ASM_V3}}}requestedExecutionLevel")
                self.assertEqual([(level.get("level"), level.get("uiAccess")) for level in levels],
                                 [("requireAdministrator", "false")])
                # Only these attributes: no other request hides in the element.
                self.assertEqual(sorted(levels[0].attrib), ["level", "uiAccess"])

    def test_supported_systems_are_vista_to_windows_11(self):
        for program in ELEVATED:
            with self.subTest(program=program):
                root = self.parsed(program)
                entries = root.findall(f"{{{COMPATIBILITY}}}compatibility/{{{COMPATIBILITY}}}application/"
                                       f"{{{COMPATIBILITY}}}supportedOS")
                self.assertEqual([SUPPORTED_OS.get(entry.get("Id"), entry.get("Id")) for entry in entries],
                                 list(SUPPORTED_OS.values()))

    def test_no_visual_styles_and_nothing_else_is_asked(self):
        # A Common-Controls 6 dependency would change every dialog's look;
        # an assemblyIdentity naming one processor would stop the other
        # build from starting.
        for program in ELEVATED:
            with self.subTest(program=program):
                root = self.parsed(program)
                self.assertEqual([child.tag for child in root],
                                 [f"{{{ASM_V3}}}trustInfo", f"{{{COMPATIBILITY}}}compatibility"])
                self.assertEqual(root.findall(f".//{{{ASM_V1}}}dependency"), [])
                self.assertEqual(root.findall(f".//{{{ASM_V1}}}assemblyIdentity"), [])

    def test_only_known_dlls_are_imported(self):
        for program, path in ELEVATED.items():
            with self.subTest(program=program):
                dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", path], check=True,
                                      stdout=subprocess.PIPE, text=True).stdout
                imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
                self.assertTrue(imported, dump[:200])
                self.assertEqual(imported - KNOWN_DLLS, set())

    def test_lastres_is_still_the_first_resource_type(self):
        # The installer's own walk takes the first entry of every level.
        for build, folder in (("win32", harness.PRODUCT), ("win64", harness.WIN64)):
            with self.subTest(build=build):
                first = next(iter(read_resources(os.path.join(folder, "installer.exe"))))
                self.assertEqual(first, ("LASTRES", 1000, 1033))

    def test_sample_screen_saver_runs_as_the_invoker_without_a_manifest(self):
        for folder in (harness.PRODUCT, harness.WIN64):
            path = os.path.join(folder, "samples", "Lanterns.scr")
            with self.subTest(path=path):
                self.assertEqual(manifests(path), {})


class UnderWine(unittest.TestCase):
    def test_the_loader_elevates_the_installer_and_the_uninstaller_only(self):
        # TokenElevationType: 2 full (elevated), 3 limited.
        expected = {harness.INSTALLER: "elevated=1 type=2", harness.UNINSTALLER: "elevated=1 type=2",
                    os.path.join(harness.SAMPLES, "Lanterns.scr"): "elevated=0 type=3"}
        with harness.Prefix() as prefix:
            for path, want in expected.items():
                with self.subTest(program=os.path.basename(path)):
                    code, out, err = prefix.run(harness.program("tokenprobe"), [harness.windows_path(path)],
                                                timeout=120)
                    self.assertEqual((code, out.strip()), (0, want), err)


if __name__ == "__main__":
    unittest.main()
