// The in-memory form of the database's sorted indexes: a sequence split into blocks, so that an
// insertion or removal at any position moves at most one block's entries instead of the whole
// tail, while positions stay addressable as in a flat table. The halving search that decides where
// an entry goes is written once, against positions, so that the order (ties included) is the one
// the flat tables of the file format produce.
#pragma once
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <tuple>
#include <utility>
#include <vector>

namespace tyx {

/// The halving search over positions 0..Count-1: stops on the first probe equal to Key; otherwise
/// ends beside the last probe. Returns the 0-based position where Key goes (Count when above all).
/// KeyAt(pos) gives the key at a position, compared with Key in Key's type.
template <typename KeyT, typename KeyAtFn>
std::size_t HalvingSearch(std::size_t Count, KeyT Key, KeyAtFn&& KeyAt)
{
    if (Count == 0) return 0;
    std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(Count) - 1, mid = 0;
    bool less = false;
    while (lo <= hi) {
        mid = (lo + hi) / 2;
        const KeyT k = static_cast<KeyT>(KeyAt(static_cast<std::size_t>(mid)));
        less = k < Key;
        if (less) {
            lo = mid + 1;
        } else if (k == Key) {
            break;
        } else {
            hi = mid - 1;
        }
    }
    return static_cast<std::size_t>(mid) + (less ? 1 : 0);
}

/// A positional sequence in blocks of BlockSize to 2 * BlockSize entries (fewer after removals).
template <typename T>
class TChunkedIndex {
public:
    explicit TChunkedIndex(std::size_t BlockSize = 512) : FBlockSize(std::max<std::size_t>(BlockSize, 2)) {}

    std::size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }

    const T& operator[](std::size_t Pos) const
    {
        const auto [b, i] = Locate(Pos);
        return FBlocks[b][i];
    }
    T& operator[](std::size_t Pos)
    {
        const auto [b, i] = Locate(Pos);
        return FBlocks[b][i];
    }

    void clear()
    {
        FBlocks.clear();
        FStarts.clear();
        FSize = 0;
    }

    /// Replaces the contents with Items in their order.
    void assign(const std::vector<T>& Items)
    {
        clear();
        for (std::size_t at = 0; at < Items.size(); at += FBlockSize) {
            const std::size_t end = std::min(Items.size(), at + FBlockSize);
            FStarts.push_back(at);
            FBlocks.emplace_back(Items.begin() + static_cast<std::ptrdiff_t>(at),
                                 Items.begin() + static_cast<std::ptrdiff_t>(end));
        }
        FSize = Items.size();
    }

    std::vector<T> to_vector() const
    {
        std::vector<T> v;
        v.reserve(FSize);
        for (const auto& b : FBlocks) v.insert(v.end(), b.begin(), b.end());
        return v;
    }

    /// Calls F(pos, entry) for every entry in order.
    template <typename F>
    void for_each(F&& Fn) const
    {
        std::size_t pos = 0;
        for (const auto& b : FBlocks)
            for (const T& e : b) Fn(pos++, e);
    }

    /// Calls F(entry) for the entries at positions From..To-1.
    template <typename F>
    void for_range(std::size_t From, std::size_t To, F&& Fn) const
    {
        if (From >= To || From >= FSize) return;
        To = std::min(To, FSize);
        auto [b, i] = Locate(From);
        for (std::size_t left = To - From; left > 0; ++b, i = 0) {
            const auto& blk = FBlocks[b];
            const std::size_t n = std::min(left, blk.size() - i);
            for (std::size_t k = 0; k < n; ++k) Fn(blk[i + k]);
            left -= n;
        }
    }

    /// The first position whose entry satisfies Pred, or size() when none does.
    template <typename Pred>
    std::size_t find_if(Pred&& P) const
    {
        for (std::size_t b = 0; b < FBlocks.size(); ++b) {
            const auto it = std::find_if(FBlocks[b].begin(), FBlocks[b].end(), P);
            if (it != FBlocks[b].end()) return FStarts[b] + static_cast<std::size_t>(it - FBlocks[b].begin());
        }
        return FSize;
    }

