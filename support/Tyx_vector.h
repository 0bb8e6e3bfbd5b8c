// A vector of doubles indexed from 1.
#pragma once
#include <vector>

namespace tyx {

/// Indexes outside 1..VecSize throw ETYXError.
class TVector {
public:
    TVector() = default;
    /// Size zeros, as SetVecSize.
    explicit TVector(int Size) { SetVecSize(Size); }

    /// New size, every element 0; a negative size throws ETYXError.
    void SetVecSize(int Size);
    /// Number of elements.
    int VecSize() const { return static_cast<int>(FData.size()); }
    /// Sets element Index, 1-based.
    void SetVal(int Index, double Value);
    /// Element Index, 1-based.
    double GetVal(int Index) const;
    /// Sets every element to Value.
    void Fill(double Value);

private:
    std::size_t Slot(int Index) const;
    std::vector<double> FData;
};

} // namespace tyx
