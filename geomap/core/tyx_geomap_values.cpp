#include "geomap/core/tyx_geomap_values.h"

#include "host/tyx_streams.h"
#include "host/tyx_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <vector>

namespace tyx {

namespace {

// Fixed or scientific text of a long double, independent of the locale.
std::string ToChars(long double Value, std::chars_format Format, int Precision)
{
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
    std::string buf(64, '\0');
    for (;;) {
        const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), Value, Format, Precision);
        if (r.ec == std::errc()) {
            buf.resize(static_cast<std::size_t>(r.ptr - buf.data()));
            return buf;
        }
        buf.resize(buf.size() * 4);
    }
}

// The scientific form of the host's fixed-width real text: a sign place, one digit, a point, the
// fraction, "E", the exponent sign and four exponent digits, filling exactly Field characters.
std::string ScientificField(long double Value, int Field)
{
    const int fraction = std::max(1, Field - 9);
    std::string t = ToChars(Value, std::chars_format::scientific, fraction);
    const auto e = t.find('e');
    if (e == std::string::npos) { // non-finite
        return std::string(static_cast<std::size_t>(std::max(0, Field - static_cast<int>(t.size()))), ' ') + t;
    }
    std::string mantissa = t.substr(0, e);
    const char expSign = t[e + 1];
    std::string digits = t.substr(e + 2);
    digits.insert(0, 4 - std::min<std::size_t>(4, digits.size()), '0');
    if (mantissa[0] != '-') mantissa.insert(0, 1, ' ');
    std::string out = mantissa + 'E' + expSign + digits;
    if (static_cast<int>(out.size()) < Field) out.insert(0, static_cast<std::size_t>(Field) - out.size(), ' ');
    return out;
}

bool IsBlank(char c) { return c == ' '; }

} // namespace

std::string LowerAscii(std::string_view S)
{
    std::string out(S);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string FormatFloatFixed(long double Value, int Width, int Decimals)
{
    const int w = Width < 0 ? -Width : Width;
    std::string text;
    if (Decimals == -2) {
        text = ScientificField(Value, w + 2);
        const auto e = text.find('E');
        if (e != std::string::npos && text.size() - e == 6) {
            const bool fits = text.compare(e + 2, 2, "00") == 0;
            text.erase(e + 2, 2);
            if (!fits) text.assign(text.size(), '*');
        }
    } else {
        text = ToChars(Value, std::chars_format::fixed, std::max(0, Decimals));
        if (static_cast<int>(text.size()) < w) text.insert(0, static_cast<std::size_t>(w) - text.size(), ' ');
    }
    if (Width < 0) {
        std::size_t i = 0;
        while (i < text.size() && IsBlank(text[i])) text[i++] = '0';
        if (i < text.size() && text[i] == '-') {
            text[i] = '0';
            text[0] = '-';
        }
    }
    return text;
}

std::string BoolToText(bool Value, int Style)
{
    static const char* const kTrue[] = {"TRUE", "T", ".T.", "1", "-1", "FF", "YES", "GOOD"};
    static const char* const kFalse[] = {"FALSE", "F", ".F.", "0", "0", "00", "NO", "BAD"};
    if (Style < 0 || Style > 7) Style = 0;
    return Value ? kTrue[Style] : kFalse[Style];
}

int PosOfOccurrence(std::string_view SubStr, std::string_view S, int StartPos, int Occurrence,
                    bool IgnoreCase)
{
    if (Occurrence <= 0 || SubStr.empty()) return 0;
    std::string sub, text;
    if (IgnoreCase) {
        sub = LowerAscii(SubStr);
        text = LowerAscii(S);
        SubStr = sub;
        S = text;
    }
    std::size_t from = static_cast<std::size_t>(std::max(StartPos, 1) - 1);
    for (int n = 1;; ++n) {
        if (from > S.size()) return 0;
        const auto p = S.find(SubStr, from);
        if (p == std::string_view::npos) return 0;
        if (n == Occurrence) return static_cast<int>(p) + 1;
        from = p + SubStr.size();
    }
}

std::string TrimSpaces(std::string_view S)
{
    const auto first = S.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = S.find_last_not_of(' ');
    return std::string(S.substr(first, last - first + 1));
}

std::string ReadStreamLine(TStream& Stream, bool& EndOfStream, int LineEnd)
{
    EndOfStream = false;
    std::string bytes;
    char prev = 0;
    for (;;) {
        char c;
        if (Stream.Read(&c, 1) != 1) {
            EndOfStream = true;
            break;
        }
        const bool ends = (LineEnd == 0 && c == '\n') || (LineEnd == 1 && c == '\r') ||
                          (LineEnd == 2 && (c == '\r' || c == '\n')) ||
                          (LineEnd == 3 && c == '\r' && prev == '\n') ||
                          (LineEnd == 4 && c == '\n' && prev == '\r');
        if (ends) break;
        if (static_cast<unsigned char>(c) >= 32 || c == '\t') bytes += c;
        prev = c;
    }
    return Cp1252ToUtf8(bytes);
}

int NextAttributeView(std::string_view Attributes, int& Pos, std::string_view& Name, std::string_view& Value)
{
    Name = Value = {};
    if (Pos < 1) Pos = 1;
    const std::size_t n = Attributes.size();
    if (static_cast<std::size_t>(Pos) > n) return 4;
    // Pos ends one behind the character that stopped the scan, or one behind the text.
    auto stopAt = [&](std::size_t i) { Pos = static_cast<int>(std::min(i + 1, n) + 1); };
    std::size_t i = static_cast<std::size_t>(Pos) - 1;
    const std::size_t nameStart = i;
    while (i < n && Attributes[i] != '"' && Attributes[i] != '=') ++i;
    Name = Attributes.substr(nameStart, i - nameStart);
    const auto first = Name.find_first_not_of(' ');
    Name = first == std::string_view::npos ? std::string_view{} : Name.substr(first, Name.find_last_not_of(' ') - first + 1);
    stopAt(i);
    if (i == n) return 0;
    if (Attributes[i] == '"') return 1;
    ++i;
    while (i < n && Attributes[i] == ' ') ++i;
    stopAt(i);
    if (i == n) return 0;
    if (Attributes[i] == '=') return 2;
    if (Attributes[i] == '"') {
        const std::size_t start = ++i;
        while (i < n && Attributes[i] != '"') ++i;
        Value = Attributes.substr(start, i - start);
        stopAt(i);
        return 0;
    }
    const std::size_t start = i;
    while (i < n && Attributes[i] != ' ' && Attributes[i] != '"' && Attributes[i] != '=') ++i;
    Value = Attributes.substr(start, i - start);
    stopAt(i);
    return i < n && Attributes[i] == '=' ? 3 : 0;
}

int NextAttribute(std::string_view Attributes, int& Pos, std::string& Name, std::string& Value)
{
    std::string_view name, value;
    const int status = NextAttributeView(Attributes, Pos, name, value);
    Name.assign(name);
    Value.assign(value);
    return status;
}

namespace {

// Name (any case) equals Lower (lower case).
bool SameName(std::string_view Name, std::string_view Lower)
{
    if (Name.size() != Lower.size()) return false;
    for (std::size_t i = 0; i < Name.size(); ++i) {
        char c = Name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != Lower[i]) return false;
    }
    return true;
}

} // namespace

