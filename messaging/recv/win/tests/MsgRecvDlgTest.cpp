// The received-message window under Wine with the recording doubles and the scripted message
// server: results come in as the window's 0x40A, rows and icons are read back from the list view,
// the body from the rich edit, and the order of the store and the delete request from the log.
#include "messaging/recv/win/MsgRecvDlg.h"

#include "framework/win/FileDialogSeam.h"
#include "framework/win/OleControlSite.h"
#include "framework/win/PopupMenuSeam.h"
#include "framework/win/WinApp.h"
#include "messaging/recv/doubles/RecvDoubles.h"
#include "messaging/wire/AttachPack.h"
#include "resources/StringIds.h"
#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <richedit.h>
#include <memory>
#include <string>
#include <vector>

namespace {

CWinApp g_app("NimboVandrellRecvTest");

const char kSuzuki[] = "\x97\xE9\x96\xD8";                                      // 鈴木
const char kSato[] = "\x8D\xB2\x93\xA1";                                        // 佐藤
const char kText1[] = "\x8D\xA1\x93\xFA\x82\xCD http://example.jp/ \x82\xC5\x82\xB7"; // 今日は … です
const char kText2[] = "{\\rtf1 \x82\xA0\x82\xA2\x82\xA4}";                      // RTF shown as typed

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// The base skin's layout of the window: banner clear of every control.
void AddLayout(CFakeSkin& skins, RECT banner)
{
    skins.AddBitmap("vyrntalk_rcv.bmp", CFakeSkin::MakeDib(484, 382, [](int, int) { return 0x506070u; }));
    const UINT buttons[] = {IDC_RECV_PLAY, IDC_RECV_NEW, IDC_RECV_REPLY, IDC_RECV_REFRESH,
                            IDC_RECV_HISTORY, IDC_RECV_CANCEL, IDC_RECV_ATTACH};
    const char* strips[] = {"vyrntalk_rcv_play.bmp", "vyrntalk_rcv_new.bmp", "vyrntalk_rcv_reply.bmp",
                            "vyrntalk_rcv_reload.bmp", "vyrntalk_rcv_log.bmp", "vyrntalk_rcv_cancel.bmp",
                            "vyrntalk_rcv_save.bmp"};
    for (int i = 0; i < 7; ++i) {
        skins.AddBitmap(strips[i], CFakeSkin::MakeDib(160, 20, [](int x, int) { return x < 40 ? 0x3060C0u : 0x808080u; }));
        skins.controls[buttons[i]] = {At(8 + i * 44, 354, 40, 20), -1};
    }
    skins.AddBitmap("vyrntalk_rcv_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
    skins.controls[IDC_RECV_CLOSE] = {At(462, 3, 16, 16), -1};
    skins.controls[IDC_RECV_BANNER] = {banner, -1};
    skins.controls[IDC_RECV_LIST] = {At(8, 90, 468, 110), -1};
    skins.controls[IDC_RECV_BODY] = {At(8, 206, 468, 118), -1};
    skins.controls[IDC_RECV_STATUS] = {At(8, 330, 468, 16), -1};
}

HRESULT NoControl(REFCLSID, IOleObject**) { return E_FAIL; }

struct RecvWindow {
    CFakeSkin skins;
    CRecvEventLog log;
    CRecordingMsgClient client{log};
    CFakeRecvHost host{log};
    CFakeRecvStore store{log, host};
    CRecordingOpener opener{log};
    CMsgRecvDlg* dialog = nullptr;

    COleControlSite::CreateHook previousHook = nullptr;

    // realBanner: the WebBrowser control as the program makes it; otherwise the template's
    // placeholder stays (a plain child window).
    explicit RecvWindow(RECT banner = At(8, 24, 468, 60), bool realBanner = false)
    {
        previousHook = COleControlSite::SetCreateHook(realBanner ? nullptr : &NoControl);
        AddLayout(skins, banner);
        host.client = &client;
        messaging::SetWindowOpener(&opener);
        dialog = new CMsgRecvDlg(nullptr, host, store);
        EXPECT_TRUE(dialog->LoadSkin("vyrntalk_rcv.bmp", FALSE));
        EXPECT_TRUE(dialog->Create(IDD_MSG_RECV));
        dialog->SetShown(true);
        nvtest::PumpPending();
    }
    ~RecvWindow()
    {
        dialog->DestroyWindow(); // deletes itself
        messaging::SetWindowOpener(nullptr);
        COleControlSite::SetCreateHook(previousHook);
    }
    std::string Cell(int row, int column)
    {
        char text[256] = {};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        dialog->GetList().GetItem(&item);
        return text;
    }
    int Icon(int row, int column)
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = column;
        dialog->GetList().GetItem(&item);
        return item.iImage;
    }
    std::string Body()
    {
        char text[1200] = {};
        ::GetWindowTextA(dialog->GetBody().m_hWnd, text, sizeof text);
        return text;
    }
    std::string StatusControl()
    {
        char text[300] = {};
        ::GetDlgItemTextA(dialog->m_hWnd, IDC_RECV_STATUS, text, sizeof text);
        return text;
    }
    void Click(int row)
    {
        CListCtrl& list = dialog->GetList();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE click = {};
        click.hdr = {list.m_hWnd, IDC_RECV_LIST, static_cast<UINT>(NM_CLICK)};
        click.iItem = row;
        dialog->SendMessage(WM_NOTIFY, IDC_RECV_LIST, reinterpret_cast<LPARAM>(&click));
    }
    long Position(const std::string& event) const
    {
        const auto& events = log.Events();
        auto it = std::find(events.begin(), events.end(), event);
        return it == events.end() ? -1 : static_cast<long>(it - events.begin());
    }
};

std::string LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

TEST(MsgRecvDlg, ListInFetchOnSelectBodyShownStoredBeforeDelete)
{
    struct Case {
        const char* name;
        bool storeFails;
    };
    const Case cases[] = {{"stored", false}, {"store fails", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecvWindow w;
        CFakeMsgServer server(w.client, w.host, w.dialog->GetFlow());
        server.deliver = [&](int wParam, std::intptr_t lParam) {
            w.dialog->SendMessage(kMsgRecvResult, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
        };
        if (c.storeFails)
            w.store.failing = {"AddMessage"};
        server.messages.push_back({"suzuki", kSuzuki, 501, 0x40000000, 946684800, kText1, 0, ""});
        server.messages.push_back({"sato", kSato, 502, 0x40000000, 946771200, kText2, 0, ""});

        // The window asked for the list when it opened; the list result fills the rows.
        ASSERT_GE(w.Position("client.list"), 0);
        ASSERT_TRUE(server.Step());
        ASSERT_EQ(2, w.dialog->GetList().GetItemCount());
        EXPECT_EQ(kSuzuki, w.Cell(0, 0));
        EXPECT_EQ(kSato, w.Cell(1, 0));
        EXPECT_EQ(kIconWaiting, w.Icon(0, 0));
        EXPECT_EQ(kIconWaiting, w.Icon(1, 0));
        EXPECT_NE(std::string::npos, w.Cell(0, 1).find("2000"));
        EXPECT_EQ('2', w.StatusControl().empty() ? 0 : w.StatusControl()[0]);
        // The first unread message is fetched at once and shown in the body view.
        ASSERT_GE(w.Position("client.fetch 501"), 0);
        ASSERT_TRUE(server.Step());
        EXPECT_EQ(kText1, w.Body());

        // Selecting the second row sends its fetch; its text shows as typed.
        w.Click(1);
        ASSERT_GE(w.Position("client.fetch 502"), 0);
        ASSERT_TRUE(server.Step());
        EXPECT_EQ(kText2, w.Body());
        EXPECT_EQ(kIconOpened, w.Icon(1, 0));
        server.Pump();

        const long stored = w.Position("store.add sato");
        const long deleteRequest = w.Position("client.delete 502");
        EXPECT_EQ(0, server.deletesBeforeStore);
        if (c.storeFails) {
            EXPECT_EQ(-1, deleteRequest);
            EXPECT_TRUE(server.deleted.empty());
            EXPECT_EQ(LoadText(IDS_RECV_STORE_FAILED), w.dialog->GetStatusText().str());
            EXPECT_EQ(LoadText(IDS_RECV_STORE_FAILED), w.StatusControl());
        } else {
            ASSERT_GE(stored, 0);
            ASSERT_GE(deleteRequest, 0);
            EXPECT_LT(stored, deleteRequest);
            ASSERT_EQ(1u, w.store.rows.size());
            EXPECT_EQ(kText2, w.store.rows[0].text.str());
            EXPECT_EQ(std::vector<std::uint32_t>{502}, server.deleted);
            nvtest::PumpUntil([&] { return ::IsWindowVisible(w.dialog->m_hWnd) != FALSE; }, 2000);
            ::RedrawWindow(w.dialog->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            nvtest::SaveWindowScreenshot(w.dialog->m_hWnd, "recv_window");
        }
        EXPECT_EQ(0, w.host.GetHolderKind());
    }
}

TEST(MsgRecvDlg, BannerCrossingAControlIsRefused)
{
    struct Case {
        const char* name;
        RECT banner;
        bool refused;
    };
    const Case cases[] = {
        {"clear of the controls", At(8, 24, 468, 60), false},
        {"over the list", At(8, 80, 468, 60), true},
        {"outside the window", At(100, 24, 468, 60), true},
        {"over the close button", At(16, 0, 468, 60), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecvWindow w(c.banner);
        EXPECT_EQ(c.refused ? 0 : -1, w.Position("notice banner-skin") >= 0 ? 0 : -1);
        // A refused layout starts no request.
        EXPECT_EQ(c.refused, w.Position("client.list") < 0);
    }
}

TEST(MsgRecvDlg, ReplyRefreshCloseAndEscape)
{
    RecvWindow w;
    CFakeMsgServer server(w.client, w.host, w.dialog->GetFlow());
    server.deliver = [&](int wParam, std::intptr_t lParam) {
        w.dialog->SendMessage(kMsgRecvResult, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    };
    server.messages.push_back({"suzuki", kSuzuki, 601, 0x40000000, 946684800, kText1, 0, ""});
    server.Pump();
    ASSERT_EQ(1, w.dialog->GetList().GetItemCount());
    w.Click(0);
    server.Pump();
    // Reply goes to the send window for the selected sender; refresh asks for the list again.
    w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_REPLY, BN_CLICKED), 0);
    EXPECT_GE(w.Position("send reply suzuki"), 0);
    w.log.Clear();
    w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_REFRESH, BN_CLICKED), 0);
    EXPECT_GE(w.Position("client.list"), 0);
    EXPECT_EQ(0, w.dialog->GetList().GetItemCount());
    server.Pump();
    // The close button hides the window; it stays alive for the next arrival.
    w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_CLOSE, BN_CLICKED), 0);
    EXPECT_FALSE(w.dialog->IsShown());
    EXPECT_FALSE(::IsWindowVisible(w.dialog->m_hWnd));
    // Esc clears the list and asks for it again.
    server.Pump();
    ASSERT_EQ(0, w.host.GetHolderKind());
    w.log.Clear();
    w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(0, w.dialog->GetList().GetItemCount());
    EXPECT_GE(w.Position("client.list"), 0);
}

