// TGeoDB: opening and closing, the index tables and their searches, and when index files are
// written.
#include "geodb/Tyx_GeoDB.h"

#include "geodb/gdb_file.h"
#include "geodb/gdb_grid.h"
#include "geodb/gdb_memory.h"
#include "geodb/gdb_journal.h"
#include "geodb/gdb_records.h"
#include "geodb/gdb_sync.h"
#include "host/tyx_errors.h"
#include "host/tyx_rounding.h"
#include "support/Tyx_filesys.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <optional>
#include <unordered_map>

namespace tyx {

using namespace gdb;

namespace {

constexpr const char* kSumExt = ".tyxgds";

// Temporary names of an interrupted GarbageCollection, beside the files they replace.
std::string GcTemp(const std::string& Name) { return Name + ".gctmp"; }

float LLKey(const TgdbData& d, int Ix)
{
    switch (Ix) {
    case 1: return d.LatLow;
    case 2: return d.LatHigh;
    case 3: return d.LongLow;
    default: return d.LongHigh;
    }
}

template <typename Rec>
auto KeyOfEntry(const Rec& R)
{
    return TIndexKey<Rec>{}(R);
}

// The entries of an index summed as (record, key bits) pairs under a strong mix, twice: a file
// holds exactly the records' own pairs, each record once, when its sums equal those over the
// records (otherwise they agree by a chance of about 2^-128). Neither side needs random access.
struct TPairSum {
    uint64_t A = 0, B = 0;
    static uint64_t Mix(uint64_t X)
    {
        X += 0x9E3779B97F4A7C15u;
        X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9u;
        X = (X ^ (X >> 27)) * 0x94D049BB133111EBu;
        return X ^ (X >> 31);
    }
    void Add(uint32_t Index, uint32_t KeyBits)
    {
        const uint64_t v = (uint64_t{Index} << 32) | KeyBits;
        A += Mix(v);
        B += Mix(v ^ 0xD6E8FEB86659FD93u);
    }
    bool operator==(const TPairSum&) const = default;
};

// Reads an index file in one piece into its table and checks what needs only the file: one entry
// per record, each naming a record, the keys ascending; Sum gets its pairs.
template <typename Rec>
bool ReadIndexFile(const std::string& Name, std::size_t Count, TChunkedIndex<Rec>& Ix, TPairSum& Sum)
{
    Ix.clear();
    TFile f(Name, omRead);
    if (f.Size() != static_cast<int64_t>(Count * sizeof(Rec))) return false;
    std::vector<Rec> v;
    ResizeLargeTable(v, Count);
    f.ReadExact(0, v.data(), Count * sizeof(Rec));
    for (std::size_t i = 0; i < Count; ++i) {
        const Rec& e = v[i];
        if (e.index < 0 || static_cast<std::size_t>(e.index) >= Count) return false;
        if (i > 0 && KeyOfEntry(e) < KeyOfEntry(v[i - 1])) return false;
        uint32_t bits;
        std::memcpy(&bits, &e, sizeof bits);
        Sum.Add(static_cast<uint32_t>(e.index), bits);
    }
    Ix.adopt(std::move(v));
    return true;
}

// The pair sums each index file must have, from one pass over the records.
std::array<TPairSum, 5> RecordPairSums(const std::vector<TgdbData>& Sum)
{
    static constexpr std::size_t kAt[5] = {offsetof(TgdbData, ItemId), offsetof(TgdbData, LatLow), offsetof(TgdbData, LatHigh),
                                           offsetof(TgdbData, LongLow), offsetof(TgdbData, LongHigh)};
    std::array<TPairSum, 5> sums;
    for (std::size_t i = 0; i < Sum.size(); ++i) {
        const auto* rec = reinterpret_cast<const uint8_t*>(&Sum[i]);
        for (std::size_t k = 0; k < 5; ++k) {
            uint32_t bits;
            std::memcpy(&bits, rec + kAt[k], sizeof bits);
            sums[k].Add(static_cast<uint32_t>(i), bits);
        }
    }
    return sums;
}

// Calls Fn(group) for the records of each item number carried more than once: the item-number
// index gives them side by side when it agrees with the records; otherwise they are sorted.
template <typename Fn>
void ForEachItemIdRun(const std::vector<TgdbData>& Sum, const TChunkedIndex<TIxItemIDRec>* Ix, Fn&& Group)
{
    std::vector<TIxItemIDRec> sorted;
    if (Ix == nullptr) {
        sorted.resize(Sum.size());
        for (std::size_t i = 0; i < Sum.size(); ++i) sorted[i] = {Sum[i].ItemId, static_cast<int32_t>(i)};
        std::sort(sorted.begin(), sorted.end(),
                  [](const TIxItemIDRec& a, const TIxItemIDRec& b) { return a.ItemID < b.ItemID; });
    }
    std::vector<std::size_t> group;
    int32_t id = 0;
    const auto visit = [&](std::size_t, const TIxItemIDRec& r) {
        if (group.empty() || r.ItemID != id) {
            Group(group);
            group.clear();
            id = r.ItemID;
        }
        group.push_back(static_cast<std::size_t>(r.index));
    };
    if (Ix != nullptr)
        Ix->for_each(visit);
    else
        for (std::size_t i = 0; i < sorted.size(); ++i) visit(i, sorted[i]);
    Group(group);
}

template <typename Rec>
void WriteIndexFile(const std::string& Name, const TChunkedIndex<Rec>& Ix)
{
    const std::vector<Rec> v = Ix.to_vector();
    ReplaceFile(Name, v.data(), v.size() * sizeof(Rec));
}

unsigned char FoldCp1252(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
    if (c == 0x9F) return 0xFF;
    return c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCp1252(static_cast<unsigned char>(x)) == FoldCp1252(static_cast<unsigned char>(y));
           });
}

} // namespace

