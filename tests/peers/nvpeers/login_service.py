"""The service's login and room-login server, and the account-service forms on the same port, so
that every Servers root can point at one peer.

  POST /menu/LNLogin.cgi   log-in (type 0x0101) and log-out (type 0x0003)
  POST /menu/CTLogin.cgi   room entry (type 0x0013) and leave (type 0x0015)
  POST /_control           settings for the requests that follow (form fields, below)
  anything else            answered as account_forms answers it

Every request is checked against the service's form rules (not the client's code): each field
after decoding its value; the version against the configured protocol; seq rising by one within
a session; the session in log-out and room requests; the exact User-Agent, Content-Type and
Content-Length. The addr field is only logged (Wine may give 127.0.1.1). A broken rule is logged as
a "violation" record and answered with status 400. An unknown id or a wrong password is refused
with errno 0x2712.

Replies are "name:value" items, "version" first, "<br>" between items, with the message-server
addresses given by control (ufaddr, ufport, tfaddr, tfport, exaddr, export).

Control fields: account=ID:PASSWORD (adds an account), protocol=udp|tcp, protocol_ver=N,
switch=NAME (one of SWITCHES, "refuse:HEX" for a refusal errno, "missing:FIELD", "misbehave:N"
to close the connection after N bytes of the request), room_switch=NAME, reset=1 (accounts, sessions and
switches back to their start), the six address fields, and the chat server the room reply names
(caddr, cport, chat_room: the room's name on that server; without it the room is "R-" and the
length of the requested url).

The HTTP reader is the peer's own, on a plain TCP listener, so it can misbehave at any byte.
"""

import socket
import struct
import threading
import time
from urllib.parse import unquote_to_bytes

from .account_forms import AccountFormsPeer
from .base import TcpPeer

USER_AGENT = "Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)"
LOGIN_FIELDS = ["version", "type", "seq", "id", "session", "password", "game_id", "game_vr", "addr",
                "udp_port", "tcp_port"]
LOGOUT_FIELDS = ["version", "type", "seq", "id", "session", "password", "game_id", "game_vr"]
ENTER_FIELDS = ["version", "type", "seq", "id", "session", "password", "url"]
LEAVE_FIELDS = ["version", "type", "seq", "id", "session", "password", "RoomID"]
SWITCHES = {"none", "id_case", "id_other", "no_version", "name_in_value", "blanks", "status302",
            "status404", "status500", "long", "trickle", "close_mid", "reset_mid", "no_reply",
            "garbage", "bad_addr", "bad_port"}
READ_LIMIT = 1 << 16


class Headers(dict):
    """Header names matched without regard to case; the first spelling is kept for the log."""

    def get(self, key, default=None):
        for name, value in self.items():
            if name.lower() == key.lower():
                return value
        return default


class Request:
    def __init__(self, method, path, headers, body):
        self.method, self.path, self.headers, self.body = method, path, headers, body


class Misbehave(Exception):
    pass


