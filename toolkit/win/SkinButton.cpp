#include "toolkit/win/SkinButton.h"

#include "toolkit/win/SkinHost.h"

BEGIN_MESSAGE_MAP(CSkinButton, CBitmapButton)
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_MESSAGE(BM_CLICK, OnButtonClick)
END_MESSAGE_MAP()

CSkinButton::CSkinButton() : m_hoverCursor(toolkit::Host().GetHoverCursor()) {}

CSkinButton::~CSkinButton() = default;

void CSkinButton::TakeStrip(HBITMAP strip, int frameCount)
{
    m_strip.Attach(strip);
    SIZE size = m_strip.GetSize();
    m_stripWidth = size.cx;
    m_height = size.cy;
    m_frameCount = frameCount;
}

BOOL CSkinButton::SetBitmap(const char* fileName, int frameCount)
{
    if (frameCount < 1)
        return FALSE;
    HBITMAP strip = toolkit::Skins().LoadSkinBitmap(fileName);
    TakeStrip(strip, frameCount);
    return strip != nullptr;
}

BOOL CSkinButton::LoadBitmapResource(UINT id, int frameCount)
{
    if (frameCount < 1)
        return FALSE;
    CBitmap loaded;
    loaded.LoadDibResource(id);
    HBITMAP strip = static_cast<HBITMAP>(loaded.Detach());
    TakeStrip(strip, frameCount);
    return strip != nullptr;
}

void CSkinButton::RepaintNow()
{
    if (!IsWindow())
        return;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    UpdateWindow();
}

void CSkinButton::EnableButton(BOOL enable)
{
    m_disabled = !enable;
    m_state = enable ? skin::kButtonNormal : skin::kButtonDisabled;
    RepaintNow();
    if (m_hWnd && ::GetCapture() == m_hWnd)
        ::ReleaseCapture();
}

void CSkinButton::SetPushed(BOOL on)
{
    m_latched = on;
    m_state = on ? skin::kButtonPressed : skin::kButtonNormal;
    RepaintNow();
}

void CSkinButton::SetHighlight(BOOL on)
{
    m_latched = on;
    m_state = on ? skin::kButtonHover : skin::kButtonNormal;
    RepaintNow();
}

void CSkinButton::MoveFrameSized(int x, int y, BOOL repaint)
{
    MoveWindow(x, y, GetFrameWidth(), GetFrameHeight(), repaint);
}

void CSkinButton::MoveTo(int x, int y, int cx, int cy, BOOL repaint) { MoveWindow(x, y, cx, cy, repaint); }

void CSkinButton::MoveToRect(const RECT& rect, BOOL repaint) { MoveWindow(rect, repaint); }

void CSkinButton::PlaceFromSkin(UINT controlId)
{
    RECT r;
    toolkit::Skins().GetControlRect(controlId, &r);
    if (r.right - r.left == 0 && r.bottom - r.top == 0)
        MoveFrameSized(r.left, r.top, TRUE);
    else
        MoveToRect(r, TRUE);
}

void CSkinButton::OnMouseMove(UINT, POINT point)
{
    Default();
    if (!m_disabled && !m_latched && !(m_hovering && ::GetCapture() == m_hWnd)) {
        m_state = skin::kButtonHover;
        m_hovering = TRUE;
        ::SetCapture(m_hWnd);
        RepaintNow();
        m_previousCursor = ::SetCursor(m_hoverCursor);
    }
    if (m_state == skin::kButtonHover) {
        RECT client;
        GetClientRect(&client);
        if (!::PtInRect(&client, point)) {
            m_state = skin::kButtonNormal;
            m_hovering = FALSE;
            ::SetCursor(m_previousCursor);
            RepaintNow();
            if (::GetCapture() == m_hWnd)
                ::ReleaseCapture();
        }
    }
}

void CSkinButton::OnLButtonDown(UINT, POINT)
{
    if (m_disabled)
        return;
    Default();
    m_state = skin::kButtonPressed;
    RepaintNow();
}

void CSkinButton::OnLButtonUp(UINT, POINT)
{
    if (m_disabled)
        return;
    Default();
    if (!m_latched && m_state != skin::kButtonDisabled)
        m_state = skin::kButtonNormal;
    if (IsWindow())
        RepaintNow();
}

