// CWebBrowserCtrl: binds the WebBrowser control to a window's template. The template holds a
// placeholder control with the control's id; CreateFromPlaceholder puts the WebBrowser control
// in its place (same id, rectangle and visibility), destroys the placeholder, connects the
// window's event handlers and binds the control's window to this object. The control closes
// with this object's window or with Close.
#pragma once

#include "framework/win/OleControlSite.h"
#include "framework/win/WebBrowser2.h"
#include "framework/win/WebBrowserEvents.h"

class CWebBrowserCtrl : public CWebBrowser2 {
public:
    CWebBrowserCtrl() = default;
    ~CWebBrowserCtrl() override;

    // FALSE (and no window) when the placeholder is missing or the control can't be created.
    BOOL CreateFromPlaceholder(CWnd* parent, UINT id, CWebBrowserEvents* events);
    // Creates the control at rect in parent with the given id (no placeholder).
    BOOL CreateControl(CWnd* parent, UINT id, const RECT& rect, CWebBrowserEvents* events);
    void Close();

    // Navigates with empty flags, target, post data and headers.
    HRESULT Navigate(const char* url) { return CWebBrowser2::Navigate(url, nullptr, nullptr, nullptr, nullptr); }
    using CWebBrowser2::Navigate;

    IDispatch* GetControlDispatch() const override { return m_site ? m_site->GetControlDispatch() : nullptr; }
    // The sink the control calls: tests hand it events the control can't fire here.
    IDispatch* GetEventSink() const { return m_sink; }
    // Moves the control through its site (client coordinates of the parent).
    void MoveControl(const RECT& rect);
    BOOL PreTranslateMessage(MSG* msg) override;

    // The WebBrowser control's class id.
    static const CLSID& WebBrowserClassId();

protected:
    void PostNcDestroy() override;

private:
    COleControlSite* m_site = nullptr;
    CWebBrowserEventSink* m_sink = nullptr;
};
