#include "geodb/gdb_records.h"

#include "geodb/gdb_file.h"
#include "support/Tyx_filesys.h"
#include "support/Tyx_math1.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tyx {

const std::array<std::string, 9> GDB_ITEMNAMES = {"Border", "Town", "City", "Lake", "River",
                                                  "Road", "Route", "BLOB", "Undefined"};

std::string ItemKindName(TgdbItem Kind)
{
    return Kind <= gitUndefined ? GDB_ITEMNAMES[Kind] : std::to_string(int{Kind});
}

bool IsPolygonKind(TgdbItem Kind)
{
    return Kind == gitBorder || (Kind >= gitCity && Kind <= gitRoute);
}

void ClearMetaInfo(TMetaInfo& MetaInfo)
{
    MetaInfo = TMetaInfo{};
}

void ClearGdbData(TgdbData& GdbData)
{
    const int32_t keep = GdbData.NumPoints;
    GdbData = TgdbData{};
    GdbData.NumPoints = keep;
    gdb::SetNameBytes(GdbData.Name, {});
    GdbData.Date = Now();
}

TSCoords ExtractLocation(const TgdbData& GdbData)
{
    return TSCoords{GdbData.LatLow, GdbData.LongLow};
}

std::string GeoLatitude(double Angle, TDegreeFormat Format, int Decimals)
{
    const double a = std::clamp(Angle, -90.0, 90.0);
    return DegreeToStr(a < 0 ? -a : a, Format, Decimals) + (a >= 0 ? " N" : " S");
}

std::string GeoLongitude(double Angle, TDegreeFormat Format, int Decimals)
{
    const double a = std::clamp(Angle, -180.0, 180.0);
    return DegreeToStr(a < 0 ? -a : a, Format, Decimals) + (a >= 0 ? " E" : " W");
}

TgdbSystemData ReadSystemInformation(const std::string& FName)
{
    const std::string name = StripExtension(FName) + ".tyxgdd";
    // Under the lock of the set, so that no header is read while another program writes it.
    std::optional<gdb::TFileLock> lock;
    if (const std::string gds = StripExtension(FName) + ".tyxgds"; gdb::Exists(gds)) lock.emplace(gds);
    gdb::TFile f(name, gdb::omRead);
    TgdbSystemData h;
    if (f.ReadAt(0, &h, sizeof h) != sizeof h)
        throw ETYXGeoDBError("ReadSystemInformation: data file \"" + name +
                             "\" is damaged: it is shorter than its 260-byte header.");
    return h;
}

namespace gdb {

void EncodeRecord(const TgdbData& Rec, uint8_t* Out)
{
    TgdbData r = Rec;
    std::memset(r.Pad1, 0, sizeof r.Pad1);
    std::memset(r.Pad2, 0, sizeof r.Pad2);
    std::memset(r.Pad3, 0, sizeof r.Pad3);
    std::memcpy(Out, &r, sizeof r);
}

TgdbData DecodeRecord(const uint8_t* In)
{
    uint8_t raw[kRecSize];
    std::memcpy(raw, In, sizeof raw);
    // Another program may store any non-zero byte for true; a bool must hold 0 or 1.
    raw[offsetof(TgdbData, Closed)] = raw[offsetof(TgdbData, Closed)] != 0;
    TgdbData r;
    std::memcpy(&r, raw, sizeof r);
    return r;
}

void SetNameBytes(TgdbName& Name, std::string_view Bytes)
{
    Name.AssignBytes(Bytes);
    std::memset(Name.Data + Name.Len, ' ', TgdbName::Capacity() - Name.Len);
}

int64_t BlockLength(const TgdbData& Rec)
{
    if (IsPolygonKind(Rec.ItemKind)) return int64_t{Rec.NumPoints} * kPointSize;
    if (Rec.ItemKind == gitBLOB) return kMetaSize + int64_t{Rec.Size};
    return -1;
}

} // namespace gdb
} // namespace tyx
