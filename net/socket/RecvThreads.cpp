#include "net/socket/RecvThreads.h"

#include "net/socket/SocketTimeout.h"

#include <cstring>
#include <ctime>
#include <new>

using nvnet::SocketApi;

ReceiveVerdict MapReceiveError(int e)
{
    switch (e) {
    case nvnet::kWsaEintr:
    case nvnet::kWsaEmsgsize: // a datagram over one segment is dropped; the loop goes on
    case nvnet::kWsaEopnotsupp:
        return ReceiveVerdict::Retry;
    case nvnet::kWsaEfault:
    case nvnet::kWsaEnetdown:
    case nvnet::kWsaEnetreset:
    case nvnet::kWsaEtimedout:
        return ReceiveVerdict::EndNetworkFailure;
    default:
        return ReceiveVerdict::EndError;
    }
}

ReceiveVerdict MapSelectError(int e)
{
    switch (e) {
    case nvnet::kWsaEintr:
        return ReceiveVerdict::Retry;
    case nvnet::kWsaEfault:
    case nvnet::kWsaEinval:
    case nvnet::kWsaEnetdown:
        return ReceiveVerdict::EndNetworkFailure;
    default:
        return ReceiveVerdict::EndError;
    }
}

int EndFormOf(ReceiveVerdict verdict)
{
    return verdict == ReceiveVerdict::EndNetworkFailure ? -2 : -1;
}

void PostReceivedData(nvnet::SocketOwner owner, std::uint32_t kind, std::uint32_t localPort,
                      const std::uint8_t* data, int n)
{
    auto* block = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(n) + 1];
    if (!block)
        return;
    std::memcpy(block, data, static_cast<std::size_t>(n));
    block[n] = 0; // owners may read the chunk as text in place
    auto* record = new (std::nothrow) SocketDataRecord{kind, localPort, block};
    if (!record) {
        delete[] block;
        return;
    }
    const nvnet::OwnerChannel owners = nvnet::Owners();
    if (!owners.post || !owners.post(owner, WM_SOCKET_RECEIVE, static_cast<std::uintptr_t>(n),
                                     reinterpret_cast<std::intptr_t>(record))) {
        // The owner's queue is gone or full: nobody else will free these.
        delete[] block;
        delete record;
    }
}

void PostEndForm(nvnet::SocketOwner owner, int form, std::uint32_t lParam)
{
    const nvnet::OwnerChannel owners = nvnet::Owners();
    if (!owners.post || (owners.isAlive && !owners.isAlive(owner)))
        return;
    owners.post(owner, WM_SOCKET_RECEIVE, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(form)),
                static_cast<std::intptr_t>(lParam));
}

void FreeSocketBuffer(int count, SocketDataRecord* record)
{
    if (count < 1 || count > SOCKET_SEGMENT_SIZE || !record)
        return;
    delete[] record->data;
    delete record;
}

namespace {

std::uint32_t PortOf(nvnet::SocketHandle handle)
{
    nvnet::InetAddress name;
    return SocketApi().LocalName(handle, &name) ? name.port : 0;
}

// The thread leaves its endpoint: the endpoint must not reach it any more.
void LeaveLink(const ReceiverLinkRef& link, CSocketThread* self, bool socketClosed)
{
    if (!link)
        return;
    CScopedLock lock(&link->lock);
    if (link->thread == self) {
        link->thread = nullptr;
        link->threadClosedSocket = socketClosed;
    }
}

// Whether a failed call ends the receive loop (then *form is the end form to post). A retry is
// only made on a socket that is still open: a closed handle may already belong to another socket.
bool EndsLoop(ReceiveVerdict verdict, const CCommSocket& socket, int* form)
{
    if (verdict == ReceiveVerdict::Retry && socket.IsOpen())
        return false;
    *form = verdict == ReceiveVerdict::Retry ? -1 : EndFormOf(verdict);
    return true;
}

} // namespace

CTcpRecvThread::CTcpRecvThread(nvnet::SocketHandle handle, std::uint32_t timeoutMs)
    : m_timeout(timeoutMs), m_socket(handle), m_localPort(PortOf(handle))
{
}

CTcpRecvThread::~CTcpRecvThread()
{
    // The endpoint holds the same handle and closes it.
    m_socket.Detach();
}

