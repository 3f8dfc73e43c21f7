"""A VoIP directory server (and a minimal gateway proxy) for the qelo library's signalling.

Written from the wire layout of the signalling datagrams: a 32-byte header (magic 0x69547058,
total length, header length 32, version 0x91, 1, type, 0, a 16-byte message id), big-endian
integers, NUL-padded texts, IPv4 addresses as 4 bytes in network order.

One peer can run several directory servers (option servers=N), each on its own free port on
127.0.0.1; the ports are written, space-separated, to <log name>.ports. Options:
  silent=I,J        servers that never answer (by index)
  refuse=1          sign-ins and first-time registrations are refused
  delay_ms=N        every answer waits N ms
  account=1         first-time registration answers 0x5A5A with a gateway account
  drop=N            the first N requests get no answer
  credit=A,S        the proxy's acceptance of an INVITE carries credit A and a limit of S seconds
  proxy_ip=X        the address handed out for telephone call requests (default: the peer's own)
"""

import itertools
import os
import socket
import socketserver
import struct
import threading
import time

from .base import Peer

MAGIC = 0x69547058
VERSION = 0x91

TYPES = {
    1: "QLIP_INVITE", 2: "QLIP_INVITE_RSP_1XX", 3: "QLIP_INVITE_RSP_2XX", 4: "QLIP_INVITE_RSP_4XX",
    5: "QLIP_ACK", 6: "QLIP_ACK_FAIL", 7: "QLIP_INFO_ALIVE", 8: "QLIP_INFO_OFFHOOK",
    9: "QLIP_INFO_RSP_OFFHOOK", 10: "QLIP_INFO_DTMF", 11: "QLIP_INFO_RSP_DTMF", 12: "QLIP_BYE",
    13: "QLIP_BYE_RSP", 40: "TREGISTRATION", 41: "TREGISTRATION_ACK", 42: "TCALLREQUEST",
    43: "TCALLREQUEST_ACK", 44: "TALIVE", 51: "TFIRST_TIMEREG", 52: "TFIRST_TIMEREG_ACK",
    55: "TLOGOFF", 56: "TLOGOFF_ACK",
}
CODES = {name: code for code, name in TYPES.items()}
WITH_ACCOUNT = 0x5A5A


def _text(data, offset, width):
    field = data[offset:offset + width]
    return field.split(b"\0", 1)[0].decode("cp932", "replace")


def _padded(data, size):
    return data + bytes(max(0, size - len(data)))


def _ip(data, offset):
    return socket.inet_ntoa(_padded(data, offset + 4)[offset:offset + 4])


def header(type_code, message_id=bytes(16), total=32):
    return struct.pack(">IHHHHHH", MAGIC, total, 32, VERSION, 1, type_code, 0) + message_id


def message(type_code, body=b"", message_id=bytes(16)):
    """A whole datagram: the header with its total length, then the body (offsets from 32)."""
    return header(type_code, message_id, 32 + len(body)) + body


def field(text, width):
    raw = text.encode("cp932") if isinstance(text, str) else text
    return raw[:width].ljust(width, b"\0")


def decode(data):
    """What the directory server reads of a datagram; None without the magic."""
    if len(data) < 4 or struct.unpack(">I", data[:4])[0] != MAGIC:
        return None
    padded = _padded(data, 2048)
    magic, total, hlen, version, one, type_code, zero = struct.unpack(">IHHHHHH", padded[:16])
    fields = {"type": TYPES.get(type_code, f"type{type_code}"), "code": type_code, "total": total,
              "length": len(data), "header_length": hlen, "version": version, "id": padded[16:32].hex()}
    if type_code in (40, 44):
        fields.update(unit=_text(padded, 32, 20), ip=_ip(padded, 52), port=struct.unpack(">H", padded[56:58])[0])
    elif type_code == 51:
        fields.update(placeholder=_text(padded, 32, 20), country=_text(padded, 52, 6), area=_text(padded, 58, 5),
                      nickname=_text(padded, 63, 20), ip=_ip(padded, 84),
                      port=struct.unpack(">H", padded[88:90])[0])
    elif type_code == 55:
        fields.update(unit=_text(padded, 32, 20) if len(data) > 32 else "")
    elif type_code == 42:
        fields.update(call_kind=struct.unpack(">i", padded[32:36])[0], digits=_text(padded, 36, 20))
    elif type_code == 1:
        fields.update(voice_ip=_ip(padded, 34), voice_port=struct.unpack(">H", padded[38:40])[0],
                      caller=_text(padded, 42, 48), second_present=padded[90] != 0,
                      destination=_text(padded, 142, 32))
    return fields


def registration_ack(result, message_id=bytes(16)):
    return message(41, bytes(20) + struct.pack(">H", result), message_id)


def first_time_ack(unit, result, user="", password="", message_id=bytes(16)):
    body = field(unit, 20) + struct.pack(">H", result) + bytes(2)
    if result == WITH_ACCOUNT:
        body += field(user, 20) + field(password, 20)
    return message(52, body, message_id)


def call_request_ack(kind, invite_ip, media_ip, message_id=bytes(16)):
    return message(43, struct.pack(">i", kind) + socket.inet_aton(invite_ip) + socket.inet_aton(media_ip), message_id)


