// Symbol repository and landmark files: the exact lines written, the block search, the attribute
// rules and the round trip.
#include "geomap/core/Tyx_landmarks.h"
#include "geomap/core/Tyx_symbols.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_datetime.h"
#include "host/tyx_streams.h"
#include "xml_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tyx {
namespace {

using test::FileText;
using test::Join;

class SymbolFileTest : public test::TTempDirTest {};
class LandMarkFileTest : public test::TTempDirTest {};

const std::string Decl = "<?xml version=\"1.0\"?>";

TEST(SymbolRepository, EntriesBackupAndAssignment)
{
    TSymbolRepository R;
    EXPECT_EQ(R.NumEntries(), 0);
    R.SetNEntries(3);
    R.SetNEntries(-1);
    ASSERT_EQ(R.NumEntries(), 3);
    EXPECT_EQ(R.GetValues(2), TSymbol{}); // zero-filled: lmPlus, size 0
    EXPECT_EQ(R.GetValues(2).Properties.Kind, lmPlus);
    EXPECT_EQ(R.GetValues(0), DefaultSymbolRecord());
    EXPECT_EQ(R.GetValues(4), DefaultSymbolRecord());

    TSymbol S = DefaultSymbolRecord();
    S.Name = "well";
    S.Category = 5;
    R.SetValues(2, S);
    R.SetValues(4, S); // ignored
    EXPECT_EQ(R.GetValues(2), S);
    R.Backup();
    R.SetNEntries(1);
    R.Clear();
    EXPECT_EQ(R.GetValues(1), DefaultSymbolRecord());
    R.Restore();
    EXPECT_EQ(R.NumEntries(), 3);
    EXPECT_EQ(R.GetValues(2), S);
    EXPECT_EQ(R.NumBackupEntries(), 3);

    TSymbolRepository Copy;
    R.AssignTo(Copy);
    R.SetValues(2, DefaultSymbolRecord()); // no storage shared
    EXPECT_EQ(Copy.GetValues(2), S);
    Copy.Restore();
    EXPECT_EQ(Copy.GetValues(2), S);
    TComponent Other;
    EXPECT_THROW(Copy.Assign(Other), ETYXError);
    EXPECT_THROW(Copy.AssignTo(Other), ETYXError);
}

TEST(SymbolRepository, AssignToTakesAnyDestinationTheSourceIsOrDerivesFrom)
{
    struct TD1 : TSymbolRepository {};
    struct TD2 : TD1 {};
    struct TD3 : TD2 {};
    struct TSibling : TSymbolRepository {};
    TSymbolRepository R;
    TD1 D1;
    TD2 D2, D2b;
    TD3 D3;
    TSibling Sib;
    struct TCase {
        const char* Name;
        TSymbolRepository& Source;
        TSymbolRepository& Dest;
        bool Taken;
    };
    const TCase Cases[] = {
        {"three steps down", D3, R, true}, {"two steps", D3, D1, true}, {"two steps", D2, R, true},
        {"one step", D2, D1, true},        {"same class", D2, D2b, true}, {"base to derived", D1, D2, false},
        {"base to derived", R, D3, false}, {"sibling", Sib, D1, false},  {"sibling", D3, Sib, false},
    };
    for (const TCase& K : Cases) {
        K.Source.SetNEntries(2);
        K.Dest.SetNEntries(5);
        if (K.Taken) {
            EXPECT_NO_THROW(K.Source.AssignTo(K.Dest)) << K.Name;
            EXPECT_EQ(K.Dest.NumEntries(), 2) << K.Name;
        } else {
            EXPECT_THROW(K.Source.AssignTo(K.Dest), ETYXError) << K.Name;
            EXPECT_EQ(K.Dest.NumEntries(), 5) << K.Name;
        }
    }
}

TEST_F(SymbolFileTest, StoredLinesAndTheirReading)
{
    TSymbolRepository R;
    R.SetNEntries(1);
    R.Clear();
    R.StoreOnFile(Path("s.xml"), "std");
    EXPECT_EQ(FileText(Path("s.xml")),
              Join({Decl, "", "<!-- TGeoMap Landmark Repository / Tyxware -->",
                    "<lmsymbols sig=\"Tyxware\" vers=\"1.0\" id=\"std\">",
                    "<symbol element=\"Cross\" name=\"\" category=\"0\" colorfg=\"00000000\" colorbg=\"000000FF\" "
                    "size=\"8\" transp=\"FALSE\" dir=\"90\" leng=\"40\" />",
                    "</lmsymbols>"}));

    // Every field comes back, also the kinds whose written names once read as a cross; a quote in
    // a name is stored as an apostrophe.
    R.SetNEntries(10);
    for (int k = 0; k < 10; ++k) {
        TSymbol S;
        S.Properties = TSymbolProperties{static_cast<TLandMarkElement>(k), k + 1, 0x00A0B0C0u + k, 0xFF000000u, k % 2 == 0,
                                         -k * 10, 100 + k};
        S.Name = k == 3 ? std::string("say \"hi\"") : std::string(45, char('a' + k));
        S.Category = -k;
        R.SetValues(k + 1, S);
    }
    R.StoreOnFile(Path("all.xml"), "set");
    TSymbolRepository Back;
    ASSERT_TRUE(Back.LoadFromFile(Path("all.xml"), "SET"));
    ASSERT_EQ(Back.NumEntries(), 10);
    for (int k = 1; k <= 10; ++k) {
        TSymbol Expected = R.GetValues(k);
        if (k == 4) Expected.Name = "say 'hi'";
        EXPECT_EQ(Back.GetValues(k), Expected) << k;
    }
}

TEST_F(SymbolFileTest, BlocksAreFoundByIdentifier)
{
    const std::string File = WriteLines(
        "two.xml", {Decl, "<lmsymbols sig=\"Tyxware\" id=\"a\"> <symbol name=\"on the header\" />",
                    "<symbol name=\"a1\" element=\"SQUARE\" size=\" 12x\" transp=\"isTrue\" colorfg=\"ff\" />",
                    "</lmsymbols>", "<LMSYMBOLS SIG=\"TYXWARE\" id=\" b \">", "<symbol name=\"b1\" element=\"plus\" />",
                    "<symbol name=\"b2\" element=\"star\" dir=\"-45\" />", "<symbol name=\"b3\" element=\"User-Defined\" />",
                    "</lmsymbols>", "<lmsymbols sig=\"other\" id=\"c\">", "</lmsymbols>"});
    TSymbolRepository R;
    ASSERT_TRUE(R.LoadFromFile(File, ""));
    ASSERT_EQ(R.NumEntries(), 1); // the tag on the header's own line is not read
    const TSymbol A = R.GetValues(1);
    EXPECT_EQ(A.Name.Str(), "a1");
    EXPECT_EQ(A.Properties, (TSymbolProperties{lmSquare, 12, 0xFF, 0, true, 0, 0}));

    ASSERT_TRUE(R.LoadFromFile(File, "B"));
    ASSERT_EQ(R.NumEntries(), 3);
    EXPECT_EQ(R.GetValues(1).Properties.Kind, lmPlus);
    EXPECT_EQ(R.GetValues(2).Properties.Kind, lmCross);
    EXPECT_EQ(R.GetValues(2).Properties.Direction, -45);
    EXPECT_EQ(R.GetValues(3).Properties.Kind, lmUserDef);

    // No block without the signature, no such identifier, no such file: entries stay.
    EXPECT_FALSE(R.LoadFromFile(File, "c"));
    EXPECT_FALSE(R.LoadFromFile(Path("missing.xml"), ""));
    EXPECT_EQ(R.NumEntries(), 3);
}

// Bytes that Windows-1252 leaves undefined, next to defined ones, come back as they were.
TEST_F(LandMarkFileTest, EveryByteOfATextSurvivesAReadAndWriteCycle)
{
    const std::string Odd = "\x81\x8D\x8F\x90\x9D \x80\xE9";
    TLandMarkList List;
    TTextFile F;
    F.Reset(WriteLines("odd.xml", {"<gmlandmarks sig=\"Tyxware\" id=\"x\">",
                                   "<landmark id=\"" + Odd + "\" captext=\"" + Odd + "\" />", "</gmlandmarks>"}));
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "x", List));
    F.Close();
    ASSERT_EQ(List.NumLandMarks(), 1);
    EXPECT_EQ(List[1].Identifier.Bytes(), Odd);
    EXPECT_EQ(List[1].Caption.Text.Bytes(), Odd);
    F.Rewrite(Path("again.xml"));
    WriteLandMarksToOpenXMLFile(F, false, "x", List);
    F.Close();
    EXPECT_NE(FileText(Path("again.xml")).find("id=\"" + Odd + "\""), std::string::npos);

    TSymbolRepository R;
    ASSERT_TRUE(R.LoadFromFile(WriteLines("sym.xml", {"<lmsymbols sig=\"Tyxware\" id=\"s\">",
                                                      "<symbol name=\"" + Odd + "\" />", "</lmsymbols>"}),
                               "s"));
    EXPECT_EQ(R.GetValues(1).Name.Bytes(), Odd);
    R.StoreOnFile(Path("sym2.xml"), "s");
    EXPECT_NE(FileText(Path("sym2.xml")).find("name=\"" + Odd + "\""), std::string::npos);
}

