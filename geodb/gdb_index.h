// The in-memory form of the database's sorted indexes: a sequence split into blocks, so that an
// insertion or removal at any position moves at most one block's entries instead of the whole
// tail and costs a logarithm of the length, while positions stay addressable as in a flat table. The halving search that decides where
// an entry goes is written once, against positions, so that the order (ties included) is the one
// the flat tables of the file format produce.
#pragma once
#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
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

/// Where HalvingSearch over Count sorted positions ends when the positions From..To-1 hold keys
/// equal to the one sought (those before smaller, those after larger): the same probes, read from
/// the bounds instead of the table.
inline std::size_t HalvingResult(std::size_t Count, std::size_t From, std::size_t To)
{
    if (Count == 0) return 0;
    std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(Count) - 1, mid = 0;
    bool less = false;
    while (lo <= hi) {
        mid = (lo + hi) / 2;
        less = static_cast<std::size_t>(mid) < From;
        if (less) {
            lo = mid + 1;
        } else if (static_cast<std::size_t>(mid) < To) {
            break;
        } else {
            hi = mid - 1;
        }
    }
    return static_cast<std::size_t>(mid) + (less ? 1 : 0);
}

/// The sort key of an index entry: TIndexKey<T>{}(Entry); the entry itself unless specialised.
template <typename T>
struct TIndexKey {
    T operator()(const T& Entry) const { return Entry; }
};

/// A positional sequence in blocks of BlockSize to 2 * BlockSize entries (fewer after removals).
/// The blocks' sizes are kept in a Fenwick tree, so that finding a position and inserting or
/// removing one cost a logarithm of the block count and one block's move; a copy of each block's
/// last entry lets a search by key pick its block without touching the others. Entries added in
/// key order (insert_sorted) wait until the sequence is next read; many of them are then merged in
/// one pass, which for a bulk load costs a sort instead of one search per entry through memory.
template <typename T>
class TChunkedIndex {
public:
    explicit TChunkedIndex(std::size_t BlockSize = 512) : FBlockSize(std::max<std::size_t>(BlockSize, 2)) {}

    std::size_t size() const { return FSize + FWaiting.size(); }
    bool empty() const { return size() == 0; }

    const T& operator[](std::size_t Pos) const
    {
        Settle();
        const auto [b, i] = Locate(Pos);
        return FBlocks[b][i];
    }
    /// Replaces the entry at Pos.
    void set(std::size_t Pos, const T& Value)
    {
        Settle();
        const auto [b, i] = Locate(Pos);
        FBlocks[b][i] = Value;
        FLast[b] = FBlocks[b].back();
    }

    void clear()
    {
        FOversized = false;
        FWaiting.clear();
        FBlocks.clear();
        FLast.clear();
        FTree.assign(1, 0);
        FTop = 0;
        FSize = 0;
    }

    /// Takes Items, in their order, as one block without copying them; the block is cut into
    /// blocks of the usual size by the first insertion or removal.
    void adopt(std::vector<T>&& Items)
    {
        clear();
        if (Items.empty()) return;
        FSize = Items.size();
        FLast.push_back(Items.back());
        FBlocks.push_back(std::move(Items));
        FOversized = FSize >= 2 * FBlockSize;
        RebuildTree();
    }

    /// Replaces the contents with Items in their order.
    void assign(const std::vector<T>& Items)
    {
        clear();
        append(Items.data(), Items.size());
    }

    /// Adds Count entries at the end, filling blocks to BlockSize.
    void append(const T* Items, std::size_t Count)
    {
        Settle();
        CutAdopted();
        for (std::size_t at = 0; at < Count;) {
            if (FBlocks.empty() || FBlocks.back().size() >= FBlockSize) {
                FBlocks.emplace_back();
                FBlocks.back().reserve(FBlockSize);
                FLast.emplace_back();
            }
            auto& blk = FBlocks.back();
            const std::size_t n = std::min(Count - at, FBlockSize - std::min(FBlockSize, blk.size()));
            blk.insert(blk.end(), Items + at, Items + at + n);
            FLast.back() = blk.back();
            at += n;
        }
        FSize += Count;
        RebuildTree();
    }

