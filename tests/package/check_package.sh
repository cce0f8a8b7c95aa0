#!/usr/bin/env bash
# Installs a release build into a scratch prefix, builds the consumer program
# against it with find_package and with pkg-config, runs both, and checks the
# dynamic symbol table: the exported classes are there, internal helpers and
# the support library's model generator not.
set -euo pipefail
root=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
# The library directory is the install's own (lib, lib64 or a multiarch one).
lib=$(find "$prefix" -name libKVLinpM.so -print -quit)
[ -n "$lib" ] || { echo "package: libKVLinpM.so not installed under $prefix" >&2; exit 1; }
libdir=$(dirname "$lib")

cmake -S "$root/tests/package" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DKVLinpM_DIR="$libdir/cmake/KVLinpM" >/dev/null
cmake --build "$work/cmake" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/cmake/consumer" >/dev/null
echo "package: find_package consumer ok"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
g++ -o "$work/pc-consumer" "$root/tests/package/consumer.cpp" $(pkg-config --define-variable=prefix="$prefix" --cflags --libs kvlinpm)
LD_LIBRARY_PATH="$libdir" "$work/pc-consumer" >/dev/null
echo "package: pkg-config consumer ok"

# The Fortran module installed with the headers, and the library linked as
# the README says.
mkdir "$work/fortran"
# shellcheck disable=SC2046
gfortran -J "$work/fortran" -o "$work/fortran/consumer" "$prefix/include/KVLinpM/inpm.f90" \
  "$root/tests/package/fortran_consumer.f90" $(pkg-config --define-variable=prefix="$prefix" --libs kvlinpm)
cp "$root/tests/golden/routines_job.prt" "$work/fortran/job.prt"
(cd "$work/fortran" && INPM_JOB_DIR="$work/fortran" INPM_JOB=job LD_LIBRARY_PATH="$libdir" ./consumer)
echo "package: Fortran consumer ok"

symbols="$work/symbols"
nm -D --defined-only -C "$lib" >"$symbols"
for wanted in "inpM_IdMap::Renumber" "inpM_Utils::FormatCollectedErrors" "inpM_InstanceMaps::Print" "cow_String::Find" "wip_Error" "inpM_PartMap::ConstGetInstanceNodeIdPair" "thr_ThreadSingleton<inpM_SolverPartMap>::Instance" \
              "INPM_GETPARTINFO" "inpm_getpartinfo_" "getpartinfo_" "INPM_SOLVERPARTINFO" "inpm_solverpartinfo_" "inpM_SolverPartInfoC" "inpm_solverpartcloseall_" "wip_Fatal" "inpM_initialize" \
              "inpm_insertnodeorelem2partmap_" "INPM_PRINTMAP" "inpM_insertsurface2partmapC"; do
  grep -q "$wanted" "$symbols" || { echo "package: exported symbol missing: $wanted" >&2; exit 1; }
done
for hidden in "inpM_Utils::CompareIgnoreCase(" "inpM_Utils::FindIgnoreCase(" "(anonymous namespace)" "inpM_ReportError" "inpM_Message(" "inpM_GlobalIndex" \
              "inpM_FortranBoundary" "inpM_RightTrimmed" "inpM_GenerateModel" "inpM_GeneratedInstanceName" "inpM_ModelShape"; do
  if grep -qF "$hidden" "$symbols"; then echo "package: internal helper exported: $hidden" >&2; exit 1; fi
done
# Nor is the model generator in the shared object at all, hidden or not.
if nm -C "$lib" 2>/dev/null | grep -qF "inpM_GenerateModel"; then
  echo "package: the model generator is in libKVLinpM.so" >&2
  exit 1
fi
echo "package: exported symbols ok ($(grep -c ' [TWVBDR] ' "$symbols") defined)"
