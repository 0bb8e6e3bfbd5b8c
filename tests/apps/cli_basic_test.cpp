#include "cli_run.h"

#include <gtest/gtest.h>

TEST(Cli, VersionHelpAndUsageErrors)
{
    const auto v = RunTyxgeo({"version"});
    EXPECT_EQ(v.ExitCode, 0);
    EXPECT_FALSE(v.Out.empty());

    const auto h = RunTyxgeo({"--help"});
    EXPECT_EQ(h.ExitCode, 0);
    EXPECT_NE(h.Out.find("version"), std::string::npos);

    EXPECT_EQ(RunTyxgeo({}).ExitCode, 2);
    const auto bad = RunTyxgeo({"no-such-command"});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_FALSE(bad.Err.empty());
}
