"""The uninstall entry in Wine's real registry: the access test, the six
values with their types, a second install, and a key the user may not
write."""
import contextlib
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

PROBE = harness.program("registration_probe")
UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"
ACCESS_DENIED = ("You do not have access to make the required system configuration "
                 "modifications. Please rerun this installation from an administrators account.")


@contextlib.contextmanager
def persistent_server(prefix):
    """Keeps one wineserver (and with it the registry's security settings)
    alive for the whole test; saves the registry when it ends."""
    subprocess.run([*harness.WINESERVER, "-p"], env=prefix.env(), timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # The first program starts the system processes, which keep its
        # output open: give them none that a test reads.
        subprocess.run([*harness.WINE, "cmd", "/c", "exit"], env=prefix.env(),
                       cwd=prefix.drive_c, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        yield
    finally:
        prefix.kill()


def probe(prefix, *args):
    code, out, err = prefix.run(PROBE, list(args), timeout=60)
    assert code == 0, (args, code, out, err)
    return out


def boxes(out):
    return re.findall(r"^box caption=\[(.*)\] text=\[(.*)\]\r?$", out, re.M)


def values(prefix, name):
    """The values of an uninstall key as {name: (type, data)}, or None when
    the key does not exist."""
    code, out = prefix.reg_query("HKLM\\" + UNINSTALL + "\\" + name)
    if code != 0:
        return None
    found = {}
    for line in out.splitlines():
        match = re.match(r"^    (\S.*?)    (REG_\w+)    (.*)$", line)
        if match:
            found[match.group(1)] = (match.group(2), match.group(3))
    return found


def sizes(prefix, name):
    """{value name: (type number, stored size in bytes)} of an uninstall key."""
    out = probe(prefix, "sizes", UNINSTALL + "\\" + name)
    return {m.group(1): (int(m.group(2)), int(m.group(3)))
            for m in re.finditer(r"^value (.*) type=(\d+) size=(\d+)\r?$", out, re.M)}


def entry(display, uninstaller, location):
    return {
        "DisplayName": ("REG_SZ", display),
        "UninstallString": ("REG_EXPAND_SZ", uninstaller),
        "InstallLocation": ("REG_EXPAND_SZ", location),
        "Publisher": ("REG_SZ", "Made with Quillmoor's Glimmerkit"),
        "VersionMajor": ("REG_DWORD", "0x6"),
        "VersionMinor": ("REG_DWORD", "0x0"),
    }


class UninstallRegistration(unittest.TestCase):
    def test_entry_values_and_second_install(self):
        with harness.gui_prefix() as prefix, persistent_server(prefix):
            # The access test creates the key and leaves it empty.
            out = probe(prefix, "access", "Aquarium.scr")
            self.assertIn("access=1", out)
            self.assertEqual(boxes(out), [])
            self.assertEqual(values(prefix, "Aquarium"), {})

            uninstaller = r"C:\Data\Quillmoor\Glimmerkit\Aquarium\UNINSTAL.EXE"
            probe(prefix, "register", "Aquarium.scr", uninstaller)
            self.assertEqual(values(prefix, "Aquarium"),
                             entry("Aquarium Screen Saver", uninstaller,
                                   r"C:\Data\Quillmoor\Glimmerkit\Aquarium"))

            # Only the last dot ends the base name; an uninstaller whose
            # last backslash is its first keeps its whole path.
            probe(prefix, "register", "Mr. Bean.scr", r"C:\UNINSTAL.EXE")
            self.assertEqual(values(prefix, "Mr. Bean"),
                             entry("Mr. Bean Screen Saver", r"C:\UNINSTAL.EXE", r"C:\UNINSTAL.EXE"))

            # A second install overwrites every value, whatever its type was.
            code, _, _ = prefix.run("reg", ["add", "HKLM\\" + UNINSTALL + "\\Aquarium", "/v",
                                            "DisplayName", "/t", "REG_DWORD", "/d", "7", "/f", harness.REG_VIEW])
            self.assertEqual(code, 0)
            probe(prefix, "register", "Aquarium.scr", r"C:\Other\UNINSTAL.EXE")
            self.assertEqual(values(prefix, "Aquarium"),
                             entry("Aquarium Screen Saver", r"C:\Other\UNINSTAL.EXE", r"C:\Other"))

            # Without a base name nothing lands in the shared Uninstall key.
            out = probe(prefix, "access", ".scr")
            self.assertIn("access=1", out)
            probe(prefix, "register", ".scr", r"C:\Nameless\UNINSTAL.EXE")
            code, out = prefix.reg_query("HKLM\\" + UNINSTALL)
            self.assertEqual(code, 0)
            self.assertNotIn("UNINSTAL.EXE", out)
            self.assertNotIn("Screen Saver", out)

            # Each text is stored with its one NUL and nothing after it (as
            # two-byte characters; the system adds a NUL that the given size
            # leaves out, so only a size too large would show); the numbers
            # are DWORDs.
            self.assertEqual(sizes(prefix, "Aquarium"), {
                "DisplayName": (1, 2 * (len("Aquarium Screen Saver") + 1)),
                "UninstallString": (2, 2 * (len(r"C:\Other\UNINSTAL.EXE") + 1)),
                "InstallLocation": (2, 2 * (len(r"C:\Other") + 1)),
                "Publisher": (1, 2 * (len("Made with Quillmoor's Glimmerkit") + 1)),
                "VersionMajor": (4, 4),
                "VersionMinor": (4, 4),
            })

    def test_access_refused(self):
        # The key's security lives only as long as the server does.
        with harness.gui_prefix() as prefix, persistent_server(prefix):
            self.assertIn("deny=0", probe(prefix, "deny", UNINSTALL + "\\Denied"))

            out = probe(prefix, "access", "Denied.scr")
            self.assertIn("access=0", out)
            self.assertEqual(boxes(out), [("Error!!!", ACCESS_DENIED)])

            # The uninstaller's registration fails silently.
            out = probe(prefix, "register", "Denied.scr", r"C:\Data\Denied\UNINSTAL.EXE")
            self.assertEqual(boxes(out), [])
            self.assertEqual(values(prefix, "Denied"), {})


if __name__ == "__main__":
    unittest.main()
