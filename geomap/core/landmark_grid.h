// A coarse grid over the positions of a landmark list, for counting the positions inside a
// quadrilateral without testing each one: a cell that lies wholly inside or wholly outside is
// taken at once, and only the cells an edge crosses are tested position by position, with the
// same test. Built once per state of the list; counting costs about the number of cells.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tyx {

struct TLandMarkSpot;

class TSpotGrid {
public:
    explicit TSpotGrid(const std::vector<TLandMarkSpot>& Spots);
    /// The number of spots for which PositionInMap(Latitude, Longitude, Quad) holds.
    std::size_t CountInside(const TCornerArray& Quad) const;

private:
    struct TPos {
        double Lat, Long;
    };
    /// A non-empty cell: the box its positions span and where they are in FPos.
    struct TCell {
        double MinLat, MaxLat, MinLong, MaxLong;
        uint32_t Begin, End;
    };
    std::vector<TPos> FPos;   // finite positions, cell by cell
    std::vector<TCell> FCells;
    std::vector<TPos> FOther; // far off or not finite: tested one by one
};

} // namespace tyx