TGeoDB::TGeoDB(TComponent* AOwner) : TComponent(AOwner), FGrid(std::make_unique<gdb::TBoxGrid>())
{
    ResetHeader();
}

TGeoDB::~TGeoDB()
{
    // A destructor cannot report a failure; the next opening heals indexes that lag behind. The
    // tables are written while the count still holds, as taking in another program's records
    // first needs it.
    try {
        if (FBatch) UndoBatch();
        if (FLazyWrite && IsOpen()) SaveAllIndexes();
    } catch (...) {
    }
    FNumSumItems = 0;
}

std::string TGeoDB::Msg(const std::string& Tail) const
{
    return "Component \"" + Name() + Tail;
}

void TGeoDB::Progress(int Percent)
{
    if (OnPercentDone && FOnPercDoneEnabled) OnPercentDone(this, Percent);
}

void TGeoDB::ProgressRatio(double Done, double Total)
{
    Progress(std::max(0, Round(100.0 * Done / Total)));
}

void TGeoDB::ResetHeader()
{
    FSystemData.HighestID = 0;
    FSystemData.DBVersion = 4;
    FSystemData.Description.AssignBytes({});
    FSystemData.Revision = 0;
}

TChunkedIndex<TIxLLRec>& TGeoDB::LLIndex(int Ix)
{
    switch (Ix) {
    case 1: return FIx1LatLo;
    case 2: return FIx2LatHi;
    case 3: return FIx3LongLo;
    default: return FIx4LongHi;
    }
}

const TChunkedIndex<TIxLLRec>& TGeoDB::LLIndex(int Ix) const
{
    return const_cast<TGeoDB*>(this)->LLIndex(Ix);
}

// --- opening and closing ---

namespace {

// Whether a summary left by GarbageCollection is the one written for this summary and the data
// file now in place: the same records but for their offsets, and the blocks packed one after the
// other in record order up to the very end of the data file, as the collection writes them.
bool CollectedSummaryFits(const std::vector<uint8_t>& Collected, const std::vector<uint8_t>& Current, int64_t DataLen)
{
    if (Collected.size() != Current.size() || Collected.size() % kRecSize != 0) return false;
    int64_t at = kHeaderSize;
    for (std::size_t pos = 0; pos < Collected.size(); pos += kRecSize) {
        TgdbData mine = DecodeRecord(Collected.data() + pos);
        const TgdbData theirs = DecodeRecord(Current.data() + pos);
        const int32_t offset = mine.BlobOffset;
        mine.BlobOffset = theirs.BlobOffset;
        uint8_t a[kRecSize], b[kRecSize];
        EncodeRecord(mine, a);
        EncodeRecord(theirs, b);
        if (std::memcmp(a, b, sizeof a) != 0) return false;
        const int64_t len = BlockLength(mine);
        if (offset < 0) {
            if (theirs.BlobOffset >= 0 && len >= 0) return false;
            continue;
        }
        if (offset != at || len < 0 || mine.NumPoints < 0) return false;
        at += len;
    }
    return at == DataLen;
}

// A free name beside Name for a file that is kept but not used.
std::string SetAsideName(const std::string& Name)
{
    std::string aside = Name + ".setaside";
    for (int n = 2; Exists(aside); ++n) aside = Name + ".setaside" + std::to_string(n);
    return aside;
}

} // namespace

bool TGeoDB::FiniteBox(const TgdbData& Data)
{
    return std::isfinite(Data.LatLow) && std::isfinite(Data.LatHigh) && std::isfinite(Data.LongLow) &&
           std::isfinite(Data.LongHigh);
}

