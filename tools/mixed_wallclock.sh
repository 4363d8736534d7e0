#!/usr/bin/env bash
# Wall clock of the mixed-traffic codec loops (bench/kav_mixed) on one pinned core, per presence:
# round-robin and hot loops, nanoseconds per message. With KAV_BASELINE=<commit> the library of
# that commit (tools/baseline_lib.sh) and the current one take turns, ROUNDS times each, in the same
# run, and the medians are printed side by side with their ratio (current / baseline).
#   usage: tools/mixed_wallclock.sh [build dir, default build/release]   (ROUNDS=5, CORE=1)
set -euo pipefail

build=${1:-build/release}
driver=$build/bench/kav_mixed
rounds=${ROUNDS:-5}
core=${CORE:-1}
[[ -x $driver ]] || { echo "mixed_wallclock: $driver missing (configure with -DKAV_BUILD_BENCH=ON)" >&2; exit 2; }
pin=()
taskset -c "$core" true 2>/dev/null && pin=(taskset -c "$core")
baseline=
[[ -n ${KAV_BASELINE:-} ]] && baseline=$(bash "$(dirname "$0")/baseline_lib.sh" "$KAV_BASELINE")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run: "name rr_ns hot_ns" per codec benchmark, appended to $work/<label>.
one() {  # label libdir
  LD_LIBRARY_PATH=$2${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} "${pin[@]}" "$driver" --benchmark_filter='^codec/' \
    --benchmark_repetitions=1 2>/dev/null | awk '$1 ~ /^codec\/p[0-9]+$/ && NF >= 4 { print $1, $2, $3 }' >>"$work/$1"
}
for ((r = 0; r < rounds; ++r)); do
  [[ -n $baseline ]] && one baseline "$baseline"
  one current ""
done

python3 - "$work" "$baseline" <<'EOF'
import statistics, sys, pathlib
work, baseline = pathlib.Path(sys.argv[1]), sys.argv[2]
def medians(label):
    runs = {}
    for line in (work / label).read_text().split("\n"):
        if line:
            name, rr, hot = line.split()
            runs.setdefault(name, []).append((float(rr), float(hot)))
    return {n: (statistics.median(r for r, _ in v), statistics.median(h for _, h in v)) for n, v in runs.items()}
cur = medians("current")
base = medians("baseline") if baseline else {}
head = f"{'median ns per message':<22} {'order':<12} {'current':>8}"
print(head + (f" {'baseline':>9} {'ratio':>6}" if base else ""))
for name in sorted(cur, key=lambda n: -int(n.split("/p")[1])):
    for i, order in enumerate(("round-robin", "hot loop")):
        line = f"{name:<22} {order:<12} {cur[name][i]:8.1f}"
        if name in base:
            line += f" {base[name][i]:9.1f} {cur[name][i] / base[name][i]:6.2f}"
        print(line)
EOF
