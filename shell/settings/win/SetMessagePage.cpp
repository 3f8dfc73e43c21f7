#include "shell/settings/win/SettingsDlg.h"

#include "net/access/NetAccount.h"
#include "resources/StringIds.h"
#include "shell/settings/CommNameChange.h"
#include "shell/common/utilities/WinUtil.h"

#include "framework/win/Afx.h"
#include "shell/NameEntryDlg.h"

namespace {

// The name change's messages and neighbours through the settings host.
class CNameChangeHost : public INameChangeHost {
public:
    CNameChangeHost(ISettingsHost& host, CSettingsDlg* dialog, HWND owner)
        : m_host(host), m_dialog(dialog), m_owner(owner)
    {
    }
    bool IsLoggedIn() override { return m_host.IsLoggedIn(); }
    void EndPhoneSession() override { m_host.EndPhoneSession(); }
    void SaveAccount() override { m_host.SaveAccount(); }
    void UpdateOwnName(const CString& id, const CString& name, const CString& data, const CString& oldId) override
    {
        m_host.UpdateOwnName(id, name, data, oldId);
    }
    void RefreshNetworkInfo() override { m_dialog->RefreshNetworkInfo(); }
    void ShowMessage(unsigned textId, int number, unsigned flags) override
    {
        m_host.ShowMessage(textId, flags, m_owner, number == kNoNumber ? ISettingsHost::kNoNumber : number);
    }
    void ShowServiceText(const CString& text, unsigned flags) override { m_host.ShowText(text, flags, m_owner); }
    void LogOut() override { m_host.LogOut(); }

private:
    ISettingsHost& m_host;
    CSettingsDlg* m_dialog;
    HWND m_owner;
};

} // namespace

BEGIN_MESSAGE_MAP(CSetMessagePage, CSettingsPage)
    ON_BN_CLICKED(IDC_SET_KEEP_HISTORY, OnKeepHistory)
    ON_BN_CLICKED(IDC_SET_BROWSE, OnBrowse)
    ON_BN_CLICKED(IDC_SET_PLAY, OnPlay)
    ON_BN_CLICKED(IDC_SET_PROFILE, OnProfile)
    ON_BN_CLICKED(IDC_SET_COMM_NAME, OnCommName)
END_MESSAGE_MAP()

CSetMessagePage::CSetMessagePage(CSettingsDlg* dialog, ISettingsHost& host)
    : CSettingsPage(IDD_SET_MESSAGE, dialog, host)
{
}

BOOL CSetMessagePage::OnInitDialog()
{
    if (!MakeButton(m_browse, IDC_SET_BROWSE, "set_select.bmp") || !MakeButton(m_play, IDC_SET_PLAY, "set_sound.bmp") ||
        !MakeButton(m_profile, IDC_SET_PROFILE, "set_profile.bmp") ||
        !MakeButton(m_commName, IDC_SET_COMM_NAME, "set_communicate.bmp"))
        return FALSE;
    CSettingsPage::OnInitDialog();
    OnPageActivate();
    LimitText(IDC_SET_WAVE_FILE, 256);
    LimitText(IDC_SET_HISTORY_DAYS, 2);
    LimitText(IDC_SET_REPLY_TEXT, settingsrules::kReplyMessageBytes);
    const settingsrules::MessageValues v = settingsrules::MessageFromSettings(m_host.Settings());
    SetChecked(IDC_SET_PLAY_SOUND, v.playSound);
    SetDlgItemText(IDC_SET_WAVE_FILE, v.waveFile);
    SetChecked(IDC_SET_KEEP_HISTORY, v.keepHistory);
    SetDlgItemText(IDC_SET_HISTORY_DAYS, v.days);
    SetChecked(IDC_SET_AUTO_VOICE, v.autoPlayVoice);
    SetChecked(IDC_SET_SHOW_AT_ONCE, v.showAtOnce);
    SetChecked(IDC_SET_ASK_RECEIPTS, v.askReceipts);
    SetDlgItemText(IDC_SET_REPLY_TEXT, v.replyText);
    OnKeepHistory();
    AddTip(IDC_SET_BROWSE, IDS_SET_TIP_BROWSE);
    AddTip(IDC_SET_PLAY, IDS_SET_TIP_PLAY);

    const RECT edit = ControlRect(IDC_SET_WAVE_FILE);
    m_browse.MoveFrameSized(edit.right + 4, ControlRect(IDC_SET_PLAY_SOUND).top);
    m_play.MoveFrameSized(edit.right + 4, ControlRect(IDC_SET_WAVE_LABEL).top);
    const int y = ControlRect(IDC_SET_REPLY_TEXT).bottom + 4;
    m_profile.MoveFrameSized(7, y);
    m_commName.MoveFrameSized(170, y);
    return TRUE;
}

