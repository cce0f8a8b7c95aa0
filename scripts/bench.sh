#!/usr/bin/env bash
# Developer command: builds and runs every benchmark, then prints one table
# of every figure they reported beside its target (bench/targets.txt).
# Arguments go to every program, e.g. --benchmark_filter=Read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" build bench
bash "$root/scripts/build.sh" bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for b in "$root"/build/bench/bench/*_bench; do
  name=$(basename "$b")
  echo "== $name"
  "$b" "$@" | tee "$work/$name.log"
  awk -v program="$name" '$1 == "RATIO" || $1 == "MEMORY" || $1 == "ALLOCATIONS" { print program, $1, $2, $3 }' \
    "$work/$name.log" >>"$work/figures"
done
touch "$work/figures"

echo
echo "== summary: speedup = baseline time / our time, higher is better"
awk '
  function row(program, figure,   key, v, t, verdict, op, want) {
    key = program " " figure
    v = (key in value) ? value[key] : "-"
    t = (key in target) ? target[key] : "?"
    verdict = ""
    if (v == "-") verdict = "not run"
    else if (t == "?") verdict = "unlisted"
    else if (t != "-") {
      split(t, part, " ")
      op = part[1]
      want = part[2]
      if (want !~ /^[0-9.]+$/) want = value[program " " want]
      if ((op == ">=" && v + 0 >= want + 0) || (op == "<=" && v + 0 <= want + 0) || (op == "=" && v + 0 == want + 0))
        verdict = "met"
      else
        verdict = "MISSED"
    }
    printf "%-21s %-11s %-38s %10s  %-8s %s\n", program, (key in kind) ? kind[key] : "", figure, v, verdict, t
    done[key] = 1
  }
  FNR == NR { key = $1 " " $3; kind[key] = $2 == "RATIO" ? "speedup" : tolower($2); value[key] = $4; order[++n] = key; next }
  /^#/ || NF < 3 { next }
  { target[$1 " " $2] = $3 == "-" ? "-" : $3 " " $4; listed[++m] = $1 " " $2 }
  END {
    printf "%-21s %-11s %-38s %10s  %-8s %s\n", "program", "kind", "figure", "value", "", "target"
    for (i = 1; i <= m; ++i) { split(listed[i], k, " "); row(k[1], k[2]) }
    for (i = 1; i <= n; ++i) if (!(order[i] in done)) { split(order[i], k, " "); row(k[1], k[2]) }
  }
' "$work/figures" "$root/bench/targets.txt"
