// Damaged databases: indexes that disagree with the summary heal on opening; an untrustworthy
// summary or data file is refused with a message and every file is left as it was; an interrupted
// GarbageCollection loses nothing; random records never crash.
#include "geodb_test_util.h"

#include <cmath>
#include <random>

#include "geodb/gdb_file.h"
#include "host/tyx_streams.h"

namespace tyx::test {

namespace {

class Damaged : public GeoDBTest {
protected:
    void Fill()
    {
        TGeoDB db;
        db.SetGDBName(Base);
        Town(db, "a", 3, 30);
        db.AddRiver("r", Poly({{1, 10}, {2, 20}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        Town(db, "b", 3, 5);
        uint8_t bytes[40] = {};
        db.AddBLOB("blob", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, bytes, 40);
    }
    std::vector<std::vector<uint8_t>> All() const
    {
        std::vector<std::vector<uint8_t>> v;
        for (const char* e : kAllExt) v.push_back(Bytes(File(e)));
        return v;
    }
    std::size_t FileCount() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Dir), {}));
    }
    void ExpectRefused(const std::string& fileExt, const std::string& fault)
    {
        const auto before = All();
        const std::size_t files = FileCount();
        TGeoDB db;
        db.SetName("geo");
        try {
            db.SetGDBName(Base);
            ADD_FAILURE() << "opened a damaged " << fileExt;
        } catch (const ETYXGeoDBError& e) {
            const std::string msg = e.what();
            EXPECT_EQ(msg.rfind("Component \"geo\": SetGDBName: ", 0), 0u) << msg;
            EXPECT_NE(msg.find(File(fileExt)), std::string::npos) << msg;
            EXPECT_NE(msg.find(fault), std::string::npos) << msg;
        }
        EXPECT_EQ(db.GetGDBName(), "");
        EXPECT_EQ(db.NumEntries(), 0);
        EXPECT_EQ(All(), before);
        EXPECT_EQ(FileCount(), files);
    }
};

} // namespace

TEST_F(Damaged, StaleIndexesAfterACrashHeal)
{
    {
        TGeoDB db;
        db.SetGDBName(Base);
        Town(db, "first", 1, 1);
        db.SetLazyWrite(true);
        for (int i = 0; i < 20; ++i) Town(db, "t", static_cast<float>(i % 4), static_cast<float>(-i));
        // A crash now: copy the files as they are on disk, indexes one entry long.
        for (const char* e : kAllExt) std::filesystem::copy_file(File(e), Path("crash") + e);
        db.SetLazyWrite(false);
    }
    ASSERT_EQ(SizeOf(Path("crash.tyxgi0")), 8);
    TGeoDB healed;
    healed.SetGDBName(Path("crash"));
    ASSERT_EQ(healed.NumEntries(), 21);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(SizeOf(Path("crash") + kAllExt[k]), 21 * 8) << kAllExt[k];
    for (int p = 1; p < 21; ++p) ASSERT_LE(healed.GetIxLatLow(p).LLValue, healed.GetIxLatLow(p + 1).LLValue);
    for (int id = 1; id <= 21; ++id) EXPECT_EQ(healed.GetSumdata(healed.SearchForItemID(id)).ItemId, id);
    EXPECT_EQ(healed.FindItemsInBox(2, 2, -100, 100).size(), 5u);
    // The healed files read back without another repair.
    const auto ix0 = Bytes(Path("crash.tyxgi0"));
    const auto ix2 = Bytes(Path("crash.tyxgi2"));
    TGeoDB again;
    again.SetGDBName(Path("crash"));
    EXPECT_EQ(again.NumEntries(), 21);
    EXPECT_EQ(Bytes(Path("crash.tyxgi0")), ix0);
    EXPECT_EQ(Bytes(Path("crash.tyxgi2")), ix2);
}

