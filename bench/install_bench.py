#!/usr/bin/env python3
"""Install benchmark: a package of about 50 MB of mixed content, most of it
compressed and some stored, installed silently by the x86_64 build of the
installer (which runs natively in the tests' Wine root; the PE32 product's
32-bit side runs emulated there, which would time the emulator), against
copying the same files inside the same Wine prefix.

Prints the package's make-up, the best of a few runs of each, and their
ratio.  It is a benchmark, not a test: it checks the installed files once
and otherwise only measures.

Needs a build (build.sh: BUILD_ROOT/native and BUILD_ROOT/win64) and the
benchmark program (bench/CMakeLists.txt, built here in BUILD_ROOT/bench):

    BUILD_ROOT=build-dir bench/install_bench.py [--runs N] [--scale F] [--before STUB]

--scale multiplies every file's size (1.0: about 50 MB).  --before adds a
package of the same files made with another installer stub (the win64
installer.exe of an older build, say) and times it in the same runs.
"""
import argparse
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
import media_samples  # noqa: E402

NAME = "Benchlight"
MB = 1 << 20


def build_codec_bench():
    tree = os.path.join(harness.BUILD_ROOT, "bench")
    subprocess.run(["cmake", "-S", harness.SOURCE_DIR, "-B", tree, "-DCMAKE_BUILD_TYPE=Release", "-DSANITIZE=OFF",
                    "-DBUILD_BENCH=ON"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", tree, "--target", "codec_bench", "-j", str(os.cpu_count() or 2)],
                   check=True, stdout=subprocess.DEVNULL)
    return os.path.join(tree, "bench", "codec_bench")


def noise_wav(size, seed):
    """A valid 16-bit stereo PCM file of random samples: it does not
    compress, so scrpack stores it, and the media check still opens it."""
    frames = (size - 44) // 4 * 4
    data = random.Random(seed).randbytes(frames)
    fmt = struct.pack("<HHIIHH", 1, 2, 22050, 22050 * 4, 4, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def make_files(folder, codec_bench, scale):
    """The package's files: (role, file name, host path)."""
    def sample(kind, size, seed, name):
        path = os.path.join(folder, name)
        subprocess.run([codec_bench, "--write-sample", kind, str(int(size * scale)), str(seed), path], check=True)
        return path

    def raw(data, name):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    frames = max(1, int(28 * scale))
    return [
        # build packs only a Windows program as the screen saver.
        ("saver", "bench.scr", raw(harness.windows_program(harness.read_bytes(sample("program", 6 * MB, 1, "bench.scr"))),
                                   "bench.scr")),
        ("data", "bench.dat", sample("bitmap", 8 * MB, 2, "bench.dat")),
        ("uninstaller", "uninstal.exe", sample("program", 2 * MB, 3, "uninstal.exe")),
        ("media", "music.wav", sample("audio", 12 * MB, 4, "music.wav")),
        ("media", "effects.wav", sample("audio", 8 * MB, 5, "effects.wav")),
        ("media", "noise.wav", raw(noise_wav(int(6 * MB * scale), 6), "noise.wav")),
        ("media", "clip.avi", raw(media_samples.avi_bytes(width=320, height=240, frames=frames), "clip.avi")),
        ("media", "theme.mid", raw(media_samples.midi_bytes(), "theme.mid")),
    ]


def timed(prefix, exe, args, timeout=600):
    start = time.monotonic()
    code, out, err = prefix.run(exe, args, timeout=timeout)
    elapsed = time.monotonic() - start
    if code != 0:
        raise SystemExit(f"{exe} {' '.join(args)} failed ({code}): {err.strip()}")
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=3, help="runs of each, the best is kept (default 3)")
    parser.add_argument("--scale", type=float, default=1.0, help="file size factor (default 1.0: about 50 MB)")
    parser.add_argument("--before", help="also time a package made with this installer stub")
    options = parser.parse_args()

    codec_bench = build_codec_bench()
    work = tempfile.mkdtemp(prefix="install-bench-")
    try:
        files = make_files(work, codec_bench, options.scale)
        by_role = {}
        media = []
        for role, _, path in files:
            if role == "media":
                media.append(path)
            else:
                by_role[role] = path
        package = os.path.join(work, "package.exe")
        harness.build_package(package, NAME, by_role["saver"], by_role["data"], by_role["uninstaller"], media=media,
                              stub=os.path.join(harness.WIN64, "installer.exe"))
        if options.before:
            before_package = os.path.join(work, "before.exe")
            harness.build_package(before_package, NAME, by_role["saver"], by_role["data"], by_role["uninstaller"],
                                  media=media, stub=options.before)
        methods = harness.package_methods(package)
        total = sum(os.path.getsize(path) for _, _, path in files)
        packed = sum(os.path.getsize(path) for (_, _, path), method in zip(files, methods) if method == "packed")
        print(f"package: {len(files)} files, {total / MB:.1f} MB installed "
              f"({packed / MB:.1f} MB compressed in {methods.count('packed')} files, "
              f"{(total - packed) / MB:.1f} MB stored in {methods.count('stored')}), "
              f"package {os.path.getsize(package) / MB:.1f} MB")

        with harness.gui_prefix() as prefix:
            # One wineserver for every run, so no run pays for starting Wine.
            prefix.keep_server()
            installer = prefix.put(package, "C:\\bench\\setup.exe")
            before = prefix.put(before_package, "C:\\bench\\before.exe") if options.before else None
            source = "C:\\bench\\files"
            for _, name, path in files:
                prefix.put(path, source + "\\" + name)

            installs, copies, befores = [], [], []
            for run in range(options.runs):
                if before:
                    befores.append(timed(prefix, before, ["/S"]))
                # A silent install replaces the previous one without asking;
                # no licence and playable media: no window at all.
                installs.append(timed(prefix, installer, ["/S"]))
                target = f"C:\\bench\\copy{run}"
                copies.append(timed(prefix, "cmd", ["/c", "mkdir", target, "&&", "copy", "/b", "/y",
                                                    source + "\\*", target]))

            installed = os.path.join(prefix.windows, NAME + ".scr")
            with open(installed, "rb") as got, open(by_role["saver"], "rb") as want:
                if got.read() != want.read():
                    raise SystemExit("the installed screen saver differs from its file")

        install, copy = min(installs), min(copies)
        if befores:
            print(f"install, --before stub:    best {min(befores):.2f} s of {', '.join(f'{t:.2f}' for t in befores)}"
                  f"  ({min(befores) / copy:.2f} x copy)")
        print(f"install (silent, x86_64):  best {install:.2f} s of {', '.join(f'{t:.2f}' for t in installs)}")
        print(f"copy (cmd copy, x86_64):   best {copy:.2f} s of {', '.join(f'{t:.2f}' for t in copies)}")
        print(f"install / copy: {install / copy:.2f}  ({total / MB / install:.1f} MB/s installed, "
              f"{total / MB / copy:.1f} MB/s copied)")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
