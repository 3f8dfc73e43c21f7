"""The VoIP directory-server peer against the library's own encoder and decoder, and its dialogues."""

import os
import socket
import struct
import subprocess

import pytest

from nvpeers import voip_directory as vd

TOOL = os.environ.get("QELO_WIRE_TOOL")


def tool(mode, stdin=""):
    # CTest of the native build sets it to the tool it builds; a run without it fails.
    assert TOOL, "QELO_WIRE_TOOL is not set: run through CTest of the native build"
    out = subprocess.run([TOOL, mode], input=stdin, capture_output=True, text=True, timeout=30, check=True)
    return out.stdout.splitlines()


def test_peer_reads_every_message_the_library_sends():
    sent = dict(line.split(" ", 1) for line in tool("encode"))
    expected = {
        "TREGISTRATION": dict(code=40, length=60, unit="12345", ip="127.0.0.1", port=8481),
        "TALIVE": dict(code=44, length=60, unit="12345", ip="127.0.0.1", port=8481),
        "TFIRST_TIMEREG": dict(code=51, length=92, placeholder="~~~~", country="81", area="3", nickname="Taro",
                               ip="127.0.0.1", port=8481),
        "TLOGOFF": dict(code=55, length=52, unit="12345"),
        "TLOGOFF_BARE": dict(code=55, length=32, unit=""),
        "TCALLREQUEST": dict(code=42, length=76, call_kind=200, digits="0312345678"),
    }
    for name, fields in expected.items():
        decoded = vd.decode(bytes.fromhex(sent[name]))
        assert decoded is not None, name
        assert decoded["total"] == fields["length"], name
        assert decoded["header_length"] == 32 and decoded["version"] == 0x91, name
        # The message id: local address, call counter 3 and process id 4242, little-endian.
        assert decoded["id"] == "7f000001" + "03000000" + "ffffffff" + struct.pack("<I", 4242).hex(), name
        for key, value in fields.items():
            assert decoded[key] == value, (name, key)


def test_library_reads_every_answer_the_peer_builds():
    answers = [
        vd.registration_ack(0), vd.registration_ack(3),
        vd.first_time_ack("12345678901234567890", 0),
        vd.first_time_ack("77", vd.WITH_ACCOUNT, "gwuser", "gwpass"),
        vd.call_request_ack(600, "127.0.0.2", "127.0.0.3"),
        vd.call_request_ack(-1, "0.0.0.0", "0.0.0.0"),
        vd.logoff_ack(),
        vd.invite_2xx("127.0.0.5"),
        vd.invite_2xx("127.0.0.5", credit="150,3600", keep_alive_base=600),
    ]
    lines = tool("decode", "".join(a.hex() + "\n" for a in answers))
    assert lines == [
        "TREGISTRATION_ACK result=0",
        "TREGISTRATION_ACK result=3",
        "TFIRST_TIMEREG_ACK unit=12345678901234567890 result=0 user= password=",
        "TFIRST_TIMEREG_ACK unit=77 result=23130 user=gwuser password=gwpass",
        "TCALLREQUEST_ACK kind=600 invite=127.0.0.2 media=127.0.0.3",
        "TCALLREQUEST_ACK kind=-1 invite=0.0.0.0 media=0.0.0.0",
        "TLOGOFF_ACK length=32",
        "QLIP_INVITE_RSP_2XX voice=127.0.0.5:8995 credit=0 limit=0 present=0 alive=20",
        "QLIP_INVITE_RSP_2XX voice=127.0.0.5:8995 credit=150 limit=3600 present=1 alive=120",
    ]


class Client:
    """A bare UDP client speaking the directory dialogue, for the peer's own behaviour."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.settimeout(3)

    def ask(self, port, datagram):
        self.sock.sendto(datagram, ("127.0.0.1", port))
        data, _ = self.sock.recvfrom(2048)
        return data

    def close(self):
        self.sock.close()


def first_time(country="81"):
    body = vd.field("~~~~", 20) + vd.field(country, 6) + vd.field("3", 5) + vd.field("Taro", 20) + b"\0"
    body += socket.inet_aton("127.0.0.1") + struct.pack(">H", 8481) + bytes(2)
    return vd.message(51, body)


def test_dialogue_assigns_units_and_routes_call_requests(tmp_path):
    with vd.VoipDirectoryPeer(log_path=str(tmp_path / "ds.log"), options={"servers": "2", "silent": "0"}) as peer:
        ports = open(tmp_path / "ds.ports").read().split()
        assert [int(p) for p in ports] == peer.ports and len(ports) == 2
        client = Client()
        try:
            answer = client.ask(peer.ports[1], first_time())
            assert struct.unpack(">H", answer[12:14])[0] == 52
            unit = answer[32:52].split(b"\0")[0].decode()
            assert unit.isdigit()
            reg = vd.message(40, vd.field(unit, 20) + socket.inet_aton("127.0.0.1") + struct.pack(">HH", 8481, 0))
            assert struct.unpack(">H", client.ask(peer.ports[1], reg)[52:54])[0] == 0

            def call(digits):
                ack = client.ask(peer.ports[1], vd.message(42, struct.pack(">i", 200) + vd.field(digits, 20) + bytes(20)))
                return struct.unpack(">i", ack[32:36])[0], socket.inet_ntoa(ack[36:40])

            assert call(unit) == (600, "127.0.0.1")
            assert call("999")[0] == -1
            assert struct.unpack(">H", client.ask(peer.ports[1], vd.message(55, vd.field(unit, 20)))[12:14])[0] == 56
            assert call(unit)[0] == -1, "a signed-out unit is not reachable"

            client.sock.settimeout(0.5)
            with pytest.raises(socket.timeout):
                client.ask(peer.ports[0], first_time())
            assert peer.wait_for(lambda rs: [r for r in rs if r.get("server") == 0 and r["kind"] == "datagram"])
        finally:
            client.close()


def test_refusal_switch():
    with vd.VoipDirectoryPeer(options={"refuse": "1"}) as peer:
        client = Client()
        try:
            answer = client.ask(peer.port, first_time())
            assert struct.unpack(">H", answer[52:54])[0] != 0
        finally:
            client.close()


def test_proxy_rings_and_accepts_an_invite_with_credit():
    with vd.VoipDirectoryPeer(options={"credit": "150,3600"}) as peer:
        client = Client()
        try:
            invite_id = bytes(range(16))
            client.sock.sendto(vd.message(1, bytes(164), invite_id), ("127.0.0.1", peer.port))
            ring, _ = client.sock.recvfrom(2048)
            accept, _ = client.sock.recvfrom(2048)
            assert struct.unpack(">H", ring[12:14])[0] == 2 and ring[16:32] == invite_id
            assert struct.unpack(">H", accept[12:14])[0] == 3 and len(accept) == 72
            assert struct.unpack(">Hii", accept[42:52]) == (3, 150, 3600)
        finally:
            client.close()
