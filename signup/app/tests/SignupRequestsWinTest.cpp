// The sign-up requests over WinINet against the sign-up service peer (which CTest starts): a new
// registration, the verification with a new communication ID, and a recovery of the account the
// peer issued; what the server saw and in what order is read from the peer's log.
#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"
#include "net/forms/win/HttpPostForm.h"
#include "signup/core/Sha1.h"
#include "signup/core/SignupRequests.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadPeerFile(const char* suffix)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/signup_service" + suffix),
                     std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

CString ServerUrl() { return CString(("http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile(".port").c_str()))).c_str()); }

// The request kinds of the peer's log in order, and whether it logged a broken rule.
std::vector<std::string> LoggedKinds(bool* violation)
{
    std::vector<std::string> kinds;
    std::istringstream lines(ReadPeerFile(".log"));
    *violation = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\"kind\": \"violation\"") != std::string::npos)
            *violation = true;
        const std::string marker = "\"request_kind\": \"";
        std::size_t at = line.find(marker);
        if (at != std::string::npos)
            kinds.push_back(line.substr(at + marker.size(), line.find('"', at + marker.size()) - at - marker.size()));
    }
    return kinds;
}

struct Client {
    CNetInfo net;
    CNetInfoAccount account{net, [](const char*) { return ServerUrl(); }};
    CInternetPolicy policy{net};
    CWinInetFormPoster poster{&policy};
    CServiceForms forms{account, poster};
    CSignupRequests requests{net, forms};
};

} // namespace

TEST(SignupRequestsOverLan, RegistrationVerificationAndRecoveryAgainstThePeer)
{
    bool violation = false;
    const std::size_t before = LoggedKinds(&violation).size();
    Client client;
    SignupRecord record;
    record.Name = "\x8e\x52\x93\x63"; // Japanese, and the characters forms treat specially
    record.Name2 = "a&b=c+d%e";
    record.Address1 = "Minato 1-2-3";
    record.VerkID = "wish1";
    record.MachineId = Sha1Hex(CString("machine"));
    ASSERT_EQ(0, client.requests.PostSignupForm(record)) << client.requests.ServerMessage().GetString();
    const CString login = client.net.m_LoginID, password = client.net.m_LoginPasswd;
    EXPECT_EQ(0, login.Find("nv"));
    EXPECT_FALSE(password.IsEmpty());
    EXPECT_STREQ("192.0.2.1", client.net.m_PrimaryDNS.GetString());

    const CSignupRequests::Outcome verified = client.requests.VerifyAccount(0, "nick");
    EXPECT_EQ(0, verified.result) << client.requests.ServerMessage().GetString();
    EXPECT_TRUE(verified.save);
    EXPECT_EQ(6, verified.nextPage);
    EXPECT_EQ(0, client.net.m_Comm_id.Find("0500"));
    EXPECT_STREQ("nick", client.net.m_Comm_name.GetString());

    // Another run recovers the same account with the login data alone.
    Client other;
    other.net.m_LoginID = login;
    other.net.m_LoginPasswd = password;
    const CSignupRequests::Outcome recovered = other.requests.VerifyAccount(2, "");
    EXPECT_EQ(0, recovered.result);
    EXPECT_FALSE(recovered.askedCommunicationId) << "the recovered account brings its communication ID";
    EXPECT_STREQ(client.net.m_Comm_id.GetString(), other.net.m_Comm_id.GetString());

    // A wrong password is refused with the server's text and changes nothing.
    Client wrong;
    wrong.net.m_LoginID = login;
    wrong.net.m_LoginPasswd = "not-it";
    const CSignupRequests::Outcome refused = wrong.requests.VerifyAccount(2, "");
    EXPECT_EQ(2, refused.result);
    EXPECT_EQ(0u, refused.textId);
    EXPECT_EQ(4, refused.nextPage);
    EXPECT_TRUE(wrong.net.m_Comm_id.IsEmpty());

    std::vector<std::string> kinds = LoggedKinds(&violation);
    ASSERT_EQ(before + 5, kinds.size());
    const std::vector<std::string> expected = {"signup", "recovery", "commid", "recovery", "recovery"};
    EXPECT_EQ(expected, std::vector<std::string>(kinds.begin() + static_cast<std::ptrdiff_t>(before), kinds.end()));
    EXPECT_FALSE(violation) << ReadPeerFile(".log");
}
