// Text conversions the window system needs at its edges: scripts, logs and
// stderr are UTF-8, window texts are UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);

// Escapes TAB, CR, LF and backslash as \t \r \n \\ so a text fits one field of a line.
std::string EscapeField(std::u16string_view text);
// The inverse of EscapeField; an unknown escape keeps its character.
std::u16string UnescapeField(std::string_view field);

} // namespace ui
