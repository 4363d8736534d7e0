#!/usr/bin/env bash
# Fuzzes every libFuzzer target on the generated seed corpus for SECONDS in all, split evenly
# across the targets, and prints the coverage each reached. Exits non-zero on any crash, leak,
# timeout or broken invariant (the input is left in BUILD_DIR/fuzz-artifacts/<target>/).
# Usage: tools/fuzz.sh SECONDS [BUILD_DIR]     (BUILD_DIR: the asan preset's, build/asan)
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: tools/fuzz.sh SECONDS [BUILD_DIR]}
build=${2:-build/asan}
targets=(unpack roundtrip)
[[ -x "$build/fuzz/fuzz_inspect" ]] && targets+=(inspect)   # built with the inspector
per=$(( seconds / ${#targets[@]} ))
(( per >= 1 )) || per=1

for t in "${targets[@]}" ; do
  [[ -x "$build/fuzz/fuzz_$t" ]] || { echo "fuzz.sh: $build/fuzz/fuzz_$t missing; build the asan preset first" >&2; exit 2; }
done
# The corpus generator sits under fuzz/, or under tests/fuzz_replay/ when the tests are built too.
make_corpus=$(find "$build/fuzz" "$build/tests/fuzz_replay" -maxdepth 1 -name make_corpus -type f 2>/dev/null | head -n 1)
[[ -n $make_corpus ]] || { echo "fuzz.sh: make_corpus missing under $build" >&2; exit 2; }
seed="$build/fuzz-corpus/seed"
rm -rf "$seed"
"$make_corpus" "$seed" tests/fuzz_replay/regressions || exit 2
if [[ -x "$build/fuzz/fuzz_inspect" ]]; then "$build/fuzz/inspect_seeds" "$seed/inspect" >/dev/null || exit 2; fi

status=0
passed=0
failed=0
for t in "${targets[@]}"; do
  work="$build/fuzz-corpus/work/$t"     # grows from run to run
  artifacts="$build/fuzz-artifacts/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  before=$(find "$artifacts" -type f | wc -l)
  "$build/fuzz/fuzz_$t" -max_total_time="$per" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$work" "$seed/$t" >"$log" 2>&1
  rc=$?
  after=$(find "$artifacts" -type f | wc -l)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  printf 'fuzz_%-10s %3ss  %s  runs: %s  exit: %s\n' "$t" "$per" "${cov:-cov: ?}" "${runs:-?}" "$rc"
  if (( rc != 0 || after != before )); then
    status=1
    failed=$(( failed + 1 ))
    echo "---- fuzz_$t failed; last lines of $log:"
    tail -n 40 "$log"
    find "$artifacts" -type f -newer "$seed" -print | sed 's/^/reproducer: /'
  else
    passed=$(( passed + 1 ))
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
