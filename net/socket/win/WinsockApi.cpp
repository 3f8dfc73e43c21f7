// Winsock behind the library's socket calls, and PostMessage/IsWindow as the way to the owner.
#include "net/socket/SocketApi.h"

#include <winsock2.h>
#include <windows.h>
#include <mmsystem.h>

#include <vector>

namespace nvnet {
namespace {

class WinsockApi : public ISocketApi {
public:
    WinsockApi()
    {
        // The program starts Winsock itself; this keeps test programs and tools that use the
        // library alone working (start-up is counted, so a second one is harmless).
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
    }

    SocketHandle Open(SocketKind kind) override
    {
        SOCKET s = ::socket(AF_INET, kind == SocketKind::Stream ? SOCK_STREAM : SOCK_DGRAM, 0);
        return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
    }

    bool Close(SocketHandle s) override { return ::closesocket(Sock(s)) == 0; }

    bool Bind(SocketHandle s, std::uint16_t port) override
    {
        sockaddr_in a = Make(INADDR_ANY, port);
        return ::bind(Sock(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }

    bool Connect(SocketHandle s, const InetAddress& to) override
    {
        sockaddr_in a = Make(to.address, to.port);
        return ::connect(Sock(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }

    bool SetNonBlocking(SocketHandle s, bool on) override
    {
        u_long mode = on ? 1 : 0;
        return ::ioctlsocket(Sock(s), FIONBIO, &mode) == 0;
    }

    int WaitWritable(SocketHandle s, std::uint32_t timeoutMs, int* soError) override
    {
        // Winsock reports a refused non-blocking connect only in the failure set.
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(Sock(s), &writable);
        FD_SET(Sock(s), &failed);
        timeval limit;
        limit.tv_sec = static_cast<long>(timeoutMs / 1000);
        limit.tv_usec = static_cast<long>((timeoutMs % 1000) * 1000);
        int r = ::select(0, nullptr, &writable, &failed, &limit);
        if (r > 0 && soError) {
            int e = 0;
            int n = sizeof e;
            ::getsockopt(Sock(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&e), &n);
            if (e == 0 && FD_ISSET(Sock(s), &failed))
                e = WSAECONNREFUSED;
            *soError = e;
        }
        return r == SOCKET_ERROR ? kSocketError : r;
    }

    int WaitReadable(SocketHandle s) override
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(Sock(s), &readable);
        int r = ::select(0, &readable, nullptr, nullptr, nullptr);
        return r == SOCKET_ERROR ? kSocketError : r;
    }

    int Receive(SocketHandle s, void* buf, int len) override
    {
        return ::recv(Sock(s), static_cast<char*>(buf), len, 0);
    }

    int ReceiveFrom(SocketHandle s, void* buf, int len, InetAddress* from) override
    {
        sockaddr_in a{};
        int n = sizeof a;
        int r = ::recvfrom(Sock(s), static_cast<char*>(buf), len, 0, reinterpret_cast<sockaddr*>(&a), &n);
        if (r >= 0 && from) {
            from->address = ntohl(a.sin_addr.s_addr);
            from->port = ntohs(a.sin_port);
        }
        return r;
    }

    int Send(SocketHandle s, const void* buf, int len) override
    {
        return ::send(Sock(s), static_cast<const char*>(buf), len, 0);
    }

    int SendTo(SocketHandle s, const void* buf, int len, const InetAddress& to) override
    {
        sockaddr_in a = Make(to.address, to.port);
        return ::sendto(Sock(s), static_cast<const char*>(buf), len, 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }

    bool Shutdown(SocketHandle s, int how) override { return ::shutdown(Sock(s), how) == 0; }

    bool LocalName(SocketHandle s, InetAddress* name) override
    {
        sockaddr_in a{};
        int n = sizeof a;
        if (::getsockname(Sock(s), reinterpret_cast<sockaddr*>(&a), &n) != 0)
            return false;
        name->address = ntohl(a.sin_addr.s_addr);
        name->port = ntohs(a.sin_port);
        return true;
    }

    bool Resolve(const char* host, std::uint32_t* address) override
    {
        unsigned long a = ::inet_addr(host);
        if (a == INADDR_NONE) {
            hostent* found = ::gethostbyname(host);
            if (!found || found->h_addrtype != AF_INET || !found->h_addr_list[0])
                return false;
            a = *reinterpret_cast<unsigned long*>(found->h_addr_list[0]);
        }
        *address = ntohl(a);
        return true;
    }

    int LastError() override { return ::WSAGetLastError(); }

private:
    static SOCKET Sock(SocketHandle s) { return static_cast<SOCKET>(s); }
    static sockaddr_in Make(std::uint32_t address, std::uint16_t port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(address);
        a.sin_port = htons(port);
        return a;
    }
};

bool PostToWindow(SocketOwner owner, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return ::PostMessageA(static_cast<HWND>(owner), message, static_cast<WPARAM>(wParam),
                          static_cast<LPARAM>(lParam)) != FALSE;
}

bool WindowExists(SocketOwner owner)
{
    return ::IsWindow(static_cast<HWND>(owner)) != FALSE;
}

} // namespace

ISocketApi& PlatformSocketApi()
{
    static WinsockApi* api = new WinsockApi;
    return *api;
}

OwnerChannel PlatformOwnerChannel()
{
    OwnerChannel channel;
    channel.post = PostToWindow;
    channel.isAlive = WindowExists;
    return channel;
}

std::uint32_t PlatformTickMs()
{
    return ::timeGetTime();
}

std::string PlatformTemporaryFolder()
{
    DWORD needed = ::GetTempPathA(0, nullptr);
    if (needed == 0)
        return std::string();
    std::vector<char> buffer(needed + 1);
    DWORD length = ::GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size())
        return std::string();
    return std::string(buffer.data(), length);
}

} // namespace nvnet
