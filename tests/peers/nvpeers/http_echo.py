"""An HTTP peer that answers every request with a JSON description of it (used to prove the path)."""

import json

from .http import HttpPeer


class HttpEchoPeer(HttpPeer):
    name = "http_echo"

    def handle_http(self, request):
        body = json.dumps(request.as_record(), ensure_ascii=True).encode("ascii")
        return 200, {"Content-Type": "application/json"}, body


PEER = HttpEchoPeer
