#!/usr/bin/env bash
# Builds and runs every test: the release build, the ASan+UBSan build, the
# installed package (consumers via find_package and pkg-config, exported
# symbols) and a short fuzzing run of the part file reader.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

echo "== release build and tests"
"$root/scripts/build.sh" release
(cd "$root/build/release" && ctest --output-on-failure -j "$(nproc)")

echo "== sanitizer build (ASan + UBSan) and tests"
"$root/scripts/build.sh" asan
(cd "$root/build/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")

echo "== installed package"
"$root/tests/package/check_package.sh" "$root" "$root/build/release"

if [ -x "$root/scripts/fuzz.sh" ]; then
  echo "== fuzzing the part file reader"
  "$root/scripts/fuzz.sh" "${KVL_FUZZ_SECONDS:-60}"
fi
echo "== all tests passed"
