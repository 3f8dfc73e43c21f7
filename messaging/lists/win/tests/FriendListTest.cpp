// The friend list window under Wine with the recording doubles: the context menu it builds (read
// through the popup seam), its commands, the double click and the focus list, on a skin of our
// own and with Japanese names.
#include "messaging/lists/win/FriendListDlg.h"

#include "framework/win/ImageList.h"
#include "framework/win/PopupMenuSeam.h"
#include "messaging/recv/doubles/RecvDoubles.h"
#include "resources/StringIds.h"
#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

struct MenuItem {
    std::string text;
    bool grayed = false;
};

// Every item of the menu (submenus included) by command; the copy popup by its text.
void ReadMenu(HMENU menu, std::map<UINT, MenuItem>& items, bool* copyGrayed)
{
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        if (info.hSubMenu) {
            *copyGrayed = (info.fState & MFS_GRAYED) != 0;
            ReadMenu(info.hSubMenu, items, copyGrayed);
        } else if (!(info.fType & MFT_SEPARATOR)) {
            items[info.wID] = MenuItem{text, (info.fState & MFS_GRAYED) != 0};
        }
    }
}

struct FriendWindow {
    CFakeSkin skins;
    CRecvEventLog log;
    CFakeFriendHost host{log};
    CRecordingOpener opener{log};
    CImageList images;
    CFriendListDlg* dialog = nullptr;
    bool menuShown = false;
    std::map<UINT, MenuItem> items;
    bool copyGrayed = false;

    FriendWindow()
    {
        skins.AddBitmap("friend.bmp", CFakeSkin::MakeDib(192, 200, [](int, int) { return 0x607080u; }));
        skins.controls[IDC_FRIEND_LIST] = {RECT{8, 24, 184, 192}, -1};
        messaging::SetFriendListHost(&host);
        messaging::SetWindowOpener(&opener);
        nvwin::SetPopupTracker([this](HMENU menu, UINT, int, int, HWND) {
            menuShown = true;
            items.clear();
            ReadMenu(menu, items, &copyGrayed);
            return 0u;
        });
        host.ownId = "me";
        host.friends = {{"\x97\xE9\x96\xD8", "suzuki", 0}, {"\x8D\xB2\x93\xA1", "sato", 1}, {"mail", "m@x", 3}};
        dialog = new CFriendListDlg(nullptr);
        EXPECT_TRUE(dialog->LoadSkin("friend.bmp", FALSE));
        EXPECT_TRUE(dialog->Create(IDD_FRIEND_LIST));
        images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 37, 7);
        HBITMAP green = CFakeSkin::MakeDib(16 * 37, 16, [](int, int) { return 0x00C000u; });
        images.Add(green, static_cast<HBITMAP>(nullptr));
        ::DeleteObject(green);
        CStatusListCtrl& list = dialog->GetList();
        list.SetImageList(&images, LVSIL_SMALL);
        for (std::size_t i = 0; i < host.friends.size(); ++i)
            list.InsertItem(LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, static_cast<int>(i), host.friends[i].name,
                            0, 0, host.friends[i].state == 1 ? 1 : 5, host.friends[i].state == 1 ? RGB(128, 128, 128) : RGB(0, 0, 160));
        host.focusList = reinterpret_cast<std::uintptr_t>(list.m_hWnd);
        dialog->ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }
    ~FriendWindow()
    {
        dialog->DestroyWindow(); // deletes itself
        nvwin::SetPopupTracker(nullptr);
        messaging::SetFriendListHost(nullptr);
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
        NMHDR header = {dialog->GetList().m_hWnd, IDC_FRIEND_LIST, code};
        dialog->SendMessage(WM_NOTIFY, IDC_FRIEND_LIST, reinterpret_cast<LPARAM>(&header));
    }
    std::set<UINT> Enabled() const
    {
        std::set<UINT> out;
        for (const auto& item : items) {
            if (!item.second.grayed)
                out.insert(item.first);
        }
        return out;
    }
};

