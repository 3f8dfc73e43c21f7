// The directory-server dialogues and the resend timing, driven by a fake clock and network.
#include "voip/core/SignalClient.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace qelo;

namespace {

struct Sent {
    std::uint32_t at;
    Endpoint to;
    int type;
    Datagram bytes;
};

class FakePlatform : public ISignalPlatform {
public:
    std::uint32_t now = 1000000;
    std::vector<Sent> sent;
    std::map<std::string, std::uint32_t> names;
    std::vector<std::string> log;
    std::string storedUnitId;
    int level = 30;

    std::uint32_t NowMs() override { return now; }
    int Send(const Endpoint& to, const Datagram& bytes, int) override
    {
        sent.push_back({now, to, bytes.size() >= 14 ? bytes[12] << 8 | bytes[13] : 0, bytes});
        return 0;
    }
    std::uint32_t ResolveHost(const std::string& name) override
    {
        auto found = names.find(name);
        return found == names.end() ? 0 : found->second;
    }
    int LogLevel() override { return level; }
    void Log(int, const std::string& text) override { log.push_back(text); }
    void StoreUnitId(const std::string& unitId) override { storedUnitId = unitId; }
};

constexpr std::uint32_t kDs1 = 0x7F000001, kDs2 = 0x7F000002, kDs3 = 0x7F000003;

class SignalClientTest : public ::testing::Test {
protected:
    SignalClientTest() : client(platform)
    {
        platform.names = {{"ds1.example", kDs1}, {"ds2.example", kDs2}, {"ds3.example", kDs3}};
        client.SetServerName(0, "ds1.example");
        client.SetServerName(1, "ds2.example");
        client.SetServerName(2, "ds3.example");
        client.Self().localAddress = 0x7F00000A;
        client.Self().country = "81";
        client.Self().area = "3";
        client.Self().nickname = "Taro";
        client.SelectDirectoryServer();
        client.ThreadStarted();
        client.TakeReports();
    }

    // Runs call-thread passes every 50 ms up to the given time.
    void RunUntil(std::uint32_t offsetMs)
    {
        std::uint32_t end = start + offsetMs;
        while (static_cast<std::int32_t>(end - platform.now) > 0) {
            platform.now += 50;
            client.Tick();
        }
    }

    void Receive(const Datagram& bytes, std::uint32_t from = kDs1)
    {
        client.OnDatagram(bytes.data(), bytes.size(), Endpoint{from, kDirectoryPort});
    }

    Datagram Reply(int type, std::size_t size, std::map<std::size_t, std::uint16_t> words = {})
    {
        Datagram bytes = BuildHeaderOnly(type, MessageId{});
        bytes.resize(size);
        for (auto& [offset, value] : words) {
            bytes[offset] = static_cast<std::uint8_t>(value >> 8);
            bytes[offset + 1] = static_cast<std::uint8_t>(value);
        }
        return bytes;
    }

    std::vector<int> StateCodes(const std::vector<Report>& reports)
    {
        std::vector<int> codes;
        for (const Report& r : reports)
            if (r.what == Report::State)
                codes.push_back(r.code);
        return codes;
    }

    FakePlatform platform;
    SignalClient client;
    std::uint32_t start = platform.now;
};

} // namespace

TEST_F(SignalClientTest, FirstTimeRegistrationStoresTheAssignedUnitId)
{
    ASSERT_EQ(0, client.SignIn(true, false));
    ASSERT_EQ(1u, platform.sent.size());
    EXPECT_EQ(TFIRST_TIMEREG, platform.sent[0].type);
    EXPECT_EQ(92u, platform.sent[0].bytes.size());
    EXPECT_EQ((Endpoint{kDs1, kDirectoryPort}), platform.sent[0].to);
    EXPECT_EQ(std::vector<int>{-10012}, StateCodes(client.TakeReports()));

    Datagram ack = Reply(TFIRST_TIMEREG_ACK, 96, {{52, kResultWithAccount}});
    const char unit[] = "00000000000000000042";
    std::copy(unit, unit + 20, ack.begin() + 32);
    std::copy(unit, unit + 5, ack.begin() + 56);
    Receive(ack);
    EXPECT_EQ("00000000000000000042", platform.storedUnitId);
    EXPECT_EQ("00000000000000000042", client.Self().unitId) << "a 20-character id keeps all 20 characters";
    EXPECT_EQ("00000", client.Self().accountUser);
    EXPECT_TRUE(client.Registered());
    auto reports = client.TakeReports();
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(62, reports[0].code);
    EXPECT_EQ(-10007, reports[1].code);
    EXPECT_EQ("00000000000000000042", reports[1].text);
    EXPECT_EQ(0, client.AwaitedType());
}

