// udp_pingpong: a bare exchange of datagrams between two processes, the yardstick for the
// signalling of a call. The server answers each request with the replies it asks for (byte 0:
// how many, then their sizes as 16-bit big-endian numbers); the client times exchanges given as
// "request size:reply size,reply size" and prints the median of each, in microseconds.
//   udp_pingpong server <port>
//   udp_pingpong client <port> <repeats> <exchange>...   e.g. 76:84 196:32,72
//   udp_pingpong client <port> 0                         ends the server
#include <winsock2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

struct Exchange {
    int request = 32;
    std::vector<int> replies;
};

Exchange Parse(const std::string& text)
{
    Exchange e;
    std::size_t colon = text.find(':');
    e.request = std::atoi(text.substr(0, colon).c_str());
    std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
    while (!rest.empty()) {
        std::size_t comma = rest.find(',');
        e.replies.push_back(std::atoi(rest.substr(0, comma).c_str()));
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    return e;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0x7F000001);
    bool server = std::string(argv[1]) == "server";
    address.sin_port = htons(static_cast<u_short>(server ? std::atoi(argv[2]) : 0));
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return 3;
    char buffer[2048] = {};
    if (server) {
        std::printf("ready\n");
        std::fflush(stdout);
        for (;;) {
            sockaddr_in from = {};
            int fromLength = sizeof from;
            int got = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got <= 0)
                continue;
            if (buffer[0] == 'q')
                break;
            int count = static_cast<unsigned char>(buffer[1]);
            for (int i = 0; i < count && 4 + 2 * i < got; ++i) {
                int size = static_cast<unsigned char>(buffer[2 + 2 * i]) << 8 | static_cast<unsigned char>(buffer[3 + 2 * i]);
                char reply[2048] = {};
                sendto(s, reply, std::min(size, 2048), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
            }
        }
        return 0;
    }
    if (argc < 4)
        return 2;
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(0x7F000001);
    peer.sin_port = htons(static_cast<u_short>(std::atoi(argv[2])));
    int repeats = std::atoi(argv[3]);
    if (repeats <= 0) {
        char quit[4] = {'q'};
        sendto(s, quit, sizeof quit, 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
        return 0;
    }
    std::vector<Exchange> exchanges;
    for (int i = 4; i < argc; ++i)
        exchanges.push_back(Parse(argv[i]));
    DWORD timeout = 2000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::vector<double> totals;
    for (int r = 0; r < repeats; ++r) {
        double start = Now();
        for (const Exchange& e : exchanges) {
            char request[2048] = {};
            request[0] = 'x';
            request[1] = static_cast<char>(e.replies.size());
            for (std::size_t i = 0; i < e.replies.size(); ++i) {
                request[2 + 2 * i] = static_cast<char>(e.replies[i] >> 8);
                request[3 + 2 * i] = static_cast<char>(e.replies[i]);
            }
            sendto(s, request, std::max(e.request, 4 + 2 * static_cast<int>(e.replies.size())), 0,
                   reinterpret_cast<sockaddr*>(&peer), sizeof peer);
            for (std::size_t i = 0; i < e.replies.size(); ++i)
                if (recv(s, buffer, sizeof buffer, 0) <= 0)
                    return 4;
        }
        totals.push_back(Now() - start);
    }
    std::sort(totals.begin(), totals.end());
    std::printf("median_us=%.0f\n", totals[totals.size() / 2]);
    return 0;
}
