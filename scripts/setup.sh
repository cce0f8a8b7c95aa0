#!/usr/bin/env bash
# Installs from Debian what the given needs ask for, when it is missing:
# scripts/setup.sh build|test|bench|fuzz...
#   build  the library and the inpm command
#   test   the unit tests (valgrind for the memcheck run) and the
#          installed-package check
#   bench  the benchmarks and their baselines
#   fuzz   the fuzz target: clang and its sanitizer and libFuzzer runtime, of
#          one version
set -euo pipefail
packages=()
for need in "$@"; do
  case "$need" in
    build) packages+=(g++ cmake ninja-build libcli11-dev) ;;
    test) packages+=(gfortran googletest libgtest-dev pkg-config binutils valgrind) ;;
    bench) packages+=(libbenchmark-dev libabsl-dev libroaring-dev) ;;
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    *) echo "setup.sh: unknown need '$need' (build, test, bench or fuzz)" >&2; exit 2 ;;
  esac
done
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
