#include "shell/settings/CommNameChange.h"

#include "net/access/NetAccount.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

const char kChanged[] = "00:1.0\r\n01:OK\r\n17:NEWID\r\n18:NEWPW\r\n19:NewName\r\n";
const char kUnchanged[] = "00:1.0\r\n01:OK\r\n17:OLDID\r\n18:OLDPW\r\n19:OldName\r\n";
const char kRefused[] = "00:1.0\r\n01:NG\r\n98:\r\nname taken (4321)<br>\r\n99:\r\n";
const char kRefusedNoNumber[] = "00:1.0\r\n01:NG\r\n98:\r\nname taken<br>\r\n99:\r\n";
const char kMalformed[] = "garbage";
const char kWithdrawn[] = "version:0x0220\r\ntype:0x0204\r\nseq:1\r\nid:OLDID\r\nsession:1\r\nerrno:0\r\noth_id:\r\n";
const char kWithdrawRefused[] = "version:0x0220\r\ntype:0x0204\r\nseq:1\r\nid:OLDID\r\nsession:1\r\nerrno:1f\r\n";

// Answers posts from a list (null: no reply, error 12029) and records the paths.
class RecordingPoster : public IFormPoster {
public:
    bool PostForm(const char*, const char* path, const CString& body, CString* reply, std::uint32_t* error) override
    {
        paths.push_back(path);
        bodies.push_back(body.GetString());
        const char* next = replies.empty() ? nullptr : replies.front();
        if (!replies.empty())
            replies.pop_front();
        if (!next) {
            *error = 12029;
            return false;
        }
        *reply = next;
        return true;
    }
    std::deque<const char*> replies;
    std::vector<std::string> paths, bodies;
};

class RecordingHost : public INameChangeHost {
public:
    bool IsLoggedIn() override { return loggedIn; }
    void EndPhoneSession() override { log.push_back("end phone"); }
    void SaveAccount() override { log.push_back("save"); }
    void UpdateOwnName(const CString& id, const CString& name, const CString&, const CString& oldId) override
    {
        log.push_back(std::string("own ") + id.GetString() + " " + name.GetString() + " was " + oldId.GetString());
    }
    void RefreshNetworkInfo() override { log.push_back("refresh"); }
    void ShowMessage(unsigned id, int number, unsigned flags) override
    {
        log.push_back("msg " + std::to_string(id) + (number == kNoNumber ? "" : " #" + std::to_string(number)) +
                      " icon " + std::to_string(flags));
    }
    void ShowServiceText(const CString& text, unsigned) override { log.push_back(std::string("text ") + text.GetString()); }
    void LogOut() override { log.push_back("logout"); }
    bool loggedIn = false;
    std::vector<std::string> log;
};

} // namespace

TEST(CommNameChange, OutcomesOfTheWithdrawalAndTheAccountForm)
{
    const char* const unsignup = "/menu/NCunsignup.cgi";
    const char* const change = "/cmtool/menu/PC_IDChgEIA.cgi";
    const struct {
        const char* name;
        const char* callId;
        bool loggedIn;
        std::deque<const char*> replies;
        std::vector<std::string> paths;
        std::vector<std::string> log;
        const char* commId;
        const char* callIdAfter;
    } rows[] = {
        {"changed, logged out", "", false, {kChanged}, {change},
         {"save", "own NEWID NewName was OLDID", "refresh"}, "NEWID", ""},
        {"changed while logged in", "", true, {kChanged}, {change},
         {"save", "own NEWID NewName was OLDID", "refresh", "msg 258 icon 48", "logout"}, "NEWID", ""},
        {"unchanged", "", true, {kUnchanged}, {change}, {"msg 14102 icon 16"}, "OLDID", ""},
        {"refused with number", "", true, {kRefused}, {change}, {"text name taken (4321)\r\n"}, "OLDID", ""},
        {"refused without number", "", true, {kRefusedNoNumber}, {change}, {"text name taken\r\n"}, "OLDID", ""},
        {"malformed reply", "", true, {kMalformed}, {change}, {"msg 14102 #-2 icon 16"}, "OLDID", ""},
        {"no reply: the form's error", "", true, {nullptr}, {change}, {"msg 14102 #12029 icon 16"}, "OLDID", ""},
        {"call ID withdrawn, then changed", "8100", true, {kWithdrawn, kChanged}, {unsignup, change},
         {"end phone", "save", "own NEWID NewName was OLDID", "refresh", "msg 258 icon 48", "logout"}, "NEWID", ""},
        {"call ID withdrawn, change refused", "8100", true, {kWithdrawn, kRefused}, {unsignup, change},
         {"end phone", "text name taken (4321)\r\n", "save", "msg 258 icon 48", "logout"}, "OLDID", ""},
        {"withdrawal refused stops the change", "8100", true, {kWithdrawRefused}, {unsignup},
         {"end phone", "msg 14102 #31 icon 16", "msg 258 icon 48", "logout"}, "OLDID", "8100"},
        {"withdrawal unanswered stops the change", "8100", false, {nullptr}, {unsignup},
         {"end phone", "msg 14102 #12029 icon 16"}, "OLDID", "8100"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CNetInfo info;
        info.m_LoginID = "login";
        info.m_LoginPasswd = "lpw";
        info.m_Comm_id = "OLDID";
        info.m_Comm_data = "OLDPW";
        info.m_Comm_name = "OldName";
        info.m_Comm_data2 = row.callId;
        CNetInfoAccount account(info, [](const char*) { return CString("http://127.0.0.1:1"); });
        RecordingPoster poster;
        poster.replies = row.replies;
        CServiceForms forms(account, poster);
        RecordingHost host;
        host.loggedIn = row.loggedIn;
        CCommNameChange(info, forms, host).Run("NewName");
        EXPECT_EQ(row.paths, poster.paths);
        EXPECT_EQ(row.log, host.log);
        EXPECT_EQ(CString(row.commId), info.m_Comm_id);
        EXPECT_EQ(CString(row.callIdAfter), info.m_Comm_data2);
    }
}

TEST(CommNameChange, PostsTheOldAccountAndTheNewNameEncoded)
{
    CNetInfo info;
    info.m_LoginID = "login";
    info.m_LoginPasswd = "a&b";
    info.m_Comm_id = "OLDID";
    info.m_Comm_data = "OLDPW";
    info.m_Comm_name = "Old";
    CNetInfoAccount account(info, [](const char*) { return CString("http://127.0.0.1:1"); });
    RecordingPoster poster;
    poster.replies = {kChanged};
    CServiceForms forms(account, poster);
    RecordingHost host;
    CCommNameChange(info, forms, host).Run("\x83\x6a\x83\x93"); // "ニン"
    ASSERT_EQ(1u, poster.bodies.size());
    EXPECT_EQ("s_id=login&comm_id=OLDID&comm_password=OLDPW&login_id=login&login_password=a%26b&n_name=%83j%83%93",
              poster.bodies[0]);
}
