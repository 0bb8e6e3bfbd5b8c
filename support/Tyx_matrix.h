// A dense matrix of doubles addressed by column and row, both from 1, as the least-squares
// solvers use it.
#pragma once
#include <vector>

namespace tyx {

/// Indexes outside 1..NumColumns / 1..NumRows throw ETYXError.
class TMatrix {
public:
    TMatrix() = default;
    TMatrix(int NumColumns, int NumRows) { Resize(NumColumns, NumRows); }

    /// New size, every element 0; a negative size throws ETYXError (0 gives an empty matrix).
    void Resize(int NumColumns, int NumRows);
    void Fill(double Value);
    void SetVal(int Column, int Row, double Value);
    double GetVal(int Column, int Row) const;
    /// Both copy size and contents of Source.
    void Clone(const TMatrix& Source) { Assign(Source); }
    void Assign(const TMatrix& Source);
    int NumColumns() const { return FNumColumns; }
    int NumRows() const { return FNumRows; }

private:
    std::size_t Slot(int Column, int Row) const;
    int FNumColumns = 0;
    int FNumRows = 0;
    std::vector<double> FData;
};

} // namespace tyx
