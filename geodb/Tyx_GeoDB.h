// TGeoDB: a file-based store of geographic items (borders, towns, cities, lakes, rivers, roads,
// routes and binary attachments called BLOBs). One database is a set of seven files sharing a base
// name: five index files (".tyxgi0" by item number, ".tyxgi1" to ".tyxgi4" by the four edges of
// the items' bounding boxes), the summary file ".tyxgds" (one 120-byte TgdbData per item) and the
// data file ".tyxgdd" (a 260-byte header followed by polygon and BLOB blocks). The records below
// are the on-disk layout, little-endian. The summary file is the truth: index files that disagree
// with it are rebuilt when the database is opened. Entry numbers count from 1; 0 means none.
#pragma once
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "geodb/gdb_index.h"
#include "host/tyx_datetime.h"
#include "host/tyx_object.h"
#include "host/tyx_text.h"
#include "support/Tyx_tyxbase.h"

namespace tyx {

class TMemoryStream;
namespace gdb {
class TBoxGrid;
class TFile;
class TAppender;
class TJournal;
struct TFileStamp;
}

/// The kind of an item. Kinds 0 and 2 to 6 carry a polygon; a town is one point.
enum TgdbItem : uint8_t {
    gitBorder, gitTown, gitCity, gitLake, gitRiver, gitRoad, gitRoute, gitBLOB, gitUndefined
};
/// Display names over TgdbItem: "Border" ... "Undefined".
extern const std::array<std::string, 9> GDB_ITEMNAMES;
/// GDB_ITEMNAMES[Kind]; the number itself for a kind beyond gitUndefined (a damaged record).
std::string ItemKindName(TgdbItem Kind);
/// True for the six kinds that keep a polygon block.
bool IsPolygonKind(TgdbItem Kind);

/// The five fields of TMetaInfo, in order.
enum TMetaItem : uint8_t { miKwd, miCaption, miFilePath, miDescriptor, miComment };

/// One polygon point, 8 bytes on disk: degrees, north and east positive.
struct TSCoords {
    float Latit = 0; ///< degrees, north positive
    float Longit = 0; ///< degrees, east positive
};
using TgdbPolygon = std::vector<TSCoords>;

/// Published for host programs; the unit does not use it. Degrees, degrees, metres.
struct TPositionData {
    double Latit = 0; ///< degrees, north positive
    double Longit = 0; ///< degrees, east positive
    double Height = 0; ///< metres
};

/// At most 59 Windows-1252 characters.
using TgdbName = TShortString<59>;

/// The summary record of one item, 120 bytes.
struct TgdbData {
    int32_t ItemId = 0;         ///< unique, never reused
    TgdbName Name;              ///< unused character bytes are spaces on disk
    float Altitude = 0; ///< free unit, given by the caller
    uint8_t ClassFlag = 0;      ///< 0 to 255, given by the caller
    uint8_t Pad1[3] = {};       ///< written as zeros
    int32_t Tag = 0; ///< free for the host
    int32_t BlobOffset = -1;    ///< offset of the item's block in the data file; -1 for none
    double Date = 0;            ///< TDateTime
    int32_t StateFlag = 0; ///< free for the host
    float LatLow = 0;           ///< southern edge of the bounding box, degrees
    float LatHigh = 0;          ///< northern edge
    float LongLow = 0;          ///< western edge
    float LongHigh = 0;         ///< eastern edge
    TgdbItem ItemKind = gitUndefined; ///< what the item is
    uint8_t Pad2[3] = {};       ///< written as zeros
    union {
        int32_t NumPoints = 0;  ///< polygon kinds: number of points
        int32_t Size;           ///< gitBLOB: data bytes, without the 1024-byte metadata
    };
    bool Closed = false;        ///< polygon kinds: the points outline an area
    uint8_t Pad3[3] = {};       ///< written as zeros
};

/// The metadata block in front of every BLOB's data, 1024 bytes.
struct TMetaInfo {
    TShortString<255> Keywords; ///< free keywords
    TShortString<127> Caption; ///< a caption for display
    TShortString<127> FilePath;   ///< the file the BLOB was taken from
    TShortString<255> Descriptor; ///< free description of the contents
    TShortString<255> Comment; ///< free comment
};

/// The header at offset 0 of the data file, 260 bytes.
struct TgdbSystemData {
    int32_t HighestID = 0;          ///< highest item number ever assigned
    int32_t DBVersion = 4; ///< format version of the files
    TShortString<63> Description;   ///< at most 60 characters are stored
    int32_t Revision = 0; ///< free revision number of the contents
    uint8_t Reserved[184] = {};     ///< kept as read
};

/// An entry of the item-number index; index is the 0-based summary record.
struct TIxItemIDRec {
    int32_t ItemID = 0; ///< the key: an item number
    int32_t index = 0; ///< 0-based summary record of the item
};
/// An entry of a coordinate index; index is the 0-based summary record.
struct TIxLLRec {
    float LLValue = 0; ///< the key: a latitude or longitude, degrees
    int32_t index = 0; ///< 0-based summary record of the item
};
/// The key of an item-number index entry.
template <>
struct TIndexKey<TIxItemIDRec> {
    /// The entry's item number.
    int32_t operator()(const TIxItemIDRec& R) const { return R.ItemID; }
};
/// The key of a coordinate index entry.
template <>
struct TIndexKey<TIxLLRec> {
    /// The entry's latitude or longitude.
    float operator()(const TIxLLRec& R) const { return R.LLValue; }
};
using TIxItemIDRecArray = std::vector<TIxItemIDRec>;
using TIxLLRecArray = std::vector<TIxLLRec>;

// The on-disk layout, pinned.
static_assert(sizeof(TSCoords) == 8 && sizeof(TIxItemIDRec) == 8 && sizeof(TIxLLRec) == 8);
static_assert(sizeof(TgdbName) == 60 && sizeof(TgdbData) == 120 && std::is_standard_layout_v<TgdbData>);
static_assert(offsetof(TgdbData, Name) == 4 && offsetof(TgdbData, Altitude) == 64 &&
              offsetof(TgdbData, ClassFlag) == 68 && offsetof(TgdbData, Tag) == 72 &&
              offsetof(TgdbData, BlobOffset) == 76 && offsetof(TgdbData, Date) == 80 &&
              offsetof(TgdbData, StateFlag) == 88 && offsetof(TgdbData, LatLow) == 92 &&
              offsetof(TgdbData, LatHigh) == 96 && offsetof(TgdbData, LongLow) == 100 &&
              offsetof(TgdbData, LongHigh) == 104 && offsetof(TgdbData, ItemKind) == 108 &&
              offsetof(TgdbData, NumPoints) == 112 && offsetof(TgdbData, Closed) == 116);
static_assert(sizeof(TMetaInfo) == 1024 && offsetof(TMetaInfo, Caption) == 256 &&
              offsetof(TMetaInfo, FilePath) == 384 && offsetof(TMetaInfo, Descriptor) == 512 &&
              offsetof(TMetaInfo, Comment) == 768);
static_assert(sizeof(TgdbSystemData) == 260 && offsetof(TgdbSystemData, DBVersion) == 4 &&
              offsetof(TgdbSystemData, Description) == 8 && offsetof(TgdbSystemData, Revision) == 72 &&
              offsetof(TgdbSystemData, Reserved) == 76);
static_assert(offsetof(TIxLLRec, index) == 4 && offsetof(TIxItemIDRec, index) == 4);
static_assert(std::endian::native == std::endian::little, "records are stored in host byte order");

/// Raised by TGeoDB for damaged files and refused operations.
class ETYXGeoDBError : public ETYXError {
public:
    /// Takes the message as it is.
    using ETYXError::ETYXError;
};

/// Length 0 for all five strings (their bytes are zeroed too).
void ClearMetaInfo(TMetaInfo& MetaInfo);
/// An empty record: no kind, no block, dated now; NumPoints/Size keeps its value.
void ClearGdbData(TgdbData& GdbData);
/// (LatLow, LongLow): a town's position.
TSCoords ExtractLocation(const TgdbData& GdbData);
/// "48.5° N" style text: clamped to -90..90, DegreeToStr of the absolute value, " N" or " S".
std::string GeoLatitude(double Angle, TDegreeFormat Format, int Decimals);
/// As GeoLatitude, clamped to -180..180, with " E" or " W".
std::string GeoLongitude(double Angle, TDegreeFormat Format, int Decimals);
/// The header of the database named FName (any extension), read without opening it.
/// Throws EInOutError when the data file cannot be read, ETYXGeoDBError when it is too short.
TgdbSystemData ReadSystemInformation(const std::string& FName);

/// The geographic database: named items (polygons, towns, BLOBs) in seven files with box indexes (see @ref page_geodb).
class TGeoDB : public TComponent {
public:
    /// Closed: no database until SetGDBName.
    explicit TGeoDB(TComponent* AOwner = nullptr);
    ~TGeoDB() override;

