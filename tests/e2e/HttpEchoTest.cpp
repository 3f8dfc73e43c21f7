// A Windows test program reaches a peer that CTest started for it (fixture peer_http_echo).
#include "tests/e2e/HttpProbe.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::string& unixPath)
{
    std::ifstream in(nvtest::UnixToWindowsPath(unixPath), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(PeerFromCTest, PostReachesTheEchoPeerAndIsLogged)
{
    std::string folder = nvtest::Env("NV_PEER_DIR");
    ASSERT_FALSE(folder.empty());
    int port = std::atoi(ReadFile(folder + "/http_echo.port").c_str());
    ASSERT_GT(port, 0);

    // CP932 text with a 0x5C trail byte must arrive byte for byte.
    nvtest::HttpReply reply = nvtest::HttpPost("127.0.0.1", port, "/menu/LNLogin.cgi", "id=\x83\x5C&x=1");
    ASSERT_EQ(200, reply.status) << reply.error;
    EXPECT_NE(std::string::npos, reply.body.find("\"body_hex\": \"69643d835c26783d31\"")) << reply.body;

    std::string log = ReadFile(folder + "/http_echo.log");
    EXPECT_NE(std::string::npos, log.find("\"path\": \"/menu/LNLogin.cgi\"")) << log;
}

} // namespace
