// Shapes cut from bitmap rows, and the rectangle arithmetic of resizing, anchors and grips.
#include "toolkit/core/SkinGeometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using skin::Rect;
using skin::MakeRect;

namespace {

const std::uint32_t K = skin::kDefaultKeyColor;
const std::uint32_t P = 0x123456;

// Rows drawn as text: '#' an opaque pixel, '.' the key colour.
std::vector<Rect> ScanPicture(const std::vector<std::string>& rows, std::uint32_t key = K)
{
    int width = static_cast<int>(rows[0].size());
    std::vector<std::uint32_t> pixels;
    for (const std::string& row : rows)
        for (char ch : row)
            pixels.push_back(ch == '#' ? P : key);
    return skin::ScanRegion(pixels.data(), width, static_cast<int>(rows.size()), width, key);
}

TEST(RegionScan, RunsMergeOnlyWithTheRectangleMadeJustBefore)
{
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        std::vector<Rect> expected;
    } cases[] = {
        {"solid block is one rectangle", {"####", "####", "####"}, {MakeRect(0, 0, 4, 3)}},
        {"every pixel key gives nothing", {"....", "...."}, {}},
        {"two runs on a row between single runs split the shape",
         {"######", "##..##", "######"},
         {MakeRect(0, 0, 6, 1), MakeRect(0, 1, 2, 2), MakeRect(4, 1, 6, 2), MakeRect(0, 2, 6, 3)}},
        {"same run two rows apart does not merge", {".##.", "....", ".##."}, {MakeRect(1, 0, 3, 1), MakeRect(1, 2, 3, 3)}},
        {"stairs keep one rectangle per row", {"#...", "##..", "###."},
         {MakeRect(0, 0, 1, 1), MakeRect(0, 1, 2, 2), MakeRect(0, 2, 3, 3)}},
        {"second run of a row blocks merging of the first below it",
         {"#.#", "#.#", "#.."},
         {MakeRect(0, 0, 1, 1), MakeRect(2, 0, 3, 1), MakeRect(0, 1, 1, 2), MakeRect(2, 1, 3, 2), MakeRect(0, 2, 1, 3)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScanPicture(c.rows), c.expected);
    }
}

TEST(RegionScan, TopByteOfPixelsIsIgnored)
{
    std::uint32_t row[4] = {0xFF000000u | K, P, 0x7F000000u | P, K};
    skin::RegionScanner scanner(K);
    scanner.AddRow(row, 4, 0);
    ASSERT_EQ(scanner.Rects().size(), 1u);
    EXPECT_EQ(scanner.Rects()[0], MakeRect(1, 0, 3, 1));
}

TEST(ResizeRegion, BandGrowsAndLaterRectanglesMoveDown)
{
    // A header, a stretching body and a footer, as a resizable skin's cached shape may be.
    std::vector<Rect> rects = {MakeRect(0, 0, 100, 10), MakeRect(0, 10, 100, 50), MakeRect(10, 50, 90, 60)};
    Rect band = MakeRect(0, 10, 100, 50);
    skin::ResizeRegionRects(rects, band, 20, 30);
    std::vector<Rect> expected = {MakeRect(0, 0, 120, 10), MakeRect(0, 10, 120, 80), MakeRect(10, 80, 110, 90)};
    EXPECT_EQ(rects, expected);
    EXPECT_EQ(band, MakeRect(0, 10, 120, 80)) << "the band must follow its rectangle";
    // A second resize still finds the band.
    skin::ResizeRegionRects(rects, band, -20, -30);
    EXPECT_EQ(rects[1], MakeRect(0, 10, 100, 50));
    EXPECT_EQ(rects[2], MakeRect(10, 50, 90, 60));
}

TEST(ResizeRegion, WithoutBandEveryBottomGrows)
{
    std::vector<Rect> rects = {MakeRect(0, 0, 50, 40)};
    Rect band;
    skin::ResizeRegionRects(rects, band, 5, 7);
    EXPECT_EQ(rects[0], MakeRect(0, 0, 55, 47));
    EXPECT_EQ(band, Rect{});
}

TEST(Anchors, MoveAndStretchRules)
{
    struct Case {
        int anchor;
        Rect expected;
    } cases[] = {
        {0, MakeRect(10, 10, 20, 20)},  {255, MakeRect(10, 10, 20, 20)}, {1, MakeRect(15, 10, 25, 20)},
        {2, MakeRect(10, 17, 20, 27)},  {3, MakeRect(15, 17, 25, 27)},  {4, MakeRect(10, 10, 25, 20)},
        {5, MakeRect(10, 10, 25, 20)},  {8, MakeRect(10, 10, 20, 27)},  {10, MakeRect(10, 10, 20, 27)},
        {15, MakeRect(10, 10, 25, 27)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.anchor);
        EXPECT_EQ(skin::ApplyAnchor(MakeRect(10, 10, 20, 20), c.anchor, 5, 7), c.expected);
    }
}

TEST(Anchors, SkinLookupNoneIsNoAnchorNotStretchBoth)
{
    EXPECT_EQ(skin::NormalizeAnchor(-1), skin::kNoAnchor);
    EXPECT_EQ(skin::NormalizeAnchor(16), skin::kNoAnchor);
    EXPECT_EQ(skin::NormalizeAnchor(0xFFFF), skin::kNoAnchor);
    EXPECT_EQ(skin::NormalizeAnchor(12), 12);
    Rect r = MakeRect(1, 2, 3, 4);
    EXPECT_EQ(skin::ApplyAnchor(r, skin::NormalizeAnchor(-1), 100, 100), r);
}

TEST(FrameHitTest, GripsByResizeBits)
{
    using skin::Hit;
    const int W = 200, H = 100, FX = 4, FY = 4;
    struct Case {
        const char* name;
        unsigned bits;
        int x, y;
        Hit expected;
    } cases[] = {
        {"no bits: corner is client", 0, 199, 99, Hit::Client},
        {"both: corner", 6, 190, 90, Hit::BottomRight},
        {"width only: corner is right", 4, 190, 90, Hit::Right},
        {"height only: corner is bottom", 2, 190, 90, Hit::Bottom},
        {"width: right band", 4, 197, 10, Hit::Right},
        {"width: left band", 4, 1, 10, Hit::Left},
        {"width: no top band", 4, 100, 1, Hit::Client},
        {"width: no bottom band", 4, 100, 98, Hit::Client},
        {"height: top band", 2, 100, 2, Hit::Top},
        {"height: bottom band", 2, 100, 97, Hit::Bottom},
        {"height: no left band", 2, 1, 50, Hit::Client},
        {"both: inside", 6, 100, 50, Hit::Client},
        {"width: right band stops above the grip", 4, 198, 86, Hit::Right},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(skin::FrameHitTest(c.x, c.y, W, H, c.bits, FX, FY), c.expected);
    }
}

TEST(Maximise, SpansTheAxesThatMayGrow)
{
    Rect window = MakeRect(100, 50, 300, 250);
    Rect work = MakeRect(0, 0, 1024, 740);
    EXPECT_EQ(skin::MaximisedRect(window, work, 6), work);
    EXPECT_EQ(skin::MaximisedRect(window, work, 4), MakeRect(0, 50, 1024, 250));
    EXPECT_EQ(skin::MaximisedRect(window, work, 2), MakeRect(100, 0, 300, 740));
}

TEST(DisplayChange, CentresOnlyTheAxisThatLeftTheScreen)
{
    Rect work = MakeRect(0, 0, 800, 570);
    // Left edge within 14 pixels of the new right border: centred horizontally only.
    EXPECT_EQ(skin::RefitAfterDisplayChange(MakeRect(790, 100, 990, 200), work, 800, 600),
              MakeRect(300, 100, 500, 200));
    EXPECT_EQ(skin::RefitAfterDisplayChange(MakeRect(100, 700, 300, 800), work, 800, 600),
              MakeRect(100, 235, 300, 335));
    EXPECT_EQ(skin::RefitAfterDisplayChange(MakeRect(100, 100, 300, 200), work, 800, 600),
              MakeRect(100, 100, 300, 200));
}

// A 1024x738 work area that starts below a 30-pixel bar, so that offsets show.
TEST(WorkAreaFit, WindowsAreShiftedInWithTheirSizeKept)
{
    const Rect work = MakeRect(0, 30, 1024, 768);
    const struct {
        const char* name;
        Rect window, expected;
    } rows[] = {
        {"inside stays", MakeRect(10, 40, 370, 68), MakeRect(10, 40, 370, 68)},
        {"touching every edge stays", MakeRect(0, 30, 1024, 768), MakeRect(0, 30, 1024, 768)},
        {"left of the area", MakeRect(-154, 40, 206, 68), MakeRect(0, 40, 360, 68)},
        {"right of the area", MakeRect(900, 40, 1380, 400), MakeRect(544, 40, 1024, 400)},
        {"above the area", MakeRect(10, 0, 490, 360), MakeRect(10, 30, 490, 390)},
        {"below the area", MakeRect(-154, 388, 326, 788), MakeRect(0, 368, 480, 768)},
        {"wholly off beyond the corner", MakeRect(2000, 2000, 2100, 2050), MakeRect(924, 718, 1024, 768)},
        {"wider and taller than the area starts at its corner", MakeRect(-50, -50, 1150, 850),
         MakeRect(0, 30, 1200, 930)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, skin::ShiftIntoWorkArea(row.window, work));
    }
}

// Placed left of a main window near the left edge, a window goes to its right where there is
// room; where neither side has room it is shifted in; a window that fits never moves.
TEST(WorkAreaFit, BesideTheMainWindowTakesTheSideWithRoom)
{
    const Rect work = MakeRect(0, 0, 1024, 768);
    const Rect nearLeft = MakeRect(206, 0, 398, 288);
    const Rect nearRight = MakeRect(820, 0, 1012, 288);
    const Rect nearBottom = MakeRect(206, 600, 398, 888);
    const Rect wide = MakeRect(100, 0, 900, 288);
    const struct {
        const char* name;
        Rect main, window, expected;
    } rows[] = {
        {"fits where placed", nearLeft, MakeRect(406, 0, 886, 360), MakeRect(406, 0, 886, 360)},
        {"left side off: mirrored to the right, touching", nearLeft, MakeRect(-154, 0, 206, 28),
         MakeRect(398, 0, 758, 28)},
        {"right side off: mirrored to the left, gap kept", nearRight, MakeRect(1020, 0, 1500, 360),
         MakeRect(332, 0, 812, 360)},
        {"below off: mirrored above", nearBottom, MakeRect(206, 890, 398, 1090), MakeRect(206, 398, 398, 598)},
        {"no room on the other side: shifted in", wide, MakeRect(-260, 0, 100, 28), MakeRect(0, 0, 360, 28)},
        {"overlapping the main window: shifted in", nearRight, MakeRect(900, 0, 1380, 360),
         MakeRect(544, 0, 1024, 360)},
        {"each axis on its own", nearBottom, MakeRect(-154, 700, 206, 800), MakeRect(398, 668, 758, 768)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, skin::FitBesideMainWindow(row.window, row.main, work));
    }
}

} // namespace