class LoginServicePeer(TcpPeer):
    name = "login_service"

    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.state_lock = threading.Lock()
        self.message_server = None
        self.reset()

    def open_listeners(self):
        super().open_listeners()
        if self.options.get("message_server") == "1":
            from .message_server import MessageServerPeer
            log = self.log_path.replace("login_service", "message_server") if self.log_path else None
            self.message_server = MessageServerPeer(log_path=log, lifetime=self.lifetime).start()
            self.reset()

    def stop(self):
        if self.message_server:
            self.message_server.stop()
        super().stop()

    def reset(self):
        self.accounts = {"user01": "pw01"}
        self.protocol = self.options.get("protocol", "udp")
        self.protocol_ver = int(self.options.get("protocol_ver", "0"))
        self.switch = "none"
        self.room_switch = "none"
        self.sessions = {}   # session text -> {"id", "seq", "room"}
        self.next_session = 0x1A2B3C00
        self.addresses = {"ufaddr": "127.0.0.1", "ufport": "33333", "tfaddr": "127.0.0.1", "tfport": "33334",
                          "exaddr": "127.0.0.1", "export": "33335"}
        self.chat = {"caddr": self.options.get("caddr", "127.0.0.1"), "cport": self.options.get("cport", "6667"),
                     "chat_room": self.options.get("chat_room", "")}
        server = getattr(self, "message_server", None)
        if server:
            self.addresses.update(ufport=str(server.port), tfport=str(server.tcp_port), export=str(server.data_port))

    # -- the HTTP reader ---------------------------------------------------------------------------
    def handle_connection(self, sock, address):
        limit = None
        if self.switch.startswith("misbehave:") and not self._is_control(sock):
            limit = int(self.switch.split(":", 1)[1])
        data = b""
        try:
            while b"\r\n\r\n" not in data:
                data += self._read(sock, data, limit)
            head, _, body = data.partition(b"\r\n\r\n")
            lines = head.decode("latin-1").split("\r\n")
            method, path, _ = (lines[0].split(" ") + ["", ""])[:3]
            headers = Headers()
            for line in lines[1:]:
                name, _, value = line.partition(":")
                headers[name.strip()] = value.strip()
            length = int(headers.get("Content-Length", "0") or 0)
            while len(body) < length:
                body += self._read(sock, data + body, limit)
        except Misbehave:
            self.record("misbehaved", after=limit)
            return
        request = Request(method, path, headers, body[:length])
        status, reply_headers, payload = self.answer(request)
        self.send(sock, status, reply_headers, payload, control=request.path == "/_control")

    @staticmethod
    def _is_control(sock):
        """Whether the request (looked at without taking it) goes to /_control, which never
        misbehaves, so that a test can always switch back."""
        prefix = b"POST /_control "
        seen = b""
        while len(seen) < len(prefix) and prefix.startswith(seen):
            more = sock.recv(len(prefix), socket.MSG_PEEK)
            if len(more) == len(seen):
                time.sleep(0.005)
            seen = more
            if not more:
                return False
        return seen == prefix

    def _read(self, sock, so_far, limit):
        want = 4096
        if limit is not None:
            if len(so_far) >= limit:
                raise Misbehave()
            want = min(want, limit - len(so_far))
        chunk = sock.recv(want)
        if not chunk or len(so_far) + len(chunk) > READ_LIMIT:
            raise Misbehave()
        return chunk

    def send(self, sock, status, headers, payload, control=False):
        # The control path never misbehaves, also not in the reply that sets a switch.
        switch = "none" if control else self.switch
        reasons = {200: "OK", 302: "Found", 400: "Bad Request", 404: "Not Found", 500: "Internal Server Error"}
        head = f"HTTP/1.0 {status} {reasons.get(status, 'Status')}\r\n"
        for name, value in headers.items():
            head += f"{name}: {value}\r\n"
        head += f"Content-Length: {len(payload)}\r\n\r\n"
        whole = head.encode("latin-1") + payload
        if switch == "no_reply":
            # Hold the connection until the client gives up or the bound passes (Wine's WinINet
            # keeps no receive time-out set on a session handle), then close it unanswered.
            sock.settimeout(float(self.options.get("no_reply_seconds", "4")))
            try:
                while sock.recv(1024):
                    pass
            except OSError:
                pass
            return
        if switch == "trickle":
            for i in range(0, len(whole), 7):
                sock.sendall(whole[i:i + 7])
                time.sleep(0.01)
            return
        if switch in ("close_mid", "reset_mid"):
            sock.sendall(whole[:len(head) + len(payload) // 2])
            if switch == "reset_mid":
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return
        sock.sendall(whole)

    # -- answers -----------------------------------------------------------------------------------
    def answer(self, request):
        if request.path == "/_control":
            return self.control(request)
        if request.path not in ("/menu/LNLogin.cgi", "/menu/CTLogin.cgi"):
            fields = {}
            self.record("http-request", method=request.method, path=request.path, headers=dict(request.headers),
                        body_hex=request.body.hex(), body_latin1=request.body.decode("latin-1"))
            return AccountFormsPeer.handle_http(self, _AccountRequest(request))
        fields, order, problems = self.decode(request.body)
        problems += self.check_headers(request)
        self.record("http-request", method=request.method, path=request.path, headers=dict(request.headers),
                    body_hex=request.body.hex(), fields=fields, switch=self.switch)
        with self.state_lock:
            if request.path == "/menu/LNLogin.cgi":
                status, payload = self.login(fields, order, problems)
            else:
                status, payload = self.room(fields, order, problems)
        for problem in problems:
            self.record("violation", path=request.path, problem=problem)
        if problems:
            return 400, {"Content-Type": "text/plain"}, ("; ".join(problems)).encode("latin-1")
        if self.switch in ("status302", "status404", "status500"):
            status = int(self.switch[-3:])
            headers = {"Content-Type": "text/html"}
            if status == 302:
                headers["Location"] = "http://127.0.0.1:1/moved"
            return status, headers, b"<html>not here</html>"
        return status, {"Content-Type": "text/html"}, payload

    def control(self, request):
        fields, _, _ = self.decode(request.body)
        with self.state_lock:
            if fields.get("reset") == "1":
                self.reset()
                if self.message_server:
                    self.message_server.faults.pop("session", None)
            for key in ("ufaddr", "ufport", "tfaddr", "tfport", "exaddr", "export"):
                if key in fields:
                    self.addresses[key] = fields[key]
            for key in ("caddr", "cport", "chat_room"):
                if key in fields:
                    self.chat[key] = fields[key]
            if "account" in fields:
                account_id, _, password = fields["account"].partition(":")
                self.accounts[account_id] = password
            if "protocol" in fields:
                self.protocol = fields["protocol"]
            if "protocol_ver" in fields:
                self.protocol_ver = int(fields["protocol_ver"])
            if "switch" in fields:
                self.switch = fields["switch"]
            if "room_switch" in fields:
                self.room_switch = fields["room_switch"]
            if "message_session" in fields and self.message_server:
                # The message server's answer to the session start: "silent", a code, or "0".
                value = fields["message_session"]
                self.message_server.faults["session"] = value if value == "silent" else int(value, 0)
        self.record("control", fields=fields)
        return 200, {"Content-Type": "text/plain"}, b"ok"

    @staticmethod
    def decode(body):
        """Splits the raw body on & and =, then decodes each value (percent escapes only: a "+"
        in a value must arrive escaped, so a raw one is a violation)."""
        fields, order, problems = {}, [], []
        text = body.decode("latin-1")
        for part in text.split("&") if text else []:
            name, equals, value = part.partition("=")
            if not equals:
                problems.append(f"item without '=': {part!r}")
                continue
            if "+" in value or "=" in value:
                problems.append(f"unescaped character in {name}")
            if name in fields:
                problems.append(f"field {name} twice")
            fields[name] = unquote_to_bytes(value).decode("latin-1")
            order.append(name)
        return fields, order, problems

    def check_headers(self, request):
        problems = []
        if request.method != "POST":
            problems.append(f"method {request.method}")
        if request.headers.get("User-Agent") != USER_AGENT:
            problems.append(f"user agent {request.headers.get('User-Agent')!r}")
        if request.headers.get("Content-Type") != "application/x-www-form-urlencoded":
            problems.append(f"content type {request.headers.get('Content-Type')!r}")
        if request.headers.get("Content-Length") != str(len(request.body)):
            problems.append(f"content length {request.headers.get('Content-Length')!r}")
        return problems

    def expected_version(self):
        base = 0x220 if (self.protocol_ver & 0xFF) == 47 else 0x301
        return base + (0x10 if self.protocol == "tcp" else 0)

    def check_head(self, fields, order, expected_order, problems):
        if order != expected_order:
            problems.append(f"fields {order} instead of {expected_order}")
        if fields.get("version") != "0x%04x" % self.expected_version():
            problems.append(f"version {fields.get('version')!r} for {self.protocol}/{self.protocol_ver}")
        seq = fields.get("seq", "")
        if not (len(seq) == 10 and seq.startswith("0x")):
            problems.append(f"seq {seq!r}")
            return None
        try:
            return int(seq, 16)
        except ValueError:
            problems.append(f"seq {seq!r}")
            return None

    def follow_session(self, fields, seq, problems):
        session = self.sessions.get(fields.get("session"))
        if session is None or session["id"] != fields.get("id"):
            problems.append(f"session {fields.get('session')!r} not issued to {fields.get('id')!r}")
            return None
        if seq is not None and seq != session["seq"] + 1:
            problems.append(f"seq {seq} after {session['seq']}")
        if seq is not None:
            session["seq"] = seq
        if self.accounts.get(fields.get("id")) != fields.get("password"):
            problems.append("password differs from the log-in's")
        return session

    def login(self, fields, order, problems):
        kind = fields.get("type")
        if kind == "0x0003":
            seq = self.check_head(fields, order, LOGOUT_FIELDS, problems)
            self.check_game(fields, problems)
            session = self.follow_session(fields, seq, problems)
            if session is not None and not problems:
                del self.sessions[fields["session"]]
                self.record("logged-out", id=fields["id"], session=fields["session"])
            return 200, b"version:0x%04x<br>type:0x0004<br>errno:0<br>" % self.expected_version()
        if kind != "0x0101":
            problems.append(f"type {kind!r}")
            return 400, b""
        seq = self.check_head(fields, order, LOGIN_FIELDS, problems)
        self.check_game(fields, problems)
        if fields.get("session") != "0x00000000":
            problems.append(f"log-in session {fields.get('session')!r}")
        for port in ("udp_port", "tcp_port"):
            if not fields.get(port, "").isdigit() or not 0 < int(fields[port]) < 65536:
                problems.append(f"{port} {fields.get(port)!r}")
        if problems:
            return 400, b""
        account_id = fields["id"]
        errno = 0
        if self.switch.startswith("refuse:"):
            errno = int(self.switch.split(":", 1)[1], 16)
        elif self.accounts.get(account_id) != fields["password"]:
            errno = 0x2712
        session_text = "0x%08X" % self.next_session
        if errno == 0:
            self.next_session += 1
            self.sessions[session_text] = {"id": account_id, "seq": seq, "room": None}
            self.record("logged-in", id=account_id, session=session_text, addr=fields.get("addr"),
                        udp_port=fields["udp_port"], tcp_port=fields["tcp_port"])
        return 200, self.login_reply(account_id, session_text, seq, errno)

    @staticmethod
    def check_game(fields, problems):
        if fields.get("game_id") != "VERK_01234" or fields.get("game_vr") != "V1.000":
            problems.append(f"game {fields.get('game_id')!r} {fields.get('game_vr')!r}")

    def login_reply(self, account_id, session_text, seq, errno):
        switch = self.switch
        a = dict(self.addresses)
        if switch == "bad_addr":
            a["ufaddr"] = a["tfaddr"] = "300.1.2.3"
        if switch == "bad_port":
            a["ufport"] = a["tfport"] = "70000"
        reply_id = {"id_case": account_id.upper(), "id_other": account_id + "x"}.get(switch, account_id)
        session_value = session_text
        if switch == "blanks":
            session_value = " " + session_text[:6] + " " + session_text[6:]
        items = [("version", "0x%04x" % self.expected_version()), ("type", "0x0102"), ("seq", "0x%08x" % seq),
                 ("id", reply_id), ("session", session_value), ("errno", "%x" % errno), ("iuser", "0x00000042"),
                 ("ufaddr", a["ufaddr"]), ("ufport", a["ufport"]), ("tfaddr", a["tfaddr"]), ("tfport", a["tfport"]),
                 ("exaddr", a["exaddr"]), ("export", a["export"])]
        if switch.startswith("missing:"):
            items = [item for item in items if item[0] != switch.split(":", 1)[1]]
        if switch == "no_version":
            items = [item for item in items if item[0] != "version"]
        if switch == "name_in_value":
            items.insert(1, ("note", "id:intruder session:0xBAD errno:5"))
        body = "<br>".join(f"{name}:{value}" for name, value in items) + "<br>"
        if switch == "garbage":
            return bytes((i * 37 + 11) % 256 for i in range(600)).replace(b"v", b"\0")
        data = body.encode("latin-1")
        if switch == "long":
            data = b"<html><!-- " + b"padding " * 1200 + b"-->" + data + b"<!-- " + b"tail " * 900 + b"--></html>"
        return data

    def room(self, fields, order, problems):
        kind = fields.get("type")
        enter = kind == "0x0013"
        if kind not in ("0x0013", "0x0015"):
            problems.append(f"room type {kind!r}")
            return 400, b""
        seq = self.check_head(fields, order, ENTER_FIELDS if enter else LEAVE_FIELDS, problems)
        session = self.follow_session(fields, seq, problems)
        if problems or session is None:
            return 400, b""
        if not enter:
            if fields["RoomID"] != session["room"]:
                problems.append(f"RoomID {fields['RoomID']!r} is not {session['room']!r}")
                return 400, b""
            session["room"] = None
            self.record("room-left", id=fields["id"], room=fields["RoomID"])
            return 200, b"version:0x%04x<br>type:0x0016<br>errno:0<br>" % self.expected_version()
        url = fields["url"]
        room_id = self.chat["chat_room"] or "R-" + str(len(url))
        errno = 0x3001 if self.room_switch == "refuse" else 0
        reply_session = fields["session"] if self.room_switch != "other_session" else "0x0BADBAD0"
        if errno == 0 and self.room_switch != "other_session":
            session["room"] = room_id
        self.record("room-entered", id=fields["id"], url=url, room=room_id)
        # room_id comes before id on purpose: "id" must never match inside it.
        items = [("version", "0x%04x" % self.expected_version()), ("type", "0x0014"), ("seq", "0x%08x" % seq),
                 ("room_id", room_id), ("id", fields["id"]), ("session", reply_session), ("errno", "%x" % errno),
                 ("caddr", self.chat["caddr"]), ("cport", self.chat["cport"]), ("iuser", "0x0000002A"), ("room_key", "key-" + room_id)]
        return 200, ("<br>".join(f"{n}:{v}" for n, v in items) + "<br>").encode("latin-1")


class _AccountRequest:
    """A request as account_forms' handler reads it."""

    def __init__(self, request):
        self.method, self.path, self.headers, self.body = request.method, request.path, request.headers, request.body


PEER = LoginServicePeer
