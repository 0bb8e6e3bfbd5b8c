#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_canvas.h"
#include "host/gui/tyx_drawframe.h"
#include "host/gui/tyx_qtcolor.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tyx;

namespace {

// Pixels of the bitmap that differ from Background.
int CountNot(const TBitmap& B, TColor Background)
{
    int n = 0;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            if (B.Canvas().Pixels(x, y) != Background) ++n;
    return n;
}

} // namespace

TEST(QtColor, ChannelsKeepTheirPlaceBothWays)
{
    const TColor C = RGB(0x12, 0x34, 0x56);
    EXPECT_EQ(TColorToQColor(C), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(TColorToQRgb(clBlue), qRgb(0, 0, 255));
    EXPECT_EQ(QRgbToTColor(qRgba(0x12, 0x34, 0x56, 0x80)), C);
    EXPECT_EQ(QColorToTColor(QColor(Qt::red)), clRed);
    // Flag bits above the colour (system colours, "none") do not leak into the channels.
    EXPECT_EQ(TColorToQRgb(0x1F00FF00), qRgb(0, 255, 0));
}

TEST(Canvas, LinesPaintTheStartAndNotTheEnd)
{
    TBitmap B(20, 20, pf24bit);
    TCanvas& C = B.Canvas();
    C.Pen().SetColor(clRed);
    C.MoveTo(2, 3);
    C.LineTo(10, 3);
    EXPECT_EQ(C.Pixels(2, 3), clRed);
    EXPECT_EQ(C.Pixels(9, 3), clRed);
    EXPECT_EQ(C.Pixels(10, 3), clWhite);
    EXPECT_EQ(C.PenPos(), Point(10, 3));
    C.LineTo(10, 12); // continues from the pen position; its start (the last end) is now painted
    EXPECT_EQ(C.Pixels(10, 3), clRed);
    EXPECT_EQ(C.Pixels(10, 11), clRed);
    EXPECT_EQ(C.Pixels(10, 12), clWhite);
    EXPECT_EQ(CountNot(B, clWhite), 8 + 9);
    C.MoveTo(15, 15);
    C.LineTo(15, 15); // a line to its own start has no pixel to paint
    EXPECT_EQ(C.Pixels(15, 15), clWhite);
    C.Pen().SetStyle(psClear);
    C.LineTo(18, 15);
    EXPECT_EQ(C.Pixels(16, 15), clWhite);
    EXPECT_EQ(C.PenPos(), Point(18, 15));
}

TEST(Canvas, RectangleCoversItsBoxLessRightAndBottomEdge)
{
    TBitmap B(20, 20, pf32bit);
    TCanvas& C = B.Canvas();
    C.Pen().SetColor(clBlack);
    C.Brush().SetColor(clBlue);
    C.Rectangle(2, 3, 8, 10);
    EXPECT_EQ(CountNot(B, clWhite), 6 * 7);
    EXPECT_EQ(C.Pixels(2, 3), clBlack);
    EXPECT_EQ(C.Pixels(7, 9), clBlack);
    EXPECT_EQ(C.Pixels(8, 9), clWhite);
    EXPECT_EQ(C.Pixels(7, 10), clWhite);
    EXPECT_EQ(C.Pixels(5, 6), clBlue);

    // Without a pen the brush alone covers the same box; FillRect likewise.
    C.Pen().SetStyle(psClear);
    C.Brush().SetColor(clLime);
    C.Rectangle(10, 10, 13, 12);
    C.FillRect(Rect(15, 15, 17, 16));
    EXPECT_EQ(CountNot(B, clWhite), 6 * 7 + 3 * 2 + 2);
    EXPECT_EQ(C.Pixels(12, 11), clLime);
    EXPECT_EQ(C.Pixels(16, 15), clLime);
    EXPECT_EQ(C.Pixels(17, 15), clWhite);

    // Corners far outside the picture clip instead of overflowing.
    TBitmap Big(5, 5, pf24bit);
    Big.Canvas().Brush().SetColor(clGreen);
    Big.Canvas().Rectangle(std::numeric_limits<int>::min(), -5, std::numeric_limits<int>::max(), 3);
    Big.Canvas().FillRect(Rect(std::numeric_limits<int>::min(), 3, std::numeric_limits<int>::max(), 4));
    EXPECT_EQ(Big.Canvas().Pixels(2, 1), clGreen);
    EXPECT_EQ(Big.Canvas().Pixels(2, 2), clBlack); // the bottom edge of the outline
    EXPECT_EQ(Big.Canvas().Pixels(2, 3), clGreen);
    EXPECT_EQ(Big.Canvas().Pixels(2, 4), clWhite);

    // A clear brush leaves the inside alone; setting a colour makes it solid again.
    C.Pen().SetStyle(psSolid);
    C.Brush().SetStyle(bsClear);
    C.Rectangle(0, 12, 6, 18);
    EXPECT_EQ(C.Pixels(3, 15), clWhite);
    EXPECT_EQ(C.Pixels(0, 12), clBlack);
    C.Brush().SetColor(clRed);
    EXPECT_EQ(C.Brush().Style(), bsSolid);
}

TEST(Canvas, EllipseStaysInsideItsBox)
{
    TBitmap B(30, 30, pf24bit);
    TCanvas& C = B.Canvas();
    C.Brush().SetColor(clRed);
    C.Ellipse(5, 5, 25, 15);
    EXPECT_EQ(C.Pixels(15, 10), clRed);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            if (x < 5 || x >= 25 || y < 5 || y >= 15) {
                ASSERT_EQ(C.Pixels(x, y), clWhite) << x << "," << y;
            }
    EXPECT_EQ(C.Pixels(5, 5), clWhite); // the corners of the box are not on the ellipse
}

TEST(Canvas, XorTwiceRestoresThePicture)
{
    TBitmap B(40, 40, pf15bit);
    TCanvas& C = B.Canvas();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) C.SetPixels(x, y, RGB(uint8_t(x * 6), uint8_t(y * 6), 0x80));
    const QImage Before = B.Image().copy();
    C.Pen().SetColor(clWhite);
    C.Pen().SetMode(pmXor);
    C.Pen().SetStyle(psDot);
    C.Brush().SetStyle(bsClear);
    for (int Pass = 0; Pass < 2; ++Pass) {
        C.MoveTo(3, 3);
        C.LineTo(35, 20);
        C.LineTo(10, 37);
        C.Rectangle(5, 5, 30, 30);
        if (Pass == 0) {
            EXPECT_NE(B.Image(), Before);
        }
    }
    EXPECT_EQ(B.Image(), Before);
    // A solid XOR line inverts what it crosses.
    C.Pen().SetStyle(psSolid);
    const TColor Under = C.Pixels(20, 2);
    C.MoveTo(0, 2);
    C.LineTo(40, 2);
    EXPECT_EQ(C.Pixels(20, 2), Under ^ 0xFFFFFF);
}

