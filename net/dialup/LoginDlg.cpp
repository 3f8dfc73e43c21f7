#include "net/dialup/LoginDlg.h"

#include "net/dialup/NetDialogHost.h"
#include "net/ras/DialupRules.h"
#include "resources/ids/shell.h"
#include "shell/common/services/MessageBoxSeam.h"

#include <richedit.h>

namespace {

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

const UINT kTableStrings[7] = {IDS_PROGRAMME_NAME,        IDS_PROGRAMME_NUMBER,  IDS_PROGRAMME_PROVIDER,
                               IDS_PROGRAMME_CHARGES,     IDS_PROGRAMME_DESTINATION, IDS_PROGRAMME_SERVICE,
                               IDS_PROGRAMME_COMPANY};

} // namespace

BEGIN_MESSAGE_MAP(CLoginDlg, CDialog)
    ON_CBN_SELCHANGE(IDC_LOGIN_PROVIDER, OnProviderChange)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CLoginDlg::CLoginDlg(CRasApi* ras, CWnd* parent, const LoginDlgIds& ids)
    : CDialog(ids.templateId, parent), m_ids(ids), m_ras(ras)
{
    CRichEditCtrl::EnsureLoaded();
    if (CNetInfo* info = netui::Host().GetNetInfo())
        m_phoneNumber = info->m_PhoneNumber;
}

CLoginDlg::~CLoginDlg()
{
    if (m_background)
        DeleteObject(m_background);
}

void CLoginDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, m_ids.providers, m_providers);
    DDX_CBString(dx, m_ids.providers, m_entryName);
    DDX_Text(dx, m_ids.accessNumber, m_accessNumberText);
    DDX_Text(dx, m_ids.accessPoint, m_accessPointText);
}

CString CLoginDlg::ServiceEntryForNumber() const
{
    return LoadText(ras::IsPremiumRateNumber(m_phoneNumber) ? IDS_ENTRY_PREMIUM : IDS_ENTRY_SERVICE);
}

CLoginDlg::EntryKind CLoginDlg::KindOf(const CString& entryName)
{
    if (entryName == LoadText(IDS_ENTRY_SERVICE))
        return kServiceEntry;
    if (entryName == LoadText(IDS_ENTRY_PREMIUM))
        return kPremiumEntry;
    return kOtherEntry;
}

BOOL CLoginDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_background = CreateSolidBrush(netui::Host().GetBackgroundColor());
    CNetInfo* info = netui::Host().GetNetInfo();
    if (ras::IsPremiumRateNumber(m_phoneNumber)) {
        CString name, areaCode;
        if (info)
            info->LoadAccessPointList(LoadText(IDS_ACCESS_POINT_ENTRY), &name, &areaCode, nullptr, nullptr);
        if (!name.IsEmpty())
            m_accessPointText = name;
        else if (m_accessPointText.IsEmpty())
            m_accessPointText = LoadText(IDS_ACCESS_POINT_UNKNOWN);
    }
    if (m_entryName.IsEmpty())
        m_entryName = ServiceEntryForNumber();

    if (m_providers.GetCount() > 0)
        m_providers.ResetContent();
    CStringArray names;
    if (m_ras && m_ras->EnumEntries("", names) && names.GetSize() > 0) {
        for (int i = 0; i < names.GetSize(); ++i)
            m_providers.AddString(names[i]);
    } else {
        m_providers.EnableWindow(FALSE);
    }
    // Only an entry of exactly that name counts: a prefix would pick another one.
    int index = m_providers.FindStringExact(-1, m_entryName);
    if (index < 0) {
        m_entryName = ServiceEntryForNumber();
        index = m_providers.FindStringExact(-1, m_entryName);
    }
    m_providers.SetCurSel(index);

    SetRichText(m_ids.heading, LoadText(IDS_LOGIN_HEADING), 14, true, kBold);
    for (int i = 0; i < 7; ++i)
        ::SetDlgItemTextA(m_hWnd, m_ids.tableLabels[i], LoadText(kTableStrings[i]));
    ShowDetails(m_entryName);
    UpdateData(FALSE);
    return TRUE;
}

