#include "voip/win/CallMachine.h"

#include "voip/win/LibraryLog.h"
#include "voip/win/Notifier.h"
#include "voip/win/VoicePath.h"

#include "voip/voice/win/WaveDevice.h"

namespace qelo {

namespace {

class IdleCallSeam : public ICallSeam {
public:
    void OnCallDatagram(const Header& header, const std::uint8_t*, std::size_t, const Endpoint&) override
    {
        LibLog(kLogCalls, "no call engine: %s dropped", MessageTypeName(header.type));
    }
    void OnCallRequestAnswered(std::int32_t kind, const Endpoint&, const Endpoint&) override
    {
        LibLog(kLogCalls, "no call engine: call request answered with kind %d", kind);
    }
};

} // namespace

VoiceSettings& Voice()
{
    static VoiceSettings settings;
    return settings;
}

bool CallIdle() { return true; }

void CallReset(int kind, int code, const std::string& text)
{
    NotifyOffhook(0);
    ReportStatusText(kind, code, text);
    CallAudio().PlayTone(nullptr);
    CallAudio().StopVoice();
    LibLog(kLogProtocol, "call_reset(%d,%s)", kind, text.c_str());
    ReportState(0, nullptr);
}

void HangUp() {}

int GoOffHook() { return -1; }

void SendDtmf(char) {}

int SetVolume(int percent) { return Wave().SetVolume(percent); }

int CallDirect(std::uint32_t)
{
    LibLog(kLogErrors, "no call engine: direct calls are not available");
    return -1;
}

int InviteViaProxy(const std::string&)
{
    LibLog(kLogErrors, "no call engine: proxy calls are not available");
    return -1;
}

void CallTick()
{
    // The voice server thread found the far side silent for three minutes.
    if (TakeNoVoiceReport())
        ReportLocalError(-6);
}

ICallSeam& CallSeam()
{
    static IdleCallSeam seam;
    return seam;
}

} // namespace qelo
