"""The launcher as a user meets it: usage, roles, its own configuration, errors and the log."""
import re
import struct
import subprocess
import time
from pathlib import Path

import pytest

from harness import DIST, ROOT, block_offset, pack, run, wine_temp_dir, windows_path
from runtimes import FIXTURES

BASIC = """
[service]
name = "ZarvoTest"
[application]
main_class = "x.Main"
"""

USAGE = "/install | /uninstall | /stop | /start | /status | /run | /run-redirect"


@pytest.fixture(scope="module")
def app(tmp_path_factory):
    return pack(tmp_path_factory.mktemp("app"), BASIC, name="My App")


@pytest.mark.parametrize("arg", ["/?", "/help", "-help", "--help"])
def test_help_names_the_executable_and_lists_every_command(app, arg):
    result = run(app, arg)
    assert result.code == 0
    lines = result.stdout.split("\r\n")
    assert lines[0] == f"Usage: My App.exe {USAGE}"
    listed = [line.split()[0] for line in lines if line.startswith("  /")]
    assert listed == ["/install[-auto|-demand]", "/install-and-start", "/uninstall", "/start",
                      "/stop", "/restart", "/status", "/run", "/run-redirect", "/find-java",
                      "/help,"]
    assert 'NAME defaults to "ZarvoTest"' in result.stdout
    assert result.stderr == ""


@pytest.mark.parametrize("args, said", [
    (["/instal"], 'Unknown command "/instal" (did you mean /install?).'),
    (["/Install"], 'Unknown command "/Install" (did you mean /install?).'),
    (["-foo", "Other"], 'Unknown command "-foo".'),
    (["install"], 'Unknown command "install" (did you mean /install?).'),
])
def test_a_mistyped_command_fails_with_the_help(app, args, said):
    result = run(app, *args, log=True)
    assert (result.code, result.stdout) == (2, "")
    first, usage, *_ = result.stderr.split("\r\n")
    assert (first, usage) == (said, f"Usage: My App.exe {USAGE}")
    assert "  /install-and-start [NAME] [ARG...]" in result.stderr
    assert "calling StartServiceCtrlDispatcher" not in result.log


def test_without_arguments_the_service_dispatch_only_logs(app):
    result = run(app, log=True)
    assert (result.code, result.stdout, result.stderr) == (0, "", "")
    # Windows refuses a dispatcher in a process it did not start as a service (error 1063);
    # Wine sometimes lets it run the service main instead, which ends the process itself once
    # its child has ended. The child then writes a log of its own, possibly the newest.
    [log] = [log for log in result.logs if "] calling StartServiceCtrlDispatcher\r\n" in log]
    assert re.search(r"\] (StartServiceCtrlDispatcher failed with error \d+|service main)\r\n",
                     log)
    assert re.search(r"\] (StartServiceCtrlDispatcher returned|exiting)\r\n", log)


def test_block_is_read_as_packed(tmp_path):
    exe = pack(tmp_path, """
        [service]
        name = "Svc"
        [application]
        main_class = "x.Main"
        [keys]
        "2001" = "kestrix"
        "4711" = "not a key the launcher knows"
        [messages]
        1009 = "Base {0}"
        [languages.en]
        1500 = "added by the table for en"
        [languages.de]
        1501 = "German only"
        """)
    result = run(exe, "/?", log=True)
    assert result.code == 0
    # The flavour is read into two bytes: the long value proves the record arrived whole.
    assert "] ERROR: config string 2001 truncated (2 7)\r\n" in result.log
    loaded = re.search(r"\] configuration: (\d+) records, (\d+) messages\r\n", result.log)
    assert loaded, result.log
    dumped = subprocess.run([str(DIST / "zpack"), "dump", str(exe)], capture_output=True,
                            text=True, check=True).stdout
    records = int(re.search(r"^records \((\d+)\)", dumped, re.M).group(1))
    messages = int(re.search(r"^messages \((\d+)\)", dumped, re.M).group(1))
    # Every record arrived, and of the language tables only the one for "en" added its text.
    assert (int(loaded.group(1)), int(loaded.group(2))) == (records, messages + 1)


