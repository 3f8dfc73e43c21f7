#include "signup/wizard/SignStart.h"

#include "framework/win/Controls.h"
#include "framework/win/DataExchange.h"
#include "framework/win/WaitCursor.h"
#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"
#include "signup/core/SignupRules.h"
#include "signup/wizard/CourseChangeDlg.h"

#include <imm.h>
#include <richedit.h>
#include <wininet.h>

#include <cstdlib>

CString SignText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

namespace {

constexpr UINT kMsgLayout = WM_APP + 0x51;
constexpr int kWizardButtons[] = {CPropertySheet::kBackButton, CPropertySheet::kNextButton, IDCANCEL,
                                  CPropertySheet::kFinishButton};
constexpr COLORREF kLabelColor = RGB(0xFF, 0xFF, 0xFF);
const char kLabelFace[] = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ Ｐゴシック
const char kFixedFace[] = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";        // ＭＳ ゴシック

#define SW_ROW(id, text, height, effects) {id, text, kLabelColor, height, 0, effects, kLabelFace, CSignStart::kBackground}

const SignLabelRow kStep1Labels[] = {
    SW_ROW(IDC_SW_TITLE, IDS_SW_TITLE, 14, CFE_BOLD),
    SW_ROW(IDC_SW_EXPLANATION, IDS_SW_EXPLAIN_NEW, 12, 0),
    SW_ROW(IDC_SW_LABEL_1190, IDS_SW_LABEL_FIRST + 0, 12, 0),
    SW_ROW(IDC_SW_LABEL_PORT, IDS_SW_LABEL_FIRST + 1, 12, 0),
    SW_ROW(IDC_SW_LABEL_1191, IDS_SW_LABEL_FIRST + 2, 12, 0),
    SW_ROW(IDC_SW_LABEL_1192, IDS_SW_LABEL_FIRST + 3, 12, 0),
    SW_ROW(IDC_SW_LABEL_1193, IDS_SW_LABEL_FIRST + 4, 12, 0),
};

SignLabelRow Step3Label(int index)
{
    const bool heading = index == 0 || index == 17 || index == 21;
    return SW_ROW(IDC_SW_USER_LABEL_FIRST + index, static_cast<UINT>(IDS_SW_LABEL_FIRST + 5 + index), heading ? 13 : 12,
                  heading ? static_cast<DWORD>(CFE_BOLD) : 0u);
}

// Controls typed in Latin letters and digits: their input method is switched off.
constexpr int kStep3ImeOff[] = {IDC_SW_AGE, IDC_SW_ZIP, IDC_SW_ZIP2, IDC_SW_TEL, IDC_SW_TEL2, IDC_SW_TEL3, IDC_SW_VERK,
                                IDC_SW_VERK2, IDC_SW_VERK3, IDC_SW_ENTRY, IDC_SW_ENTRY2};
constexpr int kStep3ImeOn[] = {IDC_SW_KANA, IDC_SW_KANA2, IDC_SW_NAME, IDC_SW_NAME2, IDC_SW_ADDRESS1, IDC_SW_ADDRESS2};
constexpr int kProxyControls[] = {IDC_SW_PROXY_HOST,  IDC_SW_PROXY_PORT,  IDC_SW_PROXY_USER,  IDC_SW_PROXY_PASSWORD,
                                  IDC_SW_LABEL_1190, IDC_SW_LABEL_PORT, IDC_SW_LABEL_1191, IDC_SW_LABEL_1192};

void SetImeOpen(HWND control, bool open)
{
    if (HIMC context = ::ImmGetContext(control)) {
        ::ImmSetOpenStatus(context, open ? TRUE : FALSE);
        ::ImmReleaseContext(control, context);
    }
}

bool Checked(const CWnd& page, int id) { return ::IsDlgButtonChecked(page.m_hWnd, id) == BST_CHECKED; }

bool AllDigits(const CString& text)
{
    if (text.IsEmpty())
        return false;
    for (int i = 0; i < text.GetLength(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

} // namespace

// ---- the sheet ---------------------------------------------------------------------------------

CSignStart::CSignStart(CSignupApp& app, ISystemBrowser* browser)
    : CPropertySheet(SignText(IDS_SW_CAPTION)), m_step1(*this, app), m_step2(*this, app), m_step3(*this, app),
      m_step4(*this, app), m_step5(*this, app), m_step6(*this, app), m_step7(*this, app), m_app(app), m_browser(browser)
{
    CRichEditCtrl::EnsureLoaded();
    AddPage(&m_step1);
    AddPage(&m_step2);
    AddPage(&m_step3);
    AddPage(&m_step4);
    AddPage(&m_step5);
    AddPage(&m_step6);
    AddPage(&m_step7);
    SetWizardMode();
    m_step3.FillFromRecord(app.m_record);
    m_step5.FillFromAccount();
}

CSignStart::~CSignStart()
{
    if (m_background)
        ::DeleteObject(m_background);
}

BOOL CSignStart::OnInitDialog()
{
    m_background = ::CreateSolidBrush(kBackground);
    HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SIGN_WIZARD));
    if (icon) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    // The first page exists only once the sheet has finished its own set-up.
    ::PostMessageA(m_hWnd, kMsgLayout, 0, 0);
    return TRUE;
}

void CSignStart::Layout()
{
    HWND page = reinterpret_cast<HWND>(SendMessage(PSM_GETCURRENTPAGEHWND));
    if (!page || m_laidOut)
        return;
    m_laidOut = true;
    RECT current;
    ::GetWindowRect(page, &current);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&current), 2);
    const int dx = kPageWidth - (current.right - current.left);
    const int dy = kPageHeight - (current.bottom - current.top);
    m_pageArea = {current.left, current.top, current.left + kPageWidth, current.top + kPageHeight};
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left + dx, window.bottom - window.top + dy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        bool button = false;
        for (int b : kWizardButtons)
            button = button || id == b;
        bool isPage = false;
        for (int i = 0; i < GetPageCount(); ++i)
            isPage = isPage || GetPage(i)->m_hWnd == child;
        if (button) {
            RECT r;
            ::GetWindowRect(child, &r);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            ::SetWindowPos(child, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (!isPage) {
            ::ShowWindow(child, SW_HIDE);
        }
    }
    ::MoveWindow(page, m_pageArea.left, m_pageArea.top, kPageWidth, kPageHeight, TRUE);
}

