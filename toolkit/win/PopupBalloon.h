// CPopupBalloon: a small speech bubble beside an anchor window: an ellipse with a tail pointing at
// the anchor, filled and framed in given colours, with a short text in a fixed-pitch Japanese font.
// It never takes the activation and tells the anchor once when it is clicked.
//
// The balloon belongs to its window and is deleted when the window goes. Whoever shows one keeps
// its window handle, not the object: Close works through the handle, so closing a balloon that is
// already gone touches nothing. Make balloons with new; a Show that fails deletes the object.
#pragma once

#include "framework/win/Gdi.h"
#include "framework/win/Rgn.h"
#include "framework/win/Wnd.h"
#include "toolkit/core/BalloonLogic.h"

#include <string>
#include <vector>

class CPopupBalloon : public CWnd {
public:
    // Posted to the anchor (wParam and lParam 0) at the first click on the balloon.
    static constexpr UINT kClickNotice = WM_USER + 302;

    CPopupBalloon() = default;

    // Text the colour of the fill takes the frame colour; all three alike give the inverse colour.
    BOOL SetColors(COLORREF fill, COLORREF text, COLORREF frame);
    // Shows the balloon beside the anchor without activating it; rect gets its window rectangle and
    // the window handle is returned. When the anchor is no window or the balloon can't be made,
    // nothing is shown, rect is empty, null is returned and this object is deleted.
    HWND Show(RECT* rect, const char* text, HWND anchor);
    // Hides and destroys a balloon; a handle that is no balloon (any more) is left alone.
    static void Close(HWND balloon);
    static CPopupBalloon* FromHandle(HWND window);

    DECLARE_MESSAGE_MAP()

protected:
    ~CPopupBalloon() override;
    void PostNcDestroy() override
    {
        if (m_belongsToWindow)
            delete this;
    }
    BOOL OnEraseBkgnd(HDC dc);
    void OnLButtonDown(UINT flags, POINT point);
    LRESULT OnMouseActivateMessage(WPARAM, LPARAM);

private:
    bool MakeShape(const skin::BalloonLayout& layout);

    HWND m_anchor = nullptr;
    skin::BalloonColors m_colors{0xFFFFFF, 0x000000, 0x000000};
    RECT m_textRect = {0, 0, 0, 0};
    CString m_text;
    std::vector<std::string> m_lines;
    CRgn m_balloonRegion;
    CRgn m_ellipseRegion;
    CRgn m_tailRegion;
    CFont m_font;
    bool m_clicked = false;
    bool m_closed = false;
    // Set once the window exists: from then on the window's end deletes the object.
    bool m_belongsToWindow = false;
};
