// tyxgeo's geodesy commands: output formats, batch mode and exit codes.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& Text)
{
    std::vector<std::string> out;
    std::istringstream in(Text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

std::vector<std::string> Tabs(const std::string& Line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t tab; (tab = Line.find('\t', start)) != std::string::npos; start = tab + 1)
        out.push_back(Line.substr(start, tab - start));
    out.push_back(Line.substr(start));
    return out;
}

void ExpectOut(const std::vector<std::string>& Args, const std::string& Out)
{
    const CliResult r = RunTyxgeo(Args);
    EXPECT_EQ(r.ExitCode, 0) << Args[0] << ": " << r.Err;
    EXPECT_EQ(r.Out, Out) << Args[0];
}

} // namespace

TEST(CliGeo, Conversions)
{
    ExpectOut({"utm", "48.2", "16.37"}, "33 601799.146 5339437.154\n");
    ExpectOut({"utm", "-33.9", "151.2", "--ellipsoid", "GELwgs84"}, "56 333568.941 6247473.337\n");
    // Back from the millimetre-rounded grid: 9 decimals each, within the rounding of the input.
    const CliResult back = RunTyxgeo({"utm2geo", "33", "601799.146", "5339437.154"});
    EXPECT_EQ(back.ExitCode, 0);
    double lat = 0, lon = 0;
    ASSERT_EQ(std::sscanf(back.Out.c_str(), "%lf %lf", &lat, &lon), 2) << back.Out;
    EXPECT_NEAR(lat, 48.2, 1e-7);
    EXPECT_NEAR(lon, 16.37, 1e-7);
    EXPECT_EQ(back.Out.size(), std::string("48.200000000 16.370000000\n").size()) << back.Out;
    ExpectOut({"ups", "85", "30"}, "2277728.696 1518959.788\n");
    ExpectOut({"ups", "-85", "30"}, "2277728.696 2481040.212\n");
    ExpectOut({"zone", "48.2", "16.37"}, "33U\n");
    ExpectOut({"zone", "84.5", "0"}, "\n");
    ExpectOut({"cart", "0", "0", "0"}, "6378137.0000 0.0000 0.0000\n");
    ExpectOut({"geo", "6378237", "0", "0"}, "0.000000000 0.000000000 100.0000\n");
    ExpectOut({"helmert", "269", "269", "48.2", "16.37", "200"}, "0 48.200000000 16.370000000 200.0000\n");
    ExpectOut({"helmert", "0", "269", "48.2", "16.37", "200"}, "-1\n");
    ExpectOut({"helmert", "269", "272", "48.2", "16.37", "200"}, "-2\n");

    // The southern flag and the ellipsoid change the answer.
    const CliResult south = RunTyxgeo({"utm2geo", "56", "333568.941", "6247473.337", "--south"});
    EXPECT_EQ(south.ExitCode, 0);
    EXPECT_EQ(south.Out.rfind("-33.89999", 0), 0u) << south.Out;
    const CliResult sphere = RunTyxgeo({"ups2geo", "2277728.696", "2481040.212", "--south", "--ellipsoid", "gelSphere"});
    EXPECT_EQ(sphere.ExitCode, 0);
    EXPECT_EQ(sphere.Out.rfind("-8", 0), 0u) << sphere.Out;
    EXPECT_EQ(sphere.Out.find("-85.000000000"), std::string::npos) << sphere.Out;
    const CliResult clarke = RunTyxgeo({"cart", "45", "10", "0", "--ellipsoid", "gelclrk66"});
    EXPECT_EQ(clarke.ExitCode, 0);
    EXPECT_NE(clarke.Out, RunTyxgeo({"cart", "45", "10", "0"}).Out);
}

