#include "device/app/note_display.h"

#include "device/app/jotta_resources.h"
#include "platform/ce/date_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

FILETIME Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// Runs with a fixed process time zone and puts the old one back.
class TimeZone {
public:
    explicit TimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TimeZone() {
        if (m_old.empty())
            unsetenv("TZ");
        else
            setenv("TZ", m_old.c_str(), 1);
        tzset();
    }

private:
    std::string m_old;
};

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

} // namespace

TEST(NoteDisplay, StoredTimesShowInLocalTimeWithTheDefaultFormats) {
    TimeZone zone("EST5"); // five hours west of UTC, no daylight saving
    struct Case {
        FILETIME utc;
        const char16_t* separator;
        const char16_t* shown;
    } cases[] = {
        {Utc(2026, 12, 7, 12, 0, 5), u"    ", u"12/7/2026    7:00:05 AM"},
        {Utc(2026, 1, 1, 3, 4, 5), u"   ", u"12/31/2025   10:04:05 PM"},
        {Utc(2026, 6, 15, 17, 30, 0), u"    ", u"6/15/2026    12:30:00 PM"},
        {Utc(2026, 6, 16, 5, 9, 59), u"    ", u"6/16/2026    12:09:59 AM"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::u16string(c.shown), FormatNoteTime(c.utc, c.separator)) << Narrow(c.shown);
}

TEST(NoteDisplay, TheZeroTimeShowsAsTheLocalTimeItConvertsTo) {
    TimeZone zone("UTC0");
    EXPECT_EQ(u"1/1/1601    12:00:00 AM", FormatNoteTime(FILETIME{}, u"    "));
}

TEST(DateFormat, PicturesBufferRulesAndRefusals) {
    SYSTEMTIME st{};
    st.wYear = 2026;
    st.wMonth = 3;
    st.wDay = 4;
    st.wHour = 15;
    st.wMinute = 6;
    st.wSecond = 7;
    WCHAR buffer[64];
    struct Case {
        bool date;
        const char16_t* picture;
        const char16_t* shown;
    } cases[] = {
        {true, u"dd.MM.yy", u"04.03.26"},
        {true, u"dddd, MMMM d, yyyy", u"Wednesday, March 4, 2026"},
        {true, u"ddd MMM", u"Wed Mar"},
        {true, u"'day' d''", u"day 4'"},
        {false, u"HH:mm", u"15:06"},
        {false, u"hh 't' tt t", u"03 t PM P"},
    };
    for (const auto& c : cases) {
        const int n = c.date ? GetDateFormatW(0x0800, 0, &st, c.picture, buffer, 64)
                             : GetTimeFormatW(0x0800, 0, &st, c.picture, buffer, 64);
        EXPECT_EQ(std::u16string(c.shown), std::u16string(buffer)) << Narrow(c.picture);
        EXPECT_EQ(static_cast<int>(std::char_traits<char16_t>::length(c.shown)) + 1, n);
    }
    // Size query, a buffer one too small (left untouched), flags and bad dates.
    EXPECT_EQ(9, GetDateFormatW(0x0800, 0, &st, nullptr, nullptr, 0)); // "3/4/2026"
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    SetLastError(0);
    EXPECT_EQ(0, GetDateFormatW(0x0800, 0, &st, nullptr, buffer, 8));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(u'#', buffer[0]);
    EXPECT_EQ(0, GetTimeFormatW(0x0800, 1, &st, nullptr, buffer, 64));
    EXPECT_EQ(1004u, GetLastError());
    st.wMonth = 13;
    EXPECT_EQ(0, GetDateFormatW(0x0800, 0, &st, nullptr, buffer, 64));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    st.wMonth = 3;
    st.wHour = 24;
    EXPECT_EQ(0, GetTimeFormatW(0x0800, 0, &st, nullptr, buffer, 64));
}

TEST(NoteDisplay, ColourNamesAndTints) {
    LoadJottaResources();
    struct Case {
        DWORD color;
        const char16_t* name;
        COLORREF tint;
    } cases[] = {
        {0, u"blue", 0x00FF9F9F},
        {1, u"green", 0x009FFF9F},
        {2, u"red", 0x009F9FFF},
        {3, u"yellow", 0x009FFFFF},
        {4, u"white", 0x00FFFFFF},
        {5, u"unknown", 0x00FFFFFF},
        {0xFFFFFFFF, u"unknown", 0x00FFFFFF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::u16string(c.name), ColorName(c.color)) << c.color;
        EXPECT_EQ(c.tint, NoteTint(c.color)) << c.color;
    }
}

TEST(NoteDisplay, CategoriesOnePerLine) {
    EXPECT_EQ(u"Work\r\nHome", CategoryLines(u"Work\nHome\n"));
    EXPECT_EQ(u"Work", CategoryLines(u"Work\nHome")); // text after the last LF is no category
    EXPECT_EQ(u"", CategoryLines(u""));
}