struct MenuItem {
    std::string text;
    bool grayed = false;
};

// A window whose list holds two messages: the first fetched (automatically), the second not.
struct ListedWindow : RecvWindow {
    CFakeFriendHost friends{log};
    std::unique_ptr<CFakeMsgServer> server;
    bool menuShown = false;
    std::map<UINT, MenuItem> items;

    explicit ListedWindow(const char* ownId = "me")
    {
        friends.ownId = ownId;
        messaging::SetFriendListHost(&friends);
        nvwin::SetPopupTracker([this](HMENU menu, UINT, int, int, HWND) {
            menuShown = true;
            for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
                char text[128] = {};
                MENUITEMINFOA info = {};
                info.cbSize = sizeof info;
                info.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_FTYPE;
                info.dwTypeData = text;
                info.cch = sizeof text - 1;
                ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
                if (!(info.fType & MFT_SEPARATOR))
                    items[info.wID] = MenuItem{text, (info.fState & MFS_GRAYED) != 0};
            }
            return 0u;
        });
        server.reset(new CFakeMsgServer(client, host, dialog->GetFlow()));
        server->deliver = [this](int wParam, std::intptr_t lParam) {
            dialog->SendMessage(kMsgRecvResult, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
        };
        server->messages.push_back({"suzuki", kSuzuki, 701, 0x40000000, 946684800, kText1, 0, ""});
        server->messages.push_back({"sato", kSato, 702, 0x40000000, 946771200, kText2, 0, ""});
        server->Step(); // the list
        server->Step(); // the first message
    }
    ~ListedWindow()
    {
        nvwin::SetPopupTracker(nullptr);
        messaging::SetFriendListHost(nullptr);
    }
    void RightClick(int row)
    {
        CListCtrl& list = dialog->GetList();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        if (row >= 0)
            list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE click = {};
        click.hdr = {list.m_hWnd, IDC_RECV_LIST, static_cast<UINT>(NM_RCLICK)};
        click.iItem = row;
        dialog->SendMessage(WM_NOTIFY, IDC_RECV_LIST, reinterpret_cast<LPARAM>(&click));
    }
};

