// Paths into items: closing points, degenerate paths, and cutting at the antimeridian.
#include "geoio_internal.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

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

// Clips an unwrapped ring to each 360-degree window of longitude it reaches and hands each piece
// of 3 points or more to Emit with the shift that brings it back within -180..180. A ring may wind
// round thousands of windows, so each window is clipped from the points that can matter to it
// only: those within it, their neighbours, and the first and last point (where the clip starts).
// Between the ends of a run of points on one side outside a window the clip adds nothing, so the
// pieces are those of clipping the whole ring to every window, in time linear in the points.
void CutRingIntoWindows(const TPath& U, const std::function<void(const TPath&, double)>& Emit)
{
    const auto [lo, hi] = std::minmax_element(U.begin(), U.end(), [](const TPos& a, const TPos& b) { return a.Lon < b.Lon; });
    const int first = static_cast<int>(std::floor((lo->Lon + 180) / 360));
    int end = first;
    while (end * 360.0 - 180 < hi->Lon) ++end;
    const auto west = [](int K) { return K * 360.0 - 180; };
    // Indexes into U of each window's points, ascending, starting with the first point.
    std::vector<std::vector<std::size_t>> keep(static_cast<std::size_t>(end - first), std::vector<std::size_t>{0});
    for (std::size_t i = 0; i < U.size(); ++i) {
        const int k = static_cast<int>(std::floor((U[i].Lon + 180) / 360));
        for (int w = std::max(k - 1, first); w <= std::min(k + 1, end - 1); ++w) {
            if (U[i].Lon < west(w) || U[i].Lon > west(w) + 360) continue;
            auto& list = keep[static_cast<std::size_t>(w - first)];
            for (std::size_t j = i == 0 ? 0 : i - 1; j <= std::min(i + 1, U.size() - 1); ++j)
                if (j > list.back()) list.push_back(j);
        }
    }
    TPath ring;
    for (int w = first; w < end; ++w) {
        const auto& list = keep[static_cast<std::size_t>(w - first)];
        ring.clear();
        for (const std::size_t i : list) ring.push_back(U[i]);
        if (list.back() != U.size() - 1) ring.push_back(U.back());
        const TPath piece = ClipRing(ClipRing(ring, west(w), true), west(w) + 360, false);
        if (piece.size() >= 3) Emit(piece, -360.0 * w);
    }
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

std::string ItemName(std::string Name, TReadStats& Stats)
{
    bool changed = false;
    for (char& c : Name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
            changed = true;
        }
    }
    // Transliteration is no change; a cut or a character that became '?' is.
    bool lost = false;
    if (changed || Utf8ToCp1252(Name, &lost).size() > TgdbName::Capacity() || lost) ++Stats.NamesChanged;
    return Name;
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

void Orient(TgdbPolygon& Ring, bool Hole)
{
    double twiceArea = 0;
    for (std::size_t i = 0; i < Ring.size(); ++i) {
        const TSCoords& a = Ring[i];
        const TSCoords& b = Ring[(i + 1) % Ring.size()];
        twiceArea += double{a.Longit} * b.Latit - double{b.Longit} * a.Latit;
    }
    if (Ring.size() > 2 && (Hole ? twiceArea > 0 : twiceArea < 0)) std::reverse(Ring.begin() + 1, Ring.end());
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
        CutRingIntoWindows(u, emit);
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
