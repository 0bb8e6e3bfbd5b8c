// The records and enumerations of the map unit: a map's calibration (calibration points,
// graticule lines, the image corners and the calibration model) and its landmarks (position,
// symbol, caption, class, identifier and time). They carry no behaviour; the map control, the
// calibration core, the landmark list, the XML files and the atlas share them. Qt-free.
//
// Tables that the documentation counts from 1 (graticule lines, their points, calibration points)
// are TIndexedArray: element 1 is the first, so `CalQuads[NumCalQuads]` is the last point in use.
#pragma once
#include "geobasics/Tyx_geobasics.h"
#include "host/tyx_datetime.h"
#include "host/tyx_text.h"
#include "host/tyx_types.h"
#include "support/Tyx_tyxbase.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tyx {

/// Raised by the map control, the symbol repository and the atlas.
class ETYXGeoMapError : public ETYXError {
public:
    /// Takes the message as it is.
    using ETYXError::ETYXError;
    /// The component form: `Component "<ComponentName>": <Fault>`.
    ETYXGeoMapError(const std::string& ComponentName, const std::string& Fault)
        : ETYXError("Component \"" + ComponentName + "\": " + Fault) {}
};

/// Raised by a calibration read whose map image is found nowhere; the calibration is loaded.
class ETYXMapImageMissing : public ETYXGeoMapError {
public:
    using ETYXGeoMapError::ETYXGeoMapError;
};

/// Fixed-size table indexed from 1 to N. Indexes outside 1..N throw std::out_of_range.
template <typename T, int N>
struct TIndexedArray {
    static_assert(N > 0);
    /// The elements, zero-based.
    std::array<T, N> Items{};

    /// Element Index, 1 to N.
    T& operator[](int Index) { return Items[Slot(Index)]; }
    /// Element Index, 1 to N.
    const T& operator[](int Index) const { return Items[Slot(Index)]; }
    /// N.
    static constexpr int Size() { return N; }
    /// Member by member.
    friend bool operator==(const TIndexedArray&, const TIndexedArray&) = default;

private:
    static std::size_t Slot(int Index)
    {
        if (Index < 1 || Index > N) throw std::out_of_range("index " + std::to_string(Index) + " outside 1.." + std::to_string(N));
        return static_cast<std::size_t>(Index - 1);
    }
};

/// Capacities of the calibration tables.
inline constexpr int gmMaxCalLines = 25;       ///< graticule lines per calibration
inline constexpr int gmMaxLinePoints = 10;     ///< pixels per graticule line
inline constexpr int gmMaxCalQuads = 200;      ///< calibration points per calibration

/// A geographic position in degrees, north and east positive.
struct TCoords {
    double Latit = 0; ///< degrees, north positive
    double Longit = 0; ///< degrees, east positive
    /// Member by member.
    friend bool operator==(const TCoords&, const TCoords&) = default;
};

enum TCalibModel : uint8_t {
    cmParabolicIp,        ///< graticule lines: a parabola per line, interpolation between lines
    cmBiquadraticPn,      ///< calibration points, second-order polynomials
    cmConicConformal,     ///< calibration points, cone apex search plus two straight-line fits
    cmMillerCylindrical,  ///< calibration points, straight-line fits in Miller coordinates
    cmEquiRect,           ///< calibration points, affine polynomials
    cmUTM,                ///< calibration points in UTM northing/easting of one zone, affine
    cmUndefined           ///< no model: every conversion reports failure
};

enum TGratLineKind : uint8_t { gtlMeridian, gtlParallel };

enum TCorners : uint8_t { gcoTopLeft, gcoBottomLeft, gcoBottomRight, gcoTopRight };

/// The four image corners, indexed by TCorners.
using TCornerArray = std::array<TCoords, 4>;

/// One calibration point.
struct TCalQuad {
    double Latitude = 0;   ///< degrees; under cmUTM the northing in metres
    double Longitude = 0;  ///< degrees; under cmUTM the easting in metres
    int32_t MapX = 0;      ///< map-image pixel column
    int32_t MapY = 0;      ///< map-image pixel row
    /// Member by member.
    friend bool operator==(const TCalQuad&, const TCalQuad&) = default;
};

