"""The socket library's peers, checked with plain Python sockets."""

import socket

from nvpeers.socket_peers import pattern
from nvpeers.tcp_accept_close import TcpAcceptClosePeer
from nvpeers.tcp_echo import TcpEchoPeer
from nvpeers.tcp_flood import TcpFloodPeer
from nvpeers.tcp_reset import TcpResetPeer
from nvpeers.udp_echo import UdpEchoPeer


def connect(peer):
    return socket.create_connection(("127.0.0.1", peer.port), timeout=5)


def test_echo_sends_back_what_it_gets():
    with TcpEchoPeer() as peer, connect(peer) as s:
        s.sendall(b"hello")
        assert s.recv(100) == b"hello"


def test_accept_close_ends_in_an_orderly_close():
    with TcpAcceptClosePeer() as peer, connect(peer) as s:
        assert s.recv(100) == b""


def test_reset_resets_after_the_first_bytes():
    with TcpResetPeer() as peer, connect(peer) as s:
        s.sendall(b"x")
        try:
            data = s.recv(100)
        except ConnectionResetError:
            data = None
        assert data is None


def test_flood_sends_the_pattern_in_order_and_closes():
    with TcpFloodPeer() as peer, connect(peer) as s:
        s.sendall(b"100000\n")
        got = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            got += chunk
        assert got == pattern(100000)


def test_udp_echo_answers_from_two_senders():
    with UdpEchoPeer() as peer, socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.settimeout(5)
        s.sendto(b"twice:abc", ("127.0.0.1", peer.port))
        first, a = s.recvfrom(100)
        second, b = s.recvfrom(100)
        assert {first, second} == {b"twice:abc", b"second:abc"}
        assert a[1] != b[1]
