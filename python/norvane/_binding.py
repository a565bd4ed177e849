"""ctypes declarations of the NorvaneFunc exports the package uses, and loading the library."""
from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, c_char, c_int32, c_uint8, c_uint32, c_void_p


class KymReply(ctypes.Structure):
    _fields_ = [("field", c_int32 * 14)]


class KymDevInfo(ctypes.Structure):
    _fields_ = [
        ("kind", c_uint32),
        ("handle", c_uint32),
        ("portIndex", c_uint32),
        ("transportValue", c_uint32),
        ("name", c_char * 64),
        ("gatewayClass", c_uint32),
    ]


class KymNoticeFrame(ctypes.Structure):
    _fields_ = [
        ("identifier", c_uint32),
        ("unused", c_uint8 * 5),
        ("sendType", c_uint8),
        ("extended", c_uint8),
        ("remote", c_uint8),
        ("length", c_uint8),
        ("data", c_uint8 * 8),
        ("tail", c_uint8 * 3),
    ]


# The header's record, field for field; a library older than the last field leaves it 0.
class KymPortCounters(ctypes.Structure):
    _fields_ = [
        (name, ctypes.c_uint64)
        for name in (
            "requestsSent", "answers", "timeouts", "errorReports", "malformedFrames",
            "noticesDelivered", "ringDropped", "streamBytesDropped", "reconnects",
            "messagesDropped", "replyBytesDropped", "logLinesDropped", "unmatchedAnswers",
        )
    ]


# One frame the SDK sent or took in, as the traffic callback receives it.
class KymTrafficFrame(ctypes.Structure):
    _fields_ = [
        ("timeMicros", ctypes.c_uint64),
        ("handle", c_uint32),
        ("identifier", c_uint32),
        ("direction", c_uint8),
        ("extended", c_uint8),
        ("remote", c_uint8),
        ("length", c_uint8),
        ("data", c_uint8 * 8),
        ("reserved", c_uint8 * 4),
    ]


assert ctypes.sizeof(KymReply) == 56 and ctypes.sizeof(KymDevInfo) == 84
assert ctypes.sizeof(KymTrafficFrame) == 32
assert ctypes.sizeof(KymNoticeFrame) == 24

# Real-time notice callback: gateway handle, notice frame (valid during the call), flag.
RTCN_CALLBACK = ctypes.CFUNCTYPE(None, c_uint32, POINTER(KymNoticeFrame), c_int32)
# Traffic callback: a batch of frames (valid during the call), their count, the context.
TRAFFIC_CALLBACK = ctypes.CFUNCTYPE(None, POINTER(KymTrafficFrame), c_int32, c_void_p)

# name: (result type, argument types)
_PROTOTYPES = {
    "KYMSDKGetVersion": (ctypes.c_char_p, []),
    "SearchGateway": (c_int32, [c_uint32, POINTER(c_uint32), POINTER(KymDevInfo), c_int32]),
    "OpenGateway": (c_int32, [c_uint32, POINTER(c_uint32), c_int32, POINTER(c_int32)]),
    "CloseGateway": (c_int32, [c_uint32]),
    "GetEthernetServerPort": (c_uint32, []),
    "SetEthernetServerPort": (None, [c_uint32]),
    "SingleCommandSet": (c_int32, [c_uint32, c_uint32, c_uint32, c_int32, c_void_p, c_int32,
                                   POINTER(KymReply)]),
    "SingleCommandGet": (c_int32, [c_uint32, c_uint32, c_uint32, c_int32, POINTER(KymReply)]),
    "GetMDL": (c_int32, [c_uint32, c_uint32, POINTER(KymReply)]),
    "KymENA": (c_int32, [c_uint32, c_uint32, c_int32, POINTER(KymReply)]),
    "KymOFF": (c_int32, [c_uint32, c_uint32, c_int32, POINTER(KymReply)]),
    "KymACK": (c_int32, [c_uint32, c_uint32, POINTER(KymReply)]),
    "KYMRegRtcnCallBack": (c_int32, [c_int32, c_void_p, RTCN_CALLBACK]),
    "NvGetPortCounters": (c_int32, [c_uint32, POINTER(KymPortCounters)]),
    "NvResetPortCounters": (c_int32, [c_uint32]),
    "NvRegTrafficCallBack": (c_int32, [TRAFFIC_CALLBACK, c_void_p]),
    "NvGetTrafficCounts": (c_int32, [POINTER(ctypes.c_uint64), POINTER(ctypes.c_uint64)]),
}
# Registers with a SetXXX(handle, node, value, ack, reply) / GetXXX(handle, node, reply) pair;
# None where the controller has only one direction.
REGISTERS = {
    "SPD": ("SetSPD", "GetSPD"),
    "POS": ("SetPOS", "GetPOS"),
    "STP": ("SetSTP", "GetSTP"),
    "QEC": ("SetQEC", "GetQEC"),
    "ACR": ("SetACR", "GetACR"),
    "BLC": ("SetBLC", "GetBLC"),
    "DOUT": ("SetDOUT", "GetDOUT"),
    "QER": ("SetQER", "GetQER"),
    "ORG": ("SetORG", None),
    "MCS": ("SetMCS", None),
    "CUR": ("SetCUR", None),
}
for _set, _get in REGISTERS.values():
    _PROTOTYPES[_set] = (c_int32, [c_uint32, c_uint32, c_int32, c_int32, POINTER(KymReply)])
    if _get:
        _PROTOTYPES[_get] = (c_int32, [c_uint32, c_uint32, POINTER(KymReply)])


def load(path: str | None = None) -> ctypes.CDLL:
    """Loads libNorvaneFunc.so: path, else $NORVANE_LIBRARY, else by name through the loader."""
    library = ctypes.CDLL(path or os.environ.get("NORVANE_LIBRARY") or "libNorvaneFunc.so")
    for name, (restype, argtypes) in _PROTOTYPES.items():
        function = getattr(library, name, None)
        if function is None:
            continue  # optional exports (an older library): the wrappers say so when used
        function.restype = restype
        function.argtypes = argtypes
    return library
