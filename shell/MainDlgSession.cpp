// CMainDlg: log-in, log-out, exit, hiding to the tray, visited addresses and presence, and the
// deferred requests of other windows (0x40C).
#include "shell/MainDlg.h"

#include "framework/win/WaitCursor.h"
#include "net/dialup/DialupDlg.h"

#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/ClientApp.h"
#include "shell/TrayIcon.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/utilities/WinUtil.h"

#include "resources/StringIds.h"

using namespace mainwnd;

namespace {

CString Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// The application's modal state, raised for the scope.
class CModalScope {
public:
    explicit CModalScope(CClientApp* app) : m_app(app)
    {
        if (m_app)
            m_app->SetModalState(true);
    }
    ~CModalScope()
    {
        if (m_app)
            m_app->SetModalState(false);
    }

private:
    CClientApp* m_app;
};

bool Online(CClientApp* app) { return app && app->GetServiceSession() && IsOnline(app->m_sessionFlags); }
bool Messaging(CClientApp* app) { return app && app->GetServiceSession() && IsMessaging(app->m_sessionFlags); }
bool MessagingReady(CClientApp* app) { return app && app->GetServiceSession() && IsMessagingReady(app->m_sessionFlags); }

CString ExeFileName()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

} // namespace

bool CMainDlg::AskServerAccount()
{
    CClientApp* app = GetClientApp();
    if (!app)
        return false;
    if (!app->m_Comm_id.IsEmpty())
        return true;
    if (MainPeers().RunModal(kWindowServerConnect, 0) != IDOK)
        return false;
    // The dialog leaves the account in the application; it is kept in the profile at once.
    app->SavePreferences();
    return !app->m_Comm_id.IsEmpty();
}

bool CMainDlg::SessionLogin()
{
    CClientApp* app = GetClientApp();
    IServiceSessionFactory* factory = app->GetSessionFactory();
    IServiceSession* session = app->GetServiceSession();
    bool created = false;
    if (!session) {
        session = factory ? factory->CreateSession() : nullptr;
        if (!session) {
            app->MessageBoxIdLogged(IDS_RESOURCES_SHORT, MB_ICONSTOP);
            return false;
        }
        created = true;
    }
    if (CSkinButton* login = Button(kBtnLogin))
        login->EnableButton(FALSE);
    int result = session->Login(1);
    if (result == 0) {
        app->SetServiceSession(session);
        app->CreatePmLock();
        if (!IsMessaging(app->m_sessionFlags))
            app->ShowWarning(IDS_MESSAGE_SERVER_UNREACHABLE, session->GetErrorCode());
        SetForegroundWindow();
        return true;
    }
    int code = session->GetErrorCode();
    app->SetServiceSession(nullptr);
    app->m_sessionFlags = 0;
    if (created && factory)
        factory->DeleteSession(session);
    app->ShowWarning(IDS_LOGIN_FAILED, code);
    return false;
}

void CMainDlg::Login()
{
    CClientApp* app = GetClientApp();
    if (!app || app->IsExiting())
        return;
    CWaitCursor wait;
    if (!AskServerAccount())
        return;
    CModalScope modal(app);
    if (Online(app))
        return;
    SetButtonState(2);
    bool loggedIn = SessionLogin();
    if (loggedIn && app->GetServiceSession()) {
        bool messagingOk = CheckMessageLogin();
        if (Online(app)) {
            IMainWindowPeers& peers = MainPeers();
            SetButtonState(8);
            peers.Command(kWindowAddressBar, PeerCommand::Show);
            ShowBrowserWindow();
            OpenStartPage();
            if (messagingOk) {
                OnMessagingUp();
                if (peers.Ask(kWindowChat, PeerQuestion::ShowChatAtLogin))
                    ShowChatWindow();
                peers.Command(kWindowPhone, PeerCommand::StartSession);
                SendPresence();
            }
            if (!IsWindowVisible())
                if (CTrayIcon* tray = CTrayIcon::Instance())
                    tray->RestoreWindows();
            SetButtonState(6);
            POINT cursor = {0, 0};
            ::GetCursorPos(&cursor);
            m_idle.Start(cursor.x, cursor.y);
            SetTimer(kTimerIdle, 900000);
            for (int event : {1, 12, 10, 11})
                peers.BalloonEvent(event);
            ShowPortalPage(2);
            return;
        }
    }
    SetButtonState(7);
}

