// The viewer's calibration mode, driven through its window as a user would: a generated UTM scan
// with a known grid, pixels clicked while zoomed in, positions typed in several forms (and a town
// by name), a wrong point disabled, a delete undone, and the saved files read back.
#include "viewer_calibrate.h"

#include "geobasics/Tyx_geobasics.h"
#include "geomap/Tyx_geomap.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tyx;
using tyx::viewer::TCalibrateWindow;

/// The scan: UTM zone 32, 100 m per pixel, its outer top-left corner at E 640 km, N 5360 km.
constexpr int ScanW = 800, ScanH = 600;
constexpr double E0 = 640000, N0 = 5360000, Step = 100;

void PositionOf(double x, double y, double& Lat, double& Long)
{
    UTMToLatLong(E0 + x * Step, N0 - y * Step, 32, false, gelWGS84, Lat, Long);
}

QPointF PixelOf(double Lat, double Long)
{
    double E = 0, N = 0;
    LatLongToTM(Lat * M_PI / 180, Long * M_PI / 180, UTMCentralMeridian(32), gelWGS84, E, N);
    return {(0.9996 * E + 500000 - E0) / Step, (N0 - 0.9996 * N) / Step};
}

/// Light ground with the meridians and parallels of every tenth of a degree.
QImage Scan()
{
    QImage Img(ScanW, ScanH, QImage::Format_RGB32);
    Img.fill(QColor(235, 225, 200));
    QPainter P(&Img);
    P.setPen(QPen(QColor(120, 60, 20), 1));
    for (int k = 0; k <= 12; ++k)
        for (int Pass = 0; Pass < 2; ++Pass) {
            QPolygonF Line;
            for (int s = 0; s <= 50; ++s) {
                const double t = s / 50.0;
                Line << (Pass == 0 ? PixelOf(47.7 + t * 0.8, 10.8 + k * 0.1) : PixelOf(47.8 + k * 0.1, 10.7 + t * 1.5));
            }
            P.drawPolyline(Line);
        }
    return Img;
}

QString Dms(double Angle, char Pos, char Neg)
{
    const double A = std::fabs(Angle);
    const int D = static_cast<int>(A), M = static_cast<int>((A - D) * 60);
    const double S = (A - D - M / 60.0) * 3600;
    return QString("%1°%2'%3\"%4").arg(D).arg(M).arg(S, 0, 'f', 3).arg(QChar(Angle < 0 ? Neg : Pos));
}

/// Zooms in on the pixel and clicks it, then types the text into the entry field.
void Enter(TCalibrateWindow& W, const TPoint& Pixel, const QString& Text)
{
    TGeoMap* M = W.Map();
    M->SetMagnification(4);
    M->SetTopLeft(TPoint{Pixel.X - 40, Pixel.Y - 30});
    const TPoint C = M->MapImageToControl(Pixel);
    QTest::mouseClick(M, Qt::LeftButton, {}, QPoint(C.X, C.Y));
    auto* Field = W.findChild<QLineEdit*>("position");
    Field->clear();
    QTest::keyClicks(Field, Text);
    QTest::keyClick(Field, Qt::Key_Return);
}

double ResidualPx(TCalibrateWindow& W, int Row)
{
    return W.findChild<QTableWidget*>("points")->item(Row, 4)->text().toDouble();
}

class CalibrateWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() / ("tyx_calibrate_" + std::to_string(::getpid()));
        fs::create_directories(Dir);
        Image = QString::fromStdString((Dir / "scan.png").string());
        ASSERT_TRUE(Scan().save(Image));
    }
    void TearDown() override { fs::remove_all(Dir); }

    fs::path Dir;
    QString Image;
};

