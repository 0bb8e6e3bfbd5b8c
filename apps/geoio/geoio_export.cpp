// A database's items as a GeoJSON FeatureCollection. Written as a stream, so that a large database
// is not held twice in memory; numbers in the fewest digits that read back to the stored floats.
#include "geoio_internal.h"

#include "host/tyx_streams.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <map>
#include <tuple>
#include <unordered_map>

namespace tyx::geoio {

namespace {

// Properties keep the order they were read in.
using json = nlohmann::ordered_json;

void Num(std::string& Out, float V)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, V);
    Out.append(buf, r.ptr);
}

void Position(std::string& Out, const TSCoords& P)
{
    Out += '[';
    Num(Out, P.Longit);
    Out += ',';
    Num(Out, P.Latit);
    Out += ']';
}

void Line(std::string& Out, const TgdbPolygon& Pts, bool Close)
{
    Out += '[';
    for (std::size_t i = 0; i < Pts.size(); ++i) {
        if (i) Out += ',';
        Position(Out, Pts[i]);
    }
    if (Close && !Pts.empty()) {
        Out += ',';
        Position(Out, Pts.front());
    }
    Out += ']';
}

bool IsHoleOf(const TgdbData& Hole, const TgdbData& Outer)
{
    return Hole.StateFlag == HoleStateFlag && Hole.ItemKind == Outer.ItemKind && Hole.Closed &&
           Hole.Name == Outer.Name;
}

// The items that make one feature, by their tag (the ItemId of the first); items not imported as
// part of a feature are not among them.
using TFeatureKey = std::tuple<int32_t, int, std::string>;
std::map<TFeatureKey, std::vector<int>> Features(TGeoDB& Db)
{
    std::map<TFeatureKey, std::vector<std::pair<int32_t, int>>> byId;
    for (int e = 1; e <= Db.NumEntries(); ++e) {
        const TgdbData d = Db.GetSumdata(e);
        if (IsPolygonKind(d.ItemKind) && d.Tag > 0 && d.Tag <= d.ItemId)
            byId[{d.Tag, d.ItemKind, d.Name.Str()}].emplace_back(d.ItemId, e);
    }
    std::map<TFeatureKey, std::vector<int>> out;
    for (auto& [key, items] : byId) {
        std::sort(items.begin(), items.end());
        auto& entries = out[key];
        for (const auto& [id, e] : items) entries.push_back(e);
    }
    return out;
}

// The geometry of the items of one feature: rings as polygons (each hole in the polygon of the
// outer ring before it), lines as lines; one of each is a Polygon or LineString.
void Geometry(std::string& Out, TGeoDB& Db, const std::vector<int>& Items)
{
    std::vector<std::vector<TgdbPolygon>> polygons;
    std::vector<TgdbPolygon> lines;
    TgdbPolygon pts;
    for (const int e : Items) {
        if (!Db.RetrievePolygon(e, pts)) continue;
        const TgdbData d = Db.GetSumdata(e);
        if (!d.Closed) {
            lines.push_back(pts);
            continue;
        }
        const bool hole = d.StateFlag == HoleStateFlag && !polygons.empty();
        detail::Orient(pts, hole);
        if (hole)
            polygons.back().push_back(pts);
        else
            polygons.push_back({pts});
    }
    const auto polygon = [&](const std::vector<TgdbPolygon>& Rings) {
        Out += '[';
        for (std::size_t r = 0; r < Rings.size(); ++r) {
            if (r) Out += ',';
            Line(Out, Rings[r], true);
        }
        Out += ']';
    };
    const auto part = [&](const char* One, const char* Many, std::size_t N, const auto& Write) {
        Out += "{\"type\":\"";
        Out += N == 1 ? One : Many;
        Out += "\",\"coordinates\":";
        if (N > 1) Out += '[';
        for (std::size_t i = 0; i < N; ++i) {
            if (i) Out += ',';
            Write(i);
        }
        if (N > 1) Out += ']';
        Out += '}';
    };
    const bool both = !polygons.empty() && !lines.empty();
    if (both) Out += "{\"type\":\"GeometryCollection\",\"geometries\":[";
    if (!polygons.empty())
        part("Polygon", "MultiPolygon", polygons.size(), [&](std::size_t i) { polygon(polygons[i]); });
    if (both) Out += ',';
    if (!lines.empty())
        part("LineString", "MultiLineString", lines.size(), [&](std::size_t i) { Line(Out, lines[i], false); });
    if (both) Out += "]}";
}

} // namespace

