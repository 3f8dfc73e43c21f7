"""Shared pieces of the plain TCP and UDP peers that the socket library is tested against."""

import socket
import struct

from .base import TcpPeer


def pattern(length, offset=0):
    """Bytes (offset + i) mod 251: a prime period, so a lost, doubled or reordered chunk shows."""
    return bytes((offset + i) % 251 for i in range(length))


class StreamPeer(TcpPeer):
    """A TCP peer that logs each connection and its end."""

    def handle_connection(self, sock, address):
        self.record("tcp-accept", client_port=address[1])
        try:
            self.serve_stream(sock, address)
        finally:
            self.record("tcp-done", client_port=address[1])

    def serve_stream(self, sock, address):
        raise NotImplementedError

    @staticmethod
    def reset(sock):
        """Closes with linger 0, which sends a reset instead of a normal close."""
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sock.close()
