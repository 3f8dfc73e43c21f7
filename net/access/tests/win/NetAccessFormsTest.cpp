// The call-partner look-up and the web-mail form over WinINet with the program's policy, against
// the account_forms peer (started by CTest); what the server saw is read from its request log.
#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadPeerFile(const char* suffix)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/account_forms" + suffix),
                     std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

int CountRequests(const std::string& path)
{
    std::istringstream lines(ReadPeerFile(".log"));
    std::string line;
    int count = 0;
    while (std::getline(lines, line))
        if (line.find("\"path\": \"" + path + "\"") != std::string::npos)
            ++count;
    return count;
}

class Info : public CNetInfo {
public:
    bool HasServiceSession() const override { return false; }
};

struct Forms {
    Forms()
    {
        info.SetProfileStore(&profile);
        info.Load("Signup", "NetInfo");
        info.m_Comm_id = "me01";
        info.m_Comm_data = "p&w=1";
        info.m_E_mail = "a+b@example.jp";
        info.m_LoginPasswd = "pass";
    }
    CMemoryProfile profile;
    Info info;
    const std::string server = "http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile(".port").c_str()));
    CInternetPolicy policy{info};
    CWinInetFormPoster poster{&policy};
    CNetInfoAccount account{info, [this](const char*) { return CString(server); }};
    CServiceForms forms{account, poster};
    CStringTableTexts texts;
    CNetAccess access{info, forms, texts};
};

} // namespace

TEST(NetAccessForms, LookUpsGoToTheServerOnceAndThenComeFromTheCache)
{
    Forms f;
    const int before = CountRequests("/menu/NCsrchNCID.cgi");
    CString result;
    ASSERT_EQ(0, f.access.LookupCallPartner(true, "friend&1", &result));
    EXPECT_STREQ("NC-friend&1", result.GetString()) << "the ID arrived whole";
    ASSERT_EQ(0, f.access.LookupCallPartner(true, "friend&1", &result));
    EXPECT_EQ(before + 1, CountRequests("/menu/NCsrchNCID.cgi"));

    ASSERT_EQ(0, f.access.LookupCallPartner(false, "NC9", &result));
    EXPECT_STREQ("ID-NC9", result.GetString());
    EXPECT_EQ(0x1f, f.access.LookupCallPartner(true, "unknown", &result));
}

TEST(NetAccessForms, TheWebMailFormIsAnsweredOk)
{
    Forms f;
    CString reply;
    EXPECT_EQ(0, f.access.PostMailForm("", &reply));
    EXPECT_EQ(0, f.access.PostMailForm("new.name", &reply));
    EXPECT_GE(CountRequests("/mail/redirect.pl"), 2);
}

// With a proxy in the settings, a form goes to the proxy (here the peer itself, which logs the
// absolute URL a proxy is asked for) with the proxy credentials of the settings.
TEST(NetAccessForms, AFormGoesThroughTheProxyOfTheSettings)
{
    Forms f;
    const std::string port = std::to_string(std::atoi(ReadPeerFile(".port").c_str()));
    f.info.SetConnectionSettings(true, 1, true, "127.0.0.1", port.c_str(), "nvuser", "nvpass");
    CString reply;
    std::uint32_t error = 0;
    HttpPostForm("http://192.0.2.1:81", "/proxied/form.cgi", "a=1", &reply, &error, &f.policy);
    std::istringstream lines(ReadPeerFile(".log"));
    std::string line, proxied;
    while (std::getline(lines, line))
        if (line.find("192.0.2.1:81/proxied/form.cgi") != std::string::npos)
            proxied = line;
    EXPECT_FALSE(proxied.empty()) << "the proxy was not asked (error " << error << ")";
}

TEST(NetAccessForms, AProxyThatAsksForCredentialsGetsThoseOfTheSettings)
{
    struct Row {
        const char *name, *password;
        bool answered;
    } rows[] = {{"right password", "nvpass", true}, {"wrong password", "other", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Forms f;
        const std::string port = std::to_string(std::atoi(ReadPeerFile(".port").c_str()));
        f.info.SetConnectionSettings(true, 1, true, "127.0.0.1", port.c_str(), "nvuser", r.password);
        CString reply;
        std::uint32_t error = 0;
        EXPECT_EQ(r.answered, HttpPostForm("http://192.0.2.1:81", "/proxy-auth/form.cgi", "a=1", &reply, &error,
                                           &f.policy))
            << error;
        if (r.answered) {
            EXPECT_STREQ("00:1.0\r\n01:OK\r\n", reply.GetString());
        } else {
            EXPECT_EQ(407u, error);
        }
    }
}

TEST(NetAccessForms, AWholeUrlReadTakesTheProxyAndItsCredentials)
{
    Forms f;
    const std::string port = std::to_string(std::atoi(ReadPeerFile(".port").c_str()));
    f.info.SetConnectionSettings(true, 1, true, "127.0.0.1", port.c_str(), "nvuser", "nvpass");
    CString text;
    long error = 0;
    EXPECT_TRUE(winutil::HttpGetUrl("http://192.0.2.1:81/proxy-auth/page.html", text, nullptr,
                                    f.policy.HttpOptions("http://192.0.2.1:81/proxy-auth/page.html"), &error))
        << error;
    EXPECT_STREQ("00:1.0\r\n01:OK\r\n", text.GetString());
}