// Landmark, symbol and calibration files are UTF-8 when they start with a byte order mark or
// declare it, else Windows-1252 byte for byte.
TEST_F(LandMarkFileTest, Utf8FilesAreKnownByByteOrderMarkOrDeclaration)
{
    const std::string Cp = "\xD6-Karte", Utf = "\xC3\x96-Karte";  // "Ö-Karte" in both
    struct Case { std::string Head, Text, Read; };
    const Case Cases[] = {
        {"", Cp, Utf},
        {"\xEF\xBB\xBF", Utf, Utf},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", Utf, Utf},
        {"<?xml version='1.0' encoding = 'utf-8' ?>\r\n", Utf, Utf},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n", Cp, Utf},
        {"<!-- encoding=\"UTF-8\" -->\r\n", Cp, Utf},       // not a declaration
        {"", Utf, "\xC3\x83\xE2\x80\x93-Karte"},               // undeclared: read as it always was
    };
    for (const Case& c : Cases) {
        const std::string Lm = c.Head + "<gmlandmarks sig=\"Tyxware\" id=\"x\">\r\n<landmark captext=\"" + c.Text +
                               "\" />\r\n</gmlandmarks>\r\n";
        const std::string Sym = c.Head + "<lmsymbols sig=\"Tyxware\" id=\"s\">\r\n<symbol name=\"" + c.Text +
                                "\" />\r\n</lmsymbols>\r\n";
        const std::string Cal = c.Head + "<geomap sig=\"Tyxware\" id=\"c\" model=\"equirect\" map=\"m.jpg\" caption=\"" +
                                c.Text + "\">\r\n<resolution>1</resolution>\r\n</geomap>\r\n";
        WriteFileBytes(Path("lm.xml"), Lm.data(), Lm.size());
        WriteFileBytes(Path("sym.xml"), Sym.data(), Sym.size());
        WriteFileBytes(Path("cal.xml"), Cal.data(), Cal.size());

        TLandMarkList List;
        TTextFile F;
        F.Reset(Path("lm.xml"));
        ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "x", List)) << c.Head;
        F.Close();
        ASSERT_EQ(List.NumLandMarks(), 1);
        EXPECT_EQ(List[1].Caption.Text.Str(), c.Read) << "landmark " << c.Head;

        TSymbolRepository R;
        ASSERT_TRUE(R.LoadFromFile(Path("sym.xml"), "s")) << c.Head;
        EXPECT_EQ(R.GetValues(1).Name.Str(), c.Read) << "symbol " << c.Head;

        TCalibData d;
        TCalibModel m = cmUndefined;
        ASSERT_TRUE(ParseCalibData(Path("cal.xml"), "c", d, m)) << c.Head;
        EXPECT_EQ(d.Caption, c.Read) << "calibration " << c.Head;
    }
}

