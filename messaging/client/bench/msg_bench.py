#!/usr/bin/python3
"""Message-client throughput and latency over UDP on loopback (run by hand; not a test).

Against one message-server peer, in the same run:
  1. the peer's own ceiling: a plain Python client sends N messages, one at a time, each waiting for
     its answer (messages per second);
  2. the client under Wine (nv_msg_driver.exe): N messages sent and acknowledged the same way;
  3. a bare UDP echo through the same peer from the same Wine process (a blocking call, and through
     the socket library's receive thread and posted message, as the client receives), and from
     Python: the floor of one request and reply, against which the client's added latency is given.

usage: msg_bench.py BUILD_DIR [N]      (BUILD_DIR: a Windows build, e.g. build/win64, with its Wine
                                        fixture up: tools/wine-up.sh, or run inside ctest's wine_up)
"""

import os
import socket
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tests", "peers"))
sys.path.insert(0, os.path.join(HERE, "..", "tests"))

from nvpeers.message_server import MessageServerPeer, PythonClient  # noqa: E402

YOU = b"FEDCBA9876543210"


def python_ceiling(server, count):
    client = PythonClient(server.port)
    try:
        start = time.perf_counter()
        for _ in range(count):
            answer = client.send_text(YOU, b"benchmark text")
            assert answer["first"] == 0
        return time.perf_counter() - start
    finally:
        client.close()


def python_echo(server, count):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(2)
    start = time.perf_counter()
    for _ in range(count):
        s.sendto(b"e" * 36, ("127.0.0.1", server.echo_port))
        s.recv(64)
    spent = time.perf_counter() - start
    s.close()
    return spent


def main():
    build = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    os.environ["NV_BUILD_DIR"] = build
    import test_msg_client_e2e as e2e  # the driver and log-in helpers

    with MessageServerPeer(lifetime=600, max_requests=10 * count + 1000) as server:
        ceiling = python_ceiling(server, count)
        floor_python = python_echo(server, count)
        driver = e2e.Driver()
        try:
            e2e.login(driver, server, "udp")
            driver.send(f"bench {count} {YOU.hex()}")
            _, sent, micros = driver.expect(lambda l: l.startswith("BENCH ") or l.startswith("RESULT bench"),
                                            timeout=600).split(" ")
            driver.send(f"echo {count} {server.echo_port}")
            _, echoed, echo_micros = driver.expect(lambda l: l.startswith("ECHO "), timeout=600).split(" ")
            driver.send(f"echothread {count} {server.echo_port}")
            _, threaded, thread_micros = driver.expect(lambda l: l.startswith("ECHOTHREAD "), timeout=600).split(" ")
        finally:
            driver.close()
    client_s = int(micros) / 1e6
    echo_s = int(echo_micros) / 1e6
    print(f"messages: {count}")
    print(f"peer ceiling (Python client):   {count / ceiling:9.0f} msg/s   {ceiling / count * 1e6:8.1f} us each")
    print(f"client under Wine:              {int(sent) / client_s:9.0f} msg/s   {client_s / int(sent) * 1e6:8.1f} us each")
    print(f"bare UDP echo, Wine process:    {int(echoed) / echo_s:9.0f} /s      {echo_s / int(echoed) * 1e6:8.1f} us each")
    thread_s = int(thread_micros) / 1e6
    print(f"UDP echo via receive thread:    {int(threaded) / thread_s:9.0f} /s      {thread_s / int(threaded) * 1e6:8.1f} us each")
    print(f"bare UDP echo, Python:          {count / floor_python:9.0f} /s      {floor_python / count * 1e6:8.1f} us each")
    print(f"added latency of one request/reply over the echo (Wine): "
          f"{(client_s / int(sent) - echo_s / int(echoed)) * 1e6:8.1f} us")


if __name__ == "__main__":
    main()
