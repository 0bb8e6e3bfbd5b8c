// TGeoMap: the view operations that callers use directly (magnification and its bounds,
// centring, fitting, keeping the view inside the image). The mouse's own view changes are in
// geomap_mouse.cpp.
#include "geomap/Tyx_geomap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "host/tyx_rounding.h"

namespace tyx {

namespace {

bool PositiveFinite(double Value)
{
    return Value > 0 && std::isfinite(Value);
}

/// A - B without overflow: a converted pixel may lie anywhere in the int range.
int Minus(int A, int B)
{
    const long long D = static_cast<long long>(A) - B;
    return static_cast<int>(std::clamp<long long>(D, INT32_MIN, INT32_MAX));
}

} // namespace

double TGeoMap::FitMagnification() const
{
    if (FMapImgWidth <= 0 || FMapImgHeight <= 0) return 0;
    return std::min(static_cast<double>(height()) / FMapImgHeight, static_cast<double>(width()) / FMapImgWidth);
}

double TGeoMap::ClampMagnification(double Value, bool ToFit) const
{
    const double Fit = ToFit ? FitMagnification() : 0;
    const double Low = Fit > 0 ? std::min(FMinMagnify, Fit) : FMinMagnify;
    if (!(Value > 0)) return Low;
    return std::clamp(Value, Low, FMaxMagnify);
}

void TGeoMap::SetMagnification(double Value)
{
    // A view needs a positive, finite scale; everything that divides by it relies on that.
    if (!PositiveFinite(Value)) return;
    FMagnify = ClampMagnification(Value);
    Paint();
}

void TGeoMap::SetMinMagnification(double Value)
{
    if (!PositiveFinite(Value)) return;
    FMinMagnify = Value;
    FMaxMagnify = std::max(FMaxMagnify, Value);
    if (ClampMagnification(FMagnify) != FMagnify) SetMagnification(FMagnify);
}

void TGeoMap::SetMaxMagnification(double Value)
{
    if (!PositiveFinite(Value)) return;
    FMaxMagnify = Value;
    FMinMagnify = std::min(FMinMagnify, Value);
    if (ClampMagnification(FMagnify) != FMagnify) SetMagnification(FMagnify);
}

void TGeoMap::PanMapToFillWindow()
{
    const double ViewW = width() / FMagnify;
    const double ViewH = height() / FMagnify;
    if (FTopLeft.X > FMapImgWidth - ViewW) FTopLeft.X = Round(FMapImgWidth - ViewW);
    if (FTopLeft.Y > FMapImgHeight - ViewH) FTopLeft.Y = Round(FMapImgHeight - ViewH);
    if (FTopLeft.X < 0) FTopLeft.X = 0;
    if (FTopLeft.Y < 0) FTopLeft.Y = 0;
}

void TGeoMap::BringMapPixelToCenter(const TPoint& APoint)
{
    FTopLeft = TPoint{Minus(APoint.X, Round(width() / FMagnify / 2)), Minus(APoint.Y, Round(height() / FMagnify / 2))};
    PanMapToFillWindow();
    Paint();
}

void TGeoMap::BringLocationToCenter(double Latitude, double Longitude)
{
    int x = 0, y = 0;
    if (!CalcPixelCoords(Latitude, Longitude, x, y)) return;
    const int HalfW = Round(width() / FMagnify / 2);
    const int HalfH = Round(height() / FMagnify / 2);
    // Kept inside the bitmap; an image smaller than the view sits at the top left.
    FTopLeft.X = std::max(0, std::min(Minus(x, HalfW), Minus(Minus(HeldWidth(), HalfW), HalfW)));
    FTopLeft.Y = std::max(0, std::min(Minus(y, HalfH), Minus(Minus(HeldHeight(), HalfH), HalfH)));
    Paint();
}

void TGeoMap::ZoomFitPage()
{
    // Without an image there is no page to fit, and the ratios below would divide by zero.
    if (FMapImgWidth <= 0 || FMapImgHeight <= 0) return;
    FMagnify = ClampMagnification(FitMagnification(), true);
    SetTopLeft(TPoint{0, 0});
}

} // namespace tyx
