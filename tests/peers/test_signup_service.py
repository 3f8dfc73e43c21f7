"""The sign-up service peer: its checks of the form requests, the accounts it issues and
recovers, and each switch's reply."""

import http.client
from urllib.parse import quote_from_bytes

import pytest

from nvpeers.signup_service import FORM_FIELDS, USER_AGENT, SignupServicePeer

FORM = "application/x-www-form-urlencoded"


def encode(value: str) -> str:
    return quote_from_bytes(value.encode("cp932"), safe=";/?:@$,*-_.")


def signup_body(**override):
    values = {name: "v" for name in FORM_FIELDS}
    values["lastname"] = "山田"
    values.update(override)
    return "&".join(f"{name}={encode(values[name])}" for name in FORM_FIELDS).encode("ascii")


def request(peer, path, body=None, agent=USER_AGENT, content_type=FORM):
    conn = http.client.HTTPConnection("127.0.0.1", peer.port, timeout=10)
    headers = {"User-Agent": agent}
    if body is not None:
        headers["Content-Type"] = content_type
    conn.request("POST" if body is not None else "GET", path, body=body, headers=headers)
    response = conn.getresponse()
    data = response.read()
    conn.close()
    return response.status, data


def fields_of(reply: bytes):
    out = {}
    for line in reply.replace(b"\r\n", b"<br>").split(b"<br>"):
        key, sep, value = line.partition(b":")
        if sep and len(key) == 2 and key.isdigit():
            out[key.decode()] = value
    return out


def test_a_sign_up_then_recovery_and_communication_id_of_the_issued_account():
    with SignupServicePeer() as peer:
        status, reply = request(peer, "/signup_pc/signup_pc.cgi", signup_body())
        got = fields_of(reply)
        assert status == 200 and got["01"] == b"OK" and got["00"] == b"1.0"
        login, password = got["03"].decode(), got["04"].decode()
        body = f"user_id={encode(login)}&login_password={encode(password)}".encode()
        status, reply = request(peer, "/profile_pc/rst/NCSRst_PCEIA.cgi", body)
        assert fields_of(reply)["01"] == b"OK" and "17" not in fields_of(reply)
        body = (f"s_id={login}&comm_id=&comm_password=&login_id={login}&login_password={encode(password)}"
                "&n_name=nick").encode()
        status, reply = request(peer, "/cmtool/menu/PC_IDGetEIA.cgi", body)
        got = fields_of(reply)
        assert got["01"] == b"OK" and got["17"].startswith(b"C") and got["19"] == b"nick"
        kinds = [r["request_kind"] for r in peer.requests_of("http-request")]
        assert kinds == ["signup", "recovery", "commid"]
        assert not peer.requests_of("violation")


@pytest.mark.parametrize("case", [
    dict(body=signup_body(), agent="Mozilla/4.0", what="user agent"),
    dict(body=signup_body(), content_type="text/plain", what="content type"),
    dict(body=signup_body().replace(b"firtname", b"firstname"), what="fields"),
    dict(body=b"ncid=" + b"&".join(f"{n}=x".encode() for n in FORM_FIELDS[1:]) + b"&extra=1", what="fields"),
    dict(body=signup_body().replace(b"lastname=%8E", b"lastname=%81%20%8E"), what="code page 932"),
])
def test_sign_up_requests_that_break_the_rules_are_refused_and_logged(case):
    with SignupServicePeer() as peer:
        status, reply = request(peer, "/signup_pc/signup_pc.cgi", case["body"], agent=case.get("agent", USER_AGENT),
                                content_type=case.get("content_type", FORM))
        assert fields_of(reply)["01"] == b"NG"
        assert case["what"] in peer.requests_of("violation")[0]["what"]
        assert not peer.requests_of("issued")


