// The value helpers decide what the map unit's XML files accept and produce.
#include "geomap/core/tyx_geomap_values.h"
#include "host/tyx_streams.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <random>

#include <limits>
#include <string>
#include <vector>

using namespace tyx;

namespace {

TMemoryStream StreamOf(const std::string& Bytes)
{
    TMemoryStream s;
    s.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    s.SetPosition(0);
    return s;
}

std::vector<std::string> AllLines(const std::string& Bytes, int LineEnd)
{
    TMemoryStream s = StreamOf(Bytes);
    std::vector<std::string> lines;
    bool eos = false;
    while (!eos) lines.push_back(ReadStreamLine(s, eos, LineEnd));
    return lines;
}

} // namespace

TEST(FormatFloatFixed, FixedNotationIgnoresLocaleAndNeverCuts)
{
    EXPECT_EQ(FormatFloatFixed(47.25L, 1, 5), "47.25000");
    EXPECT_EQ(FormatFloatFixed(-3.1L, 1, 5), "-3.10000");
    EXPECT_EQ(FormatFloatFixed(48.2L, 1, 3), "48.200");
    EXPECT_EQ(FormatFloatFixed(1.5L, 6, 2), "  1.50");
    EXPECT_EQ(FormatFloatFixed(1234.5L, 2, 1), "1234.5");
    EXPECT_EQ(FormatFloatFixed(7.0L, 1, 0), "7");
}

TEST(FormatFloatFixed, NegativeWidthPadsWithZerosAndKeepsTheSignInFront)
{
    EXPECT_EQ(FormatFloatFixed(-3.5L, -8, 2), "-0003.50");
    EXPECT_EQ(FormatFloatFixed(3.5L, -8, 2), "00003.50");
    EXPECT_EQ(FormatFloatFixed(-3.5L, -5, 2), "-3.50"); // no room for padding
}

TEST(FormatFloatFixed, ScientificFormHasTwoExponentDigitsOrStars)
{
    EXPECT_EQ(FormatFloatFixed(47.25L, 12, -2), " 4.72500E+01");
    EXPECT_EQ(FormatFloatFixed(-47.25L, 12, -2), "-4.72500E+01");
    EXPECT_EQ(FormatFloatFixed(0.00001L, 12, -2), " 1.00000E-05");
    EXPECT_EQ(FormatFloatFixed(47.25L, 8, -2), " 4.7E+01"); // narrowest field: one fraction digit
    EXPECT_EQ(FormatFloatFixed(47.25L, -12, -2), "04.72500E+01");
    EXPECT_EQ(FormatFloatFixed(1e100L, 12, -2), std::string(12, '*'));
}

TEST(BoolToText, EveryStyle)
{
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"TRUE", "FALSE"}, {"T", "F"}, {".T.", ".F."}, {"1", "0"},
        {"-1", "0"},       {"FF", "00"}, {"YES", "NO"}, {"GOOD", "BAD"}};
    for (int style = 0; style < 8; ++style) {
        EXPECT_EQ(BoolToText(true, style), expected[static_cast<size_t>(style)].first) << style;
        EXPECT_EQ(BoolToText(false, style), expected[static_cast<size_t>(style)].second) << style;
    }
    EXPECT_EQ(BoolToText(false, 9), "FALSE");
    EXPECT_EQ(BoolToText(true, -1), "TRUE");
}

TEST(PosOfOccurrence, CountsNonOverlappingOccurrencesFromStart)
{
    const std::string s = "id=\"abc\" x";
    EXPECT_EQ(PosOfOccurrence("\"", s, 1, 2, false), 8);
    EXPECT_EQ(PosOfOccurrence("\"", s, 1, 3, false), 0);
    EXPECT_EQ(PosOfOccurrence("\"", s, 0, 1, false), 4);   // StartPos 0 counts as 1
    EXPECT_EQ(PosOfOccurrence("\"", s, 5, 1, false), 8);
    EXPECT_EQ(PosOfOccurrence("\"", s, 1, 0, false), 0);
    EXPECT_EQ(PosOfOccurrence("\"", s, 99, 1, false), 0);
    EXPECT_EQ(PosOfOccurrence("aa", "aaaa", 1, 2, false), 3); // the second starts after the first
    EXPECT_EQ(PosOfOccurrence("", "abc", 1, 1, false), 0);
}

