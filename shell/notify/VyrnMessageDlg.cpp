#include "shell/notify/VyrnMessageDlg.h"

#include "shell/common/settings/ProfileStore.h"
#include "toolkit/win/PopupBalloon.h"

#include "resources/StringIds.h"

#include <wininet.h>

#include <algorithm>

namespace {

// Event ids of each counted feature: its A event (counter key stored + run) and B event (run).
struct FeatureEvents {
    int a;
    int b;
};
const FeatureEvents kFeatureEvents[] = {
    {140, 141}, // memo
    {120, 121}, // my room
    {30, 32},   // message sent
    {31, 33},   // message received
    {41, 43},   // chat
    {80, 81},   // voice clip
    {60, 61},   // skin change
    {70, 71},   // CD player
    {90, 91},   // web mail
    {100, 0},   // address book: no event operation of its own
    {110, 111}, // friend mail
    {130, 131}, // partner list
};
// The order in which the counters are saved.
const int kSaveOrder[] = {30, 31, 60, 41, 70, 80, 90, 100, 110, 120, 140, 130};

// The event data's view of the program: the built-in TEXT resource, the host's GET and profile.
class CHostEventData : public IEventDataHost {
public:
    explicit CHostEventData(IBalloonHost& host) : m_host(host) {}
    bool LoadBuiltInText(CString& text) override
    {
        HMODULE module = AfxGetResourceHandle();
        HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(IDR_EVENT_DATA), "TEXT");
        HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
        const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
        if (!bytes)
            return false;
        text = CString(std::string(static_cast<const char*>(bytes), ::SizeofResource(module, found)));
        return true;
    }
    bool HttpGet(const CString& url, CString& text) override { return m_host.HttpGet(url, text); }
    CString GetProfileString(const char* section, const char* key, const char* defaultValue) override
    {
        return m_host.GetProfile().GetString(section, key, defaultValue);
    }
    int GetProfileInt(const char* section, const char* key, int defaultValue) override
    {
        return static_cast<int>(m_host.GetProfile().GetInt(section, key, defaultValue));
    }
    void WriteProfileInt(const char* section, const char* key, int value) override
    {
        m_host.GetProfile().WriteInt(section, key, value);
    }

private:
    IBalloonHost& m_host;
};

bool CombineUrl(const CString& base, const CString& relative, CString& combined)
{
    char buffer[balloon::kCombinedUrlLimit];
    DWORD length = sizeof buffer;
    if (!::InternetCombineUrlA(base, relative, buffer, &length, ICU_NO_ENCODE))
        return false;
    combined = CString(buffer, static_cast<int>(std::min<DWORD>(length, sizeof buffer - 1)));
    return true;
}

skin::Rect WorkArea()
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return skin::Rect{work.left, work.top, work.right, work.bottom};
}

} // namespace

// CWndCascade as the balloon cycle's mover.
class CVyrnMessageDlg::CCascadeMover : public balloon::IMover {
public:
    explicit CCascadeMover(CWndCascade& cascade, HWND* window) : m_cascade(cascade), m_window(window) {}
    void Start(balloon::Point* first) override
    {
        SizeFromWindow();
        m_cascade.SetWorkArea(WorkArea());
        m_cascade.SetDirection(CWndCascade::kChoose);
        skin::Point p;
        m_cascade.NextPosition(&p);
        *first = balloon::Point{p.x, p.y};
    }
    int Next(balloon::Point* next) override
    {
        SizeFromWindow();
        skin::Point p;
        const int result = m_cascade.NextPosition(&p);
        *next = balloon::Point{p.x, p.y};
        if (result == CWndCascade::kLeftWorkArea)
            return kLeftScreen;
        if (result == CWndCascade::kReachedMiddle)
            return kArrived;
        return kMoving;
    }
    void Back(const balloon::Point& current) override
    {
        m_cascade.SetPosition(current.x, current.y);
        m_cascade.SetWrapped(true); // on its way out it arrives nowhere
        m_cascade.SetDirection(CWndCascade::kChooseHere);
    }
    void Reset() override { m_cascade.Reset(); }

private:
    void SizeFromWindow()
    {
        RECT r{};
        ::GetWindowRect(*m_window, &r);
        m_cascade.SetWindowSize(r.right - r.left, r.bottom - r.top);
    }
    CWndCascade& m_cascade;
    HWND* m_window;
};

