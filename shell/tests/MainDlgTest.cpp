// The real main window in this process, on the base skin that the build packs, with recording
// doubles of its neighbours, of the service session, of the notification area and of the shell:
// initialisation and its failures, the timers' machines, log-in, log-out and exit as sequences,
// menus, skin commands, the tray icon's records and the shell's restart.
#include "tests/support/CallbackProc.h"
#include "shell/tests/MainWindowTestEnv.h"

#include "shell/AboutDlg.h"
#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/MainPage.h"
#include "shell/ChatWindowServices.h"
#include "shell/BrowserServices.h"
#include "chat_web/browser/win/BrowserHost.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/window/win/ChatDlg.h"
#include "phone_media/cdplayer/win/CdAudioWnd.h"
#include "phone_media/cdplayer/win/CdPlayerDlg.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "framework/win/RegisteredMessages.h"

#include "resources/StringIds.h"

#include <exdisp.h>
#include <exdispid.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace mwtest;

namespace {

std::string Text(UINT id)
{
    char text[1024] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

struct RecordingPresenter : IMessageBoxPresenter {
    std::vector<std::string> texts;
    int answer = IDOK;
    int Show(HWND, const char* text, UINT, bool) override
    {
        texts.push_back(text);
        return answer;
    }
};

struct RecordingShellActions : IMainShellActions {
    std::vector<std::string> opened;
    INT_PTR result = 42;
    bool active = false;
    int saverStarts = 0;
    INT_PTR Open(const CString& file, const CString& parameters) override
    {
        opened.push_back(file.str() + "|" + parameters.str());
        return result;
    }
    void StartScreenSaver(HWND) override { ++saverStarts; }
    bool IsScreenSaverActive() override { return active; }
};

std::string Event(WindowKind kind, PeerCommand command)
{
    return "command:" + KindName(kind) + ":" + std::to_string(static_cast<int>(command));
}

RECT ClientRectOf(HWND parent, UINT id)
{
    RECT r{};
    HWND child = ::GetDlgItem(parent, static_cast<int>(id));
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CClientApp::Windows().IsEmpty());
        m_app = std::make_unique<CClientApp>();
        m_app->SetupRegistry();
        m_app->m_Comm_id = "0123456789ABCDEF";
        ASSERT_TRUE(env.SetUp());
        SetMessageBoxPresenter(&presenter);
        SetMainPeers(&peers);
        CMainDlg::SetShellActions(&shell);
        App().SetSessionFactory(&factory);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Qelo\\NimboVandrell\\Location");
    }
    void TearDown() override
    {
        if (CMainDlg* main = App().GetMainDlg())
            main->DestroyWindow();
        for (CWnd* w : CClientApp::Windows().Windows({kWindowErrorLog, kWindowErrorBalloon, kWindowNormalBalloon,
                                                     kWindowCdPlayer, kWindowPhone, kWindowVoiceClip, kWindowFriendList,
                                                     kWindowUserList, kWindowAddressBar, kWindowBrowser, kWindowChat,
                                                     kWindowPartnerList, kWindowSend, kWindowReceive, kWindowNewBrowser,
                                                     kWindowWebMail, kWindowAddressBook}))
            w->DestroyWindow();
        EXPECT_TRUE(CClientApp::Windows().IsEmpty()) << "a window was left";
        CClientApp::Windows().Clear();
        CMainDlg::SetShellActions(nullptr);
        SetMainPeers(nullptr);
        SetMessageBoxPresenter(nullptr);
        env.TearDown();
        m_app.reset();
    }
    CClientApp& App() { return *m_app; }
    CMainDlg* Open()
    {
        env.RenewSkins();
        auto* main = new CMainDlg(nullptr);
        if (!main->Create()) {
            if (main->GetSafeHwnd())
                main->DestroyWindow();
            else
                delete main;
            return nullptr;
        }
        return main;
    }
    // Online with the message service up, as a successful log-in leaves it.
    void GoOnline()
    {
        factory.session.loggedIn = true;
        App().SetServiceSession(&factory.session);
        App().m_sessionFlags = 0x0103;
    }
    std::vector<RecordingTrayShell::Call>& Tray() { return env.trayShell.calls; }

    SkinEnvironment env;
    Journal journal;
    RecordingPeers peers{journal};
    SessionFactoryDouble factory{journal};
    RecordingPresenter presenter;
    RecordingShellActions shell;

private:
    std::unique_ptr<CClientApp> m_app;
};

} // namespace

TEST_F(MainWindowTest, StartsOnTheSkinWithItsButtonsPageIconAndNeighbours)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    EXPECT_TRUE(main->IsReady());
    EXPECT_EQ(main, App().GetMainDlg());
    // The base skin's places: the log-in button and the page at control 1242's corner, 164 x 154.
    RECT login = ClientRectOf(main->GetSafeHwnd(), mainwnd::kBtnLogin);
    EXPECT_EQ(10, login.left);
    EXPECT_EQ(28, login.top);
    RECT page = ClientRectOf(main->GetSafeHwnd(), CMainDlg::kPageControl);
    EXPECT_EQ(14, page.left);
    EXPECT_EQ(60, page.top);
    EXPECT_EQ(164, page.right - page.left);
    EXPECT_EQ(154, page.bottom - page.top);
    // Logged out: state 1.
    EXPECT_FALSE(main->IsButtonEnabled(mainwnd::kBtnBrowser));
    EXPECT_FALSE(main->IsButtonEnabled(mainwnd::kBtnLogout));
    EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnCdPlayer));
    EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnHide));
    // The neighbours in the Part's order, each once.
    std::vector<std::string> created;
    for (const auto& e : journal.events)
        if (e.compare(0, 7, "create:") == 0)
            created.push_back(e.substr(7));
    std::vector<std::string> expected;
    for (WindowKind k : {kWindowErrorLog, kWindowErrorBalloon, kWindowNormalBalloon, kWindowCdPlayer, kWindowPhone,
                         kWindowVoiceClip, kWindowFriendList, kWindowUserList, kWindowAddressBar, kWindowBrowser, kWindowChat})
        expected.push_back(KindName(k));
    EXPECT_EQ(expected, created);
    // The notification icon: one record as the shell expects it.
    ASSERT_EQ(1u, Tray().size());
    const auto& add = Tray()[0];
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), add.operation);
    EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE), add.data.cbSize);
    EXPECT_EQ(174u, add.data.uID);
    EXPECT_EQ(static_cast<UINT>(WM_USER), add.data.uCallbackMessage);
    EXPECT_EQ(static_cast<UINT>(NIF_ICON | NIF_MESSAGE | NIF_TIP), add.data.uFlags);
    EXPECT_EQ(main->GetSafeHwnd(), add.data.hWnd);
    EXPECT_EQ(Text(IDS_TIP_OFFLINE), std::string(add.data.szTip));
    // The page shows the built-in opening page (no opening.html in the install folder).
    EXPECT_NE(std::string::npos, main->GetPortalAddress().str().find("/835")) << main->GetPortalAddress().str();
    // Shown a second later, beside its docked lists.
    EXPECT_FALSE(main->IsWindowVisible());
    EXPECT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    EXPECT_TRUE(App().GetUserListDlg()->IsWindowVisible());
    EXPECT_EQ(6u, env.tray.Windows().size()) << "main window, the two lists and the three docked panels";
    nvtest::SaveWindowScreenshot(main->GetSafeHwnd(), "main_window");
}

