#include "geomap/core/Tyx_landmarks.h"

#include "geomap/core/Tyx_symbols.h"
#include "geomap/core/tyx_geomap_values.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"
#include "support/Tyx_math1.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace tyx {

namespace {

enum TLandMarkAttr {
    laLat, laLong, laAlti, laClass, laUserTag, laColorFG, laColorBG, laSize, laTransp, laDir, laLeng, laElement,
    laId, laDate, laCapText, laCapSize, laCapFontName, laCapFGColor, laCapBGColor, laCapTransp, laCapDir, laCapDx,
    laCapDy, laCapHAl, laCapVAl, laCapFontStyle, laCount
};
constexpr std::array<std::string_view, laCount> LandMarkAttrNames = {
    "lat",    "long",   "alti",     "class",   "usertag", "colorfg",  "colorbg",   "size",   "transp",
    "dir",    "leng",   "element",  "id",      "date",    "captext",  "capsize",   "capfnm", "capfgcol",
    "capbgcol", "captransp", "capdir", "capdx", "capdy",  "caphal",   "capval",    "capfst"};

constexpr const char* DateFormat = "yyyymmddHHMMSS";
constexpr TFontStyle FontStyleOrder[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};

int IntOf(std::string_view Value)
{
    int pos = 1;
    return ParseIntAt(Value, pos);
}

double FloatOf(std::string_view Value)
{
    int pos = 1;
    return ParseFloatAt(Value, true, 3, pos);
}

TColor HexOf(std::string_view Value)
{
    int pos = 1;
    return ScanHex(std::string(Value), pos);
}

bool FlagOf(std::string_view Value) { return PosOfOccurrence("true", Value, 1, 1, true) > 0; }

// The shortest text that reads back as the same double; more digits only where the reader's
// long double conversion would round a short text to a neighbour.
std::string RoundTrip(double Value)
{
    if (!std::isfinite(Value)) return "0";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, Value);
    std::string text(buf, r.ptr);
    for (int digits = 17; digits <= 25; ++digits) {
        int pos = 1;
        if (ParseFloatAt(text, true, 1, pos) == Value) break;
        r = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::general, digits);
        text.assign(buf, r.ptr);
    }
    return text;
}

std::string FontStyleText(TFontStyles Styles)
{
    std::string out;
    for (const TFontStyle f : FontStyleOrder) out += (Styles & f) ? '1' : '0';
    return out;
}

TFontStyles FontStylesOf(std::string_view Value)
{
    TFontStyles styles = 0;
    for (std::size_t i = 0; i < 4 && i < Value.size(); ++i)
        if (Value[i] == '1') styles |= FontStyleOrder[i];
    return styles;
}

const char* TrueFalse(bool Value) { return Value ? "true" : "false"; }

} // namespace

std::string LandMarkDateText(TDateTime Time)
{
    // The form holds years 1 to 9999 only: a time beyond them is written as the nearest end of
    // that range, so that the file still reads back. Far is past both ends and safe to decode.
    constexpr TDateTime Far = 1e7;
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(std::isnan(Time) ? 0.0 : std::clamp(Time, -Far, Far), y, mo, d, h, mi, s, ms);
    if (y < 1) return "00010101000000";
    if (y > 9999) return "99991231235959";
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y, mo, d, h, mi, s);
    return buf;
}

TDateTime LandMarkDateFromText(const std::string& Text)
{
    int pos = 1;
    return ScanDateTime(Text, DateFormat, lanEnglish, pos);
}

namespace {

using TLandMarkViews = std::array<std::string_view, laCount>;

TLandMark LandMarkFromViews(const TLandMarkViews& v)
{
    TLandMark L;
    L.Latitude = FloatOf(v[laLat]);
    L.Longitude = FloatOf(v[laLong]);
    L.Altitude = FloatOf(v[laAlti]);
    L.ClassFlag = static_cast<uint8_t>(IntOf(v[laClass]) & 0xFF);
    L.Tag = IntOf(v[laUserTag]);
    TSymbolProperties& s = L.SymbolProps;
    s.FGColor = HexOf(v[laColorFG]);
    s.BGColor = HexOf(v[laColorBG]);
    s.Size = IntOf(v[laSize]);
    s.Transparent = FlagOf(v[laTransp]);
    s.Direction = IntOf(v[laDir]);
    s.Length = IntOf(v[laLeng]);
    s.Kind = LandMarkElementFromName(v[laElement]);
    L.Identifier = v[laId];
    L.Time = LandMarkDateFromText(std::string(v[laDate]));
    TLMTextProperties& c = L.Caption;
    c.Text = v[laCapText];
    c.Size = IntOf(v[laCapSize]);
    c.FontName = v[laCapFontName];
    c.FGColor = HexOf(v[laCapFGColor]);
    c.BGColor = HexOf(v[laCapBGColor]);
    c.Transparent = FlagOf(v[laCapTransp]);
    c.Direction = IntOf(v[laCapDir]);
    c.dx = IntOf(v[laCapDx]);
    c.dy = IntOf(v[laCapDy]);
    c.HAlignment = static_cast<TAlignment>(IntOf(v[laCapHAl]) & 0xFF);
    c.VAlignment = static_cast<TVerticalAlignment>(IntOf(v[laCapVAl]) & 0xFF);
    c.FontStyles = FontStylesOf(v[laCapFontStyle]);
    return L;
}

// Whether a value is a number read to its end that a double holds. An empty value is the
// format's missing one and passes; the scanner gives the largest double for a number too large,
// so that value counts as too large.
bool FiniteNumberText(std::string_view Value)
{
    const auto last = Value.find_last_not_of(' ');
    if (last == std::string_view::npos) return true;
    int pos = 1;
    const double v = ParseFloatAt(Value, true, 3, pos);
    return static_cast<std::size_t>(pos) > last + 1 && Value.find_first_of("0123456789") != std::string_view::npos &&
           std::abs(v) < std::numeric_limits<double>::max();
}

void NoteBadCoordinates(const TLandMarkViews& v, const TLandMark& L, int Number, TLandMarkReadReport& Report)
{
    const std::pair<TLandMarkAttr, double> coords[] = {{laLat, L.Latitude}, {laLong, L.Longitude}, {laAlti, L.Altitude}};
    for (const auto& [attr, read] : coords)
        if (!FiniteNumberText(v[attr])) Report.BadCoordinates.push_back({Number, LandMarkAttrNames[attr], read});
}

} // namespace

