#include "messaging/lists/FriendCommands.h"
#include "messaging/recv/doubles/RecvDoubles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::uintptr_t kList = 0x1001;

struct Fixture {
    CRecvEventLog log;
    CFakeFriendHost host{log};
    CRecordingOpener opener{log};
    CFriendCommands commands{host, opener, kList};
    Fixture()
    {
        host.ownId = "me";
        host.focusList = kList;
        opener.phoneExists = true;
        opener.browserExists = true;
        // 鈴木 (normal), 佐藤 (offline), a mail-only friend, and the user's own row.
        host.friends = {{"\x97\xE9\x96\xD8", "suzuki", 0}, {"\x8D\xB2\x93\xA1", "sato", 1}, {"mail", "m@x", 3},
                        {"self", "me", 0}};
    }
};

TEST(FriendCommands, EachCommandActsOnlyWhereItsRulesAllow)
{
    using Command = std::function<void(CFriendCommands&)>;
    const struct {
        const char* name;
        std::function<void(Fixture&)> setup;
        Command command;
        std::vector<std::string> events;
    } rows[] = {
        {"send to a friend", nullptr, [](CFriendCommands& c) { c.Send(0); }, {"send reply suzuki"}},
        {"send to a mail-only friend runs the mail command", nullptr, [](CFriendCommands& c) { c.Send(2); }, {"mail"}},
        {"send before the list arrived", [](Fixture& f) { f.host.arrived = false; },
         [](CFriendCommands& c) { c.Send(0); }, {}},
        {"send from a list without the focus", [](Fixture& f) { f.host.focusList = 7; },
         [](CFriendCommands& c) { c.Send(0); }, {}},
        {"send without a row", nullptr, [](CFriendCommands& c) { c.Send(-1); }, {}},
        {"refresh queues kind 3", nullptr, [](CFriendCommands& c) { c.Refresh(); }, {"queue 3"}},
        {"refresh while the lock is held sets pending bit 2", [](Fixture& f) { f.host.lockHeld = true; },
         [](CFriendCommands& c) { c.Refresh(); }, {"pending 2"}},
        {"copy ID", nullptr, [](CFriendCommands& c) { c.CopyId(1); }, {"copy sato"}},
        {"copy name", nullptr, [](CFriendCommands& c) { c.CopyName(0); }, {"copy \x97\xE9\x96\xD8"}},
        {"memo", nullptr, [](CFriendCommands& c) { c.Memo(0); }, {"memo suzuki"}},
        {"call", nullptr, [](CFriendCommands& c) { c.Call(0); }, {"dial suzuki"}},
        {"call oneself does nothing", nullptr, [](CFriendCommands& c) { c.Call(3); }, {}},
        {"call a mail-only friend does nothing", nullptr, [](CFriendCommands& c) { c.Call(2); }, {}},
        {"call without a phone window", [](Fixture& f) { f.opener.phoneExists = false; },
         [](CFriendCommands& c) { c.Call(0); }, {}},
        {"call while logged out", [](Fixture& f) { f.host.loggedIn = false; },
         [](CFriendCommands& c) { c.Call(0); }, {}},
        {"history", nullptr, [](CFriendCommands& c) { c.History(1); }, {"log sato"}},
        {"history of oneself does nothing", nullptr, [](CFriendCommands& c) { c.History(3); }, {}},
        {"room page", nullptr, [](CFriendCommands& c) { c.Room(0); }, {"room suzuki"}},
        {"friend-deletion page opens the profile search", nullptr, [](CFriendCommands& c) { c.DeletePage(); },
         {"profile-search"}},
        {"friend-deletion page without a browser", [](Fixture& f) { f.opener.browserExists = false; },
         [](CFriendCommands& c) { c.DeletePage(); }, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        if (row.setup)
            row.setup(f);
        row.command(f.commands);
        EXPECT_EQ(row.events, f.log.Events());
    }
}

TEST(FriendCommands, MenuStateReadsTheHostAndFocusGoesToThisList)
{
    Fixture f;
    f.host.focusList = 7;
    EXPECT_FALSE(f.commands.MenuState(0).show);
    f.commands.OnListFocus();
    EXPECT_EQ(kList, f.host.focusList);
    const FriendMenuState mail = f.commands.MenuState(2);
    EXPECT_TRUE(mail.show);
    EXPECT_EQ(kFriendMailLabel, mail.sendLabel);
    EXPECT_TRUE(mail.grayed.at(kFriendCall));
    f.opener.phoneActive = false;
    EXPECT_TRUE(f.commands.MenuState(0).grayed.at(kFriendCall)); // a phone window without a session
    f.opener.phoneActive = true;
    EXPECT_FALSE(f.commands.MenuState(0).grayed.at(kFriendCall));
    EXPECT_TRUE(f.commands.MenuState(1).grayed.at(kFriendCall)); // offline friend
}

} // namespace
