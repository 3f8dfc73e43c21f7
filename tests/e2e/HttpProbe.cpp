#include "tests/e2e/HttpProbe.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>

namespace nvtest {

HttpReply HttpPost(const std::string& host, int port, const std::string& path, const std::string& body)
{
    HttpReply reply;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        reply.error = "WSAStartup failed";
        return reply;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(host.c_str());
    DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (s == INVALID_SOCKET || connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        reply.error = "connect failed: " + std::to_string(WSAGetLastError());
    } else {
        char head[512];
        std::snprintf(head, sizeof head,
                      "POST %s HTTP/1.0\r\nHost: %s\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                      "Content-Length: %u\r\n\r\n",
                      path.c_str(), host.c_str(), static_cast<unsigned>(body.size()));
        std::string request = std::string(head) + body;
        if (send(s, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
            reply.error = "short send";
        } else {
            std::string response;
            char buffer[4096];
            int n;
            while ((n = recv(s, buffer, sizeof buffer, 0)) > 0)
                response.append(buffer, static_cast<std::size_t>(n));
            std::size_t split = response.find("\r\n\r\n");
            if (response.compare(0, 5, "HTTP/") != 0 || split == std::string::npos) {
                reply.error = "no HTTP reply";
            } else {
                reply.status = std::atoi(response.c_str() + response.find(' ') + 1);
                reply.body = response.substr(split + 4);
            }
        }
    }
    if (s != INVALID_SOCKET)
        closesocket(s);
    WSACleanup();
    return reply;
}

} // namespace nvtest
