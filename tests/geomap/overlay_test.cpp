// The overlays drawn over the map image: graticule lines of every model and their spacing, the
// UTM grid, the calibration marks, the scale bar.
#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <vector>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

using test::PixelOf;
using test::Through15Bit;

const TColor GratColor = clBlue;
const TColor MarkColor = clRed;

/// A W x H control showing a grey 200 x 100 image on white, no frame, graticule blue, marks red.
void Prepare(TGeoMap& M, int W, int H)
{
    M.SetSuppressPaint(true);
    M.resize(W, H);
    M.SetFrameStyle(frsNone);
    M.SetColorBakGnd(clWhite);
    TBitmap Img;
    test::FillBitmap(Img, 200, 100, clGray);
    M.SetMapBitMap(Img);
    M.SetColorGratLine(GratColor);
    M.SetColorGratPoints(MarkColor);
}

/// Calibration points from a linear map: latitude Lat0 - dLat * y, longitude Long0 + dLong * x.
void Linear(TGeoMap& M, TCalibModel Model, double Lat0, double dLat, double Long0, double dLong,
            const std::vector<TPoint>& Pixels)
{
    M.SetCalibModel(Model);
    for (const TPoint& P : Pixels) ASSERT_TRUE(M.AddCalibPoint(Lat0 - dLat * P.Y, Long0 + dLong * P.X, P.X, P.Y));
}

const std::vector<TPoint> Three{{0, 0}, {200, 0}, {0, 100}};
const std::vector<TPoint> Six{{0, 0}, {200, 0}, {0, 100}, {200, 100}, {100, 50}, {50, 20}};

int Count(const QImage& P, TColor C, int X0, int Y0, int X1, int Y1)
{
    int n = 0;
    for (int y = Y0; y < Y1; ++y)
        for (int x = X0; x < X1; ++x) n += PixelOf(P, x, y) == Through15Bit(C);
    return n;
}

/// Rows of column X that show colour C.
std::vector<int> RowsOf(const QImage& P, TColor C, int X)
{
    std::vector<int> Rows;
    for (int y = 0; y < P.height(); ++y)
        if (PixelOf(P, X, y) == Through15Bit(C)) Rows.push_back(y);
    return Rows;
}

std::vector<int> ColumnsOf(const QImage& P, TColor C, int Y)
{
    std::vector<int> Cols;
    for (int x = 0; x < P.width(); ++x)
        if (PixelOf(P, x, Y) == Through15Bit(C)) Cols.push_back(x);
    return Cols;
}

TEST(Graticule, PointModelsDrawTheirParallelsWhereTheyConvertAndNothingElse)
{
    struct TCase {
        TCalibModel Model;
        const std::vector<TPoint>& Points;
    };
    for (const TCase& K : {TCase{cmEquiRect, Three}, TCase{cmBiquadraticPn, Six}, TCase{cmMillerCylindrical, Three},
                           TCase{cmConicConformal, Six}}) {
        SCOPED_TRACE(K.Model);
        TGeoMap M;
        Prepare(M, 200, 100);
        Linear(M, K.Model, 48, 0.01, 16, 0.01, K.Points);
        M.SetGratLineDist(0.25);
        M.SetShowGrat(sgLines);
        M.SetSuppressPaint(false);
        const QImage& P = M.Picture();
        // Every parallel of the box that falls inside the picture crosses column 110 once, where
        // the model puts it; no other pixel of the column is graticule.
        const TCornerArray& K4 = M.CalibData().Corners;
        const double LatLow = std::min(K4[gcoBottomLeft].Latit, K4[gcoBottomRight].Latit);
        const double LatHigh = std::max(K4[gcoTopLeft].Latit, K4[gcoTopRight].Latit);
        std::vector<int> Expected;
        for (double D = std::trunc(LatLow * 4) / 4; D < LatHigh; D += 0.25) {
            int x = 0, y = 0;
            M.CalcPixelCoords(D, 16 + 0.01 * 110, x, y);
            if (y >= 0 && y < 100) Expected.push_back(y);
        }
        ASSERT_GE(Expected.size(), 3u);
        std::vector<int> Rows = RowsOf(P, GratColor, 110);
        ASSERT_EQ(Rows.size(), Expected.size());
        std::sort(Expected.begin(), Expected.end());
        for (std::size_t i = 0; i < Rows.size(); ++i) EXPECT_NEAR(Rows[i], Expected[i], 1);
        // The meridians at 16.25 ... 17.75 cross row 40 where the model puts them (the one at 16
        // runs along the image's edge).
        std::vector<int> Cols = ColumnsOf(P, GratColor, 40);
        std::erase_if(Cols, [](int x) { return x < 5; });
        ASSERT_EQ(Cols.size(), 7u);
        for (int k = 0; k < 7; ++k) {
            int x = 0, y = 0;
            M.CalcPixelCoords(48 - 0.4, 16.25 + 0.25 * k, x, y);
            EXPECT_NEAR(Cols[k], x, 1);
        }
        EXPECT_EQ(Count(P, MarkColor, 0, 0, 200, 100), 0);
    }
}

