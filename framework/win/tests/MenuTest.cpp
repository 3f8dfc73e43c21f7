// Menus owned by objects, and owner-drawn menu items routed from the owner window to the menu
// object instead of being taken for controls.
#include "framework/win/Menu.h"
#include "framework/win/Wnd.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CRecordingMenu : public CMenu {
public:
    std::vector<UINT> drawn, measured;
    void DrawItem(LPDRAWITEMSTRUCT item) override { drawn.push_back(item->itemID); }
    void MeasureItem(LPMEASUREITEMSTRUCT item) override
    {
        measured.push_back(item->itemID);
        item->itemWidth = 77;
        item->itemHeight = 21;
    }
};

// A window that draws owner-drawn controls of its own: it must never see the menu's items.
class COwnerWnd : public CWnd {
public:
    std::vector<UINT> ownDraws;
    BOOL Create()
    {
        const char* cls = RegisterWindowClass("NvTestMenuOwner");
        return CreateEx(0, cls, "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    void OnDrawItem(int, LPDRAWITEMSTRUCT item) { ownDraws.push_back(item->itemID); }
    void OnMeasureItem(int, LPMEASUREITEMSTRUCT item) { ownDraws.push_back(item->itemID); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COwnerWnd, CWnd)
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
END_MESSAGE_MAP()

TEST(Menu, OwnsItsHandleAndNoHandleHasTwoOwners)
{
    HMENU handle = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.CreatePopupMenu());
        handle = menu;
        EXPECT_EQ(CMenu::FromHandlePermanent(handle), &menu);
        EXPECT_FALSE(menu.CreatePopupMenu()) << "one handle per object";
        CMenu other;
        EXPECT_FALSE(other.Attach(handle)) << "another object can't take it";
        EXPECT_TRUE(::IsMenu(handle));
    }
    EXPECT_FALSE(::IsMenu(handle)) << "destroyed with its object";
    EXPECT_EQ(CMenu::FromHandlePermanent(handle), nullptr);

    CMenu kept;
    ASSERT_TRUE(kept.CreatePopupMenu());
    HMENU detached = kept.Detach();
    EXPECT_EQ(CMenu::FromHandlePermanent(detached), nullptr);
    EXPECT_TRUE(::IsMenu(detached));
    ::DestroyMenu(detached);
}

TEST(Menu, OwnerDrawnItemsReachTheirMenuNotTheOwnersControls)
{
    COwnerWnd owner;
    ASSERT_TRUE(owner.Create());
    CRecordingMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    int data = 0;
    ASSERT_TRUE(menu.AppendMenu(MF_OWNERDRAW, 41, reinterpret_cast<const char*>(&data)));
    CMenu plain;
    ASSERT_TRUE(plain.CreatePopupMenu());
    ASSERT_TRUE(plain.AppendMenu(MF_STRING, 42, "plain"));
    // The owner-drawn menu as a submenu of a plain one: its items still reach it, not its parent.
    ASSERT_TRUE(plain.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(menu.GetSafeHmenu()), "sub"));

    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemID = 41;
    measure.itemData = reinterpret_cast<ULONG_PTR>(&data);
    EXPECT_EQ(owner.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
    EXPECT_EQ(measure.itemHeight, 21u);

    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.itemID = 41;
    draw.itemData = reinterpret_cast<ULONG_PTR>(&data);
    draw.hwndItem = reinterpret_cast<HWND>(menu.GetSafeHmenu());
    EXPECT_EQ(owner.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), TRUE);
    // The menu found by its item alone (some systems name another menu in hwndItem).
    draw.hwndItem = nullptr;
    owner.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(menu.measured, (std::vector<UINT>{41}));
    EXPECT_EQ(menu.drawn, (std::vector<UINT>{41, 41}));
    EXPECT_TRUE(owner.ownDraws.empty());

    // An item with other data, a menu without object and a control go to the window.
    int otherData = 0;
    measure.itemData = reinterpret_cast<ULONG_PTR>(&otherData);
    owner.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    DRAWITEMSTRUCT control = {};
    control.CtlType = ODT_BUTTON;
    control.itemID = 43;
    owner.SendMessage(WM_DRAWITEM, 43, reinterpret_cast<LPARAM>(&control));
    EXPECT_EQ(owner.ownDraws, (std::vector<UINT>{41, 43}));
    EXPECT_EQ(menu.measured.size(), 1u);
    plain.RemoveMenu(1, MF_BYPOSITION);
    owner.DestroyWindow();
}

} // namespace
