// Internals of the calibration core shared by its source files and its tests: the least-squares
// solver and small arithmetic helpers. Not part of the public interface.
#pragma once
#include <algorithm>
#include <cstdint>

namespace tyx {

class TMatrix;
class TVector;

/// Number of table entries to use: a count written from outside (a file, a caller) may lie
/// outside the table; only 0..Capacity entries exist.
inline int UsedCount(int Count, int Capacity) { return std::clamp(Count, 0, Capacity); }

/// 32-bit integer product, wrapping on overflow as 32-bit machine arithmetic does.
inline int32_t Mul32(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

/// Least squares A*x ~ b by singular value decomposition. A has one column per parameter and one
/// row per observation, b one value per row. Singular values below 1e-14 times the largest count
/// as zero, so rank-deficient systems get the minimum-norm solution. StdDev, when given, receives
/// the standard deviation of each parameter. False when aborted through AbortMathProc (x is then
/// left as it was) or when the shapes do not fit.
bool LeastSquaresSolve(const TMatrix& A, const TVector& b, TVector& x, TVector* StdDev = nullptr);

} // namespace tyx
