// Skin buttons: CSkinButton draws one of the equal frames of a horizontal strip (normal,
// pressed, hover, disabled) with an optional caption; CSkinBitmapButton plays a strip as an
// animation. Both take their strips from the skin by file name.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/Gdi.h"
#include "toolkit/core/ControlLogic.h"

class CSkinButton : public CBitmapButton {
public:
    CSkinButton();
    ~CSkinButton() override;

    // Replaces the strip by the skin bitmap of that name; FALSE when it can't be loaded (the old
    // strip is gone then) or when frameCount is below 1 (the old strip stays).
    BOOL SetBitmap(const char* fileName, int frameCount);
    BOOL LoadBitmapResource(UINT id, int frameCount);
    void SetText(const char* caption) { m_caption = caption ? caption : ""; }
    // A disabled skin button keeps its window enabled but sends no click, whatever the source
    // (mouse, keyboard, BM_CLICK or the dialog's default button).
    void EnableButton(BOOL enable);
    void SetPushed(BOOL on);
    void SetHighlight(BOOL on);
    int GetState() const { return m_state; }
    BOOL IsDisabled() const { return m_disabled; }
    int GetFrameWidth() const { return m_frameCount > 0 ? m_stripWidth / m_frameCount : 0; }
    int GetFrameHeight() const { return m_height; }
    void MoveFrameSized(int x, int y, BOOL repaint = TRUE);
    void MoveTo(int x, int y, int cx, int cy, BOOL repaint = TRUE);
    void MoveToRect(const RECT& rect, BOOL repaint = TRUE);
    void PlaceFromSkin(UINT controlId);
    // The frame DrawItem chose last (-1 before the first drawing).
    int GetLastDrawnFrame() const { return m_lastFrame; }

    void DrawItem(LPDRAWITEMSTRUCT item) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    DECLARE_MESSAGE_MAP()

protected:
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    LRESULT OnButtonClick(WPARAM, LPARAM);
    void RepaintNow();

private:
    void TakeStrip(HBITMAP strip, int frameCount);

    HCURSOR m_hoverCursor;
    HCURSOR m_previousCursor = nullptr;
    BOOL m_disabled = FALSE;
    BOOL m_latched = FALSE;
    BOOL m_hovering = FALSE;
    int m_state = skin::kButtonNormal;
    CBitmap m_strip;
    int m_stripWidth = 0;
    int m_frameCount = 1;
    int m_height = 0;
    CString m_caption;
    int m_lastFrame = -1;
};

class CSkinBitmapButton : public CButton {
public:
    static const UINT_PTR kAnimationTimer = 501;

    ~CSkinBitmapButton() override;
    BOOL SetBitmap(const char* fileName, int frameCount);
    void StartAnimation();
    void StopAnimation() { m_stopRequested = TRUE; }
    int GetFrame() const { return m_frame; }
    BOOL IsAnimating() const { return m_animating; }
    virtual void DrawItem(LPDRAWITEMSTRUCT item);

    DECLARE_MESSAGE_MAP()

protected:
    void OnTimer(UINT_PTR id);
    LRESULT OnReflectedDrawItem(WPARAM, LPARAM lParam);

private:
    void DrawFrame(HDC dc, int frame);
    CBitmap m_strip;
    int m_frameCount = 1;
    int m_stripWidth = 0;
    int m_height = 0;
    int m_frame = 0;
    BOOL m_stopRequested = FALSE;
    BOOL m_animating = FALSE;
};
