// tyxgeo db import/export: a refused file leaves the database as it was, export and import round
// trip, and the box of an export.
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

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

TEST(CliImport, ClassOptionGivesEveryItemItsClass)
{
    const std::string base = CliTempDir() + "/c";
    ASSERT_EQ(RunTyxgeo({"db", "create", base}).ExitCode, 0);
    EXPECT_EQ(RunTyxgeo({"db", "import", base, Towns, "--class", "300"}).ExitCode, 1);
    ASSERT_EQ(RunTyxgeo({"db", "import", base, Towns, "--class", "7"}).ExitCode, 0);
    // The file's own classes (1 to 3) give way; the class is the fifth column of the listing.
    std::istringstream List(RunTyxgeo({"db", "list", base}).Out);
    int Lines = 0;
    for (std::string Line; std::getline(List, Line); ++Lines) {
        std::istringstream Cols(Line);
        std::string Col;
        for (int i = 0; i < 5; ++i) std::getline(Cols, Col, '\t');
        EXPECT_EQ(Col, "7") << Line;
    }
    EXPECT_EQ(Lines, 3);
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

    // The lake with its island comes back as one polygon with a hole, the outer ring
    // counter-clockwise, the hole (counter-clockwise in the file) clockwise.
    const std::string text = Slurp(dir + "/a.geojson");
    EXPECT_NE(text.find(R"("coordinates":[[[10,40],[20,40],[20,50],[10,50],[10,40]],[[12,42],[14,44],[14,42],[12,42]]])"),
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
        // Five towns and the BLOB that keeps the names as the file spelt them.
        EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 6) << r.Out;
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

namespace {

// Two countries of two parts each (one outer ring given clockwise), a river of two lines, a
// feature without geometry, and properties of every JSON type; coordinates in CRS84.
const char* const Features = R"({"type":"FeatureCollection",
"crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:OGC:1.3:CRS84"}},"features":[
{"type":"Feature","properties":{"name":"Islands","iso":"IS","pop":12.5,"eu":false,"tags":["a",1],"note":null},
 "geometry":{"type":"MultiPolygon","coordinates":[[[[0,0],[0,1],[1,1],[1,0],[0,0]]],
  [[[5,5],[8,5],[8,8],[5,8],[5,5]],[[6,6],[7,6],[7,7],[6,6]]]]}},
{"type":"Feature","properties":{"name":"Islands","iso":"JS"},
 "geometry":{"type":"MultiPolygon","coordinates":[[[[20,0],[21,0],[21,1],[20,0]]],[[[22,0],[23,0],[23,1],[22,0]]]]}},
{"type":"Feature","properties":{"name":"River","kind":"river","\u0141\u00f3d\u017a":"\u0141\u00f3d\u017a"},
 "geometry":{"type":"MultiLineString","coordinates":[[[30,0],[31,1]],[[32,0],[33,1]]]}},
{"type":"Feature","properties":{"name":"Nothing"},"geometry":null}]})";

// Twice the signed area of a GeoJSON ring: positive when it runs counter-clockwise.
double TwiceArea(const nlohmann::json& Ring)
{
    double a = 0;
    for (std::size_t i = 0; i + 1 < Ring.size(); ++i)
        a += Ring[i][0].get<double>() * Ring[i + 1][1].get<double>() - Ring[i + 1][0].get<double>() * Ring[i][1].get<double>();
    return a;
}

} // namespace

