// Recorded message-client results (written by tests/peers/nvpeers/host_records.py) posted to a
// window that routes them as the main window does: arrivals stored, blinks and MessageArrive, the
// record forwarded unchanged to a hidden received-message double, send results as message
// sequences on a send-window double, failures reported with the lock released and the next queued
// request started on a recording client, and the friend and URL lists read back from real list
// views.
#include "shell/notify/ResultRouter.h"

#include "shell/common/services/RequestQueue.h"
#include "tests/support/WinTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using notify::ArrivalEntry;
using notify::UserRow;

constexpr UINT kForward = 0x40A;

PmPostedRecord* Recorded(const char* name)
{
    const std::string path = nvtest::UnixToWindowsPath(nvtest::Env("NV_HOST_RECORDS") + "/" + name);
    const auto bytes = nvtest::ReadFileBytes(path.c_str());
    EXPECT_FALSE(bytes.empty()) << path;
    return PmNewPostedRecord(bytes.data(), bytes.size());
}

// A window that records the 0x40A messages it gets (the send and received-message doubles); the
// received double frees the records it is handed, as the real window does.
struct RecordingWindow {
    HWND hwnd = nullptr;
    nvtest::MessageSequence messages;
    std::vector<std::uint32_t> recordSizes;
    bool freesRecords = false;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<RecordingWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && message == kForward) {
            self->messages.Add(message, wParam, lParam);
            if (self->freesRecords) {
                PmPostedRecord* record = PmRecordFromParam(lParam);
                self->recordSizes.push_back(record ? record->size : 0);
                PmFreePostedRecord(record);
            }
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    void Create(bool visible)
    {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.lpszClassName = "NvRecordingWindow";
            ::RegisterClassA(&wc);
            registered = true;
        }
        hwnd = ::CreateWindowExA(0, "NvRecordingWindow", "", WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 10, 10,
                                 nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~RecordingWindow()
    {
        if (hwnd)
            ::DestroyWindow(hwnd);
    }
};

class RecordingClient : public IRequestClient {
public:
    int StartRequest(const RequestEntry& entry) override
    {
        started.push_back(entry.kind);
        return 0;
    }
    std::vector<int> started;
};

class CountingLock : public IRequestLock {
public:
    bool Acquire(uint16_t, unsigned) override { return true; }
    void Release() override { ++releases; }
    int releases = 0;
};

class TestHost : public IResultRouterHost {
public:
    bool HasMessageClient() override { return hasClient; }
    bool IsMessaging() override { return messaging; }
    bool SessionHasMessageClient() override { return sessionHasClient; }
    int GetHolderKind() override { return holderKind; }
    bool QueueHeadIsMessageList() override
    {
        return !queue.Entries().empty() && queue.Entries().front().kind == kRequestMessageList;
    }
    int GetLastResult() override { return lastResult; }
    HWND GetSendWindow() override { return sendWindow; }
    HWND GetReceiveWindow() override { return receiveWindow; }
    void UnlockPm() override { log += "unlock;"; }
    void RunNextRequest() override
    {
        log += "next;";
        queue.Submit({kRequestDone, 0}, &client, &lock, true);
    }
    void UpdateReceiveButton() override { log += "button;"; }
    void ReportError(int code) override { log += "report " + std::to_string(code) + ";"; }
    void CommitReceivedFile(bool keep) override { log += keep ? "keep;" : "discard;"; }
    void SetArrivals(const std::vector<ArrivalEntry>& entries) override { arrivals = entries; }
    void BlinkReceiveButton() override { log += "blink;"; }
    void PlayArrivalSound() override { log += "sound;"; }
    void SetMessageArrive(int count) override { log += "arrive " + std::to_string(count) + ";"; }
    void MergeMessageLists() override { log += "merge;"; }
    void SetListReceived() override { log += "received;"; }
    notify::OwnUser GetOwnUser() override { return own; }
    CString GetFriendOwnRowName() override { return "invite"; }
    void SetUserRows(int kind, const std::vector<UserRow>& rows) override { (kind == 2 ? urls : friends) = rows; }
    void UpdateOwnName(const CString& id, const CString& name, const CString& second) override
    {
        log += "rename " + id.str() + " " + name.str() + " [" + second.str() + "];";
        own.name = name.str();
    }
    void ShowUserList(int kind) override
    {
        FillUserListView(kind == 2 ? urlList : friendList, kind == 2 ? urls : friends, images, kind == 2);
        log += "show " + std::to_string(kind) + ";";
    }
    std::string TakeLog()
    {
        std::string out = log;
        log.clear();
        return out;
    }

    bool hasClient = true, messaging = true, sessionHasClient = true;
    int holderKind = 0;
    int lastResult = 12003;
    HWND sendWindow = nullptr, receiveWindow = nullptr;
    HWND friendList = nullptr, urlList = nullptr;
    HIMAGELIST images = nullptr;
    CRequestQueue queue;
    RecordingClient client;
    CountingLock lock;
    std::vector<ArrivalEntry> arrivals;
    std::vector<UserRow> friends, urls;
    notify::OwnUser own{"me00001", "Me", 0x15};
    std::string log;
};

// The main window's part: 0x403 and 0x404 handed to the router.
struct RoutingWindow {
    HWND hwnd = nullptr;
    CResultRouter* router = nullptr;
    int handled = 0;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<RoutingWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && message == WM_PM_MESSAGE_RESULT) {
            self->router->OnMessageResult(wParam, lParam);
            ++self->handled;
            return 0;
        }
        if (self && message == WM_PM_LIST_RESULT) {
            self->router->OnListResult(wParam, lParam);
            ++self->handled;
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

class ResultRouterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::InitCommonControls();
        WNDCLASSA wc{};
        wc.lpfnWndProc = RoutingWindow::Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "NvRoutingWindow";
        ::RegisterClassA(&wc);
        m_main.router = &m_router;
        m_main.hwnd = ::CreateWindowExA(0, "NvRoutingWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr,
                                        nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SetWindowLongPtrA(m_main.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_main));
        for (HWND* list : {&m_host.friendList, &m_host.urlList}) {
            *list = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, 0,
                                      list == &m_host.friendList ? 0 : 150, 150, 120, m_main.hwnd, nullptr,
                                      ::GetModuleHandleA(nullptr), nullptr);
        }
        m_host.images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 37, 0);
    }
    void TearDown() override
    {
        ::DestroyWindow(m_main.hwnd);
        ::ImageList_Destroy(m_host.images);
    }
    // Posts as the message client does and waits until the window has handled it.
    void Post(UINT message, int result, PmPostedRecord* record)
    {
        const int before = m_main.handled;
        ASSERT_TRUE(::PostMessageA(m_main.hwnd, message, static_cast<WPARAM>(result), PmRecordToParam(record)));
        ASSERT_TRUE(nvtest::PumpUntil([&] { return m_main.handled > before; }));
    }

    TestHost m_host;
    CResultRouter m_router{m_host};
    RoutingWindow m_main;
};

