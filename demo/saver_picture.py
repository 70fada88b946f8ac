#!/usr/bin/env python3
"""Takes the README's picture of the sample screen saver in full-screen
mode: the PE32 Lanterns.scr /s in a screen-sized Wine desktop on an Xvfb
display of its own, the screen saved after some seconds of animation.  (A
full-screen window straight on the Xvfb screen is not drawn there: Wine
leaves full-screen windows to a window manager, and Xvfb has none.)

    BUILD_ROOT=$PWD/build demo/saver_picture.py docs/pictures/lanterns.png
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

SETTLE_SECONDS = 15  # Wine has started and the lanterns have risen by then


def main():
    target = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "lanterns.png")
    with harness.gui_prefix() as prefix:
        saver = "C:\\windows\\Lanterns.scr"
        prefix.put(os.path.join(harness.SAMPLES, "Lanterns.scr"), saver)
        prefix.put(os.path.join(harness.SAMPLES, "Lanterns.dat"),
                   "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Lanterns\\Lanterns.dat")
        proc = subprocess.Popen([*harness.WINE, "explorer", "/desktop=saver,1024x768", saver, "/s"], cwd=prefix.drive_c, env=prefix.env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            time.sleep(SETTLE_SECONDS)
            subprocess.run(["import", "-display", prefix.display, "-window", "root", target], check=True)
        finally:
            prefix.kill()
            proc.wait(timeout=60)
    print(target)


if __name__ == "__main__":
    main()
