// BSD sockets behind the library's socket calls, for the native build and its tests. Handles are
// our own numbers over a table of descriptors so that closing behaves as closesocket does: a call
// blocked on the handle in another thread ends with an error, and the number is never reused for
// another socket while that call still holds it.
#include "net/socket/SocketApi.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nvnet {
namespace {

thread_local int t_lastError = 0;

int ToWsa(int e)
{
    switch (e) {
    case EINTR: return kWsaEintr;
    case EBADF: case ENOTSOCK: return kWsaEnotsock;
    case EFAULT: return kWsaEfault;
    case EINVAL: return kWsaEinval;
    case EAGAIN: case EINPROGRESS: case EALREADY: return kWsaEwouldblock;
    case EMSGSIZE: return kWsaEmsgsize;
    case EOPNOTSUPP: return kWsaEopnotsupp;
    case EADDRINUSE: return kWsaEaddrinuse;
    case ENETDOWN: return kWsaEnetdown;
    case ENETRESET: return kWsaEnetreset;
    case ECONNABORTED: return kWsaEconnaborted;
    case ECONNRESET: return kWsaEconnreset;
    case ENOTCONN: return kWsaEnotconn;
    case EPIPE: case ESHUTDOWN: return kWsaEshutdown;
    case ETIMEDOUT: return kWsaEtimedout;
    case ECONNREFUSED: return kWsaEconnrefused;
    default: return 10000 + e;
    }
}

struct Descriptor {
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() { ::close(fd); }
    int fd;
    std::atomic<bool> closed{false};
};
using DescriptorRef = std::shared_ptr<Descriptor>;

class PosixSocketApi : public ISocketApi {
public:
    SocketHandle Open(SocketKind kind) override
    {
        int fd = ::socket(AF_INET, kind == SocketKind::Stream ? SOCK_STREAM : SOCK_DGRAM, 0);
        if (fd < 0)
            return Fail(errno), kInvalidSocket;
        std::lock_guard<std::mutex> hold(m_lock);
        SocketHandle handle = m_next++;
        m_table[handle] = std::make_shared<Descriptor>(fd);
        return handle;
    }

    bool Close(SocketHandle s) override
    {
        DescriptorRef d;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            auto it = m_table.find(s);
            if (it == m_table.end())
                return Fail(EBADF), false;
            d = it->second;
            m_table.erase(it);
        }
        d->closed = true;
        ::shutdown(d->fd, SHUT_RDWR); // wakes a call blocked on it; the last holder closes the fd
        return true;
    }

    bool Bind(SocketHandle s, std::uint16_t port) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return false;
        sockaddr_in a = Make(0, port);
        return Check(::bind(d->fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
    }

    bool Connect(SocketHandle s, const InetAddress& to) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return false;
        sockaddr_in a = Make(to.address, to.port);
        return Check(::connect(d->fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
    }

    bool SetNonBlocking(SocketHandle s, bool on) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return false;
        int flags = ::fcntl(d->fd, F_GETFL);
        flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
        return Check(::fcntl(d->fd, F_SETFL, flags) == 0);
    }

    int WaitWritable(SocketHandle s, std::uint32_t timeoutMs, int* soError) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return kSocketError;
        pollfd p{d->fd, POLLOUT, 0};
        int r = ::poll(&p, 1, static_cast<int>(timeoutMs));
        if (r < 0)
            return Fail(errno), kSocketError;
        if (r > 0 && soError) {
            int e = 0;
            socklen_t n = sizeof e;
            ::getsockopt(d->fd, SOL_SOCKET, SO_ERROR, &e, &n);
            *soError = e ? ToWsa(e) : 0;
        }
        return r;
    }

