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