TEST_F(SignalClientTest, AnswersCountOnlyWhileTheirRequestAwaits)
{
    client.Self().unitId = "42";
    client.SendCallRequest(kCallKindPc, "42");
    client.TakeReports();
    Receive(Reply(TREGISTRATION_ACK, 54));
    EXPECT_EQ(TCALLREQUEST, client.AwaitedType()) << "a sign-in answer must not end a call request";
    EXPECT_FALSE(client.Registered());
    EXPECT_TRUE(client.TakeReports().empty());

    Datagram refused = Reply(TCALLREQUEST_ACK, 44);
    refused[32] = refused[33] = refused[34] = refused[35] = 0xFF;
    Receive(refused);
    EXPECT_EQ(0, client.AwaitedType());
    auto reports = client.TakeReports();
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(58, reports[0].code);
    EXPECT_EQ(kError, reports[0].kind);
    EXPECT_EQ(-10004, reports[1].code);
    EXPECT_EQ("42", reports[1].text);
}

TEST_F(SignalClientTest, SignInSignOutAndKeepAlive)
{
    client.Self().unitId = "42";
    client.SignIn(true, false);
    EXPECT_EQ(TREGISTRATION, platform.sent.back().type);
    Receive(Reply(TREGISTRATION_ACK, 54, {{52, 0}}));
    EXPECT_TRUE(client.Registered());
    EXPECT_EQ((std::vector<int>{-10011, -10005}), StateCodes(client.TakeReports()));

    std::size_t before = platform.sent.size();
    RunUntil(539000);
    EXPECT_EQ(before, platform.sent.size());
    RunUntil(540100);
    ASSERT_EQ(before + 1, platform.sent.size());
    EXPECT_EQ(TALIVE, platform.sent.back().type);
    EXPECT_EQ(60u, platform.sent.back().bytes.size());

    client.SignIn(false, false);
    EXPECT_EQ(TLOGOFF, platform.sent.back().type);
    EXPECT_EQ(52u, platform.sent.back().bytes.size());
    Receive(Reply(TLOGOFF_ACK, 32));
    EXPECT_FALSE(client.Registered());
    EXPECT_EQ((std::vector<int>{-10013, -10014}), StateCodes(client.TakeReports()));
}

TEST_F(SignalClientTest, LoginWithoutNicknameSignsOutWhenWebFlagIsSet)
{
    client.Self().unitId = "42";
    const struct { const char* nickname; bool web; int type; } rows[] = {
        {"", true, TLOGOFF}, {"NEVER mind", true, TLOGOFF}, {"Never Minds", true, TREGISTRATION},
        {"", false, TREGISTRATION}, {"Taro", true, TREGISTRATION},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.nickname);
        client.Self().nickname = row.nickname;
        client.SignIn(true, row.web);
        EXPECT_EQ(row.type, platform.sent.back().type);
    }
}

TEST_F(SignalClientTest, ResendsAt3And9And18SecondsThenSwitchesServer)
{
    client.Self().unitId = "42";
    client.SignIn(true, false);
    client.TakeReports();
    RunUntil(29900);
    ASSERT_EQ(4u, platform.sent.size());
    const std::uint32_t expectedOffsets[] = {0, 3000, 9000, 18000};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(static_cast<double>(expectedOffsets[i]), static_cast<double>(platform.sent[i].at - start), 50.0);
        EXPECT_EQ(platform.sent[0].bytes, platform.sent[i].bytes) << "a resend repeats the message exactly";
        EXPECT_EQ(kDs1, platform.sent[i].to.address);
    }
    // Resends after the first one are announced.
    EXPECT_EQ((std::vector<int>{-10001, -10001}), StateCodes(client.TakeReports()));

    RunUntil(30100);
    ASSERT_EQ(5u, platform.sent.size());
    EXPECT_EQ(kDs2, platform.sent[4].to.address) << "the same message goes to the next server";
    EXPECT_EQ(TREGISTRATION, platform.sent[4].type);
    EXPECT_EQ((std::vector<int>{-10014}), StateCodes(client.TakeReports()));

    // The second server: resends 6 and 15 s after its first send, time-out after 27 s.
    std::uint32_t second = platform.sent[4].at - start;
    RunUntil(second + 26900);
    ASSERT_EQ(7u, platform.sent.size());
    EXPECT_NEAR(6000.0, static_cast<double>(platform.sent[5].at - platform.sent[4].at), 50.0);
    EXPECT_NEAR(15000.0, static_cast<double>(platform.sent[6].at - platform.sent[4].at), 50.0);
    RunUntil(second + 27100);
    ASSERT_EQ(8u, platform.sent.size());
    EXPECT_EQ(kDs3, platform.sent[7].to.address);
    client.TakeReports();

    // The third server fails as well: the sign-in ends.
    std::uint32_t third = platform.sent[7].at - start;
    RunUntil(third + 27100);
    auto reports = client.TakeReports();
    std::vector<int> states = StateCodes(reports);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(-10002, states.back());
    bool localError = false;
    for (const Report& r : reports)
        localError = localError || (r.what == Report::LocalError && r.kind == -1);
    EXPECT_TRUE(localError) << "the time-out ends any call too";
    EXPECT_EQ(0, client.AwaitedType());
    std::size_t total = platform.sent.size();
    RunUntil(third + 60000);
    EXPECT_EQ(total, platform.sent.size()) << "nothing more is sent after the final time-out";
}

