// One bound UDP socket with a stored peer, for one owner window, with a receive thread of its own.
// Datagrams reach the owner as WM_SOCKET_RECEIVE (one message per datagram, kind 10101); a UDP
// end form carries the bare local port and is never the wParam 0 form. Calling order as for
// CTcpClient, and so is the sharing of the socket handle with the receive thread.
#pragma once

#include "net/socket/CommLog.h"
#include "net/socket/RecvThreads.h"
#include "net/socket/Socket.h"
#include "net/socket/SocketApi.h"
#include "net/socket/SocketTypes.h"

#include <cstdint>
#include <memory>

class CUdpEndpoint {
public:
    // logFlag 1 writes UDP_SEND_LOG.CSV for every datagram sent; any non-zero value makes the
    // receive thread write UDP_RECV_LOG.CSV.
    CUdpEndpoint(nvnet::SocketOwner owner, std::uint32_t logFlag);
    virtual ~CUdpEndpoint();
    CUdpEndpoint(const CUdpEndpoint&) = delete;
    CUdpEndpoint& operator=(const CUdpEndpoint&) = delete;

    // Binds localPort (0: any) and stores the peer (null or empty host: this machine).
    SocketResult Open(const char* peerHost, std::uint16_t peerPort, std::uint16_t localPort);
    SocketResult Send(const void* buf, int len);
    SocketResult SendTo(const void* buf, int len, const char* host, std::uint16_t port);
    void Close();
    void StopReceiver();
    void ReleaseReceiver();
    void LogSend(const std::uint8_t* data, int length);

    CUdpSocket& GetSocket() { return m_socket; }
    CCommLog& GetLog() { return *m_log; }
    SocketResult GetLastResult() const { return m_lastResult; }
    bool HasReceiver();
    std::uint32_t GetSegmentSize() const { return m_segmentSize; }

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
    std::uint32_t m_logFlag;
    CReceiverSlot m_receiver;
    CUdpSocket m_socket;
    // Shared with the receive thread, which may outlive the endpoint after a stop that overran.
    std::shared_ptr<CCommLog> m_log;
};
