// The rules of a note's contents that the handheld, the desktop and the
// service manager share.
#include "shared/notes/note_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

using Names = std::vector<std::string>;
using WideNames = std::vector<std::u16string>;

std::string Narrow(std::u16string_view text) {
    return std::string(text.begin(), text.end()); // the cases are ASCII
}

std::u16string Wide(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

WideNames Wide(const Names& names) {
    WideNames wide;
    for (const auto& name : names)
        wide.push_back(Wide(name));
    return wide;
}

TEST(NoteTitle, FirstLineWithoutItsLastCharacter) {
    struct Case {
        std::u16string text, title;
    } cases[] = {
        {u"<New Note>", u"<New Note>"},
        {u"Shopping\r\nmilk", u"Shopping"},
        {u"\r\nbody", u""},
        {u"\nbody", u""},
        {u"x\nbody", u""},
        {u"abc\ndef", u"ab"}, // a bare line feed takes the line's last character
        {u"", u""},
        {u"a\r\nb\r\nc", u"a"},
        {u"no line feed\r", u"no line feed\r"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.title, NoteTitleOf(c.text)) << "text: " << Narrow(c.text);
}

TEST(CategoryList, NamesEndWithTheirTerminator) {
    struct Case {
        const char* text;
        char terminator;
        Names names;
    } cases[] = {
        {"", '\n', {}},
        {"Work\nHome\n", '\n', {"Work", "Home"}},
        {"Work\nHome", '\n', {"Work"}}, // text after the last terminator is no name
        {"Home", '\n', {}},
        {"\n", '\n', {""}},
        {"A\n\nB\n", '\n', {"A", "", "B"}},
        {"Work\tPrivate", '\t', {"Work"}}, // the display filter's form
        {"Work\t\tPrivate\t", '\t', {"Work", "", "Private"}},
        {"A\nB\t", '\t', {"A\nB"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.names, SplitCategories(c.text, c.terminator)) << '"' << c.text << '"';
        EXPECT_EQ(Wide(c.names), SplitCategories(Wide(c.text), char16_t(c.terminator)))
            << '"' << c.text << '"';
    }
    EXPECT_EQ(u"Work\nHome\n", JoinCategories(WideNames{u"Work", u"Home"}));
    EXPECT_EQ("A\tB\t", JoinCategories(Names{"A", "B"}, '\t'));
    EXPECT_EQ(u"", JoinCategories(WideNames{}));
    EXPECT_EQ((Names{"A", "", "B"}), SplitCategories(JoinCategories(Names{"A", "", "B"})));
}

TEST(OutlookCategoryText, SplitAtAnySeparatorAndTrimmed) {
    struct Case {
        const char* text;
        const char* separators;
        Names names;
    } cases[] = {
        {"", ",", {}},
        {"Work", ",", {"Work"}},
        {"Business, Personal", ",", {"Business", "Personal"}},
        {"A,,B", ",", {"A", "", "B"}},
        {"A, ", ",", {"A", ""}}, // a rest of white space alone is one empty name
        {"A,", ",", {"A"}},
        {" \tA \r\n,\vB\f ", ",", {"A", "B"}},
        {"A;B,C", ";,", {"A", "B", "C"}}, // any separator character cuts
        {"A,B", "", {"A", "B"}},          // no separator read: a comma
        {"Personal Stuff", ",", {"Personal Stuff"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.names, SplitCategoryText(c.text, c.separators)) << '"' << c.text << '"';
        EXPECT_EQ(Wide(c.names), SplitCategoryText(Wide(c.text), Wide(c.separators)))
            << '"' << c.text << '"';
    }
    EXPECT_EQ("", CategoryListFromText("", ","));
    EXPECT_EQ("A\nB\n", CategoryListFromText("A, B", ","));
    EXPECT_EQ(u"A\n\nB\n", CategoryListFromText(u"A,,B", u","));
}

TEST(OutlookCategoryText, JoinedWithTheFirstSeparatorAndASpace) {
    struct Case {
        const char* list;
        char separator;
        const char* text;
    } cases[] = {
        {"", ',', ""},           {"A\nB\n", ',', "A, B"},
        {"A\nB", ',', "A"}, // text after the last line feed is dropped
        {"A", ',', ""},          {"A\n\nB\n", ';', "A; ; B"},
        {"Work\n", ',', "Work"}, {"\n", ',', ""}, // one empty name is no text at all
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, CategoryTextFromList(c.list, c.separator)) << '"' << c.list << '"';
        EXPECT_EQ(Wide(c.text), CategoryTextFromList(Wide(c.list), char16_t(c.separator)))
            << '"' << c.list << '"';
    }
}

// GetLocaleInfoA as a test double: what it was asked, what it answers.
struct LocaleAnswer {
    const char* text; // copied into the buffer, NUL included, when it fits
    int result;       // what the call returns
    unsigned locale = 0, item = 0;
    int bufferSize = 0;
    int operator()(unsigned askedLocale, unsigned askedItem, char* buffer, int size) {
        locale = askedLocale;
        item = askedItem;
        bufferSize = size;
        std::memcpy(buffer, text, std::min<std::size_t>(std::strlen(text) + 1, size));
        return result;
    }
};

TEST(ListSeparator, WhatTheLocaleGaveOrAComma) {
    struct Case {
        const char* text;
        int result;
        std::string separator;
    } cases[] = {
        {";", 2, ";"},
        {";|", 3, ";|"},
        {"", 1, ","},  // an empty separator
        {";", 0, ","}, // the read failed, whatever the buffer holds
        {"123456789", 10, "123456789"},
        {"1234567890", 0, ","},           // does not fit: the platform fails the call
        {"1234567890", 10, "1234567890"}, // no NUL in the buffer: never read beyond it
    };
    for (const Case& c : cases) {
        LocaleAnswer answer{c.text, c.result};
        EXPECT_EQ(c.separator, UserListSeparator(std::ref(answer))) << c.text << " " << c.result;
        EXPECT_EQ(0x0400u, answer.locale); // LOCALE_USER_DEFAULT
        EXPECT_EQ(0x000Cu, answer.item);   // LOCALE_SLIST
        EXPECT_EQ(10, answer.bufferSize);
    }
}

} // namespace
