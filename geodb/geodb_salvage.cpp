// TGeoDB: salvaging the sound items of a damaged database into a new one. The damaged files are
// read as they are, never through an opening, which would refuse or mend them.
#include "geodb/Tyx_GeoDB.h"

#include "geodb/gdb_file.h"
#include "geodb/gdb_records.h"
#include "support/Tyx_filesys.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_map>

namespace tyx {

using namespace gdb;

namespace {

bool SameFile(const std::string& A, const std::string& B)
{
    std::error_code ec;
    return std::filesystem::equivalent(A, B, ec);
}

// Every file that a new database at Base creates, and the journal its changes may leave.
void RemoveDatabaseFiles(const std::string& Base)
{
    for (const char* ext : kFileExt) RemoveFileQuietly(Base + ext);
    RemoveFileQuietly(Base + ".tyxgds.journal");
}

} // namespace

std::vector<std::string> TGeoDB::Salvage(const std::string& FName, const std::string& OutName)
{
    const std::string base = StripExtension(FName), outBase = StripExtension(OutName);
    const std::string gds = base + ".tyxgds", gdd = base + ".tyxgdd";
    if (!Exists(gds)) throw ETYXGeoDBError("Salvage: there is no summary file \"" + gds + "\".");
    for (const char* ext : kFileExt) {
        const std::string out = outBase + ext;
        if (!Exists(out)) continue;
        for (const char* own : kFileExt)
            if (SameFile(out, base + own))
                throw ETYXGeoDBError("Salvage: \"" + out + "\" is one of the files of the database being salvaged.");
        throw ETYXGeoDBError("Salvage: \"" + out + "\" exists already; the sound items go into a new database.");
    }

    // Other programs change the files under this lock only; it is taken for reading alone.
    const TFileLock lock(gds);
    std::vector<std::string> notes;
    std::vector<uint8_t> sum;
    ReadWholeFile(gds, sum);
    if (const std::size_t torn = sum.size() % kRecSize; torn > 0)
        notes.push_back("The summary file ends in " + std::to_string(torn) + " bytes of an incomplete record.");
    if (Exists(gds + ".journal"))
        notes.push_back("The unfinished change in \"" + gds + ".journal\" was not applied.");
    std::optional<TFile> data;
    int64_t dataLen = 0;
    TgdbSystemData header;
    if (Exists(gdd)) {
        data.emplace(gdd, omRead);
        dataLen = data->Size();
    }
    if (!data || data->ReadAt(0, &header, sizeof header) != sizeof header) {
        data.reset();
        header = TgdbSystemData{};
        notes.push_back("The data file \"" + gdd + "\" is missing or shorter than its header: the description, the "
                        "revision and every polygon and BLOB are lost.");
    }

    TGeoDB out;
    try {
        out.SetGDBName(OutName);
        out.SetLazyWrite(true);
        out.FSystemData = header;
        // Renumbered records get numbers above every number handed out, those of records left out too.
        for (std::size_t at = 0; at + kRecSize <= sum.size(); at += kRecSize)
            out.FSystemData.HighestID = std::max(out.FSystemData.HighestID, DecodeRecord(sum.data() + at).ItemId);
        std::unordered_map<int32_t, std::size_t> firstWithId;
        std::vector<std::pair<std::size_t, std::size_t>> renumber; // a record, the earlier one with its number
        const auto copy = [&](std::size_t Entry, int32_t ItemId) {
            const uint8_t* bytes = sum.data() + Entry * kRecSize;
            const TgdbData rec = DecodeRecord(bytes);
            const std::string who = "Entry " + std::to_string(Entry + 1) + " (item " + std::to_string(rec.ItemId) +
                                    ", \"" + rec.Name.Str() + "\")";
            const auto leftOut = [&](const std::string& Why) {
                notes.push_back(who + " was left out: " + Why + ".");
                return false;
            };
            if (rec.ItemKind > gitUndefined) return leftOut("its kind " + ItemKindName(rec.ItemKind) + " is unknown");
            // A polygon's box is taken from its points again.
            if (!IsPolygonKind(rec.ItemKind) && !FiniteBox(rec)) return leftOut("a bounding box edge is not a finite number");
            TgdbPolygon points;
            std::vector<uint8_t> blob;
            TMetaInfo meta;
            if (IsPolygonKind(rec.ItemKind) || rec.ItemKind == gitBLOB) {
                const int64_t len = BlockLength(rec);
                if (!data) return leftOut("its block was in the data file");
                if (rec.NumPoints < 0 || rec.BlobOffset < kHeaderSize || len < 0 || rec.BlobOffset + len > dataLen)
                    return leftOut("its block (offset " + std::to_string(rec.BlobOffset) + ", " + std::to_string(len) +
                                   " bytes) lies outside the data file of " + std::to_string(dataLen) + " bytes");
                if (rec.ItemKind == gitBLOB) {
                    data->ReadExact(rec.BlobOffset, &meta, sizeof meta);
                    blob.resize(static_cast<std::size_t>(rec.Size));
                    data->ReadExact(rec.BlobOffset + kMetaSize, blob.data(), blob.size());
                } else {
                    points.resize(static_cast<std::size_t>(rec.NumPoints));
                    data->ReadExact(rec.BlobOffset, points.data(), points.size() * sizeof(TSCoords));
                    if (std::any_of(points.begin(), points.end(), [](const TSCoords& p) {
                            return !std::isfinite(p.Latit) || !std::isfinite(p.Longit);
                        }))
                        return leftOut("a point of its polygon is not a finite number");
                }
            }
            out.AddItem({rec.Name, points, rec.Closed, rec.ItemKind, rec.ClassFlag, rec.Date, rec.StateFlag, rec.LatLow,
                         rec.LatHigh, rec.LongLow, rec.LongHigh, rec.Altitude, rec.Tag, meta, blob.data(),
                         static_cast<int>(blob.size()), false, {}},
                        ItemId);
            return true;
        };
        for (std::size_t e = 0; e < sum.size() / kRecSize; ++e) {
            const int32_t id = DecodeRecord(sum.data() + e * kRecSize).ItemId;
            const auto [first, isNew] = firstWithId.emplace(id, e);
            if (!isNew && std::memcmp(sum.data() + e * kRecSize, sum.data() + first->second * kRecSize, kRecSize) == 0)
                continue; // what an interrupted delete leaves: the same record twice
            if (!isNew || id <= 0)
                renumber.emplace_back(e, isNew ? e : first->second);
            else
                copy(e, id);
        }
        // Records whose number is taken or not valid come last.
        for (const auto& [e, earlier] : renumber) {
            const int32_t id = out.FSystemData.HighestID + 1;
            if (!copy(e, id)) continue;
            notes.push_back("Entry " + std::to_string(e + 1) + " (\"" + out.GetSumdata(out.NumEntries()).Name.Str() +
                            "\") was copied as item " + std::to_string(id) + ": " +
                            (e == earlier ? std::string("its item number is not valid")
                                          : "entry " + std::to_string(earlier + 1) + " carries the same number") +
                            ".");
        }
        out.WriteHeader("Salvage", true);
        out.SetLazyWrite(false);
        notes.insert(notes.end(), out.Warnings().begin(), out.Warnings().end());
        out.SetGDBName("");
    } catch (...) {
        // A salvage that fails leaves no half-made database behind.
        try {
            out.SetGDBName("");
        } catch (...) {
        }
        RemoveDatabaseFiles(outBase);
        throw;
    }
    return notes;
}

} // namespace tyx
