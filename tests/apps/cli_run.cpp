#include "cli_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {
std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct TempRoot {
    fs::path Path;
    TempRoot()
    {
        std::random_device rd;
        Path = fs::temp_directory_path() / ("tyxgeo-cli-" + std::to_string(rd()));
        fs::create_directories(Path);
    }
    ~TempRoot()
    {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
};
TempRoot& Root()
{
    static TempRoot r;
    return r;
}
} // namespace

std::string CliTempDir()
{
    static int n = 0;
    const fs::path p = Root().Path / (std::string("d") + std::to_string(++n));
    fs::create_directories(p);
    return p.string();
}

namespace {
CliResult Run(const std::string& Program, const std::vector<std::string>& Args, const std::string& StdinFile);
}

CliResult RunTyxgeo(const std::vector<std::string>& Args, const std::string& Stdin)
{
    return RunProgram(TYXGEO_PATH, Args, Stdin);
}

CliResult RunProgram(const std::string& Program, const std::vector<std::string>& Args, const std::string& Stdin)
{
    const fs::path in = fs::path(CliTempDir()) / "stdin";
    std::ofstream(in, std::ios::binary) << Stdin;
    return Run(Program, Args, in.string());
}

bool HaveProgram(const std::string& Program)
{
    return std::system(("command -v " + Quote(Program) + " >/dev/null 2>&1").c_str()) == 0;
}

CliResult RunTyxgeoFrom(const std::vector<std::string>& Args, const std::string& StdinFile)
{
    return Run(TYXGEO_PATH, Args, StdinFile);
}

namespace {
CliResult Run(const std::string& Program, const std::vector<std::string>& Args, const std::string& StdinFile)
{
    const fs::path dir = CliTempDir();
    const fs::path out = dir / "stdout", err = dir / "stderr";
    std::string cmd = Quote(Program);
    for (const auto& a : Args) { cmd += ' '; cmd += Quote(a); }
    cmd += " <" + Quote(StdinFile) + " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    const int status = std::system(cmd.c_str());
    CliResult r;
    r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Out = Slurp(out);
    r.Err = Slurp(err);
    return r;
}
} // namespace
