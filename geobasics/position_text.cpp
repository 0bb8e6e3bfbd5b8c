// Reading positions typed by a person: decimal degrees, degrees-minutes-seconds and UTM.
#include "geobasics/Tyx_geobasics.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace tyx {

namespace {

// The position of a number within one coordinate: degrees, minutes or seconds.
enum TPart : int { ptNone = -1, ptDegrees = 0, ptMinutes = 1, ptSeconds = 2 };

struct TToken {
    enum TKind { tkNumber, tkLetter, tkSeparator } Kind;
    std::string Text; // as typed, for messages
    double Value = 0;
    bool Signed = false;
    bool Fraction = false;
    TPart Mark = ptNone; // the unit sign written after a number
    char Letter = 0;     // upper case
};

struct TFailure {
    std::string Why;
};

// The unit signs people type, folded to one byte each: Deg, '\'' minutes, '"' seconds.
constexpr char Deg = '\x01';

std::string FoldSigns(std::string_view Text)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> Folds{{
        {"\xC2\xB0", "\x01"}, {"\xC2\xBA", "\x01"}, {"\xCB\x9A", "\x01"},  // ° º ˚
        {"\xE2\x80\xB2", "'"}, {"\xE2\x80\x99", "'"}, {"\xC2\xB4", "'"},   // ′ ’ ´
        {"\xE2\x80\xB3", "\""}, {"\xE2\x80\x9D", "\""}, {"''", "\""},      // ″ ” ''
        {"\xE2\x88\x92", "-"}, {"\xE2\x80\x93", "-"}, {"\xC2\xA0", " "},   // − – no-break space
    }};
    std::string out;
    for (size_t i = 0; i < Text.size();) {
        bool folded = false;
        for (const auto& [from, to] : Folds)
            if (Text.substr(i, from.size()) == from) {
                out += to;
                i += from.size();
                folded = true;
                break;
            }
        if (!folded)
            out += Text[i++];
    }
    return out;
}

std::vector<TToken> Tokenize(std::string_view Text)
{
    std::vector<TToken> tokens;
    size_t i = 0;
    while (i < Text.size()) {
        const char c = Text[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == ',' || c == ';') {
            tokens.push_back({TToken::tkSeparator, std::string(1, c)});
            ++i;
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.') {
            const size_t start = i;
            TToken t{TToken::tkNumber, {}};
            t.Signed = c == '+' || c == '-';
            if (t.Signed)
                ++i;
            const size_t digits = i;
            while (i < Text.size() && (std::isdigit(static_cast<unsigned char>(Text[i])) || Text[i] == '.'))
                ++i;
            t.Text = std::string(Text.substr(start, i - start));
            const std::string_view body = Text.substr(digits, i - digits);
            t.Fraction = body.find('.') != std::string_view::npos;
            const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), t.Value);
            if (ec != std::errc() || end != body.data() + body.size())
                throw TFailure{"'" + t.Text + "' is not a number"};
            if (c == '-')
                t.Value = -t.Value;
            while (i < Text.size() && Text[i] == ' ')
                ++i;
            if (i < Text.size() && (Text[i] == Deg || Text[i] == '\'' || Text[i] == '"')) {
                t.Mark = Text[i] == Deg ? ptDegrees : Text[i] == '\'' ? ptMinutes : ptSeconds;
                t.Text += Text[i] == Deg ? "\xC2\xB0" : std::string(1, Text[i]);
                ++i;
            }
            tokens.push_back(t);
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            tokens.push_back({TToken::tkLetter, std::string(1, c), 0, false, false, ptNone, upper});
            ++i;
        } else if (c == Deg || c == '\'' || c == '"') {
            throw TFailure{"a unit sign without a number before it"};
        } else {
            const auto byte = static_cast<unsigned char>(c);
            size_t len = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
            throw TFailure{"unexpected character '" + std::string(Text.substr(i, len)) + "'"};
        }
    }
    return tokens;
}

// ---- UTM ----

constexpr std::string_view BandLetters = "CDEFGHJKLMNPQRSTUVWX";

// The southern edge of a band in degrees; band X reaches 84.
double BandSouth(char Letter)
{
    return -80.0 + 8.0 * static_cast<double>(BandLetters.find(Letter));
}

bool InBand(double Latitude, char Letter)
{
    constexpr double Slack = 0.5; // positions a little over the edge of their band still read
    const double north = Letter == 'X' ? 84.0 : BandSouth(Letter) + 8.0;
    return Latitude >= BandSouth(Letter) - Slack && Latitude <= north + Slack;
}

