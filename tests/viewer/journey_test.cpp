// The viewer under a real X server, driven by xdotool through the maps of an atlas: the selector,
// wheel steps over a fixed point off the centre out to the world, in to the UTM sheet and out again, a
// smaller window and Home. Every step keeps the ground under the cursor (or the view's centre) within
// the ground distance of one pixel of the map shown after it.
#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/tyx_geomap_xml.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tyx;

/// Runs a program to its end; its exit code (-1 when it crashed or timed out).
int RunToEnd(const QString& Program, const QStringList& Args, QString* Err = nullptr)
{
    QProcess P;
    P.start(Program, Args);
    const bool Done = P.waitForFinished(600000);
    if (Err) *Err = QString::fromUtf8(P.readAllStandardError());
    if (!Done) P.kill();
    return Done && P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
}

/// UTM zone, easting and northing of a status line; false for a line without them.
bool UtmOf(const QString& Line, int& Zone, double& E, double& N)
{
    const auto M = QRegularExpression(R"(UTM (\d+)[C-X] (\d+) E (\d+) N)").match(Line);
    if (!M.hasMatch()) return false;
    Zone = M.captured(1).toInt();
    E = M.captured(2).toDouble();
    N = M.captured(3).toDouble();
    return true;
}

/// One step of the journey: what the status said before and after it, and the map shown after
/// it when the step switched maps.
struct TStep {
    QString Name, Before, After, SwitchedTo;
};

/// The steps of the session's log: from each mark to the next, but for the marks that only
/// move the mouse, stand before the resize, or end the session.
std::vector<TStep> StepsOf(const QStringList& Lines)
{
    std::vector<TStep> Steps;
    QString Status, Switched, Previous;
    bool First = true;
    for (const QString& L : Lines) {
        if (L.startsWith("status: ")) {
            Status = L;
        } else if (L.startsWith("map: ")) {
            Switched = L.mid(5);
        } else if (L.startsWith("mark: ")) {
            const QString Name = L.mid(6);
            if (!First && Name != "point" && Name != "resize" && Name != "end")
                Steps.push_back({Name, Previous, Status, Switched});
            First = false;
            Previous = Status;
            Switched.clear();
        }
    }
    return Steps;
}

