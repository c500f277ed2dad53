"""«App.exe /run» runs the Java application in the launcher's own process: packed executables
under Wine load the stand-in jvm.dll, whose transcript shows the option list the JVM received,
the classes and methods looked up and the arguments of the launcher class's main."""
from __future__ import annotations

import shutil
from dataclasses import dataclass, field
from pathlib import Path

import pytest

from harness import message, pack, run, windows_path
from runtimes import FIXTURES, runtime

PROPERTY_NAMES = ["-Dzarvo.semaphoreName=", "-Dzarvo.moduleName=", "-Dsun.java.command=",
                  "-Dzarvo.tempDir=", "-Dzarvo.unextractedPosition=", "-Djava.library.path="]


@dataclass
class Launch:
    code: int
    stderr: str
    log: str
    transcript: list[str]
    app: Path

    def lines(self, kind: str) -> list[str]:
        prefix = kind + " "
        return [line[len(prefix):] for line in self.transcript if line.startswith(prefix)]

    @property
    def options(self) -> list[str]:
        """The options after the launcher's own properties, without the stand-in's settings."""
        options = self.lines("option")
        own = [o for o in options if o.startswith(("-Dzarvo.consoleCodepage=", "-Dzarvo.isKestrix",
                                                   "-Dzarvo.isService"))]
        rest = [o for o in options[len(PROPERTY_NAMES) + len(own):]
                if not o.startswith("-Dzarvo.test.")]
        return rest

    @property
    def main_args(self) -> list[str]:
        return [line.split(" ", 1)[1] if " " in line else "" for line in self.lines("main-arg")]

    def path(self, relative: str) -> str:
        return windows_path(self.app / relative)


@dataclass
class Project:
    top: list[str] = field(default_factory=list)
    application: list[str] = field(default_factory=list)
    java: list[str] = field(default_factory=list)
    more: list[str] = field(default_factory=list)  # further tables
    files: dict[str, str] = field(default_factory=dict)
    # zpack adds the launcher's runtime jar unless told not to; these tests look at the class
    # path the launcher builds from the project's own entries.
    runtime_jar: bool = False

    def toml(self, scenario: str) -> str:
        vm = f'"-Dzarvo.test.scenario={scenario}"'
        java = [line for line in self.java if not line.startswith("vm_options")]
        configured = [line for line in self.java if line.startswith("vm_options")]
        if configured:
            vm = configured[0].split("[", 1)[1].rsplit("]", 1)[0] + ", " + vm
        more = list(self.more)
        if not self.runtime_jar:
            if "[launcher]" in more:
                more.insert(more.index("[launcher]") + 1, "runtime_jar = false")
            else:
                more += ["[launcher]", "runtime_jar = false"]
        return "\n".join([*self.top, "[application]",
                          *(self.application or ['main_class = "com.example.Main"']), "[java]",
                          'search = ["B.\\\\jre"]', f"vm_options = [{vm}]", *java, *more, ""])


def launch(tmp_path: Path, project: Project, *args: str, scenario: str = "return",
           env: dict[str, str] | None = None, command: str = "/run", jli: bool = False,
           version: str = "17.0.2") -> Launch:
    app = tmp_path / "app"
    home = runtime(app / "jre", version)
    if jli:
        shutil.copy(FIXTURES / "jli" / "jli.dll", home / "bin" / "jli.dll")
    for name, text in project.files.items():
        (app / name).parent.mkdir(parents=True, exist_ok=True)
        (app / name).write_text(text)
    exe = pack(app, project.toml(scenario))
    result = run(exe, command, *args, env=env, log=True)
    transcript = home / "bin" / "server" / "transcript.log"
    lines = transcript.read_text(encoding="utf-8").splitlines() if transcript.exists() else []
    return Launch(result.code, result.stderr.replace("\r\n", "\n"), result.log or "", lines, app)


