// The geodetic datums behind HelmertTransform's numbers. Private to the geodesy unit (and its
// tests and command-line listing): callers of the library name a datum only by its number.
#pragma once
#include "geobasics/geo_internal.h"

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

} // namespace tyx
