// Internal to the map control: the one size limit of a map image, shared by loading, taking a
// bitmap, resampling and the empty-map generators so that they all refuse alike; and the finest
// step that lines of a graticule can be spaced at.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace tyx {

/// The default of the MaxMapPixels property; images above it are held compactly (TImagePyramid).
inline constexpr long long DefaultMaxMapPixels = 3000000;
/// The name of a map image handed over in memory: no file has it.
inline constexpr const char* UnknownImageName = "$unknown$";

/// Raises ETYXGeoMapError for the component Name when Width x Height exceeds Limit.
inline void CheckMapPixels(const std::string& Name, long long Width, long long Height,
                           long long Limit = DefaultMaxMapPixels)
{
    if (Width * Height > Limit)
        throw ETYXGeoMapError(Name, "Cannot use map image, maximum of " + std::to_string(Limit) +
                                        " pixels exceeded (size of map is " + std::to_string(Width) + " x " +
                                        std::to_string(Height) + ")");
}

/// Whether adding Step moves every value from Low to High in double precision. A finer step
/// leaves a running value where it is, so that a loop adding it never reaches its end.
inline bool StepResolves(double Low, double High, double Step)
{
    const double M = std::max(std::fabs(Low), std::fabs(High));
    return Step >= std::nextafter(M, std::numeric_limits<double>::infinity()) - M;
}

} // namespace tyx
