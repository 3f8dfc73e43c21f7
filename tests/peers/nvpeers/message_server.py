"""A stand-in for the service's message server, on loopback only: the main connection over UDP and
TCP, the extended-data (data) connection, and an HTTP CONNECT proxy in front of both. Every request
type is served from stored messages per user, friend and URL lists and presence words; lists can be
pushed at any time. Switches in `faults` make it misbehave the ways a real network or server can.

Written from the protocol's description with the independent codec (pm_codec), not from the
client's code. Every request is logged (JSON lines) so that tests can check what the client sent.

Use from pytest:  with MessageServerPeer(log_path=..., options={...}) as server: ...
  server.port (UDP), server.tcp_port, server.data_port, server.proxy_port, server.echo_port
  server.deliver(to_id, from_id, from_name, text, ...)   server.mailbox(user_id)
  server.faults["silent"] = {9}   server.push_list(user_id)   server.close_clients()
  server.go_down() / server.come_back()   the whole server stopped and started again on its ports
  server.notify_store = True   a stored message (with its body, when it has one) is pushed to its
                               recipient as a new message list, as the service does
  server.live_presence = True  friend list rows of users who sent their presence show them online
                               with that presence word

Switches (server.faults, or options "fault.NAME=value" on the command line):
  drop        {type: n}  drops the first n requests of the type
  silent      {type...}  never answers these types
  wrong_seq   {type...}  answers with another sequence number
  short       {type...}  answers with a result one byte short
  unexpected  {type: t}  answers with a record of type t instead
  refuse      {type: code}  answers with a result carrying the code
  garble      {type...}  answers scrambled with another seed than the one sent
  close       {type...}  closes the TCP connection instead of answering
  split       True       writes every TCP answer in 5-byte pieces
  merge       True       writes a pushed list together with each TCP answer in one write
  wrong_number True      a fetch answers with another message's number
  list_count  n          list answers claim n entries (19: more than a list may hold)
  page_size   n          entries per list page (default 25)
  session     code | "silent"   the session answer (259 -> 260)
  body_code   code       the answer to a body request (14) carries this code and no body
  body_extra  n          n stray bytes after the body frame
  body_bad_header True   the body frame's header is broken
  body_silent True       a body request is not answered
  body_close  True       the data connection closes half-way through a body
  send_code   code       the answer to a sent body (10)
  send_silent True       a sent body is not answered
  proxy       "refuse" | "silent" | "split"
  proxy_auth  "user:password"  required credentials (407 otherwise)
"""

import base64
import socket
import struct
import threading
import time

from . import pm_codec as pm
from .base import Peer, require_loopback

DEFAULT_VERSION = 0x0301
NOT_FOUND = 0x1001


def _set(value):
    if isinstance(value, str):
        return {int(v, 0) for v in value.split(",") if v}
    return set(value)


def _map(value):
    if isinstance(value, str):
        out = {}
        for item in value.split(","):
            if item:
                k, v = item.split(":")
                out[int(k, 0)] = int(v, 0)
        return out
    return dict(value)


class Message:
    def __init__(self, number, sender_id, sender_name, text, kind=0, attach=0, file_length=0, body=b""):
        self.number = number
        self.sender_id = pm.field16(sender_id)
        self.sender_name = pm.field16(sender_name)
        self.text = bytes(text)
        self.time = int(time.time())
        self.attributes = 0x40000000 | (kind & 0xFF) | ((attach & 0x0F) << 24)
        # The file flag travels back as the sender gave it: the attachment kind in bits 24-27
        # (the receiver takes its attachment kind from it), or 1 for a file of no kind.
        self.file_flag = ((attach & 0x0F) << 24) if attach and file_length else (1 if file_length else 0)
        self.file_length = file_length
        self.body = body
        self.send_number = None  # the sender's message number, to pair a body sent later

    def entry(self):
        return dict(sender_id=self.sender_id, sender_name=self.sender_name, number=self.number,
                    time=self.time, attributes=self.attributes)


