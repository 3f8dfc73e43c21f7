// Test program for the UDP traffic logs: net_udp_log_probe <temp folder> <udp echo port> <hex>...
// Points TMP at the folder, opens a logging CUdpEndpoint to the echo peer, sends each datagram
// (given in hexadecimal), waits for every echo, closes and prints "echoed <n>".
#include <winsock2.h>

#include "net/socket/tests/win/OwnerWindow.h"

#include "net/socket/UdpEndpoint.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string FromHex(const char* hex)
{
    std::string bytes;
    for (const char* p = hex; p[0] && p[1]; p += 2) {
        char pair[3] = {p[0], p[1], 0};
        bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: net_udp_log_probe folder port hex...\n");
        return 2;
    }
    ::SetEnvironmentVariableA("TMP", argv[1]); // the log folder comes from GetTempPath
    OwnerWindow owner;
    std::size_t expected = 0;
    {
        CUdpEndpoint endpoint(owner.Handle(), 1);
        if (endpoint.Open("127.0.0.1", static_cast<std::uint16_t>(std::atoi(argv[2])), 0) != SOCKET_OK) {
            std::printf("open failed %u\n", static_cast<unsigned>(endpoint.GetLastResult()));
            return 1;
        }
        for (int i = 3; i < argc; ++i) {
            std::string datagram = FromHex(argv[i]);
            // One at a time, so the receive log has the same order as the send log.
            if (endpoint.Send(datagram.data(), static_cast<int>(datagram.size())) != SOCKET_OK)
                return 1;
            expected += datagram.size();
            if (!nvtest::PumpUntil([&] { return owner.data.size() >= expected; }, 10000))
                break;
        }
        endpoint.Close();
    }
    std::printf("echoed %d\n", owner.chunks);
    return owner.data.size() == expected ? 0 : 1;
}
