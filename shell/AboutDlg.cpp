#include "shell/AboutDlg.h"

#include "resources/StringIds.h"

#include <commctrl.h>

namespace {

enum class Style { Title, Name, Small, Picture };

struct CreditLine {
    Style style;
    const char* text; // the bitmap resource name for a picture
};

// Our own credits: who made this program, in the styles of the box.
const CreditLine kCredits[] = {
    {Style::Title, "NimboVandrell"},
    {Style::Name, "Version 3.2"},
    {Style::Small, ""},
    {Style::Picture, "CREDIT_LOGO"},
    {Style::Small, ""},
    {Style::Title, "Program"},
    {Style::Name, "NV team"},
    {Style::Small, ""},
    {Style::Title, "Pictures"},
    {Style::Name, "NV team"},
    {Style::Small, ""},
    {Style::Title, "Thanks"},
    {Style::Name, "all testers"},
    {Style::Small, ""},
    {Style::Small, "MinGW-w64"},
    {Style::Small, "and Wine"},
};

struct LineLook {
    int height;
    int weight;
    COLORREF colour;
};

LineLook LookOf(Style style)
{
    switch (style) {
    case Style::Title: return {17, FW_BOLD, RGB(0, 64, 160)};
    case Style::Name: return {14, FW_NORMAL, RGB(0, 0, 0)};
    case Style::Small: return {12, FW_NORMAL, RGB(96, 96, 96)};
    case Style::Picture: return {14, FW_NORMAL, RGB(0, 0, 0)};
    }
    return {14, FW_NORMAL, RGB(0, 0, 0)};
}

} // namespace

BEGIN_MESSAGE_MAP(CAboutDlg, CSkinDialog)
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg(CWnd* parent) : CSkinDialog(IDD_ABOUT, parent)
{
    LoadBitmapResource(IDB_ABOUT);
    SetKeyColor(0x00FF00);
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::CreditLineCount() { return static_cast<int>(sizeof kCredits / sizeof kCredits[0]); }

BOOL CAboutDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    if (!m_close.LoadBitmapResource(IDB_ABOUT_CLOSE, 4))
        return FALSE;
    m_close.SubclassDlgItem(IDC_ABOUT_CLOSE, this);
    m_close.MoveTo(89, 38, 32, 32);
    m_view = GetDlgItem(IDC_ABOUT_CREDITS);
    if (m_view) {
        ::MoveWindow(m_view, 179, 50, 122, 74, FALSE);
        ::SetWindowRgn(m_view, ::CreateRoundRectRgn(0, 0, 122, 74, 100, 100), FALSE);
        ::ShowWindow(m_view, SW_HIDE);
    }
    m_scroll.Reset();
    m_started = false;
    m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, AfxGetInstanceHandle(), nullptr);
    if (m_toolTip) {
        TOOLINFOA info = {};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = m_hWnd;
        info.uId = reinterpret_cast<UINT_PTR>(m_close.GetSafeHwnd());
        info.hinst = AfxGetResourceHandle();
        info.lpszText = MAKEINTRESOURCEA(IDS_TIP_ABOUT_CLOSE);
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
        ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
    }
    return FALSE;
}

BOOL CAboutDlg::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
        ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CSkinDialog::PreTranslateMessage(msg);
}

BOOL CAboutDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_ABOUT_CLOSE) {
        OnCloseButton();
        return TRUE;
    }
    return CSkinDialog::OnCommand(wParam, lParam);
}

void CAboutDlg::OnCloseButton()
{
    if ((::GetKeyState(VK_CONTROL) & 0x8000) && !m_started) {
        m_started = true;
        m_scrolled = 0;
        m_scroll.Reset();
        m_scroll.SetViewBottom(74);
        if (m_view)
            ::ShowWindow(m_view, SW_SHOW);
        SetTimer(kCreditTimer, kCreditInterval);
        return;
    }
    EndDialog(IDOK);
}

void CAboutDlg::StopCredits()
{
    KillTimer(kCreditTimer);
    m_started = false;
    m_scrolled = 0;
    m_scroll.Reset();
    if (m_view)
        ::ShowWindow(m_view, SW_HIDE);
    Invalidate();
}

