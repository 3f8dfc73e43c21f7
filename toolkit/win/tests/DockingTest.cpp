// The main window's family under Wine, laid out like the program's: a leader registered as the
// host's main window, two drawers, three docked panels (one standing on its own) and two free
// windows, none owned by another window. Mouse input is posted, slide ticks are sent as WM_TIMER,
// positions and the z-order are read back from the system.
#include "toolkit/win/SkinFrameDialog.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// Points compare and print in failure messages (found by lookup in the global namespace, where
// POINT lives).
static bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
static std::ostream& operator<<(std::ostream& os, const POINT& p) { return os << "(" << p.x << "," << p.y << ")"; }

namespace {

using Frame = CSkinFrameDialog;

// Skin keys of the dock entries (the program uses dialog ids).
enum : UINT { kDockFriend = 960, kDockUser, kDockPhone, kDockCd, kDockVoice };

class CFamilyFrame : public CSkinFrameDialog {
public:
    CFamilyFrame(const char* name, DWORD style) : CSkinFrameDialog(IDD_SKIN_TEST, nullptr), name(name) { m_style = style; }
    const char* name;
    // Every WM_MOVE, with the window's position when it came.
    nvtest::MessageSequence moves;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_MOVE) {
            RECT r;
            ::GetWindowRect(m_hWnd, &r);
            moves.Add(WM_MOVE, 0, MAKELPARAM(r.left, r.top));
        }
        return CSkinFrameDialog::WindowProc(message, wParam, lParam);
    }
    void OnActivate(UINT state, HWND other, BOOL minimised) { KeepZOrder(state, other, minimised); }
    POINT TopLeft() const
    {
        RECT r;
        ::GetWindowRect(m_hWnd, &r);
        return POINT{r.left, r.top};
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFamilyFrame, CSkinFrameDialog)
    ON_WM_ACTIVATE()
END_MESSAGE_MAP()


// Without a window manager Wine reads X's stacking back from the display's expose events and
// raises a window that X shows over one that Wine stacks higher; Wine restacks X windows only when
// one comes to the top, so after a window was put behind another those events reorder the windows
// at the next look at the display. Tests that read the z-order hand the mouse messages over
// directly (the same handlers run) and read the order before the display is looked at again.
bool g_direct = false;

void PostMouse(HWND w, UINT message, UINT flags, int screenX, int screenY)
{
    POINT p = {screenX, screenY};
    ::ScreenToClient(w, &p);
    if (g_direct) {
        ::SendMessageA(w, message, flags, MAKELPARAM(p.x, p.y));
        return;
    }
    ::PostMessageA(w, message, flags, MAKELPARAM(p.x, p.y));
    nvtest::PumpPending();
}

