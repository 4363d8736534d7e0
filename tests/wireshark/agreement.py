#!/usr/bin/env python3
"""tshark with the generated dissector (kav.lua) and `kav decode --capture` read the same captures
and must agree on every record: header, message, every field, and for a malformed buffer the
position and field of the first failing check.

  agreement.py --kav KAV --lua KAV_LUA --work DIR [--demo KAV_DEMO]

Captures: the demo traced by the capture library (with --demo), and one written here of damaged
buffers of the messages that hold each kind of field, with records of every other sort around
them. Exits 77 when tshark is not installed.
"""
import argparse
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys

# trace/kav_capture.h: version, direction, flags, pid, tid, dest, target, msgid, length, result,
# entry, count, reserved; then the message.
RECORD = struct.Struct("<BBHIIIQIIIIII")
SEND, RECV, NOTE = 0, 1, 2
HAS_TARGET, NULL_DATA, HAS_RESULT = 1, 2, 4
DIRECTIONS = {"0": "send", "1": "recv", "2": "note"}

# A message of each kind of field: scalars, a u64, a nested record, a list with byte arrays, a
# list with a struct array, a u16 array.
DAMAGED = ["kav_pid_state", "kav_ot_cachelocalmsg", "kav_pid_state_chg", "kav_host_update",
           "kav_templateflow_update", "kav_ot_flextemplate"]


def run(cmd, data=None):
    p = subprocess.run(cmd, input=data, capture_output=True)
    if p.returncode not in (0, 1):
        sys.exit(f"{' '.join(cmd)} exited {p.returncode}: {p.stderr.decode(errors='replace')}")
    return p.stdout


# ---- writing a capture ---------------------------------------------------------------------------

def block(kind, body):
    body += b"\0" * (-len(body) % 4)
    return struct.pack("<II", kind, len(body) + 12) + body + struct.pack("<I", len(body) + 12)


def pcapng(packets):
    """packets: (time_ns, data, original length)."""
    out = [block(0x0A0D0D0A, struct.pack("<IHHq", 0x1A2B3C4D, 1, 0, -1)),
           block(1, struct.pack("<HHI", 147, 0, 262144) + struct.pack("<HHB3xHH", 9, 1, 9, 0, 0))]
    for t, data, original in packets:
        out.append(block(6, struct.pack("<IIIII", 0, t >> 32, t & 0xFFFFFFFF, len(data), original) + data))
    return b"".join(out)


def record(direction, msgid, body, flags=HAS_RESULT, dest=7, target=0, result=0, length=None, version=1):
    length = len(body) if length is None else length
    return RECORD.pack(version, direction, flags, 4100, 4101, dest, target, msgid, length, result, 0, 1, 0) + body


def random_value(rnd, slots):
    out = {}
    for s in slots:
        kind, name = s["kind"], s["name"]
        if kind in ("u8", "u16", "u32", "u64"):
            v = 0 if rnd.random() < 0.3 else rnd.randrange(1, 1 << (8 * s["width"]))
            out[name] = str(v) if kind == "u64" else v
        elif kind == "bytes":
            out[name] = rnd.randbytes(s["count"]).hex()
        elif kind == "array":
            out[name] = [rnd.randrange(1 << 16) if s["element"] == "u16" else random_value(rnd, s["fields"])
                         for _ in range(s["count"])]
        elif kind == "record":
            out[name] = random_value(rnd, s["fields"])
        else:
            n = rnd.randrange(1, 4)
            out["n_" + name], out[name] = n, [random_value(rnd, s["fields"]) for _ in range(n)]
    return out


def damaged(rnd, buf):
    """Cuts and overwrites that break the buffer's checks (or, by chance, keep it well-formed)."""
    n = len(buf)
    out = [buf[:k] for k in sorted(rnd.sample(range(n), min(n, 12)))]
    words = [0, 3, n - 3, n - 4, n, 0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFF0, 1 << 30, 15, 17]
    for _ in range(48):
        b = bytearray(buf)
        p = rnd.randrange(n - 3)
        b[p:p + 4] = struct.pack("<I", rnd.choice(words) & 0xFFFFFFFF)
        out.append(bytes(b))
    for _ in range(8):  # a vtable length or slot entry
        b = bytearray(buf)
        p = rnd.randrange(4, min(n - 1, 40))
        b[p:p + 2] = struct.pack("<H", rnd.choice([0, 2, 5, 6, 0xFFFF, rnd.randrange(1 << 16)]))
        out.append(bytes(b))
    return out


