#include "net/socket/Socket.h"

#include "net/socket/SocketTimeout.h"

using nvnet::SocketApi;
using nvnet::kInvalidSocket;
using nvnet::kSocketError;

CSocketHandle::~CSocketHandle()
{
    Close();
}

bool CSocketHandle::Close()
{
    nvnet::SocketHandle handle = m_handle.exchange(kInvalidSocket);
    if (handle == kInvalidSocket)
        return false;
    return SocketApi().Close(handle);
}

nvnet::SocketHandle CSocketHandle::Release()
{
    return m_handle.exchange(kInvalidSocket);
}

CCommSocket::CCommSocket(nvnet::SocketHandle handle)
{
    if (handle != kInvalidSocket)
        m_shared = std::make_shared<CSocketHandle>(handle);
}

bool CCommSocket::Create(nvnet::SocketKind kind)
{
    Attach(SocketApi().Open(kind));
    return IsOpen();
}

bool CCommSocket::Close()
{
    return m_shared && m_shared->Close();
}

void CCommSocket::Attach(nvnet::SocketHandle handle)
{
    Close();
    m_shared.reset();
    if (handle != kInvalidSocket)
        m_shared = std::make_shared<CSocketHandle>(handle);
}

void CCommSocket::Adopt(const SocketHandleRef& shared)
{
    if (shared != m_shared)
        Close();
    m_shared = shared;
}

nvnet::SocketHandle CCommSocket::Detach()
{
    SocketHandleRef shared = std::move(m_shared);
    return shared ? shared->Release() : kInvalidSocket;
}

bool CCommSocket::Bind(std::uint16_t port)
{
    nvnet::SocketHandle s = GetHandle();
    return s != kInvalidSocket && SocketApi().Bind(s, port);
}

bool CCommSocket::Connect(std::uint32_t address, std::uint16_t port)
{
    nvnet::SocketHandle s = GetHandle();
    if (s == kInvalidSocket)
        return false;
    nvnet::InetAddress to;
    to.address = address;
    to.port = port;
    return SocketApi().Connect(s, to);
}

bool CCommSocket::GetSockName(nvnet::InetAddress* name) const
{
    nvnet::SocketHandle s = GetHandle();
    return s != kInvalidSocket && SocketApi().LocalName(s, name);
}

int CCommSocket::GetLocalPort() const
{
    nvnet::InetAddress name;
    return GetSockName(&name) ? name.port : -1;
}

int CCommSocket::Send(const void* buf, int len)
{
    nvnet::SocketHandle s = GetHandle();
    return s == kInvalidSocket ? kSocketError : SocketApi().Send(s, buf, len);
}

int CCommSocket::SendTo(const void* buf, int len, const nvnet::InetAddress& to)
{
    nvnet::SocketHandle s = GetHandle();
    return s == kInvalidSocket ? kSocketError : SocketApi().SendTo(s, buf, len, to);
}

int CCommSocket::Receive(void* buf, int len)
{
    nvnet::SocketHandle s = GetHandle();
    return s == kInvalidSocket ? kSocketError : SocketApi().Receive(s, buf, len);
}

int CCommSocket::ReceiveFrom(void* buf, int len, nvnet::InetAddress* from)
{
    nvnet::SocketHandle s = GetHandle();
    return s == kInvalidSocket ? kSocketError : SocketApi().ReceiveFrom(s, buf, len, from);
}

bool CCommSocket::Shutdown(int how)
{
    nvnet::SocketHandle s = GetHandle();
    return s != kInvalidSocket && SocketApi().Shutdown(s, how);
}

bool CTcpSocket::Create(int /*protocol*/)
{
    return CCommSocket::Create(nvnet::SocketKind::Stream);
}

bool CTcpSocket::Connect(const char* host, std::uint16_t port)
{
    std::uint32_t address = 0;
    if (host && !SocketApi().Resolve(host, &address))
        return false;
    return CCommSocket::Connect(address, port);
}

int CTcpSocket::SendTimed(std::uint32_t ms, const void* buf, int len)
{
    CTimeoutEntry* guard = AddSocketTimeout(ms, this);
    if (!guard)
        return -1;
    int sent = Send(buf, len);
    guard->Cancel(true);
    return sent;
}

int CTcpSocket::ReceiveTimed(std::uint32_t ms, void* buf, int len)
{
    CTimeoutEntry* guard = AddSocketTimeout(ms, this);
    if (!guard)
        return -1;
    int received = Receive(buf, len);
    guard->Cancel(true);
    return received;
}

bool CUdpSocket::Create(int /*protocol*/)
{
    return CCommSocket::Create(nvnet::SocketKind::Datagram);
}

bool CUdpSocket::ResolvePeer(const char* host, std::uint16_t port, nvnet::InetAddress* out)
{
    if (!host || !*host)
        host = "localhost";
    std::uint32_t address = 0;
    if (!SocketApi().Resolve(host, &address))
        return false;
    out->address = address;
    out->port = port;
    return true;
}

bool CUdpSocket::SetPeer(const char* host, std::uint16_t port)
{
    return ResolvePeer(host, port, &m_peer);
}

bool CUdpSocket::Open(const char* host, std::uint16_t port, std::uint16_t localPort)
{
    return SetPeer(host, port) && Bind(localPort);
}
