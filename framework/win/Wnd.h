// CWnd: a window object bound to one HWND. The binding is made when the window is created
// (WM_NCCREATE for our own classes, WM_INITDIALOG for dialogs) or when an existing window is
// subclassed, and undone after WM_NCDESTROY, when PostNcDestroy runs (where self-deleting
// windows delete themselves). No exception leaves a window procedure.
//
// A window that others must find again has a kind: it is a member of the program's window
// registry from its binding to its unbinding (the framework's own WM_NCDESTROY step, before
// PostNcDestroy, or the object's death), so no window class can forget to leave.
#pragma once

#include "framework/core/WindowRegistry.h"
#include "framework/win/Afx.h"
#include "framework/win/MessageMap.h"

class CWnd : public CObject {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to hWnd, or null when hWnd has none.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Registers a window class that runs this framework's window procedure. Returns the class
    // name (registered once per name).
    static const char* RegisterWindowClass(const char* className, UINT classStyle = 0, HCURSOR cursor = nullptr,
                                           HBRUSH background = nullptr, HICON icon = nullptr);
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id);
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU idOrMenu);
    virtual BOOL DestroyWindow();

    // The program's window registry (user-interface thread only).
    static CWindowRegistry& Registry();
    // Gives the window a kind (and a name) in the registry: it joins at once when it exists,
    // else when it is created, and again whenever the object creates a new window.
    void JoinRegistry(WindowKind kind, const CString& name = CString());
    // Takes the window out of the registry while it still exists (a window that hides now and
    // is destroyed later); its object no longer joins.
    void LeaveRegistry();
    WindowKind GetRegistryKind() const { return m_registryKind; }

    // Binds an existing window (a dialog's control, say) and routes its messages through this
    // object's map first; the window's own procedure stays the default.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    BOOL Attach(HWND hWnd);
    HWND Detach();

    virtual const MessageMap* GetMessageMap() const;
    static const MessageMap* GetThisMessageMap();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled now.
    LRESULT Default();
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Looks a command or control notification up in the map; returns whether it was handled.
    virtual BOOL OnCmdMsg(UINT id, int code);
    // A message that a parent reflected back to this control; returns whether it was handled.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Return TRUE when the message was handled and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual void PostNcDestroy() {}

    // Runs PreTranslateMessage of the target window and of each of its parents in turn.
    static BOOL WalkPreTranslateTree(MSG* msg);

    // Routes one message to this object as its window procedure would (exception-safe, with
    // Default() available); for window procedures of other code that hand messages to an object.
    LRESULT CallWndProc(UINT message, WPARAM wParam, LPARAM lParam) { return DispatchSafely(message, wParam, lParam); }

    // Thin wrappers of the system's window calls.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::SendMessageA(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::PostMessageA(m_hWnd, message, wParam, lParam); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    void GetWindowText(CString& text) const;
    CString GetWindowText() const { CString s; GetWindowText(s); return s; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
    CString GetDlgItemText(int id) const;
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, width, height, repaint); }
    void MoveWindow(const RECT& r, BOOL repaint = TRUE) { MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, repaint); }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) { return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags); }
    void GetWindowRect(RECT* r) const { ::GetWindowRect(m_hWnd, r); }
    void GetClientRect(RECT* r) const { ::GetClientRect(m_hWnd, r); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }

protected:
    // Window-message handlers with the framework's default behaviour (the default procedure).
    int OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
    void OnDestroy() { Default(); }
    void OnClose() { Default(); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnPaint() { Default(); }
    BOOL OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
    void OnSize(UINT, int, int) { Default(); }
    void OnMove(int, int) { Default(); }
    void OnShowWindow(BOOL, UINT) { Default(); }
    void OnActivate(UINT, HWND, BOOL) { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    void OnLButtonDown(UINT, POINT) { Default(); }
    void OnLButtonUp(UINT, POINT) { Default(); }
    void OnLButtonDblClk(UINT, POINT) { Default(); }
    void OnRButtonUp(UINT, POINT) { Default(); }
    void OnMouseMove(UINT, POINT) { Default(); }
    BOOL OnSetCursor(HWND, UINT, UINT) { return static_cast<BOOL>(Default()); }
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
    void OnHScroll(UINT, int, HWND) { Default(); }
    void OnVScroll(UINT, int, HWND) { Default(); }
    BOOL OnQueryEndSession() { return static_cast<BOOL>(Default()); }
    void OnEndSession(BOOL) { Default(); }
    LRESULT OnNcHitTest(POINT) { return Default(); }
    void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
    void OnWindowPosChanging(WINDOWPOS*) { Default(); }
    void OnWindowPosChanged(WINDOWPOS*) { Default(); }
    void OnKeyDown(UINT, UINT, UINT) { Default(); }
    void OnChar(UINT, UINT, UINT) { Default(); }
    void OnSetFocus(HWND) { Default(); }
    void OnKillFocus(HWND) { Default(); }
    void OnContextMenu(HWND, POINT) { Default(); }

    // The framework's window procedure, shared by every bound window.
    static LRESULT CALLBACK StandardWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The procedure that was in place before this object bound the window.
    WNDPROC m_superWindowProc = nullptr;

private:
    friend class CDialog;
    void Bind(HWND hWnd);
    void Unbind();
    static const MessageMapEntry* FindEntry(const MessageMap* map, UINT message, UINT code, UINT id);
    LRESULT DispatchSafely(UINT message, WPARAM wParam, LPARAM lParam);

    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_current{0, 0, 0};
    WindowKind m_registryKind = kNoWindowKind;
    CString m_registryName;
};
