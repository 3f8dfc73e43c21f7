#include "net/dialup/DialupDlg.h"

#include "net/dialup/DialupDetailDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "net/ras/DialupRules.h"
#include "resources/ids/shell.h"

using namespace ras;

CDialupDlg* CDialupDlg::s_running = nullptr;
std::atomic<std::uint64_t> CDialupDlg::s_firstError{0};

namespace {

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// The wait cursor for the length of a block.
class WaitCursor {
public:
    WaitCursor() : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_previous); }

private:
    HCURSOR m_previous;
};

constexpr unsigned kExclamation = MB_ICONEXCLAMATION;
constexpr unsigned kStop = MB_ICONSTOP;
constexpr DWORD kCountryJapan = 81;

} // namespace

BEGIN_MESSAGE_MAP(CDialupDlg, CDialog)
    ON_BN_CLICKED(IDC_DIALUP_DIAL, OnDial)
    ON_BN_CLICKED(IDC_DIALUP_HANGUP, OnHangUp)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CDialupDlg::CDialupDlg(std::uint16_t mode, CWnd* parent, const DialupDlgIds& ids)
    : CDialog(ids.templateId, parent), CRasApi(nullptr), m_ids(ids), m_mode(mode)
{
}

CDialupDlg::~CDialupDlg()
{
    if (s_running == this)
        s_running = nullptr;
    if (m_background)
        DeleteObject(m_background);
}

void CDialupDlg::ClearFirstError()
{
    s_firstError.store(0);
}

bool CDialupDlg::TakeFirstError(DWORD* error, DWORD* extended)
{
    const std::uint64_t value = s_firstError.load();
    *error = static_cast<DWORD>(value >> 32);
    *extended = static_cast<DWORD>(value & 0xFFFFFFFFu);
    return *error != 0;
}

void WINAPI CDialupDlg::RasDialNotify(ConnectionHandle, UINT, DWORD, DWORD error, DWORD extendedError)
{
    if (error == 0)
        return;
    // Only the first error counts until the next dial clears it; error and extended code go in
    // together, so the dialling loop never reads one without the other.
    std::uint64_t none = 0;
    s_firstError.compare_exchange_strong(none, (static_cast<std::uint64_t>(error) << 32) | extendedError);
}

bool CDialupDlg::FieldsFit(const CString& entryName, const CString& number, const CString& user,
                           const CString& password, const CString& areaCode)
{
    struct Check {
        const CString& text;
        std::size_t capacity;
        const char* label;
    } checks[] = {
        {entryName, kMaxEntryName, "ｴﾝﾄﾘ名"}, {number, kMaxPhoneNumber, "電話番号"},
        {user, kMaxUserName, "ﾛｸﾞｲﾝID"},      {password, kMaxPassword, "ﾊﾟｽﾜｰﾄﾞ"},
        {areaCode, kMaxAreaCode, "市外局番"},
    };
    for (const Check& check : checks) {
        if (static_cast<std::size_t>(check.text.GetLength()) > check.capacity) {
            CString message;
            message.Format(LoadText(IDS_DIAL_FIELD_TOO_LONG), check.label);
            netui::Host().ShowMessage(m_hWnd, message, kExclamation);
            return false;
        }
    }
    return true;
}

int CDialupDlg::MakeEntry(CString* entryName, const CString& baseName, const CString& accessPoint, const CString& user,
                          const CString& password, const CString& modemName, bool premiumChoice)
{
    CNetInfo* info = netui::Host().GetNetInfo();
    WaitCursor wait;
    *entryName = baseName;
    CString unique;
    if (MakeUniqueEntryName(baseName, &unique, "") == kErrorAlreadyExists)
        DeleteEntry(baseName, "");
    m_entryName = baseName;
    if (premiumChoice) {
        // Only one of the service's two entries may exist.
        const CString other = LoadText(baseName == LoadText(IDS_ENTRY_PREMIUM) ? IDS_ENTRY_SERVICE : IDS_ENTRY_PREMIUM);
        if (MakeUniqueEntryName(other, &unique, "") == kErrorAlreadyExists)
            DeleteEntry(other, "");
    }
    const CString areaCode = AreaCodeOf(accessPoint);
    m_userName = user;
    m_password = password;
    m_deviceName = modemName;

    const int modems = CountModems();
    if (modems < 1) {
        netui::ShowMessageId(m_hWnd, IDS_NO_DIALUP_DEVICE, kExclamation);
        return kNoDialupDevice;
    }
    CString deviceName, deviceType;
    if (!FindDevice(modemName, &deviceName, &deviceType)) {
        CString message;
        message.Format(LoadText(IDS_MODEM_NOT_FOUND), modemName.GetString());
        netui::Host().ShowMessage(m_hWnd, message, kStop);
        return kModemMissing;
    }
    const NetConnectSettings& settings = info ? info->GetActiveSettings() : NetConnectSettings();
    const CString placeholder = info ? info->GetNumberPlaceholder() : LoadText(IDS_PREFIX_NUMBER_PATTERN);
    const CString number =
        premiumChoice ? ComposeEntryNumber(settings.dialMode, settings.outsideLine, settings.prefixNumber, accessPoint,
                                           placeholder)
                      : accessPoint;
    if (!FieldsFit(m_entryName, number, user, password, areaCode))
        return ERROR_INVALID_PARAMETER;
    m_accessPoint = number;

    DWORD result = CreateEntry(m_entryName, deviceType, deviceName, kNetProtocolIp, kFramingPpp, number, "");
    if (result == 0)
        result = SetEntryProperties(m_entryName,
                                    kOptionSoftwareCompression | kOptionIpHeaderCompression | kOptionRemoteDefaultGateway,
                                    true, areaCode, kCountryJapan, "");
    if (result == 0)
        result = SetDialParams(m_entryName, user, password);
    return static_cast<int>(result);
}

