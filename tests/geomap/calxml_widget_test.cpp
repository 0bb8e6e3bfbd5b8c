// The map control's calibration files: what reading does to the control (clearing, the control's
// own element rules, refitting), what writing changes, and a round trip of every model.
#include "geomap/Tyx_geomap.h"
#include "geomap/core/tyx_geomap_values.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "geomap_test_util.h"
#include "host/tyx_streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tyx;
namespace fs = std::filesystem;

namespace {

constexpr int kW = 400;
constexpr int kH = 300;

class CalXmlWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = fs::temp_directory_path() /
               ("tyx_calxmlw_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(FDir);
        test::FillBitmap(FBmp, kW, kH, clWhite);
    }
    void TearDown() override { fs::remove_all(FDir); }

    std::string Path(const std::string& Name) const { return (FDir / Name).string(); }
    // The map image as a file; its directory has capitals, which the reader lowers.
    std::string ImageFile(const std::string& Name = "Map Image.bmp") const
    {
        FBmp.SaveToFile(Path(Name));
        return Path(Name);
    }
    std::string WriteLines(const std::string& Name, const std::vector<std::string>& Lines) const
    {
        std::string bytes;
        for (const auto& l : Lines) bytes += l + "\r\n";
        WriteFileBytes(Path(Name), bytes.data(), bytes.size());
        return Path(Name);
    }
    fs::path FDir;
    TBitmap FBmp;
};

double Round5(double v) { return std::round(v * 1e5) / 1e5; }

// A position for each pixel, slightly sheared so that every model has something to fit.
double LatOf(int x, int y) { return Round5(48.0 - 0.0004 * y + 0.00001 * x); }
double LongOf(int x, int y) { return Round5(10.0 + 0.0012 * x - 0.000002 * y); }

void Calibrate(TGeoMap& M, TCalibModel Model)
{
    M.SetCalibModel(Model);
    if (Model == cmUndefined) return;
    if (Model == cmParabolicIp) {
        for (double lat : {48.0, 47.9}) {
            const int y0 = lat == 48.0 ? 20 : 270;
            for (int x : {20, 200, 380}) M.AddCalibPoint(gtlParallel, lat, x, y0 + (x - 200) * (x - 200) / 4000);
        }
        for (double lon : {10.0, 10.25, 10.5}) {
            const int x0 = lon == 10.0 ? 30 : (lon == 10.25 ? 200 : 370);
            for (int y : {20, 150, 280}) M.AddCalibPoint(gtlMeridian, lon, x0 + (y - 150) / 20, y);
        }
        return;
    }
    if (Model == cmUTM) {
        M.SetUTMZone(60);
        M.SetUTMHemisphere(hemiSouth);
    }
    for (int x = 20; x < kW; x += 90)
        for (int y = 15; y < kH; y += 90) {
            if (Model == cmUTM) M.AddCalibPoint(5300000.0 - 10 * y + x, 500000.0 + 10 * x, 60, hemiSouth, x, y);
            else M.AddCalibPoint(LatOf(x, y), LongOf(x, y), x, y);
        }
}

} // namespace

