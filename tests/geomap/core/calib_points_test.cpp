// Calibration input: which model takes which add form, the table limits, removal by pixel,
// restoring the last removed input and what clearing keeps.
#include "geomap/core/Tyx_geocalib.h"
#include "support/Tyx_matrix.h"
#include "calib_test_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace tyx;
using tyx::test::NewCalibration;

namespace {

const std::string AddMsg = "Component \"Map1\": current calibration model does not support this version of AddCalibPoint";
const std::string RemoveMsg =
    "Component \"Map1\": current calibration model does not support this version of RemoveCalibPoint";
const std::string ZoneMsg = "Component \"Map1\": UTM zone parameter changed";

template <typename F>
std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const ETYXGeoMapError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(CalibPoints, WrongModelRaisesForEveryFormAndChangesNothing)
{
    TGeoCalibration c = NewCalibration(cmUndefined);
    EXPECT_EQ(ErrorOf([&] { c.AddCalibPoint(gtlParallel, 48.0, 1, 2); }), AddMsg);
    EXPECT_EQ(ErrorOf([&] { c.AddCalibPoint(48.0, 16.0, 1, 2); }), AddMsg);
    EXPECT_EQ(ErrorOf([&] { c.AddCalibPoint(5300000.0, 500000.0, 33, hemiNorth, 1, 2); }), AddMsg);
    EXPECT_EQ(ErrorOf([&] { c.RemoveCalibPoint(gtlParallel, 48.0, 1, 2); }), RemoveMsg);
    EXPECT_FALSE(c.RemoveCalibPoint(1, 2));

    // Each form belongs to its own models only.
    TGeoCalibration para = NewCalibration(cmParabolicIp);
    EXPECT_EQ(ErrorOf([&] { para.AddCalibPoint(48.0, 16.0, 1, 2); }), AddMsg);
    TGeoCalibration utm = NewCalibration(cmUTM);
    EXPECT_EQ(ErrorOf([&] { utm.AddCalibPoint(48.0, 16.0, 1, 2); }), AddMsg);
    TGeoCalibration equi = NewCalibration(cmEquiRect);
    EXPECT_EQ(ErrorOf([&] { equi.AddCalibPoint(gtlMeridian, 16.0, 1, 2); }), AddMsg);
    EXPECT_EQ(ErrorOf([&] { equi.RemoveCalibPoint(gtlMeridian, 16.0, 1, 2); }), RemoveMsg);
    EXPECT_EQ(c.CalibData().NumCalQuads + para.CalibData().NumCalQuads + utm.CalibData().NumCalQuads +
                  equi.CalibData().NumCalLines,
              0);
}

TEST(CalibPoints, UTMPointsNeedTheCalibrationsZoneAndHemisphere)
{
    TGeoCalibration c = NewCalibration(cmUTM);
    c.ClearCalibData();
    EXPECT_EQ(c.GetUTMZone(), -1);
    EXPECT_EQ(ErrorOf([&] { c.AddCalibPoint(5300000.0, 500000.0, 33, hemiNorth, 1, 2); }), ZoneMsg);

    c.SetUTMZone(61);
    c.SetUTMZone(0);
    EXPECT_EQ(c.GetUTMZone(), -1);
    c.SetUTMZone(33);
    EXPECT_EQ(c.GetUTMZone(), 33);
    EXPECT_EQ(ErrorOf([&] { c.AddCalibPoint(5300000.0, 500000.0, 33, hemiSouth, 1, 2); }), ZoneMsg);
    EXPECT_EQ(ErrorOf([&] { c.AddCalibPoint(5300000.0, 500000.0, 34, hemiNorth, 1, 2); }), ZoneMsg);
    EXPECT_EQ(c.CalibData().NumCalQuads, 0);

    EXPECT_TRUE(c.AddCalibPoint(5300000.0, 500000.0, 33, hemiNorth, 1, 2));
    c.SetUTMHemisphere(hemiSouth);
    EXPECT_EQ(c.GetUTMHemisphere(), hemiSouth);
    EXPECT_TRUE(c.AddCalibPoint(6200000.0, 400000.0, 33, hemiSouth, 3, 4));
    ASSERT_EQ(c.CalibData().NumCalQuads, 2);
    EXPECT_EQ(c.CalibData().CalQuads[2], (TCalQuad{6200000.0, 400000.0, 3, 4}));
}

TEST(CalibPoints, FullTablesRejectFurtherInput)
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    for (int i = 1; i <= gmMaxCalQuads; ++i) ASSERT_TRUE(c.AddCalibPoint(i * 0.01, i * 0.02, i, 2 * i));
    const TCalibData Before = c.CalibData();
    EXPECT_FALSE(c.AddCalibPoint(1.0, 1.0, 1, 1));
    EXPECT_EQ(c.CalibData(), Before);

