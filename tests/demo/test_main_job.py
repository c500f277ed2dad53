"""The README's main job (scripts/demo.sh) as a user runs it on a fresh machine: in a Wine prefix
created afresh for this run, then once more in the same prefix. Each step's output is checked, so
that a set-up step the main job forgot fails here rather than on a user's first day.

The demo's steps are headed "== <step>"; `sections` maps each heading to the lines under it.
"""
from __future__ import annotations

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
PREFIX = ROOT / "build" / "wineprefix-main-job"
NAME = "ZarvoHello"


def run_demo() -> tuple[int, str]:
    # The tests' own variables must not steer the main job.
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "ZARVO_"))}
    env["ZARVO_WINEPREFIX"] = str(PREFIX)
    done = subprocess.run(["bash", str(ROOT / "scripts" / "demo.sh")], cwd=ROOT, env=env,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=900)
    output = done.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
    (ROOT / "build" / "main-job.log").write_text(output, encoding="utf-8")
    return done.returncode, output


def sections(output: str) -> dict[str, list[str]]:
    found: dict[str, list[str]] = {}
    current = None
    for line in output.splitlines():
        if line.startswith("== "):
            current = found.setdefault(line[3:], [])
        elif current is not None and line.strip():
            current.append(line)
    return found


@pytest.fixture(scope="module")
def runs():
    """The main job twice: first in a prefix that does not exist yet, then again."""
    shutil.rmtree(PREFIX, ignore_errors=True)
    Path(f"{PREFIX}.lock").unlink(missing_ok=True)
    return [run_demo(), run_demo()]


def section(output: str, heading: str) -> list[str]:
    found = sections(output)
    assert heading in found, f"no step headed {heading!r} in:\n{output}"
    return found[heading]


@pytest.mark.parametrize("which", [0, 1], ids=["fresh prefix", "second run"])
def test_main_job_runs_the_whole_lifecycle(runs, which):
    code, output = runs[which]
    assert code == 0, output
    assert section(
        output, "the application on Debian's real JVM through the launcher's JNI code "
        "(stop line after 2 s)") == [
        "Hello from the zarvo example service. Arguments: --greeting hello",
        "Goodbye: the service was asked to stop.",
    ]
    assert section(output, f"{NAME}.exe /install") == [f"Installed service '{NAME}'."]
    assert section(output, f"{NAME}.exe /start {NAME} Alice Bob") == [
        f"Starting service '{NAME}'."]
    status = section(output, f"{NAME}.exe /status, and Wine's sc query")
    assert status[0] == "Running."
    assert re.search(r"STATE\s+: 4\s+RUNNING", "\n".join(status)), status
    # The real JVM runs the example: its greeting names the configured arguments and the start
    # arguments in order, and its shutdown hook runs when the service stops.
    greeting = "Hello from the zarvo example service. Arguments: --greeting hello Alice Bob"
    assert section(output, "the real Windows JVM in .\\jre, laid out as a runtime image without "
                   "java.exe") == ['JAVA_VERSION="1.8.0"']
    assert section(output, "what the application wrote while it runs (hello.log)") == [greeting]
    assert section(output, f"{NAME}.exe /stop") == [
        f"Stopping service '{NAME}'.", "Service stopped"]
    assert section(output, "what the application wrote after the stop: its shutdown hook ran "
                   "(hello.log)") == [greeting, "Goodbye: the service was asked to stop."]
    assert section(output, f"{NAME}.exe /status")[:2] == ["Not running.", "exit code 3"]
    assert section(output, f"{NAME}.exe /uninstall") == [
        "Service is already stopped.", f"Uninstalled service '{NAME}'."]