    std::vector<T> to_vector() const
    {
        Settle();
        std::vector<T> v;
        v.reserve(FSize);
        for (const auto& b : FBlocks) v.insert(v.end(), b.begin(), b.end());
        return v;
    }

    /// Calls F(pos, entry) for every entry in order.
    template <typename F>
    void for_each(F&& Fn) const
    {
        Settle();
        std::size_t pos = 0;
        for (const auto& b : FBlocks)
            for (const T& e : b) Fn(pos++, e);
    }

    /// Calls F(entry) for the entries at positions From..To-1.
    template <typename F>
    void for_range(std::size_t From, std::size_t To, F&& Fn) const
    {
        Settle();
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
        Settle();
        std::size_t start = 0;
        for (const auto& blk : FBlocks) {
            const auto it = std::find_if(blk.begin(), blk.end(), P);
            if (it != blk.end()) return start + static_cast<std::size_t>(it - blk.begin());
            start += blk.size();
        }
        return FSize;
    }

    /// The first position whose entry fails Pred, for a Pred that holds on a prefix.
    template <typename Pred>
    std::size_t partition_point(Pred&& P) const
    {
        Settle();
        const std::size_t b = static_cast<std::size_t>(std::partition_point(FLast.begin(), FLast.end(), P) - FLast.begin());
        if (b == FBlocks.size()) return FSize;
        const auto& blk = FBlocks[b];
        return Start(b) + static_cast<std::size_t>(std::partition_point(blk.begin(), blk.end(), P) - blk.begin());
    }

    /// For entries sorted by KeyOf: the position HalvingSearch over them gives for Key.
    template <typename KeyT, typename KeyOfFn>
    std::size_t halving_position(KeyT Key, KeyOfFn&& KeyOf) const
    {
        Settle();
        const std::size_t from = partition_point([&](const T& e) { return static_cast<KeyT>(KeyOf(e)) < Key; });
        if (from == FSize || static_cast<KeyT>(KeyOf((*this)[from])) != Key) return HalvingResult(FSize, from, from);
        const std::size_t to = partition_point([&](const T& e) { return !(Key < static_cast<KeyT>(KeyOf(e))); });
        return HalvingResult(FSize, from, to);
    }

    /// Inserts at Pos (0..size()); the entries from Pos on move up by one position.
    void insert(std::size_t Pos, const T& Value)
    {
        Settle();
        CutAdopted();
        assert(Pos <= FSize);
        if (FBlocks.empty()) {
            FBlocks.emplace_back();
            FBlocks.back().reserve(2 * FBlockSize);
            FLast.push_back(Value);
            FTree.assign(2, 0);
            FTop = 1;
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
        FLast[b] = blk.back();
        ++FSize;
        Grow(b, 1);
        if (blk.size() >= 2 * FBlockSize) Split(b);
    }

    /// Removes the entry at Pos; the later entries move down by one position.
    void erase(std::size_t Pos)
    {
        Settle();
        CutAdopted();
        assert(Pos < FSize);
        const auto [b, i] = Locate(Pos);
        auto& blk = FBlocks[b];
        blk.erase(blk.begin() + static_cast<std::ptrdiff_t>(i));
        --FSize;
        if (blk.empty()) {
            FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(b));
            FLast.erase(FLast.begin() + static_cast<std::ptrdiff_t>(b));
            RebuildTree();
        } else if (b + 1 < FBlocks.size() && blk.size() + FBlocks[b + 1].size() <= FBlockSize) {
            // Keep blocks from thinning out after many removals.
            blk.insert(blk.end(), FBlocks[b + 1].begin(), FBlocks[b + 1].end());
            FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(b + 1));
            FLast.erase(FLast.begin() + static_cast<std::ptrdiff_t>(b));
            RebuildTree();
        } else {
            FLast[b] = blk.back();
            Grow(b, static_cast<std::size_t>(-1));
        }
    }

    /// Adds Value where HalvingSearch by TIndexKey over the sorted entries puts it, as if every
    /// earlier such insertion had been made one by one.
    void insert_sorted(const T& Value) { FWaiting.push_back(Value); }

    std::size_t BlockCount() const
    {
        Settle();
        return FBlocks.size();
    }

