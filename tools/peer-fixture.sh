#!/bin/sh
# CTest fixture for a test peer that C++ tests use:
#   peer-fixture.sh start NAME DIR [peer options...]   starts it, waits for DIR/NAME.port
#   peer-fixture.sh stop NAME DIR                      ends it
# The peer ends by itself after its lifetime too, so nothing outlives a broken run for long.
set -u
action=$1 name=$2 dir=$3
shift 3
peers=$(cd "$(dirname "$0")/../tests/peers" && pwd)
mkdir -p "$dir"
case "$action" in
start)
  rm -f "$dir/$name.port" "$dir/$name.log"
  cd "$peers"
  nohup /usr/bin/python3 -m nvpeers "$name" --port-file "$dir/$name.port" --log "$dir/$name.log" \
    --lifetime "${NV_PEER_LIFETIME:-900}" "$@" </dev/null >"$dir/$name.out" 2>&1 &
  echo $! > "$dir/$name.pid"
  i=0
  while [ ! -s "$dir/$name.port" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done
  [ -s "$dir/$name.port" ] || { echo "peer $name did not start" >&2; cat "$dir/$name.out" >&2; exit 1; }
  ;;
stop)
  [ -f "$dir/$name.pid" ] && kill "$(cat "$dir/$name.pid")" 2>/dev/null
  rm -f "$dir/$name.pid"
  ;;
esac
exit 0
