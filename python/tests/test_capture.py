# read_capture on the demo traced end to end (every message the demo sent appears once on each
# side, byte for byte) and on captures cut or broken on purpose.
import collections
import os

import pytest

import kav

CAPTURE = os.environ.get("KAV_DEMO_CAPTURE")
needs_capture = pytest.mark.skipif(not CAPTURE, reason="needs KAV_DEMO_CAPTURE, the demo traced by kav trace")


@needs_capture
def test_demo_capture_holds_each_message_once_on_each_side():
    records = kav.read_capture(CAPTURE)
    assert iter(records) is records  # a generator: nothing is read before it is asked for
    sends, recvs = [], []
    for r in records:
        (sends if r.direction == "send" else recvs).append(r)
    names = {m["name"] for m in kav.messages()}
    assert len(sends) == 5 * len(names)  # per message: one single, a batch of three, one to a target
    assert {r.name for r in sends} == names
    assert collections.Counter((r.msg_id, r.data) for r in sends) == collections.Counter(
        (r.msg_id, r.data) for r in recvs)
    assert all(r.result == 0 and r.problem is None and r.fields == kav.decode(r.name, r.data) for r in sends)
    assert sum(r.target == 0x2A for r in sends) == len(names)


@needs_capture
def test_broken_captures_yield_what_precedes_the_break(tmp_path):
    whole = open(CAPTURE, "rb").read()
    cut = tmp_path / "cut.pcapng"
    cut.write_bytes(whole[:len(whole) // 2])
    got = []
    with pytest.raises(ValueError, match="block at offset"):
        for r in kav.read_capture(cut):
            got.append(r)
    assert len(got) > 10
    with pytest.raises(FileNotFoundError):
        next(kav.read_capture(tmp_path / "missing.pcapng"))
    (tmp_path / "text").write_bytes(b"not a capture at all")
    with pytest.raises(ValueError, match="not a pcapng capture"):
        next(kav.read_capture(tmp_path / "text"))
