// The client's state machine on an injected clock against a scripted server.
#include "messaging/client/tests/FakeClient.h"

#include "messaging/client/HostRecords.h"
#include "messaging/client/PmTrafficLog.h"
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmResultCodes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace pmtest;

namespace {

// Every request answered at once as a good server would.
void GoodServer(FakeClient& c, const Seen& s)
{
    switch (s.header.type) {
    case PM_TYPE_SESSION_START:
        c.Reply(SessionAnswer(s.header, 0), s.data);
        break;
    case PM_TYPE_MESSAGE:
    case PM_TYPE_DELETE:
    case PM_TYPE_PRESENCE:
    case PM_TYPE_LIST_CLEAR:
        c.Reply(ResultRecord(s.header, 0));
        break;
    case PM_TYPE_LIST_REQUEST:
        c.Reply(MessageList(s.header.sequence, 2));
        break;
    case PM_TYPE_FETCH: {
        PmU32Record r;
        DecodeU32(s.record.data(), s.record.size(), &r);
        c.Reply(FetchedMessage(s.header, r.value, "hello"));
        break;
    }
    default:
        break;
    }
}

int Sends(const FakeClient& c, std::uint16_t type)
{
    int n = 0;
    for (const Seen& s : c.seen)
        n += s.header.type == type ? 1 : 0;
    return n;
}

struct Connected : ::testing::Test {
    FakeClient client;
    int counter = 5;
    void Connect(std::uint32_t flags = 0)
    {
        client.server = GrantSessions;
        ASSERT_EQ(client.LoginAndConnect(flags), 0);
        client.seen.clear();
        client.armed.clear();
    }
};

} // namespace

TEST(MsgClientSequence, UpAndDownFollowTheirRules)
{
    struct Case {
        int counter;
        bool down;
        int expected;
    };
    const Case cases[] = {
        {5, true, -1}, {-1, true, -2}, {0, true, -1}, {INT_MIN + 1, true, INT_MIN}, {INT_MIN, true, -1},
        {5, false, 6}, {-5, false, 0}, {-1, false, 0}, {INT_MAX, false, 0}, {0, false, 1},
    };
    for (const Case& c : cases) {
        int counter = c.counter;
        EXPECT_EQ(CMsgClientCore::NextSequence(counter, c.down), c.expected) << c.counter << " " << c.down;
        EXPECT_EQ(counter, c.expected);
    }
}

TEST(MsgClientOpen, ChoosesTheTransportAndItsResendLimit)
{
    struct Case {
        std::uint32_t flags;
        const char* proxy;
        int count;
        int mode;
        int limit;
    };
    const Case cases[] = {
        {0, "", 0, PM_MODE_UDP, 3},
        {PM_CONNECT_PROXY, "127.0.0.1", 0, PM_MODE_UDP, 3}, // proxy needs TCP
        {PM_CONNECT_TCP, "", 0, PM_MODE_TCP, 0},
        {PM_CONNECT_TCP | PM_CONNECT_PROXY, "", 0, PM_MODE_TCP, 0}, // no proxy host
        {PM_CONNECT_TCP | PM_CONNECT_PROXY, "127.0.0.1", 0, PM_MODE_PROXY, 0},
        {0, "", 2, PM_MODE_UDP, 1},
        {PM_CONNECT_TCP, "", 3, PM_MODE_TCP, 2},
        {0, "", -4, PM_MODE_UDP, 3},
    };
    for (const Case& c : cases) {
        FakeClient client;
        EXPECT_EQ(client.ResendLimit(), -1);
        client.Open(c.flags, c.proxy, 8080, "", "", c.count);
        EXPECT_EQ(client.Mode(), c.mode) << c.flags << " " << c.proxy;
        EXPECT_EQ(client.ResendLimit(), c.limit) << c.flags << " " << c.count;
    }
}

TEST(MsgClientSession, StartsOnlyWhereTheProtocolNeedsIt)
{
    struct Case {
        std::uint16_t version;
        std::uint32_t flags;
        int sessionStarts;
    };
    const Case cases[] = {
        {0x0301, 0, 1},
        {0x0301, PM_CONNECT_TCP, 1},
        {0x0110, 0, 0},             // UDP below version 512 needs no answer
        {0x0110, PM_CONNECT_TCP, 1}, // TCP always asks
    };
    for (const Case& c : cases) {
        FakeClient client(MakeLogin(c.version), MakeAddress(c.version));
        client.server = GrantSessions;
        EXPECT_EQ(client.LoginAndConnect(c.flags), 0);
        EXPECT_EQ(Sends(client, PM_TYPE_SESSION_START), c.sessionStarts) << c.version << " " << c.flags;
        EXPECT_EQ(client.Framed(), c.version >= 512);
    }
}