bool CMainDlg::CheckMessageLogin()
{
    CClientApp* app = GetClientApp();
    CWaitCursor wait;
    if (!Messaging(app))
        return false;
    IServiceSession* session = app->GetServiceSession();
    // 0 is a running client; a server code or -1 (the client could not start) is a failure. The
    // client is made by this start, so the message list is asked for after it: queued before,
    // the request would find no client to take it and be dropped.
    int start = session ? session->GetMessageClientStartResult() : 0;
    if (start == 0) {
        if (!app->IsExiting() && app->GetServiceSession() == session)
            app->QueueRequest(::kRequestMessageList);
        return true;
    }
    // The client's start dispatches messages while it waits: a log-out or exit that came in
    // meanwhile has ended the session, and nothing is left to ask about.
    if (app->IsExiting() || app->GetServiceSession() != session)
        return false;
    CString logged;
    logged.Format(Text(IDS_MESSAGE_SERVER_FAILED), start);
    app->LogError(0x30, logged);
    CString question;
    question.Format(Text(IDS_MESSAGE_SERVER_CHECK), start);
    if (app->ShowMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        if (OpenSettings(3) == IDOK && Online(app)) {
            if (IServiceSession* s = app->GetServiceSession())
                s->KeepConnectionAtEnd();
            Logout();
            PostMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
        }
    }
    return false;
}

void CMainDlg::OnMessagingUp()
{
    CClientApp* app = GetClientApp();
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->SetIcon(IDI_ONLINE, Text(IDS_TIP_ONLINE));
    if (CSkinButton* b = Button(kBtnReceive))
        b->EnableButton(TRUE);
    SetListColors(RGB(0xC8, 0xD0, 0xD4));
    app->NotifySendWindows();
    m_listReceived = false;
    app->m_pendingTempFile.Empty();
    app->m_pendingTargetFile.Empty();
    if (app->Settings().m_flags & kFlagSendVisitedUrls) {
        SendUrlToServer(app->Settings().m_homePage);
        app->QueueRequest(::kRequestUrlList);
    }
    app->QueueRequest(::kRequestFriendList);
    for (CWnd* list : {app->GetUserListDlg(), app->GetFriendListDlg()})
        if (CSkinFrameDialog* frame = list ? CSkinFrameDialog::FromHandle(list->GetSafeHwnd()) : nullptr)
            frame->SlideIfDocked();
    SetButtonState(4);
}

void CMainDlg::CloseWindows()
{
    IMainWindowPeers& peers = MainPeers();
    peers.Command(kWindowChat, PeerCommand::CloseRoom);
    peers.Command(kWindowChat, PeerCommand::Hide);
    peers.Command(kWindowSend, PeerCommand::CloseWindow);
    peers.Command(kWindowReceive, PeerCommand::CloseWindow);
    peers.Command(kWindowAddressBar, PeerCommand::ClearBar);
    peers.Command(kWindowBrowser, PeerCommand::HideWithMain);
    GetClientApp()->CloseRegisteredWindows();
}

