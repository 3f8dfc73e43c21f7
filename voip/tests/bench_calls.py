"""Call benchmarks under Wine (by hand; see voip/README.md):
  1. PW_off_hook to the first voice packet on both sides, median of 20 calls (tshark times the
     packets on the loopback interface);
  2. the signalling of a call, PW_call_nimbo to state 3 and PW_off_hook to state 5 on both sides,
     against a bare exchange of the same datagrams between two Wine processes (udp_pingpong);
  3. 1,000 telephone calls in a row against the gateway peer: time per call, and the harness's
     handles, threads and private bytes after the 10th and the last call.
Usage: bench_calls.py <build folder> [calls]"""
import os
import re
import statistics
import subprocess
import sys
import time
from pathlib import Path

build = Path(sys.argv[1]).resolve()
CALLS = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
os.environ["NV_WINE"] = str(build / "nv-wine")
os.environ["QELO_CONSOLE"] = str(build / "bin" / "qelo_console.exe")
os.environ.setdefault("QELO_CALL_WORK", str(build / "qelo-bench"))
sys.path.insert(0, str(Path(__file__).resolve().parent))
import test_calls_e2e as e2e  # noqa: E402


def line_index(inst, mark, predicate):
    for i, line in enumerate(inst.since(mark)):
        if predicate(line):
            return mark + i
    raise AssertionError("no such line")


def stamp_of(inst, mark, prefix):
    i = line_index(inst, mark, lambda l: l.split(" ", 1)[1].startswith(prefix))
    return inst.stamp(inst.lines[i]), inst.arrivals[i]


def linux_process(inst):
    """The Wine process of the harness (its Linux side: Wine's handles are its server's, so the
    open descriptors, threads and private memory of the process are what can leak)."""
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if "qelo_console.exe" in (entry / "cmdline").read_text() and \
                    os.path.realpath(entry / "cwd") == str(inst.folder.resolve()):
                return entry
        except OSError:
            continue
    raise AssertionError("harness process not found")


def stats(inst):
    proc = linux_process(inst)
    status = dict(l.split(":", 1) for l in (proc / "status").read_text().splitlines() if ":" in l)
    private = 0
    for line in (proc / "smaps_rollup").read_text().splitlines():
        if line.startswith(("Private_Clean:", "Private_Dirty:")):
            private += int(line.split()[1])
    mark = inst.mark()
    inst.run("stats")
    windows = inst.wait(lambda l: " stats " in l, 10, mark).split(" ", 2)[2]
    return {"fds": len(list((proc / "fd").iterdir())), "threads": int(status["Threads"].strip()),
            "private_kb": private, "windows_view": windows}


rig = e2e.Rig()
a, b = rig.a, rig.b
try:
    # -- 1 and 2: twenty PC calls A -> B ------------------------------------------------------
    ports = (rig.ports["voice_a"], rig.ports["voice_b"])
    capture = e2e.WORK / "bench.pcapng"
    log = open(e2e.WORK / "bench-tshark.log", "w")
    tshark = subprocess.Popen(["tshark", "-i", "lo", "-f", f"udp port {ports[0]} or udp port {ports[1]}",
                               "-w", str(capture)], stdout=log, stderr=subprocess.STDOUT)
    e2e.wait_for(lambda: "Capturing on" in (e2e.WORK / "bench-tshark.log").read_text(), 30, "tshark")
    to_ring, to_talk, offhook_epochs = [], [], []
    # Signalling without the digit, ring-back and ring tones: a sound folder with no files.
    quiet = e2e.WORK / "no-sounds"
    quiet.mkdir(exist_ok=True)
    if os.environ.get("BENCH_TONES", "0") != "1":
        for inst in (a, b):
            inst.run("wavepath " + e2e.win(quiet))
    for n in range(20):
        ma, mb = a.mark(), b.mark()
        a.run("call 5002")
        a.state(3, ma, 15)
        b.state(9, mb, 15)
        started, _ = stamp_of(a, ma, "> call")
        rang = a.stamp(a.state(3, ma))
        to_ring.append(rang - started)
        m2a, m2b = a.mark(), b.mark()
        b.run("offhook")
        answered, epoch = stamp_of(b, m2b, "> offhook")
        offhook_epochs.append(epoch)
        both = max(a.stamp(a.state(5, m2a, 10)), b.stamp(b.state(5, m2b, 10)))
        to_talk.append(both - answered)
        time.sleep(0.6)
        m3a, m3b = a.mark(), b.mark()
        a.run("onhook")
        a.state(0, m3a, 10)
        b.state(0, m3b, 10)
    time.sleep(1)
    tshark.terminate()
    tshark.wait(timeout=20)
    log.close()
    fields = subprocess.run(["tshark", "-r", str(capture), "-T", "fields", "-e", "udp.dstport", "-e",
                             "frame.time_epoch", "-E", "separator=,"], capture_output=True, text=True, check=True).stdout
    packets = [(int(d), float(t)) for d, t in (l.split(",") for l in fields.splitlines())]
    first_voice = []
    for epoch in offhook_epochs:
        firsts = [min((t for d, t in packets if d == port and t >= epoch), default=None) for port in ports]
        first_voice.append(max(firsts) - epoch)

    # The bare exchange: TCALLREQUEST and its answer, the INVITE and its 1XX and 2XX; the
    # INFO_OFFHOOK and its answer, between two Wine processes of the two prefixes.
    pingpong = str(build / "bin" / "udp_pingpong.exe")
    port = e2e.free_port()
    server = subprocess.Popen([str(build / "nv-wine"), pingpong, "server", str(port)], env=b.env,
                              stdout=subprocess.PIPE, text=True)
    assert server.stdout.readline().strip() == "ready"

    def bare(*exchanges):
        out = subprocess.run([str(build / "nv-wine"), pingpong, "client", str(port), "20", *exchanges],
                             env=a.env, capture_output=True, text=True, timeout=120).stdout
        return int(re.search(r"median_us=(\d+)", out).group(1)) / 1000.0

    bare_ring = bare("76:84", "196:32,72")
    bare_talk = bare("32:32")
    subprocess.run([str(build / "nv-wine"), pingpong, "client", str(port), "0"], env=a.env, timeout=60)
    server.wait(timeout=30)

    print(f"PW_off_hook to first voice packet, both sides: median {statistics.median(first_voice) * 1000:.0f} ms "
          f"(max {max(first_voice) * 1000:.0f} ms, 20 calls)")
    print(f"PW_call_nimbo to state 3: median {statistics.median(to_ring):.0f} ms; bare exchange {bare_ring:.2f} ms")
    print(f"PW_off_hook to state 5 both sides: median {statistics.median(to_talk):.0f} ms; "
          f"bare exchange {bare_talk:.2f} ms")

    # -- 3: telephone calls in a row ---------------------------------------------------------
    rig.gateway.options.update({"credit": "1000,0", "answer_ms": "-1"})
    first = None
    began = time.monotonic()
    for n in range(CALLS):
        ma = a.mark()
        a.run("phone 0312 gw5001 pw-5001")
        a.state(5, ma, 15)
        m2 = a.mark()
        a.run("onhook")
        a.state(0, m2, 10)
        if n == 9:
            first = stats(a)
            began10 = time.monotonic()
        elif (n + 1) % 100 == 0:
            print(f"after {n + 1} calls: {stats(a)}", flush=True)
    last = stats(a)
    per_call = (time.monotonic() - began10) / max(1, CALLS - 10) * 1000
    print(f"{CALLS} telephone calls: {per_call:.0f} ms per call; after 10 calls {first}; after {CALLS} {last}")
finally:
    rig.close()
