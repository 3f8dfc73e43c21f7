// What the browser windows and the address bar need of the rest of the program: the main
// window's services, the chat and phone windows, the login state, the service's addresses and
// the application's browser registry. The application implements it and registers it at
// start-up (shell/BrowserServices.cpp); tests register a recording double. With none registered
// every answer is "nothing there" and every request does nothing.
#pragma once

#include "shell/common/services/PartnerRef.h"
#include "framework/win/Afx.h"

class CBrowserDlg;


class IBrowserHost {
public:
    virtual ~IBrowserHost() = default;

    // The main window (0x40C goes there), or null while there is none.
    virtual HWND GetMainWindow() { return nullptr; }
    // Logged in: the logged-in flag is set and the message client exists.
    virtual bool IsLoggedIn() { return false; }
    // The main window's open-message operation.
    virtual void OpenSendWindow(const PartnerRef& partner, const char* text) { (void)partner; (void)text; }
    // The chat window (0x402 goes there) and the main window's operation that shows it.
    virtual HWND GetChatWindow() { return nullptr; }
    virtual void ShowChatWindow() {}
    // The phone window's dialling; false when there is no phone window.
    virtual bool HasPhoneWindow() { return false; }
    virtual void DialCommId(const CString& commId) { (void)commId; }
    virtual void DialNumber(const CString& number) { (void)number; }

    // A new browser window of the program (CClientApp::OpenUrlInBrowser); null when none was made.
    virtual CBrowserDlg* OpenUrlInBrowser(const CString& url, int kind) { (void)url; (void)kind; return nullptr; }
    // The main window rebuilds the application's browser (CMainDlg::ReopenBrowser).
    virtual void ReopenBrowser() {}
    // Closes a browser window opened on request and takes it out of the registry.
    virtual void CloseRegisteredWindow(CWnd* window) { (void)window; }
    // Whether the window is a live registered window of the application.
    virtual bool IsRegisteredWindow(CWnd* window) { (void)window; return false; }
    // Tray icon's window list.
    virtual void AddTrayWindow(HWND window) { (void)window; }
    virtual void RemoveTrayWindow(HWND window) { (void)window; }
    virtual void CloseOpenMenus() {}

    // The main window's address services: OpenUrl answers 0 when it left the address to the bar.
    virtual int OpenUrl(const CString& url) { (void)url; return 0; }
    virtual void SendUrlToServer(const CString& url) { (void)url; }

    // Settings: a Servers address ("SearchPage", "ProfilePage", "ChargePage", "HomePage"), the
    // user's home page, the OEM link, and the login state's credentials.
    virtual CString GetServerUrl(const char* name) { (void)name; return CString(); }
    virtual CString GetUserHomePage() { return CString(); }
    virtual CString GetOemLinkUrl() { return CString(); }
    virtual CString GetOemLinkTitle() { return CString(); }
    virtual CString GetUserId() { return CString(); }
    virtual CString GetPassword() { return CString(); }
    virtual CString GetReturnUrl() { return CString(); }
    virtual CString GetLoginId() { return CString(); }
    // The folder the program is installed in (its local pages may run page commands).
    virtual CString GetInstallFolder() { return CString(); }

    // Messages and the log: the box shows with the stop icon; the text is logged first.
    virtual void ShowStopMessage(UINT stringId) { (void)stringId; }
    virtual void LogError(const CString& text) { (void)text; }
    // The control is missing: the main window logs out and the program ends with the code; a
    // failed layout ends it without the log-out.
    virtual void LogoutAndEnd(int exitCode) { (void)exitCode; }
    virtual void EndProgram(int exitCode) { (void)exitCode; }
};

namespace browser {

void SetHost(IBrowserHost* host);
// Never null: an empty host answers while none is registered.
IBrowserHost& Host();

} // namespace browser
