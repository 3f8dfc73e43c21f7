// CTcpClient and CUdpEndpoint under Windows with a real owner window, against the Python peers
// that CTest starts (fixtures peer_tcp_echo, peer_tcp_accept_close, ...). Each case compares what
// the window received, in order, with the expected message sequence.
#include <winsock2.h>

#include "net/socket/tests/win/OwnerWindow.h"

#include "net/socket/SocketTimeout.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

using nvtest::RecordedMessage;

std::uint16_t PeerPort(const char* name)
{
    std::string folder = nvtest::Env("NV_PEER_DIR");
    std::ifstream in(nvtest::UnixToWindowsPath(folder + "/" + name + ".port"));
    int port = 0;
    in >> port;
    return static_cast<std::uint16_t>(port);
}

LPARAM TcpEnd(CTcpClient& client)
{
    return static_cast<LPARAM>(client.GetSocket().GetLocalPort() | SOCKET_END_FLAG);
}

const WPARAM kEndClosed = 0;
const WPARAM kEndError = static_cast<WPARAM>(-1);

std::string Pattern(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

TEST(TcpOwnerWindow, EchoThenCloseGivesTheDataAndOneErrorForm)
{
    std::uint16_t port = PeerPort("tcp_echo");
    ASSERT_NE(0, port);
    OwnerWindow owner;
    CTcpClient client(owner.Handle(), 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", port));
    owner.expectedPort = static_cast<std::uint32_t>(client.GetSocket().GetLocalPort());
    const LPARAM end = TcpEnd(client);
    ASSERT_EQ(SOCKET_OK, client.Send("hello", 5));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.data.size() >= 5; }, 10000));
    client.Close();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.endForms > 0; }, 10000));
    nvtest::PumpPending();
    EXPECT_EQ("", owner.sequence.Compare({{WM_SOCKET_RECEIVE, 5, SOCKET_RECORD_TCP},
                                          {WM_SOCKET_RECEIVE, kEndError, end}}));
    EXPECT_EQ("hello", owner.data);
    EXPECT_TRUE(owner.allTerminated);
    EXPECT_TRUE(owner.portsMatch);
}

TEST(TcpOwnerWindow, PeerThatClosesOrResetsEndsTheThreadWithItsForm)
{
    const struct {
        const char* peer;
        const char* firstBytes;
        WPARAM form;
        bool resetMayLookClosed;
    } cases[] = {
        {"tcp_accept_close", nullptr, kEndClosed, false},
        {"tcp_reset", "x", kEndError, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.peer);
        OwnerWindow owner;
        CTcpClient client(owner.Handle(), 0, 0);
        ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", PeerPort(c.peer)));
        const LPARAM end = TcpEnd(client);
        if (c.firstBytes) {
            ASSERT_EQ(SOCKET_OK, client.SendText(5000, c.firstBytes));
        }
        ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.endForms > 0; }, 10000));
        client.ReleaseReceiver();
        client.Close();
        nvtest::PumpPending();
        std::string asExpected = owner.sequence.Compare({{WM_SOCKET_RECEIVE, c.form, end}});
        // Wine sometimes reports a reset as an orderly close (its socket layer can take the
        // error before recv sees it); Windows gives WSAECONNRESET. Either way: one end form.
        if (c.resetMayLookClosed && !asExpected.empty())
            asExpected = owner.sequence.Compare({{WM_SOCKET_RECEIVE, kEndClosed, end}});
        EXPECT_EQ("", asExpected);
    }
}

TEST(TcpOwnerWindow, FloodArrivesWholeInOrderInSegmentSizedChunks)
{
    OwnerWindow owner;
    CTcpClient client(owner.Handle(), 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", PeerPort("tcp_flood")));
    const LPARAM end = TcpEnd(client);
    const std::size_t total = 1 << 20;
    ASSERT_EQ(SOCKET_OK, client.SendText(5000, "1048576\n"));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.endForms > 0; }, 30000));
    client.ReleaseReceiver();
    client.Close();
    EXPECT_TRUE(owner.data == Pattern(total)) << "got " << owner.data.size() << " bytes";
    const auto& items = owner.sequence.Items();
    ASSERT_FALSE(items.empty());
    for (std::size_t i = 0; i + 1 < items.size(); ++i) {
        ASSERT_GE(1460u, items[i].wParam) << i;
        ASSERT_EQ(static_cast<LPARAM>(SOCKET_RECORD_TCP), items[i].lParam) << i;
    }
    EXPECT_EQ((RecordedMessage{WM_SOCKET_RECEIVE, kEndClosed, end}), items.back());
}

TEST(TcpOwnerWindow, CloseWhileDataFlowsStopsTheThreadWithOneEndForm)
{
    OwnerWindow owner;
    CTcpClient client(owner.Handle(), 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", PeerPort("tcp_flood")));
    const LPARAM end = TcpEnd(client);
    ASSERT_EQ(SOCKET_OK, client.SendText(5000, "67108864\n"));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.chunks > 0; }, 10000));
    client.Close(); // the thread is busy receiving; Close returns once it has ended
    EXPECT_FALSE(client.HasReceiver());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.endForms > 0; }, 10000));
    nvtest::PumpPending();
    EXPECT_EQ(1, owner.endForms);
    EXPECT_EQ((RecordedMessage{WM_SOCKET_RECEIVE, kEndError, end}), owner.sequence.Items().back());
    EXPECT_TRUE(owner.data == Pattern(owner.data.size())) << "what came before the close is intact";
}

