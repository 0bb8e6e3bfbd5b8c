// The index tables: the block structure against a flat vector, the order of the sorted insertion
// against a literal flat-table model (ties included), the searches and the box query.
#include "geodb_test_util.h"

#include "geodb/gdb_index.h"

#include <algorithm>
#include <array>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace tyx::test {

namespace {

class Index : public GeoDBTest {};

// The flat tables of the file format, maintained exactly as the format's own algorithm does:
// lengthen by one, halving search over the old entries, shift the tail.
struct FlatModel {
    struct E { double Key; int32_t Index; };
    std::vector<E> Ix[5];
    std::vector<TgdbData> Sum;

    static void SortInto(std::vector<E>& t, E rec, bool asFloat)
    {
        const auto key = [&](const E& e) { return asFloat ? double(float(e.Key)) : e.Key; };
        long lo = 0, hi = static_cast<long>(t.size()) - 2, mid = 0;
        long p = 0;
        if (hi >= 0) {
            bool equal = false;
            while (lo <= hi && !equal) {
                mid = (lo + hi) / 2;
                if (key(t[static_cast<std::size_t>(mid)]) < key(rec)) lo = mid + 1;
                else if (key(t[static_cast<std::size_t>(mid)]) == key(rec)) equal = true;
                else hi = mid - 1;
            }
            p = mid + (key(t[static_cast<std::size_t>(mid)]) < key(rec) ? 1 : 0);
        }
        for (long i = static_cast<long>(t.size()) - 2; i >= p; --i) t[static_cast<std::size_t>(i + 1)] = t[static_cast<std::size_t>(i)];
        t[static_cast<std::size_t>(p)] = rec;
    }
    static double KeyOf(const TgdbData& d, int k)
    {
        switch (k) {
        case 0: return d.ItemId;
        case 1: return d.LatLow;
        case 2: return d.LatHigh;
        case 3: return d.LongLow;
        default: return d.LongHigh;
        }
    }
    void Insert(int entry, const TgdbData& d)
    {
        for (int k = 0; k < 5; ++k) SortInto(Ix[k], E{KeyOf(d, k), entry - 1}, k > 0);
    }
    void Remove(int entry)
    {
        const int n = static_cast<int>(Sum.size());
        for (auto& t : Ix) {
            for (int p = 0; p < n; ++p) {
                if (t[static_cast<std::size_t>(p)].Index == entry - 1) {
                    for (int q = p + 1; q < n; ++q) t[static_cast<std::size_t>(q - 1)] = t[static_cast<std::size_t>(q)];
                    break;
                }
            }
        }
    }
    void Add(const TgdbData& d)
    {
        Sum.push_back(d);
        for (auto& t : Ix) t.emplace_back();
        Insert(static_cast<int>(Sum.size()), d);
    }
    void Replace(int entry, const TgdbData& d)
    {
        Remove(entry);
        Sum[static_cast<std::size_t>(entry - 1)] = d;
        Insert(entry, d);
    }
    void Delete(int entry)
    {
        const int n = static_cast<int>(Sum.size());
        Sum[static_cast<std::size_t>(entry - 1)] = Sum.back();
        Remove(entry);
        for (auto& t : Ix) {
            for (int p = 0; p < n; ++p) {
                if (t[static_cast<std::size_t>(p)].Index == n - 1) {
                    t[static_cast<std::size_t>(p)].Index = entry - 1;
                    break;
                }
            }
            t.resize(static_cast<std::size_t>(n - 1));
        }
        Sum.pop_back();
    }
};

void ExpectSameIndexes(const TGeoDB& db, const FlatModel& m, const std::string& when)
{
    ASSERT_EQ(db.NumEntries(), static_cast<int>(m.Sum.size())) << when;
    for (int p = 1; p <= db.NumEntries(); ++p) {
        const auto& e = m.Ix;
        const std::size_t q = static_cast<std::size_t>(p - 1);
        ASSERT_EQ(db.GetIxItemID(p).ItemID, static_cast<int32_t>(e[0][q].Key)) << when << " position " << p;
        ASSERT_EQ(db.GetIxItemID(p).index, e[0][q].Index + 1) << when << " position " << p;
        ASSERT_EQ(db.GetIxLatLow(p).index, e[1][q].Index + 1) << when << " LatLow position " << p;
        ASSERT_EQ(db.GetIxLatHigh(p).index, e[2][q].Index + 1) << when << " LatHigh position " << p;
        ASSERT_EQ(db.GetIxLongLow(p).index, e[3][q].Index + 1) << when << " LongLow position " << p;
        ASSERT_EQ(db.GetIxLongHigh(p).index, e[4][q].Index + 1) << when << " LongHigh position " << p;
    }
}

// The items whose box meets the box, by reading every record.
std::vector<int> ScanBoxes(const TGeoDB& db, double a, double b, double e, double f)
{
    std::vector<int> want;
    for (int i = 1; i <= db.NumEntries(); ++i) {
        const TgdbData d = db.GetSumdata(i);
        if (d.LatLow <= b && d.LatHigh >= a && d.LongLow <= f && d.LongHigh >= e && d.LatLow <= d.LatHigh &&
            d.LongLow <= d.LongHigh)
            want.push_back(i);
    }
    return want;
}

} // namespace

