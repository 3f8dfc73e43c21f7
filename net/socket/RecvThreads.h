// The receive threads of CTcpClient and CUdpEndpoint. Each reads its socket until it ends, hands
// every chunk to the owner as WM_SOCKET_RECEIVE with a heap SocketDataRecord, and always finishes
// with exactly one end form when the owner still exists (also after a stop, a time-out or an
// exception). The thread object deletes itself; the endpoint reaches it only through a
// ReceiverLink, which the thread clears (under the link's lock) before it goes, so an owner never
// stops a thread that has already deleted itself.
#pragma once

#include "net/socket/CommLog.h"
#include "net/socket/CommThread.h"
#include "net/socket/Socket.h"
#include "net/socket/SocketTypes.h"

#include <cstdint>
#include <memory>

// What a failed receive or select leads to.
enum class ReceiveVerdict { Retry, EndError, EndNetworkFailure };
ReceiveVerdict MapReceiveError(int wsaError); // recv and recvfrom
ReceiveVerdict MapSelectError(int wsaError);  // the UDP loop's select
// wParam of the end form for a verdict (-1 or -2).
int EndFormOf(ReceiveVerdict verdict);

// Shared by an endpoint and its receive thread. Its lock is the endpoint's lock.
struct ReceiverLink {
    CCriticalSection lock;
    CSocketThread* thread = nullptr; // valid while set; cleared by the thread as it ends
    ThreadCompletionRef handle;      // what StopReceiver waits on
    bool threadClosedSocket = false; // the shared handle was closed from the thread's side
};
using ReceiverLinkRef = std::shared_ptr<ReceiverLink>;

class CTcpRecvThread : public CSocketThread {
public:
    CTcpRecvThread(nvnet::SocketHandle handle, std::uint32_t timeoutMs);
    ~CTcpRecvThread() override;
    void SetOwner(nvnet::SocketOwner owner) { m_owner = owner; }
    void SetLink(const ReceiverLinkRef& link) { m_link = link; }
    int Run() override;
    int Exit() override;
    void Stop() override;
    std::uint32_t LocalPort() const { return m_localPort; }

private:
    nvnet::SocketOwner m_owner = nullptr;
    std::uint32_t m_timeout;
    std::uint8_t m_buffer[SOCKET_SEGMENT_SIZE];
    CCriticalSection m_lock;
    CTcpSocket m_socket;
    std::uint32_t m_localPort;
    ReceiverLinkRef m_link;
};

class CUdpRecvThread : public CSocketThread {
public:
    CUdpRecvThread(nvnet::SocketHandle handle, CCommLog* log);
    ~CUdpRecvThread() override;
    void SetOwner(nvnet::SocketOwner owner) { m_owner = owner; }
    void SetLink(const ReceiverLinkRef& link) { m_link = link; }
    int Run() override;
    int Exit() override;
    void Stop() override;
    void LogReceive(const std::uint8_t* data, int length);
    std::uint32_t LocalPort() const { return m_localPort; }

private:
    nvnet::SocketOwner m_owner = nullptr;
    std::uint8_t m_buffer[SOCKET_SEGMENT_SIZE];
    nvnet::InetAddress m_lastSender;
    CCriticalSection m_lock;
    CUdpSocket m_socket;
    CCommLog* m_log;
    std::uint32_t m_localPort;
    ReceiverLinkRef m_link;
};

// Hands n bytes to the owner; frees them again when the message cannot be posted.
void PostReceivedData(nvnet::SocketOwner owner, std::uint32_t kind, std::uint32_t localPort,
                      const std::uint8_t* data, int n);
// Posts an end form when the owner still exists.
void PostEndForm(nvnet::SocketOwner owner, int form, std::uint32_t lParam);

// Stops the thread referenced by link (if it has not ended) and waits until it has gone. Returns
// true when the handle the endpoint shares with the thread was closed from the thread's side
// (by this stop or by a time-out guard), so the endpoint must forget it rather than close it again.
bool StopLinkedThread(const ReceiverLinkRef& link);
void ForgetLinkedThread(const ReceiverLinkRef& link);
bool HasLinkedThread(const ReceiverLinkRef& link);
// Registers a new thread in link and starts it; false (and nothing registered) when it won't start.
bool StartLinkedThread(const ReceiverLinkRef& link, CSocketThread* thread);
