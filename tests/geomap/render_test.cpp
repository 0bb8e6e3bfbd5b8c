// The composition pipeline: empty and design states, the reduced-image cache, the stretch, the
// composition bitmap's size, hidden controls, the clipboard and the exports into bitmaps.
#include <gtest/gtest.h>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"
#include "host/gui/tyx_clipboard.h"

namespace tyx {
namespace {

using test::PixelOf;
using test::Through15Bit;

/// A 200 x 100 image of 10 x 10 squares whose colour encodes their column and row, so that a
/// pixel of the picture tells which image pixel it shows.
void MakeTiles(TBitmap& Img)
{
    test::FillBitmap(Img, 200, 100, clWhite);
    for (int ty = 0; ty < 10; ++ty)
        for (int tx = 0; tx < 20; ++tx) {
            Img.Canvas().Brush().SetColor(RGB(static_cast<uint8_t>(tx * 12), static_cast<uint8_t>(ty * 24), 128));
            Img.Canvas().FillRect(Rect(tx * 10, ty * 10, tx * 10 + 10, ty * 10 + 10));
        }
}

TColor Tile(int ImgX, int ImgY)
{
    return Through15Bit(RGB(static_cast<uint8_t>(ImgX / 10 * 12), static_cast<uint8_t>(ImgY / 10 * 24), 128));
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        M.resize(120, 80);
        M.SetFrameStyle(frsNone);
        M.SetColorBakGnd(clBlue);
        MakeTiles(Img);
        M.SetMapBitMap(Img);
    }
    TBitmap Img;
    test::TCountingMap M;
};

TEST_F(RenderTest, DesignModeAndNoImageShowTheEmptyState)
{
    int Events = 0;
    M.OnBeforeRenderData = [&](TObject*, TCanvas&) { ++Events; };
    M.OnDataRendered = [&](TObject*, TCanvas&) { ++Events; };
    M.SetColorFrame(clRed);
    M.SetFrameStyle(frsSingle);
    EXPECT_EQ(Events, 4); // two paints, two events each
    Events = 0;
    EXPECT_FALSE(M.DesignMode());
    M.SetDesignMode(true);
    const QImage& P = M.Picture();
    EXPECT_EQ(PixelOf(P, 60, 70), Through15Bit(clBlue)); // the image is not shown
    EXPECT_EQ(PixelOf(P, 0, 0), clBlack);                // the frame is
    int Red = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 110; ++x) Red += PixelOf(P, x, y) == clRed;
    EXPECT_GT(Red, 10);
    EXPECT_EQ(Events, 0);
    EXPECT_EQ(M.MapImgFile(), "$unknown$");
    M.SetDesignMode(false);
    EXPECT_EQ(PixelOf(M.Picture(), 60, 70), Tile(60, 70));
}

TEST_F(RenderTest, CacheIsBuiltOncePerMagnificationAndReusedForPanning)
{
    M.SetAntiAlias(false);
    EXPECT_EQ(M.CacheBuildCount(), 0); // magnification 1: no cache
    M.SetMagnification(0.5);
    EXPECT_EQ(M.CacheBuildCount(), 1);
    EXPECT_EQ(M.ImageCache().Width(), 100);
    EXPECT_EQ(M.ImageCache().Height(), 50);
    EXPECT_EQ(PixelOf(M.Picture(), 30, 20), Tile(60, 40));
    EXPECT_EQ(PixelOf(M.Picture(), 110, 20), Through15Bit(clBlue)); // beyond the reduced image

    M.SetTopLeft({40, 20});
    M.SetTopLeft({60, 30});
    EXPECT_EQ(M.CacheBuildCount(), 1);
    EXPECT_EQ(PixelOf(M.Picture(), 10, 4), Tile(80, 38));

    // Toggling the smoothing below the limit rebuilds it.
    M.SetAntiAlias(true);
    EXPECT_EQ(M.CacheBuildCount(), 2);
    M.SetAntiAlias(false);
    EXPECT_EQ(M.CacheBuildCount(), 3);

    // At and above the limit the cache stays as it is and is not used; coming back reuses it.
    M.SetMagnification(1.0);
    M.SetAntiAlias(true);
    M.SetMagnification(3.0);
    EXPECT_EQ(M.CacheBuildCount(), 3);
    EXPECT_EQ(M.ImageCache().Width(), 100);
    M.SetAntiAlias(false);
    M.SetMagnification(0.5);
    EXPECT_EQ(M.CacheBuildCount(), 3);
    EXPECT_EQ(PixelOf(M.Picture(), 10, 4), Tile(80, 38));

    // A new image invalidates it.
    M.SetMapBitMap(Img);
    M.SetMagnification(0.5);
    EXPECT_EQ(M.CacheBuildCount(), 4);
}