def damaged_capture(kav, path):
    rnd = random.Random(23)
    catalogue = {m["name"]: m for m in json.loads(run([kav, "list", "--json"]))}
    bodies = []
    for name in DAMAGED:
        m = catalogue[name]
        shape = json.loads(run([kav, "show", name, "--json"]))
        for layout in ["--compact"] + (["--fixed"] if m["encoder"] == "fixed" else []):
            good = run([kav, "encode", name, layout], json.dumps(random_value(rnd, shape["slots"])).encode())
            bodies += [(int(m["msg_id"], 16), b) for b in [good] + damaged(rnd, good)]
    pid_state = int(catalogue["kav_pid_state"]["msg_id"], 16)
    full = bodies[0][1]
    packets = [record(d, msgid, body, flags=HAS_RESULT if d == SEND else 0, dest=7 if d == SEND else 0)
               for i, (msgid, body) in enumerate(bodies) for d in [(SEND, RECV)[i % 2]]]
    packets += [
        record(SEND, pid_state, full, flags=HAS_TARGET | HAS_RESULT, target=0x1122334455667788, result=9),
        record(NOTE, 0, "capture stopped: KAV_TRACE_MAX_BYTES reached".encode(), flags=0, dest=0),
        record(SEND, pid_state, b"", flags=NULL_DATA | HAS_RESULT),
        record(SEND, 0xDEADBEEF, full),
        record(RECV, pid_state, b"", flags=0, dest=0, length=0xFFFFFFFF),  # a negative length
        record(SEND, pid_state, full, version=2),
        record(SEND, pid_state, full)[:40],
    ]
    frames = [(1_700_000_000_000_000_000 + 1000 * i, p, len(p)) for i, p in enumerate(packets)]
    cut = record(SEND, pid_state, full)
    frames.append((1_700_000_000_000_000_000 + 1000 * len(frames), cut[:-6], len(cut)))  # snap length
    with open(path, "wb") as f:
        f.write(pcapng(frames))


# ---- reading both sides --------------------------------------------------------------------------

def as_list(v):
    return v if isinstance(v, list) else [v]


def leaf(v):
    return v.replace(":", "") if isinstance(v, str) else v


def fields_of(node, prefix):
    """A message subtree in the JSON form of `kav decode` (every value a string)."""
    out = {}
    for key, value in node.items():
        name = key[len(prefix) + 1:]
        if not key.startswith(prefix + ".") or "." in name:
            continue
        if not isinstance(value, dict):
            out[name] = leaf(value)
        elif key + ".item" in value:
            out[name] = [fields_of(i, key) if isinstance(i, dict) else leaf(i) for i in as_list(value[key + ".item"])]
        else:
            out[name] = fields_of(value, key)
    for name in [n for n in out if n.startswith("n_") and n[2:] not in out]:
        out[name[2:]] = None  # an empty list
    return out


def experts(node, found):
    if isinstance(node, list):
        for v in node:
            experts(v, found)
    elif isinstance(node, dict):
        for key, value in node.items():
            if key == "_ws.expert":
                for e in as_list(value):
                    found += [(k, e.get("_ws.expert.message")) for k in e if k.startswith("kav.")]
            else:
                experts(value, found)
    return found


def problem(kind, text=""):
    if kind == "kav.malformed":
        where, pos = re.match(r"(\S+) at (\d+): ", text).groups()
        return f"malformed at {pos} ({'' if where == 'root' else where})"
    return {"kav.truncated": "truncated", "kav.bad_record": "record", "kav.unknown": None}[kind]


def dissected(layers):
    """One packet of tshark's JSON as `kav decode --capture` has it, the problem in short."""
    k = layers.get("kav", {})
    sec, _, frac = layers["frame"]["frame.time_epoch"].partition(".")
    rec = {"time": int(sec) * 10**9 + int(frac.ljust(9, "0")[:9]), "problem": None}
    if "kav.direction" not in k:
        return {**rec, "problem": "record"}
    direction = DIRECTIONS[k["kav.direction"]]
    flags = k["kav.flags_tree"]
    rec.update(direction=direction, pid=int(k["kav.pid"]), tid=int(k["kav.tid"]),
               dest=int(k["kav.dest"]) if direction == "send" else None,
               target=int(k["kav.target"]) if flags["kav.flags.has_target"] == "1" else None,
               msgid=None if direction == "note" else "0x%08x" % int(k["kav.msgid"], 16),
               message=k.get("kav.message"), fields=None)
    if direction == "send":
        rec["result"] = int(k["kav.result"]) if flags["kav.flags.has_result"] == "1" else None
    if direction == "note":
        rec["note"] = k["kav.note"]
    if flags["kav.flags.null_data"] == "1":
        rec["problem"] = "null"
    found = [problem(kind, text) for kind, text in experts(k, []) if problem(kind, text)]
    if len(found) > 1:
        rec["problem"] = "several: " + repr(found)
    elif found:
        rec["problem"] = found[0]
    if rec["message"] and rec["problem"] in (None, "null") and "kav." + rec["message"] in k:
        rec["fields"] = fields_of(k["kav." + rec["message"]], "kav." + rec["message"])
    return rec


