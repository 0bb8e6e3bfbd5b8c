// TGeoMap overlay: the graticule. Under the point-based models parallels and meridians are
// polylines of a fixed number of segments through converted positions, spaced GratLineDist apart
// (or by the decade that suits the box); under the parabolic model each calibration line's fitted
// parabola is walked column by column (or row by row) across the visible part of the image.
#include <algorithm>
#include <cmath>

#include "geomap/geomap_overlay.h"
#include "host/tyx_rounding.h"

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

TPoint TGeoMap::GratPixel(double Lat, double Long) const
{
    int x = 0, y = 0;
    FCalib.CalcPixelCoords(Lat, Long, x, y);
    return MapImageToControl(TPoint{x, y});
}

void TGeoMap::DrawGraticule(TCanvas& C, int ParallelSegments, int MeridianSegments)
{
    const TCornerArray& K = FCalib.CalibData().Corners;
    const double LatLow = std::min(K[gcoBottomLeft].Latit, K[gcoBottomRight].Latit);
    const double LatHigh = std::max(K[gcoTopLeft].Latit, K[gcoTopRight].Latit);
    const double LongLow = std::min(K[gcoTopLeft].Longit, K[gcoBottomLeft].Longit);
    const double LongHigh = std::max(K[gcoTopRight].Longit, K[gcoBottomRight].Longit);
    for (const TCoords& Corner : K)
        if (!std::isfinite(Corner.Latit) || !std::isfinite(Corner.Longit)) return;
    C.Pen().SetColor(FColorGratLine);

    ForEachLineValue(LatLow, LatHigh, LinesPerDegree(FGratLineDist, LatHigh - LatLow), [&](double D) {
        const TPoint P = GratPixel(D, LongLow);
        C.MoveTo(P.X, P.Y);
        for (int i = 1; i <= ParallelSegments; ++i) {
            const TPoint Q = GratPixel(D, LongLow + (LongHigh - LongLow) * i / ParallelSegments);
            C.LineTo(Q.X, Q.Y);
        }
    });
    ForEachLineValue(LongLow, LongHigh, LinesPerDegree(FGratLineDist, LongHigh - LongLow), [&](double D) {
        const TPoint P = GratPixel(LatLow, D);
        C.MoveTo(P.X, P.Y);
        for (int i = 1; i <= MeridianSegments; ++i) {
            const TPoint Q = GratPixel(LatLow + (LatHigh - LatLow) * i / MeridianSegments, D);
            C.LineTo(Q.X, Q.Y);
        }
    });
}

void TGeoMap::DrawParabolicLine(TCanvas& C, int W, int H, const TCalibLine& L)
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
    long long t = From;
    const TPoint P = Through(t);
    C.MoveTo(P.X, P.Y);
    while (t < To) {
        ++t;
        const TPoint Q = Through(t);
        C.LineTo(Q.X, Q.Y);
    }
}

} // namespace tyx
