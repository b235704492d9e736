// Automation dates <-> SYSTEMTIME, with the platform's rounding.
#include "platform/win32/variant_time.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kFirstDate = -657434.0; // 1 January 100
constexpr double kLastDate = 2958465.0;  // 31 December 9999 (the day; its times run to < 2958466)
constexpr std::int64_t kSecondsPerDay = 86400;

// Days from 1 January 1970 for a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
}

const std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeap(unsigned y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(unsigned y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

} // namespace

INT VariantTimeToSystemTime(DATE vtime, LPSYSTEMTIME lpSystemTime) {
    if (!lpSystemTime || !std::isfinite(vtime) || vtime < kFirstDate || vtime >= kLastDate + 1.0)
        return FALSE;
    // Before the epoch the fraction counts forwards from the day the integer
    // part names: -1.25 is day -1 at 06:00.
    double day = std::trunc(vtime);
    double fraction = std::fabs(vtime - day);
    auto seconds = static_cast<std::int64_t>(std::llround(fraction * kSecondsPerDay));
    std::int64_t days = static_cast<std::int64_t>(day);
    if (seconds >= kSecondsPerDay) { // rounded up into the next calendar day, whatever the sign
        seconds -= kSecondsPerDay;
        ++days;
    }
    std::int64_t year;
    unsigned month, dayOfMonth;
    const std::int64_t absolute = kEpochDays + days;
    CivilFromDays(absolute, year, month, dayOfMonth);
    if (year < 100 || year > 9999)
        return FALSE;
    lpSystemTime->wYear = static_cast<WORD>(year);
    lpSystemTime->wMonth = static_cast<WORD>(month);
    lpSystemTime->wDay = static_cast<WORD>(dayOfMonth);
    // 1 January 1970 was a Thursday (4).
    lpSystemTime->wDayOfWeek = static_cast<WORD>(((absolute % 7) + 11) % 7);
    lpSystemTime->wHour = static_cast<WORD>(seconds / 3600);
    lpSystemTime->wMinute = static_cast<WORD>(seconds / 60 % 60);
    lpSystemTime->wSecond = static_cast<WORD>(seconds % 60);
    lpSystemTime->wMilliseconds = 0;
    return TRUE;
}

INT SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* pvtime) {
    if (!st || !pvtime)
        return FALSE;
    if (st->wYear < 100 || st->wYear > 9999 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
        st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 ||
        st->wSecond > 59)
        return FALSE;
    const std::int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) - kEpochDays;
    const double fraction =
        (st->wHour * 3600.0 + st->wMinute * 60.0 + st->wSecond) / kSecondsPerDay;
    *pvtime =
        days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return TRUE;
}