TEST_F(MainWindowTest, AFailureAtEachStepOfTheStartEndsItWithItsMessage)
{
    const std::string resources = Text(IDS_RESOURCES_SHORT);
    const struct {
        WindowKind failing;
        std::string message;
        std::vector<WindowKind> undone; // destroyed again: all or nothing
    } rows[] = {
        {kWindowErrorLog, resources + "\n(Create ErrorLog Faild)", {}},
        {kWindowErrorBalloon, resources + "\n(Create VyrnMessage-Error Faild)", {kWindowErrorLog}},
        {kWindowNormalBalloon, resources + "\n(Create VyrnMessage-Normal Faild)", {kWindowErrorBalloon, kWindowErrorLog}},
        {kWindowCdPlayer, resources + "\n(CreateChild Faild)", {kWindowNormalBalloon, kWindowErrorBalloon, kWindowErrorLog}},
        {kWindowUserList, resources + "\n(CreateChild Faild)",
         {kWindowFriendList, kWindowVoiceClip, kWindowPhone, kWindowCdPlayer, kWindowNormalBalloon, kWindowErrorBalloon, kWindowErrorLog}},
        {kWindowAddressBar, resources + "\n(Create URL Faild)", {kWindowUserList, kWindowFriendList, kWindowVoiceClip, kWindowPhone,
         kWindowCdPlayer, kWindowNormalBalloon, kWindowErrorBalloon, kWindowErrorLog}},
        {kWindowBrowser, resources + "\n(Create URL Faild)", {kWindowAddressBar, kWindowUserList, kWindowFriendList, kWindowVoiceClip,
         kWindowPhone, kWindowCdPlayer, kWindowNormalBalloon, kWindowErrorBalloon, kWindowErrorLog}},
        {kWindowChat, resources + "\n(Create URL Faild)", {kWindowBrowser, kWindowAddressBar, kWindowUserList, kWindowFriendList,
         kWindowVoiceClip, kWindowPhone, kWindowCdPlayer, kWindowNormalBalloon, kWindowErrorBalloon, kWindowErrorLog}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(KindName(row.failing));
        journal.events.clear();
        presenter.texts.clear();
        peers.failCreate = {row.failing};
        EXPECT_EQ(nullptr, Open()) << "Create fails";
        ASSERT_EQ(1u, presenter.texts.size());
        EXPECT_EQ(row.message, presenter.texts[0]);
        std::vector<std::string> destroyed;
        for (const auto& e : journal.events)
            if (e.compare(0, 8, "destroy:") == 0)
                destroyed.push_back(e.substr(8));
        std::vector<std::string> expected;
        for (WindowKind k : row.undone)
            expected.push_back(KindName(k));
        EXPECT_EQ(expected, destroyed);
        EXPECT_EQ(nullptr, App().GetMainDlg());
        EXPECT_TRUE(CClientApp::Windows().IsEmpty()) << "no half-made window stays";
    }
}

TEST_F(MainWindowTest, AFailedStartEndsTheHostLoopItself)
{
    peers.failCreate = {kWindowChat};
    CAppHostDlg host;
    // A loop that hangs is ended after 20 seconds so that the test fails instead of stalling.
    static CAppHostDlg* running = nullptr;
    running = &host;
    UINT_PTR guard = ::SetTimer(nullptr, 0, 20000, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        if (running)
            running->EndDialog(-2);
    }));
    INT_PTR result = host.DoModal();
    ::KillTimer(nullptr, guard);
    running = nullptr;
    EXPECT_EQ(IDCANCEL, result) << "ended by the failing window, not by the guard";
    EXPECT_EQ(nullptr, App().GetMainDlg());
}

TEST_F(MainWindowTest, PollBlinkAndIdleMachinesRunThroughOnTimer)
{
    App().Settings().m_queryInterval = 1;
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    GoOnline();
    // Poll: six ticks while the lock is free ask for the lists.
    ASSERT_EQ(6, main->Poll().Reload());
    ASSERT_TRUE(App().CreatePmLock());
    App().LockPm(33, 0); // a send holds the client
    for (int i = 0; i < 6; ++i)
        main->OnTimer(mainwnd::kTimerPoll);
    EXPECT_EQ(1, main->Poll().Countdown()) << "due, but the lock is held: the next tick retries";
    EXPECT_EQ(0x7, main->Poll().Pending());
    App().UnlockPm();
    main->OnTimer(mainwnd::kTimerPoll);
    EXPECT_EQ(0, main->Poll().Pending());
    EXPECT_EQ(6, main->Poll().Countdown());
    App().ClosePmLock();

    // Receive blink: 188, then 128 with the arrival tip, alternating.
    Tray().clear();
    main->SetButtonState(16);
    main->OnTimer(mainwnd::kTimerReceiveBlink);
    main->OnTimer(mainwnd::kTimerReceiveBlink);
    ASSERT_EQ(2u, Tray().size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), Tray()[0].operation);
    EXPECT_EQ(Text(IDS_TRAY_ARRIVAL), std::string(Tray()[1].data.szTip));
    HICON online = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_ONLINE), IMAGE_ICON, 16, 16, LR_SHARED));
    HICON offline = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, LR_SHARED));
    EXPECT_EQ(online, Tray()[0].data.hIcon);
    EXPECT_EQ(offline, Tray()[1].data.hIcon);
    // Stop: the online icon with its tip.
    main->SetButtonState(32);
    EXPECT_EQ(online, Tray().back().data.hIcon);
    EXPECT_EQ(Text(IDS_TIP_ONLINE), std::string(Tray().back().data.szTip));
    // With Flags 0x100 the blink opens the received-message window instead.
    App().Settings().m_flags |= 0x100;
    size_t before = Tray().size();
    main->OnTimer(mainwnd::kTimerReceiveBlink);
    EXPECT_EQ(before, Tray().size());
    main->OnTimer(mainwnd::kTimerOpenReceive);
    EXPECT_TRUE(journal.Has("create:" + KindName(kWindowReceive)));

    // Idle: four checks with the cursor unmoved log out and say why.
    POINT cursor;
    ::GetCursorPos(&cursor);
    App().SetServiceSession(nullptr);
    App().m_sessionFlags = 0;
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0); // log-in starts the idle count
    ASSERT_EQ(&factory.session, App().GetServiceSession());
    journal.events.clear();
    presenter.texts.clear();
    for (int i = 0; i < 3; ++i)
        main->OnTimer(mainwnd::kTimerIdle);
    EXPECT_FALSE(journal.Has("session:logout:1")) << "three checks are not yet an hour";
    main->OnTimer(mainwnd::kTimerIdle);
    EXPECT_TRUE(journal.Has("session:logout:1"));
    EXPECT_EQ(std::vector<std::string>{Text(IDS_IDLE_LOGOUT)}, presenter.texts);
}

