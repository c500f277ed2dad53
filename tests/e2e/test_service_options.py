"""The service settings of [service] beyond name, start type, dependencies and description,
under Wine's Service Control Manager: what /install sets, the pre-shutdown control, and the event
log entry for a child that fails on its own.

Wine 8 keeps the display name, the account and the pre-shutdown timeout in the service's registry
key. It accepts failure actions without keeping them, and refuses delayed automatic start and the
failure-actions flag (ERROR_INVALID_LEVEL): there the tests show the install failing cleanly.
Wine's event log keeps no entries; its ReportEventW writes the text of an error entry to the err
channel of the reporting process, which the tests read from the session's messages.
"""
from __future__ import annotations

import itertools
import time
from pathlib import Path

import pytest

import services
from harness import message, pack, run, windows_path
from runtimes import FIXTURES, runtime

PROJECT = """
[service]
name = "{name}"
{service}
[application]
main_class = "com.example.Main"
[java]
search = ["B.\\\\jre"]
vm_options = ["-Dzarvo.test.scenario=wait-stop"]
"""

_names = itertools.count(1)


def new_name() -> str:
    return f"ZarvoOptions{next(_names)}"


@pytest.fixture
def installed():
    """Names of services a test installed; removed afterwards."""
    names: list[str] = []
    yield names
    for name in names:
        services.remove(name)


@pytest.mark.parametrize("account, object_name", [
    (None, "LocalSystem"),
    ("LocalService", r"NT AUTHORITY\LocalService"),
    ("NetworkService", r"NT AUTHORITY\NetworkService"),
    ("virtual", r"NT SERVICE\{name}"),
])
def test_install_options_reach_the_service_configuration(tmp_path, installed, account,
                                                         object_name):
    name = new_name()
    settings = [f'display_name = "Options Test {name}"', "preshutdown_timeout_seconds = 120",
                "restart_delay_seconds = 30", "restart_limit = 2"]
    if account:
        settings.append(f'account = "{account}"')
    exe = pack(tmp_path, PROJECT.format(name=name, service="\n".join(settings)))
    installed.append(name)
    result = run(exe, "/install")
    assert (result.code, result.stdout) == (0, f"Installed service '{name}'.\r\n")
    config = services.config(name)
    assert config["DisplayName"] == f"Options Test {name}"
    assert config["ObjectName"] == object_name.format(name=name)
    assert int(config["PreshutdownTimeout"], 16) == 120000
    # The status command reads what it always read.
    status = run(exe, "/status")
    assert (status.code, status.stdout) == (3, "Not running.\r\n")


def test_without_the_options_the_service_is_installed_as_before(tmp_path, installed):
    name = new_name()
    exe = pack(tmp_path, PROJECT.format(name=name, service=""))
    installed.append(name)
    assert run(exe, "/install").code == 0
    config = services.config(name)
    assert (config["DisplayName"], config["ObjectName"]) == (name, "LocalSystem")
    assert "PreshutdownTimeout" not in config or int(config["PreshutdownTimeout"], 16) != 120000


def test_failure_actions_reach_the_service_manager(tmp_path, installed):
    """Wine's manager keeps no failure actions; it names the call and its reset period in a
    message of its service channel."""
    name = new_name()
    exe = pack(tmp_path, PROJECT.format(name=name, service="restart_delay_seconds = 30\n"
                                                          "failure_reset_seconds = 3600"))
    installed.append(name)
    with services.session_messages(tmp_path / "session.err", "-all,fixme+service") as messages:
        assert run(exe, "/install").code == 0
        text = messages.read_bytes().decode("utf-8", errors="replace")
    assert "SERVICE_CONFIG_FAILURE_ACTIONS not implemented: period 3600 " in text, text


@pytest.mark.parametrize("settings, refused", [
    ("auto_start = true\ndelayed_auto_start = true", "delayed automatic start"),
    ("restart_delay_seconds = 5\nrestart_on_error_stop = true",
     "failure actions on an error stop"),
])
def test_a_refused_setting_fails_the_install_and_keeps_the_service_without_it(tmp_path, installed,
                                                                             settings, refused):
    """A reinstall over a working entry must not leave the administrator without a service: the
    new entry stays, without the setting the system refused, and the install fails loudly."""
    name = new_name()
    installed.append(name)
    assert run(pack(tmp_path / "working", PROJECT.format(name=name, service="")),
               "/install").code == 0
    exe = pack(tmp_path, PROJECT.format(name=name, service=settings))
    result = run(exe, "/install")
    # Wine refuses these two settings with ERROR_INVALID_LEVEL (124).
    assert (result.code, result.stdout) == (
        1, f"Service is already stopped.\r\nCould not configure service: {refused} (error 124)."
           f"\r\nService '{name}' is installed without it; run /install again once the system "
           "accepts the setting, or configure the service without it.\r\n")
    assert services.query(name).state == services.STOPPED
    assert services.config(name)["ImagePath"] == f'"{windows_path(exe)}"'


