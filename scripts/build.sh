#!/usr/bin/env bash
# Configures and builds one flavour: scripts/build.sh release|asan|tsan|bench [targets...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
shift || true
jobs=$(nproc)
case "$flavour" in
  release) opts=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan) opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVL_SANITIZE=ON) ;;
  tsan) opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVL_TSAN=ON) ;;
  bench) opts=(-DCMAKE_BUILD_TYPE=Release -DKVL_BUILD_BENCH=ON -DKVL_BUILD_TESTS=OFF) ;;
  *) echo "build.sh: unknown flavour '$flavour' (release, asan, tsan or bench)" >&2; exit 2 ;;
esac
dir="$root/build/$flavour"
cmake -S "$root" -B "$dir" -G Ninja "${opts[@]}" >/dev/null
if (($#)); then
  cmake --build "$dir" -j "$jobs" --target "$@"
else
  cmake --build "$dir" -j "$jobs"
fi