// A zone number, a band or hemisphere letter, an easting and a northing: "32U 691560 5334824",
// "32 U 691560, 5334824". Returns nothing when the tokens do not have that shape.
std::optional<TParsedPosition> ReadUTM(std::vector<TToken> t)
{
    if (t.size() == 5 && t[3].Kind == TToken::tkSeparator)
        t.erase(t.begin() + 3);
    if (t.size() != 4 || t[0].Kind != TToken::tkNumber || t[1].Kind != TToken::tkLetter
        || t[2].Kind != TToken::tkNumber || t[3].Kind != TToken::tkNumber)
        return std::nullopt;
    for (int k : {0, 2, 3})
        if (t[k].Signed || t[k].Mark != ptNone)
            return std::nullopt;
    const char letter = t[1].Letter;
    // "12E 34 56" is a longitude and a latitude; no easting is as small as an angle.
    if (std::string_view("NSEW").find(letter) != std::string_view::npos && t[2].Value <= 360)
        return std::nullopt;

    if (t[0].Fraction || t[0].Value < 1 || t[0].Value > 60)
        throw TFailure{"UTM zone " + t[0].Text + " is not a whole number from 1 to 60"};
    const int zone = static_cast<int>(t[0].Value);
    if (BandLetters.find(letter) == std::string_view::npos)
        throw TFailure{"'" + t[1].Text + "' is not a UTM band letter (C to X without I and O)"};
    const double easting = t[2].Value;
    const double northing = t[3].Value;
    if (easting < 100000 || easting > 900000)
        throw TFailure{"UTM easting " + t[2].Text + " is outside 100000 to 900000"};
    if (northing > 10000000)
        throw TFailure{"UTM northing " + t[3].Text + " is above 10000000"};

    auto convert = [&](bool south) {
        TParsedPosition p;
        UTMToLatLong(easting, northing, zone, south, gelWGS84, p.Latitude, p.Longitude);
        if (p.Longitude > 180)
            p.Longitude -= 360;
        else if (p.Longitude < -180)
            p.Longitude += 360;
        p.Ok = true;
        return p;
    };
    const std::string where = "UTM " + t[0].Text + t[1].Text + " " + t[2].Text + " " + t[3].Text;
    if (letter == 'N') {
        const TParsedPosition p = convert(false);
        if (p.Latitude > 84.5)
            throw TFailure{where + " lies north of 84 degrees, beyond UTM"};
        return p;
    }
    if (letter == 'S') {
        const TParsedPosition band = convert(false);
        if (InBand(band.Latitude, 'S'))
            return band;
        const TParsedPosition south = convert(true);
        if (south.Latitude < -80.5)
            throw TFailure{where + " lies south of 80 degrees south, beyond UTM"};
        return south;
    }
    const TParsedPosition p = convert(BandSouth(letter) < 0);
    if (!InBand(p.Latitude, letter))
        throw TFailure{where + " lies outside band " + std::string(1, letter)};
    return p;
}

// ---- Degrees, minutes, seconds ----

// One coordinate: an optional hemisphere letter and up to three numbers.
struct THalf {
    char Hemisphere = 0;
    bool LetterFirst = false;
    std::vector<const TToken*> Numbers;
    std::array<const TToken*, 3> Parts{};
    int LastPart = ptNone;

    bool Empty() const { return Hemisphere == 0 && Numbers.empty(); }

    // The coordinate as typed, for messages.
    std::string Typed() const
    {
        std::string text = LetterFirst ? std::string(1, Hemisphere) : "";
        for (const TToken* n : Numbers)
            text += (text.empty() ? "" : " ") + n->Text;
        return Hemisphere && !LetterFirst ? text + Hemisphere : text;
    }

    void Add(const TToken& t)
    {
        const int part = t.Mark == ptNone ? LastPart + 1 : t.Mark;
        if (part > ptSeconds)
            throw TFailure{"too many numbers before '" + t.Text + "'"};
        if (part <= LastPart)
            throw TFailure{"'" + t.Text + "' comes after a smaller unit"};
        Parts[static_cast<size_t>(part)] = &t;
        LastPart = part;
        Numbers.push_back(&t);
    }

    double Degrees() const
    {
        if (Numbers.empty())
            throw TFailure{"hemisphere letter '" + std::string(1, Hemisphere) + "' without a number"};
        if (!Parts[ptDegrees])
            throw TFailure{"'" + Numbers.front()->Text + "' has no degrees before it"};
        if (Parts[ptSeconds] && !Parts[ptMinutes])
            throw TFailure{"seconds '" + Parts[ptSeconds]->Text + "' without minutes"};
        double value = 0;
        double scale = 1;
        for (const TToken* p : Parts) {
            if (p) {
                if (p->Fraction && p != Numbers.back())
                    throw TFailure{"only the last number of a coordinate may have a fraction ('" + p->Text + "')"};
                if (p != Parts[ptDegrees] && p->Signed)
                    throw TFailure{"a sign belongs before the degrees, not before '" + p->Text + "'"};
                if (p != Parts[ptDegrees] && std::abs(p->Value) >= 60)
                    throw TFailure{"'" + p->Text + "' is not below 60"};
                value += std::abs(p->Value) / scale;
            }
            scale *= 60;
        }
        const TToken& deg = *Parts[ptDegrees];
        if (deg.Signed && Hemisphere)
            throw TFailure{"'" + deg.Text + "' has both a sign and the hemisphere letter '" + std::string(1, Hemisphere) + "'"};
        const bool negative = deg.Value < 0 || (deg.Signed && deg.Text[0] == '-') || Hemisphere == 'S' || Hemisphere == 'W';
        return negative ? -value : value;
    }
};

