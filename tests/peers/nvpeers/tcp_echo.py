"""TCP peer that sends back every byte it receives, until the client closes."""

from .socket_peers import StreamPeer


class TcpEchoPeer(StreamPeer):
    name = "tcp_echo"

    def serve_stream(self, sock, address):
        sock.settimeout(float(self.options.get("idle", 60)))
        while True:
            data = sock.recv(65536)
            if not data:
                return
            self.record("tcp-data", length=len(data))
            sock.sendall(data)


PEER = TcpEchoPeer
