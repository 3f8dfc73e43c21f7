"""Local stand-ins for the service's servers, for tests.

Every peer listens on loopback only, on a free port it picks itself, logs every request as a
JSON line, and stops by itself after a bounded time or number of requests.
"""
