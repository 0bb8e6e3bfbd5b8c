// tyxgeo atlas build and tyxgeo-viewer on a small database: the maps drawn where the geodesy puts
// things, the town classes, the viewer's picture offscreen, and the viewer under a real X server
// driven by xdotool.
#include "viewer_fixture.h"

#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/core/Tyx_landmarks.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"
#include "host/tyx_text.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace tyx;
using namespace tyx::viewertest;

/// Pixel of a position on the generated UTM sheet (zone 32, eastings 600-780 km, northings
/// 5240-5400 km, 1500 x 1333 pixels).
QPoint SheetPixel(double Lat, double Long)
{
    double E = 0, N = 0;
    LatLongToTM(Lat * M_PI / 180, Long * M_PI / 180, UTMCentralMeridian(32), gelWGS84, E, N);
    E = 0.9996 * E + 500000;
    N *= 0.9996;
    return QPoint(static_cast<int>((E - 600000) / 120), static_cast<int>((5400000 - N) / 120));
}

TEST_F(ViewerTest, AtlasBuildDrawsLandWhereTheGeodesyPutsIt)
{
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    const QImage World((AtlasDir() + "/world.jpg"));
    ASSERT_EQ(World.size(), QSize(2000, 1000));
    auto WorldPx = [&World](double Lat, double Long) {
        return World.pixel(static_cast<int>((Long + 180) / 360 * 2000), static_cast<int>((90 - Lat) / 180 * 1000));
    };
    const struct {
        double Lat, Long;
        bool Land;
    } Points[] = {{48, 10, true}, {0, -30, false}, {66, 175, true}, {66, -175, true}, {66, 160, false}};
    for (const auto& P : Points)
        EXPECT_EQ(Greenish(WorldPx(P.Lat, P.Long)), P.Land) << P.Lat << ", " << P.Long;

    // The UTM sheet: the lake sits where zone 32 puts it, land around it.
    const QImage Sheet(AtlasDir() + "/munich.jpg");
    ASSERT_EQ(Sheet.size(), QSize(1500, 1333));
    EXPECT_TRUE(Bluish(Sheet.pixel(SheetPixel(47.875, 12.465))));
    EXPECT_TRUE(Greenish(Sheet.pixel(SheetPixel(47.875, 12.30))));
    EXPECT_TRUE(Greenish(Sheet.pixel(SheetPixel(48.137, 11.575))));

    TCalibData Data;
    TCalibModel Model = cmUndefined;
    ASSERT_TRUE(ParseCalibData((AtlasDir() + "/munich.xml").toStdString(), "", Data, Model));
    EXPECT_EQ(Model, cmUTM);
    EXPECT_EQ(Data.UTMZone, 32);
    EXPECT_NEAR(Data.Resolution, 120, 2);
    ASSERT_TRUE(ParseCalibData((AtlasDir() + "/world.xml").toStdString(), "", Data, Model));
    EXPECT_NEAR(Data.Resolution, 20000, 500);
}

TEST_F(ViewerTest, AtlasBuildClassesTownsByPopulation)
{
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    TLandMarkList List;
    TTextFile F;
    F.Reset((AtlasDir() + "/cities.xml").toStdString());
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "", List));
    F.Close();
    ASSERT_EQ(List.NumLandMarks(), 5);
    // Most populous first: declutter ranks the towns of a class by their order.
    EXPECT_TRUE(std::is_sorted(List.Items().begin(), List.Items().end(),
                               [](const TLandMark& a, const TLandMark& b) { return a.Tag > b.Tag; }));
    const struct {
        double Lat;
        int Class;
        const char* Caption; // every class is named
    } Towns[] = {{48.137, 1, "Munich"}, {48.37, 2, "Augsburg"}, {48.26, 3, "Dachau"}, {48.0, 4, "Hamlet"},
                 {47.8, 2, "Classed"}};
    for (const auto& T : Towns) {
        const auto& Items = List.Items();
        const auto It = std::find_if(Items.begin(), Items.end(),
                                     [&T](const TLandMark& L) { return std::fabs(L.Latitude - T.Lat) < 1e-3; });
        ASSERT_NE(It, Items.end()) << T.Lat;
        EXPECT_EQ(It->ClassFlag, T.Class) << T.Lat;
        EXPECT_EQ(It->Caption.Text.Str(), T.Caption) << T.Lat;
    }
}

