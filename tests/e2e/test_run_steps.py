"""The run sequence before the JVM: included files, native library path, single instance.

These use launcher_steps.exe, a launcher stub that loads its own packed configuration and runs
exactly the named steps, so each step can be watched on its own.
"""
import os
import re
import struct
import subprocess
import time
from pathlib import Path

import pytest

from harness import (ROOT, WINE_RUN, WINEPREFIX, pack, run, set_record, unix_path, wine_env,
                     wine_temp_dir, windows_path)

STEPS = ROOT / "build" / "win64" / "tests" / "fixtures" / "launcher_steps.exe"
MASK = 0xA7


def steps_exe(directory: Path, body: str, name: str = "Steps") -> Path:
    """The steps program packed with `body`; zpack's own addition of the launcher's runtime jar
    is left out, so that the included files are the ones the test names."""
    return pack(directory, '[application]\nmain_class = "x.Main"\n[launcher]\nruntime_jar = false\n'
                + body, name=name, stub=STEPS)


def values(stdout: str) -> dict:
    return dict(line.split("=", 1) for line in stdout.splitlines() if "=" in line)


def include(files):
    items = ", ".join(f'{{ source = "{s}", name = "{n}" }}' for s, n in files)
    return f"[files]\ninclude = [{items}]\n"


def position_pattern(size: int) -> bytes:
    """Every 4-byte word holds its own offset: a chunk copied twice, skipped or out of place
    shows where it went."""
    return b"".join(struct.pack("<I", i) for i in range(0, size + 3, 4))[:size]


def test_included_files_land_byte_exact(tmp_path):
    contents = {
        "a.jar": os.urandom(6001),
        "empty.txt": b"",                # listed, not created
        "b.bin": bytes(range(256)) * 3,
        "lib_a.jar": b"in a sub-directory",
        "big.bin": position_pattern(2 * 1024 * 1024 + 3),  # two 1 MiB copy buffers and a bit
    }
    for name, data in contents.items():
        (tmp_path / name).write_bytes(data)
    names = [("a.jar", "a.jar"), ("empty.txt", "empty.txt"), ("b.bin", "b.bin"),
             ("lib_a.jar", "lib\\\\a.jar"), ("big.bin", "big.bin")]
    exe = steps_exe(tmp_path, include(names))
    result = run(exe, "extract", log=True)
    assert result.code == 0, result.stdout + result.stderr
    out = values(result.stdout)
    temp = out["tempdir"]
    assert re.fullmatch(r".*\\zvo[0-9A-Fa-f]+\.tmp_dir\d+", temp), temp
    directory = unix_path(temp)
    assert (directory / "a.jar").read_bytes() == contents["a.jar"]
    assert (directory / "b.bin").read_bytes() == contents["b.bin"]
    assert (directory / "lib" / "a.jar").read_bytes() == contents["lib_a.jar"]
    big = (directory / "big.bin").read_bytes()
    assert len(big) == len(contents["big.bin"])
    assert big == contents["big.bin"], next(i for i, (a, b) in enumerate(
        zip(big, contents["big.bin"])) if a != b)
    assert not (directory / "empty.txt").exists()
    # The stub returned normally: the directory stays, as after a normal end of the application.
    assert directory.is_dir()
    image = exe.read_bytes()
    assert int(out["unextracted"]) == len(image) - 8  # only the trailer follows
    assert "] extracting files done\r\n" in result.log


def test_fewer_names_than_files_stop_after_the_last_name(tmp_path):
    for n in ("one", "two"):
        (tmp_path / n).write_bytes(n.encode() * 10)
    exe = steps_exe(tmp_path, include([("one", "one"), ("two", "two")]))
    exe.write_bytes(set_record(exe.read_bytes(), 2003, b"one"))
    out = values(run(exe, "extract").stdout)
    directory = unix_path(out["tempdir"])
    assert sorted(p.name for p in directory.iterdir()) == ["one"]
    image = exe.read_bytes()
    # The position marks the second file's length field, which was not read.
    position = int(out["unextracted"])
    assert int.from_bytes(image[position:position + 8], "little") == 30


def test_no_included_files_create_no_directory(tmp_path):
    out = values(run(steps_exe(tmp_path, ""), "extract").stdout)
    assert out == {"tempdir": "", "unextracted": "0"}


