// CLoginDlg: before the service login dials up, the user picks the phone-book entry to dial. The
// service's ordinary entry shows the number, its premium-rate entry a warning, the charges and the
// programme table, any other entry that the service is free; the dialog shrinks to its upper part
// when the table has nothing to show.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/DataExchange.h"
#include "framework/win/Dialog.h"
#include "framework/win/EditCtrls.h"
#include "net/ras/win/RasApi.h"
#include "resources/ids/net.h"

// The template and control ids (the sign-up program shows the same dialog from its own template).
struct LoginDlgIds {
    UINT templateId = IDD_LOGIN;
    int heading = IDC_LOGIN_HEADING, warning = IDC_LOGIN_WARNING, charges = IDC_LOGIN_CHARGES;
    int status = IDC_LOGIN_STATUS, providers = IDC_LOGIN_PROVIDER;
    int accessNumber = IDC_LOGIN_ACCESS_NUMBER, accessPoint = IDC_LOGIN_ACCESS_POINT;
    int tableLabels[7] = {IDC_LOGIN_TABLE_NAME,    IDC_LOGIN_TABLE_NUMBER, IDC_LOGIN_TABLE_PROVIDER,
                          IDC_LOGIN_TABLE_CHARGES, IDC_LOGIN_TABLE_DEST,   IDC_LOGIN_TABLE_SERVICE,
                          IDC_LOGIN_TABLE_COMPANY};
};

class CLoginDlg : public CDialog {
public:
    enum EntryKind { kServiceEntry = 0, kPremiumEntry = 1, kOtherEntry = 2 };
    // Character effects of SetRichText.
    static constexpr unsigned kBold = 1, kItalic = 2, kUnderline = 4;

    CLoginDlg(CRasApi* ras, CWnd* parent, const LoginDlgIds& ids = LoginDlgIds());
    ~CLoginDlg() override;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnProviderChange();
    HBRUSH OnCtlColor(HDC dc, HWND window, UINT kind);

    static EntryKind KindOf(const CString& entryName);
    void ShowDetails(const CString& entryName);
    void SetRichText(int id, const CString& text, int points, bool colour, unsigned effects);
    void Layout(bool full);
    bool IsFullLayout() const { return m_full; }

    // Preset by the caller, read after OK.
    CString m_entryName;
    CString m_accessNumberText;
    CString m_accessPointText;

    DECLARE_MESSAGE_MAP()

private:
    CString ServiceEntryForNumber() const;

    LoginDlgIds m_ids;
    CRasApi* m_ras;
    CString m_phoneNumber;
    CComboBox m_providers;
    BOOL m_layoutRecorded = FALSE;
    bool m_full = true;
    RECT m_dialogRect{}, m_statusRect{}, m_warningRect{};
    HBRUSH m_background = nullptr;
};
