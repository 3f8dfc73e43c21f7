// The main window's decisions without a window: button states, the timer machines, placement,
// banner rule, dock extent, start page, address filter, mail address, tip cuts, credit scroll.
#include "shell/common/services/MainWindowLogic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using namespace mainwnd;

namespace {

bool Has(const std::vector<unsigned>& v, unsigned id) { return std::find(v.begin(), v.end(), id) != v.end(); }

} // namespace

TEST(ButtonStates, EachCodeSwitchesExactlyItsButtons)
{
    struct Case {
        int code;
        std::set<unsigned> on, off;
        unsigned focus;
    };
    const std::set<unsigned> loggedOutOff = {1014, 1012, 1013, 1024, 1178, 1026, 1028};
    const std::set<unsigned> loggedOutOn = {1015, 1020, 1179, 1184};
    std::set<unsigned> loggedOutOn7 = loggedOutOn;
    loggedOutOn7.insert(1003);
    const Case cases[] = {
        {1, loggedOutOn, loggedOutOff, 1003},
        {2, {}, {1003}, 0},
        {3, {1003}, {}, 0},
        {4, {1012, 1013, 1015, 1020, 1024}, {}, 1012},
        {5, {}, {1178}, 0},
        {6, {1178}, {}, 0},
        {7, loggedOutOn7, loggedOutOff, 1003},
        {8, {1014, 1026, 1028}, {1003}, 0},
        {48, {}, {1012}, 0},
        {64, {1012}, {}, 0},
        {256, {}, {1013}, 0},
        {512, {1013}, {}, 0},
        {768, {}, {1024}, 0},
        {1024, {1024}, {}, 0},
        {1280, {}, {1020}, 0},
        {1536, {1020}, {}, 0},
        {4096, {}, {1015}, 0},
        {8192, {1015}, {}, 0},
    };
    for (const Case& c : cases) {
        ButtonStateEffect e;
        ASSERT_TRUE(ButtonStateFor(c.code, &e)) << c.code;
        EXPECT_EQ(c.on, std::set<unsigned>(e.enable.begin(), e.enable.end())) << "code " << c.code;
        EXPECT_EQ(c.off, std::set<unsigned>(e.disable.begin(), e.disable.end())) << "code " << c.code;
        EXPECT_EQ(c.focus, e.focus) << "code " << c.code;
        EXPECT_FALSE(Has(e.enable, 1182) || Has(e.disable, 1182)) << "settings is never switched by state";
        EXPECT_EQ(0u, e.startTimer + e.stopTimer) << c.code;
    }
}

TEST(ButtonStates, BlinkCodesDriveTimersAndUnknownCodesDoNothing)
{
    ButtonStateEffect e;
    ASSERT_TRUE(ButtonStateFor(16, &e));
    EXPECT_EQ(10u, e.startTimer);
    ASSERT_TRUE(ButtonStateFor(32, &e));
    EXPECT_EQ(10u, e.stopTimer);
    EXPECT_EQ(1012u, e.releaseHover);
    EXPECT_TRUE(e.onlineIcon);
    ASSERT_TRUE(ButtonStateFor(80, &e));
    EXPECT_EQ(11u, e.startTimer);
    ASSERT_TRUE(ButtonStateFor(96, &e));
    EXPECT_EQ(11u, e.stopTimer);
    EXPECT_EQ(1024u, e.releaseHover);
    EXPECT_FALSE(e.onlineIcon);
    for (int code : {0, 9, 17, 100, 2048, -1, 65536}) {
        EXPECT_FALSE(ButtonStateFor(code, &e)) << code;
        EXPECT_TRUE(e.enable.empty() && e.disable.empty() && !e.startTimer && !e.stopTimer);
    }
}

