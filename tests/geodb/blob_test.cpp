// BLOBs and polygons: the add and replace forms, the retrieve forms with their progress values,
// metadata, and GarbageCollection.
#include "geodb_test_util.h"

#include "host/tyx_datetime.h"
#include "host/tyx_streams.h"

#include "host/tyx_rounding.h"

namespace tyx::test {

namespace {

class Blob : public GeoDBTest {
protected:
    void SetUp() override
    {
        GeoDBTest::SetUp();
        Db.SetName("geo");
        Db.SetGDBName(Base);
        Db.OnPercentDone = [this](TObject*, int p) { Seen.push_back(p); };
    }
    std::vector<uint8_t> Pattern(std::size_t n, int seed = 0) const
    {
        std::vector<uint8_t> v(n);
        for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * 7 + static_cast<std::size_t>(seed)) % 251);
        return v;
    }
    int AddMemory(const std::string& name, const std::vector<uint8_t>& data)
    {
        TMetaInfo m;
        m.Keywords = "kw " + name;
        return Db.AddBLOB(name, 0, 0, 0, 1, 0, 1, 0, 0, 0, m, data.data(), static_cast<int>(data.size()));
    }
    std::vector<int> Take()
    {
        auto v = std::move(Seen);
        Seen.clear();
        return v;
    }

    TGeoDB Db;
    std::vector<int> Seen;
};

} // namespace

TEST_F(Blob, FileBlobOf40000Bytes)
{
    const std::string src = Path("photo.jpg");
    const auto data = Pattern(40000);
    WriteBytes(src, data);
    const int64_t before = SizeOf(File(".tyxgdd"));
    TMetaInfo m;
    m.Caption = "a photo";
    const int e = Db.AddBLOB(src, 0, 0, 1, 2, 3, 4, 0, 0, 0, m);
    ASSERT_EQ(e, 1);
    EXPECT_EQ(Take(), (std::vector<int>{0, 41, 82, 100, 100}));
    EXPECT_EQ(SizeOf(File(".tyxgdd")), before + 1024 + 40000);
    const TgdbData d = Db.GetSumdata(e);
    EXPECT_EQ(d.Size, 40000);
    EXPECT_EQ(d.Name.Str(), "photo.jpg");
    EXPECT_NEAR(d.Date, FileDateTime(src), 1e-9);
    TMetaInfo got;
    ASSERT_TRUE(Db.GetMetaInfo(e, got));
    EXPECT_EQ(got.FilePath.Str(), src);
    EXPECT_EQ(got.Caption.Str(), "a photo");

    // into a file: the full path is used as given, an empty one or a trailing separator gets the name
    TMetaInfo out;
    ASSERT_TRUE(Db.RetrieveBLOB(e, Path("copy.bin"), out));
    EXPECT_EQ(Take(), (std::vector<int>{0, 41, 82, 100, 100}));
    EXPECT_EQ(Bytes(Path("copy.bin")), data);
    EXPECT_EQ(out.Caption.Str(), "a photo");
    ASSERT_TRUE(Db.RetrieveBLOB(e, Dir.string() + "\\", out));
    EXPECT_EQ(Bytes(Path("photo.jpg")), data);
    std::filesystem::create_directory(Path("sub"));
    ASSERT_TRUE(Db.RetrieveBLOB(e, Path("sub") + "/", out));
    EXPECT_EQ(Bytes(Path("sub/photo.jpg")), data);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(Path("sub"));
    std::filesystem::remove("photo.jpg");
    const bool ok = Db.RetrieveBLOB(e, "", out);
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Bytes(Path("sub/photo.jpg")), data);

    // with another name in the database, and with the original path recorded instead
    const int e2 = Db.AddBLOB(src, "maps/Vienna Centre.jpg", 0, 0, 0, 0, 0, 0, 0, 0, 0, m);
    EXPECT_EQ(Db.GetSumdata(e2).Name.Str(), "Vienna Centre.jpg");
    const int e3 = Db.AddBLOB(src, "x", "D:\\scans\\original.tif", 0, 0, 0, 0, 0, 0, 0, 0, 0, m);
    ASSERT_TRUE(Db.GetMetaInfo(e3, got));
    EXPECT_EQ(got.FilePath.Str(), "D:\\scans\\original.tif");
    EXPECT_EQ(got.Caption.Str(), "a photo");
    std::vector<uint8_t> buf(40000);
    Take();
    ASSERT_TRUE(Db.RetrieveBLOB(e3, got, buf.data(), 40000));
    EXPECT_EQ(buf, data);
    EXPECT_EQ(Take(), (std::vector<int>{0, 41, 82, 100, 100}));
    ASSERT_TRUE(Db.RetrieveBLOB(e2, Path("sub") + "/", out));
    EXPECT_EQ(Bytes(Path("sub/Vienna_Centre.jpg")), data) << "the item's name made usable as a file name";
}