    // --- opening, closing, writing the indexes ---
    /// Opens (creating missing files) or, with an empty value, closes; a batch not yet committed
    /// is rolled back first. Throws ETYXGeoDBError for a
    /// damaged summary or data file, leaving every file unchanged and the component closed. What
    /// an interruption left (a torn last record, an item twice, an unfinished change) is mended
    /// and reported in OpenReport.
    ///
    /// Several programs may share a database: every operation that touches the files holds an
    /// advisory lock (flock on the summary file) while it does, and first reads again what another
    /// program changed since. Entry numbers are positions and may shift when another program
    /// deletes; SearchForItemID finds an item again.
    void SetGDBName(const std::string& Value);
    /// What the last opening set aside or mended (one message each); empty when all was sound.
    const std::vector<std::string>& OpenReport() const { return FOpenReport; }
    /// What the changes since the opening made but could not finish: index files that could not
    /// be written (a full disk, say). The changes stand; the next opening with room rewrites the
    /// files from the summary. One message each.
    const std::vector<std::string>& Warnings() const { return FWarnings; }
    /// The base path (without extension); empty when closed. Setting it again opens the same
    /// database (a base that itself ends in an extension is given with ".tyxgds").
    std::string GetGDBName() const;
    /// The seven files of the open database (summary, data, five indexes); empty when closed.
    std::vector<std::string> FileNames() const;
    /// The five index files are written only on closing or SaveIndex (default false).
    bool LazyWrite() const { return FLazyWrite; }
    /// Switching it off writes the five index files (a failure to is one of the Warnings).
    void SetLazyWrite(bool Value);
    /// Rewrites index file Ix (0 to 4) from the table; nothing when closed.
    void SaveIndex(int Ix);
    /// Number of items; 0 when closed.
    int NumEntries() const { return FNumSumItems; }
    /// Format version from the header.
    int DBVersion() const { return FSystemData.DBVersion; }
    /// Free description from the header.
    std::string Description() const { return FSystemData.Description.Str(); }
    /// Stores the first 60 characters and rewrites the header; nothing when closed.
    void SetDescription(const std::string& Value);
    /// Free revision number from the header.
    int Revision() const { return FSystemData.Revision; }
    /// Stores the number and rewrites the header; nothing when closed.
    void SetRevision(int Value);
    /// Whether OnPercentDone is raised.
    bool OnPercDoneEnabled() const { return FOnPercDoneEnabled; }
    /// Turns OnPercentDone on or off.
    void SetOnPercDoneEnabled(bool Value) { FOnPercDoneEnabled = Value; }
    /// Progress 0 to 100 of adds, replaces, retrievals, garbage collection and index rebuilds.
    TOnPercentDoneEvent OnPercentDone;

