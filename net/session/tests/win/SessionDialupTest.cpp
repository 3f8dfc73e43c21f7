// CSession's dial-up path under Wine: the stand-in dial-up service (its call log) and a recording
// Internet dialer (mode 1), the login_service peer for the forms. The local address of the login
// form is the dial-up connection's projection address; log-out hangs up only what this program
// dialled; a dropped line ends in a request to log out.
#include "net/dialup/DialupDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "net/ras/win/RasApi.h"
#include "net/session/Session.h"
#include "net/session/win/SessionNetwork.h"
#include "resources/ids/net.h"
#include "tests/doubles/rasapi32/StandInControl.h"
#include "tests/support/CallbackProc.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const HMODULE g_keepServiceLoaded = LoadLibraryA("rasapi32.dll");

std::string ReadPeerFile(const char* suffix)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/login_service" + suffix),
                     std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

class TestNetInfo : public CNetInfo {
public:
    bool HasServiceSession() const override { return false; }
};

// The application for the session and for the dial-up dialogs; message boxes are answered No.
class Host : public ISessionHost, public INetDialogHost {
public:
    CNetInfo& NetInfo() override { return info; }
    std::string LoginPage() override { return url; }
    std::string ChatLoginUrl() override { return url; }
    ChatRoomRecord& Room() override { return room; }
    IMsgClientLink*& ClientSlot() override { return slot; }
    bool CreateLock() override { return true; }
    void CloseLock() override {}
    bool Lock(std::uint16_t, unsigned) override { return true; }
    void Unlock() override {}
    nvnet::SocketOwner MainWindow() override { return nullptr; }
    void PostLogoutRequest() override { ++logoutRequests; }
    CString Text(unsigned id) override
    {
        CString text;
        text.LoadString(id);
        return text;
    }
    int ShowMessage(const CString& text, unsigned, bool) override
    {
        boxes.push_back(text.GetString());
        return IDNO;
    }
    CNetInfo* GetNetInfo() override { return &info; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND, const CString& text, unsigned flags) override { return ShowMessage(text, flags, false); }
    int ShowMessageLogged(HWND, const CString& text, unsigned flags) override { return ShowMessage(text, flags, true); }
    void SetModalState(bool) override {}

    TestNetInfo info;
    CMemoryProfile profile;
    std::string url;
    ChatRoomRecord room;
    IMsgClientLink* slot = nullptr;
    int logoutRequests = 0;
    std::vector<std::string> boxes;
};

// The system's Internet dialer: brings the entry up in the dial-up service, and down on hang-up.
class Dialer : public IInternetDialer {
public:
    DWORD Dial(HWND, const char* entryName, DWORD_PTR* connection) override
    {
        calls.push_back(std::string("dial ") + entryName);
        service->Script(std::string("connection|") + entryName + "|modem|Standard Modem");
        m_entry = entryName;
        *connection = 77;
        return 0;
    }
    DWORD HangUp(DWORD_PTR) override
    {
        calls.push_back("hangup " + m_entry);
        CRasApi().HangUp(m_entry.c_str());
        return 0;
    }
    const nvtest::StandInRas* service = nullptr;
    std::vector<std::string> calls;

private:
    std::string m_entry;
};

