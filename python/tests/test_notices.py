"""The notice relay against real notices of norvane-sim: a raising callable, switching off from
inside a notice, and a bounded queue that counts what it drops."""
from __future__ import annotations

import logging
import threading
import time

import pytest

import norvane

MCFG, MOVE_NOTICE = 46, 0x10


@pytest.fixture(scope="module")
def gateway(sdk: norvane.Sdk, address: str):
    """One open gateway for the module's tests (opening takes a search)."""
    with sdk.open(sdk.search(norvane.Kind.ETHERNET, address=address)[0]) as opened:
        yield opened


@pytest.fixture
def move(gateway: norvane.Gateway):
    """Makes a short move of node 5, which sends one notice when it ends; waits for the SDK to
    hand that notice to the host's callback unless told not to (nothing is registered then)."""
    motor = gateway.node(5)
    motor.command(MCFG, MOVE_NOTICE)
    motor.enable()
    motor.set("SPD", 8000)

    def one(wait: bool = True) -> None:
        delivered = gateway.counters()["noticesDelivered"]
        motor.set("STP", 100)
        if wait:
            assert _wait_for(lambda: gateway.counters()["noticesDelivered"] > delivered)
        else:
            time.sleep(0.3)

    return one


def _wait_for(condition, seconds: float = 10) -> bool:
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


def test_a_raising_callable_is_logged_and_the_relay_goes_on(sdk: norvane.Sdk, move, caplog) -> None:
    calls: list[norvane.Notice] = []

    def on_notice(notice: norvane.Notice) -> None:
        calls.append(notice)
        raise RuntimeError("host failure")

    sdk.on_notice(on_notice)
    try:
        for count in (1, 2):
            move()
            assert _wait_for(lambda: len(calls) >= count)
    finally:
        sdk.on_notice(None)
    failures = [r for r in caplog.records if r.name == "norvane" and r.levelno == logging.ERROR]
    assert len(failures) >= 2 and "host failure" in failures[0].exc_text


def test_notices_switch_off_from_inside_a_notice_and_on_again(sdk: norvane.Sdk, move) -> None:
    outcome: list[object] = []
    again = threading.Event()

    def switch_off(notice: norvane.Notice) -> None:
        try:
            sdk.on_notice(None)
            outcome.append("off")
        except Exception as error:  # what the host would see
            outcome.append(error)

    sdk.on_notice(switch_off)
    try:
        move()
        assert _wait_for(lambda: outcome)
        assert outcome == ["off"]
        move(wait=False)  # a notice while switched off reaches no one
        assert outcome == ["off"]
        sdk.on_notice(lambda notice: again.set())
        move()
        assert again.wait(10)
    finally:
        sdk.on_notice(None)


def test_a_full_queue_drops_new_notices_and_counts_them(simulator, move) -> None:
    small = norvane.Sdk(notice_capacity=2)
    entered, release = threading.Event(), threading.Event()
    handled: list[norvane.Notice] = []

    def slow(notice: norvane.Notice) -> None:
        entered.set()
        release.wait(10)
        handled.append(notice)

    small.on_notice(slow)
    try:
        move()
        assert entered.wait(10)  # the callable holds the first notice
        for _ in range(5):
            move()
        assert _wait_for(lambda: small.notices_dropped == 3)
        release.set()
        assert _wait_for(lambda: len(handled) == 3)
    finally:
        release.set()
        small.on_notice(None)
    with pytest.raises(ValueError):
        norvane.Sdk(notice_capacity=0)
