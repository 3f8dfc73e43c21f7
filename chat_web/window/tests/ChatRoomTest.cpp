// The chat window's behaviour against recording doubles of the engine, the application and the
// window: what each step records, compared with the expected sequence.
#include "chat_web/window/ChatRoom.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

using namespace chat;

std::vector<std::string>* g_log = nullptr;
void Record(const std::string& line) { g_log->push_back(line); }

class RecordingEngine : public IChatEngineLink {
public:
    int connectResult = 0;
    int sendResult = 0;
    ChatConnectSettings settings;
    int Connect(const ChatConnectSettings& s, const std::string& room, const std::string& key) override
    {
        settings = s;
        Record("engine.Connect " + room + " " + key);
        return connectResult;
    }
    int Part(const std::string& room) override
    {
        Record("engine.Part " + room);
        return 0;
    }
    int SendPrivmsg(const std::string& text, const std::string& room) override
    {
        Record("engine.SendPrivmsg " + room + " " + text);
        return sendResult;
    }
};

class RecordingApp : public IChatApplication {
public:
    bool loggedIn = true;
    int enterResult = 1;
    int lastResult = 0;
    ChatRoomRecord room;
    std::string nickname = "taro";
    std::string roomName;
    std::string proxyHost;
    bool IsLoggedIn() override { return loggedIn; }
    int EnterRoom(const std::string& url) override
    {
        Record("app.EnterRoom " + url);
        if (enterResult) {
            room.roomId = "#room";
            room.chatServer = "127.0.0.1";
            room.chatPort = 6667;
            room.roomKey = "k";
        }
        return enterResult;
    }
    void LeaveRoom() override { Record("app.LeaveRoom"); }
    int LastResult() override { return lastResult; }
    ChatRoomRecord& Room() override { return room; }
    std::string Nickname() override { return nickname; }
    void SetNickname(const std::string& n) override { nickname = n; }
    std::string RoomName() override { return roomName; }
    void SetRoomName(const std::string& r) override { roomName = r; }
    std::string ScrambledAccountName() override { return "0A1B"; }
    void ProxySettings(std::string* host, std::uint16_t* port, std::string* user, std::string* password) override
    {
        *host = proxyHost;
        *port = 8080;
        *user = "u";
        *password = "p";
    }
    void ShowChatBalloon(int event) override { Record("app.Balloon " + std::to_string(event)); }
};

class RecordingView : public IChatRoomView {
public:
    std::unique_ptr<RecordingEngine> engine;
    bool canCreate = true;
    int connectResult = 0;
    int sendResult = 0;
    bool loginAnswer = true;
    std::string loginNick;
    std::function<void()> duringLogin;
    std::vector<std::string> members;
    std::vector<std::string> history;
    int engines = 0;

    void ApplyLook(int state, const StateLook&) override { Record("view.State " + std::to_string(state)); }
    void ApplyControlSwitches(const ControlSwitches& s) override
    {
        auto c = [](Switch w) { return w == Switch::On ? "1" : w == Switch::Off ? "0" : "-"; };
        Record(std::string("view.Buttons ") + c(s.enter) + c(s.leave) + c(s.phrases));
    }
    void WriteChatLine(const std::string& nick, const std::string& text) override
    {
        Record("view.Chat <" + nick + "> " + text);
    }
    void WriteSystemLine(const std::string& line, bool) override { Record("view.System " + line); }
    void ShowMembers(const std::vector<std::string>& m) override
    {
        members = m;
        Record("view.Members " + std::to_string(m.size()));
    }
    void ShowHistory(const std::vector<std::string>& h) override { history = h; }
    void ClearInput() override { Record("view.ClearInput"); }
    std::string Text(int id) override { return "T" + std::to_string(id); }
    void ShowMessage(int id) override { Record("view.Message " + std::to_string(id)); }
    void ShowWarning(int id, int code) override
    {
        Record("view.Warning " + std::to_string(id) + " " + std::to_string(code));
    }
    bool RunLoginDialog(std::string* nick, const std::string& room, const std::string& key) override
    {
        Record("view.Login " + *nick + " " + room + " " + key);
        if (duringLogin)
            duringLogin();
        if (!loginNick.empty())
            *nick = loginNick;
        return loginAnswer;
    }
    void CancelModalDialog() override { Record("view.CancelModal"); }
    IChatEngineLink* CreateEngine() override
    {
        if (!canCreate)
            return nullptr;
        engine = std::make_unique<RecordingEngine>();
        engine->connectResult = connectResult;
        engine->sendResult = sendResult;
        ++engines;
        return engine.get();
    }
    void DestroyEngine(IChatEngineLink* e) override
    {
        EXPECT_EQ(e, engine.get());
        Record("view.DestroyEngine");
        engine.reset();
    }
    void HideWindow() override { Record("view.Hide"); }
    void LoadBanner(bool show) override { Record(std::string("view.Banner ") + (show ? "1" : "0")); }
    void RemoveFromTray() override { Record("view.RemoveFromTray"); }
};

