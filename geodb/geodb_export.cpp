// TGeoDB::ExportDataDebug: the database as readable text, for looking into a file set by eye.
#include "geodb/Tyx_GeoDB.h"

#include "host/tyx_datetime.h"
#include "host/tyx_streams.h"

#include <charconv>

namespace tyx {

namespace {

std::string Num(float v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Dates of damaged records may be anything; only years 1 to 9999 are written as dates.
std::string DateText(double d)
{
    if (d >= -693593.0 && d < 2958466.0) return DateTimeToIso(d);
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

} // namespace

void TGeoDB::ExportDataDebug(const std::string& FName) const
{
    TTextFile t;
    t.Rewrite(FName);
    t.WriteLn("database " + GetGDBName());
    t.WriteLn("HighestID " + std::to_string(FSystemData.HighestID));
    t.WriteLn("DBVersion " + std::to_string(FSystemData.DBVersion));
    t.WriteLn("Description \"" + FSystemData.Description.Str() + "\"");
    t.WriteLn("Revision " + std::to_string(FSystemData.Revision));
    t.WriteLn("NumEntries " + std::to_string(FNumSumItems));
    t.WriteLn("");
    t.WriteLn("entry\tItemId\tKind\tName\tClass\tTag\tState\tDate\tAltitude\tLatLow\tLatHigh\tLongLow\tLongHigh"
              "\tBlobOffset\tNumPoints/Size\tClosed");
    for (int e = 1; e <= FNumSumItems; ++e) {
        const TgdbData& d = FSumData[static_cast<std::size_t>(e - 1)];
        t.WriteLn(std::to_string(e) + '\t' + std::to_string(d.ItemId) + '\t' + ItemKindName(d.ItemKind) + "\t\"" +
                  d.Name.Str() + "\"\t" + std::to_string(int{d.ClassFlag}) + '\t' + std::to_string(d.Tag) + '\t' +
                  std::to_string(d.StateFlag) + '\t' + DateText(d.Date) + '\t' + Num(d.Altitude) + '\t' +
                  Num(d.LatLow) + '\t' + Num(d.LatHigh) + '\t' + Num(d.LongLow) + '\t' + Num(d.LongHigh) + '\t' +
                  std::to_string(d.BlobOffset) + '\t' + std::to_string(d.NumPoints) + '\t' + (d.Closed ? "1" : "0"));
    }
    t.WriteLn("");
    t.WriteLn("index 0 ItemId: position\tItemID\tentry");
    FIx0ItemId.for_each([&](std::size_t p, const TIxItemIDRec& r) {
        t.WriteLn(std::to_string(p + 1) + '\t' + std::to_string(r.ItemID) + '\t' + std::to_string(r.index + 1));
    });
    const char* const names[5] = {"", "LatLow", "LatHigh", "LongLow", "LongHigh"};
    for (int k = 1; k <= 4; ++k) {
        t.WriteLn("");
        t.WriteLn("index " + std::to_string(k) + ' ' + names[k] + ": position\tvalue\tentry");
        LLIndex(k).for_each([&](std::size_t p, const TIxLLRec& r) {
            t.WriteLn(std::to_string(p + 1) + '\t' + Num(r.LLValue) + '\t' + std::to_string(r.index + 1));
        });
    }
    t.Close();
}

} // namespace tyx
