// Benchmark (run by hand under Wine): the main window family and the owner-drawn menu.
//  - a leader drag step that carries 10 family windows, against moving the same 11 windows with
//    one SetWindowPos each;
//  - one slide tick, and whole slides on the real 55 ms timers (against 4 x 55 ms);
//  - opening the 9-item mood menu (owner-drawn, with its side column) against a plain 9-item menu.
// usage: wine toolkit_family_bench.exe [iterations]
#include "toolkit/win/OwnerDrawMenu.h"
#include "toolkit/win/SkinFrameDialog.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

class CBenchFrame : public CSkinFrameDialog {
public:
    explicit CBenchFrame(DWORD style) : CSkinFrameDialog(IDD_SKIN_TEST, nullptr) { m_style = style; }
};

std::unique_ptr<CBenchFrame> Open(DWORD style, const char* bitmap, int x, int y)
{
    auto w = std::make_unique<CBenchFrame>(style);
    w->LoadSkin(bitmap, FALSE);
    w->Create(IDD_SKIN_TEST);
    w->SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    w->ShowWindow(SW_SHOWNOACTIVATE);
    return w;
}

struct Family {
    std::unique_ptr<CBenchFrame> leader;
    std::vector<std::unique_ptr<CBenchFrame>> members;
};

// A leader at (300, 200) with 2 drawers, 3 shown docked panels and 5 free windows touching it.
Family MakeFamily(CFakeSkin& skins, bool docking)
{
    Family f;
    f.leader = Open(docking ? DWORD{CSkinFrameDialog::kModeLeader} : 0, "leader.bmp", 300, 200);
    if (docking)
        skins.mainWindow = *f.leader;
    DWORD drawer = docking ? DWORD{CSkinFrameDialog::kModeDrawer} : 0;
    DWORD panel = docking ? DWORD{CSkinFrameDialog::kModePanel} : 0;
    DWORD freeMode = docking ? DWORD{CSkinFrameDialog::kModeFree} : 0;
    f.members.push_back(Open(drawer, "small.bmp", 305, 295));
    f.members.push_back(Open(drawer, "small.bmp", 305, 205));
    f.members.push_back(Open(panel, "small.bmp", 360, 210));
    f.members.push_back(Open(panel, "small.bmp", 330, 310));
    f.members.push_back(Open(panel, "small.bmp", 320, 250));
    for (int i = 0; i < 5; ++i)
        f.members.push_back(Open(freeMode, "small.bmp", 460, 200 + i * 40));
    if (docking) {
        for (int i = 0; i < 2; ++i) {
            f.members[i]->SetOrderOwner(f.leader.get());
            f.leader->AddListWindow(f.members[i].get());
        }
        for (int i = 2; i < 5; ++i) {
            f.members[i]->SetOrderOwner(f.leader.get());
            f.leader->AddDockedWindow(f.members[i].get());
        }
        for (int i = 5; i < 10; ++i)
            f.leader->AddFloatingWindow(f.members[i].get());
    }
    nvtest::PumpPending();
    return f;
}

POINT ClientPoint(HWND w, int screenX, int screenY)
{
    POINT p = {screenX, screenY};
    ::ScreenToClient(w, &p);
    return p;
}

double TimeDragSteps(CFakeSkin& skins, int steps)
{
    Family f = MakeFamily(skins, true);
    HWND leader = *f.leader;
    RECT r;
    ::GetWindowRect(leader, &r);
    POINT grab = ClientPoint(leader, r.left + 10, r.top + 10);
    ::SendMessageA(leader, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grab.x, grab.y));
    RECT before;
    ::GetWindowRect(*f.members[9], &before);
    auto start = Clock::now();
    for (int i = 0; i < steps; ++i) {
        int dx = (i % 2) ? -3 : 3;
        ::GetWindowRect(leader, &r);
        POINT p = ClientPoint(leader, r.left + 10 + dx, r.top + 10);
        ::SendMessageA(leader, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        nvtest::PumpPending();
    }
    double ms = Ms(Clock::now() - start) / steps;
    ::SendMessageA(leader, WM_LBUTTONUP, 0, 0);
    RECT after;
    ::GetWindowRect(*f.members[9], &after);
    if (after.left != before.left + ((steps % 2) ? 3 : 0))
        std::printf("  (the touching free window did not follow the drag)\n");
    skins.mainWindow = nullptr;
    return ms;
}

