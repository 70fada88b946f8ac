"""Making a screen saver the default under Wine: the [boot] entry of the
Windows directory's system.ini and the ScreenSaveActive switch."""
import configparser
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

PROBE = harness.program("registration_probe")


def boot_entry(prefix):
    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.optionxform = str
    ini.read(os.path.join(prefix.windows, "system.ini"), encoding="latin-1")
    return ini.get("boot", "SCRNSAVE.EXE", fallback=None)


def screen_saver_active(prefix):
    with open(os.path.join(prefix.path, "user.reg"), encoding="latin-1") as f:
        text = f.read()
    section = re.search(r"^\[Control Panel\\\\Desktop\] \d+\n(.*?)\n\n", text, re.M | re.S)
    match = re.search(r'^"ScreenSaveActive"="(.*)"$', section.group(1), re.M)
    return match and match.group(1)


class DefaultScreenSaver(unittest.TestCase):
    def test_short_path_in_system_ini_and_screen_saver_on(self):
        with harness.gui_prefix() as prefix:
            with open(os.path.join(prefix.windows, "Glimmer Aquarium.scr"), "wb") as f:
                f.write(b"MZ")
            code, out, err = prefix.run(PROBE, ["default", r"C:\windows\Glimmer Aquarium.scr"])
            self.assertEqual(code, 0, out + err)
            # The 8.3 form (Wine makes the short name from a hash).
            self.assertRegex(boot_entry(prefix), r"(?i)^C:\\windows\\[A-Z0-9_]{1,7}~[A-Z0-9_~]{0,6}\.SCR$")
            # Other sections of the file stay.
            self.assertIn("[mci]", open(os.path.join(prefix.windows, "system.ini"), encoding="latin-1").read())
            prefix.wait_idle()
            self.assertEqual(screen_saver_active(prefix), "1")

    def test_missing_file_is_entered_by_its_full_path(self):
        with harness.gui_prefix() as prefix:
            code, out, err = prefix.run(PROBE, ["default", r"C:\windows\Missing Saver.scr"])
            self.assertEqual(code, 0, out + err)
            self.assertEqual(boot_entry(prefix), r"C:\windows\Missing Saver.scr")
            prefix.wait_idle()
            self.assertEqual(screen_saver_active(prefix), "1")


if __name__ == "__main__":
    unittest.main()
