// TGeoDB: adding, replacing and deleting items, and the header setters.
#include "geodb/Tyx_GeoDB.h"

#include "geodb/gdb_file.h"
#include "geodb/gdb_grid.h"
#include "geodb/gdb_memory.h"
#include "geodb/gdb_journal.h"
#include "geodb/gdb_records.h"
#include "geodb/gdb_sync.h"
#include "host/tyx_datetime.h"
#include "host/tyx_errors.h"
#include "host/tyx_streams.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <utility>

namespace tyx {

using namespace gdb;

namespace {

const TMetaInfo kNoMeta{};
const TgdbPolygon kNoPolygon{};

// Blocks are addressed by 32-bit offsets, so the data file must stay below 2 GiB.
bool FitsInDataFile(int64_t Offset, int64_t Length)
{
    return Offset + Length <= std::numeric_limits<int32_t>::max();
}

enum TBlockFamily : uint8_t { bfNone, bfPolygon, bfBlob };

TBlockFamily Family(TgdbItem Kind)
{
    return IsPolygonKind(Kind) ? bfPolygon : Kind == gitBLOB ? bfBlob : bfNone;
}

// Cuts the summary and data files back to the lengths they had when a change began, unless the
// change got as far as its record (Done) or is whole in its journal: a change that fails (on a
// full disk, say) leaves no block or torn record behind, and cutting needs no free space. Inside a
// batch the batch's rollback does this.
class TAppendUndo {
public:
    TAppendUndo(const std::string& Gds, int64_t GdsLength, const std::string& Gdd, int64_t GddLength,
                const std::string& Journal, bool Active)
        : FFiles{{{Gds, GdsLength}, {Gdd, GddLength}}}, FJournal(Journal), FDone(!Active)
    {
    }
    ~TAppendUndo()
    {
        if (FDone || Exists(FJournal)) return;
        for (const auto& [name, length] : FFiles) {
            try {
                if (length < 0) continue;
                TFile f(name, omReadWrite);
                if (f.Size() > length) f.Truncate(length);
                f.Close();
            } catch (...) { // the failure that brought us here is the one to report
            }
        }
    }
    TAppendUndo(const TAppendUndo&) = delete;
    TAppendUndo& operator=(const TAppendUndo&) = delete;
    void Done() { FDone = true; }

private:
    std::array<std::pair<std::string, int64_t>, 2> FFiles;
    std::string FJournal;
    bool FDone;
};

} // namespace

// --- the workers ---

int TGeoDB::AddData(const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine, TgdbItem ItemType,
                    uint8_t ClassNumber, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                    float LongLow, float LongHigh, float Altitude, int UserTag, const TMetaInfo& MInfo,
                    const void* PBLOBData, int SizeOfBLOBData, bool FromFile)
{
    return AddItem({Name, Polygon, ClosedLine, ItemType, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                    LongHigh, Altitude, UserTag, MInfo, PBLOBData, SizeOfBLOBData, FromFile, MInfo.FilePath.Str()});
}

void TGeoDB::ReplaceData(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine,
                         TgdbItem ItemType, uint8_t ClassNumber, TDateTime Date, int StateFlag, float LatLow,
                         float LatHigh, float LongLow, float LongHigh, float Altitude, int UserTag,
                         const TMetaInfo& MInfo, const void* PBLOBData, int SizeOfBLOBData, bool FromFile)
{
    ReplaceItem(DBEntry, {Name, Polygon, ClosedLine, ItemType, ClassNumber, Date, StateFlag, LatLow, LatHigh,
                          LongLow, LongHigh, Altitude, UserTag, MInfo, PBLOBData, SizeOfBLOBData, FromFile,
                          MInfo.FilePath.Str()});
}

// The data file of a change that appends a block: the batch's, else opened for this change alone.
class TGeoDB::TDataOut {
public:
    TDataOut(TGeoDB& Db, TgdbItem Kind)
    {
        if (Db.FBatch) {
            FOut = &*Db.FBatch->DataTail;
        } else if (Kind != gitTown && Kind != gitUndefined) {
            FFile.emplace(Db.FNameGDD, omReadWrite);
            FOut = &FLocal.emplace(*FFile, FFile->Size(), 0);
        }
    }
    /// The data file's length before the change; -1 when the change has no block.
    int64_t Start() const { return FOut ? FOut->End() : -1; }
    TAppender* Out() { return FOut; }
    void Close()
    {
        if (FFile) FFile->Close();
    }

private:
    std::optional<TFile> FFile;
    std::optional<TAppender> FLocal;
    TAppender* FOut = nullptr;
};

int TGeoDB::AddItem(const TItemArgs& A, int32_t ItemId)
{
    if (!IsOpen()) return -1;
    TSync sync(*this, true);
    if (!IsOpen()) return -1;
    if (ItemId == 0 && FSystemData.HighestID == std::numeric_limits<int32_t>::max())
        throw ETYXGeoDBError(Msg("\": AddData: no item number is left; the highest, " +
                                 std::to_string(FSystemData.HighestID) + ", is taken."));
    TgdbData rec = BuildRecord(A, "AddData");
    Progress(0);
    rec.ItemId = ItemId != 0 ? ItemId : FSystemData.HighestID + 1;
    FSystemData.HighestID = std::max(FSystemData.HighestID, rec.ItemId);
    WriteHeader("AddData", true);
    Guarded("AddData", [&] {
        TDataOut data(*this, A.ItemType);
        TAppendUndo undo(FNameGDS, int64_t{FNumSumItems} * kRecSize, FNameGDD, data.Start(), JournalName(), !FBatch);
        WriteBlock(rec, A, "AddData", data.Out());
        data.Close();
        WriteSummaryRecord(FNumSumItems, rec);
        undo.Done();
    });
    ReserveOneMore(FSumData);
    FSumData.push_back(rec);
    ++FNumSumItems;
    InsertIntoIndex(FNumSumItems, rec);
    SaveIndexesUnlessLazy();
    sync.Done();
    Progress(100);
    return FNumSumItems;
}

void TGeoDB::ReplaceItem(int DBEntry, const TItemArgs& A)
{
    if (!IsOpen() || DBEntry < 1) return;
    TSync sync(*this);
    if (!IsOpen() || DBEntry > FNumSumItems) return;
    TgdbData rec = BuildRecord(A, "ReplaceData");
    Progress(0);
    rec.ItemId = FSumData[static_cast<std::size_t>(DBEntry - 1)].ItemId;
    Guarded("ReplaceData", [&] {
        TDataOut data(*this, A.ItemType);
        TAppendUndo undo(FNameGDS, int64_t{FNumSumItems} * kRecSize, FNameGDD, data.Start(), JournalName(), !FBatch);
        WriteBlock(rec, A, "ReplaceData", data.Out());
        data.Close();
        WriteSummaryRecord(DBEntry - 1, rec);
        undo.Done();
    });
    FSumData[static_cast<std::size_t>(DBEntry - 1)] = rec;
    RemoveIndexEntries(DBEntry);
    InsertIntoIndex(DBEntry, rec);
    SaveIndexesUnlessLazy();
    sync.Done();
    Progress(100);
}

TgdbData TGeoDB::BuildRecord(const TItemArgs& A, const char* Op) const
{
    if (A.ItemType > gitUndefined)
        throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": invalid item kind " + std::to_string(int{A.ItemType}) + "."));
    TgdbData rec;
    rec.NumPoints = 0;
    SetNameBytes(rec.Name, A.Name.Bytes());
    rec.BlobOffset = -1;
    rec.ClassFlag = A.ClassNumber;
    rec.Tag = A.UserTag;
    rec.ItemKind = A.ItemType;
    rec.Date = A.Date;
    rec.StateFlag = A.StateFlag;
    rec.LatLow = A.LatLow;
    rec.LatHigh = A.LatHigh;
    rec.LongLow = A.LongLow;
    rec.LongHigh = A.LongHigh;
    rec.Altitude = A.Altitude;
    if (IsPolygonKind(A.ItemType)) {
        rec.Closed = A.ClosedLine;
        rec.LatLow = 90;
        rec.LatHigh = -90;
        rec.LongLow = 180;
        rec.LongHigh = -180;
        for (const TSCoords& p : A.Polygon) {
            if (p.Latit < rec.LatLow) rec.LatLow = p.Latit;
            if (p.Latit > rec.LatHigh) rec.LatHigh = p.Latit;
            if (p.Longit < rec.LongLow) rec.LongLow = p.Longit;
            if (p.Longit > rec.LongHigh) rec.LongHigh = p.Longit;
        }
        if (A.Polygon.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max() / kPointSize))
            throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": too many points."));
    }
    // A NaN edge has no place in a sorted index: every search past it would go astray. Opening
    // refuses such records, infinite ones too, so none is stored.
    if (!FiniteBox(rec))
        throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": the bounding box is not a finite number."));
    if (A.ItemType == gitBLOB && !A.FromFile && (A.SizeOfBLOBData < 0 || (A.SizeOfBLOBData > 0 && !A.PBLOBData)))
        throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": invalid BLOB data."));
    return rec;
}

