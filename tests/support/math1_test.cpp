#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/tyx_datetime.h"
#include "support/Tyx_math1.h"

using namespace tyx;

TEST(DegreeToStr, EachFormatWithItsDecimals)
{
    EXPECT_EQ(DegreeToStr(48.5, dfDeg, 2), "48.50\xC2\xB0");
    EXPECT_EQ(DegreeToStr(48.5, dfDeg, 0), "48\xC2\xB0"); // half to even
    EXPECT_EQ(DegreeToStr(48.5, dfDegMin, 1), "48\xC2\xB0" "30.0'");
    EXPECT_EQ(DegreeToStr(5.0, dfDegMin, 0), "5\xC2\xB0" "00'");
    EXPECT_EQ(DegreeToStr(48.0 + 30.5 / 60, dfDegMinSec, 0), "48\xC2\xB0" "30'30\"");
    EXPECT_EQ(DegreeToStr(16.0 + 5.0 / 60 + 7.25 / 3600, dfDegMinSec, 2), "16\xC2\xB0" "05'07.25\"");
}

TEST(DegreeToStr, RoundingCarriesIntoTheNextUnit)
{
    EXPECT_EQ(DegreeToStr(47.99999, dfDegMin, 1), "48\xC2\xB0" "00.0'");
    EXPECT_EQ(DegreeToStr(10.9999999, dfDegMinSec, 0), "11\xC2\xB0" "00'00\"");
    EXPECT_EQ(DegreeToStr(10.0 + 59.9999 / 3600 + 2.0 / 60, dfDegMinSec, 1), "10\xC2\xB0" "03'00.0\"");
    EXPECT_EQ(DegreeToStr(359.9999, dfDeg, 2), "360.00\xC2\xB0");
}

TEST(DegreeToStr, SignsAndOddInput)
{
    EXPECT_EQ(DegreeToStr(-16.25, dfDegMin, 0), "-16\xC2\xB0" "15'");
    EXPECT_EQ(DegreeToStr(-0.25, dfDegMinSec, 0), "-0\xC2\xB0" "15'00\"");
    EXPECT_EQ(DegreeToStr(-0.00001, dfDeg, 2), "0.00\xC2\xB0"); // no "-0"
    EXPECT_EQ(DegreeToStr(1.5, dfDeg, -3), "2\xC2\xB0");
    EXPECT_EQ(DegreeToStr(NAN, dfDeg, 2), "NaN");
    EXPECT_EQ(DegreeToStr(-INFINITY, dfDegMin, 2), "-Inf");
}

TEST(Hex, UpperCaseWithAtLeastTheGivenDigits)
{
    EXPECT_EQ(Hex(0xFF, 8), "000000FF");
    EXPECT_EQ(Hex(0xABCDEF12u, 8), "ABCDEF12");
    EXPECT_EQ(Hex(0x12345, 2), "12345");
    EXPECT_EQ(Hex(0, 0), "0");
}

TEST(ScanHex, ReadsFromPosAndAdvancesPastTheDigits)
{
    int pos = 1;
    EXPECT_EQ(ScanHex("000000FF", pos), 0xFFu);
    EXPECT_EQ(pos, 9);
    pos = 3;
    EXPECT_EQ(ScanHex("x=  1aZ", pos), 0x1Au);
    EXPECT_EQ(pos, 7);
    pos = 1;
    EXPECT_EQ(ScanHex("zz", pos), 0u);
    EXPECT_EQ(pos, 1);
    pos = 5;
    EXPECT_EQ(ScanHex("abc", pos), 0u);
    EXPECT_EQ(pos, 5);
    pos = 1;
    EXPECT_EQ(ScanHex("1FFFFFFFF0", pos), 0xFFFFFFFFu);
    EXPECT_EQ(pos, 11);
    for (uint32_t colour : {0x00000000u, 0x000000FFu, 0x00C0DCC0u, 0xFFFFFFFFu}) {
        pos = 1;
        EXPECT_EQ(ScanHex(Hex(colour, 8), pos), colour);
    }
}

