// TGeoDB: BLOB front ends, reading polygons and BLOBs, metadata, and GarbageCollection.
#include "geodb/Tyx_GeoDB.h"

#include "geodb/gdb_file.h"
#include "geodb/gdb_journal.h"
#include "geodb/gdb_records.h"
#include "geodb/gdb_sync.h"
#include "host/tyx_streams.h"
#include "support/Tyx_filesys.h"
#include "support/Tyx_stringl.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>

namespace tyx {

using namespace gdb;

namespace {
const TgdbPolygon kNoPolygon{};
}

// --- checks ---

int64_t TGeoDB::CheckBlock(const TgdbData& Rec, int Entry, int64_t DataLen, const char* Op) const
{
    // A negative count would otherwise pass as a short block that cuts the metadata.
    if (Rec.NumPoints < 0)
        throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": summary file \"" + FNameGDS + "\" is damaged: entry " +
                                 std::to_string(Entry) + " gives its block a negative size (" +
                                 std::to_string(Rec.NumPoints) + ")."));
    const int64_t len = BlockLength(Rec);
    if (Rec.BlobOffset < kHeaderSize || len < 0 || Rec.BlobOffset + len > DataLen)
        throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": data file \"" + FNameGDD + "\" is damaged: the block of entry " +
                                 std::to_string(Entry) + " (offset " + std::to_string(Rec.BlobOffset) + ", " +
                                 std::to_string(len) + " bytes) lies outside the file of " + std::to_string(DataLen) +
                                 " bytes."));
    return len;
}

int TGeoDB::RetrieveEntry(int DBEntry) const
{
    const int i = std::max(DBEntry - 1, 0);
    return i < FNumSumItems ? i : -1;
}

// --- metadata ---

bool TGeoDB::GetMetaInfo(int DBEntry, TMetaInfo& MetaInfo)
{
    ClearMetaInfo(MetaInfo);
    if (!IsOpen() || DBEntry < 1) return false;
    TSync sync(*this);
    if (!IsOpen() || DBEntry > FNumSumItems) return false;
    const TgdbData& rec = FSumData[static_cast<std::size_t>(DBEntry - 1)];
    if (rec.ItemKind != gitBLOB || rec.BlobOffset < 0) return false;
    FlushBatch("GetMetaInfo");
    TFile f(FNameGDD, omRead);
    CheckBlock(rec, DBEntry, f.Size(), "GetMetaInfo");
    f.ReadExact(rec.BlobOffset, &MetaInfo, sizeof MetaInfo);
    sync.Done();
    return true;
}

bool TGeoDB::UpdateMetaInfo(int DBEntry, const TMetaInfo& MetaInfo)
{
    if (!IsOpen() || DBEntry < 1) return false;
    TSync sync(*this);
    if (!IsOpen() || DBEntry > FNumSumItems) return false;
    const TgdbData& rec = FSumData[static_cast<std::size_t>(DBEntry - 1)];
    if (rec.ItemKind != gitBLOB || rec.BlobOffset < 0) return false;
    FlushBatch("UpdateMetaInfo");
    CheckBlock(rec, DBEntry, TFile(FNameGDD, omRead).Size(), "UpdateMetaInfo");
    TJournal j;
    j.Write(1, rec.BlobOffset, &MetaInfo, sizeof MetaInfo);
    Guarded("UpdateMetaInfo", [&] {
        if (!FBatch) MarkSetChanged();
        CommitChange(j);
    });
    sync.Done();
    return true;
}

// --- adding and replacing BLOBs ---

int TGeoDB::AddFileBLOB(const std::string& FileName, const std::string& NameInDB, const std::string& StoredPath,
                        TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                        float Altitude, uint8_t ClassNumber, int UserTag, const TMetaInfo& MInfo, int ReplaceEntry)
{
    TMetaInfo meta = MInfo;
    meta.FilePath.Assign(StoredPath);
    const TgdbName name(StripPath(NameInDB));
    // The bytes come from the full name; the stored path may be cut or lose characters.
    const TItemArgs a{name, kNoPolygon, false, gitBLOB, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                      LongHigh, Altitude, UserTag, meta, nullptr, 0, true, FileName};
    if (ReplaceEntry > 0) {
        ReplaceItem(ReplaceEntry, a);
        return 0;
    }
    return AddItem(a);
}

