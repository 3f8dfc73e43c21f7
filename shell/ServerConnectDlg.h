// CServerConnectDlg: asks for the communication ID and password with which to connect to the
// server. The template's nickname field stays hidden.
#pragma once

#include "framework/win/DataExchange.h"
#include "framework/win/Dialog.h"

class CServerConnectDlg : public CDialog {
public:
    explicit CServerConnectDlg(CWnd* parent);
    ~CServerConnectDlg() override;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    static constexpr int kMaxCommIdChars = 16;
    static constexpr int kMaxPasswordChars = 8;

    // Preset by the caller, read after OK.
    CString m_commId;
    CString m_nickname;
    CString m_password;
};