TEST(PosOfOccurrence, IgnoreCaseComparesBothInLowerCase)
{
    const std::string s = "<GeoMap sig=\"TyxWare\">";
    EXPECT_EQ(PosOfOccurrence("tyxware", s, 1, 1, true), 14);
    EXPECT_EQ(PosOfOccurrence("TYXWARE", s, 1, 1, true), 14);
    EXPECT_EQ(PosOfOccurrence("tyxware", s, 1, 1, false), 0);
}

TEST(TrimSpaces, OnlyBlanksAreTrimmed)
{
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces(""), "");
    EXPECT_EQ(TrimSpaces("\tx"), "\tx");
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(TrimSpaces("x\t "), "x\t");
}

TEST(ReadStreamLine, LineFeedEndsTheLineAndLeavesTheStreamBehindIt)
{
    TMemoryStream s = StreamOf("ab\r\ncd");
    bool eos = true;
    EXPECT_EQ(ReadStreamLine(s, eos, 0), "ab");
    EXPECT_FALSE(eos);
    EXPECT_EQ(s.Position(), 4); // on the 'c'
    EXPECT_EQ(ReadStreamLine(s, eos, 0), "cd");
    EXPECT_TRUE(eos);
    EXPECT_EQ(ReadStreamLine(s, eos, 0), "");
    EXPECT_TRUE(eos);
}

TEST(ReadStreamLine, EachLineEndRule)
{
    using L = std::vector<std::string>;
    EXPECT_EQ(AllLines("a\nb\rc", 1), (L{"ab", "c"}));
    EXPECT_EQ(AllLines("ab\r\ncd", 2), (L{"ab", "", "cd"}));
    EXPECT_EQ(AllLines("a\rb\n\rc", 3), (L{"ab", "c"}));
    EXPECT_EQ(AllLines("a\nb\r\nc", 4), (L{"ab", "c"}));
    EXPECT_EQ(AllLines("a\r\nb\nc\r", 7), (L{"abc"}));
}

TEST(ReadStreamLine, DropsControlCharactersKeepsTabsAndReadsWindows1252)
{
    using L = std::vector<std::string>;
    EXPECT_EQ(AllLines("a\x01\tb\x1f\n", 0), (L{"a\tb", ""}));
    EXPECT_EQ(AllLines("\x80 \xe9\n", 0), (L{"\xE2\x82\xAC \xC3\xA9", ""})); // euro sign, e acute
}

TEST(NextAttribute, ScansQuotedAndBareValuesAndAdvancesPos)
{
    const std::string a = "a=\"1\" b = \"x y\" c=bare d=\"unclosed";
    int pos = 1;
    std::string name, value;
    EXPECT_EQ(NextAttribute(a, pos, name, value), 0);
    EXPECT_EQ(name, "a");
    EXPECT_EQ(value, "1");
    EXPECT_EQ(pos, 6); // just after the closing quote
    EXPECT_EQ(NextAttribute(a, pos, name, value), 0);
    EXPECT_EQ(name, "b");
    EXPECT_EQ(value, "x y");
    EXPECT_EQ(NextAttribute(a, pos, name, value), 0);
    EXPECT_EQ(name, "c");
    EXPECT_EQ(value, "bare");
    EXPECT_EQ(NextAttribute(a, pos, name, value), 0);
    EXPECT_EQ(name, "d");
    EXPECT_EQ(value, "unclosed");
    EXPECT_EQ(NextAttribute(a, pos, name, value), 4);

    pos = 1;
    EXPECT_EQ(NextAttribute("lonely", pos, name, value), 0); // text ended before the '='
    EXPECT_EQ(name, "lonely");
    EXPECT_EQ(value, "");
    pos = 1;
    EXPECT_EQ(NextAttribute("a=1\"b", pos, name, value), 0); // a quote ends a bare value
    EXPECT_EQ(value, "1");
}

TEST(NextAttribute, ErrorStatuses)
{
    std::string name, value;
    int pos = 1;
    EXPECT_EQ(NextAttribute("\"a\"=1", pos, name, value), 1);
    pos = 1;
    EXPECT_EQ(NextAttribute("a==\"1\"", pos, name, value), 2);
    pos = 1;
    EXPECT_EQ(NextAttribute("a=1=2", pos, name, value), 3);
    pos = 6;
    EXPECT_EQ(NextAttribute("a=1=2", pos, name, value), 4);
}