int TGeoDB::AddBLOB(const std::string& FileName, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                    float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag,
                    const TMetaInfo& MInfo)
{
    return AddFileBLOB(FileName, FileName, FileName, Date, StateFlag, LatLow, LatHigh, LongLow, LongHigh, Altitude,
                       ClassNumber, UserTag, MInfo, 0);
}

int TGeoDB::AddBLOB(const std::string& FileName, const std::string& FNameInDB, TDateTime Date, int StateFlag,
                    float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                    uint8_t ClassNumber, int UserTag, const TMetaInfo& MInfo)
{
    return AddFileBLOB(FileName, FNameInDB, FileName, Date, StateFlag, LatLow, LatHigh, LongLow, LongHigh, Altitude,
                       ClassNumber, UserTag, MInfo, 0);
}

int TGeoDB::AddBLOB(const std::string& FileName, const std::string& FNameInDB, const std::string& OrgFilePath,
                    TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                    float Altitude, uint8_t ClassNumber, int UserTag, const TMetaInfo& MInfo)
{
    // The metadata names OrgFilePath from the first write on, so that an interruption never
    // leaves the item with the other path.
    return AddFileBLOB(FileName, FNameInDB, OrgFilePath, Date, StateFlag, LatLow, LatHigh, LongLow, LongHigh,
                       Altitude, ClassNumber, UserTag, MInfo, 0);
}

int TGeoDB::AddBLOB(const std::string& Name, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                    float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag,
                    const TMetaInfo& MInfo, const void* PBLOBData, int SizeOfBLOBData)
{
    return AddData(Name, kNoPolygon, false, gitBLOB, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                   LongHigh, Altitude, UserTag, MInfo, PBLOBData, SizeOfBLOBData, false);
}

namespace {
int StreamSize(const TMemoryStream& Data, const std::string& Fault)
{
    if (Data.Size() > std::numeric_limits<int32_t>::max()) throw ETYXGeoDBError(Fault);
    return static_cast<int>(Data.Size());
}
} // namespace

int TGeoDB::AddBLOB(const std::string& Name, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                    float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag,
                    const TMetaInfo& MInfo, TMemoryStream& Data)
{
    const int size = StreamSize(Data, Msg("\": AddBLOB: the stream is larger than 2 GiB."));
    return AddBLOB(Name, Date, StateFlag, LatLow, LatHigh, LongLow, LongHigh, Altitude, ClassNumber, UserTag, MInfo,
                   Data.Memory(), size);
}

void TGeoDB::ReplaceBLOB(int DBEntry, const std::string& FileName, TDateTime Date, int StateFlag, float LatLow,
                         float LatHigh, float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber,
                         int UserTag, const TMetaInfo& MInfo)
{
    if (DBEntry < 1) return;
    AddFileBLOB(FileName, FileName, FileName, Date, StateFlag, LatLow, LatHigh, LongLow, LongHigh, Altitude, ClassNumber,
                UserTag, MInfo, DBEntry);
}

void TGeoDB::ReplaceBLOB(int DBEntry, const std::string& Name, TDateTime Date, int StateFlag, float LatLow,
                         float LatHigh, float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber,
                         int UserTag, const TMetaInfo& MInfo, const void* PBLOBData, int SizeOfBLOBData)
{
    ReplaceData(DBEntry, Name, kNoPolygon, false, gitBLOB, ClassNumber, Date, StateFlag, LatLow, LatHigh, LongLow,
                LongHigh, Altitude, UserTag, MInfo, PBLOBData, SizeOfBLOBData, false);
}