class ChatRoomTest : public ::testing::Test {
protected:
    void SetUp() override { g_log = &log; }
    void TearDown() override { g_log = nullptr; }

    std::unique_ptr<ChatEvent> Event(int type, const std::string& command, const std::string& sender,
                                     const std::string& text)
    {
        auto e = std::make_unique<ChatEvent>();
        e->type = type;
        e->command = command;
        e->sender = sender;
        e->text = text;
        return e;
    }

    // Into the room: service entry, login dialog, engine, the engine's JOIN.
    void Enter()
    {
        room.EnterRoomByUrl("");
        room.OnEngineEvent(0, Event(CHAT_EV_ENTERED, "JOIN", "taro", ""));
        ASSERT_EQ(room.State(), 5);
        log.clear();
    }

    std::string Joined(const std::vector<std::string>& lines)
    {
        std::ostringstream out;
        for (const std::string& l : lines)
            out << l << "\n";
        return out.str();
    }

    void ExpectLog(const std::vector<std::string>& expected)
    {
        EXPECT_EQ(Joined(log), Joined(expected));
        log.clear();
    }

    std::vector<std::string> log;
    RecordingApp app;
    RecordingView view;
    ChatRoom room{app, view, SystemTexts{"%s joined", "%s parted", "%s in %s", "%s quit"}};
};

TEST_F(ChatRoomTest, AVisitGoesThroughServiceDialogEngineAndJoin)
{
    view.loginNick = "jiro";
    room.EnterRoomByUrl("http://rooms/1");
    ExpectLog({"view.State 1", "app.EnterRoom http://rooms/1", "view.State 2", "view.Login taro #room k",
               "app.Balloon 41", "view.State 3", "engine.Connect #room k", "view.State 4"});
    EXPECT_EQ(app.nickname, "jiro") << "the dialog's nickname becomes the preference";
    EXPECT_EQ(view.engine->settings.nickname, "jiro");
    EXPECT_EQ(view.engine->settings.userName, "QeloUser");
    EXPECT_EQ(view.engine->settings.fullName, "0A1B");
    EXPECT_EQ(view.engine->settings.serverHost, "127.0.0.1");
    EXPECT_EQ(view.engine->settings.serverPort, 6667);
    EXPECT_EQ(view.engine->settings.proxyHost, "") << "no proxy without a host";
    EXPECT_EQ(view.engine->settings.proxyPort, 0);
    EXPECT_EQ(app.roomName, "#room");

    room.OnEngineEvent(0, Event(CHAT_EV_ENTERED, "JOIN", "jiro", ""));
    ExpectLog({"view.State 5", "view.Buttons 011", "view.System jiro in #room"});
    room.OnEngineEvent(0, Event(CHAT_EV_INFO, "NAMELIST", "", "@hanako jiro  +saburo"));
    EXPECT_EQ(view.members, (std::vector<std::string>{"hanako", "jiro", "saburo"}));
    room.OnEngineEvent(0, Event(CHAT_EV_MESSAGE, "PRIVMSG", "hanako", "hello"));
    room.OnEngineEvent(0, Event(CHAT_EV_MESSAGE, "PART", "saburo", "#room"));
    room.OnEngineEvent(0, Event(CHAT_EV_ALERT, "404", "", "cannot send"));
    room.OnEngineEvent(0, Event(CHAT_EV_INFO, "MOTD", "", "welcome"));
    ExpectLog({"view.Members 3", "view.Chat <hanako> hello", "view.System saburo parted",
               "view.System cannot send"});
}

TEST_F(ChatRoomTest, TheProxyGoesToTheEngineOnlyWithAHost)
{
    app.proxyHost = "proxy.local";
    room.EnterRoomByUrl("");
    ASSERT_TRUE(view.engine);
    EXPECT_EQ(view.engine->settings.proxyHost, "proxy.local");
    EXPECT_EQ(view.engine->settings.proxyPort, 8080);
    EXPECT_EQ(view.engine->settings.proxyUser, "u");
    EXPECT_EQ(view.engine->settings.proxyPassword, "p");
}