    // --- batches ---
    // Between BeginBatch and CommitBatch the component keeps the lock on the files, the files open
    // and its appends in memory, writing them in large blocks, and writes the index files (and a
    // changed header) once, at the commit. The batch is atomic: should it be rolled back, or the
    // program end before the commit (a crash, a kill), the database is as it was before BeginBatch,
    // never holding part of the batch. Other programs wait for the lock until the batch ends, and so
    // would another component on the same database in this program, ReadSystemInformation and
    // Salvage of it: call them before BeginBatch or after the end.
    /// Starts a batch. Throws ETYXGeoDBError when no database is open and when a batch is open
    /// already (batches do not nest).
    void BeginBatch();
    /// Makes the batch's changes stand and ends it. Should a write fail (a full disk) in the
    /// commit or in any operation of the batch, the whole batch is rolled back and ETYXGeoDBError
    /// says so.
    void CommitBatch();
    /// Ends the batch undoing all its changes, on disk and in memory.
    void RollbackBatch();
    /// True between BeginBatch and its commit or rollback.
    bool InBatch() const { return FBatch != nullptr; }

    // --- records and indexes; Ix is clamped into 1..NumEntries ---
    /// A copy of the summary record; a cleared record when the database is empty.
    TgdbData GetSumdata(int Ix) const;
    /// Index entries with index turned into the 1-based entry number; {0, 0} when empty.
    TIxItemIDRec GetIxItemID(int Ix) const;
    /// The same for the southern edges.
    TIxLLRec GetIxLatLow(int Ix) const;
    /// The same for the northern edges.
    TIxLLRec GetIxLatHigh(int Ix) const;
    /// The same for the western edges.
    TIxLLRec GetIxLongLow(int Ix) const;
    /// The same for the eastern edges.
    TIxLLRec GetIxLongHigh(int Ix) const;