TEST(MsgClientSession, RefusedOrSilentServersFailTheLogin)
{
    FakeClient refused;
    refused.server = [](FakeClient& c, const Seen& s) { c.Reply(SessionAnswer(s.header, 7)); };
    EXPECT_EQ(refused.LoginAndConnect(PM_CONNECT_TCP), PM_ERR_SESSION_START_REFUSED);
    EXPECT_EQ(refused.closes, 1) << "TCP closes its socket on failure";

    FakeClient silentUdp;
    EXPECT_EQ(silentUdp.LoginAndConnect(0), PM_ERR_SESSION_START_NO_REPLY);
    EXPECT_EQ(Sends(silentUdp, PM_TYPE_SESSION_START), 4) << "first send and 3 resends";
    EXPECT_EQ(silentUdp.closes, 0) << "UDP keeps its endpoint";
    EXPECT_EQ(silentUdp.now, 20000u) << "the wait ends at 20 s";

    FakeClient silentTcp;
    EXPECT_EQ(silentTcp.LoginAndConnect(PM_CONNECT_TCP), PM_ERR_SESSION_START_NO_REPLY);
    EXPECT_EQ(Sends(silentTcp, PM_TYPE_SESSION_START), 1);
    EXPECT_EQ(silentTcp.Pending(), PM_KIND_IDLE);
    EXPECT_TRUE(silentTcp.posts.empty()) << "a session start reports to nobody";
}

TEST_F(Connected, UnansweredMessageIsSentFourTimesOverUdpThenFails)
{
    Connect();
    std::uint32_t seeds[] = {11, 22, 33, 44};
    int sent = 0;
    std::vector<std::uint32_t> frameSeeds;
    client.server = [&](FakeClient& c, const Seen&) { c.seed = seeds[++sent % 4]; };
    client.seed = seeds[0];
    ASSERT_EQ(client.SendText(counter, "FEDCBA9876543210", "hanako", "hi", 0), 0);
    EXPECT_EQ(counter, -1);
    client.Advance(60000);
    ASSERT_EQ(client.seen.size(), 4u);
    for (const Seen& s : client.seen) {
        EXPECT_EQ(s.record, client.seen[0].record) << "same record, same sequence";
        EXPECT_EQ(static_cast<int>(s.header.sequence), -1);
    }
    EXPECT_EQ(client.armed, std::vector<int>({1, 1, 1, 1}));
    EXPECT_EQ(client.RequestPeriod(), 5000u);
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].message, 0x403u);
    EXPECT_EQ(client.posts[0].wParam, -1);
    EXPECT_EQ(client.posts[0].Type(), PM_TYPE_MESSAGE);
    EXPECT_EQ(client.posts[0].bytes.size(), 28u);
    EXPECT_EQ(static_cast<int>(client.posts[0].U32(4)), -1);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_SEND_NO_REPLY);
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
    EXPECT_EQ(client.ResendCount(), 0);
}

TEST_F(Connected, ResendsGoOutWithANewSeed)
{
    Connect();
    std::vector<std::uint32_t> wireSeeds;
    client.seed = 100;
    ASSERT_EQ(client.SendText(counter, "X", "y", "text", 0), 0);
    client.seed = 200;
    client.Advance(5000);
    EXPECT_EQ(Sends(client, PM_TYPE_MESSAGE), 2);
    // The scripted transport unframes what it saw: the seeds are checked on a frame built the same way.
    std::vector<std::uint8_t> a, b;
    BuildPacketWithSeed(true, client.seen[0].record.data(), client.seen[0].record.size(), a, 100);
    BuildPacketWithSeed(true, client.seen[1].record.data(), client.seen[1].record.size(), b, 200);
    EXPECT_NE(a, b);
}

TEST_F(Connected, AResendThatCannotGoOutEndsTheRequestWithItsSendFailure)
{
    struct Case {
        const char* name;
        std::function<int()> request;
        unsigned message;
        int code;
    };
    const Case cases[] = {
        {"message", [&] { return client.SendText(counter, "X", "y", "t", 0); }, 0x403, PM_ERR_SEND_FAILED},
        {"fetch", [&] { return client.RequestFetch(counter, 1); }, 0x403, PM_ERR_RECEIVE_REQUEST_FAILED},
        {"friend list", [&] { return client.RequestFriendList(counter); }, 0x404, PM_ERR_RECEIVE_REQUEST_FAILED},
        {"presence", [&] { client.SendPresence(counter, 1); return client.Pending() ? 0 : -1; }, 0x404, PM_ERR_PRESENCE_SEND},
    };
    Connect();
    for (const Case& c : cases) {
        client.failMainSend = false;
        ASSERT_EQ(c.request(), 0) << c.name;
        client.failMainSend = true;
        client.Advance(5000);
        std::vector<Posted> posts = client.TakePosts();
        ASSERT_EQ(posts.size(), 1u) << c.name;
        EXPECT_EQ(posts[0].message, c.message) << c.name;
        EXPECT_EQ(posts[0].wParam, -1) << c.name;
        EXPECT_EQ(client.GetLastResult(), c.code) << c.name;
        EXPECT_EQ(client.Pending(), PM_KIND_IDLE) << c.name;
    }
}

