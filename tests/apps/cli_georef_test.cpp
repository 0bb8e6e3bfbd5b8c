// tyxgeo worldfile and calib-from: a generated map goes out as a world file and comes back as a
// calibration that converts alike.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

TEST(CliGeoRef, WorldFileAndBackConvertAlike)
{
    const std::string dir = CliTempDir();
    ASSERT_EQ(RunTyxgeo({"emptymap", dir + "/alps.bmp", "46", "9", "48", "13", "1", "1", "400", "200"}).ExitCode, 0);
    // The generated map's own calibration is biquadratic: no world file can hold it.
    const auto refused = RunTyxgeo({"worldfile", dir + "/alps.xml"});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_NE(refused.Err.find("equirect or utm"), std::string::npos) << refused.Err;

    std::ofstream(dir + "/alps.xml", std::ios::binary)
        << "<?xml version=\"1.0\"?>\r\n\r\n"
           "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"Alps\" model=\"equirect\" map=\"alps.bmp\" caption=\"Alps\">\r\n"
           "<ellipsoid>gelWGS84</ellipsoid>\r\n"
           "<calquads npoints=\"3\">\r\n[48.00000,9.00000,0,0] [48.10000,13.00000,400,0] [46.00000,9.05000,0,200] \r\n"
           "</calquads>\r\n</geomap>\r\n";
    const auto w = RunTyxgeo({"worldfile", dir + "/alps.xml"});
    ASSERT_EQ(w.ExitCode, 0) << w.Err;
    EXPECT_EQ(w.Err, "");
    EXPECT_TRUE(std::filesystem::exists(dir + "/alps.bpw"));
    EXPECT_TRUE(std::filesystem::exists(dir + "/alps.prj"));

    const auto c = RunTyxgeo({"calib-from", dir + "/alps.bmp", "--out", dir + "/back.xml"});
    ASSERT_EQ(c.ExitCode, 0) << c.Err;
    EXPECT_EQ(c.Err, "");
    for (const char* px : {"0 0", "123 45", "399 199"}) {
        const std::string in = std::string(px) + "\n";
        const auto a = RunTyxgeo({"calib", dir + "/alps.xml", "pixel"}, in);
        const auto b = RunTyxgeo({"calib", dir + "/back.xml", "pixel"}, in);
        ASSERT_EQ(b.ExitCode, 0) << b.Err;
        EXPECT_EQ(a.Out, b.Out) << px;
    }

    const auto none = RunTyxgeo({"calib-from", dir + "/back.xml"});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_NE(none.Err.find("no world file"), std::string::npos) << none.Err;
}
