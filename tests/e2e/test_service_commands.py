"""The service commands against Wine's Service Control Manager: what they print, their exit codes,
and what the manager holds afterwards (read back with Wine's sc.exe and reg.exe).

bare_service.exe (tests/fixtures) stands in wherever a command needs a service that runs: every
command takes the service name as its argument, so the same executable manages it.
"""
import itertools
import subprocess

import pytest

import services
from harness import pack, run, windows_path
from runtimes import FIXTURES

PROJECT = """
[service]
name = "{name}"
{service}
[application]
main_class = "x.Main"
{extra}
"""

_names = itertools.count(1)


@pytest.fixture
def service_name():
    """A fresh service name; the service is removed after the test."""
    names = []

    def make(stem="ZarvoCmd"):
        names.append(f"{stem}{next(_names)}")
        return names[-1]

    yield make
    for name in names:
        services.remove(name)


def app(directory, name, service="", extra=""):
    # A blank in the path: the registered path must be quoted.
    return pack(directory / "with blank", PROJECT.format(name=name, service=service, extra=extra),
                name="My App")


@pytest.fixture
def bare(tmp_path, service_name):
    """An installed, stopped bare service packed like a launcher (so that /install may replace it,
    as it replaces an earlier version of an application); its name."""
    name = service_name("ZarvoBare")
    exe = pack(tmp_path / "bare", PROJECT.format(name=name, service="", extra=""), name="Bare",
               stub=FIXTURES / "bare_service.exe")
    services.create(name, exe)
    return name


@pytest.mark.parametrize("command, auto_start, start_type", [
    ("/install", False, "0x3"),
    ("/install", True, "0x2"),
    ("/install-auto", False, "0x2"),
    ("/install-demand", True, "0x3"),
])
def test_install_registers_the_quoted_path_and_start_type(tmp_path, service_name, command,
                                                          auto_start, start_type):
    name = service_name()
    exe = app(tmp_path, name, "auto_start = true" if auto_start else "")
    result = run(exe, command)
    assert (result.code, result.stdout) == (0, f"Installed service '{name}'.\r\n")

    values = services.config(name)
    assert values["ImagePath"] == f'"{windows_path(exe)}"'
    assert values["Start"] == start_type
    assert (values["Type"], values["ErrorControl"]) == ("0x10", "0x1")
    assert (values["DisplayName"], values["ObjectName"]) == (name, "LocalSystem")
    assert "DependOnService" not in values and "Description" not in values

    status = run(exe, "/status")
    auto = "Auto-start.\r\n" if start_type == "0x2" else ""
    assert (status.code, status.stdout) == (3, "Not running.\r\n" + auto)
    assert services.query(name).state == services.STOPPED


@pytest.mark.parametrize("setting, dependencies", [
    ('[keys]\n149 = "Tcpip,,Dnscache,"', r"Tcpip\0Dnscache"),
    ('[keys]\n149 = "Tcpip, Dnscache"', r"Tcpip\0 Dnscache"),  # the blank is part of the name
    ('[keys]\n149 = ",,"', None),
])
def test_dependencies(tmp_path, service_name, setting, dependencies):
    name = service_name()
    exe = app(tmp_path, name, extra=setting)
    assert run(exe, "/install").code == 0
    assert services.config(name).get("DependOnService") == dependencies


def test_description_is_message_20017(tmp_path, service_name):
    name = service_name()
    exe = app(tmp_path, name, 'description = "Keeps the lights on."')
    assert run(exe, "/install").code == 0
    assert services.config(name)["Description"] == "Keeps the lights on."
    # The description function is looked up when it is needed, not imported: an executable
    # that imported it would not start at all on a system without it.
    imports = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(exe)], capture_output=True,
                             text=True, check=True).stdout
    assert "KERNEL32.dll" in imports and "ChangeServiceConfig2" not in imports


def test_commands_on_a_service_that_does_not_exist(tmp_path, service_name):
    exe = app(tmp_path, service_name())
    why = "Error 1060: Service does not exist.\r\n"  # the system's words (Wine's here)
    cases = [
        ("/status", 1, "Could not get status.\r\n" + why),
        ("/stop", 1, "Could not stop service.\r\n" + why),
        ("/start", 1, "Could not start service. Error code: 1060\r\n"),
        ("/uninstall", 1, "Could not delete service.\r\n" + why),
    ]
    for command, code, text in cases:
        result = run(exe, command)
        assert (command, result.code, result.stdout) == (command, code, text)


