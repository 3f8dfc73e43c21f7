// UDP sockets on the loopback address for tests that need a port of their own (header only: the
// tests that use it link the socket library themselves).
#pragma once

#include <winsock2.h>

#include <cstdint>

namespace nvtest {

// A UDP socket bound to 127.0.0.1 on a port the system chose; port receives that port.
inline SOCKET BoundSocket(std::uint16_t& port)
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0x7F000001);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

// A loopback UDP port that was free a moment ago (bound, read and released).
inline std::uint16_t FreePort()
{
    std::uint16_t port = 0;
    closesocket(BoundSocket(port));
    return port;
}

} // namespace nvtest
