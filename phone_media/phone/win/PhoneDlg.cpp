#include "phone_media/phone/win/PhoneDlg.h"

#include "framework/core/Cp932.h"
#include "framework/win/PopupMenuSeam.h"
#include "phone_media/callengine/CallEngine.h"
#include "phone_media/phone/win/PrepaidDlg.h"
#include "resources/ids/phone_media.h"
#include "shell/common/services/ErrorSink.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/skin/BannerCheck.h"
#include "shell/common/services/WindowKinds.h"
#include "toolkit/win/SkinHost.h"
#include "voip/qelo.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

IPhoneHost* g_host = nullptr;

struct ButtonRow {
    UINT id;
    const char* strip;
    char key; // the keypad character, or 0
};
// The 25 skin buttons; the last two are the level indicators.
const ButtonRow kButtons[CPhoneDlg::kButtonCount] = {
    {IDC_PHONE_START, "phone_start.bmp", 0},   {IDC_PHONE_END, "phone_end.bmp", 0},
    {IDC_PHONE_0, "phone_0.bmp", '0'},         {IDC_PHONE_1, "phone_1.bmp", '1'},
    {IDC_PHONE_2, "phone_2.bmp", '2'},         {IDC_PHONE_3, "phone_3.bmp", '3'},
    {IDC_PHONE_4, "phone_4.bmp", '4'},         {IDC_PHONE_5, "phone_5.bmp", '5'},
    {IDC_PHONE_6, "phone_6.bmp", '6'},         {IDC_PHONE_7, "phone_7.bmp", '7'},
    {IDC_PHONE_8, "phone_8.bmp", '8'},         {IDC_PHONE_9, "phone_9.bmp", '9'},
    {IDC_PHONE_ASTERISK, "phone_asta.bmp", '*'}, {IDC_PHONE_SHARP, "phone_#.bmp", '#'},
    {IDC_PHONE_CLS, "phone_cls.bmp", 0},       {IDC_PHONE_FORWARD, "phone_forward.bmp", 0},
    {IDC_PHONE_SOUND, "phone_sound.bmp", 0},   {IDC_PHONE_SHORT, "phone_short.bmp", 0},
    {IDC_PHONE_REC, "phone_rec.bmp", 0},       {IDC_PHONE_REDIAL_UP, "phone_up.bmp", 0},
    {IDC_PHONE_REDIAL_DOWN, "phone_down.bmp", 0}, {IDC_PHONE_CREDIT, "phone_credit.bmp", 0},
    {IDC_PHONE_PREPAID, "phone_prepaid.bmp", 0}, {IDC_PHONE_SND_INDICATE, "phone_snd_indicate.bmp", 0},
    {IDC_PHONE_RCV_INDICATE, "phone_rcv_indicate.bmp", 0},
};
const int kSendIndicator = 23;
const int kReceiveIndicator = 24;

// A library text is copied at once; a null one is empty and a very long one is cut at a
// character boundary (the status line shows one line).
const std::size_t kLibraryTextLimit = 1024;

std::string CopyLibraryText(const char* text)
{
    if (!text)
        return std::string();
    std::size_t length = 0;
    while (length <= kLibraryTextLimit && text[length])
        ++length;
    if (length > kLibraryTextLimit)
        length = cp932::BoundaryAtOrBefore(text, length, kLibraryTextLimit);
    return std::string(text, length);
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

UINT FindKeypadId(char key)
{
    for (const ButtonRow& row : kButtons)
        if (row.key == key)
            return row.id;
    return 0;
}

} // namespace

namespace phone {
void SetHost(IPhoneHost* host) { g_host = host; }
IPhoneHost* Host() { return g_host; }
} // namespace phone

struct CPhoneDlg::LibraryEvent {
    enum Kind { State, Status, Error, Credit, VoiceStat, OffHook } kind;
    int first = 0;
    int second = 0;
    std::string text;
};

