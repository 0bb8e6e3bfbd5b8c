// tyxgeo keeps stderr for its own messages: successful commands of every area print nothing
// there, and the progress bar of long database work appears only on a terminal.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Runs tyxgeo with stdout and stderr on a pseudo-terminal and returns what it printed there.
std::string RunOnTerminal(const std::vector<std::string>& Args)
{
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(TYXGEO_PATH)};
        for (const auto& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        setenv("TERM", "xterm", 1);
        execv(TYXGEO_PATH, argv.data());
        _exit(127);
    }
    std::string out;
    char buf[256];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    return out;
}

} // namespace

TEST(CliQuiet, SuccessfulCommandsLeaveStderrEmpty)
{
    // Without a runtime directory Qt would complain on every command that starts it.
    unsetenv("XDG_RUNTIME_DIR");
    const std::string dir = CliTempDir();
    const std::vector<std::vector<std::string>> commands = {
        {"--version"},
        {"utm", "48.2", "16.37"},
        {"db", "create", dir + "/db"},
        {"db", "add", dir + "/db", "town", "Graz", "47.07,15.44"},
        {"db", "gc", dir + "/db"},
        {"db", "reindex", dir + "/db"},
        {"emptymap", dir + "/m.bmp", "46", "9", "48", "13", "1", "1", "200", "150"},
        {"calib", dir + "/m.xml", "info"},
        {"render", dir + "/m.xml", dir + "/v.png", "--size", "100x80"},
    };
    for (const auto& c : commands) {
        const auto r = RunTyxgeo(c);
        EXPECT_EQ(r.ExitCode, 0) << c[0] << ": " << r.Err;
        EXPECT_EQ(r.Err, "") << c[0];
    }
    EXPECT_EQ(RunTyxgeo({"--version"}).Out, RunTyxgeo({"version"}).Out);
}

TEST(CliQuiet, ProgressBarOnlyOnATerminal)
{
    const std::string db = CliTempDir() + "/db";
    ASSERT_EQ(RunTyxgeo({"db", "create", db}).ExitCode, 0);
    ASSERT_EQ(RunTyxgeo({"db", "add", db, "town", "Linz", "48.3,14.29"}).ExitCode, 0);
    const std::string shown = RunOnTerminal({"db", "reindex", db});
    EXPECT_NE(shown.find("reindex ["), std::string::npos) << shown;
    EXPECT_NE(shown.find("100%"), std::string::npos) << shown;
}
