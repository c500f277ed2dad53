"""Stand-in Java runtimes for end-to-end tests, and the registry entries that name them.

A runtime home is a directory with bin\\java.exe (the stand-in that prints the banner written in
bin\\fake_java.cfg and counts its runs in bin\\runs.log) and bin\\server\\jvm.dll (the stand-in
JVM library, one without the JNI entry point, or a text file that no loader accepts). A JDK of
the older layout keeps them under jre\\bin instead and has lib\\tools.jar; a JDK of today's layout
has bin\\javac.exe beside bin\\java.exe.
"""
from __future__ import annotations

import os
import re
import shutil
import subprocess
from pathlib import Path

from harness import ROOT, WINE_RUN, wine_env, windows_path

FIXTURES = Path(os.environ.get("ZARVO_WIN_BUILD", ROOT / "build" / "win64")) / "tests" / "fixtures"


def runtime(home: Path, version: str = "17.0.2", library_loads: bool = True,
            exit_code: int = 0, old_jdk: bool = False, exports_entry: bool = True,
            jdk: bool = False) -> Path:
    """A runtime home whose java.exe reports `version` (and exits with `exit_code`); without
    `exports_entry` its jvm.dll loads but lacks JNI_CreateJavaVM."""
    bin_dir = home / "jre" / "bin" if old_jdk else home / "bin"
    (bin_dir / "server").mkdir(parents=True)
    if old_jdk:
        (home / "lib").mkdir()
        (home / "lib" / "tools.jar").write_bytes(b"PK\x05\x06" + bytes(18))
    shutil.copy(FIXTURES / "java" / "java.exe", bin_dir / "java.exe")
    if jdk:
        (bin_dir / "javac.exe").write_bytes(b"")  # only its existence counts
    (bin_dir / "fake_java.cfg").write_text(
        f'banner=openjdk version "{version}" 2024-01-16\nexit={exit_code}\n')
    jvm = bin_dir / "server" / "jvm.dll"
    if library_loads:
        shutil.copy(FIXTURES / "jvm" / ("jvm.dll" if exports_entry else "jvm_noexport.dll"), jvm)
    else:
        jvm.write_text("not a library\n")
    return home


def toml_text(text: str) -> str:
    """A text inside a TOML basic string: every backslash doubled."""
    return text.replace("\\", "\\\\")


def version_runs(home: Path) -> int:
    """How often the home's java.exe has been run."""
    runs = home / "bin" / "runs.log"
    return len(runs.read_text().splitlines()) if runs.exists() else 0


def java_exe(home: Path) -> str:
    inside = home / "jre" / "bin" / "java.exe"
    return windows_path(inside if inside.exists() else home / "bin" / "java.exe")


def loaded_java(log: str) -> str | None:
    """The java executable whose JVM library the launcher loaded, lower-cased, from its log."""
    if "] Loading of JVM-DLL successful" not in log:
        return None
    tried = re.findall(r"\] Trying to load JVM-DLL from (.*?)\r?\n", log)
    return tried[-1].lower() if tried else None


class Registry:
    """Registry entries written with Wine's own reg.exe; every tree the search reads is removed
    again afterwards, so that tests do not see each other's runtimes."""

    TREES = [
        r"HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft",
        r"HKEY_CURRENT_USER\SOFTWARE\halvorn\zarvo\locatedjvms",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\halvorn\zarvo\locatedjvms",
        r"HKEY_CURRENT_USER\SOFTWARE\halvorn\kestrix\installations",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\halvorn\kestrix\installations",
        # The vendors' own trees (only those: SOFTWARE\Microsoft holds far more than Java).
        r"HKEY_LOCAL_MACHINE\SOFTWARE\Eclipse Adoptium",
        r"HKEY_CURRENT_USER\SOFTWARE\Eclipse Adoptium",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\Eclipse Foundation",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Eclipse Adoptium",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\JDK",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\Semeru",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\Azul Systems",
        r"HKEY_LOCAL_MACHINE\SOFTWARE\BellSoft",
    ]

    def __init__(self, scratch: Path):
        self.scratch = scratch
        self.lines: list[str] = []

    def value(self, key: str, name: str, text: str) -> None:
        self.values(key, {name: text})

    def values(self, key: str, values: dict[str, str | int]) -> None:
        """Several values of one key: strings as REG_SZ, numbers as REG_DWORD."""
        self.lines.append(f"[{key}]")
        for name, value in values.items():
            if isinstance(value, int):
                self.lines.append(f'"{name}"=dword:{value:08x}')
            else:
                escaped = value.replace("\\", "\\\\").replace('"', '\\"')
                self.lines.append(f'"{name}"="{escaped}"')
        self.lines.append("")

    def key(self, key: str) -> None:
        self.lines += [f"[{key}]", ""]

    def javasoft(self, tree: str, version: str, home: Path) -> None:
        self.value(rf"HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\{tree}\{version}", "JavaHome",
                   windows_path(home))

    def current_version(self, tree: str, version: str) -> None:
        self.value(rf"HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\{tree}", "CurrentVersion", version)

    def msi_path(self, vendor: str, category: str, version: str, jvm: str, home: Path,
                 root: str = "HKEY_LOCAL_MACHINE\\SOFTWARE") -> None:
        """A runtime as the MSI installers of the Adoptium family register it: one key per
        version and JVM, the home (with a trailing backslash) in "Path", feature flags beside."""
        self.values(rf"{root}\{vendor}\{category}\{version}\{jvm}\MSI",
                    {"Path": windows_path(home) + "\\", "Main": 1, "EnvironmentPath": 1,
                     "EnvironmentPathSetForSystem": 1})

    def installation_path(self, key: str, home: Path, major: int, minor: int,
                          extra: dict[str, str | int] | None = None) -> None:
        """A runtime registered with an "InstallationPath" (Azul Zulu, BellSoft Liberica)."""
        self.values(rf"HKEY_LOCAL_MACHINE\SOFTWARE\{key}",
                    {"InstallationPath": windows_path(home) + "\\", "MajorVersion": major,
                     "MinorVersion": minor, **(extra or {})})

    def located(self, root: str, home: Path) -> None:
        """A located runtime: a sub-key named by its java.exe with "/" for every "\\"."""
        self.key(rf"{root}\SOFTWARE\halvorn\zarvo\locatedjvms\{java_exe(home).replace(chr(92), '/')}")

    def apply(self) -> None:
        self._import(self.lines)

    def clean(self) -> None:
        self._import([f"[-{tree}]\n" for tree in self.TREES])

    def _import(self, lines: list[str]) -> None:
        self.scratch.mkdir(parents=True, exist_ok=True)
        file = self.scratch / "entries.reg"
        # UTF-16 with its byte-order mark, as Windows writes these files: every character of a
        # path survives, also those outside the ANSI code page.
        file.write_text("Windows Registry Editor Version 5.00\n\n" + "\n".join(lines) + "\n",
                        encoding="utf-16")
        # Output to a file, not a pipe: when reg.exe is the session's first Windows program, the
        # helper processes Wine starts for it inherit a pipe and keep it open.
        with open(self.scratch / "import.out", "wb") as out:
            subprocess.run([str(WINE_RUN), "reg", "import", windows_path(file)], env=wine_env(),
                           stdin=subprocess.DEVNULL, stdout=out, stderr=out, check=True,
                           timeout=60)
