"""The service's event-data file for the character balloons, and a form target that records posts.

GET /event/eventdata.txt answers an event text (code page 932, LF lines) whose log-in greeting
carries a POST link back to this peer; every other request gets "ok". The base class logs every
request, so a test can see which form reached the peer.
"""

from .http import HttpPeer


class EventDataPeer(HttpPeer):
    name = "event_data"

    def event_text(self):
        lines = [
            "# event data served to the balloon tests",
            "BALLOON_COLOR:0:255,255,255::",
            "ERROR_COLOR:1:10,20,30::",
            # Every time key ("%d.%d.%d") lies between "0" and "99" in byte order.
            'LOGIN_TIME:0-99:\u3088\u3046\u3053\u305d\uff01:"POST,http://127.0.0.1:%d/form/,post.cgi,id=$UID&pw=$UPW"'
            % self.port,
            "VYRN_SEND:1:\u306f\u3058\u3081\u3066\u306e\u9001\u4fe1",
            "VYRN_SEND_R:2:two this run",
        ]
        return ("\n".join(lines) + "\n").encode("cp932")

    def handle_http(self, request):
        if request.method == "GET" and request.path == "/event/eventdata.txt":
            return 200, {"Content-Type": "text/plain"}, self.event_text()
        return 200, {"Content-Type": "text/plain"}, b"ok"


PEER = EventDataPeer
