// The bytes on disk: file set, record layout, header, and files written by another program.
#include "geodb_test_util.h"

#include "host/tyx_datetime.h"
#include "support/Tyx_math1.h"

#include <cmath>

namespace tyx::test {

namespace {
class Records : public GeoDBTest {};
}

TEST_F(Records, NewDatabaseIsSixEmptyFilesAndAHeader)
{
    TGeoDB db;
    db.SetGDBName(Path("world.dat"));
    EXPECT_EQ(db.GetGDBName(), Path("world"));
    EXPECT_EQ(db.NumEntries(), 0);
    EXPECT_EQ(db.DBVersion(), 4);
    const std::string base = Path("world");
    for (int k = 0; k < 6; ++k) EXPECT_EQ(SizeOf(base + kAllExt[k]), 0) << kAllExt[k];
    const auto h = Bytes(base + ".tyxgdd");
    ASSERT_EQ(h.size(), 260u);
    EXPECT_EQ(At<int32_t>(h, 0), 0);   // HighestID
    EXPECT_EQ(At<int32_t>(h, 4), 4);   // DBVersion
    EXPECT_EQ(h[8], 0);                // empty description
    EXPECT_EQ(At<int32_t>(h, 72), 0);  // Revision
    for (std::size_t i = 76; i < 260; ++i) ASSERT_EQ(h[i], 0) << "reserved byte " << i;
    EXPECT_FALSE(std::filesystem::exists(Path("world.dat")));
}

TEST_F(Records, TownRecordFieldsAtTheirOffsets)
{
    TGeoDB db;
    db.SetGDBName(Base);
    const TDateTime date = EncodeDateTime(2024, 5, 17, 12, 0, 0);
    ASSERT_EQ(db.AddTown("Wien", date, 3, TSCoords{48.2f, 16.37f}, 170.5f, 7, 99), 1);
    EXPECT_EQ(SizeOf(File(".tyxgdd")), 260);
    const auto r = Bytes(File(".tyxgds"));
    ASSERT_EQ(r.size(), 120u);
    EXPECT_EQ(At<int32_t>(r, 0), 1);
    EXPECT_EQ(r[4], 4);
    EXPECT_EQ(std::string(r.begin() + 5, r.begin() + 9), "Wien");
    for (std::size_t i = 9; i < 64; ++i) ASSERT_EQ(r[i], ' ') << "name byte " << i;
    EXPECT_EQ(At<float>(r, 64), 170.5f);
    EXPECT_EQ(r[68], 7);
    EXPECT_EQ(At<int32_t>(r, 72), 99);
    EXPECT_EQ(At<int32_t>(r, 76), -1);
    EXPECT_EQ(At<double>(r, 80), date);
    EXPECT_EQ(At<int32_t>(r, 88), 3);
    EXPECT_EQ(At<float>(r, 92), 48.2f);
    EXPECT_EQ(At<float>(r, 96), 48.2f);
    EXPECT_EQ(At<float>(r, 100), 16.37f);
    EXPECT_EQ(At<float>(r, 104), 16.37f);
    EXPECT_EQ(r[108], gitTown);
    EXPECT_EQ(r[116], 0);
    for (std::size_t i : {69u, 70u, 71u, 109u, 110u, 111u, 117u, 118u, 119u}) EXPECT_EQ(r[i], 0) << "padding " << i;

    const float keys[5] = {0, 48.2f, 48.2f, 16.37f, 16.37f};
    for (int k = 0; k < 5; ++k) {
        const auto ix = Bytes(File(kAllExt[k]));
        ASSERT_EQ(ix.size(), 8u);
        if (k == 0)
            EXPECT_EQ(At<int32_t>(ix, 0), 1);
        else
            EXPECT_EQ(At<float>(ix, 0), keys[k]);
        EXPECT_EQ(At<int32_t>(ix, 4), 0);
    }
    EXPECT_EQ(At<int32_t>(Bytes(File(".tyxgdd")), 0), 1); // HighestID written at once
    const TSCoords loc = ExtractLocation(db.GetSumdata(1));
    EXPECT_EQ(loc.Latit, 48.2f);
    EXPECT_EQ(loc.Longit, 16.37f);
}

TEST_F(Records, PolygonAndBlobBlocks)
{
    TGeoDB db;
    db.SetGDBName(Base);
    Town(db, "A", 1, 2);
    ASSERT_EQ(db.AddBorder("B", Poly({{10, 20}, {12, 25}, {11, 18}}), true, 0, 0, 0, 0, 0, 0, 0, 0, 0), 2);
    const auto d = Bytes(File(".tyxgdd"));
    ASSERT_EQ(d.size(), 284u);
    const auto r = Bytes(File(".tyxgds"));
    ASSERT_EQ(r.size(), 240u);
    EXPECT_EQ(At<int32_t>(r, 120 + 76), 260);
    EXPECT_EQ(At<int32_t>(r, 120 + 112), 3);
    EXPECT_EQ(r[120 + 116], 1);
    EXPECT_EQ(At<float>(r, 120 + 92), 10.0f);
    EXPECT_EQ(At<float>(r, 120 + 96), 12.0f);
    EXPECT_EQ(At<float>(r, 120 + 100), 18.0f);
    EXPECT_EQ(At<float>(r, 120 + 104), 25.0f);
    EXPECT_EQ(At<float>(d, 260), 10.0f);
    EXPECT_EQ(At<float>(d, 264), 20.0f);
    EXPECT_EQ(At<float>(d, 276), 11.0f);
    EXPECT_EQ(At<float>(d, 280), 18.0f);

    TGeoDB b;
    b.SetGDBName(Path("blobs"));
    TMetaInfo m;
    m.Caption = "ten bytes";
    const uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(b.AddBLOB("raw", 0, 0, 1, 2, 3, 4, 0, 0, 0, m, data, 10), 1);
    const auto bd = Bytes(Path("blobs.tyxgdd"));
    ASSERT_EQ(bd.size(), 260u + 1024u + 10u);
    EXPECT_EQ(At<int32_t>(Bytes(Path("blobs.tyxgds")), 112), 10);
    EXPECT_EQ(bd[260 + 256], 9); // caption length
    EXPECT_EQ(std::string(bd.begin() + 517, bd.begin() + 526), "ten bytes");
    EXPECT_TRUE(std::equal(data, data + 10, bd.begin() + 1284));
}

TEST_F(Records, HelpersClearAndFormat)
{
    TgdbData d;
    d.NumPoints = 17;
    d.ItemKind = gitLake;
    d.BlobOffset = 900;
    d.Name = "x";
    ClearGdbData(d);
    EXPECT_EQ(d.NumPoints, 17);
    EXPECT_EQ(d.ItemKind, gitUndefined);
    EXPECT_EQ(d.BlobOffset, -1);
    EXPECT_EQ(d.Name.Len, 0);
    for (char c : d.Name.Data) ASSERT_EQ(c, ' ');
    EXPECT_NEAR(d.Date, Now(), 1.0 / 24);

    TMetaInfo m;
    m.Keywords = "k";
    m.Comment = "c";
    ClearMetaInfo(m);
    EXPECT_TRUE(m.Keywords.Empty() && m.Caption.Empty() && m.FilePath.Empty() && m.Descriptor.Empty() && m.Comment.Empty());

    EXPECT_EQ(GeoLatitude(-91, dfDeg, 1), DegreeToStr(90, dfDeg, 1) + " S");
    EXPECT_EQ(GeoLatitude(45.5, dfDegMin, 0), DegreeToStr(45.5, dfDegMin, 0) + " N");
    EXPECT_EQ(GeoLongitude(0, dfDeg, 2), DegreeToStr(0, dfDeg, 2) + " E");
    EXPECT_EQ(GeoLongitude(-200, dfDeg, 0), DegreeToStr(180, dfDeg, 0) + " W");
    EXPECT_EQ(GDB_ITEMNAMES[gitBLOB], "BLOB");
    EXPECT_EQ(GDB_ITEMNAMES[gitUndefined], "Undefined");
}

// A file set written byte by byte from the layout, as another program would, opens and reads.
TEST_F(Records, FilesWrittenByAnotherProgramOpen)
{
    std::vector<uint8_t> hdr(260, 0);
    const int32_t highest = 41, version = 4, revision = 3;
    std::memcpy(hdr.data(), &highest, 4);
    std::memcpy(hdr.data() + 4, &version, 4);
    hdr[8] = 2;
    hdr[9] = 'h';
    hdr[10] = 'i';
    std::memcpy(hdr.data() + 72, &revision, 4);
    hdr[100] = 0xAB; // reserved bytes are kept as they are
    std::vector<uint8_t> data = hdr;
    const float pts[4] = {5.5f, 6.5f, 7.5f, 8.5f};
    data.insert(data.end(), reinterpret_cast<const uint8_t*>(pts), reinterpret_cast<const uint8_t*>(pts) + 16);

    std::vector<uint8_t> sum(240, 0);
    auto put32 = [&](std::size_t off, int32_t v) { std::memcpy(sum.data() + off, &v, 4); };
    auto putF = [&](std::size_t off, float v) { std::memcpy(sum.data() + off, &v, 4); };
    // Record 0: a river of two points, the name padded with zeros, Closed stored as 0xFF.
    put32(0, 40);
    sum[4] = 3;
    std::memcpy(sum.data() + 5, "Inn", 3);
    put32(76, 260);
    putF(92, 5.5f); putF(96, 7.5f); putF(100, 6.5f); putF(104, 8.5f);
    sum[108] = gitRiver;
    put32(112, 2);
    sum[116] = 0xFF;
    sum[69] = 0x5A; // padding is not significant
    // Record 1: a town.
    put32(120 + 0, 41);
    sum[120 + 4] = 1;
    sum[120 + 5] = 'T';
    put32(120 + 76, -1);
    putF(120 + 92, 1); putF(120 + 96, 1); putF(120 + 100, 9); putF(120 + 104, 9);
    sum[120 + 108] = gitTown;

    auto ix = [](std::vector<std::pair<float, int32_t>> e) {
        std::vector<uint8_t> b;
        for (auto [k, i] : e) {
            b.insert(b.end(), reinterpret_cast<uint8_t*>(&k), reinterpret_cast<uint8_t*>(&k) + 4);
            b.insert(b.end(), reinterpret_cast<uint8_t*>(&i), reinterpret_cast<uint8_t*>(&i) + 4);
        }
        return b;
    };
    std::vector<uint8_t> ix0(16);
    const int32_t ix0v[4] = {40, 0, 41, 1};
    std::memcpy(ix0.data(), ix0v, 16);
    WriteBytes(File(".tyxgi0"), ix0);
    WriteBytes(File(".tyxgi1"), ix({{1, 1}, {5.5f, 0}}));
    WriteBytes(File(".tyxgi2"), ix({{1, 1}, {7.5f, 0}}));
    WriteBytes(File(".tyxgi3"), ix({{6.5f, 0}, {9, 1}}));
    WriteBytes(File(".tyxgi4"), ix({{8.5f, 0}, {9, 1}}));
    WriteBytes(File(".tyxgds"), sum);
    WriteBytes(File(".tyxgdd"), data);
    std::vector<std::vector<uint8_t>> before;
    for (const char* e : kAllExt) before.push_back(Bytes(File(e)));

    TGeoDB db;
    db.SetGDBName(Base);
    ASSERT_EQ(db.NumEntries(), 2);
    EXPECT_EQ(db.Description(), "hi");
    EXPECT_EQ(db.Revision(), 3);
    EXPECT_EQ(db.GetSumdata(1).Name.Str(), "Inn");
    EXPECT_TRUE(db.GetSumdata(1).Closed);
    EXPECT_EQ(db.SearchForItemID(41), 2);
    EXPECT_EQ(db.GetIxLatLow(1).index, 2);
    TgdbPolygon p;
    ASSERT_TRUE(db.RetrievePolygon(1, p));
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1].Latit, 7.5f);
    EXPECT_EQ(p[1].Longit, 8.5f);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(Bytes(File(kAllExt[k])), before[static_cast<std::size_t>(k)]) << kAllExt[k];

    // The next item continues the numbering and the reserved bytes survive the header rewrite.
    EXPECT_EQ(Town(db, "U", 2, 2), 3);
    EXPECT_EQ(db.GetSumdata(3).ItemId, 42);
    const auto h = Bytes(File(".tyxgdd"));
    EXPECT_EQ(h[100], 0xAB);
    EXPECT_EQ(At<int32_t>(h, 0), 42);
}

TEST_F(Records, ReadSystemInformationAndExport)
{
    {
        TGeoDB db;
        db.SetName("geo");
        db.SetGDBName(Base);
        db.SetDescription("Alpine passes");
        db.SetRevision(12);
        Town(db, "Brenner", 47.0f, 11.5f);
        db.AddRiver("Etsch", Poly({{46.5f, 11.3f}, {46.0f, 11.1f}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        db.ExportDataDebug(Path("dump.txt"));
    }
    const TgdbSystemData h = ReadSystemInformation(Base + ".anything");
    EXPECT_EQ(h.HighestID, 2);
    EXPECT_EQ(h.Revision, 12);
    EXPECT_EQ(h.Description.Str(), "Alpine passes");
    EXPECT_THROW(ReadSystemInformation(Path("missing")), EInOutError);

    const auto dump = Bytes(Path("dump.txt"));
    const std::string text(dump.begin(), dump.end());
    for (const char* part : {"Alpine passes", "\"Brenner\"", "River", "index 4 LongHigh", "Revision 12"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

} // namespace tyx::test
