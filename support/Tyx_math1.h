// Small numerical and formatting helpers: angles as text, hexadecimal numbers, date-time
// scanning, the 1-2-5 series, a random Boolean and swapping.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "host/tyx_datetime.h"
#include "support/Tyx_tyxbase.h"

namespace tyx {

/// An angle in degrees as text: dfDeg "48.50°", dfDegMin "48°30.0'", dfDegMinSec
/// "48°30'00.0\"" (degree sign in UTF-8). Decimals (0 to 15; outside that range clamped) apply
/// to the last part; minutes and seconds have two integer digits. Rounding halves to even and
/// carries (59.99' with 1 decimal gives the next degree with 00.0'). A negative angle gets a
/// leading '-', unless it rounds to zero. NaN gives "NaN"; infinities "Inf" / "-Inf".
std::string DegreeToStr(double Angle, TDegreeFormat Format, int Decimals);

inline void ExChange(double& a, double& b) { const double t = a; a = b; b = t; }
inline void ExChange(int& a, int& b) { const int t = a; a = b; b = t; }
inline void ExChange(long double& a, long double& b) { const long double t = a; a = b; b = t; }

/// Upper-case hexadecimal, at least Digits digits (zero-padded); more when the value needs them.
std::string Hex(uint64_t Value, int Digits);

/// Reads hexadecimal digits (either case) at the 1-based position Pos, after optional blanks,
/// and moves Pos behind the last digit. No digit there: returns 0 and leaves Pos unchanged. A
/// value beyond 32 bits saturates to 0xFFFFFFFF (Pos still moves past all digits).
uint32_t ScanHex(const std::string& Text, int& Pos);

/// Reads a date and time at the 1-based position Pos as Format describes, and moves Pos behind
/// it. Format pieces: "yyyy" (4 digits), "yy" (2 digits, 1950-2049), "mm" month (2 digits),
/// "mmm" month name of Language (3 letters, any case), "dd" day, "HH" hour, "MM" minute,
/// "SS" second, "zzz" milliseconds; every other character must stand as written. Fields not in
/// Format are 0 (the date 30 December 1899 when there is no date part). Text that does not
/// match or gives an impossible date or time returns 0 and leaves Pos unchanged.
TDateTime ScanDateTime(const std::string& Text, const std::string& Format, TLanguage Language, int& Pos);

/// The value of the series 1, 2, 5, 10, 20, 50, ... (also 0.1, 0.2, 0.5, ...) nearest to x on a
/// logarithmic scale; the sign is kept, 0 gives 0, NaN and infinities are returned unchanged.
/// The boundaries are sqrt(2), sqrt(10) and sqrt(50) times a power of ten; a value on a
/// boundary goes up.
double Round125(double x);

/// True with probability p: always false for p <= 0, always true for p >= 1. Seeded from the
/// system unless SeedRandom was called; each thread has a sequence of its own.
bool BRandom(double p);
/// Out[i] = BRandom(p) for each i in turn: the same draws as that many calls, for passes over
/// many items.
void BRandomFill(double p, std::span<uint8_t> Out);

/// Makes the calling thread's BRandom sequence repeatable: the same seed, the same sequence.
void SeedRandom(uint64_t Seed);

} // namespace tyx