TEST_F(ChatRoomTest, RefusalsOnTheWayInEndInStateZero)
{
    struct Row {
        const char* name;
        std::function<void(RecordingApp&, RecordingView&)> arrange;
        std::vector<std::string> tail;
    } rows[] = {
        {"the service refuses", [](RecordingApp& a, RecordingView&) { a.enterResult = 0; a.lastResult = 0x1234; },
         {"view.Warning 114 4660", "view.State 0", "view.Buttons 100"}},
        {"the dialog is left", [](RecordingApp&, RecordingView& v) { v.loginAnswer = false; },
         {"view.Login taro #room k", "view.State 0", "view.Buttons 100", "app.LeaveRoom"}},
        {"no engine can be made", [](RecordingApp&, RecordingView& v) { v.canCreate = false; },
         {"view.State 3", "view.State 0", "view.Buttons 100", "app.LeaveRoom", "view.Message 114"}},
        {"the engine cannot connect", [](RecordingApp&, RecordingView& v) { v.connectResult = 11011; },
         {"engine.Connect #room k", "view.DestroyEngine", "view.State 0", "view.Buttons 100", "app.LeaveRoom",
          "view.Message 114"}},
        {"logged out while the dialog ran", [](RecordingApp& a, RecordingView& v) {
             v.duringLogin = [&a] { a.loggedIn = false; };
         },
         {"view.Login taro #room k", "view.State 0", "view.Buttons 100"}},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingApp a;
        RecordingView v;
        ChatRoom r(a, v, SystemTexts{});
        log.clear();
        row.arrange(a, v);
        r.EnterRoomByUrl("");
        EXPECT_EQ(r.State(), 0);
        EXPECT_EQ(r.Engine(), nullptr);
        EXPECT_EQ(v.engine, nullptr);
        ASSERT_GE(log.size(), row.tail.size());
        std::vector<std::string> tail(log.end() - static_cast<long>(row.tail.size()), log.end());
        EXPECT_EQ(Joined(tail), Joined(row.tail));
    }
}

TEST_F(ChatRoomTest, NothingHappensWhenLoggedOutOrAnEngineIsThere)
{
    app.loggedIn = false;
    room.EnterRoomByUrl("");
    ExpectLog({});
    app.loggedIn = true;
    room.EnterRoomByUrl("");
    log.clear();
    room.EnterRoomByUrl("");
    ExpectLog({}) ;
    EXPECT_EQ(view.engines, 1);
}

TEST_F(ChatRoomTest, EndCodesShowTheirTextAndLeave)
{
    struct Row {
        int wParam;
        bool withRecord;
        const char* text;
    } rows[] = {{-1, false, "T138"}, {-2, true, "T138"}, {-3, false, "T139"}, {-4, false, "T139"},
                {-5, false, "T140"}, {-6, false, "T141"}, {-7, false, "T142"}, {-8, false, "T14700"},
                {-9, false, "T172"}, {-10, false, "T139"}, {-42, false, "T139"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wParam);
        Enter();
        room.OnEngineEvent(row.wParam, row.withRecord ? Event(CHAT_EV_ALERT, "ERROR", "", "x") : nullptr);
        ExpectLog({std::string("view.System ") + row.text, "view.CancelModal", "view.System  T175",
                   "view.DestroyEngine", "app.LeaveRoom", "view.State 0", "view.Buttons 100"});
        EXPECT_EQ(room.State(), 0);
    }
}

TEST_F(ChatRoomTest, AFailedSendLeavesTheRoom)
{
    Enter();
    view.engine->sendResult = 11020;
    room.SendLine("hello");
    ExpectLog({"view.Chat <taro> hello", "engine.SendPrivmsg #room hello", "view.ClearInput",
               "view.System T139", "view.CancelModal", "view.System  T175", "view.DestroyEngine",
               "app.LeaveRoom", "view.State 0", "view.Buttons 100"});
    EXPECT_EQ(room.State(), 0);
    room.SendLine("again");
    ExpectLog({}) ;
}