def damaged(image: bytes, at: int, data: bytes) -> bytes:
    return image[:at] + data + image[at + len(data):]


def damage_cases(image: bytes):
    start = block_offset(image)
    lfanew = struct.unpack_from("<i", image, 0x3C)[0]
    sections = struct.unpack_from("<h", image, lfanew + 6)[0]
    optional = struct.unpack_from("<h", image, lfanew + 20)[0]
    last = lfanew + 24 + optional + 40 * (sections - 1)
    return {
        "no block": image[:start],
        "cut in the head": image[:start + 10],
        "cut in the records": image[:start + 40],
        "wrong magic": damaged(image, start, b"\0\0\0\0"),
        # A damaged e_lfanew or section count is refused by the system's loader before any
        # code of ours runs; the reader's own tests cover those.
        "raw data past the end": damaged(image, last + 16, struct.pack("<I", 0x7FFF0000)),
        "huge record length": damaged(image, start + 28, struct.pack("<i", 0x7FFFFFFF)),
        "negative record length": damaged(image, start + 28, struct.pack("<i", -8)),
        "huge record count": damaged(image, start + 20, struct.pack("<i", 0x7FFFFFFF)),
    }


def test_damaged_executables_end_with_exit_code_1(tmp_path, app):
    image = app.read_bytes()
    for name, data in damage_cases(image).items():
        exe = tmp_path / (name.replace(" ", "_") + ".exe")
        exe.write_bytes(data)
        started = time.monotonic()
        result = run(exe, "/?", timeout=60)
        # Errors before the configuration is read always go to a message box; without a
        # display Wine's box returns at once.
        assert (name, result.code, result.stdout, result.stderr) == (name, 1, "", ""), name
        assert time.monotonic() - started < 30, name


def test_log_file_format_and_error_log_line(app):
    result = run(app, "/run", log=True)
    assert result.code == 1
    raw = result.log_path.read_bytes()
    assert raw.startswith(b"\xef\xbb\xbf")
    lines = result.log.split("\r\n")
    assert re.fullmatch(r"Started executable .*My App\.exe at "
                        r"(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d \d{4}",
                        lines[0]), lines[0]
    assert lines[1] == ""
    assert all(re.match(r"\[\d+:\d+\] ", line) for line in lines[2:] if line), lines
    assert "\n" not in result.log.replace("\r\n", "")
    # The shown error names the log file by its long path.
    windows_name = "C:\\users\\" + result.log_path.parent.parent.name + "\\Temp\\" + result.log_path.name
    # Standard error is a text-mode stream: line breaks arrive as CR LF.
    assert result.stderr.endswith(f"\r\n\r\nLog: {windows_name}\r\n"), result.stderr


@pytest.mark.parametrize("variables, logs", [
    ({"ZARVO_LOG": "yes"}, True),
    ({"KESTRIX_LOG": "yes"}, True),
    ({"ZARVO_LOG": "YES"}, False),
    ({"ZARVO_LOG": "1"}, False),
    ({"ZARVO_LOG": "no", "KESTRIX_LOG": "yes"}, True),
])
def test_log_switch(app, variables, logs):
    temp = wine_temp_dir()
    before = set(temp.glob("ksx_nlog_*.log"))
    assert run(app, "/?", env=variables).code == 0
    assert bool(set(temp.glob("ksx_nlog_*.log")) - before) == logs


def test_log_takes_the_first_free_number(app):
    temp = wine_temp_dir()
    taken = {int(p.stem.rsplit("_", 1)[1]) for p in temp.glob("ksx_nlog_*.log")}
    free = next(n for n in range(1, 1001) if n not in taken)
    blockers = [temp / f"ksx_nlog_{free}.log", temp / f"ksx_nlog_{free + 1}.log"]
    for b in blockers:
        b.write_text("taken")
    try:
        result = run(app, "/?", log=True)
        assert result.log_path.name == f"ksx_nlog_{free + 2}.log"
    finally:
        for b in blockers:
            b.unlink()