TEST_F(RenderTest, StretchAtOrAboveTheLimitShowsTheSourceRectangle)
{
    M.SetAntiAlias(false);
    M.SetTopLeft({35, 15});
    // Magnification 1: control pixel (x, y) shows image pixel (x + 35, y + 15).
    for (int x : {0, 17, 64, 119})
        for (int y : {0, 33, 79}) EXPECT_EQ(PixelOf(M.Picture(), x, y), Tile(x + 35, y + 15)) << x << "," << y;
    // 120 + 35 < 200, but 80 + 15 = 95 < 100: all image. Beyond the image: background.
    M.SetTopLeft({150, 60});
    EXPECT_EQ(PixelOf(M.Picture(), 49, 39), Tile(199, 99));
    EXPECT_EQ(PixelOf(M.Picture(), 51, 10), Through15Bit(clBlue));
    EXPECT_EQ(PixelOf(M.Picture(), 10, 41), Through15Bit(clBlue));

    M.SetTopLeft({10, 10});
    M.SetMagnification(2.0);
    EXPECT_EQ(PixelOf(M.Picture(), 25, 25), Tile(22, 22));
    EXPECT_EQ(PixelOf(M.Picture(), 119, 79), Tile(69, 49));
    EXPECT_EQ(M.CacheBuildCount(), 0);
}

TEST_F(RenderTest, HighDpiTakesTheImageStraightToDevicePixels)
{
    // Below the cache limit (the cache then holds the image at the device pixels) and above it:
    // device pixel (x, y) at ratio 2 shows image pixel TopLeft + (x, y) / (2 Mag).
    M.SetAntiAlias(false);
    M.SetTopLeft({20, 10});
    M.SetPixelRatio(2);
    M.SetHighDpi(true);
    for (const double Mag : {0.25, 1.0}) {
        M.SetMagnification(Mag);
        ASSERT_EQ(M.Picture().size(), QSize(240, 160));
        for (int x : {3, 77, 158, 236})
            for (int y : {5, 61, 150}) {
                if (20 + x / (2 * Mag) >= 200 || 10 + y / (2 * Mag) >= 100) continue;
                EXPECT_EQ(PixelOf(M.Picture(), x, y), Tile(20 + int(x / (2 * Mag)), 10 + int(y / (2 * Mag))))
                    << x << "," << y << " at " << Mag;
            }
    }
    EXPECT_EQ(M.ImageCache().Width(), 100); // built once, at 2 x 0.25
    EXPECT_EQ(M.CacheBuildCount(), 1);
}

TEST_F(RenderTest, SmoothingOnlyChangesTheStretchAboveTheLimit)
{
    M.SetTopLeft({5, 5});
    M.SetMagnification(3.0);
    M.SetAntiAlias(false);
    const QImage Sharp = M.Picture().copy();
    M.SetAntiAlias(true);
    const QImage Smooth = M.Picture().copy();
    EXPECT_EQ(M.CacheBuildCount(), 0);
    // Nearest-pixel shows only tile colours; smoothing blends across a tile edge. Image y = 10
    // (a tile edge) is at control y = (10 - 5) * 3 = 15.
    EXPECT_EQ(PixelOf(Sharp, 30, 14), Tile(15, 9));
    EXPECT_EQ(PixelOf(Sharp, 30, 15), Tile(15, 10));
    const TColor A = Tile(15, 9), B = Tile(15, 10);
    bool Blended = false;
    for (int y = 12; y <= 17; ++y) {
        const TColor C = PixelOf(Smooth, 30, y);
        Blended |= C != A && C != B;
    }
    EXPECT_TRUE(Blended);
}

TEST_F(RenderTest, ZeroCacheLimitNeverBuildsTheCache)
{
    M.SetCacheMagLimit(0);
    M.SetAntiAlias(false);
    M.SetMagnification(0.5);
    M.SetTopLeft({20, 10});
    M.SetAntiAlias(true);
    M.SetAntiAlias(false);
    EXPECT_EQ(M.CacheBuildCount(), 0);
    EXPECT_EQ(PixelOf(M.Picture(), 30, 20), Tile(80, 50));
}

TEST_F(RenderTest, SuppressPaintTouchesNeitherPictureNorCache)
{
    M.SetSuppressPaint(true);
    const int Builds = M.CacheBuildCount();
    M.SetMagnification(0.25);
    M.SetColorBakGnd(clRed);
    M.Paint();
    EXPECT_EQ(M.CacheBuildCount(), Builds);
    EXPECT_EQ(PixelOf(M.Picture(), 60, 40), Tile(60, 40));
    M.SetSuppressPaint(false);
    EXPECT_EQ(M.CacheBuildCount(), Builds + 1);
    EXPECT_EQ(PixelOf(M.Picture(), 60, 40), Through15Bit(clRed));
}

TEST_F(RenderTest, CompositionBitmapOnlyGrows)
{
    EXPECT_EQ(M.CompositionBitmap().Width(), 200); // the image's size, wider than the control
    EXPECT_EQ(M.CompositionBitmap().Height(), 100);
    M.resize(300, 90);
    M.Paint();
    EXPECT_EQ(M.CompositionBitmap().Width(), 300);
    EXPECT_EQ(M.CompositionBitmap().Height(), 100);
    M.resize(50, 40);
    M.Paint();
    EXPECT_EQ(M.CompositionBitmap().Width(), 300);
    EXPECT_EQ(M.Picture().size(), QSize(50, 40));
    EXPECT_EQ(PixelOf(M.Picture(), 49, 39), Tile(49, 39));
    // A new image sets it back to the image's size.
    M.SetMapBitMap(Img);
    EXPECT_EQ(M.CompositionBitmap().Width(), 200);
}