std::string ItemText(HWND list, int item)
{
    char buffer[256] = {};
    LVITEMA lv{};
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

TEST_F(ResultRouterTest, ArrivalListsFromRecordedMessageLists)
{
    struct Row {
        const char* file;
        std::size_t entries;
        const char* log;
    } rows[] = {
        {"list18.bin", 18, "blink;sound;arrive 18;merge;"},
        {"list_empty.bin", 0, "arrive 0;merge;"},
        {"list_empty_ids.bin", 1, "blink;sound;arrive 1;merge;"},
        {"list_overcount.bin", 18, "blink;sound;arrive 18;merge;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        Post(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, Recorded(row.file));
        EXPECT_EQ(row.log, m_host.TakeLog());
        EXPECT_EQ(row.entries, m_host.arrivals.size());
    }
    // The last list's entries as recorded.
    ASSERT_EQ(18u, m_host.arrivals.size());
    EXPECT_EQ("user03", m_host.arrivals[3].senderId);
    EXPECT_EQ("\x8e\x52\x93\x63" "03", m_host.arrivals[3].senderName);
    EXPECT_EQ(103, m_host.arrivals[3].number);
    EXPECT_EQ(1781524803, m_host.arrivals[3].time);
    EXPECT_EQ(0x01000000, m_host.arrivals[3].attachmentKind);
    // No record: the arrival list is emptied all the same.
    Post(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, nullptr);
    EXPECT_EQ("arrive 0;merge;", m_host.TakeLog());
    EXPECT_TRUE(m_host.arrivals.empty());
}

TEST_F(ResultRouterTest, HiddenReceivedWindowGetsTheRecordUnchangedAndNothingBlinks)
{
    RecordingWindow received;
    received.freesRecords = true;
    received.Create(false);
    m_host.receiveWindow = received.hwnd;
    m_host.holderKind = kRequestMessageList;
    PmPostedRecord* record = Recorded("list18.bin");
    Post(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, record);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return received.messages.Items().size() == 1; }));
    EXPECT_EQ("", received.messages.Compare({{kForward, PM_POST_MESSAGE_LIST, PmRecordToParam(record)}}));
    EXPECT_EQ(std::vector<std::uint32_t>{824}, received.recordSizes);
    EXPECT_EQ("", m_host.TakeLog()) << "the received-message window decides";
    EXPECT_TRUE(m_host.arrivals.empty());
}

