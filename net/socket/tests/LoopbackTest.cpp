// CTcpClient and CUdpEndpoint over real loopback sockets (the native BSD shim), with the owner
// recorded in place of a window.
#include "net/socket/tests/LoopbackPeer.h"
#include "net/socket/tests/OwnerRecorder.h"

#include "net/socket/SocketTimeout.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace {

void* const kOwner = reinterpret_cast<void*>(0x5678);

std::intptr_t TcpEnd(CTcpClient& client)
{
    return client.GetSocket().GetLocalPort() | SOCKET_END_FLAG;
}

TEST(TcpLoopback, EchoArrivesAsTerminatedRecordsAndCloseEndsWithOneForm)
{
    OwnerRecorder owner;
    LoopbackPeer peer(PeerBehaviour::Echo);
    CTcpClient client(kOwner, 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", peer.Port()));
    const std::intptr_t end = TcpEnd(client);
    std::string sent;
    for (int i = 0; i < 20; ++i) {
        std::string chunk = "chunk " + std::to_string(i) + ";";
        ASSERT_EQ(SOCKET_OK, client.Send(chunk.data(), static_cast<int>(chunk.size())));
        sent += chunk;
    }
    ASSERT_TRUE(owner.WaitFor([&](const std::vector<OwnerMessage>& m) { return DataOf(m).size() >= sent.size(); }))
        << owner.Data();
    EXPECT_EQ(sent, owner.Data());
    for (const auto& m : owner.Messages()) {
        EXPECT_EQ(SOCKET_RECORD_TCP, m.kind);
        EXPECT_EQ(static_cast<std::uint32_t>(end & 0xFFFF), m.port);
        EXPECT_TRUE(m.terminated);
        EXPECT_LE(m.data.size(), 1460u);
    }
    client.Close();
    auto ends = owner.EndForms();
    ASSERT_EQ(1u, ends.size());
    EXPECT_EQ(-1, ends[0].wParam);
    EXPECT_EQ(end, ends[0].lParam);
}

TEST(TcpLoopback, PeerEndingTheConnectionGivesExactlyOneEndForm)
{
    const struct {
        const char* name;
        PeerBehaviour behaviour;
        std::intptr_t form;
    } cases[] = {
        {"accept then close", PeerBehaviour::AcceptThenClose, 0},
        {"reset", PeerBehaviour::Reset, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerRecorder owner;
        LoopbackPeer peer(c.behaviour);
        CTcpClient client(kOwner, 0, 0);
        ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", peer.Port()));
        const std::intptr_t end = TcpEnd(client);
        if (c.behaviour == PeerBehaviour::Reset)
            ASSERT_EQ(SOCKET_OK, client.Send("x", 1));
        ASSERT_TRUE(owner.WaitForEnd());
        // The owner handles the end form as the Parts say: release, then close.
        client.ReleaseReceiver();
        client.Close();
        auto messages = owner.Messages();
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ(c.form, messages[0].wParam);
        EXPECT_EQ(end, messages[0].lParam);
    }
}

TEST(TcpLoopback, RefusedPortAndUnknownHostFailWithoutAThread)
{
    OwnerRecorder owner;
    CTcpClient client(kOwner, 0, 0);
    EXPECT_EQ(SOCKET_ERR_CONNECT, client.Connect("127.0.0.1", RefusedPort()));
    EXPECT_EQ(SOCKET_ERR_CONNECT, client.GetLastResult());
    EXPECT_FALSE(client.HasReceiver());
    EXPECT_EQ(SOCKET_ERR_CONNECT, client.Connect("no-such-host.invalid", 80));
    client.Close();
    EXPECT_TRUE(owner.Messages().empty());
}

TEST(TcpLoopback, CloseRacingThePeersCloseNeverTouchesAGoneThread)
{
    // The thread ends on its own (peer closed) at about the moment the owner closes. Whatever the
    // order, exactly one end form arrives and AddressSanitizer sees no use of a deleted thread.
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        OwnerRecorder owner;
        LoopbackPeer peer(PeerBehaviour::AcceptThenClose);
        CTcpClient client(kOwner, 0, 0);
        ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", peer.Port()));
        client.Close();
        ASSERT_TRUE(owner.WaitForEnd());
        EXPECT_EQ(1u, owner.EndForms().size());
    }
}

TEST(TcpLoopback, SendTextSendsLongTextsWhole)
{
    OwnerRecorder owner;
    LoopbackPeer peer(PeerBehaviour::Sink);
    CTcpClient client(kOwner, 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", peer.Port()));
    std::string text(70000, 'a'); // more than 16 bits of length
    EXPECT_EQ(SOCKET_OK, client.SendText(5000, text.c_str()));
    EXPECT_EQ(SOCKET_OK, client.SendText(5000, ""));
    ASSERT_TRUE(peer.WaitReceived(text.size()));
    EXPECT_EQ(text.size(), peer.Received());
    EXPECT_EQ(0, PendingSocketTimeouts()) << "finished guards are removed";
    client.Close();
}

class UdpSender {
public:
    UdpSender() : m_fd(::socket(AF_INET, SOCK_DGRAM, 0))
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~UdpSender() { ::close(m_fd); }
    void SendTo(std::uint16_t port, const std::string& data)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        ::sendto(m_fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    std::uint16_t Port() const
    {
        sockaddr_in a{};
        socklen_t n = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &n);
        return ntohs(a.sin_port);
    }
    std::string Receive()
    {
        char buf[2048];
        ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    }

private:
    int m_fd;
};

TEST(UdpLoopback, DatagramsFromTwoSendersArriveOneRecordEachAndEmptyOnesAreDropped)
{
    OwnerRecorder owner;
    UdpSender first, second;
    CUdpEndpoint endpoint(kOwner, 0);
    ASSERT_EQ(SOCKET_OK, endpoint.Open("127.0.0.1", first.Port(), 0));
    int port = endpoint.GetSocket().GetLocalPort();
    ASSERT_GT(port, 0);
    first.SendTo(static_cast<std::uint16_t>(port), "one");
    second.SendTo(static_cast<std::uint16_t>(port), "");
    second.SendTo(static_cast<std::uint16_t>(port), "two");
    ASSERT_TRUE(owner.WaitFor([](const std::vector<OwnerMessage>& m) { return m.size() >= 2; }));
    auto messages = owner.Messages();
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("one", messages[0].data);
    EXPECT_EQ("two", messages[1].data);
    for (const auto& m : messages) {
        EXPECT_EQ(SOCKET_RECORD_UDP, m.kind);
        EXPECT_EQ(static_cast<std::uint32_t>(port), m.port);
        EXPECT_TRUE(m.terminated);
    }
    // Send goes to the stored peer, SendTo to any destination.
    ASSERT_EQ(SOCKET_OK, endpoint.Send("to-first", 8));
    EXPECT_EQ("to-first", first.Receive());
    ASSERT_EQ(SOCKET_OK, endpoint.SendTo("to-second", 9, "127.0.0.1", second.Port()));
    EXPECT_EQ("to-second", second.Receive());
    ASSERT_EQ(SOCKET_OK, endpoint.SendTo("local", 5, "", second.Port())) << "empty host is this machine";
    EXPECT_EQ("local", second.Receive());
    EXPECT_EQ(SOCKET_ERR_SHORT_SENDTO, endpoint.SendTo("x", 1, "no-such-host.invalid", 9));

    endpoint.Close();
    auto ends = owner.EndForms();
    ASSERT_EQ(1u, ends.size());
    EXPECT_EQ(-1, ends[0].wParam);
    EXPECT_EQ(port, ends[0].lParam);
}

TEST(UdpLoopback, BindingAPortInUseIsABindError)
{
    OwnerRecorder owner;
    CUdpEndpoint first(kOwner, 0), second(kOwner, 0);
    ASSERT_EQ(SOCKET_OK, first.Open("127.0.0.1", 9, 0));
    int port = first.GetSocket().GetLocalPort();
    EXPECT_EQ(SOCKET_ERR_BIND, second.Open("127.0.0.1", 9, static_cast<std::uint16_t>(port)));
    EXPECT_EQ(SOCKET_ERR_BIND, second.Open("no-such-host.invalid", 9, 0));
    EXPECT_FALSE(second.HasReceiver());
}

} // namespace