    TGeoCalibration g = NewCalibration(cmParabolicIp);
    for (int j = 1; j <= gmMaxLinePoints; ++j) ASSERT_TRUE(g.AddCalibPoint(gtlParallel, 48.0, j, 5));
    EXPECT_FALSE(g.AddCalibPoint(gtlParallel, 48.0, 11, 5)) << "11th pixel of a line";
    EXPECT_EQ(g.CalibData().CalLines[1].NumPoints, gmMaxLinePoints);
    // The same kind and value extend the existing line; the other kind makes a line of its own.
    EXPECT_TRUE(g.AddCalibPoint(gtlMeridian, 48.0, 1, 1));
    EXPECT_EQ(g.CalibData().NumCalLines, 2);
    for (int k = 3; k <= gmMaxCalLines; ++k) ASSERT_TRUE(g.AddCalibPoint(gtlMeridian, 100.0 + k, k, k));
    EXPECT_FALSE(g.AddCalibPoint(gtlMeridian, 500.0, 1, 1)) << "26th line";
    EXPECT_EQ(g.CalibData().NumCalLines, gmMaxCalLines);
    EXPECT_TRUE(g.AddCalibPoint(gtlMeridian, 103.0, 7, 7)) << "existing line still takes points";
    EXPECT_EQ(g.CalibData().CalLines[3].NumPoints, 2);
}

TEST(CalibPoints, NearestPixelRemovalTiesAndRestore)
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    c.AddCalibPoint(10.0, 20.0, 0, 0);
    c.AddCalibPoint(10.0, 21.0, 10, 0);
    c.AddCalibPoint(9.0, 20.0, 0, 100);
    // (5, 0) is as far from the first as from the second point: the first stored goes.
    EXPECT_TRUE(c.RemoveCalibPoint(5, 0));
    ASSERT_EQ(c.CalibData().NumCalQuads, 2);
    EXPECT_EQ(c.CalibData().CalQuads[1], (TCalQuad{9.0, 20.0, 0, 100})) << "the last point takes the slot";
    EXPECT_EQ(c.CalibData().CalQuads[2], (TCalQuad{10.0, 21.0, 10, 0}));

    c.RestoreLastDeletedCalPoint();
    ASSERT_EQ(c.CalibData().NumCalQuads, 3);
    EXPECT_EQ(c.CalibData().CalQuads[3], (TCalQuad{10.0, 20.0, 0, 0})) << "restored at the end";
    c.RestoreLastDeletedCalPoint();
    EXPECT_EQ(c.CalibData().NumCalQuads, 3) << "a copy is restored once";

    // The copy survives a model change and ClearCalibData; only its flag decides.
    EXPECT_TRUE(c.RemoveCalibPoint(1000, 1000));
    c.SetCalibModel(cmBiquadraticPn);
    c.ClearCalibData();
    c.RestoreLastDeletedCalPoint();
    ASSERT_EQ(c.CalibData().NumCalQuads, 1);
    EXPECT_EQ(c.CalibData().CalQuads[1], (TCalQuad{9.0, 20.0, 0, 100}));
}

TEST(CalibPoints, RestoreUnderUTMUsesTheCalibrationsZone)
{
    TGeoCalibration c = NewCalibration(cmUTM);
    c.SetUTMZone(56);
    c.SetUTMHemisphere(hemiSouth);
    c.AddCalibPoint(6247473.0, 333568.0, 56, hemiSouth, 10, 10);
    c.AddCalibPoint(6247000.0, 334000.0, 56, hemiSouth, 50, 60);
    EXPECT_TRUE(c.RemoveCalibPoint(11, 11));
    EXPECT_EQ(c.CalibData().NumCalQuads, 1);
    c.RestoreLastDeletedCalPoint();
    ASSERT_EQ(c.CalibData().NumCalQuads, 2);
    EXPECT_EQ(c.CalibData().CalQuads[2], (TCalQuad{6247473.0, 333568.0, 10, 10}));
    EXPECT_FALSE(c.RestoreBiQuadOK());
}

TEST(CalibPoints, GraticuleRemovalAndRestore)
{
    TGeoCalibration c = NewCalibration(cmParabolicIp);
    c.AddCalibPoint(gtlParallel, 48.0, 10, 10);
    c.AddCalibPoint(gtlParallel, 48.0, 20, 12);
    c.AddCalibPoint(gtlMeridian, 16.0, 100, 100);
    c.AddCalibPoint(gtlMeridian, 17.0, 200, 100);

    EXPECT_FALSE(c.RemoveCalibPoint(gtlParallel, 48.5, 10, 10)) << "no such line";
    EXPECT_FALSE(c.RemoveCalibPoint(gtlParallel, 48.0, 11, 10)) << "no such pixel";
    EXPECT_TRUE(c.RemoveCalibPoint(gtlParallel, 48.0, 10, 10));
    EXPECT_EQ(c.CalibData().CalLines[1].CalPoints[1], (TPoint{20, 12}));
    // An emptied line disappears; the last line takes its place.
    EXPECT_TRUE(c.RemoveCalibPoint(gtlMeridian, 16.0, 100, 100));
    ASSERT_EQ(c.CalibData().NumCalLines, 2);
    EXPECT_EQ(c.CalibData().CalLines[2].LineValue, 17.0);
    EXPECT_FALSE(c.RestoreParaIpOK()) << "the given-pixel form keeps no copy";

    // Nearest-pixel removal keeps line type, value and point; restore re-creates the line.
    EXPECT_TRUE(c.RemoveCalibPoint(190, 90));
    ASSERT_EQ(c.CalibData().NumCalLines, 1);
    c.RestoreLastDeletedCalPoint();
    ASSERT_EQ(c.CalibData().NumCalLines, 2);
    const TCalibLine& Line = c.CalibData().CalLines[2];
    EXPECT_EQ(Line.LineType, gtlMeridian);
    EXPECT_EQ(Line.LineValue, 17.0);
    EXPECT_EQ(Line.NumPoints, 1);
    EXPECT_EQ(Line.CalPoints[1], (TPoint{200, 100}));
}

