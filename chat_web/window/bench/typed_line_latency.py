"""Run by hand: how long a typed line takes to reach another member of the room, through the chat
window (nv_chat_window_driver) and through the engine alone (nv_chat_driver), on loopback under Wine
against ngircd. Prints the median of 20 lines each.

    NV_BUILD_DIR=build/win64 NV_CHAT_SKIN=build/win64/shell/common/skin/baseskin \
        xvfb-run -a python3 chat_web/window/bench/typed_line_latency.py
(with the Wine prefix's desktop keeper running, as the tests start it, or it pays Wine's start-up)
"""

import os
import statistics
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "tests"))
sys.path.insert(0, os.path.join(here, "..", "..", "engine", "tests"))
sys.path.insert(0, os.path.join(here, "..", "..", "..", "tests", "peers"))

import test_chat_engine_e2e as engine_e2e  # noqa: E402
import test_chat_window_e2e as window_e2e  # noqa: E402
from nvpeers.ircd import IrcClient, Ngircd  # noqa: E402

LINES = 20


def measure(say, member, tag):
    times = []
    for i in range(LINES):
        text = f"{tag}{i}"
        start = time.monotonic()
        say(text)
        member.wait_for(lambda l, t=text: l.endswith(":" + t))
        times.append(time.monotonic() - start)
    return statistics.median(times) * 1000


def main():
    with Ngircd(tempfile.mkdtemp()) as ircd:
        hanako = IrcClient("127.0.0.1", ircd.port, "hanako")
        hanako.send("JOIN #room")
        hanako.wait_for(lambda l: " 366 " in l)

        window = window_e2e.Window()
        window_e2e.enter(window, "127.0.0.1", ircd.port)
        window.wait_state(5)
        hanako.wait_for(lambda l: l.startswith(":taro!") and " JOIN " in l)
        through_window = measure(lambda t: window.send("say " + t.encode().hex()), hanako, "w")
        window.close()

        driver = engine_e2e.Driver()
        driver.send(f"connect 127.0.0.1 {ircd.port} #room jiro")
        driver.event(0, 1)
        alone = measure(lambda t: driver.send("say " + t.encode().hex()), hanako, "e")
        driver.close()
        hanako.close()
    print(f"typed line to another member, median of {LINES}: window {through_window:.1f} ms, engine alone {alone:.1f} ms")


if __name__ == "__main__":
    engine_e2e.BUILD = window_e2e.BUILD
    main()