TEST_F(MainWindowTest, LogInLogOutAndExitRunInTheirOrder)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    HWND window = main->GetSafeHwnd();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    App().Settings().m_homePage = "http://www.vyrntalk.example.jp";
    journal.events.clear();
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
    const std::vector<std::string> loginOrder = {
        "session:create", "session:login:1", Event(kWindowAddressBar, PeerCommand::Show),
        Event(kWindowBrowser, PeerCommand::Show), "addurl:http://www.vyrntalk.example.jp/",
        "session:url:http://www.vyrntalk.example.jp/", "navigate:http://www.vyrntalk.example.jp/",
        Event(kWindowPhone, PeerCommand::StartSession), "balloon:1", "balloon:12", "balloon:10", "balloon:11"};
    int last = -1;
    for (const auto& step : loginOrder) {
        int at = journal.IndexOf(step);
        EXPECT_GT(at, last) << step;
        last = std::max(last, at);
    }
    EXPECT_EQ(&factory.session, App().GetServiceSession());
    EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnLogout));
    EXPECT_FALSE(main->IsButtonEnabled(mainwnd::kBtnLogin));
    EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnReceive));
    EXPECT_EQ(Text(IDS_TIP_ONLINE), std::string(Tray().back().data.szTip));
    // Log-in while online only raises and lowers the modal state.
    journal.events.clear();
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
    EXPECT_TRUE(journal.events.empty());
    // Values outside 0-4 do nothing.
    for (WPARAM w : {WPARAM(5), WPARAM(99), static_cast<WPARAM>(-1)})
        main->SendMessage(WM_APP_COMMAND_REQUEST, w, 0);
    EXPECT_TRUE(journal.events.empty());

    // Log-out: the windows close before the session ends; the buttons go back to state 7.
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogout, 0);
    EXPECT_LT(journal.IndexOf(Event(kWindowChat, PeerCommand::CloseRoom)), journal.IndexOf("session:logout:1"));
    EXPECT_LT(journal.IndexOf(Event(kWindowPhone, PeerCommand::EndSession)), journal.IndexOf("session:logout:1"));
    EXPECT_EQ(nullptr, App().GetServiceSession());
    EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnLogin));
    EXPECT_FALSE(main->IsButtonEnabled(mainwnd::kBtnLogout));
    EXPECT_EQ(Text(IDS_TIP_OFFLINE), std::string(Tray().back().data.szTip));

    // Exit while logged in: the service hears the log-out before any window is destroyed, and
    // the icon leaves with the main window.
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
    ASSERT_NE(nullptr, peers.Create(kWindowChatLogin, nullptr)) << "a chat-login dialog is open";
    journal.events.clear();
    Tray().clear();
    main->PostMessage(WM_APP_COMMAND_REQUEST, kAppExit, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(window); }, 5000));
    int logout = journal.IndexOf("session:logout:-1");
    ASSERT_GE(logout, 0);
    EXPECT_LT(logout, journal.FirstWithPrefix("destroy:"));
    EXPECT_LT(journal.IndexOf(Event(kWindowPhone, PeerCommand::EndSession)), logout);
    int chatLogin = journal.IndexOf("destroy:" + KindName(kWindowChatLogin));
    EXPECT_GE(chatLogin, 0) << "the chat-login dialog is destroyed, not forgotten";
    EXPECT_LT(chatLogin, journal.IndexOf("destroy:" + KindName(kWindowChat)));
    ASSERT_FALSE(Tray().empty());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), Tray().back().operation);
    EXPECT_EQ(window, Tray().back().data.hWnd) << "deleted while its owner still existed";
    EXPECT_FALSE(env.tray.IsShown());
    EXPECT_EQ(nullptr, App().GetMainDlg());
    for (WindowKind k : {kWindowPhone, kWindowUserList, kWindowBrowser, kWindowErrorLog, kWindowErrorBalloon})
        EXPECT_EQ(nullptr, CClientApp::GetAppWindow(k)) << KindName(k);
}

TEST_F(MainWindowTest, AFailedLogInShowsTheSessionsCodeAndStaysLoggedOut)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    factory.session.loginResult = 5;
    factory.session.errorCode = 10001;
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
    ASSERT_EQ(1u, presenter.texts.size());
    EXPECT_NE(std::string::npos, presenter.texts[0].find(Text(IDS_LOGIN_FAILED))) << presenter.texts[0];
    EXPECT_NE(std::string::npos, presenter.texts[0].find("10001"));
    EXPECT_TRUE(journal.Has("session:delete"));
    EXPECT_EQ(nullptr, App().GetServiceSession());
    EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnLogin));
    // No session can be made at all: message 213.
    presenter.texts.clear();
    factory.failCreate = true;
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
    EXPECT_EQ(std::vector<std::string>{Text(IDS_RESOURCES_SHORT)}, presenter.texts);
}