TEST_F(Connected, UnansweredMessageOverTcpFailsAfterOneWait)
{
    Connect(PM_CONNECT_TCP);
    ASSERT_EQ(client.SendText(counter, "X", "y", "text", 0), 0);
    client.Advance(4999);
    EXPECT_TRUE(client.posts.empty());
    client.Advance(1);
    EXPECT_EQ(Sends(client, PM_TYPE_MESSAGE), 1);
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_SEND_NO_REPLY);
}

TEST_F(Connected, RepliesAreMatchedBySequenceAndSize)
{
    Connect();
    client.SetSendMsgNumber(41);
    ASSERT_EQ(client.SendText(counter, "X", "y", "text", 0), 0);
    PmHeader request = client.seen.back().header;
    PmHeader other = request;
    other.sequence = 77;
    client.Reply(ResultRecord(other, 0));                    // another request's
    std::vector<std::uint8_t> shortResult = ResultRecord(request, 0);
    shortResult.pop_back();
    client.Reply(shortResult);                               // 35 bytes
    client.Pump();
    EXPECT_TRUE(client.posts.empty());
    EXPECT_EQ(client.timers.count(PM_KIND_MESSAGE), 1u) << "the timer keeps running";
    client.Reply(ResultRecord(request, 0));
    client.Pump();
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].wParam, PM_POST_SENT);
    EXPECT_EQ(client.posts[0].bytes.size(), 36u);
    EXPECT_EQ(client.GetSendMsgNumber(), 42u);
    EXPECT_EQ(client.timers.count(PM_KIND_MESSAGE), 0u);
    // The message carried the number and the attributes of its kind.
    PmMessage sent;
    ASSERT_TRUE(DecodeMessage(client.seen.back().record.data(), client.seen.back().record.size(), &sent));
    EXPECT_EQ(sent.number, 41u);
    EXPECT_EQ(sent.attributes, 0x40000000u);
}

TEST_F(Connected, ServerRefusalsAndUnexpectedRepliesEndTheRequest)
{
    struct Case {
        const char* name;
        std::uint16_t replyType;
        std::uint32_t code;
        int wParam;
        int lastResult;
    };
    const Case cases[] = {
        {"success", PM_TYPE_RESULT, 0, PM_POST_SENT, 0},
        {"refusal", PM_TYPE_RESULT, 0x3003, PM_POST_FAILED, 0x3003},
        {"other type", PM_TYPE_SESSION_ANSWER + 1, 0, PM_POST_FAILED, PM_ERR_UNEXPECTED_REPLY},
    };
    Connect();
    for (const Case& c : cases) {
        ASSERT_EQ(client.SendText(counter, "X", "y", "text", 0), 0) << c.name;
        client.Reply(ResultRecord(client.seen.back().header, c.code, 9, c.replyType));
        client.Pump();
        std::vector<Posted> posts = client.TakePosts();
        ASSERT_EQ(posts.size(), 1u) << c.name;
        EXPECT_EQ(posts[0].message, 0x403u) << c.name;
        EXPECT_EQ(posts[0].wParam, c.wParam) << c.name;
        EXPECT_EQ(posts[0].U32(28), c.code) << c.name;
        EXPECT_EQ(posts[0].U32(32), 9u) << c.name << ": the second value passes unchanged";
        if (c.lastResult) {
            EXPECT_EQ(client.GetLastResult(), c.lastResult) << c.name;
        }
        EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
    }
}

TEST_F(Connected, OneRequestAtATime)
{
    Connect();
    ASSERT_EQ(client.RequestFetch(counter, 3), 0);
    const int counterBefore = counter;
    struct Case {
        const char* name;
        std::function<int()> request;
        int code;
    };
    const Case cases[] = {
        {"message", [&] { return client.SendText(counter, "X", "y", "t", 0); }, PM_ERR_BUSY},
        {"list", [&] { return client.RequestList(counter); }, PM_ERR_BUSY},
        {"fetch", [&] { return client.RequestFetch(counter, 4); }, PM_ERR_BUSY_FETCH},
        {"delete", [&] { return client.RequestDelete(counter, 4); }, PM_ERR_BUSY},
        {"url list", [&] { return client.RequestUrlList(counter); }, PM_ERR_BUSY_URL_LIST},
        {"friend list", [&] { return client.RequestFriendList(counter); }, PM_ERR_BUSY_FRIEND_LIST},
        {"body send", [&] { return client.SendWithBody(counter, "X", "y", "t", 0, "/nonexistent"); }, PM_ERR_BUSY_EXT_SEND},
        {"body receive", [&] { return client.RequestBody(counter, 3, "/tmp/x"); }, PM_ERR_BUSY_EXT_RECEIVE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.request(), c.code) << c.name;
        EXPECT_EQ(client.GetLastResult(), c.code) << c.name;
        EXPECT_EQ(client.Pending(), PM_KIND_FETCH) << c.name;
        EXPECT_EQ(counter, counterBefore) << c.name << ": a refused request changes nothing but the last result";
    }
    EXPECT_EQ(client.SendPresence(counter, 1), 0) << "presence answers 0 and keeps the code";
    EXPECT_EQ(client.GetLastResult(), PM_ERR_BUSY);
    EXPECT_EQ(Sends(client, PM_TYPE_FETCH), 1);
}

