// The readers of geoio on small hand-made files: rings and holes, multipolygons, the antimeridian,
// TopoJSON arcs with a transform and reversal, CSV with and without a header, and bad input.
#include "geoio.h"
#include "geodb/gdb_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <unistd.h>

using namespace tyx;
using namespace tyx::geoio;

namespace {

std::vector<TGeoItem> Read(const std::string& Name, const TReadOptions& Options = {})
{
    TReadStats stats;
    return ReadGeoFile(std::string(TYX_TEST_DATA_DIR) + "/" + Name, Options, stats);
}

// Points as "lat,long lat,long ..." for compact expectations.
std::string Pts(const TGeoItem& It)
{
    std::string s;
    for (const TSCoords& p : It.Points) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%g,%g", s.empty() ? "" : " ", p.Latit, p.Longit);
        s += buf;
    }
    return s;
}

} // namespace

TEST(GeoIORead, GeoJsonRingsHolesAntimeridianAndPoints)
{
    TReadStats stats;
    const auto items = ReadGeoFile(std::string(TYX_TEST_DATA_DIR) + "/shapes.geojson", {}, stats);
    ASSERT_EQ(items.size(), 11u);
    // The polygon's outer ring, then its hole; the closing point is not stored twice.
    EXPECT_EQ(items[0].Name, "Lake with island");
    EXPECT_EQ(Pts(items[0]), "40,10 40,20 50,20 50,10");
    EXPECT_TRUE(items[0].Closed && !items[0].Hole);
    EXPECT_EQ(items[0].Class, 3);
    EXPECT_EQ(Pts(items[1]), "42,12 42,14 44,14");
    EXPECT_TRUE(items[1].Hole);
    EXPECT_EQ(items[1].Kind, gitBorder);
    // A multipolygon: each polygon's rings, holes flagged within their own polygon.
    EXPECT_FALSE(items[2].Hole);
    EXPECT_FALSE(items[3].Hole);
    EXPECT_TRUE(items[4].Hole);
    EXPECT_EQ(items[4].Name, "Archipelago");
    // A ring across the antimeridian: cut into an eastern and a western piece along +-180.
    EXPECT_EQ(Pts(items[5]), "-17,179 -17,180 -16,180 -16,179");
    EXPECT_EQ(Pts(items[6]), "-17,-180 -17,-179 -16,-179 -16,-180");
    // A line: cut where it steps over, at the latitude halfway along the step.
    EXPECT_EQ(items[7].Kind, gitRoad);
    EXPECT_FALSE(items[7].Closed);
    EXPECT_EQ(Pts(items[7]), "10,178 11,180");
    EXPECT_EQ(Pts(items[8]), "11,-180 12,-178");
    EXPECT_EQ(stats.SplitAtAntimeridian, 2);
    // A ring around the pole is kept whole.
    EXPECT_EQ(items[9].Points.size(), 6u);
    EXPECT_EQ(items[10].Kind, gitTown);
    EXPECT_EQ(Pts(items[10]), "48.2,16.37");
    EXPECT_EQ(items[10].Class, 1);
}

TEST(GeoIORead, TopoJsonArcsTransformAndReversal)
{
    const auto items = Read("topo.json");
    ASSERT_EQ(items.size(), 5u);
    // Objects and geometries in the order of the file.
    // Arcs 0 and 1 decoded from quantised steps: (10,40) (12,40) (12,42) and back via (10,42).
    EXPECT_EQ(items[0].Name, "Forward");
    EXPECT_EQ(items[0].Class, 2);
    EXPECT_EQ(Pts(items[0]), "40,10 40,12 42,12 42,10");
    // ~1 then ~0: both arcs reversed, the shared point once.
    EXPECT_EQ(Pts(items[1]), "40,10 42,10 42,12 40,12");
    EXPECT_EQ(items[2].Kind, gitRoad);
    EXPECT_EQ(Pts(items[2]), "42,12 40,12 40,10");
    // Point coordinates go through the transform but are not deltas.
    EXPECT_EQ(items[3].Kind, gitTown);
    EXPECT_EQ(Pts(items[3]), "41,11");
    // A geometry without a name is named after its object.
    EXPECT_EQ(items[4].Name, "outline");

    TReadOptions only;
    only.Object = "outline";
    EXPECT_EQ(Read("topo.json", only).size(), 1u);
}