TEST(CalibPoints, ClearKeepsModelNamesAndCopies)
{
    TGeoCalibration c = NewCalibration(cmMillerCylindrical);
    c.CalibData().MapFName = "map.bmp";
    c.CalibData().Caption = "Caption";
    c.CalibData().Ellipsoid = gelGRS80;
    c.SetUTMZone(33);
    c.AddCalibPoint(40.0, 10.0, 0, 500);
    c.AddCalibPoint(50.0, 20.0, 400, 0);
    c.AddCalibPoint(45.0, 15.0, 200, 260);
    const double MillerSlope = c.MillercylPar()(2, 1);
    ASSERT_NE(MillerSlope, 0);
    c.RemoveCalibPoint(200, 260);

    c.ClearCalibData();
    const TCalibData& d = c.CalibData();
    EXPECT_EQ(c.CalibModel(), cmMillerCylindrical);
    EXPECT_EQ(d.MapFName, "map.bmp");
    EXPECT_EQ(d.Caption, "Caption");
    EXPECT_EQ(d.NumCalQuads, 0);
    EXPECT_EQ(d.CalQuads[1], TCalQuad{});
    EXPECT_EQ(d.UTMZone, -1);
    EXPECT_EQ(d.Ellipsoid, gelWGS84);
    EXPECT_EQ(d.Corners, TCornerArray{});
    EXPECT_EQ(d.Resolution, 0);
    EXPECT_EQ(c.MillercylPar()(2, 1), MillerSlope);
    EXPECT_TRUE(c.RestoreBiQuadOK());
    EXPECT_EQ(c.GratMat().NumRows(), 1);

    c.Clear();
    EXPECT_EQ(c.CalibModel(), cmUndefined);
    EXPECT_EQ(c.CalibData().MapFName, "");
    EXPECT_EQ(c.CalibData().Caption, "");
    EXPECT_EQ(c.MapImgWidth(), 0);
    EXPECT_EQ(c.MapImgHeight(), 0);
}

TEST(CalibPoints, CountsWrittenFromOutsideAreClampedToTheTables)
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    TCalibData d;
    d.NumCalQuads = 1000;
    d.NumCalLines = 99;
    d.CalLines[1].NumPoints = 50;
    c.SetCalibData(d);
    c.RecalcCalibration();
    EXPECT_FALSE(c.AddCalibPoint(1.0, 1.0, 1, 1));
    c.RemoveCalibPoint(0, 0);
    EXPECT_EQ(c.CalibData().NumCalQuads, gmMaxCalQuads - 1);
    d.NumCalQuads = -5;
    c.SetCalibData(d);
    EXPECT_TRUE(c.AddCalibPoint(1.0, 1.0, 1, 1));
    EXPECT_EQ(c.CalibData().NumCalQuads, 1);
}

TEST(CalibPoints, ScaleAndCopy)
{
    TGeoCalibration c = NewCalibration(cmEquiRect);
    c.SetOwnerName("Source");
    c.AddCalibPoint(10.0, 20.0, 5, 7);
    c.AddCalibPoint(10.0, 21.0, 100, 0);
    c.AddCalibPoint(9.0, 20.0, 0, 100);
    c.ScalePixelPositions(0.5);
    EXPECT_EQ(c.CalibData().CalQuads[1].MapX, 2) << "2.5 rounds to even";
    EXPECT_EQ(c.CalibData().CalQuads[1].MapY, 4) << "3.5 rounds to even";
    EXPECT_EQ(c.CalibData().CalQuads[2].MapX, 50);

    TGeoCalibration d;
    d.SetOwnerName("Target");
    d = c;
    EXPECT_EQ(d.OwnerName(), "Target");
    EXPECT_EQ(d.CalibData(), c.CalibData());
    EXPECT_EQ(d.CalibModel(), cmEquiRect);
    EXPECT_EQ(d.EquRectPLSP()(1, 1), c.EquRectPLSP()(1, 1));
    EXPECT_EQ(d.MapImgWidth(), 1000);
}
