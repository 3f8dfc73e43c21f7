// Small skinned controls: a track bar drawn from two skin bitmaps, a numeric or minutes-seconds
// readout in digit glyphs from a skin bitmap, and a label that can blink its text or background.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/Gdi.h"
#include "toolkit/core/ControlLogic.h"

class CSkinSlider : public CSliderCtrl {
public:
    ~CSkinSlider() override;
    // Loads both bitmaps; keeps them (and takes the background's size) only when both load.
    BOOL SetBitmaps(const char* thumbFile, const char* backgroundFile, const char* unused1 = nullptr,
                    const char* unused2 = nullptr);
    void PlaceFromSkin(UINT controlId);
    DECLARE_MESSAGE_MAP()

protected:
    void OnCustomDraw(NMHDR* header, LRESULT* result);

private:
    CBitmap m_thumb;
    CBitmap m_background;
    int m_backgroundWidth = 0;
    int m_backgroundHeight = 0;
};

class CTimeReadout : public CStatic {
public:
    ~CTimeReadout() override;
    BOOL SetDigitsBitmap(const char* fileName, int digits);
    // 1 to 10 cells; other counts are ignored. resize refits the window to the cells.
    void SetDigitCount(int digits, int resize);
    void SetValue(int value, int repaint);
    void SetMode(int mode) { m_mode = mode; }
    void SetZeroFill(BOOL zeroFill) { m_zeroFill = zeroFill; }
    void SetGrowth(int growth) { m_growth = growth; }
    void PlaceFromSkin(UINT controlId);
    int GetDigitCount() const { return m_digits; }
    int GetGlyphWidth() const { return m_glyphWidth; }
    int GetGlyphHeight() const { return m_glyphHeight; }
    DECLARE_MESSAGE_MAP()

protected:
    void OnPaint();

private:
    void Refit();
    CBitmap m_glyphs;
    int m_glyphWidth = 0;
    int m_glyphHeight = 0;
    int m_digits = 2;
    int m_value = 0;
    BOOL m_zeroFill = TRUE;
    int m_growth = 12;
    int m_mode = 1;
};

class CBlinkLabel : public CStatic {
public:
    static const UINT_PTR kBlinkTimer = 1;

    CBlinkLabel();
    ~CBlinkLabel() override;
    // -1 stands for the system's button face colour.
    void SetBackColor(COLORREF color);
    void SetTextColor(COLORREF color);
    void SetTextPhaseColors(COLORREF phase0, COLORREF phase1);
    void SetBackPhaseColors(COLORREF phase0, COLORREF phase1);
    // Speed: 0 2000 ms, 1 1000 ms, 2 500 ms, other values milliseconds. Both blinks share one
    // timer, which runs while either of them is on.
    void SetTextBlink(BOOL on, int speed);
    void SetBackBlink(BOOL on, int speed);
    // At each blink that turns a phase to 1, message (WM_USER by default) is posted to target with
    // the label's control id.
    void SetNotifyTarget(HWND target, UINT message = WM_USER);
    int GetTextPhase() const { return m_textPhase; }
    int GetBackPhase() const { return m_backPhase; }
    bool IsTimerRunning() const { return m_timerId != 0; }
    HBRUSH CtlColor(HDC dc, UINT type);
    DECLARE_MESSAGE_MAP()

protected:
    void OnTimer(UINT_PTR id);
    void OnDestroy();

private:
    void RestartTimer(unsigned intervalMs);
    void SetBlink(BOOL* blink, int* phase, unsigned* interval, unsigned otherInterval, BOOL on, int speed);
    UINT_PTR m_timerId = 0;
    COLORREF m_textColor;
    COLORREF m_textPhaseColor[2];
    BOOL m_textBlink = FALSE;
    int m_textPhase = 0;
    unsigned m_textInterval = 0;
    COLORREF m_backColor;
    COLORREF m_backPhaseColor[2];
    BOOL m_backBlink = FALSE;
    int m_backPhase = 0;
    unsigned m_backInterval = 0;
    CBrush m_backBrush;
    CBrush m_phaseBrush[2];
    HWND m_target = nullptr;
    UINT m_notifyMessage = WM_USER;
};