// A landmark with every field set to something that is not a default.
TLandMark Sample(int k)
{
    TLandMark L;
    L.Latitude = 47.123456789012345 + k * 0.1;
    L.Longitude = -122.3 / (k + 3);
    L.Altitude = k == 0 ? 1e-7 : 1e300 / k;
    L.ClassFlag = static_cast<uint8_t>(k * 37);
    L.Tag = -1000 * k;
    L.SymbolProps = TSymbolProperties{static_cast<TLandMarkElement>(k % 10), k, 0x000000FFu, 0x00FFFFFFu + k, k % 2 == 1,
                                      k * 15, 40 + k};
    L.Caption.Text = "Caption \xc3\xa4 " + std::to_string(k);
    L.Caption.Size = 8 + k;
    L.Caption.FontName = "DejaVu Sans";
    L.Caption.FontStyles = static_cast<TFontStyles>(k % 16);
    L.Caption.FGColor = 0x12345678u;
    L.Caption.BGColor = 0x00ABCDEFu;
    L.Caption.Transparent = k % 3 == 0;
    L.Caption.dx = -k;
    L.Caption.dy = k;
    L.Caption.Direction = 90;
    L.Caption.HAlignment = static_cast<TAlignment>(k % 3);
    L.Caption.VAlignment = static_cast<TVerticalAlignment>((k + 1) % 3);
    L.Identifier = "P" + std::to_string(k);
    L.Time = EncodeDateTime(2026, 1 + k % 12, 1 + k, k % 24, 59, 30);
    return L;
}

