// The real main window handed recorded message-client results (written by
// tests/peers/nvpeers/host_records.py) as the message client posts them: the application's arrival
// list and MessageArrive, the lock released, the friend and URL lists shown in the list windows'
// controls, the own name taken over, and failures reported into a real error log window with the
// next queued request started (also after a send that failed on the network).
#include "shell/tests/MainWindowTestEnv.h"

#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/settings/ProfileStore.h"
#include "shell/notify/ErrorLogDlg.h"
#include "shell/notify/ResultRouting.h"
#include "messaging/client/PostedRecord.h"

#include "resources/StringIds.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace mwtest;

namespace {

PmPostedRecord* Recorded(const char* name)
{
    const std::string path = nvtest::UnixToWindowsPath(nvtest::Env("NV_HOST_RECORDS") + "/" + name);
    const auto bytes = nvtest::ReadFileBytes(path.c_str());
    EXPECT_FALSE(bytes.empty()) << path;
    return PmNewPostedRecord(bytes.data(), bytes.size());
}

std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

std::string ItemText(HWND list, int item, int column = 0)
{
    char buffer[512] = {};
    LVITEMA lv{};
    lv.iSubItem = column;
    lv.pszText = buffer;
    lv.cchTextMax = sizeof buffer;
    ::SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv));
    return buffer;
}

LVITEMA Item(HWND list, int item)
{
    LVITEMA lv{};
    lv.mask = LVIF_IMAGE | LVIF_PARAM;
    lv.iItem = item;
    ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
    return lv;
}

int ItemCount(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

struct SilentPresenter : IMessageBoxPresenter {
    int Show(HWND, const char*, UINT, bool) override { return IDOK; }
};

class LogHost : public IErrorLogHost {
public:
    CWnd* GetParentWindow() override { return nullptr; }
    IProfileStore& GetProfile() override { return profile; }
    long long GetKeepDays() override { return 30; }
    CString GetLogFolder() override { return folder; }
    std::time_t Now() override { return 1781524800; }
    CMemoryProfile profile;
    CString folder;
};

// The doubles of the main window's tests, with a real error log window in place of its double.
class PeersWithErrorLog : public RecordingPeers {
public:
    using RecordingPeers::RecordingPeers;
    CWnd* Create(WindowKind kind, CWnd* parent) override
    {
        if (kind != kWindowErrorLog)
            return RecordingPeers::Create(kind, parent);
        auto* log = new CErrorLogDlg(nullptr, host);
        log->JoinRegistry(kWindowErrorLog);
        return log->Create() ? log : nullptr;
    }
    LogHost host;
};

// The send window as the main window sees it: it keeps what it is handed (0x40A).
class CSendWindowDouble : public CWnd {
public:
    BOOL Create()
    {
        JoinRegistry(kWindowSend);
        return CreateEx(0, RegisterWindowClass("NvSendWindowDouble"), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    LRESULT OnSendEvent(WPARAM wParam, LPARAM lParam)
    {
        events.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    }
    std::vector<std::pair<int, int>> events;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSendWindowDouble, CWnd)
    ON_MESSAGE(0x40A, OnSendEvent)
END_MESSAGE_MAP()

class MainWindowResultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CClientApp::Windows().IsEmpty());
        m_app = std::make_unique<CClientApp>();
        m_app->SetupRegistry();
        m_app->m_Comm_id = "me00001";
        m_app->m_Comm_name = "Me";
        ASSERT_TRUE(env.SetUp());
        peers.host.folder = env.root + "\\Log";
        ::CreateDirectoryA(peers.host.folder, nullptr);
        SetMessageBoxPresenter(&presenter);
        SetMainPeers(&peers);
        App().SetSessionFactory(&factory);
        // Online with messaging up, and the lock as a session has it.
        factory.session.loggedIn = true;
        App().SetServiceSession(&factory.session);
        App().m_sessionFlags = 0x0103;
        ASSERT_TRUE(App().CreatePmLock());
        env.RenewSkins();
        main = new CMainDlg(nullptr);
        ASSERT_TRUE(main->Create());
    }
    void TearDown() override
    {
        if (CMainDlg* window = App().GetMainDlg())
            window->DestroyWindow();
        for (CWnd* w : CClientApp::Windows().Windows({kWindowErrorLog, kWindowErrorBalloon, kWindowNormalBalloon,
                                                     kWindowCdPlayer, kWindowPhone, kWindowVoiceClip, kWindowFriendList,
                                                     kWindowUserList, kWindowAddressBar, kWindowBrowser, kWindowChat,
                                                     kWindowReceive}))
            w->DestroyWindow();
        EXPECT_TRUE(CClientApp::Windows().IsEmpty()) << "a window was left";
        CClientApp::Windows().Clear();
        App().SetServiceSession(nullptr);
        App().ClosePmLock();
        SetMainPeers(nullptr);
        SetMessageBoxPresenter(nullptr);
        env.TearDown();
        m_app.reset();
    }
    CClientApp& App() { return *m_app; }
    // Posted as the message client posts it; handled once the window's queue is empty again.
    void Post(UINT message, int result, PmPostedRecord* record)
    {
        ASSERT_TRUE(main->PostMessage(message, static_cast<WPARAM>(result), PmRecordToParam(record)));
        nvtest::PumpPending();
    }
    bool LockIsFree()
    {
        if (App().LockPm(kRequestFriendList, 0) != WAIT_OBJECT_0)
            return false;
        App().UnlockPm();
        return true;
    }
    HWND ListControl(WindowKind kind, int id) { return ::GetDlgItem(CClientApp::GetAppWindow(kind)->GetSafeHwnd(), id); }

    SkinEnvironment env;
    Journal journal;
    PeersWithErrorLog peers{journal};
    SessionFactoryDouble factory{journal};
    SilentPresenter presenter;
    CMainDlg* main = nullptr;

private:
    std::unique_ptr<CClientApp> m_app;
};

