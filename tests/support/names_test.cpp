#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Tyx_filesys.h"
#include "support/Tyx_stringl.h"

using namespace tyx;

TEST(FileNames, StripPathTakesTheNameAfterEitherSeparator)
{
    EXPECT_EQ(StripPath("D:\\maps\\wien.jpg"), "wien.jpg");
    EXPECT_EQ(StripPath("/data/maps/wien.jpg"), "wien.jpg");
    EXPECT_EQ(StripPath("maps\\sub/wien"), "wien");
    EXPECT_EQ(StripPath("wien.jpg"), "wien.jpg");
    EXPECT_EQ(StripPath("maps/"), "");
}

TEST(FileNames, StripExtensionRemovesOnlyTheLastExtensionOfTheName)
{
    EXPECT_EQ(StripExtension("a/b.tar.gz"), "a/b.tar");
    EXPECT_EQ(StripExtension("C:\\maps\\wien.jpg"), "C:\\maps\\wien");
    EXPECT_EQ(StripExtension("maps.old/wien"), "maps.old/wien");
    EXPECT_EQ(StripExtension("dir/.profile"), "dir/.profile");
    EXPECT_EQ(StripExtension("name."), "name");
    EXPECT_EQ(StripExtension(""), "");
}

TEST(StringList, StringIxCountsFromOneAndFindsTheFirstMatch)
{
    const std::vector<std::string> list = {"gelWGS84", "gelWGS72", "gelAiry", "gelWGS84"};
    EXPECT_EQ(StringIx("gelWGS84", list), 1);
    EXPECT_EQ(StringIx("gelAiry", list), 3);
    EXPECT_EQ(StringIx("gelwgs72", list), 0);
    EXPECT_EQ(StringIx("gelwgs72", list, true), 2);
    EXPECT_EQ(StringIx("", list), 0);
    EXPECT_EQ(StringIx("gelAiry", std::vector<std::string>{}), 0);
}

TEST(StringList, ReducedNamesAreSingleSafeFileNames)
{
    EXPECT_EQ(ReduceStringToFN83CompliantChars("new.png"), "new.png");
    EXPECT_EQ(ReduceStringToFN83CompliantChars("Lake Constance/Bodensee"), "Lake_Constance_Bodensee");
    // One '_' per character, also for letters beyond ASCII.
    EXPECT_EQ(ReduceStringToFN83CompliantChars("Stra\xC3\x9F" "e \xE2\x82\xAC"), "Stra_e__");
    EXPECT_EQ(ReduceStringToFN83CompliantChars("C:\\x*?.txt"), "C__x__.txt");
    EXPECT_EQ(ReduceStringToFN83CompliantChars(".."), "");
    for (const std::string hostile : {"../../etc/passwd", "..\\..\\boot.ini", "/abs/path", "a\"<>|b"}) {
        const std::string r = ReduceStringToFN83CompliantChars(hostile);
        EXPECT_EQ(StripPath(r), r) << hostile;
        EXPECT_NE(r.rfind('.', 0), 0u) << hostile;
        EXPECT_EQ(r.find_first_of(":\"<>|*?"), std::string::npos) << hostile;
    }
}
