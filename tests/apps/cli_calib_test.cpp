// tyxgeo calib: summary and conversions of a calibration file through an offscreen map control.
#include "cli_run.h"

#include "geobasics/Tyx_geobasics.h"

#include <QImage>
#include <QPainter>
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

namespace {

// A scan of a UTM sheet: 1200 x 900 pixels at 10 m, its top-left corner at easting 690000 and
// northing 5338000 of zone 32, the kilometre grid drawn every 100 pixels.
constexpr int ScanW = 1200, ScanH = 900, ScanZone = 32;
constexpr double ScanE0 = 690000, ScanN0 = 5338000, ScanStep = 10;

std::string ScanFile()
{
    static const std::string name = [] {
        QImage img(ScanW, ScanH, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setPen(Qt::black);
        for (int x = 0; x <= ScanW; x += 100) p.drawLine(x, 0, x, ScanH);
        for (int y = 0; y <= ScanH; y += 100) p.drawLine(0, y, ScanW, y);
        p.end();
        const std::string path = CliTempDir() + "/scan.png";
        EXPECT_TRUE(img.save(QString::fromStdString(path)));
        return path;
    }();
    return name;
}

struct TGridPosition {
    double Northing, Easting, Lat, Long;
};

TGridPosition ScanPosition(int X, int Y)
{
    TGridPosition g{ScanN0 - ScanStep * Y, ScanE0 + ScanStep * X, 0, 0};
    tyx::UTMToLatLong(g.Easting, g.Northing, ScanZone, false, tyx::gelWGS84, g.Lat, g.Long);
    return g;
}

// Grid crossings to click: the corners' neighbours and the middle of the sheet.
const std::vector<std::array<int, 2>> ScanCrossings = {{100, 100}, {1100, 100}, {100, 800},
                                                       {1100, 800}, {600, 400}, {300, 600}, {900, 200}};

} // namespace

TEST(CliCalibFit, FitsAScanAndItsConversionsFindTheGrid)
{
    struct Case {
        const char* Model;
        bool UTM;
        double MaxResidPx;
        double DegTol; // of the fitted conversions against the grid's own positions
    };
    const Case cases[] = {{"utm", true, 0.001, 1e-7}, {"equirect", false, 0.5, 1e-4},
                          {"biquadraticpn", false, 0.001, 1e-7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Model);
        const std::string out = CliTempDir() + "/scan-" + c.Model + ".xml";
        std::vector<std::string> args = {"calib-fit", ScanFile(), "--model", c.Model, "--out", out};
        if (c.UTM) args.insert(args.end(), {"--zone", std::to_string(ScanZone)});
        for (const auto& [x, y] : ScanCrossings) {
            const TGridPosition g = ScanPosition(x, y);
            args.push_back("--point");
            args.push_back(c.UTM ? fmt::format("{},{},{:.3f},{:.3f}", x, y, g.Northing, g.Easting)
                                 : fmt::format("{},{},{:.9f},{:.9f}", x, y, g.Lat, g.Long));
        }
        const auto r = RunTyxgeo(args);
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        std::istringstream lines(r.Out);
        for (const auto& [x, y] : ScanCrossings) {
            int px = 0, py = 0;
            double a = 0, b = 0, residPx = -1, residM = -1;
            lines >> px >> py >> a >> b >> residPx >> residM;
            EXPECT_EQ(px, x);
            EXPECT_EQ(py, y);
            const TGridPosition g = ScanPosition(x, y);
            EXPECT_NEAR(a, c.UTM ? g.Northing : g.Lat, c.UTM ? 1e-3 : 1e-9);
            EXPECT_NEAR(residM, residPx * ScanStep, 0.01 + residM * 0.01); // a pixel is 10 m
            EXPECT_LT(residPx, c.MaxResidPx) << r.Out;
        }
        std::string word;
        double qx = -1, qy = -1;
        lines >> word >> qx >> qy;
        EXPECT_EQ(word, "quality");
        lines >> word;
        EXPECT_EQ(word, "rms");

        // Pixels between the crossings, converted through the written calibration.
        std::string batch;
        const std::vector<std::array<int, 2>> checks = {{0, 0}, {1200, 900}, {450, 350}, {1010, 90}, {37, 871}};
        for (const auto& [x, y] : checks) batch += fmt::format("{} {}\n", x, y);
        const auto conv = RunTyxgeo({"calib", out, "pixel"}, batch);
        ASSERT_EQ(conv.ExitCode, 0) << conv.Err;
        std::istringstream got(conv.Out);
        for (const auto& [x, y] : checks) {
            double lat = 0, lon = 0;
            int valid = 0;
            got >> lat >> lon >> valid;
            const TGridPosition g = ScanPosition(x, y);
            EXPECT_EQ(valid, 1);
            EXPECT_NEAR(lat, g.Lat, c.DegTol) << x << "," << y;
            EXPECT_NEAR(lon, g.Long, c.DegTol) << x << "," << y;
        }
    }
}

TEST(CliCalibFit, PositionsInAnyFormAndFromCsv)
{
    // An equirectangular calibration of the scan: 48 to 47.7 north, 10 to 10.4 east.
    const std::string img = ScanFile();
    const std::string csv = CliTempDir() + "/points.csv";
    std::ofstream(csv) << "x,y,lat,long\n# the corners\n0,0,48,10\n\n1200,0,48N 10.4E\n";
    const std::string out = CliTempDir() + "/any-form.xml";
    const auto r = RunTyxgeo({"calib-fit", img, "--model", "equirect", "--points-csv", csv, "--out", out, "--point",
                              "0,900,47\xC2\xB0" "42'N 10\xC2\xB0" "00'E", "--point", "600,450,47 51 00 N, 10 12 00 E"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out.substr(0, r.Out.find("quality")),
              "0 900 47.700000000 10.000000000 0.000 0.000\n"
              "600 450 47.850000000 10.200000000 0.000 0.000\n"
              "0 0 48.000000000 10.000000000 0.000 0.000\n"
              "1200 0 48.000000000 10.400000000 0.000 0.000\n");
    const auto conv = RunTyxgeo({"calib", out, "pixel", "300", "225"});
    EXPECT_EQ(conv.Out, "47.925000000 10.100000000 1\n");
}

TEST(CliCalibFit, FitsThatCannotBeMadeWriteNothing)
{
    struct Case {
        std::vector<std::string> Args; // after IMAGE
        int ExitCode;
        const char* Why;
    };
    const std::string missing = CliTempDir() + "/missing.csv";
    const std::string badCsv = CliTempDir() + "/bad.csv";
    std::ofstream(badCsv) << "0,0,48,10\n10,10,48,10\n20,20,48\n";
    const Case cases[] = {
        {{"--model", "equirect", "--point", "0,0,48,10", "--point", "100,0,48,10.1"}, 1,
         "cannot fit the calibration: the equirect model needs at least 3 calibration points, 2 given"},
        {{"--model", "conicconformal"}, 1, "needs at least 3 calibration points, 0 given"},
        {{"--model", "equirect", "--point", "0,0,48,10", "--point", "100,100,47.9,10.1", "--point",
          "300,300,47.7,10.3"}, 1, "all calibration points lie on one line of the image"},
        {{"--model", "biquadraticpn", "--point", "0,0,48,10", "--point", "100,0,48,10.1", "--point",
          "0,100,47.9,10"}, 1, "needs at least 6 calibration points, 3 given"},
        {{"--model", "equirect", "--point", "0,0,48,10", "--point", "1201,0,48,10.1", "--point", "0,100,47.9,10"}, 1,
         "point 2 (1201,0) lies outside the image of 1200 x 900 pixels"},
        {{"--model", "equirect", "--point", "0,0"}, 1, "--point 1: '0,0' is not X,Y,LAT,LONG"},
        {{"--model", "equirect", "--point", "0,0,95,10"}, 1, "--point 1: position '95,10': latitude 95 is outside"},
        {{"--model", "equirect", "--point", "0,x,48,10"}, 1, "Y is not a whole number"},
        {{"--model", "utm", "--zone", "32", "--point", "0,0,48"}, 1, "is not NORTHING,EASTING"},
        {{"--model", "equirect", "--points-csv", missing}, 1, "cannot open points file"},
        {{"--model", "equirect", "--points-csv", badCsv}, 1, "line 3: position '48': expected a latitude"},
        {{"--model", "utm", "--point", "0,0,5338000,690000"}, 2, "the utm model needs --zone"},
        {{"--model", "equirect", "--zone", "32"}, 2, "--zone and --south belong to the utm model"},
        {{"--model", "parabolicip"}, 2, "parabolicip"},
        {{"--model", "utm", "--zone", "61"}, 2, "61"},
    };
    const std::string out = CliTempDir() + "/never.xml";
    for (const Case& c : cases) {
        std::vector<std::string> args = {"calib-fit", ScanFile(), "--out", out};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const auto r = RunTyxgeo(args);
        EXPECT_EQ(r.ExitCode, c.ExitCode) << c.Why << ": " << r.Err;
        EXPECT_NE(r.Err.find(c.Why), std::string::npos) << r.Err;
        EXPECT_FALSE(std::ifstream(out).good()) << c.Why;
    }
    const auto r = RunTyxgeo({"calib-fit", CliTempDir() + "/none.png", "--model", "equirect"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("cannot open image"), std::string::npos) << r.Err;
}