TEST_F(MainWindowResultsTest, MessageListsFillTheArrivalListReleaseTheLockAndWriteMessageArrive)
{
    const struct {
        const char* file;
        size_t entries;
    } rows[] = {{"list18.bin", 18}, {"list_empty_ids.bin", 1}, {"list_overcount.bin", 18}, {"list_empty.bin", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(kRequestMessageList, 0));
        Post(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, Recorded(row.file));
        EXPECT_EQ(0, App().GetPmHolderKind());
        EXPECT_TRUE(LockIsFree()) << "the message list's lock was released";
        EXPECT_EQ(row.entries, App().m_arrivals.size());
        EXPECT_EQ(static_cast<int>(row.entries), static_cast<int>(App().GetProfileInt("", "MessageArrive", -1)));
        if (row.entries == 18) {
            const MessageEntry& e = App().m_arrivals[3];
            EXPECT_EQ("user03", e.senderId.str());
            EXPECT_EQ("\x8e\x52\x93\x63" "03", e.senderName.str());
            EXPECT_EQ(103u, e.number);
            EXPECT_EQ(1781524803, e.time);
            EXPECT_EQ(0x01000000u, e.attachmentKind);
            EXPECT_EQ(0u, e.state);
        }
    }
    // While a received-message window exists the record is its own: the list and the lock stay.
    App().m_arrivals.resize(2);
    ASSERT_NE(nullptr, peers.Create(kWindowReceive, nullptr));
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(kRequestMessageList, 0));
    Post(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, nullptr);
    EXPECT_EQ(2u, App().m_arrivals.size());
    EXPECT_EQ(kRequestMessageList, App().GetPmHolderKind());
    App().UnlockPm();
}

TEST_F(MainWindowResultsTest, ListsFillTheListWindowsAndTheOwnEntryRenamesTheUser)
{
    App().Settings().m_myStatus = 0x15;
    ASSERT_FALSE(main->IsListReceived());
    Post(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, Recorded("friends.bin"));
    EXPECT_TRUE(main->IsListReceived());
    const std::string newName = "\x90\x56\x82\xb5\x82\xa2\x96\xbc";
    EXPECT_EQ(newName, App().m_Comm_name.str()) << "the server's name for the own entry";
    EXPECT_EQ(newName, App().Profile().GetString("NetInfo", "Comm_name", "").str());
    HWND friends = ListControl(kWindowFriendList, 1001);
    ASSERT_NE(nullptr, friends);
    ASSERT_EQ(4, ItemCount(friends)) << "own row, online, offline, phone; the own entry not twice";
    ASSERT_EQ(4u, App().m_friends.size());
    const struct {
        std::string text;
        int image;
    } expected[] = {{Text(IDS_FRIEND_OWN_ROW), 3}, {"Online", 2 + 5}, {"Offline", 1}, {"Phone", 3 + 16 + 5}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].text, ItemText(friends, i));
        EXPECT_EQ(expected[i].image, Item(friends, i).iImage);
        EXPECT_EQ(expected[i].image, App().m_friends[i].image);
    }

    Post(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, Recorded("urls.bin"));
    HWND urls = ListControl(kWindowUserList, 1000);
    ASSERT_EQ(41, ItemCount(urls)) << "the own row and the online users; the offline one left out";
    EXPECT_EQ(newName, ItemText(urls, 0));
    EXPECT_EQ(0xFF0000, Item(urls, 0).lParam);
    EXPECT_EQ(notify::StatusIcon(0x15), Item(urls, 0).iImage);
    EXPECT_EQ("Partner 05", ItemText(urls, 6));

    // A new own status reaches the own row and the list window.
    App().Settings().m_myStatus = 0x24;
    main->UpdateOwnStatus();
    EXPECT_EQ(0x24, App().m_users[0].status);
    EXPECT_EQ(notify::StatusIcon(0x24), Item(urls, 0).iImage);
    // The own row renamed, with a new ID as its second name.
    main->UpdateOwnName("me00001", "Renamed", "me00002");
    EXPECT_EQ("Renamed", ItemText(urls, 0));
    EXPECT_EQ("me00002", App().m_users[0].id.str());
}

