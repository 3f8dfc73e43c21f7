"""A telephone gateway (the proxy of telephone calls) and scripted far side for the qelo library,
written from the wire layout of the signalling datagrams (see voip_directory.py for the header).

It listens for signalling on its own UDP port and echoes RTP on another (announced in its
acceptance). Options:
  mode=gateway   (default) accounts are checked, the 2XX carries credit and a time limit
  mode=accept    a far PC: plain 2XX, then INFO_OFFHOOK when it "answers"
  mode=busy      1XX, then a 4XX "Called Number Busy"
  mode=silent    answers nothing
  accounts=U:P,...  accepted gateway accounts (default: any non-empty user)
  credit=A,S     credit A and a limit of S seconds (default 1000,0: no limit)
  answer_ms=N    the far phone answers N ms after the ACK (default 300; -1: never)
The log records every datagram, the account check (never the password), DTMF digits with their
sequence numbers, the BYE at the limit and the count of RTP packets echoed.
"""

import socket
import struct
import threading
import time

from .base import Peer
from .voip_directory import MAGIC, TYPES, header, message, _text

REASONS = {
    "user": (104, "User ID Not Found"),
    "password": (101, "Password Incorrect"),
    "busy": (186, "Called Number Busy"),
    "credit": (102, "No Credit Left"),
}


def refusal(reason_key, message_id):
    error, text = REASONS[reason_key]
    raw = text.encode("cp932") + b"\0"
    return message(4, struct.pack(">HH", 1, len(raw)) + raw + struct.pack(">i", error), message_id)


def acceptance(rtp_ip, rtp_port, message_id, credit=None, keep_alive_base=60):
    body = struct.pack(">H", 8) + socket.inet_aton(rtp_ip) + struct.pack(">HH", rtp_port, 12)
    if credit is None:
        body += struct.pack(">Hii", 2, -1, -1)
    else:
        body += struct.pack(">Hii", 3, credit[0], credit[1])
    body += struct.pack(">HH", 8, keep_alive_base) + bytes(4) + struct.pack(">6H", 12, 2, 3, 0, 0, 0)
    return message(3, body, message_id)


def bye(type_code, message_id, credit=None, reason=""):
    if credit is None:
        body = struct.pack(">HHii", 12, 2, -1, -1)
    else:
        body = struct.pack(">HHii", 12, 3, credit[0], credit[1])
    body += bytes(4)
    if reason:
        body += reason.encode("cp932") + b"\0"
    return message(type_code, body, message_id)