TEST(GetAttributeValue, FindsByNameWithoutCaseAndStopsAtMalformedText)
{
    std::string v = "stale";
    GetAttributeValue("a=\"1\" b = \"x y\"", "B", v);
    EXPECT_EQ(v, "x y");
    GetAttributeValue("a=1=2", "a", v);
    EXPECT_EQ(v, "");
    GetAttributeValue("a=\"1\" a=\"2\"", "a", v);
    EXPECT_EQ(v, "1");
    GetAttributeValue("a=\"1\"", "z", v);
    EXPECT_EQ(v, "");
    GetAttributeValue("x==1 b=\"2\"", "b", v); // behind a malformed attribute
    EXPECT_EQ(v, "");
}

TEST(ParseIntAt, SignsBlanksAndWherePosStops)
{
    int pos = 1;
    EXPECT_EQ(ParseIntAt("  -42x", pos), -42);
    EXPECT_EQ(pos, 6);
    pos = 1;
    EXPECT_EQ(ParseIntAt("+", pos), 0);
    EXPECT_EQ(pos, 2);
    pos = 1;
    EXPECT_EQ(ParseIntAt("12 34", pos), 12);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(ParseIntAt("12 34", pos), 34);
    EXPECT_EQ(pos, 6);
    pos = 1;
    EXPECT_EQ(ParseIntAt("   ", pos), 0); // blanks are skipped only up to the last character
    EXPECT_EQ(pos, 3);
    pos = 7;
    EXPECT_EQ(ParseIntAt("", pos), 0);
    EXPECT_EQ(pos, 7);
}

TEST(ParseIntAt, SaturatesBeyondThirtyTwoBits)
{
    int pos = 1;
    EXPECT_EQ(ParseIntAt("2147483647", pos), 2147483647);
    pos = 1;
    EXPECT_EQ(ParseIntAt("-2147483648", pos), std::numeric_limits<int>::min());
    pos = 1;
    EXPECT_EQ(ParseIntAt("99999999999999999999]", pos), std::numeric_limits<int>::max());
    EXPECT_EQ(pos, 21); // every digit is consumed
    pos = 1;
    EXPECT_EQ(ParseIntAt("-2147483649", pos), std::numeric_limits<int>::min());
}

namespace {

struct FloatCase {
    const char* Text;
    double Value;
    int Pos;
};

void ExpectFloat(const FloatCase& c, bool AllowExponent, int Separators)
{
    int pos = 1;
    const double v = ParseFloatAt(c.Text, AllowExponent, Separators, pos);
    EXPECT_DOUBLE_EQ(v, c.Value) << '"' << c.Text << '"';
    EXPECT_EQ(pos, c.Pos) << '"' << c.Text << '"';
}

} // namespace

// Each state of the scanner, reached by a prefix, meets one character of each class and then
// the end of the text (read as an "other" character).
TEST(ParseFloatAt, EveryStateWithEveryCharacterClass)
{
    const FloatCase cases[] = {
        // state 1: blank, sign, digit, separator, E, other
        {" ", 0, 2}, {"+", 0, 2}, {"7", 7, 2}, {".", 0, 2}, {"E", 0, 1}, {"x", 0, 1},
        // state 2 (after a sign)
        {"- ", 0, 2}, {"-+", 0, 2}, {"-7", -7, 3}, {"-.5", -0.5, 4}, {"-E", 0, 2}, {"-x", 0, 2},
        // state 3 (integer digits)
        {"12 ", 12, 3}, {"12+", 12, 3}, {"127", 127, 4}, {"12.", 12, 4}, {"12E", 12, 4}, {"12x", 12, 3},
        // state 4 (after the separator)
        {"12. ", 12, 4}, {"12.+", 12, 4}, {"12.7", 12.7, 5}, {"12..", 0, 4}, {"12.E", 12, 5}, {"12.x", 12, 4},
        // state 5 (fraction digits)
        {"12.5 ", 12.5, 5}, {"12.5-", 12.5, 5}, {"12.57", 12.57, 6}, {"12.5.", 0, 5}, {"12.5E", 12.5, 6},
        {"12.5x", 12.5, 5},
        // state 6 (after E)
        {"12.5E ", 0, 6}, {"12.5E+", 12.5, 7}, {"12.5E2", 1250, 7}, {"12.5E.", 0, 6}, {"12.5EE", 0, 6},
        {"12.5Ex", 12.5, 6},
        // state 7 (after the exponent's sign)
        {"12.5E- ", 0, 7}, {"12.5E--", 0, 7}, {"12.5E-1", 1.25, 8}, {"12.5E-.", 0, 7}, {"12.5E-E", 0, 7},
        {"12.5E-x", 12.5, 7},
        // state 8 (exponent digits)
        {"12.5E-1 ", 1.25, 8}, {"12.5E-1+", 1.25, 8}, {"12.5E-12", 12.5e-12, 9}, {"12.5E-1.", 1.25, 8},
        {"12.5E-1E", 1.25, 8}, {"12.5E-1x", 1.25, 8},
    };
    for (const auto& c : cases) ExpectFloat(c, true, 3);
}

