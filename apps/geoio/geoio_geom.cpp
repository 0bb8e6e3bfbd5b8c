// Paths into items: closing points, degenerate paths, and cutting at the antimeridian.
#include "geoio_internal.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tyx::geoio {

namespace {

using detail::TPath;
using detail::TPos;

constexpr const char* KindNames[] = {"border", "town", "city", "lake", "river", "road", "route"};

// The step from A to B the short way round, in (-180, 180].
double Wrap(double D)
{
    while (D > 180) D -= 360;
    while (D <= -180) D += 360;
    return D;
}

bool CrossesAntimeridian(const TPath& P, bool Closed)
{
    for (std::size_t i = 1; i < P.size(); ++i)
        if (std::fabs(P[i].Lon - P[i - 1].Lon) > 180) return true;
    return Closed && P.size() > 1 && std::fabs(P.front().Lon - P.back().Lon) > 180;
}

// Keeps the part of a closed ring on one side of the meridian X (Sutherland-Hodgman).
TPath ClipRing(const TPath& In, double X, bool KeepEast)
{
    TPath out;
    const auto inside = [&](const TPos& p) { return KeepEast ? p.Lon >= X : p.Lon <= X; };
    for (std::size_t i = 0; i < In.size(); ++i) {
        const TPos& a = In[(i + In.size() - 1) % In.size()];
        const TPos& b = In[i];
        if (inside(b) != inside(a)) {
            const double t = (X - a.Lon) / (b.Lon - a.Lon);
            out.push_back({X, a.Lat + t * (b.Lat - a.Lat)});
        }
        if (inside(b)) out.push_back(b);
    }
    return out;
}

TgdbPolygon ToPoints(const TPath& P, double Shift)
{
    TgdbPolygon pts;
    pts.reserve(P.size());
    for (const TPos& p : P)
        pts.push_back({static_cast<float>(p.Lat), static_cast<float>(std::clamp(p.Lon + Shift, -180.0, 180.0))});
    return pts;
}

} // namespace

std::optional<TgdbItem> KindFromName(const std::string& Name)
{
    static const TgdbItem items[] = {gitBorder, gitTown, gitCity, gitLake, gitRiver, gitRoad, gitRoute};
    for (std::size_t i = 0; i < std::size(KindNames); ++i)
        if (Name == KindNames[i]) return items[i];
    return std::nullopt;
}

std::string KindName(TgdbItem Kind)
{
    return Kind <= gitRoute ? KindNames[Kind] : ItemKindName(Kind);
}

namespace detail {

void CheckPosition(const TPos& P, const std::string& Where)
{
    if (!std::isfinite(P.Lat) || std::fabs(P.Lat) > 90)
        throw EGeoIOError(fmt::format("{}: latitude {} is out of range -90..90", Where, P.Lat));
    if (!std::isfinite(P.Lon) || std::fabs(P.Lon) > 180)
        throw EGeoIOError(fmt::format("{}: longitude {} is out of range -180..180", Where, P.Lon));
}

uint8_t ClassFromText(const std::string& Text, const std::string& Where)
{
    int v = -1;
    const auto r = std::from_chars(Text.data(), Text.data() + Text.size(), v);
    if (r.ec != std::errc() || r.ptr != Text.data() + Text.size() || v < 0 || v > 255)
        throw EGeoIOError(fmt::format("{}: class '{}' is not an integer 0..255", Where, Text));
    return static_cast<uint8_t>(v);
}

TgdbItem ResolveKind(const TReadOptions& Options, const std::string& FeatureKind, bool Point, const std::string& Where)
{
    std::optional<TgdbItem> k = Options.Kind;
    if (!k && !FeatureKind.empty()) k = KindFromName(FeatureKind);
    if (!k) return Point ? gitTown : gitBorder;
    if (Point != (*k == gitTown))
        throw EGeoIOError(fmt::format("{}: {} cannot be stored as {}", Where, Point ? "a point" : "a line or area",
                                      KindName(*k)));
    return *k;
}

void EmitPath(TPath Path, bool Closed, bool Hole, const TGeoItem& Proto, std::vector<TGeoItem>& Out,
              TReadStats& Stats)
{
    if (Closed && Path.size() > 1 && Path.front().Lon == Path.back().Lon && Path.front().Lat == Path.back().Lat)
        Path.pop_back();
    if (Path.size() < (Closed ? 3u : 2u)) {
        ++Stats.DegenerateRings;
        return;
    }
    const auto emit = [&](const TPath& P, double Shift) {
        TGeoItem it = Proto;
        it.Closed = Closed;
        it.Hole = Hole;
        it.Points = ToPoints(P, Shift);
        Out.push_back(std::move(it));
    };
    if (!CrossesAntimeridian(Path, Closed)) {
        emit(Path, 0);
        return;
    }
    // Unwrapped, the path runs on without jumps, perhaps beyond +-180.
    TPath u = Path;
    for (std::size_t i = 1; i < u.size(); ++i) u[i].Lon = u[i - 1].Lon + Wrap(Path[i].Lon - Path[i - 1].Lon);
    if (Closed) {
        // A ring whose longitudes go once around the globe encloses a pole: kept as it is.
        const double net = u.back().Lon + Wrap(Path.front().Lon - Path.back().Lon) - u.front().Lon;
        if (std::fabs(net) > 180) {
            emit(Path, 0);
            return;
        }
        ++Stats.SplitAtAntimeridian;
        const auto [lo, hi] = std::minmax_element(u.begin(), u.end(), [](const TPos& a, const TPos& b) { return a.Lon < b.Lon; });
        for (int k = static_cast<int>(std::floor((lo->Lon + 180) / 360)); k * 360 - 180 < hi->Lon; ++k) {
            const double west = k * 360.0 - 180, east = west + 360;
            const TPath piece = ClipRing(ClipRing(u, west, true), east, false);
            if (piece.size() >= 3) emit(piece, -360.0 * k);
        }
        return;
    }
    ++Stats.SplitAtAntimeridian;
    // A line: a new piece wherever it steps over +-180.
    TPath piece{Path.front()};
    for (std::size_t i = 1; i < Path.size(); ++i) {
        const TPos& a = Path[i - 1];
        const double bLon = a.Lon + Wrap(Path[i].Lon - a.Lon);
        const double edge = bLon > 180 ? 180 : bLon < -180 ? -180 : 0;
        if (edge != 0) {
            const double lat = a.Lat + (edge - a.Lon) / (bLon - a.Lon) * (Path[i].Lat - a.Lat);
            piece.push_back({edge, lat});
            if (piece.size() >= 2) emit(piece, 0);
            piece = {{-edge, lat}};
        }
        piece.push_back(Path[i]);
    }
    if (piece.size() >= 2) emit(piece, 0);
}

} // namespace detail

} // namespace tyx::geoio
