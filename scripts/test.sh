#!/usr/bin/env bash
# Builds and runs every test: the release build, the ASan+UBSan build, the
# thread tests under ThreadSanitizer, the installed package (consumers via
# find_package, pkg-config and Fortran, exported symbols) and a short fuzzing run of
# the part file reader.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

echo "== release build and tests"
"$root/scripts/build.sh" release
(cd "$root/build/release" && ctest --output-on-failure -j "$(nproc)")

echo "== sanitizer build (ASan + UBSan) and tests"
"$root/scripts/build.sh" asan
(cd "$root/build/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")

echo "== thread tests under ThreadSanitizer"
# Only the suites and cases that run several threads, to keep the run short.
"$root/scripts/build.sh" tsan thr_test wip_test omni_test solver_part_map_test routines_test
tsan_tests=(
  "thr_test:*"
  "wip_test:*"
  "omni_test:*Threads*"
  "solver_part_map_test:*Thread*"
  "routines_test:*Threads*:*StartsCount*"
)
for entry in "${tsan_tests[@]}"; do
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    "$root/build/tsan/tests/${entry%%:*}" --gtest_filter="${entry#*:}" --gtest_brief=1
done

echo "== installed package"
"$root/tests/package/check_package.sh" "$root" "$root/build/release"

if [ -x "$root/scripts/fuzz.sh" ]; then
  echo "== fuzzing the part file reader"
  "$root/scripts/fuzz.sh" "${KVL_FUZZ_SECONDS:-60}"
fi
echo "== all tests passed"
