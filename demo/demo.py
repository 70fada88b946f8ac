#!/usr/bin/env python3
"""The demo: the sample screen saver Lanterns, packaged with scrpack and
installed under Wine in a fresh prefix.

Without options: a silent install ("/S"; the licence dialog still shows and
the GUI driver accepts it), what it wrote, then the uninstaller with "/s" and
proof that nothing is left.

--interactive: the interactive install in a Wine desktop under Xvfb, the GUI
driver answering every dialog and message box and saving a picture of each
(PNG), then the interactive uninstall, likewise.

Run it through ./demo.sh, which installs what is needed and builds first.
BUILD_ROOT chooses the build tree (default: build/)."""
import argparse
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
import harness  # noqa: E402
import media_samples  # noqa: E402
import uninstall_state as state  # noqa: E402

NAME = "Lanterns"
SAMPLES = harness.SAMPLES
LICENCE = os.path.join(SOURCE_DIR, "demo", "licence.txt")
PACKAGE_PATH = "C:\\users\\Public\\Downloads\\Lanterns-setup.exe"
DATA = "C:\\ProgramData\\Quillmoor\\Glimmerkit\\" + NAME
UNINSTALLER = DATA + "\\UNINSTAL.EXE"
OUR_KEY = state.UNINSTALL_KEY + "\\" + NAME
TOOLS = state.TOOLS
DESKTOP_SIZE = "800x600"
WINE_FONTS = ["marlett.ttf", "tahoma.ttf", "tahomabd.ttf"]

# The pictures, named after what they show: (a text the window holds, file).
PICTURES = [
    ("This program will install", "confirmation"),
    ("License Agreement", "licence"),
    ("Please Wait...", "progress"),
    ("Missing support codecs", "missing-types"),
    ("Ordering Information", "ordering-info"),
    ("Installation Complete!", "complete"),
    ("This will remove the", "uninstall-question"),
    ("has been removed", "uninstall-done"),
]


def say(text=""):
    print(text, flush=True)


def heading(text):
    say()
    say(text)
    say("-" * len(text))


def shown(path):
    """A host path as the reader would type it."""
    relative = os.path.relpath(path)
    return relative if not relative.startswith("..") else path


def size(value):
    return f"{value:,} bytes"


def transcript_windows(transcript):
    """The transcript's windows: [{caption, texts, answer, result}] in order."""
    windows = {}
    for line in transcript.splitlines():
        if line.startswith("window "):
            number, _, rest = line[len("window "):].partition(": ")
            record = windows.setdefault(int(number), {"caption": "", "texts": [], "answer": None,
                                                      "result": None})
            if rest.startswith("class "):
                record["caption"] = unescape(rest.split('caption "', 1)[1].rsplit('", ', 1)[0])
                record["shown"] = rest.endswith(", shown")
            elif rest.startswith("answer "):
                record["answer"] = rest[len("answer "):]
            elif rest.startswith("ended with "):
                record["result"] = rest[len("ended with "):]
        elif line.startswith("  control ") and windows:
            text = line.split(': "', 1)[1]
            text = text[:-len('" hidden')] if text.endswith('" hidden') else text[:-1]
            if text:
                windows[max(windows)]["texts"].append(unescape(text))
    return [windows[n] for n in sorted(windows)]


def unescape(text):
    return text.encode("latin-1").decode("unicode_escape").replace("\r\n", "\n")


def describe_window(number, window):
    texts = [t for t in window["texts"] if t not in ("OK", "Cancel", "Accept", "Decline", "&Yes", "&No")]
    first = texts[0].split("\n")[0] if texts else ""
    if len(first) > 64:
        first = first[:61] + "..."
    answer = window["answer"] or "none: it ended by itself"
    if not window.get("shown", True):
        answer += " (never shown: silent mode)"
    say(f'  {number}. "{window["caption"]}"')
    if first:
        say(f"       {first}")
    say(f"       answer: {answer}")


def exit_code(transcript):
    """The program's exit code from a driver transcript, or None."""
    for line in transcript.splitlines():
        if line.startswith("exit code "):
            return int(line.split()[-1])
    return None


def reg_lines(text):
    """An exported key's value lines, continuation lines joined."""
    lines = []
    for line in text.splitlines():
        if lines and lines[-1].endswith("\\") and line.startswith("  "):
            lines[-1] = lines[-1][:-1] + line.strip()
        else:
            lines.append(line)
    return lines