    int WaitReadable(SocketHandle s) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return kSocketError;
        for (;;) {
            // Short turns, so a close from another thread is always noticed.
            pollfd p{d->fd, POLLIN, 0};
            int r = ::poll(&p, 1, 100);
            if (d->closed)
                return Fail(EBADF), kSocketError;
            if (r < 0)
                return Fail(errno), kSocketError;
            if (r > 0)
                return r;
        }
    }

    int Receive(SocketHandle s, void* buf, int len) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return kSocketError;
        ssize_t n = ::recv(d->fd, buf, static_cast<std::size_t>(len), 0);
        return Result(d, n);
    }

    int ReceiveFrom(SocketHandle s, void* buf, int len, InetAddress* from) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return kSocketError;
        sockaddr_in a{};
        socklen_t n = sizeof a;
        // MSG_TRUNC reports a datagram larger than the buffer, as WSAEMSGSIZE would.
        ssize_t r = ::recvfrom(d->fd, buf, static_cast<std::size_t>(len), MSG_TRUNC, reinterpret_cast<sockaddr*>(&a), &n);
        if (r > len)
            return Fail(EMSGSIZE), kSocketError;
        if (r >= 0 && from) {
            from->address = ntohl(a.sin_addr.s_addr);
            from->port = ntohs(a.sin_port);
        }
        return Result(d, r);
    }

    int Send(SocketHandle s, const void* buf, int len) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return kSocketError;
        return Result(d, ::send(d->fd, buf, static_cast<std::size_t>(len), MSG_NOSIGNAL));
    }

    int SendTo(SocketHandle s, const void* buf, int len, const InetAddress& to) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return kSocketError;
        sockaddr_in a = Make(to.address, to.port);
        return Result(d, ::sendto(d->fd, buf, static_cast<std::size_t>(len), MSG_NOSIGNAL,
                                  reinterpret_cast<sockaddr*>(&a), sizeof a));
    }

    bool Shutdown(SocketHandle s, int how) override
    {
        DescriptorRef d = Find(s);
        return d && Check(::shutdown(d->fd, how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR) == 0);
    }

    bool LocalName(SocketHandle s, InetAddress* name) override
    {
        DescriptorRef d = Find(s);
        if (!d)
            return false;
        sockaddr_in a{};
        socklen_t n = sizeof a;
        if (::getsockname(d->fd, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            return Fail(errno), false;
        name->address = ntohl(a.sin_addr.s_addr);
        name->port = ntohs(a.sin_port);
        return true;
    }

    bool Resolve(const char* host, std::uint32_t* address) override
    {
        in_addr a{};
        if (::inet_pton(AF_INET, host, &a) == 1) {
            *address = ntohl(a.s_addr);
            return true;
        }
        addrinfo hints{};
        hints.ai_family = AF_INET;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
            return false;
        *address = ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
        ::freeaddrinfo(found);
        return true;
    }

    int LastError() override { return t_lastError; }

private:
    static void Fail(int e) { t_lastError = ToWsa(e); }
    static bool Check(bool ok)
    {
        if (!ok)
            Fail(errno);
        return ok;
    }
    static int Result(const DescriptorRef& d, ssize_t n)
    {
        if (d->closed)
            return Fail(EBADF), kSocketError; // the handle was closed while the call ran
        if (n < 0)
            return Fail(errno), kSocketError;
        return static_cast<int>(n);
    }
    static sockaddr_in Make(std::uint32_t address, std::uint16_t port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(address);
        a.sin_port = htons(port);
        return a;
    }
    DescriptorRef Find(SocketHandle s)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto it = m_table.find(s);
        if (it == m_table.end()) {
            Fail(EBADF);
            return nullptr;
        }
        return it->second;
    }

    std::mutex m_lock;
    std::map<SocketHandle, DescriptorRef> m_table;
    SocketHandle m_next = 1000;
};

} // namespace

ISocketApi& PlatformSocketApi()
{
    static PosixSocketApi* api = new PosixSocketApi;
    return *api;
}

OwnerChannel PlatformOwnerChannel()
{
    return OwnerChannel{}; // no windows here: tests plug in their own owners
}

std::uint32_t PlatformTickMs()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string PlatformTemporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/')
        path += '/';
    return path;
}

} // namespace nvnet
