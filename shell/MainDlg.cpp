// CMainDlg: construction, initialisation, layout, skin, timers, button states and painting.
#include "shell/MainDlg.h"

#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/AppObjects.h"
#include "shell/BrowserServices.h"
#include "shell/ClientApp.h"
#include "shell/MainPage.h"
#include "shell/TrayIcon.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/skin/SkinManager.h"
#include "shell/common/utilities/TextUtil.h"
#include "shell/common/utilities/WinUtil.h"

#include "framework/win/RegisteredMessages.h"
#include "messaging/store/MsgStore.h"

#include "resources/StringIds.h"

#include <new>

using namespace mainwnd;

const CMainDlg::ButtonSpec CMainDlg::kButtons[kButtonCount] = {
    {kBtnHide, "main_cls.bmp", 0},
    {kBtnBrowser, "main_browser.bmp", IDS_TIP_BROWSER},
    {kBtnChat, "main_chat.bmp", IDS_TIP_CHAT},
    {kBtnReceive, "main_vyrntalk.bmp", IDS_TIP_RECEIVE},
    {kBtnMail, "main_mail.bmp", IDS_TIP_MAIL},
    {kBtnAddress, "main_address.bmp", IDS_TIP_ADDRESS},
    {kBtnVoiceClip, "main_cast.bmp", IDS_TIP_VOICE_CLIP},
    {kBtnPhone, "main_phone.bmp", IDS_TIP_PHONE},
    {kBtnCdPlayer, "main_cdplay.bmp", IDS_TIP_CD_PLAYER},
    {kBtnLogin, "main_login.bmp", IDS_TIP_LOGIN},
    {kBtnHelp, "main_help.bmp", IDS_TIP_HELP},
    {kBtnSettings, "main_set.bmp", IDS_TIP_SETTINGS},
    {kBtnMenu, "main_menu.bmp", IDS_TIP_MENU},
    {kBtnLogout, "main_logout.bmp", IDS_TIP_LOGOUT},
};

namespace {

const int kImageIcons[] = {147, 145, 187, 739, 739};

CString Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

class CSystemShellActions : public IMainShellActions {
public:
    INT_PTR Open(const CString& file, const CString& parameters) override
    {
        return reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", file, parameters.IsEmpty() ? nullptr : parameters.GetString(),
                                                         nullptr, SW_SHOWNORMAL));
    }
    void StartScreenSaver(HWND window) override { ::SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0); }
    bool IsScreenSaverActive() override
    {
        BOOL active = FALSE;
        ::SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
        if (!active)
            return false;
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        if (::GetVersionExA(&version) && version.dwMajorVersion < 5)
            return true;
        char value[MAX_PATH] = {};
        DWORD size = sizeof value;
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        LONG read = ::RegQueryValueExA(key, "SCRNSAVE.EXE", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
        ::RegCloseKey(key);
        return read == ERROR_SUCCESS && value[0] != '\0' && value[0] != '(';
    }
};

CSystemShellActions g_systemActions;
IMainShellActions* g_actions = nullptr;

Box ToBox(const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; }

} // namespace

void CMainDlg::SetShellActions(IMainShellActions* actions) { g_actions = actions; }
IMainShellActions& CMainDlg::ShellActions() { return g_actions ? *g_actions : g_systemActions; }

BEGIN_MESSAGE_MAP(CMainDlg, CSkinFrameDialog)
    ON_WM_PAINT()
    ON_MESSAGE(WM_QUERYDRAGICON, OnQueryDragIconMessage)
    ON_WM_ACTIVATE()
    ON_WM_DESTROY()
    ON_WM_TIMER()
    ON_MESSAGE(WM_APP_COMMAND_REQUEST, OnCommandRequest)
    ON_MESSAGE(WM_APP_OPEN_PENDING, OnOpenPending)
    ON_MESSAGE(CTrayIcon::kCallbackMessage, OnTrayNotify)
    ON_MESSAGE(0x403, OnMessageResult)
    ON_MESSAGE(0x404, OnListResult)
    ON_WM_ENDSESSION()
