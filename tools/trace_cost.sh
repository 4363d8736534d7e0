#!/usr/bin/env bash
# What libkav_trace.so adds to a send: runs bench/kav_trace_cost without and with the capture
# library preloaded (the capture in a temporary directory), alternating for a few rounds on one
# pinned core, and prints the added nanoseconds per send (median of the rounds' medians).
# Usage: tools/trace_cost.sh BUILD_DIR [ROUNDS]
#   BUILD_DIR: a release build with the benchmarks, e.g. cmake --preset release -B build/release
set -euo pipefail
build=${1:?usage: tools/trace_cost.sh BUILD_DIR [ROUNDS]}
rounds=${2:-3}
bench=$build/bench/kav_trace_cost
lib=$build/trace/libkav_trace.so
if [[ ! -x $bench || ! -f $lib ]]; then
  echo "trace_cost: $bench or $lib is missing (cmake --build $build --target kav_trace_cost kav_trace)" >&2
  exit 2
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
core=$(($(nproc) - 1))
for ((r = 1; r <= rounds; r++)); do
  taskset -c "$core" "$bench" --benchmark_format=json >"$tmp/plain.$r.json"
  KAV_TRACE_FILE="$tmp/capture.pcapng" LD_PRELOAD="$lib" taskset -c "$core" "$bench" \
    --benchmark_format=json >"$tmp/traced.$r.json"
  if [[ ! -s $tmp/capture.pcapng ]]; then
    echo "trace_cost: the traced run wrote no capture; is $lib loadable?" >&2
    exit 1
  fi
  echo "round $r: capture of $(stat -c %s "$tmp/capture.pcapng") bytes" >&2
  rm -f "$tmp/capture.pcapng"
done
python3 - "$tmp" "$rounds" <<'PY'
import json, statistics, sys
tmp, rounds = sys.argv[1], int(sys.argv[2])
def medians(kind, r):
    runs = json.load(open(f"{tmp}/{kind}.{r}.json"))["benchmarks"]
    return {b["run_name"].split("/iterations")[0]: b for b in runs if b.get("aggregate_name") == "median"}
rows = {}
for r in range(1, rounds + 1):
    plain, traced = medians("plain", r), medians("traced", r)
    for name, p in plain.items():
        row = rows.setdefault(name, {"plain": [], "traced": [], "memcpy": [], "bytes": p["bytes"]})
        row["plain"].append(p["op_ns"])
        row["traced"].append(traced[name]["op_ns"])
        row["memcpy"].append(p["memcpy_ns"])
print(f"{'median of %d rounds' % rounds:<32} {'bytes':>6} {'plain ns':>9} {'traced ns':>10} {'added ns':>9} {'memcpy ns':>10}")
for name, row in rows.items():
    plain, traced = statistics.median(row["plain"]), statistics.median(row["traced"])
    added = statistics.median(t - p for t, p in zip(row["traced"], row["plain"]))
    print(f"{name:<32} {row['bytes']:>6.0f} {plain:>9.0f} {traced:>10.0f} {added:>9.0f} {statistics.median(row['memcpy']):>10.1f}")
PY