TEST(Canvas, LinesRunningLeftOrUpPaintTheirStartToo)
{
    TBitmap B(20, 20, pf24bit);
    TCanvas& C = B.Canvas();
    C.Pen().SetColor(clRed);
    C.MoveTo(10, 3);
    C.LineTo(2, 3);
    EXPECT_EQ(C.Pixels(10, 3), clRed);
    EXPECT_EQ(C.Pixels(3, 3), clRed);
    EXPECT_EQ(C.Pixels(2, 3), clWhite);
    C.MoveTo(15, 12);
    C.LineTo(15, 5);
    EXPECT_EQ(C.Pixels(15, 12), clRed);
    EXPECT_EQ(C.Pixels(15, 5), clWhite);
    C.MoveTo(9, 19); // a diagonal up and to the left
    C.LineTo(4, 14);
    EXPECT_EQ(C.Pixels(9, 19), clRed);
    EXPECT_EQ(C.Pixels(5, 15), clRed);
    EXPECT_EQ(C.Pixels(4, 14), clWhite);
    EXPECT_EQ(CountNot(B, clWhite), 8 + 7 + 5);
}

TEST(Canvas, VeryLongLinesAreCutToThePicture)
{
    TBitmap B(30, 10, pf24bit);
    TCanvas& C = B.Canvas();
    C.Pen().SetColor(clBlue);
    C.MoveTo(-2000000000, 4); // steps of the whole line would take seconds; the cut ones do not
    C.LineTo(2000000000, 4);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(C.Pixels(x, 4), clBlue) << x;
    EXPECT_EQ(CountNot(B, clWhite), 30);
    C.MoveTo(5, 5); // a long line that starts inside keeps its start pixel
    C.LineTo(5, -1000000);
    EXPECT_EQ(C.Pixels(5, 5), clBlue);
    EXPECT_EQ(C.Pixels(5, 0), clBlue);
}

TEST(Canvas, DottedAndDashedPensLeaveGaps)
{
    TBitmap B(40, 4, pf24bit);
    TCanvas& C = B.Canvas();
    C.Pen().SetStyle(psDot);
    C.MoveTo(0, 1);
    C.LineTo(40, 1);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(C.Pixels(x, 1), x % 2 == 0 ? clBlack : clWhite) << x;
    C.Pen().SetStyle(psDash);
    C.MoveTo(0, 2);
    C.LineTo(40, 2);
    int On = 0;
    for (int x = 0; x < 40; ++x) On += C.Pixels(x, 2) == clBlack;
    EXPECT_GT(On, 20);
    EXPECT_LT(On, 40);
}