void TGeoDB::ReplaceBLOB(int DBEntry, const std::string& Name, TDateTime Date, int StateFlag, float LatLow,
                         float LatHigh, float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber,
                         int UserTag, const TMetaInfo& MInfo, TMemoryStream& Data)
{
    const int size = StreamSize(Data, Msg("\": ReplaceBLOB: the stream is larger than 2 GiB."));
    ReplaceBLOB(DBEntry, Name, Date, StateFlag, LatLow, LatHigh, LongLow, LongHigh, Altitude, ClassNumber, UserTag,
                MInfo, Data.Memory(), size);
}

// --- reading ---

bool TGeoDB::RetrievePolygon(int DBEntry, TgdbPolygon& Polygon)
{
    if (!IsOpen()) return false;
    TSync sync(*this);
    if (!IsOpen()) return false;
    Progress(0);
    bool ok = false;
    FlushBatch("RetrievePolygon");
    {
        TFile f(FNameGDD, omRead);
        const int i = RetrieveEntry(DBEntry);
        if (i >= 0 && IsPolygonKind(FSumData[static_cast<std::size_t>(i)].ItemKind)) {
            const TgdbData& rec = FSumData[static_cast<std::size_t>(i)];
            if (rec.BlobOffset >= 0) {
                CheckBlock(rec, i + 1, f.Size(), "RetrievePolygon");
                const int32_t n = rec.NumPoints;
                TgdbPolygon pts(static_cast<std::size_t>(n));
                const int32_t step = n / 100 + 1;
                constexpr int32_t perChunk = static_cast<int32_t>(kChunk / kPointSize);
                for (int32_t first = 0; first < n; first += perChunk) {
                    const int32_t count = std::min(perChunk, n - first);
                    f.ReadExact(rec.BlobOffset + int64_t{first} * kPointSize, pts.data() + first,
                                static_cast<std::size_t>(count) * kPointSize);
                    for (int32_t k = first + 1; k <= first + count; ++k)
                        if (k % step == 0) ProgressRatio(k, n);
                }
                Polygon = std::move(pts);
                ok = true;
            }
        }
    }
    sync.Done();
    Progress(100);
    return ok;
}

bool TGeoDB::RetrieveBLOB(int DBEntry, const std::string& Filepath, TMetaInfo& MetaInfo)
{
    if (!IsOpen()) return false;
    TSync sync(*this);
    if (!IsOpen()) return false;
    FlushBatch("RetrieveBLOB");
    TFile f(FNameGDD, omRead);
    const int i = RetrieveEntry(DBEntry);
    if (i < 0) return false;
    const TgdbData& rec = FSumData[static_cast<std::size_t>(i)];
    if (rec.ItemKind != gitBLOB || rec.BlobOffset < 0) return false;
    CheckBlock(rec, i + 1, f.Size(), "RetrieveBLOB");
    Progress(0);
    f.ReadExact(rec.BlobOffset, &MetaInfo, sizeof MetaInfo);

    std::string target = Filepath;
    if (target.empty() || target.back() == '\\' || target.back() == '/') {
        const std::string own = ReduceStringToFN83CompliantChars(rec.Name.Str());
        if (own.empty()) throw ETYXGeoDBError(Msg("\": RetrieveBLOB: invalid filename."));
        // A trailing backslash names a directory, as a forward slash does here.
        if (!target.empty()) target.back() = '/';
        target += own;
    }
    if (IsOwnFile(target))
        throw ETYXGeoDBError(Msg("\": RetrieveBLOB: the target \"" + target + "\" is one of the database's own files."));
    TFile out(target, omCreate);
    std::vector<uint8_t> buf(kChunk);
    const int64_t size = rec.Size;
    int64_t remaining = size;
    while (remaining > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<int64_t>(kChunk, remaining));
        const int64_t done = size - remaining;
        f.ReadExact(rec.BlobOffset + kMetaSize + done, buf.data(), n);
        out.WriteAt(done, buf.data(), n);
        remaining -= static_cast<int64_t>(n);
        ProgressRatio(static_cast<double>(size - remaining), static_cast<double>(size));
    }
    out.Close();
    sync.Done();
    Progress(100);
    return true;
}