TEST(MsgRecvDlg, ListMenuAsBuilt)
{
    const std::vector<UINT> partnerItems = {ID_RECV_REPLY, ID_RECV_MEMO, ID_RECV_CALL, ID_RECV_HISTORY,
                                            ID_RECV_ROOM, ID_RECV_PARTNER_PAGE};
    struct Case {
        const char* name;
        const char* ownId;
        int row;
        std::vector<UINT> grayed;
        bool allHistory;
    };
    const Case cases[] = {
        {"a fetched message", "me", 0, {}, false},
        {"an own message", "suzuki", 0, {ID_RECV_CALL}, true},
        {"no row", "me", -1, partnerItems, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListedWindow w(c.ownId);
        w.RightClick(c.row);
        ASSERT_TRUE(w.menuShown);
        EXPECT_EQ(0u, w.items.count(ID_RECV_DELETE));
        for (UINT id : {ID_RECV_REPLY, ID_RECV_REFRESH, ID_RECV_MEMO, ID_RECV_CALL, ID_RECV_HISTORY, ID_RECV_ROOM,
                        ID_RECV_PARTNER_PAGE}) {
            ASSERT_EQ(1u, w.items.count(id)) << id;
            const bool grayed = std::find(c.grayed.begin(), c.grayed.end(), id) != c.grayed.end();
            EXPECT_EQ(grayed, w.items[id].grayed) << id;
        }
        EXPECT_EQ(c.allHistory, w.items[ID_RECV_HISTORY].text == LoadText(IDS_RECV_ALL_HISTORY));
    }
}

TEST(MsgRecvDlg, RightClickOnAMessageNotFetchedFetchesItAndOpensNoMenu)
{
    ListedWindow w;
    w.log.Clear();
    w.RightClick(1);
    EXPECT_FALSE(w.menuShown);
    EXPECT_GE(w.Position("client.fetch 702"), 0);
}

TEST(MsgRecvDlg, MenuCommandsReachTheSelectedSender)
{
    struct Case {
        UINT command;
        const char* event;
    };
    const Case cases[] = {
        {ID_RECV_MEMO, "memo suzuki"},
        {ID_RECV_ROOM, "room suzuki"},
        {ID_RECV_HISTORY, "log suzuki"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        ListedWindow w;
        w.dialog->GetList().SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(c.command, 0), 0);
        EXPECT_EQ(1u, w.log.With(c.event).size());
    }
}

TEST(MsgRecvDlg, OneClickOnAnAddressOpensItOnceADoubleClickNever)
{
    struct Case {
        const char* name;
        bool doubleClick;
        long caret;
        std::size_t opened;
    };
    // kText1: three characters, a blank, then the address from position 4.
    const Case cases[] = {
        {"click on the address", false, 10, 1},
        {"double click on the address", true, 10, 0},
        {"click on plain text", false, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListedWindow w;
        ASSERT_EQ(kText1, w.Body());
        HWND body = w.dialog->GetBody().m_hWnd;
        CHARRANGE caret = {c.caret, c.caret};
        ::SendMessageA(body, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        auto send = [&](UINT message) {
            MSGFILTER filter = {};
            filter.nmhdr = {body, IDC_RECV_BODY, static_cast<UINT>(EN_MSGFILTER)};
            filter.msg = message;
            w.dialog->SendMessage(WM_NOTIFY, IDC_RECV_BODY, reinterpret_cast<LPARAM>(&filter));
        };
        if (c.doubleClick)
            send(WM_LBUTTONDBLCLK);
        send(WM_LBUTTONUP);
        EXPECT_EQ(c.opened, w.log.With("url http://example.jp/").size());
    }
}

TEST(MsgRecvDlg, AttachmentProgressIsMonotoneCappedAndCancelOffAbove95)
{
    RecvWindow w;
    CFakeMsgServer server(w.client, w.host, w.dialog->GetFlow());
    server.deliver = [&](int wParam, std::intptr_t lParam) {
        w.dialog->SendMessage(kMsgRecvResult, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    };
    server.messages.push_back({"suzuki", kSuzuki, 801, 0x40000000, 946684800, kText1, 0x02000000, std::string(1000, 'x')});
    server.Step(); // the list
    server.Step(); // the first message, shown
    w.Click(0);    // shown and selected: fetched again before its attachment is received
    ASSERT_TRUE(server.Step());
    ASSERT_GE(w.Position("client.body 801"), 0);
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_RECV_CANCEL));

    struct Step {
        LPARAM bytes;
        int percentShown; // -1: the line keeps the previous text
        bool cancelOn;
    };
    const Step steps[] = {{300, 30, true}, {0, -1, true}, {650, 95, true}, {20, 97, false}, {400, 100, false}};
    std::string previous;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.bytes);
        w.dialog->SendMessage(kMsgRecvProgress, 2, step.bytes);
        w.dialog->SendMessage(kMsgRecvProgress, 1, 500); // other notices don't count
        CString expected;
        if (step.percentShown >= 0) {
            CString format;
            format.LoadString(IDS_RECV_PROGRESS);
            expected.Format(format, step.percentShown);
        } else {
            expected = previous.c_str();
        }
        EXPECT_EQ(expected.str(), w.StatusControl());
        EXPECT_EQ(step.cancelOn, w.dialog->IsButtonEnabled(IDC_RECV_CANCEL));
        previous = w.StatusControl();
    }
    // The body arrives: stored with its attachment, then deleted; the cancel button goes off.
    server.Pump();
    EXPECT_EQ(std::vector<std::uint32_t>{801}, server.deleted);
    EXPECT_EQ(0, server.deletesBeforeStore);
    EXPECT_FALSE(w.dialog->IsButtonEnabled(IDC_RECV_CANCEL));
    EXPECT_EQ(kIconOtherAttachment, w.Icon(0, 2));
}