TEST(Graticule, LinesNeedEnoughCalibrationPoints)
{
    TGeoMap M;
    Prepare(M, 200, 100);
    Linear(M, cmBiquadraticPn, 48, 0.01, 16, 0.01, std::vector<TPoint>(Six.begin(), Six.begin() + 5));
    M.SetGratLineDist(0.25);
    M.SetShowGrat(sgLines);
    M.SetSuppressPaint(false);
    EXPECT_EQ(Count(M.Picture(), GratColor, 0, 0, 200, 100), 0);
}

TEST(CalibMarks, TwoPointsGetTheirMarksButNoLines)
{
    TGeoMap M;
    Prepare(M, 200, 100);
    Linear(M, cmEquiRect, 48, 0.01, 16, 0.01, {{50, 50}, {150, 50}});
    M.SetShowGrat(sgPoints);
    M.SetSuppressPaint(false);
    const QImage& P = M.Picture();
    EXPECT_EQ(Count(P, GratColor, 0, 0, 200, 100), 0);
    // A cross and a diamond of 8, a white diamond of 9, a red one of 10, at both points.
    for (int X : {50, 150}) {
        SCOPED_TRACE(X);
        for (TPoint Red : {TPoint{X - 8, 50}, TPoint{X, 57}, TPoint{X, 40}, TPoint{X + 5, 55}, TPoint{X + 8, 50}})
            EXPECT_EQ(PixelOf(P, Red.X, Red.Y), Through15Bit(MarkColor)) << Red.X << "," << Red.Y;
        EXPECT_EQ(PixelOf(P, X + 5, 54), Through15Bit(clWhite));
        EXPECT_EQ(PixelOf(P, X + 9, 50), Through15Bit(clWhite));
        EXPECT_EQ(PixelOf(P, X + 11, 50), Through15Bit(clGray));
    }
}

TEST(CalibMarks, AMarkFarOffTheViewDrawsNothing)
{
    // The far point's control column is the lowest int: its mark's strokes must not wrap round
    // into the view.
    TGeoMap M;
    Prepare(M, 200, 100);
    M.SetCalibModel(cmEquiRect);
    ASSERT_TRUE(M.AddCalibPoint(47.5, 16.0, INT_MIN, 50));
    M.SetShowGrat(sgPoints);
    M.SetSuppressPaint(false);
    EXPECT_EQ(Count(M.Picture(), MarkColor, 0, 0, 200, 100), 0);
}

struct TSpacingCase {
    const char* Name;
    double Lat0, dLat;     ///< latitude of row 0 and its change per row
    double Dist;           ///< GratLineDist
    int CtlH;              ///< control height (rows beyond 100 show the background)
    std::vector<int> Rows; ///< rows of column 110 that the parallels cross
};

