"""Build, edit and inspect NVDS images in flash and OTP form."""

import os
from typing import Any, Iterator, NamedTuple, Optional, Union

_Tag = Union[int, str]
_Path = Union[str, bytes, os.PathLike]
_Bytes = Union[bytes, bytearray, memoryview]

class Error(Exception):
    """A failure: .status is the exit status the tool would end with, .message its text."""

    status: int
    message: str

class TagNotFound(Error, KeyError):
    """The image holds no live record of the tag (also a KeyError)."""

class Record(NamedTuple):
    """A live record of an image, as --json describes it."""

    offset: int
    tag: int
    name: Optional[str]
    length: int
    locked: bool
    data: bytes
    decoded: Optional[str]
    value: Optional[int]

class Problem(NamedTuple):
    """A problem that check() found."""

    offset: Optional[int]
    text: str

class Field(NamedTuple):
    """A field of the OTP hardware configuration word."""

    name: str
    low: int
    high: int
    value: int
    text: str

class Tag(NamedTuple):
    """A tag the tool knows, as --tags lists it."""

    number: int
    name: str
    group: str
    length: str

class Image:
    """An NVDS image in flash or OTP form.

    An image is used by one thread at a time; images in different threads
    work at once (the long calls run without the GIL). A call that reaches
    an image while another thread works on it raises RuntimeError.
    """

    class HwConfig:
        """The hardware configuration word of an OTP image."""

        @property
        def word(self) -> int:
            """The 32-bit word."""
        @property
        def fields(self) -> dict[str, Field]:
            """The fields by name, as Field tuples."""
        def __getitem__(self, name: str) -> int:
            """The value of the field of that name."""

    def __init__(self, size: int = 65536) -> None:
        """An empty flash image of `size` bytes (as -f)."""
    @staticmethod
    def otp() -> Image:
        """An empty 4096-byte OTP image (as -i)."""
    @staticmethod
    def load(source: Union[_Path, _Bytes], otp: bool = False, size: int = 65536) -> Image:
        """An image read as -r reads a file: from a path or from bytes; `otp` as -i, `size` as -f."""
    @staticmethod
    def from_manifest(manifest: Union[dict[str, Any], _Path]) -> Image:
        """An image built as --manifest builds it: from a dict of the JSON document or a file."""
    def copy(self) -> Image:
        """A copy of the image: its bytes, form and size."""
    def records(self) -> list[Record]:
        """The live records in chain order."""
    def __iter__(self) -> Iterator[Record]:
        """The live records in chain order."""
    def __len__(self) -> int:
        """The number of live records."""
    def __contains__(self, tag: _Tag) -> bool:
        """Whether the tag has a live record."""
    def __getitem__(self, tag: _Tag) -> bytes:
        """The data of the tag's live record; TagNotFound without one."""
    def __delitem__(self, tag: _Tag) -> None:
        """Deletes the tag's record (as -e); TagNotFound without one."""
    def put(self, tag: _Tag, data: _Bytes) -> None:
        """Stores the data as the tag's record (as -t/-d); register writes (fc to fe) add one."""
    def set(self, tag: _Tag, value: Union[int, str, os.PathLike], type: Optional[str] = None) -> None:
        """Stores a typed value as --set TAG[:TYPE]=VALUE does.

        Types: hex, text, u8, u16, u32, bd_address, file.
        """
    def lock(self, tag: _Tag) -> None:
        """Locks the tag's record (as -l)."""
    def compact(self) -> None:
        """Rewrites the image with its live records only (as --compact)."""
    def check(self) -> list[Problem]:
        """The problems --check finds; empty when the image is sound."""
    def to_json(self) -> str:
        """The document --json writes."""
    def to_dict(self) -> dict[str, Any]:
        """The --json document as a dict."""
    def diff(self, other: Image) -> dict[str, Any]:
        """The comparison with an image of the same form, as --diff --json."""
    @property
    def hw_config(self) -> Image.HwConfig:
        """The hardware configuration word (OTP form only) as it stands."""
    def blow(self, arg: Union[str, int]) -> None:
        """Blows bits of the hardware word as -w does: a name, 'NAME:VALUE' or an int of bits."""
    def __bytes__(self) -> bytes:
        """What -b writes."""
    def save(self, path: _Path, full: bool = False, sync: bool = True) -> None:
        """Writes what -b writes (the whole flash with `full`, as -F) to a file, atomically.

        The file is flushed to the disk before it replaces the old one; with
        sync=False the system writes it back in its own time (many files,
        then one os.sync()).
        """

def tags() -> list[Tag]:
    """The tags the tool knows, in tag order."""
