// One outgoing TCP connection for one owner window, with a receive thread of its own.
//
// Received bytes reach the owner only as WM_SOCKET_RECEIVE (see SocketTypes.h), posted from the
// receive thread; sends are blocking calls on the caller's thread. The chat engine and the message
// client build on this:
//   construct; Connect; Send/SendText from the owner's thread while WM_SOCKET_RECEIVE arrives;
//   on an end form: ReleaseReceiver (and usually Close); to stop: Close, then delete.
// Close may also be called at any time after an end form was posted but not yet handled: the
// client then finds that the thread has gone and does not touch it. The client and its thread
// share one socket handle: once a time-out or a stop has closed it, Send and SendText fail with
// SOCKET_ERR_SHORT_SEND without reaching the network, and Close does not close it again.
#pragma once

#include "net/socket/CommLog.h"
#include "net/socket/RecvThreads.h"
#include "net/socket/Socket.h"
#include "net/socket/SocketApi.h"
#include "net/socket/SocketTypes.h"

#include <cstdint>

class CTcpClient {
public:
    // timeoutMs 0: sends and receives are not guarded. The TCP side writes no traffic log.
    CTcpClient(nvnet::SocketOwner owner, std::uint32_t timeoutMs, std::uint32_t logFlags);
    virtual ~CTcpClient();
    CTcpClient(const CTcpClient&) = delete;
    CTcpClient& operator=(const CTcpClient&) = delete;

    // Connects (waiting at most 15 s for the connection to complete) and starts the receive thread.
    // A refused, failed or unfinished connection is SOCKET_ERR_CONNECT.
    SocketResult Connect(const char* host, std::uint16_t port);
    SocketResult Send(const void* buf, int len);
    // Sends the text without its NUL under a time-out guard of ms milliseconds (the chat engine
    // passes 5000); SOCKET_ERR_SHORT_SEND unless all of it went out.
    SocketResult SendText(std::uint32_t ms, const char* text);
    // Stops the receive thread (the owner still gets its end form while the window exists),
    // closes the socket and forgets the thread. Returns after the thread has ended, or after the
    // stop limit (5 s, reported to the failure hook) when it does not end.
    void Close();
    void StopReceiver();
    void ReleaseReceiver();

    CTcpSocket& GetSocket() { return m_socket; } // Shutdown, GetLocalPort
    SocketResult GetLastResult() const { return m_lastResult; }
    bool HasReceiver();
    std::uint32_t GetSegmentSize() const { return m_segmentSize; }
    std::uint32_t GetLogFlags() const { return m_logFlags; }

private:
    // Stores a failure as the last result (a success leaves the last result as it was).
    SocketResult Fail(SocketResult failure)
    {
        m_lastResult = failure;
        return failure;
    }

    nvnet::SocketOwner m_owner;
    std::uint32_t m_segmentSize = SOCKET_SEGMENT_SIZE;
    SocketResult m_lastResult = SOCKET_OK;
    std::uint32_t m_logFlags;
    CReceiverSlot m_receiver; // the receive-thread reference and the client lock
    CTcpSocket m_socket;
    CCommLog m_log;
    std::uint32_t m_timeout;
};
