"""End-to-end harness: packs executables with zpack and runs them under Wine as a user would.

Output is captured through files, not pipes: Wine's helper processes inherit a pipe and keep it
open after the program ends, so a reader waiting for end-of-file would hang.
"""
from __future__ import annotations

import dataclasses
import os
import re
import struct
import subprocess
import tempfile
import textwrap
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
# A separate build (a second checkout, a helper's own build tree) can point the tests at its own
# zpack and launcher.exe.
DIST = Path(os.environ.get("ZARVO_DIST", ROOT / "dist"))
WINE_RUN = ROOT / "scripts" / "wine-run"
WINE_PREFIX_SCRIPT = ROOT / "scripts" / "wine-prefix"
WINEPREFIX = Path(os.environ.get("ZARVO_WINEPREFIX", ROOT / "build" / "wineprefix"))


# What the running test did and saw, oldest first: every program run with its result, every
# service state queried. conftest.py clears it before each test and keeps it when one fails.
journal: list[str] = []


def note(text: str) -> None:
    journal.append(f"{time.strftime('%H:%M:%S')}.{int(time.time() * 1000) % 1000:03d} {text}")


def wine_env(extra: dict[str, str] | None = None) -> dict[str, str]:
    # Variables that steer the launcher are left out: each test sets the ones it means.
    steering = ("ZARVO_LOG", "KESTRIX_LOG", "DISPLAY", "ZARVO_JAVA_HOME", "KESTRIX_JAVA_HOME",
                "JAVA_HOME", "JDK_HOME")
    env = {k: v for k, v in os.environ.items() if k not in steering}
    env["ZARVO_WINEPREFIX"] = str(WINEPREFIX)
    env.update(extra or {})
    return env


def _quiet(extra: dict[str, str] | None = None) -> dict:
    """Arguments for a run that hands no pipe of the test run to Wine's long-lived processes."""
    env = wine_env(extra)
    env["WINEPREFIX"] = str(WINEPREFIX)
    return {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL,
            "stderr": subprocess.DEVNULL, "env": env}


def start_wine_session(extra: dict[str, str] | None = None, stderr: Path | None = None) -> None:
    """Initialises the prefix if needed and starts one persistent server with the processes Wine
    starts beside a session's first program (services.exe, explorer.exe, the device hosts). They
    live as long as the server, so they are started here with no pipe of the test run: a test
    whose pipes they inherited would wait for the server's end before its program counted as
    ended (a `reg import` then timed out at the start of a run)."""
    # wine-prefix returns with no server of the prefix running: a persistent server can only
    # start while no other one does.
    subprocess.run([str(WINE_PREFIX_SCRIPT)], **_quiet(extra), timeout=300, check=True)
    subprocess.run(["wineserver", "-p"], **_quiet(extra), timeout=60)
    # With `stderr`, the session's processes (the service manager and every service it starts)
    # write Wine's messages there.
    with open(stderr or os.devnull, "ab") as errors:
        subprocess.run([str(WINE_RUN), "cmd", "/c", "exit"], **{**_quiet(extra), "stderr": errors},
                       timeout=120, check=True)


def end_wine_session() -> None:
    """Ends the prefix's server and every Windows process of it."""
    subprocess.run(["wineserver", "-k"], **_quiet(), timeout=60)
    subprocess.run(["wineserver", "-w"], **_quiet(), timeout=60)


def wine_temp_dir() -> Path:
    """The directory Wine's GetTempPath returns for this prefix (C:\\users\\<user>\\Temp)."""
    users = WINEPREFIX / "drive_c" / "users"
    for candidate in sorted(users.glob("*/Temp")):
        if candidate.parent.name != "Public":
            return candidate
    raise FileNotFoundError(f"no Temp directory under {users}")


def windows_path(path: Path) -> str:
    """Wine maps the Unix root to drive Z:."""
    return "Z:" + str(path.resolve()).replace("/", "\\")


def unix_path(windows: str) -> Path:
    """The Unix path of a Wine path (drive C: is the prefix's drive_c, Z: is /)."""
    drive, rest = windows[0].lower(), windows[2:].replace("\\", "/")
    root = Path("/") if drive == "z" else WINEPREFIX / f"drive_{drive}"
    return root / rest.lstrip("/")


@dataclasses.dataclass
class Result:
    code: int
    stdout: str
    stderr: str
    log: str | None  # the diagnostic log of this run, when logging was on
    log_path: Path | None
    # Every log written during the run, oldest first: processes the run started (a service's
    # child) write their own, and one of those may be the newest.
    logs: list[str] = dataclasses.field(default_factory=list)


def pack(directory: Path, project: str, name: str = "App", stub: Path | None = None) -> Path:
    """Writes the TOML project into `directory` and packs it; returns the executable."""
    directory.mkdir(parents=True, exist_ok=True)
    toml = directory / f"{name}.toml"
    exe = directory / f"{name}.exe"
    toml.write_text(textwrap.dedent(project), encoding="utf-8")
    cmd = [str(DIST / "zpack"), str(toml), "-o", str(exe)]
    if stub:
        cmd += ["--stub", str(stub)]
    done = subprocess.run(cmd, capture_output=True, text=True, timeout=60)
    if done.returncode != 0:
        raise AssertionError(f"zpack failed ({done.returncode}): {done.stdout}{done.stderr}")
    return exe


