// GPS files in the viewer: the waypoints of a GPX file join the map's landmarks, with their names
// as captions, in a style and class of their own so that they stand apart from the towns.
#pragma once
#include "geoio.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tyx {
class TGeoMap;
}

namespace tyx::viewer {

/// The landmark class of waypoints: below the town classes (1 to 4), so that they are always
/// shown and their captions placed first.
constexpr uint8_t WaypointClass = 0;

/// What a GPX file brought.
struct TGpxContent {
    int Waypoints = 0;                   ///< landmarks added
    std::vector<geoio::TGeoItem> Paths;  ///< its tracks and routes, as route items
};

/// Reads the GPX file and adds its waypoints to the map's landmarks (class WaypointClass, a
/// purple triangle, the name as caption); returns what it held. Throws geoio::EGeoIOError (file,
/// line and column) and adds nothing when the file cannot be read.
TGpxContent AddGpxFile(TGeoMap& Map, const QString& FileName);

} // namespace tyx::viewer