TEST(ChunkedIndex, BehavesLikeAFlatVector)
{
    std::mt19937 rng(7);
    for (std::size_t blockSize : {2u, 3u, 8u}) {
        TChunkedIndex<int> c(blockSize);
        // Starts from a table taken whole, as an opening does; the first change cuts it up.
        std::vector<int> v(40);
        for (int& x : v) x = static_cast<int>(rng() % 1000);
        c.adopt(std::vector<int>(v));
        for (int step = 0; step < 6000; ++step) {
            const bool grow = v.size() < 5 || rng() % 100 < 60;
            if (grow) {
                const std::size_t pos = rng() % (v.size() + 1);
                const int val = static_cast<int>(rng() % 1000);
                c.insert(pos, val);
                v.insert(v.begin() + static_cast<std::ptrdiff_t>(pos), val);
            } else {
                const std::size_t pos = rng() % v.size();
                c.erase(pos);
                v.erase(v.begin() + static_cast<std::ptrdiff_t>(pos));
            }
            ASSERT_EQ(c.size(), v.size());
            if (step % 97 == 0) {
                ASSERT_EQ(c.to_vector(), v) << "block size " << blockSize << " step " << step;
                for (std::size_t i = 0; i < v.size(); ++i) ASSERT_EQ(c[i], v[i]);
                const int probe = static_cast<int>(rng() % 1000);
                const auto f = std::find(v.begin(), v.end(), probe);
                ASSERT_EQ(c.find_if([probe](int x) { return x == probe; }), static_cast<std::size_t>(f - v.begin()));
                std::vector<int> part;
                const std::size_t a = rng() % (v.size() + 1), b = rng() % (v.size() + 1);
                c.for_range(a, b, [&](int x) { part.push_back(x); });
                const std::vector<int> want = a < b ? std::vector<int>(v.begin() + static_cast<std::ptrdiff_t>(a), v.begin() + static_cast<std::ptrdiff_t>(b)) : std::vector<int>{};
                ASSERT_EQ(part, want);
            }
        }
        std::vector<int> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        c.assign(sorted);
        for (int q : {-1, 0, 500, 999, 2000})
            EXPECT_EQ(c.partition_point([q](int x) { return x <= q; }),
                      static_cast<std::size_t>(std::upper_bound(sorted.begin(), sorted.end(), q) - sorted.begin()));
        // The search by key lands where the halving search over the flat table does, ties included.
        for (int q = -1; q <= 1001; q += 7)
            ASSERT_EQ(c.halving_position(q, [](int x) { return x; }),
                      HalvingSearch(sorted.size(), q, [&](std::size_t i) { return sorted[i]; }))
                << "block size " << blockSize << " key " << q;
    }
}

// Entries added in key order wait and are then put in one by one or merged, depending on how many
// wait; either way in the order of the flat algorithm, ties included.
TEST(SortedInsertion, WaitingEntriesLandAsIfInsertedOneByOne)
{
    std::mt19937 rng(12);
    TChunkedIndex<TIxLLRec> c(4);
    TIxLLRecArray flat;
    for (int i = 0, next = 1; i < 6000; ++i) {
        const TIxLLRec rec{static_cast<float>(rng() % 60) / 4.0f, i};
        c.insert_sorted(rec);
        flat.push_back({});
        TGeoDB::SortIxInto(flat, rec);
        if (i + 1 == next) {
            // Reading places what waits: after 1, 2, 4 ... entries, then after a few at a time.
            next = next < 2000 ? 2 * next : next + 1 + static_cast<int>(rng() % 40);
            ASSERT_EQ(c.size(), flat.size());
            for (std::size_t p = 0; p < flat.size(); ++p) ASSERT_EQ(c[p].index, flat[p].index) << "after " << i + 1 << ", position " << p;
        }
    }
}

