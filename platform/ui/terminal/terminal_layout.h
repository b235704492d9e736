// The terminal back end's layout rules, kept apart from ncurses so they can be
// checked on their own: how window pixels become character cells, how an edit
// control's lines become screen rows, how a control's colour becomes one of the
// terminal's eight, how a message box's text is broken into lines and where a
// box is centred, and how a paste's bytes end and become text.
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

// One character of an edit control's screen row: where it is in the text,
// its first cell in the row, and what is drawn there (the character with the
// zero-width marks that follow it; a space for a tab or another control
// character, and for the part of a wide character cut by an edge).
struct RowPiece {
    std::size_t pos;
    int col;
    std::u16string shown;
    bool operator==(const RowPiece&) const = default;
};

// What one screen row of an edit control shows: the characters of `line` from
// cell `firstColumn` on, within `cols` cells, each at its real width.
std::vector<RowPiece> EditRowPieces(std::u16string_view text, const EditLine& line, int firstColumn,
                                    int cols);

// The cell of the caret at character `caret` of `text`, relative to the
// control's first cell, with the control scrolled to `scroll` (x: first
// column, y: first line); nullopt when it lies outside the `rows` x `cols`
// the control shows.
std::optional<POINT> CaretCell(std::u16string_view text, const std::vector<EditLine>& lines,
                               std::size_t caret, POINT scroll, int rows, int cols);

// `text` broken into lines of at most `width` cells: at CR LF or LF, and
// between words where a line would be too long (a word longer than the width
// is cut, never inside a character).
std::vector<std::u16string> WrapText(std::u16string_view text, int width);

// Where a box `size` long starts on a screen `screen` long to be centred:
// with `margin` before it for its frame where the screen has the room, never
// before the screen's start, and at the start when it does not fit.
LONG CentredStart(LONG screen, LONG size, LONG margin);

// The bytes of a bracketed paste as they come from the terminal, read by
// read after its begin marker: the paste is what comes before the end marker
// (found even when a read cuts it), what follows it is typed after the paste.
// A paste of more than `limit` bytes is kept no further (too large).
class PasteBytes {
public:
    explicit PasteBytes(std::size_t limit) : m_limit(limit) {}
    // Takes the bytes of one read; nothing once the end marker came.
    void Take(std::string_view bytes);
    bool Ended() const { return m_ended; }
    bool TooLarge() const { return m_tooLarge; }
    // The paste (empty when too large) and what came after its end.
    const std::string& Text() const { return m_tooLarge ? m_none : m_text; }
    const std::string& After() const { return m_after; }

private:
    std::size_t m_limit;
    std::string m_text;
    std::string m_after;
    std::string m_none;
    std::size_t m_searched = 0; // no marker starts before this, unless a read cut it
    bool m_ended = false;
    bool m_tooLarge = false;
};

// Pasted text as an edit control takes it: every line break (CR LF, CR or
// LF) a CR LF, and control characters other than tab left out.
std::u16string PastedLines(std::u16string_view raw);

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