def test_the_jvm_and_main_receive_what_the_launch_prescribes(tmp_path):
    project = Project(
        top=['classpath = [{ archive = "lib\\\\app.jar" }, { directory = "conf" }, '
             '{ scan = "lib" }]'],
        application=['main_class = "com.example.Main"', 'arguments = ["--verbose", "--port", "80"]'],
        java=['vm_options = ["-Xmx64m", "-Dapp.home=${ZARVO_EXEDIR}"]'],
        files={"lib/app.jar": "PK", "lib/b.zip": "PK", "lib/c.txt": "", "conf/x": ""})
    run_ = launch(tmp_path, project, "svc", "a", "b c", env={"LC_ALL": "en_US.UTF-8"})
    assert run_.code == 0, run_.stderr
    options = run_.lines("option")
    assert [o.split("=", 1)[0] + "=" for o in options[:len(PROPERTY_NAMES)]] == PROPERTY_NAMES
    exe = run_.path("App.exe")
    assert options[1] == f"-Dzarvo.moduleName={exe}" and options[2] == f"-Dsun.java.command={exe}"
    classpath = ";".join(run_.path(p) for p in ["lib\\app.jar", "conf", "lib\\app.jar", "lib\\b.zip"])
    # The user's language and country follow the configured options even without a locale
    # argument.
    assert run_.options == ["-Xmx64m", f"-Dapp.home={run_.path('')}\\", "-Duser.language=en",
                            "-Duser.country=US", f"-Djava.class.path={classpath}",
                            "-Dkestrix.noRedir=true"]
    assert run_.lines("find-class") == ["java/lang/System", "com/zarvo/runtime/WinLauncher",
                                        "java/lang/String"]
    assert run_.lines("set-property") == [f"zarvo.moduleName={exe}"]
    assert run_.main_args == ["false", "com.example.Main", "", "", "false", exe, "--verbose",
                              "--port", "80", "svc", "a", "b c"]
    assert run_.transcript[-2:] == ["main-returned", "destroy"]
    assert "] used stack size 0\r\n" in run_.log


def option_with(prefix: str, launched: Launch) -> list[str]:
    return [o for o in launched.options if o.startswith(prefix)]


def after_class_path(launched: Launch) -> list[str]:
    """The options that follow the class path option."""
    options = launched.options
    [at] = [i for i, o in enumerate(options) if o.startswith("-Djava.class.path=")]
    return options[at + 1:]


@pytest.mark.parametrize("name, project, args, env, check", [
    ("class path directives",
     Project(top=['classpath = [{ archive = "a.jar" }]'],
             java=['vm_options = ["-classpath/p pre.jar", "-classpath/a post.jar", '
                   '"-classpath/a last.jar"]']), [], {},
     lambda r: option_with("-Djava.class.path=", r) == [
         f"-Djava.class.path=pre.jar;{r.path('a.jar')};last.jar"]),
    ("class path replaced",
     Project(top=['classpath = [{ archive = "a.jar" }]'],
             java=['vm_options = ["-classpath only.jar"]']), [], {},
     lambda r: option_with("-Djava.class.path=", r) == ["-Djava.class.path=only.jar"]),
    ("-J arguments are VM options with the setting",
     Project(java=["j_arguments_are_vm_options = true"]), ["svc", "-J-Xmx1g", "x"], {},
     lambda r: "-Xmx1g" in r.options and r.main_args[5:] == [r.path("App.exe"), "svc", "x"]),
    ("-J arguments go to main without it",
     Project(), ["svc", "-J-Xmx1g"], {},
     lambda r: "-Xmx1g" not in r.options and r.main_args[-1] == "-J-Xmx1g"),
    ("locale options",
     Project(), ["-Dsun.locale.formatasdefault=false", "a"], {"LC_ALL": "de_DE.UTF-8"},
     lambda r: r.options[:3] == ["-Dsun.locale.formatasdefault=false", "-Duser.language=de",
                                 "-Duser.country=DE"] and r.main_args[-1] == "a"),
    ("locale options without a locale argument",
     Project(), ["a"], {"LC_ALL": "de_CH.UTF-8"},
     lambda r: r.options[:2] == ["-Duser.language=de", "-Duser.country=CH"]
     and r.main_args[-1] == "a"),
    ("locale as default format adds only itself",
     Project(), ["-Dsun.locale.formatasdefault=true"], {"LC_ALL": "de_DE.UTF-8"},
     lambda r: r.options[0] == "-Dsun.locale.formatasdefault=true"
     and not option_with("-Duser.", r)),
    ("configured arguments are expanded once main is found",
     Project(application=['main_class = "x.Main"', 'arguments = ["${ZARVO_EXEDIR}data"]']), [], {},
     lambda r: r.main_args[6:] == [r.path("") + "\\data"]
     and r.log.index("] main class: ") < r.log.index("] expanding2 ${ZARVO_EXEDIR} to ")),
    ("version-specific line by feature release",
     Project(java=['version_options = [{ versions = "9-11", options = ["-Dline=a"] }, '
                   '{ versions = "17", options = ["-Dline=b"] }, '
                   '{ versions = "17-", options = ["-Dline=c"] }]']), [], {},
     lambda r: option_with("-Dline=", r) == ["-Dline=b"]),
    ("module path and module mode",
     Project(top=['modulepath = [{ directory = "mods" }]'],
             application=['main_class = "my.mod/com.example.Main"', "module_mode = true"],
             files={"mods/m.jar": "PK"}), [], {},
     lambda r: after_class_path(r) == [
         f"--module-path={r.path('mods')}", "--add-opens=my.mod/com.example=com.zarvo.runtime",
         "--add-modules=my.mod,com.zarvo.runtime", "-Dkestrix.noRedir=true"]
     and r.main_args[1] == "/my.mod/com.example.Main"),
    ("module mode with a main class that names no module",
     Project(top=['modulepath = [{ directory = "mods" }]'],
             application=['main_class = "com.example.Main"', "module_mode = true"],
             files={"mods/m.jar": "PK"}), [], {},
     lambda r: after_class_path(r) == [
         f"--module-path={r.path('mods')}", "--add-modules=com.example.Main,com.zarvo.runtime",
         "-Dkestrix.noRedir=true"]
     and r.main_args[1] == "/com.example.Main"),
    ("no service options in a run",
     Project(), [], {},
     lambda r: "-Xrs" not in r.lines("option")
     and not [o for o in r.lines("option") if o.startswith("-Dzarvo.isService")]),
    ("kestrix flavour",
     Project(more=["[launcher]", 'flavour = "kestrix"']), [], {},
     lambda r: "-Dzarvo.isKestrix=true" in r.lines("option")
     and "com/kestrix/runtime/launcher/WinLauncher" in r.lines("find-class")
     and "] helper dll 0000000000000000 " in r.log),
    ("splash configuration",
     Project(more=["[splash]", "init = true", "arg2 = true", 'arg3 = "Grüße"', "arg4 = 7",
                   "arg14 = -2"]), [], {},
     lambda r: r.lines("splash") == ["1 1 Grüße 7 0  0 0  0 0  0 -2"]),
    ("stack reservation from -Xss",
     Project(java=['vm_options = ["-Xss1m", "-Xss512k"]']), [], {},
     lambda r: "] used stack size 524288\r\n" in r.log),
])
def test_launch_configurations(tmp_path, name, project, args, env, check):
    launched = launch(tmp_path, project, *args, env=env)
    assert launched.code == 0, launched.stderr
    assert check(launched), "\n".join(launched.transcript)