// What a click on the window answers about its activation.
LRESULT MouseActivate(HWND w)
{
    return ::SendMessageA(w, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
}

// Drags a window by (dx, dy) in steps as a mouse would, grabbing it 10 pixels inside.
void Drag(HWND w, int dx, int dy, int steps = 2)
{
    RECT r;
    ::GetWindowRect(w, &r);
    int x = r.left + 10, y = r.top + 10;
    PostMouse(w, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    for (int i = 1; i <= steps; ++i)
        PostMouse(w, WM_MOUSEMOVE, MK_LBUTTON, x + dx * i / steps, y + dy * i / steps);
    PostMouse(w, WM_LBUTTONUP, 0, x + dx, y + dy);
}

class FamilyTest : public ::testing::Test {
protected:
    CFakeSkin skins;
    CFamilyFrame leader{"leader", Frame::kModeLeader};
    CFamilyFrame friends{"friend list", Frame::kModeDrawer};
    CFamilyFrame users{"user list", Frame::kModeDrawer};
    CFamilyFrame phone{"phone", Frame::kModePanel};
    CFamilyFrame cd{"cd player", Frame::kModePanel};
    CFamilyFrame voice{"voice clips", Frame::kModePanel};
    CFamilyFrame touching{"free, touching", Frame::kModeFree};
    CFamilyFrame apart{"free, 1 px apart", Frame::kModeFree};

    std::vector<CFamilyFrame*> All() { return {&leader, &friends, &users, &phone, &cd, &voice, &touching, &apart}; }

    void SetUp() override
    {
        skins.AddBitmap("leader.bmp", CFakeSkin::MakeDib(160, 200, [](int, int) { return 0x3050A0u; }));
        skins.AddBitmap("drawer.bmp", CFakeSkin::MakeDib(150, 100, [](int, int) { return 0x40A050u; }));
        skins.AddBitmap("panel.bmp", CFakeSkin::MakeDib(100, 80, [](int, int) { return 0xA06030u; }));
        skins.AddBitmap("free.bmp", CFakeSkin::MakeDib(100, 100, [](int, int) { return 0x808080u; }));
        skins.docks[kDockFriend] = "5,95:D:110";
        skins.docks[kDockUser] = "5,5:U:110";
        skins.docks[kDockPhone] = "60,10:R:100";
        skins.docks[kDockCd] = "30,110:L:130";
        skins.docks[kDockVoice] = "-110,210:P";

        Open(leader, "leader.bmp", 300, 200);
        skins.mainWindow = leader;
        for (auto [drawer, key] : {std::pair{&friends, kDockFriend}, std::pair{&users, kDockUser}}) {
            Open(*drawer, "drawer.bmp", 0, 0);
            drawer->SetOrderOwner(&leader);
            drawer->DockFromSkin(key);
            leader.AddListWindow(drawer);
        }
        for (auto [panel, key] : {std::pair{&phone, kDockPhone}, std::pair{&cd, kDockCd}, std::pair{&voice, kDockVoice}}) {
            Open(*panel, "panel.bmp", 0, 0);
            panel->SetOrderOwner(&leader);
            panel->DockFromSkin(key);
        }
        Open(touching, "free.bmp", 460, 300);
        Open(apart, "free.bmp", 199, 200);
        leader.AddFloatingWindow(&touching);
        leader.AddFloatingWindow(&apart);
        nvtest::PumpPending();
        for (CFamilyFrame* w : All())
            w->moves.Clear();
    }

    void TearDown() override { g_direct = false; }

    void Open(CFamilyFrame& w, const char* bitmap, int x, int y)
    {
        ASSERT_TRUE(w.LoadSkin(bitmap, FALSE));
        ASSERT_TRUE(w.Create(IDD_SKIN_TEST));
        w.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        w.ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }

    // The test's own windows from the top of the z-order down (only the visible ones if asked).
    std::vector<std::string> ZOrder(bool visibleOnly = false)
    {
        std::vector<CFamilyFrame*> all = All();
        std::vector<std::string> order;
        for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT))
            for (CFamilyFrame* f : all)
                if (f->GetSafeHwnd() == w && (!visibleOnly || ::IsWindowVisible(w)))
                    order.push_back(f->name);
        return order;
    }
    static std::size_t Index(const std::vector<std::string>& order, const char* name)
    {
        return static_cast<std::size_t>(std::find(order.begin(), order.end(), name) - order.begin());
    }
    // Sends one slide tick and answers where the window stands afterwards.
    static POINT Tick(CFamilyFrame& w, UINT_PTR timer)
    {
        w.SendMessage(WM_TIMER, timer);
        return w.TopLeft();
    }
};

TEST_F(FamilyTest, LeaderDragCarriesItsFamilyEachWindowOnce)
{
    ASSERT_EQ(leader.GetListGroup().size(), 2u);
    ASSERT_EQ(leader.GetDockedGroup().size(), 3u);
    ASSERT_EQ(leader.GetFloatingGroup().size(), 2u);
    std::vector<POINT> before;
    for (CFamilyFrame* w : All())
        before.push_back(w->TopLeft());

    Drag(leader, 40, 25, 1);

    // The drawers, the panels with an order owner and the touching free window follow; the panel
    // on its own and the free window 1 pixel away stay.
    const std::vector<bool> follows = {true, true, true, true, true, false, true, false};
    std::vector<CFamilyFrame*> all = All();
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(all[i]->name);
        POINT expected = follows[i] ? POINT{before[i].x + 40, before[i].y + 25} : before[i];
        EXPECT_EQ(all[i]->TopLeft(), expected);
        std::string moves = all[i]->moves.Compare(
            follows[i] ? std::vector<nvtest::RecordedMessage>{{WM_MOVE, 0, MAKELPARAM(expected.x, expected.y)}}
                       : std::vector<nvtest::RecordedMessage>{});
        EXPECT_TRUE(moves.empty()) << moves;
    }
    EXPECT_FALSE(phone.IsFloating());
    EXPECT_FALSE(cd.IsFloating());
}

