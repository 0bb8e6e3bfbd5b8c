// The database layer on the map control: items drawn where the calibration puts them under
// several models and views (HighDpi too), across the antimeridian without a seam, lakes with their
// holes, the thinning of a long line, the caches, the hit test, and nothing at all when off.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <vector>

#include <QPainter>

#include "geobasics/Tyx_geobasics.h"
#include "geomap/Tyx_geodblayer.h"
#include "geomap/geomap_thinlines.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

using test::PixelOf;

// The map shows latitudes about 46 to 54 and longitudes about 168 to 192 (past 180 unwrapped).
constexpr int W = 320, H = 240;

struct TModelCase {
    const char* Name;
    TCalibModel Model;
    double Mag;
    TPoint TopLeft;
    double Ratio;      // HighDpi pixel ratio, 1 for none
    bool Areas = true; // the lakes shown (else lines only)
};

void Calibrate(TGeoMap& M, TCalibModel Model)
{
    M.SetCalibModel(Model);
    if (Model == cmEquiRect) {
        M.AddCalibPoint(54.0, 168.0, 0, 0);
        M.AddCalibPoint(54.0, 192.0, W, 0);
        M.AddCalibPoint(46.0, 168.0, 0, H);
    } else if (Model == cmUTM) {
        // Zone 60 (central meridian 177 E), 4 km per pixel.
        M.SetUTMZone(60);
        for (const TPoint P : {TPoint{0, 0}, TPoint{W, 0}, TPoint{0, H}})
            M.AddCalibPoint(5650000.0 - (P.Y - H / 2) * 4000.0, 500000.0 + (P.X - W / 2) * 4000.0, 60, hemiNorth,
                            P.X, P.Y);
    } else {
        // A cone with its apex 1500 pixels above the map, centred on 180.
        const auto Lat = [](int x, int y) { return std::hypot(x - 160.0, y + 1500.0) * -0.035 + 106.7; };
        const auto Long = [](int x, int y) { return std::atan((x - 160.0) / (y + 1500.0)) * 120 + 180; };
        for (int x = 0; x <= W; x += W / 2)
            for (int y = 0; y <= H; y += H / 2) M.AddCalibPoint(Lat(x, y), Long(x, y), x, y);
    }
}

/// A 320 x 240 control on a white image, calibrated under Model; no frame, no paint yet.
void Prepare(TGeoMap& M, TCalibModel Model)
{
    test::ShowPlainImage(M, W, H);
    Calibrate(M, Model);
}

using TPath = std::vector<std::pair<double, double>>; // (lat, long), long unwrapped

/// The straight run from A to B in steps of at most 0.1 degree, B left out.
void Segment(TPath& P, double LatA, double LongA, double LatB, double LongB)
{
    const int n = std::max(1, int(std::ceil(std::max(std::fabs(LatB - LatA), std::fabs(LongB - LongA)) / 0.1)));
    for (int i = 0; i < n; ++i) P.emplace_back(LatA + (LatB - LatA) * i / n, LongA + (LongB - LongA) * i / n);
}

TPath Rectangle(double S, double N, double Wst, double E)
{
    TPath P;
    Segment(P, S, Wst, S, E);
    Segment(P, S, E, N, E);
    Segment(P, N, E, N, Wst);
    Segment(P, N, Wst, S, Wst);
    return P;
}

TgdbPolygon Stored(const TPath& P, double Shift = 0)
{
    TgdbPolygon Out;
    for (const auto& [Lat, Long] : P) Out.push_back({float(Lat), float(Long + Shift)});
    return Out;
}

// The generated data: a square border across the antimeridian, cut there into two rings as an
// importer stores it; a lake with a hole; a river across the antimeridian in two pieces.
const TPath Border = Rectangle(47, 53, 172, 188);
const TPath River = [] {
    TPath P;
    Segment(P, 52, 173, 52, 187.01);
    return P;
}();

class DBLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Db.SetGDBName(Dir.filePath("db").toStdString());
        const TgdbName Name("Square");
        Db.AddBorder(Name, Stored(Rectangle(47, 53, 172, 180)), true, 0, 0, 0, 0, 0, 0, 0, 0, 7);
        Db.AddBorder(Name, Stored(Rectangle(47, 53, 180, 188), -360), true, 0, 0, 0, 0, 0, 0, 0, 0, 7);
        Db.AddLake(TgdbName("Lake"), Stored(Rectangle(48.5, 51.5, 174, 178)), 0, 0, 0, 0, 0, 0, 0, 0, 9);
        Db.AddLake(TgdbName("Lake"), Stored(Rectangle(49.5, 50.5, 175.5, 176.5)), 0, gdbHoleStateFlag, 0, 0, 0, 0,
                   0, 0, 9);
        TPath West, East;
        Segment(West, 52, 173, 52, 180);
        West.emplace_back(52, 180);
        Segment(East, 52, 180, 52, 187.01);
        Db.AddRiver(TgdbName("River"), Stored(West), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        Db.AddRiver(TgdbName("River"), Stored(East, -360), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    /// Black borders, red rivers, lakes filled blue without outline.
    void Style(TGeoDBLayer& L)
    {
        L.SetKindStyle(gitBorder, {clBlack, 1, psSolid, false, clWhite});
        L.SetKindStyle(gitRiver, {clRed, 1, psSolid, false, clWhite});
        L.SetKindStyle(gitLake, {clBlue, 0, psSolid, true, clBlue});
    }
    QTemporaryDir Dir;
    TGeoDB Db;
};

/// Control pixel of a position under the map's calibration and view.
TPixelF ControlOf(const TGeoMap& M, double Lat, double Long)
{
    TPixelF P{-1e9, -1e9};
    PositionToPixel(M.Calibration(), Lat, Long, P);
    return {(P.X - M.TopLeft().X) * M.Magnification(), (P.Y - M.TopLeft().Y) * M.Magnification()};
}

TPixelPath ControlPath(const TGeoMap& M, const TPath& P)
{
    TPixelPath Out;
    for (const auto& [Lat, Long] : P) Out.push_back(ControlOf(M, Lat, Long));
    return Out;
}

// Half of a one-pixel line or more.
bool Dark(QRgb C) { return qRed(C) < 160 && qGreen(C) < 160 && qBlue(C) < 160; }
bool Reddish(QRgb C) { return qRed(C) > 180 && qGreen(C) < 170 && qBlue(C) < 170; }

TEST_F(DBLayerTest, ItemsLieWhereTheCalibrationPutsThemUnderEachModelAndView)
{
    for (const TModelCase& Case : {TModelCase{"equirect", cmEquiRect, 1, {0, 0}, 1},
                                   TModelCase{"equirect zoomed", cmEquiRect, 2.5, {60, 50}, 1},
                                   TModelCase{"equirect HighDpi", cmEquiRect, 1, {0, 0}, 2},
                                   TModelCase{"UTM", cmUTM, 1, {0, 0}, 1},
                                   TModelCase{"conic", cmConicConformal, 1, {0, 0}, 1},
                                   TModelCase{"conic, lines only", cmConicConformal, 1, {0, 0}, 1, false}}) {
        SCOPED_TRACE(Case.Name);
        TGeoMap M;
        Prepare(M, Case.Model);
        M.SetMagnification(Case.Mag);
        M.SetTopLeft(Case.TopLeft);
        if (Case.Ratio != 1) {
            M.SetHighDpi(true);
            M.SetPixelRatio(Case.Ratio);
        }
        TGeoDBLayer L(&M, &Db);
        Style(L);
        L.SetKindVisible(gitLake, Case.Areas);
        L.SetEnabled(true);
        M.SetSuppressPaint(false);
        M.Paint();
        const QImage& Pic = M.Picture();
        const double R = Case.Ratio;
        ASSERT_EQ(Pic.width(), int(W * R));
        // Drawn pixels (in control pixels) and the distance of a control point to the nearest.
        const auto Near = [&](const TPixelF& P, auto Is, double Reach) {
            for (int y = int(std::floor((P.Y - Reach) * R)); y <= int(std::ceil((P.Y + Reach) * R)); ++y)
                for (int x = int(std::floor((P.X - Reach) * R)); x <= int(std::ceil((P.X + Reach) * R)); ++x)
                    if (x >= 0 && y >= 0 && x < Pic.width() && y < Pic.height() && Is(Pic.pixel(x, y)) &&
                        std::hypot((x + 0.5) / R - P.X, (y + 0.5) / R - P.Y) <= Reach)
                        return true;
            return false;
        };
        const auto Inside = [&](const TPixelF& P) { return P.X > 3 && P.Y > 3 && P.X < W - 3 && P.Y < H - 3; };
        const TPixelPath B = ControlPath(M, Border), Rv = ControlPath(M, River);
        int Checked = 0;
        for (const auto& [Path, Is] : {std::pair{&B, &Dark}, std::pair{&Rv, &Reddish}})
            for (const TPixelF& P : *Path)
                if (Inside(P)) {
                    EXPECT_TRUE(Near(P, Is, 1.5)) << P.X << "," << P.Y;
                    ++Checked;
                }
        EXPECT_GT(Checked, 50);
        // Every dark pixel lies on the square, none on the cut at 180 degrees.
        int Stray = 0;
        for (int y = 0; y < Pic.height(); ++y)
            for (int x = 0; x < Pic.width(); ++x)
                if (Dark(Pic.pixel(x, y)) && DistanceToPath(B, true, {(x + 0.5) / R, (y + 0.5) / R}) > 1.5) ++Stray;
        EXPECT_EQ(Stray, 0);
        // The lake is filled, its hole is not.
        const TPixelF Lake = ControlOf(M, 50, 174.8), Hole = ControlOf(M, 50, 176);
        ASSERT_TRUE(Inside(Lake) && Inside(Hole));
        EXPECT_EQ(PixelOf(Pic, int(Lake.X * R), int(Lake.Y * R)), Case.Areas ? test::Through15Bit(clBlue) : clWhite);
        EXPECT_EQ(PixelOf(Pic, int(Hole.X * R), int(Hole.Y * R)), clWhite);
    }
}

TEST_F(DBLayerTest, OffOrUnboundTheLayerLeavesThePictureAsItWas)
{
    TGeoMap M;
    Prepare(M, cmEquiRect);
    M.SetSuppressPaint(false);
    M.Paint();
    const QImage Without = M.Picture();
    TGeoDBLayer L(&M, &Db);
    M.Paint();
    EXPECT_EQ(M.Picture(), Without) << "bound, not enabled";
    L.SetEnabled(true);
    EXPECT_NE(M.Picture(), Without) << "enabled";
    L.SetMap(nullptr);
    EXPECT_EQ(M.Picture(), Without) << "left the map";
}

TEST_F(DBLayerTest, ARepaintOfAnotherViewShowsNothingOfTheLast)
{
    // The lake makes the layer draw apart and compose; what it drew must not stay for later.
    TGeoMap M, Fresh;
    Prepare(M, cmEquiRect);
    Prepare(Fresh, cmEquiRect);
    TGeoDBLayer L(&M, &Db), F(&Fresh, &Db);
    for (TGeoDBLayer* Layer : {&L, &F}) {
        Style(*Layer);
        Layer->SetEnabled(true);
    }
    M.SetSuppressPaint(false);
    for (TGeoMap* Map : {&M, &Fresh}) {
        Map->SetMagnification(2);
        Map->SetTopLeft({60, 50});
    }
    Fresh.SetSuppressPaint(false);
    EXPECT_EQ(M.Picture(), Fresh.Picture());
}

TEST_F(DBLayerTest, AnIsletWithinAPixelStaysASpeckWithoutAntialiasing)
{
    TGeoDB Islet;
    // A ring of 0.27 x 0.3 pixels that passes no pixel centre row or column.
    Islet.SetGDBName(Dir.filePath("islet").toStdString());
    Islet.AddBorder(TgdbName("Islet"), Stored(Rectangle(49.99, 50, 176.01, 176.03)), true, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    TGeoMap M;
    Prepare(M, cmEquiRect);
    M.SetAntiAlias(false);
    TGeoDBLayer L(&M, &Islet);
    Style(L);
    L.SetEnabled(true);
    M.SetSuppressPaint(false);
    const TPixelF P = ControlOf(M, 49.995, 176.02);
    int Dots = 0;
    for (int y = int(P.Y) - 1; y <= int(P.Y) + 1; ++y)
        for (int x = int(P.X) - 1; x <= int(P.X) + 1; ++x) Dots += Dark(M.Picture().pixel(x, y));
    EXPECT_EQ(Dots, 1);
}

TEST_F(DBLayerTest, ALongLineThinnedStaysWithinOnePixelOfTheFullLine)
{
    // 100 000 points of a wave 2 degrees high across the map.
    TPath Full;
    for (int i = 0; i < 100000; ++i) {
        const double Long = 169 + 22.0 * i / 99999;
        Full.emplace_back(50 + 2 * std::sin(Long * 3) + 0.3 * std::sin(Long * 40), Long);
    }
    TGeoDB Long;
    Long.SetGDBName(Dir.filePath("long").toStdString());
    Long.AddRoute(TgdbName("Wave"), Stored(Full), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    for (const double Mag : {1.0, 4.0}) {
        SCOPED_TRACE(Mag);
        TGeoMap M;
        Prepare(M, cmEquiRect);
        M.SetMagnification(Mag);
        TGeoDBLayer L(&M, &Long);
        const std::vector<TDBShape> Items = L.ViewItems();
        ASSERT_EQ(Items.size(), 1u);
        ASSERT_EQ(Items[0].Parts.size(), 1u);
        const TPixelPath& Thin = Items[0].Parts[0];
        const TPixelPath Exact = ControlPath(M, Full);
        EXPECT_LT(Thin.size(), Exact.size() / 20);
        // Both run from west to east: compare each point with the other path near its column.
        const auto Deviation = [](const TPixelPath& From, const TPixelPath& To) {
            double Worst = 0;
            std::size_t j = 0;
            for (const TPixelF& P : From) {
                while (j + 1 < To.size() && To[j + 1].X < P.X - 3) ++j;
                std::size_t k = j;
                while (k + 1 < To.size() && To[k].X < P.X + 3) ++k;
                const TPixelPath Window(To.begin() + std::ptrdiff_t(j), To.begin() + std::ptrdiff_t(k) + 1);
                Worst = std::max(Worst, DistanceToPath(Window, false, P));
            }
            return Worst;
        };
        EXPECT_LE(Deviation(Exact, Thin), 1.0);
        EXPECT_LE(Deviation(Thin, Exact), 1.0);
    }
}

TEST_F(DBLayerTest, PointsAreConvertedOncePerViewAndCachesFollowDatabaseAndCalibration)
{
    TGeoMap M;
    Prepare(M, cmEquiRect);
    M.SetSuppressPaint(false);
    TGeoDBLayer L(&M, &Db);
    L.SetEnabled(true);
    EXPECT_GT(L.LastStats().PointsConverted, 0);
    EXPECT_EQ(L.LastStats().ItemsDrawn, 6);
    M.Paint();
    EXPECT_EQ(L.LastStats().PointsConverted, 0) << "repaint";
    M.SetMagnification(2);
    EXPECT_GT(L.LastStats().PointsConverted, 0) << "zoom";
    M.SetTopLeft({60, 40});
    EXPECT_EQ(L.LastStats().PointsConverted, 0) << "pan";
    // A new calibration moves the items with it.
    const TPixelF Before = L.ViewItems().at(0).Parts.at(0).at(0);
    M.ClearCalibData();
    M.AddCalibPoint(54.0, 166.0, 0, 0);
    M.AddCalibPoint(54.0, 190.0, W, 0);
    M.AddCalibPoint(46.0, 166.0, 0, H);
    EXPECT_GT(L.LastStats().PointsConverted, 0) << "new calibration";
    const TPixelF After = L.ViewItems().at(0).Parts.at(0).at(0);
    EXPECT_NEAR(After.X - Before.X, 2 * (W / 24.0) * 2, 1e-6);
    // Closed, the database shows nothing; opened on other files, those.
    Db.SetGDBName("");
    M.Paint();
    EXPECT_EQ(L.LastStats().ItemsDrawn, 0);
    TGeoDB Other;
    Other.SetGDBName(Dir.filePath("other").toStdString());
    Other.AddRiver(TgdbName("Alone"), Stored(River), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    L.SetDatabase(&Other);
    EXPECT_EQ(L.LastStats().ItemsDrawn, 1);
    L.SetDatabase(nullptr);
    EXPECT_EQ(L.LastStats().ItemsDrawn, 0);
}

TEST_F(DBLayerTest, HitTestNamesTheNearestLineAndTheAreasUnderThePoint)
{
    TGeoMap M;
    Prepare(M, cmEquiRect);
    TGeoDBLayer L(&M, &Db); // not enabled: the hit test works all the same
    struct TCase {
        double Lat, Long;
        std::vector<std::string> Names; // nearest line first, then areas, smallest first
    };
    for (const TCase& C : {TCase{50, 174.8, {"Lake", "Square"}}, TCase{50, 176, {"Square"}},
                           TCase{52.05, 183, {"River", "Square"}}, TCase{52.05, 179.99, {"River", "Square"}},
                           TCase{52.3, 176, {"Square"}}, TCase{46.5, 170, {}}}) {
        const TPixelF P = ControlOf(M, C.Lat, C.Long);
        const std::vector<TGeoDBHit> Hits = L.HitTest({int(std::lround(P.X)), int(std::lround(P.Y))});
        std::vector<std::string> Names;
        for (const TGeoDBHit& h : Hits) Names.push_back(h.Name);
        EXPECT_EQ(Names, C.Names) << C.Lat << "," << C.Long;
    }
    L.SetKindVisible(gitLake, false);
    const TPixelF P = ControlOf(M, 50, 174.8);
    const auto Hits = L.HitTest({int(P.X), int(P.Y)});
    ASSERT_EQ(Hits.size(), 1u);
    EXPECT_EQ(Hits[0].Kind, gitBorder);
    EXPECT_EQ(Hits[0].Entry, 1);
}

TEST(DBShapes, ThinningKeepsThePointsThatBendTheLineByHalfAPixel)
{
    struct TCase {
        const char* Name;
        TPixelPath Path;
        bool Closed;
        std::vector<uint32_t> Kept;
    };
    const TCase Cases[] = {
        {"straight, points 2 pixels apart", {{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}}, false, {0, 4}},
        {"bends of 0.4 pixel", {{0, 0}, {2, 0.4}, {4, 0}, {6, -0.4}, {8, 0}}, false, {0, 4}},
        {"bends of 0.6 pixel", {{0, 0}, {2, 0.6}, {4, 0}, {6, -0.6}, {8, 0}}, false, {0, 1, 3, 4}},
        {"a square with points along its sides", {{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}},
         true, {0, 2, 4, 6, 7}},
    };
    for (const TCase& C : Cases) {
        std::vector<uint32_t> Kept;
        ThinPixelPath(C.Path, 0.5, C.Closed, Kept);
        EXPECT_EQ(Kept, C.Kept) << C.Name;
    }
}

TEST_F(DBLayerTest, LandOutlinesAreLeftToTheCountriesUnlessStyled)
{
    TGeoDB Land;
    Land.SetGDBName(Dir.filePath("land").toStdString());
    Land.AddBorder(TgdbName(""), Stored(Rectangle(47, 53, 172, 180)), true, 0, 0, 0, 0, 0, 0, 0, gdbLandOutlineClass, 0);
    TGeoMap M;
    Prepare(M, cmEquiRect);
    M.SetSuppressPaint(false);
    M.Paint();
    const QImage Without = M.Picture();
    TGeoDBLayer L(&M, &Land);
    L.SetEnabled(true);
    EXPECT_EQ(M.Picture(), Without);
    const TPixelF Inside = ControlOf(M, 50, 176);
    const TPoint P{int(Inside.X), int(Inside.Y)};
    EXPECT_TRUE(L.HitTest(P).empty());
    TGeoDBStyle Filled = TGeoDBLayer::LandOutlineStyle();
    Filled.Filled = true;
    L.SetClassStyle(gitBorder, gdbLandOutlineClass, Filled);
    EXPECT_NE(M.Picture().pixel(P.X, P.Y), Without.pixel(P.X, P.Y));
    EXPECT_EQ(L.HitTest(P).size(), 1u);
}

TEST_F(DBLayerTest, AWorldMapWithRoomBeyondThePolesShowsEveryItem)
{
    // The whole world in the middle of the control: its top and bottom edges lie beyond the poles.
    TGeoDB World;
    World.SetGDBName(Dir.filePath("world").toStdString());
    World.AddBorder(TgdbName("Far from 180"), Stored(Rectangle(0, 10, 0, 10)), true, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    TGeoMap M;
    test::ShowPlainImage(M, W, H);
    M.SetCalibModel(cmEquiRect);
    M.AddCalibPoint(90.0, -180.0, 0, 40);
    M.AddCalibPoint(90.0, 180.0, W, 40);
    M.AddCalibPoint(-90.0, -180.0, 0, 200);
    TGeoDBLayer L(&M, &World);
    ASSERT_EQ(L.ViewItems().size(), 1u);
}

TEST(ThinLines, ALineCoversThePixelsQtsThinPenCovers)
{
    // Coverage of a white line on a clear 48 x 40 image by TThinLines and by Qt's one-pixel pen,
    // and on a black 15-bit one by TThinLines; a plain line's pixels have their centres on it.
    constexpr int IW = 48, IH = 40;
    struct TCase {
        const char* Name;
        TPixelF A, B;
    };
    const TCase Cases[] = {
        {"shallow, fractional ends", {3.3, 10.7}, {44.6, 17.2}},
        {"steep, upwards", {27.9, 38.1}, {20.5, 2.2}},
        {"diagonal, leftwards", {40, 4}, {6, 38}},
        {"along a row of centres", {2, 20.5}, {45, 20.5}},
        {"along a row boundary", {2.25, 20}, {45.75, 20}},
        {"short", {10.2, 30.3}, {12.9, 31.1}},
        {"through the image from far outside", {-1e9, -2e8}, {1e9, 2e8}},
        {"beside the image", {-10, 5}, {-3, 30}},
    };
    for (const bool AntiAlias : {true, false}) {
        for (const TCase& C : Cases) {
            SCOPED_TRACE(std::string(C.Name) + (AntiAlias ? ", antialiased" : ", plain"));
            QImage Ours(IW, IH, QImage::Format_ARGB32_Premultiplied), Qts = Ours, On15(IW, IH, QImage::Format_RGB555);
            Ours.fill(Qt::transparent);
            Qts.fill(Qt::transparent);
            On15.fill(Qt::black);
            TThinLines Thin(Ours, IW, IH), Thin15(On15, IW, IH);
            Thin.SetPen(clWhite, AntiAlias);
            Thin15.SetPen(clWhite, AntiAlias);
            Thin.Line(C.A, C.B);
            Thin15.Line(C.A, C.B);
            {
                QPainter P(&Qts);
                P.setRenderHint(QPainter::Antialiasing, AntiAlias);
                P.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::FlatCap));
                P.drawLine(QLineF(C.A.X, C.A.Y, C.B.X, C.B.Y));
            }
            int Sum = 0, QtSum = 0, Diff = 0, Stray = 0, Outside = 0, Off15 = 0, OffCentre = 0;
            const TRect Box = Thin.Dirty();
            const auto QtNear = [&](int x, int y) {
                for (int j = std::max(0, y - 1); j <= std::min(IH - 1, y + 1); ++j)
                    for (int i = std::max(0, x - 1); i <= std::min(IW - 1, x + 1); ++i)
                        if (qAlpha(Qts.pixel(i, j)) > 0) return true;
                return false;
            };
            for (int y = 0; y < IH; ++y)
                for (int x = 0; x < IW; ++x) {
                    const int a = qAlpha(Ours.pixel(x, y)), q = qAlpha(Qts.pixel(x, y));
                    Sum += a;
                    QtSum += q;
                    Diff += std::abs(a - q);
                    Stray += a > 0 && !QtNear(x, y);
                    OffCentre += !AntiAlias && a > 0 && DistanceToPath({C.A, C.B}, false, {x + 0.5, y + 0.5}) > 0.5 + 1e-6;
                    Outside += a > 0 && !(x >= Box.Left && x < Box.Right && y >= Box.Top && y < Box.Bottom);
                    Off15 += std::abs(qRed(On15.pixel(x, y)) - a) > 16;
                }
            // As much ink as Qt's, nowhere Qt puts none nearby; antialiased, in the same pixels.
            EXPECT_NEAR(Sum, QtSum, 0.02 * QtSum + 255);
            if (AntiAlias) {
                EXPECT_LE(Diff, 0.05 * QtSum + 255);
            }
            EXPECT_EQ(Stray, 0);
            EXPECT_EQ(OffCentre, 0) << "plain pixels lie on the line";
            EXPECT_EQ(Outside, 0) << "drawn beyond the dirty box";
            EXPECT_EQ(Off15, 0) << "the 15-bit picture differs";
        }
    }
}

} // namespace
} // namespace tyx
