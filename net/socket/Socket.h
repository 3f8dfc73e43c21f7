// Thin socket wrappers of the library (Winsock 1.1 style, IPv4).
//
// A handle has exactly one owner, a CSocketHandle, which wrappers share: an endpoint and its
// receive thread (and a time-out guard while a guarded call runs) hold the same owner, so a close
// by any of them (a stop, a time-out, the endpoint's Close) is seen by all. The close is done once;
// afterwards every call through any wrapper fails at once without reaching the platform, so the
// closed handle value, which the system may already have given to another socket, is not used
// again. The last sharer closes a handle nobody closed.
//
// Closing is also how a call blocked on the handle in another thread is ended (closesocket
// cancels it), so a close cannot wait for the calls in flight. What remains is the moment between
// a call reading the handle and entering Winsock: a close from another thread in exactly that
// moment lets the call reach the closed value. Ending that too would take overlapped I/O with
// cancellation in place of blocking calls.
#pragma once

#include "net/socket/SocketApi.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CSocketHandle {
public:
    explicit CSocketHandle(nvnet::SocketHandle handle) : m_handle(handle) {}
    ~CSocketHandle();
    CSocketHandle(const CSocketHandle&) = delete;
    CSocketHandle& operator=(const CSocketHandle&) = delete;

    // The handle, or kInvalidSocket once it is closed or released.
    nvnet::SocketHandle Get() const { return m_handle.load(); }
    bool IsOpen() const { return Get() != nvnet::kInvalidSocket; }
    // Closes the handle the first time only; true when this call closed it and the platform
    // reported success. Safe from any thread, also while another thread blocks on the handle
    // (the blocking call then ends with an error).
    bool Close();
    // Gives the handle up without closing it (kInvalidSocket when it was closed already).
    nvnet::SocketHandle Release();

private:
    std::atomic<nvnet::SocketHandle> m_handle;
};
using SocketHandleRef = std::shared_ptr<CSocketHandle>;

// A view on one shared handle. Create, Attach, Adopt and Detach change which handle the wrapper
// refers to and belong to the thread that owns the wrapper; Close and the calls may come from any
// thread. Calls on a closed wrapper return kSocketError (false) and leave LastError() as it was.
class CCommSocket {
public:
    CCommSocket() = default;
    explicit CCommSocket(nvnet::SocketHandle handle);
    explicit CCommSocket(SocketHandleRef shared) : m_shared(std::move(shared)) {}
    // Drops this wrapper's share; the handle is closed when no sharer is left and nobody closed it.
    ~CCommSocket() = default;
    CCommSocket(const CCommSocket&) = delete;
    CCommSocket& operator=(const CCommSocket&) = delete;

    bool Create(nvnet::SocketKind kind);
    // Closes the shared handle (for every sharer); false when it was closed already.
    bool Close();
    bool Bind(std::uint16_t port);
    bool Connect(std::uint32_t address, std::uint16_t port);
    // Closes the handle held, then takes a new one of its own.
    void Attach(nvnet::SocketHandle handle);
    // Closes the handle held, then shares the given one.
    void Adopt(const SocketHandleRef& shared);
    // The shared owner of the handle (null when none), for a new sharer.
    SocketHandleRef Share() const { return m_shared; }
    // Takes the handle out of every sharer without closing it.
    nvnet::SocketHandle Detach();
    nvnet::SocketHandle GetHandle() const { return m_shared ? m_shared->Get() : nvnet::kInvalidSocket; }
    bool IsOpen() const { return GetHandle() != nvnet::kInvalidSocket; }
    bool GetSockName(nvnet::InetAddress* name) const;
    // The local port in host order, or -1 when getsockname fails.
    int GetLocalPort() const;
    int Send(const void* buf, int len);
    int SendTo(const void* buf, int len, const nvnet::InetAddress& to);
    int Receive(void* buf, int len);
    int ReceiveFrom(void* buf, int len, nvnet::InetAddress* from);
    bool Shutdown(int how);

private:
    SocketHandleRef m_shared;
};

class CInetSocket : public CCommSocket {
public:
    using CCommSocket::CCommSocket;
};

class CTcpSocket : public CInetSocket {
public:
    using CInetSocket::CInetSocket;
    bool Create(int protocol = 0);
    // host: dotted quad or a name (first address); null means any address.
    bool Connect(const char* host, std::uint16_t port);
    // The call runs under a time-out guard of ms milliseconds that closes this socket when it
    // overruns; -1 without touching the socket when no guard can be made (time-out thread stopped).
    int SendTimed(std::uint32_t ms, const void* buf, int len);
    int ReceiveTimed(std::uint32_t ms, void* buf, int len);
};

class CUdpSocket : public CInetSocket {
public:
    using CInetSocket::CInetSocket;
    bool Create(int protocol = 0);
    // A null or empty host means this machine ("localhost").
    bool SetPeer(const char* host, std::uint16_t port);
    bool Open(const char* host, std::uint16_t port, std::uint16_t localPort);
    const nvnet::InetAddress& Peer() const { return m_peer; }
    void SetPeerAddress(const nvnet::InetAddress& peer) { m_peer = peer; }

    // Resolution shared with SendTo: null or empty host is "localhost".
    static bool ResolvePeer(const char* host, std::uint16_t port, nvnet::InetAddress* out);

private:
    nvnet::InetAddress m_peer;
};
