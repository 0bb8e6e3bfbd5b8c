// Soak: random adds, replaces, deletes, BLOBs, header changes, garbage collection, LazyWrite
// switches and batches (committed or rolled back) against a model in memory, reopening now and then; every item and every box query is
// compared with the model. Not part of the test run: `make soak`.
//
//   soak_geodb [--ops N] [--seed S] [--dir D]   (the files go to a folder of their own inside D)
#include "geodb/Tyx_GeoDB.h"
#include "host/tyx_streams.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace tyx;

// One item as the model expects it.
struct TModelItem {
    int32_t Id = 0;
    std::string Name;
    TgdbItem Kind = gitTown;
    uint8_t Class = 0;
    int Tag = 0, State = 0;
    double Date = 0;
    float Altitude = 0, LatLow = 0, LatHigh = 0, LongLow = 0, LongHigh = 0;
    bool Closed = false;
    TgdbPolygon Polygon;
    std::vector<uint8_t> Blob;
    std::string Caption;
};

class TSoak {
public:
    TSoak(std::string Base, uint32_t Seed) : FBase(std::move(Base)), FRng(Seed) {}
    bool Run(long Ops);

private:
    std::string FBase;
    std::mt19937 FRng;
    TGeoDB FDb;
    std::vector<TModelItem> FItems; // in entry order
    int32_t FHighest = 0;
    std::string FDescription;
    int FRevision = 0;
    long FOp = 0;
    long FQueries = 0, FCompared = 0, FReopens = 0, FBatches = 0;
    // The model as it was when the open batch began, to go back to on its rollback.
    struct TSnapshot {
        std::vector<TModelItem> Items;
        int32_t Highest;
        std::string Description;
        int Revision;
    };
    std::optional<TSnapshot> FBatchStart;
    bool EndBatch(bool Commit);

    int Pick(int N) { return static_cast<int>(FRng() % static_cast<uint32_t>(N)); }
    float Coord(float Span) { return static_cast<float>(std::uniform_real_distribution<double>(-Span, Span)(FRng)); }
    bool Fail(const std::string& What) const
    {
        std::fprintf(stderr, "soak: operation %ld: %s\n", FOp, What.c_str());
        return false;
    }
    TModelItem RandomItem();
    void Store(int Entry, const TModelItem& It);
    bool CompareItem(int Entry);
    bool CompareAll();
    bool CompareBox();
    bool Reopen();
};

TModelItem TSoak::RandomItem()
{
    TModelItem it;
    const int r = Pick(20);
    it.Kind = r < 10 ? gitTown : r < 12 ? gitBLOB : r == 12 ? gitUndefined : static_cast<TgdbItem>(std::array{0, 2, 3, 4, 5, 6}[Pick(6)]);
    it.Name = "item" + std::to_string(Pick(100000));
    it.Class = static_cast<uint8_t>(Pick(256));
    it.Tag = static_cast<int>(FRng());
    it.State = Pick(1000);
    it.Date = 40000 + Pick(10000);
    it.Altitude = static_cast<float>(Pick(9000));
    const float la = Coord(89), lo = Coord(179);
    if (IsPolygonKind(it.Kind)) {
        const int n = Pick(8) == 0 ? 0 : 1 + Pick(40);
        const float size = Pick(4) == 0 ? 5.0f : 0.1f;
        for (int i = 0; i < n; ++i)
            it.Polygon.push_back({std::clamp(la + Coord(size), -90.0f, 90.0f), std::clamp(lo + Coord(size), -180.0f, 180.0f)});
        it.Closed = Pick(2) == 0;
        it.LatLow = 90, it.LatHigh = -90, it.LongLow = 180, it.LongHigh = -180;
        for (const TSCoords& p : it.Polygon) {
            it.LatLow = std::min(it.LatLow, p.Latit);
            it.LatHigh = std::max(it.LatHigh, p.Latit);
            it.LongLow = std::min(it.LongLow, p.Longit);
            it.LongHigh = std::max(it.LongHigh, p.Longit);
        }
    } else if (it.Kind == gitTown) {
        it.LatLow = it.LatHigh = la;
        it.LongLow = it.LongHigh = lo;
    } else {
        it.LatLow = la, it.LongLow = lo;
        it.LatHigh = la + static_cast<float>(Pick(3)), it.LongHigh = lo + static_cast<float>(Pick(3));
        if (it.Kind == gitBLOB) {
            it.Blob.resize(static_cast<std::size_t>(Pick(4) == 0 ? Pick(40000) : Pick(300)));
            for (auto& b : it.Blob) b = static_cast<uint8_t>(FRng());
            it.Caption = "cap" + std::to_string(Pick(1000));
        }
    }
    return it;
}

