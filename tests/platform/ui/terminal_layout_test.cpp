// The terminal back end's pure layout rules: pixels to cells, the edit
// control's rows and caret, colour mapping, text wrapping, menu labels and
// key translation.
#include "platform/ui/cell_width.h"
#include "platform/ui/terminal/terminal_keys.h"
#include "platform/ui/terminal/terminal_layout.h"

#include <curses.h>
#include <gtest/gtest.h>

#include "platform/base/unicode.h"

using namespace ui::terminal;

namespace {

std::string Utf8(const std::u16string& s) {
    return unicode::ToUtf8(s);
}

TEST(TerminalLayout, PixelsBecomeTheCellsWhoseCentresTheyCover) {
    struct Case {
        const char* name;
        RECT pixels;
        CellRect cells;
    } cases[] = {
        {"whole screen of 100x29 cells", {0, 0, 800, 464}, {0, 0, 29, 100}},
        {"command bar, one and a half lines", {0, 0, 800, 24}, {0, 0, 1, 100}},
        {"pane below the bar", {0, 24, 800, 464}, {1, 0, 28, 100}},
        {"left pane of a splitter", {0, 24, 150, 464}, {1, 0, 28, 19}},
        {"right pane after a 4-pixel gap", {154, 24, 800, 464}, {1, 19, 28, 81}},
        {"thinner than half a cell", {0, 0, 3, 7}, {0, 0, 0, 0}},
        {"empty", {40, 40, 40, 40}, {2, 5, 0, 0}},
        {"inverted", {80, 80, 0, 0}, {5, 10, 0, 0}},
        {"off screen to the left", {-16, -16, 16, 16}, {-1, -2, 2, 4}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.cells, CellsOf(c.pixels)) << c.name;
}

TEST(TerminalLayout, TerminalSizeInPixels) {
    EXPECT_EQ(800, PixelsForCells(100, 29).cx);
    EXPECT_EQ(464, PixelsForCells(100, 29).cy);
    EXPECT_EQ(0, PixelsForCells(-3, 5).cx);
    // The round trip gives back every cell.
    const SIZE size = PixelsForCells(80, 23);
    EXPECT_EQ((CellRect{0, 0, 23, 80}), CellsOf(RECT{0, 0, size.cx, size.cy}));
}

TEST(TerminalLayout, ColoursMapToTheNearestHue) {
    struct Case {
        const char* name;
        COLORREF color;
        TermColor expected;
    } cases[] = {
        // The note tints: pale, but their hue must survive.
        {"blue note", 0x00FF9F9F, TermColor::Blue},
        {"green note", 0x009FFF9F, TermColor::Green},
        {"red note", 0x009F9FFF, TermColor::Red},
        {"yellow note", 0x009FFFFF, TermColor::Yellow},
        {"white note", 0x00FFFFFF, TermColor::White},
        {"black", RGB(0, 0, 0), TermColor::Black},
        {"light grey", RGB(200, 200, 210), TermColor::White},
        {"dark grey", RGB(60, 60, 70), TermColor::Black},
        {"pure red", RGB(255, 0, 0), TermColor::Red},
        {"dark green", RGB(0, 100, 0), TermColor::Green},
        {"magenta", RGB(200, 30, 220), TermColor::Magenta},
        {"cyan", RGB(30, 220, 220), TermColor::Cyan},
        {"orange is nearer red", RGB(255, 120, 0), TermColor::Red},
        {"olive", RGB(128, 128, 0), TermColor::Yellow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, NearestTermColor(c.color)) << c.name;
}

TEST(TerminalLayout, TextStaysReadableOnEveryBackground) {
    for (int c = 0; c <= static_cast<int>(TermColor::White); ++c) {
        const auto background = static_cast<TermColor>(c);
        const TermColor text = TextColorOn(background);
        EXPECT_NE(background, text) << c;
        EXPECT_TRUE(text == TermColor::Black || text == TermColor::White) << c;
    }
}

// A row as the screen shows it: each piece at its cell, blanks between.
std::string Row(std::u16string_view text, const ui::EditLine& line, int firstColumn, int cols) {
    std::u16string row;
    for (const RowPiece& piece : EditRowPieces(text, line, firstColumn, cols)) {
        const auto cells = static_cast<int>(ui::TextCells(row));
        EXPECT_LE(cells, piece.col) << "pieces overlap";
        row.append(static_cast<std::size_t>(std::max(0, piece.col - cells)), u' ');
        row += piece.shown;
    }
    return Utf8(row);
}

TEST(TerminalLayout, EditRowsShowTheScrolledPartOfEachLine) {
    const std::u16string text = u"Shopping list\r\nmilk\tand eggs\r\n\r\nend";
    const std::vector<ui::EditLine> lines = {{0, 13}, {15, 13}, {30, 0}, {32, 3}};
    struct Case {
        const char* name;
        std::size_t line;
        int firstColumn;
        int cols;
        const char* shown;
    } cases[] = {
        {"whole title", 0, 0, 20, "Shopping list"},
        {"cut at the width", 0, 0, 8, "Shopping"},
        {"scrolled right", 0, 9, 20, "list"},
        {"scrolled past the end", 0, 20, 20, ""},
        {"tab shows as one space", 1, 0, 20, "milk and eggs"},
        {"empty line", 2, 0, 20, ""},
        {"last line without break", 3, 0, 20, "end"},
        {"no width", 0, 0, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shown, Row(text, lines[c.line], c.firstColumn, c.cols)) << c.name;
    // A line beyond the text (a stale layout) shows nothing instead of reading past it.
    EXPECT_EQ("", Row(u"ab", {5, 3}, 0, 10));
    EXPECT_EQ("b", Row(u"ab", {1, 9}, 0, 10));
}

TEST(TerminalLayout, EditRowsGiveWideCharactersTwoCellsAndNeverSplitOne) {
    // 漢字 are two cells each, the accent joins the e before it, 😀 is a pair of two cells.
    const std::u16string text = u"a漢字e\u0301b\U0001F600c";
    const ui::EditLine line{0, text.size()};
    struct Case {
        const char* name;
        int firstColumn, cols;
        const char* shown;
    } cases[] = {
        {"whole", 0, 20, "a漢字e\u0301b\U0001F600c"},
        {"wide character cut at the right edge is a blank", 0, 4, "a漢 "},
        {"wide character cut at the left edge is a blank", 2, 20, " 字e\u0301b\U0001F600c"},
        {"scrolled to a wide character's start", 3, 3, "字e\u0301"},
        {"pair cut at the right edge", 0, 8, "a漢字e\u0301b "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shown, Row(text, line, c.firstColumn, c.cols)) << c.name;
    // Each piece knows where its character is in the text, for the selection.
    const auto pieces = EditRowPieces(text, line, 0, 20);
    ASSERT_EQ(7u, pieces.size());
    EXPECT_EQ((RowPiece{1, 1, u"漢"}), pieces[1]);
    EXPECT_EQ((RowPiece{3, 5, u"e\u0301"}), pieces[3]);
    EXPECT_EQ((RowPiece{6, 7, u"\U0001F600"}), pieces[5]);
    EXPECT_EQ((RowPiece{8, 9, u"c"}), pieces[6]);
}

TEST(TerminalLayout, CaretCellFollowsLinesAndScrolling) {
    // "abcdef" wrapped at 3 columns, then "gh" after a line break.
    const std::vector<ui::EditLine> wrapped = {{0, 3}, {3, 3}, {8, 2}};
    struct Case {
        const char* name;
        std::size_t caret;
        POINT scroll;
        int rows, cols;
        std::optional<POINT> cell;
    } cases[] = {
        {"start", 0, {0, 0}, 5, 10, POINT{0, 0}},
        {"wrap point belongs to the next line", 3, {0, 0}, 5, 10, POINT{0, 1}},
        {"end of a broken line", 6, {0, 0}, 5, 10, POINT{3, 1}},
        {"after the break", 9, {0, 0}, 5, 10, POINT{1, 2}},
        {"end of text", 10, {0, 0}, 5, 10, POINT{2, 2}},
        {"scrolled down", 9, {0, 1}, 5, 10, POINT{1, 1}},
        {"scrolled out above", 1, {0, 1}, 5, 10, std::nullopt},
        {"below the shown rows", 9, {0, 0}, 2, 10, std::nullopt},
        {"scrolled right", 5, {1, 0}, 5, 10, POINT{1, 1}},
        {"right of the shown columns", 5, {0, 0}, 5, 2, std::nullopt},
        {"inside the CR LF", 7, {0, 0}, 5, 10, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto cell = CaretCell(u"abcdef\r\ngh", wrapped, c.caret, c.scroll, c.rows, c.cols);
        ASSERT_EQ(c.cell.has_value(), cell.has_value()) << c.name;
        if (cell) {
            EXPECT_EQ(c.cell->x, cell->x) << c.name;
            EXPECT_EQ(c.cell->y, cell->y) << c.name;
        }
    }
    EXPECT_FALSE(CaretCell(u"", {}, 0, {0, 0}, 5, 5).has_value());
}

TEST(TerminalLayout, CaretCellCountsCellsNotCharacters) {
    const std::u16string text = u"漢字ab\r\n日本";
    const std::vector<ui::EditLine> lines = {{0, 4}, {6, 2}};
    const auto at = [&](std::size_t caret, POINT scroll, int cols) {
        return CaretCell(text, lines, caret, scroll, 5, cols);
    };
    EXPECT_EQ(2, at(1, {0, 0}, 10)->x) << "after one wide character";
    EXPECT_EQ(6, at(4, {0, 0}, 10)->x) << "end of the first line";
    EXPECT_EQ(4, at(8, {0, 0}, 10)->x) << "end of the second line";
    EXPECT_EQ(2, at(4, {4, 0}, 10)->x) << "scrolled by two wide characters";
    EXPECT_FALSE(at(4, {0, 0}, 6).has_value()) << "past the shown cells";
}

TEST(TerminalLayout, WrapTextBreaksBetweenWords) {
    struct Case {
        const char* name;
        std::u16string text;
        int width;
        std::vector<std::string> lines;
    } cases[] = {
        {"fits", u"Save changes?", 20, {"Save changes?"}},
        {"between words", u"Sure to delete this note?", 10, {"Sure to", "delete", "this note?"}},
        {"long word is cut", u"abcdefghij", 4, {"abcd", "efgh", "ij"}},
        {"CR LF and LF", u"one\r\ntwo\nthree", 10, {"one", "two", "three"}},
        {"empty line kept", u"a\n\nb", 10, {"a", "", "b"}},
        {"empty text", u"", 10, {""}},
        {"no width", u"abc", 0, {}},
        {"wide characters by their cells",
         u"日本語のタイトル",
         5,
         {"日本", "語の", "タイ", "トル"}},
        {"words of wide characters", u"漢字 かな abc", 6, {"漢字", "かな", "abc"}},
        {"a wide character wider than the line", u"漢字", 1, {"漢", "字"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const auto& line : WrapText(c.text, c.width))
            got.push_back(Utf8(line));
        EXPECT_EQ(c.lines, got) << c.name;
    }
}

TEST(TerminalLayout, MenuLabelsLoseTheirMnemonicMark) {
    struct Case {
        std::u16string label;
        const char* text;
        char16_t mnemonic;
    } cases[] = {
        {u"&Note", "Note", u'n'},        {u"E&xtras", "Extras", u'x'},
        {u"C&olor", "Color", u'o'},      {u"Save && Quit", "Save & Quit", 0},
        {u"&&Not &Me", "&Not Me", u'm'}, {u"Plain", "Plain", 0},
        {u"Trailing&", "Trailing&", 0},  {u"&A&B", "AB", u'a'},
    };
    for (const auto& c : cases) {
        const MenuLabel parsed = ParseMenuLabel(c.label);
        EXPECT_EQ(c.text, Utf8(parsed.text)) << Utf8(c.label);
        EXPECT_EQ(c.mnemonic, parsed.mnemonic) << Utf8(c.label);
    }
}

TEST(TerminalKeys, KeysBecomeKeyStrokes) {
    struct Case {
        const char* name;
        int code;
        bool isKeyCode;
        bool alt;
        std::optional<KeyStroke> stroke;
    } cases[] = {
        {"small letter", 'a', false, false, KeyStroke{'A', 0, u'a'}},
        {"capital letter", 'Q', false, false, KeyStroke{'Q', FSHIFT, u'Q'}},
        {"digit", '7', false, false, KeyStroke{'7', 0, u'7'}},
        {"space", ' ', false, false, KeyStroke{VK_SPACE, 0, u' '}},
        {"Ctrl+N", 14, false, false, KeyStroke{'N', FCONTROL, 14}},
        {"Ctrl+S", 19, false, false, KeyStroke{'S', FCONTROL, 19}},
        {"Enter", '\r', false, false, KeyStroke{VK_RETURN, 0, u'\r'}},
        {"Tab", '\t', false, false, KeyStroke{VK_TAB, 0, u'\t'}},
        {"Backspace as DEL", 0x7F, false, false, KeyStroke{VK_BACK, 0, u'\b'}},
        {"Backspace key", KEY_BACKSPACE, true, false, KeyStroke{VK_BACK, 0, u'\b'}},
        {"Escape", 0x1B, false, false, KeyStroke{VK_ESCAPE, 0, 0x1B}},
        // Punctuation must not pose as an editing key: '.' is VK_DELETE's number.
        {"full stop", '.', false, false, KeyStroke{0xE5, 0, u'.'}},
        {"dollar", '$', false, false, KeyStroke{0xE5, 0, u'$'}},
        {"umlaut", 0xFC, false, false, KeyStroke{0xE5, 0, 0xFC}},
        {"Delete", KEY_DC, true, false, KeyStroke{VK_DELETE, 0, 0}},
        {"arrow", KEY_LEFT, true, false, KeyStroke{VK_LEFT, 0, 0}},
        {"shifted arrow", KEY_SRIGHT, true, false, KeyStroke{VK_RIGHT, FSHIFT, 0}},
        {"Shift+Tab", KEY_BTAB, true, false, KeyStroke{VK_TAB, FSHIFT, 0}},
        {"page down", KEY_NPAGE, true, false, KeyStroke{VK_NEXT, 0, 0}},
        {"F1", KEY_F(1), true, false, KeyStroke{VK_F1, 0, 0}},
        {"F10", KEY_F(10), true, false, KeyStroke{VK_F10, 0, 0}},
        {"Alt+n types nothing", 'n', false, true, KeyStroke{'N', FALT, 0}},
        {"Alt+Right", KEY_RIGHT, true, true, KeyStroke{VK_RIGHT, FALT, 0}},
        {"mouse", KEY_MOUSE, true, false, std::nullopt},
        {"resize", KEY_RESIZE, true, false, std::nullopt},
        {"NUL", 0, false, false, std::nullopt},
        {"surrogate half", 0xD800, false, false, std::nullopt},
        // Beyond 16 bits: the character as its surrogate pair.
        {"emoji", 0x1F600, false, false, KeyStroke{0xE5, 0, 0xD83D, 0xDE00}},
        {"last code point", 0x10FFFF, false, false, KeyStroke{0xE5, 0, 0xDBFF, 0xDFFF}},
        {"beyond Unicode", 0x110000, false, false, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.stroke, TranslateKey(c.code, c.isKeyCode, c.alt)) << c.name;
}

TEST(TerminalLayout, BoxesAreCentredWithRoomForTheirFrame) {
    EXPECT_EQ(250, CentredStart(800, 300, 8)) << "centred";
    EXPECT_EQ(8, CentredStart(800, 788, 8)) << "the frame's cell kept";
    EXPECT_EQ(5, CentredStart(800, 795, 8)) << "as much of the frame as fits";
    EXPECT_EQ(0, CentredStart(800, 900, 8)) << "too large: from the start";
    EXPECT_EQ(0, CentredStart(0, 0, 8)) << "no screen";
}

TEST(TerminalLayout, PasteBytesEndAtTheMarkerWhereverReadsCutIt) {
    const std::string marker = "\x1b[201~";
    // The whole paste and keys after it in one read.
    PasteBytes one(100);
    one.Take("abc" + marker + "typed");
    EXPECT_TRUE(one.Ended());
    EXPECT_EQ("abc", one.Text());
    EXPECT_EQ("typed", one.After());
    one.Take("more");
    EXPECT_EQ("typed", one.After()) << "nothing is taken after the end";
    // The marker cut by each possible pair of reads.
    for (std::size_t cut = 1; cut < marker.size(); ++cut) {
        PasteBytes paste(100);
        paste.Take("x\x1b[2");
        paste.Take("00 y" + marker.substr(0, cut));
        EXPECT_FALSE(paste.Ended()) << cut;
        paste.Take(marker.substr(cut) + "z");
        EXPECT_TRUE(paste.Ended()) << cut;
        EXPECT_EQ("x\x1b[200 y", paste.Text()) << cut;
        EXPECT_EQ("z", paste.After()) << cut;
    }
    // Larger than the limit: nothing of it, but the end is still found.
    PasteBytes large(10);
    large.Take(std::string(8, 'a'));
    EXPECT_FALSE(large.TooLarge());
    large.Take(std::string(20, 'b') + marker.substr(0, 3));
    EXPECT_TRUE(large.TooLarge());
    large.Take(marker.substr(3) + "k");
    EXPECT_TRUE(large.Ended());
    EXPECT_EQ("", large.Text());
    EXPECT_EQ("k", large.After());
}

TEST(TerminalLayout, PastedLinesEndInCrLf) {
    EXPECT_EQ(u"a\r\nb\r\nc\r\n\r\nd", PastedLines(u"a\nb\rc\r\n\nd"));
    EXPECT_EQ(u"tab\there", PastedLines(u"tab\there"));
    // Escape and other control characters are no text.
    EXPECT_EQ(u"ab", PastedLines(u"a\x1b\x07"
                                 u"b\x7f"));
    EXPECT_EQ(u"漢字\U0001F600", PastedLines(u"漢字\U0001F600"));
}

} // namespace