RECT CSignStart::PageArea() const { return m_pageArea; }

LRESULT CSignStart::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kMsgLayout:
        Layout();
        // The system gives a wizard its page's title: the sheet keeps its own caption.
        ::SetWindowTextA(m_hWnd, SignText(IDS_SW_CAPTION));
        return 0;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (m_background) {
            ::SetBkColor(reinterpret_cast<HDC>(wParam), kBackground);
            return reinterpret_cast<LRESULT>(m_background);
        }
        break;
    case WM_INITMENU: {
        HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
        ::EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
        return 0;
    }
    default:
        break;
    }
    return CPropertySheet::WindowProc(message, wParam, lParam);
}

void CSignStart::SetButtonText(int id, UINT textId)
{
    ::SetDlgItemTextA(m_hWnd, id, SignText(textId));
    EnableButton(id, true);
}

void CSignStart::SetAgreeLabels()
{
    SetButtonText(kBackButton, IDS_SW_DISAGREE);
    SetButtonText(kNextButton, IDS_SW_AGREE);
}

void CSignStart::SetYesNoLabels()
{
    SetButtonText(kBackButton, IDS_SW_NO);
    SetButtonText(kNextButton, IDS_SW_YES);
}

void CSignStart::SetBackNextLabels()
{
    SetButtonText(kNextButton, IDS_SW_NEXT);
    SetButtonText(kBackButton, IDS_SW_BACK);
}

void CSignStart::EnableButton(int id, bool enable)
{
    if (HWND button = ::GetDlgItem(m_hWnd, id))
        ::EnableWindow(button, enable ? TRUE : FALSE);
}

void CSignStart::ShowControl(int id, bool show)
{
    if (HWND control = ::GetDlgItem(m_hWnd, id))
        ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

void CSignStart::EnableBackNext(bool enable)
{
    EnableButton(kBackButton, enable);
    EnableButton(kNextButton, enable);
}

void CSignStart::SetLabelTable(CWnd& page, const SignLabelRow* rows, int count)
{
    for (int i = 0; i < count; ++i) {
        HWND control = ::GetDlgItem(page.m_hWnd, rows[i].controlId);
        if (!control)
            continue;
        HDC dc = ::GetDC(control);
        const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc)
            ::ReleaseDC(control, dc);
        ::SendMessageA(control, EM_SETREADONLY, FALSE, 0);
        ::SetWindowTextA(control, SignText(rows[i].textId));
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_COLOR | CFM_FACE | CFM_SIZE | CFM_OFFSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
        format.dwEffects = rows[i].effects;
        format.crTextColor = rows[i].color;
        format.yHeight = signup::TwipsOf(rows[i].height, dpi);
        format.yOffset = signup::TwipsOf(rows[i].offset, dpi);
        format.bCharSet = SHIFTJIS_CHARSET;
        lstrcpynA(format.szFaceName, rows[i].face, LF_FACESIZE);
        ::SendMessageA(control, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
        ::SendMessageA(control, EM_EMPTYUNDOBUFFER, 0, 0);
        ::SendMessageA(control, EM_SETREADONLY, TRUE, 0);
        ::SendMessageA(control, EM_SETBKGNDCOLOR, 0, rows[i].background);
    }
}

void CSignStart::ShowText(HWND richEdit, const CString& text)
{
    if (!richEdit)
        return;
    HDC dc = ::GetDC(richEdit);
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ::ReleaseDC(richEdit, dc);
    ::SendMessageA(richEdit, EM_SETREADONLY, FALSE, 0);
    ::SetWindowTextA(richEdit, text);
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_FACE | CFM_SIZE | CFM_OFFSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
    format.crTextColor = RGB(0, 0, 0);
    format.yHeight = signup::TwipsOf(11, dpi);
    format.bCharSet = SHIFTJIS_CHARSET;
    lstrcpynA(format.szFaceName, kFixedFace, LF_FACESIZE);
    ::SendMessageA(richEdit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    ::SendMessageA(richEdit, EM_SETBKGNDCOLOR, 0, RGB(0xFF, 0xFF, 0xFF));
    ::SendMessageA(richEdit, EM_SETREADONLY, TRUE, 0);
}

void CSignStart::AppendProgress(HWND richEdit, UINT textId, long code)
{
    CString shown;
    if (richEdit) {
        const int length = ::GetWindowTextLengthA(richEdit);
        std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
        ::GetWindowTextA(richEdit, buffer.data(), length + 1);
        shown = buffer.c_str();
    }
    shown += SignText(textId);
    if (code != 0) {
        CString number;
        number.Format("(#%d)", static_cast<int>(code));
        shown += number;
    }
    shown += "\r\n";
    ShowText(richEdit, shown);
}

void CSignStart::SetItemText(CWnd& page, int id, UINT textId)
{
    HWND item = ::GetDlgItem(page.m_hWnd, id);
    ::SetWindowTextA(item, SignText(textId));
    ::InvalidateRect(item, nullptr, TRUE);
    ::UpdateWindow(item);
}

void CSignStart::EndWizard() { ::PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0); }

LRESULT CSignPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) && m_wizard.Background()) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, CSignStart::kBackground);
        ::SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
        return reinterpret_cast<LRESULT>(m_wizard.Background());
    }
    return CPropertyPage::WindowProc(message, wParam, lParam);
}

void CSignPage::PlaceInSheet()
{
    ::PostMessageA(m_wizard.m_hWnd, kMsgLayout, 0, 0);
    const RECT area = m_wizard.PageArea();
    if (area.right > area.left)
        ::MoveWindow(m_hWnd, area.left, area.top, CSignStart::kPageWidth, CSignStart::kPageHeight, TRUE);
}

// ---- page 1: mode and connection ---------------------------------------------------------------

CSignStep1Top::CSignStep1Top(CSignStart& sheet, CSignupApp& app)
    : CSignPage(IDD_SIGN_STEP1_TOP, sheet, app), m_dial(nullptr)
{
}

