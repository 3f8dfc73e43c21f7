// Extended-data transfers on the scripted server.
#include "messaging/client/tests/FakeClient.h"

#include "messaging/client/HostRecords.h"
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmResultCodes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

using namespace pmtest;

int DecodeBodyFile(std::FILE* temp, std::FILE* dest, PmResult* reply);

namespace {

std::string TempPath(const char* name)
{
    return ScratchPath(name);
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> Pattern(std::size_t n)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

// Runs until the worker has ended and its message was handled.
void Settle(FakeClient& c)
{
    for (int i = 0; i < 2000 && (c.WorkerRunning() || c.Pending() == PM_KIND_BODY_SEND); ++i) {
        c.Pump();
        if (!c.WorkerRunning() && c.Pending() != PM_KIND_BODY_SEND)
            break;
        if (c.Pending() == PM_KIND_BODY_SEND && !c.WorkerRunning())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    c.Pump();
}

struct BodySend : ::testing::Test {
    FakeClient client;
    int counter = 3;
    std::string path = TempPath("send");
    std::uint32_t answerCode = 0;
    bool answer = true;
    std::vector<std::uint8_t> body;
    void SetUp() override
    {
        client.server = [this](FakeClient& c, const Seen& s) {
            if (s.header.type == PM_TYPE_SESSION_START) {
                c.Reply(SessionAnswer(s.header, 0), s.data);
            } else if (s.header.type == PM_TYPE_EXT_SEND_HEADER && answer) {
                body.assign(s.record.begin() + 36, s.record.end());
                c.Reply(ResultRecord(s.header, answerCode), true);
            }
        };
        ASSERT_EQ(client.LoginAndConnect(), 0);
        client.SetSendMsgNumber(9);
    }
    void TearDown() override { std::remove(path.c_str()); }
};

} // namespace

TEST_F(BodySend, SendsOneFrameScrambledAsOneStream)
{
    struct Case {
        std::size_t size;
        std::uint64_t progress;
    };
    const Case cases[] = {{1460, 1460}, {1461, 1461}, {0, 0}, {5000, 5000}};
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> file = Pattern(c.size);
        WriteFile(path, file);
        client.progressBytes = 0;
        client.seen.clear();
        body.clear();
        ASSERT_EQ(client.SendWithBody(counter, "FEDCBA9876543210", "hanako", "t", 0, path), 0) << c.size;
        Settle(client);
        ASSERT_FALSE(client.WorkerRunning());
        std::vector<Posted> posts = client.TakePosts();
        ASSERT_EQ(posts.size(), 1u) << c.size;
        EXPECT_EQ(posts[0].wParam, PM_POST_BODY_SENT) << c.size;
        EXPECT_EQ(body, file) << c.size;
        EXPECT_EQ(client.progressBytes, c.progress) << c.size;
        // The record before the body: the message number and the file length.
        const Seen& header = client.seen.back();
        PmResult h;
        ASSERT_TRUE(DecodeResult(header.record.data(), 36, &h));
        EXPECT_EQ(h.first, client.GetSendMsgNumber() - 1);
        EXPECT_EQ(h.second, c.size);
        EXPECT_EQ(static_cast<int>(h.header.sequence), 3) << "the counter's value, not stepped";
        EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
    }
    EXPECT_EQ(client.GetSendMsgNumber(), 13u);
}

TEST_F(BodySend, RefusalAndSilenceEndWithOneReport)
{
    WriteFile(path, Pattern(3000));
    answerCode = 0x4444;
    ASSERT_EQ(client.SendWithBody(counter, "X", "y", "t", 0, path), 0);
    Settle(client);
    std::vector<Posted> posts = client.TakePosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].wParam, -1);
    EXPECT_EQ(client.GetLastResult(), 0x4444);

    answer = false;
    ASSERT_EQ(client.SendWithBody(counter, "X", "y", "t", 0, path), 0);
    Settle(client);
    client.Advance(5000);
    posts = client.TakePosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].wParam, -1);
    EXPECT_EQ(posts[0].Type(), PM_TYPE_EXT_SEND_HEADER);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_EXT_SEND_FAILED);
    client.Advance(30000);
    EXPECT_TRUE(client.TakePosts().empty());
}

TEST_F(BodySend, CancelReportsOnceAndTheWorkerIsJoined)
{
    WriteFile(path, Pattern(200000));
    answer = false;
    ASSERT_EQ(client.SendWithBody(counter, "X", "y", "t", 0, path), 0);
    client.OnCancel(PM_CANCEL_RUNNING); // at once: the worker may not even have started
    EXPECT_FALSE(client.WorkerRunning() && client.Pending() != PM_KIND_IDLE);
    Settle(client);
    client.OnCancel(PM_CANCEL_RUNNING); // a late second cancel
    client.Advance(30000);
    std::vector<Posted> posts = client.TakePosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].wParam, -1);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_EXT_CANCELLED);
    EXPECT_FALSE(client.WorkerRunning());
    EXPECT_LT(body.size(), 200000u);
}