TEST(ScanDateTime, CompactFormatAndPieces)
{
    int pos = 1;
    EXPECT_EQ(ScanDateTime("20260101120000", "yyyymmddHHMMSS", lanEnglish, pos), EncodeDateTime(2026, 1, 1, 12, 0, 0));
    EXPECT_EQ(pos, 15);
    pos = 6;
    EXPECT_EQ(ScanDateTime("date=19991231235959\"", "yyyymmddHHMMSS", lanEnglish, pos),
              EncodeDateTime(1999, 12, 31, 23, 59, 59));
    EXPECT_EQ(pos, 20);
    pos = 1;
    EXPECT_EQ(ScanDateTime("2024-02-29", "yyyy-mm-dd", lanEnglish, pos), EncodeDate(2024, 2, 29));
    pos = 1;
    EXPECT_DOUBLE_EQ(ScanDateTime("18:30:00.500", "HH:MM:SS.zzz", lanEnglish, pos), EncodeTime(18, 30, 0, 500));
    pos = 1;
    EXPECT_EQ(ScanDateTime("05 M\xC3\xA4r 26", "dd mmm yy", lanGerman, pos), EncodeDate(2026, 3, 5));
    pos = 1;
    EXPECT_EQ(ScanDateTime("05 MAY 1970", "dd mmm yyyy", lanEnglish, pos), EncodeDate(1970, 5, 5));
}

TEST(ScanDateTime, InvalidTextGivesZeroAndKeepsPos)
{
    for (const std::string bad : {"20261301120000", "20230229000000", "20260101246000", "2026010112", "2026O101120000", ""}) {
        int pos = 1;
        EXPECT_EQ(ScanDateTime(bad, "yyyymmddHHMMSS", lanEnglish, pos), 0.0) << bad;
        EXPECT_EQ(pos, 1) << bad;
    }
    int pos = 1;
    EXPECT_EQ(ScanDateTime("2026/01/01", "yyyy-mm-dd", lanEnglish, pos), 0.0);
    EXPECT_EQ(pos, 1);
}

TEST(Round125, NearestOfTheSeriesOverSeveralDecades)
{
    const struct { double In, Out; } cases[] = {
        {1, 1},         {1.4, 1},       {1.5, 2},     {3.1, 2},     {3.2, 5},   {7, 5},
        {7.1, 10},      {9.99, 10},     {2300, 2000}, {4000, 5000}, {64, 50},   {150000, 200000},
        {0.03, 0.02},   {0.004, 0.005}, {0.9, 1},     {1e-7 * 3.0, 2e-7},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Round125(c.In), c.Out) << c.In;
    EXPECT_EQ(Round125(0), 0);
    EXPECT_EQ(Round125(-2300), -2000);
    EXPECT_EQ(Round125(-0.3), -0.2);
    EXPECT_TRUE(std::isnan(Round125(NAN)));
}

TEST(BRandom, ProbabilityZeroOneAndBetween)
{
    int hits0 = 0, hits1 = 0, hits3 = 0;
    const int n = 4000;
    for (int i = 0; i < n; ++i) {
        hits0 += BRandom(0) ? 1 : 0;
        hits1 += BRandom(1) ? 1 : 0;
        hits3 += BRandom(0.3) ? 1 : 0;
    }
    EXPECT_EQ(hits0, 0);
    EXPECT_EQ(hits1, n);
    // 0.3 +- 0.05 is about seven standard deviations for 4000 draws.
    EXPECT_NEAR(static_cast<double>(hits3) / n, 0.3, 0.05);
}

TEST(BRandom, SeedRandomRepeatsTheSequence)
{
    auto Draw = [](uint64_t Seed) {
        SeedRandom(Seed);
        std::string Bits;
        for (int i = 0; i < 64; ++i) Bits += BRandom(0.5) ? '1' : '0';
        return Bits;
    };
    const std::string A = Draw(42);
    EXPECT_EQ(Draw(42), A);
    EXPECT_NE(Draw(43), A);
}

TEST(ExChange, SwapsIntegersAndDoubles)
{
    int a = 1, b = 2;
    ExChange(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
    double x = 1.5, y = -3;
    ExChange(x, y);
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, 1.5);
}

TEST(BRandom, FillDrawsWhatAsManyCallsDraw)
{
    for (double p : {-1.0, 0.0, 0.3, 0.999, 1.0, 2.0}) {
        SeedRandom(11);
        std::vector<uint8_t> Calls;
        for (int i = 0; i < 500; ++i) Calls.push_back(BRandom(p));
        const bool After = BRandom(0.5);
        SeedRandom(11);
        std::vector<uint8_t> Filled(500);
        BRandomFill(p, Filled);
        EXPECT_EQ(Filled, Calls) << p;
        EXPECT_EQ(BRandom(0.5), After) << p; // the sequence goes on from the same place
    }
}
