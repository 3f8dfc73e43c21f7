"""Debian's tinyproxy on loopback as the HTTP proxy the chat engine tunnels through (CONNECT)."""

import os

from . import daemon
from .base import require_loopback

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
        self.port = daemon.free_port(self.host)
        conf = os.path.join(self.folder, "tinyproxy.conf")
        lines = [
            f"Port {self.port}",
            f"Listen {self.host}",
            "Timeout 60",
            "MaxClients 10",
            "LogLevel Critical",
            f"PidFile \"{os.path.join(self.folder, 'tinyproxy.pid')}\"",
            f"Allow {self.host}",
        ]
        # One port, or a list of them (a server with a data connection beside its main one).
        ports = self.connect_port if isinstance(self.connect_port, (list, tuple)) else [self.connect_port]
        lines += [f"ConnectPort {port}" for port in ports]
        if self.user:
            lines.append(f"BasicAuth {self.user} {self.password}")
        with open(conf, "w") as f:
            f.write("\n".join(lines) + "\n")
        self.process = daemon.start_listening([TINYPROXY, "-d", "-c", conf], self.host, self.port, "tinyproxy")
        return self

    def stop(self):
        daemon.stop(self.process)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