TEST_F(ResultRouterTest, SendResultsReachTheSendWindowAsMessages)
{
    RecordingWindow send;
    send.Create(true);
    m_host.sendWindow = send.hwnd;
    m_host.holderKind = 40;
    Post(WM_PM_MESSAGE_RESULT, PM_POST_SENT, Recorded("sent.bin"));
    Post(WM_PM_MESSAGE_RESULT, PM_POST_BODY_SENT, Recorded("sent.bin"));
    Post(WM_PM_MESSAGE_RESULT, PM_POST_FAILED, Recorded("failure_send.bin"));
    Post(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, Recorded("list_empty.bin"));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return send.messages.Items().size() == 4; }));
    EXPECT_EQ("", send.messages.Compare({{kForward, 11, static_cast<LPARAM>(-2)},
                                         {kForward, 14, static_cast<LPARAM>(-2)},
                                         {kForward, static_cast<WPARAM>(-1), 12003},
                                         {kForward, 10, 0}}));
    EXPECT_EQ("report 12003;arrive 0;merge;", m_host.TakeLog());
    // Without a send window the lock goes.
    m_host.sendWindow = nullptr;
    Post(WM_PM_MESSAGE_RESULT, PM_POST_SENT, Recorded("sent.bin"));
    EXPECT_EQ("unlock;", m_host.TakeLog());
}

