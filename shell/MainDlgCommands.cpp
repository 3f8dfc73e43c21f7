// CMainDlg: the commands that show, hide or toggle the other windows, the three popup menus,
// the skin commands and the small services behind menu items.
#include "shell/MainDlg.h"
#include "shell/RecvWindowServices.h"

#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"

#include "shell/AboutDlg.h"
#include "shell/AppMessages.h"
#include "shell/AppObjects.h"
#include "shell/ClientApp.h"
#include "shell/TrayIcon.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/skin/SkinManager.h"
#include "shell/common/utilities/WinUtil.h"

#include "framework/win/Menu.h"
#include "messaging/store/StorePlatform.h"

#include "resources/StringIds.h"

using namespace mainwnd;

namespace {

CString Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

bool Online(CClientApp* app) { return app && app->GetServiceSession() && IsOnline(app->m_sessionFlags); }
bool Messaging(CClientApp* app) { return app && app->GetServiceSession() && IsMessaging(app->m_sessionFlags); }

// The message database was opened (its flag is the store's).
bool HistoryAvailable() { return msgstore::StorePlatform().IsDatabaseAvailable(); }

CSkinFrameDialog* FrameOf(CWnd* window) { return window ? CSkinFrameDialog::FromHandle(window->GetSafeHwnd()) : nullptr; }

// Runs a modal dialog inside the application's modal state.
template <typename Run>
INT_PTR RunModalState(Run run)
{
    CClientApp* app = GetClientApp();
    if (app)
        app->SetModalState(true);
    INT_PTR result = run();
    if (app)
        app->SetModalState(false);
    return result;
}

} // namespace

BOOL CMainDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    // Buttons that are disabled send nothing; menu items of the same commands still work.
    auto button = [&](UINT buttonId) { return lParam == 0 || IsButtonEnabled(buttonId); };
    switch (id) {
    case kBtnSettings:
    case 32778: OpenSettings(0); return TRUE;
    case kBtnLogin:
        if (button(kBtnLogin))
            Login();
        return TRUE;
    case kBtnLogout:
        if (button(kBtnLogout))
            Logout();
        return TRUE;
    case kBtnMail:
    case 32812: OpenMailPage(); return TRUE;
    case kBtnAddress:
    case 32813: OpenAddressBook(); return TRUE;
    case 32774: ShowAbout(); return TRUE;
    case 32780: OnExit(); return TRUE;
    case 32782: {
        CClientApp* app = GetClientApp();
        if (Online(app)) {
            if (IsButtonEnabled(kBtnLogout))
                Logout();
        } else if (IsButtonEnabled(kBtnLogin)) {
            Login();
        }
        return TRUE;
    }
    case 1183: return TRUE;
    case kBtnVoiceClip:
    case 32787: ToggleVoiceClip(); return TRUE;
    case kBtnCdPlayer:
    case 32779: ToggleCdPlayer(); return TRUE;
    case 32796: OpenDialupDetails(); return TRUE;
    case 32800: MainPeers().Command(kWindowBrowser, PeerCommand::OpenMyProfile); return TRUE;
    case 32799: MainPeers().Command(kWindowBrowser, PeerCommand::OpenProfileEdit); return TRUE;
    case 32801: MainPeers().Command(kWindowBrowser, PeerCommand::Search); return TRUE;
    case 32816: OpenPartnerList(); return TRUE;
    case 32819: ShowErrorLog(); return TRUE;
    case 32822: OpenDisplaySettings(); return TRUE;
    case 32821: StartScreenSaver(); return TRUE;
    case kBtnHide:
    case 32773: HideToTray(); return TRUE;
    case kBtnBrowser:
    case 32783: ShowBrowserWindow(); return TRUE;
    case kBtnChat:
    case 32777: ShowChatWindow(); return TRUE;
    case kBtnReceive:
    case 32789: OpenReceiveWindow(); return TRUE;
    case kBtnPhone:
    case 32793: TogglePhone(); return TRUE;
    case kBtnHelp: ShowHelpMenu(); return TRUE;
    case kBtnMenu: ShowMainMenu(); return TRUE;
    case 32797: SendMailTo(); return TRUE;
    case 32829: OpenMoodWindow(); return TRUE;
    case 57670:
        if (CClientApp* app = GetClientApp())
            app->WinHelp();
        return TRUE;
    default: break;
    }
    if (id >= CSkinManager::kBaseSkinCommand && id <= 4095) {
        OnSkinMenu(id);
        return TRUE;
    }
    return CSkinFrameDialog::OnCommand(wParam, lParam);
}

