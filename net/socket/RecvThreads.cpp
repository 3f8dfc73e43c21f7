#include "net/socket/RecvThreads.h"

#include "net/socket/SocketTimeout.h"

#include "framework/core/Failure.h"

#include <atomic>
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

std::atomic<std::uint32_t> g_stopLimitMs{0};
constexpr std::uint32_t kDefaultStopLimitMs = 5000;

std::uint32_t PortOf(nvnet::SocketHandle handle)
{
    nvnet::InetAddress name;
    return handle != nvnet::kInvalidSocket && SocketApi().LocalName(handle, &name) ? name.port : 0;
}

// Whether a failed call ends the receive loop (then *form is the end form to post). A closed
// socket (a stop, a time-out) always ends it with -1; it is never called again, since its handle
// value may already belong to another socket.
bool EndsLoop(ReceiveVerdict verdict, const CCommSocket& socket, int* form)
{
    if (!socket.IsOpen()) {
        *form = -1;
        return true;
    }
    if (verdict == ReceiveVerdict::Retry)
        return false;
    *form = EndFormOf(verdict);
    return true;
}

} // namespace

CRecvThreadBase::CRecvThreadBase(nvnet::SocketHandle handle) : m_localPort(PortOf(handle))
{
}

int CRecvThreadBase::Exit()
{
    if (m_link) {
        CScopedLock lock(&m_link->lock);
        if (m_link->thread == this)
            m_link->thread = nullptr;
    }
    return 0;
}

void CRecvThreadBase::OnLoopFailure(CCommSocket& socket)
{
    nv::ReportFailure(FailureSite(), CurrentExceptionText().c_str());
    socket.Close();
}

CTcpRecvThread::CTcpRecvThread(const SocketHandleRef& socket, std::uint32_t timeoutMs)
    : CRecvThreadBase(socket ? socket->Get() : nvnet::kInvalidSocket), m_timeout(timeoutMs), m_socket(socket)
{
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
                form = m_socket.IsOpen() ? 0 : -1; // our own close is not the peer's
                break;
            }
            if (EndsLoop(MapReceiveError(SocketApi().LastError()), m_socket, &form))
                break;
        }
    } catch (...) {
        OnLoopFailure(m_socket);
        form = -1;
    }
    PostEndForm(m_owner, form, endParam);
    return 0;
}

CUdpRecvThread::CUdpRecvThread(const SocketHandleRef& socket, std::shared_ptr<CCommLog> log)
    : CRecvThreadBase(socket ? socket->Get() : nvnet::kInvalidSocket), m_socket(socket), m_log(std::move(log))
{
}

int CUdpRecvThread::Run()
{
    const std::uint32_t endParam = m_localPort; // no end flag: this is how owners tell UDP from TCP
    int form = -1;
    try {
        for (;;) {
            nvnet::SocketHandle handle = m_socket.GetHandle();
            int ready = handle == nvnet::kInvalidSocket ? nvnet::kSocketError : SocketApi().WaitReadable(handle);
            if (ready == nvnet::kSocketError) {
                if (EndsLoop(MapSelectError(SocketApi().LastError()), m_socket, &form))
                    break;
                continue;
            }
            if (ready == 0)
                continue;
            int n = m_socket.ReceiveFrom(m_buffer, SOCKET_SEGMENT_SIZE, nullptr);
            if (n > 0) {
                PostReceivedData(m_owner, SOCKET_RECORD_UDP, m_localPort, m_buffer, n);
                if (m_log && m_log->IsEnabled())
                    LogReceive(m_buffer, n);
                continue;
            }
            if (n == 0)
                continue; // an empty datagram
            if (EndsLoop(MapReceiveError(SocketApi().LastError()), m_socket, &form))
                break;
        }
    } catch (...) {
        OnLoopFailure(m_socket);
        form = -1;
    }
    PostEndForm(m_owner, form, endParam);
    return 0;
}

void CUdpRecvThread::LogReceive(const std::uint8_t* data, int length)
{
    m_log->WriteLine(COMMLOG_UDP_RECV, FormatTrafficLogLine(false, data, static_cast<std::size_t>(length),
                                                            CurrentLocalTime()));
}

void SetReceiverStopLimit(std::uint32_t ms)
{
    g_stopLimitMs = ms;
}

CReceiverSlot::CReceiverSlot() : m_link(std::make_shared<ReceiverLink>())
{
}

bool CReceiverSlot::Start(CRecvThreadBase* thread, nvnet::SocketOwner owner)
{
    thread->SetOwner(owner);
    thread->SetLink(m_link);
    // Held until the thread is registered: a thread that ends at once waits here to leave the link.
    CScopedLock lock(&m_link->lock);
    m_link->thread = thread;
    if (!thread->Start(true)) {
        m_link->thread = nullptr;
        delete thread;
        return false;
    }
    m_link->handle = thread->Handle();
    return true;
}

bool CReceiverSlot::Stop()
{
    ThreadCompletionRef handle;
    {
        CScopedLock lock(&m_link->lock);
        if (m_link->thread) {
            handle = m_link->handle;
            m_link->thread->Stop();
        }
    }
    // Never wait under the lock: the thread takes it on its way out.
    if (!handle)
        return true;
    std::uint32_t limit = g_stopLimitMs.load();
    if (handle->Wait(limit ? limit : kDefaultStopLimitMs))
        return true;
    nv::ReportFailure("socket receive thread", "did not end within the stop limit; left to end on its own");
    // From here on the endpoint must not reach it: it may delete itself at any moment.
    Release();
    return false;
}

void CReceiverSlot::Release()
{
    CScopedLock lock(&m_link->lock);
    m_link->thread = nullptr;
    m_link->handle.reset();
}

bool CReceiverSlot::Has()
{
    CScopedLock lock(&m_link->lock);
    return m_link->thread != nullptr;
}
