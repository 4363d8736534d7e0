#!/usr/bin/env bash
# Line and branch coverage of the library (runtime/, codec/, mesh/, messages/) by the test suite and
# the fuzz regression replay, with clang's source-based coverage. Prints the totals per folder and
# every library line that no test reaches.
# Usage: tools/coverage.sh [BUILD_DIR] [--report]   (BUILD_DIR: build/coverage; --report: only the
#        report, from the profiles of the last run)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bld=${1:-build/coverage}
report_only=${2:-}
profdata=llvm-profdata-14
cov=llvm-cov-14
for t in clang clang++ $profdata $cov; do
  command -v "$t" >/dev/null || { echo "coverage.sh: $t missing (tools/deps.sh coverage)" >&2; exit 2; }
done

status=0
if [[ $report_only != --report ]]; then
  flags="-O0 -g -fprofile-instr-generate -fcoverage-mapping"
  mkdir -p "$bld"
  cmake -S . -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Coverage \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS_COVERAGE="$flags" -DCMAKE_CXX_FLAGS_COVERAGE="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" -DCMAKE_SHARED_LINKER_FLAGS="-fprofile-instr-generate" \
    -DKAV_BUILD_TESTS=ON -DKAV_BUILD_BENCH=OFF -DKAV_BUILD_FUZZ=OFF -DKAV_WERROR=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON >"$bld/configure.log" 2>&1 ||
    { cat "$bld/configure.log" >&2; exit 2; }
  cmake --build "$bld" -j"${JOBS:-1}"

  rm -rf "$bld/profiles"
  mkdir -p "$bld/profiles"
  LLVM_PROFILE_FILE="$root/$bld/profiles/%p-%m.profraw" ctest --test-dir "$bld" -j"${JOBS:-2}" --output-on-failure ||
    status=$?
  find "$bld/profiles" -name '*.profraw' >"$bld/profiles.list"
fi
$profdata merge -sparse -f "$bld/profiles.list" -o "$bld/suite.profdata"

# Every program the suite ran and the shared library: programs that never run would only add
# copies of inline functions without counts.
objects=()
for f in $(find "$bld" -maxdepth 1 -name 'libkav.so*' -type f; find "$bld/tests" -type f -perm -u+x ! -name '*.sh' ! -path '*/CMakeFiles/*'); do
  if file -b "$f" | grep -q ELF; then objects+=(-object "$f"); fi
done
dirs=(runtime codec mesh messages)
srcs=()
for d in "${dirs[@]}"; do srcs+=("$root/$d"); done

echo
echo "coverage of the library (lines, branches):"
$cov export -summary-only -instr-profile="$bld/suite.profdata" "${objects[@]:1}" "${srcs[@]}" |
  python3 -c '
import json, sys
root, dirs = sys.argv[1], sys.argv[2:]
files = json.load(sys.stdin)["data"][0]["files"]
tot = {d: [0, 0, 0, 0] for d in dirs + ["all"]}
for f in files:
    rel = f["filename"][len(root) + 1:]
    d = rel.split("/")[0]
    if d not in dirs:
        continue
    s = f["summary"]
    for k in (d, "all"):
        t = tot[k]
        t[0] += s["lines"]["covered"]; t[1] += s["lines"]["count"]
        t[2] += s["branches"]["covered"]; t[3] += s["branches"]["count"]
# The layout builders run only in the compiler (constexpr): none of their lines can run.
builders = ("codec/tables.hpp", "codec/describe.hpp")
tot["run time"] = [0, 0, 0, 0]
for f in files:
    rel = f["filename"][len(root) + 1:]
    if rel.split("/")[0] in dirs and rel not in builders:
        s = f["summary"]
        t = tot["run time"]
        t[0] += s["lines"]["covered"]; t[1] += s["lines"]["count"]
        t[2] += s["branches"]["covered"]; t[3] += s["branches"]["count"]
pct = lambda a, b: 100.0 * a / b if b else 100.0
for k in dirs + ["all", "run time"]:
    lc, ln, bc, bn = tot[k]
    label = k if k in ("all", "run time") else k + "/"
    print(f"  {label:10} lines {lc:5}/{ln:<5} {pct(lc, ln):6.2f} %   branches {bc:4}/{bn:<4} {pct(bc, bn):6.2f} %")
' "$root" "${dirs[@]}"

echo
echo "library lines not reached:"
$cov show -instr-profile="$bld/suite.profdata" -show-line-counts -use-color=false "${objects[@]:1}" "${srcs[@]}" |
  awk -v root="$root/" '
    /^\/.*:$/ { file = substr($0, 1, length($0) - 1); sub(root, "", file); next }
    /^ *[0-9]+\| *0\|/ { split($0, a, "|"); line = a[1] + 0; text = a[3]; sub(/^ +/, "", text);
                         key = file ":" line; if (!(key in seen)) { seen[key] = 1; print "  " key ": " text } }'
exit $status
