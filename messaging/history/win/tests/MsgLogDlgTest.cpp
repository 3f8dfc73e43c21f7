// The message log window under Wine over a real store in a fresh folder, with the recording
// doubles and the message-box presenter: the own ID lists everything, buttons follow the shown
// message's attachment, several rows deleted at once, an empty history says so and closes, and a
// long history is read a page at a time while posted messages are handled in between.
#include "messaging/history/win/MsgLogDlg.h"

#include "framework/win/PopupMenuSeam.h"
#include "framework/win/WinApp.h"
#include "messaging/history/doubles/HistoryDoubles.h"
#include "messaging/store/MsgStore.h"
#include "messaging/store/SqliteDb.h"
#include "messaging/store/tests/StoreTestSupport.h"
#include "messaging/wire/AttachPack.h"
#include "resources/StringIds.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

CWinApp g_app("NimboVandrellMsgLogTest");

const char kSuzuki[] = "\x97\xE9\x96\xD8"; // 鈴木
const char kSato[] = "\x8D\xB2\x93\xA1";   // 佐藤
const char kOwnId[] = "OWN0000000000001";
const char kRtfText[] = "{\\rtf1 \x82\xA0\x82\xA2}"; // shown as typed

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

class CAnsweringPresenter : public IMessageBoxPresenter {
public:
    int Show(HWND, const char* text, UINT flags, bool) override
    {
        texts.push_back(text);
        return answerCancel && (flags & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
    }
    std::vector<std::string> texts;
    bool answerCancel = false;
};

struct Stored {
    const char* partner;
    int received;
    const char* text;
    long attachType;
};

struct LogWindow {
    CFakeSkin skins;
    std::string install;
    std::unique_ptr<storetest::TestPlatform> platform;
    CRecvEventLog log;
    CFakeHistoryHost host{log};
    CRecordingOpener opener{log};
    CAnsweringPresenter presenter;
    IMessageBoxPresenter* previousPresenter = nullptr;
    std::vector<long> seqNos; // in the order stored
    CMsgLogDlg* dialog = nullptr;

