// Where the call state machine joins the library. This build keeps a call idle: the operations
// below answer as an idle phone does. The voice path and the tones are reached through
// ICallAudio (win/VoicePath.h); every call_reset stops both.
#pragma once

#include "voip/core/SignalClient.h"

#include <cstdint>
#include <string>

namespace qelo {

// Call settings of the ini file that outlive a call. What the host sets for the voice path
// (PW_wave_path, PW_wave_arrival, PW_set_wdevice, PW_set_bitrate, PW_mute) goes straight to the
// voice objects (win/VoicePath.h).
struct VoiceSettings {
    int autoAnswerSeconds = 0;
};
VoiceSettings& Voice();

bool CallIdle();
// call_reset(kind, code, text): ends whatever call there is and reports it.
void CallReset(int kind, int code, const std::string& text);
void HangUp();
int GoOffHook();
void SendDtmf(char digit);
int SetVolume(int percent);
// A call straight to a dotted address, or an INVITE to the proxy without sign-in.
int CallDirect(std::uint32_t address);
int InviteViaProxy(const std::string& digits);
// One pass of the call thread (call timer, ready report, busy tone, auto-answer).
void CallTick();

// Receives call datagrams and the directory server's answer to a call request.
ICallSeam& CallSeam();

} // namespace qelo
