// Transverse Mercator (short series in the third flattening), UTM zones and bands, and UPS.
// The series are evaluated in double precision: each conversion needs one sine/cosine pair per
// angle, the multiple-angle terms following from the double-angle formulas.
#include "geobasics/geo_internal.h"
#include "support/Tyx_univconst.h"

#include <cmath>

namespace tyx {

namespace {

using detail::TEllipsoidConsts;

constexpr double UTMScale = 0.9996;
constexpr double UTMFalseEasting = 500000;
constexpr double UTMFalseNorthingSouth = 10000000;
constexpr double UPSFalseOrigin = 2000000;

// Kept in extended precision: its square root underflows to 0 as a double.
const long double UPSTolerance = 0.1L * std::sqrt(uc_MinDouble);

// Base + b*sin 2z + c*sin 4z + d*sin 6z + e*sin 8z, from sin z and cos z.
inline double MultipleAngleSeries(double Base, double SinZ, double CosZ, double B, double C, double D, double E)
{
    const double s2 = 2 * SinZ * CosZ, c2 = CosZ * CosZ - SinZ * SinZ;
    const double s4 = 2 * s2 * c2, c4 = c2 * c2 - s2 * s2;
    const double s6 = s4 * c2 + c4 * s2;
    const double s8 = 2 * s4 * c4;
    return Base + B * s2 + C * s4 + D * s6 + E * s8;
}

inline double ArcLength(const TEllipsoidConsts& c, double Phi, double SinPhi, double CosPhi)
{
    return c.Alpha * MultipleAngleSeries(Phi, SinPhi, CosPhi, c.Beta, c.Gamma, c.Delta, c.Epsilon);
}

void ForwardTM(const TEllipsoidConsts& c, double Phi, double L, double& X, double& Y)
{
    const double sinPhi = std::sin(Phi), cosPhi = std::cos(Phi);
    const double nu2 = c.Ep2 * cosPhi * cosPhi;
    const double n = c.A2OverB / std::sqrt(1 + nu2);
    const double t = sinPhi / cosPhi;
    const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    const double c3 = 1 - t2 + nu2;
    const double c4 = 5 - t2 + 9 * nu2 + 4 * nu2 * nu2;
    const double c5 = 5 - 18 * t2 + t4 + 14 * nu2 - 58 * t2 * nu2;
    const double c6 = 61 - 58 * t2 + t4 + 270 * nu2 - 330 * t2 * nu2;
    const double c7 = 61 - 479 * t2 + 179 * t4 - t6;
    const double c8 = 1385 - 3111 * t2 + 543 * t4 - t6;
    // Every term carries (cos(phi) * l) to the power of its order.
    const double u = cosPhi * L, u2 = u * u, u4 = u2 * u2, u6 = u4 * u2;
    X = n * u * (1 + u2 / 6 * c3 + u4 / 120 * c5 + u6 / 5040 * c7);
    Y = ArcLength(c, Phi, sinPhi, cosPhi) + t * n * u2 * (0.5 + u2 / 24 * c4 + u4 / 720 * c6 + u6 / 40320 * c8);
}

void InverseTM(const TEllipsoidConsts& c, double X, double Y, double Lambda0, double& Phi, double& Lambda)
{
    const double yp = Y / c.Alpha;
    const double phiF = MultipleAngleSeries(yp, std::sin(yp), std::cos(yp), c.BetaF, c.GammaF, c.DeltaF, c.EpsilonF);
    const double sf = std::sin(phiF), cf = std::cos(phiF);
    const double nuf2 = c.Ep2 * cf * cf;
    const double nf = c.A2OverB / std::sqrt(1 + nuf2);
    const double tf = sf / cf;
    const double tf2 = tf * tf, tf4 = tf2 * tf2, tf6 = tf4 * tf2;
    const double p2 = -1 - nuf2;
    const double p3 = -1 - 2 * tf2 - nuf2;
    const double p4 = 5 + 3 * tf2 + 6 * nuf2 - 6 * tf2 * nuf2 - 3 * nuf2 * nuf2 - 9 * tf2 * nuf2 * nuf2;
    const double p5 = 5 + 28 * tf2 + 24 * tf4 + 6 * nuf2 + 8 * tf2 * nuf2;
    const double p6 = -61 - 90 * tf2 - 45 * tf4 - 107 * nuf2 + 162 * tf2 * nuf2;
    const double p7 = -61 - 662 * tf2 - 1320 * tf4 - 720 * tf6;
    const double p8 = 1385 + 3633 * tf2 + 4095 * tf4 + 1575 * tf6;
    // The fractions f1..f8 are 1/k! times powers of 1/Nf; q = x/Nf folds them together.
    const double q = X / nf, q2 = q * q, q4 = q2 * q2, q6 = q4 * q2;
    Phi = phiF + tf * q2 * (p2 / 2 + q2 * p4 / 24 + q4 * p6 / 720 + q6 * p8 / 40320);
    Lambda = Lambda0 + (q / cf) * (1 + q2 * p3 / 6 + q4 * p5 / 120 + q6 * p7 / 5040);
}

} // namespace

// ---- Zones ----

void GeoToUTMZone(double Latitude, double Longitude, int& Zone, char& Letter)
{
    Zone = 0;
    Letter = ' ';
    // Written as "not inside" so that NaN falls outside too.
    if (!(Latitude >= -80 && Latitude <= 84 && Longitude >= -180 && Longitude < 180)) return;
    int i = static_cast<int>(std::floor(Latitude + 80)) / 8;
    if (i >= 6) ++i;  // no band I
    if (i >= 12) ++i; // no band O
    if (i >= 21) i = 21; // band X reaches up to 84
    Letter = static_cast<char>('C' + i);
    Zone = static_cast<int>(std::floor((Longitude + 180) / 6)) + 1;
    if (Letter == 'V' && Longitude >= 3 && Longitude < 12) Zone = 32;
    if (Letter == 'X' && Longitude >= 0 && Longitude < 42)
        Zone = static_cast<int>(std::floor((Longitude + 3) / 12)) * 2 + 31;
}

std::string GeoToUTMZone(double Latitude, double Longitude)
{
    int zone;
    char letter;
    GeoToUTMZone(Latitude, Longitude, zone, letter);
    if (zone == 0) return {};
    return std::to_string(zone) + letter;
}

double UTMCentralMeridian(int Zone)
{
    if (Zone < 1 || Zone > 60) return 0;
    return (6.0 * Zone - 183) * detail::DegToRad;
}

// ---- Transverse Mercator ----

double ArcLengthOfMeridian(double Phi, TGeoEllipsoid Ellipsoid)
{
    return ArcLength(detail::EllipsoidConsts(Ellipsoid), Phi, std::sin(Phi), std::cos(Phi));
}

void LatLongToTM(double Phi, double Lambda, double Lambda0, TGeoEllipsoid Ellipsoid, double& X, double& Y)
{
    ForwardTM(detail::EllipsoidConsts(Ellipsoid), Phi, Lambda - Lambda0, X, Y);
}

void TMToLatLong(double X, double Y, double Lambda0, TGeoEllipsoid Ellipsoid, double& Phi, double& Lambda)
{
    InverseTM(detail::EllipsoidConsts(Ellipsoid), X, Y, Lambda0, Phi, Lambda);
}

// ---- UTM ----

void LatLongToUTM(double Latitude, double Longitude, TGeoEllipsoid Ellipsoid,
                  int& Zone, double& Easting, double& Northing)
{
    char letter;
    GeoToUTMZone(Latitude, Longitude, Zone, letter);
    double x, y;
    ForwardTM(detail::EllipsoidConsts(Ellipsoid), Latitude * detail::DegToRad,
              Longitude * detail::DegToRad - UTMCentralMeridian(Zone), x, y);
    Easting = UTMScale * x + UTMFalseEasting;
    Northing = UTMScale * y;
    if (Northing < 0) Northing += UTMFalseNorthingSouth;
}

void UTMToLatLong(double Easting, double Northing, int Zone, bool South, TGeoEllipsoid Ellipsoid,
                  double& Latitude, double& Longitude)
{
    const double x = (Easting - UTMFalseEasting) / UTMScale;
    if (South) Northing -= UTMFalseNorthingSouth;
    const double y = Northing / UTMScale;
    double phi, lambda;
    InverseTM(detail::EllipsoidConsts(Ellipsoid), x, y, UTMCentralMeridian(Zone), phi, lambda);
    Latitude = phi * detail::RadToDeg;
    Longitude = lambda * detail::RadToDeg;
}

// ---- UPS ----

void LatLongToUPS(double Latitude, double Longitude, TGeoEllipsoid Ellipsoid, double& X, double& Y)
{
    const TEllipsoidConsts& c = detail::EllipsoidConsts(Ellipsoid);
    const bool north = Latitude >= 0;
    const double chi = (north ? 90 - Latitude : 90 + Latitude) * detail::DegToRad;
    const double rho = c.UpsK * std::tan(chi / 2) * std::exp(c.E * std::atanh(c.E * std::cos(chi)));
    if (Longitude >= 180)
        Longitude -= 360;
    else if (Longitude < -180)
        Longitude += 360;
    const double lambda = Longitude * detail::DegToRad;
    // The sine and cosine of a rounded pi or pi/2 are tiny, not zero; the axes must stay exact.
    X = (Longitude == -180) ? 0.0 : rho * std::sin(lambda);
    Y = (Longitude == 90 || Longitude == -90) ? 0.0 : rho * std::cos(lambda);
    if (north) Y = -Y;
    X += UPSFalseOrigin;
    Y += UPSFalseOrigin;
}

void UPSToLatLong(double X, double Y, bool South, TGeoEllipsoid Ellipsoid, double& Latitude, double& Longitude)
{
    const TEllipsoidConsts& c = detail::EllipsoidConsts(Ellipsoid);
    const double xp = X - UPSFalseOrigin, yp = Y - UPSFalseOrigin;
    const double rho = std::sqrt(xp * xp + yp * yp);
    const double t = rho * 2 / c.UpsK;
    double chi = 2 * std::atan(t / 2);
    for (int step = 0; step < 6; ++step) {
        const double cosChi = std::cos(chi), cosHalf = std::cos(chi / 2);
        const double e = std::exp(c.E * std::atanh(c.E * cosChi));
        const double f = 2 * std::tan(chi / 2) * e - t;
        const double fp = (1 - c.E2) * e / (cosHalf * cosHalf * (1 - c.E2 * cosChi * cosChi));
        const double delta = -f / fp;
        chi += delta;
        if (std::fabs(static_cast<long double>(delta)) < UPSTolerance) break;
    }
    Latitude = 90 - chi * detail::RadToDeg;
    if (South) Latitude = -Latitude;
    // 0 - yp rather than -yp: at the pole itself yp is +0, and atan2(0, -0) would give 180.
    Longitude = (South ? std::atan2(xp, yp) : std::atan2(xp, 0.0 - yp)) * detail::RadToDeg;
}

} // namespace tyx
