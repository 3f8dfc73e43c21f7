#include "toolkit/win/SkinDialog.h"

#include "toolkit/win/CtlColorReflect.h"
#include "toolkit/win/WinRect.h"

#include <algorithm>
#include <cstring>

BEGIN_MESSAGE_MAP(CSkinDialog, CDialog)
    ON_WM_SIZE()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CSkinDialog::CSkinDialog(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), m_fillColor(::GetSysColor(COLOR_BTNFACE))
{
    std::memset(&m_titleLogFont, 0, sizeof m_titleLogFont);
    LoadTitleFont(templateId);
}

CSkinDialog::~CSkinDialog() = default;

void CSkinDialog::TakeBitmap(HBITMAP bitmap)
{
    m_palette.DeleteObject();
    m_bitmap.Attach(bitmap);
    SIZE size = m_bitmap.GetSize();
    m_width = size.cx;
    m_height = size.cy;
    ForgetBackground();
}

void CSkinDialog::MakeFillBrush()
{
    if (m_resizable)
        m_fillBrush.CreateSolidBrush(m_fillColor);
    else
        m_fillBrush.DeleteObject();
}

void CSkinDialog::ForgetBackground()
{
    m_backgroundBrush.DeleteObject();
    m_background.DeleteObject();
    m_backgroundSize = SIZE{0, 0};
}

void CSkinDialog::ForgetRegionData()
{
    m_regionRects.clear();
    m_hasRegionData = false;
}

BOOL CSkinDialog::LoadSkin(const char* bitmapName, BOOL resizable)
{
    m_bitmapName = bitmapName ? bitmapName : "";
    m_resizable = resizable;
    HBITMAP bitmap = toolkit::Skins().LoadSkinBitmap(m_bitmapName);
    if (!bitmap)
        return FALSE;
    TakeBitmap(bitmap);
    LoadRegionFromCache(m_bitmapName);
    if (m_resizable) {
        CString value;
        if (toolkit::Skins().GetResizeInfo(m_bitmapName, &value))
            LoadParts(value);
    }
    MakeFillBrush();
    return TRUE;
}

