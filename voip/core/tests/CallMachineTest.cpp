// The call state machine over a scripted far side and a fake clock: one row per flow (what goes
// out on the wire, when, and what the host is told), then the faults it must not have.
#include "voip/core/CallMachine.h"

#include "voip/core/SettingsRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

using namespace qelo;

namespace {

constexpr std::uint32_t kLocal = 0x7F00000A;   // 127.0.0.10, this library
constexpr std::uint32_t kDs = 0x7F000001;      // 127.0.0.1, directory server
constexpr std::uint32_t kProxy = 0x7F000014;   // 127.0.0.20, telephone gateway
constexpr std::uint32_t kPeerB = 0x7F00001E;   // 127.0.0.30, the other PC
constexpr std::uint32_t kStranger = 0x7F000028; // 127.0.0.40

class FakePlatform : public ISignalPlatform {
public:
    std::uint32_t now = 2000000; // an even second
    std::function<void(const Endpoint&, const Datagram&)> onSend;
    std::vector<std::string> log;
    std::uint32_t NowMs() override { return now; }
    int Send(const Endpoint& to, const Datagram& bytes, int) override
    {
        if (onSend)
            onSend(to, bytes);
        return 0;
    }
    std::uint32_t ResolveHost(const std::string& name) override { return name == "gw.example" ? kProxy : 0; }
    int LogLevel() override { return 50; }
    void Log(int, const std::string& text) override { log.push_back(text); }
    void StoreUnitId(const std::string&) override {}
};

class Texts : public ICallTexts {
public:
    std::string Text(int number) override
    {
        return number == 55 ? "Incoming call from %s" : "T" + std::to_string(number);
    }
};

int TypeOf(const Datagram& d) { return d.size() >= 14 ? d[12] << 8 | d[13] : 0; }

std::string Short(int type)
{
    std::string name = MessageTypeName(type);
    for (const char* prefix : {"QLIP_INVITE_RSP_", "QLIP_INFO_", "QLIP_"})
        if (name.rfind(prefix, 0) == 0)
            return name.substr(std::string(prefix).size());
    return name;
}

MessageId IdOf(const Datagram& d)
{
    MessageId id;
    for (int i = 0; i < 16; ++i)
        id.bytes[i] = d[16 + i];
    return id;
}

void Put16(Datagram& d, std::size_t at, std::uint16_t v)
{
    if (d.size() < at + 2)
        d.resize(at + 2);
    d[at] = static_cast<std::uint8_t>(v >> 8);
    d[at + 1] = static_cast<std::uint8_t>(v);
}

void Put32(Datagram& d, std::size_t at, std::uint32_t v)
{
    Put16(d, at, static_cast<std::uint16_t>(v >> 16));
    Put16(d, at + 2, static_cast<std::uint16_t>(v));
}

// One library with its directory-server client and call machine. Everything it sends and
// reports lands in one trace, each entry stamped with the scene's time when not at its start.
class Scene {
public:
    Scene() : client(platform), machine(client, platform, texts)
    {
        client.SetServerName(0, "127.0.0.1");
        client.SelectDirectoryServer();
        client.Self().localAddress = kLocal;
        client.Self().unitId = "1001";
        client.Self().processId = 77;
        client.SetCallSeam(&machine);
        machine.Settings().proxyHost = "gw.example";
        machine.Settings().proxyPort = 1588;
        client.ThreadStarted();
        client.TakeReports();
        platform.onSend = [this](const Endpoint& to, const Datagram& d) {
            sent.push_back({to, d});
            Add(">" + Short(TypeOf(d)) + "@" + Name(to));
        };
        start = platform.now;
    }

    std::string Name(const Endpoint& e) const
    {
        std::string who = e.address == kDs ? "DS" : e.address == kProxy ? "PX" : e.address == kPeerB ? "B"
                        : e.address == kStranger ? "X" : DottedAddress(e.address);
        std::map<std::uint32_t, std::uint16_t> usual{{kDs, 10101}, {kProxy, 1588}, {kPeerB, 8481}, {kStranger, 8481}};
        if (usual.count(e.address) && usual[e.address] == e.port)
            return who;
        return who + ":" + std::to_string(e.port);
    }

    void Add(const std::string& entry)
    {
        std::uint32_t at = platform.now - start;
        trace += (trace.empty() ? "" : " ") + (at ? "@" + std::to_string(at) + " " : std::string()) + entry;
    }

