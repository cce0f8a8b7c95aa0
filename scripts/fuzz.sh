#!/usr/bin/env bash
# Fuzzes every record reader: one libFuzzer target per fuzz/<name>_fuzz.cpp.
#
#   scripts/fuzz.sh [SECONDS]     every target for SECONDS / (number of targets),
#                                 SECONDS 60 by default (scripts/test.sh's run)
#   scripts/fuzz.sh --long [N]    the campaign: rounds of a minute per target,
#                                 one process on one core, until the targets have
#                                 run N inputs in all (10,000,000 by default),
#                                 or until KVL_FUZZ_LONG_SECONDS have passed
#   scripts/fuzz.sh --make-corpus remakes the seed corpora fuzz/corpus/<name>/
#                                 from generated models and tests/golden/*.prt
#                                 (inputs named regress-* are kept)
#
# Builds all targets in one clang 14 build with libFuzzer, ASan and UBSan
# (build/fuzz, or KVL_FUZZ_BUILD_DIR) and runs each on its checked-in corpus,
# fuzz/corpus/<name>/, and a working corpus of its own, build/fuzz/corpus/<name>/.
# Prints each target's executions, time and rate and the total. Exits non-zero
# when any target finds a crash, a failed check, a sanitizer report, a leak, a
# slow input or runaway memory; the input that did it is left in build/fuzz/ as
# <name>-crash-*, -leak-*, -timeout-* or -oom-*, and the target's log beside it
# as <name>.log. Replay one with build/fuzz/fuzz/<name>_fuzz FILE; keep it as
# fuzz/corpus/<name>/regress-<what> once the library is fixed, so that CTest
# replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="${KVL_FUZZ_BUILD_DIR:-$root/build/fuzz}"

mode=short
seconds=60
total_runs=10000000
case "${1:-}" in
  --long) mode=long; total_runs=${2:-$total_runs} ;;
  --make-corpus) mode=corpus ;;
  "") ;;
  *) seconds=$1 ;;
esac

bash "$root/scripts/setup.sh" build fuzz

names=()
for src in "$root"/fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  names+=("${name%_fuzz}")
done
if [[ $mode == corpus ]]; then
  build_targets=(fuzz_make_corpus)
else
  build_targets=("${names[@]/%/_fuzz}")
fi

mkdir -p "$dir"
if ! { cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
         -DKVL_SANITIZE=ON -DKVL_BUILD_FUZZ=ON -DKVL_BUILD_TESTS=OFF &&
       cmake --build "$dir" -j "$(nproc)" --target "${build_targets[@]}"; } >"$dir/build.log" 2>&1; then
  tail -n 40 "$dir/build.log" >&2
  echo "fuzz.sh: building the fuzz targets failed (log: $dir/build.log)" >&2
  exit 1
fi

if [[ $mode == corpus ]]; then
  "$dir/fuzz/fuzz_make_corpus" "$root/fuzz/corpus" "$root"/tests/golden/*.prt
  echo "fuzz.sh: corpora remade in $root/fuzz/corpus"
  exit 0
fi

# The short run gives every target an equal share of the time. The campaign
# runs rounds of a minute per target (each round goes on from the working
# corpus of the last) until the targets have run total_runs inputs in all, so
# that fast targets run more inputs than slow ones in the same time.
per_target=$(( seconds / ${#names[@]} ))
(( per_target >= 1 )) || per_target=1
[[ $mode == long ]] && per_target=60

# libFuzzer writes what it has no other place for into the working folder.
cd "$dir"
declare -A runs_of seconds_of
failed=()
total=0
campaign_start=$(date +%s.%N)
while :; do
  for name in "${names[@]}"; do
    [[ " ${failed[*]} " == *" $name "* ]] && continue
    corpus="$dir/corpus/$name"
    log="$dir/$name.log"
    mkdir -p "$corpus"
    start=$(date +%s.%N)
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$dir/fuzz/${name}_fuzz" -max_total_time="$per_target" -max_len=4096 -timeout=10 \
      -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$dir/$name-" \
      "$corpus" "$root/fuzz/corpus/$name" >"$log" 2>&1 || failed+=("$name")
    elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    runs_of[$name]=$(( ${runs_of[$name]:-0} + ${runs:-0} ))
    seconds_of[$name]=$(awk -v a="${seconds_of[$name]:-0}" -v b="$elapsed" 'BEGIN { print a + b }')
    total=$(( total + ${runs:-0} ))
    if [[ " ${failed[*]} " == *" $name "* ]]; then
      grep -E 'ERROR|fuzz check failed|Test unit written|SUMMARY' "$log" | head -n 20 >&2 || true
    fi
  done
  [[ $mode == long ]] || break
  (( total < total_runs && ${#failed[@]} < ${#names[@]} )) || break
  if [[ -n ${KVL_FUZZ_LONG_SECONDS:-} ]] &&
     awk -v a="$campaign_start" -v b="$(date +%s.%N)" -v m="$KVL_FUZZ_LONG_SECONDS" 'BEGIN { exit !(b - a >= m) }'; then
    echo "fuzz.sh: the campaign stops at its time limit of $KVL_FUZZ_LONG_SECONDS s, short of $total_runs inputs" >&2
    break
  fi
done

printf '%-14s %12s %9s %10s  %s\n' target executions seconds exec/s result
for name in "${names[@]}"; do
  result=ok
  [[ " ${failed[*]} " == *" $name "* ]] && result=FAILED
  printf '%-14s %12d %9.1f %10.0f  %s\n' "$name" "${runs_of[$name]}" "${seconds_of[$name]}" \
    "$(awk -v r="${runs_of[$name]}" -v t="${seconds_of[$name]}" 'BEGIN { print r / (t + 0.001) }')" "$result"
done
total_elapsed=$(awk -v a="$campaign_start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
printf '%-14s %12d %9.1f %10.0f\n' total "$total" "$total_elapsed" "$(awk -v r="$total" -v t="$total_elapsed" 'BEGIN { print r / (t + 0.001) }')"

if (( ${#failed[@]} > 0 )); then
  echo "fuzz.sh: findings in ${failed[*]} (inputs and logs in $dir)" >&2
  exit 1
fi