void TGeoDB::WriteBlock(TgdbData& Rec, const TItemArgs& A, const char* Op, TAppender* Out)
{
    const auto tooLarge = [&] {
        return ETYXGeoDBError(Msg(std::string("\": ") + Op + ": the data file would exceed 2 GiB."));
    };
    if (IsPolygonKind(A.ItemType)) {
        const int32_t n = static_cast<int32_t>(A.Polygon.size());
        const int64_t at = Out->End();
        if (!FitsInDataFile(at, int64_t{n} * kPointSize)) throw tooLarge();
        Rec.BlobOffset = static_cast<int32_t>(at);
        Rec.NumPoints = n;
        constexpr int32_t perChunk = static_cast<int32_t>(kChunk / kPointSize);
        for (int32_t first = 0; first < n; first += perChunk) {
            const int32_t count = std::min(perChunk, n - first);
            Out->Append(A.Polygon.data() + first, static_cast<std::size_t>(count) * kPointSize);
            for (int32_t i = first; i < first + count; ++i) ProgressRatio(i, n);
        }
    } else if (A.ItemType == gitBLOB && A.FromFile) {
        // The source is opened before anything is appended, so that a file that cannot be read
        // leaves no orphaned metadata block behind.
        const std::string& src = A.SourceFile;
        TFile in(src, omRead);
        if (!std::filesystem::is_regular_file(src)) throw EInOutError(src, "not a regular file");
        const int64_t size = in.Size();
        if (size > std::numeric_limits<int32_t>::max()) throw tooLarge();
        Rec.Date = FileDateTime(src);
        Rec.Size = static_cast<int32_t>(size);
        const int64_t at = Out->End();
        if (!FitsInDataFile(at, kMetaSize + int64_t{Rec.Size})) throw tooLarge();
        Rec.BlobOffset = static_cast<int32_t>(at);
        Out->Append(&A.MInfo, sizeof(TMetaInfo));
        std::vector<uint8_t> buf(kChunk);
        int64_t copied = 0;
        while (copied < Rec.Size) {
            const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(kChunk, Rec.Size - copied));
            const std::size_t got = in.ReadAt(copied, buf.data(), want);
            if (got == 0) throw EInOutError(src, "the file became shorter while it was copied");
            Out->Append(buf.data(), got);
            copied += static_cast<int64_t>(got);
            ProgressRatio(static_cast<double>(copied), Rec.Size);
        }
    } else if (A.ItemType == gitBLOB) {
        const int32_t size = A.SizeOfBLOBData;
        const int64_t at = Out->End();
        if (!FitsInDataFile(at, kMetaSize + int64_t{size})) throw tooLarge();
        Rec.Size = size;
        Rec.BlobOffset = static_cast<int32_t>(at);
        Out->Append(&A.MInfo, sizeof(TMetaInfo));
        const auto* data = static_cast<const uint8_t*>(A.PBLOBData);
        const int64_t chunks = size / static_cast<int64_t>(kChunk);
        for (int64_t k = 0; k < chunks; ++k) {
            Out->Append(data + k * static_cast<int64_t>(kChunk), kChunk);
            ProgressRatio(static_cast<double>((k + 1) * static_cast<int64_t>(kChunk)), size);
        }
        const int64_t rest = size - chunks * static_cast<int64_t>(kChunk);
        if (rest > 0) Out->Append(data + chunks * static_cast<int64_t>(kChunk), static_cast<std::size_t>(rest));
    }
}