private:
    // Cuts an adopted block into blocks of the usual size, before the first change that would
    // move its entries.
    void CutAdopted()
    {
        if (!FOversized) return;
        FOversized = false;
        std::vector<T> whole;
        whole.swap(FBlocks.front());
        FBlocks.clear();
        FLast.clear();
        FSize = 0;
        append(whole.data(), whole.size());
    }

    // Puts the waiting entries in: a few one by one, many in one merge.
    void Settle() const
    {
        if (FWaiting.empty()) return;
        auto& self = const_cast<TChunkedIndex&>(*this);
        std::vector<T> waiting;
        waiting.swap(self.FWaiting);
        if (waiting.size() * 16 < FSize) {
            for (const T& v : waiting) self.insert(self.halving_position(TIndexKey<T>{}(v), TIndexKey<T>{}), v);
        } else {
            self.MergeSorted(waiting);
        }
    }

    // The entries Added, in the order they were inserted, merged with the sorted ones. Only the
    // order among equal keys depends on the insertions one by one: each lands where its halving
    // search stopped within the run of its key, which the counts of smaller and equal keys in the
    // table at that time tell (HalvingResult); those runs are then replayed on their own.
    void MergeSorted(const std::vector<T>& Added)
    {
        const TIndexKey<T> key{};
        const std::size_t m = Added.size(), n0 = FSize;
        using K = decltype(key(Added[0]));
        struct TRanked {
            K Key;
            uint32_t J; ///< place in Added
        };
        std::vector<TRanked> order(m); // by key, then by insertion
        for (std::size_t j = 0; j < m; ++j) order[j] = {key(Added[j]), static_cast<uint32_t>(j)};
        std::sort(order.begin(), order.end(), [](const TRanked& a, const TRanked& b) {
            return a.Key < b.Key || (!(b.Key < a.Key) && a.J < b.J);
        });
        const std::vector<T> old = to_vector();
        std::vector<T> out;
        out.reserve(n0 + m);
        // Walk both in key order; note for each run of an added key where the old entries of
        // that key lie, and whether any key meets an equal one. One record per rank: the tie
        // replay below reads them in insertion order, that is at random, so what it needs of a
        // rank lies in one cache line.
        struct TRankRun {
            uint32_t Start; ///< rank of the first added entry with the same key
            uint32_t From, To; ///< old entries with the same key
            uint32_t Offset = 0; ///< place among the entries of the key when inserted
        };
        std::vector<TRankRun> run(m);
        bool ties = false;
        for (std::size_t r = 0, o = 0; r < m;) {
            const K k = order[r].Key;
            std::size_t e = r + 1;
            while (e < m && !(k < order[e].Key)) ++e;
            std::size_t from = o;
            while (from < n0 && key(old[from]) < k) ++from;
            std::size_t to = from;
            while (to < n0 && !(k < key(old[to]))) ++to;
            ties |= e - r > 1 || to > from;
            for (std::size_t q = r; q < e; ++q) {
                run[q] = {static_cast<uint32_t>(r), static_cast<uint32_t>(from), static_cast<uint32_t>(to)};
            }
            o = to;
            r = e;
        }
        if (ties) {
            // In insertion order, each entry of a run of equal keys needs the count of entries
            // with smaller keys inserted before it: a bit per rank marks the entries inserted so
            // far, and a Fenwick tree counts them by 64 ranks, both small enough for the cache.
            constexpr uint32_t kInRun = 1u << 31;
            std::vector<uint32_t> rank(m);
            for (std::size_t r = 0; r < m; ++r) {
                const bool inRun = (r > 0 && run[r].Start == run[r - 1].Start) ||
                                   (r + 1 < m && run[r + 1].Start == run[r].Start) || run[r].To > run[r].From;
                rank[order[r].J] = static_cast<uint32_t>(r) | (inRun ? kInRun : 0);
            }
            std::vector<uint64_t> seen((m + 63) / 64, 0);
            std::vector<uint32_t> counted(seen.size() + 1, 0);
            for (std::size_t j = 0; j < m; ++j) {
                const std::size_t r = rank[j] & ~kInRun;
                if (rank[j] & kInRun) {
                    TRankRun& at = run[r];
                    const std::size_t s = at.Start, b = s / 64;
                    std::size_t smaller = at.From + static_cast<std::size_t>(std::popcount(seen[b] & ((uint64_t{1} << (s % 64)) - 1)));
                    for (std::size_t k = b; k > 0; k &= k - 1) smaller += counted[k];
                    const std::size_t equal = at.To - at.From + (r - s);
                    at.Offset = static_cast<uint32_t>(HalvingResult(n0 + j, smaller, smaller + equal) - smaller);
                }
                seen[r / 64] |= uint64_t{1} << (r % 64);
                for (std::size_t k = r / 64 + 1; k < counted.size(); k += k & (~k + 1)) ++counted[k];
            }
        }
        TChunkedIndex<T> replay(64);
        std::size_t o = 0;
        for (std::size_t r = 0; r < m;) {
            std::size_t e = r + 1;
            while (e < m && run[e].Start == r) ++e;
            out.insert(out.end(), old.begin() + static_cast<std::ptrdiff_t>(o), old.begin() + run[r].From);
            if (e - r == 1 && run[r].To == run[r].From) {
                out.push_back(Added[order[r].J]);
            } else {
                replay.clear();
                replay.append(old.data() + run[r].From, run[r].To - run[r].From);
                for (std::size_t q = r; q < e; ++q) replay.insert(run[q].Offset, Added[order[q].J]);
                replay.for_each([&out](std::size_t, const T& v) { out.push_back(v); });
            }
            o = run[r].To;
            r = e;
        }
        out.insert(out.end(), old.begin() + static_cast<std::ptrdiff_t>(o), old.end());
        adopt(std::move(out));
    }

    // The position of the first entry of block B: the sizes of the blocks before it.
    std::size_t Start(std::size_t B) const
    {
        std::size_t s = 0;
        for (std::size_t k = B; k > 0; k &= k - 1) s += FTree[k];
        return s;
    }

    // Adds Delta (modulo the word: -1 removes one) to the size of block B.
    void Grow(std::size_t B, std::size_t Delta)
    {
        for (std::size_t k = B + 1; k < FTree.size(); k += k & (~k + 1)) FTree[k] += Delta;
    }

    void RebuildTree()
    {
        const std::size_t n = FBlocks.size();
        FTree.assign(n + 1, 0);
        for (std::size_t k = 1; k <= n; ++k) {
            FTree[k] += FBlocks[k - 1].size();
            if (const std::size_t up = k + (k & (~k + 1)); up <= n) FTree[up] += FTree[k];
        }
        FTop = n == 0 ? 0 : std::bit_floor(n);
    }

    std::pair<std::size_t, std::size_t> Locate(std::size_t Pos) const
    {
        assert(Pos < FSize);
        // Descends the tree: the last block whose start is at most Pos.
        std::size_t b = 0, rest = Pos;
        for (std::size_t step = FTop; step > 0; step >>= 1) {
            if (b + step < FTree.size() && FTree[b + step] <= rest) {
                b += step;
                rest -= FTree[b];
            }
        }
        return {b, rest};
    }

    void Split(std::size_t B)
    {
        auto& blk = FBlocks[B];
        const std::size_t half = blk.size() / 2;
        std::vector<T> upper;
        upper.reserve(2 * FBlockSize);
        upper.assign(blk.begin() + static_cast<std::ptrdiff_t>(half), blk.end());
        blk.resize(half);
        FLast[B] = blk.back();
        FLast.insert(FLast.begin() + static_cast<std::ptrdiff_t>(B + 1), upper.back());
        FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(B + 1), std::move(upper));
        RebuildTree();
    }

    // Mutable, as reading places the waiting entries first.
    mutable std::vector<std::vector<T>> FBlocks;
    mutable std::vector<T> FWaiting;             ///< insert_sorted entries not yet placed, in order
    mutable std::vector<T> FLast;                ///< a copy of each block's last entry
    mutable std::vector<std::size_t> FTree{0};   ///< Fenwick tree of the block sizes, 1-based
    mutable std::size_t FTop = 0;                ///< the highest power of two not above the block count
    mutable std::size_t FSize = 0;
    mutable bool FOversized = false;             ///< FBlocks is one adopted block, not yet cut
    std::size_t FBlockSize;
};

} // namespace tyx