int CDialupDlg::BuildEntry(CString* entryName)
{
    CNetInfo* info = netui::Host().GetNetInfo();
    if (!info)
        return kNoDialupDevice;
    const CString accessPoint = info->m_PhoneNumber;
    const CString base = LoadText(IsPremiumRateNumber(accessPoint) ? IDS_ENTRY_PREMIUM : IDS_ENTRY_SERVICE);
    return MakeEntry(entryName, base, accessPoint, info->m_LoginID, info->m_LoginPasswd,
                     info->GetActiveSettings().modemName, true);
}

int CDialupDlg::UpdateEntry(CString* entryName, const CString& accessPoint, const CString& userName,
                            const CString& password, const CString& modemName)
{
    return MakeEntry(entryName, LoadText(IDS_ENTRY_SIGNUP), accessPoint, userName, password, modemName, false);
}

DWORD CDialupDlg::DeleteOwnEntry(const CString& entryName)
{
    return DeleteEntry(entryName.IsEmpty() ? m_entryName : entryName, "");
}

bool CDialupDlg::RunDetailsDialog()
{
    CDialupDetailDlg details(nullptr);
    netui::Host().SetModalState(true);
    const INT_PTR result = details.DoModal();
    netui::Host().SetModalState(false);
    return result == IDOK;
}

bool CDialupDlg::ConnectForCharge()
{
    CNetInfo* info = netui::Host().GetNetInfo();
    if (!info)
        return false;
    const CString user = LoadText(IDS_CHARGE_USER), password = LoadText(IDS_CHARGE_PASSWORD);
    INT_PTR ended = 0;
    CString entryName;
    for (;;) {
        const NetConnectSettings& settings = info->GetActiveSettings();
        const bool phs = settings.deviceMode.CompareNoCase("PHS") == 0;
        const CString accessPoint = info->GetPhoneNumberText(phs ? info->m_PhsFreeAP : info->m_FreeAP);
        const int result = UpdateEntry(&entryName, accessPoint, user, password, settings.modemName);
        if (result == kModemMissing) {
            if (RunDetailsDialog())
                continue;
            break;
        }
        if (result == 0) {
            netui::Host().SetModalState(true);
            ended = DoModal();
            netui::Host().SetModalState(false);
        }
        break;
    }
    DeleteOwnEntry(entryName);
    return ended == 1;
}

bool CDialupDlg::DoDial(const CString& entryName, bool buildFirst)
{
    if (buildFirst) {
        CString built;
        if (BuildEntry(&built) != 0)
            return false;
    }
    m_entryName = entryName;
    netui::Host().SetModalState(true);
    const INT_PTR result = DoModal();
    netui::Host().SetModalState(false);
    return result == 1;
}

void CDialupDlg::ShowStatus(const CString& text)
{
    if (m_hWnd)
        ::SetDlgItemTextA(m_hWnd, m_ids.status, text);
}

