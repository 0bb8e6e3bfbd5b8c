// What the readers of geoio share: positions as read, the checks on them, and the step that turns
// one path of positions into items.
#pragma once
#include "geoio.h"

#include <string>
#include <vector>

namespace tyx::geoio::detail {

struct TPos {
    double Lon = 0;
    double Lat = 0;
};
using TPath = std::vector<TPos>;

/// The bytes of a file; EGeoIOError "<FileName>: cannot be read" when it cannot be.
std::string ReadWholeFile(const std::string& FileName);
/// The extension of a file name with its dot, in lower case (".csv"); empty for none.
std::string LowerExtension(const std::string& FileName);
/// Throws EGeoIOError ("<Where>: latitude 95 is out of range -90..90") for a position that is not
/// finite or out of range.
void CheckPosition(const TPos& P, const std::string& Where);
/// A class given as text or number: an integer 0..255, else EGeoIOError naming Where.
uint8_t ClassFromText(const std::string& Text, const std::string& Where);
/// The kind for a feature of points (Point true) or of paths, from the options, the feature's
/// own kind (may be empty) and the defaults; throws EGeoIOError for a kind that does not fit.
TgdbItem ResolveKind(const TReadOptions& Options, const std::string& FeatureKind, bool Point,
                     const std::string& Where);
/// A name as an item keeps it: control characters become blanks. Counts in Stats a name that is
/// changed so, or that the database cannot store as it is.
std::string ItemName(std::string Name, TReadStats& Stats);
/// Appends the items of one path: a closed ring loses a repeated first point, a path crossing the
/// antimeridian is cut there, degenerate ones are counted and dropped. Proto gives name, kind and
/// class.
void EmitPath(TPath Path, bool Closed, bool Hole, const TGeoItem& Proto, std::vector<TGeoItem>& Out,
              TReadStats& Stats);

/// Turns a ring (without a repeated first point) counter-clockwise, or clockwise for a hole, in
/// the plane of longitude and latitude; the first point stays first.
void Orient(TgdbPolygon& Ring, bool Hole);

} // namespace tyx::geoio::detail