void CMainDlg::ShowBrowserWindow()
{
    CClientApp* app = GetClientApp();
    CWnd* browser = app ? app->GetBrowserDlg() : nullptr;
    if (!browser)
        return;
    MainPeers().Command(kWindowBrowser, PeerCommand::Show);
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->AddWindow(browser->GetSafeHwnd());
}

void CMainDlg::ShowChatWindow()
{
    CClientApp* app = GetClientApp();
    CWnd* chat = app ? app->GetChatDlg() : nullptr;
    if (!chat)
        return;
    const bool wasHidden = !chat->IsWindowVisible();
    if (wasHidden)
        MainPeers().Command(kWindowChat, PeerCommand::ClearLog);
    MainPeers().Command(kWindowChat, PeerCommand::Show);
    ::BringWindowToTop(chat->GetSafeHwnd());
    if (wasHidden)
        MainPeers().Command(kWindowChat, PeerCommand::ReadyChat);
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->AddWindow(chat->GetSafeHwnd());
}

void CMainDlg::ToggleOne(WindowKind kind, int offCode, int onCode, int balloonEvent)
{
    CClientApp* app = GetClientApp();
    SetButtonState(offCode);
    CSkinFrameDialog* panel = FrameOf(CClientApp::GetAppWindow(kind));
    if (panel) {
        auto toggle = [](WindowKind k, CSkinFrameDialog* frame) {
            if (k == kWindowPhone)
                MainPeers().Command(kWindowPhone, frame->GetSlideProgress() ? PeerCommand::HidePanel : PeerCommand::ShowPanel);
            else
                frame->ShowFromMain();
        };
        if (IsFloatingWindow(panel)) {
            if (kind == kWindowPhone)
                MainPeers().Command(kWindowPhone, PeerCommand::HidePanel);
            else
                panel->ShowDocked();
        } else {
            for (WindowKind other : {kWindowVoiceClip, kWindowCdPlayer, kWindowPhone}) {
                if (other == kind)
                    continue;
                CSkinFrameDialog* frame = FrameOf(CClientApp::GetAppWindow(other));
                if (frame && frame->GetSlideProgress() != 0 && !IsFloatingWindow(frame))
                    toggle(other, frame);
            }
            toggle(kind, panel);
            if (balloonEvent)
                MainPeers().BalloonEvent(balloonEvent);
        }
    }
    (void)app;
    SetButtonState(onCode);
}

void CMainDlg::ToggleVoiceClip() { ToggleOne(kWindowVoiceClip, 4096, 8192, 80); }
void CMainDlg::ToggleCdPlayer() { ToggleOne(kWindowCdPlayer, 1280, 1536, 70); }
void CMainDlg::TogglePhone() { ToggleOne(kWindowPhone, 768, 1024, 0); }

INT_PTR CMainDlg::OpenSettings(int page)
{
    CClientApp* app = GetClientApp();
    if (CSkinButton* b = Button(kBtnSettings))
        b->EnableButton(FALSE);
    INT_PTR result = RunModalState([&] { return MainPeers().RunModal(kWindowSettings, page); });
    if (result == IDOK && app) {
        app->SavePreferences();
        app->NotifySendWindowsIdle();
        // The query interval the general page stored drives the poll from now on.
        m_poll.SetInterval(app->Settings().m_queryInterval);
    }
    if (CSkinButton* b = Button(kBtnSettings))
        b->EnableButton(TRUE);
    return result;
}

