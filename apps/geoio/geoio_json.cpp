// GeoJSON and TopoJSON into items. nlohmann::json parses; the walk over features and geometries and
// the TopoJSON arc decoding (quantised deltas, transform, reversed arcs) are here.
#include "geoio_internal.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace tyx::geoio {

namespace {

using detail::TPath;
using detail::TPos;
// Objects in the order of the file, so that items are stored in that order too.
using json = nlohmann::ordered_json;

struct TContext {
    std::string Source;
    const TReadOptions& Options;
    TReadStats& Stats;
    std::vector<TGeoItem>& Out;
    std::string DefaultName;
    std::size_t MaxPoints = 0;
    std::size_t Points = 0;  ///< decoded so far
    int Feature = 0;  ///< counted from 1 for messages
    // TopoJSON only: the decoded arcs and the transform of point coordinates.
    std::vector<TPath> Arcs;
    bool Quantised = false;
    double Scale[2] = {1, 1}, Translate[2] = {0, 0};

    std::string Where() const { return Feature > 0 ? fmt::format("{}: feature {}", Source, Feature) : Source; }
    [[noreturn]] void Fail(const std::string& What) const { throw EGeoIOError(Where() + ": " + What); }
    // Counts N more decoded points, refusing the file before they are built beyond the bound.
    void Count(std::size_t N)
    {
        Points += N;
        if (Points > MaxPoints)
            throw EGeoIOPointLimit(fmt::format("{}: more than {} points{}", Where(), MaxPoints,
                                               Options.MaxPoints ? "" : fmt::format(", {} per byte of the file", PointsPerByte)));
    }
};

// A value for a message: its JSON text, cut short, so that no message carries a whole sub-document.
std::string Shown(const json& J)
{
    constexpr std::size_t Most = 40;
    std::string s = J.dump(-1, ' ', false, json::error_handler_t::replace);
    if (s.size() <= Most) return s;
    std::size_t cut = Most;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut; // not inside a character
    return s.substr(0, cut) + "...";
}

// The 1-based byte offset of the first bracket nested deeper than MaxJsonNesting, 0 if there is
// none. Counted on the text, before the document is built: walking it, printing a part of it and
// the nested collections recurse as deep as the nesting goes.
std::size_t TooDeep(const std::string& Text)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MaxJsonNesting) return i + 1;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return 0;
}

const json& Member(const TContext& C, const json& J, const char* Key)
{
    const auto it = J.find(Key);
    if (it == J.end()) C.Fail(fmt::format("no \"{}\"", Key));
    return *it;
}

const json& Array(const TContext& C, const json& J, const char* What)
{
    if (!J.is_array()) C.Fail(fmt::format("{} is not an array", What));
    return J;
}

std::string TypeOf(const TContext& C, const json& J)
{
    if (!J.is_object()) C.Fail("an object was expected");
    const json& t = Member(C, J, "type");
    if (!t.is_string()) C.Fail("\"type\" is not a text");
    return t.get<std::string>();
}

double Number(const TContext& C, const json& J, const char* What)
{
    if (!J.is_number()) C.Fail(fmt::format("{} {} is not a number", What, Shown(J)));
    return J.get<double>();
}

// A position [long, lat, ...]; in a quantised topology point coordinates are transformed too.
TPos Position(const TContext& C, const json& J)
{
    if (!J.is_array() || J.size() < 2) C.Fail(fmt::format("position {} is not [long, lat]", Shown(J)));
    TPos p{Number(C, J[0], "longitude"), Number(C, J[1], "latitude")};
    if (C.Quantised) {
        p.Lon = p.Lon * C.Scale[0] + C.Translate[0];
        p.Lat = p.Lat * C.Scale[1] + C.Translate[1];
    }
    detail::CheckPosition(p, C.Where());
    return p;
}

TPath Positions(TContext& C, const json& J)
{
    C.Count(Array(C, J, "a coordinate list").size());
    TPath path;
    path.reserve(J.size());
    for (const json& p : J) path.push_back(Position(C, p));
    return path;
}