TEST(MsgRecvDlg, ArrowKeysMoveTheSelectionAndDoubleClickReplies)
{
    struct Case {
        const char* name;
        int startRow;
        WORD key;
        const char* expected; // an event, or null for none of the listed
    };
    const Case cases[] = {
        {"down to the message not fetched", 0, VK_DOWN, "client.fetch 702"},
        {"up from the first row", 0, VK_UP, nullptr},
        {"down past the last row", 1, VK_DOWN, nullptr},
        {"another key", 0, VK_RIGHT, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListedWindow w;
        w.server->Pump();
        w.dialog->GetList().SetItemState(c.startRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        w.log.Clear();
        NMLVKEYDOWN key = {};
        key.hdr = {w.dialog->GetList().m_hWnd, IDC_RECV_LIST, static_cast<UINT>(LVN_KEYDOWN)};
        key.wVKey = c.key;
        w.dialog->SendMessage(WM_NOTIFY, IDC_RECV_LIST, reinterpret_cast<LPARAM>(&key));
        if (c.expected)
            EXPECT_EQ(1u, w.log.With(c.expected).size());
        else
            EXPECT_TRUE(w.log.With("client.").empty());
    }
    // A double click on a row opens the reply window for its sender.
    ListedWindow w;
    w.server->Pump();
    w.dialog->GetList().SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_REPLY, BN_CLICKED), 0); // reply still off: no row clicked
    EXPECT_TRUE(w.log.With("send reply").empty());
    w.Click(0);
    w.server->Pump();
    NMITEMACTIVATE dbl = {};
    dbl.hdr = {w.dialog->GetList().m_hWnd, IDC_RECV_LIST, static_cast<UINT>(NM_DBLCLK)};
    dbl.iItem = 0;
    w.dialog->SendMessage(WM_NOTIFY, IDC_RECV_LIST, reinterpret_cast<LPARAM>(&dbl));
    EXPECT_EQ(1u, w.log.With("send reply suzuki").size());
}

