// CMenu: owns one menu handle and destroys it with the object. A menu whose items are drawn by
// the program (MF_OWNERDRAW) overrides DrawItem and MeasureItem; the window that owns the menu
// while it is shown hands those items' WM_DRAWITEM and WM_MEASUREITEM to the menu object (see
// RouteOwnerDraw), since menu items are no controls of the window.
#pragma once

#include "framework/win/Afx.h"

class CMenu : public CObject {
public:
    CMenu() = default;
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    // The object that owns hMenu, or null.
    static CMenu* FromHandlePermanent(HMENU hMenu);

    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    // A menu resource of the resource module.
    BOOL LoadMenu(UINT id);
    // Takes ownership of a menu handle; fails when this object owns one already or another object
    // owns that one.
    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    BOOL DestroyMenu();

    // For MF_OWNERDRAW items, newItem is the item's data (a pointer the caller keeps alive).
    BOOL AppendMenu(UINT flags, UINT_PTR idOrSubmenu = 0, const char* newItem = nullptr)
    {
        return ::AppendMenuA(m_hMenu, flags, idOrSubmenu, newItem);
    }
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR idOrSubmenu = 0, const char* newItem = nullptr)
    {
        return ::InsertMenuA(m_hMenu, position, flags, idOrSubmenu, newItem);
    }
    BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
    BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    DWORD CheckMenuItem(UINT id, UINT check) { return ::CheckMenuItem(m_hMenu, id, check); }
    UINT EnableMenuItem(UINT id, UINT enable) { return ::EnableMenuItem(m_hMenu, id, enable); }
    // The item data of the item at a position (0 when there is none).
    ULONG_PTR GetItemData(UINT position) const;
    // Shows a popup menu; with TPM_RETURNCMD the chosen command (0 for none), else whether it ran.
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* rect = nullptr) const
    {
        return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, rect);
    }

    // Owner-drawn items; the defaults draw and size nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT item);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT item);

    // Hands WM_DRAWITEM or WM_MEASUREITEM of an owner-drawn menu item (CtlType ODT_MENU) to the
    // menu object that holds the item; FALSE when the message is about no menu item of an object.
    // A drawn item names its menu; a measured one is found by its command id and its data among
    // the menus that objects own.
    static BOOL RouteOwnerDraw(UINT message, LPARAM lParam);

private:
    void Register();
    void Unregister();
};
