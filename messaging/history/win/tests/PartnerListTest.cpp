// The partner list under Wine over a real store in a fresh folder, with the recording doubles:
// rows with presence and memo pictures, the button rules of a click and of the arrow keys, delete
// answered through the message-box presenter, rename in place, reply and the main window's image
// list left whole when the window goes.
#include "messaging/history/win/UserLogDlg.h"

#include "framework/win/ImageList.h"
#include "framework/win/PopupMenuSeam.h"
#include "framework/win/WinApp.h"
#include "messaging/history/doubles/HistoryDoubles.h"
#include "messaging/store/MsgStore.h"
#include "messaging/store/tests/StoreTestSupport.h"
#include "resources/StringIds.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

CWinApp g_app("NimboVandrellPartnerListTest");

const char kSuzuki[] = "\x97\xE9\x96\xD8"; // 鈴木
const char kSato[] = "\x8D\xB2\x93\xA1";   // 佐藤
const char kOwnId[] = "OWN0000000000001";

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

class CAnsweringPresenter : public IMessageBoxPresenter {
public:
    int Show(HWND, const char* text, UINT flags, bool) override
    {
        texts.push_back(text);
        lastFlags = flags;
        return answer;
    }
    std::vector<std::string> texts;
    UINT lastFlags = 0;
    int answer = IDNO;
};

struct PartnerWindow {
    CFakeSkin skins;
    std::string install;
    std::unique_ptr<storetest::TestPlatform> platform;
    CRecvEventLog log;
    CFakeHistoryHost host{log};
    CRecordingOpener opener{log};
    CAnsweringPresenter presenter;
    IMessageBoxPresenter* previousPresenter = nullptr;
    CImageList mainImages;
    CUserLogDlg* dialog = nullptr;
    HMENU shownMenu = nullptr;
    std::set<UINT> grayed;
    UINT answer = 0;

