#!/usr/bin/env bash
# Installs the build and test dependencies from Debian when they are missing.
set -euo pipefail
packages=(g++ gfortran cmake ninja-build pkg-config googletest libgtest-dev libbenchmark-dev
          libcli11-dev libabsl-dev libroaring-dev clang libclang-rt-14-dev binutils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
