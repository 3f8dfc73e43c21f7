#include "net/dialup/DialupDetailDlg.h"

#include "net/dialup/NetDialogHost.h"
#include "net/ras/DialupRules.h"
#include "net/ras/win/RasApi.h"
#include "resources/ids/shell.h"

namespace {

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

const int kDialControls[] = {IDC_DETAIL_MODEM,          IDC_DETAIL_TONE,         IDC_DETAIL_PULSE,
                             IDC_DETAIL_OUTSIDE_LINE,   IDC_DETAIL_ACCESS_POINT, IDC_DETAIL_NUMBER};
const char* const kOutsideLines[] = {"0,", "9,", "8,"};

} // namespace

BEGIN_MESSAGE_MAP(CDialupDetailDlg, CDialog)
    ON_CBN_SELCHANGE(IDC_DETAIL_ACCESS_POINT, OnAccessPointSelected)
    ON_CONTROL(CBN_EDITCHANGE, IDC_DETAIL_ACCESS_POINT, OnAccessPointTyped)
    ON_CONTROL(CBN_EDITCHANGE, IDC_DETAIL_OUTSIDE_LINE, OnOutsideLineChanged)
    ON_CBN_SELCHANGE(IDC_DETAIL_OUTSIDE_LINE, OnOutsideLineChanged)
    ON_BN_CLICKED(IDC_DETAIL_TONE, OnTone)
    ON_BN_CLICKED(IDC_DETAIL_PULSE, OnPulse)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CDialupDetailDlg::CDialupDetailDlg(CWnd* parent, UINT templateId)
    : CDialog(templateId, parent), m_info(netui::Host().GetNetInfo())
{
    // Premium-rate access: the slots start from the access-point list's entries.
    if (m_info && ras::IsPremiumRateNumber(m_info->m_PhoneNumber))
        m_info->LoadAccessPointList(LoadText(IDS_ACCESS_POINT_ENTRY), &m_shown[0], &m_listValue, &m_shown[1],
                                    &m_shown[2]);
}

CDialupDetailDlg::~CDialupDetailDlg()
{
    if (m_background)
        DeleteObject(m_background);
}

void CDialupDetailDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_DETAIL_OUTSIDE_LINE, m_outsideCombo);
    DDX_Control(dx, IDC_DETAIL_ACCESS_POINT, m_accessCombo);
    DDX_Control(dx, IDC_DETAIL_MODEM, m_modemCombo);
    DDX_CBString(dx, IDC_DETAIL_ACCESS_POINT, m_accessText);
    DDV_MaxChars(dx, m_accessText, 128);
    DDX_Text(dx, IDC_DETAIL_NUMBER, m_numberText);
    DDV_MaxChars(dx, m_numberText, 128);
    DDX_CBString(dx, IDC_DETAIL_MODEM, m_modemName);
    DDX_CBString(dx, IDC_DETAIL_OUTSIDE_LINE, m_outsideText);
    DDV_MaxChars(dx, m_outsideText, 10);
    DDX_Check(dx, IDC_DETAIL_PULSE, m_pulse);
    DDX_Check(dx, IDC_DETAIL_TONE, m_tone);
}

CString CDialupDetailDlg::AccountNumber(int slot) const
{
    if (!m_info)
        return CString();
    return slot == 0 ? m_info->m_PhoneNumber : slot == 1 ? m_info->m_PhoneNumber2 : m_info->m_PhoneNumber3;
}

CString CDialupDetailDlg::ChosenNumber() const
{
    CString number = AccountNumber(m_slotOfItem[m_chosen]);
    if (number.IsEmpty() && m_slotOfItem[m_chosen] == 0)
        number = LoadText(IDS_PREFIX_NUMBER_PATTERN);
    return number;
}

void CDialupDetailDlg::DisableDialControls()
{
    for (int id : kDialControls)
        ::EnableWindow(GetDlgItem(id), FALSE);
    m_enabled = 0;
}

