"""Python hosts for the NorvaneFunc SDK: pure Python over ctypes.

    import norvane
    sdk = norvane.Sdk()                       # libNorvaneFunc.so ($NORVANE_LIBRARY overrides)
    for info in sdk.search(norvane.Kind.ETHERNET, address="127.0.0.1"):
        with sdk.open(info) as gateway:
            motor = gateway.node(gateway.node_ids[0])
            motor.set("SPD", 1000)

Everything else of the SDK is reachable through `sdk.lib`, the ctypes library object.
"""
from .errors import GatewayClosedError, NodeError, NoAnswerError, NorvaneError
from .sdk import Gateway, GatewayInfo, Kind, Node, NodeInfo, Notice, Sdk, TrafficFrame

__all__ = [
    "Gateway", "GatewayClosedError", "GatewayInfo", "Kind", "Node", "NodeError", "NodeInfo",
    "NoAnswerError", "Notice", "NorvaneError", "Sdk", "TrafficFrame",
]
