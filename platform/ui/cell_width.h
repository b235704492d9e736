// How many cells of a fixed-pitch screen a text takes: one measure for the
// edit control's layout and for everything the terminal draws, so that what
// the control counts and what the screen shows never disagree.
#pragma once

#include <cstddef>
#include <string_view>

namespace ui {

// The cells character `c` takes: 2 for wide characters (CJK, fullwidth
// forms, most emoji), 0 for those drawn onto the character before them
// (combining marks, zero-width characters), 1 for every other, control
// characters included (each is shown as one mark).
int CellWidth(char32_t c);

// The cells of text[begin, end): surrogate pairs are one character.
std::size_t TextCells(std::u16string_view text, std::size_t begin, std::size_t end);
inline std::size_t TextCells(std::u16string_view text) {
    return TextCells(text, 0, text.size());
}

// Where in text[begin, end) a caret goes for cell `cell` (counted from
// `begin`): the last character boundary at or before that cell, so a cell
// inside a wide character means the place before it. Never between the halves
// of a surrogate pair or before a zero-width character.
std::size_t PositionAtCell(std::u16string_view text, std::size_t begin, std::size_t end,
                           std::size_t cell);

} // namespace ui
