"""Selecting the Java runtime: the bundled runtime is taken, and a failed search names what to
repair. Runtimes are stand-ins (java.exe that prints a version banner, jvm.dll with the JNI
entry) laid out as bin\\java.exe and bin\\server\\jvm.dll."""
import time

import pytest

from harness import message, pack, run, windows_path
from runtimes import runtime

BASIC = """
[service]
name = "ZarvoTest"
[application]
main_class = "x.Main"
[java]
"""


def test_bundled_runtime_is_selected(tmp_path):
    home = runtime(tmp_path / "jre")
    exe = pack(tmp_path, BASIC + 'search = ["B.\\\\jre"]\n')
    result = run(exe, "/run", log=True)
    assert result.code == 0, result.stderr
    loaded = result.log.index("] Loading of JVM-DLL successful\r\n")
    assert windows_path(home / "bin" / "server" / "jvm.dll").lower() in result.log[:loaded].lower()


@pytest.mark.parametrize("search, variable, library_loads, message_id, arg", [
    ("", None, True, 1016, "64"),
    ('{type = "env", name = "ZVO_RUNTIME"}', "ZVO_RUNTIME", False, 1018, "ZVO_RUNTIME"),
    ('{type = "directory", path = "@HOME@"}', None, False, 1020, "@HOME@"),
])
def test_failed_search_names_what_to_repair(tmp_path, search, variable, library_loads, message_id,
                                           arg):
    home = windows_path(runtime(tmp_path / "rt", library_loads=library_loads))
    toml_home = home.replace("\\", "\\\\")
    exe = pack(tmp_path / "app", BASIC + "search = [" + search.replace("@HOME@", toml_home) + "]\n")
    env = {variable: home} if variable else {}
    result = run(exe, "/run", env=env)
    assert result.code == 1
    stderr = result.stderr.replace("\r\n", "\n")
    assert message(exe, message_id, arg.replace("@HOME@", home)) in stderr, stderr
    assert "Creating JVM" not in stderr


def test_a_library_without_the_jni_entry_ends_the_search(tmp_path):
    """The first runtime's jvm.dll loads but cannot create a JVM: that runtime is reported as
    damaged, and the working runtime after it is not tried."""
    damaged = runtime(tmp_path / "damaged", exports_entry=False)
    works = runtime(tmp_path / "works")
    entries = ", ".join(f'"A{windows_path(h)}"'.replace("\\", "\\\\") for h in (damaged, works))
    exe = pack(tmp_path / "app", BASIC + f"search = [{entries}]\n")
    result = run(exe, "/run", log=True)
    assert result.code == 1
    stderr = result.stderr.replace("\r\n", "\n")
    assert message(exe, 1020, windows_path(damaged)) in stderr, stderr
    assert "] ERROR: Could not load functions\r\n" in result.log
    assert windows_path(works).lower() not in result.log.lower()
    assert not (works / "bin" / "server" / "transcript.log").exists()


def test_version_run_that_hangs_is_given_up_after_a_minute(tmp_path):
    """A java.exe that never answers "-version" costs the search one minute, not forever; the
    runtime is then refused and nothing is cached for it."""
    home = runtime(tmp_path / "jre")
    (home / "bin" / "fake_java.cfg").write_text("delay_ms=600000\n")
    # An absolute directory entry: the lenient second pass does not look at it again.
    path = windows_path(home).replace("\\", "\\\\")
    exe = pack(tmp_path / "app", BASIC + f'search = [{{type = "directory", path = "{path}"}}]\n')
    started = time.monotonic()
    result = run(exe, "/run", log=True, timeout=180)
    elapsed = time.monotonic() - started
    assert result.code == 1
    assert 60 <= elapsed < 120, elapsed
    assert message(exe, 1016, "64") in result.stderr.replace("\r\n", "\n")
    assert "Loading of JVM-DLL successful" not in result.log


@pytest.mark.parametrize("case", ["out of bounds", "bundled runtime missing"])
def test_no_jvm_found_names_the_bounds_and_the_closest_candidate(tmp_path, case):
    """Below the configured "No JVM could be found" text: the versions accepted, the candidate
    that came closest with the reason it was refused, and the command that shows the whole
    search."""
    if case == "out of bounds":
        home = windows_path(runtime(tmp_path / "old", version="1.8.0_392"))
        search = f'"A{home}"'.replace("\\", "\\\\")
        closest = f"Closest candidate: {home}\\bin\\java.exe (version 1.8.0_392), refused: " \
                  "outside the version bounds."
    else:
        search = '"B.\\\\jre"'
        closest = f"Closest candidate: {windows_path(tmp_path / 'app')}\\jre\\bin\\java.exe, " \
                  "refused: no java executable there."
    exe = pack(tmp_path / "app", BASIC + f'min_version = "11"\nsearch = [{search}]\n')
    result = run(exe, "/run")
    assert result.code == 1
    stderr = result.stderr.replace("\r\n", "\n")
    expected = message(exe, 1016, "64") + "\nVersions accepted: 11 or later.\n" + closest + \
        '\nRun "App.exe /find-java" to see every runtime considered.'
    assert expected.lower() in stderr.lower(), stderr  # the search writes paths in lower case
