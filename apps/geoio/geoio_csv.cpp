// CSV towns: name,lat,long[,class], with or without a header line; quoted fields as in RFC 4180.
#include "geoio_internal.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tyx::geoio {

namespace {

struct TRecord {
    int Line = 0;
    std::vector<std::string> Fields;
};

// Splits the whole text into records; a quoted field may hold commas, quotes ("") and line breaks.
std::vector<TRecord> SplitCsv(const std::string& Text, const std::string& Source)
{
    std::vector<TRecord> recs;
    TRecord cur;
    std::string field;
    bool quoted = false, fieldStarted = false;
    int line = 1;
    cur.Line = 1;
    const auto endField = [&] {
        cur.Fields.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        if (fieldStarted || !field.empty() || !cur.Fields.empty()) endField();
        const bool blank = cur.Fields.size() == 1 && cur.Fields[0].find_first_not_of(" \t") == std::string::npos;
        if (!cur.Fields.empty() && !blank) recs.push_back(std::move(cur));
        cur = TRecord{};
        cur.Line = line;
    };
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (quoted) {
            if (c == '"' && i + 1 < Text.size() && Text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line;
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            quoted = fieldStarted = true;
        } else if (c == ',') {
            endField();
            fieldStarted = true;
        } else if (c == '\n') {
            ++line;
            endRecord();
        } else if (c != '\r') {
            field += c;
        }
    }
    if (quoted) throw EGeoIOError(fmt::format("{}:{}: a quoted field is not closed", Source, cur.Line));
    endRecord();
    return recs;
}

std::string Lower(std::string S)
{
    std::transform(S.begin(), S.end(), S.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return S;
}

std::string Trim(const std::string& S)
{
    const auto b = S.find_first_not_of(" \t");
    return b == std::string::npos ? std::string() : S.substr(b, S.find_last_not_of(" \t") - b + 1);
}

bool ToDouble(const std::string& Text, double& V)
{
    const std::string t = Trim(Text);
    const char* first = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
    const auto r = std::from_chars(first, t.data() + t.size(), V);
    return !t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size();
}

} // namespace

std::vector<TGeoItem> ReadCsvText(const std::string& Text, const std::string& Source, const TReadOptions& Options,
                                  TReadStats& Stats)
{
    if (Options.Kind && *Options.Kind != gitTown)
        throw EGeoIOError(fmt::format("{}: CSV rows are points and cannot be stored as {}", Source, KindName(*Options.Kind)));
    const std::vector<TRecord> recs = SplitCsv(Text, Source);
    std::vector<TGeoItem> items;
    if (recs.empty()) return items;

    // A header names the columns; without one they are name, lat, long and class in that order.
    std::size_t colName = 0, colLat = 1, colLong = 2, colClass = 3;
    std::size_t first = 0;
    double probe;
    const bool header = recs[0].Fields.size() < 2 || !ToDouble(recs[0].Fields[1], probe);
    if (header) {
        const auto find = [&](std::initializer_list<const char*> Names) {
            for (std::size_t i = 0; i < recs[0].Fields.size(); ++i)
                for (const char* n : Names)
                    if (Lower(Trim(recs[0].Fields[i])) == n) return i;
            return std::string::npos;
        };
        colName = find({"name"});
        colLat = find({"lat", "latitude"});
        colLong = find({"long", "lon", "lng", "longitude"});
        colClass = find({Lower(Options.ClassBy).c_str()});
        if (colName == std::string::npos || colLat == std::string::npos || colLong == std::string::npos)
            throw EGeoIOError(fmt::format("{}:{}: the header names no name, lat and long columns", Source, recs[0].Line));
        if (colClass == std::string::npos && Options.ClassBy != "class")
            throw EGeoIOError(fmt::format("{}:{}: the header names no column '{}'", Source, recs[0].Line, Options.ClassBy));
        first = 1;
    } else if (Options.ClassBy != "class") {
        throw EGeoIOError(fmt::format("{}: a class column by name needs a header line", Source));
    }

    items.reserve(recs.size() - first);
    for (std::size_t r = first; r < recs.size(); ++r) {
        const TRecord& rec = recs[r];
        const std::string where = fmt::format("{}:{}", Source, rec.Line);
        if (rec.Fields.size() <= std::max({colName, colLat, colLong}))
            throw EGeoIOError(fmt::format("{}: {} fields, too few for name, lat and long", where, rec.Fields.size()));
        detail::TPos p;
        if (!ToDouble(rec.Fields[colLat], p.Lat))
            throw EGeoIOError(fmt::format("{}: latitude '{}' is not a number", where, rec.Fields[colLat]));
        if (!ToDouble(rec.Fields[colLong], p.Lon))
            throw EGeoIOError(fmt::format("{}: longitude '{}' is not a number", where, rec.Fields[colLong]));
        detail::CheckPosition(p, where);
        TGeoItem it;
        it.Name = detail::ItemName(rec.Fields[colName], Stats);
        it.Kind = gitTown;
        if (colClass < rec.Fields.size() && !Trim(rec.Fields[colClass]).empty())
            it.Class = detail::ClassFromText(Trim(rec.Fields[colClass]), where);
        it.Points = {{static_cast<float>(p.Lat), static_cast<float>(p.Lon)}};
        items.push_back(std::move(it));
    }
    return items;
}

} // namespace tyx::geoio