bool CSignStep1Top::CreateDialSettings()
{
    if (!m_dial.Create(IDD_DIALUP_DETAIL, this))
        return false;
    // The template is a pop-up of its own: inside the page it is a borderless child.
    LONG_PTR style = ::GetWindowLongPtrA(m_dial.m_hWnd, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME);
    style |= WS_CHILD;
    ::SetWindowLongPtrA(m_dial.m_hWnd, GWL_STYLE, style);
    LONG_PTR exStyle = ::GetWindowLongPtrA(m_dial.m_hWnd, GWL_EXSTYLE);
    exStyle = (exStyle & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE)) | WS_EX_CONTROLPARENT;
    ::SetWindowLongPtrA(m_dial.m_hWnd, GWL_EXSTYLE, exStyle);
    ::SetParent(m_dial.m_hWnd, m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    ::SetWindowPos(m_dial.m_hWnd, nullptr, 25, 232, client.right - 25 - 8, 148,
                   SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    return true;
}

BOOL CSignStep1Top::OnInitDialog()
{
    CSignPage::OnInitDialog();
    PlaceInSheet();
    m_wizard.SetLabelTable(*this, kStep1Labels, static_cast<int>(std::size(kStep1Labels)));
    ::ShowWindow(GetDlgItem(IDC_SW_MODE_PC), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_SW_LAN_BUTTON), SW_HIDE);
    if (m_tips.Create(this)) {
        const struct {
            int id;
            UINT text;
        } tips[] = {{IDC_SW_UDP, IDS_SW_TIP_UDP},           {IDC_SW_TCP, IDS_SW_TIP_TCP},
                    {IDC_SW_USE_PROXY, IDS_SW_TIP_PROXY},   {IDC_SW_PROXY_HOST, IDS_SW_TIP_PROXY_HOST},
                    {IDC_SW_PROXY_PORT, IDS_SW_TIP_PROXY_PORT}, {IDC_SW_AUTO, IDS_SW_TIP_AUTO},
                    {IDC_SW_PROXY_USER, IDS_SW_TIP_PROXY_USER}, {IDC_SW_PROXY_PASSWORD, IDS_SW_TIP_PROXY_USER}};
        CWnd control; // a borrowed handle, let go before the object ends
        for (const auto& tip : tips) {
            control.m_hWnd = GetDlgItem(tip.id);
            if (control.m_hWnd)
                m_tips.AddTool(&control, tip.text);
        }
        control.m_hWnd = nullptr;
    }
    // The proxy values from the settings.
    const NetConnectSettings& settings = m_app.GetActiveSettings();
    SetDlgItemText(IDC_SW_PROXY_HOST, settings.proxyHost);
    SetDlgItemText(IDC_SW_PROXY_PORT, settings.proxyPort);
    SetDlgItemText(IDC_SW_PROXY_USER, settings.proxyData1);
    SetDlgItemText(IDC_SW_PROXY_PASSWORD, settings.proxyData2);
    ::SendMessageA(GetDlgItem(IDC_SW_PROXY_PASSWORD), EM_LIMITTEXT, CSignupRequests::kSecretLimit, 0);
    ::CheckDlgButton(m_hWnd, IDC_SW_USE_PROXY, (settings.flags & kProxyEnabled) ? BST_CHECKED : BST_UNCHECKED);
    // Without a modem the dial settings have nothing to offer: LAN before they are made.
    if (!ModemPossible())
        ChooseLan();
    if (!CreateDialSettings()) {
        m_wizard.EndWizard();
        return TRUE;
    }
    return TRUE;
}

bool CSignStep1Top::ModemPossible() const
{
    CDialupDlg* ras = m_app.RasManager();
    return ras && (m_app.m_state & CNetInfo::kDialupLibraryPresent) && ras->CountModems() > 0;
}

void CSignStep1Top::ChooseLan()
{
    NetConnectSettings& settings = m_app.GetActiveSettings(true);
    settings.connectType = "Lan";
    settings.flags |= kConnectLan;
}

bool CSignStep1Top::LanChosen() const { return Checked(*this, IDC_SW_LAN); }

void CSignStep1Top::ShowExplanation()
{
    const bool recover = Checked(*this, IDC_SW_MODE_RECOVER);
    const SignLabelRow row = {IDC_SW_EXPLANATION, static_cast<UINT>(recover ? IDS_SW_EXPLAIN_RECOVER : IDS_SW_EXPLAIN_NEW),
                              kLabelColor, 12, 0, 0, kLabelFace, CSignStart::kBackground};
    m_wizard.SetLabelTable(*this, &row, 1);
}

void CSignStep1Top::ShowConnection(bool lan)
{
    const int lanControls[] = {IDC_SW_LAN_GROUP, IDC_SW_UDP, IDC_SW_TCP, IDC_SW_AUTO, IDC_SW_USE_PROXY,
                               IDC_SW_LABEL_1193, IDC_SW_PROXY_HOST, IDC_SW_PROXY_PORT, IDC_SW_PROXY_USER,
                               IDC_SW_PROXY_PASSWORD, IDC_SW_LABEL_1190, IDC_SW_LABEL_PORT, IDC_SW_LABEL_1191,
                               IDC_SW_LABEL_1192};
    for (int id : lanControls)
        ::ShowWindow(GetDlgItem(id), lan ? SW_SHOW : SW_HIDE);
    if (m_dial.m_hWnd)
        ::ShowWindow(m_dial.m_hWnd, lan ? SW_HIDE : SW_SHOW);
}

void CSignStep1Top::UpdateProxyControls()
{
    const bool tcp = Checked(*this, IDC_SW_TCP);
    ::EnableWindow(GetDlgItem(IDC_SW_USE_PROXY), tcp);
    const bool fields = tcp && Checked(*this, IDC_SW_USE_PROXY);
    for (int id : kProxyControls)
        ::EnableWindow(GetDlgItem(id), fields);
}