void CAboutDlg::OnTimer(UINT_PTR id)
{
    if (id != kCreditTimer) {
        Default();
        return;
    }
    KillTimer(kCreditTimer);
    if (m_scroll.Tick(CreditLineCount()) == mainwnd::CreditScroll::Step::Finished) {
        StopCredits();
        return;
    }
    ++m_scrolled;
    // The view is drawn at once: its own painting would only blank it.
    PaintCredits();
    SetTimer(kCreditTimer, kCreditInterval);
}

bool CAboutDlg::DrawCreditLine(HDC dc, int index, const RECT& band)
{
    if (index < 0 || index >= CreditLineCount())
        return true;
    const CreditLine& line = kCredits[index];
    if (line.style == Style::Picture) {
        HBITMAP picture = static_cast<HBITMAP>(::LoadImageA(AfxGetResourceHandle(), line.text, IMAGE_BITMAP, 0, 0, 0));
        if (!picture)
            return false; // a missing picture skips its line
        BITMAP info = {};
        ::GetObjectA(picture, sizeof info, &info);
        HDC memory = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(memory, picture);
        int x = band.left + (band.right - band.left - info.bmWidth) / 2;
        ::BitBlt(dc, x, band.top, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        ::DeleteObject(picture);
        return true;
    }
    LineLook look = LookOf(line.style);
    HFONT font = ::CreateFontA(-look.height, 0, 0, 0, look.weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New");
    HGDIOBJ old = ::SelectObject(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, look.colour);
    RECT r = band;
    ::DrawTextA(dc, line.text, -1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    return true;
}

void CAboutDlg::OnPaint()
{
    Default();
    PaintCredits();
}

void CAboutDlg::PaintCredits()
{
    if (!m_started || !m_view || !::IsWindowVisible(m_view))
        return;
    RECT client;
    ::GetClientRect(m_view, &client);
    HDC dc = ::GetDC(m_view);
    HDC memory = ::CreateCompatibleDC(dc);
    HBITMAP canvas = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ oldBitmap = ::SelectObject(memory, canvas);
    HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    ::FillRect(memory, &client, white);
    // The lines move up one pixel a tick, one band of 16 pixels per line.
    const int band = 16;
    int offset = client.bottom - m_scrolled;
    for (int i = 0; i < CreditLineCount(); ++i) {
        RECT r = {0, offset + i * band, client.right, offset + (i + 1) * band};
        if (r.bottom < 0 || r.top > client.bottom)
            continue;
        DrawCreditLine(memory, i, r);
    }
    int bottom = m_scroll.ViewBottom() > 0 && m_scroll.Line() >= mainwnd::CreditScroll::kLastLine ? m_scroll.ViewBottom()
                                                                                                   : client.bottom;
    ::BitBlt(dc, 0, 0, client.right, bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, oldBitmap);
    ::DeleteObject(canvas);
    ::DeleteDC(memory);
    ::ReleaseDC(m_view, dc);
}

void CAboutDlg::OnLButtonDown(UINT, POINT point)
{
    m_pressed = true;
    m_dragged = false;
    ::ClientToScreen(m_hWnd, &point);
    m_pressAt = point;
    ::SetCapture(m_hWnd);
}

void CAboutDlg::OnMouseMove(UINT, POINT point)
{
    if (!m_pressed)
        return;
    ::ClientToScreen(m_hWnd, &point);
    int dx = point.x - m_pressAt.x, dy = point.y - m_pressAt.y;
    if (!m_dragged && (dx * dx + dy * dy) < 9)
        return;
    // The client area drags the box.
    m_dragged = true;
    RECT r;
    GetWindowRect(&r);
    SetWindowPos(nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_pressAt = point;
}

void CAboutDlg::OnLButtonUp(UINT, POINT)
{
    bool wasClick = m_pressed && !m_dragged;
    m_pressed = false;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    if (wasClick)
        EndDialog(IDOK);
}