std::vector<THalf> SplitHalves(const std::vector<TToken>& Tokens)
{
    std::vector<THalf> halves;
    // Bare numbers only ("48 08 30 11 35 15"): as many for the latitude as for the longitude.
    bool bare = Tokens.size() % 2 == 0;
    for (const TToken& t : Tokens)
        bare = bare && t.Kind == TToken::tkNumber && t.Mark == ptNone;
    if (bare && Tokens.size() <= 6) {
        halves.assign(2, THalf{});
        for (size_t k = 0; k < Tokens.size(); ++k)
            halves[k < Tokens.size() / 2 ? 0 : 1].Add(Tokens[k]);
        return halves;
    }
    THalf cur;
    bool closed = false; // the last half ended on its hemisphere letter
    auto push = [&] {
        halves.push_back(cur);
        cur = THalf{};
    };
    for (const TToken& t : Tokens) {
        switch (t.Kind) {
        case TToken::tkSeparator:
            if (!cur.Empty())
                push();
            else if (!closed)
                throw TFailure{"'" + t.Text + "' with no coordinate before it"};
            closed = false;
            break;
        case TToken::tkLetter:
            if (std::string_view("NSEW").find(t.Letter) == std::string_view::npos)
                throw TFailure{"unexpected letter '" + t.Text + "' (hemispheres are N, S, E, W)"};
            if (cur.Hemisphere && cur.Numbers.empty())
                throw TFailure{"two hemisphere letters in a row ('" + std::string(1, cur.Hemisphere) + "' and '" + t.Text + "')"};
            if (cur.Hemisphere)
                push();
            cur.Hemisphere = t.Letter;
            cur.LetterFirst = cur.Numbers.empty();
            closed = !cur.LetterFirst;
            if (closed)
                push();
            break;
        case TToken::tkNumber:
            // Degrees start the next coordinate when this one already holds numbers.
            if (t.Mark == ptDegrees && !cur.Numbers.empty())
                push();
            cur.Add(t);
            closed = false;
            break;
        }
    }
    if (!cur.Empty())
        push();
    return halves;
}

TParsedPosition ReadGeographic(const std::vector<TToken>& Tokens)
{
    const std::vector<THalf> halves = SplitHalves(Tokens);
    if (halves.size() != 2)
        throw TFailure{"expected a latitude and a longitude, found " + std::to_string(halves.size())
                       + (halves.size() == 1 ? " coordinate" : " coordinates")};
    auto isLat = [](const THalf& h) { return h.Hemisphere == 'N' || h.Hemisphere == 'S'; };
    auto isLong = [](const THalf& h) { return h.Hemisphere == 'E' || h.Hemisphere == 'W'; };
    if ((isLat(halves[0]) && isLat(halves[1])) || (isLong(halves[0]) && isLong(halves[1])))
        throw TFailure{"both coordinates are "
                       + std::string(isLat(halves[0]) ? "latitudes (N/S)" : "longitudes (E/W)")};
    const bool swapped = isLong(halves[0]) || isLat(halves[1]);
    const THalf& lat = halves[swapped ? 1 : 0];
    const THalf& lon = halves[swapped ? 0 : 1];
    TParsedPosition p;
    p.Latitude = lat.Degrees();
    p.Longitude = lon.Degrees();
    if (std::abs(p.Latitude) > 90)
        throw TFailure{"latitude " + lat.Typed() + " is outside -90 to 90"};
    if (std::abs(p.Longitude) > 180)
        throw TFailure{"longitude " + lon.Typed() + " is outside -180 to 180"};
    p.Ok = true;
    return p;
}

} // namespace

TParsedPosition ParsePosition(std::string_view Text)
{
    try {
        const std::vector<TToken> tokens = Tokenize(FoldSigns(Text));
        if (tokens.empty())
            throw TFailure{"no position given"};
        if (auto utm = ReadUTM(tokens))
            return *utm;
        return ReadGeographic(tokens);
    } catch (const TFailure& f) {
        TParsedPosition failed;
        failed.Error = f.Why;
        return failed;
    }
}

} // namespace tyx
