// CNameEntryDlg: the user types a new communication name before the settings dialog asks the
// service to change it. OK ("変更") is enabled only while the field holds text and asks once more.
#pragma once

#include "framework/win/DataExchange.h"
#include "framework/win/Dialog.h"

class CNameEntryDlg : public CDialog {
public:
    explicit CNameEntryDlg(CWnd* parent);
    ~CNameEntryDlg() override;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override { CDialog::OnCancel(); }
    void OnNameChange();
    HBRUSH OnCtlColor(HDC dc, HWND window, UINT kind);

    static constexpr int kMaxNameChars = 16;

    // Preset by the caller, read after OK.
    CString m_name;

    DECLARE_MESSAGE_MAP()

private:
    HBRUSH m_background = nullptr;
};
