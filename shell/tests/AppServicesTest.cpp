// The application object in this test process, a new one for each test: the host dialog's
// loop, the private messages, the exit sequence, error reports, message boxes, the window
// registry, received files and the lock.
#include "tests/support/WinTestSupport.h"

#include "chat_web/browser/tests/win/BrowserTestSkin.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/BrowserServices.h"
#include "shell/ClientApp.h"
#include "shell/InstanceWnd.h"
#include "shell/MainDlg.h"
#include "shell/PhoneServices.h"
#include "phone_media/callengine/CallEngine.h"
#include "phone_media/callengine/CallEngineServices.h"
#include "phone_media/phone/win/PhoneDlg.h"
#include "shell/common/scrambler/PasswordScrambler.h"
#include "shell/common/services/ErrorTable.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/tests/MainWindowTestEnv.h"

#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using errortable::kFlagError;
using errortable::kFlagWarning;

CClientApp* g_app = nullptr;

CString Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// Answers every message box at once and records it; a script may run while it "shows".
struct RecordingPresenter : IMessageBoxPresenter {
    std::vector<std::string> texts;
    std::vector<UINT> flags;
    int answer = IDOK;
    std::function<void()> whileShown;
    int Show(HWND, const char* text, UINT f, bool) override
    {
        texts.push_back(text);
        flags.push_back(f);
        if (whileShown)
            whileShown();
        return answer;
    }
};

struct PresenterScope {
    RecordingPresenter presenter;
    PresenterScope() { SetMessageBoxPresenter(&presenter); }
    ~PresenterScope() { SetMessageBoxPresenter(nullptr); }
};

struct RecordingSink : IErrorSink {
    std::vector<std::string> logged;
    std::vector<unsigned> loggedFlags;
    int balloons = 0;
    void LogError(unsigned flags, const CString& text) override
    {
        logged.push_back(text.str());
        loggedFlags.push_back(flags);
    }
    void ShowErrorBalloon(const CString&, unsigned) override { ++balloons; }
};

std::function<void()> g_script;
CAppHostDlg* g_runningHost = nullptr;

void CALLBACK EndHungHost(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    if (g_runningHost)
        g_runningHost->EndDialog(-2);
}

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    auto script = std::move(g_script);
    g_script = nullptr;
    if (script)
        script();
}

// Runs a host dialog; once its loop is idle the script runs inside it. A dialog still running
// after 20 seconds is ended with -2 so that a hang fails the test instead of stalling it.
INT_PTR RunHost(CAppHostDlg& host, std::function<void()> script)
{
    g_script = std::move(script);
    UINT_PTR scriptTimer = ::SetTimer(nullptr, 0, 10, RunScript);
    g_runningHost = &host;
    UINT_PTR guard = ::SetTimer(nullptr, 0, 20000, EndHungHost);
    INT_PTR result = host.DoModal();
    g_runningHost = nullptr;
    ::KillTimer(nullptr, scriptTimer);
    ::KillTimer(nullptr, guard);
    return result;
}

void ExitThroughMain() { ::PostMessageA(g_app->GetMainDlg()->GetSafeHwnd(), WM_APP_COMMAND_REQUEST, kAppExit, 0); }

class FailingMainHost : public CAppHostDlg {
public:
    bool endItself = true;

protected:
    bool CreateMainWindow() override
    {
        // What the main window does when one of its children can't be created.
        if (endItself)
            OnMainWindowFailed();
        return false;
    }
};

// Failures that reach no caller, as the framework's hook hands them over.
struct RecordingFailures : IFailureTarget {
    std::vector<std::string> records;
    void Record(const char* where, const char* what) override { records.push_back(std::string(where) + ": " + what); }
};