END_MESSAGE_MAP()

CMainDlg::CMainDlg(CWnd* parent) : CSkinFrameDialog(IDD_MAIN, parent), m_pHost(parent)
{
    JoinRegistry(kWindowMain);
    m_style = kModeLeader;
    // The application's window pointers are the registry's: empty while no window exists.
    CClientApp* app = GetClientApp();
    if (app)
        m_poll.SetInterval(app->Settings().m_queryInterval);
    m_taskbarCreated = framework::TaskbarCreatedMessage();

    CSkinManager* skins = Skins();
    if (skins && app) {
        CString path = textutil::StripQuotes(app->m_commandLine);
        if (path.GetLength() > 3 && path.Right(4).CompareNoCase(".csz") == 0) {
            if (skins->InstallSkinFile(path)) {
                skins->SetCurrentSkin(path);
            } else if (!skins->GetErrorText().IsEmpty()) {
                app->ShowMessageBox(skins->GetErrorText(), MB_ICONEXCLAMATION);
            }
        }
        skins->InitSkins();
    }
    LoadSkin("main.bmp", FALSE);
    m_accelerators = ::LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAIN_ACCEL));
    m_icon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 32, 32, LR_SHARED));
}

CMainDlg::~CMainDlg()
{
    CClientApp* app = GetClientApp();
    if (app && app->GetHandoverTarget() == this)
        app->SetHandoverTarget(nullptr);
}

CSkinManager* CMainDlg::Skins() const { return GetAppSkinManager(); }

BOOL CMainDlg::Create()
{
    if (!CDialog::Create(IDD_MAIN, m_pHost))
        return FALSE;
    return m_ready ? TRUE : FALSE;
}

CSkinButton* CMainDlg::Button(UINT id)
{
    for (int i = 0; i < kButtonCount; ++i)
        if (kButtons[i].id == id)
            return &m_buttons[i];
    return nullptr;
}

bool CMainDlg::IsButtonEnabled(UINT id) const
{
    for (int i = 0; i < kButtonCount; ++i)
        if (kButtons[i].id == id)
            return m_buttons[i].GetSafeHwnd() && !m_buttons[i].IsDisabled();
    return false;
}

void CMainDlg::FailInit(const CString& text, bool logged)
{
    CClientApp* app = GetClientApp();
    if (app && !text.IsEmpty()) {
        if (logged)
            app->MessageBoxTextLogged(text, MB_ICONSTOP);
        else
            app->ShowMessageBox(text, MB_ICONSTOP);
    }
    // No half-made program stays: the windows made so far go again.
    const WindowKind made[] = {kWindowChat,     kWindowBrowser,   kWindowAddressBar, kWindowUserList,
                               kWindowFriendList, kWindowVoiceClip, kWindowPhone,     kWindowCdPlayer,
                               kWindowNormalBalloon, kWindowErrorBalloon, kWindowErrorLog};
    for (WindowKind kind : made)
        if (CWnd* window = CClientApp::GetAppWindow(kind))
            MainPeers().Destroy(kind, window);
    KillTimer(kTimerShow);
    // The host's loop ends now; the host's OK would only ask this window to exit.
    if (CAppHostDlg* host = app ? app->GetHostDlg() : nullptr)
        host->OnMainWindowFailed();
}

