#include "support/Tyx_math1.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>

namespace tyx {

namespace {

const char* const DegreeSign = "\xC2\xB0";

// A non-negative count of 1/10^Decimals units written with Decimals places and at least
// IntDigits integer digits: exact, because the rounding has already been done in integers.
std::string FixedFromUnits(long long Units, long long Scale, int Decimals, int IntDigits)
{
    auto padded = [](long long v, int width) {
        std::string s = std::to_string(v);
        if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
        return s;
    };
    std::string s = padded(Units / Scale, IntDigits);
    if (Decimals > 0) {
        s += '.';
        s += padded(Units % Scale, Decimals);
    }
    return s;
}

bool AllZeroDigits(const std::string& s)
{
    return std::none_of(s.begin(), s.end(), [](char c) { return c >= '1' && c <= '9'; });
}

} // namespace

std::string DegreeToStr(double Angle, TDegreeFormat Format, int Decimals)
{
    if (std::isnan(Angle)) return "NaN";
    if (std::isinf(Angle)) return Angle < 0 ? "-Inf" : "Inf";
    Decimals = std::clamp(Decimals, 0, 15);
    const double a = std::fabs(Angle);
    std::string text;
    if (Format == dfDegMin || Format == dfDegMinSec) {
        long long scale = 1;
        for (int i = 0; i < Decimals; ++i) scale *= 10;
        double deg = std::floor(a);
        const double minutes = (a - deg) * 60.0;
        std::string tail;
        if (Format == dfDegMin) {
            auto units = static_cast<long long>(std::nearbyint(minutes * static_cast<double>(scale)));
            if (units >= 60 * scale) { units -= 60 * scale; deg += 1; }
            tail = FixedFromUnits(units, scale, Decimals, 2) + "'";
        } else {
            auto min = static_cast<long long>(std::floor(minutes));
            const double seconds = (minutes - static_cast<double>(min)) * 60.0;
            auto units = static_cast<long long>(std::nearbyint(seconds * static_cast<double>(scale)));
            if (units >= 60 * scale) { units -= 60 * scale; ++min; }
            if (min >= 60) { min -= 60; deg += 1; }
            tail = FixedFromUnits(min, 1, 0, 2) + "'" + FixedFromUnits(units, scale, Decimals, 2) + "\"";
        }
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.0f", deg);
        text = std::string(buf) + DegreeSign + tail;
    } else {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.*f", Decimals, a);
        text = std::string(buf) + DegreeSign;
    }
    if (Angle < 0 && !AllZeroDigits(text)) text.insert(text.begin(), '-');
    return text;
}

std::string Hex(uint64_t Value, int Digits)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llX", std::clamp(Digits, 0, 16), static_cast<unsigned long long>(Value));
    return buf;
}

uint32_t ScanHex(const std::string& Text, int& Pos)
{
    if (Pos < 1) return 0;
    std::size_t i = static_cast<std::size_t>(Pos) - 1;
    while (i < Text.size() && (Text[i] == ' ' || Text[i] == '\t')) ++i;
    uint64_t value = 0;
    const std::size_t first = i;
    for (; i < Text.size(); ++i) {
        const char c = Text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else break;
        value = std::min<uint64_t>(value * 16 + static_cast<uint64_t>(digit), 0x1'0000'0000ULL);
    }
    if (i == first) return 0;
    Pos = static_cast<int>(i) + 1;
    return static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFFFFFFULL));
}

