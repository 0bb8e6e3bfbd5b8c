// The composed picture: empty state, frame, the image at a magnification, and what reaches the
// screen.
#include <gtest/gtest.h>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

using test::PixelOf;
using test::Through15Bit;

/// Number of pixels of the colour inside the rectangle.
int CountColor(const QImage& Img, const QRect& R, TColor C)
{
    int N = 0;
    for (int y = R.top(); y <= R.bottom(); ++y)
        for (int x = R.left(); x <= R.right(); ++x)
            if (PixelOf(Img, x, y) == C) ++N;
    return N;
}

TEST(GeoMapPaint, EmptyStateShowsBackgroundMessageAndFrame)
{
    TGeoMap M;
    M.resize(120, 80);
    M.SetColorFrame(clRed); // the text colour
    const QImage& P = M.Picture();
    ASSERT_EQ(P.size(), QSize(120, 80));
    const TColor Bak = Through15Bit(clSilver);
    EXPECT_EQ(PixelOf(P, 60, 70), Bak);
    // frsSingle: one black ring.
    EXPECT_EQ(PixelOf(P, 0, 0), clBlack);
    EXPECT_EQ(PixelOf(P, 119, 79), clBlack);
    EXPECT_EQ(PixelOf(P, 1, 1), Bak);
    // The message is written at (10, 10) in the frame colour, and nowhere above or left of it.
    EXPECT_GT(CountColor(P, QRect(10, 10, 100, 20), clRed), 10);
    EXPECT_EQ(CountColor(P, QRect(1, 1, 118, 8), clRed), 0);

    M.SetFrameStyle(frsNone);
    EXPECT_EQ(PixelOf(M.Picture(), 0, 0), Bak);
    M.SetEmptyMsg("");
    EXPECT_EQ(CountColor(M.Picture(), QRect(10, 10, 100, 20), clRed), 0);
}

TEST(GeoMapPaint, SuppressPaintKeepsThePicture)
{
    TGeoMap M;
    M.resize(60, 40);
    M.SetColorBakGnd(clWhite);
    M.SetSuppressPaint(true);
    M.SetColorBakGnd(clBlue);
    EXPECT_EQ(PixelOf(M.Picture(), 30, 35), clWhite);
    M.SetSuppressPaint(false);
    EXPECT_EQ(PixelOf(M.Picture(), 30, 35), clBlue);
}

TEST(GeoMapPaint, ImageIsDrawnAtTheView)
{
    TGeoMap M;
    M.resize(100, 100);
    M.SetFrameStyle(frsNone);
    M.SetColorBakGnd(clBlue);
    // Left half red, right half lime.
    TBitmap Img;
    test::FillBitmap(Img, 80, 40, clRed);
    Img.Canvas().Brush().SetColor(clLime);
    Img.Canvas().FillRect(Rect(40, 0, 80, 40));
    M.SetAntiAlias(false);
    M.SetMapBitMap(Img);

    const QImage* P = &M.Picture();
    EXPECT_EQ(PixelOf(*P, 10, 10), clRed);
    EXPECT_EQ(PixelOf(*P, 50, 10), clLime);
    EXPECT_EQ(PixelOf(*P, 10, 60), clBlue); // below the image: background

    M.SetMagnification(2);
    M.SetTopLeft({30, 0});
    P = &M.Picture();
    EXPECT_EQ(PixelOf(*P, 10, 70), clRed);  // image pixel (35, 35)
    EXPECT_EQ(PixelOf(*P, 30, 70), clLime); // image pixel (45, 35)

    // Below the cache limit the picture comes from the reduced copy.
    M.SetTopLeft({0, 0});
    M.SetMagnification(0.5);
    P = &M.Picture();
    EXPECT_EQ(PixelOf(*P, 5, 5), clRed);
    EXPECT_EQ(PixelOf(*P, 30, 5), clLime);
    EXPECT_EQ(PixelOf(*P, 45, 5), clBlue); // beyond the 40-pixel-wide reduced image
    EXPECT_EQ(PixelOf(*P, 5, 25), clBlue);
}

TEST(GeoMapPaint, RenderEventsSeeTheCompositionCanvas)
{
    TGeoMap M;
    M.resize(50, 50);
    int Before = 0, After = 0;
    M.OnBeforeRenderData = [&](TObject* S, TCanvas& C) {
        EXPECT_EQ(S, &M);
        ++Before;
        C.Brush().SetColor(clYellow);
        C.FillRect(Rect(20, 20, 30, 30));
    };
    M.OnDataRendered = [&](TObject*, TCanvas&) { ++After; };
    M.Paint(); // empty state: no events
    EXPECT_EQ(Before + After, 0);

    TBitmap Img;
    test::FillBitmap(Img, 50, 50, clWhite);
    M.SetMapBitMap(Img);
    EXPECT_EQ(Before, 1);
    EXPECT_EQ(After, 1);
    EXPECT_EQ(PixelOf(M.Picture(), 25, 25), clYellow);
}

TEST(GeoMapPaint, TheWidgetShowsItsPicture)
{
    TGeoMap M;
    M.resize(64, 48);
    M.SetColorBakGnd(clRed);
    const QImage Shown = M.grab().toImage();
    ASSERT_EQ(Shown.size(), QSize(64, 48));
    EXPECT_EQ(PixelOf(Shown, 32, 40), clRed);
    EXPECT_EQ(PixelOf(Shown, 0, 0), clBlack);
}

} // namespace
} // namespace tyx
