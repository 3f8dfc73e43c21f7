#include "messaging/history/UserListCommands.h"

#include "messaging/history/doubles/HistoryDoubles.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uintptr_t kList = 0x1000;

struct Fixture {
    CRecvEventLog log;
    CFakeHistoryHost host{log};
    CRecordingOpener opener{log};
    Fixture()
    {
        host.users = {{"\x8E\xA9\x95\xAA", "OWN0000000000001", 0, 5}, // 自分
                      {"\x97\xE9\x96\xD8", "SUZUKI0000000001", 0, 6}};
        host.focusList = kList;
    }
    CUserListCommands Commands() { return CUserListCommands(host, opener, kList); }
};

TEST(UserListCommands, RefreshQueuesOrDefersBehindARunningRequest)
{
    const struct {
        const char* name;
        std::uint32_t preferences;
        bool lockHeld;
        std::vector<std::string> events;
    } rows[] = {
        {"idle: queued", 1, false, {"queue 2"}},
        {"a request runs: deferred", 1, true, {"deferred 0"}},
        {"refresh not allowed", 0, false, {}},
        {"not allowed while a request runs", 0x200, true, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        f.host.preferences = row.preferences;
        f.host.lockHeld = row.lockHeld;
        f.Commands().Refresh();
        EXPECT_EQ(row.events, f.log.Events());
    }
}

TEST(UserListCommands, MoodReplacesTheWholeWordThenAnnounces)
{
    Fixture f;
    f.host.status = 0x1234; // other bits must not survive
    f.Commands().SetMyStatus(history::MoodStatus(6));
    EXPECT_EQ((std::vector<std::string>{"status 96", "presence", "own-status"}), f.log.Events());
    EXPECT_EQ(96u, f.host.status);
}

TEST(UserListCommands, RowCommandsNeedTheirConditions)
{
    const struct {
        const char* name;
        void (*setup)(Fixture&);
        void (*run)(CUserListCommands&);
        std::vector<std::string> events;
    } rows[] = {
        {"send to a row", [](Fixture&) {}, [](CUserListCommands& c) { c.Send(1); }, {"send reply SUZUKI0000000001"}},
        {"send logged out", [](Fixture& f) { f.host.loggedIn = false; }, [](CUserListCommands& c) { c.Send(1); }, {}},
        {"send with the list disabled", [](Fixture& f) { f.host.listEnabled = false; },
         [](CUserListCommands& c) { c.Send(1); }, {}},
        {"send without a row", [](Fixture&) {}, [](CUserListCommands& c) { c.Send(-1); }, {}},
        {"history of a row", [](Fixture&) {}, [](CUserListCommands& c) { c.History(1); }, {"log SUZUKI0000000001"}},
        {"history of the own row lists all", [](Fixture&) {}, [](CUserListCommands& c) { c.History(0); },
         {"log OWN0000000000001"}},
        {"history when another list has the focus", [](Fixture& f) { f.host.focusList = 7; },
         [](CUserListCommands& c) { c.History(1); }, {}},
        {"memo", [](Fixture&) {}, [](CUserListCommands& c) { c.Memo(1); }, {"memo SUZUKI0000000001"}},
        {"memo of a row without name", [](Fixture& f) { f.host.users[1].name = ""; },
         [](CUserListCommands& c) { c.Memo(1); }, {}},
        {"call without a phone", [](Fixture&) {}, [](CUserListCommands& c) { c.Call(1); }, {}},
        {"call with a connected phone", [](Fixture& f) { f.opener.phoneExists = f.opener.phoneActive = true; },
         [](CUserListCommands& c) { c.Call(1); }, {"dial SUZUKI0000000001"}},
        {"room", [](Fixture&) {}, [](CUserListCommands& c) { c.Room(1); }, {"room SUZUKI0000000001"}},
        {"page without a browser", [](Fixture&) {}, [](CUserListCommands& c) { c.Page(1); }, {}},
        {"page", [](Fixture& f) { f.opener.browserExists = true; }, [](CUserListCommands& c) { c.Page(1); },
         {"profile SUZUKI0000000001"}},
        {"copy ID", [](Fixture&) {}, [](CUserListCommands& c) { c.CopyId(1); }, {"copy SUZUKI0000000001"}},
        {"copy name", [](Fixture&) {}, [](CUserListCommands& c) { c.CopyName(1); }, {"copy \x97\xE9\x96\xD8"}},
        {"copy past the end", [](Fixture&) {}, [](CUserListCommands& c) { c.CopyName(2); }, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        row.setup(f);
        CUserListCommands commands = f.Commands();
        row.run(commands);
        EXPECT_EQ(row.events, f.log.Events());
    }
}

TEST(UserListCommands, MenuOffersMoodsOnTheOwnRowOnly)
{
    Fixture f;
    EXPECT_TRUE(f.Commands().MenuState(0).moodSubmenu);
    EXPECT_EQ(history::kUserAllHistoryLabel, f.Commands().MenuState(0).historyLabel);
    EXPECT_FALSE(f.Commands().MenuState(1).moodSubmenu);
    EXPECT_EQ(0u, f.Commands().MenuState(1).historyLabel);
    // A row past the list counts as none.
    EXPECT_TRUE(f.Commands().MenuState(5).copyPopupGrayed);
    f.Commands().OnListFocus();
    EXPECT_EQ(kList, f.host.focusList);
}

} // namespace
