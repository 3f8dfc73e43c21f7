"""A scripted chat server for what a real IRC server won't do on demand.

Each accepted connection plays the script named by the option "script" (or set on the peer):
a list of steps ("expect", prefix) to wait for a client line starting with prefix, ("send", bytes)
to send raw bytes (any split), ("close",) to close, ("silence", seconds) to keep quiet, ("await",
event) to hold the script until the test sets the threading.Event (at most the peer's lifetime).
Every line the client sends is logged as a "chat-line" record.
"""

import socket
import time

from .base import TcpPeer

WELCOME = b":irc.test 001 taro :Welcome\r\n"


def enter_room(room=b"#lobby"):
    return [
        ("expect", "NICK "),
        ("expect", "USER "),
        ("send", WELCOME),
        ("expect", "JOIN "),
        ("send", b":taro!~QeloUser@localhost JOIN :" + room + b"\r\n"),
    ]


SCRIPTS = {
    "welcome-then-refuse": lambda numeric: [
        ("expect", "NICK "),
        ("expect", "USER "),
        ("send", f":irc.test {numeric} taro :refused\r\n".encode()),
        ("close",),
    ],
    "enter-and-chat": lambda _=None: enter_room()
    + [
        ("expect", "NAMES "),
        ("send", b":irc.test 353 taro = #lobby :@hanako taro\r\n:irc.test 366 taro #lobby :End\r\n"),
        ("expect", "PRIVMSG "),
        ("send", b":hanako!~h@localhost PRIVMSG #lobby :\x1b$B$3$s$K$A$O\x1b(B\r\n"),
        ("expect", "PART "),
        ("expect", "QUIT"),
        ("send", b"ERROR :Closing connection\r\n"),
        ("close",),
    ],
}


class ChatScriptPeer(TcpPeer):
    name = "chat_script"

    def __init__(self, *args, script=None, **kwargs):
        super().__init__(*args, **kwargs)
        self.script = script

    def handle_connection(self, sock, address):
        script = self.script or SCRIPTS[self.options.get("script", "enter-and-chat")](self.options.get("arg"))
        buffer = b""
        for step in script:
            kind = step[0]
            if kind == "send":
                sock.sendall(step[1])
                self.record("chat-sent", data_hex=step[1].hex())
            elif kind == "close":
                sock.close()
                self.record("chat-closed")
                return
            elif kind == "silence":
                time.sleep(step[1])
            elif kind == "await":
                self.record("chat-awaiting")
                if not step[1].wait(self.lifetime):
                    self.record("chat-await-expired")
                    return
            elif kind == "expect":
                while True:
                    if b"\n" in buffer:
                        raw, buffer = buffer.split(b"\n", 1)
                        line = raw.rstrip(b"\r").decode("latin-1")
                        self.record("chat-line", line=line)
                        if line.startswith(step[1]):
                            break
                        continue
                    chunk = sock.recv(4096)
                    if not chunk:
                        self.record("chat-client-closed")
                        return
                    buffer += chunk
        try:
            while True:
                chunk = sock.recv(4096)
                if not chunk:
                    break
        except (OSError, socket.timeout):
            pass


PEER = ChatScriptPeer