TEST(GeoIORead, CsvWithHeaderQuotesAndOptions)
{
    const auto items = Read("towns.csv"); // with a byte order mark and CR LF line ends
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].Name, "Venezia, \"La Serenissima\"");
    EXPECT_EQ(Pts(items[1]), "45.44,12.33");
    EXPECT_EQ(items[1].Class, 2);
    EXPECT_EQ(items[2].Class, 0);

    TReadOptions opt;
    TReadStats stats;
    const auto plain = ReadCsvText("Graz,47.07,15.44\nLinz,48.3,14.29,4\n", "mem.csv", opt, stats);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(Pts(plain[0]), "47.07,15.44");
    EXPECT_EQ(plain[1].Class, 4);
}

TEST(GeoIORead, NamesLoseControlCharactersAndChangesAreCounted)
{
    // Brackets and an escaped quote inside a name do not count as nesting.
    const std::string brackets = "\\\"" + std::string(70, '[');
    const std::string text =
        R"({"type":"FeatureCollection","features":[)"
        R"({"type":"Feature","properties":{"name":"Tab\there\nand there"},"geometry":{"type":"Point","coordinates":[0,0]}},)"
        R"({"type":"Feature","properties":{"name":"Krak\u00f3w"},"geometry":{"type":"Point","coordinates":[0,0]}},)"
        R"({"type":"Feature","properties":{"name":"\u0141\u00f3d\u017a \ud83d\ude00"},"geometry":{"type":"Point","coordinates":[0,0]}},)"
        R"({"type":"Feature","properties":{"name":"\u0141\u00f3d\u017a"},"geometry":{"type":"Point","coordinates":[0,0]}},)"
        R"({"type":"Feature","properties":{"name":")" + std::string(60, 'L') + R"("},"geometry":{"type":"Point","coordinates":[0,0]}},)"
        R"({"type":"Feature","properties":{"name":")" + brackets + R"("},"geometry":{"type":"Point","coordinates":[0,0]}}]})";
    TReadStats stats;
    const auto items = ReadJsonText(text, "names.json", {}, stats);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].Name, "Tab here and there");
    EXPECT_EQ(items[1].Name, "Krak\xC3\xB3w"); // Windows-1252 holds it
    EXPECT_EQ(items[5].Name, brackets.substr(1));
    // The control characters, the emoji, the longer than 59; not the name that is only spelt in
    // Latin letters.
    EXPECT_EQ(stats.NamesChanged, 4);

    TReadStats csv;
    const auto towns = ReadCsvText("\"Two\nlines\",1,2\nPlain,1,2\n", "t.csv", {}, csv);
    ASSERT_EQ(towns.size(), 2u);
    EXPECT_EQ(towns[0].Name, "Two lines");
    EXPECT_EQ(csv.NamesChanged, 1);
}

TEST(GeoIORead, PointsBeyondTheBoundAreRefusedUnlessAllowed)
{
    // A line that refers 1000 times to one 1000-point arc: a million points from 8 KB.
    std::string arc, refs;
    for (int i = 0; i < 1000; ++i) {
        arc += i ? ",[0,0]" : "[0,0]";
        refs += i ? ",0" : "0";
    }
    const std::string text = R"({"type":"Topology","arcs":[[)" + arc + R"(]],"objects":{"a":{"type":"LineString","arcs":[)" +
                             refs + "]}}}";
    TReadStats stats;
    try {
        ReadJsonText(text, "many.json", {}, stats);
        ADD_FAILURE() << "accepted";
    } catch (const EGeoIOPointLimit& e) {
        EXPECT_NE(std::string(e.what()).find("many.json: feature 1: more than " + std::to_string(100 * text.size()) +
                                             " points, 100 per byte of the file"),
                  std::string::npos)
            << e.what();
    }
    // A bound given replaces the default one, and counts every point, of plain GeoJSON too.
    const std::string three = R"({"type":"MultiPoint","coordinates":[[0,0],[1,1],[2,2]]})";
    TReadOptions allow;
    allow.MaxPoints = 3;
    EXPECT_EQ(ReadJsonText(three, "m.json", allow, stats).size(), 3u);
    allow.MaxPoints = 2;
    EXPECT_THROW(ReadJsonText(three, "m.json", allow, stats), EGeoIOPointLimit);
}

