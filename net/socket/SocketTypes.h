// What the socket library hands its owners: result codes, the received-data message and its record.
#pragma once

#include <cstdint>

// Posted to the owner window of a CTcpClient or CUdpEndpoint (WM_USER + 101).
//   wParam = count > 0: lParam is a SocketDataRecord* holding count bytes;
//   wParam = 0, -1, -2: the receive thread ended (peer closed, receive failed, network failed);
//                       lParam is the local port, OR SOCKET_END_FLAG for a TCP connection.
constexpr unsigned WM_SOCKET_RECEIVE = 0x465;
constexpr std::uint32_t SOCKET_END_FLAG = 0x10000000;
constexpr std::uint32_t SOCKET_RECORD_TCP = 10100;
constexpr std::uint32_t SOCKET_RECORD_UDP = 10101;
// One receive call reads at most one Ethernet segment.
constexpr int SOCKET_SEGMENT_SIZE = 1460;

enum SocketResult : std::uint32_t {
    SOCKET_OK = 0,
    SOCKET_ERR_CREATE = 10000,       // socket creation, or (TCP) switching blocking mode
    SOCKET_ERR_CONNECT = 10001,      // host not resolved, connect refused or unfinished, select failed
    SOCKET_ERR_BIND = 10002,         // UDP peer not resolved, or bind failed
    SOCKET_ERR_TCP_THREAD_MEMORY = 10003,
    SOCKET_ERR_TCP_THREAD_START = 10004,
    SOCKET_ERR_TIMEOUT_THREAD = 10005,
    SOCKET_ERR_UDP_THREAD_MEMORY = 10006,
    SOCKET_ERR_UDP_THREAD_START = 10007,
    SOCKET_ERR_SHORT_SEND = 10010,
    SOCKET_ERR_SHORT_SENDTO = 10011, // also: the destination does not resolve
    SOCKET_ERR_EMPTY = 10015,        // length below 1
};

// Heap record of one received chunk. The receive thread allocates it and its data block (count + 1
// bytes, the last one 0 so that text can be read in place); the owner releases both with
// FreeSocketBuffer (count, record).
struct SocketDataRecord {
    std::uint32_t kind;      // SOCKET_RECORD_TCP or SOCKET_RECORD_UDP
    std::uint32_t localPort; // host order
    std::uint8_t* data;
};

// Frees a record and its data block when count (the wParam it came with) is 1..1460; any other
// count (the end forms) frees nothing.
void FreeSocketBuffer(int count, SocketDataRecord* record);