TEST_F(CalXmlWidgetTest, EveryModelSurvivesARoundTripThroughAFile)
{
    for (int i = 0; i <= cmUndefined; ++i) {
        const auto model = static_cast<TCalibModel>(i);
        SCOPED_TRACE(CalibModelName(model));
        TGeoMap a;
        a.SetMapImgName(ImageFile());
        Calibrate(a, model);
        a.SaveCalDataAsXML(Path("model.xml"), "Round");

        TGeoMap b;
        ASSERT_TRUE(b.LoadCalDataFromXML(Path("model.xml"), "round"));
        EXPECT_EQ(b.CalibModel(), model);
        EXPECT_EQ(b.MapImgFile(), ImageFile()); // found although the name was read in lower case
        EXPECT_EQ(b.MapImgWidth(), kW);
        bool checked = false;
        for (int x = 0; x <= kW; x += 50)
            for (int y = 0; y <= kH; y += 50) {
                bool va = false, vb = false;
                const double latA = a.CalcLatitude(x, y, va), latB = b.CalcLatitude(x, y, vb);
                EXPECT_EQ(va, vb) << x << "," << y;
                EXPECT_NEAR(latA, latB, 1e-9) << x << "," << y;
                const double lonA = a.CalcLongitude(x, y, va), lonB = b.CalcLongitude(x, y, vb);
                EXPECT_EQ(va, vb) << x << "," << y;
                EXPECT_NEAR(lonA, lonB, 1e-9) << x << "," << y;
                checked = checked || va;
                if (!va) continue;
                int xa = -1, ya = -1, xb = -2, yb = -2;
                EXPECT_EQ(a.CalcPixelCoords(latA, lonA, xa, ya), b.CalcPixelCoords(latA, lonA, xb, yb));
                EXPECT_EQ(xa, xb);
                EXPECT_EQ(ya, yb);
            }
        // The calibrated models really convert; only the undefined model reports failure.
        EXPECT_EQ(checked, model != cmUndefined);
    }
}

TEST_F(CalXmlWidgetTest, StreamRoundTripKeepsTheUTMZone)
{
    TGeoMap a;
    a.SetMapImgName(ImageFile());
    Calibrate(a, cmUTM);
    TMemoryStream s;
    a.SaveCalDataAsXML(s, "utm");
    s.SetPosition(0);
    TGeoMap b;
    ASSERT_TRUE(b.LoadCalDataFromXML(s, ""));
    EXPECT_EQ(b.MapImgHeight(), kH);
    EXPECT_EQ(b.CalibData().UTMZone, 60);
    EXPECT_TRUE(b.CalibData().UTMSouth);
    EXPECT_EQ(b.CalibData().NumCalQuads, a.CalibData().NumCalQuads);
    bool va = false, vb = false;
    EXPECT_NEAR(a.CalcLatitude(123, 77, va), b.CalcLatitude(123, 77, vb), 1e-9);
    EXPECT_TRUE(va);
    EXPECT_TRUE(vb);
}

TEST_F(CalXmlWidgetTest, WritingRecomputesCornersAndTakesTheImageName)
{
    TGeoMap a;
    a.SetMapBitMap(FBmp);
    Calibrate(a, cmEquiRect);
    TCalibData d = a.CalibData();
    d.Corners = {};
    d.MapFName = "stale.jpg";
    a.SetCalibData(d);
    a.SaveCalDataAsXML(Path("w.xml"), "w");
    EXPECT_EQ(a.CalibData().MapFName, a.MapImgFile());
    bool valid = false;
    EXPECT_NEAR(a.CalibData().Corners[gcoTopLeft].Latit, a.CalcLatitude(0, 0, valid), 1e-6);
    EXPECT_GT(a.CalibData().Resolution, 0);
}

TEST_F(CalXmlWidgetTest, AMissingImageLeavesTheStoredCornersAlone)
{
    // Written with its image, then the image goes away: a later edit and save keep the corners.
    TGeoMap a;
    a.SetMapImgName(ImageFile("gone.bmp"));
    Calibrate(a, cmEquiRect);
    a.SaveCalDataAsXML(Path("gone.xml"), "g");
    fs::remove(Path("gone.bmp"));
    TCalibData original;
    TCalibModel model = cmUndefined;
    ASSERT_TRUE(ParseCalibData(Path("gone.xml"), "g", original, model));
    ASSERT_GT(original.Resolution, 0);

    // The missing image is reported, and the calibration is loaded all the same.
    TGeoMap m;
    m.SetName("M");
    try {
        m.LoadCalDataFromXML(Path("gone.xml"), "g");
        ADD_FAILURE() << "a missing image reported as success";
    } catch (const ETYXMapImageMissing& E) {
        EXPECT_NE(std::string(E.what()).find("gone.bmp"), std::string::npos) << E.what();
    }
    ASSERT_EQ(m.MapImgWidth(), 0);
    ASSERT_EQ(m.CalibData().NumCalQuads, original.NumCalQuads);
    ASSERT_TRUE(m.AddCalibPoint(47.99, 10.05, 40, 30));
    m.SaveCalDataAsXML(Path("again.xml"), "g");
    TCalibData saved;
    ASSERT_TRUE(ParseCalibData(Path("again.xml"), "g", saved, model));
    EXPECT_EQ(saved.NumCalQuads, original.NumCalQuads + 1);
    EXPECT_EQ(saved.Corners, original.Corners);
    EXPECT_EQ(saved.Resolution, original.Resolution);
}

