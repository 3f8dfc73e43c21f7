#include "chat_web/engine/ChatEngineCore.h"
#include "chat_web/engine/JisCodec.h"

#include "chat_web/engine/tests/FakeChatHost.h"

#include <gtest/gtest.h>

namespace {

using namespace chat;
using chat_test::FakeOwner;
using chat_test::FakeTransport;

std::string FakeBase64(const std::string& s) { return "b64(" + s + ")"; }

ChatConnectSettings Settings()
{
    ChatConnectSettings s;
    s.nickname = "taro";
    s.userName = "QeloUser";
    s.fullName = "5A3F";
    s.serverHost = "127.0.0.1";
    s.serverPort = 6667;
    return s;
}

struct Engine {
    FakeTransport transport;
    FakeOwner owner;
    ChatEngineCore core{transport, owner, "Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)", FakeBase64};

    void Feed(const std::string& bytes) { core.OnReceived(bytes.data(), bytes.size()); }
    void ConnectAndEnter(const std::string& room = "#lobby")
    {
        ASSERT_EQ(0, core.Connect(Settings(), room, ""));
        Feed(":srv 001 taro :Welcome\r\n");
        Feed(":taro!~QeloUser@localhost JOIN :" + room + "\r\n");
        ASSERT_EQ(CHAT_IN_ROOM, core.State());
        transport.sent.clear();
        owner.posted.clear();
    }
    std::vector<int> Types() const
    {
        std::vector<int> t;
        for (const auto& p : owner.posted)
            t.push_back(p.hasEvent ? p.event.type : 1000 + p.wParam);
        return t;
    }
};

TEST(ChatEngine, DirectConnectRegistersJoinsAndEntersTheRoom)
{
    Engine e;
    ASSERT_EQ(0, e.core.Connect(Settings(), "#lobby", "key1"));
    EXPECT_EQ("127.0.0.1", e.transport.connectedHost);
    EXPECT_EQ(6667, e.transport.connectedPort);
    EXPECT_EQ("NICK taro\r\nUSER QeloUser 127.0.0.1 127.0.0.1 :5A3F\r\n", e.transport.AllSent());
    EXPECT_EQ(CHAT_REGISTERED, e.core.State());
    EXPECT_EQ(kIdleMs, e.owner.Timer(kIdleTimer));

    // The whole registration burst in one block; JOIN goes out at 001 and the rest is read too.
    e.Feed(":srv 001 taro :Welcome\r\n:srv 002 taro :host\r\n:srv 375 taro :- motd\r\n");
    EXPECT_NE(std::string::npos, e.transport.AllSent().find("JOIN #lobby key1\r\n"));
    EXPECT_EQ(kIdleMs, e.owner.Timer(kIdleTimer));
    e.Feed(":taro MODE taro :+i\r\n"); // some servers send this before the JOIN echo
    EXPECT_EQ(CHAT_REGISTERED, e.core.State());
    e.Feed(":taro!~QeloUser@localhost JOIN :#lobby\r\n");
    EXPECT_EQ(CHAT_IN_ROOM, e.core.State());
    ASSERT_FALSE(e.owner.posted.empty());
    const auto& entered = e.owner.posted.back();
    EXPECT_EQ(CHAT_EV_ENTERED, entered.event.type);
    EXPECT_EQ("JOIN", entered.event.command);
    EXPECT_EQ("QeloUser@localhost", entered.event.text);
    EXPECT_NE(std::string::npos, e.transport.AllSent().find("NAMES #lobby\r\n"));
}

TEST(ChatEngine, MemberListNeverHoldsTheOwnNicknameOrOperatorMarks)
{
    Engine e;
    e.ConnectAndEnter();
    e.Feed(":srv 353 taro = #lobby :@hanako taro\r\n:srv 353 taro = #lobby :jiro @taro\r\n:srv 366 taro #lobby :End\r\n");
    ASSERT_EQ(1u, e.owner.posted.size()) << "353 lines are collected, 366 posts the list";
    EXPECT_EQ("NAMELIST", e.owner.posted[0].event.command);
    EXPECT_EQ(CHAT_EV_INFO, e.owner.posted[0].event.type);
    EXPECT_EQ("taro hanako jiro", e.owner.posted[0].event.text);
}

TEST(ChatEngine, RoomTrafficBecomesEvents)
{
    Engine e;
    e.ConnectAndEnter();
    std::string jisHello = SjisToJis("\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD"); // こんにちは
    e.Feed(":hanako!~u@h PRIVMSG #lobby :" + jisHello + "\r\n");
    e.Feed(":jiro!~u@h PART #lobby\r\n");
    e.Feed(":op!~u@h KICK #lobby hanako :spam\r\n");
    ASSERT_EQ(3u, e.owner.posted.size());
    EXPECT_EQ(CHAT_EV_MESSAGE, e.owner.posted[0].event.type);
    EXPECT_EQ("hanako", e.owner.posted[0].event.sender);
    EXPECT_EQ("\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD", e.owner.posted[0].event.text);
    EXPECT_EQ("PART", e.owner.posted[1].event.command);
    EXPECT_EQ("PRIVMSG", e.owner.posted[2].event.command) << "someone else's kick reads as a message";
    EXPECT_EQ("KICK hanako :spam", e.owner.posted[2].event.text);
    EXPECT_EQ("NAMES #lobby\r\nNAMES #lobby\r\n", e.transport.AllSent()) << "member changes ask for the list";
}

TEST(ChatEngine, LinesSplitAtEveryBytePositionGiveTheSameEvents)
{
    const std::string stream =
        ":srv 001 taro :Welcome\r\n:taro!~QeloUser@h JOIN :#lobby\r\nPING :tok42\r\n"
        ":hanako!~u@h PRIVMSG #lobby :" + SjisToJis("\x95\x5C\x8E\xA6") + "\r\n:srv 353 taro = #lobby :hanako taro\r\n"
        ":srv 366 taro #lobby :End\r\n";
    Engine whole;
    ASSERT_EQ(0, whole.core.Connect(Settings(), "#lobby", ""));
    whole.Feed(stream);
    ASSERT_GE(whole.owner.posted.size(), 3u);
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        Engine split;
        ASSERT_EQ(0, split.core.Connect(Settings(), "#lobby", ""));
        split.Feed(stream.substr(0, cut));
        split.Feed(stream.substr(cut));
        ASSERT_EQ(whole.Types(), split.Types());
        EXPECT_EQ(whole.transport.AllSent(), split.transport.AllSent());
        EXPECT_EQ(whole.owner.posted.back().event.text, split.owner.posted.back().event.text);
    }
}

