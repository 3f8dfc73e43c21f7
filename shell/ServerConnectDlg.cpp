#include "shell/ServerConnectDlg.h"

#include "shell/common/services/MessageBoxSeam.h"

#include "resources/StringIds.h"

CServerConnectDlg::CServerConnectDlg(CWnd* parent) : CDialog(IDD_SERVER_CONNECT, parent) {}

CServerConnectDlg::~CServerConnectDlg() = default;

void CServerConnectDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_CONNECT_COMM_ID, m_commId);
    DDX_Text(dx, IDC_CONNECT_NICKNAME, m_nickname);
    DDX_Text(dx, IDC_CONNECT_PASSWORD, m_password);
}

BOOL CServerConnectDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The limits stop typing; a preset text longer than them stays and is refused by OK.
    ::SendDlgItemMessageA(m_hWnd, IDC_CONNECT_COMM_ID, EM_LIMITTEXT, kMaxCommIdChars, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_CONNECT_NICKNAME, EM_LIMITTEXT, kMaxCommIdChars, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_CONNECT_PASSWORD, EM_LIMITTEXT, kMaxPasswordChars, 0);
    ::ShowWindow(GetDlgItem(IDC_CONNECT_NICKNAME), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_CONNECT_NICKNAME_LABEL), SW_HIDE);
    return TRUE;
}

void CServerConnectDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_commId.GetLength() < 1 || m_commId.GetLength() > kMaxCommIdChars) {
        PresentMessageBoxId(m_hWnd, IDS_COMM_ID_LENGTH, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (m_password.GetLength() > kMaxPasswordChars) {
        PresentMessageBoxId(m_hWnd, IDS_PASSWORD_LENGTH, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EndDialog(IDOK);
}