BEGIN_MESSAGE_MAP(CPhoneDlg, CSkinFrameDialog)
    ON_WM_DESTROY()
    ON_COMMAND(IDC_PHONE_START, OnDial)
    ON_COMMAND(IDC_PHONE_END, OnHangUp)
    ON_COMMAND(IDC_PHONE_CLS, OnClose)
    ON_COMMAND(IDC_PHONE_REDIAL_UP, OnRedialUp)
    ON_COMMAND(IDC_PHONE_REDIAL_DOWN, OnRedialDown)
    ON_COMMAND(IDC_PHONE_PREPAID, OnPrepaid)
    ON_COMMAND(IDC_PHONE_CREDIT, OnCreditPage)
    ON_COMMAND(ID_PHONE_FRIEND_PAGE, OnFriendPage)
    ON_COMMAND(ID_PHONE_USER_ROOM, OnUserRoom)
    ON_MESSAGE(WM_RBUTTONDOWN, OnRightButtonDown)
    ON_MESSAGE(kPostedErrorMessage, OnPostedError)
    ON_MESSAGE(kLibraryEventMessage, OnLibraryEvent)
    // After the buttons above: the range spans their ids too, and only keypad ids act.
    ON_COMMAND_RANGE(IDC_PHONE_1, IDC_PHONE_SHARP, OnKeypad)
END_MESSAGE_MAP()

CPhoneDlg::CPhoneDlg(CWnd* parent) : CSkinFrameDialog(IDD_PHONE, parent), m_host(phone::Host())
{
    m_style = kModePanel;
    JoinRegistry(kWindowPhone);
    LoadRedialList();
    m_sessionStarted = false;
    // The library writes no log of its own until a session asks for one.
    PW_set_loglevel(-99);
}

CPhoneDlg::~CPhoneDlg()
{
    delete m_engine;
    m_engine = nullptr;
    SaveRedialList();
}

BOOL CPhoneDlg::Create()
{
    if (!m_host)
        return FALSE;
    if (!LoadSkin("phone.bmp", FALSE))
        return FALSE;
    return CDialog::Create(IDD_PHONE, m_parentWindow) && m_laidOut;
}

void CPhoneDlg::PostNcDestroy() { delete this; }

BOOL CPhoneDlg::OnInitDialog()
{
    CSkinFrameDialog::OnInitDialog();
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[i].SubclassDlgItem(kButtons[i].id, this);
    m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                  m_hWnd, nullptr, AfxGetInstanceHandle(), nullptr);
    const std::pair<UINT, UINT> tips[] = {{IDC_PHONE_START, IDS_PHONE_TIP_START}, {IDC_PHONE_END, IDS_PHONE_TIP_END},
                                          {IDC_PHONE_REDIAL_UP, IDS_PHONE_TIP_REDIAL},
                                          {IDC_PHONE_REDIAL_DOWN, IDS_PHONE_TIP_REDIAL},
                                          {IDC_PHONE_PREPAID, IDS_PHONE_TIP_PREPAID},
                                          {IDC_PHONE_CREDIT, IDS_PHONE_TIP_CREDIT}};
    for (const auto& tip : tips) {
        CString text = LoadText(tip.second);
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = m_hWnd;
        info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(static_cast<int>(tip.first)));
        info.lpszText = const_cast<char*>(text.GetString());
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
    if (!m_banner)
        m_banner.reset(m_host->CreateBanner(this, IDC_PHONE_BANNER));
    if (!RunSkinLayout())
        return FALSE;
    EnableKeys(false);
    if (GetConnectMode() == -1)
        SetStatusText(LoadText(IDS_PHONE_MODEM_ONLY));
    m_eventTarget.store(m_hWnd);
    m_laidOut = true;
    // Typing goes to the number display (the status line never takes the caret).
    ::SetFocus(GetDlgItem(IDC_PHONE_NO));
    return FALSE;
}

