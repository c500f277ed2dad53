#!/usr/bin/env bash
# The main job: installs what is missing, builds, packs the example service and runs what the
# launcher can do today under Wine, printing each step.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
bash scripts/build.sh >/dev/null
out=build/demo
mkdir -p "$out"

step() { printf '\n== %s\n' "$*"; }

step "pack examples/hello/hello.toml"
dist/zpack examples/hello/hello.toml -o "$out/ZarvoHello.exe"

step "zpack dump: what the executable carries"
dist/zpack dump "$out/ZarvoHello.exe"

step "ZarvoHello.exe /help"
scripts/wine-run "$out/ZarvoHello.exe" /help

step "ZarvoHello.exe with no command and ZARVO_LOG=yes (hands itself to the service dispatcher)"
ZARVO_LOG=yes scripts/wine-run "$out/ZarvoHello.exe" && echo "exit code 0"
prefix="${ZARVO_WINEPREFIX:-build/wineprefix}"
log=$(ls -t "$prefix"/drive_c/users/*/Temp/ksx_nlog_*.log | head -1)
echo "diagnostic log $log:"
cat "$log"

step "ZarvoHello.exe /status (the service commands are not in this build yet)"
scripts/wine-run "$out/ZarvoHello.exe" /status || echo "exit code $?"
