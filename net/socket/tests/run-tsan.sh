#!/bin/sh
# Builds the socket library's native tests with ThreadSanitizer (by hand; the presets use
# AddressSanitizer) and runs them: sh net/socket/tests/run-tsan.sh [build folder]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
out=${1:-$root/build/tsan}
mkdir -p "$out"
clang++ -std=c++17 -g -O1 -fsanitize=thread -I"$root" -I"$here" \
  "$root"/net/socket/SocketApi.cpp "$root"/net/socket/Socket.cpp "$root"/net/socket/CommThread.cpp \
  "$root"/net/socket/SocketTimeout.cpp "$root"/net/socket/CommLog.cpp "$root"/net/socket/RecvThreads.cpp \
  "$root"/net/socket/Endpoints.cpp "$root"/net/socket/posix/PosixSocketApi.cpp "$root"/framework/core/Failure.cpp \
  "$here"/OwnerRecorder.cpp "$here"/LoopbackPeer.cpp "$here"/ScriptedSocketApi.cpp "$here"/HandleRecordingApi.cpp \
  "$here"/HookRecorders.cpp "$here"/ReceiveLoopTest.cpp "$here"/LoopbackTest.cpp "$here"/TimeoutTest.cpp \
  "$here"/CommLogTest.cpp "$here"/SocketOwnerTest.cpp "$here"/ThreadFailureTest.cpp \
  -lgtest -lgtest_main -lpthread -o "$out/net_socket_tsan_tests"
TSAN_OPTIONS="halt_on_error=1" timeout 600 "$out/net_socket_tsan_tests"
