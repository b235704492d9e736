// The terminal back end's layout rules, kept apart from ncurses so they can be
// checked on their own: how window pixels become character cells, how an edit
// control's lines become screen rows, how a control's colour becomes one of the
// terminal's eight, and how a message box's text is broken into lines.
#pragma once

#include "platform/ui/controls.h"
#include "platform/ui/winuser.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui::terminal {

// A rectangle of character cells: top-left cell and size.
struct CellRect {
    int row = 0;
    int col = 0;
    int rows = 0;
    int cols = 0;
    bool operator==(const CellRect&) const = default;
};

// The cells a rectangle of screen pixels covers: every cell whose centre lies
// inside it (kCharWidth x kLineHeight pixels a cell), so two windows side by
// side never share a cell and a gap thinner than a cell may vanish.
CellRect CellsOf(const RECT& pixels);

// The screen size in pixels for a terminal of `cols` x `rows` cells.
SIZE PixelsForCells(int cols, int rows);

// The terminal colours, numbered as curses numbers them.
enum class TermColor { Black = 0, Red, Green, Yellow, Blue, Magenta, Cyan, White };

// The terminal colour nearest in hue to `color`: the channels that stand out
// above the colour's grey part pick it, so pale tints keep their hue; a grey
// is white or black by its lightness.
TermColor NearestTermColor(COLORREF color);

// The text colour that reads on `background`.
TermColor TextColorOn(TermColor background);

// What one screen row of an edit control shows: the characters of `line` from
// column `firstColumn` on, at most `cols` of them. Tabs and other control
// characters show as one space each, so columns stay those of the control.
std::u16string EditRowText(std::u16string_view text, const EditLine& line, int firstColumn,
                           int cols);

// The cell of the caret at character `caret`, relative to the control's first
// cell, with the control scrolled to `scroll` (x: first column, y: first line);
// nullopt when it lies outside the `rows` x `cols` the control shows.
std::optional<POINT> CaretCell(const std::vector<EditLine>& lines, std::size_t caret, POINT scroll,
                               int rows, int cols);

// `text` broken into lines of at most `width` characters: at CR LF or LF,
// and between words where a line would be too long (a word longer than the
// width is cut).
std::vector<std::u16string> WrapText(std::u16string_view text, int width);

// A menu or button text as shown: the '&' that marks the mnemonic removed
// ("&&" is one '&'), the mnemonic character (lower case) or 0, and where in
// `text` it stands (npos: none).
struct MenuLabel {
    std::u16string text;
    char16_t mnemonic = 0;
    std::size_t mnemonicAt = std::u16string::npos;
};
MenuLabel ParseMenuLabel(std::u16string_view label);

} // namespace ui::terminal