// An appended record that an interruption tears is cut off on opening; a record written over
// another goes through the journal, so that it is the old or the new one, never a mix.
void TGeoDB::WriteSummaryRecord(int Pos, const TgdbData& Rec)
{
    uint8_t bytes[kRecSize];
    EncodeRecord(Rec, bytes);
    if (Pos < FNumSumItems) {
        TJournal j;
        j.Write(0, int64_t{Pos} * kRecSize, bytes, sizeof bytes);
        CommitChange(j);
        return;
    }
    if (FBatch) {
        FBatch->SumTail->Append(bytes, sizeof bytes);
        return;
    }
    if (FSumFile) {
        FSumFile->WriteAt(int64_t{Pos} * kRecSize, bytes, sizeof bytes);
        return;
    }
    TFile f(FNameGDS, omReadWrite);
    f.WriteAt(int64_t{Pos} * kRecSize, bytes, sizeof bytes);
    f.Close();
}

// A header that differs only in the item counter (an add) is written in place: its one changed
// field lies in the first bytes of the first sector, which storage writes whole, and an opening
// raises the counter to the highest number stored anyway; for that reason LazyWrite defers it
// with the index files. Other header changes go through the journal, so that a description is
// never half old and half new.
void TGeoDB::WriteHeader(const char* Op, bool CounterOnly)
{
    // A batch writes the header once, at its commit.
    if (FBatch) {
        FBatch->HeaderDirty = true;
        return;
    }
    if (CounterOnly && FLazyWrite) {
        FCounterStale = true;
        return;
    }
    try {
        if (CounterOnly) {
            WriteCounter();
            return;
        }
        MarkSetChanged();
        TJournal j;
        j.Write(1, 0, &FSystemData, sizeof FSystemData);
        j.Commit(JournalName(), {FNameGDS, FNameGDD});
        FCounterStale = false;
    } catch (const std::exception&) {
        throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": cannot open database."));
    }
}

