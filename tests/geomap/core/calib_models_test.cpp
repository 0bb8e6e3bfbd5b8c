// Every calibration model fitted from points with known answers, and pixel -> position -> pixel
// round trips through each fit.
#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/geocalib_internal.h"
#include "geobasics/Tyx_geobasics.h"
#include "support/Tyx_matrix.h"
#include "calib_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tyx;
using tyx::test::ExpectPixelRoundTrip;
using tyx::test::NewCalibration;

namespace {

constexpr double Pi = std::numbers::pi;

TGeoCalibration EquiRectExample()
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    c.AddCalibPoint(10.0, 20.0, 0, 0);
    c.AddCalibPoint(10.0, 21.0, 100, 0);
    c.AddCalibPoint(9.0, 20.0, 0, 100);
    return c;
}

} // namespace

TEST(CalibModels, EquiRectExampleBothDirections)
{
    const TGeoCalibration c = EquiRectExample();
    bool v = false;
    EXPECT_NEAR(c.CalcLatitude(50, 50, v), 9.5, 1e-12);
    EXPECT_TRUE(v);
    EXPECT_NEAR(c.CalcLongitude(TPoint{50, 50}, v), 20.5, 1e-12);
    EXPECT_NEAR(c.EquRectSPPL()(1, 3), 100, 1e-9);  // x = 100 (lambda - 20)
    EXPECT_NEAR(c.EquRectSPPL()(2, 2), -100, 1e-9); // y = 100 (10 - phi)
    int x = 0, y = 0;
    EXPECT_TRUE(c.CalcPixelCoords(9.5, 20.5, x, y));
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 50);
    for (int px : {0, 37, 999})
        for (int py : {0, 411, 799}) ExpectPixelRoundTrip(c, px, py);
}

TEST(CalibModels, EquiRectWithTwoPointsIsMinimumNorm)
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    c.AddCalibPoint(10.0, 20.0, 0, 0);
    c.AddCalibPoint(9.0, 21.0, 100, 100);
    // Along the diagonal the two points determine the map; it must reproduce them.
    bool v = false;
    EXPECT_NEAR(c.CalcLatitude(0, 0, v), 10.0, 1e-9);
    EXPECT_NEAR(c.CalcLatitude(100, 100, v), 9.0, 1e-9);
    EXPECT_NEAR(c.CalcLongitude(100, 100, v), 21.0, 1e-9);
    // The x and y terms cannot be told apart: minimum norm splits the slope evenly.
    EXPECT_NEAR(c.EquRectPLSP()(1, 2), c.EquRectPLSP()(1, 3), 1e-12);
}

TEST(CalibModels, BiquadraticRecoversAKnownPolynomial)
{
    // Curved by about a pixel over the image, so that the fitted inverse maps back exactly.
    const double cLat[6] = {48.0, 1e-3, -2e-3, 2e-9, 3e-9, -1e-9};
    const double cLong[6] = {16.0, 1.5e-3, 1e-4, -2e-9, 1e-9, 5e-10};
    auto Eval = [](const double* k, int x, int y) {
        return k[0] + k[1] * x + k[2] * y + k[3] * x * x + k[4] * x * y + k[5] * y * y;
    };
    TGeoCalibration c = NewCalibration(cmBiquadraticPn);
    for (int x = 0; x <= 1000; x += 250)
        for (int y = 0; y <= 800; y += 200) c.AddCalibPoint(Eval(cLat, x, y), Eval(cLong, x, y), x, y);
    // The solver works on the raw pixel powers (up to 1e6), which limits it to a few 1e-9
    // degrees: each term's contribution over the image and the polynomial itself must be that
    // close.
    const double TermScale[6] = {1, 1000, 800, 1e6, 8e5, 6.4e5};
    for (int j = 1; j <= 6; ++j) {
        EXPECT_NEAR(c.CalParsPLSP()(1, j) * TermScale[j - 1], cLat[j - 1] * TermScale[j - 1], 1e-8) << j;
        EXPECT_NEAR(c.CalParsPLSP()(2, j) * TermScale[j - 1], cLong[j - 1] * TermScale[j - 1], 1e-8) << j;
    }
    bool v = false;
    for (int px = 0; px <= 1000; px += 125)
        for (int py = 0; py <= 800; py += 100) {
            EXPECT_NEAR(c.CalcLatitude(px, py, v), Eval(cLat, px, py), 5e-9);
            EXPECT_NEAR(c.CalcLongitude(px, py, v), Eval(cLong, px, py), 5e-9);
        }
    for (int px : {0, 123, 640, 1000})
        for (int py : {0, 355, 800}) ExpectPixelRoundTrip(c, px, py);
}