    PartnerWindow()
    {
        install = storetest::MakeTempFolder();
        platform = std::make_unique<storetest::TestPlatform>(install);
        msgstore::SetStorePlatform(platform.get());
        CMsgStore store;
        EXPECT_EQ(1, store.Open());
        // Stored a minute apart: the last is the most recent contact.
        const char* partners[][2] = {{"SATO000000000002", kSato}, {"SUZUKI0000000001", kSuzuki},
                                     {kOwnId, "own"}, {"NOBODY0000000003", "nobody"}};
        for (auto& partner : partners) {
            platform->now.minute += 1;
            EXPECT_TRUE(store.PutUser(partner[0], partner[1]));
            EXPECT_GT(store.AddMessage(1, partner[0], "\x82\xA0", 0), 0);
        }
        EXPECT_TRUE(CMsgStore::SetUserMemo("SUZUKI0000000001", "\x83\x81\x83\x82")); // メモ

        skins.AddBitmap("general.bmp", CFakeSkin::MakeDib(320, 240, [](int, int) { return 0x607080u; }));
        const UINT buttons[] = {IDC_PARTNER_DELETE, IDC_PARTNER_REPLY, IDC_PARTNER_LOG, IDC_PARTNER_PHONE,
                                IDC_PARTNER_MEMO, IDC_PARTNER_REFRESH};
        const char* strips[] = {"vyrntalk_log_delete.bmp", "vyrntalk_log_reply.bmp", "vyrntalk_rcv_log.bmp",
                                "main_phone.bmp", "vyrntalk_log_memo.bmp", "vyrntalk_log_reload.bmp"};
        for (int i = 0; i < 6; ++i) {
            skins.AddBitmap(strips[i], CFakeSkin::MakeDib(160, 20, [](int x, int) { return x < 40 ? 0x3060C0u : 0x808080u; }));
            skins.controls[buttons[i]] = {At(8 + i * 44, 208, 40, 20), 2};
        }
        skins.AddBitmap("vyrntalk_log_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
        skins.controls[IDC_PARTNER_CLOSE] = {At(298, 3, 16, 16), 1};
        skins.controls[IDC_PARTNER_LIST] = {At(8, 24, 304, 176), 12};

        // The main window's pictures: 37 icons, then the partner list copies them.
        mainImages.Create(16, 16, ILC_COLOR32 | ILC_MASK, 37, 4);
        HBITMAP strip = CFakeSkin::MakeDib(16 * 37, 16, [](int x, int) { return (x / 16) == 1 ? 0x909090u : 0x00B000u; });
        mainImages.Add(strip, static_cast<HBITMAP>(nullptr));
        ::DeleteObject(strip);
        host.imageList = reinterpret_cast<std::uintptr_t>(mainImages.GetSafeHandle());
        host.ownId = kOwnId;
        host.friends = {{kSuzuki, "SUZUKI0000000001", 0, 0x40 | 7}};
        host.users = {{"own", kOwnId, 0, 5}, {kSuzuki, "SUZUKI0000000001", 0, 12}, {kSato, "SATO000000000002", 0, 9}};
        messaging::SetHistoryHost(&host);
        messaging::SetWindowOpener(&opener);
        previousPresenter = SetMessageBoxPresenter(&presenter);
        nvwin::SetPopupTracker([this](HMENU menu, UINT, int, int, HWND) {
            shownMenu = menu;
            grayed.clear();
            Collect(menu);
            return answer;
        });
        dialog = new CUserLogDlg(nullptr);
        EXPECT_TRUE(dialog->LoadSkin("general.bmp", TRUE));
        EXPECT_TRUE(dialog->Create(IDD_USER_LOG));
        dialog->ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }
    ~PartnerWindow()
    {
        if (dialog && ::IsWindow(dialog->m_hWnd))
            dialog->DestroyWindow(); // deletes itself
        nvwin::SetPopupTracker(nullptr);
        SetMessageBoxPresenter(previousPresenter);
        messaging::SetHistoryHost(nullptr);
        messaging::SetWindowOpener(nullptr);
        msgstore::SetStorePlatform(nullptr);
        storetest::RemoveTree(install);
    }
    void Collect(HMENU menu)
    {
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            if (HMENU sub = ::GetSubMenu(menu, i)) {
                Collect(sub);
                continue;
            }
            const UINT id = ::GetMenuItemID(menu, i);
            if (id != 0 && ::GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED)
                grayed.insert(id);
        }
    }
    int Find(const char* commId)
    {
        for (int i = 0; i < dialog->GetList().GetItemCount(); ++i)
            if (dialog->GetList().GetItemText(i, 1) == commId)
                return i;
        return -1;
    }
    void Select(std::initializer_list<int> rows)
    {
        CListCtrl& list = dialog->GetList();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        for (int row : rows)
            list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void Notify(UINT code)
    {
        NMHDR header = {dialog->GetList().m_hWnd, IDC_PARTNER_LIST, code};
        dialog->SendMessage(WM_NOTIFY, IDC_PARTNER_LIST, reinterpret_cast<LPARAM>(&header));
    }
    void Key(WORD key)
    {
        NMLVKEYDOWN down = {};
        down.hdr = {dialog->GetList().m_hWnd, IDC_PARTNER_LIST, static_cast<UINT>(LVN_KEYDOWN)};
        down.wVKey = key;
        dialog->SendMessage(WM_NOTIFY, IDC_PARTNER_LIST, reinterpret_cast<LPARAM>(&down));
    }
    void Command(UINT id) { dialog->SendMessage(WM_COMMAND, id, 0); }
    void Click(UINT button)
    {
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(dialog->m_hWnd, static_cast<int>(button))));
    }
    int Image(int row, int column)
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = column;
        dialog->GetList().GetItem(&item);
        return item.iImage;
    }
    std::set<UINT> EnabledButtons()
    {
        std::set<UINT> out;
        for (UINT id : {IDC_PARTNER_DELETE, IDC_PARTNER_REPLY, IDC_PARTNER_PHONE, IDC_PARTNER_LOG, IDC_PARTNER_MEMO})
            if (dialog->IsButtonEnabled(id))
                out.insert(id);
        return out;
    }
    int StoredMessages(const char* commId)
    {
        CPmLogMsgTSet messages;
        messages.SetSource(CMsgStore().GetDbPath());
        return messages.OpenByCommID(commId) ? messages.GetRecordCount() : -1;
    }
};

TEST(PartnerList, RowsNewestFirstWithPresenceAndMemoPictures)
{
    PartnerWindow w;
    CListCtrl& list = w.dialog->GetList();
    ASSERT_EQ(4, list.GetItemCount());
    EXPECT_EQ("NOBODY0000000003", list.GetItemText(0, 1).str());
    EXPECT_EQ("SATO000000000002", list.GetItemText(3, 1).str());
    EXPECT_EQ(kSuzuki, list.GetItemText(w.Find("SUZUKI0000000001"), 0).str());
    // The friend row comes first and only its icon index counts; a partner in neither list is offline.
    EXPECT_EQ(7, w.Image(w.Find("SUZUKI0000000001"), 0));
    EXPECT_EQ(9, w.Image(w.Find("SATO000000000002"), 0));
    EXPECT_EQ(5, w.Image(w.Find(kOwnId), 0));
    EXPECT_EQ(1, w.Image(w.Find("NOBODY0000000003"), 0));
    EXPECT_EQ(37, w.dialog->GetMemoImage()) << "the memo icon comes after the main window's pictures";
    EXPECT_EQ(37, w.Image(w.Find("SUZUKI0000000001"), 2));
    EXPECT_NE(37, w.Image(w.Find("SATO000000000002"), 2));
    nvtest::SaveWindowScreenshot(w.dialog->m_hWnd, "partner_list");
}

