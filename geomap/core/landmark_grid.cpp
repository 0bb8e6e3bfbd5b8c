#include "geomap/core/landmark_grid.h"

#include <algorithm>
#include <cmath>

#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/Tyx_landmarks.h"

namespace tyx {

namespace {

/// About this many positions per cell: enough that whole cells save work, few enough that the
/// cells along the edges hold a small share of a long list.
constexpr double PositionsPerCell = 64;
constexpr int MaxCellsPerSide = 512;

/// Cell of a coordinate: Scale cells per unit from Min, clamped to [0, Cells); NaN goes to 0.
int CellOf(double v, double Min, double Scale, int Cells)
{
    const double t = (v - Min) * Scale;
    if (!(t >= 0)) return 0;
    return t >= Cells ? Cells - 1 : static_cast<int>(t);
}

} // namespace

TSpotGrid::TSpotGrid(const std::vector<TLandMarkSpot>& Spots)
{
    // The grid spans all but the outermost thousandth of the positions on each side, so that a
    // few far-off landmarks cannot crowd the rest into one cell; those outside are tested singly.
    std::vector<double> Lats, Longs;
    for (const TLandMarkSpot& S : Spots)
        if (std::isfinite(S.Latitude) && std::isfinite(S.Longitude)) {
            Lats.push_back(S.Latitude);
            Longs.push_back(S.Longitude);
        }
    auto Bounds = [](std::vector<double>& v, double& Lo, double& Hi) {
        if (v.empty()) return; // no finite position: the grid stays empty
        const std::size_t Cut = v.size() / 1000;
        std::nth_element(v.begin(), v.begin() + Cut, v.end());
        Lo = v[Cut];
        std::nth_element(v.begin(), v.end() - 1 - Cut, v.end());
        Hi = v[v.size() - 1 - Cut];
    };
    double MinLat = NAN, MaxLat = NAN, MinLong = NAN, MaxLong = NAN;
    Bounds(Lats, MinLat, MaxLat);
    Bounds(Longs, MinLong, MaxLong);
    const int N = std::clamp(static_cast<int>(std::sqrt(double(Lats.size()) / PositionsPerCell)), 1, MaxCellsPerSide);
    // A span of zero, or one too wide for a double, puts every position in one row or column.
    auto ScaleOf = [N](double Min, double Max) {
        const double Span = Max - Min;
        return Span > 0 && std::isfinite(Span) ? N / Span : 0.0;
    };
    const double LatScale = ScaleOf(MinLat, MaxLat), LongScale = ScaleOf(MinLong, MaxLong);

    // Counting sort of the positions by cell; -1 marks those kept aside.
    std::vector<int> CellOfSpot(Spots.size(), -1);
    std::vector<uint32_t> Start(std::size_t(N) * N + 1, 0);
    for (std::size_t i = 0; i < Spots.size(); ++i) {
        const TLandMarkSpot& S = Spots[i];
        if (S.Latitude >= MinLat && S.Latitude <= MaxLat && S.Longitude >= MinLong && S.Longitude <= MaxLong) {
            CellOfSpot[i] = CellOf(S.Latitude, MinLat, LatScale, N) * N + CellOf(S.Longitude, MinLong, LongScale, N);
            ++Start[std::size_t(CellOfSpot[i]) + 1];
        } else {
            FOther.push_back({S.Latitude, S.Longitude});
        }
    }
    for (std::size_t c = 1; c < Start.size(); ++c) Start[c] += Start[c - 1];
    FPos.resize(Start.back());
    std::vector<uint32_t> Fill(Start.begin(), Start.end() - 1);
    for (std::size_t i = 0; i < Spots.size(); ++i)
        if (CellOfSpot[i] >= 0) FPos[Fill[std::size_t(CellOfSpot[i])]++] = {Spots[i].Latitude, Spots[i].Longitude};

    // Each cell keeps the box its positions actually span, whatever rounding put them there.
    for (std::size_t c = 0; c + 1 < Start.size(); ++c) {
        if (Start[c] == Start[c + 1]) continue;
        TCell Cell{INFINITY, -INFINITY, INFINITY, -INFINITY, Start[c], Start[c + 1]};
        for (uint32_t k = Cell.Begin; k < Cell.End; ++k) {
            Cell.MinLat = std::min(Cell.MinLat, FPos[k].Lat);
            Cell.MaxLat = std::max(Cell.MaxLat, FPos[k].Lat);
            Cell.MinLong = std::min(Cell.MinLong, FPos[k].Long);
            Cell.MaxLong = std::max(Cell.MaxLong, FPos[k].Long);
        }
        FCells.push_back(Cell);
    }
}

std::size_t TSpotGrid::CountInside(const TCornerArray& Quad) const
{
    // The edges and the side function of PositionInMap. Over a box the side function, linear in
    // the position, is least and greatest at two opposite corners; a margin far above its
    // rounding error keeps the decision for a whole cell the one the test takes for each point.
    struct TEdge {
        TCoords a;
        double dLat, dLong;
        bool Null; // coinciding corners: no position lies strictly on either side
    };
    const std::pair<TCorners, TCorners> Pairs[4] = {{gcoTopLeft, gcoTopRight},
                                                    {gcoBottomLeft, gcoTopLeft},
                                                    {gcoBottomRight, gcoBottomLeft},
                                                    {gcoTopRight, gcoBottomRight}};
    TEdge Edges[4];
    double QuadReach = 0;
    for (int k = 0; k < 4; ++k) {
        const TCoords& a = Quad[Pairs[k].first];
        const TCoords& b = Quad[Pairs[k].second];
        Edges[k] = {a, b.Latit - a.Latit, b.Longit - a.Longit, b.Latit == a.Latit && b.Longit == a.Longit};
        QuadReach = std::max({QuadReach, std::fabs(a.Latit), std::fabs(a.Longit)});
    }
    auto Side = [](const TEdge& E, double Lat, double Long) {
        return E.dLat * (E.a.Longit - Long) + E.dLong * (Lat - E.a.Latit);
    };

    std::size_t Count = 0;
    for (const TCell& C : FCells) {
        const double Reach = QuadReach + std::max({std::fabs(C.MinLat), std::fabs(C.MaxLat), std::fabs(C.MinLong),
                                                   std::fabs(C.MaxLong)});
        bool AllPositive = true, AllNegative = true, NonePositive = false, NoneNegative = false;
        for (const TEdge& E : Edges) {
            const double Lo = Side(E, E.dLong > 0 ? C.MinLat : C.MaxLat, E.dLat > 0 ? C.MaxLong : C.MinLong);
            const double Hi = Side(E, E.dLong > 0 ? C.MaxLat : C.MinLat, E.dLat > 0 ? C.MinLong : C.MaxLong);
            const double Margin = (std::fabs(E.dLat) + std::fabs(E.dLong)) * Reach * 0x1p-40;
            AllPositive = AllPositive && Lo > Margin;
            AllNegative = AllNegative && Hi < -Margin;
            NonePositive = NonePositive || E.Null || Hi < -Margin;
            NoneNegative = NoneNegative || E.Null || Lo > Margin;
        }
        if (AllPositive || AllNegative) Count += C.End - C.Begin;
        else if (!(NonePositive && NoneNegative))
            for (uint32_t k = C.Begin; k < C.End; ++k) Count += PositionInMap(FPos[k].Lat, FPos[k].Long, Quad);
    }
    for (const TPos& P : FOther) Count += PositionInMap(P.Lat, P.Long, Quad);
    return Count;
}

} // namespace tyx
