// A plain Winsock HTTP/1.0 POST, used to prove that Windows programs under Wine reach the
// loopback peers.
#pragma once

#include <string>

namespace nvtest {

struct HttpReply {
    int status = 0;      // 0 when no reply was read
    std::string body;
    std::string error;   // why it failed, for the test's message
};

HttpReply HttpPost(const std::string& host, int port, const std::string& path, const std::string& body);

} // namespace nvtest
