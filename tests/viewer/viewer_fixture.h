// The viewer tests' shared ground: running a program, colour tests, and a small database with the
// atlas built from it once per test program.
#pragma once
#include "geodb/Tyx_GeoDB.h"

#include <QProcess>
#include <QRgb>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace tyx::viewertest {

namespace fs = std::filesystem;

struct TRun {
    int Code = -1;
    QString Out, Err;
};

inline TRun RunProgram(const QString& Program, const QStringList& Args, int TimeoutMs = 120000)
{
    QProcess P;
    P.start(Program, Args);
    TRun R;
    if (!P.waitForFinished(TimeoutMs)) {
        P.kill();
        P.waitForFinished();
        R.Err = "timed out";
        return R;
    }
    R.Code = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    R.Out = QString::fromUtf8(P.readAllStandardOutput());
    R.Err = QString::fromUtf8(P.readAllStandardError());
    return R;
}

inline bool Greenish(QRgb C) { return qGreen(C) > qBlue(C) + 10 && qGreen(C) > 150; }
inline bool Bluish(QRgb C) { return qBlue(C) > qRed(C) + 30 && qBlue(C) > 200; }

/// A database with a land box over central Europe, a lake near Munich, a ring across the
/// antimeridian and five towns, and the atlas built from it; made once for all tests.
class ViewerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Dir = fs::temp_directory_path() / ("tyx_viewer_" + std::to_string(::getpid()));
        fs::create_directories(Dir);
        TGeoDB Db;
        Db.SetGDBName((Dir / "db").string());
        auto Ring = [&Db](const char* Name, TgdbPolygon P, TgdbItem Kind) {
            Db.AddData(Name, P, true, Kind, 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr, 0, false);
        };
        Ring("Land", {{40, 0}, {56, 0}, {56, 20}, {40, 20}}, gitBorder);
        Ring("Chiemsee", {{47.83f, 12.40f}, {47.92f, 12.40f}, {47.92f, 12.53f}, {47.83f, 12.53f}}, gitLake);
        Ring("Chukotka", {{62, 170}, {70, 170}, {70, -170}, {62, -170}}, gitBorder);
        Db.AddTown("Dachau", 0, 0, {48.26f, 11.43f}, 0, 0, 47000);
        Db.AddTown("Hamlet", 0, 0, {48.0f, 11.2f}, 0, 0, 500);
        Db.AddTown("Munich", 0, 0, {48.137f, 11.575f}, 0, 0, 1500000);
        Db.AddTown("Augsburg", 0, 0, {48.37f, 10.9f}, 0, 0, 300000);
        Db.AddTown("Classed", 0, 0, {47.8f, 11.9f}, 0, 2, 0); // class given, no population
        Db.SetGDBName("");
        Build = RunProgram(TYXGEO_PATH, {"atlas", "build", QString::fromStdString((Dir / "atlas").string()), "--db",
                                  QString::fromStdString((Dir / "db").string())});
    }
    static void TearDownTestSuite() { fs::remove_all(Dir); }

    static QString AtlasDir() { return QString::fromStdString((Dir / "atlas").string()); }
    static QString DbName() { return QString::fromStdString((Dir / "db").string()); }

    static inline fs::path Dir;
    static inline TRun Build;
};

} // namespace tyx::viewertest