def uninstall_entry(prefix):
    """The values of our uninstall key as [(name, value)], or None."""
    if prefix.reg_query("HKLM\\" + OUR_KEY)[0] != 0:
        return None
    values = []
    for line in reg_lines(state.export_key(prefix, "HKLM\\" + OUR_KEY)):
        if not line.startswith('"'):
            continue
        name, _, value = line.partition("=")
        if value.startswith('"'):
            value = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        elif value.startswith("hex(2):"):  # an expandable string, UTF-16
            value = bytes.fromhex(value[len("hex(2):"):].replace(",", "")).decode("utf-16-le").rstrip("\0")
        elif value.startswith("dword:"):
            value = str(int(value[len("dword:"):], 16))
        values.append((name.strip('"'), value))
    return values


def boot_line(prefix):
    section = None
    for line in state.system_ini(prefix).decode("latin-1").splitlines():
        if line.startswith("["):
            section = line.strip().lower()
        elif section == "[boot]" and line.upper().startswith("SCRNSAVE.EXE="):
            return line
    return None


def screen_saver_switch(prefix):
    value = state.screen_saver_active(prefix)
    return "(not set)" if value is None else value


def windows_path(relative):
    return "C:\\" + relative.replace("/", "\\")


def package(output, stub, extra_media=()):
    media = [os.path.join(SAMPLES, NAME + ".wav"), os.path.join(SAMPLES, NAME + ".mid"), *extra_media]
    harness.build_package(output, NAME, os.path.join(SAMPLES, NAME + ".scr"), os.path.join(SAMPLES, NAME + ".dat"),
                          harness.UNINSTALLER, media=media,
                          licence=LICENCE, stub=stub, extra=["--icon", os.path.join(SAMPLES, NAME + ".ico")])
    return output


def show_packages(out_dir, extra_media=()):
    heading(f"1. Packaging the sample screen saver {NAME} with scrpack")
    os.makedirs(out_dir, exist_ok=True)
    setup = package(os.path.join(out_dir, NAME + "-setup.exe"), harness.INSTALLER, extra_media)
    say(f"$ scrpack build --name {NAME} --saver {NAME}.scr --data {NAME}.dat --uninstaller UNINSTAL.EXE \\")
    say(f"      --media {NAME}.wav --media {NAME}.mid "
        + "".join(f"--media {os.path.basename(m)} " for m in extra_media)
        + "--licence demo/licence.txt \\")
    say(f"      --icon {NAME}.ico \\")
    say(f"      --stub {shown(harness.INSTALLER)} -o {shown(setup)}")
    listing = harness.scrpack("list", setup).stdout
    records = harness.listing_rows(listing)
    licence = next((line.split(":", 1)[1].strip() for line in listing.splitlines() if line.startswith("licence:")),
                   "none")
    if records:
        say(f"The package holds the installer, the licence ({licence}) and {len(records)} files:")
        for _, _, stored, _, method, _, name in records:
            say(f"    {name:<14} {method:<7} {int(stored):>8,} bytes in the package")
    else:
        for line in listing.splitlines():
            say("    " + line)
    say(f"The package is a PE32 program, as users get it: {shown(setup)}, {size(os.path.getsize(setup))}; "
        "here it runs as a 32-bit program on 64-bit Windows under Wine.")
    return setup


def new_prefix(display, unmanaged=False):
    """A fresh prefix whose server stays up between runs (each Wine start
    then costs a fraction of a second)."""
    started = time.time()
    prefix = harness.Prefix(display=display)
    if unmanaged:
        prefix.add_user_key("Software\\Wine\\X11 Driver", {"Managed": "N"})
    else:
        # Every window goes into a Wine desktop window, which draws title
        # bars (Xvfb has no window manager).
        prefix.add_user_key("Software\\Wine\\Explorer", {"Desktop": "Default"})
        prefix.add_user_key("Software\\Wine\\Explorer\\Desktops", {"Default": DESKTOP_SIZE})
        # The frames Wine draws need its own fonts (Marlett for the close
        # box, Tahoma for message boxes), which this Wine does not find in
        # its data folder by itself; the prefix's font folder it does search.
        for name in WINE_FONTS:
            with contextlib.suppress(OSError):
                shutil.copy(os.path.join(harness.WINE_ROOT, "usr/share/wine/fonts", name),
                            os.path.join(prefix.windows, "Fonts"))
    prefix.keep_server()
    os.makedirs(prefix.host_path(TOOLS), exist_ok=True)
    say(f"A fresh Wine prefix: {prefix.path} (ready in {time.time() - started:.0f} s)")
    return prefix


