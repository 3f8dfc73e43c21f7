// The communication-name change over WinINet against the account_forms peer (started by CTest):
// changed, unchanged, refused, the call ID withdrawn first, a refused withdrawal; what the server
// saw is read from its request log.
#include "shell/settings/CommNameChange.h"

#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadPeerFile(const char* suffix)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/account_forms" + suffix),
                     std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::size_t LogLines()
{
    const std::string log = ReadPeerFile(".log");
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
}

// The paths the peer was asked for since it had skip lines.
std::vector<std::string> PathsSince(std::size_t skip)
{
    std::istringstream lines(ReadPeerFile(".log"));
    std::string line;
    std::vector<std::string> paths;
    for (std::size_t i = 0; std::getline(lines, line); ++i) {
        if (i < skip)
            continue;
        const std::string key = "\"path\": \"";
        const std::size_t at = line.find(key);
        if (at != std::string::npos)
            paths.push_back(line.substr(at + key.size(), line.find('"', at + key.size()) - at - key.size()));
    }
    return paths;
}

class RecordingHost : public INameChangeHost {
public:
    bool IsLoggedIn() override { return true; }
    void EndPhoneSession() override { log.push_back("end phone"); }
    void SaveAccount() override { log.push_back("save"); }
    void UpdateOwnName(const CString&, const CString&, const CString&, const CString&) override { log.push_back("own name"); }
    void RefreshNetworkInfo() override { log.push_back("refresh"); }
    void ShowMessage(unsigned id, int number, unsigned) override
    {
        log.push_back("msg " + std::to_string(id) + (number == kNoNumber ? "" : " #" + std::to_string(number)));
    }
    void ShowServiceText(const CString& text, unsigned) override { log.push_back(std::string("text ") + text.GetString()); }
    void LogOut() override { log.push_back("logout"); }
    std::vector<std::string> log;
};

class Info : public CNetInfo {
public:
    bool HasServiceSession() const override { return false; }
};

} // namespace

TEST(NameChangeOverTheForms, OutcomesAgainstTheAccountService)
{
    const std::string server = "http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile(".port").c_str()));
    const char* const change = "/cmtool/menu/PC_IDChgEIA.cgi";
    const char* const withdraw = "/menu/NCunsignup.cgi";
    const struct {
        const char* name;
        const char* commId;
        const char* callId;
        std::vector<std::string> paths;
        std::vector<std::string> log;
        const char* commIdAfter;
        const char* callIdAfter;
    } rows[] = {
        {"changed", "me01", "", {change}, {"save", "own name", "refresh", "msg 258", "logout"}, "ID", ""},
        {"unchanged", "unchanged", "", {change}, {"msg 14102"}, "unchanged", ""},
        {"refused", "refused", "", {change}, {"text message text (1234)\r\n"}, "refused", ""},
        {"call ID withdrawn, then changed", "me01", "8100", {withdraw, change},
         {"end phone", "save", "own name", "refresh", "msg 258", "logout"}, "ID", ""},
        {"withdrawal refused", "me01", "refused", {withdraw}, {"end phone", "msg 14102 #31", "msg 258", "logout"},
         "me01", "refused"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CMemoryProfile profile;
        Info info;
        info.SetProfileStore(&profile);
        info.Load("Signup", "NetInfo");
        info.m_LoginID = "login";
        info.m_LoginPasswd = "pass";
        info.m_Comm_id = row.commId;
        info.m_Comm_data = "pw";
        info.m_Comm_name = "Old";
        info.m_Comm_data2 = row.callId;
        CInternetPolicy policy{info};
        CWinInetFormPoster poster{&policy};
        CNetInfoAccount account{info, [&](const char*) { return CString(server.c_str()); }};
        CServiceForms forms{account, poster};
        RecordingHost host;
        const std::size_t before = LogLines();
        CCommNameChange(info, forms, host).Run("New");
        EXPECT_EQ(row.paths, PathsSince(before));
        EXPECT_EQ(row.log, host.log);
        EXPECT_STREQ(row.commIdAfter, info.m_Comm_id.GetString());
        EXPECT_STREQ(row.callIdAfter, info.m_Comm_data2.GetString());
    }
}