    explicit LogWindow(const std::vector<Stored>& messages)
    {
        install = storetest::MakeTempFolder();
        platform = std::make_unique<storetest::TestPlatform>(install);
        msgstore::SetStorePlatform(platform.get());
        CMsgStore store;
        EXPECT_EQ(1, store.Open());
        EXPECT_TRUE(store.PutUser("SUZUKI0000000001", kSuzuki));
        EXPECT_TRUE(store.PutUser("SATO000000000002", kSato));
        for (const Stored& m : messages) {
            platform->now.minute += 1;
            seqNos.push_back(store.AddMessage(m.received, m.partner, m.text, m.attachType));
        }
        skins.AddBitmap("vyrntalk_log.bmp", CFakeSkin::MakeDib(400, 300, [](int, int) { return 0x506070u; }));
        const UINT buttons[] = {IDC_LOG_PLAY, IDC_LOG_REPLY, IDC_LOG_DELETE, IDC_LOG_RELOAD, IDC_LOG_SAVE};
        const char* strips[] = {"vyrntalk_log_play.bmp", "vyrntalk_log_reply.bmp", "vyrntalk_log_delete.bmp",
                                "vyrntalk_log_reload.bmp", "vyrntalk_log_save.bmp"};
        for (int i = 0; i < 5; ++i) {
            skins.AddBitmap(strips[i], CFakeSkin::MakeDib(160, 20, [](int x, int) { return x < 40 ? 0x3060C0u : 0x808080u; }));
            skins.controls[buttons[i]] = {At(8 + i * 44, 272, 40, 20), -1};
        }
        skins.AddBitmap("vyrntalk_log_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
        skins.controls[IDC_LOG_CLOSE] = {At(378, 3, 16, 16), -1};
        skins.controls[IDC_LOG_CAPTION] = {At(8, 24, 384, 16), -1};
        skins.controls[IDC_LOG_LIST] = {At(8, 44, 384, 110), -1};
        skins.controls[IDC_LOG_VIEW] = {At(8, 160, 384, 104), -1};
        host.ownId = kOwnId;
        host.ownName = "\x8E\xA9\x95\xAA"; // 自分
        messaging::SetHistoryHost(&host);
        messaging::SetWindowOpener(&opener);
        previousPresenter = SetMessageBoxPresenter(&presenter);
    }
    bool Open(const char* partnerId, const char* name, int firstPage = 200, int laterPage = 5000)
    {
        dialog = new CMsgLogDlg(nullptr);
        dialog->SetPartner(partnerId, name);
        dialog->SetPageSizes(firstPage, laterPage);
        if (!dialog->Create())
            return false;
        return true;
    }
    ~LogWindow()
    {
        if (dialog && ::IsWindow(dialog->m_hWnd))
            dialog->DestroyWindow();
        SetMessageBoxPresenter(previousPresenter);
        messaging::SetHistoryHost(nullptr);
        messaging::SetWindowOpener(nullptr);
        msgstore::SetStorePlatform(nullptr);
        storetest::RemoveTree(install);
    }
    std::string Cell(int row, int column) { return dialog->GetList().GetItemText(row, column).str(); }
    int Image(int row, int column)
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = column;
        dialog->GetList().GetItem(&item);
        return item.iImage;
    }
    std::string View()
    {
        char text[1024] = {};
        ::GetWindowTextA(dialog->GetView().m_hWnd, text, sizeof text);
        return text;
    }
    void Click(std::initializer_list<int> rows)
    {
        CListCtrl& list = dialog->GetList();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        for (int row : rows)
            list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE click = {};
        click.hdr = {list.m_hWnd, IDC_LOG_LIST, static_cast<UINT>(NM_CLICK)};
        dialog->SendMessage(WM_NOTIFY, IDC_LOG_LIST, reinterpret_cast<LPARAM>(&click));
    }
    void Press(UINT button)
    {
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(dialog->m_hWnd, static_cast<int>(button))));
    }
    int StoredMessages()
    {
        CPmLogMsgList all;
        all.SetSource(CMsgStore().GetDbPath());
        return all.OpenAll() ? all.GetRecordCount() : -1;
    }
    bool WaitGone()
    {
        const HWND window = dialog->m_hWnd;
        return nvtest::PumpUntil([window] { return !::IsWindow(window); }, 5000);
    }
};

const std::vector<Stored> kMessages = {
    {"SUZUKI0000000001", 1, "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD http://example.jp/ \x82\xC5\x82\xB7", 0},
    {"SATO000000000002", 0, "sent to sato", 0},
    {"SUZUKI0000000001", 1, "voice", 1},
    {"SATO000000000002", 1, "picture", 2},
    {"SUZUKI0000000001", 1, "package", 4},
    {"SUZUKI0000000001", 0, kRtfText, 0},
};

