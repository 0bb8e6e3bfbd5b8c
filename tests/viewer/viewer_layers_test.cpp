// The viewer with data over its maps: the waypoints of a GPX file among the landmarks.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

struct TExit {
    int Code = -1;
    QString Err;
};

/// Runs a program of the build to its end (at most two minutes).
TExit RunBuilt(const QString& Program, const QStringList& Args)
{
    QProcess P;
    P.start(Program, Args);
    const bool Done = P.waitForFinished(120000);
    return {Done && P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1, QString::fromUtf8(P.readAllStandardError())};
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
