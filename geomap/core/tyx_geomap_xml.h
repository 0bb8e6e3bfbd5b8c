// The map unit's small XML dialect for calibrations: the tag table shared with the landmark and
// symbol files, the model names, the writer of a TCalibData block (file form and stream form),
// the search for a block by data identifier, the element rules of a block, and ParseCalibData,
// which reads a block into a caller's record without a map control. Files and streams hold
// Windows-1252 text with CR LF line ends; all strings here are UTF-8. Qt-free.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tyx {

class TStream;
class TTextFile;

/// Indexes into GeoMapXmlTags(), the order the tag readers report.
enum TGeoMapXmlTag : uint8_t {
    gxtGeomap, gxtGeomapEnd, gxtCalLine, gxtCorners, gxtResolution, gxtGmLandmarks,
    gxtGmLandmarksEnd, gxtLandmark, gxtCalQuads, gxtLmSymbols, gxtLmSymbolsEnd, gxtSymbol,
    gxtUTMZone, gxtUTMSouth, gxtEllipsoid, gxtInvalidTag
};

/// The 16 tag names, "geomap" to "invalidtag"; the last one is what the readers report at the end.
const std::array<std::string, 16>& GeoMapXmlTags();
/// The model names, indexed by TCalibModel ("parabolicip" ... "undefined").
const std::array<std::string, 7>& CalibModelNames();
/// The name of a model; out-of-range values give "undefined".
const std::string& CalibModelName(TCalibModel Model);
/// The model of a name (exact, lower case); unknown names give cmUndefined.
TCalibModel CalibModelFromName(const std::string& Name);

/// The G number form of graticule line values: up to 15 significant digits, point separator.
std::string FormatGeneral(double Value);

/// Which variant of the block layout to produce.
enum TCalXmlForm : uint8_t {
    cxfFile,   ///< header line on request; resolution and calibration points only when present
    cxfStream  ///< header line always; resolution and the calibration point element always
};

/// The lines of one calibration block, without line ends. Quotes in the identifier, map name and
/// caption become apostrophes, and control characters blanks, so that the block reads back.
std::vector<std::string> CalDataXmlLines(const TCalibData& CalData, TCalibModel Model,
                                         const std::string& DataID, bool Header, TCalXmlForm Form);

/// An attribute value as the writers store it: a double quote becomes an apostrophe and a control
/// character a blank, since the format has no escaping and a block must read back.
std::string XmlAttrText(const std::string& S);
/// One attribute as written: a blank, Name, '=' and Value in double quotes (Value as it stands).
std::string XmlAttr(std::string_view Name, const std::string& Value);

/// Writes one block in file form to an open text file.
void WriteRawCalDataToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID,
                                  const TCalibData& CalData, TCalibModel Model);
/// Writes one block in stream form at the stream's position.
void WriteRawCalDataToStream(TStream& S, const std::string& DataID, const TCalibData& CalData,
                             TCalibModel Model);

/// Where a block is read from: lines for the block search, then tags for its elements.
class TCalXmlInput {
public:
    virtual ~TCalXmlInput() = default;
    /// The next line; false when the input has ended and no line was left.
    virtual bool ReadLine(std::string& Line) = 0;
    /// The next tag of GeoMapXmlTags(); gxtInvalidTag at the end of the input.
    virtual int ReadNextTag(std::string& Contents, std::string& Attributes) = 0;
};

/// Reads an open text file from its current position.
class TCalXmlFileInput : public TCalXmlInput {
public:
    /// Reads F, which must outlive the input.
    explicit TCalXmlFileInput(TTextFile& F) : FFile(F) {}
    bool ReadLine(std::string& Line) override;
    int ReadNextTag(std::string& Contents, std::string& Attributes) override;

private:
    TTextFile& FFile;
};

/// Reads a stream from its current position.
class TCalXmlStreamInput : public TCalXmlInput {
public:
    /// Reads S, which must outlive the input.
    explicit TCalXmlStreamInput(TStream& S) : FStream(S) {}
    bool ReadLine(std::string& Line) override;
    int ReadNextTag(std::string& Contents, std::string& Attributes) override;

private:
    TStream& FStream;
    bool FEnded = false;
};

/// What the selected block header says.
struct TCalXmlHeader {
    std::string DataID;     ///< lower case, trimmed
    bool HasModel = false;  ///< the header has a model attribute
    std::string ModelName;  ///< lower case, trimmed
    std::string MapFName;   ///< lower case, trimmed
    std::string Caption;    ///< case as written, trimmed
};

/// Reads on line by line to the first block header: a line holding Marker (lower case, such as
/// "<gmlandmarks") and "tyxware" in any case, whose trimmed id attribute matches DataID (case
/// ignored, blanks in DataID kept; an empty DataID takes the first block). HeaderLine receives that line as read. False at the
/// end of the input. The header line is consumed: a tag on it is not read.
bool FindXmlBlock(TCalXmlInput& In, std::string_view Marker, const std::string& DataID, std::string& HeaderLine);

/// FindXmlBlock for "<geomap" blocks, with what the selected header says.
bool FindCalibBlock(TCalXmlInput& In, const std::string& DataID, TCalXmlHeader& Header);

/// How the elements of a block are read.
struct TCalXmlRules {
    bool KeepShortLines = false;          ///< keep graticule lines with fewer than 3 points
    const std::string* ComponentName = nullptr; ///< errors in component form; null: "ParseCalibData: "
};

/// Reads the elements of the selected block into Data, up to "/geomap" or the end of the input.
/// Malformed lines, point counts that differ from their npoints and blocks beyond the record's
/// capacity raise ETYXGeoMapError; what was read before stays in Data.
void ReadCalibBlockElements(TCalXmlInput& In, TCalibData& Data, const TCalXmlRules& Rules);

/// Opens FName for reading, returns Read(file) and closes it; false when the file cannot be
/// opened. Errors after opening pass on.
bool ReadTextFile(const std::string& FName, const std::function<bool(TTextFile&)>& Read);

/// Reads the selected block of a file into Data and Model without a map control. False when the
/// file cannot be opened or holds no matching block (then nothing changed). A header without a
/// model attribute gives cmBiquadraticPn; fields without an element keep their values.
bool ParseCalibData(const std::string& FileName, const std::string& DataID, TCalibData& Data,
                    TCalibModel& Model);
/// The same from the stream's current position.
bool ParseCalibData(TStream& InStream, const std::string& DataID, TCalibData& Data,
                    TCalibModel& Model);

/// A case fold for comparing file names: both sides are folded with it.
using TCaseFold = std::string (*)(std::string_view);
/// FileName itself when it exists; otherwise the existing file whose path matches it part by
/// part once both are folded with Fold (ASCII lower case when null); otherwise FileName unchanged.
std::string FindFileIgnoringCase(const std::string& FileName, TCaseFold Fold = nullptr);

} // namespace tyx
