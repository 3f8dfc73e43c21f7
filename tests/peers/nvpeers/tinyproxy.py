"""Debian's tinyproxy on loopback as the HTTP proxy the chat engine tunnels through (CONNECT)."""

import os
import socket
import subprocess
import time

from .base import require_loopback
from .ircd import free_port

TINYPROXY = "/usr/bin/tinyproxy"


class Tinyproxy:
    def __init__(self, folder, connect_port, user=None, password=None, host="127.0.0.1"):
        self.host = require_loopback(host)
        self.folder = str(folder)
        self.connect_port = connect_port
        self.user = user
        self.password = password
        self.port = None
        self.process = None

    def start(self):
        os.makedirs(self.folder, exist_ok=True)
        self.port = free_port(self.host)
        conf = os.path.join(self.folder, "tinyproxy.conf")
        lines = [
            f"Port {self.port}",
            f"Listen {self.host}",
            "Timeout 60",
            "MaxClients 10",
            "LogLevel Critical",
            f"PidFile \"{os.path.join(self.folder, 'tinyproxy.pid')}\"",
            f"Allow {self.host}",
            f"ConnectPort {self.connect_port}",
        ]
        if self.user:
            lines.append(f"BasicAuth {self.user} {self.password}")
        with open(conf, "w") as f:
            f.write("\n".join(lines) + "\n")
        self.process = subprocess.Popen(
            [TINYPROXY, "-d", "-c", conf], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL
        )
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            try:
                socket.create_connection((self.host, self.port), timeout=0.5).close()
                return self
            except OSError:
                if self.process.poll() is not None:
                    raise RuntimeError("tinyproxy ended at start")
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("tinyproxy did not start listening")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
