#include "toolkit/win/SkinFrameDialog.h"

#include "toolkit/win/WinRect.h"

BEGIN_MESSAGE_MAP(CSkinFrameDialog, CSkinDialog)
    ON_WM_SIZE()
    ON_WM_NCHITTEST()
    ON_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivateMessage)
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_MESSAGE(WM_DISPLAYCHANGE, OnDisplayChangeMessage)
    ON_WM_TIMER()
    ON_WM_GETMINMAXINFO()
    ON_WM_MOVE()
    ON_WM_WINDOWPOSCHANGED()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CSkinFrameDialog::CSkinFrameDialog(UINT templateId, CWnd* parent) : CSkinDialog(templateId, parent), m_parentWindow(parent)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (::GetVersionExA(&version))
        m_isNT4 = version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 4;
}

CSkinFrameDialog::~CSkinFrameDialog()
{
    // An object that goes before its window takes the window out of the family too.
    if (m_hWnd) {
        if (CSkinFrameDialog* leader = Leader())
            leader->ForgetMember(m_hWnd);
        if (m_onTrayList)
            RemoveFromTrayList();
    }
}

BOOL CSkinFrameDialog::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    if (Mode() != kModeDrawer)
        GetClientRect(&m_doubleClickArea);
    return TRUE;
}

void CSkinFrameDialog::PlaceFromSkin(UINT dialogId)
{
    HWND mainWindow = toolkit::Host().GetMainWindow();
    if (!mainWindow || !m_hWnd)
        return;
    CString value;
    if (!toolkit::Skins().GetDockInfo(dialogId, &value))
        return;
    skin::Placement placement = skin::ParsePlacement(value.str());
    if (!placement.valid)
        return;
    RECT main, own;
    ::GetWindowRect(mainWindow, &main);
    GetWindowRect(&own);
    int width = placement.hasSize ? placement.rect.Width() : own.right - own.left;
    int height = placement.hasSize ? placement.rect.Height() : own.bottom - own.top;
    if (placement.noDrag >= 0)
        m_noDrag = placement.noDrag == 1;
    if ((m_style & (kResizeWidth | kResizeHeight)) && placement.hasSize && m_placementSetsMinimum)
        m_minimumSize = SIZE{width, height};
    skin::Rect placed = skin::MakeRectXYWH(main.left + placement.rect.left, main.top + placement.rect.top, width, height);
    // Drawers and docked panels keep their offset, which their docking compares against; any
    // other window goes beside the main window where the work area has room for it.
    DWORD mode = Mode();
    if (mode != kModeDrawer && mode != kModePanel)
        placed = skin::FitBesideMainWindow(placed, ToSkin(main), ToSkin(DesktopWorkArea()));
    SetWindowPos(nullptr, placed.left, placed.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSkinFrameDialog::CloseLater()
{
    ShowWindow(SW_HIDE);
    SetTimer(kCloseLaterTimer, 1000);
}

void CSkinFrameDialog::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kSlideOutTimer:
        SlideOutTick();
        return;
    case kSlideBackTimer:
        SlideBackTick();
        return;
    case kCloseLaterTimer:
        KillTimer(kCloseLaterTimer);
        DestroyWindow();
        return;
    default:
        Default();
    }
}

void CSkinFrameDialog::OnSize(UINT type, int cx, int cy)
{
    if (type == SIZE_MINIMIZED)
        return;
    CSkinDialog::OnSize(type, cx, cy);
    if (m_clientSizeKnown) {
        // The double-click area covers the whole client area, whatever its size now.
        if (Mode() != kModeDrawer)
            ::SetRect(&m_doubleClickArea, 0, 0, cx, cy);
        m_maximised = FALSE;
    }
    m_lastClientSize = SIZE{cx, cy};
    m_clientSizeKnown = true;
}

LRESULT CSkinFrameDialog::OnNcHitTest(POINT screenPoint)
{
    LRESULT hit = Default();
    if (hit != HTCLIENT || !(m_style & (kResizeWidth | kResizeHeight)))
        return hit;
    POINT p = screenPoint;
    ::ScreenToClient(m_hWnd, &p);
    RECT client;
    GetClientRect(&client);
    switch (skin::FrameHitTest(p.x, p.y, client.right, client.bottom, m_style & 0xFF, ::GetSystemMetrics(SM_CXFRAME),
                               ::GetSystemMetrics(SM_CYFRAME))) {
    case skin::Hit::Left:
        return HTLEFT;
    case skin::Hit::Right:
        return HTRIGHT;
    case skin::Hit::Top:
        return HTTOP;
    case skin::Hit::Bottom:
        return HTBOTTOM;
    case skin::Hit::BottomRight:
        return HTBOTTOMRIGHT;
    case skin::Hit::Client:
        break;
    }
    return HTCLIENT;
}

