// The map control under the mouse, the wheel and the keys, driven with QTest on an offscreen
// widget: pan, zoom window, drag zoom, selection rectangle, rubber band, MouseBox, the zoom
// history, the magnification bounds, and the XOR feedback on the picture.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

/// A 400 x 400 control on a W x H image whose pixels all differ a little, so that XOR and pan
/// show in the picture. Nothing is confined unless a test asks.
void PrepareMap(TGeoMap& M, int W = 1000, int H = 1000, double Mag = 1.0, TPoint TopLeft = {0, 0})
{
    M.resize(400, 400);
    TBitmap Img(W, H, pf24bit);
    QImage& Q = Img.Image();
    for (int y = 0; y < H; ++y) {
        uchar* Row = Q.scanLine(y);
        for (int x = 0; x < W; ++x) {
            Row[3 * x] = static_cast<uchar>(x * 7);
            Row[3 * x + 1] = static_cast<uchar>(y * 5);
            Row[3 * x + 2] = static_cast<uchar>((x + y) * 3);
        }
    }
    M.SetMapBitMap(Img);
    M.SetAntiAlias(false); // pixels of the picture are pixels of the image
    M.SetConfinePan(false);
    M.SetMagnification(Mag);
    M.SetTopLeft(TopLeft);
}

void Press(TGeoMap& M, QPoint P, Qt::MouseButton B = Qt::LeftButton, Qt::KeyboardModifiers K = {})
{
    QTest::mousePress(&M, B, K, P);
}
void Release(TGeoMap& M, QPoint P, Qt::MouseButton B = Qt::LeftButton) { QTest::mouseRelease(&M, B, {}, P); }
/// A move with the buttons QTest holds down.
void Drag(TGeoMap& M, QPoint P) { QTest::mouseMove(&M, P); }
/// A move with no button down (QTest would move the cursor instead).
void Hover(TGeoMap& M, QPoint P)
{
    QMouseEvent E(QEvent::MouseMove, P, M.mapToGlobal(P), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&M, &E);
}
/// Press, one move that takes the anchors, the move that acts, release.
void DragFromTo(TGeoMap& M, QPoint From, QPoint To, Qt::MouseButton B = Qt::LeftButton)
{
    Press(M, From, B);
    Drag(M, From);
    Drag(M, To);
    Release(M, To, B);
}

void MakeEquiRect(TGeoMap& M)
{
    M.SetCalibModel(cmEquiRect); // lat = 10 - y / 100, long = 20 + x / 100
    ASSERT_TRUE(M.AddCalibPoint(10.0, 20.0, 0, 0));
    ASSERT_TRUE(M.AddCalibPoint(10.0, 21.0, 100, 0));
    ASSERT_TRUE(M.AddCalibPoint(9.0, 20.0, 0, 100));
}

TEST(GeoMapMouse, PanModesFollowTheMouse)
{
    struct Case { TMouseActMode Mode; TPoint Expected; };
    // At magnification 2 a drag of (+100, +50) control pixels moves the view (-50, -25).
    for (const Case& C : {Case{maPan, {450, 475}}, Case{maPanHoriz, {450, 500}}, Case{maPanVert, {500, 475}}}) {
        TGeoMap M;
        PrepareMap(M, 1000, 1000, 2.0, {500, 500});
        M.SetMouseAction(C.Mode);
        int Events = 0;
        M.OnZoomPan = [&](TObject*) { ++Events; };
        Press(M, {100, 100});
        Drag(M, {100, 100});
        EXPECT_EQ(M.TopLeft(), (TPoint{500, 500})) << "the first move only takes the anchors";
        Drag(M, {200, 150});
        Release(M, {200, 150});
        EXPECT_EQ(M.TopLeft(), C.Expected) << int(C.Mode);
        EXPECT_EQ(Events, 1);
        EXPECT_EQ(M.GetZoomStackEntry(0), (TgmZoomStackEntry{C.Expected.X, C.Expected.Y, 2.0}));
        // The picture shows the new view: control (10, 10) is map pixel TopLeft + (5, 5).
        const QImage Img15 = M.MapBitmap().Image().convertToFormat(QImage::Format_RGB555);
        EXPECT_EQ(test::PixelOf(M.Picture(), 10, 10), test::PixelOf(Img15, C.Expected.X + 5, C.Expected.Y + 5));
    }
}