// Finishes or undoes an interrupted GarbageCollection. Before its commit (the rename of the data
// file) the old pair is whole and the unfinished copies are dropped; after it, the summary waiting
// beside the new data file completes it, but only when it proves to belong there. Anything else
// under that name is set aside, never deleted, and reported.
void TGeoDB::ResolveGcLeftovers(const std::string& NameGds, const std::string& NameGdd)
{
    const std::string tmpGds = GcTemp(NameGds);
    if (Exists(GcTemp(NameGdd))) {
        RemoveFileQuietly(GcTemp(NameGdd));
        RemoveFileQuietly(tmpGds);
        return;
    }
    if (!Exists(tmpGds)) return;
    std::vector<uint8_t> collected, current;
    ReadWholeFile(tmpGds, collected);
    ReadWholeFile(NameGds, current);
    int64_t dataLen = -1;
    if (Exists(NameGdd)) dataLen = TFile(NameGdd, omRead).Size();
    if (CollectedSummaryFits(collected, current, dataLen)) {
        RenameFile(tmpGds, NameGds);
        return;
    }
    const std::string aside = SetAsideName(tmpGds);
    RenameFile(tmpGds, aside);
    FOpenReport.push_back(Msg("\": SetGDBName: \"" + tmpGds +
                              "\" is not the summary of an interrupted GarbageCollection of this database; it was set "
                              "aside as \"" + aside + "\"."));
}

std::string TGeoDB::GetGDBName() const
{
    if (FNameGDS.empty()) return {};
    // The base exactly as it was built, also where it has no name part ("maps/") or one that
    // starts with a point ("maps/.world"), so that setting it again opens the same files. A base
    // that would lose an extension of its own on the way back ("maps/world.v2") is given as the
    // summary file's name, which opens it.
    const std::string base = FNameGDS.substr(0, FNameGDS.size() - std::strlen(kSumExt));
    return StripExtension(base) == base ? base : FNameGDS;
}

void TGeoDB::SetGDBName(const std::string& Value)
{
    // Should the rollback fail, its undo log stays and the next opening completes it.
    if (FBatch) {
        try {
            UndoBatch();
        } catch (const std::exception&) {
        }
    }
    if (Value.empty())
        Close();
    else
        Open(Value);
}

void TGeoDB::Close()
{
    if (FLazyWrite && IsOpen()) SaveIndexesOrWarn();
    FLazyWrite = false;
    ClearState();
}

void TGeoDB::ClearState()
{
    ResetHeader();
    FCounterStale = false;
    FNameGDS.clear();
    FNameGDD.clear();
    for (auto& n : FNameIX) n.clear();
    FSumData.clear();
    FNumSumItems = 0;
    FIx0ItemId.clear();
    for (int k = 1; k <= 4; ++k) LLIndex(k).clear();
    FGrid->Clear();
}

void TGeoDB::Open(const std::string& Value)
{
    FWarnings.clear();
    if (IsOpen()) {
        const bool lazy = FLazyWrite;
        Close();
        FLazyWrite = lazy;
    }
    const std::string base = StripExtension(Value);
    FOpenReport.clear();
    // Locked while it is read and mended, unless an operation of ours already holds the lock (a
    // reopening after a failure) or there is no summary yet to lock.
    std::optional<TFileLock> lock;
    if (FSyncDepth == 0 && Exists(base + kSumExt)) lock.emplace(base + kSumExt);
    ++FSyncDepth;
    try {
        LoadFiles(base);
    } catch (...) {
        --FSyncDepth;
        throw;
    }
    --FSyncDepth;
    NoteFilesSeen();
}

std::string TGeoDB::JournalName() const
{
    return FNameGDS + ".journal";
}