// TopoJSON: the path of a list of arc indexes. A negative index ~i is arc i reversed; each arc
// after the first starts where the previous one ended, so its first point is dropped.
TPath ArcPath(TContext& C, const json& J)
{
    const auto arcOf = [&C](const json& Ix) -> const TPath& {
        if (!Ix.is_number_integer()) C.Fail(fmt::format("arc index {} is not an integer", Shown(Ix)));
        const int64_t i = Ix.get<int64_t>();
        const int64_t arc = i < 0 ? ~i : i;
        if (arc >= static_cast<int64_t>(C.Arcs.size()))
            C.Fail(fmt::format("arc index {} is beyond the {} arcs", i, C.Arcs.size()));
        return C.Arcs[static_cast<std::size_t>(arc)];
    };
    // Counted first, so that a path beyond the bound is refused before it is built.
    std::size_t total = 0;
    for (const json& ix : Array(C, J, "an arc list")) {
        const TPath& a = arcOf(ix);
        total += a.size() - std::min<std::size_t>(total == 0 ? 0 : 1, a.size());
    }
    C.Count(total);
    TPath path;
    path.reserve(total);
    for (const json& ix : J) {
        const TPath& a = arcOf(ix);
        const auto skip = static_cast<std::ptrdiff_t>(std::min<std::size_t>(path.empty() ? 0 : 1, a.size()));
        if (ix.get<int64_t>() >= 0)
            path.insert(path.end(), a.begin() + skip, a.end());
        else
            path.insert(path.end(), a.rbegin() + skip, a.rend());
    }
    return path;
}

std::string Text(const json& J)
{
    if (J.is_string()) return J.get<std::string>();
    if (J.is_number_integer()) return std::to_string(J.get<int64_t>());
    return J.is_null() ? std::string() : J.dump();
}

// The name of a feature: its "NAME" or "name" property, else its id, else the default.
std::string FeatureName(const TContext& C, const json& Feature)
{
    std::string name = C.DefaultName;
    const auto id = Feature.find("id");
    if (id != Feature.end() && !id->is_null()) name = Text(*id);
    const auto props = Feature.find("properties");
    if (props == Feature.end() || !props->is_object()) return name;
    for (const char* key : {"NAME", "name"}) {
        const auto n = props->find(key);
        if (n != props->end() && !n->is_null()) name = Text(*n);
    }
    return name;
}

// Name, kind and class of a feature (GeoJSON Feature or TopoJSON geometry).
TGeoItem Proto(const TContext& C, const json& Feature)
{
    TGeoItem it;
    it.Name = detail::ItemName(FeatureName(C, Feature), C.Stats);
    const auto props = Feature.find("properties");
    if (props == Feature.end() || props->is_null()) return it;
    if (!props->is_object()) C.Fail("\"properties\" is not an object");
    const auto cls = props->find(C.Options.ClassBy);
    if (cls != props->end() && !cls->is_null()) {
        if (cls->is_number_integer() || cls->is_string())
            it.Class = detail::ClassFromText(Text(*cls), C.Where());
        else if (cls->is_number() && cls->get<double>() == static_cast<double>(static_cast<int>(cls->get<double>())))
            it.Class = detail::ClassFromText(std::to_string(static_cast<int>(cls->get<double>())), C.Where());
        else
            C.Fail(fmt::format("class {} is not an integer 0..255", Shown(*cls)));
    } else if (C.Options.ClassBy != "class") {
        C.Fail(fmt::format("no property '{}'", C.Options.ClassBy));
    }
    return it;
}

std::string FeatureKind(const json& Feature)
{
    const auto props = Feature.find("properties");
    if (props == Feature.end() || !props->is_object()) return {};
    const auto kind = props->find("kind");
    return kind != props->end() && kind->is_string() ? kind->get<std::string>() : std::string();
}

