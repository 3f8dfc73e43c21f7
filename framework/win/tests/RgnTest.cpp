// Regions owned by objects: built from an ellipse and a polygon, combined, probed and copied.
#include "framework/win/Rgn.h"

#include <gtest/gtest.h>

namespace {

TEST(Rgn, UnionOfEllipseAndTriangleAndAnIndependentCopy)
{
    CRgn ellipse, tail, shape;
    ASSERT_TRUE(ellipse.CreateEllipticRgn(10, 0, 100, 60));
    const POINT triangle[] = {{0, 20}, {15, 25}, {15, 35}};
    ASSERT_TRUE(tail.CreatePolygonRgn(triangle, 3, ALTERNATE));
    EXPECT_FALSE(CRgn().CreatePolygonRgn(triangle, 2, ALTERNATE)) << "two points make no polygon";
    EXPECT_EQ(shape.CombineRgn(ellipse, tail, RGN_OR), COMPLEXREGION);
    struct Probe {
        int x, y;
        bool inside;
    } probes[] = {{55, 30, true}, {12, 2, false}, {3, 22, true}, {3, 30, false}, {99, 59, false}, {14, 30, true}};
    for (const Probe& p : probes)
        EXPECT_EQ(shape.PtInRegion(p.x, p.y) != FALSE, p.inside) << p.x << "," << p.y;

    HRGN copy = shape.Duplicate();
    ASSERT_NE(copy, nullptr);
    shape.CombineRgn(shape, ellipse, RGN_DIFF);
    EXPECT_FALSE(shape.PtInRegion(55, 30)) << "the original changed";
    EXPECT_TRUE(::PtInRegion(copy, 55, 30)) << "the copy did not";
    ::DeleteObject(copy);
    EXPECT_FALSE(CRgn().PtInRegion(0, 0)) << "no region, no point";
}

} // namespace