void TGeoDB::LoadFiles(const std::string& base)
{
    std::array<std::string, 5> nameIx;
    for (int k = 0; k < 5; ++k) nameIx[k] = base + kFileExt[k];
    const std::string nameGds = base + kSumExt;
    const std::string nameGdd = base + ".tyxgdd";

    // An overwrite that an interruption left half done is finished first; it was whole in its
    // journal before any byte of it was written.
    if (Exists(nameGds) && Exists(nameGdd)) {
        const TRecovery r = TJournal::Recover(nameGds + ".journal", {nameGds, nameGdd});
        if (r == rcCompleted) FOpenReport.push_back(Msg("\": SetGDBName: a change that was interrupted has been completed."));
        if (r == rcRolledBack)
            FOpenReport.push_back(Msg("\": SetGDBName: a batch that was interrupted before its commit has been rolled back."));
    }
    ResolveGcLeftovers(nameGds, nameGdd);

    try {
        // Read and check everything before any file is created or rewritten. The records are
        // read straight into their table, in one piece.
        std::vector<TgdbData> sum;
        std::size_t torn = 0;
        const bool gdsExists = Exists(nameGds);
        if (gdsExists) {
            TFile f(nameGds, omRead);
            const auto size = static_cast<std::size_t>(f.Size());
            // A torn last record is what an append cut off leaves; the item was never acknowledged.
            torn = size % kRecSize;
            ResizeLargeTable(sum, size / kRecSize);
            const std::size_t got = f.ReadAt(0, sum.data(), sum.size() * kRecSize);
            if (got != sum.size() * kRecSize) {
                torn = got % kRecSize;
                sum.resize(got / kRecSize);
            }
        }
        TgdbSystemData header = FSystemData;
        const bool gddExists = Exists(nameGdd);
        if (gddExists) {
            TFile f(nameGdd, omRead);
            if (f.ReadAt(0, &header, sizeof header) != sizeof header)
                throw ETYXGeoDBError(Msg("\": SetGDBName: data file \"" + nameGdd +
                                         "\" is damaged: it is shorter than its 260-byte header."));
        }

        // The index files, read into the tables as they are; each either agrees with the records
        // or is rebuilt from them.
        std::array<bool, 5> agrees{}, ixExists{};
        {
            std::array<TPairSum, 5> inFiles;
            for (int k : {1, 2, 3, 4, 0}) {
                if (!(ixExists[k] = Exists(nameIx[k]))) continue;
                agrees[k] = k == 0 ? ReadIndexFile(nameIx[k], sum.size(), FIx0ItemId, inFiles[k])
                                   : ReadIndexFile(nameIx[k], sum.size(), LLIndex(k), inFiles[k]);
            }
            const std::array<TPairSum, 5> inRecords = RecordPairSums(sum);
            for (std::size_t k = 0; k < 5; ++k) agrees[k] = agrees[k] && inFiles[k] == inRecords[k];
        }

        int32_t maxId = 0;
        bool oddClosed = false;
        std::size_t badBox = sum.size();
        for (std::size_t i = 0; i < sum.size(); ++i) {
            const TgdbData& d = sum[i];
            maxId = std::max(maxId, d.ItemId);
            // A box edge that is not a number has no place in a sorted index: searches past it
            // would miss sound items. No add stores one, so it is damage.
            if (badBox == sum.size() && !FiniteBox(d)) badBox = i;
            oddClosed |= reinterpret_cast<const uint8_t*>(&d)[offsetof(TgdbData, Closed)] > 1;
        }
        // An interrupted delete leaves the moved record twice, byte for byte; two different records
        // with one number are damage to one of them, and which one cannot be told.
        std::size_t clashFirst = 0, clash = sum.size();
        std::vector<std::size_t> twice;
        const auto sameId = [&](std::vector<std::size_t>& group) {
            if (group.size() < 2) return;
            std::sort(group.begin(), group.end());
            for (std::size_t g = 1; g < group.size(); ++g) {
                if (std::memcmp(&sum[group[g]], &sum[group[0]], kRecSize) == 0) {
                    twice.push_back(group[g]);
                } else if (group[g] < clash) {
                    clash = group[g];
                    clashFirst = group[0];
                }
            }
        };
        ForEachItemIdRun(sum, agrees[0] ? &FIx0ItemId : nullptr, sameId);
        if (badBox < sum.size() && badBox <= clash)
            throw ETYXGeoDBError(Msg("\": SetGDBName: summary file \"" + nameGds + "\" is damaged: entry " +
                                     std::to_string(badBox + 1) + " has a bounding box edge that is not a finite number."));
        if (clash < sum.size())
            throw ETYXGeoDBError(Msg("\": SetGDBName: summary file \"" + nameGds + "\" is damaged: entries " +
                                     std::to_string(clashFirst + 1) + " and " + std::to_string(clash + 1) +
                                     " differ but carry the same item number " + std::to_string(sum[clash].ItemId) + "."));
        std::sort(twice.begin(), twice.end());
        // Another program may store any non-zero byte for true; a bool must hold 0 or 1.
        if (oddClosed)
            for (TgdbData& d : sum) {
                auto* closed = reinterpret_cast<uint8_t*>(&d) + offsetof(TgdbData, Closed);
                *closed = *closed != 0;
            }

        // Create what is missing.
        for (int k : {1, 2, 3, 4, 0})
            if (!ixExists[k]) TFile(nameIx[k], omCreate).Close();
        if (!gdsExists) TFile(nameGds, omCreate).Close();
        if (!gddExists) {
            // A new data file starts with a header of its own, never the one of a previous database.
            header = TgdbSystemData{};
            TFile f(nameGdd, omCreate);
            f.WriteAt(0, &header, sizeof header);
            f.Close();
        }

        FNameGDS = nameGds;
        FNameGDD = nameGdd;
        RepairSummary(sum, torn, twice);
        // The files still count the removed copies.
        if (!twice.empty()) agrees.fill(false);
        Load(nameIx, nameGds, nameGdd, header, std::move(sum), agrees, maxId);
#ifdef __GLIBC__
        // The checks' tables were large and short-lived; give back what they leave free between
        // the long-lived ones.
        malloc_trim(0);
#endif
    } catch (...) {
        // A failure while reading or healing leaves the component closed, not half open.
        ClearState();
        throw;
    }
}