class SessionDialup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ras.Loaded()) << "the stand-in rasapi32.dll must be loaded (WINEDLLOVERRIDES=rasapi32=n)";
        ras.Reset();
        ASSERT_EQ(0u, ras.Script("step_ms|5"));
        ASSERT_EQ(0u, ras.Script("device|modem|Standard Modem"));
        ASSERT_EQ(0u, ras.Script("address|10.9.8.7"));
        host.url = "http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile(".port").c_str()));
        // The peer's accounts, sessions and switches as they start (other tests change them).
        CString reply;
        std::uint32_t error = 0;
        ASSERT_TRUE(HttpPostForm(host.url.c_str(), "/_control", CString("reset=1"), &reply, &error)) << error;
        host.info.SetProfileStore(&host.profile);
        host.info.Load("Signup", "NetInfo");
        host.info.m_LoginID = "user01";
        host.info.m_LoginPasswd = "pw01";
        host.info.m_PhoneNumber = "03-1234-5678";
        host.info.SetConnectionSettings(false, 0, false, "", "", "", "");
        NetConnectSettings& s = host.info.GetActiveSettings(true);
        s.modemName = "Standard Modem";
        s.dialMode = "T";
        s.prefixNumber = "xx-xxxx-xxxx";
        netui::SetHost(&host);
        dialer.service = &ras;
        netui::SetDialer(&dialer);
        network.SetVersionSource([](DWORD* platform, DWORD* major, DWORD* minor) {
            *platform = 2; // not Windows Me: the Internet dialer's mode
            *major = 5;
            *minor = 1;
            return true;
        });
    }
    void TearDown() override
    {
        netui::SetHost(nullptr);
        netui::SetDialer(nullptr);
    }

    nvtest::StandInRas ras;
    Host host;
    Dialer dialer;
    CDirectInternetSettings direct;
    CSessionNetwork network{host.info, direct};
};

} // namespace

TEST_F(SessionDialup, DialsLogsInFromTheProjectionAddressAndHangsUpItsOwnConnection)
{
    const std::size_t mark = ReadPeerFile(".log").size();
    {
        CSession session(host, network);
        ASSERT_EQ(session.Login(false), 1) << session.GetLastError();
        ASSERT_TRUE(session.IsLoggedIn()) << session.GetLastError();
        EXPECT_EQ(host.info.m_state & 0x0FFF, CSession::kStateDialled | CSession::kStateLoggedIn);
        ASSERT_EQ(dialer.calls.size(), 1u);
        const std::string entry = host.info.m_RasEntryName.GetString();
        EXPECT_EQ(dialer.calls[0], "dial " + entry);
        EXPECT_EQ(session.LocalAddress(), "10.9.8.7");
        EXPECT_TRUE(session.IsOnline());
        session.Logout();
        EXPECT_FALSE(CRasApi().IsConnected(entry.c_str()));
        EXPECT_EQ(dialer.calls.back(), "hangup " + entry);
    }
    const std::string log = ReadPeerFile(".log").substr(mark);
    EXPECT_NE(log.find("\"addr\": \"10.9.8.7\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"kind\": \"logged-out\""), std::string::npos) << log;
    EXPECT_EQ(log.find("\"kind\": \"violation\""), std::string::npos) << log;
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(SessionDialup, AnAdoptedConnectionOfAnotherProgramStaysUp)
{
    ASSERT_EQ(0u, ras.Script("connection|Other ISP|modem|Standard Modem"));
    host.info.m_RasEntryName = "Service";
    {
        CSession session(host, network);
        ASSERT_EQ(session.Login(false), 1);
        ASSERT_TRUE(session.IsLoggedIn()) << session.GetLastError();
        // Asked whether to hang up the other connection; No keeps it and logs in over it.
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_NE(host.boxes[0].find("Other ISP"), std::string::npos);
        EXPECT_EQ(host.info.m_RasEntryName, "Other ISP");
        EXPECT_EQ(host.info.m_state & 0x0FFF, CSession::kStateAdopted | CSession::kStateLoggedIn);
        EXPECT_TRUE(dialer.calls.empty());
        session.Logout();
    }
    EXPECT_TRUE(CRasApi().IsConnected("Other ISP"));
    EXPECT_TRUE(ras.Log("RasHangUpA").empty());
}

TEST_F(SessionDialup, ADroppedLineEndsInARequestToLogOut)
{
    CSession session(host, network);
    ASSERT_EQ(session.Login(false), 1);
    ASSERT_TRUE(session.IsLoggedIn());
    EXPECT_TRUE(session.CheckDialup());
    CRasApi().HangUp(host.info.m_RasEntryName);
    EXPECT_FALSE(session.IsOnline());
    EXPECT_EQ(session.EnterRoom("http://rooms.test/1"), 0);
    EXPECT_EQ(host.logoutRequests, 1);
    ASSERT_FALSE(host.boxes.empty());
    CString dropped;
    dropped.LoadString(14625);
    EXPECT_EQ(host.boxes.back(), dropped.GetString());
    EXPECT_EQ(session.Dialup(), nullptr);
}

namespace {

// Answers the dialogs of this thread as a user would: OK in the login dialog, Dial in the connect
// dialog; then, when asked, cancels the running dial (as exit or log-out does).
struct DialogAnswers {
    bool loginSeen = false;
    bool dialClicked = false;
    bool cancelDuringDial = false;
    bool cancelled = false;

    void Answer()
    {
        ::EnumThreadWindows(::GetCurrentThreadId(), nvtest::AsEnumProc([this](HWND window, LPARAM) {
                                if (!::IsWindowVisible(window))
                                    return TRUE;
                                if (::GetDlgItem(window, IDC_LOGIN_PROVIDER) && !loginSeen) {
                                    loginSeen = true;
                                    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                                } else if (HWND dial = ::GetDlgItem(window, IDC_DIALUP_DIAL)) {
                                    if (!dialClicked && ::IsWindowEnabled(dial)) {
                                        dialClicked = true;
                                        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_DIALUP_DIAL, BN_CLICKED), 0);
                                    } else if (dialClicked && cancelDuringDial && !cancelled && CDialupDlg::RunningDial()) {
                                        cancelled = true;
                                        CDialupDlg::RunningDial()->RequestCancel();
                                    }
                                }
                                return TRUE;
                            }),
                            0);
    }
};