TEST(ViewerJourney, ZoomSwitchesSelectorAndResizeKeepTheirPlace)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool is not installed (Debian packages xvfb, xdotool): no real X server test";
    const fs::path Dir = fs::temp_directory_path() / ("tyx_journey_" + std::to_string(::getpid()));
    fs::create_directories(Dir / "x");
    struct TCleanUp {
        fs::path D;
        ~TCleanUp() { fs::remove_all(D); }
    } CleanUp{Dir};
    {
        TGeoDB Db;
        Db.SetGDBName((Dir / "db").string());
        Db.AddData("Land", TgdbPolygon{{40, 0}, {56, 0}, {56, 20}, {40, 20}}, true, gitBorder, 0, 0, 0, 0, 0, 0, 0, 0,
                   0, TMetaInfo{}, nullptr, 0, false);
        Db.AddTown("Munich", 0, 0, {48.137f, 11.575f}, 0, 0, 1500000);
        Db.SetGDBName("");
    }
    const QString Atlas = QString::fromStdString((Dir / "atlas").string());
    QString Err;
    ASSERT_EQ(RunToEnd(TYXGEO_PATH, {"atlas", "build", Atlas, "--db", QString::fromStdString((Dir / "db").string())}, &Err), 0)
        << Err.toStdString();
    // The ground one pixel of each map spans at Munich, eastings and northings, by caption.
    std::map<QString, std::pair<double, double>> PixelMetres;
    for (const QString& F : QDir(Atlas).entryList({"*.xml"})) {
        TCalibData D;
        TCalibModel Model = cmUndefined;
        if (F == "cities.xml" || !ParseCalibData(QDir(Atlas).filePath(F).toStdString(), "", D, Model)) continue;
        TGeoCalibration C;
        C.SetCalibData(D);
        C.StoreCalibModel(Model);
        C.RecalcCalibration();
        int x = 0, y = 0;
        ASSERT_TRUE(C.CalcPixelCoords(48.137, 11.575, x, y)) << F.toStdString();
        double E[2] = {}, N[2] = {};
        for (int k = 0; k < 2; ++k) {
            bool V1 = false, V2 = false;
            const double Lat = C.CalcLatitude(x + k, y + k, V1), Long = C.CalcLongitude(x + k, y + k, V2);
            ASSERT_TRUE(V1 && V2);
            int Zone = 32;
            LatLongToUTM(Lat, Long, gelWGS84, Zone, E[k], N[k]);
        }
        PixelMetres[QString::fromStdString(D.Caption)] = {std::fabs(E[1] - E[0]), std::fabs(N[1] - N[0])};
    }
    ASSERT_EQ(PixelMetres.size(), 4u);

    const QString Out = QString::fromStdString((Dir / "x").string());
    ASSERT_EQ(RunToEnd("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", "bash", JOURNEY_SESSION, VIEWER_PATH, Out, "26", "40",
                               "35", "Centre: 48°08'", Atlas, "--db", QString::fromStdString((Dir / "db").string()), "--goto",
                               "Munich", "--zoom", "1", "--size", "900x650"},
                  &Err),
              0)
        << Err.toStdString();
    QFile Log(Out + "/stdout");
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly));
    const QStringList Lines = QString::fromUtf8(Log.readAll()).split('\n');
    const std::vector<TStep> Steps = StepsOf(Lines);

    QString Shown = "Munich and the Alps (UTM 32U)";
    QStringList Switches;
    for (const TStep& S : Steps) {
        if (!S.SwitchedTo.isEmpty()) {
            Shown = S.SwitchedTo;
            Switches << S.SwitchedTo;
        }
        if (S.Name == "home") { // the whole world, its middle under the cursor at the map's centre
            EXPECT_TRUE(QRegularExpression(R"(^status: 0°\d\d'\d\d" [NS]  0°\d\d'\d\d" [EW])").match(S.After).hasMatch())
                << S.After.toStdString();
            continue;
        }
        double E1 = 0, N1 = 0, E2 = 0, N2 = 0;
        int Z1 = 0, Z2 = 0;
        ASSERT_TRUE(UtmOf(S.Before, Z1, E1, N1) && UtmOf(S.After, Z2, E2, N2) && Z1 == Z2) << S.Name.toStdString() << ": " << S.Before.toStdString()
                                                                        << " / " << S.After.toStdString();
        const auto [PixelE, PixelN] = PixelMetres.at(Shown);
        EXPECT_LE(std::fabs(E2 - E1), PixelE) << S.Name.toStdString() << " on " << Shown.toStdString();
        EXPECT_LE(std::fabs(N2 - N1), PixelN) << S.Name.toStdString() << " on " << Shown.toStdString();
        if (!S.SwitchedTo.isEmpty() || S.Name == "resized")
            std::printf("%s: %s, drift %.0f m east, %.0f m north; one pixel %.0f x %.0f m\n",
                        S.Name.toUtf8().constData(), Shown.toUtf8().constData(), std::fabs(E2 - E1),
                        std::fabs(N2 - N1), PixelE, PixelN);
    }
    // The selector took the next coarser map; the wheel went out to the world, in to the sheet
    // and out again.
    EXPECT_EQ(Switches.join(", ").toStdString(),
              "Germany, Europe, World, Europe, Germany, Munich and the Alps (UTM 32U), Germany, Europe, World");
    for (int k = 1; k <= 7; ++k) EXPECT_FALSE(QImage(QString("%1/shot-%2.png").arg(Out).arg(k)).isNull()) << k;
}

} // namespace
