// Conversions outside the fits themselves: failure reporting, the graticule searches, extents and
// resolution, the inside test, the view conversions, the quality figure and the solver.
#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/geocalib_internal.h"
#include "support/Tyx_matrix.h"
#include "support/Tyx_tyxbase.h"
#include "support/Tyx_vector.h"
#include "calib_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace tyx;
using tyx::test::NewCalibration;

namespace {

constexpr double Circumference = 40074155.88919140255;

// A graticule of the given parallels (value, row at the vertex column 400) and two straight
// meridians, 10 at column 400 and 11 at column 700.
TGeoCalibration Graticule(std::initializer_list<std::pair<double, int>> Parallels)
{
    TGeoCalibration c = NewCalibration(cmParabolicIp);
    for (const auto& [Phi, Row] : Parallels)
        for (int x : {100, 400, 700}) c.AddCalibPoint(gtlParallel, Phi, x, Row + (x - 400) * (x - 400) / 1000);
    for (double Lambda : {10.0, 11.0})
        for (int y : {100, 300, 500}) c.AddCalibPoint(gtlMeridian, Lambda, static_cast<int>(400 + 300 * (Lambda - 10)), y);
    return c;
}

TGeoCalibration EquiRect(int W, int H, double LatTop, double LongLeft, double LatBottom, double LongRight)
{
    TGeoCalibration c = NewCalibration(cmEquiRect, W, H);
    c.AddCalibPoint(LatTop, LongLeft, 0, 0);
    c.AddCalibPoint(LatTop, LongRight, W, 0);
    c.AddCalibPoint(LatBottom, LongLeft, 0, H);
    return c;
}

} // namespace