BOOL CSignStep1Top::OnSetActive()
{
    PlaceInSheet();
    m_wizard.SetBackNextLabels();
    m_wizard.EnableButton(CPropertySheet::kBackButton, false);
    if (m_firstShow) {
        m_firstShow = false;
        if (!m_app.m_LoginID.IsEmpty()) {
            ::EnableWindow(GetDlgItem(IDC_SW_MODE_NEW), FALSE);
            ::EnableWindow(GetDlgItem(IDC_SW_MODE_PC), FALSE);
            m_app.m_mode = 2;
        } else {
            m_app.m_mode = 0;
        }
    } else if (m_app.NeedsDialup()) {
        if (!m_app.CreateRasManager(true)) {
            m_wizard.EndWizard();
            return TRUE;
        }
    }
    const bool modemPossible = ModemPossible();
    bool lan = !m_app.NeedsDialup();
    ::EnableWindow(GetDlgItem(IDC_SW_MODEM), modemPossible);
    if (!modemPossible) {
        lan = true;
        ChooseLan();
    }
    const NetConnectSettings& settings = m_app.GetActiveSettings();
    const int protocol = (settings.flags & kProtocolAuto) ? IDC_SW_AUTO
                         : (settings.flags & kProtocolTcpChosen) ? IDC_SW_TCP
                                                                 : IDC_SW_UDP;
    ::CheckRadioButton(m_hWnd, IDC_SW_UDP, IDC_SW_AUTO, protocol);
    m_dial.m_dialModeChoice = settings.dialMode.CompareNoCase("P") == 0 ? 1 : (settings.dialMode.CompareNoCase("T") == 0 ? 0 : -1);
    ::CheckRadioButton(m_hWnd, IDC_SW_MODE_NEW, IDC_SW_MODE_RECOVER,
                       m_app.m_mode == 2 ? IDC_SW_MODE_RECOVER : IDC_SW_MODE_NEW);
    ShowExplanation();
    ::CheckRadioButton(m_hWnd, IDC_SW_MODEM, IDC_SW_LAN, lan ? IDC_SW_LAN : IDC_SW_MODEM);
    ShowConnection(lan);
    UpdateProxyControls();
    return TRUE;
}

BOOL CSignStep1Top::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (id) {
        case IDC_SW_MODE_NEW:
        case IDC_SW_MODE_RECOVER:
            ShowExplanation();
            return TRUE;
        case IDC_SW_MODEM:
        case IDC_SW_LAN:
            ShowConnection(id == IDC_SW_LAN);
            return TRUE;
        case IDC_SW_UDP:
        case IDC_SW_TCP:
        case IDC_SW_AUTO:
            UpdateProxyControls();
            return TRUE;
        case IDC_SW_USE_PROXY:
            if (Checked(*this, IDC_SW_USE_PROXY) && GetDlgItemText(IDC_SW_PROXY_HOST).IsEmpty()) {
                CString host, port, configUrl;
                CInternetPolicy::ReadProxySettings(&host, &port, &configUrl);
                SetDlgItemText(IDC_SW_PROXY_HOST, host);
                SetDlgItemText(IDC_SW_PROXY_PORT, port);
            }
            UpdateProxyControls();
            return TRUE;
        default:
            break;
        }
    }
    return CSignPage::OnCommand(wParam, lParam);
}

LRESULT CSignStep1Top::OnWizardNext()
{
    CWaitCursor wait;
    const bool lan = LanChosen();
    if (!lan) {
        // The dial settings check and store their values; the child closes itself on OK and is
        // made again for the next visit.
        if (!m_dial.UpdateData(TRUE))
            return -1;
        m_dial.OnOK();
        if (!m_dial.m_hWnd && !CreateDialSettings()) {
            m_wizard.EndWizard();
            return -1;
        }
        ShowConnection(false);
    } else {
        const unsigned protocol = Checked(*this, IDC_SW_AUTO) ? 0xFFFFu : (Checked(*this, IDC_SW_UDP) ? 0u : 1u);
        m_app.SetConnectionSettings(true, protocol, Checked(*this, IDC_SW_USE_PROXY), GetDlgItemText(IDC_SW_PROXY_HOST),
                                    GetDlgItemText(IDC_SW_PROXY_PORT), GetDlgItemText(IDC_SW_PROXY_USER),
                                    GetDlgItemText(IDC_SW_PROXY_PASSWORD));
        m_app.SaveNetInfoNow();
        // The stored LAN settings rebuild the proxy flags: the browser's proxy is read again.
        m_app.m_proxyRefreshPending = true;
    }
    m_wizard.EnableButton(CPropertySheet::kNextButton, false);
    m_app.LoadServerUrls();
    NetConnectSettings& settings = m_app.GetActiveSettings(true);
    settings.connectType = lan ? "Lan" : "Dialup";
    if (lan)
        settings.flags |= kConnectLan;
    else
        settings.flags &= static_cast<uint16_t>(~kConnectLan);
    m_app.m_mode = Checked(*this, IDC_SW_MODE_RECOVER) ? 2 : 0;
    const int next = signup::NextPageIndex(m_app.m_mode, 0, signup::WizardButton::Next);
    if (m_app.m_mode == 2) {
        if (next >= m_wizard.GetPageCount()) { // the login-data page is not part of this sheet
            m_wizard.EnableButton(CPropertySheet::kNextButton, true);
            return -1;
        }
        return JumpTo(next);
    }
    if (m_app.NeedsDialup() && !m_app.DialSignupServer(true, this)) {
        m_wizard.EnableButton(CPropertySheet::kNextButton, true);
        return -1;
    }
    m_app.ApplyBrowserProxy();
    return 0;
}

// ---- page 2: terms of use ----------------------------------------------------------------------

BOOL CSignStep2Agree::OnSetActive()
{
    PlaceInSheet();
    m_wizard.EnableBackNext(false);
    if (m_loaded) {
        m_wizard.ShowText(GetDlgItem(IDC_SW_TERMS_PROMPT), SignText(IDS_SW_TERMS_ASK));
        m_wizard.SetAgreeLabels();
    } else {
        m_wizard.ShowText(GetDlgItem(IDC_SW_TERMS_TEXT), "");
        m_wizard.ShowText(GetDlgItem(IDC_SW_TERMS_PROMPT), SignText(IDS_SW_TERMS_LOADING));
        SetTimer(kLoadTimer, 200);
    }
    return TRUE;
}

LRESULT CSignStep2Agree::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kLoadTimer) {
        KillTimer(kLoadTimer);
        LoadTerms();
        if (m_loaded) {
            m_wizard.ShowText(GetDlgItem(IDC_SW_TERMS_PROMPT), SignText(IDS_SW_TERMS_ASK));
            m_wizard.SetAgreeLabels();
        } else {
            m_wizard.SetBackNextLabels();
            m_wizard.EnableButton(CPropertySheet::kNextButton, false);
            m_wizard.EnableButton(CPropertySheet::kBackButton, true);
        }
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_SW_TERMS_TEXT && HIWORD(wParam) == EN_SETFOCUS) {
        ::SendMessageA(GetDlgItem(IDC_SW_TERMS_TEXT), EM_SETSEL, static_cast<WPARAM>(-1), 0);
        return 0;
    }
    return CSignPage::WindowProc(message, wParam, lParam);
}