TEST(MsgLog, OwnIdListsEveryMessageNewestFirstAndShowsRowZero)
{
    LogWindow w(kMessages);
    ASSERT_TRUE(w.Open("own0000000000001", "x"));
    nvtest::PumpPending();
    ASSERT_EQ(6, w.dialog->GetList().GetItemCount());
    // Newest first; sent rows under the own name, received ones under the partner's.
    EXPECT_EQ(w.host.ownName.str(), w.Cell(0, 0));
    EXPECT_EQ(kSuzuki, w.Cell(1, 0));
    EXPECT_EQ(kSato, w.Cell(2, 0));
    EXPECT_EQ(w.host.ownName.str(), w.Cell(4, 0));
    EXPECT_EQ(0, w.Image(0, 0));
    EXPECT_EQ(1, w.Image(1, 0));
    EXPECT_EQ(3, w.Image(1, 2)) << "package";
    EXPECT_EQ(4, w.Image(2, 2)) << "picture";
    EXPECT_EQ(2, w.Image(3, 2)) << "voice";
    EXPECT_NE(std::string::npos, w.Cell(0, 1).find("\x94\x4E")) << "date as 年: " << w.Cell(0, 1);
    // Row 0 shows at opening, its RTF-looking text as typed.
    EXPECT_EQ(kRtfText, w.View());
    EXPECT_TRUE(::IsWindowVisible(w.dialog->m_hWnd));
    char caption[128] = {};
    ::GetDlgItemTextA(w.dialog->m_hWnd, IDC_LOG_CAPTION, caption, sizeof caption);
    CString suffix;
    suffix.LoadString(IDS_LOG_CAPTION_SUFFIX);
    EXPECT_EQ(w.host.ownName.str() + suffix.str(), std::string(caption));
    EXPECT_EQ(1u, w.log.With("log-window add").size());
    w.Click({5});
    EXPECT_NE(std::string::npos, w.View().find("http://example.jp/"));
    nvtest::PumpPending();
    nvtest::SaveWindowScreenshot(w.dialog->m_hWnd, "message_log");
}

TEST(MsgLog, PartnerHistoryAndButtonsByAttachment)
{
    LogWindow w(kMessages);
    ASSERT_TRUE(w.Open("SUZUKI0000000001", kSuzuki));
    ASSERT_EQ(4, w.dialog->GetList().GetItemCount());
    const struct {
        int row;
        bool play, save, reply;
    } rows[] = {
        {0, false, false, false}, // sent: no reply
        {1, false, true, true},   // package
        {2, true, false, true},   // voice
        {3, false, false, true},  // plain
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        w.Click({row.row});
        EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_LOG_DELETE));
        EXPECT_EQ(row.play, w.dialog->IsButtonEnabled(IDC_LOG_PLAY));
        EXPECT_EQ(row.save, w.dialog->IsButtonEnabled(IDC_LOG_SAVE));
        EXPECT_EQ(row.reply, w.dialog->IsButtonEnabled(IDC_LOG_REPLY));
    }
    w.Click({2});
    w.log.Clear();
    w.Press(IDC_LOG_REPLY);
    EXPECT_EQ(std::vector<std::string>{"send reply SUZUKI0000000001"}, w.log.Events());
    // Logged out: reply is refused.
    w.host.loggedIn = false;
    w.Click({2});
    EXPECT_FALSE(w.dialog->IsButtonEnabled(IDC_LOG_REPLY));
}

TEST(MsgLog, DeletingSeveralRowsRemovesTheirMessagesAndEmptiesTheView)
{
    LogWindow w(kMessages);
    ASSERT_TRUE(w.Open(kOwnId, "x"));
    w.Click({1, 3});
    w.Press(IDC_LOG_DELETE);
    EXPECT_EQ(4, w.dialog->GetList().GetItemCount());
    EXPECT_EQ(4, w.StoredMessages());
    EXPECT_EQ("", w.View());
    EXPECT_FALSE(w.dialog->IsButtonEnabled(IDC_LOG_DELETE));
    EXPECT_TRUE(w.presenter.texts.empty()) << "no question";
    // What is left is what the database holds, newest first.
    std::set<long> left;
    for (int i = 0; i < 4; ++i)
        left.insert(static_cast<long>(w.dialog->GetHistory().Row(i)->seqNo));
    EXPECT_EQ((std::set<long>{w.seqNos[0], w.seqNos[1], w.seqNos[3], w.seqNos[5]}), left);
}

