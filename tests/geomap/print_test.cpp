// Printing: a whole job to a PDF file, and the open-job forms on a page whose resolution is known
// (a picture of 10 pixels per millimetre), placed by device pixels or by map scale.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPrinter>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

namespace fs = std::filesystem;
using test::PixelOf;
using test::Through15Bit;

/// A white page of 10 device pixels per millimetre.
QImage Page(int W, int H)
{
    QImage P(W, H, QImage::Format_RGB32);
    P.fill(Qt::white);
    P.setDotsPerMeterX(10000);
    P.setDotsPerMeterY(10000);
    return P;
}

/// A map of the box 0..0.5 N, 0..1 E, 1000 x 500 pixels, red with a lime left half.
void MakeRedMap(TGeoMap& M)
{
    M.CreateEmptyMapInMemory(0, 0, 0.5, 1, 1, 1, 1000, 500, false,
                             [](TObject*, TCanvas& C, double, double, double, double, int W, int H) {
                                 C.Brush().SetColor(clRed);
                                 C.FillRect(Rect(0, 0, W, H));
                                 C.Brush().SetColor(clLime);
                                 C.FillRect(Rect(0, 0, W / 2, H));
                             });
}

TEST(Print, WholeJobToAPdfFile)
{
    const fs::path Pdf = fs::temp_directory_path() / ("tyx_print_" + std::to_string(::getpid()) + ".pdf");
    TGeoMap M;
    M.SetName("Printed");
    QPrinter Printer(QPrinter::HighResolution);
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setOutputFileName(QString::fromStdString(Pdf.string()));
    EXPECT_THROW(M.PrintIt(1.0, Printer), ETYXGeoMapError); // nothing to print
    EXPECT_FALSE(fs::exists(Pdf));

    MakeRedMap(M);
    EXPECT_THROW(M.PrintIt(0.0, Printer), ETYXGeoMapError);
    M.PrintIt(0.8, Printer);
    ASSERT_TRUE(fs::exists(Pdf));
    EXPECT_GT(fs::file_size(Pdf), 1000u);
    std::ifstream In(Pdf, std::ios::binary);
    char Head[5] = {};
    In.read(Head, 4);
    EXPECT_STREQ(Head, "%PDF");
    In.close();
    fs::remove(Pdf);
}

TEST(Print, OpenJobAtDevicePixelsAdvancesThePosition)
{
    TGeoMap M;
    MakeRedMap(M);
    QImage P = Page(1000, 800);
    int x = 10, y = 20;
    {
        QPainter Job(&P);
        M.CopyToOpenPrinter(Job, x, y, 0.5); // 500 x 250 device pixels
        M.CopyToOpenPrinter(Job, x, y, 0.1); // continues below and right of the first
    }
    EXPECT_EQ(x, 10 + 500 + 100);
    EXPECT_EQ(y, 20 + 250 + 50);
    EXPECT_EQ(PixelOf(P, 12, 22), Through15Bit(clLime));
    EXPECT_EQ(PixelOf(P, 500, 260), Through15Bit(clRed));
    EXPECT_EQ(PixelOf(P, 9, 22), clWhite);
    EXPECT_EQ(PixelOf(P, 509, 272), clWhite);
    EXPECT_EQ(PixelOf(P, 515, 275), Through15Bit(clLime));
    EXPECT_EQ(PixelOf(P, 605, 315), Through15Bit(clRed));
    EXPECT_EQ(PixelOf(P, 612, 322), clWhite);
}