def test_terminate_removes_the_directory(tmp_path):
    (tmp_path / "x").write_bytes(b"x")
    exe = steps_exe(tmp_path, include([("x", "lib\\\\x.jar")]))
    result = run(exe, "extract", "--terminate", "0")
    assert result.code == 0
    assert not unix_path(values(result.stdout)["tempdir"]).exists()


def truncated(exe: Path, cut: int) -> Path:
    image = exe.read_bytes()
    damaged = exe.with_name("Damaged.exe")
    damaged.write_bytes(image[:len(image) - cut])
    return damaged


@pytest.mark.parametrize("locale, text", [
    ("C", "An internal error occurred (error code: 16)"),
    ("de_DE.UTF-8", "Ein interner Fehler ist aufgetreten (Fehlercode: 16)"),
])
def test_truncated_included_file_is_fatal_16(tmp_path, locale, text):
    (tmp_path / "big").write_bytes(b"z" * 5000)
    exe = truncated(steps_exe(tmp_path, include([("big", "big")])), 8 + 100)
    result = run(exe, "extract", env={"LC_ALL": locale})
    assert result.code == 1
    assert text in result.stderr


@pytest.mark.parametrize("name", [b"..\\evil.jar", b"lib\\..\\..\\evil.jar", b"C:\\evil.jar",
                                  b"\\evil.jar"])
def test_names_that_climb_out_are_fatal_11(tmp_path, name):
    (tmp_path / "x").write_bytes(b"x")
    exe = steps_exe(tmp_path, include([("x", "x")]))
    exe.write_bytes(set_record(exe.read_bytes(), 2003, name))
    result = run(exe, "extract", log=True)
    assert result.code == 1
    assert "(error code: 11)" in result.stderr
    assert "refusing to extract" in result.log
    assert not (wine_temp_dir() / "evil.jar").exists()
    assert not (WINEPREFIX / "drive_c" / "evil.jar").exists()


# register_dll_directories once decided the registration; the launcher's library loads no longer
# search PATH, so the directories are registered either way.
@pytest.mark.parametrize("register", [False, True])
def test_native_library_path_goes_in_front_of_path(tmp_path, register):
    # Without directories PATH is set again to its own value: that is the old PATH.
    old = values(run(steps_exe(tmp_path / "plain", ""), "nativepath").stdout)["path"]
    assert old
    body = '[native]\nlibrary_dirs = ["lib", "bin"]\n'
    if register:
        body += "register_dll_directories = true\n"
    result = run(steps_exe(tmp_path / "dirs", body), "nativepath", log=True)
    base = windows_path(tmp_path / "dirs")
    assert values(result.stdout)["path"] == f"{base}\\lib;{base}\\bin;{old}"
    assert "] Setting PATH (native libs) " in result.log
    added = re.findall(r"\] Adding DLL directory (.*)\r\n", result.log)
    assert added == [f"{base}\\lib", f"{base}\\bin"]


