"""Encode, decode and explain the buffers of the kav and kav_sync messages.

The codec is libkav's own, linked into the extension; the inspector's core (lookup, explain,
identify, skeletons) is the one the `kav` command uses.

>>> import kav
>>> data = kav.encode("kav_pid_state", {"field0": 1, "field1": 2, "field2": 3})
>>> kav.decode("kav.pid_state", data)
{'field0': 1, 'field1': 2, 'field2': 3}
"""
from ._kav import (Candidate, Fault, Fit, MalformedBuffer, Report, UnknownMessage, decode, encode, explain,
                   identify, messages, skeleton)

__all__ = ["Candidate", "Fault", "Fit", "MalformedBuffer", "Report", "UnknownMessage", "decode", "encode",
           "explain", "identify", "messages", "skeleton"]
