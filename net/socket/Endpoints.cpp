#include "net/socket/SocketTimeout.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include <climits>
#include <cstring>
#include <new>

using nvnet::SocketApi;

namespace {

constexpr std::uint32_t kConnectWaitMs = 15000;

// Starts a receive thread on the endpoint's freshly made socket, the same for TCP and UDP: the
// endpoint's socket and the thread share the one handle. On failure the handle is closed, no
// thread exists and the code to store is returned.
SocketResult StartReceiver(CReceiverSlot& slot, CRecvThreadBase* thread, nvnet::SocketOwner owner,
                           CCommSocket& socket, const SocketHandleRef& shared, SocketResult noMemory,
                           SocketResult noStart)
{
    if (!thread) {
        shared->Close();
        return noMemory;
    }
    socket.Adopt(shared);
    if (!slot.Start(thread, owner)) {
        socket.Close();
        return noStart;
    }
    return SOCKET_OK;
}

// Close of either endpoint: stop the thread (its Stop closes the shared handle, which ends its
// blocking call), close the handle (nothing happens when the stop or a time-out already did),
// forget the thread.
void CloseEndpoint(CReceiverSlot& slot, CCommSocket& socket)
{
    slot.Stop();
    socket.Close();
    slot.Release();
}

} // namespace

CTcpClient::CTcpClient(nvnet::SocketOwner owner, std::uint32_t timeoutMs, std::uint32_t logFlags)
    : m_owner(owner), m_logFlags(logFlags), m_timeout(timeoutMs)
{
}

CTcpClient::~CTcpClient()
{
    // Owners close first; a forgotten Close must still not leave a thread posting for a dead client.
    Close();
}

bool CTcpClient::HasReceiver()
{
    return m_receiver.Has();
}

SocketResult CTcpClient::Connect(const char* host, std::uint16_t port)
{
    if (HasReceiver() || m_socket.IsOpen())
        Close();
    if (!EnsureTimerThread())
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

    SocketHandleRef shared = pending.Share();
    SocketResult started = StartReceiver(m_receiver, new (std::nothrow) CTcpRecvThread(shared, m_timeout), m_owner,
                                         m_socket, shared, SOCKET_ERR_TCP_THREAD_MEMORY, SOCKET_ERR_TCP_THREAD_START);
    return started == SOCKET_OK ? SOCKET_OK : Fail(started);
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
    m_receiver.Stop();
}

void CTcpClient::ReleaseReceiver()
{
    m_receiver.Release();
}

void CTcpClient::Close()
{
    CloseEndpoint(m_receiver, m_socket);
}

CUdpEndpoint::CUdpEndpoint(nvnet::SocketOwner owner, std::uint32_t logFlag)
    : m_owner(owner), m_logFlag(logFlag), m_log(std::make_shared<CCommLog>())
{
}

CUdpEndpoint::~CUdpEndpoint()
{
    Close();
}

bool CUdpEndpoint::HasReceiver()
{
    return m_receiver.Has();
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
    SocketHandleRef shared = pending.Share();
    SocketResult started =
        StartReceiver(m_receiver, new (std::nothrow) CUdpRecvThread(shared, m_logFlag ? m_log : nullptr), m_owner,
                      m_socket, shared, SOCKET_ERR_UDP_THREAD_MEMORY, SOCKET_ERR_UDP_THREAD_START);
    return started == SOCKET_OK ? SOCKET_OK : Fail(started);
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
    m_log->WriteLine(COMMLOG_UDP_SEND,
                    FormatTrafficLogLine(true, data, static_cast<std::size_t>(length), CurrentLocalTime()));
}

void CUdpEndpoint::StopReceiver()
{
    m_receiver.Stop();
}

void CUdpEndpoint::ReleaseReceiver()
{
    m_receiver.Release();
}

void CUdpEndpoint::Close()
{
    CloseEndpoint(m_receiver, m_socket);
}
