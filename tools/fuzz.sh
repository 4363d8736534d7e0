#!/usr/bin/env bash
# Fuzzes every libFuzzer target on the generated seed corpus for SECONDS in all, split evenly
# across the targets, and prints the coverage each reached. Exits non-zero on any crash, leak,
# timeout or broken invariant (the input is left in BUILD_DIR/fuzz-artifacts/<target>/).
# Usage: tools/fuzz.sh SECONDS [BUILD_DIR]     (BUILD_DIR: the fuzz preset's, build/fuzz)
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: tools/fuzz.sh SECONDS [BUILD_DIR]}
build=${2:-build/fuzz}
targets=(unpack roundtrip)
per=$(( seconds / ${#targets[@]} ))
(( per >= 1 )) || per=1

for t in "${targets[@]}" ; do
  [[ -x "$build/fuzz/fuzz_$t" ]] || { echo "fuzz.sh: $build/fuzz/fuzz_$t missing; build the fuzz preset first" >&2; exit 2; }
done
seed="$build/fuzz-corpus/seed"
rm -rf "$seed"
"$build/fuzz/make_corpus" "$seed" tests/fuzz_replay/regressions || exit 2

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
