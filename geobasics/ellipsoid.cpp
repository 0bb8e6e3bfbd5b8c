// Ellipsoid quantities, geodetic <-> cartesian coordinates and the Helmert datum shift.
#include "geobasics/datum_table.h"
#include "geobasics/geo_internal.h"

#include <algorithm>
#include <cmath>

namespace tyx {

namespace detail {

namespace {

TEllipsoidConsts MakeConsts(const TGeoEllipsoidData& D)
{
    TEllipsoidConsts c{};
    const double a = D.SemiMajorAxis, b = D.SemiMinorAxis;
    c.A = a;
    c.B = b;
    c.E2 = 1 - (b * b) / (a * a);
    c.E = std::sqrt(std::fabs(c.E2));
    c.Ep2 = (a * a - b * b) / (b * b);
    c.F = (a == b) ? 0.0 : 1 - b / a;
    const double n = (a - b) / (a + b);
    const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n;
    c.N = n;
    c.A2OverB = a * a / b;
    c.Alpha = ((a + b) / 2) * (1 + n2 / 4 + n4 / 64);
    c.Beta = -3 * n / 2 + 9 * n3 / 16 - 3 * n5 / 32;
    c.Gamma = 15 * n2 / 16 - 15 * n4 / 32;
    c.Delta = -35 * n3 / 48 + 105 * n5 / 256;
    c.Epsilon = 315 * n4 / 512;
    c.BetaF = 3 * n / 2 - 27 * n3 / 32 + 269 * n5 / 512;
    c.GammaF = 21 * n2 / 16 - 55 * n4 / 32;
    c.DeltaF = 151 * n3 / 96 - 417 * n5 / 128;
    c.EpsilonF = 1097 * n4 / 512;
    c.UpsK = 0.994 * a * 2 / (std::sqrt(1 - c.E2) * std::exp(c.E * std::atanh(c.E)));
    return c;
}

} // namespace

TEllipsoidConstsTable::TEllipsoidConstsTable()
{
    for (int i = 0; i < GeoEllipsoidCount; ++i) Items[i] = MakeConsts(GeoEllipsoidData[i]);
}

} // namespace detail

namespace {

const char* const InvalidEccentricity = "invalid eccentricity";
const char* const InvalidRecipFlattening = "invalid reciprocal flattening";
const char* const InvalidSemiAxis = "invalid semi-axis";

} // namespace

// ---- Ellipsoid quantities ----

double GeoEllEccSquared(TGeoEllipsoid Ellipsoid) { return detail::EllipsoidConsts(Ellipsoid).E2; }

double GeoEllEccSquared(double Axis1, double Axis2)
{
    // A zero or negative axis would divide by zero or give a meaningless negative value.
    if (!(Axis1 > 0 && Axis2 > 0)) throw ETYXGeoBasicsError(InvalidSemiAxis);
    const double larger = std::max(Axis1, Axis2), smaller = std::min(Axis1, Axis2);
    const double q = smaller / larger;
    return 1 - q * q;
}

double GeoEllEccSquared(double RecipFlat)
{
    if (RecipFlat < 0) throw ETYXGeoBasicsError(InvalidRecipFlattening);
    if (RecipFlat == 0) return 0;
    const double f = 1 / RecipFlat;
    return 2 * f - f * f;
}

double RecipFlattening(TGeoEllipsoid Ellipsoid)
{
    const detail::TEllipsoidConsts& c = detail::EllipsoidConsts(Ellipsoid);
    return RecipFlattening(c.A, c.B);
}

double RecipFlattening(double SemiMajorAxis, double SemiMinorAxis)
{
    if (SemiMinorAxis == SemiMajorAxis) return 0;
    if (!(SemiMajorAxis > 0)) throw ETYXGeoBasicsError(InvalidSemiAxis);
    return 1 / (1 - SemiMinorAxis / SemiMajorAxis);
}

double RecipFlattening(double EccSquared)
{
    if (!(EccSquared >= 0 && EccSquared <= 1)) throw ETYXGeoBasicsError(InvalidEccentricity);
    if (EccSquared == 0) return 0;
    return 1 / (1 - std::sqrt(1 - EccSquared));
}

double EllipsoidMinAxFlat(double SemiMajorAxis, double RecipFlat)
{
    if (RecipFlat < 0) throw ETYXGeoBasicsError(InvalidRecipFlattening);
    if (RecipFlat == 0) return SemiMajorAxis;
    return SemiMajorAxis * (1 - 1 / RecipFlat);
}

double EllipsoidMinAxEcc(double SemiMajorAxis, double EccSquared)
{
    // Above 1 the semi-minor axis would be the root of a negative number.
    if (!(EccSquared >= 0 && EccSquared <= 1)) throw ETYXGeoBasicsError(InvalidEccentricity);
    return SemiMajorAxis * std::sqrt(1 - EccSquared);
}

// ---- Cartesian coordinates ----

void GeoToCartesian(double Latitude, double Longitude, double Height, TGeoEllipsoid Ellipsoid,
                    double& X, double& Y, double& Z)
{
    const detail::TEllipsoidConsts& c = detail::EllipsoidConsts(Ellipsoid);
    const double phi = Latitude * detail::DegToRad, lambda = Longitude * detail::DegToRad;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double n = c.A / std::sqrt(1 - c.E2 * sinPhi * sinPhi);
    const double r = (n + Height) * cosPhi;
    X = r * std::cos(lambda);
    Y = r * std::sin(lambda);
    Z = (n * (1 - c.E2) + Height) * sinPhi;
}

void CartesianToGeo(double X, double Y, double Z, TGeoEllipsoid Ellipsoid,
                    double& Latitude, double& Longitude, double& Height)
{
    const detail::TEllipsoidConsts& c = detail::EllipsoidConsts(Ellipsoid);
    const double p = std::sqrt(X * X + Y * Y);
    if (p == 0) {
        // On the polar axis the parametric latitude is undefined (Z/p); the pole itself is the answer.
        Latitude = Z < 0 ? -90.0 : 90.0;
        Longitude = 0;
        Height = std::fabs(Z) - c.B;
        return;
    }
    const double r = std::sqrt(p * p + Z * Z);
    const double oneMinusF = 1 - c.F;
    const double e2a = c.E2 * c.A;
    // sin and cos of u = arctan(tanU) and of phi come from their tangents, which saves two
    // trigonometric calls; both angles lie within +-90 degrees, so the cosines are positive.
    const double tanU = (Z / p) * (oneMinusF + e2a / r);
    const double cosU = 1 / std::sqrt(1 + tanU * tanU);
    const double sinU = tanU * cosU;
    const double tanPhi = (oneMinusF * Z + e2a * sinU * sinU * sinU) / (oneMinusF * (p - e2a * cosU * cosU * cosU));
    const double cosPhi = 1 / std::sqrt(1 + tanPhi * tanPhi);
    const double sinPhi = tanPhi * cosPhi;
    Latitude = std::atan(tanPhi) * detail::RadToDeg;
    Longitude = std::atan2(Y, X) * detail::RadToDeg;
    Height = p * cosPhi + Z * sinPhi - c.A * std::sqrt(1 - c.E2 * sinPhi * sinPhi);
}

// ---- Helmert datum shift ----

int HelmertTransform(int SourceDatum, double Latitude, double Longitude, double Height,
                     int TargetDatum, double& OutLatitude, double& OutLongitude, double& OutHeight)
{
    const TDatumData* s = GeoDatum(SourceDatum);
    const TDatumData* t = GeoDatum(TargetDatum);
    int status = 0;
    if (!s) status = -1;
    if (!t) status = -2;
    // A bad datum number stops here, so a -3 or -4 always means the outputs were written.
    if (status != 0) return status;
    // Written as "not inside" so that NaN coordinates are reported too.
    if (!(Latitude >= -90 && Latitude <= 90)) status = -3;
    if (!(Longitude >= -180 && Longitude <= 180)) status = -4;

    constexpr double ArcSecToRad = static_cast<double>(detail::PiL / 180 / 3600);
    double x, y, z;
    GeoToCartesian(Latitude, Longitude, Height, s->Ellipsoid, x, y, z);

    // Into WGS 1984 with the source parameters.
    double k = 1 + s->Scale * 1e-6;
    double rx = s->RotX * ArcSecToRad, ry = s->RotY * ArcSecToRad, rz = s->RotZ * ArcSecToRad;
    const double x1 = k * (x - y * rz + z * ry) + s->DeltaX;
    const double y1 = k * (x * rz + y - z * rx) + s->DeltaY;
    const double z1 = k * (-x * ry + y * rx + z) + s->DeltaZ;

    // Out of WGS 1984: the first-order inverse, every target parameter negated.
    k = 1 - t->Scale * 1e-6;
    rx = -t->RotX * ArcSecToRad;
    ry = -t->RotY * ArcSecToRad;
    rz = -t->RotZ * ArcSecToRad;
    const double x2 = k * (x1 - y1 * rz + z1 * ry) - t->DeltaX;
    const double y2 = k * (x1 * rz + y1 - z1 * rx) - t->DeltaY;
    const double z2 = k * (-x1 * ry + y1 * rx + z1) - t->DeltaZ;

    CartesianToGeo(x2, y2, z2, t->Ellipsoid, OutLatitude, OutLongitude, OutHeight);
    return status;
}

} // namespace tyx