def normal(v):
    if isinstance(v, dict):
        return {k: normal(x) for k, x in v.items()}
    if isinstance(v, list):
        return [normal(x) for x in v]
    return str(v) if isinstance(v, int) and not isinstance(v, bool) else v


def decoded(line):
    """One line of `kav decode --capture`: the fields of a malformed buffer are __unpack's partial
    result, which the dissector does not show; the problem in short."""
    rec = json.loads(line)
    p = rec.setdefault("problem", None)
    if p is None:
        rec["fields"] = normal(rec["fields"]) if rec["fields"] is not None else None
    else:
        m = re.match(r"malformed at position (\d+)(?: \((.*?)\))?: ", p)
        rec["problem"] = (f"malformed at {m.group(1)} ({m.group(2) or ''})" if m
                          else "truncated" if rec.get("truncated") else "null" if "null data" in p else "record")
        rec["fields"] = None
    rec.pop("truncated", None)
    return rec


def compare(kav, tshark, lua, capture):
    p = subprocess.run([tshark, "-n", "-X", f"lua_script:{lua}", "-r", capture, "-T", "json", "--no-duplicate-keys",
                        "-J", "frame kav"], capture_output=True, text=True)
    noise = [l for l in p.stderr.splitlines() if l.strip() and "dangerous" not in l]
    if p.returncode != 0 or noise or "Lua Error" in p.stdout:
        sys.exit(f"tshark on {capture} (exit {p.returncode}):\n" + "\n".join(noise) +
                 "\n".join([l for l in p.stdout.splitlines() if "Lua Error" in l][:5]))
    theirs = [dissected(f["_source"]["layers"]) for f in json.loads(p.stdout)]
    ours = [decoded(l) for l in run([kav, "decode", "--capture", capture]).decode().splitlines()]
    if len(theirs) != len(ours):
        sys.exit(f"{capture}: tshark shows {len(theirs)} records, kav decode {len(ours)}")
    bad = 0
    for i, (t, o) in enumerate(zip(theirs, ours)):
        if o.get("problem") == "record":  # the reader leaves the rest unset
            t = {"time": t["time"], "problem": t["problem"]}
            o = {"time": o["time"], "problem": o["problem"]}
        diff = {k: (t.get(k), o.get(k)) for k in sorted(set(t) | set(o)) if t.get(k) != o.get(k)}
        if diff:
            bad += 1
            if bad <= 5:
                print(f"{capture} frame {i + 1}: tshark vs kav: {json.dumps(diff)[:1500]}")
    kinds = {}
    for o in ours:
        key = (o["problem"] or "well-formed").split(" at ")[0]
        kinds[key] = kinds.get(key, 0) + 1
    print(f"{capture}: {len(ours)} records, {bad} disagree; {kinds}")
    return bad, kinds


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kav", required=True)
    ap.add_argument("--lua", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--demo")
    args = ap.parse_args()
    tshark = shutil.which("tshark")
    if tshark is None:
        print("SKIP: tshark is not installed (tools/deps.sh wireshark installs it)")
        return 77
    os.makedirs(args.work, exist_ok=True)
    failed = False
    if args.demo:
        cap = os.path.join(args.work, "demo.pcapng")
        if os.path.exists(cap):
            os.remove(cap)
        run([args.kav, "trace", "-o", cap, "--", args.demo])
        bad, kinds = compare(args.kav, tshark, args.lua, cap)
        # The demo sends every message of the catalogue (one line each in kav list, after its heading).
        messages = len(run([args.kav, "list"]).splitlines()) - 1
        failed |= bad > 0 or kinds.get("well-formed", 0) < 2 * messages
    cap = os.path.join(args.work, "damaged.pcapng")
    damaged_capture(args.kav, cap)
    bad, kinds = compare(args.kav, tshark, args.lua, cap)
    # Each sort of record present: the damage must not all pass, nor all fail.
    failed |= bad > 0 or kinds.get("malformed", 0) < 100 or kinds.get("well-formed", 0) < 20 or len(kinds) < 5
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