TEST_F(CalXmlWidgetTest, ARelativeImageNameIsFoundBesideTheCalibrationFile)
{
    const std::string image = ImageFile("Sheet.bmp");
    const std::string name = WriteLines("sheet.xml", {"<geomap sig=\"Tyxware\" id=\"s\" map=\"Sheet.bmp\">", "</geomap>"});
    // Run from elsewhere, where no such image is.
    const fs::path Before = fs::current_path();
    fs::create_directories(FDir / "elsewhere");
    fs::current_path(FDir / "elsewhere");
    TGeoMap m;
    bool Loaded = false;
    EXPECT_NO_THROW(Loaded = m.LoadCalDataFromXML(name, ""));
    fs::current_path(Before);
    EXPECT_TRUE(Loaded);
    EXPECT_EQ(m.MapImgWidth(), kW);
    EXPECT_EQ(m.MapImgFile(), "sheet.bmp");
}

TEST_F(CalXmlWidgetTest, SelectsBlocksByIdAndLeavesTheControlAloneWhenNoneMatches)
{
    auto block = [](const std::string& Id, const std::string& Caption) {
        return std::vector<std::string>{
            "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"" + Id + "\" model=\"equirect\" map=\"\" caption=\"" + Caption + "\">",
            "<calquads npoints=\"3\">", "[48.0,10.0,0,0] [48.0,10.5,400,0] [47.5,10.0,0,300] ", "</calquads>",
            "</geomap>"};
    };
    std::vector<std::string> lines = block("A", "First");
    for (const auto& l : block("B", "Second")) lines.push_back(l);
    const std::string name = WriteLines("ab.xml", lines);

    TGeoMap m;
    m.SetMapBitMap(FBmp);
    ASSERT_TRUE(m.LoadCalDataFromXML(name, ""));
    EXPECT_EQ(m.CalibData().Caption, "First");
    ASSERT_TRUE(m.LoadCalDataFromXML(name, "b"));
    EXPECT_EQ(m.CalibData().Caption, "Second");
    bool valid = false;
    EXPECT_NEAR(m.CalcLongitude(200, 150, valid), 10.25, 1e-9); // refitted after reading
    EXPECT_TRUE(valid);

    const TCalibData before = m.CalibData();
    EXPECT_FALSE(m.LoadCalDataFromXML(name, "C"));
    EXPECT_EQ(m.CalibData(), before);
    EXPECT_EQ(m.CalibModel(), cmEquiRect);
    EXPECT_FALSE(m.LoadCalDataFromXML(Path("missing.xml"), ""));
}

