// Benchmark (run by hand, not a test): the real main window on the base skin in this process,
// with its neighbours as skinned doubles. Prints the median of 20 for a tray click on the hidden
// program until the main window is visible, and for the skin command re-laying every window
// beside the main window's ReapplySkin alone.
// Usage (from the build folder): NV_UNLHA32=... NV_BASESKIN=... ./nv-wine shell/nv_main_window_bench.exe
#include "shell/tests/MainWindowTestEnv.h"

#include "shell/AppMessages.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    CClientApp app;
    app.m_Comm_id = "0123456789ABCDEF";
    mwtest::SkinEnvironment env;
    if (!env.SetUp()) {
        std::printf("no base skin (set NV_UNLHA32 and NV_BASESKIN)\n");
        return 1;
    }
    mwtest::Journal journal;
    mwtest::RecordingPeers peers(journal);
    SetMainPeers(&peers);
    auto base = nvtest::ReadFileBytes(nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN")));
    nvtest::WriteFileBytes(env.root + "\\Skin\\blue.csz", base);
    auto* main = new CMainDlg(nullptr);
    if (!main->Create())
        return 1;
    nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000);

    std::vector<double> click, relayAll, reapply;
    for (int i = 0; i < 20; ++i) {
        main->SendMessage(WM_APP_COMMAND_REQUEST, kAppHide, 0);
        nvtest::PumpPending();
        double begin = Now();
        ::PostMessageA(main->GetSafeHwnd(), WM_USER, 174, WM_LBUTTONDOWN);
        nvtest::PumpUntil([&] { return main->IsWindowVisible() != FALSE; }, 5000);
        click.push_back(Now() - begin);
    }
    for (int i = 0; i < 20; ++i) {
        double begin = Now();
        main->OnSkinMenu(i % 2 ? 3584 : 3586);
        relayAll.push_back(Now() - begin);
        begin = Now();
        main->ReapplySkin();
        reapply.push_back(Now() - begin);
    }
    std::printf("tray click to the main window visible: median %.1f ms (min %.1f, max %.1f) of 20\n", Median(click),
                *std::min_element(click.begin(), click.end()), *std::max_element(click.begin(), click.end()));
    std::printf("skin command re-laying every window: median %.1f ms of 20; ReapplySkin alone: median %.1f ms\n",
                Median(relayAll), Median(reapply));
    main->DestroyWindow();
    for (CWnd* w : CClientApp::Windows().Windows({kWindowErrorLog, kWindowErrorBalloon, kWindowNormalBalloon, kWindowCdPlayer,
                                                 kWindowPhone, kWindowVoiceClip, kWindowFriendList, kWindowUserList,
                                                 kWindowAddressBar, kWindowBrowser, kWindowChat}))
        w->DestroyWindow();
    SetMainPeers(nullptr);
    env.TearDown();
    return 0;
}
