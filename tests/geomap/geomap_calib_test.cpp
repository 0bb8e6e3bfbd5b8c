// Calibration and conversion through the map control's own interface, and the mouse state that
// feeds the conversions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <functional>
#include <utility>

#include "geobasics/Tyx_geobasics.h"
#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

using test::TCountingMap;

const char* const AddMsg =
    "Component \"Map\": current calibration model does not support this version of AddCalibPoint";

std::string MessageOf(const std::function<void()>& F)
{
    try {
        F();
    } catch (const ETYXGeoMapError& E) {
        return E.what();
    }
    return "(no error)";
}

/// phi = 10 - 0.01 y, lambda = 20 + 0.01 x on a 200 x 100 image.
void MakeEquiRect(TGeoMap& M)
{
    TBitmap Img;
    test::FillBitmap(Img, 200, 100, clWhite);
    M.SetMapBitMap(Img);
    M.SetCalibModel(cmEquiRect);
    ASSERT_TRUE(M.AddCalibPoint(10.0, 20.0, 0, 0));
    ASSERT_TRUE(M.AddCalibPoint(10.0, 21.0, 100, 0));
    ASSERT_TRUE(M.AddCalibPoint(9.0, 20.0, 0, 100));
}

TEST(GeoMapCalib, ViewConversionsAtMagnificationTwo)
{
    TGeoMap M;
    M.SetMagnification(2);
    M.SetTopLeft({100, 50});
    EXPECT_EQ(M.ControlToMapImage({10, 10}), (TPoint{105, 55}));
    EXPECT_EQ(M.MapImageToControl({105, 55}), (TPoint{10, 10}));
    // Half pixels go to even: 3 / 2 = 1.5 -> 2, 5 / 2 = 2.5 -> 2.
    EXPECT_EQ(M.ControlToMapImage({3, 5}), (TPoint{102, 52}));
    // Nothing is clipped to the image.
    EXPECT_EQ(M.ControlToMapImage({-40, -200}), (TPoint{80, -50}));
    EXPECT_EQ(M.MapImageToControl({0, 0}), (TPoint{-200, -100}));
}

TEST(GeoMapCalib, EquiRectBothDirections)
{
    TGeoMap M;
    MakeEquiRect(M);
    bool Valid = false;
    EXPECT_NEAR(M.CalcLatitude(50, 50, Valid), 9.5, 1e-9);
    EXPECT_TRUE(Valid);
    EXPECT_NEAR(M.CalcLongitude(TPoint{50, 50}, Valid), 20.5, 1e-9);
    EXPECT_TRUE(Valid);
    int x = -1, y = -1;
    ASSERT_TRUE(M.CalcPixelCoords(9.5, 20.5, x, y));
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 50);

    for (const TPoint P : {TPoint{0, 0}, TPoint{199, 99}, TPoint{37, 81}}) {
        const double Lat = M.CalcLatitude(P, Valid);
        const double Long = M.CalcLongitude(P, Valid);
        ASSERT_TRUE(M.CalcPixelCoords(Lat, Long, x, y));
        EXPECT_EQ((TPoint{x, y}), P);
    }
    // The image corners and the resolution follow the fit.
    EXPECT_NEAR(M.CalibData().Corners[gcoBottomRight].Latit, 9.0, 1e-9);
    EXPECT_NEAR(M.CalibData().Corners[gcoBottomRight].Longit, 22.0, 1e-9);
    EXPECT_GT(M.CalibData().Resolution, 1000);
    EXPECT_TRUE(M.IsPositionWithinMap(9.5, 21.0));
    EXPECT_FALSE(M.IsPositionWithinMap(11.0, 21.0));
}

