#!/usr/bin/env bash
# Configures and builds one flavour: scripts/build.sh main|release|asan|tsan|bench [targets...]
#   main     the library and inpm alone (no test dependencies), for the main job
#   release  with the unit tests
#   asan     with the unit tests, under AddressSanitizer and UBSan
#   tsan     the thread tests, under ThreadSanitizer
#   bench    the benchmarks, without the tests
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
shift || true
jobs=$(nproc)
case "$flavour" in
  main) opts=(-DCMAKE_BUILD_TYPE=Release -DKVL_BUILD_TESTS=OFF) ;;
  release) opts=(-DCMAKE_BUILD_TYPE=Release -DKVL_BUILD_TESTS=ON) ;;
  asan) opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVL_SANITIZE=ON -DKVL_BUILD_TESTS=ON) ;;
  tsan) opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVL_TSAN=ON -DKVL_BUILD_TESTS=ON) ;;
  bench) opts=(-DCMAKE_BUILD_TYPE=Release -DKVL_BUILD_BENCH=ON -DKVL_BUILD_TESTS=OFF) ;;
  *) echo "build.sh: unknown flavour '$flavour' (main, release, asan, tsan or bench)" >&2; exit 2 ;;
esac
# A machine that keeps its compiler cache between runs rebuilds only what
# changed; without ccache every build is whole.
if command -v ccache >/dev/null; then opts+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
dir="$root/build/$flavour"
cmake -S "$root" -B "$dir" -G Ninja "${opts[@]}" >/dev/null
if (($#)); then
  cmake --build "$dir" -j "$jobs" --target "$@"
else
  cmake --build "$dir" -j "$jobs"
fi