void GetAttributeValue(std::string_view Attributes, std::string_view Name, std::string& Value)
{
    Value.clear();
    const std::string wanted = LowerAscii(Name);
    int pos = 1;
    std::string_view name, value;
    while (NextAttributeView(Attributes, pos, name, value) == 0) {
        if (SameName(name, wanted)) {
            Value.assign(value);
            return;
        }
    }
}

void GetAttributeViews(std::string_view Attributes, std::span<const std::string_view> Names,
                       std::span<std::string_view> Values)
{
    for (std::string_view& v : Values) v = {};
    constexpr std::size_t Inline = 64;
    std::array<bool, Inline> seenInline{};
    std::vector<bool> seenMore(Names.size() > Inline ? Names.size() : 0);
    auto seen = [&](std::size_t k) -> bool { return k < Inline ? seenInline[k] : seenMore[k]; };
    auto see = [&](std::size_t k) {
        if (k < Inline) seenInline[k] = true;
        else seenMore[k] = true;
    };
    int pos = 1;
    std::size_t next = 0; // files list the attributes in the writer's order: look there first
    std::string_view name, value;
    while (NextAttributeView(Attributes, pos, name, value) == 0) {
        for (std::size_t step = 0; step < Names.size(); ++step) {
            const std::size_t k = (next + step) % Names.size();
            if (seen(k) || !SameName(name, Names[k])) continue;
            // The first attribute of a name wins, as with GetAttributeValue.
            see(k);
            Values[k] = value;
            next = k + 1;
            break;
        }
    }
}

void GetAttributeValues(std::string_view Attributes, std::span<const std::string_view> Names,
                        std::span<std::string> Values)
{
    std::vector<std::string_view> views(Names.size());
    GetAttributeViews(Attributes, Names, views);
    for (std::size_t k = 0; k < Names.size(); ++k) Values[k].assign(views[k]);
}

int ParseIntAt(std::string_view S, int& Pos)
{
    if (S.empty()) return 0;
    if (Pos < 1) Pos = 1;
    const auto len = static_cast<int>(S.size());
    auto at = [&](int p) { return S[static_cast<std::size_t>(p - 1)]; };
    while (Pos < len && IsBlank(at(Pos))) ++Pos;
    bool negative = false;
    if (Pos <= len && (at(Pos) == '-' || at(Pos) == '+')) {
        negative = at(Pos) == '-';
        ++Pos;
    }
    // The magnitude stops growing past the 32-bit range; the digits are still consumed.
    constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    while (Pos <= len && at(Pos) >= '0' && at(Pos) <= '9') {
        value = std::min(kCap, value * 10 + (at(Pos) - '0'));
        ++Pos;
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                std::numeric_limits<int32_t>::max()));
}

