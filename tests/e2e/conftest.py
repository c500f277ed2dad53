import re
import shutil
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))
import harness  # noqa: E402
import services  # noqa: E402
from runtimes import FIXTURES, Registry  # noqa: E402


@pytest.fixture(scope="session", autouse=True)
def persistent_wineserver():
    """One wineserver for the whole session: every Wine start then skips the server start."""
    harness.start_wine_session()
    yield
    harness.end_wine_session()


@pytest.fixture
def registry(tmp_path):
    """Registry entries of the search's runtimes for one test, removed before and after it."""
    entries = Registry(tmp_path / "reg")
    entries.clean()
    yield entries
    entries.clean()


@pytest.fixture
def work(tmp_path):
    return tmp_path


@pytest.fixture
def logs():
    """Service processes log through the environment Wine's service manager gives them; the logs
    of this test's service processes and children are removed afterwards."""
    services.enable_service_logging(FIXTURES / "bare_service.exe")
    made = services.Logs()
    yield made
    made.remove()


ARTIFACTS = harness.ROOT / "build" / "e2e-artifacts"


def pytest_sessionstart(session):
    shutil.rmtree(ARTIFACTS, ignore_errors=True)


@pytest.fixture(autouse=True)
def _remember_logs(request):
    """The diagnostic logs that exist before the test, to tell its own apart if it fails."""
    harness.journal.clear()
    try:
        request.node._logs_before = set(harness.wine_temp_dir().glob("ksx_nlog_*.log"))
    except FileNotFoundError:
        request.node._logs_before = set()
    yield


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    """When a test fails, what it ran, the service states it saw, the diagnostic logs of its run
    and the stand-in JVM's transcripts go to build/e2e-artifacts/<test>/, and the failure
    report names that folder. This runs before the fixtures' teardown removes anything."""
    outcome = yield
    report = outcome.get_result()
    if report.passed or report.skipped or call.when == "teardown":
        return
    folder = ARTIFACTS / re.sub(r"[^\w.-]+", "_", item.nodeid.split("::", 1)[-1])
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "journal.txt").write_text("\n".join(harness.journal) + "\n", encoding="utf-8")
    kept = ["journal.txt"]
    try:
        logs = set(harness.wine_temp_dir().glob("ksx_nlog_*.log"))
    except FileNotFoundError:
        logs = set()
    for log in sorted(logs - getattr(item, "_logs_before", set())):
        shutil.copy2(log, folder / log.name)
        kept.append(log.name)
    tmp_path = item.funcargs.get("tmp_path")
    if tmp_path is not None:
        for transcript in sorted(Path(tmp_path).rglob("transcript*.log")):
            target = folder / "transcripts" / transcript.relative_to(tmp_path)
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(transcript, target)
            kept.append(str(target.relative_to(folder)))
    report.sections.append(
        ("e2e artifacts", f"kept in {folder}: {', '.join(kept)}"))
