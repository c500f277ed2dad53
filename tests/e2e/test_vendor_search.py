"""Runtimes that vendors' installers register under their own registry keys, end to end: each
vendor's layout written with reg.exe as its installer writes it, stand-in runtime homes, and the
command that explains the search."""
from __future__ import annotations

import subprocess
from dataclasses import dataclass, field
from pathlib import Path

import pytest

from harness import ROOT, pack, run, windows_path
from runtimes import Registry, java_exe, loaded_java, runtime, toml_text, version_runs

HKLM, HKCU = "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"


def project(java: list[str]) -> str:
    return "\n".join(["[application]", 'main_class = "x.Main"', "[java]", *java, ""])


@dataclass
class Setup:
    java: list[str] = field(default_factory=lambda: ['search = ["V"]'])
    expected: Path | None = None


# One fixture per vendor, each registering its runtime where and how its installer does.

def eclipse_temurin(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "jdk-21.0.1.12-hotspot", "21.0.1")
    reg.msi_path("Eclipse Adoptium", "JDK", "21.0.1.12", "hotspot", home)
    return Setup(expected=home)


def eclipse_temurin_jre_per_user(app: Path, reg: Registry) -> Setup:
    # A per-user install writes the same layout under HKEY_CURRENT_USER.
    home = runtime(app / "jre-17.0.9.9-hotspot", "17.0.9")
    reg.msi_path("Eclipse Adoptium", "JRE", "17.0.9.9", "hotspot", home, root=rf"{HKCU}\SOFTWARE")
    return Setup(expected=home)


def eclipse_temurin_under_its_2021_name(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "jdk-11.0.12.7-hotspot", "11.0.12")
    reg.msi_path("Eclipse Foundation", "JDK", "11.0.12.7", "hotspot", home)
    return Setup(expected=home)


def per_user_install_under_a_cyrillic_profile(app: Path, reg: Registry) -> Setup:
    # The ANSI code page (1252 here) has no Cyrillic letters: the home is used through its
    # short name.
    home = runtime(app / "Пользователь" / "jdk-17.0.9.9-hotspot", "17.0.9")
    reg.msi_path("Eclipse Adoptium", "JDK", "17.0.9.9", "hotspot", home, root=rf"{HKCU}\SOFTWARE")
    return Setup(expected=home)


def microsoft_build_of_openjdk(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "jdk-17.0.9.8-hotspot", "17.0.9")
    reg.msi_path("Microsoft", "JDK", "17.0.9.8", "hotspot", home)
    return Setup(expected=home)


def ibm_semeru(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "jdk-17.0.8.1-openj9", "17.0.8.1")
    reg.msi_path("Semeru", "JDK", "17.0.8.1", "openj9", home)
    return Setup(expected=home)


def azul_zulu(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "zulu-17", "17.0.9")
    reg.installation_path(r"Azul Systems\Zulu\zulu-17", home, 17, 46,
                          {"CurrentVersion": "17.46.19"})
    return Setup(expected=home)


def bellsoft_liberica(app: Path, reg: Registry) -> Setup:
    home = runtime(app / "LibericaJDK-21", "21.0.1")
    reg.installation_path(r"BellSoft\Liberica\jdk-21", home, 21, 0,
                          {"PatchVersion": 1, "CurrentVersion": "21.0.1"})
    reg.values(rf"{HKLM}\SOFTWARE\BellSoft\Liberica\jdk-21\MSI",
               {"InstallationPath": windows_path(home) + "\\"})
    return Setup(expected=home)


def amazon_corretto(app: Path, reg: Registry) -> Setup:
    # Corretto's installer writes the JavaSoft trees, which the registry entry reads.
    home = runtime(app / "jdk17.0.9_8", "17.0.9")
    reg.current_version("JDK", "17.0.9")
    reg.javasoft("JDK", "17.0.9", home)
    return Setup(java=['search = ["V", "Y"]'], expected=home)


# What the entry decides between the runtimes it finds.

def bounds_and_newest(app: Path, reg: Registry) -> Setup:
    reg.msi_path("Eclipse Adoptium", "JDK", "21.0.1.12", "hotspot",
                 runtime(app / "temurin21", "21.0.1"))
    newest = runtime(app / "zulu17", "17.0.9")
    reg.installation_path(r"Azul Systems\Zulu\zulu-17", newest, 17, 46)
    reg.installation_path(r"BellSoft\Liberica\jdk-11", runtime(app / "liberica11", "11.0.21"),
                          11, 0)
    return Setup(java=['max_version = "17"', 'search = ["V"]'], expected=newest)


def one_version_for_the_machine_and_the_user_the_machines_wins(app: Path, reg: Registry) -> Setup:
    machine = runtime(app / "machine", "17.0.9")
    reg.msi_path("Eclipse Adoptium", "JDK", "17.0.9.9", "hotspot", machine)
    reg.msi_path("Eclipse Adoptium", "JDK", "17.0.9.9", "hotspot", runtime(app / "user", "17.0.9"),
                 root=rf"{HKCU}\SOFTWARE")
    return Setup(expected=machine)