    // --- searches; positions are 1-based, length + 1 above every key ---
    /// Position in the item-number index where the key ItemID belongs.
    int GetClosestItemIDIx(int ItemID) const;
    /// Position in the southern-edge index where the key Latit belongs.
    int GetClosestLatLowIx(double Latit) const;
    /// The same in the northern-edge index.
    int GetClosestLatHighIx(double Latit) const;
    /// The same in the western-edge index.
    int GetClosestLongLowIx(double Longit) const;
    /// The same in the eastern-edge index.
    int GetClosestLongHighIx(double Longit) const;
    /// The entry number of the item, or 0.
    int SearchForItemID(int ItemID) const;
    /// The first entry from StartSearchAt on whose name equals Name, ignoring case, and whose kind
    /// and class are the given ones; 0 when there is none.
    int SearchData(const TgdbName& Name, TgdbItem ItemType, int StartSearchAt, uint8_t ClassNumber) const;
    /// The first entry of any kind and class with this name (ignoring case); 0 when none.
    int SearchData(const TgdbName& Name) const;
    /// Entry numbers (ascending) of the items whose bounding box meets the given box, edges
    /// included, in degrees. Items with an inverted box (a polygon without points) are never found.
    std::vector<int> FindItemsInBox(double LatLow, double LatHigh, double LongLow, double LongHigh) const;
    /// Rebuilds the five index tables from the summary records and writes the five index files,
    /// also under LazyWrite.
    void RecalcIndexes();
    /// Writes header, records and indexes as readable text to FName.
    void ExportDataDebug(const std::string& FName) const;

    // --- index maintenance, as every add, replace and delete does it ---
    // A host may use the pair to take an item out of the index searches (GetClosest..Ix, the
    // index properties, SearchForItemID, FindItemsInBox) and put it back, or to re-sort an item's
    // entries. It must keep each index holding exactly one entry per item keyed by that item's
    // own record: remove before inserting again, and insert with Data[Entry]. Neither writes the
    // index files (SaveIndex does; an opening rebuilds files that disagree with the records, and
    // RecalcIndexes rebuilds tables and files from the records).
    /// Inserts the five index entries of entry Entry (1..NumEntries, else nothing), keyed by Data.
    void InsertIntoIndex(int Entry, const TgdbData& Data);
    /// Removes the five index entries of entry Entry (1..NumEntries, else nothing); the other
    /// entries keep their numbers.
    void RemoveIndexEntries(int Entry);

