"""The service host under Wine's Service Control Manager: the child it starts with the start
arguments, the stop line the Java side reads, the states it reports, the priority of its child,
and a stop that comes before the child exists.

The Java side is the stand-in jvm.dll; its transcript shows main's arguments and the lines it
read from standard input.
"""
from __future__ import annotations

import itertools
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

import pytest

import services
from harness import WINE_RUN, pack, run, wine_env, windows_path
from runtimes import FIXTURES, runtime

PROJECT = """
[service]
name = "{name}"
[application]
main_class = "com.example.Main"
[java]
search = ["B.\\\\jre"]
vm_options = ["-Dzarvo.test.scenario={scenario}"]
"""

_names = itertools.count(1)


@dataclass
class Service:
    name: str
    exe: Path
    home: Path

    def transcript(self) -> list[str]:
        path = self.home / "bin" / "server" / "transcript.log"
        return path.read_text(encoding="utf-8").splitlines() if path.exists() else []

    def main_args(self) -> list[str]:
        return [line.split(" ", 2)[2] if line.count(" ") >= 2 else ""
                for line in self.transcript() if line.startswith("main-arg ")]

    def wait_for(self, predicate, timeout: float = 30) -> bool:
        """Waits until predicate(transcript lines) holds."""
        deadline = time.monotonic() + timeout
        while not predicate(self.transcript()):
            if time.monotonic() > deadline:
                return False
            time.sleep(0.1)
        return True


@pytest.fixture
def service(tmp_path):
    """Makes installed services of this executable; removes them after the test."""
    made = []

    def make(scenario: str, stem: str = "Zarvo Host ") -> Service:
        name = f"{stem}{next(_names)}"
        # Blanks in the name and in the executable's path: both must reach the child whole.
        app = tmp_path / f"app {len(made)}"
        home = runtime(app / "jre")
        exe = pack(app, PROJECT.format(name=name, scenario=scenario), name="My App")
        made.append(Service(name, exe, home))
        assert run(exe, "/install").code == 0
        return made[-1]

    yield make
    for s in made:
        services.remove(s.name)


def wait_gone(exe: Path, timeout: float = 30) -> list[str]:
    deadline = time.monotonic() + timeout
    while (left := services.processes_of(exe)) and time.monotonic() < deadline:
        time.sleep(0.2)
    return left


def test_start_arguments_reach_java_and_stop_delivers_the_stop_line(service, logs):
    s = service("wait-stop")
    started = run(s.exe, "/start", s.name, "a", "b c")
    assert (started.code, started.stdout) == (0, f"Starting service '{s.name}'.\r\n")
    # After the launcher's own arguments and the main class: the service name once, then the
    # start arguments.
    main_args = ["false", "com.example.Main", "", "", "false", s.name, "a", "b c"]
    assert s.wait_for(lambda _: len(s.main_args()) >= len(main_args)), s.transcript()
    assert s.main_args() == main_args
    # Only the service's JVM ignores console signals and knows it is a service.
    options = [line[len("option "):] for line in s.transcript() if line.startswith("option ")]
    assert "-Dzarvo.isService=true" in options and options.count("-Xrs") == 1
    assert "-Dkestrix.noRedir=true" not in options
    assert services.query(s.name).state == services.RUNNING
    assert run(s.exe, "/status").stdout == "Running.\r\n"

    stopped = run(s.exe, "/stop")
    assert (stopped.code, stopped.stdout) == (
        0, f"Stopping service '{s.name}'.\r\nService stopped\r\n")
    transcript = s.transcript()
    assert transcript[-3:] == ["stop-line 0", "main-returned", "destroy"], transcript
    assert s.main_args() == main_args
    status = services.query(s.name)
    assert (status.state, status.win32_exit_code) == (services.STOPPED, 0)
    assert wait_gone(s.exe) == []

    [child] = logs.children(s.name)
    # The child's whole command line: the executable as the service was started (quoted for its
    # blank), the service name, the start arguments and the restart marker.
    assert (f'] command line "{windows_path(s.exe)}" "{s.name}" a "b c" __ksx_restart\r\n'
            in child), child
    [host] = logs.wait_for(lambda: logs.hosts(s.name), lambda log: "] exiting\r\n" in log)
    for line in ["control handler request 1", "sending shutdown1 0", "shutdown sent",
                 "process terminated with exit code 0", "service stopped set"]:
        assert f"] {line}\r\n" in host, line
    # The stop pending report came first, then the line, then the stopped report.
    assert host.index("control handler request 1") < host.index("shutdown sent") < host.index(
        "service stopped set")


def test_restart_stops_the_child_and_starts_a_new_one(service, logs):
    s = service("wait-stop")
    assert run(s.exe, "/start").code == 0
    assert s.wait_for(lambda _: s.main_args()[-1:] == [s.name])
    result = run(s.exe, "/restart", s.name, "again")
    assert (result.code, result.stdout) == (
        0, f"Stopping service '{s.name}'.\r\nService stopped\r\nStarting service '{s.name}'.\r\n")
    assert s.wait_for(lambda _: s.main_args()[-2:] == [s.name, "again"]), s.transcript()
    assert s.transcript().count("stop-line 0") == 1
    assert services.query(s.name).state == services.RUNNING


