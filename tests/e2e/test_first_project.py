"""The "A first project" of docs/project-file.md, copied as it stands, with the real Windows JVM
of third_party/avian as the bundled runtime: a runtime image as jlink makes it, with
bin\\server\\jvm.dll and a release file but no java.exe. Nothing else is added to the project:
zpack brings the launcher's own runtime jar, the defaults run it in its own directory."""
import re
import subprocess
import time
from pathlib import Path

from harness import DIST, ROOT, WINE_RUN, run, wine_env
from realjvm import compile_jar, real_runtime
import services

GREETING = "Hello from the zarvo example service. Arguments: "


def first_project() -> str:
    """The first TOML block after the heading, exactly as the page shows it."""
    page = (ROOT / "docs" / "project-file.md").read_text(encoding="utf-8")
    section = page[page.index("## A first project"):]
    return re.search(r"```toml\n(.*?)```", section, re.S).group(1)


def build_application(directory: Path) -> None:
    """hello.jar from the example's source, compiled against the real JVM's class library, and
    the runtime image in .\\jre."""
    compile_jar([ROOT / "examples/hello/src/com/example/hello/Hello.java"],
                directory / "hello.jar")
    real_runtime(directory / "jre")


def test_the_first_project_of_the_docs_runs_on_the_console_and_as_a_service(tmp_path):
    (tmp_path / "hello.toml").write_text(first_project(), encoding="utf-8")
    build_application(tmp_path)
    packed = subprocess.run([str(DIST / "zpack"), "hello.toml"], cwd=tmp_path,
                            capture_output=True, text=True)
    assert packed.returncode == 0, packed.stderr
    assert "the launcher's runtime zarvo-runtime.jar among them" in packed.stdout
    exe = tmp_path / "hello.exe"

    # /run: main's own line on the console. The application runs until it is stopped.
    out = tmp_path / "run.out"
    with open(out, "wb") as sink:
        process = subprocess.Popen([str(WINE_RUN), str(exe), "/run"], stdout=sink,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   env=wine_env())
    try:
        deadline = time.monotonic() + 60
        while GREETING not in out.read_text(errors="replace"):
            assert process.poll() is None, out.read_text(errors="replace")
            assert time.monotonic() < deadline, out.read_text(errors="replace")
            time.sleep(0.2)
    finally:
        services.wine("taskkill", "/f", "/im", "hello.exe")
        process.wait(timeout=30)

    # As a service: installed, running, stopped cleanly, removed.
    try:
        assert run(exe, "/install").code == 0
        assert run(exe, "/start").code == 0
        assert services.wait_for_state("ZarvoHello", services.RUNNING).state == services.RUNNING
        time.sleep(2)  # the JVM is up and main is waiting
        assert run(exe, "/status").code == 0  # running
        stopped = run(exe, "/stop")
        assert stopped.code == 0, stopped.stdout + stopped.stderr
        status = services.wait_for_state("ZarvoHello", services.STOPPED)
        assert (status.state, status.win32_exit_code) == (services.STOPPED, 0)
        assert run(exe, "/uninstall").code == 0
    finally:
        services.remove("ZarvoHello")