void TGeoDB::WriteCounter()
{
    TFile f(FNameGDD, omReadWrite);
    f.WriteAt(0, &FSystemData, sizeof FSystemData);
    f.Close();
    FCounterStale = false;
}

// --- deleting and updating ---

void TGeoDB::DeleteData(int DbEntry)
{
    if (!IsOpen() || DbEntry < 1) return;
    TSync sync(*this);
    if (!IsOpen() || DbEntry > FNumSumItems) return;
    const int last = FNumSumItems - 1;
    const int hole = DbEntry - 1;
    {
        // Moving the last record into the hole and shortening the file is one change.
        TJournal j;
        if (hole != last) {
            uint8_t bytes[kRecSize];
            EncodeRecord(FSumData[static_cast<std::size_t>(last)], bytes);
            j.Write(0, int64_t{hole} * kRecSize, bytes, sizeof bytes);
        }
        j.Truncate(0, int64_t{last} * kRecSize);
        // With the counter, in case it lags (LazyWrite, another program's): the number of the
        // deleted item must never be handed out again.
        j.Write(1, 0, &FSystemData, sizeof FSystemData);
        Guarded("DeleteData", [&] { CommitChange(j); });
        if (!FBatch) FCounterStale = false;
    }
    FSumData[static_cast<std::size_t>(hole)] = FSumData[static_cast<std::size_t>(last)];
    FSumData.pop_back();
    RemoveIndexEntries(DbEntry);
    if (hole != last) RenumberIndexEntries(last, hole);
    --FNumSumItems;
    SaveIndexesUnlessLazy();
    sync.Done();
}

void TGeoDB::UpdateBasicData(int DbEntry, const TgdbData& GdbData)
{
    if (!IsOpen() || DbEntry < 1) return;
    TSync sync(*this);
    if (!IsOpen() || DbEntry > FNumSumItems) return;
    const TgdbData& old = FSumData[static_cast<std::size_t>(DbEntry - 1)];
    if (GdbData.ItemKind > gitUndefined)
        throw ETYXGeoDBError(Msg("\": UpdateBasicData: invalid item kind " + std::to_string(int{GdbData.ItemKind}) + "."));
    if (Family(GdbData.ItemKind) != Family(old.ItemKind))
        throw ETYXGeoDBError(Msg("\": UpdateBasicData: entry " + std::to_string(DbEntry) + " cannot change from " +
                                 ItemKindName(old.ItemKind) + " to " + ItemKindName(GdbData.ItemKind) +
                                 "; its data block would be read wrongly."));
    if (!FiniteBox(GdbData))
        throw ETYXGeoDBError(Msg("\": UpdateBasicData: the bounding box is not a finite number."));
    // As the file will hold it (padding zero), so that it compares equal to the file's bytes.
    uint8_t bytes[kRecSize];
    EncodeRecord(GdbData, bytes);
    TgdbData rec = DecodeRecord(bytes);
    SetNameBytes(rec.Name, GdbData.Name.Bytes());
    rec.ItemId = old.ItemId;
    rec.BlobOffset = old.BlobOffset;
    if (Family(old.ItemKind) != bfNone) rec.NumPoints = old.NumPoints;
    Guarded("UpdateBasicData", [&] { WriteSummaryRecord(DbEntry - 1, rec); });
    FSumData[static_cast<std::size_t>(DbEntry - 1)] = rec;
    RemoveIndexEntries(DbEntry);
    InsertIntoIndex(DbEntry, rec);
    SaveIndexesUnlessLazy();
    sync.Done();
}

