// Town search: the folding is ICU's (through the code page names are stored in), the edit distance
// edlib's, the ranking ours.
#include "town_search.h"

#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geoio.h"
#include "host/tyx_text.h"

#include <edlib.h>
#include <nlohmann/json.hpp>
#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <unordered_map>

namespace tyx::viewer {

namespace {

/// The folded spelling of each Windows-1252 character, worked out by ICU once: names are stored in
/// that code page, and a query is brought into it first (which spells other scripts in Latin), so
/// that folding a name costs a table look-up per character.
const std::array<std::string, 256>& FoldTable()
{
    static const std::array<std::string, 256> Table = [] {
        std::array<std::string, 256> T;
        UErrorCode Err = U_ZERO_ERROR;
        const std::unique_ptr<icu::Transliterator> Latin(
            icu::Transliterator::createInstance("Latin-ASCII; Lower", UTRANS_FORWARD, Err));
        for (int b = 0; b < 256; ++b) {
            icu::UnicodeString U = icu::UnicodeString::fromUTF8(Cp1252ToUtf8(std::string(1, static_cast<char>(b))));
            if (Latin && U_SUCCESS(Err)) Latin->transliterate(U);
            std::string Ascii;
            U.toUTF8String(Ascii);
            for (const char c : Ascii) {
                if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
                    T[b] += c;
                else if (c >= 'A' && c <= 'Z')
                    T[b] += static_cast<char>(c - 'A' + 'a');
                else if (c != '\'' && T[b] != " ")
                    T[b].assign(1, ' '); // "O'Higgins" is typed "ohiggins", "Saint-Denis" "saint denis"
            }
        }
        return T;
    }();
    return Table;
}

/// Edits needed to make Query a prefix of Name, or -1 when more than MaxEdits are.
int PrefixEdits(const std::string& Query, const std::string& Name, int MaxEdits)
{
    EdlibAlignResult R = edlibAlign(Query.data(), static_cast<int>(Query.size()), Name.data(),
                                    static_cast<int>(Name.size()),
                                    edlibNewAlignConfig(MaxEdits, EDLIB_MODE_SHW, EDLIB_TASK_DISTANCE, nullptr, 0));
    const int Edits = R.status == EDLIB_STATUS_OK ? R.editDistance : -1;
    edlibFreeAlignResult(R);
    return Edits;
}

bool StartsWith(std::string_view Text, std::string_view Start) { return Text.substr(0, Start.size()) == Start; }

/// The query cut into MaxEdits + 1 pieces: an edit spoils at most one of them, so a name that
/// takes the query as a prefix within MaxEdits edits holds one of them unspoilt near its start.
/// This keeps the edit distance off nearly every name.
std::vector<std::string_view> Pieces(std::string_view Query, int MaxEdits)
{
    std::vector<std::string_view> P;
    const std::size_t n = static_cast<std::size_t>(MaxEdits) + 1;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t From = Query.size() * i / n, To = Query.size() * (i + 1) / n;
        P.push_back(Query.substr(From, To - From));
    }
    return P;
}

/// English country names by ISO 3166 alpha-2 code in lower case; the first of two names.
const std::unordered_map<std::string, std::string>& CountryNames()
{
    static const auto Names = [] {
        std::unordered_map<std::string, std::string> N;
        for (const TCountryData& C : CountryData) {
            const std::string Name = C.Name.Str();
            N.emplace(C.ISO3166_2.Str(), Name.substr(0, Name.find(';')));
        }
        return N;
    }();
    return Names;
}

} // namespace

std::string FoldForSearch(std::string_view Utf8)
{
    const auto& Table = FoldTable();
    std::string Out;
    for (const char c : Utf8ToCp1252(Utf8)) {
        const std::string& F = Table[static_cast<unsigned char>(c)];
        if (F == " " && (Out.empty() || Out.back() == ' ')) continue;
        Out += F;
    }
    if (!Out.empty() && Out.back() == ' ') Out.pop_back();
    return Out;
}

int AllowedEdits(std::size_t Length) { return Length < 5 ? 0 : Length < 8 ? 1 : 2; }

