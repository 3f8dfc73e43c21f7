#include "chat_web/window/win/ChatLoginDlg.h"

#include "chat_web/window/ChatWindowCore.h"
#include "resources/ids/chat_web.h"
#include "shell/common/services/MessageBoxSeam.h"

BEGIN_MESSAGE_MAP(CChatLoginDlg, CSkinDialog)
    ON_BN_CLICKED(IDC_CHAT_LOGIN_OK, OnOkButton)
    ON_BN_CLICKED(IDC_CHAT_LOGIN_CANCEL, OnCancelButton)
END_MESSAGE_MAP()

CChatLoginDlg::CChatLoginDlg(CWnd* parent) : CSkinDialog(IDD_CHAT_LOGIN, parent) {}

bool CChatLoginDlg::IsValidNickname(const CString& nick) { return chat::IsValidNickname(nick.str()); }

void CChatLoginDlg::DoDataExchange(CDataExchange* exchange)
{
    CSkinDialog::DoDataExchange(exchange);
    DDX_Text(exchange, IDC_CHAT_LOGIN_NICKNAME, nickname);
    DDX_Text(exchange, IDC_CHAT_LOGIN_ROOMKEY, roomKey);
    DDX_Text(exchange, IDC_CHAT_LOGIN_ROOMNAME, roomName);
}

BOOL CChatLoginDlg::PlaceControls()
{
    BOOL ok = TRUE;
    for (CSkinButton* button : {&m_okButton, &m_cancelButton})
        ok = button->SetBitmap(button == &m_okButton ? "chat_login_ok.bmp" : "chat_login_cancel.bmp", 4) && ok;
    m_okButton.PlaceFromSkin(IDC_CHAT_LOGIN_OK);
    m_cancelButton.PlaceFromSkin(IDC_CHAT_LOGIN_CANCEL);
    for (UINT id : {IDC_CHAT_LOGIN_NICKNAME, IDC_CHAT_LOGIN_ROOMNAME}) {
        HWND control = GetDlgItem(static_cast<int>(id));
        RECT rect;
        if (!control) {
            ok = FALSE;
            continue;
        }
        if (toolkit::Skins().GetControlRect(id, &rect) >= 0 && !::IsRectEmpty(&rect))
            ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    return ok;
}

BOOL CChatLoginDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    BOOL subclassed = m_okButton.SubclassDlgItem(IDC_CHAT_LOGIN_OK, this) &&
                      m_cancelButton.SubclassDlgItem(IDC_CHAT_LOGIN_CANCEL, this);
    BOOL placed = PlaceControls();
    SendDlgItemMessageA(m_hWnd, IDC_CHAT_LOGIN_NICKNAME, EM_LIMITTEXT, 9, 0);
    UpdateData(FALSE);
    return subclassed && placed && HasSkin();
}

BOOL CChatLoginDlg::LayoutSkin()
{
    if (!ReloadSkin("chat_login.bmp"))
        return FALSE;
    return PlaceControls();
}

void CChatLoginDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    // A stored nickname can be longer than the edit lets anyone type: it is refused like any other.
    if (!nickname.IsEmpty() && nickname.GetLength() <= 9 && !roomName.IsEmpty() && IsValidNickname(nickname)) {
        CDialog::OnOK();
        return;
    }
    EnableWindow(FALSE);
    PresentMessageBoxId(m_hWnd, IDS_CHAT_BAD_NICKNAME, MB_OK);
    EnableWindow(TRUE);
}

void CChatLoginDlg::OnCancel() { EndDialog(IDCANCEL); }

void CChatLoginDlg::OnOkButton() { OnOK(); }

void CChatLoginDlg::OnCancelButton() { OnCancel(); }
