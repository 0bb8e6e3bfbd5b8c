// Interruptions: a scripted run of every kind of change is cut at each of its writes, renames and
// truncations (the write whole, torn or failed, the process then ended or carrying on), and the
// database must open with every acknowledged operation in it, the interrupted one wholly there or
// wholly absent, and no item twice. A disk that fills up fails the operation and loses nothing.
#include "geodb_test_util.h"

#include <algorithm>
#include <csignal>
#include <map>

#include "geodb/gdb_file.h"
#include "host/tyx_streams.h"

#include "tests/small_tmpfs.h"

#include <sys/resource.h>
#include <sys/wait.h>

namespace tyx::test {

namespace {

// What a database holds, item by item (its record without the block's place, and the block's
// bytes), in ItemId order; the header's description and revision.
struct TState {
    std::vector<std::pair<int32_t, std::string>> Items;
    std::string Description;
    int Revision = 0;
    bool operator==(const TState&) const = default;
};

std::string ItemImage(TGeoDB& Db, int Entry)
{
    TgdbData d = Db.GetSumdata(Entry);
    d.BlobOffset = 0;
    std::string s(reinterpret_cast<const char*>(&d), sizeof d);
    TgdbPolygon p;
    if (Db.RetrievePolygon(Entry, p)) s.append(reinterpret_cast<const char*>(p.data()), p.size() * sizeof(TSCoords));
    TMetaInfo m;
    TMemoryStream blob;
    if (d.ItemKind == gitBLOB && Db.RetrieveBLOB(Entry, m, blob)) {
        s.append(reinterpret_cast<const char*>(&m), sizeof m);
        s.append(reinterpret_cast<const char*>(blob.Memory()), static_cast<std::size_t>(blob.Size()));
    }
    return s;
}

TState StateOf(TGeoDB& Db)
{
    TState st;
    for (int e = 1; e <= Db.NumEntries(); ++e) st.Items.emplace_back(Db.GetSumdata(e).ItemId, ItemImage(Db, e));
    std::sort(st.Items.begin(), st.Items.end());
    st.Description = Db.Description();
    st.Revision = Db.Revision();
    return st;
}

// The indexes agree with the records: every item found by its number and by a box around it.
void ExpectIndexesAgree(TGeoDB& Db)
{
    for (int e = 1; e <= Db.NumEntries(); ++e) {
        const TgdbData d = Db.GetSumdata(e);
        EXPECT_EQ(Db.SearchForItemID(d.ItemId), e);
        if (d.LatLow <= d.LatHigh) {
            const auto found = Db.FindItemsInBox(d.LatLow, d.LatHigh, d.LongLow, d.LongHigh);
            EXPECT_TRUE(std::binary_search(found.begin(), found.end(), e)) << "entry " << e;
        }
    }
}

TMetaInfo Meta(const std::string& Caption)
{
    TMetaInfo m;
    m.Caption.Assign(Caption);
    m.Keywords.Assign("k");
    return m;
}

std::vector<uint8_t> Pattern(std::size_t N, uint8_t Seed)
{
    std::vector<uint8_t> v(N);
    for (std::size_t i = 0; i < N; ++i) v[i] = static_cast<uint8_t>(Seed + i * 7);
    return v;
}

using TStep = std::function<void(TGeoDB&)>;

// Every kind of change, each step one operation. Entry numbers follow from the steps before.
std::vector<TStep> Script(const std::string& Source)
{
    const auto blob1 = Pattern(40, 1), blob2 = Pattern(20000, 2);
    return {
        [](TGeoDB& db) { Town(db, "a", 10, 20); },
        [](TGeoDB& db) { db.AddBorder("b", Poly({{1, 2}, {3, 4}, {2, 6}}), true, 45000, 1, 0, 0, 0, 0, 5, 2, 3); },
        [blob1](TGeoDB& db) { db.AddBLOB("c", 45001, 0, 1, 2, 3, 4, 0, 0, 0, Meta("c"), blob1.data(), 40); },
        [](TGeoDB& db) { db.SetDescription("first description"); },
        // Index files written with every change are each replaced whole by a rename; a few steps of
        // that suffice, the others leave them to be healed.
        [](TGeoDB& db) { db.SetLazyWrite(true); },
        [](TGeoDB& db) { db.AddRiver("d", Poly({{5, 5}, {6, 7}}), 45002, 0, 0, 0, 0, 0, 0, 1, 0); },
        [](TGeoDB& db) { Town(db, "e", -10, -20); },
        [](TGeoDB& db) { db.ReplaceTown(1, "a2", 45003, 0, TSCoords{11, 21}, 0, 4, 0); },
        [](TGeoDB& db) { db.ReplaceBorder(2, "b2", Poly({{0, 0}, {9, 9}}), false, 45004, 0, 0, 0, 0, 0, 0, 0, 0); },
        [](TGeoDB& db) { db.DeleteData(1); },
        [](TGeoDB& db) { db.SetRevision(7); },
        [blob2](TGeoDB& db) { db.ReplaceBLOB(3, "c2", 45005, 0, 1, 2, 3, 4, 0, 0, 0, Meta("c2"), blob2.data(), 20000); },
        [](TGeoDB& db) { db.UpdateMetaInfo(3, Meta("c3")); },
        [](TGeoDB& db) {
            TgdbData d = db.GetSumdata(4);
            d.Name.Assign("d2");
            db.UpdateBasicData(4, d);
        },
        [](TGeoDB& db) { db.AddLake("f", Poly({{30, 30}, {31, 31}, {30, 32}}), 45006, 0, 0, 0, 0, 0, 0, 0, 0); },
        [](TGeoDB& db) { Town(db, "g", 40, 40); },
        [](TGeoDB& db) { db.DeleteData(db.NumEntries()); },
        [](TGeoDB& db) { db.SetLazyWrite(false); },
        [](TGeoDB& db) { db.GarbageCollection(); },
        [Source](TGeoDB& db) { db.AddBLOB(Source, "h", "orig/h.bin", 0, 0, 1, 1, 2, 2, 0, 0, 0, Meta("h")); },
        [](TGeoDB& db) { db.DeleteData(2); },
        [](TGeoDB& db) { db.SetDescription("second"); },
    };
}

// Counts the changes made to files; optionally interrupts the one numbered Cut.
struct TCutter {
    int Count = 0;
    int Cut = -1;
    gdb::TFault Fault;
    std::vector<bool> Tearable; // per change: a write of two bytes or more
    std::string CutName;
    gdb::TFault operator()(gdb::TFileChange C, const std::string& Name, std::size_t N)
    {
        Tearable.push_back(C == gdb::fcWrite && N >= 2);
        if (Count++ != Cut) return {};
        CutName = Name;
        gdb::TFault f = Fault;
        if (f.Bytes == SIZE_MAX) f.Bytes = N;     // whole
        if (f.Bytes == SIZE_MAX - 1) f.Bytes = N / 2; // torn
        return f;
    }
};

class Crash : public GeoDBTest {
protected:
    // Hundreds of small databases: in memory where the machine offers it.
    void SetUp() override
    {
        GeoDBTest::SetUp();
        if (std::filesystem::is_directory("/dev/shm")) {
            std::filesystem::remove_all(Dir);
            Dir = std::filesystem::path("/dev/shm") / Dir.filename();
            std::filesystem::create_directories(Dir);
            Base = (Dir / "db").string();
        }
    }