BOOL CSkinDialog::ReloadSkin(const char* bitmapName)
{
    if (!m_hWnd)
        return FALSE;
    RECT old;
    GetWindowRect(&old);
    m_reloading = true;
    SetWindowPos(nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The old bitmap stays until the new one is in hand: a failed switch keeps a painted window.
    HBITMAP bitmap = toolkit::Skins().LoadSkinBitmap(bitmapName);
    BOOL applied = FALSE;
    if (bitmap) {
        m_bitmapName = bitmapName;
        TakeBitmap(bitmap);
        ForgetRegionData();
        LoadRegionFromCache(m_bitmapName);
        if (m_resizable) {
            m_parts = skin::ResizeParts();
            m_stretchBand = skin::Rect();
            CString value;
            if (toolkit::Skins().GetResizeInfo(m_bitmapName, &value))
                LoadParts(value);
            // A resizable skin's picture is put together from pieces at any size, so its title
            // can't be painted into the bitmap: the skin names it in its title entry, with a
            // font and place that suit its pieces, and each skin has its own (or none). A plain
            // skin's title is part of its bitmap; an entry read when the window was made stays.
            m_title = skin::Title();
            m_titleFont.DeleteObject();
            LoadTitleFont(m_templateId);
        }
        MakeFillBrush();
        applied = ApplyRegion();
    }
    if (!applied)
        SetWindowPos(nullptr, 0, 0, old.right - old.left, old.bottom - old.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_reloading = false;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    return applied;
}

LONG CSkinDialog::LoadBitmapResource(UINT id)
{
    CBitmap loaded;
    if (!loaded.LoadDibResource(id))
        return 0;
    TakeBitmap(static_cast<HBITMAP>(loaded.Detach()));
    m_palette.CreateFromDibSection(m_bitmap);
    MakeFillBrush();
    return MAKELONG(m_width, m_height);
}

void CSkinDialog::SetKeyColor(DWORD rgb)
{
    m_keyColor = rgb & 0xFFFFFF;
    m_ownKeyColor = m_keyColor;
}

void CSkinDialog::SetControlAnchor(UINT controlId, int anchor)
{
    anchor = skin::NormalizeAnchor(anchor);
    for (ControlAnchor& a : m_controlAnchors) {
        if (a.id == controlId) {
            a.anchor = anchor;
            return;
        }
    }
    m_controlAnchors.push_back({controlId, anchor});
}

void CSkinDialog::SetWindowAnchor(CWnd* window, int anchor)
{
    if (window)
        SetWindowAnchor(window->GetSafeHwnd(), anchor);
}

void CSkinDialog::SetWindowAnchor(HWND window, int anchor)
{
    if (!window || !::IsWindow(window))
        return;
    DropDeadWindowAnchors();
    anchor = skin::NormalizeAnchor(anchor);
    for (WindowAnchor& a : m_windowAnchors) {
        if (a.window == window) {
            a.anchor = anchor;
            return;
        }
    }
    m_windowAnchors.push_back({window, anchor});
}

int CSkinDialog::GetWindowAnchor(int index, HWND* window) const
{
    if (index < 0 || index >= GetWindowAnchorCount()) {
        if (window)
            *window = nullptr;
        return skin::kNoAnchor;
    }
    const WindowAnchor& a = m_windowAnchors[static_cast<std::size_t>(index)];
    if (window)
        *window = a.window;
    return a.anchor;
}

void CSkinDialog::DropDeadWindowAnchors()
{
    m_windowAnchors.erase(std::remove_if(m_windowAnchors.begin(), m_windowAnchors.end(),
                                         [](const WindowAnchor& a) { return !::IsWindow(a.window); }),
                          m_windowAnchors.end());
}

void CSkinDialog::LoadRegionFromCache(const char* bitmapName)
{
    ISkinSource& skins = toolkit::Skins();
    CString keyText = skins.GetKeyColorText();
    CString value;
    bool found;
    if (!keyText.IsEmpty()) {
        m_keyColor = skin::KeyColorFromText(keyText.str());
        found = skins.GetRegionInfo(bitmapName, &value, false);
    } else {
        // A skin that names no key colour must not keep the previous skin's.
        m_keyColor = m_ownKeyColor;
        found = skins.GetRegionInfo(bitmapName, &value, true);
    }
    ForgetRegionData();
    if (!found)
        return;
    std::vector<skin::Rect> rects;
    if (!skin::ParseRegionValue(value.str(), m_width, m_height, &rects))
        return;
    m_regionRects = rects;
    m_hasRegionData = true;
    skin::BoundingSize(rects, &m_width, &m_height);
}

void CSkinDialog::LoadParts(const CString& value)
{
    skin::ParseResizeParts(value.str(), m_width, m_height, &m_parts);
    m_stretchBand = m_parts.band;
    if (m_parts.hasFill)
        m_fillColor = m_parts.fill;
    ForgetBackground();
}

void CSkinDialog::LoadTitleFont(UINT templateId)
{
    CString value;
    if (!toolkit::Skins().GetTitleInfo(templateId, &value))
        return;
    skin::Title title = skin::ParseTitle(value.str());
    if (!title.present)
        return;
    m_title = title;
    std::memset(&m_titleLogFont, 0, sizeof m_titleLogFont);
    std::memcpy(m_titleLogFont.lfFaceName, title.face.c_str(), title.face.size()); // bounded by the parser
    m_titleLogFont.lfCharSet = SHIFTJIS_CHARSET;
    m_titleLogFont.lfHeight = title.height;
    m_titleLogFont.lfWidth = 0;
    m_titleLogFont.lfWeight = title.weight;
    m_titleLogFont.lfItalic = title.italic ? TRUE : FALSE;
    m_titleLogFont.lfUnderline = title.underline ? TRUE : FALSE;
    m_titleFont.CreateFontIndirect(m_titleLogFont);
    ForgetBackground();
}

HRGN CSkinDialog::CreateRegionFromRects(const std::vector<skin::Rect>& rects, int width, int height) const
{
    std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(rects.size());
    // The byte size is that of the whole block, header included: the 32-byte header is as long
    // as two rectangles, hence count + 2. (The field is meant to count the rectangles alone, but
    // it is only a hint that may even be zero: ExtCreateRegion reads nCount rectangles and takes
    // the block's length from its own argument.)
    static_assert(sizeof(RGNDATAHEADER) == 2 * sizeof(RECT), "the header is two rectangles long");
    data->rdh.nRgnSize = static_cast<DWORD>((rects.size() + 2) * sizeof(RECT));
    ::SetRect(&data->rdh.rcBound, 0, 0, width, height);
    auto* out = reinterpret_cast<RECT*>(data->Buffer);
    for (std::size_t i = 0; i < rects.size(); ++i)
        out[i] = ToRect(rects[i]);
    return ::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

void CSkinDialog::SaveRegionToCache(const std::vector<skin::Rect>& rects)
{
    CString key = toolkit::Skins().GetRegionCacheKey(m_bitmapName);
    std::string line = skin::FormatRegionLine(key.str(), rects);
    if (!line.empty())
        toolkit::Skins().SetInfoValue(line.c_str());
}

bool CSkinDialog::BuildRegionFromBitmap(HRGN* region)
{
    std::vector<skin::Rect> rects;
    if (m_resizable) {
        rects.push_back(skin::MakeRect(0, 0, m_width, m_height));
    } else {
        std::vector<DWORD> pixels;
        int width = 0, height = 0;
        if (!m_bitmap.GetPixels32(&pixels, &width, &height))
            return false;
        rects = skin::ScanRegion(reinterpret_cast<const std::uint32_t*>(pixels.data()), width, height, width,
                                 m_keyColor);
    }
    // Hands the shape to the skin as the bitmap's learned region line, so that later starts take
    // it from the skin's information file instead of scanning the bitmap again. An empty shape
    // (a bitmap of nothing but the key colour: the window is invisible) and a bitmap the skin
    // keeps no region key for write nothing.
    SaveRegionToCache(rects);
    *region = CreateRegionFromRects(rects, m_width, m_height);
    if (!*region)
        return false;
    if (m_resizable) {
        m_regionRects = rects;
        m_hasRegionData = true;
    }
    return true;
}

BOOL CSkinDialog::ApplyRegion()
{
    if (!m_hWnd || !m_bitmap.GetSafeHandle())
        return FALSE;
    HRGN region = nullptr;
    if (m_hasRegionData)
        region = CreateRegionFromRects(m_regionRects, m_width, m_height);
    else if (!BuildRegionFromBitmap(&region))
        region = nullptr;
    if (!region)
        return FALSE;
    if (!::SetWindowRgn(m_hWnd, region, FALSE)) {
        ::DeleteObject(region);
        return FALSE;
    }
    RECT r;
    GetWindowRect(&r);
    HWND parent = ::GetParent(m_hWnd);
    if (parent && (GetStyle() & WS_CHILD))
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(r.left, r.top, m_width, m_height, TRUE);
    m_skinned = TRUE;
    return TRUE;
}

BOOL CSkinDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ApplyRegion();
    return FALSE;
}

void CSkinDialog::PaintSkin(HDC dc)
{
    if (!m_bitmap.GetSafeHandle())
        return;
    CMemoryDC memory(dc);
    CSelectObject selectBitmap(memory, m_bitmap.GetSafeHandle());
    HPALETTE oldPalette = nullptr;
    if ((::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) && m_palette.GetSafeHandle()) {
        oldPalette = ::SelectPalette(dc, m_palette, FALSE);
        ::RealizePalette(dc);
    }
    if (!m_resizable) {
        SIZE size = m_bitmap.GetSize();
        ::BitBlt(dc, 0, 0, size.cx, size.cy, memory, 0, 0, SRCCOPY);
    } else {
        RECT client;
        GetClientRect(&client);
        if (m_fillBrush.GetSafeHandle())
            ::FillRect(dc, &client, m_fillBrush);
        for (const skin::Blit& b : skin::PlanResizePaint(m_parts, client.right, client.bottom))
            ::BitBlt(dc, b.dstX, b.dstY, b.w, b.h, memory, b.srcX, b.srcY, SRCCOPY);
    }
    if (oldPalette)
        ::SelectPalette(dc, oldPalette, FALSE);
    if (m_title.present && !m_title.text.empty()) {
        CSelectObject selectFont(dc, m_titleFont.GetSafeHandle());
        int oldMode = ::SetBkMode(dc, TRANSPARENT);
        COLORREF oldColor = ::SetTextColor(dc, m_title.color);
        ::TextOutA(dc, m_title.x, m_title.y, m_title.text.c_str(), static_cast<int>(m_title.text.size()));
        ::SetTextColor(dc, oldColor);
        ::SetBkMode(dc, oldMode);
    }
}

BOOL CSkinDialog::OnEraseBkgnd(HDC dc)
{
    if (!m_skinned)
        return static_cast<BOOL>(Default());
    PaintSkin(dc);
    return TRUE;
}

HBRUSH CSkinDialog::OnCtlColor(HDC dc, HWND control, UINT type)
{
    HBRUSH childBrush = nullptr;
    if (ReflectCtlColorToChild(this, dc, control, type, &childBrush))
        return childBrush;
    // A null brush would let the skin show through only where the control draws nothing: text
    // drawn before stays under new text. The control erases with the window's picture instead,
    // its origin moved to the window's client origin so each pixel is the one behind it.
    if (type == WM_CTLCOLORSTATIC && m_skinned) {
        if (HBRUSH background = BackgroundBrush()) {
            POINT origin = {0, 0};
            ::MapWindowPoints(control, m_hWnd, &origin, 1);
            ::SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
            ::SetBkMode(dc, TRANSPARENT);
            return background;
        }
    }
    return reinterpret_cast<HBRUSH>(Default());
}

HBRUSH CSkinDialog::BackgroundBrush()
{
    RECT client;
    GetClientRect(&client);
    if (m_backgroundBrush.GetSafeHandle() && m_backgroundSize.cx == client.right &&
        m_backgroundSize.cy == client.bottom)
        return m_backgroundBrush;
    ForgetBackground();
    if (client.right <= 0 || client.bottom <= 0 || !m_bitmap.GetSafeHandle())
        return nullptr;
    HDC windowDc = ::GetDC(m_hWnd);
    HBITMAP picture = ::CreateCompatibleBitmap(windowDc, client.right, client.bottom);
    if (picture) {
        CMemoryDC memory(windowDc);
        CSelectObject selectPicture(memory, picture);
        PaintSkin(memory);
    }
    ::ReleaseDC(m_hWnd, windowDc);
    if (!picture)
        return nullptr;
    m_background.Attach(picture);
    if (!m_backgroundBrush.Attach(::CreatePatternBrush(picture))) {
        ForgetBackground();
        return nullptr;
    }
    m_backgroundSize = SIZE{client.right, client.bottom};
    return m_backgroundBrush;
}

BOOL CSkinDialog::SetListCtrlColors(COLORREF color, UINT controlId)
{
    HWND list = GetDlgItem(static_cast<int>(controlId));
    if (!list)
        return FALSE;
    ::SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(color));
    ::SendMessageA(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(color));
    return TRUE;
}

void CSkinDialog::OnSize(UINT type, int cx, int cy)
{
    // Sizes before the shape is applied (the template's) and while a skin is switched are not
    // changes of the skin's size.
    if (type == SIZE_MINIMIZED || !m_resizable || cx == 0 || cy == 0 || !m_skinned || m_reloading)
        return;
    int dx = cx - m_width;
    int dy = cy - m_height;
    if (dx == 0 && dy == 0)
        return;
    if (ResizeRegion(dx, dy)) {
        MoveAnchoredControls(dx, dy);
        m_width = cx;
        m_height = cy;
    }
    // The children too: the picture behind the static controls changed with the size.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool CSkinDialog::ResizeRegion(int dx, int dy)
{
    if (!m_hasRegionData || m_regionRects.empty())
        return false;
    // A shape of several rectangles changes piece by piece; redrawing is off meanwhile so that
    // no half-changed shape is shown, and the whole window is drawn once when it is on again.
    // (LockWindowUpdate is one lock for the whole desktop, meant for drag and drop.) Only for a
    // visible window: switching redrawing on marks a window visible, hidden or not.
    bool quiet = m_regionRects.size() > 1 && (GetStyle() & WS_VISIBLE);
    if (quiet)
        SendMessage(WM_SETREDRAW, FALSE);
    skin::ResizeRegionRects(m_regionRects, m_stretchBand, dx, dy);
    HRGN region = CreateRegionFromRects(m_regionRects, m_width + dx, m_height + dy);
    bool ok = region != nullptr;
    if (region && !::SetWindowRgn(m_hWnd, region, FALSE)) {
        ::DeleteObject(region);
        ok = false;
    }
    if (quiet) {
        SendMessage(WM_SETREDRAW, TRUE);
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    return ok;
}

void CSkinDialog::MoveAnchoredControls(int dx, int dy)
{
    for (const ControlAnchor& a : m_controlAnchors) {
        if (a.anchor == 0 || a.anchor == skin::kNoAnchor)
            continue;
        HWND control = GetDlgItem(static_cast<int>(a.id));
        if (!control)
            continue;
        RECT r = ToRect(skin::ApplyAnchor(ToSkin(ChildRect(control)), a.anchor, dx, dy));
        ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    if (dx == 0 && dy == 0)
        return;
    DropDeadWindowAnchors();
    // A copy: a moved window may anchor or destroy windows while it handles its new size.
    const std::vector<WindowAnchor> anchors = m_windowAnchors;
    for (const WindowAnchor& a : anchors) {
        // A window that is no longer ours (moved to another parent) is left where it is.
        if (a.anchor == 0 || a.anchor == skin::kNoAnchor || ::GetParent(a.window) != m_hWnd)
            continue;
        RECT r = ToRect(skin::ApplyAnchor(ToSkin(ChildRect(a.window)), a.anchor, dx, dy));
        // Through 1 x 1 first, so that the window always sees a size change.
        ::MoveWindow(a.window, 0, 0, 1, 1, FALSE);
        ::MoveWindow(a.window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
}
