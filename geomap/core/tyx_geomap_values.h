// Value helpers of the map unit's XML files (calibrations, symbols, landmarks): locale-free
// number and truth-value formatting, text search and trimming, line reading from streams,
// attribute scanning, and integer and decimal scanners at a moving position. The file formats
// depend on exactly what these accept and produce. Positions in text count from 1 (bytes of the
// UTF-8 text; the syntax they look for is ASCII). They are internal to the map unit.
#pragma once
#include <span>
#include <string>
#include <string_view>

namespace tyx {

class TStream;

/// Fixed notation with Decimals digits after a point, right-aligned in at least |Width|
/// characters (zero-padded when Width < 0). Decimals -2 gives scientific notation with a
/// two-digit exponent in |Width| + 2 characters, or all '*' when the exponent needs more.
std::string FormatFloatFixed(long double Value, int Width, int Decimals);

/// Style 0 "TRUE"/"FALSE", 1 "T"/"F", 2 ".T."/".F.", 3 "1"/"0", 4 "-1"/"0", 5 "FF"/"00",
/// 6 "YES"/"NO", 7 "GOOD"/"BAD"; any other style as 0.
std::string BoolToText(bool Value, int Style);

/// Position of the Occurrence-th non-overlapping SubStr in S at or after StartPos; 0 when there
/// is none, when Occurrence <= 0 or SubStr is empty. IgnoreCase compares ASCII letters caselessly.
int PosOfOccurrence(std::string_view SubStr, std::string_view S, int StartPos, int Occurrence,
                    bool IgnoreCase);

/// S without leading and trailing space characters (tabs stay).
std::string TrimSpaces(std::string_view S);

/// Reads one line byte by byte; bytes are Windows-1252 and the line is returned as UTF-8.
/// LineEnd: 0 LF (CR dropped), 1 CR (LF dropped), 2 CR or LF, 3 CR right after LF,
/// 4 LF right after CR, other values only the end of the stream. Control characters other than
/// tab are dropped. EndOfStream becomes true when a read returns no byte.
std::string ReadStreamLine(TStream& Stream, bool& EndOfStream, int LineEnd);

/// Scans one attribute (name = "value" or name = value) from Pos, advancing Pos.
/// Status: 0 scanned, 1 quote in the name, 2 second '=' before the value, 3 '=' in a bare value,
/// 4 Pos already beyond the end.
int NextAttribute(std::string_view Attributes, int& Pos, std::string& Name, std::string& Value);

/// NextAttribute without copies: Name and Value point into Attributes.
int NextAttributeView(std::string_view Attributes, int& Pos, std::string_view& Name, std::string_view& Value);

/// The value of the first attribute called Name (case ignored); empty when missing or when it
/// follows a malformed attribute.
void GetAttributeValue(std::string_view Attributes, std::string_view Name, std::string& Value);

/// GetAttributeValue for several names in one pass over the text: Values[k] receives the value
/// of Names[k] (lower case). Values must be as long as Names.
void GetAttributeValues(std::string_view Attributes, std::span<const std::string_view> Names,
                        std::span<std::string> Values);

/// GetAttributeValues without copies: the values point into Attributes.
void GetAttributeViews(std::string_view Attributes, std::span<const std::string_view> Names,
                       std::span<std::string_view> Values);

/// Decimal integer at Pos after blanks and an optional sign; Pos is left on the first character
/// after the digits. No digits give 0; values beyond 32 bits saturate.
int ParseIntAt(std::string_view S, int& Pos);

/// Decimal number at Pos. Separators: 1 point, 2 comma, 3 both. Pos is left on the character
/// that ended the number. Malformed text gives 0; the result is clamped to the finite doubles.
double ParseFloatAt(std::string_view S, bool AllowExponent, int Separators, int& Pos);

/// ASCII lower case; other bytes (UTF-8 sequences) are kept, so positions do not move.
std::string LowerAscii(std::string_view S);

} // namespace tyx
