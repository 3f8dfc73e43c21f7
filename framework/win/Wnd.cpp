#include "framework/win/Wnd.h"

#include "framework/core/Failure.h"
#include "framework/win/Menu.h"

#include <exception>

namespace {

// The window property that holds the bound object.
const char kObjectProperty[] = "NvFrameworkWnd";

bool IsReflectable(UINT message)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return true;
    default:
        return false;
    }
}

// The control a reflectable message came from, or null.
HWND SourceControl(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return lParam ? reinterpret_cast<NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM:
        // A menu item's hwndItem is its menu, no window.
        if (!lParam || reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU)
            return nullptr;
        return reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_MEASUREITEM:
        // Menus have no window; controls are found by their id.
        return wParam ? ::GetDlgItem(parent, static_cast<int>(wParam)) : nullptr;
    default:
        return nullptr;
    }
}

void ReportEscapedException(const char* what)
{
    nv::ReportFailure("window procedure", what);
}

} // namespace

CWnd::~CWnd()
{
    // An object that dies before its window must not leave the window pointing at it.
    if (m_hWnd) {
        HWND hWnd = m_hWnd;
        if (m_superWindowProc && ::IsWindow(hWnd))
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superWindowProc));
        Unbind();
        ::DestroyWindow(hWnd);
    }
}

const MessageMap* CWnd::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = {{0, 0, 0, 0, nullptr}};
    static const MessageMap map = {nullptr, entries};
    return &map;
}

const MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    // Any process can read a window's properties: a window of another program of ours carries a
    // pointer that means nothing here (walking the desktop's windows meets such windows).
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hWnd, &owner);
    if (owner != ::GetCurrentProcessId())
        return nullptr;
    return static_cast<CWnd*>(::GetPropA(hWnd, kObjectProperty));
}

void CWnd::Bind(HWND hWnd)
{
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kObjectProperty, this);
    if (m_registryKind != kNoWindowKind)
        Registry().Join(m_registryKind, this, m_registryName);
}

void CWnd::Unbind()
{
    // Every way a window and its object part comes through here, before PostNcDestroy.
    if (m_registryKind != kNoWindowKind)
        Registry().Leave(this);
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::RemovePropA(m_hWnd, kObjectProperty);
    m_hWnd = nullptr;
    m_superWindowProc = nullptr;
}

CWindowRegistry& CWnd::Registry()
{
    // Never destroyed: windows of static objects may still leave it while the program ends.
    static CWindowRegistry* registry = new CWindowRegistry;
    return *registry;
}

void CWnd::JoinRegistry(WindowKind kind, const CString& name)
{
    m_registryKind = kind;
    m_registryName = name;
    if (kind == kNoWindowKind)
        Registry().Leave(this);
    else if (m_hWnd)
        Registry().Join(kind, this, name);
}

void CWnd::LeaveRegistry() { JoinRegistry(kNoWindowKind); }

const char* CWnd::RegisterWindowClass(const char* className, UINT classStyle, HCURSOR cursor, HBRUSH background,
                                      HICON icon)
{
    WNDCLASSA existing;
    if (::GetClassInfoA(AfxGetInstanceHandle(), className, &existing))
        return className;
    WNDCLASSA wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::StandardWindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = className;
    return ::RegisterClassA(&wc) ? className : nullptr;
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU idOrMenu)
{
    if (m_hWnd || !className)
        return FALSE;
    WNDCLASSA wc;
    if (!::GetClassInfoA(AfxGetInstanceHandle(), className, &wc) && !::GetClassInfoA(nullptr, className, &wc))
        return FALSE;
    HWND hWnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, idOrMenu,
                                  AfxGetInstanceHandle(), this);
    if (!hWnd) {
        Unbind();
        return FALSE;
    }
    // A system class (a control) never sees our WM_NCCREATE: bind it now.
    if (!m_hWnd)
        SubclassWindow(hWnd);
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (m_hWnd || !hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    Bind(hWnd);
    WNDPROC old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWindowProc)));
    if (old != &CWnd::StandardWindowProc)
        m_superWindowProc = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!parent)
        return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd && m_superWindowProc)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superWindowProc));
    Unbind();
    return hWnd;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (m_hWnd || !hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    Bind(hWnd);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    Unbind();
    return hWnd;
}