TEST(TcpOwnerWindow, CloseRacingThePeersCloseGivesOneEndFormEachTime)
{
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        OwnerWindow owner;
        CTcpClient client(owner.Handle(), 0, 0);
        ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", PeerPort("tcp_accept_close")));
        client.Close(); // the thread may be ending on its own at this moment
        ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.endForms > 0; }, 10000));
        nvtest::PumpPending();
        EXPECT_EQ(1, owner.endForms);
    }
}

TEST(TcpOwnerWindow, SilentPeerIsEndedByTheReceiveTimeOut)
{
    OwnerWindow owner;
    CTcpClient client(owner.Handle(), 300, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", PeerPort("tcp_silent")));
    const LPARAM end = TcpEnd(client);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.endForms > 0; }, 10000));
    client.ReleaseReceiver();
    client.Close();
    nvtest::PumpPending();
    EXPECT_EQ("", owner.sequence.Compare({{WM_SOCKET_RECEIVE, kEndError, end}}));
    EXPECT_TRUE(nvtest::PumpUntil([] { return PendingSocketTimeouts() == 0; }, 5000));
}

TEST(TcpOwnerWindow, RefusedPortIsAConnectErrorAndPostsNothing)
{
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int length = sizeof a;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&a), &length);
    ::closesocket(probe); // the port is free again: nothing listens there
    OwnerWindow owner;
    CTcpClient client(owner.Handle(), 0, 0);
    EXPECT_EQ(SOCKET_ERR_CONNECT, client.Connect("127.0.0.1", ntohs(a.sin_port)));
    EXPECT_FALSE(client.HasReceiver());
    nvtest::PumpPending();
    EXPECT_TRUE(owner.sequence.Items().empty());
}

TEST(UdpOwnerWindow, DatagramsFromTwoSendersThenCloseWithTheBarePort)
{
    OwnerWindow owner;
    CUdpEndpoint endpoint(owner.Handle(), 0);
    ASSERT_EQ(SOCKET_OK, endpoint.Open("127.0.0.1", PeerPort("udp_echo"), 0));
    const LPARAM port = endpoint.GetSocket().GetLocalPort();
    owner.expectedPort = static_cast<std::uint32_t>(port);
    ASSERT_EQ(SOCKET_OK, endpoint.Send("twice:abc", 9));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.chunks >= 2; }, 10000));
    endpoint.Close();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return owner.endForms > 0; }, 10000));
    nvtest::PumpPending();
    // The two answers come from different sockets of the peer; their order is not fixed.
    EXPECT_TRUE(owner.data == "twice:abcsecond:abc" || owner.data == "second:abctwice:abc") << owner.data;
    std::vector<RecordedMessage> expected = {{WM_SOCKET_RECEIVE, owner.data[0] == 't' ? 9u : 10u, SOCKET_RECORD_UDP},
                                             {WM_SOCKET_RECEIVE, owner.data[0] == 't' ? 10u : 9u, SOCKET_RECORD_UDP},
                                             {WM_SOCKET_RECEIVE, kEndError, port}};
    EXPECT_EQ("", owner.sequence.Compare(expected));
    EXPECT_TRUE(owner.allTerminated);
    EXPECT_TRUE(owner.portsMatch);
}

// The platform's way to the owner with every call counted, so a test can tell "nothing was
// posted" from "nothing arrived".
class CountingOwnerChannel {
public:
    CountingOwnerChannel()
    {
        s_posts = 0;
        s_checks = 0;
        nvnet::OwnerChannel channel;
        channel.post = &Post;
        channel.isAlive = &IsAlive;
        nvnet::SetOwnerChannel(channel);
    }
    ~CountingOwnerChannel() { nvnet::ResetOwnerChannel(); }
    int Posts() const { return s_posts; }
    int AliveChecks() const { return s_checks; }

private:
    static bool Post(nvnet::SocketOwner owner, unsigned message, std::uintptr_t w, std::intptr_t l)
    {
        ++s_posts;
        return nvnet::PlatformOwnerChannel().post(owner, message, w, l);
    }
    static bool IsAlive(nvnet::SocketOwner owner)
    {
        ++s_checks;
        return nvnet::PlatformOwnerChannel().isAlive(owner);
    }
    static std::atomic<int> s_posts;
    static std::atomic<int> s_checks;
};
std::atomic<int> CountingOwnerChannel::s_posts{0};
std::atomic<int> CountingOwnerChannel::s_checks{0};

TEST(UdpOwnerWindow, NoEndFormReachesAWindowThatIsGone)
{
    CountingOwnerChannel channel;
    OwnerWindow owner;
    CUdpEndpoint endpoint(owner.Handle(), 0);
    ASSERT_EQ(SOCKET_OK, endpoint.Open("127.0.0.1", PeerPort("udp_echo"), 0));
    owner.Destroy();
    endpoint.Close(); // the thread ends with its end form unposted and returns
    EXPECT_FALSE(endpoint.HasReceiver());
    EXPECT_EQ(1, channel.AliveChecks()) << "the thread reached its end and asked about the window";
    EXPECT_EQ(0, channel.Posts()) << "nothing was posted to the window that is gone";
    nvtest::PumpPending();
    EXPECT_TRUE(owner.sequence.Items().empty());
}

} // namespace
