# Type stubs of the kav package; the docstrings at run time (help(kav.decode)) have examples.
import os
from typing import Any, Iterable, Iterator, Literal, NamedTuple, Optional, Union

Buffer = Union[bytes, bytearray, memoryview]
Name = Union[str, int]  # a name, a wire name, or a MsgId
Value = dict[str, Any]  # field<k>: int | bytes | list[int] | list[Value] | Value | None

class MalformedBuffer(ValueError):
    """A buffer breaks the format's rules (decode with strict=True)."""
    message: str  # the message's name
    position: int  # byte position of the first failing check
    path: str  # field path (field1[0].field7), '' for the root table's header
    rule: str  # what is wrong, in words
    log: list[str]  # the library's log lines while __unpack ran
    partial: Value  # what __unpack produced: the fields before the failing one, the rest zero

class UnknownMessage(LookupError):
    """No message has this name, wire name or MsgId."""

class Fit:
    well_formed: bool
    every_byte: bool
    exact_vtables: bool
    length_matches: bool
    @property
    def exact(self) -> bool: ...

class Fault:
    position: int
    path: str
    rule: str
    @property
    def logged_by(self) -> Optional[str]: ...

class Report:
    text: str
    well_formed: bool
    agrees: bool
    fault: Optional[Fault]
    log: list[str]
    fit: Fit
    @property
    def layout(self) -> Optional[Literal["compact", "fixed"]]: ...
    @property
    def better(self) -> list[str]: ...

class Candidate:
    rank: int
    fit: Fit
    @property
    def name(self) -> str: ...
    @property
    def wire_name(self) -> str: ...
    @property
    def msg_id(self) -> int: ...
    @property
    def layout(self) -> Literal["compact", "fixed"]: ...

def messages() -> list[dict[str, Any]]:
    """Every message: name, package, wire_name, msg_id, size, fixed_length (or None), slots."""
def encode(name: Name, value: Value, *, layout: Literal["compact", "fixed"] = "compact") -> bytes:
    """The compact layout of __pack, or the fixed layout of the send path."""
def decode(name: Name, data: Buffer, *, strict: bool = True) -> Value:
    """What __unpack produces; strict raises MalformedBuffer for a malformed buffer."""
def decode_many(name: Name, buffers: Iterable[Buffer], *, strict: bool = True) -> list[Value]:
    """decode of every buffer, in one call."""
def explain(name: Name, data: Buffer) -> Report:
    """The byte map of a buffer, its first failing check and the cross-check with __unpack."""
def identify(data: Buffer) -> list[Candidate]:
    """The messages whose decoder accepts the buffer with every byte accounted for, best first."""
def skeleton(name: Name) -> Value:
    """Every field zero and one item in each list."""

class CaptureRecord(NamedTuple):
    """One message a traced process sent or received (or a note of the capture library)."""
    time: int
    direction: Literal["send", "recv", "note"]
    pid: int
    tid: int
    dest: Optional[int]
    target: Optional[int]
    msg_id: int
    name: Optional[str]
    fields: Optional[Value]
    data: bytes
    result: Optional[int]
    problem: Optional[str]
    offset: int

def read_capture(path: Union[str, "os.PathLike[str]"]) -> Iterator[CaptureRecord]:
    """The records of a capture written by `kav trace`, lazily, in file order."""
