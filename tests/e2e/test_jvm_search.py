"""The JVM search end to end: packed executables under Wine find stand-in runtimes through real
directories, location files, environment variables and registry keys (written with reg.exe),
and the per-user version cache spares later starts the "-version" runs."""
from __future__ import annotations

import os
import re
import shutil
import time
from dataclasses import dataclass, field
from pathlib import Path

import pytest

from harness import message, pack, run, unix_path, windows_path
from runtimes import FIXTURES, Registry, java_exe, loaded_java, runtime, toml_text, version_runs

HKCU, HKLM = "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"


@dataclass
class Setup:
    """What a case builds: the project's [java] lines, the environment, the expected runtime."""
    java: list[str] = field(default_factory=list)
    application: list[str] = field(default_factory=list)
    env: dict[str, str] = field(default_factory=dict)
    expected: Path | None = None


def preferred_location_beats_newer_runtimes(app: Path, reg: Registry) -> Setup:
    (app / ".kestrix").mkdir(parents=True)
    preferred = runtime(app / "preferred", "11.0.2")
    (app / ".kestrix" / "pref_jre.cfg").write_text(windows_path(preferred) + "\n")
    reg.current_version("JDK", "21")
    reg.javasoft("JDK", "21", runtime(app / "registered", "21.0.1"))
    env = {"JAVA_HOME": windows_path(runtime(app / "java_home", "21.0.1"))}
    return Setup(['search = ["B.\\\\jre", "Y", "EJAVA_HOME"]'], env=env, expected=preferred)


def bundled_runtime_beats_newer_runtimes(app: Path, reg: Registry) -> Setup:
    bundled = runtime(app / "jre", "11.0.2")
    reg.current_version("JDK", "21")
    reg.javasoft("JDK", "21", runtime(app / "registered", "21.0.1"))
    env = {"JAVA_HOME": windows_path(runtime(app / "java_home", "21.0.1"))}
    return Setup(['search = ["B.\\\\jre", "Y", "EJAVA_HOME"]'], env=env, expected=bundled)


def installer_location_before_second_pass(app: Path, reg: Registry) -> Setup:
    runtime(app / "jre", "1.8.0_202")
    (app / ".kestrix").mkdir(parents=True)
    installed = runtime(app / "installed", "17.0.2")
    (app / ".kestrix" / "inst_jre.cfg").write_text(windows_path(installed) + "\n")
    return Setup(['min_version = "11"', 'search = ["B.\\\\jre"]'], expected=installed)


def second_pass_takes_out_of_bounds_bundled(app: Path, reg: Registry) -> Setup:
    bundled = runtime(app / "jre", "1.8.0_202")
    return Setup(['min_version = "11"', 'search = ["B.\\\\jre", "Y"]'], expected=bundled)


def second_pass_takes_absolute_bundled(app: Path, reg: Registry) -> Setup:
    bundled = runtime(app / "jre", "1.8.0_202")
    search = toml_text(f'search = ["B{windows_path(bundled)}"]')
    return Setup(['min_version = "11"', search], expected=bundled)


def second_pass_takes_relative_directory(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "rt", "1.8.0_202")
    return Setup(['min_version = "11"', 'search = ["Art"]'], expected=home)


def second_pass_skips_absolute_directory(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "rt", "1.8.0_202")
    search = toml_text(f'search = ["A{windows_path(home)}"]')
    return Setup(['min_version = "11"', search], expected=None)


def javasoft_sub_keys_in_byte_order(app: Path, reg: Registry) -> Setup:
    # "1.8.0_211" sorts before "1.8.0_91": the walk from the greatest name tries _91 first.
    reg.javasoft("JRE", "1.8.0_211", runtime(app / "u211", "1.8.0_211"))
    u91 = runtime(app / "u91", "1.8.0_91")
    reg.javasoft("JRE", "1.8.0_91", u91)
    return Setup(['search = ["Y"]'], expected=u91)


