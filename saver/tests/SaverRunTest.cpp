// The real VyrnSaver.scr, started the way the system starts it: /s full screen and /p in a
// preview window.
#include "saver/tests/SaverPixels.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Process {
    PROCESS_INFORMATION info = {};
    bool started = false;
    ~Process()
    {
        if (started) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
        }
    }
    DWORD WaitExit(DWORD ms)
    {
        if (WaitForSingleObject(info.hProcess, ms) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = 1;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

bool Start(Process& p, const std::string& commandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string line = commandLine;
    p.started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info) != FALSE;
    return p.started;
}

// Runs Wine's reg.exe, as a person or the main program's installer would.
bool Reg(const std::string& arguments)
{
    Process p;
    if (!Start(p, "reg.exe " + arguments))
        return false;
    return p.WaitExit(30000) == 0;
}

std::string Scr() { return "\"" + nvtest::UnixToWindowsPath(nvtest::Env("NV_SAVER_SCR")) + "\""; }

const char kArrivalKey[] = "HKCU\\Software\\Qelo\\NimboVandrell";

TEST(SaverProgram, RunsFullScreenAndSwitchesPicturesWhenTheMainProgramReportsMessages)
{
    WritePrivateProfileStringA("VyrnScreenSaver", "Count", "4", "vyrnsaver.ini");
    WritePrivateProfileStringA("VyrnScreenSaver", "Speed", "50", "vyrnsaver.ini");
    Reg(std::string("delete ") + kArrivalKey + " /v MessageArrive /f");
    SetEnvironmentVariableA("NV_SAVER_CHECK_PERIOD_MS", "200");

    Process saver;
    ASSERT_TRUE(Start(saver, Scr() + " /s"));
    HWND window = nullptr;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (window = FindWindowA("WindowsScreenSaverClass", nullptr)) != nullptr; }, 20000));
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(screen.right, rect.right - rect.left) << "full screen";

    saver_test::ColourCounts seen;
    ASSERT_TRUE(nvtest::PumpUntil([&] { seen = saver_test::CountScreenColours(screen); return seen.cloudBlue > 2000; }, 20000));
    EXPECT_EQ(0, seen.envelopeOrange);
    EXPECT_EQ(0, seen.keyPurple);
    nvtest::SaveWindowScreenshot(window, "saver_run_before");

    ASSERT_TRUE(Reg(std::string("add ") + kArrivalKey + " /v MessageArrive /t REG_DWORD /d 2 /f"));
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        seen = saver_test::CountScreenColours(screen);
        return seen.envelopeOrange > 2000 && seen.cloudBlue == 0;
    }, 20000)) << "blue " << seen.cloudBlue << " orange " << seen.envelopeOrange;
    EXPECT_EQ(0, seen.keyPurple);
    nvtest::SaveWindowScreenshot(window, "saver_run_after");

    // A key press ends the saver.
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(0u, saver.WaitExit(20000));
    Reg(std::string("delete ") + kArrivalKey + " /v MessageArrive /f");
}

TEST(SaverProgram, PreviewRunsInsideTheGivenWindowAndIgnoresInput)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "NvPreviewParent";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, wc.lpszClassName, "preview", WS_POPUP | WS_VISIBLE, 100, 100, 320, 240, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, parent);

    Process saver;
    ASSERT_TRUE(Start(saver, Scr() + " /p " + std::to_string(reinterpret_cast<UINT_PTR>(parent))));
    HWND child = nullptr;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (child = FindWindowExA(parent, nullptr, "WindowsScreenSaverClass", nullptr)) != nullptr; }, 20000));
    RECT client, rect;
    GetClientRect(parent, &client);
    GetClientRect(child, &rect);
    EXPECT_EQ(client.right, rect.right);
    EXPECT_EQ(client.bottom, rect.bottom);

    // Delivered synchronously: when SendMessage returns the saver has seen the key.
    SendMessageA(child, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(child, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), saver.WaitExit(0)) << "a preview does not end on input";
    EXPECT_TRUE(IsWindow(child));
    nvtest::SaveWindowScreenshot(parent, "saver_preview");

    // Closing the preview's parent ends the saver.
    DestroyWindow(parent);
    EXPECT_EQ(0u, saver.WaitExit(20000));
}

} // namespace