TEST_F(RenderTest, HiddenControlKeepsItsPictureButDrawsTheFrame)
{
    M.SetFrameStyle(frsSingle);
    M.hide();
    M.SetTopLeft({100, 50});
    M.SetFrameStyle(frsDouble); // three rings: black, silver, black
    const QImage& P = M.Picture();
    EXPECT_EQ(PixelOf(P, 60, 40), Tile(60, 40)); // the old view
    EXPECT_EQ(PixelOf(P, 1, 1), Through15Bit(clSilver));
    M.show();
    M.Paint();
    EXPECT_EQ(PixelOf(M.Picture(), 60, 40), Tile(160, 90));
}

TEST_F(RenderTest, ClipboardHoldsThePictureInsideABlackOutline)
{
    M.SetFrameStyle(frsRaised);
    M.SetTopLeft({20, 0});
    M.CopyToClipboard();
    TBitmap Clip;
    ASSERT_TRUE(ClipboardGetBitmap(Clip));
    ASSERT_EQ(Clip.Width(), 120);
    ASSERT_EQ(Clip.Height(), 80);
    for (int x = 1; x <= 118; ++x) {
        EXPECT_EQ(Clip.Canvas().Pixels(x, 1), clBlack) << x;
        EXPECT_EQ(Clip.Canvas().Pixels(x, 78), clBlack) << x;
    }
    for (int y = 1; y <= 78; ++y) {
        EXPECT_EQ(Clip.Canvas().Pixels(1, y), clBlack) << y;
        EXPECT_EQ(Clip.Canvas().Pixels(118, y), clBlack) << y;
    }
    for (const TPoint& Q : {TPoint{2, 2}, TPoint{60, 40}, TPoint{117, 77}})
        EXPECT_EQ(Clip.Canvas().Pixels(Q.X, Q.Y), PixelOf(M.Picture(), Q.X, Q.Y));
    EXPECT_EQ(Clip.Canvas().Pixels(2, 2), Tile(22, 2)); // the frame's rings are not copied

    M.CopyEntireMapToClipboard();
    ASSERT_TRUE(ClipboardGetBitmap(Clip));
    EXPECT_EQ(Clip.Width(), 200);
    EXPECT_EQ(Clip.Height(), 100);
    EXPECT_EQ(Clip.Canvas().Pixels(0, 0), Tile(0, 0));
    EXPECT_EQ(Clip.Canvas().Pixels(199, 99), Tile(199, 99));
    TGeoMap Empty;
    EXPECT_THROW(Empty.CopyEntireMapToClipboard(), ETYXGeoMapError);
}

TEST_F(RenderTest, CopyToBMPMatchesTheControlsViewAndLeavesItAlone)
{
    M.OnBeforeRenderData = [](TObject*, TCanvas& C) {
        C.Brush().SetColor(clYellow);
        C.FillRect(Rect(5, 5, 15, 15));
    };
    for (bool AA : {false, true})
        for (double Mag : {0.5, 1.0, 1.5}) {
            SCOPED_TRACE(testing::Message() << "AA " << AA << " mag " << Mag);
            M.SetAntiAlias(AA);
            M.SetMagnification(Mag);
            M.SetTopLeft({30, 12});
            TBitmap Dest(200, 150, pf24bit);
            M.CopyToBMP(Dest, TPoint{30, 12}, Mag, 40, 30, 120, 80);
            const QImage& P = M.Picture();
            int Differ = 0;
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 120; ++x) Differ += Dest.Canvas().Pixels(40 + x, 30 + y) != PixelOf(P, x, y);
            EXPECT_EQ(Differ, 0);
            EXPECT_EQ(Dest.Canvas().Pixels(39, 29), clWhite); // outside the window: untouched
        }

    // Another view: the control's own view and cache stay.
    M.SetAntiAlias(false);
    M.SetMagnification(0.5);
    const int Builds = M.CacheBuildCount();
    const QImage Before = M.Picture().copy();
    TBitmap Small;
    M.CopyToBMP(Small, TPoint{0, 0}, 0.25, 10, 5, 60, 30);
    EXPECT_EQ(Small.Width(), 70); // grown to hold the window
    EXPECT_EQ(Small.Height(), 35);
    EXPECT_EQ(Small.Canvas().Pixels(10 + 8, 5 + 8), clYellow); // what the event drew
    EXPECT_EQ(Small.Canvas().Pixels(10 + 45, 5 + 21), Tile(180, 84));
    EXPECT_EQ(M.CacheBuildCount(), Builds);
    EXPECT_EQ(M.ImageCache().Width(), 100);
    EXPECT_EQ(M.TopLeft().X, 30);
    EXPECT_EQ(M.Magnification(), 0.5);
    M.Paint();
    EXPECT_EQ(M.Picture(), Before);
}

} // namespace
} // namespace tyx