def transcript(home: Path) -> list[str]:
    path = home / "bin" / "server" / "transcript.log"
    return path.read_text(encoding="utf-8").splitlines() if path.exists() else []


def wait_until(predicate, timeout: float = 30) -> bool:
    deadline = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


@pytest.mark.parametrize("setting, accepted", [
    ("", "0x5"),                                      # stop and shutdown
    ("preshutdown_timeout_seconds = 60", "0x105"),   # and pre-shutdown
])
def test_the_host_accepts_pre_shutdown_only_when_configured(tmp_path, installed, setting,
                                                            accepted):
    name = new_name()
    runtime(tmp_path / "jre")
    exe = pack(tmp_path, PROJECT.format(name=name, service=setting))
    installed.append(name)
    assert run(exe, "/install").code == 0
    assert run(exe, "/start").code == 0
    assert services.wait_for_state(name, services.RUNNING).state == services.RUNNING
    probe = run(FIXTURES / "service_probe.exe", name, prints=True)
    assert probe.stdout.strip() == f"accepted={accepted}", probe.stdout + probe.stderr


def test_preshutdown_ends_the_application_through_its_stop_line(tmp_path):
    name = new_name()
    home = runtime(tmp_path / "jre")
    exe = pack(tmp_path, PROJECT.format(name=name, service="preshutdown_timeout_seconds = 60"),
               stub=FIXTURES / "preshutdown_host.exe")
    services.create(name, exe)
    try:
        assert services.wine("sc", "start", name).code == 0
        assert wait_until(lambda: any(line.startswith("main-arg") for line in transcript(home)))
        (tmp_path / "preshutdown.now").write_text("")
        assert wait_until(lambda: transcript(home)[-1:] == ["destroy"]), transcript(home)
        assert transcript(home)[-3:] == ["stop-line 0", "main-returned", "destroy"]
        status = services.wait_for_state(name, services.STOPPED)
        assert (status.state, status.win32_exit_code) == (services.STOPPED, 0)
    finally:
        services.remove(name)


def test_a_child_failure_goes_to_the_event_log(tmp_path):
    """No Java runtime: the child shows the launcher's message on its standard error and ends
    with exit code 1; every service writes an event log entry unless it switched that off (zpack
    turns it on by default), which names the file the application's standard error was
    redirected to. A child that cannot even be started (a start argument with both quote
    characters) gets an entry too."""
    reporting, silent, unstartable = new_name(), new_name(), new_name()
    exes = {}
    for name, setting in [(reporting, '[log]\nstderr = "logs\\\\app.log"'),
                          (silent, "event_log_on_failure = false"), (unstartable, "")]:
        exes[name] = pack(tmp_path / name, PROJECT.format(name=name, service=setting))
    with services.session_messages(tmp_path / "session.err", "-all,err+eventlog") as messages:
        try:
            for name, exe in exes.items():
                assert run(exe, "/install").code == 0
                if name == unstartable:
                    services.wine("sc", "start", name, "a\"b'c")
                else:
                    assert run(exe, "/start").code == 0
                assert wait_until(lambda: not services.processes_of(exe)), name
            text = messages.read_bytes().decode("utf-8", errors="replace")
        finally:
            for name in exes:
                services.remove(name)
    # Wine writes the entry's text as one C-style quoted string; the child's lines end in CR LF.
    failed, not_started = [line for line in text.splitlines()
                           if ":err:eventlog:ReportEventW " in line]
    first_line = message(exes[reporting], 1016, "64").split("\n")[0]
    error_log = windows_path(tmp_path / reporting / "logs" / "app.log").replace("\\", "\\\\")
    assert ('L"The application ended with exit code 1.\\n\\nIts standard error goes to '
            f'{error_log}.\\n\\nIts last output:\\n{first_line}\\r\\n') in failed, failed
    assert ("The service could not start the application's process: the start argument "
            "a\\\"b'c holds both quote characters") in not_started, not_started