TEST(CalibModels, BiquadraticPixelProductsWrapAt32Bits)
{
    TGeoCalibration c = NewCalibration(cmBiquadraticPn);
    for (int x = 0; x <= 1000; x += 250)
        for (int y = 0; y <= 800; y += 200) c.AddCalibPoint(1e-8 * x * x + 1e-3 * y, 1e-3 * x, x, y);
    const TParMatrix<2, 6>& k = c.CalParsPLSP();
    ASSERT_NEAR(k(1, 4), 1e-8, 1e-12);
    // 50000 squared does not fit in 32 bits: the square wraps to 2500000000 - 2^32.
    const double Wrapped = 2500000000.0 - 4294967296.0;
    EXPECT_EQ(Mul32(50000, 50000), -1794967296);
    bool v = false;
    const double Lat = c.CalcLatitude(50000, 0, v);
    EXPECT_NEAR(Lat, k(1, 1) + k(1, 2) * 50000 + k(1, 4) * Wrapped, 1e-6);
    EXPECT_LT(Lat, 0) << "a true square would give about +25";
}

TEST(CalibModels, MillerFromItsOwnForwardFormulas)
{
    // x = kx * lambda[rad] + dx, y = ky * ln(tan(0.4 phi + pi/4)) + dy
    const double kx = 900, dx = 450, ky = -1100, dy = 1500;
    auto Lat = [&](int y) { return (std::atan(std::exp((y - dy) / ky)) - Pi / 4) / 0.4 * 180 / Pi; };
    auto Long = [&](int x) { return (x - dx) / kx * 180 / Pi; };
    TGeoCalibration c = NewCalibration(cmMillerCylindrical);
    c.AddCalibPoint(Lat(100), Long(50), 50, 100);
    c.AddCalibPoint(Lat(700), Long(900), 900, 700);
    const TParMatrix<2, 2> Before = c.MillercylPar();
    EXPECT_EQ(Before(1, 1), 0) << "two points fit nothing";
    c.AddCalibPoint(Lat(400), Long(300), 300, 400);
    c.AddCalibPoint(Lat(20), Long(999), 999, 20);
    EXPECT_NEAR(c.MillercylPar()(2, 1), kx, 1e-7);
    EXPECT_NEAR(c.MillercylPar()(2, 2), dx, 1e-7);
    EXPECT_NEAR(c.MillercylPar()(1, 1), ky, 1e-7);
    EXPECT_NEAR(c.MillercylPar()(1, 2), dy, 1e-7);
    bool v = false;
    EXPECT_NEAR(c.CalcLatitude(0, 555, v), Lat(555), 1e-9);
    for (int px : {0, 500, 1000})
        for (int py : {0, 333, 800}) ExpectPixelRoundTrip(c, px, py);

    // Removing down to two points keeps the fitted parameters.
    c.RemoveCalibPoint(50, 100);
    c.RemoveCalibPoint(900, 700);
    EXPECT_NEAR(c.MillercylPar()(1, 1), ky, 1e-7);
}

TEST(CalibModels, MillerZeroSlopeInvalidatesOnlyItsAxis)
{
    TGeoCalibration c = NewCalibration(cmMillerCylindrical);
    // All points on one row: the latitude slope is 0, the longitude slope is not.
    c.AddCalibPoint(40.0, 10.0, 0, 300);
    c.AddCalibPoint(45.0, 15.0, 100, 300);
    c.AddCalibPoint(50.0, 20.0, 200, 300);
    bool vLat = true, vLong = false;
    EXPECT_EQ(c.CalcLatitude(10, 10, vLat), 0);
    EXPECT_FALSE(vLat);
    EXPECT_NEAR(c.CalcLongitude(100, 10, vLong), 15.0, 1e-9);
    EXPECT_TRUE(vLong);
}