def invite_2xx(voice_ip, message_id=bytes(16), credit=None, keep_alive_base=60):
    """The callee's acceptance: voice endpoint, RTP port 8995, and credit and time limit when given
    as "credit,seconds" (the field at 42 is then not 2)."""
    body = struct.pack(">H", 8) + socket.inet_aton(voice_ip) + struct.pack(">HH", 8995, 12)
    if credit:
        amount, seconds = (int(v) for v in str(credit).split(","))
        body += struct.pack(">Hii", 3, amount, seconds)
    else:
        body += struct.pack(">Hii", 2, -1, -1)
    body += struct.pack(">HH", 8, keep_alive_base) + bytes(4) + struct.pack(">6H", 12, 2, 3, 0, 0, 0)
    return message(3, body, message_id)


def logoff_ack(message_id=bytes(16)):
    return message(56, b"", message_id)


class VoipDirectoryPeer(Peer):
    name = "voip_directory"

    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.ports = []
        self.units = {}          # unit id -> (ip, port, online)
        self._numbers = itertools.count(int(self.options.get("first_unit", 1001)))
        self._table_lock = threading.Lock()
        self._dropped = 0

    # -- options ----------------------------------------------------------------------------
    def _option_set(self, name):
        value = str(self.options.get(name, ""))
        return {int(v) for v in value.split(",") if v.strip().isdigit()}

    def open_listeners(self):
        peer = self
        for index in range(int(self.options.get("servers", 1))):
            class Handler(socketserver.BaseRequestHandler):
                server_index = index

                def handle(self):
                    if not peer.count_request():
                        return
                    data, sock = self.request
                    peer.handle_datagram(self.server_index, data, self.client_address, sock)

            server = self.serve(socketserver.ThreadingUDPServer((self.host, 0), Handler))
            self.ports.append(server.server_address[1])
        self.port = self.ports[0]
        if self.log_path:
            ports_file = os.path.splitext(self.log_path)[0] + ".ports"
            temporary = ports_file + ".tmp"
            with open(temporary, "w") as f:
                f.write(" ".join(str(p) for p in self.ports) + "\n")
            os.replace(temporary, ports_file)

    # -- dialogue ---------------------------------------------------------------------------
    def handle_datagram(self, index, data, address, sock):
        fields = decode(data)
        if fields is None:
            self.record("junk", server=index, source=f"{address[0]}:{address[1]}", data_hex=data.hex())
            return
        self.record("datagram", server=index, source=f"{address[0]}:{address[1]}", **fields)
        if index in self._option_set("silent"):
            return
        with self._table_lock:
            if self._dropped < int(self.options.get("drop", 0)):
                self._dropped += 1
                self.record("dropped", server=index, type=fields["type"])
                return
        replies = self.answer(fields, data, address)
        if replies is None:
            return
        if isinstance(replies, bytes):
            replies = [replies]
        delay = float(self.options.get("delay_ms", 0)) / 1000.0
        if delay:
            time.sleep(delay)
        for reply in replies:
            sock.sendto(reply, address)
            self.record("reply", server=index, type=TYPES.get(struct.unpack(">H", reply[12:14])[0]),
                        to=f"{address[0]}:{address[1]}", data_hex=reply.hex())

    def answer(self, fields, data, address):
        code = fields["code"]
        message_id = bytes.fromhex(fields["id"])
        refuse = str(self.options.get("refuse", "0")) == "1"
        if code == 51:
            if refuse:
                return first_time_ack("", 1, message_id=message_id)
            unit = str(next(self._numbers))
            with self._table_lock:
                self.units[unit] = (fields["ip"], fields["port"], True)
            if str(self.options.get("account", "0")) == "1":
                return first_time_ack(unit, WITH_ACCOUNT, "gw" + unit, "pw" + unit, message_id)
            return first_time_ack(unit, 0, message_id=message_id)
        if code == 40:
            known = fields["unit"] in self.units or str(self.options.get("accept_unknown", "1")) == "1"
            if refuse or not known:
                return registration_ack(1, message_id)
            with self._table_lock:
                self.units[fields["unit"]] = (fields["ip"], fields["port"], True)
            return registration_ack(0, message_id)
        if code == 44:
            return None
        if code == 55:
            with self._table_lock:
                if fields["unit"] in self.units:
                    ip, port, _ = self.units[fields["unit"]]
                    self.units[fields["unit"]] = (ip, port, False)
            return logoff_ack(message_id)
        if code == 42:
            if fields["call_kind"] == 100:
                proxy = str(self.options.get("proxy_ip", self.host))
                return call_request_ack(100, proxy, proxy, message_id)
            target = self.units.get(fields["digits"])
            if target and target[2]:
                return call_request_ack(600, target[0], target[0], message_id)
            return call_request_ack(-1, "0.0.0.0", "0.0.0.0", message_id)
        if code == 1:
            # The gateway proxy: rings at once and accepts, with credit fields when asked to.
            return [header(2, message_id), invite_2xx(self.host, message_id, self.options.get("credit"))]
        if code == 12:
            return message(13, struct.pack(">HHii", 12, 2, -1, -1) + bytes(8), message_id)
        return None

    def requests(self, type_name, server=None):
        return [r for r in self.records if r["kind"] == "datagram" and r["type"] == type_name
                and (server is None or r["server"] == server)]


PEER = VoipDirectoryPeer