// A popup window of one kind in the registry. It records WM_ENABLE and WM_DESTROY under its
// tag, may run a script when it gets them, and may delete itself after its window has gone
// (without calling the base's PostNcDestroy: leaving the registry must not depend on it).
class CKindWnd : public CWnd {
public:
    CKindWnd(WindowKind kind, LPARAM tag, nvtest::MessageSequence& seen, bool selfDeleting = false)
        : m_kind(kind), m_tag(tag), m_seen(seen), m_selfDeleting(selfDeleting)
    {
    }
    BOOL Create()
    {
        JoinRegistry(m_kind);
        return CreateEx(0, RegisterWindowClass("NvTestKindWnd"), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    std::function<void()> onEnable;
    std::function<void()> onDestroy;

    LRESULT OnEnableMessage(WPARAM wParam, LPARAM)
    {
        m_seen.Add(WM_ENABLE, wParam, m_tag);
        if (onEnable)
            onEnable();
        return 0;
    }
    void OnDestroy()
    {
        m_seen.Add(WM_DESTROY, 0, m_tag);
        if (onDestroy)
            onDestroy();
        Default();
    }
    void OnClose() { DestroyWindow(); }
    void PostNcDestroy() override
    {
        if (m_selfDeleting)
            delete this;
    }

    DECLARE_MESSAGE_MAP()

private:
    WindowKind m_kind;
    LPARAM m_tag;
    nvtest::MessageSequence& m_seen;
    bool m_selfDeleting;
};

BEGIN_MESSAGE_MAP(CKindWnd, CWnd)
    ON_MESSAGE(WM_ENABLE, OnEnableMessage)
    ON_WM_DESTROY()
    ON_WM_CLOSE()
END_MESSAGE_MAP()

// One application object a test, so that no test sees what another left; every window a test
// made is gone at its end, and with it from the registry.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CClientApp::Windows().IsEmpty()) << "a window of an earlier test is still registered";
        m_app = std::make_unique<CClientApp>();
        g_app = m_app.get();
        // The host makes the real main window: it needs the base skin.
        ASSERT_TRUE(m_skin.SetUp());
    }
    void TearDown() override
    {
        m_skin.TearDown();
        EXPECT_TRUE(CClientApp::Windows().IsEmpty()) << "the test left a registered window";
        CClientApp::Windows().Clear();
        g_app = nullptr;
        m_app.reset();
    }
    CClientApp& App() { return *m_app; }
    CKindWnd* MakeWindow(WindowKind kind, LPARAM tag, bool selfDeleting = true)
    {
        auto* window = new CKindWnd(kind, tag, seen, selfDeleting);
        EXPECT_TRUE(window->Create());
        return window;
    }

    nvtest::MessageSequence seen;

private:
    std::unique_ptr<CClientApp> m_app;
    mwtest::SkinEnvironment m_skin;
};

} // namespace

TEST_F(AppTest, TheExitSequenceRunsOnceWhileItShowsAMessageBox)
{
    PresenterScope scope;
    mwtest::Journal journal;
    mwtest::RecordingPeers peers(journal);
    SetMainPeers(&peers);
    mwtest::SessionDouble session(journal);
    int logouts = 0;
    // While log-out asks the user something, Enter on the host, a page command and the end of
    // the Windows session all ask for exit again.
    session.onLogout = [&] {
        ++logouts;
        HWND main = App().GetMainDlg()->GetSafeHwnd();
        App().GetHostDlg()->SendMessage(WM_COMMAND, IDOK, 0);
        ::PostMessageA(main, WM_APP_COMMAND_REQUEST, kAppExit, 0);
        ::SendMessageA(main, WM_ENDSESSION, TRUE, 0);
        App().ShowMessageBox("question", MB_YESNO);
        nvtest::PumpPending();
    };
    scope.presenter.whileShown = [] { nvtest::PumpPending(); };
    CAppHostDlg host;
    HWND instance = nullptr;
    INT_PTR result = RunHost(host, [&] {
        instance = ::FindWindowA(NV_INSTANCE_CLASS, nullptr);
        session.loggedIn = true;
        App().SetServiceSession(&session);
        App().m_sessionFlags = 0x0103;
        ExitThroughMain();
    });
    SetMainPeers(nullptr);
    EXPECT_EQ(IDOK, result);
    EXPECT_NE(nullptr, instance) << "the instance window existed while the loop ran";
    EXPECT_EQ(1, logouts);
    EXPECT_EQ(1, static_cast<int>(std::count(journal.events.begin(), journal.events.end(),
                                             "command:" + mwtest::KindName(kWindowPhone) + ":" +
                                                 std::to_string(static_cast<int>(PeerCommand::EndSession)))));
    EXPECT_EQ(nullptr, App().GetMainDlg());
    EXPECT_EQ(nullptr, App().GetServiceSession());
    EXPECT_EQ(1u, scope.presenter.texts.size());
}

TEST_F(AppTest, AFailedMainWindowEndsTheLoop)
{
    PresenterScope scope;
    {
        FailingMainHost host;
        EXPECT_EQ(IDCANCEL, RunHost(host, nullptr)) << "the loop ended by itself";
        EXPECT_TRUE(scope.presenter.texts.empty()) << "the main window reports its own failure";
    }
    {
        FailingMainHost host;
        host.endItself = false;
        EXPECT_EQ(IDCANCEL, RunHost(host, nullptr));
        ASSERT_EQ(1u, scope.presenter.texts.size());
        EXPECT_EQ(Text(IDS_RESOURCES_SHORT).str(), scope.presenter.texts[0]);
        EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP | MB_OKCANCEL), scope.presenter.flags[0]);
    }
}

