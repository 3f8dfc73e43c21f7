// Any datagram, in any dialogue state, through the header check, every body reader and the
// directory-server client's dispatch.
#include "voip/core/SignalClient.h"

#include <cstdlib>

namespace {

class QuietPlatform : public qelo::ISignalPlatform {
public:
    std::uint32_t now = 0;
    std::uint32_t NowMs() override { return now; }
    int Send(const qelo::Endpoint&, const qelo::Datagram&, int) override { return 0; }
    std::uint32_t ResolveHost(const std::string&) override { return 0x7F000001; }
    int LogLevel() override { return 60; }
    void Log(int, const std::string&) override {}
    void StoreUnitId(const std::string& unitId) override
    {
        if (unitId.size() > qelo::kIdField)
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qelo;
    Header header;
    DecodeHeader(data, size, header);
    DecodeRegistrationAck(data, size);
    FirstTimeRegistrationAck first = DecodeFirstTimeRegistrationAck(data, size);
    if (first.unitId.size() > kIdField || first.accountUser.size() > kIdField)
        std::abort();
    DecodeCallRequestAck(data, size);
    DecodeInvite(data, size);
    DecodeInvite2xx(data, size);
    Invite4xx refusal = DecodeInvite4xx(data, size);
    if (refusal.reason.size() > size)
        std::abort();
    FormatRefusal(refusal);
    DecodeDtmf(data, size);
    if (DecodeBye(data, size).reason.size() > size)
        std::abort();

    QuietPlatform platform;
    SignalClient client(platform);
    client.SetServerName(0, "127.0.0.1");
    client.SelectDirectoryServer();
    // The last byte picks which request awaits its answer.
    switch (size ? data[size - 1] % 5 : 0) {
    case 0: client.SignIn(true, false); break;
    case 1: client.Self().unitId = "1"; client.SignIn(true, false); break;
    case 2: client.SignOut(); break;
    case 3: client.SendCallRequest(kCallKindPc, "1"); break;
    default: break;
    }
    client.OnDatagram(data, size, Endpoint{0x7F000001, kDirectoryPort});
    platform.now += 60000;
    client.Tick();
    client.TakeReports();
    return 0;
}