TEST(CalibConvert, UndefinedModelConvertsNothing)
{
    const TGeoCalibration c = NewCalibration(cmUndefined);
    bool v = true;
    EXPECT_EQ(c.CalcLatitude(10, 10, v), 0);
    EXPECT_FALSE(v);
    v = true;
    EXPECT_EQ(c.CalcLongitude(10, 10, v), 0);
    EXPECT_FALSE(v);
    int x = 7, y = 8;
    EXPECT_FALSE(c.CalcPixelCoords(48, 16, x, y));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_FALSE(c.CalcPixelCoordsUTM(5000000, 500000, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_FALSE(c.IsPositionWithinMap(0, 0));
}

TEST(CalibConvert, GraticuleNeedsTwoFittedLinesOfEachKind)
{
    TGeoCalibration c = NewCalibration(cmParabolicIp);
    for (double Phi : {48.0, 49.0})
        for (int x : {100, 400, 700}) c.AddCalibPoint(gtlParallel, Phi, x, int(300 - 100 * (Phi - 48)));
    for (int y : {100, 300, 500}) c.AddCalibPoint(gtlMeridian, 10.0, 200, y);
    c.AddCalibPoint(gtlMeridian, 11.0, 500, 100); // too short for a parabola
    EXPECT_FALSE(c.RecalcGratMat());
    EXPECT_EQ(c.GratMat().NumRows(), 1);
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(c.GratMat().GetVal(k, 1), 0);
    bool v = true;
    EXPECT_EQ(c.CalcLatitude(300, 300, v), 0);
    EXPECT_FALSE(v);
    int x = 3, y = 4;
    EXPECT_FALSE(c.CalcPixelCoords(48.5, 10.5, x, y));
    EXPECT_EQ(x, 3);

    // Completing the second meridian makes the graticule usable.
    c.AddCalibPoint(gtlMeridian, 11.0, 500, 300);
    c.AddCalibPoint(gtlMeridian, 11.0, 500, 500);
    EXPECT_TRUE(c.RecalcGratMat());
    EXPECT_NEAR(c.CalcLongitude(350, 300, v), 10.5, 1e-9);
    EXPECT_TRUE(v);

    // A parallel of two points keeps its row, with the parabola y = 0, and is searched too.
    c.AddCalibPoint(gtlParallel, 50.0, 300, 100);
    c.AddCalibPoint(gtlParallel, 50.0, 400, 100);
    ASSERT_EQ(c.GratMat().NumRows(), 5);
    EXPECT_EQ(c.GratMat().GetVal(1, 5), 1);
    EXPECT_EQ(c.GratMat().GetVal(2, 5), 50.0);
    for (int k = 3; k <= 5; ++k) EXPECT_EQ(c.GratMat().GetVal(k, 5), 0);
    EXPECT_NEAR(c.CalcLatitude(300, 50, v), 50.0 - 50.0 / 200.0, 1e-9) << "between row 0 (50) and row 200 (49)";
}

TEST(CalibConvert, GraticuleInterpolatesBetweenTheTwoNearestLines)
{
    // Stored north to south with widening spacing. At row 260 the nearest parallels are 50 (row
    // 200) and 49 (row 300); pairing 49 with 48 (row 450) would extrapolate to 49.2667.
    const TGeoCalibration c = Graticule({{50.0, 200}, {49.0, 300}, {48.0, 450}});
    bool v = false;
    EXPECT_NEAR(c.CalcLatitude(400, 260, v), 49.4, 1e-9);
    EXPECT_NEAR(c.CalcLatitude(400, 400, v), 48.0 + 50.0 / 150.0, 1e-9);
    int x = 0, y = 0;
    EXPECT_TRUE(c.CalcPixelCoords(49.4, 10.0, x, y));
    EXPECT_EQ(y, 260);
    EXPECT_EQ(x, 400);
}

TEST(CalibConvert, DegenerateGraticulesReportFailureInsteadOfInfinity)
{
    // Parallel 49 crosses parallel 48 (row 300) at column 400: nothing to interpolate there.
    TGeoCalibration c = NewCalibration(cmParabolicIp);
    for (int x : {100, 400, 700}) c.AddCalibPoint(gtlParallel, 48.0, x, 300);
    for (int x : {100, 400, 700}) c.AddCalibPoint(gtlParallel, 49.0, x, 300 + (x - 400) / 3);
    for (double Lambda : {10.0, 11.0})
        for (int y : {100, 300, 500}) c.AddCalibPoint(gtlMeridian, Lambda, int(200 + 300 * (Lambda - 10)), y);
    bool v = true;
    EXPECT_EQ(c.CalcLatitude(400, 300, v), 0);
    EXPECT_FALSE(v);
    EXPECT_NEAR(c.CalcLatitude(700, 350, v), 48.5, 1e-9);
    EXPECT_TRUE(v);

    // Two meridians of one value, as a record written whole may hold them.
    TCalibData d = c.CalibData();
    d.CalLines[4].LineValue = 10.0;
    c.SetCalibData(d);
    ASSERT_TRUE(c.RecalcGratMat());
    int x = 1, y = 2;
    EXPECT_FALSE(c.CalcPixelCoords(48.5, 10.5, x, y));
    EXPECT_EQ(x, 1);
}

TEST(CalibConvert, GraticuleDivergesFarOutside)
{
    // Strongly curved lines: starting from column 500, the iteration runs away.
    TGeoCalibration c = NewCalibration(cmParabolicIp);
    for (double Phi : {48.0, 49.0})
        for (int x : {0, 100, 200}) c.AddCalibPoint(gtlParallel, Phi, x, int(x * x / 10 + 100 * (Phi - 48)));
    for (double Lambda : {10.0, 11.0})
        for (int y : {0, 100, 200}) c.AddCalibPoint(gtlMeridian, Lambda, int(y * y / 10 + 100 * (Lambda - 10)), y);
    int x = 0, y = 0;
    EXPECT_FALSE(c.CalcPixelCoords(60.0, 30.0, x, y));
}

TEST(CalibConvert, ExtentsAndResolutionOfWorldMaps)
{
    // A whole world, 10 pixels per degree: the middle line is the full equator.
    TGeoCalibration World = EquiRect(3600, 1800, 90, -180, -90, 180);
    const TCalibData& d = World.CalibData();
    EXPECT_NEAR(d.Corners[gcoTopLeft].Latit, 90, 1e-9);
    EXPECT_NEAR(d.Corners[gcoTopLeft].Longit, -180, 1e-9);
    EXPECT_NEAR(d.Corners[gcoBottomRight].Latit, -90, 1e-9);
    EXPECT_NEAR(d.Corners[gcoBottomRight].Longit, 180, 1e-9);
    EXPECT_NEAR(d.Corners[gcoTopRight].Longit, 180, 1e-9);
    EXPECT_NEAR(d.Corners[gcoBottomLeft].Latit, -90, 1e-9);
    EXPECT_NEAR(d.Resolution, Circumference / 3600, 1e-3);

    // Three quarters of the equator, and more than a full turn.
    EXPECT_NEAR(EquiRect(2700, 1800, 90, -135, -90, 135).CalibData().Resolution, Circumference / 3600, 1e-3);
    EXPECT_NEAR(EquiRect(4000, 1800, 90, -200, -90, 200).CalibData().Resolution, Circumference / 3600, 1e-3);
    // Less than half the earth: the plain great-circle distance.
    EXPECT_NEAR(EquiRect(900, 1800, 90, 0, -90, 90).CalibData().Resolution, Circumference / 3600, 1e-3);

    // Without an image size nothing can be measured: corners and resolution stay.
    const TCalibData Before = World.CalibData();
    for (const auto& [W, H] : {std::pair{0, 1800}, std::pair{3600, 0}}) {
        World.SetMapImageSize(W, H);
        World.CalcExtentsAndResolution();
        EXPECT_EQ(World.CalibData().Corners, Before.Corners);
        EXPECT_EQ(World.CalibData().Resolution, Before.Resolution);
    }
}

TEST(CalibConvert, PositionInMapOnEdgesAndDegenerateCorners)
{
    TCornerArray Square{};
    Square[gcoTopLeft] = {10, 0};
    Square[gcoBottomLeft] = {0, 0};
    Square[gcoBottomRight] = {0, 10};
    Square[gcoTopRight] = {10, 10};
    EXPECT_TRUE(PositionInMap(5, 5, Square));
    EXPECT_TRUE(PositionInMap(9.999, 0.001, Square));
    EXPECT_FALSE(PositionInMap(0, 5, Square)) << "on the bottom edge";
    EXPECT_FALSE(PositionInMap(5, 10, Square)) << "on the right edge";
    EXPECT_FALSE(PositionInMap(10, 10, Square)) << "a corner";
    EXPECT_FALSE(PositionInMap(11, 5, Square));
    EXPECT_FALSE(PositionInMap(5, -1, Square));

    TCornerArray Point{};
    Point.fill(TCoords{3, 3});
    EXPECT_FALSE(PositionInMap(3, 3, Point));
    TCornerArray Line{};
    Line[gcoTopLeft] = {0, 0};
    Line[gcoBottomLeft] = {1, 1};
    Line[gcoBottomRight] = {2, 2};
    Line[gcoTopRight] = {3, 3};
    EXPECT_FALSE(PositionInMap(1.5, 1.5, Line));

    const TGeoCalibration c = EquiRect(3600, 1800, 90, -180, -90, 180);
    EXPECT_TRUE(c.IsPositionWithinMap(48.2, 16.4));
    EXPECT_FALSE(c.IsPositionWithinMap(91, 0));
}

TEST(CalibConvert, ViewConversionsWithMagnification)
{
    const TPoint TopLeft{100, 50};
    EXPECT_EQ(TGeoCalibration::ControlToMapImage({10, 10}, 2.0, TopLeft), (TPoint{105, 55}));
    EXPECT_EQ(TGeoCalibration::MapImageToControl({105, 55}, 2.0, TopLeft), (TPoint{10, 10}));
    // Halves round to even: control pixels 1 and 3 at magnification 2 are image pixels 0.5, 1.5.
    EXPECT_EQ(TGeoCalibration::ControlToMapImage({1, 3}, 2.0, TopLeft), (TPoint{100, 52}));
    EXPECT_EQ(TGeoCalibration::MapImageToControl({99, 50}, 0.5, TopLeft), (TPoint{0, 0}));
    EXPECT_EQ(TGeoCalibration::MapImageToControl({0, 0}, 0.25, TopLeft), (TPoint{-25, -12}));
}

TEST(CalibConvert, QualityFigureIsTheRmsPixelDifference)
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    c.AddCalibPoint(10.0, 20.0, 0, 0);
    c.AddCalibPoint(10.0, 21.0, 100, 0);
    c.AddCalibPoint(9.0, 20.0, 0, 100);
    double QX = -1, QY = -1;
    c.CalibQuality(QX, QY);
    EXPECT_EQ(QX, 0);
    EXPECT_EQ(QY, 0);
    // A fourth point 20 pixels off in x: the affine fit spreads the error.
    c.AddCalibPoint(9.0, 21.0, 120, 100);
    c.CalibQuality(QX, QY);
    EXPECT_GT(QX, 1.0);
    EXPECT_LT(QX, 20.0);
    EXPECT_EQ(QY, 0);
}

TEST(LeastSquares, RankDeficientSystemsGetTheMinimumNormSolution)
{
    // One equation x1 + 2 x2 + 3 x3 = 14: the shortest solution is (1, 2, 3).
    TMatrix A(3, 1);
    A.SetVal(1, 1, 1);
    A.SetVal(2, 1, 2);
    A.SetVal(3, 1, 3);
    TVector b(1), x;
    b.SetVal(1, 14);
    ASSERT_TRUE(LeastSquaresSolve(A, b, x));
    EXPECT_NEAR(x.GetVal(1), 1, 1e-12);
    EXPECT_NEAR(x.GetVal(2), 2, 1e-12);
    EXPECT_NEAR(x.GetVal(3), 3, 1e-12);

    // Two equal columns over four rows: the weight is split evenly, and the residual minimised.
    TMatrix B(2, 4);
    TVector c(4), y, Sd;
    const double Obs[4] = {1, 2, 3, 6};
    for (int i = 1; i <= 4; ++i) {
        B.SetVal(1, i, i);
        B.SetVal(2, i, i);
        c.SetVal(i, Obs[i - 1]);
    }
    ASSERT_TRUE(LeastSquaresSolve(B, c, y, &Sd));
    // Least squares of Obs against i gives the slope 38/30, halved between the two columns.
    EXPECT_NEAR(y.GetVal(1), 19.0 / 30.0, 1e-12);
    EXPECT_NEAR(y.GetVal(2), 19.0 / 30.0, 1e-12);
    EXPECT_GT(Sd.GetVal(1), 0);
}

TEST(LeastSquares, OverdeterminedSystemMatchesTheNormalEquations)
{
    // y = 3 - 2 t + 0.5 t^2 plus a fixed disturbance; compare with the 3 x 3 normal equations.
    const int N = 9;
    TMatrix A(3, N);
    TVector b(N), x;
    double AtA[3][3] = {}, Atb[3] = {};
    for (int i = 1; i <= N; ++i) {
        const double t = i - 5, Row[3] = {1, t, t * t};
        const double Obs = 3 - 2 * t + 0.5 * t * t + ((i % 3) - 1) * 0.1;
        for (int j = 0; j < 3; ++j) {
            A.SetVal(j + 1, i, Row[j]);
            Atb[j] += Row[j] * Obs;
            for (int k = 0; k < 3; ++k) AtA[j][k] += Row[j] * Row[k];
        }
        b.SetVal(i, Obs);
    }
    ASSERT_TRUE(LeastSquaresSolve(A, b, x));
    for (int j = 0; j < 3; ++j) {
        double r = -Atb[j];
        for (int k = 0; k < 3; ++k) r += AtA[j][k] * x.GetVal(k + 1);
        EXPECT_NEAR(r, 0, 1e-9) << "normal equation " << j;
    }
}

TEST(LeastSquares, AbortLeavesTheCoefficientsAtZero)
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    c.AddCalibPoint(10.0, 20.0, 0, 0);
    c.AddCalibPoint(10.0, 21.0, 100, 0);
    ASSERT_NE(c.EquRectPLSP()(2, 2), 0);

    int Calls = 0;
    const double Start = ProcStat;
    MathFeedBackProc = [&](double) { ++Calls; };
    AbortMathProc = true;
    c.AddCalibPoint(9.0, 20.0, 0, 100);
    AbortMathProc = false;
    MathFeedBackProc = nullptr;
    for (int r = 1; r <= 2; ++r)
        for (int k = 1; k <= 3; ++k) {
            EXPECT_EQ(c.EquRectPLSP()(r, k), 0);
            EXPECT_EQ(c.EquRectSPPL()(r, k), 0);
        }
    // Each of the four solves stops at its first step.
    EXPECT_EQ(Calls, 4);
    EXPECT_EQ(ProcStat - Start, 4.0);

    // Without the flag, a solve of 3 parameters makes 4 x 3 progress steps.
    const double Before = ProcStat;
    c.RecalcCalibration();
    EXPECT_EQ(ProcStat - Before, 4 * 12.0);
    EXPECT_NEAR(c.EquRectPLSP()(2, 2), 0.01, 1e-12);
}
