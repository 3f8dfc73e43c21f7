#include "shell/settings/win/SettingsDlg.h"

#include "net/ras/win/RasApi.h"
#include "resources/StringIds.h"
#include "shell/common/utilities/WinUtil.h"

using settingsrules::Protocol;

namespace {

const int kProxyControls[] = {IDC_SET_PROXY,      IDC_SET_PROXY_HOST, IDC_SET_PROXY_PORT,
                              IDC_SET_HOST_LABEL, IDC_SET_PORT_LABEL, IDC_SET_USER_LABEL,
                              IDC_SET_PROXY_USER, IDC_SET_PASSWORD_LABEL, IDC_SET_PROXY_PASSWORD};

} // namespace

BEGIN_MESSAGE_MAP(CSetConnectPage, CSettingsPage)
    ON_BN_CLICKED(IDC_SET_LAN_RADIO, OnLan)
    ON_BN_CLICKED(IDC_SET_MODEM_RADIO, OnModem)
    ON_BN_CLICKED(IDC_SET_UDP, OnUdp)
    ON_BN_CLICKED(IDC_SET_TCP, OnTcp)
    ON_BN_CLICKED(IDC_SET_AUTO, OnAuto)
    ON_BN_CLICKED(IDC_SET_PROXY, OnProxy)
    ON_BN_CLICKED(IDC_SET_DETAILS, OnDetails)
    ON_BN_CLICKED(IDC_SET_CHECK, OnCheckConnection)
    ON_CONTROL(EN_UPDATE, IDC_SET_PROXY_HOST, OnProxyTextUpdate)
    ON_CONTROL(EN_UPDATE, IDC_SET_PROXY_PORT, OnProxyTextUpdate)
END_MESSAGE_MAP()

CSetConnectPage::CSetConnectPage(CSettingsDlg* dialog, ISettingsHost& host)
    : CSettingsPage(IDD_SET_CONNECT, dialog, host)
{
}

BOOL CSetConnectPage::OnInitDialog()
{
    if (!MakeButton(m_details, IDC_SET_DETAILS, "set_detail.bmp") || !MakeButton(m_check, IDC_SET_CHECK, "set_connect.bmp"))
        return FALSE;
    CSettingsPage::OnInitDialog();
    const RECT combo = ControlRect(IDC_SET_MODEM);
    m_details.MoveFrameSized(combo.right + 2, combo.top);
    const RECT udp = ControlRect(IDC_SET_UDP);
    m_check.MoveFrameSized(udp.right + 2, udp.top);

    CNetInfo& info = m_host.NetInfo();
    m_backup = info.SaveConnectState();
    const settingsrules::ConnectValues v = settingsrules::ConnectFromSettings(info.GetActiveSettings(false));
    m_modems.SubclassDlgItem(IDC_SET_MODEM, this);
    FillModems(v.modem);
    if (!m_modemListed) {
        if (!v.lan)
            m_host.ShowMessage(IDS_NO_DIALUP_DEVICE, MB_OK | MB_ICONEXCLAMATION, m_hWnd);
        Enable(IDC_SET_MODEM_RADIO, false);
    }
    if (m_host.IsLoggedIn()) {
        CString text;
        text.LoadString(IDS_SET_NEXT_LOGIN);
        SetDlgItemText(IDC_SET_CONNECT_STATUS, text);
    } else if (HWND status = GetDlgItem(IDC_SET_CONNECT_STATUS)) {
        ::ShowWindow(status, SW_HIDE);
    }
    if (v.lan)
        OnLan();
    else
        OnModem();
    SetDlgItemText(IDC_SET_PROXY_HOST, v.host);
    SetDlgItemText(IDC_SET_PROXY_PORT, v.port);
    SetDlgItemText(IDC_SET_PROXY_USER, v.user);
    SetDlgItemText(IDC_SET_PROXY_PASSWORD, v.password);
    LimitText(IDC_SET_PROXY_PORT, 5);
    LimitText(IDC_SET_PROXY_HOST, 512);
    LimitText(IDC_SET_PROXY_USER, 32);
    LimitText(IDC_SET_PROXY_PASSWORD, settingsrules::kProxyPasswordBytes);
    SetChecked(IDC_SET_PROXY, v.proxy);
    SetProtocol(v.protocol);

    AddTip(IDC_SET_DETAILS, IDS_SET_TIP_DETAILS);
    AddTip(IDC_SET_CHECK, IDS_SET_TIP_CHECK);
    AddTip(IDC_SET_MODEM_RADIO, IDS_SET_TIP_CONNECT_KIND);
    AddTip(IDC_SET_LAN_RADIO, IDS_SET_TIP_CONNECT_KIND);
    AddTip(IDC_SET_MODEM, IDS_SET_TIP_MODEM);
    AddTip(IDC_SET_UDP, IDS_SET_TIP_UDP);
    AddTip(IDC_SET_TCP, IDS_SET_TIP_TCP);
    AddTip(IDC_SET_PROXY, IDS_SET_TIP_PROXY);
    AddTip(IDC_SET_PROXY_HOST, IDS_SET_TIP_PROXY_HOST);
    AddTip(IDC_SET_PROXY_PORT, IDS_SET_TIP_PROXY_PORT);
    AddTip(IDC_SET_AUTO, IDS_SET_TIP_AUTO);
    AddTip(IDC_SET_PROXY_USER, IDS_SET_TIP_PROXY_AUTH);
    AddTip(IDC_SET_PROXY_PASSWORD, IDS_SET_TIP_PROXY_AUTH);
    for (int id : kProxyControls)
        ImeOff(id);
    return TRUE;
}