LRESULT CSkinFrameDialog::OnMouseActivateMessage(WPARAM, LPARAM)
{
    DWORD mode = Mode();
    if (mode == kModeLeader || mode == kModeFree)
        return MA_ACTIVATE;
    if (mode == kModePanel && m_floating)
        return MA_ACTIVATE;
    return MA_NOACTIVATE;
}

void CSkinFrameDialog::OnLButtonDown(UINT, POINT point)
{
    DWORD mode = Mode();
    if (mode == kModeLeader || mode == kModeFree) {
        if (m_noDrag)
            return;
        ::BringWindowToTop(m_hWnd);
    } else if (mode == kModePanel) {
        if (m_floating)
            ::BringWindowToTop(m_hWnd);
    } else {
        // A drawer is never dragged; pressed, it stays right behind its order owner.
        if (mode == kModeDrawer)
            PutBehindOrderOwner();
        return;
    }
    m_lastCursor = point;
    ::ClientToScreen(m_hWnd, &m_lastCursor);
    m_dragging = TRUE;
    ::SetCapture(m_hWnd);
}

void CSkinFrameDialog::StepDrag(POINT clientPoint)
{
    POINT cursor = clientPoint;
    ::ClientToScreen(m_hWnd, &cursor);
    int dx = cursor.x - m_lastCursor.x;
    int dy = cursor.y - m_lastCursor.y;
    if (dx || dy) {
        RECT r;
        GetWindowRect(&r);
        SetWindowPos(nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_lastCursor = cursor;
    if (::GetCapture() != m_hWnd)
        ::SetCapture(m_hWnd);
}

void CSkinFrameDialog::OnMouseMove(UINT flags, POINT point)
{
    if (!(flags & MK_LBUTTON))
        return;
    DWORD mode = Mode();
    if (mode == kModeLeader || mode == kModeFree) {
        if (m_dragging && !m_noDrag)
            StepDrag(point);
    } else if (mode == kModePanel) {
        if (!m_dragging) {
            // The first move of a drag starts it when the button-down did not.
            m_lastCursor = point;
            ::ClientToScreen(m_hWnd, &m_lastCursor);
            m_dragging = TRUE;
        }
        StepDrag(point);
    }
}

void CSkinFrameDialog::OnLButtonUp(UINT, POINT)
{
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    bool dragged = m_dragging != FALSE;
    m_dragging = FALSE;
    switch (Mode()) {
    case kModeDrawer:
        // A click toggles the drawer: out from under its owner, or back.
        PutBehindOrderOwner();
        ShowFromMain();
        PutBehindOrderOwner();
        break;
    case kModePanel:
        // Dropped on its dock (or its slide path): docked again.
        if (dragged)
            PanelMoved();
        break;
    default:
        break;
    }
}

void CSkinFrameDialog::OnLButtonDblClk(UINT, POINT point)
{
    unsigned bits = m_style & (kResizeWidth | kResizeHeight);
    if (!bits || !::PtInRect(&m_doubleClickArea, point))
        return;
    if (m_maximised) {
        MoveWindow(m_restoreRect, TRUE);
        m_maximised = FALSE;
        return;
    }
    GetWindowRect(&m_restoreRect);
    RECT target = ToRect(skin::MaximisedRect(ToSkin(m_restoreRect), ToSkin(DesktopWorkArea()), bits));
    MoveWindow(target, TRUE);
    m_maximised = TRUE;
}

LRESULT CSkinFrameDialog::OnDisplayChangeMessage(WPARAM, LPARAM lParam)
{
    DWORD mode = Mode();
    if (mode != kModeLeader && mode != kModeFree)
        return 0;
    RECT window;
    GetWindowRect(&window);
    RECT work = DesktopWorkArea();
    if (m_maximised) {
        RECT target = ToRect(skin::MaximisedRect(ToSkin(window), ToSkin(work), m_style & 0xFF));
        MoveWindow(target, TRUE);
        m_maximised = TRUE;
        return 0;
    }
    RECT target = ToRect(skin::RefitAfterDisplayChange(ToSkin(window), ToSkin(work), LOWORD(lParam), HIWORD(lParam)));
    if (target.left != window.left || target.top != window.top)
        SetWindowPos(nullptr, target.left, target.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

void CSkinFrameDialog::OnGetMinMaxInfo(MINMAXINFO* info)
{
    Default();
    if (m_minimumSize.cx > 0 && m_minimumSize.cy > 0) {
        info->ptMinTrackSize.x = m_minimumSize.cx;
        info->ptMinTrackSize.y = m_minimumSize.cy;
    }
}