bool TGeoDB::RetrieveBLOB(int DBEntry, TMetaInfo& MetaInfo, void* PBLOBData, int SizeOfBLOBData)
{
    if (!IsOpen()) return false;
    TSync sync(*this);
    if (!IsOpen()) return false;
    Progress(0);
    bool ok = false;
    FlushBatch("RetrieveBLOB");
    {
        TFile f(FNameGDD, omRead);
        const int i = RetrieveEntry(DBEntry);
        if (i >= 0 && FSumData[static_cast<std::size_t>(i)].ItemKind == gitBLOB &&
            FSumData[static_cast<std::size_t>(i)].BlobOffset >= 0) {
            const TgdbData& rec = FSumData[static_cast<std::size_t>(i)];
            CheckBlock(rec, i + 1, f.Size(), "RetrieveBLOB");
            f.ReadExact(rec.BlobOffset, &MetaInfo, sizeof MetaInfo);
            if (SizeOfBLOBData < rec.Size)
                throw ETYXGeoDBError(Msg("\": RetrieveBLOB: BLOB to be retrieved is larger than SizeOfBlobData."));
            if (rec.Size > 0 && !PBLOBData) throw ETYXGeoDBError(Msg("\": RetrieveBLOB: no buffer given."));
            auto* out = static_cast<uint8_t*>(PBLOBData);
            const int64_t size = rec.Size;
            for (int64_t done = 0; done < size;) {
                const std::size_t n = static_cast<std::size_t>(std::min<int64_t>(kChunk, size - done));
                f.ReadExact(rec.BlobOffset + kMetaSize + done, out + done, n);
                done += static_cast<int64_t>(n);
                ProgressRatio(static_cast<double>(done), static_cast<double>(size));
            }
            ok = true;
        }
    }
    sync.Done();
    Progress(100);
    return ok;
}

bool TGeoDB::RetrieveBLOB(int DBEntry, TMetaInfo& MetaInfo, TMemoryStream& BlobStream)
{
    if (!IsOpen()) return false;
    TSync sync(*this);
    if (!IsOpen()) return false;
    Progress(0);
    bool ok = false;
    FlushBatch("RetrieveBLOB");
    {
        TFile f(FNameGDD, omRead);
        const int i = RetrieveEntry(DBEntry);
        if (i >= 0) {
            const TgdbData& rec = FSumData[static_cast<std::size_t>(i)];
            if (rec.ItemKind == gitBLOB && rec.BlobOffset >= 0) {
                CheckBlock(rec, i + 1, f.Size(), "RetrieveBLOB");
                f.ReadExact(rec.BlobOffset, &MetaInfo, sizeof MetaInfo);
                BlobStream.SetSize(rec.Size);
                BlobStream.SetPosition(0);
                std::vector<uint8_t> buf(kChunk);
                const int64_t size = rec.Size;
                for (int64_t done = 0; done < size;) {
                    const std::size_t n = static_cast<std::size_t>(std::min<int64_t>(kChunk, size - done));
                    f.ReadExact(rec.BlobOffset + kMetaSize + done, buf.data(), n);
                    BlobStream.WriteBuffer(buf.data(), static_cast<int64_t>(n));
                    done += static_cast<int64_t>(n);
                    ProgressRatio(static_cast<double>(done), static_cast<double>(size));
                }
                ok = true;
            } else {
                // Only a BLOB has bytes to give; the counter of other kinds is not a size.
                BlobStream.SetSize(0);
                BlobStream.SetPosition(0);
            }
        }
    }
    sync.Done();
    Progress(100);
    return ok;
}

// --- tidying the data file ---