TEST_F(SignalClientTest, AnswerFromTheSecondServerSignsIn)
{
    client.SignIn(true, false);
    RunUntil(30100);
    ASSERT_EQ(kDs2, platform.sent.back().to.address);
    Datagram ack = Reply(TFIRST_TIMEREG_ACK, 54, {{52, 0}});
    ack[32] = '7';
    Receive(ack, kDs2);
    EXPECT_TRUE(client.Registered());
    EXPECT_EQ("7", client.Self().unitId);
    std::size_t sent = platform.sent.size();
    RunUntil(90000);
    EXPECT_EQ(sent, platform.sent.size());
}

TEST_F(SignalClientTest, UnansweredByeIsDroppedSilentlyAndPeerResendsKeepTheirAddress)
{
    Endpoint peer{0x0A000005, kSignalPort};
    client.SendAwaiting(peer, BuildBye(QLIP_BYE, MessageId{}));
    client.TakeReports();
    RunUntil(31000);
    ASSERT_EQ(4u, platform.sent.size());
    for (const Sent& s : platform.sent)
        EXPECT_EQ(peer, s.to);
    EXPECT_TRUE(client.TakeReports().empty());
    EXPECT_EQ(0, client.AwaitedType());
}

TEST_F(SignalClientTest, UnansweredCallRequestTimesOutAfterOneSwitch)
{
    client.SendCallRequest(kCallKindPc, "42");
    client.TakeReports();
    RunUntil(30100);
    EXPECT_EQ(4u, platform.sent.size()) << "no second server for a call request";
    EXPECT_EQ(0, client.AwaitedType());
    EXPECT_EQ((Endpoint{kDs2, kDirectoryPort}), client.DirectoryServer()) << "later messages use the next server";
    EXPECT_EQ((std::vector<int>{-10001, -10001, -10014, -10002}), StateCodes(client.TakeReports()));
}

TEST_F(SignalClientTest, ServerSelectionSkipsNamesThatDoNotResolve)
{
    client.SetServerName(0, "127.0.0.9:4000");
    client.SetServerName(1, "nowhere.example");
    client.ResetRoundRobin();
    client.SelectDirectoryServer();
    EXPECT_EQ((Endpoint{0x7F000009, 4000}), client.DirectoryServer());
    client.SelectDirectoryServer();
    EXPECT_EQ((Endpoint{kDs3, kDirectoryPort}), client.DirectoryServer());
    client.SetServerName(2, "");
    client.SetServerName(0, "");
    client.SelectDirectoryServer();
    EXPECT_EQ((Endpoint{kDs3, kDirectoryPort}), client.DirectoryServer()) << "no name resolves: the last one stays";
}

TEST_F(SignalClientTest, CallDatagramsGoToTheCallSeam)
{
    struct Seam : ICallSeam {
        int datagrams = 0;
        std::int32_t kind = 0;
        Endpoint target, media;
        void OnCallDatagram(const Header&, const std::uint8_t*, std::size_t, const Endpoint&) override { ++datagrams; }
        void OnCallRequestAnswered(std::int32_t k, const Endpoint& t, const Endpoint& m) override
        {
            kind = k;
            target = t;
            media = m;
        }
    } seam;
    client.SetCallSeam(&seam);
    Receive(BuildHeaderOnly(QLIP_ACK, MessageId{}));
    EXPECT_EQ(1, seam.datagrams);
    Datagram junk = BuildHeaderOnly(QLIP_ACK, MessageId{});
    junk[3] = 0;
    Receive(junk);
    EXPECT_EQ(1, seam.datagrams) << "no magic, no dispatch";

    const struct { std::int32_t kind; std::uint16_t port; } rows[] = {{600, 8481}, {100, 1588}, {200, 1588}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        client.SendCallRequest(kCallKindPc, "42");
        Datagram ack = Reply(TCALLREQUEST_ACK, 44);
        ack[34] = static_cast<std::uint8_t>(row.kind >> 8);
        ack[35] = static_cast<std::uint8_t>(row.kind);
        ack[36] = 10; ack[39] = 2;
        ack[40] = 10; ack[43] = 3;
        Receive(ack);
        EXPECT_EQ(row.kind, seam.kind);
        EXPECT_EQ((Endpoint{0x0A000002, row.port}), seam.target);
        EXPECT_EQ((Endpoint{0x0A000003, row.port}), seam.media);
    }
}