namespace {

bool ReadDigits(const std::string& Text, std::size_t& i, int Count, int& Value)
{
    if (i + static_cast<std::size_t>(Count) > Text.size()) return false;
    int v = 0;
    for (int k = 0; k < Count; ++k) {
        const char c = Text[i + static_cast<std::size_t>(k)];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    i += static_cast<std::size_t>(Count);
    Value = v;
    return true;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool ReadMonthName(const std::string& Text, std::size_t& i, TLanguage Language, int& Month)
{
    static const std::array<const char*, 12> English = {"jan", "feb", "mar", "apr", "may", "jun",
                                                        "jul", "aug", "sep", "oct", "nov", "dec"};
    static const std::array<const char*, 12> German = {"jan", "feb", "m\xC3\xA4r", "apr", "mai", "jun",
                                                       "jul", "aug", "sep", "okt", "nov", "dez"};
    const auto& names = Language == lanGerman ? German : English;
    for (int m = 0; m < 12; ++m) {
        const std::string name = names[static_cast<std::size_t>(m)];
        if (i + name.size() > Text.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) same = LowerAscii(Text[i + k]) == name[k];
        if (same) {
            i += name.size();
            Month = m + 1;
            return true;
        }
    }
    return false;
}

} // namespace

TDateTime ScanDateTime(const std::string& Text, const std::string& Format, TLanguage Language, int& Pos)
{
    if (Pos < 1) return 0;
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, msec = 0;
    std::size_t i = static_cast<std::size_t>(Pos) - 1;
    std::size_t f = 0;
    auto piece = [&](const char* p) { return Format.compare(f, std::char_traits<char>::length(p), p) == 0; };
    while (f < Format.size()) {
        bool ok;
        if (piece("yyyy")) { ok = ReadDigits(Text, i, 4, year); f += 4; }
        else if (piece("yy")) {
            ok = ReadDigits(Text, i, 2, year);
            year += year < 50 ? 2000 : 1900;
            f += 2;
        }
        else if (piece("mmm")) { ok = ReadMonthName(Text, i, Language, month); f += 3; }
        else if (piece("mm")) { ok = ReadDigits(Text, i, 2, month); f += 2; }
        else if (piece("dd")) { ok = ReadDigits(Text, i, 2, day); f += 2; }
        else if (piece("HH")) { ok = ReadDigits(Text, i, 2, hour); f += 2; }
        else if (piece("MM")) { ok = ReadDigits(Text, i, 2, minute); f += 2; }
        else if (piece("SS")) { ok = ReadDigits(Text, i, 2, second); f += 2; }
        else if (piece("zzz")) { ok = ReadDigits(Text, i, 3, msec); f += 3; }
        else {
            ok = i < Text.size() && Text[i] == Format[f];
            ++i;
            ++f;
        }
        if (!ok) return 0;
    }
    TDateTime result;
    if (!TryEncodeDateTime(year, month, day, hour, minute, second, msec, result)) return 0;
    Pos = static_cast<int>(i) + 1;
    return result;
}

double Round125(double x)
{
    if (x == 0 || !std::isfinite(x)) return x;
    const long double a = std::fabs(static_cast<long double>(x));
    int e = static_cast<int>(std::floor(std::log10(a)));
    long double p = std::pow(10.0L, e);
    long double m = a / p;
    if (m >= 10) { m /= 10; p *= 10; ++e; }
    if (m < 1) { m *= 10; p /= 10; --e; }
    long double r;
    if (m < std::sqrt(2.0L)) r = 1;
    else if (m < std::sqrt(10.0L)) r = 2;
    else if (m < std::sqrt(50.0L)) r = 5;
    else r = 10;
    // Dividing by a positive power of ten gives the nearest double to 0.2, 0.05, ...
    const long double v = e < 0 ? r / std::pow(10.0L, -e) : r * p;
    return std::copysign(static_cast<double>(v), x);
}

namespace {

// SplitMix64: 64 bits of state, a few multiplies per draw, statistically sound for sampling. The
// landmark layer draws once per landmark on every paint, where the Mersenne twister cost ten
// times as much.
struct TRandomEngine {
    uint64_t State;
    uint64_t operator()()
    {
        uint64_t z = (State += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
};

// The generator's state is private to this unit and to its thread.
TRandomEngine& RandomEngine()
{
    thread_local TRandomEngine Engine{(uint64_t(std::random_device{}()) << 32) ^ std::random_device{}()};
    return Engine;
}

/// A draw in [0, 1) from the top 53 bits: every double it can give is equally likely.
double UnitDraw(TRandomEngine& Engine) { return static_cast<double>(Engine() >> 11) * 0x1p-53; }

} // namespace

void SeedRandom(uint64_t Seed) { RandomEngine().State = Seed; }

bool BRandom(double p)
{
    if (!(p > 0)) return false;
    if (p >= 1) return true;
    return UnitDraw(RandomEngine()) < p;
}

void BRandomFill(double p, std::span<uint8_t> Out)
{
    if (!(p > 0) || p >= 1) {
        std::fill(Out.begin(), Out.end(), uint8_t(p >= 1));
        return;
    }
    TRandomEngine& Engine = RandomEngine();
    for (uint8_t& B : Out) B = UnitDraw(Engine) < p;
}

} // namespace tyx
