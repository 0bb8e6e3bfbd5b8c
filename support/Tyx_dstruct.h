// Data structures: a bit set numbered from 1, used to mark items (for example landmarks) by their
// position in a list.
#pragma once
#include <vector>

namespace tyx {

/// A bit set with bits 1 to Size(). Bit numbers outside that range throw ETYXError.
class TBitFld {
public:
    TBitFld() = default;
    /// NumBits bits, all false.
    explicit TBitFld(int NumBits) { SetSize(NumBits); }

    /// Makes bits 1..NumBits usable; bits kept keep their value, new bits are false. A negative
    /// count throws ETYXError.
    void SetSize(int NumBits);
    /// Number of bits.
    int Size() const { return static_cast<int>(FBits.size()); }
    /// Sets every bit to false.
    void Clear();
    /// Sets bit Index (1 to Size).
    void SetBit(int Index, bool Value);
    /// Bit Index (1 to Size).
    bool GetBit(int Index) const;
    /// The number of bits that are true.
    int Count() const;

private:
    std::size_t Slot(int Index) const;
    std::vector<bool> FBits;
};

} // namespace tyx