TEST(GeoMapMouse, ConfinedPanStopsAtTheImage)
{
    TGeoMap M;
    PrepareMap(M, 1000, 800, 1.0, {500, 0});
    M.SetConfinePan(true);
    DragFromTo(M, {350, 200}, {50, 200}); // would show from x = 800
    EXPECT_EQ(M.TopLeft().X, 600);        // 1000 - 400 / 1
    M.SetMagnification(0.7);
    DragFromTo(M, {350, 200}, {50, 200});
    EXPECT_EQ(M.TopLeft().X, 429); // round(1000 - 400 / 0.7)

    TGeoMap Narrow; // an image narrower than the view stays at the left
    PrepareMap(Narrow, 300, 300);
    Narrow.SetConfinePan(true);
    DragFromTo(Narrow, {350, 200}, {50, 200});
    EXPECT_EQ(Narrow.TopLeft(), (TPoint{0, 0}));
}

TEST(GeoMapMouse, DragZoomMultipliesAtEachMoveAndStopsAtTheBounds)
{
    TGeoMap M;
    PrepareMap(M, 1000, 1000, 1.0, {1000, 1000});
    M.SetMouseAction(maDragZoom);
    Press(M, {200, 200});
    Drag(M, {200, 200});
    Drag(M, {200, 160}); // 10 % of the height above the anchor
    EXPECT_DOUBLE_EQ(M.Magnification(), 1.1);
    Drag(M, {200, 160});
    EXPECT_DOUBLE_EQ(M.Magnification(), 1.1 * 1.1);
    // About the centre, map pixel (1200, 1200).
    EXPECT_EQ(M.ControlToMapImage({200, 200}), (TPoint{1200, 1200}));
    M.SetMaxMagnification(1.25);
    Drag(M, {200, 0});
    EXPECT_DOUBLE_EQ(M.Magnification(), 1.25);
    Release(M, {200, 0});
    EXPECT_DOUBLE_EQ(M.GetZoomStackEntry(0).MagF, 1.25);

    // From the top edge down to the bottom the factor would be 0.
    Press(M, {200, 0});
    Drag(M, {200, 0});
    Drag(M, {200, 400});
    Release(M, {200, 400});
    EXPECT_DOUBLE_EQ(M.Magnification(), 1.0 / 64);
}

TEST(GeoMapMouse, ZoomWindowFitsTheDraggedRectangle)
{
    struct Case { QPoint From, To; double Mag; };
    for (const Case& C : {Case{{50, 50}, {250, 150}, 2.0}, Case{{250, 150}, {50, 50}, 2.0},
                          Case{{100, 100}, {200, 200}, 4.0}, Case{{100, 100}, {102, 102}, 64.0}}) {
        TGeoMap M;
        PrepareMap(M, 1000, 1000);
        M.SetMouseAction(maZoomWindow);
        int Events = 0;
        M.OnZoomPan = [&](TObject*) { ++Events; };
        Press(M, C.From);
        EXPECT_EQ(M.ZoomState(), zsZoomWindow);
        Drag(M, C.To);
        Release(M, C.To);
        EXPECT_EQ(M.ZoomState(), zsIdle);
        EXPECT_DOUBLE_EQ(M.Magnification(), C.Mag);
        // The rectangle's centre is in the middle of the control.
        const QPoint Mid = (C.From + C.To) / 2;
        EXPECT_EQ(M.ControlToMapImage({200, 200}), (TPoint{Mid.x(), Mid.y()}));
        EXPECT_EQ(Events, 1);
    }
}

