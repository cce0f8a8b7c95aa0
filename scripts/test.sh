#!/usr/bin/env bash
# Builds and runs every test: the release build, the ASan+UBSan build, the
# thread tests under ThreadSanitizer, the installed package (consumers via
# find_package, pkg-config and Fortran, exported symbols) and a short fuzzing run of
# every record reader (the corpora are also replayed by CTest).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Every step runs through bash, so that a script that lost its run bit still
# runs, and one that is missing stops the run with an error.
bash "$root/scripts/setup.sh" build test

echo "== release build and tests"
bash "$root/scripts/build.sh" release
(cd "$root/build/release" && ctest --output-on-failure -j "$(nproc)")

echo "== sanitizer build (ASan + UBSan) and tests"
bash "$root/scripts/build.sh" asan
(cd "$root/build/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")

echo "== thread tests under ThreadSanitizer"
# Only the suites and cases that run several threads, to keep the run short.
bash "$root/scripts/build.sh" tsan thr_test wip_test omni_test solver_part_map_test routines_test
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
bash "$root/tests/package/check_package.sh" "$root" "$root/build/release"

echo "== fuzzing every record reader"
bash "$root/scripts/fuzz.sh" "${KVL_FUZZ_SECONDS:-60}"
echo "== all tests passed"
