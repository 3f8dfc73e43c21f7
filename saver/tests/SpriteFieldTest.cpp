#include "saver/SpriteField.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace {

using namespace saver;

class SeededRandom : public IRandom {
public:
    explicit SeededRandom(unsigned seed) : m_engine(seed) {}
    int Next() override { return static_cast<int>(m_engine() & 0x7FFF); }

private:
    std::mt19937 m_engine;
};

// Plays back fixed numbers (then zeros), for steps whose draws the test wants to choose.
class ScriptedRandom : public IRandom {
public:
    ScriptedRandom(std::initializer_list<int> values) : m_values(values) {}
    void Push(std::initializer_list<int> values) { m_values.insert(m_values.end(), values); }
    int Next() override
    {
        if (m_values.empty())
            return 0;
        int v = m_values.front();
        m_values.pop_front();
        return v;
    }

private:
    std::deque<int> m_values;
};

TEST(SaverSettings, StoredValuesAreClamped)
{
    struct Row { int stored; int count; int speed; int periodMs; };
    const Row rows[] = {
        {8, 5, 8, 250},  {9, 5, 9, 222},     {100, 5, 50, 40}, {50, 5, 50, 40}, {1, 1, 1, 2000},
        {0, 0, 0, 2000}, {-1, 0, 0, 2000},   {-2147483647 - 1, 0, 0, 2000},   {2147483647, 5, 50, 40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        EXPECT_EQ(row.count, ClampCount(row.stored));
        EXPECT_EQ(row.speed, ClampSpeed(row.stored));
        EXPECT_EQ(row.periodMs, FramePeriodMs(ClampSpeed(row.stored)));
    }
}

TEST(SpriteField, PlacedSpritesStartOnScreenAndNeverOverlap)
{
    SeededRandom random(12345);
    std::mt19937 sizes(99);
    for (int round = 0; round < 300; ++round) {
        int width = 640 + static_cast<int>(sizes() % 1400);
        int height = 480 + static_cast<int>(sizes() % 900);
        int count = 1 + static_cast<int>(sizes() % 5);
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " count " + std::to_string(count));
        SpriteField field(random);
        field.Start(count, 1, width, height, Rect{0, 0, width, height});
        ASSERT_EQ(count, field.Count());
        for (int i = 0; i < count; ++i) {
            const SpriteRecord& s = field.Sprite(i);
            EXPECT_TRUE(s.x >= 0 && s.x < width && s.y >= 0 && s.y < height);
            EXPECT_FALSE(s.dx == 0 && s.dy == 0);
            EXPECT_TRUE(s.dx >= -2 && s.dx <= 2 && s.dy >= -2 && s.dy <= 2);
            EXPECT_FALSE(field.OverlapsOther(i, s.x, s.y)) << "sprite " << i;
        }
        // Many frames later they still do not overlap and are on screen.
        for (int frame = 0; frame < 200; ++frame)
            for (int i = 0; i < count; ++i)
                field.Step(i);
        for (int i = 0; i < count; ++i) {
            EXPECT_FALSE(field.IsOutside(i));
            EXPECT_FALSE(field.OverlapsOther(i, field.Sprite(i).x, field.Sprite(i).y));
        }
    }
}

TEST(SpriteField, ATooSmallScreenDoesNotHangPlacement)
{
    SeededRandom random(7);
    SpriteField field(random);
    field.Start(5, 1, 320, 240, Rect{0, 0, 320, 240}); // room for two at most
    EXPECT_EQ(5, field.Count());
    for (int frame = 0; frame < 50; ++frame)
        for (int i = 0; i < 5; ++i)
            field.Step(i);
    SUCCEED() << "placement and movement finished";
    SpriteField tiny(random);
    tiny.Start(3, 1, 1, 1, Rect{0, 0, 1, 1});
    EXPECT_EQ(0, tiny.Sprite(2).x);
}