TEST_F(AppTest, AnswersThePrivateMessagesAndOnlyHidesOnClose)
{
    PresenterScope scope;
    CAppHostDlg host;
    LRESULT waiting = -1, otherWparam = -1;
    bool startShown = false, shownByFront = false, hiddenByClose = false, hiddenByEscape = false;
    bool urlAtomReleased = false;
    bool stillRunning = false;
    App().m_arrivals.resize(3);
    INT_PTR result = RunHost(host, [&] {
        HWND instance = ::FindWindowA(NV_INSTANCE_CLASS, nullptr);
        HWND main = App().GetMainDlg()->GetSafeHwnd();
        waiting = ::SendMessageA(instance, WM_APP_ARRIVAL_COUNT, 0, 0);
        otherWparam = ::SendMessageA(instance, WM_APP_ARRIVAL_COUNT, 1, 0);
        // The main window shows itself a while after the start; what follows begins after that,
        // or the start's own show could undo a hide on a slow machine.
        startShown = nvtest::PumpUntil([&] { return ::IsWindowVisible(main) != FALSE; }, 10000);
        host.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        hiddenByClose = nvtest::PumpUntil([&] { return !::IsWindowVisible(main); });
        ::PostMessageA(instance, WM_APP_COME_TO_FRONT, 0, 0);
        shownByFront = nvtest::PumpUntil([&] { return ::IsWindowVisible(main) != FALSE; });
        host.SendMessage(WM_COMMAND, IDCANCEL, 0);
        hiddenByEscape = nvtest::PumpUntil([&] { return !::IsWindowVisible(main); });
        ATOM url = ::GlobalAddAtomA("http://127.0.0.1/");
        ::SendMessageA(instance, WM_APP_SHOW_URL, 1, url);
        urlAtomReleased = ::GlobalFindAtomA("http://127.0.0.1/") == 0;
        stillRunning = host.IsModalLoopRunning();
        ExitThroughMain();
    });
    App().m_arrivals.clear();
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(3, waiting);
    EXPECT_EQ(0, otherWparam);
    EXPECT_TRUE(startShown);
    EXPECT_TRUE(shownByFront);
    EXPECT_TRUE(hiddenByClose);
    EXPECT_TRUE(hiddenByEscape);
    EXPECT_TRUE(urlAtomReleased);
    EXPECT_TRUE(stillRunning) << "closing and Escape only hide the program";
}

TEST_F(AppTest, GoToTheErrorLogWithTheirTextsAndNumbers)
{
    RecordingSink sink;
    App().SetErrorSink(&sink);
    const struct {
        const char* name;
        int code;
        std::string text;
        unsigned flags;
        int result;
    } rows[] = {
        {"server code of the table", 5401, Text(IDS_ERR_PARTNER_FULL).str() + "(#13108)", kFlagWarning, 0},
        {"login refused", 2102, Text(IDS_ERR_LOGIN_REFUSED).str() + "(#13101)", kFlagError, 0},
        {"network busy", 12150, Text(IDS_NETWORK_BUSY).str() + "(#12150)", kFlagWarning, 0},
        {"unknown code", 4242, Text(IDS_ERR_UNKNOWN).str() + "(#4242)", kFlagError, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sink.logged.clear();
        sink.loggedFlags.clear();
        EXPECT_EQ(row.result, App().ReportError(row.code, kFlagError));
        ASSERT_EQ(1u, sink.logged.size());
        EXPECT_EQ(row.text, sink.logged[0]);
        EXPECT_EQ(row.flags, sink.loggedFlags[0]);
    }
    sink.logged.clear();
    EXPECT_EQ(1, App().ReportError(errortable::kSuccess, 0));
    EXPECT_TRUE(sink.logged.empty());
    EXPECT_EQ(4, sink.balloons);
    App().SetErrorSink(nullptr);
}

TEST_F(AppTest, WhileABoxIsShownTheProgramsWindowsAreDisabledAndASecondBoxIsNotShown)
{
    PresenterScope scope;
    RecordingSink sink;
    App().SetErrorSink(&sink);
    CKindWnd* send = MakeWindow(kWindowSend, 1);
    CKindWnd* log = MakeWindow(kWindowMessageLog, 2);
    CKindWnd* memo = MakeWindow(kWindowMemo, 3);
    CKindWnd* chat = MakeWindow(kWindowChat, 4);
    int inner = -1, modalWhileShown = -1;
    std::vector<BOOL> enabledWhileShown;
    scope.presenter.answer = IDYES;
    scope.presenter.whileShown = [&] {
        modalWhileShown = App().GetModalCount();
        for (CWnd* window : {send, log, memo, chat})
            enabledWhileShown.push_back(window->IsWindowEnabled());
        inner = App().ShowMessageBox("second", MB_YESNO);
    };
    EXPECT_EQ(IDYES, App().ShowMessageBox("first", MB_YESNO));
    scope.presenter.whileShown = nullptr;
    EXPECT_EQ(IDNO, inner) << "the box nobody saw answers as if it had been dismissed";
    EXPECT_EQ(1, modalWhileShown);
    EXPECT_EQ(0, App().GetModalCount());
    EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, TRUE, FALSE}), enabledWhileShown) << "memo windows are left alone";
    for (CWnd* window : {send, log, memo, chat})
        EXPECT_TRUE(window->IsWindowEnabled());
    std::string diff = seen.Compare({{WM_ENABLE, FALSE, 1}, {WM_ENABLE, FALSE, 4}, {WM_ENABLE, FALSE, 2},
                                     {WM_ENABLE, TRUE, 1}, {WM_ENABLE, TRUE, 4}, {WM_ENABLE, TRUE, 2}});
    EXPECT_TRUE(diff.empty()) << "send, received, chat, lists, logs, main in that order\n" << diff;
    ASSERT_EQ(1u, scope.presenter.texts.size());
    EXPECT_EQ(std::vector<std::string>{"second"}, sink.logged) << "the text of the box nobody saw is logged";
    App().ShowMessageBox("no flags", 0);
    EXPECT_EQ(static_cast<UINT>(kFlagWarning), scope.presenter.flags.back()) << "flags 0 become the warning";
    App().SetErrorSink(nullptr);
    for (CWnd* window : {send, log, memo, chat})
        window->DestroyWindow();
}

