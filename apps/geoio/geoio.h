// Geographic interchange for the database: reads GeoJSON, TopoJSON and CSV files into items that a
// TGeoDB can store, stores them, and writes a database's items back as GeoJSON. Qt-free.
//
// Reading turns every polygon ring (outer rings and holes alike) into one closed item, every line
// into one open item and every point into one town. A ring or line that crosses the antimeridian
// (a step of more than 180 degrees of longitude) is cut there into pieces that each stay within
// -180..180; a ring around a pole is kept whole. Coordinates are degrees, north and east positive.
#pragma once
#include "geodb/Tyx_GeoDB.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace tyx::geoio {

/// A file that cannot be read as what it claims to be; the message names the file and the place.
class EGeoIOError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A file that decodes to more points than TReadOptions::MaxPoints allows.
class EGeoIOPointLimit : public EGeoIOError {
public:
    using EGeoIOError::EGeoIOError;
};

/// Without TReadOptions::MaxPoints, a file may decode to this many points per byte of its size.
/// Ordinary files hold a few bytes per point; TopoJSON that refers to one long arc over and over
/// would otherwise decode to millions of points from a few kilobytes.
constexpr std::size_t PointsPerByte = 100;

/// JSON nested deeper than this is refused before it is parsed: GeoJSON and TopoJSON need 8
/// levels, the rest is room for properties and nested geometry collections.
constexpr int MaxJsonNesting = 72;

/// StateFlag of an item made from a polygon's hole; 0 for outer rings, lines and towns.
constexpr int HoleStateFlag = 1;

/// One item to be stored.
struct TGeoItem {
    std::string Name;
    TgdbItem Kind = gitBorder;
    uint8_t Class = 0;
    bool Closed = false;     ///< the points outline an area (stored without a repeated first point)
    bool Hole = false;       ///< a hole of the polygon whose outer ring came before it
    TgdbPolygon Points;      ///< a town has exactly one
    /// False for a further part of the feature of the item before it (a hole always is one).
    bool NewFeature = true;
    /// On the first item of a feature: the feature's properties that the item does not keep itself
    /// (a JSON object as text; empty for none).
    std::string Properties;
};

struct TReadOptions {
    /// The kind of every item; unset: a feature's "kind" property, else border for areas and
    /// lines and town for points. A polygon kind for a point, or town for an area, is refused.
    std::optional<TgdbItem> Kind;
    /// The property (or CSV column) holding the class, an integer 0..255; missing means 0.
    std::string ClassBy = "class";
    /// TopoJSON: read only this object of the topology; empty: all of them.
    std::string Object;
    /// The most points one file may decode to; unset: PointsPerByte for each byte of the file.
    std::optional<std::size_t> MaxPoints;
};

/// What reading left out, for the caller to tell.
struct TReadStats {
    int DegenerateRings = 0;   ///< rings of fewer than 3 points, or lines of fewer than 2
    int SplitAtAntimeridian = 0;
    /// Names the database cannot keep as they are: longer than 59 characters, or with characters
    /// that have no Latin spelling in Windows-1252 (stored as '?') or control characters (read as
    /// blanks). Names spelt in Latin letters ("Łódź" stored as "Lodz") are not counted.
    int NamesChanged = 0;
    int NullGeometries = 0;  ///< features without a geometry, left out
    /// The name of a "crs" member other than WGS 84 longitude/latitude; the coordinates are read
    /// as WGS 84 all the same.
    std::string ForeignCrs;
};

/// The kind named by the lower-case text ("border", "town", "city", "lake", "river", "road",
/// "route"); nothing for other text.
std::optional<TgdbItem> KindFromName(const std::string& Name);
/// The lower-case name of a storable kind ("border" ... "route").
std::string KindName(TgdbItem Kind);

/// Reads a file: CSV when its name ends in ".csv" (any case), else GeoJSON or TopoJSON (told by
/// the top-level "type"). Throws EGeoIOError for a file that cannot be read, bad JSON, JSON nested
/// deeper than MaxJsonNesting, a bad structure, a coordinate out of range (latitude beyond 90,
/// longitude beyond 180) or too many points (EGeoIOPointLimit). Control characters in names are
/// read as blanks.
std::vector<TGeoItem> ReadGeoFile(const std::string& FileName, const TReadOptions& Options, TReadStats& Stats);

/// Parsers of a whole text; Source names it in messages.
std::vector<TGeoItem> ReadCsvText(const std::string& Text, const std::string& Source, const TReadOptions& Options,
                                  TReadStats& Stats);
std::vector<TGeoItem> ReadJsonText(const std::string& Text, const std::string& Source, const TReadOptions& Options,
                                   TReadStats& Stats);

/// Descriptor of the BLOB in which StoreItems keeps the items' Properties.
constexpr const char* PropertiesDescriptor = "tyxgeo feature properties";
/// The Properties StoreItems kept, by the ItemId of each feature's first item (towns: their own);
/// empty when there are none. Throws EGeoIOError when a stored block is not a JSON object.
std::unordered_map<int32_t, nlohmann::ordered_json> StoredProperties(TGeoDB& Db);

/// Stores the items in the open database, in order, with LazyWrite on while it runs (the index
/// files are written at the end). Checks first that every block fits the data file's 2 GiB, so
/// that a refusal (EGeoIOError) leaves the database unchanged. Progress reports the share of
/// items stored, 0 to 100, through the database's OnPercentDone. Returns the number stored. The
/// items go in as one batch: a failure part way (a full disk) stores none of them and throws
/// EGeoIOError. Outer rings are stored counter-clockwise, holes clockwise. The line and area items
/// of one feature share a Tag: the ItemId of its first item. The Properties go into one BLOB (a
/// JSON object from that ItemId, or a town's own, to the properties), stored in the same batch.
int StoreItems(TGeoDB& Db, const std::vector<TGeoItem>& Items, const std::function<void(int)>& Progress = {});

/// Writes the database's items (or those whose box meets the given box, degrees) to FileName as
/// a GeoJSON FeatureCollection: towns as Points, the items of one feature (one Tag, see
/// StoreItems) as one Polygon, MultiPolygon, LineString or MultiLineString (all its parts when
/// one of them meets the box), other closed items as Polygons with the hole items that follow
/// them; outer rings counter-clockwise, holes clockwise. The feature's "id" is the ItemId of its
/// first item; its properties are those stored with it, then name, kind and class from the item
/// where they are not among them. BLOBs and undefined items are left out. Returns the number of
/// items written.
struct TBox {
    double South, West, North, East;
};
int WriteGeoJson(TGeoDB& Db, const std::string& FileName, const std::optional<TBox>& Box = std::nullopt);

} // namespace tyx::geoio
