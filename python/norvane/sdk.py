"""Idiomatic access to the common work: search, open, nodes, registers, notices."""
from __future__ import annotations

import ctypes
import ipaddress
import queue
import threading
from dataclasses import dataclass
from enum import IntFlag
from typing import Callable, Optional

from . import _binding
from .errors import GatewayClosedError, NorvaneError, check_get, check_set


class Kind(IntFlag):
    """Gateway kinds of the second generation (search mask bits)."""

    RS232 = 1
    USB = 4
    PCI = 8
    ETHERNET = 16
    UART = 32


@dataclass(frozen=True)
class GatewayInfo:
    kind: int
    handle: int
    name: str


@dataclass(frozen=True)
class Notice:
    """A node's real-time notice: node id, control word, data bytes, and the gateway's handle."""

    handle: int
    node: int
    control_word: int
    data: bytes

    @staticmethod
    def from_frame(handle: int, frame: _binding.KymNoticeFrame) -> "Notice":
        identifier = frame.identifier
        node = ((identifier >> 3) & 0x60) + ((identifier >> 19) & 0x1F)
        length = min(frame.length, 8)
        return Notice(handle, node, identifier & 0xFF, bytes(frame.data[:length]))


@dataclass(frozen=True)
class NodeInfo:
    id: int
    model: str
    firmware: int


class Sdk:
    """The loaded library. `lib` is the raw ctypes library for every export this package does not
    wrap (declare its argtypes/restype from include/norvane/NorvaneFunc.h before calling)."""

    def __init__(self, path: Optional[str] = None) -> None:
        self.lib = _binding.load(path)
        self._notices = _NoticeRelay(self.lib)

    @property
    def version(self) -> str:
        return self.lib.KYMSDKGetVersion().decode()

    def search(self, kinds: int = Kind.ETHERNET, *, address: Optional[str] = None,
               com: int = 0, baud: int = 0, server_port: Optional[int] = None) -> list[GatewayInfo]:
        """Searches the given kinds: Ethernet gateways at address (IPv4 text), serial gateways on
        COM port com at baud. Returns the gateways found, possibly none."""
        if server_port is not None:
            self.lib.SetEthernetServerPort(server_port)
        params = (ctypes.c_uint32 * 10)()
        params[0], params[1] = com, baud
        if address is not None:
            params[4], params[5] = 1, int(ipaddress.IPv4Address(address))
        infos = (_binding.KymDevInfo * 16)()
        found = self.lib.SearchGateway(int(kinds), params, infos, 16)
        if found < 0:
            raise NorvaneError("SearchGateway", found, "search failed")
        return [GatewayInfo(i.kind, i.handle, i.name.decode(errors="replace")) for i in infos[:found]]

    def open(self, gateway: GatewayInfo | int) -> "Gateway":
        """Opens a gateway (an entry of search() or a handle) and discovers its nodes. Use it as a
        context manager: leaving the block closes the gateway, also after an exception."""
        handle = gateway.handle if isinstance(gateway, GatewayInfo) else int(gateway)
        return Gateway(self, handle)

    def on_notice(self, callback: Optional[Callable[[Notice], None]]) -> None:
        """Calls callback(notice) for every real-time notice of every open gateway, on a Python
        thread of the package (never on the SDK's receive thread); None switches it off."""
        self._notices.set(callback)


class Gateway:
    def __init__(self, sdk: Sdk, handle: int) -> None:
        self.sdk = sdk
        self.handle = handle
        self.closed = False
        ids = (ctypes.c_uint32 * 126)()
        rate = ctypes.c_int32(-1)
        count = sdk.lib.OpenGateway(handle, ids, 126, ctypes.byref(rate))
        if count < 1:
            sdk.lib.CloseGateway(handle)
            raise NorvaneError("OpenGateway", count, "no nodes found or the gateway did not open")
        self.bit_rate_code = rate.value
        self.node_ids = list(ids[:count])

    def __enter__(self) -> "Gateway":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def close(self) -> None:
        if not self.closed:
            self.closed = True
            self.sdk.lib.CloseGateway(self.handle)

    def node(self, node_id: int) -> "Node":
        return Node(self, node_id)

    @property
    def nodes(self) -> list[NodeInfo]:
        """The discovered nodes with model name and firmware number."""
        result = []
        for node_id in self.node_ids:
            reply = _binding.KymReply()
            self._check_open()
            check_get("GetMDL", self.sdk.lib.GetMDL(self.handle, node_id, ctypes.byref(reply)))
            raw = ctypes.string_at(ctypes.addressof(reply) + 36, 20).split(b"\0")[0]
            result.append(NodeInfo(node_id, raw.decode(errors="replace"), reply.field[8]))
        return result

    def counters(self) -> dict[str, int]:
        """The port's health counters (see the README); needs a library with NvGetPortCounters."""
        counters = _binding.KymPortCounters()
        result = self.sdk.lib.NvGetPortCounters(self.handle, ctypes.byref(counters))
        if result != 1:
            raise NorvaneError("NvGetPortCounters", result, "no such port")
        return {name: getattr(counters, name) for name, _ in counters._fields_}

    def _check_open(self) -> None:
        if self.closed:
            raise GatewayClosedError("gateway", 0, "closed")


