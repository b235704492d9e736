// Code pages 1252 and 932: round trips, Windows' replacement rules, and the
// result counts and buffer rules of both conversion functions.
#include "platform/win32/codepage.h"

#include "platform/win32/registry.h"
#include "support/machine.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

std::u16string ToWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
    const int n =
        MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    EXPECT_EQ(n, MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()),
                                     out.data(), n));
    return out;
}

std::string ToBytes(UINT cp, const std::u16string& text, BOOL* usedDefault = nullptr) {
    const int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    EXPECT_EQ(n, WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                     n, nullptr, usedDefault));
    return out;
}

void SetAnsiCodePage(const char* page) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                             "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>(page),
                             static_cast<DWORD>(std::strlen(page) + 1)));
    RegCloseKey(key);
}

class CodePages : public ::testing::Test {
protected:
    testsupport::TempMachines machines;
};

struct Mapping {
    const char* name;
    UINT codePage;
    std::string bytes;
    std::u16string text;
};

TEST_F(CodePages, MapBothWaysAsWindowsDoes) {
    const Mapping cases[] = {
        {"ascii", 1252, "Note 1", u"Note 1"},
        {"euro and quotes", 1252, "\x80\x93x\x94", u"\u20AC\u201Cx\u201D"},
        {"latin letters", 1252, "\xE9\xFC\xDF", u"\u00E9\u00FC\u00DF"},
        {"unassigned bytes are C1 controls", 1252, "\x81\x8D\x8F\x90\x9D",
         u"\u0081\u008D\u008F\u0090\u009D"},
        {"hiragana", 932, "\x82\xA0\x82\xA2", u"\u3042\u3044"},
        {"kanji", 932, "\x8A\xBF\x8E\x9A", u"\u6F22\u5B57"},
        {"half-width katakana", 932, "\xB1\xB2", u"\uFF71\uFF72"},
        {"ascii in 932", 932, "A-z 09", u"A-z 09"},
        {"mixed", 932, "Memo \x83\x81\x83\x82", u"Memo \u30E1\u30E2"},
    };
    for (const Mapping& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, ToWide(c.codePage, c.bytes));
        BOOL usedDefault = TRUE;
        EXPECT_EQ(c.bytes, ToBytes(c.codePage, c.text, &usedDefault));
        EXPECT_FALSE(usedDefault);
    }
}

TEST_F(CodePages, UnmappableCharactersBecomeTheDefaultCharacter) {
    struct Case {
        const char* name;
        UINT codePage;
        std::u16string text;
        std::string bytes;
    } cases[] = {
        {"kana in 1252", 1252, u"a\u3042b", "a?b"},
        {"surrogate pair is one character", 1252, u"x\U0001F600y", "x?y"},
        {"lone surrogate", 1252, u"x\xD800y", "x?y"},
        {"latin letter missing from 932", 932, u"\u00E9t\u00E9", "?t?"},
        {"kanji next to a missing one", 932, u"\u6F22\u0101", "\x8A\xBF?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BOOL usedDefault = FALSE;
        EXPECT_EQ(c.bytes, ToBytes(c.codePage, c.text, &usedDefault));
        EXPECT_TRUE(usedDefault);
    }
    // A default character of the caller's choice.
    char out[4] = {};
    BOOL used = FALSE;
    EXPECT_EQ(3, WideCharToMultiByte(1252, 0, u"a\u3042b", 3, out, 3, "*", &used));
    EXPECT_EQ(std::string("a*b"), std::string(out, 3));
    EXPECT_TRUE(used);
}

TEST_F(CodePages, InvalidDoubleByteInputBecomesTheCodePagesDefaultCharacter) {
    // 932's default Unicode character is U+30FB.
    EXPECT_EQ(u"a\u30FB", ToWide(932, "a\x82"));     // lead byte at the end
    EXPECT_EQ(u"\u30FB ", ToWide(932, "\x82 "));     // lead byte before a non-trail byte
    EXPECT_EQ(u"\u30FBz", ToWide(932, "\x82\x41z")); // an unassigned pair is one character
    // MB_ERR_INVALID_CHARS refuses instead.
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "a\x82", 2, nullptr, 0));
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
}

