// The window cascade on scripted random numbers and on its own time-seeded generator.
#include "toolkit/core/WndCascade.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using skin::MakeRect;
using skin::Point;

namespace {

// Answers the numbers of its script in turn and records what was asked.
class ScriptedRandom : public ICascadeRandom {
public:
    explicit ScriptedRandom(std::deque<int> script) : m_script(std::move(script)) {}
    int Random(int n) override
    {
        asked.push_back(n);
        if (m_script.empty()) {
            ADD_FAILURE() << "the script ran out (asked for Random(" << n << "))";
            return 1;
        }
        int v = m_script.front();
        m_script.pop_front();
        return v;
    }
    std::vector<int> asked;

private:
    std::deque<int> m_script;
};

struct Crossing {
    std::vector<Point> points;
    std::vector<int> results;
};

// Calls NextPosition until the window has left (or 100000 calls, which is a failure: a one-pixel
// step over a window 5000 pixels tall takes about 10000).
Crossing Cross(CWndCascade& cascade)
{
    Crossing c;
    for (int i = 0; i < 100000; ++i) {
        Point p;
        int result = cascade.NextPosition(&p);
        c.points.push_back(p);
        c.results.push_back(result);
        if (result == CWndCascade::kLeftWorkArea)
            return c;
    }
    ADD_FAILURE() << "the window never left the work area";
    return c;
}

int Count(const std::vector<int>& v, int value)
{
    int n = 0;
    for (int x : v)
        n += x == value ? 1 : 0;
    return n;
}

TEST(Cascade, FirstCallStartsJustOutsideTheEdgeItEntersFrom)
{
    struct Case {
        const char* name;
        skin::Rect work;
        int w, h;
        std::deque<int> script; // direction, step divisor, row or column
        Point first;
        int stepX, stepY;
        std::vector<int> asked;
    } cases[] = {
        {"left: from beyond the right edge", MakeRect(0, 0, 1000, 800), 100, 50, {1, 5, 3}, {1090, 150}, 10, 20,
         {5, 10, 15}},
        {"right: from beyond the left edge", MakeRect(0, 0, 1000, 800), 100, 50, {2, 5, 3}, {-90, 150}, 10, 20,
         {5, 10, 15}},
        {"up: from below the bottom", MakeRect(0, 0, 1000, 800), 100, 50, {3, 2, 4}, {400, 800}, 25, 50,
         {5, 10, 9}},
        {"down: from above the top", MakeRect(0, 0, 1000, 800), 100, 50, {4, 2, 4}, {400, 0}, 25, 50,
         {5, 10, 9}},
        {"rows counted from a work area that starts lower", MakeRect(200, 100, 1224, 868), 100, 50, {2, 5, 3},
         {110, 250}, 10, 20, {5, 10, 14}},
        {"a window taller than half the area asks for row 0 of 0 rows", MakeRect(0, 0, 1000, 800), 100, 500,
         {1, 5, 1}, {1000, 500}, 100, 20, {5, 10, 0}},
        {"a window of no size still steps a pixel", MakeRect(0, 0, 1000, 800), 0, 0, {2, 9, 7}, {1, 0}, 1, 1,
         {5, 10, 800}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedRandom random(c.script);
        CWndCascade cascade(c.work, &random);
        cascade.SetWindowSize(c.w, c.h);
        Point p;
        EXPECT_EQ(cascade.NextPosition(&p), CWndCascade::kMoving);
        EXPECT_EQ(p, c.first);
        EXPECT_EQ(cascade.GetStepX(), c.stepX);
        EXPECT_EQ(cascade.GetStepY(), c.stepY);
        EXPECT_EQ(random.asked, c.asked);
    }
}

TEST(Cascade, ReportsTheMiddleOnceThenLeavesAndStartsAgain)
{
    ScriptedRandom random({2, 5, 3});
    CWndCascade cascade(MakeRect(0, 0, 1000, 800), &random);
    cascade.SetWindowSize(100, 50);
    Crossing c = Cross(cascade);
    ASSERT_EQ(Count(c.results, CWndCascade::kReachedMiddle), 1);
    std::size_t middle = 0;
    while (c.results[middle] != CWndCascade::kReachedMiddle)
        ++middle;
    EXPECT_EQ(c.points[middle].x, 500) << "the step that enters the band [500, 600]";
    EXPECT_EQ(c.points.back().x, 1010) << "it leaves once x passes the right edge";
    EXPECT_EQ(c.results.back(), CWndCascade::kLeftWorkArea);
    EXPECT_EQ(cascade.GetDirection(), CWndCascade::kChoose);
    EXPECT_FALSE(cascade.IsWrapped());
    EXPECT_EQ(cascade.GetPosition(), (Point{0, 0}));
}

TEST(Cascade, AStepWiderThanTheMiddleBandStillReportsIt)
{
    struct Case {
        const char* name;
        int direction;
        int w, h;
        int divisor;
    } cases[] = {
        // A tall narrow window moves sideways by its height: 750 px steps over a 100 px band.
        {"right", 2, 100, 750, 1},
        {"left", 1, 100, 750, 1},
        // A wide flat window moves up and down by its width.
        {"down", 4, 700, 50, 1},
        {"up", 3, 700, 50, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedRandom random({c.direction, c.divisor, 1});
        CWndCascade cascade(MakeRect(0, 0, 1000, 800), &random);
        cascade.SetWindowSize(c.w, c.h);
        Crossing crossing = Cross(cascade);
        EXPECT_EQ(Count(crossing.results, CWndCascade::kReachedMiddle), 1);
        EXPECT_EQ(crossing.results.back(), CWndCascade::kLeftWorkArea);
    }
}

TEST(Cascade, EveryWindowSizeCrossesInBoundedCalls)
{
    struct Case {
        int w, h;
    } cases[] = {{0, 0}, {0, 300}, {300, 0}, {1, 1}, {2000, 1500}, {5000, 40}, {0, 5000}};
    for (const Case& c : cases) {
        for (int direction = 1; direction <= 4; ++direction) {
            SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " direction " + std::to_string(direction));
            ScriptedRandom random({direction, 9, 1});
            CWndCascade cascade(MakeRect(-50, 20, 974, 788), &random);
            cascade.SetWindowSize(c.w, c.h);
            Crossing crossing = Cross(cascade);
            EXPECT_EQ(Count(crossing.results, CWndCascade::kReachedMiddle), 1);
            EXPECT_EQ(crossing.results.back(), CWndCascade::kLeftWorkArea);
        }
    }
}

TEST(Cascade, ANewDirectionFromHereKeepsThePositionAndSlowsAfterTheMiddle)
{
    ScriptedRandom random({1, 9});
    CWndCascade cascade(MakeRect(0, 0, 1000, 800), &random);
    cascade.SetWindowSize(100, 90);
    cascade.SetPosition(600, 300);
    cascade.SetWrapped(true);
    cascade.SetDirection(CWndCascade::kChooseHere);
    Point p;
    EXPECT_EQ(cascade.NextPosition(&p), CWndCascade::kMoving) << "the middle was reported before";
    EXPECT_EQ(cascade.GetDirection(), CWndCascade::kLeft);
    EXPECT_EQ(cascade.GetStepX(), 18) << "9 - 4 past the middle: 90 / 5";
    EXPECT_EQ(p, (Point{582, 300}));
}

TEST(Cascade, OwnGeneratorDrawsOneNumberPerSecondAndNeverZero)
{
    CTimeSeededRandom random([] { return std::time_t(1234567); });
    int first = random.Random(1000);
    EXPECT_EQ(random.Random(1000), first) << "reseeded with the same second";
    EXPECT_GE(first, 1);
    EXPECT_EQ(random.Random(0), 1);
    EXPECT_EQ(random.Random(-7), 1);
    EXPECT_EQ(random.Random(1), 1);
    for (std::time_t second = 0; second < 200; ++second) {
        CTimeSeededRandom at([second] { return second; });
        int v = at.Random(5);
        EXPECT_TRUE(v >= 1 && v <= 4) << v;
    }
}

TEST(Cascade, TwoCascadesStartedInTheSameSecondRunTheSameCourse)
{
    const std::time_t seconds[] = {0, 1, 86399, 1700000000};
    for (std::time_t second : seconds) {
        SCOPED_TRACE(std::to_string(static_cast<long long>(second)));
        CTimeSeededRandom clockA([second] { return second; });
        CTimeSeededRandom clockB([second] { return second; });
        CWndCascade a(MakeRect(0, 0, 1024, 738), &clockA);
        CWndCascade b(MakeRect(0, 0, 1024, 738), &clockB);
        a.SetWindowSize(120, 80);
        b.SetWindowSize(120, 80);
        Crossing ca = Cross(a);
        Crossing cb = Cross(b);
        EXPECT_EQ(ca.points, cb.points);
        EXPECT_EQ(ca.results, cb.results);
        EXPECT_EQ(Count(ca.results, CWndCascade::kReachedMiddle), 1);
    }
}

} // namespace
