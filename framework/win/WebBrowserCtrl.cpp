#include "framework/win/WebBrowserCtrl.h"

#include <exdisp.h>

namespace {

// {8856F961-340A-11D0-A96B-00C04FD705A2}
const CLSID kWebBrowserClassId = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

// OLE is started once on the user-interface thread, the first time a control is made.
void EnsureOleStarted()
{
    static bool started = false;
    if (!started) {
        HRESULT hr = ::OleInitialize(nullptr);
        started = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
    }
}

} // namespace

const CLSID& CWebBrowserCtrl::WebBrowserClassId() { return kWebBrowserClassId; }

CWebBrowserCtrl::~CWebBrowserCtrl() { Close(); }

BOOL CWebBrowserCtrl::CreateFromPlaceholder(CWnd* parent, UINT id, CWebBrowserEvents* events)
{
    if (!parent || !parent->IsWindow())
        return FALSE;
    HWND placeholder = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    if (!placeholder)
        return FALSE;
    RECT rect;
    ::GetWindowRect(placeholder, &rect);
    ::MapWindowPoints(nullptr, parent->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    bool visible = (::GetWindowLongA(placeholder, GWL_STYLE) & WS_VISIBLE) != 0;
    HWND before = ::GetWindow(placeholder, GW_HWNDPREV);
    ::DestroyWindow(placeholder);
    if (!CreateControl(parent, id, rect, events))
        return FALSE;
    // Keep the placeholder's place in the tab order and its visibility.
    ::SetWindowPos(m_hWnd, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!visible)
        ::ShowWindow(m_hWnd, SW_HIDE);
    return TRUE;
}

BOOL CWebBrowserCtrl::CreateControl(CWnd* parent, UINT id, const RECT& rect, CWebBrowserEvents* events)
{
    Close();
    if (!parent || !parent->IsWindow())
        return FALSE;
    EnsureOleStarted();
    m_site = new COleControlSite();
    if (events)
        m_sink = new CWebBrowserEventSink(events);
    HWND control = m_site->CreateControl(kWebBrowserClassId, parent->m_hWnd, rect, m_sink, DIID_DWebBrowserEvents2);
    if (!control || !SubclassWindow(control)) {
        Close();
        return FALSE;
    }
    ::SetWindowLongPtrA(control, GWLP_ID, static_cast<LONG_PTR>(id));
    return TRUE;
}

void CWebBrowserCtrl::Close()
{
    if (m_hWnd && !::IsWindow(m_hWnd))
        Detach();
    if (m_hWnd)
        UnsubclassWindow();
    if (m_site) {
        COleControlSite* site = m_site;
        m_site = nullptr;
        site->CloseControl();
        site->Release();
    }
    if (m_sink) {
        CWebBrowserEventSink* sink = m_sink;
        m_sink = nullptr;
        sink->Detach();
        sink->Release();
    }
}

void CWebBrowserCtrl::MoveControl(const RECT& rect)
{
    if (m_site)
        m_site->SetControlRect(rect);
}

BOOL CWebBrowserCtrl::PreTranslateMessage(MSG* msg)
{
    if (m_site && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_site->TranslateControlAccelerator(msg))
        return TRUE;
    return CWebBrowser2::PreTranslateMessage(msg);
}

void CWebBrowserCtrl::PostNcDestroy()
{
    // The control's window is gone (its parent is being destroyed): let the control go too.
    Close();
}