TEST(GeoIORead, RingWindingRoundManyTimesIsCutIntoItsWindows)
{
    // 20 000 points, each step 179 degrees east for half the ring, then back west: the ring winds
    // round 5 000 times and its pieces lie in 2 500 windows of 360 degrees. The same ring with
    // steps of half the size stays within one window and is read without cutting. (Its time is
    // measured by the import benchmark.)
    const auto ring = [](double Scale) {
        std::string coords;
        double lon = 0;
        for (int i = 0; i < 20000; ++i) {
            const double wrapped = std::remainder(lon, 360.0) * Scale;
            // Appended piece by piece: GCC 12 warns of a false overlap in a chain of +.
            coords += i ? ",[" : "[";
            coords += std::to_string(wrapped == -180 ? 180 : wrapped);
            coords += i % 2 ? ",1]" : ",-1]";
            lon += i < 10000 ? 179 : -179;
        }
        return R"({"type":"Polygon","coordinates":[[)" + coords + "]]}";
    };
    TReadStats stats;
    EXPECT_EQ(ReadJsonText(ring(0.5), "plain.json", {}, stats).size(), 1u);
    EXPECT_EQ(ReadJsonText(ring(1), "zig.json", {}, stats).size(), 4973u);
}

TEST(GeoIORead, BadInputIsRefusedWithItsPlace)
{
    struct Case {
        const char* Name;
        std::string Text;
        std::string Message;
        std::optional<TgdbItem> Kind;
    };
    // Nesting far deeper than any geometry needs is refused at the bracket that goes too deep.
    const std::string idAt = R"({"type":"Feature","id":)", posAt = R"({"type":"Point","coordinates":)";
    const std::string collection = R"({"type":"GeometryCollection","geometries":[)";
    std::string collections;
    for (int i = 0; i < 3000; ++i) collections += collection;
    collections += R"({"type":"Point","coordinates":[0,0]})";
    for (int i = 0; i < 3000; ++i) collections += "]}";
    const auto deep = [](std::size_t Levels) { return std::string(Levels, '[') + "0" + std::string(Levels, ']'); };
    const auto byte = [](std::size_t At) { return "nested deeper than 72 levels at byte " + std::to_string(At); };
    const Case cases[] = {
        {"id.json", idAt + deep(100000) + R"(,"geometry":null})", "id.json: " + byte(idAt.size() + 72), {}},
        {"pos.json", posAt + deep(100000) + "}", "pos.json: " + byte(posAt.size() + 72), {}},
        {"gc.json", collections, "gc.json: " + byte(36 * collection.size() + 1), {}},
        // A value in a message is cut short.
        {"long.json", posAt + R"([{"a":")" + std::string(5000, 'x') + R"("},1]})", R"(long.json: longitude {"a":"xxx)", {}},
        {"bad.json", R"({"type":"FeatureCollection","features":[)", "bad.json: not valid JSON: parse error at line 1", {}},
        {"lat.json", R"({"type":"Point","coordinates":[10,95]})", "lat.json: latitude 95 is out of range", {}},
        {"lon.json",
         R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},"geometry":{"type":"Point","coordinates":[0,0]}},
            {"type":"Feature","properties":{},"geometry":{"type":"LineString","coordinates":[[0,0],["x",1]]}}]})",
         "lon.json: feature 2: longitude \"x\" is not a number", {}},
        {"nan.json", R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1e999,1],[0,0]]]})", "nan.json: not valid JSON: number overflow", {}},
        {"arc.json", R"({"type":"Topology","arcs":[[[0,0],[1,1]]],"objects":{"a":{"type":"LineString","arcs":[0,3]}}})",
         "arc.json: feature 1: arc index 3 is beyond the 1 arcs", {}},
        {"arcpos.json", R"({"type":"Topology","arcs":[[[0,0],[1,200]]],"objects":{}})", "arcpos.json: arc 0: latitude 200", {}},
        {"class.json", R"({"type":"Feature","properties":{"class":300},"geometry":{"type":"Point","coordinates":[0,0]}})",
         "class.json: feature 1: class '300' is not an integer 0..255", {}},
        {"kind.json", R"({"type":"Point","coordinates":[0,0]})", "kind.json: a point cannot be stored as lake", gitLake},
        {"type.json", R"({"type":"Circle","coordinates":[0,0]})", "type.json: unknown geometry type 'Circle'", {}},
        {"a.csv", "name,lat,long\nX,47,abc\n", "a.csv:2: longitude 'abc' is not a number", {}},
        {"b.csv", "Y,-91,0\n", "b.csv:1: latitude -91 is out of range", {}},
        {"c.csv", "name,lat,long\n\"Open,1,2\n", "c.csv:2: a quoted field is not closed", {}},
        {"d.csv", "name,lat,long\nZ,1\n", "d.csv:2: 2 fields, too few", {}},
        {"e.csv", "Z,1,2\n", "e.csv: CSV rows are points and cannot be stored as river", gitRiver},
    };
    for (const Case& c : cases) {
        TReadOptions opt;
        opt.Kind = c.Kind;
        TReadStats stats;
        const std::string name = c.Name;
        try {
            if (name.ends_with(".csv"))
                ReadCsvText(c.Text, name, opt, stats);
            else
                ReadJsonText(c.Text, name, opt, stats);
            ADD_FAILURE() << name << ": accepted";
        } catch (const EGeoIOError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << name << ": " << e.what();
            EXPECT_LT(std::string(e.what()).size(), 200u) << name;
        }
    }
}