// Mends what an interruption can leave in the summary: a torn last record is cut off (its block
// becomes garbage for the next collection), and an item that a delete left twice (the moved last
// record written, the file not yet shortened) loses its later copy, as the delete would have done.
// Opening has made sure that such copies are byte for byte the same. Cutting off a torn tail needs
// no journal, and so no free space: no record lies there.
void TGeoDB::RepairSummary(std::vector<TgdbData>& Sum, std::size_t TornBytes, const std::vector<std::size_t>& Twice)
{
    if (TornBytes > 0) {
        TFile f(FNameGDS, omReadWrite);
        f.Truncate(static_cast<int64_t>(Sum.size()) * kRecSize);
        f.Close();
        FOpenReport.push_back(Msg("\": SetGDBName: summary file \"" + FNameGDS + "\" ended in " +
                                  std::to_string(TornBytes) + " bytes of a record that was never completed; they were removed."));
    }
    TJournal j;
    // From the back, so that the record moved into a hole is never one still to be removed.
    for (auto it = Twice.rbegin(); it != Twice.rend(); ++it) {
        const std::size_t p = *it;
        FOpenReport.push_back(Msg("\": SetGDBName: item " + std::to_string(Sum[p].ItemId) +
                                  " was stored twice; its later copy, entry " + std::to_string(p + 1) + ", was removed."));
        if (p + 1 != Sum.size()) {
            Sum[p] = Sum.back();
            uint8_t bytes[kRecSize];
            EncodeRecord(Sum[p], bytes);
            j.Write(0, static_cast<int64_t>(p) * kRecSize, bytes, sizeof bytes);
        }
        Sum.pop_back();
    }
    if (!Twice.empty()) j.Truncate(0, static_cast<int64_t>(Sum.size()) * kRecSize);
    j.Commit(JournalName(), {FNameGDS, FNameGDD});
}

void TGeoDB::Load(const std::array<std::string, 5>& nameIx, const std::string& nameGds, const std::string& nameGdd,
                  const TgdbSystemData& header, std::vector<TgdbData> sum, const std::array<bool, 5>& agrees,
                  int32_t maxId)
{
    FNameIX = nameIx;
    FNameGDS = nameGds;
    FNameGDD = nameGdd;
    FSystemData = header;
    // New items must never take a number that a record already carries.
    FSystemData.HighestID = std::max(FSystemData.HighestID, maxId);
    FSumData = std::move(sum);
    FNumSumItems = static_cast<int>(FSumData.size());

    // The summary is the truth; an index that disagrees with it is rebuilt and written back. A
    // reading never needs free space: a file that cannot be written is left for the next opening.
    std::string unwritten, error;
    int count = 0;
    for (int k = 0; k < 5; ++k) {
        if (agrees[static_cast<std::size_t>(k)]) continue;
        RebuildIndex(k);
        try {
            SaveIndex(k);
        } catch (const EInOutError& e) {
            unwritten += (count++ ? ", \"" : "\"") + FNameIX[static_cast<std::size_t>(k)] + "\"";
            if (error.empty()) error = e.what();
        }
    }
    if (count > 0)
        FOpenReport.push_back(Msg("\": SetGDBName: index file" + std::string(count > 1 ? "s " : " ") + unwritten +
                                  (count > 1 ? " disagree" : " disagrees") + " with the summary and could not be rewritten (" +
                                  error + "); searches use tables rebuilt in memory, and the next opening with room "
                                          "rewrites the files."));
    BuildGrid();
}

// --- sharing the files with other programs ---

TGeoDB::TSync::TSync(TGeoDB& Db, bool Writes) : FDb(Db), FUnwinding(std::uncaught_exceptions())
{
    if (!Db.IsOpen() || Db.FSyncDepth > 0) return;
    FLock.emplace(Db.FNameGDS, Writes);
    FOuter = true;
    ++Db.FSyncDepth;
    if (FLock->Writable()) Db.FSumFile = &FLock->File();
    try {
        if (!Db.FilesAsSeen(FLock->Stamp())) {
            FLookAgain = true;
            if (!Db.CatchUp()) Db.Reload();
        }
    } catch (...) {
        Db.FSumFile = nullptr;
        --Db.FSyncDepth;
        throw;
    }
}

TGeoDB::TSync::~TSync()
{
    if (!FOuter) return;
    if (std::uncaught_exceptions() > FUnwinding) {
        FDb.FSeen = {};
    } else if (!FDone && FDb.IsOpen()) {
        try {
            Note();
        } catch (const std::exception&) { // the next operation reads the files again
            FDb.FSeen = {};
        }
    }
    FDb.FSumFile = nullptr;
    --FDb.FSyncDepth;
}

void TGeoDB::TSync::Done()
{
    FDone = true;
    if (FOuter && FDb.IsOpen()) Note();
}