TEST_F(Blob, MemoryAndStreamBlobs)
{
    const auto small = Pattern(10);
    ASSERT_EQ(AddMemory("small", small), 1);
    EXPECT_EQ(Take(), (std::vector<int>{0, 100}));
    const auto big = Pattern(40000, 3);
    ASSERT_EQ(AddMemory("big", big), 2);
    EXPECT_EQ(Take(), (std::vector<int>{0, 41, 82, 100})) << "no report for the last, partial chunk";

    TMemoryStream s;
    s.Write(big.data(), 32768);
    TMetaInfo m;
    m.Comment = "from a stream";
    ASSERT_EQ(Db.AddBLOB("stream", 0, 0, 0, 0, 0, 0, 0, 0, 0, m, s), 3);
    EXPECT_EQ(Take(), (std::vector<int>{0, 50, 100, 100}));
    EXPECT_EQ(Db.GetSumdata(3).Size, 32768);

    TMemoryStream back;
    back.Write("old contents that are longer", 28);
    TMetaInfo got;
    ASSERT_TRUE(Db.RetrieveBLOB(2, got, back));
    EXPECT_EQ(Take(), (std::vector<int>{0, 41, 82, 100, 100}));
    ASSERT_EQ(back.Size(), 40000);
    EXPECT_TRUE(std::equal(big.begin(), big.end(), back.Memory()));
    EXPECT_EQ(got.Keywords.Str(), "kw big");
    ASSERT_TRUE(Db.RetrieveBLOB(3, got, back));
    EXPECT_EQ(got.Comment.Str(), "from a stream");
    EXPECT_EQ(back.Size(), 32768);

    // 0 and below address the first entry; beyond the last is not found
    std::vector<uint8_t> buf(10);
    Take();
    EXPECT_TRUE(Db.RetrieveBLOB(0, got, buf.data(), 10));
    EXPECT_EQ(buf, small);
    EXPECT_EQ(Take(), (std::vector<int>{0, 100, 100})) << "one chunk, then the end";
    EXPECT_TRUE(Db.RetrieveBLOB(-4, got, back));
    EXPECT_EQ(back.Size(), 10);
    EXPECT_FALSE(Db.RetrieveBLOB(4, got, buf.data(), 10));
    EXPECT_EQ(Take(), (std::vector<int>{0, 100, 100, 0, 100}));

    // a BLOB whose name gives no file name cannot be written without a path
    const int nameless = AddMemory("..", small);
    try {
        Db.RetrieveBLOB(nameless, "", got);
        ADD_FAILURE() << "no exception";
    } catch (const ETYXGeoDBError& x) {
        EXPECT_EQ(std::string(x.what()), "Component \"geo\": RetrieveBLOB: invalid filename.");
    }
    EXPECT_TRUE(Db.RetrieveBLOB(nameless, Path("named.bin"), got));
    EXPECT_EQ(Bytes(Path("named.bin")), small);

    // a buffer that is one byte short
    const auto b101 = Pattern(101);
    const int e = AddMemory("101", b101);
    std::vector<uint8_t> b100(100);
    try {
        Db.RetrieveBLOB(e, got, b100.data(), 100);
        ADD_FAILURE() << "no exception";
    } catch (const ETYXGeoDBError& x) {
        EXPECT_EQ(std::string(x.what()),
                  "Component \"geo\": RetrieveBLOB: BLOB to be retrieved is larger than SizeOfBlobData.");
    }
}