TEST_F(MainWindowTest, TheTrayIconsRecordsRefusalAndTheShellsRestart)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    HWND window = main->GetSafeHwnd();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    CTrayIcon& tray = env.tray;
    // Add, modify, delete, and nothing to delete.
    Tray().clear();
    EXPECT_TRUE(tray.SetIcon(IDI_ONLINE, "x"));
    EXPECT_TRUE(tray.SetIcon(0));
    EXPECT_TRUE(tray.SetIcon(0)) << "nothing to remove";
    EXPECT_TRUE(tray.SetIcon(IDI_APP));
    ASSERT_EQ(3u, Tray().size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), Tray()[0].operation);
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), Tray()[1].operation);
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), Tray()[2].operation);
    // A Japanese tip longer than 63 bytes is cut between characters.
    std::string tip = "a";
    for (int i = 0; i < 40; ++i)
        tip += "\x83\x41";
    tray.SetIcon(IDI_APP, tip.c_str());
    EXPECT_EQ(63u, std::string(Tray().back().data.szTip).size());
    tip = tip.substr(1);
    tray.SetIcon(IDI_APP, tip.c_str());
    EXPECT_EQ(62u, std::string(Tray().back().data.szTip).size()) << "never half a character";

    // The shell restarts: the icon comes back as it was.
    Tray().clear();
    ::SendMessageA(window, framework::TaskbarCreatedMessage(), 0, 0);
    ASSERT_EQ(1u, Tray().size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), Tray()[0].operation);
    EXPECT_EQ(174u, Tray()[0].data.uID);

    // No notification area: hiding is refused with 278 and nothing is hidden.
    env.trayShell.refuse = true;
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppHide, 0);
    EXPECT_EQ(std::vector<std::string>{Text(IDS_NO_TRAY)}, presenter.texts);
    EXPECT_TRUE(main->IsWindowVisible());
    EXPECT_FALSE(tray.IsShown());
    // A restart before the icon is shown again adds nothing.
    env.trayShell.refuse = false;
    Tray().clear();
    ::SendMessageA(window, framework::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(Tray().empty());
    // Hide and restore through the icon (0x40C 4 is a click).
    tray.SetIcon(IDI_APP);
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppHide, 0);
    EXPECT_FALSE(main->IsWindowVisible());
    EXPECT_FALSE(App().GetUserListDlg()->IsWindowVisible());
    main->SendMessage(WM_USER, 174, WM_LBUTTONDOWN);
    EXPECT_TRUE(main->IsWindowVisible());
    EXPECT_TRUE(App().GetUserListDlg()->IsWindowVisible());
    // Stray callbacks: another id or another mouse message do nothing.
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppHide, 0);
    main->SendMessage(WM_USER, 175, WM_LBUTTONDOWN);
    main->SendMessage(WM_USER, 174, WM_MOUSEMOVE);
    EXPECT_FALSE(main->IsWindowVisible());
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppShow, 0);
    EXPECT_TRUE(main->IsWindowVisible());

    // A right click while a box is open only beeps: no menu comes up (the call returns at once).
    App().SetModalState(true);
    main->SendMessage(WM_USER, 174, WM_RBUTTONDOWN);
    EXPECT_FALSE(::IsWindowVisible(::FindWindowA("#32768", nullptr)));
    App().SetModalState(false);

    // The window list: the main window stays first, no duplicates, at most 20.
    std::vector<HWND> extra;
    for (int i = 0; i < 25; ++i)
        extra.push_back(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    for (HWND w : extra) {
        tray.AddWindow(w);
        tray.AddWindow(w);
    }
    EXPECT_EQ(20u, tray.Windows().size());
    EXPECT_EQ(window, tray.Windows()[0]);
    tray.RemoveWindow(window);
    EXPECT_EQ(window, tray.Windows()[0]) << "the main window is never removed";
    tray.RemoveWindow(extra[0]);
    EXPECT_EQ(19u, tray.Windows().size());
    for (HWND w : extra)
        ::DestroyWindow(w);

    // Gone with its owner: a later restart adds nothing.
    main->DestroyWindow();
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), Tray().back().operation);
    Tray().clear();
    ::SendMessageA(HWND_BROADCAST, framework::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(Tray().empty());
}

TEST_F(MainWindowTest, MenuItemsFollowTheSessionTheWindowAndTheForm)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    auto greyed = [](HMENU menu, UINT id) { return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    auto has = [](HMENU menu, UINT id) { return ::GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1); };
    const struct {
        const char* what;
        uint32_t flags;
        bool visible;
        std::vector<UINT> grey, active;
    } rows[] = {
        {"offline", 0, true, {32783, 32812, 32813, 32777, 32789, 32793}, {32787, 32779, 32778, 32774}},
        {"online, no messaging", 0x0100, true, {32777, 32789, 32793}, {32783, 32812, 32813, 32787}},
        {"messaging", 0x0103, true, {}, {32783, 32777, 32789, 32793, 32787, 32779}},
        {"messaging, window hidden", 0x0103, false, {32777, 32787, 32779, 32793}, {32783, 32789, 32812}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.flags) {
            GoOnline();
            App().m_sessionFlags = row.flags;
        } else {
            App().SetServiceSession(nullptr);
            App().m_sessionFlags = 0;
        }
        main->ShowWindow(row.visible ? SW_SHOWNA : SW_HIDE);
        for (bool fromTray : {true, false}) {
            HMENU menu = main->BuildTrayMenu(fromTray);
            ASSERT_NE(nullptr, menu);
            for (UINT id : row.grey)
                EXPECT_TRUE(greyed(menu, id)) << id;
            for (UINT id : row.active)
                EXPECT_FALSE(greyed(menu, id)) << id;
            EXPECT_EQ(fromTray, has(menu, 32780)) << "exit only in the tray's form";
            EXPECT_EQ(!fromTray, has(menu, 32773)) << "close only in the window's form";
            char text[64] = {};
            ::GetMenuStringA(menu, 32782, text, sizeof text, MF_BYCOMMAND);
            EXPECT_EQ(Text(row.flags & 0x0F00 ? IDS_MENU_LOGOUT : IDS_MENU_LOGIN), std::string(text));
            ::DestroyMenu(menu);
        }
        HMENU menu = main->BuildMainMenu();
        for (UINT id : {32801u, 32799u, 32800u})
            EXPECT_EQ(!(row.flags & 0x0F00), greyed(menu, id)) << id;
        ::DestroyMenu(menu);
    }
}

TEST_F(MainWindowTest, TheRightClickMenuIsPickedByKeys)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    // While the menu tracks, "W" (閉じる(&W)) picks the close item: the program hides.
    static int keysSent = 0;
    keysSent = 0;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR id, DWORD) {
        HWND menuWindow = ::FindWindowA("#32768", nullptr);
        if (!menuWindow || !::IsWindowVisible(menuWindow))
            return;
        ::KillTimer(nullptr, id);
        ++keysSent;
        nvtest::SaveWindowScreenshot(menuWindow, "tray_menu");
        ::PostMessageA(menuWindow, WM_KEYDOWN, 'W', 0);
        ::PostMessageA(menuWindow, WM_CHAR, 'w', 0);
    }));
    main->SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(1, keysSent) << "the menu was shown";
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !main->IsWindowVisible(); }, 5000)) << "close hid the program";
}