// The summary file is looked at through the lock's handle; the data file only after an operation
// that read the set again (or replaced its files), as every change by any program also changes the
// summary file (at least its change time).
void TGeoDB::TSync::Note()
{
    if (FLookAgain || !FLock) {
        FDb.NoteFilesSeen();
        return;
    }
    const TFileStamp s = FLock->File().Stamp();
    FDb.FSeen.Dev = s.Dev, FDb.FSeen.Ino = s.Ino, FDb.FSeen.Size = s.Size, FDb.FSeen.MTime = s.MTime, FDb.FSeen.CTime = s.CTime;
}

void TGeoDB::NoteFilesSeen()
{
    const TFileStamp sum = StampOf(FNameGDS), data = StampOf(FNameGDD);
    FSeen = {sum.Dev, sum.Ino, sum.Size, sum.MTime, sum.CTime, data.Dev, data.Ino, data.Size};
}

bool TGeoDB::FilesAsSeen(const TFileStamp& Summary) const
{
    return Summary.Dev == FSeen.Dev && Summary.Ino == FSeen.Ino && Summary.Size == FSeen.Size &&
           Summary.MTime == FSeen.MTime && Summary.CTime == FSeen.CTime;
}

void TGeoDB::MarkSetChanged()
{
    if (FSumFile) {
        FSumFile->Touch();
        return;
    }
    TFile f(FNameGDS, omReadWrite);
    f.Touch();
    f.Close();
}

// The common case of two programs adding to one database: the other one only appended. Then our
// records are still the file's first ones, byte for byte, and the data file is the same file,
// grown. Anything else (a record changed or removed, a collected data file, an unfinished change)
// is read afresh by Reload.
bool TGeoDB::CatchUp()
{
    const TFileStamp sum = StampOf(FNameGDS), data = StampOf(FNameGDD);
    if (sum.Dev != FSeen.Dev || sum.Ino != FSeen.Ino || data.Dev != FSeen.DataDev || data.Ino != FSeen.DataIno ||
        data.Size < FSeen.DataSize || Exists(JournalName()))
        return false;
    TFile f(FNameGDS, omRead);
    const int64_t size = f.Size();
    const int64_t mine = static_cast<int64_t>(FSumData.size()) * kRecSize;
    if (size % kRecSize != 0 || size < mine) return false;
    // Compared piece by piece: no copy of the whole file is made for each operation.
    std::vector<uint8_t> bytes(std::min<int64_t>(std::max<int64_t>(mine, size - mine), 4 * kChunk));
    const auto* ours = reinterpret_cast<const uint8_t*>(FSumData.data());
    for (int64_t at = 0; at < mine;) {
        const std::size_t n = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(bytes.size()), mine - at));
        f.ReadExact(at, bytes.data(), n);
        if (std::memcmp(bytes.data(), ours + at, n) != 0) return false;
        at += static_cast<int64_t>(n);
    }
    bytes.resize(static_cast<std::size_t>(size - mine));
    f.ReadExact(mine, bytes.data(), bytes.size());
    f.Close();
    std::vector<TgdbData> added;
    for (std::size_t at = 0; at < bytes.size(); at += kRecSize) {
        added.push_back(DecodeRecord(bytes.data() + at));
        const TgdbData& d = added.back();
        if (!FiniteBox(d) || SearchForItemID(d.ItemId) != 0) return false;
    }
    TgdbSystemData header;
    TFile(FNameGDD, omRead).ReadExact(0, &header, sizeof header);
    for (const TgdbData& d : added) {
        FSumData.push_back(d);
        ++FNumSumItems;
        InsertIntoIndex(FNumSumItems, d);
        header.HighestID = std::max(header.HighestID, d.ItemId);
    }
    // Under LazyWrite our own counter may be ahead of the file's.
    header.HighestID = std::max(header.HighestID, FSystemData.HighestID);
    FSystemData = header;
    return true;
}

void TGeoDB::Reload()
{
    const bool lazy = FLazyWrite;
    const std::string base = FNameGDS.substr(0, FNameGDS.size() - std::strlen(kSumExt));
    const std::vector<std::string> report = FOpenReport;
    ClearState();
    FLazyWrite = lazy;
    FOpenReport.clear();
    LoadFiles(base);
    // What this reading mended is reported after what the opening did.
    FOpenReport.insert(FOpenReport.begin(), report.begin(), report.end());
}

// --- index files ---

void TGeoDB::SetLazyWrite(bool Value)
{
    if (Value == FLazyWrite) return;
    FLazyWrite = Value;
    if (!Value) SaveIndexesOrWarn();
}

void TGeoDB::SaveIndex(int Ix)
{
    if (!IsOpen() || Ix < 0 || Ix > 4) return;
    TSync sync(*this);
    if (!IsOpen()) return;
    if (Ix == 0)
        WriteIndexFile(FNameIX[0], FIx0ItemId);
    else
        WriteIndexFile(FNameIX[static_cast<std::size_t>(Ix)], LLIndex(Ix));
    sync.Done();
}