LRESULT CSkinButton::OnButtonClick(WPARAM, LPARAM)
{
    if (m_disabled)
        return 0;
    return Default();
}

BOOL CSkinButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    // Keyboard activation and the dialog's default button reach the parent without passing our
    // mouse handlers: the click is stopped here, before the parent's map sees it.
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && m_disabled) {
        *result = 0;
        return TRUE;
    }
    return CBitmapButton::OnChildNotify(message, wParam, lParam, result);
}

void CSkinButton::DrawItem(LPDRAWITEMSTRUCT item)
{
    if (!m_strip.GetSafeHandle())
        return;
    UINT buttonState = static_cast<UINT>(::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0));
    bool checked = (buttonState & (BST_CHECKED | BST_INDETERMINATE)) != 0;
    bool hasCaption = !m_caption.IsEmpty();
    int frame = skin::ChooseButtonFrame(m_state, m_frameCount, hasCaption, m_disabled != FALSE, checked);
    m_lastFrame = frame;
    int frameWidth = GetFrameWidth();
    CMemoryDC memory(item->hDC);
    BOOL copied;
    {
        CSelectObject select(memory, m_strip.GetSafeHandle());
        copied = ::BitBlt(item->hDC, 0, 0, frameWidth, m_height, memory, frame * frameWidth, 0, SRCCOPY);
    }
    if (copied && hasCaption) {
        int saved = ::SaveDC(item->hDC);
        ::SetBkMode(item->hDC, TRANSPARENT);
        ::SetTextColor(item->hDC, m_state == skin::kButtonDisabled ? RGB(0xC0, 0xC0, 0xC0) : 0x765028);
        RECT r = item->rcItem;
        ::DrawTextA(item->hDC, m_caption, m_caption.GetLength(), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        ::RestoreDC(item->hDC, saved);
    }
}

BEGIN_MESSAGE_MAP(CSkinBitmapButton, CButton)
    ON_WM_TIMER()
    ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, OnReflectedDrawItem)
END_MESSAGE_MAP()

CSkinBitmapButton::~CSkinBitmapButton() = default;

BOOL CSkinBitmapButton::SetBitmap(const char* fileName, int frameCount)
{
    if (frameCount < 1)
        return FALSE;
    HBITMAP strip = toolkit::Skins().LoadSkinBitmap(fileName);
    m_strip.Attach(strip);
    SIZE size = m_strip.GetSize();
    m_stripWidth = size.cx;
    m_height = size.cy;
    m_frameCount = frameCount;
    if (m_frame >= m_frameCount)
        m_frame = 0;
    return strip != nullptr;
}

void CSkinBitmapButton::StartAnimation()
{
    m_stopRequested = FALSE;
    m_animating = TRUE;
    SetTimer(kAnimationTimer, 100);
}

void CSkinBitmapButton::DrawFrame(HDC dc, int frame)
{
    if (!m_strip.GetSafeHandle() || m_frameCount < 1)
        return;
    int frameWidth = m_stripWidth / m_frameCount;
    CMemoryDC memory(dc);
    CSelectObject select(memory, m_strip.GetSafeHandle());
    ::BitBlt(dc, 0, 0, frameWidth, m_height, memory, frame * frameWidth, 0, SRCCOPY);
}

void CSkinBitmapButton::OnTimer(UINT_PTR id)
{
    if (id != kAnimationTimer) {
        Default();
        return;
    }
    KillTimer(kAnimationTimer);
    m_frame = m_frame + 1 > m_frameCount - 1 ? 0 : m_frame + 1;
    HDC dc = ::GetDC(m_hWnd);
    if (m_stopRequested) {
        DrawFrame(dc, 0);
        m_stopRequested = FALSE;
        m_animating = FALSE;
    } else {
        DrawFrame(dc, m_frame);
        SetTimer(kAnimationTimer, 100);
    }
    ::ReleaseDC(m_hWnd, dc);
}

LRESULT CSkinBitmapButton::OnReflectedDrawItem(WPARAM, LPARAM lParam)
{
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    return TRUE;
}

void CSkinBitmapButton::DrawItem(LPDRAWITEMSTRUCT item) { DrawFrame(item->hDC, 0); }
