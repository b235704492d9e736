#include "platform/ui/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, Utf8RoundTripsEveryPlane) {
    const std::u16string samples[] = {u"", u"plain", u"caf\u00e9 \u00b4", u"\u20ac\u4e2d",
                                      u"\U0001F600 end"};
    for (const auto& sample : samples)
        EXPECT_EQ(sample, ui::FromUtf8(ui::ToUtf8(sample))) << ui::ToUtf8(sample);
}

TEST(Text, MalformedInputBecomesReplacementCharacters) {
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string expected;
    };
    const Case cases[] = {
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"truncated sequence at end", "ab\xE2\x82", u"ab\uFFFD\uFFFD"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ui::FromUtf8(c.utf8)) << c.name;
    EXPECT_EQ("\xEF\xBF\xBD", ui::ToUtf8(std::u16string(1, char16_t(0xD800))));
}

TEST(Text, FieldEscapesRoundTrip) {
    const std::u16string text = u"a\tb\r\nc\\d";
    EXPECT_EQ("a\\tb\\r\\nc\\\\d", ui::EscapeField(text));
    EXPECT_EQ(text, ui::UnescapeField(ui::EscapeField(text)));
    EXPECT_EQ(u"trailing\\", ui::UnescapeField("trailing\\"));
}

} // namespace
