// Shared ground of the library's Windows tests: a private working folder with its own
// nimbocall.ini, a clean registry key, the directory-server peer's ports and log, and a
// recorder for the QL_ callbacks.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "voip/qelo.h"

#include "tests/support/WinTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace qelotest {

struct Event {
    char what; // 's' status, 'e' error, 't' state, 'o' off-hook
    int kind;
    int code;
    std::string text;
    bool hasText;
};

class Recorder {
public:
    static Recorder& Get()
    {
        static Recorder recorder;
        return recorder;
    }
    void Add(const Event& event)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_events.push_back(event);
    }
    std::vector<Event> Events()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_events.clear();
    }
    std::vector<int> States()
    {
        std::vector<int> codes;
        for (const Event& e : Events())
            if (e.what == 't')
                codes.push_back(e.code);
        return codes;
    }
    bool HasState(int code)
    {
        std::vector<int> codes = States();
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }
    bool WaitState(int code, DWORD timeoutMs = 10000)
    {
        return nvtest::PumpUntil([&] { return HasState(code); }, timeoutMs);
    }
    std::string StateText(int code)
    {
        for (const Event& e : Events())
            if (e.what == 't' && e.code == code)
                return e.text;
        return {};
    }

private:
    std::mutex m_lock;
    std::vector<Event> m_events;
};

inline void __cdecl OnStatus(int kind, int code, const char* text)
{
    Recorder::Get().Add({'s', kind, code, text ? text : "", text != nullptr});
}
inline void __cdecl OnError(const char* text) { Recorder::Get().Add({'e', 0, 0, text ? text : "", text != nullptr}); }
inline void __cdecl OnState(int code, const char* text)
{
    Recorder::Get().Add({'t', 0, code, text ? text : "", text != nullptr});
}
inline void __cdecl OnOffhook(int off) { Recorder::Get().Add({'o', 0, off, "", false}); }

inline void InstallRecorder()
{
    QL_status = OnStatus;
    QL_error = OnError;
    QL_state = OnState;
    QL_offhook = OnOffhook;
}

inline void DeleteRegistryKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Pelorwave\\NimboCall");
}

// A fresh folder under the temporary folder; it becomes the current folder, so the library's
// nimbocall.ini is the test's own.
inline std::string EnterFreshFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "qelo-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    return folder;
}

inline void WriteIni(const std::string& folder, const std::map<std::string, std::string>& keys)
{
    std::ofstream ini(folder + "\\nimbocall.ini", std::ios::trunc);
    ini << "[nimbocall]\r\n";
    for (const auto& [key, value] : keys)
        ini << key << "=" << value << "\r\n";
}

inline std::uint16_t FreeUdpPort()
{
    // Its own start and clean-up: the library's PW_stop releases Windows Sockets as well.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    WSACleanup();
    return ntohs(address.sin_port);
}

// The directory-server peer that CTest started: its servers' ports and its request log.
inline std::string PeerFile(const char* suffix)
{
    return nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/voip_directory" + suffix);
}

inline std::vector<int> PeerPorts()
{
    std::ifstream file(PeerFile(".ports"));
    std::vector<int> ports;
    int port;
    while (file >> port)
        ports.push_back(port);
    return ports;
}

// Lines of the peer's log that hold every one of the given pieces.
inline int PeerLogCount(const std::vector<std::string>& pieces)
{
    std::ifstream file(PeerFile(".log"));
    std::string line;
    int count = 0;
    while (std::getline(file, line)) {
        bool all = true;
        for (const std::string& piece : pieces)
            all = all && line.find(piece) != std::string::npos;
        count += all ? 1 : 0;
    }
    return count;
}

inline std::string Quoted(const std::string& key, const std::string& value)
{
    return "\"" + key + "\": \"" + value + "\"";
}

inline std::string Numbered(const std::string& key, int value)
{
    return "\"" + key + "\": " + std::to_string(value);
}

} // namespace qelotest