TEST(Graticule, ParallelSpacingStartsTruncatedTowardZeroAndStopsBelowTheTop)
{
    const std::vector<TSpacingCase> Cases{
        // 0.05 degrees: the decade search gives 100 lines per degree, 0.01 apart, from 47.95
        // (row 106, below the picture) to 48.00.
        {"automatic over 0.05 degrees", 48.003, 0.0005, 0, 100, {6, 26, 46, 66, 86}},
        // 47.3 to 48.2 every 0.5: 47.0 lies beyond the map (row 133), 47.5 and 48.0 follow.
        {"0.5 from 47.3", 48.2, 0.009, 0.5, 150, {22, 78, 133}},
        // From -12.34 with 1 degree: the first parallel is -12 (row 66), not -13 (row 166).
        {"negative latitudes", -11.34, 0.01, 1, 200, {66}},
    };
    for (const TSpacingCase& K : Cases) {
        SCOPED_TRACE(K.Name);
        TGeoMap M;
        Prepare(M, 200, K.CtlH);
        Linear(M, cmEquiRect, K.Lat0, K.dLat, 16, 0.01, Three);
        M.SetGratLineDist(K.Dist);
        M.SetShowGrat(sgLines);
        M.SetSuppressPaint(false);
        EXPECT_EQ(RowsOf(M.Picture(), GratColor, 110), K.Rows);
    }
}

TEST(Graticule, ABoxWithoutHeightOrWidthDrawsNoLinesOfThatFamily)
{
    TGeoMap M;
    Prepare(M, 200, 100);
    Linear(M, cmEquiRect, 48, 0.01, 16, 0.01, Three);
    // Corners on one parallel (and then on one meridian): the decade search has no range.
    TCalibData CD = M.CalibData();
    for (TCoords& K : CD.Corners) K.Latit = 47.5;
    M.SetCalibData(CD);
    M.SetShowGrat(sgLines);
    M.SetSuppressPaint(false); // returns
    EXPECT_TRUE(RowsOf(M.Picture(), GratColor, 110).empty());
    for (TCoords& K : CD.Corners) K.Longit = 17.5;
    M.SetCalibData(CD);
    M.Paint(); // returns
    EXPECT_EQ(Count(M.Picture(), GratColor, 0, 0, 200, 100), 0);
}

TEST(Graticule, TooManyLinesOfAFamilyDrawNone)
{
    TGeoMap M;
    Prepare(M, 200, 100);
    // 2 degrees of latitude and 0.005 of longitude at 0.0001: 20000 parallels are not drawn, the
    // 50 meridians (every 4 columns) are.
    Linear(M, cmEquiRect, 48, 0.02, 16, 0.000025, Three);
    M.SetGratLineDist(0.0001);
    M.SetShowGrat(sgLines);
    M.SetSuppressPaint(false);
    EXPECT_TRUE(RowsOf(M.Picture(), GratColor, 2).empty());
    EXPECT_EQ(ColumnsOf(M.Picture(), GratColor, 50).size(), 50u);
    M.SetGratLineDist(0.001); // 2000 parallels are drawn
    EXPECT_EQ(RowsOf(M.Picture(), GratColor, 2).size(), 100u);
}

TEST(Graticule, AStepTooFineToMoveTheLatitudeDrawsNothing)
{
    // A box 5e-12 degrees high about 47.5, where doubles lie 7.1e-15 apart: 1e-12 draws its
    // lines (all on one row), 3e-15 would add nothing to the running latitude.
    const struct {
        double Dist;
        std::vector<int> Rows;
    } Cases[] = {{1e-12, {50}}, {3e-15, {}}};
    for (const auto& K : Cases) {
        SCOPED_TRACE(K.Dist);
        TGeoMap M;
        Prepare(M, 200, 100);
        Linear(M, cmEquiRect, 48, 0.01, 16, 0.01, Three);
        TCalibData CD = M.CalibData();
        CD.Corners[gcoBottomLeft].Latit = CD.Corners[gcoBottomRight].Latit = 47.5;
        CD.Corners[gcoTopLeft].Latit = CD.Corners[gcoTopRight].Latit = 47.5 + 5e-12;
        M.SetCalibData(CD);
        M.SetGratLineDist(K.Dist);
        M.SetShowGrat(sgLines);
        M.SetSuppressPaint(false);
        EXPECT_EQ(RowsOf(M.Picture(), GratColor, 110), K.Rows);
    }
}