void Geometry(TContext& C, const json& G, const TGeoItem& Base, const std::string& Kind, bool Topo)
{
    // A topology may keep an empty geometry as a null type.
    if (Topo && G.is_object() && G.contains("type") && G["type"].is_null()) return;
    const std::string type = TypeOf(C, G);
    if (type == "GeometryCollection") {
        for (const json& g : Array(C, Member(C, G, "geometries"), "\"geometries\"")) Geometry(C, g, Base, Kind, Topo);
        return;
    }
    const bool point = type == "Point" || type == "MultiPoint";
    TGeoItem proto = Base;
    proto.Kind = detail::ResolveKind(C.Options, Kind, point, C.Where());
    const auto addPoint = [&](const TPos& p) {
        C.Count(1);
        TGeoItem it = proto;
        it.Points = {{static_cast<float>(p.Lat), static_cast<float>(p.Lon)}};
        C.Out.push_back(std::move(it));
    };
    const auto path = [&](const json& J) { return Topo ? ArcPath(C, J) : Positions(C, J); };
    const auto polygon = [&](const json& Rings) {
        bool hole = false;
        for (const json& r : Array(C, Rings, "a polygon")) {
            detail::EmitPath(path(r), true, hole, proto, C.Out, C.Stats);
            hole = true;
        }
    };
    if (type == "Point") {
        addPoint(Position(C, Member(C, G, "coordinates")));
    } else if (type == "MultiPoint") {
        for (const json& p : Array(C, Member(C, G, "coordinates"), "\"coordinates\"")) addPoint(Position(C, p));
    } else if (type == "LineString") {
        detail::EmitPath(path(Member(C, G, Topo ? "arcs" : "coordinates")), false, false, proto, C.Out, C.Stats);
    } else if (type == "MultiLineString") {
        for (const json& l : Array(C, Member(C, G, Topo ? "arcs" : "coordinates"), "a line list"))
            detail::EmitPath(path(l), false, false, proto, C.Out, C.Stats);
    } else if (type == "Polygon") {
        polygon(Member(C, G, Topo ? "arcs" : "coordinates"));
    } else if (type == "MultiPolygon") {
        for (const json& p : Array(C, Member(C, G, Topo ? "arcs" : "coordinates"), "a polygon list")) polygon(p);
    } else {
        C.Fail(fmt::format("unknown geometry type '{}'", type));
    }
}