TEST_F(Damaged, EachKindOfBrokenIndexIsRebuiltAlone)
{
    Fill();
    const auto good = All();
    TGeoDB ref;
    ref.SetGDBName(Base);
    std::vector<TIxLLRec> want;
    for (int p = 1; p <= 4; ++p) want.push_back(ref.GetIxLongLow(p));
    ref.SetGDBName("");

    const auto i32 = [](std::vector<uint8_t> b, std::size_t off, int32_t v) { std::memcpy(b.data() + off, &v, 4); return b; };
    const auto f32 = [](std::vector<uint8_t> b, std::size_t off, float v) { std::memcpy(b.data() + off, &v, 4); return b; };
    const std::vector<uint8_t>& ix3 = good[3];
    std::vector<uint8_t> swapped = ix3;
    std::swap_ranges(swapped.begin(), swapped.begin() + 8, swapped.begin() + 8);
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> breakages = {
        {"missing entry", std::vector<uint8_t>(ix3.begin(), ix3.end() - 8)},
        {"odd length", std::vector<uint8_t>(ix3.begin(), ix3.end() - 3)},
        {"points outside", i32(ix3, 12, 99)},
        {"negative", i32(ix3, 4, -1)},
        {"twice the same record", i32(ix3, 12, At<int32_t>(ix3, 4))},
        {"key differs from the record", f32(ix3, 0, -77)},
        {"out of order", swapped},
        {"removed", {}},
    };
    for (const auto& [what, bytes] : breakages) {
        SCOPED_TRACE(what);
        if (what == "removed")
            std::filesystem::remove(File(".tyxgi3"));
        else
            WriteBytes(File(".tyxgi3"), bytes);
        TGeoDB db;
        db.SetGDBName(Base);
        ASSERT_EQ(db.NumEntries(), 4);
        for (int p = 1; p <= 4; ++p) {
            EXPECT_EQ(db.GetIxLongLow(p).index, want[static_cast<std::size_t>(p - 1)].index) << p;
            EXPECT_EQ(db.GetIxLongLow(p).LLValue, want[static_cast<std::size_t>(p - 1)].LLValue) << p;
        }
        const auto now = All();
        for (int k = 0; k < 7; ++k) EXPECT_EQ(now[static_cast<std::size_t>(k)], good[static_cast<std::size_t>(k)]) << kAllExt[k];
        WriteBytes(File(".tyxgi3"), good[3]);
    }
}

// A reading never needs to write: an index that cannot be rewritten is rebuilt in memory and
// reported, and the next opening that can write it does.
TEST_F(Damaged, AHealingThatCannotBeWrittenIsReportedAndLeftForLater)
{
    Fill();
    std::filesystem::remove(File(".tyxgi1"));
    std::filesystem::create_directory(File(".tyxgi1.tmp")); // the rewrite cannot create its file
    {
        TGeoDB db;
        ASSERT_NO_THROW(db.SetGDBName(Base));
        EXPECT_EQ(db.NumEntries(), 4);
        ASSERT_EQ(db.OpenReport().size(), 1u);
        EXPECT_NE(db.OpenReport()[0].find(File(".tyxgi1") + "\" disagrees with the summary and could not be rewritten"),
                  std::string::npos)
            << db.OpenReport()[0];
        EXPECT_EQ(db.GetClosestLatLowIx(2.5), 3);
        EXPECT_EQ(db.FindItemsInBox(2.5, 3.5, 0, 40), (std::vector<int>{1, 3}));
    }
    EXPECT_EQ(SizeOf(File(".tyxgi1")), 0);
    std::filesystem::remove(File(".tyxgi1.tmp"));
    TGeoDB db;
    db.SetGDBName(Base);
    EXPECT_EQ(db.NumEntries(), 4);
    EXPECT_TRUE(db.OpenReport().empty());
    EXPECT_EQ(SizeOf(File(".tyxgi1")), 32);
}

TEST_F(Damaged, UntrustworthyDataFileIsRefusedATornSummaryMended)
{
    Fill();
    const auto good = All();
    auto sum = good[5];
    sum.resize(sum.size() + 7);
    WriteBytes(File(".tyxgds"), sum);
    {
        TGeoDB db;
        db.SetGDBName(Base);
        EXPECT_EQ(db.NumEntries(), 4);
        ASSERT_EQ(db.OpenReport().size(), 1u);
        EXPECT_NE(db.OpenReport()[0].find("7 bytes of a record that was never completed"), std::string::npos);
    }
    EXPECT_EQ(Bytes(File(".tyxgds")), good[5]);

    WriteBytes(File(".tyxgdd"), std::vector<uint8_t>(good[6].begin(), good[6].begin() + 200));
    ExpectRefused(".tyxgdd", "shorter than its 260-byte header");
    WriteBytes(File(".tyxgdd"), good[6]);

    // A refused database leaves the component closed but able to open a sound one.
    TGeoDB db;
    db.SetGDBName(Base);
    EXPECT_EQ(db.NumEntries(), 4);
}

