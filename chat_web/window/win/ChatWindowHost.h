// What the chat window and the chat login dialog need of the rest of the program on Windows:
// the application's chat fields and session (IChatApplication), the preferences, the main
// window's services, the browser window for banner pop-ups and the banner control. The shell
// implements it and registers it at start-up; tests register a recording double.
#pragma once

#include "chat_web/window/ChatRoom.h"
#include "framework/win/Afx.h"
#include "shell/common/settings/ProfileStore.h"
#include "shell/common/settings/ProgramSettings.h"

#include <oaidl.h>

class CChatEngine;
class CDialog;
class CWnd;

// The banner's browser control as the chat window uses it (CWebBrowser2 in the program).
class IChatBanner {
public:
    virtual ~IChatBanner() = default;
    // Navigates with empty flags, target, post data and headers.
    virtual void Navigate(const char* url) = 0;
    // The control's automation object, handed to a page that asks for a new window.
    virtual IDispatch* GetApplication() = 0;
};

class IChatWindowHost : public chat::IChatApplication {
public:
    // Fonts (slots Frm, Msg, Sys), the Flags word (time stamps), nickname and room preferences.
    virtual CProgramSettings& Settings() = 0;
    // The registry profile (sections "Chat" and "Location").
    virtual IProfileStore& Profile() = 0;
    virtual COLORREF GetChatColor() = 0;
    virtual void SetChatColor(COLORREF colour) = 0;
    // The application's engine pointer (null when there is none).
    virtual void SetChatEngine(CChatEngine* engine) = 0;
    // The application's current modal dialog (the chat login dialog while it runs).
    virtual CDialog* GetCurrentModalDialog() = 0;
    virtual void SetCurrentModalDialog(CDialog* dialog) = 0;
    // Whether the main window exists, and its operations.
    virtual bool HasMainWindow() = 0;
    virtual void OpenUrl(const char* url) = 0;
    // The main window's skin command 3584: back to the base skin.
    virtual void SwitchToBaseSkin() = 0;
    // Ends the program at once with an exit code (a broken base skin).
    virtual void EndProgram(int code) = 0;
    // Raises the browser window of kind 3, or opens one with an empty address; its control's
    // automation object (null when there is none).
    virtual IDispatch* OpenBannerTarget() = 0;
    // The application's browser window rectangle, when it has one.
    virtual bool GetBrowserRect(RECT* rect) = 0;
    // The banner control made over the window's placeholder; null when the program has none.
    virtual IChatBanner* CreateBanner(CWnd* window, UINT controlId) = 0;
    // The banner page's address (string 448).
    virtual CString BannerUrl() = 0;
};

namespace chat {
// The registered host; null while none is registered (the window is then not created).
void SetWindowHost(IChatWindowHost* host);
IChatWindowHost* WindowHost();
} // namespace chat
