"""The peer scaffolding itself: loopback only, free ports, JSON logs, bounded life."""

import json
import socket
import subprocess
import sys
import os
import time
import urllib.request

import pytest

from nvpeers.base import TcpPeer, require_loopback
from nvpeers.http_echo import HttpEchoPeer

HERE = os.path.dirname(__file__)


class EchoTcp(TcpPeer):
    name = "tcp_echo"

    def handle_connection(self, sock, address):
        data = sock.recv(100)
        self.record("tcp-data", data_hex=data.hex())
        sock.sendall(data)


@pytest.mark.parametrize("host", ["10.0.0.1", "192.168.1.1", "8.8.8.8", "0.0.0.0"])
def test_non_loopback_hosts_are_refused(host):
    with pytest.raises(ValueError):
        require_loopback(host)


def test_two_peers_get_different_free_ports_and_log_json_lines(tmp_path):
    log = tmp_path / "peer.log"
    with HttpEchoPeer(log_path=str(log)) as a, HttpEchoPeer() as b:
        assert a.port and b.port and a.port != b.port
        reply = urllib.request.urlopen(
            urllib.request.Request(f"http://127.0.0.1:{a.port}/menu/x.cgi", data=b"id=\x83\x5c&p=1"), timeout=5
        ).read()
    echoed = json.loads(reply)
    assert echoed["path"] == "/menu/x.cgi" and echoed["body_hex"] == "69643d835c26703d31"
    lines = [json.loads(line) for line in log.read_text(encoding="utf-8").splitlines()]
    assert [line["kind"] for line in lines] == ["start", "http-request"]
    assert lines[1]["method"] == "POST"


def test_a_peer_stops_by_itself_after_its_lifetime():
    peer = HttpEchoPeer(lifetime=0.3).start()
    assert peer.wait_stopped(5)
    assert peer.requests_of("expired")
    with pytest.raises(OSError):
        socket.create_connection(("127.0.0.1", peer.port), timeout=1).close()


def test_a_peer_stops_when_its_request_budget_is_spent():
    with EchoTcp(max_requests=1) as peer:
        for payload in (b"one", b"two"):
            with socket.create_connection(("127.0.0.1", peer.port), timeout=5) as s:
                s.sendall(payload)
                s.recv(100)
        assert peer.wait_stopped(5)
        assert [r["data_hex"] for r in peer.requests_of("tcp-data")] == [b"one".hex()]


def test_the_command_line_runner_writes_its_port_and_ends_on_time(tmp_path):
    port_file = tmp_path / "port"
    started = time.monotonic()
    process = subprocess.Popen(
        [sys.executable, "-m", "nvpeers", "http_echo", "--port-file", str(port_file), "--lifetime", "1"],
        cwd=HERE,
    )
    try:
        assert process.wait(timeout=20) == 0
    finally:
        process.kill()
    assert int(port_file.read_text()) > 0
    assert time.monotonic() - started < 20