TEST(ChatEngine, PingsAreAnsweredWithTheirTokenWhereverTheyStand)
{
    Engine e;
    ASSERT_EQ(0, e.core.Connect(Settings(), "#lobby", ""));
    e.transport.sent.clear();
    e.Feed("PING :before-welcome\r\n");
    EXPECT_EQ("PONG :before-welcome\r\n", e.transport.AllSent()) << "state registered";
    Engine in;
    in.ConnectAndEnter();
    Engine& e2 = in;
    e2.Feed(":a!~u@h PRIVMSG #lobby :one\r\nPING :middle\r\n:a!~u@h PRIVMSG #lobby :two\r\n");
    EXPECT_EQ("PONG :middle\r\n", e2.transport.AllSent());
    EXPECT_EQ(2u, e2.owner.posted.size()) << "the lines around the PING are kept";
    EXPECT_EQ(kIdleMs, e2.owner.Timer(kIdleTimer));
}

TEST(ChatEngine, AnUnterminatedJisRunCannotGarbleTheNextLine)
{
    Engine e;
    e.ConnectAndEnter();
    e.Feed(":evil!~u@h PRIVMSG #lobby :\x1B$B$3$s\r\n:good!~u@h PRIVMSG #lobby :hello world\r\n");
    ASSERT_EQ(2u, e.owner.posted.size());
    EXPECT_EQ("\x82\xB1\x82\xF1", e.owner.posted[0].event.text);
    EXPECT_EQ("hello world", e.owner.posted[1].event.text);
}

TEST(ChatEngine, LineBreaksAndNulsNeverReachTheWireInsideAParameter)
{
    Engine e;
    e.ConnectAndEnter();
    std::string text("hi\r\nQUIT\nJOIN #x\r", 17);
    text += std::string(1, '\0') + "end";
    ASSERT_EQ(0, e.core.SendPrivmsg(text, "#lobby\r\nKILL"));
    ASSERT_EQ(1u, e.transport.sent.size());
    EXPECT_EQ("PRIVMSG #lobbyKILL :hiQUITJOIN #xend\r\n", e.transport.sent[0]);
    EXPECT_EQ(0, e.core.SendPrivmsg("\r\n\r\n", "#lobby")) << "nothing left: nothing sent";
    EXPECT_EQ(1u, e.transport.sent.size());

    Engine f;
    ChatConnectSettings s = Settings();
    s.nickname = "ta\r\nro";
    ASSERT_EQ(0, f.core.Connect(s, "#r\noom", "k\r\ney"));
    f.Feed(":srv 001 taro :hi\r\n");
    EXPECT_EQ("NICK taro\r\nUSER QeloUser 127.0.0.1 127.0.0.1 :5A3F\r\nJOIN #room key\r\n", f.transport.AllSent());
}