TEST_F(MainWindowTest, SkinCommandsOverTheRealSkinManager)
{
    // A second skin in the skin folder: the base skin's pictures under another name.
    auto base = nvtest::ReadFileBytes(nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN")));
    ASSERT_TRUE(nvtest::WriteFileBytes(env.root + "\\Skin\\blue.csz", base));
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    HMENU menu = main->BuildTrayMenu(true);
    char name[64] = {};
    ASSERT_GT(::GetMenuStringA(menu, 3586, name, sizeof name, MF_BYCOMMAND), 0) << "the skin menu lists blue";
    ::DestroyMenu(menu);

    journal.events.clear();
    main->OnSkinMenu(3586);
    EXPECT_EQ("blue", env.Skins().GetCurrentSkinName().str());
    for (WindowKind k : {kWindowAddressBar, kWindowUserList, kWindowFriendList, kWindowBrowser, kWindowChat,
                         kWindowErrorLog, kWindowVoiceClip, kWindowPhone, kWindowCdPlayer})
        EXPECT_TRUE(journal.Has("relayout:" + KindName(k))) << KindName(k);
    EXPECT_TRUE(journal.Has("balloon:60"));
    EXPECT_TRUE(presenter.texts.empty());

    // A window that can't be re-laid: 299 once, and the base skin again.
    peers.failRelayout = {kWindowChat};
    main->OnSkinMenu(3586);
    EXPECT_EQ(std::vector<std::string>{Text(IDS_SKIN_RELAY_FAILED)}, presenter.texts);
    EXPECT_TRUE(env.Skins().IsBaseSkin());
    // On the base skin itself: 299 once, no endless retry.
    presenter.texts.clear();
    main->OnSkinMenu(3584);
    EXPECT_EQ(std::vector<std::string>{Text(IDS_SKIN_RELAY_FAILED)}, presenter.texts);
    EXPECT_TRUE(env.Skins().IsBaseSkin());
    peers.failRelayout.clear();

    // A skin archive handed over by the shell: installed (a browser's "name[1].csz" copy as
    // "name"), then loaded by name. A failed install stops there and the current skin stays.
    presenter.texts.clear();
    std::string folder = env.root.str() + "\\\x83\x5c\x83\x93 [1]";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(nvtest::WriteFileBytes(folder + "\\green[1].csz", base));
    ASSERT_TRUE(nvtest::WriteFileBytes(folder + "\\[1].csz", base));
    main->ApplySkinFile((folder + "\\green[1].csz").c_str());
    EXPECT_EQ("green", env.Skins().GetCurrentSkinName().str());
    EXPECT_TRUE(presenter.texts.empty()) << (presenter.texts.empty() ? "" : presenter.texts[0]);
    for (const char* refused : {"\\[1].csz", "\\missing.csz"}) {
        SCOPED_TRACE(refused);
        journal.events.clear();
        presenter.texts.clear();
        main->ApplySkinFile((folder + refused).c_str());
        EXPECT_EQ(1u, presenter.texts.size()) << "the skin manager's error text";
        EXPECT_EQ("green", env.Skins().GetCurrentSkinName().str());
        EXPECT_EQ(-1, journal.FirstWithPrefix("relayout:"));
    }
    presenter.texts.clear();
    main->ApplySkinFile("");
    EXPECT_TRUE(presenter.texts.empty()) << "an empty path does nothing";
}

TEST_F(MainWindowTest, MailScreenSaverAndNewWindowsGoThroughTheirSeams)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    App().m_Comm_id = "0123 & #%";
    main->SendMessage(WM_COMMAND, 32797, 0);
    ASSERT_EQ(1u, shell.opened.size());
    const std::string& mail = shell.opened[0];
    EXPECT_EQ(0u, mail.find("mailto:?body=")) << mail;
    EXPECT_NE(std::string::npos, mail.find("0123%20%26%20%23%25")) << "the ID is encoded whole";
    EXPECT_NE(std::string::npos, mail.find("%0D%0A"));
    EXPECT_EQ(std::string::npos, mail.find(' '));
    EXPECT_TRUE(presenter.texts.empty());
    EXPECT_TRUE(journal.Has("balloon:110"));
    shell.result = 2; // the shell could not start the mail program
    main->SendMessage(WM_COMMAND, 32797, 0);
    EXPECT_EQ(std::vector<std::string>{Text(IDS_LAUNCH_FAILED)}, presenter.texts);

    shell.opened.clear();
    shell.active = true;
    main->SendMessage(WM_COMMAND, 32821, 0);
    EXPECT_EQ(1, shell.saverStarts);
    EXPECT_TRUE(shell.opened.empty());
    shell.active = false;
    main->SendMessage(WM_COMMAND, 32821, 0);
    main->SendMessage(WM_COMMAND, 32822, 0);
    EXPECT_EQ((std::vector<std::string>{"rundll32.exe|shell32.dll,Control_RunDLL desk.cpl,,1",
                                        "rundll32.exe|shell32.dll,Control_RunDLL desk.cpl,,1"}),
              shell.opened);

    // A page asks for a new window: offline nothing, online the new browser's object.
    EXPECT_EQ(nullptr, main->OnNewWindow2(true));
    GoOnline();
    EXPECT_EQ(nullptr, main->OnNewWindow2(false)) << "without both arguments nothing";
    EXPECT_TRUE(journal.FirstWithPrefix("openbrowser:") < 0);
    main->OnNewWindow2(true);
    EXPECT_TRUE(journal.Has("openbrowser:" + KindName(kWindowNewBrowser) + ":"));
}

