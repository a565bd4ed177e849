"""Idiomatic access to the common work: search, open, nodes, registers, notices."""
from __future__ import annotations

import ctypes
import ipaddress
import logging
import threading
from collections import deque
from dataclasses import dataclass
from enum import IntFlag
from typing import Callable, Optional

from . import _binding, _commands
from .errors import GatewayClosedError, NorvaneError, check_get, check_set

_log = logging.getLogger("norvane")


class Kind(IntFlag):
    """Gateway kinds of the second generation (search mask bits)."""

    RS232 = 1
    USB = 4
    PCI = 8
    ETHERNET = 16
    UART = 32


_SECOND_GENERATION = Kind.RS232 | Kind.USB | Kind.PCI | Kind.ETHERNET | Kind.UART


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
class TrafficFrame:
    """A frame the SDK sent or took in: wall-clock time (seconds since 1970), the gateway's
    handle, direction, the identifier as on the bus, and the data bytes."""

    time: float
    handle: int
    received: bool
    identifier: int
    extended: bool
    remote: bool
    data: bytes

    @staticmethod
    def from_record(record: _binding.KymTrafficFrame) -> "TrafficFrame":
        length = min(record.length, 8)
        return TrafficFrame(record.timeMicros / 1e6, record.handle, record.direction != 0,
                            record.identifier, record.extended != 0, record.remote != 0,
                            bytes(record.data[:length]))


@dataclass(frozen=True)
class NodeInfo:
    id: int
    model: str
    firmware: int


