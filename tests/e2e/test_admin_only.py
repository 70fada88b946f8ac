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
    return ["C:\\ProgramData\\Quillmoor" + tail for tail in ("", "\\Glimmerkit", "\\Glimmerkit\\" + base)]


def plant_link(prefix, path, target):
    os.makedirs(os.path.dirname(prefix.host_path(path)), exist_ok=True)
    os.symlink(prefix.host_path(target), prefix.host_path(path))


class AdminOnly(unittest.TestCase):
    def prefix(self):
        context = harness.gui_prefix()
        self.addCleanup(context.__exit__, None, None, None)
        prefix = context.__enter__()
        prefix.keep_server()
        return prefix

    def test_a_link_in_the_way_stops_either_run_before_it_writes(self):
        packages = sample.SamplePackages()
        self.addCleanup(packages.close)
        with open(packages.build("Lanterns-setup.exe"), "rb") as f:
            package = f.read()
        prefix = self.prefix()
        os.makedirs(prefix.host_path("C:\\elsewhere"))
        for place in levels(sample.NAME) + [sample.SCREEN_SAVER]:
            plant_link(prefix, place, "C:\\elsewhere")
            for command_line, shown in ((None, [REFUSED.format(place)]), ("/S", [])):
                run = damage.Run(self, prefix, package, sample.NAME, command_line, ["is a link => OK"] + damage.GO_ON)
                self.assertEqual(sample.exit_code(run.transcript), 4, run.transcript)
                texts = [text for _, texts in damage.windows_of(run.transcript) for text in texts]
                self.assertEqual([text for text in texts if "is a link" in text], shown, run.transcript)
                self.assertEqual([path for path in run.changed + run.removed if not path.startswith("setup")], [])
                self.assertFalse(state.key_exists(prefix, sample.OUR_KEY))
            os.unlink(prefix.host_path(place))

    def test_folders_made_or_taken_over_and_files_replaced_get_the_descriptor(self):
        made = [f"CreateDirectoryA {level} {ADMIN_ONLY}" for level in levels("Night Sky")]
        taken = [step for line in made for step in (line, "SetSecurityInfo O:BA", "SetSecurityInfo " + ADMIN_ONLY[4:])]
        data_file = levels("Night Sky")[2] + "\\Night Sky.dat"
        prefix = self.prefix()
        prefix.put(harness.program("admin_folder_probe"), "C:\\probe.exe")
        for expected in (made, taken):  # then each level and the file planted by a user
            code, out, err = prefix.run("C:\\probe.exe", ["Night Sky", "Night Sky.dat"])
            self.assertEqual((code, out.splitlines()), (0, expected + [f"CreateFileA {data_file} {ADMIN_ONLY}"]), err)
            self.assertEqual(os.path.getsize(prefix.host_path(data_file)), 0)
            shutil.rmtree(prefix.host_path(levels("")[0]))
            state.write_file(prefix, data_file, b"planted")

    def test_the_uninstaller_deletes_nothing_through_a_link(self):
        for place in levels(state.BASE):
            prefix = self.prefix()
            state.install_tools(prefix)
            state.lay_out_install(prefix)
            os.makedirs(prefix.host_path("C:\\moved"))
            os.rename(prefix.host_path(place), prefix.host_path("C:\\moved\\level"))
            plant_link(prefix, place, "C:\\moved\\level")
            code, lines = state.run_uninstaller(prefix, None, ("Continue? => Yes", "removed => OK"))
            report = damage.unescape("\n".join(lines))
            self.assertEqual(code, 2, report)
            # The screen saver goes; what lies behind the link, and the
            # uninstaller while anything stays, are left, and named.
            for path in state.installed_files():
                behind = path.startswith(place + "\\")
                self.assertEqual(state.exists(prefix, path), behind, path)
                self.assertEqual(path in report, behind and not path.endswith("UNINSTAL.EXE"), report)


if __name__ == "__main__":
    unittest.main()
