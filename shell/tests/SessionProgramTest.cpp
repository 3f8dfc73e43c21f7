// The real program logs in and out against the login_service peer (with its message server), driven
// through the main window's requests: 0x40C 0 logs in and starts the message client at the
// addresses of the reply, 0x40C 1 logs out, 0x40C 3 while logged in sends the log-out form before
// the process ends. What the servers saw is read from the peers' logs.
#include "tests/support/CallbackProc.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"
#include "shell/common/scrambler/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <wininet.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kProfile[] = "Software\\Qelo\\NimboVandrell";
const UINT kCommandRequest = 0x40C;

std::string ReadPeerFile(const char* name)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/" + name), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string ServerUrl()
{
    return "http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile("login_service.port").c_str()));
}

void SetValue(const char* section, const char* name, DWORD type, const void* data, DWORD size)
{
    std::string path = std::string(kProfile) + (*section ? "\\" : "") + section;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                               &key, nullptr));
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

void SetString(const char* section, const char* name, const std::string& value)
{
    SetValue(section, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SetDword(const char* section, const char* name, DWORD value)
{
    SetValue(section, name, REG_DWORD, &value, sizeof value);
}

// An account on the LAN whose servers are all the peer.
void SeedAccount()
{
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
    SetString("NetInfo", "LoginID", "user01");
    SetString("NetInfo", "LoginPasswd", scrambler::Scramble("pw01"));
    SetString("NetInfo", "Comm_id", "0123456789ABCDEF");
    SetString("NetInfo", "Comm_data", scrambler::Scramble("secret"));
    SetString("NetInfo", "ConnectType", "Lan");
    SetString("NetInfo", "Protocol", "udp");
    const std::string url = ServerUrl();
    for (const char* name : {"LoginPage", "URLChatLogin", "SearchPage", "ProfilePage", "MailPage", "ChargePage"})
        SetString("Servers", name, url);
    for (const char* name : {"HomePage", "TopPage"})
        SetString("Servers", name, "about:blank");
    SetString("", "HomePage", "about:blank");
    SetDword("", "QueryInterval", 0);
    SetDword("", "Flags", 0x21 | 0x40); // no greeting sound, no log-in at start
}

// Settings of the peer for the requests that follow.
void Control(const std::string& body)
{
    HINTERNET internet = ::InternetOpenA("nv-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const int port = std::atoi(ReadPeerFile("login_service.port").c_str());
    HINTERNET connection = ::InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port), nullptr,
                                              nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = ::HttpOpenRequestA(connection, "POST", "/_control", nullptr, nullptr, nullptr,
                                           INTERNET_FLAG_RELOAD, 0);
    const BOOL sent = ::HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()),
                                         static_cast<DWORD>(body.size()));
    EXPECT_TRUE(sent) << ::GetLastError();
    for (HINTERNET handle : {request, connection, internet})
        if (handle)
            ::InternetCloseHandle(handle);
}

class Program {
public:
    bool Start(const std::string& exe)
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string commandLine = "\"" + exe + "\"";
        return ::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                &m_pi) != FALSE;
    }
    DWORD Id() const { return m_pi.dwProcessId; }
    bool Running() const { return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    bool ExitCode(DWORD* code) const { return m_pi.hProcess && ::GetExitCodeProcess(m_pi.hProcess, code); }
    ~Program()
    {
        if (Running())
            ::TerminateProcess(m_pi.hProcess, 99);
        if (m_pi.hProcess) {
            ::WaitForSingleObject(m_pi.hProcess, 5000);
            ::CloseHandle(m_pi.hThread);
            ::CloseHandle(m_pi.hProcess);
        }
    }

private:
    PROCESS_INFORMATION m_pi = {};
};

HWND FindMainWindow(DWORD pid)
{
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    ::EnumWindows(nvtest::AsEnumProc([&search](HWND window, LPARAM) {
                      DWORD owner = 0;
                      ::GetWindowThreadProcessId(window, &owner);
                      if (owner == search.pid && ::GetDlgItem(window, IDC_MAIN_PAGE)) {
                          search.found = window;
                          return FALSE;
                      }
                      return TRUE;
                  }),
                  0);
    return search.found;
}

// The number of log lines of kind in the peer's log after mark bytes.
int Count(const char* log, std::size_t mark, const std::string& kind)
{
    const std::string text = ReadPeerFile(log);
    int count = 0;
    for (std::size_t at = mark; (at = text.find("\"kind\": \"" + kind + "\"", at)) != std::string::npos; ++at)
        ++count;
    return count;
}

} // namespace

TEST(SessionProgram, LogsInStartsTheMessageClientLogsOutAndLogsOutAtExit)
{
    SeedAccount();
    Control("reset=1");
    const std::size_t loginMark = ReadPeerFile("login_service.log").size();
    const std::size_t serverMark = ReadPeerFile("message_server.log").size();
    Program program;
    ASSERT_TRUE(program.Start(nvtest::UnixToWindowsPath(nvtest::Env("NV_MAIN_EXE"))));
    HWND main = nullptr;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (main = FindMainWindow(program.Id())) != nullptr; }, 30000));

    ::PostMessageA(main, kCommandRequest, 0, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-in") == 1; }, 30000))
        << ReadPeerFile("login_service.log").substr(loginMark);
    // The message client went to the message server at the reply's addresses, and the start page
    // was reported as visited (Flags bit 0x1).
    EXPECT_TRUE(nvtest::PumpUntil(
        [&] {
            const std::string log = ReadPeerFile("message_server.log");
            return log.size() > serverMark && log.find("\"type\": 259", serverMark) != std::string::npos &&
                   log.find("\"user\": \"7573657230310000", serverMark) != std::string::npos &&
                   log.find("\"type\": 18", serverMark) != std::string::npos; // the visited start page
        },
        30000))
        << ReadPeerFile("message_server.log").substr(serverMark);

    ::PostMessageA(main, kCommandRequest, 1, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-out") == 1; }, 30000))
        << ReadPeerFile("login_service.log").substr(loginMark);

    // Exit while logged in: the log-out form goes before the process ends.
    ::PostMessageA(main, kCommandRequest, 0, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-in") == 2; }, 30000));
    ::PostMessageA(main, kCommandRequest, 3, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !program.Running(); }, 30000));
    EXPECT_EQ(Count("login_service.log", loginMark, "logged-out"), 2);

    // The message server keeps the client waiting for its session answer: exit arrives while the
    // client's start waits, and the session goes only once that wait has returned.
    Program second;
    ASSERT_TRUE(second.Start(nvtest::UnixToWindowsPath(nvtest::Env("NV_MAIN_EXE"))));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (main = FindMainWindow(second.Id())) != nullptr; }, 30000));
    Control("message_session=silent");
    ::PostMessageA(main, kCommandRequest, 0, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-in") == 3; }, 30000));
    ::PostMessageA(main, kCommandRequest, 3, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !second.Running(); }, 60000));
    Control("message_session=0");
    DWORD code = 1;
    EXPECT_TRUE(second.ExitCode(&code));
    EXPECT_EQ(code, 0u); // ended, not crashed
    EXPECT_EQ(Count("login_service.log", loginMark, "logged-out"), 3);
    EXPECT_EQ(Count("login_service.log", loginMark, "violation"), 0) << ReadPeerFile("login_service.log").substr(loginMark);
}
