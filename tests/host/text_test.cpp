#include "host/tyx_rounding.h"
#include "host/tyx_text.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(Utf8ToCp1252("a\xE4\xB8\xADz"), "a?z");          // a CJK character
    EXPECT_EQ(Utf8ToCp1252("a\xF0\x9F\x98\x80z"), "a?z");      // an emoji
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");                    // cut short
    EXPECT_EQ(Utf8ToCp1252("\xFFx"), "?x");                    // not UTF-8 at all
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
}
