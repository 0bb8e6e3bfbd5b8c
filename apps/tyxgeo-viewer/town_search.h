// Finding towns by name as people type them: without regard to case or accents, by the start of
// the name or of one of its words, and with a typing slip or two in longer words; the hits ranked
// by population. Qt-free, so that the index can be built on any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tyx::viewer {

/// The spelling names are compared in: lower-case ASCII letters and digits, accents dropped,
/// other scripts spelt in Latin ("MÜNCHEN" and "Munchen" give "munchen", "Łódź" "lodz"),
/// apostrophes dropped and every other run of signs one blank, none at either end.
std::string FoldForSearch(std::string_view Utf8);

/// Most edits (insertion, deletion, substitution) a typed word of Length letters may carry and
/// still find a name: none below five letters, one up to seven, two from eight.
int AllowedEdits(std::size_t Length);

/// A town as the search shows it.
struct TTown {
    std::string Name;      ///< UTF-8, as stored
    double Lat = 0;        ///< degrees, north positive
    double Long = 0;       ///< degrees, east positive
    int64_t Population = 0; ///< 0 when unknown
    /// Size class as imports give it, 1 (the largest towns) to 4; 0 when unknown. Ranks towns
    /// of unknown population.
    uint8_t Class = 0;
    std::string Country;   ///< English country name; empty when unknown
};

/// How a hit matched, best first.
enum TMatch : uint8_t {
    tmStart,    ///< the name starts with the query (or is it)
    tmWord,     ///< a later word of the name starts with it
    tmOneEdit,  ///< the name starts with the query but for one edit
    tmTwoEdits, ///< ... two edits
};

/// One hit: a town (0-based, into Towns()) and how it matched.
struct TTownHit {
    int Town = 0;
    TMatch Match = tmStart;
};

/// The towns of a database, folded once, to be searched on every keystroke.
class TTownIndex {
public:
    TTownIndex() = default;
    explicit TTownIndex(std::vector<TTown> Towns);

    /// Up to Limit towns matching Query: by TMatch, then the largest population first, then by
    /// Class (1 first, unknown last), then in the order given (a database lists a town file's
    /// towns as the file did, which is largest first for the sample data). Empty for a query
    /// that folds to nothing.
    std::vector<TTownHit> Find(std::string_view Query, std::size_t Limit = 50) const;
    const std::vector<TTown>& Towns() const { return FTowns; }

private:
    std::vector<TTown> FTowns;
    std::vector<std::string> FFolded; ///< FoldForSearch of each name
};

/// The towns of the database named DbName (its own TGeoDB, so any thread may call it): the
/// position of each, the population from its tag (the atlas build's convention) or from the
/// properties an import kept ("population", "country" as ISO 3166 alpha-2). Throws what opening
/// the database throws.
TTownIndex ReadTownIndex(const std::string& DbName);

} // namespace tyx::viewer
