#include "host/tyx_datetime.h"

#include "host/tyx_errors.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <sys/stat.h>

namespace tyx {

namespace {
constexpr long kEpochShift = 25569; // days from 1899-12-30 to 1970-01-01
constexpr double kMSecPerDay = 86400000.0;

// Days from 1970-01-01 of a proleptic Gregorian date.
long DaysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long yy = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

// Splits a value into whole days and milliseconds of the day, rounding to the millisecond.
void Split(TDateTime v, long& days, long& msec)
{
    days = static_cast<long>(std::trunc(v));
    msec = std::lround(std::fabs(v - std::trunc(v)) * kMSecPerDay);
    if (msec >= 86400000L) { msec -= 86400000L; days += v < 0 ? -1 : 1; }
}
} // namespace

bool IsLeapYear(int Year) { return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0; }

int DaysInMonth(int Year, int Month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (Month < 1 || Month > 12) return 0;
    return Month == 2 && IsLeapYear(Year) ? 29 : kDays[Month - 1];
}

bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec, TDateTime& Result)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
        return false;
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
        return false;
    const double date = static_cast<double>(DaysFromCivil(Year, static_cast<unsigned>(Month), static_cast<unsigned>(Day)) + kEpochShift);
    const double time = (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / kMSecPerDay;
    Result = date < 0 ? date - time : date + time;
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day)
{
    TDateTime r;
    if (!TryEncodeDateTime(Year, Month, Day, 0, 0, 0, 0, r)) throw std::invalid_argument("invalid date");
    return r;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec)
{
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
        throw std::invalid_argument("invalid time");
    return (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / kMSecPerDay;
}

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec)
{
    TDateTime r;
    if (!TryEncodeDateTime(Year, Month, Day, Hour, Min, Sec, MSec, r))
        throw std::invalid_argument("invalid date or time");
    return r;
}

void DecodeDateTime(TDateTime Value, int& Year, int& Month, int& Day, int& Hour, int& Min, int& Sec, int& MSec)
{
    long days, ms;
    Split(Value, days, ms);
    CivilFromDays(days - kEpochShift, Year, Month, Day);
    Hour = static_cast<int>(ms / 3600000L);
    Min = static_cast<int>(ms / 60000L % 60);
    Sec = static_cast<int>(ms / 1000L % 60);
    MSec = static_cast<int>(ms % 1000);
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day)
{
    int h, mi, s, ms;
    DecodeDateTime(Value, Year, Month, Day, h, mi, s, ms);
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec)
{
    int y, m, d;
    DecodeDateTime(Value, y, m, d, Hour, Min, Sec, MSec);
}

namespace {
TDateTime FromTimeT(std::time_t t, long nsec)
{
    std::tm lt{};
    localtime_r(&t, &lt);
    TDateTime r = 0;
    TryEncodeDateTime(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min,
                      std::min(lt.tm_sec, 59), static_cast<int>(nsec / 1000000L), r);
    return r;
}
} // namespace

TDateTime Now()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    return FromTimeT(static_cast<std::time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL));
}

TDateTime FileDateTime(const std::string& FileName)
{
    struct stat st{};
    if (::stat(FileName.c_str(), &st) != 0) throw EInOutError::FromErrno(FileName);
    return FromTimeT(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

std::string DateTimeToIso(TDateTime Value)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(Value, y, mo, d, h, mi, s, ms);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", y, mo, d, h, mi, s);
    return buf;
}

} // namespace tyx