TEST_F(FamilyTest, DrawersAndShownPanelsStayRightBehindTheLeader)
{
    phone.ShowWindow(SW_SHOWNA);
    cd.ShowWindow(SW_SHOWNA);
    nvtest::PumpPending();
    // The free windows come between the leader and the rest of its family.
    ::SetWindowPos(leader, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(apart, leader, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(touching, leader, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    {
        std::vector<std::string> start = ZOrder(true);
        ASSERT_EQ(Index(start, "free, touching"), Index(start, "leader") + 1);
    }
    g_direct = true;
    Drag(leader, -30, 20, 3);
    // Among the shown windows (a hidden one stands anywhere; the display may also reorder the
    // overlapping windows behind the leader among themselves).
    std::vector<std::string> order = ZOrder(true);
    std::string seen;
    for (const std::string& n : order)
        seen += n + "; ";
    SCOPED_TRACE(seen);
    std::size_t top = Index(order, "leader");
    ASSERT_LT(top, order.size());
    // Right behind the leader: its drawers and shown docked panels, before any other window.
    std::vector<std::string> behind(order.begin() + static_cast<std::ptrdiff_t>(top) + 1,
                                    order.begin() + static_cast<std::ptrdiff_t>(std::min(order.size(), top + 5)));
    std::sort(behind.begin(), behind.end());
    EXPECT_EQ(behind, (std::vector<std::string>{"cd player", "friend list", "phone", "user list"}));
}

TEST_F(FamilyTest, SlidesMoveTickByTickAndComeBackExactly)
{
    const POINT dock = friends.TopLeft();
    EXPECT_EQ(dock, (POINT{305, 295}));
    EXPECT_TRUE(friends.IsAtDockPosition());
    friends.ShowFromMain();
    ASSERT_EQ(friends.GetRunningSlide(), Frame::kSlideOutTimer);
    std::vector<POINT> out;
    for (int i = 0; i < 4; ++i)
        out.push_back(Tick(friends, Frame::kSlideOutTimer));
    EXPECT_EQ(out, (std::vector<POINT>{{305, 331}, {305, 367}, {305, 403}, {305, 405}})) << "110 in thirds, then 2";
    EXPECT_EQ(friends.GetSlideProgress(), 110);
    EXPECT_EQ(friends.GetRunningSlide(), 0u);
    EXPECT_FALSE(friends.KillTimer(Frame::kSlideOutTimer)) << "no timer left behind";
    EXPECT_FALSE(leader.IsAtDockPosition(&friends));

    friends.ShowFromMain();
    ASSERT_EQ(friends.GetRunningSlide(), Frame::kSlideBackTimer);
    std::vector<POINT> back;
    while (friends.GetRunningSlide() && back.size() < 10)
        back.push_back(Tick(friends, Frame::kSlideBackTimer));
    EXPECT_EQ(back, (std::vector<POINT>{{305, 369}, {305, 333}, {305, 297}, {305, 295}}));
    EXPECT_TRUE(friends.IsAtDockPosition());
    EXPECT_FALSE(friends.KillTimer(Frame::kSlideBackTimer));

    // A slide back starting 2 pixels away still arrives.
    friends.SetWindowPos(nullptr, 305, 297, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    friends.ShowDocked();
    ASSERT_EQ(friends.GetRunningSlide(), Frame::kSlideBackTimer);
    EXPECT_EQ(Tick(friends, Frame::kSlideBackTimer), dock);
    EXPECT_EQ(friends.GetRunningSlide(), 0u);

    // One slide at a time: a slide back asked for in mid-slide replaces the slide out.
    users.ShowFromMain();
    Tick(users, Frame::kSlideOutTimer);
    users.ShowDocked();
    EXPECT_EQ(users.GetRunningSlide(), Frame::kSlideBackTimer);
    EXPECT_FALSE(users.KillTimer(Frame::kSlideOutTimer)) << "the slide out stopped";
    users.ShowFromMain();
    EXPECT_EQ(users.GetRunningSlide(), Frame::kSlideBackTimer) << "a click in mid-slide changes nothing";
    while (users.GetRunningSlide())
        Tick(users, Frame::kSlideBackTimer);
    EXPECT_TRUE(users.IsAtDockPosition());
}

TEST_F(FamilyTest, PanelSlidOutSidewaysStaysDockedWhenTheLeaderMoves)
{
    EXPECT_FALSE(phone.IsWindowVisible()) << "hidden at its dock";
    phone.ShowFromMain();
    EXPECT_TRUE(phone.IsWindowVisible());
    EXPECT_NE(::GetActiveWindow(), phone.GetSafeHwnd()) << "shown without activation";
    std::vector<POINT> out;
    while (phone.GetRunningSlide() && out.size() < 10)
        out.push_back(Tick(phone, Frame::kSlideOutTimer));
    EXPECT_EQ(out, (std::vector<POINT>{{393, 210}, {426, 210}, {459, 210}, {460, 210}}));

    Drag(leader, 15, -20);
    EXPECT_EQ(phone.TopLeft(), (POINT{475, 190})) << "carried along, slid out";
    EXPECT_FALSE(phone.IsFloating());
    EXPECT_FALSE(leader.IsFloatingWindow(&phone));
    EXPECT_EQ(std::count(leader.GetDockedGroup().begin(), leader.GetDockedGroup().end(), phone.GetSafeHwnd()), 1);

    phone.ShowFromMain();
    while (phone.GetRunningSlide())
        Tick(phone, Frame::kSlideBackTimer);
    EXPECT_EQ(phone.TopLeft(), (POINT{375, 190}));
    EXPECT_FALSE(phone.IsWindowVisible()) << "back at its dock, a panel hides";
}

TEST_F(FamilyTest, OneSlideRunsOnTheRealTimers)
{
    cd.ShowFromMain();
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(nvtest::PumpUntil([this] { return cd.GetRunningSlide() == 0; }, 5000));
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(cd.TopLeft(), (POINT{200, 310}));
    EXPECT_EQ(cd.GetSlideProgress(), 130);
    EXPECT_FALSE(cd.KillTimer(Frame::kSlideOutTimer));
    RecordProperty("slide_ms", static_cast<int>(ms));
    std::printf("cd slide-out of 130 px on real timers: %.0f ms (4 x 55 ms = 220 ms)\n", ms);
}

TEST_F(FamilyTest, PanelDraggedAwayFloatsAtTheBottomAndComesBack)
{
    g_direct = true;
    cd.ShowFromMain();
    while (cd.GetRunningSlide())
        Tick(cd, Frame::kSlideOutTimer);
    EXPECT_EQ(MouseActivate(cd), MA_NOACTIVATE) << "docked: no activation by a click";

    Drag(cd, -150, 200, 3);
    EXPECT_TRUE(cd.IsFloating());
    EXPECT_TRUE(leader.IsFloatingWindow(&cd));
    EXPECT_EQ(std::count(leader.GetDockedGroup().begin(), leader.GetDockedGroup().end(), cd.GetSafeHwnd()), 0);
    EXPECT_EQ(cd.TopLeft(), (POINT{50, 510}));
    EXPECT_EQ(ZOrder().back(), "cd player") << "undocked to the bottom of the z-order";
    EXPECT_EQ(MouseActivate(cd), MA_ACTIVATE) << "floating: activated by a click";

    Drag(cd, 30, 0);
    EXPECT_EQ(ZOrder().front(), "cd player") << "pressed while floating, it comes to the top";
    Drag(cd, -30, 0);

    Drag(leader, 20, 10);
    EXPECT_EQ(cd.TopLeft(), (POINT{50, 510})) << "a floating panel stays where it was put";
    EXPECT_TRUE(cd.IsFloating());

    cd.ShowDocked();
    while (cd.GetRunningSlide())
        Tick(cd, Frame::kSlideBackTimer);
    EXPECT_EQ(cd.TopLeft(), (POINT{350, 320}));
    EXPECT_FALSE(cd.IsFloating());
    EXPECT_FALSE(leader.IsFloatingWindow(&cd));
    EXPECT_FALSE(cd.IsWindowVisible());

    // Dragged away again and dropped back on its slide path: docked at once.
    cd.ShowWindow(SW_SHOWNA);
    Drag(cd, 0, 150);
    EXPECT_TRUE(cd.IsFloating());
    Drag(cd, -60, -150);
    EXPECT_EQ(cd.TopLeft(), (POINT{290, 320}));
    EXPECT_FALSE(cd.IsFloating()) << "dropped on its way out: docked";
    cd.SnapToDock();
    EXPECT_EQ(cd.TopLeft(), (POINT{350, 320}));
    EXPECT_FALSE(cd.IsWindowVisible());
}

TEST_F(FamilyTest, PanelOnItsOwnUsesTheTrayList)
{
    HWND h = voice.GetSafeHwnd();
    using Calls = std::vector<std::pair<bool, HWND>>;
    EXPECT_EQ(skins.trayCalls, (Calls{{false, h}})) << "docking from the skin takes it off the list";
    EXPECT_EQ(voice.GetOrderOwner(), nullptr) << "\"P\" clears the order owner";
    EXPECT_EQ(voice.TopLeft(), (POINT{190, 410}));
    voice.ShowFromMain();
    EXPECT_TRUE(voice.IsWindowVisible());
    EXPECT_EQ(ZOrder().front(), "voice clips") << "shown in front";
    EXPECT_EQ(voice.GetRunningSlide(), 0u) << "no slide";
    EXPECT_EQ(skins.trayCalls, (Calls{{false, h}, {true, h}}));
    voice.SnapToDock();
    EXPECT_FALSE(voice.IsWindowVisible());
    EXPECT_EQ(skins.trayCalls, (Calls{{false, h}, {true, h}, {false, h}}));
    voice.ShowFromMain();
    voice.DestroyWindow();
    EXPECT_EQ(skins.trayCalls.back(), (std::pair<bool, HWND>{false, h})) << "a destroyed window leaves the list";
}

TEST_F(FamilyTest, DestroyedMembersLeaveTheGroupsAndTheDragGoesOn)
{
    // A window that deletes itself when destroyed, as the program's windows do.
    struct CSelfDeleting : CFamilyFrame {
        CSelfDeleting() : CFamilyFrame("self-deleting", Frame::kModeFree) {}
        void PostNcDestroy() override { delete this; }
    };
    auto* passing = new CSelfDeleting;
    ASSERT_TRUE(passing->LoadSkin("free.bmp", FALSE));
    ASSERT_TRUE(passing->Create(IDD_SKIN_TEST));
    passing->SetWindowPos(nullptr, 460, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    leader.AddFloatingWindow(passing);
    HWND passingWindow = passing->GetSafeHwnd();
    ASSERT_EQ(leader.GetFloatingGroup().size(), 3u);

    users.DestroyWindow();
    passing->DestroyWindow(); // the object is gone now
    EXPECT_EQ(leader.GetListGroup(), (std::vector<HWND>{friends.GetSafeHwnd()}));
    EXPECT_EQ(std::count(leader.GetFloatingGroup().begin(), leader.GetFloatingGroup().end(), passingWindow), 0);
    EXPECT_EQ(leader.GetFloatingGroup().size(), 2u);

    POINT before = friends.TopLeft();
    Drag(leader, 10, 10);
    EXPECT_EQ(friends.TopLeft(), (POINT{before.x + 10, before.y + 10}));
    EXPECT_EQ(touching.TopLeft(), (POINT{470, 310}));
}

TEST_F(FamilyTest, FreeWindowLosingActivationGoesBehindTheLowestOfTheFamily)
{
    phone.ShowWindow(SW_SHOWNA);
    ::SetWindowPos(apart, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(ZOrder().front(), "free, 1 px apart");
    apart.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    std::vector<std::string> order = ZOrder();
    std::size_t lowestFamily = 0;
    for (const char* member : {"leader", "friend list", "user list", "phone", "cd player", "voice clips"})
        lowestFamily = std::max(lowestFamily, Index(order, member));
    EXPECT_EQ(Index(order, "free, 1 px apart"), lowestFamily + 1);
}

TEST_F(FamilyTest, DrawerClickTogglesItsSlideAndNeverActivates)
{
    g_direct = true;
    PostMouse(users, WM_LBUTTONDOWN, MK_LBUTTON, 320, 220);
    PostMouse(users, WM_LBUTTONUP, 0, 320, 220);
    EXPECT_EQ(users.GetRunningSlide(), Frame::kSlideOutTimer);
    EXPECT_NE(::GetActiveWindow(), users.GetSafeHwnd());
    // Right behind its owner, where only the other drawer may stand between them.
    std::vector<std::string> order = ZOrder();
    std::size_t leaderAt = Index(order, "leader"), userAt = Index(order, "user list");
    ASSERT_GT(userAt, leaderAt);
    for (std::size_t i = leaderAt + 1; i < userAt; ++i)
        EXPECT_EQ(order[i], "friend list");
    while (users.GetRunningSlide())
        Tick(users, Frame::kSlideOutTimer);
    EXPECT_EQ(users.TopLeft(), (POINT{305, 95}));
}

TEST_F(FamilyTest, WithoutALeaderNothingDocks)
{
    skins.mainWindow = nullptr;
    POINT before = phone.TopLeft();
    skins.docks[kDockPhone] = "0,0:D:30";
    phone.DockFromSkin(kDockPhone);
    phone.ShowFromMain();
    phone.SnapToDock();
    phone.ShowDocked();
    EXPECT_EQ(phone.TopLeft(), before);
    EXPECT_EQ(phone.GetRunningSlide(), 0u);
    EXPECT_FALSE(phone.IsAtDockPosition());
    EXPECT_EQ(phone.GetDockLetter(), 'R') << "the entry was not read";
}

TEST_F(FamilyTest, HidingToTheTrayAndBackShowsWhatWasShown)
{
    phone.ShowFromMain();
    std::vector<CFamilyFrame*> all = All();
    std::vector<bool> before;
    for (CFamilyFrame* w : all)
        before.push_back(w->IsWindowVisible() != FALSE);
    EXPECT_FALSE(before[4]) << "the cd player is hidden at its dock";
    leader.ShowAllGroups(FALSE);
    for (CFamilyFrame* w : all)
        EXPECT_FALSE(w->IsWindowVisible()) << w->name;
    leader.ShowAllGroups(TRUE);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i]->IsWindowVisible() != FALSE, before[i] || all[i] == &leader) << all[i]->name;
    EXPECT_EQ(ZOrder().front(), "leader");
}

TEST_F(FamilyTest, ScreenshotOfTheFamilySlidOut)
{
    for (CFamilyFrame* w : {&friends, &users, &phone, &cd}) {
        w->ShowFromMain();
        while (w->GetRunningSlide())
            Tick(*w, w->GetRunningSlide());
    }
    voice.ShowFromMain();
    nvtest::PumpPending();
    for (CFamilyFrame* w : All())
        ::RedrawWindow(*w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    nvtest::SaveWindowScreenshot(::GetDesktopWindow(), "toolkit_family");
    // Nothing overlaps: shaped windows are drawn right only alone.
    std::vector<CFamilyFrame*> all = All();
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            RECT a, b, both;
            ::GetWindowRect(*all[i], &a);
            ::GetWindowRect(*all[j], &b);
            EXPECT_FALSE(::IntersectRect(&both, &a, &b)) << all[i]->name << " and " << all[j]->name;
        }
}

} // namespace
