"""A Windows program under Wine reaches a peer that pytest started, over loopback."""

import json


def test_windows_program_posts_to_the_echo_peer(http_echo, run_windows):
    body = "id=ソ&pw=a+b".encode("cp932")
    result = run_windows("nv_http_probe.exe", str(http_echo.port), "/menu/CTLogin.cgi", body.hex())
    assert result.returncode == 0, result.stderr
    echoed = json.loads(result.stdout)
    assert echoed["path"] == "/menu/CTLogin.cgi"
    assert bytes.fromhex(echoed["body_hex"]) == body
    requests = http_echo.requests_of("http-request")
    assert len(requests) == 1 and requests[0]["method"] == "POST"
    assert requests[0]["headers"]["Content-Length"] == str(len(body))


def test_a_refused_connection_is_reported_not_hung(run_windows, free_port):
    result = run_windows("nv_http_probe.exe", str(free_port), "/", "")
    assert result.returncode == 2