TEST_F(Blob, OtherKindsAreNotBlobs)
{
    Town(Db, "Linz", 48.3f, 14.3f);
    Db.AddRiver("Traun", Poly({{1, 1}, {2, 2}, {3, 3}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    Take();
    TMetaInfo got;
    std::vector<uint8_t> buf(100);
    EXPECT_FALSE(Db.RetrieveBLOB(1, Path("town.bin"), got));
    EXPECT_TRUE(Take().empty()) << "the file form reports nothing for a town";
    EXPECT_FALSE(std::filesystem::exists(Path("town.bin")));
    EXPECT_FALSE(Db.RetrieveBLOB(1, got, buf.data(), 100));
    EXPECT_EQ(Take(), (std::vector<int>{0, 100}));
    TMemoryStream s;
    s.Write("abc", 3);
    EXPECT_FALSE(Db.RetrieveBLOB(2, got, s));
    EXPECT_EQ(s.Size(), 0) << "a polygon's point count is not a size";
    EXPECT_FALSE(Db.GetMetaInfo(1, got));
    EXPECT_FALSE(Db.UpdateMetaInfo(2, got));
    TgdbPolygon p = Poly({{7, 7}});
    EXPECT_FALSE(Db.RetrievePolygon(1, p));
    EXPECT_EQ(p.size(), 1u) << "left unchanged";
    EXPECT_FALSE(Db.RetrievePolygon(3, p));

    TGeoDB closed;
    std::vector<int> none;
    closed.OnPercentDone = [&](TObject*, int v) { none.push_back(v); };
    EXPECT_FALSE(closed.RetrievePolygon(1, p));
    EXPECT_FALSE(closed.RetrieveBLOB(1, got, buf.data(), 100));
    EXPECT_TRUE(none.empty());
}

TEST_F(Blob, PolygonProgressEveryStepthPoint)
{
    TgdbPolygon pts;
    for (int i = 0; i < 250; ++i) pts.push_back(TSCoords{static_cast<float>(i) / 10, static_cast<float>(-i)});
    Db.AddBorder("b", pts, true, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    Town(Db, "t", 0, 0);
    Take();
    TgdbPolygon got;
    ASSERT_TRUE(Db.RetrievePolygon(1, got));
    std::vector<int> want{0};
    for (int i = 3; i <= 250; i += 3) want.push_back(Round(100.0 * i / 250));
    want.push_back(100);
    EXPECT_EQ(Take(), want);
    ASSERT_EQ(got.size(), 250u);
    EXPECT_EQ(got[249].Latit, pts[249].Latit);
    EXPECT_EQ(got[249].Longit, -249);
    TgdbPolygon first;
    ASSERT_TRUE(Db.RetrievePolygon(0, first));
    EXPECT_EQ(first.size(), 250u);
    EXPECT_EQ(Take().size(), want.size());
}

TEST_F(Blob, ReplaceBlobKeepsNumberAndGivesNewData)
{
    AddMemory("first", Pattern(50));
    Town(Db, "t", 0, 0);
    const int id = Db.GetSumdata(1).ItemId;
    const auto fresh = Pattern(70, 9);
    TMetaInfo m;
    m.Caption = "new";
    Db.ReplaceBLOB(1, "second", 0, 0, 0, 0, 0, 0, 0, 0, 0, m, fresh.data(), 70);
    EXPECT_EQ(Db.GetSumdata(1).ItemId, id);
    EXPECT_EQ(Db.GetSumdata(1).Name.Str(), "second");
    std::vector<uint8_t> buf(70);
    TMetaInfo got;
    ASSERT_TRUE(Db.RetrieveBLOB(1, got, buf.data(), 70));
    EXPECT_EQ(buf, fresh);
    EXPECT_EQ(got.Caption.Str(), "new");

    const std::string src = Path("f.dat");
    WriteBytes(src, Pattern(3000, 1));
    Db.ReplaceBLOB(2, src, 0, 0, 0, 0, 0, 0, 0, 0, 0, m);
    EXPECT_EQ(Db.GetSumdata(2).ItemKind, gitBLOB);
    EXPECT_EQ(Db.GetSumdata(2).Name.Str(), "f.dat");
    TMemoryStream s;
    ASSERT_TRUE(Db.RetrieveBLOB(2, got, s));
    EXPECT_EQ(std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size()), Pattern(3000, 1));

    TMemoryStream s2;
    s2.Write("xyz", 3);
    Db.ReplaceBLOB(2, "z", 0, 0, 0, 0, 0, 0, 0, 0, 0, m, s2);
    ASSERT_TRUE(Db.RetrieveBLOB(2, got, s));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 3), "xyz");

    // metadata can be rewritten in place
    m.Descriptor = "rewritten";
    const int64_t len = SizeOf(File(".tyxgdd"));
    ASSERT_TRUE(Db.UpdateMetaInfo(2, m));
    EXPECT_EQ(SizeOf(File(".tyxgdd")), len);
    ASSERT_TRUE(Db.GetMetaInfo(2, got));
    EXPECT_EQ(got.Descriptor.Str(), "rewritten");
}

TEST_F(Blob, MissingSourceFile)
{
    Town(Db, "t", 0, 0);
    const auto sum = Bytes(File(".tyxgds"));
    const int64_t len = SizeOf(File(".tyxgdd"));
    EXPECT_THROW(Db.AddBLOB(Path("nothing.bin"), 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}), EInOutError);
    EXPECT_EQ(Bytes(File(".tyxgds")), sum);
    EXPECT_EQ(SizeOf(File(".tyxgdd")), len) << "nothing is appended for a source that cannot be read";
    EXPECT_EQ(At<int32_t>(Bytes(File(".tyxgdd")), 0), 2) << "the number is spent";
    EXPECT_EQ(Db.NumEntries(), 1);
}

