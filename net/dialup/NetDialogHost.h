// What the dial-up dialogs need of the application: the account settings, message boxes (plain
// and logged), the modal state and the application's colours. The main program's application
// object registers itself; the sign-up program registers its own; tests register a recording one.
// Without a registration a plain host answers (system message boxes, the default colours).
#pragma once

#include "framework/win/Afx.h"
#include "shell/common/settings/NetInfo.h"

class INetDialogHost {
public:
    virtual ~INetDialogHost() = default;
    // The account and connection settings; null when the program has none.
    virtual CNetInfo* GetNetInfo() = 0;
    // Saves NetInfo's section (the connect dialog saves the PHS choice at once).
    virtual void SaveNetInfo() = 0;
    virtual int ShowMessage(HWND owner, const CString& text, unsigned flags) = 0;
    virtual int ShowMessageLogged(HWND owner, const CString& text, unsigned flags) = 0;
    virtual void SetModalState(bool modal) = 0;
    virtual COLORREF GetTextColor() { return RGB(0, 0, 0); }
    virtual COLORREF GetBackgroundColor() { return 0xFFDFD4; }
};

namespace netui {

void SetHost(INetDialogHost* host);
INetDialogHost& Host();
// A string-table text through the host.
int ShowMessageId(HWND owner, UINT textId, unsigned flags, bool logged = false);
// The dialogs' colours: the dialog and its static texts drawn transparent on background in the
// application's text colour. Null for other kinds, which keep the framework's colours.
HBRUSH DialogColors(HDC dc, UINT kind, HBRUSH background);

} // namespace netui

// The system's Internet dialer (InternetDial and InternetHangUp): mode 1 of the connect dialog
// dials through it. Wine's own does nothing, so tests register a double.
class IInternetDialer {
public:
    virtual ~IInternetDialer() = default;
    // Returns 0 and the connection when the entry is up; else an error (631 cancelled).
    virtual DWORD Dial(HWND owner, const char* entryName, DWORD_PTR* connection) = 0;
    virtual DWORD HangUp(DWORD_PTR connection) = 0;
};

namespace netui {

void SetDialer(IInternetDialer* dialer);
IInternetDialer& Dialer();

} // namespace netui