void CMainDlg::Logout()
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    CWaitCursor wait;
    CModalScope modal(app);
    IMainWindowPeers& peers = MainPeers();
    StopReceiveBlink();
    for (CWnd* list : {app->GetUserListDlg(), app->GetFriendListDlg()})
        if (CSkinFrameDialog* frame = list ? CSkinFrameDialog::FromHandle(list->GetSafeHwnd()) : nullptr)
            frame->ShowDocked();
    for (CWnd* panel : {app->GetVoiceClipDlg(), app->GetCdPlayerDlg()}) {
        CSkinFrameDialog* frame = panel ? CSkinFrameDialog::FromHandle(panel->GetSafeHwnd()) : nullptr;
        if (frame && frame->GetOrderOwner())
            frame->ShowDocked();
        else if (panel && panel->GetSafeHwnd())
            panel->ShowWindow(SW_HIDE);
    }
    if (CWnd* phone = app->GetPhoneDlg()) {
        CSkinFrameDialog* frame = CSkinFrameDialog::FromHandle(phone->GetSafeHwnd());
        if (frame && frame->GetOrderOwner())
            peers.Command(kWindowPhone, PeerCommand::HidePanel);
        else if (phone->GetSafeHwnd())
            phone->ShowWindow(SW_HIDE);
    }
    ShowPortalPage(0);
    CloseWindows();
    peers.Command(kWindowMessageLog, PeerCommand::LogButtonsOff);
    peers.Command(kWindowPhone, PeerCommand::EndSession);
    if (Online(app) || app->GetServiceSession())
        SessionLogout(1);
    SetButtonState(7);
    KillTimer(kTimerIdle);
    if (CTrayIcon* tray = CTrayIcon::Instance()) {
        for (CWnd* w : {app->GetBrowserDlg(), app->GetChatDlg()})
            if (w && w->GetSafeHwnd())
                tray->RemoveWindow(w->GetSafeHwnd());
    }
}

bool CMainDlg::SessionLogout(int mode)
{
    CClientApp* app = GetClientApp();
    IServiceSession* session = app->GetServiceSession();
    app->SetServiceSession(nullptr);
    if (session) {
        session->Logout(mode);
        if (IServiceSessionFactory* factory = app->GetSessionFactory())
            factory->DeleteSession(session);
    }
    app->m_sessionFlags = 0;
    app->NotifySendWindows();
    app->CommitReceivedFile(false);
    app->m_pendingTempFile.Empty();
    app->m_pendingTargetFile.Empty();
    app->ClosePmLock();
    m_poll.Clear();
    if (m_hWnd) {
        if (CTrayIcon* tray = CTrayIcon::Instance())
            tray->SetIcon(IDI_APP, Text(IDS_TIP_OFFLINE));
        // Both lists keep only the user's own row.
        ResetUserLists();
        SetListColors(RGB(0xC0, 0xC0, 0xC0));
    }
    m_listReceived = false;
    return session != nullptr;
}

void CMainDlg::OnExit()
{
    CClientApp* app = GetClientApp();
    // Enter on the host, a page command and the end of the session may all ask while the steps
    // below show a message box; only the first request runs them.
    if (!app || !app->BeginExit())
        return;
    IMainWindowPeers& peers = MainPeers();
    KillTimer(kTimerPoll);
    ShowPortalPage(0);
    app->SetModalState(true);
    peers.Command(kWindowPhone, PeerCommand::EndSession);
    peers.Command(kWindowNormalBalloon, PeerCommand::SaveCounters);
    SetButtonState(5);
    if (SessionLogout(-1))
        SetButtonState(7);
    else
        SetButtonState(6);
    app->CloseRegisteredWindows();
    app->DestroyLogWindows();
    app->DestroyMemoWindows();
    // Destroyed in this order; the chat-login dialog goes before the chat window that owns it.
    const WindowKind order[] = {kWindowPartnerList, kWindowPhone,     kWindowCdPlayer, kWindowVoiceClip,
                                kWindowFriendList,  kWindowUserList,  kWindowAddressBar, kWindowSend,
                                kWindowReceive,     kWindowChatLogin, kWindowChat,     kWindowBrowser,
                                kWindowErrorLog,    kWindowNormalBalloon, kWindowErrorBalloon};
    for (WindowKind kind : order)
        if (CWnd* window = CClientApp::GetAppWindow(kind))
            peers.Destroy(kind, window);
    m_exitDone = true;
    app->SetModalState(false);
    if (CAppHostDlg* host = app->GetHostDlg())
        host->EndDialog(IDOK);
    DestroyWindow();
}

