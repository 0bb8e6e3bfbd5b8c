// Internal to the map control: the coordinate reference systems that world files, .prj and
// .aux.xml files and GeoTIFFs may name, reduced to what a calibration holds. Geographic and UTM
// on WGS 84 are read, and the same on ETRS89, which the datum table gives a zero Helmert shift on
// the WGS 84 ellipsoid (the two differ by less than a metre): an ETRS89 map becomes a WGS 84
// calibration with the same numbers.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"

#include <string>

namespace tyx {

struct TMapCrs {
    TCalibModel Model = cmEquiRect; ///< cmEquiRect in degrees or cmUTM in metres
    int Zone = 0;                   ///< UTM zone 1 to 60
    bool South = false;             ///< UTM with the 10000000 m false northing
};

/// Geographic 4326 and 4258, UTM 32601..32660, 32701..32760 and 25828..25838; false for others.
bool CrsFromEpsg(int Code, TMapCrs& Crs);
/// Reads WKT 1 (OGC or ESRI) or WKT 2. False for any other CRS or unreadable text; Name then
/// gets what the text calls the CRS (its EPSG code when it has no name).
bool CrsFromWkt(const std::string& Text, TMapCrs& Crs, std::string& Name);
/// The CRS as ESRI WKT 1, for a .prj.
std::string CrsEsriWkt(const TMapCrs& Crs);
/// The CRS as OGC WKT 1 with its EPSG codes, for GDAL's .aux.xml.
std::string CrsOgcWkt(const TMapCrs& Crs);

} // namespace tyx