def current_version_newer_jre_beats_jdk(app: Path, reg: Registry) -> Setup:
    reg.current_version("JDK", "11")
    reg.javasoft("JDK", "11", runtime(app / "jdk11", "11.0.2"))
    reg.current_version("JRE", "17")
    jre = runtime(app / "jre17", "17.0.2")
    reg.javasoft("JRE", "17", jre)
    return Setup(['search = ["Y"]'], expected=jre)


def current_version_jdk_required(app: Path, reg: Registry) -> Setup:
    reg.current_version("JDK", "11")
    jdk = runtime(app / "jdk11", "11.0.2", old_jdk=True)
    reg.javasoft("JDK", "11", jdk)
    reg.current_version("JRE", "17")
    reg.javasoft("JRE", "17", runtime(app / "jre17", "17.0.2"))
    return Setup(['require_jdk = true', 'search = ["Y"]'], expected=jdk)


def javasoft_and_located_of_one_version_the_located_wins(app: Path, reg: Registry) -> Setup:
    reg.current_version("JDK", "17")
    reg.javasoft("JDK", "17", runtime(app / "registered", "17.0.2"))
    located = runtime(app / "located", "17.0.2")
    reg.located(HKLM, located)
    return Setup(['search = ["Y"]'], expected=located)


def located_user_newer_than_machine(app: Path, reg: Registry) -> Setup:
    user = runtime(app / "user", "17.0.2")
    reg.located(HKCU, user)
    reg.located(HKLM, runtime(app / "machine", "11.0.2"))
    return Setup(['search = ["Y"]'], expected=user)


def located_machine_wins_a_tie(app: Path, reg: Registry) -> Setup:
    reg.located(HKCU, runtime(app / "user", "17.0.2"))
    machine = runtime(app / "machine", "17.0.2")
    reg.located(HKLM, machine)
    return Setup(['search = ["Y"]'], expected=machine)


def restricted_registry_only_own_runtimes(app: Path, reg: Registry) -> Setup:
    reg.current_version("JDK", "21")
    reg.javasoft("JDK", "21", runtime(app / "registered", "21.0.1"))
    reg.located(HKLM, runtime(app / "other", "21.0.1"))
    own = runtime(app / "ksx_jres" / "rt11", "11.0.2")
    reg.located(HKLM, own)
    return Setup(['restricted_registry = true', 'search = ["Y"]'], expected=own)


def earlier_installation_by_application_id(app: Path, reg: Registry) -> Setup:
    install = app / "old-install"
    runtime(install / "jre", "17.0.2")
    reg.value(rf"{HKCU}\SOFTWARE\halvorn\kestrix\installations", "zvo-app",
              f"{windows_path(app / 'gone')};;{windows_path(install)}")
    return Setup(application=['id = "zvo-app"'], expected=install / "jre")


def zarvo_fall_back_variable(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "zarvo_home", "17.0.2")
    env = {"ZARVO_JAVA_HOME": windows_path(home).replace("\\", "/"),
           "KESTRIX_JAVA_HOME": windows_path(runtime(app / "kestrix_home", "17.0.2"))}
    return Setup(env=env, expected=home)


def kestrix_fall_back_variable(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "kestrix_home", "17.0.2")
    return Setup(env={"KESTRIX_JAVA_HOME": windows_path(home)}, expected=home)


def registry_runtime_that_fails_is_retried_without_it(app: Path, reg: Registry) -> Setup:
    # The machine's runtime is newer and chosen first; its library does not load.
    reg.located(HKLM, runtime(app / "broken", "21.0.1", library_loads=False))
    works = runtime(app / "works", "17.0.2")
    reg.located(HKCU, works)
    return Setup(['search = ["Y"]'], expected=works)