TEST(PollMachine, IntervalGivesSixTicksPerMinuteAndZeroMeansFiveMinutes)
{
    const struct {
        int minutes, reload;
    } cases[] = {{0, 30}, {-3, 30}, {1, 6}, {5, 30}, {59, 354}};
    for (auto c : cases) {
        PollMachine p;
        p.SetInterval(c.minutes);
        EXPECT_EQ(c.reload, p.Reload()) << c.minutes;
        // Exactly `reload` ready ticks pass before the poll queues its three requests.
        std::vector<uint16_t> got;
        int ticks = 0;
        while (got.empty() && ticks < 1000) {
            got = p.Tick(true, false, true);
            ++ticks;
        }
        EXPECT_EQ(c.reload, ticks) << c.minutes;
        EXPECT_EQ((std::vector<uint16_t>{2, 3, 32}), got);
        EXPECT_EQ(0, p.Pending());
        EXPECT_EQ(c.reload, p.Countdown());
    }
}

TEST(PollMachine, ALockHeldDefersTickByTickAndNotReadyOnlyReloads)
{
    PollMachine p;
    p.SetInterval(1);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(p.Tick(true, false, false).empty());
    // Due now, but another operation holds the lock: nothing is queued, the next tick retries.
    EXPECT_TRUE(p.Tick(true, true, false).empty());
    EXPECT_EQ(1, p.Countdown());
    EXPECT_EQ(0x7, p.Pending());
    EXPECT_TRUE(p.Tick(true, true, false).empty());
    EXPECT_EQ(1, p.Countdown()) << "each held tick retries at the next";
    // Free: without Flags 0x1 the URL list is not asked for.
    EXPECT_EQ((std::vector<uint16_t>{3, 32}), p.Tick(true, false, false));
    EXPECT_EQ(6, p.Countdown()) << "the countdown restarts only when the requests are queued";

    // A pending bit set by another window goes out at the next free tick.
    p.AddPending(kPendingFriendList);
    EXPECT_EQ((std::vector<uint16_t>{3}), p.Tick(true, false, true));
    // Not messaging ready: the countdown only reloads, pending bits wait.
    p.AddPending(kPendingUrlList);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(p.Tick(false, false, true).empty());
    EXPECT_EQ(6, p.Countdown());
    EXPECT_EQ(kPendingUrlList, p.Pending());
}

TEST(IdleMachine, FourUnmovedTicksWhileMessagingLogOut)
{
    IdleMachine idle;
    idle.Start(10, 10);
    EXPECT_FALSE(idle.Tick(10, 10, true));
    EXPECT_FALSE(idle.Tick(10, 10, true));
    EXPECT_FALSE(idle.Tick(10, 10, true));
    EXPECT_TRUE(idle.Tick(10, 10, true)) << "the fourth unmoved check";
    EXPECT_EQ(0, idle.Count());
    // A move restarts the count; ticks while not messaging count nothing.
    EXPECT_FALSE(idle.Tick(10, 10, true));
    EXPECT_FALSE(idle.Tick(11, 10, true));
    EXPECT_EQ(0, idle.Count());
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(idle.Tick(11, 10, false));
    EXPECT_FALSE(idle.Tick(11, 10, true));
    EXPECT_EQ(1, idle.Count());
}

TEST(Placement, SavedPositionsStayOnlyWhenTheWholeWindowFits)
{
    const Box work{0, 0, 1024, 738};
    const long w = 192, h = 288;
    const struct {
        const char* what;
        bool hasX;
        long x;
        bool hasY;
        long y;
        long wantX, wantY;
    } cases[] = {
        {"nothing saved", false, 0, false, 0, 206, 0},
        {"inside", true, 300, true, 200, 300, 200},
        {"at the left edge", true, 0, true, 0, 0, 0},
        {"touching right and bottom", true, 1024 - 192, true, 738 - 288, 832, 450},
        {"one pixel over the right", true, 1024 - 191, true, 10, 206, 10},
        {"far right", true, 5000, true, 10, 206, 10},
        {"negative", true, -50, true, -1, 206, 0},
        {"over the bottom", true, 100, true, 738 - 287, 100, 0},
        {"huge", true, 2147483000L, true, -2147483000L, 206, 0},
    };
    for (auto c : cases) {
        long x = -999, y = -999;
        PlaceMainWindow(work, w, h, c.hasX, c.x, c.hasY, c.y, &x, &y);
        EXPECT_EQ(c.wantX, x) << c.what;
        EXPECT_EQ(c.wantY, y) << c.what;
    }
    // A work area too narrow for width + 14: moved back by one width.
    long x = 0, y = 0;
    PlaceMainWindow(Box{100, 50, 450, 700}, 192, 288, false, 0, false, 0, &x, &y);
    EXPECT_EQ(100 + 192 + 14 - 192, x);
    EXPECT_EQ(50, y);
}

