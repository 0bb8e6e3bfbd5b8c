// GPS exchange files (GPX 1.1, and 1.0 which shares its waypoints, routes and tracks) for the
// database and the landmark list. Read with Qt's XML stream reader, so this unit needs Qt Core;
// the rest of geoio stays Qt-free.
//
// Waypoints become landmarks, their names the captions. Every track segment and every route
// becomes one open item of kind route (class 0 for a track, 1 for a route), its points in order;
// the segments of one track are one feature (they share their tag when stored). Paths that cross
// the antimeridian are cut there as the other readers cut them. Extensions and the other elements
// of the format are skipped.
#pragma once
#include "geoio.h"
#include "geomap/core/Tyx_geomaptypes.h"
#include "host/tyx_datetime.h"

#include <string>
#include <vector>

namespace tyx::geoio {

/// The class of an item read from a track, and from a route.
constexpr uint8_t GpxTrackClass = 0;
constexpr uint8_t GpxRouteClass = 1;

/// One waypoint as the file gives it.
struct TGpxWaypoint {
    std::string Name;    ///< UTF-8, control characters as blanks; may be empty
    double Latitude = 0; ///< degrees, -90..90
    double Longitude = 0; ///< degrees, -180..180
    double Elevation = 0; ///< metres; 0 when the file gives none
    TDateTime Time = 0;  ///< UTC; 0 when the file gives none
};

/// What a GPX file holds.
struct TGpxData {
    std::vector<TGpxWaypoint> Waypoints;
    std::vector<TGeoItem> Items; ///< tracks and routes, in the order of the file
};

/// True when the file name ends in ".gpx" (any case).
bool IsGpxFileName(const std::string& FileName);

/// Reads a GPX text; Source names it in messages. Options.Kind, when set, replaces route (a
/// polygon kind; town is refused). Throws EGeoIOError "<Source>:<line>:<column>: <what>" for
/// text that is not well-formed XML, a root other than gpx, a missing or bad lat or lon (out of
/// range included), or a bad ele or time. Stats counts paths of fewer than 2 points (left out),
/// cuts at the antimeridian and changed names.
TGpxData ReadGpxText(const std::string& Text, const std::string& Source, const TReadOptions& Options,
                     TReadStats& Stats);
/// The same from a file; EGeoIOError "<FileName>: cannot be read" when it cannot be opened.
TGpxData ReadGpxFile(const std::string& FileName, const TReadOptions& Options, TReadStats& Stats);

/// The landmark of a waypoint: Template with the waypoint's position, elevation as altitude,
/// time, and name as the caption (cut to 80 characters of Windows-1252).
TLandMark WaypointLandMark(const TGpxWaypoint& Waypoint, const TLandMark& Template);

} // namespace tyx::geoio
