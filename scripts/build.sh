#!/usr/bin/env bash
# Configures and builds the presets: the host tools and tests (with sanitizers), the zpack users
# get (release), then the Windows launcher, its tests and zpack.exe. Artifacts land in dist/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
for preset in host release win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
