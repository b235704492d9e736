// The three forms of a note's categories on the desktop, and the
// conversions among them:
//  - Outlook's Categories text: names separated by the user's list
//    separator (usually ", ");
//  - the category list of the note packets: every name followed by a line
//    feed;
//  - the store's filter setting "FilterCat": every name followed by a TAB.
// All texts are ANSI.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The user's list separator (LOCALE_SLIST), read afresh at every call; ","
// when it can't be read or does not fit the 10-character buffer.
std::string ListSeparator();

// Cuts Outlook's Categories text at every character that occurs in
// `separators`: each piece a separator ends, and the rest after the last one
// when it is not empty, trimmed of white space at both ends. A rest of white
// space alone gives one empty name.
std::vector<std::string> SplitCategoryText(std::string_view text, std::string_view separators);

// The packet's category list for Outlook's Categories text.
std::string CategoryListFromText(std::string_view text, std::string_view separators);

// Outlook's Categories text for a packet's category list: the names that a
// line feed ends, joined by `separator` and one space; text after the last
// line feed is dropped.
std::string CategoryTextFromList(std::string_view list, char separator);

// The names of a "FilterCat" text: every piece a TAB ends, empty ones too;
// text after the last TAB is dropped.
std::vector<std::string> SplitFilterText(std::string_view text);
// The "FilterCat" text of `names`.
std::string JoinFilterText(const std::vector<std::string>& names);
