// Drawing a landmark symbol on a canvas. Lines leave out their end point (the canvas's rule), so
// the coordinates below name one pixel beyond where a stroke is to stop.
#include "geomap/Tyx_geomap.h"
#include "host/tyx_rounding.h"

#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace tyx {

namespace {

struct TStroke {
    TPoint From, To;
};

void Line(TCanvas& C, TPoint From, TPoint To, int dx = 0, int dy = 0)
{
    C.MoveTo(From.X + dx, From.Y + dy);
    C.LineTo(To.X + dx, To.Y + dy);
}

void Outline(TCanvas& C, std::span<const TPoint> Points)
{
    C.MoveTo(Points.front().X, Points.front().Y);
    for (std::size_t i = 1; i < Points.size(); ++i) C.LineTo(Points[i].X, Points[i].Y);
}

// The strokes in the background colour at the nine offsets of a 3 x 3 block: a border of one
// pixel round the symbol that keeps it readable on any map. Strokes are held in arrays, as a
// crowded layer draws tens of thousands of symbols per paint.
void Halo(TCanvas& C, TColor ColorBG, std::span<const TStroke> Strokes)
{
    C.Pen().SetColor(ColorBG);
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j)
            for (const TStroke& S : Strokes) Line(C, S.From, S.To, i, j);
}

void Strokes(TCanvas& C, std::span<const TStroke> Strokes)
{
    for (const TStroke& S : Strokes) Line(C, S.From, S.To);
}

// The opaque square: the outline in the background colour, inside it a filled box outlined in
// the foreground colour.
void FilledBox(TCanvas& C, std::span<const TPoint> Box, int X, int Y, int S, TColor ColorFG, TColor ColorBG)
{
    C.Pen().SetColor(ColorBG);
    Outline(C, Box);
    C.Pen().SetColor(ColorFG);
    C.Brush().SetColor(ColorBG);
    C.Rectangle(X - S + 1, Y - S + 1, X + S, Y + S);
}

/// (X, Y) moved Dist pixels along the bearing Angle (radians clockwise from straight up).
TPoint Along(int X, int Y, double Angle, int Dist)
{
    return Point(Round(std::sin(Angle) * Dist + X), Round(std::cos(Angle) * -Dist + Y));
}

} // namespace

