#include "geomap/core/tyx_geomap_xml.h"

#include "geomap/core/tyx_geomap_values.h"
#include "host/tyx_errors.h"
#include "host/tyx_streams.h"
#include "support/Tyx_streams.h"
#include "support/Tyx_stringl.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <system_error>

namespace tyx {

const std::array<std::string, 16>& GeoMapXmlTags()
{
    static const std::array<std::string, 16> tags = {
        "geomap", "/geomap", "calline", "corners", "resolution", "gmlandmarks", "/gmlandmarks", "landmark",
        "calquads", "lmsymbols", "/lmsymbols", "symbol", "utmzone", "utmsouth", "ellipsoid", "invalidtag"};
    return tags;
}

const std::array<std::string, 7>& CalibModelNames()
{
    static const std::array<std::string, 7> names = {"parabolicip", "biquadraticpn", "conicconformal",
                                                     "millercylindrical", "equirect", "utm", "undefined"};
    return names;
}

const std::string& CalibModelName(TCalibModel Model)
{
    return CalibModelNames()[std::min<std::size_t>(Model, cmUndefined)];
}

TCalibModel CalibModelFromName(const std::string& Name)
{
    const int ix = StringIx(Name, CalibModelNames());
    return ix == 0 ? cmUndefined : static_cast<TCalibModel>(ix - 1);
}

std::string FormatGeneral(double Value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

// --- writing ---

namespace {

/// Positions: five decimals, as the format always had, and more where five would not give the
/// same double back (a millimetre is about 1e-8 degrees), fixed-point so that every reader takes it.
std::string Coord(double v)
{
    std::string Text = FormatFloatFixed(v, 1, 5);
    double Back = 0;
    const auto Read = std::from_chars(Text.data(), Text.data() + Text.size(), Back);
    if (!std::isfinite(v) || (Read.ec == std::errc() && Back == v)) return Text;
    char Buf[512];
    const auto R = std::to_chars(Buf, Buf + sizeof Buf, v, std::chars_format::fixed);
    return R.ec == std::errc() ? std::string(Buf, R.ptr) : Text;
}

} // namespace

// The format has no escaping: a double quote would end the value early, and a line break would
// split the element, so neither may reach the file.
std::string XmlAttrText(const std::string& S)
{
    std::string out = S;
    for (char& c : out) {
        if (c == '"') c = '\'';
        else if (static_cast<unsigned char>(c) < 32 && c != '\t') c = ' ';
    }
    return out;
}

std::string XmlAttr(std::string_view Name, const std::string& Value)
{
    std::string out = " ";
    out.append(Name).append("=\"").append(Value) += '"';
    return out;
}

namespace {

// Appends one bracketed point group "[a,b,...] " to Line.
void AppendGroup(std::string& Line, std::initializer_list<std::string> Fields)
{
    Line += '[';
    bool first = true;
    for (const std::string& f : Fields) {
        if (!first) Line += ',';
        Line += f;
        first = false;
    }
    Line += "] ";
}

} // namespace

std::vector<std::string> CalDataXmlLines(const TCalibData& CalData, TCalibModel Model,
                                         const std::string& DataID, bool Header, TCalXmlForm Form)
{
    const bool stream = Form == cxfStream;
    std::vector<std::string> out;
    if (Header || stream) out.emplace_back("<?xml version=\"1.0\"?>");
    out.emplace_back("");
    out.emplace_back("<!-- TGeoMap Calibration / Tyxware -->");
    out.push_back("<geomap" + XmlAttr("sig", "Tyxware") + XmlAttr("vers", "1.0") + XmlAttr("id", XmlAttrText(DataID)) +
                  XmlAttr("model", CalibModelName(Model)) + XmlAttr("map", XmlAttrText(CalData.MapFName)) +
                  XmlAttr("caption", XmlAttrText(CalData.Caption)) + ">");
    out.emplace_back("<corners>");
    std::string corners;
    for (const TCoords& c : CalData.Corners) AppendGroup(corners, {Coord(c.Latit), Coord(c.Longit)});
    out.push_back(corners);
    out.emplace_back("</corners>");
    if (CalData.Resolution > 0 || stream)
        out.push_back("<resolution>" + FormatFloatFixed(CalData.Resolution, 1, 3) + "</resolution>");
    if (CalData.UTMZone >= 1 && CalData.UTMZone <= 60) {
        out.push_back("<utmzone>" + std::to_string(CalData.UTMZone) + "</utmzone>");
        out.push_back("<utmsouth>" + BoolToText(CalData.UTMSouth, 0) + "</utmsouth>");
    }
    const int ell = CalData.Ellipsoid < GeoEllipsoidCount ? CalData.Ellipsoid : 0;
    out.push_back(std::string("<ellipsoid>") + GeoEllipsoidId[ell] + "</ellipsoid>");

    const int numLines = std::clamp(CalData.NumCalLines, 0, gmMaxCalLines);
    for (int i = 1; i <= numLines; ++i) {
        const TCalibLine& line = CalData.CalLines[i];
        const int n = std::clamp(line.NumPoints, 0, gmMaxLinePoints);
        out.push_back("<calline" + XmlAttr("type", line.LineType == gtlParallel ? "parallel" : "meridian") +
                      XmlAttr("value", FormatGeneral(line.LineValue)) + XmlAttr("npoints", std::to_string(n)) + ">");
        std::string points;
        for (int k = 1; k <= n; ++k)
            AppendGroup(points, {std::to_string(line.CalPoints[k].X), std::to_string(line.CalPoints[k].Y)});
        out.push_back(points);
        out.emplace_back("</calline>");
    }

    const int numQuads = std::clamp(CalData.NumCalQuads, 0, gmMaxCalQuads);
    if (numQuads > 0 || stream) {
        out.push_back("<calquads" + XmlAttr("npoints", std::to_string(numQuads)) + ">");
        std::string quads;
        for (int i = 1; i <= numQuads; ++i) {
            const TCalQuad& q = CalData.CalQuads[i];
            AppendGroup(quads, {Coord(q.Latitude), Coord(q.Longitude), std::to_string(q.MapX), std::to_string(q.MapY)});
        }
        out.push_back(quads);
        out.emplace_back("</calquads>");
    }
    out.emplace_back("</geomap>");
    return out;
}

void WriteRawCalDataToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID,
                                  const TCalibData& CalData, TCalibModel Model)
{
    for (const std::string& line : CalDataXmlLines(CalData, Model, DataID, Header, cxfFile)) F.WriteLn(line);
}

void WriteRawCalDataToStream(TStream& S, const std::string& DataID, const TCalibData& CalData,
                             TCalibModel Model)
{
    for (const std::string& line : CalDataXmlLines(CalData, Model, DataID, true, cxfStream)) WriteLnStream(S, line);
}

// --- reading ---

bool TCalXmlFileInput::ReadLine(std::string& Line)
{
    if (FFile.Eof()) return false;
    Line = FFile.ReadLn();
    return true;
}

int TCalXmlFileInput::ReadNextTag(std::string& Contents, std::string& Attributes)
{
    return ReadNextTagInTextFile(FFile, GeoMapXmlTags(), Contents, Attributes);
}

bool TCalXmlStreamInput::ReadLine(std::string& Line)
{
    if (FEnded) return false;
    Line = ReadStreamLine(FStream, FEnded, 0);
    // The last line may end with the stream instead of a line feed.
    return !(FEnded && Line.empty());
}

int TCalXmlStreamInput::ReadNextTag(std::string& Contents, std::string& Attributes)
{
    return ReadNextTagInStream(FStream, GeoMapXmlTags(), Contents, Attributes);
}

namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// 1-based position just behind `Name=` (and behind its opening quote when there is one), for the
// first Name that starts the text or follows a blank; 0 when absent.
int ValueStart(std::string_view Text, std::string_view Name)
{
    const std::string key = std::string(Name) + "=";
    for (std::size_t p = Text.find(key); p != std::string_view::npos; p = Text.find(key, p + 1)) {
        if (p > 0 && !IsBlankOrTab(Text[p - 1])) continue;
        std::size_t v = p + key.size();
        if (v < Text.size() && Text[v] == '"') ++v;
        return static_cast<int>(v) + 1;
    }
    return 0;
}

// The quoted value of an attribute, cut out of Source (same length as Search, which is searched).
bool QuotedValue(std::string_view Search, std::string_view Source, std::string_view Name, std::string& Value)
{
    const int start = ValueStart(Search, Name);
    if (start == 0 || start < 2 || Search[static_cast<std::size_t>(start - 2)] != '"') return false;
    const int close = PosOfOccurrence("\"", Search, start, 1, false);
    if (close == 0) return false;
    Value = TrimSpaces(Source.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(close - start)));
    return true;
}

