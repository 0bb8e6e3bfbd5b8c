// A dense matrix of doubles addressed by column and row, both from 1, as the least-squares
// solvers use it.
#pragma once
#include <vector>

namespace tyx {

/// Indexes outside 1..NumColumns / 1..NumRows throw ETYXError.
class TMatrix {
public:
    TMatrix() = default;
    /// NumColumns x NumRows zeros, as Resize.
    TMatrix(int NumColumns, int NumRows) { Resize(NumColumns, NumRows); }

    /// New size, every element 0; a negative size throws ETYXError (0 gives an empty matrix).
    void Resize(int NumColumns, int NumRows);
    /// Sets every element to Value.
    void Fill(double Value);
    /// Sets element (Column, Row), 1-based.
    void SetVal(int Column, int Row, double Value);
    /// Element (Column, Row), 1-based.
    double GetVal(int Column, int Row) const;
    /// Copies size and contents of Source, as Assign.
    void Clone(const TMatrix& Source) { Assign(Source); }
    /// Copies size and contents of Source.
    void Assign(const TMatrix& Source);
    /// Number of columns.
    int NumColumns() const { return FNumColumns; }
    /// Number of rows.
    int NumRows() const { return FNumRows; }

private:
    std::size_t Slot(int Column, int Row) const;
    int FNumColumns = 0;
    int FNumRows = 0;
    std::vector<double> FData;
};

} // namespace tyx
