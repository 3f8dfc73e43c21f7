#include "net/socket/Socket.h"

#include "net/socket/SocketTimeout.h"

using nvnet::SocketApi;
using nvnet::kInvalidSocket;

CCommSocket::~CCommSocket()
{
    if (IsOpen())
        Close();
}

bool CCommSocket::Create(nvnet::SocketKind kind)
{
    if (IsOpen())
        Close();
    m_handle = SocketApi().Open(kind);
    return IsOpen();
}

bool CCommSocket::Close()
{
    nvnet::SocketHandle handle = m_handle.exchange(kInvalidSocket);
    if (handle == kInvalidSocket)
        return false;
    return SocketApi().Close(handle);
}

bool CCommSocket::Bind(std::uint16_t port)
{
    return SocketApi().Bind(GetHandle(), port);
}

bool CCommSocket::Connect(std::uint32_t address, std::uint16_t port)
{
    nvnet::InetAddress to;
    to.address = address;
    to.port = port;
    return SocketApi().Connect(GetHandle(), to);
}

void CCommSocket::Attach(nvnet::SocketHandle handle)
{
    if (IsOpen())
        Close();
    m_handle = handle;
}

nvnet::SocketHandle CCommSocket::Detach()
{
    return m_handle.exchange(kInvalidSocket);
}

bool CCommSocket::GetSockName(nvnet::InetAddress* name) const
{
    return SocketApi().LocalName(GetHandle(), name);
}

int CCommSocket::GetLocalPort() const
{
    nvnet::InetAddress name;
    return GetSockName(&name) ? name.port : -1;
}

int CCommSocket::Send(const void* buf, int len)
{
    return SocketApi().Send(GetHandle(), buf, len);
}

int CCommSocket::SendTo(const void* buf, int len, const nvnet::InetAddress& to)
{
    return SocketApi().SendTo(GetHandle(), buf, len, to);
}

int CCommSocket::Receive(void* buf, int len)
{
    return SocketApi().Receive(GetHandle(), buf, len);
}

int CCommSocket::ReceiveFrom(void* buf, int len, nvnet::InetAddress* from)
{
    return SocketApi().ReceiveFrom(GetHandle(), buf, len, from);
}

bool CCommSocket::Shutdown(int how)
{
    return SocketApi().Shutdown(GetHandle(), how);
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
