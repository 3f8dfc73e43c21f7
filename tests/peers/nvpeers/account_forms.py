"""HTTP peer for the account-service forms: answers the account and call-ID forms with replies
in the numbered-field and named-field formats, and logs every request (headers and raw body).

Paths:
  /cmtool/menu/PC_IDGetEIA.cgi, /cmtool/menu/PC_IDChgEIA.cgi  numbered fields; a body whose
      comm_id is "refused" gets a failure with a "98:"..."99:" message; one whose comm_id is
      "unchanged" gets the sent ID and password back and no name (nothing changed)
  /menu/NCsignup.cgi, /menu/NCunsignup.cgi                     named fields with errno 0 (an
      nc_id of "refused" to NCunsignup gets errno 0x1f)
  /menu/NCsrchNCID.cgi, /menu/NCsrchComID.cgi                 call-partner look-ups: named fields
      with errno 0 and the other half of the pair ("unknown" gets errno 0x1f); a peer given a
      call directory (attribute call_ids, a CallDirectory) answers from it instead, as the
      service does for its real accounts
  /mail/redirect.pl                                            web-mail: numbered fields, OK
  any path with "/proxy-auth/" (asked as a proxy)             407 with a Basic challenge unless the
      request carries Proxy-Authorization for nvuser:nvpass
  /long.cgi                                                    a reply of more than 2048 bytes
  anything else                                                404
"""

import base64
import threading
from urllib.parse import parse_qsl

from .http import HttpPeer

OK_REPLY = b"00:1.0\r\n01:OK\r\n17:ID\r\n18:PW\r\n19:NAME\r\n"
NG_REPLY = b"00:1.0\r\n01:NG\r\n98:\r\nmessage text (1234)<br>\r\n99:\r\n"
CALL_HEAD = b"version:0x0220\r\ntype:%s\r\nseq:0x00000001\r\nid:%s\r\nsession:0x00000001\r\nerrno:0\r\n"


class CallDirectory:
    """The call service's table of communication IDs and their numeric call IDs: an ID asked for
    by its communication ID gets the next free call ID on first sight (every account has one);
    a call ID nobody holds is unknown."""

    def __init__(self, first=5101):
        self.by_comm = {}
        self._next = first
        self._lock = threading.Lock()

    def call_id(self, comm_id):
        with self._lock:
            if comm_id not in self.by_comm:
                self.by_comm[comm_id] = str(self._next)
                self._next += 1
            return self.by_comm[comm_id]

    def comm_id(self, call_id):
        with self._lock:
            return next((comm for comm, call in self.by_comm.items() if call == call_id), None)


class AccountFormsPeer(HttpPeer):
    name = "account_forms"

    def handle_http(self, request):
        fields = dict(parse_qsl(request.body.decode("latin-1"), keep_blank_values=True, encoding="latin-1"))
        text = {"Content-Type": "text/plain"}
        if request.path in ("/cmtool/menu/PC_IDGetEIA.cgi", "/cmtool/menu/PC_IDChgEIA.cgi"):
            if fields.get("comm_id") == "unchanged":
                return 200, text, (b"00:1.0\r\n01:OK\r\n17:unchanged\r\n18:" +
                                   fields.get("comm_password", "").encode("latin-1") + b"\r\n")
            return 200, text, NG_REPLY if fields.get("comm_id") == "refused" else OK_REPLY
        if request.path == "/menu/NCsignup.cgi":
            comm_id = fields.get("id", "").encode("latin-1")
            return 200, text, CALL_HEAD % (b"0x0202", comm_id) + b"nc_id:81012345\r\n"
        if request.path == "/menu/NCunsignup.cgi":
            comm_id = fields.get("id", "").encode("latin-1")
            if fields.get("nc_id") == "refused":
                return 200, text, (CALL_HEAD % (b"0x0204", comm_id)).replace(b"errno:0", b"errno:1f")
            return 200, text, CALL_HEAD % (b"0x0204", comm_id) + b"oth_id:" + fields.get("nc_id", "").encode("latin-1") + b"\r\n"
        if request.path in ("/menu/NCsrchNCID.cgi", "/menu/NCsrchComID.cgi"):
            comm_id = fields.get("id", "").encode("latin-1")
            by_comm = request.path == "/menu/NCsrchNCID.cgi"
            other = fields.get("oth_id" if by_comm else "oth_ncid", "")
            directory = getattr(self, "call_ids", None)
            if directory is not None and other != "unknown":
                head = CALL_HEAD % (b"0x0206" if by_comm else b"0x0208", comm_id)
                found = directory.call_id(other) if by_comm else directory.comm_id(other)
                if found is None:
                    return 200, text, head.replace(b"errno:0", b"errno:1f")
                return 200, text, head + (b"nc_id:" if by_comm else b"oth_id:") + found.encode("latin-1") + b"\r\n"
            if other == "unknown":
                return 200, text, (CALL_HEAD % (b"0x0206", comm_id)).replace(b"errno:0", b"errno:1f")
            answer = b"nc_id:NC-" if by_comm else b"oth_id:ID-"
            return 200, text, CALL_HEAD % (b"0x0206" if by_comm else b"0x0208", comm_id) + answer + other.encode("latin-1") + b"\r\n"
        if request.path == "/mail/redirect.pl":
            return 200, text, b"00:1.0\r\n01:OK\r\n"
        if "/proxy-auth/" in request.path:
            expected = "Basic " + base64.b64encode(b"nvuser:nvpass").decode("ascii")
            if request.headers.get("Proxy-Authorization") != expected:
                return 407, {"Proxy-Authenticate": 'Basic realm="nv"', "Content-Type": "text/plain"}, b"who are you"
            return 200, text, b"00:1.0\r\n01:OK\r\n"
        if request.path == "/long.cgi":
            return 200, text, b"00:1.0\r\n01:OK\r\n15:" + b"x" * 5000 + b"\r\n17:LONGID\r\n"
        return 404, text, b"not here"


PEER = AccountFormsPeer
