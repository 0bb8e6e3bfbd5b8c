// Calibration blocks: the exact lines the writers produce, the block search and the element rules
// of ParseCalibData, in files and streams.
#include "geomap/core/tyx_geomap_values.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"
#include "xml_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

using namespace tyx;
namespace fs = std::filesystem;

namespace {

using test::FileText;
using test::Join;

class CalXmlTest : public test::TTempDirTest {};

std::string StreamText(TMemoryStream& S)
{
    return std::string(reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

TCalibData AlpsRecord()
{
    TCalibData d;
    d.MapFName = "Maps/Alps.JPG";
    d.Caption = "Alps 1:50000";
    d.Corners = {TCoords{47.5, 10.25}, TCoords{46.0, 10.25}, TCoords{46.0, 12.0}, TCoords{47.5, 12.0}};
    d.Resolution = 12.3456;
    d.NumCalLines = 2;
    d.CalLines[1].LineType = gtlParallel;
    d.CalLines[1].LineValue = 47.5;
    d.CalLines[1].NumPoints = 3;
    d.CalLines[1].CalPoints[1] = {10, 20};
    d.CalLines[1].CalPoints[2] = {200, 22};
    d.CalLines[1].CalPoints[3] = {400, 25};
    d.CalLines[2].LineType = gtlMeridian;
    d.CalLines[2].LineValue = 10.123456789012345;
    d.CalLines[2].NumPoints = 2;
    d.CalLines[2].CalPoints[1] = {12, 5};
    d.CalLines[2].CalPoints[2] = {14, 300};
    d.NumCalQuads = 2;
    d.CalQuads[1] = {47.25, 10.5, 100, 200};
    d.CalQuads[2] = {-3.1, -70.000001, 0, -5};
    d.UTMZone = 33;
    d.UTMSouth = false;
    d.Ellipsoid = gelWGS84;
    return d;
}

const std::vector<std::string> kAlpsBody = {
    "",
    "<!-- TGeoMap Calibration / Tyxware -->",
    "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"Alps\" model=\"utm\" map=\"Maps/Alps.JPG\" caption=\"Alps 1:50000\">",
    "<corners>",
    "[47.50000,10.25000] [46.00000,10.25000] [46.00000,12.00000] [47.50000,12.00000] ",
    "</corners>",
    "<resolution>12.346</resolution>",
    "<utmzone>33</utmzone>",
    "<utmsouth>FALSE</utmsouth>",
    "<ellipsoid>gelWGS84</ellipsoid>",
    "<calline type=\"parallel\" value=\"47.5\" npoints=\"3\">",
    "[10,20] [200,22] [400,25] ",
    "</calline>",
    "<calline type=\"meridian\" value=\"10.1234567890123\" npoints=\"2\">",
    "[12,5] [14,300] ",
    "</calline>",
    "<calquads npoints=\"2\">",
    "[47.25000,10.50000,100,200] [-3.10000,-70.000001,0,-5] ",
    "</calquads>",
    "</geomap>",
};

// A minimal block of the given identifier and caption.
std::vector<std::string> Block(const std::string& Id, const std::string& Caption, double Resolution)
{
    return {"<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"" + Id + "\" model=\"equirect\" map=\"" + Caption +
                ".jpg\" caption=\"" + Caption + "\">",
            "<resolution>" + std::to_string(Resolution) + "</resolution>", "</geomap>"};
}

} // namespace

TEST_F(CalXmlTest, FileFormLineByLine)
{
    const std::string name = Path("alps.xml");
    {
        TTextFile f;
        f.Rewrite(name);
        WriteRawCalDataToOpenXMLFile(f, true, "Alps", AlpsRecord(), cmUTM);
        f.Close();
    }
    std::vector<std::string> expected = {"<?xml version=\"1.0\"?>"};
    expected.insert(expected.end(), kAlpsBody.begin(), kAlpsBody.end());
    EXPECT_EQ(FileText(name), Join(expected));

    // Without the header; no resolution, zone or calibration points when there are none.
    TCalibData d = AlpsRecord();
    d.Resolution = 0;
    d.UTMZone = -1;
    d.NumCalQuads = 0;
    d.NumCalLines = 0;
    d.Ellipsoid = gelClrk66;
    const auto lines = CalDataXmlLines(d, cmParabolicIp, "x", false, cxfFile);
    const std::vector<std::string> bare = {
        "", "<!-- TGeoMap Calibration / Tyxware -->",
        "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"x\" model=\"parabolicip\" map=\"Maps/Alps.JPG\" caption=\"Alps 1:50000\">",
        "<corners>", kAlpsBody[4], "</corners>", "<ellipsoid>gelClrk66</ellipsoid>", "</geomap>"};
    EXPECT_EQ(lines, bare);
}

TEST_F(CalXmlTest, StreamFormDiffersOnlyWhereItShould)
{
    TCalibData d = AlpsRecord();
    d.Resolution = 0;
    d.NumCalQuads = 0;
    d.UTMZone = 60;
    d.UTMSouth = true;
    TMemoryStream s;
    WriteRawCalDataToStream(s, "Alps", d, cmUTM);
    std::vector<std::string> expected = {"<?xml version=\"1.0\"?>"};
    expected.insert(expected.end(), kAlpsBody.begin(), kAlpsBody.end());
    expected[7] = "<resolution>0.000</resolution>";
    expected[8] = "<utmzone>60</utmzone>";
    expected[9] = "<utmsouth>TRUE</utmsouth>";
    expected[17] = "<calquads npoints=\"0\">";
    expected[18] = "";
    EXPECT_EQ(StreamText(s), Join(expected));

    // The zone survives a round trip through a stream.
    s.SetPosition(0);
    TCalibData back;
    TCalibModel model = cmUndefined;
    ASSERT_TRUE(ParseCalibData(s, "alps", back, model));
    EXPECT_EQ(model, cmUTM);
    EXPECT_EQ(back.UTMZone, 60);
    EXPECT_TRUE(back.UTMSouth);
    EXPECT_EQ(back.NumCalQuads, 0);
}

TEST_F(CalXmlTest, QuotesAndLineBreaksCannotBreakTheHeader)
{
    TCalibData d;
    d.Caption = "The \"Old\" Town\r\nNorth";
    d.MapFName = "a\"b.jpg";
    const auto lines = CalDataXmlLines(d, cmEquiRect, "id\"1", true, cxfFile);
    EXPECT_EQ(lines[3], "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"id'1\" model=\"equirect\" map=\"a'b.jpg\" "
                        "caption=\"The 'Old' Town  North\">");
    TMemoryStream s;
    WriteRawCalDataToStream(s, "id\"1", d, cmEquiRect);
    s.SetPosition(0);
    TCalibData back;
    TCalibModel model = cmUndefined;
    ASSERT_TRUE(ParseCalibData(s, "ID\"1", back, model)); // the requested id is matched as written
    EXPECT_EQ(back.Caption, "The 'Old' Town  North");
    EXPECT_EQ(back.MapFName, "a'b.jpg");
}

TEST_F(CalXmlTest, RoundTripThroughAFileKeepsEveryField)
{
    TCalibData d = AlpsRecord();
    d.MapFName = "Karte.JPG";
    d.Caption = "\xC3\x96sterreich: S\xC3\xBC" "d"; // UTF-8 "Österreich: Süd"
    d.Resolution = 12.5;
    d.CalLines[2].LineValue = -0.000012345;
    d.CalQuads[2].Longitude = -70.5;
    d.Ellipsoid = gelBess41;
    d.UTMSouth = true;
    const std::string name = Path("round.xml");
    {
        TTextFile f;
        f.Rewrite(name);
        WriteRawCalDataToOpenXMLFile(f, true, "R", d, cmConicConformal);
        f.Close();
    }
    EXPECT_NE(FileText(name).find("caption=\"\xD6sterreich: S\xFC" "d\""), std::string::npos); // Windows-1252
    TCalibData back;
    TCalibModel model = cmUndefined;
    ASSERT_TRUE(ParseCalibData(name, "", back, model));
    EXPECT_EQ(model, cmConicConformal);
    EXPECT_EQ(back.Caption, d.Caption);
    EXPECT_EQ(back.MapFName, "karte.jpg"); // the map name arrives in lower case
    d.MapFName = "karte.jpg";
    EXPECT_EQ(back, d);
}

TEST_F(CalXmlTest, BlocksAreSelectedByIdentifierWithoutCase)
{
    std::vector<std::string> lines = {"<?xml version=\"1.0\"?>", "<!-- two blocks -->"};
    for (const auto& l : Block("A", "First", 1.5)) lines.push_back(l);
    for (const auto& l : Block(" B ", "Second", 2.5)) lines.push_back(l);
    const std::string name = WriteLines("ab.xml", lines);
    TCalibData d;
    TCalibModel m = cmUndefined;
    ASSERT_TRUE(ParseCalibData(name, "", d, m));
    EXPECT_EQ(d.Caption, "First");
    ASSERT_TRUE(ParseCalibData(name, "b", d, m));
    EXPECT_EQ(d.Caption, "Second");
    EXPECT_DOUBLE_EQ(d.Resolution, 2.5);
    ASSERT_TRUE(ParseCalibData(name, "a", d, m));
    EXPECT_EQ(d.Caption, "First");

    const TCalibData before = d;
    m = cmUTM;
    EXPECT_FALSE(ParseCalibData(name, "C", d, m));
    EXPECT_EQ(d, before);
    EXPECT_EQ(m, cmUTM);
    EXPECT_FALSE(ParseCalibData(Path("missing.xml"), "", d, m));
}

TEST_F(CalXmlTest, HeaderRecognitionAndModelNames)
{
    const std::string name = WriteLines(
        "hdr.xml", {"<geomap sig=\"somebody\" id=\"x\" caption=\"Made with TYXWARE\">", "</geomap>",
                    "<GEOMAP SIG=\"TyxWare\" ID=\"y\" MODEL=\" MillerCylindrical \" caption=\"Y\">", "</geomap>",
                    "<geomap sig=\"Tyxware\" id=\"z\" model=\"mercator\">", "</geomap>",
                    "<geomap sig=\"Tyxware\" id=\"nomodel\">", "</geomap>",
                    "<geomap sig=\"Tyxware\" model=\"utm\">", "</geomap>"});
    TCalibData d;
    TCalibModel m = cmUTM;
    ASSERT_TRUE(ParseCalibData(name, "X", d, m)); // "tyxware" in another attribute
    EXPECT_EQ(d.Caption, "Made with TYXWARE");
    EXPECT_EQ(m, cmBiquadraticPn);                // no model attribute
    ASSERT_TRUE(ParseCalibData(name, "y", d, m));
    EXPECT_EQ(m, cmMillerCylindrical);
    ASSERT_TRUE(ParseCalibData(name, "z", d, m));
    EXPECT_EQ(m, cmUndefined);                    // unknown model name
    ASSERT_TRUE(ParseCalibData(name, "nomodel", d, m));
    EXPECT_EQ(m, cmBiquadraticPn);
    EXPECT_EQ(d.Caption, "");
    EXPECT_EQ(d.MapFName, "");
}

TEST_F(CalXmlTest, ElementValuesInEveryAcceptedForm)
{
    const std::string name = WriteLines(
        "forms.xml",
        {"<geomap sig=\"Tyxware\" id=\"f\" model=\"parabolicip\">",
         "<corners>", "[ 48.5 , 9.25E0][-1e1,2] [3,4] [5,6] [7,8]", "</corners>",
         "<resolution>  1,25E+1</resolution>",
         "<utmzone> 60</utmzone>", "<utmsouth>True</utmsouth>", "<ellipsoid>gelClrk66</ellipsoid>",
         "<calline type=\"PARALLEL\" value=\"48,5\" npoints=\"2\">", "[1,2]", "[3, 4]", "</calline>",
         "<calline type=\"meridian\" value=\" 9.5e1\" npoints=\"3\">[5,6] [7,8] [9,10]</calline>",
         "<calquads npoints=\"1\">", "[ -47.5,-0.25, 10,20]", "</calquads>",
         "<landmark name=\"ignored\"/>",
         "</geomap>"});
    TCalibData d;
    d.NumCalLines = 7;
    TCalibModel m = cmUndefined;
    ASSERT_TRUE(ParseCalibData(name, "", d, m));
    EXPECT_EQ(d.Corners[gcoTopLeft], (TCoords{48.5, 9.25}));
    EXPECT_EQ(d.Corners[gcoBottomLeft], (TCoords{-10, 2}));
    EXPECT_EQ(d.Corners[gcoTopRight], (TCoords{5, 6})); // a fifth group is ignored
    EXPECT_DOUBLE_EQ(d.Resolution, 12.5);
    EXPECT_EQ(d.UTMZone, 60);
    EXPECT_TRUE(d.UTMSouth);
    EXPECT_EQ(d.Ellipsoid, gelClrk66);
    ASSERT_EQ(d.NumCalLines, 2); // the two-point line stays
    EXPECT_EQ(d.CalLines[1].LineType, gtlParallel);
    EXPECT_DOUBLE_EQ(d.CalLines[1].LineValue, 48.5);
    EXPECT_EQ(d.CalLines[1].NumPoints, 2);
    EXPECT_EQ(d.CalLines[1].CalPoints[2], (TPoint{3, 4}));
    EXPECT_EQ(d.CalLines[2].LineType, gtlMeridian);
    EXPECT_DOUBLE_EQ(d.CalLines[2].LineValue, 95);
    EXPECT_EQ(d.CalLines[2].CalPoints[3], (TPoint{9, 10}));
    ASSERT_EQ(d.NumCalQuads, 1);
    EXPECT_EQ(d.CalQuads[1], (TCalQuad{-47.5, -0.25, 10, 20}));
}

TEST_F(CalXmlTest, FieldsWithoutElementKeepTheCallersValuesAndUnknownEllipsoidGivesTheFirst)
{
    const std::string name =
        WriteLines("keep.xml", {"<geomap sig=\"Tyxware\" id=\"k\" model=\"utm\">",
                                "<ellipsoid>gelNoSuchThing</ellipsoid>", "</geomap>"});
    TCalibData d = AlpsRecord();
    d.Ellipsoid = gelClrk66;
    TCalibModel m = cmUndefined;
    ASSERT_TRUE(ParseCalibData(name, "k", d, m));
    EXPECT_EQ(d.NumCalLines, 0);
    EXPECT_EQ(d.NumCalQuads, 2);
    EXPECT_DOUBLE_EQ(d.Resolution, 12.3456);
    EXPECT_EQ(d.UTMZone, 33);
    EXPECT_EQ(d.Ellipsoid, gelWGS84);
}

TEST_F(CalXmlTest, CountAndTypeErrorsNameTheFault)
{
    auto expectError = [&](const std::vector<std::string>& Body, const std::string& Message) {
        std::vector<std::string> lines = {"<geomap sig=\"Tyxware\" id=\"e\" model=\"parabolicip\">"};
        lines.insert(lines.end(), Body.begin(), Body.end());
        lines.emplace_back("</geomap>");
        const std::string name = WriteLines("err.xml", lines);
        TCalibData d;
        TCalibModel m = cmUndefined;
        try {
            ParseCalibData(name, "", d, m);
            ADD_FAILURE() << "no error for " << Message;
        } catch (const ETYXGeoMapError& e) {
            EXPECT_EQ(std::string(e.what()), Message);
        }
        // Whatever was read stays consistent with the record's capacity.
        EXPECT_LE(d.NumCalLines, gmMaxCalLines);
        EXPECT_LE(d.NumCalQuads, gmMaxCalQuads);
        for (int i = 1; i <= d.NumCalLines; ++i) EXPECT_LE(d.CalLines[i].NumPoints, gmMaxLinePoints);
    };
    const std::string mismatch = "ParseCalibData: specified number of calibration points and actual number does not match";
    expectError({"<calquads npoints=\"3\">", "[1,2,3,4] [5,6,7,8]", "</calquads>"}, mismatch);
    expectError({"<calquads npoints=\"500\">", "[1,2,3,4]", "</calquads>"}, mismatch);
    expectError({"<calline type=\"meridian\" value=\"1\" npoints=\"4\">[1,2] [3,4] [5,6]</calline>"}, mismatch);
    expectError({"<calline type=\"diagonal\" value=\"1\" npoints=\"1\">[1,2]</calline>"},
                "ParseCalibData: invalid type of graticule line: type=\"diagonal\"");

    std::string eleven;
    for (int i = 0; i < 11; ++i) eleven += std::string("[") + std::to_string(i) + ",1] ";
    expectError({"<calline type=\"meridian\" value=\"1\" npoints=\"11\">" + eleven + "</calline>"},
                "ParseCalibData: too many points on a graticule line (at most 10)");
    std::vector<std::string> lines26;
    for (int i = 0; i < 26; ++i) lines26.push_back("<calline type=\"parallel\" value=\"1\" npoints=\"1\">[1,1]</calline>");
    expectError(lines26, "ParseCalibData: too many graticule lines (at most 25)");
    std::string quads;
    for (int i = 0; i < 201; ++i) quads += "[1,2,3,4] ";
    expectError({"<calquads npoints=\"201\">", quads, "</calquads>"},
                "ParseCalibData: too many calibration points (at most 200)");
}

TEST_F(CalXmlTest, ReadingNeverGoesBackInAStream)
{
    TMemoryStream s;
    TCalibData d = AlpsRecord();
    WriteRawCalDataToStream(s, "A", d, cmEquiRect);
    d.Caption = "second";
    WriteRawCalDataToStream(s, "B", d, cmBiquadraticPn);
    s.SetPosition(0);
    TCalibData back;
    TCalibModel m = cmUndefined;
    ASSERT_TRUE(ParseCalibData(s, "a", back, m));
    EXPECT_EQ(m, cmEquiRect);
    const int64_t afterA = s.Position();
    EXPECT_GT(afterA, 0);
    EXPECT_FALSE(ParseCalibData(s, "a", back, m)); // A lies behind the position now
    s.SetPosition(afterA);
    ASSERT_TRUE(ParseCalibData(s, "", back, m)); // the next block is B
    EXPECT_EQ(back.Caption, "second");
    EXPECT_EQ(m, cmBiquadraticPn);
}

TEST_F(CalXmlTest, LineValueWrittenWithADecimalCommaReadsBack)
{
    // A file from a writer that used its locale's decimal comma for the G form.
    const std::string name = WriteLines(
        "comma.xml", {"<geomap sig=\"Tyxware\" id=\"c\" model=\"parabolicip\">",
                      "<calline type=\"parallel\" value=\"48,5\" npoints=\"3\">", "[1,1] [2,2] [3,3] ", "</calline>",
                      "<calline type=\"parallel\" value=\"-1,25E-3\" npoints=\"3\">", "[1,1] [2,2] [3,3] ",
                      "</calline>", "</geomap>"});
    TCalibData d;
    TCalibModel m = cmUndefined;
    ASSERT_TRUE(ParseCalibData(name, "", d, m));
    ASSERT_EQ(d.NumCalLines, 2);
    EXPECT_DOUBLE_EQ(d.CalLines[1].LineValue, 48.5);
    EXPECT_DOUBLE_EQ(d.CalLines[2].LineValue, -0.00125);
}

TEST_F(CalXmlTest, GeneralNumberFormAndModelNames)
{
    EXPECT_EQ(FormatGeneral(48.5), "48.5");
    EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatGeneral(1e-7), "1e-07");
    EXPECT_EQ(FormatGeneral(123456789012345678.0), "1.23456789012346e+17");
    for (int i = 0; i <= cmUndefined; ++i) {
        const auto model = static_cast<TCalibModel>(i);
        EXPECT_EQ(CalibModelFromName(CalibModelName(model)), model);
    }
    EXPECT_EQ(CalibModelName(static_cast<TCalibModel>(200)), "undefined");
    EXPECT_EQ(GeoMapXmlTags()[gxtInvalidTag], "invalidtag");
    EXPECT_EQ(GeoMapXmlTags()[gxtCalQuads], "calquads");
}

TEST_F(CalXmlTest, FindFileIgnoringCaseUsesTheNameOnDisk)
{
    WriteLines("Map_Of_Town.JPG", {"x"});
    EXPECT_EQ(FindFileIgnoringCase(Path("map_of_town.jpg")), Path("Map_Of_Town.JPG"));
    EXPECT_EQ(FindFileIgnoringCase(Path("Map_Of_Town.JPG")), Path("Map_Of_Town.JPG"));
    EXPECT_EQ(FindFileIgnoringCase(Path("other.jpg")), Path("other.jpg"));
    // The reader lowers the whole name, directories included.
    fs::create_directories(FDir / "Sub Dir");
    WriteLines("Sub Dir/Alps.Jpg", {"x"});
    EXPECT_EQ(FindFileIgnoringCase(LowerAscii(Path("Sub Dir/Alps.Jpg"))), Path("Sub Dir/Alps.Jpg"));
    EXPECT_EQ(FindFileIgnoringCase(LowerAscii(Path("Sub Dir"))), LowerAscii(Path("Sub Dir"))); // not a file
    EXPECT_EQ(FindFileIgnoringCase((FDir / "nodir" / "x.jpg").string()), (FDir / "nodir" / "x.jpg").string());
}
