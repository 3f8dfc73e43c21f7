#include "shell/NameEntryDlg.h"

#include "net/dialup/NetDialogHost.h"

#include "resources/StringIds.h"

BEGIN_MESSAGE_MAP(CNameEntryDlg, CDialog)
    ON_EN_CHANGE(IDC_NAME_ENTRY_NAME, OnNameChange)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CNameEntryDlg::CNameEntryDlg(CWnd* parent) : CDialog(IDD_NAME_ENTRY, parent) {}

CNameEntryDlg::~CNameEntryDlg()
{
    if (m_background)
        DeleteObject(m_background);
}

void CNameEntryDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_NAME_ENTRY_NAME, m_name);
    DDV_MaxChars(dx, m_name, kMaxNameChars);
}

BOOL CNameEntryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_background = CreateSolidBrush(netui::Host().GetBackgroundColor());
    ::EnableWindow(GetDlgItem(IDOK), !m_name.IsEmpty());
    return TRUE;
}

void CNameEntryDlg::OnNameChange()
{
    // The button follows what the field holds, whatever the data exchange thinks of it.
    UpdateData(TRUE);
    ::EnableWindow(GetDlgItem(IDOK), ::GetWindowTextLengthA(GetDlgItem(IDC_NAME_ENTRY_NAME)) > 0);
}

void CNameEntryDlg::OnOK()
{
    CString question;
    question.LoadString(IDS_CONFIRM_NAME_CHANGE);
    if (netui::Host().ShowMessage(m_hWnd, question, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    CDialog::OnOK();
}

HBRUSH CNameEntryDlg::OnCtlColor(HDC dc, HWND window, UINT kind)
{
    (void)window;
    if (HBRUSH brush = netui::DialogColors(dc, kind, m_background))
        return brush;
    return reinterpret_cast<HBRUSH>(Default());
}
