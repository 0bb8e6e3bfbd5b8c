// TGeoMap: the view operations that callers use directly (magnification and its bounds,
// centring, fitting, keeping the view inside the image). The mouse's own view changes are in
// geomap_mouse.cpp.
#include "geomap/Tyx_geomap.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

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

/// The nearest int, saturated at the ends of its range (NaN gives 0).
int RoundSaturated(double Value)
{
    if (!(Value == Value)) return 0;
    return Round(std::clamp(Value, double(INT32_MIN), double(INT32_MAX)));
}

/// A longitude taken round by whole turns to lie within half a turn of Near, so that
/// neighbouring pixels across the antimeridian interpolate the short way.
double NearLongitude(double Long, double Near)
{
    return Long - 360 * std::round((Long - Near) / 360);
}

/// Pixels this far inside the int range convert without overflow at their neighbours.
bool PixelInRange(double v)
{
    return std::fabs(v) < double(INT32_MAX) - 2;
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
    if (!FFreeView) PanMapToFillWindow();
    Paint();
}

void TGeoMap::BringLocationToCenter(double Latitude, double Longitude)
{
    if (FFreeView) {
        CenterOnLatLong(Latitude, Longitude);
        return;
    }
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
    if (!FFreeView) {
        SetTopLeft(TPoint{0, 0});
        return;
    }
    // The grey the fit leaves is shared between both sides.
    SetTopLeft(TPoint{Round((FMapImgWidth - width() / FMagnify) / 2), Round((FMapImgHeight - height() / FMagnify) / 2)});
}

void TGeoMap::KeepCentreOnResize(const QSize& OldSize)
{
    if (!FFreeView || OldSize.width() < 0 || OldSize.height() < 0) return;
    // Each resize rounds TopLeft to whole pixels; the remainder is carried to the next resize,
    // so that dragging a window's edge does not walk the centre away.
    if (FTopLeft != FResizeTopLeft) FResizeCarryX = FResizeCarryY = 0;
    const double X = FTopLeft.X + FResizeCarryX + (OldSize.width() - width()) / FMagnify / 2;
    const double Y = FTopLeft.Y + FResizeCarryY + (OldSize.height() - height()) / FMagnify / 2;
    FTopLeft = TPoint{RoundSaturated(X), RoundSaturated(Y)};
    FResizeCarryX = X - FTopLeft.X;
    FResizeCarryY = Y - FTopLeft.Y;
    FResizeTopLeft = FTopLeft;
}

bool TGeoMap::CalcLatLong(double x, double y, double& Lat, double& Long) const
{
    if (!PixelInRange(x) || !PixelInRange(y)) return false;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    double SumLat = 0, SumLong = 0, First = 0;
    bool HaveFirst = false;
    for (const auto& [dx, dy] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{0, 1}, std::pair{1, 1}}) {
        const double w = (dx ? fx : 1 - fx) * (dy ? fy : 1 - fy);
        if (w == 0) continue;
        bool V1 = false, V2 = false;
        const double a = CalcLatitude(x0 + dx, y0 + dy, V1);
        double b = CalcLongitude(x0 + dx, y0 + dy, V2);
        if (!V1 || !V2) return false;
        if (!HaveFirst) {
            First = b;
            HaveFirst = true;
        }
        b = NearLongitude(b, First);
        SumLat += w * a;
        SumLong += w * b;
    }
    Lat = SumLat;
    Long = SumLong;
    return true;
}

bool TGeoMap::CalcMapPoint(double Lat, double Long, double& x, double& y) const
{
    int px = 0, py = 0;
    if (!CalcPixelCoords(Lat, Long, px, py)) return false;
    double X = px, Y = py;
    // Newton steps on the local gradient between whole pixels; exact for the affine models.
    for (int Step = 0; Step < 3 && PixelInRange(X) && PixelInRange(Y); ++Step) {
        double La = 0, Lo = 0, LaX = 0, LoX = 0, LaY = 0, LoY = 0;
        if (!CalcLatLong(X, Y, La, Lo) || !CalcLatLong(X + 1, Y, LaX, LoX) || !CalcLatLong(X, Y + 1, LaY, LoY)) break;
        const double a = LaX - La, b = LaY - La;
        const double c = NearLongitude(LoX, Lo) - Lo, d = NearLongitude(LoY, Lo) - Lo;
        const double Det = a * d - b * c;
        if (Det == 0 || !std::isfinite(Det)) break;
        const double dLat = Lat - La, dLong = NearLongitude(Long, Lo) - Lo;
        const double sx = (d * dLat - b * dLong) / Det, sy = (a * dLong - c * dLat) / Det;
        // A step beyond a pixel or two is a model that is not smooth here: keep the whole pixel.
        if (!(std::fabs(X + sx - px) <= 1.5 && std::fabs(Y + sy - py) <= 1.5)) break;
        X += sx;
        Y += sy;
        if (std::fabs(sx) < 1e-9 && std::fabs(sy) < 1e-9) break;
    }
    x = X;
    y = Y;
    return true;
}

bool TGeoMap::LocationAtControl(double X, double Y, double& Lat, double& Long) const
{
    return CalcLatLong(FTopLeft.X + X / FMagnify, FTopLeft.Y + Y / FMagnify, Lat, Long);
}

bool TGeoMap::PlaceLocationAt(double Lat, double Long, double X, double Y)
{
    double x = 0, y = 0;
    if (!CalcMapPoint(Lat, Long, x, y)) return false;
    FTopLeft = TPoint{RoundSaturated(x - X / FMagnify), RoundSaturated(y - Y / FMagnify)};
    Paint();
    return true;
}

bool TGeoMap::CenterOnLatLong(double Lat, double Long)
{
    return PlaceLocationAt(Lat, Long, width() / 2, height() / 2);
}

double TGeoMap::GroundResolutionAt(double Lat, double Long) const
{
    double x = 0, y = 0, Lat1 = 0, Long1 = 0, Lat2 = 0, Long2 = 0;
    // Ten pixels either way: long enough against rounding, short enough to be local.
    constexpr double Half = 10;
    if (!CalcMapPoint(Lat, Long, x, y) || !CalcLatLong(x - Half, y, Lat1, Long1) ||
        !CalcLatLong(x + Half, y, Lat2, Long2) || std::fabs(Lat1) > 90 || std::fabs(Lat2) > 90)
        return 0;
    const TGeoEllipsoidData& E = GeoEllipsoidData[CalibData().Ellipsoid];
    double Ground = 0;
    try {
        const GeographicLib::Geodesic Geod(E.SemiMajorAxis, 1 - E.SemiMinorAxis / E.SemiMajorAxis);
        Geod.Inverse(Lat1, Long1, Lat2, Long2, Ground);
    } catch (const GeographicLib::GeographicErr&) {
        return 0;
    }
    const double PerPixel = Ground / (2 * Half);
    return PerPixel > 0 && std::isfinite(PerPixel) ? PerPixel : 0;
}

} // namespace tyx
