// Network access helpers of CNetInfo: connection settings, dial-up choices, proxy values, request
// flags, the call-partner look-up with its cache and the web-mail form.
#include "net/access/tests/AccessFixture.h"

#include <gtest/gtest.h>

TEST(ConnectionSettings, FlagsAreRebuiltFromTheChoices)
{
    struct Row {
        const char* name;
        bool lan;
        unsigned protocol;
        bool proxy;
        const char *host, *port;
        uint16_t flags;
        const char *storedPort, *protocolText;
    } rows[] = {
        {"lan udp", true, 0, false, "", "8080", 0x0001, "8080", "udp"},
        {"dial-up tcp", false, 1, false, "", "8080", 0x1002, "8080", "tcp"},
        {"auto", true, 0xFFFF, false, "", "", 0x4001, "80", "auto"},
        {"tcp proxy", true, 6, true, "proxy", "3128", 0x3007, "3128", "tcp"},
        {"udp proxy is not enabled", true, 0, true, "proxy", "3128", 0x0001, "3128", "udp"},
        {"tcp proxy without host", true, 1, true, "", "3128", 0x1003, "3128", "tcp"},
        {"port 0", true, 1, true, "proxy", "0", 0x3007, "80", "tcp"},
        {"port 70000", true, 1, true, "proxy", "70000", 0x3007, "80", "tcp"},
        {"port -1", true, 1, true, "proxy", "-1", 0x3007, "80", "tcp"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AccessFixture f;
        f.info.SetConnectionSettings(r.lan, r.protocol, r.proxy, r.host, r.port, "user", "pw");
        const NetConnectSettings& s = f.info.LiveConnectSettings();
        EXPECT_EQ(r.flags, s.flags);
        EXPECT_STREQ(r.storedPort, s.proxyPort.GetString());
        EXPECT_STREQ(r.protocolText, s.protocol.GetString());
        EXPECT_STREQ(r.lan ? "Lan" : "Dialup", s.connectType.GetString());
        EXPECT_STREQ((s.flags & kProxyInUse) ? r.host : "", s.proxyHostInUse.GetString());
    }
}

TEST(ConnectionSettings, ChangesDuringASessionWaitForTheNextLogIn)
{
    AccessFixture f;
    f.info.SetConnectionSettings(true, 0, false, "", "", "", "");
    f.info.LogIn();
    f.info.SetConnectionSettings(false, 1, true, "proxy", "3128", "", "");
    f.info.SetDialupEntry("Modem B", "p");
    EXPECT_STREQ("Lan", f.info.LiveConnectSettings().connectType.GetString());
    EXPECT_STREQ("Dialup", f.info.GetActiveSettings().connectType.GetString());
    EXPECT_TRUE(f.info.NeedsDialup()) << "the session's readers see the frozen copy";
    f.info.LogOut();
    EXPECT_STREQ("Dialup", f.info.GetActiveSettings().connectType.GetString()) << "after log-out the change is live";
    EXPECT_STREQ("Modem B", f.info.LiveConnectSettings().modemName.GetString());
    EXPECT_FALSE(f.info.IsFrozen());

    // Login bits without a registered session do not freeze.
    f.info.m_state = 0x0200;
    f.info.SetConnectionSettings(true, 0, false, "", "", "", "");
    EXPECT_STREQ("Lan", f.info.LiveConnectSettings().connectType.GetString());
}

TEST(ConnectionSettings, DialModeIsStoredOnlyWhenItIsToneOrPulseOrNone)
{
    struct Row {
        const char *given, *stored;
    } rows[] = {{"T", "T"}, {"p", "p"}, {"", ""}, {"X", "T"}, {"TP", "T"}, {"ﾄｰﾝ", "T"}};
    for (const Row& r : rows) {
        AccessFixture f;
        f.info.SetDialupEntry("M", "T");
        f.info.SetDialupEntry("M2", r.given);
        EXPECT_STREQ(r.stored, f.info.LiveConnectSettings().dialMode.GetString()) << r.given;
        EXPECT_STREQ("M2", f.info.LiveConnectSettings().modemName.GetString());
    }
}

TEST(ConnectionSettings, DetailsAndThePhoneNumberText)
{
    AccessFixture f;
    f.info.SetDialupDetails("03-1", "03-2", "03-3", "0,", "0xx-xxxx-xxxx#");
    EXPECT_STREQ("03-1", f.info.m_PhoneNumber.GetString());
    EXPECT_STREQ("03-3", f.info.m_PhoneNumber3.GetString());
    EXPECT_STREQ("0,", f.info.LiveConnectSettings().outsideLine.GetString());
    EXPECT_STREQ("003-1234#", f.info.GetPhoneNumberText("03-1234").GetString());
    f.info.SetDialupDetails("03-1", "", "", "", "no pattern");
    EXPECT_STREQ("03-1234", f.info.GetPhoneNumberText("03-1234").GetString());
}

TEST(ProxyServer, EntriesAreCutAtSemicolonOrBlank)
{
    struct Row {
        const char *text, *prefix;
        bool ok;
        const char *host, *port;
    } rows[] = {
        {"proxy.example:8080", nullptr, true, "proxy.example", "8080"},
        {"proxy.example", nullptr, true, "proxy.example", "80"},
        {"http=h1:81;https=h2:82", "https=", true, "h2", "82"},
        {"http=h1:81;https=h2:82", "http=", true, "h1", "81"},
        {"http=h1:81 https=h2:82", "http=", true, "h1", "81"},
        {"http=h1;ftp=f:21", "http=", true, "h1", "80"},
        {"ftp=f:21", "https=", false, "", ""},
        {"", nullptr, false, "", ""},
        {":8080", nullptr, false, "", ""},
        {"h:", nullptr, true, "h", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        CString host, port;
        EXPECT_EQ(r.ok, CNetInfo::ParseProxyServer(r.text, r.prefix, &host, &port));
        if (r.ok) {
            EXPECT_STREQ(r.host, host.GetString());
            EXPECT_STREQ(r.port, port.GetString());
        }
    }
}

TEST(RequestFlags, SecureUrlsTakeTheCertificateExceptionsOfProtocolVer)
{
    struct Row {
        const char* url;
        uint16_t version;
        std::uint32_t flags;
    } rows[] = {
        {"http://a/", 0x3000, CNetInfo::kFlagReload},
        {"https://a/", 0, CNetInfo::kFlagReload | CNetInfo::kFlagSecure},
        {"HTTPS://a/", 0x1000, CNetInfo::kFlagReload | CNetInfo::kFlagSecure | CNetInfo::kFlagIgnoreCertCnInvalid},
        {"https://a/", 0x2000, CNetInfo::kFlagReload | CNetInfo::kFlagSecure | CNetInfo::kFlagIgnoreCertDateInvalid},
        {"https://a/", 0x302F,
         CNetInfo::kFlagReload | CNetInfo::kFlagSecure | CNetInfo::kFlagIgnoreCertCnInvalid |
             CNetInfo::kFlagIgnoreCertDateInvalid},
        {"", 0x3000, CNetInfo::kFlagReload},
    };
    for (const Row& r : rows) {
        AccessFixture f;
        f.info.GetActiveSettings(true).protocolVersion = r.version;
        EXPECT_EQ(r.flags, f.info.GetRequestFlags(r.url)) << r.url << " " << r.version;
    }
}

TEST(CallPartnerLookup, ASecondLookUpIsAnsweredFromTheCache)
{
    AccessFixture f;
    f.info.m_Comm_id = "me";
    f.info.m_Comm_data = "p&w=1";
    f.poster.replies.push_back("version:0x0220\ntype:0x0206\nseq:1\nid:me\nsession:1\nerrno:0\nnc_id:NC77\n");
    CString result;
    ASSERT_EQ(0, f.access.LookupCallPartner(true, "friend", &result));
    EXPECT_STREQ("NC77", result.GetString());
    ASSERT_EQ(1u, f.poster.requests.size());
    EXPECT_EQ("http://127.0.0.1:1/SearchPage", f.poster.requests[0].url);
    EXPECT_EQ("/menu/NCsrchNCID.cgi", f.poster.requests[0].path);
    EXPECT_EQ("version=0x0220&type=0x0205&seq=0x00000001&id=me&session=0x00000001&password=p%26w%3D1&oth_id=friend",
              f.poster.requests[0].body)
        << "each value is encoded on its own";

    result.Empty();
    ASSERT_EQ(0, f.access.LookupCallPartner(true, "friend", &result));
    EXPECT_STREQ("NC77", result.GetString());
    EXPECT_EQ(1u, f.poster.requests.size()) << "no second post";

    // The reverse direction always asks, and a missing reply is -1.
    EXPECT_EQ(-1, f.access.LookupCallPartner(false, "NC77", &result));
    EXPECT_EQ("/menu/NCsrchComID.cgi", f.poster.requests.back().path);
}

TEST(CallPartnerLookup, TheOwnCallIdIsKeptOnceKnown)
{
    AccessFixture f;
    f.info.m_Comm_id = "me";
    f.poster.replies.push_back("version:0x0220\ntype:0x0206\nseq:1\nid:me\nsession:1\nerrno:0\nnc_id:OWN1\n");
    CString result;
    ASSERT_EQ(0, f.access.LookupCallPartner(true, "me", &result));
    EXPECT_TRUE(f.info.m_ownCallIdKnown);
    EXPECT_STREQ("OWN1", f.info.m_Comm_data2.GetString());
    ASSERT_EQ(0, f.access.LookupCallPartner(true, "me", &result));
    EXPECT_EQ(1u, f.poster.requests.size());

    f.poster.replies.push_back("version:0x0220\ntype:0x0206\nseq:1\nid:me\nsession:1\nerrno:1f\n");
    EXPECT_EQ(0x1f, f.access.LookupCallPartner(true, "other", &result));
}

TEST(MailForm, LoginAndCreateEncodeEachValue)
{
    AccessFixture f;
    f.info.m_E_mail = "a+b@example.jp";
    f.info.m_LoginPasswd = "p&ss";
    f.poster.replies.push_back("00:1.0\r\n01:OK\r\n");
    CString reply;
    EXPECT_EQ(0, f.access.PostMailForm("", &reply));
    EXPECT_EQ("id=a%2Bb@example.jp&pass=p%26ss&cmd=Login", f.poster.requests[0].body);
    EXPECT_EQ("http://127.0.0.1:1/MailPage", f.poster.requests[0].url);
    f.poster.replies.push_back("00:1.0\r\n01:NG\r\n98:\r\nused (12)\r\n99:\r\n");
    EXPECT_EQ(12, f.access.PostMailForm("new.name", &reply));
    EXPECT_EQ("id=a%2Bb@example.jp&pass=p%26ss&cmd=Create&mail=new%2Ename", f.poster.requests[1].body);
    EXPECT_EQ(-1, f.access.PostMailForm("", &reply));
}

TEST(AccountSummary, ValuesFillTheTextAndAreNeverFormats)
{
    AccessFixture f;
    f.info.m_LoginID = "id%s%n";
    f.info.m_Comm_name = "名前";
    CString text = f.access.AccountSummary();
    EXPECT_EQ(0, text.Find("L:id%s%n P:")) << text.GetString();
    EXPECT_NE(-1, text.Find("C: 名前")) << text.GetString();
}
