// Universal constants: the extreme values of extended precision, used as start values of minimum
// searches and as the floor of iteration tolerances.
#pragma once
#include <limits>

namespace tyx {

/// Largest finite long double. A caller that needs a double uses
/// std::numeric_limits<double>::max(): this value converted to double overflows to infinity.
inline constexpr long double uc_MaxDouble = std::numeric_limits<long double>::max();
/// Smallest positive normalised long double. A caller that needs a double uses
/// std::numeric_limits<double>::min(): this value converted to double underflows to 0.
inline constexpr long double uc_MinDouble = std::numeric_limits<long double>::min();

} // namespace tyx
