"""HTTP peer for the sign-up service: the terms of use, the sign-up form, the recovery form and the
communication-ID form (the same path and reply shape as account_forms.py), with switches that
make one kind of request fail in a chosen way.

Paths:
  GET  /signup_pc/kiyaku.txt                  the terms (code page 932, mixed line ends)
  POST /signup_pc/signup_pc.cgi               sign-up: checks the user agent, content type and
       length, the 18 fields in order and that every value decodes as code page 932; issues an
       account and answers with numbered fields separated by "<br>"
  POST /profile_pc/rst/NCSRst_PCEIA.cgi       recovery: user_id and login_password must be those
       of an account this peer issued (or one given in the option "accounts")
  POST /cmtool/menu/PC_IDGetEIA.cgi           communication ID for a known login
  POST /_control                              sets options for the requests that follow: form
       fields switch, switch_on and odd_password (as the options below; empty turns
       odd_password off), account=LOGIN:PASSWORD (made known to recovery)
  anything else                               404

Options:
  switch      ok (default) | refused | refused_plain | malformed | http500 | reset | slow |
              no_17 | long_secret | br_only | crlf_only | oversize
  switch_on   the request kind the switch applies to: terms, signup (default), recovery, commid
  terms       ok (default) | empty | status404 | oversize | crlf_split
  accounts    {"login": "password"} known to recovery before any sign-up
  odd_password  issued passwords carry "&", "=", "+" and "%"
Every request is logged (http-request); the checks log "violation" with what was wrong.
"""

import http.server
import json
import socket
import time
from urllib.parse import unquote_to_bytes

from .base import Peer

USER_AGENT = "Mozilla/4.0 (ZavudaZozida/1.1; QELO/Windows/Signup)"
FORM_FIELDS = ["ncid", "lastname", "firtname", "kana_lastname", "kana_firstname", "zipcode1", "zipcode2",
               "address", "T1", "T2", "T3", "sex", "year", "month", "day", "1st_acc", "2nd_acc", "3rd_acc"]
TERMS_PATH = "/signup_pc/kiyaku.txt"
SIGNUP_PATH = "/signup_pc/signup_pc.cgi"
RECOVERY_PATH = "/profile_pc/rst/NCSRst_PCEIA.cgi"
COMMID_PATH = "/cmtool/menu/PC_IDGetEIA.cgi"
KINDS = {TERMS_PATH: "terms", SIGNUP_PATH: "signup", RECOVERY_PATH: "recovery", COMMID_PATH: "commid"}

TERMS_TEXT = ("ネットワーク利用規約\r\n第1条 この規約は…\n第2条 表示\r第3条 終わり\r\n" * 40).encode("cp932")


def split_form(body: bytes):
    """The form's (name, raw value bytes) pairs in order; values percent-decoded."""
    pairs = []
    for part in body.split(b"&"):
        name, _, value = part.partition(b"=")
        pairs.append((name.decode("latin-1"), unquote_to_bytes(value.replace(b"+", b" "))))
    return pairs