TEST(SpriteField, SpritesNotYetPlacedDoNotBlockTheCorner)
{
    // The first sprite draws (0, 0); the second must be free to take any place that does not
    // meet the first, even though the third is still waiting at (0, 0).
    ScriptedRandom random{0, 0, 0, 1, 3, /*second:*/ 0, 300, 300, 1, 3, /*third:*/ 0, 600, 0, 1, 3};
    SpriteField field(random);
    field.Start(3, 1, 1000, 1000, Rect{0, 0, 1000, 1000});
    EXPECT_EQ(0, field.Sprite(0).x);
    EXPECT_EQ(300, field.Sprite(1).x) << "placed at the first try";
    EXPECT_EQ(600, field.Sprite(2).x);
}

TEST(SpriteField, ASpriteBlockedSixFramesInARowJumpsElsewhere)
{
    // Sprite 0 at (0,0) moving right into sprite 1, which touches it at (208,0).
    ScriptedRandom random{0, 0, 0, 3, 2, /*second*/ 0, 208, 0, 1, 2};
    SpriteField field(random);
    field.Start(2, 1, 2000, 2000, Rect{0, 0, 2000, 2000});
    ASSERT_EQ(1, field.Sprite(0).dx);
    ASSERT_EQ(0, field.Sprite(0).dy);
    for (int frame = 1; frame <= 5; ++frame) {
        random.Push({3, 2}); // the new direction is right again: still blocked
        field.MoveSprite(0);
        EXPECT_EQ(frame, field.Sprite(0).blocked);
        EXPECT_EQ(0, field.Sprite(0).x);
    }
    random.Push({3, 2, /*new place*/ 0, 1000, 1000, 4, 4});
    field.MoveSprite(0);
    EXPECT_EQ(1000, field.Sprite(0).x);
    EXPECT_EQ(0, field.Sprite(0).blocked);
}

TEST(SpriteField, ASpritePushedOutsideReappearsAtAFreePlace)
{
    ScriptedRandom random{0, 0, 0, 0, 2}; // at (0,0), moving up-left (dx -2, dy 0)
    SpriteField field(random);
    field.Start(1, 1, 800, 600, Rect{0, 0, 800, 600});
    ASSERT_EQ(-2, field.Sprite(0).dx);
    int steps = 0;
    while (field.Sprite(0).x <= 0 && steps < 200) {
        if (field.Sprite(0).x == -206)
            random.Push({0, 500, 400, 3, 2});
        field.Step(0);
        ++steps;
    }
    EXPECT_EQ(500, field.Sprite(0).x);
    EXPECT_EQ(400, field.Sprite(0).y);
    EXPECT_FALSE(field.IsOutside(0));
}

TEST(ArrivalWatch, SwitchesOnceAfterMoreThanThePeriodWhenMessagesWait)
{
    struct Row { const char* name; int frameMs; unsigned waiting; int framesToSwitch; };
    const Row rows[] = {
        {"speed 8: 250 ms frames, the 121st frame passes 30 s", 250, 1, 121},
        {"speed 50: 40 ms frames", 40, 3, 751},
        {"no messages: never", 250, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ArrivalWatch watch;
        int reads = 0, switchedAt = -1;
        for (int frame = 1; frame <= 2000; ++frame) {
            if (watch.OnFrame(row.frameMs, [&] { ++reads; return row.waiting; })) {
                EXPECT_EQ(-1, switchedAt) << "switches only once";
                switchedAt = frame;
            }
        }
        EXPECT_EQ(row.framesToSwitch, switchedAt);
        EXPECT_EQ(row.waiting > 0, watch.Switched());
        if (row.waiting > 0) {
            EXPECT_EQ(1, reads) << "no more reads once switched";
        }
    }
}

TEST(ArrivalWatch, ReadsOnlyEveryPeriod)
{
    ArrivalWatch watch(1000);
    int reads = 0;
    for (int frame = 0; frame < 40; ++frame)
        watch.OnFrame(100, [&] { ++reads; return 0u; });
    EXPECT_EQ(3, reads) << "at 1100, 2200 and 3300 ms of frame time";
}

} // namespace
