#include "messaging/lists/win/StatusListCtrl.h"

#include "framework/win/ImageList.h"
#include "messaging/lists/ListRules.h"
#include "toolkit/win/SkinHost.h"

BEGIN_MESSAGE_MAP(COwnerDrawListCtrl, CListCtrl)
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()


void COwnerDrawListCtrl::PlaceFromSkin(UINT controlId)
{
    RECT rect;
    toolkit::Skins().GetControlRect(controlId, &rect);
    if (rect.right - rect.left == 0 || rect.bottom - rect.top == 0) {
        SetWindowPos(nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void COwnerDrawListCtrl::DrawItem(LPDRAWITEMSTRUCT draw)
{
    const int item = static_cast<int>(draw->itemID);
    char text[264] = {};
    LVITEMA info = {};
    info.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_TEXT;
    info.iItem = item;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    if (!GetItem(&info))
        return;
    const HDC dc = draw->hDC;
    RECT textRect = draw->rcItem;
    textRect.left += 18;
    const int oldMapMode = ::SetMapMode(dc, MM_TEXT);
    const HIMAGELIST images = GetImageList(LVSIL_SMALL);
    const POINT origin = {draw->rcItem.left, draw->rcItem.top};
    auto drawImage = [&](UINT style) {
        if (images)
            ::ImageList_DrawEx(images, info.iImage, dc, origin.x, origin.y, 16, 16, CLR_DEFAULT, CLR_DEFAULT, style);
    };
    auto drawText = [&]() {
        ::DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    };
    drawImage(ILD_NORMAL);
    const HBRUSH background = ::CreateSolidBrush(GetBkColor());
    ::FillRect(dc, &textRect, background);
    ::DeleteObject(background);
    const COLORREF oldText = ::SetTextColor(dc, static_cast<COLORREF>(info.lParam));
    const COLORREF oldBack = ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    // The text goes over the fill: in opaque mode its button-face cells hide white highlight text
    // on light themes and patch the list's colour on others.
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    drawText();
    if ((draw->itemState & ODS_SELECTED) && (draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) {
        ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        ::FillRect(dc, &textRect, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        drawImage(ILD_SELECTED | ILD_BLEND50);
        drawText();
    }
    ::SetBkMode(dc, oldMode);
    ::SetBkColor(dc, oldBack);
    ::SetTextColor(dc, oldText);
    ::SetMapMode(dc, oldMapMode);
}

void COwnerDrawListCtrl::OnMouseMove(UINT, POINT point)
{
    LVHITTESTINFO hit = {};
    hit.pt = point;
    const int item = SubItemHitTest(&hit);
    if (item >= 0 && (hit.flags & LVHT_ONITEM)) {
        m_hoverItem = item;
        m_hoverRow = item - GetTopIndex();
    } else {
        m_hoverItem = -1;
        m_hoverRow = -1;
    }
    Default();
}

BOOL CStatusListCtrl::GetStatusText(int item, CString& text) const
{
    LVITEMA info = {};
    info.mask = LVIF_IMAGE;
    info.iItem = item;
    if (item < 0 || !GetItem(&info))
        return FALSE;
    text.LoadString(StatusTextStringId(info.iImage));
    return TRUE;
}
