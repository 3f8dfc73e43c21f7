"""TCP peer that, once the client sends a line "N\\n", sends N bytes of pattern() and closes."""

from .socket_peers import StreamPeer, pattern


class TcpFloodPeer(StreamPeer):
    name = "tcp_flood"

    def serve_stream(self, sock, address):
        request = b""
        while not request.endswith(b"\n"):
            chunk = sock.recv(64)
            if not chunk:
                return
            request += chunk
        total = int(request.strip() or b"0")
        block = pattern(251 * 256)  # whole periods, so every block continues the pattern
        sent = 0
        while sent < total:
            piece = block[: min(len(block), total - sent)]
            sock.sendall(piece)
            sent += len(piece)
        self.record("tcp-flood", sent=sent)
        sock.close()


PEER = TcpFloodPeer
