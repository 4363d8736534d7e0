# The kav package against the library's own codec and the kav command: every message through both
# layouts, the command's JSON for the same buffers, every exception, u64 extremes, hostile bytes and
# threads.
import concurrent.futures
import doctest
import json
import os
import random
import subprocess

import pytest

import kav

MESSAGES = kav.messages()
BY_NAME = {m["name"]: m for m in MESSAGES}
NAMES = list(BY_NAME)
PS, HU = "kav_pid_state", "kav_host_update"


def fill(slots, rng):
    """A value for every slot: random integers of the slot's width (zero now and then), two items per list."""
    def number(width):
        return rng.choice([0, 1, (1 << 8 * width) - 1, rng.getrandbits(8 * width)])
    v = {}
    for s in slots:
        kind, name = s["kind"], s["name"]
        if kind.startswith("u"):
            v[name] = number(s["width"])
        elif kind == "bytes":
            v[name] = rng.randbytes(s["count"])
        elif kind == "array":
            v[name] = [fill(s["fields"], rng) if "fields" in s else number(s["width"]) for _ in range(s["count"])]
        elif kind == "record":
            v[name] = fill(s["fields"], rng)
        else:
            v["n_" + name], v[name] = 2, [fill(s["fields"], rng) for _ in range(2)]
    return v


VALUES = {m["name"]: fill(m["slots"], random.Random(m["msg_id"])) for m in MESSAGES}


def layouts(name):
    return ["compact", "fixed"] if BY_NAME[name]["fixed_length"] else ["compact"]


def json_form(v):
    """A value in the command's JSON form, every integer as a string (the command writes u64 as one)."""
    if isinstance(v, dict):
        return {k: json_form(x) for k, x in v.items()}
    if isinstance(v, list):
        return [json_form(x) for x in v]
    return v.hex() if isinstance(v, bytes) else str(v) if isinstance(v, int) else v


@pytest.mark.parametrize("name", NAMES)
def test_round_trip_explain_identify(name):
    for layout in layouts(name):
        data = kav.encode(name, VALUES[name], layout=layout)
        assert len(data) == (BY_NAME[name]["fixed_length"] if layout == "fixed" else len(data))
        assert kav.decode(name, data) == VALUES[name]
        report = kav.explain(name, data)
        assert (report.well_formed, report.agrees, report.layout, report.fault) == (True, True, layout, None)
        assert (name, layout) in [(c.name, c.layout) for c in kav.identify(data) if c.rank == 1]


@pytest.mark.parametrize("name", NAMES)
def test_decode_agrees_with_the_command(name):
    good = [kav.encode(name, VALUES[name], layout=layout) for layout in layouts(name)]
    rng = random.Random(name)
    damaged = [b[:-1] for b in good] + [bytes(b[:i]) + bytes([rng.randrange(256)]) + b[i + 1:]
                                       for b in good for i in rng.sample(range(len(b)), 3)] + [b"\x04\0\0\0"]
    buffers = good + damaged
    run = subprocess.run([os.environ["KAV_TOOL"], "decode", name, "--hex", "--lines"], capture_output=True, text=True,
                         input="".join(b.hex() + "\n" for b in buffers))
    assert [json_form(json.loads(line)) for line in run.stdout.splitlines()] == \
        [json_form(kav.decode(name, b, strict=False)) for b in buffers]
    malformed = {i for i in range(len(buffers)) if f"line {i + 1}: malformed buffer" in run.stderr}
    for i, b in enumerate(buffers):
        if i not in malformed:
            assert kav.decode(name, b) == kav.decode(name, b, strict=False)
            continue
        with pytest.raises(kav.MalformedBuffer) as e:
            kav.decode(name, b)
        fault = kav.explain(name, b).fault
        assert (e.value.message, e.value.position, e.value.path, e.value.rule) == (name, fault.position, fault.path, fault.rule)


ARRAY = next((m["name"], s["name"]) for m in MESSAGES for s in m["slots"] if s["kind"] == "array")
ERRORS = [
    ("unknown message", lambda: kav.decode("kav_pid_stat", b""), kav.UnknownMessage, "closest names: kav_pid_state"),
    ("name neither str nor int", lambda: kav.encode(1.5, {}), TypeError, "named by a str"),
    ("data not bytes", lambda: kav.identify("0e000000"), TypeError, "expected bytes"),
    ("int field given a str", lambda: kav.encode(PS, {"field1": "2"}), TypeError, "field1: expected an int for a u32"),
    ("int field given a bool", lambda: kav.encode(PS, {"field1": True}), TypeError, "field1: expected an int"),
    ("negative", lambda: kav.encode(PS, {"field0": -1}), ValueError, "field0: -1 does not fit a u32 field"),
    ("too wide, in an item", lambda: kav.encode(HU, {"field1": [{}, {"field3": 1 << 16}]}), ValueError,
     "field1[1].field3: 65536 does not fit a u16 field (0 to 65535)"),
    ("bytes of the wrong length", lambda: kav.encode(HU, {"field1": [{"field7": b"12"}]}), ValueError,
     "field1[0].field7: expected exactly 16 bytes, got 2"),
    ("bytes given as hex", lambda: kav.encode(HU, {"field1": [{"field13": "00" * 6}]}), TypeError,
     "field1[0].field13: expected bytes"),
    ("array of the wrong length", lambda: kav.encode(ARRAY[0], {ARRAY[1]: []}), ValueError, ARRAY[1] + ": expected exactly"),
    ("record given a list", lambda: kav.encode(HU, {"field1": [[]]}), TypeError, "field1[0]: expected a dict of fields, got list"),
    ("list given a dict", lambda: kav.encode(HU, {"field1": {}}), TypeError, "field1: expected a list of dicts"),
    ("count and items disagree", lambda: kav.encode(HU, {"n_field1": 2, "field1": [{}]}), ValueError, "n_field1: says 2"),
    ("count without items", lambda: kav.encode(HU, {"n_field1": 1}), ValueError, "n_field1: a count of 1 needs field1"),
    ("unknown field", lambda: kav.encode(PS, {"field3": 1}), ValueError, "no field named 'field3'"),
    ("value not a dict", lambda: kav.encode(PS, [1, 2, 3]), TypeError, "expected a dict of fields"),
    ("unknown layout", lambda: kav.encode(PS, {}, layout="packed"), ValueError, "layout is"),
    ("fixed layout of a list", lambda: kav.encode(HU, {}, layout="fixed"), ValueError, "has no fixed layout"),
    ("malformed", lambda: kav.decode(PS, b"\x04\0\0\0"), kav.MalformedBuffer, "position 0: root table"),
    ("malformed among many", lambda: kav.decode_many(PS, [kav.encode(PS, {}), b"\x04\0\0\0"]), kav.MalformedBuffer,
     "position 0: root table"),
    ("MsgId nobody has", lambda: kav.decode(0x12345678, b""), kav.UnknownMessage, "no message has MsgId 0x12345678"),
    ("MsgId wider than 32 bits", lambda: kav.skeleton(1 << 32), kav.UnknownMessage, "is not a 32-bit MsgId"),
]