@pytest.mark.parametrize("case", [
    preferred_location_beats_newer_runtimes,
    bundled_runtime_beats_newer_runtimes,
    installer_location_before_second_pass,
    second_pass_takes_out_of_bounds_bundled,
    second_pass_takes_absolute_bundled,
    second_pass_takes_relative_directory,
    second_pass_skips_absolute_directory,
    javasoft_sub_keys_in_byte_order,
    current_version_newer_jre_beats_jdk,
    current_version_jdk_required,
    javasoft_and_located_of_one_version_the_located_wins,
    located_user_newer_than_machine,
    located_machine_wins_a_tie,
    restricted_registry_only_own_runtimes,
    earlier_installation_by_application_id,
    zarvo_fall_back_variable,
    kestrix_fall_back_variable,
    registry_runtime_that_fails_is_retried_without_it,
], ids=lambda case: case.__name__)
def test_search_takes_the_right_runtime(tmp_path, registry, case):
    app = tmp_path / "app"
    app.mkdir()
    setup = case(app, registry)
    registry.apply()
    project = "\n".join(["[application]", 'main_class = "x.Main"', *setup.application,
                         "[java]", *setup.java, ""])
    exe = pack(app, project)
    result = run(exe, "/run", env=setup.env, log=True)
    assert result.code == (1 if setup.expected is None else 0), result.stderr
    if setup.expected is None:
        assert loaded_java(result.log) is None, result.log
        assert message(exe, 1016, "64") in result.stderr.replace("\r\n", "\n")
    else:
        assert loaded_java(result.log) == java_exe(setup.expected).lower(), result.log


SEARCH_STEPS = ("Searching for a JVM", "MinVersion: ", "Has preferred location ",
                "Testing location ", "Has installer location ", "Testing relative location ",
                "checking app id ", "found installations: ", "could not open installation node ",
                "could not query value node ", "Search sequence finished", "checkJavaExe (",
                "checkJavaExe returning ", "Trying to load JVM-DLL from ",
                "Loading of JVM-DLL successful")


def test_one_full_search_in_order(tmp_path, registry):
    """Every step of the search refuses its runtime (or has none) until the last fall-back
    variable: the log shows the steps in their order, each candidate with its verdict."""
    app = tmp_path / "app"
    (app / ".kestrix").mkdir(parents=True)
    old = {name: windows_path(runtime(app / name, "1.8.0_202"))
           for name in ("preferred", "directory", "installer", "zarvo_home")}
    (app / ".kestrix" / "pref_jre.cfg").write_text(old["preferred"] + "\n")
    (app / ".kestrix" / "inst_jre.cfg").write_text(old["installer"] + "\n")
    registry.value(rf"{HKCU}\SOFTWARE\halvorn\kestrix\installations", "zvo-app", "")
    registry.apply()
    last = windows_path(runtime(app / "kestrix_home", "17.0.2"))
    exe = pack(app, "\n".join([
        "[application]", 'main_class = "x.Main"', 'id = "zvo-app"', "[java]",
        'min_version = "11"',
        toml_text(f'search = ["A{old["directory"]}", "B.\\missing", "Y", "EZVO_UNSET"]'), ""]))
    env = {"ZARVO_JAVA_HOME": old["zarvo_home"], "KESTRIX_JAVA_HOME": last}
    result = run(exe, "/run", env=env, log=True)
    assert result.code == 0, result.stderr
    lines = [line.split("] ", 1)[1] for line in result.log.split("\r\n")
             if "] " in line and line.split("] ", 1)[1].startswith(SEARCH_STEPS)]
    # The app id lines end with the handle of the registry root: compared without it.
    lines = [re.sub(r"^(checking app id zvo-app \(\d+), .*", r"\1", line) for line in lines]

    def candidate(home: str, early_access: int, verdict: int) -> list[str]:
        """A checked java.exe: the flags name the bounds' lengths and whether early access is
        allowed; a directory is made absolute and lower-cased first, a variable's value not."""
        return [f"checkJavaExe ({home}\\bin\\java.exe, [out], 1, 0, {early_access})",
                f"checkJavaExe returning {verdict}"]

    missing = windows_path(app / "missing").lower()
    assert lines == [
        "Searching for a JVM",
        "MinVersion: 11, MaxVersion: ",
        f"Has preferred location {old['preferred']}",
        *candidate(old["preferred"].lower(), 1, 0),
        f"Testing location {old['directory']} (type A)",
        *candidate(old["directory"].lower(), 0, 0),
        "Testing location .\\missing (type B)",
        *candidate(missing, 0, 0),
        "Testing location  (type Y)",  # nothing registered: no candidate
        "Testing location ZVO_UNSET (type E)",  # not set: no candidate
        f"Has installer location {old['installer']}",
        *candidate(old["installer"].lower(), 0, 0),
        # The second pass: only the relative directory entry, which has no java.exe.
        "Testing relative location .\\missing",
        *candidate(missing, 1, 0),
        # The user's installations value is empty, in both registry views; the machine has none.
        "checking app id zvo-app (0", "found installations: ",
        "checking app id zvo-app (256", "found installations: ",
        "checking app id zvo-app (0", "could not open installation node 2",
        "checking app id zvo-app (256", "could not open installation node 2",
        "Search sequence finished",
        *candidate(old["zarvo_home"], 0, 0),
        *candidate(last, 0, 1),
        f"Trying to load JVM-DLL from {last.lower()}\\bin\\java.exe",
        "Loading of JVM-DLL successful",
    ], "\n".join(lines)