void CMainDlg::ShowAbout()
{
    if (CSkinButton* b = Button(kBtnHelp))
        b->EnableButton(FALSE);
    RunModalState([&] {
        CAboutDlg about(this);
        return about.DoModal();
    });
    if (CSkinButton* b = Button(kBtnHelp))
        b->EnableButton(TRUE);
}

HMENU CMainDlg::BuildTrayMenu(bool fromTray)
{
    CClientApp* app = GetClientApp();
    HMENU bar = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_ICON_MENU));
    if (!bar)
        return nullptr;
    HMENU menu = ::GetSubMenu(bar, 0);
    ::RemoveMenu(bar, 0, MF_BYPOSITION);
    ::DestroyMenu(bar);
    if (!menu)
        return nullptr;
    const UINT grey = MF_BYCOMMAND | MF_GRAYED;
    bool online = Online(app);
    ::ModifyMenuA(menu, 32782, MF_BYCOMMAND | MF_STRING, 32782, Text(online ? IDS_MENU_LOGOUT : IDS_MENU_LOGIN));
    if (!online)
        for (UINT id : {32783u, 32812u, 32813u})
            ::EnableMenuItem(menu, id, grey);
    if (!Messaging(app))
        for (UINT id : {32777u, 32789u, 32793u})
            ::EnableMenuItem(menu, id, grey);
    if (!IsWindowVisible())
        for (UINT id : {32777u, 32787u, 32779u, 32793u})
            ::EnableMenuItem(menu, id, grey);
    if (!HistoryAvailable())
        ::EnableMenuItem(menu, 32816, grey);
    if (CSkinManager* skins = GetAppSkinManager())
        skins->BuildSkinMenu(menu, Messaging(app), 10);
    ::DeleteMenu(menu, fromTray ? 32773 : 32780, MF_BYCOMMAND);
    return menu;
}

HMENU CMainDlg::BuildMainMenu()
{
    CClientApp* app = GetClientApp();
    HMENU bar = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_BTN_MENU));
    if (!bar)
        return nullptr;
    HMENU menu = ::GetSubMenu(bar, 0);
    ::RemoveMenu(bar, 0, MF_BYPOSITION);
    ::DestroyMenu(bar);
    if (!menu)
        return nullptr;
    bool online = Online(app);
    if (CSkinManager* skins = GetAppSkinManager())
        skins->BuildSkinMenu(menu, online, 0);
    if (!online)
        for (UINT id : {32801u, 32799u, 32800u})
            ::EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED);
    if (!HistoryAvailable())
        ::EnableMenuItem(menu, 32816, MF_BYCOMMAND | MF_GRAYED);
    return menu;
}

namespace {

void TrackAtCursor(HMENU menu, HWND owner, UINT flags)
{
    if (!menu)
        return;
    POINT cursor = {0, 0};
    ::GetCursorPos(&cursor);
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(menu, flags, cursor.x, cursor.y, 0, owner, nullptr);
    ::PostMessageA(owner, WM_NULL, 0, 0);
    ::DestroyMenu(menu);
}

} // namespace

void CMainDlg::ShowTrayMenu(bool fromTray) { TrackAtCursor(BuildTrayMenu(fromTray), m_hWnd, TPM_RIGHTBUTTON); }
void CMainDlg::ShowMainMenu() { TrackAtCursor(BuildMainMenu(), m_hWnd, TPM_LEFTALIGN); }

void CMainDlg::ShowHelpMenu()
{
    HMENU bar = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_HELP_MENU));
    if (!bar)
        return;
    HMENU menu = ::GetSubMenu(bar, 0);
    ::RemoveMenu(bar, 0, MF_BYPOSITION);
    ::DestroyMenu(bar);
    TrackAtCursor(menu, m_hWnd, TPM_LEFTALIGN);
}