bool CSignStep2Agree::DownloadOnce()
{
    char url[513] = {};
    DWORD length = sizeof url;
    if (!::InternetCombineUrlA(m_app.m_signupPage, SignText(IDS_SW_TERMS_PATH), url, &length, ICU_NO_ENCODE))
        return false;
    // Cancel stays off while the download lets window messages run.
    m_wizard.EnableButton(IDCANCEL, false);
    HWND textWindow = GetDlgItem(IDC_SW_TERMS_TEXT);
    m_download = CTermsDownload();
    const TermsResult result =
        m_download.Fetch(url, m_app.Policy().HttpOptions(url), [this, textWindow](const std::string& textSoFar) {
            m_wizard.ShowText(textWindow, textSoFar.c_str());
            const DWORD until = ::GetTickCount() + 50;
            MSG msg;
            while (static_cast<long>(until - ::GetTickCount()) > 0) {
                if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageA(&msg);
                } else {
                    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                }
            }
        });
    m_wizard.EnableButton(IDCANCEL, true);
    m_pieces = result.pieces;
    if (!result.ok) {
        CString text = SignText(IDS_SW_TERMS_FAILED);
        if (result.error != 0) {
            CString code;
            code.Format("(#%ld)", result.error);
            text += code;
        }
        m_wizard.ShowText(GetDlgItem(IDC_SW_TERMS_PROMPT), text);
    }
    return result.ok;
}

void CSignStep2Agree::LoadTerms()
{
    if (!m_loaded) {
        for (;;) {
            if (DownloadOnce()) {
                m_loaded = true;
                break;
            }
            if (m_app.ShowMessage(m_hWnd, SignText(IDS_SW_TERMS_RETRY), MB_YESNO | MB_ICONQUESTION) != IDYES)
                break;
        }
    }
    m_app.HangUp();
}

LRESULT CSignStep2Agree::OnWizardNext()
{
    m_wizard.SetBackNextLabels();
    return 0;
}

LRESULT CSignStep2Agree::OnWizardBack()
{
    if (m_loaded) {
        m_wizard.EndWizard();
        return -1;
    }
    return 0;
}

// ---- page 3: user data -------------------------------------------------------------------------

CSignStep3User::CSignStep3User(CSignStart& sheet, CSignupApp& app) : CSignPage(IDD_SIGN_STEP3_USER, sheet, app)
{
    char temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length > 0 && length < MAX_PATH) {
        CString folder(temp);
        if (folder[folder.GetLength() - 1] != '\\')
            folder += "\\";
        m_zip.Start(CZipCodeLoader::MainProgramFolder() + "\\zipcode.ful", folder);
    }
}

void CSignStep3User::FillFromRecord(const SignupRecord& r)
{
    m_kana = r.Kana;
    m_kana2 = r.Kana2;
    m_name = r.Name;
    m_name2 = r.Name2;
    m_age = r.Age;
    m_age2 = r.Age2;
    m_age3 = r.Age3;
    m_sex = SignText(r.Sex.CompareNoCase("male") == 0 ? IDS_SW_MALE : IDS_SW_FEMALE);
    m_zip1 = r.Zip;
    m_zip2 = r.Zip2;
    m_address1 = r.Address1;
    m_address2 = r.Address2;
    m_tel = r.Tel;
    m_tel2 = r.Tel2;
    m_tel3 = r.Tel3;
    m_verk = r.VerkID;
    m_verk2 = r.VerkID2;
    m_verk3 = r.VerkID3;
    m_entry = r.EntryCode;
    m_entry2 = r.EntryCode2;
}

SignupRecord CSignStep3User::RecordOfFields() const
{
    SignupRecord r;
    r.Kana = m_kana;
    r.Kana2 = m_kana2;
    r.Name = m_name;
    r.Name2 = m_name2;
    r.Age = signup::NormaliseBirthYear(m_age);
    r.Age2 = signup::NormaliseMonthOrDay(m_age2, 12);
    r.Age3 = signup::NormaliseMonthOrDay(m_age3, 31);
    r.Sex = signup::SexValueOf(m_sex, SignText(IDS_SW_MALE));
    r.Zip = m_zip1;
    r.Zip2 = m_zip2;
    r.Address1 = m_address1;
    r.Address2 = m_address2;
    r.Tel = m_tel;
    r.Tel2 = m_tel2;
    r.Tel3 = m_tel3;
    r.VerkID = m_verk;
    r.VerkID2 = m_verk2;
    r.VerkID3 = m_verk3;
    r.EntryCode = m_entry;
    r.EntryCode2 = m_entry2;
    return r;
}

void CSignStep3User::DoDataExchange(CDataExchange* dx)
{
    const struct {
        int id;
        CString CSignStep3User::*member;
        int limit;
    } fields[] = {
        {IDC_SW_KANA, &CSignStep3User::m_kana, 16},        {IDC_SW_KANA2, &CSignStep3User::m_kana2, 16},
        {IDC_SW_NAME, &CSignStep3User::m_name, 16},        {IDC_SW_NAME2, &CSignStep3User::m_name2, 16},
        {IDC_SW_AGE, &CSignStep3User::m_age, 4},           {IDC_SW_ZIP, &CSignStep3User::m_zip1, 3},
        {IDC_SW_ZIP2, &CSignStep3User::m_zip2, 4},         {IDC_SW_ADDRESS1, &CSignStep3User::m_address1, 50},
        {IDC_SW_ADDRESS2, &CSignStep3User::m_address2, 42}, {IDC_SW_TEL, &CSignStep3User::m_tel, 6},
        {IDC_SW_TEL2, &CSignStep3User::m_tel2, 5},         {IDC_SW_TEL3, &CSignStep3User::m_tel3, 5},
        {IDC_SW_VERK, &CSignStep3User::m_verk, 8},         {IDC_SW_VERK2, &CSignStep3User::m_verk2, 8},
        {IDC_SW_VERK3, &CSignStep3User::m_verk3, 8},       {IDC_SW_ENTRY, &CSignStep3User::m_entry, 2},
        {IDC_SW_ENTRY2, &CSignStep3User::m_entry2, 3},
    };
    for (const auto& field : fields) {
        DDX_Text(dx, field.id, this->*field.member);
        DDV_MaxChars(dx, this->*field.member, field.limit);
    }
    DDX_CBString(dx, IDC_SW_AGE2, m_age2);
    DDV_MaxChars(dx, m_age2, 2);
    DDX_CBString(dx, IDC_SW_AGE3, m_age3);
    DDV_MaxChars(dx, m_age3, 2);
    DDX_CBString(dx, IDC_SW_SEX, m_sex);
}