def snapshot(prefix):
    """The prefix as an uninstall must give it back, without the demo's own
    folder (the GUI driver and its pictures)."""
    taken = state.Snapshot(prefix)
    tools = TOOLS[3:]
    taken.files = {path: value for path, value in taken.files.items() if not path.startswith(tools)}
    return taken


def show_install(prefix, before, after):
    """What the install wrote, from the two snapshots and the prefix."""
    log = prefix.host_path(DATA + "\\INSTALL.LOG")
    logged = []
    if os.path.exists(log):
        with open(log, "rb") as f:
            logged = f.read().decode("latin-1").splitlines()
    order = {os.path.join(*line[3:].split("\\")).lower(): n for n, line in enumerate(logged)}
    written = sorted((path for path in after.files if after.files[path] and path not in before.files),
                     key=lambda path: (order.get(path.lower(), len(order)), path))
    after.written = written
    changed = [path for path in sorted(after.files)
               if after.files[path] and path in before.files and before.files[path] != after.files[path]]
    say("Files written:")
    width = max((len(windows_path(path)) for path in written), default=0)
    for path in written:
        say(f"  {windows_path(path):<{width}}  {after.files[path][0]:>9,} bytes")
    for path in changed:
        say(f"  {windows_path(path):<{width}}  changed")
    if logged:
        say(f"The install log (INSTALL.LOG) lists {len(logged)} files; the uninstaller removes exactly those.")
    say()
    entry = uninstall_entry(prefix)
    say(f"Uninstall entry (the list of installed programs): HKEY_LOCAL_MACHINE\\{OUR_KEY}")
    if entry is None:
        say("  (none)")
    else:
        width = max(len(name) for name, _ in entry)
        for name, value in entry:
            say(f"  {name:<{width}}  {value}")
    say()
    say(f'system.ini, section [boot]:  {boot_line(prefix) or "(no SCRNSAVE.EXE line)"}')
    say(f"Desktop setting:             ScreenSaveActive={screen_saver_switch(prefix)}")


def show_uninstall(prefix, before_install, installed):
    after = snapshot(prefix)
    ours = [path for path in sorted(installed.files) if path not in before_install.files]
    left = [path for path in ours if path in after.files]
    width = max((len(windows_path(path)) for path in ours), default=0)
    # Files first, as the install listed them, then the folders, deepest first.
    files = [path for path in installed.written if path in ours]
    folders = sorted((path for path in ours if path not in files), key=lambda path: -path.count(os.sep))
    for path in files + folders:
        say(f"  {windows_path(path):<{width}}  {'still there' if path in left else 'removed'}")
    say(f"Uninstall entry: {'still there' if uninstall_entry(prefix) else 'gone'}")
    say(f"system.ini, [boot]: {boot_line(prefix) or 'no SCRNSAVE.EXE line'}")
    say(f"Desktop setting: ScreenSaveActive={screen_saver_switch(prefix)}")
    differences = before_install.differences(after)
    if differences:
        say("Differences from the prefix as it was before the install:")
        for line in differences:
            say("  " + line)
    else:
        say("Compared with the prefix before the install (every file and folder of drive C:, the list of")
        say("installed programs, the desktop settings and system.ini): no difference. Nothing is left.")
    return not left and not differences


def silent_demo(out_dir):
    setup = show_packages(out_dir)
    heading(f"2. Silent install under Wine:  {PACKAGE_PATH} /S")
    with harness.xvfb() as display:
        prefix = new_prefix(display, unmanaged=True)
        try:
            prefix.put(setup, PACKAGE_PATH)
            before = snapshot(prefix)
            say("Silent mode still shows the licence; the GUI driver (under Xvfb) accepts it.")
            code, transcript = prefix.drive(PACKAGE_PATH, "/S", ["License Agreement => Accept"], timeout=90)
            for number, window in enumerate(transcript_windows(transcript), 1):
                describe_window(number, window)
            say(f"The installer ended with exit code {exit_code(transcript)}.")
            if code != 0:
                say(transcript)
                return False
            say()
            installed = snapshot(prefix)
            show_install(prefix, before, installed)

            heading(f"3. Uninstall:  {UNINSTALLER} /s")
            # Under the driver, which waits for the processes it starts (the
            # temporary copy that removes the uninstaller's own file).
            code, transcript = prefix.drive(UNINSTALLER, "/s", timeout=90)
            code = exit_code(transcript)
            say(f"The uninstaller ended with exit code {code} (0: everything removed) and showed "
                f"{len(transcript_windows(transcript)) or 'no'} windows.")
            return show_uninstall(prefix, before, installed) and code == 0
        finally:
            prefix.close()


