#include "shell/settings/win/SettingsDlg.h"

#include "resources/StringIds.h"

#include <imm.h>

CSettingsPage::CSettingsPage(UINT templateId, CSettingsDlg* dialog, ISettingsHost& host)
    : CTabPage(templateId, dialog), m_dialog(dialog), m_host(host)
{
}

BOOL CSettingsPage::PreTranslateMessage(MSG* msg)
{
    if (m_tips.GetSafeHwnd())
        m_tips.RelayEvent(msg);
    return CTabPage::PreTranslateMessage(msg);
}

void CSettingsPage::Enable(int id, bool on)
{
    if (HWND control = GetDlgItem(id))
        ::EnableWindow(control, on ? TRUE : FALSE);
}

void CSettingsPage::AddTip(int id, UINT textId)
{
    if (!m_tips.GetSafeHwnd() && !m_tips.Create(this, TTS_ALWAYSTIP))
        return;
    HWND control = GetDlgItem(id);
    if (!control)
        return;
    if (CWnd* bound = CWnd::FromHandlePermanent(control)) {
        m_tips.AddTool(bound, textId);
        return;
    }
    CWnd tool;
    tool.Attach(control);
    m_tips.AddTool(&tool, textId);
    tool.Detach();
}

bool CSettingsPage::MakeButton(CSkinButton& button, int id, const char* bitmap)
{
    if (!button.SetBitmap(bitmap, 4))
        return false;
    button.SetText(GetDlgItemText(id));
    return button.SubclassDlgItem(static_cast<UINT>(id), this) != FALSE;
}

void CSettingsPage::ImeOff(int id)
{
    if (HWND control = GetDlgItem(id))
        ::ImmAssociateContext(control, nullptr);
}

RECT CSettingsPage::ControlRect(int id) const
{
    RECT r = {};
    if (HWND control = GetDlgItem(id)) {
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

// General.

BEGIN_MESSAGE_MAP(CSetGeneralPage, CSettingsPage)
    ON_BN_CLICKED(IDC_SET_SEND_URLS, OnSendUrls)
    ON_CBN_SELCHANGE(IDC_SET_HOME_PAGE, OnHomePageChosen)
END_MESSAGE_MAP()

CSetGeneralPage::CSetGeneralPage(CSettingsDlg* dialog, ISettingsHost& host)
    : CSettingsPage(IDD_SET_GENERAL, dialog, host)
{
}

BOOL CSetGeneralPage::OnInitDialog()
{
    CSettingsPage::OnInitDialog();
    const settingsrules::GeneralValues v = settingsrules::GeneralFromSettings(m_host.Settings());
    SetChecked(IDC_SET_SEND_URLS, v.sendUrls);
    SetChecked(IDC_SET_LOGIN_AT_START, v.loginAtStart);
    SetChecked(IDC_SET_GREETING, v.greeting);
    SetChecked(IDC_SET_NO_BALLOONS, v.noBalloons);
    SetDlgItemText(IDC_SET_QUERY_INTERVAL, v.interval);
    SetDlgItemText(IDC_SET_ERROR_LOG_DAYS, v.errorDays);
    LimitText(IDC_SET_QUERY_INTERVAL, 2);
    LimitText(IDC_SET_ERROR_LOG_DAYS, 2);
    HWND combo = GetDlgItem(IDC_SET_HOME_PAGE);
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(v.homePage.GetString()));
    CString preset;
    preset.LoadString(IDS_SET_HOME_CURRENT);
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset.GetString()));
    preset.LoadString(IDS_SET_HOME_STANDARD);
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset.GetString()));
    ::SendMessageA(combo, CB_LIMITTEXT, 512, 0);
    ::SetWindowTextA(combo, v.homePage);
    ImeOff(IDC_SET_QUERY_INTERVAL);
    OnSendUrls();
    return TRUE;
}

void CSetGeneralPage::OnSendUrls() { Enable(IDC_SET_NO_USER_LIST, !Checked(IDC_SET_SEND_URLS)); }

void CSetGeneralPage::OnHomePageChosen()
{
    HWND combo = GetDlgItem(IDC_SET_HOME_PAGE);
    const int index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index < 0)
        return;
    const int length = static_cast<int>(::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
    CString chosen;
    if (length > 0) {
        std::vector<char> text(static_cast<std::size_t>(length) + 1);
        ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        chosen = text.data();
    }
    CString current, standard;
    current.LoadString(IDS_SET_HOME_CURRENT);
    standard.LoadString(IDS_SET_HOME_STANDARD);
    CString url = chosen;
    if (chosen == current)
        url = m_host.CurrentPageUrl();
    if (chosen == standard || url.IsEmpty())
        url = m_host.RoomPage();
    int found = static_cast<int>(::SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(url.GetString())));
    if (found < 0)
        found = static_cast<int>(::SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(url.GetString())));
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    // The edit shows the URL, not the preset's caption (the list posts the caption after us).
    ::SetWindowTextA(combo, url);
}