namespace {

// Powers of ten that long double holds exactly, and the longest digit string it holds exactly.
constexpr int ExactPowers = std::numeric_limits<long double>::digits >= 64 ? 27 : 22;
constexpr int ExactDigits = std::numeric_limits<long double>::digits >= 64 ? 19 : 15;

// Text of the form [sign] digits [. digits] [E [sign] digits] with few enough digits and a small
// enough exponent is an exact integer times or divided by an exact power of ten: one rounded
// operation, which gives the same long double as the full conversion. False for other text.
bool ShortDecimal(std::string_view Text, long double& Value)
{
    std::size_t i = 0;
    const bool negative = i < Text.size() && Text[i] == '-';
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) ++i;
    uint64_t mantissa = 0;
    int digits = 0, scale = 0;
    bool point = false;
    for (; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '.') {
            if (point) return false;
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        if (mantissa != 0 || c != '0') ++digits;
        if (digits > ExactDigits) return false;
        mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
        if (point) --scale;
    }
    if (i < Text.size()) {
        if (Text[i] != 'E' || ++i == Text.size()) return false;
        const bool expNegative = Text[i] == '-';
        if (Text[i] == '-' || Text[i] == '+') ++i;
        if (i == Text.size()) return false;
        int exponent = 0;
        for (; i < Text.size(); ++i) {
            if (Text[i] < '0' || Text[i] > '9' || exponent > 1000) return false;
            exponent = exponent * 10 + (Text[i] - '0');
        }
        scale += expNegative ? -exponent : exponent;
    }
    if (scale < -ExactPowers || scale > ExactPowers) return false;
    long double power = 1;
    for (int k = 0; k < (scale < 0 ? -scale : scale); ++k) power *= 10;
    const auto m = static_cast<long double>(mantissa);
    Value = scale < 0 ? m / power : m * power;
    if (negative) Value = -Value;
    return true;
}

// The invariant text-to-extended conversion: point separator, leading blanks skipped.
long double InvariantToExtended(const std::string& Text)
{
    long double v;
    if (ShortDecimal(Text, v)) return v;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtold_l(Text.c_str(), nullptr, cLocale);
}

} // namespace

double ParseFloatAt(std::string_view S, bool AllowExponent, int Separators, int& Pos)
{
    enum State { sStart = 1, sSign, sInt, sSep, sFrac, sE, sExpSign, sExp, sEnd, sError };
    const bool pointSep = Separators == 1 || Separators == 3;
    const bool commaSep = Separators == 2 || Separators == 3;
    const State afterMantissaE = AllowExponent ? sE : sEnd;

    // Reused, as files hold many numbers longer than a string keeps without allocating.
    thread_local std::string number;
    number.clear();
    int exponent = 0; // the exponent text read as an integer, capped well above the 4200 limit
    State state = sStart;
    do {
        char c = 'Z';
        if (Pos >= 1 && static_cast<std::size_t>(Pos) <= S.size()) c = S[static_cast<std::size_t>(Pos - 1)];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        ++Pos;
        enum { cBlank, cSign, cDigit, cSep, cE, cOther } cls = cOther;
        if (c == ' ') cls = cBlank;
        else if (c == '+' || c == '-') cls = cSign;
        else if (c >= '0' && c <= '9') cls = cDigit;
        else if ((c == '.' && pointSep) || (c == ',' && commaSep)) cls = cSep;
        else if (c == 'E') cls = cE;

        static constexpr State kTable[8][6] = {
            // blank   sign      digit   sep     E       other
            {},
            {sStart, sSign, sInt, sSep, sError, sError},       // 1 start
            {sError, sError, sInt, sSep, sError, sError},      // 2 after sign
            {sEnd, sEnd, sInt, sSep, sE, sEnd},                // 3 integer digits
            {sEnd, sEnd, sFrac, sError, sE, sEnd},             // 4 after separator
            {sEnd, sEnd, sFrac, sError, sE, sEnd},             // 5 fraction digits
            {sError, sExpSign, sExp, sError, sError, sEnd},    // 6 after E
            {sError, sError, sExp, sError, sError, sEnd},      // 7 after exponent sign
        };
        State next = state == sExp ? (cls == cDigit ? sExp : sEnd) : kTable[state][cls];
        if (next == sE && state != sE) next = afterMantissaE;
        if (cls == cDigit && (state == sE || state == sExpSign || state == sExp))
            exponent = std::min(exponent * 10 + (c - '0'), 100000);
        state = next;
        if (state != sEnd && state != sError && exponent <= 4200) number += c == ',' ? '.' : c;
    } while (state != sEnd && state != sError);
    --Pos;

    if (state == sError) return 0.0;
    // A dangling exponent mark ("2.5E", "2.5E-") carries no exponent: the mantissa stands.
    if (const auto e = number.find('E');
        e != std::string::npos && number.find_first_of("0123456789", e) == std::string::npos)
        number.erase(e);
    if (!number.empty() && number.back() == '.') number += '0';
    const long double v = InvariantToExtended(number);
    constexpr long double kMax = std::numeric_limits<double>::max();
    if (std::isnan(v)) return 0.0;
    return static_cast<double>(std::clamp(v, -kMax, kMax));
}

} // namespace tyx
