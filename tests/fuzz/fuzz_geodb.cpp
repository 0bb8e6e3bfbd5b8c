// The database opener. One input becomes the seven files of a database: a byte saying which files
// exist (bit k for file k), six little-endian 32-bit lengths cutting the five index files and the
// summary file from what follows, and the rest as the data file. The database is then opened and
// every item read back, as a host browsing a database it was given would, closed and opened again;
// the header is also read without opening.
#include <array>
#include <vector>
#include <filesystem>

#include "fuzz_util.h"
#include "geodb/Tyx_GeoDB.h"
#include "host/tyx_streams.h"

using namespace tyx;

namespace {

constexpr std::array<const char*, 7> kExt = {".tyxgi0", ".tyxgi1", ".tyxgi2", ".tyxgi3",
                                             ".tyxgi4", ".tyxgds", ".tyxgdd"};
constexpr size_t kHead = 1 + 6 * 4;
// Enough to reach every kind of block in the seeds without making one run slow.
constexpr int kMaxWalk = 256;

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

void Browse(TGeoDB& db)
{
    const int n = db.NumEntries();
    for (int i = 1; i <= n && i <= kMaxWalk; ++i) {
        const TgdbData d = db.GetSumdata(i);
        (void)db.SearchForItemID(d.ItemId);
        fuzz::Survives([&] {
            TgdbPolygon poly;
            db.RetrievePolygon(i, poly);
        });
        fuzz::Survives([&] {
            TMetaInfo meta;
            TMemoryStream blob;
            db.RetrieveBLOB(i, meta, blob);
            db.GetMetaInfo(i, meta);
        });
    }
    (void)db.FindItemsInBox(-90, 90, -180, 180);
    (void)db.FindItemsInBox(10, 20, 30, 40);
    for (int k = 1; k <= n && k <= kMaxWalk; ++k) (void)db.GetIxLatLow(k);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < kHead) return 0;
    const auto& dir = fuzz::ScratchDir();
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) std::filesystem::remove_all(e.path(), ec);

    const std::string base = (dir / "db").string();
    const uint8_t present = Data[0];
    size_t at = kHead;
    for (size_t k = 0; k < kExt.size(); ++k) {
        size_t len = Size - at;
        if (k < 6) len = std::min<size_t>(Get32(Data + 1 + 4 * k), len);
        if (present & (1u << k)) fuzz::WriteBytes(base + kExt[k], Data + at, len);
        at += len;
    }

    fuzz::Survives([&] { (void)ReadSystemInformation(base); });
    std::vector<int32_t> ids;
    {
        TGeoDB db;
        bool opened = false;
        fuzz::Survives([&] {
            db.SetGDBName(base);
            opened = true;
        });
        if (!opened) return 0;
        Browse(db);
        for (int i = 1; i <= db.NumEntries(); ++i) ids.push_back(db.GetSumdata(i).ItemId);
        db.SetGDBName("");
    }
    // What an opening accepted and mended must open again as it was left, with nothing more to mend.
    TGeoDB again;
    again.SetGDBName(base);
    fuzz::Require(again.OpenReport().empty(), "a mended database opens without a report");
    fuzz::Require(again.NumEntries() == static_cast<int>(ids.size()), "every item is there again");
    for (int i = 1; i <= again.NumEntries(); ++i)
        fuzz::Require(again.GetSumdata(i).ItemId == ids[static_cast<size_t>(i - 1)], "every item is in its place again");
    return 0;
}
