// Two programs on one database: each takes in what the other wrote before it writes, so nothing is
// lost or doubled, and a third that opens the database meanwhile never finds a half-written record.
#include "geodb_test_util.h"

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
    // Meanwhile a reader opens the database again and again: it must never find anything to mend.
    int lastCount = 0, reads = 0, running = 2;
    while (running > 0) {
        {
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
        ::usleep(200000);
    }
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

} // namespace tyx::test
