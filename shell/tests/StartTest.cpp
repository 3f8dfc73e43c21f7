// The main program starts under Wine, shows its window and ends cleanly when it is closed.
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

TEST(MainProgram, StartsShowsItsWindowAndEndsWhenClosed)
{
    std::string exe = nvtest::Env("NV_MAIN_EXE");
    ASSERT_FALSE(exe.empty()) << "NV_MAIN_EXE names the program";
    exe = nvtest::UnixToWindowsPath(exe);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << ::GetLastError();
    HWND window = nullptr;
    EXPECT_TRUE(nvtest::PumpUntil([&] { return (window = ::FindWindowA("Qelo_NimboVandrell", nullptr)) != nullptr; }, 20000));
    if (window) {
        nvtest::PumpUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 5000);
        nvtest::SaveWindowScreenshot(window, "main_program_started");
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
    DWORD waited = ::WaitForSingleObject(pi.hProcess, 20000);
    if (waited != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 99);
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), waited);
    EXPECT_EQ(0u, code);
}
