// The call state machine's wiring into the library: the portable CallMachine (voip/core) runs
// under the signalling lock, and what it reports (callbacks, tones, the voice path through
// ICallAudio, win/VoicePath.h) is carried out after the lock is released (win/Signalling.h).
#pragma once

#include "voip/core/SignalClient.h"

#include <cstdint>
#include <string>

namespace qelo {

bool CallIdle();
// call_reset(kind, code, text): ends whatever call there is and reports it.
void CallReset(int kind, int code, const std::string& text);
void HangUp();
// go_off_hook: 0 when the ringing call is answered and its voice path runs, else -1.
int GoOffHook();
void SendDtmf(char digit);
int SetVolume(int percent);
// One pass of the call thread: keep-alives, resends, call timer, ready report, busy tone,
// auto-answer, and the voice server's no-voice report.
void CallTick();

} // namespace qelo