TEST_F(LandMarkFileTest, AListWrittenAndReadBackIsEqual)
{
    TLandMarkList List;
    for (int k = 0; k < 12; ++k) List.AppendLandMark(Sample(k));
    TLandMark Quoted = Sample(1);
    Quoted.Caption.Text = "the \"old\" mill";
    Quoted.Time += 0.4 / 86400; // below a second: not stored
    List.AppendLandMark(Quoted);
    {
        TTextFile F;
        F.Rewrite(Path("lm.xml"));
        WriteLandMarksToOpenXMLFile(F, true, "first", List);
        WriteLandMarksToOpenXMLFile(F, false, "second", TLandMarkList());
        F.Close();
    }
    const std::string Text = FileText(Path("lm.xml"));
    EXPECT_EQ(Text.rfind(Join({Decl, "", "<!-- TGeoMap Landmarks / Tyxware -->",
                               "<gmlandmarks sig=\"Tyxware\" vers=\"1.0\" id=\"first\">"}),
                         0),
              0u);
    EXPECT_NE(Text.find("</gmlandmarks>\r\n<gmlandmarks sig=\"Tyxware\" vers=\"1.0\" id=\"second\">\r\n</gmlandmarks>\r\n"),
              std::string::npos);

    TLandMarkList Back;
    TTextFile F;
    F.Reset(Path("lm.xml"));
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "", Back));
    ASSERT_EQ(Back.NumLandMarks(), 13);
    for (int k = 1; k <= 12; ++k) EXPECT_EQ(Back[k], List[k]) << k;
    TLandMark Expected = Quoted;
    Expected.Caption.Text = "the 'old' mill";
    Expected.Time = Sample(1).Time;
    EXPECT_EQ(Back[13], Expected);
    // The open file goes on behind the first block.
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "SECOND", Back));
    EXPECT_EQ(Back.NumLandMarks(), 0);
    F.Close();
}