TEST(GeoIOStore, BlocksBeyondTheDataFileLimitAreRefusedBeforeAnyWrite)
{
    const auto dir = std::filesystem::temp_directory_path() / ("geoio-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string base = (dir / "full").string();
    {
        TGeoDB db;
        db.SetGDBName(base);
        db.AddTown("Start", 0, 0, {1, 2}, 0, 0, 0);
        db.SetGDBName("");
    }
    // A sparse data file just below 2 GiB: the next ring of three points would not fit.
    std::filesystem::resize_file(base + ".tyxgdd", std::numeric_limits<int32_t>::max() - 16);
    TGeoDB db;
    db.SetGDBName(base);
    TGeoItem town{"Town", gitTown, 0, false, false, {{5, 6}}, true, {}};
    TGeoItem ring{"Ring", gitBorder, 0, true, false, {{0, 0}, {0, 1}, {1, 1}}, true, {}};
    try {
        StoreItems(db, {town, ring});
        ADD_FAILURE() << "stored";
    } catch (const EGeoIOError& e) {
        EXPECT_NE(std::string(e.what()).find("more than its limit of 2 GiB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(db.NumEntries(), 1);
    EXPECT_EQ(StoreItems(db, {town}), 1);
    EXPECT_EQ(db.NumEntries(), 2);
    db.SetGDBName("");
    std::filesystem::remove_all(dir);
}

// An import is one batch: a write that fails anywhere in it (the fault layer's full disk) stores
// none of the items, and running it again stores each of them once.
TEST(GeoIOStore, AFailedImportStoresNothingAndARerunIsWhole)
{
    const auto dir = std::filesystem::temp_directory_path() / ("geoio-batch-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string base = (dir / "b").string();
    std::vector<TGeoItem> items;
    for (int i = 0; i < 20000; ++i) items.push_back({std::string("T").append(std::to_string(i)), gitTown, 0, false, false, {{1, 1}}, true, {}});
    items.push_back({"Ring", gitBorder, 0, true, false, {{0, 0}, {0, 1}, {1, 1}}, true, {}});
    TGeoDB db;
    db.SetGDBName(base);
    db.AddTown("Start", 0, 0, {1, 2}, 0, 0, 0);
    for (const char* failing : {".tyxgds", ".tyxgdd", ".journal"}) {
        SCOPED_TRACE(failing);
        int writes = 0;
        gdb::SetFileFaultHook([&](gdb::TFileChange C, const std::string& N, std::size_t) {
            const bool fail = C == gdb::fcWrite && N.ends_with(failing) && ++writes == 2;
            return fail ? gdb::TFault{gdb::fkFail, 10} : gdb::TFault{};
        });
        EXPECT_THROW(StoreItems(db, items), EGeoIOError);
        gdb::SetFileFaultHook({});
        EXPECT_GE(writes, 2);
        EXPECT_EQ(db.NumEntries(), 1);
        EXPECT_EQ(std::filesystem::file_size(base + ".tyxgds"), 120u);
    }
    EXPECT_EQ(StoreItems(db, items), 20001);
    db.SetGDBName(base);
    EXPECT_EQ(db.NumEntries(), 20002);
    EXPECT_EQ(db.SearchData("T19999"), 20001);
    db.SetGDBName("");
    std::filesystem::remove_all(dir);
}