std::unordered_map<int32_t, nlohmann::ordered_json> StoredProperties(TGeoDB& Db)
{
    std::unordered_map<int32_t, nlohmann::ordered_json> all;
    TMetaInfo info;
    TMemoryStream data;
    for (int e = 1; e <= Db.NumEntries(); ++e) {
        if (Db.GetSumdata(e).ItemKind != gitBLOB || !Db.GetMetaInfo(e, info) ||
            info.Descriptor.Str() != PropertiesDescriptor || !Db.RetrieveBLOB(e, info, data))
            continue;
        const auto* p = reinterpret_cast<const char*>(data.Memory());
        const json j = json::parse(p, p + data.Size(), nullptr, false);
        if (!j.is_object()) throw EGeoIOError(fmt::format("entry {}: the stored properties cannot be read", e));
        for (const auto& [id, props] : j.items()) all[std::atoi(id.c_str())] = props;
    }
    return all;
}

int WriteGeoJson(TGeoDB& Db, const std::string& FileName, const std::optional<TBox>& Box)
{
    std::vector<int> entries;
    if (Box) {
        entries = Db.FindItemsInBox(Box->South, Box->North, Box->West, Box->East);
    } else {
        entries.resize(static_cast<std::size_t>(Db.NumEntries()));
        for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = static_cast<int>(i) + 1;
    }
    const auto stored = StoredProperties(Db);
    const auto features = Features(Db);
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EGeoIOError(fmt::format("{}: cannot be written", FileName));
    out << "{\"type\":\"FeatureCollection\",\"features\":[";
    std::vector<bool> written(static_cast<std::size_t>(Db.NumEntries()) + 1);
    std::string f;
    std::vector<int> items;
    int count = 0;
    bool first = true;
    for (const int e : entries) {
        if (written[static_cast<std::size_t>(e)]) continue;
        const TgdbData d = Db.GetSumdata(e);
        f.clear();
        int32_t id = d.ItemId;
        if (d.ItemKind == gitTown) {
            f += "{\"type\":\"Point\",\"coordinates\":";
            Position(f, ExtractLocation(d));
            f += '}';
            items = {e};
        } else if (IsPolygonKind(d.ItemKind) && d.NumPoints > 0) {
            const auto feature = features.find({d.Tag, d.ItemKind, d.Name.Str()});
            if (feature != features.end()) {
                id = d.Tag;
                items = feature->second;
            } else {
                // Without a feature, the holes stored right after an outer ring go into its polygon.
                items = {e};
                for (int h = e + 1; d.Closed && d.StateFlag != HoleStateFlag && h <= Db.NumEntries() &&
                                    IsHoleOf(Db.GetSumdata(h), d);
                     ++h)
                    items.push_back(h);
            }
            Geometry(f, Db, items);
        } else {
            continue;
        }
        for (const int i : items) written[static_cast<std::size_t>(i)] = true;
        count += static_cast<int>(items.size());
        json props = {{"name", d.Name.Str()}, {"kind", KindName(d.ItemKind)}, {"class", int{d.ClassFlag}}};
        if (const auto p = stored.find(id); p != stored.end() && p->second.is_object())
            for (const auto& [k, v] : p->second.items()) props[k] = v;
        out << (first ? "\n" : ",\n") << "{\"type\":\"Feature\",\"id\":" << id << ",\"geometry\":" << f
            << ",\"properties\":" << props.dump(-1, ' ', false, json::error_handler_t::replace) << '}';
        first = false;
    }
    out << "\n]}\n";
    out.close();
    if (!out) throw EGeoIOError(fmt::format("{}: writing failed", FileName));
    return count;
}

} // namespace tyx::geoio
