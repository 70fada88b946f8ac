"""The harness itself: a prefix runs a Windows program and ends cleanly."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402


class HarnessSmoke(unittest.TestCase):
    def test_runs_a_program_and_has_no_z_drive(self):
        with harness.Prefix() as prefix:
            code, out, _ = prefix.run("cmd", ["/c", "echo", "hello"], timeout=60)
            self.assertEqual(code, 0)
            self.assertIn("hello", out)
            self.assertFalse(os.path.lexists(os.path.join(prefix.path, "dosdevices", "z:")))


if __name__ == "__main__":
    unittest.main()