TEST_F(Connected, FetchThenDeleteAndTheWrongMessage)
{
    Connect();
    client.server = GoodServer;
    ASSERT_EQ(client.RequestFetch(counter, 77), 0);
    client.Pump();
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].wParam, PM_POST_FETCHED);
    PmMessage fetched;
    ASSERT_TRUE(ReadHostMessage(client.posts[0].bytes.data(), client.posts[0].bytes.size(), &fetched));
    EXPECT_EQ(fetched.number, 77u);
    EXPECT_EQ(fetched.text, "hello");
    EXPECT_EQ(fetched.time, 1700000000);
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE) << "a fetch returns the client to idle";
    ASSERT_EQ(client.RequestDelete(counter, 77), 0);
    client.Pump();
    ASSERT_EQ(client.posts.size(), 2u);
    EXPECT_EQ(client.posts[1].wParam, PM_POST_DELETED);

    client.TakePosts();
    client.server = [](FakeClient& c, const Seen& s) { c.Reply(FetchedMessage(s.header, 78, "other")); };
    ASSERT_EQ(client.RequestFetch(counter, 77), 0);
    client.Pump();
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].wParam, -1);
    EXPECT_EQ(client.posts[0].Type(), PM_ERR_FETCH_NO_REPLY);
    EXPECT_EQ(client.posts[0].bytes.size(), 28u);
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
}

TEST_F(Connected, MalformedFetchedMessagesAreFailures)
{
    Connect();
    struct Case {
        const char* name;
        std::function<std::vector<std::uint8_t>(const PmHeader&)> reply;
        int type;
    };
    const Case cases[] = {
        {"text length beyond the record",
         [](const PmHeader& h) {
             std::vector<std::uint8_t> r = FetchedMessage(h, 5, "abc");
             r[83] = 200; // claims 200 bytes of text
             return r;
         },
         PM_ERR_FETCH_NO_REPLY},
        {"text length above 900",
         [](const PmHeader& h) {
             std::vector<std::uint8_t> r = FetchedMessage(h, 5, "");
             r[82] = 0x04; // 1024
             r.resize(84 + 1024, 'x');
             return r;
         },
         PM_ERR_FETCH_NO_REPLY},
        {"a result instead", [](const PmHeader& h) { return ResultRecord(h, 0x55); }, PM_TYPE_RESULT},
    };
    for (const Case& c : cases) {
        client.server = [&c](FakeClient& fc, const Seen& s) { fc.Reply(c.reply(s.header)); };
        ASSERT_EQ(client.RequestFetch(counter, 5), 0);
        client.Pump();
        std::vector<Posted> posts = client.TakePosts();
        ASSERT_EQ(posts.size(), 1u) << c.name;
        EXPECT_EQ(posts[0].wParam, -1) << c.name;
        EXPECT_EQ(posts[0].Type(), c.type) << c.name;
        EXPECT_EQ(client.GetLastResult(), PM_ERR_FETCH_NO_REPLY) << c.name;
    }
}

TEST_F(Connected, PushedListsAreCheckedBeforeTheyArePosted)
{
    Connect();
    client.Reply(MessageList(0, 3));
    client.Pump();
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].message, 0x403u);
    EXPECT_EQ(client.posts[0].wParam, PM_POST_MESSAGE_LIST);
    EXPECT_EQ(client.posts[0].bytes.size(), 824u);
    PmMessageList list;
    ASSERT_TRUE(ReadHostMessageList(client.posts[0].bytes.data(), 824, &list));
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[2].number, 102u);
    EXPECT_EQ(list.entries[0].time, 1700000000);
    client.TakePosts();

    client.Reply(MessageList(0, 19));                        // too many: dropped
    client.Reply(MessageList(0, 2, "SOMEONEELSE00000"));     // not ours: not a list for us
    client.Reply(MessageList(0, 2, kLoginId, kSession + 1)); // another session
    std::vector<std::uint8_t> truncated = MessageList(0, 2);
    truncated.resize(truncated.size() - 10);
    client.Reply(truncated);
    client.Pump();
    EXPECT_TRUE(client.posts.empty());
}