BOOL CMainDlg::OnInitDialog()
{
    CClientApp* app = GetClientApp();
    IMainWindowPeers& peers = MainPeers();
    const CString resources = Text(IDS_RESOURCES_SHORT);

    // 1-3: the error log and the two balloons.
    if (!peers.Create(kWindowErrorLog, this)) {
        FailInit(resources + "\n(Create ErrorLog Faild)", false);
        return FALSE;
    }
    if (!peers.Create(kWindowErrorBalloon, this)) {
        FailInit(resources + "\n(Create VyrnMessage-Error Faild)", true);
        return FALSE;
    }
    if (!peers.Create(kWindowNormalBalloon, this)) {
        FailInit(resources + "\n(Create VyrnMessage-Normal Faild)", true);
        return FALSE;
    }
    // 4: the message database opens once; it reports its own failure.
    {
        CMsgStore store;
        if (!store.Open()) {
            FailInit(CString(), false);
            return FALSE;
        }
    }
    // 5: the frame, the buttons and the page.
    CSkinFrameDialog::OnInitDialog();
    SetWindowText("NimboVandrell");
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->SetOwner(m_hWnd);
    if (!SetupButtons() || !HasSkin()) {
        if (m_hWnd && ::IsWindow(m_hWnd))
            FailInit(resources, true);
        return FALSE;
    }
    // 6-7.
    CreateImageList();
    Layout();
    // 8-9.
    if (!CreateChildWindows()) {
        FailInit(resources + "\n(CreateChild Faild)", true);
        return FALSE;
    }
    if (!CreateUrlWindows()) {
        // A browser without its control has shown its own message and asked for the end.
        FailInit(shellbrowser::IsEndRequested() ? CString() : resources + "\n(Create URL Faild)", true);
        return FALSE;
    }
    // 10-11.
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->SetIcon(IDI_APP, Text(IDS_TIP_OFFLINE));
    SetTimer(kTimerPoll, 10000);
    // 12-16.
    CreateToolTips();
    SetButtonState(1);
    ResetUserLists();
    SetListColors(RGB(0xC0, 0xC0, 0xC0));
    if (app && !app->GetHandoverTarget())
        app->SetHandoverTarget(this);
    InstallErrorSink();
    m_ready = true;
    // A file handed over while this window was being made is opened once start-up has returned.
    PostMessage(WM_APP_OPEN_PENDING);
    return TRUE;
}

bool CMainDlg::LoadButtonBitmaps()
{
    bool ok = true;
    for (int i = 0; i < kButtonCount; ++i)
        if (!m_buttons[i].SetBitmap(kButtons[i].bitmap, 4))
            ok = false;
    return ok;
}

bool CMainDlg::SetupButtons()
{
    for (int i = 0; i < kButtonCount; ++i) {
        if (!m_buttons[i].SetBitmap(kButtons[i].bitmap, 4))
            return false;
        if (!m_buttons[i].GetSafeHwnd() && !m_buttons[i].SubclassDlgItem(kButtons[i].id, this))
            return false;
    }
    if (!m_page) {
        // The portal page: the WebBrowser control in the placeholder's place.
        m_ownPage.reset(new (std::nothrow) CMainPage(*this));
        if (!m_ownPage || !m_ownPage->Create(kPageControl))
            return false;
        m_page = m_ownPage.get();
    }
    m_pageWindow = GetDlgItem(kPageControl);
    if (!m_pageWindow)
        return false;
    PlaceButtonsAndPage();
    if (CSkinButton* hide = Button(kBtnHide))
        hide->EnableButton(TRUE);
    return CheckBanner();
}

void CMainDlg::PlaceButtonsAndPage()
{
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[i].PlaceFromSkin(kButtons[i].id);
    RECT r = {0, 0, 0, 0};
    int anchor = toolkit::Skins().GetControlRect(kPageSkinControl, &r);
    ::MoveWindow(m_pageWindow, r.left, r.top, kPageWidth, kPageHeight, TRUE);
    if (m_ownPage)
        m_ownPage->Move(RECT{r.left, r.top, r.left + kPageWidth, r.top + kPageHeight});
    SetWindowAnchor(m_pageWindow, anchor);
}

bool CMainDlg::CheckBanner()
{
    RECT page, window;
    ::GetWindowRect(m_pageWindow, &page);
    GetWindowRect(&window);
    std::vector<Box> buttons;
    for (int i = 0; i < kButtonCount; ++i) {
        RECT b;
        m_buttons[i].GetWindowRect(&b);
        buttons.push_back(ToBox(b));
    }
    if (BannerRuleHolds(ToBox(page), ToBox(window), buttons))
        return true;
    CClientApp* app = GetClientApp();
    if (app)
        app->MessageBoxIdLogged(IDS_BANNER_BROKEN, MB_ICONEXCLAMATION);
    CSkinManager* skins = Skins();
    if (!skins || skins->IsBaseSkin()) {
        // The base skin itself breaks the rule: nothing to fall back on.
        EndProgramNow(-1);
        return false;
    }
    skins->FlushSkinCache(m_hWnd);
    if (m_ready)
        OnSkinMenu(CSkinManager::kBaseSkinCommand);
    else
        ReturnToBaseSkin();
    return false;
}

