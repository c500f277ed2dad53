"""zarvo-runtime.jar on Debian's real JVM, called the way the native launcher calls it:
the five launcher arguments, the service name, then the application's arguments."""
import os
import subprocess
import time
import zipfile
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build" / "host"
# ctest passes the artefacts of its own build tree; a direct pytest run uses the host preset's.
JAVA = os.environ.get("ZARVO_JAVA", "/usr/lib/jvm/java-17-openjdk-amd64/bin/java")
RUNTIME_JAR = os.environ.get("ZARVO_RUNTIME_JAR", str(BUILD / "java" / "zarvo-runtime.jar"))
KESTRIX_RUNTIME_JAR = os.environ.get("ZARVO_KESTRIX_RUNTIME_JAR",
                                     str(BUILD / "java" / "ksxruntime.jar"))
PROBE_JAR = os.environ.get("ZARVO_PROBE_JAR", str(BUILD / "tests/realjvm/probe.jar"))
PROBE_MODULE_JAR = os.environ.get("ZARVO_PROBE_MODULE_JAR",
                                  str(BUILD / "tests/realjvm/probe-module.jar"))

ZARVO = "com.zarvo.runtime.WinLauncher"
KESTRIX = "com.kestrix.runtime.launcher.WinLauncher"
# Each flavour's runtime archive and the module name the launcher gives it in module mode.
FLAVOUR_RUNTIME = {ZARVO: (RUNTIME_JAR, "com.zarvo.runtime"),
                   KESTRIX: (KESTRIX_RUNTIME_JAR, "com.kestrix.runtime")}


def command(main, app_args, *, err="", out="", append=False, service=False, module=False,
            launcher=ZARVO):
    """The java command line that matches what the launcher sets up for one configuration."""
    jvm = ["-Xrs", "-Dzarvo.isService=true"] if service else []
    runtime_jar, runtime_module = FLAVOUR_RUNTIME[launcher]
    if module:
        # The options the launcher adds in module mode: the runtime jar on the module path, the
        # main module added and its package opened to the runtime module.
        jvm += [f"--module-path={runtime_jar}{os.pathsep}{PROBE_MODULE_JAR}",
                f"--add-opens=test.probe/testapp={runtime_module}",
                f"--add-modules=test.probe,{runtime_module}"]
    else:
        jvm += ["-cp", f"{runtime_jar}{os.pathsep}{PROBE_JAR}"]
    return [JAVA, *jvm, launcher, "false", main, err, out, "true" if append else "false",
            "ZarvoSvc", *app_args]


def run(main, app_args, stdin=b"", **kw):
    return subprocess.run(command(main, app_args, **kw), input=stdin, capture_output=True,
                          timeout=60)


def lines(data):
    return data.decode().splitlines()


@pytest.mark.parametrize("launcher", [ZARVO, KESTRIX])
def test_application_gets_its_arguments_in_order_and_the_console_streams(launcher):
    args = ["a", "b c", "", "-Jx", "ZarvoSvc"]
    r = run("testapp.Probe", ["echo", *args], launcher=launcher)
    assert r.returncode == 0, r.stderr
    assert lines(r.stdout) == [f"out:{a}" for a in args] + ["module:unnamed"]
    assert lines(r.stderr) == [f"err:{a}" for a in args]


@pytest.mark.parametrize("launcher", [ZARVO, KESTRIX])
def test_module_mode_loads_the_class_from_its_module(launcher):
    r = run("/test.probe/testapp.Probe", ["echo", "x"], module=True, launcher=launcher)
    assert r.returncode == 0, r.stderr
    assert lines(r.stdout) == ["out:x", "module:test.probe"]


PROBE_OUT = ["out:x", "module:unnamed"]
# error log, output log, append flag, and the lines each file holds afterwards. Every flat-named
# file exists beforehand with the line "old".
REDIRECTS = {
    "new directory": ("logs/err.log", "logs/out.log", False,
                      {"logs/err.log": ["err:x"], "logs/out.log": PROBE_OUT}),
    "files start afresh": ("err.log", "out.log", False,
                           {"err.log": ["err:x"], "out.log": PROBE_OUT}),
    "files appended to": ("err.log", "out.log", True,
                          {"err.log": ["old", "err:x"], "out.log": ["old", *PROBE_OUT]}),
    "one file for both": ("both.log", "both.log", False, {"both.log": ["err:x", *PROBE_OUT]}),
    "unresolved variable": ("$LOGDIR/err.log", "out.log", False, {"out.log": PROBE_OUT}),
    # Redirection on without a file name: the launcher passes the executable's directory.
    "directories": ("", ".", False, {"error.log": ["err:x"], "output.log": PROBE_OUT}),
}


