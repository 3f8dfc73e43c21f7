// What the settings dialog and its pages need of the program: the settings objects, message
// boxes, the main window's log-out and URL sending, the browser and the phone window, the common
// dialogs, sounds, the charge dial-up and the service session of the connection check. The
// program implements it over its application object (shell/SettingsServices.cpp); tests give a
// recording double.
#pragma once

#include "framework/win/Afx.h"
#include "net/forms/ServiceForms.h"
#include "shell/common/settings/NetInfo.h"
#include "shell/common/settings/ProgramSettings.h"

class CDialupDlg;
class CWnd;

// A service login made for the connection check only: log in, ask for the message server's
// reply with a resend count, log out. While it waits it dispatches messages.
class ICheckSession {
public:
    virtual ~ICheckSession() = default;
    // 0 when the login went through (GetLastError then tells whether the service was content).
    virtual int Login() = 0;
    virtual int GetLastError() const = 0;
    // Whether the message server answered.
    virtual bool OpenMessageClient(int resendCount) = 0;
    virtual void Logout() = 0;
    // Asked from inside the session's waits: stop as soon as possible (the check reports code 0).
    virtual void Cancel() = 0;
};

class ISettingsHost {
public:
    virtual ~ISettingsHost() = default;

    virtual CProgramSettings& Settings() = 0;
    virtual CNetInfo& NetInfo() = 0;
    virtual IServiceAccount& Account() = 0;
    virtual IFormPoster& FormPoster() = 0;

    // A string-table text in a message box (MB_ flags); number appended as the program does when
    // not kNoNumber. Returns the button chosen.
    static constexpr int kNoNumber = -0x7FFFFFFF;
    virtual int ShowMessage(UINT textId, UINT flags, HWND owner, int number = kNoNumber) = 0;
    virtual int ShowText(const CString& text, UINT flags, HWND owner) = 0;

    virtual bool IsLoggedIn() = 0;
    // The main window logs the user out (returns once the request is on its way).
    virtual void LogOut() = 0;
    // URL sending switched on (the current page is sent now) or off.
    virtual void UrlSendingChanged(bool on) = 0;
    virtual void QueryIntervalChanged(unsigned minutes) = 0;
    // The page the browser shows now, and the user's own room page.
    virtual CString CurrentPageUrl() = 0;
    virtual CString RoomPage() = 0;
    virtual CString VersionText() = 0;
    // The text of the account summary (the user-information page).
    virtual CString AccountSummary() = 0;

    // Browser: the charge page (it stops hiding with the main window, the address bar shows), the
    // profile editor, and the end of charge information (home page unless the connection was hung
    // up; hidden unless logged in).
    virtual void OpenChargePage() = 0;
    virtual void OpenProfileEdit() = 0;
    virtual void EndChargePage(bool connectionHungUp) = 0;
    virtual void CloseRegisteredWindows() = 0;
    // Phone window: end the call session.
    virtual void EndPhoneSession() = 0;
    // Account: saved; the main window follows a new communication ID and name.
    virtual void SaveAccount() = 0;
    virtual void UpdateOwnName(const CString& newCommId, const CString& newName, const CString& newData,
                               const CString& oldCommId) = 0;

    // The connect dialog for the charge line (null after telling the user why not).
    virtual CDialupDlg* MakeChargeDialer(CWnd* parent) = 0;
    // Runs the dial-up details dialog with a modem preset; on OK *modem is the one chosen.
    virtual bool RunDialupDetails(CWnd* parent, CString* modem) = 0;
    // The browser's proxy (host and port; false when it has none).
    virtual bool ReadBrowserProxy(CString* host, CString* port) = 0;

    // The connection check's session (null: none can be made).
    virtual ICheckSession* CreateCheckSession() = 0;
    virtual void DeleteCheckSession(ICheckSession* session) = 0;

    // Common dialogs.
    virtual bool ChooseSoundFile(HWND owner, CString* path) = 0;
    virtual bool ChooseColor(HWND owner, COLORREF* colour) = 0;
    // Sounds: whether the device is taken, a file, the program's default sound.
    virtual bool IsSoundDeviceBusy() = 0;
    virtual void PlaySoundFile(const CString& path) = 0;
    virtual void PlayDefaultSound() = 0;

    virtual void SetModalState(bool modal) = 0;
};