// A delete cut off between moving the last record into the hole and shortening the file (as a
// program without the journal leaves it) holds that item twice; opening keeps the first copy.
TEST_F(Damaged, ItemStoredTwiceKeepsOneCopy)
{
    Fill();
    auto sum = Bytes(File(".tyxgds"));
    std::copy(sum.begin() + 360, sum.end(), sum.begin() + 120); // the BLOB moved over the river
    WriteBytes(File(".tyxgds"), sum);
    TGeoDB db;
    db.SetGDBName(Base);
    ASSERT_EQ(db.NumEntries(), 3);
    EXPECT_EQ(db.GetSumdata(2).ItemId, 4);
    EXPECT_EQ(db.SearchForItemID(4), 2);
    EXPECT_EQ(db.SearchForItemID(2), 0);
    ASSERT_EQ(db.OpenReport().size(), 1u);
    EXPECT_NE(db.OpenReport()[0].find("item 4 was stored twice"), std::string::npos) << db.OpenReport()[0];
    EXPECT_EQ(SizeOf(File(".tyxgds")), 360);
    EXPECT_EQ(db.FindItemsInBox(-90, 90, -180, 180), (std::vector<int>{1, 2, 3}));
}

// Only a byte-identical copy is what an interrupted delete leaves; another record carrying the
// same number (entry 1 given entry 3's) is damage, and no opening may delete either of them.
TEST_F(Damaged, DifferentRecordsWithOneNumberAreDamage)
{
    Fill();
    auto sum = Bytes(File(".tyxgds"));
    const int32_t third = 3;
    std::memcpy(sum.data(), &third, 4);
    WriteBytes(File(".tyxgds"), sum);
    ExpectRefused(".tyxgds", "entries 1 and 3 differ but carry the same item number 3");
}

