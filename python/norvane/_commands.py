"""The data a command's set form takes, and building the buffer handed to SingleCommandSet.

The SDK reads the data of a set through a bare pointer, as many bytes as the command needs, and
the need differs by command, by index and by wire form (a CAN message, or the text sent to a
gateway reached over a byte stream). The buffer the package passes is always as large as the most
any of them reads for that command and index, zero-filled past the caller's value, so that no
value can make the SDK read outside it.
"""
from __future__ import annotations

import ctypes
import operator
from typing import Optional, Sequence, Union

Value = Union[int, bytes, bytearray, memoryview, Sequence[int]]

# Commands whose set reads one 32-bit word (the CAN form of some reads only its low bytes; the text
# form reads the whole word of each of them).
_ONE_WORD = frozenset({
    1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 22, 23, 24, 26, 27, 28, 29, 30, 31, 32, 42, 43, 44, 45,
    46, 51, 52, 53, 54, 56, 58, 59, 61, 63, 64, 66, 71, 72, 73, 74, 75, 76, 77, 78, 81, 86, 87, 126,
})
# Commands that read more than one word or none, by command number; a dict goes by index.
_OTHER_WORDS: dict[int, Union[int, dict[int, int]]] = {
    0: 0,    # status record: no data
    47: {0: 4, 1: 5, 2: 1, 3: 1},  # sensor configuration: the index picks the register
    48: 4,   # sub-command word 1-3, then the word it selects
    62: 5,   # count word, then the stream bytes
    65: 0,   # model record: no data
    82: 3,   # count word or operation bytes, then up to 7 bytes
    83: 4,   # data-window structure of 16 bytes
}
WORD_BYTES = 4


def set_words(command: int, index: int) -> Optional[int]:
    """The 32-bit words the SDK may read for a set of command (0-127) at index (0-255); None when
    the command has no set form."""
    if command in _ONE_WORD:
        return 1
    words = _OTHER_WORDS.get(command)
    if isinstance(words, dict):
        return words.get(index, 0)
    return words


def word(value: object) -> int:
    """value as a 32-bit word: -2**31 to 2**32 - 1 are taken, as their low 32 bits."""
    try:
        number = operator.index(value)  # ints and integer types such as numpy's
    except TypeError:
        raise TypeError(f"a data word must be an integer, not {type(value).__name__}") from None
    if not -(1 << 31) <= number < (1 << 32):
        raise ValueError(f"{number} does not fit a 32-bit word")
    return number & 0xFFFFFFFF


def request_data(command: int, index: int, value: Value) -> ctypes.Array:
    """The data buffer for a set: an int is one word, a sequence of ints is that many words, and
    bytes are the data as the SDK reads it (words in host order). A value shorter than the command
    takes is padded with zeros; one that does not fit raises ValueError."""
    if not 0 <= command <= 127:
        raise ValueError(f"command number {command} is outside 0-127")
    if not 0 <= index <= 255:
        raise ValueError(f"index {index} is outside 0-255")
    words = set_words(command, index)
    if words is None:
        raise ValueError(f"command {command} has no set form")
    what = f"command {command} index {index} takes {words} data word{'s' if words != 1 else ''}"
    buffer = (ctypes.c_uint32 * max(words, 1))()
    if isinstance(value, (bytes, bytearray, memoryview)):
        raw = bytes(value)
        if len(raw) > words * WORD_BYTES:
            raise ValueError(f"{what} ({words * WORD_BYTES} bytes), not {len(raw)} bytes")
        ctypes.memmove(buffer, raw, len(raw))
    elif hasattr(value, "__index__"):
        if words != 1:
            hint = "pass () to send it without" if words == 0 else "pass a sequence of words or bytes"
            raise ValueError(f"{what}: {hint}")
        buffer[0] = word(value)
    elif isinstance(value, (str, dict, set)) or not hasattr(value, "__iter__"):
        raise TypeError(f"data must be an int, a sequence of ints or bytes, not {type(value).__name__}")
    else:
        items = list(value)
        if len(items) > words:
            raise ValueError(f"{what}, not {len(items)}")
        for position, item in enumerate(items):
            buffer[position] = word(item)
    return buffer
