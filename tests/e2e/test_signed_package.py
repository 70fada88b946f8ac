"""Authenticode signing in "scrpack build" (--sign-cert, --sign-key,
--timestamp-url), with a throw-away certificate made here by openssl.

The signer, osslsigncode, appends a certificate table after the last block
and points the PE security directory entry at it; the installer reads
nothing past its last block, so the signed package still installs, and
osslsigncode accepts the signature.  A self-signed certificate chains to
no trusted root: the signature is checked against the certificate itself
(-CAfile).  The time-stamping service is a local one (openssl ts behind a
loopback HTTP server).  Bad input fails with one line and writes nothing.
"""
import http.server
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from install_uninstall import (DRIVER_TIMEOUT, INSTALLED, LICENCE, NAME, PACKAGE_PATH, SAMPLES,  # noqa: E402
                               UNINSTALLER, exit_code, ready_prefix, windows_of)

SOURCES = [os.path.join(SAMPLES, NAME + ".scr"), os.path.join(SAMPLES, NAME + ".dat"), UNINSTALLER,
           os.path.join(SAMPLES, NAME + ".wav"), os.path.join(SAMPLES, NAME + ".mid")]
SIGNED_LINE = re.compile(r"^signed: yes, Authenticode certificate table of (\d+) bytes at offset (\d+) "
                         r"after the last block; PE checksum 0x([0-9a-f]{8}) correct$")

TSA_CONFIG = """\
[req]
distinguished_name = dn
[dn]
[tsa_ext]
basicConstraints = critical,CA:false
extendedKeyUsage = critical,timeStamping
keyUsage = critical,digitalSignature
[tsa]
default_tsa = tsa_config
[tsa_config]
serial = {folder}/serial
signer_cert = {folder}/tsa.pem
signer_key = {folder}/tsa-key.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
"""


def run(*args, env=None):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120, env=env)


def make_certificate(folder, name, subject, extra=()):
    """A self-signed certificate and its key (PEM), valid for two days."""
    cert, key = os.path.join(folder, name + ".pem"), os.path.join(folder, name + "-key.pem")
    proc = run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
               "-days", "2", "-subj", subject, *extra)
    assert proc.returncode == 0, proc.stderr
    return cert, key


def pe_fields(path):
    """(PE checksum, security directory offset, size) of an image."""
    with open(path, "rb") as f:
        image = f.read(4096)
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    optional = pe + 24
    directories = optional + {0x10B: 96, 0x20B: 112}[struct.unpack_from("<H", image, optional)[0]]
    return (struct.unpack_from("<I", image, optional + 64)[0],) + struct.unpack_from("<II", image, directories + 32)


