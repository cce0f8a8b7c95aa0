#!/usr/bin/env bash
# The main job: builds the library and the inpm command, then checks,
# summarises and queries the example part file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" build
bash "$root/scripts/build.sh" main inpm
inpm="$root/build/main/tools/inpm"
model="$root/examples/model.prt"
set -x
"$inpm" check "$model"
"$inpm" info "$model"
"$inpm" lookup "$model" node 1 2 3
"$inpm" lookup --json "$model" element 1