TEST(Print, MapScaleUsesTheCalibratedResolution)
{
    TGeoMap M;
    int W = -1, H = -1;
    M.CalcExtentsOfPrint(Rect(0, 0, 100, 50), 1000, W, H);
    EXPECT_EQ(W, 0); // no resolution yet
    EXPECT_EQ(H, 0);
    QImage P = Page(800, 600);
    {
        QPainter Job(&P);
        EXPECT_THROW(M.CopyToOpenPrinter(Job, Rect(0, 0, 100, 50), 1000, 0, 0), ETYXGeoMapError);
    }

    MakeRedMap(M);
    ASSERT_GT(M.CalibData().Resolution, 0);
    // A degree of longitude near the equator is about 111.3 km, and the image has 1000 pixels
    // per degree: 1000 pixels at 1:1000000 are about 111 mm.
    M.CalcExtentsOfPrint(Rect(0, 0, 1000, 500), 1000000, W, H);
    EXPECT_NEAR(W, 111, 1);
    EXPECT_NEAR(H, 56, 1);
    M.CalcExtentsOfPrint(Rect(0, 0, 1000, 500), 0, W, H);
    EXPECT_EQ(W, 0);

    // 1:2000000 at 5 mm, 3 mm: the window starts at device pixel (50, 30) and is about 557 wide.
    {
        QPainter Job(&P);
        M.CopyToOpenPrinter(Job, Rect(0, 0, 1000, 500), 2000000, 5, 3);
        EXPECT_THROW(M.CopyToOpenPrinter(Job, Rect(0, 0, 1000, 500), 0, 5, 3), ETYXGeoMapError);
        EXPECT_THROW(M.CopyToOpenPrinter(Job, Rect(10, 10, 10, 50), 1000, 5, 3), ETYXGeoMapError);
    }
    EXPECT_EQ(PixelOf(P, 48, 40), clWhite);
    EXPECT_EQ(PixelOf(P, 52, 40), Through15Bit(clLime));
    EXPECT_EQ(PixelOf(P, 52, 28), clWhite);
    EXPECT_EQ(PixelOf(P, 600, 40), Through15Bit(clRed));
    EXPECT_EQ(PixelOf(P, 615, 40), clWhite);
    EXPECT_EQ(PixelOf(P, 300, 300), Through15Bit(clLime)); // 500 pixels high: about 28 mm
    EXPECT_EQ(PixelOf(P, 300, 320), clWhite);

    // The same window given by its corner and size prints the same.
    QImage Q = Page(800, 600);
    {
        QPainter Job(&Q);
        M.CopyToOpenPrinter(Job, TPoint{0, 0}, 2000000, 5, 3, 1000, 500);
    }
    EXPECT_EQ(P, Q);
}

TEST(Print, ViewFillsTheTargetAboutItsCentreWithoutTheGrey)
{
    // A 400 x 300 view on a page of 254 dpi (2.65 device pixels per view pixel), printed into a
    // target 1800 x 800 from (100, 100).
    const struct {
        double Mag;
        TPoint TopLeft;
        QRect Printed; // by hand: the view's image part grown to the target's shape
    } Cases[] = {
        // Image pixels 300..700 x 100..400, centred on the lime/red edge: grown to 675 x 300.
        {1.0, TPoint{300, 100}, QRect(100, 100, 1800, 800)},
        // The whole image with a grey band below: 1000 x 500 image pixels, 1600 x 800 printed.
        {0.4, TPoint{0, 0}, QRect(200, 100, 1600, 800)},
    };
    for (const auto& C : Cases) {
        TGeoMap M;
        M.resize(400, 300);
        MakeRedMap(M);
        M.SetMagnification(C.Mag);
        M.SetTopLeft(C.TopLeft);
        QImage P = Page(2000, 1000);
        QRectF Printed;
        {
            QPainter Job(&P);
            Printed = M.PrintView(Job, QRectF(100, 100, 1800, 800));
            EXPECT_THROW(M.PrintView(Job, QRectF(0, 0, 0, 10)), ETYXGeoMapError);
        }
        const QRect R = C.Printed;
        EXPECT_NEAR(Printed.left(), R.left(), 3) << C.Mag;
        EXPECT_NEAR(Printed.width(), R.width(), 3) << C.Mag;
        EXPECT_NEAR(Printed.top(), R.top(), 3) << C.Mag;
        EXPECT_NEAR(Printed.height(), R.height(), 3) << C.Mag;
        const int Mid = R.center().y();
        EXPECT_EQ(PixelOf(P, R.left() - 4, Mid), clWhite) << C.Mag;
        EXPECT_EQ(PixelOf(P, R.left() + 4, Mid), Through15Bit(clLime)) << C.Mag;
        EXPECT_EQ(PixelOf(P, 994, Mid), Through15Bit(clLime)) << C.Mag;
        EXPECT_EQ(PixelOf(P, 1008, Mid), Through15Bit(clRed)) << C.Mag;
        EXPECT_EQ(PixelOf(P, R.right() - 4, R.bottom() - 4), Through15Bit(clRed)) << C.Mag;
        EXPECT_EQ(PixelOf(P, R.right() + 4, Mid), clWhite) << C.Mag;
    }
    TGeoMap Empty;
    Empty.resize(400, 300);
    QImage P = Page(100, 100);
    QPainter Job(&P);
    EXPECT_THROW(Empty.PrintView(Job, QRectF(0, 0, 50, 50)), ETYXGeoMapError);
}

} // namespace
} // namespace tyx
