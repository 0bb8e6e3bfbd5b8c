#include "host/tyx_datetime.h"
#include "host/tyx_errors.h"
#include "host/tyx_streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>

using namespace tyx;

TEST(DateTime, EncodesDaysSinceTheEndOf1899)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0); // 1900 had no 29 February
    EXPECT_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0), 36526.5);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    // Before the epoch the fraction still counts forward from midnight of that day.
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);
}

TEST(DateTime, DecodesWhatItEncodes)
{
    const int Cases[][7] = {{2000, 2, 29, 23, 59, 59, 999}, {1899, 12, 29, 6, 0, 0, 0}, {1, 1, 1, 0, 0, 0, 1},
                            {9999, 12, 31, 12, 30, 15, 500}, {2024, 3, 1, 0, 0, 0, 0}};
    for (const auto& C : Cases) {
        int Y, Mo, D, H, Mi, S, Ms;
        DecodeDateTime(EncodeDateTime(C[0], C[1], C[2], C[3], C[4], C[5], C[6]), Y, Mo, D, H, Mi, S, Ms);
        EXPECT_EQ((std::vector<int>{Y, Mo, D, H, Mi, S, Ms}), std::vector<int>(C, C + 7));
    }
    // A value a hair below midnight is midnight of the next day, not 23:59:59.1000.
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDateTime(EncodeDate(2020, 12, 31) + 0.9999999999, Y, Mo, D, H, Mi, S, Ms);
    EXPECT_EQ((std::vector<int>{Y, Mo, D, H, Mi, S, Ms}), (std::vector<int>{2021, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(DateTimeToIso(EncodeDateTime(2026, 7, 4, 9, 5, 3)), "2026-07-04T09:05:03");
}

TEST(DateTime, RefusesImpossibleDatesAndTimes)
{
    TDateTime R = 123;
    EXPECT_FALSE(TryEncodeDateTime(2001, 2, 29, 0, 0, 0, 0, R));
    EXPECT_FALSE(TryEncodeDateTime(2000, 13, 1, 0, 0, 0, 0, R));
    EXPECT_FALSE(TryEncodeDateTime(2000, 1, 1, 24, 0, 0, 0, R));
    EXPECT_FALSE(TryEncodeDateTime(0, 1, 1, 0, 0, 0, 0, R));
    EXPECT_EQ(R, 123);
    EXPECT_TRUE(TryEncodeDateTime(2000, 2, 29, 0, 0, 0, 0, R));
    EXPECT_THROW(EncodeDate(1900, 2, 29), std::invalid_argument);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), std::invalid_argument);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 0), 0);
}

TEST(DateTime, FileTimeIsNowForAFreshFile)
{
    const std::string Name = testing::TempDir() + "tyx_datetime_probe.txt";
    WriteFileBytes(Name, "x", 1);
    const double Age = Now() - FileDateTime(Name);
    EXPECT_GE(Age, -1.0 / 86400); // the file system may store whole seconds
    EXPECT_LT(Age, 60.0 / 86400);
    std::remove(Name.c_str());
    EXPECT_THROW(FileDateTime(Name), EInOutError);
}
