"""Where the extraction puts the data folder under Wine, and when it puts
nothing at all: without SHFOLDER.DLL the folder is built under the Windows
directory; a data folder too long for a path leaves only the screen saver,
and a single path too long only drops that file; a file or a log that can't
be created is passed over; refused access to the uninstall key ends the run
before anything is made."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
from extraction_checks import (DATA_ROOT, DRIVER_TIMEOUT, Inputs, boot_entry, entry, escaped,  # noqa: E402
                               files_of, install_log, log_bytes, media_set, noise, progress_dialog, read_host,
                               runnable, screen_saver_active, system_ini, values)
from test_uninstall_registration import ACCESS_DENIED, UNINSTALL  # noqa: E402

PROBE = harness.program("registration_probe")
# LoadLibraryA("SHFOLDER.DLL") fails with the library switched off.
NO_SHFOLDER = {"WINEDLLOVERRIDES": "mscoree,mshtml=;shfolder="}


class DataFolder(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.inputs = Inputs()
        self.addCleanup(self.inputs.close)
        self.media = media_set()

    def package(self, name):
        """A small package: returns (its host path, [(file name, bytes)] of
        the saver, the data file, the uninstaller and one media file).
        scrpack refuses names whose installed paths would not fit, so the
        name goes into the name field of a package built under another."""
        files = [("saver.scr", runnable(b"")), ("saver.dat", noise(3000, seed=1)),
                 ("uninstal.exe", runnable(bytes(100))), ("tone.wav", self.media["tone.wav"])]
        path = self.inputs.package(name[:40], *files[:3], media=[(*files[3], None, None)])
        damage.set_name(path, name)
        return path, files

    def silent_install(self, prefix, package, name, extra_env=None):
        installer = f"C:\\setup\\{name}.exe"
        prefix.put(package, installer)
        prefix.extra_env = extra_env or {}
        try:
            code, transcript = prefix.drive(installer, "/S", timeout=DRIVER_TIMEOUT)
        finally:
            prefix.extra_env = {}
        self.assertEqual((code, transcript.splitlines()), (0, progress_dialog(1, name, shown=False) + ["exit code 0"]))

    def test_without_shfolder_and_with_a_folder_too_long(self):
        with harness.gui_prefix() as prefix:
            prefix.keep_server()
            windows_directory = prefix.windows_directory()

            name = "Quiet Pond"
            package, files = self.package(name)
            self.silent_install(prefix, package, name, NO_SHFOLDER)
            folder = f"{windows_directory}\\All Users\\Application Data\\Quillmoor\\Glimmerkit\\{name}\\"
            paths = [f"{windows_directory}\\{name}.scr", folder + f"{name}.dat", folder + "UNINSTAL.EXE",
                     folder + "FILE0001.WAV"]
            for path, (_, content) in zip(paths, files):
                self.assertEqual(read_host(prefix, path), content, path)
            self.assertEqual(install_log(prefix, folder), log_bytes(paths))
            self.assertEqual(values(prefix, name), entry(f"{name} Screen Saver", paths[2], folder[:-1]))
            self.assertFalse(os.path.exists(prefix.host_path(DATA_ROOT)))

            # A name that fits in the Windows directory but whose data
            # folder would pass 259 characters: only the screen saver is
            # written, and nothing is logged or registered.
            name = "Long " * 44 + "Tail"
            package, files = self.package(name)
            self.assertGreater(len(f"{DATA_ROOT}\\{name}\\"), 259)
            self.silent_install(prefix, package, name)
            saver_path = f"{windows_directory}\\{name}.scr"
            self.assertEqual(read_host(prefix, saver_path), files[0][1])
            self.assertEqual(os.listdir(prefix.host_path(DATA_ROOT)), [])
            # (Wine refuses a key name this long, so even the access test's
            # empty key is missing.)
            self.assertFalse(values(prefix, name))
            self.assertEqual(boot_entry(prefix), prefix.short_path(saver_path))

    def test_files_that_cannot_be_written_or_named(self):
        with harness.gui_prefix() as prefix:
            prefix.keep_server()
            windows_directory = prefix.windows_directory()

            # The data file's path (the base name twice) would pass 259
            # characters, the other paths fit: that one file is neither
            # written nor logged, the rest of the walk goes on.
            name = "Wide Open " * 11 + "Sky"
            folder = f"{DATA_ROOT}\\{name}\\"
            self.assertGreater(len(folder + name + ".dat"), 259)
            package, files = self.package(name)
            self.silent_install(prefix, package, name)
            saver_path = f"{windows_directory}\\{name}.scr"
            written = [(saver_path, files[0][1]), (folder + "UNINSTAL.EXE", files[2][1]),
                       (folder + "FILE0001.WAV", files[3][1])]
            for path, content in written:
                self.assertEqual(read_host(prefix, path), content, path)
            self.assertEqual(sorted(os.listdir(prefix.host_path(folder))),
                             ["FILE0001.WAV", "INSTALL.LOG", "UNINSTAL.EXE"])
            self.assertEqual(install_log(prefix, folder), log_bytes(path for path, _ in written))
            self.assertEqual(values(prefix, name), entry(f"{name} Screen Saver", written[1][0], folder[:-1]))
            self.assertEqual(boot_entry(prefix), prefix.short_path(saver_path))

            # A file that can't be created (a folder has its name) fails the
            # install, which takes back what it wrote (test_full_disk has
            # the whole of that ending).
            name = "Taken Place"
            folder = f"{DATA_ROOT}\\{name}\\"
            os.makedirs(prefix.host_path(folder + f"{name}.dat"))
            package, files = self.package(name)
            prefix.put(package, f"C:\\setup\\{name}.exe")
            code, transcript = prefix.drive(f"C:\\setup\\{name}.exe", "/S", timeout=DRIVER_TIMEOUT)
            self.assertEqual((code, transcript.splitlines()[-1]), (0, "exit code 1"), transcript)
            self.assertFalse(os.path.exists(prefix.host_path(f"{windows_directory}\\{name}.scr")))
            self.assertEqual(os.listdir(prefix.host_path(folder)), [f"{name}.dat"])

            # An install log that can't be opened: every file still lands.
            name = "No Log"
            folder = f"{DATA_ROOT}\\{name}\\"
            os.makedirs(prefix.host_path(folder + "INSTALL.LOG"))
            package, files = self.package(name)
            self.silent_install(prefix, package, name)
            paths = [f"{windows_directory}\\{name}.scr", folder + f"{name}.dat", folder + "UNINSTAL.EXE",
                     folder + "FILE0001.WAV"]
            for path, (_, content) in zip(paths, files):
                self.assertEqual(read_host(prefix, path), content, path)
            self.assertTrue(os.path.isdir(prefix.host_path(folder + "INSTALL.LOG")))
            self.assertEqual(values(prefix, name), entry(f"{name} Screen Saver", paths[2], folder[:-1]))

    def test_access_refused_makes_nothing(self):
        name = "Locked Door"
        package, _ = self.package(name)
        with harness.gui_prefix() as prefix:
            # The key's security lives as long as the kept server.
            prefix.keep_server()
            code, out, err = prefix.run(PROBE, ["deny", f"{UNINSTALL}\\{name}"])
            self.assertEqual(code, 0, out + err)
            prefix.put(package, f"C:\\setup\\{name}.exe")
            before = files_of(prefix)
            ini_before = system_ini(prefix)

            code, transcript = prefix.drive(f"C:\\setup\\{name}.exe", "/S", ["Error!!! => OK"],
                                            timeout=DRIVER_TIMEOUT)
            self.assertEqual((code, transcript.splitlines()), (0, [
                'window 1: class "#32770", caption "Error!!!", shown',
                '  control Static 1088: ""',
                '  control Button 1: "OK"',
                f'  control Static 65535: "{escaped(ACCESS_DENIED)}"',
                "window 1: answer OK",
                "window 1: ended with 1",
            ] + progress_dialog(2, name, shown=False)[:-1] + ["window 2: ended with 2", "exit code 0"]))
            self.assertEqual(files_of(prefix), before)
            self.assertEqual(values(prefix, name), {})
            self.assertEqual(system_ini(prefix), ini_before)
            self.assertIsNone(screen_saver_active(prefix))


if __name__ == "__main__":
    unittest.main()
