#!/usr/bin/env bash
# Installs every Debian package the build and the tests need on a fresh Debian 12 machine.
# Idempotent: packages already present are left alone, so a second run costs one dpkg query.
set -euo pipefail

packages=(
  build-essential cmake ninja-build git
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  wine64 wine
  clang-14 libclang-rt-14-dev clang-format
  googletest libgtest-dev libbenchmark-dev
  libtomlplusplus-dev libcli11-dev
  openjdk-17-jdk-headless
  python3 python3-pytest
  xvfb xauth x11-apps imagemagick
  hyperfine
  osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
