// A progress bar for long database work. It draws on stderr only when stderr is a terminal, so
// that scripts and logs that capture stderr see nothing but the tool's own messages.
#pragma once
#include <memory>
#include <string>

namespace tyx {
class TGeoDB;
}

namespace tyx::cli {

class TProgressBar {
public:
    /// Draws only when stderr is a terminal whose TERM is not "dumb".
    explicit TProgressBar(std::string Label);
    /// Ends the bar's line when anything was drawn.
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;
    /// Redraws when the percentage (clamped to 0..100) changed.
    void Update(int Percent);

private:
    std::string FLabel;
    bool FEnabled;
    int FShown = -1;
};

/// Shows the database's progress under Label for as long as the database lives.
void ShowProgress(TGeoDB& Db, const std::string& Label);

} // namespace tyx::cli
