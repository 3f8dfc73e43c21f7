#include "shell/settings/win/SettingsDlg.h"

#include "resources/StringIds.h"
#include "shell/AppMessages.h"
#include "toolkit/win/MessageBoxDlg.h"
#include "toolkit/win/SkinHost.h"

#include <new>

namespace {

struct TabRow {
    int control;
    const char* bitmap;
};

// In tab order: general, messaging, format, connection, user information, calls.
const TabRow kTabs[CSettingsDlg::kTabCount] = {
    {IDC_SET_TAB_GENERAL, "set_tab.bmp"}, {IDC_SET_TAB_MESSAGE, "set_tab2.bmp"},
    {IDC_SET_TAB_FORMAT, "set_tab.bmp"},  {IDC_SET_TAB_CONNECT, "set_tab.bmp"},
    {IDC_SET_TAB_USERINFO, "set_tab2.bmp"}, {IDC_SET_TAB_CALL, "set_tab2.bmp"},
};

} // namespace

BEGIN_MESSAGE_MAP(CSettingsDlg, CTabbedDlg)
    ON_MESSAGE(WM_APP_ACCOUNT_CHANGED, OnAccountChanged)
    ON_WM_NCHITTEST()
END_MESSAGE_MAP()

CSettingsDlg::CSettingsDlg(CWnd* parent, int initialPage, ISettingsHost& host)
    : CTabbedDlg(IDD_SETTINGS, parent), m_initialPage(initialPage), m_host(host)
{
}

CSettingsDlg::~CSettingsDlg()
{
    for (CSettingsPage*& page : m_pages) {
        if (page && page->GetSafeHwnd())
            page->DestroyWindow();
        delete page;
        page = nullptr;
    }
}

BOOL CSettingsDlg::OnInitDialog()
{
    bool buttons = m_close.SetBitmap("set_cls.bmp", 4) && m_ok.SetBitmap("set_ok.bmp", 4) &&
                   m_cancel.SetBitmap("set_cancel.bmp", 4);
    for (int i = 0; buttons && i < kTabCount; ++i)
        buttons = m_tabs[i].SetBitmap(kTabs[i].bitmap, 4) != FALSE;
    if (buttons) {
        m_close.SubclassDlgItem(IDC_SET_CLOSE, this);
        m_ok.SetText(GetDlgItemText(IDOK));
        m_ok.SubclassDlgItem(IDOK, this);
        m_cancel.SetText(GetDlgItemText(IDCANCEL));
        m_cancel.SubclassDlgItem(IDCANCEL, this);
        for (int i = 0; i < kTabCount; ++i) {
            m_tabs[i].SetText(GetDlgItemText(kTabs[i].control));
            m_tabs[i].SubclassDlgItem(static_cast<UINT>(kTabs[i].control), this);
        }
    }
    if (!buttons || !LoadSkin("set.bmp", TRUE)) {
        EndDialog(2);
        return FALSE;
    }
    CTabbedDlg::OnInitDialog();

    m_pages[settingsrules::kPageGeneral] = new (std::nothrow) CSetGeneralPage(this, m_host);
    m_pages[settingsrules::kPageMessaging] = new (std::nothrow) CSetMessagePage(this, m_host);
    m_pages[settingsrules::kPageFormat] = new (std::nothrow) CSetFormatPage(this, m_host);
    m_pages[settingsrules::kPageConnection] = new (std::nothrow) CSetConnectPage(this, m_host);
    m_pages[settingsrules::kPageUserInfo] = new (std::nothrow) CSetUserInfoPage(this, m_host);
    m_pages[settingsrules::kPageCalls] = new (std::nothrow) CSetCallPage(this, m_host);
    for (CSettingsPage* page : m_pages) {
        if (!page || !AddPage(page, page->GetTemplateId(), this)) {
            EndDialog(2);
            return FALSE;
        }
    }
    Layout();
    // Every page in its place and hidden; then the one asked for.
    ShowPage(0, kPageX, kPageY, kPageWidth, kPageHeight);
    SelectPage(m_initialPage);
    return TRUE;
}

