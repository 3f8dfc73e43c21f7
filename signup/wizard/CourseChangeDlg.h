// CCourseChangeDlg: after a new registration, offers to change the Internet connection course on
// the charge server's page in the system browser. While it is open it is the application's
// course-change dialog: a connection-information file arriving meanwhile is the server's notice
// that the change is done, after which quitting asks nothing.
#pragma once

#include "framework/win/Dialog.h"
#include "signup/app/SignupApp.h"
#include "signup/wizard/SignWizardIds.h"
#include "signup/wizard/SystemBrowser.h"

class CCourseChangeDlg : public CDialog, public ISignupNewsWindow {
public:
    CCourseChangeDlg(CSignupApp& app, ISystemBrowser* browser, CWnd* parent);
    ~CCourseChangeDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnConnectionInfoArrived() override;

    // The charge page's full address for the account (the values encoded one by one).
    static CString ChargePageUrl(const CString& loginId, const CString& loginPassword);

private:
    bool OpenChargePage();
    void SetText(UINT id);
    void Unregister();

    CSignupApp& m_app;
    ISystemBrowser* m_browser;
    HBRUSH m_background = nullptr;
};