def test_only_failing_registry_runtimes_end_with_the_start_message(tmp_path, registry):
    registry.located(HKLM, runtime(tmp_path / "broken", "21.0.1", library_loads=False))
    registry.located(HKCU, runtime(tmp_path / "broken-too", "17.0.2", library_loads=False))
    registry.apply()
    exe = pack(tmp_path / "app", '[application]\nmain_class = "x.Main"\n[java]\nsearch = ["Y"]\n')
    result = run(exe, "/run", log=True)
    assert result.code == 1
    stderr = result.stderr.replace("\r\n", "\n")
    assert message(exe, 1005) in stderr, stderr
    assert result.log.count("] Trying to load JVM-DLL from ") >= 2


def directory_project(home: Path) -> str:
    path = toml_text(windows_path(home))
    return f'[application]\nmain_class = "x.Main"\n[java]\nsearch = ["A{path}"]\n'


def test_second_start_runs_no_java_until_the_executable_changes(tmp_path):
    home = runtime(tmp_path / "rt", "17.0.2")
    exe = pack(tmp_path / "app", directory_project(home))
    for _ in range(2):
        assert loaded_java(run(exe, "/run", log=True).log) == java_exe(home).lower()
    assert version_runs(home) == 1
    # A new last-write time means a replaced runtime: its version is asked again.
    later = time.time() + 120
    os.utime(home / "bin" / "java.exe", (later, later))
    run(exe, "/run")
    assert version_runs(home) == 2


@pytest.mark.parametrize("version, exit_code, runs", [
    ("1.7.", 0, 2), ("1.6.", 0, 2), ("1.5.", 0, 2),
    ("17.0.2", 2, 2),  # a run that fails is cached as "1.0.0"
    ("1.7.0_80", 0, 1),
])
def test_versions_that_are_never_trusted_from_the_cache(tmp_path, version, exit_code, runs):
    home = runtime(tmp_path / "rt", version, exit_code=exit_code)
    exe = pack(tmp_path / "app", directory_project(home))
    run(exe, "/run")
    run(exe, "/run")
    assert version_runs(home) == runs


def test_a_java_exe_in_the_working_directory_is_never_run(tmp_path):
    """The service's working directory may be anywhere the configuration points; a java.exe that
    another user puts there must not be taken for the one on the search path."""
    planted = runtime(tmp_path / "planted", "17.0.2")
    cwd = toml_text(windows_path(planted / "bin"))
    exe = pack(tmp_path / "app", '[application]\nmain_class = "x.Main"\n'
               f'working_directory = "{cwd}"\n[java]\nsearch = ["S"]\n')
    result = run(exe, "/find-java")
    out = result.stdout.replace("\r\n", "\n")
    assert result.code == 1, out
    assert "java.exe on the search path\n    nothing found there\n" in out, out
    assert version_runs(planted) == 0


