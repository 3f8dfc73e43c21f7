// Benchmark (run by hand through tools/bench-startup.sh, not a test): time from starting the
// program with a complete profile until its host loop runs (the instance window exists) and until
// the main window's initialisation has put its icon in the notification area (its tenth of sixteen
// steps; the rest start a timer and set button states), median
// of five, beside the time Wine needs to start and end a trivial program.
#include "tests/support/CallbackProc.h"
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void SetValue(const char* section, const char* name, const char* value)
{
    std::string path = std::string("Software\\Qelo\\NimboVandrell") + (*section ? "\\" : "") + section;
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
    ::RegCloseKey(key);
}

bool Start(const std::string& exe, PROCESS_INFORMATION& pi)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string line = "\"" + exe + "\"";
    return ::CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wine's notification icons on a display without a tray: windows of class "__winex11_tray_icon".
BOOL CALLBACK CountIcon(HWND window, LPARAM count)
{
    char cls[64] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) == "__winex11_tray_icon")
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int TrayIcons()
{
    int count = 0;
    ::EnumWindows(
        nvtest::AsEnumProc([](HWND top, LPARAM param) -> BOOL {
            CountIcon(top, param);
            ::EnumChildWindows(top, CountIcon, param);
            return TRUE;
        }),
        reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::printf("usage: nv_startup_bench <NimboVandrell.exe> <trivial.exe>\n");
        return 2;
    }
    SetValue("NetInfo", "LoginID", "bench");
    SetValue("NetInfo", "Comm_id", "0123456789ABCDEF");
    std::vector<double> startup, mainReady, trivial;
    for (int run = 0; run < 5; ++run) {
        PROCESS_INFORMATION pi = {};
        int iconsBefore = TrayIcons();
        double begin = Now();
        if (!Start(argv[1], pi))
            return 1;
        HWND instance = nullptr;
        while (!(instance = ::FindWindowA("Qelo_NimboVandrell", nullptr))) {
            if (::WaitForSingleObject(pi.hProcess, 1) != WAIT_TIMEOUT || Now() - begin > 30000)
                return 1;
        }
        startup.push_back(Now() - begin);
        // The main window (the one with the page control 1410) and its icon.
        HWND main = nullptr;
        for (;;) {
            main = nullptr;
            while ((main = ::FindWindowExA(nullptr, main, "#32770", nullptr)) != nullptr) {
                DWORD pid = 0;
                ::GetWindowThreadProcessId(main, &pid);
                if (pid == pi.dwProcessId && ::GetDlgItem(main, 1410))
                    break;
            }
            if ((main && TrayIcons() > iconsBefore) || Now() - begin > 30000)
                break;
        }
        mainReady.push_back(Now() - begin);
        // Exit through the main window, as the tray menu does.
        ::PostMessageA(main, 0x40C, 3, 0);
        ::WaitForSingleObject(pi.hProcess, 30000);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);

        begin = Now();
        if (!Start(argv[2], pi))
            return 1;
        ::WaitForSingleObject(pi.hProcess, 30000);
        trivial.push_back(Now() - begin);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    for (int i = 0; i < 5; ++i)
        std::printf("run %d: start-up to host loop %.0f ms, to the main window's end of initialisation %.0f ms, trivial program %.0f ms\n",
                    i + 1, startup[i], mainReady[i], trivial[i]);
    std::printf("median: start-up to host loop %.0f ms, to the main window's end of initialisation %.0f ms, trivial program %.0f ms\n",
                Median(startup), Median(mainReady), Median(trivial));
    return 0;
}
