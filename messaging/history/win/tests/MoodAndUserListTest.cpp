// The mood window and the user list under Wine with the recording doubles: the mood grid laid out
// from the skin, the current mood checked, OK writing the whole status word; the user list's menu
// read through the popup seam (the owner-drawn mood items with their icons and check mark), its
// mood commands, the double click on the own row running the mood window modally.
#include "messaging/history/win/UserListDlg.h"
#include "messaging/history/win/UserStatDlg.h"

#include "framework/win/ImageList.h"
#include "framework/win/PopupMenuSeam.h"
#include "messaging/history/HistoryRules.h"
#include "messaging/history/doubles/HistoryDoubles.h"
#include "resources/StringIds.h"
#include "tests/support/CallbackProc.h"
#include "toolkit/win/OwnerDrawMenu.h"
#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace {

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

void AddMoodSkin(CFakeSkin& skins)
{
    skins.AddBitmap("general.bmp", CFakeSkin::MakeDib(320, 240, [](int, int) { return 0x708090u; }));
    skins.AddBitmap("chat_login_ok.bmp", CFakeSkin::MakeDib(160, 20, [](int, int) { return 0x3060C0u; }));
    skins.AddBitmap("chat_login_cancel.bmp", CFakeSkin::MakeDib(160, 20, [](int, int) { return 0xC06030u; }));
    skins.AddBitmap("vyrntalk_log_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
    skins.controls[IDC_MOOD_OK] = {At(60, 200, 40, 20), -1};
    skins.controls[IDC_MOOD_CANCEL] = {At(180, 200, 40, 20), -1};
    skins.controls[IDC_MOOD_CLOSE] = {At(298, 3, 16, 16), -1};
    skins.controls[IDC_MOOD_HEADING] = {At(12, 24, 280, 16), -1};
    skins.controls[IDC_MOOD_FIRST_RADIO] = {At(14, 48, 0, 0), -1};
}

// Runs the mood window modally; act runs once it is up and must end it.
INT_PTR RunMood(IHistoryHost& host, const std::function<void(CUserStatDlg&)>& act)
{
    static CUserStatDlg* running = nullptr;
    static std::function<void(CUserStatDlg&)> action;
    CUserStatDlg dialog(nullptr, host);
    running = &dialog;
    action = act;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR id, DWORD) {
        if (running && running->GetSafeHwnd() && ::IsWindowVisible(running->GetSafeHwnd())) {
            ::KillTimer(nullptr, id);
            CUserStatDlg* d = running;
            running = nullptr;
            action(*d);
        }
    }));
    INT_PTR answer = dialog.DoModal();
    ::KillTimer(nullptr, timer);
    running = nullptr;
    return answer;
}