void CMainDlg::ReturnToBaseSkin()
{
    // During initialisation only this window exists yet: it takes the base skin again.
    CSkinManager* skins = Skins();
    if (!skins)
        return;
    skins->SetCurrentSkin("baseskin");
    ReloadSkin("main.bmp");
    LoadButtonBitmaps();
    PlaceButtonsAndPage();
}

void CMainDlg::ReadDockExtent()
{
    ::SetRectEmpty(&m_dockExtent);
    CString value;
    long w = 0, h = 0;
    if (toolkit::Skins().GetDockInfo(IDD_MAIN, &value) && ParseDockExtent(value, &w, &h))
        ::SetRect(&m_dockExtent, 0, 0, static_cast<int>(w), static_cast<int>(h));
    SetLeaderSize(m_dockExtent);
}

void CMainDlg::Layout()
{
    ReadDockExtent();
    RECT work = {0, 0, 0, 0};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT own;
    GetWindowRect(&own);
    CClientApp* app = GetClientApp();
    const int kMissing = INT_MIN;
    int x = app ? static_cast<int>(app->GetProfileInt("Location", "VyrnX", kMissing)) : kMissing;
    int y = app ? static_cast<int>(app->GetProfileInt("Location", "VyrnY", kMissing)) : kMissing;
    long px = 0, py = 0;
    PlaceMainWindow(ToBox(work), own.right - own.left, own.bottom - own.top, x != kMissing, x, y != kMissing, y, &px, &py);
    SetWindowPos(nullptr, static_cast<int>(px), static_cast<int>(py), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_showDelay = app ? static_cast<int>(app->GetProfileInt("", "CmShowDelayTime", 10000)) : 10000;
    ShowPortalPage(0);
}

void CMainDlg::CreateImageList()
{
    if (!m_imageList.Create(16, 16, ILC_COLOR32 | ILC_MASK, 63, 63))
        return;
    auto add = [this](int id) {
        HICON icon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        m_imageList.Add(icon);
        if (icon)
            ::DestroyIcon(icon);
    };
    for (int id : kImageIcons)
        add(id);
    for (int id = 800; id <= 831; ++id)
        add(id);
}

void CMainDlg::CreateToolTips()
{
    if (!m_toolTip.Create(this, TTS_ALWAYSTIP))
        return;
    for (int i = 0; i < kButtonCount; ++i)
        if (kButtons[i].tooltip)
            m_toolTip.AddTool(&m_buttons[i], kButtons[i].tooltip);
    m_toolTip.Activate(TRUE);
}

bool CMainDlg::CreateChildWindows()
{
    // All or nothing: a window that fails takes the ones made before it along.
    const WindowKind kinds[] = {kWindowCdPlayer, kWindowPhone, kWindowVoiceClip, kWindowFriendList, kWindowUserList};
    std::vector<std::pair<WindowKind, CWnd*>> made;
    CWnd* parent = m_pHost;
    for (WindowKind kind : kinds) {
        CWnd* window = MainPeers().Create(kind, parent);
        if (!window) {
            for (auto it = made.rbegin(); it != made.rend(); ++it)
                MainPeers().Destroy(it->first, it->second);
            return false;
        }
        made.emplace_back(kind, window);
    }
    SetTimer(kTimerShow, 1000);
    return true;
}

bool CMainDlg::CreateUrlWindows()
{
    IMainWindowPeers& peers = MainPeers();
    CWnd* bar = peers.Create(kWindowAddressBar, m_pHost);
    if (!bar)
        return false;
    bar->ShowWindow(SW_HIDE);
    CWnd* browser = peers.Create(kWindowBrowser, this);
    if (!browser) {
        peers.Destroy(kWindowAddressBar, bar);
        return false;
    }
    if (!peers.Create(kWindowChat, m_pHost)) {
        peers.Destroy(kWindowBrowser, browser);
        peers.Destroy(kWindowAddressBar, bar);
        return false;
    }
    return true;
}

void CMainDlg::AttachPanels(bool attach)
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    CTrayIcon* tray = CTrayIcon::Instance();
    auto frameOf = [](CWnd* w) { return w ? CSkinFrameDialog::FromHandle(w->GetSafeHwnd()) : nullptr; };
    CSkinFrameDialog* users = frameOf(app->GetUserListDlg());
    CSkinFrameDialog* friends = frameOf(app->GetFriendListDlg());
    if (!attach) {
        for (CWnd* w : {app->GetVoiceClipDlg(), app->GetPhoneDlg(), app->GetCdPlayerDlg(), app->GetUserListDlg(),
                        app->GetFriendListDlg(), app->GetUrlBar()})
            if (w && w->GetSafeHwnd())
                w->ShowWindow(SW_HIDE);
        return;
    }
    if (tray)
        tray->AddWindow(m_hWnd);
    const struct {
        CSkinFrameDialog* frame;
        UINT dialogId;
    } lists[] = {{users, 200}, {friends, 203}};
    for (auto l : lists) {
        if (!l.frame)
            continue;
        l.frame->SetOrderOwner(this);
        AddListWindow(l.frame);
        l.frame->SetWindowPos(m_hWnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        l.frame->DockFromSkin(l.dialogId);
        if (tray)
            tray->AddWindow(l.frame->GetSafeHwnd());
    }
    const struct {
        CWnd* window;
        UINT dialogId;
    } panels[] = {{app->GetVoiceClipDlg(), 250}, {app->GetCdPlayerDlg(), 247}, {app->GetPhoneDlg(), 628}};
    for (auto p : panels) {
        CSkinFrameDialog* frame = frameOf(p.window);
        if (!frame)
            continue;
        frame->SetOrderOwner(friends ? static_cast<CWnd*>(friends) : this);
        AddDockedWindow(frame);
        frame->DockFromSkin(p.dialogId);
        if (tray && frame->GetOrderOwner())
            tray->AddWindow(frame->GetSafeHwnd());
    }
}

void CMainDlg::SetListColors(COLORREF color)
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    const struct {
        CWnd* window;
        UINT control;
    } lists[] = {{app->GetUserListDlg(), 1000}, {app->GetFriendListDlg(), 1001}};
    for (auto l : lists) {
        HWND list = l.window ? l.window->GetDlgItem(static_cast<int>(l.control)) : nullptr;
        if (list) {
            ::SendMessageA(list, LVM_SETBKCOLOR, 0, color);
            ::SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, color);
            ::InvalidateRect(list, nullptr, TRUE);
        }
    }
}