    // Carries the reports out as the wiring does: a voice start is answered at once.
    void Drain()
    {
        std::vector<Report> reports = machine.TakeReports();
        for (const Report& r : reports) {
            switch (r.what) {
            case Report::Status: Add("s" + std::to_string(r.kind) + "/" + std::to_string(r.code) +
                                     (r.hasText && (r.code <= 0 || r.code == 55) ? "'" + r.text + "'" : "")); break;
            case Report::State: Add("S" + std::to_string(r.code) + (r.hasText ? "'" + r.text + "'" : "")); break;
            case Report::LocalError: Add("localerror"); break;
            case Report::Offhook: Add("off" + std::to_string(r.code)); break;
            case Report::Credit: Add("credit" + std::to_string(r.kind) + "/" + std::to_string(r.code)); break;
            case Report::StoreRemaining: Add("yam" + std::to_string(r.code)); break;
            case Report::ErrorText: Add("error'" + r.text + "'"); break;
            case Report::PlayTone: Add("tone:" + r.text); break;
            case Report::StopTone: Add("tone-"); break;
            case Report::DialTones: Add("dial:" + r.text); break;
            case Report::DtmfTone: Add(std::string("dtmf:") + static_cast<char>(r.code)); break;
            case Report::StartVoice:
                Add("voice+" + Name(Endpoint{r.address, r.port}) + (r.hasText ? "(out)" : "(in)"));
                machine.VoiceStarted(static_cast<unsigned>(r.code), voiceOk);
                Drain();
                break;
            case Report::StopVoice: Add("voice-"); break;
            }
        }
    }

    void Do(const std::function<void()>& op)
    {
        op();
        Drain();
    }
    // Call-thread passes every 50 ms for the given time.
    void Wait(std::uint32_t ms)
    {
        for (std::uint32_t passed = 0; passed < ms; passed += 50) {
            platform.now += 50;
            machine.Tick();
            Drain();
        }
    }

