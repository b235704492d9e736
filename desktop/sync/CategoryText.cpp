#include "desktop/sync/CategoryText.h"

#include "platform/win32/locale.h"

#include <cstring>

namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
constexpr int kSeparatorBufferSize = 10;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

// Every piece that `terminator` ends; the rest after the last one is dropped.
std::vector<std::string> TerminatedPieces(std::string_view text, char terminator) {
    std::vector<std::string> pieces;
    for (auto end = text.find(terminator); end != std::string_view::npos;
         end = text.find(terminator)) {
        pieces.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return pieces;
}

} // namespace

std::string ListSeparator() {
    char buffer[kSeparatorBufferSize] = {};
    const int copied = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, sizeof buffer);
    if (copied <= 1)
        return ",";
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::vector<std::string> SplitCategoryText(std::string_view text, std::string_view separators) {
    std::vector<std::string> names;
    if (separators.empty())
        separators = ",";
    for (auto end = text.find_first_of(separators); end != std::string_view::npos;
         end = text.find_first_of(separators)) {
        names.emplace_back(Trim(text.substr(0, end)));
        text.remove_prefix(end + 1);
    }
    if (!text.empty())
        names.emplace_back(Trim(text));
    return names;
}

std::string CategoryListFromText(std::string_view text, std::string_view separators) {
    std::string list;
    for (const std::string& name : SplitCategoryText(text, separators)) {
        list += name;
        list += '\n';
    }
    return list;
}

std::string CategoryTextFromList(std::string_view list, char separator) {
    std::string text;
    for (const std::string& name : TerminatedPieces(list, '\n')) {
        text += name;
        text += separator;
        text += ' ';
    }
    if (text.size() >= 2)
        text.resize(text.size() - 2);
    return text;
}

std::vector<std::string> SplitFilterText(std::string_view text) {
    return TerminatedPieces(text, '\t');
}

std::string JoinFilterText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += name;
        text += '\t';
    }
    return text;
}
