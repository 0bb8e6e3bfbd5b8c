// The town search: folding, the edits allowed, matching and ranking, and reading a database.
#include "town_search.h"

#include "geoio.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace tyx;
using namespace tyx::viewer;

TEST(TownSearch, FoldsCaseAccentsScriptsAndSigns)
{
    const struct {
        const char* Text;
        const char* Folded;
    } Cases[] = {{"MÜNCHEN", "munchen"},          {"Munchen", "munchen"},     {"São Paulo", "sao paulo"},
                 {"Wrocław", "wroclaw"},           {"ŁÓDŹ", "lodz"},           {"  Saint-Étienne ", "saint etienne"},
                 {"O'Higgins", "ohiggins"},        {"Straße", "strasse"},      {"Москва", "moskva"},
                 {"Frankfurt (Oder)", "frankfurt oder"}, {" ,. ", ""}};
    for (const auto& C : Cases) EXPECT_EQ(FoldForSearch(C.Text), C.Folded) << C.Text;
    const int Edits[][2] = {{1, 0}, {4, 0}, {5, 1}, {7, 1}, {8, 2}, {20, 2}};
    for (const auto& E : Edits) EXPECT_EQ(AllowedEdits(static_cast<std::size_t>(E[0])), E[1]) << E[0];
}

TEST(TownSearch, FindsByStartWordAndTypingSlipsRankedBySize)
{
    const TTownIndex Index({{"Berlin", 52.5, 13.4, 3400000, 1, "Germany"}, // 0
                            {"Bern", 46.9, 7.4, 133000, 2, ""},             // 1
                            {"Rio de Janeiro", -22.9, -43.2, 6000000, 1, ""},
                            {"Rio", 43.4, -89.2, 1044, 4, ""}, // 3
                            {"Munchen", 48.1, 11.6, 0, 1, ""},
                            {"São Paulo", -23.5, -46.6, 12000000, 1, ""}, // 5
                            {"Wroclaw", 51.1, 17.0, 640000, 2, ""},
                            {"New Berlin", 43.0, -88.1, 39000, 3, ""}, // 7
                            {"Bedlno", 52.2, 19.6, 0, 0, ""},
                            {"Springfield", 39.8, -89.6, 116000, 2, ""}, // 9
                            {"Springfield", 42.1, -72.6, 155000, 2, ""},
                            {"Springfield", 37.2, -93.3, 0, 3, ""}, // 11: size known by class only
                            {"Springfield", 40.0, -83.8, 0, 0, ""}});
    const struct {
        const char* Query;
        std::vector<int> Towns;
        TMatch First;
    } Cases[] = {
        {"berlin", {0, 7}, tmStart},     // New Berlin by its second word
        {"Berln", {0, 1, 8}, tmOneEdit}, // one edit at five letters: Berlin, Bern, Bedlno
        {"Brelin", {}, tmStart},         // a swap is two edits, one too many at six letters
        {"Bern", {1}, tmStart},          // no slips below five letters
        {"Rio", {2, 3}, tmStart},
        {"janeiro", {2}, tmWord},
        {"MÜNCHEN", {4}, tmStart},
        {"sao paulo", {5}, tmStart},
        {"WROCŁAW", {6}, tmStart},
        {"springfield", {10, 9, 11, 12}, tmStart},
        {"Sprngfeld", {10, 9, 11, 12}, tmTwoEdits},
        {"", {}, tmStart},
    };
    for (const auto& C : Cases) {
        const std::vector<TTownHit> Hits = Index.Find(C.Query);
        std::vector<int> Towns;
        for (const TTownHit& H : Hits) Towns.push_back(H.Town);
        EXPECT_EQ(Towns, C.Towns) << C.Query;
        if (!Hits.empty()) {
            EXPECT_EQ(Hits.front().Match, C.First) << C.Query;
        }
    }
    const std::vector<TTownHit> Two = Index.Find("springfield", 2);
    ASSERT_EQ(Two.size(), 2u);
    EXPECT_EQ(Two[1].Town, 9);
}

TEST(TownSearch, ReadsTownsWithTheirPopulationAndCountry)
{
    namespace fs = std::filesystem;
    const fs::path Dir = fs::temp_directory_path() / ("tyx_townsearch_" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    const std::string Name = (Dir / "db").string();
    {
        TGeoDB Db;
        Db.SetGDBName(Name);
        Db.AddTown("Dachau", 0, 0, {48.26f, 11.43f}, 0, 3, 47000); // population as the tag
        geoio::TGeoItem Town;
        Town.Name = "Wrocław";
        Town.Kind = gitTown;
        Town.Points = {{51.11f, 17.03f}};
        Town.Properties = R"({"population":640000,"country":"PL"})";
        geoio::TGeoItem Land;
        Land.Name = "Land";
        Land.Closed = true;
        Land.Points = {{40, 0}, {56, 0}, {56, 20}};
        geoio::StoreItems(Db, {Town, Land});
    }
    const TTownIndex Index = ReadTownIndex(Name);
    fs::remove_all(Dir);
    ASSERT_EQ(Index.Towns().size(), 2u);
    const TTown& Dachau = Index.Towns()[0];
    const TTown& Wroclaw = Index.Towns()[1];
    EXPECT_EQ(Dachau.Population, 47000);
    EXPECT_EQ(Dachau.Class, 3);
    EXPECT_NEAR(Dachau.Lat, 48.26, 1e-5);
    EXPECT_NEAR(Dachau.Long, 11.43, 1e-5);
    EXPECT_EQ(Wroclaw.Name, "Wroclaw");
    EXPECT_EQ(Wroclaw.Population, 640000);
    EXPECT_EQ(Wroclaw.Country, "Poland");
}

} // namespace