BOOL CSignStep3User::OnInitDialog()
{
    HWND month = GetDlgItem(IDC_SW_AGE2), day = GetDlgItem(IDC_SW_AGE3), sex = GetDlgItem(IDC_SW_SEX);
    for (int i = 1; i <= 31; ++i) {
        CString number;
        number.Format("%d", i);
        if (i <= 12)
            ::SendMessageA(month, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(number.GetString()));
        ::SendMessageA(day, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(number.GetString()));
    }
    ::SendMessageA(month, CB_LIMITTEXT, 2, 0);
    ::SendMessageA(day, CB_LIMITTEXT, 2, 0);
    ::SendMessageA(sex, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SignText(IDS_SW_MALE).GetString()));
    ::SendMessageA(sex, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SignText(IDS_SW_FEMALE).GetString()));
    const struct {
        int id;
        int limit;
    } limits[] = {{IDC_SW_KANA, 16},     {IDC_SW_KANA2, 16},     {IDC_SW_NAME, 16}, {IDC_SW_NAME2, 16},
                  {IDC_SW_AGE, 4},       {IDC_SW_ZIP, 3},        {IDC_SW_ZIP2, 4},  {IDC_SW_ADDRESS1, 50},
                  {IDC_SW_ADDRESS2, 42}, {IDC_SW_TEL, 6},        {IDC_SW_TEL2, 5},  {IDC_SW_TEL3, 5},
                  {IDC_SW_VERK, 8},      {IDC_SW_VERK2, 8},      {IDC_SW_VERK3, 8}, {IDC_SW_ENTRY, 2},
                  {IDC_SW_ENTRY2, 3}};
    for (const auto& limit : limits)
        ::SendMessageA(GetDlgItem(limit.id), EM_LIMITTEXT, static_cast<WPARAM>(limit.limit), 0);
    CSignPage::OnInitDialog();
    PlaceInSheet();
    SignLabelRow rows[22];
    for (int i = 0; i < 22; ++i)
        rows[i] = Step3Label(i);
    m_wizard.SetLabelTable(*this, rows, 22);
    for (int id : kStep3ImeOff)
        ::ImmAssociateContext(GetDlgItem(id), nullptr);
    m_wizard.ShowText(GetDlgItem(IDC_SW_RESULT), "");
    return TRUE;
}

void CSignStep3User::CheckComplete()
{
    UpdateData(TRUE);
    const bool complete = signup::UserDataComplete(RecordOfFields());
    m_wizard.EnableButton(CPropertySheet::kNextButton, complete);
}

void CSignStep3User::LookUpAddress()
{
    const CString street = GetDlgItemText(IDC_SW_ADDRESS1);
    const CString first = GetDlgItemText(IDC_SW_ZIP), second = GetDlgItemText(IDC_SW_ZIP2);
    if (!street.IsEmpty() || !AllDigits(first) || !AllDigits(second))
        return;
    const CString code = CZipCodeLoader::CodeOf(first, second);
    if (code.IsEmpty())
        return;
    const CString address = m_zip.LookUp(code);
    if (address.GetLength() >= 1 && address.GetLength() <= 50)
        SetDlgItemText(IDC_SW_ADDRESS1, address);
}

BOOL CSignStep3User::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (code == EN_SETFOCUS) {
        if (id == IDC_SW_ADDRESS1)
            LookUpAddress();
        for (int open : kStep3ImeOn)
            if (open == id)
                SetImeOpen(GetDlgItem(id), true);
    }
    if (code == EN_CHANGE || code == CBN_EDITCHANGE || code == CBN_SELCHANGE) {
        if (code == CBN_SELCHANGE) {
            // The new selection reaches the combo's text only after this notification.
            HWND combo = GetDlgItem(id);
            const LRESULT index = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
            char text[16] = {};
            if (index >= 0 && ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) < 15)
                ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
            ::SetWindowTextA(combo, text);
        }
        CheckComplete();
    }
    return CSignPage::OnCommand(wParam, lParam);
}

BOOL CSignStep3User::OnSetActive()
{
    PlaceInSheet();
    m_wizard.SetBackNextLabels();
    CheckComplete();
    if (m_shownAgain) {
        const int result = m_app.Requests().LastResult();
        HWND resultWindow = GetDlgItem(IDC_SW_RESULT);
        if (result < 0) {
            const long code = result == -1 ? static_cast<long>(m_app.Requests().LastError()) : result;
            m_wizard.ShowText(resultWindow, "");
            m_wizard.AppendProgress(resultWindow, IDS_SW_SIGNUP_ERROR, code);
        } else {
            m_wizard.ShowText(resultWindow, m_app.Requests().ServerMessage());
        }
        ::SetFocus(GetDlgItem(result == 2 ? IDC_SW_VERK : IDC_SW_KANA));
    }
    return TRUE;
}

LRESULT CSignStep3User::OnWizardBack()
{
    m_shownAgain = false;
    m_wizard.EnableButton(CPropertySheet::kBackButton, false);
    return 0;
}

LRESULT CSignStep3User::OnWizardNext()
{
    CWaitCursor wait;
    if (!UpdateData(TRUE))
        return -1;
    SignupRecord record = RecordOfFields();
    record.MachineId = m_app.m_record.MachineId;
    m_app.m_record = record;
    m_shownAgain = true;
    return 0;
}

// ---- page 4: confirmation and the sign-up request ------------------------------------------------

