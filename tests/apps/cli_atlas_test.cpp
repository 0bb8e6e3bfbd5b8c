// tyxgeo atlas: zoom steps over a set of calibration files, the list of registered maps, and a
// picture of the atlas widget.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

/// A calibration file of the box 46..49 N, 10..13 E with the given resolution; no image.
std::string AtlasMap(const std::string& Name, const std::string& Resolution, const std::string& Caption)
{
    const std::string Path = CliTempDir() + "/" + Name;
    std::ofstream F(Path, std::ios::binary);
    F << "<?xml version=\"1.0\"?>\r\n\r\n"
         "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"\" model=\"equirect\" map=\"\" caption=\"" << Caption << "\">\r\n"
         "<corners>\r\n[49.00000,10.00000] [46.00000,10.00000] [46.00000,13.00000] [49.00000,13.00000] \r\n"
         "</corners>\r\n<resolution>" << Resolution << "</resolution>\r\n"
         "<calquads npoints=\"3\">\r\n[49.00000,10.00000,0,0] [49.00000,13.00000,300,0] [46.00000,10.00000,0,300] \r\n"
         "</calquads>\r\n</geomap>\r\n";
    return Path;
}

std::string Lower(std::string S)
{
    std::transform(S.begin(), S.end(), S.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return S;
}

} // namespace

TEST(CliAtlas, PickPrintsTheMapAZoomStepSelects)
{
    const std::vector<std::string> Maps = {AtlasMap("Coarse.xml", "100", "c"), AtlasMap("Mid.xml", "50", "m"),
                                           AtlasMap("Fine.xml", "20", "f")};
    const struct {
        std::vector<std::string> Args;
        std::string Out;
    } Cases[] = {
        {{"--zoom", "in", "47.5", "11.5", "100"}, Lower(Maps[1])},
        {{"--zoom", "out", "47.5", "11.5", "20"}, Lower(Maps[1])},
        {{"--zoom", "in", "--minresdiff", "60", "47.5", "11.5", "100"}, Lower(Maps[2])},
        {{"--zoom", "in", "47.5", "11.5", "20"}, "none"},
        {{"--zoom", "in", "-47.5", "11.5", "100"}, "none"},
    };
    for (const auto& C : Cases) {
        std::vector<std::string> Args = {"atlas", "pick"};
        Args.insert(Args.end(), C.Args.begin(), C.Args.end());
        Args.insert(Args.end(), Maps.begin(), Maps.end());
        const auto r = RunTyxgeo(Args);
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Out, C.Out + "\n");
    }
    EXPECT_EQ(RunTyxgeo({"atlas", "pick", "--zoom", "up", "47", "11", "100", Maps[0]}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"atlas", "pick", "--zoom", "in", "47", "11", "100", CliTempDir() + "/none.xml"}).ExitCode, 1);
}

TEST(CliAtlas, ListShowsOneLinePerMap)
{
    const std::string A = AtlasMap("ListA.xml", "100", "Alpine map");
    const std::string B = AtlasMap("ListB.xml", "12.3456", "");
    std::string AUpper = A;
    AUpper.replace(AUpper.size() - 9, 9, "LISTA.XML");
    const auto r = RunTyxgeo({"atlas", "list", A, B, AUpper});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "1\t" + Lower(A) + "\tAlpine map\t100.000\n2\t" + Lower(B) + "\t\t12.346\n");
}

TEST(CliAtlas, RenderWritesTheWholeWidget)
{
    const std::string Map = AtlasMap("Render.xml", "100", "r");
    const std::string Out = CliTempDir() + "/atlas.png";
    const auto r = RunTyxgeo({"atlas", "render", Out, "--select", "1", "--size", "400x250", Map});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    std::ifstream In(Out, std::ios::binary);
    const std::vector<unsigned char> Png{std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
    ASSERT_GT(Png.size(), 24u);
    auto Be32 = [&Png](std::size_t At) { return Png[At] << 24 | Png[At + 1] << 16 | Png[At + 2] << 8 | Png[At + 3]; };
    EXPECT_EQ(Be32(16), 400);
    EXPECT_EQ(Be32(20), 250);
    EXPECT_EQ(RunTyxgeo({"atlas", "render", Out, "--select", "2", Map}).ExitCode, 1);
}
