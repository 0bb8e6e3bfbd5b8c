#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_stretchblt.h"

#include <gtest/gtest.h>

using namespace tyx;

namespace {

void Checkerboard(TBitmap& B)
{
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x) B.Canvas().SetPixels(x, y, (x + y) % 2 ? clBlack : clWhite);
}

} // namespace

TEST(StretchBlt, HalvingWithHalftoneAveragesAndWithColorOnColorPicks)
{
    TBitmap Src(40, 30, pf24bit);
    Checkerboard(Src);
    TBitmap Dst(20, 15, pf24bit);
    EXPECT_EQ(SetStretchBltMode(Dst.Canvas(), HALFTONE), BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(Dst.Canvas(), 0, 0, 20, 15, Src, 0, 0, 40, 30));
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            const TColor P = Dst.Canvas().Pixels(x, y);
            ASSERT_NEAR(GetRValue(P), 128, 2) << x << "," << y;
            ASSERT_NEAR(GetBValue(P), 128, 2) << x << "," << y;
        }

    EXPECT_EQ(SetStretchBltMode(Dst.Canvas(), COLORONCOLOR), HALFTONE);
    StretchBlt(Dst.Canvas(), 0, 0, 20, 15, Src, 0, 0, 40, 30);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            const TColor P = Dst.Canvas().Pixels(x, y);
            ASSERT_TRUE(P == clBlack || P == clWhite) << x << "," << y;
        }
}

TEST(StretchBlt, HalftoneShrinkAveragesTheWholeCoveredArea)
{
    // Columns white, black, black repeating; a third of the width must give one third white in
    // every pixel, which sampling two neighbours cannot.
    TBitmap Src(30, 3, pf32bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 30; ++x) Src.Canvas().SetPixels(x, y, x % 3 == 0 ? clWhite : clBlack);
    TBitmap Dst(10, 1, pf32bit);
    SetStretchBltMode(Dst.Canvas(), HALFTONE);
    StretchBlt(Dst.Canvas(), 0, 0, 10, 1, Src, 0, 0, 30, 3);
    for (int x = 0; x < 10; ++x) EXPECT_NEAR(GetGValue(Dst.Canvas().Pixels(x, 0)), 85, 3) << x;
}

TEST(StretchBlt, NearestEnlargingRepeatsEachPixelExactly)
{
    TBitmap Src(3, 2, pf24bit);
    const TColor Cols[6] = {clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
    for (int i = 0; i < 6; ++i) Src.Canvas().SetPixels(i % 3, i / 3, Cols[i]);
    TBitmap Dst(12, 8, pf24bit);
    SetStretchBltMode(Dst.Canvas(), COLORONCOLOR);
    StretchBlt(Dst.Canvas(), 3, 2, 6, 4, Src, 0, 0, 3, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool In = x >= 3 && x < 9 && y >= 2 && y < 6;
            const TColor Want = In ? Cols[(y - 2) / 2 * 3 + (x - 3) / 2] : clWhite;
            ASSERT_EQ(Dst.Canvas().Pixels(x, y), Want) << x << "," << y;
        }
}

TEST(StretchBlt, SourceBeyondThePictureLeavesTheDestinationAsItWas)
{
    TBitmap Src(4, 4, pf15bit);
    Src.Canvas().Brush().SetColor(clRed);
    Src.Canvas().FillRect(Rect(0, 0, 4, 4));
    for (int Mode : {COLORONCOLOR, HALFTONE}) {
        SCOPED_TRACE(Mode);
        TBitmap Dst(16, 16, pf15bit);
        Dst.Canvas().Brush().SetColor(clBlue);
        Dst.Canvas().FillRect(Rect(0, 0, 16, 16));
        SetStretchBltMode(Dst.Canvas(), Mode);
        // Source (-2, -2)..(6, 6) at twice the size: the picture lands on (4, 4)..(12, 12).
        StretchBlt(Dst.Canvas(), 0, 0, 16, 16, Src, -2, -2, 8, 8);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool In = x >= 4 && x < 12 && y >= 4 && y < 12;
                ASSERT_EQ(Dst.Canvas().Pixels(x, y), In ? clRed : clBlue) << x << "," << y;
            }
        // Wholly outside: nothing changes.
        StretchBlt(Dst.Canvas(), 0, 0, 16, 16, Src, 10, 10, 4, 4);
        EXPECT_EQ(Dst.Canvas().Pixels(0, 0), clBlue);
    }
}

TEST(StretchBlt, OneToOneCopiesAndDegenerateRequests)
{
    TBitmap Src(10, 10, pf32bit);
    Src.Canvas().SetPixels(5, 6, clRed);
    TBitmap Dst(10, 10, pf24bit);
    EXPECT_TRUE(StretchBlt(Dst.Canvas(), 1, 1, 3, 3, Src, 4, 5, 3, 3));
    EXPECT_EQ(Dst.Canvas().Pixels(2, 2), clRed);
    EXPECT_FALSE(StretchBlt(Dst.Canvas(), 0, 0, 0, 5, Src, 0, 0, 5, 5));
    EXPECT_FALSE(StretchBlt(Dst.Canvas(), 0, 0, 5, 5, Src, 0, 0, 5, -5));
    EXPECT_EQ(SetStretchBltMode(Dst.Canvas(), 99), 0);
    EXPECT_EQ(Dst.Canvas().StretchBltMode(), BLACKONWHITE);

    // The copy ignores the destination's XOR pen mode.
    Dst.Canvas().Pen().SetMode(pmXor);
    Dst.Canvas().Draw(0, 0, Src);
    EXPECT_EQ(Dst.Canvas().Pixels(5, 6), clRed);
    EXPECT_EQ(Dst.Canvas().Pixels(0, 0), clWhite);
}

TEST(StretchBlt, CopyRectWithinOneCanvasReadsBeforeWriting)
{
    TBitmap B(8, 1, pf24bit);
    const TColor Cols[4] = {clRed, clLime, clBlue, clYellow};
    for (int x = 0; x < 4; ++x) B.Canvas().SetPixels(x, 0, Cols[x]);
    B.Canvas().CopyRect(Rect(2, 0, 6, 1), B.Canvas(), Rect(0, 0, 4, 1)); // overlapping shift right
    for (int x = 0; x < 4; ++x) EXPECT_EQ(B.Canvas().Pixels(x + 2, 0), Cols[x]) << x;
    EXPECT_EQ(B.Canvas().Pixels(1, 0), clLime);
}