TEST_F(BodySend, AWriteThatFailsHalfWayReportsOnce)
{
    WriteFile(path, Pattern(10000));
    answer = false;
    // The session start, the frame header, the record and two pieces go out; the third piece fails.
    client.dataSendsLeft = 5;
    ASSERT_EQ(client.SendWithBody(counter, "X", "y", "t", 0, path), 0);
    Settle(client);
    client.Advance(30000);
    std::vector<Posted> posts = client.TakePosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].wParam, -1);
    EXPECT_EQ(posts[0].Type(), PM_TYPE_EXT_SEND_HEADER);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_EXT_SEND_FAILED);
    EXPECT_EQ(client.progressBytes, 2920u);
    EXPECT_FALSE(client.WorkerRunning());
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
}

TEST_F(BodySend, FilesThatCannotBeSent)
{
    EXPECT_EQ(client.SendWithBody(counter, "X", "y", "t", 0, "/nonexistent/file"), PM_ERR_SEND_FILE_OPEN);
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
    WriteFile(path, Pattern(10));
    client.failDataSend = true;
    EXPECT_EQ(client.SendWithBody(counter, "X", "y", "t", 0, path), PM_ERR_SESSION_START_SEND)
        << "a session start that did not go out fails at once";
    EXPECT_EQ(client.now, 0u);
    EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
    EXPECT_TRUE(client.posts.empty());
}

namespace {

struct BodyReceive : ::testing::Test {
    FakeClient client;
    int counter = 3;
    std::string dest = TempPath("dest");
    std::vector<std::uint8_t> answerBytes; // what the server sends after the request
    void SetUp() override
    {
        client.server = [](FakeClient& c, const Seen& s) {
            if (s.header.type == PM_TYPE_SESSION_START)
                c.Reply(SessionAnswer(s.header, 0), s.data);
        };
        ASSERT_EQ(client.LoginAndConnect(), 0);
    }
    void TearDown() override { std::remove(dest.c_str()); }
    // The reply frame: record + body scrambled as one stream.
    static std::vector<std::uint8_t> Answer(std::uint32_t code, const std::vector<std::uint8_t>& body,
                                            std::uint32_t announced, std::uint16_t type = PM_TYPE_RESULT)
    {
        PmResult r;
        r.header.type = type;
        r.first = code;
        r.second = announced;
        std::vector<std::uint8_t> payload = EncodeResult(r);
        payload.insert(payload.end(), body.begin(), body.end());
        std::vector<std::uint8_t> frame;
        BuildPacketWithSeed(true, payload.data(), payload.size(), frame, 0xABCDEF01);
        return frame;
    }
    std::vector<Posted> Run(const std::vector<std::vector<std::uint8_t>>& chunks, std::uint32_t announced = 0)
    {
        if (client.RequestBody(counter, 77, dest, announced) != 0)
            return {};
        for (const auto& chunk : chunks)
            client.ReplyRaw(chunk, true);
        client.Pump();
        client.Advance(20000);
        return client.TakePosts();
    }
};

std::vector<std::vector<std::uint8_t>> Split(const std::vector<std::uint8_t>& bytes, std::vector<std::size_t> cuts)
{
    std::vector<std::vector<std::uint8_t>> out;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        out.emplace_back(bytes.begin() + at, bytes.begin() + cut);
        at = cut;
    }
    out.emplace_back(bytes.begin() + at, bytes.end());
    return out;
}

} // namespace

TEST_F(BodyReceive, GathersTheFrameFromAnyChunks)
{
    const std::vector<std::uint8_t> body = Pattern(3000);
    const std::vector<std::uint8_t> frame = Answer(0, body, 3000);
    for (const auto& cuts : {std::vector<std::size_t>{5}, std::vector<std::size_t>{}, std::vector<std::size_t>{12, 48, 1000}}) {
        std::vector<Posted> posts = Run(Split(frame, cuts));
        ASSERT_EQ(posts.size(), 1u);
        EXPECT_EQ(posts[0].wParam, PM_POST_BODY_RECEIVED);
        PmResult reply;
        ASSERT_TRUE(ReadHostResult(posts[0].bytes.data(), posts[0].bytes.size(), &reply));
        EXPECT_EQ(reply.second, 3000u);
        EXPECT_EQ(ReadFile(dest), body);
        EXPECT_EQ(client.Pending(), PM_KIND_IDLE);
    }
    PmU32Record request;
    ASSERT_TRUE(DecodeU32(client.seen.back().record.data(), client.seen.back().record.size(), &request));
    EXPECT_EQ(request.header.type, PM_TYPE_EXT_RECEIVE);
    EXPECT_EQ(request.value, 77u);
    EXPECT_TRUE(client.seen.back().data);
}

