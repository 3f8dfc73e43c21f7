#include "toolkit/win/PopupBalloon.h"

#include "toolkit/win/WinRect.h"

BEGIN_MESSAGE_MAP(CPopupBalloon, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivateMessage)
END_MESSAGE_MAP()

namespace {

// "ＭＳ ゴシック" in code page 932.
const char kBalloonFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

} // namespace

CPopupBalloon::~CPopupBalloon() = default;

CPopupBalloon* CPopupBalloon::FromHandle(HWND window)
{
    return dynamic_cast<CPopupBalloon*>(CWnd::FromHandlePermanent(window));
}

BOOL CPopupBalloon::SetColors(COLORREF fill, COLORREF text, COLORREF frame)
{
    m_colors = skin::ResolveBalloonColors(fill, text, frame);
    if (m_hWnd)
        Invalidate();
    return TRUE;
}

bool CPopupBalloon::MakeShape(const skin::BalloonLayout& layout)
{
    const skin::Rect& e = layout.ellipse;
    POINT tail[3];
    for (int i = 0; i < 3; ++i)
        tail[i] = POINT{layout.tail[i].x, layout.tail[i].y};
    if (!m_ellipseRegion.CreateEllipticRgn(e.left, e.top, e.right, e.bottom) ||
        !m_tailRegion.CreatePolygonRgn(tail, 3, ALTERNATE) ||
        m_balloonRegion.CombineRgn(m_ellipseRegion, m_tailRegion, RGN_OR) == ERROR)
        return false;
    HRGN windowRegion = m_balloonRegion.Duplicate();
    if (!windowRegion)
        return false;
    if (!::SetWindowRgn(m_hWnd, windowRegion, TRUE)) {
        ::DeleteObject(windowRegion);
        return false;
    }
    return true;
}

HWND CPopupBalloon::Show(RECT* rect, const char* text, HWND anchor)
{
    if (rect)
        ::SetRectEmpty(rect);
    if (m_hWnd)
        return nullptr; // shown already: this object belongs to its window
    RECT anchorRect;
    if (!anchor || !::IsWindow(anchor) || !::GetWindowRect(anchor, &anchorRect)) {
        delete this;
        return nullptr;
    }
    m_anchor = anchor;
    m_text = text ? text : "";
    m_font.Attach(::CreateFontA(14, 5, 0, 0, 0, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, kBalloonFace));
    skin::BalloonLayout layout = skin::LayOutBalloon(m_text.str(), ToSkin(anchorRect), ::GetSystemMetrics(SM_CXSCREEN),
                                                     ToSkin(DesktopWorkArea()));
    m_lines = layout.lines;
    m_textRect = ToRect(layout.text);

    const char* cls = RegisterWindowClass("NvPopupBalloon", 0, ::LoadCursor(nullptr, IDC_ARROW));
    const skin::Rect& w = layout.window;
    // The text is also the window's title (a popup draws no caption), so tools can read what it says.
    if (!cls || !CreateEx(WS_EX_TOOLWINDOW, cls, m_text.GetString(), WS_POPUP, w.left, w.top, w.Width(), w.Height(), nullptr, nullptr)) {
        delete this;
        return nullptr;
    }
    HWND window = m_hWnd;
    m_belongsToWindow = true;
    if (!MakeShape(layout)) {
        // Destroying the window deletes this object.
        ::DestroyWindow(window);
        return nullptr;
    }
    SetWindowPos(nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    if (rect)
        GetWindowRect(rect);
    return window;
}

void CPopupBalloon::Close(HWND balloon)
{
    CPopupBalloon* self = FromHandle(balloon);
    if (!self || self->m_closed)
        return;
    self->m_closed = true;
    ::SetWindowPos(balloon, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    ::DestroyWindow(balloon);
}

BOOL CPopupBalloon::OnEraseBkgnd(HDC dc)
{
    CBrush fill, frame;
    fill.CreateSolidBrush(m_colors.fill);
    frame.CreateSolidBrush(m_colors.frame);
    ::FillRgn(dc, m_balloonRegion, fill);
    ::FrameRgn(dc, m_balloonRegion, frame, 2, 1);
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = ::SetTextColor(dc, m_colors.text);
    CSelectObject font(dc, m_font.GetSafeHandle());
    SIZE extent = {0, 0};
    const std::string first = m_lines.empty() ? std::string() : m_lines[0];
    ::GetTextExtentPoint32A(dc, first.c_str(), static_cast<int>(first.size()), &extent);
    if (m_lines.size() <= 1 && extent.cx < m_textRect.right - m_textRect.left) {
        RECT r = m_textRect;
        // '&' is text here, not a mnemonic.
        ::DrawTextA(dc, first.c_str(), static_cast<int>(first.size()), &r,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    } else {
        int y = m_textRect.top;
        for (const std::string& line : m_lines) {
            ::TextOutA(dc, m_textRect.left, y, line.c_str(), static_cast<int>(line.size()));
            y += skin::kBalloonTextPitch;
        }
    }
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
    return TRUE;
}

void CPopupBalloon::OnLButtonDown(UINT, POINT)
{
    if (m_clicked)
        return;
    m_clicked = true;
    if (m_anchor && ::IsWindow(m_anchor))
        ::PostMessageA(m_anchor, kClickNotice, 0, 0);
}

LRESULT CPopupBalloon::OnMouseActivateMessage(WPARAM, LPARAM) { return MA_NOACTIVATE; }
