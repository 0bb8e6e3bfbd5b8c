// The viewer with data over its maps: the database drawn sharp past the raster's resolution, the
// identify tool, and a GPX file's waypoints among the landmarks and its track through the layer.
#include "geodb/Tyx_GeoDB.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

using namespace tyx;

struct TExit {
    int Code = -1;
    QString Err, Out;
};

/// Runs a program of the build to its end (at most two minutes).
TExit RunBuilt(const QString& Program, const QStringList& Args)
{
    QProcess P;
    P.start(Program, Args);
    const bool Done = P.waitForFinished(120000);
    return {Done && P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1, QString::fromUtf8(P.readAllStandardError()),
            QString::fromUtf8(P.readAllStandardOutput())};
}

/// How far apart two colours are, the largest difference of a channel.
int Distance(QRgb A, QRgb B)
{
    return std::max({std::abs(qRed(A) - qRed(B)), std::abs(qGreen(A) - qGreen(B)), std::abs(qBlue(A) - qBlue(B))});
}

/// A database of one land area whose coast runs north-south at 13 degrees east, a lake on it and a
/// town 0.1 degrees west of the coast, and the atlas drawn from it; the town lies on the Germany
/// map only.
class ViewerLayers : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Dir = std::make_unique<QTemporaryDir>();
        TGeoDB Db;
        Db.SetGDBName(Base().toStdString());
        auto Ring = [&Db](const char* Name, TgdbPolygon P, TgdbItem Kind) {
            Db.AddData(Name, P, true, Kind, 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr, 0, false);
        };
        Ring("Land", {{46, 4}, {46, 13}, {54, 13}, {54, 4}}, gitBorder);
        Ring("Pond", {{52.3f, 12.5f}, {52.3f, 12.7f}, {52.7f, 12.7f}, {52.7f, 12.5f}}, gitLake);
        Db.AddTown("Coastville", 0, 0, {52.5f, 12.9f}, 0, 0, 50000);
        // Another database, of a river and the town only: it has no land to draw the map from.
        Db.SetGDBName(Dir->filePath("rivers").toStdString());
        Db.AddData("Stream", {{52.2f, 12.0f}, {52.8f, 12.2f}}, false, gitRiver, 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr,
                   0, false);
        Db.AddTown("Coastville", 0, 0, {52.5f, 12.9f}, 0, 0, 50000);
        Db.SetGDBName("");
        BuildCode = RunBuilt(TYXGEO_PATH, {"atlas", "build", Dir->filePath("atlas"), "--db", Base()}).Code;
    }
    static void TearDownTestSuite() { Dir.reset(); }
    static QString Base() { return Dir->filePath("db"); }

    /// The map picture of the viewer at 8x on the town, on a real X server where there is one;
    /// Out gets what the viewer printed.
    static QImage ViewAt8(const QStringList& More, QString* Out = nullptr)
    {
        const QString Png = Dir->filePath("view.png");
        QFile::remove(Png);
        QStringList Args{Dir->filePath("atlas"), "--db", Base(), "--goto", "Coastville", "--zoom", "8", "--size", "800x600",
                         "--export", Png};
        Args << More;
        const bool X = !QStandardPaths::findExecutable("xvfb-run").isEmpty();
        const TExit R = X ? RunBuilt("xvfb-run", QStringList{"-a", "env", "QT_QPA_PLATFORM=xcb", VIEWER_PATH} + Args)
                          : RunBuilt(VIEWER_PATH, Args);
        EXPECT_EQ(R.Code, 0) << R.Err.toStdString();
        if (Out) *Out = R.Out;
        return QImage(Png);
    }

    static inline std::unique_ptr<QTemporaryDir> Dir;
    static inline int BuildCode = -1;
};

TEST_F(ViewerLayers, PastTheRasterTheCoastIsDrawnSharpFromTheDatabase)
{
    ASSERT_EQ(BuildCode, 0);
    const QImage Sharp = ViewAt8({}), Raster = ViewAt8({"--no-db-layer"});
    ASSERT_FALSE(Sharp.isNull());
    ASSERT_EQ(Sharp.size(), Raster.size());
    // A row below the town and its caption, from the town to the sea: the coast (at 0.1 degrees
    // east, about 92 pixels at 8x the Germany map's 115 pixels per degree) is what is neither land
    // nor sea there.
    const int Y = Sharp.height() / 2 + 100, X0 = Sharp.width() / 2 + 20;
    auto CoastWidth = [&](const QImage& Img) {
        const QRgb Land = Img.pixel(X0, Y), Sea = Img.pixel(Img.width() - 5, Y);
        int Width = 0;
        for (int x = X0; x < Img.width() - 5; ++x) Width += Distance(Img.pixel(x, Y), Land) > 24 && Distance(Img.pixel(x, Y), Sea) > 24;
        return Width;
    };
    const int SharpWidth = CoastWidth(Sharp);
    EXPECT_GE(SharpWidth, 1);
    EXPECT_LE(SharpWidth, 2);
    EXPECT_GT(CoastWidth(Raster), 4); // the enlarged raster's own coast is a smear
    // Over a database without land the raster stays: its coast is still there, smeared.
    EXPECT_GT(CoastWidth(ViewAt8({"--db", Dir->filePath("rivers")})), 4);
    // Where the coast lies: 0.1 degrees east of the centre.
    int At = X0;
    while (At < Sharp.width() - 5 && Distance(Sharp.pixel(At, Y), Sharp.pixel(X0, Y)) <= 24) ++At;
    EXPECT_NEAR(At - Sharp.width() / 2, 0.1 * 1150 / 10 * 8, 4);
}