void CMainDlg::RelayAll(bool countResults, bool* allOk)
{
    CClientApp* app = GetClientApp();
    IMainWindowPeers& peers = MainPeers();
    bool ok = ReapplySkin();
    // The thirteen counted windows of the menu's re-lay; the shell's archive skips three.
    const WindowKind counted[] = {kWindowAddressBar, kWindowUserList, kWindowFriendList, kWindowBrowser,
                                  kWindowReceive,    kWindowSend,     kWindowChat,       kWindowChatLogin,
                                  kWindowPartnerList, kWindowErrorLog, kWindowVoiceClip, kWindowPhone,
                                  kWindowCdPlayer};
    for (WindowKind kind : counted) {
        if (!countResults && (kind == kWindowChatLogin || kind == kWindowErrorLog))
            continue;
        if (CWnd* window = CClientApp::GetAppWindow(kind))
            if (!peers.Relayout(kind, window))
                ok = false;
    }
    for (WindowKind kind : {kWindowMessageLog, kWindowMemo, kWindowNewBrowser, kWindowWebMail, kWindowAddressBook,
                            kWindowUserRoom}) {
        if (!countResults && kind == kWindowMemo)
            continue;
        for (CWnd* window : CClientApp::Windows().Windows(kind))
            peers.Relayout(kind, window);
    }
    (void)app;
    if (allOk)
        *allOk = ok;
}

void CMainDlg::OnSkinMenu(UINT id)
{
    CClientApp* app = GetClientApp();
    CSkinManager* skins = GetAppSkinManager();
    if (!app || !skins)
        return;
    if (id == CSkinManager::kDownloadCommand) {
        if (app->GetBrowserDlg()) {
            MainPeers().Command(kWindowBrowser, PeerCommand::Show);
            MainPeers().Navigate(Text(IDS_URL_SKIN_DOWNLOAD));
        }
        return;
    }
    if (id == CSkinManager::kBaseSkinCommand) {
        skins->SetCurrentSkin("baseskin");
    } else if (!skins->SelectSkin(m_hWnd, id)) {
        if (!skins->GetErrorText().IsEmpty())
            app->MessageBoxTextLogged(skins->GetErrorText(), MB_ICONEXCLAMATION);
        // What is left of a skin that failed is not worn: back to the base skin.
        if (!skins->IsBaseSkin())
            OnSkinMenu(CSkinManager::kBaseSkinCommand);
        return;
    }
    if (!skins->IsBaseSkin() && !skins->CheckSkinVersion(false)) {
        bool online = Online(app);
        int answer = app->ShowMessageBox(Text(online ? IDS_SKIN_OUTDATED_ONLINE : IDS_SKIN_UNUSABLE), MB_YESNO | MB_ICONQUESTION);
        if (answer == IDYES && online && app->GetBrowserDlg()) {
            MainPeers().Command(kWindowBrowser, PeerCommand::Show);
            MainPeers().Navigate(Text(IDS_URL_SKIN_DOWNLOAD));
        }
        OnSkinMenu(CSkinManager::kBaseSkinCommand);
        return;
    }
    bool wasRunning = m_skinRelayRunning;
    m_skinRelayRunning = true;
    bool ok = true;
    RelayAll(true, &ok);
    if (!ok) {
        // Said once: the way back to the base skin does not say it again, and a base skin that
        // fails is not asked for again.
        if (!wasRunning)
            app->MessageBoxIdLogged(IDS_SKIN_RELAY_FAILED, MB_ICONSTOP);
        if (!skins->IsBaseSkin())
            OnSkinMenu(CSkinManager::kBaseSkinCommand);
    }
    m_skinRelayRunning = wasRunning;
}