@pytest.mark.parametrize("registered, init_calls", [(True, ["1"]), (False, ["1", "0"])])
def test_kestrix_helper_library(tmp_path, registered, init_calls):
    """The helper library in .kestrix is told by Common.initFromLauncher(true) that its natives
    are coming; when registering them fails, initFromLauncher(false) follows. Its log calls are
    printf-style."""
    helper = tmp_path / "app" / ".kestrix"
    helper.mkdir(parents=True)
    shutil.copy(FIXTURES / "ksxinst" / "ksxinst.dll", helper / "ksxinst.dll")
    (helper / "ksxinst.cfg").write_text(f"register={'true' if registered else 'false'}\n")
    launched = launch(tmp_path, Project(more=["[launcher]", 'flavour = "kestrix"']))
    assert launched.code == 0, launched.stderr
    assert launched.lines("init-from-launcher") == init_calls
    assert "] ERROR: helper: 3 natives, wide, narrow, 1099511627776\r\n" in launched.log
    assert ("] ERROR: registering helper dll failed\r\n" in launched.log) == (not registered)
    assert launched.transcript[-2:] == ["main-returned", "destroy"]


def test_redirect_run_has_no_no_redirect_option(tmp_path):
    launched = launch(tmp_path, Project(), command="/run-redirect")
    assert launched.code == 0
    assert "-Dkestrix.noRedir=true" not in launched.lines("option")


@pytest.mark.parametrize("jli", [True, False])
def test_argument_files_are_expanded_by_the_runtime(tmp_path, jli):
    options_file = tmp_path / "app" / "opts.txt"
    project = Project(java=[f'vm_options = ["@{windows_path(options_file).replace(chr(92), chr(92) * 2)}"]'],
                      files={"opts.txt": "-Xss2m --add-opens java.base/java.lang=ALL-UNNAMED\n"})
    launched = launch(tmp_path, project, jli=jli)
    assert launched.code == 0, launched.stderr
    if jli:
        assert launched.options[:2] == ["-Xss2m", "--add-opens=java.base/java.lang=ALL-UNNAMED"]
        assert "] used stack size 2097152\r\n" in launched.log
    else:
        assert launched.options[0] == "@" + windows_path(options_file)
        assert "] used stack size 0\r\n" in launched.log