// The properties an item does not give back by itself: name, kind and class are left out when
// the item holds them as they are.
std::string ExtraProperties(const json& Props, const TGeoItem& It)
{
    json extra = Props;
    const auto same = [&](const char* Key, const json& Value) {
        const auto v = extra.find(Key);
        if (v != extra.end() && *v == Value) extra.erase(v);
    };
    same("name", TgdbName(It.Name).Str());
    same("kind", KindName(It.Kind));
    same("class", int{It.Class});
    return extra.empty() ? std::string() : extra.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The items of one feature: its lines and areas are one feature of the database, each point one
// of its own; each carries the properties.
void Feature(TContext& C, const json& F, const json& G, bool Topo)
{
    const std::size_t first = C.Out.size();
    Geometry(C, G, Proto(C, F), FeatureKind(F), Topo);
    const auto props = F.find("properties");
    bool started = false;
    for (std::size_t i = first; i < C.Out.size(); ++i) {
        TGeoItem& it = C.Out[i];
        it.NewFeature = it.Kind == gitTown || !started;
        started = started || it.Kind != gitTown;
        if (it.NewFeature && props != F.end() && props->is_object()) it.Properties = ExtraProperties(*props, it);
    }
}

// The name a "crs" member gives, empty for WGS 84 longitude/latitude (or a null member).
std::string ForeignCrs(const json& J)
{
    const auto crs = J.find("crs");
    if (crs == J.end() || crs->is_null()) return {};
    std::string name = Shown(*crs);
    if (crs->is_object()) {
        const auto props = crs->find("properties");
        if (props != crs->end() && props->is_object()) {
            const auto n = props->find("name");
            if (n != props->end() && n->is_string()) name = n->get<std::string>();
        }
    }
    // "urn:ogc:def:crs:OGC:1.3:CRS84", "EPSG:4326", "urn:ogc:def:crs:EPSG::4326", ".../EPSG/0/4326"
    const auto endsWith = [&](const std::string& Tail) {
        return name.size() >= Tail.size() && name.compare(name.size() - Tail.size(), Tail.size(), Tail) == 0;
    };
    return endsWith("CRS84") || endsWith(":4326") || endsWith("/4326") ? std::string() : name;
}

void GeoJson(TContext& C, const json& J)
{
    const std::string type = TypeOf(C, J);
    if (type == "FeatureCollection" || type == "Feature") C.Stats.ForeignCrs = ForeignCrs(J);
    const auto feature = [&C](const json& F) {
        const json& g = Member(C, F, "geometry");
        if (g.is_null())
            ++C.Stats.NullGeometries;
        else
            Feature(C, F, g, false);
    };
    if (type == "FeatureCollection") {
        for (const json& f : Array(C, Member(C, J, "features"), "\"features\"")) {
            ++C.Feature;
            if (TypeOf(C, f) != "Feature") C.Fail("not a Feature");
            feature(f);
        }
    } else if (type == "Feature") {
        C.Feature = 1;
        feature(J);
    } else {
        Feature(C, J, J, false);
    }
}

void TopoJson(TContext& C, const json& J)
{
    const auto tr = J.find("transform");
    if (tr != J.end()) {
        const json& s = Array(C, Member(C, *tr, "scale"), "\"scale\"");
        const json& t = Array(C, Member(C, *tr, "translate"), "\"translate\"");
        if (s.size() != 2 || t.size() != 2) C.Fail("the transform needs two scales and two translations");
        for (int i = 0; i < 2; ++i) {
            C.Scale[i] = Number(C, s[static_cast<std::size_t>(i)], "scale");
            C.Translate[i] = Number(C, t[static_cast<std::size_t>(i)], "translation");
        }
    }
    // Arcs: in a quantised topology the positions are integer steps from the previous position.
    const json& arcs = Array(C, Member(C, J, "arcs"), "\"arcs\"");
    C.Arcs.reserve(arcs.size());
    for (std::size_t a = 0; a < arcs.size(); ++a) {
        TPath path;
        double x = 0, y = 0;
        for (const json& p : Array(C, arcs[a], "an arc")) {
            if (!p.is_array() || p.size() < 2) C.Fail(fmt::format("arc {}: position {} is not [x, y]", a, Shown(p)));
            double px = Number(C, p[0], "arc x"), py = Number(C, p[1], "arc y");
            if (tr != J.end()) {
                x += px;
                y += py;
                px = x * C.Scale[0] + C.Translate[0];
                py = y * C.Scale[1] + C.Translate[1];
            }
            const TPos pos{px, py};
            detail::CheckPosition(pos, fmt::format("{}: arc {}", C.Source, a));
            path.push_back(pos);
        }
        C.Arcs.push_back(std::move(path));
    }
    C.Quantised = tr != J.end();

    const json& objects = Member(C, J, "objects");
    if (!objects.is_object()) C.Fail("\"objects\" is not an object");
    if (!C.Options.Object.empty() && !objects.contains(C.Options.Object)) {
        std::string names;
        for (const auto& [k, v] : objects.items()) names += (names.empty() ? "" : ", ") + k;
        C.Fail(fmt::format("no object '{}'; the topology holds {}", C.Options.Object, names));
    }
    for (const auto& [name, obj] : objects.items()) {
        if (!C.Options.Object.empty() && name != C.Options.Object) continue;
        C.DefaultName = name;
        if (TypeOf(C, obj) == "GeometryCollection") {
            for (const json& g : Array(C, Member(C, obj, "geometries"), "\"geometries\"")) {
                ++C.Feature;
                Feature(C, g, g, true);
            }
        } else {
            ++C.Feature;
            Feature(C, obj, obj, true);
        }
    }
}

} // namespace

std::vector<TGeoItem> ReadJsonText(const std::string& Text, const std::string& Source, const TReadOptions& Options,
                                   TReadStats& Stats)
{
    if (const std::size_t at = TooDeep(Text))
        throw EGeoIOError(fmt::format("{}: nested deeper than {} levels at byte {}", Source, MaxJsonNesting, at));
    json j;
    try {
        j = json::parse(Text);
    } catch (const json::exception& e) { // a syntax error, or a number beyond double's range
        // The library's message starts with its own tag; the reader wants the place and the fault.
        std::string what = e.what();
        const auto tag = what.find("] ");
        throw EGeoIOError(fmt::format("{}: not valid JSON: {}", Source, tag == std::string::npos ? what : what.substr(tag + 2)));
    }
    std::vector<TGeoItem> out;
    const std::size_t maxPoints = Options.MaxPoints.value_or(PointsPerByte * Text.size());
    TContext c{Source, Options, Stats, out, std::filesystem::path(Source).stem().string(), maxPoints, 0, 0, {}, false,
               {1, 1}, {0, 0}};
    if (TypeOf(c, j) == "Topology")
        TopoJson(c, j);
    else
        GeoJson(c, j);
    return out;
}

} // namespace tyx::geoio