TEST_F(CalXmlWidgetTest, ControlRulesDifferFromParseCalibData)
{
    const std::string image = ImageFile("Town Map.BMP");
    const std::string name = WriteLines(
        "rules.xml",
        {"<geomap sig=\"Tyxware\" id=\"r\" map=\"" + image + "\" caption=\"Town MAP of Graz\">",
         "<corners>", "[1.5,2.5] [3.5,4.5] [5.5,6.5] [7.5,8.5] ", "</corners>",
         "<resolution>7.25</resolution>",
         "<calline type=\"parallel\" value=\"48,5\" npoints=\"2\">", "[1,2] [3,4] ", "</calline>",
         "<calline type=\"meridian\" value=\"9.5\" npoints=\"3\">", "[1,2] [3,4] [5,6] ", "</calline>",
         "</geomap>"});
    TGeoMap m;
    m.SetUTMZone(12);
    ASSERT_TRUE(m.LoadCalDataFromXML(name, "R"));
    EXPECT_EQ(m.CalibModel(), cmUndefined);   // no model attribute
    EXPECT_EQ(m.CalibData().UTMZone, -1);      // cleared before reading
    ASSERT_EQ(m.CalibData().NumCalLines, 1);   // the two-point line is dropped
    EXPECT_DOUBLE_EQ(m.CalibData().CalLines[1].LineValue, 9.5);
    EXPECT_EQ(m.CalibData().Caption, "Town MAP of Graz");
    EXPECT_EQ(m.CalibData().MapFName, image); // found although read in lower case
    EXPECT_EQ(m.MapImgFile(), image);
    EXPECT_EQ(m.MapImgWidth(), kW);
    EXPECT_EQ(m.CalibData().Corners[gcoTopRight], (TCoords{7.5, 8.5})); // kept as read
    EXPECT_DOUBLE_EQ(m.CalibData().Resolution, 7.25);

    TCalibData d;
    TCalibModel model = cmUndefined;
    ASSERT_TRUE(ParseCalibData(name, "r", d, model));
    EXPECT_EQ(model, cmBiquadraticPn);
    EXPECT_EQ(d.NumCalLines, 2);
    EXPECT_EQ(d.MapFName, LowerAscii(image));

    // A map name that exists in no spelling stays lower case.
    const std::string other = WriteLines(
        "other.xml", {"<geomap sig=\"Tyxware\" id=\"o\" model=\"equirect\" map=\"Nowhere.JPG\" caption=\"\">", "</geomap>"});
    EXPECT_THROW(m.LoadCalDataFromXML(other, ""), ETYXMapImageMissing);
    EXPECT_EQ(m.CalibData().MapFName, "nowhere.jpg");
    EXPECT_EQ(m.MapImgFile(), "");
    EXPECT_EQ(m.MapImgWidth(), 0);
}

TEST_F(CalXmlWidgetTest, AUtf8FileFindsAnImageWhoseNameIsNotAscii)
{
    const std::string image = ImageFile("KARTE_\xC3\x96.bmp");  // "KARTE_Ö.bmp"
    const std::string name = WriteLines(
        "utf8.xml", {"\xEF\xBB\xBF<geomap sig=\"Tyxware\" id=\"u\" model=\"equirect\" map=\"" + image +
                         "\" caption=\"\xC3\x96-Karte\">",
                     "</geomap>"});
    TGeoMap m;
    ASSERT_TRUE(m.LoadCalDataFromXML(name, "u"));
    EXPECT_EQ(m.CalibData().Caption, "\xC3\x96-Karte");
    EXPECT_EQ(m.MapImgFile(), image);
    EXPECT_EQ(m.MapImgWidth(), kW);
}

TEST_F(CalXmlWidgetTest, ErrorsNameTheComponentAndLeaveTheCalibrationCleared)
{
    TGeoMap m;
    m.SetName("Map1");
    m.SetMapBitMap(FBmp);
    Calibrate(m, cmEquiRect);
    const std::string counts = WriteLines(
        "count.xml", {"<geomap sig=\"Tyxware\" id=\"c\" model=\"equirect\">", "<calquads npoints=\"3\">",
                      "[1,2,3,4] [5,6,7,8] ", "</calquads>", "</geomap>"});
    try {
        m.LoadCalDataFromXML(counts, "");
        ADD_FAILURE() << "no error";
    } catch (const ETYXGeoMapError& e) {
        EXPECT_STREQ(e.what(), "Component \"Map1\": specified number of calibration points and actual number does not match");
    }
    EXPECT_EQ(m.CalibData().NumCalQuads, 2); // what was read stays

    const std::string type = WriteLines(
        "type.xml", {"<geomap sig=\"Tyxware\" id=\"t\" model=\"parabolicip\">",
                     "<calline type=\"Diagonal\" value=\"1\" npoints=\"1\">[1,1]</calline>", "</geomap>"});
    try {
        m.LoadCalDataFromXML(type, "");
        ADD_FAILURE() << "no error";
    } catch (const ETYXGeoMapError& e) {
        EXPECT_STREQ(e.what(), "Component \"Map1\": invalid type of graticule line: type=\"diagonal\"");
    }
    EXPECT_EQ(m.CalibData().NumCalQuads, 0);
    EXPECT_EQ(m.CalibModel(), cmParabolicIp);
}

