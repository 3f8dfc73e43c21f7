#include "shell/settings/win/SettingsDlg.h"

#include "net/dialup/DialupDlg.h"
#include "resources/StringIds.h"
#include "shell/common/utilities/WinUtil.h"

BEGIN_MESSAGE_MAP(CSetUserInfoPage, CSettingsPage)
    ON_BN_CLICKED(IDC_SET_CHARGES, OnCharges)
    ON_BN_CLICKED(IDC_SET_NETWORK, OnNetwork)
END_MESSAGE_MAP()

CSetUserInfoPage::CSetUserInfoPage(CSettingsDlg* dialog, ISettingsHost& host)
    : CSettingsPage(IDD_SET_USERINFO, dialog, host)
{
}

CSetUserInfoPage::~CSetUserInfoPage() { delete m_dialer; }

BOOL CSetUserInfoPage::OnInitDialog()
{
    if (!MakeButton(m_charges, IDC_SET_CHARGES, "set_pay.bmp") || !MakeButton(m_network, IDC_SET_NETWORK, "set_network.bmp"))
        return FALSE;
    CSettingsPage::OnInitDialog();
    OnPageActivate();
    m_charges.MoveFrameSized(7, 12);
    m_network.MoveFrameSized(170, 12);
    const int labelY = 12 + m_charges.GetFrameHeight() + 6;
    if (HWND label = GetDlgItem(IDC_SET_NETWORK_LABEL)) {
        const RECT r = ControlRect(IDC_SET_NETWORK_LABEL);
        ::MoveWindow(label, 7, labelY, r.right - r.left, r.bottom - r.top, FALSE);
    }
    if (HWND info = GetDlgItem(IDC_SET_NETWORK_INFO))
        ::MoveWindow(info, 7, ControlRect(IDC_SET_NETWORK_LABEL).bottom + 2, 404, 120, FALSE);
    RefreshNetworkInfo();
    return TRUE;
}

void CSetUserInfoPage::RefreshNetworkInfo()
{
    SetDlgItemText(IDC_SET_NETWORK_INFO, m_host.AccountSummary());
    OnPageActivate();
}

void CSetUserInfoPage::OnCharges()
{
    if (m_host.NetInfo().NeedsDialup() && !ConnectForCharge())
        return;
    m_host.OpenChargePage();
    m_chargeShown = true;
}

bool CSetUserInfoPage::ConnectForCharge()
{
    m_charges.EnableButton(FALSE);
    CDialupDlg* dialer = m_host.MakeChargeDialer(this);
    auto fail = [&] {
        delete dialer;
        m_charges.EnableButton(TRUE);
        return false;
    };
    if (!dialer)
        return fail();
    const bool active = dialer->AnyActive(false);
    const bool loggedIn = m_host.IsLoggedIn();
    const settingsrules::ChargeQuestion question = settingsrules::ChargeQuestionFor(active, loggedIn);
    const int answer = question == settingsrules::ChargeQuestion::Redial
                           ? m_host.ShowMessage(IDS_SET_CHARGE_REDIAL, MB_YESNOCANCEL | MB_ICONQUESTION, m_hWnd)
                           : m_host.ShowMessage(IDS_SET_CHARGE_DIAL, MB_YESNO | MB_ICONQUESTION, m_hWnd);
    const settingsrules::ChargePlan plan = settingsrules::PlanCharge(active, loggedIn, answer);
    if (!plan.proceed)
        return fail();
    if (plan.logOut) {
        m_host.LogOut();
        OnPageActivate();
    }
    if (plan.hangUp)
        dialer->HangUpAllAndWait();
    else if (plan.settle)
        winutil::PumpMessagesFor(500);
    if (plan.dial && m_host.NetInfo().NeedsDialup()) {
        if (!dialer->ConnectForCharge())
            return fail();
        m_dialer = dialer; // held for the hang-up at the end
        return true;
    }
    delete dialer;
    m_charges.EnableButton(TRUE);
    return true;
}

bool CSetUserInfoPage::EndCharge()
{
    bool hungUp = false;
    if (m_dialer) {
        if (m_host.ShowMessage(IDS_SET_END_CHARGE, MB_YESNO | MB_ICONQUESTION, m_hWnd) != IDYES)
            return false;
        m_dialer->HangUpAllAndWait();
        delete m_dialer;
        m_dialer = nullptr;
        hungUp = true;
        m_charges.EnableButton(TRUE);
    }
    if (m_chargeShown) {
        m_host.CloseRegisteredWindows();
        m_host.EndChargePage(hungUp);
        m_chargeShown = false;
    }
    return true;
}