TEST(MsgRecvDlg, PlayButtonPlaysTheReceivedVoiceClip)
{
    struct Case {
        const char* name;
        bool loggedIn;
        const char* expected;
    };
    const Case cases[] = {{"logged in", true, "voice-clip "}, {"logged out", false, "notice logged-out"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecvWindow w;
        CFakeMsgServer server(w.client, w.host, w.dialog->GetFlow());
        server.deliver = [&](int wParam, std::intptr_t lParam) {
            w.dialog->SendMessage(kMsgRecvResult, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
        };
        server.messages.push_back({"suzuki", kSuzuki, 901, 0x40000000, 946684800, kText1, 0x01000000, "RIFF...."});
        server.Pump();
        w.Click(0);
        server.Pump();
        ASSERT_EQ(std::vector<std::uint32_t>{901}, server.deleted);
        EXPECT_EQ(kIconVoiceClip, w.Icon(0, 2));
        ASSERT_TRUE(w.dialog->IsButtonEnabled(IDC_RECV_PLAY));
        w.host.loggedIn = c.loggedIn;
        w.log.Clear();
        w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_PLAY, BN_CLICKED), 0);
        EXPECT_EQ(1u, w.log.With(c.expected).size());
        if (c.loggedIn) {
            ASSERT_EQ(1u, w.log.With("voice-clip ").size());
            EXPECT_EQ("voice-clip " + w.host.Arrivals()[0].attachmentFile.str(), w.log.With("voice-clip ")[0]);
            EXPECT_FALSE(w.host.Arrivals()[0].attachmentFile.IsEmpty());
        }
    }
}

TEST(MsgRecvDlg, PlacedFromTheSavedCornerWithinTheWorkAreaAndSavedAtTheEnd)
{
    g_app.SetRegistryKey("Qelo");
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int centredX = work.left + (work.right - work.left) / 2 - 484 / 2;
    const int centredY = work.top + (work.bottom - work.top) / 2 - 382 / 2;
    struct Case {
        const char* name;
        int savedX, savedY;
        int x, y;
    };
    const Case cases[] = {
        {"inside", work.left + 40, work.top + 30, work.left + 40, work.top + 30},
        {"right of the work area", work.right + 500, work.top + 30, centredX, work.top + 30},
        {"above the work area", work.left + 40, work.top - 900, work.left + 40, centredY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_app.WriteProfileInt("Location", "PmRcvX", c.savedX);
        g_app.WriteProfileInt("Location", "PmRcvY", c.savedY);
        {
            RecvWindow w;
            RECT placed;
            ::GetWindowRect(w.dialog->m_hWnd, &placed);
            EXPECT_EQ(c.x, placed.left);
            EXPECT_EQ(c.y, placed.top);
            ::SetWindowPos(w.dialog->m_hWnd, nullptr, work.left + 7, work.top + 9, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        EXPECT_EQ(static_cast<UINT>(work.left + 7), g_app.GetProfileInt("Location", "PmRcvX", -1));
        EXPECT_EQ(static_cast<UINT>(work.top + 9), g_app.GetProfileInt("Location", "PmRcvY", -1));
    }
}

} // namespace

// The seven icons in the order that gives their indices: each index draws its own colour.
TEST(MsgRecvDlg, ListIconsComeFromTheResourcesInIndexOrder)
{
    RecvWindow w;
    CImageList& images = w.dialog->GetImages();
    ASSERT_EQ(7, images.GetImageCount());
    EXPECT_EQ(images.GetSafeHandle(), ListView_GetImageList(w.dialog->GetList().m_hWnd, LVSIL_SMALL));
    // index → a pixel of its shape and the colour drawn there (make_recv_icons.py).
    struct Case {
        int index;
        int x, y;
        COLORREF colour;
    };
    const Case cases[] = {
        {kIconWaiting, 1, 8, RGB(0x20, 0x50, 0xC0)}, {kIconUnreadable, 1, 8, RGB(0xD0, 0x20, 0x20)},
        {kIconOpened, 1, 8, RGB(0x70, 0x70, 0x70)},  {3, 7, 6, RGB(0x10, 0x90, 0x30)},
        {5, 2, 8, RGB(0x90, 0x60, 0x20)},            {6, 3, 8, RGB(0x40, 0x40, 0x40)},
    };
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 16, 16);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        RECT all = {0, 0, 16, 16};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ASSERT_TRUE(::ImageList_Draw(images.GetSafeHandle(), c.index, dc, 0, 0, ILD_NORMAL));
        EXPECT_EQ(c.colour, ::GetPixel(dc, c.x, c.y));
        EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(dc, 8, 8)); // the inside stays clear
    }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