TEST(PartnerList, ClosingLeavesTheMainWindowsImageListWhole)
{
    PartnerWindow w;
    EXPECT_NE(w.mainImages.GetSafeHandle(), w.dialog->GetImages());
    w.dialog->DestroyWindow();
    w.dialog = nullptr;
    nvtest::PumpPending();
    EXPECT_EQ(37, ::ImageList_GetImageCount(w.mainImages.GetSafeHandle()));
    IMAGEINFO info = {};
    EXPECT_TRUE(::ImageList_GetImageInfo(w.mainImages.GetSafeHandle(), 36, &info));
}

TEST(PartnerList, ClickAndArrowKeysFollowTheSameRules)
{
    const std::set<UINT> all = {IDC_PARTNER_DELETE, IDC_PARTNER_REPLY, IDC_PARTNER_PHONE, IDC_PARTNER_LOG,
                                IDC_PARTNER_MEMO};
    PartnerWindow w;
    w.opener.phoneExists = w.opener.phoneActive = true;
    const int own = w.Find(kOwnId);
    const int suzuki = w.Find("SUZUKI0000000001");
    const int nobody = w.Find("NOBODY0000000003");
    w.Select({suzuki});
    w.Notify(NM_CLICK);
    EXPECT_EQ(all, w.EnabledButtons());
    w.Select({own});
    w.Notify(NM_CLICK);
    EXPECT_EQ((std::set<UINT>{IDC_PARTNER_DELETE, IDC_PARTNER_MEMO}), w.EnabledButtons());
    w.Select({nobody});
    w.Notify(NM_CLICK);
    EXPECT_EQ((std::set<UINT>{IDC_PARTNER_DELETE, IDC_PARTNER_REPLY, IDC_PARTNER_LOG, IDC_PARTNER_MEMO}),
              w.EnabledButtons())
        << "an offline partner can't be called";
    w.Select({});
    w.Notify(NM_CLICK);
    EXPECT_EQ(std::set<UINT>{}, w.EnabledButtons());
    // Down from the row above the own row: the own row's rules, not a plain enable.
    ASSERT_GT(own, 0);
    w.Select({own - 1});
    w.Key(VK_DOWN);
    EXPECT_EQ((std::set<UINT>{IDC_PARTNER_DELETE, IDC_PARTNER_MEMO}), w.EnabledButtons());
    w.Select({own + 1});
    w.Key(VK_UP);
    EXPECT_EQ((std::set<UINT>{IDC_PARTNER_DELETE, IDC_PARTNER_MEMO}), w.EnabledButtons());
    // Past the end nothing changes.
    w.Select({3});
    w.Notify(NM_CLICK);
    const std::set<UINT> before = w.EnabledButtons();
    w.Key(VK_DOWN);
    EXPECT_EQ(before, w.EnabledButtons());
}

TEST(PartnerList, ReplyRefusesTheOwnIdAndARunningRequest)
{
    const struct {
        const char* name;
        const char* commId;
        bool lockHeld;
        bool loggedIn;
        std::vector<std::string> events;
    } rows[] = {
        {"partner", "SUZUKI0000000001", false, true, {"send reply SUZUKI0000000001"}},
        {"own ID", kOwnId, false, true, {}},
        {"a request runs", "SUZUKI0000000001", true, true, {}},
        {"logged out", "SUZUKI0000000001", false, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PartnerWindow w;
        w.host.lockHeld = row.lockHeld;
        w.host.loggedIn = row.loggedIn;
        w.Select({w.Find(row.commId)});
        w.Notify(NM_CLICK);
        w.log.Clear();
        w.Click(IDC_PARTNER_REPLY);
        w.Command(history::kPartnerMenuReply);
        std::vector<std::string> expected = row.events;
        if (!expected.empty())
            expected.push_back(expected.front()); // the button and the menu
        EXPECT_EQ(expected, w.log.Events());
    }
}

TEST(PartnerList, DeleteAsksAndRemovesOnlyWhatWasDeleted)
{
    {
        PartnerWindow w;
        w.Select({w.Find("SUZUKI0000000001"), w.Find("SATO000000000002")});
        w.Notify(NM_CLICK);
        w.presenter.answer = IDNO;
        w.Click(IDC_PARTNER_DELETE);
        ASSERT_EQ(1u, w.presenter.texts.size());
        CString question;
        question.LoadString(IDS_PARTNER_DELETE_ALL);
        EXPECT_EQ(question.str(), w.presenter.texts[0]);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), w.presenter.lastFlags & MB_TYPEMASK);
        EXPECT_EQ(4, w.dialog->GetList().GetItemCount());
        EXPECT_EQ(1, w.StoredMessages("SUZUKI0000000001"));
    }
    {
        PartnerWindow w;
        w.Select({w.Find("SUZUKI0000000001"), w.Find("SATO000000000002")});
        w.Notify(NM_CLICK);
        w.presenter.answer = IDYES;
        w.Key(VK_DELETE);
        EXPECT_EQ(2, w.dialog->GetList().GetItemCount());
        EXPECT_EQ(-1, w.Find("SUZUKI0000000001"));
        EXPECT_EQ(0, w.StoredMessages("SUZUKI0000000001"));
        EXPECT_EQ(0, w.StoredMessages("SATO000000000002"));
        EXPECT_EQ(1, w.StoredMessages("NOBODY0000000003"));
        EXPECT_EQ(std::set<UINT>{}, w.EnabledButtons());
        // The rows left still match the database.
        EXPECT_EQ(2, w.dialog->RefreshList());
    }
    {
        // The database gone: the question is asked, nothing is deleted, every row stays.
        PartnerWindow w;
        w.Select({w.Find("SUZUKI0000000001")});
        w.Notify(NM_CLICK);
        w.platform->available = false;
        w.presenter.answer = IDYES;
        w.Command(history::kPartnerMenuDelete);
        w.platform->available = true;
        EXPECT_EQ(4, w.dialog->GetList().GetItemCount());
        EXPECT_EQ(1, w.StoredMessages("SUZUKI0000000001"));
    }
}

