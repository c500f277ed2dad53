"""The README's "Your first service", run as it stands: from an empty directory to a service
that runs, stops and is removed, with the application's own lines in its log."""
import re
import subprocess

from harness import ROOT, note, wine_env
import services


def story() -> str:
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    section = readme[readme.index("## Your first service"):]
    return re.search(r"```sh\n(.*?)```", section, re.S).group(1)


def test_the_readme_story_ends_with_a_service_that_ran_and_stopped():
    try:
        done = subprocess.run(["bash", "-euo", "pipefail", "-c", story()], cwd=ROOT,
                              capture_output=True, text=True, timeout=600, env=wine_env(),
                              stdin=subprocess.DEVNULL)
        note(f"story -> {done.returncode}\n{done.stdout}\n{done.stderr[-3000:]}")
        assert done.returncode == 0, done.stdout + done.stderr
        assert "the launcher's runtime zarvo-runtime.jar among them" in done.stdout
        assert "Running." in done.stdout
        assert done.stdout.rstrip().endswith(
            "Hello, I am running as a Windows service.\nStopping: goodbye."), done.stdout
    finally:
        services.remove("HelloService")
