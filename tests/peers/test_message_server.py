"""The message-server peer against a plain Python client: what it stores and answers, and a few of
its switches (the client's own tests exercise the rest)."""

import socket
import struct

import pytest

from nvpeers import pm_codec as pm
from nvpeers.message_server import MessageServerPeer, PythonClient

ME = b"0123456789ABCDEF"
YOU = b"FEDCBA9876543210"


@pytest.fixture
def server(tmp_path):
    with MessageServerPeer(log_path=str(tmp_path / "ms.log"), lifetime=60) as peer:
        yield peer


def test_messages_are_stored_listed_fetched_and_deleted(server):
    client = PythonClient(server.port)
    try:
        assert client.request(pm.SESSION_START)["type"] == pm.SESSION_ANSWER
        answer = client.send_text(YOU, "こんにちは".encode("cp932"))
        assert answer["type"] == pm.RESULT and answer["first"] == 0 and answer["seq"] == client.seq
        [stored] = server.mailbox(YOU)
        assert stored.text == "こんにちは".encode("cp932") and stored.sender_id == ME

        number = server.deliver(ME, YOU, b"hanako", b"hello")
        listed = client.request(pm.LIST_REQUEST)
        assert [e["number"] for e in listed["entries"]] == [number]
        fetched = client.request(pm.FETCH, value=number)
        assert fetched["type"] == pm.MESSAGE and fetched["text"] == b"hello" and fetched["number"] == number
        assert client.request(pm.DELETE, value=number)["first"] == 0
        assert client.request(pm.DELETE, value=number)["first"] != 0
        assert server.mailbox(ME) == []
    finally:
        client.close()


def test_a_resend_gets_the_same_answer_and_is_stored_once(server):
    client = PythonClient(server.port)
    try:
        first = client.send_text(YOU, b"once")
        client.seq -= 1
        again = client.send_text(YOU, b"once")
        assert first == again
        assert len(server.mailbox(YOU)) == 1
        assert [r["duplicate"] for r in server.requests_of("request")] == [False, True]
    finally:
        client.close()


def test_lists_come_in_pages(server):
    server.set_list(ME, 1, [(b"F%02d" % i, b"n", i) for i in range(60)])
    client = PythonClient(server.port)
    try:
        pages = [client.request(pm.LIST_QUERY, kind=1, page=p) for p in (1, 2, 3, 4)]
        assert [len(p["entries"]) for p in pages] == [25, 25, 10, 0]
        assert all(p["total"] == 60 for p in pages)
    finally:
        client.close()


@pytest.mark.parametrize("switch,value,check", [
    ("silent", {9}, lambda a: a is None),
    ("wrong_seq", {9}, lambda a: a["seq"] != 1),
    ("refuse", {9: 0x3003}, lambda a: a["first"] == 0x3003),
    ("unexpected", {9: pm.SESSION_ANSWER}, lambda a: a["type"] == pm.SESSION_ANSWER),
])
def test_switches_change_the_answer(server, switch, value, check):
    server.faults[switch] = value
    client = PythonClient(server.port)
    client.sock.settimeout(0.5)
    try:
        try:
            answer = client.send_text(YOU, b"x")
        except socket.timeout:
            answer = None
        assert check(answer)
    finally:
        client.close()


def test_short_answers_are_one_byte_short(server):
    server.faults["short"] = {9}
    client = PythonClient(server.port)
    try:
        client.sock.sendto(pm.build_frame(pm.encode(dict(pm.header(pm.MESSAGE, 1, ME, 0x1234), partner_id=pm.field16(YOU),
                                                         partner_name=pm.field16(b""), time=0, number=0,
                                                         attributes=0x40000000, file_flag=0, file_length=0,
                                                         text=b"x"))), client.address)
        payload, _, _ = pm.parse_frame(client.sock.recv(4096))
        assert len(payload) == 35
    finally:
        client.close()


def test_the_proxy_tunnels_with_basic_credentials(server):
    server.faults["proxy_auth"] = "user:pass"
    for credentials, status in ((b"dXNlcjpwYXNz", b"200"), (b"Og==", b"407")):
        s = socket.create_connection(("127.0.0.1", server.proxy_port), timeout=5)
        s.sendall(b"CONNECT 127.0.0.1:%d HTTP/1.0\r\nUser-agent: t\r\nProxy-authorization: basic %s\r\n\r\n"
                  % (server.tcp_port, credentials))
        head = b""
        while b"\r\n\r\n" not in head:
            head += s.recv(4096)
        assert head.split(b" ")[1] == status
        if status == b"200":
            s.sendall(pm.build_frame(pm.encode(pm.header(pm.SESSION_START, 1, ME, 0x1234))))
            data = s.recv(4096)
            assert pm.decode(pm.parse_frame(data)[0])["type"] == pm.SESSION_ANSWER
        s.close()


