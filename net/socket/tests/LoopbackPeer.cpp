#include "net/socket/tests/LoopbackPeer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Listen(std::uint16_t* port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 4);
    socklen_t n = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    *port = ntohs(a.sin_port);
    return fd;
}

} // namespace

LoopbackPeer::LoopbackPeer(PeerBehaviour behaviour) : m_behaviour(behaviour)
{
    m_listener = Listen(&m_port);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackPeer::~LoopbackPeer()
{
    m_quit = true;
    m_thread.join();
    CloseConnection();
    ::close(m_listener);
}

void LoopbackPeer::CloseConnection()
{
    int fd = m_connection.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

void LoopbackPeer::Serve()
{
    pollfd p{m_listener, POLLIN, 0};
    while (!m_quit && ::poll(&p, 1, 50) == 0) {
    }
    if (m_quit)
        return;
    int fd = ::accept(m_listener, nullptr, nullptr);
    if (fd < 0)
        return;
    switch (m_behaviour) {
    case PeerBehaviour::AcceptThenClose:
        ::close(fd);
        return;
    case PeerBehaviour::Reset: {
        // Reset only once the client has spoken, so the connection has surely been made.
        char first;
        pollfd q{fd, POLLIN, 0};
        while (!m_quit && ::poll(&q, 1, 50) == 0) {
        }
        ::recv(fd, &first, 1, 0);
        linger l{1, 0}; // closing with linger 0 sends a reset
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        ::close(fd);
        return;
    }
    default:
        break;
    }
    m_connection = fd;
    char buf[4096];
    while (!m_quit) {
        pollfd q{fd, POLLIN, 0};
        int r = ::poll(&q, 1, 50);
        if (r <= 0 || m_connection.load() < 0)
            continue;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        {
            std::lock_guard<std::mutex> hold(m_receivedLock);
            m_received += static_cast<std::size_t>(n);
            m_receivedMore.notify_all();
        }
        if (m_behaviour == PeerBehaviour::Echo)
            ::send(fd, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL);
    }
}

std::size_t LoopbackPeer::Received()
{
    std::lock_guard<std::mutex> hold(m_receivedLock);
    return m_received;
}

bool LoopbackPeer::WaitReceived(std::size_t count, int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_receivedLock);
    return m_receivedMore.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return m_received >= count; });
}

std::uint16_t RefusedPort()
{
    std::uint16_t port = 0;
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    port = ntohs(a.sin_port);
    ::close(fd); // bound but never listening, then released: connects are refused
    return port;
}