void RunScenario(const QString& Image, const fs::path& Dir)
{
    double TownLat = 0, TownLong = 0;
    PositionOf(120, 500, TownLat, TownLong);
    TCalibrateWindow W(nullptr, {"Musterstadt"}, [&](const QString& Name, double& Lat, double& Long) {
        if (Name.compare("musterstadt", Qt::CaseInsensitive) != 0) return false;
        Lat = TownLat;
        Long = TownLong;
        return true;
    });
    QString Error;
    ASSERT_TRUE(W.OpenImage(Image, Error)) << Error.toStdString();
    W.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&W));

    // Four corners of the sheet, typed as decimal degrees, degrees-minutes-seconds, UTM and a town.
    const TPoint Pixels[] = {{100, 100}, {700, 120}, {680, 520}, {120, 500}};
    double Lat[3], Long[3];
    for (int k = 0; k < 3; ++k) PositionOf(Pixels[k].X, Pixels[k].Y, Lat[k], Long[k]);
    const QString Texts[] = {QString("%1 %2").arg(Lat[0], 0, 'f', 7).arg(Long[0], 0, 'f', 7),
                             Dms(Lat[1], 'N', 'S') + " " + Dms(Long[1], 'E', 'W'),
                             QString("32U %1 %2").arg(E0 + 680 * Step, 0, 'f', 0).arg(N0 - 520 * Step, 0, 'f', 0),
                             "MUSTERSTADT"};
    Enter(W, {400, 300}, "north of nowhere"); // read neither as a position nor as a town
    EXPECT_TRUE(W.Entries().empty());
    EXPECT_FALSE(W.findChild<QLabel*>("message")->text().isEmpty());
    for (int k = 0; k < 4; ++k) Enter(W, Pixels[k], Texts[k]);
    ASSERT_EQ(W.Entries().size(), 4u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(W.Entries()[k].Pixel, Pixels[k]) << k;

    auto* Model = W.findChild<QComboBox*>("model");
    Model->setCurrentIndex(Model->findData(int(cmUTM)));
    TGeoMap* M = W.Map();
    ASSERT_EQ(M->CalibModel(), cmUTM);
    EXPECT_EQ(M->GetUTMZone(), 32); // from the first position
    EXPECT_EQ(M->CalibData().NumCalQuads, 4);
    for (int Row = 0; Row < 4; ++Row) EXPECT_LT(ResidualPx(W, Row), 1) << Row;

    // A point 2 km north of where it was clicked stands out, and disabled it no longer bends the
    // fit but still shows its residual (about 20 pixels) as a check point.
    double WrongLat = 0, WrongLong = 0;
    PositionOf(400, 300, WrongLat, WrongLong);
    Enter(W, {400, 300}, QString("%1 %2").arg(WrongLat + 0.018, 0, 'f', 6).arg(WrongLong, 0, 'f', 6));
    EXPECT_GT(ResidualPx(W, 4), 10);
    EXPECT_GT(W.ArrowFactor(), 0);
    auto* Table = W.findChild<QTableWidget*>("points");
    Table->item(4, 0)->setCheckState(Qt::Unchecked);
    QCoreApplication::processEvents();
    EXPECT_EQ(M->CalibData().NumCalQuads, 4);
    EXPECT_NEAR(ResidualPx(W, 4), 20, 1.5);
    for (int Row = 0; Row < 4; ++Row) EXPECT_LT(ResidualPx(W, Row), 1) << Row;

    // Delete the second point and take it back: the control's own removal and restore.
    Table->selectRow(1);
    QTest::mouseClick(W.findChild<QPushButton*>("delete"), Qt::LeftButton);
    EXPECT_EQ(M->CalibData().NumCalQuads, 3);
    EXPECT_TRUE(M->Calibration().RestoreBiQuadOK());
    QTest::mouseClick(W.findChild<QPushButton*>("undo"), Qt::LeftButton);
    EXPECT_EQ(M->CalibData().NumCalQuads, 4);
    EXPECT_FALSE(M->Calibration().RestoreBiQuadOK());
    ASSERT_EQ(W.Entries().size(), 5u);
    EXPECT_EQ(W.Entries()[1].Pixel, Pixels[1]);

    // Moved by a drag on its mark, and back by editing the table.
    M->SetMagnification(4);
    M->SetTopLeft(TPoint{60, 70});
    const TPoint From = M->MapImageToControl(Pixels[0]);
    QTest::mousePress(M, Qt::LeftButton, {}, QPoint(From.X, From.Y));
    QTest::mouseMove(M, QPoint(From.X + 40, From.Y));
    QTest::mouseRelease(M, Qt::LeftButton, {}, QPoint(From.X + 40, From.Y));
    EXPECT_EQ(W.Entries()[0].Pixel, (TPoint{110, 100}));
    EXPECT_GT(ResidualPx(W, 0), 1);
    Table->item(0, 1)->setText("100");
    QCoreApplication::processEvents();
    EXPECT_EQ(W.Entries()[0].Pixel, Pixels[0]);
    EXPECT_LT(ResidualPx(W, 0), 1);

    const QString Calib = QString::fromStdString((Dir / "scan.xml").string());
    ASSERT_TRUE(W.Save(Calib, Error)) << Error.toStdString();
    for (const char* Beside : {"scan.pgw", "scan.prj"}) EXPECT_TRUE(fs::exists(Dir / Beside)) << Beside;

    // The file as another program reads it: known pixels convert within a pixel, both ways.
    TCalibData Data;
    TCalibModel Read = cmUndefined;
    ASSERT_TRUE(ParseCalibData(Calib.toStdString(), "", Data, Read));
    TGeoCalibration Cal;
    Cal.SetCalibData(Data);
    Cal.StoreCalibModel(Read);
    Cal.SetMapImageSize(ScanW, ScanH);
    Cal.RecalcCalibration();
    for (const TPoint P : {TPoint{0, 0}, TPoint{ScanW, ScanH}, TPoint{400, 300}, TPoint{37, 555}}) {
        bool V1 = false, V2 = false;
        const QPointF Back = PixelOf(Cal.CalcLatitude(P, V1), Cal.CalcLongitude(P, V2));
        ASSERT_TRUE(V1 && V2);
        EXPECT_NEAR(Back.x(), P.X, 1) << P.X << "," << P.Y;
        EXPECT_NEAR(Back.y(), P.Y, 1) << P.X << "," << P.Y;
        double La = 0, Lo = 0;
        PositionOf(P.X, P.Y, La, Lo);
        int x = 0, y = 0;
        ASSERT_TRUE(Cal.CalcPixelCoords(La, Lo, x, y));
        EXPECT_NEAR(x, P.X, 1);
        EXPECT_NEAR(y, P.Y, 1);
    }

    // The viewer opens the saved calibration as a map of its own.
    const QString Png = QString::fromStdString((Dir / "view.png").string());
    QProcess Viewer;
    Viewer.start(VIEWER_PATH, {Calib, "--size", "640x480", "--export", Png});
    ASSERT_TRUE(Viewer.waitForFinished(60000));
    EXPECT_EQ(Viewer.exitCode(), 0) << Viewer.readAllStandardError().toStdString();
    const QRgb Ground = QImage(Png).pixel(100, 100); // the scan's ground, through the 15-bit view
    EXPECT_TRUE(std::abs(qRed(Ground) - 235) < 9 && std::abs(qGreen(Ground) - 225) < 9 && std::abs(qBlue(Ground) - 200) < 9)
        << std::hex << Ground;

    // A graticule line's value is typed like a position's coordinate.
    W.findChild<QComboBox*>("kind")->setCurrentIndex(1);
    Enter(W, {300, 200}, "11°30'E");
    ASSERT_EQ(W.Entries().size(), 6u);
    EXPECT_EQ(W.Entries()[5].Kind, tyx::viewer::TCalibEntry::ekMeridian);
    EXPECT_DOUBLE_EQ(W.Entries()[5].LineValue, 11.5);
}

TEST_F(CalibrateWindowTest, ClicksPointsTypesTheirPositionsAndSaves)
{
    // Under a real X server where one can be started: the test runs itself again inside it.
    if (QGuiApplication::platformName() == "offscreen" && !qEnvironmentVariableIsSet("TYX_UNDER_XVFB") &&
        !QStandardPaths::findExecutable("xvfb-run").isEmpty()) {
        QProcess P;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("QT_QPA_PLATFORM", "xcb");
        Env.insert("TYX_UNDER_XVFB", "1");
        P.setProcessEnvironment(Env);
        P.start("xvfb-run", {"-a", "-s", "-screen 0 1600x1200x24", QCoreApplication::applicationFilePath(),
                             "--gtest_filter=CalibrateWindowTest.ClicksPointsTypesTheirPositionsAndSaves"});
        ASSERT_TRUE(P.waitForFinished(180000));
        const QString Out = QString::fromUtf8(P.readAllStandardOutput() + P.readAllStandardError());
        EXPECT_EQ(P.exitCode(), 0) << Out.toStdString();
        EXPECT_TRUE(Out.contains("[  PASSED  ] 1 test")) << Out.toStdString();
        return;
    }
    RunScenario(Image, Dir);
}

} // namespace
