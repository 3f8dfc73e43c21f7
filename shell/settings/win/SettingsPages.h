// The six pages of the settings dialog. Each reads its values from the settings when it is made,
// stores them through the rules of SettingsRules.h on OK, and undoes what it changed on Cancel.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/EditCtrls.h"
#include "framework/win/ToolTipCtrl.h"
#include "shell/settings/SettingsRules.h"
#include "shell/settings/win/SettingsHost.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/TabPage.h"

#include <memory>
#include <vector>

class CSettingsDlg;

// A page with tool tips and the few helpers every page uses.
class CSettingsPage : public CTabPage, public settingsrules::ISettingsPage {
public:
    CSettingsPage(UINT templateId, CSettingsDlg* dialog, ISettingsHost& host);
    BOOL PreTranslateMessage(MSG* msg) override;
    int GetToolTipCount() const { return m_tips.GetSafeHwnd() ? m_tips.GetToolCount() : 0; }

protected:
    bool Checked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void SetChecked(int id, bool on) { ::CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }
    void Enable(int id, bool on);
    void LimitText(int id, int chars) { ::SendDlgItemMessageA(m_hWnd, id, EM_LIMITTEXT, static_cast<WPARAM>(chars), 0); }
    void AddTip(int id, UINT textId);
    // A skin button of 4 frames on a control of the template, with the control's caption.
    bool MakeButton(CSkinButton& button, int id, const char* bitmap);
    void ImeOff(int id);
    RECT ControlRect(int id) const;

    CSettingsDlg* m_dialog;
    ISettingsHost& m_host;
    CToolTipCtrl m_tips;
};

class CSetGeneralPage : public CSettingsPage {
public:
    CSetGeneralPage(CSettingsDlg* dialog, ISettingsHost& host);
    BOOL OnInitDialog() override;
    void Store(bool ok) override;
    settingsrules::GeneralValues ReadValues();

    DECLARE_MESSAGE_MAP()

protected:
    void OnSendUrls();
    void OnHomePageChosen();
};

class CSetMessagePage : public CSettingsPage {
public:
    CSetMessagePage(CSettingsDlg* dialog, ISettingsHost& host);
    BOOL OnInitDialog() override;
    BOOL OnPageActivate() override;
    void Store(bool ok) override;
    settingsrules::MessageValues ReadValues() const;

    DECLARE_MESSAGE_MAP()

protected:
    void OnKeepHistory();
    void OnBrowse();
    void OnPlay();
    void OnProfile();
    void OnCommName();

    CSkinButton m_browse, m_play, m_profile, m_commName;
};

class CSetFormatPage : public CSettingsPage {
public:
    CSetFormatPage(CSettingsDlg* dialog, ISettingsHost& host);
    BOOL OnInitDialog() override;
    void Store(bool ok) override;
    void DrawSample();
    int GetSlot() const { return m_slot; }
    CRichEditCtrl& Sample() { return m_sample; }

    DECLARE_MESSAGE_MAP()

protected:
    void OnItemChosen();
    void OnFontChosen();
    void OnSizeChosen();
    void OnColor();
    void OnReset();
    void OnTimeStamps() { DrawSample(); }
    void ShowSlot();
    void FillFontList();

    CSkinButton m_color, m_reset;
    CRichEditCtrl m_sample;
    FontSlot m_backup[4];
    int m_slot = 0;
};

class CSetConnectPage : public CSettingsPage {
public:
    CSetConnectPage(CSettingsDlg* dialog, ISettingsHost& host);
    BOOL OnInitDialog() override;
    bool MayClose() override { return !m_checking; }
    void Store(bool ok) override;
    bool IsChecking() const { return m_checking; }
    // Asks the running check to stop; the page tells the dialog when it has unwound.
    void CancelCheck();
    settingsrules::ConnectValues ReadValues() const;
    bool ModemListed() const { return m_modemListed; }

    DECLARE_MESSAGE_MAP()

protected:
    void OnLan();
    void OnModem();
    void OnUdp();
    void OnTcp();
    void OnAuto();
    void OnProxy();
    void OnDetails();
    void OnCheckConnection();
    void OnProxyTextUpdate() {}
    void SetProtocol(settingsrules::Protocol protocol);
    void UpdateProxyControls();
    void FillModems(const CString& chosen);
    // The check itself: 0 success, else the code shown in message 310.
    int RunCheck();
    void SetStatus(UINT textId);

    CSkinButton m_details, m_check;
    CComboBox m_modems;
    CNetInfo::ConnectState m_backup;
    bool m_checking = false;
    bool m_modemListed = false;
    ICheckSession* m_session = nullptr;
    bool m_cancelled = false;
};

class CSetUserInfoPage : public CSettingsPage {
public:
    CSetUserInfoPage(CSettingsDlg* dialog, ISettingsHost& host);
    ~CSetUserInfoPage() override;
    BOOL OnInitDialog() override;
    bool MayClose() override { return EndCharge(); }
    void Store(bool) override {}
    // Runs on OK and Cancel: question 266 while a charge line is held; false keeps the dialog.
    bool EndCharge();
    void RefreshNetworkInfo();
    bool IsChargeShown() const { return m_chargeShown; }
    bool HoldsChargeLine() const { return m_dialer != nullptr; }

    DECLARE_MESSAGE_MAP()

protected:
    void OnCharges();
    void OnNetwork() {}
    bool ConnectForCharge();

    CSkinButton m_charges, m_network;
    CDialupDlg* m_dialer = nullptr;
    bool m_chargeShown = false;
};

class CSetCallPage : public CSettingsPage {
public:
    CSetCallPage(CSettingsDlg* dialog, ISettingsHost& host);
    BOOL OnInitDialog() override;
    void Store(bool ok) override;

    DECLARE_MESSAGE_MAP()

protected:
    void OnEnabled();
    void EnableLocation(bool on);
};
