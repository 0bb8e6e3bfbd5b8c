// World files and GeoTIFF: calibrations written and read back, GeoTIFFs this test writes with
// libgeotiff, and the georeferencing that is refused.
#include <gtest/gtest.h>

#include <geotiff/geotiff.h>
#include <geotiff/geovalues.h>
#include <geotiff/xtiffio.h>
#include <tiffio.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "geobasics/Tyx_geobasics.h"
#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"
#include "tiff_test_util.h"

namespace tyx {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    std::ostringstream S;
    S << In.rdbuf();
    return S.str();
}

/// A 40 x 30 RGB GeoTIFF, red left of column 20 and blue right of it; Tags sets the georeferencing.
void WriteGeoTiff(const std::string& Path, const std::function<void(TIFF*, GTIF*)>& Tags)
{
    test::WriteTestTiff(Path, COMPRESSION_NONE, false, Tags);
}

void SetKey(GTIF* G, geokey_t Key, int Value) { GTIFKeySet(G, Key, TYPE_SHORT, 1, Value); }

class GeoRefTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = fs::temp_directory_path() / ("tyx_georef_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(FDir);
        M.SetName("Map1");
    }
    void TearDown() override { fs::remove_all(FDir); }
    std::string Path(const std::string& Name) const { return (FDir / Name).string(); }
    std::string WritePng(const std::string& Name, int W, int H) const
    {
        TBitmap B;
        test::FillBitmap(B, W, H, clBlue);
        B.Image().save(QString::fromStdString(Path(Name)));
        return Path(Name);
    }
    fs::path FDir;
    TGeoMap M;
};

struct TRoundTripCase {
    const char* Name;
    TCalibModel Model;
    int Zone;
    THemisphere Hemisphere;
    // Three calibration points (latitude or northing, longitude or easting, x, y); the third
    // makes the pixel axes slightly rotated.
    double P[3][4];
    const char* PrjHas;
};