TEST_F(ResultRouterTest, FailuresReleaseTheLockAndStartTheNextRequest)
{
    struct Row {
        const char* name;
        UINT message;
        const char* file;
        int holder;
        const char* log;
    } rows[] = {
        {"fetch failure", WM_PM_MESSAGE_RESULT, "failure.bin", 32, "report 12003;unlock;discard;next;"},
        {"failure without record", WM_PM_MESSAGE_RESULT, nullptr, 32, "report 12003;unlock;discard;next;"},
        {"send failure with no send window", WM_PM_MESSAGE_RESULT, "failure_send.bin", 40,
         "report 12003;unlock;next;"},
        {"list failure", WM_PM_LIST_RESULT, "failure.bin", 2, "report 12003;unlock;next;"},
        {"list failure without record", WM_PM_LIST_RESULT, nullptr, 2, "report 12003;unlock;next;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_host.queue.Clear();
        m_host.client.started.clear();
        // A running request at the head and one waiting behind it.
        ASSERT_EQ(0, m_host.queue.Submit({kRequestMessageList, 0}, &m_host.client, &m_host.lock, true));
        ASSERT_EQ(CRequestQueue::kQueued, m_host.queue.Submit({kRequestUrlList, 0}, &m_host.client, &m_host.lock, true));
        m_host.holderKind = row.holder;
        Post(row.message, PM_POST_FAILED, row.file ? Recorded(row.file) : nullptr);
        EXPECT_EQ(row.log, m_host.TakeLog());
        EXPECT_EQ((std::vector<int>{kRequestMessageList, kRequestUrlList}), m_host.client.started)
            << "the waiting request started";
    }
    // Results while not messaging are only freed.
    m_host.messaging = false;
    Post(WM_PM_MESSAGE_RESULT, PM_POST_FAILED, Recorded("failure.bin"));
    Post(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, Recorded("friends.bin"));
    EXPECT_EQ("", m_host.TakeLog());
}

TEST_F(ResultRouterTest, FriendAndUrlListsReadBackFromTheListViews)
{
    Post(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, Recorded("friends.bin"));
    EXPECT_EQ("received;rename me00001 \x90\x56\x82\xb5\x82\xa2\x96\xbc [];show 1;", m_host.TakeLog());
    HWND friends = m_host.friendList;
    ASSERT_EQ(4, ::SendMessageA(friends, LVM_GETITEMCOUNT, 0, 0));
    struct Row {
        const char* text;
        int image;
    } expected[] = {{"invite", 3}, {"Online", 2 + 5}, {"Offline", 1}, {"Phone", 3 + 16 + 5}};
    const COLORREF textColour = static_cast<COLORREF>(::SendMessageA(friends, LVM_GETTEXTCOLOR, 0, 0));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].text, ItemText(friends, i));
        EXPECT_EQ(expected[i].image, Item(friends, i).iImage);
        EXPECT_EQ(static_cast<LPARAM>(textColour), Item(friends, i).lParam);
    }
    RECT client;
    ::GetClientRect(friends, &client);
    EXPECT_EQ(client.right, ::SendMessageA(friends, LVM_GETCOLUMNWIDTH, 0, 0)) << "four rows fit";

    HWND urls = m_host.urlList;
    RECT emptyClient;
    ::GetClientRect(urls, &emptyClient); // before the rows bring the scroll bar
    Post(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, Recorded("urls.bin"));
    EXPECT_EQ("received;show 2;", m_host.TakeLog());
    ASSERT_EQ(41, ::SendMessageA(urls, LVM_GETITEMCOUNT, 0, 0)) << "the own row and 40 online, the offline left out";
    EXPECT_EQ(m_host.own.name, ItemText(urls, 0));
    EXPECT_EQ(0xFF0000, Item(urls, 0).lParam);
    EXPECT_EQ(notify::StatusIcon(0x15), Item(urls, 0).iImage);
    EXPECT_EQ("Partner 05", ItemText(urls, 6));
    EXPECT_EQ(((0x51 >> 4) & 0xF) + 5, Item(urls, 6).iImage);
    EXPECT_EQ(emptyClient.right - ::GetSystemMetrics(SM_CXVSCROLL), ::SendMessageA(urls, LVM_GETCOLUMNWIDTH, 0, 0))
        << "rows past the page leave room for the scroll bar";
    char heading[32] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    ::SendMessageA(urls, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ("ITEM_HEAD", heading);

    // Another list kind, and a complete list after the session lost its client: nothing filled.
    Post(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, Recorded("kind3.bin"));
    EXPECT_EQ("received;", m_host.TakeLog());
    m_host.sessionHasClient = false;
    Post(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, Recorded("friends.bin"));
    EXPECT_EQ("", m_host.TakeLog());
    EXPECT_EQ(41, ::SendMessageA(urls, LVM_GETITEMCOUNT, 0, 0));
}

} // namespace

namespace {

// Benchmark, run by hand (--gtest_also_run_disabled_tests): an 18-entry list posted to the routing
// window until MessageArrive is in the registry, as the application writes it.
class RegistryArrivalHost : public TestHost {
public:
    void SetMessageArrive(int count) override
    {
        HKEY key = nullptr;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Qelo\\NvArrivalBench", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr);
        const DWORD value = static_cast<DWORD>(count);
        ::RegSetValueExA(key, "MessageArrive", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        ::RegCloseKey(key);
        ::QueryPerformanceCounter(&written);
    }
    LARGE_INTEGER written{};
};

TEST_F(ResultRouterTest, DISABLED_BenchmarkEighteenEntryArrival)
{
    RegistryArrivalHost host;
    CResultRouter router(host);
    m_main.router = &router;
    LARGE_INTEGER frequency, posted;
    ::QueryPerformanceFrequency(&frequency);
    double worst = 0, total = 0;
    const int rounds = 50;
    for (int i = 0; i < rounds; ++i) {
        PmPostedRecord* record = Recorded("list18.bin");
        ::QueryPerformanceCounter(&posted);
        Post(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, record);
        const double ms = 1000.0 * (host.written.QuadPart - posted.QuadPart) / frequency.QuadPart;
        worst = std::max(worst, ms);
        total += ms;
    }
    ASSERT_EQ(18u, host.arrivals.size());
    std::printf("18-entry arrival, post to MessageArrive written: mean %.2f ms, worst %.2f ms over %d\n",
                total / rounds, worst, rounds);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Qelo\\NvArrivalBench");
    m_main.router = &m_router;
}

} // namespace