TEST_F(ViewerLayers, IdentifyNamesTheItemsUnderTheClickAndGpxTracksDrawThroughTheLayer)
{
    ASSERT_EQ(BuildCode, 0);
    // A track west from below the town, over land only: at 8x the Germany map has 920 pixels per
    // degree of longitude and 1463 per degree of latitude.
    const QString Gpx = Dir->filePath("walk.gpx");
    std::ofstream(Gpx.toStdString()) << "<gpx version=\"1.1\"><trk><name>Walk</name><trkseg><trkpt lat=\"52.45\" "
                                        "lon=\"12.9\"/><trkpt lat=\"52.45\" lon=\"12.75\"/></trkseg></trk></gpx>";
    const QImage Size = ViewAt8({});
    ASSERT_FALSE(Size.isNull());
    const int Cx = Size.width() / 2, Cy = Size.height() / 2;
    const QString Lake = QString("%1,%2").arg(Cx - 276).arg(Cy), Sea = QString("%1,%2").arg(Cx + 200).arg(Cy),
                  Track = QString("%1,%2").arg(Cx - 60).arg(Cy + 73 + 3);
    QString Out;
    const QImage View = ViewAt8({Gpx, "--identify", Lake, "--identify", Sea, "--identify", Track}, &Out);
    // The nearest line first, then the areas under the point, smallest first.
    const QString Want = QString("identify %1: lake, class 0: Pond\nidentify %1: border, class 0: Land\n"
                                 "identify %2: nothing\n"
                                 "identify %3: route, class 0: Walk\nidentify %3: border, class 0: Land\n")
                             .arg(Lake, Sea, Track);
    EXPECT_TRUE(Out.contains(Want)) << Out.toStdString();
    // The track in its own colour, where it runs and nowhere else.
    int OnTrack = 0, Elsewhere = 0;
    for (int y = 0; y < View.height(); ++y)
        for (int x = 0; x < View.width(); ++x) {
            const QRgb C = View.pixel(x, y);
            if (qGreen(C) > 60 || qRed(C) < 120 || qBlue(C) < 120) continue;
            (std::abs(y - (Cy + 73)) <= 3 && x > Cx - 140 && x < Cx + 4 ? OnTrack : Elsewhere)++;
        }
    EXPECT_GT(OnTrack, 130 * 2);
    EXPECT_EQ(Elsewhere, 0);
}

TEST_F(ViewerLayers, RealClickWithTheIdentifyToolNamesTheLand)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool is not installed (Debian packages xvfb, xdotool): no real X server test";
    ASSERT_EQ(BuildCode, 0);
    const TExit R = RunBuilt("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", "bash", X_IDENTIFY, VIEWER_PATH, Dir->path(),
                                          Dir->filePath("atlas"), "--db", Base(), "--goto", "Coastville", "--zoom", "8",
                                          "--size", "800x600"});
    ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
    QFile Log(Dir->filePath("stdout"));
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly));
    const QString Lines = QString::fromUtf8(Log.readAll());
    // The middle of the window lies on the land near the town, outside the pond.
    EXPECT_TRUE(QRegularExpression(R"(identify \d+,\d+: border, class 0: Land\n)").match(Lines).hasMatch())
        << Lines.toStdString();
}

bool Purple(QRgb C) { return qRed(C) > 130 && qBlue(C) > 170 && qGreen(C) < 90; }

TEST(ViewerGpx, WaypointsShowAsLandmarksAndBadFilesNameTheirPlace)
{
    QTemporaryDir Dir;
    const QString Calib = Dir.filePath("e.xml"), Gpx = Dir.filePath("trip.gpx"), Png = Dir.filePath("view.png");
    ASSERT_EQ(RunBuilt(TYXGEO_PATH, {"emptymap", Dir.filePath("e.bmp"), "47", "10", "49", "14", "0.5", "0.5", "800", "400"}).Code, 0);
    std::ofstream(Gpx.toStdString()) << "<gpx version=\"1.1\">\n<wpt lat=\"48.14\" lon=\"11.58\"><name>Here</name></wpt>\n"
                                        "<wpt lat=\"47.8\" lon=\"13.05\"/></gpx>\n";
    int Shown[2] = {};
    for (int WithGpx = 0; WithGpx < 2; ++WithGpx) {
        const QStringList Files = WithGpx ? QStringList{Calib, Gpx} : QStringList{Calib};
        const TExit R = RunBuilt(VIEWER_PATH, Files + QStringList{"--size", "900x600", "--export", Png});
        ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
        const QImage View(Png);
        for (int y = 0; y < View.height(); ++y)
            for (int x = 0; x < View.width(); ++x) Shown[WithGpx] += Purple(View.pixel(x, y));
    }
    EXPECT_EQ(Shown[0], 0);
    EXPECT_GT(Shown[1], 2 * 10); // two filled triangles

    std::ofstream(Gpx.toStdString()) << "<gpx version=\"1.1\">\n<wpt lat=\"95\" lon=\"11.58\"/></gpx>\n";
    const TExit Bad = RunBuilt(VIEWER_PATH, {Calib, Gpx, "--export", Png});
    EXPECT_EQ(Bad.Code, 1);
    EXPECT_TRUE(Bad.Err.contains(Gpx + ":2:27: <wpt>: latitude 95")) << Bad.Err.toStdString();
}

} // namespace
