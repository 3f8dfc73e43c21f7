// Control classes: thin wrappers of the system's controls, bound to a window object so that the
// parent reflects their notifications (WM_NOTIFY, WM_COMMAND, WM_CTLCOLOR..., WM_DRAWITEM) back
// to them.
#pragma once

#include "framework/win/Wnd.h"

#include <richedit.h>

// Creates a child control of a system class and binds it to the object.
BOOL CreateControl(CWnd* control, const char* className, const char* text, DWORD style, const RECT& rect,
                   CWnd* parent, UINT id, DWORD exStyle = 0);

class CButton : public CWnd {
public:
    BOOL Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

// An owner-drawn button: the parent reflects WM_DRAWITEM to DrawItem.
class CBitmapButton : public CButton {
public:
    virtual void DrawItem(LPDRAWITEMSTRUCT item) { (void)item; }
    DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnReflectedDrawItem(WPARAM, LPARAM lParam);
};

class CStatic : public CWnd {
public:
    BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
    HICON SetIcon(HICON icon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon))); }
};

class CSliderCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    void SetRange(int low, int high, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGE, redraw, MAKELPARAM(low, high)); }
    void SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    void ClearSel(BOOL redraw) { SendMessage(TBM_CLEARSEL, redraw); }
    void GetThumbRect(RECT* rect) const { SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(rect)); }
};

// The rich-edit control (RICHED32 when the system has it, else RICHED20 in its place).
class CRichEditCtrl : public CWnd {
public:
    // Loads the control's library once per process; returns the class name to create, or null.
    static const char* EnsureLoaded();
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    COLORREF SetBackgroundColor(BOOL useSystem, COLORREF color)
    {
        return static_cast<COLORREF>(SendMessage(EM_SETBKGNDCOLOR, useSystem, color));
    }
    // The format of text typed or set from now on.
    BOOL SetDefaultCharFormat(CHARFORMATA& format)
    {
        format.cbSize = sizeof format;
        return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format)));
    }
    // The format of all the text there is.
    BOOL SetAllCharFormat(CHARFORMATA& format)
    {
        format.cbSize = sizeof format;
        return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format)));
    }
    DWORD SetEventMask(DWORD mask) { return static_cast<DWORD>(SendMessage(EM_SETEVENTMASK, 0, mask)); }
    void SetReadOnly(BOOL readOnly = TRUE) { SendMessage(EM_SETREADONLY, readOnly); }
    void SetRect(const RECT& rect) { SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect)); }
    void RequestResize() { SendMessage(EM_REQUESTRESIZE); }
};

// The other control classes, so that this header brings every one of them.
#include "framework/win/EditCtrls.h"
#include "framework/win/ImageList.h"
#include "framework/win/ListCtrl.h"
#include "framework/win/ToolTipCtrl.h"
