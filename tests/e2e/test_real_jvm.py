"""What only a real JVM shows: the launcher's run of real bytecode on the JVM of third_party/avian
(a runtime image in .\\jre without java.exe), with test applications of tests/e2e/apps."""
from pathlib import Path

import pytest

from harness import ROOT, pack, run
from realjvm import compile_jar, real_runtime

APPS = sorted((ROOT / "tests" / "e2e" / "apps" / "realjvm").glob("*.java"))


@pytest.fixture(scope="module")
def apps_jar(tmp_path_factory) -> Path:
    return compile_jar(APPS, tmp_path_factory.mktemp("apps") / "apps.jar")


def app(tmp_path: Path, apps_jar: Path, main_class: str, more: str = "", java: str = "") -> Path:
    """An executable beside its real runtime whose class path holds the test applications."""
    (tmp_path / "apps.jar").write_bytes(apps_jar.read_bytes())
    real_runtime(tmp_path / "jre")
    return pack(tmp_path, f"""
        classpath = [{{ archive = "apps.jar", required = true }}]
        [application]
        main_class = "{main_class}"
        {more}
        [java]
        search = [{{ type = "bundled", path = ".\\\\jre" }}]
        {java}
        """)


def printed(result) -> list[str]:
    """The lines the application printed. This JVM writes UTF-8 whatever the console's code page,
    through the C runtime's text-mode descriptors, which turn its "\\r\\n" into "\\r\\r\\n"."""
    text = result.stdout.encode("cp1252").decode("utf-8")
    return text.replace("\r\r\n", "\n").replace("\r\n", "\n").splitlines()


def test_main_receives_the_configured_and_the_given_arguments_in_order(tmp_path, apps_jar):
    exe = app(tmp_path, apps_jar, "realjvm.Args",
              'arguments = ["--port", "8080", "two words", "ä"]')
    result = run(exe, "/run", "third", "", "last one")
    assert result.code == 0, result.stdout + result.stderr
    assert printed(result) == [
        "arg --port", "arg 8080", "arg two words", "arg ä", "arg third", "arg ", "arg last one"]


def test_an_uncaught_exception_ends_the_run_with_exit_code_1_and_its_report(tmp_path, apps_jar):
    result = run(app(tmp_path, apps_jar, "realjvm.Throws"), "/run")
    assert result.code == 1
    # This JVM names classes with slashes in its traces: "java/lang/IllegalStateException".
    report = result.stderr.replace("/", ".")
    assert "java.lang.IllegalStateException: the configuration is broken" in report, report
    assert "realjvm.Throws.main" in report, report


def test_system_exit_from_another_thread_gives_the_run_its_code(tmp_path, apps_jar):
    result = run(app(tmp_path, apps_jar, "realjvm.ExitsFromAThread"), "/run", "7")
    assert result.code == 7, result.stdout + result.stderr


def test_included_files_are_extracted_and_their_classes_loaded(tmp_path, apps_jar):
    """The application's jar travels inside the executable; nothing lies beside it."""
    (tmp_path / "build").mkdir()
    (tmp_path / "build" / "apps.jar").write_bytes(apps_jar.read_bytes())
    real_runtime(tmp_path / "jre")
    exe = pack(tmp_path, """
        [application]
        main_class = "realjvm.Args"
        arguments = ["from inside"]
        [java]
        search = [{ type = "bundled", path = ".\\\\jre" }]
        [files]
        include = ["build/apps.jar"]
        """)
    (tmp_path / "build" / "apps.jar").unlink()
    result = run(exe, "/run")
    assert (result.code, printed(result)) == (0, ["arg from inside"]), result.stderr


@pytest.mark.parametrize("vm_options, printed_lines", [
    ('["-Xss64m"]', ["depth 100000"]),
    ("[]", None),  # the default stack is too small for it: the test shows that -Xss counts
])
def test_xss_sizes_the_stack_of_the_thread_that_runs_main(tmp_path, apps_jar, vm_options,
                                                         printed_lines):
    exe = app(tmp_path, apps_jar, "realjvm.DeepRecursion", "",
              java=f"vm_options = {vm_options}")
    result = run(exe, "/run", "100000", timeout=120)
    if printed_lines:
        assert (result.code, printed(result)) == (0, printed_lines), result.stderr
    else:
        assert result.code == 1 and "StackOverflowError" in result.stderr, result.stderr


def test_an_option_file_reaches_the_vm(tmp_path, apps_jar):
    """The .vmoptions file beside the executable. (@argument files are the runtime's jli.dll's to
    expand, and this JVM has none: the stand-in tests keep them.)"""
    exe = app(tmp_path, apps_jar, "realjvm.PrintsProperties", "",
              java="read_vmoptions_file = true")
    (tmp_path / "App.vmoptions").write_text("-Dfrom.file=option file\n-Xmx64m\n")
    result = run(exe, "/run", "from.file")
    assert (result.code, printed(result)) == (0, ["from.file=option file"]), result.stderr
