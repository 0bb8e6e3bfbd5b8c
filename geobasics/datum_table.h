// The geodetic datums behind HelmertTransform's numbers. Private to the geodesy unit (and its
// tests and command-line listing): callers of the library name a datum only by its number.
#pragma once
#include "geobasics/Tyx_geobasics.h"

namespace tyx {

struct TDatumData {
    TShortString<33> Name;   ///< in capitals, "EUROPEAN DATUM 1950"
    TShortString<35> Region; ///< where this parameter set holds, "Spain NW"
    TGeoEllipsoid Ellipsoid;
    double DeltaX, DeltaY, DeltaZ; ///< translation towards WGS 1984, metres
    double Scale;                  ///< parts per million
    double RotX, RotY, RotZ;       ///< arc seconds
};

/// Record of datum Number (1 to DatumCount); nullptr outside that range.
const TDatumData* GeoDatum(int Number);

namespace detail {
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
} // namespace detail

} // namespace tyx
