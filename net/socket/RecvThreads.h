// The receive threads of CTcpClient and CUdpEndpoint. Each reads its socket until it ends, hands
// every chunk to the owner as WM_SOCKET_RECEIVE with a heap SocketDataRecord, and always finishes
// with exactly one end form when the owner still exists (also after a stop, a time-out or an
// exception). The thread shares its endpoint's socket handle (see Socket.h) and deletes itself;
// the endpoint reaches it only through a CReceiverSlot, whose link the thread clears (under the
// link's lock) before it goes, so an owner never stops a thread that has already deleted itself.
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
    ThreadCompletionRef handle;      // what a stop waits on
};
using ReceiverLinkRef = std::shared_ptr<ReceiverLink>;

// The part both receive threads share: the owner, the link to the endpoint and the socket.
class CRecvThreadBase : public CSocketThread {
public:
    void SetOwner(nvnet::SocketOwner owner) { m_owner = owner; }
    void SetLink(const ReceiverLinkRef& link) { m_link = link; }
    // Leaves the link: the endpoint no longer reaches this thread.
    int Exit() override;
    const char* FailureSite() const override { return "socket receive thread"; }
    std::uint32_t LocalPort() const { return m_localPort; }

protected:
    explicit CRecvThreadBase(nvnet::SocketHandle handle);
    // Reports what the loop threw and closes the socket; the loop then posts its end form -1.
    void OnLoopFailure(CCommSocket& socket);

    nvnet::SocketOwner m_owner = nullptr;
    std::uint32_t m_localPort;
    std::uint8_t m_buffer[SOCKET_SEGMENT_SIZE];

private:
    ReceiverLinkRef m_link;
};

class CTcpRecvThread : public CRecvThreadBase {
public:
    CTcpRecvThread(const SocketHandleRef& socket, std::uint32_t timeoutMs);
    int Run() override;
    void Stop() override { m_socket.Close(); }

private:
    std::uint32_t m_timeout;
    CTcpSocket m_socket;
};

class CUdpRecvThread : public CRecvThreadBase {
public:
    // log: the endpoint's traffic log, shared so that it outlives an endpoint the thread outlives;
    // null writes none.
    CUdpRecvThread(const SocketHandleRef& socket, std::shared_ptr<CCommLog> log);
    int Run() override;
    void Stop() override { m_socket.Close(); }
    void LogReceive(const std::uint8_t* data, int length);

private:
    CUdpSocket m_socket;
    std::shared_ptr<CCommLog> m_log;
};

// Hands n bytes to the owner; frees them again when the message cannot be posted.
void PostReceivedData(nvnet::SocketOwner owner, std::uint32_t kind, std::uint32_t localPort,
                      const std::uint8_t* data, int n);
// Posts an end form when the owner still exists.
void PostEndForm(nvnet::SocketOwner owner, int form, std::uint32_t lParam);

// How long a stop waits for a receive thread to end (the owner's window thread waits, so never
// without limit). A thread that overruns it is reported and forgotten; it ends on its own later
// and touches nothing of the endpoint but what it shares. Tests may shorten it; 0 restores 5 s.
void SetReceiverStopLimit(std::uint32_t ms);

// The endpoint's side of its receive thread, the same for TCP and UDP.
class CReceiverSlot {
public:
    CReceiverSlot();
    // Links the thread (owner, link) and starts it; false when it won't start (the thread object
    // is then deleted, nothing is linked).
    bool Start(CRecvThreadBase* thread, nvnet::SocketOwner owner);
    // Stops the linked thread (when it has not ended) and waits, within the stop limit, until it
    // has gone; false when it overran the limit.
    bool Stop();
    // Forgets the thread reference (the owner handles an end form, or closes).
    void Release();
    bool Has();

private:
    ReceiverLinkRef m_link;
};