TEST(CliGeo, StatusesBeyondTheDatumsStillConvert)
{
    const CliResult r = RunTyxgeo({"helmert", "269", "269", "90.5", "10", "0"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out.rfind("-3 89.5", 0), 0u) << r.Out;
}

TEST(CliGeo, Listings)
{
    const auto ell = Lines(RunTyxgeo({"ellipsoids"}).Out);
    ASSERT_EQ(ell.size(), 61u);
    EXPECT_EQ(ell[0], "0\tgelWGS84\tWGS 1984\t6378137\t6356752.314245");
    EXPECT_EQ(Tabs(ell[41])[1], "gelClrk80intfoot");

    const auto dat = Lines(RunTyxgeo({"datums"}).Out);
    ASSERT_EQ(dat.size(), 271u);
    EXPECT_EQ(dat[12], "13\tRD, AMERSFOORT\tNetherlands\tgelBess41\t565\t49.9\t465.8\t4.08\t-0.409\t0.36\t-1.869");
    EXPECT_EQ(Tabs(dat[269])[1], "YACARE ");
    for (const auto& l : dat) EXPECT_EQ(Tabs(l).size(), 11u) << l;

    const auto cty = Lines(RunTyxgeo({"countries"}).Out);
    ASSERT_EQ(cty.size(), 231u);
    EXPECT_EQ(cty[0], "Afghanistan\taf\taf\tafg\t33\t65\tKabul\t34.5309\t69.1368\t1807");
    EXPECT_EQ(cty[230], "Zimbabwe\tzi\tzw\tzwe\t-20\t30\tHarare\t-17.8292\t31.054\t1480");
    for (const auto& l : cty) EXPECT_EQ(Tabs(l).size(), 10u) << l;
}

TEST(CliGeo, BatchModeKeepsGoingPastBadLines)
{
    const CliResult r = RunTyxgeo({"utm"}, "48.2 16.37\nforty 16\n\n-33.9\t151.2\n1 2 3\n");
    EXPECT_EQ(r.ExitCode, 1);
    const auto out = Lines(r.Out);
    ASSERT_EQ(out.size(), 4u) << r.Out;
    EXPECT_EQ(out[0], "33 601799.146 5339437.154");
    EXPECT_EQ(out[1].rfind("error: ", 0), 0u);
    EXPECT_NE(out[1].find("forty"), std::string::npos);
    EXPECT_EQ(out[2], "56 333568.941 6247473.337");
    EXPECT_EQ(out[3].rfind("error: ", 0), 0u);

    const CliResult ok = RunTyxgeo({"zone"}, "48.2 16.37\n85 0\n60 5\n");
    EXPECT_EQ(ok.ExitCode, 0);
    EXPECT_EQ(ok.Out, "33U\n\n32V\n");

    // Helmert reads whole records, or only the coordinates when the datums are given.
    const CliResult h5 = RunTyxgeo({"helmert"}, "269 269 10 20 30\n0 269 10 20 30\n");
    EXPECT_EQ(h5.ExitCode, 0);
    EXPECT_EQ(h5.Out, "0 10.000000000 20.000000000 30.0000\n-1\n");
    const CliResult h3 = RunTyxgeo({"helmert", "269", "269"}, "10 20 30\n");
    EXPECT_EQ(h3.Out, "0 10.000000000 20.000000000 30.0000\n");
}

TEST(CliGeo, ExitCodes)
{
    const CliResult unknown = RunTyxgeo({"utm", "48", "16", "--ellipsoid", "gelMars"});
    EXPECT_EQ(unknown.ExitCode, 2);
    EXPECT_NE(unknown.Err.find("tyxgeo ellipsoids"), std::string::npos) << unknown.Err;
    EXPECT_TRUE(unknown.Out.empty());
    EXPECT_EQ(RunTyxgeo({"utm", "48"}).ExitCode, 2);
    EXPECT_EQ(RunTyxgeo({"cart", "1", "2", "3", "4"}).ExitCode, 2);

    const CliResult bad = RunTyxgeo({"cart", "north", "16", "0"});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_NE(bad.Err.find("north"), std::string::npos);
    EXPECT_EQ(RunTyxgeo({"utm", "nan", "16"}).ExitCode, 1);
    EXPECT_EQ(RunTyxgeo({"utm2geo", "61", "500000", "0"}).ExitCode, 1);
}

TEST(CliGeo, ResultsThatAreNoPositionAreErrors)
{
    const std::vector<std::vector<std::string>> extreme = {
        {"utm2geo", "33", "1e308", "1e308"}, {"utm2geo", "33", "1e7", "1e7"}, {"ups2geo", "2000000", "1e300"},
        {"utm", "271", "-1e308"},            {"geo", "1e308", "1e308", "1e308"}, {"helmert", "13", "269", "0", "0", "1e308"},
        {"utm", "+-1", "0"},                 {"utm2geo", "+-1", "500000", "0"},
    };
    for (const auto& args : extreme) {
        const CliResult r = RunTyxgeo(args);
        EXPECT_EQ(r.ExitCode, 1) << args[0] << " " << args[1] << ": " << r.Out;
        EXPECT_TRUE(r.Out.empty()) << r.Out;
        EXPECT_FALSE(r.Err.empty());
    }
    ExpectOut({"geo", "0", "0", "6356752.314245"}, "90.000000000 0.000000000 0.0000\n");
    ExpectOut({"utm", "+1", "3"}, "31 500000.000 110530.159\n");
}
