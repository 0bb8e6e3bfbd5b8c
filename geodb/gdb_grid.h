// The database's answer to box queries: the items' boxes in grids of cells, so that a query reads
// the few cells around its box instead of a band of an index. Each item sits in the cell of its
// south-west corner, in the finest of a series of grids (each cell twice the size of the one
// before) whose cells are at least as large as the item, so that a query need only look one cell
// further south and west on each grid. The grids are packed arrays, built in one pass over the
// records; items changed since (added, replaced, moved) wait in a short list beside them until the
// next building, and their old places are skipped.
#pragma once
#include <algorithm>
#include <cstddef>
#include <iterator>
#include <cstdint>
#include <vector>

namespace tyx {
struct TgdbData;
}

namespace tyx::gdb {

class TBoxGrid {
public:
    /// Places the boxes of Count records, in record order; forgets every change before.
    void Build(const TgdbData* Records, std::size_t Count);
    void Clear();
    /// Record Index (0-based) has the box of Data: a new record, or one taken out by Drop.
    void Put(int32_t Index, const TgdbData& Data);
    /// Record Index no longer has the box it was placed with (it goes, or changes).
    void Drop(int32_t Index);
    /// Whether so many changes wait that building again is cheaper than reading them per query.
    bool WantsBuild(std::size_t Count, bool ForQuery) const;
    /// Appends the 1-based numbers of the records whose boxes meet the box, in no order. A box
    /// edge meets an equal edge; an inverted record box (a polygon without points) meets nothing.
    void Find(double LatLow, double LatHigh, double LongLow, double LongHigh, std::vector<int>& Out) const;

private:
    struct TBox {
        float LatLow, LatHigh, LongLow, LongHigh;
        bool Meets(double LaLo, double LaHi, double LoLo, double LoHi) const
        {
            return LatLow <= LaHi && LatHigh >= LaLo && LongLow <= LoHi && LongHigh >= LoLo && LatLow <= LatHigh &&
                   LongLow <= LongHigh;
        }
    };
    struct TEntry {
        TBox Box;
        int32_t Index;
    };
    struct TLevel {
        double Cell = 0;          ///< degrees, both ways
        double PerCell = 0;       ///< 1 / Cell
        std::size_t Rows = 0, Cols = 0;
        std::size_t FirstCell = 0; ///< into FCellStart
        std::size_t Items = 0;
    };
    std::size_t LevelOf(const TBox& B) const;
    std::size_t RowOf(const TLevel& L, double Lat) const;
    std::size_t ColOf(const TLevel& L, double Long) const;

    double FLat0 = 0, FLong0 = 0;          ///< the south-west corner of every grid
    std::vector<TLevel> FLevels;
    std::vector<uint32_t> FCellStart;      ///< per cell of every grid, then one past the end
    std::vector<TEntry> FEntries;          ///< by cell
    std::vector<bool> FChanged;            ///< per record placed by Build: its place is stale
    std::vector<TEntry> FPending;          ///< records changed since Build, with their boxes now
};

} // namespace tyx::gdb