bool CPhoneDlg::RunSkinLayout()
{
    ISkinSource& skins = toolkit::Skins();
    bool ok = true;
    for (int i = 0; i < kButtonCount; ++i) {
        if (!m_buttons[i].SetBitmap(kButtons[i].strip, 4))
            ok = false;
        m_buttons[i].SetText(nullptr);
        // A skin entry without an anchor still places the control.
        RECT rect;
        int anchor = skins.GetControlRect(kButtons[i].id, &rect);
        if (!::IsRectEmpty(&rect))
            m_buttons[i].MoveToRect(rect);
        if (anchor >= 0)
            SetControlAnchor(kButtons[i].id, anchor);
    }
    if (!ok)
        return false;
    for (UINT id : {IDC_PHONE_STATUS, IDC_PHONE_NO}) {
        RECT rect;
        HWND control = GetDlgItem(static_cast<int>(id));
        skins.GetControlRect(id, &rect);
        if (control && !::IsRectEmpty(&rect))
            ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    m_sendWidth = m_buttons[kSendIndicator].GetFrameWidth();
    m_receiveWidth = m_buttons[kReceiveIndicator].GetFrameWidth();
    ShowVoiceLevels(0, 0);
    RECT banner = {0, 0, 0, 0};
    skins.GetControlRect(IDC_PHONE_BANNER, &banner);
    if (HWND control = GetDlgItem(IDC_PHONE_BANNER)) {
        if (!::IsRectEmpty(&banner))
            ::MoveWindow(control, banner.left, banner.top, kBannerWidth, kBannerHeight, TRUE);
        else
            ::MoveWindow(control, 0, 0, 0, 0, TRUE);
    }
    return CheckBanner();
}

bool CPhoneDlg::CheckBanner()
{
    std::vector<UINT> others = {IDC_PHONE_STATUS, IDC_PHONE_NO};
    for (const ButtonRow& row : kButtons)
        others.push_back(row.id);
    return skin_banner::CheckBanner(m_hWnd, IDC_PHONE_BANNER, others, IDS_PHONE_BANNER_BROKEN, *m_host);
}

bool CPhoneDlg::LayoutSkin()
{
    if (!ReloadSkin("phone.bmp"))
        return false;
    if (!RunSkinLayout())
        return false;
    DockFromSkin(IDD_PHONE);
    if (m_prepaid && m_prepaid->GetSafeHwnd())
        m_prepaid->LayoutSkin();
    return true;
}

void CPhoneDlg::OnDestroy()
{
    m_eventTarget.store(nullptr);
    CString number = DisplayText();
    if (!number.IsEmpty())
        SavePhoneNumber(number);
    EndSession();
    if (m_toolTip) {
        ::DestroyWindow(m_toolTip);
        m_toolTip = nullptr;
    }
    // Events still queued for the window are freed with it.
    MSG msg;
    while (::PeekMessageA(&msg, m_hWnd, kLibraryEventMessage, kLibraryEventMessage, PM_REMOVE))
        delete reinterpret_cast<LibraryEvent*>(msg.lParam);
    CSkinFrameDialog::OnDestroy();
}

// ---- Session -------------------------------------------------------------------------------

int CPhoneDlg::GetConnectMode() const
{
    unsigned flags = m_host->ConnectionFlags();
    if (flags & 0x2)
        return -1;
    return (flags & 0x1) ? 1 : 0;
}

bool CPhoneDlg::LoadSessionSettings()
{
    m_commId = m_host->OwnCommId();
    m_secondId = m_host->SecondIdentity();
    m_country = m_host->CountryCode();
    m_area = phone::TrimAreaCode(m_host->AreaCode().str()).c_str();
    if (m_country.IsEmpty() || m_area.IsEmpty()) {
        PresentMessageBoxId(m_hWnd, IDS_PHONE_NO_AREA_CODE, MB_OK);
        return false;
    }
    if (m_host->CallServiceOff()) {
        m_sessionStarted = false;
        SetStatusText(LoadText(IDS_PHONE_ENABLE_SERVICE));
        return false;
    }
    if (GetConnectMode() == -1) {
        m_sessionStarted = false;
        SetStatusText(LoadText(IDS_PHONE_LAN_NAT_ONLY));
        return false;
    }
    return true;
}

CString CPhoneDlg::GetOwnCallId()
{
    CString callId;
    int result = m_host->SearchCallService(1, m_commId, &callId);
    if (result == 0 && callId.IsEmpty()) {
        if (m_host->RegisterCallId(0, "3", &callId) != 0)
            callId.Empty();
    }
    return callId;
}

bool CPhoneDlg::StartSession()
{
    if (!LoadSessionSettings())
        return false;
    m_signedIn = false;
    CString callId = GetOwnCallId();
    if (callId.IsEmpty() || !WriteUnitId(callId))
        return false;
    // An engine that a failed start left behind goes before the next one takes the library's
    // callbacks.
    if (m_engine) {
        delete m_engine;
        m_engine = nullptr;
    }
    m_engine = new CCallEngine();
    m_engine->SetStateHandler(&CPhoneDlg::OnStateEvent, this);
    m_engine->SetVoiceStatHandler(&CPhoneDlg::OnVoiceStatEvent, this);
    m_engine->SetCreditHandler(&CPhoneDlg::OnCreditEvent, this);
    m_engine->SetStatusHandler(&CPhoneDlg::OnStatusEvent, this);
    m_engine->SetErrorHandler(&CPhoneDlg::OnErrorEvent, this);
    m_engine->SetOffHookHandler(&CPhoneDlg::OnOffHookEvent, this);
    if (m_engine->Start(nullptr, m_country, m_area, m_commId, "", GetConnectMode())) {
        m_sessionStarted = true;
        return true;
    }
    return false;
}

void CPhoneDlg::EndSession()
{
    m_signedIn = false;
    if (m_hWnd)
        EnableKeys(false);
    if (!m_sessionStarted || GetConnectMode() == -1)
        return;
    if (m_engine) {
        m_engine->Logout();
        CCallEngine* engine = m_engine;
        m_engine = nullptr;
        ReleaseSoundDevice();
        delete engine;
    }
    m_sessionStarted = false;
    StopRinging();
    if (m_hWnd)
        SetStatusText(LoadText(IDS_PHONE_LAN_NAT_ONLY));
}

bool CPhoneDlg::InCall() const { return m_engine && (m_engine->GetStatus() & phone::kInCall); }

// ---- Library events ------------------------------------------------------------------------

void CPhoneDlg::Post(LibraryEvent* event)
{
    HWND target = m_eventTarget.load();
    if (!target || !::PostMessageA(target, kLibraryEventMessage, 0, reinterpret_cast<LPARAM>(event)))
        delete event;
}

void CPhoneDlg::OnStateEvent(void* context, int code, const char* message)
{
    if (auto* self = static_cast<CPhoneDlg*>(context))
        self->Post(new LibraryEvent{LibraryEvent::State, code, 0, CopyLibraryText(message)});
}

void CPhoneDlg::OnStatusEvent(void* context, int kind, int code, const char* message)
{
    if (auto* self = static_cast<CPhoneDlg*>(context))
        self->Post(new LibraryEvent{LibraryEvent::Status, code, kind, CopyLibraryText(message)});
}

void CPhoneDlg::OnErrorEvent(void* context, const char* message)
{
    if (auto* self = static_cast<CPhoneDlg*>(context))
        self->Post(new LibraryEvent{LibraryEvent::Error, 0, 0, CopyLibraryText(message)});
}

void CPhoneDlg::OnCreditEvent(void* context, int credit)
{
    if (auto* self = static_cast<CPhoneDlg*>(context))
        self->Post(new LibraryEvent{LibraryEvent::Credit, credit, 0, std::string()});
}

void CPhoneDlg::OnVoiceStatEvent(void* context, int rx, int tx)
{
    if (auto* self = static_cast<CPhoneDlg*>(context))
        self->Post(new LibraryEvent{LibraryEvent::VoiceStat, rx, tx, std::string()});
}

void CPhoneDlg::OnOffHookEvent(void* context, int off)
{
    if (auto* self = static_cast<CPhoneDlg*>(context))
        self->Post(new LibraryEvent{LibraryEvent::OffHook, off, 0, std::string()});
}

LRESULT CPhoneDlg::OnLibraryEvent(WPARAM, LPARAM record)
{
    std::unique_ptr<LibraryEvent> event(reinterpret_cast<LibraryEvent*>(record));
    if (!event)
        return 0;
    CString text(event->text.c_str());
    switch (event->kind) {
    case LibraryEvent::State:
        HandleState(event->first, text);
        break;
    case LibraryEvent::Status:
        HandleStatus(event->first, text);
        break;
    case LibraryEvent::Error:
        ReleaseSoundDevice();
        if (!m_errorPending)
            PostError(text, MB_ICONSTOP);
        break;
    case LibraryEvent::Credit:
        HandleCredit(event->first);
        break;
    case LibraryEvent::VoiceStat:
        ShowVoiceLevels(event->first, event->second);
        break;
    case LibraryEvent::OffHook:
        if (event->first == 0)
            ReleaseSoundDevice();
        break;
    }
    return 0;
}

CString CPhoneDlg::LookUpCommId(const CString& callId)
{
    CString commId;
    if (callId.IsEmpty() || m_host->SearchCallService(0, callId, &commId) != 0)
        commId.Empty();
    return commId;
}

void CPhoneDlg::HandleState(int code, const CString& text)
{
    phone::StateAction action = phone::ActionForState(code);
    if (action.zeroIndicators)
        ShowVoiceLevels(0, 0);
    if (action.clearRinging) {
        StopRinging();
        m_caller.Empty();
        m_incomingShown = false;
    }
    if (action.releaseSound)
        ReleaseSoundDevice();
    if (action.showText && !text.IsEmpty())
        SetStatusText(text);
    if (action.postWarning)
        PostError(text, MB_ICONEXCLAMATION);
    if (action.signedIn) {
        OnSignedIn();
        m_signedIn = true;
    }
    if (action.lookUpCaller) {
        // The caller is looked up once, by the bare call ID of this event.
        if (!AcquireSoundDevice()) {
            OnHangUp();
            return;
        }
        CString caller = LookUpCommId(text);
        if (caller.IsEmpty()) {
            OnHangUp();
            ReleaseSoundDevice();
            return;
        }
        AddRedial(caller);
        m_caller = caller;
        m_ringing = true;
        m_host->BlinkPhoneButton();
        if (m_incomingShown)
            SetStatusText(LoadText(IDS_PHONE_INCOMING) + caller);
    }
    if (action.lookUpCallee) {
        CString callee = LookUpCommId(text);
        if (callee.IsEmpty()) {
            if (!text.IsEmpty())
                SetStatusText(text);
            return;
        }
        AddRedial(callee);
        SetStatusText(LoadText(IDS_PHONE_OUTGOING) + callee);
    }
}

void CPhoneDlg::HandleStatus(int code, const CString& text)
{
    if (code == phone::kStatusIncoming) {
        // The sentence itself never goes to the look-up: the caller found at the ringing state
        // is shown, once known (an unknown caller is hung up without a word).
        m_incomingShown = true;
        if (!m_caller.IsEmpty())
            SetStatusText(LoadText(IDS_PHONE_INCOMING) + m_caller);
        return;
    }
    SetStatusText(text);
}

void CPhoneDlg::HandleCredit(int credit)
{
    phone::CreditText credited;
    if (!phone::FormatCredit(credit, &credited))
        return;
    CString line;
    line.Format(LoadText(static_cast<UINT>(credited.stringId)), credited.amount.c_str());
    SetStatusText(line);
}

void CPhoneDlg::PostError(const CString& text, unsigned flags)
{
    if (m_errorPending || text.IsEmpty())
        return;
    m_errorText = text;
    m_errorPending = true;
    if (!m_hWnd || !PostMessage(kPostedErrorMessage, flags, 0))
        m_errorPending = false;
}

LRESULT CPhoneDlg::OnPostedError(WPARAM flags, LPARAM)
{
    if (m_errorPending)
        m_host->Errors().ShowErrorBalloon(m_errorText, static_cast<unsigned>(flags));
    m_errorPending = false;
    return 0;
}

// ---- Buttons, display, indicators ----------------------------------------------------------

void CPhoneDlg::OnSignedIn()
{
    for (const ButtonRow& row : kButtons) {
        if (row.id == IDC_PHONE_SND_INDICATE || row.id == IDC_PHONE_RCV_INDICATE || row.id == IDC_PHONE_CLS)
            continue;
        bool off = row.id == IDC_PHONE_SHORT || row.id == IDC_PHONE_REC || row.id == IDC_PHONE_FORWARD;
        for (CSkinButton& button : m_buttons)
            if (button.GetDlgCtrlID() == static_cast<int>(row.id))
                button.EnableButton(off ? FALSE : TRUE);
    }
}

void CPhoneDlg::EnableKeys(bool on)
{
    // The close button stays usable: a phone that never signs in can still be put away.
    for (int i = 0; i < kButtonCount; ++i) {
        UINT id = kButtons[i].id;
        if (id == IDC_PHONE_SND_INDICATE || id == IDC_PHONE_RCV_INDICATE || id == IDC_PHONE_CLS)
            continue;
        if (m_buttons[i].m_hWnd)
            m_buttons[i].EnableButton(on ? TRUE : FALSE);
    }
}

bool CPhoneDlg::ButtonEnabled(UINT id) const
{
    for (int i = 0; i < kButtonCount; ++i)
        if (kButtons[i].id == id)
            return m_buttons[i].GetState() != skin::kButtonDisabled;
    return true;
}

void CPhoneDlg::ShowVoiceLevels(int rx, int tx)
{
    struct Indicator {
        int index;
        int percent;
        int fullWidth;
    } indicators[] = {{kReceiveIndicator, rx, m_receiveWidth}, {kSendIndicator, tx, m_sendWidth}};
    for (const Indicator& indicator : indicators) {
        CSkinButton& button = m_buttons[indicator.index];
        if (!button.m_hWnd)
            continue;
        RECT rect;
        button.GetWindowRect(&rect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        int width = phone::QuarterWidth(phone::VoiceQuarters(indicator.percent), indicator.fullWidth);
        button.MoveTo(rect.left, rect.top, width, button.GetFrameHeight(), TRUE);
    }
}

void CPhoneDlg::SetStatusText(const CString& text)
{
    if (m_hWnd)
        SetDlgItemText(IDC_PHONE_STATUS, text);
}

CString CPhoneDlg::DisplayText() const { return m_hWnd ? GetDlgItemText(IDC_PHONE_NO) : CString(); }

void CPhoneDlg::SetDisplayText(const CString& text)
{
    if (m_hWnd)
        SetDlgItemText(IDC_PHONE_NO, text);
}

void CPhoneDlg::EnterDigits(const CString& text)
{
    if (!m_engine || !GetDlgItem(IDC_PHONE_NO))
        return;
    std::string typed = text.str();
    phone::EnterAction action = phone::DecideEnter(m_engine->GetStatus(), typed);
    if (action == phone::EnterAction::Ignore)
        return;
    if (action == phone::EnterAction::ToneAndAppend)
        m_engine->SendDtmf(typed.c_str());
    SetDisplayText(phone::ApplyEnter(action, DisplayText().str(), typed).c_str());
}

void CPhoneDlg::DeleteLastDigit()
{
    std::string display = DisplayText().str();
    if (display.empty())
        return;
    std::size_t cut = cp932::BoundaryAtOrBefore(display.c_str(), display.size(), display.size() - 1);
    SetDisplayText(display.substr(0, cut).c_str());
}

void CPhoneDlg::ClearDialText() { SetDisplayText(""); }

void CPhoneDlg::OnKeypad(UINT id)
{
    if (!ButtonEnabled(id))
        return;
    for (const ButtonRow& row : kButtons)
        if (row.id == id && row.key)
            EnterDigits(CString(row.key));
}

// ---- Dialling ------------------------------------------------------------------------------

bool CPhoneDlg::AcquireSoundDevice()
{
    if (m_soundHeld)
        return true;
    m_soundHeld = m_host->LockSoundDevice(this, true);
    return m_soundHeld;
}

void CPhoneDlg::ReleaseSoundDevice()
{
    if (!m_soundHeld)
        return;
    m_host->LockSoundDevice(this, false);
    m_soundHeld = false;
}

void CPhoneDlg::StopRinging()
{
    if (!m_ringing)
        return;
    m_ringing = false;
    m_host->StopPhoneBlink();
}

void CPhoneDlg::OnDial()
{
    if (!ButtonEnabled(IDC_PHONE_START) || !m_engine || !phone::MayAnswer(m_engine->GetStatus()))
        return;
    if (m_ringing) {
        m_engine->OffHook();
        StopRinging();
        return;
    }
    CString display = DisplayText();
    if (!phone::MayDial(m_engine->GetStatus()) || display.IsEmpty())
        return;
    std::string text = display.str();
    switch (phone::ClassifyDialText(text)) {
    case phone::kDialRefused:
        PresentMessageBoxId(m_hWnd, IDS_PHONE_THREE_DIGITS, MB_OK);
        return;
    case phone::kDialCommId: {
        CString callId;
        if (m_host->SearchCallService(1, display, &callId) != 0)
            callId.Empty();
        if (callId.IsEmpty()) {
            CString message;
            message.Format(LoadText(IDS_PHONE_NOT_CALLABLE), display.GetString());
            PresentMessageBox(m_hWnd, message, MB_OK, true);
            return;
        }
        if (AcquireSoundDevice()) {
            if (!m_engine->CallNimbo(callId))
                ReleaseSoundDevice();
            AddRedial(display);
        }
        return;
    }
    case phone::kDialNational:
    case phone::kDialAsTyped: {
        std::string number =
            phone::ClassifyDialText(text) == phone::kDialNational ? phone::NationalNumber(m_country.str(), text) : text;
        CString userId = m_tempUserId, password = m_tempPassword;
        if (userId.IsEmpty())
            LoadGatewayAccount(userId, password);
        if (userId.IsEmpty() || password.IsEmpty()) {
            if (PresentMessageBoxId(m_hWnd, IDS_PHONE_NO_CARD, MB_YESNO) == IDYES)
                OnCreditPage();
            return;
        }
        if (AcquireSoundDevice()) {
            if (!m_engine->CallPhone(number.c_str(), userId, password))
                ReleaseSoundDevice();
            AddRedial(display);
        }
        return;
    }
    case phone::kDialNothing:
        return;
    }
}

void CPhoneDlg::OnHangUp()
{
    if (!m_engine)
        return;
    StopRinging();
    m_engine->OnHook();
    SetStatusText("");
}

void CPhoneDlg::DialCommId(const char* commId)
{
    if (!m_host->HasMainWindow())
        return;
    std::string id = commId ? commId : "";
    if (phone::IsCallableCommId(id)) {
        BringUp();
        EnterDigits(id.c_str());
        return;
    }
    CString message;
    message.Format(LoadText(IDS_PHONE_NOT_CALLABLE), id.c_str());
    PresentMessageBox(m_hWnd, message, MB_OK, true);
}

void CPhoneDlg::DialNumber(const char* digits)
{
    if (!m_host->HasMainWindow())
        return;
    BringUp();
    EnterDigits(phone::KeepDialCharacters(digits).c_str());
}

// ---- Redial list ---------------------------------------------------------------------------

CString CPhoneDlg::RedialPath()
{
    if (!m_redialPathKnown && m_host) {
        m_redialPath = phone::RedialPath(m_host->InstallFolder().str(), m_host->UserName().str()).c_str();
        m_redialPathKnown = true;
    }
    return m_redialPath;
}

void CPhoneDlg::LoadRedialList()
{
    m_redial.Clear();
    CString path = RedialPath();
    if (path.IsEmpty())
        return;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // Twenty entries never need more than this; the rest of an odd file is not read.
    std::vector<char> bytes(64 * 1024);
    DWORD got = 0;
    if (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        m_redial.Load(bytes.data(), got);
    ::CloseHandle(file);
}

void CPhoneDlg::SaveRedialList()
{
    CString path = RedialPath();
    if (m_redial.Entries().empty() || path.IsEmpty())
        return;
    // Written beside the old list and moved over it only when complete: a failed write keeps
    // the old list.
    std::string bytes = m_redial.Serialise();
    CString temporary = path + ".new";
    HANDLE file = ::CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    bool complete = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (!complete || !::MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ::DeleteFileA(temporary);
    m_redial.Clear();
}

void CPhoneDlg::AddRedial(const CString& text) { m_redial.Add(text.str()); }

void CPhoneDlg::OnRedialUp()
{
    std::string entry;
    if (ButtonEnabled(IDC_PHONE_REDIAL_UP) && m_redial.Up(&entry))
        EnterDigits(entry.c_str());
}

void CPhoneDlg::OnRedialDown()
{
    std::string entry;
    if (ButtonEnabled(IDC_PHONE_REDIAL_DOWN) && m_redial.Down(&entry))
        EnterDigits(entry.c_str());
}

// ---- Panel, banner, pages ------------------------------------------------------------------

void CPhoneDlg::LoadBanner(const char* url)
{
    if (m_banner)
        m_banner->Navigate(url);
}

void CPhoneDlg::ShowPanel()
{
    if (IsFloating()) {
        ShowWindow(SW_SHOW);
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else {
        ShowFromMain();
    }
    LoadBanner(m_host->BannerUrl());
}

void CPhoneDlg::HidePanel()
{
    ShowDocked();
    LoadBanner("about:blank");
}

void CPhoneDlg::OnClose()
{
    LoadBanner("about:blank");
    SnapToDock();
}

void CPhoneDlg::BringUp()
{
    RECT rect;
    GetWindowRect(&rect);
    ::SetWindowPos(m_hWnd, nullptr, rect.left + 10, rect.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    LoadBanner(m_host->BannerUrl());
    RECT work;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        ::GetWindowRect(::GetDesktopWindow(), &work);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    ::SetWindowPos(m_hWnd, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow();
}

void CPhoneDlg::OnPrepaid()
{
    if (!ButtonEnabled(IDC_PHONE_PREPAID))
        return;
    CPrepaidDlg dialog(this);
    m_prepaid = &dialog;
    toolkit::Host().SetModalState(true);
    INT_PTR result = dialog.DoModal();
    toolkit::Host().SetModalState(false);
    m_prepaid = nullptr;
    if (result == IDOK) {
        m_tempUserId = dialog.UserId();
        m_tempPassword = dialog.Password();
    }
}

void CPhoneDlg::OnCreditPage()
{
    if (ButtonEnabled(IDC_PHONE_CREDIT))
        m_host->OpenCreditPage();
}

LRESULT CPhoneDlg::OnRightButtonDown(WPARAM, LPARAM)
{
    HMENU menu = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_PHONE_MENU));
    if (!menu)
        return 0;
    HMENU popup = ::GetSubMenu(menu, 0);
    bool callable = phone::IsCallableCommId(DisplayText().str());
    UINT grey = callable ? MF_ENABLED : MF_GRAYED;
    ::EnableMenuItem(popup, ID_PHONE_FRIEND_PAGE, MF_BYCOMMAND | grey);
    ::EnableMenuItem(popup, ID_PHONE_USER_ROOM, MF_BYCOMMAND | grey);
    POINT cursor;
    ::GetCursorPos(&cursor);
    UINT chosen = nvwin::TrackPopup(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y, m_hWnd);
    ::DestroyMenu(menu);
    if (chosen)
        SendMessage(WM_COMMAND, chosen, 0);
    return 0;
}

void CPhoneDlg::OnFriendPage()
{
    CString display = DisplayText();
    if (phone::IsCallableCommId(display.str()))
        m_host->OpenFriendPage(display);
}

void CPhoneDlg::OnUserRoom()
{
    CString display = DisplayText();
    if (phone::IsCallableCommId(display.str()))
        m_host->OpenUserRoom(display);
}

// ---- Keyboard ------------------------------------------------------------------------------

BOOL CPhoneDlg::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
        ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    if (msg->message == WM_KEYUP && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        bool shift = ::GetKeyState(VK_SHIFT) < 0;
        switch (phone::KeyAction key = phone::KeyUpAction(static_cast<unsigned>(msg->wParam), shift); key.kind) {
        case phone::KeyKind::Dial:
            OnKeypad(FindKeypadId(key.character));
            return TRUE;
        case phone::KeyKind::DeleteLast:
            DeleteLastDigit();
            return TRUE;
        case phone::KeyKind::Clear:
            ClearDialText();
            return TRUE;
        case phone::KeyKind::RedialUp:
            OnRedialUp();
            return TRUE;
        case phone::KeyKind::RedialDown:
            OnRedialDown();
            return TRUE;
        case phone::KeyKind::None:
            break;
        }
    }
    return CSkinFrameDialog::PreTranslateMessage(msg);
}
