"""Encode, decode and explain the buffers of the kav and kav_sync messages.

The codec is libkav's own, linked into the extension; the inspector's core (lookup, explain,
identify, skeletons) is the one the `kav` command uses.

>>> import kav
>>> data = kav.encode("kav_pid_state", {"field0": 1, "field1": 2, "field2": 3})
>>> kav.decode("kav.pid_state", data)
{'field0': 1, 'field1': 2, 'field2': 3}
"""
import os
from typing import Iterator, NamedTuple, Optional

from ._kav import (Candidate, Fault, Fit, MalformedBuffer, Report, UnknownMessage, _CaptureSource, decode,
                   decode_many, encode, explain, identify, messages, skeleton)

__all__ = ["Candidate", "CaptureRecord", "Fault", "Fit", "MalformedBuffer", "Report", "UnknownMessage", "decode",
           "decode_many", "encode", "explain", "identify", "messages", "read_capture", "skeleton"]


class CaptureRecord(NamedTuple):
    """One message a traced process sent or received (or a note of the capture library)."""
    time: int  # ns since the epoch, taken when the call began
    direction: str  # "send", "recv" or "note"
    pid: int
    tid: int
    dest: Optional[int]  # the destination of a send, None for the others
    target: Optional[int]  # the target of a send to a target, else None
    msg_id: int
    name: Optional[str]  # the message's name, None when the MsgId is unknown
    fields: Optional[dict]  # what decode produces (strict=False for a malformed buffer); None when unread
    data: bytes  # the message's bytes as sent or received (a note's text)
    result: Optional[int]  # the messaging library's result of a send
    problem: Optional[str]  # why the record is not a well-formed message, None when it is
    offset: int  # where its block starts in the file


def read_capture(path) -> Iterator[CaptureRecord]:
    """The records of a capture written by `kav trace`, one at a time, in file order.

    Reads lazily: a capture of any size streams in constant memory. Raises OSError when the file
    cannot be opened or read, and ValueError (naming the block's offset) at a block that breaks
    the capture format; the records before it have been yielded by then.
    """
    for (time, direction, pid, tid, dest, target, msg_id, name, data, result, problem,
         offset) in _CaptureSource(os.fspath(path)):
        fields = None
        if name is not None and problem is None:
            try:
                fields = decode(name, data)
            except MalformedBuffer as e:
                fields = decode(name, data, strict=False)
                problem = f"malformed at position {e.position}" + (f" ({e.path})" if e.path else "") + f": {e.rule}"
        yield CaptureRecord(time, direction, pid, tid, dest, target, msg_id, name, fields, data, result, problem,
                            offset)
