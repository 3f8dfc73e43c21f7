// The receive loops driven through every error path by a scripted socket shim, and the ownership
// rules around the self-deleting receive thread.
#include "net/socket/tests/HookRecorders.h"
#include "net/socket/tests/OwnerRecorder.h"
#include "net/socket/tests/ScriptedSocketApi.h"

#include "net/socket/SocketTimeout.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include <gtest/gtest.h>

namespace {

// Some checks here are made by AddressSanitizer (a bad free) and LeakSanitizer (a leak) rather
// than by an assertion; without them (the ThreadSanitizer build) those tests say so and skip.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NV_WITH_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define NV_WITH_ASAN 1
#endif
#if defined(NV_WITH_ASAN)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

void* const kOwner = reinterpret_cast<void*>(0x1234);
constexpr std::intptr_t kTcpEnd = 4321 | SOCKET_END_FLAG;

struct LoopCase {
    const char* name;
    std::deque<ScriptStep> steps;
    std::intptr_t expectedForm;
    int expectedChunks;
    std::size_t failureReports = 0; // what the loop threw reaches the failure hook
};

TEST(TcpReceiveLoop, EachReceiveErrorEndsWithTheRightFormOrRetries)
{
    const LoopCase cases[] = {
        {"peer closed", {{0}}, 0, 0},
        {"data then close", {{5}, {7}, {0}}, 0, 2},
        {"interrupted is retried", {{-1, nvnet::kWsaEintr}, {3}, {-1, nvnet::kWsaEconnreset}}, -1, 1},
        {"message size is retried", {{-1, nvnet::kWsaEmsgsize}, {0}}, 0, 0},
        {"not supported is retried", {{-1, nvnet::kWsaEopnotsupp}, {0}}, 0, 0},
        {"fault is a network failure", {{-1, nvnet::kWsaEfault}}, -2, 0},
        {"network down", {{-1, nvnet::kWsaEnetdown}}, -2, 0},
        {"network reset", {{-1, nvnet::kWsaEnetreset}}, -2, 0},
        {"timed out", {{-1, nvnet::kWsaEtimedout}}, -2, 0},
        {"invalid is an error", {{-1, nvnet::kWsaEinval}}, -1, 0},
        {"reset is an error", {{-1, nvnet::kWsaEconnreset}}, -1, 0},
        {"aborted is an error", {{-1, nvnet::kWsaEconnaborted}}, -1, 0},
        {"not a socket is an error", {{-1, nvnet::kWsaEnotsock}}, -1, 0},
        {"an exception still ends with a form", {{4}, {0, 0, true}}, -1, 1, 1},
    };
    for (const LoopCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSocketApi api;
        OwnerRecorder owner;
        FailureRecorder failures;
        api.ScriptReceive(c.steps);
        CTcpClient client(kOwner, 0, 0);
        ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", 80));
        ASSERT_TRUE(owner.WaitForEnd());
        auto messages = owner.Messages();
        ASSERT_EQ(static_cast<std::size_t>(c.expectedChunks + 1), messages.size());
        for (int i = 0; i < c.expectedChunks; ++i) {
            EXPECT_EQ(WM_SOCKET_RECEIVE, messages[i].message);
            EXPECT_EQ(SOCKET_RECORD_TCP, messages[i].kind);
            EXPECT_EQ(4321u, messages[i].port);
            EXPECT_TRUE(messages[i].terminated);
        }
        EXPECT_EQ(c.expectedForm, messages.back().wParam);
        EXPECT_EQ(kTcpEnd, messages.back().lParam);
        // The end form was posted: the thread may have deleted itself already. Close must cope.
        client.Close();
        EXPECT_EQ(messages.size(), owner.Messages().size()) << "no second end form";
        auto reports = failures.Reports();
        ASSERT_EQ(c.failureReports, reports.size());
        for (const auto& r : reports) {
            EXPECT_EQ("socket receive thread", r.where);
            EXPECT_EQ("scripted failure", r.what);
        }
    }
}

TEST(UdpReceiveLoop, SelectAndReceiveErrorsFollowTheirOwnTables)
{
    struct UdpCase {
        const char* name;
        std::deque<ScriptStep> select;
        std::deque<ScriptStep> receive;
        std::intptr_t expectedForm;
        int expectedChunks;
        std::size_t failureReports = 0;
    };
    const UdpCase cases[] = {
        {"select interrupted is retried", {{-1, nvnet::kWsaEintr}, {-1, nvnet::kWsaEnetdown}}, {}, -2, 0},
        {"select fault", {{-1, nvnet::kWsaEfault}}, {}, -2, 0},
        {"select invalid is a network failure", {{-1, nvnet::kWsaEinval}}, {}, -2, 0},
        {"select message size ends", {{-1, nvnet::kWsaEmsgsize}}, {}, -1, 0},
        {"select reset ends", {{-1, nvnet::kWsaEnetreset}}, {}, -1, 0},
        {"select timed out ends", {{-1, nvnet::kWsaEtimedout}}, {}, -1, 0},
        {"not readable goes round", {{0}, {-1, nvnet::kWsaEnetdown}}, {}, -2, 0},
        {"empty datagram is ignored", {}, {{0}, {6}, {-1, nvnet::kWsaEnetreset}}, -2, 1},
        {"oversized datagram is dropped", {}, {{-1, nvnet::kWsaEmsgsize}, {2}, {-1, nvnet::kWsaEinval}}, -1, 1},
        {"receive reset ends", {}, {{-1, nvnet::kWsaEconnreset}}, -1, 0},
        {"receive exception ends with a form", {}, {{0, 0, true}}, -1, 0, 1},
    };
    for (const UdpCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSocketApi api;
        OwnerRecorder owner;
        FailureRecorder failures;
        api.ScriptSelect(c.select);
        api.ScriptReceive(c.receive);
        CUdpEndpoint endpoint(kOwner, 0);
        ASSERT_EQ(SOCKET_OK, endpoint.Open("127.0.0.1", 9, 0));
        ASSERT_TRUE(owner.WaitForEnd());
        auto messages = owner.Messages();
        ASSERT_EQ(static_cast<std::size_t>(c.expectedChunks + 1), messages.size());
        for (int i = 0; i < c.expectedChunks; ++i)
            EXPECT_EQ(SOCKET_RECORD_UDP, messages[i].kind);
        EXPECT_EQ(c.expectedForm, messages.back().wParam);
        EXPECT_EQ(4321, messages.back().lParam) << "a UDP end form carries the bare port";
        endpoint.Close();
        EXPECT_EQ(c.failureReports, failures.Reports().size());
    }
}

TEST(TcpConnect, RefusedOrUnfinishedConnectionIsAnErrorNotSuccess)
{
    struct ConnectCase {
        const char* name;
        int connectError, waitResult, soError;
        SocketResult expected;
    };
    const ConnectCase cases[] = {
        {"immediate", 0, 1, 0, SOCKET_OK},
        {"completes within the wait", nvnet::kWsaEwouldblock, 1, 0, SOCKET_OK},
        {"refused while waiting", nvnet::kWsaEwouldblock, 1, nvnet::kWsaEconnrefused, SOCKET_ERR_CONNECT},
        {"never completes", nvnet::kWsaEwouldblock, 0, 0, SOCKET_ERR_CONNECT},
        {"select fails", nvnet::kWsaEwouldblock, -1, 0, SOCKET_ERR_CONNECT},
        {"refused at once", nvnet::kWsaEconnrefused, 1, 0, SOCKET_ERR_CONNECT},
    };
    for (const ConnectCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSocketApi api;
        OwnerRecorder owner;
        api.connectError = c.connectError;
        api.waitWritableResult = c.waitResult;
        api.waitWritableSoError = c.soError;
        CTcpClient client(kOwner, 0, 0);
        EXPECT_EQ(c.expected, client.Connect("127.0.0.1", 80));
        if (c.expected != SOCKET_OK) {
            EXPECT_EQ(c.expected, client.GetLastResult());
            EXPECT_FALSE(client.HasReceiver());
            EXPECT_FALSE(client.GetSocket().IsOpen());
            EXPECT_EQ(1, api.closes) << "the half-made socket is closed";
        }
        client.Close();
    }
}

TEST(ReceiveThread, RecordsWhosePostFailsAreFreed)
{
    // Every chunk is offered to the owner; that the refused ones are freed is LeakSanitizer's
    // check at exit.
    if (!kAddressSanitizer)
        GTEST_SKIP() << "the freeing is checked by LeakSanitizer, which this build lacks";
    ScriptedSocketApi api;
    OwnerRecorder owner;
    owner.RefusePosts(true);
    api.ScriptReceive({{100}, {200}, {1460}}); // then blocks until closed
    CTcpClient client(kOwner, 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", 80));
    ASSERT_TRUE(owner.WaitForRefused(3)) << "each chunk was offered";
    client.Close();
    EXPECT_EQ(4, owner.Refused()) << "three chunks and the end form";
    EXPECT_TRUE(owner.Messages().empty());
}

TEST(ReceiveThread, CloseStopsABlockedThreadAndTheOwnerGetsOneEndForm)
{
    ScriptedSocketApi api;
    OwnerRecorder owner;
    api.ScriptReceive({{10}}); // then blocks until closed
    CTcpClient client(kOwner, 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", 80));
    ASSERT_TRUE(owner.WaitFor([](const std::vector<OwnerMessage>& m) { return !m.empty(); }));
    client.Close(); // returns only after the thread has ended
    auto ends = owner.EndForms();
    ASSERT_EQ(1u, ends.size());
    EXPECT_EQ(-1, ends[0].wParam);
    EXPECT_FALSE(client.HasReceiver());
    EXPECT_EQ(1, api.closes) << "the shared handle is closed once, by the stop";
}

TEST(SocketSends, LengthAndResolutionRules)
{
    ScriptedSocketApi api;
    OwnerRecorder owner;
    CUdpEndpoint endpoint(kOwner, 0);
    ASSERT_EQ(SOCKET_OK, endpoint.Open("", 9, 0));
    EXPECT_EQ(SOCKET_ERR_EMPTY, endpoint.Send("x", 0));
    EXPECT_EQ(SOCKET_ERR_EMPTY, endpoint.SendTo("x", -1, "127.0.0.1", 9));
    EXPECT_EQ(SOCKET_ERR_EMPTY, endpoint.GetLastResult());
    EXPECT_EQ(SOCKET_OK, endpoint.Send("abc", 3));
    EXPECT_EQ(SOCKET_ERR_EMPTY, endpoint.GetLastResult()) << "a success leaves the last result";
    endpoint.Close();

    CTcpClient client(kOwner, 0, 0);
    EXPECT_EQ(SOCKET_ERR_EMPTY, client.Send("x", 0));
}

TEST(FreeSocketBuffer, EndFormCountsFreeNothing)
{
    if (!kAddressSanitizer)
        GTEST_SKIP() << "a wrong free is found by AddressSanitizer, which this build lacks";
    std::uint8_t block[2] = {};
    SocketDataRecord record{SOCKET_RECORD_TCP, 1, block};
    // Freeing any of these would be a bad free that AddressSanitizer reports.
    for (int count : {0, -1, -2, 1461, 100000})
        FreeSocketBuffer(count, &record);
    // A data count frees both blocks (LeakSanitizer reports them at exit otherwise).
    auto* heap = new SocketDataRecord{SOCKET_RECORD_UDP, 2, new std::uint8_t[1461]};
    FreeSocketBuffer(1460, heap);
}

} // namespace
