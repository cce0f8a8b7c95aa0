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
# With valgrind at hand, CTest runs the Fortran driver of library starts and
# ends on several threads (threads_fortran) under valgrind memcheck here.
bash "$root/scripts/build.sh" release
(cd "$root/build/release" && ctest --output-on-failure -j "$(nproc)")

echo "== sanitizer build (ASan + UBSan) and tests"
bash "$root/scripts/build.sh" asan
(cd "$root/build/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")

echo "== thread tests under ThreadSanitizer"
# Every suite whose source starts threads, whole: tests/CMakeLists.txt labels
# them "threads" and gathers them in the target kvl_thread_tests.
bash "$root/scripts/build.sh" tsan kvl_thread_tests
(cd "$root/build/tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest -L threads --output-on-failure -j "$(nproc)")

echo "== installed package"
bash "$root/tests/package/check_package.sh" "$root" "$root/build/release"

echo "== fuzzing every record reader"
bash "$root/scripts/fuzz.sh" "${KVL_FUZZ_SECONDS:-60}"
echo "== all tests passed"
