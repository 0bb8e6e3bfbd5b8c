// The viewer's measuring and documents, run as the program: geodesic legs against published
// distances, the exported view without the grey or the other maps' outlines, and the printed page
// read back with poppler's tools (orientation, title, map filling the page).
#include "viewer_fixture.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace tyx::viewertest;

class ViewerDocuments : public ViewerTest {
protected:
    static QString Temp(const char* Name) { return QString::fromStdString((Dir / Name).string()); }
};

TEST_F(ViewerDocuments, MeasuresGeodesicLegsOnTheEllipsoid)
{
    const struct {
        const char* Path;
        std::vector<double> Legs; // metres, published
    } Cases[] = {
        // Flinders Peak to Buninyong, the classic test line of geodetic inverse solutions.
        {"-37.95103342,144.42486789;-37.65282114,143.92649553", {54972.271}},
        // A quarter of the WGS 84 equator (a pi / 2), then the meridian quadrant to the pole.
        {"0,0;0,90;90,90", {10018754.171, 10001965.729}},
    };
    for (const auto& C : Cases) {
        const TRun R = RunProgram(VIEWER_PATH, {"--measure", C.Path, "--screenshot", Temp("measure.png")});
        ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
        double Total = 0;
        for (std::size_t k = 0; k < C.Legs.size(); ++k) {
            const auto M = QRegularExpression(QString(R"(leg %1: ([\d.]+) m)").arg(k + 1)).match(R.Out);
            ASSERT_TRUE(M.hasMatch()) << R.Out.toStdString();
            EXPECT_NEAR(M.captured(1).toDouble(), C.Legs[k], 0.01) << C.Path;
            Total += C.Legs[k];
        }
        const auto M = QRegularExpression(R"(total: ([\d.]+) m)").match(R.Out);
        ASSERT_TRUE(M.hasMatch()) << R.Out.toStdString();
        EXPECT_NEAR(M.captured(1).toDouble(), Total, 0.02) << C.Path;
    }
    EXPECT_EQ(RunProgram(VIEWER_PATH, {"--measure", "48,11", "--screenshot", Temp("measure.png")}).Code, 1);
}

TEST_F(ViewerDocuments, DistanceToolUnderXMeasuresTheClickedLeg)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool is not installed (Debian packages xvfb, xdotool): no real X server test";
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    const QString Out = Temp("xm");
    QDir().mkpath(Out);
    const TRun R = RunProgram("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", "bash", X_MEASURE, VIEWER_PATH, Out,
                                           AtlasDir(), "--db", DbName(), "--goto", "Munich", "--size", "800x600"});
    ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
    QFile Log(Out + "/stdout");
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly));
    const QString Lines = QString::fromUtf8(Log.readAll());
    // 200 pixels of the UTM sheet at magnification 1 are 24 km of grid, within a pixel's 120 m.
    const auto Leg = QRegularExpression(R"(measure: Leg 1: ([\d.]+) km; Total: ([\d.]+) km\n)").match(Lines);
    ASSERT_TRUE(Leg.hasMatch()) << Lines.toStdString();
    EXPECT_NEAR(Leg.captured(1).toDouble(), 24.0, 0.15);
    EXPECT_EQ(Leg.captured(2), Leg.captured(1));
    // Esc ended the tool: the click after it measures nothing.
    const QString After = Lines.mid(Lines.indexOf("mark: measured"));
    EXPECT_FALSE(After.contains("measure:")) << Lines.toStdString();
}

TEST_F(ViewerDocuments, OverviewOutlinesTheViewOnlyOnAFinerMap)
{
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    // The view's outline (a red cross at this scale) in the overview at the bottom right.
    for (const bool Finer : {false, true}) {
        QStringList Args{AtlasDir(), "--size", "800x600", "--screenshot", Temp("overview.png")};
        if (Finer) Args << "--db" << DbName() << "--goto" << "Munich";
        const TRun R = RunProgram(VIEWER_PATH, Args);
        ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
        const QImage Shot(Temp("overview.png"));
        ASSERT_FALSE(Shot.isNull());
        int Red = 0;
        for (int y = Shot.height() - 150; y < Shot.height(); ++y)
            for (int x = Shot.width() - 250; x < Shot.width(); ++x) {
                const QRgb C = Shot.pixel(x, y);
                Red += qRed(C) > 180 && qGreen(C) < 60 && qBlue(C) < 60;
            }
        if (Finer)
            EXPECT_GT(Red, 10);
        else
            EXPECT_EQ(Red, 0);
    }
}