void CLoginDlg::SetRichText(int id, const CString& text, int points, bool colour, unsigned effects)
{
    HWND control = GetDlgItem(id);
    if (!control)
        return;
    CString shown = text;
    if (shown.IsEmpty()) {
        char buffer[1024] = {};
        ::GetWindowTextA(control, buffer, sizeof buffer);
        shown = buffer;
    }
    ::SendMessageA(control, EM_SETREADONLY, FALSE, 0);
    ::SetWindowTextA(control, "");
    ::SendMessageA(control, EM_SETSEL, 0, 0);
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | (colour ? CFM_COLOR : 0);
    format.dwEffects = ((effects & kBold) ? CFE_BOLD : 0) | ((effects & kItalic) ? CFE_ITALIC : 0) |
                       ((effects & kUnderline) ? CFE_UNDERLINE : 0);
    format.yHeight = points * 20;
    format.crTextColor = netui::Host().GetTextColor();
    ::SendMessageA(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    ::SendMessageA(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.GetString()));
    ::SendMessageA(control, EM_SETREADONLY, TRUE, 0);
    if (colour)
        ::SendMessageA(control, EM_SETBKGNDCOLOR, 0, netui::Host().GetBackgroundColor());
}

void CLoginDlg::ShowDetails(const CString& entryName)
{
    const EntryKind kind = KindOf(entryName);
    HWND warning = GetDlgItem(m_ids.warning), charges = GetDlgItem(m_ids.charges);
    CString status;
    if (kind == kPremiumEntry) {
        SetRichText(m_ids.warning, LoadText(IDS_PREMIUM_WARNING), 14, true, kBold);
        SetRichText(m_ids.charges, LoadText(IDS_CHARGES_NOTICE), 10, true, kBold | kUnderline);
        ::ShowWindow(warning, SW_SHOW);
        ::ShowWindow(charges, SW_SHOW);
        status = LoadText(IDS_PREMIUM_NOTICE);
        m_accessNumberText = m_phoneNumber;
    } else {
        ::ShowWindow(warning, SW_HIDE);
        ::ShowWindow(charges, SW_HIDE);
        if (kind == kServiceEntry)
            status.Format(LoadText(IDS_DIAL_NUMBER_IS), m_phoneNumber.GetString());
        else
            status = LoadText(IDS_SERVICE_FREE);
    }
    ::SetDlgItemTextA(m_hWnd, m_ids.status, status);
    Layout(kind == kPremiumEntry);
}

void CLoginDlg::Layout(bool full)
{
    HWND status = GetDlgItem(m_ids.status), warning = GetDlgItem(m_ids.warning), charges = GetDlgItem(m_ids.charges);
    auto clientRect = [this](HWND control) {
        RECT rect{};
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    if (!m_layoutRecorded) {
        ::GetWindowRect(m_hWnd, &m_dialogRect);
        m_statusRect = clientRect(status);
        m_warningRect = clientRect(warning);
        m_layoutRecorded = TRUE;
    }
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    m_full = full;
    if (full) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, m_dialogRect.bottom - m_dialogRect.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(status, nullptr, m_statusRect.left, m_statusRect.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const int height = clientRect(charges).top + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(status, nullptr, m_statusRect.left, m_warningRect.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CLoginDlg::OnProviderChange()
{
    UpdateData(TRUE);
    CString chosen;
    const int index = m_providers.GetCurSel();
    if (index >= 0)
        m_providers.GetLBText(index, chosen);
    ShowDetails(chosen);
    UpdateData(FALSE);
}

void CLoginDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_entryName.IsEmpty() || m_providers.FindStringExact(-1, m_entryName) < 0) {
        PresentMessageBoxId(m_hWnd, IDS_SELECT_DIAL_ENTRY, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EndDialog(IDOK);
}

HBRUSH CLoginDlg::OnCtlColor(HDC dc, HWND window, UINT kind)
{
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    const bool staticText = kind == WM_CTLCOLORSTATIC && lstrcmpiA(className, "Static") == 0;
    if (m_background && (kind == WM_CTLCOLORDLG || staticText)) {
        SetBkMode(dc, TRANSPARENT);
        if (staticText) {
            SetTextColor(dc, netui::Host().GetTextColor());
            SetBkColor(dc, netui::Host().GetBackgroundColor());
        }
        return m_background;
    }
    return reinterpret_cast<HBRUSH>(Default());
}