// Adds the item (Entry 0) or replaces entry Entry with it.
void TSoak::Store(int Entry, const TModelItem& It)
{
    TMetaInfo meta;
    meta.Caption.Assign(It.Caption);
    const TgdbName name(It.Name);
    if (Entry == 0)
        FDb.AddData(name, It.Polygon, It.Closed, It.Kind, It.Class, It.Date, It.State, It.LatLow, It.LatHigh, It.LongLow,
                    It.LongHigh, It.Altitude, It.Tag, meta, It.Blob.data(), static_cast<int>(It.Blob.size()), false);
    else
        FDb.ReplaceData(Entry, name, It.Polygon, It.Closed, It.Kind, It.Class, It.Date, It.State, It.LatLow, It.LatHigh,
                        It.LongLow, It.LongHigh, It.Altitude, It.Tag, meta, It.Blob.data(),
                        static_cast<int>(It.Blob.size()), false);
}

bool TSoak::CompareItem(int Entry)
{
    ++FCompared;
    const TModelItem& m = FItems[static_cast<std::size_t>(Entry - 1)];
    const TgdbData d = FDb.GetSumdata(Entry);
    const std::string at = "entry " + std::to_string(Entry) + " (item " + std::to_string(m.Id) + ")";
    if (d.ItemId != m.Id || d.Name.Str() != m.Name || d.ItemKind != m.Kind || d.ClassFlag != m.Class || d.Tag != m.Tag ||
        d.StateFlag != m.State || d.Date != m.Date || d.Altitude != m.Altitude || d.LatLow != m.LatLow ||
        d.LatHigh != m.LatHigh || d.LongLow != m.LongLow || d.LongHigh != m.LongHigh)
        return Fail(at + ": the record differs");
    if (FDb.SearchForItemID(m.Id) != Entry) return Fail(at + ": not found by its number");
    if (IsPolygonKind(m.Kind)) {
        TgdbPolygon p;
        if (d.Closed != m.Closed || !FDb.RetrievePolygon(Entry, p) || p.size() != m.Polygon.size() ||
            !std::equal(p.begin(), p.end(), m.Polygon.begin(),
                        [](const TSCoords& a, const TSCoords& b) { return a.Latit == b.Latit && a.Longit == b.Longit; }))
            return Fail(at + ": the polygon differs");
    } else if (m.Kind == gitBLOB) {
        TMetaInfo meta;
        TMemoryStream s;
        if (!FDb.RetrieveBLOB(Entry, meta, s) || meta.Caption.Str() != m.Caption ||
            static_cast<std::size_t>(s.Size()) != m.Blob.size() || !std::equal(m.Blob.begin(), m.Blob.end(), s.Memory()))
            return Fail(at + ": the BLOB differs");
    }
    return true;
}

bool TSoak::CompareAll()
{
    if (FDb.NumEntries() != static_cast<int>(FItems.size()))
        return Fail("NumEntries " + std::to_string(FDb.NumEntries()) + ", expected " + std::to_string(FItems.size()));
    if (FDb.Description() != FDescription || FDb.Revision() != FRevision) return Fail("the header differs");
    for (int e = 1; e <= FDb.NumEntries(); ++e)
        if (!CompareItem(e)) return false;
    return true;
}

bool TSoak::CompareBox()
{
    ++FQueries;
    const double la = Coord(95), lo = Coord(185);
    const double h = Pick(3) == 0 ? Coord(30) + 30 : Coord(1) + 1, w = Pick(3) == 0 ? Coord(60) + 60 : Coord(1) + 1;
    std::vector<int> expected;
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        const TModelItem& m = FItems[i];
        if (m.LatLow <= la + h && m.LatHigh >= la && m.LongLow <= lo + w && m.LongHigh >= lo && m.LatLow <= m.LatHigh &&
            m.LongLow <= m.LongHigh)
            expected.push_back(static_cast<int>(i + 1));
    }
    if (FDb.FindItemsInBox(la, la + h, lo, lo + w) != expected) return Fail("a box query differs");
    return true;
}

bool TSoak::Reopen()
{
    ++FReopens;
    const bool lazy = FDb.LazyWrite();
    FDb.SetGDBName("");
    FDb.SetGDBName(FBase);
    if (!FDb.OpenReport().empty()) return Fail("a sound database was mended: " + FDb.OpenReport()[0]);
    FDb.SetLazyWrite(lazy);
    return CompareAll();
}

bool TSoak::EndBatch(bool Commit)
{
    ++FBatches;
    if (Commit) {
        FDb.CommitBatch();
    } else {
        FDb.RollbackBatch();
        FItems = std::move(FBatchStart->Items);
        FHighest = FBatchStart->Highest;
        FDescription = FBatchStart->Description;
        FRevision = FBatchStart->Revision;
    }
    FBatchStart.reset();
    return CompareAll();
}

