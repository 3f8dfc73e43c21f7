// Conversions between the system's RECT and the toolkit's portable rectangles.
#pragma once

#include "framework/win/Afx.h"
#include "toolkit/core/SkinGeometry.h"

inline skin::Rect ToSkin(const RECT& r) { return skin::MakeRect(r.left, r.top, r.right, r.bottom); }
inline RECT ToRect(const skin::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The window rectangle of a child in its parent's client coordinates.
inline RECT ChildRect(HWND child)
{
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The desktop's work area (the whole screen when the system can't tell): where frame dialogs
// maximise, balloons stay and a window cascade (CWndCascade) carries its window.
inline RECT DesktopWorkArea()
{
    RECT work;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        ::SetRect(&work, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    return work;
}
