#!/usr/bin/env bash
# Instructions and instruction-cache misses per message of the mixed-traffic round-robin run
# (unpack, pack and free of every message in turn, each list carrying two records), over a sweep of
# presence (100, 67, 33 and 10 percent of the scalars non-zero), under cachegrind's cache
# simulation, against their targets.
#   usage: tools/cachegrind_mixed.sh [--check] [build dir, default build/release]
# With --check it exits 1 when a target is missed; without, it only reports. With
# KAV_BASELINE=<commit> the library of that commit (tools/baseline_lib.sh) runs the same driver in
# the same run, and its figures are printed beside.
#
# The driver (kav_mixed --count) runs K and then 2K rounds, and the whole-program totals of the two
# runs are subtracted. The difference is K rounds of the loop in its steady state: start-up, the
# preparation of the structures and the first, cold pass over the code all cancel, which a
# collection toggled on around the loop (callgrind) would not do for the cold misses. What remains
# beside the library (and the malloc and free its lists call) is the driver's loop itself: about six
# instructions per message, whose code stays in the cache. Cachegrind is also the tool the targets
# are stated in.
#
# Between two presences the messages are the same and only their zeros differ, so the change in
# instructions over the change in present scalars is what one more present scalar costs; halved,
# per direction (unpack, pack).
set -euo pipefail

check=0
[[ ${1:-} == --check ]] && { check=1; shift; }
build=${1:-build/release}
driver=$build/bench/kav_mixed
k=100
command -v valgrind >/dev/null || { echo "cachegrind_mixed: valgrind is not installed" >&2; exit 2; }
[[ -x $driver ]] || { echo "cachegrind_mixed: $driver missing (configure with -DKAV_BUILD_BENCH=ON)" >&2; exit 2; }
baseline=
[[ -n ${KAV_BASELINE:-} ]] && baseline=$(bash "$(dirname "$0")/baseline_lib.sh" "$KAV_BASELINE")

# Valgrind counts every iteration of a rep-prefixed string instruction, where the processor retires
# one instruction: keep glibc's memset and memcpy on their vector loops for every size.
export GLIBC_TUNABLES=glibc.cpu.x86_rep_stosb_threshold=0x7fffffff:glibc.cpu.x86_rep_movsb_threshold=0x7fffffff

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "messages scalars present Ir I1mr" of one run of `rounds` rounds at presence `percent`,
# with the library found first in `libdir` (empty: the driver's own).
counted() {  # libdir percent rounds
  local per
  per=$(LD_LIBRARY_PATH=$1${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} valgrind --tool=cachegrind --cache-sim=yes \
    --cachegrind-out-file="$work/out" "$driver" --count "$2" "$3" </dev/null 2>"$work/log") || { cat "$work/log" >&2; exit 2; }
  awk -v per="$per" '/^events:/ { for (i = 2; i <= NF; ++i) col[$i] = i }
                     /^summary:/ { print per, $col["Ir"], $col["I1mr"] }' "$work/out"
}

# Per message at one presence: "instructions I1-misses present-scalars".
measure() {  # libdir percent
  local n scalars present ir1 miss1 ir2 miss2
  read -r n scalars present ir1 miss1 < <(counted "$1" "$2" "$k")
  read -r _ _ _ ir2 miss2 < <(counted "$1" "$2" "$((2 * k))")
  awk -v a="$ir1" -v b="$ir2" -v c="$miss1" -v d="$miss2" -v n="$((k * n))" -v p="$present" -v m="$n" \
    'BEGIN { printf "%.1f %.2f %.2f\n", (b - a) / n, (d - c) / n, p / m }'
}

fail=0
row() { printf '%-30s %10s %10s %8s  %s\n' "$@"; }
judge() {  # name value target (- : no target)
  if [[ $3 == - ]]; then
    row "$1" "$2" "" ""
  elif awk -v v="$2" -v t="$3" 'BEGIN { exit !(v <= t) }'; then
    row "$1" "$2" "$3" "pass"
  else
    row "$1" "$2" "$3" "FAIL"
    fail=1
  fi
}

echo "round-robin, per message ($k rounds)"
row "" "measured" "target" "result"
prev_ir= prev_present=
for goal in 100:400 67:600 33:- 10:-; do
  percent=${goal%%:*}
  read -r ir miss present < <(measure "" "$percent")
  judge "p$percent: instructions" "$ir" "${goal#*:}"
  judge "p$percent: I1 misses" "$miss" 6
  row "p$percent: present scalars" "$present" "" ""
  if [[ -n $baseline ]]; then
    read -r bir bmiss _ < <(measure "$baseline" "$percent")
    row "p$percent: baseline instr / I1" "$bir" "$bmiss" ""
  fi
  if [[ $percent != 100 && -n $prev_ir && $prev_present != "$present" ]]; then
    row "  per present scalar, per way" \
      "$(awk -v a="$prev_ir" -v b="$ir" -v p="$prev_present" -v q="$present" 'BEGIN { printf "%.1f", (a - b) / (p - q) / 2 }')" "" ""
  fi
  [[ $percent != 100 ]] && prev_ir=$ir prev_present=$present
done
echo "(simulated $(sed -n 's/^desc: I1 cache: */I1 cache: /p' "$work/out")${baseline:+; baseline $KAV_BASELINE from $baseline})"
((check && fail)) && exit 1
exit 0