    // The far side: B (or whoever) sends a datagram of the given type with the call's id.
    void From(std::uint32_t address, Datagram d, std::uint16_t port = 8481)
    {
        client.OnDatagram(d.data(), d.size(), Endpoint{address, port});
        Drain();
    }
    // The id of the last datagram this library sent to the address (the far side echoes it).
    MessageId LastIdTo(std::uint32_t address) const
    {
        for (auto it = sent.rbegin(); it != sent.rend(); ++it)
            if (it->first.address == address)
                return IdOf(it->second);
        return MessageId{};
    }
    Datagram Header(int type, std::uint32_t to) const { return BuildHeaderOnly(type, LastIdTo(to)); }
    Datagram Accept(std::uint32_t who, std::uint16_t keepAliveBase = 60, int credit = -1, int limit = -1) const
    {
        Datagram d = BuildInvite2xx(LastIdTo(who), who, false, 9000);
        Put16(d, 54, keepAliveBase);
        if (credit >= 0) {
            Put16(d, 42, 3);
            Put32(d, 44, static_cast<std::uint32_t>(credit));
            Put32(d, 48, static_cast<std::uint32_t>(limit));
        }
        return d;
    }
    Datagram Bye(std::uint32_t who, const std::string& reason = "", int credit = -1, int limit = -1) const
    {
        Datagram d = BuildBye(QLIP_BYE, LastIdTo(who));
        if (credit >= 0) {
            Put16(d, 34, 3);
            Put32(d, 36, static_cast<std::uint32_t>(credit));
            Put32(d, 40, static_cast<std::uint32_t>(limit));
        }
        d.resize(48);
        d.insert(d.end(), reason.begin(), reason.end());
        d.push_back(0);
        return d;
    }
    Datagram Invite(const MessageId& id, const char* caller = "777") const
    {
        InviteFields fields;
        fields.voiceAddress = kPeerB;
        fields.voicePort = 9002;
        fields.caller = caller;
        return BuildInvite(id, fields);
    }
    Datagram CallRequestAck(std::int32_t kind, std::uint32_t target) const
    {
        Datagram d = BuildHeaderOnly(TCALLREQUEST_ACK, LastIdTo(kDs));
        Put32(d, 32, static_cast<std::uint32_t>(kind));
        Put32(d, 36, target);
        Put32(d, 40, target);
        return d;
    }
    // An incoming call from B, rung (ACK received): the trace starts after it.
    void Rung()
    {
        MessageId id = MakeMessageId(kPeerB, 5, 9);
        From(kPeerB, Invite(id));
        From(kPeerB, BuildHeaderOnly(QLIP_ACK, id));
        trace.clear();
    }
    // An outgoing PC call to B by address, connected (the far side answered).
    void Connected()
    {
        Do([&] { machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
        From(kPeerB, Accept(kPeerB));
        From(kPeerB, Header(QLIP_INFO_OFFHOOK, kPeerB));
        trace.clear();
    }

    FakePlatform platform;
    Texts texts;
    SignalClient client;
    CallMachine machine;
    std::vector<std::pair<Endpoint, Datagram>> sent;
    std::string trace;
    std::uint32_t start = 0;
    bool voiceOk = true;
};

struct Flow {
    const char* name;
    std::function<void(Scene&)> script;
    const char* trace;
};

const Flow kFlows[] = {
    {"PcCallThroughTheDirectoryServer",
     [](Scene& s) {
         s.client.SetRegistered(true);
         s.Do([&] { s.machine.PlaceCall("1002", kCallKindPc, ""); });
         s.From(kDs, s.CallRequestAck(kCallKindTargetIsPc, kPeerB), 10101);
         s.From(kPeerB, s.Header(QLIP_INVITE_RSP_1XX, kPeerB));
         s.From(kPeerB, s.Accept(kPeerB));
         s.Wait(2000);
         s.From(kPeerB, s.Header(QLIP_INFO_OFFHOOK, kPeerB));
         s.Wait(1000);
         s.Do([&] { s.machine.HangUp(); });
         s.Wait(1000);
     },
     ">TCALLREQUEST@DS s0/52 S-10010'1002' >INVITE@B dial:1002 s0/50 >ACK@B tone:ringo.wav s0/49 S3 "
     "@2000 >RSP_OFFHOOK@B @2000 s0/-2'00:00:00' @2000 tone- @2000 voice+B:9000(out) @2000 off1 @2000 "
     "S5 @2000 S4 @3000 s0/-2'00:00:01' @3000 S-10003'00:00:01' @3000 >BYE@B @3000 off0 @3000 s0/65 "
     "@3000 tone- @3000 voice- @3000 S0 @4000 s0/57"},
    {"PcCallByAddressSkipsTheDirectoryServer",
     [](Scene& s) {
         s.client.SetRegistered(true);
         s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
         s.From(kPeerB, s.Accept(kPeerB));
     },
     ">INVITE@B dial:1270030 s0/50 >ACK@B tone:ringo.wav s0/49 S3"},
    {"TelephoneCallThroughTheDirectoryServerWithCredit",
     [](Scene& s) {
         s.client.SetRegistered(true);
         s.client.Self().accountUser = "gw1001";
         s.client.Self().accountPassword = "secret";
         s.Do([&] { s.machine.PlaceCall("03-1234", kCallKindTelephone, ""); });
         s.From(kDs, s.CallRequestAck(kCallKindTelephone, kProxy), 10101);
         s.From(kProxy, s.Accept(kProxy, 60, 500, 60), 1588);
         s.Wait(1000);
         s.From(kProxy, s.Header(QLIP_INFO_OFFHOOK, kProxy), 1588);
         s.Wait(2000);
         s.From(kProxy, s.Bye(kProxy, "Credit Just Used Up, Call Terminated", 440, 0), 1588);
     },
     ">TCALLREQUEST@DS s0/52 S-10010'031234' >INVITE@PX dial:031234 s0/50 >ACK@PX s0/49 tone- "
     "voice+PX:9000(out) off1 S5 S3 credit500/60 yam60 @1000 >RSP_OFFHOOK@PX @1000 s0/0'00:00:00' "
     "@1000 S4 @2000 s0/-2'00:00:01' @2000 S-10003'00:00:01' @3000 s0/-2'00:00:02' @3000 "
     "S-10003'00:00:02' @3000 >BYE_RSP@PX @3000 credit440/0 @3000 yam0 @3000 off0 @3000 s0/57 @3000 "
     "tone- @3000 voice- @3000 S0 @3000 S-10016'Credit Just Used Up, Call Terminated'"},
    {"TelephoneCallWithoutSignInGoesStraightToTheProxy",
     [](Scene& s) {
         s.Do([&] { s.machine.PlaceCall("0312", kCallKindTelephone, ""); });
         s.From(kProxy, s.Header(QLIP_INVITE_RSP_1XX, kProxy), 1588);
         s.From(kProxy, s.Accept(kProxy), 1588);
     },
     ">INVITE@PX dial:0312 s0/50 >ACK@PX s0/49 tone- voice+PX:9000(out) off1 S5 S3"},
    {"IncomingCallAnsweredByTheUser",
     [](Scene& s) {
         MessageId id = MakeMessageId(kPeerB, 5, 9);
         s.From(kPeerB, s.Invite(id));
         s.From(kPeerB, BuildHeaderOnly(QLIP_ACK, id));
         s.Wait(1000);
         s.Do([&] { s.machine.GoOffHook(); });
         s.From(kPeerB, BuildHeaderOnly(QLIP_INFO_RSP_OFFHOOK, id));
         s.Wait(1000);
         s.From(kPeerB, s.Bye(kPeerB, "Remote User Hang Up"));
     },
     ">1XX@B >2XX@B s0/55'Incoming call from 777' tone:ringi.wav s0/55'Incoming call from 777' "
     "S9'777' @1000 >OFFHOOK@B @1000 s0/-2'00:00:00' @1000 tone- @1000 voice+B:9002(in) @1000 off1 "
     "@1000 S5 @2000 s0/-2'00:00:01' @2000 S-10003'00:00:01' @2000 >BYE_RSP@B @2000 off0 @2000 s0/57 "
     "@2000 tone- @2000 voice- @2000 S0 @2000 S-10016'Remote User Hang Up'"},
    {"IncomingCallAnsweredAutomatically",
     [](Scene& s) {
         s.machine.Settings().autoAnswerSeconds = 3;
         MessageId id = MakeMessageId(kPeerB, 5, 9);
         s.From(kPeerB, s.Invite(id));
         s.From(kPeerB, BuildHeaderOnly(QLIP_ACK, id));
         s.trace.clear();
         s.Wait(3000);
     },
     "@3000 >OFFHOOK@B @3000 s0/-2'00:00:00' @3000 tone- @3000 voice+B:9002(in) @3000 off1 @3000 S5"},
    {"RefusalPlaysTheBusyToneForFiveSeconds",
     [](Scene& s) {
         s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
         s.trace.clear();
         s.From(kPeerB, BuildInvite4xx(s.LastIdTo(kPeerB), "Called Number Busy"));
         s.Wait(6000);
     },
     ">ACK_FAIL@B s-1/-1'300: Called Number Busy' tone:busy.wav S16'300: Called Number Busy' "
     "@5050 tone- @5050 off0 @5050 s0/57 @5050 tone- @5050 voice- @5050 S0"},
    {"UnansweredInviteResendsAt3And9And18AndEndsAt30",
     [](Scene& s) {
         s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
         s.trace.clear();
         s.Wait(31000);
     },
     "@3000 >INVITE@B @9000 >INVITE@B @9000 s0/64 @9000 S-10001 @18000 >INVITE@B @18000 s0/64 @18000 "
     "S-10001 @30000 S-10015'T43' @30000 off0 @30000 s-1/43 @30000 tone- @30000 voice- @30000 S0 "
     "@30000 S-10002"},
    {"HangUpByTheFarSideDuringRingBack",
     [](Scene& s) {
         s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
         s.From(kPeerB, s.Accept(kPeerB));
         s.trace.clear();
         s.From(kPeerB, s.Bye(kPeerB));
         s.From(kPeerB, s.Bye(kPeerB));
     },
     ">BYE_RSP@B off0 s0/57 tone- voice- S0 S-10016''"},
    {"DtmfGoesOutWithItsSequenceAndIsHeardLocally",
     [](Scene& s) {
         s.Connected();
         s.Do([&] { s.machine.SendDtmf('5'); });
         s.Do([&] { s.machine.SendDtmf('#'); });
     },
     ">DTMF@B dtmf:5 >DTMF@B dtmf:#"},
    {"OffHookWhileNothingRingsDoesNothing",
     [](Scene& s) { s.Do([&] { EXPECT_EQ(-1, s.machine.GoOffHook()); }); },
     ""},
};

class CallFlows : public ::testing::TestWithParam<Flow> {};

} // namespace

TEST_P(CallFlows, WireAndReportsFollowTheFlow)
{
    Scene scene;
    GetParam().script(scene);
    EXPECT_EQ(std::string(GetParam().trace), scene.trace);
}

INSTANTIATE_TEST_SUITE_P(Flows, CallFlows, ::testing::ValuesIn(kFlows),
                         [](const ::testing::TestParamInfo<Flow>& info) { return std::string(info.param.name); });

TEST(CallMachine, DatagramsCarryTheAgreedFields)
{
    Scene s;
    s.client.SetRegistered(true);
    s.client.Self().accountUser = "gw1001";
    s.client.Self().accountPassword = "secret";
    s.machine.Settings().voicePort = 8997;
    // A PC call through the directory server names the far media address; a telephone call its digits.
    s.Do([&] { s.machine.PlaceCall("1002", kCallKindPc, ""); });
    s.From(kDs, s.CallRequestAck(kCallKindTargetIsPc, kPeerB), 10101);
    Datagram invite = s.sent.back().second;
    ASSERT_EQ(QLIP_INVITE, TypeOf(invite));
    ASSERT_EQ(196u, invite.size());
    EXPECT_EQ(8997, invite[38] << 8 | invite[39]) << "the voice port really bound";
    EXPECT_EQ("1001", std::string(reinterpret_cast<const char*>(&invite[42])));
    EXPECT_EQ("127000000030", std::string(reinterpret_cast<const char*>(&invite[142])));
    EXPECT_EQ(IdOf(invite), MakeMessageId(kLocal, 1, 77)) << "a fresh id with the call counter grown";
    // The far side answers and hangs up; the next call counts on.
    s.From(kPeerB, s.Bye(kPeerB));
    s.Do([&] { s.machine.PlaceCall("0312", kCallKindTelephone, ""); });
    s.From(kDs, s.CallRequestAck(kCallKindTelephone, kProxy), 10101);
    invite = s.sent.back().second;
    EXPECT_EQ((Endpoint{kProxy, 1588}), s.sent.back().first);
    EXPECT_EQ("gw1001", std::string(reinterpret_cast<const char*>(&invite[42])));
    EXPECT_EQ("secret", std::string(reinterpret_cast<const char*>(&invite[90])));
    EXPECT_EQ("0312", std::string(reinterpret_cast<const char*>(&invite[142])));
    EXPECT_EQ(IdOf(invite), MakeMessageId(kLocal, 2, 77));
    // Dialled with hyphens: the digits alone.
    for (const std::string& line : s.platform.log)
        EXPECT_EQ(std::string::npos, line.find("secret")) << line;
}

TEST(CallMachine, TelephoneInvitesGoToTheConfiguredProxyPortOnBothRoads)
{
    for (bool registered : {false, true}) {
        Scene s;
        s.machine.Settings().proxyPort = 2600;
        s.client.SetRegistered(registered);
        s.Do([&] { s.machine.PlaceCall("0312", kCallKindTelephone, ""); });
        if (registered)
            s.From(kDs, s.CallRequestAck(kCallKindTelephone, kProxy), 10101);
        EXPECT_EQ((Endpoint{kProxy, 2600}), s.sent.back().first) << registered;
        EXPECT_EQ(QLIP_INVITE, TypeOf(s.sent.back().second));
    }
}

TEST(CallMachine, PeerKeepAlivePeriodFollowsTheBase)
{
    struct Row { std::uint16_t base; int seconds; } rows[] = {{600, 120}, {15, 10}, {60, 20}, {0, 10}, {3000, 120}};
    for (const Row& row : rows) {
        Scene s;
        s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
        s.From(kPeerB, s.Accept(kPeerB, row.base));
        EXPECT_EQ(row.seconds, s.machine.PeerKeepAliveSeconds()) << row.base;
        std::size_t before = s.sent.size();
        s.Wait(static_cast<std::uint32_t>(row.seconds) * 1000 - 50);
        EXPECT_EQ(before, s.sent.size()) << "nothing before the period";
        s.Wait(50);
        ASSERT_EQ(before + 1, s.sent.size());
        EXPECT_EQ(QLIP_INFO_ALIVE, TypeOf(s.sent.back().second));
        EXPECT_EQ(kPeerB, s.sent.back().first.address);
    }
}

TEST(CallMachine, StrayAcksNeitherRingAnIdlePhoneNorCancelASignIn)
{
    Scene s;
    s.Do([&] { s.client.SignIn(true, false); });
    s.From(kStranger, BuildHeaderOnly(QLIP_ACK, MessageId{}));
    s.From(kStranger, BuildHeaderOnly(QLIP_ACK_FAIL, MessageId{}));
    EXPECT_EQ(kCallIdle, s.machine.State());
    EXPECT_EQ(TREGISTRATION, s.client.AwaitedType()) << "the sign-in still awaits its answer";

    // In -97 only the caller, with the call's id, rings the phone.
    Scene t;
    MessageId id = MakeMessageId(kPeerB, 5, 9);
    t.From(kPeerB, t.Invite(id));
    t.From(kStranger, BuildHeaderOnly(QLIP_ACK, id));
    t.From(kPeerB, BuildHeaderOnly(QLIP_ACK, MakeMessageId(kPeerB, 6, 9)));
    EXPECT_EQ(kCallInviteAccepted, t.machine.State());
    EXPECT_EQ(QLIP_INVITE_RSP_2XX, t.client.AwaitedType());
    t.From(kPeerB, BuildHeaderOnly(QLIP_ACK, id));
    EXPECT_EQ(kCallRinging, t.machine.State());
    // A connected call is not turned back into a ringing one.
    Scene u;
    u.Connected();
    u.From(kPeerB, u.Header(QLIP_ACK, kPeerB));
    EXPECT_EQ(kCallConnected, u.machine.State());
    EXPECT_EQ("", u.trace);
}

TEST(CallMachine, AnInviteDuringACallIsRefusedAtItsSourceAndTheCallKeepsItsResends)
{
    Scene s;
    s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
    s.trace.clear();
    s.Wait(1000);
    s.From(kStranger, s.Invite(MakeMessageId(kStranger, 1, 1), "888"));
    EXPECT_EQ("@1000 >1XX@X @1000 >4XX@X", s.trace);
    Datagram refusal = s.sent.back().second;
    EXPECT_EQ("T51", std::string(reinterpret_cast<const char*>(refusal.data() + 36))) << "resource text 51";
    EXPECT_EQ(QLIP_INVITE, s.client.AwaitedType());
    s.trace.clear();
    s.Wait(2000);
    EXPECT_EQ("@3000 >INVITE@B", s.trace) << "the call's own INVITE is still resent to B";
    // The stranger's ACK_FAIL changes nothing; B's acceptance still connects.
    s.From(kStranger, BuildHeaderOnly(QLIP_ACK_FAIL, MakeMessageId(kStranger, 1, 1)));
    s.From(kPeerB, s.Accept(kPeerB));
    EXPECT_EQ(kCallFarRings, s.machine.State());
}

TEST(CallMachine, ARepeatedAcceptanceIsAckedAgain)
{
    Scene s;
    s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
    Datagram accept = s.Accept(kPeerB);
    s.From(kPeerB, accept);
    s.trace.clear();
    s.From(kPeerB, accept);
    s.From(kStranger, accept);
    EXPECT_EQ(">ACK@B", s.trace) << "our ACK was lost: B resends its 2XX and is answered again";
    EXPECT_EQ(kCallFarRings, s.machine.State());
}

TEST(CallMachine, AResentInviteOfTheCallBeingSetUpIsAcceptedNotRefused)
{
    Scene s;
    MessageId id = MakeMessageId(kPeerB, 5, 9);
    s.From(kPeerB, s.Invite(id));
    s.trace.clear();
    s.From(kPeerB, s.Invite(id));
    EXPECT_EQ(">1XX@B >2XX@B", s.trace);
    EXPECT_EQ(kCallInviteAccepted, s.machine.State());
}

TEST(CallMachine, AVoicePathFailingWhenAnsweredEndsTheCallWithNoTimerLeft)
{
    Scene s;
    s.Rung();
    s.voiceOk = false;
    unsigned token = 0;
    s.Do([&] { EXPECT_EQ(0, s.machine.GoOffHook(&token)); });
    EXPECT_EQ(-1, s.machine.VoiceOutcome(token));
    EXPECT_EQ(">OFFHOOK@B s0/-2'00:00:00' tone- voice+B:9002(in) >BYE@B S-10015'T4' off0 s-1/4 tone- voice- S0",
              s.trace);
    EXPECT_FALSE(s.machine.TimerRunning());
    EXPECT_EQ(kCallIdle, s.machine.State());
}

TEST(CallMachine, AVoicePathFailingUnderAutoAnswerIsReportedAndLeavesNothingOpen)
{
    Scene s;
    s.machine.Settings().autoAnswerSeconds = 1;
    s.Rung();
    s.voiceOk = false;
    s.Wait(1000);
    EXPECT_EQ("@1000 >OFFHOOK@B @1000 s0/-2'00:00:00' @1000 tone- @1000 voice+B:9002(in) @1000 error'T4' "
              "@1000 voice-",
              s.trace);
    EXPECT_EQ(kCallConnected, s.machine.State()) << "auto-answer keeps the call";
}

TEST(CallMachine, AVoiceStartThatFindsItsCallGoneIsUndone)
{
    Scene s;
    s.Rung();
    unsigned token = 0;
    s.machine.GoOffHook(&token);
    s.machine.TakeReports();
    // The far side hangs up before the voice path has started.
    s.From(kPeerB, s.Bye(kPeerB));
    s.trace.clear();
    s.machine.VoiceStarted(token, true);
    s.Drain();
    EXPECT_EQ("voice-", s.trace);
    EXPECT_EQ(-1, s.machine.VoiceOutcome(token));
}

TEST(CallMachine, AHangUpDuringTheBusyToneLeavesTheNextCallAlone)
{
    Scene s;
    s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
    s.From(kPeerB, BuildInvite4xx(s.LastIdTo(kPeerB), "busy"));
    s.Wait(1000);
    s.Do([&] { s.machine.HangUp(); });
    s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
    s.From(kPeerB, s.Accept(kPeerB));
    s.Wait(6000);
    EXPECT_EQ(kCallFarRings, s.machine.State()) << "the old busy timer must not reset the new call";
}

TEST(CallMachine, ReasonsFromTheWireReachTheHostBounded)
{
    Scene s;
    s.Do([&] { s.machine.PlaceCall("127.0.0.30", kCallKindPc, ""); });
    s.From(kPeerB, BuildInvite4xx(s.LastIdTo(kPeerB), std::string(1500, 'r').c_str()));
    EXPECT_EQ(kCallRefused, s.machine.State());
    EXPECT_NE(std::string::npos, s.trace.find("S16'300: rrr"));
    std::string::size_type at = s.trace.find("S16'");
    std::string::size_type end = s.trace.find('\'', at + 4);
    EXPECT_EQ(kReasonLimit, end - at - 4);
}

TEST(CallMachine, TheReadyReportFollowsAHangUpAtTheNextEvenSecond)
{
    Scene s;
    s.platform.now += 1500; // half past an odd second
    s.Connected();
    s.Do([&] { s.machine.HangUp(); });
    s.trace.clear();
    s.Wait(2000);
    EXPECT_EQ("@2000 s0/57", s.trace);
}

TEST(CallMachine, FormatHmsKeepsHoursUnbounded)
{
    EXPECT_EQ("00:00:00", FormatHms(0));
    EXPECT_EQ("00:01:05", FormatHms(65));
    EXPECT_EQ("01:00:00", FormatHms(3600));
    EXPECT_EQ("123:00:01", FormatHms(123 * 3600 + 1));
}

TEST(CallMachine, ACallRequestNoServerAnsweredSignsInAgainAtTheNextServer)
{
    Scene s;
    s.client.SetServerName(1, "127.0.0.2");
    s.client.SetRegistered(true);
    s.Do([&] { s.machine.PlaceCall("1002", kCallKindPc, ""); });
    s.trace.clear();
    s.Wait(30000);
    EXPECT_NE(std::string::npos, s.trace.find("@30000 S-10014'1001'")) << s.trace;
    EXPECT_NE(std::string::npos, s.trace.find("@30000 >TREGISTRATION@127.0.0.2:10101")) << s.trace;
    EXPECT_NE(std::string::npos, s.trace.find("@30000 S-10011'1001'")) << s.trace;
    EXPECT_EQ(TREGISTRATION, s.client.AwaitedType());
    // The new server signs the user in again.
    s.From(0x7F000002, BuildHeaderOnly(TREGISTRATION_ACK, s.LastIdTo(0x7F000002)), 10101);
    EXPECT_TRUE(s.client.Registered());
}