int CTcpRecvThread::Run()
{
    const std::uint32_t endParam = m_localPort | SOCKET_END_FLAG;
    int form = -1;
    try {
        for (;;) {
            int n;
            if (m_timeout == 0) {
                n = m_socket.Receive(m_buffer, SOCKET_SEGMENT_SIZE);
            } else {
                if (!IsTimerThreadRunning()) {
                    form = -1; // no guard can be made: end rather than block unguarded
                    break;
                }
                n = m_socket.ReceiveTimed(m_timeout, m_buffer, SOCKET_SEGMENT_SIZE);
            }
            if (n > 0) {
                PostReceivedData(m_owner, SOCKET_RECORD_TCP, m_localPort, m_buffer, n);
                continue;
            }
            if (n == 0) {
                form = 0;
                break;
            }
            if (EndsLoop(MapReceiveError(SocketApi().LastError()), m_socket, &form))
                break;
        }
    } catch (...) {
        m_socket.Close();
        form = -1;
    }
    PostEndForm(m_owner, form, endParam);
    return 0;
}

int CTcpRecvThread::Exit()
{
    LeaveLink(m_link, this, !m_socket.IsOpen());
    return 0;
}

void CTcpRecvThread::Stop()
{
    CScopedLock lock(&m_lock);
    m_socket.Close();
    m_stopFlag = true;
}

CUdpRecvThread::CUdpRecvThread(nvnet::SocketHandle handle, CCommLog* log)
    : m_socket(handle), m_log(log), m_localPort(PortOf(handle))
{
}

CUdpRecvThread::~CUdpRecvThread()
{
    m_socket.Detach();
}

int CUdpRecvThread::Run()
{
    const std::uint32_t endParam = m_localPort; // no end flag: this is how owners tell UDP from TCP
    int form = -1;
    try {
        for (;;) {
            int ready = SocketApi().WaitReadable(m_socket.GetHandle());
            if (ready == nvnet::kSocketError) {
                if (EndsLoop(MapSelectError(SocketApi().LastError()), m_socket, &form))
                    break;
                continue;
            }
            if (ready == 0)
                continue;
            int n = m_socket.ReceiveFrom(m_buffer, SOCKET_SEGMENT_SIZE, &m_lastSender);
            if (n > 0) {
                PostReceivedData(m_owner, SOCKET_RECORD_UDP, m_localPort, m_buffer, n);
                if (m_log && m_log->IsEnabled())
                    LogReceive(m_buffer, n);
                continue;
            }
            if (n == 0) {
                if (!m_socket.IsOpen()) {
                    form = -1;
                    break;
                }
                continue; // an empty datagram
            }
            if (EndsLoop(MapReceiveError(SocketApi().LastError()), m_socket, &form))
                break;
        }
    } catch (...) {
        m_socket.Close();
        form = -1;
    }
    PostEndForm(m_owner, form, endParam);
    return 0;
}

int CUdpRecvThread::Exit()
{
    LeaveLink(m_link, this, !m_socket.IsOpen());
    return 0;
}

void CUdpRecvThread::Stop()
{
    CScopedLock lock(&m_lock);
    m_socket.Close();
    m_stopFlag = true;
}

void CUdpRecvThread::LogReceive(const std::uint8_t* data, int length)
{
    m_log->WriteLine(COMMLOG_UDP_RECV, FormatTrafficLogLine(false, data, static_cast<std::size_t>(length),
                                                            CurrentLocalTime()));
}

bool StopLinkedThread(const ReceiverLinkRef& link)
{
    ThreadCompletionRef handle;
    {
        CScopedLock lock(&link->lock);
        if (link->thread) {
            handle = link->handle;
            link->thread->Stop();
            link->threadClosedSocket = true;
        }
    }
    // Never wait under the lock: the thread takes it on its way out.
    if (handle)
        handle->Wait(CWaitEvent::kInfinite);
    CScopedLock lock(&link->lock);
    return link->threadClosedSocket;
}

void ForgetLinkedThread(const ReceiverLinkRef& link)
{
    CScopedLock lock(&link->lock);
    link->thread = nullptr;
    link->handle.reset();
}

bool HasLinkedThread(const ReceiverLinkRef& link)
{
    CScopedLock lock(&link->lock);
    return link->thread != nullptr;
}

bool StartLinkedThread(const ReceiverLinkRef& link, CSocketThread* thread)
{
    // Held until the thread is registered: a thread that ends at once waits here to leave the link.
    CScopedLock lock(&link->lock);
    link->thread = thread;
    link->threadClosedSocket = false;
    if (!thread->Start(true, true, 0)) {
        link->thread = nullptr;
        return false;
    }
    link->handle = thread->Handle();
    return true;
}
