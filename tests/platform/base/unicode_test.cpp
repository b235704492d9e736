#include "platform/base/unicode.h"

#include <gtest/gtest.h>

#include <string>

using unicode::ToUtf16;
using unicode::ToUtf8;

TEST(ToUtf8, EncodesEachLengthOfCharacter) {
    EXPECT_EQ("", ToUtf8(u""));
    EXPECT_EQ("AB-09", ToUtf8(u"AB-09"));
    EXPECT_EQ("\xc3\xa9", ToUtf8(u"\u00e9"));
    EXPECT_EQ("\xdf\xbf", ToUtf8(u"\u07ff"));
    EXPECT_EQ("\xe0\xa0\x80", ToUtf8(u"\u0800"));
    EXPECT_EQ("\xe2\x82\xac 12", ToUtf8(u"\u20ac 12"));
    EXPECT_EQ("\xef\xbf\xbf", ToUtf8(u"\uffff"));
    // A surrogate pair is one character of four bytes.
    EXPECT_EQ("\xf0\x9f\x98\x80", ToUtf8(u"\U0001F600"));
    EXPECT_EQ("\xf4\x8f\xbf\xbf", ToUtf8(u"\U0010FFFF"));
    EXPECT_EQ("a\xf0\x9f\x98\x80z", ToUtf8(u"a\U0001F600z"));
}

TEST(ToUtf8, LoneSurrogatesBecomeReplacementCharacters) {
    const std::string replacement = "\xef\xbf\xbd";
    EXPECT_EQ(replacement, ToUtf8(std::u16string(1, char16_t(0xD800))));
    EXPECT_EQ(replacement, ToUtf8(std::u16string(1, char16_t(0xDC00))));
    // A high surrogate at the end, or before anything but a low one.
    EXPECT_EQ("a" + replacement, ToUtf8(u"a" + std::u16string(1, char16_t(0xDBFF))));
    EXPECT_EQ(replacement + "b", ToUtf8(std::u16string{char16_t(0xD83D), u'b'}));
    // Two high surrogates, then a pair.
    EXPECT_EQ(replacement + "\xf0\x9f\x98\x80",
              ToUtf8(std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}));
    // Low before high: two replacements.
    EXPECT_EQ(replacement + replacement,
              ToUtf8(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}));
}

TEST(ToUtf8, TheLongestOutputFitsAndRoundTrips) {
    // Three bytes for each unit: the most any text takes.
    const std::u16string wide(1000, u'\u20ac');
    const std::string narrow = ToUtf8(wide);
    EXPECT_EQ(3000u, narrow.size());
    EXPECT_EQ(wide, ToUtf16(narrow));
    std::u16string mixed;
    for (int i = 0; i < 300; ++i)
        mixed += u"x\u00e9\u4e2d\U0001F600";
    EXPECT_EQ(mixed, ToUtf16(ToUtf8(mixed)));
}