void CMainDlg::HideToTray()
{
    CClientApp* app = GetClientApp();
    CTrayIcon* tray = CTrayIcon::Instance();
    BOOL shown = tray ? tray->SetIcon(Online(app) ? IDI_ONLINE : IDI_APP, "") : FALSE;
    if (!shown) {
        if (app)
            app->MessageBoxId(IDS_NO_TRAY, MB_ICONEXCLAMATION);
        return;
    }
    if (CAppHostDlg* host = app ? app->GetHostDlg() : nullptr)
        host->ShowWindow(SW_HIDE);
    ShowAllGroups(FALSE);
    ShowWindow(SW_HIDE);
}

BOOL CMainDlg::OpenUrl(const CString& address)
{
    IMainWindowPeers& peers = MainPeers();
    if (!peers.AddUrl(address))
        return FALSE;
    SendUrlToServer(address);
    peers.Navigate(address);
    return TRUE;
}

void CMainDlg::SendUrlToServer(const CString& address)
{
    CClientApp* app = GetClientApp();
    CWaitCursor wait;
    if (!MessagingReady(app) || !ShouldReportUrl(address, app->Settings().m_searchPage))
        return;
    app->m_lastVisitedUrl = address;
    IServiceSession* session = app->GetServiceSession();
    if (session && session->GetRequestClient() && (app->Settings().m_flags & kFlagSendVisitedUrls)) {
        int result = session->SendVisitedUrl(address);
        if (result != 0) {
            app->ReportError(result, 0);
        } else if (app->GetPmHolderKind() != 0) {
            m_poll.AddPending(kPendingUrlList);
        } else {
            app->QueueRequest(::kRequestUrlList);
        }
    }
}

void CMainDlg::SendPresence()
{
    CClientApp* app = GetClientApp();
    uint32_t& status = app->Settings().m_myStatus;
    if (MainPeers().Ask(kWindowPhone, PeerQuestion::InCall))
        status |= 0x4;
    else
        status &= ~0x4u;
    if ((app->GetProfileInt("NetInfo", "ProtocolVer", 0) & 0xFF) == 0x2F || !MessagingReady(app))
        return;
    app->SubmitRequest(RequestEntry{::kRequestPresence, status});
}

void CMainDlg::OpenStartPage()
{
    CClientApp* app = GetClientApp();
    IServiceSession* session = app->GetServiceSession();
    bool q2 = (app->m_sessionFlags & 0x0100) != 0;
    CString address = StartPageAddress(app->m_hasOemLink ? app->m_oemUrl : CString(), app->Settings().m_homePage, q2,
                                       ExeFileName(), session ? session->GetDialupEntryName() : CString(),
                                       Text(IDS_Q2_DIALUP_ENTRY));
    OpenUrl(address);
}

LRESULT CMainDlg::OnCommandRequest(WPARAM wParam, LPARAM lParam)
{
    // A dial loop runs below this call: its dialog and this window must outlive it. Exit and
    // log-out cancel the dial and come again once the loop has returned.
    if ((wParam == kAppExit || wParam == kAppLogout) && CDialupDlg::RunningDial()) {
        CDialupDlg::RunningDial()->RequestCancel();
        PostMessage(WM_APP_COMMAND_REQUEST, wParam, lParam);
        return 0;
    }
    switch (wParam) {
    case kAppLogin:
        Login();
        break;
    case kAppLogout:
        Logout();
        break;
    case kAppHide:
        HideToTray();
        break;
    case kAppExit:
        OnExit();
        break;
    case kAppShow:
        if (CTrayIcon* tray = CTrayIcon::Instance())
            tray->OnNotify(CTrayIcon::kIconId, WM_LBUTTONDOWN);
        break;
    default:
        break; // other values do nothing
    }
    return 0;
}

LRESULT CMainDlg::OnOpenPending(WPARAM, LPARAM)
{
    if (CClientApp* app = GetClientApp())
        app->OpenPendingHandover();
    return 0;
}

LRESULT CMainDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if (CTrayIcon* tray = CTrayIcon::Instance())
        return tray->OnNotify(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
    return 0;
}

void CMainDlg::OnEndSession(BOOL ending)
{
    Default();
    if (ending)
        OnExit();
}
