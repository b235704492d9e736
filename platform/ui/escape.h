// Escaping of texts into one TAB-separated field of a line, as the scripted
// user's script and prompt log use it. Fields are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// Escapes TAB, CR, LF and backslash as \t \r \n \\ so a text fits one field of a line.
std::string EscapeField(std::u16string_view text);
// The inverse of EscapeField; an unknown escape keeps its character.
std::u16string UnescapeField(std::string_view field);

} // namespace ui