TEST(Graticule, ParabolicCurvesRunAcrossTheViewWithTheMarksOfTheirPoints)
{
    TGeoMap M;
    Prepare(M, 300, 150);
    M.SetCalibModel(cmParabolicIp);
    // Two straight parallels and two meridians, one of them bent through (120, 50).
    for (int x : {40, 100, 160}) {
        ASSERT_TRUE(M.AddCalibPoint(gtlParallel, 47.8, x, 20));
        ASSERT_TRUE(M.AddCalibPoint(gtlParallel, 47.2, x, 80));
    }
    for (int y : {10, 50, 90}) ASSERT_TRUE(M.AddCalibPoint(gtlMeridian, 16.2, 30, y));
    ASSERT_TRUE(M.AddCalibPoint(gtlMeridian, 16.8, 170, 10));
    ASSERT_TRUE(M.AddCalibPoint(gtlMeridian, 16.8, 180, 50));
    ASSERT_TRUE(M.AddCalibPoint(gtlMeridian, 16.8, 170, 90));
    M.SetShowGrat(sgLines);
    M.SetSuppressPaint(false);
    const QImage& P = M.Picture();
    // The parallels run over the whole width of the control, beyond the image too.
    EXPECT_EQ(ColumnsOf(P, GratColor, 20).size(), 300u);
    EXPECT_EQ(RowsOf(P, GratColor, 250), (std::vector<int>{20, 80}));
    // x = 180 - 10 ((y - 50) / 40)^2: the bent meridian at rows 10, 40 and 50.
    EXPECT_EQ(PixelOf(P, 170, 10), Through15Bit(GratColor));
    EXPECT_EQ(PixelOf(P, 179, 40), Through15Bit(GratColor));
    EXPECT_EQ(PixelOf(P, 180, 50), Through15Bit(GratColor));
    EXPECT_EQ(Count(P, MarkColor, 0, 0, 300, 150), 0);
    M.SetShowGrat(sgPoints);
    EXPECT_EQ(Count(M.Picture(), GratColor, 0, 0, 300, 150), 0);
    for (TPoint Mark : {TPoint{40, 20}, TPoint{160, 80}, TPoint{30, 90}, TPoint{180, 50}})
        EXPECT_EQ(PixelOf(M.Picture(), Mark.X - 8, Mark.Y), Through15Bit(MarkColor));
}

/// A cmUTM calibration of zone 33: northing 5340000 - 10 * y (or Step * y), easting 600000 + 10 * x.
void MakeUTM(TGeoMap& M, double Step)
{
    M.SetCalibModel(cmUTM);
    M.SetUTMZone(33);
    M.SetUTMHemisphere(hemiNorth);
    for (const TPoint& P : Three)
        ASSERT_TRUE(M.AddCalibPoint(5340000 - Step * P.Y, 600000 + 10.0 * P.X, 33, hemiNorth, P.X, P.Y));
}