@pytest.mark.parametrize("scenario, exit_code", [("return", 0), ("exit:3", 3)])
def test_a_child_that_ends_by_itself(service, logs, scenario, exit_code):
    s = service(scenario)
    assert run(s.exe, "/start").code == 0
    [host] = logs.wait_for(lambda: logs.hosts(s.name), lambda log: "] exiting\r\n" in log)
    assert f"] process terminated with exit code {exit_code}\r\n" in host
    assert wait_gone(s.exe) == []
    status = services.query(s.name)
    if exit_code == 0:
        assert "] service stopped set\r\n" in host
        assert (status.state, status.win32_exit_code) == (services.STOPPED, 0)
    else:
        # No report: the manager learns of the end only from the process, as an unexpected one.
        # Wine 8 keeps showing the last report (running); Windows shows stopped with 1067.
        assert "] service stopped set\r\n" not in host
        assert status.state == services.RUNNING or status.win32_exit_code == 1067


@pytest.mark.parametrize("value, want", [
    (["/t", "REG_DWORD", "/d", "16384"], "4000"),  # below normal
    (["/t", "REG_SZ", "/d", "16384"], "20"),  # not 4 bytes long: ignored
    (["/t", "REG_DWORD", "/d", "4"], "20"),  # not a class (it would start the child suspended)
])
def test_priority_value_sets_the_child_class(service, logs, value, want):
    s = service("wait-stop")
    services.wine("reg", "add", services.PRIORITY_KEY, "/v", s.name, *value, "/f")
    try:
        assert run(s.exe, "/start").code == 0
        assert s.wait_for(lambda lines: any(line.startswith("main-arg") for line in lines))
        # The service process and its child: the child is the one whose parent is listed too.
        probe = services.wine(str(FIXTURES / "process_probe.exe"), s.exe.name)
        rows = [line.split() for line in probe.stdout.splitlines()]
        [child] = [row for row in rows if row[1] in {r[0] for r in rows}]
        assert child[2] == want, probe.stdout
        assert run(s.exe, "/stop").stdout.endswith("Service stopped\r\n")
    finally:
        services.wine("reg", "delete", services.PRIORITY_KEY, "/v", s.name, "/f")


def test_a_stop_before_the_child_exists_is_held_and_the_child_never_starts(tmp_path, logs):
    # The slow host pauses a few seconds after its first running report, before it starts its
    # child; the stop request arrives in that pause.
    name = "Zarvo Early Stop"
    project = PROJECT.format(name=name, scenario="wait-stop")
    app = tmp_path / "slow"
    runtime(app / "jre")
    exe = pack(app, project, name="Slow", stub=FIXTURES / "slow_service_host.exe")
    launcher = pack(tmp_path / "launcher", project)  # the stop command's executable
    services.create(name, exe)
    try:
        assert services.wine("sc", "start", name).code == 0
        assert services.query(name).state == services.RUNNING
        stopped = run(launcher, "/stop", name)
        assert (stopped.code, stopped.stdout) == (
            0, f"Stopping service '{name}'.\r\nService stopped\r\n")
        status = services.query(name)
        assert (status.state, status.win32_exit_code) == (services.STOPPED, 0)
        [host] = logs.wait_for(lambda: logs.hosts(name), lambda log: "not starting it" in log)
        assert "] stop request held: the child does not exist yet\r\n" in host
        assert "] process terminated" not in host
        assert logs.children(name) == []
        assert wait_gone(exe) == []
    finally:
        services.remove(name)


def test_output_larger_than_a_pipe_holds_is_drained(service):
    """The Java side writes a megabyte before it reads its stop line: only a host that drains
    the output pipe lets it get that far and stop."""
    s = service("chatter:1048576")
    assert run(s.exe, "/start").code == 0
    assert s.wait_for(lambda lines: "wrote 1048576" in lines, timeout=60), s.transcript()
    stopped = run(s.exe, "/stop")
    assert stopped.stdout.endswith("Service stopped\r\n"), stopped.stdout
    assert s.transcript()[-3:] == ["stop-line 0", "main-returned", "destroy"]


def test_status_while_the_stop_is_pending(service):
    s = service("linger:8000")
    assert run(s.exe, "/start").code == 0
    assert s.wait_for(lambda _: s.main_args())
    # Wine's sc.exe sends the stop and returns; the Java side runs on after the stop line.
    assert services.wine("sc", "stop", s.name).code == 0
    assert s.wait_for(lambda lines: "lingering 8000" in lines), s.transcript()
    assert services.query(s.name).state == services.STOP_PENDING
    status = run(s.exe, "/status")
    assert (status.code, status.stdout) == (3, "Not running.\r\n")
    assert services.query(s.name).state == services.STOP_PENDING
    assert services.wait_for_state(s.name, services.STOPPED).state == services.STOPPED


def test_status_while_the_start_is_pending(tmp_path):
    """The slow host pauses before its service main begins: the manager shows the service start
    pending, and /status counts that as not running."""
    name = "Zarvo Slow Start"
    project = PROJECT.format(name=name, scenario="return")
    app = tmp_path / "slow"
    exe = pack(app, project, name="Slow", stub=FIXTURES / "slow_service_host.exe")
    (app / "pause.cfg").write_text("before-report\n")
    launcher = pack(tmp_path / "launcher", project)  # the status command's executable
    services.create(name, exe)
    # Wine's sc.exe waits for the service's first report: it runs beside the checks.
    starting = subprocess.Popen([str(WINE_RUN), "sc", "start", name], env=wine_env(),
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    try:
        pending = services.wait_for_state(name, services.START_PENDING, timeout=10)
        assert pending.state == services.START_PENDING
        status = run(launcher, "/status", name)
        assert (status.code, status.stdout) == (3, "Not running.\r\n")
        assert services.query(name).state == services.START_PENDING
    finally:
        starting.wait(timeout=60)
        services.remove(name)
