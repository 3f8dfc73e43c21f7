"""The common ground of all test peers: loopback-only listeners, JSON-lines logs, bounded life."""

import ipaddress
import json
import socket
import socketserver
import threading
import time


def require_loopback(host):
    """Peers serve 127.0.0.0/8 (or ::1) only: nothing they do may leave this machine."""
    address = ipaddress.ip_address(socket.gethostbyname(host) if host != "::1" else host)
    if not address.is_loopback:
        raise ValueError(f"test peers listen on loopback only, not {host}")
    return str(address)


class Peer:
    """Base of every peer. Subclasses add listeners in open_listeners() and call record()."""

    name = "peer"

    def __init__(self, host="127.0.0.1", log_path=None, lifetime=120.0, max_requests=10000, options=None):
        self.host = require_loopback(host)
        self.log_path = log_path
        self.lifetime = float(lifetime)
        self.max_requests = int(max_requests)
        self.options = dict(options or {})
        self.records = []
        self.requests = 0
        self.port = None
        self._lock = threading.Condition()
        self._stopped = threading.Event()
        self._stopping = False
        self._servers = []
        self._threads = []
        self._watchdog = None

    # -- life -------------------------------------------------------------------------------
    def start(self):
        self.open_listeners()
        self._watchdog = threading.Timer(self.lifetime, self._expire)
        self._watchdog.daemon = True
        self._watchdog.start()
        self.record("start", port=self.port, lifetime=self.lifetime)
        return self

    def open_listeners(self):
        raise NotImplementedError

    def _expire(self):
        self.record("expired", after=self.lifetime)
        self.stop()

    def stop(self):
        with self._lock:
            if self._stopping:
                return
            self._stopping = True
        if self._watchdog:
            self._watchdog.cancel()
        for server in self._servers:
            try:
                server.shutdown()
            except Exception:
                pass
            server.server_close()
        for thread in self._threads:
            if thread is not threading.current_thread():
                thread.join(timeout=5)
        # Stopped means the ports are closed and no handler thread runs on.
        self._stopped.set()
        with self._lock:
            self._lock.notify_all()

    @property
    def stopped(self):
        return self._stopped.is_set()

    def wait_stopped(self, timeout=None):
        return self._stopped.wait(timeout)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def serve(self, server):
        """Runs a socketserver in a thread of its own until stop()."""
        self._servers.append(server)
        thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True)
        self._threads.append(thread)
        thread.start()
        return server

    # -- log --------------------------------------------------------------------------------
    def record(self, kind, **fields):
        entry = {"t": round(time.time(), 6), "peer": self.name, "kind": kind}
        entry.update(fields)
        with self._lock:
            self.records.append(entry)
            if self.log_path:
                with open(self.log_path, "a", encoding="utf-8") as log:
                    log.write(json.dumps(entry, ensure_ascii=False) + "\n")
            self._lock.notify_all()
        return entry

    def count_request(self):
        """Counts one request; returns False (and stops the peer) when the budget is spent."""
        with self._lock:
            self.requests += 1
            over = self.requests > self.max_requests
        if over:
            self.record("budget-spent", max_requests=self.max_requests)
            threading.Thread(target=self.stop, daemon=True).start()
        return not over

    def wait_for(self, predicate, timeout=10.0):
        """Waits until predicate(records) is true; returns its last answer."""
        deadline = time.monotonic() + timeout
        with self._lock:
            while True:
                answer = predicate(list(self.records))
                left = deadline - time.monotonic()
                if answer or left <= 0:
                    return answer
                self._lock.wait(left)

    def requests_of(self, kind):
        with self._lock:
            return [r for r in self.records if r["kind"] == kind]


class _ReusableTcpServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


class TcpPeer(Peer):
    """A peer that accepts TCP connections; subclasses implement handle_connection(sock, address)."""

    def open_listeners(self):
        peer = self

        class Handler(socketserver.BaseRequestHandler):
            def handle(self):
                if not peer.count_request():
                    return
                self.request.settimeout(peer.options.get("socket_timeout", 10.0))
                try:
                    peer.handle_connection(self.request, self.client_address)
                except (OSError, socket.timeout) as error:
                    peer.record("connection-error", error=str(error))

        server = self.serve(_ReusableTcpServer((self.host, 0), Handler))
        self.port = server.server_address[1]

    def handle_connection(self, sock, address):
        raise NotImplementedError


class UdpPeer(Peer):
    """A peer that answers datagrams; subclasses implement handle_datagram(data, address, sock)."""

    def open_listeners(self):
        peer = self

        class Handler(socketserver.BaseRequestHandler):
            def handle(self):
                if not peer.count_request():
                    return
                data, sock = self.request
                peer.handle_datagram(data, self.client_address, sock)

        server = self.serve(socketserver.ThreadingUDPServer((self.host, 0), Handler))
        self.port = server.server_address[1]

    def handle_datagram(self, data, address, sock):
        raise NotImplementedError
