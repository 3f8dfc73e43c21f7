// Message maps: each window class lists the messages it handles, each with a named member
// function taking typed arguments. A map entry holds a small adapter that unpacks wParam and
// lParam and calls the member; lookup walks from the most derived class to its bases.
#pragma once

#include <windows.h>

class CWnd;

// Messages a parent hands back to the control that sent them, as the framework reflects them.
const UINT WM_REFLECT_BASE = 0xBC00;

struct MessageMapEntry {
    UINT message;  // window message; WM_COMMAND and WM_NOTIFY entries also match code and id
    UINT code;     // notification code (BN_CLICKED, NM_CUSTOMDRAW, ...) or 0
    UINT idFirst;  // control or command id range
    UINT idLast;
    // Calls the handler and returns its result; a handler that wants the default processing
    // as well calls CWnd::Default().
    LRESULT (*call)(CWnd* target, WPARAM wParam, LPARAM lParam);
};

struct MessageMap {
    const MessageMap* (*base)();
    const MessageMapEntry* entries; // ends with an entry whose call is null
};

#define DECLARE_MESSAGE_MAP()                                    \
public:                                                          \
    static const MessageMap* GetThisMessageMap();                \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
    const MessageMap* theClass::GetThisMessageMap()                                     \
    {                                                                                   \
        typedef theClass ThisClass;                                                     \
        typedef baseClass TheBaseClass;                                                 \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                               \
            {0, 0, 0, 0, nullptr}                                                       \
        };                                                                              \
        static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries};     \
        return &map;                                                                    \
    }

#define NV_ENTRY(msg, code, first, last, body) \
    {msg, code, first, last, [](CWnd* w_, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        ThisClass* self = static_cast<ThisClass*>(w_); (void)self; (void)wParam; (void)lParam; body }},

// Any message, private ones included: LRESULT OnXxx(WPARAM, LPARAM).
#define ON_MESSAGE(msg, fn) NV_ENTRY(msg, 0, 0, 0, return self->fn(wParam, lParam);)
#define ON_COMMAND(id, fn) NV_ENTRY(WM_COMMAND, 0, id, id, self->fn(); return 0;)
#define ON_COMMAND_RANGE(first, last, fn) \
    NV_ENTRY(WM_COMMAND, 0, first, last, self->fn(LOWORD(wParam)); return 0;)
#define ON_CONTROL(code, id, fn) NV_ENTRY(WM_COMMAND, code, id, id, self->fn(); return 0;)
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
// void OnXxx(NMHDR*, LRESULT*)
#define ON_NOTIFY(code, id, fn) \
    NV_ENTRY(WM_NOTIFY, static_cast<UINT>(code), id, id, LRESULT r_ = 0; self->fn(reinterpret_cast<NMHDR*>(lParam), &r_); return r_;)
#define ON_NOTIFY_REFLECT(code, fn) \
    NV_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0, LRESULT r_ = 0; self->fn(reinterpret_cast<NMHDR*>(lParam), &r_); return r_;)
// HBRUSH CtlColor(CDC-less: HDC, UINT ctlColorMessage) on the control itself.
#define ON_WM_CTLCOLOR_REFLECT() \
    NV_ENTRY(WM_REFLECT_BASE + WM_CTLCOLORSTATIC, 0, 0, 0, return reinterpret_cast<LRESULT>(self->CtlColor(reinterpret_cast<HDC>(wParam), WM_CTLCOLORSTATIC));) \
    NV_ENTRY(WM_REFLECT_BASE + WM_CTLCOLOREDIT, 0, 0, 0, return reinterpret_cast<LRESULT>(self->CtlColor(reinterpret_cast<HDC>(wParam), WM_CTLCOLOREDIT));) \
    NV_ENTRY(WM_REFLECT_BASE + WM_CTLCOLORBTN, 0, 0, 0, return reinterpret_cast<LRESULT>(self->CtlColor(reinterpret_cast<HDC>(wParam), WM_CTLCOLORBTN));) \
    NV_ENTRY(WM_REFLECT_BASE + WM_CTLCOLORLISTBOX, 0, 0, 0, return reinterpret_cast<LRESULT>(self->CtlColor(reinterpret_cast<HDC>(wParam), WM_CTLCOLORLISTBOX));)

