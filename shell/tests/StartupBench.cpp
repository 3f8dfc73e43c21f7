// Benchmark (run by hand through tools/bench-startup.sh, not a test): time from starting the
// program with a complete profile until its host loop runs (the instance window exists), median
// of five, beside the time Wine needs to start and end a trivial program.
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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::printf("usage: nv_startup_bench <NimboVandrell.exe> <trivial.exe>\n");
        return 2;
    }
    SetValue("NetInfo", "LoginID", "bench");
    SetValue("NetInfo", "Comm_id", "0123456789ABCDEF");
    std::vector<double> startup, trivial;
    for (int run = 0; run < 5; ++run) {
        PROCESS_INFORMATION pi = {};
        double begin = Now();
        if (!Start(argv[1], pi))
            return 1;
        HWND instance = nullptr;
        while (!(instance = ::FindWindowA("Qelo_NimboVandrell", nullptr))) {
            if (::WaitForSingleObject(pi.hProcess, 1) != WAIT_TIMEOUT || Now() - begin > 30000)
                return 1;
        }
        startup.push_back(Now() - begin);
        // Exit through the main window, as the tray menu does.
        HWND main = nullptr;
        while (!main && Now() - begin < 30000) {
            main = ::FindWindowExA(nullptr, nullptr, "#32770", "NimboVandrell");
            while (main && !::GetDlgItem(main, 1001))
                main = ::FindWindowExA(nullptr, main, "#32770", "NimboVandrell");
            if (!main)
                ::Sleep(1);
        }
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
        std::printf("run %d: start-up to host loop %.0f ms, trivial program %.0f ms\n", i + 1, startup[i], trivial[i]);
    std::printf("median: start-up to host loop %.0f ms, trivial program %.0f ms\n", Median(startup), Median(trivial));
    return 0;
}
