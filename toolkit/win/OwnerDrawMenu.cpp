#include "toolkit/win/OwnerDrawMenu.h"

#include "toolkit/core/MenuLayout.h"
#include "toolkit/win/WinRect.h"

#include "resources/StringIds.h"

namespace {

HICON CheckMarkIcon()
{
    // Shared: loaded once, never destroyed.
    return static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_MENU_CHECK), IMAGE_ICON,
                                           skin::kMenuIconSize, skin::kMenuIconSize, LR_SHARED));
}

void FillSolid(HDC dc, int x, int y, int cx, int cy, COLORREF color)
{
    COLORREF old = ::SetBkColor(dc, color);
    RECT r = {x, y, x + cx, y + cy};
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

// A one-pixel frame: top and left in one colour, right and bottom in the other.
void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight)
{
    int cx = r.right - r.left, cy = r.bottom - r.top;
    if (cx <= 0 || cy <= 0)
        return;
    FillSolid(dc, r.left, r.top, cx - 1, 1, topLeft);
    FillSolid(dc, r.left, r.top, 1, cy - 1, topLeft);
    FillSolid(dc, r.right - 1, r.top, 1, cy, bottomRight);
    FillSolid(dc, r.left, r.bottom - 1, cx, 1, bottomRight);
}

void DrawIcon16(HDC dc, HICON icon, int x, int y)
{
    ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, skin::kMenuIconSize,
                 skin::kMenuIconSize, DST_ICON);
}

const OwnerDrawMenuItem* ItemOf(ULONG_PTR data) { return reinterpret_cast<const OwnerDrawMenuItem*>(data); }

} // namespace

COwnerDrawMenu::~COwnerDrawMenu() { DestroyMenu(); }

BOOL COwnerDrawMenu::InsertItem(UINT id, OwnerDrawMenuItem* item, UINT position)
{
    if (!m_hMenu && !CreatePopupMenu())
        return FALSE;
    UINT flags = MF_BYPOSITION | MF_OWNERDRAW;
    if (item && item->separator)
        flags |= MF_SEPARATOR;
    return InsertMenu(position, flags, id, reinterpret_cast<const char*>(item));
}

void COwnerDrawMenu::SetSideBitmap(HBITMAP bitmap)
{
    m_sideBitmap.Attach(bitmap);
    SIZE size = m_sideBitmap.GetSize();
    m_sideWidth = size.cx;
    m_sideHeight = size.cy;
}

SIZE COwnerDrawMenu::ItemSize(const OwnerDrawMenuItem* item)
{
    skin::Size text;
    bool separator = item && item->separator;
    if (!separator) {
        if (!m_menuFont.GetSafeHandle()) {
            NONCLIENTMETRICSA metrics = {};
            metrics.cbSize = sizeof metrics;
            if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
                m_menuFont.CreateFontIndirect(metrics.lfMenuFont);
        }
        HDC screen = ::GetDC(nullptr);
        CSelectObject font(screen, m_menuFont.GetSafeHandle());
        SIZE extent = {0, 0};
        // An item without data is measured as an empty text.
        const CString empty;
        const CString& s = item ? item->text : empty;
        if (!::GetTextExtentPoint32A(screen, s, s.GetLength(), &extent) || s.IsEmpty()) {
            TEXTMETRICA metrics = {};
            ::GetTextMetricsA(screen, &metrics);
            extent.cy = metrics.tmHeight;
        }
        ::ReleaseDC(nullptr, screen);
        text = skin::Size{extent.cx, extent.cy};
    }
    skin::Size size = skin::MeasureMenuItem(separator, text, m_sideWidth);
    return SIZE{size.cx, size.cy};
}

void COwnerDrawMenu::MeasureItem(LPMEASUREITEMSTRUCT item)
{
    SIZE size = ItemSize(ItemOf(item->itemData));
    item->itemWidth = static_cast<UINT>(size.cx);
    item->itemHeight = static_cast<UINT>(size.cy);
}

void COwnerDrawMenu::DrawText(HDC dc, const OwnerDrawMenuItem* item, const RECT& face, COLORREF color)
{
    if (!item || item->text.IsEmpty())
        return;
    COLORREF oldText = ::SetTextColor(dc, color);
    COLORREF oldBack = ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    RECT r = face;
    ::DrawTextA(dc, item->text, item->text.GetLength(), &r, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS);
    ::SetBkColor(dc, oldBack);
    ::SetTextColor(dc, oldText);
}