BEGIN_MESSAGE_MAP(CVyrnMessageDlg, CSkinDialog)
ON_MESSAGE(CVyrnMessageDlg::kNormalTextWaiting, OnTextWaiting)
ON_MESSAGE(CVyrnMessageDlg::kErrorTextWaiting, OnTextWaiting)
ON_MESSAGE(CVyrnMessageDlg::kBalloonClicked, OnBalloonClickedMessage)
ON_WM_TIMER()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_MOVE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CVyrnMessageDlg::CVyrnMessageDlg(CWnd* parent, int kind, IBalloonHost& host)
    : CSkinDialog(IDD_VYRN_MESSAGE, parent),
      m_host(host),
      m_errorKind(kind == kError),
      m_cascade(new CWndCascade(WorkArea())),
      m_mover(new CCascadeMover(*m_cascade, &m_hWnd)),
      m_cycle(m_queue, *m_mover, *this)
{
    static_assert(kBalloonClicked == CPopupBalloon::kClickNotice, "the balloon's click notice");
    if (m_errorKind)
        return;
    m_eventHost.reset(new CHostEventData(host));
    m_events.reset(new CEventData(m_eventHost.get()));
    for (int i = 0; i < kFeatureCount; ++i)
        m_storedCounters[i] = std::max(0, m_events->GetCounter(kFeatureEvents[i].a));
    m_startCount = balloon::CounterKey(m_events->GetCounter(kEventStartCount), 1);
    if (host.GetProfile().GetString("", "VYRN_MESSAGE_DEBUG", "FALSE") == "TRUE")
    {
        // Shared, so the log can be read while the program runs.
        m_debugLog = ::CreateFileA("C:\\vyrnmessage.dat", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_debugLog == INVALID_HANDLE_VALUE)
            m_debugLog = nullptr;
    }
}

CVyrnMessageDlg::~CVyrnMessageDlg()
{
    if (m_debugLog)
        ::CloseHandle(m_debugLog);
}

BOOL CVyrnMessageDlg::Create()
{
    LoadSkin(m_errorKind ? "vyrn_msg_err.bmp" : "vyrn_msg.bmp", FALSE);
    return CSkinDialog::Create(IDD_VYRN_MESSAGE, m_host.GetParentWindow());
}

BOOL CVyrnMessageDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    if (!HasSkin()) {
        CString text;
        text.LoadString(IDS_BASESKIN_MISSING);
        text += "\n< Default Skin VyrnChar Msg Bitmap Nothing >";
        m_host.OnSkinMissing(text);
        return TRUE;
    }
    if (!m_errorKind) {
        m_events->LoadBuiltIn();
        ApplyColors();
        SetTimer(balloon::kTimerHint, balloon::kHintMs);
    }
    return TRUE;
}

void CVyrnMessageDlg::SetColors(COLORREF fill, COLORREF text, COLORREF frame)
{
    m_fill = fill;
    m_text = text;
    m_frame = frame;
}

void CVyrnMessageDlg::ApplyColors()
{
    if (!m_events)
        return;
    std::uint32_t c[3];
    const std::uint32_t defaults[3] = {RGB(249, 254, 188), RGB(0, 0, 0), RGB(0, 0, 255)};
    for (int i = 0; i < 3; ++i)
        m_events->GetColorOr(kEventBalloonColor, i, c[i], defaults[i]);
    SetColors(c[0], c[1], c[2]);
    if (CVyrnMessageDlg* error = m_host.GetErrorBalloon()) {
        for (int i = 0; i < 3; ++i)
            m_events->GetColorOr(kEventErrorColor, i, c[i], defaults[i]);
        error->SetColors(c[0], c[1], c[2]);
    }
}

void CVyrnMessageDlg::QueueText(const CString& text, const CString& link)
{
    if (m_queue.Queue(text, link, m_errorKind, !m_errorKind && m_host.FeatureTextsOff()) ==
        balloon::CTextQueue::kQueuedPostShow)
        PostShowRequest();
}

void CVyrnMessageDlg::ShowErrorText(const CString& text)
{
    QueueText(text, CString());
}

void CVyrnMessageDlg::DebugLine(const CString& text)
{
    if (!m_debugLog)
        return;
    const std::time_t now = m_host.Now();
    char stamp[32] = {};
    if (const std::tm* local = std::localtime(&now))
        std::strftime(stamp, sizeof stamp, "%H:%M:%S > ", local);
    const CString line = CString(stamp) + text + "\r\n";
    DWORD written = 0;
    ::WriteFile(m_debugLog, line.GetString(), static_cast<DWORD>(line.GetLength()), &written, nullptr);
}