TEST_F(AppTest, ABoxThatCannotBeShownGivesItsCancelAnswerAndItsTextReachesTheLog)
{
    const struct {
        const char* name;
        UINT buttons;
        int answer;
    } rows[] = {
        {"OK", MB_OK, IDOK},
        {"OK, Cancel", MB_OKCANCEL, IDCANCEL},
        {"Yes, No", MB_YESNO, IDNO},
        {"Yes, No, Cancel", MB_YESNOCANCEL, IDCANCEL},
        {"Retry, Cancel", MB_RETRYCANCEL, IDCANCEL},
        {"Abort, Retry, Ignore", MB_ABORTRETRYIGNORE, IDABORT},
        {"Cancel, Try again, Continue", MB_CANCELTRYCONTINUE, IDCANCEL},
    };
    PresenterScope scope;
    scope.presenter.answer = kMessageBoxNotShown; // no desktop, no owner: the system box failed
    RecordingSink sink;
    RecordingFailures failures;
    IFailureTarget* before = RouteFailuresTo(&failures);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        UINT flags = row.buttons | MB_ICONEXCLAMATION;
        App().SetErrorSink(&sink);
        sink.logged.clear();
        EXPECT_EQ(row.answer, App().ShowMessageBox("unlogged", flags));
        EXPECT_EQ(row.answer, App().MessageBoxTextLogged("logged", flags));
        EXPECT_EQ((std::vector<std::string>{"unlogged", "logged"}), sink.logged)
            << "each text reaches the error log once";
        // Before the error log window exists the text goes to the failure log.
        App().SetErrorSink(nullptr);
        failures.records.clear();
        EXPECT_EQ(row.answer, App().MessageBoxId(IDS_FILE_SAVE_FAILED, flags));
        EXPECT_EQ(std::vector<std::string>{"error log: " + Text(IDS_FILE_SAVE_FAILED).str()}, failures.records);
    }
    RouteFailuresTo(before);
    EXPECT_EQ(0, App().GetModalCount());
}

