"""Services in Wine's Service Control Manager for the end-to-end tests: installing, querying them
with Wine's own sc.exe and reg.exe, and finding the logs of service processes.

Wine's sc.exe answers "query" but has no "qc": a service's configuration is read from its
registry key, where the manager keeps it.

Service processes do not inherit the environment of the program that starts them: the manager
builds one from the registry when it starts its first service and keeps it for its lifetime
(`enable_service_logging`). Service processes and their children write their logs to the same
Temp directory as every other run, so logs are told apart by their content, never by order.
"""
from __future__ import annotations

import contextlib
import re
import time
from dataclasses import dataclass
from pathlib import Path

from harness import (end_wine_session, note, run, start_wine_session, wine_temp_dir,
                     windows_path)

ENVIRONMENT_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment"
SERVICES_KEY = r"HKLM\System\CurrentControlSet\Services"
PRIORITY_KEY = r"HKLM\SOFTWARE\halvorn\zarvo\priority"

STOPPED, START_PENDING, STOP_PENDING, RUNNING = 1, 2, 3, 4


def wine(*args: str, timeout: float = 120):
    """A Windows program of Wine's own (sc, reg) or a path, run as the harness runs programs."""
    return run(Path(args[0]) if "/" in args[0] else args[0], *args[1:], timeout=timeout)


@dataclass
class Status:
    state: int
    win32_exit_code: int
    service_exit_code: int
    check_point: int
    wait_hint: int


def query(name: str) -> Status | None:
    """The service's status as Wine's sc.exe reports it; None when there is no such service.

    Wine's sc.exe now and then fails the query of an existing service (seen right after a stop),
    printing nothing, as it does for a missing one: a failed query is asked again."""
    for _ in range(3):
        result = wine("sc", "query", name)
        fields = dict(re.findall(r"^\s+(\w+)\s+: (\S+)", result.stdout, re.M))
        if result.code == 0 and "STATE" in fields:
            note(f"state of {name}: {fields['STATE']} (exit codes {fields['WIN32_EXIT_CODE']}, "
                 f"{fields['SERVICE_EXIT_CODE']})")
            return Status(int(fields["STATE"]), int(fields["WIN32_EXIT_CODE"]),
                          int(fields["SERVICE_EXIT_CODE"]), int(fields["CHECKPOINT"], 16),
                          int(fields["WAIT_HINT"], 16))
        time.sleep(0.2)
    note(f"state of {name}: no answer from sc query")
    return None


def wait_for_state(name: str, state: int, timeout: float = 30) -> Status | None:
    deadline = time.monotonic() + timeout
    while True:
        status = query(name)
        if (status and status.state == state) or time.monotonic() > deadline:
            return status
        time.sleep(0.2)


def config(name: str) -> dict[str, str] | None:
    """The values of the service's registry key (name -> text as reg.exe prints it)."""
    result = wine("reg", "query", rf"{SERVICES_KEY}\{name}")
    if result.code != 0:
        return None
    return dict(re.findall(r"^ {4}(\S+) {4}REG_\w+ {4}(.*?)\r?$", result.stdout, re.M))


def remove(name: str) -> None:
    """Stops and deletes the service if it exists. Wine 8 keeps reporting a service whose process
    ended without a last report as running and refuses to stop it; it deletes it all the same."""
    status = query(name)
    if status is None:
        return
    if status.state != STOPPED and wine("sc", "stop", name).code == 0:
        wait_for_state(name, STOPPED, timeout=60)
    wine("sc", "delete", name)


def create(name: str, exe: Path) -> None:
    """Registers `exe` as an on-demand own-process service with Wine's sc.exe."""
    result = wine("sc", "create", name, "binPath=", f'"{windows_path(exe)}"')
    assert result.code == 0, result.stdout + result.stderr


_service_logging = False


def enable_service_logging(bare_service: Path) -> None:
    """Makes every service process of the session log: Wine is restarted with ZARVO_LOG=yes in the
    registry's system environment, a service start makes the manager build its environment block
    from it, and the variable leaves the registry again, so that programs started from the shell
    afterwards do not log unless a test asks for it. Once per session."""
    global _service_logging
    if _service_logging:
        return
    # Log files are numbered up to 1000, and from then on every run writes the last number:
    # start from an empty directory, and let each test remove what it caused (`Logs.remove`).
    for old in wine_temp_dir().glob("ksx_nlog_*.log"):
        old.unlink()
    wine("reg", "add", ENVIRONMENT_KEY, "/v", "ZARVO_LOG", "/d", "yes", "/f")
    try:
        end_wine_session()
        start_wine_session()
        probe = "ZarvoLoggingProbe"
        remove(probe)
        create(probe, bare_service)
        wine("sc", "start", probe)
        remove(probe)
    finally:
        wine("reg", "delete", ENVIRONMENT_KEY, "/v", "ZARVO_LOG", "/f")
    _service_logging = True


@contextlib.contextmanager
def session_messages(path: Path, channels: str):
    """Restarts Wine so that its service manager and the services it starts write the messages of
    Wine's debug `channels` (a WINEDEBUG value) to `path`, and restarts it as before afterwards.
    Service logging does not outlive a restart: a later test switches it on again."""
    global _service_logging
    end_wine_session()
    start_wine_session({"WINEDEBUG": channels}, stderr=path)
    try:
        yield path
    finally:
        end_wine_session()
        start_wine_session()
        _service_logging = False


class Logs:
    """The diagnostic logs written since it was made."""

    def __init__(self):
        self.temp = wine_temp_dir()
        self.before = set(self.temp.glob("ksx_nlog_*.log"))

    def new(self) -> list[Path]:
        return sorted(set(self.temp.glob("ksx_nlog_*.log")) - self.before,
                      key=lambda p: int(p.stem.rsplit("_", 1)[1]))

    def all(self) -> list[str]:
        return [p.read_bytes().decode("utf-8-sig", errors="replace") for p in self.new()]

    def remove(self) -> None:
        for path in self.new():
            path.unlink(missing_ok=True)

    def hosts(self, name: str) -> list[str]:
        """Logs of service processes that ran the service `name`."""
        return [log for log in self.all()
                if "] service main\r\n" in log and f"] service name is '{name}'\r\n" in log]

    def children(self, name: str) -> list[str]:
        """Logs of child copies started for the service `name`."""
        return [log for log in self.all()
                if re.search(rf"\] command line .* \"?{re.escape(name)}\"? .*__ksx_restart\r\n",
                             log)]

    def wait_for(self, what, predicate, timeout: float = 30) -> list[str]:
        deadline = time.monotonic() + timeout
        while True:
            found = [log for log in what() if predicate(log)]
            if found or time.monotonic() > deadline:
                return found
            time.sleep(0.2)


def processes_of(exe: Path) -> list[str]:
    """Linux processes running `exe` under Wine (their command lines), seen from outside Wine."""
    target = windows_path(exe).lower()
    found = []
    for cmdline in Path("/proc").glob("[0-9]*/cmdline"):
        try:
            text = cmdline.read_bytes().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if target in text.lower():
            found.append(text.strip())
    return found
