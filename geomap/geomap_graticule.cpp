// TGeoMap overlay: the graticule. Under the point-based models parallels and meridians are
// polylines of a fixed number of segments through converted positions, spaced GratLineDist apart
// (or by the decade that suits the box); under the parabolic model each calibration line's fitted
// parabola is walked column by column (or row by row) across the visible part of the image.
// Degree labels, when asked for, go where the lines drawn cross the view's edges.
#include <algorithm>
#include <cmath>

#include "geomap/geomap_overlay.h"
#include "host/tyx_rounding.h"

#include <QFontMetrics>

namespace tyx {

namespace {

/// Lines per degree: 1 / Dist, or with Dist 0 the power of ten that puts at least one line
/// into Extent degrees. 0 (no lines) for a box of no extent, where no power of ten would do.
double LinesPerDegree(double Dist, double Extent)
{
    if (Dist > 0) return 1 / Dist;
    double E = std::fabs(Extent);
    if (!(E > 0) || !std::isfinite(E)) return 0;
    double B = 1;
    while (E < 1) {
        B *= 10;
        E *= 10;
    }
    return B;
}

/// The parabola walk never takes more steps than this, so that a tiny magnification cannot make
/// one line cost millions of strokes beyond any image (an image has at most 3000000 pixels).
constexpr long long MaxParabolaSteps = 4000000;

} // namespace

int TGratLabels::DecimalsOf(double Value)
{
    int n = 0;
    for (double Scaled = std::fabs(Value); n < 6 && std::fabs(Scaled - std::round(Scaled)) > 1e-6; Scaled *= 10) ++n;
    return n;
}

TGratLabels::TGratLabels(int W, int H, const QRect& Reserved) : FW(W), FH(H)
{
    if (!Reserved.isEmpty()) FLabels.push_back({Reserved, QString()});
}

void TGratLabels::Segment(const TPoint& P, const TPoint& Q, double Value, int Decimals, bool Parallel)
{
    // Edges: 0 left, 1 right, 2 top, 3 bottom, each at its outermost row or column.
    const double Edge[4] = {0, FW - 1.0, 0, FH - 1.0};
    for (int e = 0; e < 4; ++e) {
        const bool Vertical = e < 2;
        const double A = Vertical ? P.X : P.Y, B = Vertical ? Q.X : Q.Y;
        if ((A <= Edge[e]) == (B <= Edge[e])) continue;
        const double t = (Edge[e] - A) / (B - A);
        const double Along = Vertical ? P.Y + t * (Q.Y - P.Y) : P.X + t * (Q.X - P.X);
        if (Along >= 0 && Along < (Vertical ? FH : FW)) Place(Along, e, Value, Decimals, Parallel);
    }
}

void TGratLabels::Place(double Along, int Edge, double Value, int Decimals, bool Parallel)
{
    // The hemisphere after the degree sign; none for 0.
    const double Shown = std::fabs(Value) < 0.5 * std::pow(10.0, -Decimals) ? 0.0 : Value;
    const QString Hemisphere = Shown == 0 ? QString() : Parallel ? (Shown > 0 ? "N" : "S") : (Shown > 0 ? "E" : "W");
    const QString Text = QString::number(std::fabs(Shown), 'f', Decimals) + QChar(0x00B0) + Hemisphere;
    const QFontMetrics Metrics(OverlayLabelFont());
    const int w = Metrics.horizontalAdvance(Text), h = Metrics.height();
    const int a = Round(Along);
    constexpr int Inset = 3; // clear of the frame, with room for the halo
    QRect Box;
    switch (Edge) {
    case 0: Box = QRect(Inset, a - h / 2, w, h); break;
    case 1: Box = QRect(FW - Inset - w, a - h / 2, w, h); break;
    case 2: Box = QRect(a - w / 2, Inset, w, h); break;
    default: Box = QRect(a - w / 2, FH - Inset - h, w, h); break;
    }
    // Kept whole within the view, beside its line.
    Box.moveLeft(std::clamp(Box.left(), Inset, std::max(Inset, FW - Inset - w)));
    Box.moveTop(std::clamp(Box.top(), Inset, std::max(Inset, FH - Inset - h)));
    const QRect Clear = Box.adjusted(-4, -4, 4, 4); // halos never touch
    for (const TLabel& L : FLabels)
        if (L.Box.intersects(Clear)) return;
    FLabels.push_back({Box, Text});
}

void TGratLabels::Draw(QPainter& P, TColor Color) const
{
    const QFontMetrics Metrics(OverlayLabelFont());
    for (const TLabel& L : FLabels)
        if (!L.Text.isEmpty()) DrawHaloText(P, QPointF(L.Box.left(), L.Box.top() + Metrics.ascent()), L.Text, Color);
}

std::vector<TRect> TGratLabels::Boxes() const
{
    std::vector<TRect> Out;
    // The empty label is the scale bar's corner, which is no label's box.
    for (const TLabel& L : FLabels)
        if (!L.Text.isEmpty())
            Out.push_back(Rect(L.Box.left() - 2, L.Box.top() - 2, L.Box.right() + 3, L.Box.bottom() + 3));
    return Out;
}

TPoint TGeoMap::GratPixel(double Lat, double Long) const
{
    int x = 0, y = 0;
    FCalib.CalcPixelCoords(Lat, Long, x, y);
    return MapImageToControl(TPoint{x, y});
}

void TGeoMap::DrawGraticule(TCanvas& C, int ParallelSegments, int MeridianSegments, TGratLabels* Labels)
{
    const TCornerArray& K = FCalib.CalibData().Corners;
    const double LatLow = std::min(K[gcoBottomLeft].Latit, K[gcoBottomRight].Latit);
    const double LatHigh = std::max(K[gcoTopLeft].Latit, K[gcoTopRight].Latit);
    const double LongLow = std::min(K[gcoTopLeft].Longit, K[gcoBottomLeft].Longit);
    const double LongHigh = std::max(K[gcoTopRight].Longit, K[gcoBottomRight].Longit);
    for (const TCoords& Corner : K)
        if (!std::isfinite(Corner.Latit) || !std::isfinite(Corner.Longit)) return;
    C.Pen().SetColor(FColorGratLine);

    // Labels show as many decimals as the spacing has.
    const double LatB = LinesPerDegree(FGratLineDist, LatHigh - LatLow);
    const int LatDecimals = TGratLabels::DecimalsOf(1 / LatB);
    ForEachLineValue(LatLow, LatHigh, LatB, [&](double D) {
        TPoint P = GratPixel(D, LongLow);
        C.MoveTo(P.X, P.Y);
        for (int i = 1; i <= ParallelSegments; ++i) {
            const TPoint Q = GratPixel(D, LongLow + (LongHigh - LongLow) * i / ParallelSegments);
            C.LineTo(Q.X, Q.Y);
            if (Labels) Labels->Segment(P, Q, D, LatDecimals, true);
            P = Q;
        }
    });
    const double LongB = LinesPerDegree(FGratLineDist, LongHigh - LongLow);
    const int LongDecimals = TGratLabels::DecimalsOf(1 / LongB);
    ForEachLineValue(LongLow, LongHigh, LongB, [&](double D) {
        TPoint P = GratPixel(LatLow, D);
        C.MoveTo(P.X, P.Y);
        for (int i = 1; i <= MeridianSegments; ++i) {
            const TPoint Q = GratPixel(LatLow + (LatHigh - LatLow) * i / MeridianSegments, D);
            C.LineTo(Q.X, Q.Y);
            if (Labels) Labels->Segment(P, Q, D, LongDecimals, false);
            P = Q;
        }
    });
}

void TGeoMap::DrawParabolicLine(TCanvas& C, int W, int H, const TCalibLine& L, TGratLabels* Labels)
{
    // A line without points has nothing to fit; any other curve is drawn as it comes out.
    if (L.NumPoints < 1) return;
    C.Pen().SetColor(FColorGratLine);
    const bool Parallel = L.LineType == gtlParallel;
    double a = 0, b = 0, c = 0;
    FitCalibLineParabola(L, a, b, c);
    // The walk runs along map-image columns of the visible part (rows for a meridian).
    const int From = Parallel ? FTopLeft.X : FTopLeft.Y;
    const double To = std::min((Parallel ? W : H) / FMagnify + From, double(From) + MaxParabolaSteps);
    auto Through = [&](long long t) {
        const int Across = Round(a + b * t + c * double(t) * t);
        const int Along = static_cast<int>(std::clamp<long long>(t, INT32_MIN, INT32_MAX));
        return MapImageToControl(Parallel ? TPoint{Along, Across} : TPoint{Across, Along});
    };
    const int Decimals = TGratLabels::DecimalsOf(L.LineValue);
    long long t = From;
    TPoint P = Through(t);
    C.MoveTo(P.X, P.Y);
    while (t < To) {
        ++t;
        const TPoint Q = Through(t);
        C.LineTo(Q.X, Q.Y);
        if (Labels) Labels->Segment(P, Q, L.LineValue, Decimals, Parallel);
        P = Q;
    }
}

} // namespace tyx
