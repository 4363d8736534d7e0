#!/usr/bin/env bash
# Instructions per operation of the library, counted by callgrind, against their budgets; then
# the allocations each operation makes.
#   usage: tools/callgrind_counts.sh [--check] [build dir, default build/release]
# With --check it exits 1 when a budget is exceeded; without, it only reports.
# Each operation runs N and 2N times with collection on only inside the measured function (its
# excluded callees toggled off again); the difference over N drops the one-time service binding.
set -euo pipefail

check=0
[[ ${1:-} == --check ]] && { check=1; shift; }
build=${1:-build/release}
bin=$build/bench
n=200
command -v valgrind >/dev/null || { echo "callgrind_counts: valgrind is not installed" >&2; exit 2; }
for d in kav_count kav_count_fixed; do
  [[ -x $bin/$d ]] || { echo "callgrind_counts: $bin/$d missing (configure with -DKAV_BUILD_BENCH=ON)" >&2; exit 2; }
done
[[ $(ldd "$bin/kav_count") == */noop/libvarelmesh.so* ]] ||
  { echo "callgrind_counts: $bin/kav_count does not load the no-op messaging library" >&2; exit 2; }

# Valgrind counts every iteration of a rep-prefixed string instruction, where the processor retires
# one instruction: keep glibc's memset and memcpy on their vector loops for every size.
export GLIBC_TUNABLES=glibc.cpu.x86_rep_stosb_threshold=0x7fffffff:glibc.cpu.x86_rep_movsb_threshold=0x7fffffff

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

collected() {  # driver operation runs function "excluded callees"
  local toggles=(--toggle-collect="$4") callee
  for callee in $5; do toggles+=(--toggle-collect="$callee"); done
  valgrind --tool=callgrind --collect-atstart=no "${toggles[@]}" --callgrind-out-file="$work/out" \
    "$1" "$2" "$3" </dev/null >/dev/null 2>"$work/log" || { cat "$work/log" >&2; exit 2; }
  awk '/^(summary|totals):/ { print $2; exit }' "$work/out"
}

fail=0
row() { printf '%-52s %12s %8s  %s\n' "$@"; }
row "operation" "instructions" "target" "result"
for driver in "$bin/kav_count" "$bin/kav_count_fixed"; do
  while IFS='|' read -r name function excluded per target; do
    once=$(collected "$driver" "$name" "$n" "$function" "$excluded")
    twice=$(collected "$driver" "$name" "$((2 * n))" "$function" "$excluded")
    value=$(awk -v a="$once" -v b="$twice" -v n="$n" -v p="$per" 'BEGIN { printf "%.1f", (b - a) / n / p }')
    if [[ $target == 0 ]]; then
      row "$name" "$value" "-" "-"
    elif awk -v v="$value" -v t="$target" 'BEGIN { exit !(v <= t) }'; then
      row "$name" "$value" "$target" "pass"
    else
      row "$name" "$value" "$target" "FAIL"; fail=1
    fi
  done < <("$driver" --list)
done

echo
row "allocations per call" "measured" "target" "result"
while IFS='|' read -r name value target; do
  if awk -v v="$value" -v t="$target" 'BEGIN { exit !(v == t) }'; then
    row "$name" "$value" "$target" "pass"
  else
    row "$name" "$value" "$target" "FAIL"; fail=1
  fi
done < <("$bin/kav_count" --allocs)
((check && fail)) && exit 1
exit 0
