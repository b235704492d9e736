// System time, FILETIME/SYSTEMTIME conversions and the time-pinning test hook.
//
// The pin is process-wide: every module of the process reads "now" from this
// one library.
#include "platform/base/kernel.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr std::uint64_t kTicksPerSecond = 10000000ull;
constexpr std::uint64_t kTicksPerDay = 86400ull * kTicksPerSecond;

std::uint64_t ToTicks(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Days since 1601-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm,
// shifted from the Unix epoch).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468 + 134774;
}

void CivilFromDays(std::int64_t days, std::int64_t* y, unsigned* m, unsigned* d) {
    std::int64_t z = days - 134774 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

// No FILETIME has its top bit set, so this value never pins a time.
constexpr std::uint64_t kNotPinned = ~0ull;

// $JOTTERWICK_PINNED_TIME (a decimal FILETIME) as the process starts, so a
// test can pin the clock of a program it runs; anything else leaves it running.
// Only a build with JOTTERWICK_TEST_HOOKS reads it: a shipped program keeps
// the real clock whatever its environment says.
std::uint64_t PinFromEnvironment() {
#ifndef JOTTERWICK_TEST_HOOKS
    return kNotPinned;
#else
    const char* pinned = std::getenv("JOTTERWICK_PINNED_TIME");
    if (pinned == nullptr)
        return kNotPinned;
    std::uint64_t ticks = 0;
    const char* end = pinned + std::strlen(pinned);
    auto [ptr, ec] = std::from_chars(pinned, end, ticks);
    return ec == std::errc() && ptr == end && ptr != pinned && (ticks >> 63) == 0 ? ticks
                                                                                  : kNotPinned;
#endif
}

std::atomic<std::uint64_t>& Pin() {
    static std::atomic<std::uint64_t> pin{PinFromEnvironment()};
    return pin;
}

std::uint64_t NowTicks() {
    if (const std::uint64_t pinned = Pin().load(std::memory_order_relaxed); pinned != kNotPinned)
        return pinned;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochAsFileTime + static_cast<std::uint64_t>(ts.tv_sec) * kTicksPerSecond +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100;
}

// Offset of local time from UTC, in ticks, at the UTC instant `ticks`.
std::int64_t LocalOffsetTicks(std::uint64_t ticks) {
    std::int64_t seconds =
        (static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(kUnixEpochAsFileTime)) /
        static_cast<std::int64_t>(kTicksPerSecond);
    time_t t = static_cast<time_t>(seconds);
    tm local{};
    if (!localtime_r(&t, &local))
        return 0;
    return static_cast<std::int64_t>(local.tm_gmtoff) * static_cast<std::int64_t>(kTicksPerSecond);
}

} // namespace

void platform::PinSystemTime(std::optional<FILETIME> now) {
    Pin().store(now ? ToTicks(*now) : kNotPinned, std::memory_order_relaxed);
}

void GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    FILETIME ft = FromTicks(NowTicks());
    FileTimeToSystemTime(&ft, lpSystemTime);
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    FILETIME utc = FromTicks(NowTicks());
    FILETIME local{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, lpSystemTime);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME lpFileTime) {
    static constexpr unsigned kDaysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (!st || !lpFileTime || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 ||
        st->wMonth > 12 || st->wDay < 1 || st->wDay > kDaysIn[st->wMonth - 1] || st->wHour > 23 ||
        st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool leap = (st->wYear % 4 == 0 && st->wYear % 100 != 0) || st->wYear % 400 == 0;
    if (st->wMonth == 2 && st->wDay == 29 && !leap) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay);
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(days) * kTicksPerDay +
        (static_cast<std::uint64_t>(st->wHour) * 3600 + st->wMinute * 60u + st->wSecond) *
            kTicksPerSecond +
        static_cast<std::uint64_t>(st->wMilliseconds) * 10000;
    *lpFileTime = FromTicks(ticks);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME st) {
    if (!lpFileTime || !st) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::uint64_t ticks = ToTicks(*lpFileTime);
    // Windows refuses values with the top bit set.
    if (ticks >> 63) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t days = static_cast<std::int64_t>(ticks / kTicksPerDay);
    const std::uint64_t rest = ticks % kTicksPerDay;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    st->wYear = static_cast<WORD>(year);
    st->wMonth = static_cast<WORD>(month);
    st->wDay = static_cast<WORD>(day);
    // 1601-01-01 was a Monday.
    st->wDayOfWeek = static_cast<WORD>((days + 1) % 7);
    const std::uint64_t seconds = rest / kTicksPerSecond;
    st->wHour = static_cast<WORD>(seconds / 3600);
    st->wMinute = static_cast<WORD>(seconds / 60 % 60);
    st->wSecond = static_cast<WORD>(seconds % 60);
    st->wMilliseconds = static_cast<WORD>(rest % kTicksPerSecond / 10000);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    if (!lpFileTime || !lpLocalFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::uint64_t ticks = ToTicks(*lpFileTime);
    *lpLocalFileTime = FromTicks(ticks + static_cast<std::uint64_t>(LocalOffsetTicks(ticks)));
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
    if (!lpLocalFileTime || !lpFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The offset at the local instant read as UTC is right except within the
    // hour of a daylight-saving change, where Windows guesses too.
    const std::uint64_t local = ToTicks(*lpLocalFileTime);
    *lpFileTime = FromTicks(local - static_cast<std::uint64_t>(LocalOffsetTicks(local)));
    return TRUE;
}

LONG CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2) {
    const std::uint64_t a = ToTicks(*lpFileTime1), b = ToTicks(*lpFileTime2);
    return a < b ? -1 : a > b ? 1 : 0;
}

DWORD GetTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<DWORD>(static_cast<std::uint64_t>(ts.tv_sec) * 1000 +
                              static_cast<std::uint64_t>(ts.tv_nsec) / 1000000);
}
