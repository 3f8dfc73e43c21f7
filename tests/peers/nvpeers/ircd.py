"""A real IRC server (Debian's ngircd) on loopback for chat tests, plus a small IRC client that
plays the other member of a room.

The server runs in the foreground from a private configuration in a scratch folder, on a free port,
without PAM, ident or DNS look-ups, and is stopped when the fixture ends (or after its lifetime).
"""

import os
import socket
import threading
import time

from . import daemon
from .base import require_loopback
from .daemon import free_port  # noqa: F401  (also used by callers of this module)

NGIRCD = "/usr/sbin/ngircd"


class Ngircd:
    def __init__(self, folder, host="127.0.0.1", lifetime=300.0, ping_timeout=120):
        self.host = require_loopback(host)
        self.folder = str(folder)
        self.lifetime = lifetime
        self.ping_timeout = ping_timeout
        self.port = None
        self.process = None
        self._timer = None

    def start(self):
        os.makedirs(self.folder, exist_ok=True)
        self.port = free_port(self.host)
        conf = os.path.join(self.folder, "ngircd.conf")
        motd = os.path.join(self.folder, "motd")
        with open(motd, "w") as f:
            f.write("test server\n")
        with open(conf, "w") as f:
            f.write(
                "[Global]\n"
                "Name = irc.test\n"
                f"Listen = {self.host}\n"
                f"Ports = {self.port}\n"
                f"PidFile = {os.path.join(self.folder, 'ngircd.pid')}\n"
                f"MotdFile = {motd}\n"
                "ServerUID = root\n"
                "[Limits]\n"
                f"PingTimeout = {self.ping_timeout}\n"
                "PongTimeout = 20\n"
                "MaxNickLength = 9\n"
                "[Options]\n"
                "PAM = no\n"
                "Ident = no\n"
                "DNS = no\n"
            )
        self.process = daemon.start_listening([NGIRCD, "-n", "-f", conf], self.host, self.port, "ngircd")
        self._timer = threading.Timer(self.lifetime, self.stop)
        self._timer.daemon = True
        self._timer.start()
        return self

    def stop(self):
        if self._timer:
            self._timer.cancel()
        daemon.stop(self.process)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class IrcClient:
    """A scripted room member: registers, joins, and collects every line it receives."""

    def __init__(self, host, port, nick, user="other"):
        self.sock = socket.create_connection((host, port), timeout=10)
        self.nick = nick
        self.lines = []
        self._cond = threading.Condition()
        self._closed = False
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.send(f"NICK {nick}")
        self.send(f"USER {user} 0 * :{user}")
        self.wait_for(lambda l: f" 001 {nick} " in l)

    def send(self, line):
        data = line if isinstance(line, bytes) else line.encode("latin-1")
        self.sock.sendall(data + b"\r\n")

    def _read(self):
        buffer = b""
        try:
            while True:
                chunk = self.sock.recv(4096)
                if not chunk:
                    break
                buffer += chunk
                while b"\r\n" in buffer:
                    raw, buffer = buffer.split(b"\r\n", 1)
                    line = raw.decode("latin-1")
                    if line.startswith("PING"):
                        self.send("PONG" + line[4:])
                    with self._cond:
                        self.lines.append(line)
                        self._cond.notify_all()
        except OSError:
            pass
        with self._cond:
            self._closed = True
            self._cond.notify_all()

    def wait_for(self, predicate, timeout=15.0):
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                for line in self.lines:
                    if predicate(line):
                        return line
                left = deadline - time.monotonic()
                if left <= 0 or self._closed:
                    raise TimeoutError(f"no matching line; got {self.lines[-10:]}")
                self._cond.wait(left)

    def close(self):
        try:
            self.send("QUIT :bye")
        except OSError:
            pass
        self.sock.close()