def test_a_java_exe_on_an_absolute_path_entry_is_found(tmp_path):
    home = runtime(tmp_path / "on path", "17.0.2")
    exe = pack(tmp_path / "app", '[application]\nmain_class = "x.Main"\n[java]\nsearch = ["S"]\n')
    # A relative entry would be taken against the current directory: it is skipped, and so is
    # the current directory itself ("." here).
    path = f'.;bin;"{windows_path(home / "bin")}";C:\\windows\\system32'
    result = run(exe, "/find-java", env={"WINEPATH": path})
    out = result.stdout.replace("\r\n", "\n")
    assert result.code == 0, out
    assert f"Runtime to load: {java_exe(home).lower()} (version 17.0.2)" in out, out


def test_find_java_warns_of_runtime_directories_others_can_change(tmp_path):
    """Wine keeps a directory's permissions in its Unix mode: a directory every user may write
    to grants Everyone the right to add files."""
    home = runtime(tmp_path / "rt", "17.0.2")
    (home / "bin").chmod(0o777)
    exe = pack(tmp_path / "app", directory_project(home))
    result = run(exe, "/find-java")
    out = result.stdout.replace("\r\n", "\n")
    assert result.code == 0, out
    bin_dir = windows_path(home / "bin").lower()
    assert (f"    {bin_dir}\\java.exe, version 17.0.2: acceptable\n"
            f"      warning: {bin_dir} can be changed by users other than the administrators, "
            "who could then run their own code as this service\n") in out, out
    assert f"{windows_path(home).lower()} can be changed" not in out, out
    logged = run(exe, "/run", log=True).log
    assert f"] {windows_path(home / 'bin').lower()} can be changed by users other than the " \
           "administrators\r\n" in logged, logged


def test_find_java_sees_what_a_start_sees(tmp_path):
    """The runtime's jvm.dll imports a DLL that only the native library directories hold: the
    explaining command extracts the included files and sets up those directories as a start does,
    so both load the library; the files it extracted go again."""
    app = tmp_path / "app"
    home = runtime(app / "jre", "17.0.2")
    shutil.copy(FIXTURES / "depends" / "jvm.dll", home / "bin" / "server" / "jvm.dll")
    (app / "lib").mkdir()
    shutil.copy(FIXTURES / "depends" / "zvodep.dll", app / "lib" / "zvodep.dll")
    (app / "notes.txt").write_text("included")
    exe = pack(app, '[application]\nmain_class = "x.Main"\n[native]\nlibrary_dirs = ["lib"]\n'
               '[files]\ninclude = ["notes.txt"]\n[java]\nsearch = ["B.\\\\jre"]\n')
    explained = run(exe, "/find-java", log=True)
    out = explained.stdout.replace("\r\n", "\n")
    assert explained.code == 0, out
    assert f"{java_exe(home).lower()}, version 17.0.2: taken: its JVM library loads\n" in out, out
    [temp] = re.findall(r"\] Temp dir3: (.*)\r\n", explained.log)
    assert not unix_path(temp).exists()
    started = run(exe, "/run", log=True)
    assert "] Loading of JVM-DLL successful\r\n" in started.log


def test_find_java_fails_when_the_library_lacks_the_entry_point(tmp_path):
    """The library loads but lacks JNI_CreateJavaVM: a start would end with an error, and so does
    the explaining command."""
    home = runtime(tmp_path / "rt", "17.0.2", exports_entry=False)
    result = run(pack(tmp_path / "app", directory_project(home)), "/find-java")
    out = result.stdout.replace("\r\n", "\n")
    assert result.code == 1, out
    assert out.endswith("Its jvm.dll does not export JNI_CreateJavaVM: a start would end with an "
                        "error.\n"), out