std::string TrimWhite(std::string_view S)
{
    const auto first = S.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = S.find_last_not_of(" \t\r\n");
    return std::string(S.substr(first, last - first + 1));
}

// The text between the next '[' and the first ']' after it; From moves behind the ']'.
bool NextGroup(std::string_view Text, std::size_t& From, std::string_view& Group)
{
    const auto open = Text.find('[', From);
    if (open == std::string_view::npos) return false;
    const auto close = Text.find(']', open + 1);
    if (close == std::string_view::npos) return false;
    Group = Text.substr(open + 1, close - open - 1);
    From = close + 1;
    return true;
}

[[noreturn]] void Fail(const TCalXmlRules& Rules, const std::string& Fault)
{
    if (Rules.ComponentName) throw ETYXGeoMapError(*Rules.ComponentName, Fault);
    throw ETYXGeoMapError("ParseCalibData: " + Fault);
}

const char* const kCountMismatch = "specified number of calibration points and actual number does not match";

void ReadCalLine(const std::string& Attrs, const std::string& Contents, TCalibData& Data, const TCalXmlRules& Rules)
{
    std::string type;
    if (const int p = ValueStart(Attrs, "type"); p > 0) {
        const int close = PosOfOccurrence("\"", Attrs, p, 1, false);
        type = Attrs.substr(static_cast<std::size_t>(p - 1),
                            close > 0 ? static_cast<std::size_t>(close - p) : std::string::npos);
    }
    type = LowerAscii(type);
    TCalibLine line;
    if (type == "parallel") line.LineType = gtlParallel;
    else if (type == "meridian") line.LineType = gtlMeridian;
    else Fail(Rules, "invalid type of graticule line: type=\"" + type + "\"");

    int pos = ValueStart(Attrs, "value");
    line.LineValue = pos > 0 ? ParseFloatAt(Attrs, true, 3, pos) : 0.0;
    pos = ValueStart(Attrs, "npoints");
    const int declared = pos > 0 ? ParseIntAt(Attrs, pos) : 0;

    std::size_t from = 0;
    std::string_view group;
    while (NextGroup(Contents, from, group)) {
        if (line.NumPoints == gmMaxLinePoints)
            Fail(Rules, "too many points on a graticule line (at most " + std::to_string(gmMaxLinePoints) + ")");
        int p = 1;
        TPoint pt;
        pt.X = ParseIntAt(group, p);
        const auto comma = group.find(',');
        p = 1;
        pt.Y = comma == std::string_view::npos ? 0 : ParseIntAt(group.substr(comma + 1), p);
        line.CalPoints[++line.NumPoints] = pt;
    }
    if (line.NumPoints != declared) Fail(Rules, kCountMismatch);
    // Lines too short to fit are dropped before they can count against the table's capacity.
    if (!Rules.KeepShortLines && line.NumPoints < 3) return;
    if (Data.NumCalLines >= gmMaxCalLines)
        Fail(Rules, "too many graticule lines (at most " + std::to_string(gmMaxCalLines) + ")");
    Data.CalLines[++Data.NumCalLines] = line;
}

