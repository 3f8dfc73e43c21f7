// What the phone window and the prepaid dialog need of the rest of the program: the
// application's identity and telephone settings, the call-ID service, the sound-device lock,
// the error balloon, the main window's phone button and skin command, the browser pages and the
// banner control. The shell implements it and registers it when it makes the phone; tests
// register a recording double. Boxes go through the message-box presenter
// (shell/common/services/MessageBoxSeam.h) and the modal state through the toolkit's host.
#pragma once

#include "framework/core/CString.h"
#include "framework/win/Afx.h"

class CWnd;
class IErrorSink;

// The banner's browser control (the WebBrowser wrapper in the program; a plain child window
// where there is none).
class IPhoneBanner {
public:
    virtual ~IPhoneBanner() = default;
    virtual void Navigate(const char* url) = 0;
};

class IPhoneHost {
public:
    virtual ~IPhoneHost() = default;

    // The application's identity and the settings' telephone page.
    virtual CString OwnCommId() = 0;
    virtual CString SecondIdentity() = 0;
    virtual CString CountryCode() = 0;
    virtual CString AreaCode() = 0;
    // Connection flags: bit 0 LAN, bit 1 no telephone session.
    virtual unsigned ConnectionFlags() = 0;
    // The call-service switch's top bit: the call service is off.
    virtual bool CallServiceOff() = 0;

    // The call-ID service. Kind 0: a call ID to its communication ID; kind 1: a communication
    // ID to its call ID. Returns the form's result (0 success); *result is empty when nothing
    // was found. Runs a web request: called on the window thread only.
    virtual int SearchCallService(int kind, const char* id, CString* result) = 0;
    // Registers the user with the call service (mode 0 registers); *callId the new call ID.
    virtual int RegisterCallId(int mode, const char* argument, CString* callId) = 0;

    // The application's exclusive sound-device lock (window thread only).
    virtual bool LockSoundDevice(CWnd* owner, bool acquire) = 0;
    // The error log and balloon.
    virtual IErrorSink& Errors() = 0;

    // The main window.
    virtual bool HasMainWindow() = 0;
    virtual void BlinkPhoneButton() = 0;
    virtual void StopPhoneBlink() = 0;
    // Skin command 3584: back to the base skin.
    virtual void SwitchToBaseSkin() = 0;
    // Ends the program at once (a broken base skin).
    virtual void EndProgram(int code) = 0;

    // Pages: the call-service page (logged in with a live session and a browser window), a
    // communication ID's profile page, its owner's room.
    virtual void OpenCreditPage() = 0;
    virtual void OpenFriendPage(const char* commId) = 0;
    virtual void OpenUserRoom(const char* commId) = 0;

    // The install folder (App Paths, else the program's folder) and the Windows user name.
    virtual CString InstallFolder() = 0;
    virtual CString UserName() = 0;

    // The banner control over the window's placeholder (null: the placeholder stays) and the
    // banner page's address.
    virtual IPhoneBanner* CreateBanner(CWnd* window, UINT controlId) = 0;
    virtual CString BannerUrl() = 0;
};

namespace phone {
// The registered host; null while none is registered (the window is then not created).
void SetHost(IPhoneHost* host);
IPhoneHost* Host();
} // namespace phone