    std::string Source() const { return Path("source.bin"); }
    void WriteSource() const { WriteBytes(Source(), Pattern(30000, 9)); }
};

} // namespace

TEST_F(Crash, EveryCutLeavesAWholeDatabase)
{
    WriteSource();
    const auto steps = Script(Source());
    // A run without faults: the state after each step, the changes each step ends with, and the
    // highest item number handed out before it.
    std::vector<TState> after;
    std::vector<int> changesUpTo;
    std::vector<int32_t> highestBefore;
    std::vector<bool> tearable;
    {
        TCutter counter;
        gdb::SetFileFaultHook([&counter](gdb::TFileChange C, const std::string& N, std::size_t B) { return counter(C, N, B); });
        TGeoDB db;
        db.SetGDBName(Path("clean"));
        after.push_back(StateOf(db));
        changesUpTo.push_back(counter.Count);
        for (const auto& step : steps) {
            highestBefore.push_back(ReadSystemInformation(Path("clean")).HighestID);
            step(db);
            changesUpTo.push_back(counter.Count);
            after.push_back(StateOf(db));
        }
        gdb::SetFileFaultHook({});
        tearable = counter.Tearable;
    }
    ASSERT_GT(changesUpTo.back(), 60);

    enum TMode { mWhole, mTorn, mFailed };
    int cuts = 0;
    for (int cut = changesUpTo[0]; cut < changesUpTo.back(); ++cut) {
        const std::size_t step = static_cast<std::size_t>(
            std::upper_bound(changesUpTo.begin(), changesUpTo.end(), cut) - changesUpTo.begin() - 1);
        for (const TMode mode : {mWhole, mTorn, mFailed}) {
            if (mode == mTorn && !tearable[static_cast<std::size_t>(cut)]) continue; // the same as whole
            SCOPED_TRACE("change " + std::to_string(cut) + " in step " + std::to_string(step + 1) + ", mode " +
                         std::to_string(mode));
            const std::string base = Path("cut");
            for (const char* e : kAllExt) std::filesystem::remove(base + e);
            for (const auto& f : std::filesystem::directory_iterator(Dir))
                if (f.path().filename().string().rfind("cut.", 0) == 0) std::filesystem::remove(f.path());
            // Runs the steps with the cut in place; a failed change lets the same component go on,
            // the disk sound again, and add one more item. The code says how it ended. Only a
            // failed index file, derived from the summary, lets every step succeed.
            bool finished = false;
            std::string cutName;
            const auto run = [&] {
                int code = 1;
                try {
                    TCutter cutter;
                    cutter.Cut = cut;
                    cutter.Fault = mode == mFailed ? gdb::TFault{gdb::fkFail, 0}
                                                   : gdb::TFault{gdb::fkStop, mode == mWhole ? SIZE_MAX : SIZE_MAX - 1};
                    gdb::SetFileFaultHook([&cutter](gdb::TFileChange C, const std::string& N, std::size_t B) { return cutter(C, N, B); });
                    TGeoDB db;
                    db.SetGDBName(base);
                    try {
                        for (const auto& s : steps) s(db);
                        finished = true;
                        cutName = cutter.CutName;
                        code = 0;
                    } catch (const std::exception&) {
                        gdb::SetFileFaultHook({});
                        code = Town(db, "after", 50, 50) > 0 ? 0 : 2;
                    }
                } catch (...) {
                    code = 3;
                }
                gdb::SetFileFaultHook({});
                return code;
            };
            if (mode == mFailed) {
                ASSERT_EQ(run(), 0);
            } else {
                // A stop ends the process where it is, as a crash does: in a child.
                const pid_t pid = ::fork();
                ASSERT_GE(pid, 0);
                if (pid == 0) ::_exit(run());
                int status = 0;
                ASSERT_EQ(::waitpid(pid, &status, 0), pid);
                ASSERT_TRUE(WIFEXITED(status));
                ASSERT_EQ(WEXITSTATUS(status), gdb::kFaultStopCode);
            }
            ++cuts;

            TGeoDB db;
            ASSERT_NO_THROW(db.SetGDBName(base));
            TState st = StateOf(db);
            if (finished) {
                EXPECT_NE(cutName.find(".tyxgi"), std::string::npos) << cutName;
                ASSERT_TRUE(st == after.back());
                ExpectIndexesAgree(db);
                continue;
            }
            if (mode == mFailed) {
                const auto later = std::find_if(st.Items.begin(), st.Items.end(), [](const auto& it) {
                    return it.second.substr(offsetof(TgdbData, Name), 6) == std::string("\5after");
                });
                ASSERT_NE(later, st.Items.end());
                st.Items.erase(later);
            }
            for (std::size_t i = 1; i < st.Items.size(); ++i) ASSERT_NE(st.Items[i - 1].first, st.Items[i].first);
            ASSERT_TRUE(st == after[step] || st == after[step + 1]);
            ExpectIndexesAgree(db);
            // No number handed out before is given again.
            EXPECT_GE(ReadSystemInformation(base).HighestID, highestBefore[step]);
        }
    }
    EXPECT_EQ(cuts, 2 * (changesUpTo.back() - changesUpTo[0]) +
                        static_cast<int>(std::count(tearable.begin() + changesUpTo[0], tearable.end(), true)));
}

// A scripted batch of every kind of change, cut at each of its writes, renames and truncations
// (whole, torn or failed): the database opens as it was before BeginBatch or with the whole batch.
// A failed write rolls the batch back at once and says so.
TEST_F(Crash, EveryCutOfABatchLeavesItBeforeOrAfter)
{
    const auto big = Pattern(1500000, 5); // more than one block of buffered appends
    const auto prepare = [&big](const std::string& Base) {
        for (const char* e : kAllExt) std::filesystem::remove(Base + e);
        TGeoDB db;
        db.SetGDBName(Base);
        Town(db, "a", 1, 1);
        db.AddBorder("b", Poly({{1, 2}, {3, 4}}), true, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        db.AddBLOB("c", 0, 0, 1, 2, 3, 4, 0, 0, 0, Meta("c"), big.data(), 40);
        db.SetDescription("before");
    };
    const auto batch = [&big](TGeoDB& db) {
        db.BeginBatch();
        for (int i = 0; i < 50; ++i) Town(db, std::string("t").append(std::to_string(i)), static_cast<float>(i), 3);
        db.AddBLOB("big", 0, 0, 0, 0, 0, 0, 0, 0, 0, Meta("big"), big.data(), static_cast<int>(big.size()));
        db.ReplaceBorder(2, "b2", Poly({{0, 0}, {9, 9}}), false, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        db.UpdateMetaInfo(3, Meta("c2"));
        db.DeleteData(1);
        Town(db, "late", 6, 6);
        db.ReplaceTown(db.NumEntries() - 1, "t2", 0, 0, TSCoords{5, 5}, 0, 0, 0);
        db.SetDescription("after");
        db.CommitBatch();
    };
    TState before, after;
    int changes = 0;
    {
        prepare(Path("clean"));
        TGeoDB db;
        db.SetGDBName(Path("clean"));
        before = StateOf(db);
        TCutter counter;
        gdb::SetFileFaultHook([&counter](gdb::TFileChange C, const std::string& N, std::size_t B) { return counter(C, N, B); });
        batch(db);
        gdb::SetFileFaultHook({});
        changes = counter.Count;
        after = StateOf(db);
    }
    ASSERT_GT(changes, 10);
    ASSERT_FALSE(before == after);
    const std::string base = Path("cut");
    for (int cut = 0; cut < changes; ++cut) {
        for (const bool stop : {true, false}) {
            for (const bool torn : {false, true}) {
                if (!stop && torn) continue;
                SCOPED_TRACE("change " + std::to_string(cut) + (stop ? torn ? " torn" : " whole" : " failed"));
                prepare(base);
                TCutter cutter;
                cutter.Cut = cut;
                cutter.Fault = stop ? gdb::TFault{gdb::fkStop, torn ? SIZE_MAX - 1 : SIZE_MAX} : gdb::TFault{gdb::fkFail, 0};
                std::string message;
                const auto run = [&] {
                    gdb::SetFileFaultHook([&cutter](gdb::TFileChange C, const std::string& N, std::size_t B) { return cutter(C, N, B); });
                    try {
                        TGeoDB db;
                        db.SetGDBName(base);
                        batch(db);
                    } catch (const ETYXGeoDBError& e) {
                        message = e.what();
                    }
                    gdb::SetFileFaultHook({});
                };
                if (stop) {
                    const pid_t pid = ::fork();
                    ASSERT_GE(pid, 0);
                    if (pid == 0) {
                        run();
                        ::_exit(0);
                    }
                    int status = 0;
                    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
                    ASSERT_TRUE(WIFEXITED(status));
                    ASSERT_EQ(WEXITSTATUS(status), gdb::kFaultStopCode);
                } else {
                    run();
                }
                TGeoDB db;
                ASSERT_NO_THROW(db.SetGDBName(base));
                const TState st = StateOf(db);
                ASSERT_TRUE(st == before || st == after);
                ExpectIndexesAgree(db);
                // Only an index file, derived and written after the commit, lets a failed write pass.
                if (!stop && st == before) {
                    EXPECT_NE(message.find("the batch was "), std::string::npos) << message;
                }
                if (!stop && st == after) {
                    EXPECT_NE(cutter.CutName.find(".tyxgi"), std::string::npos) << cutter.CutName;
                }
            }
        }
    }
}

// A full disk (the size limit of a file reached) fails the add that meets it with an I/O error
// and leaves every item acknowledged before.
TEST_F(Crash, FullDiskFailsTheOperationAndKeepsTheRest)
{
    const std::string base = Path("full");
    {
        TGeoDB db;
        db.SetGDBName(base);
    }
    const auto blob = Pattern(5000, 3);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{40000, 40000};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        int acked = 0;
        try {
            TGeoDB db;
            db.SetGDBName(base);
            for (; acked < 100; ++acked) {
                std::string name = "b";
                name += std::to_string(acked);  // appended: GCC 12 warns of a false overlap on "b" + ...
                db.AddBLOB(name, 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, blob.data(), 5000);
            }
        } catch (const EInOutError& e) {
            if (std::string(e.what()).find("File too large") == std::string::npos) acked = 200;
        } catch (...) {
            acked = 201;
        }
        ::_exit(acked);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    const int acked = WEXITSTATUS(status);
    ASSERT_GT(acked, 0);
    ASSERT_LT(acked, 100);
    TGeoDB db;
    db.SetGDBName(base);
    ASSERT_EQ(db.NumEntries(), acked);
    for (int e = 1; e <= acked; ++e) {
        TMetaInfo m;
        std::vector<uint8_t> got(5000);
        ASSERT_TRUE(db.RetrieveBLOB(e, m, got.data(), 5000));
        EXPECT_EQ(got, blob);
    }
}

// The fault layer's full disk, filling up in the middle of a write: in the data or the summary file
// or the journal it fails the change and leaves every file as it was; in the index files, which
// are derived, the item is stored with a warning, opening (a torn record cut off too) needs no
// room, and the next opening with room heals them.
TEST_F(Crash, FullDiskFailsOnlyWhatItDidNotStore)
{
    const std::string base = Path("enospc");
    const TgdbPolygon ring = Poly({{1, 1}, {2, 2}, {3, 1}});
    const struct TUnhook {
        ~TUnhook() { gdb::SetFileFaultHook({}); }
    } unhook;
    TGeoDB db;
    db.SetGDBName(base);
    Town(db, "a", 1, 1);
    const auto failWrites = [](const std::string& Name, std::size_t Count) {
        gdb::SetFileFaultHook([Name, Count](gdb::TFileChange C, const std::string& N, std::size_t B) {
            return C == gdb::fcWrite && N.find(Name) != std::string::npos && (Count == 0 || B == Count)
                       ? gdb::TFault{gdb::fkFail, B / 2}
                       : gdb::TFault{};
        });
    };
    const auto add = [&] { db.AddBorder("b", ring, true, 0, 0, 0, 0, 0, 0, 0, 0, 0); };
    const auto replace = [&] { db.ReplaceBorder(1, "b", ring, true, 0, 0, 0, 0, 0, 0, 0, 0, 0); };
    const auto erase = [&] { db.DeleteData(1); };
    const struct {
        const char* What;
        std::string File;
        std::size_t Count;
        std::function<void()> Change;
    } cases[] = {
        {"an add's block", ".tyxgdd", 24, add},
        {"an add's record", ".tyxgds", 120, add},
        {"a replace's journal", ".journal", 0, replace},
        {"a delete's journal", ".journal", 0, erase},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const auto sum = Bytes(base + ".tyxgds");
        const int64_t data = SizeOf(base + ".tyxgdd");
        failWrites(c.File, c.Count);
        EXPECT_THROW(c.Change(), EInOutError);
        gdb::SetFileFaultHook({});
        EXPECT_EQ(Bytes(base + ".tyxgds"), sum);
        EXPECT_EQ(SizeOf(base + ".tyxgdd"), data);
        EXPECT_FALSE(std::filesystem::exists(base + ".tyxgds.journal"));
        EXPECT_EQ(db.NumEntries(), 1);
        EXPECT_EQ(db.GetSumdata(1).ItemKind, gitTown);
    }
    failWrites(".tyxgi", 0);
    EXPECT_EQ(db.AddBorder("b", ring, true, 0, 0, 0, 0, 0, 0, 0, 0, 0), 2);
    ASSERT_EQ(db.Warnings().size(), 1u);
    EXPECT_NE(db.Warnings()[0].find("No space left on device"), std::string::npos) << db.Warnings()[0];
    {
        TGeoDB reader;
        ASSERT_NO_THROW(reader.SetGDBName(base));
        ASSERT_EQ(reader.OpenReport().size(), 1u);
        EXPECT_NE(reader.OpenReport()[0].find("index files \"" + base + ".tyxgi0\", "), std::string::npos);
        EXPECT_EQ(reader.SearchForItemID(reader.GetSumdata(2).ItemId), 2);
        ExpectIndexesAgree(reader);
    }
    gdb::SetFileFaultHook({});
    {
        TGeoDB healed;
        healed.SetGDBName(base);
        EXPECT_TRUE(healed.OpenReport().empty());
        EXPECT_EQ(healed.NumEntries(), 2);
        for (int k = 0; k < 5; ++k) EXPECT_EQ(SizeOf(base + kAllExt[k]), 16) << kAllExt[k];
    }
    auto sum = Bytes(base + ".tyxgds");
    sum.resize(sum.size() + 7);
    WriteBytes(base + ".tyxgds", sum);
    failWrites("", 0);
    TGeoDB torn;
    ASSERT_NO_THROW(torn.SetGDBName(base));
    ASSERT_EQ(torn.OpenReport().size(), 1u);
    EXPECT_NE(torn.OpenReport()[0].find("7 bytes of a record that was never completed"), std::string::npos);
    EXPECT_EQ(SizeOf(base + ".tyxgds"), 240);
}

// A real full file system, a small tmpfs where the test may mount one: each add is stored or fails
// leaving nothing, reading needs no room, and once there is room the index files are healed.
TEST_F(Crash, RealFullDiskStoresOrFailsWhole)
{
    const std::string mnt = Path("tmpfs");
    std::filesystem::create_directory(mnt);
    const TSmallTmpfs fs(mnt);
    if (!fs.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here: " << fs.Error();
    const std::string base = mnt + "/db";
    TGeoDB db;
    db.SetGDBName(base);
    int acked = 0;
    const auto town = [&db, &acked] { return Town(db, "t", static_cast<float>(acked % 80), static_cast<float>(acked % 170)); };
    for (; acked < 3; ++acked) town();
    ASSERT_TRUE(fs.Fill("filler"));
    const int64_t data = SizeOf(base + ".tyxgdd");
    TgdbPolygon big(3000, TSCoords{5, 5});
    EXPECT_THROW(db.AddRiver("big", big, 0, 0, 0, 0, 0, 0, 0, 0, 0), EInOutError);
    EXPECT_EQ(SizeOf(base + ".tyxgdd"), data);
    // Towns need no block: they go into the summary's last page, the index files lagging, until it is full.
    std::string failure;
    for (; failure.empty() && acked < 500; ++acked) {
        try {
            town();
        } catch (const EInOutError& e) {
            failure = e.what();
            --acked;
        }
    }
    EXPECT_NE(failure.find("No space left on device"), std::string::npos) << failure;
    EXPECT_FALSE(db.Warnings().empty());
    EXPECT_EQ(SizeOf(base + ".tyxgds"), acked * 120);
    {
        TGeoDB reader;
        ASSERT_NO_THROW(reader.SetGDBName(base));
        EXPECT_EQ(reader.NumEntries(), acked);
        EXPECT_FALSE(reader.OpenReport().empty());
        EXPECT_EQ(reader.FindItemsInBox(-90, 90, -180, 180).size(), static_cast<std::size_t>(acked));
    }
    std::filesystem::remove(mnt + "/filler");
    TGeoDB healed;
    healed.SetGDBName(base);
    EXPECT_TRUE(healed.OpenReport().empty());
    EXPECT_EQ(healed.NumEntries(), acked);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(SizeOf(base + kAllExt[k]), acked * 8) << kAllExt[k];
}

} // namespace tyx::test
