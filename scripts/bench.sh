#!/usr/bin/env bash
# Benchmarks, each compared side by side in one run and reported as ratios:
#  - loading a ConfigBlock of 10,000 records and 1,000 messages (per record);
#  - the whole-process time of a packed "App.exe /?" over an empty Windows program, under Wine;
#  - extracting a 64 MiB included file over CopyFileW copying the same bytes, under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/build.sh >/dev/null
out=build/bench
mkdir -p "$out"

# ratio JSON A B LABEL: the mean time of command A over that of command B in a hyperfine export.
ratio() {
  /usr/bin/python3 - "$@" <<'PY'
import json, sys
path, a, b, label = sys.argv[1:5]
r = {x["command"]: x["mean"] for x in json.load(open(path))["results"]}
print(f"{label}: {r[a] / r[b]:.2f}")
PY
}

echo "== ConfigBlock load (10,000 records, 1,000 messages)"
build/host/bench/bench_config_load --benchmark_counters_tabular=true

echo "== whole process under Wine: App.exe /? versus an empty program"
dist/zpack examples/hello/hello.toml -o "$out/App.exe" >/dev/null
export ZARVO_WINEPREFIX="${ZARVO_WINEPREFIX:-$PWD/build/wineprefix}"
WINEPREFIX="$ZARVO_WINEPREFIX" wineserver -p  # keep one server: measure the programs, not its start
scripts/wine-run cmd /c exit >/dev/null 2>&1 || true
hyperfine --warmup 3 --runs 20 --export-json "$out/startup.json" \
  -n "App.exe /?" "scripts/wine-run $out/App.exe /?" \
  -n "empty program" "scripts/wine-run build/win64/bench/empty_program.exe"
ratio "$out/startup.json" "App.exe /?" "empty program" "start-up ratio (App.exe /? over an empty program)"

echo "== extraction of one 64 MiB included file versus CopyFileW of the same bytes, under Wine"
head -c $((64 * 1024 * 1024)) /dev/urandom > "$out/big.bin"
cat > "$out/extract.toml" <<TOML
[application]
main_class = "x.Main"
[files]
include = [{ source = "big.bin", name = "big.bin" }]
TOML
dist/zpack "$out/extract.toml" -o "$out/Extract.exe" --stub build/win64/tests/fixtures/launcher_steps.exe >/dev/null
hyperfine --warmup 1 --runs 10 --export-json "$out/extract.json" \
  -n "extract" "scripts/wine-run $out/Extract.exe extract --terminate 0" \
  -n "CopyFileW" "scripts/wine-run build/win64/bench/copy_file.exe 'Z:$PWD/$out/big.bin' 'Z:$PWD/$out/copy.bin'"
ratio "$out/extract.json" "extract" "CopyFileW" "extraction ratio (extract over CopyFileW, goal <= 1.5)"
rm -f "$out/big.bin" "$out/copy.bin"
WINEPREFIX="$ZARVO_WINEPREFIX" wineserver -k || true
