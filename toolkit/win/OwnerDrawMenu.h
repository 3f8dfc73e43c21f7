// COwnerDrawMenu: a popup menu whose items the program draws: a 16 x 16 check mark and icon, the
// text on the button face, the selected item in semi-bold highlight-coloured text inside a raised
// edge, and an optional side column along the menu's left edge (a bitmap at the bottom, a solid
// colour above it). The window that shows the menu hands it the items' owner-draw messages.
#pragma once

#include "framework/win/Gdi.h"
#include "framework/win/Menu.h"

// The data of one item. The caller owns it and keeps it alive while the menu is shown.
struct OwnerDrawMenuItem {
    HICON icon = nullptr;
    CString text;
    BOOL checked = FALSE;
    BOOL separator = FALSE;
};

class COwnerDrawMenu : public CMenu {
public:
    COwnerDrawMenu() = default;
    ~COwnerDrawMenu() override;

    // Inserts an owner-drawn item before position (by position; -1 appends). A separator item can't
    // be chosen and keyboard selection passes over it.
    BOOL InsertItem(UINT id, OwnerDrawMenuItem* item, UINT position);
    void SetItemCount(int count) { m_itemCount = count; }
    int GetItemCount() const { return m_itemCount; }
    // The side column's bitmap (the menu takes it over; null removes it) and the colour above it.
    void SetSideBitmap(HBITMAP bitmap);
    void SetSideColor(COLORREF color) { m_sideColor = color; }
    int GetSideWidth() const { return m_sideWidth; }

    void MeasureItem(LPMEASUREITEMSTRUCT item) override;
    void DrawItem(LPDRAWITEMSTRUCT item) override;

private:
    // The size of an item as MeasureItem gives it (text measured in the system's menu font).
    SIZE ItemSize(const OwnerDrawMenuItem* item);
    void DrawText(HDC dc, const OwnerDrawMenuItem* item, const RECT& face, COLORREF color);
    void PaintSideColumn(HDC dc, const RECT& lastItem);
    bool IsLastItem(const DRAWITEMSTRUCT& item) const;

    CBitmap m_sideBitmap;
    int m_sideWidth = 0;
    int m_sideHeight = 0;
    COLORREF m_sideColor = RGB(0, 0, 255);
    int m_itemCount = 0;
    CFont m_menuFont;
};
