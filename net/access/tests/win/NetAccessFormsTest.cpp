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