TEST(PartnerList, RenameInPlaceKeepsSixteenCharactersAtMost)
{
    const struct {
        const char* name;
        std::string newName;
        bool accepted;
    } rows[] = {
        {"new name", "\x88\xa4\x88\xa4", true},
        {"seventeen characters", "abcdefghijklmnopq", false},
        {"unchanged", kSato, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PartnerWindow w;
        const int index = w.Find("SATO000000000002");
        w.Select({index});
        NMLVDISPINFOA info = {};
        info.hdr = {w.dialog->GetList().m_hWnd, IDC_PARTNER_LIST, static_cast<UINT>(LVN_ENDLABELEDITA)};
        info.item.iItem = index;
        std::string text = row.newName;
        info.item.pszText = &text[0];
        const LRESULT accepted = w.dialog->SendMessage(WM_NOTIFY, IDC_PARTNER_LIST, reinterpret_cast<LPARAM>(&info));
        (void)accepted;
        w.dialog->RefreshList();
        EXPECT_EQ(row.accepted ? row.newName : std::string(kSato), w.dialog->GetList().GetItemText(w.Find("SATO000000000002"), 0).str());
    }
}

TEST(PartnerList, MenuGraysForTheOwnRowAndPagesNeedALogin)
{
    PartnerWindow w;
    w.opener.phoneExists = w.opener.phoneActive = true;
    w.Select({w.Find(kOwnId)});
    w.Notify(NM_RCLICK);
    ASSERT_NE(nullptr, w.shownMenu);
    EXPECT_EQ((std::set<UINT>{history::kPartnerMenuReply, history::kPartnerMenuCall, history::kPartnerMenuLog}),
              w.grayed);
    w.host.login = false;
    w.Select({w.Find("SUZUKI0000000001")});
    w.answer = history::kPartnerMenuCopyName;
    w.Notify(NM_RCLICK);
    EXPECT_EQ((std::set<UINT>{history::kPartnerMenuRoom, history::kPartnerMenuPage}), w.grayed);
    nvtest::PumpPending();
    EXPECT_EQ(std::vector<std::string>{std::string("copy ") + kSuzuki}, w.log.With("copy"));
    // No row: no menu.
    w.shownMenu = nullptr;
    w.Select({});
    w.Notify(NM_RCLICK);
    EXPECT_EQ(nullptr, w.shownMenu);
}

TEST(PartnerList, CentredWithoutSavedCornerAndTheCornerSavedAtTheEnd)
{
    g_app.SetRegistryKey("Qelo");
    g_app.WriteProfileInt("Location", "PmLogUserX", -1);
    g_app.WriteProfileInt("Location", "PmLogUserY", -1);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    {
        PartnerWindow w;
        RECT window;
        ::GetWindowRect(w.dialog->m_hWnd, &window);
        EXPECT_EQ((work.right - work.left) / 2 - (window.right - window.left) / 2, window.left);
        EXPECT_EQ((work.bottom - work.top) / 2 - (window.bottom - window.top) / 2, window.top);
        ::SetWindowPos(w.dialog->m_hWnd, nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    EXPECT_EQ(33u, g_app.GetProfileInt("Location", "PmLogUserX", -1));
    EXPECT_EQ(44u, g_app.GetProfileInt("Location", "PmLogUserY", -1));
    PartnerWindow again;
    RECT window;
    ::GetWindowRect(again.dialog->m_hWnd, &window);
    EXPECT_EQ(33, window.left);
    EXPECT_EQ(44, window.top);
}

} // namespace