TEST_F(AppTest, FailuresGoToTheLogFileUntilAnotherTargetTakesThemAndStopAtExit)
{
    char tempFolder[MAX_PATH] = {};
    ::GetTempPathA(sizeof tempFolder, tempFolder);
    CString folder = CString(tempFolder) + "nv_failure_log";
    ::CreateDirectoryA(folder, nullptr);
    CString file = folder + "\\failure.log";
    ::DeleteFileA(file);

    // A handler that throws: the window procedure's barrier reports what it caught.
    CKindWnd* window = MakeWindow(kWindowChat, 1);
    auto failWith = [window](const char* text) {
        window->onEnable = [text] { throw std::runtime_error(text); };
        window->EnableWindow(!window->IsWindowEnabled());
    };
    App().StartFailureLog(folder);
    failWith("to the file");
    RecordingFailures errorLog;
    App().SetFailureTarget(&errorLog);
    failWith("to the error log");
    App().SetFailureTarget(nullptr);
    failWith("to the file again");
    window->DestroyWindow();
    App().ExitInstance();
    RecordingFailures afterExit;
    IFailureTarget* routed = RouteFailuresTo(&afterExit);
    EXPECT_EQ(nullptr, routed) << "exit gave the hook back to the framework's default";
    RouteFailuresTo(nullptr);

    EXPECT_EQ(std::vector<std::string>{"window procedure: to the error log"}, errorLog.records);
    std::vector<std::uint8_t> bytes = nvtest::ReadFileBytes(file.GetString());
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, text.find("window procedure: to the file\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("window procedure: to the file again\r\n")) << text;
    EXPECT_EQ(std::string::npos, text.find("error log")) << text;
    nvtest::RemoveTree(folder.GetString());
}

TEST_F(AppTest, TheOnlyCopyIsKeptWhenTheTargetCannotBeWritten)
{
    PresenterScope scope;
    char tempFolder[MAX_PATH] = {};
    ::GetTempPathA(sizeof tempFolder, tempFolder);
    CString temp = CString(tempFolder) + "nv_received.tmp";
    CString target = CString(tempFolder) + "nv_received.dat";
    HANDLE file = ::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, "received", 8, &written, nullptr);
    ::CloseHandle(file);

    App().m_pendingTempFile = temp;
    App().m_pendingTargetFile = CString(tempFolder) + "no\\such\\folder\\a.dat";
    App().CommitReceivedFile(true);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(temp)) << "the received data stays";
    EXPECT_STREQ(temp.GetString(), App().m_pendingTempFile.GetString());
    ASSERT_EQ(1u, scope.presenter.texts.size());
    EXPECT_EQ(Text(IDS_FILE_SAVE_FAILED).str(), scope.presenter.texts[0]);

    App().m_pendingTargetFile = target;
    App().CommitReceivedFile(true);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(temp));
    EXPECT_TRUE(App().m_pendingTempFile.IsEmpty());
    char back[16] = {};
    file = ::CreateFileA(target, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ::ReadFile(file, back, sizeof back, &got, nullptr);
    ::CloseHandle(file);
    EXPECT_STREQ("received", back);
    ::DeleteFileA(target);
}

TEST_F(AppTest, ATimedOutWaitLeavesTheHolderAsItWas)
{
    ASSERT_TRUE(App().CreatePmLock());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(33, 0));
    EXPECT_EQ(33, App().GetPmHolderKind());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), App().LockPm(kRequestMessageList, 0));
    EXPECT_EQ(33, App().GetPmHolderKind()) << "the send still holds the client";
    App().UnlockPm();
    EXPECT_EQ(0, App().GetPmHolderKind());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(kRequestMessageList, 0));
    App().UnlockPm();
    App().ClosePmLock();
    EXPECT_EQ(-2, App().QueueRequest(kRequestMessageList)) << "no session, no request";
}

TEST_F(AppTest, ARequestRunningAtTheSessionsEndHoldsNothingBackInTheNext)
{
    mwtest::Journal journal;
    mwtest::SessionDouble session(journal);
    session.loggedIn = true;
    App().SetServiceSession(&session);
    ASSERT_TRUE(App().CreatePmLock());
    EXPECT_EQ(0, App().QueueRequest(kRequestPresence)) << "started";
    EXPECT_EQ(-1, App().QueueRequest(kRequestUrlList)) << "waits behind the running one";
    // Log-out ends the session before the running request's end came; log-in makes a new lock.
    App().ClosePmLock();
    ASSERT_TRUE(App().CreatePmLock());
    EXPECT_EQ(0, App().QueueRequest(kRequestMessageList));
    EXPECT_EQ((std::vector<std::string>{"request:" + std::to_string(kRequestPresence),
                                        "request:" + std::to_string(kRequestMessageList)}),
              journal.events);
    App().UnlockPm();
    App().ClosePmLock();
    App().SetServiceSession(nullptr);
}

TEST_F(AppTest, ANetworkFailureReportGivesTheLockBackWithItsHolder)
{
    RecordingSink sink;
    App().SetErrorSink(&sink);
    ASSERT_TRUE(App().CreatePmLock());
    // A failure outside the network range leaves the holder and the lock as they were.
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(33, 0));
    App().ReportError(5403, 0);
    EXPECT_EQ(33, App().GetPmHolderKind());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), App().LockPm(kRequestMessageList, 0));
    // A network failure of the running send (a server that went down) ends the send as far as the
    // application is concerned: no holder, and the lock free for the next request.
    for (int code : {12203, 12212, 12106}) {
        SCOPED_TRACE(code);
        App().ReportError(code, 0);
        EXPECT_EQ(0, App().GetPmHolderKind());
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(kRequestMessageList, 0))
            << "the lock stayed taken with nobody holding it";
        EXPECT_EQ(kRequestMessageList, App().GetPmHolderKind());
        App().UnlockPm();
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(33, 0));
    }
    // With nothing held, a report gives nothing back: the lock is still taken only once.
    App().UnlockPm();
    App().ReportError(12203, 0);
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), App().LockPm(33, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), App().LockPm(kRequestMessageList, 0))
        << "a report while the lock was free added a second count";
    App().UnlockPm();
    App().ClosePmLock();
    EXPECT_EQ(5u, sink.logged.size()) << "each report reached the error log";
    App().SetErrorSink(nullptr);
}