    // --- sorted insertion into plain tables (the caller has lengthened the table by one) ---
    /// Puts Rec at its place by key among the entries before the last, moving the rest up.
    static void SortIxInto(TIxLLRecArray& Ix, const TIxLLRec& Rec);
    /// The same for the item-number index.
    static void SortIxItemIDInto(TIxItemIDRecArray& Ix, const TIxItemIDRec& Rec);

    // --- workers: every add and replace goes through them ---
    /// Returns the new entry number, or -1 when no database is open.
    int AddData(const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine, TgdbItem ItemType,
                uint8_t ClassNumber, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                float LongLow, float LongHigh, float Altitude, int UserTag, const TMetaInfo& MInfo,
                const void* PBLOBData, int SizeOfBLOBData, bool FromFile);
    /// Nothing unless 1 <= DBEntry <= NumEntries. The item keeps its ItemId and entry number.
    void ReplaceData(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine,
                     TgdbItem ItemType, uint8_t ClassNumber, TDateTime Date, int StateFlag, float LatLow,
                     float LatHigh, float LongLow, float LongHigh, float Altitude, int UserTag,
                     const TMetaInfo& MInfo, const void* PBLOBData, int SizeOfBLOBData, bool FromFile);

    // --- items; the box of a polygon item is computed from its points ---
    /// Adds a border polygon; the new entry number, or -1 when closed.
    int AddBorder(const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine, TDateTime Date,
                  int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                  float Altitude, uint8_t ClassNumber, int UserTag);
    /// Adds a city outline; as AddBorder.
    int AddCity(const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine, TDateTime Date,
                int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                float Altitude, uint8_t ClassNumber, int UserTag);
    /// Adds a lake (closed); as AddBorder.
    int AddLake(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                uint8_t ClassNumber, int UserTag);
    /// Adds a river (open); as AddBorder.
    int AddRiver(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                 float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                 uint8_t ClassNumber, int UserTag);
    /// Adds a road (open); as AddBorder.
    int AddRoad(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                uint8_t ClassNumber, int UserTag);
    /// Adds a route (open); as AddBorder.
    int AddRoute(const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date, int StateFlag,
                 float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                 uint8_t ClassNumber, int UserTag);
    /// Adds a town at Location; as AddBorder.
    int AddTown(const TgdbName& Name, TDateTime Date, int StateFlag, TSCoords Location, float Altitude,
                uint8_t ClassNumber, int UserTag);
    /// Replaces entry DBEntry with a border, keeping its ItemId; as ReplaceData.
    void ReplaceBorder(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine,
                       TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow,
                       float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag);
    /// The same with a city outline.
    void ReplaceCity(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, bool ClosedLine,
                     TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow,
                     float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag);
    /// The same with a lake.
    void ReplaceLake(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                     int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                     float Altitude, uint8_t ClassNumber, int UserTag);
    /// The same with a river.
    void ReplaceRiver(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                      int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                      float Altitude, uint8_t ClassNumber, int UserTag);
    /// The same with a road.
    void ReplaceRoad(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                     int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                     float Altitude, uint8_t ClassNumber, int UserTag);
    /// The same with a route.
    void ReplaceRoute(int DBEntry, const TgdbName& Name, const TgdbPolygon& Polygon, TDateTime Date,
                      int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                      float Altitude, uint8_t ClassNumber, int UserTag);
    /// The same with a town at Location.
    void ReplaceTown(int DBEntry, const TgdbName& Name, TDateTime Date, int StateFlag, TSCoords Location,
                     float Altitude, uint8_t ClassNumber, int UserTag);
    /// The last item takes the deleted item's entry number; nothing outside 1..NumEntries.
    void DeleteData(int DbEntry);
    /// Replaces the summary record of an entry and re-sorts its index entries. ItemId, BlobOffset
    /// and (for items with a block) NumPoints/Size are kept; a kind that would read the block
    /// differently (polygon, BLOB, none) is refused with ETYXGeoDBError.
    void UpdateBasicData(int DbEntry, const TgdbData& GdbData);