TEST(LandMarkLine, WritesEveryAttributeInTheDocumentedForms)
{
    TLandMark L;
    L.Latitude = 48.5;
    L.Longitude = 16.25;
    L.Altitude = 171;
    L.ClassFlag = 1;
    L.SymbolProps = TSymbolProperties{lmCircle, 6, clRed, clWhite, false, 0, 10};
    L.Identifier = "P1";
    L.Time = EncodeDateTime(2026, 1, 1, 12, 0, 0);
    L.Caption.Text = "Point one";
    L.Caption.Size = 8;
    L.Caption.FontName = "Arial";
    L.Caption.BGColor = clWhite;
    L.Caption.Transparent = true;
    L.Caption.dy = 8;
    L.Caption.HAlignment = taCenter;
    L.Caption.FontStyles = fsBold;
    EXPECT_EQ(LandMarkXmlLine(L),
              "<landmark lat=\"48.5\" long=\"16.25\" alti=\"171\" class=\"1\" usertag=\"0\" element=\"circle\" "
              "colorfg=\"000000FF\" colorbg=\"00FFFFFF\" size=\"6\" transp=\"false\" dir=\"0\" leng=\"10\" id=\"P1\" "
              "date=\"20260101120000\" captext=\"Point one\" capsize=\"8\" capfnm=\"Arial\" capfgcol=\"00000000\" "
              "capbgcol=\"00FFFFFF\" captransp=\"true\" capdir=\"0\" capdx=\"0\" capdy=\"8\" caphal=\"2\" capval=\"0\" "
              "capfst=\"1000\" />");
}

TEST(LandMarkDate, TimesOutsideYears1To9999AreWrittenAsTheNearestEndAndReadBack)
{
    const struct {
        TDateTime Time;
        const char* Text;
    } Cases[] = {
        {3000000, "99991231235959"},
        {1e300, "99991231235959"},
        {EncodeDateTime(9999, 12, 31, 23, 59, 59), "99991231235959"},
        {EncodeDateTime(1, 1, 1, 0, 0, 0), "00010101000000"},
        {-1e6, "00010101000000"},
        {-std::numeric_limits<double>::infinity(), "00010101000000"},
        {std::nan(""), "18991230000000"},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(LandMarkDateText(C.Time), C.Text) << C.Time;
        EXPECT_EQ(LandMarkDateText(LandMarkDateFromText(C.Text)), C.Text);
    }
}

TEST_F(LandMarkFileTest, AttributeRules)
{
    const std::string File = WriteLines(
        "rules.xml",
        {"<gmlandmarks sig=\"tyxware\" id=\"North\"> <landmark lat=\"1\" />",
         "<landmark lat=\"47,5\" long=\" 16.25\" class=\"300\" capfst=\"01\" element=\"Plus\" date=\"20260101120000\" "
         "id=\"ABCDEFGHIJKLMNOPQRS\" captext=\"" + std::string(100, 'c') + "\" caphal=\"258\" transp=\"TRUE\" />",
         "<landmark lat=\"2.5E1\" element=\"crossbox\" date=\"19991231235959\" capfst=\"1111x\" colorfg=\"zz\" "
         "usertag=\"-12abc\" />",
         "<landmark />", "</gmlandmarks>", "<gmlandmarks sig=\"Tyxware\" id=\"south\">",
         "<landmark lat=\"-33\" capfst=\"\" />", "</gmlandmarks>"});
    TLandMarkList List;
    TTextFile F;
    F.Reset(File);
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "", List));
    F.Close();
    ASSERT_EQ(List.NumLandMarks(), 3);
    const TLandMark& A = List[1];
    EXPECT_EQ(A.Latitude, 47.5);
    EXPECT_EQ(A.Longitude, 16.25);
    EXPECT_EQ(A.ClassFlag, 44);
    EXPECT_EQ(A.Caption.FontStyles, fsItalic);
    EXPECT_EQ(A.SymbolProps.Kind, lmPlus);
    EXPECT_EQ(A.Time, EncodeDateTime(2026, 1, 1, 12, 0, 0));
    EXPECT_EQ(A.Identifier.Str(), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(A.Caption.Text.Str(), std::string(80, 'c'));
    EXPECT_EQ(A.Caption.HAlignment, 2);
    EXPECT_TRUE(A.SymbolProps.Transparent);
    const TLandMark& B = List[2];
    EXPECT_EQ(B.Latitude, 25);
    EXPECT_EQ(B.SymbolProps.Kind, lmCrossBox);
    EXPECT_EQ(B.Time, EncodeDateTime(1999, 12, 31, 23, 59, 59));
    EXPECT_EQ(B.Caption.FontStyles, fsBold | fsItalic | fsUnderline | fsStrikeOut);
    EXPECT_EQ(B.SymbolProps.FGColor, 0u);
    EXPECT_EQ(B.Tag, -12);
    // Every field of a tag without attributes is read from an empty value.
    TLandMark Empty;
    Empty.SymbolProps.Kind = lmCross;
    EXPECT_EQ(List[3], Empty);

    F.Reset(File);
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "SOUTH", List));
    F.Close();
    ASSERT_EQ(List.NumLandMarks(), 1);
    EXPECT_EQ(List[1].Latitude, -33);
    EXPECT_EQ(List[1].Caption.FontStyles, 0);

    F.Reset(File);
    EXPECT_FALSE(ReadLandMarksFromOpenXMLFile(F, "east", List));
    F.Close();
    EXPECT_EQ(List.NumLandMarks(), 1);
}

