// Driving the sign-up program under Wine from a test: the profile in the registry, the peer's
// port and log, the program as a child process, its windows and the wizard's pages and buttons.
#pragma once

#include "tests/support/CallbackProc.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace wizdrive {

inline const char kProfile[] = "Software\\Qelo\\NimboVandrell";

inline std::string LoadText(UINT id)
{
    char text[1024] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

inline void SetString(const char* section, const char* name, const std::string& value)
{
    std::string path = std::string(kProfile) + (*section ? "\\" : "") + section;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                               &key, nullptr));
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}

inline std::string GetString(const char* section, const char* name)
{
    std::string path = std::string(kProfile) + "\\" + section;
    char value[512] = {};
    DWORD size = sizeof value - 1;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<none>";
    LONG status = ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : "<none>";
}

inline std::string PeerRoot()
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/signup_service.port"));
    int port = 0;
    in >> port;
    return "http://127.0.0.1:" + std::to_string(port);
}

inline std::string PeerLog()
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/signup_service.log"));
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

inline std::string Unbroken(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }), text.end());
    return text;
}

inline std::string TextOf(HWND window)
{
    // Asked of the control itself: another process's GetWindowText reads only the caption.
    // The rich edit reports no length across processes: a buffer as large as any page's text.
    const int length = 65535;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = static_cast<int>(::SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(length + 1),
                                                    reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<std::size_t>(std::max(0, got)));
    return text;
}

class Program {
public:
    // exeVariable: the environment variable naming the program.
    bool Start(const char* exeVariable = "NV_SIGNUP_EXE")
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string exe = nvtest::UnixToWindowsPath(nvtest::Env(exeVariable));
        std::string commandLine = "\"" + exe + "\"";
        return ::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi) !=
               FALSE;
    }
    DWORD Id() const { return m_pi.dwProcessId; }
    // The exit code once the program has ended, -1 when it runs on past timeoutMs.
    long WaitExit(DWORD timeoutMs = 20000)
    {
        if (!m_pi.hProcess || !nvtest::PumpUntil([&] { return !Running(); }, timeoutMs))
            return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(m_pi.hProcess, &code);
        return static_cast<long>(code);
    }
    bool Running() const { return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
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

struct Search {
    DWORD pid;
    std::string text;
    bool box;
    HWND found;
};

// A visible top-level window of the program: a message box by its text, else by its title.
inline HWND FindOf(DWORD pid, const std::string& text, bool box)
{
    Search search{pid, text, box, nullptr};
    ::EnumWindows(nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != s->pid || !::IsWindowVisible(window))
            return TRUE;
        char title[256] = {}, text[1024] = {};
        ::GetWindowTextA(window, title, sizeof title);
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        // The wizard: the window with the Next button.
        const bool wizard = !s->box && ::GetDlgItem(window, 0x3024) != nullptr;
        if ((s->box && Unbroken(text) == Unbroken(s->text)) || wizard) {
            s->found = window;
            return FALSE;
        }
        return TRUE;
    }), reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program's windows (class, title, box text), for a failure's report.
inline std::string Describe(DWORD pid)
{
    struct Walk {
        DWORD pid;
        std::string out;
    } walk{pid, {}};
    ::EnumWindows(nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != w->pid)
            return TRUE;
        char cls[64] = {}, title[256] = {}, text[1024] = {};
        ::GetClassNameA(window, cls, sizeof cls);
        ::GetWindowTextA(window, title, sizeof title);
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        w->out += std::string(cls) + " '" + title + "' '" + text + "'" + (::IsWindowVisible(window) ? " visible\n" : " hidden\n");
        return TRUE;
    }), reinterpret_cast<LPARAM>(&walk));
    return walk.out;
}

inline HWND ActivePage(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
inline int ActiveIndex(HWND sheet)
{
    return static_cast<int>(::SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(ActivePage(sheet)), 0));
}
inline HWND Button(HWND sheet, int id) { return ::GetDlgItem(sheet, id); }
inline bool Enabled(HWND sheet, int id) { return ::IsWindowEnabled(Button(sheet, id)) != FALSE; }

inline void PressNext(HWND sheet) { ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0); }

} // namespace wizdrive