def test_recovery_of_an_account_the_peer_does_not_know_is_refused_with_a_code():
    with SignupServicePeer(options={"accounts": '{"known1": "secret"}'}) as peer:
        _, ok = request(peer, "/profile_pc/rst/NCSRst_PCEIA.cgi", b"user_id=known1&login_password=secret")
        _, refused = request(peer, "/profile_pc/rst/NCSRst_PCEIA.cgi", b"user_id=known1&login_password=wrong")
    assert fields_of(ok)["01"] == b"OK" and fields_of(ok)["03"] == b"known1"
    assert fields_of(refused)["01"] == b"NG" and b"(2)" in refused


@pytest.mark.parametrize("switch,check", [
    ("refused", lambda s, r: fields_of(r)["01"] == b"NG" and b"(2)" in r),
    ("refused_plain", lambda s, r: fields_of(r)["01"] == b"NG" and b"(" not in r),
    ("malformed", lambda s, r: "00" not in fields_of(r)),
    ("http500", lambda s, r: s == 500),
    ("slow", lambda s, r: fields_of(r)["01"] == b"OK" and "03" in fields_of(r)),
    ("long_secret", lambda s, r: len(fields_of(r)["04"]) > 31),
    ("br_only", lambda s, r: b"\r" not in r and b"\n" not in r and b"<br>" in r),
    ("crlf_only", lambda s, r: b"<br>" not in r and fields_of(r)["01"] == b"OK"),
    ("oversize", lambda s, r: len(r) > 2048 and fields_of(r)["01"] == b"OK"),
])
def test_each_switch_shapes_the_sign_up_reply(switch, check):
    with SignupServicePeer(options={"switch": switch}) as peer:
        status, reply = request(peer, "/signup_pc/signup_pc.cgi", signup_body())
        assert check(status, reply), reply[:200]


def test_a_reset_mid_body_cuts_the_reply():
    with SignupServicePeer(options={"switch": "reset"}) as peer:
        with pytest.raises((http.client.IncompleteRead, ConnectionError)):
            request(peer, "/signup_pc/signup_pc.cgi", signup_body())


def test_the_communication_id_reply_can_lack_its_id():
    with SignupServicePeer(options={"switch": "no_17", "switch_on": "commid", "accounts": '{"a1": "p"}'}) as peer:
        _, reply = request(peer, "/cmtool/menu/PC_IDGetEIA.cgi",
                           b"s_id=a1&comm_id=&comm_password=&login_id=a1&login_password=p&n_name=x")
    assert fields_of(reply)["01"] == b"OK" and "17" not in fields_of(reply)


@pytest.mark.parametrize("mode,check", [
    ("ok", lambda s, r: s == 200 and b"\r\n" in r and b"\r\x91" in r and b"\n\x91" in r),
    ("empty", lambda s, r: s == 200 and r == b""),
    ("status404", lambda s, r: s == 404),
    ("oversize", lambda s, r: s == 200 and len(r) > 1 << 20),
])
def test_terms_modes(mode, check):
    with SignupServicePeer(options={"terms": mode}) as peer:
        status, reply = request(peer, "/signup_pc/kiyaku.txt")
        assert check(status, reply)
        reply.decode("cp932")


def test_control_switches_a_request_kind_and_back_and_adds_accounts():
    with SignupServicePeer() as peer:
        assert request(peer, "/_control", b"switch=refused&switch_on=recovery&account=k1%3Ap%26w")[0] == 200
        _, refused = request(peer, "/profile_pc/rst/NCSRst_PCEIA.cgi", b"user_id=k1&login_password=p%26w")
        _, signup = request(peer, "/signup_pc/signup_pc.cgi", signup_body())
        assert fields_of(refused)["01"] == b"NG" and fields_of(signup)["01"] == b"OK"
        request(peer, "/_control", b"switch=ok")
        _, recovered = request(peer, "/profile_pc/rst/NCSRst_PCEIA.cgi", b"user_id=k1&login_password=p%26w")
        assert fields_of(recovered)["01"] == b"OK" and fields_of(recovered)["04"] == b"p&w"
