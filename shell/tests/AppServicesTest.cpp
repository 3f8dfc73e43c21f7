// The application object in this test process: the host dialog's loop, the private messages,
// the exit sequence, error reports, message boxes, received files and the lock.
#include "WinTestSupport.h"

#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/ClientApp.h"
#include "shell/InstanceWnd.h"
#include "shell/MainDlg.h"
#include "shell/common/services/MessageBoxSeam.h"

#include "StringIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

CClientApp theTestApp;

namespace {

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

struct CountingShutdown : IShutdownSteps {
    int phone = 0;
    int logout = 0;
    std::function<void()> onLogout;
    void EndPhoneSession() override { ++phone; }
    void LogoutMessageService() override
    {
        ++logout;
        if (onLogout)
            onLogout();
    }
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
    theTestApp.m_pHostDlg = &host;
    INT_PTR result = host.DoModal();
    theTestApp.m_pHostDlg = nullptr;
    g_runningHost = nullptr;
    ::KillTimer(nullptr, scriptTimer);
    ::KillTimer(nullptr, guard);
    return result;
}

void ExitThroughMain() { ::PostMessageA(theTestApp.m_pMainDlg->GetSafeHwnd(), WM_APP_COMMAND_REQUEST, kAppExit, 0); }

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

} // namespace

TEST(HostDialog, TheExitSequenceRunsOnceWhileItShowsAMessageBox)
{
    PresenterScope scope;
    CountingShutdown shutdown;
    theTestApp.SetShutdownSteps(&shutdown);
    // While log-out asks the user something, Enter on the host, a page command and the end of
    // the Windows session all ask for exit again.
    shutdown.onLogout = [&] {
        HWND main = theTestApp.m_pMainDlg->GetSafeHwnd();
        theTestApp.m_pHostDlg->SendMessage(WM_COMMAND, IDOK, 0);
        ::PostMessageA(main, WM_APP_COMMAND_REQUEST, kAppExit, 0);
        ::SendMessageA(main, WM_ENDSESSION, TRUE, 0);
        theTestApp.ShowMessageBox("question", MB_YESNO);
        nvtest::PumpPending();
    };
    scope.presenter.whileShown = [] { nvtest::PumpPending(); };
    CAppHostDlg host;
    HWND instance = nullptr;
    INT_PTR result = RunHost(host, [&] {
        instance = ::FindWindowA(NV_INSTANCE_CLASS, nullptr);
        ExitThroughMain();
    });
    theTestApp.SetShutdownSteps(nullptr);
    EXPECT_EQ(IDOK, result);
    EXPECT_NE(nullptr, instance) << "the instance window existed while the loop ran";
    EXPECT_EQ(1, shutdown.phone);
    EXPECT_EQ(1, shutdown.logout);
    EXPECT_EQ(nullptr, theTestApp.m_pMainDlg);
    EXPECT_EQ(1u, scope.presenter.texts.size());
}

TEST(HostDialog, AFailedMainWindowEndsTheLoop)
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

TEST(HostDialog, AnswersThePrivateMessagesAndOnlyHidesOnClose)
{
    PresenterScope scope;
    CAppHostDlg host;
    LRESULT waiting = -1, otherWparam = -1;
    bool shownByFront = false, hiddenByClose = false, hiddenByEscape = false, urlAtomReleased = false;
    bool stillRunning = false;
    theTestApp.m_arrivals.resize(3);
    INT_PTR result = RunHost(host, [&] {
        HWND instance = ::FindWindowA(NV_INSTANCE_CLASS, nullptr);
        HWND main = theTestApp.m_pMainDlg->GetSafeHwnd();
        waiting = ::SendMessageA(instance, WM_APP_ARRIVAL_COUNT, 0, 0);
        otherWparam = ::SendMessageA(instance, WM_APP_ARRIVAL_COUNT, 1, 0);
        ::PostMessageA(instance, WM_APP_COME_TO_FRONT, 0, 0);
        shownByFront = nvtest::PumpUntil([&] { return ::IsWindowVisible(main) != FALSE; });
        host.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        hiddenByClose = nvtest::PumpUntil([&] { return !::IsWindowVisible(main); });
        ::PostMessageA(instance, WM_APP_COME_TO_FRONT, 0, 0);
        nvtest::PumpUntil([&] { return ::IsWindowVisible(main) != FALSE; });
        host.SendMessage(WM_COMMAND, IDCANCEL, 0);
        hiddenByEscape = nvtest::PumpUntil([&] { return !::IsWindowVisible(main); });
        ATOM url = ::GlobalAddAtomA("http://127.0.0.1/");
        ::SendMessageA(instance, WM_APP_SHOW_URL, 1, url);
        urlAtomReleased = ::GlobalFindAtomA("http://127.0.0.1/") == 0;
        stillRunning = host.IsModalLoopRunning();
        ExitThroughMain();
    });
    theTestApp.m_arrivals.clear();
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(3, waiting);
    EXPECT_EQ(0, otherWparam);
    EXPECT_TRUE(shownByFront);
    EXPECT_TRUE(hiddenByClose);
    EXPECT_TRUE(hiddenByEscape);
    EXPECT_TRUE(urlAtomReleased);
    EXPECT_TRUE(stillRunning) << "closing and Escape only hide the program";
}