def test_a_log_deleted_during_the_run_is_created_again(tmp_path):
    exe = steps_exe(tmp_path, '[native]\nlibrary_dirs = ["lib"]\n')
    release = tmp_path / "go"
    temp = wine_temp_dir()
    before = set(temp.glob("ksx_nlog_*.log"))
    process = subprocess.Popen([str(WINE_RUN), str(exe), "--wait-for", windows_path(release),
                                "nativepath"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                               env=wine_env({"ZARVO_LOG": "yes"}))
    try:
        deadline = time.monotonic() + 30
        while not (new := set(temp.glob("ksx_nlog_*.log")) - before):
            assert time.monotonic() < deadline, "no log was written"
            time.sleep(0.1)
        [log] = new
        time.sleep(0.5)  # the start-up's entries are written
        log.unlink()
    finally:
        release.write_text("go")
        assert process.wait(timeout=30) == 0
    # The step after the wait logged into a file of the same name, made anew.
    text = log.read_bytes()
    assert text.startswith(b"\xef\xbb\xbf"), text[:40]
    lines = text.decode("utf-8-sig").split("\r\n")
    assert all(re.match(r"\[\d+:\d+\] ", line) for line in lines if line), lines
    assert any("] Setting PATH (native libs) " in line for line in lines), lines


class Background:
    """A copy of the steps stub running the given steps in the background; what it prints is
    read while it runs."""

    def __init__(self, exe: Path, *steps: str, out: Path, log=False):
        self.out = out.with_suffix(".out")
        self.err = out.with_suffix(".err")
        env = wine_env({"ZARVO_LOG": "yes"} if log else {})
        self.process = subprocess.Popen([str(WINE_RUN), str(exe), *steps],
                                        stdout=open(self.out, "wb"), stderr=open(self.err, "wb"),
                                        stdin=subprocess.DEVNULL, env=env)

    def values(self, until: str, timeout=30) -> dict:
        """The values printed so far, once `until` has been printed."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            text = self.out.read_text(errors="replace") if self.out.exists() else ""
            if f"{until}=" in text:
                return values(text)
            time.sleep(0.1)
        # What Wine said tells a copy that never started from one that hangs.
        raise TimeoutError(f"the copy printed no {until}= (exit code {self.process.poll()}, "
                           f"standard error: {self.err.read_text(errors='replace')[-2000:]!r})")


class Holder(Background):
    """A copy of the steps stub that runs the single-instance step and waits for a file."""

    def __init__(self, exe: Path, release: Path, log=False):
        super().__init__(exe, "instance", "--wait-for", windows_path(release), out=release,
                         log=log)

    def values(self, until="pid", timeout=30) -> dict:
        return super().values(until, timeout)


def test_running_copies_hold_numbered_semaphores(tmp_path):
    exe = steps_exe(tmp_path, "")
    releases = [tmp_path / f"go{i}" for i in range(4)]
    holders = [Holder(exe, releases[i]) for i in range(3)]
    try:
        names = sorted(h.values()["semaphore"] for h in holders)
        base = names[0][:-1]
        assert base.startswith("Local\\") and " " not in base and "\\" not in base[6:]
        assert names == [base + "0", base + "1", base + "2"]
        first = next(h for h in holders if h.values()["semaphore"].endswith("0"))
        releases[holders.index(first)].write_text("go")
        first.process.wait(timeout=30)
        fourth = Holder(exe, releases[3])
        assert fourth.values()["semaphore"] == base + "0"
        holders.append(fourth)
    finally:
        for r in releases:
            r.write_text("go")
        for h in holders:
            h.process.wait(timeout=30)


def test_second_copy_in_single_instance_mode_ends_with_0(tmp_path):
    exe = steps_exe(tmp_path, "[instance]\nsingle = true\n")
    release = tmp_path / "go"
    first = Holder(exe, release)
    try:
        pid = first.values()["pid"]
        started = time.monotonic()
        second = run(exe, "instance", log=True)
        assert second.code == 0
        assert second.stdout == ""
        assert time.monotonic() - started < 10
        assert f"] other pid {pid}\r\n" in second.log
        # The first copy's id reached the registry under the pids key.
        query = subprocess.run([str(WINE_RUN), "reg", "query",
                                "HKCU\\SOFTWARE\\halvorn\\zarvo\\pids"], capture_output=True,
                               text=True, env=wine_env(), timeout=60)
        assert f"0x{int(pid):x}" in query.stdout.lower()
    finally:
        release.write_text("go")
        first.process.wait(timeout=30)


def test_a_service_child_refused_as_second_copy_fails(tmp_path):
    """A second copy at a console ends quietly, but a service whose child cannot run must end in
    a failure: a clean stop would bring no failure action and no event."""
    exe = steps_exe(tmp_path, "[instance]\nsingle = true\n")
    release = tmp_path / "go"
    first = Holder(exe, release)
    try:
        first.values()
        child = run(exe, "--service-child", "instance", log=True)
        assert child.code == 1
        assert "already running in another process" in child.stderr, child.stderr
        assert "] ERROR: another copy holds semaphore " in child.log
    finally:
        release.write_text("go")
        first.process.wait(timeout=30)


# What another local user can do while a launcher starts: the launcher usually runs as
# LocalSystem, and its temporary directory lies in the machine's shared one. Wine enforces no
# permissions, so these plant what a user could plant on Windows, where Wine shows it.

def test_an_archive_planted_while_the_launcher_starts_never_reaches_the_class_path(tmp_path):
    (tmp_path / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))
    exe = steps_exe(tmp_path, include([("app.jar", "app.jar"), ("app.jar", "user\\\\tools.zip")]))
    release = tmp_path / "go"
    steps = Background(exe, "extract", "--wait-for", windows_path(release), "classpath",
                       out=release, log=True)
    temp = steps.values("tempdir")["tempdir"]
    for planted in ("0evil.jar", "user/0evil.zip"):
        (unix_path(temp) / planted).write_bytes(b"PK\x05\x06" + bytes(18))
    release.write_text("go")
    assert steps.process.wait(timeout=30) == 0
    out = steps.values("classpath")
    assert out["classpath"] == f"-Djava.class.path={temp}\\app.jar;{temp}\\user\\tools.zip"


def test_a_start_removes_the_extraction_directories_of_its_ended_launchers(tmp_path):
    """Each start extracts into a new directory that stays when the application ends. The next
    start of the same executable removes those directories (and the files they are named after)
    whose launcher has ended, and never one that a running copy uses or another executable made."""
    (tmp_path / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))
    files = include([("../app.jar", "app.jar")])
    exe = steps_exe(tmp_path / "app", files)
    other = steps_exe(tmp_path / "other", files, name="Other")

    def directory(result) -> Path:
        assert result.code == 0, result.stderr
        return unix_path(values(result.stdout)["tempdir"])

    def marker(made: Path) -> Path:
        return made.with_name(made.name.rsplit("_dir", 1)[0])

    ended = directory(run(exe, "extract"))
    theirs = directory(run(other, "extract"))
    release = tmp_path / "go"
    running = Background(exe, "extract", "--wait-for", windows_path(release), out=release)
    try:
        in_use = unix_path(running.values("tempdir")["tempdir"])
        latest = directory(run(exe, "extract"))
        assert not ended.exists() and not marker(ended).exists()
        for kept in (in_use, theirs, latest):
            assert kept.is_dir() and marker(kept).is_file(), kept
    finally:
        release.write_text("go")
        running.process.wait(timeout=30)


def test_the_extraction_directory_is_private(tmp_path):
    """Wine keeps a file's permissions in its Unix mode bits: an access list that grants nothing
    to Everyone leaves no bits for others."""
    (tmp_path / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))
    exe = steps_exe(tmp_path, include([("app.jar", "lib\\\\app.jar")]))
    directory = unix_path(values(run(exe, "extract").stdout)["tempdir"])
    for made in (directory, directory / "lib", directory / "lib" / "app.jar"):
        assert made.stat().st_mode & 0o007 == 0, (made, oct(made.stat().st_mode))


def test_an_included_file_that_exists_already_is_refused(tmp_path):
    """A name listed twice stands for a file someone else created first: the launcher writes only
    files it creates itself, never through one that was there."""
    (tmp_path / "a.jar").write_bytes(b"first")
    exe = steps_exe(tmp_path, include([("a.jar", "a.jar"), ("a.jar", "b.jar")]))
    exe.write_bytes(set_record(exe.read_bytes(), 2003, b"a.jar;A.JAR"))
    result = run(exe, "extract", log=True)
    assert result.code == 1
    assert "(error code: 11)" in result.stderr, result.stderr
    assert re.search(r"\] ERROR: cannot create .*\\A\.JAR \(error 80\)\r\n", result.log), result.log


def test_a_link_in_the_extraction_directory_is_not_followed_by_the_clean_up(tmp_path):
    """The clean-up after an error empties the launcher's directory; a link planted in it (a
    symbolic link stands in for a junction here) goes, but what it points to stays."""
    (tmp_path / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))
    exe = steps_exe(tmp_path, include([("app.jar", "app.jar")]))
    victim = tmp_path / "victim"
    (victim / "inner").mkdir(parents=True)
    (victim / "data.txt").write_text("keep")
    (victim / "inner" / "deep.txt").write_text("keep")
    release = tmp_path / "go"
    steps = Background(exe, "extract", "--wait-for", windows_path(release), "--terminate", "1",
                       out=release)
    temp = unix_path(steps.values("tempdir")["tempdir"])
    (temp / "link").symlink_to(victim, target_is_directory=True)
    release.write_text("go")
    assert steps.process.wait(timeout=30) == 1
    assert (victim / "data.txt").read_text() == "keep"
    assert (victim / "inner" / "deep.txt").read_text() == "keep"
    assert not (temp / "app.jar").exists()


def test_the_log_file_is_private(tmp_path):
    result = run(steps_exe(tmp_path, ""), "extract", log=True)
    assert result.log_path.stat().st_mode & 0o007 == 0, oct(result.log_path.stat().st_mode)