// The banner is Wine's real WebBrowser control at the skin's place with the fixed size; the
// placement rule checks the control, and a window that could make none keeps its placeholder.
TEST(MsgRecvDlg, BannerIsTheWebBrowserControlAtItsFixedSizeAndTheWindowNeverTakesTheFocus)
{
    for (bool real : {true, false}) {
        SCOPED_TRACE(real ? "WebBrowser control" : "placeholder");
        // The user works in another window: the received-message window never takes the focus.
        HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                       nullptr, nullptr);
        ::SetForegroundWindow(other);
        ASSERT_TRUE(nvtest::PumpUntil([&] { return ::GetForegroundWindow() == other; }, 5000));
        RecvWindow w(At(8, 24, 468, 60), real);
        nvtest::PumpPending();
        // Other programs on the shared desktop may come in front too: the check is that this
        // window did not.
        EXPECT_NE(w.dialog->m_hWnd, ::GetForegroundWindow());
        EXPECT_TRUE(::IsWindowVisible(w.dialog->m_hWnd));
        HWND banner = w.dialog->GetBannerWindow();
        ASSERT_NE(nullptr, banner);
        char name[64] = {};
        ::GetClassNameA(banner, name, sizeof name);
        EXPECT_EQ(real, std::string(name) != "Static") << name;
        RECT rect;
        ::GetWindowRect(banner, &rect);
        ::MapWindowPoints(nullptr, w.dialog->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(8, rect.left);
        EXPECT_EQ(24, rect.top);
        EXPECT_EQ(468, rect.right - rect.left);
        EXPECT_EQ(60, rect.bottom - rect.top);
        EXPECT_GE(w.Position("client.list"), 0); // the placement was accepted
        // Hidden and shown again, the window stays usable.
        w.dialog->SetShown(false);
        w.dialog->SetShown(true);
        nvtest::PumpPending();
        EXPECT_TRUE(::IsWindow(banner));
        EXPECT_NE(w.dialog->m_hWnd, ::GetForegroundWindow());
        ::DestroyWindow(other);
    }
}

// WM_ACTIVATE only records whether the window is active.
TEST(MsgRecvDlg, ActivationIsRecorded)
{
    RecvWindow w;
    w.dialog->SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(w.dialog->IsActiveFlag());
    w.dialog->SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(w.dialog->IsActiveFlag());
}