BOOL CSetMessagePage::OnPageActivate()
{
    const bool loggedIn = m_host.IsLoggedIn();
    m_profile.EnableButton(loggedIn);
    m_commName.EnableButton(loggedIn);
    return TRUE;
}

void CSetMessagePage::OnKeepHistory() { Enable(IDC_SET_HISTORY_DAYS, Checked(IDC_SET_KEEP_HISTORY)); }

void CSetMessagePage::OnBrowse()
{
    CString path;
    if (m_host.ChooseSoundFile(m_hWnd, &path))
        SetDlgItemText(IDC_SET_WAVE_FILE, path);
}

void CSetMessagePage::OnPlay()
{
    if (m_host.IsSoundDeviceBusy())
        return;
    CString defaultWave;
    defaultWave.LoadString(IDS_DEFAULT_WAVE);
    const CString file = GetDlgItemText(IDC_SET_WAVE_FILE);
    if (!settingsrules::PlaysDefaultSound(file, defaultWave)) {
        m_host.PlaySoundFile(file);
        return;
    }
    SetDlgItemText(IDC_SET_WAVE_FILE, defaultWave);
    m_host.PlayDefaultSound();
}

void CSetMessagePage::OnProfile() { m_host.OpenProfileEdit(); }

void CSetMessagePage::OnCommName()
{
    CNetInfo& info = m_host.NetInfo();
    CNameEntryDlg entry(this);
    entry.m_name = info.m_Comm_name;
    m_host.SetModalState(true);
    const INT_PTR answer = entry.DoModal();
    m_host.SetModalState(false);
    if (answer != IDOK)
        return;
    HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    m_commName.EnableButton(FALSE);
    CServiceForms forms(m_host.Account(), m_host.FormPoster());
    CNameChangeHost host(m_host, m_dialog, m_hWnd);
    CCommNameChange(info, forms, host).Run(entry.m_name);
    m_commName.EnableButton(TRUE);
    OnPageActivate();
    ::SetCursor(previous);
}

settingsrules::MessageValues CSetMessagePage::ReadValues() const
{
    settingsrules::MessageValues v;
    v.playSound = Checked(IDC_SET_PLAY_SOUND);
    v.waveFile = GetDlgItemText(IDC_SET_WAVE_FILE);
    v.keepHistory = Checked(IDC_SET_KEEP_HISTORY);
    v.days = GetDlgItemText(IDC_SET_HISTORY_DAYS);
    v.autoPlayVoice = Checked(IDC_SET_AUTO_VOICE);
    v.showAtOnce = Checked(IDC_SET_SHOW_AT_ONCE);
    v.askReceipts = Checked(IDC_SET_ASK_RECEIPTS);
    v.replyText = GetDlgItemText(IDC_SET_REPLY_TEXT);
    return v;
}

void CSetMessagePage::Store(bool ok)
{
    if (!ok)
        return;
    CString defaultWave, defaultReply;
    defaultWave.LoadString(IDS_DEFAULT_WAVE);
    defaultReply.LoadString(IDS_REPLY_MESSAGE_DEFAULT);
    settingsrules::StoreMessage(m_host.Settings(), ReadValues(), defaultWave, defaultReply);
}