bool COwnerDrawMenu::IsLastItem(const DRAWITEMSTRUCT& item) const
{
    int count = GetMenuItemCount();
    return count > 0 && GetMenuItemID(count - 1) == item.itemID && GetItemData(static_cast<UINT>(count - 1)) == item.itemData;
}

void COwnerDrawMenu::PaintSideColumn(HDC dc, const RECT& lastItem)
{
    if (!m_sideBitmap.GetSafeHandle())
        return;
    // The column spans every item as it was measured, separators at their own height.
    int total = 0;
    for (int i = 0, n = GetMenuItemCount(); i < n; ++i)
        total += ItemSize(ItemOf(GetItemData(static_cast<UINT>(i)))).cy;
    skin::SideColumnPlan plan = skin::PlanSideColumn(lastItem.left, lastItem.bottom, total, m_sideWidth, m_sideHeight);
    if (!plan.fill.IsEmpty())
        FillSolid(dc, plan.fill.left, plan.fill.top, plan.fill.Width(), plan.fill.Height(), m_sideColor);
    if (plan.bitmap.w > 0 && plan.bitmap.h > 0) {
        CMemoryDC memory(dc);
        CSelectObject select(memory, m_sideBitmap.GetSafeHandle());
        ::BitBlt(dc, plan.bitmap.dstX, plan.bitmap.dstY, plan.bitmap.w, plan.bitmap.h, memory, plan.bitmap.srcX,
                 plan.bitmap.srcY, SRCCOPY);
    }
}

void COwnerDrawMenu::DrawItem(LPDRAWITEMSTRUCT draw)
{
    HDC dc = draw->hDC;
    const OwnerDrawMenuItem* item = ItemOf(draw->itemData);
    skin::MenuItemLayout layout = skin::LayOutMenuItem(ToSkin(draw->rcItem), m_sideWidth);
    RECT face = ToRect(layout.face);
    RECT edge = ToRect(layout.edge);
    int saved = ::SaveDC(dc);

    if (item && item->separator) {
        RECT line = draw->rcItem;
        line.left = layout.separatorLeft;
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    } else {
        if (draw->itemAction & ODA_DRAWENTIRE) {
            ::SetBkMode(dc, TRANSPARENT);
            if (item && item->checked) {
                if (HICON check = CheckMarkIcon())
                    DrawIcon16(dc, check, layout.checkX, draw->rcItem.top);
            }
            if (item && item->icon)
                DrawIcon16(dc, item->icon, layout.iconX, draw->rcItem.top);
            ::SetBkMode(dc, OPAQUE);
            FillSolid(dc, face.left, face.top, face.right - face.left, face.bottom - face.top, ::GetSysColor(COLOR_BTNFACE));
            DrawText(dc, item, face, ::GetSysColor(COLOR_BTNTEXT));
            if (IsLastItem(*draw))
                PaintSideColumn(dc, draw->rcItem);
        }
        bool selected = (draw->itemState & ODS_SELECTED) != 0;
        if (selected && (draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) {
            // Semi-bold of whatever font the menu draws in.
            LOGFONTA logFont = {};
            HGDIOBJ current = ::GetCurrentObject(dc, OBJ_FONT);
            CFont bold;
            if (current && ::GetObjectA(current, sizeof logFont, &logFont)) {
                logFont.lfWeight = 600;
                bold.CreateFontIndirect(logFont);
            }
            CSelectObject selectBold(dc, bold.GetSafeHandle());
            ::SetBkMode(dc, OPAQUE);
            FillSolid(dc, face.left, face.top, face.right - face.left, face.bottom - face.top, ::GetSysColor(COLOR_BTNFACE));
            DrawText(dc, item, face, ::GetSysColor(COLOR_HIGHLIGHT));
            Draw3dRect(dc, edge, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_3DDKSHADOW));
        } else if (!selected && (draw->itemAction & ODA_SELECT)) {
            ::SetBkMode(dc, OPAQUE);
            FillSolid(dc, face.left, face.top, face.right - face.left, face.bottom - face.top, ::GetSysColor(COLOR_BTNFACE));
            DrawText(dc, item, face, ::GetSysColor(COLOR_BTNTEXT));
            Draw3dRect(dc, edge, ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNFACE));
        }
    }
    ::RestoreDC(dc, saved);
}
