#include "platform/ce/date_format.h"

#include "platform/base/kernel.h"

#include <cstring>
#include <string>

namespace {

constexpr DWORD kErrorInvalidFlags = 1004;

const char16_t* const kMonths[] = {u"January",   u"February", u"March",    u"April",
                                   u"May",       u"June",     u"July",     u"August",
                                   u"September", u"October",  u"November", u"December"};
const char16_t* const kDays[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                 u"Thursday", u"Friday", u"Saturday"};

std::u16string Number(unsigned value, std::size_t digits) {
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    while (text.size() < digits)
        text.insert(text.begin(), u'0');
    return text;
}

// The picture letter at `at`, its run length and the field it gives; quoted
// text is copied without its quotes ('' is one quote).
template <typename Field> std::u16string Expand(std::u16string_view picture, Field field) {
    std::u16string out;
    for (std::size_t at = 0; at < picture.size();) {
        const char16_t c = picture[at];
        if (c == u'\'' && at + 1 < picture.size() && picture[at + 1] == u'\'') {
            out += u'\''; // two quotes outside quoted text: one quote
            at += 2;
            continue;
        }
        if (c == u'\'') {
            std::size_t end = at + 1;
            while (end < picture.size()) {
                if (picture[end] == u'\'' && end + 1 < picture.size() &&
                    picture[end + 1] == u'\'') {
                    out += u'\'';
                    end += 2;
                    continue;
                }
                if (picture[end] == u'\'')
                    break;
                out += picture[end++];
            }
            at = end + 1;
            continue;
        }
        std::size_t run = 1;
        while (at + run < picture.size() && picture[at + run] == c)
            ++run;
        if (!field(c, run, out))
            out.append(run, c);
        at += run;
    }
    return out;
}

bool ValidDate(const SYSTEMTIME& st) {
    return st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 && st.wDay <= 31 && st.wDayOfWeek <= 6;
}
bool ValidTime(const SYSTEMTIME& st) {
    return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60;
}

// Day of the week from the date itself (the caller's wDayOfWeek may be stale).
WORD DayOfWeek(const SYSTEMTIME& st) {
    SYSTEMTIME copy = st;
    FILETIME ft{};
    if (!SystemTimeToFileTime(&copy, &ft) || !FileTimeToSystemTime(&ft, &copy))
        return st.wDayOfWeek;
    return copy.wDayOfWeek;
}

int Deliver(const std::u16string& text, LPWSTR buffer, int cch) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (cch == 0)
        return needed;
    if (buffer == nullptr || cch < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cch < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), sizeof(char16_t) * static_cast<std::size_t>(needed));
    return needed;
}

SYSTEMTIME Given(const SYSTEMTIME* st) {
    SYSTEMTIME now{};
    if (st)
        return *st;
    GetLocalTime(&now);
    return now;
}

} // namespace

int GetDateFormatW(LCID, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCWSTR lpFormat,
                   LPWSTR lpDateStr, int cchDate) {
    if (dwFlags != 0) {
        SetLastError(kErrorInvalidFlags);
        return 0;
    }
    SYSTEMTIME st = Given(lpDate);
    st.wDayOfWeek = DayOfWeek(st);
    if (!ValidDate(st)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string text =
        Expand(lpFormat ? lpFormat : u"M/d/yyyy", [&](char16_t c, std::size_t run, auto& out) {
            switch (c) {
            case u'd':
                out += run <= 2   ? Number(st.wDay, run)
                       : run == 3 ? std::u16string(kDays[st.wDayOfWeek]).substr(0, 3)
                                  : std::u16string(kDays[st.wDayOfWeek]);
                return true;
            case u'M':
                out += run <= 2   ? Number(st.wMonth, run)
                       : run == 3 ? std::u16string(kMonths[st.wMonth - 1]).substr(0, 3)
                                  : std::u16string(kMonths[st.wMonth - 1]);
                return true;
            case u'y':
                out += run <= 2 ? Number(st.wYear % 100, run) : Number(st.wYear, 4);
                return true;
            default:
                return false;
            }
        });
    return Deliver(text, lpDateStr, cchDate);
}

int GetTimeFormatW(LCID, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCWSTR lpFormat,
                   LPWSTR lpTimeStr, int cchTime) {
    if (dwFlags != 0) {
        SetLastError(kErrorInvalidFlags);
        return 0;
    }
    const SYSTEMTIME st = Given(lpTime);
    if (!ValidTime(st)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const unsigned hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
    const std::u16string text =
        Expand(lpFormat ? lpFormat : u"h:mm:ss tt", [&](char16_t c, std::size_t run, auto& out) {
            switch (c) {
            case u'h':
                out += Number(hour12, run >= 2 ? 2 : 1);
                return true;
            case u'H':
                out += Number(st.wHour, run >= 2 ? 2 : 1);
                return true;
            case u'm':
                out += Number(st.wMinute, run >= 2 ? 2 : 1);
                return true;
            case u's':
                out += Number(st.wSecond, run >= 2 ? 2 : 1);
                return true;
            case u't':
                out += std::u16string(st.wHour < 12 ? u"AM" : u"PM").substr(0, run >= 2 ? 2 : 1);
                return true;
            default:
                return false;
            }
        });
    return Deliver(text, lpTimeStr, cchTime);
}
