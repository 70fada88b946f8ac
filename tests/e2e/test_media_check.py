"""The media check against Wine's real media layer: which files pass, what
missingTypes holds afterwards, byte for byte, and that every device opened
for the check is closed again."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import media_samples  # noqa: E402

PROBE = harness.program("registration_probe")


def check(prefix, paths, home=None):
    """Runs CheckMediaSupport on each path in one process; returns a list of
    (missingTypes after the file, open device count after the file)."""
    extra = {"HOME": home} if home else None
    code, out, err = prefix.run(PROBE, ["media", *paths], timeout=60, extra_env=extra)
    assert code == 0, (code, out, err)
    steps = []
    for line in out.splitlines():
        if line.startswith("missing="):
            steps.append([bytes.fromhex(line[len("missing="):])])
        elif line.startswith("open="):
            steps[-1].append(line[len("open="):])
    assert len(steps) == len(paths), out
    return [tuple(step) for step in steps]


class MediaCheck(unittest.TestCase):
    def test_passing_and_refused_files(self):
        with harness.gui_prefix() as prefix:
            folder = os.path.join(prefix.drive_c, "Data")
            os.makedirs(os.path.join(folder, "Mr. Bean"))
            good = {
                "a.wav": media_samples.wav_bytes(),
                "b.mid": media_samples.midi_bytes(),
                "c.MID": media_samples.midi_bytes(),
                "d.avi": media_samples.avi_bytes(),
                # Opened by its short name (LONGNA~1.AVI).
                "Long name clip.avi": media_samples.avi_bytes(),
                "e.mp3": media_samples.mp3_bytes(),
            }
            bogus = ["x1.xyz", "x2.xyz", "bad.mid", "bad.MID", "bad.mpg", "bad.mp",
                     "bad.mp3", os.path.join("Mr. Bean", "FILE0003")]
            for name, data in good.items():
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(data)
            for name in bogus:
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(media_samples.bogus_bytes())

            def win(name):
                return "C:\\Data\\" + name.replace("/", "\\")

            # ALSA without a device: .mp3 cannot be played.
            sequence = [
                ("a.wav", b""),
                ("b.mid", b""),
                ("c.MID", b""),
                ("d.avi", b""),
                ("Long name clip.avi", b""),
                ("x1.xyz", b".xyz\r\n"),
                # The same refused extension is listed once.
                ("x2.xyz", b".xyz\r\n"),
                # The search is case-sensitive.
                ("bad.mid", b".xyz\r\n.mid\r\n"),
                ("bad.MID", b".xyz\r\n.mid\r\n.MID\r\n"),
                ("bad.mpg", b".xyz\r\n.mid\r\n.MID\r\n.mpg\r\n"),
                # .mp is found inside ".mpg", so it is not listed.
                ("bad.mp", b".xyz\r\n.mid\r\n.MID\r\n.mpg\r\n"),
                # A refused file without an extension adds nothing, even
                # when its folder's name has a dot.
                ("Mr. Bean/FILE0003", b".xyz\r\n.mid\r\n.MID\r\n.mpg\r\n"),
                # A missing file is refused: its extension is listed.
                ("gone.abc", b".xyz\r\n.mid\r\n.MID\r\n.mpg\r\n.abc\r\n"),
                ("e.mp3", b".xyz\r\n.mid\r\n.MID\r\n.mpg\r\n.abc\r\n.mp3\r\n"),
            ]
            steps = check(prefix, [win(name) for name, _ in sequence])
            for (name, expected), (missing, open_count) in zip(sequence, steps):
                self.assertEqual(missing, expected, name)
                self.assertEqual(open_count, "0", name)

            # With a (null) ALSA device the MPEG layer III file plays; a
            # bogus one still does not.
            home = os.path.join(prefix.root, "alsa-home")
            os.makedirs(home)
            with open(os.path.join(home, ".asoundrc"), "w") as f:
                f.write("pcm.!default { type null }\n")
            steps = check(prefix, [win("e.mp3"), win("bad.mp3")], home=home)
            self.assertEqual(steps, [(b"", "0"), (b".mp3\r\n", "0")])


if __name__ == "__main__":
    unittest.main()
