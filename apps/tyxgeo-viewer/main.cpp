// tyxgeo-viewer: a desktop atlas on the Tyx library. Shows the maps `tyxgeo atlas build` wrote, their
// town landmarks, and finds places in the database they were drawn from.
#include "viewer_layers.h"
#include "viewer_measure.h"
#include "viewer_print.h"
#include "viewer_window.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/Tyx_geomap.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

namespace {

/// Qt's own notes (platform plugin remarks and the like) are not the viewer's to report.
void QuietQt(QtMsgType Type, const QMessageLogContext&, const QString& Message)
{
    if (Type == QtCriticalMsg || Type == QtFatalMsg) std::fprintf(stderr, "%s\n", Message.toUtf8().constData());
}

/// The scripted tour: the world, a city with its town captions, the graticule, and the UTM grid on
/// the UTM sheet. Writes one PNG per step into Dir and prints each path; false when a step fails.
bool RunTour(tyx::viewer::TViewerWindow& W, const QString& Dir)
{
    struct TStep {
        const char* File;
        const char* Place;
        double Zoom;
        int Grat;
    };
    const TStep Steps[] = {{"1-world.png", "", 0, tyx::sgNone},
                           {"2-city-berlin.png", "Berlin", 2, tyx::sgNone},
                           {"3-graticule.png", "Berlin", 0.6, tyx::sgLines},
                           {"4-utm-grid-munich.png", "Munich", 0.7, tyx::sgUTMGrid}};
    QDir().mkpath(Dir);
    for (const TStep& S : Steps) {
        // The first step is the view after start-up: the coarsest map, whole.
        if (*S.Place != 0 && !W.GoTo(S.Place, S.Zoom)) {
            std::fprintf(stderr, "tyxgeo-viewer: tour: %s is not on any map\n", S.Place);
            return false;
        }
        W.SetGraticule(S.Grat);
        QApplication::processEvents();
        const QString Path = QDir(Dir).filePath(S.File);
        if (!W.grab().save(Path)) return false;
        std::printf("%s\n", QFileInfo(Path).absoluteFilePath().toUtf8().constData());
    }
    return true;
}

/// Measures the path "LAT,LONG;LAT,LONG..." with the distance tool and prints its legs in metres;
/// false when it does not read as two points or more.
bool MeasurePath(tyx::viewer::TMeasureTool& Tool, const QString& Path)
{
    std::vector<tyx::viewer::TGeoPoint> Points;
    for (const QString& Point : Path.split(';', Qt::SkipEmptyParts)) {
        const QStringList Parts = Point.split(',');
        bool Ok1 = false, Ok2 = false;
        if (Parts.size() == 2) Points.push_back({Parts[0].trimmed().toDouble(&Ok1), Parts[1].trimmed().toDouble(&Ok2)});
        if (!Ok1 || !Ok2 || std::fabs(Points.back().Lat) > 90) return false;
    }
    if (Points.size() < 2) return false;
    for (const auto& G : Points) Tool.AddPoint(G);
    double Total = 0;
    int Leg = 0;
    for (const double L : Tool.Legs()) {
        std::printf("leg %d: %.3f m\n", ++Leg, L);
        Total += L;
    }
    std::printf("total: %.3f m\n", Total);
    return true;
}

int Fail(const QString& Message)
{
    std::fprintf(stderr, "tyxgeo-viewer: %s\n", Message.toUtf8().constData());
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer Started;
    Started.start();
    qInstallMessageHandler(QuietQt);
    // A screenshot needs no screen, and without a display there is none to open.
    const bool WantsShot = std::any_of(argv + 1, argv + argc, [](const char* A) {
        return std::strncmp(A, "--screenshot", 12) == 0 || std::strncmp(A, "--tour", 6) == 0 ||
               std::strncmp(A, "--export", 8) == 0 || std::strncmp(A, "--pdf", 5) == 0;
    });
    if (!std::getenv("QT_QPA_PLATFORM") && (WantsShot || (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication App(argc, argv);
    QApplication::setApplicationName("tyxgeo-viewer");
    QApplication::setApplicationVersion(TYX_VERSION);

    QCommandLineParser P;
    P.setApplicationDescription("Desktop atlas: calibrated maps, town landmarks, search, position in degrees and UTM.");
    P.addHelpOption();
    P.addVersionOption();
    P.addPositionalArgument("paths",
                            "Folders written by `tyxgeo atlas build` (maps and cities.xml), calibration files to open "
                            "and GPX files (.gpx) to show",
                            "[ATLAS|XML|GPX...]");
    const QCommandLineOption Db("db", "Database the search looks in, drawn over the maps (View menu).", "DB");
    const QCommandLineOption Marks("landmarks", "Landmark file (default: ATLAS/cities.xml).", "FILE");
    const QCommandLineOption Calib("calib", "Also opens this calibration file and shows it.", "XML");
    const QCommandLineOption GoTo("goto", "Centres this place (a town in the database, as the search field finds it).", "NAME");
    const QCommandLineOption Grat("grat", "Overlay 0-5: none, points, lines, points and lines, UTM grid, points and UTM grid.",
                                  "N");
    const QCommandLineOption Classes("classes", "Town classes shown, e.g. 1,2,3 (default 1,2).", "LIST");
    const QCommandLineOption Zoom("zoom", "Magnification after start-up, about the view's centre (or the --goto place).", "M");
    const QCommandLineOption Size("size", "Window size (default 1000x700).", "WxH");
    const QCommandLineOption Shot("screenshot", "Renders the window after start-up into FILE (PNG) and exits.", "FILE");
    const QCommandLineOption Export("export", "Writes the map view as PNG (File > Export view) and exits.", "FILE");
    const QCommandLineOption Pdf("pdf", "Prints the view as a PDF page (File > Print to PDF) and exits.", "FILE");
    const QCommandLineOption Measure("measure", "Measures the geodesic legs between these points, printing each in metres.",
                                     "LAT,LONG;LAT,LONG...");
    const QCommandLineOption Outlines("export-outlines", "Exports and prints keep the outlines of the atlas's other maps.");
    const QCommandLineOption Tour("tour", "Renders the scripted tour into DIR (needs --db) and exits.", "DIR");
    const QCommandLineOption Echo(
        "echo-status", "Writes every status text, map switch (map: CAPTION) and map area (map area: X Y W H) to standard output.");
    const QCommandLineOption ShotBase("shot-base", "F12 saves the window as PATH-N.png.", "PATH");
    const QCommandLineOption Timing("timing", "Reports on standard error when the first map was shown, how long the town index took and each search.");
    const QCommandLineOption Calibrate("calibrate", "Opens the calibration mode on this image (File > Calibrate image).",
                                       "IMAGE");
    const QCommandLineOption Identify("identify",
                                      "With --screenshot or --export: prints the items drawn under control pixel X,Y "
                                      "of the map (View > Identify), one 'identify X,Y: KIND, class N: NAME' line each "
                                      "('identify X,Y: nothing' for none); may be given more than once.",
                                      "X,Y");
    const QCommandLineOption NoLayer("no-db-layer", "Does not draw the database over the maps (View > Database over the maps).");
    P.addOptions({Db, Marks, Calib, GoTo, Grat, Classes, Zoom, Size, Shot, Export, Pdf, Outlines, Measure, Tour, Echo,
                  ShotBase, Timing, Identify, NoLayer, Calibrate});
    P.process(App);

    tyx::viewer::TViewerWindow W;
    W.SetEchoStatus(P.isSet(Echo));
    W.SetShotBase(P.value(ShotBase));
    W.Documents().SetOutlines(P.isSet(Outlines));
    W.SetTiming(P.isSet(Timing));
    if (P.isSet(Size)) {
        const QStringList S = P.value(Size).split('x');
        if (S.size() != 2 || S[0].toInt() < 200 || S[1].toInt() < 150) return Fail("--size wants WxH, at least 200x150");
        W.resize(S[0].toInt(), S[1].toInt());
    }
    // A folder is an atlas (the first one's cities.xml is the default landmark file); a file is a
    // calibration, as a file manager or the application menu hands it over.
    QString AtlasDir;
    QStringList CalibFiles, GpxFiles;
    try {
        for (const QString& A : P.positionalArguments()) {
            if (A.endsWith(".gpx", Qt::CaseInsensitive) && !QFileInfo(A).isDir()) {
                GpxFiles << A;
                continue;
            }
            if (!QFileInfo(A).isDir()) {
                CalibFiles << A;
                continue;
            }
            if (W.LoadAtlas(A) == 0) return Fail("no calibration files in " + A);
            if (AtlasDir.isEmpty()) AtlasDir = A;
        }
        if (P.isSet(Calib)) CalibFiles << P.value(Calib);
        for (const QString& F : CalibFiles)
            if (!W.OpenCalibration(F)) return Fail("cannot read " + F);
    } catch (const std::exception& E) {
        return Fail(E.what());
    }
    const bool Offscreen = P.isSet(Shot) || P.isSet(Tour) || P.isSet(Export) || P.isSet(Pdf);
    if (Offscreen) W.setAttribute(Qt::WA_DontShowOnScreen);
    W.show();
    QApplication::processEvents();
    W.FitMap();
    if (P.isSet(Timing))
        std::fprintf(stderr, "tyxgeo-viewer: first map shown after %lld ms\n", static_cast<long long>(Started.elapsed()));

    // The rest (many landmarks, the name list) comes after the first map is on the screen.
    auto Rest = [&]() -> int {
        try {
            const QString LmFile = P.isSet(Marks) ? P.value(Marks) : QDir(AtlasDir).filePath("cities.xml");
            if ((P.isSet(Marks) || QFileInfo::exists(LmFile)) && !W.LoadLandMarks(LmFile))
                return Fail("cannot read landmarks from " + LmFile);
            if (P.isSet(Classes)) {
                for (int c = 1; c <= 4; ++c) W.SetClassVisible(c, false);
                for (const QString& C : P.value(Classes).split(',', Qt::SkipEmptyParts)) W.SetClassVisible(C.toInt(), true);
            }
            // After the landmark file, which replaces the landmarks read before it.
            for (const QString& F : GpxFiles) {
                QString Error;
                if (!W.OpenGpx(F, Error)) return Fail(Error);
            }
            if (P.isSet(Db)) W.OpenDatabase(P.value(Db));
            if (P.isSet(NoLayer)) W.Layers().SetDatabaseShown(false);
            const double Mag = P.isSet(Zoom) ? P.value(Zoom).toDouble() : 1.0;
            if (!(Mag > 0)) return Fail("--zoom wants a positive magnification");
            if (P.isSet(GoTo) && !W.GoTo(P.value(GoTo), Mag)) return Fail("not found on any map: " + P.value(GoTo));
            if (!P.isSet(GoTo) && P.isSet(Zoom)) W.ZoomAboutCentre(Mag);
            if (P.isSet(Grat)) W.SetGraticule(P.value(Grat).toInt());
            if (P.isSet(Measure) && !MeasurePath(W.Measure(), P.value(Measure)))
                return Fail("--measure wants at least two points LAT,LONG;LAT,LONG in degrees");
            QString Error;
            if (P.isSet(Calibrate) && !W.CalibrateImage(P.value(Calibrate), Error)) return Fail(Error);
        } catch (const std::exception& E) {
            return Fail(E.what());
        }
        if (P.isSet(Timing))
            std::fprintf(stderr, "tyxgeo-viewer: ready after %lld ms\n", static_cast<long long>(Started.elapsed()));
        return 0;
    };
    if (Offscreen) {
        if (const int Rc = Rest(); Rc != 0) return Rc;
        QApplication::processEvents();
        if (P.isSet(Tour)) return RunTour(W, P.value(Tour)) ? 0 : 1;
        for (const QString& Point : P.values(Identify)) {
            const QStringList At = Point.split(',');
            if (At.size() != 2) return Fail("--identify wants X,Y");
            W.PrintIdentified(At[0].toInt(), At[1].toInt());
        }
        if (P.isSet(Export) && !W.ExportPng(P.value(Export))) return Fail("cannot write " + P.value(Export));
        if (P.isSet(Pdf) && !W.PrintPdf(P.value(Pdf))) return Fail("cannot print to " + P.value(Pdf));
        if (P.isSet(Shot)) {
            if (!W.grab().save(P.value(Shot))) return Fail("cannot write " + P.value(Shot));
            std::printf("%s\n", P.value(Shot).toUtf8().constData());
        }
        return 0;
    }
    int Rc = 0;
    QTimer::singleShot(0, &W, [&] {
        if ((Rc = Rest()) != 0) QApplication::exit(Rc);
    });
    const int Exec = QApplication::exec();
    return Rc != 0 ? Rc : Exec;
}
