#include "messaging/client/HostRecords.h"
#include "messaging/client/PostedRecord.h"
#include "messaging/recv/RecvFlow.h"
#include "messaging/recv/doubles/RecvDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// 「テスト」「鈴木」 in code page 932.
const std::string kText = "\x83\x65\x83\x58\x83\x67 http://example.jp/";
const std::string kName = "\x97\xE9\x96\xD8";

struct Fixture {
    CRecvEventLog log;
    CRecordingMsgClient client{log};
    CFakeRecvHost host{log};
    CFakeRecvStore store{log, host};
    CRecordingRecvView view{log};
    CRecvFlow flow{host, store, view};
    CFakeMsgServer server{client, host, flow};

    Fixture()
    {
        host.client = &client;
        flow.SetWindowHandle(0x1234);
    }
    ServerMessage& Add(std::uint32_t number, std::uint32_t fileFlag = 0, std::string body = std::string())
    {
        ServerMessage message;
        message.senderId = "user" + std::to_string(number);
        message.senderName = kName;
        message.number = number;
        message.text = kText;
        message.fileFlag = fileFlag;
        message.body = std::move(body);
        server.messages.push_back(message);
        return server.messages.back();
    }
    // The list arrives and the first message is fetched on its own, as when the window opens.
    void Open()
    {
        flow.Initialise();
        server.Pump();
    }
    void Select(int row)
    {
        view.selected = row;
        flow.OnListSelect(row, RecvSelectSource::Click);
        server.Pump();
    }
    std::vector<std::string> Requests() const { return log.With("client."); }
    void Post(int wParam, const std::vector<std::uint8_t>& bytes)
    {
        flow.OnMessage(wParam, PmRecordToParam(PmNewPostedRecord(bytes.data(), bytes.size())));
    }
    // The lock is free and balanced once the window has nothing running.
    void ExpectSettled()
    {
        EXPECT_EQ(0, host.unbalancedUnlocks);
        EXPECT_EQ(0, host.lockDepth);
        EXPECT_EQ(0, server.deletesBeforeStore);
        EXPECT_TRUE(client.pending.empty());
    }
};

