#include "framework/win/Menu.h"

#include <algorithm>
#include <vector>

namespace {

// The menus that objects own. Menus live on the user-interface thread, like windows.
std::vector<CMenu*>& OwnedMenus()
{
    static std::vector<CMenu*> menus;
    return menus;
}

// Whether the menu itself (not one of its submenus) holds an item with that command id and data.
bool HoldsItem(HMENU menu, UINT id, ULONG_PTR data)
{
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_DATA;
        if (::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info) && info.wID == id && info.dwItemData == data)
            return true;
    }
    return false;
}

CMenu* FindMenuOfItem(UINT id, ULONG_PTR data)
{
    for (CMenu* menu : OwnedMenus())
        if (HoldsItem(menu->m_hMenu, id, data))
            return menu;
    return nullptr;
}

} // namespace

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandlePermanent(HMENU hMenu)
{
    if (!hMenu)
        return nullptr;
    for (CMenu* menu : OwnedMenus())
        if (menu->m_hMenu == hMenu)
            return menu;
    return nullptr;
}

void CMenu::Register() { OwnedMenus().push_back(this); }

void CMenu::Unregister()
{
    std::vector<CMenu*>& menus = OwnedMenus();
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu || !hMenu || FromHandlePermanent(hMenu))
        return FALSE;
    m_hMenu = hMenu;
    Register();
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (hMenu)
        Unregister();
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::DestroyMenu()
{
    HMENU hMenu = Detach();
    return hMenu ? ::DestroyMenu(hMenu) : FALSE;
}

BOOL CMenu::CreateMenu()
{
    if (m_hMenu)
        return FALSE;
    return Attach(::CreateMenu());
}

BOOL CMenu::CreatePopupMenu()
{
    if (m_hMenu)
        return FALSE;
    return Attach(::CreatePopupMenu());
}

BOOL CMenu::LoadMenu(UINT id)
{
    if (m_hMenu)
        return FALSE;
    return Attach(::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id)));
}

ULONG_PTR CMenu::GetItemData(UINT position) const
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    if (!::GetMenuItemInfoA(m_hMenu, position, TRUE, &info))
        return 0;
    return info.dwItemData;
}

void CMenu::DrawItem(LPDRAWITEMSTRUCT) {}
void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) {}

BOOL CMenu::RouteOwnerDraw(UINT message, LPARAM lParam)
{
    if (!lParam)
        return FALSE;
    if (message == WM_DRAWITEM) {
        auto* item = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        if (item->CtlType != ODT_MENU)
            return FALSE;
        CMenu* menu = FromHandlePermanent(reinterpret_cast<HMENU>(item->hwndItem));
        if (!menu)
            menu = FindMenuOfItem(item->itemID, item->itemData);
        if (!menu)
            return FALSE;
        menu->DrawItem(item);
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        auto* item = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
        if (item->CtlType != ODT_MENU)
            return FALSE;
        CMenu* menu = FindMenuOfItem(item->itemID, item->itemData);
        if (!menu)
            return FALSE;
        menu->MeasureItem(item);
        return TRUE;
    }
    return FALSE;
}