void TGeoDB::SaveAllIndexes()
{
    TSync sync(*this);
    if (FCounterStale && !FBatch) WriteCounter();
    for (int k = 0; k < 5; ++k) SaveIndex(k);
    sync.Done();
}

// The index files are derived from the summary: a change that is in the summary has succeeded even
// when they cannot be written (a full disk), and the next opening with room rewrites them.
void TGeoDB::SaveIndexesOrWarn()
{
    try {
        SaveAllIndexes();
    } catch (const EInOutError& e) {
        FWarnings.push_back(Msg(std::string("\": the index files could not be written (") + e.what() +
                                "); the next opening rewrites them from the summary."));
    }
}

void TGeoDB::SaveIndexesUnlessLazy()
{
    // A batch writes them at its commit.
    if (!FLazyWrite && !FBatch) SaveIndexesOrWarn();
}

// --- sorted insertion and index maintenance ---

void TGeoDB::SortIxInto(TIxLLRecArray& Ix, const TIxLLRec& Rec)
{
    if (Ix.empty()) return;
    const std::size_t n = Ix.size() - 1;
    const std::size_t p = HalvingSearch(n, Rec.LLValue, [&](std::size_t i) { return Ix[i].LLValue; });
    std::move_backward(Ix.begin() + static_cast<std::ptrdiff_t>(p), Ix.begin() + static_cast<std::ptrdiff_t>(n), Ix.end());
    Ix[p] = Rec;
}

void TGeoDB::SortIxItemIDInto(TIxItemIDRecArray& Ix, const TIxItemIDRec& Rec)
{
    if (Ix.empty()) return;
    const std::size_t n = Ix.size() - 1;
    const std::size_t p = HalvingSearch(n, Rec.ItemID, [&](std::size_t i) { return Ix[i].ItemID; });
    std::move_backward(Ix.begin() + static_cast<std::ptrdiff_t>(p), Ix.begin() + static_cast<std::ptrdiff_t>(n), Ix.end());
    Ix[p] = Rec;
}

void TGeoDB::BuildGrid() const
{
    FGrid->Build(FSumData.data(), FSumData.size());
}

void TGeoDB::InsertIntoIndex(int Entry, const TgdbData& Data)
{
    if (Entry < 1 || Entry > FNumSumItems) return;
    const int32_t i = Entry - 1;
    FIx0ItemId.insert_sorted(TIxItemIDRec{Data.ItemId, i});
    for (int k = 1; k <= 4; ++k) LLIndex(k).insert_sorted(TIxLLRec{LLKey(Data, k), i});
    FGrid->Put(i, Data);
    if (FGrid->WantsBuild(FSumData.size(), false)) BuildGrid();
}

void TGeoDB::RemoveIndexEntries(int Entry)
{
    if (Entry < 1 || Entry > FNumSumItems) return;
    const int32_t i = Entry - 1;
    FGrid->Drop(i);
    const std::size_t p0 = FIx0ItemId.find_if([i](const TIxItemIDRec& r) { return r.index == i; });
    if (p0 < FIx0ItemId.size()) FIx0ItemId.erase(p0);
    for (int k = 1; k <= 4; ++k) {
        auto& ix = LLIndex(k);
        const std::size_t p = ix.find_if([i](const TIxLLRec& r) { return r.index == i; });
        if (p < ix.size()) ix.erase(p);
    }
}

namespace {
// The entry of record From among the entries whose key is Key, pointed at record To.
template <typename Rec, typename KeyT>
void Renumber(TChunkedIndex<Rec>& Ix, KeyT Key, int32_t From, int32_t To)
{
    std::size_t p = Ix.partition_point([Key](const Rec& r) { return KeyOfEntry(r) < Key; });
    for (; p < Ix.size() && !(Key < KeyOfEntry(Ix[p])); ++p) {
        if (Ix[p].index == From) {
            Rec r = Ix[p];
            r.index = To;
            Ix.set(p, r);
            return;
        }
    }
}
} // namespace

void TGeoDB::RenumberIndexEntries(int32_t From, int32_t To)
{
    // Record To already holds the moved record, whose keys lead to its entries.
    const TgdbData& d = FSumData[static_cast<std::size_t>(To)];
    Renumber(FIx0ItemId, d.ItemId, From, To);
    for (int k = 1; k <= 4; ++k) Renumber(LLIndex(k), LLKey(d, k), From, To);
    FGrid->Drop(From);
    FGrid->Put(To, d);
}

// Inserting the records one after the other, as the file format defines the order; the table
// places them in one merge when it is next read.
void TGeoDB::RebuildIndex(int Ix)
{
    if (Ix == 0) {
        FIx0ItemId.clear();
        for (int32_t i = 0; i < FNumSumItems; ++i) FIx0ItemId.insert_sorted({FSumData[static_cast<std::size_t>(i)].ItemId, i});
    } else {
        auto& ix = LLIndex(Ix);
        ix.clear();
        for (int32_t i = 0; i < FNumSumItems; ++i) ix.insert_sorted({LLKey(FSumData[static_cast<std::size_t>(i)], Ix), i});
    }
}

