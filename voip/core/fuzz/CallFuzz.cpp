// Random sequences of datagrams (any type, short or long, from the peer or a stranger, with the
// call's id or another), host operations and the passing of time, in every state of a call.
// After each step: the state is one of the call states, at most one message awaits an answer,
// and no text the host is given grows past its bound.
#include "voip/core/CallMachine.h"

#include <cstdlib>

namespace {

using namespace qelo;

class QuietPlatform : public ISignalPlatform {
public:
    std::uint32_t now = 1000000;
    std::uint32_t NowMs() override { return now; }
    int Send(const Endpoint&, const Datagram&, int) override { return 0; }
    std::uint32_t ResolveHost(const std::string&) override { return 0x7F000014; }
    int LogLevel() override { return 60; }
    void Log(int, const std::string&) override {}
    void StoreUnitId(const std::string&) override {}
};

class Texts : public ICallTexts {
public:
    std::string Text(int number) override { return number == 55 ? "from %s %d %n" : "text"; }
};

bool KnownState(int state)
{
    switch (state) {
    case kCallIdle: case kCallInviteSent: case kCallInviteAccepted: case kCallFarRings:
    case kCallRinging: case kCallConnected: case kCallRefused:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QuietPlatform platform;
    Texts texts;
    SignalClient client(platform);
    client.SetServerName(0, "127.0.0.1");
    client.SelectDirectoryServer();
    client.Self().unitId = "1001";
    client.Self().localAddress = 0x7F00000A;
    CallMachine machine(client, platform, texts);
    client.SetCallSeam(&machine);
    machine.Settings().autoAnswerSeconds = size % 3;
    const Endpoint peer{0x7F00001E, 8481}, stranger{0x7F000028, 8481};
    std::size_t at = 0;
    while (at < size) {
        std::uint8_t op = data[at++];
        switch (op % 8) {
        case 0: machine.PlaceCall(op & 8 ? "127.0.0.30" : "0312", op & 16 ? kCallKindTelephone : kCallKindPc, ""); break;
        case 1: machine.GoOffHook(); break;
        case 2: machine.HangUp(); break;
        case 3: machine.SendDtmf(static_cast<char>(op)); break;
        case 4: platform.now += (op >> 3) * 700u; machine.Tick(); break;
        default: {
            // A datagram: a length byte, then that many bytes (a valid header when asked for).
            if (at >= size)
                break;
            std::size_t length = data[at++] * 4u;
            if (length > size - at)
                length = size - at;
            Datagram bytes(data + at, data + at + length);
            at += length;
            if (op & 8) {
                // Make it look real: magic, a call type, and this call's id or none.
                Datagram head = BuildHeaderOnly(1 + (op >> 4) % 13, op & 32 ? machine.CallId() : MessageId{});
                for (std::size_t i = 0; i < head.size() && i < bytes.size(); ++i)
                    if (i < 14 || i >= 16)
                        bytes[i] = head[i];
                if (bytes.size() < head.size())
                    bytes = head;
            }
            const Endpoint& from = op & 64 ? stranger : peer;
            client.OnDatagram(bytes.data(), bytes.size(), from);
            break;
        }
        }
        for (const Report& report : machine.TakeReports()) {
            if (report.what == Report::StartVoice)
                machine.VoiceStarted(static_cast<unsigned>(report.code), (op & 1) != 0);
            if (report.what == Report::State && report.text.size() > kReasonLimit + 64)
                std::abort();
        }
        machine.TakeReports();
        if (!KnownState(machine.State()))
            std::abort();
    }
    return 0;
}