bool CDialupDetailDlg::FillModemList()
{
    m_modemCombo.ResetContent();
    CRasApi ras;
    CStringArray names;
    const bool library = m_info && (m_info->m_state & CNetInfo::kDialupLibraryPresent) && ras.IsAvailable();
    if (!library || ras.CountModems() < 1 || !ras.GetModemNames(names) || names.GetSize() == 0) {
        m_modemCombo.SetCurSel(m_modemCombo.AddString(LoadText(IDS_NO_MODEM_ITEM)));
        return false;
    }
    const CString wanted = m_presetModem.IsEmpty() ? m_settings.modemName : m_presetModem;
    int selected = 0;
    for (int i = 0; i < names.GetSize(); ++i) {
        const int index = m_modemCombo.AddString(names[i]);
        if (names[i] == wanted)
            selected = index;
    }
    m_modemCombo.SetCurSel(selected);
    return true;
}

bool CDialupDetailDlg::FillAccessPoints()
{
    m_accessCombo.ResetContent();
    int items = 0;
    for (int slot = 0; slot < 3; ++slot) {
        const CString number = AccountNumber(slot);
        if (number.IsEmpty())
            continue;
        m_shown[slot] = m_info->GetPhoneNumberText(number);
        m_slotOfItem[items++] = slot;
        m_accessCombo.AddString(m_shown[slot]);
    }
    bool filled = items > 0;
    if (!filled) {
        m_accessCombo.AddString(m_info ? m_info->GetPhoneNumberText(LoadText(IDS_PREFIX_NUMBER_PATTERN))
                                       : LoadText(IDS_PREFIX_NUMBER_PATTERN));
        m_slotOfItem[0] = 0;
    }
    m_accessCombo.SetCurSel(0);
    m_chosen = 0;
    return filled;
}

BOOL CDialupDetailDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_background = CreateSolidBrush(netui::Host().GetBackgroundColor());
    if (m_info)
        m_settings = m_info->GetActiveSettings();
    m_dialup = m_settings.connectType.Compare("Lan") != 0;

    m_modemsListed = FillModemList();
    if (!m_modemsListed) {
        if (m_dialup)
            netui::ShowMessageId(m_hWnd, IDS_NO_DIALUP_DEVICE, MB_ICONEXCLAMATION);
        DisableDialControls();
    }
    if (!FillAccessPoints()) {
        if (m_dialup)
            netui::ShowMessageId(m_hWnd, IDS_NO_ACCESS_POINT, MB_ICONEXCLAMATION);
        DisableDialControls();
    }

    if (m_dialModeChoice == -1)
        m_pulse = m_settings.dialMode.CompareNoCase("P") == 0;
    else
        m_pulse = m_dialModeChoice == 1;
    m_tone = !m_pulse;

    m_outsideCombo.ResetContent();
    m_outsideCombo.AddString(LoadText(IDS_OUTSIDE_LINE_NONE));
    for (const char* line : kOutsideLines)
        m_outsideCombo.AddString(line);
    m_outsideCombo.LimitText(10);
    if (!m_settings.outsideLine.IsEmpty()) {
        int index = m_outsideCombo.FindStringExact(-1, m_settings.outsideLine);
        if (index < 0)
            index = m_outsideCombo.AddString(m_settings.outsideLine);
        m_outsideCombo.SetCurSel(index);
    }
    UpdateData(TRUE);
    m_pulse = m_dialModeChoice == -1 ? m_settings.dialMode.CompareNoCase("P") == 0 : m_dialModeChoice == 1;
    m_tone = !m_pulse;
    CheckDlgButton(m_hWnd, IDC_DETAIL_PULSE, m_pulse ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hWnd, IDC_DETAIL_TONE, m_tone ? BST_CHECKED : BST_UNCHECKED);
    RefreshNumber();

    if (m_tips.Create(this)) {
        const struct {
            int control;
            UINT text;
        } tips[] = {{IDC_DETAIL_MODEM, IDS_TIP_MODEM},
                    {IDC_DETAIL_PULSE, IDS_TIP_DIAL_MODE},
                    {IDC_DETAIL_TONE, IDS_TIP_DIAL_MODE},
                    {IDC_DETAIL_OUTSIDE_LINE, IDS_TIP_OUTSIDE_LINE},
                    {IDC_DETAIL_ACCESS_POINT, IDS_TIP_ACCESS_POINT}};
        for (const auto& tip : tips) {
            CWnd* control = CWnd::FromHandlePermanent(GetDlgItem(tip.control));
            CWnd temporary;
            if (!control) {
                temporary.Attach(GetDlgItem(tip.control));
                control = &temporary;
            }
            m_tips.AddTool(control, LoadText(tip.text));
            if (control == &temporary)
                temporary.Detach();
        }
        m_tips.Activate(TRUE);
    }
    return TRUE;
}