TEST_F(AppTest, OneOwnerAtATime)
{
    int phone = 0, clip = 0;
    EXPECT_TRUE(App().LockSoundDevice(&phone, true));
    EXPECT_TRUE(App().LockSoundDevice(&phone, true));
    EXPECT_FALSE(App().LockSoundDevice(&clip, true));
    EXPECT_FALSE(App().LockSoundDevice(&clip, false));
    EXPECT_TRUE(App().IsSoundDeviceLocked());
    EXPECT_TRUE(App().LockSoundDevice(&phone, false));
    EXPECT_FALSE(App().IsSoundDeviceLocked());
    EXPECT_TRUE(App().LockSoundDevice(&clip, true));
    EXPECT_TRUE(App().LockSoundDevice(&clip, false));
}

TEST_F(AppTest, AWindowDestroyedByItselfLeavesTheRegistry)
{
    // Each way a window goes: it destroys itself and deletes its object, it closes on a posted
    // WM_CLOSE, its object is deleted while the window lives.
    CKindWnd* selfDeleting = MakeWindow(kWindowSend, 1);
    CKindWnd* closing = MakeWindow(kWindowChat, 2);
    auto* owned = new CKindWnd(kWindowReceive, 3, seen, false);
    ASSERT_TRUE(owned->Create());
    EXPECT_EQ(selfDeleting, App().GetSendDlg());
    EXPECT_EQ(closing, App().GetChatDlg());
    EXPECT_EQ(owned, App().GetReceiveDlg());

    selfDeleting->DestroyWindow();
    EXPECT_EQ(nullptr, App().GetSendDlg());
    closing->PostMessage(WM_CLOSE);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return App().GetChatDlg() == nullptr; }));
    HWND ownedWindow = owned->GetSafeHwnd();
    delete owned; // its window goes after the object has let go of it
    EXPECT_EQ(nullptr, App().GetReceiveDlg());
    EXPECT_FALSE(::IsWindow(ownedWindow));
    EXPECT_EQ(nullptr, App().FindRegisteredWindow(owned));
    std::string diff = seen.Compare({{WM_DESTROY, 0, 1}, {WM_DESTROY, 0, 2}});
    EXPECT_TRUE(diff.empty()) << diff;
}

TEST_F(AppTest, ClosingTheRegisteredWindowsWhileOneClosesAnother)
{
    CKindWnd* main = MakeWindow(kWindowMain, 0);
    CKindWnd* mail = MakeWindow(kWindowWebMail, 1);
    CKindWnd* room = MakeWindow(kWindowUserRoom, 2);
    CKindWnd* page = MakeWindow(kWindowNewBrowser, 3);
    CKindWnd* named = MakeWindow(kWindowNamed, 4);
    named->JoinRegistry(kWindowNamed, "partners");
    CKindWnd* send = MakeWindow(kWindowSend, 5);
    // Closing the mail page takes the new-window page with it.
    mail->onDestroy = [page] { page->DestroyWindow(); };
    EXPECT_EQ(room, App().FindWindowByKind(kWindowUserRoom, ""));
    EXPECT_EQ(named, App().FindWindowByKind(kWindowNamed, "partners"));
    EXPECT_EQ(nullptr, App().FindWindowByKind(kWindowNamed, "others"));

    App().CloseRegisteredWindows(room);
    EXPECT_EQ(nullptr, App().FindRegisteredWindow(room));
    EXPECT_EQ(mail, App().FindRegisteredWindow(mail)) << "only the given window closes";

    App().CloseRegisteredWindows();
    std::string diff = seen.Compare({{WM_DESTROY, 0, 2}, {WM_DESTROY, 0, 1}, {WM_DESTROY, 0, 3}, {WM_DESTROY, 0, 4}});
    EXPECT_TRUE(diff.empty()) << "each window is destroyed once\n" << diff;
    EXPECT_EQ(main, App().GetAppWindow(kWindowMain)) << "the application's own windows stay";
    EXPECT_EQ(send, App().GetSendDlg());
    EXPECT_EQ(2u, CClientApp::Windows().Members().size());
    main->DestroyWindow();
    send->DestroyWindow();
}

TEST_F(AppTest, EnablingTheWindowsSkipsMembersThatWereDestroyed)
{
    CKindWnd* phone = MakeWindow(kWindowPhone, 1);
    CKindWnd* gone = MakeWindow(kWindowSend, 2);
    CKindWnd* firstLog = MakeWindow(kWindowMessageLog, 3);
    CKindWnd* secondLog = MakeWindow(kWindowMessageLog, 4);
    CKindWnd* friends = MakeWindow(kWindowFriendList, 5);
    CKindWnd* main = MakeWindow(kWindowMain, 6);
    gone->DestroyWindow();
    // Being disabled, the friend list closes the second log window, which comes after it.
    friends->onEnable = [secondLog] { secondLog->DestroyWindow(); };
    seen.Clear();
    App().EnableAppWindows(false);
    std::string diff = seen.Compare({{WM_ENABLE, FALSE, 1}, {WM_ENABLE, FALSE, 5}, {WM_DESTROY, 0, 4},
                                     {WM_ENABLE, FALSE, 3}, {WM_ENABLE, FALSE, 6}});
    EXPECT_TRUE(diff.empty()) << diff;
    friends->onEnable = nullptr;
    App().EnableAppWindows(true);
    for (CKindWnd* window : {phone, firstLog, friends, main}) {
        EXPECT_TRUE(window->IsWindowEnabled());
        window->DestroyWindow();
    }
}

