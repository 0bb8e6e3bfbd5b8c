// Landmark captions: the text box placed about the anchor by alignment and offset, upright and
// rotated, opaque and transparent.
#include <gtest/gtest.h>

#include <QPainter>
#include <QStaticText>

#include <climits>
#include <cstdlib>
#include <utility>

#include "geomap/geomap_overlay.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

using test::PixelOf;

struct TBox {
    int Left = INT_MAX, Top = INT_MAX, Right = INT_MIN, Bottom = INT_MIN; ///< inclusive
    friend bool operator==(const TBox&, const TBox&) = default;
};

std::ostream& operator<<(std::ostream& Out, const TBox& B)
{
    return Out << "(" << B.Left << "," << B.Top << ")-(" << B.Right << "," << B.Bottom << ")";
}

/// The pixels of colour C.
TBox BoxOf(const QImage& Img, TColor C)
{
    TBox B;
    for (int y = 0; y < Img.height(); ++y)
        for (int x = 0; x < Img.width(); ++x)
            if (PixelOf(Img, x, y) == C) {
                B.Left = std::min(B.Left, x), B.Right = std::max(B.Right, x);
                B.Top = std::min(B.Top, y), B.Bottom = std::max(B.Bottom, y);
            }
    return B;
}

TLMTextProperties Caption(TAlignment H, TVerticalAlignment V, int Direction, int dx, int dy)
{
    TLMTextProperties Cap;
    Cap.Text = "Wien Mitte";
    Cap.Size = 11;
    Cap.FontName = "Sans Serif";
    Cap.FGColor = clBlack;
    Cap.BGColor = clYellow;
    Cap.HAlignment = H;
    Cap.VAlignment = V;
    Cap.Direction = Direction;
    Cap.dx = dx;
    Cap.dy = dy;
    return Cap;
}

/// Width and height of the caption's text at Size points.
std::pair<int, int> TextSize(TCanvas& C, int Size)
{
    C.Font().SetName("Sans Serif");
    C.Font().SetSize(Size);
    return {C.TextWidth("Wien Mitte"), C.TextHeight("Wien Mitte")};
}

TEST(Caption, TheAnchorSitsWhereTheAlignmentSaysUprightAndRotated)
{
    TBitmap Bmp(300, 300, pf32bit);
    TCanvas& C = Bmp.Canvas();
    const auto [TW, TH] = TextSize(C, 11);
    const int w = TW / 2, h = TH / 2;
    const TPoint A{150, 150};
    struct TCase {
        TLMTextProperties Cap;
        TBox Box;
    };
    const TCase Cases[] = {
        // Upright: centred over the anchor moved 8 down, the top at the anchor.
        {Caption(taCenter, vaTop, 0, 0, 8), {150 - w, 158, 150 - w + TW - 1, 158 + TH - 1}},
        {Caption(taRightJustify, vaMiddle, 0, -5, 0), {145 - 2 * w, 150 - h, 145 - 2 * w + TW - 1, 150 - h + TH - 1}},
        // A quarter turn counter-clockwise, the text's bottom-left at the anchor: the text runs
        // upward from the anchor, its box 2h to the left of it.
        {Caption(taLeftJustify, vaBottom, 90, 0, 0), {150 - 2 * h, 150 - TW, 150 - 2 * h + TH - 1, 149}},
        // Half a turn: the text hangs upside down to the left, its top-right corner at the anchor.
        {Caption(taLeftJustify, vaTop, 180, 0, 0), {150 - TW, 150 - TH, 149, 149}},
    };
    for (const TCase& K : Cases) {
        SCOPED_TRACE(::testing::Message() << K.Cap.Direction << " " << int(K.Cap.HAlignment) << int(K.Cap.VAlignment));
        Bmp.Canvas().Brush().SetColor(clWhite);
        Bmp.Canvas().FillRect(Rect(0, 0, 300, 300));
        DrawLandMarkCaption(C, A, K.Cap);
        EXPECT_EQ(C.Font().Orientation(), 0); // a rotation never stays on the canvas
        C.EndPaint();
        EXPECT_EQ(BoxOf(Bmp.Image(), clYellow), K.Box);
        const TBox Ink = BoxOf(Bmp.Image(), clBlack);
        EXPECT_TRUE(Ink.Left >= K.Box.Left && Ink.Right <= K.Box.Right && Ink.Top >= K.Box.Top &&
                    Ink.Bottom <= K.Box.Bottom) << Ink;
    }
}