TEST(SortedInsertion, PlainTablesFollowTheFlatAlgorithm)
{
    std::mt19937 rng(11);
    TIxLLRecArray ll;
    TIxItemIDRecArray ids;
    std::vector<FlatModel::E> refLL, refId;
    for (int i = 0; i < 3000; ++i) {
        const float key = static_cast<float>(rng() % 40) / 4.0f;
        ll.push_back({});
        TGeoDB::SortIxInto(ll, TIxLLRec{key, i});
        refLL.emplace_back();
        FlatModel::SortInto(refLL, {key, i}, true);
        const int32_t id = static_cast<int32_t>(rng() % 50);
        ids.push_back({});
        TGeoDB::SortIxItemIDInto(ids, TIxItemIDRec{id, i});
        refId.emplace_back();
        FlatModel::SortInto(refId, {double(id), i}, false);
    }
    for (std::size_t i = 0; i < ll.size(); ++i) {
        ASSERT_EQ(ll[i].index, refLL[i].Index) << i;
        ASSERT_EQ(ids[i].index, refId[i].Index) << i;
    }
}

// Thousands of adds, replaces and deletes with many equal keys: the database's index order must be
// the one of the flat tables, in memory and in the files.
TEST_F(Index, OrderMatchesTheFlatTablesThroughAddsReplacesAndDeletes)
{
    std::mt19937 rng(2024);
    TGeoDB db;
    db.SetGDBName(Base);
    db.SetLazyWrite(true);
    FlatModel m;
    const auto coord = [&] { return static_cast<float>(static_cast<int>(rng() % 9) - 4) * 0.5f; };
    for (int step = 0; step < 5000; ++step) {
        const unsigned op = rng() % 10;
        const int n = db.NumEntries();
        if (n < 3 || op < 5) {
            const TSCoords at{coord(), coord()};
            ASSERT_EQ(Town(db, "t", at.Latit, at.Longit), n + 1);
            m.Add(db.GetSumdata(n + 1));
        } else if (op < 8) {
            const int e = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
            if (op == 7) {
                db.ReplaceRiver(e, "r", Poly({{coord(), coord()}, {coord(), coord()}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
            } else {
                db.ReplaceTown(e, "t", 0, 0, TSCoords{coord(), coord()}, 0, 0, 0);
            }
            m.Replace(e, db.GetSumdata(e));
        } else {
            const int e = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
            db.DeleteData(e);
            m.Delete(e);
        }
        if (step % 250 == 0) ExpectSameIndexes(db, m, "step " + std::to_string(step));
        if (HasFatalFailure()) return;
    }
    ExpectSameIndexes(db, m, "end");
    for (const TgdbData& d : m.Sum) ASSERT_EQ(db.GetSumdata(db.SearchForItemID(d.ItemId)).ItemId, d.ItemId);

    db.SetLazyWrite(false);
    for (int k = 0; k < 5; ++k) {
        const auto b = Bytes(File(kAllExt[k]));
        ASSERT_EQ(b.size(), m.Ix[k].size() * 8) << k;
        for (std::size_t i = 0; i < m.Ix[k].size(); ++i) {
            ASSERT_EQ(At<int32_t>(b, i * 8 + 4), m.Ix[k][i].Index) << "file " << k << " entry " << i;
            if (k > 0) {
                ASSERT_EQ(At<float>(b, i * 8), static_cast<float>(m.Ix[k][i].Key));
            }
        }
    }
    // Reopening keeps the order that was written, ties and all.
    TGeoDB again;
    again.SetGDBName(Base);
    ExpectSameIndexes(again, m, "reopened");

    // RecalcIndexes gives the order of inserting the records one after the other.
    FlatModel fresh;
    for (const TgdbData& d : m.Sum) fresh.Add(d);
    again.RecalcIndexes();
    ExpectSameIndexes(again, fresh, "recalculated");
    EXPECT_EQ(At<int32_t>(Bytes(File(".tyxgi3")), 4), fresh.Ix[3][0].Index);
}

TEST_F(Index, ClosestPositionsAndGetters)
{
    TGeoDB db;
    db.SetGDBName(Base);
    EXPECT_EQ(db.GetClosestItemIDIx(5), 1);
    EXPECT_EQ(db.GetClosestLatLowIx(3), 1);
    EXPECT_EQ(db.SearchForItemID(1), 0);
    EXPECT_EQ(db.GetIxLatLow(1).index, 0);
    EXPECT_EQ(db.GetSumdata(1).ItemKind, gitUndefined);

    for (float lat : {2.0f, 1.0f, 3.0f, 2.0f}) Town(db, "x", lat, -lat);
    EXPECT_EQ(db.GetClosestLatLowIx(2.5), 4);
    EXPECT_EQ(db.GetClosestLatLowIx(0.5), 1);
    EXPECT_EQ(db.GetClosestLatLowIx(9), 5);
    EXPECT_EQ(db.GetClosestLatLowIx(2.0), 2);
    EXPECT_EQ(db.GetClosestLongHighIx(-2.5), 2);
    EXPECT_EQ(db.GetClosestItemIDIx(3), 3);
    EXPECT_EQ(db.GetClosestItemIDIx(99), 5);
    EXPECT_EQ(db.SearchForItemID(4), 4);
    EXPECT_EQ(db.SearchForItemID(5), 0);
    EXPECT_EQ(db.SearchForItemID(0), 0);
    // float keys are compared with the double argument in double precision
    Town(db, "y", 0.1f, 0);
    EXPECT_EQ(db.GetClosestLatLowIx(0.1), 1);
    EXPECT_EQ(db.GetClosestLatLowIx(0.1000000045), 2) << "equal as float, above 0.1f as double";

    EXPECT_EQ(db.GetSumdata(0).ItemId, 1);
    EXPECT_EQ(db.GetSumdata(db.NumEntries() + 5).ItemId, 5);
    EXPECT_EQ(db.GetIxLatLow(1).LLValue, 0.1f);
    EXPECT_EQ(db.GetIxLatLow(1).index, 5);
    EXPECT_EQ(db.GetIxLatLow(-3).index, 5);
    EXPECT_EQ(db.GetIxLatLow(99).LLValue, 3.0f);
}

TEST_F(Index, AHostTakesAnItemOutOfTheSearchesAndPutsItBack)
{
    TGeoDB db;
    db.SetGDBName(Base);
    for (float lat : {1.0f, 2.0f, 3.0f}) Town(db, "x", lat, lat);
    const auto searchable = [&] {
        return std::pair{db.SearchForItemID(2), db.FindItemsInBox(1.5, 2.5, 1.5, 2.5)};
    };
    db.RemoveIndexEntries(2);
    EXPECT_EQ(searchable(), (std::pair{0, std::vector<int>{}}));
    EXPECT_EQ(db.GetClosestLatLowIx(2.5), 2);
    db.InsertIntoIndex(2, db.GetSumdata(2));
    EXPECT_EQ(searchable(), (std::pair{2, std::vector<int>{2}}));
    // Entries that do not exist are left alone.
    for (int e : {-5, 0, 4}) {
        db.InsertIntoIndex(e, db.GetSumdata(1));
        db.RemoveIndexEntries(e);
    }
    EXPECT_EQ(db.GetIxLatLow(99).LLValue, 3.0f);
    EXPECT_EQ(db.GetClosestLatLowIx(9), 4);
}

TEST_F(Index, RecalcIndexesWritesTheFilesAlsoWhenLazy)
{
    TGeoDB db;
    db.SetGDBName(Base);
    db.SetLazyWrite(true);
    for (float lat : {3.0f, 1.0f}) Town(db, "x", lat, lat);
    ASSERT_EQ(SizeOf(File(".tyxgi1")), 0);
    db.RecalcIndexes();
    EXPECT_TRUE(db.LazyWrite());
    for (int k = 0; k < 5; ++k) EXPECT_EQ(SizeOf(File(kAllExt[k])), 16) << k;
    EXPECT_EQ(At<float>(Bytes(File(".tyxgi1")), 0), 1.0f);
}

TEST_F(Index, TheNameReadBackOpensTheSameDatabase)
{
    std::filesystem::create_directories(Dir / "maps");
    const std::string maps = Path("maps") + "/";
    const std::pair<std::string, std::string> cases[] = {
        {maps, maps},                                      // no name part
        {maps + ".world", maps + ".world"},                // a name starting with a point
        {maps + "world.dat", maps + "world"},              // the extension goes
        {maps + "world.v2.dat", maps + "world.v2.tyxgds"}, // the base keeps an extension of its own
    };
    for (const auto& [given, readBack] : cases) {
        SCOPED_TRACE(given);
        TGeoDB db;
        db.SetGDBName(given);
        Town(db, "x", 1, 1);
        EXPECT_EQ(db.GetGDBName(), readBack);
        TGeoDB again;
        again.SetGDBName(db.GetGDBName());
        EXPECT_EQ(again.NumEntries(), db.NumEntries());
        EXPECT_EQ(again.GetGDBName(), readBack);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir / "maps"), std::filesystem::directory_iterator{}), 4 * 7);
}

TEST_F(Index, BoxQueryFindsExactlyTheIntersectingItems)
{
    std::mt19937 rng(5);
    TGeoDB db;
    db.SetGDBName(Base);
    db.SetLazyWrite(true);
    const auto c = [&](int range) { return static_cast<float>(static_cast<int>(rng() % static_cast<unsigned>(2 * range + 1)) - range); };
    for (int i = 0; i < 600; ++i) {
        if (i % 7 == 1) {
            // small cities of under a quarter degree and of about one degree
            const float a = c(20) + 0.25f, b = c(40) + 0.5f, s = i % 14 == 1 ? 0.125f : 1.0f;
            db.AddCity("small", Poly({{a, b}, {a + s, b + s / 4}, {a + s / 2, b + s}}), true, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        } else if (i % 3 == 0)
            db.AddRoad("r", Poly({{c(20), c(40)}, {c(20), c(40)}, {c(20), c(40)}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        else
            Town(db, "t", c(20), c(40));
    }
    db.AddLake("empty", {}, 0, 0, 0, 0, 0, 0, 0, 0, 0); // its box is inverted and meets nothing
    const auto compare = [&](int queries) {
        for (int q = 0; q < queries; ++q) {
            double a = c(22), b = c(22), e = c(42), f = c(42);
            if (a > b) std::swap(a, b);
            if (e > f) std::swap(e, f);
            ASSERT_EQ(db.FindItemsInBox(a, b, e, f), ScanBoxes(db, a, b, e, f)) << a << " " << b << " " << e << " " << f;
        }
    };
    compare(300);
    EXPECT_TRUE(db.FindItemsInBox(5, 4, -180, 180).empty());
    EXPECT_EQ(db.FindItemsInBox(-90, 90, -180, 180).size(), 600u);

    // Items that grow, shrink or go keep the query exact; so does reopening.
    for (int i = 0; i < 100; ++i) db.DeleteData(1 + static_cast<int>(rng() % static_cast<unsigned>(db.NumEntries())));
    const int town = db.SearchData("t");
    ASSERT_GT(town, 0);
    TgdbData wide = db.GetSumdata(town);
    wide.ItemKind = gitUndefined;
    wide.LatLow = -15;
    wide.LatHigh = 18;
    wide.LongLow = -1;
    wide.LongHigh = 0.5f;
    db.UpdateBasicData(town, wide);
    db.ReplaceTown(4, "small", 0, 0, TSCoords{0.25f, 0.75f}, 0, 0, 0);
    compare(200);
    db.SetLazyWrite(false);
    TGeoDB again;
    again.SetGDBName(Base);
    ASSERT_EQ(again.NumEntries(), db.NumEntries());
    for (int q = 0; q < 50; ++q) {
        const double a = c(20), e = c(40);
        ASSERT_EQ(again.FindItemsInBox(a, a + 0.5, e, e + 0.5), db.FindItemsInBox(a, a + 0.5, e, e + 0.5));
    }
}

// Layouts that strain the cells of the box query: all items in one spot, on one line, items far
// larger than the spread of the others, coordinates far outside the globe; queried on edges, on
// points, without bounds, and again after changes that wait beside the cells.
TEST_F(Index, BoxQueryMatchesAScanInOddLayouts)
{
    constexpr float kFar = 1e30f;
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Layout {
        const char* Name;
        std::pair<float, float> (*Town)(int);
        std::vector<std::array<float, 4>> Areas; // LatLow, LatHigh, LongLow, LongHigh
    };
    const Layout layouts[] = {
        {"one spot", [](int) { return std::pair{10.0f, 20.0f}; }, {}},
        {"one meridian", [](int i) { return std::pair{-60.0f + 0.25f * static_cast<float>(i), 5.0f}; }, {{-1, 1, 5, 5}}},
        {"the world and more", [](int i) { return std::pair{static_cast<float>(i % 20), static_cast<float>(i / 20)}; },
         {{-90, 90, -180, 180}, {-500, 500, -900, 900}, {3, 3.5f, 4, 4.5f}, {2, 9, 1, 1.5f}}},
        {"far out", [](int i) { return std::pair{i % 2 ? kFar : -kFar, static_cast<float>(i % 7)}; }, {{-kFar, kFar, 0, 1}}},
    };
    for (std::size_t k = 0; k < std::size(layouts); ++k) {
        const Layout& lay = layouts[k];
        TGeoDB db;
        db.SetGDBName(Base + std::to_string(k));
        db.SetLazyWrite(true);
        for (int i = 0; i < 400; ++i) Town(db, "t", lay.Town(i).first, lay.Town(i).second);
        for (const auto& a : lay.Areas) db.AddBorder("a", Poly({{a[0], a[2]}, {a[1], a[3]}}), true, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        const auto compare = [&](const std::string& When) {
            std::vector<std::array<double, 4>> boxes = {{-kInf, kInf, -kInf, kInf}, {-90, 90, -180, 180}, {-kInf, 0, 0, kInf}};
            for (int e = 1; e <= db.NumEntries(); e += 23) {
                const TgdbData d = db.GetSumdata(e);
                boxes.push_back({d.LatLow, d.LatLow, d.LongLow, d.LongLow});
                boxes.push_back({d.LatHigh, d.LatHigh + 0.5, d.LongHigh, d.LongHigh + 2});
                boxes.push_back({d.LatLow - 3, d.LatLow, d.LongLow - 0.25, d.LongLow});
            }
            for (const auto& b : boxes)
                ASSERT_EQ(db.FindItemsInBox(b[0], b[1], b[2], b[3]), ScanBoxes(db, b[0], b[1], b[2], b[3]))
                    << lay.Name << ", " << When << ": " << b[0] << " " << b[1] << " " << b[2] << " " << b[3];
        };
        compare("as loaded");
        for (int e = 1; e <= 40; e += 4) db.ReplaceTown(e, "t", 0, 0, TSCoords{lay.Town(e + 7).first, 3.5f}, 0, 0, 0);
        for (int e = 3; e <= 30; e += 9) db.DeleteData(e);
        compare("after changes");
        if (HasFatalFailure()) return;
    }
}

TEST_F(Index, SearchDataByName)
{
    TGeoDB db;
    db.SetGDBName(Base);
    Town(db, "Graz", 47, 15, 1);
    db.AddRiver("Mur", Poly({{47, 15}}), 0, 0, 0, 0, 0, 0, 0, 2, 0);
    Town(db, "GRAZ", 47, 15, 2);
    Town(db, "Ölberg", 47, 15, 1);
    const std::string longName(70, 'q');
    Town(db, longName, 0, 0, 0);
    EXPECT_EQ(db.SearchData("graz"), 1);
    EXPECT_EQ(db.SearchData("graz", gitTown, 2, 2), 3);
    EXPECT_EQ(db.SearchData("graz", gitTown, 2, 1), 0);
    EXPECT_EQ(db.SearchData("Graz", gitRiver, 1, 1), 0);
    EXPECT_EQ(db.SearchData("MUR", gitRiver, 0, 2), 2);
    EXPECT_EQ(db.SearchData("ölBERG"), 4);
    EXPECT_EQ(db.SearchData("Gra"), 0);
    EXPECT_EQ(db.SearchData(longName), 5) << "both sides are cut to 59 characters";
    EXPECT_EQ(db.SearchData(std::string(59, 'q')), 5);
}

} // namespace tyx::test