TEST(GeoMapMouse, ZoomWindowFeedbackIsErasedExactlyWhenNothingIsZoomed)
{
    enum TEnd { Cancel, SameX, SamePixel };
    // With HighDpi at a ratio of 2, each control pixel of the frame is a block of 2 x 2.
    for (const int R : {1, 2})
    for (const TEnd End : {Cancel, SameX, SamePixel}) {
        TGeoMap M;
        const double Mag = End == SamePixel ? 64.0 : 1.0;
        PrepareMap(M, 1000, 1000, Mag, {10, 20});
        M.SetPixelRatio(R);
        M.SetHighDpi(R > 1);
        M.SetMouseAction(maZoomWindow);
        const QImage Before = M.Picture();
        Press(M, {50, 60});
        Drag(M, {300, 200});
        Drag(M, {250, 500}); // clamped to the control
        // The frame is on the picture, inverted in XOR.
        for (const QPoint At : {QPoint(100 * R, 60 * R), QPoint(100 * R + R - 1, 60 * R + R - 1)})
            EXPECT_EQ((test::PixelOf(M.Picture(), At.x(), At.y()) ^ test::PixelOf(Before, At.x(), At.y())) & 0xF8F8F8,
                      0xF8F8F8u);
        EXPECT_EQ(test::PixelOf(M.Picture(), 120 * R, 300 * R), test::PixelOf(Before, 120 * R, 300 * R));
        if (End == Cancel) {
            M.Paint(); // the frame survives a repaint and still comes off
            Press(M, {250, 400}, Qt::RightButton);
            Release(M, {250, 400}, Qt::RightButton);
            EXPECT_EQ(M.ZoomState(), zsIdle);
            Release(M, {250, 400});
        } else {
            // The same x as the press, or a frame within one map-image pixel.
            const QPoint To = End == SameX ? QPoint(50, 300) : QPoint(60, 70);
            Drag(M, To);
            Release(M, To);
        }
        EXPECT_EQ(M.ZoomState(), zsIdle);
        EXPECT_EQ(M.Magnification(), Mag);
        EXPECT_EQ(M.TopLeft(), (TPoint{10, 20}));
        EXPECT_TRUE(M.Picture() == Before) << End;
    }
}

TEST(GeoMapMouse, ZoomHistoryKeepsTheLastSixteenReleases)
{
    TGeoMap M;
    PrepareMap(M);
    M.ClearZoomHistory();
    EXPECT_EQ(M.GetZoomStackEntry(0), (TgmZoomStackEntry{0, 0, 1.0}));
    EXPECT_EQ(M.GetZoomStackEntry(-1), TgmZoomStackEntry{});
    M.SetTopLeft({5, 5});
    M.ZoomHistory(-1);
    EXPECT_EQ(M.TopLeft(), (TPoint{5, 5}));

    for (int i = 1; i <= 20; ++i) DragFromTo(M, {300, 200}, {290, 200}); // 10 pixels each
    EXPECT_EQ(M.GetZoomStackEntry(0).Left, 205);
    EXPECT_EQ(M.GetZoomStackEntry(-15).Left, 55); // the 5th release
    M.SetMagnification(3);
    M.ZoomHistory(-15);
    EXPECT_EQ(M.TopLeft(), (TPoint{55, 5}));
    EXPECT_EQ(M.Magnification(), 1.0);
    EXPECT_EQ(M.GetZoomStackEntry(0).Left, 205) << "restoring does not move the ring";
}

TEST(GeoMapMouse, SelectionRectangleReportsPositionsOrPixels)
{
    for (const bool Calibrated : {true, false}) {
        TGeoMap M;
        PrepareMap(M, 1000, 1000, 2.0, {100, 0});
        if (Calibrated) MakeEquiRect(M);
        M.SetMouseAction(maSelectRect);
        std::vector<std::string> Log;
        int Mode = -1;
        double V[4] = {};
        M.OnBeginRubberBand = [&](TObject*, int X, int Y) { Log.push_back("begin " + std::to_string(X) + "," + std::to_string(Y)); };
        M.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { Log.push_back("down"); };
        M.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { Log.push_back("up"); };
        M.OnClick = [&](TObject*) { Log.push_back("click"); };
        M.OnSelectRect = [&](TObject*, int Md, double A, double B, double C, double D) {
            Log.push_back("select");
            Mode = Md, V[0] = A, V[1] = B, V[2] = C, V[3] = D;
        };
        const QImage Before = M.Picture();
        Press(M, {20, 40});
        Drag(M, {120, 90});
        EXPECT_FALSE(M.Picture() == Before);
        Release(M, {120, 90});
        EXPECT_TRUE(M.Picture() == Before);
        EXPECT_EQ(Log, (std::vector<std::string>{"begin 110,20", "down", "up", "select", "click"}));
        // Corners: map pixels (110, 20) and (160, 45).
        if (Calibrated) {
            EXPECT_EQ(Mode, 1);
            const double Expected[4] = {21.1, 9.8, 21.6, 9.55};
            for (int i = 0; i < 4; ++i) EXPECT_NEAR(V[i], Expected[i], 1e-9) << i;
        } else {
            EXPECT_EQ(Mode, 0);
            EXPECT_EQ((std::vector<double>(V, V + 4)), (std::vector<double>{110, 20, 160, 45}));
        }
    }
}

