"""TCP peer that accepts and never sends anything; it reads (and logs) until the client closes."""

from .socket_peers import StreamPeer


class TcpSilentPeer(StreamPeer):
    name = "tcp_silent"

    def serve_stream(self, sock, address):
        sock.settimeout(float(self.options.get("idle", 120)))
        while True:
            data = sock.recv(65536)
            if not data:
                return
            self.record("tcp-data", length=len(data))


PEER = TcpSilentPeer