TEST_F(Connected, AListRequestEndsWithOneReportWhateverAnswersIt)
{
    Connect();
    struct Case {
        const char* name;
        std::function<std::vector<std::uint8_t>(const PmHeader&)> reply;
        int wParam;
        int lastResult;
    };
    const Case cases[] = {
        {"list", [](const PmHeader& h) { return MessageList(h.sequence, 4); }, PM_POST_MESSAGE_LIST, 0},
        {"19 entries", [](const PmHeader& h) { return MessageList(h.sequence, 19); }, -1, PM_ERR_LIST_NO_REPLY},
        {"another session's list", [](const PmHeader& h) { return MessageList(h.sequence, 2, kLoginId, 9); }, -1,
         PM_ERR_UNEXPECTED_REPLY},
        {"a result", [](const PmHeader& h) { return ResultRecord(h, 0); }, -1, PM_ERR_UNEXPECTED_REPLY},
    };
    for (const Case& c : cases) {
        client.server = [&c](FakeClient& fc, const Seen& s) { fc.Reply(c.reply(s.header)); };
        ASSERT_EQ(client.RequestList(counter), 0);
        client.Pump();
        client.Advance(30000);
        std::vector<Posted> posts = client.TakePosts();
        ASSERT_EQ(posts.size(), 1u) << c.name;
        EXPECT_EQ(posts[0].message, 0x403u) << c.name;
        EXPECT_EQ(posts[0].wParam, c.wParam) << c.name;
        if (c.lastResult) {
            EXPECT_EQ(client.GetLastResult(), c.lastResult) << c.name;
        }
        EXPECT_EQ(client.Pending(), PM_KIND_IDLE) << c.name;
    }
    client.server = nullptr;
    ASSERT_EQ(client.RequestList(counter), 0);
    client.Advance(5000);
    EXPECT_EQ(Sends(client, PM_TYPE_LIST_REQUEST), 5) << "a list request is never resent";
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_LIST_NO_REPLY);
}

namespace {

// Serves a friend or URL list of `total` entries in pages of the sizes given (the last repeats).
struct PagedServer {
    std::uint32_t total;
    std::vector<std::uint16_t> sizes;
    std::vector<std::uint16_t> pagesAsked;
    std::vector<std::uint32_t> sequences;
    std::uint16_t served = 0;
    void operator()(FakeClient& c, const Seen& s)
    {
        if (s.header.type == PM_TYPE_LIST_CLEAR) {
            c.Reply(ResultRecord(s.header, 0));
            return;
        }
        PmListQuery q;
        ASSERT_TRUE(DecodeListQuery(s.record.data(), s.record.size(), &q));
        pagesAsked.push_back(q.page);
        sequences.push_back(s.header.sequence);
        const std::uint16_t n = sizes[std::min<std::size_t>(pagesAsked.size() - 1, sizes.size() - 1)];
        c.Reply(ListPage(s.header, total, n, served));
        served = static_cast<std::uint16_t>(served + n);
    }
};

} // namespace

TEST_F(Connected, AFriendListIsGatheredPageByPageThenCleared)
{
    Connect();
    msgclient::Host().SequenceCounter() = 40;
    auto paged = std::make_shared<PagedServer>(PagedServer{60, {25, 25, 10}, {}, {}, 0});
    client.server = [paged](FakeClient& c, const Seen& s) { (*paged)(c, s); };
    ASSERT_EQ(client.RequestFriendList(counter), 0);
    client.Pump();
    EXPECT_EQ(paged->pagesAsked, std::vector<std::uint16_t>({1, 2, 3}));
    EXPECT_EQ(paged->sequences, std::vector<std::uint32_t>({6, 41, 42}));
    ASSERT_EQ(client.posts.size(), 2u);
    const Posted& block = client.posts[0];
    EXPECT_EQ(block.message, 0x404u);
    EXPECT_EQ(block.wParam, PM_POST_LIST_COMPLETE);
    ASSERT_EQ(block.bytes.size(), 3636u);
    EXPECT_EQ(block.Type(), PM_LIST_KIND_FRIENDS);
    EXPECT_EQ(block.U32(28), 60u);
    std::uint16_t lastPage = 0;
    std::memcpy(&lastPage, block.bytes.data() + 34, 2);
    EXPECT_EQ(lastPage, 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.bytes.data() + 36 + 59 * 36)), "FRIEND59");
    EXPECT_EQ(block.U32(36 + 59 * 36 + 32), 59u);
    EXPECT_EQ(Sends(client, PM_TYPE_LIST_CLEAR), 1);
    EXPECT_EQ(client.posts[1].wParam, PM_POST_LIST_CLEARED);
    EXPECT_EQ(client.posts[1].Type(), PM_LIST_KIND_FRIENDS) << "the type field carries the list kind";
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
}

