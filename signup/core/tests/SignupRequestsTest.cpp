#include "signup/core/SignupRequests.h"

#include "net/access/NetAccount.h"
#include "signup/core/Sha1.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

class ScriptedPoster : public IFormPoster {
public:
    bool PostForm(const char* url, const char* path, const CString& body, CString* reply, std::uint32_t* error) override
    {
        posts.push_back(std::string(url) + path + "?" + body.GetString());
        if (replies.empty() || replies.front() == nullptr) {
            if (!replies.empty())
                replies.pop_front();
            *error = 12029;
            return false;
        }
        *reply = replies.front();
        replies.pop_front();
        return true;
    }
    std::vector<std::string> posts;
    std::deque<const char*> replies; // nullptr: no reply
};

struct Fixture {
    CNetInfo net;
    CNetInfoAccount account{net, [](const char* name) { return CString("http://") + name; }};
    ScriptedPoster poster;
    CServiceForms forms{account, poster};
    CSignupRequests requests{net, forms};
};

const char kAccount[] = "00:1.0<br>01:OK<br>03:nv000001<br>04:pw000001<br>05:192.0.2.1<br>13:mailpw<br>";
const char kAccountCrLf[] = "00:1.0\r\n01:OK\r\n03:nv000001\r\n04:pw000001\r\n";
const char kRefused[] = "00:1.0<br>01:NG<br>98:<br>taken (2)<br>99:<br>";
const char kRefusedPlain[] = "00:1.0<br>01:NG<br>98:<br>no<br>99:<br>";
const char kMalformed[] = "01:OK<br>03:half<br>";
const char kLongSecret[] = "00:1.0<br>01:OK<br>03:nv000001<br>04:ssssssssssssssssssssssssssssssss<br>";
const char kCommId[] = "00:1.0<br>01:OK<br>17:C0000001<br>18:cpw<br>19:name<br>";
const char kCommIdWithout17[] = "00:1.0<br>01:OK<br>18:cpw<br>19:name<br>";
const char kCommIdLongSecret[] = "00:1.0<br>01:OK<br>17:C0000001<br>18:ssssssssssssssssssssssssssssssss<br>";

} // namespace

TEST(SignupRequests, SignUpRepliesAndWhatReachesTheAccount)
{
    const struct {
        const char* name;
        const char* reply;
        int result;
        const char* login;
    } rows[] = {
        {"accepted", kAccount, 0, "nv000001"},
        {"accepted, lines ending in CR LF", kAccountCrLf, 0, "nv000001"},
        {"refused with a code", kRefused, 2, ""},
        {"refused without a code", kRefusedPlain, 9999, ""},
        {"malformed", kMalformed, -2, ""},
        {"no reply", nullptr, -1, ""},
        {"a secret over 31 bytes", kLongSecret, CSignupRequests::kSecretTooLong, ""},
    };
    for (const auto& row : rows) {
        Fixture f;
        f.poster.replies.push_back(row.reply);
        SignupRecord record;
        record.MachineId = Sha1Hex(CString(""));
        EXPECT_EQ(row.result, f.requests.PostSignupForm(record)) << row.name;
        EXPECT_EQ(row.result, f.requests.LastResult());
        EXPECT_STREQ(row.login, f.net.m_LoginID.GetString()) << row.name;
        if (row.result != 0)
            EXPECT_STREQ("", f.net.m_LoginPasswd.GetString()) << row.name;
        ASSERT_EQ(1u, f.poster.posts.size());
        EXPECT_EQ(0u, f.poster.posts[0].find("http://SignupPage/signup_pc/signup_pc.cgi?ncid=da39a3ee")) << f.poster.posts[0];
    }
    Fixture f;
    f.poster.replies.push_back(kRefused);
    f.requests.PostSignupForm(SignupRecord());
    EXPECT_STREQ("taken (2)", f.requests.ServerMessage().GetString());
}

// Mode, the stored communication ID and the two replies, to what the verification page shows and
// where the wizard goes.
TEST(SignupRequests, VerificationOutcomes)
{
    const struct {
        const char* name;
        int mode;
        const char* storedCommId;
        const char* recovery;
        const char* commId;
        int result, code;
        unsigned textId;
        bool save;
        int nextPage;
        int posts;
        const char* commIdAfter;
    } rows[] = {
        {"recovery and a new ID", 2, "", kAccount, kCommId, 0, 0, 0, true, 6, 2, "C0000001"},
        {"an ID known already: no second request", 2, "C0000009", kAccount, nullptr, 0, 0, 0, true, 6, 1, "C0000009"},
        {"registration verified", 0, "", kAccount, kCommId, 0, 0, 0, true, 6, 2, "C0000001"},
        {"recovery refused", 2, "", kRefused, nullptr, 2, 2, 0, false, 4, 1, ""},
        {"recovery without reply", 2, "", nullptr, nullptr, -1, 12029, 173, false, 4, 1, ""},
        {"registration without reply", 0, "", nullptr, nullptr, -1, 12029, 134, false, 4, 1, ""},
        {"recovery malformed", 2, "", kMalformed, nullptr, -2, -2, 173, false, 4, 1, ""},
        {"ID request without reply", 2, "", kAccount, nullptr, -1, 12029, 150, false, 4, 2, ""},
        {"ID refused", 0, "", kAccount, kRefused, 2, 2, 0, false, 4, 2, ""},
        {"ID reply without the ID", 2, "", kAccount, kCommIdWithout17, CSignupRequests::kNoCommunicationId,
         CSignupRequests::kNoCommunicationId, 150, false, 4, 2, ""},
        {"ID reply with a long secret", 2, "", kAccount, kCommIdLongSecret, CSignupRequests::kSecretTooLong,
         CSignupRequests::kSecretTooLong, 150, false, 4, 2, ""},
        {"recovery with a long secret", 2, "", kLongSecret, nullptr, CSignupRequests::kSecretTooLong,
         CSignupRequests::kSecretTooLong, 173, false, 4, 1, ""},
    };
    for (const auto& row : rows) {
        Fixture f;
        f.net.m_LoginID = "nv000001";
        f.net.m_LoginPasswd = "pw&=+%";
        f.net.m_Comm_id = row.storedCommId;
        f.poster.replies.push_back(row.recovery);
        f.poster.replies.push_back(row.commId);
        // The page's progress step runs once, after the recovery and before the ID request.
        std::vector<std::size_t> postsAtProgress;
        const CSignupRequests::Outcome out =
            f.requests.VerifyAccount(row.mode, "nick", [&] { postsAtProgress.push_back(f.poster.posts.size()); });
        EXPECT_EQ(row.posts == 2 ? std::vector<std::size_t>{1} : std::vector<std::size_t>{}, postsAtProgress) << row.name;
        EXPECT_EQ(row.result, out.result) << row.name;
        EXPECT_EQ(row.code, out.code) << row.name;
        EXPECT_EQ(row.textId, out.textId) << row.name;
        EXPECT_EQ(row.save, out.save) << row.name;
        EXPECT_EQ(row.nextPage, out.nextPage) << row.name;
        EXPECT_EQ(static_cast<std::size_t>(row.posts), f.poster.posts.size()) << row.name;
        EXPECT_STREQ(row.commIdAfter[0] ? row.commIdAfter : row.storedCommId, f.net.m_Comm_id.GetString()) << row.name;
        ASSERT_GE(f.poster.posts.size(), 1u);
        EXPECT_EQ("http://ProfilePage/profile_pc/rst/NCSRst_PCEIA.cgi?user_id=nv000001&login_password=pw%26%3D%2B%25",
                  f.poster.posts[0]);
    }
}
