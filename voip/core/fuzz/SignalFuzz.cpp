// Any datagram, in any dialogue state, through the header check, every body reader (and the
// builder that writes what it read) and the directory-server client's dispatch.
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

void SameHeader(const qelo::Datagram& d, int type, const qelo::MessageId& id)
{
    qelo::Header h;
    if (!qelo::DecodeHeader(d.data(), d.size(), h) || h.type != type || h.id != id || h.totalLength != d.size() ||
        h.headerLength != 32 || h.version != qelo::kProtocolVersion)
        std::abort();
}

void RoundTrips(const std::uint8_t* data, std::size_t size, const qelo::Header& header)
{
    using namespace qelo;
    const MessageId& id = header.id;
    if (!MessageTypeName(header.type))
        std::abort();
    SameHeader(BuildHeaderOnly(header.type, id), header.type, id);

    Invite invite = DecodeInvite(data, size);
    InviteFields fields;
    fields.voiceAddress = invite.voiceAddress;
    fields.voicePort = invite.voicePort;
    fields.caller = invite.callerId;
    fields.destination = MediaAddressDigits(invite.voiceAddress);
    fields.silence = (size & 1) != 0;
    Datagram d = BuildInvite(id, fields);
    SameHeader(d, QLIP_INVITE, id);
    Invite invite2 = DecodeInvite(d.data(), d.size());
    if (invite2.voiceAddress != invite.voiceAddress || invite2.voicePort != invite.voicePort ||
        invite2.callerId != invite.callerId)
        std::abort();

    Invite2xx answer = DecodeInvite2xx(data, size);
    int period = PeerKeepAlivePeriod(answer.keepAliveBase);
    if (period < 10 || period > 120)
        std::abort();
    d = BuildInvite2xx(id, answer.voiceAddress, fields.silence);
    SameHeader(d, QLIP_INVITE_RSP_2XX, id);
    Invite2xx answer2 = DecodeInvite2xx(d.data(), d.size());
    if (answer2.voiceAddress != answer.voiceAddress || answer2.voicePort != kVoicePort || answer2.hasCredit)
        std::abort();

    Invite4xx refusal = DecodeInvite4xx(data, size);
    d = BuildInvite4xx(id, refusal.reason.c_str());
    SameHeader(d, QLIP_INVITE_RSP_4XX, id);
    Invite4xx refusal2 = DecodeInvite4xx(d.data(), d.size());
    // The writer keeps what fits one receive buffer behind the header and the fields.
    if (refusal2.reason != refusal.reason.substr(0, kDatagramCapacity - 40) || refusal2.errorCode != 0)
        std::abort();

    Dtmf dtmf = DecodeDtmf(data, size);
    const char digit = static_cast<char>(dtmf.digit);
    d = BuildDtmf(id, dtmf.sequence, digit);
    SameHeader(d, QLIP_INFO_DTMF, id);
    Dtmf dtmf2 = DecodeDtmf(d.data(), d.size());
    if (dtmf2.flag != 1 || dtmf2.sequence != dtmf.sequence || dtmf2.digit != digit)
        std::abort();

    d = BuildBye(QLIP_BYE, id);
    SameHeader(d, QLIP_BYE, id);
    if (DecodeBye(d.data(), d.size()).hasCredit)
        std::abort();
}

// Takes the call datagrams and answers the directory client hands on.
class RecordingSeam : public qelo::ICallSeam {
public:
    void OnCallDatagram(const qelo::Header& header, const std::uint8_t*, std::size_t, const qelo::Endpoint&) override
    {
        if (header.type >= qelo::TREGISTRATION)
            std::abort(); // directory answers are the client's own
    }
    void OnCallRequestAnswered(std::int32_t, const qelo::Endpoint&, const qelo::Endpoint&) override {}
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

    // What was read, written back by the builders, reads back the same.
    if (DecodeHeader(data, size, header))
        RoundTrips(data, size, header);

    QuietPlatform platform;
    SignalClient client(platform);
    RecordingSeam seam;
    client.SetCallSeam(&seam);
    client.SetServerName(0, "127.0.0.1");
    client.SetServerName(1, "127.0.0.2:10102");
    client.SetServerName(2, "localhost");
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
    // The clock runs on through the resends, the switches to the other servers and the time-outs
    // of whatever still waits, then past a keep-alive; the same datagram comes once more, late.
    for (std::uint32_t step : {3000u, 6000u, 9000u, 12000u, 15000u, 60000u, 540000u}) {
        platform.now += step;
        client.Tick();
    }
    client.OnDatagram(data, size, Endpoint{0x7F000002, kDirectoryPort});
    client.TakeReports();
    return 0;
}