def one_version_twice_the_first_tree_wins(app: Path, reg: Registry) -> Setup:
    first = runtime(app / "microsoft", "17.0.9")
    reg.msi_path("Microsoft", "JDK", "17.0.9.8", "hotspot", first)
    reg.installation_path(r"Azul Systems\Zulu\zulu-17", runtime(app / "zulu", "17.0.9"), 17, 46)
    return Setup(expected=first)


def jdk_required(app: Path, reg: Registry) -> Setup:
    reg.msi_path("Eclipse Adoptium", "JRE", "17.0.9.9", "hotspot", runtime(app / "jre17", "17.0.9"))
    jdk = runtime(app / "jdk8", "1.8.0_392", old_jdk=True)
    reg.msi_path("Eclipse Adoptium", "JDK", "8.0.392.8", "hotspot", jdk)
    return Setup(java=['require_jdk = true', 'search = ["V"]'], expected=jdk)


def jdk_of_today_required(app: Path, reg: Registry) -> Setup:
    # JDK 9 and later have no lib\tools.jar: their javac.exe shows them to be JDKs.
    reg.msi_path("Eclipse Adoptium", "JRE", "21.0.1.12", "hotspot", runtime(app / "jre21", "21.0.1"))
    jdk = runtime(app / "jdk17", "17.0.9", jdk=True)
    reg.msi_path("Eclipse Adoptium", "JDK", "17.0.9.9", "hotspot", jdk)
    reg.msi_path("Eclipse Adoptium", "JDK", "8.0.392.8", "hotspot",
                 runtime(app / "jdk8", "1.8.0_392", old_jdk=True))
    return Setup(java=['require_jdk = true', 'search = ["V"]'], expected=jdk)


def early_access_refused(app: Path, reg: Registry) -> Setup:
    reg.installation_path(r"Azul Systems\Zulu\zulu-22", runtime(app / "zulu22", "22-ea"), 22, 0)
    released = runtime(app / "zulu21", "21.0.1")
    reg.installation_path(r"Azul Systems\Zulu\zulu-21", released, 21, 30)
    return Setup(expected=released)


def without_the_entry_nothing_is_read(app: Path, reg: Registry) -> Setup:
    reg.msi_path("Eclipse Adoptium", "JDK", "21.0.1.12", "hotspot", runtime(app / "t", "21.0.1"))
    return Setup(java=['search = ["Y"]'], expected=None)


@pytest.mark.parametrize("case", [
    eclipse_temurin, eclipse_temurin_jre_per_user, eclipse_temurin_under_its_2021_name,
    per_user_install_under_a_cyrillic_profile,
    one_version_for_the_machine_and_the_user_the_machines_wins,
    microsoft_build_of_openjdk, ibm_semeru, azul_zulu, bellsoft_liberica, amazon_corretto,
    bounds_and_newest, one_version_twice_the_first_tree_wins, jdk_required, jdk_of_today_required,
    early_access_refused, without_the_entry_nothing_is_read,
], ids=lambda case: case.__name__)
def test_vendor_runtimes(tmp_path, registry, case):
    app = tmp_path / "app"
    app.mkdir()
    setup = case(app, registry)
    registry.apply()
    exe = pack(app, project(setup.java))
    result = run(exe, "/run", log=True)
    if setup.expected is None:
        assert result.code == 1
        assert loaded_java(result.log) is None, result.log
        assert "vendor runtime" not in result.log, result.log
    else:
        assert result.code == 0, result.stderr + result.log
        if str(setup.expected).isascii():
            assert loaded_java(result.log) == java_exe(setup.expected).lower(), result.log
        else:
            # Loaded through its short (8.3) path: the stand-in JVM's transcript beside it shows
            # that it was this runtime.
            assert (setup.expected / "bin" / "server" / "transcript.log").exists(), result.log
        if setup.java == ['search = ["V"]'] and str(setup.expected).isascii():
            home = windows_path(setup.expected)
            assert f"] found vendor runtime {home} (" in result.log, result.log


def test_registration_of_a_missing_directory_is_skipped(tmp_path, registry):
    gone = tmp_path / "uninstalled" / "zulu-21"
    registry.installation_path(r"Azul Systems\Zulu\zulu-21", gone, 21, 30)
    home = runtime(tmp_path / "liberica17", "17.0.9")
    registry.installation_path(r"BellSoft\Liberica\jdk-17", home, 17, 0)
    registry.apply()
    exe = pack(tmp_path / "app", project(['search = ["V"]']))
    result = run(exe, "/run", log=True)
    assert result.code == 0, result.stderr
    assert loaded_java(result.log) == java_exe(home).lower()
    assert (f"] vendor runtime {windows_path(gone)} "
            rf"(HKLM\SOFTWARE\Azul Systems\Zulu\zulu-21) names a missing directory") in result.log


