// The viewer's measuring and documents, run as the program: geodesic legs against published
// distances, the exported view without the grey or the other maps' outlines, and the printed page
// read back with poppler's tools (orientation, title, map filling the page).
#include "viewer_fixture.h"

#include <QDate>
#include <QDir>
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