void DrawLandMarkSymbolOnCanvas(TCanvas& Canvas, int X, int Y, TLandMarkElement Element, TColor ColorFG,
                                TColor ColorBG, int Size, int Direction, int Length, bool Transparent)
{
    const int S = Size;
    const double Theta = Direction * std::numbers::pi / 180.0;
    const double Third = 2.0 * std::numbers::pi / 3.0;
    const double Barb20 = std::numbers::pi / 9.0;
    TCanvas& C = Canvas;

    switch (Element) {
    case lmPlus: {
        const std::array<TStroke, 2> Plus = {{{Point(X, Y - S), Point(X, Y + S + 1)}, {Point(X - S, Y), Point(X + S + 1, Y)}}};
        if (!Transparent) Halo(C, ColorBG, Plus);
        C.Pen().SetColor(ColorFG);
        Strokes(C, Plus);
        break;
    }
    case lmSquare: {
        const std::array<TPoint, 5> Box = {Point(X - S, Y - S), Point(X + S, Y - S), Point(X + S, Y + S),
                                         Point(X - S, Y + S), Point(X - S, Y - S)};
        if (Transparent) {
            C.Pen().SetColor(ColorFG);
            Outline(C, Box);
        } else {
            FilledBox(C, Box, X, Y, S, ColorFG, ColorBG);
        }
        break;
    }
    case lmTriangle: {
        const TPoint P1 = Along(X, Y, Theta, S);
        const TPoint P2 = Along(X, Y, Theta + Third, S);
        const TPoint P3 = Along(X, Y, Theta - Third, S);
        C.Pen().SetColor(ColorFG);
        C.Brush().SetColor(ColorBG);
        if (Transparent) Outline(C, std::array<TPoint, 4>{P1, P2, P3, P1});
        else C.Polygon({P1, P2, P3});
        break;
    }
    case lmCircle:
        C.Pen().SetColor(ColorFG);
        C.Brush().SetColor(ColorBG);
        if (Transparent) C.Brush().SetStyle(bsClear);
        C.Ellipse(X - S, Y - S, X + S, Y + S);
        break;
    case lmArrowFrom:
    case lmArrowTo: {
        // The shaft runs between (X, Y) and the point Length away along the direction; the head
        // sits at its far end for lmArrowFrom and at (X, Y) for lmArrowTo, its barbs running
        // back along the shaft 20 degrees either side.
        const TPoint Far = Along(X, Y, Theta, Length);
        const bool From = Element == lmArrowFrom;
        const TPoint Head = From ? Far : Point(X, Y);
        const int Sign = From ? -1 : 1;
        auto Barb = [&](double Angle) {
            return Point(Head.X + Sign * Round(S * std::sin(Angle)), Head.Y - Sign * Round(S * std::cos(Angle)));
        };
        const TPoint HPlus = Barb(Theta + Barb20), HMinus = Barb(Theta - Barb20);
        C.Pen().SetColor(ColorFG);
        C.Brush().SetColor(ColorBG);
        if (From) Line(C, Point(X, Y), Far);
        else Line(C, Far, Point(X, Y));
        if (Transparent) {
            Line(C, Head, HPlus);
            Line(C, Head, HMinus);
        } else {
            C.Polygon({Head, HPlus, HMinus});
        }
        break;
    }
    case lmCrossBox: {
        const std::array<TPoint, 5> Box = {Point(X - S, Y - S), Point(X - S, Y + S), Point(X + S, Y + S),
                                         Point(X + S, Y - S), Point(X - S, Y - S)};
        if (Transparent) {
            C.Pen().SetColor(ColorFG);
            Outline(C, Box);
            C.LineTo(X + S, Y + S);
            Line(C, Point(X - S, Y + S), Point(X + S, Y - S));
        } else {
            FilledBox(C, Box, X, Y, S, ColorFG, ColorBG);
            Line(C, Point(X - S + 1, Y + S - 1), Point(X + S, Y - S));
            Line(C, Point(X + S - 1, Y + S - 1), Point(X - S, Y - S));
        }
        break;
    }
    case lmSpade:
        C.Pen().SetColor(ColorFG);
        C.Brush().SetColor(ColorBG);
        if (Transparent)
            Outline(C, std::array<TPoint, 5>{Point(X, Y - S), Point(X + S, Y), Point(X, Y + S), Point(X - S, Y),
                                             Point(X, Y - S)});
        else
            C.Polygon({Point(X + S, Y), Point(X, Y + S), Point(X - S, Y), Point(X, Y - S)});
        break;
    case lmCross: {
        if (!Transparent) {
            const std::array<TStroke, 2> Back = {
                {{Point(X + S, Y - S), Point(X - S - 1, Y + S + 1)}, {Point(X - S, Y - S), Point(X + S + 1, Y + S + 1)}}};
            Halo(C, ColorBG, Back);
        }
        C.Pen().SetColor(ColorFG);
        const std::array<TStroke, 2> Cross = {
            {{Point(X - S, Y - S), Point(X + S + 1, Y + S + 1)}, {Point(X - S, Y + S), Point(X + S + 1, Y - S - 1)}}};
        Strokes(C, Cross);
        break;
    }
    case lmUserDef:
        break;
    default: {
        // An unknown kind still shows where the landmark is.
        C.Pen().SetColor(ColorFG);
        const std::array<TStroke, 2> Small = {{{Point(X - 4, Y), Point(X + 5, Y)}, {Point(X, Y - 4), Point(X, Y + 5)}}};
        Strokes(C, Small);
        break;
    }
    }
}

} // namespace tyx
