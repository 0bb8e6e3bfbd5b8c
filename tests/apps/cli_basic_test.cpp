#include "cli_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

TEST(Cli, VersionHelpAndUsageErrors)
{
    const auto v = RunTyxgeo({"version"});
    EXPECT_EQ(v.ExitCode, 0);
    EXPECT_FALSE(v.Out.empty());

    const auto h = RunTyxgeo({"--help"});
    EXPECT_EQ(h.ExitCode, 0);
    EXPECT_NE(h.Out.find("version"), std::string::npos);

    EXPECT_EQ(RunTyxgeo({}).ExitCode, 2);
    const auto bad = RunTyxgeo({"no-such-command"});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_FALSE(bad.Err.empty());
}

namespace {

std::string ReadFile(const std::string& Name)
{
    std::ifstream In(Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& Name, const std::string& Text) { std::ofstream(Name, std::ios::binary) << Text; }

std::string EquirectCalibration(const std::string& Image)
{
    return "<?xml version=\"1.0\"?>\r\n\r\n"
           "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"E\" model=\"equirect\" map=\"" + Image + "\" caption=\"E\">\r\n"
           "<ellipsoid>gelWGS84</ellipsoid>\r\n<calquads npoints=\"3\">\r\n"
           "[48.0,9.0,0,0] [48.0,13.0,400,0] [46.0,9.0,0,200] \r\n</calquads>\r\n</geomap>\r\n";
}

} // namespace

TEST(Cli, NoCommandWritesOverAFileItReads)
{
    namespace fs = std::filesystem;
    const std::string D = CliTempDir() + "/";
    ASSERT_EQ(RunTyxgeo({"db", "create", D + "at"}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"db", "add", D + "at", "town", "Innsbruck", "47.27,11.39"}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"emptymap", D + "alps.bmp", "46", "9", "48", "13", "1", "1", "400", "200"}).ExitCode, 0);
    WriteFile(D + "towns.xml", "<gmlandmarks sig=\"Tyxware\" vers=\"1.0\" id=\"t\">\r\n"
                               "<landmark lat=\"47.6\" long=\"10.0\" element=\"circle\" size=\"5\" />\r\n"
                               "</gmlandmarks>\r\n");
    const auto Rows = RunTyxgeo({"landmarks", D + "towns.xml"});
    ASSERT_EQ(Rows.ExitCode, 0) << Rows.Err;
    WriteFile(D + "rows.txt", Rows.Out);
    // An equirect calibration named like the .prj its world file gets, and one that has written
    // its world file beside the map.
    fs::copy_file(D + "alps.bmp", D + "pic.bmp");
    WriteFile(D + "pic.prj", EquirectCalibration("pic.bmp"));
    WriteFile(D + "eq.xml", EquirectCalibration("alps.bmp"));
    ASSERT_EQ(RunTyxgeo({"worldfile", D + "eq.xml"}).ExitCode, 0);
    // Other names for files that are read, and one output that is another.
    fs::create_symlink(D + "towns.xml", D + "towns.png");
    fs::create_directory(D + "atlas");
    fs::create_hard_link(D + "at.tyxgds", D + "atlas/cities.xml");
    WriteFile(D + "twin.bmp", "keep");
    fs::create_symlink(D + "twin.bmp", D + "twin.xml");

    const struct {
        std::vector<std::string> Args;
        std::string Kept;
        bool FromKept = false; // standard input is read from the kept file
    } Cases[] = {
        {{"db", "export", D + "at", D + "at.tyxgds"}, D + "at.tyxgds"},
        {{"db", "export", D + "at", D + "at.tyxgdd"}, D + "at.tyxgdd"},
        {{"render", D + "alps.xml", D + "alps.bmp"}, D + "alps.bmp"},
        {{"render", D + "alps.xml", D + "towns.png", "--landmarks", D + "towns.xml"}, D + "towns.xml"},
        {{"atlas", "render", D + "alps.bmp", "--select", "1", D + "alps.xml"}, D + "alps.bmp"},
        {{"atlas", "build", D + "atlas", "--db", D + "at"}, D + "at.tyxgds"},
        {{"landmarks-write", D + "rows.txt", "--id", "t"}, D + "rows.txt", true},
        {{"emptymap", D + "twin.map", "46", "9", "48", "13", "1", "1", "400", "200"}, D + "twin.bmp"},
        {{"worldfile", D + "pic.prj"}, D + "pic.prj"},
        {{"calib-from", D + "alps.bmp", "--out", D + "alps.bpw"}, D + "alps.bpw"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Args[0] + " " + C.Args[1]);
        const std::string Before = ReadFile(C.Kept);
        ASSERT_FALSE(Before.empty());
        const auto R = C.FromKept ? RunTyxgeoFrom(C.Args, C.Kept) : RunTyxgeo(C.Args);
        EXPECT_EQ(R.ExitCode, 1) << R.Err;
        EXPECT_NE(R.Err.find("refusing"), std::string::npos) << R.Err;
        EXPECT_EQ(ReadFile(C.Kept), Before);
    }
    EXPECT_EQ(RunTyxgeo({"db", "list", D + "at"}).Out.substr(0, 2), "1\t");
}
