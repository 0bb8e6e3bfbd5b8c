#include <gtest/gtest.h>

#include "support/Tyx_sline.h"

using namespace tyx;

namespace {
struct TClip {
    bool Hit;
    double x1, y1, x2, y2;
};

TClip Clip(double ax, double ay, double bx, double by, double L = 0, double T = 0, double R = 100, double B = 50)
{
    TSLine line;
    line.LineFrom2Points(ax, ay, bx, by);
    TClip c{false, -1, -1, -1, -1};
    c.Hit = line.ClipBox(L, T, R, B, c.x1, c.y1, c.x2, c.y2);
    return c;
}

void ExpectSegment(const TClip& c, double x1, double y1, double x2, double y2)
{
    ASSERT_TRUE(c.Hit);
    EXPECT_NEAR(c.x1, x1, 1e-9);
    EXPECT_NEAR(c.y1, y1, 1e-9);
    EXPECT_NEAR(c.x2, x2, 1e-9);
    EXPECT_NEAR(c.y2, y2, 1e-9);
}
} // namespace

TEST(SLine, LinesThroughTheBoxAreCutAtItsEdges)
{
    // Both defining points inside: the whole chord comes back, in their direction.
    ExpectSegment(Clip(10, 10, 20, 20), 0, 0, 50, 50);
    ExpectSegment(Clip(40, 25, 30, 25), 100, 25, 0, 25);
    ExpectSegment(Clip(70, 5, 70, 6), 70, 0, 70, 50);
    // Defining points far outside, line crossing two opposite edges.
    ExpectSegment(Clip(-100, -50, 300, 150), 0, 0, 100, 50);
    ExpectSegment(Clip(-10, 40, 110, 10), 0, 37.5, 100, 12.5);
}

TEST(SLine, LinesThatMissTheBox)
{
    const TClip miss = Clip(0, 60, 10, 60);
    EXPECT_FALSE(miss.Hit);
    EXPECT_EQ(miss.x1, -1); // outputs untouched
    EXPECT_FALSE(Clip(0, 200, 1, 201).Hit);
    EXPECT_FALSE(Clip(-5, 0, -5, 1).Hit);
}

TEST(SLine, EdgesBelongToTheBox)
{
    ExpectSegment(Clip(10, 0, 20, 0), 0, 0, 100, 0);
    ExpectSegment(Clip(100, 10, 100, 20), 100, 0, 100, 50);
    // Touching one corner only gives that corner twice.
    ExpectSegment(Clip(-1, 1, 1, -1), 0, 0, 0, 0);
    // Swapped edges mean the same box.
    ExpectSegment(Clip(10, 10, 20, 20, 100, 50, 0, 0), 0, 0, 50, 50);
}

TEST(SLine, TwoEqualPointsAreAPoint)
{
    ExpectSegment(Clip(30, 30, 30, 30), 30, 30, 30, 30);
    EXPECT_FALSE(Clip(130, 30, 130, 30).Hit);
}
