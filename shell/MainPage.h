// CMainPage: the main window's portal page (control 1410). The WebBrowser control takes the
// template placeholder's place; the window navigates it and asks it for its automation object
// (IPageControl), and a page's request for a new window (NewWindow2) goes to
// CMainDlg::OnNewWindow2, whose browser window becomes the new window.
#pragma once

#include "shell/MainWindowPeers.h"

#include "framework/win/WebBrowserCtrl.h"

class CMainDlg;

class CMainPage : public IPageControl, public CWebBrowserEvents {
public:
    explicit CMainPage(CMainDlg& owner) : m_owner(owner) {}

    // Puts the control in place of the owner's control with that id; false when the placeholder
    // is missing or the control can't be made.
    bool Create(UINT id);
    HWND GetSafeHwnd() const { return m_control.GetSafeHwnd(); }
    // Moves the control (client coordinates of the owner).
    void Move(const RECT& rect);
    // The sink the control calls (tests hand it events the control can't fire here).
    IDispatch* GetEventSink() const { return m_control.GetEventSink(); }

    // IPageControl
    void Navigate(const CString& address) override;
    IDispatch* GetApplication() override;

    // CWebBrowserEvents
    void OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL* cancel) override;

private:
    CMainDlg& m_owner;
    CWebBrowserCtrl m_control;
};
