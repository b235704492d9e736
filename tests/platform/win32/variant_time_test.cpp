// Automation dates to SYSTEMTIME and back, with the platform's rounding.
#include "platform/win32/variant_time.h"

#include <gtest/gtest.h>

namespace {

struct DateCase {
    const char* name;
    DATE date;
    int year, month, day, hour, minute, second, dayOfWeek;
};

TEST(VariantTime, DatesBecomeSystemTimesRoundedToTheNearestSecond) {
    const DateCase cases[] = {
        {"day zero", 0.0, 1899, 12, 30, 0, 0, 0, 6},
        {"noon of day one", 1.5, 1899, 12, 31, 12, 0, 0, 0},
        {"millennium", 36526.0, 2000, 1, 1, 0, 0, 0, 6},
        {"leap day", 36585.25, 2000, 2, 29, 6, 0, 0, 2},
        {"before the epoch the fraction runs forwards", -1.25, 1899, 12, 29, 6, 0, 0, 5},
        {"negative fraction of day zero", -0.5, 1899, 12, 30, 12, 0, 0, 6},
        {"0.4 s rounds down", 36526.0 + 0.4 / 86400, 2000, 1, 1, 0, 0, 0, 6},
        {"0.6 s rounds up", 36526.0 + 0.6 / 86400, 2000, 1, 1, 0, 0, 1, 6},
        {"half a second rounds up", 36526.0 + 1.5 / 86400, 2000, 1, 1, 0, 0, 2, 6},
        {"rounds into the next day", 36526.0 - 0.2 / 86400, 2000, 1, 1, 0, 0, 0, 6},
        {"rounds into the next year", 36525.0 + 86399.7 / 86400, 2000, 1, 1, 0, 0, 0, 6},
        {"first valid day", -657434.0, 100, 1, 1, 0, 0, 0, 5},
        {"last valid second", 2958465.0 + 86399.0 / 86400, 9999, 12, 31, 23, 59, 59, 5},
        {"afternoon", 45000.0 + (13 * 3600 + 2 * 60 + 3) / 86400.0, 2023, 3, 15, 13, 2, 3, 3},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.name);
        SYSTEMTIME st{};
        st.wMilliseconds = 999;
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &st));
        EXPECT_EQ(c.year, st.wYear);
        EXPECT_EQ(c.month, st.wMonth);
        EXPECT_EQ(c.day, st.wDay);
        EXPECT_EQ(c.hour, st.wHour);
        EXPECT_EQ(c.minute, st.wMinute);
        EXPECT_EQ(c.second, st.wSecond);
        EXPECT_EQ(0, st.wMilliseconds);
        EXPECT_EQ(c.dayOfWeek, st.wDayOfWeek);
    }
}

TEST(VariantTime, DatesOutOfRangeFailAndLeaveTheTimeAlone) {
    for (DATE date : {-657435.0, 2958466.0, 1e300, -1e300}) {
        SCOPED_TRACE(date);
        SYSTEMTIME st{};
        st.wYear = 1234;
        EXPECT_FALSE(VariantTimeToSystemTime(date, &st));
        EXPECT_EQ(1234, st.wYear);
    }
}

TEST(VariantTime, SystemTimesBecomeDatesIgnoringMilliseconds) {
    struct Case {
        const char* name;
        SYSTEMTIME st;
        DATE expected;
    } cases[] = {
        {"epoch", {1899, 12, 0, 30, 0, 0, 0, 0}, 0.0},
        {"milliseconds ignored", {2000, 1, 0, 1, 0, 0, 0, 999}, 36526.0},
        {"before the epoch", {1899, 12, 0, 29, 6, 0, 0, 0}, -1.25},
        {"six in the evening", {2000, 2, 0, 29, 18, 0, 0, 0}, 36585.75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DATE date = -99;
        ASSERT_TRUE(SystemTimeToVariantTime(&c.st, &date));
        EXPECT_DOUBLE_EQ(c.expected, date);
    }
    const SYSTEMTIME invalid[] = {
        {2001, 2, 0, 29, 0, 0, 0, 0}, {2000, 13, 0, 1, 0, 0, 0, 0}, {2000, 1, 0, 1, 24, 0, 0, 0},
        {2000, 1, 0, 1, 0, 60, 0, 0}, {99, 1, 0, 1, 0, 0, 0, 0},
    };
    for (const SYSTEMTIME& st : invalid) {
        DATE date = 7;
        EXPECT_FALSE(SystemTimeToVariantTime(&st, &date));
        EXPECT_EQ(7, date);
    }
}

TEST(VariantTime, RoundTripsEverySecondOfADay) {
    for (int second = 0; second < 86400; second += 7) {
        SYSTEMTIME st{2024,
                      2,
                      0,
                      29,
                      static_cast<WORD>(second / 3600),
                      static_cast<WORD>(second / 60 % 60),
                      static_cast<WORD>(second % 60),
                      0};
        DATE date;
        ASSERT_TRUE(SystemTimeToVariantTime(&st, &date));
        SYSTEMTIME back{};
        ASSERT_TRUE(VariantTimeToSystemTime(date, &back));
        ASSERT_EQ(st.wHour, back.wHour) << second;
        ASSERT_EQ(st.wMinute, back.wMinute) << second;
        ASSERT_EQ(st.wSecond, back.wSecond) << second;
        ASSERT_EQ(29, back.wDay) << second;
    }
}

} // namespace