RECT ControlRect(HWND dialog, UINT id)
{
    RECT r;
    ::GetWindowRect(::GetDlgItem(dialog, static_cast<int>(id)), &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(MoodWindow, ChecksTheCurrentMoodLaysOutRowsAndOkWritesTheWholeWord)
{
    const struct {
        const char* name;
        std::uint32_t status;
        int checked;   // checked at opening
        int choose;    // clicked on its label (-1: none)
        UINT button;
        INT_PTR answer;
        std::uint32_t after;
    } rows[] = {
        {"ordinary", 0x00, 0, 3, IDC_MOOD_OK, IDOK, 0x30},
        {"other bits kept out of the choice", 0x64, 6, -1, IDC_MOOD_OK, IDOK, 0x60},
        {"a word naming no mood checks the first", 0xF0, 0, 8, IDC_MOOD_OK, IDOK, 0x80},
        {"cancel leaves the word", 0x25, 2, 5, IDC_MOOD_CANCEL, IDCANCEL, 0x25},
        {"close leaves the word", 0x25, 2, 5, IDC_MOOD_CLOSE, IDCANCEL, 0x25},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CFakeSkin skins;
        AddMoodSkin(skins);
        CRecvEventLog log;
        CFakeHistoryHost host(log);
        host.status = row.status;
        int checkedAtStart = -2;
        std::map<int, RECT> places;
        const INT_PTR answer = RunMood(host, [&](CUserStatDlg& d) {
            checkedAtStart = d.CheckedMood();
            for (int i = 0; i < history::kMoodCount; ++i) {
                places[i * 3] = ControlRect(d.m_hWnd, history::MoodAt(i).radio);
                places[i * 3 + 2] = ControlRect(d.m_hWnd, history::MoodAt(i).label);
            }
            if (row.choose >= 0) {
                HWND label = ::GetDlgItem(d.m_hWnd, static_cast<int>(history::MoodAt(row.choose).label));
                d.SendMessage(WM_COMMAND, MAKEWPARAM(history::MoodAt(row.choose).label, STN_CLICKED),
                              reinterpret_cast<LPARAM>(label));
                EXPECT_EQ(row.choose, d.CheckedMood());
                if (row.name == rows[0].name)
                    nvtest::SaveWindowScreenshot(d.m_hWnd, "mood_window");
            }
            // Enter and Escape alone do nothing.
            d.SendMessage(WM_COMMAND, IDOK, 0);
            d.SendMessage(WM_COMMAND, IDCANCEL, 0);
            EXPECT_TRUE(::IsWindow(d.m_hWnd));
            HWND button = ::GetDlgItem(d.m_hWnd, static_cast<int>(row.button));
            d.SendMessage(WM_COMMAND, MAKEWPARAM(row.button, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        });
        EXPECT_EQ(row.answer, answer);
        EXPECT_EQ(row.checked, checkedAtStart);
        EXPECT_EQ(row.after, host.status);
        // The grid starts at the skin's place of the first radio; mood 5 is beside mood 0, mood 1 under it.
        ASSERT_EQ(18u, places.size());
        EXPECT_EQ(14, places[0].left);
        EXPECT_EQ(48, places[0].top);
        EXPECT_EQ(places[0].top, places[5 * 3].top);
        EXPECT_GT(places[5 * 3].left, places[2].right);
        EXPECT_EQ(14, places[1 * 3].left);
        EXPECT_GE(places[1 * 3].top, places[2].bottom + 8);
        EXPECT_EQ(14, places[4 * 3].left);
        EXPECT_GT(places[4 * 3].top, places[3 * 3].top);
    }
}

struct ShownItem {
    std::string text;
    bool grayed = false;
    bool checked = false;
    bool ownerDrawn = false;
    bool hasIcon = false;
};

void ReadMenu(HMENU menu, std::map<UINT, ShownItem>& items, bool* copyGrayed, HMENU* moodMenu)
{
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE | MIIM_DATA;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        if (info.hSubMenu) {
            if (info.wID == history::kUserMyStatus || ::GetMenuItemCount(info.hSubMenu) == 9) {
                *moodMenu = info.hSubMenu;
                items[history::kUserMyStatus] = ShownItem{text, (info.fState & MFS_GRAYED) != 0};
            } else {
                *copyGrayed = (info.fState & MFS_GRAYED) != 0;
            }
            ReadMenu(info.hSubMenu, items, copyGrayed, moodMenu);
        } else if (info.fType & MFT_OWNERDRAW) {
            const auto* item = reinterpret_cast<const OwnerDrawMenuItem*>(info.dwItemData);
            ShownItem shown;
            shown.ownerDrawn = true;
            if (item) {
                shown.text = item->text.str();
                shown.checked = item->checked != FALSE;
                shown.hasIcon = item->icon != nullptr;
            }
            items[info.wID] = shown;
        } else if (!(info.fType & MFT_SEPARATOR)) {
            items[info.wID] = ShownItem{text, (info.fState & MFS_GRAYED) != 0};
        }
    }
}

const char kOwnName[] = "\x8E\xA9\x95\xAA";   // 自分
const char kSuzuki[] = "\x97\xE9\x96\xD8";    // 鈴木

struct UserListWindow {
    CFakeSkin skins;
    CRecvEventLog log;
    CFakeHistoryHost host{log};
    CRecordingOpener opener{log};
    CImageList images;
    CUserListDlg* dialog = nullptr;
    bool menuShown = false;
    UINT answer = 0;
    std::map<UINT, ShownItem> items;
    bool copyGrayed = false;
    HMENU moodMenu = nullptr;

    UserListWindow()
    {
        skins.AddBitmap("user.bmp", CFakeSkin::MakeDib(192, 200, [](int, int) { return 0x607080u; }));
        skins.controls[IDC_USER_LIST] = {At(8, 24, 176, 168), -1};
        AddMoodSkin(skins);
        messaging::SetHistoryHost(&host);
        messaging::SetWindowOpener(&opener);
        nvwin::SetPopupTracker([this](HMENU menu, UINT, int, int, HWND) {
            menuShown = true;
            items.clear();
            moodMenu = nullptr;
            ReadMenu(menu, items, &copyGrayed, &moodMenu);
            return answer;
        });
        host.users = {{kOwnName, host.ownId, 0x20, 7}, {kSuzuki, "SUZUKI0000000001", 0, 5}};
        dialog = new CUserListDlg(nullptr);
        EXPECT_TRUE(dialog->LoadSkin("user.bmp", FALSE));
        EXPECT_TRUE(dialog->Create(IDD_USER_LIST));
        images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 37, 7);
        HBITMAP green = CFakeSkin::MakeDib(16 * 37, 16, [](int x, int) { return (x / 16) % 2 ? 0x00C000u : 0x0000C0u; });
        images.Add(green, static_cast<HBITMAP>(nullptr));
        ::DeleteObject(green);
        CStatusListCtrl& list = dialog->GetList();
        list.SetImageList(&images, LVSIL_SMALL);
        for (std::size_t i = 0; i < host.users.size(); ++i)
            list.InsertItem(LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, static_cast<int>(i), host.users[i].name, 0, 0,
                            host.users[i].image, RGB(0, 0, 160));
        host.focusList = reinterpret_cast<std::uintptr_t>(list.m_hWnd);
        dialog->ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }
    ~UserListWindow()
    {
        dialog->DestroyWindow(); // deletes itself
        nvwin::SetPopupTracker(nullptr);
        messaging::SetHistoryHost(nullptr);
        messaging::SetWindowOpener(nullptr);
    }
    void Select(int row)
    {
        CStatusListCtrl& list = dialog->GetList();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        if (row >= 0)
            list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void Notify(UINT code)
    {
        NMHDR header = {dialog->GetList().m_hWnd, IDC_USER_LIST, code};
        dialog->SendMessage(WM_NOTIFY, IDC_USER_LIST, reinterpret_cast<LPARAM>(&header));
    }
};

std::string LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

TEST(UserList, OwnRowOffersTheNineMoodsWithTheCurrentOneChecked)
{
    const struct {
        const char* name;
        int row;
        std::uint32_t status;
        int checked; // -1: no mood offered, or none checked
        bool moods;
    } rows[] = {
        {"own row, mood 2", 0, 0x20, 2, true},
        {"own row, mood 8 with the call bit", 0, 0x84, 8, true},
        {"own row, a word naming no mood", 0, 0xA0, -1, true},
        {"another row", 1, 0x20, -1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        UserListWindow w;
        w.host.status = row.status;
        w.Select(row.row);
        w.Notify(NM_RCLICK);
        ASSERT_TRUE(w.menuShown);
        EXPECT_EQ(row.moods, w.moodMenu != nullptr);
        int checked = -1;
        for (int i = 0; i < history::kMoodCount; ++i) {
            const auto it = w.items.find(history::MoodAt(i).command);
            if (!row.moods) {
                EXPECT_TRUE(it == w.items.end());
                continue;
            }
            ASSERT_TRUE(it != w.items.end()) << i;
            EXPECT_TRUE(it->second.ownerDrawn);
            EXPECT_TRUE(it->second.hasIcon) << "icon " << history::MoodAt(i).icon;
            EXPECT_EQ(LoadText(history::MoodAt(i).menuText), it->second.text);
            if (it->second.checked) {
                EXPECT_EQ(-1, checked) << "one check mark";
                checked = i;
            }
        }
        EXPECT_EQ(row.checked, checked);
        const std::string historyText = w.items[history::kUserHistory].text;
        EXPECT_EQ(row.row == 0, historyText == LoadText(IDS_USER_ALL_HISTORY)) << historyText;
        EXPECT_EQ(row.row == 0, w.items[history::kUserCall].grayed);
    }
}

TEST(UserList, MoodCommandReplacesTheWordAndAnnouncesIt)
{
    UserListWindow w;
    w.host.status = 0x2F;
    w.Select(0);
    w.answer = history::MoodAt(7).command;
    w.Notify(NM_RCLICK);
    nvtest::PumpPending();
    EXPECT_EQ(0x70u, w.host.status);
    EXPECT_EQ((std::vector<std::string>{"status 112", "presence", "own-status"}), w.log.Events());
}

TEST(UserList, DoubleClickOpensMoodsOnTheOwnRowAndSendsOtherwise)
{
    {
        UserListWindow w;
        w.Select(1);
        w.Notify(NM_DBLCLK);
        EXPECT_EQ((std::vector<std::string>{"send reply SUZUKI0000000001"}), w.log.Events());
    }
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "cancel");
        UserListWindow w;
        w.host.status = 0;
        w.Select(0);
        static bool pressOk;
        pressOk = ok;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR id, DWORD) {
            HWND mood = nullptr;
            ::EnumThreadWindows(::GetCurrentThreadId(), nvtest::AsEnumProc([](HWND window, LPARAM found) {
                                    if (::GetDlgItem(window, IDC_MOOD_FIRST_RADIO) && ::IsWindowVisible(window)) {
                                        *reinterpret_cast<HWND*>(found) = window;
                                        return FALSE;
                                    }
                                    return TRUE;
                                }),
                                reinterpret_cast<LPARAM>(&mood));
            if (!mood)
                return;
            ::KillTimer(nullptr, id);
            const int label = static_cast<int>(history::MoodAt(4).label);
            ::SendMessageA(mood, WM_COMMAND, MAKEWPARAM(label, STN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(mood, label)));
            const int button = pressOk ? IDC_MOOD_OK : IDC_MOOD_CANCEL;
            ::SendMessageA(mood, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(mood, button)));
        }));
        w.Notify(NM_DBLCLK);
        ::KillTimer(nullptr, timer);
        if (ok)
            EXPECT_EQ((std::vector<std::string>{"modal on", "status 64", "modal off", "presence", "own-status"}),
                      w.log.Events());
        else
            EXPECT_EQ((std::vector<std::string>{"modal on", "modal off"}), w.log.Events());
    }
}

TEST(UserList, MenuCommandsReachTheirServices)
{
    const struct {
        UINT command;
        int row;
        std::vector<std::string> events;
    } rows[] = {
        {history::kUserSend, 1, {"send reply SUZUKI0000000001"}},
        {history::kUserHistory, 0, {"log OWN0000000000001"}},
        {history::kUserMemo, 1, {"memo SUZUKI0000000001"}},
        {history::kUserCopyName, 1, {std::string("copy ") + kSuzuki}},
        {history::kUserRefresh, 1, {"queue 2"}},
        {history::kUserRoom, 1, {"room SUZUKI0000000001"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        UserListWindow w;
        w.Select(row.row);
        w.answer = row.command;
        w.Notify(NM_RCLICK);
        nvtest::PumpPending();
        EXPECT_EQ(row.events, w.log.Events());
    }
}

TEST(UserList, FocusMakesItTheMainWindowsFocusList)
{
    UserListWindow w;
    w.host.focusList = 0;
    w.Notify(NM_SETFOCUS);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(w.dialog->GetList().m_hWnd), w.host.focusList);
    nvtest::SaveWindowScreenshot(w.dialog->m_hWnd, "user_list");
}

} // namespace
