// One owner per socket handle: the endpoint, its receive thread and a time-out guard share it, so
// once any of them has closed it nobody uses the value again, even though the system hands the
// value to another socket at once (HandleRecordingApi records every such stray use). Also the
// bounded stop: a receive thread that does not end is left to end on its own.
#include "net/socket/tests/HandleRecordingApi.h"
#include "net/socket/tests/HookRecorders.h"
#include "net/socket/tests/OwnerRecorder.h"

#include "net/socket/RecvThreads.h"
#include "net/socket/SocketTimeout.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

namespace {

void* const kOwner = reinterpret_cast<void*>(0x7777);
constexpr std::intptr_t kTcpEnd = 4321 | SOCKET_END_FLAG;

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const auto& line : lines)
        all += line + "\n";
    return all;
}

TEST(SocketOwner, ATimeOutClosesTheConnectionWhileTheWindowThreadSends)
{
    enum class Guard { OnTheSend, OnTheReceive };
    const struct {
        const char* name;
        Guard guard;
    } rows[] = {
        // The window thread is blocked in a guarded send when its guard fires; the receive thread
        // is blocked in recv on the same handle and wakes with WSAEINTR, which it would retry.
        {"the send's guard fires", Guard::OnTheSend},
        // The receive thread's guard closes the handle; the window thread sends afterwards.
        {"the receive's guard fires", Guard::OnTheReceive},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HandleRecordingApi api;
        OwnerRecorder owner;
        FailureRecorder failures;
        ManualClock clock;
        const std::uint32_t guardMs = 200;
        CTcpClient client(kOwner, row.guard == Guard::OnTheReceive ? guardMs : 0, 0);
        ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", 80));
        ASSERT_TRUE(api.WaitForBlockedCalls(1)) << "the receive thread waits in recv";
        ASSERT_EQ(SOCKET_OK, client.Send("before", 6));

        if (row.guard == Guard::OnTheSend) {
            api.BlockSends(true);
            auto window = std::async(std::launch::async, [&] { return client.SendText(guardMs, "stalled"); });
            ASSERT_TRUE(api.WaitForBlockedCalls(2)) << "the send blocks beside the receive";
            clock.Advance(guardMs);
            ASSERT_EQ(std::future_status::ready, window.wait_for(std::chrono::seconds(10)));
            EXPECT_EQ(SOCKET_ERR_SHORT_SEND, window.get());
            api.BlockSends(false);
        } else {
            clock.Advance(guardMs);
        }
        ASSERT_TRUE(owner.WaitForEnd());

        // The window thread goes on sending before it handles the end form.
        EXPECT_EQ(SOCKET_ERR_SHORT_SEND, client.Send("after", 5));
        EXPECT_EQ(SOCKET_ERR_SHORT_SEND, client.SendText(guardMs, "after"));
        EXPECT_EQ(SOCKET_ERR_SHORT_SEND, client.GetLastResult());
        EXPECT_FALSE(client.GetSocket().IsOpen()) << "the endpoint sees the thread's close";
        client.ReleaseReceiver();
        client.Close();

        EXPECT_EQ("", Joined(api.Strays())) << "a closed handle value was used again";
        EXPECT_EQ(1, api.OwnCloses()) << "the shared handle is closed exactly once";
        EXPECT_EQ(1, api.DeliveredSends()) << "only the send before the time-out went out";
        auto ends = owner.EndForms();
        ASSERT_EQ(1u, ends.size());
        EXPECT_EQ(-1, ends[0].wParam);
        EXPECT_EQ(kTcpEnd, ends[0].lParam);
        EXPECT_EQ(0, PendingSocketTimeouts());
        EXPECT_TRUE(failures.Reports().empty());
    }
}

TEST(SocketOwner, AfterCloseSendsFailWithTheLibrarysCodeAndReachNothing)
{
    HandleRecordingApi api;
    OwnerRecorder owner;
    CTcpClient client(kOwner, 0, 0);
    CUdpEndpoint endpoint(kOwner, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", 80));
    ASSERT_EQ(SOCKET_OK, endpoint.Open("127.0.0.1", 9, 0));
    client.Close();
    endpoint.Close();
    const struct {
        const char* name;
        std::function<SocketResult()> send;
        SocketResult expected;
    } rows[] = {
        {"TCP Send", [&] { return client.Send("x", 1); }, SOCKET_ERR_SHORT_SEND},
        {"TCP SendText", [&] { return client.SendText(100, "x"); }, SOCKET_ERR_SHORT_SEND},
        {"UDP Send", [&] { return endpoint.Send("x", 1); }, SOCKET_ERR_SHORT_SENDTO},
        {"UDP SendTo", [&] { return endpoint.SendTo("x", 1, "127.0.0.1", 9); }, SOCKET_ERR_SHORT_SENDTO},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, row.send());
    }
    EXPECT_EQ("", Joined(api.Strays()));
    EXPECT_EQ(0, api.DeliveredSends());
    EXPECT_EQ(2, api.OwnCloses());
    EXPECT_EQ(2u, owner.EndForms().size());
}

TEST(SocketOwner, AStopThatOverrunsItsLimitLeavesTheThreadToEndOnItsOwn)
{
    const struct {
        const char* name;
        bool udp;
        std::intptr_t endParam;
    } rows[] = {
        {"TCP", false, kTcpEnd},
        {"UDP with its traffic log", true, 4321},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HandleRecordingApi api;
        OwnerRecorder owner;
        FailureRecorder failures;
        api.IgnoreCloses(true); // the blocked call does not come back when its socket is closed
        SetReceiverStopLimit(100);
        std::unique_ptr<CTcpClient> client;
        std::unique_ptr<CUdpEndpoint> endpoint;
        if (row.udp) {
            endpoint = std::make_unique<CUdpEndpoint>(kOwner, 1);
            ASSERT_EQ(SOCKET_OK, endpoint->Open("127.0.0.1", 9, 0));
        } else {
            client = std::make_unique<CTcpClient>(kOwner, 0, 0);
            ASSERT_EQ(SOCKET_OK, client->Connect("127.0.0.1", 80));
        }
        ASSERT_TRUE(api.WaitForBlockedCalls(1));

        // The window thread must not hang on a thread that does not end.
        auto closing = std::async(std::launch::async, [&] {
            if (endpoint)
                endpoint->Close();
            else
                client->Close();
        });
        ASSERT_EQ(std::future_status::ready, closing.wait_for(std::chrono::seconds(10)));
        ASSERT_TRUE(failures.WaitForCount(1));
        auto reports = failures.Reports();
        ASSERT_EQ(1u, reports.size());
        EXPECT_EQ("socket receive thread", reports[0].where);
        EXPECT_FALSE(endpoint ? endpoint->HasReceiver() : client->HasReceiver());
        // The endpoint goes while its thread still runs; the thread touches nothing of it
        // (AddressSanitizer would report a use after free).
        endpoint.reset();
        client.reset();
        EXPECT_TRUE(owner.EndForms().empty());

        api.ReleaseStuckCalls();
        ASSERT_TRUE(owner.WaitForEnd());
        auto ends = owner.EndForms();
        ASSERT_EQ(1u, ends.size());
        EXPECT_EQ(-1, ends[0].wParam);
        EXPECT_EQ(row.endParam, ends[0].lParam);
        EXPECT_EQ("", Joined(api.Strays()));
        EXPECT_EQ(1u, failures.Reports().size()) << "the late end is no failure";
        SetReceiverStopLimit(0);
    }
}

} // namespace