TEST(CliImport, FeaturesKeepTheirPartsPropertiesAndRingOrientation)
{
    const std::string dir = CliTempDir();
    const std::string in = dir + "/f.geojson", a = dir + "/a", b = dir + "/b";
    std::ofstream(in) << Features;
    // No db create: import makes the database.
    auto r = RunTyxgeo({"db", "import", a, in});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("tyxgeo: warning: " + in + ": 1 features without a geometry left out"), std::string::npos)
        << r.Err;
    EXPECT_EQ(r.Err.find("crs"), std::string::npos) << r.Err;
    ASSERT_EQ(RunTyxgeo({"db", "export", a, dir + "/a.geojson"}).ExitCode, 0);
    const auto out = nlohmann::json::parse(Slurp(dir + "/a.geojson"));
    ASSERT_EQ(out["features"].size(), 3u) << out.dump();
    struct {
        const char* Type;
        std::size_t Parts;
    } const want[] = {{"MultiPolygon", 2}, {"MultiPolygon", 2}, {"MultiLineString", 2}};
    const auto source = nlohmann::json::parse(Features)["features"];
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& f = out["features"][i];
        EXPECT_EQ(f["geometry"]["type"], want[i].Type) << i;
        EXPECT_EQ(f["geometry"]["coordinates"].size(), want[i].Parts) << i;
        // Every property of the file is there as it was, with the item's kind and class.
        for (const auto& [k, v] : source[i]["properties"].items()) EXPECT_EQ(f["properties"][k], v) << i << ' ' << k;
        EXPECT_TRUE(f["properties"].contains("kind") && f["properties"].contains("class")) << i;
        if (want[i].Type != std::string("MultiPolygon")) continue;
        for (const auto& polygon : f["geometry"]["coordinates"])
            for (std::size_t ring = 0; ring < polygon.size(); ++ring)
                EXPECT_EQ(TwiceArea(polygon[ring]) > 0, ring == 0) << i << ' ' << polygon.dump();
    }
    EXPECT_EQ(out["features"][0]["geometry"]["coordinates"][1].size(), 2u); // the hole in its polygon

    // Import, export and import again give the same items, and the same file.
    r = RunTyxgeo({"db", "import", b, dir + "/a.geojson"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(RunTyxgeo({"db", "list", a}).Out, RunTyxgeo({"db", "list", b}).Out);
    ASSERT_EQ(RunTyxgeo({"db", "export", b, dir + "/b.geojson"}).ExitCode, 0);
    EXPECT_EQ(Slurp(dir + "/a.geojson"), Slurp(dir + "/b.geojson"));

    // A crs other than WGS 84 is told.
    std::ofstream(dir + "/utm.geojson")
        << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::25832"}},)"
           R"("features":[{"type":"Feature","properties":{},"geometry":{"type":"Point","coordinates":[1,2]}}]})";
    r = RunTyxgeo({"db", "import", dir + "/c", dir + "/utm.geojson"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("warning: " + dir + "/utm.geojson: crs 'urn:ogc:def:crs:EPSG::25832' is not WGS 84"),
              std::string::npos)
        << r.Err;
}

TEST(CliImport, ExportIsReadByGdal)
{
    if (!HaveProgram("ogrinfo") || !HaveProgram("ogr2ogr")) GTEST_SKIP() << "GDAL's ogrinfo and ogr2ogr are not installed";
    const std::string dir = CliTempDir();
    std::ofstream(dir + "/f.geojson") << Features;
    ASSERT_EQ(RunTyxgeo({"db", "import", dir + "/a", dir + "/f.geojson"}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"db", "export", dir + "/a", dir + "/a.geojson"}).ExitCode, 0);
    auto r = RunProgram("ogrinfo", {"-ro", "-al", "-so", dir + "/a.geojson"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("Feature Count: 3"), std::string::npos) << r.Out;
    for (const char* field : {"iso: String", "pop: Real", "eu: Integer(Boolean)", "kind: String"})
        EXPECT_NE(r.Out.find(field), std::string::npos) << field << r.Out;
    // GeoPackage enforces one geometry type per layer when asked to: the areas as MultiPolygons.
    r = RunProgram("ogr2ogr", {"-f", "GPKG", dir + "/a.gpkg", dir + "/a.geojson", "-where", "kind = 'border'",
                               "-nlt", "MULTIPOLYGON", "-nln", "areas"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    r = RunProgram("ogrinfo", {"-ro", "-al", dir + "/a.gpkg"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("Feature Count: 2"), std::string::npos) << r.Out;
    for (const char* text : {"iso (String) = IS", "iso (String) = JS", "MULTIPOLYGON (((0 0,1 0,1 1,0 1,0 0)),((5 5,8 5,8 8,5 8,5 5),(6 6,7 7,7 6,6 6)))"})
        EXPECT_NE(r.Out.find(text), std::string::npos) << text << r.Out;
    EXPECT_EQ(r.Err.find("Warning"), std::string::npos) << r.Err;
}

TEST(CliImport, GpxTracksIntoTheDatabaseAndWaypointsAsLandmarks)
{
    const std::string dir = CliTempDir();
    const std::string base = dir + "/g", walk = std::string(GEOIO_TEST_DATA) + "/walk.gpx";
    auto r = RunTyxgeo({"db", "import", base, walk});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "imported 5 items from " + walk + "\n");
    EXPECT_NE(r.Err.find("2 waypoints left out"), std::string::npos) << r.Err;
    r = RunTyxgeo({"db", "list", base});
    EXPECT_NE(r.Out.find("1\t1\tRoute\tPlan\t1\t47.8\t48\t11\t13\t3\n"), std::string::npos) << r.Out;
    // The two segments of one track are one feature: they export as one line string pair.
    ASSERT_EQ(RunTyxgeo({"db", "export", base, dir + "/g.geojson"}).ExitCode, 0);
    const auto features = nlohmann::json::parse(Slurp(dir + "/g.geojson"))["features"];
    ASSERT_EQ(features.size(), 3u);
    EXPECT_EQ(features[1]["geometry"]["type"], "MultiLineString");
    EXPECT_EQ(features[1]["geometry"]["coordinates"].size(), 2u);
    EXPECT_EQ(features[1]["properties"]["name"], "Day one");

    // Waypoints list as landmark lines that landmarks-write reads back.
    r = RunTyxgeo({"landmarks", walk});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 2);
    EXPECT_NE(r.Out.find("\t20240501103000\tMarienplatz\n"), std::string::npos) << r.Out;
    ASSERT_EQ(RunTyxgeo({"landmarks-write", dir + "/w.xml", "--id", "walk"}, r.Out).ExitCode, 0);
    EXPECT_EQ(RunTyxgeo({"landmarks", dir + "/w.xml"}).Out, r.Out);
    // render draws them as it draws the same landmarks read from the landmark file.
    ASSERT_EQ(RunTyxgeo({"emptymap", dir + "/e.bmp", "47", "10", "49", "14", "0.5", "0.5", "400", "200"}).ExitCode, 0);
    for (const auto& [marks, out] : {std::pair<std::string, const char*>{walk, "/a.png"}, {dir + "/w.xml", "/b.png"}})
        ASSERT_EQ(RunTyxgeo({"render", dir + "/e.xml", dir + out, "--landmarks", marks}).ExitCode, 0) << marks;
    ASSERT_EQ(RunTyxgeo({"render", dir + "/e.xml", dir + "/none.png"}).ExitCode, 0);
    EXPECT_EQ(Slurp(dir + "/a.png"), Slurp(dir + "/b.png"));
    EXPECT_NE(Slurp(dir + "/a.png"), Slurp(dir + "/none.png"));

    // A broken file names its line and column and stores nothing.
    const std::string before = Files(base);
    std::ofstream(dir + "/cut.gpx") << "<gpx version=\"1.1\">\n<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/>";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"db", "import", base, walk, dir + "/cut.gpx"},
                                                 std::vector<std::string>{"landmarks", dir + "/cut.gpx"}}) {
        r = RunTyxgeo(args);
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_NE(r.Err.find(dir + "/cut.gpx:2:"), std::string::npos) << r.Err;
    }
    EXPECT_EQ(Files(base), before);
}
