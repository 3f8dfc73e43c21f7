// Driving the sign-up program under Wine from a test: the profile in the registry, the peer's
// port and log, the program as a child process, its windows and the wizard's pages and buttons.
#pragma once

#include "signup/tests/SignupTestProfile.h"
#include "tests/support/CallbackProc.h"
#include "tests/support/ChildProgram.h"
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

using signuptest::GetString;
using signuptest::kProfile;
using signuptest::LoadText;
using signuptest::SetString;
using signuptest::Unbroken;

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

// The program under test, named by an environment variable.
class Program : public nvtest::ChildProgram {
public:
    bool Start(const char* exeVariable = "NV_SIGNUP_EXE")
    {
        return ChildProgram::Start(nvtest::UnixToWindowsPath(nvtest::Env(exeVariable)));
    }
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

inline std::string Describe(DWORD pid) { return nvtest::DescribeTopWindows(pid); }

inline HWND ActivePage(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
inline int ActiveIndex(HWND sheet)
{
    return static_cast<int>(::SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(ActivePage(sheet)), 0));
}
inline HWND Button(HWND sheet, int id) { return ::GetDlgItem(sheet, id); }
inline bool Enabled(HWND sheet, int id) { return ::IsWindowEnabled(Button(sheet, id)) != FALSE; }

inline void PressNext(HWND sheet) { ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0); }

} // namespace wizdrive
