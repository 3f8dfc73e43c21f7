#include "shell/MainDlg.h"

#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"
#include "net/dialup/DialupDlg.h"

#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/ClientApp.h"
#include "shell/common/services/WindowKinds.h"

#include "resources/StringIds.h"

BEGIN_MESSAGE_MAP(CMainDlg, CDialog)
    ON_MESSAGE(WM_APP_COMMAND_REQUEST, OnCommandRequest)
    ON_WM_ENDSESSION()
END_MESSAGE_MAP()

CMainDlg::CMainDlg(CWnd* parent) : CDialog(IDD_MAIN_STANDIN, parent), m_pHost(parent) { JoinRegistry(kWindowMain); }

CMainDlg::~CMainDlg()
{
    CClientApp* app = GetClientApp();
    if (app && app->GetHandoverTarget() == this)
        app->SetHandoverTarget(nullptr);
}

BOOL CMainDlg::Create() { return CDialog::Create(IDD_MAIN_STANDIN, m_pHost); }

BOOL CMainDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CClientApp* app = GetClientApp();
    if (!app->GetHandoverTarget())
        app->SetHandoverTarget(this);
    // The real window shows itself a second after start, with its skin; the stand-in at once.
    ShowWindow(SW_SHOWNORMAL);
    m_ready = true;
    return TRUE;
}

void CMainDlg::PostNcDestroy() { delete this; }

void CMainDlg::OnCancel() { HideToTray(); }

LRESULT CMainDlg::OnCommandRequest(WPARAM wParam, LPARAM lParam)
{
    // A dial loop runs below this call: its dialog and this window must outlive it. Exit and
    // log-out cancel the dial and come again once the loop has returned.
    if ((wParam == kAppExit || wParam == kAppLogout) && CDialupDlg::RunningDial()) {
        CDialupDlg::RunningDial()->RequestCancel();
        PostMessage(WM_APP_COMMAND_REQUEST, wParam, lParam);
        return 0;
    }
    switch (wParam) {
    case kAppHide:
        HideToTray();
        break;
    case kAppExit:
        OnExit();
        break;
    case kAppShow:
        ShowFromTray();
        break;
    default:
        // Log-in and log-out arrive with the service session.
        break;
    }
    return 0;
}

void CMainDlg::OnEndSession(BOOL ending)
{
    Default();
    if (ending)
        OnExit();
}

void CMainDlg::HideToTray() { ShowWindow(SW_HIDE); }

void CMainDlg::ShowFromTray()
{
    ShowWindow(SW_SHOWNORMAL);
    SetForegroundWindow();
}

void CMainDlg::OnExit()
{
    CClientApp* app = GetClientApp();
    // Enter on the host, a page command and the end of the session may all ask while the
    // steps below show a message box; only the first request runs them.
    if (!app->BeginExit())
        return;
    app->SetModalState(true);
    if (IShutdownSteps* steps = app->GetShutdownSteps()) {
        steps->EndPhoneSession();
        steps->LogoutMessageService();
    }
    app->CloseRegisteredWindows();
    app->DestroyLogWindows();
    app->DestroyMemoWindows();
    if (CAppHostDlg* host = app->GetHostDlg())
        host->EndDialog(IDOK);
    DestroyWindow();
}

void CMainDlg::ImportConnectionInfo(const CString& path)
{
    SetDlgItemText(IDC_MAIN_HANDOVER, "cni:" + path);
    CClientApp* app = GetClientApp();
    CInternetPolicy policy(*app);
    CWinInetFormPoster poster(&policy);
    CNetInfoAccount account(*app, [app](const char* name) { return app->GetServerRoot(name); });
    CServiceForms forms(account, poster);
    CAccountImport import(*app, forms, this);
    app->SetModalState(true);
    import.ImportConnectionInfo(path);
    app->SetModalState(false);
}

int CMainDlg::ShowMessage(unsigned textId, unsigned flags)
{
    return GetClientApp()->MessageBoxId(textId, flags, this);
}

void CMainDlg::ShowLoggedText(const CString& text, unsigned flags)
{
    GetClientApp()->MessageBoxTextLogged(text, flags, this);
}

void CMainDlg::LogOut()
{
    PostMessage(WM_APP_COMMAND_REQUEST, kAppLogout);
}

void CMainDlg::UpdateOwnName(const CString& newCommId, const CString& newName, const CString& newData,
                             const CString& oldCommId)
{
    CClientApp* app = GetClientApp();
    app->m_ownUser.id = newCommId;
    app->m_ownUser.name = newName;
    (void)newData;
    // A home page that was the old ID's room follows the new ID.
    CString& homePage = app->Settings().m_homePage;
    if (!oldCommId.IsEmpty() && homePage == app->BuildRoomUrl(oldCommId))
        homePage = app->BuildRoomUrl(newCommId);
}

void CMainDlg::RefreshSettingsPage()
{
    // The settings dialog shows the account from NetInfo when it opens; while it is open it is
    // told to read it again.
    if (CWnd* settings = GetClientApp()->GetSettingsDlg())
        settings->PostMessage(WM_APP_ACCOUNT_CHANGED);
}

void CMainDlg::ApplySkinFile(const CString& path) { SetDlgItemText(IDC_MAIN_HANDOVER, "csz:" + path); }
