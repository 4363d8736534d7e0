#!/usr/bin/env bash
# Instructions and instruction-cache misses per message of the mixed-traffic round-robin run
# (unpack, pack and free of every message in turn, each list carrying two records), per value kind,
# under cachegrind's cache simulation, against their targets.
#   usage: tools/cachegrind_mixed.sh [--check] [build dir, default build/release]
# With --check it exits 1 when a target is missed; without, it only reports.
#
# The driver (kav_mixed --count) runs K and then 2K rounds, and the whole-program totals of the two
# runs are subtracted. The difference is K rounds of the loop in its steady state: start-up, the
# preparation of the structures and the first, cold pass over the code all cancel, which a
# collection toggled on around the loop (callgrind) would not do for the cold misses. What remains
# beside the library (and the malloc and free its lists call) is the driver's loop itself: about six
# instructions per message, whose code stays in the cache. Cachegrind is also the tool the targets
# are stated in.
set -euo pipefail

check=0
[[ ${1:-} == --check ]] && { check=1; shift; }
build=${1:-build/release}
driver=$build/bench/kav_mixed
k=100
command -v valgrind >/dev/null || { echo "cachegrind_mixed: valgrind is not installed" >&2; exit 2; }
[[ -x $driver ]] || { echo "cachegrind_mixed: $driver missing (configure with -DKAV_BUILD_BENCH=ON)" >&2; exit 2; }

# Valgrind counts every iteration of a rep-prefixed string instruction, where the processor retires
# one instruction: keep glibc's memset and memcpy on their vector loops for every size.
export GLIBC_TUNABLES=glibc.cpu.x86_rep_stosb_threshold=0x7fffffff:glibc.cpu.x86_rep_movsb_threshold=0x7fffffff

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "messages-per-round Ir I1mr" of one run of `rounds` rounds of value kind `kind`.
counted() {  # kind rounds
  local per
  per=$(valgrind --tool=cachegrind --cache-sim=yes --cachegrind-out-file="$work/out" \
    "$driver" --count "$1" "$2" </dev/null 2>"$work/log") || { cat "$work/log" >&2; exit 2; }
  awk -v per="$per" '/^events:/ { for (i = 2; i <= NF; ++i) col[$i] = i }
                     /^summary:/ { print per, $col["Ir"], $col["I1mr"] }' "$work/out"
}

fail=0
row() { printf '%-44s %12s %8s  %s\n' "$@"; }
judge() {  # name value target
  if awk -v v="$2" -v t="$3" 'BEGIN { exit !(v <= t) }'; then row "$1" "$2" "$3" "pass"; else row "$1" "$2" "$3" "FAIL"; fail=1; fi
}
row "round-robin, per message ($k rounds)" "measured" "target" "result"
for goal in nonzero:470 random:550; do
  kind=${goal%%:*}
  read -r per ir1 miss1 < <(counted "$kind" "$k")
  read -r _ ir2 miss2 < <(counted "$kind" "$((2 * k))")
  n=$((k * per))
  judge "$kind: instructions" "$(awk -v a="$ir1" -v b="$ir2" -v n="$n" 'BEGIN { printf "%.1f", (b - a) / n }')" "${goal#*:}"
  judge "$kind: I1 misses" "$(awk -v a="$miss1" -v b="$miss2" -v n="$n" 'BEGIN { printf "%.2f", (b - a) / n }')" 6
done
echo "($per messages a round; simulated $(sed -n 's/^desc: I1 cache: */I1 cache: /p' "$work/out"))"
((check && fail)) && exit 1
exit 0
