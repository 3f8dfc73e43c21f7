"""Benchmark (run by hand, not a test): a package of 1,024,000 bytes sent through the send window
(from the send command until the window hides) against the bare client's SendFile and
SendWithBody of the same package to the same peer, in the same run.

    NV_BUILD_DIR=build/win64 /usr/bin/python3 messaging/send/bench/send_bench.py [runs]

Wine must be up (tools/wine-up.sh, as ctest's wine_up does) and an X display present.
"""

import os
import statistics
import sys
import tempfile
import time
from pathlib import Path

here = Path(__file__).resolve().parent
os.environ.setdefault("NV_BUILD_DIR", str(here.parents[2] / "build" / "win64"))
sys.path.insert(0, str(here.parent / "tests"))
sys.path.insert(0, str(here.parent.parent / "client" / "tests"))
sys.path.insert(0, str(here.parents[2] / "tests" / "peers"))

import test_send_window_e2e as send_e2e  # noqa: E402
import test_msg_client_e2e as client_e2e  # noqa: E402
from nvpeers.message_server import MessageServerPeer  # noqa: E402

YOU = send_e2e.YOU


def window_run(server, folder, source):
    d = send_e2e.Driver()
    try:
        install = folder / "install"
        install.mkdir(exist_ok=True)
        assert d.run(f"login version=0x0301 udp_local={send_e2e.free_udp_port()} udp_port={server.port} "
                     f"tcp_port={server.tcp_port} data_port={server.data_port}") == 0
        d.run("period 500 6000 3000")
        assert d.run("open 0 0") == 0
        assert d.run("connect") == 0
        assert d.run(f"store {send_e2e.hx(send_e2e.winpath(install))}") == 1
        assert d.run("window") == 0
        assert d.run(f"partner {send_e2e.hx(YOU)} {send_e2e.hx(b'bench')}") == 0
        assert d.run(f"attach {send_e2e.hx(send_e2e.winpath(source))}") == 0
        package = d.state()["package"].decode("cp932")
        start = time.perf_counter()
        assert d.run("send") == 1
        while True:
            s = d.state()
            if not s["visible"] and s["state"] == 0:
                break
        return time.perf_counter() - start, package
    finally:
        d.close()


def bare_run(server, package_unix):
    d = client_e2e.Driver()
    try:
        client_e2e.login(d, server, "udp")
        path = send_e2e.hx(send_e2e.winpath(package_unix))
        start = time.perf_counter()
        assert d.run(f"sendfile {send_e2e.hx(YOU)} {send_e2e.hx(b'bench')} - 1 {path} {0x8000000}") == 0
        assert d.post().wparam == 11
        assert d.run(f"body {send_e2e.hx(YOU)} {send_e2e.hx(b'bench')} - 0 {path}") == 0
        d.expect(lambda l: l.startswith("POST 403 14 "), timeout=120)
        return time.perf_counter() - start
    finally:
        d.close()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp)
        source = folder / "payload.bin"
        source.write_bytes(os.urandom(1024000 - 64))
        with MessageServerPeer(log_path=str(folder / "ms.log"), lifetime=600) as server:
            window_times, bare_times = [], []
            for i in range(runs):
                run_folder = folder / f"run{i}"
                run_folder.mkdir()
                seconds, _ = window_run(server, run_folder, source)
                window_times.append(seconds)
                # The bare client sends the same package: build it the way the window does.
                package = run_folder / "package.vys"
                package.write_bytes([m for m in server.mailbox(YOU) if m.file_length][-1].body)
                assert package.stat().st_size <= 1024000
                bare_times.append(bare_run(server, package))
            w, b = statistics.median(window_times), statistics.median(bare_times)
            print(f"package {package.stat().st_size} bytes, {runs} runs")
            print(f"send window (command to hidden): median {w * 1000:.0f} ms  {[round(t * 1000) for t in window_times]}")
            print(f"bare client (SendFile + SendWithBody): median {b * 1000:.0f} ms  {[round(t * 1000) for t in bare_times]}")
            print(f"ratio {w / b:.2f} (target at most 1.2)")


if __name__ == "__main__":
    main()