CString CMainDlg::PortalPageAddress(int mode) const
{
    CClientApp* app = GetClientApp();
    bool online = app && app->GetServiceSession() && IsOnline(app->m_sessionFlags);
    if (mode == 1 && online && m_showDelay >= 3000)
        return Text(IDS_URL_PORTAL_PAGE);
    CString folder = winutil::GetInstallFolder();
    if (folder.IsEmpty() && app)
        folder = app->GetExeFolder();
    CString file = folder + "\\opening.html";
    if (!folder.IsEmpty() && ::GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES)
        return file;
    return winutil::BuildResUrl(IDR_OPENING_HTML);
}

void CMainDlg::ShowPortalPage(int mode)
{
    KillTimer(kTimerPortal);
    if (mode == 2) {
        SetTimer(kTimerPortal, static_cast<UINT>(m_showDelay > 0 ? m_showDelay : 1));
        return;
    }
    m_portalAddress = PortalPageAddress(mode);
    if (m_page)
        m_page->Navigate(m_portalAddress);
    else if (m_pageWindow)
        ::SetWindowTextA(m_pageWindow, m_portalAddress);
}

bool CMainDlg::ReapplySkin()
{
    ReadDockExtent();
    bool ok = ReloadSkin("main.bmp") != FALSE;
    if (!LoadButtonBitmaps())
        ok = false;
    PlaceButtonsAndPage();
    if (!CheckBanner())
        ok = false;
    MainPeers().BalloonEvent(60);
    Invalidate();
    return ok;
}

