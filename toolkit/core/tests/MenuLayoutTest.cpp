// The owner-drawn menu's item sizes, item parts and side column.
#include "toolkit/core/MenuLayout.h"

#include <gtest/gtest.h>

using skin::MakeRect;

namespace {

TEST(MenuLayout, ItemSizes)
{
    struct Case {
        const char* name;
        bool separator;
        skin::Size text;
        int side;
        int cx, cy;
    } cases[] = {
        {"separator", true, {80, 12}, 0, 24, 5},
        {"separator beside a side column", true, {0, 0}, 20, 44, 5},
        {"short text is as high as an icon", false, {50, 12}, 0, 74, 19},
        {"tall text", false, {50, 20}, 0, 74, 23},
        {"side column widens the item", false, {50, 12}, 21, 95, 19},
        {"empty item", false, {0, 0}, 0, 24, 19},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        skin::Size size = skin::MeasureMenuItem(c.separator, c.text, c.side);
        EXPECT_EQ(size.cx, c.cx);
        EXPECT_EQ(size.cy, c.cy);
    }
}

TEST(MenuLayout, PartsOfAnItem)
{
    struct Case {
        int left, side;
        int check, icon, face, separator;
    } cases[] = {
        {0, 0, 2, 20, 38, 0},
        {7, 0, 2, 20, 38, 7},
        {0, 21, 23, 41, 59, 21},
        {7, 21, 23, 41, 59, 28}, // the separator starts at L + W, not L + L + W
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + " " + std::to_string(c.side));
        skin::MenuItemLayout l = skin::LayOutMenuItem(MakeRect(c.left, 40, 150, 59), c.side);
        EXPECT_EQ(l.checkX, c.check);
        EXPECT_EQ(l.iconX, c.icon);
        EXPECT_EQ(l.face, MakeRect(c.face, 40, 150, 59));
        EXPECT_EQ(l.edge, MakeRect(c.face - 1, 42, 150, 57));
        EXPECT_EQ(l.separatorLeft, c.separator);
    }
}

TEST(MenuLayout, SideColumnIsBottomAlignedWithTheLastItem)
{
    struct Case {
        const char* name;
        int total, sideHeight;
        skin::Blit bitmap;
        skin::Rect fill;
    } cases[] = {
        {"items taller than the bitmap: colour above it", 176, 100, {3, 100, 0, 0, 20, 100}, MakeRect(3, 24, 23, 100)},
        {"bitmap taller than the items: its top part only", 60, 100, {3, 140, 0, 0, 20, 60}, skin::Rect()},
        {"exactly as tall", 100, 100, {3, 100, 0, 0, 20, 100}, skin::Rect()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        skin::SideColumnPlan plan = skin::PlanSideColumn(3, 200, c.total, 20, c.sideHeight);
        EXPECT_TRUE(plan.bitmap == c.bitmap);
        EXPECT_EQ(plan.fill, c.fill);
    }
    skin::SideColumnPlan none = skin::PlanSideColumn(0, 200, 100, 0, 0);
    EXPECT_EQ(none.bitmap.w, 0) << "no side bitmap, nothing painted";
    EXPECT_TRUE(none.fill.IsEmpty());
}

} // namespace
