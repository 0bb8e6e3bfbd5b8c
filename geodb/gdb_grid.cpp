#include "geodb/gdb_grid.h"
#include "geodb/gdb_memory.h"

#include "geodb/Tyx_GeoDB.h"

#include <algorithm>
#include <cmath>
#include <limits>


namespace tyx::gdb {

namespace {

// About this many items to a cell of the finest grid: fewer cells to step over than items to test.
constexpr double kItemsPerCell = 4;
// The finest cell is at least this share of the items' spread, which bounds the cell count when
// the items lie on a line or in one spot.
constexpr double kMaxCellsAcross = 4096;

// How far beyond a grid's cell a query looks south and west: rounding of the box extents and of
// the query's own arithmetic must never make it skip the row or column of an item that meets it.
double Reach(double Cell, double Edge)
{
    return Cell + 1e-9 * Cell + 1e-12 * (std::fabs(Edge) + 1);
}

} // namespace

void TBoxGrid::Clear()
{
    FLevels.clear();
    FCellStart.clear();
    FEntries.clear();
    FChanged.clear();
    FPending.clear();
    FEntries.shrink_to_fit();
    FPending.shrink_to_fit();
}

std::size_t TBoxGrid::LevelOf(const TBox& B) const
{
    const double extent = std::max(double{B.LatHigh} - double{B.LatLow}, double{B.LongHigh} - double{B.LongLow});
    std::size_t l = 0;
    while (l + 1 < FLevels.size() && FLevels[l].Cell < extent) ++l;
    return l;
}

// Row and column by multiplying with the inverse cell: the same arithmetic for placing and for
// finding, and monotone, which is all that exactness needs.
std::size_t TBoxGrid::RowOf(const TLevel& L, double Lat) const
{
    const double r = std::floor((Lat - FLat0) * L.PerCell);
    if (!(r > 0)) return 0;
    return r >= static_cast<double>(L.Rows - 1) ? L.Rows - 1 : static_cast<std::size_t>(r);
}

std::size_t TBoxGrid::ColOf(const TLevel& L, double Long) const
{
    const double c = std::floor((Long - FLong0) * L.PerCell);
    if (!(c > 0)) return 0;
    return c >= static_cast<double>(L.Cols - 1) ? L.Cols - 1 : static_cast<std::size_t>(c);
}

void TBoxGrid::Build(const TgdbData* Records, std::size_t Count)
{
    Clear();
    FChanged.assign(Count, false);
    if (Count == 0) return;
    const auto boxOf = [Records](std::size_t i) {
        const TgdbData& d = Records[i];
        return TBox{d.LatLow, d.LatHigh, d.LongLow, d.LongHigh};
    };
    float laMin = std::numeric_limits<float>::infinity(), laMax = -laMin, loMin = laMin, loMax = -laMin;
    for (std::size_t i = 0; i < Count; ++i) {
        laMin = std::min(laMin, Records[i].LatLow);
        laMax = std::max(laMax, Records[i].LatLow);
        loMin = std::min(loMin, Records[i].LongLow);
        loMax = std::max(loMax, Records[i].LongLow);
    }
    FLat0 = laMin;
    FLong0 = loMin;
    const double spanLa = double{laMax} - laMin, spanLo = double{loMax} - loMin, span = std::max(spanLa, spanLo);
    double cell = std::sqrt(spanLa * spanLo / std::max(1.0, static_cast<double>(Count) / kItemsPerCell));
    cell = std::max(cell, span / kMaxCellsAcross);
    if (!(cell > 0) || !std::isfinite(cell)) cell = std::max(1.0, span);
    std::size_t cells = 0;
    for (double c = cell;; c *= 2) {
        TLevel L;
        L.Cell = c;
        L.PerCell = 1 / c;
        L.Rows = static_cast<std::size_t>(spanLa / c) + 1;
        L.Cols = static_cast<std::size_t>(spanLo / c) + 1;
        L.FirstCell = cells;
        cells += L.Rows * L.Cols;
        FLevels.push_back(L);
        if (c >= span) break;
    }
    // A counting sort: cell sizes, their running ends, then each entry put in front of its cell's
    // end (from the last record back, so that a cell keeps record order).
    FCellStart.assign(cells + 1, 0);
    std::vector<uint32_t> cellOf;
    ResizeLargeTable(cellOf, Count);
    for (std::size_t i = 0; i < Count; ++i) {
        const TBox b = boxOf(i);
        const std::size_t level = LevelOf(b);
        const TLevel& L = FLevels[level];
        const std::size_t c = L.FirstCell + RowOf(L, b.LatLow) * L.Cols + ColOf(L, b.LongLow);
        cellOf[i] = static_cast<uint32_t>(c);
        ++FCellStart[c];
        ++FLevels[level].Items;
    }
    for (std::size_t c = 1; c <= cells; ++c) FCellStart[c] += FCellStart[c - 1];
    ResizeLargeTable(FEntries, Count);
    for (std::size_t i = Count; i-- > 0;) FEntries[--FCellStart[cellOf[i]]] = TEntry{boxOf(i), static_cast<int32_t>(i)};
}

void TBoxGrid::Put(int32_t Index, const TgdbData& Data)
{
    if (static_cast<std::size_t>(Index) < FChanged.size()) FChanged[static_cast<std::size_t>(Index)] = true;
    FPending.push_back(TEntry{{Data.LatLow, Data.LatHigh, Data.LongLow, Data.LongHigh}, Index});
}

void TBoxGrid::Drop(int32_t Index)
{
    const auto i = static_cast<std::size_t>(Index);
    if (i < FChanged.size() && !FChanged[i]) {
        FChanged[i] = true;
        return;
    }
    // The latest changes are the likeliest to change again.
    for (std::size_t k = FPending.size(); k-- > 0;) {
        if (FPending[k].Index == Index) {
            FPending[k] = FPending.back();
            FPending.pop_back();
            return;
        }
    }
}

bool TBoxGrid::WantsBuild(std::size_t Count, bool ForQuery) const
{
    // A query reads every waiting change, so it wants few; a change itself builds only when the
    // waiting list has grown to a share of the whole, which keeps a bulk load linear.
    return FPending.size() > (ForQuery ? 256 + Count / 64 : 4096 + Count / 2);
}

void TBoxGrid::Find(double LatLow, double LatHigh, double LongLow, double LongHigh, std::vector<int>& Out) const
{
    const auto scan = [&](const TEntry* From, const TEntry* To) {
        for (const TEntry* e = From; e != To; ++e)
            if (e->Box.Meets(LatLow, LatHigh, LongLow, LongHigh) && !FChanged[static_cast<std::size_t>(e->Index)])
                Out.push_back(e->Index + 1);
    };
    for (std::size_t l = 0; l < FLevels.size(); ++l) {
        const TLevel& L = FLevels[l];
        if (L.Items == 0) continue;
        if (l + 1 == FLevels.size()) {
            // The coarsest grid also holds the items larger than its cells: all of it is read.
            scan(FEntries.data() + FCellStart[L.FirstCell], FEntries.data() + FCellStart[L.FirstCell + L.Rows * L.Cols]);
            continue;
        }
        const std::size_t r0 = RowOf(L, LatLow - Reach(L.Cell, LatLow)), r1 = RowOf(L, LatHigh);
        const std::size_t c0 = ColOf(L, LongLow - Reach(L.Cell, LongLow)), c1 = ColOf(L, LongHigh);
        for (std::size_t r = r0; r <= r1; ++r) {
            const std::size_t row = L.FirstCell + r * L.Cols;
            scan(FEntries.data() + FCellStart[row + c0], FEntries.data() + FCellStart[row + c1 + 1]);
        }
    }
    for (const TEntry& e : FPending)
        if (e.Box.Meets(LatLow, LatHigh, LongLow, LongHigh)) Out.push_back(e.Index + 1);
}

} // namespace tyx::gdb
