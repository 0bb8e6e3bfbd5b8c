// Residuals of calibration points against the fit, and the checks that a model can be fitted.
#include "geomap/core/Tyx_calibresiduals.h"
#include "geobasics/Tyx_geobasics.h"
#include "calib_test_util.h"

#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace tyx;
using tyx::test::NewCalibration;

// Four points on the corners of a square of 1000 pixels, exactly affine but for an error D in one
// coordinate of the last. A least-squares affine fit leaves D/4 at every corner: +D/4 at that
// corner and the opposite one, -D/4 at the other two (hat matrix of a two-level design); its slope
// along the coordinate's own axis grows by D/2000 per pixel, so D/4 is that many pixels along it.
TEST(CalibResiduals, AffineFitOfASquareWithOneBadCorner)
{
    struct Case {
        TCalibModel Model;
        double A0, AperY, B0, BperX; // A (latitude or northing) and B (longitude or easting) per pixel
        bool ErrorInA;
        double D;
    };
    const Case cases[] = {
        {cmUTM, 5400000, -10, 600000, 10, false, 40},
        {cmUTM, 5400000, -10, 600000, 10, true, -40},
        {cmEquiRect, 48, -0.001, 11, 0.001, true, 0.004},
        {cmEquiRect, -33, -0.0005, 151, 0.0005, false, -0.002},
    };
    const int px[4][2] = {{0, 0}, {1000, 0}, {0, 1000}, {1000, 1000}};
    const double share[4] = {0.25, -0.25, -0.25, 0.25};
    for (const Case& c : cases) {
        TGeoCalibration cal = NewCalibration(c.Model, 1000, 1000);
        cal.SetUTMZone(32);
        std::vector<std::array<double, 2>> given;
        for (int i = 0; i < 4; ++i) {
            double a = c.A0 + c.AperY * px[i][1], b = c.B0 + c.BperX * px[i][0];
            (c.ErrorInA ? a : b) += i == 3 ? c.D : 0;
            given.push_back({a, b});
            if (c.Model == cmUTM)
                cal.AddCalibPoint(a, b, 32, hemiNorth, px[i][0], px[i][1]);
            else
                cal.AddCalibPoint(a, b, px[i][0], px[i][1]);
        }
        const std::vector<TCalibResidual> r = CalibResiduals(cal);
        ASSERT_EQ(r.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE("model " + std::to_string(c.Model) + " corner " + std::to_string(i));
            ASSERT_TRUE(r[i].Valid);
            const double along = share[i] * c.D / ((c.ErrorInA ? c.AperY : c.BperX) + c.D / 2000);
            EXPECT_NEAR(r[i].PixelX, c.ErrorInA ? 0 : along, 1e-4);
            EXPECT_NEAR(r[i].PixelY, c.ErrorInA ? along : 0, 1e-4);
            EXPECT_NEAR(r[i].Pixels, std::abs(along), 1e-4);
            // The fit's position of the corner is the given one less D/4; measured on the ellipsoid.
            double fa = given[i][0], fb = given[i][1];
            (c.ErrorInA ? fa : fb) -= share[i] * c.D;
            double lat1 = given[i][0], lon1 = given[i][1], lat2 = fa, lon2 = fb;
            if (c.Model == cmUTM) {
                UTMToLatLong(given[i][1], given[i][0], 32, false, gelWGS84, lat1, lon1);
                UTMToLatLong(fb, fa, 32, false, gelWGS84, lat2, lon2);
            }
            double metres = 0;
            GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, metres);
            EXPECT_NEAR(r[i].Metres, metres, 1e-4);
            EXPECT_NEAR(std::hypot(r[i].East, r[i].North), metres, 1e-4);
        }
    }
    EXPECT_TRUE(CalibResiduals(NewCalibration(cmParabolicIp)).empty());
}

TEST(CalibResiduals, FitProblemsNameTheReason)
{
    struct Case {
        TCalibModel Model;
        std::vector<std::array<int, 2>> Pixels; // positions: latitude 50 - y/100, longitude 10 + x/100
        const char* Why;                        // empty: the fit can be made
    };
    const std::vector<std::array<int, 2>> three = {{0, 0}, {500, 0}, {0, 400}};
    const std::vector<std::array<int, 2>> six = {{0, 0}, {500, 0}, {999, 0}, {0, 400}, {500, 799}, {999, 500}};
    const Case cases[] = {
        {cmEquiRect, three, ""},
        {cmUTM, three, ""},
        {cmMillerCylindrical, three, ""},
        {cmConicConformal, three, ""},
        {cmBiquadraticPn, six, ""},
        {cmUndefined, three, "no calibration model"},
        {cmEquiRect, {{0, 0}, {500, 0}}, "the equirect model needs at least 3 calibration points, 2 given"},
        {cmConicConformal, {}, "needs at least 3 calibration points, 0 given"},
        {cmBiquadraticPn, three, "the biquadraticpn model needs at least 6 calibration points, 3 given"},
        {cmEquiRect, {{0, 0}, {100, 100}, {300, 300}, {999, 999}}, "all calibration points lie on one line"},
        {cmMillerCylindrical, {{10, 5}, {20, 5}, {30, 5}}, "lie on one line of the image"},
        // Two rows of three: the squares of the rows follow from the rows.
        {cmBiquadraticPn, {{0, 0}, {500, 0}, {999, 0}, {0, 799}, {500, 799}, {999, 799}}, "curve of second order"},
        {cmParabolicIp, {}, "two parallels and two meridians of three or more points each, has 0 and 0"},
    };
    for (const Case& c : cases) {
        TGeoCalibration cal = NewCalibration(c.Model == cmUndefined || c.Model == cmParabolicIp ? cmEquiRect : c.Model);
        cal.SetUTMZone(32);
        for (const auto& p : c.Pixels) {
            if (c.Model == cmUTM)
                cal.AddCalibPoint(5400000 - 10.0 * p[1], 600000 + 10.0 * p[0], 32, hemiNorth, p[0], p[1]);
            else
                cal.AddCalibPoint(50 - p[1] / 100.0, 10 + p[0] / 100.0, p[0], p[1]);
        }
        const std::string why = CalibFitProblem(cal, c.Model);
        if (*c.Why == 0)
            EXPECT_EQ(why, "") << "model " << c.Model;
        else
            EXPECT_NE(why.find(c.Why), std::string::npos) << "model " << c.Model << " gave: " << why;
    }
    // Pixels spread, positions on one meridian.
    TGeoCalibration cal = NewCalibration(cmEquiRect);
    for (const auto& p : three) cal.AddCalibPoint(50 - p[1] / 100.0, 10, p[0], p[1]);
    EXPECT_NE(CalibFitProblem(cal, cmEquiRect).find("positions of all calibration points lie on one line"),
              std::string::npos);
    // The UTM model without a zone.
    TGeoCalibration noZone = NewCalibration(cmEquiRect);
    for (const auto& p : three) noZone.AddCalibPoint(5400000 - p[1], 600000 + p[0], p[0], p[1]);
    EXPECT_NE(CalibFitProblem(noZone, cmUTM).find("needs a UTM zone"), std::string::npos);
}
