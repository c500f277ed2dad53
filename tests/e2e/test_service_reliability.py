"""The service host over many starts and stops, and many services side by side: every stop ends
stopped, no process stays behind, and the service process closes every handle it opened."""
from __future__ import annotations

import re
import time

import pytest

import services
from harness import pack, run
from runtimes import runtime

PROJECT = """
[service]
name = "{name}"
[application]
main_class = "com.example.Main"
[java]
search = ["B.\\\\jre"]
vm_options = ["-Dzarvo.test.scenario=wait-stop"]
"""

CYCLES = 50
SIDE_BY_SIDE = 10


@pytest.fixture
def installed():
    """Names of services to remove after the test."""
    names = []
    yield names
    for name in names:
        services.remove(name)


def app(tmp_path, name):
    """A packed wait-stop service executable and the transcript of its Java side."""
    directory = tmp_path / "app"
    home = runtime(directory / "jre")
    return pack(directory, PROJECT.format(name=name)), home / "bin" / "server" / "transcript.log"


def wait_gone(exe, timeout=30):
    deadline = time.monotonic() + timeout
    while (left := services.processes_of(exe)) and time.monotonic() < deadline:
        time.sleep(0.2)
    return left


def handle_counts(log: str) -> tuple[int, int]:
    start = re.search(r"\] handle count at service start (\d+)\r\n", log)
    end = re.search(r"\] handle count at exit (\d+)\r\n", log)
    assert start and end, log
    return int(start.group(1)), int(end.group(1))


def test_start_stop_cycles(tmp_path, installed, logs):
    name = "ZarvoCycles"
    exe, transcript = app(tmp_path, name)
    installed.append(name)
    assert run(exe, "/install").code == 0
    for cycle in range(CYCLES):
        started = run(exe, "/start")
        assert (cycle, started.stdout) == (cycle, f"Starting service '{name}'.\r\n")
        stopped = run(exe, "/stop")
        assert (cycle, stopped.stdout) == (
            cycle, f"Stopping service '{name}'.\r\nService stopped\r\n")
        assert (cycle, services.query(name).state) == (cycle, services.STOPPED)
    assert wait_gone(exe) == []

    # Every child read its stop line: some got it before their main ran, from the pipe.
    assert transcript.read_text().splitlines().count("stop-line 0") == CYCLES
    hosts = logs.wait_for(lambda: logs.hosts(name), lambda log: "] exiting\r\n" in log)
    assert len(hosts) == CYCLES
    counts = [handle_counts(log) for log in hosts]
    # Each service process ends with the handles it began with, and every cycle alike.
    assert all(start == end for start, end in counts), counts
    assert len(set(counts)) == 1, counts


def test_ten_services_from_one_executable(tmp_path, installed, logs):
    names = [f"ZarvoSide{i}" for i in range(SIDE_BY_SIDE)]
    exe, transcript = app(tmp_path, names[0])
    for name in names:
        # The argument after the command names the service: one executable, ten entries.
        installed.append(name)
        assert run(exe, "/install", name).stdout == f"Installed service '{name}'.\r\n"
    for name in names:
        assert run(exe, "/start", name).code == 0
    for name in names:
        assert services.query(name).state == services.RUNNING, name
    # Each child runs the application under its own service's name.
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        lines = transcript.read_text().splitlines() if transcript.exists() else []
        if all(any(re.fullmatch(rf"main-arg \d+ {n}", line) for line in lines) for n in names):
            break
        time.sleep(0.2)
    else:
        pytest.fail(f"not every service reached main: {lines}")
    assert len(services.processes_of(exe)) == 2 * SIDE_BY_SIDE

    for name in names:
        assert run(exe, "/stop", name).stdout.endswith("Service stopped\r\n"), name
        assert services.query(name).state == services.STOPPED, name
    assert wait_gone(exe) == []
    assert transcript.read_text().splitlines().count("stop-line 0") == SIDE_BY_SIDE
