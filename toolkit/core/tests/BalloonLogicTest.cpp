// The popup balloon's lines, size, side, shape and colours.
#include "toolkit/core/BalloonLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using skin::MakeRect;
using skin::Point;

namespace {

const skin::Rect kWork = MakeRect(0, 0, 1024, 738);
const skin::Rect kAnchor = MakeRect(100, 100, 300, 200);

// "あ" in code page 932.
const std::string kA = "\x82\xA0";

TEST(Balloon, SizeFollowsTheLinesOfItsText)
{
    struct Case {
        const char* name;
        std::string text;
        int width, height;
        std::size_t lines;
    } cases[] = {
        {"10 bytes", std::string(10, 'x'), 100, 65, 1},
        {"empty", "", 40, 65, 1},
        {"28 bytes fill one line", std::string(28, 'x'), 208, 65, 1},
        {"29 bytes", std::string(29, 'x'), 208, 85, 2},
        {"56 bytes", std::string(56, 'x'), 208, 85, 2},
        {"57 bytes", std::string(57, 'x'), 208, 105, 3},
        {"a double-byte character at byte 28 goes to the next line", std::string(27, 'x') + kA, 208, 85, 2},
        {"fourteen wide characters fit", [] { std::string s; for (int i = 0; i < 14; ++i) s += kA; return s; }(),
         208, 65, 1},
        {"CR LF breaks the line", "abc\r\ndef", 208, 85, 2},
        {"a break at the end adds nothing", "abc\r\n", 58, 65, 1},
        {"LF alone and CR alone break too", "a\nb\rc", 208, 105, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        skin::BalloonLayout b = skin::LayOutBalloon(c.text, kAnchor, 1024, kWork);
        EXPECT_EQ(b.window.Width(), c.width);
        EXPECT_EQ(b.window.Height(), c.height);
        EXPECT_EQ(b.lines.size(), c.lines);
    }
}

TEST(Balloon, LinesAreCutBetweenCharactersAndKeepEveryByteButTheBreaks)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"ampersands are text", "A&B && C", {"A&B && C"}},
        {"the cut never splits a character", std::string(27, 'x') + kA + "yz", {std::string(27, 'x'), kA + "yz"}},
        {"a trail byte that looks like a backslash stays with its lead", std::string(27, 'x') + "\x95\x5C",
         {std::string(27, 'x'), "\x95\x5C"}},
        {"a lead byte at the end of the text is a character of its own", "ab\x82", {"ab\x82"}},
        {"a lead byte before a break does not swallow it", "ab\x82\r\ncd", {"ab\x82", "cd"}},
        {"empty lines between breaks stay", "a\r\n\r\nb", {"a", "", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(skin::CutBalloonLines(c.text), c.lines);
    }
}

TEST(Balloon, LongTextIsCappedToTheWorkArea)
{
    const skin::Rect small = MakeRect(0, 30, 800, 230); // 200 high: 65 + 20 x 6 = 185 fits, one more not
    skin::BalloonLayout b = skin::LayOutBalloon(std::string(1000, 'x'), MakeRect(10, 200, 60, 220), 800, small);
    EXPECT_EQ(b.lines.size(), 7u);
    EXPECT_EQ(b.window.Height(), 185);
    EXPECT_GE(b.window.top, small.top);
    EXPECT_LE(b.window.bottom, small.bottom) << "kept inside the work area from top to bottom";
}

TEST(Balloon, StandsRightOfTheAnchorUnlessTheScreenEndsFirst)
{
    skin::BalloonLayout right = skin::LayOutBalloon(std::string(10, 'x'), kAnchor, 1024, kWork);
    EXPECT_EQ(right.window, MakeRect(300, 120, 400, 185));
    EXPECT_FALSE(right.tailOnRight);
    EXPECT_EQ(right.ellipse, MakeRect(10, 0, 100, 65));
    EXPECT_EQ(right.tail[0], (Point{0, 22}));
    EXPECT_EQ(right.tail[1], (Point{15, 27}));
    EXPECT_EQ(right.tail[2], (Point{15, 37}));
    EXPECT_EQ(right.text, MakeRect(24, 25, 86, 39));

    skin::BalloonLayout left = skin::LayOutBalloon(std::string(10, 'x'), MakeRect(900, 100, 1000, 200), 1024, kWork);
    EXPECT_EQ(left.window, MakeRect(800, 120, 900, 185));
    EXPECT_TRUE(left.tailOnRight);
    EXPECT_EQ(left.ellipse, MakeRect(0, 0, 90, 65));
    EXPECT_EQ(left.tail[0], (Point{100, 22}));
    EXPECT_EQ(left.tail[1], (Point{85, 27}));
    EXPECT_EQ(left.tail[2], (Point{85, 37}));
    EXPECT_EQ(left.text, MakeRect(14, 25, 76, 39));

    // Exactly at the screen's edge still fits on the right.
    skin::BalloonLayout edge = skin::LayOutBalloon(std::string(10, 'x'), MakeRect(800, 100, 924, 200), 1024, kWork);
    EXPECT_FALSE(edge.tailOnRight);
    EXPECT_EQ(edge.window.right, 1024);

    // Two lines: the text rectangle holds both at 14 pixels apart.
    skin::BalloonLayout two = skin::LayOutBalloon(std::string(56, 'x'), kAnchor, 1024, kWork);
    EXPECT_GE(two.text.Height(), 2 * skin::kBalloonTextPitch);
}

TEST(Balloon, TextColourNeverVanishesIntoTheFill)
{
    struct Case {
        const char* name;
        std::uint32_t fill, text, frame, expected;
    } cases[] = {
        {"distinct colours stay", 0xFFFFFF, 0x000000, 0x0000FF, 0x000000},
        {"text like the fill takes the frame's", 0xC0FFFF, 0xC0FFFF, 0x004080, 0x004080},
        {"all three alike give the inverse", 0x123456, 0x123456, 0x123456, 0xEDCBA9},
        {"all white gives black", 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x000000},
        {"all black gives white", 0, 0, 0, 0xFFFFFF},
        {"text like the frame only stays", 0xFFFFFF, 0x00FF00, 0x00FF00, 0x00FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        skin::BalloonColors colors = skin::ResolveBalloonColors(c.fill, c.text, c.frame);
        EXPECT_EQ(colors.text, c.expected);
        EXPECT_EQ(colors.fill, c.fill);
        EXPECT_EQ(colors.frame, c.frame);
    }
}

} // namespace
