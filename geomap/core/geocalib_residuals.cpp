// Residuals of calibration points and the checks that a model can be fitted to them.
#include "geomap/core/Tyx_calibresiduals.h"

#include "geobasics/Tyx_geobasics.h"
#include "geomap/core/tyx_geomap_xml.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tyx {

namespace {

using TVec3 = std::array<double, 3>;

TVec3 Minus(const TVec3& a, const TVec3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

double Dot(const TVec3& a, const TVec3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

TVec3 Cartesian(double Lat, double Long, TGeoEllipsoid Ellipsoid)
{
    TVec3 v{};
    GeoToCartesian(Lat, Long, 0, Ellipsoid, v[0], v[1], v[2]);
    return v;
}

// The fitted position of a map-image pixel, on the ellipsoid; false where the fit gives none.
bool FittedPoint(const TGeoCalibration& C, int x, int y, TVec3& P)
{
    bool validLat = false, validLong = false;
    const double lat = C.CalcLatitude(x, y, validLat);
    const double lon = C.CalcLongitude(x, y, validLong);
    P = Cartesian(lat, lon, C.CalibData().Ellipsoid);
    return validLat && validLong;
}

// Rank of the design whose columns are the given terms of each row, after centring and scaling
// every variable, so that pixel numbers in the thousands and degrees below one weigh alike.
template <size_t Terms>
int DesignRank(std::vector<std::array<double, Terms>> Rows)
{
    if (Rows.empty()) return 0;
    std::vector<std::vector<double>> basis;
    for (size_t t = 0; t < Terms; ++t) {
        std::vector<double> col(Rows.size());
        for (size_t i = 0; i < Rows.size(); ++i) col[i] = Rows[i][t];
        double norm = 0;
        for (double v : col) norm += v * v;
        // Gram-Schmidt against the independent columns so far; what is left is new.
        for (const auto& b : basis) {
            double d = 0;
            for (size_t i = 0; i < col.size(); ++i) d += col[i] * b[i];
            for (size_t i = 0; i < col.size(); ++i) col[i] -= d * b[i];
        }
        double rest = 0;
        for (double v : col) rest += v * v;
        if (rest > 1e-18 * norm && rest > 0) {
            for (double& v : col) v /= std::sqrt(rest);
            basis.push_back(std::move(col));
        }
    }
    return static_cast<int>(basis.size());
}

// The rank of the affine (1, u, v) or second-order (1, u, v, u², uv, v²) design of the pairs.
int PairRank(const std::vector<std::array<double, 2>>& Pairs, bool SecondOrder)
{
    // Centred on the middle and scaled to -1..1, each axis alone.
    std::array<double, 2> lo{Pairs[0]}, hi{Pairs[0]};
    for (const auto& p : Pairs)
        for (int k = 0; k < 2; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    auto norm = [&](const std::array<double, 2>& p, int k) {
        const double half = (hi[k] - lo[k]) / 2;
        return half > 0 ? (p[k] - (lo[k] + hi[k]) / 2) / half : 0.0;
    };
    if (!SecondOrder) {
        std::vector<std::array<double, 3>> rows;
        for (const auto& p : Pairs) rows.push_back({1, norm(p, 0), norm(p, 1)});
        return DesignRank(rows);
    }
    std::vector<std::array<double, 6>> rows;
    for (const auto& p : Pairs) {
        const double u = norm(p, 0), v = norm(p, 1);
        rows.push_back({1, u, v, u * u, u * v, v * v});
    }
    return DesignRank(rows);
}

} // namespace

std::vector<TCalibResidual> CalibResiduals(const TGeoCalibration& Calib)
{
    const TCalibModel model = Calib.CalibModel();
    if (model == cmParabolicIp || model == cmUndefined) return {};
    const TCalibData& d = Calib.CalibData();
    constexpr double ToRad = std::numbers::pi / 180;
    std::vector<TCalibResidual> out;
    for (int i = 1; i <= std::clamp(d.NumCalQuads, 0, gmMaxCalQuads); ++i) {
        const TCalQuad& q = d.CalQuads[i];
        TCalibResidual r;
        double lat = q.Latitude, lon = q.Longitude;
        if (model == cmUTM)
            UTMToLatLong(q.Longitude, q.Latitude, d.UTMZone, d.UTMSouth, d.Ellipsoid, lat, lon);
        const TVec3 given = Cartesian(lat, lon, d.Ellipsoid);
        TVec3 at{}, right{}, below{};
        const bool valid = d.UTMZone >= 1 || model != cmUTM;
        if (valid && FittedPoint(Calib, q.MapX, q.MapY, at) && FittedPoint(Calib, q.MapX + 1, q.MapY, right)
            && FittedPoint(Calib, q.MapX, q.MapY + 1, below)) {
            // East and north at the given position; the fit's step per pixel in that frame tells
            // how many pixels away the fit puts the position.
            const TVec3 east{-std::sin(lon * ToRad), std::cos(lon * ToRad), 0};
            const TVec3 north{-std::sin(lat * ToRad) * std::cos(lon * ToRad),
                              -std::sin(lat * ToRad) * std::sin(lon * ToRad), std::cos(lat * ToRad)};
            const TVec3 miss = Minus(given, at);
            r.East = Dot(miss, east);
            r.North = Dot(miss, north);
            r.Metres = std::sqrt(Dot(miss, miss));
            const TVec3 dx = Minus(right, at), dy = Minus(below, at);
            const double ax = Dot(dx, east), ay = Dot(dy, east), bx = Dot(dx, north), by = Dot(dy, north);
            const double det = ax * by - ay * bx;
            r.PixelX = (r.East * by - ay * r.North) / det;
            r.PixelY = (ax * r.North - bx * r.East) / det;
            r.Pixels = std::hypot(r.PixelX, r.PixelY);
            r.Valid = std::isfinite(r.Pixels) && std::isfinite(r.Metres);
        }
        out.push_back(r);
    }
    return out;
}

std::string CalibFitProblem(const TGeoCalibration& Calib, TCalibModel Model)
{
    const TCalibData& d = Calib.CalibData();
    const std::string name = "the " + CalibModelName(Model) + " model";
    if (Model == cmUndefined) return "no calibration model chosen";
    if (Model == cmParabolicIp) {
        int parallels = 0, meridians = 0;
        for (int i = 1; i <= std::clamp(d.NumCalLines, 0, gmMaxCalLines); ++i)
            if (d.CalLines[i].NumPoints >= 3) ++(d.CalLines[i].LineType == gtlParallel ? parallels : meridians);
        if (parallels >= 2 && meridians >= 2) return {};
        return name + " needs at least two parallels and two meridians of three or more points each, has "
               + std::to_string(parallels) + " and " + std::to_string(meridians);
    }
    const int n = std::clamp(d.NumCalQuads, 0, gmMaxCalQuads);
    const bool secondOrder = Model == cmBiquadraticPn;
    const int least = secondOrder ? 6 : 3;
    if (n < least)
        return name + " needs at least " + std::to_string(least) + " calibration points, " + std::to_string(n)
               + " given";
    if (Model == cmUTM && (d.UTMZone < 1 || d.UTMZone > 60)) return name + " needs a UTM zone from 1 to 60";
    std::vector<std::array<double, 2>> pixels, positions;
    for (int i = 1; i <= n; ++i) {
        pixels.push_back({static_cast<double>(d.CalQuads[i].MapX), static_cast<double>(d.CalQuads[i].MapY)});
        positions.push_back({d.CalQuads[i].Latitude, d.CalQuads[i].Longitude});
    }
    if (PairRank(pixels, false) < 3) return "all calibration points lie on one line of the image";
    if (PairRank(positions, false) < 3) return "the positions of all calibration points lie on one line";
    if (secondOrder && (PairRank(pixels, true) < 6 || PairRank(positions, true) < 6))
        return name + " needs points that do not all lie on one curve of second order, such as two lines;"
                      " add points elsewhere on the map";
    return {};
}

} // namespace tyx