TEST(Canvas, PolygonIsOutlinedAndFilledAndPolylineLeavesItsLastPoint)
{
    TBitmap B(30, 30, pf32bit);
    TCanvas& C = B.Canvas();
    C.Pen().SetColor(clBlack);
    C.Brush().SetColor(clYellow);
    C.Polygon({Point(5, 5), Point(25, 5), Point(15, 25)});
    EXPECT_EQ(C.Pixels(15, 10), clYellow);
    EXPECT_EQ(C.Pixels(5, 5), clBlack);
    EXPECT_EQ(C.Pixels(25, 5), clBlack); // every vertex is the pen's
    EXPECT_EQ(C.Pixels(15, 25), clBlack);
    EXPECT_EQ(C.Pixels(15, 26), clWhite);
    EXPECT_EQ(C.Pixels(26, 5), clWhite);
    EXPECT_EQ(C.Pixels(15, 27), clWhite);
    C.Polyline({Point(0, 0), Point(0, 3), Point(3, 3)});
    EXPECT_EQ(C.Pixels(0, 0), clBlack);
    EXPECT_EQ(C.Pixels(0, 3), clBlack);
    EXPECT_EQ(C.Pixels(2, 3), clBlack);
    EXPECT_EQ(C.Pixels(3, 3), clWhite);
    EXPECT_EQ(C.PenPos(), Point(3, 3));
}

TEST(Canvas, PixelsOutsideThePictureAreInvalidAndIgnored)
{
    TBitmap B(4, 4, pf24bit);
    B.Canvas().SetPixels(-1, 0, clRed);
    B.Canvas().SetPixels(4, 4, clRed);
    EXPECT_EQ(CountNot(B, clWhite), 0);
    EXPECT_EQ(B.Canvas().Pixels(4, 0), CLR_INVALID);
    EXPECT_EQ(B.Canvas().Pixels(0, -1), CLR_INVALID);
    // An empty bitmap draws nothing and does not fail.
    TBitmap E;
    E.Canvas().Rectangle(0, 0, 10, 10);
    E.Canvas().TextOut(0, 0, "x");
    EXPECT_EQ(E.Canvas().Pixels(0, 0), CLR_INVALID);
    EXPECT_THROW(E.Canvas().Painter(), std::logic_error);
}

TEST(Canvas, TextIsWrittenBelowAndRightOfItsPointAndRotates)
{
    TBitmap B(200, 200, pf24bit);
    TCanvas& C = B.Canvas();
    C.Font().SetSize(12);
    C.Font().SetColor(clBlue);
    C.Brush().SetColor(clYellow); // a solid brush paints the text box
    const std::string Text = "Tyx geo";
    const int W = C.TextWidth(Text), H = C.TextHeight(Text);
    ASSERT_GT(W, 20);
    ASSERT_GT(H, 8);
    EXPECT_GT(C.TextWidth(Text + Text), W);
    C.TextOut(100, 50, Text);
    EXPECT_EQ(C.PenPos(), Point(100 + W, 50));
    int InBox = 0, Outside = 0, Blue = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const TColor P = C.Pixels(x, y);
            const bool Inside = x >= 100 && x < 100 + W && y >= 50 && y < 50 + H;
            if (P == clWhite) continue;
            // Smoothed glyph edges may touch the pixel next to the box, no further.
            const bool Near = x >= 99 && x <= 100 + W && y >= 49 && y <= 50 + H;
            InBox += Inside;
            Outside += !Near;
            Blue += P == clBlue;
        }
    EXPECT_EQ(InBox, W * H);
    EXPECT_EQ(Outside, 0);
    EXPECT_GT(Blue, 10);

    // Turned by 90 degrees counter-clockwise the text runs upwards from its point, its top
    // facing left.
    C.Brush().SetStyle(bsClear);
    C.Font().SetOrientation(900);
    EXPECT_EQ(C.TextWidth(Text), W);
    C.TextOut(50, 190, Text);
    int Ink = 0;
    for (int y = 100; y < 200; ++y)
        for (int x = 0; x < 100; ++x)
            if (C.Pixels(x, y) != clWhite) {
                ++Ink;
                EXPECT_GE(x, 50 - 1) << x << "," << y;
                EXPECT_LE(x, 50 + H) << x << "," << y;
                EXPECT_LE(y, 190 + 1);
                EXPECT_GE(y, 190 - W - 1);
            }
    EXPECT_GT(Ink, 10);
}

