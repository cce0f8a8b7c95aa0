#!/usr/bin/env bash
# The main job: builds the library and the inpm command, then checks,
# summarises and queries the example part file, and runs a short analysis
# through the solver routines.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" build
bash "$root/scripts/build.sh" main inpm analysis_example
inpm="$root/build/main/tools/inpm"
model="$root/examples/model.prt"
set -x
"$inpm" check "$model"
"$inpm" info "$model"
"$inpm" lookup "$model" node 1 2 3
"$inpm" lookup --json "$model" element 1
set +x

# A short analysis through the solver routines, in a job folder of its own:
# its messages, the maps it printed and the part file it wrote back.
job=$(mktemp -d)
trap 'rm -rf "$job"' EXIT
cp "$root/examples/analysis_job.prt" "$job/job.prt"
set -x
(cd "$job" && INPM_JOB_DIR="$job" INPM_JOB=job "$root/build/main/examples/analysis_example")
cat "$job/maps.txt"
"$inpm" info "$job/job.prt"
