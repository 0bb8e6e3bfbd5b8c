#include "cli_progress.h"

#include "geodb/Tyx_GeoDB.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace tyx::cli {

namespace {
constexpr int BarWidth = 30;

bool StderrIsTerminal()
{
    const char* term = std::getenv("TERM");
    return isatty(STDERR_FILENO) == 1 && !(term && std::strcmp(term, "dumb") == 0);
}
} // namespace

TProgressBar::TProgressBar(std::string Label) : FLabel(std::move(Label)), FEnabled(StderrIsTerminal()) {}

TProgressBar::~TProgressBar()
{
    if (FShown >= 0) std::fputc('\n', stderr);
}

void TProgressBar::Update(int Percent)
{
    Percent = std::clamp(Percent, 0, 100);
    if (!FEnabled || Percent == FShown) return;
    FShown = Percent;
    const int filled = Percent * BarWidth / 100;
    fmt::print(stderr, "\r{} [{:#<{}}{:<{}}] {:3}%", FLabel, "", filled, "", BarWidth - filled, Percent);
    std::fflush(stderr);
}

void ShowProgress(TGeoDB& Db, const std::string& Label)
{
    auto bar = std::make_shared<TProgressBar>(Label);
    Db.OnPercentDone = [bar](TObject*, int Percent) { bar->Update(Percent); };
    Db.SetOnPercDoneEnabled(true);
}

} // namespace tyx::cli