// The page's sink as the control calls it for a page's new-window request (Wine renders no page
// whose link could ask): event 251 with the new window's slot and the cancel flag.
static IDispatch* FireNewWindow(IDispatch* sink)
{
    IDispatch* result = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[2];
    V_VT(&args[1]) = VT_BYREF | VT_DISPATCH;
    V_DISPATCHREF(&args[1]) = &result;
    V_VT(&args[0]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&args[0]) = &cancel;
    DISPPARAMS params{args, nullptr, 2, 0};
    sink->Invoke(DISPID_NEWWINDOW2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    EXPECT_EQ(VARIANT_FALSE, cancel);
    return result;
}

TEST_F(MainWindowTest, PageIsTheWebBrowserControlAndItsNewWindowsOpenTheBrowserOfKindThree)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    auto* page = dynamic_cast<CMainPage*>(main->GetPageControl());
    ASSERT_NE(nullptr, page) << "the window made its own page";
    HWND control = ::GetDlgItem(main->GetSafeHwnd(), CMainDlg::kPageControl);
    ASSERT_EQ(page->GetSafeHwnd(), control) << "the control took the placeholder's id";
    char className[64] = {};
    ::GetClassNameA(control, className, sizeof className);
    EXPECT_STRCASENE("Static", className);
    RECT r = ClientRectOf(main->GetSafeHwnd(), CMainDlg::kPageControl);
    EXPECT_EQ(164, r.right - r.left);
    EXPECT_EQ(154, r.bottom - r.top);
    IDispatch* application = page->GetApplication();
    ASSERT_NE(nullptr, application) << "the control's automation object";
    ASSERT_NE(nullptr, page->GetEventSink());

    // The browser peer hands out a real automation object; the page passes it on (with its
    // reference) only while online.
    peers.browserApplication = application;
    const struct {
        bool online;
        bool opens;
    } rows[] = {{false, false}, {true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.online ? "online" : "offline");
        journal.events.clear();
        if (row.online)
            GoOnline();
        IDispatch* returned = FireNewWindow(page->GetEventSink());
        EXPECT_EQ(row.opens, journal.Has("openbrowser:" + KindName(kWindowNewBrowser) + ":"));
        EXPECT_EQ(row.opens ? application : nullptr, returned);
        if (returned)
            returned->Release(); // the reference added for the caller
    }
    peers.browserApplication = nullptr;
    application->Release();
    main->DestroyWindow();
    EXPECT_EQ(nullptr, ::IsWindow(control) ? control : nullptr) << "the control goes with the window";
}

// The program's own peers: pages that ask for a new window (the main page's, the chat banner's)
// get the program's browser window of kind 3, one at most, and its automation object.
TEST_F(MainWindowTest, NewWindowsOfPagesAndTheChatBannerAreTheProgramsBrowserOfKindThree)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    SetMainPeers(nullptr);

    IDispatch* application = nullptr;
    CWnd* opened = MainPeers().OpenBrowser(kWindowNewBrowser, CString(), &application);
    ASSERT_NE(nullptr, dynamic_cast<CBrowserDlg*>(opened)) << "a real browser window, not a stand-in";
    EXPECT_EQ(opened, App().FindWindowByKind(kWindowNewBrowser, CString()));
    ASSERT_NE(nullptr, application);
    application->Release();

    // The chat window's banner: its new-window request raises the same window.
    CChatDlg* chat = CreateChatWindow(main);
    ASSERT_NE(nullptr, chat);
    HWND bannerControl = ::GetDlgItem(chat->GetSafeHwnd(), 1360);
    ASSERT_NE(nullptr, bannerControl);
    char className[64] = {};
    ::GetClassNameA(bannerControl, className, sizeof className);
    EXPECT_STRCASENE("Static", className) << "the banner is the WebBrowser control";
    // A second banner over a placeholder of the test's, so that its sink can be reached.
    HWND placeholder = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 40, 40, chat->GetSafeHwnd(),
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(4242)), nullptr, nullptr);
    ASSERT_NE(nullptr, placeholder);
    std::unique_ptr<IChatBanner> banner(chat::WindowHost()->CreateBanner(chat, 4242));
    auto* chatBanner = dynamic_cast<CChatBanner*>(banner.get());
    ASSERT_NE(nullptr, chatBanner);
    IDispatch* returned = FireNewWindow(chatBanner->GetEventSink());
    ASSERT_NE(nullptr, returned) << "the banner's pop-up gets the browser's object";
    returned->Release();
    const std::vector<CWnd*> browsers = CClientApp::Windows().Windows({kWindowNewBrowser});
    EXPECT_EQ(std::vector<CWnd*>{opened}, browsers) << "the open window of kind 3 was raised, no other made";
    banner.reset();
    chat->DestroyWindow();
}

// What the browser windows and the address bar ask of the program reaches the main window: a
// typed address is added, reported and navigated; a page's message link opens the send window.
TEST_F(MainWindowTest, TheBrowsersRequestsReachTheMainWindow)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    GoOnline();
    App().Settings().m_flags |= 0x1; // visited addresses are reported
    shellbrowser::RegisterBrowserHost();
    journal.events.clear();
    EXPECT_EQ(1, browser::Host().OpenUrl("http://day.example.jp/"));
    EXPECT_TRUE(journal.Has("addurl:http://day.example.jp/"));
    EXPECT_TRUE(journal.Has("session:url:http://day.example.jp/"));
    EXPECT_TRUE(journal.Has("navigate:http://day.example.jp/"));
    browser::Host().SendUrlToServer("http://day.example.jp/second");
    EXPECT_TRUE(journal.Has("session:url:http://day.example.jp/second"));
    PartnerRef partner;
    partner.commId = "FEDCBA9876543210";
    browser::Host().OpenSendWindow(partner, "");
    EXPECT_TRUE(journal.Has("create:" + KindName(kWindowSend)));
}

// A user's room page and a chat visit raise their balloon events (120, 41).
TEST_F(MainWindowTest, TheRoomPageAndTheChatWindowRaiseTheirBalloonEvents)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    journal.events.clear();
    App().OpenUserRoom("0123456789ABCDE"); // fifteen characters: no room
    EXPECT_FALSE(journal.Has("balloon:120"));
    App().OpenUserRoom("FEDCBA9876543210");
    EXPECT_TRUE(journal.Has("balloon:120"));
    if (CWnd* room = App().FindWindowByKind(kWindowUserRoom, CString()))
        room->DestroyWindow();

    CChatDlg* chat = CreateChatWindow(main);
    ASSERT_NE(nullptr, chat);
    chat::WindowHost()->ShowChatBalloon(41);
    EXPECT_TRUE(journal.Has("balloon:41"));
    chat->DestroyWindow();
}

// The chat button on a hidden chat window blanks its log, shows it and then readies it for a visit
// (saved colour, enter button); on a window already shown it only raises it.
TEST_F(MainWindowTest, TheChatButtonReadiesAHiddenChatWindowAfterShowingIt)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    CWnd* chat = App().GetChatDlg();
    ASSERT_NE(nullptr, chat);
    chat->ShowWindow(SW_HIDE);
    journal.events.clear();
    main->SendMessage(WM_COMMAND, MAKEWPARAM(mainwnd::kBtnChat, BN_CLICKED), 0);
    const int cleared = journal.IndexOf(Event(kWindowChat, PeerCommand::ClearLog));
    const int shown = journal.IndexOf(Event(kWindowChat, PeerCommand::Show));
    const int readied = journal.IndexOf(Event(kWindowChat, PeerCommand::ReadyChat));
    EXPECT_GE(cleared, 0);
    EXPECT_GT(shown, cleared);
    EXPECT_GT(readied, shown) << "readied before it was on the screen";
    EXPECT_TRUE(chat->IsWindowVisible());

    journal.events.clear();
    main->SendMessage(WM_COMMAND, 32777, 0); // the menu's chat command, window already shown
    EXPECT_TRUE(journal.Has(Event(kWindowChat, PeerCommand::Show)));
    EXPECT_FALSE(journal.Has(Event(kWindowChat, PeerCommand::ClearLog)));
    EXPECT_FALSE(journal.Has(Event(kWindowChat, PeerCommand::ReadyChat))) << "a visit's buttons were reset";
}

