// Pieces shared by the geodesy unit's sources: the quantities derived once per table ellipsoid (so
// that a conversion does not recompute its series coefficients on every call) and the compile-time
// short strings of the constant tables.
#pragma once
#include "geobasics/Tyx_geobasics.h"

namespace tyx::detail {

inline constexpr long double PiL = 3.141592653589793238462643383279502884L;
inline constexpr double Pi = static_cast<double>(PiL);
inline constexpr double DegToRad = static_cast<double>(PiL / 180);
inline constexpr double RadToDeg = static_cast<double>(180 / PiL);

struct TEllipsoidConsts {
    double A, B;
    double E2;       // 1 - (b/a)^2
    double E;        // sqrt(|e^2|)
    double Ep2;      // (a^2 - b^2) / b^2
    double F;        // flattening; 0 for a sphere
    double N;        // third flattening (a - b) / (a + b)
    double A2OverB;  // a^2 / b, the polar radius of curvature
    // Meridian arc and footpoint latitude series.
    double Alpha, Beta, Gamma, Delta, Epsilon;
    double BetaF, GammaF, DeltaF, EpsilonF;
    // UPS: 0.994 * a * 2 / (sqrt(1 - e^2) * exp(e * artanh e)).
    double UpsK;
};

/// The constants of every table ellipsoid, in enumeration order.
struct TEllipsoidConstsTable {
    TEllipsoidConsts Items[GeoEllipsoidCount];
    TEllipsoidConstsTable();
};

/// Constants of one table ellipsoid. Built on first use, so it is safe even from another unit's
/// static initialisation; inline, so a conversion pays only the guard test.
inline const TEllipsoidConsts& EllipsoidConsts(TGeoEllipsoid Ellipsoid)
{
    static const TEllipsoidConstsTable Table;
    // An out-of-range value (a cast from a bad integer) must not read beyond the table.
    return Table.Items[Ellipsoid < GeoEllipsoidCount ? Ellipsoid : gelWGS84];
}

/// Builds a short string from ASCII text at compile time, so the tables need no start-up code.
template <std::size_t N>
constexpr TShortString<N> ShortAscii(const char* Text)
{
    TShortString<N> s;
    std::size_t n = 0;
    while (Text[n] != '\0' && n < N) {
        s.Data[n] = Text[n];
        ++n;
    }
    s.Len = static_cast<uint8_t>(n);
    return s;
}

} // namespace tyx::detail
