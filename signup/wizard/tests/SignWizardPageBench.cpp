// Benchmark (run by hand, not a test): how long the sign-up wizard takes from a Next press that
// needs no server request to the next page shown, under Wine. A stored login makes it a
// recovery, so page 1's Next goes straight to the login-data page and that page's Next to the
// verification page without a request. Prints every sample and the median of each step.
//   usage: build/win64/nv-wine build/win64/signup/signup_wizard_page_bench.exe <Unix path of VyrnSign.exe> [samples]
// (under xvfb-run; the program's dial-up library disabled: WINEDLLOVERRIDES=rasapi32=d)
#include "signup/wizard/tests/WizardDriver.h"

#include "resources/StringIds.h"
#include "signup/wizard/SignWizardIds.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace wizdrive;

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Presses a wizard button and waits until the page at index is the shown one; milliseconds, or
// -1 after five seconds.
double Step(HWND sheet, int button, int index)
{
    const double start = Now();
    ::PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    while (Now() - start < 5000) {
        HWND page = ActivePage(sheet);
        if (page && ::IsWindowVisible(page) && ActiveIndex(sheet) == index)
            return Now() - start;
        nvtest::PumpPending();
    }
    return -1;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <VyrnSign.exe (Unix path)> [samples]\n", argv[0]);
        return 2;
    }
    const int samples = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string setting = std::string("NV_BENCH_SIGNUP_EXE=") + argv[1];
    _putenv(setting.c_str());
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
    SetString("NetInfo", "LoginID", "bench001");
    Program program;
    if (!program.Start("NV_BENCH_SIGNUP_EXE")) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    HWND box = nullptr;
    nvtest::PumpUntil([&] { return (box = FindOf(program.Id(), LoadText(IDS_SU_NO_DIALUP_AT_START), true)) != nullptr; },
                      30000);
    if (box)
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    HWND sheet = nullptr;
    nvtest::PumpUntil([&] { return (sheet = FindOf(program.Id(), LoadText(IDS_SW_CAPTION), false)) != nullptr &&
                                   ActivePage(sheet) != nullptr; },
                      30000);
    if (!sheet) {
        std::fprintf(stderr, "no wizard:\n%s", Describe(program.Id()).c_str());
        return 1;
    }
    // Through once so that every page exists, with the fields that page 5 needs.
    if (Step(sheet, PSBTN_NEXT, 4) < 0)
        return 1;
    HWND page5 = ActivePage(sheet);
    ::SendMessageA(::GetDlgItem(page5, IDC_SW_LOGIN_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("benchpw"));
    ::SendMessageA(::GetDlgItem(page5, IDC_SW_COMM_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("bench"));
    std::vector<double> firstToLogin, loginToVerify;
    for (int i = 0; i < samples; ++i) {
        if (Step(sheet, PSBTN_BACK, 0) < 0)
            return 1;
        firstToLogin.push_back(Step(sheet, PSBTN_NEXT, 4));
        loginToVerify.push_back(Step(sheet, PSBTN_NEXT, 5));
        if (Step(sheet, PSBTN_BACK, 4) < 0)
            return 1;
    }
    std::printf("sample  page1->page5 ms  page5->page6 ms\n");
    for (int i = 0; i < samples; ++i)
        std::printf("%6d  %15.1f  %15.1f\n", i + 1, firstToLogin[i], loginToVerify[i]);
    std::printf("median  %15.1f  %15.1f   (target: under 100 ms)\n", Median(firstToLogin), Median(loginToVerify));
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
    return 0;
}
