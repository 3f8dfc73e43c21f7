// CSignupApp: the sign-up program's application object (the framework's CWinApp and the account
// settings CNetInfo). Its start-up checks the single instance and the main program, loads the
// record, registers the .cni type, makes the dial-up manager, runs the wizard and cleans up. The
// hidden window "Qelo_Signup_App" takes hand-overs from a second copy.
#pragma once

#include "framework/win/WinApp.h"
#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"
#include "net/dialup/DialupDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "net/forms/win/HttpPostForm.h"
#include "shell/common/settings/NetInfo.h"
#include "signup/app/SignupRegistry.h"
#include "signup/core/SignupRecord.h"
#include "signup/core/SignupRequests.h"

#include <memory>

class CSignupApp;

// The wizard as the application runs it: modal, with a window to bring to the front, and told
// when a connection-information file has been taken over (its course-change dialog and result
// page show the news).
class ISignupWizard {
public:
    virtual ~ISignupWizard() = default;
    virtual INT_PTR Run(CSignupApp& app) = 0;
    virtual HWND Window() const = 0;
    virtual void OnConnectionInfoArrived() = 0;
};

// A window that shows the news of a connection-information file taken over while it exists:
// the course-change dialog and the result page register themselves with the application.
class ISignupNewsWindow {
public:
    virtual ~ISignupNewsWindow() = default;
    virtual void OnConnectionInfoArrived() = 0;
};

constexpr char kSignupWindowClass[] = "Qelo_Signup_App";
constexpr char kSignupMutexName[] = "VY@N_SIGNUP_RUNNING";
constexpr char kMainWindowClass[] = "Qelo_NimboVandrell";
constexpr UINT kMsgOpenFileAtom = 0x40B;
constexpr UINT kMsgComeToFront = 0x40E;

class CSignupApp : public CWinApp, public CNetInfo, public INetDialogHost {
public:
    explicit CSignupApp(ISignupWizard* wizard);
    ~CSignupApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Registry root of the framework's profile functions (see signup::ProfileRootPath).
    void SelectProfile(const char* name);
    void LoadServerUrls();
    CString GetServerUrl(const char* name) const;

    // Dial-up.
    CDialupDlg* CreateRasManager(bool report);
    bool ConnectServer(CWnd* owner);
    bool DialSignupServer(bool ask, CWnd* owner);
    bool ApplyBrowserProxy();
    void HangUp();

    // Requests (the sign-up record's form, recovery, communication ID).
    CString MakeMachineId();
    void ReadWindowsRegistration(CString* productId, CString* organisation, CString* owner);
    CSignupRequests& Requests() { return m_requests; }
    CServiceForms& Forms() { return m_forms; }
    CInternetPolicy& Policy() { return m_policy; }

    // A hand-over arrived: the atom's name is read and the atom deleted at once; the file is
    // imported after the sender has been answered.
    void OnOpenFileAtom(ATOM atom);
    void ImportHandedOverFile(const CString& path);
    void SaveNetInfoNow() { ::SaveNetInfo(*this); }

    // INetDialogHost.
    CNetInfo* GetNetInfo() override { return this; }
    void SaveNetInfo() override { SaveNetInfoNow(); }
    int ShowMessage(HWND owner, const CString& text, unsigned flags) override;
    int ShowMessageLogged(HWND owner, const CString& text, unsigned flags) override;
    void SetModalState(bool) override {}
    COLORREF GetTextColor() override { return RGB(0xFF, 0xFF, 0xFF); }
    COLORREF GetBackgroundColor() override { return kDialogBackground; }

    static constexpr COLORREF kDialogBackground = 0xFF9F55;

    SignupRecord m_record;
    CString m_moduleFolder;
    CString m_entryName;
    int m_mode = 0;
    bool m_proxyRefreshPending = true;
    bool m_courseChanged = false;
    ISignupNewsWindow* m_courseDialog = nullptr; // the open course-change dialog
    ISignupNewsWindow* m_resultPage = nullptr;   // the wizard's result page while it exists
    CString m_signupPage, m_profilePage, m_searchPage;

    HWND HiddenWindow() const { return m_hidden; }
    CDialupDlg* RasManager() const { return m_ras; }

private:
    bool CreateHiddenWindow();
    void DestroyHiddenWindow();
    static LRESULT CALLBACK SignupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    ISignupWizard* m_wizard;
    HANDLE m_mutex = nullptr;
    HWND m_hidden = nullptr;
    CDialupDlg* m_ras = nullptr;
    CRegistryProfile m_registry;
    CNetInfoAccount m_account;
    CInternetPolicy m_policy;
    CWinInetFormPoster m_poster;
    CServiceForms m_forms;
    CSignupRequests m_requests;
};
