"""Shared machinery for the end-to-end tests.

The tests run the product, the PE32 build (build/win32), in the Wine root
that scripts/make_wine_root.sh makes: a 64-bit Wine prefix in which a PE32
program is a 32-bit program on 64-bit Windows.  Every test gets a prefix of
its own, copied from one template prefix that is made once per build tree,
and (for GUI work) an Xvfb display of its own.  Nothing here depends on the
host's HOME or on a running X server.
"""
import contextlib
import fcntl
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

SOURCE_DIR = os.environ.get("SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD_ROOT = os.path.abspath(os.environ.get("BUILD_ROOT") or os.path.join(SOURCE_DIR, "build"))
# The product and the Windows test programs, all PE32 (the test programs
# match the product's bitness: a debugger, a registry view, a folder).
PRODUCT = os.path.join(BUILD_ROOT, "win32")
# The x86_64 build, kept for the check that both builds install the same.
WIN64 = os.path.join(BUILD_ROOT, "win64")
NATIVE = os.path.join(BUILD_ROOT, "native")
SCRPACK = os.path.join(NATIVE, "scrpack")
INSTALLER = os.path.join(PRODUCT, "installer.exe")
UNINSTALLER = os.path.join(PRODUCT, "uninstaller", "uninstaller.exe")
SAMPLES = os.path.join(PRODUCT, "samples")
# scrpack.exe for Windows (x86_64) and the zip it ships in.
SCRPACK_EXE = os.path.join(BUILD_ROOT, "scrpack-win64", "scrpack.exe")
SCRPACK_ZIP = os.path.join(BUILD_ROOT, "scrpack-win64", "glimmerkit-scrpack-win64.zip")
# Every Wine program runs inside the Wine root, through this wrapper.
WINE_ROOT = os.environ.get("WINE_ROOT") or "/var/lib/glimmerkit/wine-root"
IN_WINE_ROOT = os.path.join(SOURCE_DIR, "scripts", "in_wine_root.sh")
WINE = [IN_WINE_ROOT, "/usr/lib/wine/wine64"]
WINESERVER = [IN_WINE_ROOT, "/usr/lib/wine/wineserver"]
TEMPLATE = os.path.join(BUILD_ROOT, "wine-template")
GUIDRIVER = os.path.join(PRODUCT, "guidriver.exe")
# The 32-bit registry view, which the product (a 32-bit program) sees.
REG_VIEW = "/reg:32"


# The drive on which Windows programs see BUILD_ROOT.
BUILD_DRIVE = "Y:"


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def windows_program(padding=b"", sample=False):
    """A screen saver build takes, then padding: the sample (no warning), or a test program's headers."""
    image = read_bytes(os.path.join(SAMPLES, "Lanterns.scr") if sample else program("marksaver"))
    pe = int.from_bytes(image[0x3C:0x40], "little")  # SizeOfHeaders below
    return (image if sample else image[:int.from_bytes(image[pe + 84:pe + 88], "little")]) + padding


def windows_path(path):
    """A host path under BUILD_ROOT as Windows programs see it; anything
    else (a Windows path, a program's name) as it is."""
    if path.startswith(BUILD_ROOT + os.sep):
        return BUILD_DRIVE + "\\" + os.path.relpath(path, BUILD_ROOT).replace(os.sep, "\\")
    return path


def program(name):
    """A Windows test program of the product's build (tests/winhelpers/,
    tests/probes/)."""
    return os.path.join(PRODUCT, name + ".exe")


BASE_ENV = {
    "PATH": "/usr/local/bin:/usr/bin:/bin",
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
    "LANG": "C.UTF-8",
    # Folders the Wine root sees at their own paths (/tmp always).
    "WINE_ROOT_BINDS": ":".join([SOURCE_DIR, BUILD_ROOT] + ([os.environ["E2E_TMP"]] if os.environ.get("E2E_TMP") else [])),
}


def wine_env(prefix, display=None, home=None, extra=None):
    env = dict(BASE_ENV)
    env["WINEPREFIX"] = prefix
    env["HOME"] = home or os.path.dirname(prefix)
    if display:
        env["DISPLAY"] = display
    if extra:
        env.update(extra)
    return env


def _reg_escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def _make_template():
    os.makedirs(BUILD_ROOT, exist_ok=True)
    with open(TEMPLATE + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp = os.path.join(TEMPLATE, ".ready")
        if os.path.exists(stamp):
            return
        shutil.rmtree(TEMPLATE, ignore_errors=True)
        env = wine_env(TEMPLATE, home=BUILD_ROOT)
        subprocess.run([*WINE, "wineboot", "-i"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        subprocess.run([*WINESERVER, "-w"], env=env, timeout=300)
        # Paths that start with a backslash must not reach the host's root;
        # the built programs are run from their own drive.
        with contextlib.suppress(FileNotFoundError):
            os.unlink(os.path.join(TEMPLATE, "dosdevices", "z:"))
        os.symlink(BUILD_ROOT, os.path.join(TEMPLATE, "dosdevices", BUILD_DRIVE.lower()))
        open(stamp, "w").close()


class Prefix:
    """A private copy of the template prefix, removed when the test ends."""

    def __init__(self, display=None):
        _make_template()
        self.root = tempfile.mkdtemp(prefix="e2e-", dir=os.environ.get("E2E_TMP"))
        self.path = os.path.join(self.root, "prefix")
        subprocess.run(["cp", "-a", TEMPLATE, self.path], check=True)
        self.display = display
        self.home = self.root
        self.extra_env = {}

    # Paths inside the prefix.
    @property
    def drive_c(self):
        return os.path.join(self.path, "drive_c")

    @property
    def windows(self):
        return os.path.join(self.drive_c, "windows")

    def host_path(self, windows_path):
        """Host path of a C:\\ path (case as given)."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(self.drive_c, *windows_path[3:].split("\\"))

    def env(self, extra=None):
        merged = dict(self.extra_env)
        if extra:
            merged.update(extra)
        return wine_env(self.path, self.display, self.home, merged)

    def run(self, exe, args=(), timeout=60, cwd=None, extra_env=None, check_timeout=True):
        """Runs a Windows program; returns (exit code, stdout, stderr).

        The working folder defaults to C:\\ inside the prefix.  On a time-out
        the prefix's processes are killed and the exit code is None."""
        cwd = cwd or self.drive_c
        if getattr(self, "_server_kept", False):
            return self._run_to_files(exe, args, timeout, cwd, extra_env, check_timeout)
        proc = subprocess.Popen([*WINE, windows_path(exe), *args], cwd=cwd, env=self.env(extra_env),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                start_new_session=True)
        try:
            out, err = proc.communicate(timeout=timeout)
            return proc.returncode, out.decode("latin-1"), err.decode("latin-1")
        except subprocess.TimeoutExpired:
            self.kill()
            with contextlib.suppress(ProcessLookupError):
                os.killpg(proc.pid, signal.SIGKILL)
            out, err = proc.communicate()
            if check_timeout:
                raise AssertionError(f"{exe} {args} did not end within {timeout} s")
            return None, out.decode("latin-1"), err.decode("latin-1")

    def wait_idle(self, timeout=60):
        """Waits until every process of the prefix has ended."""
        assert not getattr(self, "_server_kept", False), "the kept server never ends: use the driver's wait"
        subprocess.run([*WINESERVER, "-w"], env=self.env(), timeout=timeout)

    def keep_server(self):
        """Keeps this prefix's wineserver, and Wine's own processes, running
        from one run to the next: a run then takes a fraction of a second
        instead of seconds.  Call it before the first run.  wait_idle can no
        longer be used (the server never ends); the GUI driver waits for the
        processes a program starts.  Output goes through files, since Wine's
        own processes may inherit a run's pipes and outlive it."""
        subprocess.run([*WINESERVER, "-p"], env=self.env(), check=True, timeout=60)
        self._server_kept = True
        # The first program brings up Wine's own processes; let them inherit
        # nothing of ours.
        code = subprocess.run([*WINE, windows_path(program("syspaths")), "windows-directory"],
                              cwd=self.drive_c, env=self.env(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120).returncode
        assert code == 0, f"Wine did not start in {self.path}"

    def _run_to_files(self, exe, args, timeout, cwd, extra_env, check_timeout):
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen([*WINE, windows_path(exe), *args], cwd=cwd, env=self.env(extra_env),
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err, start_new_session=True)
            try:
                code = proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.kill()
                with contextlib.suppress(ProcessLookupError):
                    os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                code = None
            out.seek(0)
            err.seek(0)
            out_text, err_text = out.read().decode("latin-1"), err.read().decode("latin-1")
        if code is None and check_timeout:
            raise AssertionError(f"{exe} {args} did not end within {timeout} s")
        return code, out_text, err_text

    def kill(self):
        subprocess.run([*WINESERVER, "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def reg_query(self, key, value=None, view=REG_VIEW):
        """"reg query" in the given registry view (the product's, unless
        told "/reg:64"); returns (exit code, output)."""
        args = ["query", key] + (["/v", value] if value else []) + [view]
        code, out, _ = self.run("reg", args, timeout=60)
        return code, out

    def add_user_key(self, key, values):
        """Adds a key with string values to HKEY_CURRENT_USER.  Only before
        the first Wine process in this prefix: the registry file is edited
        directly, which costs nothing, where "reg add" takes a second."""
        path = os.path.join(self.path, "user.reg")
        with open(path, encoding="latin-1") as registry:
            assert f"[{_reg_escape(key)}]" not in registry.read(), key
        lines = [f"\n[{_reg_escape(key)}] 0\n"]
        lines += [f'"{_reg_escape(name)}"="{_reg_escape(value)}"\n' for name, value in values.items()]
        with open(path, "a", encoding="latin-1") as registry:
            registry.writelines(lines)

    def put(self, host_file, windows_path):
        """Copies a host file into the prefix as windows_path (C:\\...)."""
        target = self.host_path(windows_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(host_file, target)
        return target

    def windows_directory(self):
        """The Windows directory as GetWindowsDirectoryA gives it."""
        return self._syspaths("windows-directory")

    def temp_directory(self):
        """The user's temporary folder as GetTempPathA gives it (its place
        differs between Wine versions)."""
        return self._syspaths("temp-directory")

    def short_path(self, windows_path):
        """GetShortPathNameA of an existing file (Wine's short names are
        hashed: never guess them)."""
        return self._syspaths("short", windows_path)

    def _syspaths(self, *args):
        code, out, err = self.run(program("syspaths"), args, timeout=60)
        assert code == 0, f"syspaths {args}: {code} {err}"
        return out.rstrip("\r\n")

    def drive(self, program, command_line=None, rules=(), timeout=30, run_timeout=None):
        """Runs program (a C:\\ path) under the GUI driver with the given
        rules ("MATCH => ACTION", tried in order); returns (driver exit
        status, transcript).  The driver returns once the program and every
        process it started have ended, or kills them all after timeout
        seconds.  The transcript's lines are described in
        tests/winhelpers/guidriver.cpp."""
        args = ["--timeout", str(timeout)]
        for rule in rules:
            args += ["--rule", rule]
        args += ["--", program]
        if command_line is not None:
            args.append(command_line)
        code, out, err = self.run(GUIDRIVER, args, timeout=run_timeout or timeout + 60)
        assert code in (0, 1), f"guidriver failed ({code}): {err}"
        return code, out.replace("\r\n", "\n")

    def close(self):
        with contextlib.suppress(Exception):
            self.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


@contextlib.contextmanager
def xvfb():
    """An Xvfb display of its own; yields the DISPLAY value."""
    for number in range(90, 190):
        lock = f"/tmp/.X{number}-lock"
        if os.path.exists(lock):
            continue
        proc = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(50):
            if os.path.exists(f"/tmp/.X11-unix/X{number}") or proc.poll() is not None:
                break
            time.sleep(0.1)
        if proc.poll() is not None:
            continue
        try:
            yield f":{number}"
        finally:
            proc.terminate()
            with contextlib.suppress(subprocess.TimeoutExpired):
                proc.wait(timeout=10)
        return
    raise RuntimeError("no free X display")


@contextlib.contextmanager
def gui_prefix(unmanaged=True, desktop=None):
    """A prefix with a display: for tests that show windows.

    unmanaged: Wine's windows are not left to a window manager.  There is
    none under Xvfb, and for a managed window Wine waits 2 s at each hiding
    for the manager to confirm it.
    desktop: "WIDTHxHEIGHT" puts every window into a Wine desktop window of
    that size; Wine draws a full-screen window only there (or under a
    window manager)."""
    with xvfb() as display, Prefix(display=display) as prefix:
        if unmanaged:
            prefix.add_user_key("Software\\Wine\\X11 Driver", {"Managed": "N"})
        if desktop:
            prefix.add_user_key("Software\\Wine\\Explorer", {"Desktop": "Default"})
            prefix.add_user_key("Software\\Wine\\Explorer\\Desktops", {"Default": desktop})
        yield prefix


@contextlib.contextmanager
def tmpfs(prefix, name, size):
    """A tmpfs of the given size ("1m", bytes) in the prefix's folder, where
    a test can have a disk run out of room; the prefix's processes are
    ended and it is unmounted whatever happens (lazily, should a process
    still hold it).  Mounting needs root."""
    mount_point = os.path.join(prefix.root, name)
    os.mkdir(mount_point)
    subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size},mode=0755", "tmpfs", mount_point], check=True)
    try:
        yield mount_point
    finally:
        prefix.kill()
        if subprocess.run(["umount", mount_point]).returncode != 0:
            subprocess.run(["umount", "-l", mount_point])
        os.rmdir(mount_point)


def scrpack(*args, check=True):
    proc = subprocess.run([SCRPACK, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if check and proc.returncode != 0:
        raise AssertionError(f"scrpack {' '.join(args)} failed: {proc.stderr}")
    return proc


def build_package(output, name, saver, data, uninstaller, media=(), licence=None, first_number=None,
                  store=False, stub=None, store_files=(), extra=()):
    """Packages files with scrpack; the one place the tests call it.

    media: data files, each a host path or a (path, tail, prefix) tuple;
    tail and prefix may be None for scrpack's defaults.  store keeps every
    block stored, store_files the blocks of the files listed; extra: further
    options (--icon, the version details).  Returns the finished scrpack
    process."""
    args = ["build", "--stub", stub or INSTALLER, "--name", name, "--saver", saver, "--data", data,
            "--uninstaller", uninstaller]
    for item in media:
        if isinstance(item, (tuple, list)):
            path, tail, prefix = (list(item) + [None, None])[:3]
            spec = path
            if tail is not None or prefix is not None:
                spec += ":" + (tail or "")
            if prefix is not None:
                spec += ":" + prefix
            args += ["--media", spec]
        else:
            args += ["--media", item]
    if licence is not None:
        args += ["--licence", licence]
    if first_number is not None:
        args += ["--first-number", str(first_number)]
    if store:
        args.append("--store")
    for path in store_files:
        args += ["--store-file", path]
    args += [*extra, "-o", output]
    return scrpack(*args)


# A record's line in scrpack's listing: index, offset, stored size,
# original size, method, the name tail quoted ("-" for records 0 to 2) and
# the installed name, which may hold spaces.
LISTING_ROW = re.compile(r'^(\d+) +(\d+) +(\d+) +(\d+) +(stored|packed) +(-|"(?:[^"\\]|\\.)*") +(.*)$')


def listing_rows(listing):
    """The record lines of scrpack's listing (its stdout), each split into
    the seven fields of LISTING_ROW, as texts."""
    return [match.groups() for match in map(LISTING_ROW.match, listing.splitlines()) if match]


def package_methods(package):
    """How each file of a package is carried, in record order: "stored" or
    "packed" (from scrpack's listing)."""
    return [row[4] for row in listing_rows(scrpack("list", package).stdout)]