def test_the_stub_imports_only_kernel32_and_msvcrt_at_load():
    # Every DLL of the import table loads at every start. advapi32.dll (and the DLLs it brings)
    # waits for the first service call; a function of it that cmake/advapi32_delayed.def does not
    # list would be imported the usual way and show here.
    listing = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(DIST / "launcher.exe")],
                             capture_output=True, text=True, check=True).stdout
    assert set(re.findall(r"DLL Name: (\S+)", listing)) == {"KERNEL32.dll", "msvcrt.dll"}


def test_the_stub_code_starts_on_a_page_of_its_file():
    # Wine maps a section from the file only when it starts on a page boundary; otherwise it
    # reads the whole section into fresh memory at every start (cmake/page_align_code.py). The
    # headers grow to that boundary, so that a signature's hash covers the padding.
    stub = str(DIST / "launcher.exe")
    sections = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", stub],
                              capture_output=True, text=True, check=True).stdout
    code_offset = int(re.search(r"^\s*\d+ \.text\s+\S+\s+\S+\s+\S+\s+(\S+)", sections, re.M)[1], 16)
    headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", stub],
                             capture_output=True, text=True, check=True).stdout
    assert code_offset % 4096 == 0
    assert int(re.search(r"SizeOfHeaders\s+(\S+)", headers)[1], 16) == code_offset


def test_the_stub_code_moves_the_stack_only_where_its_unwind_data_says():
    """x64 unwind data describes a function's prologue; a push of a constant followed by a pop
    into a register (how -Oz loads small numbers) moves the stack in the middle of a function,
    where a stack walk of a thread stopped there (a debugger, a crash dump, the JVM walking
    through our frames) would take the wrong return address."""
    listing = subprocess.run(["x86_64-w64-mingw32-objdump", "-d", "--no-show-raw-insn",
                              str(DIST / "launcher.exe")], capture_output=True, text=True,
                             check=True).stdout.splitlines()
    pairs = [f"{a.strip()} / {b.strip()}" for a, b in zip(listing, listing[1:])
             if re.search(r"\spush\s+\$0x", a) and re.search(r"\spop\s+%r", b)]
    assert pairs == [], pairs[:5]


def test_the_stub_header_names_windows_7_as_its_oldest_system():
    """The registry functions come from kernel32.dll, which has them from Windows 7 on: on an
    older system the loader refuses the program, and its header says so beforehand."""
    headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(DIST / "launcher.exe")],
                             capture_output=True, text=True, check=True).stdout
    fields = dict(re.findall(r"^(M\w+(?:OSystem|Subsystem)Version)\s+(\d+)$", headers, re.M))
    assert fields == {"MajorOSystemVersion": "6", "MinorOSystemVersion": "1",
                      "MajorSubsystemVersion": "6", "MinorSubsystemVersion": "1"}


def checksums(path: Path) -> tuple[str, str]:
    """The image checksum a file's header records and the one Windows computes for it."""
    probe = run(FIXTURES / "checksum_probe.exe", windows_path(path), prints=True)
    return re.fullmatch(r"header=(\w+) computed=(\w+)\s*", probe.stdout).groups()


def test_the_stub_and_a_packed_executable_carry_their_own_checksums(tmp_path):
    exe = pack(tmp_path, '[application]\nmain_class = "x.Main"\n')
    for path in (DIST / "launcher.exe", exe):
        header, computed = checksums(path)
        assert header == computed != "0x0", path


