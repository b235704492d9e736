// wvsprintfW: the conversions the system uses, and the buffer bound.
#include "platform/ce/wide_printf.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Format(std::size_t capacity, const char16_t* format, ...) {
    std::u16string buffer(capacity + 4, u'#'); // sentinels past the bound
    va_list args;
    va_start(args, format);
    const int written = wvsprintfW(buffer.data(), capacity, format, args);
    va_end(args);
    for (std::size_t i = capacity; i < buffer.size(); ++i)
        EXPECT_EQ(u'#', buffer[i]) << "written past the buffer at " << i;
    EXPECT_EQ(std::char_traits<char16_t>::length(buffer.c_str()),
              static_cast<std::size_t>(written));
    return buffer.substr(0, static_cast<std::size_t>(written));
}

TEST(WidePrintfTest, Conversions) {
    EXPECT_EQ(u"Setup: Read = 1, CEOID = 4294967295",
              Format(512, u"Setup: Read = %u, CEOID = %u", 1u, 0xFFFFFFFFu));
    EXPECT_EQ(u"Record with CEOID 65537 created!",
              Format(512, u"Record with CEOID %lu created!", 65537u));
    EXPECT_EQ(u"GetPacket: sCat Work\nHome\n", Format(512, u"GetPacket: sCat %s", u"Work\nHome\n"));
    EXPECT_EQ(u"(null)", Format(512, u"%s", static_cast<const char16_t*>(nullptr)));
    EXPECT_EQ(u"-42 42 ff FF x 100%",
              Format(512, u"%d %i %x %X %c 100%%", -42, 42, 255u, 255u, 'x'));
    EXPECT_EQ(u"[  7][7  ][007][-07]", Format(512, u"[%3u][%-3u][%03u][%03d]", 7u, 7u, 7u, -7));
    EXPECT_EQ(u"-2147483648", Format(512, u"%ld", static_cast<int>(0x80000000u)));
    EXPECT_EQ(u"odd q", Format(512, u"odd %q"));
    EXPECT_EQ(u"end", Format(512, u"end%"));
}

TEST(WidePrintfTest, LongOutputIsCutAtTheBufferAndTerminated) {
    const std::u16string longText(600, u'a');
    const std::u16string line = Format(512, u"GetPacket: sCat %s", longText.c_str());
    EXPECT_EQ(511u, line.size());
    EXPECT_EQ(u"GetPacket: sCat aaa", line.substr(0, 19));
    EXPECT_EQ(u"abc", Format(4, u"abcdef"));
    EXPECT_EQ(u"12", Format(3, u"%u", 12345u));
    EXPECT_EQ(u"", Format(1, u"abc"));
    char16_t untouched = u'#';
    EXPECT_EQ(0, wsprintfW(&untouched, 0, u"abc"));
    EXPECT_EQ(u'#', untouched);
}

} // namespace
