// Dial-up dialog figures under Wine (run by hand: build/win64/nv-wine with WINEDLLOVERRIDES=rasapi32=n,
// the stand-in rasapi32.dll beside this program):
//  1. how long a state change of the stand-in takes to reach the status box (20-state dials);
//  2. how long the connect, details and login dialogs take to show after DoModal, each beside a bare
//     CDialog on its template.
#include "net/dialup/DialupDetailDlg.h"
#include "net/dialup/DialupDlg.h"
#include "net/dialup/LoginDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "net/ras/DialupRules.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using ControlFn = DWORD(WINAPI*)(const char*);
LARGE_INTEGER g_frequency;
std::map<std::string, LONGLONG> g_textShownAt; // first time each text reached the status box
WNDPROC g_editProc = nullptr;

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Ms(LONGLONG ticks)
{
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(g_frequency.QuadPart);
}

class BenchHost : public INetDialogHost {
public:
    CNetInfo* GetNetInfo() override { return &info; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND, const CString&, unsigned) override { return IDOK; }
    int ShowMessageLogged(HWND, const CString&, unsigned) override { return IDOK; }
    void SetModalState(bool) override {}
    CNetInfo info;
};

LRESULT CALLBACK StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT)
        g_textShownAt.emplace(reinterpret_cast<const char*>(lParam), Now());
    return CallWindowProcA(g_editProc, window, message, wParam, lParam);
}

void CALLBACK DialWhenShown(HWND window, UINT, UINT_PTR timer, DWORD)
{
    if (IsWindowVisible(window)) {
        KillTimer(window, timer);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_DIALUP_DIAL, BN_CLICKED), 0);
    }
}

class ProbeDlg : public CDialupDlg {
public:
    using CDialupDlg::CDialupDlg;
    BOOL OnInitDialog() override
    {
        BOOL result = CDialupDlg::OnInitDialog();
        g_editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(GetDlgItem(IDC_DIALUP_STATUS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusProc)));
        ::SetTimer(m_hWnd, 1, 5, DialWhenShown);
        return result;
    }
};

// Time from DoModal to the dialog's WM_SHOWWINDOW, then it is cancelled.
LONGLONG g_modalCalledAt = 0, g_shownAt = 0;
HHOOK g_hook = nullptr;

LRESULT CALLBACK ShowHook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* msg = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code >= 0 && msg->message == WM_SHOWWINDOW && msg->wParam && !g_shownAt && (GetWindowLongA(msg->hwnd, GWL_STYLE) & WS_CAPTION)) {
        g_shownAt = Now();
        PostMessageA(msg->hwnd, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

template <class Make> std::vector<double> ShowTimes(int runs, Make make)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto dialog = make();
        g_shownAt = 0;
        g_modalCalledAt = Now();
        dialog->DoModal();
        if (g_shownAt)
            times.push_back(Ms(g_shownAt - g_modalCalledAt));
    }
    return times;
}

void Report(const char* name, std::vector<double> values)
{
    if (values.empty()) {
        std::printf("%-40s no samples\n", name);
        return;
    }
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))]; };
    std::printf("%-40s n=%zu median %.1f ms  p95 %.1f ms  max %.1f ms\n", name, values.size(), at(0.5), at(0.95),
                values.back());
}

} // namespace

int main()
{
    QueryPerformanceFrequency(&g_frequency);
    CRichEditCtrl::EnsureLoaded();
    HMODULE ras = LoadLibraryA("rasapi32.dll");
    auto control = ras ? reinterpret_cast<ControlFn>(reinterpret_cast<void*>(GetProcAddress(ras, "NvRasControl"))) : nullptr;
    if (!control) {
        std::printf("the stand-in rasapi32.dll is not loaded (WINEDLLOVERRIDES=rasapi32=n)\n");
        return 1;
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string log = std::string(temp) + "nv_dialup_bench.jsonl";
    BenchHost host;
    CMemoryProfile profile;
    host.info.SetProfileStore(&profile);
    host.info.Load("Signup", "NetInfo");
    host.info.m_PhoneNumber = "03-1234-5678";
    host.info.GetActiveSettings(true).modemName = "Standard Modem";
    netui::SetHost(&host);

    // 1. State changes to the status box: 20 states of distinct texts per dial.
    const std::vector<std::uint32_t> states = {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19, 20, 0x2000};
    std::string script = "dial|";
    for (std::uint32_t s : states)
        script += std::to_string(s) + ",";
    script.pop_back();
    std::vector<double> latencies;
    for (int run = 0; run < 10; ++run) {
        DeleteFileA(log.c_str());
        control("reset");
        control(("log|" + log).c_str());
        control("device|modem|Standard Modem");
        control("step_ms|150");
        control(script.c_str());
        g_textShownAt.clear();
        ProbeDlg dialog(0, nullptr);
        CString name;
        dialog.BuildEntry(&name);
        dialog.DoDial(name, false);
        FILE* file = std::fopen(log.c_str(), "rb");
        char line[2048];
        while (file && std::fgets(line, sizeof line, file)) {
            unsigned state = 0;
            long long qpc = 0;
            const char* s = std::strstr(line, "\"fn\":\"notify\"");
            if (!s || std::sscanf(std::strstr(line, "\"state\":"), "\"state\":%u", &state) != 1 ||
                std::sscanf(std::strstr(line, "\"qpc\":"), "\"qpc\":%lld", &qpc) != 1)
                continue;
            CString text;
            text.LoadString(ras::StateTextFor(state).stringId);
            auto shown = g_textShownAt.find(text.GetString());
            if (shown != g_textShownAt.end() && shown->second >= qpc)
                latencies.push_back(Ms(shown->second - qpc));
        }
        if (file)
            std::fclose(file);
    }
    Report("state change -> status box 1043", latencies);

    // 2. Showing the dialog.
    g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, ShowHook, nullptr, GetCurrentThreadId());
    control("reset");
    control("device|modem|Standard Modem");
    Report("CDialupDlg (295) shows after DoModal", ShowTimes(20, [] { return std::make_unique<CDialupDlg>(0, nullptr); }));
    Report("bare CDialog (295) shows after DoModal",
           ShowTimes(20, [] { return std::make_unique<CDialog>(static_cast<UINT>(IDD_DIALUP), nullptr); }));
    host.info.m_state |= CNetInfo::kDialupLibraryPresent;
    Report("CDialupDetailDlg (704) shows after DoModal",
           ShowTimes(20, [] { return std::make_unique<CDialupDetailDlg>(nullptr); }));
    Report("bare CDialog (704) shows after DoModal",
           ShowTimes(20, [] { return std::make_unique<CDialog>(static_cast<UINT>(IDD_DIALUP_DETAIL), nullptr); }));
    CRasApi service;
    Report("CLoginDlg (694) shows after DoModal",
           ShowTimes(20, [&] { return std::make_unique<CLoginDlg>(&service, nullptr); }));
    Report("bare CDialog (694) shows after DoModal",
           ShowTimes(20, [] { return std::make_unique<CDialog>(static_cast<UINT>(IDD_LOGIN), nullptr); }));
    UnhookWindowsHookEx(g_hook);
    netui::SetHost(nullptr);
    DeleteFileA(log.c_str());
    return 0;
}