TEST(DrawFrame, StylesPaintTheirRingsInsideTheInclusiveRectangle)
{
    const TColor White = 0xFFFFFE, Silver = 0xC0C0C0, Gray = 0x808080, BlackLine = 0x101010, Black = 0;
    TBitmap B(12, 10, pf24bit);
    TCanvas& C = B.Canvas();
    C.Brush().SetColor(clRed);
    C.FillRect(Rect(0, 0, 12, 10));

    DrawFrame(C, frsRaised, 0, 0, 11, 9, White, Silver, Gray, BlackLine, Black);
    EXPECT_EQ(C.Pixels(0, 0), White);
    EXPECT_EQ(C.Pixels(5, 0), White);
    EXPECT_EQ(C.Pixels(0, 8), White);
    EXPECT_EQ(C.Pixels(11, 0), BlackLine); // top-right corner belongs to the right edge
    EXPECT_EQ(C.Pixels(11, 9), BlackLine);
    EXPECT_EQ(C.Pixels(5, 9), BlackLine);
    EXPECT_EQ(C.Pixels(1, 1), Silver);
    EXPECT_EQ(C.Pixels(10, 8), Gray);
    EXPECT_EQ(C.Pixels(2, 2), clRed);

    DrawFrame(C, frsSunken, 0, 0, 11, 9, White, Silver, Gray, BlackLine, Black);
    EXPECT_EQ(C.Pixels(0, 0), Gray);
    EXPECT_EQ(C.Pixels(11, 9), White);
    EXPECT_EQ(C.Pixels(1, 1), BlackLine);
    EXPECT_EQ(C.Pixels(10, 1), Silver);

    C.FillRect(Rect(0, 0, 12, 10));
    DrawFrame(C, frsDouble, 0, 0, 11, 9, White, Silver, Gray, BlackLine, Black);
    EXPECT_EQ(C.Pixels(0, 5), BlackLine);
    EXPECT_EQ(C.Pixels(1, 5), Silver);
    EXPECT_EQ(C.Pixels(9, 5), Black);
    EXPECT_EQ(C.Pixels(3, 5), clRed);

    // frsNone paints nothing; a frame leaves the pen mode alone and ignores it.
    C.FillRect(Rect(0, 0, 12, 10));
    DrawFrame(C, frsNone, 0, 0, 11, 9, White, Silver, Gray, BlackLine, Black);
    EXPECT_EQ(CountNot(B, clRed), 0);
    C.Pen().SetMode(pmXor);
    DrawFrame(C, frsSingle, 0, 0, 11, 9, White, Silver, Gray, BlackLine, Black);
    EXPECT_EQ(C.Pixels(11, 4), BlackLine);
    EXPECT_EQ(CountNot(B, clRed), 2 * 12 + 2 * 8);
    EXPECT_EQ(C.Pen().Mode(), pmXor);

    // Rings that do not fit are left out instead of spilling outside.
    TBitmap Small(3, 3, pf24bit);
    DrawFrame(Small.Canvas(), frsDouble, 0, 0, 1, 1, White, Silver, Gray, BlackLine, Black);
    EXPECT_EQ(Small.Canvas().Pixels(1, 1), BlackLine);
    EXPECT_EQ(Small.Canvas().Pixels(2, 2), clWhite);
}

