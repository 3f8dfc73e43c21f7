#include "net/socket/SocketTimeout.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include <climits>
#include <cstring>
#include <new>

using nvnet::SocketApi;

namespace {

constexpr std::uint32_t kConnectWaitMs = 15000;

// Closes the endpoint's handle unless the receive thread's side already has (a second
// closesocket could hit a handle that meanwhile belongs to another socket).
void ReleaseHandle(CCommSocket& socket, bool closedByThread)
{
    if (closedByThread)
        socket.Detach();
    else
        socket.Close();
}

// Gives the connected handle to a new receive thread and to the endpoint's socket. On failure the
// handle is closed and no thread exists.
template <class Thread>
SocketResult StartReceiver(Thread* thread, nvnet::SocketHandle handle, nvnet::SocketOwner owner,
                           const ReceiverLinkRef& link, CCommSocket& socket, SocketResult noMemory,
                           SocketResult noStart)
{
    if (!thread) {
        SocketApi().Close(handle);
        return noMemory;
    }
    thread->SetOwner(owner);
    thread->SetLink(link);
    socket.Attach(handle);
    if (!StartLinkedThread(link, thread)) {
        delete thread; // it forgets the handle
        socket.Close();
        return noStart;
    }
    return SOCKET_OK;
}

} // namespace

CTcpClient::CTcpClient(nvnet::SocketOwner owner, std::uint32_t timeoutMs, std::uint32_t logFlags)
    : m_owner(owner), m_logFlags(logFlags), m_link(std::make_shared<ReceiverLink>()), m_timeout(timeoutMs)
{
}

CTcpClient::~CTcpClient()
{
    // Owners close first; a forgotten Close must still not leave a thread posting for a dead client.
    Close();
}

bool CTcpClient::HasReceiver()
{
    return HasLinkedThread(m_link);
}

SocketResult CTcpClient::Connect(const char* host, std::uint16_t port)
{
    if (HasReceiver() || m_socket.IsOpen())
        Close();
    if (!IsTimerThreadRunning() && !EnsureTimerThread() && !IsTimerThreadRunning())
        return Fail(SOCKET_ERR_TIMEOUT_THREAD);

    std::uint32_t address = 0; // a null host means any address
    if (host && !SocketApi().Resolve(host, &address))
        return Fail(SOCKET_ERR_CONNECT);
    CTcpSocket pending;
    if (!pending.Create() || !SocketApi().SetNonBlocking(pending.GetHandle(), true))
        return Fail(SOCKET_ERR_CREATE);
    if (!pending.CCommSocket::Connect(address, port)) {
        if (SocketApi().LastError() != nvnet::kWsaEwouldblock)
            return Fail(SOCKET_ERR_CONNECT);
        // A refused connection shows only as a failure (not as writable), and one that has not
        // completed in time is no connection at all: both are connect errors.
        int soError = 0;
        int ready = SocketApi().WaitWritable(pending.GetHandle(), kConnectWaitMs, &soError);
        if (ready <= 0 || soError != 0)
            return Fail(SOCKET_ERR_CONNECT);
    }
    if (!SocketApi().SetNonBlocking(pending.GetHandle(), false))
        return Fail(SOCKET_ERR_CREATE);

    nvnet::SocketHandle handle = pending.Detach();
    return Fail(StartReceiver(new (std::nothrow) CTcpRecvThread(handle, m_timeout), handle, m_owner, m_link,
                              m_socket, SOCKET_ERR_TCP_THREAD_MEMORY, SOCKET_ERR_TCP_THREAD_START));
}

SocketResult CTcpClient::Send(const void* buf, int len)
{
    if (len < 1)
        return Fail(SOCKET_ERR_EMPTY);
    int sent = m_timeout ? m_socket.SendTimed(m_timeout, buf, len) : m_socket.Send(buf, len);
    return sent == len ? SOCKET_OK : Fail(SOCKET_ERR_SHORT_SEND);
}