@pytest.mark.parametrize("call,error,text", [e[1:] for e in ERRORS], ids=[e[0] for e in ERRORS])
def test_errors(call, error, text):
    with pytest.raises(error, match=None) as e:
        call()
    assert text in str(e.value)


def test_malformed_buffer_carries_position_path_rule_and_log():
    data = bytes.fromhex("0e0000000a00100004000800" "0e000a000000010000000200000003000000")
    with pytest.raises(kav.MalformedBuffer) as e:
        kav.decode("kav.pid_state", data)
    assert (e.value.position, e.value.path, e.value.log) == (28, "field2", [])
    assert "past the end of the 30-byte buffer" in e.value.rule
    item = bytearray(kav.encode(HU, {"field1": [{}, {}]}))
    item[-42:-38] = (1 << 31).to_bytes(4, "little")  # the last item's vtable reference: far outside
    with pytest.raises(kav.MalformedBuffer) as e:
        kav.decode(HU, item)
    assert e.value.path == "field1[1]" and "kav_host_unpack_non_root" in e.value.log[0]
    assert kav.decode(HU, item, strict=False) == {"field0": 0, "n_field1": 2, "field1": None}
    assert e.value.partial == kav.decode(HU, item, strict=False)


def test_every_name_form_and_many_buffers_decode_alike():
    for m in MESSAGES[::7]:
        data = kav.encode(m["name"], kav.skeleton(m["name"]))
        one = kav.decode(m["name"], data)
        assert all(kav.decode(key, data) == one for key in (m["wire_name"], m["msg_id"], hex(m["msg_id"])))
        assert kav.decode_many(m["msg_id"], iter([data, bytearray(data)])) == [one, one]


U64 = [(m["name"], s["name"]) for m in MESSAGES for s in m["slots"] if s["kind"] == "u64"]


@pytest.mark.parametrize("name,field", U64)
def test_u64_extremes(name, field):
    for x in (1, 1 << 32, 1 << 63, (1 << 64) - 1):
        for layout in layouts(name):
            assert kav.decode(name, kav.encode(name, {field: x}, layout=layout))[field] == x
    for bad in (1 << 64, -1):
        with pytest.raises(ValueError, match=f"{field}: .* does not fit a u64 field"):
            kav.encode(name, {field: bad})


def test_any_bytes_give_a_result_or_malformed_buffer():
    rng = random.Random(16)
    seeds = [kav.encode(n, VALUES[n]) for n in NAMES[::7]] + [b""]
    for _ in range(300):
        data = bytearray(rng.choice(seeds) or rng.randbytes(rng.randrange(64)))
        for _ in range(rng.randint(1, 4)):
            if data:
                data[rng.randrange(len(data))] = rng.randrange(256)
        name = rng.choice(NAMES)
        try:
            kav.decode(name, data)
        except kav.MalformedBuffer:
            pass
        kav.decode(name, memoryview(data), strict=False)
        assert kav.explain(name, data).agrees
        kav.identify(data)


def test_threads_keep_their_own_log_lines():
    bad = {n: b"\x04\0\0\0" for n in NAMES[::5]}
    alone = {n: kav.explain(n, b).log for n, b in bad.items()}
    assert all(alone.values())

    def work(seed):
        for n in random.Random(seed).choices(list(bad), k=300):
            assert kav.explain(n, bad[n]).log == alone[n]
            assert kav.decode(n, kav.encode(n, VALUES[n])) == VALUES[n]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        list(pool.map(work, range(4)))


def test_skeleton_and_docstring_examples():
    for name in NAMES:
        assert kav.decode(name, kav.encode(name, kav.skeleton(name))) == kav.skeleton(name)
    for module in (kav, kav._kav):
        failed, attempted = doctest.testmod(module, optionflags=doctest.ELLIPSIS)
        assert failed == 0 and attempted > 0


def test_stubs_name_what_the_package_exports():
    import ast
    stub = ast.parse(open(os.path.join(os.path.dirname(kav.__file__), "__init__.pyi")).read())
    named = {n.name for n in stub.body if isinstance(n, (ast.ClassDef, ast.FunctionDef))}
    assert named == set(kav.__all__) and all(hasattr(kav, n) for n in named)
