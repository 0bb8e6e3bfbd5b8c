// TGeoDB: opening and closing, the index tables and their searches, and when index files are
// written.
#include "geodb/Tyx_GeoDB.h"

#include "geodb/gdb_file.h"
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
#include <optional>
#include <unordered_map>

namespace tyx {

using namespace gdb;

namespace {

constexpr const char* kSumExt = ".tyxgds";

// Items up to this height and width (degrees) are found through the narrow bands of a box query:
// towns, villages and small features; the list of the others stays short in most databases.
constexpr double kNarrow = 0.25;

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
std::vector<Rec> DecodeIndex(const std::vector<uint8_t>& Bytes)
{
    std::vector<Rec> v(Bytes.size() / sizeof(Rec));
    if (!v.empty()) std::memcpy(v.data(), Bytes.data(), v.size() * sizeof(Rec));
    return v;
}

// An index file agrees with the summary when it holds one entry per record, each pointing at a
// record whose field it repeats, in ascending order.
template <typename Rec, typename KeyOf>
bool IndexAgrees(const std::vector<uint8_t>& Bytes, const std::vector<TgdbData>& Sum, KeyOf&& Key)
{
    if (Bytes.size() % sizeof(Rec) != 0 || Bytes.size() / sizeof(Rec) != Sum.size()) return false;
    const std::vector<Rec> v = DecodeIndex<Rec>(Bytes);
    std::vector<bool> seen(Sum.size(), false);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int32_t ix = v[i].index;
        if (ix < 0 || static_cast<std::size_t>(ix) >= Sum.size() || seen[static_cast<std::size_t>(ix)]) return false;
        seen[static_cast<std::size_t>(ix)] = true;
        const auto k = Key(Sum[static_cast<std::size_t>(ix)]);
        if (std::memcmp(&k, &v[i], sizeof k) != 0) return false;
        if (i > 0 && Key(Sum[static_cast<std::size_t>(v[i - 1].index)]) > k) return false;
    }
    return true;
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

TGeoDB::TGeoDB(TComponent* AOwner) : TComponent(AOwner)
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
    FMaxLatExtent = 0;
    FMaxLongExtent = 0;
    FWide.clear();
    FBoxes.clear();
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

    // Read and check everything before any file is created or rewritten.
    std::array<std::vector<uint8_t>, 5> ixBytes;
    std::array<bool, 5> ixExists{};
    for (int k : {1, 2, 3, 4, 0}) ixExists[k] = ReadWholeFile(nameIx[k], ixBytes[k]);
    std::vector<uint8_t> sumBytes;
    const bool gdsExists = ReadWholeFile(nameGds, sumBytes);
    // A torn last record is what an append cut off leaves; the item was never acknowledged.
    const std::size_t torn = sumBytes.size() % kRecSize;
    TgdbSystemData header = FSystemData;
    const bool gddExists = Exists(nameGdd);
    if (gddExists) {
        TFile f(nameGdd, omRead);
        if (f.ReadAt(0, &header, sizeof header) != sizeof header)
            throw ETYXGeoDBError(Msg("\": SetGDBName: data file \"" + nameGdd +
                                     "\" is damaged: it is shorter than its 260-byte header."));
    }