@pytest.mark.parametrize("scenario, code, check", [
    ("throw", 1, lambda r: "] ERROR: java.lang.IllegalStateException: boom\r\n" in r.log
     and "] ERROR: could not call main\r\n" in r.log and "destroy" not in r.transcript),
    ("exit:7", 7, lambda r: "destroy" not in r.transcript),
    ("thread:1500", 0, lambda r: r.lines("destroy-waited")),
    ("create-fails", 1, lambda r: "] ERROR: could not initialize JVM\r\n" in r.log),
    ("no-class", 1, lambda r: "] ERROR: could not find main class\r\n" in r.log),
    ("no-main", 1, lambda r: "] ERROR: could not find main method\r\n" in r.log),
])
def test_how_the_application_ends(tmp_path, scenario, code, check):
    launched = launch(tmp_path, Project(), scenario=scenario)
    assert launched.code == code, launched.stderr
    assert check(launched), launched.log + "\n".join(launched.transcript)


@pytest.mark.parametrize("scenario, message_id, origin", [
    ("no-class", 1010, "\nThe launcher's own class com.zarvo.runtime.WinLauncher is missing. It "
     "comes with zarvo-runtime.jar, which zpack packs into the executable unless"),
    ("no-main", 1011, ""),
])
def test_missing_launcher_class_or_main_is_reported(tmp_path, scenario, message_id, origin):
    launched = launch(tmp_path, Project(), scenario=scenario)
    exe = tmp_path / "app" / "App.exe"
    # A missing launcher class is told apart from the application's: it names the class and
    # the jar that brings it.
    assert message(exe, message_id) + origin in launched.stderr.replace("\r\n", "\n")


@pytest.mark.parametrize("entry, message_id, arg", [
    ('{ archive = "missing.jar", required = true }', 1006, "missing.jar"),
    ('{ env = "ZVO_NO_SUCH_PATH", required = true }', 1008, "ZVO_NO_SUCH_PATH"),
])
def test_missing_required_class_path_entries_stop_the_launch(tmp_path, entry, message_id, arg):
    launched = launch(tmp_path, Project(top=[f"classpath = [{entry}]"]))
    assert launched.code == 1
    expected = message(tmp_path / "app" / "App.exe", message_id,
                       arg.replace("@APP@", windows_path(tmp_path / "app")))
    assert expected.lower() in launched.stderr.lower(), launched.stderr
    assert "create" not in " ".join(launched.transcript)


@pytest.mark.parametrize("settings, env, check", [
    # Wine puts WINEPATH in front of the PATH it builds for Windows programs.
    (["reduce_path = true"], {"WINEPATH": "C:\\Java\\bin"},
     lambda r, path: path.split(";")[1:] and "C:\\Java\\bin" not in path.split(";")
     and all(p.lower().startswith("c:\\windows") for p in path.split(";")[1:])),
    ([], {"WINEPATH": "C:\\Java\\bin"}, lambda r, path: "C:\\Java\\bin" in path.split(";")),
], ids=["reduced", "kept"])
def test_path_reduction(tmp_path, settings, env, check):
    launched = launch(tmp_path, Project(more=["[launcher]", *settings]), env=env)
    assert launched.code == 0, launched.stderr
    path = [o for o in launched.lines("option") if o.startswith("-Djava.library.path=")][0]
    path = path.split("=", 1)[1]
    assert path.split(";")[0].lower() == launched.path("jre\\bin").lower()
    assert check(launched, path), path


@pytest.mark.parametrize("ignore", [True, False])
def test_java_option_variables_can_be_kept_from_the_jvm(tmp_path, ignore):
    names = ["_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS"]
    project = Project(java=["ignore_option_variables = true"] if ignore else [])
    launched = launch(tmp_path, project, env={name: "-Xmx1m" for name in names})
    assert launched.code == 0, launched.stderr
    expected = [f"{name} unset" if ignore else f"{name}=-Xmx1m" for name in names]
    # Both what the system holds and what the JVM library's C runtime holds.
    assert launched.lines("env") == expected
    assert launched.lines("crt-env") == expected


# Not set, the application runs in the executable's directory; an empty setting keeps the
# directory the process started in (the test's, here; a service's is the system directory).
@pytest.mark.parametrize("directory, expected", [
    (".", ""), ("work", "work"), (None, ""), ("", None)])
def test_working_directory(tmp_path, directory, expected):
    settings = [f'working_directory = "{directory}"'] if directory is not None else []
    project = Project(application=['main_class = "x.Main"', *settings],
                      files={"work/.keep": ""})
    launched = launch(tmp_path, project)
    assert launched.code == 0, launched.stderr
    cwd = launched.lines("cwd")[0]
    if expected is None:
        assert "unchanged" in launched.log and cwd.lower() != launched.path("").lower()
    else:
        assert cwd.rstrip("\\").lower() == launched.path(expected).rstrip("\\").lower()