TEST_F(AppTest, LogAndMemoWindowsAreListedOnceAndDestroyedTogether)
{
    CKindWnd* a = MakeWindow(kNoWindowKind, 1);
    CKindWnd* b = MakeWindow(kNoWindowKind, 2);
    CKindWnd* memo = MakeWindow(kNoWindowKind, 3);
    App().AddLogWindow(a);
    App().AddLogWindow(b);
    App().AddLogWindow(a);
    App().AddMemoWindow(memo);
    EXPECT_EQ((std::vector<CWnd*>{b, a}), CClientApp::Windows().Windows(kWindowMessageLog)) << "no duplicates";
    App().RemoveMemoWindow(a); // not a memo window: nothing changes
    App().RemoveLogWindow(b);
    EXPECT_EQ(std::vector<CWnd*>{a}, CClientApp::Windows().Windows(kWindowMessageLog));
    EXPECT_EQ(kNoWindowKind, b->GetRegistryKind());
    App().DestroyLogWindows();
    App().DestroyMemoWindows();
    std::string diff = seen.Compare({{WM_DESTROY, 0, 1}, {WM_DESTROY, 0, 3}});
    EXPECT_TRUE(diff.empty()) << diff;
    EXPECT_TRUE(CClientApp::Windows().IsEmpty());
    b->DestroyWindow();

    // An object listed before it has a window joins when the window is created.
    CKindWnd later(kNoWindowKind, 4, seen);
    App().AddLogWindow(&later);
    EXPECT_TRUE(CClientApp::Windows().IsEmpty());
    ASSERT_TRUE(later.CreateEx(0, CWnd::RegisterWindowClass("NvTestKindWnd"), "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
    EXPECT_EQ(&later, CClientApp::Windows().Find(kWindowMessageLog));
    later.DestroyWindow();
}

TEST_F(AppTest, RoomUrlsCarryTheFirstThreeCharactersAndTheWholeId)
{
    CString url = App().BuildRoomUrl("0123456789ABCDEF");
    EXPECT_NE(-1, url.Find("/room012/0123456789ABCDEF/index.cgi")) << url.GetString();
}

namespace {

// Browser windows opened on request: each joins the registry under its kind and the tray's
// list; a user's room page reuses its window; the registered windows leave the tray as they close.
TEST_F(AppTest, BrowserWindowsOpenOnRequestAndRoomPagesReuseTheirWindow)
{
    CFakeSkin skin;
    FillBrowserSkin(skin);
    EXPECT_EQ(nullptr, App().OpenUrlInBrowser("", kWindowAddressBook)) << "no main window";
    CKindWnd* main = MakeWindow(kWindowMain, 0);
    skin.mainWindow = main->GetSafeHwnd();

    CBrowserDlg* book = App().OpenUrlInBrowser("", kWindowAddressBook);
    ASSERT_NE(nullptr, book);
    EXPECT_EQ(book, App().FindWindowByKind(kWindowAddressBook, ""));
    ASSERT_EQ(1u, skin.trayCalls.size());
    EXPECT_TRUE(skin.trayCalls[0].first);

    App().OpenUserRoom("ABCDEFGH1234567");
    EXPECT_EQ(nullptr, App().FindWindowByKind(kWindowUserRoom, "")) << "15 characters are no ID";
    App().OpenUserRoom("ABCDEFGH12345678");
    CWnd* room = App().FindWindowByKind(kWindowUserRoom, "");
    ASSERT_NE(nullptr, room);
    App().OpenUserRoom("ZYXWVUTS87654321");
    EXPECT_EQ(room, App().FindWindowByKind(kWindowUserRoom, ""));
    int rooms = 0;
    for (const RegisteredWindow& member : CClientApp::Windows().Members())
        rooms += member.kind == kWindowUserRoom ? 1 : 0;
    EXPECT_EQ(1, rooms) << "the room window is used again";

    HWND bookWindow = book->GetSafeHwnd();
    skin.trayCalls.clear();
    App().CloseRegisteredWindows();
    EXPECT_FALSE(::IsWindow(bookWindow));
    EXPECT_EQ(nullptr, App().FindWindowByKind(kWindowUserRoom, ""));
    ASSERT_EQ(2u, skin.trayCalls.size());
    EXPECT_FALSE(skin.trayCalls[0].first);
    EXPECT_FALSE(skin.trayCalls[1].first);
    main->DestroyWindow();
}

} // namespace

namespace {

// The main window as far as page requests go: it records 0x40C.
class CRequestRecorder : public CWnd {
public:
    std::vector<WPARAM> requests;
    BOOL Create()
    {
        JoinRegistry(kWindowMain);
        return CreateEx(0, RegisterWindowClass("NvTestRequestRecorder"), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP_COMMAND_REQUEST) {
            requests.push_back(wParam);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// A link another program hands over (0x40D, wParam 1) comes from no page: its command runs even
// while the browser shows a page of elsewhere; other targets and empty texts do nothing.
TEST_F(AppTest, HandedOverLinksRunTheirCommandInTheApplicationsBrowser)
{
    CFakeSkin skin;
    FillBrowserSkin(skin);
    CRequestRecorder main;
    ASSERT_TRUE(main.Create());
    skin.mainWindow = main.GetSafeHwnd();
    CBrowserDlg* browserWindow = shellbrowser::CreateBrowser(&main, kWindowBrowser);
    ASSERT_NE(nullptr, browserWindow);
    browserWindow->SetPageUrl("http://elsewhere.example/");

    shellbrowser::ShowHandedOverUrl(1, "x-vyrntalk:nv_close");
    shellbrowser::ShowHandedOverUrl(2, "x-vyrntalk:nv_quit");
    shellbrowser::ShowHandedOverUrl(1, "");
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !main.requests.empty(); }, 5000));
    nvtest::PumpPending();
    EXPECT_EQ(std::vector<WPARAM>{kAppHide}, main.requests);
    EXPECT_STREQ("http://elsewhere.example/", browserWindow->GetPageUrl()) << "the window's own page stays";

    // From the page itself the same link is refused.
    main.requests.clear();
    browserWindow->HandleSpecialUrl("x-vyrntalk:nv_quit");
    nvtest::PumpPending();
    EXPECT_TRUE(main.requests.empty());
    browserWindow->DestroyWindow(); // deletes itself
    EXPECT_EQ(nullptr, App().GetBrowserDlg());
    main.DestroyWindow();
}

} // namespace

namespace {

// The phone's call engine works on the application's profile and folder once the program has made
// its phone: the library's log switches, the number on the display, the gateway account (kept
// scrambled) and the sounds beside the program.
TEST_F(AppTest, ThePhonesCallEngineUsesTheApplicationsProfileAndFolder)
{
    App().SetupRegistry();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Qelo\\NimboVandrell\\NimboCall");
    PresenterScope boxes;
    if (CPhoneDlg* phoneWindow = CreatePhoneWindow(nullptr))
        phoneWindow->DestroyWindow();
    ICallEngineServices& services = CallEngineServices();
    ASSERT_TRUE(services.AppExists());
    ASSERT_FALSE(App().GetExeFolder().IsEmpty());
    EXPECT_EQ(App().GetExeFolder().str(), services.ProgramFolder().str());

    App().WriteProfileInt("", "QELO_DLL_DEBUG", 40);
    App().WriteProfileString("", "NIMBO_CALL_DEBUG", "TRUE");
    EXPECT_EQ(40, services.GetProfileInt(nullptr, "QELO_DLL_DEBUG", 0));
    EXPECT_EQ("TRUE", services.GetProfileString("", "NIMBO_CALL_DEBUG", "FALSE").str());

    EXPECT_TRUE(SavePhoneNumber("0312345678"));
    EXPECT_EQ("0312345678", App().GetProfileString("NimboCall", "PhoneNo", "").str());

    ReadVoipVendorSettings("1234567890", "5678");
    EXPECT_EQ(1u, boxes.presenter.texts.size()) << "the account's arrival is told";
    EXPECT_EQ(scrambler::Scramble("1234567890"), App().GetProfileString("NimboCall", "UID", "").str());
    EXPECT_EQ(scrambler::Scramble("5678"), App().GetProfileString("NimboCall", "UP", "").str());
    CString user, password;
    ASSERT_TRUE(LoadGatewayAccount(user, password));
    EXPECT_EQ("1234567890", user.str());
    EXPECT_EQ("5678", password.str());
    // A stored value that is no scrambled text gives no account.
    App().WriteProfileString("NimboCall", "UP", "plain text");
    EXPECT_FALSE(LoadGatewayAccount(user, password));

    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Qelo\\NimboVandrell\\NimboCall");
    App().WriteProfileString("", "QELO_DLL_DEBUG", nullptr);
    App().WriteProfileString("", "NIMBO_CALL_DEBUG", nullptr);
}

} // namespace