void CSetConnectPage::FillModems(const CString& chosen)
{
    m_modems.ResetContent();
    CStringArray names;
    CRasApi ras;
    m_modemListed = ras.IsAvailable() && ras.GetModemNames(names) && names.GetSize() > 0;
    if (!m_modemListed) {
        CString placeholder;
        placeholder.LoadString(IDS_NO_MODEM_ITEM);
        m_modems.AddString(placeholder);
        m_modems.SetCurSel(0);
        return;
    }
    int selected = 0;
    for (int i = 0; i < names.GetSize(); ++i) {
        m_modems.AddString(names[i]);
        if (names[i] == chosen)
            selected = i;
    }
    m_modems.SetCurSel(selected);
}

void CSetConnectPage::OnLan()
{
    SetChecked(IDC_SET_LAN_RADIO, true);
    SetChecked(IDC_SET_MODEM_RADIO, false);
    Enable(IDC_SET_MODEM, false);
    m_details.EnableButton(FALSE);
}

void CSetConnectPage::OnModem()
{
    SetChecked(IDC_SET_LAN_RADIO, false);
    SetChecked(IDC_SET_MODEM_RADIO, true);
    Enable(IDC_SET_MODEM, true);
    m_details.EnableButton(TRUE);
}

void CSetConnectPage::SetProtocol(Protocol protocol)
{
    SetChecked(IDC_SET_UDP, protocol == Protocol::Udp);
    SetChecked(IDC_SET_TCP, protocol == Protocol::Tcp);
    SetChecked(IDC_SET_AUTO, protocol == Protocol::Auto);
    UpdateProxyControls();
}

void CSetConnectPage::UpdateProxyControls()
{
    const Protocol protocol = Checked(IDC_SET_AUTO) ? Protocol::Auto : Checked(IDC_SET_TCP) ? Protocol::Tcp : Protocol::Udp;
    const settingsrules::ProxyControls state = settingsrules::ProxyControlsFor(protocol, Checked(IDC_SET_PROXY));
    for (int id : kProxyControls)
        Enable(id, id == IDC_SET_PROXY ? state.checkBox : state.fields);
}

void CSetConnectPage::OnUdp() { SetProtocol(Protocol::Udp); }
void CSetConnectPage::OnTcp() { SetProtocol(Protocol::Tcp); }
void CSetConnectPage::OnAuto() { SetProtocol(Protocol::Auto); }

void CSetConnectPage::OnProxy()
{
    if (Checked(IDC_SET_PROXY) && GetDlgItemText(IDC_SET_PROXY_HOST).IsEmpty()) {
        CString host, port;
        if (m_host.ReadBrowserProxy(&host, &port)) {
            SetDlgItemText(IDC_SET_PROXY_HOST, host);
            SetDlgItemText(IDC_SET_PROXY_PORT, port);
        }
    }
    UpdateProxyControls();
}

void CSetConnectPage::OnDetails()
{
    CString modem;
    const int index = m_modems.GetCurSel();
    if (m_modemListed && index >= 0)
        m_modems.GetLBText(index, modem);
    if (!m_host.RunDialupDetails(this, &modem))
        return;
    const int found = m_modems.FindStringExact(-1, modem);
    m_modems.SetCurSel(found >= 0 ? found : 0);
}

settingsrules::ConnectValues CSetConnectPage::ReadValues() const
{
    settingsrules::ConnectValues v;
    v.lan = Checked(IDC_SET_LAN_RADIO);
    v.modem = GetDlgItemText(IDC_SET_MODEM);
    v.protocol = Checked(IDC_SET_AUTO) ? Protocol::Auto : Checked(IDC_SET_TCP) ? Protocol::Tcp : Protocol::Udp;
    v.proxy = Checked(IDC_SET_PROXY);
    v.host = GetDlgItemText(IDC_SET_PROXY_HOST);
    v.port = GetDlgItemText(IDC_SET_PROXY_PORT);
    v.user = GetDlgItemText(IDC_SET_PROXY_USER);
    v.password = GetDlgItemText(IDC_SET_PROXY_PASSWORD);
    return v;
}

