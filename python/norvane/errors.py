"""Exceptions carrying the SDK's result codes."""
from __future__ import annotations


class NorvaneError(Exception):
    """An SDK call did not succeed; code is its result (0, -1, or minus a controller error code)."""

    def __init__(self, operation: str, code: int, message: str = "") -> None:
        self.operation = operation
        self.code = code
        super().__init__(f"{operation}: {message or 'failed'} (result {code})")


class NoAnswerError(NorvaneError):
    """The request was not sent, or no answer came in time (result 0 or -1)."""


class NodeError(NorvaneError):
    """The node refused the command with an error report; controller_code is its error number."""

    @property
    def controller_code(self) -> int:
        return -self.code


class GatewayClosedError(NorvaneError):
    """The gateway was closed; open it again to use it."""


def check_set(operation: str, result: int) -> None:
    """Set exports: 1 done, 0 not packable, -1 not sent or unanswered, -code refused by the node."""
    if result == 1:
        return
    if result < -1:
        raise NodeError(operation, result, f"node reports error {-result}")
    if result == 0:
        raise NorvaneError(operation, result, "request could not be built")
    raise NoAnswerError(operation, result, "no answer")


def check_get(operation: str, result: int) -> None:
    """Get exports: 1 done, anything else no answer (or a node's error report, as a negative code)."""
    if result == 1:
        return
    if result < -1:
        raise NodeError(operation, result, f"node reports error {-result}")
    raise NoAnswerError(operation, result, "no answer")