/// One graticule line: a meridian or parallel of known value and up to 10 pixels on it.
struct TCalibLine {
    TGratLineKind LineType = gtlMeridian; ///< a meridian or a parallel
    double LineValue = 0;  ///< longitude of a meridian, latitude of a parallel, degrees
    int32_t NumPoints = 0; ///< 0 to gmMaxLinePoints
    TIndexedArray<TPoint, gmMaxLinePoints> CalPoints; ///< map-image pixels, 1 to NumPoints
    /// Member by member.
    friend bool operator==(const TCalibLine&, const TCalibLine&) = default;
};

/// The whole calibration of a map image.
struct TCalibData {
    std::string MapFName;     ///< file name of the map image
    std::string Caption;      ///< caption of the map
    TCornerArray Corners{};   ///< derived: positions of the four image corners
    double Resolution = 0;    ///< derived: metres per map-image pixel along the horizontal middle line
    int32_t NumCalLines = 0;  ///< 0 to gmMaxCalLines
    TIndexedArray<TCalibLine, gmMaxCalLines> CalLines; ///< graticule lines, 1 to NumCalLines
    int32_t NumCalQuads = 0;  ///< 0 to gmMaxCalQuads
    TIndexedArray<TCalQuad, gmMaxCalQuads> CalQuads; ///< calibration points, 1 to NumCalQuads
    int32_t UTMZone = 0;      ///< 1 to 60 when set; -1 after clearing; 0 in a new control
    bool UTMSouth = false;    ///< UTM coordinates of the southern hemisphere
    TGeoEllipsoid Ellipsoid = gelWGS84; ///< for the UTM conversions
    /// Member by member.
    friend bool operator==(const TCalibData&, const TCalibData&) = default;
};

// ---- Landmark records ----

/// Symbol shapes; a value outside the list draws a small plus.
enum TLandMarkElement : uint8_t {
    lmPlus, lmSquare, lmTriangle, lmCircle, lmArrowFrom, lmArrowTo, lmCrossBox, lmSpade, lmCross, lmUserDef
};
/// What OnLandMarkAction is asked about.
enum TLandMarkAction : uint8_t { lmaAdd, lmaRemove };

using TLMIdentifier = TShortString<15>;
using TLMText = TShortString<80>;

/// The symbol of a landmark.
struct TSymbolProperties {
    TLandMarkElement Kind = lmPlus; ///< the shape
    int Size = 0;          ///< pixels: half the width of most shapes, the head of arrows
    TColor FGColor = 0;    ///< line colour
    TColor BGColor = 0;    ///< fill colour
    bool Transparent = false; ///< no fill
    int Direction = 0;     ///< degrees clockwise from straight up (triangles and arrows)
    int Length = 0;        ///< pixels, the shaft of arrows
    /// Member by member.
    friend bool operator==(const TSymbolProperties&, const TSymbolProperties&) = default;
};

/// Points of the template's caption, and of a caption whose Size is 0 or below.
inline constexpr int LMDefaultCaptionSize = 8;

/// The caption of a landmark.
struct TLMTextProperties {
    TLMText Text;          ///< empty: no caption
    int Size = 0;          ///< font size, points; 0 or below: LMDefaultCaptionSize
    std::string FontName;  ///< empty: the default font
    TFontStyles FontStyles = 0; ///< fsBold, fsItalic, ... combined
    TColor FGColor = 0;    ///< text colour
    TColor BGColor = 0;    ///< background colour
    bool Transparent = false; ///< no background
    int dx = 0;            ///< offset from the landmark's position, pixels
    int dy = 0;            ///< the same downwards
    int Direction = 0;     ///< text direction, degrees
    TAlignment HAlignment = taLeftJustify; ///< horizontal alignment on the offset point
    TVerticalAlignment VAlignment = vaTop; ///< vertical alignment on the offset point
    /// Member by member.
    friend bool operator==(const TLMTextProperties&, const TLMTextProperties&) = default;
};

/// A landmark. A value-initialised record is the cleared one (all zero, empty texts).
struct TLandMark {
    double Latitude = 0;   ///< degrees, north positive
    double Longitude = 0;  ///< degrees, east positive
    double Altitude = 0;   ///< free unit
    uint8_t ClassFlag = 0; ///< class 0 to 255: visibility and class-selective operations
    int Tag = 0;           ///< free for the host
    TSymbolProperties SymbolProps; ///< how the symbol is drawn
    TLMTextProperties Caption; ///< the caption and how it is drawn
    TLMIdentifier Identifier; ///< free identifier, up to 15 single-byte characters
    TDateTime Time = 0;    ///< days since 1899-12-30
    /// Member by member.
    friend bool operator==(const TLandMark&, const TLandMark&) = default;
};

} // namespace tyx
