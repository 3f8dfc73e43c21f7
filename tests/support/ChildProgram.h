// A program a test starts as a child process, and the top-level windows it shows.
#pragma once

#include "CallbackProc.h"
#include "WinTestSupport.h"

#include <string>

#include <windows.h>

namespace nvtest {

// The child ends (TerminateProcess, exit code 99) when the test lets go of it while it still runs.
class ChildProgram {
public:
    ChildProgram() = default;
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;
    ~ChildProgram()
    {
        if (Running())
            ::TerminateProcess(m_pi.hProcess, 99);
        if (m_pi.hProcess) {
            ::WaitForSingleObject(m_pi.hProcess, 5000);
            ::CloseHandle(m_pi.hThread);
            ::CloseHandle(m_pi.hProcess);
        }
    }

    // exe: a Windows path; args: the command line after the quoted program name.
    bool Start(const std::string& exe, const std::string& args = "")
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string commandLine = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
        return ::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                &m_pi) != FALSE;
    }
    DWORD Id() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }
    bool Running() const { return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    bool ExitCode(DWORD* code) const { return m_pi.hProcess && ::GetExitCodeProcess(m_pi.hProcess, code); }
    // Waits (pumping this thread's messages) for the end: the exit code, -1 when it runs on past ms.
    long WaitExit(DWORD ms = 20000)
    {
        if (!m_pi.hProcess || !PumpUntil([&] { return !Running(); }, ms))
            return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(m_pi.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION m_pi = {};
};

// The process's top-level windows (class, title, box text, visible or hidden), one a line, for a
// failure's report.
inline std::string DescribeTopWindows(DWORD pid)
{
    struct Walk {
        DWORD pid;
        std::string out;
    } walk{pid, {}};
    ::EnumWindows(AsEnumProc([](HWND window, LPARAM param) -> BOOL {
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

} // namespace nvtest