TEST(UTMGrid, GridLinesOnlyAndOnlyUnderUTM)
{
    {
        TGeoMap M;
        Prepare(M, 200, 100);
        MakeUTM(M, 10);
        M.SetUTMGridDist(500);
        M.SetShowGrat(sgUTMGrid);
        M.SetSuppressPaint(false);
        const QImage& P = M.Picture();
        // Every 500 m: northings at rows 0 and 50 (row 100 is beyond the picture), eastings at
        // columns 0, 50, 100 and 150 (602000 is the eastern bound). Automatic parallels would
        // lie about 11 rows apart.
        EXPECT_EQ(RowsOf(P, GratColor, 120), (std::vector<int>{0, 50}));
        EXPECT_EQ(ColumnsOf(P, GratColor, 70), (std::vector<int>{0, 50, 100, 150}));
        EXPECT_EQ(Count(P, MarkColor, 0, 0, 200, 100), 0);
        // With marks: the three calibration points too.
        M.SetShowGrat(sgPointsAndUTMGrid);
        EXPECT_EQ(PixelOf(M.Picture(), 200 - 8, 0), Through15Bit(MarkColor));
    }
    TGeoMap M;
    Prepare(M, 200, 100);
    Linear(M, cmEquiRect, 48, 0.01, 16, 0.01, Three);
    M.SetShowGrat(sgPointsAndUTMGrid);
    M.SetSuppressPaint(false);
    EXPECT_EQ(Count(M.Picture(), GratColor, 0, 0, 200, 100), 0);
    EXPECT_EQ(Count(M.Picture(), MarkColor, 0, 0, 200, 100), 0);
}

TEST(UTMGrid, AutomaticStepFollowsTheNorthingRange)
{
    TGeoMap M;
    Prepare(M, 200, 240);
    TBitmap Img;
    test::FillBitmap(Img, 200, 230, clWhite);
    M.SetMapBitMap(Img);
    // 100 m per row over 230 rows: 23 km, a tenth of it rounds to 2000 m.
    MakeUTM(M, 100);
    M.SetShowGrat(sgUTMGrid);
    M.SetSuppressPaint(false);
    const std::vector<int> Rows = RowsOf(M.Picture(), GratColor, 130);
    ASSERT_EQ(Rows.size(), 12u);
    for (std::size_t i = 0; i < Rows.size(); ++i) EXPECT_EQ(Rows[i], 20 * static_cast<int>(i)) << i;
}

TEST(UTMGrid, TheGridEndsAtTheImageWhenTheViewIsPanned)
{
    TGeoMap M;
    Prepare(M, 200, 100);
    MakeUTM(M, 10);
    // Every 300 m from 5338800 (image row 120, below the image) and from 600000 (column 0).
    M.SetUTMGridDist(300);
    M.SetShowGrat(sgUTMGrid);
    M.SetTopLeft({100, 60}); // the image ends at control column 100 and row 40
    M.SetSuppressPaint(false);
    EXPECT_EQ(RowsOf(M.Picture(), GratColor, 10), (std::vector<int>{0, 30}));
    EXPECT_EQ(ColumnsOf(M.Picture(), GratColor, 15), (std::vector<int>{20, 50, 80}));
    EXPECT_EQ(Count(M.Picture(), GratColor, 0, 40, 200, 100), 0);
}