/// Writes Cap at A on the bitmap cleared to white; the box of its background colour.
TBox WrittenBox(TBitmap& Bmp, const TLMTextProperties& Cap, TPoint A)
{
    TCanvas& C = Bmp.Canvas();
    C.Brush().SetColor(clWhite);
    C.FillRect(Rect(0, 0, Bmp.Width(), Bmp.Height()));
    DrawLandMarkCaption(C, A, Cap);
    C.EndPaint();
    return BoxOf(Bmp.Image(), clYellow);
}

TEST(Caption, TransparentCaptionsHaveNoBoxAndBadAlignmentsWriteNothing)
{
    TBitmap Bmp(200, 100, pf32bit);
    TLMTextProperties Cap = Caption(taLeftJustify, vaTop, 0, 0, 0);
    Cap.Transparent = true;
    EXPECT_EQ(WrittenBox(Bmp, Cap, {20, 20}), TBox{});
    EXPECT_NE(BoxOf(Bmp.Image(), clBlack), TBox{});
    Cap.Transparent = false;
    Cap.HAlignment = static_cast<TAlignment>(3);
    EXPECT_EQ(WrittenBox(Bmp, Cap, {20, 60}), TBox{});
}

TEST(Caption, ASizeOfZeroOrBelowWritesAtTheDefaultSize)
{
    TBitmap Bmp(300, 100, pf32bit);
    const auto [TW, TH] = TextSize(Bmp.Canvas(), 8);
    TLMTextProperties Cap = Caption(taLeftJustify, vaTop, 0, 0, 0);
    for (const int Size : {0, -5, INT_MIN}) {
        Cap.Size = Size;
        EXPECT_EQ(WrittenBox(Bmp, Cap, {20, 20}), (TBox{20, 20, 20 + TW - 1, 20 + TH - 1})) << Size;
    }
}

TEST(Caption, UprightTextLooksAsThePainterWritesIt)
{
    // Upright captions are blended from a kept coverage mask; the painter writing the same text
    // in the same place must give the same ink, up to a step of the picture's channels, on a
    // background that is not plain; on a scaled canvas at the picture's resolution.
    for (const int S : {1, 2})
    for (TPixelFormat Format : {pf15bit, pf32bit}) {
        TBitmap Bmp(160 * S, 40 * S, Format);
        TCanvas& C = Bmp.Canvas();
        C.SetScale(S);
        C.Brush().SetColor(RGB(40, 160, 220));
        C.FillRect(Rect(0, 0, 160, 40));
        C.Brush().SetColor(RGB(250, 240, 90));
        C.FillRect(Rect(0, 20, 160, 40));
        C.EndPaint();
        QImage Want = Bmp.Image().copy();
        TLMTextProperties Cap = Caption(taLeftJustify, vaTop, 0, 0, 0);
        Cap.Transparent = true;
        Cap.FGColor = RGB(120, 10, 60);
        Cap.FontStyles = fsItalic;
        DrawLandMarkCaption(C, {10, 12}, Cap);
        QFont Font = C.Painter().font();
        C.EndPaint();
        {
            QPainter P(&Want);
            P.setFont(Font);
            P.setPen(QColor(120, 10, 60));
            P.scale(S, S);
            P.drawStaticText(10, 12, QStaticText(QString::fromStdString(Cap.Text.Str())));
        }
        const QImage& Got = Bmp.Image();
        const int Step = Format == pf15bit ? 8 : 2;
        int Inked = 0;
        for (int y = 0; y < 40 * S; ++y)
            for (int x = 0; x < 160 * S; ++x) {
                const QRgb A = Got.pixel(x, y), B = Want.pixel(x, y);
                Inked += B != Want.pixel(0, y); // the text starts right of column 0
                ASSERT_LE(std::abs(qRed(A) - qRed(B)), Step) << Format << " " << x << "," << y << " x" << S;
                ASSERT_LE(std::abs(qGreen(A) - qGreen(B)), Step) << Format << " " << x << "," << y << " x" << S;
                ASSERT_LE(std::abs(qBlue(A) - qBlue(B)), Step) << Format << " " << x << "," << y << " x" << S;
            }
        EXPECT_GT(Inked, 50 * S * S) << Format; // the text was written at all
    }
}

} // namespace
} // namespace tyx
