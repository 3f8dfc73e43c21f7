// The private URL filter: which links the control follows, which it drops, and which page
// commands run with which parameters, for both schemes, after the back button, and from pages
// of the service or of anywhere else.
#include "chat_web/browser/core/PrivateUrl.h"

#include <gtest/gtest.h>

#include <string>

using browser::ClassifyUrl;
using browser::UrlAction;

namespace {

std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }
// n kanji of two bytes each.
std::string Kanji(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "\x88\x9f";
    return s;
}

struct LinkCase {
    const char* name;
    std::string url;
    int mark;
    bool allowed;
    UrlAction action;
    std::string param; // id, locator or number
    std::string name2; // partner name
    int request;
};

const std::string kId = "ABCDEFGH12345678";

TEST(PrivateUrlTest, LinksGiveOneDecisionEach)
{
    const std::vector<LinkCase> cases = {
        {"plain http", "http://example.org/", 0, true, UrlAction::Follow, "", "", -1},
        {"mailto capital", "MAILTO:a@b.example", 0, true, UrlAction::Follow, "", "", -1},
        {"mailto after back", "mailto:a@b", 1, true, UrlAction::Follow, "", "", -1},
        {"file after back", "file:///c:/x.html", 1, true, UrlAction::Cancel, "", "", -1},
        {"FILE after back", "FILE:c:/x.html", 1, true, UrlAction::Cancel, "", "", -1},
        {"res after back", "res://ieframe.dll/x", 1, true, UrlAction::Cancel, "", "", -1},
        {"file other times", "file:///c:/x.html", 0, true, UrlAction::Follow, "", "", -1},
        {"res first navigation", "res://x", -1, true, UrlAction::Follow, "", "", -1},
        {"private no keyword", "x-vyrntalk:hello", 0, true, UrlAction::Cancel, "", "", -1},
        {"private upper scheme", "X-VYRNTALK:nv_show", 0, true, UrlAction::MainRequest, "", "", 4},
        {"login", "x-vyrntalk:nv_login", 0, true, UrlAction::MainRequest, "", "", 0},
        {"logout is not login", "x-vyrntalk:nv_logout", 0, true, UrlAction::MainRequest, "", "", 1},
        {"close", "x-tesselin:nv_close", 0, true, UrlAction::MainRequest, "", "", 2},
        {"quit", "x-tesselin:nv_quit", 0, true, UrlAction::MainRequest, "", "", 3},
        {"keyword case matters", "x-vyrntalk:NV_QUIT", 0, true, UrlAction::Cancel, "", "", -1},
        {"refused origin", "x-vyrntalk:nv_quit", 0, false, UrlAction::Cancel, "", "", -1},
        {"refused origin after back", "x-vyrntalk:nv_quit", 1, false, UrlAction::Cancel, "", "", -1},
        {"http from any page", "http://elsewhere/", 0, false, UrlAction::Follow, "", "", -1},
        {"pri_msg", "x-vyrntalk:pri_msg?id=" + kId + "&name=Taro", 0, true, UrlAction::PrivateMessage, kId, "Taro", -1},
        {"pri_msg tesselin", "x-tesselin:pri_msg?id=" + kId + "&name=Taro", 0, true, UrlAction::PrivateMessage, kId, "Taro", -1},
        {"pri_msg wins over url_chat", "x-vyrntalk:url_chat&pri_msg?id=" + kId + "&name=A", 0, true, UrlAction::PrivateMessage, kId, "A", -1},
        {"pri_msg id 15", "x-vyrntalk:pri_msg?id=" + kId.substr(1), 0, true, UrlAction::Cancel, "", "", -1},
        {"pri_msg id with slash", "x-vyrntalk:pri_msg?id=ABCDEFGH1234/678&name=A", 0, true, UrlAction::Cancel, "", "", -1},
        {"pri_msg id with ?", "x-vyrntalk:pri_msg?id=ABCDEFGH1234?678&name=A", 0, true, UrlAction::Cancel, "", "", -1},
        {"pri_msg name 16", "x-vyrntalk:pri_msg?id=" + kId + "&name=" + Repeat('n', 16), 0, true, UrlAction::PrivateMessage, kId, Repeat('n', 16), -1},
        {"pri_msg name 17", "x-vyrntalk:pri_msg?id=" + kId + "&name=" + Repeat('n', 17), 0, true, UrlAction::Cancel, "", "", -1},
        {"pri_msg name 16 kanji", "x-vyrntalk:pri_msg?id=" + kId + "&name=" + Kanji(16), 0, true, UrlAction::PrivateMessage, kId, Kanji(16), -1},
        {"pri_msg name 17 kanji", "x-vyrntalk:pri_msg?id=" + kId + "&name=" + Kanji(17), 0, true, UrlAction::Cancel, "", "", -1},
        {"pri_msg name with line break", "x-vyrntalk:pri_msg?id=" + kId + "&name=a\r\nb", 0, true, UrlAction::Cancel, "", "", -1},
        {"pri_msg no name", "x-vyrntalk:pri_msg?id=" + kId, 0, true, UrlAction::PrivateMessage, kId, "", -1},
        {"url_chat", "x-vyrntalk:url_chat?url=irc://h/room", 0, true, UrlAction::EnterRoom, "irc://h/room", "", -1},
        {"url_chat no url", "x-vyrntalk:url_chat", 0, true, UrlAction::EnterRoom, "", "", -1},
        {"url_chat 512", "x-vyrntalk:url_chat?url=" + Repeat('r', 512), 0, true, UrlAction::EnterRoom, Repeat('r', 512), "", -1},
        {"url_chat 513", "x-vyrntalk:url_chat?url=" + Repeat('r', 513), 0, true, UrlAction::Cancel, "", "", -1},
        {"url_chat line break", "x-vyrntalk:url_chat?url=room\r\nQUIT", 0, true, UrlAction::Cancel, "", "", -1},
        {"call by id", "x-vyrntalk:nimbocall?type=1&id=" + kId, 0, true, UrlAction::CallById, kId, "", -1},
        {"call by id 15", "x-vyrntalk:nimbocall?type=1&id=" + kId.substr(1), 0, true, UrlAction::Cancel, "", "", -1},
        {"call by number", "x-vyrntalk:nimbocall?type=2&id=03-1234*5#", 0, true, UrlAction::CallByNumber, "03-1234*5#", "", -1},
        {"call number 128", "x-vyrntalk:nimbocall?type=2&id=" + Repeat('9', 128), 0, true, UrlAction::CallByNumber, Repeat('9', 128), "", -1},
        {"call number 129", "x-vyrntalk:nimbocall?type=2&id=" + Repeat('9', 129), 0, true, UrlAction::Cancel, "", "", -1},
        {"call number empty", "x-vyrntalk:nimbocall?type=2&id=", 0, true, UrlAction::Cancel, "", "", -1},
        {"call number letters", "x-vyrntalk:nimbocall?type=2&id=0312a", 0, true, UrlAction::Cancel, "", "", -1},
        {"call number outside code page", "x-vyrntalk:nimbocall?type=2&id=03?12", 0, true, UrlAction::Cancel, "", "", -1},
        {"call number blank", "x-vyrntalk:nimbocall?type=2&id=03 12", 0, true, UrlAction::Cancel, "", "", -1},
        {"call no type", "x-vyrntalk:nimbocall?id=" + kId, 0, true, UrlAction::Cancel, "", "", -1},
        {"call type 3", "x-vyrntalk:nimbocall?type=3&id=" + kId, 0, true, UrlAction::Cancel, "", "", -1},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.name);
        browser::UrlDecision d = ClassifyUrl(c.url.c_str(), c.mark, c.allowed);
        EXPECT_EQ(static_cast<int>(c.action), static_cast<int>(d.action));
        EXPECT_EQ(c.action != UrlAction::Follow, d.Cancels());
        EXPECT_EQ(!c.allowed && browser::IsPrivateScheme(c.url.c_str()), d.refusedOrigin);
        switch (c.action) {
        case UrlAction::PrivateMessage:
            EXPECT_EQ(c.param, d.id.str());
            EXPECT_EQ(c.name2, d.name.str());
            break;
        case UrlAction::CallById: EXPECT_EQ(c.param, d.id.str()); break;
        case UrlAction::EnterRoom: EXPECT_EQ(c.param, d.locator.str()); break;
        case UrlAction::CallByNumber: EXPECT_EQ(c.param, d.number.str()); break;
        case UrlAction::MainRequest: EXPECT_EQ(c.request, d.request); break;
        default: break;
        }
    }
}