LRESULT CALLBACK CWnd::StandardWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd && message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        wnd = static_cast<CWnd*>(create->lpCreateParams);
        if (wnd && !wnd->m_hWnd)
            wnd->Bind(hWnd);
        else
            wnd = nullptr;
    }
    if (!wnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);

    LRESULT result = wnd->DispatchSafely(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: undo the binding, then let the object go (it may delete itself).
        WNDPROC super = wnd->m_superWindowProc;
        if (super)
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        wnd->Unbind();
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::DispatchSafely(UINT message, WPARAM wParam, LPARAM lParam)
{
    CurrentMessage saved = m_current;
    m_current = {message, wParam, lParam};
    LRESULT result = 0;
    try {
        result = WindowProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        ReportEscapedException(e.what());
    } catch (...) {
        ReportEscapedException("unknown exception");
    }
    m_current = saved;
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_superWindowProc)
        return ::CallWindowProcA(m_superWindowProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

const MessageMapEntry* CWnd::FindEntry(const MessageMap* map, UINT message, UINT code, UINT id)
{
    for (; map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->call; ++e) {
            if (e->message != message)
                continue;
            if (message == WM_COMMAND || message == WM_NOTIFY) {
                if (e->code == code && id >= e->idFirst && id <= e->idLast)
                    return e;
            } else if (message == WM_REFLECT_BASE + WM_NOTIFY || message == WM_REFLECT_BASE + WM_COMMAND) {
                if (e->code == code)
                    return e;
            } else {
                return e;
            }
        }
    }
    return nullptr;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam);
    if (message == WM_NOTIFY)
        return OnNotify(wParam, lParam, result);

    // Owner-drawn menu items are drawn by their menu object, whatever the window draws itself.
    if ((message == WM_DRAWITEM || message == WM_MEASUREITEM) && CMenu::RouteOwnerDraw(message, lParam)) {
        *result = TRUE;
        return TRUE;
    }
    const MessageMapEntry* entry = FindEntry(GetMessageMap(), message, 0, 0);
    if (entry) {
        *result = entry->call(this, wParam, lParam);
        return TRUE;
    }
    // Drawing and colour messages that the parent does not handle go back to the control.
    if (IsReflectable(message)) {
        CWnd* child = FromHandlePermanent(SourceControl(m_hWnd, message, wParam, lParam));
        if (child && child != this && child->OnChildNotify(message, wParam, lParam, result))
            return TRUE;
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    int code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control) {
        // Let a bound control handle its own notification first when it wants to.
        CWnd* child = FromHandlePermanent(control);
        LRESULT ignored = 0;
        if (child && child != this && child->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored))
            return TRUE;
    } else if (code != 0 && code != 1) {
        return FALSE;
    }
    // Menu commands and accelerators arrive with codes 0 and 1 and map as plain commands.
    return OnCmdMsg(id, control ? code : 0);
}

BOOL CWnd::OnCmdMsg(UINT id, int code)
{
    const MessageMapEntry* entry = FindEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(code), id);
    if (!entry)
        return FALSE;
    entry->call(this, MAKEWPARAM(id, code), 0);
    return TRUE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header)
        return FALSE;
    // As with commands, the control that sent the notice may take it first.
    CWnd* child = FromHandlePermanent(header->hwndFrom);
    if (child && child != this && child->OnChildNotify(WM_NOTIFY, header->idFrom, lParam, result))
        return TRUE;
    const MessageMapEntry* entry =
        FindEntry(GetMessageMap(), WM_NOTIFY, header->code, static_cast<UINT>(header->idFrom));
    if (!entry)
        return FALSE;
    *result = entry->call(this, header->idFrom, lParam);
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    UINT code = 0;
    if (message == WM_NOTIFY)
        code = reinterpret_cast<NMHDR*>(lParam)->code;
    else if (message == WM_COMMAND)
        code = HIWORD(wParam);
    const MessageMapEntry* entry = FindEntry(GetMessageMap(), WM_REFLECT_BASE + message, code, 0);
    if (!entry)
        return FALSE;
    *result = entry->call(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(MSG* msg)
{
    for (HWND hWnd = msg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* wnd = FromHandlePermanent(hWnd);
        if (wnd && wnd->PreTranslateMessage(msg))
            return TRUE;
    }
    return FALSE;
}

void CWnd::GetWindowText(CString& text) const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    char* buffer = text.GetBufferSetLength(length + 1);
    ::GetWindowTextA(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer();
}

CString CWnd::GetDlgItemText(int id) const
{
    CString text;
    HWND item = GetDlgItem(id);
    if (item) {
        int length = ::GetWindowTextLengthA(item);
        char* buffer = text.GetBufferSetLength(length + 1);
        ::GetWindowTextA(item, buffer, length + 1);
        text.ReleaseBuffer();
    }
    return text;
}