TEST(ParseFloatAt, WithoutExponentTheLetterEEndsTheNumber)
{
    for (const FloatCase& c : {FloatCase{"12E5", 12, 3}, FloatCase{"12.E5", 12, 4}, FloatCase{"12.5e5", 12.5, 5},
                               FloatCase{"2.5E3", 2.5, 4}})
        ExpectFloat(c, false, 3);
}

TEST(ParseFloatAt, SeparatorsChooseThePointTheCommaOrBoth)
{
    ExpectFloat({"1,5", 1.5, 4}, true, 3);
    ExpectFloat({"1,5", 1, 2}, false, 1);
    ExpectFloat({"1.5", 1, 2}, true, 2);
    ExpectFloat({"1,5", 1.5, 4}, true, 2);
    ExpectFloat({"48,5", 48.5, 5}, true, 3);
}

TEST(ParseFloatAt, DocumentedExamples)
{
    ExpectFloat({"  12.5", 12.5, 7}, true, 3);
    ExpectFloat({"3.", 3, 3}, true, 3);
    ExpectFloat({"2.5E3", 2500, 6}, true, 3);
    ExpectFloat({"2.5e3", 2500, 6}, true, 3);
    ExpectFloat({"abc", 0, 1}, true, 3);
    ExpectFloat({"E5", 0, 1}, true, 3);
    ExpectFloat({"1.5E+2]", 150, 7}, true, 3);
    ExpectFloat({"-48.25000,9.5", -48.25, 10}, false, 1);
}

// Short numbers take a shortcut past the C library; every result must still be the one the
// library's extended conversion gives, rounded to double.
TEST(ParseFloatAt, AgreesWithTheExtendedConversion)
{
    static const locale_t C = newlocale(LC_ALL_MASK, "C", nullptr);
    std::mt19937_64 Gen(7);
    for (int n = 0; n < 20000; ++n) {
        const int Digits = 1 + static_cast<int>(Gen() % 21);
        std::string Text = Gen() % 2 ? "-" : "";
        std::string Mantissa;
        for (int d = 0; d < Digits; ++d) Mantissa += static_cast<char>('0' + Gen() % 10);
        Mantissa.insert(Mantissa.begin() + static_cast<std::ptrdiff_t>(Gen() % (Mantissa.size() + 1)), '.');
        Text += Mantissa == "." ? "0" : Mantissa;
        if (Gen() % 3 == 0) {
            Text += 'E';
            Text += std::to_string(static_cast<int>(Gen() % 71) - 35);
        }
        int Pos = 1;
        const double Got = ParseFloatAt(Text, true, 3, Pos);
        const double Want = static_cast<double>(strtold_l(Text.c_str(), nullptr, C));
        EXPECT_EQ(std::memcmp(&Got, &Want, sizeof Got), 0) << Text << ": " << Got << " vs " << Want;
    }
}

TEST(ParseFloatAt, HugeValuesClampToTheFiniteDoubles)
{
    constexpr double kMax = std::numeric_limits<double>::max();
    ExpectFloat({"1E9999", kMax, 7}, true, 3);
    ExpectFloat({"-1E9999", -kMax, 8}, true, 3);
    ExpectFloat({"1E400", kMax, 6}, true, 3);
    ExpectFloat({"1E-400", 0, 7}, true, 3);
    ExpectFloat({"1E000000000000000000012", 1e12, 24}, true, 3); // leading zeros of the exponent
    const std::string longMantissa = "1" + std::string(400, '0');
    ExpectFloat({longMantissa.c_str(), kMax, 402}, false, 1);
}

TEST(ParseFloatAt, PosOutsideTheTextReadsAsTheEnd)
{
    int pos = 5;
    EXPECT_EQ(ParseFloatAt("12", true, 3, pos), 0);
    EXPECT_EQ(pos, 5);
    pos = 3;
    EXPECT_DOUBLE_EQ(ParseFloatAt("1,25;", false, 1, pos), 25);
    EXPECT_EQ(pos, 5);
}
