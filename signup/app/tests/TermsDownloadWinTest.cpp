// The terms download over WinINet against the sign-up service peer (which CTest starts): the
// text arrives with CR LF line ends only, piece by piece; a missing page and a closed port fail.
#include "signup/app/TermsDownload.h"

#include "tests/support/WinTestSupport.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string PeerRoot()
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/signup_service.port"));
    int port = 0;
    in >> port;
    return "http://127.0.0.1:" + std::to_string(port);
}

winutil::HttpGetOptions Options()
{
    winutil::HttpGetOptions options;
    options.agent = "Mozilla/4.0 (ZavudaZozida/1.1; QELO/Windows/Signup)";
    options.accessType = INTERNET_OPEN_TYPE_DIRECT;
    return options;
}

} // namespace

TEST(TermsDownload, TheTermsArriveWithCrLfLineEndsOnly)
{
    CTermsDownload download;
    std::size_t shownLength = 0;
    int shown = 0;
    const TermsResult result = download.Fetch(CString((PeerRoot() + "/signup_pc/kiyaku.txt").c_str()), Options(),
                                              [&](const std::string& text) {
                                                  EXPECT_GE(text.size(), shownLength) << "the text only grows";
                                                  shownLength = text.size();
                                                  ++shown;
                                              });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(0, result.error);
    EXPECT_GE(result.pieces, 1);
    EXPECT_EQ(result.pieces, shown);
    const std::string& text = download.Text();
    EXPECT_EQ(shownLength, text.size());
    EXPECT_EQ(0u, text.find("\x83\x6c\x83\x62\x83\x67\x83\x8f\x81\x5b\x83\x4e")); // ネットワーク
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "a lone CR at " << i;
            ++lineEnds;
        } else if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "a lone LF at " << i;
        }
    }
    EXPECT_EQ(40u * 4u, lineEnds) << "four line ends of each kind per block, none lost or doubled";
}

TEST(TermsDownload, AMissingPageOrAClosedPortFails)
{
    const std::string urls[] = {PeerRoot() + "/signup_pc/none.txt", "http://127.0.0.1:9/signup_pc/kiyaku.txt"};
    for (const std::string& url : urls) {
        CTermsDownload download;
        const TermsResult result = download.Fetch(CString(url.c_str()), Options(), nullptr);
        EXPECT_FALSE(result.ok) << url;
        EXPECT_NE(0, result.error) << url;
    }
}