void CVyrnMessageDlg::ShowFeatureEvent(Feature feature)
{
    if (!m_events)
        return;
    const FeatureEvents& events = kFeatureEvents[feature];
    int& run = m_runCounters[feature];
    run = balloon::CounterKey(run, 1);
    CString line;
    line.Format("%d", events.a);
    DebugLine(line);
    CString value, link;
    m_events->GetText(events.a, balloon::CounterKey(m_storedCounters[feature], run), value, link);
    QueueText(value, link);
    if (events.b != 0) {
        m_events->GetText(events.b, run, value, link);
        QueueText(value, link);
    }
}

void CVyrnMessageDlg::ShowMessageEvent(int kind)
{
    ShowFeatureEvent(kind == 31 ? kReceived : kSent);
}
void CVyrnMessageDlg::ShowChatEvent() { ShowFeatureEvent(kChat); }
void CVyrnMessageDlg::ShowSkinEvent() { ShowFeatureEvent(kSkin); }
void CVyrnMessageDlg::ShowCdEvent() { ShowFeatureEvent(kCd); }
void CVyrnMessageDlg::ShowCastEvent() { ShowFeatureEvent(kCast); }
void CVyrnMessageDlg::ShowWebMailEvent() { ShowFeatureEvent(kWebMail); }
void CVyrnMessageDlg::ShowFriendMailEvent() { ShowFeatureEvent(kFriendMail); }
void CVyrnMessageDlg::ShowMyRoomEvent() { ShowFeatureEvent(kMyRoom); }
void CVyrnMessageDlg::ShowUserListEvent() { ShowFeatureEvent(kUserList); }
void CVyrnMessageDlg::ShowMemoEvent() { ShowFeatureEvent(kMemo); }

void CVyrnMessageDlg::ShowLoginEvent(int kind)
{
    if (!m_events)
        return;
    const std::time_t now = m_host.Now();
    CString value, link;
    switch (kind) {
    case 1:
        m_events->GetText(kEventQeloNotice, 0, value, link);
        break;
    case 10:
        m_events->GetTextForDate(kEventLoginDay, now, value, link);
        break;
    case 11: {
        const long long weeks = balloon::WeeksSince(now, m_events->GetCounter(kEventLoginWeek));
        m_events->GetText(kEventLoginWeek, static_cast<int>(std::min<long long>(weeks, 0x7FFFFFFF)), value, link);
        break;
    }
    case 12:
        m_events->Download();
        ApplyColors();
        m_events->GetTextForTime(kEventLoginTime, now, value, link);
        break;
    default:
        return;
    }
    CString line;
    char clock[16] = {};
    if (const std::tm* local = std::localtime(&now))
        std::strftime(clock, sizeof clock, "%H:%M:%S", local);
    line.Format("%d\x81\x46LoginTime:%s", kind, clock);
    DebugLine(line);
    QueueText(value, link);
}

void CVyrnMessageDlg::ShowFriendCountEvent(int kind, int count)
{
    if (!m_events || !m_host.IsLoggedIn())
        return;
    CString line;
    line.Format("%d\x81\x46%d", kind, count);
    DebugLine(line);
    const int key = count - 1;
    CString value, link;
    m_events->GetText(kEventFriendCount, key, value, link);
    if (value.IsEmpty() || key <= m_events->GetCounter(kEventFriendCount))
        return;
    m_events->SetCounter(kEventFriendCount, key);
    QueueText(value, link);
}

void CVyrnMessageDlg::ShowHint()
{
    if (!m_events || !m_host.IsLoggedIn())
        return;
    int threshold = 5;
    if (!m_events->GetInt(kEventStartCount, 0, threshold))
        threshold = 5;
    if (m_startCount < threshold)
        return;
    m_startCount = 0;
    auto used = [&](Feature f) { return balloon::CounterKey(m_storedCounters[f], m_runCounters[f]); };
    balloon::FeatureUse use;
    use.messagesSent = used(kSent);
    use.chat = used(kChat);
    use.friendEntries = m_host.GetFriendEntryCount();
    use.myRoom = used(kMyRoom);
    use.skinChange = used(kSkin);
    use.partnerList = used(kUserList);
    use.memo = used(kMemo);
    use.friendMail = used(kFriendMail);
    use.voiceClip = used(kCast);
    use.cdPlayer = used(kCd);
    use.webMail = used(kWebMail);
    use.addressBook = used(kAddress);
    const int hint = balloon::ChooseHint(use);
    if (hint == 0)
        return;
    CString value, link;
    m_events->GetText(hint, 0, value, link);
    QueueText(value, link);
}

void CVyrnMessageDlg::SaveCounters()
{
    if (!m_events)
        return;
    m_events->SetCounter(kEventLoginWeek, static_cast<int>(m_host.Now()));
    for (int id : kSaveOrder) {
        for (int f = 0; f < kFeatureCount; ++f) {
            if (kFeatureEvents[f].a == id)
                m_events->SetCounter(id, balloon::CounterKey(m_storedCounters[f], m_runCounters[f]));
        }
    }
    m_events->SetCounter(kEventStartCount, m_startCount);
}

