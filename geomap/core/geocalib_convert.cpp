// TGeoCalibration: conversions between map-image pixels and geographic or UTM coordinates under
// the fitted model, the view conversions, and the inside test of the image corners.
#include "geomap/core/Tyx_geocalib.h"

#include "geomap/core/geocalib_internal.h"
#include "host/tyx_rounding.h"
#include "support/Tyx_matrix.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace tyx {

namespace {

constexpr long double Pi = 3.1415926535897932385L;
constexpr long double PiQuarter = 0.78539816339744830963L;
constexpr long double MillerLatFactor = 143.2394487827058022L; // 180 / (0.4 * pi)
constexpr double NoDistance = 1e20;
constexpr double UTMScale = 0.9996;
constexpr double UTMFalseEasting = 500000.0;
constexpr double UTMFalseNorthingSouth = 10000000.0;

// The two rows nearest to some value, by a distance that the caller computes per row. When a
// row becomes the nearest, the former nearest moves to second place; ties keep the earlier row.
struct TNearestTwo {
    int F = 0, D = 0; // rows, 0 for none
    double DistF = NoDistance, DistD = NoDistance;
    void Offer(int Row, double Dist)
    {
        if (Dist < DistF) {
            D = F;
            DistD = DistF;
            F = Row;
            DistF = Dist;
        } else if (Dist < DistD) {
            D = Row;
            DistD = Dist;
        }
    }
    bool Complete() const { return F != 0 && D != 0; }
};

// Rows of the graticule matrix whose kind, rounded, is 1 (parallels) and 0 (meridians).
void CountGratKinds(const TMatrix& M, int& Parallels, int& Meridians)
{
    Parallels = Meridians = 0;
    for (int k = 1; k <= M.NumRows(); ++k) {
        const int Kind = Round(M.GetVal(1, k));
        if (Kind == 1) ++Parallels;
        else if (Kind == 0) ++Meridians;
    }
}

double Parabola(const TMatrix& M, int Row, double t, double tSquared)
{
    return M.GetVal(3, Row) + M.GetVal(4, Row) * t + M.GetVal(5, Row) * tSquared;
}

// Interpolates one graticule-line coefficient linearly in the line value.
double InterpolateCoef(const TMatrix& M, int Col, const TNearestTwo& N, double Value)
{
    const double cF = M.GetVal(Col, N.F), cD = M.GetVal(Col, N.D);
    const double LF = M.GetVal(2, N.F), LD = M.GetVal(2, N.D);
    return (cF - cD) * (Value - LD) / (LF - LD) + cD;
}

// Row of an affine model: c1 + c2 a + c3 b.
double Affine(const TParMatrix<2, 3>& c, int Row, double a, double b)
{
    return c(Row, 1) + c(Row, 2) * a + c(Row, 3) * b;
}

// Row of a biquadratic model: c1 + c2 a + c3 b + c4 aa + c5 a b + c6 bb, the squares given.
double Biquadratic(const TParMatrix<2, 6>& c, int Row, double a, double b, double aa, double bb)
{
    return c(Row, 1) + c(Row, 2) * a + c(Row, 3) * b + c(Row, 4) * aa + c(Row, 5) * a * b + c(Row, 6) * bb;
}

// Whether a pixel coordinate fits an int; a position far off the fit's range, or one that is not
// a number, has no pixel.
bool FitsPixel(long double v)
{
    return std::fabs(v) < static_cast<long double>(std::numeric_limits<int>::max());
}

// Rounds both coordinates into x and y, or leaves them untouched and gives false when either
// does not fit.
bool StorePixel(long double px, long double py, int& x, int& y)
{
    if (!FitsPixel(px) || !FitsPixel(py)) return false;
    x = Round(px);
    y = Round(py);
    return true;
}

int SaturatingAdd(int a, int b)
{
    const int64_t s = int64_t(a) + b;
    return static_cast<int>(std::clamp<int64_t>(s, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

// Interpolates between the two graticule lines of one kind nearest to a pixel. Each line of
// that kind is a parabola Along -> Across; the result is the line value at Across.
// Parallels: Along = x, Across = y, giving the latitude; meridians the other way round.
double TGeoCalibration::ParabolicInterpolation(double Kind, int Along, int Across, bool& Valid) const
{
    const TMatrix& M = *FGratMat;
    int Parallels = 0, Meridians = 0;
    CountGratKinds(M, Parallels, Meridians);
    if (Parallels < 2 || Meridians < 2) return 0;
    const double t = Along, tt = Mul32(Along, Along);
    TNearestTwo N;
    for (int k = 1; k <= M.NumRows(); ++k)
        if (M.GetVal(1, k) == Kind) N.Offer(k, std::fabs(Across - Parabola(M, k, t, tt)));
    if (!N.Complete()) return 0;
    const double aF = Parabola(M, N.F, t, tt), aD = Parabola(M, N.D, t, tt);
    // Two lines that cross here give no interpolation.
    if (aF == aD) return 0;
    const double LF = M.GetVal(2, N.F), LD = M.GetVal(2, N.D);
    Valid = true;
    return (LF - LD) * (Across - aD) / (aF - aD) + LD;
}

// Latitude and longitude of a pixel under cmUTM: the affine fit gives northing and easting.
void TGeoCalibration::UTMPixelPosition(int x, int y, double& Lat, double& Long) const
{
    const double N = Affine(FEquRectPLSP, 1, x, y), E = Affine(FEquRectPLSP, 2, x, y);
    UTMToLatLong(E, N, FCalibData.UTMZone, FCalibData.UTMSouth, FCalibData.Ellipsoid, Lat, Long);
}

double TGeoCalibration::CalcLatitude(int x, int y, bool& Valid) const
{
    const double Lat = ModelLatitude(x, y, Valid);
    // Beyond a pole is no position, however far a fit extrapolates; the tolerance (about 0.1 mm)
    // keeps the pole row of a world map, which the fit puts a rounding error beyond it.
    if (Valid && !(std::fabs(Lat) <= 90 + 1e-9)) {
        Valid = false;
        return 0;
    }
    return Lat;
}

double TGeoCalibration::CalcLongitude(int x, int y, bool& Valid) const
{
    const double Long = ModelLongitude(x, y, Valid);
    if (Valid && !std::isfinite(Long)) {
        Valid = false;
        return 0;
    }
    return Long;
}

double TGeoCalibration::ModelLatitude(int x, int y, bool& Valid) const
{
    Valid = false;
    switch (FCalibModel) {
    case cmParabolicIp:
        return ParabolicInterpolation(1, x, y, Valid);
    case cmBiquadraticPn:
        Valid = true;
        return Biquadratic(FCalParsPLSP, 1, x, y, Mul32(x, x), Mul32(y, y));
    case cmConicConformal: {
        const double dx = x - FConicPars(1, 1), dy = y - FConicPars(1, 2);
        Valid = true;
        return std::sqrt(dx * dx + dy * dy) * FConicPars(1, 3) + FConicPars(1, 4);
    }
    case cmMillerCylindrical: {
        const double Slope = FMillercylPar(1, 1);
        if (Slope == 0) return 0;
        Valid = true;
        return static_cast<double>(
            (std::atan(std::exp(static_cast<long double>((y - FMillercylPar(1, 2)) / Slope))) - PiQuarter) *
            MillerLatFactor);
    }
    case cmEquiRect:
        Valid = true;
        return Affine(FEquRectPLSP, 1, x, y);
    case cmUTM: {
        double Lat = 0, Long = 0;
        UTMPixelPosition(x, y, Lat, Long);
        Valid = true;
        return Lat;
    }
    case cmUndefined:
        break;
    }
    return 0;
}

double TGeoCalibration::ModelLongitude(int x, int y, bool& Valid) const
{
    Valid = false;
    switch (FCalibModel) {
    case cmParabolicIp:
        return ParabolicInterpolation(0, y, x, Valid);
    case cmBiquadraticPn:
        Valid = true;
        return Biquadratic(FCalParsPLSP, 2, x, y, Mul32(x, x), Mul32(y, y));
    case cmConicConformal: {
        const double dx = x - FConicPars(1, 1), dy = y - FConicPars(1, 2);
        double Theta = 0;
        if (dy != 0) {
            Theta = std::atan(dx / dy);
        } else {
            // On the apex row the angle is the limit of the arctangent; at the apex itself the
            // angle is undefined.
            if (dx == 0) return 0;
            Theta = std::copysign(static_cast<double>(Pi / 2), dx);
        }
        Valid = true;
        return Theta * FConicPars(1, 5) + FConicPars(1, 6);
    }
    case cmMillerCylindrical: {
        const double Slope = FMillercylPar(2, 1);
        if (Slope == 0) return 0;
        Valid = true;
        return static_cast<double>((x - FMillercylPar(2, 2)) / Slope / Pi * 180.0L);
    }
    case cmEquiRect:
        Valid = true;
        return Affine(FEquRectPLSP, 2, x, y);
    case cmUTM: {
        double Lat = 0, Long = 0;
        UTMPixelPosition(x, y, Lat, Long);
        Valid = true;
        return Long;
    }
    case cmUndefined:
        break;
    }
    return 0;
}

bool TGeoCalibration::ParabolicPixel(double Lat, double Long, long double& px, long double& py, bool& Sound) const
{
    const TMatrix& M = *FGratMat;
    if (M.NumRows() < 4) return false;
    TNearestTwo Mer, Par;
    for (int k = 1; k <= M.NumRows(); ++k) {
        const double Kind = M.GetVal(1, k), Value = M.GetVal(2, k);
        if (Kind == 0) Mer.Offer(k, std::fabs(Long - Value));
        else if (Kind == 1) Par.Offer(k, std::fabs(Lat - Value));
    }
    // Without two distinct lines of each kind there is nothing to interpolate between.
    if (!Mer.Complete() || !Par.Complete()) return false;
    if (M.GetVal(2, Mer.F) == M.GetVal(2, Mer.D) || M.GetVal(2, Par.F) == M.GetVal(2, Par.D)) return false;
    const double ap = InterpolateCoef(M, 3, Par, Lat), bp = InterpolateCoef(M, 4, Par, Lat),
                 cp = InterpolateCoef(M, 5, Par, Lat);
    const double am = InterpolateCoef(M, 3, Mer, Long), bm = InterpolateCoef(M, 4, Mer, Long),
                 cm = InterpolateCoef(M, 5, Mer, Long);
    double x = 500, y = 0;
    for (int Pass = 0; Pass < 15; ++Pass) {
        y = ap + bp * x + cp * x * x;
        x = am + bm * y + cm * y * y;
        if (std::fabs(x) > 50000 && std::fabs(y) > 50000) {
            Sound = false;
            break;
        }
    }
    px = x;
    py = y;
    return true;
}

bool TGeoCalibration::ModelPixel(double Lat, double Long, long double& px, long double& py, bool& Sound,
                                 bool WholeConicRow) const
{
    switch (FCalibModel) {
    case cmParabolicIp:
        return ParabolicPixel(Lat, Long, px, py, Sound);
    case cmBiquadraticPn:
        px = Biquadratic(FCalParsSPPL, 1, Lat, Long, Lat * Lat, Long * Long);
        py = Biquadratic(FCalParsSPPL, 2, Lat, Long, Lat * Lat, Long * Long);
        return true;
    case cmConicConformal: {
        const double P1 = FConicPars(1, 1), P2 = FConicPars(1, 2), P3 = FConicPars(1, 3), P4 = FConicPars(1, 4),
                     P5 = FConicPars(1, 5), P6 = FConicPars(1, 6);
        if (P3 == 0 || P5 == 0) {
            px = py = 0;
            return true;
        }
        const double t = std::tan((Long - P6) / P5);
        const double s = std::sqrt(t * t + 1);
        const double r = (Lat - P4) / P3;
        const double Row = FConicMapBelowApex ? P2 + r / s : P2 - r / s;
        if (!FitsPixel(Row)) return false;
        // Whole pixels take the column on the row as rounded.
        py = WholeConicRow ? Round(Row) : Row;
        px = t * (py - P2) + P1;
        return true;
    }
    case cmMillerCylindrical: {
        const long double LongRad = Long / 180.0L * Pi;
        const long double Ordinate = std::log(std::tan(Lat / 180.0L * Pi * 0.4L + PiQuarter));
        px = LongRad * FMillercylPar(2, 1) + FMillercylPar(2, 2);
        py = Ordinate * FMillercylPar(1, 1) + FMillercylPar(1, 2);
        return true;
    }
    case cmEquiRect:
        px = Affine(FEquRectSPPL, 1, Lat, Long);
        py = Affine(FEquRectSPPL, 2, Lat, Long);
        return true;
    case cmUTM: {
        double N = 0, E = 0;
        CalcUTMCoords(Lat, Long, N, E);
        px = Affine(FEquRectSPPL, 1, N, E);
        py = Affine(FEquRectSPPL, 2, N, E);
        return true;
    }
    case cmUndefined:
        break;
    }
    return false;
}

bool TGeoCalibration::CalcPixelCoords(double Lat, double Long, int& x, int& y) const
{
    if (!std::isfinite(Lat) || !std::isfinite(Long)) return false;
    long double px = 0, py = 0;
    bool Sound = true;
    if (!ModelPixel(Lat, Long, px, py, Sound, true)) return false;
    return StorePixel(px, py, x, y) && Sound;
}

bool TGeoCalibration::CalcPixelCoords(double Lat, double Long, double& x, double& y) const
{
    if (!std::isfinite(Lat) || !std::isfinite(Long)) return false;
    long double px = 0, py = 0;
    bool Sound = true;
    if (!ModelPixel(Lat, Long, px, py, Sound, false) || !Sound || !std::isfinite(px) || !std::isfinite(py))
        return false;
    x = static_cast<double>(px);
    y = static_cast<double>(py);
    return true;
}

void TGeoCalibration::CalcUTMCoords(double Lat, double Long, double& Northing, double& Easting) const
{
    const int Zone = FCalibData.UTMZone;
    if (Zone >= 1 && Zone <= 60) {
        // Project in the calibration's own zone and hemisphere, so that positions across a
        // zone boundary or the equator continue the map's grid instead of jumping to another.
        double TMx = 0, TMy = 0;
        LatLongToTM(static_cast<double>(Lat * Pi / 180.0L), static_cast<double>(Long * Pi / 180.0L),
                    UTMCentralMeridian(Zone), FCalibData.Ellipsoid, TMx, TMy);
        Easting = UTMScale * TMx + UTMFalseEasting;
        Northing = UTMScale * TMy + (FCalibData.UTMSouth ? UTMFalseNorthingSouth : 0.0);
    } else {
        int OwnZone = 0;
        LatLongToUTM(Lat, Long, FCalibData.Ellipsoid, OwnZone, Easting, Northing);
    }
}

bool TGeoCalibration::CalcPixelCoordsUTM(double Northing, double Easting, int& x, int& y) const
{
    if (FCalibModel != cmUTM) {
        x = 0;
        y = 0;
        return false;
    }
    return StorePixel(Affine(FEquRectSPPL, 1, Northing, Easting), Affine(FEquRectSPPL, 2, Northing, Easting), x, y);
}

int TGeoCalibration::CalcUTMyFromNorthingX(double Northing, int x) const
{
    const double E = (x - FEquRectSPPL(1, 1) - FEquRectSPPL(1, 2) * Northing) / FEquRectSPPL(1, 3);
    return Round(Affine(FEquRectSPPL, 2, Northing, E));
}

int TGeoCalibration::CalcUTMxFromEastingY(double Easting, int y) const
{
    const double N = (y - FEquRectSPPL(2, 1) - FEquRectSPPL(2, 3) * Easting) / FEquRectSPPL(2, 2);
    return Round(Affine(FEquRectSPPL, 1, N, Easting));
}

bool TGeoCalibration::IsPositionWithinMap(double Latit, double Longit) const
{
    return PositionInMap(Latit, Longit, FCalibData.Corners);
}

TPoint TGeoCalibration::ControlToMapImage(const TPoint& APoint, double Magnification, const TPoint& TopLeft)
{
    return TPoint{SaturatingAdd(Round(APoint.X / Magnification), TopLeft.X),
                  SaturatingAdd(Round(APoint.Y / Magnification), TopLeft.Y)};
}

TPoint TGeoCalibration::MapImageToControl(const TPoint& APoint, double Magnification, const TPoint& TopLeft)
{
    return TPoint{Round((double(APoint.X) - TopLeft.X) * Magnification),
                  Round((double(APoint.Y) - TopLeft.Y) * Magnification)};
}

} // namespace tyx