    std::vector<TgdbData> sum(sumBytes.size() / kRecSize);
    std::unordered_map<int32_t, std::size_t> firstWithId;
    std::vector<std::size_t> twice;
    for (std::size_t i = 0; i < sum.size(); ++i) {
        const uint8_t* bytes = sumBytes.data() + i * kRecSize;
        sum[i] = DecodeRecord(bytes);
        // A box edge that is not a number has no place in a sorted index: searches past it would
        // miss sound items. No add stores one, so it is damage.
        if (!FiniteBox(sum[i]))
            throw ETYXGeoDBError(Msg("\": SetGDBName: summary file \"" + nameGds + "\" is damaged: entry " +
                                     std::to_string(i + 1) + " has a bounding box edge that is not a finite number."));
        // An interrupted delete leaves the moved record twice, byte for byte; two different records
        // with one number are damage to one of them, and which one cannot be told.
        const auto [first, isNew] = firstWithId.emplace(sum[i].ItemId, i);
        if (!isNew && std::memcmp(bytes, sumBytes.data() + first->second * kRecSize, kRecSize) != 0)
            throw ETYXGeoDBError(Msg("\": SetGDBName: summary file \"" + nameGds + "\" is damaged: entries " +
                                     std::to_string(first->second + 1) + " and " + std::to_string(i + 1) +
                                     " differ but carry the same item number " + std::to_string(sum[i].ItemId) + "."));
        if (!isNew) twice.push_back(i);
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

    try {
        FNameGDS = nameGds;
        FNameGDD = nameGdd;
        RepairSummary(sum, torn, twice);
        int32_t maxId = 0;
        for (const TgdbData& d : sum) maxId = std::max(maxId, d.ItemId);
        Load(nameIx, nameGds, nameGdd, header, std::move(sum), ixBytes, maxId);
    } catch (...) {
        // A failure while healing leaves the component closed, not half open.
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
                  const TgdbSystemData& header, std::vector<TgdbData> sum,
                  const std::array<std::vector<uint8_t>, 5>& ixBytes, int32_t maxId)
{
    FNameIX = nameIx;
    FNameGDS = nameGds;
    FNameGDD = nameGdd;
    FSystemData = header;
    // New items must never take a number that a record already carries.
    FSystemData.HighestID = std::max(FSystemData.HighestID, maxId);
    FSumData = std::move(sum);
    FNumSumItems = static_cast<int>(FSumData.size());
    RecomputeExtents();

    // The summary is the truth; an index that disagrees with it is rebuilt and written back. A
    // reading never needs free space: a file that cannot be written is left for the next opening.
    std::string unwritten, error;
    int count = 0;
    const auto rebuild = [&](int Ix) {
        RebuildIndex(Ix);
        try {
            SaveIndex(Ix);
        } catch (const EInOutError& e) {
            unwritten += (count++ ? ", \"" : "\"") + FNameIX[static_cast<std::size_t>(Ix)] + "\"";
            if (error.empty()) error = e.what();
        }
    };
    if (IndexAgrees<TIxItemIDRec>(ixBytes[0], FSumData, [](const TgdbData& d) { return d.ItemId; }))
        FIx0ItemId.assign(DecodeIndex<TIxItemIDRec>(ixBytes[0]));
    else
        rebuild(0);
    for (int k = 1; k <= 4; ++k) {
        if (IndexAgrees<TIxLLRec>(ixBytes[k], FSumData, [k](const TgdbData& d) { return LLKey(d, k); }))
            LLIndex(k).assign(DecodeIndex<TIxLLRec>(ixBytes[k]));
        else
            rebuild(k);
    }
    if (count > 0)
        FOpenReport.push_back(Msg("\": SetGDBName: index file" + std::string(count > 1 ? "s " : " ") + unwritten +
                                  (count > 1 ? " disagree" : " disagrees") + " with the summary and could not be rewritten (" +
                                  error + "); searches use tables rebuilt in memory, and the next opening with room "
                                          "rewrites the files."));
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

// Widens the extent bounds by one record's box and returns it; true in Wide when the box is taller
// or wider than a narrow band covers.
TGeoDB::TBox TGeoDB::NoteBox(const TgdbData& Data, bool& Wide)
{
    const TBox box{Data.LatLow, Data.LatHigh, Data.LongLow, Data.LongHigh};
    const double h = double{box.LatHigh} - double{box.LatLow};
    const double w = double{box.LongHigh} - double{box.LongLow};
    FMaxLatExtent = std::max(FMaxLatExtent, h);
    FMaxLongExtent = std::max(FMaxLongExtent, w);
    Wide = h > kNarrow || w > kNarrow;
    return box;
}

void TGeoDB::NoteExtents(int32_t Index, const TgdbData& Data)
{
    bool wide = false;
    const TBox box = NoteBox(Data, wide);
    if (static_cast<std::size_t>(Index) >= FBoxes.size()) FBoxes.resize(static_cast<std::size_t>(Index) + 1);
    FBoxes[static_cast<std::size_t>(Index)] = box;
    // Kept in order of the southern edge, so that a query looks at a band of them only.
    if (wide)
        FWide.insert(FWide.partition_point([&box](const TWideItem& x) { return x.Box.LatLow <= box.LatLow; }),
                     {Index, box});
}

void TGeoDB::RecomputeExtents()
{
    FMaxLatExtent = 0;
    FMaxLongExtent = 0;
    FBoxes.clear();
    FBoxes.reserve(FSumData.size());
    std::vector<TWideItem> wide;
    for (int32_t i = 0; i < FNumSumItems; ++i) {
        bool isWide = false;
        FBoxes.push_back(NoteBox(FSumData[static_cast<std::size_t>(i)], isWide));
        if (isWide) wide.push_back({i, FBoxes.back()});
    }
    std::stable_sort(wide.begin(), wide.end(),
                     [](const TWideItem& a, const TWideItem& b) { return a.Box.LatLow < b.Box.LatLow; });
    FWide.assign(wide);
}

void TGeoDB::InsertIntoIndex(int Entry, const TgdbData& Data)
{
    if (Entry < 1 || Entry > FNumSumItems) return;
    const int32_t i = Entry - 1;
    NoteExtents(i, Data);
    const std::size_t p0 = HalvingSearch(FIx0ItemId.size(), Data.ItemId, [this](std::size_t p) { return FIx0ItemId[p].ItemID; });
    FIx0ItemId.insert(p0, TIxItemIDRec{Data.ItemId, i});
    for (int k = 1; k <= 4; ++k) {
        auto& ix = LLIndex(k);
        const float key = LLKey(Data, k);
        const std::size_t p = HalvingSearch(ix.size(), key, [&ix](std::size_t q) { return ix[q].LLValue; });
        ix.insert(p, TIxLLRec{key, i});
    }
}

void TGeoDB::RemoveIndexEntries(int Entry)
{
    if (Entry < 1 || Entry > FNumSumItems) return;
    const int32_t i = Entry - 1;
    if (const std::size_t w = FWide.find_if([i](const TWideItem& x) { return x.Index == i; }); w < FWide.size())
        FWide.erase(w);
    const std::size_t p0 = FIx0ItemId.find_if([i](const TIxItemIDRec& r) { return r.index == i; });
    if (p0 < FIx0ItemId.size()) FIx0ItemId.erase(p0);
    for (int k = 1; k <= 4; ++k) {
        auto& ix = LLIndex(k);
        const std::size_t p = ix.find_if([i](const TIxLLRec& r) { return r.index == i; });
        if (p < ix.size()) ix.erase(p);
    }
}

void TGeoDB::RebuildIndex(int Ix)
{
    if (Ix == 0) {
        FIx0ItemId.clear();
    } else {
        LLIndex(Ix).clear();
    }
    for (int e = 0; e < FNumSumItems; ++e) {
        const TgdbData& d = FSumData[static_cast<std::size_t>(e)];
        if (Ix == 0) {
            const std::size_t p = HalvingSearch(FIx0ItemId.size(), d.ItemId, [this](std::size_t q) { return FIx0ItemId[q].ItemID; });
            FIx0ItemId.insert(p, TIxItemIDRec{d.ItemId, e});
        } else {
            auto& ix = LLIndex(Ix);
            const float key = LLKey(d, Ix);
            const std::size_t p = HalvingSearch(ix.size(), key, [&ix](std::size_t q) { return ix[q].LLValue; });
            ix.insert(p, TIxLLRec{key, e});
        }
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
    RecomputeExtents();
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

// An inverted box (a polygon without points) has no extent and meets nothing.
bool TGeoDB::TBox::Meets(double LaLo, double LaHi, double LoLo, double LoHi) const
{
    return LatLow <= LaHi && LatHigh >= LaLo && LongLow <= LoHi && LongHigh >= LoLo && LatLow <= LatHigh &&
           LongLow <= LongHigh;
}

std::vector<int> TGeoDB::FindItemsInBox(double LatLow, double LatHigh, double LongLow, double LongHigh) const
{
    std::vector<int> found;
    if (FNumSumItems == 0 || !(LatLow <= LatHigh) || !(LongLow <= LongHigh)) return found;
    // Each index bounds the candidates from one side; walk the narrowest of the four ranges.
    const std::size_t n = static_cast<std::size_t>(FNumSumItems);
    const auto atMost = [](double q) { return [q](const TIxLLRec& r) { return double{r.LLValue} <= q; }; };
    const auto below = [](double q) { return [q](const TIxLLRec& r) { return double{r.LLValue} < q; }; };
    // An item meets the box only if its southern edge lies within its own height below the box,
    // and likewise for the western edge. So besides the four half-lines there are bands: one as
    // deep as the tallest (widest) item, and a narrow one that, with the list of the few wider
    // items, covers everything too. The slack absorbs rounding; candidates are checked exactly.
    constexpr double kSlack = 1e-6;
    struct Range { const TChunkedIndex<TIxLLRec>* Ix; std::size_t From, To; bool PlusWide; };
    const std::size_t latTo = FIx1LatLo.partition_point(atMost(LatHigh));
    const std::size_t longTo = FIx3LongLo.partition_point(atMost(LongHigh));
    const auto latFrom = [&](double depth) { return std::min(latTo, FIx1LatLo.partition_point(below(LatLow - depth - kSlack))); };
    const auto longFrom = [&](double depth) { return std::min(longTo, FIx3LongLo.partition_point(below(LongLow - depth - kSlack))); };
    const Range ranges[8] = {
        {&FIx1LatLo, 0, latTo, false},
        {&FIx2LatHi, FIx2LatHi.partition_point(below(LatLow)), n, false},
        {&FIx3LongLo, 0, longTo, false},
        {&FIx4LongHi, FIx4LongHi.partition_point(below(LongLow)), n, false},
        {&FIx1LatLo, latFrom(FMaxLatExtent), latTo, false},
        {&FIx3LongLo, longFrom(FMaxLongExtent), longTo, false},
        {&FIx1LatLo, latFrom(kNarrow), latTo, true},
        {&FIx3LongLo, longFrom(kNarrow), longTo, true},
    };
    const double wideLow = LatLow - FMaxLatExtent - kSlack;
    const std::size_t wideTo = FWide.partition_point([LatHigh](const TWideItem& x) { return double{x.Box.LatLow} <= LatHigh; });
    const std::size_t wideFrom =
        std::min(wideTo, FWide.partition_point([wideLow](const TWideItem& x) { return double{x.Box.LatLow} < wideLow; }));
    const std::size_t wideCount = wideTo - wideFrom;
    const auto cost = [wideCount](const Range& r) { return r.To - r.From + (r.PlusWide ? wideCount : 0); };
    const Range& best = *std::min_element(std::begin(ranges), std::end(ranges),
                                          [&](const Range& a, const Range& b) { return cost(a) < cost(b); });
    best.Ix->for_range(best.From, best.To, [&](const TIxLLRec& r) {
        if (FBoxes[static_cast<std::size_t>(r.index)].Meets(LatLow, LatHigh, LongLow, LongHigh)) found.push_back(r.index + 1);
    });
    if (best.PlusWide) {
        FWide.for_range(wideFrom, wideTo, [&](const TWideItem& w) {
            if (w.Box.Meets(LatLow, LatHigh, LongLow, LongHigh)) found.push_back(w.Index + 1);
        });
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        return found;
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace tyx
