// tyxgeo emptymap and render: generated maps on disk and composed views written as images.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadAll(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

uint32_t Le32(const std::vector<uint8_t>& B, std::size_t At)
{
    return B[At] | B[At + 1] << 8 | B[At + 2] << 16 | static_cast<uint32_t>(B[At + 3]) << 24;
}

uint32_t Be32(const std::vector<uint8_t>& B, std::size_t At)
{
    return static_cast<uint32_t>(B[At]) << 24 | B[At + 1] << 16 | B[At + 2] << 8 | B[At + 3];
}

/// Generates the map once for the tests that render it.
std::string EmptyMapXml()
{
    static const std::string Xml = [] {
        const std::string Base = CliTempDir() + "/alps";
        const auto r = RunTyxgeo({"emptymap", Base + ".map", "46", "9", "48", "13", "0.5", "1", "600", "400"});
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        return Base + ".xml";
    }();
    return Xml;
}

TEST(CliRender, EmptyMapWritesAFourBitBitmapAndItsCalibration)
{
    const std::string Base = CliTempDir() + "/box";
    const auto r = RunTyxgeo({"emptymap", Base + ".dat", "50", "10", "40", "12", "0", "1", "50", "120"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, Base + ".bmp\n" + Base + ".xml\n");
    const auto Bmp = ReadAll(Base + ".bmp");
    ASSERT_GT(Bmp.size(), 54u);
    EXPECT_EQ(Bmp[0], 'B');
    EXPECT_EQ(Le32(Bmp, 18), 100u); // width raised to 100
    EXPECT_EQ(Le32(Bmp, 22), 120u);
    EXPECT_EQ(Bmp[28], 4);          // bits per pixel

    // The calibration reads back through calib: corners span the normalised box.
    const auto Info = RunTyxgeo({"calib", Base + ".xml", "info"});
    ASSERT_EQ(Info.ExitCode, 0) << Info.Err;
    EXPECT_NE(Info.Out.find("model biquadratic"), std::string::npos) << Info.Out;
    EXPECT_NE(Info.Out.find("points 9"), std::string::npos) << Info.Out;
    const auto Pixel = RunTyxgeo({"calib", Base + ".xml", "pixel", "50", "60"});
    ASSERT_EQ(Pixel.ExitCode, 0) << Pixel.Err;
    EXPECT_EQ(Pixel.Out.substr(0, 4), "45.0");
}

TEST(CliRender, EmptyMapRefusesBadNumbers)
{
    const std::string Base = CliTempDir() + "/bad";
    EXPECT_EQ(RunTyxgeo({"emptymap", Base, "x", "10", "40", "12", "1", "1", "200", "200"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"emptymap", Base, "40", "10", "40", "12", "1", "1", "200", "200"}).ExitCode, 1);
    // 100000 parallels over 26 million degrees of latitude
    EXPECT_EQ(RunTyxgeo({"emptymap", Base, "-13e6", "10", "13e6", "12", "260", "1", "200", "200"}).ExitCode, 1);
    // The tool takes images up to a thousand million pixels unless --max-pixels says otherwise.
    for (const char* Limit : {"3000000", "1200"}) {
        const auto Huge =
            RunTyxgeo({"emptymap", Base, "40", "10", "41", "12", "1", "1", "3000", "1001", "--max-pixels", Limit});
        EXPECT_EQ(Huge.ExitCode, 1);
        EXPECT_NE(Huge.Err.find("maximum of " + std::string(Limit) + " pixels"), std::string::npos) << Huge.Err;
    }
    EXPECT_EQ(RunTyxgeo({"emptymap", Base, "40", "10", "41", "12", "1", "1", "3000", "1001"}).ExitCode, 0);
    EXPECT_EQ(RunTyxgeo({"emptymap", Base, "40", "10", "41", "12", "1", "1", "200", "200", "--max-pixels", "0"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"emptymap", Base, "40", "10", "41"}).ExitCode, 2);
    // Fewer than 10000 lines, but steps that cannot move a value near 90 or 180 degrees.
    for (const auto& [LatLow, LongLow, LatHigh, LongHigh, DLat, DLong] :
         {std::array<const char*, 6>{"89.99999999995", "0", "90", "1", "6e-15", "1"},
          std::array<const char*, 6>{"0", "179.99999999995", "1", "180", "1", "1e-14"}}) {
        const auto Fine = RunTyxgeo({"emptymap", Base, LatLow, LongLow, LatHigh, LongHigh, DLat, DLong, "200", "200"});
        EXPECT_EQ(Fine.ExitCode, 1) << DLat << ' ' << DLong;
        EXPECT_NE(Fine.Err.find("grid step finer"), std::string::npos) << Fine.Err;
    }
}

TEST(CliRender, RenderWritesTheViewInTheFormatOfItsName)
{
    const std::string Xml = EmptyMapXml();
    const std::string Png = CliTempDir() + "/view.PNG";
    auto r = RunTyxgeo({"render", Xml, Png, "--size", "320x240", "--mag", "0.5", "--topleft", "100,50"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    auto B = ReadAll(Png);
    ASSERT_GT(B.size(), 24u);
    EXPECT_EQ(std::string(B.begin() + 1, B.begin() + 4), "PNG");
    EXPECT_EQ(Be32(B, 16), 320u);
    EXPECT_EQ(Be32(B, 20), 240u);
    // At a device pixel ratio: the same view at R times the pixels each way.
    r = RunTyxgeo({"render", Xml, Png, "--size", "320x240", "--mag", "0.5", "--topleft", "100,50", "--dpr", "1.5"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    B = ReadAll(Png);
    ASSERT_GT(B.size(), 24u);
    EXPECT_EQ(Be32(B, 16), 480u);
    EXPECT_EQ(Be32(B, 20), 360u);

    const std::string Bmp = CliTempDir() + "/view.bmp";
    r = RunTyxgeo({"render", Xml, Bmp, "--no-antialias"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    B = ReadAll(Bmp);
    ASSERT_GT(B.size(), 54u);
    EXPECT_EQ(B[0], 'B');
    EXPECT_EQ(Le32(B, 18), 800u); // the default size
    EXPECT_EQ(Le32(B, 22), 600u);

    const std::string Jpg = CliTempDir() + "/view.jpeg";
    r = RunTyxgeo({"render", Xml, Jpg, "--id", "TYX_geomap_caldata", "--size", "64x48"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    B = ReadAll(Jpg);
    ASSERT_GT(B.size(), 2u);
    EXPECT_EQ(B[0], 0xFF);
    EXPECT_EQ(B[1], 0xD8);
}

TEST(CliRender, RenderReportsBadUsageAndBadData)
{
    const std::string Xml = EmptyMapXml();
    const std::string Out = CliTempDir() + "/out.png";
    EXPECT_EQ(RunTyxgeo({"render", Xml, CliTempDir() + "/out.gif"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--size", "0x10"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--size", "wide"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--mag", "-1"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--topleft", "5"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--dpr", "0.5"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--size", "4000x10", "--dpr", "3"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"render", CliTempDir() + "/none.xml", Out}).ExitCode, 1);
    const auto NoBlock = RunTyxgeo({"render", Xml, Out, "--id", "other"});
    EXPECT_EQ(NoBlock.ExitCode, 1);
    EXPECT_NE(NoBlock.Err.find("other"), std::string::npos);

    // A calibration whose image is missing.
    const std::string Lost = CliTempDir() + "/lost.xml";
    std::ofstream(Lost, std::ios::binary)
        << "<?xml version=\"1.0\"?>\r\n"
           "<geomap sig=\"Tyxware\" vers=\"1.0\" id=\"L\" model=\"equirect\" map=\"gone.jpg\" caption=\"\">\r\n"
           "</geomap>\r\n";
    const auto R = RunTyxgeo({"render", Lost, Out});
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_NE(R.Err.find("gone.jpg"), std::string::npos) << R.Err;
}

TEST(CliRender, RenderDrawsTheOverlaysItIsAskedFor)
{
    const std::string Xml = EmptyMapXml();
    const std::string Lm = CliTempDir() + "/towns.xml";
    std::ofstream(Lm, std::ios::binary)
        << "<gmlandmarks sig=\"Tyxware\" vers=\"1.0\" id=\"t\">\r\n"
           "<landmark lat=\"47.6\" long=\"10.0\" element=\"circle\" size=\"5\" class=\"2\" captext=\"Here\" />\r\n"
           "</gmlandmarks>\r\n";
    // South of the image, on the background of a view larger than the map.
    const std::string Beyond = CliTempDir() + "/beyond.xml";
    std::ofstream(Beyond, std::ios::binary)
        << "<gmlandmarks sig=\"Tyxware\" vers=\"1.0\" id=\"b\">\r\n"
           "<landmark lat=\"45.5\" long=\"10.0\" element=\"circle\" size=\"5\" captext=\"Away\" />\r\n"
           "</gmlandmarks>\r\n";
    // Two captions on one spot: declutter moves or leaves out the second (a square larger than
    // the first circle).
    const std::string Crowd = CliTempDir() + "/crowd.xml";
    std::ofstream(Crowd, std::ios::binary)
        << "<gmlandmarks sig=\"Tyxware\" vers=\"1.0\" id=\"c\">\r\n"
           "<landmark lat=\"47.6\" long=\"10\" element=\"circle\" size=\"3\" captext=\"First\" capsize=\"10\" />\r\n"
           "<landmark lat=\"47.6\" long=\"10\" element=\"square\" size=\"5\" captext=\"Second\" capsize=\"10\" />\r\n"
           "</gmlandmarks>\r\n";
    const std::string Dir = CliTempDir();
    const std::vector<std::vector<std::string>> Variants{
        {},
        {"--grat", "pointsandlines", "--grat-dist", "0.5", "--colors", "00FF0000,000000FF"},
        {"--landmarks", Lm + ":t", "--highlight", "1", "--seed", "3", "--threshold", "5000"},
        {"--landmarks", Lm, "--hidden-classes", "1,2"},
        {"--size", "700x600"},
        {"--size", "700x600", "--landmarks", Beyond},
        {"--size", "700x600", "--landmarks", Beyond, "--on-map-only"},
        {"--scale-bar"},
        {"--grat", "lines", "--grat-dist", "0.5"},
        {"--grat", "lines", "--grat-dist", "0.5", "--grat-labels"},
        {"--landmarks", Crowd},
        {"--landmarks", Crowd, "--declutter"},
        {"--landmarks", Crowd, "--declutter", "--declutter-symbols"},
    };
    std::vector<std::vector<uint8_t>> Pictures;
    for (std::size_t i = 0; i < Variants.size(); ++i) {
        std::vector<std::string> Args{"render", Xml, Dir + "/v" + std::to_string(i) + ".bmp"};
        if (Variants[i].empty() || Variants[i][0] != "--size") Args.insert(Args.end(), {"--size", "300x200"});
        Args.insert(Args.end(), Variants[i].begin(), Variants[i].end());
        const auto r = RunTyxgeo(Args);
        ASSERT_EQ(r.ExitCode, 0) << i << ": " << r.Err;
        Pictures.push_back(ReadAll(Args[2]));
    }
    EXPECT_NE(Pictures[1], Pictures[0]);
    EXPECT_NE(Pictures[2], Pictures[0]);
    EXPECT_EQ(Pictures[3], Pictures[0]); // the only landmark's class is hidden
    EXPECT_NE(Pictures[5], Pictures[4]);
    EXPECT_EQ(Pictures[6], Pictures[4]); // the landmark beyond the image is left out
    EXPECT_NE(Pictures[7], Pictures[0]);
    EXPECT_NE(Pictures[9], Pictures[8]);
    EXPECT_NE(Pictures[11], Pictures[10]); // the second caption is moved or left out
    EXPECT_NE(Pictures[12], Pictures[11]); // the second symbol, on the first, is left out
    // The caption beyond the image is counted, unless it is left out.
    for (const bool OnMapOnly : {false, true}) {
        std::vector<std::string> Args{"render", Xml, Dir + "/count.bmp", "--size", "700x600"};
        Args.insert(Args.end(), {"--landmarks", Beyond, "--declutter", "--count-captions"});
        if (OnMapOnly) Args.push_back("--on-map-only");
        EXPECT_EQ(RunTyxgeo(Args).Out, OnMapOnly ? "captions drawn: 0\n" : "captions drawn: 1\n");
    }

    const std::string Out = Dir + "/bad.png";
    for (const std::vector<std::string>& Bad : std::vector<std::vector<std::string>>{
             {"--grat", "dots"}, {"--colors", "FF0000,0000FF"}, {"--grat-dist", "-1"}, {"--threshold", "1000"},
             {"--hidden-classes", "256"}, {"--seed", "-4"}, {"--count-captions"}, {"--declutter-symbols"}}) {
        std::vector<std::string> Args{"render", Xml, Out};
        Args.insert(Args.end(), Bad.begin(), Bad.end());
        EXPECT_EQ(RunTyxgeo(Args).ExitCode, 2) << Bad[0];
    }
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--landmarks", Dir + "/none.xml"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--landmarks", Lm + ":other"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"render", Xml, Out, "--landmarks", Lm, "--highlight", "2"}).ExitCode, 1);
}

} // namespace
