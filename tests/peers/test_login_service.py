"""The login peer itself, checked with plain sockets (not the client): the form rules it enforces,
the session it follows from log-in to log-out, its replies and a few of its switches."""

import socket

import pytest

from nvpeers.account_forms import CallDirectory
from nvpeers.login_service import USER_AGENT, LoginServicePeer

LOGIN = ("version=0x0301&type=0x0101&seq=0x00000001&id=user01&session=0x00000000&password=pw01"
         "&game_id=VERK_01234&game_vr=V1.000&addr=1.2.3.4&udp_port=33500&tcp_port=40000")


def post(peer, path, body, user_agent=USER_AGENT, length=None):
    data = body.encode("latin-1")
    head = (f"POST {path} HTTP/1.1\r\nHost: x\r\nUser-Agent: {user_agent}\r\n"
            f"Content-Type: application/x-www-form-urlencoded\r\n"
            f"Content-Length: {len(data) if length is None else length}\r\n\r\n")
    with socket.create_connection(("127.0.0.1", peer.port), timeout=10) as s:
        s.sendall(head.encode("latin-1") + data)
        reply = b""
        while True:
            chunk = s.recv(4096)
            if not chunk:
                break
            reply += chunk
    status = int(reply.split(b" ", 2)[1]) if reply else 0
    return status, reply.partition(b"\r\n\r\n")[2]


@pytest.fixture
def peer():
    with LoginServicePeer(lifetime=60) as p:
        yield p


def test_log_in_room_and_log_out_follow_one_session(peer):
    status, body = post(peer, "/menu/LNLogin.cgi", LOGIN)
    assert status == 200 and body.startswith(b"version:0x0301<br>")
    assert b"<br>id:user01<br>session:0x1A2B3C00<br>errno:0<br>" in body
    enter = "version=0x0301&type=0x0013&seq=0x00000002&id=user01&session=0x1A2B3C00&password=pw01&url=http%3A%2F%2Fr"
    status, body = post(peer, "/menu/CTLogin.cgi", enter)
    assert status == 200 and b"room_id:R-8<br>id:user01<br>" in body
    leave = "version=0x0301&type=0x0015&seq=0x00000003&id=user01&session=0x1A2B3C00&password=pw01&RoomID=R-8"
    assert post(peer, "/menu/CTLogin.cgi", leave)[0] == 200
    logout = ("version=0x0301&type=0x0003&seq=0x00000004&id=user01&session=0x1A2B3C00&password=pw01"
              "&game_id=VERK_01234&game_vr=V1.000")
    assert post(peer, "/menu/LNLogin.cgi", logout)[0] == 200
    assert [r["kind"] for r in peer.records if r["kind"] in ("logged-in", "room-entered", "room-left", "logged-out")] \
        == ["logged-in", "room-entered", "room-left", "logged-out"]
    assert not peer.requests_of("violation")


@pytest.mark.parametrize("body, user_agent, length", [
    (LOGIN.replace("seq=0x00000001", "seq=1"), USER_AGENT, None),            # seq not %#.8x
    (LOGIN.replace("version=0x0301", "version=0x0311"), USER_AGENT, None),   # TCP version for UDP
    (LOGIN.replace("password=pw01", "password=pw+1"), USER_AGENT, None),     # an unescaped "+"
    (LOGIN.replace("&addr=1.2.3.4", ""), USER_AGENT, None),                  # a field missing
    (LOGIN, "Mozilla/4.0", None),                                            # another user agent
])
def test_broken_form_rules_are_violations(peer, body, user_agent, length):
    status, _ = post(peer, "/menu/LNLogin.cgi", body, user_agent, length)
    assert status == 400
    assert peer.requests_of("violation")
    assert not peer.requests_of("logged-in")


def test_a_wrong_password_is_refused_and_a_foreign_session_is_a_violation(peer):
    status, body = post(peer, "/menu/LNLogin.cgi", LOGIN.replace("pw01", "nope"))
    assert status == 200 and b"errno:2712" in body
    logout = ("version=0x0301&type=0x0003&seq=0x00000002&id=user01&session=0x12345678&password=pw01"
              "&game_id=VERK_01234&game_vr=V1.000")
    assert post(peer, "/menu/LNLogin.cgi", logout)[0] == 400


@pytest.mark.parametrize("switch, check", [
    ("no_version", lambda s, b: s == 200 and b"version:" not in b),
    ("bad_addr", lambda s, b: b"ufaddr:300.1.2.3" in b),
    ("long", lambda s, b: len(b) > 8192 and b"version:" in b),
    ("status404", lambda s, b: s == 404),
    ("misbehave:5", lambda s, b: s == 0),
])
def test_switches(peer, switch, check):
    assert post(peer, "/_control", "switch=" + switch)[0] == 200
    status, body = post(peer, "/menu/LNLogin.cgi", LOGIN)
    assert check(status, body)
    assert post(peer, "/_control", "switch=none")[0] == 200


def test_the_room_reply_names_the_chat_server_and_room_it_was_given(peer):
    """The room entry points the client at the chat server set by control; leaving names that room."""
    assert post(peer, "/_control", "caddr=127.0.0.9&cport=40123&chat_room=%23lobby")[0] == 200
    assert post(peer, "/menu/LNLogin.cgi", LOGIN)[0] == 200
    enter = "version=0x0301&type=0x0013&seq=0x00000002&id=user01&session=0x1A2B3C00&password=pw01&url="
    status, body = post(peer, "/menu/CTLogin.cgi", enter)
    assert status == 200
    items = dict(item.split(b":", 1) for item in body.split(b"<br>") if item)
    assert (items[b"room_id"], items[b"caddr"], items[b"cport"]) == (b"#lobby", b"127.0.0.9", b"40123")
    leave = "version=0x0301&type=0x0015&seq=0x00000003&id=user01&session=0x1A2B3C00&password=pw01&RoomID=%23lobby"
    assert post(peer, "/menu/CTLogin.cgi", leave)[0] == 200
    assert [r["room"] for r in peer.requests_of("room-left")] == ["#lobby"]
    assert not peer.requests_of("violation")


def test_call_id_look_ups_answer_from_the_call_directory(peer):
    """With a call directory every communication ID has one numeric call ID, found both ways; a
    call ID nobody holds is refused. Without one the forms answer with the made-up pair."""
    def look_up(by_comm, other):
        path, field = ("/menu/NCsrchNCID.cgi", "oth_id") if by_comm else ("/menu/NCsrchComID.cgi", "oth_ncid")
        status, body = post(peer, path, f"version=0x0220&id=0300100000000101&password=x&{field}={other}")
        assert status == 200
        return dict(line.split(":", 1) for line in body.decode("latin-1").split("\r\n") if ":" in line)

    assert look_up(True, "0300100000000202")["nc_id"] == "NC-0300100000000202"
    peer.call_ids = CallDirectory(first=5101)
    cases = [(True, "0300100000000202", "nc_id", "5101"), (True, "0300100000000101", "nc_id", "5102"),
             (True, "0300100000000202", "nc_id", "5101"), (False, "5102", "oth_id", "0300100000000101"),
             (False, "5101", "oth_id", "0300100000000202")]
    for by_comm, other, field, expected in cases:
        reply = look_up(by_comm, other)
        assert (reply["errno"], reply[field]) == ("0", expected), (other, reply)
    refused = look_up(False, "5999")
    assert refused["errno"] == "1f" and "oth_id" not in refused, refused