BOOL CSignStep4User::OnSetActive()
{
    PlaceInSheet();
    m_wizard.SetYesNoLabels();
    m_wizard.ShowText(GetDlgItem(IDC_SW_CONFIRM_PROMPT), SignText(IDS_SW_CONFIRM_ASK));
    m_wizard.ShowText(GetDlgItem(IDC_SW_CONFIRMATION),
                      signup::FormatConfirmation(m_app.m_record, SignText(IDS_SW_CONFIRM_FORMAT),
                                                 SignText(IDS_SW_MALE), SignText(IDS_SW_FEMALE)));
    return TRUE;
}

LRESULT CSignStep4User::OnWizardNext()
{
    CWaitCursor wait;
    if (IProfileStore* profile = m_app.GetProfileStore())
        SaveUserSection(*profile, m_app.m_record);
    m_wizard.EnableBackNext(false);
    if (!m_app.ConnectServer(this)) {
        m_wizard.EnableBackNext(true);
        return -1;
    }
    m_app.ApplyBrowserProxy();
    HWND confirmation = GetDlgItem(IDC_SW_CONFIRMATION);
    m_wizard.AppendProgress(confirmation, IDS_SW_SIGNUP_START, 0);
    m_app.m_record.MachineId = m_app.MakeMachineId();
    const int result = m_app.Requests().PostSignupForm(m_app.m_record);
    m_wizard.EnableBackNext(true);
    if (result == 0) {
        m_app.SaveNetInfoNow();
        return 0;
    }
    if (result < 0) {
        const long code = result == -1 ? static_cast<long>(m_app.Requests().LastError()) : result;
        CString text = SignText(IDS_SW_COMM_ERROR);
        CString number;
        number.Format("(#%ld)", code);
        text += number;
        m_app.ShowMessage(m_wizard.m_hWnd, text, MB_ICONHAND);
    } else {
        m_app.ShowMessage(m_wizard.m_hWnd, m_app.Requests().ServerMessage(), MB_ICONHAND);
    }
    return JumpTo(2);
}

// ---- page 5: login data --------------------------------------------------------------------------

namespace {

SignLabelRow Step5Label(int index)
{
    const bool heading = index == 0;
    return SW_ROW(IDC_SW_REST_LABEL_FIRST + index, static_cast<UINT>(IDS_SW_REST_LABEL_FIRST + index), heading ? 13 : 12,
                  heading ? static_cast<DWORD>(CFE_BOLD) : 0u);
}

constexpr int kStep5Limits[][2] = {{IDC_SW_COMM_NAME, 16}, {IDC_SW_LOGIN_ID, 40}, {IDC_SW_LOGIN_PASSWORD, 8}};

void SetReadOnly(HWND edit, bool readOnly) { ::SendMessageA(edit, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0); }

} // namespace

void CSignStep5Rest::FillFromAccount()
{
    m_commName = m_app.m_Comm_name;
    m_loginId = m_app.m_LoginID;
    m_password = m_app.m_LoginPasswd;
}

BOOL CSignStep5Rest::OnInitDialog()
{
    for (const auto& limit : kStep5Limits)
        ::SendMessageA(GetDlgItem(limit[0]), EM_LIMITTEXT, static_cast<WPARAM>(limit[1]), 0);
    CSignPage::OnInitDialog();
    PlaceInSheet();
    SignLabelRow rows[6];
    for (int i = 0; i < 6; ++i)
        rows[i] = Step5Label(i);
    m_wizard.SetLabelTable(*this, rows, 6);
    // Typed in Latin letters and digits.
    ::ImmAssociateContext(GetDlgItem(IDC_SW_LOGIN_ID), nullptr);
    ::ImmAssociateContext(GetDlgItem(IDC_SW_LOGIN_PASSWORD), nullptr);
    return TRUE;
}

void CSignStep5Rest::CheckComplete()
{
    const bool complete = !GetDlgItemText(IDC_SW_COMM_NAME).IsEmpty() && !GetDlgItemText(IDC_SW_LOGIN_ID).IsEmpty() &&
                          !GetDlgItemText(IDC_SW_LOGIN_PASSWORD).IsEmpty();
    m_wizard.EnableButton(CPropertySheet::kNextButton, complete);
}

BOOL CSignStep5Rest::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == EN_CHANGE && (id == IDC_SW_COMM_NAME || id == IDC_SW_LOGIN_ID || id == IDC_SW_LOGIN_PASSWORD)) {
        CheckComplete();
        return TRUE;
    }
    return CSignPage::OnCommand(wParam, lParam);
}

BOOL CSignStep5Rest::OnSetActive()
{
    CWaitCursor wait;
    PlaceInSheet();
    m_wizard.SetBackNextLabels();
    const bool recovery = m_app.m_mode == 2;
    if (!recovery)
        m_wizard.EnableButton(CPropertySheet::kBackButton, false);
    m_wizard.EnableButton(IDCANCEL, false);
    FillFromAccount();
    HWND name = GetDlgItem(IDC_SW_COMM_NAME), login = GetDlgItem(IDC_SW_LOGIN_ID), password = GetDlgItem(IDC_SW_LOGIN_PASSWORD);
    ::SetWindowTextA(name, m_commName);
    ::SetWindowTextA(login, m_loginId);
    ::SetWindowTextA(password, m_password);
    // After a new registration the server has given the login data: shown, not to be changed.
    const bool loginGiven = !recovery && !m_loginId.IsEmpty();
    const bool passwordGiven = !recovery && !m_password.IsEmpty();
    SetReadOnly(login, loginGiven);
    SetReadOnly(password, passwordGiven);
    ::SendMessageA(password, EM_SETPASSWORDCHAR, passwordGiven ? 0 : static_cast<WPARAM>('*'), 0);
    ::InvalidateRect(password, nullptr, TRUE);
    HWND prompt = GetDlgItem(IDC_SW_REST_PROMPT);
    CString text = SignText(recovery ? IDS_SW_RECOVERY_INTRO : IDS_SW_SIGNUP_DONE);
    const CSignupRequests::Outcome& outcome = m_wizard.m_step6.LastOutcome();
    if (m_shownAfterFailure && outcome.result != 0) {
        const CString failure = m_wizard.m_step6.FailureText(outcome);
        if (failure.Left(2) != "\r\n")
            text += "\r\n";
        text += failure;
    }
    m_wizard.ShowText(prompt, text);
    if (!recovery)
        ::SetFocus(name);
    CheckComplete();
    return TRUE;
}