class TimeStampService:
    """An RFC 3161 time-stamping service on a loopback port: openssl ts
    answers each request.  Serves until closed."""

    def __init__(self, folder):
        self.folder = folder
        make_certificate(folder, "tsa", "/CN=Glimmerkit test TSA",
                         ["-config", self._config(), "-extensions", "tsa_ext"])
        with open(os.path.join(folder, "serial"), "w") as serial:
            serial.write("01\n")
        self.requests = 0
        service = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers["Content-Length"]))
                reply = subprocess.run(["openssl", "ts", "-reply", "-config", service._config(), "-queryfile",
                                        "/dev/stdin", "-out", "/dev/stdout"], input=query,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout
                service.requests += 1
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *args):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/"
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def _config(self):
        path = os.path.join(self.folder, "tsa.cnf")
        if not os.path.exists(path):
            with open(path, "w") as config:
                config.write(TSA_CONFIG.format(folder=self.folder))
        return path

    @property
    def certificate(self):
        return os.path.join(self.folder, "tsa.pem")

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class SignedPackage(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="signed-package-")
        cls.cert, cls.key = make_certificate(cls.root, "signer", "/CN=Glimmerkit test signer")
        cls.other_cert, cls.other_key = make_certificate(cls.root, "other", "/CN=Someone else")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def build(self, output, *extra, env=None):
        args = ["build", "--stub", harness.INSTALLER, "--name", NAME, "--saver", SOURCES[0], "--data", SOURCES[1],
                "--uninstaller", SOURCES[2], "--media", SOURCES[3], "--media", SOURCES[4], "--licence", LICENCE,
                *extra, "-o", output]
        return run(harness.SCRPACK, *args, env=env)

    def signed_package(self, name, *extra):
        """Builds the sample package unsigned and signed; returns both paths
        and the signed build's process."""
        folder = tempfile.mkdtemp(dir=self.root)
        unsigned, signed = os.path.join(folder, "unsigned.exe"), os.path.join(folder, name)
        proc = self.build(unsigned)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        proc = self.build(signed, "--sign-cert", self.cert, "--sign-key", self.key, *extra)
        self.assertEqual((proc.returncode, proc.stderr), (0, ""))
        print(proc.stdout.splitlines()[-1])
        # Nothing beside it: the signer's copy and the unsigned one are gone.
        self.assertEqual(sorted(os.listdir(folder)), sorted(["unsigned.exe", name]))
        return unsigned, signed, proc

    def check_layout(self, unsigned, signed, build):
        """The signer changed the checksum and the security entry, and added
        its padding and table after the last block: nothing else."""
        with open(unsigned, "rb") as f:
            before = f.read()
        with open(signed, "rb") as f:
            after = f.read()
        checksum, table_at, table_size = pe_fields(signed)
        self.assertEqual(pe_fields(unsigned)[1:], (0, 0))  # not signed, but with its checksum
        self.assertEqual(table_at + table_size, len(after))
        self.assertEqual(table_at, (len(before) + 7) // 8 * 8)
        self.assertEqual(after[len(before):table_at], bytes(table_at - len(before)))
        length, revision, kind = struct.unpack_from("<IHH", after, table_at)
        self.assertEqual((revision, kind), (0x0200, 2))  # WIN_CERT_REVISION_2_0, PKCS_SIGNED_DATA
        self.assertLessEqual(length, table_size)
        pe = struct.unpack_from("<I", before, 0x3C)[0]
        fields = [pe + 24 + 64, pe + 24 + 96 + 32, pe + 24 + 96 + 36]
        patched = bytearray(after[:len(before)])
        for at in fields:
            patched[at:at + 4] = before[at:at + 4]
        self.assertEqual(bytes(patched), before)
        self.assertNotEqual(checksum, 0)
        self.assertTrue(build.stdout.splitlines()[-1].endswith(f", signature {len(after) - len(before):,}"),
                        build.stdout)
        return checksum, table_at, table_size

    def check_reports(self, signed, checksum, table_at, table_size):
        """scrpack verify and list: every record sound, and signed."""
        proc = run(harness.SCRPACK, "verify", signed)
        print(proc.stdout, end="")
        self.assertEqual((proc.returncode, proc.stderr), (0, ""))
        lines = proc.stdout.splitlines()
        self.assertEqual(len([line for line in lines if ": ok: " in line]), len(SOURCES), proc.stdout)
        self.assertEqual(lines[-1], f"{signed}: intact (CRC-32 and PE checksum), and all {len(SOURCES)} records "
                                    "decode to their full size")
        self.assertRegex(lines[-2], f"^{re.escape(signed)}: intact \\(CRC-32 0x[0-9a-f]{{8}} over the package, "
                                    f"PE checksum 0x{checksum:08x} over the whole file\\)$")
        self.assertEqual(lines[-3], f"{signed}: signed: yes, Authenticode certificate table of {table_size} bytes "
                                    f"at offset {table_at} after the last block; PE checksum 0x{checksum:08x} correct")
        proc = run(harness.SCRPACK, "list", signed)
        self.assertEqual((proc.returncode, proc.stderr), (0, ""))
        found = [SIGNED_LINE.match(line) for line in proc.stdout.splitlines() if line.startswith("signed: ")]
        self.assertEqual([(int(m[1]), int(m[2]), int(m[3], 16)) for m in found if m],
                         [(table_size, table_at, checksum)], proc.stdout)

    def test_signed_package_verifies_and_installs(self):
        unsigned, signed, build = self.signed_package("Lanterns-setup.exe")
        checksum, table_at, table_size = self.check_layout(unsigned, signed, build)

        # osslsigncode: the digest matches; the chain ends in a root that no
        # store trusts, so the plain check fails on it and the check against
        # the certificate itself passes.
        proc = run("osslsigncode", "verify", "-in", signed)
        self.assertNotEqual(proc.returncode, 0)
        self.assertIn("self-signed certificate", proc.stdout + proc.stderr)
        proc = run("osslsigncode", "verify", "-CAfile", self.cert, "-in", signed)
        print("\n".join(line for line in proc.stdout.splitlines()
                        if re.match(r"(PE checksum|Current message digest|Calculated message digest|"
                                    r"Signature verification|Number of verified|Succeeded|Failed)", line)))
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        self.assertIn("Signature verification: ok", proc.stdout.splitlines())
        digests = re.findall(r"^(?:Current|Calculated) message digest\s*:\s*([0-9A-F]+)", proc.stdout, re.M)
        self.assertEqual(len(digests), 2, proc.stdout)
        self.assertEqual(digests[0], digests[1])
        self.assertIn(f"PE checksum   : {checksum:08X}", proc.stdout)

        self.check_reports(signed, checksum, table_at, table_size)

        # The signed package installs silently under Wine, every file whole.
        with harness.gui_prefix() as prefix:
            ready_prefix(prefix, signed)
            code, transcript = prefix.drive(PACKAGE_PATH, "/S", ["License Agreement => Accept"],
                                            timeout=DRIVER_TIMEOUT)
            self.assertEqual(code, 0, transcript)
            self.assertEqual(windows_of(transcript),
                             [("License Agreement", "Accept"), (f"{NAME} Screen Saver Installation", None)])
            self.assertEqual(exit_code(transcript), 0, transcript)
            for path, source in zip(INSTALLED, SOURCES):
                with open(prefix.host_path(path), "rb") as got, open(source, "rb") as want:
                    self.assertEqual(got.read(), want.read(), path)

    def test_time_stamped_signature(self):
        service = TimeStampService(tempfile.mkdtemp(dir=self.root))
        self.addCleanup(service.close)
        unsigned, signed, build = self.signed_package("stamped.exe", "--timestamp-url", service.url)
        self.assertEqual(service.requests, 1)
        checksum, table_at, table_size = self.check_layout(unsigned, signed, build)
        proc = run("osslsigncode", "verify", "-CAfile", self.cert, "-TSA-CAfile", service.certificate, "-in", signed)
        print("\n".join(line for line in proc.stdout.splitlines()
                        if re.match(r"(Timestamp Server Signature verification|Signature verification|Succeeded)",
                                    line)))
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        self.assertIn("Timestamp Server Signature verification: ok", proc.stdout.splitlines())
        self.assertIn("Signature verification: ok", proc.stdout.splitlines())
        self.check_reports(signed, checksum, table_at, table_size)

    def test_bad_input_fails_with_one_line_and_writes_nothing(self):
        folder = tempfile.mkdtemp(dir=self.root)
        output = os.path.join(folder, "package.exe")
        missing = os.path.join(self.root, "missing.pem")
        empty_path = tempfile.mkdtemp(dir=self.root)  # a PATH without the signer
        with socket.socket() as probe:  # a loopback port where nothing listens
            probe.bind(("127.0.0.1", 0))
            closed_port = probe.getsockname()[1]
        cases = [  # (what, options, environment, message)
            ("signer not installed", ["--sign-cert", self.cert, "--sign-key", self.key],
             {"PATH": empty_path}, "cannot sign: osslsigncode is not installed (not found on PATH"),
            ("key of another certificate", ["--sign-cert", self.cert, "--sign-key", self.other_key], None,
             f"signing failed: the key {self.other_key} does not match the certificate {self.cert}"),
            ("certificate missing", ["--sign-cert", missing, "--sign-key", self.key], None,
             f"--sign-cert: {missing}: No such file or directory"),
            ("key missing", ["--sign-cert", self.cert, "--sign-key", missing], None,
             f"--sign-key: {missing}: No such file or directory"),
            ("a key where the certificate belongs", ["--sign-cert", self.key, "--sign-key", self.key], None,
             f"signing failed: no certificate in {self.key}"),
            ("a certificate where the key belongs", ["--sign-cert", self.cert, "--sign-key", self.cert], None,
             f"signing failed: cannot read the private key {self.cert}"),
            ("time-stamping service not answering",
             ["--sign-cert", self.cert, "--sign-key", self.key, "--timestamp-url",
              f"http://127.0.0.1:{closed_port}/"], None,
             f"signing failed: no timestamp from http://127.0.0.1:{closed_port}/"),
        ]
        for what, options, env, message in cases:
            for existing in (None, b"old package"):
                with self.subTest(what=what, existing=existing is not None):
                    if existing:
                        with open(output, "wb") as old:
                            old.write(existing)
                    proc = self.build(output, *options, env=env and dict(os.environ, **env))
                    print(f"{what}: {proc.stderr}", end="")
                    self.assertEqual(proc.returncode, 1, proc.stderr)
                    self.assertEqual(proc.stdout, "")
                    self.assertEqual(len(proc.stderr.splitlines()), 1, proc.stderr)
                    self.assertTrue(proc.stderr.startswith("scrpack: " + message), proc.stderr)
                    # Nothing written: no package, no temporary file, and an
                    # old package as it was.
                    self.assertEqual(os.listdir(folder), ["package.exe"] if existing else [])
                    if existing:
                        with open(output, "rb") as old:
                            self.assertEqual(old.read(), existing)
                        os.unlink(output)
        # --dry-run finds what the signer would refuse, and fails alike.
        for what, options, env, message in cases[:1] + cases[4:6]:
            with self.subTest(what=what, dry_run=True):
                proc = self.build(output, "--dry-run", *options, env=env and dict(os.environ, **env))
                self.assertEqual((proc.returncode, proc.stdout), (1, ""), proc.stderr)
                self.assertTrue(proc.stderr.startswith("scrpack: " + message), proc.stderr)
        # Options that need each other: usage errors.
        for options in (["--sign-cert", self.cert], ["--sign-key", self.key], ["--timestamp-url", "http://x/"]):
            with self.subTest(options=options):
                proc = self.build(output, *options)
                self.assertEqual(proc.returncode, 2, proc.stderr)
                self.assertEqual(os.listdir(folder), [])

    def test_list_and_verify_warn_of_bytes_that_are_no_certificate_table(self):
        unsigned, signed, _ = self.signed_package("signed.exe")
        with open(unsigned, "rb") as f:
            plain = f.read()
        with open(signed, "rb") as f:
            signed_bytes = f.read()
        folder = os.path.dirname(signed)
        cases = [  # (file, bytes, signed, warning)
            ("appended.exe", plain + b"PADDING!" * 4, "no",
             "32 bytes after the last block are not a certificate table"),
            ("signed-appended.exe", signed_bytes + b"tail", "yes", "4 bytes follow the certificate table"),
        ]
        for name, data, signed_answer, warning in cases:
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.write(data)
            with self.subTest(name=name):
                for command in ("verify", "list"):
                    proc = run(harness.SCRPACK, command, path)
                    print(f"{command} {name}: {proc.stderr}", end="")
                    # Bytes added change the file's sum: damage to verify.
                    self.assertEqual(proc.returncode, 0 if command == "list" else 1, proc.stderr)
                    self.assertIn(f"scrpack: warning: {path}: {warning}\n", proc.stderr)
                    prefix = f"{path}: signed: " if command == "verify" else "signed: "
                    self.assertEqual([line[len(prefix):].split(",")[0] for line in proc.stdout.splitlines()
                                      if line.startswith(prefix)], [signed_answer], proc.stdout)
        # The unsigned package: no warning, not signed.
        proc = run(harness.SCRPACK, "verify", unsigned)
        self.assertEqual((proc.returncode, proc.stderr), (0, ""))
        self.assertIn(f"{unsigned}: signed: no", proc.stdout.splitlines())


if __name__ == "__main__":
    unittest.main()
