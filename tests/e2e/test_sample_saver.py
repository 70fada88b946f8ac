"""The sample screen saver under Wine: full screen until a key press or a
mouse move, the preview inside a given window, and the settings dialog with
its data file."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import wave

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

SAMPLES = harness.SAMPLES
PROBE = harness.program("saverprobe")
REGISTRATION_PROBE = harness.program("registration_probe")
TOOLS = "C:\\glimmerkit-test"
INSTALLED = "C:\\windows\\Lanterns.scr"
DATA_FILE = "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Lanterns\\Lanterns.dat"
# The Xvfb screen's size: the full-screen window covers the Wine desktop.
SCREEN = "1024x768"


def put(prefix, source, windows_path):
    target = prefix.host_path(windows_path)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(source, target)


def probe(prefix, *args):
    code, out, err = prefix.run(TOOLS + "\\saverprobe.exe", list(args), timeout=60)
    lines = dict(line.split(": ", 1) for line in out.replace("\r", "").splitlines() if ": " in line)
    return code, lines, out + err


class SampleScreenSaver(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.context = harness.gui_prefix(desktop=SCREEN)
        cls.prefix = cls.context.__enter__()
        cls.prefix.keep_server()
        put(cls.prefix, PROBE, TOOLS + "\\saverprobe.exe")
        put(cls.prefix, os.path.join(SAMPLES, "Lanterns.scr"), INSTALLED)

    @classmethod
    def tearDownClass(cls):
        cls.context.__exit__(None, None, None)

    def test_full_screen_draws_and_ends_on_a_key_press_or_a_mouse_move(self):
        for how in ("key", "mouse"):
            code, lines, out = probe(self.prefix, "fullscreen", INSTALLED, how)
            self.assertEqual(code, 0, out)
            self.assertEqual(lines["window"], "full screen", out)
            self.assertEqual(lines["topmost"], "yes", out)
            self.assertEqual(lines["running"], "yes", out)
            for finding in ("sky", "lanterns", "moving"):
                self.assertEqual(lines[finding], "yes", out)
            self.assertEqual(lines["ended"], "yes, exit code 0", out)

    def test_preview_lives_in_the_given_window_and_ends_with_it(self):
        code, lines, out = probe(self.prefix, "preview", INSTALLED)
        self.assertEqual(code, 0, out)
        self.assertEqual(lines["child"], "152x112", out)
        self.assertEqual(lines["painting"], "yes", out)
        self.assertEqual(lines["ended"], "yes, exit code 0", out)

    def test_settings_come_from_the_data_file_and_go_back_to_it(self):
        prefix = self.prefix
        # No data file anywhere: the standard settings.
        code, lines, out = probe(prefix, "settings", INSTALLED)
        self.assertEqual(code, 0, out)
        self.assertEqual(lines["dialog"], "Lanterns Settings", out)
        self.assertEqual((lines["field 2001"], lines["field 2002"]), ("24", "3"), out)

        # The data file the installer puts in the data folder.
        put(prefix, os.path.join(SAMPLES, "Lanterns.dat"), DATA_FILE)
        with open(prefix.host_path(DATA_FILE), "wb") as out_file:
            out_file.write(b"[Lanterns]\r\nCount=7\r\nSpeed=9\r\n")
        code, lines, out = probe(prefix, "settings", INSTALLED, "12", "2")
        self.assertEqual((lines["field 2001"], lines["field 2002"]), ("7", "9"), out)
        self.assertEqual(lines["ended"], "yes, exit code 0", out)
        with open(prefix.host_path(DATA_FILE), "rb") as data:
            self.assertEqual(data.read(), b"[Lanterns]\r\nCount=12\r\nSpeed=2\r\n")


class SampleMedia(unittest.TestCase):
    def test_media_are_well_formed_and_the_same_on_every_build(self):
        with wave.open(os.path.join(SAMPLES, "Lanterns.wav")) as chime:
            self.assertEqual((chime.getnchannels(), chime.getsampwidth(), chime.getframerate()),
                             (1, 2, 22050))
            frames = chime.readframes(chime.getnframes())
        samples = struct.unpack(f"<{len(frames) // 2}h", frames)
        self.assertTrue(0.5 < len(samples) / 22050 < 2)
        self.assertGreater(max(samples), 8000)
        self.assertLess(abs(samples[-1]), 1000)  # it dies away

        with open(os.path.join(SAMPLES, "Lanterns.mid"), "rb") as tune:
            midi = tune.read()
        self.assertEqual(midi[:14], b"MThd\0\0\0\6\0\0\0\1\0\x60")
        self.assertEqual(midi[14:18], b"MTrk")
        self.assertEqual(struct.unpack(">I", midi[18:22])[0], len(midi) - 22)
        self.assertTrue(midi.endswith(b"\xff\x2f\x00"))

        with tempfile.TemporaryDirectory() as again:
            subprocess.run([sys.executable, os.path.join(harness.SOURCE_DIR, "samples", "make_media.py"),
                            again, "Lanterns"], check=True)
            for name in os.listdir(again):
                with open(os.path.join(again, name), "rb") as made, \
                        open(os.path.join(SAMPLES, name), "rb") as built:
                    self.assertEqual(made.read(), built.read(), name)

    def test_the_media_layer_opens_both_files(self):
        with harness.Prefix() as prefix:
            prefix.keep_server()
            put(prefix, REGISTRATION_PROBE, TOOLS + "\\registration_probe.exe")
            paths = []
            for name in ("Lanterns.wav", "Lanterns.mid"):
                paths.append(TOOLS + "\\" + name)
                put(prefix, os.path.join(SAMPLES, name), paths[-1])
            # A damaged tune shows that the check is not a formality.
            paths.append(TOOLS + "\\damaged.mid")
            with open(prefix.host_path(paths[-1]), "wb") as damaged:
                damaged.write(b"MThd" + bytes(range(200)))
            code, out, err = prefix.run(TOOLS + "\\registration_probe.exe", ["media"] + paths, timeout=60)
            self.assertEqual(code, 0, err)
            missing = [line.strip() for line in out.splitlines() if line.startswith("missing=")]
            self.assertEqual(missing, ["missing=", "missing=", "missing=" + b".mid\r\n".hex()], out)


if __name__ == "__main__":
    unittest.main()
