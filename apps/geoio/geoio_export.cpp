// A database's items as a GeoJSON FeatureCollection. Written as a stream, so that a large database
// is not held twice in memory; numbers in the fewest digits that read back to the stored floats.
#include "geoio.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <fstream>

namespace tyx::geoio {

namespace {

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

} // namespace

int WriteGeoJson(TGeoDB& Db, const std::string& FileName, const std::optional<TBox>& Box)
{
    std::vector<int> entries;
    if (Box) {
        entries = Db.FindItemsInBox(Box->South, Box->North, Box->West, Box->East);
    } else {
        entries.resize(static_cast<std::size_t>(Db.NumEntries()));
        for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = static_cast<int>(i) + 1;
    }
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EGeoIOError(fmt::format("{}: cannot be written", FileName));
    out << "{\"type\":\"FeatureCollection\",\"features\":[";
    std::vector<bool> written(static_cast<std::size_t>(Db.NumEntries()) + 1);
    std::string f;
    TgdbPolygon pts;
    int count = 0;
    bool first = true;
    for (const int e : entries) {
        if (written[static_cast<std::size_t>(e)]) continue;
        const TgdbData d = Db.GetSumdata(e);
        f.clear();
        if (d.ItemKind == gitTown) {
            f += "{\"type\":\"Point\",\"coordinates\":";
            Position(f, ExtractLocation(d));
        } else if (IsPolygonKind(d.ItemKind) && Db.RetrievePolygon(e, pts)) {
            if (d.Closed) {
                f += "{\"type\":\"Polygon\",\"coordinates\":[";
                Line(f, pts, true);
                // The holes stored right after an outer ring go back into its polygon.
                for (int h = e + 1; d.StateFlag != HoleStateFlag && h <= Db.NumEntries(); ++h) {
                    const TgdbData hd = Db.GetSumdata(h);
                    if (!IsHoleOf(hd, d) || !Db.RetrievePolygon(h, pts)) break;
                    f += ',';
                    Line(f, pts, true);
                    written[static_cast<std::size_t>(h)] = true;
                    ++count;
                }
                f += ']';
            } else {
                f += "{\"type\":\"LineString\",\"coordinates\":";
                Line(f, pts, false);
            }
        } else {
            continue;
        }
        written[static_cast<std::size_t>(e)] = true;
        out << (first ? "\n" : ",\n") << "{\"type\":\"Feature\",\"geometry\":" << f << "},\"properties\":{\"name\":"
            << nlohmann::json(d.Name.Str()).dump() << ",\"kind\":\"" << KindName(d.ItemKind)
            << "\",\"class\":" << int{d.ClassFlag} << ",\"id\":" << d.ItemId << "}}";
        ++count;
        first = false;
    }
    out << "\n]}\n";
    out.close();
    if (!out) throw EGeoIOError(fmt::format("{}: writing failed", FileName));
    return count;
}

} // namespace tyx::geoio