double TimePlainMoves(CFakeSkin& skins, int steps)
{
    Family f = MakeFamily(skins, false);
    std::vector<HWND> all = {*f.leader};
    for (auto& m : f.members)
        all.push_back(*m);
    auto start = Clock::now();
    for (int i = 0; i < steps; ++i) {
        int dx = (i % 2) ? -3 : 3;
        for (HWND w : all) {
            RECT r;
            ::GetWindowRect(w, &r);
            ::SetWindowPos(w, nullptr, r.left + dx, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        nvtest::PumpPending();
    }
    return Ms(Clock::now() - start) / steps;
}

void TimeSlides(CFakeSkin& skins, int iterations)
{
    Family f = MakeFamily(skins, true);
    skins.docks[950] = "5,95:D:90";
    CBenchFrame& drawer = *f.members[0];
    drawer.DockFromSkin(950);
    double worstTick = 0, total = 0;
    int ticks = 0;
    for (int i = 0; i < iterations; ++i) {
        drawer.ShowFromMain();
        while (drawer.GetRunningSlide()) {
            UINT_PTR timer = drawer.GetRunningSlide();
            auto start = Clock::now();
            drawer.SendMessage(WM_TIMER, timer);
            double ms = Ms(Clock::now() - start);
            worstTick = std::max(worstTick, ms);
            total += ms;
            ++ticks;
        }
    }
    std::printf("slide tick: %.3f ms on average, %.3f ms at worst (%d ticks; target under 5 ms)\n", total / ticks,
                worstTick, ticks);
    for (int i = 0; i < 4; ++i) {
        auto start = Clock::now();
        drawer.ShowFromMain();
        nvtest::PumpUntil([&drawer] { return drawer.GetRunningSlide() == 0; }, 5000);
        std::printf("slide %s on the real timers: %.0f ms (4 ticks x 55 ms = 220 ms)\n", i % 2 ? "back" : "out",
                    Ms(Clock::now() - start));
    }
    skins.mainWindow = nullptr;
}

// Owns the popup while it is open: closes it as soon as it waits for input.
class CMenuOwner : public CWnd {
public:
    Clock::time_point idleAt;
    bool idle = false;
    BOOL Create()
    {
        const char* cls = RegisterWindowClass("NvBenchMenuOwner");
        return CreateEx(0, cls, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU && !idle) {
            idleAt = Clock::now();
            idle = true;
            ::EndMenu();
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

double TimeMenuOpen(CMenu& menu, CMenuOwner& owner, int iterations)
{
    std::vector<double> times;
    for (int i = 0; i < iterations; ++i) {
        owner.idle = false;
        auto start = Clock::now();
        menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, 300, 200, owner);
        if (owner.idle)
            times.push_back(Ms(owner.idleAt - start));
    }
    if (times.empty())
        return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void TimeMenus(int iterations)
{
    // "オンライン", "離席", "取り込み中" and the other moods (code page 932).
    static const char* const moods[] = {"\x83\x49\x83\x93\x83\x89\x83\x43\x83\x93", "\x97\xA3\x90\xC8",
                                        "\x8E\xE6\x82\xE8\x8D\x9E\x82\xDD\x92\x86", "\x90\x48\x8E\x96\x92\x86",
                                        "\x93\x64\x98\x62\x92\x86", "\x89\xEF\x8B\x63\x92\x86",
                                        "\x88\xDA\x93\xAE\x92\x86", "\x8B\x78\x8C\x65\x92\x86",
                                        "\x83\x49\x83\x74\x83\x89\x83\x43\x83\x93"};
    CMenuOwner owner;
    owner.Create();
    COwnerDrawMenu mood;
    mood.SetSideBitmap(CFakeSkin::MakeDib(20, 120, [](int, int y) { return y < 60 ? 0x2040A0u : 0x10C060u; }));
    mood.SetSideColor(0x32FFFF);
    mood.SetItemCount(9);
    std::vector<OwnerDrawMenuItem> items(9);
    for (int i = 0; i < 9; ++i) {
        items[static_cast<std::size_t>(i)].text = moods[i];
        items[static_cast<std::size_t>(i)].checked = i == 0;
        mood.InsertItem(static_cast<UINT>(500 + i), &items[static_cast<std::size_t>(i)], static_cast<UINT>(-1));
    }
    CMenu plain;
    plain.CreatePopupMenu();
    for (int i = 0; i < 9; ++i)
        plain.AppendMenu(MF_STRING, static_cast<UINT_PTR>(600 + i), moods[i]);
    TimeMenuOpen(plain, owner, 2); // warm up fonts and classes
    double plainMs = TimeMenuOpen(plain, owner, iterations);
    double moodMs = TimeMenuOpen(mood, owner, iterations);
    std::printf("9-item mood menu opens in %.1f ms, a plain 9-item menu in %.1f ms: %.2fx (target under 100 ms, "
                "at most 2x)\n",
                moodMs, plainMs, plainMs > 0 ? moodMs / plainMs : 0.0);
    owner.DestroyWindow();
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    CFakeSkin skins;
    skins.AddBitmap("leader.bmp", CFakeSkin::MakeDib(160, 200, [](int, int) { return 0x3050A0u; }));
    skins.AddBitmap("small.bmp", CFakeSkin::MakeDib(100, 40, [](int, int) { return 0x808080u; }));

    TimeDragSteps(skins, 20); // warm up
    double drag = TimeDragSteps(skins, iterations);
    double plain = TimePlainMoves(skins, iterations);
    std::printf("leader drag step carrying 10 windows: %.3f ms; one SetWindowPos for each of the 11 windows: "
                "%.3f ms; %.2fx (target under 16 ms, at most 1.5x)\n",
                drag, plain, plain > 0 ? drag / plain : 0.0);
    TimeSlides(skins, std::max(1, iterations / 10));
    TimeMenus(std::max(5, iterations / 10));
    return 0;
}