/// Pixels of the outline colour (pure blue), and rows mostly of the background grey (silver).
void CountOutlineAndGreyRows(const QImage& Img, int& Outline, int& GreyRows)
{
    Outline = GreyRows = 0;
    for (int y = 0; y < Img.height(); ++y) {
        int Grey = 0;
        for (int x = 0; x < Img.width(); ++x) {
            const QRgb C = Img.pixel(x, y);
            Outline += qRed(C) < 40 && qGreen(C) < 40 && qBlue(C) > 200;
            Grey += std::abs(qRed(C) - qGreen(C)) < 6 && std::abs(qGreen(C) - qBlue(C)) < 6 && qRed(C) > 185 &&
                    qRed(C) < 205;
        }
        GreyRows += Grey > Img.width() / 2;
    }
}

TEST_F(ViewerDocuments, ExportLeavesOutTheGreyAndTheOtherMapsOutlinesUnlessAsked)
{
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    // The world map fitted to a 700 x 700 window: a grey band below it on the screen.
    for (const bool Asked : {false, true}) {
        QStringList Args{AtlasDir(), "--size", "700x700", "--export", Temp("plain.png")};
        if (Asked) Args << "--export-outlines";
        const TRun R = RunProgram(VIEWER_PATH, Args);
        ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
        const QImage View(Temp("plain.png"));
        ASSERT_FALSE(View.isNull());
        EXPECT_NEAR(View.width(), 2 * View.height(), 2); // the world's shape, not the window's
        int Outline = 0, GreyRows = 0;
        CountOutlineAndGreyRows(View, Outline, GreyRows);
        EXPECT_EQ(GreyRows, 0) << Asked;
        if (Asked)
            EXPECT_GT(Outline, 40);
        else
            EXPECT_EQ(Outline, 0);
    }
}

TEST_F(ViewerDocuments, PrintsOnePageInTheViewsOrientationFilledByTheMap)
{
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty() || QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftoppm or pdftotext is not installed (Debian package poppler-utils)";
    ASSERT_EQ(Build.Code, 0) << Build.Err.toStdString();
    const struct {
        const char* Size;
        bool Landscape;
    } Cases[] = {{"900x600", true}, {"450x800", false}};
    for (const auto& C : Cases) {
        const QString Pdf = Temp("page.pdf");
        const TRun R = RunProgram(VIEWER_PATH, {AtlasDir(), "--db", DbName(), "--goto", "Munich", "--zoom", "1", "--size",
                                                C.Size, "--pdf", Pdf});
        ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
        const TRun Text = RunProgram("pdftotext", {Pdf, "-"});
        EXPECT_TRUE(Text.Out.contains("Munich and the Alps")) << Text.Out.toStdString();
        EXPECT_TRUE(Text.Out.contains(QString::number(QDate::currentDate().year()))) << Text.Out.toStdString();
        EXPECT_EQ(RunProgram("pdfinfo", {Pdf}).Out.count(QRegularExpression("Pages:\\s+1\\n")), 1);

        ASSERT_EQ(RunProgram("pdftoppm", {"-r", "30", "-png", "-singlefile", Pdf, Temp("page")}).Code, 0);
        const QImage Page(Temp("page.png"));
        ASSERT_FALSE(Page.isNull());
        EXPECT_EQ(Page.width() > Page.height(), C.Landscape) << C.Size;
        // The map reaches the page's margins along one side at least: its land covers most of it.
        int Land = 0, Left = Page.width(), Right = 0, Top = Page.height(), Bottom = 0;
        for (int y = 0; y < Page.height(); ++y)
            for (int x = 0; x < Page.width(); ++x)
                if (Greenish(Page.pixel(x, y))) {
                    ++Land;
                    Left = std::min(Left, x), Right = std::max(Right, x);
                    Top = std::min(Top, y), Bottom = std::max(Bottom, y);
                }
        const bool FillsWidth = Right - Left > Page.width() * 0.85, FillsHeight = Bottom - Top > Page.height() * 0.8;
        EXPECT_TRUE(FillsWidth || FillsHeight) << C.Size << ": " << Left << ".." << Right << " x " << Top << ".." << Bottom;
        EXPECT_GT(Land, Page.width() * Page.height() / 2) << C.Size;
    }
}

} // namespace
