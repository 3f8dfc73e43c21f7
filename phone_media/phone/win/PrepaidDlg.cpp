#include "phone_media/phone/win/PrepaidDlg.h"

#include "phone_media/phone/PhoneRules.h"
#include "resources/ids/phone_media.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "toolkit/win/SkinHost.h"

BEGIN_MESSAGE_MAP(CPrepaidDlg, CSkinFrameDialog)
    ON_COMMAND(IDC_PREPAID_OK, OnOkButton)
    ON_COMMAND(IDC_PREPAID_CANCEL, OnCancelButton)
END_MESSAGE_MAP()

CPrepaidDlg::CPrepaidDlg(CWnd* parent) : CSkinFrameDialog(IDD_PREPAID, parent) {}

INT_PTR CPrepaidDlg::DoModal()
{
    if (!LoadSkin("prepaid.bmp", FALSE))
        return -1;
    return CSkinFrameDialog::DoModal();
}

BOOL CPrepaidDlg::OnInitDialog()
{
    CSkinFrameDialog::OnInitDialog();
    m_ok.SubclassDlgItem(IDC_PREPAID_OK, this);
    m_cancel.SubclassDlgItem(IDC_PREPAID_CANCEL, this);
    if (!RunSkinLayout()) {
        EndDialog(IDCANCEL);
        return FALSE;
    }
    SetDlgItemText(IDC_PREPAID_ID, "");
    SetDlgItemText(IDC_PREPAID_PASSWD, "");
    RECT rect, work;
    GetWindowRect(&rect);
    if (::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - (rect.right - rect.left)) / 2,
                       work.top + (work.bottom - work.top - (rect.bottom - rect.top)) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER);
    return TRUE;
}

bool CPrepaidDlg::RunSkinLayout()
{
    ISkinSource& skins = toolkit::Skins();
    bool ok = m_ok.SetBitmap("prepaid_ok.bmp", 4) && m_cancel.SetBitmap("prepaid_cancel.bmp", 4);
    m_ok.SetText(nullptr);
    m_cancel.SetText(nullptr);
    for (UINT id : {IDC_PREPAID_ID, IDC_PREPAID_PASSWD, IDC_PREPAID_OK, IDC_PREPAID_CANCEL}) {
        RECT rect;
        HWND control = GetDlgItem(static_cast<int>(id));
        skins.GetControlRect(id, &rect);
        if (control && !::IsRectEmpty(&rect))
            ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    return ok;
}

bool CPrepaidDlg::LayoutSkin() { return ReloadSkin("prepaid.bmp") && RunSkinLayout(); }

void CPrepaidDlg::OnOK()
{
    CString userId = GetDlgItemText(IDC_PREPAID_ID);
    CString password = GetDlgItemText(IDC_PREPAID_PASSWD);
    if (!phone::ValidatePrepaid(userId.str(), password.str())) {
        PresentMessageBoxId(m_hWnd, IDS_PREPAID_RETRY, MB_OK);
        return;
    }
    m_userId = userId;
    m_password = password;
    EndDialog(IDOK);
}