TEST(PrivateUrlTest, OnlyTheServicesPagesMayRunCommands)
{
    browser::CServiceOrigin origin;
    origin.AddServiceAddress("http://Portal.Example.jp:8080/menu/");
    origin.AddServiceAddress("https://pay.example.jp/");
    origin.AddServiceAddress("not an address");
    origin.AddServiceAddress("ftp://files.example.jp/");
    origin.SetInstallFolder("C:\\Program Files\\NimboVandrell");
    const struct {
        const char* page;
        bool allowed;
    } cases[] = {
        {"", true},
        {"http://portal.example.jp/top.html", true},
        {"HTTP://PORTAL.EXAMPLE.JP:8080/x", true},
        {"https://pay.example.jp/a?b", true},
        {"http://portal.example.jp.evil.example/", false},
        {"http://evil.example/?http://portal.example.jp/", false},
        {"http://user@evil.example/", false},
        {"ftp://files.example.jp/", false},
        {"about:blank", false},
        {"file:///C:/Program%20Files/NimboVandrell/help.html", false},
        {"file:///C:/Program Files/NimboVandrell/help.html", true},
        {"file://c:\\program files\\nimbovandrell\\sub\\x.htm", true},
        {"file:///C:/Program Files/NimboVandrell/../Other/x.html", false},
        {"file:///C:/Program Files/NimboVandrellX/x.html", false},
        {"file:///C:/Temp/x.html", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        EXPECT_EQ(c.allowed, origin.AllowsCommandsFrom(c.page));
    }
    browser::CServiceOrigin none;
    EXPECT_FALSE(none.AllowsCommandsFrom("file:///C:/x.html"));
    EXPECT_TRUE(none.AllowsCommandsFrom(nullptr));
}

} // namespace