LRESULT CSignStep5Rest::OnWizardNext()
{
    m_shownAfterFailure = true;
    m_commName = GetDlgItemText(IDC_SW_COMM_NAME);
    m_loginId = GetDlgItemText(IDC_SW_LOGIN_ID);
    m_password = GetDlgItemText(IDC_SW_LOGIN_PASSWORD);
    m_app.m_Comm_name = m_commName;
    m_app.m_LoginID = m_loginId;
    m_app.m_LoginPasswd = m_password;
    m_wizard.ShowText(GetDlgItem(IDC_SW_REST_PROMPT), "");
    m_wizard.EnableButton(IDCANCEL, true);
    return 0;
}

LRESULT CSignStep5Rest::OnWizardBack()
{
    if (m_app.m_mode != 2)
        return -1; // a new registration has no way back past its sign-up
    m_wizard.EnableButton(IDCANCEL, true);
    return JumpTo(signup::NextPageIndex(m_app.m_mode, 4, signup::WizardButton::Back));
}

// ---- page 6: account verification and the communication ID ----------------------------------------

CString CSignStep6Rest::FailureText(const CSignupRequests::Outcome& outcome) const
{
    if (outcome.textId == 0)
        return m_app.Requests().ServerMessage();
    CString text = SignText(outcome.textId);
    CString number;
    number.Format("(#%d)", outcome.code);
    return text + number;
}

BOOL CSignStep6Rest::OnSetActive()
{
    CWaitCursor wait;
    PlaceInSheet();
    m_wizard.SetYesNoLabels();
    m_wizard.EnableButton(IDCANCEL, true);
    m_wizard.ShowText(GetDlgItem(IDC_SW_VERIFY_PROMPT),
                      SignText(m_app.m_mode == 2 ? IDS_SW_RECOVERY_ASK : IDS_SW_CONFIRM_ASK));
    CString data;
    data.Format(SignText(IDS_SW_VERIFY_DATA), m_app.m_LoginID.GetString(), m_app.m_LoginPasswd.GetString(),
                m_app.m_Comm_name.GetString());
    m_wizard.ShowText(GetDlgItem(IDC_SW_VERIFY_DATA), data);
    return TRUE;
}

LRESULT CSignStep6Rest::OnWizardBack()
{
    m_wizard.SetBackNextLabels();
    return 0;
}

LRESULT CSignStep6Rest::OnWizardNext()
{
    CWaitCursor wait;
    m_wizard.EnableBackNext(false);
    const bool recovery = m_app.m_mode == 2;
    if (recovery && m_firstAttempt) {
        if (m_app.NeedsDialup()) {
            if ((!m_app.RasManager() && !m_app.CreateRasManager(true)) || !m_app.DialSignupServer(true, this)) {
                m_wizard.EnableBackNext(true);
                return -1;
            }
            m_firstAttempt = false;
        }
    } else if (!m_app.ConnectServer(this)) {
        m_wizard.EnableBackNext(true);
        return -1;
    }
    m_app.ApplyBrowserProxy();
    HWND prompt = GetDlgItem(IDC_SW_VERIFY_PROMPT);
    m_wizard.AppendProgress(prompt, recovery ? IDS_SW_RECOVERY_START : IDS_SW_VERIFY_START, 0);
    m_outcome = m_app.Requests().VerifyAccount(m_app.m_mode, m_app.m_Comm_name, [this, prompt] {
        m_wizard.AppendProgress(prompt, IDS_SW_COMMID_START, 0);
    });
    if (m_outcome.result == 0) {
        m_app.SaveNetInfoNow();
        return 0;
    }
    const CString text = FailureText(m_outcome);
    m_wizard.ShowText(prompt, text);
    m_app.ShowMessage(m_wizard.m_hWnd, text, MB_ICONHAND);
    m_wizard.EnableBackNext(true);
    return JumpTo(4);
}

// ---- page 7: the connection information -------------------------------------------------------------

CSignStep7End::~CSignStep7End() { Unregister(); }

void CSignStep7End::Unregister()
{
    if (m_app.m_resultPage == this)
        m_app.m_resultPage = nullptr;
}

BOOL CSignStep7End::OnInitDialog()
{
    CSignPage::OnInitDialog();
    PlaceInSheet();
    const SignLabelRow row = SW_ROW(IDC_SW_END_TEXT, IDS_SW_END_DONE, 12, static_cast<DWORD>(CFE_BOLD));
    m_wizard.SetLabelTable(*this, &row, 1);
    RefreshConnectionInfo();
    m_app.m_resultPage = this;
    return TRUE;
}

void CSignStep7End::RefreshConnectionInfo()
{
    if (!m_hWnd)
        return;
    CStringTableTexts texts;
    CNetAccess access(m_app, m_app.Forms(), texts);
    m_wizard.ShowText(GetDlgItem(IDC_SW_END_INFO), access.AccountSummary());
}

BOOL CSignStep7End::OnSetActive()
{
    CWaitCursor wait;
    PlaceInSheet();
    m_wizard.SetBackNextLabels();
    m_wizard.ShowControl(IDCANCEL, false);
    RefreshConnectionInfo();
    if (m_app.m_mode == 2) {
        m_wizard.SetWizardButtons(PSWIZB_FINISH);
        m_app.HangUp();
    } else {
        // Finish waits for the course-change dialog.
        m_wizard.SetWizardButtons(PSWIZB_DISABLEDFINISH);
        SetTimer(kCourseTimer, 300);
    }
    return TRUE;
}

void CSignStep7End::RunCourseChange()
{
    CCourseChangeDlg dialog(m_app, m_wizard.Browser(), &m_wizard);
    dialog.DoModal();
    m_wizard.SetWizardButtons(PSWIZB_FINISH);
    if (m_app.m_courseChanged)
        RefreshConnectionInfo();
    m_app.HangUp();
}

LRESULT CSignStep7End::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kCourseTimer) {
        KillTimer(kCourseTimer);
        RunCourseChange();
        return 0;
    }
    if (message == WM_DESTROY)
        Unregister();
    return CSignPage::WindowProc(message, wParam, lParam);
}

// ---- the wizard as the application runs it ------------------------------------------------------

INT_PTR CSignupWizard::Run(CSignupApp& app)
{
    CSignStart sheet(app, m_browser);
    m_sheet = &sheet;
    const INT_PTR result = sheet.DoModal();
    m_sheet = nullptr;
    return result;
}
