// The received-message window under Wine with the recording doubles and the scripted message
// server: results come in as the window's 0x40A, rows and icons are read back from the list view,
// the body from the rich edit, and the order of the store and the delete request from the log.
#include "messaging/recv/win/MsgRecvDlg.h"

#include "messaging/recv/doubles/RecvDoubles.h"
#include "resources/StringIds.h"
#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

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

struct RecvWindow {
    CFakeSkin skins;
    CRecvEventLog log;
    CRecordingMsgClient client{log};
    CFakeRecvHost host{log};
    CFakeRecvStore store{log, host};
    CRecordingOpener opener{log};
    CMsgRecvDlg* dialog = nullptr;

    explicit RecvWindow(RECT banner = At(8, 24, 468, 60))
    {
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

TEST(MsgRecvDlg, ButtonsAndEscape)
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
}

} // namespace
