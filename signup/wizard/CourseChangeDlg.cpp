#include "signup/wizard/CourseChangeDlg.h"

#include "shell/common/services/MessageBoxSeam.h"
#include "signup/core/SignupRules.h"

#include <wininet.h>

namespace {

const char kBrowserAppPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

CString Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// Whether the browser is installed: the default value of its App Paths entry exists.
bool BrowserInstalled()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBrowserAppPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char path[261] = {};
    DWORD size = sizeof path - 1;
    DWORD type = 0;
    const LONG status = ::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && path[0] != '\0';
}

} // namespace

CCourseChangeDlg::CCourseChangeDlg(CSignupApp& app, ISystemBrowser* browser, CWnd* parent)
    : CDialog(IDD_COURSE_CHANGE, parent), m_app(app), m_browser(browser)
{
}

CCourseChangeDlg::~CCourseChangeDlg()
{
    Unregister();
    if (m_background)
        ::DeleteObject(m_background);
}

void CCourseChangeDlg::Unregister()
{
    if (m_app.m_courseDialog == this)
        m_app.m_courseDialog = nullptr;
}

void CCourseChangeDlg::SetText(UINT id) { SetDlgItemText(IDC_CC_TEXT, Text(id)); }

BOOL CCourseChangeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_background = ::CreateSolidBrush(CSignupApp::kDialogBackground);
    SetText(IDS_CC_INTRO);
    m_app.m_courseDialog = this;
    return TRUE;
}

LRESULT CCourseChangeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The program's dialog colours: white text on its blue.
    if ((message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC) && m_background) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, CSignupApp::kDialogBackground);
        ::SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
        return reinterpret_cast<LRESULT>(m_background);
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

CString CCourseChangeDlg::ChargePageUrl(const CString& loginId, const CString& loginPassword)
{
    char url[513] = {};
    DWORD length = sizeof url;
    const CString path = signup::ChargePagePath(loginId, loginPassword);
    if (!::InternetCombineUrlA(Text(IDS_CC_CHARGE_URL), path, url, &length, ICU_NO_ENCODE))
        return CString();
    return CString(url);
}

bool CCourseChangeDlg::OpenChargePage()
{
    if (!BrowserInstalled()) {
        PresentMessageBox(m_hWnd, Text(IDS_CC_NO_BROWSER), MB_ICONHAND);
        return false;
    }
    const CString url = ChargePageUrl(m_app.m_LoginID, m_app.m_LoginPasswd);
    if (m_browser)
        m_browser->Close(); // the window of an earlier press
    if (url.IsEmpty() || !m_browser || !m_browser->Open(url)) {
        PresentMessageBox(m_hWnd, Text(IDS_CC_BROWSER_FAILED), MB_ICONHAND);
        return false;
    }
    return true;
}

void CCourseChangeDlg::OnOK()
{
    ::SetDlgItemTextA(m_hWnd, IDC_CC_QUIT, Text(IDS_CC_QUIT_LABEL));
    SetText(IDS_CC_IN_BROWSER);
    const bool opened = OpenChargePage();
    m_app.m_courseChanged = false;
    if (!opened) {
        Unregister();
        EndDialog(IDOK);
    }
}

void CCourseChangeDlg::OnCancel()
{
    if (!m_app.m_courseChanged &&
        PresentMessageBox(m_hWnd, Text(IDS_CC_ASK_QUIT), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (m_browser)
        m_browser->Close();
    Unregister();
    EndDialog(IDCANCEL);
}

BOOL CCourseChangeDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // The second button quits, as Escape and the close box do.
    if (LOWORD(wParam) == IDC_CC_QUIT && HIWORD(wParam) == BN_CLICKED) {
        OnCancel();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CCourseChangeDlg::OnConnectionInfoArrived()
{
    SetText(IDS_CC_NOTICE);
    if (HWND quit = GetDlgItem(IDC_CC_QUIT))
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(quit), TRUE);
}