TEST(CalibModels, ConicFromItsOwnForwardFormulas)
{
    // Apex north of the map; latitude falls with the distance from it, longitude grows eastwards.
    const double P1 = 430, P2 = -2700, P3 = -0.004, P4 = 60, P5 = 35, P6 = 12;
    auto Lat = [&](int x, int y) { return std::hypot(x - P1, y - P2) * P3 + P4; };
    auto Long = [&](int x, int y) { return std::atan((x - P1) / (y - P2)) * P5 + P6; };
    TGeoCalibration c = NewCalibration(cmConicConformal, 900, 700);
    c.AddCalibPoint(Lat(10, 10), Long(10, 10), 10, 10);
    c.AddCalibPoint(Lat(880, 40), Long(880, 40), 880, 40);
    EXPECT_EQ(c.ConicPar(3), 0) << "fewer than three points fit nothing";
    for (int x = 0; x <= 900; x += 300)
        for (int y = 0; y <= 700; y += 350)
            if (!(x == 0 && y == 0)) c.AddCalibPoint(Lat(x, y), Long(x, y), x, y);
    EXPECT_EQ(c.ConicPar(1), P1);
    EXPECT_EQ(c.ConicPar(2), P2);
    EXPECT_NEAR(c.ConicPar(3), P3, 1e-12);
    EXPECT_NEAR(c.ConicPar(4), P4, 1e-8);
    EXPECT_NEAR(c.ConicPar(5), P5, 1e-8);
    EXPECT_NEAR(c.ConicPar(6), P6, 1e-8);
    for (int px : {0, 430, 899})
        for (int py : {0, 321, 699}) ExpectPixelRoundTrip(c, px, py);

    // Down to two points: the fit of the last three stays.
    while (c.CalibData().NumCalQuads > 3) c.RemoveCalibPoint(0, 0);
    double Last[6];
    for (int j = 1; j <= 6; ++j) Last[j - 1] = c.ConicPar(j);
    c.RemoveCalibPoint(0, 0);
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(c.ConicPar(j), Last[j - 1]) << j;
}

TEST(CalibModels, ConicMapAcrossTheEquatorConvertsOnBothSides)
{
    // 10 S to 30 N on a 900 x 2000 image, once on a cone round the north pole (apex above the
    // map) and once round the south pole (apex below it).
    struct TCone {
        double P1, P2, P3, P4, P5, P6;
    };
    for (const TCone& k : {TCone{430, -2700, -0.02, 84, 35, 12}, TCone{430, 4700, 0.02, -64, -35, 12}}) {
        SCOPED_TRACE(k.P2);
        auto Lat = [&](int x, int y) { return std::hypot(x - k.P1, y - k.P2) * k.P3 + k.P4; };
        auto Long = [&](int x, int y) { return std::atan((x - k.P1) / (y - k.P2)) * k.P5 + k.P6; };
        ASSERT_NEAR(Lat(430, 0), 30, 1e-9);
        ASSERT_NEAR(Lat(430, 2000), -10, 1e-9);
        TGeoCalibration c = NewCalibration(cmConicConformal, 900, 2000);
        for (int x = 0; x <= 900; x += 300)
            for (int y = 0; y <= 2000; y += 500) c.AddCalibPoint(Lat(x, y), Long(x, y), x, y);
        for (int x : {0, 430, 899})
            for (int y : {0, 700, 1400, 1750, 1999}) {
                bool v = false;
                EXPECT_NEAR(c.CalcLatitude(x, y, v), Lat(x, y), 1e-6) << x << "," << y;
                EXPECT_NEAR(c.CalcLongitude(x, y, v), Long(x, y), 1e-6) << x << "," << y;
                int px = -1, py = -1;
                EXPECT_TRUE(c.CalcPixelCoords(Lat(x, y), Long(x, y), px, py));
                EXPECT_EQ((TPoint{px, py}), (TPoint{x, y})) << "from " << Lat(x, y) << "," << Long(x, y);
            }
    }
}

TEST(CalibModels, ConicApexRowTakesTheLimitOfTheAngle)
{
    const double P1 = 430, P2 = -2700, P3 = -0.004, P4 = 60, P5 = 35, P6 = 12;
    TGeoCalibration c = NewCalibration(cmConicConformal, 900, 700);
    for (int x = 0; x <= 900; x += 300)
        for (int y = 0; y <= 700; y += 350)
            c.AddCalibPoint(std::hypot(x - P1, y - P2) * P3 + P4, std::atan((x - P1) / (y - P2)) * P5 + P6, x, y);
    ASSERT_EQ(c.ConicPar(2), P2);
    bool v = false;
    EXPECT_NEAR(c.CalcLongitude(500, -2700, v), P5 * Pi / 2 + P6, 1e-8);
    EXPECT_TRUE(v);
    EXPECT_NEAR(c.CalcLongitude(100, -2700, v), -P5 * Pi / 2 + P6, 1e-8);
    EXPECT_TRUE(v);
    EXPECT_EQ(c.CalcLongitude(430, -2700, v), 0) << "the apex itself";
    EXPECT_FALSE(v);
    EXPECT_TRUE(std::isfinite(c.CalcLatitude(430, -2700, v)));
}

