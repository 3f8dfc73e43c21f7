// What the session's program test and its exit benchmark share: an account whose servers are
// all the login_service peer (NV_PEER_DIR), the peer's switches and logs, and the real program as
// a child process with its main window.
#pragma once

#include "tests/support/CallbackProc.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"
#include "shell/common/scrambler/PasswordScrambler.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace sessiontest {

constexpr char kProfile[] = "Software\\Qelo\\NimboVandrell";
constexpr UINT kCommandRequest = 0x40C;

inline std::string ReadPeerFile(const char* name)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/" + name), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

inline std::string ServerUrl()
{
    return "http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile("login_service.port").c_str()));
}

inline bool SetValue(const char* section, const char* name, DWORD type, const void* data, DWORD size)
{
    std::string path = std::string(kProfile) + (*section ? "\\" : "") + section;
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
    return true;
}

inline bool SetString(const char* section, const char* name, const std::string& value)
{
    return SetValue(section, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

inline bool SetDword(const char* section, const char* name, DWORD value)
{
    return SetValue(section, name, REG_DWORD, &value, sizeof value);
}

// An account on the LAN whose servers are all the peer.
inline bool SeedAccount()
{
    bool written = true;
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
    written = SetString("NetInfo", "LoginID", "user01") && written;
    written = SetString("NetInfo", "LoginPasswd", scrambler::Scramble("pw01")) && written;
    written = SetString("NetInfo", "Comm_id", "0123456789ABCDEF") && written;
    written = SetString("NetInfo", "Comm_data", scrambler::Scramble("secret")) && written;
    written = SetString("NetInfo", "ConnectType", "Lan") && written;
    written = SetString("NetInfo", "Protocol", "udp") && written;
    const std::string url = ServerUrl();
    for (const char* name : {"LoginPage", "URLChatLogin", "SearchPage", "ProfilePage", "MailPage", "ChargePage"})
        written = SetString("Servers", name, url) && written;
    for (const char* name : {"HomePage", "TopPage"})
        written = SetString("Servers", name, "about:blank") && written;
    written = SetString("", "HomePage", "about:blank") && written;
    written = SetDword("", "QueryInterval", 0) && written;
    written = SetDword("", "Flags", 0x21 | 0x40) && written; // no greeting sound, no log-in at start
    return written;
}

// Settings of the peer for the requests that follow.
inline DWORD Control(const std::string& body)
{
    HINTERNET internet = ::InternetOpenA("nv-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const int port = std::atoi(ReadPeerFile("login_service.port").c_str());
    HINTERNET connection = ::InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port), nullptr,
                                              nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = ::HttpOpenRequestA(connection, "POST", "/_control", nullptr, nullptr, nullptr,
                                           INTERNET_FLAG_RELOAD, 0);
    const BOOL sent = ::HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()),
                                         static_cast<DWORD>(body.size()));
    const DWORD error = sent ? 0 : ::GetLastError();
    for (HINTERNET handle : {request, connection, internet})
        if (handle)
            ::InternetCloseHandle(handle);
    return sent ? 0 : (error ? error : ERROR_INTERNET_INTERNAL_ERROR);
}

using Program = nvtest::ChildProgram;

inline HWND FindMainWindow(DWORD pid)
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
inline int Count(const char* log, std::size_t mark, const std::string& kind)
{
    const std::string text = ReadPeerFile(log);
    int count = 0;
    for (std::size_t at = mark; (at = text.find("\"kind\": \"" + kind + "\"", at)) != std::string::npos; ++at)
        ++count;
    return count;
}

} // namespace sessiontest
