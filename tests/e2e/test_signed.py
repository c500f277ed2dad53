"""A packed executable signed afterwards with Authenticode, as a user signs it: the signature is
appended at the end of the file and recorded in the certificate table entry of the PE header,
after the ConfigBlock, which the launcher and zpack still find after the last section."""
from __future__ import annotations

import os
import struct
import subprocess
from pathlib import Path

import pytest

from harness import DIST, WINEPREFIX, block_offset, pack, run
from runtimes import runtime

PROJECT = """
[service]
name = "SignedSvc"
[application]
main_class = "com.example.Main"
arguments = ["configured"]
[java]
search = ["B.\\\\jre"]
[files]
include = ["app.jar"]
"""


def certificate_table(image: bytes) -> tuple[int, int]:
    """Data directory 4 of the PE32+ optional header: (file offset, size)."""
    lfanew = struct.unpack_from("<i", image, 0x3C)[0]
    return struct.unpack_from("<II", image, lfanew + 24 + 112 + 4 * 8)


def sign(exe: Path, directory: Path) -> Path:
    key, cert = directory / "key.pem", directory / "cert.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Zarvo Test Signer", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", str(key), "-out", str(cert)],
                   capture_output=True, check=True, timeout=60)
    signed = exe.with_name("App.exe")
    subprocess.run(["osslsigncode", "sign", "-certs", str(cert), "-key", str(key),
                    "-n", "Signed test", "-in", str(exe), "-out", str(signed)],
                   capture_output=True, check=True, timeout=60)
    return signed


@pytest.fixture(scope="module")
def app(tmp_path_factory):
    directory = tmp_path_factory.mktemp("signed")
    runtime(directory / "jre")
    (directory / "app.jar").write_bytes(b"PK\x03\x04" + os.urandom(5000))
    unsigned = pack(directory, PROJECT, name="Unsigned")
    return unsigned, sign(unsigned, directory)


def unix_path(windows: str) -> Path:
    drive, rest = windows[0].lower(), windows[2:].replace("\\", "/")
    root = Path("/") if drive == "z" else WINEPREFIX / f"drive_{drive}"
    return root / rest.lstrip("/")


def dump(exe: Path) -> list[str]:
    done = subprocess.run([str(DIST / "zpack"), "dump", str(exe)], capture_output=True,
                          text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    return done.stdout.splitlines()[1:]  # without the file name


def test_the_signature_follows_the_block_and_covers_the_file(app):
    unsigned, signed = app
    before, after = unsigned.read_bytes(), signed.read_bytes()
    start = block_offset(before)
    assert block_offset(after) == start
    # The block and its included files are untouched; the table lies beyond them.
    assert after[start:len(before)] == before[start:]
    offset, size = certificate_table(after)
    assert certificate_table(before) == (0, 0)
    assert offset >= len(before) and offset + size == len(after)
    verified = subprocess.run(["osslsigncode", "verify", "-CAfile", str(signed.parent / "cert.pem"),
                               "-in", str(signed)], capture_output=True, text=True, timeout=60)
    assert verified.returncode == 0, verified.stdout + verified.stderr


def test_dump_shows_the_block_and_names_the_signature(app):
    unsigned, signed = app
    offset, size = certificate_table(signed.read_bytes())
    assert dump(signed) == dump(unsigned) + [
        f"signature: certificate table of {size} bytes at offset {offset}"]


def test_packing_a_signed_executable_again_drops_the_signature(app, tmp_path):
    unsigned, signed = app
    (tmp_path / "app.jar").write_bytes((signed.parent / "app.jar").read_bytes())
    # The same name: the version resource names the product after the executable.
    repacked = pack(tmp_path, PROJECT, name="Unsigned", stub=signed)
    assert certificate_table(repacked.read_bytes()) == (0, 0)
    assert dump(repacked) == dump(unsigned)


def test_the_signed_executable_shows_its_usage(app):
    result = run(app[1], "/?")
    assert (result.code, result.stderr) == (0, "")
    assert result.stdout.startswith("Usage: App.exe /install")


def test_the_signed_executable_runs_its_configured_application(app):
    signed = app[1]
    home = signed.parent / "jre"
    result = run(signed, "/run", "given")
    assert result.code == 0, result.stderr
    transcript = (home / "bin" / "server" / "transcript.log").read_text().splitlines()
    # "main-arg <index> <value>"
    main_args = [line.split(" ", 2)[2] if line.count(" ") >= 2 else ""
                 for line in transcript if line.startswith("main-arg ")]
    assert main_args[1] == "com.example.Main"
    assert main_args[-2:] == ["configured", "given"]
    # The included file came out of the block byte for byte.
    [temp] = [line.split("=", 1)[1] for line in transcript
              if line.startswith("option -Dzarvo.tempDir=")]
    assert (unix_path(temp) / "app.jar").read_bytes() == (signed.parent / "app.jar").read_bytes()