TEST(DockExtent, FieldsThreeAndFourWhenBothAreNumbers)
{
    const struct {
        const char* value;
        bool ok;
        long w, h;
    } cases[] = {
        {"0,0,192,288", true, 192, 288},
        {"-360,0,360,28:N", true, 360, 28},
        {"1,2,3,4,5", false, 0, 0}, // the fourth field runs to the end: "4,5" is no number
        {"0,192:D:96", false, 0, 0},
        {"0,0,192", false, 0, 0},
        {"0,0,,288", false, 0, 0},
        {"0,0,192,", false, 0, 0},
        {"", false, 0, 0},
        {",,,", false, 0, 0},
        {"0,0,x,288", false, 0, 0},
        {"0,0,0,288", false, 0, 0},
        {"0,0,-5,288", false, 0, 0},
        {"0,0,99999999999999999999,1", false, 0, 0},
        {"0,0, 192 , 288 ", true, 192, 288},
    };
    for (auto c : cases) {
        long w = -1, h = -1;
        bool ok = ParseDockExtent(c.value, &w, &h);
        EXPECT_EQ(c.ok, ok) << c.value;
        if (ok) {
            EXPECT_EQ(c.w, w) << c.value;
            EXPECT_EQ(c.h, h) << c.value;
        } else {
            EXPECT_EQ(-1, w) << "refused values leave the output alone: " << c.value;
        }
    }
    long w = 0, h = 0;
    EXPECT_FALSE(ParseDockExtent(nullptr, &w, &h));
}

TEST(BannerRule, PageInsideTheWindowAndClearOfEveryButton)
{
    const Box window{100, 100, 292, 388};
    const std::vector<Box> buttons = {{110, 128, 142, 152}, {110, 322, 142, 346}};
    const struct {
        const char* what;
        Box page;
        bool ok;
    } cases[] = {
        {"base skin place", {114, 160, 278, 314}, true},
        {"on the window's edge", {100, 160, 264, 314}, true},
        {"touching a button's edge", {114, 152, 278, 306}, true},
        {"over a button", {114, 150, 278, 304}, false},
        {"left outside", {99, 160, 263, 314}, false},
        {"below the window", {114, 240, 278, 394}, false},
        {"all zero", {0, 0, 0, 0}, false},
        {"empty", {114, 160, 114, 314}, false},
    };
    for (auto c : cases)
        EXPECT_EQ(c.ok, BannerRuleHolds(c.page, window, buttons)) << c.what;
}

TEST(StartPage, OemLinkHomePageSlashAndTheQ2Rule)
{
    const CString q2 = "q2 QELO";
    const struct {
        const char *oem, *home;
        bool q2Flag;
        const char *exe, *entry, *want;
    } cases[] = {
        {"http://oem/", "http://home", true, "NimboVandrell.exe", "q2 QELO", "http://oem/"},
        {"", "http://home", false, "NimboVandrell.exe", "", "http://home/"},
        {"", "http://home/", false, "NimboVandrell.exe", "", "http://home/"},
        {"", "http://home/", true, "NimboVandrell.exe", "q2 QELO", "http://home/q2index.html"},
        {"", "http://home/", true, "Q2NIMBOVANDRELL.EXE", "q2 QELO", "http://home/"},
        {"", "http://home/", true, "a.exe", "q2 QELO", "http://home/q2index.html"},
        {"", "http://home/", true, "NimboVandrell.exe", "other", "http://home/"},
        {"", "", false, "", "", "/"},
    };
    for (auto c : cases)
        EXPECT_STREQ(c.want, StartPageAddress(c.oem, c.home, c.q2Flag, c.exe, c.entry, q2).GetString()) << c.want;
}

