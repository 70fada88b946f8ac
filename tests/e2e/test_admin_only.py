"""The elevated installer writes only where administrators alone can write,
and never through a link; the uninstaller deletes nothing through one.  A
Unix symbolic link in the prefix is what Wine reports as a reparse point."""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import damage  # noqa: E402
import harness  # noqa: E402
import install_uninstall as sample  # noqa: E402
import uninstall_state as state  # noqa: E402

ADMIN_ONLY = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
REFUSED = ("{} is a link to another place (a junction, symbolic link or mount point), or a folder that could not "
           "be made writable by administrators only.  The installation was stopped, and nothing was installed.")


def levels(base):
    root = "C:\\ProgramData\\Quillmoor"
    return [root, root + "\\Glimmerkit", root + "\\Glimmerkit\\" + base]


def plant_link(prefix, path, target="C:\\elsewhere"):
    if not os.path.lexists(prefix.host_path(target)):
        os.makedirs(prefix.host_path(target))
    os.makedirs(os.path.dirname(prefix.host_path(path)), exist_ok=True)
    os.symlink(prefix.host_path(target), prefix.host_path(path))


class AdminOnly(unittest.TestCase):
    maxDiff = None

    def prefix(self):
        context = harness.gui_prefix()
        prefix = context.__enter__()
        self.addCleanup(context.__exit__, None, None, None)
        prefix.keep_server()
        return prefix

    def test_a_link_in_the_way_stops_either_run_before_it_writes(self):
        packages = sample.SamplePackages()
        self.addCleanup(packages.close)
        with open(packages.build("Lanterns-setup.exe"), "rb") as f:
            package = f.read()
        prefix = self.prefix()
        for place in levels(sample.NAME) + [sample.SCREEN_SAVER]:
            plant_link(prefix, place)
            for command_line, shown in ((None, [REFUSED.format(place)]), ("/S", [])):
                run = damage.Run(self, prefix, package, sample.NAME, command_line,
                                 ["is a link to another place => OK"] + damage.GO_ON)
                self.assertEqual(sample.exit_code(run.transcript), 4, run.transcript)
                texts = [text for _, texts in damage.windows_of(run.transcript) for text in texts]
                self.assertEqual([text for text in texts if "is a link" in text], shown, run.transcript)
                self.assertEqual([path for path in run.changed if not path.startswith("setup")], [], place)
                self.assertEqual(run.removed, [], place)
                self.assertFalse(state.key_exists(prefix, sample.OUR_KEY))
            os.unlink(prefix.host_path(place))

    def test_the_data_folder_step_gives_folders_and_files_the_descriptor(self):
        # Made afresh, then each level (and a file) planted by a user.
        folder = "\\".join(levels("Night Sky")[2:]) + "\\"
        made = [f"CreateDirectoryA {level} {ADMIN_ONLY}" for level in levels("Night Sky")]
        taken = [step for line in made for step in (line, "SetSecurityInfo O:BA", "SetSecurityInfo " + ADMIN_ONLY[4:])]
        fresh = [f"data folder {folder}", f"CreateFileA {folder}Night Sky.dat {ADMIN_ONLY}", "fresh file 1"]
        prefix = self.prefix()
        probe = "C:\\admin_folder_probe.exe"
        prefix.put(harness.program("admin_folder_probe"), probe)
        for expected in (made + fresh, taken + fresh):
            code, out, err = prefix.run(probe, ["Night Sky", "Night Sky.dat"])
            self.assertEqual((code, out.splitlines()), (0, expected), err)
            self.assertEqual(os.path.getsize(prefix.host_path(folder + "Night Sky.dat")), 0)
            shutil.rmtree(prefix.host_path(levels("")[0]))
            state.write_file(prefix, folder + "Night Sky.dat", b"planted")

    def test_the_uninstaller_deletes_nothing_through_a_link(self):
        for place in levels(state.BASE):
            prefix = self.prefix()
            state.install_tools(prefix)
            state.lay_out_install(prefix)
            moved = "C:\\moved\\" + place[3:].replace("\\", "_")
            os.makedirs(prefix.host_path("C:\\moved"))
            os.rename(prefix.host_path(place), prefix.host_path(moved))
            plant_link(prefix, place, moved)
            code, lines = state.run_uninstaller(prefix, None, ("Continue? => Yes", "removed => OK"))
            behind = [path for path in state.installed_files() if path.startswith(place + "\\")]
            report = damage.unescape("\n".join(lines))
            self.assertEqual(code, 2, report)
            # The uninstaller itself stays while anything does.
            for path in state.installed_files():
                self.assertEqual(state.exists(prefix, path), path in behind or path.endswith("UNINSTAL.EXE"), path)
                if path in behind and not path.endswith("UNINSTAL.EXE"):
                    self.assertIn(path, report)


if __name__ == "__main__":
    unittest.main()