def test_start_stop_restart_texts(tmp_path, service_name, bare):
    exe = app(tmp_path, service_name())
    steps = [
        ("/stop", 0, "Service is already stopped.\r\n", services.STOPPED),
        ("/start", 0, f"Starting service '{bare}'.\r\n", services.RUNNING),
        ("/status", 0, "Running.\r\n", services.RUNNING),
        ("-start", 0, "Service is already running.\r\n", services.RUNNING),
        ("--stop", 0, f"Stopping service '{bare}'.\r\nService stopped\r\n", services.STOPPED),
        ("/restart", 0, f"Service is already stopped.\r\nStarting service '{bare}'.\r\n",
         services.RUNNING),
        # The restart of a running service is in test_service_host: Wine 8 may lose a start that
        # follows the bare service's stop within milliseconds, while its process still ends.
    ]
    for command, code, text, state in steps:
        result = run(exe, command, bare)
        assert (command, result.code, result.stdout) == (command, code, text)
        assert services.wait_for_state(bare, state).state == state, command


def test_install_over_a_stopped_and_a_running_installation(tmp_path, service_name, bare):
    exe = app(tmp_path, service_name())
    assert run(exe, "/start", bare).code == 0
    # The running bare service is stopped, removed, and replaced by this executable.
    result = run(exe, "/install", bare)
    assert (result.code, result.stdout) == (
        0, f"Stopping service '{bare}'.\r\nService stopped\r\nInstalled service '{bare}'.\r\n")
    assert services.config(bare)["ImagePath"] == f'"{windows_path(exe)}"'

    result = run(exe, "/install", bare)
    assert (result.code, result.stdout) == (
        0, f"Service is already stopped.\r\nInstalled service '{bare}'.\r\n")


def test_uninstall(tmp_path, service_name):
    name = service_name()
    exe = app(tmp_path, name)
    assert run(exe, "/install").code == 0
    result = run(exe, "/uninstall")
    # The quiet stop before the removal still says that there was nothing to stop.
    assert (result.code, result.stdout) == (
        0, f"Service is already stopped.\r\nUninstalled service '{name}'.\r\n")
    assert services.config(name) is None
    assert services.query(name) is None


def test_install_and_start(tmp_path, service_name, bare):
    exe = app(tmp_path, service_name())
    # Installing over the bare service's name replaces it; the start then runs this executable's
    # service host, whose child ends at once (the project has no Java runtime).
    result = run(exe, "/install-and-start", bare)
    assert result.code == 0
    assert result.stdout == (f"Service is already stopped.\r\nInstalled service '{bare}'.\r\n"
                             f"Starting service '{bare}'.\r\n")


def test_install_never_replaces_another_programs_service(tmp_path, service_name):
    name = service_name()
    services.create(name, FIXTURES / "bare_service.exe")
    before = services.config(name)
    result = run(app(tmp_path, name), "/install")
    assert (result.code, result.stdout) == (
        1, f"Service '{name}' exists already and runs another program: "
           f"{windows_path(FIXTURES / 'bare_service.exe')}\r\nNothing was changed. Install under "
           "another name (/install NAME), or remove that service first.\r\n")
    assert services.config(name) == before


def test_every_registration_of_one_executable_keeps_a_display_name_of_its_own(tmp_path,
                                                                             service_name):
    """Windows wants display names unique: a registration under another name than the configured
    one shows it in parentheses. An upgrade of both registrations keeps both."""
    first, second = service_name(), service_name()
    old, new = (app(tmp_path / version, first, 'display_name = "Hello Service"')
                for version in ("old", "new"))
    for exe, name in ((old, first), (old, second), (new, first), (new, second)):
        result = run(exe, "/install", name)
        assert (result.code, result.stdout.splitlines()[-1]) == (0, f"Installed service '{name}'.")
    for name, display in ((first, "Hello Service"), (second, f"Hello Service ({second})")):
        values = services.config(name)
        assert (values["DisplayName"], values["ImagePath"]) == (display, f'"{windows_path(new)}"')


def test_a_display_name_in_use_changes_nothing(tmp_path, service_name):
    holder, name = service_name(), service_name()
    assert services.wine("sc", "create", holder, "binPath=", windows_path(FIXTURES / "bare_service.exe"),
                         "DisplayName=", "Hello Service").code == 0
    assert run(app(tmp_path / "old", name, 'display_name = "Old Name"'), "/install").code == 0
    result = run(app(tmp_path / "new", name, 'display_name = "Hello Service"'), "/install")
    assert (result.code, result.stdout) == (
        1, f"The display name 'Hello Service' is taken by service '{holder}'.\r\nNothing was "
           "changed. Configure another display name, or install under another name.\r\n")
    assert services.config(name)["DisplayName"] == "Old Name"


def test_names_windows_refuses_change_nothing(tmp_path, service_name):
    name = service_name()
    exe = app(tmp_path, name)
    assert run(exe, "/install").code == 0
    result = run(exe, "/install", "a/b")
    assert (result.code, result.stdout) == (
        1, "The service name 'a/b' holds a '/' or '\\', which Windows does not allow.\r\n")
    assert services.query(name).state == services.STOPPED

