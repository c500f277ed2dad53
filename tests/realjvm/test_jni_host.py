"""The launcher's own JNI code (RunJvm, CallMain, the "@file" expansion, the launch thread's stack)
natively against Debian's real libjvm.so and libjli.so, with zarvo-runtime.jar and the probe
application: what the Windows launcher does with a runtime's jvm.dll and jli.dll."""
import os
import subprocess
import time
from pathlib import Path

from test_runtime import BUILD, PROBE_JAR, RUNTIME_JAR

HOST = os.environ.get("ZARVO_JNI_HOST", str(BUILD / "tests/realjvm/jni_host"))
JDK = Path(os.environ.get("ZARVO_JDK_HOME", "/usr/lib/jvm/java-17-openjdk-amd64"))
LIBJVM = str(JDK / "lib" / "server" / "libjvm.so")
LIBJLI = str(JDK / "lib" / "libjli.so")
CLASS_PATH = f"-Djava.class.path={RUNTIME_JAR}{os.pathsep}{PROBE_JAR}"
# The JVM takes SIGSEGV for its own null checks; the sanitizers of the test build must let it.
ENV = {**os.environ, "ASAN_OPTIONS": "handle_segv=0:allow_user_segv_handler=1:detect_leaks=0"}


def command(options, app_args, jli=False):
    launcher = ["false", "testapp.Probe", "", "", "false", "/opt/app/App.exe"]
    return [HOST, LIBJVM, *(["--jli", LIBJLI] if jli else []), CLASS_PATH, *options, "--",
            *launcher, *app_args]


def run(options, app_args, jli=False, **kw):
    return subprocess.run(command(options, app_args, jli), capture_output=True, text=True,
                          timeout=120, env=ENV, **kw)


def test_application_gets_arguments_properties_and_class_path():
    r = run(["-Dprobe.value=a b"], ["props", "probe.value", "zarvo.moduleName", "java.class.path"])
    assert r.returncode == 0, r.stderr
    assert r.stdout.splitlines() == ["prop:probe.value=a b", "prop:zarvo.moduleName=/opt/app/App.exe",
                                     f"prop:java.class.path={RUNTIME_JAR}{os.pathsep}{PROBE_JAR}"]
    assert "log: launch done" in r.stderr


def test_arguments_reach_main_in_order():
    r = run([], ["echo", "a", "b c", "-Jx"])
    assert r.returncode == 0, r.stderr
    assert [line for line in r.stdout.splitlines() if line.startswith("out:")] == [
        "out:a", "out:b c", "out:-Jx"]


def test_exception_in_main_is_reported_with_exit_code_1():
    r = run([], ["throw"])
    assert r.returncode == 1
    assert "log: ERROR: java.lang.IllegalStateException: probe failure" in r.stderr
    assert "log: ERROR: could not call main" in r.stderr
    assert "log: dest JVM" not in r.stderr


def test_non_daemon_thread_keeps_the_jvm_alive():
    started = time.monotonic()
    r = run([], ["thread", "1500"])
    assert r.returncode == 0, r.stderr
    assert r.stdout.splitlines()[-1] == "thread done"
    assert time.monotonic() - started >= 1.5
    assert r.stderr.index("log: main returned") < r.stderr.index("log: launch done")


def test_stop_line_ends_the_application_through_its_shutdown_hooks(tmp_path):
    marker = tmp_path / "hook"
    process = subprocess.Popen(command(["-Dzarvo.isService=true", "-Xrs"], ["wait", str(marker)]),
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=ENV)
    assert process.stdout.readline() == b"ready\n"
    process.stdin.write(b"0\n")
    process.stdin.flush()
    assert process.wait(timeout=60) == 0
    assert marker.read_text() == "hook"


def test_argument_file_is_expanded_by_the_real_libjli(tmp_path):
    options = tmp_path / "opts"
    options.write_text('-Dprobe.value="x y"\n-Xss2m\n--add-opens java.base/java.lang=ALL-UNNAMED\n')
    r = run([f"@{options}"], ["props", "probe.value"], jli=True)
    assert r.returncode == 0, r.stderr
    assert r.stdout.splitlines() == ["prop:probe.value=x y"]
    assert "log: vmoption 3: --add-opens=java.base/java.lang=ALL-UNNAMED" in r.stderr