def test_bodies_travel_on_the_data_connection(server):
    number = server.deliver(ME, YOU, b"hanako", b"with body", body=bytes(range(256)) * 10)
    s = socket.create_connection(("127.0.0.1", server.data_port), timeout=5)
    try:
        s.sendall(pm.build_frame(pm.encode(pm.header(pm.SESSION_START, 1, ME, 0x1234))))
        assert pm.decode(pm.parse_frame(s.recv(4096))[0])["value"] == 0
        s.sendall(pm.build_frame(pm.encode(dict(pm.header(pm.EXT_RECEIVE, 2, ME, 0x1234), value=number))))
        data = b""
        while pm.frame_length(data) is None or len(data) < pm.frame_length(data):
            data += s.recv(65536)
        payload, _, _ = pm.parse_frame(data)
        record = pm.decode(payload[:36])
        assert record["first"] == 0 and record["second"] == 2560
        assert payload[36:] == bytes(range(256)) * 10
        # A body sent the other way, paired with its message by the sender's number.
        answer = PythonClient(server.port)
        answer.request(pm.MESSAGE, partner_id=pm.field16(YOU), partner_name=pm.field16(b""), time=0, number=7,
                       attributes=0x40000000, file_flag=1, file_length=3, text=b"file")
        answer.close()
        body = b"abc"
        s.sendall(pm.build_frame(pm.encode(dict(pm.header(pm.EXT_SEND_HEADER, 3, ME, 0x1234), first=7, second=3))
                                 + body))
        result = pm.decode(pm.parse_frame(s.recv(4096))[0])
        assert result["type"] == pm.RESULT and result["first"] == 0
        assert [m.body for m in server.mailbox(YOU) if m.send_number == 7] == [b"abc"]
    finally:
        s.close()


def test_peer_listens_on_loopback_only(server):
    for port in (server.port, server.tcp_port, server.data_port, server.proxy_port):
        assert port > 0
    with pytest.raises(ValueError):
        MessageServerPeer(host="192.0.2.1")


def receive_frame(client, seconds=5):
    client.sock.settimeout(seconds)
    payload, _, _ = pm.parse_frame(client.sock.recv(65536))
    return pm.decode(payload)


def test_a_stored_message_is_pushed_to_its_recipient_once_complete(server):
    server.notify_store = True
    sender, recipient = PythonClient(server.port), PythonClient(server.port, user=YOU, session=0x1A2B3C01)
    try:
        # The recipient's address is known from its session request.
        assert recipient.request(pm.SESSION_START)["type"] == pm.SESSION_ANSWER
        assert sender.send_text(YOU, b"plain")["first"] == 0
        pushed = receive_frame(recipient)
        # The push carries the recipient's own session, or the client would not take it.
        assert pushed["session"] == 0x1A2B3C01
        assert pushed["type"] == pm.MESSAGE_LIST and [e["number"] for e in pushed["entries"]] == \
            [m.number for m in server.mailbox(YOU)]

        # A message that announces a file is pushed only once its body is there.
        answer = sender.request(pm.MESSAGE, partner_id=pm.field16(YOU), partner_name=pm.field16(b""), time=0,
                                number=9, attributes=0x40000000, file_flag=1, file_length=2, text=b"file")
        assert answer["first"] == 0
        recipient.sock.settimeout(0.3)
        with pytest.raises(socket.timeout):
            recipient.sock.recv(65536)
        with socket.create_connection(("127.0.0.1", server.data_port), timeout=5) as s:
            s.sendall(pm.build_frame(pm.encode(dict(pm.header(pm.EXT_SEND_HEADER, 3, ME, 0x1234), first=9, second=2))
                                     + b"xy"))
            assert pm.decode(pm.parse_frame(s.recv(4096))[0])["first"] == 0
        pushed = receive_frame(recipient)
        assert len(pushed["entries"]) == 2
        assert len(server.requests_of("push")) == 2
    finally:
        sender.close()
        recipient.close()


def test_friend_rows_show_the_presence_their_users_sent(server):
    server.live_presence = True
    other = b"0000111122223333"
    server.set_list(ME, 1, [(YOU, b"you", 0), (other, b"other", 0x40)])
    me, you = PythonClient(server.port), PythonClient(server.port, user=YOU)
    try:
        rows = lambda: [e["value"] for e in me.request(pm.LIST_QUERY, kind=1, page=1)["entries"]]  # noqa: E731
        assert rows() == [0, 0x40], "no presence yet: the stored words"
        assert you.request(pm.PRESENCE, value=0x34)["first"] == 0
        assert rows() == [0x35, 0x40], "online, with the mood and phone bits the user sent"
    finally:
        me.close()
        you.close()


def test_a_server_that_went_down_comes_back_on_its_ports_with_what_it_stored(server):
    client = PythonClient(server.port)
    try:
        assert client.send_text(YOU, b"before")["first"] == 0
        ports = (server.port, server.tcp_port, server.data_port)
        server.go_down()
        client.sock.settimeout(0.5)
        client.seq += 1
        client.sock.sendto(pm.build_frame(pm.encode(pm.header(pm.LIST_REQUEST, client.seq, ME, 0x1234))),
                           client.address)
        with pytest.raises(OSError):  # no answer (or the port's refusal)
            client.sock.recv(65536)
        with pytest.raises(OSError):
            socket.create_connection(("127.0.0.1", server.tcp_port), timeout=1).close()
        server.come_back()
        assert (server.port, server.tcp_port, server.data_port) == ports
        assert client.send_text(YOU, b"after")["first"] == 0
        assert [m.text for m in server.mailbox(YOU)] == [b"before", b"after"]
        socket.create_connection(("127.0.0.1", server.data_port), timeout=2).close()
    finally:
        client.close()