TEST_F(MainWindowResultsTest, FailuresReachTheErrorLogAndTheNextRequestStarts)
{
    auto* log = dynamic_cast<CErrorLogDlg*>(App().GetErrorLogDlg());
    ASSERT_NE(nullptr, log) << "the real error log window";
    App().m_lastResult = 5403;
    const std::string expectedText = Text(13005) + "(#13110)"; // the group text, the detail number
    const struct {
        const char* name;
        UINT message;
        const char* file;
    } rows[] = {
        {"message failure", WM_PM_MESSAGE_RESULT, "failure.bin"},
        {"message failure without record", WM_PM_MESSAGE_RESULT, nullptr},
        {"list failure", WM_PM_LIST_RESULT, "failure.bin"},
    };
    int entries = log->GetEntryCount();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        journal.events.clear();
        // A running message-list request holds the lock; a friend-list request waits.
        ASSERT_EQ(0, App().QueueRequest(kRequestMessageList));
        ASSERT_EQ(kRequestMessageList, App().GetPmHolderKind());
        App().QueueRequest(kRequestFriendList);
        Post(row.message, PM_POST_FAILED, row.file ? Recorded(row.file) : nullptr);
        ASSERT_EQ(++entries, log->GetEntryCount());
        EXPECT_EQ(expectedText, ItemText(log->GetList(), 0, 2));
        EXPECT_TRUE(journal.Has("request:" + std::to_string(kRequestFriendList))) << "the waiting request started";
        EXPECT_EQ(kRequestFriendList, App().GetPmHolderKind()) << "the lock went from the failed request to the next";
        // The friend list's own end.
        App().UnlockPm();
        App().QueueRequest(kRequestDone);
    }
    // The message client's own result is the one shown: a list it could not take.
    factory.session.clientLastResult = 12213;
    ASSERT_EQ(0, App().QueueRequest(kRequestMessageList));
    Post(WM_PM_MESSAGE_RESULT, PM_POST_FAILED, Recorded("failure.bin"));
    ASSERT_EQ(++entries, log->GetEntryCount());
    EXPECT_EQ(Text(12213) + "(#12213)", ItemText(log->GetList(), 0, 2));
    factory.session.clientLastResult = 0;
    // Results while messaging is down are only freed.
    App().m_sessionFlags = 0x0100;
    Post(WM_PM_MESSAGE_RESULT, PM_POST_FAILED, Recorded("failure.bin"));
    Post(WM_PM_LIST_RESULT, PM_POST_FAILED, Recorded("failure.bin"));
    EXPECT_EQ(entries, log->GetEntryCount());
}

TEST_F(MainWindowResultsTest, ASendThatFailedOnTheNetworkLeavesTheLockFreeForTheNextRequest)
{
    auto* log = dynamic_cast<CErrorLogDlg*>(App().GetErrorLogDlg());
    ASSERT_NE(nullptr, log);
    const int entries = log->GetEntryCount();
    CSendWindowDouble send;
    ASSERT_TRUE(send.Create());
    // The send window's message went out under the lock (kind 33), and the server was gone: the
    // message client reports the failure with the send's (negative) sequence and its own code.
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(33, 0));
    factory.session.clientLastResult = 12212;
    Post(WM_PM_MESSAGE_RESULT, PM_POST_FAILED, Recorded("failure_send.bin"));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !send.events.empty(); }));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{-1, 12212}}), send.events) << "the send window shows its error";
    ASSERT_EQ(entries + 1, log->GetEntryCount());
    EXPECT_EQ(Text(12212) + "(#12212)", ItemText(log->GetList(), 0, 2));
    EXPECT_EQ(0, App().GetPmHolderKind());
    // Nobody holds the client any more, and the lock says so: the next request starts at once.
    ASSERT_TRUE(LockIsFree()) << "the lock stayed taken with no holder to give it back";
    journal.events.clear();
    EXPECT_EQ(0, App().QueueRequest(kRequestMessageList));
    EXPECT_TRUE(journal.Has("request:" + std::to_string(kRequestMessageList)));
    EXPECT_EQ(kRequestMessageList, App().GetPmHolderKind());
    App().UnlockPm();
    App().QueueRequest(kRequestDone);
    factory.session.clientLastResult = 0;
    send.DestroyWindow();
}

} // namespace