class MessageServerPeer(Peer):
    name = "message_server"

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        o = self.options
        self.version = int(str(o.get("version", DEFAULT_VERSION)), 0)
        self.framed = self.version >= 512
        self.scrambled = str(o.get("scrambled", "1")) != "0"
        self.faults = {}
        for key, value in o.items():
            if key.startswith("fault."):
                self.faults[key[6:]] = value
        self.boxes = {}         # user id (16-byte field) -> [Message]
        self.friends = {}       # user id -> [(32-byte data, value)]
        self.urls = {}
        self.presence = {}
        self.url_texts = []
        self.bodies = {}        # (user, send number) -> body bytes
        self.names = {}
        self.next_number = 1000
        self.answers = {}       # user -> ((session, seq, type), answers) of the latest request
        self.udp_clients = {}   # user -> last address
        self.tcp_clients = {}   # user -> socket
        self.open_sockets = set()
        self.drops = {}
        self._store = threading.RLock()
        self.notify_store = str(o.get("notify", "0")) == "1"
        self.live_presence = str(o.get("live_presence", "0")) == "1"
        self.down = False

    # -- listeners --------------------------------------------------------------------------
    def open_listeners(self, ports=None):
        ports = ports or {}
        self.udp = self._bind(socket.SOCK_DGRAM, ports.get("udp", 0))
        self.port = self.udp.getsockname()[1]
        self.echo = self._bind(socket.SOCK_DGRAM, ports.get("echo", 0))
        self.echo_port = self.echo.getsockname()[1]
        self.tcp = self._bind(socket.SOCK_STREAM, ports.get("tcp", 0))
        self.tcp_port = self.tcp.getsockname()[1]
        self.data = self._bind(socket.SOCK_STREAM, ports.get("data", 0))
        self.data_port = self.data.getsockname()[1]
        self.proxy = self._bind(socket.SOCK_STREAM, ports.get("proxy", 0))
        self.proxy_port = self.proxy.getsockname()[1]
        for target in (self._udp_loop, self._echo_loop):
            self._thread(target)
        for listener, handler in ((self.tcp, self._serve_main), (self.data, self._serve_data),
                                  (self.proxy, self._serve_proxy)):
            listener.listen(16)
            self._thread(self._accept_loop, listener, handler)

    def _bind(self, kind, port=0):
        s = socket.socket(socket.AF_INET, kind)
        if kind == socket.SOCK_STREAM:
            # A listener bound again after go_down() finds its port free of old connections.
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((self.host, port))
        s.settimeout(0.2)
        return s

    def _close_listeners(self):
        for s in (self.udp, self.echo, self.tcp, self.data, self.proxy):
            try:
                s.close()
            except OSError:
                pass

    def go_down(self):
        """Stops serving as a stopped server does: every port closed, every connection cut; what
        the server stored (boxes, lists, presence) stays for come_back()."""
        with self._store:
            self.down = True
            self.udp_clients.clear()
            self.tcp_clients.clear()
        self.record("down")
        self._close_listeners()
        self.close_clients()
        # The loops see their sockets closed and end.
        for t in list(self._threads):
            if t is not threading.current_thread():
                t.join(timeout=2)

    def come_back(self):
        """Serves again on the same ports, as a restarted server."""
        ports = dict(udp=self.port, echo=self.echo_port, tcp=self.tcp_port, data=self.data_port,
                     proxy=self.proxy_port)
        self._threads = [t for t in self._threads if t.is_alive()]
        self.open_listeners(ports)
        with self._store:
            self.down = False
        self.record("up", port=self.port)

    def _thread(self, target, *args):
        t = threading.Thread(target=target, args=args, daemon=True)
        self._threads.append(t)
        t.start()

    def stop(self):
        with self._lock:
            if self._stopping:
                return
        self.close_clients()
        super().stop()
        self._close_listeners()

    def _running(self):
        return not self._stopping

    def _accept_loop(self, listener, handler):
        while self._running():
            try:
                conn, address = listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            if not self.count_request():
                conn.close()
                return
            conn.settimeout(0.2)
            with self._store:
                self.open_sockets.add(conn)
            t = threading.Thread(target=self._guard, args=(handler, conn, address), daemon=True)
            t.start()

    def _guard(self, handler, conn, address):
        try:
            handler(conn, address)
        except OSError as error:
            self.record("connection-error", error=str(error))
        finally:
            with self._store:
                self.open_sockets.discard(conn)
            try:
                conn.close()
            except OSError:
                pass

    def close_clients(self):
        """Closes every TCP connection the peer holds (main, data and tunnels)."""
        with self._store:
            sockets = list(self.open_sockets)
        for s in sockets:
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    # -- frames -----------------------------------------------------------------------------
    def frame(self, record, seed=None):
        if not self.framed:
            return bytes(record)
        return pm.build_frame(record, seed=seed, scrambled=self.scrambled)

    def unframe(self, buf):
        if not self.framed:
            return bytes(buf)
        payload, _, _ = pm.parse_frame(buf)
        return payload

    # -- the store --------------------------------------------------------------------------
    def deliver(self, to_id, from_id, from_name, text, kind=0, attach=0, body=b""):
        """Puts a message into a user's box (as if another user had sent it); returns its number."""
        with self._store:
            self.next_number += 1
            m = Message(self.next_number, from_id, from_name, text, kind, attach, len(body), body)
            self.boxes.setdefault(pm.field16(to_id), []).append(m)
            return m.number

    def mailbox(self, user_id):
        with self._store:
            return list(self.boxes.get(pm.field16(user_id), []))

    def set_list(self, user_id, kind, entries):
        """entries: [(id bytes, name bytes, status word)] of the friend (kind 1) or URL (2) list."""
        rows = [(pm.field16(i) + pm.field16(n), v) for i, n, v in entries]
        (self.friends if kind == 1 else self.urls)[pm.field16(user_id)] = rows

    def list_record(self, user, seq, session, count=None):
        box = self.mailbox(user)[:pm.LIST_MAX]
        entries = [m.entry() for m in box]
        count = self.faults.get("list_count", count)
        if count is not None:
            count = int(count)
            while len(entries) < count:
                entries.append(Message(0, b"PAD", b"pad", b"").entry())
            entries = entries[:count]
        rec = pm.header(pm.MESSAGE_LIST, seq, user, session, self.version)
        body = struct.pack(">I", len(entries)) + b"".join(
            struct.pack(">16s16sIII", e["sender_id"], e["sender_name"], e["number"], pm.wire_time(e["time"]),
                        e["attributes"]) for e in entries)
        return pm._pack_header(rec) + body

    def push_list(self, user_id, session=None, count=None):
        """Pushes the user's message list to the user's last address or connection."""
        user = pm.field16(user_id)
        record = self.list_record(user, 0, self.session_of(user) if session is None else session, count)
        self.record("push", user=user.hex(), size=len(record))
        self._send_to_user(user, self.frame(record))

    def _notify(self, to):
        """The recipient of a complete message learns of it at once (from another thread, after
        the sender's answer), when the switch asks for it and the recipient's address is known."""
        if not self.notify_store:
            return
        with self._store:
            known = to in self.udp_clients or to in self.tcp_clients
        if known:
            threading.Thread(target=self._push_quietly, args=(to,), daemon=True).start()

    def _push_quietly(self, to):
        try:
            if not self.down and self._running():
                self.push_list(to)
        except OSError as error:
            self.record("push-error", error=str(error))

    def session_of(self, user):
        """The session the user's latest request carried (a push must carry it to be taken), or the
        configured one before the user asked anything."""
        latest = self.answers.get(bytes(user))
        if latest and "session" not in self.options:
            return latest[0][0]
        return int(str(self.options.get("session", 0x1234)), 0)

    def _send_to_user(self, user, data):
        with self._store:
            address = self.udp_clients.get(user)
            conn = self.tcp_clients.get(user)
        if conn is not None:
            try:
                conn.sendall(data)
                return
            except OSError:
                pass
        if address is not None:
            self.udp.sendto(data, address)

    # -- requests ---------------------------------------------------------------------------
    def answer(self, rec, transport):
        """The record(s) to send back for one request (a list, possibly empty), after the faults."""
        t, user = rec["type"], bytes(rec["comm_id"])
        # A resend repeats the user's latest request (same sequence and type); sequence numbers
        # are used again later for other requests, so only the latest one counts.
        key = (rec["session"], rec["seq"], t)
        duplicate = self.answers.get(user, (None,))[0] == key
        self.record("request", transport=transport, type=t, seq=rec["seq"] if rec["seq"] < 2**31 else rec["seq"] - 2**32,
                    user=user.hex(), duplicate=duplicate)
        left = self.drops.setdefault(t, _map(self.faults.get("drop", {})).get(t, 0))
        if left > 0:
            self.drops[t] = left - 1
            self.record("dropped", type=t)
            return []
        if t in _set(self.faults.get("silent", ())):
            if not duplicate:
                self.answers[user] = (key, [])
            return []
        if duplicate:
            answers = self.answers[user][1]
        else:
            answers = self.serve(rec, transport)
            self.answers[user] = (key, answers)
        out = []
        for a in answers:
            a = dict(a)
            if t in _set(self.faults.get("wrong_seq", ())):
                a["seq"] = (a["seq"] + 1000) & 0xFFFFFFFF
            if t in _map(self.faults.get("unexpected", {})):
                a = dict(pm.header(_map(self.faults["unexpected"])[t], a["seq"], user, rec["session"], self.version),
                     value=0, first=0, second=0)
            if "raw" in a:
                data = bytearray(a["raw"])
                data[4:8] = struct.pack(">I", a["seq"])
                data = bytes(data)
            else:
                data = pm.encode(a)
            if t in _set(self.faults.get("short", ())):
                data = data[:35]
            out.append(data)
        return out

    def serve(self, rec, transport):
        t, user, seq, session = rec["type"], bytes(rec["comm_id"]), rec["seq"], rec["session"]

        def head(rtype):
            return pm.header(rtype, seq, user, session, self.version)

        def result(code, second=0):
            return dict(head(pm.RESULT), first=code, second=second)

        refuse = _map(self.faults.get("refuse", {}))
        if t in refuse:
            return [result(refuse[t])]
        with self._store:
            if t == pm.SESSION_START:
                code = self.faults.get("session", 0)
                if code == "silent":
                    return []
                return [dict(head(pm.SESSION_ANSWER), value=int(code))]
            if t == pm.MESSAGE:
                to = bytes(rec["partner_id"])
                self.next_number += 1
                m = Message(self.next_number, user, self.names.get(user, b"sender"), rec["text"],
                            rec["attributes"] & 0xFF, (rec["file_flag"] >> 24) & 0x0F, rec["file_length"])
                m.attributes = rec["attributes"]
                m.send_number = rec["number"]
                self.boxes.setdefault(to, []).append(m)
                self.record("stored", to=to.hex(), number=m.number, text=rec["text"].hex(),
                            send_number=rec["number"], file_length=rec["file_length"], attributes=rec["attributes"])
                if not m.file_length:
                    self._notify(to)
                return [result(0)]
            if t == pm.LIST_REQUEST:
                return [dict(raw=self.list_record(user, seq, session), seq=seq)]
            if t == pm.FETCH:
                for m in self.boxes.get(user, []):
                    if m.number == rec["value"]:
                        number = m.number + (1 if self.faults.get("wrong_number") else 0)
                        return [dict(head(pm.MESSAGE), partner_id=m.sender_id, partner_name=m.sender_name,
                                     time=m.time, number=number, attributes=m.attributes,
                                     file_flag=m.file_flag, file_length=m.file_length, text=m.text)]
                return [result(NOT_FOUND)]
            if t == pm.DELETE:
                box = self.boxes.get(user, [])
                for m in box:
                    if m.number == rec["value"]:
                        box.remove(m)
                        self.record("deleted", number=m.number)
                        return [result(0)]
                return [result(NOT_FOUND)]
            if t == pm.LIST_QUERY:
                rows = (self.friends if rec["kind"] == 1 else self.urls).get(user, [])
                if self.live_presence:
                    rows = [(d, self.presence[d[:16]] | 0x1 if d[:16] in self.presence else v) for d, v in rows]
                size = int(self.faults.get("page_size", 25))
                first = (rec["page"] - 1) * size
                page = rows[first:first + size] if rec["page"] >= 1 else []
                return [dict(head(pm.LIST_PAGE), total=len(rows),
                             entries=[dict(data=d, value=v) for d, v in page])]
            if t == pm.LIST_CLEAR:
                self.record("list-clear", user=user.hex())
                return [result(0)]
            if t == pm.PRESENCE:
                self.presence[user] = rec["value"]
                return [result(0)]
            if t == pm.URL_TEXT:
                self.url_texts.append(rec["text"])
                return []
        return []

    def handle_main(self, data, transport):
        """Answers one received frame (or bare record); returns the bytes to send back."""
        try:
            payload = self.unframe(data)
            rec = pm.decode(payload)
        except pm.WireError as error:
            self.record("bad-frame", transport=transport, error=str(error), size=len(data))
            return [], None
        out = []
        for record in self.answer(rec, transport):
            seed = None
            if rec["type"] in _set(self.faults.get("garble", ())):
                frame = bytearray(self.frame(record, seed=1234))
                frame[8:12] = struct.pack(">I", 4321)  # another seed than the one used
                frame[1] = (-sum(frame[:8]) + frame[1]) & 0xFF
                out.append(bytes(frame))
                continue
            out.append(self.frame(record, seed=seed))
        return out, rec

    # -- UDP --------------------------------------------------------------------------------
    def _udp_loop(self):
        while self._running():
            try:
                data, address = self.udp.recvfrom(65536)
            except socket.timeout:
                continue
            except OSError:
                return
            if not self.count_request():
                return
            answers, rec = self.handle_main(data, "udp")
            if rec is not None:
                with self._store:
                    self.udp_clients[bytes(rec["comm_id"])] = address
            for a in answers:
                self.udp.sendto(a, address)

    def _echo_loop(self):
        while self._running():
            try:
                data, address = self.echo.recvfrom(65536)
            except socket.timeout:
                continue
            except OSError:
                return
            self.echo.sendto(data, address)

    # -- TCP main connection ----------------------------------------------------------------
    def _read_units(self, conn, buf):
        """Whole frames (or bare records) from the stream; None when it ended."""
        while True:
            try:
                chunk = conn.recv(65536)
            except socket.timeout:
                if not self._running():
                    return None
                continue
            if not chunk:
                return None
            buf += chunk
            units = []
            while True:
                try:
                    if self.framed:
                        n = pm.frame_length(buf)
                    else:
                        n = self._bare_length(buf)
                except pm.WireError:
                    self.record("bad-stream", size=len(buf))
                    return None
                if n is None or len(buf) < n:
                    break
                units.append(bytes(buf[:n]))
                del buf[:n]
            if units:
                return units

    @staticmethod
    def _bare_length(buf):
        if len(buf) < 28:
            return None
        t = struct.unpack_from(">H", buf, 2)[0]
        sizes = {pm.SESSION_START: 28, pm.LIST_REQUEST: 28, pm.LIST_CLEAR: 28, pm.FETCH: 32, pm.DELETE: 32,
                 pm.PRESENCE: 32, pm.EXT_RECEIVE: 32, pm.LIST_QUERY: 36, pm.EXT_SEND_HEADER: 36}
        if t in sizes:
            return sizes[t]
        if t == pm.URL_TEXT:
            return 30 + struct.unpack_from(">H", buf, 28)[0] if len(buf) >= 30 else None
        if t == pm.MESSAGE:
            return 84 + struct.unpack_from(">I", buf, 80)[0] if len(buf) >= 84 else None
        raise pm.WireError("unknown bare record type %d" % t)

    def _write(self, conn, data):
        if self.faults.get("split"):
            for i in range(0, len(data), 5):
                conn.sendall(data[i:i + 5])
                time.sleep(0.002)  # pacing, so that the pieces arrive apart
        else:
            conn.sendall(data)

    def _serve_main(self, conn, address):
        self.record("tcp-accept", port=address[1])
        buf = bytearray()
        while True:
            units = self._read_units(conn, buf)
            if units is None:
                self.record("tcp-closed", port=address[1])
                return
            for unit in units:
                answers, rec = self.handle_main(unit, "tcp")
                if rec is None:
                    continue
                user = bytes(rec["comm_id"])
                with self._store:
                    self.tcp_clients[user] = conn
                if rec["type"] in _set(self.faults.get("close", ())):
                    self.record("closing", type=rec["type"])
                    conn.shutdown(socket.SHUT_RDWR)
                    return
                data = b"".join(answers)
                if self.faults.get("merge") and data:
                    data = data + self.frame(self.list_record(user, 0, rec["session"]))
                if data:
                    self._write(conn, data)

    # -- data connection --------------------------------------------------------------------
    def _serve_data(self, conn, address):
        self.record("data-accept", port=address[1])
        buf = bytearray()
        while True:
            if self.framed:
                unit = self._read_one(conn, buf)
            else:
                unit = self._read_bare(conn, buf)
            if unit is None:
                self.record("data-closed", port=address[1])
                return
            payload = self.unframe(unit) if self.framed else unit
            try:
                rec = pm.decode(payload[:36] if len(payload) >= 36 and
                                struct.unpack_from(">H", payload, 2)[0] == pm.EXT_SEND_HEADER else payload)
            except pm.WireError as error:
                self.record("bad-data", error=str(error))
                return
            t = rec["type"]
            self.record("data-request", type=t, seq=rec["seq"], size=len(payload))
            if t == pm.SESSION_START:
                code = self.faults.get("session", 0)
                if code != "silent":
                    conn.sendall(self.frame(pm.encode(dict(pm.header(pm.SESSION_ANSWER, rec["seq"], rec["comm_id"],
                                                                     rec["session"], self.version), value=int(code)))))
            elif t == pm.EXT_SEND_HEADER:
                body = payload[36:] if self.framed else self._read_exact(conn, buf, rec["second"])
                if body is None:
                    return
                self._take_body(conn, rec, body)
            elif t == pm.EXT_RECEIVE:
                self._send_body(conn, rec)

    def _read_one(self, conn, buf):
        while True:
            try:
                n = pm.frame_length(buf)
            except pm.WireError:
                return None
            if n is not None and len(buf) >= n:
                unit = bytes(buf[:n])
                del buf[:n]
                return unit
            try:
                chunk = conn.recv(65536)
            except socket.timeout:
                if not self._running():
                    return None
                continue
            if not chunk:
                return None
            buf += chunk

    def _read_bare(self, conn, buf):
        """One bare request record of the data connection (its size from its type)."""
        head = self._read_exact(conn, buf, 4)
        if head is None:
            return None
        buf[0:0] = head
        t = struct.unpack_from(">H", buf, 2)[0]
        size = {pm.SESSION_START: 28, pm.EXT_SEND_HEADER: 36}.get(t, 32)
        return self._read_exact(conn, buf, size)

    def _read_exact(self, conn, buf, n):
        while len(buf) < n:
            try:
                chunk = conn.recv(65536)
            except socket.timeout:
                if not self._running():
                    return None
                continue
            if not chunk:
                return None
            buf += chunk
        out = bytes(buf[:n])
        del buf[:n]
        return out

    def _take_body(self, conn, rec, body):
        user = bytes(rec["comm_id"])
        completed = []
        with self._store:
            self.bodies[(user, rec["first"])] = body
            for to, box in self.boxes.items():
                for m in box:
                    if m.send_number == rec["first"] and m.sender_id == pm.field16(user) and m.file_length:
                        m.body = body
                        completed.append(to)
        self.record("body-stored", user=user.hex(), send_number=rec["first"], size=len(body),
                    announced=rec["second"])
        for to in completed:
            self._notify(to)
        if self.faults.get("send_silent"):
            return
        code = int(self.faults.get("send_code", 0))
        answer = pm.encode(dict(pm.header(pm.RESULT, rec["seq"], user, rec["session"], self.version),
                                first=code, second=0))
        conn.sendall(self.frame(answer))

    def _send_body(self, conn, rec):
        user = bytes(rec["comm_id"])
        if self.faults.get("body_silent"):
            return
        body = b""
        with self._store:
            for m in self.boxes.get(user, []):
                if m.number == rec["value"]:
                    body = m.body
        code = int(self.faults.get("body_code", 0))
        if code:
            body = b""
        reply = pm.encode(dict(pm.header(pm.RESULT, rec["seq"], user, rec["session"], self.version),
                               first=code, second=len(body)))
        data = self.frame(reply + body)
        if self.faults.get("body_bad_header"):
            data = b"~\x00" + data[2:]
        data += b"X" * int(self.faults.get("body_extra", 0))
        self.record("body-sent", number=rec["value"], size=len(body), code=code)
        if self.faults.get("body_close"):
            conn.sendall(data[:len(data) // 2])
            conn.shutdown(socket.SHUT_RDWR)
            return
        conn.sendall(data)

    # -- CONNECT proxy ----------------------------------------------------------------------
    def _serve_proxy(self, conn, address):
        head = b""
        while b"\r\n\r\n" not in head:
            try:
                chunk = conn.recv(4096)
            except socket.timeout:
                if not self._running():
                    return
                continue
            if not chunk:
                return
            head += chunk
            if len(head) > 8192:
                return
        text, rest = head.split(b"\r\n\r\n", 1)
        lines = text.decode("latin-1").split("\r\n")
        parts = lines[0].split(" ")
        auth = ""
        for line in lines[1:]:
            name, _, value = line.partition(":")
            if name.strip().lower() == "proxy-authorization":
                auth = value.strip()
        self.record("proxy-request", line=lines[0], headers=lines[1:])
        mode = self.faults.get("proxy")
        if mode == "silent":
            while self._running():
                try:
                    if not conn.recv(4096):
                        return
                except socket.timeout:
                    continue
            return
        required = self.faults.get("proxy_auth")
        good_auth = True
        if required:
            good_auth = auth.lower().startswith("basic ") and \
                base64.b64decode(auth[6:].strip()).decode("latin-1") == required
        if mode == "refuse" or not good_auth or len(parts) != 3 or parts[0] != "CONNECT":
            conn.sendall(b"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n")
            return
        host, _, port = parts[1].rpartition(":")
        target = socket.create_connection((require_loopback(host), int(port)), timeout=5)
        target.settimeout(0.2)
        answer = b"HTTP/1.0 200 Connection established\r\nProxy-agent: nvpeer\r\n\r\n"
        if mode == "split":
            for piece in (answer[:4], answer[4:15], answer[15:]):
                conn.sendall(piece)
                time.sleep(0.01)
        else:
            conn.sendall(answer)
        if rest:
            target.sendall(rest)
        with self._store:
            self.open_sockets.add(target)
        try:
            self._relay(conn, target)
        finally:
            with self._store:
                self.open_sockets.discard(target)
            target.close()

    def _relay(self, a, b):
        done = threading.Event()

        def pump(src, dst):
            while not done.is_set() and self._running():
                try:
                    data = src.recv(65536)
                except socket.timeout:
                    continue
                except OSError:
                    break
                if not data:
                    break
                try:
                    dst.sendall(data)
                except OSError:
                    break
            done.set()
            for s in (src, dst):
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass

        t = threading.Thread(target=pump, args=(b, a), daemon=True)
        t.start()
        pump(a, b)
        t.join(timeout=5)


class PythonClient:
    """A plain Python client of the main connection over UDP, for peer tests and the benchmark's
    ceiling: it frames, sends and waits for the answer of one request at a time."""

    def __init__(self, port, user=b"0123456789ABCDEF", session=0x1234, version=DEFAULT_VERSION, host="127.0.0.1"):
        self.address = (require_loopback(host), port)
        self.user, self.session, self.version = user, session, version
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.settimeout(2.0)
        self.seq = 0

    def close(self):
        self.sock.close()

    def request(self, rtype, **fields):
        self.seq += 1
        rec = dict(pm.header(rtype, self.seq, self.user, self.session, self.version), **fields)
        self.sock.sendto(pm.build_frame(pm.encode(rec)), self.address)
        if rtype == pm.URL_TEXT:
            return None
        payload, _, _ = pm.parse_frame(self.sock.recv(65536))
        return pm.decode(payload)

    def send_text(self, to, text, name=b"name", number=0):
        return self.request(pm.MESSAGE, partner_id=pm.field16(to), partner_name=pm.field16(name),
                            time=int(time.time()), number=number, attributes=0x40000000, file_flag=0,
                            file_length=0, text=text)


PEER = MessageServerPeer
