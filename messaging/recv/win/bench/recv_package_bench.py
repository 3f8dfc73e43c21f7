"""Benchmark (run by hand, not a test): a 1,024,000-byte attachment package received by the
received-message window, from the click on its row to the stored row, the attachment copy and the
server's delete, against the bare client's download of the same body from the same peer in the
same run. Usage: NV_BUILD_DIR=build/win64 python3 recv_package_bench.py [runs]
(the Wine prefix must be up, as the e2e tests have it)."""

import os
import statistics
import sys
import tempfile
from pathlib import Path

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests"))

import test_recv_e2e as e2e  # noqa: E402
from nvpeers import pm_codec as pm  # noqa: E402
from nvpeers.message_server import MessageServerPeer  # noqa: E402


def package_of_max_size():
    name = "写真.bin".encode("cp932")
    overhead = len(pm.build_package([(name, b"")]))
    data = bytes((i * 7) & 0xFF for i in range(pm.PACKAGE_MAX - overhead))
    package = pm.build_package([(name, data)])
    assert len(package) == pm.PACKAGE_MAX == 1024000
    return package


def one_run(folder, package):
    with MessageServerPeer(log_path=str(folder / "ms.log"), lifetime=300) as server:
        driver = e2e.Driver(folder / "install")
        try:
            e2e.login(driver, server)
            # The bare client: the body of one message downloaded to a file.
            bare = server.deliver(e2e.ME, e2e.YOU, e2e.HANAKO, b"bare", attach=8, body=package)
            target = folder / "bare.bin"
            assert driver.run(f"recvbody {bare} {e2e.hx(e2e.windows_path(target).encode())} {len(package)}") == 0
            line = driver.expect(lambda l: l.startswith("BODY "), timeout=120)
            _, code, bare_us = line.split(" ")
            assert code == "15" and target.read_bytes() == package
            # The window: the same body, stored with its copy, then deleted on the server.
            server.deliver(e2e.ME, e2e.YOU, e2e.HANAKO, b"window", attach=8, body=package)
            assert driver.run("window") == 0
            driver.event(10)
            driver.event(12)
            rows = driver.rows()
            row = len(rows) - 1
            assert driver.run(f"click {row}") == 0
            driver.event(15, timeout=120)
            window_us = driver.event(13, timeout=120)
            return int(bare_us), window_us
        finally:
            driver.close()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    package = package_of_max_size()
    bare, window = [], []
    for i in range(runs):
        with tempfile.TemporaryDirectory() as folder:
            b, w = one_run(Path(folder), package)
            bare.append(b)
            window.append(w)
            print(f"run {i + 1}: bare download {b / 1000:.1f} ms, window to stored and deleted {w / 1000:.1f} ms")
    mb, mw = statistics.median(bare), statistics.median(window)
    print(f"median: bare {mb / 1000:.1f} ms, window {mw / 1000:.1f} ms, ratio {mw / mb:.2f} (target 1.3)")


if __name__ == "__main__":
    main()