TEST_F(CodePages, CountsIncludeTheTerminatorOnlyWhenTheLengthIsMinusOne) {
    const char* kana = "\x82\xA0\x82\xA2\x82\xA4"; // three double-byte characters
    EXPECT_EQ(4, MultiByteToWideChar(932, 0, kana, -1, nullptr, 0));
    EXPECT_EQ(3, MultiByteToWideChar(932, 0, kana, 6, nullptr, 0));
    EXPECT_EQ(7,
              WideCharToMultiByte(932, 0, u"\u3042\u3044\u3046", -1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(6,
              WideCharToMultiByte(932, 0, u"\u3042\u3044\u3046", 3, nullptr, 0, nullptr, nullptr));
    char16_t wide[8];
    ASSERT_EQ(4, MultiByteToWideChar(932, 0, kana, -1, wide, 8));
    EXPECT_EQ(u'\0', wide[3]);
}

TEST_F(CodePages, ASmallBufferGivesZeroAndInsufficientBuffer) {
    char16_t wide[3];
    std::fill(std::begin(wide), std::end(wide), u'#');
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(1252, 0, "abcd", 4, wide, 3));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    for (char16_t c : wide)
        EXPECT_EQ(u'#', c);
    // Nothing goes out, so never half of a double-byte character.
    char bytes[8];
    std::memset(bytes, '#', sizeof bytes);
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(932, 0, u"\u3042\u3044", 2, bytes, 3, nullptr, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ('#', bytes[0]);
    EXPECT_EQ(2, WideCharToMultiByte(932, 0, u"\u3042", 1, bytes, 2, nullptr, nullptr));
    EXPECT_EQ('#', bytes[2]);
}

TEST_F(CodePages, Utf8IsTheSameInAnyRoomThatHoldsIt) {
    // Three units take up to nine bytes: written in place in room for the
    // most, and through a copy in room for just what they take.
    const std::u16string text = u"\u20AC\U0001F600x\xD800";
    const std::string expected = "\xE2\x82\xAC\xF0\x9F\x98\x80x\xEF\xBF\xBD";
    const int units = static_cast<int>(text.size());
    for (int room : {3 * units, static_cast<int>(expected.size())}) {
        SCOPED_TRACE(room);
        std::string out(static_cast<std::size_t>(room) + 1, '#');
        EXPECT_EQ(static_cast<int>(expected.size()),
                  WideCharToMultiByte(CP_UTF8, 0, text.data(), units, out.data(), room, nullptr,
                                      nullptr));
        EXPECT_EQ(expected, out.substr(0, expected.size()));
        EXPECT_EQ('#', out[static_cast<std::size_t>(room)]);
    }
    // With -1 the terminator is written and counted.
    char ascii[16];
    EXPECT_EQ(3, WideCharToMultiByte(CP_UTF8, 0, u"ab", -1, ascii, sizeof ascii, nullptr, nullptr));
    EXPECT_STREQ("ab", ascii);
    // One byte short of what it takes: nothing.
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, text.data(), units, ascii,
                                     static_cast<int>(expected.size()) - 1, nullptr, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

TEST_F(CodePages, BadArgumentsFailWithTheirErrors) {
    char16_t wide[4];
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(1252, 0, nullptr, 3, wide, 4));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(437, 0, "a", 1, wide, 4));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(1252, 0x1000, "a", 1, wide, 4));
    EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(1252, 0, "a", 0, wide, 4));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(CodePages, TheAnsiCodePageComesFromTheDesktopRegistry) {
    // A new desktop carries every character, outside the BMP too.
    EXPECT_EQ(65001u, GetACP());
    EXPECT_EQ(u"\u00E9\u6771\U0001F375", ToWide(CP_ACP, "\xC3\xA9\xE6\x9D\xB1\xF0\x9F\x8D\xB5"));
    EXPECT_EQ("\xC3\xA9\xF0\x9F\x8D\xB5", win32::WideToAnsi(u"\u00E9\U0001F375"));
    SetAnsiCodePage("1252");
    EXPECT_EQ(1252u, GetACP());
    EXPECT_EQ(u"\u00E9", ToWide(CP_ACP, "\xE9"));
    SetAnsiCodePage("932");
    EXPECT_EQ(932u, GetACP());
    EXPECT_EQ(u"\u3042", ToWide(CP_ACP, "\x82\xA0"));
    EXPECT_EQ("\x82\xA0", win32::WideToAnsi(u"\u3042"));
    // A page the desktop does not have falls back to 1252.
    SetAnsiCodePage("1253");
    EXPECT_EQ(1252u, GetACP());
}

} // namespace