void CMainDlg::SetButtonState(int code)
{
    ButtonStateEffect e;
    if (!ButtonStateFor(code, &e))
        return;
    for (UINT id : e.disable)
        if (CSkinButton* b = Button(id))
            b->EnableButton(FALSE);
    for (UINT id : e.enable)
        if (CSkinButton* b = Button(id))
            b->EnableButton(TRUE);
    if (e.focus)
        if (CSkinButton* b = Button(e.focus))
            if (b->GetSafeHwnd())
                b->SetFocus();
    if (e.startTimer)
        SetTimer(e.startTimer, 300);
    if (e.stopTimer)
        KillTimer(e.stopTimer);
    if (e.releaseHover)
        if (CSkinButton* b = Button(e.releaseHover)) {
            b->SetHighlight(FALSE);
            if (e.releaseHover == kBtnReceive)
                m_receiveBlink = false;
            else
                m_phoneBlink = false;
        }
    if (e.onlineIcon)
        if (CTrayIcon* tray = CTrayIcon::Instance())
            tray->SetIcon(IDI_ONLINE, Text(IDS_TIP_ONLINE));
}

void CMainDlg::UpdateReceiveButton()
{
    CClientApp* app = GetClientApp();
    bool messaging = app && app->GetServiceSession() && IsMessaging(app->m_sessionFlags);
    if (CSkinButton* b = Button(kBtnReceive))
        b->EnableButton(messaging ? TRUE : FALSE);
}

void CMainDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kTimerPoll: PollTick(); break;
    case kTimerReceiveBlink: ReceiveBlinkTick(); break;
    case kTimerPhoneBlink: PhoneBlinkTick(); break;
    case kTimerPortal:
        KillTimer(kTimerPortal);
        ShowPortalPage(1);
        break;
    case kTimerOpenReceive:
        KillTimer(kTimerOpenReceive);
        OpenReceiveWindow();
        break;
    case kTimerShow: ShowAfterStart(); break;
    case kTimerIdle: IdleTick(); break;
    default: CSkinFrameDialog::OnTimer(id); break;
    }
}

void CMainDlg::PollTick()
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    bool ready = app->GetServiceSession() && IsMessagingReady(app->m_sessionFlags);
    bool urlAllowed = (app->Settings().m_flags & kFlagSendVisitedUrls) != 0;
    for (uint16_t kind : m_poll.Tick(ready, app->GetPmHolderKind() != 0, urlAllowed))
        app->QueueRequest(kind);
}

void CMainDlg::ReceiveBlinkTick()
{
    KillTimer(kTimerReceiveBlink);
    m_receiveBlink = !m_receiveBlink;
    CClientApp* app = GetClientApp();
    if (app && (app->Settings().m_flags & kFlagShowArrivalsAtOnce)) {
        SetTimer(kTimerOpenReceive, 2000);
        m_receiveBlink = false;
        return;
    }
    if (CSkinButton* b = Button(kBtnReceive)) {
        b->SetHighlight(m_receiveBlink ? TRUE : FALSE);
        b->Invalidate();
    }
    if (CTrayIcon* tray = CTrayIcon::Instance()) {
        if (m_receiveBlink)
            tray->SetIcon(IDI_ONLINE);
        else
            tray->SetIconWithArrivalTip(IDI_APP);
    }
    SetTimer(kTimerReceiveBlink, 300);
}

void CMainDlg::PhoneBlinkTick()
{
    KillTimer(kTimerPhoneBlink);
    m_phoneBlink = !m_phoneBlink;
    if (CSkinButton* b = Button(kBtnPhone)) {
        b->SetHighlight(m_phoneBlink ? TRUE : FALSE);
        b->Invalidate();
    }
    SetTimer(kTimerPhoneBlink, 300);
}

