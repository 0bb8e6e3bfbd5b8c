// tyxgeo db import/export: a refused file leaves the database as it was, export and import round
// trip, and the box of an export.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string Slurp(const std::string& Name)
{
    std::ifstream f(Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The bytes of the seven files of a database.
std::string Files(const std::string& Base)
{
    std::string all;
    for (const char* ext : {".tyxgi0", ".tyxgi1", ".tyxgi2", ".tyxgi3", ".tyxgi4", ".tyxgds", ".tyxgdd"})
        all += Slurp(Base + ext) + '|';
    return all;
}

const std::string Shapes = std::string(GEOIO_TEST_DATA) + "/shapes.geojson";
const std::string Towns = std::string(GEOIO_TEST_DATA) + "/towns.csv";

} // namespace

TEST(CliImport, RefusedFileLeavesTheDatabaseUnchanged)
{
    const std::string dir = CliTempDir();
    const std::string base = dir + "/w";
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"db", "import", base, Towns}).ExitCode, 0);
    const std::string before = Files(base);
    std::ofstream(dir + "/bad.geojson") << R"({"type":"Point","coordinates":[10,)";
    std::ofstream(dir + "/far.csv") << "name,lat,long\nA,1,2\nB,100,2\n";
    // The good file comes first: nothing of it may be stored either.
    for (const std::string bad : {"/bad.geojson", "/far.csv"}) {
        const auto r = RunTyxgeo({"db", "import", base, Shapes, dir + bad});
        EXPECT_EQ(r.ExitCode, 1) << bad;
        EXPECT_NE(r.Err.find(dir + bad + ":"), std::string::npos) << r.Err;
        EXPECT_EQ(Files(base), before) << bad;
    }
    EXPECT_EQ(RunTyxgeo({"db", "import", base, Towns, "--kind", "lake"}).ExitCode, 1);
    EXPECT_EQ(Files(base), before);
}

TEST(CliImport, ExportImportRoundTripAndBox)
{
    const std::string dir = CliTempDir();
    const std::string a = dir + "/a", b = dir + "/b";
    ASSERT_EQ(RunTyxgeo({"db", "create", a}).ExitCode, 0);
    auto r = RunTyxgeo({"db", "import", a, Shapes, Towns});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "imported 11 items from " + Shapes + "\nimported 3 items from " + Towns + "\n");
    r = RunTyxgeo({"db", "export", a, dir + "/a.geojson"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;

    ASSERT_EQ(RunTyxgeo({"db", "create", b}).ExitCode, 0);
    r = RunTyxgeo({"db", "import", b, dir + "/a.geojson"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    // Same items, kinds, classes, hole flags and points, in the same order.
    const auto listA = RunTyxgeo({"db", "list", a}).Out, listB = RunTyxgeo({"db", "list", b}).Out;
    EXPECT_EQ(listA, listB);
    for (const char* e : {"2", "8", "12"})
        EXPECT_EQ(RunTyxgeo({"db", "points", a, e}).Out, RunTyxgeo({"db", "points", b, e}).Out) << e;
    ASSERT_EQ(RunTyxgeo({"db", "export", b, dir + "/b.geojson"}).ExitCode, 0);
    EXPECT_EQ(Slurp(dir + "/a.geojson"), Slurp(dir + "/b.geojson"));

    // The lake with its island comes back as one polygon with a hole.
    const std::string text = Slurp(dir + "/a.geojson");
    EXPECT_NE(text.find(R"("coordinates":[[[10,40],[20,40],[20,50],[10,50],[10,40]],[[12,42],[14,42],[14,44],[12,42]]])"),
              std::string::npos);

    r = RunTyxgeo({"db", "export", a, dir + "/alps.geojson", "--box", "45,7,49,17"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "exported 6 items\n"); // Wien twice, and the hole goes with its lake
    const std::string alps = Slurp(dir + "/alps.geojson");
    for (const char* name : {"Wien", "Bern", "Venezia", "Lake with island"}) EXPECT_NE(alps.find(name), std::string::npos);
    EXPECT_EQ(alps.find("Archipelago"), std::string::npos);
}

TEST(CliImport, ChangedNamesAreToldAndListingsKeepOneLinePerItem)
{
    const std::string dir = CliTempDir();
    const std::string base = dir + "/n", file = dir + "/names.geojson";
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    std::ofstream(file) << R"({"type":"FeatureCollection","features":[)"
                           R"({"type":"Feature","properties":{"name":"Two\nlines"},"geometry":{"type":"Point","coordinates":[1,1]}},)"
                           R"({"type":"Feature","properties":{"name":"\u0141\u00f3d\u017a"},"geometry":{"type":"Point","coordinates":[2,2]}},)"
                           R"({"type":"Feature","properties":{"name":"\ud83d\ude00 Wien"},"geometry":{"type":"Point","coordinates":[3,3]}}]})";
    auto r = RunTyxgeo({"db", "import", base, file});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    // The control characters and the emoji count; the transliterated name does not.
    EXPECT_NE(r.Err.find("tyxgeo: warning: " + file + ": 2 names changed"), std::string::npos) << r.Err;
    // A name given to db add keeps its control characters; the listings escape them.
    ASSERT_EQ(RunTyxgeo({"db", "add", base, "town", "Tab\there\\\x01", "4,4"}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"db", "add", base, "town", "\u0110\u00E0 N\u1EB5ng", "5,5"}).ExitCode, 0);
    for (const char* listing : {"list", "box"}) {
        r = RunTyxgeo(listing == std::string("list") ? std::vector<std::string>{"db", "list", base}
                                                     : std::vector<std::string>{"db", "box", base, "0", "5", "0", "5"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 5) << r.Out;
        EXPECT_NE(r.Out.find("\tTwo lines\t"), std::string::npos) << r.Out;
        for (const char* name : {"\tLodz\t", "\t? Wien\t", "\tDa Nang\t"})
            EXPECT_NE(r.Out.find(name), std::string::npos) << name << r.Out;
        EXPECT_NE(r.Out.find("\tTab\\there\\\\\\x01\t"), std::string::npos) << r.Out;
    }
}

TEST(CliImport, PointsBeyondTheBoundAreRefusedWithTheOption)
{
    const std::string dir = CliTempDir();
    const std::string base = dir + "/p";
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    const auto r = RunTyxgeo({"db", "import", base, Shapes, "--max-points", "20"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find(Shapes + ": feature "), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("more than 20 points; --max-points allows more"), std::string::npos) << r.Err;
    EXPECT_EQ(RunTyxgeo({"db", "import", base, Shapes, "--max-points", "40"}).ExitCode, 0);
    EXPECT_EQ(RunTyxgeo({"db", "import", base, Shapes, "--max-points", "0"}).ExitCode, 2);
}
