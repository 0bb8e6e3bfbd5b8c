// Nanoseconds per geodesy conversion, each beside the same conversion done by GeographicLib.
// Every benchmark walks the same fixed set of points so that neither side converts one constant.
#include "geobasics/Tyx_geobasics.h"

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/UTMUPS.hpp>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>

using namespace tyx;
namespace GL = GeographicLib;

namespace {

constexpr std::size_t PointCount = 256;

struct TGeoPoint {
    double Lat, Long, Height;
};

// Points spread over the UTM range (or over the northern cap for UPS) by a fixed recurrence.
std::array<TGeoPoint, PointCount> MakePoints(double LatLow, double LatHigh)
{
    std::array<TGeoPoint, PointCount> p{};
    double u = 0.3, v = 0.7;
    for (auto& q : p) {
        u = std::fmod(u + 0.618033988749895, 1.0);
        v = std::fmod(v + 0.414213562373095, 1.0);
        q.Lat = LatLow + (LatHigh - LatLow) * u;
        q.Long = -179.9 + 359.8 * v;
        q.Height = 1000 * u;
    }
    return p;
}

const std::array<TGeoPoint, PointCount>& UTMPoints()
{
    static const auto p = MakePoints(-79.5, 83.5);
    return p;
}

const std::array<TGeoPoint, PointCount>& PolarPoints()
{
    static const auto p = MakePoints(84.5, 89.5);
    return p;
}

struct TUTMPoint {
    int Zone;
    bool North;
    double Easting, Northing;
};

const std::array<TUTMPoint, PointCount>& UTMGrid()
{
    static const auto g = [] {
        std::array<TUTMPoint, PointCount> g{};
        for (std::size_t i = 0; i < PointCount; ++i) {
            const TGeoPoint& p = UTMPoints()[i];
            LatLongToUTM(p.Lat, p.Long, gelWGS84, g[i].Zone, g[i].Easting, g[i].Northing);
            g[i].North = p.Lat >= 0;
        }
        return g;
    }();
    return g;
}

struct TXYZ {
    double X, Y, Z;
};

const std::array<TXYZ, PointCount>& Cartesian()
{
    static const auto c = [] {
        std::array<TXYZ, PointCount> c{};
        for (std::size_t i = 0; i < PointCount; ++i) {
            const TGeoPoint& p = UTMPoints()[i];
            GeoToCartesian(p.Lat, p.Long, p.Height, gelWGS84, c[i].X, c[i].Y, c[i].Z);
        }
        return c;
    }();
    return c;
}

// Calls Convert on the points in turn, as many times as the benchmark asks.
template <typename TPoints, typename F>
void Loop(benchmark::State& State, const TPoints& Points, F&& Convert)
{
    std::size_t i = 0;
    for (auto _ : State) Convert(Points[i++ % PointCount]);
}

template <typename... T>
void Keep(T&... Values)
{
    (benchmark::DoNotOptimize(Values), ...);
}

// ---- UTM ----

void Tyx_LatLongToUTM(benchmark::State& State)
{
    Loop(State, UTMPoints(), [](const TGeoPoint& p) {
        int zone;
        double e, n;
        LatLongToUTM(p.Lat, p.Long, gelWGS84, zone, e, n);
        Keep(zone, e, n);
    });
}
BENCHMARK(Tyx_LatLongToUTM);

void GL_UTMUPS_Forward(benchmark::State& State)
{
    Loop(State, UTMPoints(), [](const TGeoPoint& p) {
        int zone;
        bool north;
        double e, n;
        GL::UTMUPS::Forward(p.Lat, p.Long, zone, north, e, n);
        Keep(zone, e, n);
    });
}
BENCHMARK(GL_UTMUPS_Forward);

void Tyx_UTMToLatLong(benchmark::State& State)
{
    Loop(State, UTMGrid(), [](const TUTMPoint& g) {
        double lat, lon;
        UTMToLatLong(g.Easting, g.Northing, g.Zone, !g.North, gelWGS84, lat, lon);
        Keep(lat, lon);
    });
}
BENCHMARK(Tyx_UTMToLatLong);

void GL_UTMUPS_Reverse(benchmark::State& State)
{
    Loop(State, UTMGrid(), [](const TUTMPoint& g) {
        double lat, lon;
        GL::UTMUPS::Reverse(g.Zone, g.North, g.Easting, g.Northing, lat, lon);
        Keep(lat, lon);
    });
}
BENCHMARK(GL_UTMUPS_Reverse);

// ---- UPS ----

void Tyx_LatLongToUPS(benchmark::State& State)
{
    Loop(State, PolarPoints(), [](const TGeoPoint& p) {
        double x, y;
        LatLongToUPS(p.Lat, p.Long, gelWGS84, x, y);
        Keep(x, y);
    });
}
BENCHMARK(Tyx_LatLongToUPS);

void GL_UTMUPS_Forward_UPS(benchmark::State& State)
{
    Loop(State, PolarPoints(), [](const TGeoPoint& p) {
        int zone;
        bool north;
        double x, y;
        GL::UTMUPS::Forward(p.Lat, p.Long, zone, north, x, y, GL::UTMUPS::UPS);
        Keep(x, y);
    });
}
BENCHMARK(GL_UTMUPS_Forward_UPS);

const std::array<TXYZ, PointCount>& UPSGrid()
{
    static const auto g = [] {
        std::array<TXYZ, PointCount> g{};
        for (std::size_t i = 0; i < PointCount; ++i)
            LatLongToUPS(PolarPoints()[i].Lat, PolarPoints()[i].Long, gelWGS84, g[i].X, g[i].Y);
        return g;
    }();
    return g;
}

void Tyx_UPSToLatLong(benchmark::State& State)
{
    Loop(State, UPSGrid(), [](const TXYZ& g) {
        double lat, lon;
        UPSToLatLong(g.X, g.Y, false, gelWGS84, lat, lon);
        Keep(lat, lon);
    });
}
BENCHMARK(Tyx_UPSToLatLong);

void GL_UTMUPS_Reverse_UPS(benchmark::State& State)
{
    Loop(State, UPSGrid(), [](const TXYZ& g) {
        double lat, lon;
        GL::UTMUPS::Reverse(GL::UTMUPS::UPS, true, g.X, g.Y, lat, lon);
        Keep(lat, lon);
    });
}
BENCHMARK(GL_UTMUPS_Reverse_UPS);

// ---- Cartesian ----

void Tyx_GeoToCartesian(benchmark::State& State)
{
    Loop(State, UTMPoints(), [](const TGeoPoint& p) {
        double x, y, z;
        GeoToCartesian(p.Lat, p.Long, p.Height, gelWGS84, x, y, z);
        Keep(x, y, z);
    });
}
BENCHMARK(Tyx_GeoToCartesian);

void GL_Geocentric_Forward(benchmark::State& State)
{
    const GL::Geocentric& earth = GL::Geocentric::WGS84();
    Loop(State, UTMPoints(), [&](const TGeoPoint& p) {
        double x, y, z;
        earth.Forward(p.Lat, p.Long, p.Height, x, y, z);
        Keep(x, y, z);
    });
}
BENCHMARK(GL_Geocentric_Forward);

void Tyx_CartesianToGeo(benchmark::State& State)
{
    Loop(State, Cartesian(), [](const TXYZ& c) {
        double lat, lon, h;
        CartesianToGeo(c.X, c.Y, c.Z, gelWGS84, lat, lon, h);
        Keep(lat, lon, h);
    });
}
BENCHMARK(Tyx_CartesianToGeo);

void GL_Geocentric_Reverse(benchmark::State& State)
{
    const GL::Geocentric& earth = GL::Geocentric::WGS84();
    Loop(State, Cartesian(), [&](const TXYZ& c) {
        double lat, lon, h;
        earth.Reverse(c.X, c.Y, c.Z, lat, lon, h);
        Keep(lat, lon, h);
    });
}
BENCHMARK(GL_Geocentric_Reverse);

// ---- Helmert: the counterpart is two geocentric conversions around the same seven-parameter step ----

void Tyx_HelmertTransform(benchmark::State& State)
{
    Loop(State, UTMPoints(), [](const TGeoPoint& p) {
        double lat, lon, h;
        int status = HelmertTransform(13, p.Lat, p.Long, p.Height, 268, lat, lon, h);
        Keep(status, lat, lon, h);
    });
}
BENCHMARK(Tyx_HelmertTransform);

void GL_Geocentric_Helmert(benchmark::State& State)
{
    // Bessel 1841 (datum 13, Amersfoort) to WGS 1972 (datum 268), parameters as in the datum table.
    const GL::Geocentric source(6377397.155, 1 - 6356078.96284 / 6377397.155);
    const GL::Geocentric target(6378135, 1 - 6356750.519915 / 6378135.0);
    const double sec = std::acos(-1.0) / 180 / 3600;
    const double k1 = 1 + 4.08e-6, rx1 = -0.409 * sec, ry1 = 0.36 * sec, rz1 = -1.869 * sec;
    const double k2 = 1 - 0.219e-6, rz2 = -0.554 * sec;
    Loop(State, UTMPoints(), [&](const TGeoPoint& p) {
        double x, y, z, lat, lon, h;
        source.Forward(p.Lat, p.Long, p.Height, x, y, z);
        const double x1 = k1 * (x - y * rz1 + z * ry1) + 565, y1 = k1 * (x * rz1 + y - z * rx1) + 49.9,
                     z1 = k1 * (-x * ry1 + y * rx1 + z) + 465.8;
        const double x2 = k2 * (x1 - y1 * rz2), y2 = k2 * (x1 * rz2 + y1), z2 = k2 * z1 - 4.5;
        target.Reverse(x2, y2, z2, lat, lon, h);
        Keep(lat, lon, h);
    });
}
BENCHMARK(GL_Geocentric_Helmert);

} // namespace

BENCHMARK_MAIN();