TEST(ChatEngine, RefusalsEndTheConnectionWithTheirOwnEndCode)
{
    struct Row { const char* numeric; int end; };
    const Row rows[] = {{"433", CHAT_END_NICK_IN_USE}, {"475", CHAT_END_BAD_KEY}, {"471", CHAT_END_ROOM_FULL},
                        {"403", CHAT_END_NO_ROOM},     {"432", CHAT_END_BAD_NICK}, {"431", CHAT_END_BAD_NICK},
                        {"465", CHAT_END_CLOSED}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.numeric);
        Engine e;
        ASSERT_EQ(0, e.core.Connect(Settings(), "#lobby", ""));
        e.Feed(std::string(":srv ") + row.numeric + " taro :refused\r\n:srv NOTICE taro :after\r\n");
        ASSERT_EQ(2u, e.owner.posted.size());
        EXPECT_EQ(CHAT_EV_ALERT, e.owner.posted[0].event.type);
        EXPECT_EQ(row.numeric, e.owner.posted[0].event.command);
        EXPECT_FALSE(e.owner.posted[1].hasEvent);
        EXPECT_EQ(row.end, e.owner.posted[1].wParam);
        EXPECT_EQ(CHAT_IDLE, e.core.State());
        EXPECT_EQ(1, e.transport.deletes);
        EXPECT_EQ(0, e.owner.Timer(kIdleTimer));
    }
}

