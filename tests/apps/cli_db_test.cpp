// tyxgeo db: every subcommand once, with a wrong kind and a missing database.
#include "cli_run.h"
#include "tests/small_tmpfs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& Text)
{
    std::vector<std::string> v;
    std::istringstream in(Text);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

std::string Slurp(const std::string& Name)
{
    std::ifstream f(Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(CliDb, CreateAddQueryAndTidy)
{
    const std::string dir = CliTempDir();
    const std::string base = dir + "/alps";
    auto r = RunTyxgeo({"db", "create", base});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "entries 0\n");
    EXPECT_TRUE(std::filesystem::exists(base + ".tyxgdd"));

    r = RunTyxgeo({"db", "add", base, "town", "Innsbruck", "47.27,11.39", "--class", "3", "--tag", "12",
                   "--altitude", "574", "--date", "2024-03-01T10:20:30"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "1\n");
    r = RunTyxgeo({"db", "add", base, "river", "Inn", "47.5,11", "47.2,11.5", "47.0,12.2"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "2\n");
    r = RunTyxgeo({"db", "add", base, "lake", "Achensee", "47.4,11.7", "47.5,11.72", "47.45,11.75", "--closed"});
    EXPECT_EQ(r.Out, "3\n");

    r = RunTyxgeo({"db", "list", base});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto rows = Lines(r.Out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "1\t1\tTown\tInnsbruck\t3\t47.27\t47.27\t11.39\t11.39\t1");
    EXPECT_EQ(rows[1], "2\t2\tRiver\tInn\t0\t47\t47.5\t11\t12.2\t3");

    r = RunTyxgeo({"db", "box", base, "47.1", "47.3", "11.3", "11.4"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    ASSERT_EQ(Lines(r.Out).size(), 2u);
    EXPECT_EQ(Lines(r.Out)[0].substr(0, 2), "1\t");
    EXPECT_EQ(Lines(r.Out)[1].substr(0, 2), "2\t");

    r = RunTyxgeo({"db", "points", base, "2"});
    EXPECT_EQ(r.Out, "47.5 11\n47.2 11.5\n47 12.2\n");
    r = RunTyxgeo({"db", "points", base, "1"});
    EXPECT_EQ(r.Out, "47.27 11.39\n");

    const std::string src = dir + "/notes.txt";
    std::ofstream(src, std::ios::binary) << "hello alps";
    r = RunTyxgeo({"db", "add-blob", base, src, "--name", "notes", "--box", "47,48,11,12"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "4\n");
    r = RunTyxgeo({"db", "get-blob", base, "4", dir + "/back.txt"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(Slurp(dir + "/back.txt"), "hello alps");
    EXPECT_EQ(Lines(RunTyxgeo({"db", "list", base}).Out)[3], "4\t4\tBLOB\tnotes\t0\t47\t48\t11\t12\t10");

    r = RunTyxgeo({"db", "set", base, "--description", "Tyrol", "--revision", "7"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    r = RunTyxgeo({"db", "delete", base, "1"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    r = RunTyxgeo({"db", "info", base});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "entries 3\nhighest-id 4\nversion 4\nrevision 7\ndescription Tyrol\n");
    EXPECT_EQ(Lines(RunTyxgeo({"db", "list", base}).Out)[0].substr(0, 4), "1\t4\t") << "the last item took entry 1";

    const auto before = std::filesystem::file_size(base + ".tyxgdd");
    RunTyxgeo({"db", "add", base, "river", "Inn", "47.5,11", "47.2,11.5"});
    RunTyxgeo({"db", "delete", base, "4"});
    EXPECT_GT(std::filesystem::file_size(base + ".tyxgdd"), before);
    r = RunTyxgeo({"db", "gc", base});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(std::filesystem::file_size(base + ".tyxgdd"), 260u + 24u + 24u + 1024u + 10u);
    EXPECT_EQ(RunTyxgeo({"db", "points", base, "2"}).Out, "47.5 11\n47.2 11.5\n47 12.2\n");

    std::filesystem::remove(base + ".tyxgi2");
    r = RunTyxgeo({"db", "reindex", base});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(std::filesystem::file_size(base + ".tyxgi2"), 3u * 8u);
}

// db add --stdin: all the lines as one batch; a bad line anywhere stores none of them.
TEST(CliDb, AddFromStandardInputIsAllOrNothing)
{
    const std::string base = CliTempDir() + "/s";
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    const std::string good = "town\tSankt P\u00F6lten\\tNie\t48.2,15.62\r\nriver\tYbbs\t48.1,15.0\t48.17,15.08\n\n";
    const struct {
        const char* What;
        std::string Input;
        int Code;
    } bad[] = {
        {"an unknown kind", good + "volcano\tEtna\t37.7,15.0\n", 1},
        {"a point out of range", good + "town\tX\t91,0\n" + good, 1},
        {"no points", "town\tX\n" + good, 1},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.What);
        const auto r = RunTyxgeo({"db", "add", base, "--stdin"}, c.Input);
        EXPECT_EQ(r.ExitCode, c.Code);
        EXPECT_NE(r.Err.find("standard input, line "), std::string::npos) << r.Err;
        EXPECT_EQ(RunTyxgeo({"db", "list", base}).Out, "");
    }
    EXPECT_EQ(RunTyxgeo({"db", "add", base, "--stdin", "town"}, good).ExitCode, 2);
    const auto r = RunTyxgeo({"db", "add", base, "--stdin", "--class", "4"}, good);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "1\n2\n");
    const auto rows = Lines(RunTyxgeo({"db", "list", base}).Out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "1\t1\tTown\tSankt P\u00F6lten\\tNie\t4\t48.2\t48.2\t15.62\t15.62\t1");
    EXPECT_EQ(rows[1].substr(0, 17), "2\t2\tRiver\tYbbs\t4\t");
}

TEST(CliDb, BadInput)
{
    const std::string dir = CliTempDir();
    const std::string base = dir + "/b";
    auto r = RunTyxgeo({"db", "info", dir + "/missing"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("no database"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing.tyxgdd")) << "a query never creates a database";
    EXPECT_EQ(RunTyxgeo({"db", "list", dir + "/missing"}).ExitCode, 1);

    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    r = RunTyxgeo({"db", "add", base, "volcano", "Etna", "37.7,15.0"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("unknown kind"), std::string::npos) << r.Err;
    EXPECT_EQ(RunTyxgeo({"db", "add", base, "town", "Two", "1,1", "2,2"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"db", "add", base, "town", "Bad", "91,0"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"db", "add", base, "town", "Bad", "1;0"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"db", "add", base, "town", "Bad", "1,0", "--date", "2024-02-30T00:00:00"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"db", "add", base, "town", "Bad", "1,0", "--class", "300"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"db", "points", base, "1"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"db", "get-blob", base, "x", dir + "/o"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"db", "add-blob", base, dir + "/nothing"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"db", "box", base, "1", "2", "3"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"db", "info", base}).Out.substr(0, 10), "entries 0\n");

    // a torn summary is mended with a warning; a data file shorter than its header is refused
    std::ofstream(base + ".tyxgds", std::ios::binary) << "short";
    r = RunTyxgeo({"db", "list", base});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_NE(r.Err.find("never completed"), std::string::npos) << r.Err;
    std::ofstream(base + ".tyxgdd", std::ios::binary) << "short";
    r = RunTyxgeo({"db", "list", base});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("is damaged"), std::string::npos) << r.Err;
}

TEST(CliDb, OwnFilesAndStrayLeftovers)
{
    const std::string dir = CliTempDir();
    const std::string base = dir + "/own";
    const std::string blob = dir + "/blob.txt";
    std::ofstream(blob, std::ios::binary) << "bytes";
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"db", "add-blob", base, blob}).ExitCode, 0);
    const std::string summary = Slurp(base + ".tyxgds");
    auto r = RunTyxgeo({"db", "get-blob", base, "1", dir + "/./own.tyxgds"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("one of the database's own files"), std::string::npos) << r.Err;
    EXPECT_EQ(Slurp(base + ".tyxgds"), summary);

    std::ofstream(base + ".tyxgds.gctmp", std::ios::binary) << std::string(120, 'x');
    r = RunTyxgeo({"db", "list", base});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).size(), 1u);
    EXPECT_NE(r.Err.find("warning: "), std::string::npos) << r.Err;
    EXPECT_TRUE(std::filesystem::exists(base + ".tyxgds.gctmp.setaside"));
}

// Two different records with one number (entry 1 given entry 3's): every command refuses the
// database and changes nothing; salvage copies all three items into a new one.
TEST(CliDb, DamagedDatabaseIsRefusedAndSalvaged)
{
    const std::string dir = CliTempDir(), base = dir + "/hurt", out = dir + "/saved";
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    for (const char* name : {"A", "B", "C"}) ASSERT_EQ(RunTyxgeo({"db", "add", base, "town", name, "1,2"}).ExitCode, 0);
    std::string sum = Slurp(base + ".tyxgds");
    sum[0] = 3;
    std::ofstream(base + ".tyxgds", std::ios::binary) << sum;
    for (const char* cmd : {"list", "reindex"}) {
        const auto r = RunTyxgeo({"db", cmd, base});
        EXPECT_EQ(r.ExitCode, 1) << cmd;
        EXPECT_NE(r.Err.find("entries 1 and 3 differ but carry the same item number 3"), std::string::npos) << r.Err;
    }
    EXPECT_EQ(Slurp(base + ".tyxgds"), sum);
    auto r = RunTyxgeo({"db", "salvage", base, out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "salvaged 3 items into " + out + "\n");
    EXPECT_EQ(r.Err, "tyxgeo: Entry 3 (\"C\") was copied as item 4: entry 1 carries the same number.\n");
    EXPECT_EQ(Slurp(base + ".tyxgds"), sum);
    r = RunTyxgeo({"db", "list", out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).size(), 3u);
    r = RunTyxgeo({"db", "salvage", base, out});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("exists already"), std::string::npos) << r.Err;
}

// On a full disk (a small tmpfs, where the test may mount one) a command that fails has stored
// nothing, one that stored reports success, a read needs no room, and an import that fails part
// way stores none of its items.
TEST(CliDb, FullDisk)
{
    const std::string dir = CliTempDir(), mnt = dir + "/tmpfs", base = mnt + "/full";
    std::filesystem::create_directory(mnt);
    const tyx::test::TSmallTmpfs fs(mnt);
    if (!fs.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here: " << fs.Error();
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"db", "add", base, "town", "A", "1,1"}).ExitCode, 0);
    ASSERT_TRUE(fs.Fill("filler"));
    std::vector<std::string> river = {"db", "add", base, "river", "R"};
    for (int i = 0; i < 600; ++i) river.push_back("1," + std::to_string(i % 90));
    auto r = RunTyxgeo(river);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("No space left on device"), std::string::npos) << r.Err;
    r = RunTyxgeo({"db", "add", base, "town", "B", "2,2"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "2\n");
    EXPECT_NE(r.Err.find("warning: Component \"tyxgeo\": the index files could not be written"), std::string::npos)
        << r.Err;
    r = RunTyxgeo({"db", "list", base});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).size(), 2u);

    const std::string csv = dir + "/towns.csv";
    {
        std::ofstream f(csv);
        f << "name,lat,long\n";
        for (int i = 0; i < 100; ++i) f << "T" << i << "," << i % 80 << "," << i << "\n";
    }
    r = RunTyxgeo({"db", "import", base, csv});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(Lines(RunTyxgeo({"db", "list", base}).Out).size(), 2u);
    EXPECT_NE(r.Err.find("none of the 100 items was stored"), std::string::npos) << r.Err;
}