TEST(RecvFlow, TextMessagePathsStoreBeforeDeleteAndNeverTwice)
{
    const struct {
        const char* name;
        std::map<std::string, std::map<int, int>> faults;
        std::set<std::string> storeFails;
        bool history;
        std::uint32_t attributes;
        bool retry; // the user selects the row once more after the first attempt
        std::vector<std::string> requests;
        std::size_t rows;
        bool deleted;
    } cases[] = {
        {"plain", {}, {}, true, 0x40000000, false,
         {"client.list", "client.fetch 7", "client.fetch 7", "client.delete 7"}, 1, true},
        {"store fails: no delete", {}, {"AddMessage"}, true, 0x40000000, false,
         {"client.list", "client.fetch 7", "client.fetch 7"}, 0, false},
        {"store fails, then works on retry", {}, {"PutUser"}, true, 0x40000000, true,
         {"client.list", "client.fetch 7", "client.fetch 7", "client.fetch 7", "client.delete 7"}, 1, true},
        {"delete fails: stored once, retry deletes", {{"delete", {{1, 12003}}}}, {}, true, 0x40000000, true,
         {"client.list", "client.fetch 7", "client.fetch 7", "client.delete 7", "client.fetch 7", "client.delete 7"},
         1, true},
        {"second fetch fails: nothing stored, retry stores", {{"fetch", {{2, 12003}}}}, {}, true, 0x40000000, true,
         {"client.list", "client.fetch 7", "client.fetch 7", "client.fetch 7", "client.delete 7"}, 1, true},
        {"history off: deleted, not stored", {}, {}, false, 0x40000000, false,
         {"client.list", "client.fetch 7", "client.fetch 7", "client.delete 7"}, 0, true},
        {"not-stored attribute", {}, {}, true, 0x40000002, false,
         {"client.list", "client.fetch 7", "client.fetch 7", "client.delete 7"}, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.host.history = c.history;
        f.Add(7).attributes = c.attributes;
        f.server.faults = c.faults;
        f.store.failing = c.storeFails;
        f.Open();
        f.Select(0);
        if (c.retry) {
            f.store.failing.clear();
            f.Select(0);
        }
        EXPECT_EQ(c.requests, f.Requests());
        EXPECT_EQ(c.rows, f.store.rows.size());
        EXPECT_EQ(c.deleted, !f.server.deleted.empty());
        if (!c.storeFails.empty()) {
            EXPECT_EQ(1u, f.log.With("notice store-failed").size());
        }
        if (c.rows) {
            EXPECT_EQ(CString(kText), f.store.rows[0].text);
            EXPECT_EQ(0L, f.store.rows[0].kind);
        }
        if (c.deleted) {
            EXPECT_TRUE(f.host.arrivals[0].Has(kEntryDeleted));
            EXPECT_EQ(7u, f.host.arrivals[0].number);
            EXPECT_EQ(kIconOpened, f.view.rows[0].icon);
        }
        EXPECT_EQ(c.attributes & 2 ? 1u : 0u, f.log.With("balloon 31").size());
        f.ExpectSettled();
    }
}

TEST(RecvFlow, AttachmentIsReceivedCommittedStoredThenDeleted)
{
    const std::string body(5000, '\x5C');
    const struct {
        const char* name;
        std::map<std::string, std::map<int, int>> faults;
        bool commitFails;
        std::vector<std::string> requests;
        bool stored;
        RecvStatus status;
    } cases[] = {
        {"received", {}, false,
         {"client.list", "client.fetch 9", "client.fetch 9", "client.body 9", "client.fetch 9", "client.delete 9"},
         true, RecvStatus::Empty},
        {"reply code not 0", {{"body-code", {{1, 3}}}}, false,
         {"client.list", "client.fetch 9", "client.fetch 9", "client.body 9"}, false, RecvStatus::ReceiveError},
        {"cancelled", {{"body", {{1, 12000}}}}, false,
         {"client.list", "client.fetch 9", "client.fetch 9", "client.body 9"}, false, RecvStatus::Cancelled},
        {"commit fails", {}, true,
         {"client.list", "client.fetch 9", "client.fetch 9", "client.body 9"}, false, RecvStatus::ReceiveError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.Add(9, kAttachPackage, body);
        f.server.faults = c.faults;
        f.host.commitFails = c.commitFails;
        f.Open();
        f.Select(0);
        EXPECT_EQ(c.requests, f.Requests());
        EXPECT_EQ(5000u, f.client.bodyAnnounced);
        EXPECT_EQ(c.stored, f.store.rows.size() == 1);
        EXPECT_EQ(c.status, f.view.status);
        if (c.stored) {
            EXPECT_EQ(4L, f.store.rows[0].kind);
            EXPECT_EQ(body, f.store.rows[0].attachmentBytes);
            EXPECT_EQ(kIconPackage, f.view.rows[0].attachmentIcon);
            // The store's copy was made before the delete went out.
            const auto& events = f.log.Events();
            const auto attach = std::find(events.begin(), events.end(), "store.attach");
            const auto del = std::find(events.begin(), events.end(), "client.delete 9");
            EXPECT_LT(attach - events.begin(), del - events.begin());
        } else {
            // Nothing half-received stays behind but what the entry never points at.
            EXPECT_TRUE(f.flow.GetAttachmentFile().IsEmpty());
            EXPECT_TRUE(f.server.deleted.empty());
        }
        EXPECT_FALSE(f.view.cancelEnabled);
        EXPECT_EQ(0u, f.client.progressWindow);
        f.ExpectSettled();
    }
}

TEST(RecvFlow, EveryEarlyEndOfTheBodyReceptionReleasesTheLock)
{
    const struct {
        const char* name;
        bool noTempFolder;
        int bodyRefusal;
        bool clientGone;
        const char* report;
    } cases[] = {
        {"no temporary file for the body", true, 0, false, nullptr},
        {"body refused by the client", false, 12003, false, "error 12003"},
        {"client gone before the body", false, 0, true, "notice no-client"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.Add(9, kAttachOther2, "abc");
        f.Open();
        f.view.selected = 0;
        f.flow.OnListSelect(0, RecvSelectSource::Click); // the kind-17 fetch goes out
        ASSERT_EQ(kHoldFetchAttachment, f.host.holder);
        f.host.noTempFolder = c.noTempFolder;
        f.client.refuse["body"] = c.bodyRefusal;
        if (c.clientGone)
            f.host.client = nullptr;
        f.server.Pump();
        EXPECT_EQ(0, f.host.lockDepth);
        EXPECT_EQ(0, f.host.unbalancedUnlocks);
        EXPECT_TRUE(f.host.pendingTemp.IsEmpty());
        EXPECT_TRUE(f.host.pendingTarget.IsEmpty());
        EXPECT_TRUE(f.log.With("client.body 9").empty());
        EXPECT_TRUE(f.server.deleted.empty());
        if (c.report) {
            EXPECT_EQ(1u, f.log.With(c.report).size());
        }
        // Only the entry's own (empty) "CHR" file may be left; no "icc" file stays behind.
        for (const auto& file : f.host.files)
            EXPECT_EQ(std::string::npos, file.first.find("icc"));
    }
}

TEST(RecvFlow, ProgressIsMonotoneCappedAndCancelGoesAbove95)
{
    const struct {
        std::uint32_t total;
        std::vector<std::intptr_t> steps;
        std::vector<int> shown;
        bool cancelAtEnd;
    } cases[] = {
        {1000, {100, 100, 0, 500, 250}, {10, 20, 70, 95}, true},
        {1000, {960}, {96}, false},
        {1000, {600, 600, 600}, {60, 100}, false}, // more than announced: never above 100
        {3, {1, 1}, {33, 66}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.total);
        Fixture f;
        f.Add(9, kAttachPackage, std::string(c.total, 'x'));
        f.Open();
        f.view.selected = 0;
        f.flow.OnListSelect(0, RecvSelectSource::Click);
        f.server.Step(); // the kind-17 fetch: the body request goes out
        ASSERT_EQ(kHoldBody, f.host.holder);
        ASSERT_TRUE(f.view.cancelEnabled);
        f.flow.OnProgress(1, 500); // other notices do not count
        for (std::intptr_t step : c.steps)
            f.flow.OnProgress(2, step);
        EXPECT_EQ(c.shown, f.view.percentsShown);
        EXPECT_EQ(c.cancelAtEnd, f.view.cancelEnabled);
        f.flow.OnCancelTransfer();
        EXPECT_EQ(1u, f.log.With("client.cancel 1000").size());
        f.server.Pump();
        f.ExpectSettled();
    }
}

TEST(RecvFlow, MergedListsAddOnlyNewNumberedEntriesWithSenders)
{
    Fixture f;
    f.Add(1);
    f.Add(2);
    f.Open();
    ASSERT_EQ(2u, f.view.rows.size());
    f.log.Clear();

    PmMessageList list;
    list.header.type = PM_TYPE_MESSAGE_LIST;
    auto entry = [](const char* id, std::uint32_t number, std::uint32_t attributes) {
        PmListEntry e;
        e.senderId = PmField(id);
        e.senderName = PmField("\x8D\xB2\x93\xA1"); // 佐藤
        e.number = number;
        e.attributes = attributes;
        return e;
    };
    list.entries = {entry("", 3, 0), entry("a", 2, 0), entry("b", 0x80000001u, 0x08000000), entry("c", 0x80000001u, 0),
                    entry("d", 4, 0x03000000)};
    f.view.shown = false;
    f.Post(PM_POST_MESSAGE_LIST, HostMessageList(list));
    ASSERT_EQ(4u, f.view.rows.size());
    EXPECT_EQ(4u, f.host.arrivals.size());
    EXPECT_EQ(0x80000001u, f.host.arrivals[2].number);
    EXPECT_EQ(kIconPackage, f.view.rows[2].attachmentIcon);
    EXPECT_EQ(kIconVoiceClip, f.view.rows[3].attachmentIcon); // 0x01000000 wins
    EXPECT_EQ(1u, f.log.With("blink").size());
    EXPECT_EQ(1u, f.log.With("sound").size());
    EXPECT_EQ(4, f.host.messageArrive);
    EXPECT_EQ(RecvStatus::UnreadCount, f.view.status);
    EXPECT_EQ(5, f.view.statusNumber);

    // The same list again adds nothing and makes no sound.
    f.log.Clear();
    f.Post(PM_POST_MESSAGE_LIST, HostMessageList(list));
    EXPECT_EQ(4u, f.view.rows.size());
    EXPECT_TRUE(f.log.With("sound").empty());

    // A record of the wrong size is not read, and the window goes on.
    std::vector<std::uint8_t> shortList = HostMessageList(list);
    shortList.resize(100);
    f.Post(PM_POST_MESSAGE_LIST, shortList);
    EXPECT_EQ(4u, f.view.rows.size());
    f.server.Pump();
    f.ExpectSettled();
}

// A refresh lists what the server holds now, in its order: a message opened (and so deleted)
// goes, a message still there is shown again with what was known of it, a new one is added.
TEST(RecvFlow, RefreshShowsTheServersListAgainAndKeepsWhatWasKnown)
{
    Fixture f;
    f.Add(1);
    f.Add(2);
    f.Open(); // 1 is fetched on its own, not opened (no row selected)
    f.Select(1); // 2 is opened: stored, then deleted at the server
    ASSERT_EQ(std::vector<std::uint32_t>{2}, f.server.deleted);
    f.Add(3);
    f.view.selected = -1;
    f.flow.Refresh(true);
    f.server.Pump();
    std::vector<std::uint32_t> numbers;
    for (const MessageEntry& entry : f.host.arrivals)
        numbers.push_back(entry.number);
    EXPECT_EQ((std::vector<std::uint32_t>{1, 3}), numbers);
    EXPECT_EQ(2u, f.view.rows.size());
    ASSERT_EQ(2u, f.host.arrivals.size());
    EXPECT_TRUE(f.host.arrivals[0].Has(kEntryFetched));
    EXPECT_EQ(kText, f.host.arrivals[0].body.str());
    EXPECT_EQ(1u, f.store.rows.size()); // nothing stored twice
    // The refreshed window goes on: the new message opens like any other.
    f.Select(1);
    EXPECT_EQ((std::vector<std::uint32_t>{2, 3}), f.server.deleted);
    EXPECT_EQ(2u, f.store.rows.size());
    f.ExpectSettled();
}

// A refresh while another window holds the request lock (a send that waits on a server that
// went down, the main window's queue) is not dropped: the list goes out once the lock is free.
TEST(RecvFlow, RefreshWhileAnotherWindowHoldsTheLockAsksOnceItIsFree)
{
    for (std::uint16_t other : {std::uint16_t{33}, std::uint16_t{3}, std::uint16_t{kHoldList}}) {
        SCOPED_TRACE(other);
        Fixture f;
        f.Add(1);
        f.Open();
        f.Add(2);
        f.log.Clear();
        f.host.lockDepth = 1;
        f.host.holder = other;
        f.flow.Refresh(true);
        f.flow.OnTimer(); // still held: nothing goes out
        EXPECT_TRUE(f.Requests().empty());
        EXPECT_TRUE(f.view.timerRunning);
        f.host.lockDepth = 0;
        f.host.holder = 0;
        f.flow.OnTimer();
        EXPECT_EQ(std::vector<std::string>{"client.list"}, f.Requests());
        f.server.Pump();
        EXPECT_EQ(2u, f.view.rows.size());
        EXPECT_EQ(2u, f.host.arrivals.size());
        f.ExpectSettled();
    }
}

TEST(RecvFlow, DeferredWorkWaitsForTheLockAndEnds)
{
    Fixture f;
    f.Add(1);
    f.host.holder = 5; // another window holds the request lock
    f.host.lockDepth = 1;
    f.flow.Initialise();
    EXPECT_TRUE(f.view.timerRunning);
    EXPECT_EQ(kDeferList, f.flow.GetDeferredWork());
    for (int tick = 0; tick < 3; ++tick)
        f.flow.OnTimer();
    EXPECT_TRUE(f.Requests().empty());
    f.host.holder = 0;
    f.host.lockDepth = 0;
    for (int tick = 0; tick < 10 && (f.view.timerRunning || !f.client.pending.empty()); ++tick) {
        f.flow.OnTimer();
        f.server.Pump();
    }
    EXPECT_FALSE(f.view.timerRunning);
    EXPECT_EQ(0, f.flow.GetDeferredWork());
    EXPECT_EQ((std::vector<std::string>{"client.list", "client.fetch 1"}), f.Requests());
    EXPECT_TRUE(f.host.arrivals[0].Has(kEntryFetched));
    f.ExpectSettled();
}

TEST(RecvFlow, UnreadableFirstEntryIsDoneAndTheDeferredListStillRuns)
{
    Fixture f;
    f.Add(1);
    f.server.faults["fetch"] = {{1, 12214}};
    f.Open();
    EXPECT_TRUE(f.host.arrivals[0].Has(kEntryUnreadable));
    EXPECT_EQ(1u, f.host.arrivals[0].number);
    EXPECT_EQ(kIconUnreadable, f.view.rows[0].icon);
    EXPECT_EQ(0, f.flow.GetDeferredWork() & kDeferFetchFirst);

    // A list request deferred behind another holder still goes once the lock is free.
    f.host.holder = 5;
    f.host.lockDepth = 1;
    f.flow.RequestList();
    f.host.holder = 0;
    f.host.lockDepth = 0;
    f.log.Clear();
    for (int tick = 0; tick < 10 && f.view.timerRunning; ++tick) {
        f.flow.OnTimer();
        f.server.Pump();
    }
    EXPECT_EQ(std::vector<std::string>{"client.list"}, f.Requests());
    // Selecting it again does not fetch it.
    f.Select(0);
    EXPECT_EQ(std::vector<std::string>{"client.list"}, f.Requests());
    f.ExpectSettled();
}

TEST(RecvFlow, TimedOutLockStartsAndReleasesNothing)
{
    Fixture f;
    f.Add(1);
    f.host.lockTimesOut = true;
    f.flow.Initialise();
    EXPECT_TRUE(f.Requests().empty());
    EXPECT_EQ(0, f.host.unbalancedUnlocks);
    EXPECT_EQ(kDeferList, f.flow.GetDeferredWork());
    f.host.lockTimesOut = false;
    for (int tick = 0; tick < 10 && f.view.timerRunning; ++tick) {
        f.flow.OnTimer();
        f.server.Pump();
    }
    EXPECT_EQ((std::vector<std::string>{"client.list", "client.fetch 1"}), f.Requests());
    f.ExpectSettled();
}

TEST(RecvFlow, ResultsThatAreNotThisWindowsLeaveItAlone)
{
    Fixture f;
    f.Add(1);
    f.Open();
    f.log.Clear();
    // A send's failure (negative sequence), then a failure while another window holds the lock.
    f.Post(PM_POST_FAILED, HostFailure(1, 9, 0xFFFFFFF0u));
    f.host.holder = 5;
    f.host.lockDepth = 1;
    f.Post(PM_POST_FAILED, HostFailure(1, 9, 3));
    f.Post(PM_POST_FETCHED, std::vector<std::uint8_t>(10, 0)); // unreadable record: no unlock of theirs
    EXPECT_EQ(5, f.host.holder);
    EXPECT_EQ(0, f.host.unbalancedUnlocks);
    EXPECT_TRUE(f.log.With("error").empty());
    // 103 and 104 carry no record: their lParam is never freed.
    f.flow.OnMessage(104, 1);
    f.flow.OnMessage(103, 0);
    EXPECT_EQ(kBusyOffline, f.flow.GetBusyState());
    f.flow.OnMessage(103, 1);
    EXPECT_EQ(kBusyIdle, f.flow.GetBusyState());
    EXPECT_EQ(1u, f.log.With("font").size());
}

TEST(RecvFlow, ReadNoticeUnlessProtocolLowByteIs47)
{
    for (unsigned low : {1u, 47u}) {
        SCOPED_TRACE(low);
        Fixture f;
        f.host.protocolLowByte = low;
        f.Add(7).attributes = 0x40000001;
        f.Open();
        f.Select(0);
        EXPECT_EQ(low == 47 ? 0u : 1u, f.log.With("read-notice user7").size());
        f.ExpectSettled();
    }
}

TEST(RecvFlow, LoggedOutListAndFetchLeaveNoDeferredWork)
{
    Fixture f;
    f.Add(1);
    f.host.loggedIn = false;
    EXPECT_EQ(174, f.flow.RequestList());
    EXPECT_EQ(0, f.flow.GetDeferredWork());
    MessageEntry waiting;
    waiting.senderId = "x";
    waiting.number = 1;
    f.host.arrivals.push_back(waiting);
    f.flow.FetchFirstUnread();
    EXPECT_EQ(0, f.flow.GetDeferredWork());
    EXPECT_TRUE(f.Requests().empty());
}

} // namespace

namespace {

TEST(RecvFlow, ResultsAfterALogOutStillReleaseTheLock)
{
    for (const char* kind : {"list", "fetch"}) {
        SCOPED_TRACE(kind);
        Fixture f;
        f.Add(1);
        f.flow.Initialise(); // the list request goes out
        if (std::string(kind) == "fetch") {
            f.server.Step();  // the first fetch goes out
            ASSERT_EQ(kHoldFetchShow, f.host.holder);
        }
        f.host.loggedIn = false;
        f.server.Pump();
        EXPECT_EQ(0, f.host.lockDepth);
        EXPECT_EQ(0, f.host.unbalancedUnlocks);
        EXPECT_EQ(kBusyIdle, f.flow.GetBusyState());
        // Logged in again, the timer's deferred work ends by itself.
        f.host.loggedIn = true;
        for (int tick = 0; tick < 10 && f.flow.IsDeferredTimerRunning(); ++tick) {
            f.flow.OnTimer();
            f.server.Pump();
        }
        EXPECT_FALSE(f.flow.IsDeferredTimerRunning());
        f.ExpectSettled();
    }
}

} // namespace

namespace {

TEST(RecvButtons, BusyStatesAndSelectionSetPlayAttachmentAndRefresh)
{
    // view.buttons: 1 play, 3 reply, 4 refresh, 5 history, 6 attachment.
    const struct {
        const char* name;
        std::uint32_t kind; // of the entry at the current index
        int state;
        std::map<int, bool> buttons;
    } rows[] = {
        {"busy list", kAttachVoiceClip, kBusyList, {{1, false}, {4, false}, {6, false}}},
        {"busy body", 0, kBusyBody, {{1, false}, {4, false}, {6, false}}},
        {"offline", kAttachPackage, kBusyOffline, {{1, false}, {4, false}, {6, false}}},
        {"idle voice clip", kAttachVoiceClip, kBusyIdle, {{1, true}, {4, true}, {6, false}}},
        {"idle package", kAttachPackage, kBusyIdle, {{1, false}, {4, true}, {6, true}}},
        {"idle other", kAttachOther4, kBusyIdle, {{1, false}, {4, true}, {6, true}}},
        {"idle text", 0, kBusyIdle, {{1, false}, {4, true}, {6, false}}},
        {"unknown state stores only", kAttachPackage, 7, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        MessageEntry entry;
        entry.senderId = "a";
        entry.number = 1;
        entry.attachmentKind = row.kind;
        f.host.arrivals.push_back(entry);
        f.flow.SetBusyState(row.state);
        EXPECT_EQ(row.state, f.flow.GetBusyState());
        EXPECT_EQ(row.buttons, f.view.buttons);
    }
}

TEST(RecvButtons, ClickKeyAndMenuSelectionsDifferInReplyAndHistory)
{
    const struct {
        RecvSelectSource source;
        int row;
        std::map<int, bool> buttons;
    } rows[] = {
        {RecvSelectSource::Click, 0, {{1, false}, {6, true}, {3, true}, {5, true}}},
        {RecvSelectSource::ContextMenu, 0, {{1, false}, {6, true}, {3, true}}},
        {RecvSelectSource::Key, 0, {{1, false}, {6, true}}},
        {RecvSelectSource::Click, -1, {{1, false}, {3, false}}},
        {RecvSelectSource::Key, 5, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        Fixture f;
        f.Add(1, kAttachPackage, "x");
        f.host.loggedIn = false; // nothing is fetched: only the buttons move
        f.host.arrivals.resize(1);
        f.host.arrivals[0].number = 1;
        f.host.arrivals[0].attachmentKind = kAttachPackage;
        f.view.AddRow(f.host.arrivals[0]);
        f.flow.OnListSelect(row.row, row.source);
        EXPECT_EQ(row.buttons, f.view.buttons);
    }
}

} // namespace
