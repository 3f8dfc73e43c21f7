// nv_http_probe PORT PATH BODY_HEX: posts the body to 127.0.0.1:PORT and prints the reply's body.
// Exit code 0 for status 200, 1 for any other reply, 2 when nothing came back.
#include "tests/e2e/HttpProbe.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: nv_http_probe PORT PATH BODY_HEX\n");
        return 2;
    }
    std::string body;
    for (const char* p = argv[3]; p[0] && p[1]; p += 2)
        body += static_cast<char>(std::strtol(std::string(p, 2).c_str(), nullptr, 16));
    nvtest::HttpReply reply = nvtest::HttpPost("127.0.0.1", std::atoi(argv[1]), argv[2], body);
    if (!reply.status) {
        std::fprintf(stderr, "%s\n", reply.error.c_str());
        return 2;
    }
    std::fwrite(reply.body.data(), 1, reply.body.size(), stdout);
    return reply.status == 200 ? 0 : 1;
}