void TGeoDB::RecalcIndexes()
{
    if (!IsOpen()) return;
    TSync sync(*this);
    Progress(0);
    for (int k = 0; k < 5; ++k) {
        RebuildIndex(k);
        ProgressRatio(k + 1, 6);
    }
    BuildGrid();
    // A rebuild is asked for to repair the files as well, so it writes them even while lazy.
    SaveAllIndexes();
    sync.Done();
    Progress(100);
}

// --- getters ---

TgdbData TGeoDB::GetSumdata(int Ix) const
{
    if (FNumSumItems == 0) {
        TgdbData d;
        ClearGdbData(d);
        return d;
    }
    return FSumData[static_cast<std::size_t>(std::clamp(Ix, 1, FNumSumItems) - 1)];
}

TIxItemIDRec TGeoDB::GetIxItemID(int Ix) const
{
    if (FIx0ItemId.empty()) return {};
    TIxItemIDRec r = FIx0ItemId[static_cast<std::size_t>(std::clamp(Ix, 1, static_cast<int>(FIx0ItemId.size())) - 1)];
    ++r.index;
    return r;
}

namespace {
TIxLLRec LLEntry(const TChunkedIndex<TIxLLRec>& Ix, int Pos)
{
    if (Ix.empty()) return {};
    TIxLLRec r = Ix[static_cast<std::size_t>(std::clamp(Pos, 1, static_cast<int>(Ix.size())) - 1)];
    ++r.index;
    return r;
}
int Closest(const TChunkedIndex<TIxLLRec>& Ix, double Value)
{
    return static_cast<int>(HalvingSearch(Ix.size(), Value, [&Ix](std::size_t p) { return double{Ix[p].LLValue}; })) + 1;
}
} // namespace

TIxLLRec TGeoDB::GetIxLatLow(int Ix) const { return LLEntry(FIx1LatLo, Ix); }
TIxLLRec TGeoDB::GetIxLatHigh(int Ix) const { return LLEntry(FIx2LatHi, Ix); }
TIxLLRec TGeoDB::GetIxLongLow(int Ix) const { return LLEntry(FIx3LongLo, Ix); }
TIxLLRec TGeoDB::GetIxLongHigh(int Ix) const { return LLEntry(FIx4LongHi, Ix); }

// --- searches ---

int TGeoDB::GetClosestItemIDIx(int ItemID) const
{
    return static_cast<int>(HalvingSearch(FIx0ItemId.size(), ItemID, [this](std::size_t p) { return FIx0ItemId[p].ItemID; })) + 1;
}

int TGeoDB::GetClosestLatLowIx(double Latit) const { return Closest(FIx1LatLo, Latit); }
int TGeoDB::GetClosestLatHighIx(double Latit) const { return Closest(FIx2LatHi, Latit); }
int TGeoDB::GetClosestLongLowIx(double Longit) const { return Closest(FIx3LongLo, Longit); }
int TGeoDB::GetClosestLongHighIx(double Longit) const { return Closest(FIx4LongHi, Longit); }

int TGeoDB::SearchForItemID(int ItemID) const
{
    const std::size_t p = static_cast<std::size_t>(GetClosestItemIDIx(ItemID) - 1);
    if (p >= FIx0ItemId.size() || FIx0ItemId[p].ItemID != ItemID) return 0;
    return FIx0ItemId[p].index + 1;
}

int TGeoDB::SearchData(const TgdbName& Name, TgdbItem ItemType, int StartSearchAt, uint8_t ClassNumber) const
{
    for (int e = std::max(StartSearchAt, 1); e <= FNumSumItems; ++e) {
        const TgdbData& d = FSumData[static_cast<std::size_t>(e - 1)];
        if (d.ItemKind == ItemType && d.ClassFlag == ClassNumber && SameNameIgnoringCase(d.Name.Bytes(), Name.Bytes()))
            return e;
    }
    return 0;
}

int TGeoDB::SearchData(const TgdbName& Name) const
{
    for (int e = 1; e <= FNumSumItems; ++e)
        if (SameNameIgnoringCase(FSumData[static_cast<std::size_t>(e - 1)].Name.Bytes(), Name.Bytes())) return e;
    return 0;
}

std::vector<int> TGeoDB::FindItemsInBox(double LatLow, double LatHigh, double LongLow, double LongHigh) const
{
    std::vector<int> found;
    if (FNumSumItems == 0 || !(LatLow <= LatHigh) || !(LongLow <= LongHigh)) return found;
    if (FGrid->WantsBuild(FSumData.size(), true)) BuildGrid();
    FGrid->Find(LatLow, LatHigh, LongLow, LongHigh, found);
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace tyx