TEST(MsgLog, ReloadShowsRowZeroAndAnEmptyHistoryClosesWithItsMessage)
{
    {
        LogWindow w(kMessages);
        ASSERT_TRUE(w.Open("SATO000000000002", kSato));
        w.Click({1});
        // Another window stored a message meanwhile.
        CMsgStore store;
        w.platform->now.minute += 5;
        store.AddMessage(1, "SATO000000000002", "new one", 0);
        w.Press(IDC_LOG_RELOAD);
        ASSERT_EQ(3, w.dialog->GetList().GetItemCount());
        EXPECT_EQ("new one", w.View());
        EXPECT_EQ(0, w.dialog->GetList().GetNextItem(-1, LVNI_SELECTED));
        // Every message deleted elsewhere: reload says so and the window goes.
        EXPECT_EQ(0, store.DeleteUserMessages("SATO000000000002"));
        w.Press(IDC_LOG_RELOAD);
        CString empty;
        empty.LoadString(IDS_LOG_EMPTY);
        EXPECT_EQ(std::vector<std::string>{empty.str()}, w.presenter.texts);
        EXPECT_TRUE(w.WaitGone());
        EXPECT_EQ(1u, w.log.With("log-window remove").size());
    }
    {
        LogWindow w({});
        ASSERT_TRUE(w.Open("SUZUKI0000000001", kSuzuki));
        EXPECT_EQ(1u, w.presenter.texts.size());
        EXPECT_FALSE(::IsWindowVisible(w.dialog->m_hWnd));
        EXPECT_TRUE(w.WaitGone());
    }
}

// A window that notes how far the history was read when a message posted to it arrives.
struct Probe {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_APP + 1 && current) {
            current->seenCount = current->log->GetHistory().Count();
            current->seenDone = current->log->GetHistory().Done();
            current->arrived = true;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    static Probe* current;
    CMsgLogDlg* log = nullptr;
    int seenCount = -1;
    bool seenDone = true;
    bool arrived = false;
};
Probe* Probe::current = nullptr;

TEST(MsgLog, ALongHistoryIsReadInPagesWhilePostedMessagesAreHandled)
{
    LogWindow w({});
    // 6,000 messages written straight into the file in one transaction.
    {
        msgstore::CSqlDatabase db;
        ASSERT_EQ(0, msgstore::OpenStoreConnection(db, CMsgStore().GetDbPath()));
        ASSERT_EQ(0, db.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) "
                             "INSERT INTO vyrnmsg (SndRcv, CommID, Date, Msg, AttachType) "
                             "SELECT i % 2, CASE WHEN i % 3 = 0 THEN 'SATO000000000002' ELSE 'SUZUKI0000000001' END, "
                             "printf('2027-01-%02d %02d:%02d:00', 1 + i / 1440, (i / 60) % 24, i % 60), "
                             "'text ' || i, 0 FROM n"));
    }
    HWND probeWindow = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, probeWindow);
    ::SetWindowLongPtrA(probeWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Probe::Proc));
    Probe probe;
    Probe::current = &probe;
    ASSERT_TRUE(w.Open(kOwnId, "x", 100, 1000));
    probe.log = w.dialog;
    EXPECT_EQ(100, w.dialog->GetHistory().Count()) << "the first page shows at once";
    ::PostMessageA(probeWindow, WM_APP + 1, 0, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return w.dialog->GetHistory().Done(); }, 20000));
    EXPECT_TRUE(probe.arrived);
    EXPECT_FALSE(probe.seenDone) << "the posted message waited for the whole history";
    EXPECT_LT(probe.seenCount, 6000);
    ASSERT_EQ(6000, w.dialog->GetList().GetItemCount());
    std::set<std::int64_t> seen;
    for (int i = 0; i < 6000; ++i) {
        const history::LogRow* row = w.dialog->GetHistory().Row(i);
        seen.insert(row->seqNo);
        if (i > 0) {
            const history::LogRow* before = w.dialog->GetHistory().Row(i - 1);
            ASSERT_TRUE(before->date.Format() > row->date.Format() ||
                        (before->date.Format() == row->date.Format() && before->seqNo > row->seqNo))
                << i;
        }
    }
    EXPECT_EQ(6000u, seen.size());
    Probe::current = nullptr;
    ::DestroyWindow(probeWindow);
}