void CMainDlg::ApplySkinFile(const CString& path)
{
    CClientApp* app = GetClientApp();
    CSkinManager* skins = GetAppSkinManager();
    if (path.IsEmpty() || !app || !skins)
        return;
    CString name = path;
    if (!skins->InstallSkinFile(name)) {
        if (!skins->GetErrorText().IsEmpty())
            app->MessageBoxTextLogged(skins->GetErrorText(), MB_ICONEXCLAMATION);
        return; // a failed install stops here
    }
    // The installed archive is loaded by its name (the install turned the path into it).
    if (!skins->LoadSkinArchive(m_hWnd, name, false)) {
        if (!skins->GetErrorText().IsEmpty())
            app->MessageBoxTextLogged(skins->GetErrorText(), MB_ICONEXCLAMATION);
        if (!skins->IsBaseSkin())
            OnSkinMenu(CSkinManager::kBaseSkinCommand);
        return;
    }
    if (!skins->CheckSkinVersion(false)) {
        bool online = Online(app);
        int answer = app->ShowMessageBox(Text(online ? IDS_SKIN_OUTDATED_ONLINE : IDS_SKIN_UNUSABLE), MB_YESNO | MB_ICONQUESTION);
        if (answer == IDYES && online && app->GetBrowserDlg()) {
            MainPeers().Command(kWindowBrowser, PeerCommand::Show);
            MainPeers().Navigate(Text(IDS_URL_SKIN_DOWNLOAD));
        }
        OnSkinMenu(CSkinManager::kBaseSkinCommand);
        return;
    }
    RelayAll(false, nullptr);
}

void CMainDlg::ImportConnectionInfo(const CString& path)
{
    CClientApp* app = GetClientApp();
    CInternetPolicy policy(*app);
    CWinInetFormPoster poster(&policy);
    CNetInfoAccount account(*app, [app](const char* name) { return app->GetServerRoot(name); });
    CServiceForms forms(account, poster);
    CAccountImport import(*app, forms, this);
    app->SetModalState(true);
    import.ImportConnectionInfo(path);
    app->SetModalState(false);
}

int CMainDlg::ShowMessage(unsigned textId, unsigned flags)
{
    return GetClientApp()->MessageBoxId(textId, flags, this);
}

void CMainDlg::ShowLoggedText(const CString& text, unsigned flags)
{
    GetClientApp()->MessageBoxTextLogged(text, flags, this);
}

void CMainDlg::LogOut()
{
    PostMessage(WM_APP_COMMAND_REQUEST, kAppLogout);
}

void CMainDlg::UpdateOwnName(const CString& newCommId, const CString& newName, const CString& newData,
                             const CString& oldCommId)
{
    CClientApp* app = GetClientApp();
    app->m_ownUser.id = newCommId;
    app->m_ownUser.name = newName;
    (void)newData;
    // A home page that was the old ID's room follows the new ID.
    CString& homePage = app->Settings().m_homePage;
    if (!oldCommId.IsEmpty() && homePage == app->BuildRoomUrl(oldCommId))
        homePage = app->BuildRoomUrl(newCommId);
}

void CMainDlg::RefreshSettingsPage()
{
    // The settings dialog shows the account from NetInfo when it opens; while it is open it is
    // told to read it again.
    if (CWnd* settings = GetClientApp()->GetSettingsDlg())
        settings->PostMessage(WM_APP_ACCOUNT_CHANGED);
}

void CMainDlg::OpenSendWindow(const PartnerRef& partner)
{
    CClientApp* app = GetClientApp();
    CWnd* send = app->GetSendDlg();
    if (send && send->GetSafeHwnd()) {
        send->SendMessage(0x40A, 100, reinterpret_cast<LPARAM>(&partner));
        send->SetForegroundWindow();
        send->Invalidate();
    } else {
        send = MainPeers().Create(kWindowSend, this);
        if (!send)
            return;
        send->SendMessage(0x40A, 100, reinterpret_cast<LPARAM>(&partner));
    }
    DWORD centre = winutil::GetDesktopCenter();
    int x = static_cast<short>(LOWORD(centre)) - 170, y = static_cast<short>(HIWORD(centre)) - 170;
    send->SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->AddWindow(send->GetSafeHwnd());
}

void CMainDlg::OpenMailPage()
{
    CClientApp* app = GetClientApp();
    CWnd* browser = MainPeers().OpenBrowser(kWindowWebMail, winutil::BuildResUrl(IDR_WAITING_HTML), nullptr);
    if (!browser) {
        app->MessageBoxId(IDS_RESOURCES_SHORT, MB_ICONSTOP);
        return;
    }
    MainPeers().BalloonEvent(90);
}

