// The URL cracker's answers (service, server, object, port) and the address bar's validity rule.
#include "framework/core/UrlParse.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlParseTest, CracksAddressesIntoServiceServerObjectAndPort)
{
    const struct {
        const char* url;
        bool ok;
        std::uint32_t service;
        const char* server;
        const char* object;
        int port;
    } cases[] = {
        {"http://www.example.jp/a/b.html?x=1", true, AFX_INET_SERVICE_HTTP, "www.example.jp", "/a/b.html?x=1", 80},
        {"HTTPS://Host:8443", true, AFX_INET_SERVICE_HTTPS, "Host", "/", 8443},
        {"  http://h/  ", true, AFX_INET_SERVICE_HTTP, "h", "/", 80},
        {"ftp://user:pw@files.example/pub", true, AFX_INET_SERVICE_FTP, "files.example", "/pub", 21},
        {"http://h:65535/", true, AFX_INET_SERVICE_HTTP, "h", "/", 65535},
        {"http://h:65536/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"http://h:0/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"http://h:8o/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"http://h:99999999999999999999/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"gopher://g.example/1", true, AFX_INET_SERVICE_GOPHER, "g.example", "/1", 70},
        {"telnet://bbs.example.jp:2323", true, AFX_INET_SERVICE_TELNET, "bbs.example.jp", "/", 2323},
        {"http://h:/x", true, AFX_INET_SERVICE_HTTP, "h", "/x", 80},
        {"http://a:b:80/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"http://[::1]:81/x", true, AFX_INET_SERVICE_HTTP, "[::1]", "/x", 81},
        {"http://[::1]/", true, AFX_INET_SERVICE_HTTP, "[::1]", "/", 80},
        {"http://[::1/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"http://[::1]x/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"http://", true, AFX_INET_SERVICE_HTTP, "", "/", 80},
        {"http://h st/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"http://\x83\x65\x83\x58\x83\x67/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"mailto:a@b.example?subject=x", true, AFX_INET_SERVICE_MAILTO, "a@b.example", "?subject=x", 0},
        {"mailto:someone@example.jp", true, AFX_INET_SERVICE_MAILTO, "someone@example.jp", "", 0},
        {"file:///C:/x.html", true, AFX_INET_SERVICE_FILE, "", "/C:/x.html", 0},
        {"file://host", true, AFX_INET_SERVICE_FILE, "host", "/", 0},
        {"file://c:x/y", false, AFX_INET_SERVICE_UNK, "", "", 0}, // "x" is no port
        {"news:comp.lang", true, AFX_INET_SERVICE_NEWS, "", "comp.lang", 119},
        {"ldap://dir.example/o=x", true, AFX_INET_SERVICE_UNK, "dir.example", "/o=x", 0},
        {"x-vyrntalk:nv_quit", true, AFX_INET_SERVICE_UNK, "", "nv_quit", 0},
        {"www.example.jp", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {":x", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"1http://h/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"ht tp://h/", false, AFX_INET_SERVICE_UNK, "", "", 0},
        {"", false, AFX_INET_SERVICE_UNK, "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        std::uint32_t service = 7;
        CString server = "old", object = "old";
        std::uint16_t port = 7;
        EXPECT_EQ(c.ok, AfxParseURL(c.url, service, server, object, port));
        EXPECT_EQ(c.service, service);
        EXPECT_STREQ(c.server, server);
        EXPECT_STREQ(c.object, object);
        EXPECT_EQ(c.port, port);
    }
    std::uint32_t service = 7;
    CString server = "old", object = "old";
    std::uint16_t port = 7;
    EXPECT_FALSE(AfxParseURL(nullptr, service, server, object, port));
    EXPECT_EQ(AFX_INET_SERVICE_UNK, service);
    EXPECT_STREQ("", server);
    EXPECT_STREQ("", object);
    EXPECT_EQ(0, port);
}

TEST(UrlParseTest, ValidAddressesAreTheBarsServicesWithAServer)
{
    const struct {
        const char* url;
        bool valid;
    } cases[] = {
        {"http://h/", true},          {"https://h/", true},        {"ftp://h/", true},
        {"gopher://h/", true},        {"telnet://h", true},        {"nntp://h/g", true},
        {"news://h/g", true},         {"prospero://h/x", true},    {"mid://h/x", true},
        {"cid://h/x", true},          {"mailto:a@b", true},        {"ldap://h/x", true},
        {"LDAPS://h/x", true},        {"http://", false},          {"news:comp.lang", false},
        {"mailto:", false},           {"file:///c:/x", false},     {"file://host/share", false},
        {"wais://h/", false},         {"afs://h/", false},         {"x-vyrntalk:nv_quit", false},
        {"javascript:alert(1)", false}, {"res://x.dll/y", false}, {"example.jp", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(c.valid, IsValidUrl(c.url));
    }
}

} // namespace
