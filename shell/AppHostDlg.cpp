#include "shell/AppHostDlg.h"

#include "shell/AppMessages.h"
#include "shell/BrowserServices.h"
#include "shell/ClientApp.h"
#include "shell/InstanceWnd.h"
#include "shell/MainDlg.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/utilities/WinUtil.h"

#include "resources/StringIds.h"

#include <new>

namespace {

// "閉じる(&C)"
const char kCloseItem[] = "\x95\xc2\x82\xb6\x82\xe9(&C)";

CString TakeAtomText(ATOM atom, int maxChars)
{
    CString text;
    if (atom) {
        char* buffer = text.GetBufferSetLength(maxChars + 1);
        UINT got = ::GlobalGetAtomNameA(atom, buffer, maxChars + 1);
        text.ReleaseBuffer(static_cast<int>(got));
        ::GlobalDeleteAtom(atom);
    }
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CAppHostDlg, CDialog)
    ON_MESSAGE(WM_APP_OPEN_FILE, OnOpenFile)
    ON_MESSAGE(WM_APP_SHOW_URL, OnShowUrl)
    ON_MESSAGE(WM_APP_COME_TO_FRONT, OnComeToFront)
    ON_MESSAGE(WM_APP_ARRIVAL_COUNT, OnArrivalCount)
    ON_WM_ACTIVATE()
END_MESSAGE_MAP()

CAppHostDlg::CAppHostDlg() : CDialog(IDD_APP_HOST, nullptr) { JoinRegistry(kWindowHost); }

CAppHostDlg::~CAppHostDlg()
{
    delete m_pInstanceWnd;
    if (m_icon)
        ::DestroyIcon(m_icon);
}

void CAppHostDlg::FailStartup()
{
    PresentMessageBoxId(nullptr, IDS_RESOURCES_SHORT, MB_ICONSTOP | MB_OKCANCEL);
    EndDialog(IDCANCEL);
}

BOOL CAppHostDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetClientApp()->OnHostLoopStarting();
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_HIDEWINDOW);

    m_pInstanceWnd = new (std::nothrow) CInstanceWnd;
    if (!m_pInstanceWnd || !m_pInstanceWnd->Create()) {
        FailStartup();
        return FALSE;
    }
    if (!CreateMainWindow()) {
        if (IsModalLoopRunning())
            FailStartup();
        return FALSE;
    }

    m_icon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 0, 0, 0));
    if (m_icon) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
        if (menu) {
            ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
            ::DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
            ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
            ::DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
            ::AppendMenuA(menu, MF_STRING, SC_CLOSE, kCloseItem);
        }
    }
    return TRUE;
}

bool CAppHostDlg::CreateMainWindow()
{
    CMainDlg* main = new (std::nothrow) CMainDlg(this);
    if (!main)
        return false;
    if (!main->Create()) {
        // A main window whose own initialisation failed has already ended this dialog; one
        // that never got a window is still ours to delete.
        if (!main->GetSafeHwnd())
            delete main;
        return false;
    }
    return true;
}

void CAppHostDlg::OnMainWindowFailed()
{
    // Posting an exit request to the failing window would leave nobody to end this loop.
    EndDialog(IDCANCEL);
}

void CAppHostDlg::PostToMain(WPARAM command)
{
    CClientApp* app = GetClientApp();
    if (CMainDlg* main = app ? app->GetMainDlg() : nullptr)
        main->PostMessage(WM_APP_COMMAND_REQUEST, command, 0);
}

void CAppHostDlg::OnOK() { PostToMain(kAppExit); }

void CAppHostDlg::OnCancel() { PostToMain(kAppHide); }

LRESULT CAppHostDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND) {
        switch (wParam & 0xFFF0) {
        case SC_SIZE:
        case SC_MOVE:
        case SC_MAXIMIZE:
            return 0;
        case SC_CLOSE:
            PostToMain(kAppHide);
            return 0;
        default:
            break;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CAppHostDlg::OnActivate(UINT state, HWND, BOOL)
{
    Default();
    CClientApp* app = GetClientApp();
    CMainDlg* main = app ? app->GetMainDlg() : nullptr;
    if (state == WA_ACTIVE && main)
        main->SetForegroundWindow();
}

LRESULT CAppHostDlg::OnOpenFile(WPARAM wParam, LPARAM)
{
    CString path = TakeAtomText(static_cast<ATOM>(wParam), MAX_PATH);
    if (path.IsEmpty())
        return 0;
    OnComeToFront(0, 0);
    GetClientApp()->OpenHandedOverFile(path);
    return 0;
}

LRESULT CAppHostDlg::OnShowUrl(WPARAM wParam, LPARAM lParam)
{
    shellbrowser::ShowHandedOverUrl(wParam, TakeAtomText(static_cast<ATOM>(lParam), 512));
    return 0;
}

LRESULT CAppHostDlg::OnComeToFront(WPARAM, LPARAM)
{
    CClientApp* app = GetClientApp();
    if (CMainDlg* main = app ? app->GetMainDlg() : nullptr) {
        winutil::ForceForegroundWindow(main->GetSafeHwnd());
        main->PostMessage(WM_APP_COMMAND_REQUEST, kAppShow, 0);
    }
    return 0;
}

LRESULT CAppHostDlg::OnArrivalCount(WPARAM wParam, LPARAM)
{
    CClientApp* app = GetClientApp();
    return (wParam == 0 && app) ? static_cast<LRESULT>(app->m_arrivals.size()) : 0;
}