@pytest.mark.parametrize("err,out,append,want", REDIRECTS.values(), ids=REDIRECTS.keys())
def test_redirection_to_log_files(tmp_path, err, out, append, want):
    for name in ("err.log", "out.log", "both.log"):
        (tmp_path / name).write_text("old\n")
    def path(name):
        return name if name.startswith("$") else f"{tmp_path}/{name}"

    r = subprocess.run(command("testapp.Probe", ["echo", "x"], err=path(err), out=path(out),
                               append=append), capture_output=True, timeout=60, cwd=tmp_path)
    assert r.returncode == 0, r.stderr
    for name, content in want.items():
        # Both streams in one file interleave in no fixed order.
        assert sorted(lines((tmp_path / name).read_bytes())) == sorted(content), name
    assert r.stdout == b""
    if err.startswith("$"):
        # No file literally named "$LOGDIR": stderr stays on the console and says why.
        assert "err:x" in lines(r.stderr) and "unresolved variable" in r.stderr.decode()
        assert not any(p.name.startswith("$") for p in tmp_path.iterdir())
    else:
        assert r.stderr == b""


FAILURES = {
    "missing class": ("com.example.Missing", False, "main class com.example.Missing not found"),
    "no main method": ("java.lang.Object", False,
                       "java.lang.Object has no public static void main"),
    "missing module": ("/no.such.mod/testapp.Probe", True, "module no.such.mod of main class"),
    "class not in module": ("/test.probe/testapp.Missing", True,
                            "testapp.Missing not found in module test.probe"),
    "no main class": ("", False, "no main class is configured"),
    "application throws": ("testapp.Probe", False,
                           "java.lang.IllegalStateException: probe failure"),
}


@pytest.mark.parametrize("main,module,message", FAILURES.values(), ids=FAILURES.keys())
def test_failures_end_with_a_clear_message(main, module, message):
    r = run(main, ["throw"], module=module)
    assert r.returncode != 0
    assert message in r.stderr.decode()


@pytest.mark.parametrize("main,needle", [
    ("testapp.Probe", "java.lang.IllegalStateException: probe failure"),
    ("com.example.Missing", "main class com.example.Missing not found"),
])
def test_an_exception_that_ends_main_reaches_the_error_log_and_the_console_once(
        tmp_path, main, needle):
    r = run(main, ["throw"], err=f"{tmp_path}/err.log", out=f"{tmp_path}/out.log")
    assert r.returncode != 0
    log = (tmp_path / "err.log").read_text()
    assert log.startswith('Exception in thread "main" ') and log.count(needle) == 1, log
    assert "\tat " in log  # the stack trace
    # The JVM's own report of the uncaught exception goes to the process's standard error.
    assert r.stderr.decode().count(needle) == 1, r.stderr


def test_without_service_mode_standard_input_belongs_to_the_application():
    r = run("testapp.Probe", ["stdin"], stdin=b"0\n")
    assert r.returncode == 0, r.stderr
    assert lines(r.stdout) == ["stdin:0"]


# Each step: bytes to write, or None to close standard input; the process must still run
# after every step but the last.
STOPS = {
    "stop line": [b"0\n"],
    "stop line with CRLF": [b"0\r\n"],
    "end of input": [None],
    "unknown line, then stop": [b"status\n", b"0\n"],
}


@pytest.mark.parametrize("steps", STOPS.values(), ids=STOPS.keys())
def test_service_stops_through_shutdown_hooks_with_exit_code_0(tmp_path, steps):
    marker = tmp_path / "hook"
    with subprocess.Popen(command("testapp.Probe", ["wait", str(marker)], service=True),
                          stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE) as p:
        try:
            assert p.stdout.readline() == b"ready\n"
            for step in steps[:-1]:
                p.stdin.write(step)
                p.stdin.flush()
                time.sleep(1)
                assert p.poll() is None, "an unknown line must not stop the application"
            if steps[-1] is None:
                p.stdin.close()
            else:
                p.stdin.write(steps[-1])
                p.stdin.flush()
            assert p.wait(timeout=30) == 0, p.stderr.read()
        finally:
            p.kill()  # only when the stop failed: the test must not leave a JVM behind
    assert marker.read_text() == "hook"


# The native launcher finds these members by name and JNI signature.
JNI_MEMBERS = [
    ("com.zarvo.runtime.WinLauncher", "main", "([Ljava/lang/String;)V"),
    ("com.kestrix.runtime.launcher.WinLauncher", "main", "([Ljava/lang/String;)V"),
    ("com.zarvo.runtime.WinLauncher", "initAwtSplashConfig",
     "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V"),
    ("com.kestrix.runtime.installer.platform.win32.Common", "initFromLauncher", "(Z)V"),
]


def test_jar_offers_the_jni_members_as_java_8_classes():
    for path in (RUNTIME_JAR, KESTRIX_RUNTIME_JAR):
        with zipfile.ZipFile(path) as jar:
            classes = [n for n in jar.namelist() if n.endswith(".class")]
            # Bytes 6-7 of a class file: the major version, 52 for Java 8.
            assert {n: jar.read(n)[6:8] for n in classes} == {n: b"\x00\x34" for n in classes}
    javap = Path(JAVA).resolve().parent / "javap"
    for cls, name, signature in JNI_MEMBERS:
        out = subprocess.run([str(javap), "-s", "-public", "-cp", RUNTIME_JAR, cls],
                             capture_output=True, text=True, check=True).stdout
        declared = out.split(f" {name}(", 1)
        assert len(declared) == 2 and "public static void" in declared[0].splitlines()[-1], cls
        assert f"descriptor: {signature}" in declared[1].splitlines()[1], (cls, name)
