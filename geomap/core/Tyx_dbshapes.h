// Tyx_dbshapes: the Qt-free geometry behind drawing database items on a calibrated map. It picks
// the database items a view shows (box queries on the view's lat/long extent, found through the
// calibration under any model, in windows of longitude so that a view across the antimeridian
// finds the items on both sides), thins their points to the resolution drawn, and tells which
// items lie under a pixel (the identify click). Pixels here are real numbers: a point converts to
// fractional map-image pixels and from there to fractional control pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "geodb/Tyx_GeoDB.h"
#include "geomap/core/Tyx_geocalib.h"
#include "host/tyx_types.h"

namespace tyx {

/// The StateFlag with which an importer marks a ring that is a hole in the area of the ring of
/// the same feature (same Tag, kind and name) before it.
inline constexpr int gdbHoleStateFlag = 1;

/// The class of the border items that outline land whose coasts other borders (the countries')
/// draw already: the layer fills them only when a host asks, and strokes them never by default.
inline constexpr uint8_t gdbLandOutlineClass = 255;

/// A point in a pixel plane (map-image or control pixels), real valued.
struct TPixelF {
    double X = 0; ///< pixels to the right
    double Y = 0; ///< pixels down
};
/// A line or ring of pixel points.
using TPixelPath = std::vector<TPixelF>;

/// One box query of a view: items whose boxes meet the box are drawn with Shift degrees added to
/// their longitudes (0, or +-360 for the part of a view beyond the antimeridian).
struct TDBQueryBox {
    double LatLow = 0;   ///< southern edge, degrees, -90..90
    double LatHigh = 0;  ///< northern edge, degrees
    double LongLow = 0;  ///< western edge, degrees, -180..180
    double LongHigh = 0; ///< eastern edge, degrees
    double Shift = 0;    ///< degrees added to the items' longitudes
};

/// The view of a map control in map-image pixels: W x H control pixels whose top-left shows
/// map-image pixel TopLeft, at Magnification control pixels per map-image pixel.
struct TMapView {
    double Magnification = 1; ///< control pixels per map-image pixel, > 0
    TPoint TopLeft;           ///< map-image pixel at control pixel (0, 0)
    int W = 0;                ///< width, control pixels
    int H = 0;                ///< height, control pixels
};

/// The boxes to query for View under Calib: its lat/long extent (taken round its edges, with a
/// margin, whole longitudes when a pole is in view; the whole globe when a pixel of the edge does
/// not convert), cut into windows of -180..180. Empty when the calibration converts no pixel of
/// the edge. SmallestStep gets the least distance in
/// degrees that one control pixel spans anywhere in the view (0 when empty): a simplification
/// tolerance in degrees of half of it moves no point by more than half a pixel.
std::vector<TDBQueryBox> ViewQueryBoxes(const TGeoCalibration& Calib, const TMapView& View, double& SmallestStep);

/// Fractional map-image pixel of a position under Calib; false when it does not convert.
bool PositionToPixel(const TGeoCalibration& Calib, double Lat, double Long, TPixelF& Pixel);

/// Douglas-Peucker: the points of In (degrees) that keep every dropped point within Tolerance
/// degrees of the line kept, and no kept step longer than MaxStep degrees where points lay
/// between (a run straight in degrees is curved on most maps); the first and last points always
/// stay (a ring at least three).
TgdbPolygon ReducePoints(const TgdbPolygon& In, double Tolerance, bool Closed, double MaxStep);

/// Kept := the indexes into In of the points that Douglas-Peucker keeps at Tolerance pixels: no
/// dropped point lies further than Tolerance from the path kept; the first and the last point
/// always stay (a ring at least three when In has them).
void ThinPixelPath(const TPixelPath& In, double Tolerance, bool Closed, std::vector<uint32_t>& Kept);

/// The pieces of the line Path that lie in Box (control pixels, left/top inclusive), each a run
/// of whole segments that meet the box: drawing them draws what Path draws inside Box.
std::vector<TPixelPath> ClipLineToBox(const TPixelPath& Path, const TRect& Box);

/// The ring Path clipped to Box (Sutherland-Hodgman): filled, it covers the same pixels of Box.
TPixelPath ClipRingToBox(const TPixelPath& Ring, const TRect& Box);

/// Distance from P to the nearest point of Path (closing segment included when Closed);
/// infinity for an empty path.
double DistanceToPath(const TPixelPath& Path, bool Closed, const TPixelF& P);

/// True when P lies inside the ring (even-odd rule).
bool RingContains(const TPixelPath& Ring, const TPixelF& P);

/// Which item of the database: what the hit test names.
struct TDBItemRef {
    int Entry = 0;                ///< entry number in the database, 1-based
    int ItemId = 0;               ///< the item's number
    TgdbItem Kind = gitUndefined; ///< its kind
    uint8_t ClassFlag = 0;        ///< its class
    std::string Name;             ///< its name, UTF-8
};

/// An item as drawn, for the hit test: its points in control pixels.
struct TDBShape : TDBItemRef {
    bool Closed = false;           ///< an area (ring) rather than a line
    bool Hole = false;             ///< a ring cut out of its feature's area
    int Feature = 0;               ///< its Tag: rings of one feature share it, kind and name; 0: none
    std::vector<TPixelPath> Parts; ///< the item's pieces
};

/// An item under the cursor.
struct TGeoDBHit : TDBItemRef {
    double Distance = 0; ///< control pixels from the cursor to the line; 0 inside an area
};

/// The items of Shapes under P (control pixels): the nearest line (open item) within Tolerance
/// pixels, first, then every area that contains P, smallest first (P inside a hole of its
/// feature, same Feature, kind and name, does not count, nor does a hole itself). Town items
/// count as lines of one point.
std::vector<TGeoDBHit> HitTestShapes(const std::vector<TDBShape>& Shapes, const TPixelF& P, double Tolerance = 4);

} // namespace tyx
