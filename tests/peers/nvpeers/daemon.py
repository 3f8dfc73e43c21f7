"""Real server programs from Debian's packages (ngircd, tinyproxy) run as test peers: each is
started in the foreground on a free loopback port and stopped when the test is done."""

import socket
import subprocess
import time

from .base import require_loopback


def free_port(host="127.0.0.1"):
    """A loopback port that nothing listens on now (taken and released at once)."""
    with socket.socket() as s:
        s.bind((require_loopback(host), 0))
        return s.getsockname()[1]


def start_listening(argv, host, port, name, timeout=15.0):
    """Starts argv and waits until host:port accepts connections; returns the process."""
    process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            socket.create_connection((host, port), timeout=0.5).close()
            return process
        except OSError:
            if process.poll() is not None:
                raise RuntimeError(f"{name} ended at start")
            time.sleep(0.05)
    stop(process)
    raise RuntimeError(f"{name} did not start listening")


def stop(process):
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