TEST_F(Connected, ListPagesAreBoundedWhateverTheServerClaims)
{
    struct Case {
        const char* name;
        std::uint32_t total;
        std::vector<std::uint16_t> sizes;
        int wParam;
        std::uint32_t gathered;
        std::size_t maxPages;
    };
    const Case cases[] = {
        {"total above the block", 300, {40}, PM_POST_LIST_COMPLETE, 100, 3},
        {"page overshoots the total", 10, {15}, PM_POST_LIST_COMPLETE, 15, 1},
        {"empty pages for ever", 50, {0}, -1, 0, 3},
        {"pages that never reach the total", 100, {1, 0, 0, 0}, -1, 0, 4},
    };
    Connect();
    for (const Case& c : cases) {
        auto paged = std::make_shared<PagedServer>(PagedServer{c.total, c.sizes, {}, {}, 0});
        client.server = [paged](FakeClient& fc, const Seen& s) { (*paged)(fc, s); };
        ASSERT_EQ(client.RequestUrlList(counter), 0) << c.name;
        client.Advance(60000);
        std::vector<Posted> posts = client.TakePosts();
        ASSERT_FALSE(posts.empty()) << c.name;
        EXPECT_EQ(posts[0].message, 0x404u) << c.name;
        EXPECT_EQ(posts[0].wParam, c.wParam) << c.name;
        if (c.wParam == PM_POST_LIST_COMPLETE) {
            EXPECT_EQ(posts[0].U32(28), c.gathered) << c.name;
            EXPECT_EQ(posts[0].Type(), PM_LIST_KIND_URLS) << c.name;
            ASSERT_EQ(posts.size(), 2u) << c.name;
            EXPECT_EQ(posts[1].wParam, PM_POST_LIST_CLEARED) << c.name;
        } else {
            EXPECT_EQ(posts.size(), 1u) << c.name;
            EXPECT_EQ(client.GetLastResult(), PM_ERR_BAD_LIST_REPLY) << c.name;
        }
        EXPECT_LE(paged->pagesAsked.size(), c.maxPages) << c.name;
        EXPECT_EQ(client.Pending(), PM_KIND_IDLE) << c.name;
    }
}

TEST_F(Connected, ListQueryFailuresReportOn0x404)
{
    struct Case {
        const char* name;
        std::function<void(FakeClient&, const Seen&)> server;
        int lastResult;
        int sends;
    };
    const Case cases[] = {
        {"refused", [](FakeClient& c, const Seen& s) { c.Reply(ResultRecord(s.header, 0x2222)); }, 0x2222, 1},
        {"neither page nor result", [](FakeClient& c, const Seen& s) { c.Reply(SessionAnswer(s.header, 0)); },
         PM_ERR_BAD_LIST_REPLY, 1},
        {"silent", nullptr, PM_ERR_FRIEND_LIST_NO_REPLY, 4},
    };
    Connect();
    for (const Case& c : cases) {
        client.seen.clear();
        client.server = c.server;
        ASSERT_EQ(client.RequestFriendList(counter), 0);
        client.Advance(30000);
        std::vector<Posted> posts = client.TakePosts();
        ASSERT_EQ(posts.size(), 1u) << c.name;
        EXPECT_EQ(posts[0].message, 0x404u) << c.name;
        EXPECT_EQ(posts[0].wParam, -1) << c.name;
        EXPECT_EQ(client.GetLastResult(), c.lastResult) << c.name;
        EXPECT_EQ(Sends(client, PM_TYPE_LIST_QUERY), c.sends) << c.name;
    }
}

TEST_F(Connected, PresenceAndUrlTexts)
{
    Connect();
    client.server = [](FakeClient& c, const Seen& s) {
        if (s.header.type == PM_TYPE_PRESENCE)
            c.Reply(ResultRecord(s.header, 0));
    };
    EXPECT_EQ(client.SendPresence(counter, 0x31), 0);
    client.Pump();
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].message, 0x404u);
    EXPECT_EQ(client.posts[0].wParam, PM_POST_PRESENCE_SET);

    const std::string url(600, 'u');
    ASSERT_EQ(client.SendUrl(counter, url), 0);
    PmUrlText sent;
    ASSERT_TRUE(DecodeU16(client.seen.back().record.data(), client.seen.back().record.size(), &sent));
    EXPECT_EQ(sent.text.size(), 512u);
    EXPECT_EQ(client.seen.back().record.size(), 542u);

    // A URL text that cannot go out leaves a pending request alone.
    client.server = nullptr;
    ASSERT_EQ(client.RequestFetch(counter, 1), 0);
    client.failMainSend = true;
    EXPECT_EQ(client.SendUrl(counter, "http://x/"), PM_ERR_URL_SEND);
    EXPECT_EQ(client.Pending(), PM_KIND_FETCH);
}

