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

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

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
    constexpr int W = 40, H = 30;
    TIFF* Tif = XTIFFOpen(Path.c_str(), "w");
    ASSERT_NE(Tif, nullptr);
    TIFFSetField(Tif, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(Tif, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(Tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(Tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(Tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(Tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(Tif, TIFFTAG_ROWSPERSTRIP, H);
    GTIF* G = GTIFNew(Tif);
    Tags(Tif, G);
    GTIFWriteKeys(G);
    std::vector<uint8_t> Row(W * 3);
    for (int x = 0; x < W; ++x) Row[x * 3 + (x < 20 ? 0 : 2)] = 255;
    for (int y = 0; y < H; ++y) TIFFWriteScanline(Tif, Row.data(), static_cast<uint32_t>(y), 0);
    GTIFFree(G);
    XTIFFClose(Tif);
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
    EXPECT_NEAR(M.CalcLatitude(0, 0, V), 48.5 - 0.0025, 1e-9);
    EXPECT_NEAR(M.CalcLongitude(10, 0, V), 16.0 + 10.5 * 0.01, 1e-9);
    EXPECT_NEAR(M.CalcLatitude(0, 20, V), 48.5 - 20.5 * 0.005, 1e-9);

    // UTM zone 33 south by a transformation matrix whose values are pixel centres.
    const std::string Utm = Path("utm.tiff");
    WriteGeoTiff(Utm, [](TIFF* Tif, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeProjected);
        SetKey(G, GTRasterTypeGeoKey, RasterPixelIsPoint);
        SetKey(G, ProjectedCSTypeGeoKey, PCS_WGS84_UTM_zone_33S);
        double Matrix[16] = {30, 0, 0, 400000, 0, -30, 0, 8000000, 0, 0, 0, 0, 0, 0, 0, 1};
        TIFFSetField(Tif, TIFFTAG_GEOTRANSMATRIX, 16, Matrix);
    });
    TGeoMap Expected;
    Expected.SetMapBitMap(M.MapBitmap());
    Expected.SetCalibModel(cmUTM);
    Expected.SetUTMZone(33);
    Expected.SetUTMHemisphere(hemiSouth);
    Expected.AddCalibPoint(8000000, 400000, 33, hemiSouth, 0, 0);
    Expected.AddCalibPoint(8000000, 400000 + 39 * 30, 33, hemiSouth, 39, 0);
    Expected.AddCalibPoint(8000000 - 29 * 30, 400000, 33, hemiSouth, 0, 29);
    Expected.RecalcCalibration();
    M.LoadGeoTIFF(Utm);
    EXPECT_EQ(M.CalibModel(), cmUTM);
    EXPECT_EQ(M.GetUTMZone(), 33);
    EXPECT_EQ(M.GetUTMHemisphere(), hemiSouth);
    bool V2 = false;
    EXPECT_NEAR(M.CalcLatitude(25, 7, V), Expected.CalcLatitude(25, 7, V2), 1e-9);
    EXPECT_NEAR(M.CalcLongitude(25, 7, V), Expected.CalcLongitude(25, 7, V2), 1e-9);
    EXPECT_LT(M.CalcLatitude(25, 7, V), 0);

    // Other georeferencing is refused and the UTM map stays.
    const auto Refused = [&](const char* Name, const std::function<void(TIFF*, GTIF*)>& Tags) {
        SCOPED_TRACE(Name);
        WriteGeoTiff(Path(Name), Tags);
        try {
            M.LoadGeoTIFF(Path(Name));
            ADD_FAILURE() << "loaded";
        } catch (const ETYXGeoMapError& E) {
            EXPECT_NE(std::string(E.what()).find("unsupported georeferencing"), std::string::npos) << E.what();
        }
        EXPECT_EQ(M.MapImgFile(), Utm);
        EXPECT_EQ(M.CalibModel(), cmUTM);
    };
    Refused("lambert.tif", [](TIFF* Tif, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeProjected);
        SetKey(G, ProjectedCSTypeGeoKey, 31287); // Austria Lambert on MGI
        double Matrix[16] = {30, 0, 0, 400000, 0, -30, 0, 400000, 0, 0, 0, 0, 0, 0, 0, 1};
        TIFFSetField(Tif, TIFFTAG_GEOTRANSMATRIX, 16, Matrix);
    });
    Refused("nad27.tif", [](TIFF* Tif, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeGeographic);
        SetKey(G, GeographicTypeGeoKey, GCS_NAD27);
        double Tie[6] = {0, 0, 0, -100.0, 40.0, 0};
        double Scale[3] = {0.01, 0.01, 0};
        TIFFSetField(Tif, TIFFTAG_GEOTIEPOINTS, 6, Tie);
        TIFFSetField(Tif, TIFFTAG_GEOPIXELSCALE, 3, Scale);
    });
    Refused("no-position.tif", [](TIFF*, GTIF* G) {
        SetKey(G, GTModelTypeGeoKey, ModelTypeGeographic);
        SetKey(G, GeographicTypeGeoKey, GCS_WGS_84);
    });
    Refused("plain.tif", [](TIFF*, GTIF*) {});
}

} // namespace
} // namespace tyx
