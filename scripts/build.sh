#!/usr/bin/env bash
# Configures and builds both presets: the host tools and tests, then the Windows launcher,
# its tests and zpack.exe. Artifacts land in dist/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
for preset in host win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
