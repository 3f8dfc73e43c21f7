// Thin socket wrappers of the library (Winsock 1.1 style, IPv4). Each destructor closes a handle
// it still holds. The handle may be closed from another thread (a stop or a time-out guard) while a
// call blocks on it, so it is kept atomically.
#pragma once

#include "net/socket/SocketApi.h"

#include <atomic>
#include <cstdint>

class CCommSocket {
public:
    CCommSocket() = default;
    explicit CCommSocket(nvnet::SocketHandle handle) : m_handle(handle) {}
    ~CCommSocket();
    CCommSocket(const CCommSocket&) = delete;
    CCommSocket& operator=(const CCommSocket&) = delete;

    bool Create(nvnet::SocketKind kind);
    bool Close();
    bool Bind(std::uint16_t port);
    bool Connect(std::uint32_t address, std::uint16_t port);
    void Attach(nvnet::SocketHandle handle);
    nvnet::SocketHandle Detach();
    nvnet::SocketHandle GetHandle() const { return m_handle.load(); }
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
    std::atomic<nvnet::SocketHandle> m_handle{nvnet::kInvalidSocket};
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
