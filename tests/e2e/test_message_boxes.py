"""What needs a display: the launcher's error boxes, read back by box_reader.exe (title and text,
then OK), and the activation of another copy's windows. The module runs the Wine session of
the test prefix on a virtual X display of its own (Xvfb) and hands the prefix back without a
display afterwards: a Wine session started without a display draws nowhere, so the session is
ended before and after.
"""
from __future__ import annotations

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

import pytest

from harness import (WINE_RUN, block_offset, end_wine_session, message, pack, run,
                     start_wine_session, wine_env, windows_path)
from runtimes import FIXTURES

BOX_READER = FIXTURES / "box_reader.exe"
WIN_TESTS = FIXTURES.parent / "zarvo_win_tests.exe"

BASIC = """
[service]
name = "ZarvoBox"
[application]
main_class = "x.Main"
"""


@pytest.fixture(scope="module")
def display():
    """The environment that puts Wine's windows on a fresh Xvfb display."""
    assert shutil.which("Xvfb"), "Xvfb is missing: scripts/install-deps.sh installs it"
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    end_wine_session()
    try:
        start_wine_session({"DISPLAY": f":{number}"})
        yield {"DISPLAY": f":{number}"}
    finally:
        end_wine_session()
        xvfb.terminate()
        xvfb.wait(timeout=30)
        # Back to one persistent server without a display for the tests that follow.
        start_wine_session()


def run_with_box(exe: Path, *args: str, env: dict[str, str], wait_seconds: int = 20):
    """Runs `exe` while box_reader waits for its box. Returns the exe's exit code and standard
    error, and the box's lines ("title=...", "text=...") or None when no box appeared."""
    with tempfile.TemporaryDirectory() as scratch:
        box, err = Path(scratch, "box.txt"), Path(scratch, "err")
        with open(err, "wb") as err_file:
            program = subprocess.Popen([str(WINE_RUN), str(exe), *args], stdout=subprocess.DEVNULL,
                                       stderr=err_file, stdin=subprocess.DEVNULL,
                                       env=wine_env(env))
            try:
                reader = run(BOX_READER, windows_path(box), str(wait_seconds), env=env,
                             timeout=wait_seconds + 60)
            finally:
                code = program.wait(timeout=120)
        lines = box.read_text(encoding="utf-8").splitlines() if reader.code == 0 else None
        return code, err.read_bytes().decode("cp1252", errors="replace"), lines


def test_an_error_before_the_configuration_is_read_shows_a_box(tmp_path, display):
    """The block is damaged: the reader's error goes to a box, whose title is empty because the
    message table has not been read."""
    app = pack(tmp_path / "app", BASIC)
    image = app.read_bytes()
    exe = tmp_path / "Damaged.exe"
    exe.write_bytes(image[:block_offset(image)] + b"\0\0\0\0" + image[block_offset(image) + 4:])
    code, stderr, box = run_with_box(exe, "/?", env=display)
    assert (code, stderr) == (1, "")
    assert box == ["title=", "text=Internal Error: magic"]


@pytest.mark.parametrize("setting, boxed", [
    ("[launcher]\nwindowed = true", True),            # key 107 = 1
    ("[launcher]\nmessage_box_errors = true", True),  # key 107 = 5
    ("", False),                                      # a console launcher
])
def test_errors_after_loading_follow_the_executable_kind(tmp_path, display, setting, boxed):
    exe = pack(tmp_path, BASIC + setting)
    # The project has no runtime to find: the search ends with its message.
    code, stderr, box = run_with_box(exe, "/run", env=display, wait_seconds=20 if boxed else 5)
    assert code == 1
    # Below the configured text, what the search knows (the project allows any version).
    text = message(exe, 1016, "64") + "\nVersions accepted: any.\n" + \
        "No Java runtime was found in any of the locations searched.\n" + \
        'Run "App.exe /find-java" to see every runtime considered.'
    if boxed:
        assert stderr == ""
        assert box == [f"title={message(exe, 1000)}", "text=" + text.replace("\n", "\\n")]
    else:
        assert box is None
        assert text in stderr.replace("\r\n", "\n")


def test_activate_windows_restores_a_minimised_window(display):
    """The shell test of the window activation needs a display; here it has one."""
    result = run(WIN_TESTS, "--gtest_filter=ActivateWindows.*", env=display, timeout=120,
                 prints=True)
    assert result.code == 0, result.stdout
    assert "[  PASSED  ] 1 test." in result.stdout and "SKIPPED" not in result.stdout, result.stdout