void CSetConnectPage::Store(bool ok)
{
    CNetInfo& info = m_host.NetInfo();
    if (ok)
        settingsrules::StoreConnect(info, ReadValues(), m_modemListed);
    else
        info.RestoreConnectState(m_backup);
}

void CSetConnectPage::CancelCheck()
{
    m_cancelled = true;
    if (m_session)
        m_session->Cancel();
}

void CSetConnectPage::SetStatus(UINT textId)
{
    CString text;
    text.LoadString(textId);
    SetDlgItemText(IDC_SET_CONNECT_STATUS, text);
    if (HWND status = GetDlgItem(IDC_SET_CONNECT_STATUS)) {
        ::ShowWindow(status, SW_SHOW);
        ::UpdateWindow(status);
    }
}

void CSetConnectPage::OnCheckConnection()
{
    if (m_checking)
        return;
    // The check uses what the page shows (Cancel still restores the settings whole).
    Store(true);
    m_dialog->EnableTabs(false, settingsrules::kPageConnection);
    auto* userInfo = static_cast<CSetUserInfoPage*>(m_dialog->Page(settingsrules::kPageUserInfo));
    if (userInfo && !userInfo->EndCharge()) {
        m_dialog->EnableTabs(true, settingsrules::kPageConnection);
        return;
    }
    if (m_host.IsLoggedIn()) {
        if (m_host.ShowMessage(IDS_SET_CHECK_LOGOUT, MB_YESNO | MB_ICONQUESTION, m_hWnd) != IDYES) {
            m_dialog->EnableTabs(true, settingsrules::kPageConnection);
            return;
        }
        m_host.LogOut();
        winutil::PumpMessagesFor(500);
    }
    const int code = RunCheck();
    const bool ending = m_dialog->IsEnding();
    if (!ending) {
        if (code == 0 && !m_cancelled) {
            m_host.ShowMessage(IDS_SET_CHECK_DONE, MB_OK | MB_ICONINFORMATION, m_hWnd);
        } else {
            CString reason, format, text;
            if (code == 0)
                reason.LoadString(IDS_MSGBOX_CANCEL);
            else
                reason.Format("#%d", code);
            format.LoadString(IDS_SET_CHECK_FAILED);
            text.Format(format, reason.GetString());
            m_host.ShowText(text, MB_OK | MB_ICONEXCLAMATION, m_hWnd);
        }
    }
    m_cancelled = false;
    m_dialog->EnableTabs(true, settingsrules::kPageConnection);
    m_dialog->OnCheckFinished();
}

int CSetConnectPage::RunCheck()
{
    HCURSOR previousCursor = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    HWND status = GetDlgItem(IDC_SET_CONNECT_STATUS);
    const bool wasVisible = status && ::IsWindowVisible(status);
    const CString oldText = GetDlgItemText(IDC_SET_CONNECT_STATUS);
    m_checking = true;
    m_cancelled = false;
    SetStatus(IDS_SET_CHECK_STARTING);
    SetStatus(IDS_SET_CHECK_LOGIN);

    int code = -1;
    m_session = m_host.CreateCheckSession();
    if (!m_session) {
        m_host.ShowMessage(IDS_RESOURCES_SHORT, MB_OK | MB_ICONSTOP, m_hWnd);
    } else {
        const int login = m_session->Login();
        if (m_cancelled) {
            code = 0;
        } else if (login == 0 && m_session->GetLastError() == 0) {
            SetStatus(IDS_SET_CHECK_WAITING);
            if (m_session->OpenMessageClient(2)) {
                SetStatus(IDS_SET_CHECK_COMPLETE);
                code = 0;
            } else {
                code = m_cancelled ? 0 : m_session->GetLastError();
                if (code == 0 && !m_cancelled)
                    code = -1;
            }
        } else {
            code = m_session->GetLastError() ? m_session->GetLastError() : login;
            if (!m_dialog->IsEnding())
                m_host.ShowMessage(IDS_LOGIN_FAILED, MB_OK | MB_ICONEXCLAMATION, m_hWnd, code);
        }
        m_session->Logout();
        ICheckSession* session = m_session;
        m_session = nullptr;
        m_host.DeleteCheckSession(session);
    }
    SetDlgItemText(IDC_SET_CONNECT_STATUS, oldText);
    if (status)
        ::ShowWindow(status, wasVisible ? SW_SHOW : SW_HIDE);
    m_checking = false;
    ::SetCursor(previousCursor);
    return code;
}
