"""Runs one peer in the foreground: python3 -m nvpeers NAME --port-file F [--log F] [--lifetime S].

The port is written to the port file once the peer listens (written to a temporary name and renamed,
so a reader never sees half a number). The peer ends after its lifetime, its request budget, or SIGTERM.
"""

import argparse
import importlib
import os
import signal
import sys


def main(argv=None):
    parser = argparse.ArgumentParser(prog="nvpeers")
    parser.add_argument("name", help="peer module in nvpeers, for example http_echo")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log")
    parser.add_argument("--lifetime", type=float, default=300.0)
    parser.add_argument("--max-requests", type=int, default=10000)
    parser.add_argument("--option", action="append", default=[], help="key=value passed to the peer")
    args = parser.parse_args(argv)

    module = importlib.import_module(f"nvpeers.{args.name}")
    options = dict(item.split("=", 1) for item in args.option)
    peer = module.PEER(log_path=args.log, lifetime=args.lifetime, max_requests=args.max_requests, options=options)
    signal.signal(signal.SIGTERM, lambda *_: peer.stop())
    peer.start()
    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as f:
        f.write(f"{peer.port}\n")
    os.replace(temporary, args.port_file)
    while not peer.wait_stopped(0.5):
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