TEST(ChatEngine, EndsOfTheConnectionMapToEndCodes)
{
    struct Row { const char* name; int state; const char* lastLine; int code; int end; int error; };
    const Row rows[] = {
        {"server closed", CHAT_IN_ROOM, nullptr, 0, CHAT_END_CLOSED, CHAT_ERR_CLOSED},
        {"lost in the room", CHAT_IN_ROOM, nullptr, -2, CHAT_END_LOST, CHAT_ERR_LOST},
        {"lost while registering", CHAT_REGISTERED, nullptr, -1, CHAT_END_NOT_CONNECTED, 0},
        {"after a 401 in the room", CHAT_IN_ROOM, ":srv 401 taro x :No such nick\r\n", -1, CHAT_END_CLOSED, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Engine e;
        if (row.state == CHAT_IN_ROOM)
            e.ConnectAndEnter();
        else
            ASSERT_EQ(0, e.core.Connect(Settings(), "#lobby", ""));
        if (row.lastLine)
            e.Feed(row.lastLine);
        e.owner.posted.clear();
        e.core.OnEnded(row.code);
        ASSERT_EQ(1u, e.owner.posted.size());
        EXPECT_EQ(row.end, e.owner.posted[0].wParam);
        if (row.error) {
            EXPECT_EQ(row.error, e.core.LastError());
        }
        EXPECT_EQ(CHAT_IDLE, e.core.State());
        EXPECT_EQ(1, e.transport.releases) << "the receiver goes, the client stays for Part";
    }
}

TEST(ChatEngine, BeingKickedSendsQuitAndTheNextLineCloses)
{
    Engine e;
    e.ConnectAndEnter();
    e.Feed(":op!~u@h KICK #lobby taro :bye now\r\n");
    ASSERT_EQ(1u, e.owner.posted.size());
    EXPECT_EQ(CHAT_EV_ALERT, e.owner.posted[0].event.type);
    EXPECT_EQ("bye now", e.owner.posted[0].event.text);
    EXPECT_EQ(CHAT_KICKED, e.core.State());
    EXPECT_EQ("QUIT\r\n", e.transport.AllSent()) << "no NAMES: the room is gone";
    EXPECT_EQ(kLeaveWaitMs, e.owner.Timer(kLeaveTimer));
    e.Feed("ERROR :Closing link\r\n");
    ASSERT_EQ(2u, e.owner.posted.size());
    EXPECT_EQ(CHAT_EV_CLOSED, e.owner.posted[1].event.type);
    EXPECT_EQ(CHAT_IDLE, e.core.State());
    EXPECT_EQ(0, e.owner.Timer(kLeaveTimer));
}

TEST(ChatEngine, AfterAKickTheServersNoticeBeforeItsErrorLineStillEndsTheVisit)
{
    Engine e;
    e.ConnectAndEnter();
    e.Feed(":op!~u@h KICK #lobby taro :behave\r\n");
    ASSERT_EQ(1u, e.owner.posted.size());
    e.Feed(":irc.test NOTICE taro :Connection statistics\r\nERROR :Closing connection\r\n");
    std::size_t closed = 0;
    for (const auto& p : e.owner.posted)
        closed += p.event.type == CHAT_EV_CLOSED ? 1 : 0;
    EXPECT_EQ(1u, closed) << "the window hears of the end once";
    EXPECT_EQ(CHAT_EV_CLOSED, e.owner.posted[1].event.type);
    EXPECT_EQ(CHAT_IDLE, e.core.State());
}

TEST(ChatEngine, LeavingSendsPartAndQuitAndTheServersErrorLineCloses)
{
    Engine e;
    e.ConnectAndEnter();
    ASSERT_EQ(0, e.core.Part("#lobby"));
    EXPECT_EQ("PART #lobby\r\nQUIT\r\n", e.transport.AllSent());
    EXPECT_EQ(1, e.transport.shutdowns);
    EXPECT_EQ(CHAT_LEAVING, e.core.State());
    e.Feed(":taro!~QeloUser@h PART #lobby\r\nERROR :Closing connection\r\n");
    ASSERT_EQ(2u, e.owner.posted.size());
    EXPECT_EQ(CHAT_EV_NONE, e.owner.posted[0].event.type);
    EXPECT_EQ(CHAT_EV_CLOSED, e.owner.posted[1].event.type);
    EXPECT_EQ(CHAT_IDLE, e.core.State());
}

TEST(ChatEngine, TimersEndSilentConnectionsAndReportIt)
{
    struct Row { const char* name; bool enter; bool leave; int timer; };
    const Row rows[] = {{"15 s without the JOIN echo", false, false, kIdleTimer},
                        {"6 min of silence in the room", true, false, kIdleTimer},
                        {"3 s after QUIT without ERROR", true, true, kLeaveTimer}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Engine e;
        if (row.enter)
            e.ConnectAndEnter();
        else {
            ASSERT_EQ(0, e.core.Connect(Settings(), "#lobby", ""));
            e.Feed(":srv 001 taro :hi\r\n");
            EXPECT_EQ(kJoinWaitMs, e.owner.Timer(kIdleTimer));
        }
        if (row.leave)
            e.core.Part("#lobby");
        ASSERT_NE(0, e.owner.Timer(row.timer));
        e.owner.posted.clear();
        e.core.OnTimer(row.timer);
        EXPECT_EQ(CHAT_IDLE, e.core.State());
        EXPECT_FALSE(e.transport.client);
        ASSERT_EQ(1u, e.owner.posted.size()) << "the owner learns of the end";
        EXPECT_EQ(CHAT_END_NOT_CONNECTED, e.owner.posted[0].wParam);
        e.core.OnTimer(row.timer); // a late tick with nothing left is harmless
        EXPECT_EQ(1u, e.owner.posted.size());
    }
}

TEST(ChatEngine, ConnectRefusesMissingSettings)
{
    struct Row { const char* name; void (*change)(ChatConnectSettings&); const char* room; int error; };
    const Row rows[] = {
        {"nickname", [](ChatConnectSettings& s) { s.nickname.clear(); }, "#r", CHAT_ERR_NO_NICK},
        {"user", [](ChatConnectSettings& s) { s.userName.clear(); }, "#r", CHAT_ERR_NO_USER},
        {"full name", [](ChatConnectSettings& s) { s.fullName.clear(); }, "#r", CHAT_ERR_NO_FULL_NAME},
        {"server", [](ChatConnectSettings& s) { s.serverHost.clear(); }, "#r", CHAT_ERR_NO_SERVER},
        {"room", [](ChatConnectSettings&) {}, "", CHAT_ERR_NO_ROOM},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Engine e;
        ChatConnectSettings s = Settings();
        row.change(s);
        EXPECT_EQ(row.error, e.core.Connect(s, row.room, ""));
        EXPECT_EQ(row.error, e.core.LastError());
        EXPECT_FALSE(e.transport.client);
    }
    Engine busy;
    busy.ConnectAndEnter();
    EXPECT_EQ(CHAT_ERR_BUSY, busy.core.Connect(Settings(), "#r", ""));
    Engine refused;
    refused.transport.connectResult = 10001;
    EXPECT_EQ(10001, refused.core.Connect(Settings(), "#r", ""));
    EXPECT_EQ(CHAT_ERR_CONNECT, refused.core.LastError());
}

TEST(ChatEngineProxy, TunnelRequestAndReplies)
{
    Engine e;
    ChatConnectSettings s = Settings();
    s.proxyHost = "127.0.0.2";
    s.proxyPort = 8888;
    s.proxyUser = "u";
    s.proxyPassword = "p:w";
    ASSERT_EQ(0, e.core.Connect(s, "#lobby", ""));
    EXPECT_EQ("127.0.0.2", e.transport.connectedHost);
    EXPECT_EQ("CONNECT 127.0.0.1:6667 HTTP/1.0\r\nUser-agent: Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)\r\n"
              "Proxy-authorization: basic b64(u:p:w)\r\n\r\n",
              e.transport.AllSent());
    EXPECT_EQ(CHAT_IDLE, e.core.State());
    e.transport.sent.clear();
    // Reply and the server's first line in pieces.
    e.Feed("HTTP/1.0 200 Conn");
    EXPECT_TRUE(e.transport.sent.empty());
    e.Feed("ection established\r\nProxy-agent: x\r\n\r\n:srv NOTICE * :hi\r\n");
    EXPECT_EQ(CHAT_REGISTERED, e.core.State());
    EXPECT_EQ("NICK taro\r\nUSER QeloUser 127.0.0.1 127.0.0.1 :5A3F\r\n", e.transport.AllSent());

    struct Row { const char* reply; int wParam; int type; };
    const Row rows[] = {{"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", CHAT_END_PROXY_OR_ERROR_LINE, CHAT_EV_PROXY_REFUSED},
                        {"NOTHTTP/1.0 200 OK\r\n\r\n", CHAT_END_PROTOCOL, -1},
                        {"SSH-2\r\n", CHAT_END_PROXY_OR_ERROR_LINE, CHAT_EV_PROXY_REFUSED}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply);
        Engine p;
        s.proxyUser.clear();
        ASSERT_EQ(0, p.core.Connect(s, "#lobby", ""));
        EXPECT_EQ("CONNECT 127.0.0.1:6667 HTTP/1.0\r\nUser-agent: Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)\r\n\r\n",
                  p.transport.AllSent());
        p.Feed(row.reply);
        ASSERT_EQ(1u, p.owner.posted.size());
        EXPECT_EQ(row.wParam, p.owner.posted[0].wParam);
        if (row.type >= 0) {
            EXPECT_EQ(row.type, p.owner.posted[0].event.type);
            EXPECT_EQ("Proxy Server", p.owner.posted[0].event.sender);
            EXPECT_EQ(row.reply, p.owner.posted[0].event.text);
        }
        EXPECT_EQ(CHAT_IDLE, p.core.State());
    }
}

TEST(ChatLog, LinesAreFormattedAsTheLogsKeepThem)
{
    EXPECT_EQ("SEND,10:12:00:01,LOG NICK a\r\n", FormatSendLog("10:12:00:01,", "NICK a\r\n"));
    EXPECT_EQ("RECV,t,Length = 5, LOG hello,\r\n", FormatReceiveLog("t,", 5, "hello"));
    std::string big(300, 'x');
    EXPECT_EQ("RECV,t,Length = 300, LOG " + std::string(128, 'x') + ",\r\n", FormatReceiveLog("t,", 300, big.c_str()));
    EXPECT_EQ("RECV,t,DISCONNECT FROM SERVER ,\r\n", FormatReceiveLog("t,", 0, nullptr));
    EXPECT_EQ("RECV,t,CONNECTION SHUT DOWN ,\r\n", FormatReceiveLog("t,", -1, nullptr));
    EXPECT_EQ("RECV,t,NETWORK SYSTEM ERROR!! ,\r\n", FormatReceiveLog("t,", -2, nullptr));
    EXPECT_EQ("", FormatReceiveLog("t,", -3, nullptr));
}

} // namespace