    /// The first position whose entry fails Pred, for a Pred that holds on a prefix.
    template <typename Pred>
    std::size_t partition_point(Pred&& P) const
    {
        const auto blk = std::partition_point(FBlocks.begin(), FBlocks.end(),
                                              [&](const std::vector<T>& b) { return P(b.back()); });
        if (blk == FBlocks.end()) return FSize;
        const std::size_t b = static_cast<std::size_t>(blk - FBlocks.begin());
        return FStarts[b] + static_cast<std::size_t>(std::partition_point(blk->begin(), blk->end(), P) - blk->begin());
    }

    /// Inserts at Pos (0..size()); the entries from Pos on move up by one position.
    void insert(std::size_t Pos, const T& Value)
    {
        assert(Pos <= FSize);
        if (FBlocks.empty()) {
            FBlocks.emplace_back();
            FBlocks.back().reserve(2 * FBlockSize);
            FStarts.push_back(0);
        }
        std::size_t b, i;
        if (Pos == FSize) {
            b = FBlocks.size() - 1;
            i = FBlocks[b].size();
        } else {
            std::tie(b, i) = Locate(Pos);
        }
        auto& blk = FBlocks[b];
        blk.insert(blk.begin() + static_cast<std::ptrdiff_t>(i), Value);
        ++FSize;
        for (std::size_t k = b + 1; k < FStarts.size(); ++k) ++FStarts[k];
        if (blk.size() >= 2 * FBlockSize) Split(b);
    }

    /// Removes the entry at Pos; the later entries move down by one position.
    void erase(std::size_t Pos)
    {
        assert(Pos < FSize);
        const auto [b, i] = Locate(Pos);
        auto& blk = FBlocks[b];
        blk.erase(blk.begin() + static_cast<std::ptrdiff_t>(i));
        --FSize;
        for (std::size_t k = b + 1; k < FStarts.size(); ++k) --FStarts[k];
        if (blk.empty()) {
            FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(b));
            FStarts.erase(FStarts.begin() + static_cast<std::ptrdiff_t>(b));
        } else if (b + 1 < FBlocks.size() && blk.size() + FBlocks[b + 1].size() <= FBlockSize) {
            // Keep blocks from thinning out after many removals.
            blk.insert(blk.end(), FBlocks[b + 1].begin(), FBlocks[b + 1].end());
            FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(b + 1));
            FStarts.erase(FStarts.begin() + static_cast<std::ptrdiff_t>(b + 1));
        }
    }

    std::size_t BlockCount() const { return FBlocks.size(); }

private:
    std::pair<std::size_t, std::size_t> Locate(std::size_t Pos) const
    {
        assert(Pos < FSize);
        const auto it = std::upper_bound(FStarts.begin(), FStarts.end(), Pos);
        const std::size_t b = static_cast<std::size_t>(it - FStarts.begin()) - 1;
        return {b, Pos - FStarts[b]};
    }

    void Split(std::size_t B)
    {
        auto& blk = FBlocks[B];
        const std::size_t half = blk.size() / 2;
        std::vector<T> upper;
        upper.reserve(2 * FBlockSize);
        upper.assign(blk.begin() + static_cast<std::ptrdiff_t>(half), blk.end());
        blk.resize(half);
        const std::size_t start = FStarts[B] + half;
        FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(B + 1), std::move(upper));
        FStarts.insert(FStarts.begin() + static_cast<std::ptrdiff_t>(B + 1), start);
    }

    std::vector<std::vector<T>> FBlocks;
    std::vector<std::size_t> FStarts; ///< position of each block's first entry
    std::size_t FSize = 0;
    std::size_t FBlockSize;
};

} // namespace tyx