TEST(MsgLog, ClosingSavesTheCornerUnderTheReceivedWindowsKeys)
{
    g_app.SetRegistryKey("Qelo");
    LogWindow w(kMessages);
    ASSERT_TRUE(w.Open(kOwnId, "x"));
    ::SetWindowPos(w.dialog->m_hWnd, nullptr, 21, 34, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    w.Press(IDC_LOG_CLOSE);
    EXPECT_TRUE(w.WaitGone());
    EXPECT_EQ(21u, g_app.GetProfileInt("Location", "PmRcvX", -1));
    EXPECT_EQ(34u, g_app.GetProfileInt("Location", "PmRcvY", -1));
    EXPECT_EQ(1u, w.log.With("log-window remove").size());
    EXPECT_EQ(1u, w.log.With("tray remove").size());
}

} // namespace

namespace {

TEST(MsgLog, APackagesFirstEntryIsSavedWhereChosenAndOpenedUnderItsPlainName)
{
    LogWindow w({});
    // A package of one file, stored as the attachment of a received message.
    const std::string folder = storetest::MakeTempFolder();
    const std::string source = folder + "\\report.txt";
    const std::vector<std::uint8_t> bytes = {'d', 'a', 't', 'a', 0, 0x82, 0xA0, '\r', '\n'};
    ASSERT_TRUE(nvtest::WriteFileBytes(source, bytes));
    CStringArray files;
    files.Add(source.c_str());
    const std::string package = folder + "\\package.vyn";
    CAttachPack pack;
    ASSERT_EQ(0, pack.Pack(files, package.c_str()));
    {
        CMsgStore store;
        const long seqNo = store.AddMessage(1, "SUZUKI0000000001", "package", 4);
        const CString stored = store.StoreAttachmentFile(4, package.c_str());
        ASSERT_FALSE(stored.IsEmpty());
        ASSERT_TRUE(store.AddAttachment(seqNo, stored));
    }
    ASSERT_TRUE(w.Open("SUZUKI0000000001", kSuzuki));
    w.Click({0});
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_LOG_SAVE));

    const std::string chosen = folder + "\\saved.txt";
    std::string suggested;
    SetAttachmentSaveChooser([&](HWND, const CString& name, CString* path) {
        suggested = name.str();
        *path = chosen.c_str();
        return true;
    });
    w.dialog->SendMessage(WM_COMMAND, ID_LOG_SAVE_ATTACHMENT, 0);
    SetAttachmentSaveChooser(nullptr);
    EXPECT_EQ("report.txt", suggested);
    EXPECT_EQ(bytes, nvtest::ReadFileBytes(chosen));

    char temp[512] = {};
    ::GetTempPathA(sizeof temp, temp);
    const std::string opened = std::string(temp) + "report.txt";
    ::DeleteFileA(opened.c_str());
    w.opener.browserExists = true;
    w.dialog->SendMessage(WM_COMMAND, ID_LOG_OPEN_FIRST, 0);
    EXPECT_EQ(bytes, nvtest::ReadFileBytes(opened));
    EXPECT_EQ(1u, w.log.With("browse ").size());
    // Opened again: the question comes first; Cancel writes nothing.
    ASSERT_TRUE(nvtest::WriteFileBytes(opened, {'x'}));
    w.presenter.texts.clear();
    w.presenter.answerCancel = true;
    w.dialog->SendMessage(WM_COMMAND, ID_LOG_OPEN_FIRST, 0);
    ASSERT_EQ(1u, w.presenter.texts.size());
    EXPECT_NE(std::string::npos, w.presenter.texts[0].find(opened));
    EXPECT_EQ(std::vector<std::uint8_t>{'x'}, nvtest::ReadFileBytes(opened));
    // The files opened go with the window.
    w.dialog->DestroyWindow();
    w.dialog = nullptr;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(opened.c_str()));
    storetest::RemoveTree(folder);
}

} // namespace
