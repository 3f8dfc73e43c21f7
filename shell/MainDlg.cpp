#include "shell/MainDlg.h"

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

LRESULT CMainDlg::OnCommandRequest(WPARAM wParam, LPARAM)
{
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
    // The connection-information import comes with the network settings; the stand-in shows
    // what it was given.
    SetDlgItemText(IDC_MAIN_HANDOVER, "cni:" + path);
}

void CMainDlg::ApplySkinFile(const CString& path) { SetDlgItemText(IDC_MAIN_HANDOVER, "csz:" + path); }
