// CChatLoginDlg: the small modal dialog between the service's room reservation and the chat
// connection: shows the nickname and the room, lets the user change the nickname. OK (1261) is
// taken only with a nickname the chat server allows; 1264, Cancel and Esc end it as a refusal.
#pragma once

#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinDialog.h"

class CChatLoginDlg : public CSkinDialog {
public:
    explicit CChatLoginDlg(CWnd* parent);

    // Re-lays the dialog after a skin change; false when a bitmap or control is missing.
    BOOL LayoutSkin();
    static bool IsValidNickname(const CString& nickname);

    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    // Leaving the dialog is a refusal: the caller returns to idle and leaves the service room.
    void OnCancel() override;

    CSkinButton m_okButton;
    CSkinButton m_cancelButton;
    CString nickname;
    CString roomKey;
    CString roomName;

    DECLARE_MESSAGE_MAP()

protected:
    void OnOkButton();
    void OnCancelButton();

private:
    BOOL PlaceControls();
};