TEST_F(BodyReceive, BadAnswersAreFailuresNeverSuccess)
{
    const std::vector<std::uint8_t> body = Pattern(100);
    std::vector<std::uint8_t> badHeader = Answer(0, body, 100);
    badHeader[1] ^= 0x55;
    std::vector<std::uint8_t> extra = Answer(0, body, 100);
    extra.insert(extra.end(), {1, 2, 3, 4, 5});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::uint32_t announced;
        int wParam;
        int lastResult;
    };
    const Case cases[] = {
        {"refusal", Answer(0x1111, {}, 0), 0, -1, 0x1111},
        {"not a result", Answer(0, body, 100, PM_TYPE_MESSAGE), 0, -1, PM_ERR_EXT_BAD_REPLY},
        {"invalid frame header", badHeader, 0, -1, PM_ERR_EXT_BAD_REPLY},
        {"longer than announced", Answer(0, body, 100), 50, -1, PM_ERR_EXT_BAD_REPLY},
        {"length disagrees with the record", Answer(0, body, 99), 0, -1, PM_ERR_EXT_BAD_REPLY},
        {"reply without body", Answer(0, {}, 0), 0, PM_POST_BODY_RECEIVED, 0},
        {"bytes past the frame are cut", extra, 0, PM_POST_BODY_RECEIVED, 0},
        {"silence", {}, 0, -1, PM_ERR_EXT_RECEIVE_FAILED},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<std::uint8_t>> chunks;
        if (!c.bytes.empty())
            chunks.push_back(c.bytes);
        std::vector<Posted> posts = Run(chunks, c.announced);
        ASSERT_EQ(posts.size(), 1u) << c.name;
        EXPECT_EQ(posts[0].message, 0x403u) << c.name;
        EXPECT_EQ(posts[0].wParam, c.wParam) << c.name;
        if (c.wParam == -1) {
            EXPECT_EQ(client.GetLastResult(), c.lastResult) << c.name;
        }
        if (std::string(c.name) == "bytes past the frame are cut") {
            EXPECT_EQ(ReadFile(dest), body);
        }
        EXPECT_EQ(client.Pending(), PM_KIND_IDLE) << c.name;
    }
}

TEST_F(BodyReceive, CancelEndsTheReceiveOnce)
{
    ASSERT_EQ(client.RequestBody(counter, 5, dest), 0);
    const std::vector<std::uint8_t> answer = Answer(0, Pattern(5000), 5000);
    client.ReplyRaw(std::vector<std::uint8_t>(answer.begin(), answer.begin() + 100), true);
    client.Pump();
    client.OnCancel(PM_CANCEL_RUNNING);
    client.OnCancel(0);
    client.Advance(20000);
    std::vector<Posted> posts = client.TakePosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(client.GetLastResult(), PM_ERR_EXT_CANCELLED);
}

TEST(DecodeBodyFileTest, ChecksTheWholeFile)
{
    const std::string path = ScratchPath("decode");
    PmResult r;
    r.header.type = PM_TYPE_RESULT;
    r.second = 2000;
    std::vector<std::uint8_t> payload = EncodeResult(r);
    const std::vector<std::uint8_t> body = Pattern(2000);
    payload.insert(payload.end(), body.begin(), body.end());
    struct Case {
        const char* name;
        bool scramble;
        std::size_t trim;
        int result;
    };
    const Case cases[] = {{"scrambled", true, 0, 0}, {"plain", false, 0, 0}, {"short file", true, 10, PM_ERR_EXT_BAD_REPLY}};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> frame;
        BuildPacketWithSeed(c.scramble, payload.data(), payload.size(), frame, 42);
        frame.resize(frame.size() - c.trim);
        WriteFile(path, frame);
        std::FILE* temp = std::fopen(path.c_str(), "rb");
        std::FILE* dest = std::tmpfile();
        PmResult out;
        EXPECT_EQ(DecodeBodyFile(temp, dest, &out), c.result) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(out.second, 2000u);
            std::fseek(dest, 0, SEEK_SET);
            std::vector<std::uint8_t> got(2000);
            EXPECT_EQ(std::fread(got.data(), 1, got.size(), dest), 2000u);
            EXPECT_EQ(got, body) << c.name;
        }
        std::fclose(temp);
        std::fclose(dest);
    }
    std::remove(path.c_str());
}