def test_page_alignment_moves_what_a_debug_directory_points_to(tmp_path):
    """cmake/page_align_code.py on a stripped executable that is not aligned yet (the steps stub)
    with a debug directory put in its last section's spare bytes: the entry's file offset moves
    with the data, and the checksum is the moved file's."""
    image = bytearray((FIXTURES / "launcher_steps.exe").read_bytes())
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional, table = pe + 24, pe + 24 + optional_size
    virtual_size, address, raw_size, raw_start = struct.unpack_from(
        "<IIII", image, table + 40 * (sections - 1) + 8)
    used = (virtual_size + 3) & ~3
    assert raw_size >= used + 28 + 16, "no spare bytes in the last section"
    entry, data = raw_start + used, raw_start + used + 28
    image[data:data + 16] = b"debug data here!"
    # Type 2 (CodeView), 16 bytes of data at RVA address + used + 28, file offset `data`.
    struct.pack_into("<IIHHIIII", image, entry, 0, 0, 0, 0, 2, 16, address + used + 28, data)
    struct.pack_into("<II", image, optional + 112 + 8 * 6, address + used, 28)
    path = tmp_path / "steps.exe"
    path.write_bytes(image)
    subprocess.run(["/usr/bin/python3", str(ROOT / "cmake" / "page_align_code.py"), str(path)],
                   check=True)
    moved = path.read_bytes()
    shift = len(moved) - len(image)
    assert shift > 0
    pointer = struct.unpack_from("<I", moved, entry + shift + 24)[0]
    assert pointer == data + shift
    assert moved[pointer:pointer + 16] == b"debug data here!"
    header, computed = checksums(path)
    assert header == computed


def version_resource(path: Path) -> dict[str, str]:
    """What Windows reads from an executable's version resource (the probe prints UTF-8)."""
    probe = run(FIXTURES / "version_probe.exe", windows_path(path), prints=True)
    assert probe.code == 0, probe.stdout + probe.stderr
    text = probe.stdout.encode("cp1252").decode("utf-8")
    return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)


def test_the_version_resource_names_the_application(tmp_path):
    """Explorer's "Details": the project's product, manufacturer and version, else the
    executable's name; the stub itself says which launcher it is."""
    exe = pack(tmp_path / "named", """
        [product]
        name = "Lagerverwaltung Süd"
        version = "2.04.1"
        manufacturer = "Example Corp"
        [application]
        main_class = "x.Main"
        """)
    assert version_resource(exe) == {
        "file": "2.4.1.0", "product": "2.4.1.0", "ProductName": "Lagerverwaltung Süd",
        "FileDescription": "Lagerverwaltung Süd", "CompanyName": "Example Corp",
        "FileVersion": "2.4.1", "ProductVersion": "2.4.1",
        "InternalName": version_resource(DIST / "launcher.exe")["InternalName"]}
    plain = version_resource(pack(tmp_path / "plain", '[application]\nmain_class = "x.Main"\n',
                                  name="Inventory"))
    assert (plain["ProductName"], plain["CompanyName"], plain["file"]) == ("Inventory", "", "0.0.0.0")
    zpack_version = subprocess.run([str(DIST / "zpack"), "--version"], capture_output=True,
                                   text=True, check=True).stdout.split()[-1]
    assert version_resource(DIST / "launcher.exe")["InternalName"] == f"zarvo launcher {zpack_version}"


def test_dist_holds_the_release_builds_of_zpack():
    """What users get: optimised and stripped, without the sanitizer runtime of the test build."""
    needed = subprocess.run(["readelf", "-d", str(DIST / "zpack")], capture_output=True, text=True,
                            check=True).stdout
    sections = subprocess.run(["readelf", "-S", str(DIST / "zpack")], capture_output=True,
                              text=True, check=True).stdout
    assert "libasan" not in needed and "libubsan" not in needed, needed
    assert ".symtab" not in sections and ".debug" not in sections, sections
    symbols = subprocess.run(["x86_64-w64-mingw32-objdump", "-t", str(DIST / "zpack.exe")],
                             capture_output=True, text=True, check=True).stdout
    assert "no symbols" in symbols
    version = subprocess.run([str(DIST / "zpack"), "--version"], capture_output=True, text=True,
                             check=True).stdout
    assert re.fullmatch(r"zpack \d+\.\d+\.\d+\n", version), version