TEST(CalibModels, UTMFromProjectedPositions)
{
    // 10 m per pixel in zone 33, north up.
    TGeoCalibration c = NewCalibration(cmUTM, 1000, 1000);
    c.SetUTMZone(33);
    int Zone = 0;
    double E0 = 0, N0 = 0;
    LatLongToUTM(48.25, 16.25, gelWGS84, Zone, E0, N0);
    ASSERT_EQ(Zone, 33);
    const double Positions[][2] = {{48.25, 16.25}, {48.25, 16.35}, {48.20, 16.25}, {48.19, 16.37}, {48.22, 16.31}};
    for (const auto& p : Positions) {
        double E = 0, N = 0;
        LatLongToUTM(p[0], p[1], gelWGS84, Zone, E, N);
        c.AddCalibPoint(N, E, 33, hemiNorth, static_cast<int>(std::lround((E - E0) / 10)),
                        static_cast<int>(std::lround((N0 - N) / 10)));
    }
    bool v = false;
    EXPECT_NEAR(c.CalcLatitude(0, 0, v), 48.25, 1e-4);
    EXPECT_TRUE(v);
    EXPECT_NEAR(c.CalcLongitude(0, 0, v), 16.25, 1e-4);
    for (int px : {0, 300, 900})
        for (int py : {0, 250, 700}) ExpectPixelRoundTrip(c, px, py);
    int x = 0, y = 0;
    EXPECT_TRUE(c.CalcPixelCoordsUTM(N0 - 5000, E0 + 2000, x, y));
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 500);
    EXPECT_EQ(c.CalcUTMyFromNorthingX(N0 - 5000, 200), 500);
    EXPECT_EQ(c.CalcUTMxFromEastingY(E0 + 2000, 500), 200);
    double QX = -1, QY = -1;
    c.CalibQuality(QX, QY);
    EXPECT_LT(QX, 1.0);
    EXPECT_LT(QY, 1.0);
}

TEST(CalibModels, UTMPositionsBeyondTheZoneContinueTheMapsGrid)
{
    // A zone 33 map reaching past 18 E, where zone 34 begins.
    TGeoCalibration c = NewCalibration(cmUTM, 2000, 1000);
    c.SetUTMZone(33);
    int Zone = 0;
    double E0 = 0, N0 = 0;
    LatLongToUTM(47.0, 17.5, gelWGS84, Zone, E0, N0);
    for (int x : {0, 2000})
        for (int y : {0, 1000}) c.AddCalibPoint(N0 - 50.0 * y, E0 + 50.0 * x, 33, hemiNorth, x, y);
    int x = 0, y = 0;
    ASSERT_TRUE(c.CalcPixelCoords(46.9, 18.2, x, y));
    EXPECT_GT(x, 0);
    EXPECT_LT(x, 2000);
    bool v = false;
    EXPECT_NEAR(c.CalcLongitude(x, y, v), 18.2, 1e-3);
    EXPECT_NEAR(c.CalcLatitude(x, y, v), 46.9, 1e-3);
}

TEST(CalibModels, ParabolicGraticuleOfThreeParallelsAndThreeMeridians)
{
    // Parallels y = 200 + 100 (50 - phi) + (x - 400)^2 / 1000; meridians
    // x = 200 + 200 (lambda - 10) + (y - 300)^2 / 2000; the points fall on whole pixels.
    TGeoCalibration c = NewCalibration(cmParabolicIp);
    for (double Phi : {48.0, 49.0, 50.0})
        for (int x = 100; x <= 700; x += 300)
            c.AddCalibPoint(gtlParallel, Phi, x, static_cast<int>(200 + 100 * (50 - Phi) + (x - 400) * (x - 400) / 1000));
    for (double Lambda : {10.0, 11.0, 12.0})
        for (int y = 100; y <= 500; y += 200)
            c.AddCalibPoint(gtlMeridian, Lambda, static_cast<int>(200 + 200 * (Lambda - 10) + (y - 300) * (y - 300) / 2000), y);
    ASSERT_EQ(c.GratMat().NumRows(), 6);
    bool v = false;
    // On the middle parallel at its vertex, the latitude is exact.
    EXPECT_NEAR(c.CalcLatitude(400, 300, v), 49.0, 1e-9);
    EXPECT_TRUE(v);
    EXPECT_NEAR(c.CalcLongitude(400, 300, v), 11.0, 1e-9);
    EXPECT_NEAR(c.CalcLatitude(400, 350, v), 48.5, 1e-9);
    for (int px : {250, 400, 555})
        for (int py : {150, 300, 420}) ExpectPixelRoundTrip(c, px, py);
}
