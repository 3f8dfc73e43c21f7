#include "voip/win/CallMachine.h"

#include "voip/core/CallMachine.h"
#include "voip/win/Signalling.h"
#include "voip/win/VoicePath.h"

#include "voip/voice/win/WaveDevice.h"

namespace qelo {

bool CallIdle()
{
    bool idle = true;
    WithCall([&](CallMachine& machine) { idle = machine.Idle(); });
    return idle;
}

void CallReset(int kind, int code, const std::string& text)
{
    WithCall([&](CallMachine& machine) { machine.Reset(kind, code, text); });
}

void HangUp()
{
    WithCall([](CallMachine& machine) { machine.HangUp(); });
}

int GoOffHook()
{
    unsigned token = 0;
    int result = -1;
    WithCall([&](CallMachine& machine) { result = machine.GoOffHook(&token); });
    if (result != 0)
        return -1;
    // The voice start has been carried out by now (on this thread, after the lock).
    int outcome = 0;
    WithCall([&](CallMachine& machine) { outcome = machine.VoiceOutcome(token); });
    return outcome == 1 ? 0 : -1;
}

void SendDtmf(char digit)
{
    WithCall([&](CallMachine& machine) { machine.SendDtmf(digit); });
}

int SetVolume(int percent) { return Wave().SetVolume(percent); }

void CallTick()
{
    // The voice server thread found the far side silent for three minutes.
    bool noVoice = TakeNoVoiceReport();
    WithCall([&](CallMachine& machine) {
        machine.Tick();
        if (noVoice)
            machine.LocalError(-6);
    });
}

} // namespace qelo