TEST_F(ChatRoomTest, TypedLinesAreConvertedSentAndRemembered)
{
    Enter();
    room.SendLine("\xB6\xDE http://a.jp");
    room.SendLine("");
    room.SendLine("\x80"); // converts to nothing
    room.SendLine("\xB6\xDE http://a.jp");
    ExpectLog({"view.Chat <taro> \x83\x4B http://a.jp", "engine.SendPrivmsg #room \x83\x4B http://a.jp",
               "view.ClearInput", "view.Chat <taro> \x83\x4B http://a.jp",
               "engine.SendPrivmsg #room \x83\x4B http://a.jp", "view.ClearInput"});
    EXPECT_EQ(view.history, (std::vector<std::string>{"\x83\x4B http://a.jp"}));
}

TEST_F(ChatRoomTest, NothingIsSentOutsideTheRoom)
{
    for (int state : {0, 1, 2, 3, 4}) {
        room.SetState(state);
        log.clear();
        room.SendLine("hello");
        ExpectLog({});
    }
}

TEST_F(ChatRoomTest, EventsAfterTheEngineIsGoneAreDropped)
{
    room.OnEngineEvent(0, Event(CHAT_EV_MESSAGE, "PRIVMSG", "x", "late"));
    room.OnEngineEvent(-3, nullptr);
    room.OnEngineEvent(0, Event(CHAT_EV_CLOSED, "", "", ""));
    ExpectLog({});
}

TEST_F(ChatRoomTest, LeaveButtonPartsAndTheServerEndsTheVisit)
{
    Enter();
    room.OnLeaveButton();
    ExpectLog({"view.Buttons -0-", "view.CancelModal", "engine.Part #room", "view.State 0", "view.Buttons 100"});
    ASSERT_NE(room.Engine(), nullptr) << "the engine waits for the server's end";
    room.OnEngineEvent(0, Event(CHAT_EV_CLOSED, "", "", ""));
    ExpectLog({"view.CancelModal", "view.System  T175", "view.DestroyEngine", "app.LeaveRoom", "view.State 0",
               "view.Buttons 100"});
}

TEST_F(ChatRoomTest, CloseRoomPartsDestroysAndHides)
{
    Enter();
    room.CloseRoom();
    ExpectLog({"view.CancelModal", "engine.Part #room", "view.System  T175", "view.DestroyEngine",
               "app.LeaveRoom", "view.State 0", "view.Buttons 100", "view.Hide", "view.Banner 0",
               "view.RemoveFromTray"});
}

TEST_F(ChatRoomTest, RoomParameterFromAPageEntersOnlyWhenIdle)
{
    room.OnRoomParameter("http://rooms/2");
    EXPECT_EQ(log.at(0), "view.Buttons 0--");
    EXPECT_EQ(log.at(2), "app.EnterRoom http://rooms/2");
    EXPECT_EQ(room.State(), 4);
    log.clear();
    room.OnRoomParameter("http://rooms/3");
    ExpectLog({});
}

TEST_F(ChatRoomTest, TheWindowGoingAwayDuringTheDialogTouchesNothingAfterwards)
{
    auto owned = std::make_unique<ChatRoom>(app, view, SystemTexts{});
    view.duringLogin = [&] {
        owned->EndVisit();
        owned.reset();
    };
    owned->EnterRoomByUrl("");
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(view.engine, nullptr);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "view.Login taro #room k");
    EXPECT_EQ(log.back(), "app.LeaveRoom") << "the reserved room is given back, and nothing ran after the dialog";
}

TEST_F(ChatRoomTest, EndVisitDestroysTheEngineAndLeavesTheServiceRoom)
{
    Enter();
    room.EndVisit();
    ExpectLog({"view.DestroyEngine", "app.LeaveRoom"});
    room.EndVisit();
    ExpectLog({});
}

TEST_F(ChatRoomTest, EnterAndLeaveButtonsWhenLoggedOut)
{
    app.loggedIn = false;
    room.OnEnterButton();
    room.OnLeaveButton();
    ExpectLog({"view.Buttons 000", "view.Buttons 000"});
}

TEST_F(ChatRoomTest, StoredHistoryIsReadBackClamped)
{
    std::vector<std::string> stored;
    for (int i = 1; i <= 25; ++i)
        stored.push_back(i == 3 ? "" : "s" + std::to_string(i));
    stored[4] = std::string(255, 'a') + "\x93\xFA" + "tail";
    room.LoadHistory(stored);
    ASSERT_EQ(room.History().size(), 20u);
    EXPECT_EQ(room.History()[0], "s1");
    EXPECT_EQ(room.History()[2], "s4") << "empty values are skipped";
    EXPECT_EQ(room.History()[3], std::string(255, 'a')) << "cut before a double-byte character";
}

} // namespace
