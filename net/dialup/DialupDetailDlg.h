// CDialupDetailDlg: how the program dials — the modem, tone or pulse, the outside-line prefix and
// which of the account's access points (with dial characters around its number). OK writes the
// choices into the active connection settings; Cancel changes nothing.
#pragma once

#include "framework/win/DataExchange.h"
#include "framework/win/Dialog.h"
#include "framework/win/EditCtrls.h"
#include "framework/win/ToolTipCtrl.h"
#include "resources/ids/net.h"
#include "shell/common/settings/NetInfo.h"

class CDialupDetailDlg : public CDialog {
public:
    explicit CDialupDetailDlg(CWnd* parent, UINT templateId = IDD_DIALUP_DETAIL);
    ~CDialupDetailDlg() override;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    void OnAccessPointSelected();
    void OnAccessPointTyped();
    void OnOutsideLineChanged();
    void OnTone();
    void OnPulse();
    HBRUSH OnCtlColor(HDC dc, HWND window, UINT kind);

    // -1 take it from the settings, 1 pulse, other tone.
    int m_dialModeChoice = -1;
    // Empty: the settings' modem.
    CString m_presetModem;

    DECLARE_MESSAGE_MAP()

private:
    bool FillModemList();
    bool FillAccessPoints();
    void DisableDialControls();
    void RefreshNumber();
    // The chosen access point's number alone (the account's, by the chosen slot).
    CString ChosenNumber() const;
    CString AccountNumber(int slot) const;

    CNetInfo* m_info;
    NetConnectSettings m_settings;
    int m_enabled = 1;
    int m_chosen = 0;          // combo index of the chosen access point
    int m_slotOfItem[3] = {0, 1, 2};
    bool m_modemsListed = false;
    bool m_dialup = false;
    CComboBox m_outsideCombo, m_accessCombo, m_modemCombo;
    CString m_accessText, m_numberText, m_modemName, m_outsideText;
    int m_pulse = 0, m_tone = 0;
    CToolTipCtrl m_tips;
    CString m_shown[3], m_listValue;
    HBRUSH m_background = nullptr;
};