    // --- BLOBs and polygons ---
    /// The metadata of a BLOB entry (1-based); false (and cleared) for other entries.
    bool GetMetaInfo(int DBEntry, TMetaInfo& MetaInfo);
    /// Rewrites the metadata block of a BLOB entry in place; false for other entries.
    bool UpdateMetaInfo(int DBEntry, const TMetaInfo& MetaInfo);
    /// From a file: the item is named after the file name part of FileName.
    int AddBLOB(const std::string& FileName, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag,
                const TMetaInfo& MInfo);
    /// From a file, named after the file name part of FNameInDB.
    int AddBLOB(const std::string& FileName, const std::string& FNameInDB, TDateTime Date, int StateFlag,
                float LatLow, float LatHigh, float LongLow, float LongHigh, float Altitude,
                uint8_t ClassNumber, int UserTag, const TMetaInfo& MInfo);
    /// As above; the stored FilePath is OrgFilePath.
    int AddBLOB(const std::string& FileName, const std::string& FNameInDB, const std::string& OrgFilePath,
                TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow,
                float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag, const TMetaInfo& MInfo);
    /// From memory: SizeOfBLOBData bytes at PBLOBData.
    int AddBLOB(const std::string& Name, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag,
                const TMetaInfo& MInfo, const void* PBLOBData, int SizeOfBLOBData);
    /// From the whole contents of a memory stream.
    int AddBLOB(const std::string& Name, TDateTime Date, int StateFlag, float LatLow, float LatHigh,
                float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber, int UserTag,
                const TMetaInfo& MInfo, TMemoryStream& Data);
    /// Replaces entry DBEntry with the contents of a file, keeping its ItemId.
    void ReplaceBLOB(int DBEntry, const std::string& FileName, TDateTime Date, int StateFlag, float LatLow,
                     float LatHigh, float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber,
                     int UserTag, const TMetaInfo& MInfo);
    /// Replaces entry DBEntry with SizeOfBLOBData bytes at PBLOBData, keeping its ItemId.
    void ReplaceBLOB(int DBEntry, const std::string& Name, TDateTime Date, int StateFlag, float LatLow,
                     float LatHigh, float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber,
                     int UserTag, const TMetaInfo& MInfo, const void* PBLOBData, int SizeOfBLOBData);
    /// Replaces entry DBEntry with the whole contents of a memory stream, keeping its ItemId.
    void ReplaceBLOB(int DBEntry, const std::string& Name, TDateTime Date, int StateFlag, float LatLow,
                     float LatHigh, float LongLow, float LongHigh, float Altitude, uint8_t ClassNumber,
                     int UserTag, const TMetaInfo& MInfo, TMemoryStream& Data);
    /// DBEntry 0 and below address the first entry. False for non-polygon or missing entries.
    bool RetrievePolygon(int DBEntry, TgdbPolygon& Polygon);
    /// Writes the BLOB to Filepath; an empty path or one ending in a separator gets the item's name.
    /// A target that is one of the database's own files is refused with ETYXGeoDBError.
    bool RetrieveBLOB(int DBEntry, const std::string& Filepath, TMetaInfo& MetaInfo);
    /// Copies the BLOB into a buffer of SizeOfBLOBData bytes; throws ETYXGeoDBError when too small.
    bool RetrieveBLOB(int DBEntry, TMetaInfo& MetaInfo, void* PBLOBData, int SizeOfBLOBData);
    /// Replaces the stream's contents with the BLOB.
    bool RetrieveBLOB(int DBEntry, TMetaInfo& MetaInfo, TMemoryStream& BlobStream);
    /// Rewrites the data file with only the blocks still referenced; the header is kept. Written
    /// beside the old files and renamed over them, so an interruption loses nothing. When a rename
    /// fails, the database is opened again from its files (closed if that fails) before the
    /// error passes on.
    void GarbageCollection();
    /// Copies every sound item of the database FName into a new database at OutName (none of
    /// whose files may exist), with its item number, BLOBs and points, and the header. FName is
    /// only read, however damaged. Returns one sentence for each record left out or renumbered,
    /// and why, and for what else was lost.
    static std::vector<std::string> Salvage(const std::string& FName, const std::string& OutName);

private:
    // Holds the lock on the files for one operation; see geodb/gdb_sync.h.
    class TSync;
    friend class TSync;
    int FSyncDepth = 0;
    // The summary file as this component last left it, and the data file's identity and length
    // when last looked at. Every change by any program changes the summary file (at least its
    // change time), so a summary file in another state means that another program changed the set.
    struct TSeen {
        uint64_t Dev = 0, Ino = 0;
        int64_t Size = -1, MTime = 0, CTime = 0;
        uint64_t DataDev = 0, DataIno = 0;
        int64_t DataSize = -1;
    };
    TSeen FSeen;
    void NoteFilesSeen();
    bool FilesAsSeen(const gdb::TFileStamp& Summary) const;
    /// Under LazyWrite the item counter in the header is written with the index files.
    bool FCounterStale = false;
    /// The summary file open for writing while an operation holds the lock through it, else null.
    gdb::TFile* FSumFile = nullptr;
    /// Marks the set changed for other programs when only the data file changes.
    void MarkSetChanged();
    // The open batch, if any; see geodb/gdb_sync.h.
    struct TBatch;
    std::unique_ptr<TBatch> FBatch;
    /// Writes what a batch keeps in memory, so that the files can be read.
    void FlushBatch(const char* Op);
    /// Makes a change in place: through the journal, or inside a batch after its undo log.
    void CommitChange(const gdb::TJournal& Change);
    /// Runs Fn; inside a batch, a failure to write rolls the whole batch back and is reported so.
    template <typename F>
    void Guarded(const char* Op, F&& Fn);
    [[noreturn]] void FailBatch(const char* Op, const std::string& What);
    /// Ends the batch, putting files and memory back as they were at its start.
    void UndoBatch();
    /// Takes in the records another program appended; false when it changed more than that.
    bool CatchUp();
    /// Reads the whole database again, keeping LazyWrite.
    void Reload();
    void LoadFiles(const std::string& Base);
    void RepairSummary(std::vector<TgdbData>& Sum, std::size_t TornBytes, const std::vector<std::size_t>& Twice);
    std::string JournalName() const;
    /// The component message: Tail starts with the quote that closes the name.
    [[nodiscard]] std::string Msg(const std::string& Tail) const;
    void Progress(int Percent);
    void ProgressRatio(double Done, double Total);
    bool IsOpen() const { return !FNameGDD.empty(); }
    void Open(const std::string& Value);
    void Close();
    void ClearState();
    void ResolveGcLeftovers(const std::string& NameGds, const std::string& NameGdd);
    /// Opens the same database again after a failure; closed when that fails too.
    void Reopen();
    /// Whether Name is, by file identity, one of the seven files of the open database.
    bool IsOwnFile(const std::string& Name) const;
    static bool FiniteBox(const TgdbData& Data);
    void Load(const std::array<std::string, 5>& NameIx, const std::string& NameGds, const std::string& NameGdd,
              const TgdbSystemData& Header, std::vector<TgdbData> Sum, const std::array<bool, 5>& Agrees,
              int32_t MaxId);
    void ResetHeader();
    void SaveAllIndexes();
    void SaveIndexesOrWarn();
    void SaveIndexesUnlessLazy();
    void WriteHeader(const char* Op, bool CounterOnly);
    void WriteCounter();
    void RebuildIndex(int Ix);
    // The parameters of the workers, and the file a BLOB is copied from.
    struct TItemArgs {
        const TgdbName& Name;
        const TgdbPolygon& Polygon;
        bool ClosedLine;
        TgdbItem ItemType;
        uint8_t ClassNumber;
        TDateTime Date;
        int StateFlag;
        float LatLow, LatHigh, LongLow, LongHigh, Altitude;
        int UserTag;
        const TMetaInfo& MInfo;
        const void* PBLOBData;
        int SizeOfBLOBData;
        bool FromFile;
        std::string SourceFile;
    };
    /// ItemId 0: the next free number; else that number, which no item may carry yet.
    int AddItem(const TItemArgs& A, int32_t ItemId = 0);
    void ReplaceItem(int DBEntry, const TItemArgs& A);
    TgdbData BuildRecord(const TItemArgs& A, const char* Op) const;
    class TDataOut;
    /// Appends the item's block (if its kind has one) to Out.
    void WriteBlock(TgdbData& Rec, const TItemArgs& A, const char* Op, gdb::TAppender* Out);
    int AddFileBLOB(const std::string& FileName, const std::string& NameInDB, const std::string& StoredPath,
                    TDateTime Date, int StateFlag, float LatLow, float LatHigh, float LongLow, float LongHigh,
                    float Altitude, uint8_t ClassNumber, int UserTag, const TMetaInfo& MInfo, int ReplaceEntry);
    void WriteSummaryRecord(int Pos, const TgdbData& Rec);
    int64_t CheckBlock(const TgdbData& Rec, int Entry, int64_t DataLen, const char* Op) const;
    int RetrieveEntry(int DBEntry) const;

