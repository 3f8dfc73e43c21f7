// CSession over WinINet against the login_service peer, which CTest starts: UDP and TCP log-in and
// log-out, rooms, and what each of the peer's faults must end in. What the server saw is read from
// its request log; the peer logs every rule of the forms that a request broke as a "violation".
#include "net/session/Session.h"
#include "net/session/win/SessionNetwork.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

using namespace netsession;

namespace {

std::string ReadPeerFile(const char* suffix)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/login_service" + suffix),
                     std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string ServerUrl() { return "http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile(".port").c_str())); }

// Short time-outs, so that a peer that never answers ends the request within seconds.
class ShortTimeouts : public CDirectInternetSettings {
public:
    void SetupInternetHandle(HINTERNET session) override
    {
        CDirectInternetSettings::SetupInternetHandle(session);
        for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                             INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
            DWORD ms = 3000;
            ::InternetSetOptionA(session, option, &ms, sizeof ms);
        }
        DWORD retries = 1;
        ::InternetSetOptionA(session, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
    }
};

// Settings of the peer for the requests that follow. A case that broke a connection on purpose
// may leave WinINet's next request on the control path failing once: it is tried again.
void Control(const std::string& body)
{
    CString reply;
    std::uint32_t error = 0;
    bool sent = false;
    for (int attempt = 0; attempt < 3 && !sent; ++attempt)
        sent = HttpPostForm(ServerUrl().c_str(), "/_control", CString(body.c_str()), &reply, &error);
    ASSERT_TRUE(sent) << error;
}

// The log lines after the mark (a log size taken before).
std::string LogSince(std::size_t mark)
{
    const std::string log = ReadPeerFile(".log");
    return mark < log.size() ? log.substr(mark) : std::string();
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class HostDouble : public ISessionHost {
public:
    CNetInfo& NetInfo() override { return info; }
    std::string LoginPage() override { return loginPage; }
    std::string ChatLoginUrl() override { return loginPage; }
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
        text.Format("text %u", id);
        return text;
    }
    int ShowMessage(const CString&, unsigned, bool) override { return IDNO; }

    CNetInfo info;
    std::string loginPage;
    ChatRoomRecord room;
    IMsgClientLink* slot = nullptr;
    int logoutRequests = 0;
};

class SessionWin : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.loginPage = ServerUrl();
        host.info.m_LoginID = "user01";
        host.info.m_LoginPasswd = "p&w=+%1";
        host.info.SetConnectionSettings(true, 0, false, "", "", "", "");
        Control("reset=1&account=user01%3Ap%26w%3D%2B%251");
    }
    void UseTcp()
    {
        host.info.SetConnectionSettings(true, 1, false, "", "", "", "");
        Control("protocol=tcp");
    }

    HostDouble host;
    ShortTimeouts timeouts;
    CSessionNetwork network{host.info, timeouts};
};

} // namespace

TEST_F(SessionWin, UdpAndTcpLogInAndOutByTheFormRules)
{
    for (bool tcp : {false, true}) {
        SCOPED_TRACE(tcp ? "tcp" : "udp");
        if (tcp)
            UseTcp();
        const std::size_t mark = ReadPeerFile(".log").size();
        CSession session(host, network);
        ASSERT_EQ(session.Login(false), 1);
        ASSERT_TRUE(session.IsLoggedIn()) << session.GetLastError() << LogSince(mark);
        EXPECT_EQ(session.GetVersionWord(), tcp ? 0x311 : 0x301);
        EXPECT_EQ(host.info.m_state & 0x0FFF, CSession::kStateLan | CSession::kStateLoggedIn);
        EXPECT_EQ(session.Reply().session.rfind("0x1A2B3C", 0), 0u);
        session.Logout();
        EXPECT_FALSE(session.IsLoggedIn());
        EXPECT_EQ(host.info.m_state, 0);
        const std::string log = LogSince(mark);
        EXPECT_TRUE(Has(log, "\"kind\": \"logged-in\"")) << log;
        EXPECT_TRUE(Has(log, "\"kind\": \"logged-out\"")) << log;
        EXPECT_FALSE(Has(log, "\"kind\": \"violation\"")) << log;
        // The password with "&", "=", "+" and "%" arrived as it was typed.
        EXPECT_TRUE(Has(log, "\"password\": \"p&w=+%1\"")) << log;
    }
}