def test_a_runtime_of_a_32_bit_installer_is_refused_without_a_try(tmp_path, registry):
    """The x86 installer on a 64-bit system writes to the 32-bit registry view; a 64-bit launcher
    cannot load such a runtime, so it is named and refused, its java.exe never run."""
    thirty_two = runtime(tmp_path / "x86" / "jdk-21.0.1.12-hotspot", "21.0.1")
    registry.msi_path("Eclipse Adoptium", "JDK", "21.0.1.12", "hotspot", thirty_two,
                      root=rf"{HKLM}\SOFTWARE\Wow6432Node")
    sixty_four = runtime(tmp_path / "jdk-17.0.9.9-hotspot", "17.0.9")
    registry.msi_path("Eclipse Adoptium", "JDK", "17.0.9.9", "hotspot", sixty_four)
    registry.apply()
    exe = pack(tmp_path / "app", project(['search = ["V"]']))
    explained = run(exe, "/find-java")
    out = explained.stdout.replace("\r\n", "\n")
    assert explained.code == 0, out
    assert (f"    {windows_path(thirty_two)}: refused: registered by a 32-bit installer, "
            "and a 64-bit launcher cannot load it\n") in out, out
    assert loaded_java(run(exe, "/run", log=True).log) == java_exe(sixty_four).lower()
    assert version_runs(thirty_two) == 0


def test_warm_search_runs_no_java(tmp_path, registry):
    """Every vendor runtime's version comes from the cache after the first start, the refused
    ones' as well."""
    taken = runtime(tmp_path / "temurin17", "17.0.9")
    registry.msi_path("Eclipse Adoptium", "JDK", "17.0.9.9", "hotspot", taken)
    refused = runtime(tmp_path / "temurin21", "21.0.1")
    registry.msi_path("Eclipse Adoptium", "JDK", "21.0.1.12", "hotspot", refused)
    registry.apply()
    exe = pack(tmp_path / "app", project(['max_version = "17"', 'search = ["V"]']))
    for _ in range(2):
        assert loaded_java(run(exe, "/run", log=True).log) == java_exe(taken).lower()
    assert (version_runs(taken), version_runs(refused)) == (1, 1)


def explain_setup(tmp_path: Path, registry: Registry, vendor_fits: bool) -> Path:
    """A bundled runtime that is too old, a variable naming a directory that is gone, and a
    vendor's runtime that fits or (above the maximum) does not."""
    app = tmp_path / "app"
    runtime(app / "jre", "1.8.0_392")
    registry.msi_path("Eclipse Adoptium", "JDK", "17.0.9.9" if vendor_fits else "21.0.1.12",
                      "hotspot", runtime(tmp_path / "temurin", "17.0.9" if vendor_fits else "21.0.1"))
    registry.apply()
    bundled = '"B.\\\\jre"' if vendor_fits else toml_text(f'"A{windows_path(app / "jre")}"')
    return pack(app, project(['min_version = "11"', 'max_version = "17"',
                              f'search = [{bundled}, "EZVO_JAVA", "V"]']))


def test_find_java_names_every_location_and_the_runtime(tmp_path, registry):
    exe = explain_setup(tmp_path, registry, vendor_fits=True)
    env = {"ZVO_JAVA": windows_path(tmp_path / "gone")}
    result = run(exe, "/find-java", env=env)
    assert result.code == 0, result.stdout + result.stderr
    out = result.stdout.replace("\r\n", "\n")
    bundled = java_exe(tmp_path / "app" / "jre").lower()
    vendor = java_exe(tmp_path / "temurin").lower()
    expected = [
        "Java search: minimum version 11, maximum version 17",
        "bundled runtime .\\jre",
        f"    {bundled}, version 1.8.0_392: refused: outside the version bounds",
        "environment variable ZVO_JAVA",
        f"    {windows_path(tmp_path / 'gone').lower()}\\bin\\java.exe: refused: no java "
        "executable there",
        "runtimes registered by vendors' installers",
        f"    {vendor}, version 17.0.9: acceptable",
        f"    {vendor}, version 17.0.9: taken: its JVM library loads",
        f"Runtime to load: {vendor} (version 17.0.9)",
    ]
    assert out.splitlines() == expected, out


def test_find_java_without_an_acceptable_runtime_exits_1(tmp_path, registry):
    exe = explain_setup(tmp_path, registry, vendor_fits=False)
    result = run(exe, "/find-java", env={"ZVO_JAVA": windows_path(tmp_path / "gone")})
    out = result.stdout.replace("\r\n", "\n")
    assert result.code == 1, out
    vendor = java_exe(tmp_path / "temurin").lower()
    assert f"    {vendor}, version 21.0.1: refused: outside the version bounds\n" in out
    assert "fall-back environment variable KESTRIX_JAVA_HOME\n    nothing found there\n" in out
    assert out.endswith("No Java runtime found: a start would end with an error.\n"), out


def test_dump_shows_the_vendor_entry(tmp_path):
    exe = pack(tmp_path / "app", project(['search = ["B.\\\\jre", {type = "vendors"}]']))
    dumped = subprocess.run([str(ROOT / "dist" / "zpack"), "dump", str(exe)], capture_output=True,
                            text=True, check=True).stdout
    assert '128  java.search = "B.\\\\jre;V;"' in dumped, dumped