BOOL CDialupDetailDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tips.m_hWnd)
        m_tips.RelayEvent(msg);
    return CDialog::PreTranslateMessage(msg);
}

void CDialupDetailDlg::RefreshNumber()
{
    CString outside;
    m_outsideCombo.GetWindowText(outside);
    CString access;
    m_accessCombo.GetWindowText(access);
    m_numberText = ras::OutsideLineValue(outside, LoadText(IDS_OUTSIDE_LINE_NONE)) + access;
    ::SetDlgItemTextA(m_hWnd, IDC_DETAIL_NUMBER, m_numberText);
}

void CDialupDetailDlg::OnAccessPointSelected()
{
    const int selected = m_accessCombo.GetCurSel();
    if (selected >= 0 && selected < 3)
        m_chosen = selected;
    // The edit part takes the new item only after this notification.
    CString text;
    m_accessCombo.GetLBText(m_chosen, text);
    m_accessCombo.SetWindowText(text);
    RefreshNumber();
}

void CDialupDetailDlg::OnAccessPointTyped()
{
    CString text;
    m_accessCombo.GetWindowText(text);
    if (!ras::IsAcceptedAccessText(text, ChosenNumber())) {
        netui::ShowMessageId(m_hWnd, IDS_DIAL_NUMBER_LOCKED, MB_ICONEXCLAMATION);
        CString item;
        m_accessCombo.GetLBText(m_chosen, item);
        m_accessCombo.SetWindowText(item);
    }
    RefreshNumber();
}

void CDialupDetailDlg::OnOutsideLineChanged()
{
    // A chosen item reaches the edit part only after this notification.
    const int selected = m_outsideCombo.GetCurSel();
    if (selected >= 0) {
        CString item;
        m_outsideCombo.GetLBText(selected, item);
        CString shown;
        m_outsideCombo.GetWindowText(shown);
        if (shown != item)
            m_outsideCombo.SetWindowText(item);
    }
    RefreshNumber();
}

void CDialupDetailDlg::OnTone()
{
    m_pulse = 0;
    m_tone = GetKeyState(VK_CONTROL) < 0 ? 0 : 1;
    CheckDlgButton(m_hWnd, IDC_DETAIL_PULSE, BST_UNCHECKED);
    CheckDlgButton(m_hWnd, IDC_DETAIL_TONE, m_tone ? BST_CHECKED : BST_UNCHECKED);
    RefreshNumber();
}

void CDialupDetailDlg::OnPulse()
{
    m_tone = 0;
    m_pulse = GetKeyState(VK_CONTROL) < 0 ? 0 : 1;
    CheckDlgButton(m_hWnd, IDC_DETAIL_TONE, BST_UNCHECKED);
    CheckDlgButton(m_hWnd, IDC_DETAIL_PULSE, m_pulse ? BST_CHECKED : BST_UNCHECKED);
    RefreshNumber();
}

void CDialupDetailDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_info) {
        const CString dialMode = ras::DialModeValue(m_tone != 0, m_pulse != 0);
        // Without a modem list the combo holds only the "no modem" line: the stored modem stays.
        m_info->SetDialupEntry(m_modemsListed ? m_modemName : m_settings.modemName, dialMode);
        CString numbers[3] = {m_info->m_PhoneNumber, m_info->m_PhoneNumber2, m_info->m_PhoneNumber3};
        const CString chosen = ChosenNumber();
        const CString pattern =
            ras::DerivePrefixPattern(m_accessText, chosen, LoadText(IDS_PREFIX_NUMBER_PATTERN));
        ras::MoveChosenFirst(numbers, m_slotOfItem[m_chosen]);
        m_info->SetDialupDetails(numbers[0], numbers[1], numbers[2],
                                 ras::OutsideLineValue(m_outsideText, LoadText(IDS_OUTSIDE_LINE_NONE)), pattern);
    }
    EndDialog(IDOK);
}

HBRUSH CDialupDetailDlg::OnCtlColor(HDC dc, HWND window, UINT kind)
{
    (void)window;
    if (HBRUSH brush = netui::DialogColors(dc, kind, m_background))
        return brush;
    return reinterpret_cast<HBRUSH>(Default());
}
