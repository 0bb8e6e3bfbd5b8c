// The landmark layer and the highlight landmark: sampling, the draw event, the inside test,
// class visibility, captions and the highlight colours.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"
#include "host/gui/tyx_clipboard.h"
#include "host/tyx_rounding.h"
#include "support/Tyx_math1.h"

namespace tyx {
namespace {

using test::PixelOf;
using test::Through15Bit;

/// A 200 x 100 control showing a white 200 x 100 image: latitude 48 - 0.01 y, longitude
/// 16 + 0.01 x. Paints stay suppressed until the test is ready.
void Prepare(TGeoMap& M)
{
    M.SetSuppressPaint(true);
    M.resize(200, 100);
    M.SetFrameStyle(frsNone);
    TBitmap Img;
    test::FillBitmap(Img, 200, 100, clWhite);
    M.SetMapBitMap(Img);
    M.SetCalibModel(cmEquiRect);
    M.AddCalibPoint(48.0, 16.0, 0, 0);
    M.AddCalibPoint(48.0, 18.0, 200, 0);
    M.AddCalibPoint(47.0, 16.0, 0, 100);
}

/// A landmark at image pixel (X, Y): an opaque blue square of size 3 on red, class Class.
void Add(TGeoMap& M, int X, int Y, uint8_t Class = 0)
{
    M.AddLandMark(48 - 0.01 * Y, 16 + 0.01 * X, 0, lmSquare, Class, TLMIdentifier(""), 0.0, 0, clBlue, clRed, 3,
                  false, 0, 0);
}

/// Gives landmark i an opaque caption on yellow, 9 points.
void GiveCaption(TGeoMap& M, int i, const char* Text)
{
    TLandMark L = M.GetLandMarkData(i);
    L.Caption.Text = Text;
    L.Caption.Size = 9;
    L.Caption.BGColor = clYellow;
    L.Caption.Transparent = false;
    M.SetLandMarkData(i, L);
}

int Count(const QImage& P, TColor C)
{
    int n = 0;
    for (int y = 0; y < P.height(); ++y)
        for (int x = 0; x < P.width(); ++x) n += PixelOf(P, x, y) == Through15Bit(C);
    return n;
}

/// How many of N calls of BRandom(p) after SeedRandom(Seed) come out true.
int Hits(uint64_t Seed, int N, double p)
{
    SeedRandom(Seed);
    int n = 0;
    for (int i = 0; i < N; ++i) n += BRandom(p);
    return n;
}

TEST(LandMarkLayer, MoreLandmarksInViewThanTheThresholdAreSampled)
{
    TGeoMap M;
    Prepare(M);
    for (int i = 0; i < 25000; ++i) Add(M, 1 + i % 198, 1 + i % 98);
    int Calls = 0;
    M.OnDrawLandmark = [&](TObject*, bool& Handled, TCanvas&, TPoint, const TLandMark&) {
        ++Calls;
        Handled = true;
    };
    // 25000 visible landmarks in view and a threshold of 20000: each is drawn with p = 0.8.
    const int Expected = Hits(7, 25000, 0.8);
    SeedRandom(7);
    M.SetSuppressPaint(false);
    EXPECT_EQ(Calls, Expected);
    EXPECT_NEAR(Calls, 20000, 400);

    // Exactly 20000 in view (the rest hidden by class or outside the view): no sampling.
    M.SetSuppressPaint(true);
    for (int i = 1; i <= 4000; ++i) {
        TLandMark L = M.GetLandMarkData(i);
        L.ClassFlag = 9;
        M.SetLandMarkData(i, L);
    }
    for (int i = 4001; i <= 5000; ++i) {
        TLandMark L = M.GetLandMarkData(i);
        L.Longitude = 10; // far west of the view, but it converts
        M.SetLandMarkData(i, L);
    }
    M.SetClassVisibility(9, false);
    Calls = 0;
    M.SetSuppressPaint(false);
    EXPECT_EQ(Calls, 21000);
}

TEST(LandMarkLayer, SamplingDrawsTheSameWithAndWithoutAHandler)
{
    // Without a handler the layer takes its draws in one go; a handler that leaves every landmark
    // to the layer must see the very same ones drawn. One pixel per landmark, some classes hidden.
    TGeoMap M;
    Prepare(M);
    M.SetRandSampleLimit(1001);
    for (int i = 0; i < 5000; ++i)
        M.AddLandMark(48 - 0.01 * (1 + i / 198), 16 + 0.01 * (1 + i % 198), 0, lmPlus, uint8_t(i % 5),
                      TLMIdentifier(""), 0.0, 0, clBlue, clRed, 0, true, 0, 0);
    M.SetClassVisibility(3, false);
    SeedRandom(5);
    M.SetSuppressPaint(false);
    const QImage Without = M.Picture().copy();
    M.OnDrawLandmark = [](TObject*, bool&, TCanvas&, TPoint, const TLandMark&) {};
    SeedRandom(5);
    M.Paint();
    EXPECT_TRUE(M.Picture() == Without);
    EXPECT_NEAR(Count(Without, clBlue), 1001, 100); // p = 1001 / the 4000 visible in view
}

TEST(LandMarkLayer, EdgesHandlersAndHiddenClasses)
{
    TGeoMap M;
    Prepare(M);
    Add(M, 0, 50);      // on the left edge
    Add(M, 200, 50);    // on the right edge
    Add(M, 100, 0);     // on the top edge
    Add(M, 50, 50);     // inside
    Add(M, 150, 50, 4); // inside, class 4
    std::vector<TPoint> Seen;
    bool HandleAll = false;
    M.OnDrawLandmark = [&](TObject* Sender, bool& Handled, TCanvas& C, TPoint P, const TLandMark&) {
        EXPECT_EQ(Sender, &M);
        EXPECT_FALSE(Handled);
        if (Seen.empty()) {
            EXPECT_EQ(C.Pen().Color(), clLime); // before the first symbol sets its own
        }
        Seen.push_back(P);
        Handled = HandleAll;
    };
    M.SetSuppressPaint(false);
    EXPECT_EQ(Seen, (std::vector<TPoint>{{0, 50}, {200, 50}, {100, 0}, {50, 50}, {150, 50}}));
    const QImage& P = M.Picture();
    // Only the two inside get symbols: a red ring of 24 pixels round a blue one, 9 red inside.
    EXPECT_EQ(PixelOf(P, 50, 50), Through15Bit(clRed));
    EXPECT_EQ(PixelOf(P, 52, 50), Through15Bit(clBlue));
    EXPECT_EQ(PixelOf(P, 150, 50), Through15Bit(clRed));
    EXPECT_EQ(Count(P, clRed), 2 * 33);
    EXPECT_EQ(PixelOf(P, 1, 50), clWhite);
    EXPECT_EQ(PixelOf(P, 100, 1), clWhite);

    Seen.clear();
    M.SetClassVisibility(4, false);
    EXPECT_EQ(Seen.size(), 4u);
    EXPECT_EQ(PixelOf(M.Picture(), 150, 50), clWhite);

    // A handler that draws the landmark itself suppresses symbol and caption.
    GiveCaption(M, 4, "Caption");
    EXPECT_GT(Count(M.Picture(), clYellow), 20);
    HandleAll = true;
    M.Paint();
    EXPECT_EQ(Count(M.Picture(), clYellow), 0);
    EXPECT_EQ(Count(M.Picture(), clRed), 0);
}

TEST(LandMarkLayer, PositionsThatDoNotConvertAreLeftOut)
{
    TGeoMap M;
    Prepare(M);
    Add(M, 50, 50);
    TLandMark L = M.GetLandMarkData(1);
    L.Latitude = std::numeric_limits<double>::quiet_NaN();
    M.SetLandMarkData(1, L);
    int Calls = 0;
    M.OnDrawLandmark = [&](TObject*, bool&, TCanvas&, TPoint, const TLandMark&) { ++Calls; };
    M.SetSuppressPaint(false);
    EXPECT_EQ(Calls, 0);
    M.SetCalibModel(cmUndefined);
    L.Latitude = 47.5;
    M.SetLandMarkData(1, L);
    EXPECT_EQ(Calls, 0);
}

TEST(LandMarkLayer, OnMapOnlyLeavesTheBackgroundAroundASmallMapBare)
{
    // The 200 x 100 image in a 300 x 150 control on a silver background; landmarks on the image,
    // right of it and below it (the calibration extends beyond the image), with and without a
    // handler, and the highlight beyond the image.
    for (const bool WithHandler : {false, true}) {
        TGeoMap M;
        Prepare(M);
        M.resize(300, 150);
        Add(M, 100, 50);
        Add(M, 250, 50);
        Add(M, 100, 120);
        Add(M, 260, 130);
        GiveCaption(M, 2, "Beyond");
        M.SetHighLM(4);
        int Calls = 0;
        if (WithHandler) M.OnDrawLandmark = [&](TObject*, bool&, TCanvas&, TPoint, const TLandMark&) { ++Calls; };
        M.SetSuppressPaint(false);
        EXPECT_GT(Count(M.Picture(), clYellow), 20); // off: drawn on the background, as ever
        EXPECT_EQ(PixelOf(M.Picture(), 100, 120), Through15Bit(clRed));
        EXPECT_FALSE(M.LandMarksOnMapOnly());
        Calls = 0;
        M.SetLandMarksOnMapOnly(true);
        const QImage& P = M.Picture();
        for (int y = 0; y < P.height(); ++y) {
            for (int x = 0; x < P.width(); ++x) {
                if (x < 200 && y < 100) continue;
                ASSERT_EQ(PixelOf(P, x, y), Through15Bit(clSilver)) << WithHandler << " " << x << "," << y;
            }
        }
        EXPECT_EQ(PixelOf(P, 100, 50), Through15Bit(clRed));
        EXPECT_EQ(Calls, WithHandler ? 1 : 0);
        TGeoMap Copy;
        Copy.Assign(M);
        EXPECT_TRUE(Copy.LandMarksOnMapOnly());
    }
}

/// Share of a caption's ink (grey below 200) that is an edge (grey 56 to 199) in the rectangle
/// R (logical pixels) of a picture: sharp text has less of its ink on its edges.
double EdgeShare(const QImage& P, const QRect& R)
{
    const double Ratio = double(P.width()) / R.right(); // R reaches the picture's right edge
    int Ink = 0, Edge = 0;
    for (int y = int(R.top() * Ratio); y < int((R.bottom() + 1) * Ratio); ++y)
        for (int x = int(R.left() * Ratio); x < P.width(); ++x) {
            const int G = qGray(P.pixel(x, y));
            Ink += G < 200;
            Edge += G < 200 && G >= 56;
        }
    return Ink ? double(Edge) / Ink : 1;
}

/// The map of Prepare with one captioned landmark: the square at (100, 40), "Wien" below it.
void PrepareCaptioned(TGeoMap& M)
{
    Prepare(M);
    Add(M, 100, 40);
    TLandMark L = M.GetLandMarkData(1);
    L.Caption.Text = "Wien";
    L.Caption.Size = 11;
    M.SetLandMarkData(1, L);
    M.SetSuppressPaint(false);
}

TEST(LandMarkLayer, HighDpiDrawsTheSameViewAtTheRatiosResolution)
{
    TGeoMap M;
    PrepareCaptioned(M);
    const QImage One = M.Picture();
    const QRect Caption(60, 46, 140, 30);
    const double OneShare = EdgeShare(One, Caption);
    ASSERT_LT(OneShare, 1.0); // the caption is there
    for (const int R : {2, 3}) {
        M.SetHighDpi(false);
        M.SetPixelRatio(R);
        EXPECT_EQ(M.Picture().size(), One.size()) << "only with HighDpi";
        M.SetHighDpi(true);
        const QImage P = M.Picture();
        ASSERT_EQ(P.size(), One.size() * R);
        EXPECT_EQ(P.devicePixelRatio(), R);
        // The symbol is the 1x symbol at R times the pixels, each control pixel R x R alike.
        for (int y = 34; y <= 46; ++y)
            for (int x = 94; x <= 106; ++x)
                for (int k = 0; k < R * R; ++k)
                    ASSERT_EQ(PixelOf(P, x * R + k % R, y * R + k / R), PixelOf(One, x, y)) << x << "," << y << " x" << R;
        // The caption is written at that resolution, not enlarged: its edges stay as thin.
        EXPECT_LT(EdgeShare(P, Caption), 0.7 * OneShare) << R;
        M.CopyToClipboard();
        TBitmap Clip;
        ASSERT_TRUE(ClipboardGetBitmap(Clip));
        EXPECT_EQ(Clip.Width(), 200 * R);
    }
    // The positions a host reads stay in control pixels.
    EXPECT_EQ(M.MapImageToControl(TPoint{100, 40}), (TPoint{100, 40}));
}

TEST(LandMarkLayer, HighDpiFollowsTheScreensRatio)
{
    // Also run with QT_SCALE_FACTOR=2, as a ctest entry of its own.
    TGeoMap M;
    PrepareCaptioned(M);
    M.show();
    const QImage Plain = M.grab().toImage();
    M.SetHighDpi(true);
    const QImage Dense = M.grab().toImage();
    const int R = Round(M.devicePixelRatioF());
    ASSERT_EQ(Dense.size(), QSize(200, 100) * R);
    ASSERT_EQ(Plain.size(), Dense.size());
    if (R == 1) {
        EXPECT_TRUE(Dense == Plain) << "a ratio of 1 changes nothing";
        return;
    }
    // Qt enlarges the plain picture; the dense one has the caption's edges as thin as at 1x.
    const QRect Caption(60, 46, 140, 30);
    EXPECT_LT(EdgeShare(Dense, Caption), 0.7 * EdgeShare(Plain, Caption));
}

TEST(HighLightLandMark, DrawnInItsColoursWithoutCaptionEvenWhenSamplingSkipsIt)
{
    TGeoMap M;
    Prepare(M);
    M.SetRandSampleLimit(1001);
    for (int i = 0; i < 2001; ++i) Add(M, 20, 20);
    Add(M, 120, 60); // landmark 2002, the highlight
    GiveCaption(M, 2002, "Here");
    M.SetHighLM(2002);
    M.SetHighLightProperties(clBlack, clLime, false);
    // A seed under which the sampling (p = 1001 / 2002) leaves landmark 2002 out.
    uint64_t Seed = 1;
    for (;; ++Seed) {
        SeedRandom(Seed);
        for (int i = 1; i < 2002; ++i) BRandom(0.5);
        if (!BRandom(0.5)) break;
    }
    int Calls = 0;
    M.OnDrawLandmark = [&](TObject*, bool&, TCanvas&, TPoint P, const TLandMark&) { Calls += P == TPoint{120, 60}; };
    SeedRandom(Seed);
    M.SetSuppressPaint(false);
    const QImage& P = M.Picture();
    EXPECT_EQ(Calls, 1); // the highlight only
    EXPECT_EQ(PixelOf(P, 120, 60), Through15Bit(clLime));
    EXPECT_EQ(PixelOf(P, 122, 60), Through15Bit(clBlack));
    EXPECT_EQ(Count(P, clYellow), 0);
    EXPECT_EQ(Count(P, clLime), 33);
    // A hidden class hides the highlight too.
    M.SetClassVisibility(0, false);
    EXPECT_EQ(Count(M.Picture(), clLime), 0);
}

} // namespace
} // namespace tyx