def drive_in_desktop(prefix, program, args, rules, timeout=90):
    """Runs program under the GUI driver inside a Wine desktop window (which
    draws title bars: Xvfb has no window manager).  Returns the program's
    exit code (None when the driver had to kill it), the transcript and the
    pictures as {window number: host path of the BMP}."""
    folder = TOOLS + "\\shots"
    host_folder = prefix.host_path(folder)
    shutil.rmtree(host_folder, ignore_errors=True)
    os.makedirs(host_folder)
    command = [TOOLS + "\\guidriver.exe", "--timeout", str(timeout), "--shots", folder]
    for rule in rules:
        command += ["--rule", rule]
    command += ["--", program] + ([args] if args else [])
    _, out, err = prefix.run(command[0], command[1:], timeout=timeout + 60)
    transcript = out.replace("\r\n", "\n")
    bitmaps = {int(name[:-4]): os.path.join(host_folder, name)
               for name in os.listdir(host_folder) if name.endswith(".bmp")}
    return exit_code(transcript), transcript + err, bitmaps


def report_windows(transcript, bitmaps, pictures_dir, saved):
    """Describes each window of a run and turns its picture into a PNG named
    after what it shows."""
    for number, window in enumerate(transcript_windows(transcript), 1):
        describe_window(number, window)
        if number not in bitmaps:
            continue
        texts = [window["caption"]] + window["texts"]
        name = next((file for match, file in PICTURES if any(match in text for text in texts)), f"window-{number}")
        target = os.path.join(pictures_dir, name + ".png")
        subprocess.run(["convert", bitmaps[number], "-strip", target], check=True)
        saved.append(target)
        say(f"       picture: {shown(target)}")


def interactive_demo(out_dir, pictures_dir):
    with tempfile.TemporaryDirectory(prefix="demo-") as scratch:
        extra = os.path.join(scratch, "Night.ogg")
        with open(extra, "wb") as f:
            f.write(media_samples.bogus_bytes())
        setup = show_packages(out_dir, extra_media=[extra])
    say("Night.ogg is there to show the question about media types: the media layer cannot open it.")
    heading(f"2. Interactive install under Wine:  {PACKAGE_PATH}")
    os.makedirs(pictures_dir, exist_ok=True)
    saved = []
    with harness.xvfb() as display:
        prefix = new_prefix(display)
        try:
            prefix.put(setup, PACKAGE_PATH)
            prefix.put(harness.GUIDRIVER, TOOLS + "\\guidriver.exe")
            before = snapshot(prefix)
            say("In an 800x600 Wine desktop under Xvfb; the GUI driver answers each window and saves a picture:")
            code, transcript, bitmaps = drive_in_desktop(prefix, PACKAGE_PATH, None, [
                "This program will install => OK", "License Agreement => Accept", "Please Wait... => wait",
                "Missing support codecs => Cancel", "Installation Complete! => OK", "Ordering Information => OK"])
            report_windows(transcript, bitmaps, pictures_dir, saved)
            say(f"The installer ended with exit code {code}.")
            if code != 0:
                say(transcript)
                return False
            say("Cancel on the media question: no download page; the screen saver is installed but not made")
            say("the default while a media type is missing.")
            say()
            installed = snapshot(prefix)
            show_install(prefix, before, installed)

            heading(f"3. Interactive uninstall:  {UNINSTALLER}")
            code, transcript, bitmaps = drive_in_desktop(prefix, UNINSTALLER, None, [
                "This will remove the => Yes", "has been removed => OK"])
            report_windows(transcript, bitmaps, pictures_dir, saved)
            say(f"The uninstaller ended with exit code {code}.")
            ok = show_uninstall(prefix, before, installed)
            say()
            say(f"{len(saved)} pictures in {shown(pictures_dir)}.")
            return ok and code == 0
        finally:
            prefix.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--interactive", action="store_true",
                        help="interactive install and uninstall, with a picture of every window")
    parser.add_argument("--pictures", metavar="FOLDER",
                        help="where --interactive saves its pictures (default: BUILD_ROOT/demo/pictures)")
    options = parser.parse_args()
    out_dir = os.path.join(harness.BUILD_ROOT, "demo")
    started = time.time()
    if not os.path.exists(harness.TEMPLATE + os.sep + ".ready"):
        say("Making the template Wine prefix (once per build tree)...")
    if options.interactive:
        ok = interactive_demo(out_dir, os.path.abspath(options.pictures or os.path.join(out_dir, "pictures")))
    else:
        ok = silent_demo(out_dir)
    say()
    say(f"Demo {'finished' if ok else 'FAILED'} in {time.time() - started:.0f} s.")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