void CDialupDlg::PumpDialMessages(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Leave the quit for the loop outside the dial.
                PostQuitMessage(static_cast<int>(msg.wParam));
                m_cancel = 1;
                return;
            }
            if (!m_hWnd || !IsDialogMessageA(m_hWnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

int CDialupDlg::Connect()
{
    CNetInfo* info = netui::Host().GetNetInfo();
    ClearFirstError();
    CString number;
    if (m_mode == kModeStoredEntry) {
        const DWORD result = GetDialParams(m_entryName, &number, &m_userName, &m_password);
        if (result != 0) {
            s_firstError.store(static_cast<std::uint64_t>(result) << 32);
            return 0;
        }
    } else {
        const NetConnectSettings& settings = info ? info->GetActiveSettings() : NetConnectSettings();
        const CString phs = LoadText(IDS_PHS_FREE_ACCESS_POINT);
        if (settings.deviceMode.CompareNoCase("PHS") == 0)
            m_accessPoint = phs;
        number = ComposeDialNumber(settings.deviceMode, settings.dialMode, settings.outsideLine, m_accessPoint, phs);
    }

    s_running = this;
    const DWORD dialed = Dial(m_entryName, RasDialNotify, number, m_userName, m_password, "", "");
    if (dialed != 0)
        RasDialNotify(0, 0, 0, dialed, 0);
    int result = 0;
    for (;;) {
        PumpDialMessages(0);
        if (m_cancel)
            break;
        CString text;
        bool connected = false;
        const bool final = GetStateText(&text, &connected);
        if (text != m_lastState) {
            m_lastState = text;
            ShowStatus(text);
        }
        PumpDialMessages(100);
        DWORD error = 0, extended = 0;
        if (!m_cancel && TakeFirstError(&error, &extended)) {
            CString message;
            GetErrorText(error, extended, &message);
            HangUp(m_entryName);
            ShowStatus(message);
            netui::Host().ShowMessageLogged(m_hWnd, message, kExclamation);
            break;
        }
        if (final) {
            result = connected ? 1 : 0;
            break;
        }
    }
    s_running = nullptr;
    return result;
}

void CDialupDlg::RequestCancel()
{
    // Runs inside the dial loop's pump: the loop ends at its next pass and the dialog after it.
    OnCancel();
}

BOOL CDialupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_mode == kModeInternetDialer) {
        EndDialog(InternetDialUp(m_entryName) ? 1 : 2);
        return TRUE;
    }
    m_background = CreateSolidBrush(netui::Host().GetBackgroundColor());
    if (m_mode == kModeStoredEntry)
        SetWindowText(LoadText(IDS_DIAL_CAPTION_SERVER));
    m_cancel = 0;
    ::EnableWindow(GetDlgItem(m_ids.dial), TRUE);
    CNetInfo* info = netui::Host().GetNetInfo();
    const bool phs = info && info->GetActiveSettings().deviceMode.CompareNoCase("PHS") == 0;
    CheckDlgButton(m_hWnd, m_ids.phs, phs ? BST_CHECKED : BST_UNCHECKED);
    if (m_mode != kModeTollFree) {
        ::ShowWindow(GetDlgItem(m_ids.note), SW_HIDE);
        ::ShowWindow(GetDlgItem(m_ids.phs), SW_HIDE);
    }
    CString infoText;
    infoText.Format(LoadText(IDS_DIAL_CONNECTING_TO), m_entryName.GetString());
    ::SetDlgItemTextA(m_hWnd, m_ids.info, infoText);
    return TRUE;
}

void CDialupDlg::OnDial()
{
    ::EnableWindow(GetDlgItem(m_ids.dial), FALSE);
    ::EnableWindow(GetDlgItem(m_ids.phs), FALSE);
    if (m_mode == kModeTollFree) {
        if (CNetInfo* info = netui::Host().GetNetInfo()) {
            info->GetActiveSettings(true).deviceMode = IsDlgButtonChecked(m_hWnd, m_ids.phs) ? "PHS" : "";
            netui::Host().SaveNetInfo();
        }
    }
    m_cancel = 0;
    m_lastState.Empty();
    if (Connect() == 1) {
        EndDialog(1);
        return;
    }
    if (m_hWnd) {
        ::EnableWindow(GetDlgItem(m_ids.dial), TRUE);
        ::EnableWindow(GetDlgItem(m_ids.phs), TRUE);
    }
}

void CDialupDlg::OnHangUp()
{
    const CString text = LoadText(IDS_DIAL_HUNG_UP_BY_USER);
    ShowStatus(text);
    m_cancel = 1;
    HangUp(m_entryName);
    ShowStatus(text);
    ::EnableWindow(GetDlgItem(m_ids.dial), TRUE);
}

void CDialupDlg::OnCancel()
{
    m_cancel = 1;
    HangUp(m_entryName);
    EndDialog(IDCANCEL);
}

HBRUSH CDialupDlg::OnCtlColor(HDC dc, HWND window, UINT kind)
{
    (void)window;
    if (HBRUSH brush = netui::DialogColors(dc, kind, m_background))
        return brush;
    return reinterpret_cast<HBRUSH>(Default());
}

bool CDialupDlg::InternetDialUp(const CString& entryName)
{
    if (m_internetDialled)
        return true;
    const DWORD result = netui::Dialer().Dial(m_hWnd, entryName, &m_internetConnection);
    if (result == 0) {
        m_internetDialled = true;
        return true;
    }
    if (result != kErrorUserCancelled) {
        CString message;
        message.Format("%s(#%lu)", LoadText(IDS_DIAL_FAILED).GetString(), static_cast<unsigned long>(result));
        netui::Host().ShowMessageLogged(m_hWnd, message, kExclamation);
    }
    return false;
}

void CDialupDlg::InternetHangUpConn()
{
    if (m_internetDialled) {
        netui::Dialer().HangUp(m_internetConnection);
        m_internetDialled = false;
    }
}