TEST(FriendList, ContextMenuFollowsTheRowAndTheRules)
{
    const std::set<UINT> all = {ID_FRIEND_REFRESH, ID_FRIEND_COPY_ID, ID_FRIEND_COPY_NAME, ID_FRIEND_MEMO,
                                ID_FRIEND_SEND, ID_FRIEND_CALL, ID_FRIEND_HISTORY, ID_FRIEND_ROOM,
                                ID_FRIEND_DELETE_PAGE};
    const struct {
        const char* name;
        int row;
        std::set<UINT> enabled;
        const char* sendText;
    } rows[] = {
        {"friend", 0, all, "\xD2\xAF\xBE\xB0\xBC\xDE\x91\x97\x90\x4D(&S)..."},          // ﾒｯｾｰｼﾞ送信(&S)...
        {"no row", -1, {ID_FRIEND_REFRESH}, "\xD2\xAF\xBE\xB0\xBC\xDE\x91\x97\x90\x4D(&S)..."},
        {"mail-only friend", 2, {ID_FRIEND_REFRESH, ID_FRIEND_SEND}, "\xD2\xB0\xD9\x91\x97\x90\x4D(&M)..."}, // ﾒｰﾙ送信(&M)...
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FriendWindow w;
        w.Select(row.row);
        w.Notify(NM_RCLICK);
        ASSERT_TRUE(w.menuShown);
        EXPECT_EQ(0u, w.items.count(ID_FRIEND_MY_STATUS)) << "my status is removed";
        EXPECT_EQ(row.enabled, w.Enabled());
        EXPECT_EQ(row.enabled.count(ID_FRIEND_COPY_ID) == 0, w.copyGrayed);
        EXPECT_EQ(row.sendText, w.items[ID_FRIEND_SEND].text);
        // お友達削除ﾍﾟｰｼﾞへ(&D)
        EXPECT_EQ("\x82\xA8\x97\x46\x92\x42\x8D\xED\x8F\x9C\xCD\xDF\xB0\xBC\xDE\x82\xD6(&D)",
                  w.items[ID_FRIEND_DELETE_PAGE].text);
    }
}

TEST(FriendList, NoMenuWhileAnotherListHasTheFocusUntilThisOneGetsIt)
{
    FriendWindow w;
    w.host.focusList = 7;
    w.Select(0);
    w.Notify(NM_RCLICK);
    EXPECT_FALSE(w.menuShown);
    w.Notify(NM_SETFOCUS);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(w.dialog->GetList().m_hWnd), w.host.focusList);
    w.Notify(NM_RCLICK);
    EXPECT_TRUE(w.menuShown);
}

TEST(FriendList, CommandsAndTheDoubleClickReachTheOpenerForTheSelectedFriend)
{
    const struct {
        const char* name;
        int row;
        UINT command; // 0: a double click
        std::vector<std::string> events;
    } rows[] = {
        {"double click sends", 0, 0, {"send reply suzuki"}},
        {"double click on a mail-only friend", 2, 0, {"mail"}},
        {"send", 1, ID_FRIEND_SEND, {"send reply sato"}},
        {"copy the name", 0, ID_FRIEND_COPY_NAME, {"copy \x97\xE9\x96\xD8"}},
        {"copy the ID", 1, ID_FRIEND_COPY_ID, {"copy sato"}},
        {"memo", 0, ID_FRIEND_MEMO, {"memo suzuki"}},
        {"history", 1, ID_FRIEND_HISTORY, {"log sato"}},
        {"room", 0, ID_FRIEND_ROOM, {"room suzuki"}},
        {"refresh", -1, ID_FRIEND_REFRESH, {"queue 3"}},
        {"no row: send does nothing", -1, ID_FRIEND_SEND, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FriendWindow w;
        w.Select(row.row);
        if (row.command)
            w.dialog->SendMessage(WM_COMMAND, row.command, 0);
        else
            w.Notify(NM_DBLCLK);
        EXPECT_EQ(row.events, w.log.Events());
    }
}

TEST(FriendList, ShowsItsRowsOnTheSkin)
{
    FriendWindow w;
    w.Select(1);
    RECT list;
    ::GetWindowRect(w.dialog->GetList().m_hWnd, &list);
    ::MapWindowPoints(nullptr, w.dialog->m_hWnd, reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(8, list.left);
    EXPECT_EQ(24, list.top);
    EXPECT_EQ(176, list.right - list.left);
    EXPECT_EQ(0, w.dialog->GetFrameStyle() & 0x6) << "not resizable";
    ::UpdateWindow(w.dialog->m_hWnd);
    nvtest::PumpPending();
    nvtest::SaveWindowScreenshot(w.dialog->m_hWnd, "friend_list");
}

} // namespace
