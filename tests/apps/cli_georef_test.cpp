// tyxgeo worldfile and calib-from: a generated map goes out as a world file and comes back as a
// calibration that converts alike; GDAL's rasters read as GDAL reads them.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

namespace {

/// The numbers of each line of a program's output.
std::vector<std::vector<double>> Numbers(const std::string& Text)
{
    std::vector<std::vector<double>> Rows;
    std::istringstream In(Text);
    for (std::string Line; std::getline(In, Line);) {
        std::istringstream L(Line);
        Rows.emplace_back();
        for (double V = 0; L >> V;) Rows.back().push_back(V);
    }
    return Rows;
}

/// gdalinfo's origin and pixel size: x0, y0, dx, dy.
std::vector<double> GdalGrid(const std::string& File)
{
    const auto Info = RunProgram("gdalinfo", {File});
    std::vector<double> G;
    for (const char* Key : {"Origin = (", "Pixel Size = ("}) {
        const auto At = Info.Out.find(Key);
        if (At == std::string::npos) return {};
        std::string Pair = Info.Out.substr(At + std::strlen(Key), Info.Out.find(')', At) - At - std::strlen(Key));
        std::replace(Pair.begin(), Pair.end(), ',', ' ');
        std::istringstream In(Pair);
        for (double V = 0; In >> V;) G.push_back(V);
    }
    return G;
}

} // namespace

// GDAL's own programs are the reference: rasters it makes open as calibrations that convert as
// gdaltransform does, and the world file written back gives GDAL the raster's grid again.
TEST(CliGeoRef, CalibAgreesWithGdalOnGdalMadeRasters)
{
    for (const char* Program : {"gdal_create", "gdaltransform", "gdal_translate", "gdalinfo"})
        if (!HaveProgram(Program)) GTEST_SKIP() << Program << " is not installed (Debian package gdal-bin)";
    const std::string dir = CliTempDir();
    const struct {
        const char* Name;
        const char* Srs;
        const char* Geographic; // gdaltransform's target for projected rasters
        const char* Corners;    // -a_ullr
        int W, H;
        const char* Options;
    } Cases[] = {
        {"geo", "EPSG:4326", "", "5.5 55.25 15.5 47.75", 400, 300, "TILED=YES"},
        {"utm", "EPSG:32633", "EPSG:4326", "400000 5400000 436000 5364000", 300, 300, "COMPRESS=LZW"},
        {"south", "EPSG:32719", "EPSG:4326", "350000 6250000 380000 6220000", 250, 300, "COMPRESS=DEFLATE"},
        {"etrs", "EPSG:4258", "", "10.125 48.5 11.5 47.25", 330, 300, "TILED=YES"},
        {"etrs-utm", "EPSG:25832", "EPSG:4258", "640000.5 5340000.25 676000.5 5310000.25", 300, 250, "COMPRESS=LZW"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Tif = dir + "/" + C.Name + ".tif", Png = dir + "/" + C.Name + ".png";
        std::vector<std::string> Create = {"-q", "-of", "GTiff", "-outsize", std::to_string(C.W), std::to_string(C.H),
                                           "-bands", "3", "-burn", "90", "-a_srs", C.Srs, "-co", C.Options, "-a_ullr"};
        std::istringstream Ullr(C.Corners);
        for (std::string V; Ullr >> V;) Create.push_back(V);
        Create.push_back(Tif);
        ASSERT_EQ(RunProgram("gdal_create", Create).ExitCode, 0);
        ASSERT_EQ(RunProgram("gdal_translate", {"-q", "-of", "PNG", "-co", "WORLDFILE=YES", Tif, Png}).ExitCode, 0);

        const std::string Pixels = "0 0\n123 45\n" + std::to_string(C.W) + " " + std::to_string(C.H) + "\n17 " +
                                   std::to_string(C.H - 1) + "\n";
        // The GeoTIFF's own tags, and GDAL's .wld with its .aux.xml beside the PNG (whose ten
        // decimals gdaltransform then reads too).
        for (const std::string& Image : {Tif, Png}) {
            SCOPED_TRACE(Image);
            std::vector<std::string> Transform = {Image};
            if (*C.Geographic) Transform = {"-t_srs", C.Geographic, Image};
            const auto Gdal = Numbers(RunProgram("gdaltransform", Transform, Pixels).Out);
            const std::string Xml = Image + ".xml";
            const auto From = RunTyxgeo({"calib-from", Image, "--out", Xml});
            ASSERT_EQ(From.ExitCode, 0) << From.Err;
            const auto Ours = Numbers(RunTyxgeo({"calib", Xml, "pixel"}, Pixels).Out);
            ASSERT_EQ(Ours.size(), Gdal.size());
            for (std::size_t k = 0; k < Gdal.size(); ++k) {
                ASSERT_EQ(Ours[k].size(), 3u);
                ASSERT_GE(Gdal[k].size(), 2u);
                const double dLat = Ours[k][0] - Gdal[k][1], dLong = Ours[k][1] - Gdal[k][0];
                if (!*C.Geographic) {
                    EXPECT_NEAR(dLat, 0, 1e-9) << k;
                    EXPECT_NEAR(dLong, 0, 1e-9) << k;
                } else {
                    // Metres on the ground, for the projected rasters.
                    const double M = 6378137 * std::acos(-1.0) / 180;
                    EXPECT_LT(std::hypot(dLat * M, dLong * M * std::cos(Ours[k][0] * std::acos(-1.0) / 180)), 1e-3) << k;
                }
            }
        }

        // Written back beside the PNG, the world file and .aux.xml give GDAL the same grid.
        std::filesystem::remove(dir + "/" + C.Name + ".wld");
        std::filesystem::remove(Png + ".aux.xml");
        const auto World = RunTyxgeo({"worldfile", Png + ".xml"});
        ASSERT_EQ(World.ExitCode, 0) << World.Err;
        const auto Want = GdalGrid(Tif), Got = GdalGrid(Png);
        ASSERT_EQ(Want.size(), 4u);
        ASSERT_EQ(Got.size(), 4u);
        const double Tol = *C.Geographic ? 1e-3 : 1e-9;
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(Got[k], Want[k], Tol) << k;
        const std::string Srs = RunProgram("gdalinfo", {Png}).Out;
        EXPECT_NE(Srs.find(*C.Geographic ? "UTM zone" : "GEOGCRS[\"WGS 84\""), std::string::npos) << Srs;
    }
}
