// Encoders, splitters and reply parsers of the account forms, and the account operations over a
// recording form poster.
#include "net/forms/ServiceForms.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

TEST(UrlEncode, ModesKeepTheirOwnSetsAndEscapeEveryOtherByte)
{
    const struct {
        const char* text;
        int mode;
        const char* encoded;
    } rows[] = {
        {"", 0, ""},
        {"abcXYZ019", 2, "abcXYZ019"},
        {"a b~%", 0, "a%20b%7E%25"},
        {";/?:@&=+$,*-_.", 0, ";/?:@&=+$,*-_."},
        {"http://host:80/room?id=1", 1, "http%3A%2F%2Fhost%3A80%2Froom?id=1"},
        {"a.b-c_d", 2, "a%2Eb%2Dc%5Fd"},
        {"\x83\x5C\x82\xA0", 0, "%83%5C%82%A0"}, // each byte of a double-byte character
        {"\x83\x5C", 2, "%83%5C"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " mode " + std::to_string(r.mode));
        EXPECT_STREQ(r.encoded, UrlEncode(r.text, r.mode));
    }
}

TEST(UrlEncode, FormValuesCannotBreakTheirField)
{
    EXPECT_STREQ("p%26a%3Ds%2Bs%25w", UrlEncodeFormValue("p&a=s+s%w"));
    EXPECT_STREQ("user.name-1_2", UrlEncodeFormValue("user.name-1_2"));
    EXPECT_STREQ("%83%5C%20x", UrlEncodeFormValue("\x83\x5C x"));
}

TEST(SplitUrl, SchemesDefaultPortsAndBadPorts)
{
    const struct {
        const char* url;
        bool ok;
        const char* host;
        std::uint16_t port;
    } rows[] = {
        {"https://secure.example:8443/", true, "secure.example", 8443},
        {"http://127.0.0.1", true, "127.0.0.1", 80},
        {"HTTP://Server/", true, "Server", 80},
        {"https://secure", true, "secure", 443},
        {"http://h:8080/path", true, "h", 8080},
        {"ftp://files", false, "", 7},   // port left as it was
        {"http://h:70000", false, "", 7}, // no 16-bit wrap
        {"http://h:0", false, "", 7},
        {"http://h:", false, "", 7},
        {"http://:80", false, "", 7},
        {"http:/", false, "", 7},
        {"", false, "", 7},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.url);
        CString host = "stale";
        std::uint16_t port = 7;
        EXPECT_EQ(r.ok, SplitUrl(r.url, &host, &port));
        EXPECT_STREQ(r.host, host);
        EXPECT_EQ(r.port, port);
    }
}