// Messages.

LRESULT CVyrnMessageDlg::OnTextWaiting(WPARAM, LPARAM)
{
    m_cycle.OnShowRequest();
    return 0;
}

LRESULT CVyrnMessageDlg::OnBalloonClickedMessage(WPARAM, LPARAM)
{
    m_cycle.OnBalloonClicked();
    return 0;
}

void CVyrnMessageDlg::OnTimer(UINT_PTR id)
{
    KillTimer(id);
    switch (id) {
    case balloon::kTimerSlide:
        m_cycle.OnSlideTimer();
        break;
    case balloon::kTimerShown:
        m_cycle.OnShownTimer();
        break;
    case balloon::kTimerHint:
        ShowHint();
        break;
    default:
        break;
    }
}

void CVyrnMessageDlg::OnLButtonDown(UINT, POINT point)
{
    ::ClientToScreen(GetSafeHwnd(), &point);
    m_cycle.OnButtonDown(balloon::Point{point.x, point.y});
}

void CVyrnMessageDlg::OnMouseMove(UINT flags, POINT point)
{
    ::ClientToScreen(GetSafeHwnd(), &point);
    m_cycle.OnMouseMove(balloon::Point{point.x, point.y}, (flags & MK_LBUTTON) != 0);
}

void CVyrnMessageDlg::OnLButtonUp(UINT, POINT)
{
    m_cycle.OnButtonUp();
}

void CVyrnMessageDlg::OnMove(int, int)
{
    if (!BalloonShown())
        return;
    RECT r;
    GetWindowRect(&r);
    ::SetWindowPos(m_balloon, nullptr, r.left + m_balloonOffset.x, r.top + m_balloonOffset.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVyrnMessageDlg::OnDestroy()
{
    CloseBalloon();
    CSkinDialog::OnDestroy();
}

// The cycle's view.

void CVyrnMessageDlg::ShowAt(const balloon::Point& p)
{
    ::SetWindowPos(GetSafeHwnd(), HWND_TOPMOST, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CVyrnMessageDlg::MoveTo(const balloon::Point& p)
{
    ::SetWindowPos(GetSafeHwnd(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVyrnMessageDlg::Hide()
{
    ShowWindow(SW_HIDE);
}

balloon::Point CVyrnMessageDlg::Position()
{
    RECT r{};
    GetWindowRect(&r);
    return balloon::Point{r.left, r.top};
}

void CVyrnMessageDlg::StartTimer(int id, unsigned milliseconds)
{
    SetTimer(static_cast<UINT_PTR>(id), milliseconds);
}

void CVyrnMessageDlg::ShowBalloon(const CString& text)
{
    CloseBalloon();
    CString shown = text;
    shown.Replace("\r\n", " ");
    auto* popup = new CPopupBalloon;
    popup->SetColors(m_fill, m_text, m_frame);
    RECT rect{};
    m_balloon = popup->Show(&rect, shown, GetSafeHwnd()); // a failed Show deletes the object
    if (!m_balloon)
        return;
    RECT own{};
    GetWindowRect(&own);
    m_balloonOffset = POINT{rect.left - own.left, rect.top - own.top};
}

void CVyrnMessageDlg::CloseBalloon()
{
    if (m_balloon)
        CPopupBalloon::Close(m_balloon);
    m_balloon = nullptr;
}

bool CVyrnMessageDlg::BalloonShown()
{
    return m_balloon && ::IsWindow(m_balloon) && ::IsWindowVisible(m_balloon);
}

void CVyrnMessageDlg::PostShowRequest()
{
    PostMessage(m_errorKind ? kErrorTextWaiting : kNormalTextWaiting, 0, 0);
}

void CVyrnMessageDlg::OpenLink(const CString& link)
{
    if (link.IsEmpty() || !m_host.IsLoggedIn())
        return;
    const balloon::LinkAction action =
        balloon::BuildLinkAction(link, m_host.GetAccount(), m_host.GetServiceHosts(), CombineUrl);
    if (action.kind == balloon::LinkAction::kPost)
        m_host.NavigatePost(action.url, action.form);
    else if (action.kind == balloon::LinkAction::kOpen)
        m_host.OpenUrl(action.url);
}

void CVyrnMessageDlg::CaptureMouse(bool capture)
{
    if (capture)
        ::SetCapture(GetSafeHwnd());
    else if (::GetCapture() == GetSafeHwnd())
        ::ReleaseCapture();
}