def run(exe: Path, *args: str, env: dict[str, str] | None = None, log: bool = False,
        timeout: float = 60, prefix: list[str] | None = None, prints: bool = False) -> Result:
    """Runs `exe` under Wine with `args`; with `log`, ZARVO_LOG=yes and the new log is returned.

    With `log`, a run that failed without output and without writing a log line never reached
    the launcher's first statement (its entry logs the module path before anything can fail):
    Wine could not start the process, which happens now and then on a busy machine. Such a run
    is traced once for the journal and then run again; the journal keeps all of it. `prints`
    says the same of a program that always prints something (a test binary), whose failed run
    with no output at all never started either."""
    result = _run_once(exe, *args, env=env, log=log, timeout=timeout, prefix=prefix)
    never_started = not result.stdout and not result.stderr and (prints or not result.logs)
    if (log or prints) and result.code != 0 and never_started:
        _note_never_started(Path(exe), args, env, prefix, timeout)
        result = _run_once(exe, *args, env=env, log=log, timeout=timeout, prefix=prefix)
    return result


def _run_once(exe: Path, *args: str, env: dict[str, str] | None, log: bool, timeout: float,
              prefix: list[str] | None) -> Result:
    extra = dict(env or {})
    if log:
        extra["ZARVO_LOG"] = "yes"
    temp = wine_temp_dir() if log else None
    before = set(temp.glob("ksx_nlog_*.log")) if temp else set()
    with tempfile.TemporaryDirectory() as scratch:
        out_path, err_path = Path(scratch, "out"), Path(scratch, "err")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            done = subprocess.run([*(prefix or []), str(WINE_RUN), str(exe), *args], stdout=out,
                                  stderr=err, stdin=subprocess.DEVNULL, env=wine_env(extra),
                                  timeout=timeout)
        stdout = out_path.read_bytes().decode("cp1252", errors="replace")
        stderr = err_path.read_bytes().decode("cp1252", errors="replace")
    note(f"run {exe} {' '.join(repr(a) for a in args)} -> exit code {done.returncode}\n"
         f"  stdout: {stdout!r}\n  stderr: {stderr[-2000:]!r}")
    # A locale the machine has not generated (LC_ALL=de_DE.UTF-8 for a German user) makes the
    # wrapper script's shell complain; Wine itself takes the language from the name anyway.
    stderr = "".join(line for line in stderr.splitlines(keepends=True)
                     if not line.startswith("bash: warning: setlocale"))
    log_text, log_path, logs = None, None, []
    if temp:
        new = sorted(set(temp.glob("ksx_nlog_*.log")) - before,
                     key=lambda p: int(p.stem.rsplit("_", 1)[1]))
        logs = [p.read_bytes().decode("utf-8-sig") for p in new]
        if new:
            log_path, log_text = new[-1], logs[-1]
    return Result(done.returncode, stdout, stderr, log_text, log_path, logs)


def _note_never_started(exe: Path, args: tuple[str, ...], env: dict[str, str] | None,
                        prefix: list[str] | None, timeout: float) -> None:
    """The journal gets the executable's state and the same run with Wine's own errors,
    exceptions and process starts traced, for the failure report."""
    note(f"the process never reached the launcher's first log line: {exe} is "
         f"{exe.stat().st_size if exe.exists() else 'missing'} bytes; traced, then run again")
    traced = subprocess.run([*(prefix or []), str(WINE_RUN), str(exe), *args],
                            capture_output=True, stdin=subprocess.DEVNULL, timeout=timeout,
                            env=wine_env({**(env or {}), "ZARVO_LOG": "yes",
                                          "WINEDEBUG": "err+all,+seh,+process"}))
    note(f"traced run -> exit code {traced.returncode}\n  stdout: {traced.stdout[-2000:]!r}\n"
         f"  trace: {traced.stderr[-6000:]!r}")


def block_offset(image: bytes) -> int:
    """Where the ConfigBlock starts: after the raw data of the last PE section."""
    lfanew = struct.unpack_from("<i", image, 0x3C)[0]
    sections = struct.unpack_from("<h", image, lfanew + 6)[0]
    optional = struct.unpack_from("<h", image, lfanew + 20)[0]
    last = lfanew + 24 + optional + 40 * (sections - 1)
    size, pointer = struct.unpack_from("<II", image, last + 16)
    return pointer + size


def set_record(image: bytes, key: int, value: bytes) -> bytes:
    """The executable with record `key` of its ConfigBlock replaced by `value`: for blocks that
    zpack rightly refuses to write."""
    start = block_offset(image)
    count = struct.unpack_from("<i", image, start + 20)[0]
    at = start + 24
    out = bytearray(image[:at])
    for _ in range(count):
        rid, length = struct.unpack_from("<ii", image, at)
        data = image[at + 8:at + 8 + length]
        if rid == key:
            data = value
        out += struct.pack("<ii", rid, len(data)) + data
        at += 8 + length
    return bytes(out) + image[at:]


def message(exe: Path, message_id: int, arg: str = "") -> str:
    """Message `message_id` as the executable carries it (its base table), with `arg` for "{0}"."""
    dumped = subprocess.run([str(DIST / "zpack"), "dump", str(exe)], capture_output=True,
                            text=True, check=True).stdout
    text = re.search(rf'^  {message_id} = "(.*)"$', dumped, re.M).group(1)
    return text.replace("\\n", "\n").replace("{0}", arg)
