"""The x86_64 build of the installer against the product (PE32): the same
package installed by either writes the same files, byte for byte, and the
same install log; each registers the uninstaller in the registry view of
its own bitness (the product in the 32-bit view, as on 64-bit Windows)."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from install_uninstall import (DATA, DRIVER_TIMEOUT, INSTALLED, OUR_KEY, PACKAGE_PATH,  # noqa: E402
                               SamplePackages, exit_code, ready_prefix)

VIEW_64 = "/reg:64"


class BothBuilds(unittest.TestCase):
    def install(self, package):
        """Installs the package silently in a fresh prefix; returns the
        installed files' bytes and which registry views hold the key."""
        with harness.gui_prefix() as prefix:
            ready_prefix(prefix, package)
            code, transcript = prefix.drive(PACKAGE_PATH, "/S", ["License Agreement => Accept"],
                                            timeout=DRIVER_TIMEOUT)
            self.assertEqual((code, exit_code(transcript)), (0, 0), transcript)
            files = {}
            for path in INSTALLED + [DATA + "\\INSTALL.LOG"]:
                with open(prefix.host_path(path), "rb") as installed:
                    files[path] = installed.read()
            wow_key = OUR_KEY.replace("Software\\", "Software\\WOW6432Node\\", 1)
            views = [prefix.reg_query("HKLM\\" + key, view=VIEW_64)[0] == 0 for key in (OUR_KEY, wow_key)]
            return files, views

    def test_same_files_each_in_its_own_registry_view(self):
        packages = SamplePackages()
        self.addCleanup(packages.close)
        product = packages.build("Lanterns-setup.exe")
        x86_64 = packages.build("Lanterns-setup-x64.exe", stub=os.path.join(harness.WIN64, "installer.exe"))

        product_files, product_views = self.install(product)
        x86_64_files, x86_64_views = self.install(x86_64)
        self.assertEqual(sorted(product_files), sorted(x86_64_files))
        for path, content in product_files.items():
            self.assertEqual(content, x86_64_files[path], path)
        self.assertEqual(product_views, [False, True])  # under WOW6432Node only
        self.assertEqual(x86_64_views, [True, False])


if __name__ == "__main__":
    unittest.main()
