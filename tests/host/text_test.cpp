#include "host/tyx_rounding.h"
#include "host/tyx_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace tyx;

TEST(Cp1252, RoundTripsAccentsAndEuro)
{
    const std::string utf8 = "caf\xC3\xA9 \xE2\x82\xAC";  // "café €"
    const std::string bytes = Utf8ToCp1252(utf8);
    ASSERT_EQ(bytes.size(), 6u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[3]), 0xE9);
    EXPECT_EQ(static_cast<unsigned char>(bytes[5]), 0x80);
    EXPECT_EQ(Cp1252ToUtf8(bytes), utf8);
}

TEST(Cp1252, UnrepresentableAndMalformedBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToCp1252("a\xF0\x9F\x98\x80z"), "a?z");      // an emoji has no Latin spelling
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");                    // cut short
    EXPECT_EQ(Utf8ToCp1252("\xFFx"), "?x");                    // not UTF-8 at all
}

TEST(Cp1252, TransliteratesOnlyWhatTheCodePageLacks)
{
    struct Case { const char* Utf8; const char* Bytes; bool Lost; };
    const Case Cases[] = {
        {"Wroc\u0142aw", "Wroclaw", false},
        {"\u0130zmir", "Izmir", false},
        {"\u0141\u00F3d\u017A", "Lodz", false},          // the whole word, "ó" too
        {"\u041C\u043E\u0441\u043A\u0432\u0430", "Moskva", false},
        {"\u0110\u00E0 N\u1EB5ng", "Da Nang", false},
        {"M\u00FCnchen Stra\u00DFe caf\u00E9 \u20AC \u0142", "M\xFCnchen Stra\xDF" "e caf\xE9 \x80 l", false},
        {"\u00AB\u2192\u00BB", "\xAB->\xBB", false},    // outside words, only what does not fit
        {"cafe\u0301", "caf\xE9", false},                 // a combining accent is composed
        {"\u5317\u4EAC", "bei jing", false},              // Chinese in pinyin, tones folded
        {"x\xC3 \u0142", "x? l", true},                   // malformed and transliterated
        {"\U0001F600 \u0142", "? l", true},
    };
    for (const Case& c : Cases) {
        bool lost = !c.Lost;
        EXPECT_EQ(Utf8ToCp1252(c.Utf8, &lost), c.Bytes) << c.Utf8;
        EXPECT_EQ(lost, c.Lost) << c.Utf8;
    }
}

TEST(ShortString, CutsToCapacityCountingSingleBytes)
{
    TShortString<5> s("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");  // six é
    EXPECT_EQ(s.Length(), 5u);
    EXPECT_EQ(s.Str(), "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    static_assert(sizeof(TShortString<59>) == 60);
    s = "ab";
    EXPECT_EQ(s.Length(), 2u);
    EXPECT_EQ(s.Data[2], '\0');  // the unused tail is cleared on reassignment
}

TEST(Rounding, HalvesGoToEvenAndTruncGoesTowardZero)
{
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(-2.6), -3);
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_EQ(Trunc(2.9), 2);
    EXPECT_EQ(Round(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(Round(std::nan("")), 0);
    // The quick path agrees with rounding in long double on halves, their neighbours and the
    // ends of the int range.
    for (double Base : {0.5, 1.5, 1e6 + 0.5, 2147483646.5, 2147483647.5, 0x1p51 - 0.5, 0x1p51})
        for (double x : {Base, std::nextafter(Base, 0.0), std::nextafter(Base, 1e300), -Base}) {
            const long double Want = std::nearbyint(static_cast<long double>(x));
            const int Expected = Want >= INT32_MAX ? INT32_MAX : Want <= INT32_MIN ? INT32_MIN : int(Want);
            EXPECT_EQ(Round(x), Expected) << x;
        }
}

TEST(Cp1252, BrokenSequencesKeepTheTextAfterThemAndOverlongFormsAreRefused)
{
    EXPECT_EQ(Utf8ToCp1252("\xE4" "ab"), "?ab");         // a three-byte lead followed by plain text
    EXPECT_EQ(Utf8ToCp1252("x\xE2\x82y"), "x?y");         // two of three bytes, then text
    EXPECT_EQ(Utf8ToCp1252("\xC0\xBC" "b"), "?b");         // '<' spelt in two bytes
    EXPECT_EQ(Utf8ToCp1252("\xE0\x80\xA2"), "?");          // '"' spelt in three bytes
    EXPECT_EQ(Utf8ToCp1252("\x80\xBF"), "??");             // stray continuation bytes
}

TEST(Cp1252, EveryByteRoundTripsAndUndefinedOnesBecomeC1Controls)
{
    for (int b = 0x20; b <= 0xFF; ++b) {
        const std::string one(1, static_cast<char>(b));
        ASSERT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
    }
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(Cp1252ToUtf8("\x9F"), "\xC5\xB8");  // Ÿ
    EXPECT_EQ(Utf8ToCp1252("\xC2\x80\xC2\x9E"), "??"); // C1 controls the code page spells otherwise
}

TEST(ShortString, TakesLiteralsStringsAndViewsAlike)
{
    const std::string Long = "Zurich \xE2\x82\xAC and more";
    TShortString<8> a = "Zurich \xE2\x82\xAC and more", b = Long, c = std::string_view(Long);
    EXPECT_EQ(a.Length(), 8u);
    EXPECT_TRUE(a == b && b == c);
    EXPECT_EQ(static_cast<unsigned char>(a.Data[7]), 0x80);
    a = std::string("x");
    b = "x";
    EXPECT_TRUE(a == b);
    const char* None = nullptr;
    c = None;
    EXPECT_TRUE(c.Empty());
}
