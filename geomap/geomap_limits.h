// Internal to the map control: the one size limit of a map image, shared by loading, taking a
// bitmap, resampling and the empty-map generators so that they all refuse alike.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"

#include <string>

namespace tyx {

inline constexpr long long MaxMapPixels = 3000000;

/// Raises ETYXGeoMapError for the component Name when Width x Height exceeds the limit.
inline void CheckMapPixels(const std::string& Name, long long Width, long long Height)
{
    if (Width * Height > MaxMapPixels)
        throw ETYXGeoMapError(Name, "Cannot use map image, maximum of " + std::to_string(MaxMapPixels) +
                                        " pixels exceeded (size of map is " + std::to_string(Width) + " x " +
                                        std::to_string(Height) + ")");
}

} // namespace tyx