TEST_F(ViewerTest, ViewerOffscreenShowsMapLandmarksAndStatus)
{
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    const QString Shot = QString::fromStdString((Dir / "shot.png").string());
    const TRun R = RunProgram(VIEWER_PATH, {AtlasDir(), "--db", DbName(), "--goto", "MUNICH", "--zoom", "0.5", "--size", "800x600",
                                     "--echo-status", "--screenshot", Shot});
    ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
    // Centred on Munich, on the UTM sheet, and the status says so in degrees and UTM.
    int Zone = 0;
    char Band = ' ';
    GeoToUTMZone(48.137, 11.575, Zone, Band);
    EXPECT_TRUE(R.Out.contains(QString("Centre: 48°08'")) && R.Out.contains(QString("UTM %1%2").arg(Zone).arg(Band)))
        << R.Out.toStdString();

    const QImage Img(Shot);
    ASSERT_EQ(Img.size(), QSize(800, 600));
    int Land = 0, Orange = 0, DarkInStatus = 0;
    for (int y = 0; y < Img.height(); ++y)
        for (int x = 0; x < Img.width(); ++x) {
            const QRgb C = Img.pixel(x, y);
            Land += Greenish(C);
            // Augsburg, a class-2 town: an orange disc.
            Orange += qRed(C) > 220 && qGreen(C) > 100 && qGreen(C) < 160 && qBlue(C) < 60;
            DarkInStatus += y >= Img.height() - 18 && qGray(C) < 90;
        }
    EXPECT_GT(Land, 800 * 300);
    EXPECT_GT(Orange, 3);
    EXPECT_GT(DarkInStatus, 50);

    // The view as PNG is the map control's picture; the PDF is a PDF.
    const QString Png = QString::fromStdString((Dir / "view.png").string()),
                  Pdf = QString::fromStdString((Dir / "map.pdf").string());
    const TRun Files = RunProgram(VIEWER_PATH, {AtlasDir(), "--size", "640x480", "--export", Png, "--pdf", Pdf});
    ASSERT_EQ(Files.Code, 0) << Files.Err.toStdString();
    const QImage View(Png);
    EXPECT_TRUE(View.width() > 600 && View.width() < 640 && View.height() > 300 && View.height() < 480);
    // The viewer shows the scale bar: a dark bar along the bottom-left corner.
    int Bar = 0;
    for (int x = 10; x < 40; ++x) Bar += qGray(View.pixel(x, View.height() - 12)) < 60;
    EXPECT_EQ(Bar, 30);
    QFile PdfFile(Pdf);
    ASSERT_TRUE(PdfFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(PdfFile.read(5) == "%PDF-" && PdfFile.size() > 10000);

    // A calibration of one's own, without an atlas folder, by option or as the application menu
    // hands a file over: the view shows its land; a zoom keeps that centre.
    for (const QStringList& Open : {QStringList{"--calib", AtlasDir() + "/germany.xml"}, QStringList{AtlasDir() + "/germany.xml"},
                                    QStringList{AtlasDir() + "/germany.xml", "--zoom", "3"}}) {
        QFile::remove(Png);
        const TRun Own = RunProgram(VIEWER_PATH, Open + QStringList{"--export", Png});
        ASSERT_EQ(Own.Code, 0) << Open.join(' ').toStdString() << ": " << Own.Err.toStdString();
        // The map is fitted and centred: its middle is in the middle of the view.
        const QImage View(Png);
        EXPECT_TRUE(Greenish(View.pixel(View.width() / 2, View.height() / 2))) << Open.join(' ').toStdString();
    }

    const TRun Missing = RunProgram(VIEWER_PATH, {AtlasDir(), "--db", DbName(), "--goto", "Atlantis", "--screenshot", Shot});
    EXPECT_EQ(Missing.Code, 1);
    EXPECT_TRUE(Missing.Err.contains("Atlantis")) << Missing.Err.toStdString();
}

/// The UTM easting and northing in a status line.
bool UtmOf(const QString& Line, double& E, double& N)
{
    const auto M = QRegularExpression(R"(UTM \d+\w (\d+) E (\d+) N)").match(Line);
    if (!M.hasMatch()) return false;
    E = M.captured(1).toDouble();
    N = M.captured(2).toDouble();
    return true;
}

/// The last status line before the mark.
QString StatusBefore(const QStringList& Lines, const QString& Mark)
{
    QString Last;
    for (const QString& L : Lines) {
        if (L == Mark) return Last;
        if (L.startsWith("status: ")) Last = L;
    }
    return {};
}

TEST_F(ViewerTest, RealMouseUnderXPansAndShowsThePositionUnderTheCursor)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool is not installed (Debian packages xvfb, xdotool): no real X server test";
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    const QString Out = QString::fromStdString((Dir / "x").string());
    fs::create_directories(Dir / "x");
    const TRun R = RunProgram("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", "bash", X_SESSION, VIEWER_PATH, Out,
                                    AtlasDir(), "--db", DbName(), "--goto", "Munich", "--grat", "4", "--size", "800x600"});
    ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
    QFile Log(Out + "/stdout");
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly));
    const QStringList Lines = QString::fromUtf8(Log.readAll()).split('\n');

    // Hovering shows the position under the cursor, not the view's centre; after the drag the
    // same ground lies under the cursor again, within a few pixels of 120 m.
    const QString Hover = StatusBefore(Lines, "mark: hover"), Dragged = StatusBefore(Lines, "mark: dragged");
    double E1 = 0, N1 = 0, E2 = 0, N2 = 0;
    ASSERT_TRUE(UtmOf(Hover, E1, N1) && !Hover.contains("Centre")) << Lines.join('\n').toStdString();
    ASSERT_TRUE(UtmOf(Dragged, E2, N2)) << Lines.join('\n').toStdString();
    EXPECT_NEAR(E1, E2, 500);
    EXPECT_NEAR(N1, N2, 500);

    // The picture moved with the mouse: 150 px left and 100 px up.
    const QImage Before(Out + "/shot-1.png"), After(Out + "/shot-2.png");
    ASSERT_FALSE(Before.isNull());
    ASSERT_FALSE(After.isNull());
    ASSERT_EQ(Before.size(), After.size());
    // Grid lines and towns (what is not plain land) are found again 150 px left and 100 px up.
    int Features = 0, Moved = 0;
    for (int y = 250; y < 450; ++y)
        for (int x = 300; x < 600; ++x) {
            if (Greenish(Before.pixel(x, y))) continue;
            ++Features;
            Moved += Before.pixel(x, y) == After.pixel(x - 150, y - 100);
        }
    EXPECT_GT(Features, 200);
    EXPECT_GT(Moved, Features * 9 / 10);
}

} // namespace