// --- the header ---

void TGeoDB::SetDescription(const std::string& Value)
{
    if (!IsOpen()) return;
    TSync sync(*this);
    if (!IsOpen()) return;
    FSystemData.Description.AssignBytes(std::string_view(Utf8ToCp1252(Value)).substr(0, 60));
    WriteHeader("SetDescription", false);
    sync.Done();
}

void TGeoDB::SetRevision(int Value)
{
    if (!IsOpen()) return;
    TSync sync(*this);
    if (!IsOpen()) return;
    FSystemData.Revision = Value;
    WriteHeader("SetRevision", false);
    sync.Done();
}

// --- the per-kind front ends ---

int TGeoDB::AddBorder(const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine, TDateTime Date,
                      int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                      uint8_t ClassNumber, int UserTag)
{
    return AddData(Name, Polygon, ClosedLine, gitBorder, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                   LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

int TGeoDB::AddCity(const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine, TDateTime Date,
                    int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                    uint8_t ClassNumber, int UserTag)
{
    return AddData(Name, Polygon, ClosedLine, gitCity, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                   LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

int TGeoDB::AddLake(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                    float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                    uint8_t ClassNumber, int UserTag)
{
    return AddData(Name, Polygon, true, gitLake, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow, LongHigh,
                   Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

int TGeoDB::AddRiver(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                     float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                     uint8_t ClassNumber, int UserTag)
{
    return AddData(Name, Polygon, false, gitRiver, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                   LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

int TGeoDB::AddRoad(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                    float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                    uint8_t ClassNumber, int UserTag)
{
    return AddData(Name, Polygon, false, gitRoad, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                   LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

int TGeoDB::AddRoute(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                     float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                     uint8_t ClassNumber, int UserTag)
{
    return AddData(Name, Polygon, false, gitRoute, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                   LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

int TGeoDB::AddTown(const TgdbName& Name, TDateTime Date, int StateFlag, TSCoords Location, float Altitude,
                    uint8_t ClassNumber, int UserTag)
{
    return AddData(Name, kNoPolygon, false, gitTown, ClassNumber, Date, StateFlag, Location.Latit, Location.Latit,
                   Location.Longit, Location.Longit, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

void TGeoDB::ReplaceBorder(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine,
                           TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow,
                           float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag)
{
    ReplaceData(DBEntry, Name, Polygon, ClosedLine, gitBorder, ClassNumber, Date, StateFlag, LatLow, LatHigh,
                LongLow, LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

void TGeoDB::ReplaceCity(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine,
                         TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow,
                         float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag)
{
    ReplaceData(DBEntry, Name, Polygon, ClosedLine, gitCity, ClassNumber, Date, StateFlag, LatLow, LatHigh,
                LongLow, LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

void TGeoDB::ReplaceLake(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                         int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                         float Altitude, uint8_t ClassNumber, int UserTag)
{
    ReplaceData(DBEntry, Name, Polygon, true, gitLake, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

void TGeoDB::ReplaceRiver(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                          int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                          float Altitude, uint8_t ClassNumber, int UserTag)
{
    ReplaceData(DBEntry, Name, Polygon, false, gitRiver, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

void TGeoDB::ReplaceRoad(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                         int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                         float Altitude, uint8_t ClassNumber, int UserTag)
{
    ReplaceData(DBEntry, Name, Polygon, false, gitRoad, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

void TGeoDB::ReplaceRoute(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                          int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                          float Altitude, uint8_t ClassNumber, int UserTag)
{
    ReplaceData(DBEntry, Name, Polygon, false, gitRoute, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                LongHigh, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

void TGeoDB::ReplaceTown(int DBEntry, const TgdbName& Name, TDateTime Date, int StateFlag, TSCoords Location,
                         float Altitude, uint8_t ClassNumber, int UserTag)
{
    ReplaceData(DBEntry, Name, kNoPolygon, false, gitTown, ClassNumber, Date, StateFlag, Location.Latit,
                Location.Latit, Location.Longit, Location.Longit, Altitude, UserTag, kNoMeta, nullptr, 0, false);
}

} // namespace tyx
