// DrawLandMarkSymbolOnCanvas, checked pixel by pixel on a white picture (foreground red,
// background blue).
#include "geomap/Tyx_geomap.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <vector>

namespace tyx {
namespace {

constexpr TColor W = clWhite, F = clRed, B = clBlue;

struct TPixel {
    int X, Y;
    TColor Color;
};

struct TSymbolCase {
    const char* Name;
    int X, Y;
    int Element;
    int Size, Direction, Length;
    bool Transparent;
    std::vector<TPixel> Pixels;
};

TColor At(const QImage& Img, int X, int Y)
{
    const QRgb P = Img.pixel(X, Y);
    return RGB(static_cast<uint8_t>(qRed(P)), static_cast<uint8_t>(qGreen(P)), static_cast<uint8_t>(qBlue(P)));
}

QImage Draw(const TSymbolCase& C)
{
    QImage Img(200, 200, QImage::Format_RGB32);
    Img.fill(Qt::white);
    TCanvas Canvas(&Img);
    DrawLandMarkSymbolOnCanvas(Canvas, C.X, C.Y, static_cast<TLandMarkElement>(C.Element), F, B, C.Size, C.Direction,
                               C.Length, C.Transparent);
    Canvas.EndPaint();
    return Img;
}

TEST(SymbolDrawing, ShapesHitTheirPixels)
{
    const std::vector<TSymbolCase> Cases = {
        // Arrow heads: the filled head has its corners at the tip and the two barbs.
        {"arrow from, up", 100, 100, lmArrowFrom, 8, 0, 40, false,
         {{100, 100, F}, {100, 61, F}, {100, 60, F}, {100, 59, W}, {97, 68, F}, {103, 68, F}, {96, 68, W}, {104, 68, W},
          {97, 69, W}, {103, 69, W}}},
        {"arrow to, from the right", 100, 100, lmArrowTo, 8, 90, 40, false,
         {{140, 100, F}, {141, 100, W}, {100, 100, F}, {99, 100, W}, {108, 97, F}, {108, 103, F}, {109, 97, W},
          {108, 96, W}, {108, 104, W}, {109, 103, W}}},
        // An open head: the barbs start at (X, Y) and stop one pixel short of their ends.
        {"arrow to, open head", 100, 100, lmArrowTo, 8, 90, 40, true,
         {{140, 100, F}, {100, 100, F}, {99, 100, W}, {108, 97, W}, {108, 103, W}, {100, 99, W}}},
        {"triangle", 50, 50, lmTriangle, 10, 0, 0, false,
         {{50, 40, F}, {59, 55, F}, {41, 55, F}, {50, 39, W}, {60, 55, W}, {40, 55, W}, {59, 56, W}, {50, 50, B}}},
        {"plus with halo", 50, 50, lmPlus, 5, 0, 0, false,
         {{50, 45, F}, {50, 55, F}, {45, 50, F}, {55, 50, F}, {50, 44, B}, {50, 56, B}, {56, 50, B}, {51, 52, B},
          {50, 57, W}, {52, 52, W}}},
        {"plus, transparent", 50, 50, lmPlus, 5, 0, 0, true,
         {{50, 45, F}, {50, 55, F}, {55, 50, F}, {50, 56, W}, {51, 52, W}, {50, 44, W}}},
        {"cross", 50, 50, lmCross, 4, 0, 0, true,
         {{46, 46, F}, {54, 54, F}, {55, 55, W}, {46, 54, F}, {54, 46, F}, {55, 45, W}, {50, 50, F}, {51, 50, W}}},
        {"cross with halo", 50, 50, lmCross, 4, 0, 0, false,
         {{46, 46, F}, {54, 54, F}, {51, 50, B}, {45, 46, B}, {55, 55, B}, {56, 56, W}}},
        {"square, opaque: background outline, foreground box", 50, 50, lmSquare, 5, 0, 0, false,
         {{45, 45, B}, {55, 50, B}, {50, 55, B}, {46, 46, F}, {54, 54, F}, {50, 50, B}, {56, 50, W}}},
        {"square, transparent", 50, 50, lmSquare, 5, 0, 0, true,
         {{45, 45, F}, {55, 55, F}, {45, 55, F}, {50, 50, W}, {56, 56, W}}},
        {"circle, transparent", 50, 50, lmCircle, 6, 0, 0, true, {{50, 44, F}, {44, 50, F}, {50, 50, W}, {50, 56, W}}},
        {"circle, opaque", 50, 50, lmCircle, 6, 0, 0, false, {{50, 44, F}, {50, 50, B}, {50, 56, W}}},
        {"crossbox, transparent", 50, 50, lmCrossBox, 4, 0, 0, true,
         {{46, 46, F}, {54, 54, F}, {46, 54, F}, {54, 46, F}, {50, 50, F}, {52, 48, F}, {51, 50, W}}},
        {"crossbox, opaque", 50, 50, lmCrossBox, 4, 0, 0, false,
         {{46, 46, B}, {54, 54, B}, {47, 47, F}, {53, 53, F}, {50, 50, F}, {51, 50, B}, {55, 55, W}}},
        {"spade", 50, 50, lmSpade, 6, 0, 0, false,
         {{50, 44, F}, {56, 50, F}, {50, 56, F}, {44, 50, F}, {50, 50, B}, {45, 45, W}, {57, 50, W}}},
        {"spade, transparent", 50, 50, lmSpade, 6, 0, 0, true, {{50, 44, F}, {56, 50, F}, {50, 50, W}}},
        {"unknown element 12: the small plus", 50, 50, 12, 20, 0, 0, false,
         {{46, 50, F}, {54, 50, F}, {55, 50, W}, {45, 50, W}, {50, 46, F}, {50, 54, F}, {50, 55, W}, {50, 45, W},
          {51, 51, W}}},
    };
    for (const TSymbolCase& C : Cases) {
        const QImage Img = Draw(C);
        for (const TPixel& P : C.Pixels)
            EXPECT_EQ(At(Img, P.X, P.Y), P.Color) << C.Name << " at (" << P.X << ", " << P.Y << ")";
    }
}

TEST(SymbolDrawing, ExtremeNumbersDrawOnlyWhatReachesThePicture)
{
    const std::vector<TPixel> Blank = {{0, 0, W}, {100, 100, W}, {199, 199, W}, {0, 100, W}, {100, 199, W}};
    const std::vector<TSymbolCase> Cases = {
        // A negative length points the other way, however long.
        {"arrow from, shortest length", 100, 100, lmArrowFrom, 8, 0, INT_MIN, false,
         {{100, 100, F}, {100, 199, F}, {100, 99, W}, {100, 50, W}}},
        {"arrow to, shortest length", 100, 100, lmArrowTo, 8, 0, INT_MIN, true,
         {{100, 100, F}, {100, 199, F}, {100, 50, W}}},
        {"arrow from, longest length and size", 100, 100, lmArrowFrom, INT_MAX, 180, INT_MAX, false,
         {{100, 100, F}, {100, 199, F}, {100, 99, W}}},
        // Anchors at the ends of the int range lie far off the picture, and so does all of them.
        {"square at the right end", INT_MAX, 100, lmSquare, 8, 0, 0, false, Blank},
        {"crossbox at the left end", INT_MIN, 100, lmCrossBox, 8, 0, 0, false, Blank},
        {"circle in the far corner", INT_MIN, INT_MIN, lmCircle, 8, 0, 0, false, Blank},
        {"spade below", 100, INT_MAX, lmSpade, INT_MAX, 0, 0, false, Blank},
        {"plus above", 100, INT_MIN, lmPlus, INT_MIN, 0, 0, false, Blank},
    };
    for (const TSymbolCase& C : Cases) {
        const QImage Img = Draw(C);
        for (const TPixel& P : C.Pixels)
            EXPECT_EQ(At(Img, P.X, P.Y), P.Color) << C.Name << " at (" << P.X << ", " << P.Y << ")";
    }
}

TEST(SymbolDrawing, EachKindLeavesItsPenAndBrushColours)
{
    // The pen ends in the foreground colour; the kinds that outline a shape for filling set the
    // brush to the background colour, also when they leave it open.
    struct TCase {
        int Element;
        bool Transparent, SetsBrush;
    };
    const TCase Cases[] = {
        {lmPlus, false, false},     {lmPlus, true, false},      {lmCross, false, false},  {lmCross, true, false},
        {lmSquare, false, true},    {lmSquare, true, false},    {lmCrossBox, false, true}, {lmCrossBox, true, false},
        {lmSpade, false, true},     {lmSpade, true, true},      {lmTriangle, true, true}, {lmCircle, false, true},
        {lmArrowFrom, true, true},  {lmArrowTo, false, true},   {12, false, false},
    };
    QImage Img(40, 40, QImage::Format_RGB32);
    Img.fill(Qt::white);
    for (const TCase& K : Cases) {
        TCanvas Canvas(&Img);
        Canvas.Pen().SetColor(clGreen);
        Canvas.Brush().SetColor(clYellow);
        Canvas.Brush().SetStyle(bsClear);
        DrawLandMarkSymbolOnCanvas(Canvas, 20, 20, static_cast<TLandMarkElement>(K.Element), F, B, 6, 0, 10,
                                   K.Transparent);
        EXPECT_EQ(Canvas.Pen().Color(), F) << K.Element << " " << K.Transparent;
        EXPECT_EQ(Canvas.Brush().Color(), K.SetsBrush ? B : clYellow) << K.Element << " " << K.Transparent;
        EXPECT_EQ(Canvas.Brush().Style(), K.SetsBrush ? bsSolid : bsClear) << K.Element << " " << K.Transparent;
    }
}

TEST(SymbolDrawing, UserDefinedDrawsNothingAndKeepsThePen)
{
    QImage Img(40, 40, QImage::Format_RGB32);
    Img.fill(Qt::white);
    const QImage Before = Img.copy();
    TCanvas Canvas(&Img);
    Canvas.Pen().SetColor(clGreen);
    Canvas.Brush().SetColor(clYellow);
    DrawLandMarkSymbolOnCanvas(Canvas, 20, 20, lmUserDef, F, B, 8, 0, 10, false);
    Canvas.EndPaint();
    EXPECT_EQ(Canvas.Pen().Color(), clGreen);
    EXPECT_EQ(Canvas.Brush().Color(), clYellow);
    EXPECT_EQ(Img, Before);
}

} // namespace
} // namespace tyx
