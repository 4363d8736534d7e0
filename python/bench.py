#!/usr/bin/env python3
"""Calls per second of kav.encode and kav.decode beside json.dumps and json.loads of the same value,
measured in the same run: kav_pid_state, and kav_host_update with 10 hosts.

Usage: PYTHONPATH=<build>/python python3 python/bench.py [--seconds S]
The targets: decode of kav_pid_state within 1.5 times the time of json.loads of its JSON text,
encode within 1.5 times the time of json.dumps.
"""
import argparse
import json
import sys
import timeit

import kav


def rate(fn, seconds):
    """Calls per second: the best of five rounds, each about seconds/5 long."""
    n = 1
    while timeit.timeit(fn, number=n) < 0.02:
        n *= 2
    per_round = max(1, int(n * (seconds / 5) / 0.02))
    return max(per_round / t for t in timeit.repeat(fn, number=per_round, repeat=5))


def host(i):
    return {"field0": i, "field1": 1000 + i, "field2": 7, "field3": 0, "field4": 65535, "field5": 2, "field6": 1,
            "field7": bytes(range(i, i + 16)), "field8": 80, "field9": 1, "field10": 6, "field11": 1,
            "field12": 3, "field13": bytes(range(6))}


def json_form(v):
    """The value as the command line's JSON has it: byte arrays as hex strings."""
    if isinstance(v, dict):
        return {k: json_form(x) for k, x in v.items()}
    if isinstance(v, list):
        return [json_form(x) for x in v]
    return v.hex() if isinstance(v, bytes) else v


CASES = {
    "kav_pid_state": {"field0": 1, "field1": 2, "field2": 3},
    "kav_host_update (10 hosts)": {"field0": 9, "n_field1": 10, "field1": [host(i) for i in range(10)]},
}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--seconds", type=float, default=1.0, help="time per measurement (default 1)")
    args = ap.parse_args()
    print(f"{'message':28} {'operation':10} {'kav calls/s':>12} {'json calls/s':>13} {'time ratio':>11}")
    ratios = {}
    for label, value in CASES.items():
        name = label.split()[0]
        data = kav.encode(name, value)
        assert kav.decode(name, data) == value
        text = json.dumps(json_form(value))
        jvalue = json.loads(text)
        for op, ours, theirs in (("decode", lambda: kav.decode(name, data), lambda: json.loads(text)),
                                 ("encode", lambda: kav.encode(name, value), lambda: json.dumps(jvalue))):
            a, b = rate(ours, args.seconds), rate(theirs, args.seconds)
            ratios[(name, op)] = b / a
            print(f"{label:28} {op:10} {a:12,.0f} {b:13,.0f} {b / a:11.2f}")
    print("time ratio: kav time / json time (target for kav_pid_state: at most 1.5)")
    ok = all(ratios[("kav_pid_state", op)] <= 1.5 for op in ("decode", "encode"))
    print("kav_pid_state target:", "met" if ok else "MISSED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