TLandMark LandMarkFromXmlAttributes(const std::string& Attributes)
{
    TLandMarkViews v;
    GetAttributeViews(Attributes, LandMarkAttrNames, v);
    return LandMarkFromViews(v);
}

std::string LandMarkXmlLine(const TLandMark& L)
{
    const TSymbolProperties& s = L.SymbolProps;
    const TLMTextProperties& c = L.Caption;
    const TLandMarkElement kind = s.Kind < LMTypeNames.size() ? s.Kind : lmCross;
    std::string line = "<landmark";
    line.reserve(480);
    line += XmlAttr("lat", RoundTrip(L.Latitude));
    line += XmlAttr("long", RoundTrip(L.Longitude));
    line += XmlAttr("alti", RoundTrip(L.Altitude));
    line += XmlAttr("class", std::to_string(L.ClassFlag));
    line += XmlAttr("usertag", std::to_string(L.Tag));
    line += XmlAttr("element", LowerAscii(LMTypeNames[kind]));
    line += XmlAttr("colorfg", Hex(s.FGColor, 8));
    line += XmlAttr("colorbg", Hex(s.BGColor, 8));
    line += XmlAttr("size", std::to_string(s.Size));
    line += XmlAttr("transp", TrueFalse(s.Transparent));
    line += XmlAttr("dir", std::to_string(s.Direction));
    line += XmlAttr("leng", std::to_string(s.Length));
    line += XmlAttr("id", XmlAttrText(L.Identifier.Str()));
    line += XmlAttr("date", LandMarkDateText(L.Time));
    line += XmlAttr("captext", XmlAttrText(c.Text.Str()));
    line += XmlAttr("capsize", std::to_string(c.Size));
    line += XmlAttr("capfnm", XmlAttrText(c.FontName));
    line += XmlAttr("capfgcol", Hex(c.FGColor, 8));
    line += XmlAttr("capbgcol", Hex(c.BGColor, 8));
    line += XmlAttr("captransp", TrueFalse(c.Transparent));
    line += XmlAttr("capdir", std::to_string(c.Direction));
    line += XmlAttr("capdx", std::to_string(c.dx));
    line += XmlAttr("capdy", std::to_string(c.dy));
    line += XmlAttr("caphal", std::to_string(c.HAlignment));
    line += XmlAttr("capval", std::to_string(c.VAlignment));
    line += XmlAttr("capfst", FontStyleText(c.FontStyles));
    line += " />";
    return line;
}

void WriteLandMarksToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID, const TLandMarkList& List)
{
    if (Header) {
        F.WriteLn("<?xml version=\"1.0\"?>");
        F.WriteLn("");
        F.WriteLn("<!-- TGeoMap Landmarks / Tyxware -->");
    }
    F.WriteLn("<gmlandmarks" + XmlAttr("sig", "Tyxware") + XmlAttr("vers", "1.0") + XmlAttr("id", XmlAttrText(DataID)) +
              ">");
    for (const TLandMark& L : List.Items()) F.WriteLn(LandMarkXmlLine(L));
    F.WriteLn("</gmlandmarks>");
}

bool ReadLandMarksFromOpenXMLFile(TTextFile& F, const std::string& DataID, TLandMarkList& List,
                                  TLandMarkReadReport* Report)
{
    TCalXmlFileInput in(F);
    std::string header;
    if (!FindXmlBlock(in, "<gmlandmarks", DataID, header)) return false;
    List.RemoveAllLandMarks();
    if (Report) *Report = TLandMarkReadReport{};
    std::string contents, attrs;
    TLandMarkViews v;
    for (;;) {
        const int tag = in.ReadNextTag(contents, attrs);
        if (tag == gxtGmLandmarksEnd && Report) Report->Closed = true;
        if (tag == gxtGmLandmarksEnd || tag == gxtInvalidTag || tag < 0) break;
        if (tag != gxtLandmark) continue;
        GetAttributeViews(attrs, LandMarkAttrNames, v);
        const TLandMark L = LandMarkFromViews(v);
        List.AppendLandMark(L);
        if (Report) NoteBadCoordinates(v, L, List.NumLandMarks(), *Report);
    }
    return true;
}

} // namespace tyx