void ReadCorners(const std::string& Contents, TCalibData& Data)
{
    std::size_t from = 0;
    std::string_view group;
    for (std::size_t c = 0; c < Data.Corners.size() && NextGroup(Contents, from, group); ++c) {
        const auto comma = group.find(',');
        int p = 1;
        Data.Corners[c].Latit = ParseFloatAt(group.substr(0, comma), true, 3, p);
        p = 1;
        Data.Corners[c].Longit = comma == std::string_view::npos ? 0.0 : ParseFloatAt(group.substr(comma + 1), true, 3, p);
    }
}

void ReadCalQuads(const std::string& Attrs, const std::string& Contents, TCalibData& Data, const TCalXmlRules& Rules)
{
    int pos = ValueStart(Attrs, "npoints");
    const int declared = pos > 0 ? ParseIntAt(Attrs, pos) : 0;
    int count = 0;
    std::size_t from = 0;
    std::string_view group;
    Data.NumCalQuads = 0;
    while (NextGroup(Contents, from, group)) {
        if (count == gmMaxCalQuads)
            Fail(Rules, "too many calibration points (at most " + std::to_string(gmMaxCalQuads) + ")");
        TCalQuad q;
        int p = 1;
        q.Latitude = ParseFloatAt(group, false, 1, p);
        ++p;
        q.Longitude = ParseFloatAt(group, false, 1, p);
        ++p;
        q.MapX = ParseIntAt(group, p);
        ++p;
        q.MapY = ParseIntAt(group, p);
        Data.CalQuads[++count] = q;
        Data.NumCalQuads = count;
    }
    if (count != declared) Fail(Rules, kCountMismatch);
}

} // namespace

bool FindXmlBlock(TCalXmlInput& In, std::string_view Marker, const std::string& DataID, std::string& HeaderLine)
{
    // The writers turn quotes into apostrophes; the same identifier must still match.
    std::string wanted = LowerAscii(DataID);
    std::replace(wanted.begin(), wanted.end(), '"', '\'');
    std::string line;
    while (In.ReadLine(line)) {
        const std::string lower = LowerAscii(line);
        if (lower.find(Marker) == std::string::npos || lower.find("tyxware") == std::string::npos) continue;
        std::string id;
        QuotedValue(lower, lower, "id", id);
        if (!wanted.empty() && id != wanted) continue;
        HeaderLine = std::move(line);
        return true;
    }
    return false;
}