class SignupServicePeer(Peer):
    name = "signup_service"

    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        accounts = self.options.get("accounts", {})
        self.accounts = dict(json.loads(accounts) if isinstance(accounts, str) else accounts)  # login -> password
        self.comm_ids = {}  # login -> (comm id, comm password, comm name)
        self.issued = 0

    # -- answers ----------------------------------------------------------------------------
    def violation(self, what):
        self.record("violation", what=what)
        return (200, [("00", b"1.0"), ("01", b"NG"), ("98", b""), ("", b""), ("99", b"")], what)

    def check_form_request(self, request, names):
        if request.headers.get("User-Agent") != USER_AGENT:
            return "user agent " + str(request.headers.get("User-Agent"))
        if request.headers.get("Content-Type") != "application/x-www-form-urlencoded":
            return "content type " + str(request.headers.get("Content-Type"))
        if request.headers.get("Content-Length") != str(len(request.body)):
            return "content length %s for %d bytes" % (request.headers.get("Content-Length"), len(request.body))
        pairs = split_form(request.body)
        if [name for name, _ in pairs] != names:
            return "fields " + ",".join(name for name, _ in pairs)
        for name, value in pairs:
            try:
                value.decode("cp932")
            except UnicodeDecodeError:
                return "field %s is not code page 932" % name
        return None

    def issue_account(self, fields):
        self.issued += 1
        login = "nv%06d" % self.issued
        password = "pw%04d&=+%%" % self.issued if self.options.get("odd_password") else "pw%06d" % self.issued
        self.accounts[login] = password
        self.record("issued", login=login, password=password, first_account=fields.get("1st_acc", b"").decode("cp932"))
        return login, password

    def account_fields(self, login, password):
        fields = [("00", b"1.0"), ("01", b"OK"), ("02", b"PC-Client"), ("03", login.encode()), ("04", password.encode()),
                  ("05", b"192.0.2.1"), ("06", b"192.0.2.2"), ("07", b"0120-00-0001"), ("08", b"0120-00-0002"),
                  ("09", b"0120-00-0003"), ("10", login.encode() + b"@mail.example"), ("11", login.encode()),
                  ("12", b"pop.example"), ("13", b"mp" + password.encode()), ("14", b"smtp.example")]
        if login in self.comm_ids:
            cid, cpw, cname = self.comm_ids[login]
            fields += [("17", cid.encode()), ("18", cpw.encode()), ("19", cname.encode("cp932"))]
        return fields

    def control(self, body):
        """Options for the requests that follow (a test changes the switch between cases)."""
        for name, value in split_form(body):
            text = value.decode("utf-8", "replace")
            if name in ("switch", "switch_on", "odd_password"):
                self.options[name] = text
            elif name == "account":
                login, _, password = text.partition(":")
                self.accounts[login] = password
        self.record("control", options={k: self.options.get(k) for k in ("switch", "switch_on")})

    def answer(self, request):
        if request.path == "/_control" and request.method == "POST":
            self.control(request.body)
            return 200, None, b"ok"
        kind = KINDS.get(request.path)
        if kind is None:
            return 404, None, b"not here"
        if kind == "terms":
            mode = self.options.get("terms", "ok")
            if mode == "empty":
                return 200, None, b""
            if mode == "status404":
                return 404, None, b"no terms"
            if mode == "oversize":
                return 200, None, TERMS_TEXT * 400
            return 200, None, TERMS_TEXT
        pairs = dict(split_form(request.body))
        if kind == "signup":
            wrong = self.check_form_request(request, FORM_FIELDS)
            if wrong:
                return self.violation(wrong)
            login, password = self.issue_account(pairs)
            return 200, self.account_fields(login, password), None
        if kind == "recovery":
            wrong = self.check_form_request(request, ["user_id", "login_password"])
            if wrong:
                return self.violation(wrong)
            login = pairs["user_id"].decode("cp932")
            if self.accounts.get(login) != pairs["login_password"].decode("cp932"):
                self.record("recovery-refused", login=login)
                return 200, [("00", b"1.0"), ("01", b"NG"), ("98", b""), ("", "ログインIDまたはパスワードが違います (2)".encode("cp932")),
                             ("99", b"")], None
            return 200, self.account_fields(login, self.accounts[login]), None
        # communication ID
        login = pairs.get("login_id", b"").decode("cp932", "replace")
        if self.accounts.get(login) != pairs.get("login_password", b"").decode("cp932", "replace"):
            return 200, [("00", b"1.0"), ("01", b"NG"), ("98", b""), ("", b"unknown login (3)"), ("99", b"")], None
        if login not in self.comm_ids:
            n = len(self.comm_ids) + 1
            self.comm_ids[login] = ("C%07d" % n, "cpw%04d" % n, pairs.get("n_name", b"").decode("cp932") or "name%d" % n)
        cid, cpw, cname = self.comm_ids[login]
        self.record("commid-issued", login=login, comm_id=cid, comm_password=cpw)
        return 200, [("00", b"1.0"), ("01", b"OK"), ("17", cid.encode()), ("18", cpw.encode()),
                     ("19", cname.encode("cp932"))], None

    def apply_switch(self, kind, status, fields, body):
        """The reply bytes after the switch: (status, body bytes, how to send)."""
        switch = self.options.get("switch", "ok")
        on = self.options.get("switch_on", "signup")
        if fields is not None:
            separator = b"<br>"
            if switch != "ok" and kind == on:
                if switch == "crlf_only":
                    separator = b"\r\n"
                if switch == "refused":
                    fields = [("00", b"1.0"), ("01", b"NG"), ("98", b""), ("", "ご希望のアカウントは使用できません (2)".encode("cp932")), ("99", b"")]
                elif switch == "refused_plain":
                    fields = [("00", b"1.0"), ("01", b"NG"), ("98", b""), ("", "受付できません".encode("cp932")), ("99", b"")]
                elif switch == "malformed":
                    fields = [("01", b"OK"), ("03", b"half")]
                elif switch == "no_17":
                    fields = [f for f in fields if f[0] not in ("17",)]
                elif switch == "long_secret":
                    fields = [(k, b"s" * 40 if k in ("04", "13", "18") else v) for k, v in fields]
                elif switch == "oversize":
                    fields = fields + [("15", b"x" * 3000)]
            if switch == "br_only" and kind == on:
                body = b"<br>".join(b"%s:%s" % (k.encode(), v) if k else v for k, v in fields) + b"<br>"
            else:
                body = separator.join(b"%s:%s" % (k.encode(), v) if k else v for k, v in fields) + separator
        if kind == on and switch == "http500":
            return 500, b"server error", "plain"
        if kind == on and switch == "reset":
            return status, body, "reset"
        if kind == on and switch == "slow":
            return status, body, "slow"
        return status, body, "plain"

    # -- listener ---------------------------------------------------------------------------
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
                body = self.rfile.read(min(length, 1 << 20)) if length > 0 else b""

                class Request:
                    pass

                request = Request()
                request.method, request.path, request.headers, request.body = self.command, self.path, self.headers, body
                peer.record("http-request", method=self.command, path=self.path, request_kind=KINDS.get(self.path, "other"),
                            headers=dict(self.headers), body_latin1=body.decode("latin-1"))
                status, fields, payload = peer.answer(request)
                if isinstance(payload, str):  # a violation: the text goes into the refusal
                    fields = [(k, payload.encode("latin-1", "replace") + b" (1)" if not k else v) for k, v in fields]
                    payload = None
                status, payload, how = peer.apply_switch(KINDS.get(self.path), status, fields, payload)
                head = b"HTTP/1.0 %d X\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n\r\n" % (status, len(payload))
                if how == "reset":
                    self.wfile.write(head + payload[: len(payload) // 2])
                    self.wfile.flush()
                    self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
                    self.connection.close()
                    return
                if how == "slow":
                    self.wfile.write(head)
                    for at in range(0, len(payload), 7):
                        self.wfile.write(payload[at:at + 7])
                        self.wfile.flush()
                        time.sleep(0.02)
                    return
                self.wfile.write(head + payload)

            do_GET = _serve
            do_POST = _serve

        server = self.serve(http.server.ThreadingHTTPServer((self.host, 0), Handler))
        server.daemon_threads = True
        self.port = server.server_address[1]


PEER = SignupServicePeer
