"""Fixtures for end-to-end tests: peers started from pytest, and Windows programs run under Wine."""

import os
import socket
import subprocess
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "peers"))

from nvpeers.http_echo import HttpEchoPeer  # noqa: E402


def _build_dir():
    build = os.environ.get("NV_BUILD_DIR")
    if not build:
        pytest.skip("NV_BUILD_DIR is not set (run through CTest)")
    return build


@pytest.fixture
def run_windows():
    """Runs a program of the build's bin or test folder under Wine; returns the CompletedProcess."""
    build = _build_dir()
    wine = os.path.join(build, "nv-wine")

    def run(program, *args, timeout=60):
        for folder in ("bin", "tests/e2e"):
            path = os.path.join(build, folder, program)
            if os.path.exists(path):
                break
        else:
            raise FileNotFoundError(program)
        return subprocess.run([wine, path, *args], capture_output=True, timeout=timeout, stdin=subprocess.DEVNULL)

    return run


@pytest.fixture
def http_echo(tmp_path):
    with HttpEchoPeer(log_path=str(tmp_path / "http_echo.log"), lifetime=120) as peer:
        yield peer


@pytest.fixture
def free_port():
    """A loopback port that nothing listens on (taken and released at once)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
