// CPrepaidDlg: the temporary telephone-gateway account for the running session (template 779,
// "prepaid.bmp"): user id 1334, password 1336, skin buttons 1338 (OK) and 1340 (cancel). The
// phone runs it modally; it can be dragged by any point.
#pragma once

#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

class CPrepaidDlg : public CSkinFrameDialog {
public:
    explicit CPrepaidDlg(CWnd* parent);

    INT_PTR DoModal() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool LayoutSkin();

    const CString& UserId() const { return m_userId; }
    const CString& Password() const { return m_password; }

    DECLARE_MESSAGE_MAP()

protected:
    void OnOkButton() { OnOK(); }
    void OnCancelButton() { OnCancel(); }

private:
    bool RunSkinLayout();

    CSkinButton m_ok;
    CSkinButton m_cancel;
    CString m_userId;
    CString m_password;
};