TEST_F(CalXmlWidgetTest, CalibDataFileLoadsExistingFilesOnly)
{
    TGeoMap a;
    a.SetMapImgName(ImageFile());
    Calibrate(a, cmBiquadraticPn);
    a.SaveCalDataAsXML(Path("first.xml"), "");

    TGeoMap m;
    m.SetCalDatName(Path("first.xml"));
    EXPECT_EQ(m.CalibDataFile(), Path("first.xml"));
    EXPECT_EQ(m.MapImgWidth(), kW);
    EXPECT_EQ(m.CalibModel(), cmBiquadraticPn);
    EXPECT_EQ(m.CalibData().NumCalQuads, a.CalibData().NumCalQuads);

    m.SetCalDatName(Path("missing.xml"));
    EXPECT_EQ(m.CalibDataFile(), Path("first.xml"));
    EXPECT_EQ(m.MapImgFile(), "");
    EXPECT_EQ(m.MapImgWidth(), 0);
    EXPECT_EQ(m.MapImgHeight(), 0);
    EXPECT_EQ(m.CalibData().NumCalQuads, a.CalibData().NumCalQuads); // the calibration stays
}

TEST_F(CalXmlWidgetTest, ShortLinesDoNotCountAgainstTheLineTable)
{
    auto file = [&](int FullLines) {
        std::vector<std::string> lines = {"<geomap sig=\"Tyxware\" id=\"g\" model=\"parabolicip\">"};
        for (int i = 0; i < FullLines; ++i) {
            lines.push_back("<calline type=\"parallel\" value=\"" + std::to_string(i) + "\" npoints=\"3\">[1,1] [2,2] [3,3]</calline>");
            lines.emplace_back("<calline type=\"meridian\" value=\"1\" npoints=\"2\">[1,1] [2,2]</calline>");
        }
        lines.emplace_back("</geomap>");
        return WriteLines("lines.xml", lines);
    };
    TGeoMap m;
    m.SetName("Grat");
    ASSERT_TRUE(m.LoadCalDataFromXML(file(25), ""));
    EXPECT_EQ(m.CalibData().NumCalLines, 25);
    EXPECT_DOUBLE_EQ(m.CalibData().CalLines[25].LineValue, 24);
    try {
        m.LoadCalDataFromXML(file(26), "");
        ADD_FAILURE() << "no error";
    } catch (const ETYXGeoMapError& e) {
        EXPECT_STREQ(e.what(), "Component \"Grat\": too many graticule lines (at most 25)");
    }
    EXPECT_EQ(m.CalibData().NumCalLines, 25);
}

TEST_F(CalXmlWidgetTest, AnUnusableImageStillLeavesAFittedCalibration)
{
    WriteLines("broken.jpg", {"not a picture"});
    const std::string name = WriteLines(
        "broken.xml", {"<geomap sig=\"Tyxware\" id=\"b\" model=\"equirect\" map=\"" + Path("broken.jpg") + "\">",
                       "<calquads npoints=\"3\">", "[48.0,10.0,0,0] [48.0,10.5,400,0] [47.5,10.0,0,300] ",
                       "</calquads>", "</geomap>"});
    TGeoMap m;
    EXPECT_THROW(m.LoadCalDataFromXML(name, ""), ETYXGeoMapError);
    bool valid = false;
    EXPECT_NEAR(m.CalcLongitude(200, 150, valid), 10.25, 1e-9);
    EXPECT_TRUE(valid);
}
