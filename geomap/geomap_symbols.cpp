// Drawing a landmark symbol on a canvas. Lines leave out their end point (the canvas's rule), so
// the coordinates below name one pixel beyond where a stroke is to stop.
#include "geomap/Tyx_geomap.h"
#include "geomap/geomap_overlay.h"
#include "host/tyx_rounding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

namespace tyx {

namespace {

struct TStroke {
    TPoint From, To;
};

void Line(TCanvas& C, TPoint From, TPoint To)
{
    C.MoveTo(From.X, From.Y);
    C.LineTo(To.X, To.Y);
}

void Outline(TCanvas& C, std::span<const TPoint> Points)
{
    C.MoveTo(Points.front().X, Points.front().Y);
    for (std::size_t i = 1; i < Points.size(); ++i) C.LineTo(Points[i].X, Points[i].Y);
}

void Outline(TStrokeStamp& St, std::span<const TPoint> Points)
{
    for (std::size_t i = 1; i < Points.size(); ++i) St.Line(Points[i - 1], Points[i]);
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

/// A symbol's numbers, brought within what a picture can show before any arithmetic on them.
struct TDrawable {
    int X, Y, S, L, Direction;
};

TDrawable Drawable(int X, int Y, int Size, int Direction, int Length)
{
    // A size or length beyond kReach only reaches further off any picture, and so does a symbol
    // anchored further out than NearAnyPicture keeps it; within these bounds no coordinate below
    // can overflow. Whole turns are dropped exactly, in integers.
    constexpr int kReach = 1 << 24;
    const TPoint A = NearAnyPicture(Point(X, Y));
    return {A.X, A.Y, std::clamp(Size, -kReach, kReach), std::clamp(Length, -kReach, kReach), Direction % 360};
}

/// What a stroke-only symbol looks like; its stamp is built once per look.
struct TStampKey {
    TLandMarkElement Element;
    TColor ColorFG, ColorBG;
    int Size;
    bool Transparent;
    friend bool operator==(const TStampKey&, const TStampKey&) = default;
};

/// True for the kinds drawn with thin strokes only, at whole-pixel offsets from the anchor.
bool StrokesOnly(TLandMarkElement Element, bool Transparent)
{
    switch (Element) {
    case lmPlus:
    case lmCross: return true;
    case lmSquare:
    case lmCrossBox:
    case lmSpade: return Transparent;
    case lmTriangle:
    case lmCircle:
    case lmArrowFrom:
    case lmArrowTo:
    case lmUserDef: return false;
    default: return true; // the small plus of an unknown kind
    }
}

// Back in the background colour at the nine offsets of a 3 x 3 block (a border of one pixel
// round the symbol that keeps it readable on any map), then Front in the foreground colour.
void HaloAndStrokes(TStrokeStamp& St, const TStampKey& K, std::span<const TStroke> Back, std::span<const TStroke> Front)
{
    if (!K.Transparent) {
        St.SetColor(K.ColorBG);
        for (int i = -1; i <= 1; ++i)
            for (int j = -1; j <= 1; ++j)
                for (const TStroke& L : Back) St.Line(Point(L.From.X + i, L.From.Y + j), Point(L.To.X + i, L.To.Y + j));
    }
    St.SetColor(K.ColorFG);
    for (const TStroke& L : Front) St.Line(L.From, L.To);
}

/// The strokes of a stroke-only symbol about (0, 0).
TStrokeStamp MakeStamp(const TStampKey& K)
{
    const int S = K.Size;
    TStrokeStamp St;
    switch (K.Element) {
    case lmPlus: {
        const std::array<TStroke, 2> Plus = {{{Point(0, -S), Point(0, S + 1)}, {Point(-S, 0), Point(S + 1, 0)}}};
        HaloAndStrokes(St, K, Plus, Plus);
        break;
    }
    case lmCross: {
        const std::array<TStroke, 2> Back = {{{Point(S, -S), Point(-S - 1, S + 1)}, {Point(-S, -S), Point(S + 1, S + 1)}}};
        const std::array<TStroke, 2> Cross = {{{Point(-S, -S), Point(S + 1, S + 1)}, {Point(-S, S), Point(S + 1, -S - 1)}}};
        HaloAndStrokes(St, K, Back, Cross);
        break;
    }
    case lmSquare:
        St.SetColor(K.ColorFG);
        Outline(St, std::array<TPoint, 5>{Point(-S, -S), Point(S, -S), Point(S, S), Point(-S, S), Point(-S, -S)});
        break;
    case lmCrossBox:
        St.SetColor(K.ColorFG);
        Outline(St, std::array<TPoint, 6>{Point(-S, -S), Point(-S, S), Point(S, S), Point(S, -S), Point(-S, -S),
                                          Point(S, S)});
        St.Line(Point(-S, S), Point(S, -S));
        break;
    case lmSpade:
        St.SetColor(K.ColorFG);
        Outline(St, std::array<TPoint, 5>{Point(0, -S), Point(S, 0), Point(0, S), Point(-S, 0), Point(0, -S)});
        break;
    default: {
        // An unknown kind still shows where the landmark is.
        St.SetColor(K.ColorFG);
        St.Line(Point(-4, 0), Point(5, 0));
        St.Line(Point(0, -4), Point(0, 5));
        break;
    }
    }
    return St;
}

/// The stamp for a look, from a small per-thread cache: a layer uses a handful of looks, drawn
/// tens of thousands of times per paint.
const TStrokeStamp& StampFor(const TStampKey& K)
{
    constexpr std::size_t Kept = 32;
    thread_local std::vector<std::pair<TStampKey, TStrokeStamp>> Cache;
    thread_local std::size_t Last = 0, Next = 0;
    if (Last < Cache.size() && Cache[Last].first == K) return Cache[Last].second;
    for (std::size_t i = 0; i < Cache.size(); ++i)
        if (Cache[i].first == K) return Cache[Last = i].second;
    if (Cache.size() < Kept) {
        Cache.emplace_back(K, MakeStamp(K));
        Last = Cache.size() - 1;
    } else {
        Cache[Next] = {K, MakeStamp(K)};
        Last = Next;
        Next = (Next + 1) % Kept;
    }
    return Cache[Last].second;
}

} // namespace

void DrawLandMarkSymbolOnCanvas(TCanvas& Canvas, int AX, int AY, TLandMarkElement Element, TColor ColorFG,
                                TColor ColorBG, int Size, int Direction, int Length, bool Transparent)
{
    const TDrawable D = Drawable(AX, AY, Size, Direction, Length);
    const int X = D.X, Y = D.Y, S = D.S;
    TCanvas& C = Canvas;
    if (StrokesOnly(Element, Transparent)) {
        // The open diamond takes the brush colour as the filled one does, though nothing fills.
        if (Element == lmSpade) C.Brush().SetColor(ColorBG);
        C.Stamp(StampFor({Element, ColorFG, ColorBG, S, Transparent}), X, Y);
        return;
    }
    const double Theta = D.Direction * std::numbers::pi / 180.0;
    const double Third = 2.0 * std::numbers::pi / 3.0;
    const double Barb20 = std::numbers::pi / 9.0;

    switch (Element) {
    case lmSquare: {
        const std::array<TPoint, 5> Box = {Point(X - S, Y - S), Point(X + S, Y - S), Point(X + S, Y + S),
                                         Point(X - S, Y + S), Point(X - S, Y - S)};
        FilledBox(C, Box, X, Y, S, ColorFG, ColorBG);
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
        const TPoint Far = Along(X, Y, Theta, D.L);
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
        FilledBox(C, Box, X, Y, S, ColorFG, ColorBG);
        Line(C, Point(X - S + 1, Y + S - 1), Point(X + S, Y - S));
        Line(C, Point(X + S - 1, Y + S - 1), Point(X - S, Y - S));
        break;
    }
    case lmSpade:
        C.Pen().SetColor(ColorFG);
        C.Brush().SetColor(ColorBG);
        C.Polygon({Point(X + S, Y), Point(X, Y + S), Point(X - S, Y), Point(X, Y - S)});
        break;
    default: // lmUserDef draws nothing; the stroke-only kinds were stamped above
        break;
    }
}

} // namespace tyx
