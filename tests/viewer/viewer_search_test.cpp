// The viewer's search under a real X server, typed as a user types: towns found in spite of case,
// accents and slips, the largest first, positions in the common forms, each place ending at the
// view's centre with the status bar saying what was found; then the keys pan the map and the
// position clears when the mouse leaves it.
#include "geodb/Tyx_GeoDB.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "viewer_fixture.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tyx;
using tyx::viewertest::RunProgram;
using tyx::viewertest::TRun;

/// The position of a "Centre: 52°31'36" N  13°24'47" E ..." status line; false when it has none.
bool CentreOf(const QString& Line, double& Lat, double& Long)
{
    const auto M = QRegularExpression(R"re(Centre: (\d+)°(\d+)'(\d+)" ([NS])\s+(\d+)°(\d+)'(\d+)" ([EW]))re").match(Line);
    if (!M.hasMatch()) return false;
    auto Deg = [&M](int From) { return M.captured(From).toDouble() + M.captured(From + 1).toDouble() / 60 + M.captured(From + 2).toDouble() / 3600; };
    Lat = Deg(1) * (M.captured(4) == "S" ? -1 : 1);
    Long = Deg(5) * (M.captured(8) == "W" ? -1 : 1);
    return true;
}

/// The last line before Mark that starts with Prefix.
QString LastBefore(const QStringList& Lines, const QString& Mark, const QString& Prefix)
{
    QString Last;
    for (const QString& L : Lines) {
        if (L == Mark) return Last;
        if (L.startsWith(Prefix)) Last = L;
    }
    return {};
}

TEST(ViewerSearch, TypedSearchesEndWithThePlaceAtTheCentreUnderX)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool is not installed (Debian packages xvfb, xdotool): no real X server test";
    const fs::path Dir = fs::temp_directory_path() / ("tyx_viewer_search_" + std::to_string(::getpid()));
    fs::create_directories(Dir / "x");
    const QString DbName = QString::fromStdString((Dir / "db").string()), AtlasDir = QString::fromStdString((Dir / "atlas").string());
    {
        TGeoDB Db;
        Db.SetGDBName(DbName.toStdString());
        Db.AddData("Land", {{40, 0}, {56, 0}, {56, 20}, {40, 20}}, true, gitBorder, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                   TMetaInfo{}, nullptr, 0, false);
        const struct {
            const char* Name;
            float Lat, Long;
            int Population;
        } Towns[] = {{"Berlin", 52.52437f, 13.41053f, 3426354},        {"New Berlin", 42.9764f, -88.10842f, 39584},
                     {"Wrocław", 51.1f, 17.03333f, 634893},             {"São Paulo", -23.5475f, -46.63611f, 10021295},
                     {"Rio", 43.44f, -89.24f, 1044},                    {"Rio de Janeiro", -22.90642f, -43.18223f, 6023699},
                     {"Munchen", 48.13743f, 11.57549f, 1260391}};
        for (const auto& T : Towns) Db.AddTown(T.Name, 0, 0, {T.Lat, T.Long}, 0, 0, T.Population);
        for (int k = 0; k < 21; ++k)
            Db.AddTown("Springfield", 0, 0, {35.0f + 0.5f * k, -100.0f + k}, 0, 0, 1000 * (k + 1));
    }
    ASSERT_EQ(RunProgram(TYXGEO_PATH, {"atlas", "build", AtlasDir, "--db", DbName}).Code, 0);
    auto Resolution = [&AtlasDir](const char* Map) {
        TCalibData Data;
        TCalibModel Model = cmUndefined;
        return ParseCalibData((AtlasDir + "/" + Map + ".xml").toStdString(), "", Data, Model) ? Data.Resolution : 0.0;
    };

    const struct {
        const char* Query;
        const char* Found; // in the message
        double Lat, Long;
        const char* Map; // where it is shown: one pixel of it is the tolerance
    } Searches[] = {
        {"berlin", "Found Berlin", 52.52437, 13.41053, "germany"},
        {"Berln", "Found Berlin", 52.52437, 13.41053, "germany"},
        {"wroclaw", "Found Wroclaw", 51.1, 17.03333, "europe"},
        {"sao paulo", "Found São Paulo", -23.5475, -46.63611, "world"},
        {"Rio", "Found Rio de Janeiro", -22.90642, -43.18223, "world"},
        {"MÜNCHEN", "Found Munchen", 48.13743, 11.57549, "munich"},
        {"48.14, 11.58", "Position", 48.14, 11.58, "munich"},
        {"48.14N 11.58E", "Position", 48.14, 11.58, "munich"},
        {"48°08'N 11°35'E", "Position", 48 + 8 / 60.0, 11 + 35 / 60.0, "munich"},
        {"32U 691560 5334824", "Position", 48.13777, 11.57502, "munich"},
    };
    const QString Out = QString::fromStdString((Dir / "x").string());
    QStringList Queries;
    for (const auto& S : Searches) Queries << QString::fromUtf8(S.Query);
    Queries << "springfield";
    QFile QueryFile(Out + "/queries");
    ASSERT_TRUE(QueryFile.open(QIODevice::WriteOnly));
    QueryFile.write((Queries.join('\n') + '\n').toUtf8());
    QueryFile.close();
    const TRun R = RunProgram("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", "bash", SEARCH_SESSION, VIEWER_PATH, Out,
                                           Out + "/queries", AtlasDir, "--db", DbName, "--size", "800x600"},
                              240000);
    ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
    QFile Log(Out + "/stdout"), Times(Out + "/stderr");
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly) && Times.open(QIODevice::ReadOnly));
    const QStringList Lines = QString::fromUtf8(Log.readAll()).split('\n');
    const std::string All = Lines.join('\n').toStdString();
    const QString Timed = QString::fromUtf8(Times.readAll()); // the index build and the searches
    std::printf("%s", Timed.toUtf8().constData());
    // The accented query reached the field as typed (a lost letter would be found as a slip).
    EXPECT_TRUE(Timed.contains("search \"MÜNCHEN\"", Qt::CaseInsensitive)) << Timed.toStdString();

    for (const auto& S : Searches) {
        const QString Mark = "mark: " + QString::fromUtf8(S.Query);
        EXPECT_TRUE(LastBefore(Lines, Mark, "message: ").contains(QString::fromUtf8(S.Found))) << S.Query << "\n" << All;
        double Lat = 0, Long = 0;
        ASSERT_TRUE(CentreOf(LastBefore(Lines, Mark, "status: "), Lat, Long)) << S.Query << "\n" << All;
        const double Tolerance = 1.5 * Resolution(S.Map) + 30; // a pixel, and the second of arc shown
        EXPECT_LT(std::hypot((Lat - S.Lat) * 111320, (Long - S.Long) * 111320 * std::cos(S.Lat * M_PI / 180)), Tolerance)
            << S.Query;
    }
    // The list offers all 21 Springfields, the largest first.
    EXPECT_TRUE(All.find("list: 21: Springfield") != std::string::npos && All.find("(21,000)") != std::string::npos) << All;

    // The message has a field of its own: text at the left of the status bar.
    const QImage Shot(Out + "/shot-1.png");
    ASSERT_FALSE(Shot.isNull());
    int Dark = 0;
    for (int y = Shot.height() - 18; y < Shot.height(); ++y)
        for (int x = 4; x < 250; ++x) Dark += qGray(Shot.pixel(x, y)) < 100;
    EXPECT_GT(Dark, 50);

    // The arrow key pans the map (east), not the field or the selector; the position under the
    // mouse shows while it is over the map and clears when it leaves.
    double Lat0 = 0, Long0 = 0, Lat1 = 0, Long1 = 0;
    ASSERT_TRUE(CentreOf(LastBefore(Lines, "mark: springfield", "status: "), Lat0, Long0)) << All;
    ASSERT_TRUE(CentreOf(LastBefore(Lines, "mark: panned", "status: "), Lat1, Long1)) << All;
    EXPECT_GT(Long1, Long0);
    const QString Hover = LastBefore(Lines, "mark: hover", "status: ");
    EXPECT_TRUE(Hover.contains("UTM") && !Hover.contains("Centre")) << All;
    EXPECT_EQ(LastBefore(Lines, "mark: left", "status: "), "status: ") << All;
    fs::remove_all(Dir);
}

} // namespace