    std::string FNameGDS;
    std::string FNameGDD;
    std::array<std::string, 5> FNameIX;
    std::vector<TgdbData> FSumData;
    int FNumSumItems = 0;
    bool FLazyWrite = false;
    TChunkedIndex<TIxItemIDRec> FIx0ItemId;
    TChunkedIndex<TIxLLRec> FIx1LatLo;
    TChunkedIndex<TIxLLRec> FIx2LatHi;
    TChunkedIndex<TIxLLRec> FIx3LongLo;
    TChunkedIndex<TIxLLRec> FIx4LongHi;
    bool FOnPercDoneEnabled = true;
    TgdbSystemData FSystemData;
    std::vector<std::string> FOpenReport;
    std::vector<std::string> FWarnings;
    // The boxes in grids for FindItemsInBox (gdb_grid.h); built again by a query when many changes
    // wait, so const searches may build it.
    std::unique_ptr<gdb::TBoxGrid> FGrid;
    void BuildGrid() const;
    /// Points the index entries of record From (0-based) at record To, which now holds it.
    void RenumberIndexEntries(int32_t From, int32_t To);

    TChunkedIndex<TIxLLRec>& LLIndex(int Ix);
    const TChunkedIndex<TIxLLRec>& LLIndex(int Ix) const;
};

/// A batch for the lifetime of a scope: begun at construction, rolled back at destruction unless
/// committed (an exception that leaves the scope undoes the batch). Never throws from destruction.
class TGeoDBBatch {
public:
    /// Begins a batch on Db (BeginBatch's errors apply).
    explicit TGeoDBBatch(TGeoDB& Db) : FDb(Db) { Db.BeginBatch(); }
    ~TGeoDBBatch();
    TGeoDBBatch(const TGeoDBBatch&) = delete;
    TGeoDBBatch& operator=(const TGeoDBBatch&) = delete;
    /// Commits the batch (CommitBatch); the destructor then leaves it alone.
    void Commit();

private:
    TGeoDB& FDb;
    bool FEnded = false;
};

} // namespace tyx
