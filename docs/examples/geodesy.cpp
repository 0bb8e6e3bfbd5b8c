// Example of the geodesy overview page: UTM both ways and a datum shift.
#include "docs/examples/examples.h"

#include "geobasics/Tyx_geobasics.h"

namespace tyx::examples {

std::string UtmOfMunich()
{
    //! [utm]
    int Zone = 0;
    double Easting = 0, Northing = 0;
    LatLongToUTM(48.137, 11.575, gelWGS84, Zone, Easting, Northing); // zone 32, metres
    double Lat = 0, Long = 0;
    UTMToLatLong(Easting, Northing, Zone, false, gelWGS84, Lat, Long); // back to degrees

    // Datums by number, 1 to DatumCount; 0 is success.
    double OutLat = 0, OutLong = 0, OutHeight = 0;
    const int Result = HelmertTransform(DatumWGS84, Lat, Long, 519, DatumWGS84, OutLat, OutLong, OutHeight);
    //! [utm]
    return Result == 0 ? GeoToUTMZone(OutLat, OutLong) : std::string();
}

} // namespace tyx::examples