SocketResult CTcpClient::SendText(std::uint32_t ms, const char* text)
{
    // The whole text goes out: a cut to 16 bits would silently lose the rest of a long line.
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<std::size_t>(INT_MAX))
        return Fail(SOCKET_ERR_SHORT_SEND);
    int len = static_cast<int>(length);
    int sent = m_socket.SendTimed(ms, text ? text : "", len);
    return sent == len ? SOCKET_OK : Fail(SOCKET_ERR_SHORT_SEND);
}

void CTcpClient::StopReceiver()
{
    StopThread();
}

bool CTcpClient::StopThread()
{
    return StopLinkedThread(m_link);
}

void CTcpClient::ReleaseReceiver()
{
    ForgetLinkedThread(m_link);
}

void CTcpClient::Close()
{
    bool closedByThread = StopThread();
    ReleaseHandle(m_socket, closedByThread);
    ReleaseReceiver();
}

CUdpEndpoint::CUdpEndpoint(nvnet::SocketOwner owner, std::uint32_t logFlag)
    : m_owner(owner), m_logFlag(logFlag), m_link(std::make_shared<ReceiverLink>())
{
}

CUdpEndpoint::~CUdpEndpoint()
{
    // The receive thread writes to m_log: it must be gone before the endpoint is.
    Close();
}

bool CUdpEndpoint::HasReceiver()
{
    return HasLinkedThread(m_link);
}

SocketResult CUdpEndpoint::Open(const char* peerHost, std::uint16_t peerPort, std::uint16_t localPort)
{
    if (HasReceiver() || m_socket.IsOpen())
        Close();
    CUdpSocket pending;
    if (!pending.Create())
        return Fail(SOCKET_ERR_CREATE);
    if (!pending.Open(peerHost, peerPort, localPort))
        return Fail(SOCKET_ERR_BIND);
    m_socket.SetPeerAddress(pending.Peer());
    nvnet::SocketHandle handle = pending.Detach();
    return Fail(StartReceiver(new (std::nothrow) CUdpRecvThread(handle, m_logFlag ? &m_log : nullptr), handle,
                              m_owner, m_link, m_socket, SOCKET_ERR_UDP_THREAD_MEMORY, SOCKET_ERR_UDP_THREAD_START));
}

SocketResult CUdpEndpoint::Send(const void* buf, int len)
{
    if (len < 1)
        return Fail(SOCKET_ERR_EMPTY);
    if (m_socket.SendTo(buf, len, m_socket.Peer()) != len)
        return Fail(SOCKET_ERR_SHORT_SENDTO);
    if (m_logFlag == 1)
        LogSend(static_cast<const std::uint8_t*>(buf), len);
    return SOCKET_OK;
}

SocketResult CUdpEndpoint::SendTo(const void* buf, int len, const char* host, std::uint16_t port)
{
    if (len < 1)
        return Fail(SOCKET_ERR_EMPTY);
    nvnet::InetAddress to;
    if (!CUdpSocket::ResolvePeer(host, port, &to))
        return Fail(SOCKET_ERR_SHORT_SENDTO);
    if (m_socket.SendTo(buf, len, to) != len)
        return Fail(SOCKET_ERR_SHORT_SENDTO);
    if (m_logFlag == 1)
        LogSend(static_cast<const std::uint8_t*>(buf), len);
    return SOCKET_OK;
}

void CUdpEndpoint::LogSend(const std::uint8_t* data, int length)
{
    m_log.WriteLine(COMMLOG_UDP_SEND,
                    FormatTrafficLogLine(true, data, static_cast<std::size_t>(length), CurrentLocalTime()));
}

bool CUdpEndpoint::StopThread()
{
    return StopLinkedThread(m_link);
}

void CUdpEndpoint::StopReceiver()
{
    StopThread();
}

void CUdpEndpoint::ReleaseReceiver()
{
    ForgetLinkedThread(m_link);
}

void CUdpEndpoint::Close()
{
    bool closedByThread = StopThread();
    ReleaseHandle(m_socket, closedByThread);
    ReleaseReceiver();
}