TEST_F(GeoRefTest, WorldFileRoundTripKeepsEveryConversion)
{
    const TRoundTripCase Cases[] = {
        {"equirect", cmEquiRect, 0, hemiNorth, {{48.0, 10.0, 0, 0}, {48.01, 10.4, 400, 0}, {47.7, 9.98, 0, 300}}, "GEOGCS"},
        {"utm-north", cmUTM, 33, hemiNorth, {{5340000, 600000, 0, 0}, {5340020, 604000, 400, 0}, {5337000, 599990, 0, 300}},
         "UTM_Zone_33N"},
        {"utm-south", cmUTM, 19, hemiSouth, {{6250000, 350000, 0, 0}, {6250000, 354000, 400, 0}, {6247000, 350000, 0, 300}},
         "UTM_Zone_19S"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Image = WritePng(std::string(C.Name) + ".png", 401, 301);
        TGeoMap Src;
        Src.SetMapImgName(Image);
        Src.SetCalibModel(C.Model);
        if (C.Model == cmUTM) {
            Src.SetUTMZone(C.Zone);
            Src.SetUTMHemisphere(C.Hemisphere);
        }
        for (const auto& P : C.P) {
            if (C.Model == cmUTM)
                Src.AddCalibPoint(P[0], P[1], C.Zone, C.Hemisphere, static_cast<int>(P[2]), static_cast<int>(P[3]));
            else
                Src.AddCalibPoint(P[0], P[1], static_cast<int>(P[2]), static_cast<int>(P[3]));
        }
        Src.RecalcCalibration();
        Src.SaveWorldFile(Image);
        ASSERT_TRUE(fs::exists(Path(std::string(C.Name) + ".pgw")));
        EXPECT_NE(Slurp(Path(std::string(C.Name) + ".prj")).find(C.PrjHas), std::string::npos);

        M.LoadWorldFile(Image);
        EXPECT_EQ(M.CalibModel(), C.Model);
        EXPECT_EQ(M.MapImgFile(), Image);
        if (C.Model == cmUTM) {
            EXPECT_EQ(M.GetUTMZone(), C.Zone);
            EXPECT_EQ(M.GetUTMHemisphere(), C.Hemisphere);
        }
        for (int x : {0, 17, 200, 400})
            for (int y : {0, 150, 299}) {
                bool V1 = false, V2 = false, V3 = false, V4 = false;
                EXPECT_NEAR(M.CalcLatitude(x, y, V1), Src.CalcLatitude(x, y, V2), 1e-9);
                EXPECT_NEAR(M.CalcLongitude(x, y, V3), Src.CalcLongitude(x, y, V4), 1e-9);
                EXPECT_TRUE(V1 && V2 && V3 && V4);
                int X1 = -1, Y1 = -1, X2 = -2, Y2 = -2;
                const double Lat = Src.CalcLatitude(x, y, V1), Long = Src.CalcLongitude(x, y, V2);
                EXPECT_TRUE(M.CalcPixelCoords(Lat, Long, X1, Y1));
                Src.CalcPixelCoords(Lat, Long, X2, Y2);
                EXPECT_EQ(X1, X2);
                EXPECT_EQ(Y1, Y2);
            }
    }
}

TEST_F(GeoRefTest, WorldFilesGivePixelCentresAndNameTheirCrs)
{
    // An upright map calibrated on its outer corners: the world file names the centre of the
    // first pixel, half a pixel inside, with exact zeros for the rotation.
    const std::string Image = WritePng("up.png", 400, 300);
    TGeoMap Src;
    Src.SetMapImgName(Image);
    Src.SetCalibModel(cmEquiRect);
    Src.AddCalibPoint(48.0, 10.0, 0, 0);
    Src.AddCalibPoint(48.0, 10.4, 400, 0);
    Src.AddCalibPoint(47.7, 10.0, 0, 300);
    Src.RecalcCalibration();
    Src.SaveWorldFile(Image);
    std::istringstream World(Slurp(Path("up.pgw")));
    std::vector<std::string> Lines;
    for (std::string L; std::getline(World, L);) Lines.push_back(L.substr(0, L.find('\r')));
    ASSERT_EQ(Lines.size(), 6u);
    EXPECT_EQ(Lines[1], "0");
    EXPECT_EQ(Lines[2], "0");
    const double Expected[] = {0.001, 0, 0, -0.001, 10.0 + 0.0005, 48.0 - 0.0005};
    for (int k : {0, 3, 4, 5}) EXPECT_NEAR(std::stod(Lines[k]), Expected[k], 1e-12) << k;
    EXPECT_NE(Slurp(Path("up.png.aux.xml")).find("4326"), std::string::npos);

    // CRS files beside a world file, as GDAL and other tools write them.
    const std::string Etrs89Utm32 =
        "PROJCRS[\"ETRS89 / UTM zone 32N\",BASEGEOGCRS[\"ETRS89\",ENSEMBLE[\"European Terrestrial Reference System 1989 "
        "ensemble\",MEMBER[\"European Terrestrial Reference Frame 1989\"],ELLIPSOID[\"GRS 1980\",6378137,298.257222101,"
        "LENGTHUNIT[\"metre\",1]],ENSEMBLEACCURACY[0.1]],PRIMEM[\"Greenwich\",0,ANGLEUNIT[\"degree\",0.0174532925199433]]],"
        "CONVERSION[\"UTM zone 32N\",METHOD[\"Transverse Mercator\",ID[\"EPSG\",9807]],PARAMETER[\"Latitude of natural "
        "origin\",0,ANGLEUNIT[\"degree\",0.0174532925199433]],PARAMETER[\"Longitude of natural origin\",9,ANGLEUNIT["
        "\"degree\",0.0174532925199433]],PARAMETER[\"Scale factor at natural origin\",0.9996,SCALEUNIT[\"unity\",1]],"
        "PARAMETER[\"False easting\",500000,LENGTHUNIT[\"metre\",1]],PARAMETER[\"False northing\",0,LENGTHUNIT[\"metre\",1]"
        "]],CS[Cartesian,2],AXIS[\"easting\",east,ORDER[1],LENGTHUNIT[\"metre\",1]],AXIS[\"northing\",north,ORDER[2],"
        "LENGTHUNIT[\"metre\",1]]]";
    const std::string Wgs84Wkt2 =
        "GEOGCRS[\"WGS 84\",DATUM[\"World Geodetic System 1984\",ELLIPSOID[\"WGS 84\",6378137,298.257223563]],PRIMEM["
        "\"Greenwich\",0],CS[ellipsoidal,2],AXIS[\"latitude\",north,ANGLEUNIT[\"degree\",0.0174532925199433]],AXIS["
        "\"longitude\",east,ANGLEUNIT[\"degree\",0.0174532925199433]]]";
    const std::string Etrs89Geog =
        "GEOGCS[\"ETRS89\",DATUM[\"European_Terrestrial_Reference_System_1989\",SPHEROID[\"GRS 1980\",6378137,"
        "298.257222101]],PRIMEM[\"Greenwich\",0],UNIT[\"degree\",0.0174532925199433],AUTHORITY[\"EPSG\",\"4258\"]]";
    const std::string Lambert =
        "PROJCRS[\"MGI / Austria Lambert\",BASEGEOGCRS[\"MGI\",DATUM[\"Militar-Geographische Institut\",ELLIPSOID["
        "\"Bessel 1841\",6377397.155,299.1528128]]],CONVERSION[\"Austria Lambert\",METHOD[\"Lambert Conic Conformal "
        "(2SP)\"]],CS[Cartesian,2],ID[\"EPSG\",31287]]";
    const std::string Nad27 = "GEOGCS[\"NAD27\",DATUM[\"North_American_Datum_1927\",SPHEROID[\"Clarke 1866\",6378206.4,"
                              "294.9786982]],PRIMEM[\"Greenwich\",0],UNIT[\"degree\",0.0174532925199433]]";
    const auto Aux = [](std::string Wkt) {
        for (std::size_t k = 0; (k = Wkt.find('"', k)) != std::string::npos; k += 6) Wkt.replace(k, 1, "&quot;");
        return "<PAMDataset>\n  <SRS dataAxisToSRSAxisMapping=\"1,2\">" + Wkt + "</SRS>\n</PAMDataset>\n";
    };
    const char* const Metres = "30\n0\n0\n-30\n500015\n5300015\n";
    const char* const Degrees = "0.01\n0\n0\n-0.01\n10.005\n47.995\n";
    const struct {
        const char* Name;
        const char* CrsFile;
        std::string Crs;
        const char* World;
        TCalibModel Model; // cmUndefined: refused
        int Zone;
        const char* Says;
    } Cases[] = {
        {"ETRS89 UTM, WKT 2 in .aux.xml", ".png.aux.xml", Aux(Etrs89Utm32), Metres, cmUTM, 32, ""},
        {"WGS 84, WKT 2 in .aux.xml", ".png.aux.xml", Aux(Wgs84Wkt2), Degrees, cmEquiRect, 0, ""},
        {"ETRS89, WKT 1 in .prj", ".prj", Etrs89Geog, Degrees, cmEquiRect, 0, ""},
        {"Lambert", ".png.aux.xml", Aux(Lambert), Metres, cmUndefined, 0, "\"MGI / Austria Lambert\""},
        {"NAD27", ".prj", Nad27, Degrees, cmUndefined, 0, "\"NAD27\""},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Img = WritePng("g.png", 100, 100);
        for (const char* Old : {"g.png.aux.xml", "g.prj"}) fs::remove(Path(Old));
        std::ofstream(Path("g.wld"), std::ios::binary) << C.World;
        std::ofstream(Path(std::string("g") + C.CrsFile), std::ios::binary) << C.Crs;
        TGeoMap Map;
        Map.SetName("Map1");
        if (C.Model == cmUndefined) {
            try {
                Map.LoadWorldFile(Img);
                ADD_FAILURE() << "loaded";
            } catch (const ETYXGeoMapError& E) {
                EXPECT_NE(std::string(E.what()).find(std::string("unsupported coordinate reference system ") + C.Says),
                          std::string::npos)
                    << E.what();
            }
            continue;
        }
        Map.LoadWorldFile(Img);
        EXPECT_EQ(Map.CalibModel(), C.Model);
        bool V = false;
        if (C.Model == cmUTM) {
            EXPECT_EQ(Map.GetUTMZone(), C.Zone);
            double Lat = 0, Long = 0;
            UTMToLatLong(500000 + 30 * 10, 5300030 - 30 * 20, C.Zone, false, gelWGS84, Lat, Long);
            EXPECT_NEAR(Map.CalcLatitude(10, 20, V), Lat, 1e-9);
            EXPECT_NEAR(Map.CalcLongitude(10, 20, V), Long, 1e-9);
        } else {
            EXPECT_NEAR(Map.CalcLatitude(10, 20, V), 48.0 - 20 * 0.01, 1e-12);
            EXPECT_NEAR(Map.CalcLongitude(10, 20, V), 10.0 + 10 * 0.01, 1e-12);
        }
    }
}

TEST_F(GeoRefTest, RefusalsLeaveTheControlAsItWas)
{
    // A model that is not affine has no world file.
    const std::string Image = WritePng("a.png", 50, 40);
    M.SetMapImgName(Image);
    M.SetCalibModel(cmBiquadraticPn);
    try {
        M.SaveWorldFile(Image);
        FAIL() << "biquadratic saved";
    } catch (const ETYXGeoMapError& E) {
        EXPECT_NE(std::string(E.what()).find("equirect or utm"), std::string::npos) << E.what();
    }
    EXPECT_FALSE(fs::exists(Path("a.pgw")));

    const std::string Other = WritePng("b.png", 60, 20);
    const auto Refused = [&](const char* Why, const std::string& World, const std::string& Prj) {
        SCOPED_TRACE(Why);
        std::ofstream(Path("b.pgw"), std::ios::binary) << World;
        fs::remove(Path("b.prj"));
        if (!Prj.empty()) std::ofstream(Path("b.prj"), std::ios::binary) << Prj;
        EXPECT_THROW(M.LoadWorldFile(Other), ETYXGeoMapError);
        EXPECT_EQ(M.MapImgFile(), Image);
        EXPECT_EQ(M.CalibModel(), cmBiquadraticPn);
    };
    Refused("five numbers", "0.1\n0\n0\n-0.1\n10\n", "");
    Refused("a word", "0.1\n0\n0\n-0.1\n10\nnorth\n", "");
    Refused("metres without a .prj", "10\n0\n0\n-10\n500000\n5300000\n", "");
    Refused("degenerate axes", "0.1\n0\n0.1\n0\n10\n48\n", "");
    Refused("another projection", "10\n0\n0\n-10\n500000\n5300000\n",
            "PROJCS[\"MGI_Austria_Lambert\",GEOGCS[\"GCS_MGI\",DATUM[\"D_MGI\",SPHEROID[\"Bessel_1841\",6377397.155,"
            "299.1528128]]],PROJECTION[\"Lambert_Conformal_Conic\"]]");
    EXPECT_THROW(M.LoadWorldFile(Path("nothing.png")), ETYXGeoMapError);
}

TEST_F(GeoRefTest, GeoTiffOpensAsACalibratedMap)
{
    // Geographic WGS 84 by tie point and pixel scale; the tie point is the corner of pixel (0, 0).
    const std::string Geo = Path("geo.tif");
    WriteGeoTiff(Geo, [](TIFF* Tif, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeGeographic);
        SetKey(G, GTRasterTypeGeoKey, RasterPixelIsArea);
        SetKey(G, GeographicTypeGeoKey, GCS_WGS_84);
        double Tie[6] = {0, 0, 0, 16.0, 48.5, 0};
        double Scale[3] = {0.01, 0.005, 0};
        TIFFSetField(Tif, TIFFTAG_GEOTIEPOINTS, 6, Tie);
        TIFFSetField(Tif, TIFFTAG_GEOPIXELSCALE, 3, Scale);
    });
    M.LoadGeoTIFF(Geo);
    EXPECT_EQ(M.CalibModel(), cmEquiRect);
    EXPECT_EQ(M.MapImgWidth(), 40);
    EXPECT_EQ(M.MapImgHeight(), 30);
    EXPECT_EQ(M.MapBitmap().Canvas().Pixels(3, 3), clRed);
    EXPECT_EQ(M.MapBitmap().Canvas().Pixels(30, 3), clBlue);
    bool V = false;
    // Map-image (0, 0) is the image's corner, where the tie point is.
    EXPECT_NEAR(M.CalcLatitude(0, 0, V), 48.5, 1e-12);
    EXPECT_NEAR(M.CalcLongitude(10, 0, V), 16.0 + 10 * 0.01, 1e-12);
    EXPECT_NEAR(M.CalcLatitude(0, 20, V), 48.5 - 20 * 0.005, 1e-12);
    EXPECT_NEAR(M.CalibData().Corners[gcoBottomRight].Latit, 48.5 - 30 * 0.005, 1e-12);
    EXPECT_NEAR(M.CalibData().Corners[gcoBottomRight].Longit, 16.0 + 40 * 0.01, 1e-12);

    // UTM by a transformation matrix whose values are pixel centres: raster (0, 0) is map (0.5, 0.5).
    const auto WriteUtm = [&](const std::string& Name, int Pcs) {
        WriteGeoTiff(Path(Name), [Pcs](TIFF* Tif, GTIF* G) {
            SetKey(G, GTModelTypeGeoKey, ModelTypeProjected);
            SetKey(G, GTRasterTypeGeoKey, RasterPixelIsPoint);
            SetKey(G, ProjectedCSTypeGeoKey, Pcs);
            double Matrix[16] = {30, 0, 0, 400000, 0, -30, 0, 8000000, 0, 0, 0, 0, 0, 0, 0, 1};
            TIFFSetField(Tif, TIFFTAG_GEOTRANSMATRIX, 16, Matrix);
        });
        return Path(Name);
    };
    const struct {
        const char* Name;
        int Pcs, Zone;
        THemisphere Hemisphere;
    } Utms[] = {{"utm.tiff", PCS_WGS84_UTM_zone_33S, 33, hemiSouth}, {"etrs.tif", 25832, 32, hemiNorth}};
    for (const auto& U : Utms) {
        SCOPED_TRACE(U.Name);
        M.LoadGeoTIFF(WriteUtm(U.Name, U.Pcs));
        EXPECT_EQ(M.CalibModel(), cmUTM);
        EXPECT_EQ(M.GetUTMZone(), U.Zone);
        EXPECT_EQ(M.GetUTMHemisphere(), U.Hemisphere);
        double Lat = 0, Long = 0;
        UTMToLatLong(400000 + 30 * (25 - 0.5), 8000000 - 30 * (7 - 0.5), U.Zone, U.Hemisphere == hemiSouth, gelWGS84, Lat,
                     Long);
        EXPECT_NEAR(M.CalcLatitude(25, 7, V), Lat, 1e-9);
        EXPECT_NEAR(M.CalcLongitude(25, 7, V), Long, 1e-9);
    }
    const std::string Utm = Path("etrs.tif");

    // Other georeferencing is refused and the UTM map stays.
    const auto Refused = [&](const char* Name, const std::function<void(TIFF*, GTIF*)>& Tags, const char* Says) {
        SCOPED_TRACE(Name);
        WriteGeoTiff(Path(Name), Tags);
        try {
            M.LoadGeoTIFF(Path(Name));
            ADD_FAILURE() << "loaded";
        } catch (const ETYXGeoMapError& E) {
            EXPECT_NE(std::string(E.what()).find(Says), std::string::npos) << E.what();
        }
        EXPECT_EQ(M.MapImgFile(), Utm);
        EXPECT_EQ(M.CalibModel(), cmUTM);
    };
    Refused("lambert.tif", [](TIFF* Tif, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeProjected);
        SetKey(G, ProjectedCSTypeGeoKey, 31287); // Austria Lambert on MGI
        double Matrix[16] = {30, 0, 0, 400000, 0, -30, 0, 400000, 0, 0, 0, 0, 0, 0, 0, 1};
        TIFFSetField(Tif, TIFFTAG_GEOTRANSMATRIX, 16, Matrix);
    }, "unsupported coordinate reference system \"EPSG:31287\"");
    Refused("nad27.tif", [](TIFF* Tif, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeGeographic);
        SetKey(G, GeographicTypeGeoKey, GCS_NAD27);
        double Tie[6] = {0, 0, 0, -100.0, 40.0, 0};
        double Scale[3] = {0.01, 0.01, 0};
        TIFFSetField(Tif, TIFFTAG_GEOTIEPOINTS, 6, Tie);
        GTIFKeySet(G, GeogCitationGeoKey, TYPE_ASCII, 0, "NAD27");
        TIFFSetField(Tif, TIFFTAG_GEOPIXELSCALE, 3, Scale);
    }, "unsupported coordinate reference system \"NAD27\"");
    Refused("no-position.tif", [](TIFF*, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeGeographic);
        SetKey(G, GeographicTypeGeoKey, GCS_WGS_84);
    }, "unsupported georeferencing");
    Refused("plain.tif", [](TIFF*, GTIF*) {}, "unsupported georeferencing");
}

} // namespace
} // namespace tyx
