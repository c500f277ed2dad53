import subprocess
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))
import harness  # noqa: E402
import services  # noqa: E402
from runtimes import FIXTURES  # noqa: E402


@pytest.fixture(scope="session", autouse=True)
def persistent_wineserver():
    """One wineserver for the whole session: every Wine start then skips the server start."""
    env = harness.wine_env()
    env["WINEPREFIX"] = str(harness.WINEPREFIX)
    # The prefix is initialised if needed, and no server of it runs afterwards: a persistent
    # server can only start while no other one does.
    subprocess.run([str(harness.WINE_PREFIX_SCRIPT)], env=harness.wine_env(),
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=300, check=True)
    server = subprocess.Popen(["wineserver", "-p"], env=env)
    yield
    subprocess.run(["wineserver", "-k"], env=env, timeout=60)
    server.wait(timeout=60)


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
