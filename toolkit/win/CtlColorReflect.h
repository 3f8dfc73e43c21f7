// Colour messages of a skinned window's children: a control that colours itself (a blinking
// label) answers before the window's own colours apply.
#pragma once

#include "framework/win/Wnd.h"

// Returns whether the control answered; brush then holds its answer.
inline bool ReflectCtlColorToChild(CWnd* parent, HDC dc, HWND control, UINT type, HBRUSH* brush)
{
    CWnd* child = CWnd::FromHandlePermanent(control);
    LRESULT reflected = 0;
    if (!child || child == parent ||
        !child->OnChildNotify(type, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control), &reflected))
        return false;
    *brush = reinterpret_cast<HBRUSH>(reflected);
    return true;
}
