// Simple case folding of UTF-16 text, for names that compare without regard
// to case (registry keys and values, database and window names) and for the
// case-insensitive part of string sort keys. Folds to lower case: ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic letters; other units are kept.
#pragma once

#include <string>
#include <string_view>

namespace platform {

char16_t FoldCase(char16_t c);
std::u16string FoldCase(std::u16string_view text);
// UTF-8 in and out (through UTF-16).
std::string FoldCaseUtf8(std::string_view text);
// The lower-case mapping of the user's locale (LC_CTYPE; C.UTF-8 when that
// locale is not a UTF-8 one) for every character it maps, surrogate pairs
// included. A character whose lower case takes another number of UTF-16
// units is kept, so that offsets into the result are offsets into `text`.
std::u16string LowerCase(std::u16string_view text);
// True for a unit that FoldCase changes.
inline bool IsUpperCase(char16_t c) {
    return FoldCase(c) != c;
}

} // namespace platform
