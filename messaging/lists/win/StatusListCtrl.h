// COwnerDrawListCtrl: a report list view that draws each row itself (the row's small icon and its
// column-0 text in the colour that the item's lParam holds) and tracks the row under the mouse.
// CStatusListCtrl adds the status text of a row's status image. The friend list and the user list
// windows hold one each; the owning window gives it LVS_OWNERDRAWFIXED.
#pragma once

#include "framework/win/ListCtrl.h"

class COwnerDrawListCtrl : public CListCtrl {
public:
    COwnerDrawListCtrl() = default;
    ~COwnerDrawListCtrl() override = default;

    // Moves (and, when the skin rectangle has a size, sizes) the list to its skin layout rectangle.
    void PlaceFromSkin(UINT controlId);
    void DrawItem(LPDRAWITEMSTRUCT item) override;

    int GetHoverRow() const { return m_hoverRow; }
    int GetHoverItem() const { return m_hoverItem; }

    void OnMouseMove(UINT flags, POINT point);
    DECLARE_MESSAGE_MAP()

protected:
    int m_hoverRow = -1;  // hovered item minus the top index
    int m_hoverItem = -1; // hovered item
};

class CStatusListCtrl : public COwnerDrawListCtrl {
public:
    CStatusListCtrl() = default;
    ~CStatusListCtrl() override = default;

    // The status text of the item's column-0 image; FALSE when the item cannot be read.
    BOOL GetStatusText(int item, CString& text) const;
    // Its messages are the base's (hover tracking): it has no map of its own.
};