TEST(GeoMapMouse, RubberBandBeginsContinuesAndEnds)
{
    TGeoMap M;
    PrepareMap(M, 1000, 1000);
    M.SetMouseAction(maRubberBand);
    std::vector<std::string> Log;
    auto Rec = [&](const char* What) {
        return [&Log, What](TObject*, int X, int Y) { Log.push_back(What + std::to_string(X) + "," + std::to_string(Y)); };
    };
    M.OnBeginRubberBand = Rec("begin ");
    M.OnContinueRubberBand = Rec("continue ");
    M.OnEndRubberBand = Rec("end ");
    const QImage Before = M.Picture();
    QTest::mouseClick(&M, Qt::LeftButton, {}, {50, 50});
    Hover(M, {150, 50});
    EXPECT_NE(test::PixelOf(M.Picture(), 100, 50), test::PixelOf(Before, 100, 50));
    QTest::mouseClick(&M, Qt::LeftButton, Qt::ControlModifier, {150, 50});
    Hover(M, {150, 150});
    Hover(M, {150, 250});
    EXPECT_NE(test::PixelOf(M.Picture(), 150, 200), test::PixelOf(Before, 150, 200));
    QTest::mouseClick(&M, Qt::LeftButton, {}, {150, 250});
    EXPECT_EQ(Log, (std::vector<std::string>{"begin 50,50", "continue 150,50", "end 150,250"}));
    // The first leg stays, the band itself is gone.
    EXPECT_NE(test::PixelOf(M.Picture(), 100, 50), test::PixelOf(Before, 100, 50));
    EXPECT_EQ(test::PixelOf(M.Picture(), 150, 200), test::PixelOf(Before, 150, 200));
    EXPECT_EQ(test::PixelOf(M.Picture(), 150, 100), test::PixelOf(Before, 150, 100));
}

TEST(GeoMapMouse, MouseBoxWaitsForTheUser)
{
    TGeoMap M;
    PrepareMap(M, 1000, 1000);
    M.SetMouseAction(maZoomWindow);
    const QImage Before = M.Picture();
    int xLo = -1, yLo = -1, xHi = -1, yHi = -1;
    QTimer::singleShot(0, &M, [&] {
        EXPECT_EQ(M.MouseAction(), maNone);
        Press(M, {300, 200});
        Drag(M, {100, 50});
        EXPECT_FALSE(M.Picture() == Before);
        Release(M, {100, 50});
    });
    EXPECT_TRUE(M.MouseBox(xLo, yLo, xHi, yHi));
    EXPECT_EQ((std::vector<int>{xLo, yLo, xHi, yHi}), (std::vector<int>{100, 50, 300, 200}));
    EXPECT_EQ(M.MouseAction(), maZoomWindow);
    EXPECT_TRUE(M.Picture() == Before);
    EXPECT_EQ(M.Magnification(), 1.0);

    // Cancelled: a right press, a right release during the drag, or the host.
    const std::vector<std::function<void()>> Cancels{
        [&] { Press(M, {10, 10}, Qt::RightButton); Release(M, {10, 10}, Qt::RightButton); },
        [&] { Press(M, {10, 10}); Drag(M, {60, 60}); Press(M, {60, 60}, Qt::RightButton);
              Release(M, {60, 60}, Qt::RightButton); Release(M, {60, 60}); },
        [&] { Press(M, {10, 10}); Drag(M, {60, 60}); M.MouseBoxAbort(); Release(M, {60, 60}); }};
    for (const auto& Cancel : Cancels) {
        xLo = yLo = xHi = yHi = -1;
        QTimer::singleShot(0, &M, Cancel);
        EXPECT_FALSE(M.MouseBox(xLo, yLo, xHi, yHi));
        EXPECT_EQ((std::vector<int>{xLo, yLo, xHi, yHi}), (std::vector<int>{-1, -1, -1, -1}));
        EXPECT_TRUE(M.Picture() == Before);
        EXPECT_EQ(M.MouseAction(), maZoomWindow);
    }
}

TEST(GeoMapMouse, MouseBoxEndsWhenTheControlIsDestroyedWhileWaiting)
{
    auto* M = new TGeoMap;
    int x = -1, y = -1, x2 = -1, y2 = -1;
    QTimer::singleShot(0, [M] { delete M; });
    EXPECT_FALSE(M->MouseBox(x, y, x2, y2));
    EXPECT_EQ(x, -1);
}