TEST_F(Blob, LongSourcePathsAreReadInFull)
{
    const std::string deep = Path(std::string(90, 'd')) + "/" + std::string(60, 'e');
    std::filesystem::create_directories(deep);
    const std::string src = deep + "/Straße.bin";
    WriteBytes(src, Pattern(500, 4));
    ASSERT_GT(src.size(), 127u);
    const int e = Db.AddBLOB(src, 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{});
    std::vector<uint8_t> buf(500);
    TMetaInfo got;
    ASSERT_TRUE(Db.RetrieveBLOB(e, got, buf.data(), 500));
    EXPECT_EQ(buf, Pattern(500, 4));
    EXPECT_EQ(got.FilePath.Length(), 127u);
}

TEST_F(Blob, GarbageCollectionKeepsOnlyLiveBlocks)
{
    Db.SetDescription("kept");
    Db.AddRiver("r1", Poly({{1, 1}, {2, 2}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    AddMemory("b1", Pattern(300));
    Db.AddLake("l1", Poly({{5, 5}, {6, 6}, {7, 5}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    Town(Db, "t", 3, 3);
    Db.ReplaceRiver(1, "r1", Poly({{1, 1}, {2, 2}, {3, 3}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    AddMemory("dead", Pattern(999));
    Db.DeleteData(5);
    Db.AddRoad("empty", {}, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    const int64_t live = 260 + 3 * 8 + 1024 + 300 + 3 * 8;
    ASSERT_GT(SizeOf(File(".tyxgdd")), live);
    const auto old = Bytes(File(".tyxgdd"));
    const std::vector<uint8_t> header(old.begin(), old.begin() + 260);

    Db.GarbageCollection();
    EXPECT_EQ(SizeOf(File(".tyxgdd")), live);
    const auto d = Bytes(File(".tyxgdd"));
    EXPECT_TRUE(std::equal(header.begin(), header.end(), d.begin()));
    const auto sum = Bytes(File(".tyxgds"));
    EXPECT_EQ(At<int32_t>(sum, 76), 260);
    EXPECT_EQ(At<int32_t>(sum, 120 + 76), 284);
    EXPECT_EQ(At<int32_t>(sum, 240 + 76), 284 + 1324);
    EXPECT_EQ(At<int32_t>(sum, 360 + 76), -1);
    EXPECT_EQ(At<int32_t>(sum, 480 + 76), live);
    for (const auto& e : std::filesystem::directory_iterator(Dir))
        EXPECT_EQ(e.path().filename().string().find("tmp"), std::string::npos) << e.path();

    TGeoDB again;
    again.SetGDBName(Base);
    TgdbPolygon p;
    ASSERT_TRUE(again.RetrievePolygon(1, p));
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[2].Latit, 3);
    ASSERT_TRUE(again.RetrievePolygon(3, p));
    EXPECT_EQ(p[2].Longit, 5);
    ASSERT_TRUE(again.RetrievePolygon(5, p));
    EXPECT_TRUE(p.empty());
    std::vector<uint8_t> buf(300);
    TMetaInfo got;
    ASSERT_TRUE(again.RetrieveBLOB(2, got, buf.data(), 300));
    EXPECT_EQ(buf, Pattern(300));
    EXPECT_EQ(got.Keywords.Str(), "kw b1");
    EXPECT_EQ(again.Description(), "kept");
}

} // namespace tyx::test
