// The signalling socket and the call thread around the portable directory-server client.
// One lock serialises the client between the host's thread and the call thread; reports reach
// the host only after the lock is released.
#pragma once

#include "voip/core/SignalClient.h"
#include "voip/qelo.h"

#include <cstdint>
#include <functional>
#include <string>

namespace qelo {

class CallMachine;

// Runs fn on the client (or the call machine) under the lock, then carries out what it
// reported: callbacks, tones and the voice path, none of them under the lock.
void WithClient(const std::function<void(SignalClient&)>& fn);
void WithCall(const std::function<void(CallMachine&)>& fn);
// Waits for the dialled digits' tones to end (PW_stop, after the call machine stopped them).
void EndDialTones();

int CallStart();
void StopCallThread();
bool CallThreadRunning();
void NetworkLost();
int SignIn(int on);
int MakeCall(const char* number, int kind, const char* extra);

// Test seam: a clock other than GetTickCount (nullptr: the real one).
using TickSource = std::uint32_t (*)();
void SetTickSource(TickSource source);

// Fallback host names of the directory servers (the first is normally given to PW_start).
constexpr const char kDirectoryHost1[] = QELO_DEFAULT_SERVER;
constexpr const char kDirectoryHost2[] = "ds2.nimbocall.pelorwave.jp";
constexpr const char kDirectoryHost3[] = "ds3.nimbocall.pelorwave.jp";
constexpr const char kProxyHost[] = "gw.nimbocall.pelorwave.jp";

} // namespace qelo
