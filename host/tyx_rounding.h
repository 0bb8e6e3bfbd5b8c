// The one place where reals become integers: Round (nearest, halves to even) and Trunc (toward
// zero). Values beyond the int range saturate instead of invoking undefined behaviour; NaN gives 0.
#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

namespace tyx {

namespace detail {
template <typename R, typename F>
inline R SaturateToInt(F v)
{
    if (std::isnan(v)) return 0;
    if (v >= static_cast<F>(std::numeric_limits<R>::max())) return std::numeric_limits<R>::max();
    if (v <= static_cast<F>(std::numeric_limits<R>::min())) return std::numeric_limits<R>::min();
    return static_cast<R>(v);
}
} // namespace detail

/// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
inline int Round(double x)
{
    // Below 2^51 adding and taking away 1.5 * 2^52 leaves the integer nearest to x, halves to
    // even, as nearbyint gives it but without a library call: maps round millions of points.
    if (std::fabs(x) < 0x1p51) return detail::SaturateToInt<int>((x + 0x1.8p52) - 0x1.8p52);
    return detail::SaturateToInt<int>(std::nearbyint(x));
}
inline int Round(long double x) { return detail::SaturateToInt<int>(std::nearbyint(x)); }
/// As Round, for values beyond 32 bits.
inline int64_t Round64(long double x) { return detail::SaturateToInt<int64_t>(std::nearbyint(x)); }

/// Toward zero.
inline int Trunc(double x) { return detail::SaturateToInt<int>(std::trunc(x)); }
inline int Trunc(long double x) { return detail::SaturateToInt<int>(std::trunc(x)); }
inline int64_t Trunc64(long double x) { return detail::SaturateToInt<int64_t>(std::trunc(x)); }

} // namespace tyx
