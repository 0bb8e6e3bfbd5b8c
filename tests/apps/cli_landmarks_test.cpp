// tyxgeo landmarks, symbols, symbol and landmarks-write.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <QImage>

#include <fstream>
#include <string>

namespace {

void WriteText(const std::string& Path, const std::string& Text)
{
    std::ofstream(Path, std::ios::binary) << Text;
}

TEST(CliLandMarks, ListingWritingAndListingAgainAgree)
{
    const std::string Dir = CliTempDir();
    const std::string Lines =
        "1\t48.200000000\t16.370000000\t171.000000000\t3\t-7\tCircle\t6\t000000FF\t00FFFFFF\tfalse\t0\t10\tWien\t"
        "20260101120000\tthe capital\n"
        "2\t-33.865000000\t151.209000000\t0.000000000\t255\t0\tUser-Defined\t8\t00000000\t000000FF\ttrue\t90\t40\tSyd\t"
        "19991231235959\t\n";
    const auto W = RunTyxgeo({"landmarks-write", Dir + "/lm.xml", "--id", "Cities"}, Lines);
    ASSERT_EQ(W.ExitCode, 0) << W.Err;
    const auto L = RunTyxgeo({"landmarks", Dir + "/lm.xml", "--id", "CITIES"});
    ASSERT_EQ(L.ExitCode, 0) << L.Err;
    EXPECT_EQ(L.Out, Lines);

    EXPECT_EQ(RunTyxgeo({"landmarks", Dir + "/lm.xml", "--id", "towns"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"landmarks", Dir + "/missing.xml"}).ExitCode, 1);
    // A bad line writes nothing and names the line.
    const auto Bad = RunTyxgeo({"landmarks-write", Dir + "/bad.xml", "--id", "x"}, Lines + "3\tnorth\t1\t2\n");
    EXPECT_EQ(Bad.ExitCode, 1);
    EXPECT_NE(Bad.Err.find("line 3"), std::string::npos) << Bad.Err;
    EXPECT_FALSE(std::ifstream(Dir + "/bad.xml").good());
}

TEST(CliLandMarks, ListingAndRenderingWarnOfACutBlockAndOfCoordinatesThatAreNotNumbers)
{
    const std::string Dir = CliTempDir();
    const auto Map = RunTyxgeo({"emptymap", Dir + "/m.map", "0", "0", "10", "10", "0", "0", "40", "40"});
    ASSERT_EQ(Map.ExitCode, 0) << Map.Err;
    const std::string Head = "<gmlandmarks sig=\"Tyxware\" id=\"x\">\r\n";
    const struct {
        std::string Text, Warnings; // the warnings without the "tyxgeo: warning: 'FILE': " before each
    } Cases[] = {
        {Head + "<landmark lat=\"1\" long=\"2,5\" alti=\" 3e2 \" />\r\n<landmark long=\"\" />\r\n</gmlandmarks>\r\n", ""},
        {Head + "<landmark lat=\"1\" long=\"2\" />\r\n<landmark lat=\"3\" lo",
         "the landmark block has no closing tag </gmlandmarks>: the file may be cut off after landmark 1\n"},
        {Head, "the landmark block has no closing tag </gmlandmarks>: the file may be cut off before its first landmark\n"},
        {Head + "<landmark lat=\"nan\" long=\"5\" />\r\n<landmark lat=\"4\" long=\"inf\" alti=\"1e999\" />\r\n"
                "<landmark lat=\"6x\" />\r\n</gmlandmarks>\r\n",
         "landmark 1: lat is not a finite number, read as 0\n"
         "landmark 2: long is not a finite number, read as 0\n"
         "landmark 2: alti is not a finite number, read as 1.7976931348623157e+308\n"
         "landmark 3: lat is not a finite number, read as 6\n"},
    };
    for (const auto& C : Cases) {
        const std::string File = Dir + "/lm.xml";
        WriteText(File, C.Text);
        std::string Expected;
        for (std::size_t From = 0, To; (To = C.Warnings.find('\n', From)) != std::string::npos; From = To + 1)
            Expected += "tyxgeo: warning: '" + File + "': " + C.Warnings.substr(From, To + 1 - From);
        const auto L = RunTyxgeo({"landmarks", File});
        EXPECT_EQ(L.ExitCode, 0);
        EXPECT_EQ(L.Err, Expected);
        const auto R = RunTyxgeo({"render", Dir + "/m.xml", Dir + "/m.png", "--landmarks", File + ":x"});
        EXPECT_EQ(R.ExitCode, 0);
        EXPECT_EQ(R.Err, Expected);
    }
}

TEST(CliLandMarks, ATabAndABackslashAreEscapedInTheListingAndReadBack)
{
    const std::string File = CliTempDir() + "/esc.xml";
    const std::string Line = "1\t1.000000000\t2.000000000\t0.000000000\t0\t0\tCircle\t8\t00000000\t000000FF\tfalse\t90\t40\t"
                             "C:\\\\x\t20000101000000\tone\\ttab\n";
    ASSERT_EQ(RunTyxgeo({"landmarks-write", File, "--id", "e"}, Line).ExitCode, 0);
    const auto L = RunTyxgeo({"landmarks", File});
    ASSERT_EQ(L.ExitCode, 0) << L.Err;
    EXPECT_EQ(L.Out, Line);
}

TEST(CliLandMarks, SymbolsAreListed)
{
    const std::string File = CliTempDir() + "/sym.xml";
    WriteText(File, "<lmsymbols sig=\"Tyxware\" id=\"std\">\r\n"
                    "<symbol element=\"Triangle\" name=\"peak\" category=\"2\" colorfg=\"0000FF00\" colorbg=\"00FF0000\" "
                    "size=\"9\" transp=\"TRUE\" dir=\"45\" leng=\"40\" />\r\n</lmsymbols>\r\n");
    const auto R = RunTyxgeo({"symbols", File});
    ASSERT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out, "1\tpeak\t2\tTriangle\t9\t0000FF00\t00FF0000\ttrue\t45\t40\n");
    EXPECT_EQ(RunTyxgeo({"symbols", File, "--id", "other"}).ExitCode, 1);
}

TEST(CliLandMarks, OneSymbolIsDrawn)
{
    const std::string Png = CliTempDir() + "/tri.png";
    const auto R = RunTyxgeo({"symbol", Png, "100x80", "triangle", "50", "50", "--size", "10", "--dir", "0", "--fg",
                              "000000FF", "--bg", "00FF0000"});
    ASSERT_EQ(R.ExitCode, 0) << R.Err;
    const QImage Img(QString::fromStdString(Png));
    ASSERT_EQ(Img.size(), QSize(100, 80));
    EXPECT_EQ(Img.pixel(50, 40), qRgb(255, 0, 0)); // the corners in the line colour
    EXPECT_EQ(Img.pixel(59, 55), qRgb(255, 0, 0));
    EXPECT_EQ(Img.pixel(50, 50), qRgb(0, 0, 255)); // filled with the background colour
    EXPECT_EQ(Img.pixel(5, 5), qRgb(255, 255, 255));

    EXPECT_EQ(RunTyxgeo({"symbol", Png, "100x80", "star", "50", "50"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"symbol", Png, "100", "Plus", "50", "50"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"symbol", Png, "100x80", "300", "50", "50"}).ExitCode, 1);
}

} // namespace
