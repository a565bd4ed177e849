"""The package against norvane-sim: search, open, nodes, registers, notices, errors, closing."""
from __future__ import annotations

import ctypes
import re
import threading
from pathlib import Path

import pytest

import norvane

MCFG, MOVE_NOTICE = 46, 0x10


def test_search_describes_the_gateway(sdk: norvane.Sdk, address: str) -> None:
    found = sdk.search(norvane.Kind.ETHERNET, address=address)
    assert found == [norvane.GatewayInfo(16, 0x1001, f"KYM{address}")]
    assert sdk.search(norvane.Kind.ETHERNET, address="127.0.95.250") == []
    assert sdk.version.count(".") >= 2
    for kinds in (0x0810, 0x100, 0):  # first-generation kinds, or none
        with pytest.raises(ValueError):
            sdk.search(kinds, address=address)


def test_open_lists_the_nodes_in_order(gateway: norvane.Gateway) -> None:
    assert gateway.node_ids == [5, 7]
    nodes = gateway.nodes
    assert [n.id for n in nodes] == [5, 7]
    assert all(n.model.startswith("KYM") for n in nodes)


def test_registers_are_written_and_read_back(gateway: norvane.Gateway) -> None:
    for value in (1234, -4321, 0):
        gateway.node(5).set("SPD", value)
        assert gateway.node(5).get("spd") == value
    gateway.node(7).set("SPD", 300)
    assert gateway.node(7).command(7)[0] == 300  # SPD by its command number
    with pytest.raises(ValueError):
        gateway.node(5).get("MCS")
    gateway.node(5).set("DOUT", 0xFFFFFFFF)  # any 32 bits, written as the signed word they make
    for value in (1 << 32, -(1 << 31) - 1):
        with pytest.raises(ValueError, match="32-bit"):
            gateway.node(5).set("SPD", value)
    assert gateway.node(5).get("SPD") == 0


def test_a_notice_reaches_the_callable_off_the_sdk_thread(sdk: norvane.Sdk, gateway: norvane.Gateway) -> None:
    arrived = threading.Event()
    seen: list[tuple[norvane.Notice, str]] = []

    def on_notice(notice: norvane.Notice) -> None:
        seen.append((notice, threading.current_thread().name))
        arrived.set()

    sdk.on_notice(on_notice)
    try:
        motor = gateway.node(5)
        motor.command(MCFG, MOVE_NOTICE)
        motor.enable()
        motor.set("SPD", 8000)
        motor.set("STP", 200)
        assert arrived.wait(10)
    finally:
        sdk.on_notice(None)
    notice, thread = seen[0]
    assert notice.node == 5 and notice.handle == 0x1001
    assert thread == "norvane-notices"


def test_failures_raise_with_the_result_code(gateway: norvane.Gateway) -> None:
    with pytest.raises(norvane.NoAnswerError) as got:
        gateway.node(99).get("SPD")
    assert got.value.code == 0 and got.value.operation == "GetSPD"
    with pytest.raises(norvane.NoAnswerError) as setting:
        gateway.node(99).set("SPD", 1)
    assert setting.value.code == -1
    assert isinstance(setting.value, norvane.NorvaneError)


def test_leaving_the_block_closes_even_after_an_exception(sdk: norvane.Sdk, address: str) -> None:
    info = sdk.search(norvane.Kind.ETHERNET, address=address)[0]
    with pytest.raises(RuntimeError):
        with sdk.open(info) as gw:
            gw.node(5).set("SPD", 10)
            raise RuntimeError("host failure")
    assert gw.closed
    with pytest.raises(norvane.GatewayClosedError):
        gw.node(5).get("SPD")
    # The SDK itself has closed the port: a raw get through the ctypes library fails.
    reply = norvane._binding.KymReply()
    assert sdk.lib.SingleCommandGet(0x1001, 5, 7, 0, ctypes.byref(reply)) != 1


def test_counters_of_the_open_port(gateway: norvane.Gateway) -> None:
    gateway.node(5).set("SPD", 5)
    counters = gateway.counters()
    assert counters["requestsSent"] >= 1 and counters["answers"] >= 1
    assert counters["unmatchedAnswers"] >= 0


def test_the_counter_record_mirrors_the_header() -> None:
    header = (Path(__file__).resolve().parents[2] / "include" / "norvane" / "NorvaneFunc.h").read_text()
    body = re.search(r"typedef struct KymPortCounters \{(.*?)\} KymPortCounters;", header, re.S).group(1)
    declared = re.findall(r"^\s*(\w+)\s+(\w+);", body, re.M)
    assert {kind for kind, _ in declared} == {"uint64_t"}
    names = [name for _, name in declared]
    # The unmatched-answer count ends the record; a header from before it gains it here first.
    expected = names if "unmatchedAnswers" in names else names + ["unmatchedAnswers"]
    mirror = norvane._binding.KymPortCounters
    assert [name for name, _ in mirror._fields_] == expected
    assert ctypes.sizeof(mirror) == 8 * len(expected)


def test_traffic_frames_of_one_set_arrive_in_order(sdk: norvane.Sdk, gateway: norvane.Gateway) -> None:
    frames: list[norvane.TrafficFrame] = []
    done = threading.Event()

    def on_traffic(batch: list[norvane.TrafficFrame]) -> None:
        frames.extend(batch)
        if len(frames) >= 2:
            done.set()

    sdk.on_traffic(on_traffic)
    try:
        gateway.node(5).set("SPD", 1000)
        assert done.wait(10)
    finally:
        sdk.on_traffic(None)
    request, answer = frames[:2]
    # Node 5 asked for SPD (0x87) in the request layout, answered in the nodes' layout.
    assert (request.received, request.identifier, request.data) == (False, 0x05080087, b"\xe8\x03\x00\x00")
    assert (answer.received, answer.identifier) == (True, 0x00280087)
    assert request.handle == answer.handle == 0x1001 and request.extended
    assert sdk.traffic_counts() == (len(frames), 0)


def test_the_traffic_record_mirrors_the_header() -> None:
    header = (Path(__file__).resolve().parents[2] / "include" / "norvane" / "NorvaneFunc.h").read_text()
    body = re.search(r"typedef struct KymTrafficFrame \{(.*?)\} KymTrafficFrame;", header, re.S).group(1)
    declared = [name for name in re.findall(r"^\s*\w+\s+(\w+)(?:\[\d+\])?;", body, re.M)]
    assert [name for name, _ in norvane._binding.KymTrafficFrame._fields_] == declared