TEST_F(SessionWin, RoomsAreEnteredAndLeftWithTheLoginSession)
{
    const std::size_t mark = ReadPeerFile(".log").size();
    CSession session(host, network);
    ASSERT_EQ(session.Login(false), 1);
    ASSERT_TRUE(session.IsLoggedIn());
    ASSERT_EQ(session.EnterRoom("http://rooms.test/r/42?a=1&b=2+3"), 1) << session.LastResult();
    EXPECT_EQ(host.room.roomId, "R-32");
    EXPECT_EQ(host.room.chatServer, "127.0.0.1");
    EXPECT_EQ(host.room.chatPort, 6667);
    EXPECT_EQ(host.room.roomKey, "key-R-32");
    EXPECT_EQ(host.room.chatUserNumber, 0x2Au);
    EXPECT_EQ(host.room.roomUrl, "http://rooms.test/r/42?a=1&b=2+3");
    EXPECT_EQ(session.LeaveRoom(), 1);
    EXPECT_FALSE(session.IsInRoom());

    Control("room_switch=refuse");
    EXPECT_EQ(session.EnterRoom("http://rooms.test/other"), 0);
    EXPECT_EQ(session.LastResult(), 0x3001);
    Control("room_switch=other_session");
    EXPECT_EQ(session.EnterRoom("http://rooms.test/other"), 0);
    EXPECT_EQ(session.LastResult(), static_cast<int>(kRoomReplyBad));
    EXPECT_EQ(host.room.roomId, "R-32");
    Control("room_switch=none");
    session.Logout();
    const std::string log = LogSince(mark);
    EXPECT_TRUE(Has(log, "\"url\": \"http://rooms.test/r/42?a=1&b=2+3\"")) << log;
    EXPECT_TRUE(Has(log, "\"kind\": \"room-left\"")) << log;
    EXPECT_FALSE(Has(log, "\"kind\": \"violation\"")) << log;
}

TEST_F(SessionWin, EveryFaultOfTheServerEndsInAResultCode)
{
    struct Case {
        const char* what;
        const char* control;
        bool loggedIn;
        std::uint32_t lastError; // 0 with loggedIn false: any error but 0
    } cases[] = {
        {"refused", "refuse:2712", false, 0x2712},
        {"refused otherwise", "refuse:1f", false, 0x1F},
        {"iuser missing", "missing:iuser", false, kLoginReplyBad},
        {"server address missing", "missing:ufport", false, kLoginReplyBad},
        {"data server missing", "missing:exaddr", false, kLoginReplyBad},
        {"id in other case", "id_case", true, 0},
        {"another id", "id_other", false, kLoginReplyBad},
        {"no version", "no_version", false, kLoginReplyNoInfo},
        {"names inside a value", "name_in_value", true, 0},
        {"blanks in the session", "blanks", true, 0},
        {"moved", "status302", false, 0},
        {"not found", "status404", false, 404},
        {"server error", "status500", false, 500},
        {"over 8 KiB", "long", true, 0},
        {"trickled", "trickle", true, 0},
        {"closed mid-reply", "close_mid", false, 0},
        {"reset mid-reply", "reset_mid", false, 0},
        {"no reply", "no_reply", false, 0},
        {"garbage and NULs", "garbage", false, kLoginReplyNoInfo},
        {"address 300.1.2.3", "bad_addr", false, kLoginReplyBad},
        {"port 70000", "bad_port", false, kLoginReplyBad},
        {"closed in the request line", "misbehave:3", false, 0},
        {"closed in the headers", "misbehave:60", false, 0},
        {"closed in the body", "misbehave:230", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Control(std::string("switch=") + c.control);
        CSession session(host, network);
        EXPECT_EQ(session.Login(false), 1);
        EXPECT_EQ(session.IsLoggedIn(), c.loggedIn) << session.GetLastError();
        EXPECT_EQ(host.info.m_state & CSession::kStateLoggedIn, c.loggedIn ? 1 : 0);
        if (c.loggedIn || c.lastError)
            EXPECT_EQ(session.GetLastError(), c.lastError);
        else
            EXPECT_NE(session.GetLastError(), 0u);
        Control("switch=none");
        session.Logout();
        host.info.m_state = 0;
    }
}

TEST_F(SessionWin, AServerRootThatIsNoUrlEndsInAResultCode)
{
    for (const char* root : {"ftp://127.0.0.1/", "", "http://127.0.0.1:99999"}) {
        SCOPED_TRACE(root);
        host.loginPage = root;
        CSession session(host, network);
        EXPECT_EQ(session.Login(false), 1);
        EXPECT_FALSE(session.IsLoggedIn());
        EXPECT_EQ(session.GetLastError(), static_cast<std::uint32_t>(ERROR_INTERNET_INVALID_URL));
    }
}