TTownIndex::TTownIndex(std::vector<TTown> Towns) : FTowns(std::move(Towns))
{
    FFolded.reserve(FTowns.size());
    for (const TTown& T : FTowns) FFolded.push_back(FoldForSearch(T.Name));
}

std::vector<TTownHit> TTownIndex::Find(std::string_view Query, std::size_t Limit) const
{
    const std::string Q = FoldForSearch(Query);
    if (Q.empty()) return {};
    const auto Letters = static_cast<std::size_t>(std::count_if(Q.begin(), Q.end(), [](char c) { return c != ' '; }));
    const int MaxEdits = AllowedEdits(Letters);
    const std::string WordStart = " " + Q;
    const std::vector<std::string_view> Parts = Pieces(Q, MaxEdits);
    // The part of a name that a query with its edits can reach.
    const std::size_t Reach = Q.size() + static_cast<std::size_t>(MaxEdits);
    std::vector<TTownHit> Hits;
    for (std::size_t k = 0; k < FFolded.size(); ++k) {
        const std::string& N = FFolded[k];
        TMatch M = tmStart;
        if (StartsWith(N, Q)) {
            M = tmStart;
        } else if (N.find(WordStart) != std::string::npos) {
            M = tmWord;
        } else {
            // A name shorter than the query less its edits cannot take it as a prefix.
            if (MaxEdits == 0 || N.size() + static_cast<std::size_t>(MaxEdits) < Q.size()) continue;
            const std::string_view Start = std::string_view(N).substr(0, Reach);
            if (std::none_of(Parts.begin(), Parts.end(), [Start](std::string_view P) { return Start.find(P) != Start.npos; }))
                continue;
            const int Edits = PrefixEdits(Q, N, MaxEdits);
            if (Edits < 1) continue;
            M = Edits == 1 ? tmOneEdit : tmTwoEdits;
        }
        Hits.push_back({static_cast<int>(k), M});
    }
    auto Key = [this](const TTownHit& H) {
        const TTown& T = FTowns[static_cast<std::size_t>(H.Town)];
        return std::make_tuple(H.Match, -T.Population, T.Class == 0 ? 256 : T.Class, H.Town);
    };
    const auto End = Hits.begin() + static_cast<std::ptrdiff_t>(std::min(Limit, Hits.size()));
    std::partial_sort(Hits.begin(), End, Hits.end(), [&Key](const TTownHit& a, const TTownHit& b) { return Key(a) < Key(b); });
    Hits.erase(End, Hits.end());
    return Hits;
}

TTownIndex ReadTownIndex(const std::string& DbName)
{
    TGeoDB Db;
    Db.SetName("search");
    Db.SetGDBName(DbName);
    const auto Properties = geoio::StoredProperties(Db);
    const auto& Countries = CountryNames();
    std::vector<TTown> Towns;
    for (int e = 1; e <= Db.NumEntries(); ++e) {
        const TgdbData D = Db.GetSumdata(e);
        if (D.ItemKind != gitTown) continue;
        const TSCoords At = ExtractLocation(D);
        TTown T{D.Name.Str(), At.Latit, At.Longit, std::max(D.Tag, 0), D.ClassFlag <= 4 ? D.ClassFlag : uint8_t{0}, {}};
        if (const auto P = Properties.find(D.ItemId); P != Properties.end() && P->second.is_object()) {
            const auto Pop = P->second.find("population");
            if (T.Population == 0 && Pop != P->second.end()) {
                if (Pop->is_number()) T.Population = Pop->get<int64_t>();
                if (Pop->is_string()) T.Population = std::atoll(Pop->get<std::string>().c_str());
            }
            if (const auto C = P->second.find("country"); C != P->second.end() && C->is_string()) {
                std::string Code = C->get<std::string>();
                std::transform(Code.begin(), Code.end(), Code.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
                const auto Name = Countries.find(Code);
                T.Country = Name != Countries.end() ? Name->second : C->get<std::string>();
            }
        }
        Towns.push_back(std::move(T));
    }
    return TTownIndex(std::move(Towns));
}

} // namespace tyx::viewer