settingsrules::GeneralValues CSetGeneralPage::ReadValues()
{
    settingsrules::GeneralValues v;
    v.sendUrls = Checked(IDC_SET_SEND_URLS);
    v.loginAtStart = Checked(IDC_SET_LOGIN_AT_START);
    v.greeting = Checked(IDC_SET_GREETING);
    v.noBalloons = Checked(IDC_SET_NO_BALLOONS);
    v.interval = GetDlgItemText(IDC_SET_QUERY_INTERVAL);
    v.errorDays = GetDlgItemText(IDC_SET_ERROR_LOG_DAYS);
    v.homePage = GetDlgItemText(IDC_SET_HOME_PAGE);
    // A preset's caption left in the box stands for its page, never for an address.
    CString current, standard;
    current.LoadString(IDS_SET_HOME_CURRENT);
    standard.LoadString(IDS_SET_HOME_STANDARD);
    if (v.homePage == current)
        v.homePage = m_host.CurrentPageUrl();
    else if (v.homePage == standard)
        v.homePage.Empty();
    return v;
}

void CSetGeneralPage::Store(bool ok)
{
    if (!ok)
        return;
    CProgramSettings& settings = m_host.Settings();
    const settingsrules::UrlSending sending = settingsrules::StoreGeneral(settings, ReadValues(), m_host.RoomPage());
    if (sending == settingsrules::UrlSending::Started)
        m_host.UrlSendingChanged(true);
    else if (sending == settingsrules::UrlSending::Off)
        m_host.UrlSendingChanged(false);
    m_host.QueryIntervalChanged(settings.m_queryInterval);
}

// Calls.

BEGIN_MESSAGE_MAP(CSetCallPage, CSettingsPage)
    ON_BN_CLICKED(IDC_SET_CALLS_ENABLED, OnEnabled)
END_MESSAGE_MAP()

CSetCallPage::CSetCallPage(CSettingsDlg* dialog, ISettingsHost& host) : CSettingsPage(IDD_SET_CALL, dialog, host) {}

BOOL CSetCallPage::OnInitDialog()
{
    CSettingsPage::OnInitDialog();
    const settingsrules::CallValues v = settingsrules::CallFromSettings(m_host.Settings());
    SetChecked(IDC_SET_CALLS_ENABLED, v.enabled);
    CString country;
    country.LoadString(IDS_SET_COUNTRY_JAPAN);
    ::SendDlgItemMessageA(m_hWnd, IDC_SET_COUNTRY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(country.GetString()));
    ::SendDlgItemMessageA(m_hWnd, IDC_SET_COUNTRY, CB_SETCURSEL, 0, 0);
    SetDlgItemText(IDC_SET_AREA_CODE, v.areaCode);
    LimitText(IDC_SET_AREA_CODE, settingsrules::kAreaCodeChars);
    SetDlgItemText(IDC_SET_VERSION, m_host.VersionText());
    ImeOff(IDC_SET_AREA_CODE);
    // The version's bottom-right corner at (411, 206).
    const RECT r = ControlRect(IDC_SET_VERSION);
    if (HWND version = GetDlgItem(IDC_SET_VERSION))
        ::MoveWindow(version, 411 - (r.right - r.left), 206 - (r.bottom - r.top), r.right - r.left, r.bottom - r.top, FALSE);
    EnableLocation(v.enabled);
    AddTip(IDC_SET_CALLS_ENABLED, IDS_SET_TIP_CALLS);
    AddTip(IDC_SET_COUNTRY, IDS_SET_TIP_COUNTRY);
    AddTip(IDC_SET_AREA_CODE, IDS_SET_TIP_AREA_CODE);
    return TRUE;
}

void CSetCallPage::EnableLocation(bool on)
{
    for (int id : {IDC_SET_LOCATION_GROUP, IDC_SET_COUNTRY_LABEL, IDC_SET_COUNTRY, IDC_SET_AREA_LABEL, IDC_SET_AREA_CODE})
        Enable(id, on);
}

void CSetCallPage::OnEnabled() { EnableLocation(Checked(IDC_SET_CALLS_ENABLED)); }

void CSetCallPage::Store(bool ok)
{
    if (!ok)
        return;
    settingsrules::CallValues v;
    v.enabled = Checked(IDC_SET_CALLS_ENABLED);
    v.areaCode = GetDlgItemText(IDC_SET_AREA_CODE);
    settingsrules::StoreCall(m_host.Settings(), v);
}