TEST(Graticule, LabelsAtTheEdgesInTheGraticuleColourNeverOverlap)
{
    // The image fills the 400 x 200 view; parallels cross the left and right edges, meridians the
    // top and bottom. Label ink is the graticule colour inside a white halo; the map is grey.
    struct TStrip {
        int X0, Y0, X1, Y1;
    };
    const TStrip Strips[] = {{3, 0, 45, 200}, {355, 0, 397, 200}, {0, 3, 400, 15}, {0, 185, 400, 197}};
    for (const TCalibModel Model : {cmEquiRect, cmBiquadraticPn}) {
        for (const double Dist : {0.25, 0.01}) {
            TGeoMap M;
            Prepare(M, 400, 200);
            Linear(M, Model, 48, 0.01, 16, 0.01, Model == cmEquiRect ? Three : Six);
            M.SetShowGrat(sgLines);
            M.SetGratLineDist(Dist);
            M.SetMagnification(2);
            M.SetSuppressPaint(false);
            const QImage Off = M.Picture().copy();
            EXPECT_FALSE(M.GratLabels());
            M.SetGratLabels(true);
            const QImage& On = M.Picture();
            for (const TStrip& S : Strips) {
                EXPECT_EQ(Count(Off, clWhite, S.X0, S.Y0, S.X1, S.Y1), 0);
                EXPECT_GT(Count(On, clWhite, S.X0, S.Y0, S.X1, S.Y1), 20) << Model << " " << Dist << " " << S.X0;
                int NewInk = 0; // graticule colour where no line runs
                for (int y = S.Y0; y < S.Y1; ++y)
                    for (int x = S.X0; x < S.X1; ++x)
                        NewInk += PixelOf(On, x, y) == Through15Bit(GratColor) && PixelOf(Off, x, y) == Through15Bit(clGray);
                EXPECT_GT(NewInk, 10) << Model << " " << Dist << " " << S.X0;
            }
            // Down the left edge the labels stand apart: bands of haloed rows, none taller than
            // one label, however dense the lines.
            std::vector<int> Bands;
            bool InBand = false;
            for (int y = 0; y < 200; ++y) {
                const bool Ink = Count(On, clWhite, 3, y, 45, y + 1) > 0;
                if (Ink && !InBand) Bands.push_back(0);
                if (Ink) ++Bands.back();
                InBand = Ink;
            }
            EXPECT_GE(Bands.size(), Dist < 0.1 ? 6u : 3u) << Model << " " << Dist;
            for (const int Height : Bands) EXPECT_LE(Height, 20) << Model << " " << Dist;
        }
    }
}

TEST(ScaleBar, ARoundGroundDistanceAtMostAFifthOfTheViewBottomLeft)
{
    // Longitude 16 + 0.01 x, latitude 48 - 0.01 y on a 600 x 300 view, at several magnifications.
    const GeographicLib::Geodesic& Wgs84 = GeographicLib::Geodesic::WGS84();
    for (const double Mag : {0.5, 1.0, 3.0, 40.0}) {
        TGeoMap M;
        Prepare(M, 600, 300);
        Linear(M, cmEquiRect, 48, 0.01, 16, 0.01, Three);
        M.SetMagnification(Mag);
        M.SetSuppressPaint(false);
        const int Row = 300 - 10 - 2; // through the middle of the bar
        EXPECT_TRUE(ColumnsOf(M.Picture(), clBlack, Row).empty()) << Mag; // off by default
        M.SetShowScaleBar(true);
        const std::vector<int> Bar = ColumnsOf(M.Picture(), clBlack, Row);
        ASSERT_FALSE(Bar.empty()) << Mag;
        EXPECT_EQ(Bar.front(), 10);
        const int Length = Bar.back() - Bar.front() + 1;
        EXPECT_EQ(int(Bar.size()), Length) << Mag; // one unbroken bar
        EXPECT_EQ(PixelOf(M.Picture(), 9, Row), clWhite);
        EXPECT_EQ(PixelOf(M.Picture(), 10 + Length, Row), clWhite); // its halo
        // The ground distance the bar spans at the view's centre, measured here.
        const double Lat = 48 - 0.01 * (150 / Mag);
        double Ground = 0;
        Wgs84.Inverse(Lat, 16, Lat, 16 + 0.01 * Length / Mag, Ground);
        const double PerPixel = Ground / Length;
        const double Decade = std::pow(10.0, std::floor(std::log10(Ground + PerPixel)));
        double Nearest = Decade;
        for (const double Step : {1.0, 2.0, 5.0, 10.0})
            if (std::fabs(Step * Decade - Ground) < std::fabs(Nearest - Ground)) Nearest = Step * Decade;
        EXPECT_LE(std::fabs(Ground - Nearest), PerPixel) << Mag << ": " << Ground;
        EXPECT_LE(Length, 600 / 5) << Mag;
        // The next round distance would not fit: 2 / 1, 5 / 2 or 10 / 5 times as long.
        EXPECT_GT(Length * (std::lround(Nearest / Decade) == 2 ? 2.5 : 2.0), 600 / 5) << Mag << ": " << Ground;
    }
}

} // namespace
} // namespace tyx