TEST(VisitedAddresses, SearchPagePrefixFiltersAndEmptyFiltersNothing)
{
    EXPECT_FALSE(ShouldReportUrl("https://search.example/q?x", "https://search.example/"));
    EXPECT_TRUE(ShouldReportUrl("https://SEARCH.example/q", "https://search.example/")) << "case-sensitive";
    EXPECT_TRUE(ShouldReportUrl("https://search.ex", "https://search.example/")) << "shorter address";
    EXPECT_TRUE(ShouldReportUrl("http://any/", ""));
}

TEST(MailTo, EveryByteButUnreservedIsEncoded)
{
    EXPECT_STREQ("aZ09-._~", PercentEncode("aZ09-._~").GetString());
    EXPECT_STREQ("%0D%0A%26%25%23%20%2B%3D%3F%2F", PercentEncode("\r\n&%# +=?/").GetString());
    EXPECT_STREQ("%83%5C%82%A0", PercentEncode("\x83\x5C\x82\xA0").GetString()) << "CP932 bytes, trail 0x5C too";
    EXPECT_STREQ("mailto:?body=a%20b%0D%0Ac&subject=%96%B3", BuildMailTo("a b\r\nc", "\x96\xB3").GetString());
}

TEST(TipCut, KeepsWholeCharacters)
{
    std::string kana;
    for (int i = 0; i < 40; ++i)
        kana += "\x83\x41"; // 80 bytes of double-byte characters
    EXPECT_EQ(62, CutWholeChars(kana.c_str(), 63).GetLength()) << "never half a character";
    std::string mixed = "a" + kana;
    EXPECT_EQ(63, CutWholeChars(mixed.c_str(), 63).GetLength());
    EXPECT_STREQ("abc", CutWholeChars("abc", 63).GetString());
    EXPECT_STREQ("", CutWholeChars("abc", 0).GetString());
    EXPECT_EQ(15, CutWholeChars(("\xB1" + kana).c_str(), 16).GetLength()) << "half-width kana is one byte, then pairs";
}

TEST(CreditScroll, FourteenTicksPerLineAndTheEndAfterLine53)
{
    CreditScroll s;
    s.Reset();
    s.SetViewBottom(74);
    int ticks = 0;
    int lastLine = 0;
    while (s.Tick(200) == CreditScroll::Step::Scroll && ticks < 100000) {
        ++ticks;
        lastLine = s.Line();
        if (lastLine >= CreditScroll::kLastLine)
            EXPECT_GE(s.ViewBottom(), 1);
    }
    EXPECT_EQ(52, lastLine) << "53 lines at most, whatever the table holds";
    EXPECT_EQ(53 * 14 - 1, ticks);
    EXPECT_EQ(0, s.Line());
    EXPECT_EQ(1, s.TickInLine());
    // A shorter table ends after its own last line.
    s.Reset();
    ticks = 0;
    while (s.Tick(3) == CreditScroll::Step::Scroll)
        ++ticks;
    EXPECT_EQ(3 * 14 - 1, ticks);
}

TEST(CreditScroll, TheBottomShrinksByTenThenByOneNearTheEnd)
{
    CreditScroll s;
    s.Reset();
    s.SetViewBottom(74);
    while (s.Line() < CreditScroll::kLastLine)
        s.Tick(60);
    std::vector<int> bottoms = {s.ViewBottom()};
    for (int i = 0; i < 12; ++i) {
        s.Tick(60);
        bottoms.push_back(s.ViewBottom());
    }
    EXPECT_EQ((std::vector<int>{64, 54, 44, 34, 24, 14, 4, 3, 2, 1, 1, 1, 1}), bottoms);
}