namespace {

std::string TempPath()
{
    char folder[MAX_PATH] = {};
    ::GetTempPathA(sizeof folder, folder);
    return folder;
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char block[4096];
    DWORD got = 0;
    while (::ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
        bytes.append(block, got);
    ::CloseHandle(file);
    return bytes;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A package of one file written by the program's packer; rename: the name in its table is
// changed afterwards (to names no file may have here), same length.
std::string MakePackage(const std::string& folder, const std::string& name, const std::string& bytes,
                        const std::string& rename = std::string())
{
    const std::string source = folder + name;
    EXPECT_TRUE(WriteBytes(source, bytes));
    CStringArray files;
    files.Add(source.c_str());
    const std::string package = folder + "package.bin";
    CAttachPack pack;
    EXPECT_EQ(0, pack.Pack(files, package.c_str()));
    ::DeleteFileA(source.c_str());
    if (!rename.empty()) {
        std::string packed = ReadBytes(package);
        const std::size_t at = packed.find(name);
        EXPECT_NE(std::string::npos, at);
        packed.replace(at, name.size(), rename);
        EXPECT_TRUE(WriteBytes(package, packed));
    }
    return package;
}

struct MenuEntry {
    std::string text;
    bool grayed = false;
    bool popup = false;
    std::vector<std::pair<UINT, std::string>> submenu;
};

std::vector<MenuEntry> ReadMenuEntries(HMENU menu)
{
    std::vector<MenuEntry> entries;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        MenuEntry entry;
        entry.text = text;
        entry.grayed = (::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0;
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            entry.popup = true;
            for (int j = 0; j < ::GetMenuItemCount(sub); ++j) {
                char subText[256] = {};
                ::GetMenuStringA(sub, static_cast<UINT>(j), subText, sizeof subText, MF_BYPOSITION);
                entry.submenu.push_back({::GetMenuItemID(sub, j), subText});
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

// The window with one fetched message whose attachment package is a real file.
struct PackageWindow : RecvWindow {
    std::unique_ptr<CFakeMsgServer> server;
    std::vector<MenuEntry> menu;
    UINT answer = 0; // the command the tracked menu answers with
    std::string folder;

    explicit PackageWindow(const std::string& package)
    {
        nvwin::SetPopupTracker([this](HMENU popup, UINT, int, int, HWND) {
            menu = ReadMenuEntries(popup);
            return answer;
        });
        server.reset(new CFakeMsgServer(client, host, dialog->GetFlow()));
        server->deliver = [this](int wParam, std::intptr_t lParam) {
            dialog->SendMessage(kMsgRecvResult, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
        };
        server->messages.push_back({"suzuki", kSuzuki, 901, 0x48000000, 946684800, kText1, 0, ""});
        server->Pump(); // the list, the message, its attachment (received into the double's files), the delete
        EXPECT_EQ(1u, host.arrivals.size());
        if (host.arrivals.empty())
            return;
        // The attachment as a real package file.
        host.arrivals[0].body = kText1;
        host.arrivals[0].state = kEntryFetched | kEntryOpened | kEntryAttachmentIn;
        host.arrivals[0].attachmentKind = 0x08000000;
        host.arrivals[0].attachmentFile = package.c_str();
        log.Clear();
        Click(0);
    }
    ~PackageWindow() { nvwin::SetPopupTracker(nullptr); }
    void Command(UINT id) { dialog->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void AttachmentButton()
    {
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_ATTACH, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(dialog->m_hWnd, IDC_RECV_ATTACH)));
    }
};

struct TempFolder {
    std::string path;
    TempFolder()
    {
        path = TempPath() + "nv_recv_attach\\";
        ::CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempFolder()
    {
        for (const char* name : {"package.bin", "saved.txt"})
            ::DeleteFileA((path + name).c_str());
        ::RemoveDirectoryA(path.c_str());
    }
};

} // namespace

// The attachment button's menu: save, and the "開く" submenu with the package's first file name.
TEST(MsgRecvDlg, AttachmentMenuOffersSaveAndOpenOfThePackagesFirstFile)
{
    const std::string name = "\x8E\xCA\x90\x5E.txt"; // 写真.txt
    TempFolder temp;
    PackageWindow w(MakePackage(temp.path, name, "photo bytes"));
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_RECV_ATTACH));
    w.AttachmentButton();
    ASSERT_EQ(2u, w.menu.size());
    EXPECT_EQ(LoadText(IDS_RECV_SAVE_LABEL), w.menu[0].text);
    EXPECT_FALSE(w.menu[0].grayed);
    EXPECT_EQ(LoadText(IDS_RECV_OPEN_LABEL), w.menu[1].text);
    EXPECT_TRUE(w.menu[1].popup);
    EXPECT_FALSE(w.menu[1].grayed);
    ASSERT_EQ(1u, w.menu[1].submenu.size());
    EXPECT_EQ(static_cast<UINT>(ID_RECV_OPEN_ATTACH), w.menu[1].submenu[0].first);
    EXPECT_EQ(name, w.menu[1].submenu[0].second);
    // The status line names the file.
    EXPECT_NE(std::string::npos, w.StatusControl().find(name));
    // The list's context menu carries the same items at position 4.
    w.menu.clear();
    CListCtrl& list = w.dialog->GetList();
    NMITEMACTIVATE click = {};
    click.hdr = {list.m_hWnd, IDC_RECV_LIST, static_cast<UINT>(NM_RCLICK)};
    click.iItem = 0;
    w.dialog->SendMessage(WM_NOTIFY, IDC_RECV_LIST, reinterpret_cast<LPARAM>(&click));
    ASSERT_GT(w.menu.size(), 5u);
    EXPECT_EQ(LoadText(IDS_RECV_SAVE_LABEL), w.menu[4].text);
    EXPECT_TRUE(w.menu[5].popup);
}

// A file name is shown as its sender typed it: an ampersand is a character of the name, not the
// mark of an underlined letter, on the status line.
TEST(MsgRecvDlg, StatusLineShowsAFileNameWithAnAmpersandAsTyped)
{
    const std::string name = "\x8C\xA9\x90\xCF 'A&B'; &&1.txt"; // 見積 'A&B'; &&1.txt
    TempFolder temp;
    PackageWindow w(MakePackage(temp.path, name, "quote"));
    const HWND line = ::GetDlgItem(w.dialog->m_hWnd, IDC_RECV_STATUS);
    ASSERT_NE(nullptr, line);
    EXPECT_NE(std::string::npos, w.StatusControl().find(name));
    EXPECT_EQ(static_cast<LONG_PTR>(SS_NOPREFIX), ::GetWindowLongPtrA(line, GWL_STYLE) & SS_NOPREFIX);
}

// Save writes the first file where the user chose; open writes it under its plain name in the
// temporary folder (asking before it overwrites), remembers it and removes it with the window.
TEST(MsgRecvDlg, SaveAndOpenWriteTheFirstFileAndOpenedFilesGoWithTheWindow)
{
    const std::string name = "\x8E\xCA\x90\x5E.txt"; // 写真.txt
    TempFolder temp;
    const std::string opened = TempPath() + name;
    ::DeleteFileA(opened.c_str());
    std::string offeredName, offeredFilter;
    nvwin::SetSaveFileChooser([&](HWND, const CString& fileName, const CString& filter) {
        offeredName = fileName.str();
        offeredFilter = filter.str();
        return CString((temp.path + "saved.txt").c_str());
    });
    {
        PackageWindow w(MakePackage(temp.path, name, "photo bytes"));
        w.Command(ID_RECV_SAVE_ATTACH);
        EXPECT_EQ(name, offeredName);
        EXPECT_EQ(LoadText(IDS_RECV_SAVE_FILTER), offeredFilter);
        EXPECT_EQ("photo bytes", ReadBytes(temp.path + "saved.txt"));

        w.Command(ID_RECV_OPEN_ATTACH);
        EXPECT_EQ("photo bytes", ReadBytes(opened));
        ASSERT_EQ(1u, w.dialog->GetOpenedFiles().size());
        EXPECT_EQ(opened, w.dialog->GetOpenedFiles()[0].str());
        EXPECT_TRUE(w.log.With("message").empty());
        // Opened again: the file exists, so the user is asked; Cancel keeps what is there.
        ASSERT_TRUE(WriteBytes(opened, "changed"));
        w.host.messageAnswer = IDCANCEL;
        w.Command(ID_RECV_OPEN_ATTACH);
        ASSERT_EQ(1u, w.log.With("message").size());
        EXPECT_NE(std::string::npos, w.log.With("message")[0].find(opened));
        EXPECT_EQ("changed", ReadBytes(opened));
        w.host.messageAnswer = IDOK;
        w.Command(ID_RECV_OPEN_ATTACH);
        EXPECT_EQ("photo bytes", ReadBytes(opened));
        EXPECT_EQ(1u, w.dialog->GetOpenedFiles().size()); // remembered once
    }
    EXPECT_FALSE(Exists(opened)); // removed with the window
    nvwin::SetSaveFileChooser(nullptr);
}

// A device name is refused (559, nothing written); a broken package shows 210 and offers a
// grayed "開く"; a package the user removed meanwhile shows its open error.
TEST(MsgRecvDlg, HostileNamesAndBrokenPackagesEndInTheirMessages)
{
    TempFolder temp;
    {
        PackageWindow w(MakePackage(temp.path, "comx.txt", "x", "com1.txt"));
        w.Command(ID_RECV_OPEN_ATTACH);
        ASSERT_EQ(1u, w.log.With("message").size());
        EXPECT_EQ("message+log " + LoadText(IDS_RECV_NO_FILE), w.log.With("message")[0]);
        EXPECT_TRUE(w.dialog->GetOpenedFiles().empty());
    }
    {
        const std::string broken = temp.path + "package.bin";
        ASSERT_TRUE(WriteBytes(broken, "not a package at all, just bytes"));
        PackageWindow w(broken);
        w.log.Clear();
        w.AttachmentButton();
        ASSERT_EQ(2u, w.menu.size());
        EXPECT_TRUE(w.menu[0].grayed);
        EXPECT_TRUE(w.menu[1].grayed);
        EXPECT_FALSE(w.menu[1].popup);
        ASSERT_EQ(1u, w.log.With("message").size());
        EXPECT_EQ("message " + LoadText(IDS_RECV_UNSUPPORTED), w.log.With("message")[0]); // not logged
        w.log.Clear();
        w.Command(ID_RECV_SAVE_ATTACH);
        w.Command(ID_RECV_OPEN_ATTACH);
        EXPECT_EQ(2u, w.log.With("message").size());
        EXPECT_TRUE(w.dialog->GetOpenedFiles().empty());
    }
}

// The body takes the "Are" font setting; the history of no selected row is the user's own.
TEST(MsgRecvDlg, MessageFontAndOwnHistory)
{
    RecvWindow w;
    w.host.fontFace = "\x82\x6C\x82\x72 \x96\xBE\x92\xA9"; // ＭＳ 明朝
    w.host.fontPoints = 14;
    w.host.fontColour = 0x0000C0;
    w.dialog->ApplyMessageFont();
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    w.dialog->GetBody().SendMessage(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(w.host.fontFace.str(), std::string(format.szFaceName));
    EXPECT_EQ(14 * 20, format.yHeight);
    EXPECT_EQ(static_cast<COLORREF>(0x0000C0), format.crTextColor);
    EXPECT_EQ(0u, format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE));

    w.host.ownId = "me";
    w.host.ownName = "\x8E\xA9\x95\xAA"; // 自分
    w.dialog->GetList().SetItemState(-1, 0, LVIS_SELECTED);
    w.log.Clear();
    w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_HISTORY, BN_CLICKED),
                          reinterpret_cast<LPARAM>(::GetDlgItem(w.dialog->m_hWnd, IDC_RECV_HISTORY)));
    EXPECT_EQ(std::vector<std::string>{"log me"}, w.log.With("log "));
}
