// Skin values: key colour, learned region lines, resize parts, titles, placements.
#include "toolkit/core/SkinEntries.h"

#include <gtest/gtest.h>

using skin::MakeRect;
using skin::Rect;

namespace {

TEST(SkinFields, QuotedFieldsKeepTheirDelimiters)
{
    EXPECT_EQ(skin::SplitFields("a:b::c", ':', 10), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(skin::SplitFields("\"x:y\":z", ':', 10), (std::vector<std::string>{"x:y", "z"}));
    EXPECT_EQ(skin::SplitFields("a:b:c:d", ':', 2), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(skin::SplitFields("a:", ':', 10), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(skin::SplitFields("", ':', 10), (std::vector<std::string>{""}));
}

TEST(KeyColor, TextOrDefault)
{
    struct Case {
        const char* text;
        std::uint32_t expected;
    } cases[] = {
        {"", 0xF9F400}, {"255,0,255", 0xFF00FF}, {"0,255,0", 0x00FF00}, {"1,2,3", 0x010203}, {"257,0,0", 0x010000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(skin::KeyColorFromText(c.text), c.expected);
    }
}

TEST(ColorRef, ExactlyThreeFields)
{
    std::uint32_t color = 7;
    EXPECT_TRUE(skin::ParseColorRef("255,0,128", &color));
    EXPECT_EQ(color, 255u + 65536u * 128u);
    color = 7;
    EXPECT_FALSE(skin::ParseColorRef("255,0", &color));
    EXPECT_EQ(color, 7u);
}

TEST(RegionValue, ReadsWhatTheTextHoldsNotWhatTheCountClaims)
{
    struct Case {
        const char* name;
        const char* value;
        bool ok;
        std::vector<Rect> rects;
    } cases[] = {
        {"plain", "2:0,0,10,5:2,5,8,9:", true, {MakeRect(0, 0, 10, 5), MakeRect(2, 5, 8, 9)}},
        {"count smaller than list", "1:0,0,10,5:2,5,8,9:", true, {MakeRect(0, 0, 10, 5)}},
        {"huge count bounded by the rectangles present", "2147483647:0,0,10,5:", true, {MakeRect(0, 0, 10, 5)}},
        {"count 0", "0:0,0,10,5:", false, {}},
        {"negative count", "-3:0,0,10,5:", false, {}},
        {"unparsable count", "x:0,0,10,5:", false, {}},
        {"no rectangles", "5:", false, {}},
        {"rectangle with three numbers", "1:0,0,10:", false, {}},
        {"empty rectangle", "1:5,5,5,9:", false, {}},
        {"outside the bitmap", "1:0,0,700,5:", false, {}},
        {"negative coordinates", "1:-4,0,10,5:", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Rect> rects = {MakeRect(9, 9, 9, 9)};
        EXPECT_EQ(skin::ParseRegionValue(c.value, 640, 480, &rects), c.ok);
        EXPECT_EQ(rects, c.rects);
    }
}

TEST(RegionLine, FormatRoundTripsAndEmptyListWritesNothing)
{
    std::vector<Rect> rects = {MakeRect(0, 0, 10, 5), MakeRect(2, 5, 8, 9)};
    std::string line = skin::FormatRegionLine("RGN_MAIN", rects);
    EXPECT_EQ(line, "RGN_MAIN=2:0,0,10,5:2,5,8,9:");
    std::vector<Rect> back;
    ASSERT_TRUE(skin::ParseRegionValue(line.substr(line.find('=') + 1), 0, 0, &back));
    EXPECT_EQ(back, rects);
    EXPECT_EQ(skin::FormatRegionLine("RGN_MAIN", {}), "");
    EXPECT_EQ(skin::FormatRegionLine("", rects), "");
}

TEST(ResizeParts, EdgesTakeDefaultsFromCornersGivenBefore)
{
    skin::ResizeParts parts;
    // TL 0,0,8,8  TR 24,0,8,8  top 8,0,16,8  BL 0,24,8,8  BR 24,24,8,8  bottom 8,24,16,8
    // left 0,8,8,16  right 24,8,8,16  band  fill
    skin::ParseResizeParts("0,0,8,8:24,0,8,8:8,0,16,8:0,24,8,8:24,24,8,8:8,24,16,8:0,8,8,16:24,8,8,16:0,8,32,24:"
                           "10,20,30",
                           32, 32, &parts);
    EXPECT_EQ(parts.top.a, 8);  // right of the top-left source
    EXPECT_EQ(parts.top.b, 0);
    EXPECT_EQ(parts.top.c, -8);
    EXPECT_EQ(parts.bottom.a, 8);
    EXPECT_EQ(parts.bottom.b, -8);
    EXPECT_EQ(parts.bottom.c, -8);
    EXPECT_EQ(parts.left.a, 0);
    EXPECT_EQ(parts.left.b, 8);
    EXPECT_EQ(parts.left.d, -8);
    EXPECT_EQ(parts.right.a, -8);
    EXPECT_EQ(parts.right.b, 8);
    EXPECT_EQ(parts.right.d, -8);
    EXPECT_EQ(parts.band, MakeRect(0, 8, 32, 24));
    EXPECT_TRUE(parts.hasFill);
    EXPECT_EQ(parts.fill, 10u + 256u * 20u + 65536u * 30u);
}

TEST(ResizeParts, ExplicitPlacementAndMissingBand)
{
    skin::ResizeParts parts;
    skin::ParseResizeParts("0,0,8,8::8,0,16,8,3,4,-5,0", 40, 30, &parts);
    EXPECT_EQ(parts.top.a, 3);
    EXPECT_EQ(parts.top.b, 4);
    EXPECT_EQ(parts.top.c, -5);
    EXPECT_TRUE(parts.topRight.IsEmpty()) << "an empty field leaves its piece empty";
    EXPECT_EQ(parts.band, MakeRect(0, 0, 40, 30));
    EXPECT_FALSE(parts.hasFill);
}

TEST(ResizeParts, PaintPlanTilesEdgesCutsTheLastTileAndDrawsCornersLast)
{
    skin::ResizeParts parts;
    skin::ParseResizeParts("0,0,8,8:24,0,8,8:8,0,16,8:0,24,8,8:24,24,8,8:8,24,16,8:0,8,8,16:24,8,8,16", 32, 32,
                           &parts);
    std::vector<skin::Blit> plan = skin::PlanResizePaint(parts, 50, 40);
    std::vector<skin::Blit> expected = {
        // top edge from x 8 to 42 in 16-wide tiles, last cut to 2
        {8, 0, 8, 0, 16, 8}, {24, 0, 8, 0, 16, 8}, {40, 0, 8, 0, 2, 8},
        // bottom edge on row 32
        {8, 32, 8, 24, 16, 8}, {24, 32, 8, 24, 16, 8}, {40, 32, 8, 24, 2, 8},
        // left edge from y 8 to 32
        {0, 8, 0, 8, 8, 16}, {0, 24, 0, 8, 8, 8},
        // right edge in column 42
        {42, 8, 24, 8, 8, 16}, {42, 24, 24, 8, 8, 8},
        // corners
        {0, 0, 0, 0, 8, 8}, {42, 0, 24, 0, 8, 8}, {0, 32, 0, 24, 8, 8}, {42, 32, 24, 24, 8, 8},
    };
    EXPECT_EQ(plan, expected);
}

TEST(Title, FieldsDefaultsAndMissingText)
{
    skin::Title t = skin::ParseTitle("MS UI Gothic:12:7:255,255,0:20,4:Hello");
    EXPECT_TRUE(t.present);
    EXPECT_EQ(t.face, "MS UI Gothic");
    EXPECT_EQ(t.height, 12);
    EXPECT_EQ(t.weight, 800);
    EXPECT_TRUE(t.italic);
    EXPECT_TRUE(t.underline);
    EXPECT_EQ(t.color, 0x00FFFFu);
    EXPECT_EQ(t.x, 20);
    EXPECT_EQ(t.y, 4);
    EXPECT_EQ(t.text, "Hello");

    skin::Title d = skin::ParseTitle("Face:::::Text");
    EXPECT_EQ(d.height, 14);
    EXPECT_EQ(d.weight, 400);
    EXPECT_EQ(d.color, 0u);
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.y, 5);

    EXPECT_FALSE(skin::ParseTitle("Face:20:1:255,0,0:1,1:").present) << "no text, no title";
    EXPECT_FALSE(skin::ParseTitle("").present);
}

TEST(Title, LongFaceIsCutBetweenCharacters)
{
    // 15 double-byte characters plus one: byte 31 would split the 16th character.
    std::string face;
    for (int i = 0; i < 16; ++i)
        face += "\x83\x41";
    skin::Title t = skin::ParseTitle(face + ":14:0:0,0,0:1,1:x");
    EXPECT_EQ(t.face.size(), 30u);
    std::string ascii(40, 'A');
    EXPECT_EQ(skin::ParseTitle(ascii + ":14:0:0,0,0:1,1:x").face.size(), 31u);
}

TEST(Placement, SizeDragFlagAndDockEntries)
{
    struct Case {
        const char* value;
        bool valid;
        Rect rect;
        bool hasSize;
        int noDrag;
    } cases[] = {
        {"10,20,300,200", true, MakeRect(10, 20, 310, 220), true, -1},
        {"10,20,300,200:N", true, MakeRect(10, 20, 310, 220), true, 1},
        {"10,20,300,200:D", true, MakeRect(10, 20, 310, 220), true, 0},
        {"-5,7:D:30", true, MakeRect(-5, 7, -5, 7), false, 0},
        {"", false, Rect{}, false, -1},
        {"abc", false, Rect{}, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        skin::Placement p = skin::ParsePlacement(c.value);
        EXPECT_EQ(p.valid, c.valid);
        if (c.valid) {
            EXPECT_EQ(p.rect, c.rect);
            EXPECT_EQ(p.hasSize, c.hasSize);
            EXPECT_EQ(p.noDrag, c.noDrag);
        }
    }
}

} // namespace
