"""TCP peer that waits for the client's first bytes and then resets the connection."""

from .socket_peers import StreamPeer


class TcpResetPeer(StreamPeer):
    name = "tcp_reset"

    def serve_stream(self, sock, address):
        data = sock.recv(4096)
        self.record("tcp-data", length=len(data))
        self.reset(sock)


PEER = TcpResetPeer
