#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (default 30 s,
# FUZZ_SECONDS to change). A finding fails the run and leaves its input in build/fuzz/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${FUZZ_SECONDS:-30}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
corpus=build/fuzz/corpus
mkdir -p "$corpus/config_block" "$corpus/split_command_line" "$corpus/version" \
  "$corpus/option_file" "$corpus/wildcard" "$corpus/project_file"
# Seeds: a small executable image with a block, a few command lines and version texts, an
# option file and a wildcard pattern with its text.
/usr/bin/python3 - "$corpus" <<'PY'
import struct, sys, pathlib
out = pathlib.Path(sys.argv[1])
image = bytearray(0x200); image[0:2] = b"MZ"; struct.pack_into("<I", image, 0x3C, 0x80)
image[0x80:0x84] = b"PE\0\0"; struct.pack_into("<hh", image, 0x86, 1, 0)
struct.pack_into("<hh", image, 0x94, 240, 0)
struct.pack_into("<II", image, 0x80 + 24 + 240 + 16, 0x100, 0x100)
def s(b): return struct.pack("<i", len(b)) + b
block = struct.pack("<IiiqI", 0xE8E413D5, 0, 0, 0, 2) + struct.pack("<i", 101) + s(b"Svc") \
    + struct.pack("<i", 2002) + s(b"1") + struct.pack("<i", 1) + struct.pack("<i", 1000) \
    + s("Error".encode("utf-16-le")) + struct.pack("<i", 1) + s(b"de") + struct.pack("<i", 1) \
    + struct.pack("<i", 1000) + s("Fehler".encode("utf-16-le"))
(out / "config_block" / "seed").write_bytes(bytes(image[:0x200]) + block)
for i, line in enumerate(['"C:\\Program Files\\A.exe" /install', "ab\"c d\"e 'x y' \"\"", "a\tb  c"]):
    (out / "split_command_line" / f"seed{i}").write_bytes(line.encode("utf-16-le"))
for i, version in enumerate(["1.8.0_201-b09", "21.0.1+12-LTS", "17-ea"]):
    (out / "version" / f"seed{i}").write_bytes(version.encode("ascii"))
(out / "option_file" / "seed").write_bytes(
    b"  -Xmx1g \r\n# c\r\n-include-options b\n-include-options a\n-classpath/a x\n\x1a-Dy")
(out / "wildcard" / "seed").write_bytes(b"*11.*\x0011.0.2")
for i, project in enumerate(sorted(pathlib.Path("examples").glob("*/*.toml"))):
    (out / "project_file" / f"seed{i}").write_bytes(project.read_bytes())
PY
for target in config_block option_file split_command_line version wildcard project_file; do
  echo "fuzzing $target for ${seconds}s"
  (cd build/fuzz && "./tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
     -rss_limit_mb=1024 -print_final_stats=0 "corpus/$target" 2>"fuzz_$target.log") || {
    tail -40 "build/fuzz/fuzz_$target.log"; exit 1; }
  grep -E '^(#[0-9]+.*DONE|Done)' "build/fuzz/fuzz_$target.log" | tail -1 || true
done