class Sdk:
    """The loaded library. `lib` is the raw ctypes library for every export this package does not
    wrap (declare its argtypes/restype from include/norvane/NorvaneFunc.h before calling)."""

    def __init__(self, path: Optional[str] = None, *, notice_capacity: int = 4096) -> None:
        """notice_capacity: notices held for the callable at most; more are dropped and counted."""
        self.lib = _binding.load(path)
        self._notices = _NoticeRelay(self.lib, notice_capacity)
        self._traffic = None  # the registered ctypes callback, kept alive for the SDK's calls

    @property
    def version(self) -> str:
        return self.lib.KYMSDKGetVersion().decode()

    def search(self, kinds: int = Kind.ETHERNET, *, address: Optional[str] = None,
               com: int = 0, baud: int = 0, server_port: Optional[int] = None) -> list[GatewayInfo]:
        """Searches the given kinds: Ethernet gateways at address (IPv4 text), serial gateways on
        COM port com at baud. Returns the gateways found, possibly none. Only the kinds of Kind
        (the second generation) are searched here; the first generation is reached through lib."""
        if int(kinds) & ~int(_SECOND_GENERATION) or not int(kinds):
            raise ValueError(f"kinds 0x{int(kinds):X}: give kinds of the second generation (Kind)")
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
        thread of the package (never on the SDK's receive thread); None switches it off, also from
        inside the callable. An exception the callable raises is logged (logger "norvane") and the
        next notice is handed over as usual."""
        self._notices.set(callback)

    @property
    def notices_dropped(self) -> int:
        """Notices dropped because the callable fell behind by more than notice_capacity."""
        return self._notices.dropped


    def on_traffic(self, callback: Optional[Callable[[list[TrafficFrame]], None]]) -> None:
        """Calls callback(frames) with every frame the ports send or take in, in batches, on the
        SDK's traffic thread (needs a library with NvRegTrafficCallBack); None stops it. Once this
        returns, the previous callable is not called again. An exception the callable raises is
        logged and the frames go on."""
        if not hasattr(self.lib, "NvRegTrafficCallBack"):
            raise NorvaneError("NvRegTrafficCallBack", -1, "the library has no traffic callback")
        if callback is None:
            self.lib.NvRegTrafficCallBack(_binding.TRAFFIC_CALLBACK(), None)
            self._traffic = None
            return

        def relay(frames, count: int, _context) -> None:  # SDK traffic thread
            try:
                callback([TrafficFrame.from_record(frames[i]) for i in range(count)])
            except Exception:  # the SDK's thread must not see it
                _log.exception("traffic callback %r raised", callback)

        c_callback = _binding.TRAFFIC_CALLBACK(relay)
        if self.lib.NvRegTrafficCallBack(c_callback, None) != 1:
            raise NorvaneError("NvRegTrafficCallBack", -1, "the SDK could not start its traffic thread")
        self._traffic = c_callback

    def traffic_counts(self) -> tuple[int, int]:
        """Frames handed to the traffic callback and frames dropped for it since it was registered."""
        delivered, dropped = ctypes.c_uint64(), ctypes.c_uint64()
        self.lib.NvGetTrafficCounts(ctypes.byref(delivered), ctypes.byref(dropped))
        return delivered.value, dropped.value


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
        for the node's answer. The value is a 32-bit word, signed or not; a larger one raises
        ValueError (the SDK would take its low 32 bits)."""
        export = _binding.REGISTERS[register.upper()][0]
        word = _commands.word(value)
        reply = _binding.KymReply()
        signed = word - (1 << 32) if word >= 1 << 31 else word
        check_set(export, self._call(export)(self.gateway.handle, self.id, signed, 1, ctypes.byref(reply)))

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

    def command(self, control_word: int, value: Optional[_commands.Value] = None, index: int = 0) -> list[int]:
        """Any command by number (0-127): with a value it is a set (answer awaited), without one a
        get. The value is one int for a command that takes one word, a sequence of ints (words) or
        bytes where it takes several, and () for a set without data; a value that does not fit the
        command raises ValueError. Returns the answer's fields."""
        reply = _binding.KymReply()
        if value is None:
            if not 0 <= control_word <= 127 or not 0 <= index <= 255:
                raise ValueError(f"command {control_word} index {index}: command 0-127, index 0-255")
            result = self._call("SingleCommandGet")(self.gateway.handle, self.id, control_word, index,
                                                    ctypes.byref(reply))
            check_get("SingleCommandGet", result)
        else:
            data = _commands.request_data(control_word, index, value)
            result = self._call("SingleCommandSet")(self.gateway.handle, self.id, control_word, index,
                                                    ctypes.byref(data), 1, ctypes.byref(reply))
            check_set("SingleCommandSet", result)
        return list(reply.field)


class _NoticeWorker:
    """One run of the relay: a bounded queue of notices and the thread that hands them to the
    callable. Stopping discards what is queued; the thread ends after the notice it is handling."""

    def __init__(self, callback: Callable[[Notice], None], capacity: int) -> None:
        self.callback = callback
        self._capacity = capacity
        self._items: "deque[Notice]" = deque()
        self._ready = threading.Condition()
        self._stopped = False
        self.thread = threading.Thread(target=self._run, name="norvane-notices", daemon=True)

    def offer(self, notice: Notice) -> bool:
        """Queues a notice; False when the queue is full (the notice is not kept)."""
        with self._ready:
            if self._stopped:
                return True
            if len(self._items) >= self._capacity:
                return False
            self._items.append(notice)
            self._ready.notify()
            return True

    def stop(self) -> None:
        with self._ready:
            self._stopped = True
            self._items.clear()
            self._ready.notify()

    def _run(self) -> None:
        while True:
            with self._ready:
                while not self._items and not self._stopped:
                    self._ready.wait()
                if self._stopped:
                    return
                notice = self._items.popleft()
            callback = self.callback
            try:
                callback(notice)
            except Exception:  # the host's fault: report it and go on with the next notice
                _log.exception("notice callback %r raised on a notice of node %d", callback, notice.node)


class _NoticeRelay:
    """Takes notices on the SDK's receive thread (copies them into a bounded queue and returns at
    once) and calls the host's callable on a thread of its own. A full queue drops the new notice
    and counts it. The callable may switch notices off or on again, also from inside a notice."""

    def __init__(self, lib: ctypes.CDLL, capacity: int) -> None:
        if capacity < 1:
            raise ValueError("the notice queue needs room for at least one notice")
        self._lib = lib
        self._capacity = capacity
        self._lock = threading.Lock()  # guards _worker and _dropped
        self._worker: Optional[_NoticeWorker] = None
        self._dropped = 0
        self._c_callback = _binding.RTCN_CALLBACK(self._on_frame)  # kept alive for the SDK's calls

    @property
    def dropped(self) -> int:
        with self._lock:
            return self._dropped

    def _on_frame(self, handle: int, frame, flag: int) -> None:  # SDK receive thread
        try:
            notice = Notice.from_frame(handle, frame.contents)
            with self._lock:
                worker = self._worker
                if worker is not None and not worker.offer(notice):
                    self._dropped += 1
        except Exception:  # never let an exception unwind into the SDK's thread
            _log.exception("notice could not be queued")

    def set(self, callback: Optional[Callable[[Notice], None]]) -> None:
        with self._lock:
            old = self._worker
            if callback is not None:
                if old is not None:
                    old.callback = callback  # a new callable for the running thread
                    return
                self._worker = _NoticeWorker(callback, self._capacity)
                self._worker.thread.start()
                self._lib.KYMRegRtcnCallBack(0, None, self._c_callback)
                return
            if old is None:
                return
            self._worker = None
            self._lib.KYMRegRtcnCallBack(0, None, _binding.RTCN_CALLBACK())
            old.stop()
        # From inside a notice the thread is the caller's own: it ends when the callable returns.
        if old.thread is not threading.current_thread():
            old.thread.join()
