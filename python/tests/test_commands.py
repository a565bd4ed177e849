"""Data of raw commands: the buffer handed to the SDK is as large as the SDK's encoders read, and
values that do not fit are refused before anything is sent."""
from __future__ import annotations

import ctypes
import os
import struct
import subprocess
from pathlib import Path

import pytest

import norvane
from norvane import _commands


@pytest.fixture(scope="module")
def extents() -> dict[tuple[int, int], tuple[int, int, bool]]:
    """(command, index) -> (bytes the CAN packer reads, bytes the text dialect reads, packed)."""
    program = os.environ.get("NORVANE_DATA_EXTENT")
    if program is None:
        program = str(Path(__file__).resolve().parents[2] / "build" / "default" / "bin" / "python_data_extent")
        if not Path(program).exists():
            pytest.skip("python_data_extent is not built")
    lines = subprocess.run([program], check=True, capture_output=True, text=True, timeout=60).stdout.split("\n")
    table = {}
    for line in filter(None, lines):
        command, index, can, text, packs = map(int, line.split())
        table[command, index] = (can, text, packs == 1)
    assert len(table) == 128 * 12
    return table


def test_every_set_gets_a_buffer_as_large_as_the_sdk_reads(extents) -> None:
    wrong = []
    for (command, index), (can, text, packs) in extents.items():
        words = _commands.set_words(command, index)
        needed = -(-max(can, text) // 4)  # whole words
        if words is None:
            # Refused only where no encoder reads data and the CAN packer has no such request.
            if needed or packs:
                wrong.append((command, index, None, can, text))
        elif words != needed:
            wrong.append((command, index, words, can, text))
    assert wrong == [], "command, index, words in the table, bytes read by the CAN and text encoders"


def _words(buffer: ctypes.Array) -> list[int]:
    return list(buffer)


@pytest.mark.parametrize("command, index, value, words", [
    (7, 0, 1000, [1000]),
    (7, 0, -1, [0xFFFFFFFF]),
    (7, 0, 0xFFFFFFFF, [0xFFFFFFFF]),
    (7, 0, [5], [5]),
    (4, 0, b"\x01", [1]),
    (47, 1, [1, 2, 3, 4, 5], [1, 2, 3, 4, 5]),
    (47, 0, (1, 2), [1, 2, 0, 0]),
    (47, 2, 9, [9]),
    (47, 9, (), [0]),
    (48, 0, [2, 0, 300], [2, 0, 300, 0]),
    (62, 0, struct.pack("<I3s", 3, b"abc"), [3, 0x636261, 0, 0, 0]),
    (83, 0, bytes(range(16)), list(struct.unpack("<4I", bytes(range(16))))),
    (0, 0, (), [0]),
    (2, 0, 0, [0]),
])
def test_values_fill_the_command_buffer(command: int, index: int, value, words: list[int]) -> None:
    assert _words(_commands.request_data(command, index, value)) == words


@pytest.mark.parametrize("command, index, value, error, text", [
    (7, 0, 1 << 32, ValueError, "32-bit word"),
    (7, 0, -(1 << 31) - 1, ValueError, "32-bit word"),
    (7, 0, [1, 2], ValueError, "takes 1 data word"),
    (7, 0, b"12345", ValueError, "4 bytes"),
    (47, 1, 5, ValueError, "sequence of words or bytes"),
    (47, 1, [0] * 6, ValueError, "takes 5 data words"),
    (47, 4, 1, ValueError, "without"),
    (62, 0, bytes(21), ValueError, "20 bytes"),
    (0, 0, 1, ValueError, "without"),
    (5, 0, 1, ValueError, "no set form"),
    (128, 0, 1, ValueError, "0-127"),
    (-1, 0, 1, ValueError, "0-127"),
    (47, 257, [1], ValueError, "0-255"),
    (7, 0, "10", TypeError, "not str"),
    (7, 0, [1.5], TypeError, "not float"),
    (7, 0, 1.5, TypeError, "not float"),
])
def test_values_that_do_not_fit_are_refused(command: int, index: int, value, error, text: str) -> None:
    with pytest.raises(error, match=text):
        _commands.request_data(command, index, value)


def test_raw_commands_reach_the_node(gateway: norvane.Gateway) -> None:
    motor = gateway.node(5)
    motor.command(7, 2500)  # SPD by its number
    assert motor.get("SPD") == 2500
    motor.command(48, [1, 700])  # the first sensor's time, in the slot the sub-command selects
    assert motor.command(48)[1] == 700
    motor.command(47, [0, 0, 0, 0, 0], index=1)  # the five-word register form
    sent = gateway.counters()["requestsSent"]
    for command, value, index in ((7, 1 << 40, 0), (47, 1, 1), (7, [1, 2], 0), (5, 1, 0)):
        with pytest.raises(ValueError):
            motor.command(command, value, index=index)
    assert gateway.counters()["requestsSent"] == sent  # refused before anything was sent
