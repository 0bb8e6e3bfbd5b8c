// tyxgeo calib: summary and conversions of a calibration file through an offscreen map control.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Two blocks: "Town" (equirectangular, three points that map pixels to positions exactly) and
// "Blank" (no model).
std::string CalibFile()
{
    static const std::string name = [] {
        const std::string path = CliTempDir() + "/calib.xml";
        std::ofstream f(path, std::ios::binary);
        f << "<?xml version=\"1.0\"?>\r\n\r\n"
             "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"Town\" model=\"equirect\" map=\"town.jpg\" caption=\"Town\">\r\n"
             "<corners>\r\n[48.00000,10.00000] [47.70000,10.00000] [47.70000,10.40000] [48.00000,10.40000] \r\n"
             "</corners>\r\n<resolution>74.125</resolution>\r\n<ellipsoid>gelWGS84</ellipsoid>\r\n"
             "<calquads npoints=\"3\">\r\n[48.00000,10.00000,0,0] [48.00000,10.40000,400,0] [47.70000,10.00000,0,300] \r\n"
             "</calquads>\r\n</geomap>\r\n"
             "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"Blank\" model=\"undefined\" map=\"\" caption=\"\">\r\n"
             "<calline type=\"parallel\" value=\"47\" npoints=\"3\">\r\n[1,1] [2,2] [3,3] \r\n</calline>\r\n"
             "</geomap>\r\n";
        return path;
    }();
    return name;
}

} // namespace

TEST(CliCalib, InfoSummarisesTheSelectedBlock)
{
    const auto r = RunTyxgeo({"calib", CalibFile(), "info"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "model equirect\n"
                     "corners 48.000000,10.000000 47.700000,10.000000 47.700000,10.400000 48.000000,10.400000\n"
                     "resolution 74.125\n"
                     "points 3\n"
                     "lines 0\n"
                     "quality 0.000 0.000\n");
    const auto blank = RunTyxgeo({"calib", CalibFile(), "--id", "BLANK", "info"});
    ASSERT_EQ(blank.ExitCode, 0) << blank.Err;
    EXPECT_NE(blank.Out.find("model undefined\n"), std::string::npos);
    EXPECT_NE(blank.Out.find("points 0\nlines 1\n"), std::string::npos);
}

TEST(CliCalib, ConversionsOnArgumentsAndInBatch)
{
    auto r = RunTyxgeo({"calib", CalibFile(), "--id", "town", "pixel", "200", "150"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "47.850000000 10.200000000 1\n");
    r = RunTyxgeo({"calib", CalibFile(), "latlong", "47.85", "10.3", "--id", "Town"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "300 150 1\n");

    r = RunTyxgeo({"calib", CalibFile(), "pixel"}, "0 0\n\n400 300\nx 1\n-100 0\n");
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out.substr(0, 56), "48.000000000 10.000000000 1\n47.700000000 10.400000000 1\n");
    EXPECT_NE(r.Out.find("error: "), std::string::npos);
    EXPECT_NE(r.Out.find("48.000000000 9.900000000 1\n"), std::string::npos); // after the bad line

    r = RunTyxgeo({"calib", CalibFile(), "latlong"}, "47.7 10.0\n48 10.4\n");
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "0 300 1\n400 0 1\n");
}

TEST(CliCalib, UndefinedModelReportsFailure)
{
    auto r = RunTyxgeo({"calib", CalibFile(), "--id", "blank", "pixel", "10", "10"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "0.000000000 0.000000000 0\n");
    r = RunTyxgeo({"calib", CalibFile(), "--id", "blank", "latlong", "47", "10"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "0 0 0\n");
}

TEST(CliCalib, BadFilesIdsAndUsage)
{
    auto r = RunTyxgeo({"calib", CliTempDir() + "/none.xml", "info"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("cannot open calibration file"), std::string::npos);
    r = RunTyxgeo({"calib", CalibFile(), "--id", "elsewhere", "info"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("no calibration block with id 'elsewhere'"), std::string::npos);
    EXPECT_EQ(RunTyxgeo({"calib", CalibFile(), "pixel", "1"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"calib", CalibFile()}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"calib", CalibFile(), "pixel", "1.5", "2"}).ExitCode, 1);
}

TEST(CliCalib, NoPixelForNonPositionsAndNoPositionBeyondAPole)
{
    for (const char* bad : {"nan", "inf", "+inf"}) {
        const auto r = RunTyxgeo({"calib", CalibFile(), "latlong", bad, "10"});
        EXPECT_EQ(r.ExitCode, 1) << bad << ": " << r.Out;
        EXPECT_NE(r.Err.find("not a finite number"), std::string::npos) << r.Err;
    }
    auto r = RunTyxgeo({"calib", CalibFile(), "latlong", "1e308", "10"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "0 0 0\n");
    r = RunTyxgeo({"calib", CalibFile(), "pixel", "0", "2000000000"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "0.000000000 10.000000000 0\n");
}
