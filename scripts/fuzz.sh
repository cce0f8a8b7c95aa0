#!/usr/bin/env bash
# Fuzzes the part file reader: scripts/fuzz.sh [seconds, default 60].
# Builds the fuzz target with clang 14, libFuzzer, ASan and UBSan in its own
# build directory, seeds it with generated part files and the hand-written
# golden ones, and runs it for the given time. Exits non-zero when libFuzzer
# finds a crash, a sanitizer report, a leak, a slow input or runaway memory;
# the input that did it is left in build/fuzz/ as crash-*, leak-*, timeout-*
# or oom-*.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
dir="${KVL_FUZZ_BUILD_DIR:-$root/build/fuzz}"

bash "$root/scripts/setup.sh" build fuzz

mkdir -p "$dir"
if ! { cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
         -DKVL_SANITIZE=ON -DKVL_BUILD_FUZZ=ON -DKVL_BUILD_TESTS=OFF &&
       cmake --build "$dir" -j "$(nproc)" --target partfile_fuzz inpm; } >"$dir/build.log" 2>&1; then
  tail -n 40 "$dir/build.log" >&2
  echo "fuzz.sh: building the fuzz target failed (log: $dir/build.log)" >&2
  exit 1
fi

seeds="$dir/seeds"
corpus="$dir/corpus"
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus"
cp "$root"/tests/golden/*.prt "$seeds/"
inpm="$dir/tools/inpm"
"$inpm" generate --seed 1 "$seeds/default.prt"
"$inpm" generate --seed 2 --instances 2 --nodes 6 --elements 3 --assembly-nodes 2 --assembly-elements 1 \
  --set-fraction 0.5 --quoted-names "$seeds/small-quoted.prt"
"$inpm" generate --seed 3 --instances 5 --nodes 4 --elements 4 --assembly-nodes 0 --assembly-elements 0 \
  "$seeds/no-assembly-ids.prt"
"$inpm" generate --seed 4 --instances 0 --assembly-nodes 3 --assembly-elements 3 "$seeds/assembly-only.prt"

ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$dir/fuzz/partfile_fuzz" -max_total_time="$seconds" -max_len=32768 -timeout=10 -rss_limit_mb=2048 \
  -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$dir/" "$corpus" "$seeds"