TEST(Canvas, ThinLinesWriteTheBitsThePainterWrites)
{
    // Odd colour levels show any difference in how 8-bit channels become 5-bit ones.
    for (QImage::Format Format : {QImage::Format_RGB555, QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        for (TColor Color : {TColor(0x0F1F2F), TColor(0x8491A7), TColor(0x74FDF8)}) {
            QImage Ours(20, 20, Format), Qts(20, 20, Format);
            Ours.fill(Qt::white);
            Qts.fill(Qt::white);
            {
                TCanvas C(&Ours);
                C.Pen().SetColor(Color);
                C.MoveTo(2, 3);
                C.LineTo(17, 9);
            }
            QPainter P(&Qts);
            P.setPen(TColorToQColor(Color));
            P.drawPoint(2, 3);
            P.end();
            EXPECT_EQ(Ours.pixel(2, 3), Qts.pixel(2, 3)) << Format << " " << Color;
            EXPECT_EQ(Ours.pixel(17, 9), qRgb(255, 255, 255)) << Format; // the end point stays out
            EXPECT_NE(Ours.pixel(10, 6), qRgb(255, 255, 255)) << Format;
        }
    }
}

TEST(Canvas, AStampPaintsWhatItsStrokesPaint)
{
    // Two colours over the same pixels (the later wins), a stroke long enough to be cut to a
    // small picture, and anchors across every edge; pens the pixels are written for and not.
    const std::vector<std::pair<TPoint, TPoint>> Blue = {{{-3, -3}, {4, 4}}, {{3, -3}, {-4, 4}}};
    const std::vector<std::pair<TPoint, TPoint>> Red = {{{-3, 0}, {4, 0}}, {{0, 2}, {0, -3}}};
    for (bool Long : {false, true}) {
        TStrokeStamp Stamp;
        auto Record = [&](TCanvas* C, TStrokeStamp* S, int X, int Y) {
            for (const auto* Set : {&Blue, &Red}) {
                const TColor Color = Set == &Blue ? clBlue : clRed;
                if (S) S->SetColor(Color);
                else C->Pen().SetColor(Color);
                for (auto [From, To] : *Set) {
                    if (Long && Set == &Red) To.X += 300;
                    if (S) S->Line(From, To);
                    else C->MoveTo(From.X + X, From.Y + Y), C->LineTo(To.X + X, To.Y + Y);
                }
            }
        };
        Record(nullptr, &Stamp, 0, 0);
        for (QImage::Format Format : {QImage::Format_RGB555, QImage::Format_RGB32, QImage::Format_RGB888})
            for (TPenStyle Style : {psSolid, psDash})
                for (TPoint At : {Point(15, 15), Point(1, 2), Point(28, 27), Point(-3, 15), Point(15, 33), Point(-50, 9)}) {
                    QImage Stamped(30, 30, Format), Stroked(30, 30, Format);
                    Stamped.fill(Qt::white);
                    Stroked.fill(Qt::white);
                    TCanvas S(&Stamped), L(&Stroked);
                    S.Pen().SetStyle(Style);
                    L.Pen().SetStyle(Style);
                    S.Stamp(Stamp, At.X, At.Y);
                    Record(&L, nullptr, At.X, At.Y);
                    S.EndPaint();
                    L.EndPaint();
                    EXPECT_TRUE(Stamped == Stroked) << Format << " " << Style << " " << At.X << "," << At.Y << " " << Long;
                    EXPECT_EQ(S.PenPos(), L.PenPos());
                    EXPECT_EQ(S.Pen().Color(), L.Pen().Color());
                }
    }
}

TEST(Canvas, AScaledCanvasPaintsEachCanvasPixelAsABlockOfImagePixels)
{
    // Straight lines each way, an outlined box, a fill, a pixel and a copied bitmap: on
    // a canvas of Scale S each canvas pixel comes out as the S x S block of the unscaled picture,
    // in the direct-write path (copy pen), through the painter (XOR pen), and in both formats.
    TBitmap Tile(3, 2, pf24bit);
    Tile.Canvas().SetPixels(0, 0, clRed);
    Tile.Canvas().SetPixels(2, 1, clBlue);
    auto Draw = [&](TCanvas& C, TPenMode Mode) {
        C.Pen().SetMode(Mode);
        C.Pen().SetColor(Mode == pmXor ? clWhite : clBlack);
        C.MoveTo(2, 2);
        C.LineTo(15, 2);
        C.LineTo(15, 12);
        C.LineTo(3, 12);
        C.LineTo(3, 4);
        C.Pen().SetMode(pmCopy);
        C.Pen().SetColor(clGreen);
        C.Brush().SetColor(clYellow);
        C.Rectangle(5, 5, 9, 10);
        C.Brush().SetColor(clNavy);
        C.FillRect(Rect(0, 16, 4, 19));
        C.SetPixels(18, 1, clMaroon);
        C.Draw(6, 15, Tile);
        C.EndPaint();
    };
    for (const TPixelFormat Format : {pf15bit, pf24bit})
        for (const TPenMode Mode : {pmCopy, pmXor})
            for (const int S : {2, 3}) {
                TBitmap One(20, 20, Format), Scaled(20 * S, 20 * S, Format);
                Scaled.Canvas().SetScale(S);
                EXPECT_EQ(Scaled.Canvas().Width(), 20);
                Draw(One.Canvas(), Mode);
                Draw(Scaled.Canvas(), Mode);
                const QImage& A = One.Image();
                const QImage& B = Scaled.Image();
                for (int y = 0; y < 20 * S; ++y)
                    for (int x = 0; x < 20 * S; ++x)
                        ASSERT_EQ(B.pixel(x, y), A.pixel(x / S, y / S))
                            << x / S << "," << y / S << " scale " << S << " mode " << int(Mode) << " format " << int(Format);
            }
}
