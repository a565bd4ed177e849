"""Fixtures: norvane-sim as a separate process with one Ethernet gateway and two controllers,
and the SDK loaded from the build ($NORVANE_LIBRARY, $NORVANE_SIM name the files)."""
from __future__ import annotations

import os
import socket
import subprocess
import sys
import time
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
import norvane  # noqa: E402


def _built(name: str) -> str:
    build = Path(__file__).resolve().parents[2] / "build" / "default" / "bin" / name
    return str(build)


@pytest.fixture(scope="session")
def address() -> str:
    return f"127.0.95.{os.getpid() % 200 + 20}"


@pytest.fixture(scope="session")
def simulator(address: str):
    program = os.environ.get("NORVANE_SIM", _built("norvane-sim"))
    sim = subprocess.Popen([program, "-e", f"ethernet {address}:28877", "-e", "node controller 5",
                            "-e", "node controller 7"], stdout=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            socket.create_connection((address, 28877), timeout=0.2).close()
            break
        except OSError:
            time.sleep(0.1)
    yield sim
    sim.terminate()
    sim.wait(timeout=10)


@pytest.fixture(scope="session")
def sdk(simulator) -> norvane.Sdk:
    os.environ.setdefault("NORVANE_LIBRARY", _built("libNorvaneFunc.so"))
    return norvane.Sdk()


@pytest.fixture
def gateway(sdk: norvane.Sdk, address: str):
    found = sdk.search(norvane.Kind.ETHERNET, address=address)
    assert len(found) == 1
    with sdk.open(found[0]) as gw:
        yield gw