void CMainDlg::OpenAddressBook()
{
    CWnd* browser = MainPeers().OpenBrowser(kWindowAddressBook, winutil::BuildResUrl(IDR_WAITING_HTML), nullptr);
    if (!browser) {
        GetClientApp()->MessageBoxId(IDS_RESOURCES_SHORT, MB_ICONSTOP);
        return;
    }
    MainPeers().BalloonEvent(100);
}

void CMainDlg::OpenPartnerList()
{
    CClientApp* app = GetClientApp();
    CWnd* list = CClientApp::GetAppWindow(kWindowPartnerList);
    if (list && list->GetSafeHwnd()) {
        list->ShowWindow(SW_SHOW);
        MainPeers().Command(kWindowPartnerList, PeerCommand::RefreshList);
        ::BringWindowToTop(list->GetSafeHwnd());
    } else {
        list = MainPeers().Create(kWindowPartnerList, this);
        if (list)
            list->ShowWindow(SW_SHOW);
    }
    if (list)
        if (CTrayIcon* tray = CTrayIcon::Instance())
            tray->AddWindow(list->GetSafeHwnd());
    MainPeers().BalloonEvent(130);
    (void)app;
}

void CMainDlg::ShowErrorLog() { MainPeers().Command(kWindowErrorLog, PeerCommand::ShowLog); }

void CMainDlg::OpenDialupDetails()
{
    RunModalState([] { return MainPeers().RunModal(kWindowDialupDetails, 0); });
}

void CMainDlg::OpenMoodWindow()
{
    if (RunModalState([] { return MainPeers().RunModal(kWindowMood, 0); }) == IDOK) {
        SendPresence();
        UpdateOwnStatus();
    }
}

void CMainDlg::SendMailTo()
{
    CClientApp* app = GetClientApp();
    CString body;
    body.Format(Text(IDS_MAIL_BODY), Text(IDS_URL_DOWNLOAD_PAGE).GetString(), app->m_Comm_id.GetString());
    CString address = BuildMailTo(body, Text(IDS_MAIL_SUBJECT));
    INT_PTR result = ShellActions().Open(address, CString());
    if (result < 33)
        app->MessageBoxId(IDS_LAUNCH_FAILED, MB_ICONSTOP);
    MainPeers().BalloonEvent(110);
}

void CMainDlg::StartScreenSaver()
{
    if (ShellActions().IsScreenSaverActive())
        ShellActions().StartScreenSaver(m_hWnd);
    else
        OpenDisplaySettings();
}

void CMainDlg::OpenDisplaySettings() { ShellActions().Open("rundll32.exe", "shell32.dll,Control_RunDLL desk.cpl,,1"); }

IDispatch* CMainDlg::OnNewWindow2(bool haveArguments)
{
    CClientApp* app = GetClientApp();
    if (!haveArguments || !Online(app))
        return nullptr;
    IDispatch* application = nullptr;
    if (CWnd* existing = app->FindWindowByKind(kWindowNewBrowser, CString())) {
        existing->SetForegroundWindow();
    }
    MainPeers().OpenBrowser(kWindowNewBrowser, CString(), &application);
    return application;
}

void CMainDlg::ReopenBrowser()
{
    IMainWindowPeers& peers = MainPeers();
    if (CWnd* browser = GetClientApp()->GetBrowserDlg())
        peers.Destroy(kWindowBrowser, browser);
    if (!peers.Create(kWindowBrowser, this))
        return;
    CString home = Text(IDS_URL_HOME_PAGE);
    peers.Navigate(home);
    peers.AddUrl(home);
}

void CMainDlg::OpenReceiveWindow()
{
    // The received-message window shows without taking the focus; one that exists asks for the
    // message list again.
    StopReceiveBlink();
    CWnd* receive = CClientApp::GetAppWindow(kWindowReceive);
    if (receive) {
        ShowReceiveWindow(receive);
        if (CClientApp* app = GetClientApp())
            app->QueueRequest(kRequestMessageList);
    } else if ((receive = MainPeers().Create(kWindowReceive, m_pHost)) != nullptr) {
        ShowReceiveWindow(receive);
    }
}
