// Two programs on one database: each takes in what the other wrote before it writes, so nothing is
// lost or doubled, and a third that opens the database meanwhile never finds a half-written record.
#include "geodb_test_util.h"

#include <functional>
#include <set>

#include <sys/wait.h>

namespace tyx::test {

namespace {
class Shared : public GeoDBTest {};
} // namespace

TEST_F(Shared, TwoWritersLoseNothing)
{
    constexpr int kEach = 10000;
    {
        TGeoDB db;
        db.SetGDBName(Base);
    }
    std::vector<pid_t> writers;
    for (const char* prefix : {"a", "b"}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int code = 0;
            try {
                TGeoDB db;
                db.SetGDBName(Base);
                db.SetLazyWrite(true);
                for (int i = 0; i < kEach; ++i)
                    if (Town(db, prefix + std::to_string(i), static_cast<float>(i % 180 - 90), static_cast<float>(i % 360 - 180)) < 1)
                        code = 1;
                // Some changes in place too, which the other program must notice.
                db.ReplaceTown(1, db.GetSumdata(1).Name.Str(), 1, 0, ExtractLocation(db.GetSumdata(1)), 0, 9, 0);
            } catch (...) {
                code = 2;
            }
            ::_exit(code);
        }
        writers.push_back(pid);
    }
    // Meanwhile a reader opens the database now and then: it must never find anything to mend.
    int lastCount = 0, reads = 0, running = 2;
    while (running > 0) {
        if (reads < 10) {
            TGeoDB db;
            db.SetGDBName(Base);
            EXPECT_TRUE(db.OpenReport().empty()) << db.OpenReport()[0];
            EXPECT_GE(db.NumEntries(), lastCount);
            lastCount = db.NumEntries();
            ++reads;
        }
        for (pid_t& p : writers) {
            int status = 0;
            if (p > 0 && ::waitpid(p, &status, WNOHANG) == p) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
                p = 0;
                --running;
            }
        }
        ::usleep(100000);
    }
    // The writer that closed last took in the other's records before it wrote its index files.
    const auto sum = Bytes(File(".tyxgds")), ix0 = Bytes(File(".tyxgi0"));
    ASSERT_EQ(ix0.size(), 8u * 2 * kEach);
    int astray = 0;
    for (std::size_t p = 0; p < ix0.size(); p += 8)
        astray += At<int32_t>(sum, 120 * static_cast<std::size_t>(At<int32_t>(ix0, p + 4))) != At<int32_t>(ix0, p);
    EXPECT_EQ(astray, 0);
    TGeoDB db;
    db.SetGDBName(Base);
    ASSERT_EQ(db.NumEntries(), 2 * kEach);
    std::set<std::string> names;
    std::set<int32_t> ids;
    int reclassed = 0;
    for (int e = 1; e <= db.NumEntries(); ++e) {
        const TgdbData d = db.GetSumdata(e);
        names.insert(d.Name.Str());
        ids.insert(d.ItemId);
        reclassed += d.ClassFlag == 9;
        ASSERT_EQ(db.SearchForItemID(d.ItemId), e);
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(2 * kEach));
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(2 * kEach));
    EXPECT_EQ(*ids.rbegin(), 2 * kEach);
    EXPECT_GE(reclassed, 1);
    EXPECT_EQ(db.FindItemsInBox(-90, 90, -180, 180).size(), static_cast<std::size_t>(2 * kEach));
    EXPECT_GT(reads, 0);
}

// A second component on the same database sees each kind of change of the first at its next
// operation, whether the files grew, shrank, changed in place or were replaced.
TEST_F(Shared, AnotherProgramsChangeIsSeenBeforeTheNextOperation)
{
    struct TCase {
        const char* What;
        std::function<void(TGeoDB&)> Change;
        std::function<void(TGeoDB&)> Check;
    };
    const TCase cases[] = {
        {"add", [](TGeoDB& a) { Town(a, "new", 5, 5); }, [](TGeoDB& b) { EXPECT_EQ(b.SearchData("new"), 4); }},
        {"replace in place", [](TGeoDB& a) { a.ReplaceTown(1, "renamed", 0, 0, TSCoords{1, 1}, 0, 0, 0); },
         [](TGeoDB& b) { EXPECT_EQ(b.GetSumdata(1).Name.Str(), "renamed"); }},
        {"delete", [](TGeoDB& a) { a.DeleteData(1); },
         [](TGeoDB& b) {
             EXPECT_EQ(b.NumEntries(), 2);
             EXPECT_EQ(b.SearchForItemID(1), 0);
             EXPECT_EQ(b.SearchForItemID(3), 1);
         }},
        {"collection", [](TGeoDB& a) {
             a.ReplaceRiver(2, "r", Poly({{7, 7}, {8, 8}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
             a.GarbageCollection();
         },
         [](TGeoDB& b) {
             TgdbPolygon p;
             ASSERT_TRUE(b.RetrievePolygon(2, p));
             ASSERT_EQ(p.size(), 2u);
             EXPECT_EQ(p[1].Latit, 8);
         }},
        {"description", [](TGeoDB& a) { a.SetDescription("theirs"); }, [](TGeoDB& b) { EXPECT_EQ(b.Description(), "theirs"); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        for (const char* e : kAllExt) std::filesystem::remove(File(e));
        TGeoDB a, b;
        a.SetGDBName(Base);
        Town(a, "t", 1, 1);
        a.AddRiver("r", Poly({{1, 2}, {3, 4}, {5, 6}}), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        Town(a, "u", 2, 2);
        b.SetGDBName(Base);
        c.Change(a);
        b.SetRevision(b.Revision() + 1); // any operation that touches the files
        c.Check(b);
        EXPECT_TRUE(b.OpenReport().empty());
        // And the first sees the second's change in turn, nothing lost on either side.
        TgdbPolygon p;
        a.RetrievePolygon(1, p);
        EXPECT_EQ(a.Revision(), 1);
        EXPECT_EQ(a.NumEntries(), b.NumEntries());
    }
}

} // namespace tyx::test