void CSettingsDlg::Layout()
{
    const int width = GetSkinWidth() + kExtraWidth;
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    SetWindowPos(nullptr, 0, 0, width, GetSkinHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT closeRect = {};
    const int anchor = toolkit::Skins().GetControlRect(IDC_SET_CLOSE, &closeRect);
    if (closeRect.right > closeRect.left) {
        // The skin's rectangle is for the skin's width; a right anchor follows the wider window.
        if (anchor > 0 && (anchor & 1))
            ::OffsetRect(&closeRect, width - GetSkinWidth(), 0);
        m_close.MoveToRect(closeRect);
    }
    else
        m_close.MoveFrameSized(GetSkinWidth() - m_close.GetFrameWidth() - 6, 3);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int okX = client.right - m_ok.GetFrameWidth() - m_cancel.GetFrameWidth() - 60;
    m_ok.MoveFrameSized(okX, kButtonsY);
    m_cancel.MoveFrameSized(okX + m_ok.GetFrameWidth() + 20, kButtonsY);
    int x = kTabsX;
    for (CSkinButton& tab : m_tabs) {
        tab.MoveFrameSized(x, kTabsY);
        x += tab.GetFrameWidth();
    }
}

void CSettingsDlg::SelectPage(int index)
{
    CTabbedDlg::SelectPage(index);
    m_selected = (index >= 0 && index < kTabCount) ? index : -1;
    for (int i = 0; i < kTabCount; ++i)
        m_tabs[i].SetPushed(i == m_selected);
}

void CSettingsDlg::EnableTabs(bool enable, int index)
{
    for (int i = 0; i < kTabCount; ++i) {
        m_tabs[i].EnableButton(enable);
        if (index < kTabCount)
            m_tabs[i].SetPushed(i == index);
    }
}

void CSettingsDlg::RefreshNetworkInfo()
{
    if (auto* page = static_cast<CSetUserInfoPage*>(m_pages[settingsrules::kPageUserInfo]))
        if (page->GetSafeHwnd())
            page->RefreshNetworkInfo();
}

LRESULT CSettingsDlg::OnAccountChanged(WPARAM, LPARAM)
{
    RefreshNetworkInfo();
    return 0;
}

LRESULT CSettingsDlg::OnNcHitTest(POINT) { return CMessageBoxDlg::DragByClientArea(Default()); }

BOOL CSettingsDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        for (int i = 0; i < kTabCount; ++i) {
            if (id == kTabs[i].control) {
                if (!m_tabs[i].IsDisabled())
                    SelectPage(i);
                return TRUE;
            }
        }
        if (id == IDC_SET_CLOSE) {
            OnCancel();
            return TRUE;
        }
    }
    return CTabbedDlg::OnCommand(wParam, lParam);
}

void CSettingsDlg::OnOK() { Finish(true); }

void CSettingsDlg::OnCancel() { Finish(false); }

void CSettingsDlg::Finish(bool ok)
{
    if (m_pendingEnd)
        return; // already ending once the check has unwound
    auto* connect = static_cast<CSetConnectPage*>(m_pages[settingsrules::kPageConnection]);
    if (connect && connect->IsChecking()) {
        // The check runs a message loop of its own below us: no page may go until it returns.
        if (m_host.ShowMessage(IDS_SET_END_CHECK, MB_YESNO | MB_ICONQUESTION, m_hWnd) != IDYES)
            return;
        m_pendingEnd = ok ? IDOK : IDCANCEL;
        connect->CancelCheck();
        return;
    }
    if (!m_pages[0]) {
        EndDialog(ok ? IDOK : IDCANCEL);
        return;
    }
    settingsrules::ISettingsPage* pages[kTabCount];
    for (int i = 0; i < kTabCount; ++i)
        pages[i] = m_pages[i];
    if (!settingsrules::CloseSettings(pages, ok))
        return;
    if (ok) {
        const CProgramSettings& settings = m_host.Settings();
        m_resultPlaySound = settings.m_waveCertify;
        m_resultWaveFile = settings.m_waveFile;
    }
    EndDialog(ok ? IDOK : IDCANCEL);
}

void CSettingsDlg::OnCheckFinished()
{
    if (!m_pendingEnd)
        return;
    const INT_PTR end = m_pendingEnd;
    m_pendingEnd = 0;
    PostMessage(WM_COMMAND, MAKEWPARAM(end, BN_CLICKED), 0);
}
