#include "toolkit/win/SkinControls.h"

#include "toolkit/win/SkinHost.h"
#include "toolkit/win/WinRect.h"

// ---- CSkinSlider

BEGIN_MESSAGE_MAP(CSkinSlider, CSliderCtrl)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
END_MESSAGE_MAP()

CSkinSlider::~CSkinSlider() = default;

BOOL CSkinSlider::SetBitmaps(const char* thumbFile, const char* backgroundFile, const char*, const char*)
{
    m_thumb.DeleteObject();
    m_background.DeleteObject();
    m_backgroundWidth = m_backgroundHeight = 0;
    HBITMAP thumb = toolkit::Skins().LoadSkinBitmap(thumbFile);
    HBITMAP background = thumb ? toolkit::Skins().LoadSkinBitmap(backgroundFile) : nullptr;
    BOOL ok = thumb && background;
    if (ok) {
        m_thumb.Attach(thumb);
        m_background.Attach(background);
        SIZE size = m_background.GetSize();
        m_backgroundWidth = size.cx;
        m_backgroundHeight = size.cy;
        if (m_hWnd)
            SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (thumb) {
        ::DeleteObject(thumb);
    }
    if (m_hWnd)
        ClearSel(TRUE);
    return ok;
}

void CSkinSlider::PlaceFromSkin(UINT controlId)
{
    RECT r;
    toolkit::Skins().GetControlRect(controlId, &r);
    MoveWindow(r.left, r.top, m_backgroundWidth, m_backgroundHeight, TRUE);
}

void CSkinSlider::OnCustomDraw(NMHDR* header, LRESULT* result)
{
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
    switch (draw->dwDrawStage) {
    case CDDS_PREPAINT:
        *result = CDRF_NOTIFYITEMDRAW;
        return;
    case CDDS_ITEMPREPAINT: {
        if (draw->dwItemSpec == TBCD_TICS) {
            *result = CDRF_DODEFAULT;
            return;
        }
        int saved = ::SaveDC(draw->hdc);
        CMemoryDC memory(draw->hdc);
        if (draw->dwItemSpec == TBCD_CHANNEL && m_background.GetSafeHandle()) {
            CSelectObject select(memory, m_background.GetSafeHandle());
            ::BitBlt(draw->hdc, 0, 0, m_backgroundWidth, m_backgroundHeight, memory, 0, 0, SRCCOPY);
        } else if (draw->dwItemSpec == TBCD_THUMB && m_thumb.GetSafeHandle()) {
            const RECT& t = draw->rc;
            // Only a horizontal slider's thumb is taller than wide; a vertical one is not drawn.
            if (t.bottom - t.top > t.right - t.left) {
                SIZE size = m_thumb.GetSize();
                CSelectObject select(memory, m_thumb.GetSafeHandle());
                ::BitBlt(draw->hdc, t.left, t.top, size.cx, size.cy, memory, 0, 0, SRCCOPY);
            }
        }
        ::RestoreDC(draw->hdc, saved);
        *result = CDRF_SKIPDEFAULT;
        return;
    }
    default:
        *result = CDRF_DODEFAULT;
        return;
    }
}

// ---- CTimeReadout

BEGIN_MESSAGE_MAP(CTimeReadout, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CTimeReadout::~CTimeReadout() = default;

BOOL CTimeReadout::SetDigitsBitmap(const char* fileName, int digits)
{
    HBITMAP strip = toolkit::Skins().LoadSkinBitmap(fileName);
    if (!strip)
        return FALSE;
    m_glyphs.Attach(strip);
    SIZE size = m_glyphs.GetSize();
    m_glyphWidth = size.cx / skin::kGlyphCount;
    m_glyphHeight = size.cy;
    SetDigitCount(digits, 1);
    return TRUE;
}

void CTimeReadout::SetDigitCount(int digits, int resize)
{
    if (digits < 1 || digits > 10)
        return;
    m_digits = digits;
    if (resize == 1)
        Refit();
}

void CTimeReadout::Refit()
{
    if (!m_hWnd)
        return;
    RECT r = ToRect(skin::RefitReadout(ToSkin(ChildRect(m_hWnd)), m_digits, m_glyphWidth, m_glyphHeight, m_growth));
    Invalidate(TRUE);
    MoveWindow(r, TRUE);
}

void CTimeReadout::SetValue(int value, int repaint)
{
    m_value = value;
    if (repaint == 1 && m_hWnd)
        Invalidate(TRUE);
}

void CTimeReadout::PlaceFromSkin(UINT controlId)
{
    RECT r;
    toolkit::Skins().GetControlRect(controlId, &r);
    MoveWindow(r.left, r.top, m_digits * m_glyphWidth, m_glyphHeight, TRUE);
}

void CTimeReadout::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    if (m_glyphs.GetSafeHandle()) {
        CMemoryDC memory(dc);
        CSelectObject select(memory, m_glyphs.GetSafeHandle());
        std::vector<int> glyphs = skin::ReadoutGlyphs(m_value, m_digits, m_mode, m_zeroFill != FALSE);
        for (std::size_t i = 0; i < glyphs.size(); ++i)
            ::BitBlt(dc, static_cast<int>(i) * m_glyphWidth, 0, m_glyphWidth, m_glyphHeight, memory,
                     glyphs[i] * m_glyphWidth, 0, SRCCOPY);
    }
    ::EndPaint(m_hWnd, &paint);
}

// ---- CBlinkLabel

BEGIN_MESSAGE_MAP(CBlinkLabel, CStatic)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CBlinkLabel::CBlinkLabel()
{
    m_textColor = m_textPhaseColor[0] = m_textPhaseColor[1] = ::GetSysColor(COLOR_BTNTEXT);
    m_backColor = m_backPhaseColor[0] = m_backPhaseColor[1] = ::GetSysColor(COLOR_BTNFACE);
    m_backBrush.CreateSolidBrush(m_backColor);
    m_phaseBrush[0].CreateSolidBrush(m_backColor);
    m_phaseBrush[1].CreateSolidBrush(m_backColor);
}

CBlinkLabel::~CBlinkLabel() = default;

void CBlinkLabel::SetBackColor(COLORREF color)
{
    if (color == static_cast<COLORREF>(-1))
        color = ::GetSysColor(COLOR_BTNFACE);
    m_backColor = color;
    m_backBrush.CreateSolidBrush(color);
    if (m_hWnd)
        Invalidate(TRUE);
}

void CBlinkLabel::SetTextColor(COLORREF color)
{
    m_textColor = color;
    if (m_hWnd)
        Invalidate(TRUE);
}

void CBlinkLabel::SetTextPhaseColors(COLORREF phase0, COLORREF phase1)
{
    m_textPhaseColor[0] = phase0;
    m_textPhaseColor[1] = phase1;
}

void CBlinkLabel::SetBackPhaseColors(COLORREF phase0, COLORREF phase1)
{
    m_backPhaseColor[0] = phase0;
    m_backPhaseColor[1] = phase1;
    m_phaseBrush[0].CreateSolidBrush(phase0);
    m_phaseBrush[1].CreateSolidBrush(phase1);
}

void CBlinkLabel::SetNotifyTarget(HWND target, UINT message)
{
    m_target = target;
    m_notifyMessage = message;
}

void CBlinkLabel::RestartTimer(unsigned intervalMs)
{
    if (m_timerId && m_hWnd)
        KillTimer(m_timerId);
    m_timerId = 0;
    // One timer serves both blinks: it keeps running while either is on.
    if ((m_textBlink || m_backBlink) && m_hWnd && SetTimer(kBlinkTimer, intervalMs))
        m_timerId = kBlinkTimer;
}

void CBlinkLabel::SetBlink(BOOL* blink, int* phase, unsigned* interval, unsigned otherInterval, BOOL on, int speed)
{
    *blink = on == 1;
    *phase = 0;
    if (*blink)
        *interval = skin::BlinkIntervalMs(speed);
    RestartTimer(*blink ? *interval : otherInterval);
}

void CBlinkLabel::SetTextBlink(BOOL on, int speed)
{
    SetBlink(&m_textBlink, &m_textPhase, &m_textInterval, m_backInterval, on, speed);
}

void CBlinkLabel::SetBackBlink(BOOL on, int speed)
{
    SetBlink(&m_backBlink, &m_backPhase, &m_backInterval, m_textInterval, on, speed);
}

void CBlinkLabel::OnTimer(UINT_PTR id)
{
    if (id != m_timerId || id == 0) {
        Default();
        return;
    }
    if (!m_textBlink && !m_backBlink)
        return;
    if (m_textBlink)
        m_textPhase ^= 1;
    if (m_backBlink)
        m_backPhase ^= 1;
    Invalidate(TRUE);
    if (m_target && ((m_textBlink && m_textPhase == 1) || (m_backBlink && m_backPhase == 1)))
        ::PostMessageA(m_target, m_notifyMessage, static_cast<WPARAM>(GetDlgCtrlID()), 0);
}

void CBlinkLabel::OnDestroy()
{
    SetTextBlink(FALSE, 0);
    SetBackBlink(FALSE, 0);
    Default();
}

HBRUSH CBlinkLabel::CtlColor(HDC dc, UINT)
{
    ::SetTextColor(dc, m_textBlink ? m_textPhaseColor[m_textPhase] : m_textColor);
    ::SetBkColor(dc, m_backBlink ? m_backPhaseColor[m_backPhase] : m_backColor);
    return m_backBlink ? static_cast<HBRUSH>(m_phaseBrush[m_backPhase]) : static_cast<HBRUSH>(m_backBrush);
}