bool TSoak::Run(long Ops)
{
    for (const char* e : {".tyxgi0", ".tyxgi1", ".tyxgi2", ".tyxgi3", ".tyxgi4", ".tyxgds", ".tyxgdd"})
        std::filesystem::remove(FBase + e);
    FDb.SetGDBName(FBase);
    const auto start = std::chrono::steady_clock::now();
    for (FOp = 1; FOp <= Ops; ++FOp) {
        // The database grows to a few thousand items, then deletes keep it there.
        const int n = static_cast<int>(FItems.size());
        const int r = Pick(1000);
        if (r < (n < 3000 ? 400 : 100)) {
            TModelItem it = RandomItem();
            Store(0, it);
            it.Id = ++FHighest;
            FItems.push_back(std::move(it));
        } else if (r < 500 && n > 0) {
            const int e = 1 + Pick(n);
            TModelItem it = RandomItem();
            it.Id = FItems[static_cast<std::size_t>(e - 1)].Id;
            Store(e, it);
            FItems[static_cast<std::size_t>(e - 1)] = std::move(it);
        } else if (r < 650 && n > 0) {
            const int e = 1 + Pick(n);
            FDb.DeleteData(e);
            FItems[static_cast<std::size_t>(e - 1)] = FItems.back();
            FItems.pop_back();
        } else if (r < 680 && n > 0) {
            // A changed record for the same kind of block: name, class and box.
            const int e = 1 + Pick(n);
            TModelItem& m = FItems[static_cast<std::size_t>(e - 1)];
            TgdbData d = FDb.GetSumdata(e);
            m.Name = "upd" + std::to_string(Pick(1000));
            m.Class = static_cast<uint8_t>(Pick(256));
            if (!IsPolygonKind(m.Kind)) {
                m.LatLow = Coord(89), m.LongLow = Coord(179);
                m.LatHigh = m.Kind == gitTown ? m.LatLow : m.LatLow + 1;
                m.LongHigh = m.Kind == gitTown ? m.LongLow : m.LongLow + 1;
            }
            d.Name.Assign(m.Name);
            d.ClassFlag = m.Class;
            d.LatLow = m.LatLow, d.LatHigh = m.LatHigh, d.LongLow = m.LongLow, d.LongHigh = m.LongHigh;
            FDb.UpdateBasicData(e, d);
        } else if (r < 700 && n > 0) {
            const int e = 1 + Pick(n);
            TModelItem& m = FItems[static_cast<std::size_t>(e - 1)];
            TMetaInfo meta;
            meta.Caption.Assign("new" + std::to_string(Pick(1000)));
            if (FDb.UpdateMetaInfo(e, meta) != (m.Kind == gitBLOB)) return Fail("UpdateMetaInfo answered wrongly");
            if (m.Kind == gitBLOB) m.Caption = meta.Caption.Str();
        } else if (r < 710) {
            FDescription = "description " + std::to_string(Pick(100000));
            FDb.SetDescription(FDescription);
        } else if (r < 720) {
            FRevision = Pick(100000);
            FDb.SetRevision(FRevision);
        } else if (r < 730) {
            // Mostly lazy, as a bulk load is; each switch back writes the index files.
            if (!FDb.LazyWrite() || Pick(10) == 0) FDb.SetLazyWrite(!FDb.LazyWrite());
        } else if (r < 735) {
            // Batches of a few hundred operations; a third of them rolled back.
            if (!FBatchStart) {
                FBatchStart = TSnapshot{FItems, FHighest, FDescription, FRevision};
                FDb.BeginBatch();
            } else if (!EndBatch(Pick(3) != 0)) {
                return false;
            }
        } else if (r < 900) {
            if (!CompareBox()) return false;
        } else if (n > 0) {
            if (!CompareItem(1 + Pick(n))) return false;
        }
        // Both end a batch: garbage collection refuses to run in one, reopening rolls it back.
        if ((FOp % 20000 == 0 || FOp % 5000 == 0) && FBatchStart && !EndBatch(true)) return false;
        if (FOp % 20000 == 0) FDb.GarbageCollection();
        if (FOp % 5000 == 0 && !Reopen()) return false;
        if (FOp % 100000 == 0) {
            std::printf("soak: %ld operations, %zu items, %ld box queries, %ld item comparisons, %ld reopenings, "
                        "%ld batches, %.0f s\n",
                        FOp, FItems.size(), FQueries, FCompared, FReopens, FBatches,
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            std::fflush(stdout);
        }
    }
    if (FBatchStart && !EndBatch(true)) return false;
    return Reopen();
}

} // namespace

int main(int argc, char** argv)
{
    long ops = 1000000;
    uint32_t seed = 1;
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--ops") ops = std::atol(argv[i + 1]);
        else if (a == "--seed") seed = static_cast<uint32_t>(std::atol(argv[i + 1]));
        else if (a == "--dir") dir = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: soak_geodb [--ops N] [--seed S] [--dir D]\n");
            return 2;
        }
    }
    dir /= "tyx_soak_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    bool ok = false;
    try {
        ok = TSoak((dir / "soak").string(), seed).Run(ops);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak: %s\n", e.what());
    }
    std::filesystem::remove_all(dir);
    std::printf("soak: seed %u, %ld operations: %s\n", seed, ops, ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
