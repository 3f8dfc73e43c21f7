// The program's side of the error log and the two character (balloon) windows: the host dialog
// as parent, the profile, the ErrorLogDate setting, the message store's log folder, the account
// values, the Servers section's hosts, pages, downloads and the friend list. The main window
// creates the windows through the functions below.
#pragma once

#include "shell/notify/ErrorLogDlg.h"
#include "shell/notify/VyrnMessageDlg.h"

class CClientApp;

class CNotifyWindowServices : public IErrorLogHost, public IBalloonHost {
public:
    explicit CNotifyWindowServices(CClientApp& app) : m_app(app) {}

    // IErrorLogHost (GetParentWindow, GetProfile and Now serve both)
    CWnd* GetParentWindow() override;
    IProfileStore& GetProfile() override;
    long long GetKeepDays() override;
    CString GetLogFolder() override;
    std::time_t Now() override;

    // IBalloonHost
    bool FeatureTextsOff() override;
    bool IsLoggedIn() override;
    balloon::AccountValues GetAccount() override;
    std::vector<CString> GetServiceHosts() override;
    void OpenUrl(const CString& url) override;
    void NavigatePost(const CString& url, const CString& form) override;
    bool HttpGet(const CString& url, CString& text) override;
    int GetFriendEntryCount() override;
    CVyrnMessageDlg* GetErrorBalloon() override;
    void OnSkinMissing(const CString& text) override;

private:
    CClientApp& m_app;
};

// The error log window (hidden until asked for); null when it could not be made.
CErrorLogDlg* CreateErrorLogWindow(CWnd* parent);
// The normal (errorKind false) or error character window; null when it could not be made.
CVyrnMessageDlg* CreateBalloonWindow(CWnd* parent, bool errorKind);
// The normal character window's event: a log-in greeting (1, 10, 11, 12) or a feature the user
// used (30, 31, 41, 60, 70, 80, 90, 110, 120, 130, 140); other numbers do nothing.
void ShowBalloonFeatureEvent(CVyrnMessageDlg& balloon, int event);