TEST(TaggedValues, FieldsMatchWholeNamesAtLineStartAndKeepInnerBlanks)
{
    const struct {
        const char* name;
        const char* text;
        const char* key;
        bool found;
        const char* value;
    } rows[] = {
        {"plain", "00:1.0\r\n01:OK\r\n", "01:", true, "OK"},
        {"key inside a value", "05:ab01:cd\r\n01:NG\r\n", "01:", true, "NG"},
        {"time in a message", "98:\r\nat 10:00:01\r\n99:\r\n00:1.0\r\n", "00:", true, "1.0"},
        {"id inside nc_id", "nc_id:12345\r\nid:me\r\n", "id:", true, "me"},
        {"inner blanks kept", "19: A  B \t\r\n", "19:", true, "A  B"},
        {"br separated", "version:0x0220<br>id:me<br>errno:0<br>", "id:", true, "me"},
        {"last line without break", "01:OK", "01:", true, "OK"},
        {"empty value", "17:\r\n", "17:", true, ""},
        {"missing", "00:1.0\r\n", "01:", false, ""},
        {"only inside", "x01:OK", "01:", false, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        CString value = "stale";
        EXPECT_EQ(r.found, GetTaggedValue(r.text, r.key, &value));
        EXPECT_STREQ(r.value, value);
    }
}

TEST(TaggedValues, LongValuesAreCutOnCharacterBoundaries)
{
    std::string text = "19:x"; // then double-byte characters across the 256-byte limit
    for (int i = 0; i < 200; ++i)
        text += "\x82\xA0";
    CString value;
    ASSERT_TRUE(GetTaggedValue(text.c_str(), "19:", &value));
    EXPECT_EQ(255, value.GetLength()) << "256 would split a character";
    CString line = GetTaggedLine(("03: \t" + std::string(3000, 'a')).c_str(), "03:");
    EXPECT_EQ(2048, line.GetLength());
    EXPECT_STREQ("x y ", GetTaggedLine("k:  x y \r\nk:z", "k:"));
    EXPECT_TRUE(IsOkStatus("ok"));
    EXPECT_FALSE(IsOkStatus("OKAY"));
}

class FakeAccount : public IServiceAccount {
public:
    CString GetAccountField(AccountField field) const override
    {
        auto it = values.find(field);
        return it == values.end() ? CString() : it->second;
    }
    void SetAccountField(AccountField field, const CString& value) override { values[field] = value; }
    CString GetServerUrl(const char* name) const override { return CString("http://") + name + ":8080"; }
    std::map<AccountField, CString> values;
};

class FakePoster : public IFormPoster {
public:
    struct Request {
        std::string url, path, body;
    };
    bool PostForm(const char* url, const char* path, const CString& body, CString* reply, std::uint32_t* error) override
    {
        requests.push_back({url, path, body.GetString()});
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
    std::vector<Request> requests;
    std::deque<const char*> replies; // nullptr: the post fails
};

struct Forms {
    FakeAccount account;
    FakePoster poster;
    CServiceForms forms{account, poster};
};

const char kOkReply[] = "00:1.0\r\n01:OK\r\n17:ID\r\n18:PW\r\n19:NAME\r\n";
const char kNgReply[] = "00:1.0\r\n01:NG\r\n98:\r\nmessage text (1234)<br>\r\n99:\r\n";

TEST(ServiceReply, ResultsFromTheRepliesOfTheAccountServices)
{
    std::string longMessage = "00:1.0\r\n01:NG\r\n98:\r\n" + std::string(513, 'm') + "\r\n99:\r\n";
    std::string longest = "00:1.0\r\n01:NG\r\n98:\r\n" + std::string(509, 'm') + "(7)\r\n99:\r\n";
    const struct {
        const char* name;
        std::string text;
        int result;
    } rows[] = {
        {"success", kOkReply, 0},
        {"ok in lower case", "00:1.0\r\n01:ok\r\n", 0},
        {"version in any case", "00:1.0\r\n01:OK\r\n", 0},
        {"other version", "00:1.1\r\n01:OK\r\n", -2},
        {"no version", "01:OK\r\n", -2},
        {"failure with number", kNgReply, 1234},
        {"failure without number", "00:1.0\r\n01:NG\r\n98:\r\nsorry\r\n99:\r\n", 9999},
        {"number zero", "00:1.0\r\n01:NG\r\n98:\r\nsorry (0)\r\n99:\r\n", 9999},
        {"line feeds only", "00:1.0\n01:NG\n98:\nbusy (42\n99:\n", 42},
        {"<br> tags only", "00:1.0<br>01:NG<br>98:<br>busy (43)<br>99:<br>", 43},
        {"<br> tags and line ends", "00:1.0<br>\r\n01:NG<br>\r\n98:<br>\r\nbusy (44)<br>\r\n99:<br>\r\n", 44},
        {"no message block", "00:1.0\r\n01:NG\r\n", -2},
        {"99 before 98", "00:1.0\r\n01:NG\r\n99:\r\nx (5)\r\n98:\r\n", -2},
        {"empty message", "00:1.0\r\n01:NG\r\n98:\r\n99:\r\n", -2},
        {"message over 512", longMessage, -2},
        {"message of 512", longest, 7},
        {"huge number", "00:1.0\r\n01:NG\r\n98:\r\n(99999999999999)\r\n99:\r\n", 9999},
        {"status shadowed in a value", "00:1.0\r\n05:x01:OK\r\n01:NG\r\n98:\r\n(3)\r\n99:\r\n", 3},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Forms f;
        EXPECT_EQ(r.result, f.forms.ParseServiceReply(r.text.c_str()));
    }
    Forms f;
    EXPECT_EQ(1234, f.forms.ParseServiceReply(kNgReply));
    EXPECT_STREQ("message text (1234)\r\n", f.forms.GetServiceMessage());
}

TEST(ServiceFile, KindsAndValuesOfConnectionFiles)
{
    const struct {
        const char* text;
        int kind;
    } rows[] = {
        {"00:1.0\r\n02:PC-Client\r\n", 0},
        {"00:1.0\r\n02:PC_Client\r\n", 0},
        {"00:1.0\r\n02:Nimbocall-Client\r\n", 1},
        {"00:1.0\r\n02:Other\r\n", -1},
        {"00:1.0\r\n", -1},
        {"00:2.0\r\n02:PC-Client\r\n", -2},
    };
    Forms f;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(r.kind, f.forms.CheckServiceFile(r.text));
    }
    CString v30 = "x", v31 = "y";
    EXPECT_EQ(0, f.forms.ParseServiceFile("00:1.0\r\n01:OK\r\n02:PC-Client\r\n30:ap one\r\n31:0120\r\n", &v30, &v31));
    EXPECT_STREQ("ap one", v30);
    EXPECT_STREQ("0120", v31);
    v30 = "kept";
    EXPECT_EQ(-2, f.forms.ParseServiceFile("00:1.0\r\n01:NG\r\n30:z\r\n", &v30, &v31));
    EXPECT_STREQ("kept", v30);
}

TEST(ServiceFile, SuppliedFieldsReachTheAccountExceptFifteenAndSixteen)
{
    Forms f;
    f.account.values[ACCOUNT_PrimaryDNS] = "untouched";
    ASSERT_EQ(0, f.forms.ParseServiceReply("00:1.0\r\n01:OK\r\n03:login\r\n04:\r\n15:x\r\n16:y\r\n"
                                           "19:My Name\r\n32:555\r\n"));
    f.forms.ApplyServiceFields();
    EXPECT_STREQ("login", f.account.values[ACCOUNT_LoginID]);
    EXPECT_STREQ("", f.account.values[ACCOUNT_LoginPasswd]) << "supplied empty";
    EXPECT_STREQ("untouched", f.account.values[ACCOUNT_PrimaryDNS]);
    EXPECT_STREQ("My Name", f.account.values[ACCOUNT_Comm_name]) << "blanks inside a value stay";
    EXPECT_STREQ("555", f.account.values[ACCOUNT_Comm_data2]);
    EXPECT_EQ(4u + 1u, f.account.values.size());
    EXPECT_TRUE(f.forms.PendingSupplied(15));
    EXPECT_STREQ("x", f.forms.PendingValue(15));
}

TEST(CallReply, NamedFieldsErrnoAndTheCallId)
{
    const char head[] = "version:0x0220\r\ntype:0x0202\r\nseq:0x00000001\r\nid:me\r\nsession:0x00000001\r\n";
    const struct {
        const char* name;
        std::string text;
        bool deregistration;
        int result;
        const char* callId;
    } rows[] = {
        {"registered", std::string(head) + "errno:0\r\nnc_id:81012345\r\n", false, 0, "81012345"},
        {"deregistered", std::string(head) + "errno:0\r\noth_id:81012345\r\n", true, 0, "81012345"},
        {"server error in hex", std::string(head) + "errno:1A\r\nnc_id:1\r\n", false, 26, ""},
        {"nc_id before id", "nc_id:42\r\nversion:1\r\ntype:1\r\nseq:1\r\nid:me\r\nsession:1\r\nerrno:0\r\n", false, 0, "42"},
        {"missing errno", head, false, -2, ""},
        {"id only inside nc_id", "version:1\r\ntype:1\r\nseq:1\r\nnc_id:5\r\nsession:1\r\nerrno:0\r\n", false, -2, ""},
        {"errno not hex", std::string(head) + "errno:zz\r\n", false, -2, ""},
        {"br separated", "version:1<br>type:1<br>seq:1<br>id:me<br>session:1<br>errno:0<br>nc_id:7<br>", false, 0, "7"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Forms f;
        CString callId;
        EXPECT_EQ(r.result, f.forms.ParseCallReply(r.text.c_str(), r.deregistration, &callId));
        EXPECT_STREQ(r.callId, callId);
    }
}

TEST(AccountForms, ValuesAreEncodedOneByOneAndTheReplyUpdatesTheAccount)
{
    Forms f;
    f.poster.replies = {kOkReply};
    EXPECT_EQ(0, f.forms.PostAccountChange("cid", "p&w=1+2%", "login", "lp", "\x83\x5C name", true));
    ASSERT_EQ(1u, f.poster.requests.size());
    EXPECT_EQ("http://ProfilePage:8080", f.poster.requests[0].url);
    EXPECT_EQ("/cmtool/menu/PC_IDChgEIA.cgi", f.poster.requests[0].path);
    EXPECT_EQ("s_id=login&comm_id=cid&comm_password=p%26w%3D1%2B2%25&login_id=login&login_password=lp"
              "&n_name=%83%5C%20name",
              f.poster.requests[0].body);
    EXPECT_STREQ("ID", f.account.values[ACCOUNT_Comm_id]);
    EXPECT_STREQ("PW", f.account.values[ACCOUNT_Comm_data]);
    EXPECT_STREQ("NAME", f.account.values[ACCOUNT_Comm_name]);

    f.poster.replies = {"00:1.0\r\n01:OK\r\n17:\r\n"};
    EXPECT_EQ(0, f.forms.PostAccountChange("a", "b", "c", "d", "e", false));
    EXPECT_EQ("/cmtool/menu/PC_IDGetEIA.cgi", f.poster.requests[1].path);
    EXPECT_STREQ("ID", f.account.values[ACCOUNT_Comm_id]) << "an empty value replaces nothing";

    f.poster.replies = {kNgReply};
    EXPECT_EQ(1234, f.forms.PostAccountChange("a", "b", "c", "d", "e", true));
    EXPECT_EQ(1234, f.forms.GetLastServiceResult());
    f.poster.replies = {nullptr};
    EXPECT_EQ(-1, f.forms.PostAccountChange("a", "b", "c", "d", "e", true));
    EXPECT_EQ(12029u, f.forms.GetLastFormError());
}

TEST(CallRegistration, ModesPostTheirFormsAndKeepTheIdUnlessTheServerAnswered)
{
    const char registered[] = "version:0x0220\r\ntype:0x0202\r\nseq:1\r\nid:cid\r\nsession:1\r\nerrno:0\r\nnc_id:8100\r\n";
    const char deregistered[] = "version:0x0220\r\ntype:0x0204\r\nseq:1\r\nid:cid\r\nsession:1\r\nerrno:0\r\noth_id:7700\r\n";
    const struct {
        const char* name;
        int mode;
        std::deque<const char*> replies;
        int result;
        std::vector<std::string> paths;
        const char* comm_data2;
    } rows[] = {
        {"register", 0, {registered}, 0, {"/menu/NCsignup.cgi"}, "8100"},
        {"register, no answer keeps the old id", 0, {nullptr}, -1, {"/menu/NCsignup.cgi"}, "7700"},
        {"deregister only", 2, {deregistered}, 0, {"/menu/NCunsignup.cgi"}, ""},
        {"deregister refused", 2, {"version:1\r\ntype:1\r\nseq:1\r\nid:1\r\nsession:1\r\nerrno:5\r\n"}, 5,
         {"/menu/NCunsignup.cgi"}, "7700"},
        {"deregister then register", 1, {deregistered, registered}, 0,
         {"/menu/NCunsignup.cgi", "/menu/NCsignup.cgi"}, "8100"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Forms f;
        f.account.values[ACCOUNT_Comm_id] = "cid";
        f.account.values[ACCOUNT_Comm_data] = "pw&1";
        f.account.values[ACCOUNT_Comm_data2] = "7700";
        f.poster.replies = r.replies;
        CString callId;
        EXPECT_EQ(r.result, f.forms.PostCallRegistration(r.mode, "03", &callId));
        ASSERT_EQ(r.paths.size(), f.poster.requests.size());
        for (std::size_t i = 0; i < r.paths.size(); ++i) {
            EXPECT_EQ(r.paths[i], f.poster.requests[i].path);
            EXPECT_EQ("http://SearchPage:8080", f.poster.requests[i].url);
        }
        EXPECT_STREQ(r.comm_data2, f.account.values[ACCOUNT_Comm_data2]);
    }
    Forms f;
    f.account.values[ACCOUNT_Comm_id] = "cid";
    f.account.values[ACCOUNT_Comm_data] = "pw&1";
    f.account.values[ACCOUNT_Comm_data2] = "7700";
    f.poster.replies = {deregistered, registered};
    CString callId;
    f.forms.PostCallRegistration(1, "03", &callId);
    EXPECT_STREQ("8100", callId);
    EXPECT_EQ("version=0x0220&type=0x0203&seq=0x00000001&id=cid&session=0x00000001&password=pw%261&nc_id=7700",
              f.poster.requests[0].body);
    EXPECT_EQ("version=0x0220&type=0x0201&seq=0x00000001&id=cid&session=0x00000001&password=pw%261&c_code=81&a_code=03",
              f.poster.requests[1].body);
}

} // namespace

TEST(Recovery, PostsTheLoginValuesEncodedAndLeavesApplyingToTheCaller)
{
    const struct {
        const char* name;
        const char* reply; // nullptr: no reply
        int result;
        const char* pendingLogin;
    } rows[] = {
        {"accepted", "00:1.0<br>01:OK<br>03:user9<br>04:pw9<br>", 0, "user9"},
        {"refused with a code", "00:1.0<br>01:NG<br>98:<br>wrong (2)<br>99:<br>", 2, ""},
        {"no reply", nullptr, -1, ""},
    };
    for (const auto& row : rows) {
        Forms f;
        f.account.values[ACCOUNT_LoginID] = "old";
        f.poster.replies.push_back(row.reply);
        EXPECT_EQ(row.result, f.forms.PostRecovery("a&b", "p=q+r%")) << row.name;
        ASSERT_EQ(1u, f.poster.requests.size());
        EXPECT_EQ("http://ProfilePage:8080", f.poster.requests[0].url);
        EXPECT_EQ("/profile_pc/rst/NCSRst_PCEIA.cgi", f.poster.requests[0].path);
        EXPECT_EQ("user_id=a%26b&login_password=p%3Dq%2Br%25", f.poster.requests[0].body);
        EXPECT_STREQ(row.pendingLogin, f.forms.PendingValue(3).GetString()) << row.name;
        EXPECT_STREQ("old", f.account.values[ACCOUNT_LoginID].GetString()) << "nothing applied: " << row.name;
        EXPECT_EQ(row.result, f.forms.GetLastServiceResult());
    }
}
