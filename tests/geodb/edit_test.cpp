// Adding, replacing and deleting items, the header setters, LazyWrite, progress and messages.
#include "geodb_test_util.h"

#include "geodb/gdb_file.h"

namespace tyx::test {

namespace {

class Edit : public GeoDBTest {};

std::vector<std::vector<uint8_t>> IndexFiles(const std::string& Base)
{
    std::vector<std::vector<uint8_t>> v;
    for (int k = 0; k < 5; ++k) v.push_back(Bytes(Base + kAllExt[k]));
    return v;
}

} // namespace

TEST_F(Edit, PolygonBoxesComeFromThePoints)
{
    TGeoDB db;
    db.SetGDBName(Base);
    db.AddBorder("b", Poly({{10, 20}, {12, 25}, {11, 18}}), false, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    TgdbData d = db.GetSumdata(1);
    EXPECT_EQ(d.LatLow, 10);
    EXPECT_EQ(d.LatHigh, 12);
    EXPECT_EQ(d.LongLow, 18);
    EXPECT_EQ(d.LongHigh, 25);
    EXPECT_FALSE(d.Closed);

    const int64_t len = SizeOf(File(".tyxgdd"));
    db.AddLake("l", {}, 0, 0, 1, 2, 3, 4, 0, 0, 0);
    d = db.GetSumdata(2);
    EXPECT_EQ(d.NumPoints, 0);
    EXPECT_EQ(d.BlobOffset, len);
    EXPECT_EQ(d.LatLow, 90);
    EXPECT_EQ(d.LatHigh, -90);
    EXPECT_EQ(d.LongLow, 180);
    EXPECT_EQ(d.LongHigh, -180);
    EXPECT_TRUE(d.Closed);
    EXPECT_EQ(SizeOf(File(".tyxgdd")), len);

    // A BLOB keeps the box its caller gives.
    const uint8_t one = 1;
    db.AddBLOB("x", 0, 0, -1, 1, -2, 2, 0, 0, 0, TMetaInfo{}, &one, 1);
    d = db.GetSumdata(3);
    EXPECT_EQ(d.LatLow, -1);
    EXPECT_EQ(d.LongHigh, 2);
}

TEST_F(Edit, NumbersAreNeverReusedAndDeletionFillsTheHole)
{
    TGeoDB db;
    db.SetGDBName(Base);
    ASSERT_EQ(Town(db, "a", 1, 1), 1);
    EXPECT_EQ(db.GetSumdata(1).ItemId, 1);
    db.DeleteData(1);
    EXPECT_EQ(db.NumEntries(), 0);
    EXPECT_EQ(SizeOf(File(".tyxgds")), 0);
    ASSERT_EQ(Town(db, "b", 2, 2), 1);
    EXPECT_EQ(db.GetSumdata(1).ItemId, 2);
    Town(db, "c", 3, 3);
    Town(db, "d", 4, 4);
    const auto three = Bytes(File(".tyxgds"));
    const std::vector<uint8_t> lastRecord(three.begin() + 240, three.end());

    db.DeleteData(1);
    ASSERT_EQ(db.NumEntries(), 2);
    EXPECT_EQ(db.GetSumdata(1).Name.Str(), "d");
    EXPECT_EQ(db.GetSumdata(1).ItemId, 4);
    EXPECT_EQ(db.SearchForItemID(4), 1);
    EXPECT_EQ(db.SearchForItemID(2), 0);
    const auto sum = Bytes(File(".tyxgds"));
    ASSERT_EQ(sum.size(), 240u);
    EXPECT_TRUE(std::equal(lastRecord.begin(), lastRecord.end(), sum.begin()));
    for (int k = 0; k < 5; ++k) EXPECT_EQ(SizeOf(File(kAllExt[k])), 16) << k;
    EXPECT_EQ(db.GetIxLatLow(2).index, 1) << "the moved record keeps its place in the index";
    EXPECT_EQ(db.GetIxLatLow(1).index, 2);
    EXPECT_EQ(At<int32_t>(Bytes(File(".tyxgdd")), 0), 4);

    // Deleting the last entry only shortens.
    db.DeleteData(2);
    EXPECT_EQ(db.NumEntries(), 1);
    EXPECT_EQ(db.GetSumdata(1).ItemId, 4);
    EXPECT_EQ(SizeOf(File(".tyxgds")), 120);
    // Out of range does nothing.
    db.DeleteData(0);
    db.DeleteData(2);
    EXPECT_EQ(db.NumEntries(), 1);
    EXPECT_EQ(Town(db, "e", 5, 5), 2);
    EXPECT_EQ(db.GetSumdata(2).ItemId, 5);
}

TEST_F(Edit, ReplaceKeepsNumberAndIdAndAppendsABlock)
{
    TGeoDB db;
    db.SetGDBName(Base);
    Town(db, "a", 5, 5);
    db.AddRiver("r", Poly({{1, 1}, {2, 2}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    Town(db, "c", 3, 3);
    const int64_t len = SizeOf(File(".tyxgdd"));
    db.ReplaceRoad(2, "road", Poly({{9, 9}, {8, 7}, {7, 8}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    const TgdbData d = db.GetSumdata(2);
    EXPECT_EQ(d.ItemId, 2);
    EXPECT_EQ(d.ItemKind, gitRoad);
    EXPECT_EQ(d.BlobOffset, len);
    EXPECT_EQ(SizeOf(File(".tyxgdd")), len + 24);
    EXPECT_EQ(db.NumEntries(), 3);
    EXPECT_EQ(db.GetIxLatLow(3).index, 2);
    EXPECT_EQ(db.GetIxLatLow(3).LLValue, 7);
    EXPECT_EQ(At<int32_t>(Bytes(File(".tyxgds")), 120 + 76), len);
    for (int p = 1; p < 3; ++p) EXPECT_LE(db.GetIxLongHigh(p).LLValue, db.GetIxLongHigh(p + 1).LLValue);

    // The kind may change; the entry stays.
    db.ReplaceLake(1, "lake", Poly({{0, 0}, {1, 1}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(db.GetSumdata(1).ItemKind, gitLake);
    EXPECT_EQ(db.GetSumdata(1).ItemId, 1);
    db.ReplaceTown(9, "nothing", 0, 0, TSCoords{}, 0, 0, 0);
    EXPECT_EQ(db.NumEntries(), 3);
}

TEST_F(Edit, NamesAndDescriptionAreCut)
{
    TGeoDB db;
    db.SetDescription("not kept");
    db.SetRevision(5);
    EXPECT_EQ(db.Description(), "");
    EXPECT_EQ(db.Revision(), 0);
    db.SetGDBName(Base);
    const std::string name70(70, 'n');
    Town(db, name70, 0, 0);
    EXPECT_EQ(db.GetSumdata(1).Name.Str(), std::string(59, 'n'));
    EXPECT_EQ(Bytes(File(".tyxgds"))[4], 59);
    Town(db, "Zürich", 0, 0);
    EXPECT_EQ(Bytes(File(".tyxgds"))[120 + 6], 0xFC) << "stored as Windows-1252";
    EXPECT_EQ(db.GetSumdata(2).Name.Str(), "Zürich");

    std::string desc;
    for (int i = 0; i < 80; ++i) desc += static_cast<char>('a' + i % 26);
    db.SetDescription(desc);
    EXPECT_EQ(db.Description(), desc.substr(0, 60));
    db.SetRevision(-7);
    const auto h = Bytes(File(".tyxgdd"));
    EXPECT_EQ(h[8], 60);
    EXPECT_EQ(std::string(h.begin() + 9, h.begin() + 69), desc.substr(0, 60));
    EXPECT_EQ(At<int32_t>(h, 72), -7);
    db.SetGDBName("");
    EXPECT_EQ(db.Description(), "");
    EXPECT_EQ(db.GetGDBName(), "");
    EXPECT_EQ(db.NumEntries(), 0);
}

TEST_F(Edit, LazyWriteDefersTheIndexFiles)
{
    const auto addSome = [](TGeoDB& db) {
        db.SetLazyWrite(true);
        Town(db, "a", 2, 2);
        db.AddRiver("r", Poly({{1, 1}, {3, 0}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        db.DeleteData(1);
        Town(db, "b", 0, 5);
    };
    const auto expectWritten = [&](const std::string& base, int64_t entries) {
        for (int k = 0; k < 5; ++k) EXPECT_EQ(SizeOf(base + kAllExt[k]), 8 * entries) << k;
    };
    TGeoDB db;
    db.SetGDBName(Base);
    Town(db, "first", 9, 9);
    const auto before = IndexFiles(Base);
    addSome(db);
    EXPECT_EQ(IndexFiles(Base), before) << "unchanged while lazy";
    EXPECT_EQ(SizeOf(File(".tyxgds")), 360) << "the summary is written at once";
    db.SetLazyWrite(false);
    expectWritten(Base, 3);

    // Clearing the name writes them too, and LazyWrite is off afterwards.
    addSome(db);
    db.SetGDBName("");
    EXPECT_EQ(SizeOf(File(".tyxgi0")), 40);
    EXPECT_FALSE(db.LazyWrite());

    // Opening another database writes those of the first; LazyWrite stays on.
    const std::string other = Path("other");
    db.SetGDBName(other);
    db.SetGDBName(Base);
    addSome(db);
    db.SetGDBName(other);
    EXPECT_TRUE(db.LazyWrite());
    EXPECT_EQ(SizeOf(File(".tyxgi3")), 56);

    // Destroying the component writes them.
    {
        TGeoDB last;
        last.SetGDBName(other);
        addSome(last);
        EXPECT_EQ(SizeOf(other + ".tyxgi0"), 0);
    }
    expectWritten(other, 2);
    TGeoDB check;
    check.SetGDBName(other);
    EXPECT_EQ(check.NumEntries(), 2);
    EXPECT_EQ(check.GetIxLongLow(1).LLValue, 0);
}

TEST_F(Edit, ProgressOfAddsAndSwitches)
{
    TGeoDB db;
    std::vector<int> seen;
    db.OnPercentDone = [&](TObject* Sender, int p) {
        EXPECT_EQ(Sender, &db);
        seen.push_back(p);
    };
    EXPECT_EQ(Town(db, "none", 0, 0), -1) << "no database open";
    EXPECT_TRUE(seen.empty());
    db.SetGDBName(Base);
    db.AddRiver("r", Poly({{0, 0}, {1, 1}, {2, 2}, {3, 3}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(seen, (std::vector<int>{0, 0, 25, 50, 75, 100}));
    seen.clear();
    // 0·100/8 ... 7·100/8 = 0, 12.5, 25, 37.5, 50, 62.5, 75, 87.5: halves go to the even neighbour
    db.ReplaceRoute(1, "r", Poly({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(seen, (std::vector<int>{0, 0, 12, 25, 38, 50, 62, 75, 88, 100}));
    seen.clear();
    Town(db, "t", 0, 0);
    EXPECT_EQ(seen, (std::vector<int>{0, 100}));
    seen.clear();
    db.DeleteData(1);
    db.SetDescription("d");
    db.SearchData("t");
    EXPECT_TRUE(seen.empty());
    db.SetOnPercDoneEnabled(false);
    Town(db, "t", 0, 0);
    db.AddRiver("r", Poly({{0, 0}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(seen.empty());
}

TEST_F(Edit, HeaderWriteFailuresGiveTheMessages)
{
    TGeoDB db;
    db.SetName("geo");
    db.SetGDBName(Base);
    Town(db, "a", 1, 1);
    // Every write fails, as on a disk that broke (a missing data file would be created anew).
    gdb::SetFileFaultHook([](gdb::TFileChange, const std::string&, std::size_t) { return gdb::TFault{gdb::fkFail, 0}; });
    const auto sum = Bytes(File(".tyxgds"));
    const auto expectMessage = [](auto&& fn, const std::string& msg) {
        try {
            fn();
            ADD_FAILURE() << "no exception for " << msg;
        } catch (const ETYXGeoDBError& e) {
            EXPECT_EQ(std::string(e.what()), msg);
        }
    };
    expectMessage([&] { Town(db, "b", 2, 2); }, "Component \"geo\": AddData: cannot open database.");
    expectMessage([&] { db.SetDescription("x"); }, "Component \"geo\": SetDescription: cannot open database.");
    expectMessage([&] { db.SetRevision(3); }, "Component \"geo\": SetRevision: cannot open database.");
    gdb::SetFileFaultHook({});
    EXPECT_EQ(Bytes(File(".tyxgds")), sum);
    EXPECT_EQ(db.NumEntries(), 1);
}

TEST_F(Edit, BadInputIsRefusedAndChangesNothing)
{
    TGeoDB db;
    db.SetGDBName(Base);
    Town(db, "a", 1, 1);
    std::vector<std::vector<uint8_t>> before;
    for (const char* e : kAllExt) before.push_back(Bytes(File(e)));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_THROW(Town(db, "nan", nan, 0), ETYXGeoDBError);
    EXPECT_THROW(db.AddData("k", {}, false, static_cast<TgdbItem>(20), 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr, 0, false),
                 ETYXGeoDBError);
    EXPECT_THROW(db.AddBLOB("neg", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr, -5), ETYXGeoDBError);
    EXPECT_THROW(db.AddBLOB("null", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr, 5), ETYXGeoDBError);
    EXPECT_THROW(db.ReplaceTown(1, "nan", 0, 0, TSCoords{0, nan}, 0, 0, 0), ETYXGeoDBError);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(Bytes(File(kAllExt[k])), before[static_cast<std::size_t>(k)]) << kAllExt[k];
    EXPECT_EQ(db.NumEntries(), 1);
}

TEST_F(Edit, UpdateBasicDataKeepsIdAndBlock)
{
    TGeoDB db;
    db.SetGDBName(Base);
    db.AddRiver("r", Poly({{1, 1}, {2, 2}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    Town(db, "t", 5, 5);
    TgdbData d = db.GetSumdata(1);
    d.ItemId = 77;
    d.BlobOffset = 5;
    d.NumPoints = 1000;
    d.ItemKind = gitRoad;
    d.Name = "renamed";
    d.LatLow = 9;
    d.ClassFlag = 4;
    db.UpdateBasicData(1, d);
    const TgdbData u = db.GetSumdata(1);
    EXPECT_EQ(u.ItemId, 1);
    EXPECT_EQ(u.BlobOffset, 260);
    EXPECT_EQ(u.NumPoints, 2);
    EXPECT_EQ(u.ItemKind, gitRoad);
    EXPECT_EQ(u.ClassFlag, 4);
    EXPECT_EQ(db.GetIxLatLow(2).index, 1) << "re-sorted: 9 is above the town's 5";
    const auto r = Bytes(File(".tyxgds"));
    EXPECT_EQ(r[4], 7);
    EXPECT_EQ(r[4 + 8], ' ');
    EXPECT_EQ(At<float>(r, 92), 9);
    EXPECT_EQ(At<int32_t>(Bytes(File(".tyxgi1")), 12), 0);
    TgdbPolygon p;
    ASSERT_TRUE(db.RetrievePolygon(1, p));
    EXPECT_EQ(p.size(), 2u);

    d.ItemKind = gitTown;
    EXPECT_THROW(db.UpdateBasicData(1, d), ETYXGeoDBError);
    TgdbData t = db.GetSumdata(2);
    t.ItemKind = gitUndefined;
    db.UpdateBasicData(2, t);
    EXPECT_EQ(db.GetSumdata(2).ItemKind, gitUndefined);
    t.ItemKind = gitBLOB;
    EXPECT_THROW(db.UpdateBasicData(2, t), ETYXGeoDBError);
}

// A single add under LazyWrite: the summary file opened once for the lock and the record, its stamp
// before and after, nothing of the data file or the index files (15 to 17 calls before it was pared).
TEST_F(Edit, ASingleLazyAddMakesFewSystemCalls)
{
    TGeoDB db;
    db.SetGDBName(Base);
    db.SetLazyWrite(true);
    Town(db, "a", 1, 1);
    const uint64_t before = gdb::FileCallCount();
    Town(db, "b", 2, 2);
    EXPECT_LE(gdb::FileCallCount() - before, 7u);
    // The counter reaches the file with the index files, and never lags a delete.
    EXPECT_EQ(ReadSystemInformation(Base).HighestID, 0);
    db.DeleteData(2);
    EXPECT_EQ(ReadSystemInformation(Base).HighestID, 2);
    Town(db, "c", 3, 3);
    db.SetLazyWrite(false);
    EXPECT_EQ(ReadSystemInformation(Base).HighestID, 3);
}

// Inside a batch the changes are visible to the component at once, reach the index files only at
// the commit, and a rollback (explicit, by the guard, by reopening) leaves the files and the
// memory as before BeginBatch; a second BeginBatch names the rule.
TEST_F(Edit, BatchesCommitOrLeaveNothing)
{
    TGeoDB db;
    db.SetName("geo");
    db.SetGDBName(Base);
    Town(db, "old1", 1, 1);
    db.AddRiver("old2", Poly({{1, 1}, {2, 2}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    db.SetDescription("before");
    std::vector<std::vector<uint8_t>> files;
    for (const char* e : kAllExt) files.push_back(Bytes(File(e)));
    const auto changeAll = [&] {
        for (int i = 0; i < 300; ++i) Town(db, std::string("t").append(std::to_string(i)), static_cast<float>(i % 80), 5);
        db.AddBLOB("big", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, std::vector<uint8_t>(1500000, 7).data(), 1500000);
        db.ReplaceTown(1, "new1", 0, 0, TSCoords{3, 3}, 0, 0, 0);
        db.DeleteData(2);
        Town(db, "late", 4, 4); // appended after the summary file was cut
        db.SetDescription("after");
        TgdbPolygon p;
        EXPECT_FALSE(db.RetrievePolygon(2, p)); // the last item, the BLOB, took the river's entry
        EXPECT_EQ(db.SearchData("big"), 2);
    };
    const auto expectBefore = [&](const char* How) {
        SCOPED_TRACE(How);
        for (std::size_t k = 0; k < 7; ++k) EXPECT_EQ(Bytes(File(kAllExt[k])), files[k]) << kAllExt[k];
        EXPECT_FALSE(std::filesystem::exists(File(".tyxgds.journal")));
        EXPECT_FALSE(db.InBatch());
        EXPECT_EQ(db.NumEntries(), 2);
        EXPECT_EQ(db.GetSumdata(1).Name.Str(), "old1");
        EXPECT_EQ(db.Description(), "before");
        EXPECT_EQ(db.SearchData("t0"), 0);
    };

    db.BeginBatch();
    try {
        db.BeginBatch();
        ADD_FAILURE() << "a nested batch";
    } catch (const ETYXGeoDBError& e) {
        EXPECT_NE(std::string(e.what()).find("batches do not nest"), std::string::npos) << e.what();
    }
    changeAll();
    EXPECT_THROW(db.GarbageCollection(), ETYXGeoDBError);
    db.RollbackBatch();
    expectBefore("rolled back");
    try {
        TGeoDBBatch batch(db);
        changeAll();
        throw std::runtime_error("stop");
    } catch (const std::runtime_error&) {
    }
    expectBefore("guard left by an exception");
    db.BeginBatch();
    changeAll();
    db.SetGDBName(Base);
    expectBefore("reopened");
    EXPECT_THROW(db.CommitBatch(), ETYXGeoDBError);

    {
        TGeoDBBatch batch(db);
        changeAll();
        EXPECT_EQ(Bytes(File(".tyxgi0")), files[0]) << "index files wait for the commit";
        batch.Commit();
    }
    EXPECT_EQ(SizeOf(File(".tyxgi0")), 8 * 303);
    TGeoDB other;
    other.SetGDBName(Base);
    EXPECT_TRUE(other.OpenReport().empty());
    EXPECT_EQ(other.NumEntries(), 303);
    EXPECT_EQ(other.GetSumdata(303).Name.Str(), "late");
    EXPECT_EQ(other.Description(), "after");
    EXPECT_EQ(other.GetSumdata(1).Name.Str(), "new1");
    std::vector<uint8_t> blob(1500000);
    TMetaInfo m;
    ASSERT_TRUE(other.RetrieveBLOB(other.SearchData("big"), m, blob.data(), 1500000));
    EXPECT_EQ(blob, std::vector<uint8_t>(1500000, 7));
    EXPECT_EQ(ReadSystemInformation(Base).HighestID, 304);
}

} // namespace tyx::test
