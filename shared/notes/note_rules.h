// The rules of a note's contents, one home for every part of the system: the
// handheld's record and the notes program, both providers and the service
// manager. A note's title, its category list, the desktop's Categories text
// and the list separator's reading are written here once, so that what one
// side derives from a note is what every other side derives from it.
//
// Header only, and depending on nothing but the standard library: the
// handheld provider and the desktop provider each take the rules in without
// linking the other's code or platform.
//
// The category rules work on the handheld's UTF-16 texts and on the desktop's
// ANSI texts alike; both forms follow one template.
#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// The title of a note: the text up to its first line feed, without the
// character just before it (the CR of a CR LF pair; with a bare line feed,
// the line's last character); the whole text when it has no line feed. No
// length limit.
inline std::u16string NoteTitleOf(std::u16string_view text) {
    const auto lf = text.find(u'\n');
    if (lf == std::u16string_view::npos)
        return std::u16string(text);
    return lf <= 1 ? std::u16string() : std::u16string(text.substr(0, lf - 1));
}

namespace notes::detail {

template <typename Char>
std::vector<std::basic_string<Char>> SplitTerminated(std::basic_string_view<Char> text,
                                                     Char terminator) {
    std::vector<std::basic_string<Char>> names;
    for (auto end = text.find(terminator); end != text.npos; end = text.find(terminator)) {
        names.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return names;
}

template <typename Char>
std::basic_string<Char> JoinTerminated(const std::vector<std::basic_string<Char>>& names,
                                       Char terminator) {
    std::basic_string<Char> text;
    for (const auto& name : names) {
        text += name;
        text += terminator;
    }
    return text;
}

// White space as the desktop trims it from a category name.
template <typename Char> std::basic_string_view<Char> Trimmed(std::basic_string_view<Char> text) {
    auto isSpace = [](Char c) {
        return c == Char(' ') || c == Char('\t') || c == Char('\r') || c == Char('\n') ||
               c == Char('\v') || c == Char('\f');
    };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

template <typename Char>
std::vector<std::basic_string<Char>> SplitCategoryText(std::basic_string_view<Char> text,
                                                       std::basic_string_view<Char> separators) {
    static constexpr Char kComma[] = {Char(','), Char(0)};
    if (separators.empty())
        separators = kComma;
    std::vector<std::basic_string<Char>> names;
    for (auto end = text.find_first_of(separators); end != text.npos;
         end = text.find_first_of(separators)) {
        names.emplace_back(Trimmed(text.substr(0, end)));
        text.remove_prefix(end + 1);
    }
    // The test comes before the trimming: a rest of white space alone is one
    // empty name.
    if (!text.empty())
        names.emplace_back(Trimmed(text));
    return names;
}

template <typename Char>
std::basic_string<Char> CategoryTextFromList(std::basic_string_view<Char> list, Char separator) {
    std::basic_string<Char> text;
    for (const auto& name : SplitTerminated(list, Char('\n'))) {
        text += name;
        text += separator;
        text += Char(' ');
    }
    if (text.size() >= 2)
        text.resize(text.size() - 2);
    return text;
}

} // namespace notes::detail

// Category lists. On the handheld's record, in both packets and in
// "FilterSync" every name is followed by one line feed; the display filter
// settings "FilterCat" (handheld and desktop) end every name with a TAB
// instead. A reader cuts the text at each terminator from the left; text
// after the last one is no name. Names compare exactly and case-sensitively.
inline std::vector<std::u16string> SplitCategories(std::u16string_view text,
                                                   char16_t terminator = u'\n') {
    return notes::detail::SplitTerminated(text, terminator);
}
inline std::vector<std::string> SplitCategories(std::string_view text, char terminator = '\n') {
    return notes::detail::SplitTerminated(text, terminator);
}
inline std::u16string JoinCategories(const std::vector<std::u16string>& names,
                                     char16_t terminator = u'\n') {
    return notes::detail::JoinTerminated(names, terminator);
}
inline std::string JoinCategories(const std::vector<std::string>& names, char terminator = '\n') {
    return notes::detail::JoinTerminated(names, terminator);
}

// Outlook's Categories text: the names with the user's list separator between
// them. Read: cut at every character of `separators` (an empty one counts as
// ","), each piece and the rest after the last cut trimmed of white space at
// both ends; a rest of white space alone is one empty name, an empty rest no
// name.
inline std::vector<std::string> SplitCategoryText(std::string_view text,
                                                  std::string_view separators) {
    return notes::detail::SplitCategoryText(text, separators);
}
inline std::vector<std::u16string> SplitCategoryText(std::u16string_view text,
                                                     std::u16string_view separators) {
    return notes::detail::SplitCategoryText(text, separators);
}

// The packets' category list for Outlook's Categories text.
inline std::string CategoryListFromText(std::string_view text, std::string_view separators) {
    return JoinCategories(SplitCategoryText(text, separators));
}
inline std::u16string CategoryListFromText(std::u16string_view text,
                                           std::u16string_view separators) {
    return JoinCategories(SplitCategoryText(text, separators));
}

// Outlook's Categories text for a packet's category list: the names that a
// line feed ends, each but the last followed by `separator` and one space;
// text after the last line feed is dropped.
inline std::string CategoryTextFromList(std::string_view list, char separator) {
    return notes::detail::CategoryTextFromList(list, separator);
}
inline std::u16string CategoryTextFromList(std::u16string_view list, char16_t separator) {
    return notes::detail::CategoryTextFromList(list, separator);
}

// The user's list separator, read afresh at every use: `getLocaleInfo` is
// GetLocaleInfoA, asked for LOCALE_SLIST of LOCALE_USER_DEFAULT into a buffer
// of 10 characters (passed in, so that these rules know no platform). All of
// the separator's characters cut when Categories are read, the first one
// joins when they are written. "," when the read fails (also when the
// separator does not fit the buffer) or gives an empty text.
inline constexpr int kListSeparatorBufferSize = 10;

template <typename GetLocaleInfo> std::string UserListSeparator(GetLocaleInfo getLocaleInfo) {
    constexpr unsigned kLocaleUserDefault = 0x0400;
    constexpr unsigned kLocaleListSeparator = 0x000C;
    char buffer[kListSeparatorBufferSize] = {};
    const int copied =
        getLocaleInfo(kLocaleUserDefault, kLocaleListSeparator, buffer, kListSeparatorBufferSize);
    const std::size_t length = strnlen(buffer, kListSeparatorBufferSize);
    return copied <= 0 || length == 0 ? std::string(",") : std::string(buffer, length);
}