void TGeoDB::GarbageCollection()
{
    if (!IsOpen()) return;
    // It replaces both files, which an undo log cannot take back.
    if (FBatch)
        throw ETYXGeoDBError(Msg("\": GarbageCollection: not within a batch; commit or roll back the batch first."));
    TSync sync(*this);
    if (!IsOpen()) return;
    // Everything is rewritten from memory, so memory is read afresh first, whatever the stamps
    // say (a change in place within one tick of a coarse clock leaves them as they were).
    Reload();
    const std::string tmpData = FNameGDD + ".gctmp";
    const std::string tmpSum = FNameGDS + ".gctmp";
    std::vector<TgdbData> recs = FSumData;
    Progress(0);
    try {
        TFile src(FNameGDD, omRead);
        const int64_t srcLen = src.Size();
        TFile dst(tmpData, omCreate);
        dst.WriteAt(0, &FSystemData, sizeof FSystemData);
        int64_t at = kHeaderSize;
        std::vector<uint8_t> buf(kChunk);
        for (std::size_t e = 0; e < recs.size(); ++e) {
            TgdbData& rec = recs[e];
            if (!IsPolygonKind(rec.ItemKind) && rec.ItemKind != gitBLOB) {
                rec.BlobOffset = -1;
                continue;
            }
            if (rec.BlobOffset < 0) continue;
            const int64_t len = CheckBlock(rec, static_cast<int>(e + 1), srcLen, "GarbageCollection");
            for (int64_t done = 0; done < len;) {
                const std::size_t n = static_cast<std::size_t>(std::min<int64_t>(kChunk, len - done));
                src.ReadExact(rec.BlobOffset + done, buf.data(), n);
                dst.WriteAt(at + done, buf.data(), n);
                done += static_cast<int64_t>(n);
            }
            rec.BlobOffset = static_cast<int32_t>(at);
            at += len;
            ProgressRatio(static_cast<double>(e + 1), static_cast<double>(recs.size()));
        }
        dst.Sync();
        dst.Close();
        std::vector<uint8_t> sum(recs.size() * kRecSize);
        for (std::size_t e = 0; e < recs.size(); ++e) EncodeRecord(recs[e], sum.data() + e * kRecSize);
        TFile s(tmpSum, omCreate);
        s.WriteAt(0, sum.data(), sum.size());
        s.Sync();
        s.Close();
    } catch (...) {
        RemoveFileQuietly(tmpData);
        RemoveFileQuietly(tmpSum);
        throw;
    }
    // The first rename commits: an opening that finds the summary waiting beside the new data file
    // completes the second. Should either fail, memory no longer says what the files hold; opening
    // again settles the leftovers as after a crash and takes what is on disk.
    // The new summary is locked before it takes the name, so that another program waits for this
    // operation to end rather than lock the new file while the old one is still held.
    std::optional<TFileLock> newLock;
    try {
        newLock.emplace(tmpSum);
        RenameFile(tmpData, FNameGDD);
        RenameFile(tmpSum, FNameGDS);
    } catch (...) {
        Reopen();
        throw;
    }
    FSumData = std::move(recs);
    sync.LookAgain();
    sync.Done();
    Progress(100);
}

void TGeoDB::Reopen()
{
    // The summary's own name: its base is that name without the extension, however many dots.
    const std::string gds = FNameGDS;
    try {
        Open(gds);
    } catch (...) {
        // Closed rather than open on state that the files do not back.
        FLazyWrite = false;
        ClearState();
    }
}

std::vector<std::string> TGeoDB::FileNames() const
{
    if (!IsOpen()) return {};
    std::vector<std::string> names{FNameGDS, FNameGDD};
    names.insert(names.end(), FNameIX.begin(), FNameIX.end());
    return names;
}

bool TGeoDB::IsOwnFile(const std::string& Name) const
{
    std::error_code ec;
    for (const std::string& own : FileNames())
        if (std::filesystem::equivalent(Name, own, ec)) return true;
    return false;
}

} // namespace tyx