class VoipGatewayPeer(Peer):
    name = "voip_gateway"

    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.rtp_port = None
        self._call = None
        self._timers = []
        self._call_lock = threading.Lock()
        self._rtp_count = 0

    def open_listeners(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((self.host, 0))
        self.port = self.sock.getsockname()[1]
        self.rtp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.rtp.bind((self.host, 0))
        self.rtp_port = self.rtp.getsockname()[1]
        for target in (self._signal_loop, self._rtp_loop):
            thread = threading.Thread(target=target, daemon=True)
            self._threads.append(thread)
            thread.start()

    def stop(self):
        for timer in self._timers:
            timer.cancel()
        for s in (getattr(self, "sock", None), getattr(self, "rtp", None)):
            if s:
                try:
                    s.close()
                except OSError:
                    pass
        super().stop()

    def _loop(self, sock, handle):
        sock.settimeout(0.1)
        while not self._stopping:
            try:
                data, address = sock.recvfrom(4096)
            except socket.timeout:
                continue
            except OSError:
                return
            if not self.count_request():
                return
            handle(data, address)

    def _signal_loop(self):
        self._loop(self.sock, self._on_datagram)

    def _rtp_loop(self):
        def echo(data, address):
            self._rtp_count += 1
            if self._rtp_count == 1 or self._rtp_count % 50 == 0:
                self.record("rtp", count=self._rtp_count, source=f"{address[0]}:{address[1]}")
            try:
                self.rtp.sendto(data, address)
            except OSError:
                pass
        self._loop(self.rtp, echo)

    def _send(self, data, address):
        try:
            self.sock.sendto(data, address)
        except OSError:
            return
        self.record("reply", type=TYPES.get(struct.unpack(">H", data[12:14])[0]), to=f"{address[0]}:{address[1]}")

    def _later(self, seconds, fn):
        timer = threading.Timer(seconds, fn)
        timer.daemon = True
        self._timers.append(timer)
        timer.start()

    def _credit(self):
        amount, seconds = (int(v) for v in str(self.options.get("credit", "1000,0")).split(","))
        return amount, seconds

    def _on_datagram(self, data, address):
        if len(data) < 32 or struct.unpack(">I", data[:4])[0] != MAGIC:
            self.record("junk", source=f"{address[0]}:{address[1]}", length=len(data))
            return
        padded = data + bytes(max(0, 256 - len(data)))
        code = struct.unpack(">H", padded[12:14])[0]
        message_id = padded[16:32]
        fields = {"type": TYPES.get(code, f"type{code}"), "source": f"{address[0]}:{address[1]}", "id": message_id.hex()}
        mode = str(self.options.get("mode", "gateway"))
        if code == 1:
            user = _text(padded, 42, 48)
            password = _text(padded, 90, 48)
            fields.update(user=user, digits=_text(padded, 142, 32),
                          voice=f"{socket.inet_ntoa(padded[34:38])}:{struct.unpack('>H', padded[38:40])[0]}")
            self.record("datagram", **fields)
            self._on_invite(mode, user, password, message_id, address)
        elif code == 10:
            sequence = struct.unpack(">H", padded[36:38])[0]
            digit = struct.unpack(">i", padded[40:44])[0]
            fields.update(sequence=sequence, digit=chr(digit & 0xFF))
            self.record("dtmf", **fields)
        elif code == 12:
            self.record("datagram", **fields)
            self._end_call()
            amount, _ = self._credit()
            self._send(bye(13, message_id, (amount, 0) if mode == "gateway" else None), address)
        else:
            self.record("datagram", **fields)
            if code == 5:
                self._on_ack(mode, message_id, address)

    def _on_invite(self, mode, user, password, message_id, address):
        if mode == "silent":
            return
        self._send(header(2, message_id), address)
        if mode == "busy":
            self._send(refusal("busy", message_id), address)
            return
        if mode == "gateway":
            accounts = str(self.options.get("accounts", ""))
            known = dict(item.split(":", 1) for item in accounts.split(",") if ":" in item)
            if not user or (known and user not in known):
                self.record("account", user=user, accepted=False, why="user")
                self._send(refusal("user", message_id), address)
                return
            if known and known[user] != password:
                self.record("account", user=user, accepted=False, why="password")
                self._send(refusal("password", message_id), address)
                return
            self.record("account", user=user, accepted=True)
        with self._call_lock:
            self._call = {"id": message_id, "address": address, "acked": False}
        credit = self._credit() if mode == "gateway" else None
        self._send(acceptance(self.host, self.rtp_port, message_id, credit), address)

    def _on_ack(self, mode, message_id, address):
        with self._call_lock:
            call = self._call
            if not call or call["id"] != message_id or call["acked"]:
                return
            call["acked"] = True
        answer_ms = int(self.options.get("answer_ms", 300))
        if answer_ms < 0:
            return

        def answer():
            with self._call_lock:
                if self._call is not call:
                    return
            self.record("answered")
            self._send(header(8, message_id), address)
            amount, seconds = self._credit()
            if mode == "gateway" and seconds > 0:
                self._later(seconds, lambda: self._limit_reached(call, amount, seconds))
        self._later(answer_ms / 1000.0, answer)

    def _limit_reached(self, call, amount, seconds):
        with self._call_lock:
            if self._call is not call:
                return
            self._call = None
        left = max(0, amount - seconds)
        self.record("limit", credit=left)
        self._send(bye(12, call["id"], (left, 0), "Credit Just Used Up, Call Terminated"), call["address"])

    def _end_call(self):
        with self._call_lock:
            self._call = None


PEER = VoipGatewayPeer