class Node:
    """One node behind a gateway: registers by name, raw commands, enable and disable."""

    def __init__(self, gateway: Gateway, node_id: int) -> None:
        self.gateway = gateway
        self.id = node_id

    def _call(self, name: str):
        self.gateway._check_open()
        return getattr(self.gateway.sdk.lib, name)

    def set(self, register: str, value: int) -> None:
        """Writes a register (SPD, POS, STP, QEC, ACR, BLC, DOUT, QER, ORG, MCS, CUR) and waits
        for the node's answer."""
        export = _binding.REGISTERS[register.upper()][0]
        reply = _binding.KymReply()
        check_set(export, self._call(export)(self.gateway.handle, self.id, int(value), 1, ctypes.byref(reply)))

    def get(self, register: str) -> int:
        """Reads a register (SPD, POS, STP, QEC, ACR, BLC, DOUT, QER)."""
        export = _binding.REGISTERS[register.upper()][1]
        if export is None:
            raise ValueError(f"{register} cannot be read")
        reply = _binding.KymReply()
        check_get(export, self._call(export)(self.gateway.handle, self.id, ctypes.byref(reply)))
        return reply.field[0]

    def enable(self) -> None:
        reply = _binding.KymReply()
        check_set("KymENA", self._call("KymENA")(self.gateway.handle, self.id, 1, ctypes.byref(reply)))

    def disable(self) -> None:
        reply = _binding.KymReply()
        check_set("KymOFF", self._call("KymOFF")(self.gateway.handle, self.id, 1, ctypes.byref(reply)))

    def status(self) -> list[int]:
        """The node's three status words (KymACK)."""
        reply = _binding.KymReply()
        check_get("KymACK", self._call("KymACK")(self.gateway.handle, self.id, ctypes.byref(reply)))
        return [reply.field[i] & 0xFFFFFFFF for i in range(3)]

    def command(self, control_word: int, value: Optional[int] = None, index: int = 0) -> list[int]:
        """Any command by number: with a value it is a set (answer awaited), without one a get.
        Returns the answer's fields."""
        reply = _binding.KymReply()
        if value is None:
            result = self._call("SingleCommandGet")(self.gateway.handle, self.id, control_word, index,
                                                    ctypes.byref(reply))
            check_get("SingleCommandGet", result)
        else:
            data = ctypes.c_int32(value)
            result = self._call("SingleCommandSet")(self.gateway.handle, self.id, control_word, index,
                                                    ctypes.byref(data), 1, ctypes.byref(reply))
            check_set("SingleCommandSet", result)
        return list(reply.field)


class _NoticeRelay:
    """Takes notices on the SDK's receive thread (copies them into a queue and returns at once)
    and calls the host's callable on a thread of its own."""

    def __init__(self, lib: ctypes.CDLL) -> None:
        self._lib = lib
        self._queue: "queue.SimpleQueue[Optional[Notice]]" = queue.SimpleQueue()
        self._callback: Optional[Callable[[Notice], None]] = None
        self._thread: Optional[threading.Thread] = None
        self._c_callback = _binding.RTCN_CALLBACK(self._on_frame)  # kept alive while registered

    def _on_frame(self, handle: int, frame, flag: int) -> None:  # SDK receive thread
        try:
            self._queue.put(Notice.from_frame(handle, frame.contents))
        except Exception:  # never let an exception unwind into the SDK's thread
            pass

    def _run(self) -> None:
        while True:
            notice = self._queue.get()
            if notice is None:
                return
            callback = self._callback
            if callback is not None:
                callback(notice)

    def set(self, callback: Optional[Callable[[Notice], None]]) -> None:
        self._callback = callback
        if callback is not None and self._thread is None:
            self._thread = threading.Thread(target=self._run, name="norvane-notices", daemon=True)
            self._thread.start()
            self._lib.KYMRegRtcnCallBack(0, None, self._c_callback)
        elif callback is None and self._thread is not None:
            self._lib.KYMRegRtcnCallBack(0, None, _binding.RTCN_CALLBACK())
            self._queue.put(None)
            self._thread.join()
            self._thread = None