void CMainDlg::IdleTick()
{
    CClientApp* app = GetClientApp();
    POINT cursor = {0, 0};
    ::GetCursorPos(&cursor);
    bool messaging = app && app->GetServiceSession() && IsMessaging(app->m_sessionFlags);
    if (m_idle.Tick(cursor.x, cursor.y, messaging)) {
        Logout();
        if (app)
            app->MessageBoxId(IDS_IDLE_LOGOUT, 0);
    }
}

void CMainDlg::ShowAfterStart()
{
    KillTimer(kTimerShow);
    AttachPanels(true);
    SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    CClientApp* app = GetClientApp();
    if (app && (app->Settings().m_flags & kFlagLoginAtStart))
        SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg)
{
    if (m_accelerators && m_hWnd && ::TranslateAcceleratorA(m_hWnd, m_accelerators, msg))
        return TRUE;
    if (m_toolTip.GetSafeHwnd())
        m_toolTip.RelayEvent(msg);
    return CSkinFrameDialog::PreTranslateMessage(msg);
}

LRESULT CMainDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_taskbarCreated && message == m_taskbarCreated) {
        // The shell restarted: its icons are gone; ours comes back while the program runs.
        if (CTrayIcon* tray = CTrayIcon::Instance())
            if (!m_exitDone && tray->GetOwner() == m_hWnd)
                tray->Readd();
        return 0;
    }
    if (message == WM_RBUTTONDOWN) {
        OnRButtonDown(static_cast<UINT>(wParam), POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});
        return 0;
    }
    return CSkinFrameDialog::WindowProc(message, wParam, lParam);
}

void CMainDlg::OnRButtonDown(UINT, POINT) { ShowTrayMenu(false); }

void CMainDlg::OnPaint()
{
    if (::IsIconic(m_hWnd)) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT r;
        GetClientRect(&r);
        int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (r.right - cx + 1) / 2, (r.bottom - cy + 1) / 2, m_icon);
        ::EndPaint(m_hWnd, &ps);
        return;
    }
    Default();
}

LRESULT CMainDlg::OnQueryDragIconMessage(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_icon); }

void CMainDlg::OnActivate(UINT state, HWND other, BOOL minimised)
{
    CClientApp* app = GetClientApp();
    CWnd* users = app ? app->GetUserListDlg() : nullptr;
    CWnd* friends = app ? app->GetFriendListDlg() : nullptr;
    if (users && friends && users->GetSafeHwnd() && friends->GetSafeHwnd()) {
        const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        ::SetWindowPos(users->GetSafeHwnd(), m_hWnd, 0, 0, 0, 0, flags);
        ::SetWindowPos(friends->GetSafeHwnd(), m_hWnd, 0, 0, 0, 0, flags);
    }
    KeepZOrder(state, other, minimised);
}

void CMainDlg::OnCancel() { HideToTray(); }

void CMainDlg::OnDestroy()
{
    CClientApp* app = GetClientApp();
    // The position stays for the next start.
    if (app && m_ready && !::IsIconic(m_hWnd)) {
        RECT r;
        GetWindowRect(&r);
        app->WriteProfileInt("Location", "VyrnX", r.left);
        app->WriteProfileInt("Location", "VyrnY", r.top);
    }
    // The icon goes with its owner, while the shell can still tell whose it was.
    if (CTrayIcon* tray = CTrayIcon::Instance())
        if (tray->GetOwner() == m_hWnd)
            tray->SetOwner(nullptr);
    RemoveErrorSink();
    if (CSkinManager* skins = Skins()) {
        skins->FlushSkinCache(m_hWnd);
        skins->CleanupSkinFolders();
    }
    m_imageList.DeleteImageList();
    if (m_toolTip.GetSafeHwnd())
        m_toolTip.DestroyWindow();
    if (app && m_ready && (app->Settings().m_flags & kFlagKeepHistory)) {
        CMsgStore store;
        if (store.PurgeBefore(app->Settings().m_saveLogDate))
            store.Compact();
    }
    CSkinFrameDialog::OnDestroy();
}

void CMainDlg::PostNcDestroy() { delete this; }
