// Date-time values: days since 30 December 1899, the fraction being the time of day.
#pragma once
#include <string>

namespace tyx {

using TDateTime = double;

/// The local date and time now.
TDateTime Now();
/// Throws std::invalid_argument for an impossible date or time.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec = 0);
/// Like EncodeDateTime, but reports an impossible date or time by returning false.
bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec, TDateTime& Result);
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);
void DecodeDateTime(TDateTime Value, int& Year, int& Month, int& Day, int& Hour, int& Min, int& Sec, int& MSec);
bool IsLeapYear(int Year);
int DaysInMonth(int Year, int Month);
/// The local modification time of a file; throws EInOutError when it cannot be read.
TDateTime FileDateTime(const std::string& FileName);
/// "YYYY-MM-DDTHH:MM:SS".
std::string DateTimeToIso(TDateTime Value);

} // namespace tyx
