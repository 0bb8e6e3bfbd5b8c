#include "support/Tyx_dstruct.h"

#include <algorithm>
#include <string>

#include "support/Tyx_tyxbase.h"

namespace tyx {

void TBitFld::SetSize(int NumBits)
{
    if (NumBits < 0) throw ETYXError("TBitFld: invalid size " + std::to_string(NumBits));
    FBits.resize(static_cast<std::size_t>(NumBits), false);
}

void TBitFld::Clear() { std::fill(FBits.begin(), FBits.end(), false); }

std::size_t TBitFld::Slot(int Index) const
{
    if (Index < 1 || Index > Size())
        throw ETYXError("TBitFld: bit " + std::to_string(Index) + " outside 1.." + std::to_string(Size()));
    return static_cast<std::size_t>(Index - 1);
}

void TBitFld::SetBit(int Index, bool Value) { FBits[Slot(Index)] = Value; }

bool TBitFld::GetBit(int Index) const { return FBits[Slot(Index)]; }

int TBitFld::Count() const { return static_cast<int>(std::count(FBits.begin(), FBits.end(), true)); }

} // namespace tyx