TEST(ErrorReports, GoToTheErrorLogWithTheirTextsAndNumbers)
{
    RecordingSink sink;
    theTestApp.SetErrorSink(&sink);
    const struct {
        const char* name;
        int code;
        std::string text;
        unsigned flags;
        int result;
    } rows[] = {
        {"server code of the table", 5401, Text(IDS_ERR_PARTNER_FULL).str() + "(#13108)", 0x30, 0},
        {"login refused", 2102, Text(IDS_ERR_LOGIN_REFUSED).str() + "(#13101)", 0x10, 0},
        {"network busy", 12150, Text(IDS_NETWORK_BUSY).str() + "(#12150)", 0x30, 0},
        {"unknown code", 4242, Text(IDS_ERR_UNKNOWN).str() + "(#4242)", 0x10, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sink.logged.clear();
        sink.loggedFlags.clear();
        EXPECT_EQ(row.result, theTestApp.ReportError(row.code, 0x10));
        ASSERT_EQ(1u, sink.logged.size());
        EXPECT_EQ(row.text, sink.logged[0]);
        EXPECT_EQ(row.flags, sink.loggedFlags[0]);
    }
    sink.logged.clear();
    EXPECT_EQ(1, theTestApp.ReportError(12000, 0));
    EXPECT_TRUE(sink.logged.empty());
    EXPECT_EQ(4, sink.balloons);
    theTestApp.SetErrorSink(nullptr);
}

TEST(MessageBoxes, ASecondBoxWhileOneIsOpenIsRefusedAndWindowsAreDisabledMeanwhile)
{
    PresenterScope scope;
    int inner = -1, modalWhileShown = -1;
    int modalBefore = theTestApp.GetModalCount();
    scope.presenter.answer = IDYES;
    scope.presenter.whileShown = [&] {
        modalWhileShown = theTestApp.GetModalCount();
        scope.presenter.whileShown = nullptr;
        inner = theTestApp.ShowMessageBox("second", MB_YESNO);
    };
    EXPECT_EQ(IDYES, theTestApp.ShowMessageBox("first", MB_YESNO));
    EXPECT_EQ(0, inner);
    EXPECT_EQ(modalBefore + 1, modalWhileShown);
    EXPECT_EQ(modalBefore, theTestApp.GetModalCount());
    ASSERT_EQ(1u, scope.presenter.texts.size());
    EXPECT_EQ(0x30u, (theTestApp.ShowMessageBox("no flags", 0), scope.presenter.flags.back())) << "flags 0 become the warning";
}

TEST(ReceivedFiles, TheOnlyCopyIsKeptWhenTheTargetCannotBeWritten)
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

    theTestApp.m_pendingTempFile = temp;
    theTestApp.m_pendingTargetFile = CString(tempFolder) + "no\\such\\folder\\a.dat";
    theTestApp.CommitReceivedFile(true);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(temp)) << "the received data stays";
    EXPECT_STREQ(temp.GetString(), theTestApp.m_pendingTempFile.GetString());
    ASSERT_EQ(1u, scope.presenter.texts.size());
    EXPECT_EQ(Text(IDS_FILE_SAVE_FAILED).str(), scope.presenter.texts[0]);

    theTestApp.m_pendingTargetFile = target;
    theTestApp.CommitReceivedFile(true);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(temp));
    EXPECT_TRUE(theTestApp.m_pendingTempFile.IsEmpty());
    char back[16] = {};
    file = ::CreateFileA(target, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ::ReadFile(file, back, sizeof back, &got, nullptr);
    ::CloseHandle(file);
    EXPECT_STREQ("received", back);
    ::DeleteFileA(target);
}

TEST(PmLock, ATimedOutWaitLeavesTheHolderAsItWas)
{
    ASSERT_TRUE(theTestApp.CreatePmLock());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), theTestApp.LockPm(33, 0));
    EXPECT_EQ(33, theTestApp.GetPmHolderKind());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), theTestApp.LockPm(kRequestMessageList, 0));
    EXPECT_EQ(33, theTestApp.GetPmHolderKind()) << "the send still holds the client";
    theTestApp.UnlockPm();
    EXPECT_EQ(0, theTestApp.GetPmHolderKind());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), theTestApp.LockPm(kRequestMessageList, 0));
    theTestApp.UnlockPm();
    theTestApp.ClosePmLock();
    EXPECT_EQ(-2, theTestApp.QueueRequest(kRequestMessageList)) << "no session, no request";
}

TEST(SoundDevice, OneOwnerAtATime)
{
    int phone = 0, clip = 0;
    EXPECT_TRUE(theTestApp.LockSoundDevice(&phone, true));
    EXPECT_TRUE(theTestApp.LockSoundDevice(&phone, true));
    EXPECT_FALSE(theTestApp.LockSoundDevice(&clip, true));
    EXPECT_FALSE(theTestApp.LockSoundDevice(&clip, false));
    EXPECT_TRUE(theTestApp.IsSoundDeviceLocked());
    EXPECT_TRUE(theTestApp.LockSoundDevice(&phone, false));
    EXPECT_FALSE(theTestApp.IsSoundDeviceLocked());
    EXPECT_TRUE(theTestApp.LockSoundDevice(&clip, true));
    EXPECT_TRUE(theTestApp.LockSoundDevice(&clip, false));
}

TEST(WindowLists, NoDuplicatesAndRoomUrls)
{
    CWnd a, b;
    theTestApp.AddLogWindow(&a);
    theTestApp.AddLogWindow(&a);
    theTestApp.AddLogWindow(&b);
    theTestApp.RemoveLogWindow(&a);
    theTestApp.DestroyLogWindows(); // neither is a window: nothing to destroy, the list empties
    theTestApp.RegisterWindow(4, &a);
    EXPECT_EQ(nullptr, theTestApp.FindWindowByKind(4, "")) << "a registered object without a window is not found";
    CString url = theTestApp.BuildRoomUrl("0123456789ABCDEF");
    EXPECT_NE(-1, url.Find("/room012/0123456789ABCDEF/index.cgi")) << url.GetString();
}