TEST_F(LandMarkFileTest, TheRequestedIdentifierIsLowerCasedButNotTrimmed)
{
    const std::string File = WriteLines(
        "ids.xml", {"<gmlandmarks sig=\"Tyxware\" id=\"a\">", "<landmark usertag=\"1\" />", "</gmlandmarks>",
                    "<gmlandmarks sig=\"Tyxware\" id=\" b \">", "<landmark usertag=\"2\" />", "</gmlandmarks>"});
    const struct {
        std::string DataID;
        int Tag; // of the landmark read; 0: no block found
    } Cases[] = {{"", 1}, {"B", 2}, {" b", 0}, {"b ", 0}, {"   ", 0}};
    for (const auto& C : Cases) {
        TLandMarkList List;
        TTextFile F;
        F.Reset(File);
        const bool Found = ReadLandMarksFromOpenXMLFile(F, C.DataID, List);
        F.Close();
        EXPECT_EQ(Found, C.Tag != 0) << '"' << C.DataID << '"';
        EXPECT_EQ(List.GetLandMarkData(1).Tag, C.Tag) << '"' << C.DataID << '"'; // the cleared record when none
    }
}

TEST_F(LandMarkFileTest, DamagedFilesReadWhatTheyCan)
{
    const std::string Truncated = WriteLines(
        "cut.xml", {"<gmlandmarks sig=\"Tyxware\" id=\"x\">", "<landmark lat=\"1e99999\" long=\"-\" alti=\"1.2.3\" />",
                    "<landmark lat=\"2\" captext=\"unclosed /> <landmark lat=\"3\" />", "<landmark lat=\"4\" long=\"5"});
    TLandMarkList List;
    TTextFile F;
    F.Reset(Truncated);
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "x", List));
    F.Close();
    // The stray quote spoils its own line only; the unfinished last tag is left out.
    ASSERT_EQ(List.NumLandMarks(), 2);
    EXPECT_TRUE(std::isfinite(List[1].Latitude));
    EXPECT_GT(List[1].Latitude, 1e300);
    EXPECT_EQ(List[1].Longitude, 0);
    EXPECT_EQ(List[1].Altitude, 0);
    EXPECT_EQ(List[2].Latitude, 2);
}

TEST_F(LandMarkFileTest, ABlockOf1001LandmarksGrowsTheCapacity)
{
    std::vector<std::string> Lines = {"<gmlandmarks sig=\"Tyxware\" id=\"big\">"};
    for (int i = 1; i <= 1001; ++i) Lines.push_back("<landmark usertag=\"" + std::to_string(i) + "\" />");
    Lines.push_back("</gmlandmarks>");
    TLandMarkList List;
    List.SetActionCheck([](TLandMarkAction, const TLandMark&) { return false; }); // not asked
    TTextFile F;
    F.Reset(WriteLines("big.xml", Lines));
    ASSERT_TRUE(ReadLandMarksFromOpenXMLFile(F, "big", List));
    F.Close();
    EXPECT_EQ(List.NumLandMarks(), 1001);
    EXPECT_EQ(List.LandMarkCapacity(), 2000);
    EXPECT_EQ(List[1001].Tag, 1001);
}

} // namespace
} // namespace tyx