TEST_F(Connected, TcpFramesAreReassembledFromAnyChunks)
{
    Connect(PM_CONNECT_TCP);
    client.chunk = 5;
    ASSERT_EQ(client.SendText(counter, "X", "y", "t", 0), 0);
    // The answer arrives in 5-byte pieces, merged with a pushed list.
    std::vector<std::uint8_t> frames, f;
    std::vector<std::uint8_t> result = ResultRecord(client.seen.back().header, 0);
    BuildPacketWithSeed(true, result.data(), result.size(), f, 9);
    frames = f;
    std::vector<std::uint8_t> list = MessageList(0, 1);
    BuildPacketWithSeed(true, list.data(), list.size(), f, 10);
    frames.insert(frames.end(), f.begin(), f.end());
    client.ReplyRaw(frames);
    client.Pump();
    ASSERT_EQ(client.posts.size(), 2u);
    EXPECT_EQ(client.posts[0].wParam, PM_POST_SENT);
    EXPECT_EQ(client.posts[1].wParam, PM_POST_MESSAGE_LIST);
}

TEST_F(Connected, GarbageOnTheStreamIsDroppedAndTheRequestTimesOut)
{
    Connect(PM_CONNECT_TCP);
    ASSERT_EQ(client.SendText(counter, "X", "y", "t", 0), 0);
    client.ReplyRaw({'~', 0, 7, 0x11, 0, 0, 0, 36, 1, 2, 3, 4}); // bad checksum
    client.Advance(5000);
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_SEND_NO_REPLY);
}

TEST_F(Connected, ConnectionEventsEndThePendingRequestOnItsOwnMessage)
{
    struct Case {
        const char* name;
        std::function<int(FakeClient&, int&)> request;
        int code;
        unsigned message;
    };
    const Case cases[] = {
        {"message, closed", [](FakeClient& c, int& n) { return c.SendText(n, "X", "y", "t", 0); }, 0, 0x403},
        {"fetch, error", [](FakeClient& c, int& n) { return c.RequestFetch(n, 2); }, -1, 0x403},
        {"delete, network", [](FakeClient& c, int& n) { return c.RequestDelete(n, 2); }, -2, 0x403},
        {"list, closed", [](FakeClient& c, int& n) { return c.RequestList(n); }, 0, 0x403},
        {"friend list, error", [](FakeClient& c, int& n) { return c.RequestFriendList(n); }, -1, 0x404},
        {"presence, closed",
         [](FakeClient& c, int& n) {
             c.SendPresence(n, 1);
             return c.Pending() == PM_KIND_PRESENCE ? 0 : -1;
         },
         0, 0x404},
    };
    for (const Case& c : cases) {
        FakeClient tcp;
        tcp.server = GrantSessions;
        ASSERT_EQ(tcp.LoginAndConnect(PM_CONNECT_TCP), 0);
        int n = 0;
        ASSERT_EQ(c.request(tcp, n), 0) << c.name;
        tcp.ReplyEnd(c.code);
        tcp.Pump();
        ASSERT_EQ(tcp.posts.size(), 1u) << c.name;
        EXPECT_EQ(tcp.posts[0].message, c.message) << c.name;
        EXPECT_EQ(tcp.posts[0].wParam, -1) << c.name;
        EXPECT_EQ(tcp.posts[0].Type(), PM_ERR_CONNECTION_FAILED) << c.name;
        EXPECT_EQ(tcp.GetLastResult(), PM_ERR_CONNECTION_FAILED) << c.name;
        EXPECT_EQ(tcp.Pending(), PM_KIND_IDLE) << c.name;
        EXPECT_TRUE(tcp.timers.empty()) << c.name;
        tcp.Advance(30000);
        EXPECT_EQ(tcp.posts.size(), 1u) << c.name << ": no second report";
    }
}

TEST_F(Connected, AClosedIdleStreamIsReopenedByTheNextSend)
{
    Connect(PM_CONNECT_TCP);
    client.server = GoodServer;
    client.ReplyEnd(0);
    client.Pump();
    EXPECT_EQ(client.GetLastResult(), PM_ERR_TCP_SESSION_CLOSED);
    EXPECT_EQ(client.closes, 1);
    EXPECT_TRUE(client.posts.empty());
    ASSERT_EQ(client.SendText(counter, "X", "y", "t", 0), 0);
    client.Pump();
    EXPECT_EQ(client.opens, 2);
    EXPECT_EQ(Sends(client, PM_TYPE_SESSION_START), 1) << "the reopened stream starts its session again";
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].wParam, PM_POST_SENT);
}