TEST_F(MainWindowTest, SavedPositionsOutsideTheWorkAreaAreNotKept)
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        int x, y;
        bool kept;
    } rows[] = {{40, 30, true}, {static_cast<int>(work.right) - 10, 30, false}, {-500, 30, false}, {40, 100000, false}};
    for (const auto& row : rows) {
        App().WriteProfileInt("Location", "VyrnX", row.x);
        App().WriteProfileInt("Location", "VyrnY", row.y);
        CMainDlg* main = Open();
        ASSERT_NE(nullptr, main);
        RECT r;
        main->GetWindowRect(&r);
        if (row.kept) {
            EXPECT_EQ(row.x, r.left);
            EXPECT_EQ(row.y, r.top);
        } else {
            EXPECT_GE(r.left, work.left);
            EXPECT_LE(r.right, work.right);
            EXPECT_GE(r.top, work.top);
            EXPECT_LE(r.bottom, work.bottom);
        }
        main->DestroyWindow();
        for (CWnd* w : CClientApp::Windows().Windows({kWindowErrorLog, kWindowErrorBalloon, kWindowNormalBalloon,
                                                     kWindowCdPlayer, kWindowPhone, kWindowVoiceClip, kWindowFriendList,
                                                     kWindowUserList, kWindowAddressBar, kWindowBrowser, kWindowChat}))
            w->DestroyWindow();
    }
}

namespace {

struct TrayIconWindows {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTrayIcons(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<TrayIconWindows*>(param);
    char cls[64] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) == "__winex11_tray_icon")
        search->found.push_back(window);
    ::EnumChildWindows(window, CollectTrayIcons, param);
    return TRUE;
}

// Wine's icons on a display without a tray of its own: children of class "__winex11_tray_icon".
std::vector<HWND> TrayIconWindowsNow()
{
    TrayIconWindows search{0, {}};
    ::EnumWindows(
        nvtest::AsEnumProc([](HWND top, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<TrayIconWindows*>(param);
            char cls[64] = {};
            ::GetClassNameA(top, cls, sizeof cls);
            if (std::string(cls) == "__winex11_tray_icon")
                s->found.push_back(top);
            ::EnumChildWindows(top, CollectTrayIcons, param);
            return TRUE;
        }),
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The icon window belongs to the shell's process: its pixel is read from the screen.
COLORREF CentrePixel(HWND window)
{
    RECT r;
    ::GetWindowRect(window, &r);
    HDC dc = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(dc, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::ReleaseDC(nullptr, dc);
    return c;
}

bool Greenish(COLORREF c) { return GetGValue(c) > 120 && GetBValue(c) < 100 && GetRValue(c) < 100; }
bool Blueish(COLORREF c) { return GetBValue(c) > 150 && GetRValue(c) < 100; }

} // namespace

TEST_F(MainWindowTest, TheRealNotificationAreaShowsChangesAndRestoresTheIcon)
{
    env.tray.SetShell(nullptr); // the system's Shell_NotifyIconA
    std::vector<HWND> before = TrayIconWindowsNow();
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    std::vector<HWND> icons;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (icons = TrayIconWindowsNow()).size() == before.size() + 1; }, 10000))
        << "icon 128 adds one icon window";
    HWND icon = nullptr;
    for (HWND w : icons)
        if (std::find(before.begin(), before.end(), w) == before.end())
            icon = w;
    ASSERT_NE(nullptr, icon);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return Blueish(CentrePixel(icon)); }, 5000)) << std::hex << CentrePixel(icon);
    // 188 keeps the same icon window and turns its centre green.
    ASSERT_TRUE(env.tray.SetIcon(IDI_ONLINE, "x"));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return Greenish(CentrePixel(icon)); }, 5000)) << std::hex << CentrePixel(icon);
    EXPECT_EQ(before.size() + 1, TrayIconWindowsNow().size());
    // A click on it reaches the program as the icon's callback: hidden windows come back.
    ASSERT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    main->SendMessage(WM_APP_COMMAND_REQUEST, kAppHide, 0);
    ASSERT_FALSE(main->IsWindowVisible());
    ::PostMessageA(icon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 8));
    ::PostMessageA(icon, WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    // (Removed behind the program's back and added again: the start tests, from another process.)
    // 0 removes it while the owner lives.
    EXPECT_TRUE(env.tray.SetIcon(0));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return TrayIconWindowsNow().size() == before.size(); }, 5000));
    // And with the owner: shown again, gone with the window.
    env.tray.SetIcon(IDI_APP);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return TrayIconWindowsNow().size() == before.size() + 1; }, 5000));
    main->DestroyWindow();
    EXPECT_TRUE(nvtest::PumpUntil([&] { return TrayIconWindowsNow().size() == before.size(); }, 5000));
}

TEST_F(MainWindowTest, ButtonsCarryTheirJapaneseTipsAndTheListsTheirPictures)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000));
    const struct {
        UINT button;
        UINT tip;
    } rows[] = {{mainwnd::kBtnBrowser, IDS_TIP_BROWSER}, {mainwnd::kBtnLogin, IDS_TIP_LOGIN}, {mainwnd::kBtnPhone, IDS_TIP_PHONE},
                {mainwnd::kBtnSettings, IDS_TIP_SETTINGS}, {mainwnd::kBtnHide, 0}};
    for (const auto& row : rows) {
        CWnd* button = CWnd::FromHandlePermanent(main->GetDlgItem(static_cast<int>(row.button)));
        ASSERT_NE(nullptr, button);
        CString text;
        main->GetToolTip().GetText(text, button);
        EXPECT_EQ(row.tip ? Text(row.tip) : std::string(), text.str()) << row.button;
    }
    EXPECT_EQ(13, main->GetToolTip().GetToolCount()) << "every button but the hide button";
    EXPECT_EQ(37, ImageList_GetImageCount(main->GetIconImageList()->GetSafeHandle()));
    // The tip under the pointer, for the eye.
    HWND browser = main->GetDlgItem(mainwnd::kBtnBrowser);
    RECT r;
    ::GetWindowRect(browser, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    for (int i = 0; i < 3; ++i) {
        MSG move = {browser, WM_MOUSEMOVE, 0, MAKELPARAM(5 + i, 5), ::GetTickCount(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2}};
        main->PreTranslateMessage(&move);
    }
    if (nvtest::PumpUntil([&] { return ::IsWindowVisible(main->GetToolTip().GetSafeHwnd()) != FALSE; }, 3000)) {
        RECT tip, all;
        ::GetWindowRect(main->GetToolTip().GetSafeHwnd(), &tip);
        main->GetWindowRect(&all);
        ::UnionRect(&all, &all, &tip);
        nvtest::SaveWindowScreenshot(main->GetSafeHwnd(), "main_window_tip_window");
        nvtest::SaveWindowScreenshot(main->GetToolTip().GetSafeHwnd(), "main_window_tip");
    }
}