TEST(GeoMapCalib, UTMCalibrationFromKnownPositions)
{
    TGeoMap M;
    M.SetCalibModel(cmUTM);
    M.SetUTMZone(33);
    M.SetUTMHemisphere(hemiNorth);
    // A 0.001 degree per pixel map of central Austria.
    const double Lat0 = 48.0, Long0 = 15.0, Step = 0.001;
    for (const TPoint P : {TPoint{0, 0}, TPoint{400, 0}, TPoint{0, 300}, TPoint{400, 300}, TPoint{200, 150}}) {
        int Zone = 0;
        double E = 0, N = 0;
        LatLongToUTM(Lat0 - P.Y * Step, Long0 + P.X * Step, gelWGS84, Zone, E, N);
        ASSERT_EQ(Zone, 33);
        ASSERT_TRUE(M.AddCalibPoint(N, E, 33, hemiNorth, P.X, P.Y));
    }
    bool Valid = false;
    EXPECT_NEAR(M.CalcLatitude(200, 150, Valid), Lat0 - 0.15, 1e-3);
    EXPECT_TRUE(Valid);
    EXPECT_NEAR(M.CalcLongitude(200, 150, Valid), Long0 + 0.2, 1e-3);
    for (const TPoint P : {TPoint{10, 20}, TPoint{390, 280}}) {
        const double Lat = M.CalcLatitude(P, Valid);
        const double Long = M.CalcLongitude(P, Valid);
        int x = 0, y = 0;
        ASSERT_TRUE(M.CalcPixelCoords(Lat, Long, x, y));
        EXPECT_EQ((TPoint{x, y}), P);
    }

    // A point of another zone or hemisphere is refused and changes nothing.
    const int Before = M.CalibData().NumCalQuads;
    EXPECT_EQ(MessageOf([&] { M.AddCalibPoint(5.3e6, 5e5, 34, hemiNorth, 1, 1); }),
              "Component \"\": UTM zone parameter changed");
    EXPECT_EQ(MessageOf([&] { M.AddCalibPoint(5.3e6, 5e5, 33, hemiSouth, 1, 1); }),
              "Component \"\": UTM zone parameter changed");
    EXPECT_EQ(M.CalibData().NumCalQuads, Before);

    // Removing and restoring puts the point back in the calibration's own zone.
    const TCalQuad Nearest = M.CalibData().CalQuads[5];
    ASSERT_TRUE(M.RemoveCalibPoint(198, 151));
    EXPECT_EQ(M.CalibData().NumCalQuads, Before - 1);
    M.RestoreLastDeletedCalPoint();
    ASSERT_EQ(M.CalibData().NumCalQuads, Before);
    EXPECT_EQ(M.CalibData().CalQuads[Before], Nearest);
    M.RestoreLastDeletedCalPoint(); // only once
    EXPECT_EQ(M.CalibData().NumCalQuads, Before);

    // After clearing, the zone is unset (-1) and every UTM point is refused until it is set.
    M.ClearCalibData();
    EXPECT_EQ(M.GetUTMZone(), -1);
    EXPECT_EQ(MessageOf([&] { M.AddCalibPoint(5.3e6, 5e5, 33, hemiNorth, 1, 1); }),
              "Component \"\": UTM zone parameter changed");
    M.SetUTMZone(33);
    EXPECT_TRUE(M.AddCalibPoint(5.3e6, 5e5, 33, hemiNorth, 1, 1));
}

TEST(GeoMapCalib, WrongModelIsRefusedWithoutRepaint)
{
    TCountingMap M;
    M.SetName("Map");
    M.Paints = 0;
    EXPECT_EQ(MessageOf([&] { M.AddCalibPoint(gtlMeridian, 20.0, 1, 2); }), AddMsg);
    EXPECT_EQ(MessageOf([&] { M.AddCalibPoint(10.0, 20.0, 1, 2); }), AddMsg);
    EXPECT_EQ(MessageOf([&] { M.AddCalibPoint(5e6, 4e5, 0, hemiNorth, 1, 2); }), AddMsg);
    EXPECT_EQ(MessageOf([&] { M.RemoveCalibPoint(gtlParallel, 20.0, 1, 2); }),
              "Component \"Map\": current calibration model does not support this version of RemoveCalibPoint");
    EXPECT_EQ(M.Paints, 0);
    EXPECT_EQ(M.CalibData(), TCalibData{});
    // The nearest-pixel form has nothing to search under cmUndefined but still repaints.
    EXPECT_FALSE(M.RemoveCalibPoint(1, 2));
    EXPECT_EQ(M.Paints, 1);
}

TEST(GeoMapCalib, RepaintsThatAHostSeesThroughTheRenderEvents)
{
    TCountingMap M;
    MakeEquiRect(M);
    int Events = 0;
    M.OnBeforeRenderData = [&](TObject*, TCanvas&) { ++Events; };
    auto Run = [&](const std::function<void()>& F) {
        M.Paints = Events = 0;
        F();
        return std::pair{M.Paints, Events};
    };
    using Counts = std::pair<int, int>; // paints, render events

    // Nothing to put back: no picture at all.
    EXPECT_EQ(Run([&] { M.RestoreLastDeletedCalPoint(); }), (Counts{0, 0}));
    ASSERT_TRUE(M.RemoveCalibPoint(100, 0));
    M.SetCalibModel(cmUndefined);
    EXPECT_EQ(Run([&] { M.RestoreLastDeletedCalPoint(); }), (Counts{0, 0}));
    M.SetCalibModel(cmEquiRect);
    EXPECT_EQ(Run([&] { M.RestoreLastDeletedCalPoint(); }), (Counts{1, 1}));
    EXPECT_EQ(M.CalibData().NumCalQuads, 3);

    // Resampling: the refit shows the resampled map, the end the new view.
    EXPECT_EQ(Run([&] { M.ResizeMap(0.5); }), (Counts{2, 2}));
    // Clearing: the map without its calibration, then the empty control (which raises no event).
    EXPECT_EQ(Run([&] { M.Clear(); }), (Counts{2, 1}));
}