bool FindCalibBlock(TCalXmlInput& In, const std::string& DataID, TCalXmlHeader& Header)
{
    std::string line;
    if (!FindXmlBlock(In, "<geomap", DataID, line)) return false;
    const std::string lower = LowerAscii(line);
    Header = TCalXmlHeader{};
    QuotedValue(lower, lower, "id", Header.DataID);
    Header.HasModel = QuotedValue(lower, lower, "model", Header.ModelName);
    QuotedValue(lower, lower, "map", Header.MapFName);
    QuotedValue(lower, line, "caption", Header.Caption);
    return true;
}

void ReadCalibBlockElements(TCalXmlInput& In, TCalibData& Data, const TCalXmlRules& Rules)
{
    std::string contents, attrs;
    for (;;) {
        const int tag = In.ReadNextTag(contents, attrs);
        switch (tag) {
        case gxtCalLine: ReadCalLine(attrs, contents, Data, Rules); break;
        case gxtCorners: ReadCorners(contents, Data); break;
        case gxtResolution: {
            int p = 1;
            Data.Resolution = ParseFloatAt(contents, true, 3, p);
            break;
        }
        case gxtCalQuads: ReadCalQuads(attrs, contents, Data, Rules); break;
        case gxtUTMZone: {
            int p = 1;
            Data.UTMZone = ParseIntAt(contents, p);
            break;
        }
        case gxtUTMSouth: Data.UTMSouth = LowerAscii(TrimWhite(contents)) == "true"; break;
        case gxtEllipsoid: {
            static const std::vector<std::string> ids(GeoEllipsoidId, GeoEllipsoidId + GeoEllipsoidCount);
            const int ix = StringIx(TrimWhite(contents), ids);
            Data.Ellipsoid = static_cast<TGeoEllipsoid>(ix > 0 ? ix - 1 : 0);
            break;
        }
        case gxtGeomapEnd:
        case gxtInvalidTag: return;
        default:
            if (tag < 0 || tag > gxtInvalidTag) return;
            break;
        }
    }
}

namespace {

bool ParseFromInput(TCalXmlInput& In, const std::string& DataID, TCalibData& Data, TCalibModel& Model)
{
    TCalXmlHeader header;
    if (!FindCalibBlock(In, DataID, header)) return false;
    Model = header.HasModel ? CalibModelFromName(header.ModelName) : cmBiquadraticPn;
    Data.NumCalLines = 0;
    Data.MapFName = header.MapFName;
    Data.Caption = header.Caption;
    TCalXmlRules rules;
    rules.KeepShortLines = true;
    ReadCalibBlockElements(In, Data, rules);
    return true;
}

} // namespace

bool ReadTextFile(const std::string& FName, const std::function<bool(TTextFile&)>& Read)
{
    TTextFile f;
    try {
        f.Reset(FName);
    } catch (const EInOutError&) {
        return false;
    }
    const bool result = Read(f);
    f.Close();
    return result;
}

bool ParseCalibData(const std::string& FileName, const std::string& DataID, TCalibData& Data,
                    TCalibModel& Model)
{
    return ReadTextFile(FileName, [&](TTextFile& f) {
        TCalXmlFileInput in(f);
        return ParseFromInput(in, DataID, Data, Model);
    });
}

bool ParseCalibData(TStream& InStream, const std::string& DataID, TCalibData& Data, TCalibModel& Model)
{
    TCalXmlStreamInput in(InStream);
    return ParseFromInput(in, DataID, Data, Model);
}

std::string FindFileIgnoringCase(const std::string& FileName, TCaseFold Fold)
{
    if (!Fold) Fold = LowerAscii;
    namespace fs = std::filesystem;
    std::error_code ec;
    if (FileName.empty() || fs::exists(fs::path(FileName), ec)) return FileName;
    // Walk the path one part at a time, taking each part as it is spelled on the disk.
    const fs::path path(FileName);
    fs::path found;
    for (const fs::path& part : path) {
        const fs::path exact = found / part;
        if (part == path.root_path() || part == path.root_directory() || fs::exists(exact, ec)) {
            found = exact;
            continue;
        }
        const std::string wanted = Fold(part.string());
        const fs::path dir = found.empty() ? fs::path(".") : found;
        bool matched = false;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            if (Fold(it->path().filename().string()) == wanted) {
                found /= it->path().filename();
                matched = true;
                break;
            }
        }
        if (!matched) return FileName;
    }
    return fs::is_regular_file(found, ec) ? found.string() : FileName;
}

} // namespace tyx