TEST(GeoMapMouse, MagnificationStaysWithinItsBounds)
{
    TGeoMap M;
    PrepareMap(M, 1000, 500, 1.0, {30, 40});
    M.SetMagnification(1000);
    EXPECT_EQ(M.Magnification(), 64.0);
    M.SetMagnification(1e-6);
    EXPECT_EQ(M.Magnification(), 1.0 / 64);
    M.SetMagnification(-1);
    EXPECT_EQ(M.Magnification(), 1.0 / 64);
    M.SetMinMagnification(2);
    EXPECT_EQ(M.Magnification(), 2.0);
    M.SetMaxMagnification(0.5); // the lower bound follows
    EXPECT_EQ(M.MinMagnification(), 0.5);
    EXPECT_EQ(M.Magnification(), 0.5);
    EXPECT_EQ(M.TopLeft(), (TPoint{30, 40})) << "zooming keeps the top-left corner";
    M.SetMinMagnification(0.1);
    M.SetMaxMagnification(10);
    M.ZoomFitPage();
    EXPECT_EQ(M.Magnification(), 0.4); // min(400 / 500, 400 / 1000)
    EXPECT_EQ(M.TopLeft(), (TPoint{0, 0}));
    // The whole page is shown whatever the lower bound; the user's zooms reach it, no further.
    M.SetMinMagnification(0.5);
    M.ZoomFitPage();
    EXPECT_EQ(M.Magnification(), 0.4);
    TGeoMap Long;
    PrepareMap(Long, 30000, 100);
    Long.ZoomFitPage();
    EXPECT_EQ(Long.Magnification(), 400.0 / 30000); // below the default 1/64
    Long.SetWheelZoom(2);
    QWheelEvent Out(QPointF(100, 50), Long.mapToGlobal(QPointF(100, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Long, &Out);
    EXPECT_EQ(Long.Magnification(), 400.0 / 30000);
    Long.SetMagnification(1e-6);
    EXPECT_EQ(Long.Magnification(), 1.0 / 64); // a caller's value keeps to the bounds

    TGeoMap Empty;
    Empty.ZoomFitPage();
    EXPECT_EQ(Empty.Magnification(), 1.0);
}

TEST(GeoMapMouse, CentringOnPixelsAndPositions)
{
    TGeoMap M;
    PrepareMap(M, 1000, 1000, 2.0);
    M.BringMapPixelToCenter({500, 600});
    EXPECT_EQ(M.TopLeft(), (TPoint{400, 500}));
    M.BringMapPixelToCenter({990, 10}); // kept inside, whatever ConfinePanToMapImage says
    EXPECT_EQ(M.TopLeft(), (TPoint{800, 0}));
    M.BringLocationToCenter(9.0, 21.0); // not calibrated: nothing
    EXPECT_EQ(M.TopLeft(), (TPoint{800, 0}));
    MakeEquiRect(M);
    M.BringLocationToCenter(7.0, 24.0); // pixel (400, 300)
    EXPECT_EQ(M.TopLeft(), (TPoint{300, 200}));
    M.BringLocationToCenter(0.0, 29.9); // pixel (990, 1000)
    EXPECT_EQ(M.TopLeft(), (TPoint{800, 800}));
    // A view far wider than the int range still puts the image at its top left.
    M.SetMinMagnification(1e-300);
    M.SetMagnification(1e-300);
    M.BringLocationToCenter(7.0, 24.0);
    EXPECT_EQ(M.TopLeft(), (TPoint{0, 0}));
}

TEST(GeoMapMouse, ExactPositionsBetweenPixels)
{
    TGeoMap M;
    PrepareMap(M, 1000, 1000, 2.0);
    MakeEquiRect(M);
    const struct {
        double Lat, Long, x, y; // lat = 10 - y / 100, long = 20 + x / 100
    } Points[] = {{7.005, 24.0075, 400.75, 299.5}, {9.99, 20.001, 0.1, 1}, {0.0025, 29.9975, 999.75, 999.75}};
    for (const auto& P : Points) {
        double x = 0, y = 0, Lat = 0, Long = 0;
        ASSERT_TRUE(M.CalcMapPoint(P.Lat, P.Long, x, y)) << P.Lat;
        EXPECT_NEAR(x, P.x, 1e-6);
        EXPECT_NEAR(y, P.y, 1e-6);
        ASSERT_TRUE(M.CalcLatLong(P.x, P.y, Lat, Long)) << P.Lat;
        EXPECT_NEAR(Lat, P.Lat, 1e-9);
        EXPECT_NEAR(Long, P.Long, 1e-9);
    }
    // Along a row of the image a pixel spans a hundredth of a degree of longitude: on WGS 84 at
    // 7 degrees north, a parallel of radius a cos(lat) / sqrt(1 - e^2 sin^2(lat)).
    const double Phi = 7 * M_PI / 180, E2 = 0.00669437999014;
    const double Parallel = 6378137 * std::cos(Phi) / std::sqrt(1 - E2 * std::sin(Phi) * std::sin(Phi));
    EXPECT_NEAR(M.GroundResolutionAt(7, 24), Parallel * M_PI / 180 / 100, 0.01);
    EXPECT_EQ(M.GroundResolutionAt(95, 24), 0.0);
}

TEST(GeoMapMouse, FreeViewPlacesPositionsWhereverTheImageGoes)
{
    TGeoMap M;
    PrepareMap(M, 1000, 500, 2.0);
    MakeEquiRect(M);
    EXPECT_FALSE(M.FreeView());
    M.SetFreeView(true);
    // A position lands on the control point asked for, to half a map pixel (a control pixel at
    // magnification 2), however far beyond the image that puts the view.
    const struct {
        double Lat, Long, X, Y;
    } Places[] = {{7.005, 24.0075, 101, 50}, {9.995, 20.005, 399, 399}, {5.0, 29.99, 0, 0}, {12.0, 18.0, 200, 200}};
    for (const auto& P : Places) {
        ASSERT_TRUE(M.PlaceLocationAt(P.Lat, P.Long, P.X, P.Y)) << P.Lat;
        const double x = (P.Long - 20) * 100, y = (10 - P.Lat) * 100;
        EXPECT_LE(std::fabs((x - M.TopLeft().X) * 2 - P.X), 1.0) << P.Lat;
        EXPECT_LE(std::fabs((y - M.TopLeft().Y) * 2 - P.Y), 1.0) << P.Lat;
    }
    M.BringLocationToCenter(5.0, 29.9); // pixel (990, 500): centred, not pulled inside
    EXPECT_EQ(M.TopLeft(), (TPoint{890, 400}));
    M.BringMapPixelToCenter({10, 20});
    EXPECT_EQ(M.TopLeft(), (TPoint{-90, -80}));
    M.ZoomFitPage(); // 0.4: the image 400 x 200 in the middle of the 400 x 400 control
    EXPECT_EQ(M.TopLeft(), (TPoint{0, -250}));

    // A resize keeps the centre and the magnification; the halves rounding leaves carry over.
    M.show(); // a hidden widget gets its resize events only when it is shown
    M.SetMagnification(1);
    M.SetTopLeft({100, 100});
    M.resize(500, 300);
    EXPECT_EQ(M.TopLeft(), (TPoint{50, 150}));
    EXPECT_EQ(M.Magnification(), 1.0);
    M.resize(501, 301);
    M.resize(502, 302);
    EXPECT_EQ(M.TopLeft(), (TPoint{49, 149}));
    M.SetFreeView(false);
    M.resize(400, 400);
    EXPECT_EQ(M.TopLeft(), (TPoint{49, 149})) << "off, the top-left corner stays";
}

TEST(GeoMapMouse, WheelAndKeysOnlyWhenEnabled)
{
    TGeoMap M;
    PrepareMap(M, 1000, 1000, 1.0, {100, 100});
    auto Wheel = [&](int Delta) {
        QWheelEvent E(QPointF(100, 50), M.mapToGlobal(QPointF(100, 50)), QPoint(), QPoint(0, Delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&M, &E);
    };
    Wheel(120);
    for (int K : {Qt::Key_Right, Qt::Key_Plus, Qt::Key_Home}) QTest::keyClick(&M, Qt::Key(K));
    EXPECT_EQ(M.Magnification(), 1.0);
    EXPECT_EQ(M.TopLeft(), (TPoint{100, 100}));

    M.SetWheelZoom(2);
    M.SetKeyboardNavigation(true);
    int Events = 0;
    M.OnZoomPan = [&](TObject*) { ++Events; };
    Wheel(120);
    EXPECT_EQ(M.Magnification(), 2.0);
    EXPECT_EQ(M.ControlToMapImage({100, 50}), (TPoint{200, 150})) << "the point under the cursor stays";
    Wheel(-60); // half a notch
    EXPECT_DOUBLE_EQ(M.Magnification(), std::sqrt(2.0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return M.GetZoomStackEntry(0).MagF == M.Magnification(); }, 5000));
    EXPECT_EQ(M.GetZoomStackEntry(-1).MagF, 1.0) << "one save once the wheel pauses";

    M.OnMouseWheel = [](TObject*, TShiftState, int, TPoint, bool& Handled) { Handled = true; };
    Wheel(120);
    EXPECT_DOUBLE_EQ(M.Magnification(), std::sqrt(2.0));

    M.SetMagnification(1);
    M.SetTopLeft({100, 100});
    QTest::keyClick(&M, Qt::Key_Right);
    QTest::keyClick(&M, Qt::Key_Down);
    EXPECT_EQ(M.TopLeft(), (TPoint{140, 140})); // a tenth of 400
    QTest::keyClick(&M, Qt::Key_Plus);
    EXPECT_EQ(M.Magnification(), 2.0);
    EXPECT_EQ(M.TopLeft(), (TPoint{240, 240})); // about the centre (340, 340)
    QTest::keyClick(&M, Qt::Key_Minus);
    EXPECT_EQ(M.TopLeft(), (TPoint{140, 140}));
    QTest::keyClick(&M, Qt::Key_Home);
    EXPECT_EQ(M.Magnification(), 0.4);
    EXPECT_EQ(M.TopLeft(), (TPoint{0, 0}));
    EXPECT_EQ(Events, 7);
}

TEST(GeoMapMouse, QtSignalsFollowTheirEventsWithTheSameValues)
{
    TGeoMap M;
    PrepareMap(M, 1000, 1000);
    M.SetMouseAction(maSelectRect);
    std::vector<std::string> Log;
    auto Nums = [](std::initializer_list<double> V) {
        std::string T;
        for (double x : V) T.append(" ").append(std::to_string(x));
        return T;
    };
    M.OnClick = [&](TObject*) { Log.push_back("e click"); };
    M.OnDblClick = [&](TObject*) { Log.push_back("e dblclick"); };
    M.OnMouseMove = [&](TObject*, TShiftState, int X, int Y) { Log.push_back("e move" + Nums({double(X), double(Y)})); };
    M.OnZoomPan = [&](TObject*) { Log.push_back("e zoompan"); };
    M.OnSelectRect = [&](TObject*, int Md, double A, double B, double C, double D) {
        Log.push_back("e select" + Nums({double(Md), A, B, C, D}));
    };
    QObject::connect(&M, &TGeoMap::clicked, [&] { Log.push_back("s click"); });
    QObject::connect(&M, &TGeoMap::doubleClicked, [&] { Log.push_back("s dblclick"); });
    QObject::connect(&M, &TGeoMap::mouseMoved, [&](int X, int Y) { Log.push_back("s move" + Nums({double(X), double(Y)})); });
    QObject::connect(&M, &TGeoMap::zoomPanned, [&] { Log.push_back("s zoompan"); });
    QObject::connect(&M, &TGeoMap::rectSelected, [&](int Md, double A, double B, double C, double D) {
        Log.push_back("s select" + Nums({double(Md), A, B, C, D}));
    });
    DragFromTo(M, {20, 40}, {120, 90});
    M.SetMouseAction(maPan);
    DragFromTo(M, {120, 90}, {60, 60});
    QTest::mouseDClick(&M, Qt::LeftButton, {}, {10, 10});

    std::set<std::string> Kinds;
    ASSERT_EQ(Log.size() % 2, 0u);
    for (std::size_t i = 0; i < Log.size(); i += 2) {
        EXPECT_EQ(Log[i][0], 'e') << i;
        EXPECT_EQ(Log[i + 1], std::string("s").append(Log[i], 1)) << i;
        Kinds.insert(Log[i].substr(2, Log[i].find(' ', 2) - 2));
    }
    EXPECT_EQ(Kinds, (std::set<std::string>{"click", "dblclick", "move", "select", "zoompan"}));
}

} // namespace
} // namespace tyx