TEST(GeoMapCalib, GraticuleCalibrationThroughTheControl)
{
    TCountingMap M;
    M.SetCalibModel(cmParabolicIp);
    // Parallels 48, 47, 46 at rows 0, 100, 200 and meridians 10, 11, 12 at columns 0, 100, 200.
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(M.AddCalibPoint(gtlParallel, 48.0 - k, i * 100, k * 100));
            ASSERT_TRUE(M.AddCalibPoint(gtlMeridian, 10.0 + k, k * 100, i * 100));
        }
    EXPECT_EQ(M.CalibData().NumCalLines, 6);
    bool Valid = false;
    EXPECT_NEAR(M.CalcLatitude(50, 150, Valid), 46.5, 1e-6);
    EXPECT_TRUE(Valid);
    EXPECT_NEAR(M.CalcLongitude(50, 150, Valid), 10.5, 1e-6);
    int x = 0, y = 0;
    ASSERT_TRUE(M.CalcPixelCoords(46.5, 10.5, x, y));
    EXPECT_EQ((TPoint{x, y}), (TPoint{50, 150}));

    const int Before = M.Paints;
    EXPECT_TRUE(M.RemoveCalibPoint(gtlMeridian, 12.0, 200, 100));
    EXPECT_FALSE(M.RemoveCalibPoint(gtlMeridian, 12.0, 200, 100));
    EXPECT_EQ(M.Paints, Before + 2);
}

TEST(GeoMapCalib, ClearKeepsTheBitmapButForgetsTheImage)
{
    TGeoMap M;
    MakeEquiRect(M);
    M.SetMapCaption("Caption");
    M.ClearCalibData();
    EXPECT_EQ(M.CalibModel(), cmEquiRect);
    EXPECT_EQ(M.CalibData().NumCalQuads, 0);
    EXPECT_EQ(M.GetMapCaption(), "Caption");
    EXPECT_EQ(M.MapImgFile(), "$unknown$");

    M.Clear();
    EXPECT_EQ(M.CalibModel(), cmUndefined);
    EXPECT_TRUE(M.GetMapCaption().empty());
    EXPECT_TRUE(M.MapImgFile().empty());
    EXPECT_EQ(M.MapImgWidth(), 0);
    EXPECT_EQ(M.MapImgHeight(), 0);
    EXPECT_EQ(M.MapBitmap().Width(), 200);
    bool Valid = true;
    EXPECT_EQ(M.CalcLatitude(1, 1, Valid), 0.0);
    EXPECT_FALSE(Valid);
    int x = 7, y = 8;
    EXPECT_FALSE(M.CalcPixelCoords(1, 1, x, y));
    EXPECT_EQ((TPoint{x, y}), (TPoint{7, 8}));
}

TEST(GeoMapCalib, MouseRecordsTheImagePixelAndRaisesTheFrameworkEvents)
{
    TGeoMap M;
    MakeEquiRect(M);
    M.SetMagnification(2);
    M.SetTopLeft({10, 20});
    int Downs = 0, Ups = 0, Moves = 0, Clicks = 0, Wheels = 0;
    M.OnMouseDown = [&](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        EXPECT_EQ(S, &M);
        EXPECT_EQ(B, mbLeft);
        EXPECT_TRUE(Sh & ssCtrl);
        EXPECT_EQ((TPoint{X, Y}), (TPoint{60, 40}));
        ++Downs;
    };
    M.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++Ups; };
    M.OnMouseMove = [&](TObject*, TShiftState, int, int) { ++Moves; };
    M.OnClick = [&](TObject*) { ++Clicks; };
    M.OnMouseWheelUp = [&](TObject*, TShiftState, TPoint, bool& Handled) {
        ++Wheels;
        Handled = true;
    };

    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(60, 40), M.mapToGlobal(QPointF(60, 40)), Qt::LeftButton,
                      Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(&M, &Press);
    EXPECT_EQ(M.LastClickPosX(), 40); // 10 + 60 / 2
    EXPECT_EQ(M.LastClickPosY(), 40); // 20 + 40 / 2
    EXPECT_NEAR(M.GetLastMClickLatitude(), 9.6, 1e-9);
    EXPECT_NEAR(M.GetLastMClickLongitude(), 20.4, 1e-9);

    QMouseEvent Move(QEvent::MouseMove, QPointF(100, 100), M.mapToGlobal(QPointF(100, 100)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&M, &Move);
    EXPECT_EQ(M.LastMousePosX(), 60);
    EXPECT_EQ(M.LastMousePosY(), 70);

    QMouseEvent Release(QEvent::MouseButtonRelease, QPointF(100, 100), M.mapToGlobal(QPointF(100, 100)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&M, &Release);
    // Released outside the control: no click.
    QMouseEvent Release2(QEvent::MouseButtonRelease, QPointF(600, 10), M.mapToGlobal(QPointF(600, 10)),
                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&M, &Press);
    QApplication::sendEvent(&M, &Release2);
    EXPECT_EQ(Downs, 2);
    EXPECT_EQ(Ups, 2);
    EXPECT_EQ(Moves, 1);
    EXPECT_EQ(Clicks, 1);

    QWheelEvent Wheel(QPointF(5, 5), M.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&M, &Wheel);
    EXPECT_EQ(Wheels, 1);
    EXPECT_TRUE(Wheel.isAccepted());

    // Outside the calibrated area the last-click position reads 0.
    M.SetCalibModel(cmUndefined);
    EXPECT_EQ(M.GetLastMClickLatitude(), 0.0);
}

} // namespace
} // namespace tyx
