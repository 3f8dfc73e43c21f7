// The main window family's rules: groups, dock entries from skins, slide steps, the dock path and
// the touching test.
#include "toolkit/core/DockLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using skin::Point;

namespace {

TEST(WindowGroups, KeepEachWindowOnceAndNoMoreThanTheirSize)
{
    struct Case {
        const char* name;
        std::size_t capacity;
        std::vector<int> added;
        std::vector<int> members;
    } cases[] = {
        {"a window added twice is listed once", skin::kListGroupSize, {7, 7}, {7}},
        {"the sixth drawer is not added", skin::kListGroupSize, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5}},
        {"a full group still refuses after a duplicate", 2, {1, 2, 1, 3}, {1, 2}},
        {"members keep the order they came in", skin::kDockedGroupSize, {9, 3, 5}, {9, 3, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        skin::WindowGroup<int> group(c.capacity);
        for (int w : c.added)
            group.Add(w);
        EXPECT_EQ(group.Members(), c.members);
    }

    skin::WindowGroup<int> floating(skin::kFloatingGroupSize);
    for (int w = 0; w < 120; ++w)
        floating.Add(w);
    EXPECT_EQ(floating.Count(), 100u);
    EXPECT_FALSE(floating.Add(150));
    EXPECT_TRUE(floating.Remove(50)) << "removal reports that the window was found";
    EXPECT_FALSE(floating.Remove(50));
    EXPECT_EQ(floating.Members()[50], 51) << "later members move down into the gap";
    EXPECT_TRUE(floating.Add(150)) << "the freed place takes a new window";
    EXPECT_EQ(floating.Members().back(), 150);
}

TEST(DockEntry, ReadsOffsetLetterAndDistanceAndSurvivesBadSkins)
{
    struct Case {
        const char* value;
        bool hasOffset;
        Point offset;
        char letter;
        int distance;
    } cases[] = {
        {"0,192:D:96", true, {0, 192}, 'D', 96},
        {"192,0:R:200", true, {192, 0}, 'R', 200},
        {"-40,12:L:30", true, {-40, 12}, 'L', 30},
        {"5,6:U:9", true, {5, 6}, 'U', 9},
        {"10,20:P", true, {10, 20}, 'P', 0},
        {"10,20:P:50", true, {10, 20}, 'P', 0},
        {"10,20", true, {10, 20}, 0, 0},
        {"10,20:D", true, {10, 20}, 'D', 0},
        // A missing or non-numeric x or y leaves the window where it is; the rest still counts.
        {",20:D:30", false, {0, 0}, 'D', 30},
        {"10:D:30", false, {0, 0}, 'D', 30},
        {"x,20:D:30", false, {0, 0}, 'D', 30},
        {"", false, {0, 0}, 0, 0},
        // An unknown letter slides nothing.
        {"10,20:X:30", true, {10, 20}, 0, 0},
        {"10,20:d:30", true, {10, 20}, 0, 0},
        // Negative and non-numeric distances are 0, huge ones capped.
        {"10,20:D:-5", true, {10, 20}, 'D', 0},
        {"10,20:D:abc", true, {10, 20}, 'D', 0},
        {"10,20:D:99999999999999", true, {10, 20}, 'D', skin::kMaxSlideDistance},
        // A placement under the same key gives its x, y and no slide.
        {"0,290,192,200:N", true, {0, 290}, 0, 0},
        {"10,20,30,40:D", true, {10, 20}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        skin::DockEntry entry = skin::ParseDockEntry(c.value);
        EXPECT_EQ(entry.hasOffset, c.hasOffset);
        if (c.hasOffset) {
            EXPECT_EQ(entry.offset, c.offset);
        }
        EXPECT_EQ(entry.letter, c.letter);
        EXPECT_EQ(entry.distance, c.distance);
    }
}

// The moves of one slide-out, tick by tick (at most 100 ticks).
std::vector<int> SlideOut(int distance)
{
    std::vector<int> moves;
    int step = skin::SlideStep(distance);
    if (step == 0)
        return moves;
    int progress = 0;
    for (int tick = 0; tick < 100; ++tick) {
        skin::SlideOutTick t = skin::NextSlideOut(distance, step, progress);
        moves.push_back(t.move);
        progress += t.move;
        if (!t.more)
            break;
    }
    return moves;
}

TEST(Slide, OutCoversTheDistanceInThirdsThenWhatIsLeft)
{
    struct Case {
        int distance;
        std::vector<int> moves;
    } cases[] = {
        {30, {10, 10, 10, 0}},
        {31, {10, 10, 10, 1}},
        {32, {10, 10, 10, 2}},
        {3, {1, 1, 1, 0}},
        {2, {}},
        {0, {}},
        {-9, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        EXPECT_EQ(SlideOut(c.distance), c.moves);
    }
}

TEST(Slide, BackAlwaysLandsExactlyOnTheDock)
{
    struct Case {
        const char* name;
        Point from;
        Point dock;
        std::vector<Point> path;
    } cases[] = {
        {"thirds then the rest", {100, 50}, {100, 80}, {{100, 60}, {100, 70}, {100, 80}}},
        {"uneven distance cut at the dock", {0, 0}, {10, 0}, {{3, 0}, {6, 0}, {9, 0}, {10, 0}}},
        {"both axes, each its own step", {130, 60}, {100, 50}, {{120, 57}, {110, 54}, {100, 51}, {100, 50}}},
        {"below 3 pixels arrives at once", {2, -1}, {0, 0}, {{0, 0}}},
        {"one pixel away arrives", {0, 101}, {0, 100}, {{0, 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Point step = skin::SlideBackStep(c.from, c.dock);
        std::vector<Point> path;
        Point at = c.from;
        while (at != c.dock && path.size() < 50) {
            at = skin::NextSlideBack(at, c.dock, step);
            path.push_back(at);
        }
        EXPECT_EQ(path, c.path);
    }
    // Pushed past the dock in mid-slide: the step points away from it and the window lands.
    EXPECT_EQ(skin::NextSlideBack(Point{0, 120}, Point{0, 100}, Point{0, 10}), (Point{0, 100}));
}

TEST(Slide, DockPathFollowsTheLetterUpToTheDistance)
{
    const Point dock = {100, 50};
    struct Case {
        char letter;
        int distance;
        Point at;
        bool docked;
    } cases[] = {
        {'D', 30, {100, 50}, true},  {'D', 30, {100, 65}, true},  {'D', 30, {100, 80}, true},
        {'D', 30, {100, 81}, false}, {'D', 30, {100, 49}, false}, {'D', 30, {101, 60}, false},
        {'U', 30, {100, 20}, true},  {'U', 30, {100, 19}, false}, {'U', 30, {100, 60}, false},
        {'L', 30, {70, 50}, true},   {'L', 30, {85, 50}, true},   {'L', 30, {69, 50}, false},
        {'L', 30, {110, 50}, false}, {'R', 200, {300, 50}, true}, {'R', 200, {150, 50}, true},
        {'R', 200, {301, 50}, false}, {'R', 200, {300, 51}, false}, {'P', 30, {100, 50}, true},
        {'P', 30, {100, 60}, false}, {0, 0, {100, 50}, true},     {'D', 0, {100, 51}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.letter ? c.letter : '0') + " " + std::to_string(c.at.x) + "," +
                     std::to_string(c.at.y));
        EXPECT_EQ(skin::IsOnDockPath(c.at, dock, c.letter, c.distance), c.docked);
    }
}

TEST(Touching, OnlyAnEdgeExactlyOnTheLeadersCounts)
{
    const skin::Rect leader = skin::MakeRect(100, 100, 300, 400);
    struct Case {
        const char* name;
        skin::Rect window;
        bool touches;
    } cases[] = {
        {"left on the leader's right", skin::MakeRect(300, 150, 400, 250), true},
        {"left one pixel off", skin::MakeRect(301, 150, 401, 250), false},
        {"left on it but rows apart", skin::MakeRect(300, 401, 400, 500), false},
        {"only the corners meet", skin::MakeRect(300, 400, 400, 500), true},
        {"bottom on the leader's top", skin::MakeRect(120, 20, 220, 100), true},
        {"bottom one pixel above", skin::MakeRect(120, 19, 220, 99), false},
        {"top on the leader's bottom", skin::MakeRect(50, 400, 150, 480), true},
        {"right on the leader's left", skin::MakeRect(0, 390, 100, 500), true},
        {"right one pixel short", skin::MakeRect(0, 390, 99, 500), false},
        {"overlapping is not touching", skin::MakeRect(250, 150, 350, 250), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(skin::TouchesLeader(leader, c.window), c.touches);
    }
}

} // namespace
