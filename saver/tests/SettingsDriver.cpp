// Drives VyrnSaver.scr /c as a person would:
//   nv_saver_settings_driver SCR show                 prints the sliders' positions, then Cancel
//   nv_saver_settings_driver SCR ok|cancel COUNT SPEED moves the sliders, then OK or Cancel
// Exits with the saver's exit code, or 90+ when the dialog did not behave.
#include "tests/support/WinTestSupport.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (pid == search->processId && std::string(cls) == "#32770" && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 90;
    std::string mode = argv[2];
    std::string line = "\"" + nvtest::UnixToWindowsPath(argv[1]) + "\" /c";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 91;
    Search search = {pi.dwProcessId, nullptr};
    bool shown = nvtest::PumpUntil([&] { EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search)); return search.found != nullptr; }, 20000);
    int result = 92;
    if (shown) {
        HWND dlg = search.found;
        std::printf("count=%d speed=%d\n", static_cast<int>(SendDlgItemMessageA(dlg, 1001, TBM_GETPOS, 0, 0)),
                    static_cast<int>(SendDlgItemMessageA(dlg, 1002, TBM_GETPOS, 0, 0)));
        std::fflush(stdout);
        if (mode != "show" && argc >= 5) {
            SendDlgItemMessageA(dlg, 1001, TBM_SETPOS, TRUE, std::atoi(argv[3]));
            SendDlgItemMessageA(dlg, 1002, TBM_SETPOS, TRUE, std::atoi(argv[4]));
        }
        PostMessageA(dlg, WM_COMMAND, mode == "ok" ? IDOK : IDCANCEL, 0);
        if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0) {
            DWORD code = 93;
            GetExitCodeProcess(pi.hProcess, &code);
            result = static_cast<int>(code);
        } else {
            result = 94;
        }
    }
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}
