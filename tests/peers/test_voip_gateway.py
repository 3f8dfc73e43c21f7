"""The gateway peer on its own: account check, acceptance with credit, the far phone's answer,
the BYE at the limit, refusals and silence."""
import socket
import struct

import pytest

from nvpeers.voip_directory import TYPES, header
from nvpeers.voip_gateway import VoipGatewayPeer

MID = bytes(range(16))


def invite(user, password):
    body = struct.pack(">H", 8) + socket.inet_aton("127.0.0.1") + struct.pack(">HH", 8995, 100)
    body += user.encode().ljust(48, b"\0") + password.encode().ljust(48, b"\0") + bytes(56)
    return header(1, MID, 32 + len(body)) + body


def receive(sock):
    data, _ = sock.recvfrom(2048)
    return TYPES[struct.unpack(">H", data[12:14])[0]], data


@pytest.fixture
def client():
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.settimeout(3)
    yield sock
    sock.close()


def test_accepted_call_gets_credit_an_answer_and_the_bye_at_its_limit(client):
    with VoipGatewayPeer(options={"accounts": "gw:pw", "credit": "500,1", "answer_ms": "50"}) as peer:
        client.sendto(invite("gw", "pw"), ("127.0.0.1", peer.port))
        assert receive(client)[0] == "QLIP_INVITE_RSP_1XX"
        kind, accept = receive(client)
        assert kind == "QLIP_INVITE_RSP_2XX"
        assert struct.unpack(">Hii", accept[42:52]) == (3, 500, 1)
        assert struct.unpack(">H", accept[38:40])[0] == peer.rtp_port
        client.sendto(header(5, MID), ("127.0.0.1", peer.port))
        assert receive(client)[0] == "QLIP_INFO_OFFHOOK"
        kind, bye = receive(client)
        assert kind == "QLIP_BYE"
        assert struct.unpack(">Hii", bye[34:44]) == (3, 499, 0)
        assert bye[48:].rstrip(b"\0") == b"Credit Just Used Up, Call Terminated"
        client.sendto(b"rtp-packet", ("127.0.0.1", peer.rtp_port))
        assert client.recvfrom(100)[0] == b"rtp-packet"
        assert "pw" not in str(peer.records), "the log keeps no password"


@pytest.mark.parametrize("options,password,reason", [
    ({"accounts": "gw:pw"}, "bad", b"Password Incorrect"),
    ({"accounts": "other:pw"}, "pw", b"User ID Not Found"),
    ({"mode": "busy"}, "pw", b"Called Number Busy"),
])
def test_refusals_carry_their_reason(client, options, password, reason):
    with VoipGatewayPeer(options=options) as peer:
        client.sendto(invite("gw", password), ("127.0.0.1", peer.port))
        assert receive(client)[0] == "QLIP_INVITE_RSP_1XX"
        kind, refusal = receive(client)
        assert kind == "QLIP_INVITE_RSP_4XX"
        length = struct.unpack(">H", refusal[34:36])[0]
        assert refusal[36:36 + length].rstrip(b"\0") == reason


def test_silent_mode_answers_nothing(client):
    with VoipGatewayPeer(options={"mode": "silent"}) as peer:
        client.sendto(invite("gw", "pw"), ("127.0.0.1", peer.port))
        client.settimeout(0.3)
        with pytest.raises(socket.timeout):
            client.recvfrom(100)
        assert peer.wait_for(lambda rs: [r for r in rs if r.get("type") == "QLIP_INVITE"], 2)