TEST_F(MainWindowTest, TheAboutBoxClosesOnAClickAndScrollsItsCreditsOnCtrlClick)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    static bool closedByClick = false, creditsRan = false, viewHiddenAfter = false, stayedOpen = false, pictureSkipped = false;
    closedByClick = creditsRan = viewHiddenAfter = stayedOpen = pictureSkipped = false;
    // First opening: Ctrl + click runs the credits to their end; the box stays; a click closes it.
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = nullptr;
        while ((box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr)
            if (::GetDlgItem(box, IDC_ABOUT_CREDITS) && ::IsWindowVisible(box))
                break;
        if (!box)
            return;
        ::KillTimer(nullptr, id);
        auto* about = static_cast<CAboutDlg*>(CWnd::FromHandlePermanent(box));
        HWND view = ::GetDlgItem(box, IDC_ABOUT_CREDITS);
        RECT close;
        ::GetWindowRect(::GetDlgItem(box, IDC_ABOUT_CLOSE), &close);
        ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&close), 2);
        EXPECT_EQ(89, close.left);
        EXPECT_EQ(38, close.top);
        EXPECT_EQ(32, close.right - close.left);
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        ::SendMessageA(box, WM_COMMAND, IDC_ABOUT_CLOSE, 0);
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
        creditsRan = about->IsScrolling() && ::IsWindowVisible(view);
        for (int tick = 0; tick < 200; ++tick)
            about->OnTimer(CAboutDlg::kCreditTimer);
        nvtest::SaveWindowScreenshot(box, "about_box_credits");
        for (int tick = 0; tick < 2000 && about->IsScrolling(); ++tick)
            about->OnTimer(CAboutDlg::kCreditTimer);
        viewHiddenAfter = !about->IsScrolling() && !::IsWindowVisible(view);
        stayedOpen = ::IsWindow(box) != FALSE;
        // A picture line whose bitmap is missing is skipped, no box.
        HINSTANCE resources = AfxGetResourceHandle();
        HDC dc = ::GetDC(view);
        RECT band = {0, 0, 122, 16};
        auto skipped = [&] {
            int count = 0;
            for (int line = 0; line < CAboutDlg::CreditLineCount(); ++line)
                count += about->DrawCreditLine(dc, line, band) ? 0 : 1;
            return count;
        };
        int withPictures = skipped();
        AfxSetResourceHandle(::GetModuleHandleA("kernel32.dll"));
        int withoutPictures = skipped();
        AfxSetResourceHandle(resources);
        ::ReleaseDC(view, dc);
        pictureSkipped = withPictures == 0 && withoutPictures == 1;
        ::PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
        ::PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
        closedByClick = true;
    }));
    main->SendMessage(WM_COMMAND, 32774, 0);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(closedByClick) << "the box was shown and answered";
    EXPECT_TRUE(creditsRan);
    EXPECT_TRUE(viewHiddenAfter);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(pictureSkipped);
    EXPECT_TRUE(presenter.texts.empty());
    EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnHelp)) << "the help button is enabled again";
}

TEST_F(MainWindowTest, AMessageClientThatDidNotStartIsReportedAndAskedAbout)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    const struct {
        int start;
        bool asked;
    } rows[] = {{0, false}, {12005, true}, {-1, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.start);
        presenter.texts.clear();
        presenter.answer = IDNO;
        factory.session.startResult = row.start;
        main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogin, 0);
        EXPECT_EQ(row.asked ? 1u : 0u, presenter.texts.size());
        if (row.asked && !presenter.texts.empty()) {
            EXPECT_NE(std::string::npos, presenter.texts[0].find("(#" + std::to_string(row.start) + ")")) << presenter.texts[0];
            EXPECT_FALSE(main->IsButtonEnabled(mainwnd::kBtnReceive)) << "messaging is not up";
        } else {
            EXPECT_TRUE(main->IsButtonEnabled(mainwnd::kBtnReceive));
        }
        main->SendMessage(WM_APP_COMMAND_REQUEST, kAppLogout, 0);
    }
}

// The program's own peers make the real CD player and voice-clip panel, hidden, re-laid from the
// skin, and the main window's buttons show them docked (the player's engine then finds Wine's CD
// device without a drive and stays quiet).
TEST_F(MainWindowTest, CdPlayerAndVoiceClipPanelAreTheRealWindows)
{
    CMainDlg* main = Open();
    ASSERT_NE(nullptr, main);
    SetMainPeers(nullptr);
    CWnd* made[2] = {MainPeers().Create(kWindowCdPlayer, main), MainPeers().Create(kWindowVoiceClip, main)};
    auto* player = dynamic_cast<CCdPlayerDlg*>(made[0]);
    auto* panel = dynamic_cast<CVoiceClipDlg*>(made[1]);
    ASSERT_NE(nullptr, player) << "a real CD player, not a stand-in";
    ASSERT_NE(nullptr, panel) << "a real voice-clip panel, not a stand-in";
    EXPECT_FALSE(player->IsWindowVisible());
    EXPECT_FALSE(panel->IsWindowVisible());
    EXPECT_TRUE(player->IsComplete());
    EXPECT_TRUE(panel->IsComplete());
    EXPECT_TRUE(MainPeers().Relayout(kWindowCdPlayer, player));
    EXPECT_TRUE(MainPeers().Relayout(kWindowVoiceClip, panel));
    player->ShowWindow(SW_SHOWNOACTIVATE);
    ASSERT_NE(nullptr, player->GetEngine());
    EXPECT_FALSE(player->GetEngine()->Engine().IsOpen());
    player->SendMessage(WM_COMMAND, MAKEWPARAM(1186, BN_CLICKED), 0);
    EXPECT_FALSE(player->GetLatches().play);
    player->ShowWindow(SW_HIDE);
    EXPECT_EQ(nullptr, player->GetEngine());
    MainPeers().Destroy(kWindowCdPlayer, player);
    MainPeers().Destroy(kWindowVoiceClip, panel);
}