TEST(MsgClientProxy, AClosedTunnelIsReopenedAndTheRequestSentAgainWithinTheLimit)
{
    struct Case {
        int closes;
        int wParam;
        int messageSends;
    };
    // A resend count of 3 allows two reconnects per request.
    const Case cases[] = {{1, PM_POST_SENT, 2}, {2, PM_POST_SENT, 3}, {3, PM_POST_FAILED, 3}};
    for (const Case& c : cases) {
        FakeClient client;
        int closesLeft = c.closes;
        client.server = [&closesLeft](FakeClient& fc, const Seen& s) {
            if (s.header.type == PM_TYPE_SESSION_START)
                fc.Reply(SessionAnswer(s.header, 0));
            else if (closesLeft-- > 0)
                fc.ReplyEnd(0);
            else
                fc.Reply(ResultRecord(s.header, 0));
        };
        ASSERT_EQ(client.Open(PM_CONNECT_TCP | PM_CONNECT_PROXY, "127.0.0.1", 8080, "", "", 3), 0);
        ASSERT_EQ(client.Mode(), PM_MODE_PROXY);
        ASSERT_EQ(client.ConnectChannel(), 0);
        int counter = 0;
        ASSERT_EQ(client.SendText(counter, "X", "y", "t", 0), 0);
        client.Advance(30000);
        ASSERT_EQ(client.posts.size(), 1u) << c.closes;
        EXPECT_EQ(client.posts[0].wParam, c.wParam) << c.closes;
        EXPECT_EQ(Sends(client, PM_TYPE_MESSAGE), c.messageSends) << c.closes;
        if (c.wParam == PM_POST_FAILED) {
            EXPECT_EQ(client.GetLastResult(), PM_ERR_CONNECTION_FAILED);
        }
    }
}

TEST_F(Connected, ShutdownReleasesEverything)
{
    Connect();
    ASSERT_EQ(client.RequestFriendList(counter), 0);
    const int dropsBefore = client.drops;
    client.Shutdown();
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
    EXPECT_TRUE(client.timers.empty());
    EXPECT_GT(client.drops, dropsBefore);
    EXPECT_EQ(client.SessionState(), PM_SESSION_NOT_STARTED);
    EXPECT_EQ(client.ProxyState(), PM_PROXY_IDLE);
    // The detached transport sends nothing any more.
    EXPECT_EQ(client.SendText(counter, "X", "y", "t", 0), PM_ERR_SEND_FAILED);
}

TEST(MsgClientFraming, PlainFramesWhenScramblingIsOff)
{
    FakeClient client;
    client.SetScramble(false);
    client.server = GrantSessions;
    ASSERT_EQ(client.LoginAndConnect(), 0);
    int counter = 0;
    client.seen.clear();
    ASSERT_EQ(client.RequestList(counter), 0);
    ASSERT_EQ(client.seen.size(), 1u);
    EXPECT_EQ(client.seen[0].record.size(), 28u);
    const std::vector<std::uint8_t>& frame = client.rawMain.back();
    ASSERT_EQ(frame.size(), 8u + 28u) << "header and the plain record, no seed";
    EXPECT_EQ(frame[2], 0x03);
    EXPECT_EQ(frame[3], 0x10);
    EXPECT_EQ(std::vector<std::uint8_t>(frame.begin() + 8, frame.end()), client.seen[0].record);
}

TEST(MsgClientLog, LinesCarryTheHeaderFields)
{
    PmHeader h;
    h.version = 0x0301;
    h.type = PM_TYPE_MESSAGE_LIST;
    h.sequence = 0xFFFFFFFF;
    h.commId = PmField("0123456789ABCDEF");
    h.session = 0x80000000;
    const std::vector<std::uint8_t> record = EncodeHeaderOnly(h);
    std::tm t{};
    t.tm_mday = 3;
    t.tm_hour = 4;
    t.tm_min = 5;
    t.tm_sec = 6;
    EXPECT_EQ(FormatPmLogLine(true, record.data(), record.size(), 2, t),
              "SEND,03:04:05:06, ver = 769, type = 11, seq = -1, session = 2147483648, ReSend = 2,  ID "
              "0123456789ABCDEF\r\n");
    EXPECT_EQ(FormatPmLogLine(false, record.data(), record.size(), 2, t),
              "RECV,03:04:05:06, ver = 769, type = 11, seq = -1, session = 2147483648, ID 0123456789ABCDEF\r\n");
    EXPECT_EQ(FormatPmLogLine(false, record.data(), 27, 0, t), "ERROR, CANT PRINT LOG DATA !!\r\n");
}

TEST(MsgClientLog, SwitchesFromTheCommandLine)
{
    struct Case {
        const char* args;
        bool on;
    };
    const Case cases[] = {{" -p", true}, {" -CP x", true}, {" -pc", true}, {" -c", false}, {" -px", false},
                          {"", false}, {" file.cni", false}, {" a -Pc", true}};
    for (const Case& c : cases)
        EXPECT_EQ(PmLogSwitchGiven(c.args), c.on) << c.args;
}
