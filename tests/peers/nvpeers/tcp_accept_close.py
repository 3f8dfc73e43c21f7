"""TCP peer that accepts a connection and closes it at once (an orderly close)."""

from .socket_peers import StreamPeer


class TcpAcceptClosePeer(StreamPeer):
    name = "tcp_accept_close"

    def serve_stream(self, sock, address):
        sock.close()


PEER = TcpAcceptClosePeer