// Cracked window messages.
#define ON_WM_CREATE() NV_ENTRY(WM_CREATE, 0, 0, 0, return self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));)
#define ON_WM_DESTROY() NV_ENTRY(WM_DESTROY, 0, 0, 0, self->OnDestroy(); return 0;)
#define ON_WM_CLOSE() NV_ENTRY(WM_CLOSE, 0, 0, 0, self->OnClose(); return 0;)
#define ON_WM_TIMER() NV_ENTRY(WM_TIMER, 0, 0, 0, self->OnTimer(static_cast<UINT_PTR>(wParam)); return 0;)
#define ON_WM_PAINT() NV_ENTRY(WM_PAINT, 0, 0, 0, self->OnPaint(); return 0;)
#define ON_WM_ERASEBKGND() NV_ENTRY(WM_ERASEBKGND, 0, 0, 0, return self->OnEraseBkgnd(reinterpret_cast<HDC>(wParam));)
#define ON_WM_SIZE() NV_ENTRY(WM_SIZE, 0, 0, 0, self->OnSize(static_cast<UINT>(wParam), (short)LOWORD(lParam), (short)HIWORD(lParam)); return 0;)
#define ON_WM_MOVE() NV_ENTRY(WM_MOVE, 0, 0, 0, self->OnMove((short)LOWORD(lParam), (short)HIWORD(lParam)); return 0;)
#define ON_WM_SHOWWINDOW() NV_ENTRY(WM_SHOWWINDOW, 0, 0, 0, self->OnShowWindow(wParam != 0, static_cast<UINT>(lParam)); return 0;)
#define ON_WM_ACTIVATE() NV_ENTRY(WM_ACTIVATE, 0, 0, 0, self->OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam) != 0); return 0;)
#define ON_WM_SYSCOMMAND() NV_ENTRY(WM_SYSCOMMAND, 0, 0, 0, self->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0;)
#define ON_WM_LBUTTONDOWN() NV_ENTRY(WM_LBUTTONDOWN, 0, 0, 0, self->OnLButtonDown(static_cast<UINT>(wParam), POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)}); return 0;)
#define ON_WM_LBUTTONUP() NV_ENTRY(WM_LBUTTONUP, 0, 0, 0, self->OnLButtonUp(static_cast<UINT>(wParam), POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)}); return 0;)
#define ON_WM_LBUTTONDBLCLK() NV_ENTRY(WM_LBUTTONDBLCLK, 0, 0, 0, self->OnLButtonDblClk(static_cast<UINT>(wParam), POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)}); return 0;)
#define ON_WM_RBUTTONUP() NV_ENTRY(WM_RBUTTONUP, 0, 0, 0, self->OnRButtonUp(static_cast<UINT>(wParam), POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)}); return 0;)
#define ON_WM_MOUSEMOVE() NV_ENTRY(WM_MOUSEMOVE, 0, 0, 0, self->OnMouseMove(static_cast<UINT>(wParam), POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)}); return 0;)
#define ON_WM_SETCURSOR() NV_ENTRY(WM_SETCURSOR, 0, 0, 0, return self->OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));)
#define ON_WM_CTLCOLOR() \
    NV_ENTRY(WM_CTLCOLORSTATIC, 0, 0, 0, return reinterpret_cast<LRESULT>(self->OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), WM_CTLCOLORSTATIC));) \
    NV_ENTRY(WM_CTLCOLOREDIT, 0, 0, 0, return reinterpret_cast<LRESULT>(self->OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), WM_CTLCOLOREDIT));) \
    NV_ENTRY(WM_CTLCOLORBTN, 0, 0, 0, return reinterpret_cast<LRESULT>(self->OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), WM_CTLCOLORBTN));) \
    NV_ENTRY(WM_CTLCOLORDLG, 0, 0, 0, return reinterpret_cast<LRESULT>(self->OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), WM_CTLCOLORDLG));) \
    NV_ENTRY(WM_CTLCOLORLISTBOX, 0, 0, 0, return reinterpret_cast<LRESULT>(self->OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), WM_CTLCOLORLISTBOX));)
#define ON_WM_HSCROLL() NV_ENTRY(WM_HSCROLL, 0, 0, 0, self->OnHScroll(LOWORD(wParam), (short)HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;)
#define ON_WM_VSCROLL() NV_ENTRY(WM_VSCROLL, 0, 0, 0, self->OnVScroll(LOWORD(wParam), (short)HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;)
#define ON_WM_DRAWITEM() NV_ENTRY(WM_DRAWITEM, 0, 0, 0, self->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); return TRUE;)
#define ON_WM_MEASUREITEM() NV_ENTRY(WM_MEASUREITEM, 0, 0, 0, self->OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); return TRUE;)
#define ON_WM_QUERYENDSESSION() NV_ENTRY(WM_QUERYENDSESSION, 0, 0, 0, return self->OnQueryEndSession();)
#define ON_WM_ENDSESSION() NV_ENTRY(WM_ENDSESSION, 0, 0, 0, self->OnEndSession(wParam != 0); return 0;)
#define ON_WM_NCHITTEST() NV_ENTRY(WM_NCHITTEST, 0, 0, 0, return self->OnNcHitTest(POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});)
#define ON_WM_GETMINMAXINFO() NV_ENTRY(WM_GETMINMAXINFO, 0, 0, 0, self->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;)
#define ON_WM_WINDOWPOSCHANGING() NV_ENTRY(WM_WINDOWPOSCHANGING, 0, 0, 0, self->OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam)); return 0;)
#define ON_WM_WINDOWPOSCHANGED() NV_ENTRY(WM_WINDOWPOSCHANGED, 0, 0, 0, self->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam)); return 0;)
#define ON_WM_KEYDOWN() NV_ENTRY(WM_KEYDOWN, 0, 0, 0, self->OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)
#define ON_WM_CHAR() NV_ENTRY(WM_CHAR, 0, 0, 0, self->OnChar(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)
#define ON_WM_SETFOCUS() NV_ENTRY(WM_SETFOCUS, 0, 0, 0, self->OnSetFocus(reinterpret_cast<HWND>(wParam)); return 0;)
#define ON_WM_KILLFOCUS() NV_ENTRY(WM_KILLFOCUS, 0, 0, 0, self->OnKillFocus(reinterpret_cast<HWND>(wParam)); return 0;)
#define ON_WM_CONTEXTMENU() NV_ENTRY(WM_CONTEXTMENU, 0, 0, 0, self->OnContextMenu(reinterpret_cast<HWND>(wParam), POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)}); return 0;)
#define ON_WM_INITMENUPOPUP() NV_ENTRY(WM_INITMENUPOPUP, 0, 0, 0, self->OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam) != 0); return 0;)
#define ON_WM_DROPFILES() NV_ENTRY(WM_DROPFILES, 0, 0, 0, self->OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;)
#define ON_WM_COPYDATA() NV_ENTRY(WM_COPYDATA, 0, 0, 0, return self->OnCopyData(reinterpret_cast<HWND>(wParam), reinterpret_cast<COPYDATASTRUCT*>(lParam));)