DialogAnswers* g_answers = nullptr;

} // namespace

TEST_F(SessionDialup, OnWindowsMeTheStoredEntryIsDialledAfterTheLoginDialog)
{
    network.SetVersionSource([](DWORD* platform, DWORD* major, DWORD* minor) {
        *platform = 1;
        *major = 4;
        *minor = 90;
        return true;
    });
    ASSERT_EQ(0u, ras.Script("dial|0,1,2,3,5,14,18,0x2000"));
    DialogAnswers answers;
    g_answers = &answers;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR, DWORD) {
                                          if (g_answers)
                                              g_answers->Answer();
                                      }));
    {
        CSession session(host, network);
        EXPECT_EQ(session.Login(true), 1) << session.GetLastError();
        EXPECT_TRUE(answers.loginSeen);
        EXPECT_TRUE(answers.dialClicked);
        EXPECT_TRUE(session.IsLoggedIn()) << session.GetLastError();
        EXPECT_TRUE(dialer.calls.empty()); // a stored entry, not the Internet dialer
        EXPECT_FALSE(ras.Log("RasDialA").empty());
        const CString entry = host.info.m_RasEntryName;
        EXPECT_TRUE(CRasApi().IsConnected(entry));
        session.Logout();
        EXPECT_FALSE(CRasApi().IsConnected(entry));
    }
    ::KillTimer(nullptr, timer);
    g_answers = nullptr;
}

TEST_F(SessionDialup, ADialCancelledByExitEndsTheLogInWithNothingLeftUp)
{
    network.SetVersionSource([](DWORD* platform, DWORD* major, DWORD* minor) {
        *platform = 1;
        *major = 4;
        *minor = 90;
        return true;
    });
    ASSERT_EQ(0u, ras.Script("dial|0,2,hold"));
    DialogAnswers answers;
    answers.cancelDuringDial = true;
    g_answers = &answers;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR, DWORD) {
                                          if (g_answers)
                                              g_answers->Answer();
                                      }));
    {
        CSession session(host, network);
        EXPECT_EQ(session.Login(false), 0);
        EXPECT_TRUE(answers.cancelled);
        EXPECT_FALSE(session.IsLoggedIn());
        EXPECT_EQ(CDialupDlg::RunningDial(), nullptr);
        EXPECT_FALSE(CRasApi().AnyActive(false));
    }
    ::KillTimer(nullptr, timer);
    g_answers = nullptr;
    EXPECT_EQ(host.info.m_state & 0x0FFF, 0);
}