// Salvage reads a damaged database as it is and copies every sound item, numbers, points, BLOBs
// and header kept, into a new one; it lists what it left out or renumbered and refuses any file
// that exists, the damaged database's own above all.
TEST_F(Damaged, SalvageCopiesEverySoundItemAndChangesNothing)
{
    Fill();
    {
        TGeoDB db;
        db.SetGDBName(Base);
        db.SetDescription("kept");
        db.SetRevision(9);
        Town(db, "c", 4, 4);
        db.AddLake("l", Poly({{5, 5}, {6, 6}, {5, 7}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    auto sum = Bytes(File(".tyxgds"));
    const auto put = [&sum](std::size_t Entry, std::size_t Offset, auto Value) {
        std::memcpy(sum.data() + (Entry - 1) * 120 + Offset, &Value, sizeof Value);
    };
    put(1, 0, int32_t{3});          // entry 1 given entry 3's number
    put(5, 92, float{NAN});          // a town's box
    put(6, 76, int32_t{1 << 20});    // the lake's block beyond the end
    WriteBytes(File(".tyxgds"), sum);
    const auto before = All();
    const std::string out = Path("saved");

    const std::vector<std::string> notes = TGeoDB::Salvage(Base, out);
    EXPECT_EQ(All(), before);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], "Entry 5 (item 5, \"c\") was left out: a bounding box edge is not a finite number.");
    EXPECT_NE(notes[1].find("Entry 6 (item 6, \"l\") was left out: its block (offset 1048576, 24 bytes) lies outside"),
              std::string::npos)
        << notes[1];
    EXPECT_EQ(notes[2], "Entry 3 (\"b\") was copied as item 7: entry 1 carries the same number.");
    TGeoDB saved;
    saved.SetGDBName(out);
    EXPECT_TRUE(saved.OpenReport().empty());
    EXPECT_EQ(saved.Description(), "kept");
    EXPECT_EQ(saved.Revision(), 9);
    EXPECT_EQ(ReadSystemInformation(out).HighestID, 7);
    ASSERT_EQ(saved.NumEntries(), 4);
    const std::vector<std::pair<std::string, int32_t>> want = {{"a", 3}, {"r", 2}, {"blob", 4}, {"b", 7}};
    for (int e = 1; e <= 4; ++e) {
        const TgdbData d = saved.GetSumdata(e);
        EXPECT_EQ(std::make_pair(d.Name.Str(), d.ItemId), want[static_cast<std::size_t>(e - 1)]) << e;
    }
    TgdbPolygon river;
    ASSERT_TRUE(saved.RetrievePolygon(2, river));
    ASSERT_EQ(river.size(), 2u);
    EXPECT_EQ(river[1].Longit, 20);
    TMemoryStream blob;
    TMetaInfo m;
    ASSERT_TRUE(saved.RetrieveBLOB(3, m, blob));
    EXPECT_EQ(blob.Size(), 40);
    saved.SetGDBName("");

    for (const auto& [target, why] : {std::pair{out, "exists already"}, {Base + ".dat", "of the database being salvaged"}}) {
        try {
            TGeoDB::Salvage(Base, target);
            ADD_FAILURE() << target;
        } catch (const ETYXGeoDBError& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(All(), before);
}

TEST_F(Damaged, BlockBeyondTheEndIsReportedWhenRead)
{
    Fill();
    const auto good = All();
    // Cut the data file inside the BLOB: the river before it still reads.
    WriteBytes(File(".tyxgdd"), std::vector<uint8_t>(good[6].begin(), good[6].end() - 10));
    const auto before = All();
    TGeoDB db;
    db.SetName("geo");
    db.SetGDBName(Base);
    TgdbPolygon p;
    EXPECT_TRUE(db.RetrievePolygon(2, p));
    TMetaInfo m;
    std::vector<uint8_t> buf(100);
    TMemoryStream s;
    const auto expectDamage = [&](auto&& fn, const char* damaged = ".tyxgdd") {
        try {
            fn();
            ADD_FAILURE() << "no error";
        } catch (const ETYXGeoDBError& e) {
            EXPECT_NE(std::string(e.what()).find(File(damaged) + "\" is damaged"), std::string::npos) << e.what();
        }
    };
    expectDamage([&] { db.RetrieveBLOB(4, m, buf.data(), 100); });
    expectDamage([&] { db.RetrieveBLOB(4, m, s); });
    expectDamage([&] { db.RetrieveBLOB(4, Path("out.bin"), m); });
    expectDamage([&] { db.GetMetaInfo(4, m); });
    expectDamage([&] { db.UpdateMetaInfo(4, m); });
    expectDamage([&] { db.GarbageCollection(); });
    EXPECT_FALSE(std::filesystem::exists(Path("out.bin")));
    EXPECT_EQ(All(), before);

    // A point count far beyond the file is refused before anything is allocated for it.
    auto sum = good[5];
    const int32_t huge = 200000000;
    std::memcpy(sum.data() + 120 + 112, &huge, 4);
    WriteBytes(File(".tyxgds"), sum);
    WriteBytes(File(".tyxgdd"), good[6]);
    db.SetGDBName(Base);
    expectDamage([&] { db.RetrievePolygon(2, p); });
    const int32_t negative = -3;
    std::memcpy(sum.data() + 120 + 112, &negative, 4);
    WriteBytes(File(".tyxgds"), sum);
    db.SetGDBName(Base);
    expectDamage([&] { db.RetrievePolygon(2, p); }, ".tyxgds");
}

TEST_F(Damaged, MissingDataFileNeverLeadsToDuplicateNumbers)
{
    Fill();
    std::filesystem::remove(File(".tyxgdd"));
    TGeoDB db;
    db.SetGDBName(Path("previous"));
    db.SetDescription("previous database");
    db.SetRevision(9);
    db.SetGDBName(Base);
    EXPECT_EQ(SizeOf(File(".tyxgdd")), 260);
    EXPECT_EQ(db.Description(), "") << "a new data file never inherits another database's header";
    EXPECT_EQ(db.Revision(), 0);
    ASSERT_EQ(Town(db, "new", 0, 0), 5);
    EXPECT_EQ(db.GetSumdata(5).ItemId, 5);
    EXPECT_EQ(db.SearchForItemID(5), 5);
}

TEST_F(Damaged, InterruptedGarbageCollectionLosesNothing)
{
    Fill();
    {
        TGeoDB db;
        db.SetGDBName(Base);
        db.ReplaceRiver(2, "r", Poly({{1, 10}, {2, 20}, {3, 30}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    const auto old = All();
    // Produce the collected pair in a copy of the database.
    for (const char* e : kAllExt) std::filesystem::copy_file(File(e), Path("copy") + e);
    {
        TGeoDB c;
        c.SetGDBName(Path("copy"));
        c.GarbageCollection();
    }
    const auto newData = Bytes(Path("copy.tyxgdd"));
    const auto newSum = Bytes(Path("copy.tyxgds"));
    ASSERT_LT(newData.size(), old[6].size());

    // Interrupted before the commit: both new files still beside the old ones.
    WriteBytes(File(".tyxgdd.gctmp"), newData);
    WriteBytes(File(".tyxgds.gctmp"), std::vector<uint8_t>(newSum.begin(), newSum.begin() + 100));
    {
        TGeoDB db;
        db.SetGDBName(Base);
        EXPECT_EQ(All(), old);
        EXPECT_FALSE(std::filesystem::exists(File(".tyxgdd.gctmp")));
        EXPECT_FALSE(std::filesystem::exists(File(".tyxgds.gctmp")));
    }
    // Interrupted after the commit: the new data file is in place, its summary waits beside it.
    WriteBytes(File(".tyxgdd"), newData);
    WriteBytes(File(".tyxgds.gctmp"), newSum);
    TGeoDB db;
    db.SetGDBName(Base);
    EXPECT_EQ(Bytes(File(".tyxgds")), newSum);
    EXPECT_FALSE(std::filesystem::exists(File(".tyxgds.gctmp")));
    TgdbPolygon p;
    ASSERT_TRUE(db.RetrievePolygon(2, p));
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[2].Longit, 30);
    std::vector<uint8_t> buf(40, 1);
    TMetaInfo m;
    EXPECT_TRUE(db.RetrieveBLOB(4, m, buf.data(), 40));
    EXPECT_EQ(buf, std::vector<uint8_t>(40, 0));
}

TEST_F(Damaged, StrayCollectedSummaryIsSetAsideAndReported)
{
    Fill();
    const auto good = All();
    std::mt19937 rng(7);
    std::vector<uint8_t> random(120);
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    // The summary a collection would write, but for a data file of another length.
    auto shifted = good[5];
    const int32_t off = 300;
    std::memcpy(shifted.data() + 120 + 76, &off, 4);
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> leftovers = {
        {random, ".setaside"},
        {std::vector<uint8_t>(random.begin(), random.begin() + 100), ".setaside2"},
        {shifted, ".setaside3"},
    };
    for (const auto& [bytes, aside] : leftovers) {
        SCOPED_TRACE(aside);
        WriteBytes(File(".tyxgds.gctmp"), bytes);
        TGeoDB db;
        db.SetGDBName(Base);
        EXPECT_EQ(db.NumEntries(), 4);
        EXPECT_EQ(All(), good);
        EXPECT_FALSE(std::filesystem::exists(File(".tyxgds.gctmp")));
        EXPECT_EQ(Bytes(File(".tyxgds.gctmp") + aside), bytes);
        ASSERT_EQ(db.OpenReport().size(), 1u);
        EXPECT_NE(db.OpenReport()[0].find(File(".tyxgds.gctmp") + aside), std::string::npos) << db.OpenReport()[0];
    }
    TGeoDB db;
    db.SetGDBName(Base);
    EXPECT_TRUE(db.OpenReport().empty());
}

TEST_F(Damaged, BoxEdgeThatIsNoFiniteNumberIsDamage)
{
    Fill();
    const auto good = All();
    for (const float bad : {NAN, INFINITY, -INFINITY}) {
        SCOPED_TRACE(bad);
        auto sum = good[5];
        std::memcpy(sum.data() + 2 * 120 + 96, &bad, 4); // LatHigh of entry 3
        WriteBytes(File(".tyxgds"), sum);
        ExpectRefused(".tyxgds", "entry 3 has a bounding box edge that is not a finite number");
    }
    WriteBytes(File(".tyxgds"), good[5]);
    TGeoDB db;
    db.SetGDBName(Base);
    EXPECT_THROW(Town(db, "far", INFINITY, 0), ETYXGeoDBError);
    EXPECT_EQ(db.NumEntries(), 4);
}

TEST_F(Damaged, NegativeBlobSizeIsDamage)
{
    Fill();
    for (const int32_t size : {-1, -1024}) {
        SCOPED_TRACE(size);
        auto sum = Bytes(File(".tyxgds"));
        std::memcpy(sum.data() + 3 * 120 + 112, &size, 4);
        WriteBytes(File(".tyxgds"), sum);
        const auto before = All();
        TGeoDB db;
        db.SetGDBName(Base);
        TMetaInfo m;
        EXPECT_THROW(db.RetrieveBLOB(4, Path("out.bin"), m), ETYXGeoDBError);
        EXPECT_THROW(db.GarbageCollection(), ETYXGeoDBError);
        EXPECT_FALSE(std::filesystem::exists(Path("out.bin")));
        EXPECT_EQ(All(), before);
    }
}

TEST_F(Damaged, BlobIsNeverWrittenOverTheDatabasesOwnFiles)
{
    Fill();
    std::filesystem::create_hard_link(File(".tyxgds"), Path("link"));
    const auto before = All();
    TGeoDB db;
    db.SetName("geo");
    db.SetGDBName(Base);
    std::vector<std::string> targets = {Path("link"), (Dir / "." / "db.tyxgdd").string()};
    for (const char* e : kAllExt) targets.push_back(File(e));
    for (const std::string& t : targets) {
        SCOPED_TRACE(t);
        TMetaInfo m;
        try {
            db.RetrieveBLOB(4, t, m);
            ADD_FAILURE() << "written";
        } catch (const ETYXGeoDBError& e) {
            EXPECT_NE(std::string(e.what()).find("one of the database's own files"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(All(), before);
}

TEST_F(Damaged, NoItemNumberBeyondTheLargest)
{
    Fill();
    const auto good = All();
    const int32_t top = std::numeric_limits<int32_t>::max();
    auto header = good[6];
    std::memcpy(header.data(), &top, 4);
    auto sum = good[5];
    std::memcpy(sum.data() + 120, &top, 4); // ItemId of entry 2
    for (const auto& [ext, bytes] : {std::pair{".tyxgdd", header}, std::pair{".tyxgds", sum}}) {
        SCOPED_TRACE(ext);
        WriteBytes(File(ext), bytes);
        TGeoDB db;
        db.SetGDBName(Base); // heals the item-number index for the changed ItemId
        const auto before = All();
        EXPECT_THROW(Town(db, "one too many", 1, 1), ETYXGeoDBError);
        EXPECT_EQ(db.NumEntries(), 4);
        EXPECT_EQ(All(), before);
        WriteBytes(File(ext), good[ext == std::string(".tyxgdd") ? 6 : 5]);
    }
}

// A rename of GarbageCollection that fails leaves the component where the next opening would
// put it, so that an item added afterwards survives.
TEST_F(Damaged, FailedCollectionRenameLosesNoLaterItem)
{
    struct TCase {
        const char* Target;
        bool Always;
    };
    for (const TCase c : {TCase{".tyxgdd", false}, TCase{".tyxgds", false}, TCase{".tyxgds", true}}) {
        SCOPED_TRACE(std::string(c.Target) + (c.Always ? " always" : " once"));
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
        Fill();
        {
            TGeoDB db;
            db.SetGDBName(Base);
            db.ReplaceRiver(2, "r", Poly({{1, 10}, {2, 20}, {3, 30}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
            int renames = 0;
            gdb::SetFileFaultHook([&](gdb::TFileChange Change, const std::string& Name, std::size_t) {
                const bool fail = Change == gdb::fcRename && Name == File(c.Target) && (c.Always || ++renames == 1);
                return gdb::TFault{fail ? gdb::fkFail : gdb::fkNone, 0};
            });
            EXPECT_THROW(db.GarbageCollection(), EInOutError);
            gdb::SetFileFaultHook({});
            EXPECT_EQ(Town(db, "later", 5, 5), c.Always ? -1 : 5);
            EXPECT_EQ(db.GetGDBName(), c.Always ? "" : Base);
        }
        TGeoDB db;
        db.SetGDBName(Base);
        ASSERT_EQ(db.NumEntries(), c.Always ? 4 : 5);
        EXPECT_EQ(db.SearchData("later"), c.Always ? 0 : 5);
        TgdbPolygon p;
        ASSERT_TRUE(db.RetrievePolygon(2, p));
        ASSERT_EQ(p.size(), 3u);
        EXPECT_EQ(p[2].Longit, 30);
        EXPECT_FALSE(std::filesystem::exists(File(".tyxgds.gctmp")));
    }
}

// Records of random bytes: opening, reading every entry in every form and collecting garbage must
// end in a result or an ETYXGeoDBError, never in a crash or a read outside a buffer.
TEST_F(Damaged, RandomRecordsNeverCrash)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 30; ++round) {
        std::vector<uint8_t> sum(120 * (1 + rng() % 12));
        for (auto& b : sum) b = static_cast<uint8_t>(rng());
        for (std::size_t r = 0; r < sum.size(); r += 120) {
            sum[r + 108] = static_cast<uint8_t>(rng() % 12); // mostly real kinds, some beyond
            if (rng() % 2) {
                const int32_t off = static_cast<int32_t>(260 + rng() % 400), n = static_cast<int32_t>(rng() % 60);
                std::memcpy(sum.data() + r + 76, &off, 4);
                std::memcpy(sum.data() + r + 112, &n, 4);
            }
        }
        std::vector<uint8_t> data(260 + rng() % 2000);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        WriteBytes(File(".tyxgds"), sum);
        WriteBytes(File(".tyxgdd"), data);
        for (int k = 0; k < 5; ++k) {
            std::vector<uint8_t> ix(8 * (rng() % 14));
            for (auto& b : ix) b = static_cast<uint8_t>(rng());
            WriteBytes(File(kAllExt[k]), ix);
        }
        bool finite = true;
        for (std::size_t r = 0; r < sum.size(); r += 120)
            for (std::size_t edge = 92; edge < 108; edge += 4) finite = finite && std::isfinite(At<float>(sum, r + edge));
        TGeoDB db;
        if (!finite) {
            EXPECT_THROW(db.SetGDBName(Base), ETYXGeoDBError);
            continue;
        }
        db.SetGDBName(Base);
        ASSERT_EQ(db.NumEntries(), static_cast<int>(sum.size() / 120));
        for (int e = 0; e <= db.NumEntries() + 1; ++e) {
            TgdbPolygon p;
            TMetaInfo m;
            TMemoryStream s;
            std::vector<uint8_t> buf(4096);
            try { db.RetrievePolygon(e, p); } catch (const ETYXGeoDBError&) {}
            try { db.RetrieveBLOB(e, m, s); } catch (const ETYXGeoDBError&) {}
            try { db.RetrieveBLOB(e, m, buf.data(), 4096); } catch (const ETYXGeoDBError&) {}
            try { db.GetMetaInfo(e, m); } catch (const ETYXGeoDBError&) {}
            (void)db.GetSumdata(e);
        }
        EXPECT_LE(db.FindItemsInBox(-1e30, 1e30, -1e30, 1e30).size(), static_cast<std::size_t>(db.NumEntries()));
        db.ExportDataDebug(Path("dump.txt"));
        try { db.GarbageCollection(); } catch (const ETYXGeoDBError&) {}
        try { db.RecalcIndexes(); } catch (const ETYXGeoDBError&) {}
        if (db.NumEntries() > 1) db.DeleteData(1);
    }
}

} // namespace tyx::test
