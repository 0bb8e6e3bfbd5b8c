#include "support/Tyx_matrix.h"
#include "support/Tyx_vector.h"

#include <algorithm>
#include <string>

#include "support/Tyx_tyxbase.h"

namespace tyx {

void TMatrix::Resize(int NumColumns, int NumRows)
{
    if (NumColumns < 0 || NumRows < 0)
        throw ETYXError("TMatrix: invalid size " + std::to_string(NumColumns) + " x " + std::to_string(NumRows));
    FNumColumns = NumColumns;
    FNumRows = NumRows;
    FData.assign(static_cast<std::size_t>(NumColumns) * static_cast<std::size_t>(NumRows), 0.0);
}

void TMatrix::Fill(double Value) { std::fill(FData.begin(), FData.end(), Value); }

std::size_t TMatrix::Slot(int Column, int Row) const
{
    if (Column < 1 || Column > FNumColumns || Row < 1 || Row > FNumRows)
        throw ETYXError("TMatrix: element (" + std::to_string(Column) + ", " + std::to_string(Row) +
                        ") outside " + std::to_string(FNumColumns) + " x " + std::to_string(FNumRows));
    return static_cast<std::size_t>(Row - 1) * static_cast<std::size_t>(FNumColumns) +
           static_cast<std::size_t>(Column - 1);
}

void TMatrix::SetVal(int Column, int Row, double Value) { FData[Slot(Column, Row)] = Value; }

double TMatrix::GetVal(int Column, int Row) const { return FData[Slot(Column, Row)]; }

void TMatrix::Assign(const TMatrix& Source)
{
    if (&Source == this) return;
    FNumColumns = Source.FNumColumns;
    FNumRows = Source.FNumRows;
    FData = Source.FData;
}

void TVector::SetVecSize(int Size)
{
    if (Size < 0) throw ETYXError("TVector: invalid size " + std::to_string(Size));
    FData.assign(static_cast<std::size_t>(Size), 0.0);
}

std::size_t TVector::Slot(int Index) const
{
    if (Index < 1 || Index > VecSize())
        throw ETYXError("TVector: element " + std::to_string(Index) + " outside 1.." + std::to_string(VecSize()));
    return static_cast<std::size_t>(Index - 1);
}

void TVector::SetVal(int Index, double Value) { FData[Slot(Index)] = Value; }

double TVector::GetVal(int Index) const { return FData[Slot(Index)]; }

void TVector::Fill(double Value) { std::fill(FData.begin(), FData.end(), Value); }

} // namespace tyx
