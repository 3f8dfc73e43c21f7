"""HTTP peers: the request is read whole (headers and Content-Length body) and answered by handle_http."""

import http.server

from .base import Peer


class HttpRequest:
    def __init__(self, method, path, headers, body):
        self.method = method
        self.path = path
        self.headers = headers
        self.body = body

    def as_record(self):
        return {
            "method": self.method,
            "path": self.path,
            "headers": dict(self.headers),
            "body_hex": self.body.hex(),
            "body_latin1": self.body.decode("latin-1"),
        }


class HttpPeer(Peer):
    """Subclasses implement handle_http(request) -> (status, headers dict, body bytes)."""

    def open_listeners(self):
        peer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.0"

            def log_message(self, *args):
                pass

            def _serve(self):
                if not peer.count_request():
                    self.send_error(503)
                    return
                length = int(self.headers.get("Content-Length") or 0)
                limit = int(peer.options.get("max_body", 1 << 20))
                body = self.rfile.read(min(length, limit)) if length > 0 else b""
                request = HttpRequest(self.command, self.path, self.headers, body)
                peer.record("http-request", **request.as_record())
                status, headers, payload = peer.handle_http(request)
                self.send_response(status)
                for key, value in headers.items():
                    self.send_header(key, value)
                self.send_header("Content-Length", str(len(payload)))
                self.end_headers()
                self.wfile.write(payload)

            do_GET = _serve
            do_POST = _serve

        server = self.serve(http.server.ThreadingHTTPServer((self.host, 0), Handler))
        server.daemon_threads = True
        self.port = server.server_address[1]

    def handle_http(self, request):
        raise NotImplementedError
